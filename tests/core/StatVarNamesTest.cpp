#include "core/StatVarNames.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

void setPollutants(ReferenceTables &t, std::vector<std::pair<std::string, std::string>> pollutants) {
    t.PollutantNames.clear();
    t.PollutantLongNames.clear();
    for (auto &[name, longName] : pollutants) {
        t.PollutantNames.push_back(name);
        t.PollutantLongNames.push_back(longName);
    }
    t.NPol = static_cast<int>(pollutants.size()) - 1;
}

void addHourly(ReferenceTables &t, const std::string &name, int n) {
    t.PercNamesHourly.push_back(name);
    t.NthHighestNamesHourly.push_back(std::to_string(n) + "thHighest");
    t.PercNthHourly.push_back(n);
    t.NumPercHourly = static_cast<int>(t.PercNamesHourly.size()) - 1;
    t.PercDefNames.push_back(name);
    t.PercDefNthNames.push_back(std::to_string(n) + "thHighest");
    t.PercDefTypes.push_back(0);
}

} // namespace

TEST(BuildStatVarCatalogue, OnePollutantWithoutPercentilesGivesSixtyThreeEntries) {
    ReferenceTables t;
    setPollutants(t, {{"NO2", "Nitrogen dioxide"}});
    ASSERT_TRUE(BuildStatVarCatalogue(t, 2, nullptr));
    ASSERT_EQ(t.StatVarNames.size(), 64u);
    EXPECT_EQ(t.StatVarList.count(), 21);
    EXPECT_EQ(t.StatVarNames[1], "MaxHourlyNO2_mod");
    EXPECT_EQ(t.StatVarDescriptions[1],
              "Maximum hourly concentration, Nitrogen dioxide, modelled, max both sides");
    EXPECT_EQ(t.StatVarTypes[1], "float");
    EXPECT_EQ(t.StatVarNames[7], "nDaysDNO2_mod");
    EXPECT_EQ(t.StatVarTypes[7], "integer");
    EXPECT_EQ(t.StatVarNames[22], "MaxHourlyNO2_mod_1");
    EXPECT_EQ(t.StatVarNames[63], "nDaysDNO2_b_2");
    EXPECT_EQ(t.StatVarDescriptions[63],
              "Number of daily averages processed, Nitrogen dioxide, background, side 2");
    EXPECT_EQ(t.StatVarList.at(0).Name, "MaxHourlyNO2_mod");
    EXPECT_NE(t.StatVarList.find("avno2_OBS"), nullptr);
}

TEST(BuildStatVarCatalogue, CountsFollowPollutantsAndPercentilesAndRebuildingResetsValues) {
    ReferenceTables t;
    setPollutants(t, {{"NOx", "Nitrogen oxides"}, {"NO2", "Nitrogen dioxide"}});
    addHourly(t, "98_Perc", 176);
    addHourly(t, "99.8_Perc", 19);
    ASSERT_TRUE(BuildStatVarCatalogue(t, 2, nullptr));
    const std::size_t expected = 9 * 2 * (7 + 2 * 2);
    EXPECT_EQ(t.StatVarNames.size() - 1, expected);
    EXPECT_EQ(static_cast<std::size_t>(t.StatVarList.count()), expected / 3);
    EXPECT_EQ(t.StatVarNames[5], "98_PercNOx_mod");
    EXPECT_EQ(t.StatVarNames[6], "176thHighestNOx_mod");
    EXPECT_EQ(t.StatVarDescriptions[6], "176thHighest, Nitrogen oxides, modelled, max both sides");

    t.StatVarList.item("AvNO2_mod").setValue(1, 12.0f);
    ASSERT_TRUE(BuildStatVarCatalogue(t, 2, nullptr));
    EXPECT_EQ(t.StatVarNames.size() - 1, expected);
    EXPECT_EQ(t.StatVarList.item("AvNO2_mod").Value(1), -99.0f);
}

TEST(BuildStatVarCatalogue, FailsOnPollutantsThatShareANameOrDefinitionsThatShareAnN) {
    ReferenceTables t;
    setPollutants(t, {{"NO2", "a"}, {"no2", "b"}});
    std::string error;
    EXPECT_FALSE(BuildStatVarCatalogue(t, 2, &error));
    EXPECT_NE(error.find("occurs twice"), std::string::npos);

    ReferenceTables u;
    setPollutants(u, {{"NO2", "a"}});
    addHourly(u, "98_Perc", 19);
    addHourly(u, "99.8_Perc", 19);
    EXPECT_FALSE(BuildStatVarCatalogue(u, 2, nullptr));
}

