#pragma once

// The calculation period: the "Start Date" and "End Date" boxes of the main
// window and the dates of a batch command line. With "Auto" ticked a period
// starts (ends) with the data; otherwise the run starts at StartDate hour
// StartHour and ends at EndDate hour EndHour (hours 0..24).

#include "core/Interaction.h"
#include "project/MainFormState.h"

#include <optional>
#include <string_view>

namespace vesk {

struct ProjectState;

bool isValidDate(int year, int month, int day);

// A date of the main window's date boxes: "dd-mm-yyyy", a day or month of
// one digit allowed ("1-3-2023"); "yyyy-mm-dd", "dd.mm.yyyy" and
// "dd/mm/yyyy" are read too. Two-digit years and impossible dates are
// refused.
std::optional<PeriodDate> parsePeriodDate(std::string_view text);

// A command-line date of eight digits, year, month and day ("20230115").
std::optional<PeriodDate> parseEightDigitDate(std::string_view text);

// Why parseEightDigitDate refuses text, for the command line's message: a
// text that is not eight digits is "not yyyymmdd"; eight digits whose year
// lies outside 1000 to 9999 name that year; others name the month or day
// that the calendar lacks. "" when the text is a date.
std::string eightDigitDateProblem(std::string_view text);

// An hour of the period, 0..24 ("," accepted as decimal mark, rounded to the
// nearest whole hour, halves to even). nullopt for no number or out of range.
std::optional<int> parsePeriodHour(std::string_view text);

// The check when an hour box is left: sets HourError. A box holding no
// number is refused without a message (the user is still typing); an hour
// outside 0..24 shows "The value of Hour is not correct!".
std::optional<int> checkPeriodHour(ProjectState &s, Interaction &ui, std::string_view text);

} // namespace vesk
