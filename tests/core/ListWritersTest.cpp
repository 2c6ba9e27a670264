// The writers of the reference lists: what they write reads back identically
// through the program's own readers, at the columns the layouts give, and
// every list the readers could not load is refused before it is written.

#include "core/ListWriters.h"
#include "core/KeptSizes.h"
#include "project/ProjectCountry.h"

#include "CoreTestData.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace vesk;
using namespace vesk::test;

namespace {

// Writes text as a list of the demo country and loads every list again.
bool writeAndReload(ProgramDir &dir, Started &s, const std::string &list, const std::string &text) {
    dir.write("Lists/National/DL/" + list, text);
    std::string error;
    const bool loaded = ReloadCountryListsKeepingProject(s.state, s.ui, nullptr, &error);
    EXPECT_TRUE(loaded) << error;
    return loaded;
}

// The 1-based column at which part starts on line.
int columnOf(const std::string &line, const std::string &part) {
    const auto at = line.find(part);
    return at == std::string::npos ? -1 : static_cast<int>(at) + 1;
}

std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

} // namespace

// ---- Read back through the readers

TEST(ListWriters, PollutantsReadBackAsWrittenInANewOrderWithANewPollutant) {
    ProgramDir dir;
    Started s(dir);
    std::vector<PollutantRow> rows = pollutantRows(s.state);
    ASSERT_EQ(rows.size(), 8u);
    std::swap(rows[0], rows[4]);
    rows.push_back({"SO2", "Sulphur dioxide, a long name", "ppb", "microg", false, 0.3817});
    rows[1].microgToPpb = 0.5;
    ASSERT_EQ(pollutantListProblem(rows), "");
    ASSERT_TRUE(writeAndReload(dir, s, "Pollutants.lst", pollutantListText(rows)));
    EXPECT_EQ(pollutantRows(s.state), rows);
    EXPECT_EQ(s.state.NPol, 8);
    EXPECT_EQ(s.state.IndexCO, 0);
}

TEST(ListWriters, PercentilesReadBackSortedWithinEachFamily) {
    ProgramDir dir;
    Started s(dir);
    PercentileFamilies families = percentileFamilies(s.state);
    families[0].push_back({99.9, 9});
    families[0].insert(families[0].begin(), {90, 876});
    families[1].clear(); // a family without rows
    families[2].push_back({99.8, 1});
    ASSERT_EQ(percentileListProblem(families), "");
    ASSERT_TRUE(writeAndReload(dir, s, "PercDef.lst", percentileListText(families)));
    PercentileFamilies sorted = families;
    for (auto &f : sorted) {
        std::sort(f.begin(), f.end(), [](auto &a, auto &b) { return a.percentile < b.percentile; });
    }
    EXPECT_EQ(percentileFamilies(s.state), sorted);
    EXPECT_EQ(s.state.PercNamesHourly[1], "90_Perc");
    EXPECT_EQ(s.state.PercNamesDaily[3], "99.8_PercDaily");
    EXPECT_FLOAT_EQ(s.state.PercFracHourly[4], 0.001f);
    EXPECT_EQ(s.state.NumPercRun8, 0);
}

TEST(ListWriters, LimitValuesReadBackAsWrittenAndMatchTheDefinitions) {
    ProgramDir dir;
    Started s(dir);
    std::vector<LimitValueBlock> blocks = limitValueBlocks(s.state);
    ASSERT_EQ(blocks.size(), 6u);
    ASSERT_EQ(blocks[0].name, "NO2");
    blocks[0].rows[0].hourly[0] = 35.5; // the annual mean
    LimitValueRow alert = emptyLimitValueRow(s.state, "Alert threshold, a longer title than the others");
    alert.hourly[1] = 400;
    alert.daily[2] = 120.25;
    blocks[0].rows.push_back(alert);
    blocks.push_back({"NOx", {}}); // a pollutant without limit values
    ASSERT_EQ(limitValueListProblem(blocks, s.state), "");
    ASSERT_TRUE(writeAndReload(dir, s, "LimValDef.lst", limitValueListText(blocks, s.state)));
    EXPECT_EQ(limitValueBlocks(s.state), blocks);
    EXPECT_FALSE(s.state.LimHourlyCountDiff || s.state.LimRunAvgCountDiff || s.state.LimDailyCountDiff);
    EXPECT_FALSE(s.state.LimHourlyValueDiff || s.state.LimRunAvgValueDiff || s.state.LimDailyValueDiff);
    EXPECT_EQ(s.state.LimValHeadHourly, "Hourly values");
    EXPECT_EQ(s.state.LimValColNthHourly[2], "19th highest");
    EXPECT_TRUE(s.ui.messages.empty()) << s.ui.messages.front();
}

