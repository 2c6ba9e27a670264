// A street side or receptor flag without a meaning once switched the
// street's receptors off without a word: every modelled value -99 and a batch
// exit status of 0; a side that is no whole number was rounded to another
// side, and a street line cut short took its items from the next line. The
// batch run refuses each now, naming the file, the line and the field or
// street, and writes nothing.

#include "run/RunFixture.h"
#include "support/PlainStage.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class StreetSidesRun : public RunFixture {
protected:
    StreetSidesRun() {
        std::string hours;
        for (int h = 1; h <= 24; ++h) {
            hours += "2023,3,6," + std::to_string(h) + ",3,200,10,0,30,20,40\r\n";
        }
        writeWork("Hours.txt", hours);
    }
    std::vector<FileRecord> files() const {
        return {inputFile("Hours.txt", kMarchHourVariables),
                outputFile("Out.txt", "day,hour,cNOx_mod_1,cNOx_mod_2", "0,*"),
                {".\\CityStreet.trf", "traffic", {"20000", "40"}}};
    }
};

} // namespace

WINVESK_PLAIN_STAGE("StreetSidesRun.*", StartsTheProgram);

TEST_F(StreetSidesRun, AStreetsFileSideWithoutAMeaningEndsTheBatchRunNamingFileLineAndField) {
    writeWork("Streets.txt",
              "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
              "#TRUE#,\"South\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,160,1000,2,0\r\n");
    std::vector<FileRecord> records = files();
    records.push_back({"Streets.txt", "streets", {}});
    writeWork("Streets.vkm", projectText(records, "Streets"));
    const ProgramRun r = runWinvesk({work("Streets.vkm").string(), "1"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(
        r.output.find(work("Streets.txt").string() +
                      ", line 2: the street side 1000 is out of range (0 both sides, 1 side 1, 2 side 2, "
                      "3 none)"),
        std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(work("Out.txt"))) << "no street's values are written";
}

TEST_F(StreetSidesRun, AProjectReceptorFlagWithoutAMeaningEndsTheBatchRunNamingFileLineAndField) {
    std::string project = projectText(files());
    const std::string receptors = "          1             1             2 \r\n";
    ASSERT_NE(project.find(receptors), std::string::npos);
    project.replace(project.find(receptors), receptors.size(),
                    "          3             1             2 \r\n");
    writeWork("Test.vkp", project);
    const ProgramRun r = runWinvesk({work("Test.vkp").string(), "1"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("Project file is corrupted\r\n" + work("Test.vkp").string() +
                            ", line 14: the receptor of side 1 is 3 (1 in use, 0 not in use)"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(work("Out.txt")));
}

namespace {

struct DamagedSource {
    const char *name;
    const char *file; // Streets.txt or Route.txt
    std::string text;
    const char *expected; // after the file's path
};

void PrintTo(const DamagedSource &c, std::ostream *out) {
    *out << c.name;
}

class DamagedStreetSources : public StreetSidesRun, public ::testing::WithParamInterface<DamagedSource> {};

} // namespace

WINVESK_PLAIN_STAGE("*DamagedStreetSources.*", StartsTheProgram);

TEST_P(DamagedStreetSources, EndTheBatchRunNamingFileLineAndFieldAndWriteNothing) {
    const DamagedSource &c = GetParam();
    writeWork(c.file, c.text);
    std::vector<FileRecord> records = files();
    const bool route = std::string(c.file) == "Route.txt";
    records.push_back({c.file, route ? "route" : "streets", {}});
    const std::string project = route ? "Route.vkp" : "Streets.vkm";
    writeWork(project, projectText(records, "Streets"));
    const ProgramRun r = runWinvesk({work(project).string(), "1"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(work(c.file).string() + c.expected), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(work("Out.txt"))) << "no street's values are written";
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedStreetSources,
    ::testing::Values(
        DamagedSource{
            "a street side of one and a half", "Streets.txt",
            "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
            "#TRUE#,\"South\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,160,1.5,2,0\r\n",
            ", line 2: the street side 1.5 is not a whole number (0 both sides, 1 side 1, 2 side 2, 3 "
            "none)"},
        DamagedSource{"a route's street side just below one", "Route.txt",
                      "\"Walk\",\"Anna\",1,1,0,1,5,1500,\"2023-03-06 07:40\",\"2023-03-06 08:00\",1200,"
                      "\".\\CityStreet.trf\",22000,40,20,18,150,150,20,0.9,2,0\r\n",
                      ", line 1: the street side 0.9 is not a whole number (1 side 1, 2 side 2, 0 none)"},
        DamagedSource{"a street line without its count of wind sectors", "Streets.txt",
                      "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2\r\n"
                      "#TRUE#,\"South\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,160,1,2,0\r\n",
                      ", line 1: the line of the street \"North\" holds 14 items, but a street record is one "
                      "line of 15 items"}),
    [](const auto &info) { return test::testNameOf(info.param.name); });
