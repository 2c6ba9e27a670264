#pragma once

// The ranges the readers accept for numbers of the input, traffic, emission
// and street files. The bounds lie well beyond anything real, so they refuse
// damaged or mistyped values (1e39 vehicles, a speed of 10^6 km/h) without
// ever refusing real data. Every value is also kept in single precision, so
// nothing larger than a Single can hold is accepted anywhere.

#include <cfloat>
#include <cmath>

namespace vesk {

inline constexpr double kMaxSingle = FLT_MAX;
inline constexpr double kMaxVehicleFlow = 1e6;    // vehicles in an hour (or period), one category or all
inline constexpr double kMaxDailyTraffic = 1e7;   // vehicles a day
inline constexpr double kMaxSpeed = 300;          // km/h, of vehicles and of persons
inline constexpr double kMaxEmissionFactor = 1e4; // g/km per vehicle
inline constexpr double kMaxColdRatio = 1e3;      // cold-start factor / hot factor
inline constexpr double kMaxStreetSize = 1e5;     // m: street height, width, lengths, receptor height
inline constexpr double kMaxDegrees = 360;        // street orientation and wind-sector directions, from 0

// Whether v is a finite number a Single can hold.
inline bool fitsSingle(double v) {
    return std::fabs(v) <= kMaxSingle;
}

} // namespace vesk
