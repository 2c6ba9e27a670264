// A street side or receptor flag without a meaning once switched the
// street's receptors off without a word: every modelled value -99 and a batch
// exit status of 0. The batch run refuses both now, naming the file, the
// line and the field, and writes nothing.

#include "run/RunFixture.h"

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
