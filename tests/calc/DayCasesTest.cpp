#include "calc/DayCases.h"

#include "calc/EmissionFixture.h"
#include "calc/EmissionSetup.h"
#include "project/InitProgram.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr double kTol = 1e-4;

// Day cases with the given day and month codes, compiled as the traffic set-up does.
struct Matcher {
    CalcState state;
    ScriptedInteraction ui;
    using Codes = std::vector<std::pair<std::string, std::string>>;
    explicit Matcher(const Codes &codes) {
        CalcState &s = state;
        s.DayNames = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
        s.MonthNames = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
        s.DayNowVar = s.DayCaseEvaluator.defineVariable("DayNow");
        s.MonthNowVar = s.DayCaseEvaluator.defineVariable("MonthNow");
        s.DayCases = static_cast<int>(codes.size());
        s.DayCaseExprs.assign(codes.size() + 1, Expression());
        for (size_t i = 0; i < codes.size(); ++i) {
            std::string error;
            EXPECT_TRUE(s.DayCaseEvaluator.parse(DayCaseCondition(codes[i].first, codes[i].second),
                                                 &s.DayCaseExprs[i + 1], &error))
                << error;
        }
    }
    int find(int month, int weekday) { return FindDayCase(state, ui, month, weekday, 1, "01-01-2023"); }
};

TEST(DayCaseCondition, BracketsEachCodeAndJoinsThemWithAnd) {
    EXPECT_EQ(DayCaseCondition("DayNow <= 5", ""), "(DayNow <= 5)");
    EXPECT_EQ(DayCaseCondition("", "MonthNow > 9"), "(MonthNow > 9)");
    EXPECT_EQ(DayCaseCondition("DayNow = 6", "MonthNow < 4"), "(DayNow = 6) AND (MonthNow < 4)");
    EXPECT_EQ(DayCaseCondition("", ""), "");
}

TEST(FindDayCase, WeekdaysAndWeekendsTakeTheirOwnDayCase) {
    Matcher m({{"DayNow >= 1 AND DayNow <= 5", ""}, {"DayNow = 6 OR DayNow = 7", ""}});
    for (int month = 1; month <= 12; ++month) {
        EXPECT_EQ(m.find(month, 6), 2);
        EXPECT_EQ(m.find(month, 3), 1);
    }
    EXPECT_TRUE(m.ui.messages.empty());
}

TEST(FindDayCase, OverlappingConditionsGiveTheFirstDayCase) {
    Matcher m({{"DayNow <= 5", "MonthNow = 7 OR MonthNow = 8"}, {"DayNow <= 5", ""}, {"", ""}});
    EXPECT_EQ(m.find(7, 2), 1);
    EXPECT_EQ(m.find(9, 2), 2);
    EXPECT_EQ(m.find(9, 7), 3); // the empty condition always holds
}

struct ValueCase {
    const char *code;
    int expected;
};

class ConditionValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ConditionValues, MatchOnlyWhenTheyRoundToOne) {
    Matcher m(Matcher::Codes{{GetParam().code, ""}});
    EXPECT_EQ(m.find(3, 7), GetParam().expected);
    EXPECT_EQ(m.ui.messages.size(), GetParam().expected == 0 ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(RoundedResults, ConditionValues,
                         ::testing::Values(ValueCase{"0.6", 1}, ValueCase{"1.5", 0}, ValueCase{"0.5", 0},
                                           ValueCase{"2", 0}, ValueCase{"-1", 0}, ValueCase{"DayNow / 7", 1},
                                           ValueCase{"1 / 0", 0}, ValueCase{"1e300 * 1e300", 0},
                                           ValueCase{"40000 + DayNow", 0}));

TEST(FindDayCase, NoMatchNamesTheWeekdayAndMonth) {
    Matcher m({{"DayNow <= 5", ""}, {"2", ""}});
    EXPECT_EQ(m.find(3, 7), 0); // a Sunday in March
    ASSERT_EQ(m.ui.messages.size(), 1u);
    EXPECT_EQ(m.ui.messages[0], "There are no traffic data corresponding to the following conditions:\r\n"
                                "Weekday: Sunday\r\nMonth: March");
}

TEST(FindDayCase, NoDayCasesGiveZeroAndTheMessage) {
    Matcher m(Matcher::Codes{});
    EXPECT_EQ(m.find(1, 1), 0);
    EXPECT_EQ(m.ui.messages.size(), 1u);
}

struct OutOfRange {
    int month;
    int weekday;
    const char *text;
};

class ImpossibleDates : public ::testing::TestWithParam<OutOfRange> {};

TEST_P(ImpossibleDates, AreNoMatchWithAMessageInsteadOfACrash) {
    Matcher m(Matcher::Codes{{"", ""}}); // would match any real day
    EXPECT_EQ(m.find(GetParam().month, GetParam().weekday), 0);
    ASSERT_EQ(m.ui.messages.size(), 1u);
    EXPECT_NE(m.ui.messages[0].find(GetParam().text), std::string::npos) << m.ui.messages[0];
}

INSTANTIATE_TEST_SUITE_P(WeekdayAndMonth, ImpossibleDates,
                         ::testing::Values(OutOfRange{1, 0, "Weekday: 0\r\nMonth: January"},
                                           OutOfRange{1, 8, "Weekday: 8"}, OutOfRange{13, 1, "Month: 13"},
                                           OutOfRange{0, 1, "Month: 0"},
                                           OutOfRange{-5, 1000000, "Weekday: 1000000"}));

TEST(StreetTraffic, ReadsTheFileCopiesItsPropertiesAndFillsTheTables) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.writeTraffic("Street.trf");
    TrafficSetupResult r = SetUpStreetTraffic(f.state, f.ui);
    ASSERT_EQ(r.outcome, TrafficSetupOutcome::Ready) << f.ui.messages.front();
    const CalcState &s = f.state;
    EXPECT_EQ(r.FilePath, s.WorkDir + "Street.trf");
    EXPECT_TRUE(s.TrafficFileLoaded);
    EXPECT_EQ(s.DayCases, 2);
    EXPECT_EQ(s.VehCategories, 2);
    EXPECT_EQ(s.VehCatNames[1], "Cars");
    EXPECT_EQ(s.CodeDay[2], "DayNow >= 6");
    EXPECT_EQ(s.ParsedCount, 2);
    EXPECT_EQ(s.VehCatCount, 3);
    // Composed cars 0.3 / 0.7 of 100 fill two consecutive slots.
    EXPECT_NEAR(s.FlowTable.at(1, 5, 2), 30, kTol);
    EXPECT_NEAR(s.FlowTable.at(2, 5, 2), 70, kTol);
    EXPECT_NEAR(s.FlowTable.at(3, 5, 2), 10, kTol);
    // Emissions at 50 km/h light, 30 km/h heavy: slots per category, and the total.
    EXPECT_NEAR(s.CategoryEmissionTable.at(0, 1, 5, 2), 30 * 0.275, kTol);
    EXPECT_NEAR(s.CategoryEmissionTable.at(0, 2, 5, 2), 70 * 0.2, kTol);
    EXPECT_NEAR(s.CategoryEmissionTable.at(0, 3, 5, 2), 10 * 3.0, kTol);
    EXPECT_NEAR(s.CategoryEmissionTable.at(2, 3, 5, 2), 10 * 3.0 * 0.2, kTol);
    EXPECT_NEAR(s.EmissionComponent.EmissionTable.find("NOx")->Value.get(5, 2), 30 * 0.275 + 14 + 30, 1e-3);
    // The matcher works with the compiled conditions.
    EXPECT_EQ(FindDayCase(f.state, f.ui, 4, 6), 2);
}

TEST(StreetTraffic, AColdStartPercentageOfTheTrafficFileIsAShareOfHundred) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.coldStartPercent = 25;
    f.writeTraffic("Street.trf");
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    EXPECT_FLOAT_EQ(f.state.ColdStartShare, 0.25f);
    // Only old petrol cars (a quarter of 30 cars) have a cold ratio, 3: at a 0.25 share their
    // 0.5 g/km at 50 km/h becomes 0.5 × (1 + 0.25 × 2) = 0.75 g/km.
    const double petrol = 30 * (0.25 * 0.75 + 0.75 * 0.2);
    EXPECT_NEAR(f.state.CategoryEmissionTable.at(0, 1, 5, 2), petrol, kTol);
    EXPECT_NEAR(f.state.EmissionComponent.EmissionTable.find("NOx")->Value.get(5, 2), petrol + 14 + 30, 1e-3);
}

