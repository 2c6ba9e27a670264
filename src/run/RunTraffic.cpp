// Traffic and emissions of an hour, before the street model: the day case,
// the traffic per vehicle category, the light and heavy counts, the speeds
// and the emission of every emitting pollutant (µg/(m·s) for the model),
// then which parts of the hour can be calculated.
//
// What the input record gives itself is kept; only missing values (< 0) are
// filled: from the day-case tables of the traffic file, from an emission
// computation for the hour (route runs), or from emission factors applied to
// the input's own traffic (streets without a traffic file).

#include "calc/DayCases.h"
#include "calc/HourlyEmissions.h"
#include "run/RunContext.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vesk::run {

namespace {

// The length class of vehicle category k (0 for none), as the street's set-up found it.
int lengthClass(const RunContext &c, int k) {
    return k >= 1 && static_cast<std::size_t>(k) < c.lengthClasses.size()
               ? c.lengthClasses[static_cast<std::size_t>(k)]
               : 0;
}

// The kept emissions of every pollutant in a time slot and day case of the
// street's traffic file (see slotEmission), one row per slot and day case so
// that an hour finds its row once; nullptr outside the tables.
float *slotEmissions(RunContext &c, int slot, int d) {
    if (slot < 1 || slot > c.emissionSlots || d < 1 || d > c.emissionDayCases) {
        return nullptr;
    }
    const std::size_t pollutants = c.emissionTables.size();
    const std::size_t at = (static_cast<std::size_t>(slot) * static_cast<std::size_t>(c.emissionDayCases + 1) +
                            static_cast<std::size_t>(d)) *
                           pollutants;
    return at + pollutants <= c.slotEmission.size() ? c.slotEmission.data() + at : nullptr;
}

// The emission of pollutant p in a time slot and day case of the street's
// traffic file, in µg/(m·s): the same for every hour of that slot and day
// case, so it is formed once and kept in the slot's row.
float slotEmission(RunContext &c, float *row, int p, int slot, int d, double D) {
    float *kept = row != nullptr && p >= 0 && static_cast<std::size_t>(p) < c.emissionTables.size()
                      ? row + p
                      : nullptr;
    if (kept != nullptr && !std::isnan(*kept)) {
        return *kept;
    }
    const EmissionTableItem *table = p >= 0 && static_cast<std::size_t>(p) < c.emissionTables.size()
                                         ? c.emissionTables[static_cast<std::size_t>(p)]
                                         : nullptr;
    const float v = table != nullptr ? table->Value.get(slot, d) : kMiss;
    const float q = v >= 0 ? static_cast<float>(v / D) : kMiss;
    if (kept != nullptr) {
        *kept = q;
    }
    return q;
}

std::vector<float> &emissionRow(State &s, int p) {
    return s.CategoryEmission[static_cast<std::size_t>(p)];
}

float &categoryEmission(State &s, int p, int k) {
    static float sink = 0;
    auto &row = emissionRow(s, p);
    if (k < 0 || static_cast<std::size_t>(k) >= row.size()) {
        sink = kMiss;
        return sink;
    }
    return row[static_cast<std::size_t>(k)];
}

// The light and heavy sums of the category counts, in category order (a
// side whose flag is off is left alone).
void addClassCounts(const RunContext &c, const std::vector<float> &counts, bool light, bool heavy,
                    float &nlight, float &nheavy) {
    if (light) {
        nlight = 0;
    }
    if (heavy) {
        nheavy = 0;
    }
    for (int k = 1; k <= c.VehCatCount; ++k) {
        const float n = counts[static_cast<std::size_t>(k)];
        const int cls = lengthClass(c, k);
        if (light && cls == 1) {
            nlight += n;
        }
        if (heavy && cls == 2) {
            nheavy += n;
        }
    }
}

// The traffic of the slot and day case for an hour that gives no count of
// any category: made on first use; nullptr when the hour gives some count,
// or the tables do not cover the categories.
RunContext::SlotTraffic *slotTraffic(RunContext &c, int slot, int d) {
    const State &s = c.s;
    const HourItems &h = c.items;
    const auto categories = static_cast<std::size_t>(std::max(c.VehCatCount, 0));
    if (slot < 1 || slot > c.emissionSlots || d < 1 || d > c.emissionDayCases ||
        s.FlowTable.slots() < c.VehCatCount || h.nVEH.size() != categories + 1) {
        return nullptr;
    }
    for (std::size_t k = 1; k <= categories; ++k) {
        if (!(h.nVEH[k] < 0)) {
            return nullptr;
        }
    }
    const auto at = static_cast<std::size_t>(slot) * static_cast<std::size_t>(c.emissionDayCases + 1) +
                    static_cast<std::size_t>(d);
    if (at >= c.slotTraffic.size()) {
        return nullptr;
    }
    RunContext::SlotTraffic &kept = c.slotTraffic[at];
    if (!kept.made || kept.counts.size() != categories + 1) {
        kept.counts.assign(categories + 1, kMiss);
        for (int k = 1; k <= c.VehCatCount; ++k) {
            kept.counts[static_cast<std::size_t>(k)] = s.FlowTable.at(k, slot, d);
        }
        addClassCounts(c, kept.counts, true, true, kept.light, kept.heavy);
        kept.made = true;
    }
    return &kept;
}

bool withTrafficFile(RunContext &c, double D, double M) {
    State &s = c.s;
    HourItems &h = c.items;
    const auto &all = s.EmissionComponent.TrafficList.All;
    const int slot = s.Nhours == 24 ? s.hour : (h.minute > 0 ? 2 * s.hour : 2 * s.hour - 1);
    if (h.daycase < 0) {
        // The day case depends on the month and weekday alone: each is looked up once per street.
        const bool known = h.month >= 1 && h.month <= 12 && h.dayofweek >= 1 && h.dayofweek <= 7;
        int *kept =
            known ? &c.dayCaseOf[static_cast<std::size_t>(h.month)][static_cast<std::size_t>(h.dayofweek)]
                  : nullptr;
        if (kept != nullptr && *kept > 0) {
            h.daycase = *kept;
        } else {
            h.daycase = FindDayCase(s, c.ui, h.month, h.dayofweek, h.day, c.DayDateText);
            if (h.daycase == 0) {
                return false; // FindDayCase has said why
            }
            if (kept != nullptr) {
                *kept = h.daycase;
            }
        }
    }
    if (h.daycase < 1 || h.daycase > s.DayCases) {
        throw RunRefusal{"The day case " + std::to_string(h.daycase) + " of the input record of " +
                         c.DayDateText + " is not one of the " + std::to_string(s.DayCases) +
                         " day cases of the traffic file " + s.TrafficFile};
    }
    const int d = h.daycase;
    const auto &emitters = s.EmitterIndex;
    if (s.RouteMode) {
        s.speed_light = all.Vshort(slot, d);
        s.speed_heavy = all.Vlong(slot, d);
        s.ColdStartShare = all.ColdStart(slot, d) * 0.01f;
        auto &traffic = s.EmissionComponent.TrafficList;
        for (int i = 1; i <= traffic.Count(); ++i) {
            traffic.item(i).FlowNow = traffic.item(i).Flow(slot, d);
        }
        if (!s.StdEmissionSetup) {
            for (int j = 1; j <= s.EmitterCount; ++j) {
                const int p = emitters[static_cast<std::size_t>(j)];
                std::string error;
                if (!CalcHourlyEmissions(s, p, s.speed_light, s.speed_heavy, s.TrafficSpeedDefault,
                                         s.ColdStartShare, &error)) {
                    throw RunRefusal{error};
                }
                double sum = 0;
                auto &list = s.EmissionComponent.EmissionList;
                for (int i = 1; i <= s.VehCategories && i <= list.Count(); ++i) {
                    const auto &q = list.item(i).QPOL;
                    const float v =
                        static_cast<std::size_t>(p) < q.size() ? q[static_cast<std::size_t>(p)] : kMiss;
                    if (v < 0) {
                        sum = kMiss;
                        break;
                    }
                    sum += v;
                }
                if (s.qPOL[static_cast<std::size_t>(p)] < 0 && sum >= 0) {
                    s.qPOL[static_cast<std::size_t>(p)] = static_cast<float>(sum / D);
                }
                for (int k = 1; k <= c.VehCatCount; ++k) {
                    float &e = categoryEmission(s, p, k);
                    if (e >= 0) {
                        e = static_cast<float>(e / D);
                    }
                }
            }
        }
    } else {
        float *row = slotEmissions(c, slot, d);
        // The emission of each category is shown by the hourly rows alone.
        const bool categories = !s.StdEmissionSetup && c.files.categoryEmissionShown;
        const std::size_t pollutants = c.emissionTables.size();
        float *q = s.qPOL.data();
        for (int j = 1; j <= s.EmitterCount; ++j) {
            const int p = emitters[static_cast<std::size_t>(j)];
            float &qp = q[static_cast<std::size_t>(p)];
            if (qp < 0) {
                // The slot's kept emission when it has one, else formed and kept.
                const bool kept = row != nullptr && p >= 0 && static_cast<std::size_t>(p) < pollutants &&
                                  !std::isnan(row[p]);
                qp = kept ? row[p] : slotEmission(c, row, p, slot, d, D);
            }
            if (categories) {
                for (int k = 1; k <= c.VehCatCount; ++k) {
                    float &e = categoryEmission(s, p, k);
                    if (e < 0) {
                        const float v = s.CategoryEmissionTable.at(p, k, slot, d);
                        e = v >= 0 ? static_cast<float>(v / D) : kMiss;
                    }
                }
            }
        }
    }
    if (const RunContext::SlotTraffic *kept = slotTraffic(c, slot, d)) {
        // No count of the hour's own: the slot's counts and their sums, made as below.
        std::copy(kept->counts.begin() + 1, kept->counts.end(), h.nVEH.begin() + 1);
        if (s.nlight < 0) {
            s.nlight = kept->light;
        }
        if (s.nheavy < 0) {
            s.nheavy = kept->heavy;
        }
    } else {
        for (int k = 1; k <= c.VehCatCount && s.FlowTable.slots() >= k; ++k) {
            if (h.nVEH[static_cast<std::size_t>(k)] < 0) {
                h.nVEH[static_cast<std::size_t>(k)] = s.FlowTable.at(k, slot, d);
            }
        }
        if (s.nlight < 0 || s.nheavy < 0) {
            addClassCounts(c, h.nVEH, s.nlight < 0, s.nheavy < 0, s.nlight, s.nheavy);
        }
    }
    s.nlight = static_cast<float>(s.nlight * M);
    s.nheavy = static_cast<float>(s.nheavy * M);
    if (s.speed_light < 0) {
        s.speed_light = all.Vshort(slot, d);
    }
    if (s.speed_heavy < 0) {
        s.speed_heavy = all.Vlong(slot, d);
    }
    return true;
}

void withoutTrafficFile(RunContext &c, double D, double M) {
    State &s = c.s;
    HourItems &h = c.items;
    auto classSum = [&](int cls) {
        float sum = 0;
        for (int k = 1; k <= c.VehCatCount; ++k) {
            if (lengthClass(c, k) == cls) {
                const float n = h.nVEH[static_cast<std::size_t>(k)];
                if (n < 0) {
                    return kMiss;
                }
                sum += n;
            }
        }
        return sum;
    };
    if (s.nlight < 0) {
        s.nlight = classSum(1);
    }
    if (s.nheavy < 0) {
        s.nheavy = classSum(2);
    }
    if (s.nlight > 0) {
        s.nlight = static_cast<float>(s.nlight * M);
    }
    if (s.nheavy > 0) {
        s.nheavy = static_cast<float>(s.nheavy * M);
    }
    const auto &component = s.EmissionComponent;
    for (int j = 1; j <= s.EmitterCount; ++j) {
        const int p = s.EmitterIndex[static_cast<std::size_t>(j)];
        if (s.qPOL[static_cast<std::size_t>(p)] >= 0) {
            continue;
        }
        if (!s.StdEmissionSetup) {
            float speed = s.speed_light;
            for (int k = 1; k <= c.VehCatCount; ++k) {
                const int cls = lengthClass(c, k);
                if (cls == 1) {
                    speed = s.speed_light;
                } else if (cls == 2) {
                    speed = s.speed_heavy;
                }
                const float categorySpeed = std::max(speed, 10.0f);
                float &e = categoryEmission(s, p, k);
                const float n = h.nVEH[static_cast<std::size_t>(k)];
                if (e < 0 && n >= 0) {
                    // The hour's own cold-start percentage (0 without such a
                    // column), never what an earlier street's traffic file left.
                    const double factor = component.VehicleCategories.item(k).Tarvik(
                        component.FleetList, component.FuelList, p, categorySpeed, s.TrafficSpeedDefault,
                        h.coldstart * 0.01);
                    e = factor >= 0 ? static_cast<float>(factor * n / D) : kMiss;
                }
            }
        }
        float q = 0;
        for (int k = 1; k <= c.VehCatCount; ++k) {
            const float e = categoryEmission(s, p, k);
            if (e < 0) {
                q = kMiss;
                break;
            }
            q += e;
        }
        s.qPOL[static_cast<std::size_t>(p)] = c.VehCatCount > 0 ? q : kMiss;
    }
}

} // namespace

