// Street geometry, background completion and the street model of an hour.

#include "run/StreetChain.h"

#include "calc/SpreadIntegral.h"
#include "platform/streetmodel/StreetModel.h"
#include "run/ChainSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vesk {

ChainFactors chainFactors(const State &s) {
    ChainFactors f;
    f.InputUnitFactor = s.InputUnitFactor;
    f.InputToModelFactor = s.InputToModelFactor;
    f.PpbToInputFactor = s.PpbToInputFactor;
    f.InputToPpbFactor = s.InputToPpbFactor;
    f.NO2ToPpbFactor = s.NO2ToPpbFactor;
    f.O3ToPpbFactor = s.O3ToPpbFactor;
    f.NOxToPpbFactor = s.NOxToPpbFactor;
    f.Pol0ToPpbFactor = s.Pol0ToPpbFactor;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(std::max(s.EmitterCount, 0)),
                                                    s.EmitterIndex.empty() ? 0 : s.EmitterIndex.size() - 1);
    if (count > 0) {
        f.EmitterIndex = std::span<const int>(s.EmitterIndex).subspan(1, count);
    }
    return f;
}

void TakeBenzeneContent(State &s) {
    const FuelCollection &fuels = s.EmissionComponent.FuelList;
    if (fuels.Count() < 1) {
        return;
    }
    // Our fuel lists may call gasoline "Petrol" and benzene by its pollutant name "BNZ".
    const Fuel *gasoline = fuels.find("Gasoline");
    if (gasoline == nullptr) {
        gasoline = fuels.find("Petrol");
    }
    double content = NAN;
    if (gasoline != nullptr) {
        content = gasoline->Contents("Benzene");
        if (std::isnan(content)) {
            content = gasoline->Contents("BNZ");
        }
    }
    if (std::isfinite(content)) {
        s.BenzeneContent = static_cast<float>(content);
    }
}

void resizeHourArrays(State &s) {
    const auto n = static_cast<std::size_t>(std::max(s.NPol + 1, 0));
    for (std::vector<float> *v :
         {&s.cPOL_b, &s.cPOL_r, &s.cPOL_obs_1, &s.cPOL_obs_2, &s.CndBackground, &s.UrbEmiValue, &s.qPOL,
          &s.cPOL_str_obs_1, &s.cPOL_str_obs_2, &s.cPOL_str_mod_1, &s.cPOL_str_mod_2, &s.cPOL_mod_1,
          &s.cPOL_mod_2, &s.cPOL_cor_1, &s.cPOL_cor_2}) {
        v->assign(n, kNoValue);
    }
    s.flagPOL_1.assign(n, 0.0f);
    s.flagPOL_2.assign(n, 0.0f);
    for (std::vector<int> *v : {&s.ModAvail, &s.BackAvail, &s.ObsAvail_1, &s.ObsAvail_2}) {
        v->assign(n, 0);
    }
    std::array<float, 25> noProfile{};
    noProfile.fill(kNoValue);
    s.UrbEmiProfile.assign(n, noProfile);
}

void clearModelledResults(State &s) {
    const std::size_t n = s.cPOL_mod_1.size();
    if (s.cPOL_str_mod_1.size() == n && s.cPOL_str_mod_2.size() == n && s.cPOL_mod_2.size() == n) {
        // Every hour of a street clears them: one pass over the four.
        float *str1 = s.cPOL_str_mod_1.data(), *str2 = s.cPOL_str_mod_2.data();
        float *mod1 = s.cPOL_mod_1.data(), *mod2 = s.cPOL_mod_2.data();
        for (std::size_t p = 0; p < n; ++p) {
            str1[p] = str2[p] = mod1[p] = mod2[p] = kNoValue;
        }
        return;
    }
    std::fill(s.cPOL_str_mod_1.begin(), s.cPOL_str_mod_1.end(), kNoValue);
    std::fill(s.cPOL_str_mod_2.begin(), s.cPOL_str_mod_2.end(), kNoValue);
    std::fill(s.cPOL_mod_1.begin(), s.cPOL_mod_1.end(), kNoValue);
    std::fill(s.cPOL_mod_2.begin(), s.cPOL_mod_2.end(), kNoValue);
}

