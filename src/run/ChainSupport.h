#pragma once

// Small bounds-checked accessors of the chain's per-pollutant arrays. An
// index outside an array reads as missing (-99, or a factor of 1) and writes
// go nowhere, so a pollutant list shorter than the fixed positions (NOx, NO,
// NO2, O3) can never corrupt memory.

#include "run/State.h"

#include <span>
#include <vector>

namespace vesk {

inline constexpr float kNoValue = -99.0f;

// Number of pollutants the hour arrays hold (NPol + 1 once sized).
inline int polCount(const State &s) {
    return static_cast<int>(s.cPOL_b.size());
}

template <typename T> T at(const std::vector<T> &v, int p) {
    return p >= 0 && static_cast<std::size_t>(p) < v.size() ? v[static_cast<std::size_t>(p)] : T(kNoValue);
}

template <typename T> T &ref(std::vector<T> &v, int p) {
    thread_local T sink{};
    if (p >= 0 && static_cast<std::size_t>(p) < v.size()) {
        return v[static_cast<std::size_t>(p)];
    }
    sink = T{};
    return sink;
}

// The same reads and writes for a loop over pollutants that has checked
// once that every array and factor table it touches holds all of them
// (as the run's set-up sizes them): Direct indexes them as they stand,
// otherwise they go through the checked accessors above.
template <bool Direct> struct PollutantAccess {
    template <typename T> static T get(const std::vector<T> &v, int p) {
        if constexpr (Direct) {
            return v[static_cast<std::size_t>(p)];
        } else {
            return at(v, p);
        }
    }
    template <typename T> static T &put(std::vector<T> &v, int p) {
        if constexpr (Direct) {
            return v[static_cast<std::size_t>(p)];
        } else {
            return ref(v, p);
        }
    }
    static float scale(std::span<const float> f, int p);
};

// The chemistry's rates of the hour (globalrad, TempKelvin), made once for
// all the NO2NOX calls of the hour, and again only when either changes.
inline const ChemistryRates &hourChemistryRates(State &s) {
    if (s.ChemRatesFor[0] != s.globalrad || s.ChemRatesFor[1] != s.TempKelvin) {
        s.ChemRates = chemistryRates(s.globalrad, s.TempKelvin);
        s.ChemRatesFor = {s.globalrad, s.TempKelvin};
    }
    return s.ChemRates;
}

inline float factor(std::span<const float> f, int p) {
    return p >= 0 && static_cast<std::size_t>(p) < f.size() ? f[static_cast<std::size_t>(p)] : 1.0f;
}

template <bool Direct> float PollutantAccess<Direct>::scale(std::span<const float> f, int p) {
    if constexpr (Direct) {
        return f[static_cast<std::size_t>(p)];
    } else {
        return factor(f, p);
    }
}

inline double microgToPpb(const State &s, int p) {
    return p >= 0 && static_cast<std::size_t>(p) < s.MicrogToPpb.size()
               ? s.MicrogToPpb[static_cast<std::size_t>(p)]
               : 1.0;
}

inline double ppbToMicrog(const State &s, int p) {
    return p >= 0 && static_cast<std::size_t>(p) < s.PpbToMicrog.size()
               ? s.PpbToMicrog[static_cast<std::size_t>(p)]
               : 1.0;
}

} // namespace vesk
