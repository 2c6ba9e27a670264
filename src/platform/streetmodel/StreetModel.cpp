// The street-canyon dispersion model (flow, turbulence, direct plume,
// recirculation box, direction averaging). Equations and parameter values are
// explained in docs/streetmodel.md; the names below follow that text.
//
// Invariants kept for every input: every result is finite and >= 0, and no
// division has a zero divisor (wind speeds enter only as multipliers or
// through comparisons; turbulence velocities always carry the residual floor
// kSigmaFloor; the street width is at least 1 m).

#include "platform/streetmodel/StreetModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace vesk {

namespace {

// Flow profile above the roofs.
constexpr double kKarman = 0.4;
constexpr double kUrbanRoughness_m = 0.6; // roughness length of the town
constexpr double kMastHeight_m = 30.0;    // height of the wind mast above ground
constexpr double kRoofHeight_m = 15.0;    // nominal roof level of the town
constexpr double kSigmaWPerUStar = 1.25;  // sigma_w = 1.25 u* in the surface layer

// Turbulence.
constexpr double kSigmaFloor = 0.1;    // residual turbulence (m/s): convection, other sources
constexpr double kTrafficB = 0.3;      // empirical constant of the traffic turbulence
constexpr double kDefaultAlpha = 0.1;  // default P4
constexpr double kDefaultWake_m = 2.0; // default P5
constexpr double kDefaultShape = 2.0;  // shape factor used when none is given

// Street.
constexpr double kMinWidth_m = 1.0;
constexpr double kDefaultLength_m = 100.0; // street length when none is given
constexpr double kMaxLength_m = 1000.0;

// Direction averaging.
constexpr int kAveragingHalfNodes = 6;
constexpr double kDefaultAveragingWidth = 2.0; // default P1

constexpr double kDegToRad = std::numbers::pi / 180.0;
// The doubles nearest pi/2 and 3 pi/2. Both lie just below the true values,
// so for x in [0, 2 pi) the computed cos(x) >= 0 exactly when x <= kHalfPi or
// x > kThreeHalfPi (tests/platform/StreetModelTest.cpp checks the neighbours
// of both bounds): the sign of the cosine needs no cosine.
constexpr double kHalfPi = std::numbers::pi / 2.0;
constexpr double kThreeHalfPi = 3.0 * std::numbers::pi / 2.0;
const double kSqrt2OverPi = std::sqrt(2.0 / std::numbers::pi);

// A value that is negative or not finite counts as 0.
double nonNegative(double x) {
    return std::isfinite(x) && x > 0.0 ? x : 0.0;
}

double positiveOr(double x, double fallback) {
    return std::isfinite(x) && x > 0.0 ? x : fallback;
}

// Direction in [0, 360).
inline double normalDirection(double deg) {
    if (!std::isfinite(deg)) {
        return 0.0;
    }
    // fmod is exact; so is d - 360 for d in [360, 720) (the operands are
    // within a factor of two), the common case of the averaging nodes.
    double d =
        deg >= 360.0 && deg < 720.0 ? deg - 360.0 : (std::fabs(deg) < 360.0 ? deg : std::fmod(deg, 360.0));
    if (d < 0.0) {
        d += 360.0;
    }
    return d >= 360.0 ? 0.0 : d;
}

// Everything about a street and an hour that does not depend on the wind
// direction; built once per call and reused for every averaging node.
struct Canyon {
    double H = 0;          // street height
    double W = 1;          // street width, at least kMinWidth_m
    double L1 = 0, L2 = 0; // street lengths toward relative directions 0 and 180
    double uRoof = 0;      // roof-level wind
    double alpha = 0;      // P4
    double hEff = 2;       // effective initial plume height at the receptor
    double zTop = 4;       // height at which the direct plume leaves the street
    double logFactor = 1;  // street-level wind / roof wind
    double sigmaT2 = 0;    // squared traffic turbulence
    double sigmaRoof = 0;  // roof-level ventilation velocity
    double shape = 2;      // recirculation length / upwind building height
    bool receptor1 = false, receptor2 = false;
    int sectors = 0;
    std::span<const float> A, B, value;
    std::int16_t flags[4] = {0, 0, 0, 0};
};

Canyon makeCanyon(float u_roof, float s_w_tpt, float streetHeight, float streetWidth, float shapeFactor,
                  float streetLength1, float streetLength2, float F, float P4, float P5,
                  std::int16_t Receptor1, std::int16_t Receptor2, std::int16_t NumWindSectors,
                  std::span<const float> sectorA, std::span<const float> sectorB,
                  std::span<const float> SectorValue, float RecHeight,
                  std::span<const std::int16_t, 4> WindAccelFlags) {
    Canyon c;
    c.H = nonNegative(streetHeight);
    c.W = std::max(nonNegative(streetWidth), kMinWidth_m);
    c.L1 = std::min(positiveOr(streetLength1, kDefaultLength_m), kMaxLength_m);
    c.L2 = std::min(positiveOr(streetLength2, kDefaultLength_m), kMaxLength_m);
    c.uRoof = nonNegative(u_roof);
    c.alpha = positiveOr(P4, kDefaultAlpha);
    const double h0 = positiveOr(P5, kDefaultWake_m);
    const double zr = nonNegative(RecHeight);
    c.hEff = std::sqrt(h0 * h0 + zr * zr);
    c.zTop = std::max(c.H, 2.0 * c.hEff);
    // Log profile inside the street, roughness h0/4, from h0 up to the roof.
    c.logFactor = std::log(4.0) / std::log(4.0 * std::max(c.H, h0) / h0);
    const double sigmaT = nonNegative(s_w_tpt);
    c.sigmaT2 = sigmaT * sigmaT;
    const double sigmaWind = kSigmaWPerUStar * nonNegative(F);
    c.sigmaRoof = std::sqrt(sigmaWind * sigmaWind + c.sigmaT2 + kSigmaFloor * kSigmaFloor);
    c.shape = positiveOr(shapeFactor, kDefaultShape);
    c.receptor1 = Receptor1 == 1;
    c.receptor2 = Receptor2 == 1;
    const auto count = static_cast<int>(std::max<std::int16_t>(NumWindSectors, 0));
    c.sectors = static_cast<int>(
        std::min<std::size_t>({static_cast<std::size_t>(count), sectorA.size(), sectorB.size(),
                               SectorValue.size(), static_cast<std::size_t>(kWindSectorCount)}));
    c.A = sectorA;
    c.B = sectorB;
    c.value = SectorValue;
    for (int q = 0; q < 4; ++q) {
        c.flags[q] = WindAccelFlags[q];
    }
    return c;
}

// Height of the building row the wind comes over: the value of the first
// sector containing the relative direction r, else the street height.
inline double upwindHeight(const Canyon &c, double r) {
    for (int k = 0; k < c.sectors; ++k) {
        const double a = c.A[k];
        const double b = c.B[k];
        if ((r >= a && r < b) || (r + 360.0 >= a && r + 360.0 < b)) {
            return nonNegative(c.value[k]);
        }
    }
    return c.H;
}

// Direct plume from a uniform area source q/W over an upwind path of length s
// to the receptor: sqrt(2/pi)/(W sigma) ln(1 + sigma s/(u h)), the growth being
// capped where the plume fills the street (sigma_z = zTop). Per unit q.
double directPlume(const Canyon &c, double s, double uStreet, double sigma) {
    if (s <= 0.0) {
        return 0.0;
    }
    const double capped = c.zTop / c.hEff - 1.0; // growth term at the cap
    // sigma s / (u h) compared with the cap without dividing by u.
    const double growth = (sigma * s >= capped * uStreet * c.hEff) ? capped : sigma * s / (uStreet * c.hEff);
    return kSqrt2OverPi / (c.W * sigma) * std::log1p(growth);
}

// What the wind direction changes only through the upwind building height
// and the wind acceleration of its quarter: the plume's wind and growth and
// the plumes across the street. Neighbouring directions of the averaging
// mostly share both, so the last one made is kept and reused.
struct CrossStreet {
    double hUp = -1.0, accel = 0.0; // what it was made for (hUp -1: nothing yet)
    double gFor = -1.0, g = 0.0;    // the closure of the row for the upwind height gFor
    double box = 0.0, windwardShare = 0.0; // the recirculation, made with the plumes
    double uStreet = 0.0, sigma = 0.0;
    double leeVortex = 0.0, windVortex = 0.0, open = 0.0;
    double alongLength = -1.0, along = 0.0; // the plume along the street, for that upwind length
};

void makeCrossStreet(const Canyon &c, double hUp, double accel, CrossStreet &kept) {
    kept.hUp = hUp;
    kept.accel = accel;
    // The plume travels with the street-level wind and grows with the
    // turbulence of the roof-level wind combined with the traffic's.
    kept.uStreet = c.uRoof * c.logFactor * accel;
    const double aU = c.alpha * c.uRoof * accel;
    kept.sigma = std::sqrt(aU * aU + c.sigmaT2 + kSigmaFloor * kSigmaFloor);
    const double Lr = c.shape * hUp; // length of the recirculation zone
    const double inVortex = std::min(c.W, Lr);
    kept.leeVortex = directPlume(c, inVortex, kept.uStreet, kept.sigma);
    kept.windVortex = directPlume(c, std::max(0.0, c.W - Lr), kept.uStreet, kept.sigma);
    // A vortex filling the street: its plume is the open street's.
    kept.open = inVortex == c.W ? kept.leeVortex : directPlume(c, c.W, kept.uStreet, kept.sigma);
    kept.alongLength = -1.0;
    kept.box = 0.0;
    kept.windwardShare = 0.0;
    if (Lr > 0.0) {
        const double top = std::min(c.W, 0.5 * Lr);
        kept.box = (inVortex / c.W) / (c.sigmaRoof * top);
        kept.windwardShare = std::clamp(2.0 * Lr / c.W - 1.0, 0.0, 1.0);
    }
}

// Inlined: most directions find what they need kept.
inline const CrossStreet &crossStreet(const Canyon &c, double hUp, double accel, CrossStreet &kept) {
    if (kept.hUp != hUp || kept.accel != accel) {
        makeCrossStreet(c, hUp, accel, kept);
    }
    return kept;
}

// The closure of the upwind building row, 0 for a gap to 1 for a closed row.
double rowClosure(const Canyon &c, double hUp, CrossStreet &kept) {
    if (kept.gFor != hUp) {
        kept.gFor = hUp;
        kept.g = c.H > 0.0 ? std::clamp(hUp / c.H, 0.0, 1.0) : 0.0;
    }
    return kept.g;
}

// c_st of both sides for one relative wind direction r (degrees, [0, 360))
// whose sine is sinR. kept: the cross-street part of an earlier direction of
// the same canyon. Inlined: it runs for every averaging direction, and a
// call costs it a good share of its time.
[[gnu::always_inline]] inline void canyonConcentrations(const Canyon &c, double r, double sinR,
                                                        CrossStreet &kept, double &c1, double &c2) {
    const double rad = r * kDegToRad;
    const bool cosNonNegative = rad <= kHalfPi || rad > kThreeHalfPi;
    const double p = std::min(std::fabs(sinR), 1.0); // share of the cross-street wind

    const double hUp = upwindHeight(c, r);
    const double g = rowClosure(c, hUp, kept);
    // The wind accelerates through a gap (g < 1) where its quarter allows it.
    const double accel = (g < 1.0 && c.flags[std::min(static_cast<int>(r / 90.0), 3)] != 0) ? 2.0 - g : 1.0;
    const CrossStreet &x = crossStreet(c, hUp, accel, kept);

    const double lengthUp = cosNonNegative ? c.L1 : c.L2;
    if (kept.alongLength != lengthUp) {
        kept.alongLength = lengthUp;
        kept.along = directPlume(c, lengthUp, x.uStreet, x.sigma);
    }
    const double along = kept.along;

    const double box = x.box;
    const double windwardShare = x.windwardShare;
    const double v = p * g; // strength of the vortex

    const double leeward = (1.0 - p) * along + p * g * x.leeVortex + v * box;
    const double windward =
        (1.0 - p) * along + p * (g * x.windVortex + (1.0 - g) * x.open) + v * windwardShare * box;

    // Wind from relative 0..180 comes over side 2: side 2 is the leeward side.
    // The two sides differ only by terms proportional to p, so near 0 and 180
    // the choice flips without a jump.
    const bool side2Leeward = sinR > 0.0;
    c1 = c.receptor1 ? (side2Leeward ? windward : leeward) : 0.0;
    c2 = c.receptor2 ? (side2Leeward ? leeward : windward) : 0.0;
}

// The averaging nodes from -halfWidth to +halfWidth standard deviations:
// their offsets (in standard deviations), Gaussian weights and the sum of
// the weights, added up in node order.
struct AveragingNodes {
    std::array<double, 2 * kAveragingHalfNodes + 1> t{}, w{};
    double weights = 0.0;
};

AveragingNodes averagingNodes(double halfWidth) {
    AveragingNodes n;
    for (int j = -kAveragingHalfNodes; j <= kAveragingHalfNodes; ++j) {
        const auto i = static_cast<std::size_t>(j + kAveragingHalfNodes);
        n.t[i] = halfWidth * j / kAveragingHalfNodes;
        n.w[i] = std::exp(-0.5 * n.t[i] * n.t[i]);
        n.weights += n.w[i];
    }
    return n;
}

// sin(x0 + j step) for j = -kAveragingHalfNodes..kAveragingHalfNodes (radians),
// from one sine and cosine of x0 and of step by the angle-addition formulas
// (the steps j step by complex rotation), instead of a sine per node: the
// sines of the averaging are a good part of a street-hour. Each differs from
// the library's sine of the rounded node direction by a few units in the last
// place, which is also the size of the rounding of that direction in radians.
// The decisions taken in degrees (quarter, upwind sector, sign of the cosine)
// still use the node directions themselves; only the side of the wind takes
// the sign of this sine, and where that sign is in doubt (|sin| ~ 1e-15) the
// two sides differ by terms proportional to |sin|, so the choice moves no
// result (see canyonConcentrations).
std::array<double, 2 * kAveragingHalfNodes + 1> nodeSines(double x0, double step) {
    const double s0 = std::sin(x0), c0 = std::cos(x0);
    const double sStep = std::sin(step), cStep = std::cos(step);
    std::array<double, 2 * kAveragingHalfNodes + 1> out{};
    out[kAveragingHalfNodes] = s0;
    double sj = 0.0, cj = 1.0; // sin and cos of j step
    for (int j = 1; j <= kAveragingHalfNodes; ++j) {
        const double s = sj * cStep + cj * sStep;
        cj = cj * cStep - sj * sStep;
        sj = s;
        out[static_cast<std::size_t>(kAveragingHalfNodes + j)] = s0 * cj + c0 * sj;
        out[static_cast<std::size_t>(kAveragingHalfNodes - j)] = s0 * cj - c0 * sj;
    }
    return out;
}

float toFloat(double x) {
    return std::isfinite(x) && x > 0.0 ? static_cast<float>(x) : 0.0f;
}

} // namespace

