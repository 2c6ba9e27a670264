// The results of the streets of a multi-street run: registered by the run in
// street order, saved and read again.

#include "run/results/StreetResults.h"

#include "calc/Format.h"
#include "core/KeptSizes.h"
#include "core/Settings.h"
#include "core/TextIO.h"
#include "project/Batch.h"
#include "project/InitProgram.h"
#include "run/BatchRun.h"
#include "run/RunFixture.h"
#include "run/State.h"
#include "run/results/ResultsFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>

using namespace vesk;
using namespace vesk::results;
namespace fs = std::filesystem;

namespace {

// The multi-street sample run on a copy of the data tree, as the window runs it
// (the command line's loading, then a run that is not a batch run).
class MultiStreetSample : public ::testing::Test {
public:
    explicit MultiStreetSample(bool batch = false, int threads = 0) {
        std::optional<test::StreetThreads> threadCount;
        if (threads > 0) {
            threadCount.emplace(threads);
        }
        test::copyDataTree(dir.path());
        auto startUp = [&](ProjectState &s, Interaction &interaction) {
            return InitProgram(s, dir.path().string() + "/", interaction, settings, [](CoreState &) {});
        };
        CommandLine line;
        line.projectFile = (dir.path() / "Working" / "DemoStreets.vkm").string();
        line.batch = true;
        status = runBatch(state, ui, line, startUp,
                          [this, batch](ProjectState &, Interaction &i, std::string *error) {
                              state.BatchMode = batch;
                              return calculateProject(state, i, error);
                          });
    }
    // The cells of the statistics file by street and column.
    std::string statCell(const std::string &street, const std::string &column) const {
        const std::vector<std::string> lines =
            splitLines(test::readFile(dir.path() / "Working" / "StreetsStat2023.txt"));
        auto cells = [](const std::string &line) {
            std::vector<std::string> out;
            std::size_t start = 0;
            for (std::size_t at = line.find(';');; at = line.find(';', start)) {
                out.push_back(
                    trim(line.substr(start, at == std::string::npos ? std::string::npos : at - start)));
                if (at == std::string::npos) {
                    return out;
                }
                start = at + 1;
            }
        };
        const std::vector<std::string> head = cells(lines.at(0));
        const auto c = static_cast<std::size_t>(std::find(head.begin(), head.end(), column) - head.begin());
        for (const std::string &line : lines) {
            const std::vector<std::string> row = cells(line);
            if (row.at(0) == street) {
                return row.at(c);
            }
        }
        return "(none)";
    }
    int column(const StreetResultsStore &store, const std::string &caption) const {
        const auto &cols = store.columns();
        const auto at = std::find_if(cols.begin(), cols.end(),
                                     [&](const SummaryColumn &c) { return c.caption == caption; });
        return at == cols.end() ? -1 : static_cast<int>(at - cols.begin());
    }

    test::TempDir dir;
    State state;
    test::ScriptedInteraction ui;
    MemorySettings settings;
    int status = -1;
};

} // namespace

