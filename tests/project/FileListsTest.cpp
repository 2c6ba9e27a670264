#include "project/FileLists.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectState.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

ProjectState threeInputs() {
    ProjectState s;
    setDemolandCountry(s);
    fillSingleStreetProject(s);
    s.ProjectChanged = false;
    return s;
}

} // namespace

TEST(FileLists, AddingAfterTheSecondInputFileInsertsItThirdWithStartLists) {
    ProjectState s = threeInputs();
    std::string error;
    EXPECT_EQ(addFile(s, kInputFileKind, 1, "Extra.txt", &error), 2);
    EXPECT_EQ(s.NumInputFiles, 4);
    EXPECT_EQ(s.InputFiles[2], "Back2023.txt");
    EXPECT_EQ(s.InputFiles[3], "Extra.txt");
    EXPECT_EQ(s.InputFiles[4], "Obs2023.txt");
    EXPECT_EQ(s.InputVarLists[4], "year, month, day, hour, cNOx_obs_1, cNOx_obs_2, cNO2_obs_1, cNO2_obs_2");
    EXPECT_EQ(s.InputVarLists[3], "");
    EXPECT_EQ(s.InputFormatLists[3], "*");
    EXPECT_EQ(s.InputScalingLists[3], "*");
    EXPECT_TRUE(s.InputFileChecked[3]);
    EXPECT_EQ(fileColour(s, kInputFileKind, 2), FileColour::Red);
    EXPECT_TRUE(TestVariableList(s));
    EXPECT_TRUE(s.ProjectChanged);
    EXPECT_EQ(s.NumFileRecords, 9);
}

TEST(FileLists, FirstFileOfAnEmptyListAndNewStatisticsFileStartRed) {
    ProjectState s;
    std::string error;
    EXPECT_EQ(addFile(s, kStatFileKind, -1, "Stat.txt", &error), 0);
    EXPECT_EQ(s.NumStatFiles, 1);
    s.StatVarLists[1] = "Av";
    EXPECT_EQ(fileColour(s, kStatFileKind, 0), FileColour::Red); // rows list still empty
    s.StatRowLists[1] = "NOx_mod";
    EXPECT_EQ(fileColour(s, kStatFileKind, 0), FileColour::Black);
    setFileChecked(s, kStatFileKind, 0, false);
    EXPECT_EQ(fileColour(s, kStatFileKind, 0), FileColour::Grey);
    EXPECT_FALSE(TestVariableList(s));
}

