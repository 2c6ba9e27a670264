#pragma once

// The hours of a multi-street run's input, read once for all streets.
//
// Every street of a streets file runs through the same input records: the
// reading, the dating and the completion of related values give the same
// hour for every street (they read nothing of the street). The store keeps
// what they give, hour by hour, in one flat block: the hour's meteorology,
// traffic counts and speeds, the per-pollutant backgrounds, measurements,
// regional values and emissions, and the hour's items; the per-category
// traffic and emissions only when a bound input column can give them. A
// street then replays the hours instead of reading and parsing the files
// again, and all streets of a parallel run share the one store (read only).
//
// How the data ended is kept too: at the end of the files or the period, or
// by the failure of a record (its exception and the context its message
// names), which every street meets at the same hour as a street reading the
// files would.
//
// The store is bounded: build() gives up (false) when the hours would take
// more than kHourStoreLimit bytes, and the run then reads the files for
// every street as a single-street run does.

#include "run/RunContext.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace vesk::run {

inline constexpr std::size_t kHourStoreLimit = std::size_t{256} << 20;

// A failure of a street computation and what its message names.
struct RunFailure {
    std::exception_ptr error;
    RunErrorContext err;
    bool NoHourYet = true;
    int day = -99, month = -99, hour = -99;

    explicit operator bool() const { return static_cast<bool>(error); }
    // The failure of the exception being handled, in the context c.
    static RunFailure current(const RunContext &c);
    // Puts the context back into c and throws the failure again.
    [[noreturn]] void rethrowIn(RunContext &c) const;
};

class HourStore {
public:
    // Reads every input record from where the files stand (each file at its
    // first record) through readHour, dateHour and completeRelatedValues,
    // keeping each accepted hour, as a street starting on the files would.
    // A failure of a record is kept as the end of the data. False (and the
    // store empty) when the hours would exceed limitBytes.
    bool build(RunContext &c, std::size_t limitBytes = kHourStoreLimit);

    // Accepted hours kept.
    std::size_t size() const { return m_hours.size(); }
    // Bytes the store takes.
    std::size_t bytes() const;

    // Puts hour i (0..size()-1) into the street's state and context as
    // reading, dating and completing its record would have left them: the
    // hour's values, the hour results reset, HoursElapsed and the dating
    // texts. The context's VehCatCount and the state's hour arrays must be
    // sized as for reading.
    void replay(RunContext &c, std::size_t i) const;

    // How the data ended after the last hour: empty at the end of the files
    // or the period, else the failure of the record that ended them.
    const RunFailure &end() const { return m_end; }

private:
    struct Hour {
        float u_mast, wind_dir, globalrad, temperature, h_mix;
        float speed_light, speed_heavy, nlight, nheavy;
        float netrad, r_hum, ntotal, coldstart;
        std::int32_t hour, day, month, year, minute, dayofweek, daycase, cloudcover;
        std::int64_t hoursElapsed;
        // The chemistry's rates of the hour and the radiation and temperature
        // (K) they were made for: the same for every street.
        ChemistryRates chemRates;
        float chemRadiation, chemKelvin;
        std::uint32_t text;                      // the hour's texts in m_texts
        std::uint32_t dayLength;                 // of the day text, up to its end mark
        std::uint8_t dateLength, dateTimeLength; // the day text follows them
        bool hasDate;
    };
    void keep(const RunContext &c);

    std::vector<Hour> m_hours;
    std::vector<float> m_values; // per hour m_width values: see keep()
    std::string m_texts;
    std::size_t m_pollutants = 0, m_categories = 0, m_width = 0;
    bool m_categoryEmission = false, m_categoryTraffic = false;
    RunFailure m_end;
};

} // namespace vesk::run
