#pragma once

// Names of results. A result is addressed by statistic & pollutant & series
// & side (for example MaxHourly, NO2, "_mod", "_1"): the key in StatVarList is
// everything but the side, and the side becomes the receptor (none = 0, the
// larger of both sides; "_1" = 1; "_2" = 2).
//
// These routines build the statistics catalogue and the result store, append
// the series and side variants of catalogue entries, and turn two free labels
// into a result name. They work on a ReferenceTables so that a country load
// can fill fresh tables and replace the state's only when it succeeds.

#include "core/CoreState.h"

#include <string>
#include <string_view>

namespace vesk {

// Lists every statistic of every pollutant, series and side in the
// statistics catalogue (StatVarNames, StatVarDescriptions, StatVarTypes,
// from entry 1; the block without side first) and replaces StatVarList with
// one StatVar per statistic, pollutant and series, all values -99. Needs the
// pollutant and percentile tables. Fails (false, nothing usable) when two
// results would share a key, letter case ignored: two pollutants of the same
// name, or two definitions of one family with the same name or n.
bool BuildStatVarCatalogue(ReferenceTables &tables, int numReceptors, std::string *error);

// Adds an empty StatVar named name to StatVarList; false when the key exists.
bool AddStatVar(ReferenceTables &tables, const std::string &name, int numReceptors);

// Appends the series and side variants of the series-catalogue entry at
// index (already filled by the caller) and leaves index on the last one
// appended. flag asks for the per-pollutant variants. Each variant takes the
// data type of the caller's entry. "Measured", "Background" and "Modelled"
// (letter case ignored) get only their "_1" and "_2" variants.
void AddSeriesVarNames(ReferenceTables &tables, int &index, const std::string &name,
                       const std::string &description, bool flag);

// Appends the nine series and side variants of one daily value to the
// both-sides catalogue after index and leaves index on the last one:
// _b_1, _obs_1, _mod_1, _b_2, _obs_2, _mod_2, _b, _obs, _mod.
void AddBothSidesVarNames(ReferenceTables &tables, int &index, const std::string &name,
                          const std::string &description);

// The result name that two labels (a column and a row label of a statistics
// table) ask for: statistic & pollutant & series & side, each part found in
// either label, letter case ignored; the empty text when nothing is
// recognised. The average is asked for by "average" anywhere or by a label
// beginning with "av", the catalogue's own word. Never fails.
std::string NormalizeVarName(const ReferenceTables &tables, std::string_view label1, std::string_view label2);

} // namespace vesk
