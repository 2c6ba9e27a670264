#pragma once

// Small text helpers shared by the project reader, the option file and the
// command line.

#include <string>
#include <string_view>

namespace vesk {

struct ProjectState;

// The text with every double quote removed and blanks trimmed.
std::string withoutQuotes(std::string_view text);

// Index (0..NPol) of the pollutant of the current country with this name,
// letter case ignored; -1 when the country has no such pollutant.
int pollutantIndex(const ProjectState &s, std::string_view name);

// True when a name typed by the user can be stored in a record line: it must
// not hold a double quote (records have no escape for it) nor a line break.
bool isStorableName(std::string_view name);

// The message for a name that isStorableName refuses.
std::string unstorableNameMessage(std::string_view what);

} // namespace vesk
