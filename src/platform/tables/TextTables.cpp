// Plain text tables: the first line holds the field names, each further line
// one row; items are split by the list-line rule. Written with ";" between
// items and CR LF line ends; a Null cell is written empty.

#include "platform/tables/TableBackends.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vesk::tables {

namespace {

void setError(std::string *error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
}

// Splits a line at ";", ",", tabs and blanks, keeping quoted text together.
std::vector<std::string> splitItems(const std::string &line) {
    std::vector<std::string> items;
    std::string cur;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            quoted = !quoted;
            any = true;
            continue;
        }
        if (!quoted && (c == ';' || c == ',' || c == '\t' || c == ' ')) {
            if (any || c != ' ') {
                items.push_back(cur);
            }
            cur.clear();
            any = false;
            // Blanks around a separator belong to it.
            while (i + 1 < line.size() && line[i + 1] == ' ') {
                ++i;
            }
            if (c == ' ' && i + 1 < line.size() &&
                (line[i + 1] == ';' || line[i + 1] == ',' || line[i + 1] == '\t')) {
                ++i;
                while (i + 1 < line.size() && line[i + 1] == ' ') {
                    ++i;
                }
            }
            continue;
        }
        cur.push_back(c);
        any = true;
    }
    if (any) {
        items.push_back(cur);
    }
    return items;
}

Cell cellOf(const std::string &item) {
    if (item.empty()) {
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
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        setError(error, "The file " + file + " was not found.");
        return false;
    }
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first && line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            line.erase(0, 3);
        }
        auto items = splitItems(line);
        if (first) {
            data->fields = items;
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
                    const std::vector<std::vector<Cell>> &rows, std::string *error) {
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
    return saveFile(file, out, error);
}

} // namespace vesk::tables
