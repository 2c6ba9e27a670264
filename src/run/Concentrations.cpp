// Concentrations per pollutant and side, the NO2 chemistry per side and the
// cross-side correction.
//
// Units: cPOL_b, cPOL_r and the measured values arrive in the input unit and
// leave FormConcentrations in the output unit; modelled values are formed in
// the output unit. The chemistry takes ppb: background NOx with the
// input-unit factor, the side's modelled NOx with the output-unit factor.

#include "run/ChainSupport.h"
#include "run/StreetChain.h"

#include "platform/streetmodel/StreetModel.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vesk {

namespace {

constexpr int kNOx = 0, kNO = 1, kNO2 = 2, kO3 = 3;

struct Side {
    int receptor;
    float c_st;
    std::vector<float> &str, &mod, &obs, &strObs, &cor, &flag;
    std::vector<int> &obsAvail;
};

Side side1(State &s) {
    return {s.Receptor1,      s.c_st1,      s.cPOL_str_mod_1, s.cPOL_mod_1, s.cPOL_obs_1,
            s.cPOL_str_obs_1, s.cPOL_cor_1, s.flagPOL_1,      s.ObsAvail_1};
}

Side side2(State &s) {
    return {s.Receptor2,      s.c_st2,      s.cPOL_str_mod_2, s.cPOL_mod_2, s.cPOL_obs_2,
            s.cPOL_str_obs_2, s.cPOL_cor_2, s.flagPOL_2,      s.ObsAvail_2};
}

// NO, NO2 and O3 from ppb into the output unit: the ppb-to-µg/m³ factor,
// then the unit factor, of each; the same for both sides of an hour.
struct ChemistryUnits {
    std::array<double, 3> ppbToMicrog;
    std::array<float, 3> unit;
};

ChemistryUnits chemistryUnits(const State &s, const ChainFactors &f) {
    return {{ppbToMicrog(s, kNO), ppbToMicrog(s, kNO2), ppbToMicrog(s, kO3)},
            {factor(f.InputUnitFactor, kNO), factor(f.InputUnitFactor, kNO2), factor(f.InputUnitFactor, kO3)}};
}

// Chemistry of a side from its NOx (ppb) with the hour's background inputs:
// NO, NO2 and O3 in the output unit into `out`. False when an input is missing.
bool sideChemistry(State &s, const ChemistryUnits &u, float sideNOx, std::vector<float> &out) {
    const auto &in = s.ChemInputs;
    if (!(sideNOx >= 0) || in[0] < 0 || in[2] < 0 || in[3] < 0 || s.ResidenceTime < 0) {
        return false;
    }
    float no2 = 0, o3 = 0;
    NO2NOX(in[0], in[3], in[2], sideNOx, no2, o3, 0.05f, hourChemistryRates(s), s.ResidenceTime);
    ref(out, kNO) = static_cast<float>((sideNOx - no2) * u.ppbToMicrog[0] * u.unit[0]);
    ref(out, kNO2) = static_cast<float>(no2 * u.ppbToMicrog[1] * u.unit[1]);
    ref(out, kO3) = static_cast<float>(o3 * u.ppbToMicrog[2] * u.unit[2]);
    return true;
}

// The street parts and the totals of one side. Direct: every array and
// factor table it reads holds npol entries.
template <bool Direct> void formSidePollutants(State &s, const ChainFactors &f, Side side, int npol) {
    using A = PollutantAccess<Direct>;
    for (int p = 0; p < npol; ++p) {
        if (A::get(s.ModAvail, p) != 1) {
            continue;
        }
        const float q = A::get(s.qPOL, p);
        if (q < 0) {
            continue; // no emission of this pollutant this hour: no modelled value
        }
        const float street = side.c_st * q * A::scale(f.InputUnitFactor, p);
        A::put(side.str, p) = street;
        // NO, NO2 and O3 get their totals from the chemistry only.
        if (p != kNO && p != kNO2 && p != kO3) {
            A::put(side.mod, p) = A::get(s.cPOL_b, p) * A::scale(f.InputToModelFactor, p) + street;
        }
    }
}

void formSide(State &s, const ChainFactors &f, Side side, const ChemistryUnits *chemistry) {
    const int npol = polCount(s);
    const auto n = static_cast<std::size_t>(npol);
    if (s.ModAvail.size() == n && s.qPOL.size() == n && side.str.size() == n && side.mod.size() == n &&
        f.InputUnitFactor.size() >= n && f.InputToModelFactor.size() >= n) {
        formSidePollutants<true>(s, f, side, npol);
    } else {
        formSidePollutants<false>(s, f, side, npol);
    }
    if (chemistry != nullptr) {
        const float sideNOx = at(side.mod, kNOx) * f.NOxToPpbFactor;
        s.ChemInputs[1] = sideNOx;
        sideChemistry(s, *chemistry, sideNOx, side.mod);
    }
}

// One direction of the correction for pollutant p: the corrected value of
// the target side from the measurements of the source side.
void correctFrom(const State &s, int p, float T, Side source, Side target) {
    ref(target.cor, p) = at(target.mod, p);
    if (at(s.BackAvail, p) != 1 || at(source.obsAvail, p) != 1 || at(s.ModAvail, p) != 1) {
        return;
    }
    const float strSource = at(source.str, p);
    const float strTarget = at(target.str, p);
    // Both street parts formed and a divisor above 0, else the modelled value stays.
    if (!(strSource > 0) || !(strTarget >= 0)) {
        return;
    }
    const float obs = at(source.obs, p);
    const float b = at(s.cPOL_b, p);
    const float strObs = at(source.strObs, p);
    const float corrected = strObs / strSource * strTarget + b;
    if (!(corrected >= 0) || !std::isfinite(corrected)) {
        return; // no concentration: the modelled value stays
    }
    const float tObs = T * obs;
    const float tenthBelow = 0.9f * b;
    const float above = (1.0f + T) * b;
    if (tObs < strObs) {
        ref(target.cor, p) = corrected;
        ref(target.flag, p) = 1;
    } else if (tenthBelow < obs && above < at(source.mod, p)) {
        ref(target.cor, p) = corrected;
        ref(target.flag, p) = 2;
    }
}

} // namespace

