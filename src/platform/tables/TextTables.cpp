// Plain text tables: the first line holds the field names, each further line
// one row; items are split by the list-line rule. Written with ";" between
// items and CR LF line ends; a Null cell is written empty.

#include "platform/tables/TableBackends.h"

#include "core/ListLine.h"
#include "core/TextIO.h"

#include <charconv>
#include <cstdio>

namespace vesk::tables {

namespace {

Cell cellOf(const std::string &item) {
    if (item.size() >= 2 && item.front() == '"' && item.back() == '"') {
        return item.substr(1, item.size() - 2);
    }
    if (item.empty() || item == " ") {
        return std::monostate{};
    }
    std::string t = item;
    for (auto &ch : t) {
        if (ch == ',') {
            ch = '.';
        }
    }
    double v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec == std::errc() && p == t.data() + t.size()) {
        return v;
    }
    return item;
}

} // namespace

bool textReadTable(const std::string &file, TableData *data, std::string *error) {
    std::string text;
    if (!readTextFile(file, &text, error)) {
        return false;
    }
    bool first = true;
    for (const auto &line : splitLines(text)) {
        auto items = ReadListLine(line, ".");
        if (first) {
            for (auto &item : items) {
                auto c = cellOf(item);
                auto *s = std::get_if<std::string>(&c);
                data->fields.push_back(s ? *s : item);
            }
            first = false;
            continue;
        }
        if (items.empty()) {
            continue;
        }
        std::vector<Cell> row;
        for (std::size_t i = 0; i < data->fields.size(); ++i) {
            row.push_back(i < items.size() ? cellOf(items[i]) : Cell{});
        }
        data->rows.push_back(std::move(row));
    }
    return true;
}

bool textWriteTable(const std::string &file, const std::vector<TableColumn> &columns,
                    const std::vector<std::vector<Cell>> &rows, std::string *error, StagedFile *staged) {
    std::string out;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        out += (i ? ";" : "") + columns[i].name;
    }
    out += "\r\n";
    for (const auto &row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i) {
                out += ';';
            }
            if (auto *d = std::get_if<double>(&row[i])) {
                char buf[32];
                auto [p, ec] = std::to_chars(buf, buf + sizeof buf, *d);
                out.append(buf, p);
            } else if (auto *s = std::get_if<std::string>(&row[i])) {
                out += *s;
            }
        }
        out += "\r\n";
    }
    return saveFile(file, out, error, staged);
}

} // namespace vesk::tables
