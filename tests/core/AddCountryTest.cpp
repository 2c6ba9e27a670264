// Adding a country on a private copy of the program folder: the three ways
// of providing its data, the refusals, and the rollback of failed attempts.

#include "core/AddCountry.h"

#include "core/CountryLists.h"
#include "project/InitProgram.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>

using namespace vesk;
using namespace vesk::test;

namespace {

const char *const kCodeQuestion =
    "Enter the Country Code. The Country Code will be used for naming the sub-folders with the national data "
    "settings.";

struct Progress : CopyProgress {
    int starts = 0, files = 0, finishes = 0;
    std::vector<std::string> targets;
    void start() override { ++starts; }
    void copying(const std::string &, const std::string &to) override {
        ++files;
        targets.push_back(to);
    }
    void copied() override {}
    void finish() override { ++finishes; }
};

struct AddingCountry : ::testing::Test {
    TempDir dir;
    ProjectState s;
    ScriptedInteraction ui;
    MemorySettings settings;
    Progress progress;
    NewCountryOption option = NewCountryOption::Defaults;
    std::optional<std::string> packageFolder;
    int folderQuestions = 0;

    void SetUp() override {
        copyDataTree(dir.path());
        s.CurrentYear = 2020;
        ASSERT_TRUE(InitProgram(s, dir.path().string(), ui, settings, nullptr));
        ui.messages.clear();
    }
    std::string app() const { return s.AppDir; }
    bool exists(const std::string &relative) const { return fs::exists(app() + relative); }

    // Every path below the program folder, to compare before and after.
    std::set<std::string> tree() const {
        std::set<std::string> paths;
        for (const auto &e : fs::recursive_directory_iterator(app())) {
            paths.insert(e.path().string() + (e.is_regular_file() ? "=" + readFile(e.path()) : ""));
        }
        return paths;
    }

    std::string add(std::deque<std::optional<std::string>> inputs, std::deque<Answer> answers = {}) {
        ui.inputs = std::move(inputs);
        ui.answers = std::move(answers);
        AddCountryHooks hooks;
        hooks.chooseOption = [this] { return option; };
        hooks.chooseSourceFolder = [this] {
            ++folderQuestions;
            return packageFolder;
        };
        hooks.progress = &progress;
        hooks.year = 2004;
        return AddNewCountry(s, settings, ui, hooks);
    }