TEST(StreetTraffic, ProfilesThatDoNotFitTheTablesAreRefusedNotCrashed) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.writeTraffic("Street.trf");
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    f.state.FlowTable.resize(2, 24, 2); // one slot short
    std::string error;
    EXPECT_FALSE(ExpandDayCase(f.state, 1, &error));
    EXPECT_EQ(error,
              "The traffic profiles of day case 1 do not fit the vehicle categories of the emission set-up.");
}

TEST(StreetTraffic, ADotPrefixedNameLiesInTheTrafficFolder) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    std::string text = f.writeTraffic("Street.trf");
    f.dir.write("traffic/Std.trf", text);
    f.state.TrafficFile = ".\\Std.trf";
    TrafficSetupResult r = SetUpStreetTraffic(f.state, f.ui);
    EXPECT_EQ(r.outcome, TrafficSetupOutcome::Ready);
    EXPECT_EQ(r.FilePath, f.state.TrafficDir + "Std.trf");
}

TEST(StreetTraffic, AMissingFileIsReportedWithItsPath) {
    EmissionFixture f;
    f.state.TrafficFile = "Nowhere.trf";
    TrafficSetupResult r = SetUpStreetTraffic(f.state, f.ui);
    EXPECT_EQ(r.outcome, TrafficSetupOutcome::FileNotFound);
    EXPECT_EQ(r.FilePath, f.state.WorkDir + "Nowhere.trf");
    EXPECT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::FileNotFound);
    f.state.TrafficFile.clear();
    EXPECT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::NoTrafficFile);
}

TEST(StreetTraffic, AMultiStreetRunLooksInTheStreetsFolder) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    std::string text = f.writeTraffic("Street.trf");
    std::filesystem::remove(f.dir.path() / "work/Street.trf");
    f.dir.write("streets/Street.trf", text);
    f.state.MultiStreetMode = true;
    TrafficSetupResult r = SetUpStreetTraffic(f.state, f.ui, (f.dir.path() / "streets").string() + "/");
    EXPECT_EQ(r.outcome, TrafficSetupOutcome::Ready);
    EXPECT_NE(r.FilePath.find("streets/Street.trf"), std::string::npos);
}

TEST(StreetTraffic, AMalformedFileEndsTheRunWithItsMessage) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.writeTraffic("Bad.trf", 24, 100, 10, 0); // a light speed of 0
    EXPECT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::EndRun);
    EXPECT_TRUE(f.state.ErrorInTrafficFile);
    EXPECT_FALSE(f.state.TrafficFileLoaded);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_NE(f.ui.messages[0].find("Bad.trf, line 16: expected speeds of light and heavy vehicles above 0"),
              std::string::npos)
        << f.ui.messages[0];
}

TEST(StreetTraffic, ADifferentAveragingTimeAsksAndNoEndsTheRun) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.writeTraffic("Half.trf", 48); // the project has 24 periods
    f.ui.answers.push_back(Answer::No);
    EXPECT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::EndRun);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0],
              "The averaging time for the Traffic File is different from the averaging time "
              "specified in " +
                  f.state.ProjectFile + "\r\nDo you want to continue with this Traffic File?");
}

TEST(StreetTraffic, ASecondRunOfALoadedFileNeitherReadsNorAsksButCompilesAgain) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.writeTraffic("Half.trf", 48);
    f.ui.answers.push_back(Answer::Yes);
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    f.writeTraffic("Half.trf", 48, 999); // changed on disk, not in the editor
    f.state.DayCaseExprs[1] = Expression();
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    EXPECT_EQ(f.ui.messages.size(), 1u) << "asked again";
    EXPECT_NEAR(f.state.FlowTable.at(1, 1, 1), 30, kTol) << "read again";
    EXPECT_FALSE(f.state.DayCaseExprs[1].empty()) << "not compiled again";
    // After the editor touched it, the properties are copied again.
    f.state.TrafficEdited = true;
    f.state.TrafficFileLoaded = false;
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    EXPECT_NEAR(f.state.FlowTable.at(1, 1, 1), 0.3 * 999, 1e-2);
}

