#pragma once

// The results table of one page (the larger of both sides, or one side):
// cells with their texts and looks, merged heading cells, column widths and
// row heights, built without any widget so that the window, the result file
// and the printout all show the same table.
//
// Layout. Row 0 holds the section headings (hourly, running 8-hour, daily),
// merged over neighbouring equal headings; row 1 the column names, with
// "Component" in column 0. From row 2 on, per component (limit-value
// pollutant, in the order of LimValDef.lst) a heading row, the measured,
// modelled and background rows its statistics options call for, and on the
// pages that show limit values one row per limit value. The statistics
// columns always come in the order hourly average, maximum, percentiles,
// "DC"; running 8-hour maximum, percentiles, "DC"; daily maximum,
// percentiles, "DC". A column is left out when it is hidden, or when only
// statistics with a limit value are shown and no shown component has a
// positive limit for it.
//
// Values are read from StatVar objects by statistic word & pollutant &
// series suffix; page 0 reads the larger of both sides. A value below 0
// (-99 = missing) shows "--". A statistic that is not there, or a pollutant
// that is not in the pollutant list, also shows "--", with a note saying why:
// the table is always built. Sizes are in twips (1/1440 inch).

#include "core/KeyedList.h"
#include "core/Pollutant.h"
#include "core/StatVar.h"

#include <string>
#include <vector>

namespace vesk {

struct State;

namespace results {

inline constexpr int kDefaultRowTwips = 300;
inline constexpr int kColumnNamesRowTwips = 400;
inline constexpr int kComponentRowTwips = 450;
inline constexpr int kFirstColumnTwips = 1700;
inline constexpr int kValueColumnTwips = 1500;

// Shaded: the heading colour of the table (fixed rows and column, "DC" cells,
// limit rows); White: set white on purpose; Plain: the table's normal cell.
enum class CellShade { Plain, Shaded, White };
enum class CellAlign { Left, CentreTop, Centre };

struct ResultsCell {
    std::string text;
    bool bold = false;
    bool italic = false;
    CellShade shade = CellShade::Plain;
    CellAlign align = CellAlign::Left;
    std::string note; // why a value is missing beyond "no value" ("" = none)
};

enum class RowKind { Headings, ColumnNames, Component, Measured, Modelled, Background, Limit, Other };

struct ResultsRow {
    RowKind kind = RowKind::Other;
    int heightTwips = kDefaultRowTwips;
    std::vector<ResultsCell> cells;
};

struct CellSpan {
    int row = 0, column = 0, count = 1; // count > 1 neighbouring cells of one row shown as one
};

struct ResultsPage {
    std::vector<ResultsRow> rows;
    std::vector<int> columnWidthsTwips;
    std::vector<CellSpan> spans;
    std::vector<std::string> notes; // every distinct cell note, in table order

    int columnCount() const { return static_cast<int>(columnWidthsTwips.size()); }
    int rowCount() const { return static_cast<int>(rows.size()); }
    // 45 twips of border plus the column widths, as the grid measures itself;
    // the height is the rows' heights. Both are summed without overflow and
    // held at the largest int for a table wider or taller than that.
    int gridWidthTwips() const;
    int gridHeightTwips() const;
    const ResultsCell &cell(int row, int column) const;
    // Every row's cell texts, as the result file stores a page.
    std::vector<std::vector<std::string>> texts() const;
    // How many columns each cell of the row is shown over: 1 for a cell of
    // its own, the length of a merged run for the run's first cell, 0 for the
    // run's other cells. Time in proportion to the columns and the spans.
    std::vector<int> shownWidths(int row) const;
    // Merges each run of equal, non-empty neighbouring texts of the row.
    void mergeEqualNeighbours(int row);
    void collectNotes();
};

enum class StatFamily { Hourly, Run8, Daily };
enum class StatKind { Average, Maximum, Percentile, DataCapture };

// One statistics column of the table.
struct ResultsColumn {
    StatFamily family = StatFamily::Hourly;
    StatKind kind = StatKind::Average;
    int k = 0;           // percentile 1..count of its family; 0 for the others
    std::string heading; // section heading (row 0)
    std::string name;    // column name (row 1)
    std::string word;    // statistic word of the StatVarList key
    bool hidden = false; // hidden through the column dialog
    bool isDataCapture() const { return kind == StatKind::DataCapture; }
};

// Where the values of a table come from: the run's StatVarList, or one street
// of a multi-street run. The statistics are in the run's output units
// (outputUnits, by pollutant index); outputUnitFactor converts them to the
// pollutant's default output unit. Data capture is a share of period.
struct StatSource {
    const KeyedList<StatVar> *stats = nullptr;
    const KeyedList<Pollutant> *pollutants = nullptr;
    const std::vector<float> *outputUnitFactor = nullptr;
    const std::vector<std::string> *outputUnits = nullptr; // null or short: not known
    PeriodLength period;
};
StatSource runStatSource(const State &s);

// The unit the results show a pollutant in: the run's output unit when it is
// one of the named units, otherwise (a unit given as a number, or none known)
// the pollutant's default output unit. factor converts a statistic of the run
// into it; limitFactor converts a limit value (given in the default output
// unit) into it.
struct ShownUnit {
    std::string code;
    float factor = 1;
    double limitFactor = 1;
};
ShownUnit shownUnit(const std::string &runUnit, const std::string &defaultUnit, float outputUnitFactor);
// The shown unit of every pollutant of source, by the source's pollutant
// index (a saved street list keeps the pollutants of its own run); the
// default output unit is the state's for a pollutant of that name.
std::vector<ShownUnit> shownUnits(const State &s, const StatSource &source);

// Every statistics column in table order, hidden ones included (with their
// hide flag set), named by the percentile display mode of their family.
std::vector<ResultsColumn> allResultsColumns(const State &s);

// The limit value of limit row j (1..) of limit-value pollutant i (1..) in
// the column's limit table; -99 when the tables do not have it.
float limitValue(const State &s, const ResultsColumn &c, int i, int j);

// The page list: "Max; All Receptors", then "Receptor r; z = <height> m" for
// r = 1..NumReceptors.
std::vector<std::string> resultsPageNames(const State &s);
std::vector<std::string> resultsPageNames(int numReceptors, double recHeight_m);

// The unit text appended to a component's long name for an output unit code
// (letter case ignored): " (µg/m³)" and so on; an unknown code gives
// " (<code>)", an empty one nothing.
std::string unitText(const std::string &unitCode);
// The six unit texts a stored table's component rows are recognised by.
const std::vector<std::string> &unitTexts();

// What a table is built for: the window (the columns the column dialog
// leaves, numbers in NumberFormat) or a result file (every column, numbers in
// their plain form with the seven significant digits of a statistic, so that
// the file keeps all the run computed).
enum class PageUse { Window, File };

// The table of page 0..NumReceptors from the state's lists, options, column
// flags and NumberFormat, with values from source. Never fails.
ResultsPage buildResultsPage(const State &s, const StatSource &source, int page,
                             PageUse use = PageUse::Window);

// The columns the column dialog hides, as (section heading, column name).
std::vector<std::pair<std::string, std::string>> hiddenColumnNames(const State &s);

// Shows every percentile column again (the other hide flags keep their
// values), sized to the percentile definitions; the results window does this
// whenever it rebuilds its table from a run.
void resetPercentileHideFlags(State &s);

} // namespace results
} // namespace vesk
