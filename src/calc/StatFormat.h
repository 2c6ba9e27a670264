#pragma once

// The texts of statistics-file cells: a statistic, a day's value or a street
// property formatted with the cell's pattern (the Format function of the
// output files). The values are found as calc/StatCells.h describes. The
// writers of a run pass the columns' compiled formats; a pattern given as a
// text is compiled on the way.

#include "calc/Format.h"
#include "calc/StatCells.h"

#include <string>
#include <string_view>

namespace vesk {

class Interaction;
struct CalcState;

// A cell value in its pattern: single-precision numbers as Singles,
// double-precision ones as Doubles, whole numbers as Longs, texts as texts.
std::string formatStatCell(const StatCell &cell, const CompiledFormat &format);

// The statistic named by a statistics-file name ("_1"/"_2" = side, else the
// larger side), formatted; -99 is formatted like any number. A name that
// StatVarList does not know shows the critical message "Invalid variable name
// in the output list!" with the name and gives the empty text, so that the
// caller goes on with the next cell.
std::string FormatStatValue(const CalcState &state, const std::string &name, const CompiledFormat &format,
                            Interaction &interaction);
std::string FormatStatValue(const CalcState &state, const std::string &name, std::string_view pattern,
                            Interaction &interaction);

// One day's value (day from 1 in DailyAverageList) formatted; an unknown name
// gives 0 formatted. False with an error for a day or pollutant out of range.
bool FormatDailyValue(const CalcState &state, int day, const std::string &name, const CompiledFormat &format,
                      int pollutant, std::string *text, std::string *error);
bool FormatDailyValue(const CalcState &state, int day, const std::string &name, std::string_view pattern,
                      int pollutant, std::string *text, std::string *error);

// A street or traffic-file property, or else a statistic, formatted. False
// with an error for an unknown statistic: the caller's error handling decides.
bool FormatStreetValue(const CalcState &state, const StreetCellValues &street, const std::string &name,
                       const CompiledFormat &format, std::string *text, std::string *error);
bool FormatStreetValue(const CalcState &state, const StreetCellValues &street, const std::string &name,
                       std::string_view pattern, std::string *text, std::string *error);

} // namespace vesk
