// Properties of the street-canyon model over a grid of inputs.

#include "platform/streetmodel/StreetModel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace vesk {
namespace {

struct Street {
    float width = 20, height = 20, length1 = 100, length2 = 100, recHeight = 2;
    std::int16_t sectors = 0;
    std::array<float, 12> start{}, end{}, value{};
    float orientation = 0;
};

struct Hour {
    float uMast = 3;
    float windDir = 90; // relative to the street
    float lightPerHour = 1500, heavyPerHour = 0;
    float speed = 50;
    bool turbulence = true;
    bool averaging = false;
    bool acceleration = true;
};

struct Result {
    float c1 = 0, c2 = 0, sWRoof = 0, uRoof = 0;
};

// The chain as a run calls it for one hour.
Result model(const Street &s, const Hour &h) {
    std::array<float, 7> P{};
    ModPar(s.height, P);
    std::array<float, 12> A{}, B{};
    std::array<std::int16_t, 4> flags{};
    RotStreet(s.orientation, s.start, s.end, s.value, A, B, s.sectors, flags);
    if (!h.acceleration) {
        flags = {};
    }
    float sWTpt = 0;
    if (h.turbulence) {
        CarTurb(h.speed, h.speed, h.lightPerHour, h.heavyPerHour, P[5], P[6], s.width, sWTpt);
    }
    Result r;
    float F = 0, deltaFi = 0;
    Flow_par(h.uMast, r.uRoof, F);
    const float shape = 3.0f - h.uMast / (h.uMast + 5.0f);
    Calc_Delta_Fi(r.uRoof, deltaFi);
    if (h.averaging) {
        Averaging(r.uRoof, h.windDir, deltaFi, P[0], s.sectors, A, B, s.value, sWTpt, r.sWRoof, s.height,
                  s.width, shape, s.length1, s.length2, F, P[3], P[4], 1, 1, r.c1, r.c2, s.recHeight, flags);
    } else {
        Calc_C_st(r.uRoof, h.windDir, sWTpt, r.sWRoof, s.height, s.width, shape, s.length1, s.length2, F,
                  P[3], P[4], 1, 1, s.sectors, A, B, s.value, r.c1, r.c2, s.recHeight, flags);
    }
    return r;
}

// q in µg/(m·s) of traffic at 0.5 g/km NOx.
float emission(float vehiclesPerHour) {
    return vehiclesPerHour * 0.5f / 3.6f;
}

std::vector<Street> streetGrid() {
    std::vector<Street> streets;
    for (float w : {8.0f, 20.0f, 45.0f}) {
        for (float h : {5.0f, 20.0f, 40.0f}) {
            Street s;
            s.width = w;
            s.height = h;
            streets.push_back(s);
        }
    }
    return streets;
}

const float kWinds[] = {0.0f, 0.3f, 1.0f, 2.0f, 3.0f, 5.0f, 10.0f, 20.0f};
const float kTraffic[] = {0.0f, 500.0f, 5000.0f};

TEST(StreetModel, concentrationsAreFiniteAndNonNegativeOverTheWholeGrid) {
    int checked = 0;
    for (const Street &s : streetGrid()) {
        for (float u : kWinds) {
            for (float n : kTraffic) {
                for (float dir = 0; dir < 360; dir += 7.5f) {
                    for (bool averaging : {false, true}) {
                        Hour h;
                        h.uMast = u;
                        h.lightPerHour = n;
                        h.windDir = dir;
                        h.averaging = averaging;
                        const Result r = model(s, h);
                        ASSERT_TRUE(std::isfinite(r.c1) && r.c1 >= 0) << u << " " << dir << " " << n;
                        ASSERT_TRUE(std::isfinite(r.c2) && r.c2 >= 0) << u << " " << dir << " " << n;
                        ASSERT_TRUE(std::isfinite(r.sWRoof) && r.sWRoof > 0);
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_GT(checked, 10000);
}

TEST(StreetModel, zeroWindWithoutTrafficTurbulenceStaysFinite) {
    Hour h;
    h.uMast = 0;
    h.turbulence = false;
    for (bool averaging : {false, true}) {
        h.averaging = averaging;
        const Result r = model(Street{}, h);
        EXPECT_TRUE(std::isfinite(r.c1) && r.c1 > 0);
        EXPECT_TRUE(std::isfinite(r.c2) && r.c2 > 0);
        EXPECT_GT(r.sWRoof, 0);
    }
}

TEST(StreetModel, leewardSideIsAtLeastWindwardSideForPerpendicularWind) {
    for (const Street &s : streetGrid()) {
        for (float u : kWinds) {
            for (float n : kTraffic) {
                for (bool averaging : {false, true}) {
                    Hour h;
                    h.uMast = u;
                    h.lightPerHour = n;
                    h.averaging = averaging;
                    h.windDir = 90; // from side 2: side 2 is leeward
                    const Result from2 = model(s, h);
                    EXPECT_GE(from2.c2, from2.c1) << s.width << "x" << s.height << " u=" << u << " n=" << n;
                    h.windDir = 270;
                    const Result from1 = model(s, h);
                    EXPECT_GE(from1.c1, from1.c2) << s.width << "x" << s.height << " u=" << u << " n=" << n;
                }
            }
        }
    }
}

TEST(StreetModel, concentrationFallsRoughlyAsOneOverWindSpeedAtHighWind) {
    for (const Street &s : streetGrid()) {
        for (float dir : {0.0f, 45.0f, 90.0f}) {
            Hour h;
            h.windDir = dir;
            h.uMast = 10;
            const Result at10 = model(s, h);
            h.uMast = 20;
            const Result at20 = model(s, h);
            // Doubling the wind halves c within 25 % (traffic turbulence still counts a little).
            const double ratio = at10.c2 / at20.c2;
            EXPECT_GT(ratio, 1.5) << s.width << "x" << s.height << " dir=" << dir;
            EXPECT_LT(ratio, 2.25) << s.width << "x" << s.height << " dir=" << dir;
        }
    }
}

TEST(StreetModel, concentrationLevelsOffAtLowWindWithTraffic) {
    for (const Street &s : streetGrid()) {
        Hour h;
        h.lightPerHour = 1500;
        h.uMast = 0;
        const Result calm = model(s, h);
        h.uMast = 0.5f;
        const Result light = model(s, h);
        h.uMast = 5;
        const Result fresh = model(s, h);
        EXPECT_LT(calm.c2 / light.c2, 1.3) << s.width << "x" << s.height;
        EXPECT_GT(calm.c2 / light.c2, 0.9) << s.width << "x" << s.height;
        EXPECT_GT(calm.c2, fresh.c2);
    }
}

TEST(StreetModel, typicalStreetGivesTensOfMicrogramsNOx) {
    // 20 m wide, 20 m high, 1,500 vehicles an hour at 0.5 g/km, wind 3 m/s across.
    Hour h;
    h.uMast = 3;
    h.windDir = 90;
    for (bool averaging : {false, true}) {
        h.averaging = averaging;
        const Result r = model(Street{}, h);
        const float q = emission(1500);
        EXPECT_GT(r.c2 * q, 20.0f);
        EXPECT_LT(r.c2 * q, 99.0f);
        EXPECT_GT(r.c1 * q, 5.0f);
        EXPECT_LT(r.c1 * q, r.c2 * q);
    }
}

TEST(StreetModel, symmetricStreetMirroredAtHalfTurnSwapsTheSides) {
    for (const Street &s : streetGrid()) {
        for (float dir = 0; dir < 360; dir += 15) {
            for (bool averaging : {false, true}) {
                Hour h;
                h.averaging = averaging;
                h.windDir = dir;
                const Result a = model(s, h);
                h.windDir = std::fmod(dir + 180.0f, 360.0f);
                const Result b = model(s, h);
                EXPECT_NEAR(a.c1, b.c2, 1e-5f * (1 + a.c1)) << dir;
                EXPECT_NEAR(a.c2, b.c1, 1e-5f * (1 + a.c2)) << dir;
            }
        }
    }
}

TEST(StreetModel, theStreetLengthUpwindIsTheOneTheWindDirectionSelects) {
    // Short, unequal lengths: the direct plume along the street grows with the length upwind.
    Street unequal;
    unequal.length1 = 15;
    unequal.length2 = 60;
    Street short1 = unequal, short2 = unequal;
    short1.length2 = 15; // both 15 m
    short2.length1 = 60; // both 60 m
    for (float dir : {0.0f, 30.0f, 330.0f, 150.0f, 180.0f, 210.0f}) {
        for (bool averaging : {false, true}) {
            Hour h;
            h.averaging = averaging;
            h.windDir = dir;
            // cos r >= 0: the wind comes along the street from the end of length 1.
            const Street &same = std::cos(dir * 3.14159265f / 180) >= 0 ? short1 : short2;
            const Result a = model(unequal, h), b = model(same, h);
            SCOPED_TRACE(std::to_string(dir) + (averaging ? " averaged" : ""));
            if (!averaging) {
                EXPECT_FLOAT_EQ(a.c1, b.c1);
                EXPECT_FLOAT_EQ(a.c2, b.c2);
            }
            const Street &other = &same == &short1 ? short2 : short1;
            const Result c = model(other, h);
            EXPECT_NE(a.c1, c.c1) << "the other length gives another concentration";
        }
    }
}

// The model picks the street length upwind from the sign of cos(x), x the
// relative direction in radians in [0, 2 pi), without computing the cosine:
// cos(x) >= 0 exactly when x <= the double nearest pi/2 or x > the double
// nearest 3 pi/2. Both doubles lie below the true values, so the bounds
// belong to different sides; checked on the doubles around each bound and
// over the directions as the run makes them (degrees times pi/180).
TEST(StreetModel, signOfTheCosineFollowsFromTheTwoBoundsWithoutComputingIt) {
    constexpr double halfPi = std::numbers::pi / 2.0;
    constexpr double threeHalfPi = 3.0 * std::numbers::pi / 2.0;
    auto byBounds = [&](double x) { return x <= halfPi || x > threeHalfPi; };
    EXPECT_GT(std::cos(halfPi), 0.0) << "the double nearest pi/2 lies below pi/2";
    EXPECT_LT(std::cos(threeHalfPi), 0.0) << "the double nearest 3 pi/2 lies below 3 pi/2";
    for (double bound : {halfPi, threeHalfPi}) {
        double below = bound, above = bound;
        for (int step = 0; step < 2000; ++step) {
            EXPECT_EQ(std::cos(below) >= 0.0, byBounds(below)) << below;
            EXPECT_EQ(std::cos(above) >= 0.0, byBounds(above)) << above;
            below = std::nextafter(below, 0.0);
            above = std::nextafter(above, 10.0);
        }
    }
    constexpr double degToRad = std::numbers::pi / 180.0;
    for (int k = 0; k < 3600000; ++k) {
        const double x = (k / 10000.0) * degToRad;
        ASSERT_EQ(std::cos(x) >= 0.0, byBounds(x)) << x;
    }
    for (double r : {90.0, 270.0, std::nextafter(90.0, 0.0), std::nextafter(90.0, 360.0),
                      std::nextafter(270.0, 0.0), std::nextafter(270.0, 360.0), std::nextafter(360.0, 0.0)}) {
        EXPECT_EQ(std::cos(r * degToRad) >= 0.0, byBounds(r * degToRad)) << r;
    }
}

// The averaging over directions weighs the model at 13 directions around the
// wind; its sines come from one sine and cosine by rotation. Checked against
// the model run at each of those directions and weighed here, with the nodes
// falling exactly on 0, 180 and 360 (wind along the street, where the sides
// swap), and just beside them: nothing may jump there.
struct AveragingCase {
    float windDir, deltaFi;
};

class StreetModelAveraging : public ::testing::TestWithParam<AveragingCase> {};

TEST_P(StreetModelAveraging, equalsTheWeightedModelAtItsDirectionsAndIsContinuousWhereTheSidesSwap) {
    constexpr double kRelative = 2e-6; // float results, directions handed over as floats
    const AveragingCase k = GetParam();
    std::array<float, 7> P{};
    ModPar(20, P);
    const std::array<float, 12> none{};
    const std::array<std::int16_t, 4> flags{};
    const float uRoof = 2.0f, sWTpt = 0.4f, F = 0.2f, shape = 2.5f;
    auto averaged = [&](float dir, float &c1, float &c2) {
        float sWRoof = 0;
        Averaging(uRoof, dir, k.deltaFi, P[0], 0, none, none, none, sWTpt, sWRoof, 20, 20, shape, 100, 100, F,
                  P[3], P[4], 1, 1, c1, c2, 2, flags);
    };
    double sum1 = 0, sum2 = 0, weights = 0;
    for (int j = -6; j <= 6; ++j) {
        const double t = P[0] * j / 6.0;
        const double w = std::exp(-0.5 * t * t);
        float sWRoof = 0, c1 = 0, c2 = 0;
        Calc_C_st(uRoof, static_cast<float>(k.windDir + t * k.deltaFi), sWTpt, sWRoof, 20, 20, shape, 100,
                  100, F, P[3], P[4], 1, 1, 0, none, none, none, c1, c2, 2, flags);
        sum1 += w * c1;
        sum2 += w * c2;
        weights += w;
    }
    float a1 = 0, a2 = 0;
    averaged(k.windDir, a1, a2);
    EXPECT_NEAR(a1, sum1 / weights, kRelative * a1);
    EXPECT_NEAR(a2, sum2 / weights, kRelative * a2);
    for (float beside : {std::nextafter(k.windDir, -1000.0f), std::nextafter(k.windDir, 1000.0f)}) {
        float b1 = 0, b2 = 0;
        averaged(beside, b1, b2);
        EXPECT_NEAR(b1, a1, kRelative * a1) << beside;
        EXPECT_NEAR(b2, a2, kRelative * a2) << beside;
    }
}

// Half width 2 standard deviations in 6 steps: a step of deltaFi / 3.
INSTANTIATE_TEST_SUITE_P(Nodes, StreetModelAveraging,
                         ::testing::Values(AveragingCase{0, 15}, AveragingCase{180, 15},
                                           AveragingCase{360, 15}, AveragingCase{30, 15},
                                           AveragingCase{150, 15}, AveragingCase{330, 15},
                                           AveragingCase{210, 45}, AveragingCase{90, 60},
                                           AveragingCase{359.5f, 6}, AveragingCase{0.25f, 3},
                                           AveragingCase{270, 0}));

TEST(StreetModel, gapInTheUpwindBuildingRowWeakensTheLeewardConcentration) {
    Street closed;
    Street gap = closed;
    gap.sectors = 1;
    gap.start[0] = 60; // the row of side 2 seen between 60 and 120 degrees is open
    gap.end[0] = 120;
    gap.value[0] = 0;
    for (bool acceleration : {false, true}) {
        Hour h;
        h.acceleration = acceleration;
        h.windDir = 90;
        const Result c = model(closed, h);
        const Result g = model(gap, h);
        EXPECT_LT(g.c2, 0.5f * c.c2);
        // The wind now crosses the street: the far side gets the plume.
        EXPECT_GT(g.c1, g.c2);
    }
    // Wind from the closed side is unaffected by the gap opposite.
    Hour h;
    h.windDir = 270;
    EXPECT_FLOAT_EQ(model(closed, h).c1, model(gap, h).c1);
}

TEST(StreetModel, windAccelerationThroughAGapLowersConcentrationsAndCanBeSwitchedOff) {
    Street gap;
    gap.sectors = 1;
    gap.start[0] = 60;
    gap.end[0] = 120;
    gap.value[0] = 10; // half the street height
    Hour h;
    h.windDir = 90;
    h.acceleration = true;
    const Result fast = model(gap, h);
    h.acceleration = false;
    const Result slow = model(gap, h);
    EXPECT_LT(fast.c1 + fast.c2, slow.c1 + slow.c2);
}

// A gap of half the street height over one whole quarter of directions,
// for each quarter: the wind from anywhere in that quarter is accelerated
// through it (lower concentrations than without acceleration); the wind
// from the other quarters, over the closed rows, is not.
TEST(StreetModel, aGapInOneQuarterAcceleratesTheWindFromThatQuarterOnly) {
    for (int q = 0; q < 4; ++q) {
        SCOPED_TRACE("the gap in quarter " + std::to_string(q + 1));
        Street gap;
        gap.sectors = 1;
        gap.start[0] = 90.0f * q;
        gap.end[0] = 90.0f * (q + 1);
        gap.value[0] = 10;
        std::array<float, 12> A{}, B{};
        std::array<std::int16_t, 4> flags{};
        RotStreet(gap.orientation, gap.start, gap.end, gap.value, A, B, gap.sectors, flags);
        std::array<std::int16_t, 4> quarter{};
        quarter[static_cast<std::size_t>(q)] = 1;
        EXPECT_EQ(flags, quarter);
        for (int p = 0; p < 4; ++p) {
            for (float within : {1.0f, 45.0f, 89.0f}) {
                Hour h;
                h.windDir = 90.0f * p + within;
                SCOPED_TRACE("wind from " + std::to_string(h.windDir));
                const Result fast = model(gap, h);
                h.acceleration = false;
                const Result slow = model(gap, h);
                if (p == q) {
                    EXPECT_LT(fast.c1 + fast.c2, 0.99f * (slow.c1 + slow.c2));
                } else {
                    EXPECT_EQ(fast.c1, slow.c1);
                    EXPECT_EQ(fast.c2, slow.c2);
                }
            }
        }
    }
}

// One sector all round, from 0 to 360 or from 90 to 450 degrees, is the
// same building height in every direction as four sectors of a quarter each.
TEST(StreetModel, aSectorAllRoundIsTheSameHeightInEveryDirection) {
    Street quarters;
    quarters.sectors = 4;
    for (std::size_t k = 0; k < 4; ++k) {
        quarters.start[k] = 90.0f * static_cast<float>(k);
        quarters.end[k] = 90.0f * static_cast<float>(k + 1);
        quarters.value[k] = 10;
    }
    for (float from : {0.0f, 90.0f}) {
        Street round;
        round.sectors = 1;
        round.start[0] = from;
        round.end[0] = from + 360;
        round.value[0] = 10;
        for (bool averaging : {false, true}) {
            for (float dir : {0.0f, 30.0f, 90.0f, 135.0f, 200.0f, 270.0f, 359.0f}) {
                SCOPED_TRACE(std::to_string(from) + " to " + std::to_string(from + 360) + ", wind from " +
                             std::to_string(dir) + (averaging ? ", averaged" : ""));
                Hour h;
                h.windDir = dir;
                h.averaging = averaging;
                const Result expected = model(quarters, h);
                const Result r = model(round, h);
                EXPECT_FLOAT_EQ(r.c1, expected.c1);
                EXPECT_FLOAT_EQ(r.c2, expected.c2);
            }
        }
    }
    // Not the closed rows of the street's own height.
    Hour h;
    EXPECT_NE(model(quarters, h).c2, model(Street(), h).c2);
}

TEST(StreetModel, moreTrafficTurbulenceDilutesAtCalm) {
    Hour h;
    h.uMast = 0.5f;
    h.turbulence = false;
    const Result still = model(Street{}, h);
    h.turbulence = true;
    const Result stirred = model(Street{}, h);
    EXPECT_LT(stirred.c2, still.c2);
    EXPECT_GT(stirred.sWRoof, still.sWRoof);
}

TEST(StreetModel, receptorNotInUseGetsZero) {
    std::array<float, 7> P{};
    ModPar(20, P);
    const std::array<float, 12> none{};
    const std::array<std::int16_t, 4> flags{};
    float sWRoof = 0, c1 = -1, c2 = -1;
    Calc_C_st(2.5f, 90, 0.5f, sWRoof, 20, 20, 2.5f, 100, 100, 0.3f, P[3], P[4], 1, 0, 0, none, none, none, c1,
              c2, 2, flags);
    EXPECT_GT(c1, 0);
    EXPECT_EQ(c2, 0);
    Averaging(2.5f, 90, 20, P[0], 0, none, none, none, 0.5f, sWRoof, 20, 20, 2.5f, 100, 100, 0.3f, P[3], P[4],
              0, 1, c1, c2, 2, flags);
    EXPECT_EQ(c1, 0);
    EXPECT_GT(c2, 0);
}

TEST(StreetModel, missingInputsNeverGiveNaN) {
    std::array<float, 7> P{};
    ModPar(-99, P);
    for (float p : P) {
        EXPECT_TRUE(std::isfinite(p));
    }
    float uRoof = -1, F = -1, sWTpt = -1, deltaFi = -1;
    Flow_par(-99, uRoof, F);
    EXPECT_EQ(uRoof, 0);
    EXPECT_EQ(F, 0);
    CarTurb(-99, -99, -99, -99, P[5], P[6], -99, sWTpt);
    EXPECT_EQ(sWTpt, 0);
    Calc_Delta_Fi(NAN, deltaFi);
    EXPECT_TRUE(std::isfinite(deltaFi));
    const std::array<float, 12> none{};
    const std::array<std::int16_t, 4> flags{};
    float sWRoof = 0, c1 = -1, c2 = -1;
    Calc_C_st(-99, -99, -99, sWRoof, -99, -99, -99, -99, -99, -99, -99, -99, 1, 1, 0, none, none, none, c1,
              c2, -99, flags);
    EXPECT_TRUE(std::isfinite(c1) && c1 >= 0);
    EXPECT_TRUE(std::isfinite(c2) && c2 >= 0);
}

TEST(StreetModelFlow, roofWindFollowsMastWindAndDirectionSpreadNarrowsWithWind) {
    float u1 = 0, F1 = 0, u2 = 0, F2 = 0;
    Flow_par(2, u1, F1);
    Flow_par(8, u2, F2);
    EXPECT_NEAR(u2, 4 * u1, 1e-5);
    EXPECT_NEAR(F2, 4 * F1, 1e-5);
    EXPECT_LT(u1, 2); // the roof lies below the mast
    float calm = 0, windy = 0;
    Calc_Delta_Fi(0, calm);
    Calc_Delta_Fi(10, windy);
    EXPECT_GT(calm, windy);
    EXPECT_LE(calm, 60);
}

TEST(StreetModelFlow, trafficTurbulenceGrowsWithTrafficAndSpeedAndFallsWithWidth) {
    std::array<float, 7> P{};
    ModPar(20, P);
    float none = -1, base = 0, busier = 0, faster = 0, wider = 0, heavy = 0;
    CarTurb(50, 50, 0, 0, P[5], P[6], 20, none);
    CarTurb(50, 50, 1000, 0, P[5], P[6], 20, base);
    CarTurb(50, 50, 2000, 0, P[5], P[6], 20, busier);
    CarTurb(70, 70, 1000, 0, P[5], P[6], 20, faster);
    CarTurb(50, 50, 1000, 0, P[5], P[6], 40, wider);
    CarTurb(50, 50, 0, 1000, P[5], P[6], 20, heavy);
    EXPECT_EQ(none, 0);
    EXPECT_NEAR(busier / base, std::cbrt(2.0), 1e-5); // power per metre doubles
    EXPECT_GT(faster, base);
    EXPECT_LT(wider, base);
    EXPECT_GT(heavy, base);
}

TEST(StreetModelSectors, sectorsAreTurnedIntoStreetDirectionsWithWrapAround) {
    const std::array<float, 12> start{0, 350, 200};
    const std::array<float, 12> end{90, 20, 250};
    const std::array<float, 12> value{5, 6, 7};
    std::array<float, 12> A{}, B{};
    std::array<std::int16_t, 4> flags{};
    RotStreet(30, start, end, value, A, B, 3, flags);
    EXPECT_FLOAT_EQ(A[0], 330);
    EXPECT_FLOAT_EQ(B[0], 420); // 60 one turn later
    EXPECT_FLOAT_EQ(A[1], 320);
    EXPECT_FLOAT_EQ(B[1], 350);
    EXPECT_FLOAT_EQ(A[2], 170);
    EXPECT_FLOAT_EQ(B[2], 220);
    EXPECT_FLOAT_EQ(A[3], 0);
    // Quarters touched: [0,90) by sector 1, [90,180) and [180,270) by sector 3, [270,360) by 1 and 2.
    EXPECT_EQ(flags, (std::array<std::int16_t, 4>{1, 1, 1, 1}));

    RotStreet(0, start, end, value, A, B, 1, flags);
    EXPECT_EQ(flags, (std::array<std::int16_t, 4>{1, 0, 0, 0}));
    RotStreet(0, start, end, value, A, B, 0, flags);
    EXPECT_EQ(flags, (std::array<std::int16_t, 4>{0, 0, 0, 0}));
}

TEST(StreetModelSorting, sortPercKeepsTheLargestValuesInDescendingOrder) {
    std::array<float, 4> list{-99, -99, -99, -99};
    for (float v : {5.0f, 9.0f, 1.0f, 7.0f, 9.0f, 3.0f}) {
        SortPerc(v, list, 4);
    }
    EXPECT_EQ(list, (std::array<float, 4>{9, 9, 7, 5}));
    SortPerc(100, list, 2); // only the first two slots take part
    EXPECT_EQ(list, (std::array<float, 4>{100, 9, 7, 5}));
    SortPerc(1, list, 0);
    EXPECT_EQ(list, (std::array<float, 4>{100, 9, 7, 5}));
}

TEST(StreetModelSorting, sortvOrdersSectorNumbersByStartDirectionLargestFirst) {
    std::array<float, 4> values{-99, -99, -99, -99};
    std::array<std::int16_t, 4> numbers{};
    sortv(30, 1, values, numbers, 4);
    sortv(200, 2, values, numbers, 4);
    sortv(30, 3, values, numbers, 4);
    sortv(100, 4, values, numbers, 4);
    EXPECT_EQ(values, (std::array<float, 4>{200, 100, 30, 30}));
    EXPECT_EQ(numbers, (std::array<std::int16_t, 4>{2, 4, 1, 3})); // equal starts keep their order
}

} // namespace
} // namespace vesk
