// The new project's acceptance: the order of the checks with their messages
// and focus, the numbers the traffic boxes take, and what OK adds.

#include "project/NewProject.h"

#include "project/ProjectState.h"
#include "support/TestSupport.h"

#include <functional>
#include <gtest/gtest.h>

using namespace vesk;

namespace {

// A single-street form that passes every check: a pre-defined traffic type
// with its numbers, a pre-defined meteorology file and a city size.
NewProjectForm complete() {
    NewProjectForm f;
    f.streetConfigDefined = true;
    f.yearText = "2020";
    f.traffic = TrafficOption::Standard;
    f.trafficTypeText = "City street";
    f.trafficFileText = ".\\CityStreet.trf";
    f.stdTrafficChosen = true;
    f.adtText = "18000";
    f.speedText = "45";
    f.metBack = MetBackOption::Standard;
    f.metBackFileCount = 1;
    f.citySizeText = "Medium city";
    return f;
}

struct CheckCase {
    const char *name;
    std::function<void(NewProjectForm &)> change;
    std::vector<std::string> messages;
    NewProjectFocus focus;
};

void PrintTo(const CheckCase &c, std::ostream *os) {
    *os << c.name;
}

class NewProjectChecks : public testing::TestWithParam<CheckCase> {};

} // namespace

TEST_P(NewProjectChecks, StopAtTheFirstMissingEntryWithItsMessageAndFocus) {
    NewProjectForm f = complete();
    GetParam().change(f);
    const NewProjectCheck check = checkNewProject(f);
    EXPECT_EQ(check.messages, GetParam().messages);
    EXPECT_EQ(check.focus, GetParam().focus);
}

INSTANTIATE_TEST_SUITE_P(
    InTheirOrder, NewProjectChecks,
    testing::Values(
        CheckCase{"complete", [](NewProjectForm &) {}, {}, NewProjectFocus::None},
        CheckCase{"no street configuration comes before everything",
                  [](NewProjectForm &f) {
                      f.streetConfigDefined = false;
                      f.trafficFileText.clear();
                      f.metBackFileCount = 0;
                  },
                  {"Street Configuration is not defined!"},
                  NewProjectFocus::StreetConf},
        CheckCase{"route without its file",
                  [](NewProjectForm &f) {
                      f.routeMode = true;
                      f.streetConfigDefined = false;
                  },
                  {"Route Data File is not defined!"},
                  NewProjectFocus::StreetConf},
        CheckCase{"route and multi streets both set",
                  [](NewProjectForm &f) {
                      f.routeMode = f.multiStreetMode = true;
                      f.streetConfigDefined = false;
                  },
                  {"Route Data File is not defined!", "Street Collection File is not defined!"},
                  NewProjectFocus::StreetConf},
        CheckCase{"multi streets without a collection",
                  [](NewProjectForm &f) {
                      f.multiStreetMode = true;
                      f.streetConfigDefined = false;
                  },
                  {"Street Collection File is not defined!"},
                  NewProjectFocus::StreetConf},
        CheckCase{"an empty year box is not year 0",
                  [](NewProjectForm &f) { f.yearText.clear(); },
                  {"The Scenario Year is not defined!"},
                  NewProjectFocus::Year},
        CheckCase{"Special Mode skips the traffic and meteorology",
                  [](NewProjectForm &f) {
                      f.specialMode = true;
                      f.trafficFileText.clear();
                      f.metBackFileCount = 0;
                      f.adtText = "abc";
                  },
                  {},
                  NewProjectFocus::None},
        CheckCase{"no traffic type",
                  [](NewProjectForm &f) { f.trafficFileText.clear(); },
                  {"The Diurnal Traffic type is not selected!"},
                  NewProjectFocus::TrafficType},
        CheckCase{"no option chosen counts as the pre-defined one",
                  [](NewProjectForm &f) {
                      f.traffic = TrafficOption::None;
                      f.trafficFileText.clear();
                  },
                  {"The Diurnal Traffic type is not selected!"},
                  NewProjectFocus::TrafficType},
        CheckCase{"pre-defined type without daily traffic",
                  [](NewProjectForm &f) { f.adtText = " "; },
                  {"Annual Average Diurnal Traffic is missing!"},
                  NewProjectFocus::ADT},
        CheckCase{"pre-defined type without speed",
                  [](NewProjectForm &f) { f.speedText.clear(); },
                  {"Traffic Speed is missing!"},
                  NewProjectFocus::Speed},
        CheckCase{"type (none) with a file name skips the numbers but not the pre-defined file's traffic",
                  [](NewProjectForm &f) {
                      f.trafficTypeText = "(NONE)";
                      f.adtText.clear();
                  },
                  {"Annual Average Diurnal Traffic is missing!"},
                  NewProjectFocus::None},
        CheckCase{"user traffic file missing",
                  [](NewProjectForm &f) {
                      f.traffic = TrafficOption::UserFile;
                      f.stdTrafficChosen = false;
                      f.trafficFileText.clear();
                  },
                  {"A User Defined File with the Diurnal Traffic is not set!"},
                  NewProjectFocus::None},
        CheckCase{"user traffic file with its own traffic: disabled empty boxes pass",
                  [](NewProjectForm &f) {
                      f.traffic = TrafficOption::UserFile;
                      f.stdTrafficChosen = false;
                      f.adtText = f.speedText = "";
                      f.adtEnabled = f.speedEnabled = false;
                  },
                  {},
                  NewProjectFocus::None},
        CheckCase{"user traffic file without speed",
                  [](NewProjectForm &f) {
                      f.traffic = TrafficOption::UserFile;
                      f.stdTrafficChosen = false;
                      f.speedText.clear();
                  },
                  {"Traffic Speed is missing!"},
                  NewProjectFocus::Speed},
        CheckCase{"an ambiguous number is refused",
                  [](NewProjectForm &f) { f.adtText = "1.234,5"; },
                  {"The value entered is not valid"},
                  NewProjectFocus::ADT},
        CheckCase{"a negative speed is refused",
                  [](NewProjectForm &f) { f.speedText = "-0,5"; },
                  {"The value must be >= 0"},
                  NewProjectFocus::Speed},
        CheckCase{"hourly traffic files need no daily traffic",
                  [](NewProjectForm &f) {
                      f.traffic = TrafficOption::HourlyFiles;
                      f.stdTrafficChosen = false;
                      f.trafficFileText.clear();
                      f.adtText = "x";
                  },
                  {},
                  NewProjectFocus::None},
        CheckCase{"no pre-defined meteorology file",
                  [](NewProjectForm &f) { f.metBackFileCount = 0; },
                  {"A file with meteorology and background data is not defined!"},
                  NewProjectFocus::MetBack},
        CheckCase{"no city size",
                  [](NewProjectForm &f) { f.citySizeText.clear(); },
                  {"City Size is not defined!"},
                  NewProjectFocus::CitySize},
        CheckCase{"no city size in a country without city types",
                  [](NewProjectForm &f) {
                      f.citySizeText.clear();
                      f.noUrbEmiData = true;
                  },
                  {},
                  NewProjectFocus::None},
        CheckCase{"no user meteorology file",
                  [](NewProjectForm &f) {
                      f.metBack = MetBackOption::UserFiles;
                      f.metBackFileCount = 0;
                  },
                  {"No user file with meteorology and background data is defined!"},
                  NewProjectFocus::None}),
    [](const testing::TestParamInfo<CheckCase> &info) { return test::testNameOf(info.param.name); });

