// Streets and route segments a run could not model, streets files that name
// two streets alike, and the thread count a run is asked for: each is said,
// and a run that did not compute what was asked does not exit with 0.

#include "run/RunFixture.h"

#include "run/StreetRun.h"
#include "support/PlainStage.h"

#include <thread>

using namespace vesk;
using namespace vesk::test;

namespace {

std::string street(const std::string &name, const std::string &traffic, bool active = true,
                   const std::string &side = "0") {
    return std::string(active ? "#TRUE#" : "#FALSE#") + ",\"" + name + "\",100,200,\"" + traffic +
           "\",20000,40,20,18,100,100,0," + side + ",2,0\r\n";
}

// A route segment of person A on 6 March 2023 with the given traffic file.
std::string segment(const std::string &id, const std::string &no, const std::string &in,
                    const std::string &out, const std::string &traffic) {
    return "\"" + id + "\",\"A\"," + no + ",1,0,1,5,2000,\"2023-03-06 " + in + "\",\"2023-03-06 " + out +
           "\",3600,\"" + traffic + "\",20000,40,20,18,100,100,0,1,2,0\r\n";
}

const char *kNotModelled = "The run reached its end, but no hour of the following could be modelled: every "
                           "modelled concentration of theirs is missing (-99).\r\n";

class UnmodelledStreets : public RunFixture {
protected:
    void loadStreets(const std::string &streets) {
        writeWork("Hours.txt", marchHours(24));
        writeWork("Streets.txt", streets);
        loadProject("Streets.vkm",
                    projectText({inputFile("Hours.txt", kMarchHourVariables),
                                 outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                 statFile("Streets.sum", "\"Street\",AvNOx_mod_1", "streets", "0,0.0"),
                                 {"Streets.txt", "streets", {}}},
                                "Streets"));
    }
    void loadRoute(const std::string &route) {
        writeWork("Hours.txt", marchHours(24));
        writeWork("Route.txt", route);
        loadProject("Route.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                              outputFile("Out.txt", "segmentid,hour,cNOx_mod_1", "0,*"),
                                              {"Route.txt", "route", {}}}));
    }
};

} // namespace

TEST_F(UnmodelledStreets, AStreetWithoutTrafficAmongOthersIsNamedAndTheRestWritten) {
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const StreetThreads streetThreads(threads);
        ASSERT_NO_FATAL_FAILURE(loadStreets(street("North", ".\\CityStreet.trf") + street("South", "") +
                                            street("Closed", "", false) +
                                            street("East", ".\\CityStreet.trf")));
        writeWork("Streets.sum", "the previous run's streets\r\n");
        writeWork("Out.txt", "the previous run's hours\r\n");
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
        EXPECT_EQ(report.unmodelled, std::vector<std::string>{"street #2 out of 4, South"})
            << "an inactive street is not asked for";
        ASSERT_EQ(report.keptFiles.size(), 2u) << "the hourly output and the street summary";
        const fs::path keptSummary = report.keptFiles[1];
        EXPECT_EQ(keptSummary.parent_path(), workDir);
        EXPECT_EQ(ui.messages.back(),
                  std::string(kNotModelled) +
                      "  street #2 out of 4, South\r\n"
                      "Check their traffic files, the meteorology and the emission set-up.\r\n"
                      "So the run has replaced none of the files of the previous run.\r\n"
                      "What it wrote into\r\n" +
                      work("Out.txt").string() + "\r\nis kept in\r\n" + report.keptFiles[0] +
                      "\r\nWhat it wrote into\r\n" + work("Streets.sum").string() + "\r\nis kept in\r\n" +
                      report.keptFiles[1]);
        EXPECT_EQ(readFile(work("Streets.sum")), "the previous run's streets\r\n");
        EXPECT_EQ(readFile(work("Out.txt")), "the previous run's hours\r\n");
        const std::vector<std::string> rows = fileLines(keptSummary);
        ASSERT_EQ(rows.size(), 5u) << "every street is computed and written";
        EXPECT_EQ(cells(rows[2])[0], "South");
        EXPECT_EQ(cells(rows[1])[0], "North");
        EXPECT_EQ(fileLines(report.keptFiles[0]).size(), 1u + 3 * 24)
            << "the hours of the three active streets";
        for (const std::string &file : report.keptFiles) {
            fs::remove(file);
        }
        ui.messages.clear();
    }
}

