#include "calc/EmissionSetup.h"

#include "calc/EmissionFixture.h"
#include "project/InitProgram.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vesk;
using namespace vesk::test;

namespace {

int countOf(const std::vector<std::string> &names, const std::string &name) {
    return static_cast<int>(std::count(names.begin(), names.end(), name));
}

TEST(InitEmissions, ReadsTheListsAndAddsCountAndEmissionVariablesPerCategory) {
    EmissionFixture f;
    CalcState &s = f.state;
    s.ScenarioVehicleFiles = {"", ".\\Small.vlf"};
    s.ScenarioFuelFiles = {"", ".\\Small.flf"};
    s.ScenarioYears = {0, 2021};
    s.YearItemCount = s.StdYearCount = 1;
    EmissionSetupResult r = InitEmissions(s, f.ui);
    EXPECT_TRUE(f.ui.messages.empty()) << f.ui.messages.front();
    EXPECT_TRUE(r.initialised);
    EXPECT_TRUE(s.EmissionReady);
    EXPECT_FALSE(s.StdEmissionSetup);
    EXPECT_EQ(s.EmitterCount, 2);
    EXPECT_EQ(s.EmitterIndex, (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(r.yearListIndex, 0);
    EXPECT_EQ(s.ScenarioYear, 2021);
    EXPECT_EQ(s.ScenarioYearText, "2021");
    // 1 base + 3 categories x (1 count + 2 emissions)
    EXPECT_EQ(s.InputVarNames.size(), 1u + 1u + 9u);
    EXPECT_EQ(s.InputVarNames[2], "NPCPetrol");
    EXPECT_EQ(s.InputVarDescriptions[2], "Number of Passenger cars, petrol");
    EXPECT_EQ(s.OutputVarNames[3], "QNOxPCPetrol");
    EXPECT_EQ(s.OutputVarDescriptions[4], "Nitrogen dioxide emission, Passenger cars, petrol");
    EXPECT_EQ(s.OutputVarTypes[4], "float");
    EXPECT_NE(s.OutputVarList.find("QNO2HGV"), nullptr);
    EXPECT_NE(s.OutputVarList.find("c_st1"), nullptr);
    EXPECT_EQ(r.emitterLongNames, (std::vector<std::string>{"Nitrogen oxides", "Nitrogen dioxide"}));
}

TEST(InitEmissions, TwoCallsInARowAddTheCategoryVariablesOnce) {
    EmissionFixture f;
    CalcState &s = f.state;
    InitEmissions(s, f.ui);
    s.EmissionReady = false; // another list chosen
    InitEmissions(s, f.ui);
    EXPECT_EQ(countOf(s.InputVarNames, "NHGV"), 1);
    EXPECT_EQ(countOf(s.OutputVarNames, "QNOxHGV"), 1);
    EXPECT_EQ(s.NInputVars, 1) << "the base length of the catalogue must not grow";
}

TEST(InitEmissions, WithoutListFilesTheStandardVehicleTypesStandIn) {
    EmissionFixture f;
    CalcState &s = f.state;
    s.FuelListFile.clear();
    EmissionSetupResult r = InitEmissions(s, f.ui);
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_FALSE(s.EmissionReady);
    EXPECT_TRUE(s.StdEmissionSetup);
    ASSERT_EQ(s.EmissionComponent.VehicleCategories.Count(), 2);
    EXPECT_EQ(s.EmissionComponent.VehicleCategories.item(2).Name, "Lorry");
    EXPECT_EQ(s.EmissionComponent.VehicleCategories.item(2).vLengthClass, 2);
    EXPECT_EQ(s.EmitterIndex, (std::vector<int>{0, 0, 2}));
    EXPECT_TRUE(r.catalogueRebuilt);
    EXPECT_EQ(countOf(s.InputVarNames, "NLorry"), 1);
}

TEST(InitEmissions, AVehicleListOfAnotherCountryAnsweredNoInitialisesNothing) {
    EmissionFixture f;
    CalcState &s = f.state;
    s.CountryCode = "DL";
    s.ScenarioYearText = "2020";
    f.ui.answers.push_back(Answer::No);
    EmissionSetupResult r = InitEmissions(s, f.ui);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0].rfind("The Country setting of the Vehicle List File: .\\Small.vlf\r\n"
                                     "doesn't correspond to the current Country setting!",
                                     0),
              0u);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(s.EmissionReady);
    EXPECT_EQ(s.EmissionComponent.VehicleCategories.Count(), 0);
    EXPECT_EQ(s.ScenarioYearText, "2020");
    EXPECT_EQ(r.yearListIndex, -1);
}

TEST(InitEmissions, AVehicleListOutsideTheScenariosAddsABracketedYear) {
    EmissionFixture f;
    CalcState &s = f.state;
    s.ScenarioVehicleFiles = {"", ".\\Other.vlf"};
    s.ScenarioFuelFiles = {"", ".\\Other.flf"};
    s.ScenarioYears = {0, 2020};
    s.YearItemCount = s.StdYearCount = 1;
    EmissionSetupResult r = InitEmissions(s, f.ui);
    EXPECT_TRUE(r.addYearItem);
    EXPECT_EQ(r.yearItemText, "[2021]");
    EXPECT_EQ(r.yearListIndex, 1);
    EXPECT_EQ(s.YearItemCount, 2);
    EXPECT_EQ(s.ScenarioYearText, "[2021]");
    EXPECT_EQ(s.ScenarioVehicleFiles[2], s.VehicleListFile) << "the names the project stores";
    EXPECT_EQ(s.ScenarioFuelFiles[2], s.FuelListFile);
    EXPECT_EQ(ListFilePath(s, s.ScenarioVehicleFiles[2]), s.VehicleListPath);
    EXPECT_EQ(s.LoadedScenarioYear, 2021);
}

TEST(InitEmissions, AMalformedListShowsTheFileLineAndWhatWasExpected) {
    EmissionFixture f;
    CalcState &s = f.state;
    f.dir.write("lists/Small.flf",
                "\"XX\",2021\n\"Fuels\"\n[Fuels]\n\"Name\"\n[Contents]\n\"Fuel\"\n\"Petrol\"\n");
    EmissionSetupResult r = InitEmissions(s, f.ui);
    EXPECT_TRUE(r.failed);
    EXPECT_FALSE(s.EmissionReady);
    EXPECT_NE(s.EmissionInitError, 0);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_NE(f.ui.messages[0].find("Error during initialisation of emissions!\r\n"), std::string::npos);
    EXPECT_NE(f.ui.messages[0].find("Small.flf, line 7: expected a fuel, a substance and a content"),
              std::string::npos)
        << f.ui.messages[0];
}

TEST(InitEmissions, AMissingVehicleListIsNamed) {
    EmissionFixture f;
    CalcState &s = f.state;
    s.VehicleListFile = "Missing.vlf";
    EmissionSetupResult r = InitEmissions(s, f.ui);
    EXPECT_TRUE(r.failed);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0], "Can't open the file: " + s.WorkDir + "Missing.vlf");
}

