// The results table built from a run's statistics and the limit values.

#include "run/results/ResultsFixture.h"
#include "run/results/ResultsKeyInfo.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vesk;
using namespace vesk::results;
using vesk::test::ResultsFixture;

TEST_F(ResultsFixture, theMaxPageOfFilledStatisticsMatchesItsGoldenTable) {
    const std::vector<std::string> expected = {
        "Page 0 | Hourly values | Hourly values | Hourly values | Hourly values | Running 8 hours averages | "
        "Running 8 hours averages | Daily averages | Daily averages | Daily averages",
        "Component | Average | Maximum | 19th highest | Data capture | Maximum | Data capture | Maximum | "
        "36th highest | Data capture",
        "Nitrogen dioxide (µg/m³) |  |  |  |  |  |  |  |  | ",
        "       Street Measured | 26.42 | -- | -- | 32.88 | -- | -- | -- | -- | --",
        "       Street Modelled | 18.69 | 55.85 | 46.88 | 100.00 | 39.97 | -- | 31.47 | -- | --",
        "       Background | 14.51 | -- | -- | -- | -- | -- | -- | -- | --",
        "EU limit value | 40 |  | 200 |  |  |  |  |  | ",
        "Particulate matter PM10 (µg/m³) |  |  |  |  |  |  |  |  | ",
        "       Street Modelled | 19.43 | -- | -- | -- | -- | -- | -- | 0.00 | --",
        "       Background | -- | -- | -- | -- | -- | -- | -- | -- | --",
        "EU annual | 40 |  |  |  |  |  |  |  | ",
        "EU daily |  |  |  |  |  |  |  | 50 | ",
        "XX |  |  |  |  |  |  |  |  | ",
        "       Street Modelled | -- | -- | -- | -- | -- | -- | -- | -- | --",
        "       Background | -- | -- | -- | -- | -- | -- | -- | -- | --",
    };
    EXPECT_EQ(rowsOf(page(0)), expected);
}

TEST_F(ResultsFixture, eachReceptorPageReadsItsOwnSideAndShowsNoLimitRowsInMaxOnlyMode) {
    const ResultsPage side1 = page(1);
    const ResultsPage side2 = page(2);
    const int modelled = rowOf(side1, "Street Modelled");
    const int average = columnOf(side1, "Average");
    EXPECT_EQ(side1.cell(modelled, average).text, "18.46");
    EXPECT_EQ(side2.cell(modelled, average).text, "18.69");
    const int measured = rowOf(side2, "Street Measured");
    EXPECT_EQ(side2.cell(measured, average).text, "--") << "side 2 has no measurements";
    EXPECT_EQ(rowOf(side1, "EU limit value"), -1);
    EXPECT_EQ(side1.cell(0, 0).text, "Page 1");
}

TEST_F(ResultsFixture, aStatisticMissingOnBothSidesShowsTwoDashesOnEveryPage) {
    for (int p = 0; p <= 2; ++p) {
        const ResultsPage t = page(p);
        EXPECT_EQ(t.cell(rowOf(t, "Street Modelled"), columnOf(t, "36th highest")).text, "--")
            << "page " << p;
    }
}

TEST_F(ResultsFixture, aValueOfExactlyZeroIsFormattedNotShownAsMissing) {
    const ResultsPage t = page(0);
    const int pm10 = rowOf(t, "Particulate matter PM10 (µg/m³)");
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled", pm10), columnOf(t, "36th highest")).text, "0.00");
}

