// One row per hour in every hourly output file, and the rows of the
// statistics files at the end of a street.

#include "calc/Format.h"
#include "calc/StatCells.h"
#include "calc/StatFormat.h"
#include "core/StatVarNames.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "run/RunContext.h"
#include "run/StreetRun.h"

#include <algorithm>

namespace vesk::run {

namespace {

std::string withoutQuotes(std::string_view s) {
    std::string out;
    for (char ch : s) {
        if (ch != '"') {
            out += ch;
        }
    }
    return out;
}

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

struct CellText {
    std::string text;
    bool isText = false;
};

CellText outputCell(RunContext &c, const OutputFile &file, const OutColumn &col, std::size_t j) {
    State &s = c.s;
    const HourItems &h = c.items;
    const std::string fmt = withoutQuotes(col.format);
    const int p = col.pol;
    auto single = [&](float v) { return CellText{Format(v, fmt), false}; };
    auto whole = [&](long v) { return CellText{Format(v, fmt), false}; };
    auto text = [&](const std::string &t) { return CellText{Format(std::string_view(t), fmt), true}; };
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
        return text(dateTimeText(s.SegTimeIn));
    case OutKey::SegTimeOut:
        return text(dateTimeText(s.SegTimeOut));
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
        return text(removeDotPrefixes(s.TrafficFile));
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
        return CellText{" ", true};
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
        throw RunError(kErrPathFileAccess, "Cannot write to " + path);
    }
}

// A row of a file: written at once, or kept in the street's buffer of it.
void appendOrFail(RunContext &c, OutputTable &table, const std::string &path, std::string &row,
                  std::vector<Cell> &cells, RowBuffer *buffer) {
    if (buffer != nullptr) {
        if (table.IsTable) {
            buffer->cells.push_back(cells);
        } else {
            buffer->text += row;
            buffer->text += "\r\n";
        }
    } else if (table.IsTable) {
        appendCells(c, table, path, cells);
    } else if (!table.writeLine(row)) {
        c.err.FilePath = path;
        throw RunError(kErrPathFileAccess, "Cannot write to " + path);
    }
}

// The names of a statistics file that could not be resolved: one message
// per file naming each name once per run; the cells stay empty.
void reportUnknown(RunContext &c, const StatFile &file, const std::vector<std::string> &unknown) {
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

std::string dayText(const DailyAverage &day) {
    return isoDate(static_cast<int>(day.Dates.year()),
                   static_cast<int>(static_cast<unsigned>(day.Dates.month())),
                   static_cast<int>(static_cast<unsigned>(day.Dates.day())));
}

} // namespace

void writeOutputRows(RunContext &c) {
    std::string &row = c.rowText;
    std::vector<Cell> cells;
    for (std::size_t i = 0; i < c.outputs.size(); ++i) {
        OutputFile &file = c.outputs[i];
        row.clear();
        cells.clear();
        for (std::size_t j = 0; j < file.cols.size(); ++j) {
            const OutColumn &col = file.cols[j];
            const CellText cell = outputCell(c, file, col, j);
            if (file.table.IsTable) {
                cells.push_back(hourlyTableCell(cell.text, cell.isText));
            } else {
                appendCell(row, cell.text, col.width, j == 0);
            }
        }
        appendOrFail(c, file.table, file.path, row, cells, c.rows != nullptr ? &c.rows->hourly[i] : nullptr);
    }
}

void writeStatFiles(RunContext &c) {
    State &s = c.s;
    const StreetCellValues street{s.StreetX, s.StreetY, s.DailyTrafficCalc, s.TravelSpeedCalc};
    for (std::size_t i = 0; i < c.stats.size(); ++i) {
        StatFile &file = c.stats[i];
        RowBuffer *buffer = c.rows != nullptr ? &c.rows->statistics[i] : nullptr;
        c.err.FilePath = file.path;
        c.err.FileIndex = file.k;
        std::vector<std::string> unknown;
        const std::size_t rows = file.dailyav ? s.DailyAverageList.size() : file.rowKeys.size();
        for (std::size_t r = 0; r < rows; ++r) {
            std::string row;
            std::vector<Cell> cells;
            const std::string rowKey = file.dailyav ? std::string() : file.rowKeys[r];
            for (std::size_t j = 0; j < file.cols.size(); ++j) {
                const OutColumn &col = file.cols[j];
                const std::string fmt = withoutQuotes(col.format);
                std::string text;
                std::string key = col.name;
                bool isText = false;
                if (!col.name.empty() && col.name.front() == '"') {
                    std::string label = file.dailyav        ? dayText(s.DailyAverageList.at(r))
                                        : s.MultiStreetMode ? s.StreetName
                                                            : rowKey;
                    text = Format(std::string_view(label), fmt);
                    isText = true;
                } else if (file.dailyav) {
                    std::string error;
                    key = toLower(col.name);
                    if (!FormatDailyValue(s, static_cast<int>(r + 1), key, fmt, col.pol, &text, &error)) {
                        unknown.push_back(col.name);
                        text.clear();
                    }
                } else if (s.MultiStreetMode) {
                    std::string error;
                    if (!FormatStreetValue(s, street, key, fmt, &text, &error)) {
                        unknown.push_back(col.name);
                        text.clear();
                    }
                } else if (!rowKey.empty() && rowKey.front() == '"') {
                    if (j > 0) {
                        break; // a title row keeps only its first column
                    }
                    // A title names no statistic: its cell under a statistic stays empty.
                } else {
                    key = toLower(NormalizeVarName(s, rowKey, col.name));
                    float value = 0;
                    std::string error;
                    if (!statCellValue(s, key, &value, &error)) {
                        unknown.push_back(col.name);
                        text.clear();
                    } else {
                        text = FormatStatValue(s, key, fmt, c.ui);
                    }
                }
                if (file.table.IsTable) {
                    cells.push_back(statTableCell(text, key, isText));
                } else {
                    appendCell(row, text, col.width, j == 0);
                }
            }
            appendOrFail(c, file.table, file.path, row, cells, buffer);
        }
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
