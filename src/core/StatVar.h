#pragma once

// A named statistic of one pollutant and one series (for example the maximum
// hourly modelled NO2), with one value per receptor (street side 1..n).
// Receptor 0 answers the larger of the sides, missing sides (-99) skipped.
// Values are concentrations in the calculation's unit or counts; reading one
// with a pollutant name converts a positive value to that pollutant's output
// unit, reading a count with "nHours"/"nDays"/"nDaysD" gives a percentage of
// the hours (days) of the period the run covered.

#include "core/KeyedList.h"
#include "core/Pollutant.h"

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// The length of the period a run covered, from the start of its first hour to
// the end of its last: what the data capture ("nHours", "nDays", "nDaysD") is
// a share of. hours = 744 for a March, 8784 for a leap year; days counts the
// calendar days the period touches. 0 = not known. A route's period is the
// hours its segments ask for, added up, and the days they begin.
struct PeriodLength {
    long hours = 0;
    long days = 0;
};

// The period from the hour that starts firstHour to the hour that starts
// lastHour (both counted in hours since 1970-01-01 00:00), both included;
// {0, 0} when lastHour lies before firstHour.
PeriodLength periodBetween(long firstHour, long lastHour);

class StatVar {
public:
    // All receptor values start missing (-99).
    explicit StatVar(int numReceptors = 2);

    std::string Name; // the key in StatVarList: statistic & pollutant & series

    // Stores the value of receptor 1..NumReceptors; throws std::out_of_range
    // for any other receptor.
    void setValue(int Receptor, float acVal);

    // The stored value without conversion; receptor 0 = the larger side.
    float Value(int Receptor) const;

    // The value converted by Comp (letter case ignored): empty = none;
    // "nHours" = percentage of the hours of period; "nDays", "nDaysD" =
    // percentage of its days (-99 when the period's length is not known);
    // otherwise Comp names a pollutant of pollutants and a positive value is
    // multiplied by its outputUnitFactor. Zero, negative and missing values
    // are returned unchanged without any look-up. Throws std::out_of_range
    // for an unknown receptor, a Comp that is no pollutant, or a pollutant
    // without a unit factor.
    float Value(int Receptor, std::string_view Comp, const KeyedList<Pollutant> &pollutants,
                const std::vector<float> &outputUnitFactor, PeriodLength period) const;

    int receptorCount() const { return static_cast<int>(m_values.size()); }

private:
    std::vector<float> m_values; // receptor r at r - 1
};

} // namespace vesk