TEST_F(UnmodelledStreets, ARouteSegmentWithoutTrafficIsNamedWithItsPersonTimesAndLine) {
    ASSERT_NO_FATAL_FAILURE(loadRoute(segment("A1", "1", "07:30", "08:30", ".\\CityStreet.trf") +
                                      segment("A2", "2", "08:30", "09:30", "") +
                                      segment("A3", "3", "09:30", "10:30", ".\\CityStreet.trf")));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::string a2 = "the route segment A2 of the person A (2023-03-06 08:30 to 2023-03-06 09:30), "
                           "line 2 of the route file";
    EXPECT_EQ(report.unmodelled, std::vector<std::string>{a2});
    EXPECT_NE(said().find(std::string(kNotModelled) + "  " + a2 + "\r\n"), std::string::npos) << said();
    EXPECT_FALSE(fs::exists(work("Out.txt"))) << "no file of the run replaces one";
    ASSERT_EQ(report.keptFiles.size(), 1u);
    std::vector<std::string> a2Values;
    for (const std::string &line : fileLines(report.keptFiles[0])) {
        if (cells(line)[0] == "A2") {
            a2Values.push_back(cells(line)[2]);
        }
    }
    EXPECT_EQ(a2Values, (std::vector<std::string>{"-99", "-99"}));
}

TEST_F(UnmodelledStreets, EveryStreetModelledSaysNothingOfIt) {
    ASSERT_NO_FATAL_FAILURE(
        loadStreets(street("North", ".\\CityStreet.trf") + street("East", ".\\CityStreet.trf")));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_TRUE(report.unmodelled.empty());
    EXPECT_EQ(said().find("could be modelled"), std::string::npos) << said();
}

WINVESK_PLAIN_STAGE("UnmodelledStreets.TheBatchExitsWithOneNamingTheStreetItCouldNotModel", StartsTheProgram);

