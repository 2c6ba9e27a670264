#include "project/InitProgram.h"

#include "project/Batch.h"
#include "project/CommandLine.h"

#include "core/CoreTestData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct Start {
    ProjectState state;
    ScriptedInteraction ui;
    MemorySettings settings;
    int chooserCalls = 0;
    CountryChooser chooser;
    bool run(const ProgramDir &dir) {
        CountryChooser counting = [this](CoreState &s) {
            ++chooserCalls;
            if (chooser) {
                chooser(s);
            }
        };
        return InitProgram(state, dir.path(), ui, settings, counting);
    }
};

} // namespace

TEST(InitProgram, StartsOnTheDemoCountryWithoutAnyMessage) {
    ProgramDir dir;
    Start start;
    ASSERT_TRUE(start.run(dir));
    const ProjectState &s = start.state;
    EXPECT_TRUE(start.ui.messages.empty()) << start.ui.messages.front();
    EXPECT_EQ(start.chooserCalls, 0);
    EXPECT_EQ(s.ErrorCode, 0);
    EXPECT_TRUE(s.ProjectLoaded);
    EXPECT_TRUE(s.ShowFileDialog);
    EXPECT_EQ(s.AppDir, dir.appDir());
    EXPECT_EQ(s.CurrentCountry, "Demoland");
    EXPECT_EQ(s.CountryCode, "DL");
    EXPECT_EQ(s.LoadedCountry, "Demoland");
    EXPECT_EQ(s.StartCountry, "Demoland");
    EXPECT_EQ(s.ListsDir, dir.appDir() + "Lists/National/DL/");
    EXPECT_EQ(s.MetBackDir, dir.appDir() + "Data/MetBack/National/DL/");
    EXPECT_EQ(s.SharedListsDir, dir.appDir() + "Lists/Shared/");
    EXPECT_FALSE(s.MathParsText.empty());
    EXPECT_EQ(s.ModelEnv.MathPars, s.MathParsText);
    EXPECT_EQ(s.ModelEnv.CountryCode, "DL");
    EXPECT_EQ(s.StVehTypeCount, 5);
    EXPECT_EQ(s.StVehTypeNames[1], "PCPetrol");
    EXPECT_EQ(s.StVehTypeLengthClass[4], 2);
    EXPECT_EQ(s.StFuelCount, 2);
    EXPECT_EQ(s.StFuelNames[2], "Diesel");
    EXPECT_EQ(s.NPol, 7);
}

TEST(InitProgram, AProgramFolderEndingInASeparatorGetsNoSecondOne) {
    ProgramDir dir;
    Start start;
    ProjectState &s = start.state;
    ASSERT_TRUE(InitProgram(s, dir.appDir(), start.ui, start.settings, nullptr));
    EXPECT_EQ(s.AppDir, dir.appDir());
}

TEST(InitProgram, CountriesWithoutDefaultAskAndACancelledChoiceStopsSilently) {
    ProgramDir dir;
    dir.write("Countries.ini", "Country Code Default\r\n");
    fs::remove(dir.dir.path() / "MathPars.ini");
    Start start;
    EXPECT_FALSE(start.run(dir));
    EXPECT_EQ(start.chooserCalls, 1);
    EXPECT_EQ(start.state.ErrorCode, 100);
    EXPECT_TRUE(start.state.CountryDialogShown);
    EXPECT_TRUE(start.ui.messages.empty());
    EXPECT_TRUE(start.state.MathParsText.empty());
    EXPECT_EQ(start.state.StVehTypeCount, 0);
}

TEST(InitProgram, AddedCountriesJoinTheListAtFirstStartAndTheChoiceIsUsed) {
    ProgramDir dir;
    dir.write("Countries.ini", "Country Code Default\r\n\"Demoland\",\"DL\",#FALSE#\r\n");
    Start start;
    start.settings.setValue("NewCountries", "Country Names",
                            R"("Utopia","UT","DEMOLAND","XX","Erewhon","EW")");
    start.chooser = [](CoreState &s) {
        EXPECT_EQ(s.CountryList.count(), 3);
        s.CurrentCountry = "Demoland";
        s.CountryCode = "DL";
    };
    ASSERT_TRUE(start.run(dir));
    const ProjectState &s = start.state;
    EXPECT_TRUE(s.CountryDialogShown);
    EXPECT_EQ(s.CountryList.item("utopia").code, "UT");
    EXPECT_EQ(s.CountryList.item("Erewhon").code, "EW");
    EXPECT_EQ(s.CountryList.item("Demoland").code, "DL");
    EXPECT_EQ(s.ListsDir, dir.appDir() + "Lists/National/DL/");
}

TEST(InitProgram, BlankAddedCountriesAddNothing) {
    ProgramDir dir;
    dir.write("Countries.ini", "Country Code Default\r\n\"Demoland\",\"DL\",#FALSE#\r\n");
    Start start;
    start.settings.setValue("NewCountries", "Country Names", "   ");
    EXPECT_FALSE(start.run(dir));
    EXPECT_EQ(start.state.CountryList.count(), 1);
}

TEST(InitProgram, TheLastCountryMarkedDefaultWins) {
    ProgramDir dir;
    dir.write("Countries.ini",
              "Country Code Default\r\n\"Utopia\",\"UT\",#TRUE#\r\n\"Demoland\",\"DL\",#TRUE#\r\n");
    Start start;
    ASSERT_TRUE(start.run(dir));
    EXPECT_EQ(start.state.CurrentCountry, "Demoland");
    EXPECT_EQ(start.state.CountryList.count(), 2);
}

struct StartFailure {
    const char *file;    // relative to the program folder; nullptr = remove Countries.ini
    const char *content; // nullptr = remove the file
    const char *message; // expected after "Can't start the program\r\n", {dir} = program folder
};