TEST_F(MultiStreetSample, everyStreetIsRegisteredInStreetOrderWithTheNumbersOfTheStatisticsFile) {
    ASSERT_EQ(status, kExitSucceeded);
    ASSERT_NE(state.StreetResults, nullptr);
    const StreetResultsStore &store = *state.StreetResults;
    ASSERT_EQ(store.streets().size(), 4u);
    std::vector<std::string> names;
    for (const StreetEntry &e : store.streets()) {
        names.push_back(e.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Harbour Road", "Market Street", "Old Lane", "Ring Avenue"}));
    EXPECT_FALSE(store.streets()[2].active);
    EXPECT_EQ(store.streets()[0].dailyTraffic, 21982);
    EXPECT_EQ(store.streets()[0].firstCalcDate, "2023-01-01 00:00");
    EXPECT_EQ(store.title(), "Demo streets");
    EXPECT_EQ(store.calcTime(), state.CalcTime);

    const int average = column(store, "NO2 Average");
    const int hourly = column(store, "NO2 19th highest");
    ASSERT_GE(average, 0);
    ASSERT_GE(hourly, 0);
    EXPECT_FLOAT_EQ(store.columns()[static_cast<std::size_t>(average)].limit, 40.0f);
    EXPECT_FLOAT_EQ(store.columns()[static_cast<std::size_t>(hourly)].limit, 200.0f);
    for (const StreetEntry &e : store.streets()) {
        if (!e.active) {
            EXPECT_EQ(e.summary[static_cast<std::size_t>(average)], -99.0f) << e.name;
            continue;
        }
        const std::string larger =
            std::max(std::stod(statCell(e.name, "AvNO2_mod_1")),
                     std::stod(statCell(e.name, "AvNO2_mod_2"))) == std::stod(statCell(e.name, "AvNO2_mod_1"))
                ? statCell(e.name, "AvNO2_mod_1")
                : statCell(e.name, "AvNO2_mod_2");
        EXPECT_EQ(Format(e.summary[static_cast<std::size_t>(average)], "0.0"), larger) << e.name;
    }
}

TEST_F(MultiStreetSample, oneStreetsFullStatisticsAreReadBackFromTheStore) {
    ASSERT_EQ(status, kExitSucceeded);
    KeyedList<StatVar> stats;
    std::string error;
    ASSERT_TRUE(state.StreetResults->streetStatistics(1, &stats, &error)) << error;
    const StatVar &av = stats.item("AvNO2_mod");
    EXPECT_EQ(Format(av.Value(1), "0.0"), statCell("Market Street", "AvNO2_mod_1"));
    EXPECT_EQ(Format(av.Value(2), "0.0"), statCell("Market Street", "AvNO2_mod_2"));
    EXPECT_EQ(Format(stats.item("19thHighestNO2_mod").Value(2), "0.0"),
              statCell("Market Street", "19thHighestNO2_mod_2"));
}

TEST_F(MultiStreetSample, aSavedStoreOpensAgainWithTheSameStreetsAndTheTemporaryFileIsGone) {
    ASSERT_EQ(status, kExitSucceeded);
    StreetResultsStore &store = *state.StreetResults;
    const std::string temporary = store.path();
    ASSERT_TRUE(store.isTemporary());
    ASSERT_TRUE(fs::exists(temporary));
    const std::string saved = (dir.path() / "streets.msr").string();
    std::string error;
    ASSERT_TRUE(store.saveAs(saved, &error)) << error;
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_FALSE(store.isTemporary());

    const auto reopened = StreetResultsStore::open(saved, state, &error);
    ASSERT_NE(reopened, nullptr) << error;
    ASSERT_EQ(reopened->streets().size(), store.streets().size());
    for (std::size_t i = 0; i < store.streets().size(); ++i) {
        EXPECT_EQ(reopened->streets()[i].name, store.streets()[i].name);
        EXPECT_EQ(reopened->streets()[i].summary, store.streets()[i].summary);
    }
    EXPECT_EQ(reopened->calcTime(), store.calcTime());
    KeyedList<StatVar> stats;
    ASSERT_TRUE(reopened->streetStatistics(3, &stats, &error)) << error;
    KeyedList<StatVar> original;
    ASSERT_TRUE(store.streetStatistics(3, &original, &error));
    EXPECT_EQ(stats.item("MaxHourlyNOx_mod").Value(1), original.item("MaxHourlyNOx_mod").Value(1));
}

TEST_F(MultiStreetSample, everyStreetKeepsThePeriodRunAndTheOutputUnitsOfTheRun) {
    ASSERT_EQ(status, kExitSucceeded);
    const StreetResultsStore &store = *state.StreetResults;
    for (const StreetEntry &e : store.streets()) {
        if (e.active) {
            EXPECT_EQ(e.period.hours, 8760) << e.name;
            EXPECT_EQ(e.period.days, 365) << e.name;
        }
    }
    ASSERT_GE(store.outputUnits().size(), 5u);
    EXPECT_EQ(store.outputUnits()[4], "milig") << "CO as the sample writes it";
}

TEST_F(MultiStreetSample, aFileOfTheFirstLayoutIsReadWithThePeriodOfItsFirstAndLastHour) {
    ASSERT_EQ(status, kExitSucceeded);
    const StreetResultsStore &store = *state.StreetResults;
    // The same streets as the first layout wrote them: no units, no period.
    std::string old;
    bool streets = false;
    int header = 0;
    for (const std::string &line : splitLines(test::readFile(store.path()))) {
        std::vector<std::string> f = test::rawFields(line);
        if (!streets && ++header > 4 && f[0] != "\"Streets\"") {
            continue; // the lines of what the run showed its results by came later
        }
        if (f[0] == "\"WinVESK multi-street results\"") {
            f[1] = "1";
        } else if (f[0] == "\"Pollutants\"") {
            std::vector<std::string> pairs(f.begin(), f.begin() + 2);
            for (std::size_t i = 2; i + 2 < f.size(); i += 3) {
                pairs.push_back(f[i]);
                pairs.push_back(f[i + 1]);
            }
            f = pairs;
        } else if (f[0] == "\"Streets\"") {
            streets = true;
        } else if (streets && f[0] != "\"End\"" && f.size() > 14) {
            f.erase(f.begin() + 12, f.begin() + 14);
        }
        old += line.empty() ? "" : test::joinedFields(f) + "\r\n";
    }
    std::string error;
    const auto read = StreetResultsStore::open(dir.write("first.msr", old).string(), state, &error);
    ASSERT_NE(read, nullptr) << error;
    ASSERT_EQ(read->streets().size(), store.streets().size());
    for (std::size_t i = 0; i < store.streets().size(); ++i) {
        EXPECT_EQ(read->streets()[i].summary, store.streets()[i].summary) << i;
        EXPECT_EQ(read->streets()[i].period.hours, store.streets()[i].period.hours) << i;
        EXPECT_EQ(read->streets()[i].period.days, store.streets()[i].period.days) << i;
    }
    KeyedList<StatVar> stats, original;
    ASSERT_TRUE(read->streetStatistics(3, &stats, &error)) << error;
    ASSERT_TRUE(store.streetStatistics(3, &original, &error));
    EXPECT_EQ(stats.item("AvNO2_mod").Value(2), original.item("AvNO2_mod").Value(2));
}

TEST_F(MultiStreetSample, theStoreOfARunIsRemovedWithTheStore) {
    ASSERT_EQ(status, kExitSucceeded);
    const std::string temporary = state.StreetResults->path();
    state.StreetResults.reset();
    EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(MultiStreetSample, aFileThatEndsBeforeItsEndLineOrIsNoStoreIsRefusedWithTheReason) {
    ASSERT_EQ(status, kExitSucceeded);
    std::string text = test::readFile(state.StreetResults->path());
    text.erase(text.rfind("\"End\""));
    std::string error;
    EXPECT_EQ(StreetResultsStore::open(dir.write("cut.msr", text).string(), state, &error), nullptr);
    EXPECT_NE(error.find("did not finish"), std::string::npos) << error;
    EXPECT_EQ(StreetResultsStore::open(dir.write("other.msr", "\"Street: x\"\r\n").string(), state, &error),
              nullptr);
    EXPECT_NE(error.find("not a multi-street result file"), std::string::npos) << error;
}

// The store's text without its end line (which holds the time of calculation).
std::string storedStreets(const StreetResultsStore &store) {
    std::string text = test::readFile(store.path());
    return text.substr(0, text.rfind("\"End\""));
}

TEST(StreetResultsOfARun, areTheSameForAnyNumberOfThreads) {
    struct Run : MultiStreetSample {
        explicit Run(int threads) : MultiStreetSample(false, threads) {}
        void TestBody() override {}
    };
    const Run serial(1);
    const Run parallel(3);
    ASSERT_NE(serial.state.StreetResults, nullptr);
    ASSERT_NE(parallel.state.StreetResults, nullptr);
    EXPECT_EQ(storedStreets(*parallel.state.StreetResults), storedStreets(*serial.state.StreetResults));
    EXPECT_EQ(parallel.state.StreetResults->streets().size(), 4u);
}

class MultiStreetBatch : public MultiStreetSample {
protected:
    MultiStreetBatch() : MultiStreetSample(true) {}
};

TEST_F(MultiStreetBatch, aBatchRunKeepsNoStoreOfItsStreets) {
    ASSERT_EQ(status, kExitSucceeded);
    EXPECT_EQ(state.StreetResults, nullptr);
}

TEST(StreetResults, exceedancesCountOnlyValuesAboveTheirLimit) {
    StreetEntry e;
    e.summary = {41.0f, 40.0f, -99.0f, 250.0f};
    std::vector<SummaryColumn> columns(4);
    for (SummaryColumn &c : columns) {
        c.limit = 40.0f;
    }
    columns[3].limit = 200.0f;
    EXPECT_EQ(exceedances(e, columns), 2);
}

// NO2 with two limit values of the annual average: 40 and a stricter 25.
const char *kTwoNO2Limits = "\"Hourly values\"\r\n"
                            "\"Average\",\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
                            "\"Running 8 hours averages\"\r\n"
                            "\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
                            "\"Daily averages\"\r\n"
                            "\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
                            "1\r\n"
                            "Average Maximum 99.8 dc Maximum dc Maximum 90.4 dc\r\n"
                            "---- NO2\r\n"
                            "\"NO2\",2\r\n"
                            "\"EU limit value\",40,-99,200,-99,-99,-99,-99,-99,-99\r\n"
                            "\"Guideline\",25,-99,-99,-99,-99,-99,-99,-99,-99\r\n";

struct TwoLimitValues : test::ResultsFixture {
    TwoLimitValues() : ResultsFixture(kTwoNO2Limits) {}
    // A street of the given NO2 annual averages of both sides.
    StreetEntry street(int number, float side1, float side2) {
        set("AvNO2_mod", side1, side2);
        StreetEntry e;
        e.number = number;
        e.name = "Street " + std::to_string(number);
        return e;
    }
};

TEST_F(TwoLimitValues, aStreetAboveTheLowerLimitOnlyIsCountedAsExceedingIt) {
    StreetResultsStore store;
    std::string error;
    ASSERT_TRUE(store.start(s, &error)) << error;
    const auto &cols = store.columns();
    const auto average = std::find_if(cols.begin(), cols.end(),
                                      [](const SummaryColumn &c) { return c.caption == "NO2 Average"; });
    ASSERT_NE(average, cols.end()) << (ui.messages.empty() ? "" : ui.messages.front());
    EXPECT_FLOAT_EQ(average->limit, 25.0f) << "the street list sets a street against the lower limit";
    ASSERT_TRUE(store.addStreet(street(1, 30, 28), s.StatVarList, &error)) << error; // above 25, below 40
    ASSERT_TRUE(store.addStreet(street(2, 20, 22), s.StatVarList, &error)) << error; // below both
    ASSERT_TRUE(store.finish("2023-12-31 12:00", &error)) << error;
    EXPECT_EQ(exceedances(store.streets()[0], cols), 1);
    EXPECT_EQ(exceedances(store.streets()[1], cols), 0);
    EXPECT_NE(streetListKeyInfo(store)[1].find("1 street exceeds a limit value"), std::string::npos)
        << streetListKeyInfo(store)[1];
}

// The table of street i of a store on page 0 as the state shows it.
std::vector<std::string> streetPage(const State &s, const StreetResultsStore &store, std::size_t i) {
    KeyedList<StatVar> stats;
    std::string error;
    EXPECT_TRUE(store.streetStatistics(i, &stats, &error)) << error;
    const StatSource source{&stats, &store.pollutants(), &store.outputUnitFactor(), &store.outputUnits(),
                            store.streets().at(i).period};
    return test::ResultsFixture::rowsOf(buildResultsPage(s, source, 0));
}

TEST_F(TwoLimitValues, aSavedStoreShowsTheRunsLimitValuesAndOptionsAfterTheListsAndTheProjectChanged) {
    s.CitySize = 2;
    StreetResultsStore store;
    std::string error;
    ASSERT_TRUE(store.start(s, &error)) << error;
    ASSERT_TRUE(store.addStreet(street(1, 30, 28), s.StatVarList, &error)) << error;
    ASSERT_TRUE(store.finish("2023-12-31 12:00", &error)) << error;
    const std::string saved = (dir.path() / "kept.msr").string();
    ASSERT_TRUE(store.saveAs(saved, &error)) << error;
    const std::vector<std::string> runPage = streetPage(s, store, 0);

    // The country's limit values edited, another project's options and city size.
    for (std::vector<float> &rows : s.LimValAvHourly) {
        for (float &limit : rows) {
            limit = limit > 0 ? limit + 20 : limit;
        }
    }
    s.ShowPol.assign(s.ShowPol.size(), false);
    s.PercMode = 1;
    s.CitySize = 0;
    const auto opened = StreetResultsStore::open(saved, s, &error);
    ASSERT_NE(opened, nullptr) << error;
    ASSERT_EQ(opened->columns().size(), store.columns().size());
    for (std::size_t c = 0; c < store.columns().size(); ++c) {
        EXPECT_EQ(opened->columns()[c].caption, store.columns()[c].caption);
        EXPECT_EQ(opened->columns()[c].limit, store.columns()[c].limit) << store.columns()[c].caption;
    }
    EXPECT_EQ(exceedances(opened->streets()[0], opened->columns()), 1);
    State shown = s;
    applyView(opened->view(), opened->pollutants(), shown);
    EXPECT_EQ(streetPage(shown, *opened, 0), runPage);
    const KeyInfoFacts facts = streetKeyInfoFacts(*opened, 0);
    EXPECT_TRUE(facts.citySizeKnown);
    EXPECT_EQ(facts.citySize, 2);
    EXPECT_EQ(facts.citySizeName, citySizeName(s, 2));
}

// The period covered of streets with these last hours (all from 1 January
// 2023 00:00; "" = a street without an hour).
struct StreetEnds {
    const char *name;
    std::vector<std::string> lasts;
    const char *says;
};

class StreetListPeriod : public TwoLimitValues, public testing::WithParamInterface<StreetEnds> {};

TEST_P(StreetListPeriod, namesTheStreetsThatEndEarlier) {
    StreetResultsStore store;
    std::string error;
    ASSERT_TRUE(store.start(s, &error)) << error;
    int number = 0;
    for (const std::string &last : GetParam().lasts) {
        StreetEntry e = street(++number, 30, 28);
        if (!last.empty()) {
            e.firstCalcDate = "2023-01-01 00:00";
            e.lastCalcDate = last;
        }
        ASSERT_TRUE(store.addStreet(e, s.StatVarList, &error)) << error;
    }
    ASSERT_TRUE(store.finish("2023-12-31 12:00", &error)) << error;
    EXPECT_EQ(streetListKeyInfo(store)[3],
              std::string("Period Covered: 01. January 2023 00:00  -  ") + GetParam().says);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, StreetListPeriod,
    testing::Values(
        StreetEnds{"AllAtTheEnd", {"2023-12-31 23:00", "", "2023-12-31 23:00"}, "31. December 2023 23:00"},
        StreetEnds{"OneEarlier",
                   {"2023-12-31 23:00", "2023-03-10 00:00"},
                   "31. December 2023 23:00 (1 street ends earlier, at 10. March 2023 00:00)"},
        StreetEnds{"SeveralEarlierAtDifferentHours",
                   {"2023-12-31 23:00", "2023-03-10 05:00", "2023-03-10 00:00", "2023-03-10 02:00"},
                   "31. December 2023 23:00 (3 streets end earlier, from 10. March 2023 00:00 to "
                   "10. March 2023 05:00)"},
        StreetEnds{"SeveralEarlierAtOneHour",
                   {"2023-03-10 00:00", "2023-03-10 00:00", "2023-12-31 23:00"},
                   "31. December 2023 23:00 (2 streets end earlier, at 10. March 2023 00:00)"}),
    [](const auto &info) { return std::string(info.param.name); });

// The modes of the hourly, running 8-hour and daily percentiles of a view:
// each row gives one of them a value of its own, so that any two of them
// read the wrong way round show.
struct PercentileModes {
    const char *name;
    int hourly, run8, daily;
};

class StreetResultsViewLines : public testing::TestWithParam<PercentileModes> {};

// A view in which every option, percentile definition, heading and limit
// value has a value of its own, the modes those of the row.
ResultsView viewOfOwnValues(const PercentileModes &modes) {
    ResultsView v;
    v.citySizeKnown = true;
    v.citySize = 3;
    v.citySizeName = "Large, \"old\" city";
    v.percMode = modes.hourly;
    v.run8PercMode = modes.run8;
    v.dailyPercMode = modes.daily;
    v.showOnlyIfLV = true;
    v.showLimitValMode = 2;
    v.longNames = {"Nitrogen dioxide", "Particulate matter PM10"};
    v.defOutputUnits = {"microg", "ppb"};
    v.showPol = {false, true};
    v.percSource = {0, 1};
    v.run8Source = {2, 3};
    v.avSource = {1, 0};
    v.dailySource = {3, 2};

    // Two hourly definitions, one of running 8-hour values, three daily.
    const std::vector<std::vector<int>> nth = {{19, 176}, {26}, {8, 36, 4}};
    LimitValueTables &l = v.limits;
    for (std::size_t f = 0; f < 3; ++f) {
        const std::string family = std::to_string(f);
        results::PercentileFamily &defs = v.percentiles[f];
        for (int n : nth[f]) {
            defs.nth.push_back(n);
            defs.names.push_back("W" + family + "_" + std::to_string(n));
        }
        std::vector<std::string> *names[2][3] = {
            {&l.LimValColNthHourly, &l.LimValColNthRun8, &l.LimValColNthDaily},
            {&l.LimValColPercHourly, &l.LimValColPercRun8, &l.LimValColPercDaily}};
        for (int byPercentage = 0; byPercentage < 2; ++byPercentage) {
            std::vector<std::string> &column = *names[byPercentage][f];
            column.assign(1, std::string());
            for (int n : nth[f]) {
                column.push_back((byPercentage ? "percentage " : "n-th ") + family + " " + std::to_string(n));
            }
        }
    }
    int heading = 0;
    for (std::string *text :
         {&l.LimValHeadHourly, &l.LimValColAvHourly, &l.LimValColMaxHourly, &l.LimValColDCHourly,
          &l.LimValHeadRun8, &l.LimValColMaxRun8, &l.LimValColDCRun8, &l.LimValHeadDaily,
          &l.LimValColMaxDaily, &l.LimValColDCDaily}) {
        *text = "Heading " + std::to_string(++heading);
    }

    // NO2 with one limit row, PM10 with two; every limit value its own
    // (table * 100 + pollutant * 10 + row, percentiles from 1000 on).
    l.LimValPollutantCount = 2;
    l.LimValPollutants = {"", "NO2", "PM10"};
    l.LimValLongNames = {"", "Nitrogen dioxide", "Particulate matter"};
    l.LimValRowCount = {0, 1, 2};
    l.LimValMaxRows = 2;
    l.LimValTitles = {{}, {"", "NO2 row 1"}, {"", "PM10 row 1", "PM10 row 2"}};
    FloatTable *plain[] = {&l.LimValAvHourly, &l.LimValMaxHourly, &l.LimValDCHourly, &l.LimValMaxRun8,
                           &l.LimValDCRun8,   &l.LimValMaxDaily,  &l.LimValDCDaily};
    FloatTable3 *percentiles[] = {&l.LimValPercHourly, &l.LimValPercRun8, &l.LimValPercDaily};
    for (int t = 0; t < 7; ++t) {
        plain[t]->assign(1, {});
        for (int p = 1; p <= 2; ++p) {
            std::vector<float> rows(
                static_cast<std::size_t>(l.LimValRowCount[static_cast<std::size_t>(p)]) + 1, -99.0f);
            for (std::size_t r = 1; r < rows.size(); ++r) {
                rows[r] = static_cast<float>(100 * (t + 1) + 10 * p + static_cast<int>(r));
            }
            plain[t]->push_back(rows);
        }
    }
    for (std::size_t f = 0; f < 3; ++f) {
        percentiles[f]->assign(1, {});
        for (int p = 1; p <= 2; ++p) {
            const auto rowCount = static_cast<std::size_t>(l.LimValRowCount[static_cast<std::size_t>(p)]) + 1;
            std::vector<std::vector<float>> byDefinition(1, std::vector<float>(rowCount, -99.0f));
            for (int k = 1; k <= v.percentiles[f].count(); ++k) {
                std::vector<float> rows(rowCount, -99.0f);
                for (std::size_t r = 1; r < rowCount; ++r) {
                    rows[r] = static_cast<float>(1000 * (static_cast<int>(f) + 1) + 100 * k + 10 * p +
                                                 static_cast<int>(r));
                }
                byDefinition.push_back(rows);
            }
            percentiles[f]->push_back(byDefinition);
        }
    }
    return v;
}

// Every option of the view is read back into its own place: each is given a
// value of its own, so that two fields read the wrong way round show.
TEST_P(StreetResultsViewLines, readBackEveryOptionDefinitionHeadingAndLimitValueInItsPlace) {
    KeyedList<Pollutant> stored;
    for (const char *name : {"NO2", "PM10"}) {
        stored.add(name, Pollutant{name, std::string(name) + " long", static_cast<int>(stored.size())});
    }
    const ResultsView v = viewOfOwnValues(GetParam());

    ResultsView read;
    for (const std::string &line : splitLines(viewLines(v, stored))) {
        if (!line.empty()) {
            EXPECT_TRUE(readViewLine(line, stored, read)) << line;
        }
    }
    EXPECT_TRUE(read.citySizeKnown);
    EXPECT_EQ(read.citySize, v.citySize);
    EXPECT_EQ(read.citySizeName, v.citySizeName);
    EXPECT_EQ((std::array{read.percMode, read.run8PercMode, read.dailyPercMode}),
              (std::array{v.percMode, v.run8PercMode, v.dailyPercMode}));
    EXPECT_EQ(read.showLimitValMode, 2);
    EXPECT_TRUE(read.showOnlyIfLV);
    EXPECT_EQ(read.longNames, v.longNames);
    EXPECT_EQ(read.defOutputUnits, v.defOutputUnits);
    EXPECT_EQ(read.showPol, v.showPol);
    EXPECT_EQ(read.percSource, v.percSource);
    EXPECT_EQ(read.run8Source, v.run8Source);
    EXPECT_EQ(read.avSource, v.avSource);
    EXPECT_EQ(read.dailySource, v.dailySource);
    for (std::size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(read.percentiles[f].nth, v.percentiles[f].nth) << "family " << f;
        EXPECT_EQ(read.percentiles[f].names, v.percentiles[f].names) << "family " << f;
    }

    const LimitValueTables &l = read.limits, &w = v.limits;
    EXPECT_EQ((std::vector{l.LimValColNthHourly, l.LimValColPercHourly, l.LimValColNthRun8,
                           l.LimValColPercRun8, l.LimValColNthDaily, l.LimValColPercDaily}),
              (std::vector{w.LimValColNthHourly, w.LimValColPercHourly, w.LimValColNthRun8,
                           w.LimValColPercRun8, w.LimValColNthDaily, w.LimValColPercDaily}));
    EXPECT_EQ((std::vector{l.LimValHeadHourly, l.LimValColAvHourly, l.LimValColMaxHourly, l.LimValColDCHourly,
                           l.LimValHeadRun8, l.LimValColMaxRun8, l.LimValColDCRun8, l.LimValHeadDaily,
                           l.LimValColMaxDaily, l.LimValColDCDaily}),
              (std::vector{w.LimValHeadHourly, w.LimValColAvHourly, w.LimValColMaxHourly, w.LimValColDCHourly,
                           w.LimValHeadRun8, w.LimValColMaxRun8, w.LimValColDCRun8, w.LimValHeadDaily,
                           w.LimValColMaxDaily, w.LimValColDCDaily}));
    EXPECT_EQ(l.LimValPollutantCount, 2);
    EXPECT_EQ(l.LimValMaxRows, 2);
    EXPECT_EQ(l.LimValPollutants, w.LimValPollutants);
    EXPECT_EQ(l.LimValLongNames, w.LimValLongNames);
    EXPECT_EQ(l.LimValRowCount, w.LimValRowCount);
    EXPECT_EQ(l.LimValTitles, w.LimValTitles);
    EXPECT_EQ((std::vector{l.LimValAvHourly, l.LimValMaxHourly, l.LimValDCHourly, l.LimValMaxRun8,
                           l.LimValDCRun8, l.LimValMaxDaily, l.LimValDCDaily}),
              (std::vector{w.LimValAvHourly, w.LimValMaxHourly, w.LimValDCHourly, w.LimValMaxRun8,
                           w.LimValDCRun8, w.LimValMaxDaily, w.LimValDCDaily}));
    EXPECT_EQ((std::vector{l.LimValPercHourly, l.LimValPercRun8, l.LimValPercDaily}),
              (std::vector{w.LimValPercHourly, w.LimValPercRun8, w.LimValPercDaily}));
}

INSTANTIATE_TEST_SUITE_P(OneModeByPercentage, StreetResultsViewLines,
                         testing::Values(PercentileModes{"Hourly", 1, 0, 0}, PercentileModes{"Run8", 0, 1, 0},
                                         PercentileModes{"Daily", 0, 0, 1}),
                         [](const auto &info) { return std::string(info.param.name); });

// A run's output unit of NO2 and the summary it gives a street of annual
// averages 30 and 28 (and one of no values): shown in a named unit the
// statistic stays as it is (the limit converted instead); in a unit given as
// a number it is shown in the default unit, converted by the column's factor.
struct SummaryUnit {
    const char *name;
    const char *runUnit;
    float outputUnitFactor;
    float summary, limit; // of the NO2 average
};

class StreetSummaryUnits : public TwoLimitValues, public testing::WithParamInterface<SummaryUnit> {};

TEST_P(StreetSummaryUnits, aStreetsSummaryValueIsConvertedByItsColumnsFactorInTheRunAndInTheSavedFile) {
    const auto no2 = static_cast<std::size_t>(index("NO2"));
    s.CalcOutputUnits.assign(s.OutputUnitFactor.size(), "microg");
    s.CalcOutputUnits[no2] = GetParam().runUnit;
    s.OutputUnitFactor[no2] = GetParam().outputUnitFactor;
    StreetResultsStore store;
    std::string error;
    ASSERT_TRUE(store.start(s, &error)) << error;
    ASSERT_TRUE(store.addStreet(street(1, 30, 28), s.StatVarList, &error)) << error;
    ASSERT_TRUE(store.addStreet(street(2, -99, -99), s.StatVarList, &error)) << error;
    ASSERT_TRUE(store.finish("2023-12-31 12:00", &error)) << error;
    const std::string saved = (dir.path() / "units.msr").string();
    ASSERT_TRUE(store.saveAs(saved, &error)) << error;
    const auto opened = StreetResultsStore::open(saved, s, &error);
    ASSERT_NE(opened, nullptr) << error;

    for (const StreetResultsStore *shown : {&store, opened.get()}) {
        const char *which = shown == &store ? "the run's" : "the saved file's";
        const auto &cols = shown->columns();
        const auto average = std::find_if(cols.begin(), cols.end(),
                                          [](const SummaryColumn &c) { return c.caption == "NO2 Average"; });
        ASSERT_NE(average, cols.end()) << which;
        const auto c = static_cast<std::size_t>(average - cols.begin());
        EXPECT_FLOAT_EQ(average->limit, GetParam().limit) << which;
        EXPECT_FLOAT_EQ(shown->streets()[0].summary[c], GetParam().summary) << which;
        EXPECT_EQ(shown->streets()[1].summary[c], -99.0f) << which << ": a missing value stays missing";
    }
}

INSTANTIATE_TEST_SUITE_P(Units, StreetSummaryUnits,
                         testing::Values(SummaryUnit{"Default", "microg", 1.0f, 30.0f, 25.0f},
                                         SummaryUnit{"NamedUnit", "ppb", 0.5f, 30.0f, 50.0f},
                                         SummaryUnit{"UnitGivenAsANumber", "2.5", 2.5f, 75.0f, 25.0f}),
                         [](const auto &info) { return std::string(info.param.name); });

// A file of layout 2 (no lines of the view or columns) with the NO2
// statistics held: its summary columns are those of the country's limit
// values (NO2 average, NO2 19th highest hour) whose statistic it holds.
struct HeldStatistics {
    const char *name;
    std::vector<std::string> keys;
    std::vector<std::string> captions;
};

class SecondLayoutColumns : public TwoLimitValues, public testing::WithParamInterface<HeldStatistics> {};

TEST_P(SecondLayoutColumns, keepOnlyTheColumnsWhoseStatisticTheFileHolds) {
    const std::vector<std::string> &keys = GetParam().keys;
    std::string text = "\"WinVESK multi-street results\",2\r\n"
                       "\"Streets of layout 2\",2023\r\n"
                       "\"Pollutants\",1,\"NO2\",1,\"microg\"\r\n"
                       "\"Statistics\"," +
                       std::to_string(keys.size());
    std::string values;
    float value = 30;
    for (const std::string &key : keys) {
        text += ",\"" + key + "\"";
        values += "," + std::to_string(value) + "," + std::to_string(value - 2);
        value += 100;
    }
    text +=
        "\r\n\"Streets\"\r\n"
        "1,\"Street 1\",#TRUE#,0,0,2,1000,1000,0,\"\",\"2023-01-01 00:00\",\"2023-12-31 23:00\",8760,365" +
        values + "\r\n\"End\",\"2023-12-31 12:00\",1\r\n";
    std::string error;
    const auto opened = StreetResultsStore::open(dir.write("layout2.msr", text).string(), s, &error);
    ASSERT_NE(opened, nullptr) << error;
    std::vector<std::string> captions;
    for (const SummaryColumn &c : opened->columns()) {
        captions.push_back(c.caption);
    }
    EXPECT_EQ(captions, GetParam().captions);
    ASSERT_EQ(opened->streets().size(), 1u);
    EXPECT_EQ(opened->streets()[0].summary.size(), captions.size());
    EXPECT_EQ(std::count(opened->streets()[0].summary.begin(), opened->streets()[0].summary.end(), -99.0f), 0)
        << "each column kept has the street's value";
}

INSTANTIATE_TEST_SUITE_P(
    Held, SecondLayoutColumns,
    testing::Values(
        HeldStatistics{"Average", {"AvNO2_mod", "MaxHourlyNO2_mod"}, {"NO2 Average"}},
        HeldStatistics{"Percentile", {"MaxHourlyNO2_mod", "19thHighestNO2_mod"}, {"NO2 19th highest"}},
        HeldStatistics{"Both", {"19thHighestNO2_mod", "AvNO2_mod"}, {"NO2 Average", "NO2 19th highest"}},
        HeldStatistics{"Neither", {"MaxHourlyNO2_mod"}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

// Whatever the writer puts into a field, the reader takes back bit for bit:
// floats at the ends of their range (the largest, the smallest normal and
// the denormals), -99 and plain values.
class SavedFloat : public testing::TestWithParam<float> {};

TEST_P(SavedFloat, isReadBackAsItWasWritten) {
    std::string text;
    msr::appendFloat(text, GetParam());
    float back = 0;
    ASSERT_NO_THROW(back = msr::floatOf(text, "a value")) << text;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(GetParam())) << text;
}

INSTANTIATE_TEST_SUITE_P(Extremes, SavedFloat,
                         testing::Values(FLT_MAX, -FLT_MAX, std::nextafter(FLT_MAX, 0.0f), FLT_MIN, -FLT_MIN,
                                         std::nextafter(FLT_MIN, 0.0f),
                                         std::numeric_limits<float>::denorm_min(),
                                         -std::numeric_limits<float>::denorm_min(), 1e-40f, -99.0f, 0.0f,
                                         0.1f, 40.0f, 57.096f));

TEST(SavedFloatText, beyondWhatRoundsToTheLargestFloatIsRefused) {
    EXPECT_EQ(msr::floatOf("3.4028235e+38", "a value"), FLT_MAX);
    EXPECT_EQ(msr::floatOf("-3.4028235e+38", "a value"), -FLT_MAX);
    for (const char *text : {"3.4028237e+38", "-3.4028237e+38", "1e39"}) {
        EXPECT_THROW(msr::floatOf(text, "a value"), msr::Refusal) << text;
    }
}

namespace {

// The sample lists with the extremes the program may hold in them: limits of
// the largest and smallest floats, limit titles and names that look like the
// file's own lines, with quotes, semicolons and commas.
struct ExtremeTexts : test::ResultsFixture {
    ExtremeTexts() {
        s.StoredStreetName = "\"End\",\"2023-12-31 12:00\",3";
        s.LimValTitles[1][1] = "Page 1";
        s.LimValAvHourly[1][1] = FLT_MAX;
        s.LimValPercHourly[1][1][1] = std::numeric_limits<float>::denorm_min();
        s.LimValTitles[2][1] = "End";
        s.LimValTitles[2][2] = "a \"quoted\", title; with \"\"End\"\", commas";
        s.LimValAvHourly[2][1] = FLT_MIN;
        s.LimValMaxDaily[2][2] = -FLT_MAX;
    }
};

} // namespace

TEST_F(ExtremeTexts, aSavedFileOpensWithEveryTextAndLimitAsItWasWritten) {
    StreetResultsStore store;
    std::string error;
    ASSERT_TRUE(store.start(s, &error)) << error;
    const std::vector<std::string> names = {"End", "\"End\",\"2023\",1", "\"Streets\"", "a,b;c",
                                            std::string(kMaxFieldText, '"')};
    for (std::size_t i = 0; i < names.size(); ++i) {
        StreetEntry e;
        e.number = static_cast<int>(i) + 1;
        e.name = names[i];
        e.trafficFile = names[i];
        ASSERT_TRUE(store.addStreet(e, s.StatVarList, &error)) << error;
    }
    ASSERT_TRUE(store.finish("\"End\"", &error)) << error;
    const std::string saved = (dir.path() / "extremes.msr").string();
    ASSERT_TRUE(store.saveAs(saved, &error)) << error;
    const auto opened = StreetResultsStore::open(saved, s, &error);
    ASSERT_NE(opened, nullptr) << error;

    EXPECT_EQ(opened->title(), s.StoredStreetName);
    EXPECT_EQ(opened->calcTime(), "\"End\"");
    ASSERT_EQ(opened->streets().size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(opened->streets()[i].name, names[i]) << i;
        EXPECT_EQ(opened->streets()[i].trafficFile, names[i]) << i;
    }
    const LimitValueTables &l = opened->view().limits;
    ASSERT_EQ(l.LimValPollutantCount, s.LimValPollutantCount);
    for (std::size_t p = 1; p <= static_cast<std::size_t>(s.LimValPollutantCount); ++p) {
        ASSERT_EQ(l.LimValRowCount[p], s.LimValRowCount[p]) << p;
        for (std::size_t r = 1; r <= static_cast<std::size_t>(s.LimValRowCount[p]); ++r) {
            EXPECT_EQ(l.LimValTitles[p][r], s.LimValTitles[p][r]);
            EXPECT_EQ(std::bit_cast<std::uint32_t>(l.LimValAvHourly[p][r]),
                      std::bit_cast<std::uint32_t>(s.LimValAvHourly[p][r]));
            EXPECT_EQ(std::bit_cast<std::uint32_t>(l.LimValMaxDaily[p][r]),
                      std::bit_cast<std::uint32_t>(s.LimValMaxDaily[p][r]));
            EXPECT_EQ(std::bit_cast<std::uint32_t>(l.LimValPercHourly[p][1][r]),
                      std::bit_cast<std::uint32_t>(s.LimValPercHourly[p][1][r]));
        }
    }
    ASSERT_EQ(opened->columns().size(), store.columns().size());
    for (std::size_t c = 0; c < store.columns().size(); ++c) {
        EXPECT_EQ(opened->columns()[c].caption, store.columns()[c].caption);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(opened->columns()[c].limit),
                  std::bit_cast<std::uint32_t>(store.columns()[c].limit))
            << store.columns()[c].caption;
    }
    EXPECT_EQ(store.columns().front().limit, FLT_MAX) << "the NO2 average's limit";
}

// The run keeps no list it could not open again: a text longer than the
// reader takes back stops the list with a message (the run goes on).
TEST_F(ExtremeTexts, aNameLongerThanASavedListKeepsStopsTheListWithTheReason) {
    StreetResultsStore store;
    std::string error;
    ASSERT_TRUE(store.start(s, &error)) << error;
    StreetEntry e;
    e.number = 7;
    e.name = std::string(kMaxFieldText + 1, 'x');
    EXPECT_FALSE(store.addStreet(e, s.StatVarList, &error));
    EXPECT_TRUE(store.failed());
    EXPECT_EQ(error, "The street results cannot be kept: the name of street #7 is longer than the 1048576 "
                     "characters a saved list of streets keeps.");

    s.StoredStreetName = std::string(kMaxFieldText + 1, 'x');
    StreetResultsStore titled;
    EXPECT_FALSE(titled.start(s, &error));
    EXPECT_EQ(error, "The street results cannot be kept: the project's title is longer than the 1048576 "
                     "characters a saved list of streets keeps.");
}
