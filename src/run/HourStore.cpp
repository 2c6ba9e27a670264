#include "run/HourStore.h"

#include "run/StreetChain.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vesk::run {

RunFailure RunFailure::current(const RunContext &c) {
    RunFailure f;
    f.error = std::current_exception();
    f.err = c.err;
    f.NoHourYet = c.NoHourYet;
    f.day = c.items.day;
    f.month = c.items.month;
    f.hour = c.s.hour;
    return f;
}

void RunFailure::rethrowIn(RunContext &c) const {
    c.err = err;
    c.NoHourYet = NoHourYet;
    c.items.day = day;
    c.items.month = month;
    c.s.hour = hour;
    std::rethrow_exception(error);
}

namespace {

// The per-pollutant arrays reading fills, in the order of a kept hour's block.
template <typename S> auto pollutantArrays(S &s) {
    return std::array{&s.cPOL_b, &s.cPOL_obs_1, &s.cPOL_obs_2, &s.cPOL_r, &s.qPOL};
}

bool anyColumn(const RunContext &c, InKey key) {
    for (const InputFile &in : c.inputs) {
        for (const InColumn &col : in.cols) {
            if (col.key == key) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

std::size_t HourStore::bytes() const {
    return m_hours.capacity() * sizeof(Hour) + m_values.capacity() * sizeof(float) + m_texts.capacity();
}

void HourStore::keep(const RunContext &c) {
    const State &s = c.s;
    const HourItems &h = c.items;
    Hour k{};
    k.u_mast = s.u_mast;
    k.wind_dir = s.wind_dir;
    k.globalrad = s.globalrad;
    k.temperature = s.temperature;
    k.h_mix = s.h_mix;
    k.speed_light = s.speed_light;
    k.speed_heavy = s.speed_heavy;
    k.nlight = s.nlight;
    k.nheavy = s.nheavy;
    k.netrad = h.netrad;
    k.r_hum = h.r_hum;
    k.ntotal = h.ntotal;
    k.coldstart = h.coldstart;
    k.hour = s.hour;
    k.day = h.day;
    k.month = h.month;
    k.year = h.year;
    k.minute = h.minute;
    k.dayofweek = h.dayofweek;
    k.daycase = h.daycase;
    k.cloudcover = h.cloudcover;
    k.hoursElapsed = c.HoursElapsed;
    // The rates of the chemistry depend on the hour alone; each street's
    // chemistry takes them as kept here when its hour's radiation and
    // temperature (as the traffic step sets the temperature) are these.
    k.chemRadiation = s.globalrad;
    k.chemKelvin = (s.temperature < -50.0f ? 10.0f : s.temperature) + 273.0f;
    k.chemRates = chemistryRates(k.chemRadiation, k.chemKelvin);
    k.hasDate = h.hasDate;
    k.text = static_cast<std::uint32_t>(m_texts.size());
    k.dateLength = static_cast<std::uint8_t>(std::min<std::size_t>(h.date.size(), 255));
    k.dateTimeLength = static_cast<std::uint8_t>(std::min<std::size_t>(h.DateTimeText.size(), 255));
    m_texts.append(h.date, 0, k.dateLength);
    m_texts.append(h.DateTimeText, 0, k.dateTimeLength);
    k.dayLength = static_cast<std::uint32_t>(std::min(c.DayDateText.find('\0'), c.DayDateText.size()));
    m_texts.append(c.DayDateText, 0, k.dayLength);
    m_texts += '\0';
    m_hours.push_back(k);

    for (const std::vector<float> *array : pollutantArrays(s)) {
        const std::vector<float> &v = *array;
        for (std::size_t p = 0; p < m_pollutants; ++p) {
            m_values.push_back(p < v.size() ? v[p] : kMiss);
        }
    }
    if (m_categoryEmission) {
        for (std::size_t p = 0; p < m_pollutants; ++p) {
            for (std::size_t k2 = 0; k2 <= m_categories; ++k2) {
                m_values.push_back(p < s.CategoryEmission.size() && k2 < s.CategoryEmission[p].size()
                                       ? s.CategoryEmission[p][k2]
                                       : kMiss);
            }
        }
    }
    if (m_categoryTraffic) {
        for (std::size_t k2 = 0; k2 <= m_categories; ++k2) {
            m_values.push_back(k2 < h.nVEH.size() ? h.nVEH[k2] : kMiss);
        }
    }
}

bool HourStore::build(RunContext &c, std::size_t limitBytes) {
    m_hours.clear();
    m_values.clear();
    m_texts.clear();
    m_end = RunFailure();
    m_pollutants = c.s.cPOL_b.size();
    m_categories = static_cast<std::size_t>(std::max(c.VehCatCount, 0));
    m_categoryEmission = anyColumn(c, InKey::QVeh);
    m_categoryTraffic = anyColumn(c, InKey::NVeh);
    m_width = pollutantArrays(c.s).size() * m_pollutants +
              (m_categoryEmission ? m_pollutants * (m_categories + 1) : 0) +
              (m_categoryTraffic ? m_categories + 1 : 0);
    const std::size_t perHour = sizeof(Hour) + m_width * sizeof(float) + 40;

    // As a street starts on the files.
    c.NoHourYet = true;
    c.PrevHour = -1;
    try {
        for (;;) {
            if (!readHour(c)) {
                break;
            }
            const DateOutcome dated = dateHour(c);
            if (dated == DateOutcome::Skip) {
                continue;
            }
            if (dated == DateOutcome::EndOfInput) {
                break;
            }
            completeRelatedValues(c);
            countUsableHour(c);
            if ((m_hours.size() + 1) * perHour > limitBytes) {
                *this = HourStore();
                return false;
            }
            keep(c);
        }
    } catch (...) {
        m_end = RunFailure::current(c);
    }
    return true;
}

void HourStore::replay(RunContext &c, std::size_t i) const {
    State &s = c.s;
    HourItems &h = c.items;
    const Hour &k = m_hours[i];
    s.u_mast = k.u_mast;
    s.wind_dir = k.wind_dir;
    s.globalrad = k.globalrad;
    s.temperature = k.temperature;
    s.h_mix = k.h_mix;
    s.speed_light = k.speed_light;
    s.speed_heavy = k.speed_heavy;
    s.nlight = k.nlight;
    s.nheavy = k.nheavy;
    s.hour = k.hour;
    s.ChemRates = k.chemRates;
    s.ChemRatesFor = {k.chemRadiation, k.chemKelvin};
    h.netrad = k.netrad;
    h.r_hum = k.r_hum;
    h.ntotal = k.ntotal;
    h.coldstart = k.coldstart;
    h.day = k.day;
    h.month = k.month;
    h.year = k.year;
    h.minute = k.minute;
    h.dayofweek = k.dayofweek;
    h.daycase = k.daycase;
    h.cloudcover = k.cloudcover;
    h.hasDate = k.hasDate;
    const char *text = m_texts.data() + k.text;
    // The date and the day text stay the same for the hours of a day.
    const std::string_view date(text, k.dateLength);
    if (h.date != date) {
        h.date.assign(date);
    }
    h.DateTimeText.assign(text + k.dateLength, k.dateTimeLength);
    const std::string_view day(text + k.dateLength + k.dateTimeLength, k.dayLength);
    if (c.DayDateText != day) {
        c.DayDateText.assign(day);
    }

    const float *v = m_values.data() + i * m_width;
    for (std::vector<float> *array : pollutantArrays(s)) {
        std::vector<float> &target = *array;
        std::copy(v, v + std::min(m_pollutants, target.size()), target.begin());
        v += m_pollutants;
    }
    // The emissions of the categories are read only to show them, or to
    // make the emissions of a street without a traffic file.
    if (m_categoryEmission || c.files.categoryEmissionShown || s.TrafficFile.empty()) {
        for (std::size_t p = 0; p < s.CategoryEmission.size(); ++p) {
            std::vector<float> &row = s.CategoryEmission[p];
            if (m_categoryEmission && p < m_pollutants) {
                std::copy(v, v + std::min(m_categories + 1, row.size()), row.begin());
                v += m_categories + 1;
            } else {
                std::fill(row.begin(), row.end(), kMiss);
            }
        }
    }
    h.nVEH.resize(m_categories + 1);
    if (m_categoryTraffic) {
        std::copy(v, v + m_categories + 1, h.nVEH.begin());
    } else {
        std::fill(h.nVEH.begin(), h.nVEH.end(), kMiss);
    }

    s.c_st1 = s.c_st2 = kMiss;
    s.u_roof = s.s_w_roof = s.delta_fi = kMiss;
    s.s_w_tpt = kMiss;
    // The chain of every hour writes the measured street parts, the corrected
    // values and their flags afresh; the modelled values only where formed.
    clearModelledResults(s);
    c.HoursElapsed = static_cast<long>(k.hoursElapsed);
    c.NoHourYet = false;
    c.anyHour = true;
}

} // namespace vesk::run
