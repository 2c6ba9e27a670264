// One row per hour in every hourly output file, and the rows of the
// statistics files at the end of a street.

#include "calc/Format.h"
#include "calc/PlainNumber.h"
#include "calc/StatCells.h"
#include "calc/StatFormat.h"
#include "calc/StatPublish.h"
#include "core/KeyedList.h"
#include "core/StatVarNames.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "run/RunContext.h"
#include "run/StreetRun.h"

#include <algorithm>
#include <charconv>

namespace vesk::run {

namespace {

float atPol(const std::vector<float> &v, int p) {
    return p >= 0 && static_cast<std::size_t>(p) < v.size() ? v[static_cast<std::size_t>(p)] : kMiss;
}

std::string dateTimeText(const DateTimeParts &t) {
    return isoDateTime(t.year, t.month, t.day, t.hour, t.minute);
}

std::string removeDotPrefixes(std::string text) {
    for (;;) {
        std::size_t at = std::string::npos;
        for (const char *prefix : {".\\", "./"}) {
            at = std::min(at, text.find(prefix));
        }
        if (at == std::string::npos) {
            return text;
        }
        text.erase(at, 2);
    }
}

// The value of a cell of an hourly row, before its column's format: a
// Single, a whole number, a text, or the blank of a Blank column (written
// as it is).
struct CellValue {
    enum class Kind { Single, Whole, Text, Blank } kind = Kind::Blank;
    float single = 0;
    long whole = 0;
    std::string_view text;
    std::string made; // a text made for the cell, which `text` views
};

void outputCell(RunContext &c, const OutputFile &file, const OutColumn &col, std::size_t j, CellValue &v) {
    State &s = c.s;
    const HourItems &h = c.items;
    const int p = col.pol;
    auto single = [&v](float x) {
        v.kind = CellValue::Kind::Single;
        v.single = x;
    };
    auto whole = [&v](long x) {
        v.kind = CellValue::Kind::Whole;
        v.whole = x;
    };
    auto text = [&v](std::string_view t) {
        v.kind = CellValue::Kind::Text;
        v.text = t;
    };
    auto madeText = [&v](std::string t) {
        v.made = std::move(t);
        v.kind = CellValue::Kind::Text;
        v.text = v.made;
    };
    const auto &stats = s.Statistics;
    switch (col.key) {
    case OutKey::Date:
        return text(h.date);
    case OutKey::DateTime:
        return text(h.DateTimeText);
    case OutKey::Day:
        return whole(h.day);
    case OutKey::Month:
        return whole(h.month);
    case OutKey::Year:
        return whole(h.year);
    case OutKey::Hour:
        return whole(s.hour);
    case OutKey::Minute:
        return whole(h.minute);
    case OutKey::DayOfWeek:
        return whole(h.dayofweek);
    case OutKey::DayCase:
        return whole(h.daycase);
    case OutKey::UMast:
        return single(s.u_mast);
    case OutKey::URoof:
        return single(s.u_roof);
    case OutKey::WindDir:
        return single(s.wind_dir);
    case OutKey::GlobalRad:
        return single(s.globalrad);
    case OutKey::Temperature:
        return single(s.temperature);
    case OutKey::HMix:
        return single(s.h_mix);
    case OutKey::RHum:
        return single(h.r_hum);
    case OutKey::CloudCover:
        return whole(h.cloudcover);
    case OutKey::CB:
        return single(atPol(s.cPOL_b, p));
    case OutKey::CObs1:
        return single(atPol(s.cPOL_obs_1, p));
    case OutKey::CObs2:
        return single(atPol(s.cPOL_obs_2, p));
    case OutKey::CMod1:
        return single(atPol(s.cPOL_mod_1, p));
    case OutKey::CMod2:
        return single(atPol(s.cPOL_mod_2, p));
    case OutKey::CR:
        return single(atPol(s.cPOL_r, p));
    case OutKey::CStrObs1:
        return single(atPol(s.cPOL_str_obs_1, p));
    case OutKey::CStrObs2:
        return single(atPol(s.cPOL_str_obs_2, p));
    case OutKey::CStrMod1:
        return single(atPol(s.cPOL_str_mod_1, p));
    case OutKey::CStrMod2:
        return single(atPol(s.cPOL_str_mod_2, p));
    case OutKey::CCor1:
        return single(atPol(s.cPOL_cor_1, p));
    case OutKey::CCor2:
        return single(atPol(s.cPOL_cor_2, p));
    case OutKey::Flag1:
        return single(atPol(s.flagPOL_1, p));
    case OutKey::Flag2:
        return single(atPol(s.flagPOL_2, p));
    case OutKey::CSt1:
        return single(s.c_st1);
    case OutKey::CSt2:
        return single(s.c_st2);
    case OutKey::NLight:
        return single(s.nlight);
    case OutKey::NHeavy:
        return single(s.nheavy);
    case OutKey::NTotal:
        return single(h.ntotal);
    case OutKey::NVeh:
        return single(atPol(h.nVEH, col.veh));
    case OutKey::SpeedLight:
        return single(s.speed_light);
    case OutKey::SpeedHeavy:
        return single(s.speed_heavy);
    case OutKey::Q:
        return single(atPol(s.qPOL, p));
    case OutKey::QVeh:
        return single(p >= 0 && static_cast<std::size_t>(p) < s.CategoryEmission.size()
                          ? atPol(s.CategoryEmission[static_cast<std::size_t>(p)], col.veh)
                          : kMiss);
    case OutKey::SWTpt:
        return single(s.s_w_tpt);
    case OutKey::SWRoof:
        return single(s.s_w_roof);
    case OutKey::DeltaFi:
        return single(s.delta_fi);
    case OutKey::Av8Mod1:
        return single(stats.run8Average(p, 1, Series::Modelled));
    case OutKey::Av8Obs1:
        return single(stats.run8Average(p, 1, Series::Measured));
    case OutKey::Av8B1:
        return single(stats.run8Average(p, 1, Series::Background));
    case OutKey::Av8Mod2:
        return single(stats.run8Average(p, 2, Series::Modelled));
    case OutKey::Av8Obs2:
        return single(stats.run8Average(p, 2, Series::Measured));
    case OutKey::Av8B2:
        return single(stats.run8Average(p, 2, Series::Background));
    case OutKey::SegmentId:
        return text(s.CurrentStreetName);
    case OutKey::PersonId:
        return text(s.PersonId);
    case OutKey::SegTimeIn:
        return madeText(dateTimeText(s.SegTimeIn));
    case OutKey::SegTimeOut:
        return madeText(dateTimeText(s.SegTimeOut));
    case OutKey::TimeInSeg:
        return single(c.TimeInSeg);
    case OutKey::TimeInSegInp:
        return single(static_cast<float>(s.TimeInSegInp));
    case OutKey::TurSegmentNo:
        return whole(s.TurSegmentNo);
    case OutKey::InpOut:
        return whole(s.InpOut);
    case OutKey::TranspStay:
        return whole(s.TranspStay);
    case OutKey::TranspMode:
        return whole(s.TranspMode);
    case OutKey::SpeedPerson:
        return single(static_cast<float>(s.SpeedPerson));
    case OutKey::SegmentLength:
        return single(static_cast<float>(s.SegmentLength));
    case OutKey::TrafficFile:
        return madeText(removeDotPrefixes(s.TrafficFile));
    case OutKey::DailyTraffic:
        return single(static_cast<float>(s.AnnualDiurnalTraffic));
    case OutKey::TravelSpeed:
        return single(static_cast<float>(s.AverageTrafficSpeed));
    case OutKey::StreetHeight:
        return single(static_cast<float>(s.StreetHeight));
    case OutKey::StreetWidth:
        return single(static_cast<float>(s.StreetWidth));
    case OutKey::StreetLength1:
        return single(static_cast<float>(s.StreetLength_1));
    case OutKey::StreetLength2:
        return single(static_cast<float>(s.StreetLength_2));
    case OutKey::StreetOrientation:
        return single(static_cast<float>(s.StreetOrientation));
    case OutKey::StreetSide:
        return whole(s.Receptor1 == 1 ? 1 : 2);
    case OutKey::RecHeight:
        return single(static_cast<float>(s.RecHeight));
    case OutKey::ExceptionNo:
        return whole(s.NumWindSectors);
    case OutKey::Blank:
        v.kind = CellValue::Kind::Blank;
        v.text = " ";
        return;
    case OutKey::Unknown:
        break;
    }
    c.err.FilePath = file.path;
    c.err.FileIndex = file.k;
    c.err.ColumnIndex = static_cast<int>(j + 1);
    c.err.OutColName = col.name;
    throw RunError(kErrOutputItem, "Unknown output keyword " + col.name);
}

void appendCells(RunContext &c, OutputTable &table, const std::string &path, const std::vector<Cell> &cells) {
    std::string error;
    if (!table.Recordset->append(cells, &error)) {
        // The table refuses the row (it is full, or a value does not fit
        // its column): its own message says why. Nothing of it is written.
        c.err.FilePath = path;
        const std::string file = parseTableAddress(path).file;
        throw RunRefusal{error.find(file) == std::string::npos ? error + "\r\n" + file : error};
    }
}

void writeText(RunContext &c, OutputTable &table, const std::string &path, std::string_view lines) {
    if (!table.TextFile.isOpen() || !table.TextFile.write(lines)) {
        c.err.FilePath = path;
        // With the system's reason (No space left on device, File too large).
        throw RunError(kErrPathFileAccess, writeFailureText(path, table.TextFile.writeError()));
    }
}

// A row of a file: written at once, or kept in the street's buffer of it.
// `line` is the row of a text file with its CR LF, written in one go.
void appendOrFail(RunContext &c, OutputTable &table, const std::string &path, std::string_view line,
                  std::vector<Cell> &cells, RowBuffer *buffer) {
    if (buffer != nullptr) {
        if (table.IsTable) {
            buffer->cells.push_back(cells);
        } else {
            buffer->text += line;
        }
    } else if (table.IsTable) {
        appendCells(c, table, path, cells);
    } else {
        writeText(c, table, path, line);
    }
}

// The names of a statistics file that could not be resolved: one message
// per file naming each name once per run; the cells stay empty and the file
// is incomplete.
void reportUnknown(RunContext &c, StatFile &file, const std::vector<std::string> &unknown) {
    if (!unknown.empty()) {
        file.incomplete = true;
    }
    std::string names;
    for (const std::string &name : unknown) {
        if (c.reportedNames.insert(toLower(name)).second) {
            names += (names.empty() ? "" : ", ") + name;
        }
    }
    if (names.empty()) {
        return;
    }
    c.outputIncomplete = true;
    c.ui.message("Invalid variable name in the output list!\r\n" + names + "\r\n" + file.path,
                 Icon::Critical);
}

// The cells of a statistics file whose statistic is unknown, named as the
// user wrote them: a row none of whose statistics is known by its name
// ("row NOx_xyz"), then a column none of whose statistics is known in the
// other rows ("column Bogus_1"), then single cells ("Average_1 in row
// NOx_b"). Rows without a name of their own (streets, days) name columns.
class UnknownCells {
public:
    explicit UnknownCells(std::size_t columns) : m_columns(columns) {}
    void startRow(std::string key) { m_rows.push_back({std::move(key), {}, {}}); }
    void cell(std::size_t column, bool known) {
        Row &row = m_rows.back();
        (known ? row.known : row.unknown).push_back(column);
    }
    std::vector<std::string> names(const std::vector<OutColumn> &cols) const {
        std::vector<std::string> out;
        std::vector<bool> rowNamed(m_rows.size(), false);
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            const Row &row = m_rows[r];
            if (!row.key.empty() && !row.unknown.empty() && row.known.empty()) {
                rowNamed[r] = true;
                out.push_back("row " + row.key);
            }
        }
        std::vector<int> known(m_columns, 0), unknown(m_columns, 0);
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            if (!rowNamed[r]) {
                for (std::size_t j : m_rows[r].known) {
                    ++known[j];
                }
                for (std::size_t j : m_rows[r].unknown) {
                    ++unknown[j];
                }
            }
        }
        for (std::size_t j = 0; j < m_columns; ++j) {
            if (unknown[j] > 0 && known[j] == 0) {
                out.push_back("column " + cols[j].name);
            }
        }
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            if (!rowNamed[r]) {
                for (std::size_t j : m_rows[r].unknown) {
                    if (known[j] > 0) {
                        out.push_back(cols[j].name + " in row " + m_rows[r].key);
                    }
                }
            }
        }
        return out;
    }