void clearHourResults(State &s) {
    s.ChemInputs.fill(kNoValue);
    const std::size_t n = s.cPOL_mod_1.size();
    const std::array<std::vector<float> *, 10> all{&s.cPOL_str_mod_1, &s.cPOL_str_mod_2, &s.cPOL_mod_1,
                                                   &s.cPOL_mod_2,     &s.cPOL_cor_1,     &s.cPOL_cor_2,
                                                   &s.cPOL_str_obs_1, &s.cPOL_str_obs_2, &s.flagPOL_1,
                                                   &s.flagPOL_2};
    if (std::all_of(all.begin(), all.end(), [n](const std::vector<float> *v) { return v->size() == n; })) {
        // Every hour read clears them: one pass over all of them.
        std::array<float *, 10> x{};
        for (std::size_t i = 0; i < all.size(); ++i) {
            x[i] = all[i]->data();
        }
        for (std::size_t p = 0; p < n; ++p) {
            x[0][p] = x[1][p] = x[2][p] = x[3][p] = x[4][p] = x[5][p] = x[6][p] = x[7][p] = kNoValue;
            x[8][p] = x[9][p] = 0.0f;
        }
        return;
    }
    for (std::vector<float> *v : {&s.cPOL_str_mod_1, &s.cPOL_str_mod_2, &s.cPOL_mod_1, &s.cPOL_mod_2,
                                  &s.cPOL_cor_1, &s.cPOL_cor_2, &s.cPOL_str_obs_1, &s.cPOL_str_obs_2}) {
        std::fill(v->begin(), v->end(), kNoValue);
    }
    std::fill(s.flagPOL_1.begin(), s.flagPOL_1.end(), 0.0f);
    std::fill(s.flagPOL_2.begin(), s.flagPOL_2.end(), 0.0f);
}

void PassStreetGeometry(State &s) {
    ModPar(static_cast<float>(s.StreetHeight), s.StreetParams);
    std::array<float, 12> start{}, end{};
    for (int k = 0; k < 12; ++k) {
        start[k] = static_cast<float>(s.SectorStart[k + 1]);
        end[k] = static_cast<float>(s.SectorEnd[k + 1]);
        s.SectorHeights[k] = static_cast<float>(s.SectorValue[k + 1]);
    }
    const auto sectors = static_cast<std::int16_t>(std::clamp(s.NumWindSectors, 0, 12));
    RotStreet(static_cast<float>(s.StreetOrientation), start, end, s.SectorHeights, s.SectorArrayA,
              s.SectorArrayB, sectors, s.WindAccelFlags);
    if (s.NoWindAcceleration) {
        s.WindAccelFlags.fill(0);
    }
    TakeBenzeneContent(s);
}

void modelConcentrations(const State &s, float u_roof, float relativeWindDir, float delta_fi, float s_w_tpt,
                         float shapeFactor, float F, float &s_w_roof, float &c_st1, float &c_st2) {
    const auto &P = s.StreetParams;
    const auto sectors = static_cast<std::int16_t>(std::clamp(s.NumWindSectors, 0, 12));
    const auto H = static_cast<float>(s.StreetHeight);
    const auto W = static_cast<float>(s.StreetWidth);
    const auto L1 = static_cast<float>(s.StreetLength_1);
    const auto L2 = static_cast<float>(s.StreetLength_2);
    const auto r1 = static_cast<std::int16_t>(s.Receptor1);
    const auto r2 = static_cast<std::int16_t>(s.Receptor2);
    const auto z = static_cast<float>(s.RecHeight);
    if (s.WindIntegration == 1) {
        Averaging(u_roof, relativeWindDir, delta_fi, P[0], sectors, s.SectorArrayA, s.SectorArrayB,
                  s.SectorHeights, s_w_tpt, s_w_roof, H, W, shapeFactor, L1, L2, F, P[3], P[4], r1, r2, c_st1,
                  c_st2, z, s.WindAccelFlags);
    } else {
        Calc_C_st(u_roof, relativeWindDir, s_w_tpt, s_w_roof, H, W, shapeFactor, L1, L2, F, P[3], P[4], r1,
                  r2, sectors, s.SectorArrayA, s.SectorArrayB, s.SectorHeights, c_st1, c_st2, z,
                  s.WindAccelFlags);
    }
}

float residenceTime(float streetHeight, float s_w_roof) {
    if (!(s_w_roof > 0.0f) || !std::isfinite(s_w_roof) || !(streetHeight >= 0.0f)) {
        return kNoValue;
    }
    const float tau = streetHeight / s_w_roof;
    return std::isfinite(tau) ? tau : kNoValue;
}

namespace {

bool sameBits(std::span<const float> a, std::span<const float> b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size_bytes()) == 0;
}

// CalcSpreadIntegral, or what the memo kept for the same inputs.
bool spreadIntegral(const State &s, float radius, float height, float *spread, BackgroundMemo *memo) {
    const std::array<float, 4> inputs{s.u_mast, s.h_mix, radius, height};
    if (memo != nullptr && memo->spreadMade && sameBits(memo->spreadFor, inputs)) {
        *spread = memo->spread;
        return memo->spreadFound;
    }
    const bool found = CalcSpreadIntegral(s.u_mast, s.h_mix, radius, height, spread);
    if (memo != nullptr) {
        memo->spreadFor = inputs;
        memo->spreadMade = true;
        memo->spreadFound = found;
        memo->spread = *spread;
    }
    return found;
}

