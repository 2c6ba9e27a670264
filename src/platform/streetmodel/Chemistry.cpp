// NO-NO2-O3 chemistry of the street and the two small sorting helpers of the
// model library.
//
// The chemistry is solved in closed form. With NOx = NO + NO2 and
// Ox = NO2 + O3 both constant, x = NO2 obeys
//     dx/dt = k (NOx - x)(Ox - x) - J x = k (x - x1)(x - x2),
// x1 <= min(NOx, Ox) <= max(NOx, Ox) <= x2 being the roots of the right-hand
// side. With y = x - x1 and d = x2 - x1 this is the Bernoulli equation
// dy/dt = k y (y - d), whose solution is
//     y(t) = y0 e / (1 - y0 g),  e = exp(-k d t),  g = (1 - e) / d  (= k t at d = 0).
// The denominator stays >= e > 0 because y0 <= d, so no state can blow up.

#include "platform/streetmodel/StreetModel.h"

#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

double nonNegative(double x) {
    return std::isfinite(x) && x > 0.0 ? x : 0.0;
}

// NO + O3 -> NO2: 1.4e-12 exp(-1310/T) cm³/s, turned into 1/(ppb s) with the
// number density of air at 1013 hPa (7.34e21/T molecules/cm³, 1 ppb = 1e-9 of it).
double reactionRate(double T) {
    if (!std::isfinite(T) || T <= 0.0) {
        T = 293.15;
    }
    return 1.4e-12 * std::exp(-1310.0 / T) * 7.34e12 / T;
}

// NO2 + light -> NO + O3, 1/s, from global radiation G (W/m²).
double photolysisRate(double G) {
    if (!std::isfinite(G) || G <= 0.0) {
        return 0.0;
    }
    return 0.0008 * std::exp(-10.0 / G) + 7.4e-6 * G;
}

} // namespace

ChemistryRates chemistryRates(float globalRadiation, float temperature_K) {
    return {reactionRate(temperature_K), photolysisRate(globalRadiation)};
}

void NO2NOX(float NOxBackground, float O3Background, float NO2Background, float NOx, float &NO2, float &O3,
            float directShare, float globalRadiation, float temperature_K, float residenceTime_s) {
    NO2NOX(NOxBackground, O3Background, NO2Background, NOx, NO2, O3, directShare,
           chemistryRates(globalRadiation, temperature_K), residenceTime_s);
}

void NO2NOX(float NOxBackground, float O3Background, float NO2Background, float NOx, float &NO2, float &O3,
            float directShare, const ChemistryRates &rates, float residenceTime_s) {
    const double nox = nonNegative(NOx);
    const double noxB = nonNegative(NOxBackground);
    const double share = std::clamp(nonNegative(directShare), 0.0, 1.0);
    const double increment = std::max(nox - noxB, 0.0);
    const double no2Start = std::min(nonNegative(NO2Background) + share * increment, nox);
    const double o3Start = nonNegative(O3Background);
    const double ox = no2Start + o3Start;

    const double tau = std::isnan(residenceTime_s) ? 0.0 : static_cast<double>(residenceTime_s);
    double x = no2Start;
    if (tau > 0.0) {
        const double k = rates.reaction;
        const double J = rates.photolysis;
        const double b = k * (nox + ox) + J;
        const double root = std::sqrt(std::max(b * b - 4.0 * k * k * nox * ox, 0.0));
        const double x1 = (b + root) > 0.0 ? 2.0 * k * nox * ox / (b + root) : 0.0;
        const double d = root / k;
        const double y0 = std::min(x - x1, d); // x <= min(NOx, Ox) <= x2 up to rounding
        double e = 0.0;
        double g = 0.0;
        if (std::isinf(tau)) {
            e = d > 0.0 ? 0.0 : 1.0;
            g = d > 0.0 ? 1.0 / d : tau;
        } else if (d > 0.0) {
            e = std::exp(-k * d * tau);
            g = -std::expm1(-k * d * tau) / d;
        } else {
            e = 1.0;
            g = k * tau;
        }
        double y = 0.0;
        const double denominator = 1.0 - y0 * g;
        if (std::isinf(g)) {
            y = 0.0; // d = 0, y0 <= 0 and an infinite time: the root is reached
        } else if (denominator > 0.0) {
            y = y0 * e / denominator;
        } else {
            y = y0; // resting exactly on the upper root
        }
        x = x1 + y;
    }
    x = std::clamp(x, 0.0, std::min(nox, ox));
    NO2 = static_cast<float>(x);
    O3 = static_cast<float>(std::max(ox - x, 0.0));
}

void SortPerc(float value, std::span<float> list, long n) {
    const long size = std::min<long>(std::max<long>(n, 0), static_cast<long>(list.size()));
    if (size == 0 || !(value > list[size - 1])) {
        return;
    }
    long pos = size - 1;
    while (pos > 0 && list[pos - 1] < value) {
        list[pos] = list[pos - 1];
        --pos;
    }
    list[pos] = value;
}

void sortv(float value, std::int16_t index, std::span<float> values, std::span<std::int16_t> indices,
           std::int16_t n) {
    const long size = std::min({static_cast<long>(std::max<std::int16_t>(n, 0)),
                                static_cast<long>(values.size()), static_cast<long>(indices.size())});
    if (size == 0 || !(value > values[size - 1])) {
        return;
    }
    long pos = size - 1;
    while (pos > 0 && values[pos - 1] < value) {
        values[pos] = values[pos - 1];
        indices[pos] = indices[pos - 1];
        --pos;
    }
    values[pos] = value;
    indices[pos] = index;
}

} // namespace vesk
