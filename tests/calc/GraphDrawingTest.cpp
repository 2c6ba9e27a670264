#include "calc/GraphDrawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vesk {
namespace {

// ---- Colours, letters, axis ------------------------------------------------------

TEST(GraphColours, FiveWindSpeedsStepRedDownAndGreenAndBlueUp) {
    EXPECT_EQ(graphCurveColour(1, 5), (GraphRgb{236, 10, 20}));
    EXPECT_EQ(graphCurveColour(5, 5), (GraphRgb{156, 50, 100}));
}

TEST(GraphColours, TwentyWindSpeedsUseStepsOfTwelveTenAndTwelve) {
    EXPECT_EQ(graphCurveColour(1, 20), (GraphRgb{244, 10, 12}));
    EXPECT_EQ(graphCurveColour(20, 20), (GraphRgb{16, 200, 240}));
}

TEST(GraphColours, ACurveAloneIsNearlyPureRed) {
    EXPECT_EQ(graphCurveColour(1, 1), (GraphRgb{236, 10, 20}));
}

TEST(GraphColours, EveryCurveOfManyKeepsComponentsWithinTheColourRange) {
    for (int curves : {22, 23, 30, 64, 119}) {
        for (int c = 1; c <= curves; ++c) {
            const GraphRgb rgb = graphCurveColour(c, curves);
            for (int component : {rgb.red, rgb.green, rgb.blue}) {
                EXPECT_GE(component, 0) << c << " of " << curves;
                EXPECT_LE(component, 255) << c << " of " << curves;
            }
        }
    }
    // Thirty curves: steps of -9 would take the last curve's red to -5.
    EXPECT_EQ(graphCurveColour(29, 29).red, 0);
}

TEST(GraphLetters, RunFromAToZAndThenInPairs) {
    const std::pair<int, const char *> cases[] = {{1, "A"},    {2, "B"},    {26, "Z"},  {27, "AA"},
                                                  {28, "AB"},  {52, "AZ"},  {53, "BA"}, {119, "DO"},
                                                  {702, "ZZ"}, {703, "AAA"}};
    for (const auto &[curve, letter] : cases) {
        EXPECT_EQ(graphCurveLabel(curve), letter) << curve;
    }
    EXPECT_EQ(graphCurveLabel(0), "");
}

struct AxisCase {
    double yMax;
    double top;
};

class GraphAxis : public ::testing::TestWithParam<AxisCase> {};

TEST_P(GraphAxis, TopIsTheNextRoundValueWithRoundTenths) {
    EXPECT_DOUBLE_EQ(graphAxisMaximum(GetParam().yMax), GetParam().top) << GetParam().yMax;
}

INSTANTIATE_TEST_SUITE_P(Values, GraphAxis,
                         ::testing::Values(AxisCase{71.16811, 80}, AxisCase{80, 80}, AxisCase{80.001, 100},
                                           AxisCase{11.3, 15}, AxisCase{99.9, 100}, AxisCase{100, 100},
                                           AxisCase{0.3, 0.3}, AxisCase{0.0042, 0.005}, AxisCase{1234, 1500},
                                           AxisCase{2, 2}, AxisCase{0, 0}, AxisCase{-5, 0},
                                           AxisCase{kNoGraphValue, 0}, AxisCase{INFINITY, 0}),
                         [](const auto &info) { return "case" + std::to_string(info.index); });

TEST(GraphAxis, TicksAreZeroAndTenEqualStepsWithTidyTexts) {
    const std::vector<double> ticks = graphYTicks(0.3);
    ASSERT_EQ(ticks.size(), 11u);
    EXPECT_EQ(ticks.front(), 0);
    EXPECT_DOUBLE_EQ(ticks.back(), 0.3);
    EXPECT_EQ(graphNumberText(ticks[1]), "0.03");
    EXPECT_EQ(graphNumberText(ticks[3]), "0.09");
    EXPECT_EQ(graphNumberText(graphYTicks(80)[7]), "56");
    EXPECT_TRUE(graphYTicks(0).empty());
    EXPECT_TRUE(graphYTicks(-1).empty());
}

TEST(GraphLegend, SpeedsBeyondThoseSetShowZeroAndTheSpeedsAreOnlyRead) {
    const std::array<double, 9> speeds{0, 1, 2.5, 3, 5, 8, 0, 0, 0};
    std::array<double, 9> before = speeds;
    EXPECT_EQ(graphLegendSpeeds(speeds.data(), 2, 4), (std::vector<double>{1, 2.5, 0, 0}));
    EXPECT_EQ(graphLegendSpeeds(speeds.data(), 5, 3), (std::vector<double>{1, 2.5, 3}));
    EXPECT_TRUE(graphLegendSpeeds(speeds.data(), 5, 0).empty());
    EXPECT_EQ(speeds, before);
}

TEST(GraphZoom, KeepsTheDesignProportionsAtNineTenthsOfTheHeight) {
    const GraphSize s = graphZoomSize(5000, 4000, 6000);
    EXPECT_DOUBLE_EQ(s.height, 4500);
    EXPECT_DOUBLE_EQ(s.width, 6750);
    EXPECT_EQ(graphZoomSize(-10, 4000, 6000).height, 0);
}

// ---- The scene ----------------------------------------------------------------------

// Text extents of a font whose characters are 0.55 of the size wide and 1.2 high.
GraphExtent fakeMeasure(std::string_view text, double size_pt) {
    const double px = size_pt * 96.0 / 72.0;
    return {0.55 * px * static_cast<double>(text.size()), 1.2 * px};
}

// The design size at 96 dpi: 9000 × 6000 twips.
constexpr double kDesignW = 600, kDesignH = 400;

GraphData rampData(int rows, int curves) {
    GraphData d;
    d.values.assign(static_cast<std::size_t>(curves), {});
    for (int r = 0; r < rows; ++r) {
        d.directions.push_back(r * 360.0 / rows);
        for (int c = 0; c < curves; ++c) {
            d.values[static_cast<std::size_t>(c)].push_back(10.0 * (c + 1) + r % 7);
            d.yMax = std::max(d.yMax, d.values[static_cast<std::size_t>(c)].back());
        }
    }
    return d;
}

GraphScene scene(const GraphData &d, double yAxisMax, double w = kDesignW, double h = kDesignH,
                 GraphLabels labels = {}) {
    return buildGraphScene(d, labels, yAxisMax, GraphTarget{w, h, 96, 96}, fakeMeasure);
}

const GraphText *findText(const GraphScene &s, const std::string &text) {
    for (const GraphText &t : s.texts) {
        if (t.text == text) {
            return &t;
        }
    }
    return nullptr;
}

std::vector<const GraphPolyline *> curveLines(const GraphScene &s) {
    std::vector<const GraphPolyline *> out;
    for (const GraphPolyline &l : s.lines) {
        if (l.clipToPlot) {
            out.push_back(&l);
        }
    }
    return out;
}

TEST(GraphScene, FollowsTheClassicFrameAtTheDesignSize) {
    const GraphScene s = scene(rampData(36, 5), 80);
    EXPECT_NEAR(s.plot.left, kDesignW * 50 / 450, 1e-9);
    EXPECT_NEAR(s.plot.right, kDesignW * 410 / 450, 1e-9);
    EXPECT_LT(s.plot.top, kDesignH * 593 / 1313) << "five legend rows need less than the classic room";
    double highest = s.plot.top;
    for (const GraphText &t : s.texts) {
        highest = std::min(highest, t.anchor.y - fakeMeasure(t.text, t.size_pt).height / 2);
    }
    EXPECT_GE(highest, 0);
    EXPECT_LT(highest, 10) << "no empty band above the legend";
    EXPECT_NEAR(scene(rampData(36, 40), 80).plot.top, kDesignH * 593 / 1313, 1e-9)
        << "forty legend rows take the classic room and no more";
    EXPECT_GE(kDesignH - s.plot.bottom, kDesignH * 70 / 1313) << "at least the classic room below the plot";
    const GraphText *zero = findText(s, "0");
    const GraphText *full = findText(s, "360");
    ASSERT_TRUE(zero && full);
    EXPECT_DOUBLE_EQ(full->anchor.x, s.plot.right);
    ASSERT_TRUE(findText(s, "80"));
    EXPECT_DOUBLE_EQ(findText(s, "80")->anchor.y, s.plot.top);
    EXPECT_TRUE(findText(s, "Wind Direction"));
    EXPECT_EQ(findText(s, "NOX (ppb)")->angle_deg, 90);
}

TEST(GraphScene, MapsDirectionsAcrossAndValuesUp) {
    GraphData d;
    d.directions = {90, 180};
    d.values = {{40, 80}};
    d.yMax = 80;
    const GraphScene s = scene(d, 80);
    const auto curves = curveLines(s);
    ASSERT_EQ(curves.size(), 1u);
    const GraphPoint p = curves[0]->points[0];
    EXPECT_NEAR(p.x, s.plot.left + 0.25 * s.plot.width(), 1e-9);
    EXPECT_NEAR(p.y, s.plot.bottom - 0.5 * s.plot.height(), 1e-9);
    EXPECT_NEAR(curves[0]->points[1].y, s.plot.top, 1e-9);
    EXPECT_EQ(curves[0]->colour, (GraphRgb{236, 10, 20}));
}

TEST(GraphScene, AMissingValueBreaksTheCurveInsteadOfDroppingToMinus99) {
    GraphData d;
    d.directions = {0, 10, 20, 30, 40, kMissing, 60};
    d.values = {{5, 6, kMissing, 7, 8, 9, 10}};
    d.yMax = 10;
    const GraphScene s = scene(d, 10);
    const auto curves = curveLines(s);
    ASSERT_EQ(curves.size(), 2u) << "0-10 and 30-40; 60 stands alone";
    EXPECT_EQ(curves[0]->points.size(), 2u);
    EXPECT_EQ(curves[1]->points.size(), 2u);
    for (const GraphPolyline *c : curves) {
        for (const GraphPoint &p : c->points) {
            EXPECT_LE(p.y, s.plot.bottom);
        }
    }
    EXPECT_EQ(s.curvesDrawn, 1);
}

TEST(GraphScene, ACurveOf360RowsCarriesItsLetterAfterEvery30thLine) {
    GraphData d;
    d.values = {{}};
    for (int r = 0; r < 360; ++r) {
        d.directions.push_back(r);
        d.values[0].push_back(2.5);
    }
    d.yMax = 5;
    const GraphScene s = scene(d, 5);
    std::vector<double> onCurve;
    for (const GraphText &t : s.texts) {
        if (t.text == "A" && t.anchor.y > s.plot.top) {
            onCurve.push_back(t.anchor.x);
        }
    }
    ASSERT_EQ(onCurve.size(), 11u);
    for (std::size_t k = 0; k < onCurve.size(); ++k) {
        const double direction = 30.0 * static_cast<double>(k + 1); // rows 31, 61, ... 331
        EXPECT_NEAR(onCurve[k], s.plot.left + direction / 360 * s.plot.width(), 1e-9);
    }
}

TEST(GraphScene, NothingAboveZeroGivesTheAxesAndANoteButNoTicksOrCurves) {
    GraphData d;
    d.directions = {0, 10};
    d.values = {{kMissing, kMissing}, {0, 0}};
    d.yMax = 0;
    const GraphScene s = scene(d, graphAxisMaximum(d.yMax));
    EXPECT_EQ(s.yAxisMax, 0);
    EXPECT_TRUE(findText(s, "There is no value above 0 to plot."));
    EXPECT_TRUE(curveLines(s).empty());
    EXPECT_FALSE(findText(s, "0.1"));
    EXPECT_TRUE(findText(s, "360")) << "the x axis is still drawn";
    EXPECT_TRUE(findText(s, "0 m/s")) << "the legend still names the curves";
}

TEST(GraphScene, TheLegendListsTheWindSpeedsUpwardInTheCurvesColours) {
    GraphLabels labels;
    labels.speeds = {1, 2, 3, 5, 8};
    const GraphScene s = scene(rampData(36, 5), 80, kDesignW, kDesignH, labels);
    double lastY = s.plot.top;
    for (int c = 1; c <= 5; ++c) {
        const GraphText *t =
            findText(s, graphNumberText(labels.speeds[static_cast<std::size_t>(c - 1)]) + " m/s");
        ASSERT_TRUE(t) << c;
        EXPECT_LT(t->anchor.y, lastY) << "curve " << c << " above the one before";
        EXPECT_GT(t->anchor.y, 0);
        lastY = t->anchor.y;
        const auto line = std::find_if(s.lines.begin(), s.lines.end(), [&](const GraphPolyline &l) {
            return !l.clipToPlot && l.points.size() == 2 && l.points[0].y == t->anchor.y;
        });
        ASSERT_NE(line, s.lines.end());
        EXPECT_EQ(line->colour, graphCurveColour(c, 5));
    }
    // Rows clear of each other, the first as far above the plot as the rest are apart.
    const double pitch = findText(s, "1 m/s")->anchor.y - findText(s, "2 m/s")->anchor.y;
    EXPECT_GE(pitch, fakeMeasure("A", findText(s, "1 m/s")->size_pt).height);
    EXPECT_NEAR(s.plot.top - findText(s, "1 m/s")->anchor.y, pitch, 1e-9);
}

TEST(GraphScene, ALegendOfManyCurvesStaysInsideThePicture) {
    const GraphScene s = scene(rampData(10, 119), 1500);
    int entries = 0;
    for (const GraphText &t : s.texts) {
        if (t.text == "0 m/s") {
            ++entries;
            EXPECT_GE(t.anchor.y, 0);
            EXPECT_GE(t.anchor.x, 0);
            EXPECT_LE(t.anchor.y, s.plot.top);
        }
    }
    EXPECT_EQ(entries, 119);
    EXPECT_TRUE(findText(s, "DO")) << "the 119th curve's letter";
}

TEST(GraphScene, TwiceTheDesignSizeIsTheSameGraphEnlargedTwice) {
    const GraphData d = rampData(36, 3);
    const GraphScene one = scene(d, 80);
    const GraphScene two = scene(d, 80, 2 * kDesignW, 2 * kDesignH);
    EXPECT_NEAR(two.plot.left, 2 * one.plot.left, 1e-9);
    EXPECT_NEAR(two.plot.bottom, 2 * one.plot.bottom, 1e-9);
    ASSERT_EQ(one.texts.size(), two.texts.size());
    for (std::size_t i = 0; i < one.texts.size(); ++i) {
        EXPECT_NEAR(two.texts[i].size_pt, 2 * one.texts[i].size_pt, 1e-9) << one.texts[i].text;
        EXPECT_NEAR(two.texts[i].anchor.x, 2 * one.texts[i].anchor.x, 1e-9) << one.texts[i].text;
        EXPECT_NEAR(two.texts[i].anchor.y, 2 * one.texts[i].anchor.y, 1e-9) << one.texts[i].text;
    }
    ASSERT_EQ(one.lines.size(), two.lines.size());
    const GraphPolyline &tick1 = one.lines[2], &tick2 = two.lines[2];
    EXPECT_NEAR(tick2.points[1].y - tick2.points[0].y, 2 * (tick1.points[1].y - tick1.points[0].y), 1e-9);
}

TEST(GraphScene, NormalisedResultsNameTheYAxisSo) {
    GraphLabels labels;
    labels.normalised = true;
    labels.title = "Side 1";
    const GraphScene s = scene(rampData(4, 1), 20, kDesignW, kDesignH, labels);
    EXPECT_TRUE(findText(s, "normalised conc."));
    EXPECT_FALSE(findText(s, "NOX (ppb)"));
    const GraphText *title = findText(s, "Side 1");
    ASSERT_TRUE(title);
    EXPECT_LE(title->anchor.y, s.plot.top) << "the title stays clear of the curves";
}

TEST(GraphScene, ALongTitleMovesAboveTheLegendInsteadOfRunningIntoIt) {
    GraphLabels labels;
    labels.speeds = {1, 2};
    labels.title = "Short";
    const GraphScene beside = scene(rampData(36, 2), 80, kDesignW, kDesignH, labels);
    EXPECT_EQ(findText(beside, "Short")->v, GraphVAlign::Bottom);
    EXPECT_NEAR(findText(beside, "Short")->anchor.y, beside.plot.top - 4, 1e-9);
    labels.title = std::string(60, 'W');
    const GraphScene above = scene(rampData(36, 2), 80, kDesignW, kDesignH, labels);
    const GraphText *title = findText(above, labels.title);
    const double titleBottom = title->anchor.y + fakeMeasure(title->text, title->size_pt).height;
    const GraphText *top = findText(above, "2 m/s");
    EXPECT_LE(titleBottom, top->anchor.y - fakeMeasure("2 m/s", top->size_pt).height / 2);
}

TEST(GraphScene, TextsNeverOverlapTheAxisTextsBelowThePlot) {
    const GraphScene s = scene(rampData(36, 2), 80, 300, 200);
    const GraphText *tick = findText(s, "180");
    const GraphText *label = findText(s, "Wind Direction");
    ASSERT_TRUE(tick && label);
    EXPECT_GE(label->anchor.y, tick->anchor.y + fakeMeasure("180", tick->size_pt).height);
    EXPECT_LE(label->anchor.y + fakeMeasure("Wind Direction", label->size_pt).height, 200 + 1e-9);
}

TEST(GraphScene, ATargetOfNoSizeGivesAnEmptyScene) {
    EXPECT_TRUE(scene(rampData(4, 1), 20, 0, 100).lines.empty());
    EXPECT_TRUE(scene(rampData(4, 1), 20, 100, -1).texts.empty());
}

} // namespace
} // namespace vesk