void ModPar(float streetHeight, std::span<float, 7> P) {
    P[0] = static_cast<float>(kDefaultAveragingWidth);
    P[1] = 3.0f; // shape factor at calm
    P[2] = static_cast<float>(std::min(kUrbanRoughness_m, 0.1 * std::max(nonNegative(streetHeight), 1.0)));
    P[3] = static_cast<float>(kDefaultAlpha);
    P[4] = static_cast<float>(kDefaultWake_m);
    P[5] = 1.5f; // drag area of a light vehicle, m²
    P[6] = 6.0f; // drag area of a heavy vehicle, m²
}

void RotStreet(float streetOrientation, std::span<const float> SectorStart, std::span<const float> SectorEnd,
               std::span<const float> SectorValue, std::span<float> sectorA, std::span<float> sectorB,
               std::int16_t NumWindSectors, std::span<std::int16_t, 4> WindAccelFlags) {
    (void)SectorValue; // the heights are read where the wind direction is known
    std::fill(WindAccelFlags.begin(), WindAccelFlags.end(), std::int16_t{0});
    const std::size_t outSize = std::min(sectorA.size(), sectorB.size());
    std::fill(sectorA.begin(), sectorA.end(), 0.0f);
    std::fill(sectorB.begin(), sectorB.end(), 0.0f);
    const std::size_t count =
        std::min({static_cast<std::size_t>(std::max<std::int16_t>(NumWindSectors, 0)), SectorStart.size(),
                  SectorEnd.size(), outSize, static_cast<std::size_t>(kWindSectorCount)});
    const double orientation = std::isfinite(streetOrientation) ? streetOrientation : 0.0;
    for (std::size_t k = 0; k < count; ++k) {
        const double a = normalDirection(SectorStart[k] - orientation);
        double b = normalDirection(SectorEnd[k] - orientation);
        if (b <= a) {
            b += 360.0;
        }
        sectorA[k] = static_cast<float>(a);
        sectorB[k] = static_cast<float>(b);
        for (int q = 0; q < 4; ++q) {
            // Quarter [90q, 90q + 90) overlaps [a, b) directly or one turn later.
            const double lo = 90.0 * q;
            const double hi = lo + 90.0;
            if ((a < hi && b > lo) || (a < hi + 360.0 && b > lo + 360.0)) {
                WindAccelFlags[q] = 1;
            }
        }
    }
}

