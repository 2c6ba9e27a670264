// Our BIFF8 writer: a workbook with one worksheet per sheet holding numbers
// (NUMBER records) and texts (shared strings), wrapped in a compound file
// (CompoundFile.cpp). Null cells and empty texts are left out. Files it
// writes are read back by FreeXL in the tests.

#include "core/TextIO.h"
#include "platform/tables/TableBackends.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

namespace vesk::tables {

namespace {

constexpr std::size_t kMaxRecord = 8224;
// A text stands in the shared-string table in at most two records: FreeXL
// (and so our reading) loses the end of a text that goes on into a third.
constexpr std::size_t kMaxWideChars = (kMaxRecord - 3) / 2 + (kMaxRecord - 1) / 2; // 8,221
constexpr std::size_t kMaxLatin1Chars = (kMaxRecord - 3) + (kMaxRecord - 1);       // 16,444
constexpr const char *kWriterName = "WinVESK";

// UTF-8 to UTF-16 code units; invalid bytes are taken as Windows-1252
// characters so that nothing is dropped.
std::u16string utf16(const std::string &s) {
    std::u16string out;
    for (char32_t cp : utf8CodePoints(s)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// Characters of an XLUnicodeString after its length: the option byte, then
// one byte per character when all fit, else two.
std::string unicodeChars(const std::u16string &s) {
    bool wide = false;
    for (auto c : s) {
        wide = wide || c > 0xFF;
    }
    std::string b;
    b.push_back(wide ? 1 : 0);
    for (auto c : s) {
        if (wide) {
            put16(b, c);
        } else {
            b.push_back(static_cast<char>(c));
        }
    }
    return b;
}

bool latin1(const std::u16string &u) {
    return std::all_of(u.begin(), u.end(), [](char16_t c) { return c <= 0xFF; });
}

// A text as written: at most the characters two records hold (appending
// refuses a longer one, see excelTextFits).
std::u16string limited(const std::string &text) {
    auto u = utf16(text);
    const std::size_t most = latin1(u) ? kMaxLatin1Chars : kMaxWideChars;
    if (u.size() > most) {
        u.resize(most);
    }
    return u;
}

std::string bof(std::uint16_t kind) {
    std::string d;
    put16(d, 0x0600);
    put16(d, kind);
    put16(d, 0x0DBB);
    put16(d, 0x07CC);
    put32(d, 0);
    put32(d, 6);
    return d;
}

// Whether a cell is written: Null and the empty text are not (FreeXL cannot
// read a workbook whose shared-text table holds an empty text).
bool written(const Cell &cell) {
    const auto *text = std::get_if<std::string>(&cell);
    return !isNull(cell) && (text == nullptr || !text->empty());
}

std::string worksheet(const Sheet &sheet, bool selected, std::unordered_map<std::string, std::uint32_t> &sst,
                      std::vector<std::string> &strings, std::uint32_t &stringUses) {
    std::string out;
    record(out, 0x0809, bof(0x0010));
    // The declared size covers exactly the cells written: readers take
    // rows missing before it for damage.
    std::size_t rows = 0, cols = 0;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            if (written(sheet.rows[r][c])) {
                rows = r + 1;
                cols = std::max(cols, c + 1);
            }
        }
    }
    std::string dim;
    put32(dim, 0);
    put32(dim, static_cast<std::uint32_t>(rows));
    put16(dim, 0);
    put16(dim, static_cast<std::uint16_t>(cols));
    put16(dim, 0);
    record(out, 0x0200, dim);
    std::string win;
    put16(win, selected ? 0x06B6 : 0x00B6);
    put16(win, 0);
    put16(win, 0);
    put32(win, 0x40);
    put16(win, 0);
    put16(win, 0);
    put32(win, 0);
    record(out, 0x023E, win);
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            const auto &cell = sheet.rows[r][c];
            if (!written(cell)) {
                continue;
            }
            std::string d;
            put16(d, static_cast<std::uint16_t>(r));
            put16(d, static_cast<std::uint16_t>(c));
            put16(d, 15); // the default cell format
            if (auto *v = std::get_if<double>(&cell)) {
                putDouble(d, *v);
                record(out, 0x0203, d);
            } else if (auto *s = std::get_if<std::string>(&cell)) {
                auto [it, added] = sst.try_emplace(*s, static_cast<std::uint32_t>(strings.size()));
                if (added) {
                    strings.push_back(*s);
                }
                ++stringUses;
                put32(d, it->second);
                record(out, 0x00FD, d);
            }
        }
    }
    record(out, 0x000A, {});
    return out;
}