TEST(StreetTraffic, CategoriesThatDoNotMatchTheVehicleListAreReported) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.writeTraffic("Swapped.trf", 24, 100, 10, 50, "\"All days\",\"\",\"\"\n",
                   "\"Cars\",\"Cars\",\"PCDiesel\",0.7,\"PCPetrol\",0.3\n\"HGV\",\"Lorries\"\n");
    EXPECT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::EndRun);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0],
              "The vehicle categories of the traffic file do not match those of the vehicle "
              "list.\r\nTraffic file (composed categories split): PCDiesel, PCPetrol, HGV\r\n"
              "Vehicle list: PCPetrol, PCDiesel, HGV");
}

TEST(StreetTraffic, InARouteRunOnlyTheTrafficIsExpanded) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.state.RouteMode = true;
    f.writeTraffic("Street.trf");
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    EXPECT_NEAR(f.state.FlowTable.at(2, 1, 1), 70, kTol);
    EXPECT_FLOAT_EQ(f.state.CategoryEmissionTable.at(0, 1, 1, 1), 0.0f);
    EXPECT_FLOAT_EQ(f.state.EmissionComponent.EmissionTable.find("NOx")->Value.get(1, 1), -99.0f);
}

TEST(StreetTraffic, WithTheStandardVehicleTypesOnlyTheTrafficIsExpanded) {
    EmissionFixture f;
    f.state.FuelListFile.clear();
    f.state.StVehTypeNames = {"", "PCPetrol", "PCDiesel", "HGV"};
    f.state.StVehTypeLongNames = {"", "Petrol cars", "Diesel cars", "Lorries"};
    f.state.StVehTypeLengthClass = {0, 1, 1, 2};
    f.state.StVehTypeCount = 3;
    InitEmissions(f.state, f.ui);
    ASSERT_TRUE(f.state.StdEmissionSetup);
    f.writeTraffic("Street.trf");
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    EXPECT_NEAR(f.state.FlowTable.at(1, 1, 1), 30, kTol);
    EXPECT_FLOAT_EQ(f.state.EmissionComponent.EmissionTable.find("NOx")->Value.get(1, 1), -99.0f);
}

TEST(StreetTraffic, TheDemoStandardTrafficFileLoadsWithTheDemoFleet) {
    TempDir app;
    copyDataTree(app.path());
    CalcState s;
    ScriptedInteraction ui;
    MemorySettings settings;
    ASSERT_TRUE(InitProgram(s, app.path().string(), ui, settings, nullptr));
    s.WorkDir = (app.path() / "Working").string() + "/";
    s.VehicleListFile = s.ScenarioVehicleFiles[1];
    s.FuelListFile = s.ScenarioFuelFiles[1];
    InitEmissions(s, ui);
    s.TrafficFile = ".\\CityStreet.trf";
    s.AnnualDiurnalTraffic = 20000;
    s.AverageTrafficSpeed = 0;
    ASSERT_EQ(SetUpStreetTraffic(s, ui).outcome, TrafficSetupOutcome::Ready);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(s.DayCases, 4);
    EXPECT_NEAR(s.AnnualDiurnalTraffic, 20000, 0.5);
    // A July Tuesday is a summer-holiday working day, a May Saturday a Saturday.
    EXPECT_EQ(FindDayCase(s, ui, 7, 2), 1);
    EXPECT_EQ(FindDayCase(s, ui, 5, 6), 3);
    // Morning rush hour of a working day: every emitted pollutant has a positive total.
    for (int e = 1; e <= s.EmitterCount; ++e) {
        const std::string &name = s.PollutantNames[s.EmitterIndex[e]];
        EXPECT_GT(s.EmissionComponent.EmissionTable.find(name)->Value.get(8, 2), 0) << name;
    }
}

} // namespace

namespace {

TEST(StreetTraffic, APollutantWithoutFactorsForSomeCategoryHasNoTotalEmission) {
    EmissionFixture f;
    InitEmissions(f.state, f.ui);
    f.state.EmitterIndex.push_back(1); // NO: the lists give no factors for it
    f.state.EmitterCount = 3;
    f.writeTraffic("Street.trf");
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready);
    const auto &table = f.state.EmissionComponent.EmissionTable;
    EXPECT_FLOAT_EQ(table.find("NO")->Value.get(3, 1), -99.0f);
    EXPECT_GT(table.find("NOx")->Value.get(3, 1), 0.0f);
}

} // namespace

// ---- The traffic file's properties when the window's traffic file changes --------------------