TEST(NewProjectNumbers, ADecimalCommaIsReadButAmbiguousOrPartlyNumericTextsAreRefused) {
    std::string message;
    EXPECT_EQ(newProjectNumber("12,5", &message), 12.5);
    EXPECT_EQ(newProjectNumber(" 18000 ", &message), 18000);
    for (const char *bad : {"1.234,5", "1,234.5", "1 234", "12abc", "", ","}) {
        message.clear();
        EXPECT_FALSE(newProjectNumber(bad, &message)) << bad;
        EXPECT_EQ(message, "The value entered is not valid") << bad;
    }
    EXPECT_FALSE(newProjectNumber("-3", &message));
    EXPECT_EQ(message, "The value must be >= 0");
}

TEST(NewProjectCompletion, FillsTheDefaultListsTakesTheCommonLayoutAndTheValuesOfTheDialog) {
    ProjectState s;
    s.DefaultVehicleListFile = ".\\Fleet2020.vlf";
    s.DefaultFuelListFile = ".\\Fuels2020.flf";
    s.NewProjectPending = true;
    s.ProjectTypeCancelled = true;
    std::string error;
    ASSERT_EQ(addFile(s, kInputFileKind, -1, ".\\MetBack2023.txt", &error), 0) << error;
    NewProjectAcceptance a;
    a.stdMetBackChosen = true;
    a.metBackLayout = {"year, month, day, hour, u_mast", "*", "*", ""};
    a.adt = 18000;
    a.speed = 45;
    a.year = 2025;
    completeNewProject(s, a);
    EXPECT_EQ(s.VehicleListFile, ".\\Fleet2020.vlf");
    EXPECT_EQ(s.FuelListFile, ".\\Fuels2020.flf");
    EXPECT_EQ(s.InputVarLists[1], "year, month, day, hour, u_mast");
    EXPECT_EQ(s.ScenarioYear, 2025);
    EXPECT_EQ(s.AnnualDiurnalTraffic, 18000);
    EXPECT_EQ(s.AverageTrafficSpeed, 45);
    EXPECT_FALSE(s.NewProjectPending);
    EXPECT_FALSE(s.ProjectTypeCancelled);
    EXPECT_TRUE(s.ProjectChanged);
    EXPECT_EQ(s.NumFileRecords, 3) << "the input file, the vehicle list and the fuel list";

    ProjectState special;
    NewProjectAcceptance sm;
    sm.specialMode = true;
    completeNewProject(special, sm);
    EXPECT_TRUE(special.VehicleListFile.empty()) << "Special Mode leaves the lists as they are";
}

TEST(ProjectNameOfFile, IsTheFileNameWithoutFolderAndLastExtension) {
    EXPECT_EQ(projectNameOfFile("C:\\data\\Ring.road.dat"), "Ring.road");
    EXPECT_EQ(projectNameOfFile("/home/a.b/Route"), "Route");
    EXPECT_EQ(projectNameOfFile("Streets.txt"), "Streets");
}
