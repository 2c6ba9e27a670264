#pragma once

// What the two small dialogs of the results window change: the number format
// of the table and the statistics columns it shows.

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct State;

namespace results {

// True when pattern can format the numbers of the results table: empty (the
// plain form), a named number format ("Fixed", "Standard", ...) or a number
// pattern of "0", "#", ".", ",", "%", "E+"/"E-" and literals (quoted, or
// after "\"), at most four sections separated by ";", each but an empty one
// holding a digit placeholder. Date, time and text patterns are refused.
// *why gets the reason of a refusal.
bool checkNumberPattern(std::string_view pattern, std::string *why);

// One item of the column dialog: its text and whether the column is shown.
struct ColumnChoice {
    std::string text;
    bool shown = true;
    std::string section; // the heading of its section ("Hourly values", ...)
};

// The items in dialog order: hourly average, maximum, percentiles, "DC";
// running 8-hour maximum, percentiles, "DC"; daily maximum, percentiles,
// "DC". Percentile items are named by their family's display mode.
std::vector<ColumnChoice> columnChoices(const State &s);

// Sets every hide flag from the items' check marks, in the same order; a
// missing item leaves its flag as it is.
void applyColumnChoices(State &s, const std::vector<bool> &shown);

} // namespace results
} // namespace vesk
