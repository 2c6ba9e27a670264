#pragma once

// The concentration units as the units dialog offers them: six keywords in a
// fixed order and a seventh, free entry that holds any other stored unit or a
// number the user defines (the factor the unit stands for, see
// UnitFactors.h). Keywords are compared exactly, letter case included: a
// stored "PPB" is not the keyword and stays as it is.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

struct ProjectState;

inline constexpr int kFreeUnitPosition = 6;
inline constexpr std::array<std::string_view, 6> kUnitKeywords = {"nanog", "microg", "milig",
                                                                  "ppt",   "ppb",    "ppm"};

// The position of a stored unit: 0..5 for a keyword, 6 for anything else
// (also an empty text).
int unitPosition(std::string_view stored);

// The entry text of a position: "ng/m³", "µg/m³", "mg/m³", "ppt", "ppb",
// "ppm", and "other" for the free entry (6).
std::string unitEntryText(int position);

// A free unit as typed: the whole text one number above 0 ("," or "." as the
// decimal mark). Returns the text to store, trimmed and with "." as the
// decimal mark; nullopt when the text is refused.
std::optional<std::string> freeUnitText(std::string_view typed);

// The dialog's choices, per pollutant 0..NPol.
struct UnitChoices {
    std::vector<int> input, output, standard; // positions
    // The texts of the free entries: the stored unit when it is not a
    // keyword, or "other". inputFree shows the standard input unit when that
    // is not a keyword and either the input units are not editable or the
    // project's own input unit is a keyword.
    std::vector<std::string> inputFree, outputFree;
};

// The positions and free-entry texts of InputUnit, StdInputUnits and
// OutputUnit (missing entries count as empty).
UnitChoices unitChoicesFrom(const ProjectState &s);

// The unit to store for a position and the free entry's current text.
std::string storedUnit(int position, const std::string &freeText);

// OK of the units dialog: OutputUnit from the choices; InputUnit from the
// choices when inputEditable, otherwise kept as it was (the dialog showed
// the standard units, which are not the project's). Sets UnitsConfirmed and
// ProjectChanged.
void applyUnitChoices(ProjectState &s, const UnitChoices &choices, bool inputEditable);

} // namespace vesk