TEST(AddSeriesVarNames, PlainNameWithFlagGetsThreeTimesPollutantsPlusElevenVariants) {
    ReferenceTables t;
    setPollutants(t, {{"NOx", "Nitrogen oxides"}, {"NO2", "Nitrogen dioxide"}});
    int i = 1;
    t.SeriesVarNames = {"", "Av"};
    t.SeriesVarDescriptions = {"", "Average"};
    t.SeriesVarTypes = {"", "float"};
    AddSeriesVarNames(t, i, "Av", "Average", true);
    EXPECT_EQ(i, 1 + 3 * 2 + 11);
    ASSERT_EQ(t.SeriesVarNames.size(), static_cast<std::size_t>(i) + 1);
    const std::vector<std::string> expected = {
        "AvNOx",   "AvNO2",   "Av_b",   "Av_obs",   "Av_mod",   "Av_1",   "AvNOx_1",  "AvNO2_1", "Av_2",
        "AvNOx_2", "AvNO2_2", "Av_b_1", "Av_obs_1", "Av_mod_1", "Av_b_2", "Av_obs_2", "Av_mod_2"};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(t.SeriesVarNames[k + 2], expected[k]) << k;
        EXPECT_EQ(t.SeriesVarTypes[k + 2], "float") << k;
    }
    EXPECT_EQ(t.SeriesVarDescriptions[2], "Average of Nitrogen oxides");
    EXPECT_EQ(t.SeriesVarDescriptions[7], "Average, side 1");
    EXPECT_EQ(t.SeriesVarDescriptions[8], "Average of Nitrogen oxides, side 1");
    EXPECT_EQ(t.SeriesVarDescriptions[18], "Average, modelled, side 2");
}

TEST(AddSeriesVarNames, PlainNameWithoutFlagGetsElevenAndSeriesWordsOnlyTheirSides) {
    ReferenceTables t;
    setPollutants(t, {{"NOx", "Nitrogen oxides"}});
    t.SeriesVarNames = {"", "NOx"};
    t.SeriesVarDescriptions = {"", "Nitrogen oxides concentration"};
    t.SeriesVarTypes = {"", "float"};
    int i = 1;
    AddSeriesVarNames(t, i, "NOx", "Nitrogen oxides concentration", false);
    EXPECT_EQ(i, 12);
    int j = i + 1;
    t.SeriesVarNames.push_back("mODELLED");
    t.SeriesVarDescriptions.push_back("Modelled");
    t.SeriesVarTypes.push_back("float");
    AddSeriesVarNames(t, j, "mODELLED", "Modelled", true);
    EXPECT_EQ(j, 15);
    EXPECT_EQ(t.SeriesVarNames[14], "mODELLED_1");
    EXPECT_EQ(t.SeriesVarNames[15], "mODELLED_2");
}

TEST(AddBothSidesVarNames, AppendsNineEntriesWithTheMaxBothSidesOnesLast) {
    ReferenceTables t;
    int k = 0;
    AddBothSidesVarNames(t, k, "NO2", "Nitrogen dioxide concentration");
    EXPECT_EQ(k, 9);
    const std::vector<std::string> expected = {"NO2_b_1",   "NO2_obs_1", "NO2_mod_1", "NO2_b_2", "NO2_obs_2",
                                               "NO2_mod_2", "NO2_b",     "NO2_obs",   "NO2_mod"};
    for (std::size_t n = 0; n < expected.size(); ++n) {
        EXPECT_EQ(t.BothSidesVarNames[n + 1], expected[n]);
    }
    EXPECT_EQ(t.BothSidesVarDescriptions[1], "Nitrogen dioxide concentration, background, side 1");
    EXPECT_EQ(t.BothSidesVarDescriptions[9], "Nitrogen dioxide concentration, modelled, max both sides");
    AddBothSidesVarNames(t, k, "DayCase", "case");
    EXPECT_EQ(k, 18);
}

struct LabelCase {
    const char *label1;
    const char *label2;
    const char *expected;
};

class NormalizeVarNameRules : public ::testing::TestWithParam<LabelCase> {
protected:
    static ReferenceTables tables() {
        ReferenceTables t;
        setPollutants(t,
                      {{"NOx", "Nitrogen oxides"}, {"NO", "Nitrogen monoxide"}, {"NO2", "Nitrogen dioxide"}});
        addHourly(t, "98_Perc", 176);
        addHourly(t, "99.8_Perc", 19);
        return t;
    }
};

TEST_P(NormalizeVarNameRules, GivesTheCanonicalName) {
    const ReferenceTables t = tables();
    EXPECT_EQ(NormalizeVarName(t, GetParam().label1, GetParam().label2), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Labels, NormalizeVarNameRules,
                         ::testing::Values(LabelCase{"98_Perc", "NO2_obs_2", "98_percNO2_obs_2"},
                                           LabelCase{"NO2_obs_2", "98_Perc", "98_percNO2_obs_2"},
                                           LabelCase{"19thHighest", "NO2_mod_1", "19thhighestNO2_mod_1"},
                                           LabelCase{"MaxHourly", "NOx_mod", "MaxHourlyNOx_mod"},
                                           LabelCase{"Average", "NO_b", "avNO_b"},
                                           LabelCase{"DayOfWeek", "NO2_mod_1", "DayOfWeek"},
                                           LabelCase{"x_COORDINATE", "anything", "x_COORDINATE"},
                                           LabelCase{"NO2_mod_1", "DayOfWeek", "NO2_mod_1"},
                                           LabelCase{"maxdaily average", "NO2", "MaxDailyNO2"},
                                           LabelCase{"nDaysD", "NO2_mod", "nDaysDNO2_mod"},
                                           LabelCase{"nDays", "NO2 modelled", "nDaysNO2_mod"},
                                           LabelCase{"nDays", "nDaysD", "nDaysD"},
                                           LabelCase{"Measured", "no2", "NO2_obs"},
                                           LabelCase{"street", "value", ""}));