TEST(ListWriters, LimitValuesFollowChangedPercentileDefinitions) {
    ProgramDir dir;
    Started s(dir);
    PercentileFamilies families = percentileFamilies(s.state);
    families[0].push_back({99.9, 9});
    ASSERT_TRUE(writeAndReload(dir, s, "PercDef.lst", percentileListText(families)));
    EXPECT_TRUE(s.state.LimHourlyCountDiff); // the list names two hourly percentiles, now three
    s.ui.messages.clear();
    std::vector<LimitValueBlock> blocks = limitValueBlocks(s.state);
    ASSERT_EQ(blocks[0].rows[0].hourly.size(), 3u + 3u);
    ASSERT_TRUE(writeAndReload(dir, s, "LimValDef.lst", limitValueListText(blocks, s.state)));
    EXPECT_FALSE(s.state.LimHourlyCountDiff);
    EXPECT_EQ(limitValueBlocks(s.state), blocks);
}

// ---- Limit values carried along with changed percentile definitions or units

TEST(LimitColumns, GoWithTheirPercentilesWhenDefinitionsAreAddedAndRemoved) {
    ProgramDir dir;
    Started s(dir);
    std::vector<LimitValueBlock> blocks = limitValueBlocks(s.state);
    ASSERT_EQ(blocks[0].name, "NO2");
    ASSERT_EQ(blocks[0].rows[0].hourly, (std::vector<double>{40, -99, -99, 200, -99})) << "98, 99.8";
    ASSERT_EQ(blocks[1].name, "PM10");
    blocks[1].rows[0].daily[2] = 75; // a limit under the daily 98th percentile, which goes
    const PercentileNumbers from = percentileNumbers(s.state);

    PercentileFamilies families = percentileFamilies(s.state);
    families[0].push_back({90, 876}); // written first: the columns of 98 and 99.8 move on
    families[2].pop_back();           // the daily 98th percentile
    const PercentileNumbers to = percentileNumbers(families);
    EXPECT_EQ(to[0], (std::vector<double>{90, 98, 99.8}));
    ASSERT_FALSE(samePercentileColumns(from, to));

    const auto changes = limitColumnChanges(blocks, from, to);
    EXPECT_EQ(changes[0].added, (std::vector<double>{90}));
    EXPECT_TRUE(changes[0].removed.empty());
    EXPECT_FALSE(changes[0].moved) << "98 and 99.8 keep their order";
    EXPECT_FALSE(changes[1].any());
    EXPECT_EQ(changes[2].removed, (std::vector<double>{98}));
    EXPECT_EQ(changes[2].lost, (std::vector<std::string>{"PM10"}));

    const std::vector<LimitValueBlock> carried = carryLimitColumns(blocks, from, to);
    EXPECT_EQ(carried[0].rows[0].hourly, (std::vector<double>{40, -99, -99, -99, 200, -99}));
    EXPECT_EQ(carried[1].rows[0].daily, (std::vector<double>{-99, 50, -99}));
    EXPECT_EQ(carried[0].rows[0].title, blocks[0].rows[0].title);
    ASSERT_EQ(limitValueListProblem(carried, to), "");

    // Both lists as the percentiles editor saves them: the reader finds them in step.
    dir.write("Lists/National/DL/PercDef.lst", percentileListText(families));
    ASSERT_TRUE(writeAndReload(dir, s, "LimValDef.lst", limitValueListText(carried, s.state, to)));
    EXPECT_TRUE(s.ui.messages.empty()) << s.ui.messages.front();
    EXPECT_FALSE(s.state.LimHourlyCountDiff || s.state.LimHourlyValueDiff || s.state.LimDailyCountDiff);
    ASSERT_EQ(s.state.PercNamesHourly[3], "99.8_Perc");
    EXPECT_FLOAT_EQ(s.state.LimValPercHourly[1][3][1], 200.0f) << "the 19th highest keeps its limit";
    EXPECT_FLOAT_EQ(s.state.LimValPercHourly[1][1][1], -99.0f) << "the 876th highest has none";
    EXPECT_FLOAT_EQ(s.state.LimValPercDaily[2][1][1], 50.0f);
}

