// The key information above the results table and the window caption.

#include "run/results/ResultsKeyInfo.h"

#include <gtest/gtest.h>

using namespace vesk::results;

namespace {

// One unit of width per character: a box of W characters.
double charWidth(std::string_view text) {
    return static_cast<double>(text.size());
}

KeyInfoFacts demoFacts() {
    KeyInfoFacts f;
    f.streetName = "Demo Street";
    f.calcTime = "2024-03-05 14:07:09";
    f.firstCalcDate = "2023-01-01 00:00";
    f.lastCalcDate = "2023-12-31 23:00";
    f.dailyTrafficCalc = 17964;
    f.trafficFileType = 0;
    f.trafficFile = "./traffic\\DemoStreet.trf";
    f.annualDiurnalTraffic = 18000;
    f.scenarioYear = 2020;
    f.citySize = 2;
    f.citySizeName = "100,000 - 500,000";
    return f;
}

} // namespace

TEST(ResultsKeyInfo, aStandardTrafficFileRunGivesTheFiveLinesOfTheBox) {
    const std::vector<std::string> lines = keyInfoLines(demoFacts(), 80, charWidth);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "Average Daily Traffic: 18000 (Calculated: 17964); Default Traffic DemoStreet.trf");
    EXPECT_EQ(lines[2], "Emission Scenario Year: 2020");
    EXPECT_EQ(lines[3], "Period Covered (Default Meteorological Data): 01. January 2023 00:00  -  "
                        "31. December 2023 23:00");
    EXPECT_EQ(lines[4], "Urban Background:  Default for a City with a population of 100,000 - 500,000");
}

TEST(ResultsKeyInfo, theFirstLineSpreadsStreetAndTimeOverTheBoxWithoutReachingItsEdge) {
    const std::vector<std::string> lines = keyInfoLines(demoFacts(), 100, charWidth);
    const std::string &line = lines[0];
    EXPECT_EQ(line.rfind("Street: Demo Street ", 0), 0u);
    EXPECT_NE(line.find("  Calculated on: 2024-03-05 14:07:09"), std::string::npos);
    EXPECT_LT(line.size() * 1.3, 100.0);
    EXPECT_GT(line.size(), 60u) << "the blanks spread the halves apart";
}

TEST(ResultsKeyInfo, aBoxNarrowerThanTheTwoHalvesStillGetsAFirstLineWithOneBlank) {
    const std::vector<std::string> lines = keyInfoLines(demoFacts(), 10, charWidth);
    EXPECT_EQ(lines[0], "Street: Demo Street Calculated on: 2024-03-05 14:07:09");
}

TEST(ResultsKeyInfo, userProvidedMeteorologyAndBackgroundAreSaidSo) {
    KeyInfoFacts f = demoFacts();
    f.citySize = 0;
    const std::vector<std::string> lines = keyInfoLines(f, 80, charWidth);
    EXPECT_EQ(lines[3].rfind("Period Covered (User provided Meteorological Data): ", 0), 0u);
    EXPECT_EQ(lines[4], "Urban Background:  User provided");
}

struct TrafficCase {
    int type;
    std::string file;
    long calculated;
    std::string line;
};

class KeyInfoTrafficLine : public ::testing::TestWithParam<TrafficCase> {};

TEST_P(KeyInfoTrafficLine, theTrafficLineFollowsTheTrafficFileAndTheCalculatedTraffic) {
    KeyInfoFacts f = demoFacts();
    f.trafficFileType = GetParam().type;
    f.trafficFile = GetParam().file;
    f.dailyTrafficCalc = GetParam().calculated;
    EXPECT_EQ(keyInfoLines(f, 80, charWidth)[1], GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyInfoTrafficLine,
    ::testing::Values(
        TrafficCase{1, "My.trf", 1200, "Average Daily Traffic: 1200 (Calculated) ; User provided [My.trf]"},
        TrafficCase{0, "", 1200, "Average Daily Traffic: 18000 (Calculated: 1200); User provided"},
        TrafficCase{1, "", 1200, "Average Daily Traffic: 1200 (Calculated) ; User provided"},
        TrafficCase{0, "My.trf", -99, "Average Daily Traffic: Traffic data are missing"},
        // A traffic file of no known type is still told (as the user's own).
        TrafficCase{2, "My.trf", 1200, "Average Daily Traffic: 1200 (Calculated) ; User provided [My.trf]"}));

TEST(ResultsKeyInfo, theLinesAreJoinedWithLineEndsButTheLast) {
    EXPECT_EQ(joinKeyInfo({"a", "b", "c"}), "a\r\nb\r\nc");
}

TEST(ResultsKeyInfo, theStreetAndTimeAreReadBackFromAFirstLine) {
    std::string street, time;
    splitFirstKeyInfoLine("Street: Harbour Road       Calculated on: 2024-03-05 14:07:09", &street, &time);
    EXPECT_EQ(street, "Harbour Road");
    EXPECT_EQ(time, "2024-03-05 14:07:09");
    splitFirstKeyInfoLine("no colon here", &street, &time);
    EXPECT_EQ(street, "");
    EXPECT_EQ(time, "");
}

TEST(ResultsKeyInfo, theCaptionHoldsExactlyOnePairOfBracketsAroundTheResultName) {
    EXPECT_EQ(resultsCaption("Demo Street", "2024-03-05 14:07:09", "[old] run]s.res"),
              "Summary of Results for Demo Street. Calculated on 2024-03-05 14:07:09 [old runs.res]");
}