void FormConcentrations(State &s, const ChainFactors &f) {
    const int npol = polCount(s);
    if (s.HourCalculable == 1) {
        const bool chemistry = npol > kO3 && at(s.ModAvail, kNO2) == 1 && s.CalcNO2 == 1;
        s.ChemInputs.fill(kNoValue);
        if (chemistry) {
            s.ChemInputs[0] = at(s.cPOL_b, kNOx) * f.Pol0ToPpbFactor;
            s.ChemInputs[2] = at(s.cPOL_b, kNO2) * f.NO2ToPpbFactor;
            s.ChemInputs[3] = at(s.cPOL_b, kO3) * f.O3ToPpbFactor;
        }
        const ChemistryUnits units = chemistryUnits(s, f);
        if (s.Receptor1 == 1) {
            formSide(s, f, side1(s), chemistry ? &units : nullptr);
        }
        if (s.Receptor2 == 1) {
            formSide(s, f, side2(s), chemistry ? &units : nullptr);
        }
    }
    // A factor of 1 (most pollutants, and every one beyond the factor table)
    // leaves a value as it is, to the bit: only the others are applied.
    const std::size_t scaled = std::min(static_cast<std::size_t>(npol), f.InputToModelFactor.size());
    const std::array<std::vector<float> *, 4> values{&s.cPOL_obs_1, &s.cPOL_obs_2, &s.cPOL_b, &s.cPOL_r};
    for (std::size_t p = 0; p < scaled; ++p) {
        const float k = f.InputToModelFactor[p];
        if (k == 1.0f) {
            continue;
        }
        for (std::vector<float> *v : values) {
            if (p < v->size() && (*v)[p] >= 0) {
                (*v)[p] *= k;
            }
        }
    }
}