TEST_F(ResultsFixture, dataCaptureCellsAreReadWithTheStatisticWordAsAShareOfThePeriodRun) {
    const ResultsPage t = page(1);
    const int dc = columnOf(t, "Data capture");
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled"), dc).text, "100.00") << "8760 hours of 8760 are 100 %";
    EXPECT_EQ(t.cell(rowOf(t, "Street Measured"), dc).text, "32.88") << "2880 hours are 32.88 %";

    s.CalcPeriod = PeriodLength{8784, 366}; // a leap year
    set("nHoursNO2_mod", 8784.0f, 8784.0f);
    EXPECT_EQ(page(1).cell(rowOf(t, "Street Modelled"), dc).text, "100.00") << "not 100.27 %";

    s.CalcPeriod = PeriodLength{};
    const ResultsPage unknown = page(1);
    EXPECT_EQ(unknown.cell(rowOf(unknown, "Street Modelled"), dc).text, "--");
    EXPECT_NE(unknown.cell(rowOf(unknown, "Street Modelled"), dc).note.find("period"), std::string::npos);
}

TEST_F(ResultsFixture, aPollutantIsShownInTheNamedOutputUnitOfTheRunWithItsLimitValuesInThatUnit) {
    // The run wrote NO2 in mg/m³; its default output unit is µg/m³.
    const std::size_t no2 = static_cast<std::size_t>(index("NO2"));
    s.DefOutputUnits.assign(s.OutputUnitFactor.size(), "microg");
    s.CalcOutputUnits.assign(s.OutputUnitFactor.size(), "microg");
    s.CalcOutputUnits[no2] = "milig";
    s.OutputUnitFactor[no2] = 1000.0f; // mg/m³ to µg/m³
    set("AvNO2_mod", 0.01846f, 0.01869f);
    s.NumberFormat = "0.00000";
    const ResultsPage t = page(0);
    const int heading = rowOf(t, "Nitrogen dioxide (mg/m³)");
    ASSERT_GT(heading, 0) << "the heading names the unit of the run";
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled", heading), columnOf(t, "Average")).text, "0.01869");
    EXPECT_EQ(t.cell(rowOf(t, "EU limit value", heading), columnOf(t, "Average")).text, "0.04")
        << "40 µg/m³ in mg/m³";
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled", heading), columnOf(t, "Data capture")).text, "100.00000");

    // A unit given as a number has no name: the default output unit is shown, converted.
    s.CalcOutputUnits[no2] = "0.001";
    const ResultsPage byNumber = page(0);
    const int defaultHeading = rowOf(byNumber, "Nitrogen dioxide (µg/m³)");
    ASSERT_GT(defaultHeading, 0);
    EXPECT_EQ(
        byNumber.cell(rowOf(byNumber, "Street Modelled", defaultHeading), columnOf(byNumber, "Average")).text,
        "18.69000");
    EXPECT_EQ(
        byNumber.cell(rowOf(byNumber, "EU limit value", defaultHeading), columnOf(byNumber, "Average")).text,
        "40");
}

TEST_F(ResultsFixture, concentrationsAreConvertedToTheOutputUnitOfTheirPollutant) {
    s.OutputUnitFactor[static_cast<std::size_t>(index("NO2"))] = 0.001f;
    const ResultsPage t = page(1);
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled"), columnOf(t, "Average")).text, "0.02");
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled"), columnOf(t, "Data capture")).text, "100.00")
        << "counts keep their own factor";
}

struct SourceCase {
    int source;
    bool measured, modelled, background;
};

class SeriesRowsBySource : public ResultsFixture, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SeriesRowsBySource, aComponentGetsTheSeriesRowsItsStatisticsSourceCallsFor) {
    setSources("NO2", GetParam().source);
    const ResultsPage t = page(0);
    const int no2 = rowOf(t, "Nitrogen dioxide (µg/m³)");
    const int pm10 = rowOf(t, "Particulate matter PM10 (µg/m³)");
    auto within = [&](const std::string &label) {
        const int r = rowOf(t, label, no2);
        return r > no2 && r < pm10;
    };
    EXPECT_EQ(within("Street Measured"), GetParam().measured);
    EXPECT_EQ(within("Street Modelled"), GetParam().modelled);
    EXPECT_EQ(within("Background"), GetParam().background);
}