void resolveEmissionTables(RunContext &c) {
    const State &s = c.s;
    c.emissionTables.assign(s.PollutantNames.size(), nullptr);
    for (std::size_t p = 0; p < s.PollutantNames.size(); ++p) {
        c.emissionTables[p] = s.EmissionComponent.EmissionTable.find(s.PollutantNames[p]);
    }
    c.emissionSlots = std::clamp(s.Nhours, 0, 48);
    c.emissionDayCases = std::clamp(s.DayCases, 0, 64);
    c.slotEmission.assign(s.PollutantNames.size() * static_cast<std::size_t>(c.emissionSlots + 1) *
                              static_cast<std::size_t>(c.emissionDayCases + 1),
                          std::numeric_limits<float>::quiet_NaN());
    c.slotTraffic.assign(static_cast<std::size_t>(c.emissionSlots + 1) *
                             static_cast<std::size_t>(c.emissionDayCases + 1),
                         RunContext::SlotTraffic());
    const auto &cats = s.EmissionComponent.VehicleCategories;
    c.lengthClasses.assign(static_cast<std::size_t>(cats.Count()) + 1, 0);
    for (int k = 1; k <= cats.Count(); ++k) {
        c.lengthClasses[static_cast<std::size_t>(k)] = cats.item(k).vLengthClass;
    }
}