TEST(FileLists, RefusedAddsChangeNothing) {
    ProjectState s = threeInputs();
    for (int i = 4; i <= kMaxFilesPerKind; ++i) {
        ASSERT_GE(addFile(s, kInputFileKind, i - 2, "In" + std::to_string(i) + ".txt", nullptr), 0);
    }
    s.ProjectChanged = false;
    const ProjectState before = s;
    struct Case {
        int kind;
        std::string name;
        std::string message;
    };
    for (const Case &c :
         {Case{kInputFileKind, "In21.txt", "A file list holds at most 20 files"},
          Case{kOutputFileKind, "Bad\"name.txt", "must not contain a double quote"},
          Case{kOutputFileKind, "", "No file name"}, Case{0, "x.txt", "No File List is selected"}}) {
        std::string error;
        EXPECT_EQ(addFile(s, c.kind, 0, c.name, &error), -1) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    EXPECT_EQ(s.NumInputFiles, 20);
    EXPECT_EQ(s.NumOutputFiles, before.NumOutputFiles);
    EXPECT_EQ(s.InputFiles, before.InputFiles);
    EXPECT_FALSE(s.ProjectChanged);
}

TEST(FileLists, ChangingAFileKeepsItsListsAndIncludesItAgain) {
    ProjectState s = threeInputs();
    s.InputFileChecked[2] = false;
    std::string error;
    ASSERT_TRUE(changeFile(s, kInputFileKind, 1, "Back2024.txt", &error));
    EXPECT_EQ(s.InputFiles[2], "Back2024.txt");
    EXPECT_TRUE(s.InputFileChecked[2]);
    EXPECT_EQ(s.InputVarLists[2],
              "year, month, day, hour, cNOx_b, cNO2_b, cO3_b, cCO_b, cPM10_b, cPM2.5_b, cBNZ_b");
    EXPECT_TRUE(s.ProjectChanged);
    EXPECT_FALSE(changeFile(s, kInputFileKind, 3, "x.txt", &error));
    EXPECT_EQ(error, "No File is selected");
}

TEST(FileLists, RemovingShiftsTheRestUpAndRecounts) {
    ProjectState s = threeInputs();
    ASSERT_TRUE(removeFile(s, kInputFileKind, 0, nullptr));
    EXPECT_EQ(s.NumInputFiles, 2);
    EXPECT_EQ(s.InputFiles[1], "Back2023.txt");
    EXPECT_EQ(s.InputFiles[2], "Obs2023.txt");
    EXPECT_EQ(s.InputVarLists[2], "year, month, day, hour, cNOx_obs_1, cNOx_obs_2, cNO2_obs_1, cNO2_obs_2");
    EXPECT_EQ(s.NumFileRecords, 7);
    EXPECT_TRUE(s.ProjectChanged);
}

TEST(FileLists, MovingSwapsEveryColumnAndMarksTheProjectChanged) {
    ProjectState s = threeInputs();
    s.InputFileChecked[3] = false;
    EXPECT_EQ(moveFile(s, kInputFileKind, 0, true), 0);  // top cannot go up
    EXPECT_EQ(moveFile(s, kInputFileKind, 2, false), 2); // bottom cannot go down
    EXPECT_FALSE(s.ProjectChanged);
    EXPECT_EQ(moveFile(s, kInputFileKind, 2, true), 1);
    EXPECT_EQ(s.InputFiles[2], "Obs2023.txt");
    EXPECT_FALSE(s.InputFileChecked[2]);
    EXPECT_EQ(s.InputVarLists[2], "year, month, day, hour, cNOx_obs_1, cNOx_obs_2, cNO2_obs_1, cNO2_obs_2");
    EXPECT_EQ(s.InputFiles[3], "Back2023.txt");
    EXPECT_TRUE(s.InputFileChecked[3]);
    EXPECT_TRUE(s.ProjectChanged);

    ProjectState stats = threeInputs();
    addFile(stats, kStatFileKind, 0, "Second.txt", nullptr);
    moveFile(stats, kStatFileKind, 1, true);
    EXPECT_EQ(stats.StatFiles[1], "Second.txt");
    EXPECT_EQ(stats.StatRowLists[1], "");
    EXPECT_EQ(stats.StatRowLists[2], "NOx_mod, NO2_mod, PM10_mod");
}

TEST(FileLists, RunNeedsACheckedHourlyInputFile) {
    ProjectState s = threeInputs();
    EXPECT_TRUE(runEnabled(s));
    for (int p = 0; p < 3; ++p) {
        setFileChecked(s, kInputFileKind, p, false);
    }
    EXPECT_FALSE(runEnabled(s));
    EXPECT_TRUE(s.ProjectChanged);
    setFileChecked(s, kInputFileKind, 1, true);
    EXPECT_TRUE(runEnabled(s));
    // A checked entry beyond the count does not count.
    s.NumInputFiles = 1;
    EXPECT_FALSE(runEnabled(s));
}

TEST(FileLists, TrafficFileInUseIsTheCheckedTopItem) {
    ProjectState s = threeInputs();
    addFile(s, kTrafficFileKind, 0, "Other.trf", nullptr);
    EXPECT_EQ(s.TrafficFile, "Other.trf");
    EXPECT_EQ(s.TrafficListItems, (std::vector<std::string>{"Other.trf", "DemoStreet.trf"}));
    EXPECT_FALSE(fileChecked(s, kTrafficFileKind, 1));

    EXPECT_TRUE(setFileChecked(s, kTrafficFileKind, 1, true));
    EXPECT_EQ(s.TrafficFile, "DemoStreet.trf");
    EXPECT_EQ(s.TrafficListItems.front(), "DemoStreet.trf");
    EXPECT_TRUE(fileChecked(s, kTrafficFileKind, 0));
    EXPECT_FALSE(fileChecked(s, kTrafficFileKind, 1));

    EXPECT_TRUE(removeFile(s, kTrafficFileKind, 0, nullptr));
    EXPECT_EQ(s.TrafficFile, "");
    EXPECT_FALSE(s.TrafficFileLoaded);
    EXPECT_EQ(s.TrafficListItems, (std::vector<std::string>{"Other.trf"}));
    EXPECT_EQ(trafficFilePath(s), "");
    EXPECT_EQ(s.NumFileRecords, 7);
}

TEST(FileLists, StoredNamesInWindowsFormFindTheirFilesOnThisSystem) {
    TempDir dir;
    const std::string appDir = dir.path().string() + "/";
    dir.write("Working/DemoStreet.trf", "x");
    dir.write("Data/Traffic/National/DL/Urban.trf", "x");
    dir.write("Elsewhere/Sub/Main.trf", "x");
    ProjectState s;
    setDemolandCountry(s, appDir);
    s.WorkDir = appDir + "Working/";
    struct Case {
        std::string stored;
        std::string expected;
    };
    for (const Case &c : {Case{"DemoStreet.trf", appDir + "Working/DemoStreet.trf"},
                          Case{"DEMOSTREET.TRF", appDir + "Working/DemoStreet.trf"},
                          Case{".\\Urban.trf", appDir + "Data/Traffic/National/DL/Urban.trf"},
                          Case{".\\urban.TRF", appDir + "Data/Traffic/National/DL/Urban.trf"},
                          Case{appDir + "elsewhere\\sub\\main.trf", appDir + "Elsewhere/Sub/Main.trf"}}) {
        s.TrafficFile = c.stored;
        EXPECT_EQ(trafficFilePath(s), c.expected) << c.stored;
    }
}