INSTANTIATE_TEST_SUITE_P(Sources0To3, SeriesRowsBySource,
                         ::testing::Values(SourceCase{0, false, false, false},
                                           SourceCase{1, false, true, true}, SourceCase{2, true, false, true},
                                           SourceCase{3, true, true, true}));

TEST_F(ResultsFixture, aSingleSourceOfBothAmongTheFourFamiliesGivesAllThreeSeriesRows) {
    setSources("NO2", 1);
    s.DailySource[static_cast<std::size_t>(index("NO2"))] = 3;
    const ResultsPage t = page(0);
    EXPECT_GT(rowOf(t, "Street Measured"), 0);
}

TEST_F(ResultsFixture, onlyStatisticsWithALimitValueKeepTheirColumnsAndFilledCells) {
    s.ShowOnlyIfLV = true;
    const ResultsPage t = page(0);
    std::vector<std::string> names;
    for (int c = 1; c < t.columnCount(); ++c) {
        names.push_back(t.cell(1, c).text);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Average", "19th highest", "36th highest"}));
    const int pm10 = rowOf(t, "Particulate matter PM10 (µg/m³)");
    const int pm10Modelled = rowOf(t, "Street Modelled", pm10);
    EXPECT_EQ(t.cell(pm10Modelled, columnOf(t, "19th highest")).text, "")
        << "PM10 has no hourly limit: its cell stays empty while NO2 shows one";
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled"), columnOf(t, "19th highest")).text, "46.88");
    EXPECT_EQ(rowOf(t, "XX"), -1) << "a component without limit rows gets no rows";
}

TEST_F(ResultsFixture, thePercentileModeNamesTheColumnsAndPicksTheStatisticsLookedUp) {
    s.PercMode = 1;
    set("99.8_PercNO2_mod", 47.0f, 48.0f);
    const ResultsPage t = page(0);
    const int c = columnOf(t, "99.8 percentile");
    ASSERT_GT(c, 0);
    EXPECT_EQ(columnOf(t, "19th highest"), -1);
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled"), c).text, "48.00");
    EXPECT_EQ(columnOf(t, "36th highest"), c + 5) << "the daily family keeps its own mode";
}

struct LimitModeCase {
    int mode;
    bool onMaxPage, onSidePages;
};

class LimitRowsByMode : public ResultsFixture, public ::testing::WithParamInterface<LimitModeCase> {};

TEST_P(LimitRowsByMode, limitRowsAppearOnThePagesTheirModeAsksFor) {
    s.ShowLimitValMode = GetParam().mode;
    EXPECT_EQ(rowOf(page(0), "EU limit value") > 0, GetParam().onMaxPage);
    EXPECT_EQ(rowOf(page(2), "EU limit value") > 0, GetParam().onSidePages);
}

INSTANTIATE_TEST_SUITE_P(Modes, LimitRowsByMode,
                         ::testing::Values(LimitModeCase{0, false, false}, LimitModeCase{1, true, false},
                                           LimitModeCase{2, true, true}));

TEST_F(ResultsFixture, limitValuesShowAsPlainNumbersNotThroughTheNumberFormat) {
    s.LimValAvHourly[1][1] = 0.5f;
    s.NumberFormat = "0.000";
    const ResultsPage t = page(0);
    const int limit = rowOf(t, "EU limit value");
    EXPECT_EQ(t.cell(limit, columnOf(t, "Average")).text, "0.5");
    EXPECT_EQ(t.cell(limit, columnOf(t, "19th highest")).text, "200");
    EXPECT_EQ(t.cell(rowOf(t, "Street Modelled"), columnOf(t, "Average")).text, "18.690");
}

TEST_F(ResultsFixture, aPollutantMissingFromThePollutantListShowsDashesWithANoteInsteadOfFailing) {
    const ResultsPage t = page(0);
    const int xx = rowOf(t, "XX");
    ASSERT_GT(xx, 0);
    const ResultsCell &cell = t.cell(xx + 1, 1);
    EXPECT_EQ(cell.text, "--");
    EXPECT_NE(cell.note.find("XX"), std::string::npos);
    ASSERT_FALSE(t.notes.empty());
    EXPECT_TRUE(std::any_of(t.notes.begin(), t.notes.end(), [](const std::string &note) {
        return note.find("not in the pollutant list") != std::string::npos;
    }));
}

TEST_F(ResultsFixture, aStatisticMissingFromTheResultsShowsDashesWithANoteNamingIt) {
    s.StatVarList.remove("MaxRun8NO2_mod");
    const ResultsPage t = page(0);
    const ResultsCell &cell = t.cell(rowOf(t, "Street Modelled"), 5);
    EXPECT_EQ(cell.text, "--");
    EXPECT_NE(cell.note.find("MaxRun8NO2_mod"), std::string::npos);
}

TEST_F(ResultsFixture, theNotesAreEveryDistinctNoteOfTheCellsOnceInTheOrderOfItsFirstCell) {
    s.StatVarList.remove("MaxRun8NO2_mod");
    const ResultsPage t = page(0);
    std::vector<std::string> distinct;
    std::size_t noted = 0;
    for (const ResultsRow &row : t.rows) {
        for (const ResultsCell &cell : row.cells) {
            if (!cell.note.empty()) {
                ++noted;
                if (std::find(distinct.begin(), distinct.end(), cell.note) == distinct.end()) {
                    distinct.push_back(cell.note);
                }
            }
        }
    }
    ASSERT_GT(noted, distinct.size()) << "cells of one note each";
    EXPECT_EQ(t.notes, distinct);
}

TEST_F(ResultsFixture, aHiddenColumnIsLeftOutAndReloadingShowsOnlyThePercentilesAgain) {
    s.HideColMaxHourly = true;
    s.HideColPercHourly[1] = true;
    EXPECT_EQ(columnOf(page(0), "Maximum"), 3) << "average, data capture, then the running 8-hour maximum";
    EXPECT_EQ(columnOf(page(0), "19th highest"), -1);
    resetPercentileHideFlags(s);
    EXPECT_GT(columnOf(page(0), "19th highest"), 0);
    EXPECT_TRUE(s.HideColMaxHourly);
}

TEST_F(ResultsFixture, sectionHeadingsAreMergedAndDataCaptureColumnsAreItalicAndShaded) {
    const ResultsPage t = page(0);
    ASSERT_EQ(t.spans.size(), 3u);
    EXPECT_EQ(t.spans[0].column, 1);
    EXPECT_EQ(t.spans[0].count, 4);
    EXPECT_EQ(t.spans[1].count, 2);
    EXPECT_EQ(t.spans[2].count, 3);
    EXPECT_EQ(t.shownWidths(0), (std::vector<int>{1, 4, 0, 0, 0, 2, 0, 3, 0, 0}));
    EXPECT_EQ(t.shownWidths(1), std::vector<int>(10, 1));
    const int dc = columnOf(t, "Data capture");
    EXPECT_TRUE(t.cell(1, dc).italic);
    const ResultsCell &value = t.cell(rowOf(t, "Street Modelled"), dc);
    EXPECT_TRUE(value.italic);
    EXPECT_EQ(value.shade, CellShade::Shaded);
    EXPECT_FALSE(t.cell(rowOf(t, "Street Modelled"), 1).italic);
    EXPECT_TRUE(t.cell(rowOf(t, "EU limit value"), 1).bold);
}

TEST_F(ResultsFixture, theGridIsMeasuredFromItsColumnsAndRows) {
    const ResultsPage t = page(0);
    EXPECT_EQ(t.gridWidthTwips(), 45 + 1700 + 9 * 1500);
    EXPECT_EQ(t.rows[1].heightTwips, 400);
    EXPECT_EQ(t.rows[2].heightTwips, 450);
}

TEST(ResultsPageSize, aGridWiderOrTallerThanAnIntHoldsIsHeldAtTheLargestInt) {
    constexpr int kHalf = std::numeric_limits<int>::max() / 2 + 1;
    ResultsPage t;
    t.columnWidthsTwips = {kHalf, kHalf};
    t.rows.resize(2);
    t.rows[0].heightTwips = t.rows[1].heightTwips = kHalf;
    EXPECT_EQ(t.gridWidthTwips(), std::numeric_limits<int>::max());
    EXPECT_EQ(t.gridHeightTwips(), std::numeric_limits<int>::max());
}

TEST_F(ResultsFixture, aLimitListWithoutPollutantsGivesHeadingsOnlyAndThePageListStillHasThreePages) {
    s.LimValPollutantCount = 0;
    EXPECT_EQ(page(0).rowCount(), 2);
    EXPECT_EQ(resultsPageNames(s),
              (std::vector<std::string>{"Max; All Receptors", "Receptor 1; z = 2 m", "Receptor 2; z = 2 m"}));
}

TEST(ResultsUnitText, unitCodesGiveTheirTextsWithoutRegardToCaseAndAnUnknownCodeIsShownAsItIs) {
    EXPECT_EQ(unitText("MicroG"), " (µg/m³)");
    EXPECT_EQ(unitText("milig"), " (mg/m³)");
    EXPECT_EQ(unitText("ppb"), " (ppb)");
    EXPECT_EQ(unitText("furlong"), " (furlong)");
    EXPECT_EQ(unitText(""), "");
}

TEST_F(ResultsFixture, aStandardProfileTrafficFileIsToldAsDefaultTrafficWithTheGivenAndTheCalculatedTraffic) {
    // As the run kept them.
    s.CalcTrafficFileType = 2; // a standard profile scaled to the project's traffic
    s.CalcTrafficFile = "DemoStreet.trf";
    s.CalcAnnualDiurnalTraffic = 18000;
    s.DailyTrafficCalc = 17985;
    const auto lines =
        keyInfoLines(keyInfoFactsFrom(s), 100, [](std::string_view t) { return double(t.size()); });
    EXPECT_EQ(lines[1], "Average Daily Traffic: 18000 (Calculated: 17985); Default Traffic DemoStreet.trf");
    s.CalcTrafficFileType = 1; // counted traffic of the user's own
    EXPECT_EQ(keyInfoLines(keyInfoFactsFrom(s), 100, [](std::string_view t) { return double(t.size()); })[1],
              "Average Daily Traffic: 17985 (Calculated) ; User provided [DemoStreet.trf]");
}

// A page of ten columns with the given spans: how many columns each cell of
// row 0 is shown over.
struct SpanWidths {
    const char *name;
    std::vector<CellSpan> spans;
    std::vector<int> widths;
};

class ResultsPageSpans : public testing::TestWithParam<SpanWidths> {};

TEST_P(ResultsPageSpans, giveTheWidthOfEachCellOfARowFromItsOwnSpansCutAtTheLastColumn) {
    ResultsPage t;
    t.columnWidthsTwips.assign(10, kValueColumnTwips);
    t.rows.resize(2);
    for (ResultsRow &row : t.rows) {
        row.cells.resize(10);
    }
    t.spans = GetParam().spans;
    EXPECT_EQ(t.shownWidths(0), GetParam().widths);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ResultsPageSpans,
    testing::Values(
        SpanWidths{"None", {}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        SpanWidths{"OtherRowsOnly", {{1, 0, 10}, {-1, 2, 3}}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        SpanWidths{"Several", {{0, 1, 3}, {1, 0, 2}, {0, 6, 2}}, {1, 3, 0, 0, 1, 1, 2, 0, 1, 1}},
        SpanWidths{"PastTheLastColumn", {{0, 8, 5}}, {1, 1, 1, 1, 1, 1, 1, 1, 2, 0}},
        SpanWidths{"OutsideThePage", {{0, -2, 4}, {0, 10, 2}, {0, 3, 1}}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}),
    [](const auto &info) { return std::string(info.param.name); });