private:
    struct Row {
        std::string key;
        std::vector<std::size_t> known, unknown;
    };
    std::size_t m_columns;
    std::vector<Row> m_rows;
};

std::string dayText(const DailyAverage &day) {
    return isoDate(static_cast<int>(day.Dates.year()),
                   static_cast<int>(static_cast<unsigned>(day.Dates.month())),
                   static_cast<int>(static_cast<unsigned>(day.Dates.day())));
}

} // namespace

void writeOutputRows(RunContext &c) {
    std::string &row = c.rowText;
    std::string &text = c.cellText;
    std::vector<Cell> &cells = c.rowCells;
    CellValue value;
    for (std::size_t i = 0; i < c.outputs.size(); ++i) {
        OutputFile &file = c.outputs[i];
        // The row is written in place from its start: the string keeps its
        // length (its room) from hour to hour, `used` is the row so far.
        std::size_t used = 0;
        cells.clear();
        for (std::size_t j = 0; j < file.cols.size(); ++j) {
            const OutColumn &col = file.cols[j];
            outputCell(c, file, col, j, value);
            // A number under the empty pattern (its plain form), the common
            // cell, is written into a buffer on the stack; other cells go
            // through their format.
            char number[kPlainNumberChars];
            std::string_view cell;
            const bool plain = col.format.pattern().empty();
            if (plain && value.kind == CellValue::Kind::Single) {
                cell = {number, static_cast<std::size_t>(writePlainNumber(value.single, 7, number) - number)};
            } else if (plain && value.kind == CellValue::Kind::Whole) {
                cell = {number, static_cast<std::size_t>(
                                    std::to_chars(number, number + sizeof number, value.whole).ptr - number)};
            } else {
                text.clear();
                switch (value.kind) {
                case CellValue::Kind::Single:
                    col.format.append(value.single, text);
                    break;
                case CellValue::Kind::Whole:
                    col.format.append(value.whole, text);
                    break;
                case CellValue::Kind::Text:
                    col.format.append(value.text, text);
                    break;
                case CellValue::Kind::Blank:
                    text = value.text;
                    break;
                }
                cell = text;
            }
            const bool isText = value.kind == CellValue::Kind::Text || value.kind == CellValue::Kind::Blank;
            if (file.table.IsTable) {
                if (cell.data() != text.data()) {
                    text.assign(cell);
                }
                cells.push_back(hourlyTableCell(text, isText));
            } else {
                // A number's text is ASCII: no characters to count.
                used = writeCell(row, used, cell, col.width, j == 0, ";", cell.data() == number);
            }
        }
        used = writeCell(row, used, "\r\n", 0, true, ";", true);
        appendOrFail(c, file.table, file.path, std::string_view(row).substr(0, used), cells,
                     c.rows != nullptr ? &c.rows->hourly[i] : nullptr);
    }
}