// The conditions-file background, the measured street parts (-99 where
// none) and the availability of every pollutant. Direct: every array holds
// npol entries, and each street part is written once.
template <bool Direct> void completeMeasuredParts(State &s, const ChainFactors &f, int npol) {
    using A = PollutantAccess<Direct>;
    if constexpr (!Direct) {
        std::fill(s.cPOL_str_obs_1.begin(), s.cPOL_str_obs_1.end(), kNoValue);
        std::fill(s.cPOL_str_obs_2.begin(), s.cPOL_str_obs_2.end(), kNoValue);
    }
    for (int p = 0; p < npol; ++p) {
        if (A::get(s.cPOL_b, p) < 0 && A::get(s.CndBackground, p) >= 0) {
            A::put(s.cPOL_b, p) = A::get(s.CndBackground, p);
        }
        const float b = A::get(s.cPOL_b, p);
        if (A::get(s.cPOL_obs_1, p) >= 0 && b >= 0) {
            A::put(s.cPOL_str_obs_1, p) = (A::get(s.cPOL_obs_1, p) - b) * A::scale(f.InputToModelFactor, p);
        } else if constexpr (Direct) {
            A::put(s.cPOL_str_obs_1, p) = kNoValue;
        }
        if (A::get(s.cPOL_obs_2, p) >= 0 && b >= 0) {
            A::put(s.cPOL_str_obs_2, p) = (A::get(s.cPOL_obs_2, p) - b) * A::scale(f.InputToModelFactor, p);
        } else if constexpr (Direct) {
            A::put(s.cPOL_str_obs_2, p) = kNoValue;
        }
        if (b < 0) {
            A::put(s.BackAvail, p) = 0;
            A::put(s.ModAvail, p) = 0;
        }
    }
}

} // namespace

