// Fleet data for scenario years the country does not list: the rule that
// makes them from the listed vehicle lists, the emission set-up with them,
// and the year choice of the new-project dialog.

#include "calc/FleetGeneration.h"

#include "calc/EmissionSetup.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "project/InitProgram.h"
#include "run/State.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vesk;
using namespace vesk::test;

namespace {

// The demo country started from a private copy of the data tree.
struct Demo {
    TempDir dir;
    State state;
    ScriptedInteraction ui;
    MemorySettings settings;
    Demo() {
        copyDataTree(dir.path());
        state.CurrentYear = 2020;
        EXPECT_TRUE(InitProgram(state, dir.path().string(), ui, settings, nullptr));
        ui.messages.clear();
        state.WorkDir = dir.path().string() + "/Working/";
    }
    std::string lists() const { return dir.path().string() + "/Lists/National/DL/"; }
    VehicleListDocument listed(int year) const {
        VehicleListDocument doc;
        std::string error;
        EXPECT_TRUE(readVehicleListDocument(lists() + "Fleet" + std::to_string(year) + ".vlf", &doc, &error))
            << error;
        return doc;
    }
};

double shareOf(const VehicleListDocument &doc, const std::string &category, const std::string &technology) {
    for (const FleetShareDefinition &s : doc.fleet) {
        if (iequals(s.category, category) && iequals(s.technology, technology)) {
            return s.percent;
        }
    }
    return 0;
}

// Share tolerance: the generated shares are kept to three decimals.
constexpr double kShareTolerance_percent = 0.0005;

} // namespace

TEST(FleetGeneration, AYearBetweenTwoListedYearsInterpolatesEveryShareLinearly) {
    Demo d;
    GeneratedFleet fleet;
    std::string error;
    ASSERT_TRUE(generateFleetLists(d.state, 2022, &fleet, &error)) << error;
    const VehicleListDocument y2020 = d.listed(2020), y2025 = d.listed(2025);
    EXPECT_EQ(fleet.vehicles.year, 2022);
    ASSERT_EQ(fleet.vehicles.categories.size(), y2020.categories.size());
    for (const VehicleCategoryDefinition &c : y2020.categories) {
        for (const auto *list : {&y2020, &y2025}) {
            for (const FleetShareDefinition *s : list->sharesOf(c.name)) {
                const double a = shareOf(y2020, c.name, s->technology);
                const double b = shareOf(y2025, c.name, s->technology);
                EXPECT_NEAR(shareOf(fleet.vehicles, c.name, s->technology), a + (b - a) * 0.4,
                            kShareTolerance_percent)
                    << c.name << " " << s->technology;
            }
        }
        EXPECT_NEAR(fleet.vehicles.shareSum(c.name), 100.0, 0.01) << c.name;
    }
    EXPECT_TRUE(checkVehicleList(fleet.vehicles).empty()) << "the generated list is a valid vehicle list";
    EXPECT_EQ(fleet.fuelListFile, ".\\Fuels2020.flf") << "the fuels of the latest listed year before it";
}

TEST(FleetGeneration, BeyondTheListedYearsTheNearestListIsTakenAsItStands) {
    Demo d;
    d.state.FleetFirstYear = 2010;
    d.state.FleetLastYear = 2035;
    GeneratedFleet early, late;
    std::string error;
    ASSERT_TRUE(generateFleetLists(d.state, 2012, &early, &error)) << error;
    ASSERT_TRUE(generateFleetLists(d.state, 2033, &late, &error)) << error;
    const VehicleListDocument y2015 = d.listed(2015), y2030 = d.listed(2030);
    for (const FleetShareDefinition &s : y2015.fleet) {
        EXPECT_DOUBLE_EQ(shareOf(early.vehicles, s.category, s.technology), s.percent);
    }
    for (const FleetShareDefinition &s : y2030.fleet) {
        EXPECT_DOUBLE_EQ(shareOf(late.vehicles, s.category, s.technology), s.percent);
    }
    EXPECT_EQ(early.fuelListFile, ".\\Fuels2015.flf");
    EXPECT_EQ(late.fuelListFile, ".\\Fuels2030.flf");
}

