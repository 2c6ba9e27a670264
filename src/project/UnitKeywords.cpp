#include "project/UnitKeywords.h"

#include "core/Numbers.h"
#include "core/TextIO.h"
#include "project/ProjectState.h"

#include <algorithm>

namespace vesk {

namespace {

const std::string &unitAt(const std::vector<std::string> &v, int i) {
    static const std::string empty;
    return i >= 0 && i < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(i)] : empty;
}

} // namespace

int unitPosition(std::string_view stored) {
    for (std::size_t k = 0; k < kUnitKeywords.size(); ++k) {
        if (stored == kUnitKeywords[k]) {
            return static_cast<int>(k);
        }
    }
    return kFreeUnitPosition;
}

std::string unitEntryText(int position) {
    switch (position) {
    case 0:
        return "ng/m³";
    case 1:
        return "µg/m³";
    case 2:
        return "mg/m³";
    case 3:
    case 4:
    case 5:
        return std::string(kUnitKeywords[static_cast<std::size_t>(position)]);
    default:
        return "other";
    }
}

std::optional<std::string> freeUnitText(std::string_view typed) {
    const auto number = parseNumber(typed);
    if (!number || !(*number > 0)) {
        return std::nullopt;
    }
    std::string text = trim(typed);
    for (char &c : text) {
        if (c == ',') {
            c = '.';
        }
    }
    return text;
}

UnitChoices unitChoicesFrom(const ProjectState &s) {
    UnitChoices c;
    for (int i = 0; i <= s.NPol; ++i) {
        const std::string &input = unitAt(s.InputUnit, i);
        const std::string &standard = unitAt(s.StdInputUnits, i);
        const std::string &output = unitAt(s.OutputUnit, i);
        c.input.push_back(unitPosition(input));
        c.standard.push_back(unitPosition(standard));
        c.output.push_back(unitPosition(output));
        // Editable input units show the project's own free unit; otherwise the
        // standard one, which is what the disabled box shows.
        const bool ownFree = c.input.back() == kFreeUnitPosition;
        const bool standardFree = c.standard.back() == kFreeUnitPosition;
        std::string inputFree = unitEntryText(kFreeUnitPosition);
        if (standardFree && (!s.InputUnitsEditable || !ownFree)) {
            inputFree = standard;
        } else if (ownFree) {
            inputFree = input;
        }
        c.inputFree.push_back(inputFree);
        c.outputFree.push_back(c.output.back() == kFreeUnitPosition ? output
                                                                    : unitEntryText(kFreeUnitPosition));
    }
    return c;
}

std::string storedUnit(int position, const std::string &freeText) {
    if (position >= 0 && position < kFreeUnitPosition) {
        return std::string(kUnitKeywords[static_cast<std::size_t>(position)]);
    }
    return freeText;
}

void applyUnitChoices(ProjectState &s, const UnitChoices &c, bool inputEditable) {
    const auto n = static_cast<std::size_t>(std::max(s.NPol + 1, 0));
    s.InputUnit.resize(n);
    s.OutputUnit.resize(n);
    for (std::size_t i = 0; i < n && i < c.output.size(); ++i) {
        s.OutputUnit[i] = storedUnit(c.output[i], c.outputFree[i]);
        if (inputEditable && i < c.input.size()) {
            s.InputUnit[i] = storedUnit(c.input[i], c.inputFree[i]);
        }
    }
    s.UnitsConfirmed = true;
    s.ProjectChanged = true;
}

} // namespace vesk