namespace {

// What a cell of a statistics file shows, by its column and row.
struct StatCellName {
    enum class Kind { Label, Title, Daily, Street, Statistic, EndOfRow } kind;
    std::string key; // the name the value is found by
};

StatCellName statCellName(const State &s, const StatFile &file, const std::string &rowKey,
                          const OutColumn &col, std::size_t j) {
    if (!col.name.empty() && col.name.front() == '"') {
        return {StatCellName::Kind::Label, col.name};
    }
    if (file.dailyav) {
        return {StatCellName::Kind::Daily, toLower(col.name)};
    }
    if (s.MultiStreetMode) {
        return {StatCellName::Kind::Street, col.name};
    }
    if (!rowKey.empty() && rowKey.front() == '"') {
        // A title row keeps only its first column, which stays empty under a statistic.
        return j > 0 ? StatCellName{StatCellName::Kind::EndOfRow, {}}
                     : StatCellName{StatCellName::Kind::Title, col.name};
    }
    return {StatCellName::Kind::Statistic, toLower(NormalizeVarName(s, rowKey, col.name))};
}

} // namespace

void setOutputDemand(RunContext &c) {
    const State &s = c.s;
    c.files.categoryEmissionShown = false;
    for (const OutputFile &file : c.outputs) {
        for (const OutColumn &col : file.cols) {
            c.files.categoryEmissionShown = c.files.categoryEmissionShown || col.key == OutKey::QVeh;
        }
    }
    if (!s.BatchRun()) {
        // The results window shows every statistic of the run.
        c.files.statisticsDemand = StatisticsDemand();
        return;
    }
    std::set<std::string> keys; // folded as the list of statistics looks them up
    std::vector<int> dailyPollutants;
    for (const StatFile &file : c.stats) {
        const std::size_t rows = file.dailyav ? 1 : file.rowKeys.size();
        for (std::size_t r = 0; r < rows; ++r) {
            const std::string rowKey = file.dailyav ? std::string() : file.rowKeys[r];
            for (std::size_t j = 0; j < file.cols.size(); ++j) {
                const StatCellName cell = statCellName(s, file, rowKey, file.cols[j], j);
                if (cell.kind == StatCellName::Kind::EndOfRow) {
                    break;
                }
                if (cell.kind == StatCellName::Kind::Daily) {
                    dailyPollutants.push_back(file.cols[j].pol);
                } else if (cell.kind == StatCellName::Kind::Statistic ||
                           cell.kind == StatCellName::Kind::Street) {
                    keys.insert(foldKey(splitSideSuffix(cell.key).key));
                }
            }
        }
    }
    StatisticsDemand demand = StatisticsEngine::demandFor(
        statisticsSetupFrom(s), [&keys](const std::string &key) { return keys.count(foldKey(key)) > 0; });
    for (int p : dailyPollutants) {
        for (Series series : kAllSeries) {
            demand.ask(p, StatPart::Daily, series);
        }
    }
    // The running 8-hour averages of the hourly rows.
    for (const OutputFile &file : c.outputs) {
        for (const OutColumn &col : file.cols) {
            switch (col.key) {
            case OutKey::Av8Mod1:
            case OutKey::Av8Mod2:
                demand.ask(col.pol, StatPart::Run8, Series::Modelled);
                break;
            case OutKey::Av8Obs1:
            case OutKey::Av8Obs2:
                demand.ask(col.pol, StatPart::Run8, Series::Measured);
                break;
            case OutKey::Av8B1:
            case OutKey::Av8B2:
                demand.ask(col.pol, StatPart::Run8, Series::Background);
                break;
            default:
                break;
            }
        }
    }
    c.files.statisticsDemand = std::move(demand);
}