TEST(LimitColumns, OfAListInAnotherOrderArePutInTheOrderOfTheDefinitions) {
    LimitValueBlock no2{"NO2", {{"Hourly", {40, -99, 200, 150, 90}, {-99, -99}, {-99, -99}}}};
    PercentileNumbers from, to;
    from[0] = {99.8, 98}; // a list edited outside the program
    to[0] = {98, 99.8};
    const auto changes = limitColumnChanges({no2}, from, to);
    EXPECT_TRUE(changes[0].moved);
    EXPECT_TRUE(changes[0].added.empty() && changes[0].removed.empty());
    const auto carried = carryLimitColumns({no2}, from, to);
    EXPECT_EQ(carried[0].rows[0].hourly, (std::vector<double>{40, -99, 150, 200, 90}))
        << "data capture stays last";
    EXPECT_TRUE(
        samePercentileColumns(to, percentileNumbers(PercentileFamilies{{{{99.8, 18}, {98, 175}}, {}, {}}})))
        << "a save writes each family in ascending order";
}

namespace {

// The NO2 block with its hourly values for the columns 98 and 99.8 (average,
// maximum, 98, 99.8, data capture) and no running or daily limit values.
LimitValueBlock no2With(double annual, double p98, double p998, const char *title = "Hourly") {
    return {"NO2", {{title, {annual, -99, p98, p998, -99}, {-99, -99}, {-99, -99}}}};
}

struct TakeBackCase {
    const char *name;
    std::vector<LimitValueVersion> earlier; // most recent first
    double annualNow;                       // NO2's annual limit value in the list restored from
    double taken;                           // what the 99.8 column holds afterwards
    std::vector<std::string> regained, unknown;
};

void PrintTo(const TakeBackCase &c, std::ostream *os) {
    *os << c.name;
}

class LimitColumnsTakenBackFromEarlierLists : public testing::TestWithParam<TakeBackCase> {};

PercentileNumbers hourly(std::vector<double> numbers) {
    PercentileNumbers p;
    p[0] = std::move(numbers);
    return p;
}

} // namespace