TEST(InitEmissions, TheDemoCountryLoadsEveryScenarioYearWithoutAMessage) {
    TempDir app;
    copyDataTree(app.path());
    CalcState s;
    ScriptedInteraction ui;
    MemorySettings settings;
    ASSERT_TRUE(InitProgram(s, app.path().string(), ui, settings, nullptr));
    s.WorkDir = (app.path() / "Working").string() + "/";
    for (int k = 1; k <= s.StdYearCount; ++k) {
        s.VehicleListFile = s.ScenarioVehicleFiles[k];
        s.FuelListFile = s.ScenarioFuelFiles[k];
        s.EmissionReady = false;
        EmissionSetupResult r = InitEmissions(s, ui);
        EXPECT_TRUE(ui.messages.empty()) << s.ScenarioYears[k] << ": " << ui.messages.front();
        EXPECT_TRUE(s.EmissionReady);
        EXPECT_EQ(s.ScenarioYear, s.ScenarioYears[k]);
        EXPECT_EQ(r.yearListIndex, k - 1);
        EXPECT_EQ(s.EmissionComponent.VehicleCategories.Count(), s.StVehTypeCount);
        // NOx, NO2 (direct share), CO, PM10, PM2.5 and benzene are emitted.
        EXPECT_EQ(s.EmitterCount, 6);
        EXPECT_FALSE(r.catalystText.empty());
    }
}

} // namespace

namespace {

TEST(InitEmissions, OnceReadyACallOnlyChecksTheCountryAndYearAgain) {
    EmissionFixture f;
    CalcState &s = f.state;
    ASSERT_TRUE(InitEmissions(s, f.ui).initialised);
    f.dir.write("lists/Small.flf", "broken");
    EmissionSetupResult again = InitEmissions(s, f.ui);
    EXPECT_FALSE(again.initialised);
    EXPECT_FALSE(again.catalogueRebuilt);
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_TRUE(s.EmissionReady);
    EXPECT_EQ(again.yearListIndex, 0); // the bracketed year added by the first call
}

} // namespace