void writeStatFiles(RunContext &c) {
    State &s = c.s;
    const StreetCellValues street{s.StreetX, s.StreetY, s.DailyTrafficCalc, s.TravelSpeedCalc};
    for (std::size_t i = 0; i < c.stats.size(); ++i) {
        StatFile &file = c.stats[i];
        RowBuffer *buffer = c.rows != nullptr ? &c.rows->statistics[i] : nullptr;
        c.err.FilePath = file.path;
        c.err.FileIndex = file.k;
        UnknownCells unknownCells(file.cols.size());
        const std::size_t rows = file.dailyav ? s.DailyAverageList.size() : file.rowKeys.size();
        for (std::size_t r = 0; r < rows; ++r) {
            unknownCells.startRow(file.dailyav || s.MultiStreetMode ? std::string() : file.rowKeys[r]);
            std::string row;
            std::vector<Cell> cells;
            const std::string rowKey = file.dailyav ? std::string() : file.rowKeys[r];
            for (std::size_t j = 0; j < file.cols.size(); ++j) {
                const OutColumn &col = file.cols[j];
                const CompiledFormat &fmt = col.format;
                const StatCellName cell = statCellName(s, file, rowKey, col, j);
                std::string text;
                std::string key = cell.key;
                bool isText = false;
                std::string error;
                switch (cell.kind) {
                case StatCellName::Kind::EndOfRow:
                    break;
                case StatCellName::Kind::Label: {
                    std::string label = file.dailyav        ? dayText(s.DailyAverageList.at(r))
                                        : s.MultiStreetMode ? s.StreetName
                                                            : rowKey;
                    text = fmt.format(std::string_view(label));
                    isText = true;
                    break;
                }
                case StatCellName::Kind::Title:
                    break; // a title names no statistic: its cell under a statistic stays empty
                case StatCellName::Kind::Daily: {
                    const bool known =
                        FormatDailyValue(s, static_cast<int>(r + 1), key, fmt, col.pol, &text, &error);
                    unknownCells.cell(j, known);
                    if (!known) {
                        text.clear();
                    }
                    break;
                }
                case StatCellName::Kind::Street: {
                    const bool known = FormatStreetValue(s, street, key, fmt, &text, &error);
                    unknownCells.cell(j, known);
                    if (!known) {
                        text.clear();
                    }
                    break;
                }
                case StatCellName::Kind::Statistic: {
                    float value = 0;
                    const bool known = statCellValue(s, key, &value, &error);
                    unknownCells.cell(j, known);
                    if (!known) {
                        text.clear();
                    } else {
                        text = FormatStatValue(s, key, fmt, c.ui);
                    }
                    break;
                }
                }
                if (cell.kind == StatCellName::Kind::EndOfRow) {
                    break;
                }
                if (file.table.IsTable) {
                    cells.push_back(statTableCell(text, key, isText));
                } else {
                    appendCell(row, text, col.width, j == 0);
                }
            }
            row += "\r\n";
            appendOrFail(c, file.table, file.path, row, cells, buffer);
        }
        std::vector<std::string> unknown = unknownCells.names(file.cols);
        if (c.rows != nullptr) {
            c.rows->unknown[i] = std::move(unknown);
        } else {
            reportUnknown(c, file, unknown);
        }
    }
}

void writeStreetRows(RunContext &c, StreetRows &rows) {
    for (std::size_t i = 0; i < c.outputs.size() && i < rows.hourly.size(); ++i) {
        OutputFile &file = c.outputs[i];
        if (file.table.IsTable) {
            for (const std::vector<Cell> &cells : rows.hourly[i].cells) {
                appendCells(c, file.table, file.path, cells);
            }
        } else {
            writeText(c, file.table, file.path, rows.hourly[i].text);
        }
    }
    for (std::size_t i = 0; i < c.stats.size() && i < rows.statistics.size(); ++i) {
        StatFile &file = c.stats[i];
        c.err.FilePath = file.path;
        c.err.FileIndex = file.k;
        if (file.table.IsTable) {
            for (const std::vector<Cell> &cells : rows.statistics[i].cells) {
                appendCells(c, file.table, file.path, cells);
            }
        } else {
            writeText(c, file.table, file.path, rows.statistics[i].text);
        }
        reportUnknown(c, file, rows.unknown[i]);
    }
    if (rows.street && c.files.streetStore) {
        keepStreetResults(c, std::move(*rows.street));
    }
}

} // namespace vesk::run