namespace {

// hourStatValues of both sides of pollutant p, made inline for the
// statistics of every hour: what the sides share is read once. Sized: every
// array the values come from is known to hold p, so no read needs a check.
template <bool Sized> inline void statValues(const State &s, int p, std::array<StatHourValues, 2> &v) {
    const auto get = [p](const auto &array) {
        if constexpr (Sized) {
            return array[static_cast<std::size_t>(p)];
        } else {
            return at(array, p);
        }
    };
    const float background = get(s.cPOL_b);
    const bool backgroundAvailable = get(s.BackAvail) == 1;
    const bool calculable = s.HourCalculable == 1 && get(s.ModAvail) == 1;
    const auto side = [&](StatHourValues &h, const std::vector<float> &mod, const std::vector<float> &obs,
                          const std::vector<int> &obsAvail, int receptor) {
        h.modelled = get(mod);
        h.measured = get(obs);
        h.background = background;
        h.modelledAvailable = calculable && h.modelled >= 0;
        h.measuredAvailable = get(obsAvail) == 1;
        h.backgroundAvailable = backgroundAvailable;
        h.receptorInUse = receptor == 1;
    };
    side(v[0], s.cPOL_mod_1, s.cPOL_obs_1, s.ObsAvail_1, s.Receptor1);
    side(v[1], s.cPOL_mod_2, s.cPOL_obs_2, s.ObsAvail_2, s.Receptor2);
}

} // namespace

StatHourValues hourStatValues(const State &s, int p, int side) {
    std::array<StatHourValues, 2> v;
    statValues<false>(s, p, v);
    return v[side == 1 ? 0 : 1];
}

bool addHourStatistics(State &s) {
    StatisticsEngine &stats = s.Statistics;
    const int n = s.NPol + 1;
    const StatisticsDemand &demand = stats.setup().demand;
    // The pollutants every array holds (all of them once the run has sized the arrays).
    const std::size_t sized =
        std::min({s.cPOL_b.size(), s.BackAvail.size(), s.ModAvail.size(), s.cPOL_mod_1.size(),
                  s.cPOL_mod_2.size(), s.cPOL_obs_1.size(), s.cPOL_obs_2.size(), s.ObsAvail_1.size(),
                  s.ObsAvail_2.size()});
    bool modelled = false;
    for (int p = 0; p < n; ++p) {
        const bool asked = demand.wantsAny(p);
        if (!asked && modelled) {
            continue;
        }
        std::array<StatHourValues, 2> v;
        if (static_cast<std::size_t>(p) < sized) {
            statValues<true>(s, p, v);
        } else {
            statValues<false>(s, p, v);
        }
        modelled = modelled || v[0].modelledAvailable || v[1].modelledAvailable;
        if (asked) {
            stats.addHour(p, 1, v[0]);
            stats.addHour(p, 2, v[1]);
        }
    }
    return modelled;
}

void ApplyCrossSideCorrection(State &s, const ChainFactors &f, double threshold) {
    std::fill(s.cPOL_cor_1.begin(), s.cPOL_cor_1.end(), kNoValue);
    std::fill(s.cPOL_cor_2.begin(), s.cPOL_cor_2.end(), kNoValue);
    std::fill(s.flagPOL_1.begin(), s.flagPOL_1.end(), 0.0f);
    std::fill(s.flagPOL_2.begin(), s.flagPOL_2.end(), 0.0f);
    if (!(threshold > 0)) {
        return;
    }
    const auto T = static_cast<float>(threshold);
    const int npol = polCount(s);
    for (int p : f.EmitterIndex) {
        if (p < 0 || p >= npol) {
            continue;
        }
        correctFrom(s, p, T, side1(s), side2(s));
        correctFrom(s, p, T, side2(s), side1(s));
    }
    if (npol > kO3 && at(s.ModAvail, kNO2) == 1 && s.CalcNO2 == 1) {
        const ChemistryUnits units = chemistryUnits(s, f);
        for (Side side : {side1(s), side2(s)}) {
            float sideNOx = 0;
            float flag = 0;
            if (at(side.obsAvail, kNOx) == 1) {
                sideNOx = at(side.obs, kNOx) * f.NOxToPpbFactor;
                flag = 1;
            } else {
                sideNOx = at(side.cor, kNOx) * f.NOxToPpbFactor;
                flag = 2;
            }
            // Without a NOx of the side (NOx not modelled on it) there is nothing to correct.
            if (sideChemistry(s, units, sideNOx, side.cor)) {
                ref(side.flag, kNO2) = flag;
            }
        }
    }
}

} // namespace vesk
