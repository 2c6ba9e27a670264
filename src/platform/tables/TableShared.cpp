// Small routines the table back-ends share: cell names and sheet contents,
// spreadsheet serial dates as text, the readers' messages and the writing of
// a table file.

#include "core/Calendar.h"
#include "core/StagedFile.h"
#include "core/TextIO.h"
#include "platform/tables/TableBackends.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

namespace vesk {

namespace tables {

std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string cellName(std::size_t col, std::size_t row) {
    std::string letters;
    for (std::size_t c = col + 1; c > 0; c = (c - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    }
    return letters + std::to_string(row + 1);
}

TableData tableFromSheet(const Sheet &sheet) {
    TableData t;
    std::size_t width = sheet.rows.empty() ? 0 : sheet.rows.front().size();
    while (width > 0 && isNull(sheet.rows.front()[width - 1])) {
        --width;
    }
    for (std::size_t c = 0; c < width; ++c) {
        const auto &cell = sheet.rows.front()[c];
        std::string name;
        if (auto *s = std::get_if<std::string>(&cell)) {
            name = *s;
        } else if (auto *d = std::get_if<double>(&cell)) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.15g", *d);
            name = buf;
        }
        if (name.empty()) {
            name = "F" + std::to_string(c + 1);
        }
        t.fields.push_back(name);
    }
    std::size_t last = 0;
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        const auto &row = sheet.rows[r];
        for (std::size_t c = 0; c < std::min(width, row.size()); ++c) {
            if (!isNull(row[c])) {
                last = r;
                break;
            }
        }
    }
    for (std::size_t r = 1; r <= last; ++r) {
        std::vector<Cell> row(sheet.rows[r].begin(),
                              sheet.rows[r].begin() + std::min(width, sheet.rows[r].size()));
        row.resize(width);
        t.rows.push_back(std::move(row));
    }
    return t;
}

std::string sheetSerialText(double serial, bool date1904) {
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466) {
        return {};
    }
    double whole = std::floor(serial);
    long long seconds = std::llround((serial - whole) * 86400.0);
    auto days = static_cast<long>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    char buf[40];
    const int h = static_cast<int>(seconds / 3600), m = static_cast<int>(seconds / 60 % 60),
              sec = static_cast<int>(seconds % 60);
    if (days == 0) {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, m, sec);
        return buf;
    }
    int year = 1900, month = 2, day = 29; // the day the 1900 calendar of spreadsheets invented
    if (date1904 || days != 60) {
        // Days from 1899-12-30 (from 1899-12-31 before the invented day).
        const long ole = date1904 ? days + 1462 : days < 60 ? days + 1 : days;
        const CivilDate d = civilFromDays(ole - kSerialDayOf1970);
        year = d.year;
        month = d.month;
        day = d.day;
    }
    if (seconds == 0) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    } else {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, h, m, sec);
    }
    return buf;
}

void nameReadFile(std::string *text, const std::string &path, const std::string &file) {
    if (text == nullptr || path.empty()) {
        return;
    }
    for (std::size_t at = text->find(path); at != std::string::npos;) {
        const std::size_t end = at + path.size();
        // Not the start of another descriptor's path ("/proc/4711/fd/91").
        if (end < text->size() && std::isdigit(static_cast<unsigned char>((*text)[end]))) {
            at = text->find(path, end);
            continue;
        }
        text->replace(at, path.size(), file);
        at = text->find(path, at + file.size());
    }
}

bool saveFile(const std::string &file, const std::string &bytes, std::string *error, StagedFile *staged) {
    if (staged == nullptr) {
        return writeFileAtomically(file, bytes, error);
    }
    // Begun already (a workbook's file, before the first hour), or now.
    if (!staged->isOpen() && !staged->open(file, error)) {
        return false;
    }
    staged->write(bytes); // a failed write is reported by prepare()
    return staged->prepare(error);
}

} // namespace tables

} // namespace vesk