TEST_P(LimitColumnsTakenBackFromEarlierLists, GiveTheColumnBroughtBackTheValuesItHadWhenItWasRemoved) {
    const TakeBackCase &c = GetParam();
    // Now: only the 98th percentile. The restore brings 99.8 back.
    const PercentileNumbers from = hourly({98}), to = hourly({98, 99.8});
    const std::vector<LimitValueBlock> now = {
        {"NO2", {{"Hourly", {c.annualNow, -99, -99, -99}, {-99, -99}, {-99, -99}}}}};
    std::vector<LimitValueBlock> carried = carryLimitColumns(now, from, to);
    ASSERT_EQ(carried[0].rows[0].hourly, (std::vector<double>{c.annualNow, -99, -99, -99, -99}));
    const auto taken = takeBackLimitColumns(carried, from, to, c.earlier);
    EXPECT_EQ(carried[0].rows[0].hourly, (std::vector<double>{c.annualNow, -99, -99, c.taken, -99}));
    EXPECT_EQ(taken[0].regained, c.regained);
    EXPECT_EQ(taken[0].unknown, c.unknown);
    EXPECT_TRUE(taken[1].regained.empty() && taken[1].unknown.empty() && taken[2].unknown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Restore, LimitColumnsTakenBackFromEarlierLists,
    testing::Values(
        // The latest save's backup holds the column: its value comes back.
        TakeBackCase{
            "FromTheLatestBackup",
            {{{no2With(40, -99, 180)}, hourly({98, 99.8})}, {{no2With(40, -99, 200)}, hourly({98, 99.8})}},
            40,
            180,
            {"NO2"},
            {}},
        // The latest backup lacks the column (a later save): the first-save backup gives it.
        TakeBackCase{"FromTheFirstBackup",
                     {{{{"NO2", {{"Hourly", {40, -99, -99, -99}, {-99, -99}, {-99, -99}}}}}, hourly({98})},
                      {{no2With(40, -99, 200)}, hourly({98, 99.8})}},
                     40,
                     200,
                     {"NO2"},
                     {}},
        // The column had no limit value when it was removed: none comes back from an older list.
        TakeBackCase{
            "NoneWhenItWasRemoved",
            {{{no2With(40, -99, -99)}, hourly({98, 99.8})}, {{no2With(40, -99, 200)}, hourly({98, 99.8})}},
            40,
            -99,
            {},
            {}},
        // Columns in another order in the backup are found by their percentile.
        TakeBackCase{
            "ByPercentileNotPosition",
            {{{{"NO2", {{"Hourly", {40, -99, 200, -99, -99}, {-99, -99}, {-99, -99}}}}}, hourly({99.8, 98})}},
            40,
            200,
            {"NO2"},
            {}},
        // The row's other values differ (another unit, or edited since): nothing is taken.
        TakeBackCase{"NotFromARowThatDisagrees",
                     {{{no2With(40, -99, 200)}, hourly({98, 99.8})}},
                     21.3,
                     -99,
                     {},
                     {"NO2"}},
        // Nor from one that differs in a percentile column both lists have, wherever it stands.
        TakeBackCase{
            "NotFromARowThatDisagreesOnASharedPercentile",
            {{{{"NO2", {{"Hourly", {40, -99, 200, 150, -99}, {-99, -99}, {-99, -99}}}}}, hourly({99.8, 98})}},
            40,
            -99,
            {},
            {"NO2"}},
        // No earlier list at all, or none with a row of that title.
        TakeBackCase{"NoEarlierList", {}, 40, -99, {}, {"NO2"}},
        TakeBackCase{"NoRowOfThatTitle",
                     {{{no2With(40, -99, 200, "Alert")}, hourly({98, 99.8})}},
                     40,
                     -99,
                     {},
                     {"NO2"}}),
    [](const testing::TestParamInfo<TakeBackCase> &info) { return std::string(info.param.name); });

TEST(LimitValueUnits, ScaleTheConcentrationsOfOnePollutantOnly) {
    std::vector<LimitValueBlock> blocks = {
        {"CO", {{"8-hour", {-99, -99, -99, -99, 90}, {10, -99, 75}, {0, -99, -99, -99}}}},
        {"NO2", {{"Hourly", {40, -99, -99, 200, -99}, {-99, -99}, {-99, -99, -99, -99}}}},
        {"PM10", {{"Capture only", {-99, -99, -99, -99, 90}, {-99, -99}, {-99, -99, -99, 80}}}}};
    EXPECT_TRUE(hasConcentrationLimits(blocks, "co"));
    EXPECT_FALSE(hasConcentrationLimits(blocks, "PM10")) << "data capture values are no concentrations";
    EXPECT_FALSE(hasConcentrationLimits(blocks, "O3"));
    scaleConcentrationLimits(blocks, "Co", 1000);
    EXPECT_EQ(blocks[0].rows[0].run8, (std::vector<double>{10000, -99, 75})) << "10 mg/m3, data capture 75 %";
    EXPECT_EQ(blocks[0].rows[0].hourly, (std::vector<double>{-99, -99, -99, -99, 90}));
    EXPECT_EQ(blocks[0].rows[0].daily, (std::vector<double>{0, -99, -99, -99})) << "no limit stays none";
    EXPECT_EQ(blocks[1].rows[0].hourly, (std::vector<double>{40, -99, -99, 200, -99})) << "NO2 untouched";
    scaleConcentrationLimits(blocks, "NO2", 0.001);
    EXPECT_DOUBLE_EQ(blocks[1].rows[0].hourly[0], static_cast<float>(0.04)) << "kept as the list keeps it";
    EXPECT_DOUBLE_EQ(blocks[1].rows[0].hourly[3], static_cast<float>(0.2))
        << "the last percentile column, just before the data capture, is a concentration too";
    EXPECT_EQ(blocks[1].rows[0].hourly[4], -99);
}

TEST(ListWriters, UrbanDataAndScenariosReadBackAsWritten) {
    ProgramDir dir;
    Started s(dir);
    std::vector<CityTypeRow> cities = cityTypeRows(s.state);
    cities.insert(cities.begin(), {"Village, 2 000", 800.5f, 7.25f});
    ASSERT_EQ(cityTypeListProblem(cities), "");
    ASSERT_TRUE(writeAndReload(dir, s, "UrbEmi.lst", cityTypeListText(cities)));
    EXPECT_EQ(cityTypeRows(s.state), cities);

    const std::vector<UrbanFileRow> files = {{"NOx", "UrbNOx2.dat"}, {"PM10", "UrbPM10.dat"}};
    ASSERT_EQ(urbanFileListProblem(files, s.state), "");
    ASSERT_TRUE(writeAndReload(dir, s, "UrbEmiFiles.lst", urbanFileListText(files)));
    EXPECT_EQ(s.state.UrbEmiFileNames[0], "UrbNOx2.dat");
    EXPECT_EQ(s.state.UrbEmiFileNames[5], "UrbPM10.dat");
    EXPECT_EQ(s.state.UrbEmiFileNames[4], "");

    ScenarioList list = scenarioList(s.state);
    list.rows.push_back({2010, ".\\Fleet2015.vlf", ".\\Fuels2015.flf"}); // out of order
    ASSERT_EQ(scenarioListProblem(list), "");
    ASSERT_TRUE(writeAndReload(dir, s, "Scenarios.lst", scenarioListText(list)));
    ScenarioList sorted = list;
    std::sort(sorted.rows.begin(), sorted.rows.end(), [](auto &a, auto &b) { return a.year < b.year; });
    EXPECT_EQ(scenarioList(s.state), sorted);

    list.fleetDatabase.clear(); // without a database the first line spans the scenario years
    ASSERT_TRUE(writeAndReload(dir, s, "Scenarios.lst", scenarioListText(list)));
    EXPECT_EQ(s.state.FleetDatabase, "");
    EXPECT_EQ(s.state.FleetFirstYear, 2010);
    EXPECT_EQ(s.state.FleetLastYear, 2030);
}

// ---- Layouts

TEST(ListWriters, PollutantValuesStartAtTheirColumnsAndAWideValueKeepsABlank) {
    const std::vector<PollutantRow> rows = {
        {"NOx", "N oxides", "microg", "ppb", true, 0.5229},
        {"X", "A long name wider than its column", "milig", "ppm", false, 2}};
    const std::vector<std::string> lines = linesOf(pollutantListText(rows));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "PollutName, PollutLongName, DefOutCUnit, StdInpCUnit,  Emission,  microg_To_ppb");
    EXPECT_EQ(columnOf(lines[1], "\"N oxides"), 15);
    EXPECT_EQ(columnOf(lines[1], "\"microg"), 30);
    EXPECT_EQ(columnOf(lines[1], "\"ppb"), 45);
    EXPECT_EQ(columnOf(lines[1], "#TRUE#"), 60);
    EXPECT_EQ(columnOf(lines[1], "0.5229"), 75);
    EXPECT_NE(lines[2].find("column\", \"milig\""), std::string::npos) << lines[2];
}