// The shared-string table, continued in CONTINUE records. A string longer
// than the room left in a record goes on in the next one, which begins with
// the string's option byte again; its length and option byte always stand in
// one record with at least its first character, and a string that would go
// on into a third record begins in a record of its own.
std::string sharedStrings(const std::vector<std::string> &strings, std::uint32_t uses) {
    std::string out;
    std::string current;
    put32(current, uses);
    put32(current, static_cast<std::uint32_t>(strings.size()));
    std::uint16_t type = 0x00FC;
    auto next = [&] {
        record(out, type, current);
        current.clear();
        type = 0x003C;
    };
    for (const auto &s : strings) {
        const std::u16string u = limited(s);
        const std::string chars = unicodeChars(u); // the option byte, then the characters
        const std::size_t unit = chars[0] != 0 ? 2 : 1;
        const std::size_t room = kMaxRecord - std::min(kMaxRecord, current.size());
        if (room < 3 + unit || u.size() > (room - 3) / unit + (kMaxRecord - 1) / unit) {
            next();
        }
        put16(current, static_cast<std::uint16_t>(u.size()));
        current.push_back(chars[0]);
        for (std::size_t at = 1; at < chars.size();) {
            if (current.size() + unit > kMaxRecord) {
                next();
                current.push_back(chars[0]);
            }
            const std::size_t take = std::min((kMaxRecord - current.size()) / unit * unit, chars.size() - at);
            current.append(chars, at, take);
            at += take;
        }
    }
    record(out, type, current);
    return out;
}

// The user name of the WRITEACCESS record marks the workbooks we wrote.
std::string writeAccess() {
    std::string d;
    put16(d, static_cast<std::uint16_t>(std::string(kWriterName).size()));
    d.push_back(0);
    d += kWriterName;
    d.resize(112, ' ');
    return d;
}

} // namespace

bool excelTextFits(const std::string &text) {
    if (text.size() <= kMaxWideChars) {
        return true; // never more UTF-16 units than UTF-8 bytes
    }
    const std::u16string u = utf16(text);
    return u.size() <= (latin1(u) ? kMaxLatin1Chars : kMaxWideChars);
}

bool excelWrittenByUs(const std::string &fileBytes) {
    std::string marker("\x5C\x00\x70\x00", 4);
    marker += writeAccess().substr(0, 3 + std::string(kWriterName).size());
    return fileBytes.find(marker) != std::string::npos;
}

std::string biff8Workbook(const std::vector<Sheet> &sheets) {
    std::unordered_map<std::string, std::uint32_t> sst;
    std::vector<std::string> strings;
    std::uint32_t uses = 0;
    std::vector<std::string> bodies;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        bodies.push_back(worksheet(sheets[i], i == 0, sst, strings, uses));
    }

    std::string head;
    record(head, 0x0809, bof(0x0005));
    record(head, 0x005C, writeAccess());
    std::string cp;
    put16(cp, 1200);
    record(head, 0x0042, cp);
    std::string w1;
    put16(w1, 0);
    put16(w1, 0);
    put16(w1, 0x4000);
    put16(w1, 0x2000);
    put16(w1, 0x0038);
    put16(w1, 0);
    put16(w1, 0);
    put16(w1, 1);
    put16(w1, 0x0258);
    record(head, 0x003D, w1);
    for (int f = 0; f < 4; ++f) {
        std::string font;
        put16(font, 200);
        put16(font, 0);
        put16(font, 0x7FFF);
        put16(font, 400);
        put16(font, 0);
        font.push_back(0);
        font.push_back(0);
        font.push_back(0);
        font.push_back(0);
        font.push_back(5);
        font += unicodeChars(u"Arial");
        record(head, 0x0031, font);
    }
    static const unsigned char styleXf[20] = {0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0,    0xF4,
                                              0, 0, 0, 0, 0,    0,    0,    0, 0xC0, 0x20};
    static const unsigned char cellXf[20] = {0, 0, 0, 0, 0x01, 0x00, 0x20, 0, 0,    0,
                                             0, 0, 0, 0, 0,    0,    0,    0, 0xC0, 0x20};
    for (int x = 0; x < 15; ++x) {
        record(head, 0x00E0, std::string(reinterpret_cast<const char *>(styleXf), 20));
    }
    record(head, 0x00E0, std::string(reinterpret_cast<const char *>(cellXf), 20));
    std::string style;
    put16(style, 0x8000);
    style.push_back(0);
    style.push_back(static_cast<char>(0xFF));
    record(head, 0x0293, style);

    std::vector<std::string> boundNames;
    std::size_t boundSize = 0;
    for (const auto &s : sheets) {
        auto u = utf16(s.name);
        if (u.size() > 31) {
            u.resize(31);
        }
        std::string d;
        d.push_back(static_cast<char>(u.size()));
        d += unicodeChars(u);
        boundNames.push_back(d);
        boundSize += 4 + 6 + d.size();
    }
    std::string tail = sharedStrings(strings, uses);
    record(tail, 0x000A, {});

    std::uint32_t offset = static_cast<std::uint32_t>(head.size() + boundSize + tail.size());
    std::string out = head;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        std::string d;
        put32(d, offset);
        put16(d, 0);
        d += boundNames[i];
        record(out, 0x0085, d);
        offset += static_cast<std::uint32_t>(bodies[i].size());
    }
    out += tail;
    for (const auto &b : bodies) {
        out += b;
    }
    return out;
}

} // namespace vesk::tables