TEST_F(UnmodelledStreets, TheBatchExitsWithOneNamingTheStreetItCouldNotModel) {
    ASSERT_NO_FATAL_FAILURE(loadStreets(street("North", ".\\CityStreet.trf") + street("South", "")));
    const ProgramRun r = runWinvesk({work("Streets.vkm").string(), "1"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("street #2 out of 2, South"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("The run reached its end, but 1 street or route segment could not be modelled."),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(work("Streets.sum"))) << "no file of the run replaces one";
    EXPECT_NE(r.output.find("is kept in\r\n" + work("").string() + ".Streets.sum."), std::string::npos)
        << r.output;
}

TEST_F(UnmodelledStreets, TwoStreetsOfOneNameAreNamedWithTheirLinesAndTheRunGoesOn) {
    ASSERT_NO_FATAL_FAILURE(
        loadStreets(street("North", ".\\CityStreet.trf") + "\r\n" + street("East", ".\\CityStreet.trf") +
                    street("North", ".\\CityStreet.trf") + street("north", ".\\CityStreet.trf") +
                    street("East", ".\\CityStreet.trf")));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    ASSERT_EQ(ui.messages.size(), 1u) << said();
    EXPECT_EQ(ui.messages[0],
              "The streets file\r\n" + work("Streets.txt").string() +
                  "\r\ngives 2 streets the name of an earlier street:\r\n"
                  "  line 4: \"North\", the name of the street in line 1\r\n"
                  "  line 6: \"East\", the name of the street in line 3\r\n"
                  "Their results can be told apart only by their order. Give each street a name "
                  "of its own.");
    EXPECT_EQ(fileLines(work("Streets.sum")).size(), 6u) << "every street is calculated";
}

// A street whose side is 3 has no receptor: it was calculated to -99 alone
// and named as a street that could not be modelled, its traffic files to
// blame. It is left out as a switched-off street is, and a note says so.
TEST_F(UnmodelledStreets, AStreetWithoutAReceptorIsLeftOutWithANoteAndTheRunReplacesTheFiles) {
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const StreetThreads streetThreads(threads);
        ASSERT_NO_FATAL_FAILURE(loadStreets(
            street("North", ".\\CityStreet.trf") + street("South", ".\\CityStreet.trf", true, "3") +
            street("Closed", ".\\CityStreet.trf", false, "3") + street("East", ".\\CityStreet.trf")));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
        EXPECT_TRUE(report.unmodelled.empty()) << report.unmodelled.front();
        EXPECT_TRUE(report.keptFiles.empty());
        EXPECT_EQ(said(),
                  "The streets file\r\n" + work("Streets.txt").string() +
                      "\r\ngives a street no receptor (street side 3): it was left out of the run, as a "
                      "street that is switched off is:\r\n  line 2: \"South\"\n");
        const std::vector<std::string> rows = fileLines(work("Streets.sum"));
        ASSERT_EQ(rows.size(), 5u) << "every street has its line";
        EXPECT_EQ(cells(rows[2]), (std::vector<std::string>{"South", "-99.0"}))
            << "as the switched-off street";
        EXPECT_EQ(cells(rows[3]), (std::vector<std::string>{"Closed", "-99.0"}));
        EXPECT_NE(cells(rows[4]).at(1), "-99.0") << "East is calculated";
        EXPECT_EQ(fileLines(work("Out.txt")).size(), 1u + 2 * 24) << "the hours of North and East alone";
        ui.messages.clear();
    }
}

TEST_F(UnmodelledStreets, AStreetsFileWithNoStreetToCalculateIsRefusedBeforeTheFirstHour) {
    for (const bool anyWithoutReceptor : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(loadStreets(street("North", ".\\CityStreet.trf", false) +
                                            street("South", ".\\CityStreet.trf", anyWithoutReceptor, "3")));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.error, "The streets file\r\n" + work("Streets.txt").string() +
                                    "\r\nholds no street to calculate: every street is switched off" +
                                    (anyWithoutReceptor ? " or has no receptor (street side 3)." : "."));
        EXPECT_FALSE(fs::exists(work("Out.txt")));
    }
}

TEST(StreetThreadsSetting, IsADigitsOnlyCountFromOneTo4096) {
    struct Case {
        const char *text;
        std::optional<int> threads;
    };
    for (const Case &c :
         {Case{"1", 1}, Case{"3", 3}, Case{"08", 8}, Case{"4096", 4096}, Case{"0", std::nullopt},
          Case{"-1", std::nullopt}, Case{"abc", std::nullopt}, Case{"1e9", std::nullopt},
          Case{" 2", std::nullopt}, Case{"2 ", std::nullopt}, Case{"+2", std::nullopt},
          Case{"4097", std::nullopt}, Case{"1000000000", std::nullopt}, Case{"", std::nullopt}}) {
        EXPECT_EQ(run::threadCountSetting(c.text), c.threads) << "\"" << c.text << "\"";
    }
}

TEST(StreetThreadsSetting, ThatIsNoCountIsSaidOnStandardErrorAndTheDefaultTaken) {
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (const char *text : {"0", "-1", "abc", "1e9", " 2"}) {
        const StreetThreads keep(1); // puts the variable back afterwards
        setenv("WINVESK_THREADS", text, 1);
        ::testing::internal::CaptureStderr();
        const int threads = run::streetThreads(1000);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(threads, hardware) << text;
        EXPECT_EQ(said, std::string("WinVESK: WINVESK_THREADS=\"") + text +
                            "\" is not a whole number of threads from 1 to 4096; the run goes on with the "
                            "default, one thread per hardware thread.\n");
    }
    const StreetThreads two(2);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run::streetThreads(1000), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "a valid count is taken without a word";
}
