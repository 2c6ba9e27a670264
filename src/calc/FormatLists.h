#pragma once

// The checks of a data file's variable and rows lists, as the format dialog
// applies them, and the known-variable lists it offers.
//
// A variable list is a comma-separated text of column names taken from the
// variable catalogue of the file kind; an item in double quotes is a free
// text (a column heading of a statistics file) and never checked; "?" names a
// column the run skips. The rows list of a statistics file also carries the
// file's output type: "streets" makes a multi-street statistics file,
// "DailyAv" a daily-averages file, anything else lists statistics rows.

#include "core/CoreState.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// Output types of a statistics file, in the order of the dialog's options.
enum class StatOutputType { SingleStreet = 0, MultiStreets = 1, DailyAverages = 2 };

// The output type a rows list carries: "dailyav" or "streets" in any letter
// case (the whole text, nothing trimmed) or a single-street file.
StatOutputType outputTypeOfRows(std::string_view rows);

// The rows text a keyword output type puts into the rows box ("streets",
// "DailyAv"); empty for a single-street file.
std::string rowsKeywordOf(StatOutputType type);

struct KnownVariable {
    std::string name;
    std::string description;
};

// The known-variable list of a file kind (1 hourly input, 2 hourly output, 4
// statistics; the output type matters for kind 4 only): the catalogue entries
// from index 1, sorted by name without regard to letter case (equal names
// keep the catalogue's order). For kind 4 every "," of a name becomes "."
// so that a name can never split a comma-separated list. Empty for any other
// kind.
std::vector<KnownVariable> knownVariables(const ReferenceTables &tables, int kind, StatOutputType type);

// The position of name in known by an exact search without regard to letter
// case (-1 when absent), and of the first entry beginning with prefix.
int findKnownExact(const std::vector<KnownVariable> &known, std::string_view name);
int findKnownPrefix(const std::vector<KnownVariable> &known, std::string_view prefix);

struct UnknownName {
    std::string name;
    std::size_t position = 0; // bytes before the name in the checked text
};

struct CheckedList {
    std::string text; // the normalised list
    std::vector<UnknownName> unknown;
};

// Checks a variable (or rows) list against the known variables. Each item is
// trimmed; an empty item becomes "?"; an item beginning with a double quote
// stays as it is; a known name (letter case ignored) takes the list's
// spelling; "?" is always known; any other item is kept as typed and reported
// with its position. Items are joined by ", ". An empty or blank text gives
// an empty text. Any number of items.
CheckedList checkVariableList(std::string_view text, const std::vector<KnownVariable> &known);

// The message for an unknown name.
std::string unknownNameMessage(const std::string &name);

struct StatCombination {
    std::string column;
    std::string row;
};

// The first pair of a column item and a row item of a single-street
// statistics file (columns in order, then rows in order; items holding a
// double quote are skipped) whose statistic is not one the program computes:
// the name built by NormalizeVarName, less a trailing side suffix "_1" or
// "_2", must be a key of StatVarList. nullopt when every pair is valid.
std::optional<StatCombination> invalidStatCombination(const ReferenceTables &tables, std::string_view columns,
                                                      std::string_view rows);

// "Combination of the variables: " column " and " row " is not a valid combination!"
std::string statCombinationMessage(const StatCombination &pair);

} // namespace vesk