TEST(FleetGeneration, ListedYearsYearsOutsideTheRangeAndListsThatDoNotMatchAreRefused) {
    Demo d;
    GeneratedFleet fleet;
    std::string error;
    EXPECT_FALSE(generateFleetLists(d.state, 2020, &fleet, &error));
    EXPECT_NE(error.find("own vehicle and fuel lists"), std::string::npos) << error;
    EXPECT_FALSE(generateFleetLists(d.state, 2040, &fleet, &error));
    EXPECT_NE(error.find("2015 to 2030"), std::string::npos) << error;

    // A 2025 list whose categories are not those of 2020.
    std::string text = readFile(d.lists() + "Fleet2025.vlf");
    for (auto at = text.find("\"Bus\","); at != std::string::npos; at = text.find("\"Bus\",")) {
        text.replace(at, 6, "\"Coach\",");
    }
    d.dir.write("Lists/National/DL/Fleet2025.vlf", text);
    EXPECT_FALSE(generateFleetLists(d.state, 2022, &fleet, &error));
    EXPECT_NE(error.find("2020 and 2025 do not have the same vehicle categories"), std::string::npos)
        << error;
}

TEST(FleetGeneration, AListOnADriveOfWindowsIsRefusedAndReadNowhere) {
    // The program started in a folder that holds copies of the lists under
    // the names taken as written: none of them may be read.
    struct Case {
        int index; // of the scenario lists: 2020 is the second, 2025 the third
        bool vehicles;
        const char *stored;
        const char *field;
    };
    const Case cases[] = {
        {2, true, "C:\\res\\Fleet2020.vlf", "the vehicle list of the scenario year 2020"},
        {3, true, "c:/res/Fleet2025.vlf", "the vehicle list of the scenario year 2025"},
        {2, false, "C:\\res\\Fuels2020.flf", "the fuel list of the scenario year 2020"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored);
        Demo d;
        TempDir start;
        for (const char *list : {"Fleet2020.vlf", "Fleet2025.vlf", "Fuels2020.flf"}) {
            start.write(std::string("C:/res/") + list, readFile(d.lists() + list));
            start.write(std::string("c:/res/") + list, readFile(d.lists() + list));
        }
        (c.vehicles ? d.state.ScenarioVehicleFiles : d.state.ScenarioFuelFiles).at(c.index) = c.stored;
        CurrentFolder here(start.path());
        GeneratedFleet fleet;
        std::string error;
        EXPECT_FALSE(generateFleetLists(d.state, 2022, &fleet, &error));
        EXPECT_EQ(error, driveLetterRefusal(c.stored, c.field));
    }
}

TEST(FleetGeneration, TheEmissionsAreSetUpWithTheGeneratedFleetWhichNoFileHolds) {
    Demo d;
    std::string error;
    ASSERT_TRUE(GenerateFleetYear(d.state, 2022, &error)) << error;
    EXPECT_EQ(d.state.VehicleListFile, "[data created, not saved: Year 2022]");
    EXPECT_EQ(d.state.FuelListFile, ".\\Fuels2020.flf");
    EXPECT_TRUE(d.state.FleetDataUnsaved);
    EXPECT_TRUE(d.state.EmissionReady);
    EXPECT_GT(d.state.EmitterCount, 0);
    EXPECT_EQ(d.state.LoadedScenarioYear, 2022);
    EXPECT_EQ(d.state.ScenarioYearText, "2022");
    EXPECT_EQ(d.state.EmissionComponent.VehicleCategories.items.size(), d.listed(2020).categories.size());

    // The set-up of the project afterwards keeps the generated data.
    const EmissionSetupResult setup = InitEmissions(d.state, d.ui);
    EXPECT_FALSE(setup.failed);
    EXPECT_TRUE(d.ui.messages.empty()) << d.ui.messages.front();
    EXPECT_EQ(d.state.VehicleListFile, "[data created, not saved: Year 2022]");
}