void CarTurb(float speedLight, float speedHeavy, float trafficLight, float trafficHeavy, float P6, float P7,
             float streetWidth, float &s_w_tpt) {
    const double vL = nonNegative(speedLight) / 3.6;
    const double vH = nonNegative(speedHeavy) / 3.6;
    const double nL = nonNegative(trafficLight) / 3600.0;
    const double nH = nonNegative(trafficHeavy) / 3600.0;
    const double width = std::max(nonNegative(streetWidth), kMinWidth_m);
    // Drag power per metre of street, spread over the street width (m³/s³).
    const double power = (nL * vL * vL * nonNegative(P6) + nH * vH * vH * nonNegative(P7)) / width;
    s_w_tpt = toFloat(kTrafficB * std::cbrt(power));
}

void Flow_par(float u_mast, float &u_roof, float &F) {
    const double u = nonNegative(u_mast);
    const double profile = std::log(kMastHeight_m / kUrbanRoughness_m);
    u_roof = toFloat(u * std::log(kRoofHeight_m / kUrbanRoughness_m) / profile);
    F = toFloat(kKarman * u / profile);
}

void Calc_Delta_Fi(float u_roof, float &delta_fi) {
    const double u = nonNegative(u_roof);
    delta_fi = static_cast<float>(std::min(60.0, 5.0 + 60.0 / (1.0 + u)));
}

