#include "calc/FormatLists.h"

#include "calc/StatCells.h"
#include "core/StatVarNames.h"
#include "core/TextIO.h"
#include "core/EmissionLibraryTools.h"

#include <algorithm>

namespace vesk {

namespace {

int compareIgnoringCase(std::string_view a, std::string_view b) {
    const std::string la = toLower(a);
    const std::string lb = toLower(b);
    return la.compare(lb);
}

} // namespace

StatOutputType outputTypeOfRows(std::string_view rows) {
    if (iequals(rows, "dailyav")) {
        return StatOutputType::DailyAverages;
    }
    if (iequals(rows, "streets")) {
        return StatOutputType::MultiStreets;
    }
    return StatOutputType::SingleStreet;
}

std::string rowsKeywordOf(StatOutputType type) {
    switch (type) {
    case StatOutputType::MultiStreets:
        return "streets";
    case StatOutputType::DailyAverages:
        return "DailyAv";
    case StatOutputType::SingleStreet:
        break;
    }
    return {};
}

std::vector<KnownVariable> knownVariables(const ReferenceTables &tables, int kind, StatOutputType type) {
    const std::vector<std::string> *names = nullptr;
    const std::vector<std::string> *descriptions = nullptr;
    if (kind == 1) {
        names = &tables.InputVarNames;
        descriptions = &tables.InputVarDescriptions;
    } else if (kind == 2) {
        names = &tables.OutputVarNames;
        descriptions = &tables.OutputVarDescriptions;
    } else if (kind == 4) {
        switch (type) {
        case StatOutputType::SingleStreet:
            names = &tables.SeriesVarNames;
            descriptions = &tables.SeriesVarDescriptions;
            break;
        case StatOutputType::MultiStreets:
            names = &tables.StatVarNames;
            descriptions = &tables.StatVarDescriptions;
            break;
        case StatOutputType::DailyAverages:
            names = &tables.BothSidesVarNames;
            descriptions = &tables.BothSidesVarDescriptions;
            break;
        }
    }
    std::vector<KnownVariable> known;
    if (names == nullptr) {
        return known;
    }
    for (std::size_t i = 1; i < names->size(); ++i) {
        KnownVariable v;
        v.name = (*names)[i];
        if (kind == 4) {
            std::replace(v.name.begin(), v.name.end(), ',', '.');
        }
        v.description = i < descriptions->size() ? (*descriptions)[i] : std::string();
        known.push_back(std::move(v));
    }
    std::stable_sort(known.begin(), known.end(), [](const KnownVariable &a, const KnownVariable &b) {
        return compareIgnoringCase(a.name, b.name) < 0;
    });
    return known;
}

int findKnownExact(const std::vector<KnownVariable> &known, std::string_view name) {
    for (std::size_t i = 0; i < known.size(); ++i) {
        if (iequals(known[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int findKnownPrefix(const std::vector<KnownVariable> &known, std::string_view prefix) {
    for (std::size_t i = 0; i < known.size(); ++i) {
        if (startsWithI(known[i].name, prefix)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

CheckedList checkVariableList(std::string_view text, const std::vector<KnownVariable> &known) {
    CheckedList result;
    const std::vector<std::string> items = SplitList(text);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::string item = trim(items[i]);
        if (item.empty()) {
            item = "?";
        }
        if (item.front() != '"' && item != "?") {
            const int at = findKnownExact(known, item);
            if (at >= 0) {
                item = known[static_cast<std::size_t>(at)].name;
            } else {
                result.unknown.push_back({item, result.text.size()});
            }
        }
        result.text += item;
        if (i + 1 < items.size()) {
            result.text += ", ";
        }
    }
    return result;
}

std::string unknownNameMessage(const std::string &name) {
    return name + " is not a valid name";
}

std::optional<StatCombination> invalidStatCombination(const ReferenceTables &tables, std::string_view columns,
                                                      std::string_view rows) {
    const std::vector<std::string> columnItems = SplitList(columns);
    const std::vector<std::string> rowItems = SplitList(rows);
    for (const std::string &column : columnItems) {
        if (column.find('"') != std::string::npos) {
            continue;
        }
        for (const std::string &row : rowItems) {
            if (row.find('"') != std::string::npos) {
                continue;
            }
            // Only the side suffix at the end goes: a "_1" or "_2" inside a
            // pollutant or statistic name belongs to that name.
            const StatName name = splitSideSuffix(NormalizeVarName(tables, column, row));
            if (!tables.StatVarList.contains(name.key)) {
                return StatCombination{column, row};
            }
        }
    }
    return std::nullopt;
}

std::string statCombinationMessage(const StatCombination &pair) {
    return "Combination of the variables: " + pair.column + " and " + pair.row +
           " is not a valid combination!";
}

} // namespace vesk