TEST(TrafficProperties, AreReadFromTheFileAndCopiedIntoTheState) {
    EmissionFixture f;
    f.writeTraffic("Street.trf");
    f.state.TrafficFileLoaded = true;
    std::string error;
    ASSERT_TRUE(ReadTrafficProperties(f.state, &error)) << error;
    const CalcState &s = f.state;
    EXPECT_FALSE(s.ErrorInTrafficFile);
    EXPECT_EQ(s.TrafficFileType, 1);
    EXPECT_EQ(s.Nhours, 24);
    EXPECT_EQ(s.DayCases, 2);
    EXPECT_EQ(s.VehCategories, 2);
    EXPECT_EQ(s.VehCatNames[2], "HGV");
    EXPECT_EQ(s.DayCaseName[1], "Working day");
    EXPECT_EQ(s.CodeDay[2], "DayNow >= 6");
    EXPECT_EQ(s.DayCaseDay[2], 6);
    EXPECT_EQ(s.DayCaseDayCop[2], 6); // >=
    // Counted traffic: the file's own daily traffic, 24 x 110 vehicles, and speed.
    EXPECT_NEAR(s.AnnualDiurnalTraffic, 24 * 110, 1e-3);
    EXPECT_NEAR(s.AverageTrafficSpeed, 50, 1e-3);
    EXPECT_TRUE(s.TrafficFileLoaded) << "left to the caller";
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST(TrafficProperties, AStandardProfileTakesTheStreetsDailyTrafficAndItsOwnSpeed) {
    EmissionFixture f;
    std::string text = f.writeTraffic("Standard.trf");
    text.replace(text.find("\"Type\",1"), 8, "\"Type\",2");
    f.dir.write("work/Standard.trf", text);
    f.state.AnnualDiurnalTraffic = 5000;
    f.state.AverageTrafficSpeed = 0; // the file's own
    std::string error;
    ASSERT_TRUE(ReadTrafficProperties(f.state, &error)) << error;
    EXPECT_EQ(f.state.TrafficFileType, 2);
    EXPECT_TRUE(TrafficScaledToStreet(f.state.TrafficFileType));
    EXPECT_NEAR(f.state.AnnualDiurnalTraffic, 5000, 1e-3);
    EXPECT_NEAR(f.state.sAnnualDiurnalTraffic, 24 * 110, 1e-3);
    EXPECT_NEAR(f.state.AverageTrafficSpeed, 50, 1e-3);
    EXPECT_FALSE(TrafficScaledToStreet(1));
    EXPECT_FALSE(TrafficScaledToStreet(-1));
}

TEST(TrafficProperties, ADotPrefixedNameLiesInTheTrafficFolder) {
    EmissionFixture f;
    const std::string text = f.writeTraffic("Street.trf");
    f.dir.write("traffic/National.trf", text);
    f.state.TrafficFile = ".\\National.trf";
    std::string error;
    EXPECT_TRUE(ReadTrafficProperties(f.state, &error)) << error;
    EXPECT_EQ(f.state.DayCases, 2);
}

TEST(TrafficProperties, AMalformedFileKeepsTheOldPropertiesAndGivesTheReadersMessage) {
    EmissionFixture f;
    f.writeTraffic("Good.trf");
    std::string error;
    ASSERT_TRUE(ReadTrafficProperties(f.state, &error));
    f.state.TrafficFileLoaded = true;
    const std::string bad = f.writeTraffic("Bad.trf", 24, 100, 10, 0); // a light speed of 0
    EXPECT_FALSE(ReadTrafficProperties(f.state, &error));
    EXPECT_NE(error.find("Bad.trf, line 16: expected speeds of light and heavy vehicles above 0"),
              std::string::npos)
        << error;
    EXPECT_TRUE(f.state.ErrorInTrafficFile);
    EXPECT_FALSE(f.state.TrafficFileLoaded);
    EXPECT_EQ(f.state.DayCases, 2);
    EXPECT_EQ(f.state.VehCatNames[1], "Cars");
    EXPECT_EQ(readFile(f.dir.path() / "work" / "Bad.trf"), bad) << "the file is only read";

    f.state.TrafficFile.clear();
    EXPECT_FALSE(ReadTrafficProperties(f.state, &error));
    EXPECT_FALSE(error.empty());
}
