// The period a run is asked for against the data it finds: an end before
// the start is said as such, and the hours of the period that had no data
// are counted in the run's closing note, in the window and in batch.

#include "run/RunFixture.h"

#include "core/Calendar.h"
#include "support/PlainStage.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// Hours of 6 and 7 March 2023 (1..48), but those in skip.
std::string hours(int count, const std::vector<int> &skip = {}) {
    std::string out;
    for (int h = 1; h <= count; ++h) {
        if (std::find(skip.begin(), skip.end(), h) != skip.end()) {
            continue;
        }
        out += "2023,3," + std::to_string(6 + (h - 1) / 24) + "," + std::to_string((h - 1) % 24 + 1) +
               ",3,200,10,0,30,20,40\r\n";
    }
    return out;
}

class RunPeriod : public RunFixture {
protected:
    void loadSingle(const std::string &hourLines) {
        writeWork("Hours.txt", hourLines);
        loadProject("Test.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                             outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                             {".\\CityStreet.trf", "traffic", {"20000", "40"}}}));
    }
    void setPeriod(PeriodDate start, int startHour, PeriodDate end, int endHour) {
        state.StartAuto = state.EndAuto = false;
        state.StartDate = start;
        state.StartHour = startHour;
        state.EndDate = end;
        state.EndHour = endHour;
    }
};

} // namespace

TEST_F(RunPeriod, AnEndBeforeTheStartIsSaidAsSuchBeforeAnythingIsOpened) {
    ASSERT_NO_FATAL_FAILURE(loadSingle(hours(48)));
    for (const auto &[endDay, endHour] : {std::pair{6, 24}, std::pair{7, 0}}) {
        setPeriod({2023, 3, 7}, 1, {2023, 3, endDay}, endHour);
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::NoData);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0],
                  "The end of the period, 2023-03-0" + std::to_string(endDay) + " hour " +
                      std::to_string(endHour) +
                      ", lies before its start, 2023-03-07 hour 1: no hour lies within it.\r\n"
                      "Set an end that follows the start.");
        EXPECT_EQ(report.error, ui.messages[0]);
        EXPECT_FALSE(fs::exists(work("Out.txt")));
        ui.messages.clear();
    }
    // A period of a single hour is no error.
    setPeriod({2023, 3, 7}, 1, {2023, 3, 7}, 1);
    EXPECT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(fileLines(work("Out.txt")).size(), 2u);
}

TEST_F(RunPeriod, HoursOfThePeriodWithoutDataAreCountedInTheClosingNote) {
    struct Case {
        std::vector<int> skip;
        PeriodDate end;
        int endHour;
        std::string note; // "" = none
    };
    for (const Case &c :
         {Case{{},
               {2023, 3, 9},
               24,
               "The period 2023-03-06 hour 1 to 2023-03-09 hour 24 holds 96 hours; the input files "
               "gave 48 of them: 48 hours of the period had no data."},
          Case{{5, 6, 7},
               {2023, 3, 7},
               24,
               "The period 2023-03-06 hour 1 to 2023-03-07 hour 24 holds 48 hours; the input files "
               "gave 45 of them: 3 hours of the period had no data."},
          Case{{}, {2023, 3, 7}, 24, ""}}) {
        SCOPED_TRACE(c.note);
        ASSERT_NO_FATAL_FAILURE(loadSingle(hours(48, c.skip)));
        setPeriod({2023, 3, 6}, 1, c.end, c.endHour);
        const RunReport report = run();
        ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
        if (c.note.empty()) {
            EXPECT_EQ(said().find("had no data"), std::string::npos) << said();
        } else {
            ASSERT_FALSE(ui.messages.empty());
            EXPECT_NE(ui.messages.back().find(c.note), std::string::npos) << said();
        }
        ui.messages.clear();
    }
    // Without a period of its own the run takes what the data hold.
    state.StartAuto = state.EndAuto = true;
    EXPECT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_EQ(said().find("had no data"), std::string::npos) << said();
}

TEST_F(RunPeriod, AMultiStreetRunCountsTheHoursOfItsDataOnceWhateverItsStreetsAndThreads) {
    writeWork("Hours.txt", hours(48));
    writeWork("Streets.txt",
              "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
              "#TRUE#,\"South\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,160,0,2,0\r\n"
              "#TRUE#,\"East\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,160,0,2,0\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Streets.vkm", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                    statFile("Streets.sum", "\"Street\",AvNOx_mod_1", "streets", "0,0.0"),
                                    {"Streets.txt", "streets", {}}},
                                   "Streets")));
    for (const int threads : {1, 3}) {
        const StreetThreads streetThreads(threads);
        setPeriod({2023, 3, 5}, 1, {2023, 3, 7}, 24);
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
        EXPECT_NE(
            said().find("holds 72 hours; the input files gave 48 of them: 24 hours of the period had no "
                        "data."),
            std::string::npos)
            << threads << " threads\n"
            << said();
        ui.messages.clear();
    }
}

WINVESK_PLAIN_STAGE("RunPeriod.TheBatchSaysAnEndBeforeTheStartAndTheHoursOfAPeriodBeyondTheData",
                    StartsTheProgram);

TEST_F(RunPeriod, TheBatchSaysAnEndBeforeTheStartAndTheHoursOfAPeriodBeyondTheData) {
    ASSERT_NO_FATAL_FAILURE(loadSingle(hours(48)));
    const ProgramRun before = runWinvesk({work("Test.vkp").string(), "1", "20230307", "1", "20230306", "24"});
    EXPECT_EQ(before.status, 1) << before.output;
    EXPECT_NE(before.output.find("lies before its start, 2023-03-07 hour 1"), std::string::npos)
        << before.output;
    EXPECT_EQ(before.output.find("No data within"), std::string::npos) << before.output;

    const ProgramRun beyond = runWinvesk({work("Test.vkp").string(), "1", "20230101", "1", "99991231", "24"});
    EXPECT_EQ(beyond.status, 0) << beyond.output;
    const long periodHours = (daysFromCivil(9999, 12, 31) - daysFromCivil(2023, 1, 1) + 1) * 24;
    EXPECT_NE(beyond.output.find("The period 2023-01-01 hour 1 to 9999-12-31 hour 24 holds " +
                                 std::to_string(periodHours) + " hours; the input files gave 48 of them: " +
                                 std::to_string(periodHours - 48) + " hours of the period had no data."),
              std::string::npos)
        << beyond.output;
}