TEST(ListWriters, PercentileRecordsStartAtColumns1To35) {
    PercentileFamilies families;
    families[0] = {{99.8, 18}, {98, 175}};
    families[2] = {{90.4, 35}};
    const std::vector<std::string> lines = linesOf(percentileListText(families));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Name,           Fraction, nMax,   Type");
    EXPECT_EQ(lines[1], "\"98_Perc\",        0.02,   175,    0");
    EXPECT_EQ(columnOf(lines[2], "0.002"), 19);
    EXPECT_EQ(columnOf(lines[2], "18,"), 27);
    EXPECT_EQ(lines[3], "\"90.4_PercDaily\", 0.096,  35,     2");
}

TEST(ListWriters, CityTypeNumbersLineUpUnderTheHeader) {
    const std::vector<CityTypeRow> rows = {{"Exactly15 chars", 2000, 10}, {"Small", 500.5f, 7.5f}};
    const std::vector<std::string> lines = linesOf(cityTypeListText(rows));
    EXPECT_EQ(columnOf(lines[0], "Radius"), 21);
    EXPECT_EQ(columnOf(lines[0], "B_height"), 29);
    EXPECT_EQ(columnOf(lines[1], "2000"), 21);
    EXPECT_EQ(columnOf(lines[1], "10"), 29);
    EXPECT_EQ(columnOf(lines[2], "500.5"), 21);
    EXPECT_EQ(columnOf(lines[2], "7.5"), 29);
}