TEST(FleetGeneration, AFailedSetUpIsReportedAndKeepsThePreviousYearListsAndEmissions) {
    Demo d;
    d.state.VehicleListFile = ".\\Fleet2020.vlf";
    d.state.FuelListFile = ".\\Fuels2020.flf";
    ASSERT_FALSE(InitEmissions(d.state, d.ui).failed);
    const std::size_t categories = d.state.EmissionComponent.VehicleCategories.items.size();
    d.state.LoadedScenarioYear = d.state.ScenarioYear = 2020;
    std::filesystem::remove(d.dir.path() / "Data/Emission/Shared/EmissionFactors.eft");

    d.ui.answers = {Answer::Yes};
    EXPECT_EQ(chooseScenarioYear(d.state, d.ui, 2022), YearChoice::Failed);
    ASSERT_EQ(d.ui.messages.size(), 2u);
    EXPECT_NE(d.ui.messages[1].find("could not be generated"), std::string::npos) << d.ui.messages[1];
    EXPECT_EQ(d.state.ScenarioYear, 2020);
    EXPECT_EQ(d.state.LoadedScenarioYear, 2020);
    EXPECT_EQ(d.state.VehicleListFile, ".\\Fleet2020.vlf");
    EXPECT_FALSE(d.state.FleetDataUnsaved);
    EXPECT_TRUE(d.state.EmissionReady);
    EXPECT_EQ(d.state.EmissionComponent.VehicleCategories.items.size(), categories);
}

TEST(ScenarioYearChoice, TheSameYearTwiceDoesNothingAListedYearTakesItsListsAndNoKeepsTheYear) {
    Demo d;
    d.state.LoadedScenarioYear = d.state.ScenarioYear = 2020;
    d.state.VehicleListFile = ".\\Fleet2020.vlf";
    EXPECT_EQ(chooseScenarioYear(d.state, d.ui, 2025), YearChoice::Listed);
    EXPECT_EQ(d.state.VehicleListFile, ".\\Fleet2025.vlf");
    EXPECT_EQ(d.state.FuelListFile, ".\\Fuels2025.flf");
    EXPECT_EQ(d.state.LoadedScenarioYear, 2025);
    EXPECT_EQ(chooseScenarioYear(d.state, d.ui, 2025), YearChoice::Unchanged);
    EXPECT_TRUE(d.ui.messages.empty());

    d.ui.answers = {Answer::No};
    EXPECT_EQ(chooseScenarioYear(d.state, d.ui, 2017), YearChoice::Declined);
    ASSERT_EQ(d.ui.messages.size(), 1u);
    EXPECT_EQ(
        d.ui.messages[0].rfind("There are currently no Fleet Share data available for the Scenario Year "
                               "2017\r\nDo you want the data to be generated now?",
                               0),
        0u)
        << d.ui.messages[0];
    EXPECT_EQ(d.state.ScenarioYear, 2025);
    EXPECT_EQ(d.state.VehicleListFile, ".\\Fleet2025.vlf");

    d.ui.answers = {Answer::Yes};
    EXPECT_EQ(chooseScenarioYear(d.state, d.ui, 2017), YearChoice::Generated);
    EXPECT_EQ(d.state.VehicleListFile, "[data created, not saved: Year 2017]");
    EXPECT_TRUE(d.state.FleetDataUnsaved);
    EXPECT_EQ(chooseScenarioYear(d.state, d.ui, 2030), YearChoice::Listed);
    EXPECT_FALSE(d.state.FleetDataUnsaved) << "a listed year's files replace the generated data";
    EXPECT_FALSE(d.state.EmissionReady) << "the next set-up reads them";
}

TEST(ScenarioYearChoice, TheYearBoxOffersTheFleetRangeWithTheListedYearsMarkedAvailable) {
    Demo d;
    const std::vector<ScenarioYearItem> items = scenarioYearItems(d.state);
    ASSERT_EQ(items.size(), 16u);
    EXPECT_EQ(items.front().year, 2015);
    EXPECT_EQ(items.back().year, 2030);
    for (const ScenarioYearItem &item : items) {
        EXPECT_EQ(item.tip, item.year % 5 == 0 ? "Data available" : "Data not available. Can be generated")
            << item.year;
    }
    d.state.FleetDatabase.clear();
    const std::vector<ScenarioYearItem> listedOnly = scenarioYearItems(d.state);
    ASSERT_EQ(listedOnly.size(), 4u);
    EXPECT_EQ(listedOnly[1].year, 2020);
    EXPECT_EQ(listedOnly[1].tip, "Data available");
}
