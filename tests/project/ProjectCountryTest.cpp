#include "project/ProjectCountry.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

TEST(ChangeScenarioYear, TheSameTextChangesNothing) {
    ProjectState s;
    ScriptedInteraction ui;
    s.ScenarioYearText = "2020";
    s.VehicleListFile = "kept.vlf";
    s.FuelListFile = "kept.flf";
    const YearBoxChange change = ChangeScenarioYear(s, ui, "2020", 1);
    EXPECT_FALSE(change.Changed);
    EXPECT_EQ(s.VehicleListFile, "kept.vlf");
    EXPECT_EQ(s.FuelListFile, "kept.flf");
}

TEST(ChangeScenarioYear, AnotherYearTakesTheListFilesOfItsEntry) {
    ProjectState s;
    ScriptedInteraction ui;
    s.ScenarioVehicleFiles = {"", "v2015", "v2020", "v2025"};
    s.ScenarioFuelFiles = {"", "f2015", "f2020", "f2025"};
    s.StdYearCount = s.YearItemCount = 3;
    s.ScenarioYearText = "2015";
    const YearBoxChange change = ChangeScenarioYear(s, ui, "2025", 2);
    EXPECT_TRUE(change.Changed);
    EXPECT_EQ(s.ScenarioYear, 2025);
    EXPECT_EQ(s.LoadedScenarioYear, 2025);
    EXPECT_EQ(s.ScenarioYearText, "2025");
    EXPECT_EQ(s.VehicleListFile, "v2025");
    EXPECT_EQ(s.FuelListFile, "f2025");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(ChangeScenarioYear, UnsavedFleetDataAreKeptUnlessTheUserAgrees) {
    ProjectState s;
    ScriptedInteraction ui;
    s.ScenarioVehicleFiles = {"", "v2015", "v2020", "[2022]"};
    s.ScenarioFuelFiles = {"", "f2015", "f2020", "[2022]"};
    s.StdYearCount = 2;
    s.YearItemCount = 3;
    s.ScenarioYearText = "[2022]";
    s.LoadedScenarioYear = s.ScenarioYear = s.UnsavedFleetYear = 2022;
    s.FleetDataUnsaved = true;

    ui.answers = {Answer::No};
    YearBoxChange change = ChangeScenarioYear(s, ui, "2015", 0);
    EXPECT_FALSE(change.Changed);
    EXPECT_TRUE(change.reselectLoadedYear);
    EXPECT_EQ(s.ScenarioYear, 2022);
    EXPECT_EQ(s.ScenarioVehicleFiles.size(), 4u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "The Fleet data for the year 2022 are not saved\r\nIf you change the Scenario Year "
              "now, you will not be able to revert to the year 2022 again\r\nDo you want to change "
              "the Scenario Year anyhow?");

    ui.answers = {Answer::Yes};
    change = ChangeScenarioYear(s, ui, "2015", 0);
    EXPECT_TRUE(change.Changed);
    EXPECT_TRUE(change.removeUserYearEntry);
    EXPECT_EQ(s.ScenarioVehicleFiles.size(), 3u);
    EXPECT_EQ(s.YearItemCount, 2);
    EXPECT_FALSE(s.FleetDataUnsaved);
    EXPECT_EQ(s.VehicleListFile, "v2015");
    EXPECT_EQ(s.LoadedScenarioYear, 2015);
}

} // namespace
} // namespace vesk::test
