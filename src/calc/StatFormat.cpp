#include "calc/StatFormat.h"

#include "calc/CalcState.h"
#include "calc/Format.h"
#include "core/Interaction.h"

namespace vesk {

std::string formatStatCell(const StatCell &cell, std::string_view pattern) {
    switch (cell.kind) {
    case StatCell::Kind::Single:
        return Format(static_cast<float>(cell.number), pattern);
    case StatCell::Kind::Double:
        return Format(cell.number, pattern);
    case StatCell::Kind::Whole:
        return Format(static_cast<long>(cell.number), pattern);
    case StatCell::Kind::Text:
        return Format(std::string_view(cell.text), pattern);
    }
    return {};
}

std::string FormatStatValue(const CalcState &state, const std::string &name, std::string_view pattern,
                            Interaction &interaction) {
    float value = 0.0f;
    if (!statCellValue(state, name, &value, nullptr)) {
        interaction.message("Invalid variable name in the output list!\r\n\r\n" + name, Icon::Critical);
        return {};
    }
    return Format(value, pattern);
}

bool FormatDailyValue(const CalcState &state, int day, const std::string &name, std::string_view pattern,
                      int pollutant, std::string *text, std::string *error) {
    StatCell cell;
    if (!dailyCellValue(state, day, name, pollutant, &cell, error)) {
        return false;
    }
    if (text != nullptr) {
        *text = formatStatCell(cell, pattern);
    }
    return true;
}

bool FormatStreetValue(const CalcState &state, const StreetCellValues &street, const std::string &name,
                       std::string_view pattern, std::string *text, std::string *error) {
    StatCell cell;
    if (!streetCellValue(state, street, name, &cell, error)) {
        return false;
    }
    if (text != nullptr) {
        *text = formatStatCell(cell, pattern);
    }
    return true;
}

} // namespace vesk