void Calc_C_st(float u_roof, float relativeWindDir, float s_w_tpt, float &s_w_roof, float streetHeight,
               float streetWidth, float shapeFactor, float streetLength1, float streetLength2, float F,
               float P4, float P5, std::int16_t Receptor1, std::int16_t Receptor2,
               std::int16_t NumWindSectors, std::span<const float> sectorA, std::span<const float> sectorB,
               std::span<const float> SectorValue, float &c_st1, float &c_st2, float RecHeight,
               std::span<const std::int16_t, 4> WindAccelFlags) {
    const Canyon c = makeCanyon(u_roof, s_w_tpt, streetHeight, streetWidth, shapeFactor, streetLength1,
                                streetLength2, F, P4, P5, Receptor1, Receptor2, NumWindSectors, sectorA,
                                sectorB, SectorValue, RecHeight, WindAccelFlags);
    double c1 = 0, c2 = 0;
    CrossStreet kept;
    const double r = normalDirection(relativeWindDir);
    canyonConcentrations(c, r, std::sin(r * kDegToRad), kept, c1, c2);
    s_w_roof = static_cast<float>(c.sigmaRoof);
    c_st1 = toFloat(c1);
    c_st2 = toFloat(c2);
}

void Averaging(float u_roof, float relativeWindDir, float delta_fi, float P1, std::int16_t NumWindSectors,
               std::span<const float> sectorA, std::span<const float> sectorB,
               std::span<const float> SectorValue, float s_w_tpt, float &s_w_roof, float streetHeight,
               float streetWidth, float shapeFactor, float streetLength1, float streetLength2, float F,
               float P4, float P5, std::int16_t Receptor1, std::int16_t Receptor2, float &c_st1, float &c_st2,
               float RecHeight, std::span<const std::int16_t, 4> WindAccelFlags) {
    const Canyon c = makeCanyon(u_roof, s_w_tpt, streetHeight, streetWidth, shapeFactor, streetLength1,
                                streetLength2, F, P4, P5, Receptor1, Receptor2, NumWindSectors, sectorA,
                                sectorB, SectorValue, RecHeight, WindAccelFlags);
    s_w_roof = static_cast<float>(c.sigmaRoof);
    const double r0 = normalDirection(relativeWindDir);
    const double sd = nonNegative(delta_fi);
    double sum1 = 0, sum2 = 0, weights = 0;
    CrossStreet kept;
    if (sd <= 0.0) {
        canyonConcentrations(c, r0, std::sin(r0 * kDegToRad), kept, sum1, sum2);
        weights = 1.0;
    } else {
        const double halfWidth = positiveOr(P1, kDefaultAveragingWidth);
        // The nodes of the usual width are made once; any other width makes its own.
        static const AveragingNodes kDefaultNodes = averagingNodes(kDefaultAveragingWidth);
        const AveragingNodes other =
            halfWidth == kDefaultAveragingWidth ? AveragingNodes() : averagingNodes(halfWidth);
        const AveragingNodes &nodes = halfWidth == kDefaultAveragingWidth ? kDefaultNodes : other;
        const std::array<double, 2 * kAveragingHalfNodes + 1> sines =
            nodeSines(r0 * kDegToRad, halfWidth * sd / kAveragingHalfNodes * kDegToRad);
        for (std::size_t i = 0; i < nodes.t.size(); ++i) {
            double c1 = 0, c2 = 0;
            canyonConcentrations(c, normalDirection(r0 + nodes.t[i] * sd), sines[i], kept, c1, c2);
            sum1 += nodes.w[i] * c1;
            sum2 += nodes.w[i] * c2;
        }
        weights = nodes.weights;
    }
    c_st1 = toFloat(sum1 / weights);
    c_st2 = toFloat(sum2 / weights);
}

} // namespace vesk