TEST(ListWriters, LimitValueHeaderNamesTheCurrentPercentilesAndTitlesAlignTheValues) {
    ProgramDir dir;
    Started s(dir);
    std::vector<LimitValueBlock> blocks = limitValueBlocks(s.state);
    blocks.resize(2);
    blocks[1].rows[0].title = "Short";
    const std::vector<std::string> lines = linesOf(limitValueListText(blocks, s.state));
    EXPECT_EQ(lines[6], "2");
    EXPECT_EQ(lines[7], std::string(25, ' ') + "av max 98 99.8 DC  max 93.2 DC  max 90.4 98 DC");
    EXPECT_EQ(lines[8], "*");
    EXPECT_EQ(lines[9], "\"NO2\",1");
    const int width = static_cast<int>(blocks[0].rows[0].title.size());
    EXPECT_EQ(columnOf(lines[10], ",40,"), width + 3)
        << lines[10]; // the comma after the title, values at w + 4
    EXPECT_EQ(lines[13], "\"Short\"," + std::string(static_cast<std::size_t>(width + 3 - 8), ' ') +
                             "40,-99,-99,-99,-99,-99,-99,-99,-99,50,-99,-99");
}

TEST(ListWriters, LimitValuesMarkedMissingBelowMinus99AreWrittenAsMinus99) {
    ProgramDir dir;
    Started s(dir);
    std::vector<LimitValueBlock> blocks = limitValueBlocks(s.state);
    const LimitValueRow before = blocks[0].rows[0];
    // A list edited by hand may mark a value missing with any number at or below -99.
    LimitValueRow &row = blocks[0].rows[0];
    row.hourly[1] = -999;
    row.run8[0] = -99.5;
    row.daily.back() = -1e30;
    ASSERT_EQ(limitValueListProblem(blocks, s.state), "");
    const std::string text = limitValueListText(blocks, s.state);
    const std::vector<std::string> lines = linesOf(text);
    ASSERT_GT(lines.size(), 10u);
    const std::string values = "40,-99,-99,200,-99,-99,-99,-99,-99,-99,-99,-99";
    EXPECT_EQ(lines[10].substr(lines[10].size() - values.size()), values) << lines[10];
    EXPECT_EQ(text.find("-999"), std::string::npos);
    EXPECT_EQ(text.find("-99.5"), std::string::npos);
    ASSERT_TRUE(writeAndReload(dir, s, "LimValDef.lst", text));
    EXPECT_EQ(limitValueBlocks(s.state)[0].rows[0], before);
}

// ---- Refusals

struct Refusal {
    const char *what;
    std::function<std::string()> check;
    const char *expected; // part of the refusal
};

class ListRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(ListRefusals, AreReportedBeforeAnythingIsWritten) {
    const std::string problem = GetParam().check();
    EXPECT_NE(problem.find(GetParam().expected), std::string::npos) << problem;
}

