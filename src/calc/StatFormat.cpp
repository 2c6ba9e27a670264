#include "calc/StatFormat.h"

#include "calc/CalcState.h"
#include "core/Interaction.h"

namespace vesk {

std::string formatStatCell(const StatCell &cell, const CompiledFormat &format) {
    switch (cell.kind) {
    case StatCell::Kind::Single:
        return format.format(static_cast<float>(cell.number));
    case StatCell::Kind::Double:
        return format.format(cell.number);
    case StatCell::Kind::Whole:
        return format.format(static_cast<long>(cell.number));
    case StatCell::Kind::Text:
        return format.format(std::string_view(cell.text));
    }
    return {};
}

std::string FormatStatValue(const CalcState &state, const std::string &name, const CompiledFormat &format,
                            Interaction &interaction) {
    float value = 0.0f;
    if (!statCellValue(state, name, &value, nullptr)) {
        interaction.message("Invalid variable name in the output list!\r\n\r\n" + name, Icon::Critical);
        return {};
    }
    return format.format(value);
}

std::string FormatStatValue(const CalcState &state, const std::string &name, std::string_view pattern,
                            Interaction &interaction) {
    return FormatStatValue(state, name, CompiledFormat(pattern), interaction);
}

bool FormatDailyValue(const CalcState &state, int day, const std::string &name, const CompiledFormat &format,
                      int pollutant, std::string *text, std::string *error) {
    StatCell cell;
    if (!dailyCellValue(state, day, name, pollutant, &cell, error)) {
        return false;
    }
    if (text != nullptr) {
        *text = formatStatCell(cell, format);
    }
    return true;
}

bool FormatDailyValue(const CalcState &state, int day, const std::string &name, std::string_view pattern,
                      int pollutant, std::string *text, std::string *error) {
    return FormatDailyValue(state, day, name, CompiledFormat(pattern), pollutant, text, error);
}

bool FormatStreetValue(const CalcState &state, const StreetCellValues &street, const std::string &name,
                       const CompiledFormat &format, std::string *text, std::string *error) {
    StatCell cell;
    if (!streetCellValue(state, street, name, &cell, error)) {
        return false;
    }
    if (text != nullptr) {
        *text = formatStatCell(cell, format);
    }
    return true;
}

bool FormatStreetValue(const CalcState &state, const StreetCellValues &street, const std::string &name,
                       std::string_view pattern, std::string *text, std::string *error) {
    return FormatStreetValue(state, street, name, CompiledFormat(pattern), text, error);
}

} // namespace vesk