    bool messageContains(const std::string &text) const {
        for (const auto &m : ui.messages) {
            if (m.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    // A package folder with the demo country's lists and its traffic file.
    std::string makePackage(const std::string &filesLst) {
        const std::string pkg = dir.path().string() + "/package/";
        fs::create_directories(pkg);
        for (const char *name : {"Pollutants.lst", "Scenarios.lst", "UrbEmi.lst", "UrbEmiFiles.lst",
                                 "DateNames.lst", "PercDef.lst", "LimValDef.lst", "Fleet2020.vlf"}) {
            fs::copy_file(app() + "Lists/National/DL/" + name, pkg + name);
        }
        fs::copy_file(app() + "Data/Traffic/National/DL/CityStreet.trf", pkg + "CityStreet.trf");
        std::ofstream(pkg + "Files.lst", std::ios::binary) << filesLst;
        return pkg;
    }
};

const char *const kPackageList = "AppPath\\Lists\\National\\Code\\Pollutants.lst,"
                                 "AppPath\\Lists\\National\\Code\\Scenarios.lst\r\n"
                                 "\"AppPath\\Lists\\National\\Code\\UrbEmi.lst\"\r\n"
                                 "AppPath\\Lists\\National\\Code\\UrbEmiFiles.lst\r\n"
                                 "AppPath\\Lists\\National\\Code\\DateNames.lst\r\n"
                                 "AppPath\\Lists\\National\\Code\\PercDef.lst\r\n"
                                 "AppPath\\Lists\\National\\Code\\LimValDef.lst\r\n"
                                 "AppPath\\Lists\\National\\Code\\Fleet2020.vlf\r\n"
                                 "AppPath\\Data\\Traffic\\National\\Code\\CityStreet.trf\r\n";

} // namespace

// ---- Default data from the templates ------------------------------------------------------

TEST_F(AddingCountry, DefaultDataMakesTheFoldersListsAndDatedFleetAndTheNewCountrysListsLoad) {
    // A template written in another letter case still gives the list its own name.
    fs::rename(app() + "NewCountry/Pollutants.lst", app() + "NewCountry/POLLUTANTS.lst");
    const std::string name = add({"Newland", "NL"}, {Answer::Ok});
    ASSERT_EQ(name, "Newland") << (ui.messages.empty() ? "" : ui.messages.back());
    for (const char *folder : {"Lists/National/NL", "Data/Emission/National/NL", "Data/Traffic/National/NL",
                               "Data/MetBack/National/NL"}) {
        EXPECT_TRUE(fs::is_directory(app() + folder)) << folder;
    }
    EXPECT_TRUE(exists("Lists/National/NL/Pollutants.lst")) << "the lists keep the names the loader reads";
    EXPECT_FALSE(exists("Lists/National/NL/POLLUTANTS.lst"));
    EXPECT_TRUE(exists("Data/Traffic/National/NL/FleetShare.xls"));
    EXPECT_TRUE(exists("Data/Emission/National/NL/Fuel.xls"));
    const std::string fleet = readFile(app() + "Lists/National/NL/VehiclesNL_2004.vlf");
    const std::string original = readFile(app() + "NewCountry/Vehicles.vlf");
    EXPECT_EQ(fleet.substr(0, fleet.find('\r')), "\"NL\",2004");
    EXPECT_EQ(fleet.substr(fleet.find('\n')), original.substr(original.find('\n')))
        << "only the first line is changed";
    EXPECT_EQ(readFile(app() + "Lists/National/NL/FuelsNL_2004.flf").substr(0, 11), "\"NL\",2004\r\n");
    EXPECT_EQ(readFile(app() + "Lists/National/NL/Scenarios.lst"),
              "\"\",2004,2004\r\n2004,\".\\VehiclesNL_2004.vlf\",\".\\FuelsNL_2004.flf\"\r\n");

    ASSERT_NE(s.CountryList.find("Newland"), nullptr);
    EXPECT_EQ(s.CountryList.find("Newland")->code, "NL");
    EXPECT_FALSE(s.CountryList.find("Newland")->IsDefault);
    EXPECT_EQ(s.CurrentCountry, "Demoland") << "adding does not change the current country";
    EXPECT_EQ(settings.value("NewCountries", "Country Names"), "\"Newland\",\"NL\"");

    std::string listFile;
    ASSERT_TRUE(LoadCountryLists(s, ui, &listFile, &name)) << listFile;
    EXPECT_EQ(s.CountryCode, "NL");
    EXPECT_EQ(s.NPol, 7);
    EXPECT_TRUE(s.NoUrbEmiData) << "a new country has no urban background data";
    EXPECT_EQ(s.ScenarioYears[1], 2004);
    EXPECT_EQ(s.DefaultVehicleListFile, ".\\VehiclesNL_2004.vlf");
}

TEST_F(AddingCountry, LaterCountriesAreAppendedToTheRegisteredPairsAfterAComma) {
    ASSERT_EQ(add({"Newland", "NL"}, {Answer::Ok}), "Newland");
    ASSERT_EQ(add({" Far Away ", "FA"}, {Answer::Ok}), " Far Away ") << "a name is kept as typed";
    EXPECT_EQ(settings.value("NewCountries", "Country Names"), "\"Newland\",\"NL\",\" Far Away \",\"FA\"");
}

TEST_F(AddingCountry, ACodeWhoseFoldersPartlyExistIsRefusedLeavingNothingOfTheAttempt) {
    fs::create_directories(app() + "Data/MetBack/National/XX");
    ASSERT_EQ(add({"Newland", "XX", "NL"}, {Answer::Ok}), "Newland");
    EXPECT_TRUE(
        messageContains("A folder with this name exists already.\r\nYou should select another Country "
                        "Code!"));
    EXPECT_FALSE(exists("Lists/National/XX")) << "the folders of the refused attempt are removed again";
    EXPECT_FALSE(exists("Data/Traffic/National/XX"));
    EXPECT_TRUE(exists("Data/MetBack/National/XX")) << "a folder that was there stays";
    EXPECT_EQ(s.CountryList.find("Newland")->code, "NL");
}

TEST_F(AddingCountry, AMissingTemplateStopsTheAddingAndRemovesEverythingItMade) {
    fs::remove(app() + "NewCountry/Fuel.xls");
    const auto before = tree();
    EXPECT_EQ(add({"Newland", "NL"}, {Answer::Ok}), "");
    EXPECT_TRUE(messageContains("File not found: " + app() + "NewCountry/Fuel.xls"));
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(s.CountryList.find("Newland"), nullptr);
    EXPECT_EQ(settings.value("NewCountries", "Country Names"), "");
}

// ---- Refusals and cancelling ----------------------------------------------------------------------

TEST_F(AddingCountry, ListedNamesInAnyLetterCaseAndTheNameAddNewAreRefused) {
    ASSERT_EQ(add({"DEMOLAND", "add new", "Say \"hi\"", "Newland", "NL"}, {Answer::Ok}), "Newland");
    EXPECT_TRUE(messageContains("DEMOLAND is already in the list of Countries.\r\nYou should select another "
                                "Country Name!"));
    EXPECT_TRUE(messageContains("add new is already in the list of Countries."));
    EXPECT_TRUE(messageContains("must not hold a double quote"));
}

TEST_F(AddingCountry, EachWayOutBeforeTheFilesLeavesEverythingAsItWas) {
    const auto before = tree();
    option = NewCountryOption::Cancelled;
    EXPECT_EQ(add({"Newland", "NL"}), "");
    option = NewCountryOption::Defaults;
    EXPECT_EQ(add({"Newland", "NL"}, {Answer::Cancel}), "") << "the confirmation's Cancel";
    EXPECT_EQ(add({"  ", "NL"}, {Answer::Ok}), "") << "a blank name";
    EXPECT_EQ(add({std::nullopt}, {Answer::Ok}), "") << "the name box cancelled";
    EXPECT_EQ(add({"Newland", ""}, {Answer::Ok}), "") << "an empty code";
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(s.CountryList.count(), 1);
    EXPECT_EQ(settings.value("NewCountries", "Country Names"), "");
}

TEST_F(AddingCountry, UnsafeCodesAreRefusedAndAskedAgain) {
    ASSERT_EQ(add({"Newland", "../XX", "N L", "NL"}, {Answer::Ok}), "Newland");
    EXPECT_FALSE(exists("Lists/XX"));
    int asked = 0;
    for (const auto &m : ui.messages) {
        asked += m.find("cannot name a folder") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(asked, 2);
}

struct CodeCase {
    const char *code;
    bool accepted;
};

class CountryCodes : public ::testing::TestWithParam<CodeCase> {};

TEST_P(CountryCodes, AreLettersDigitsUnderscoresAndHyphensOnly) {
    EXPECT_EQ(countryCodeProblem(GetParam().code).empty(), GetParam().accepted) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(Codes, CountryCodes,
                         ::testing::Values(CodeCase{"DL", true}, CodeCase{"n_1", true}, CodeCase{"x-y", true},
                                           CodeCase{"ABCDEFGHIJKLMNOP", true}, CodeCase{"", false},
                                           CodeCase{"ABCDEFGHIJKLMNOPQ", false}, CodeCase{"-x", false},
                                           CodeCase{"a/b", false}, CodeCase{"a\\b", false},
                                           CodeCase{"..", false}, CodeCase{"a b", false},
                                           CodeCase{"\"x\"", false}, CodeCase{"Ü", false}),
                         [](const auto &info) { return "Case" + std::to_string(info.index); });

// ---- Folders and data that exist already ----------------------------------------------------------

TEST_F(AddingCountry, ExistingDataMakesNoFolderButNeedsTheListsFolderOfTheCode) {
    option = NewCountryOption::Existing;
    fs::copy(app() + "Lists/National/DL", app() + "Lists/National/EX", fs::copy_options::recursive);
    const auto before = tree();
    ASSERT_EQ(add({"Existland", "NOPE", "EX"}), "Existland");
    EXPECT_TRUE(messageContains("Lists/National/NOPE does not exist."));
    EXPECT_EQ(tree(), before) << "nothing is made or copied";
    EXPECT_EQ(s.CountryList.find("Existland")->code, "EX");
    EXPECT_EQ(progress.starts, 0);
}

// ---- A country data package --------------------------------------------------------------------------

TEST_F(AddingCountry, APackageIsCopiedWhereItsFileListSaysAndItsListsLoad) {
    option = NewCountryOption::Package;
    packageFolder = makePackage(kPackageList);
    const std::string name = add({"Packland", "PK"});
    ASSERT_EQ(name, "Packland") << (ui.messages.empty() ? "" : ui.messages.back());
    EXPECT_TRUE(messageContains("Provide the Path to the Source Folder"));
    EXPECT_EQ(progress.starts, 1);
    EXPECT_EQ(progress.files, 9);
    EXPECT_EQ(progress.finishes, 1);
    EXPECT_EQ(readFile(app() + "Data/Traffic/National/PK/CityStreet.trf"),
              readFile(app() + "Data/Traffic/National/DL/CityStreet.trf"));
    EXPECT_TRUE(fs::is_directory(app() + "Data/MetBack/National/PK")) << "all four national folders are made";
    std::string listFile;
    EXPECT_TRUE(LoadCountryLists(s, ui, &listFile, &name)) << listFile;
    EXPECT_EQ(s.CountryCode, "PK");
}

TEST_F(AddingCountry, APackageWithoutAFileListStopsBeforeAnyFolderIsMade) {
    option = NewCountryOption::Package;
    packageFolder = makePackage(kPackageList);
    fs::remove(*packageFolder + "Files.lst");
    const auto before = tree();
    EXPECT_EQ(add({"Packland", "PK"}), "");
    EXPECT_TRUE(messageContains("Can't find the file: " + *packageFolder + "Files.lst"));
    EXPECT_EQ(tree(), before);
}

TEST_F(AddingCountry, ACancelledFolderChoiceAddsNothing) {
    option = NewCountryOption::Package;
    packageFolder = std::nullopt;
    const auto before = tree();
    EXPECT_EQ(add({"Packland", "PK"}), "");
    EXPECT_EQ(folderQuestions, 1);
    EXPECT_EQ(tree(), before);
}

TEST_F(AddingCountry, APackageIntoExistingFoldersAsksOnceAndOverwritesAfterOk) {
    option = NewCountryOption::Package;
    packageFolder = makePackage(kPackageList);
    fs::copy(app() + "Lists/National/DL", app() + "Lists/National/EX", fs::copy_options::recursive);
    fs::create_directories(app() + "Data/Traffic/National/EX");
    std::ofstream(app() + "Lists/National/EX/Pollutants.lst", std::ios::trunc) << "old";
    ASSERT_EQ(add({"Existland", "EX"}, {Answer::Ok}), "Existland");
    int asked = 0;
    for (const auto &m : ui.messages) {
        asked += m.rfind("A folder with this name exists already.\r\nIf this folder", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(asked, 1) << "later existing folders are passed over";
    EXPECT_EQ(readFile(app() + "Lists/National/EX/Pollutants.lst"),
              readFile(*packageFolder + "Pollutants.lst"));
}

TEST_F(AddingCountry, CancellingAtAnExistingFolderAsksForAnotherCodeAndChangesNothingThere) {
    option = NewCountryOption::Package;
    packageFolder = makePackage(kPackageList);
    fs::copy(app() + "Lists/National/DL", app() + "Lists/National/EX", fs::copy_options::recursive);
    const std::string oldList = readFile(app() + "Lists/National/EX/Pollutants.lst");
    ASSERT_EQ(add({"Packland", "EX", "PK"}, {Answer::Cancel}), "Packland");
    EXPECT_EQ(folderQuestions, 2) << "the source folder is asked for each code";
    EXPECT_EQ(readFile(app() + "Lists/National/EX/Pollutants.lst"), oldList);
    EXPECT_FALSE(exists("Data/Emission/National/EX"));
    EXPECT_EQ(s.CountryList.find("Packland")->code, "PK");
}

TEST_F(AddingCountry, AMissingPackageFileMayBeSkippedAndTheCountryIsStillAdded) {
    option = NewCountryOption::Package;
    packageFolder = makePackage(kPackageList);
    fs::remove(*packageFolder + "Fleet2020.vlf");
    ASSERT_EQ(add({"Packland", "PK"}, {Answer::Ok}), "Packland");
    EXPECT_TRUE(
        messageContains("Can't find the file: " + *packageFolder + "Fleet2020.vlf\r\nYou can continue"));
    EXPECT_TRUE(exists("Data/Traffic/National/PK/CityStreet.trf")) << "the items after it are copied";
    EXPECT_FALSE(exists("Lists/National/PK/Fleet2020.vlf"));
}

TEST_F(AddingCountry, CancellingAtAMissingPackageFileUndoesTheCopyIncludingOverwrittenFiles) {
    option = NewCountryOption::Package;
    packageFolder = makePackage(kPackageList);
    fs::remove(*packageFolder + "Fleet2020.vlf");
    fs::copy(app() + "Lists/National/DL", app() + "Lists/National/EX", fs::copy_options::recursive);
    std::ofstream(app() + "Lists/National/EX/Pollutants.lst", std::ios::trunc) << "the user's own list";
    const auto before = tree();
    EXPECT_EQ(add({"Existland", "EX"}, {Answer::Ok, Answer::Cancel}), "");
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(s.CountryList.find("Existland"), nullptr);
    EXPECT_EQ(progress.finishes, 1) << "the copying window is closed";
}

TEST_F(AddingCountry, APackageTargetOutsideTheProgramFolderIsRefusedBeforeAnythingIsMade) {
    option = NewCountryOption::Package;
    packageFolder = makePackage(std::string(kPackageList) + "AppPath\\..\\..\\stolen.lst\r\n");
    const auto before = tree();
    EXPECT_EQ(add({"Packland", "PK"}), "");
    EXPECT_TRUE(messageContains("AppPath\\..\\..\\stolen.lst"));
    EXPECT_EQ(tree(), before);
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "stolen.lst"));
}

TEST_F(AddingCountry, ACopyThatFailsForAnotherReasonStopsAndRollsBack) {
    option = NewCountryOption::Package;
    // The last entry's target is the national lists folder itself: no file can be written there.
    packageFolder = makePackage(std::string(kPackageList) + "AppPath\\Lists\\National\\Code\r\n");
    std::ofstream(*packageFolder + "Code", std::ios::binary) << "x";
    const auto before = tree();
    EXPECT_EQ(add({"Packland", "PK"}), "");
    EXPECT_TRUE(messageContains("a folder of that name exists"));
    EXPECT_EQ(tree(), before);
}

TEST(AddCountryQuestions, TheNameAndTheCodeAreAskedWithTheProgramsOwnTexts) {
    struct Asking : ScriptedInteraction {
        std::vector<std::string> prompts;
        std::optional<std::string> inputBox(const std::string &prompt, const std::string &title,
                                            const std::string &defaultText) override {
            prompts.push_back(prompt);
            return ScriptedInteraction::inputBox(prompt, title, defaultText);
        }
    } ui;
    ProjectState s;
    MemorySettings settings;
    AddCountryHooks hooks;
    hooks.chooseOption = [] { return NewCountryOption::Existing; };
    ui.inputs = {std::string("Newland"), std::nullopt};
    EXPECT_EQ(AddNewCountry(s, settings, ui, hooks), "");
    ASSERT_EQ(ui.prompts.size(), 2u);
    EXPECT_EQ(ui.prompts[0], "Enter the Country Name");
    EXPECT_EQ(ui.prompts[1], kCodeQuestion);
}