class InitProgramFailure : public ::testing::TestWithParam<StartFailure> {};

TEST_P(InitProgramFailure, StopsWithOneCriticalMessageNamingTheCause) {
    ProgramDir dir;
    const StartFailure &f = GetParam();
    if (f.content == nullptr) {
        fs::remove(dir.dir.path() / f.file);
    } else {
        dir.write(f.file, f.content);
    }
    Start start;
    EXPECT_FALSE(start.run(dir));
    EXPECT_EQ(start.state.ErrorCode, 100);
    ASSERT_EQ(start.ui.messages.size(), 1u);
    std::string expected = std::string("Can't start the program\r\n") + f.message;
    const std::size_t at = expected.find("{dir}");
    if (at != std::string::npos) {
        expected.replace(at, 5, dir.appDir());
    }
    EXPECT_EQ(start.ui.messages[0].substr(0, expected.size()), expected);
    EXPECT_FALSE(start.state.ProjectLoaded);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, InitProgramFailure,
    ::testing::Values(
        StartFailure{"Countries.ini", nullptr, "The file {dir}Countries.ini is missing!"},
        StartFailure{"Countries.ini",
                     "Country Code Default\r\n\"Demoland\",\"DL\",#TRUE#\r\n\"demoland\",\"D2\",#FALSE#\r\n",
                     "This key is already associated with an element of this collection"},
        StartFailure{"Lists/Shared/StVehTypes.lst", "\"Car\",\"Cars\",1\r\n\"Bus\",\"Buses\"\r\n",
                     "Unexpected End of File in {dir}Lists/Shared/StVehTypes.lst"},
        StartFailure{"Lists/National/DL/Pollutants.lst", nullptr,
                     "The file {dir}Lists/National/DL/Pollutants.lst is missing!"},
        StartFailure{"Lists/National/DL/PercDef.lst",
                     "Name, Fraction, nMax, Type\r\n\"98_Perc\",0.02,x,0\r\n", "Type mismatch"}));

TEST(InitProgram, EmptySharedListsLeaveTheirCountsAtZero) {
    ProgramDir dir;
    dir.write("Lists/Shared/StFuels.lst", "");
    dir.write("Lists/Shared/StVehTypes.lst", "\r\n");
    Start start;
    ASSERT_TRUE(start.run(dir));
    EXPECT_EQ(start.state.StFuelCount, 0);
    EXPECT_EQ(start.state.StFuelNames.size(), 1u);
    EXPECT_EQ(start.state.StVehTypeCount, 0);
}

TEST(InitProgram, APercentileFractionOutsideZeroToOneStopsTheStartNamingFileAndLine) {
    ProgramDir dir;
    dir.write("Lists/National/DL/PercDef.lst",
              "Name, Fraction, nMax, Type\r\n\"98_Perc\",0.02,176,0\r\n\"99.8_Perc\",2,19,0\r\n");
    Start start;
    EXPECT_FALSE(start.run(dir));
    ASSERT_EQ(start.ui.messages.size(), 1u);
    EXPECT_EQ(start.ui.messages[0], "Can't start the program\r\n" + dir.appDir() +
                                        "Lists/National/DL/PercDef.lst, line 3: the fraction 2 of 99.8_Perc lies "
                                        "outside 0 to 1.");
}

TEST(InitProgram, ABatchStartWithoutADefaultCountrySaysWhatIsWrongWithWhichFile) {
    struct Case {
        const char *countries;
        const char *says;
    };
    for (const Case &k : {Case{"Country Code Default\r\n", "lists no country."},
                          Case{"Country Code Default\r\n\"Demoland\",\"DL\",#FALSE#\r\n",
                               "marks no country as the default (#TRUE# in its third column), and in batch no "
                               "window can ask for one."}}) {
        SCOPED_TRACE(k.countries);
        ProgramDir dir;
        dir.write("Countries.ini", k.countries);
        Start start;
        CommandLine line;
        line.projectFile = dir.appDir() + "Project.vkp";
        line.batch = true;
        auto startUp = [&](ProjectState &s, Interaction &ui) {
            return InitProgram(s, dir.path(), ui, start.settings, [](CoreState &) {});
        };
        EXPECT_EQ(runBatch(start.state, start.ui, line, startUp, nullptr), kExitFailed);
        ASSERT_EQ(start.ui.messages.size(), 1u);
        EXPECT_EQ(start.ui.messages[0],
                  "Can't start the program\r\nThe file " + dir.appDir() + "Countries.ini " + k.says);
    }
}

TEST(InitProgram, AListThatIsAFolderOrAPipeIsSaidToBeNoRegularFileNotMissing) {
    struct Case {
        const char *file;
        bool pipe; // else a folder
        const char *kind;
    };
    for (const Case &c : {Case{"Lists/National/DL/Pollutants.lst", false, "it is a folder"},
                          Case{"Lists/Shared/StFuels.lst", true, "it is a device, a pipe or a socket"},
                          Case{"Countries.ini", true, "it is a device, a pipe or a socket"}}) {
        SCOPED_TRACE(c.file);
        ProgramDir dir;
        const fs::path path = dir.dir.path() / c.file;
        fs::remove(path);
        if (c.pipe) {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        } else {
            fs::create_directory(path);
        }
        Start start;
        EXPECT_FALSE(start.run(dir)) << "the start neither waits for a writer of the pipe nor goes on";
        ASSERT_EQ(start.ui.messages.size(), 1u);
        EXPECT_EQ(start.ui.messages[0], "Can't start the program\r\nThe file " + path.string() +
                                            " is not a regular file: " + c.kind +
                                            ", which cannot be read as a list.");
    }
}