namespace {

std::vector<PollutantRow> basePollutants() {
    return {{"NOx", "Nitrogen oxides", "microg", "microg", true, 0.52},
            {"NO", "Nitrogen monoxide", "microg", "microg", false, 0.8},
            {"NO2", "Nitrogen dioxide", "microg", "microg", true, 0.52},
            {"O3", "Ozone", "microg", "microg", false, 0.5}};
}
std::string pollutantsWith(const std::function<void(std::vector<PollutantRow> &)> &change) {
    auto rows = basePollutants();
    change(rows);
    return pollutantListProblem(rows);
}
std::string percentilesWith(const std::function<void(PercentileFamilies &)> &change) {
    PercentileFamilies f;
    f[0] = {{98, 175}};
    change(f);
    return percentileListProblem(f);
}
std::string scenariosWith(const std::function<void(ScenarioList &)> &change) {
    ScenarioList l{"", 0, 0, {{2020, ".\\a.vlf", ".\\a.flf"}}};
    change(l);
    return scenarioListProblem(l);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Lists, ListRefusals,
    testing::Values(
        Refusal{"a pollutant without a name", [] { return pollutantsWith([](auto &r) { r[1].name = " "; }); },
                "has no name"},
        Refusal{"a duplicate pollutant in another case",
                [] { return pollutantsWith([](auto &r) {
                         r.push_back({"no2", "x", "ppb", "ppb", 1, 1});
                     }); },
                "twice"},
        Refusal{"a quote in a long name",
                [] { return pollutantsWith([](auto &r) { r[0].longName = "Nitrogen \"oxides\""; }); },
                "double quote"},
        Refusal{"more pollutants than the program keeps",
                [] { return pollutantsWith([](auto &r) {
                         while (r.size() <= static_cast<std::size_t>(kMaxPollutants)) {
                             r.push_back({"P" + std::to_string(r.size()), "x", "ppb", "ppb", 1, 1});
                         }
                     }); },
                "The list holds 51 pollutants, more than the 50 the program keeps."},
        Refusal{"a list without O3", [] { return pollutantsWith([](auto &r) { r.pop_back(); }); },
                "O3 is missing"},
        Refusal{"a unit that is no keyword",
                [] { return pollutantsWith([](auto &r) { r[0].inputUnit = "ug"; }); }, "must be one of"},
        Refusal{"an n-th highest beyond a leap year",
                [] { return percentilesWith([](auto &f) { f[0][0].nthHighest = 9000; }); },
                "between 0 and 8784"},
        Refusal{"a percentile defined twice",
                [] { return percentilesWith([](auto &f) {
                         f[0].push_back({98.0, 175});
                     }); },
                "defined twice"},
        Refusal{"more daily percentiles than a family keeps",
                [] {
                    return percentilesWith([](auto &f) {
                        for (int k = 1; k <= kMaxPercentileDefinitions + 1; ++k) {
                            f[2].push_back({k * 0.5, k});
                        }
                    });
                },
                "The daily percentiles are 101, more than the 100 the program keeps of a family."},
        Refusal{"a percentile of 100",
                [] { return percentilesWith([](auto &f) {
                         f[2].push_back({100, 0});
                     }); },
                "between 0 and 100"},
        Refusal{"an empty percentile cell",
                [] {
                    return percentilesWith([](auto &f) {
                        f[1].push_back({std::numeric_limits<double>::quiet_NaN(), -1});
                    });
                },
                "empty cell"},
        Refusal{"a city type with a quote",
                [] {
                    return cityTypeListProblem({{"Town \"A\"", 1, 1}});
                },
                "double quote"},
        Refusal{"a city type with a negative radius",
                [] {
                    return cityTypeListProblem({{"Town", -1, 1}});
                },
                "0 or more"},
        Refusal{"no scenario rows", [] { return scenariosWith([](auto &l) { l.rows.clear(); }); },
                "at least one record"},
        Refusal{"a duplicate scenario year",
                [] { return scenariosWith([](auto &l) { l.rows.push_back(l.rows[0]); }); }, "Duplicate"},
        Refusal{"a placeholder file name",
                [] { return scenariosWith([](auto &l) { l.rows[0].fuelFile = kFuelListPlaceholder; }); },
                "no fuel list file"},
        Refusal{"an implausible year", [] { return scenariosWith([](auto &l) { l.rows[0].year = 20; }); },
                "outside"},
        Refusal{"a fleet database starting after it ends",
                [] {
                    return scenariosWith([](auto &l) {
                        l.fleetDatabase = "Fleet.mdb";
                        l.firstYear = 2030;
                        l.lastYear = 2020;
                    });
                },
                "must not be after"},
        Refusal{"a fleet database without years",
                [] { return scenariosWith([](auto &l) { l.fleetDatabase = "Fleet.mdb"; }); }, "must lie in"}),
    [](const testing::TestParamInfo<Refusal> &info) { return testNameOf(info.param.what); });

TEST(ListRefusals, LimitValuesNeedTitlesOnePollutantBlockEachAndNoMoreRowsThanKept) {
    ProgramDir dir;
    Started s(dir);
    std::vector<LimitValueBlock> blocks = limitValueBlocks(s.state);
    blocks[0].rows[0].title = "";
    EXPECT_NE(limitValueListProblem(blocks, s.state).find("Title text must be provided"), std::string::npos);
    blocks = limitValueBlocks(s.state);
    blocks.push_back(blocks[0]);
    EXPECT_NE(limitValueListProblem(blocks, s.state).find("twice"), std::string::npos);
    blocks = limitValueBlocks(s.state);
    blocks[1].rows.resize(kMaxLimitValueRows, blocks[1].rows[0]);
    EXPECT_EQ(limitValueListProblem(blocks, s.state), "");
    blocks[1].rows.push_back(blocks[1].rows[0]);
    EXPECT_EQ(limitValueListProblem(blocks, s.state),
              "The pollutant " + blocks[1].name +
                  " has 51 limit values, more than the 50 the program keeps of a pollutant.");
    blocks = limitValueBlocks(s.state);
    while (blocks.size() <= static_cast<std::size_t>(kMaxPollutants)) {
        blocks.push_back(blocks[0]);
        blocks.back().name = "P" + std::to_string(blocks.size());
    }
    EXPECT_EQ(limitValueListProblem(blocks, s.state),
              "The Limit Values List holds 51 pollutants, more than the 50 the program keeps.");
    blocks = limitValueBlocks(s.state);
    blocks[1].rows[0].daily.pop_back();
    EXPECT_NE(limitValueListProblem(blocks, s.state).find("do not match"), std::string::npos);
    EXPECT_NE(urbanFileListProblem({{"SO2", "a.dat"}}, s.state).find("not in the Pollutants List"),
              std::string::npos);
    EXPECT_NE(urbanFileListProblem({{"NOx", "/elsewhere/a.dat"}}, s.state).find("without a folder"),
              std::string::npos);
}

// ---- Percentile conversions

struct Conversion {
    double percentile;
    int type;
    int n;
};

class PercentileToNthHighest : public testing::TestWithParam<Conversion> {};
TEST_P(PercentileToNthHighest, RoundsHalvesToEven) {
    EXPECT_EQ(nthHighestOfPercentile(GetParam().percentile, GetParam().type), GetParam().n);
}
INSTANTIATE_TEST_SUITE_P(YearOf8760HoursOr365Days, PercentileToNthHighest,
                         testing::Values(Conversion{98, 0, 175}, Conversion{99.8, 0, 18},
                                         Conversion{99.9, 0, 9}, Conversion{98, 2, 7},
                                         Conversion{93.2, 1, 25}, Conversion{50, 0, 4380}));

class NthHighestToPercentile : public testing::TestWithParam<Conversion> {};
TEST_P(NthHighestToPercentile, RoundsToOneDecimal) {
    EXPECT_DOUBLE_EQ(percentileOfNthHighest(GetParam().n, GetParam().type), GetParam().percentile);
}
INSTANTIATE_TEST_SUITE_P(YearOf8760HoursOr365Days, NthHighestToPercentile,
                         testing::Values(Conversion{99.8, 0, 18}, Conversion{90.1, 2, 36},
                                         Conversion{98.1, 2, 7}, Conversion{98, 0, 175},
                                         Conversion{100, 0, 0}));

// ---- The project's choices across a reload

TEST(ReloadKeepingTheProject, PerPollutantChoicesFollowTheirPollutantsByName) {
    ProgramDir dir;
    Started s(dir);
    ProjectState &st = s.state;
    const std::size_t n = static_cast<std::size_t>(st.NPol + 1);
    st.InputUnit.assign(n, "microg");
    st.OutputUnit.assign(n, "microg");
    st.PercSource.assign(n, 1);
    st.ShowPol.assign(n, true);
    st.InputUnit[4] = "1.96"; // CO
    st.PercSource[4] = 3;
    st.ShowPol[4] = false;
    st.ScenarioYear = 2020;
    st.VehicleListFile = ".\\Fleet2020.vlf";

    std::vector<PollutantRow> rows = pollutantRows(st);
    std::rotate(rows.begin(), rows.begin() + 4, rows.end()); // CO first
    rows.erase(rows.begin() + 1);                            // PM10 goes
    rows.push_back({"SO2", "Sulphur dioxide", "ppb", "ppm", false, 0.38});
    ASSERT_TRUE(writeAndReload(dir, s, "Pollutants.lst", pollutantListText(rows)));
    ASSERT_EQ(st.PollutantNames[0], "CO");
    EXPECT_EQ(st.InputUnit[0], "1.96");
    EXPECT_EQ(st.PercSource[0], 3);
    EXPECT_FALSE(st.ShowPol[0]);
    const std::size_t so2 = st.PollutantNames.size() - 1;
    EXPECT_EQ(st.PollutantNames[so2], "SO2");
    EXPECT_EQ(st.InputUnit[so2], "ppm");
    EXPECT_EQ(st.OutputUnit[so2], "ppb");
    EXPECT_EQ(st.PercSource[so2], 0);
    EXPECT_EQ(st.InputUnit.size(), st.PollutantNames.size());
    EXPECT_EQ(st.ScenarioYear, 2020);
    EXPECT_EQ(st.VehicleListFile, ".\\Fleet2020.vlf");
    EXPECT_FALSE(st.EmissionReady);
}