void CompleteBackground(State &s, const ChainFactors &f, BackgroundMemo *memo) {
    const int npol = polCount(s);
    // The measured street parts are set afresh at the end (below).
    const bool city = s.CitySize > 0 && s.CitySize < static_cast<int>(s.CityRadius.size()) &&
                      s.CitySize < static_cast<int>(s.CityBuildingHeight.size()) && s.HourCalculable == 1;
    s.SpreadIntegral = kNoValue;
    if (city) {
        const float radius = s.CityRadius[static_cast<std::size_t>(s.CitySize)];
        const float height = s.CityBuildingHeight[static_cast<std::size_t>(s.CitySize)];
        float spread = 0;
        // No finite spread integral (no wind, no building height): no modelled
        // background this hour.
        if (spreadIntegral(s, radius, height, &spread, memo)) {
            s.SpreadIntegral = spread;
        }

        // Modelled urban background of every emitting pollutant, in its input unit.
        if (s.SpreadIntegral >= 0 && s.hour >= 1 && s.hour <= 24) {
            for (int p : f.EmitterIndex) {
                if (p < 0 || p >= npol) {
                    continue;
                }
                const float profile =
                    s.UrbEmiProfile[static_cast<std::size_t>(p)][static_cast<std::size_t>(s.hour)];
                if (at(s.cPOL_b, p) < 0 && at(s.cPOL_r, p) >= 0 && at(s.UrbEmiValue, p) >= 0 &&
                    profile >= 0) {
                    const double ppb = static_cast<double>(s.SpreadIntegral) * at(s.UrbEmiValue, p) *
                                           profile * microgToPpb(s, p) +
                                       static_cast<double>(at(s.cPOL_r, p)) * factor(f.InputToPpbFactor, p);
                    ref(s.cPOL_b, p) = static_cast<float>(ppb * factor(f.PpbToInputFactor, p));
                }
            }
        }

        // NO2 and O3 background from the regional values by the chemistry.
        if (npol > 3 && at(s.ModAvail, 2) == 1 && s.CalcNO2 == 1 && at(s.cPOL_b, 2) < 0 &&
            at(s.cPOL_r, 2) >= 0 && at(s.cPOL_r, 3) >= 0 && at(s.cPOL_r, 0) >= 0 && at(s.cPOL_b, 0) >= 0 &&
            s.u_mast >= 0) {
            const float regionalNOx = at(s.cPOL_r, 0) * factor(f.InputToPpbFactor, 0);
            const float backgroundNOx = at(s.cPOL_b, 0) * f.Pol0ToPpbFactor;
            const float regionalO3 = at(s.cPOL_r, 3) * factor(f.InputToPpbFactor, 3);
            const float regionalNO2 = at(s.cPOL_r, 2) * factor(f.InputToPpbFactor, 2);
            s.ResidenceTime = radius / ((s.u_mast + 0.02f) * 0.5f);
            float no2 = 0, o3 = 0;
            const std::array<float, 7> inputs{regionalNOx,  regionalO3,   regionalNO2,    backgroundNOx,
                                              s.globalrad, s.TempKelvin, s.ResidenceTime};
            if (memo != nullptr && memo->chemistryMade && sameBits(memo->chemistryFor, inputs)) {
                no2 = memo->no2;
                o3 = memo->o3;
            } else {
                NO2NOX(regionalNOx, regionalO3, regionalNO2, backgroundNOx, no2, o3, 0.05f,
                       hourChemistryRates(s), s.ResidenceTime);
                if (memo != nullptr) {
                    memo->chemistryFor = inputs;
                    memo->chemistryMade = true;
                    memo->no2 = no2;
                    memo->o3 = o3;
                }
            }
            ref(s.cPOL_b, 1) = (backgroundNOx - no2) * factor(f.PpbToInputFactor, 1);
            ref(s.cPOL_b, 2) = no2 * factor(f.PpbToInputFactor, 2);
            ref(s.cPOL_b, 3) = o3 * factor(f.PpbToInputFactor, 3);
        }
    }

    // Benzene from CO: the first rule with a city type, the second every hour.
    const int co = s.IndexCO;
    const int bnz = s.IndexBNZ;
    const bool benzene = s.BenzeneContent >= 0 && co > 0 && bnz > 0 && co < npol && bnz < npol;
    if (city && benzene && at(s.cPOL_b, bnz) < 0 && at(s.cPOL_b, co) >= 0 &&
        factor(f.InputToPpbFactor, bnz) > 0) {
        ref(s.cPOL_b, bnz) = at(s.cPOL_b, co) * s.BenzeneContent * factor(f.InputToPpbFactor, co) * 0.001f /
                             factor(f.InputToPpbFactor, bnz);
    }
    if (benzene && at(s.cPOL_b, bnz) < 0 && at(s.cPOL_b, co) >= 0 && ppbToMicrog(s, co) > 0 &&
        ppbToMicrog(s, bnz) > 0) {
        const double modelRatio =
            factor(f.InputToModelFactor, co) * 0.001 / factor(f.InputToModelFactor, bnz);
        const double massRatio = (factor(f.InputUnitFactor, bnz) * ppbToMicrog(s, bnz)) /
                                 (factor(f.InputUnitFactor, co) * ppbToMicrog(s, co));
        const double value = at(s.cPOL_b, co) * s.BenzeneContent * modelRatio * massRatio;
        if (std::isfinite(value)) {
            ref(s.cPOL_b, bnz) = static_cast<float>(value);
        }
    }

    const auto n = static_cast<std::size_t>(npol);
    if (s.CndBackground.size() == n && s.cPOL_obs_1.size() == n && s.cPOL_obs_2.size() == n &&
        s.cPOL_str_obs_1.size() == n && s.cPOL_str_obs_2.size() == n && s.BackAvail.size() == n &&
        s.ModAvail.size() == n && f.InputToModelFactor.size() >= n) {
        completeMeasuredParts<true>(s, f, npol);
    } else {
        completeMeasuredParts<false>(s, f, npol);
    }
    if (npol > 3 && (at(s.BackAvail, 0) == 0 || at(s.BackAvail, 3) == 0 || at(s.ModAvail, 0) == 0)) {
        ref(s.ModAvail, 2) = 0;
    }
}

void RunStreetModelHour(State &s) {
    if (s.HourCalculable != 1) {
        return;
    }
    const auto &P = s.StreetParams;
    s.s_w_tpt = 0;
    if (s.TrafficTurbulence) {
        CarTurb(s.speed_light, s.speed_heavy, s.nlight, s.nheavy, P[5], P[6],
                static_cast<float>(s.StreetWidth), s.s_w_tpt);
    }
    s.RelWindDir = s.wind_dir - static_cast<float>(s.StreetOrientation);
    if (s.RelWindDir < 0) {
        s.RelWindDir += 360.0f;
    }
    Flow_par(s.u_mast, s.u_roof, s.FlowParam);
    const float u = std::max(s.u_mast, 0.0f);
    s.ShapeFactor = 3.0f - u / (u + 5.0f);
    Calc_Delta_Fi(s.u_roof, s.delta_fi);
    modelConcentrations(s, s.u_roof, s.RelWindDir, s.delta_fi, s.s_w_tpt, s.ShapeFactor, s.FlowParam,
                        s.s_w_roof, s.c_st1, s.c_st2);
    s.ResidenceTime = residenceTime(static_cast<float>(s.StreetHeight), s.s_w_roof);
}

} // namespace vesk
