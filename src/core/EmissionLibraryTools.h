#pragma once

// Two small services of the emission component that the core uses on its
// own: the list splitter for comma-separated lists of quoted fields, and the
// pairwise maximum that skips a marker value.

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// Splits a comma-separated list into its fields, in order (0-based). A field
// in double quotes may hold commas and keeps its quote characters; blanks
// around a field are dropped. A text of blanks only gives no field; an empty
// field between two commas gives an empty field. Any number of fields.
std::vector<std::string> SplitList(std::string_view text);

// The larger of a and b, where a value equal to marker counts as absent: with
// both present the larger, with one absent the other, with both absent the
// marker. mode is kept for the callers' sake (they pass 2, "pairwise") and
// does not change the result.
float MaxSkipMissing(float a, float b, float marker, int mode = 2);

} // namespace vesk