bool hourTraffic(RunContext &c) {
    State &s = c.s;
    HourItems &h = c.items;
    const bool halfHourly = s.Nhours != 24;
    const double D = halfHourly ? 1.8 : 3.6;
    const double M = halfHourly ? 2.0 : 1.0;
    if (!s.TrafficFile.empty()) {
        if (!withTrafficFile(c, D, M)) {
            return false;
        }
    } else {
        withoutTrafficFile(c, D, M);
    }

    if (s.nlight >= 0 && s.nheavy >= 0) {
        h.ntotal = s.nlight + s.nheavy;
        c.TrafficSum += h.ntotal;
        ++c.HourCount;
        // Only a known speed enters the mean travel speed.
        if (s.speed_light >= 0) {
            c.SpeedSum += s.speed_light;
            ++c.SpeedCount;
        }
    }
    s.s_w_tpt = kMiss;
    s.delta_fi = kMiss;
    const int n = static_cast<int>(s.qPOL.size());
    s.HourCalculable = 1;
    if (s.u_mast < 0 || (!s.TrafficTurbulence && s.u_mast == 0) || s.wind_dir < 0 ||
        (s.TrafficTurbulence && (s.nlight < 0 || s.nheavy < 0 || s.speed_light < 0 || s.speed_heavy < 0))) {
        s.HourCalculable = 0;
    }
    const auto pollutants = static_cast<std::size_t>(n);
    const bool sized = s.ModAvail.size() == pollutants && s.ObsAvail_1.size() == pollutants &&
                       s.ObsAvail_2.size() == pollutants && s.BackAvail.size() == pollutants &&
                       s.cPOL_obs_1.size() >= pollutants && s.cPOL_obs_2.size() >= pollutants;
    if (sized) {
        // Every list is as long as the pollutants: each entry is set once,
        // rather than filled with 1 and then corrected.
        const float *obs1 = s.cPOL_obs_1.data(), *obs2 = s.cPOL_obs_2.data(), *q = s.qPOL.data();
        int *obsAvail1 = s.ObsAvail_1.data(), *obsAvail2 = s.ObsAvail_2.data();
        int *backAvail = s.BackAvail.data(), *modAvail = s.ModAvail.data();
        const bool calculable = s.HourCalculable != 0;
        for (std::size_t i = 0; i < pollutants; ++i) {
            obsAvail1[i] = obs1[i] < 0 ? 0 : 1;
            obsAvail2[i] = obs2[i] < 0 ? 0 : 1;
            backAvail[i] = 1;
            modAvail[i] = calculable && !(q[i] < 0 && i != 1 && i != 2 && i != 3) ? 1 : 0;
        }
    } else {
        std::fill(s.ModAvail.begin(), s.ModAvail.end(), 1);
        std::fill(s.ObsAvail_1.begin(), s.ObsAvail_1.end(), 1);
        std::fill(s.ObsAvail_2.begin(), s.ObsAvail_2.end(), 1);
        std::fill(s.BackAvail.begin(), s.BackAvail.end(), 1);
    }
    for (int p = 0; p < n && !sized; ++p) {
        const auto i = static_cast<std::size_t>(p);
        if (s.cPOL_obs_1[i] < 0) {
            s.ObsAvail_1[i] = 0;
        }
        if (s.cPOL_obs_2[i] < 0) {
            s.ObsAvail_2[i] = 0;
        }
        if (s.qPOL[i] < 0 && p != 1 && p != 2 && p != 3) {
            s.ModAvail[i] = 0;
        }
        if (s.HourCalculable == 0) {
            s.ModAvail[i] = 0;
        }
    }
    if (n > 2) {
        if (s.CitySize <= 0) {
            s.ModAvail[2] = s.ModAvail[0];
        }
        if (s.globalrad < -10.0f) {
            s.ModAvail[2] = 0;
        }
    }
    if (s.temperature < -50.0f) {
        s.temperature = 10.0f;
    }
    s.TempKelvin = s.temperature + 273.0f;
    return true;
}

} // namespace vesk::run
