#include "project/SketchGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

namespace vesk {
namespace {

// Hand-computed values are given to two decimals.
constexpr double kTwoDecimals = 0.005;
constexpr double kExact = 1e-9;

SketchProjection projectionAt(double angle_deg, double height, double distance) {
    const double rad = angle_deg * std::acos(-1.0) / 180.0;
    return {std::sin(rad), std::cos(rad), height, distance};
}

SketchStreet typicalStreet() {
    SketchStreet street;
    street.width_m = 20;
    street.height_m = 20;
    street.length1_m = 50;
    street.length2_m = 50;
    return street;
}

SketchStreet streetWithSector(double start, double end, double height) {
    SketchStreet street = typicalStreet();
    street.sectors[0] = {start, end, height, true};
    return street;
}

const SketchTarget kTarget{400, 300, 96, 96};

std::vector<SketchPolygon> polygonsOf(const std::vector<SketchItem> &items) {
    std::vector<SketchPolygon> out;
    for (const SketchItem &item : items) {
        if (const auto *p = std::get_if<SketchPolygon>(&item)) {
            out.push_back(*p);
        }
    }
    return out;
}

bool allFinite(const SketchScene &scene) {
    auto ok = [](const SketchPoint &p) { return std::isfinite(p.u) && std::isfinite(p.v); };
    for (const SketchItem &item : scene.items) {
        if (const auto *p = std::get_if<SketchPolygon>(&item)) {
            for (const SketchPoint &q : p->points) {
                if (!ok(q)) {
                    return false;
                }
            }
        } else if (const auto *e = std::get_if<SketchEllipse>(&item)) {
            if (!ok(e->centre) || !std::isfinite(e->radius)) {
                return false;
            }
        } else if (const auto *l = std::get_if<SketchLine>(&item)) {
            if (!ok(l->from) || !ok(l->to)) {
                return false;
            }
        } else if (const auto *t = std::get_if<SketchLabel>(&item)) {
            if (!ok(t->anchor) || !std::isfinite(t->angle_deg)) {
                return false;
            }
        }
    }
    return std::isfinite(scene.mapping.scaleX) && std::isfinite(scene.mapping.scaleY);
}

TEST(SketchProjection, PointAlongTheStreetSeenHeadOnShrinksTowardTheHorizon) {
    const SketchPoint p = RotateSketchPoint(projectionAt(0, 20, 100), 10, 50, 0);
    EXPECT_NEAR(p.u, 5.0, kExact);
    EXPECT_NEAR(p.v, 10.0, kExact);
}

struct QuarterTurnCase {
    double x, y;
};
class SketchProjectionQuarterTurn : public ::testing::TestWithParam<QuarterTurnCase> {};

TEST_P(SketchProjectionQuarterTurn, ViewAngleNinetyGivesTheAcrossStreetFormula) {
    const auto [x, y] = GetParam();
    const double h = 30, d = 250;
    const SketchPoint p = RotateSketchPoint(projectionAt(90, h, d), x, y, 0);
    EXPECT_NEAR(p.u, y + x * y / d, 1e-9);
    EXPECT_NEAR(p.v, -h * x / d, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Points, SketchProjectionQuarterTurn,
                         ::testing::Values(QuarterTurnCase{10, 50}, QuarterTurnCase{-10, 50},
                                           QuarterTurnCase{10, -80}, QuarterTurnCase{0, 0}));

TEST(SketchViewHeight, AutomaticHeightGrowsWithTheSineOfTheViewAngleUpToHalfTheViewDistance) {
    // L = 100, D = 500: D H |sin| / (0.3 W) = 500 * 20 * |sin| / 6.
    const SketchStreet street = typicalStreet();
    EXPECT_DOUBLE_EQ(automaticViewHeight(street, 0), 20.0);
    EXPECT_NEAR(automaticViewHeight(street, 5), 145.26, kTwoDecimals);
    EXPECT_NEAR(automaticViewHeight(street, -5), 145.26, kTwoDecimals);
    // The bare formula gives 833.33 at 30 degrees: the eye stops at D / 2.
    EXPECT_DOUBLE_EQ(automaticViewHeight(street, 30), 250.0);
    EXPECT_DOUBLE_EQ(automaticViewHeight(street, 90), 250.0);
}

TEST(SketchViewHeight, StreetWithoutWidthKeepsTheBuildingHeight) {
    SketchStreet street = typicalStreet();
    street.width_m = 0;
    EXPECT_DOUBLE_EQ(automaticViewHeight(street, 30), 20.0);
    street.height_m = 0;
    EXPECT_DOUBLE_EQ(automaticViewHeight(street, 0), 0.0); // 0/0 must not leak out as NaN
}

TEST(SketchSectors, SectorFrom200To250SeesSideOneBetweenItsTwoDirections) {
    const SketchSideBlocks blocks = sketchSectorBlocks(streetWithSector(200, 250, 30), 100);
    ASSERT_EQ(blocks.side1.size(), 1u);
    EXPECT_TRUE(blocks.side2.empty());
    EXPECT_NEAR(blocks.side1[0].to, -27.47, kTwoDecimals);
    EXPECT_NEAR(blocks.side1[0].from, -3.64, kTwoDecimals);
    EXPECT_DOUBLE_EQ(blocks.side1[0].height, 30.0);
}

TEST(SketchSectors, DirectionsAreTakenRelativeToTheStreetOrientation) {
    SketchStreet street = streetWithSector(230, 280, 30);
    street.orientation_deg = 30;
    const SketchSideBlocks blocks = sketchSectorBlocks(street, 100);
    ASSERT_EQ(blocks.side1.size(), 1u);
    EXPECT_NEAR(blocks.side1[0].to, -27.47, kTwoDecimals);
    EXPECT_NEAR(blocks.side1[0].from, -3.64, kTwoDecimals);
}

struct WholeRowCase {
    double start, end;
    bool side1, side2;
};
class SketchSectorsWholeRow : public ::testing::TestWithParam<WholeRowCase> {};

TEST_P(SketchSectorsWholeRow, SectorsCoveringAHalfCircleGiveWholeRows) {
    const auto c = GetParam();
    const SketchSideBlocks blocks = sketchSectorBlocks(streetWithSector(c.start, c.end, 12), 100);
    ASSERT_EQ(blocks.side1.size(), c.side1 ? 1u : 0u);
    ASSERT_EQ(blocks.side2.size(), c.side2 ? 1u : 0u);
    for (const auto &row : {blocks.side1, blocks.side2}) {
        for (const SketchBlock &b : row) {
            EXPECT_DOUBLE_EQ(b.from, 100.0);
            EXPECT_DOUBLE_EQ(b.to, -100.0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(HalfAndFullCircles, SketchSectorsWholeRow,
                         ::testing::Values(WholeRowCase{180, 360, true, false},
                                           WholeRowCase{180, 0, true, false},
                                           WholeRowCase{0, 180, false, true},
                                           WholeRowCase{0, 360, true, true}));

TEST(SketchSectors, SectorAcrossTheStreetDirectionBehindIsSplitBetweenTheSides) {
    // 170..190 looks along -y: side 2 sees it up to the street end, side 1 from there.
    const SketchSideBlocks blocks = sketchSectorBlocks(streetWithSector(170, 190, 25), 100);
    ASSERT_EQ(blocks.side1.size(), 1u);
    ASSERT_EQ(blocks.side2.size(), 1u);
    const double edge = 10.0 / std::tan(10.0 * std::acos(-1.0) / 180.0); // 56.71
    EXPECT_NEAR(blocks.side2[0].from, -edge, kTwoDecimals);
    EXPECT_DOUBLE_EQ(blocks.side2[0].to, -100.0);
    EXPECT_NEAR(blocks.side1[0].from, -edge, kTwoDecimals);
    EXPECT_DOUBLE_EQ(blocks.side1[0].to, -100.0);
}

TEST(SketchSectors, SectorAcrossTheStreetDirectionAheadIsSplitBetweenTheSides) {
    const SketchSideBlocks blocks = sketchSectorBlocks(streetWithSector(350, 10, 25), 100);
    ASSERT_EQ(blocks.side1.size(), 1u);
    ASSERT_EQ(blocks.side2.size(), 1u);
    EXPECT_DOUBLE_EQ(blocks.side1[0].from, 100.0);
    EXPECT_NEAR(blocks.side1[0].to, 56.71, kTwoDecimals);
    EXPECT_DOUBLE_EQ(blocks.side2[0].from, 100.0);
    EXPECT_NEAR(blocks.side2[0].to, 56.71, kTwoDecimals);
}

TEST(SketchSectors, BlocksOfEachSideRunFromThePlusYEndTowardTheMinusYEnd) {
    SketchStreet street = typicalStreet();
    street.sectors[0] = {200, 250, 10, true};
    street.sectors[1] = {290, 340, 11, true};
    street.sectors[2] = {120, 160, 12, true};
    street.sectors[3] = {20, 70, 13, true};
    street.sectors[4] = {90, 100, 99, false}; // not in use
    const SketchSideBlocks blocks = sketchSectorBlocks(street, 100);
    ASSERT_EQ(blocks.side1.size(), 2u);
    ASSERT_EQ(blocks.side2.size(), 2u);
    EXPECT_DOUBLE_EQ(blocks.side1[0].height, 11.0);
    EXPECT_DOUBLE_EQ(blocks.side1[1].height, 10.0);
    EXPECT_DOUBLE_EQ(blocks.side2[0].height, 13.0);
    EXPECT_DOUBLE_EQ(blocks.side2[1].height, 12.0);
    for (const auto &row : {blocks.side1, blocks.side2}) {
        EXPECT_GT(row[0].from, row[0].to);
        EXPECT_GE(row[0].to, row[1].from);
        EXPECT_GT(row[1].from, row[1].to);
    }
}

TEST(SketchSectors, SectorsWithoutWidthOrWithNonFiniteDirectionsGiveNoBlock) {
    SketchStreet street = typicalStreet();
    street.sectors[0] = {200, 200, 10, true};
    street.sectors[1] = {std::numeric_limits<double>::quiet_NaN(), 250, 10, true};
    street.sectors[2] = {200, std::numeric_limits<double>::infinity(), 10, true};
    const SketchSideBlocks blocks = sketchSectorBlocks(street, 100);
    EXPECT_TRUE(blocks.side1.empty());
    EXPECT_TRUE(blocks.side2.empty());
}

TEST(SketchBlock, BlockWithoutLengthDrawsNothingWhateverItsHeight) {
    std::vector<SketchItem> items;
    for (double h : {-5.0, 0.0, 20.0, 500.0}) {
        DrawSketchBlock(items, projectionAt(30, 100, 500), 30, -10, -20, 40, 40, h, kBrushFlatBuilding);
    }
    EXPECT_TRUE(items.empty());
}

TEST(SketchBlock, FlatBlockDrawsOnlyItsTopInTheFlatColourAndOnlyBelowTheViewHeight) {
    std::vector<SketchItem> items;
    DrawSketchBlock(items, projectionAt(30, 100, 500), 30, -10, -20, 40, -40, 0, kBrushFlatBuilding);
    ASSERT_EQ(polygonsOf(items).size(), 1u);
    EXPECT_EQ(polygonsOf(items)[0].brush, kBrushFlatBuilding);

    items.clear();
    DrawSketchBlock(items, projectionAt(30, 0, 500), 30, -10, -20, 40, -40, 0, kBrushFlatBuilding);
    EXPECT_TRUE(items.empty());
}

TEST(SketchBlock, BlockAboveTheViewHeightShowsNoTopAndNegativeHeightShowsNothing) {
    std::vector<SketchItem> items;
    DrawSketchBlock(items, projectionAt(30, 10, 500), 30, -10, -20, 40, -40, 20, kBrushFlatBuilding);
    for (const SketchPolygon &p : polygonsOf(items)) {
        EXPECT_NE(p.brush, kBrushBlockTop);
    }
    EXPECT_FALSE(items.empty());

    items.clear();
    DrawSketchBlock(items, projectionAt(30, 100, 500), 30, -10, -20, 40, -40, -3, kBrushFlatBuilding);
    EXPECT_TRUE(items.empty());
}

TEST(SketchBlock, TallBlockSeenFromAboveShowsOneEndSideAndTop) {
    // Seen at 0 degrees the cut lies at -d: only the end at y2 (the near end, y2 >= cut) shows.
    std::vector<SketchItem> items;
    DrawSketchBlock(items, projectionAt(0, 100, 500), 0, -10, -20, 40, -40, 20, kBrushFlatBuilding);
    const auto polygons = polygonsOf(items);
    ASSERT_EQ(polygons.size(), 3u);
    EXPECT_EQ(polygons[0].brush, kBrushLongSide);
    EXPECT_EQ(polygons[1].brush, kBrushBlockTop);
    EXPECT_EQ(polygons[2].brush, kBrushEndFace);
}

bool samePolygons(const std::vector<SketchItem> &a, const std::vector<SketchItem> &b) {
    const auto pa = polygonsOf(a), pb = polygonsOf(b);
    if (pa.size() != pb.size()) {
        return false;
    }
    for (size_t i = 0; i < pa.size(); ++i) {
        if (pa[i].brush != pb[i].brush || pa[i].points.size() != pb[i].points.size()) {
            return false;
        }
        for (size_t j = 0; j < pa[i].points.size(); ++j) {
            if (pa[i].points[j].u != pb[i].points[j].u || pa[i].points[j].v != pb[i].points[j].v) {
                return false;
            }
        }
    }
    return true;
}

struct RowOrderCase {
    const char *name;
    double angle;
    std::vector<SketchBlock> blocks;
    double yA, yB;
    // Stretches (from, to, height) in the order they must be painted.
    std::vector<SketchBlock> expected;
};
class SketchRowOrder : public ::testing::TestWithParam<RowOrderCase> {};

TEST_P(SketchRowOrder, RowIsPaintedFromItsFarEndsTowardTheViewer) {
    const RowOrderCase &c = GetParam();
    const SketchProjection p = projectionAt(c.angle, 300, 500);
    std::vector<SketchItem> row, expected;
    DrawSketchBlocks(row, p, c.angle, c.blocks, -10, -20, c.yA, c.yB, 20);
    for (const SketchBlock &b : c.expected) {
        DrawSketchBlock(expected, p, c.angle, -10, -20, b.from, b.to, b.height, kBrushFlatBuilding);
    }
    EXPECT_TRUE(samePolygons(row, expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, SketchRowOrder,
    ::testing::Values(
        // Without sectors the row is one stretch at the average height.
        RowOrderCase{"no sectors", 20, {}, 100, -100, {{100, -100, 20}}},
        // Angle 0: the cut lies at -500, the whole row is painted from +y down.
        RowOrderCase{"no cut",
                     0,
                     {{60, 20, 30}, {-10, -50, 40}},
                     100,
                     -100,
                     {{100, 60, 20}, {60, 20, 30}, {20, -10, 20}, {-10, -50, 40}, {-50, -100, 20}}},
        // Angle 80: the cut lies at -86.8; the second block ends past it.
        RowOrderCase{"cut inside a block",
                     80,
                     {{60, 20, 30}, {-70, -95, 40}},
                     100,
                     -100,
                     {{-95, -100, 20}, {100, 60, 20}, {60, 20, 30}, {20, -70, 20}, {-70, -95, 40}}},
        // The second block starts past the cut.
        RowOrderCase{"cut before a block",
                     80,
                     {{60, 20, 30}, {-90, -95, 40}},
                     100,
                     -100,
                     {{-95, -100, 20}, {-90, -95, 40}, {100, 60, 20}, {60, 20, 30}, {20, -90, 20}}},
        // Angle 120: the row runs from -y to +y, the cut lies at +250 beyond it.
        RowOrderCase{"seen from behind",
                     120,
                     {{-50, -10, 40}, {20, 60, 30}},
                     -100,
                     100,
                     {{-100, -50, 20}, {-50, -10, 40}, {-10, 20, 20}, {20, 60, 30}, {60, 100, 20}}}));

// The pixel rectangle the polygons of a scene cover.
struct PixelBox {
    double left = 1e300, right = -1e300, top = 1e300, bottom = -1e300;
};
PixelBox pixelBox(const SketchScene &scene) {
    PixelBox b;
    for (const SketchPolygon &p : polygonsOf(scene.items)) {
        for (const SketchPoint &q : p.points) {
            const double x = q.u * scene.mapping.scaleX + scene.mapping.offsetX;
            const double y = q.v * scene.mapping.scaleY + scene.mapping.offsetY;
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = std::max(b.bottom, y);
        }
    }
    return b;
}

TEST(SketchScene, MappingCentresTheWholeSceneOnTheTargetWithOneScaleBothWays) {
    const SketchScene scene = buildStreetSketch(typicalStreet(), SketchView{}, kTarget);
    ASSERT_FALSE(scene.empty);
    EXPECT_GT(scene.mapping.scaleX, 0);
    EXPECT_DOUBLE_EQ(scene.mapping.scaleY, -scene.mapping.scaleX);
    EXPECT_NEAR(scene.viewHeight_m, 20.0, kExact); // automatic at angle 0
    const PixelBox b = pixelBox(scene);
    EXPECT_NEAR(b.left + b.right, kTarget.width_px, 2.0);
    EXPECT_NEAR(b.top + b.bottom, kTarget.height_px, 2.0);
    // Seen head on from the roof height the buildings stand on the street, whole.
    EXPECT_GE(b.top, 0);
}

// At every view angle, with the automatic view height, the street and its
// buildings fill the box: one way nearly edge to edge (a small margin), the
// other way within it; nothing is cut off.
class SketchSceneFillsTheBox : public ::testing::TestWithParam<double> {};

TEST_P(SketchSceneFillsTheBox, AtEveryViewAngleTheSceneFillsTheBoxAndStaysInIt) {
    for (const SketchTarget target : {kTarget, SketchTarget{320, 180, 96, 96}, SketchTarget{200, 400, 96, 96}}) {
        SketchView view;
        view.angle_deg = GetParam();
        const SketchScene scene = buildStreetSketch(typicalStreet(), view, target);
        ASSERT_FALSE(scene.empty);
        const PixelBox b = pixelBox(scene);
        EXPECT_GE(b.left, -0.5);
        EXPECT_LE(b.right, target.width_px + 0.5);
        EXPECT_GE(b.top, -0.5);
        EXPECT_LE(b.bottom, target.height_px + 0.5);
        const double filled =
            std::max((b.right - b.left) / target.width_px, (b.bottom - b.top) / target.height_px);
        EXPECT_GT(filled, 0.8) << target.width_px << "x" << target.height_px;
        // The zoom magnifies about the street centre, which stays in its place.
        SketchView zoomed = view;
        zoomed.zoom = 2;
        const SketchScene closer = buildStreetSketch(typicalStreet(), zoomed, target);
        EXPECT_NEAR(closer.mapping.offsetX, scene.mapping.offsetX, 1.0);
        EXPECT_NEAR(closer.mapping.offsetY, scene.mapping.offsetY, 1.0);
        EXPECT_NEAR(closer.mapping.scaleX, 2 * scene.mapping.scaleX, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(Angles, SketchSceneFillsTheBox,
                         ::testing::Values(-150.0, -90.0, -45.0, 0.0, 15.0, 30.0, 60.0, 90.0, 120.0, 180.0));

TEST(SketchScene, SurfaceReceptorsAndLinesComeBeforeTheBuildings) {
    SketchView view;
    view.angle_deg = 30;
    const SketchScene scene = buildStreetSketch(typicalStreet(), view, kTarget);
    ASSERT_FALSE(scene.items.empty());
    const auto *surface = std::get_if<SketchPolygon>(&scene.items[0]);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->brush, kBrushStreetSurface);
    ASSERT_NE(std::get_if<SketchEllipse>(&scene.items[1]), nullptr);
    ASSERT_NE(std::get_if<SketchEllipse>(&scene.items[2]), nullptr);
    size_t lastNonPolygon = 0;
    for (size_t i = 1; i < scene.items.size(); ++i) {
        if (!std::holds_alternative<SketchPolygon>(scene.items[i])) {
            lastNonPolygon = i;
        }
    }
    EXPECT_EQ(lastNonPolygon, 10u); // 2 marks, 4 lines, 4 labels
}

TEST(SketchScene, ReceptorMarksShowWhetherTheReceptorIsUsed) {
    SketchStreet street = typicalStreet();
    street.receptor1 = 1;
    street.receptor2 = 0;
    SketchScene scene = buildStreetSketch(street, SketchView{}, kTarget);
    EXPECT_EQ(std::get<SketchEllipse>(scene.items[1]).brush, kBrushReceptorUsed);
    EXPECT_EQ(std::get<SketchEllipse>(scene.items[2]).brush, kBrushReceptorUnused);
    EXPECT_LT(std::get<SketchEllipse>(scene.items[1]).centre.u, 0);
    EXPECT_NEAR(std::get<SketchEllipse>(scene.items[1]).radius, 1.2, kExact);

    street.receptor2 = 5;
    scene = buildStreetSketch(street, SketchView{}, kTarget);
    EXPECT_TRUE(std::holds_alternative<SketchLine>(scene.items[2]));
}

TEST(SketchScene, FarRowIsPaintedFirstAndTheSidesSwapWithTheSignOfTheAngle) {
    // The first row polygon is the side face of the first stretch, starting at
    // its building line (x = -10 for side 1, +10 for side 2) at the far end y = +100.
    for (double angle : {10.0, -10.0}) {
        SketchView view;
        view.angle_deg = angle;
        view.labels = false;
        const SketchScene scene = buildStreetSketch(typicalStreet(), view, kTarget);
        const auto &poly = std::get<SketchPolygon>(scene.items[7]); // after surface, 2 marks, 4 lines
        EXPECT_EQ(poly.brush, kBrushLongSide);
        const double rad = angle * std::acos(-1.0) / 180.0;
        const SketchProjection p{std::sin(rad), std::cos(rad), scene.viewHeight_m, 500};
        const SketchPoint expected = RotateSketchPoint(p, angle > 0 ? -10 : 10, 100, 0);
        EXPECT_NEAR(poly.points[0].u, expected.u, kExact) << angle;
        EXPECT_NEAR(poly.points[0].v, expected.v, kExact) << angle;
    }
}

TEST(SketchScene, LabelsAreSkippedWhenTurnedOffAndRunUpTheStreetAtAngleZero) {
    SketchView view;
    view.autoHeight = false;
    view.height_m = 0;
    SketchScene scene = buildStreetSketch(typicalStreet(), view, kTarget);
    int labels = 0;
    for (const SketchItem &item : scene.items) {
        if (const auto *l = std::get_if<SketchLabel>(&item)) {
            ++labels;
            EXPECT_DOUBLE_EQ(l->angle_deg, 90.0);
        }
    }
    EXPECT_EQ(labels, 4);
    view.labels = false;
    scene = buildStreetSketch(typicalStreet(), view, kTarget);
    for (const SketchItem &item : scene.items) {
        EXPECT_FALSE(std::holds_alternative<SketchLabel>(item));
    }
    // Street surface and block tops are not drawn from a view height of 0.
    for (const SketchPolygon &p : polygonsOf(scene.items)) {
        EXPECT_NE(p.brush, kBrushStreetSurface);
        EXPECT_NE(p.brush, kBrushBlockTop);
    }
}

TEST(SketchScene, LengthLabelsMoveBeyondTheStreetEndsWhenTheHalfStreetIsTooShort) {
    SketchView view;
    auto find = [](const SketchScene &scene, const std::string &text) {
        for (const SketchItem &item : scene.items) {
            if (const auto *l = std::get_if<SketchLabel>(&item); l && l->text == text) {
                return *l;
            }
        }
        return SketchLabel{};
    };
    const SketchScene narrow =
        buildStreetSketch(typicalStreet(), view, kTarget, [](std::string_view, int) { return 1.0; });
    EXPECT_NE(find(narrow, "Length 1").anchor.v, 0.0);
    EXPECT_EQ(find(narrow, "Length 1").align, SketchAlign::BottomRight);
    EXPECT_EQ(find(narrow, "Length 2").align, SketchAlign::BottomLeft);
    // Too long for their halves: each label starts at its street end and runs
    // outward, so the two never meet in the middle.
    const SketchScene wide =
        buildStreetSketch(typicalStreet(), view, kTarget, [](std::string_view, int) { return 1e6; });
    EXPECT_GT(find(wide, "Length 1").anchor.v, 0.0);
    EXPECT_EQ(find(wide, "Length 1").align, SketchAlign::BottomLeft);
    EXPECT_LT(find(wide, "Length 2").anchor.v, 0.0);
    EXPECT_EQ(find(wide, "Length 2").align, SketchAlign::BottomRight);
}

// A length label that runs beyond its street end stays in the box: at view
// angle 0 from the roof height the near street end lies close to the lower
// edge, and "Length 2" running outward from it was cut off there.
TEST(SketchScene, LengthLabelsBeyondTheStreetEndsStayInTheBox) {
    const double textPx = 48; // "Length 2" in the automatic font of a sketch box
    const SketchTextWidth measure = [&](std::string_view, int) { return textPx; };
    SketchStreet street = typicalStreet();
    street.height_m = 18;
    street.width_m = 24.5;
    for (const SketchTarget target : {SketchTarget{320, 160, 96, 96}, SketchTarget{440, 240, 96, 96}}) {
        for (const double angle : {0.0, 20.0, -20.0, 180.0}) {
            SketchView view;
            view.angle_deg = angle;
            const SketchScene scene = buildStreetSketch(street, view, target, measure);
            ASSERT_FALSE(scene.empty);
            const SketchMapping &m = scene.mapping;
            int lengthLabels = 0;
            for (const SketchItem &item : scene.items) {
                const auto *l = std::get_if<SketchLabel>(&item);
                if (!l || l->text.rfind("Length", 0) != 0) {
                    continue;
                }
                ++lengthLabels;
                // The label runs from its anchor along its angle (aligned left) or back to it.
                const double x = l->anchor.u * m.scaleX + m.offsetX, y = l->anchor.v * m.scaleY + m.offsetY;
                const double sign = l->align == SketchAlign::BottomRight ? -1.0 : 1.0;
                const double rad = l->angle_deg * std::numbers::pi / 180.0;
                const double endX = x + sign * std::cos(rad) * textPx, endY = y - sign * std::sin(rad) * textPx;
                for (const auto &[px, py] : {std::pair{x, y}, std::pair{endX, endY}}) {
                    EXPECT_GE(px, 0) << l->text << " at " << angle << " degrees, box " << target.width_px;
                    EXPECT_LE(px, target.width_px) << l->text << " at " << angle << " degrees";
                    EXPECT_GE(py, 0) << l->text << " at " << angle << " degrees, box " << target.width_px;
                    EXPECT_LE(py, target.height_px) << l->text << " at " << angle << " degrees";
                }
            }
            EXPECT_EQ(lengthLabels, 2);
        }
    }
}

TEST(SketchScene, TextTurnsInWholeTenthsOfADegreeWithHalvesToEven) {
    EXPECT_EQ(textEscapement(90), 900);
    EXPECT_EQ(textEscapement(12.25), 122);
    EXPECT_EQ(textEscapement(-12.35), -124);
}

TEST(SketchScene, AutomaticLabelSizeIsNeverBelowNine) {
    EXPECT_EQ(sketchLabelSize(0.01, 4500, 1, 0), 9);
    EXPECT_EQ(sketchLabelSize(2.0, 4500, 1, 0), 15);
    EXPECT_EQ(sketchLabelSize(0, 6000, 2, 10), 20);
}

struct DegenerateCase {
    double width, length1, length2, height;
};
class SketchSceneDegenerate : public ::testing::TestWithParam<DegenerateCase> {};

TEST_P(SketchSceneDegenerate, DegenerateStreetsDrawOnlyFiniteGeometry) {
    const auto c = GetParam();
    SketchStreet street;
    street.width_m = c.width;
    street.length1_m = c.length1;
    street.length2_m = c.length2;
    street.height_m = c.height;
    street.sectors[0] = {170, 190, 30, true};
    street.sectors[1] = {350, 10, 30, true};
    for (double angle : {-180.0, -90.0, 0.0, 30.0, 90.0, 120.0, 180.0}) {
        SketchView view;
        view.angle_deg = angle;
        const SketchScene scene = buildStreetSketch(street, view, kTarget);
        EXPECT_TRUE(allFinite(scene)) << angle;
        EXPECT_TRUE(std::isfinite(scene.viewHeight_m));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Streets, SketchSceneDegenerate,
    ::testing::Values(DegenerateCase{0, 0, 0, 20}, DegenerateCase{0, 50, 50, 20},
                      DegenerateCase{20, 0, 0, 20}, DegenerateCase{0, 0, 0, 0}, DegenerateCase{20, 50, 50, 0},
                      DegenerateCase{std::numeric_limits<double>::quiet_NaN(), 50, 50, 20},
                      DegenerateCase{-20, 50, 50, 20}));

TEST(SketchScene, StreetWithNoExtentOrATargetWithoutPixelsIsEmpty) {
    SketchStreet street;
    street.height_m = 20;
    EXPECT_TRUE(buildStreetSketch(street, SketchView{}, kTarget).empty);
    EXPECT_TRUE(buildStreetSketch(typicalStreet(), SketchView{}, SketchTarget{0, 300, 96, 96}).empty);
}

} // namespace
} // namespace vesk
