// Our BIFF8 writer: a workbook with one worksheet per sheet holding numbers
// (NUMBER records) and texts (shared strings), wrapped in a compound file of
// 512-byte sectors. Null cells are left out. Files it writes are read back by
// FreeXL in the tests.

#include "core/TextIO.h"
#include "platform/tables/TableBackends.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

namespace vesk::tables {

namespace {

constexpr std::size_t kMaxRecord = 8224;
constexpr std::size_t kMaxTextBytes = 8000;
constexpr const char *kWriterName = "WinVESK";

void put16(std::string &b, std::uint16_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
}

void put32(std::string &b, std::uint32_t v) {
    put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}

void putDouble(std::string &b, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(b, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
    put32(b, static_cast<std::uint32_t>(bits >> 32));
}

void record(std::string &out, std::uint16_t type, const std::string &data) {
    put16(out, type);
    put16(out, static_cast<std::uint16_t>(data.size()));
    out += data;
}

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

std::u16string limited(const std::string &text) {
    auto u = utf16(text);
    if (u.size() * 2 > kMaxTextBytes) {
        u.resize(kMaxTextBytes / 2);
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

std::string worksheet(const Sheet &sheet, bool selected, std::unordered_map<std::string, std::uint32_t> &sst,
                      std::vector<std::string> &strings, std::uint32_t &stringUses) {
    std::string out;
    record(out, 0x0809, bof(0x0010));
    std::size_t cols = 0;
    for (const auto &row : sheet.rows) {
        cols = std::max(cols, row.size());
    }
    std::string dim;
    put32(dim, 0);
    put32(dim, static_cast<std::uint32_t>(sheet.rows.size()));
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

// The shared-string table, continued in CONTINUE records; a string is never
// split.
std::string sharedStrings(const std::vector<std::string> &strings, std::uint32_t uses) {
    std::string out;
    std::string current;
    put32(current, uses);
    put32(current, static_cast<std::uint32_t>(strings.size()));
    std::uint16_t type = 0x00FC;
    for (const auto &s : strings) {
        auto u = limited(s);
        std::string item;
        put16(item, static_cast<std::uint16_t>(u.size()));
        item += unicodeChars(u);
        if (current.size() + item.size() > kMaxRecord) {
            record(out, type, current);
            current.clear();
            type = 0x003C;
        }
        current += item;
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

std::string compoundFile(const std::string &stream) {
    constexpr std::uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFat = 0xFFFFFFFD, kDif = 0xFFFFFFFC;
    constexpr std::size_t kSector = 512;
    const bool mini = stream.size() < 4096;
    std::vector<std::uint32_t> fat; // chains of the data sectors
    std::string data;               // the data sectors, in order
    auto addChain = [&](const std::string &bytes) {
        auto start = static_cast<std::uint32_t>(fat.size());
        std::size_t n = (bytes.size() + kSector - 1) / kSector;
        for (std::size_t i = 0; i < n; ++i) {
            fat.push_back(i + 1 < n ? start + static_cast<std::uint32_t>(i) + 1 : kEnd);
        }
        std::string padded = bytes;
        padded.resize(n * kSector, '\0');
        data += padded;
        return n ? start : kEnd;
    };

    std::uint32_t streamStart = kEnd, rootStart = kEnd, miniFatStart = kEnd, miniFatCount = 0;
    std::uint32_t rootSize = 0;
    if (mini) {
        std::size_t miniSectors = (stream.size() + 63) / 64;
        std::string container = stream;
        container.resize(miniSectors * 64, '\0');
        rootSize = static_cast<std::uint32_t>(container.size());
        rootStart = addChain(container);
        std::string minifat;
        for (std::size_t i = 0; i < miniSectors; ++i) {
            put32(minifat, i + 1 < miniSectors ? static_cast<std::uint32_t>(i + 1) : kEnd);
        }
        while (minifat.size() % kSector) {
            put32(minifat, kFree);
        }
        miniFatCount = static_cast<std::uint32_t>(minifat.size() / kSector);
        miniFatStart = addChain(minifat);
        streamStart = stream.empty() ? kEnd : 0;
    } else {
        streamStart = addChain(stream);
    }

    auto entry = [](const std::u16string &name, std::uint8_t type, std::uint32_t child, std::uint32_t start,
                    std::uint32_t size) {
        std::string e;
        for (std::size_t i = 0; i < 32; ++i) {
            put16(e, i < name.size() ? name[i] : 0);
        }
        put16(e, name.empty() ? 0 : static_cast<std::uint16_t>((name.size() + 1) * 2));
        e.push_back(static_cast<char>(type));
        e.push_back(1);
        put32(e, 0xFFFFFFFF);
        put32(e, 0xFFFFFFFF);
        put32(e, child);
        e.append(16 + 4 + 16, '\0');
        put32(e, start);
        put32(e, size);
        put32(e, 0);
        return e;
    };
    std::string dir = entry(u"Root Entry", 5, 1, rootStart, rootSize);
    dir += entry(u"Workbook", 2, 0xFFFFFFFF, streamStart, static_cast<std::uint32_t>(stream.size()));
    dir += entry(u"", 0, 0xFFFFFFFF, 0, 0);
    dir += entry(u"", 0, 0xFFFFFFFF, 0, 0);
    // Empty entries have no colour.
    dir[2 * 128 + 67] = 0;
    dir[3 * 128 + 67] = 0;
    std::uint32_t dirStart = addChain(dir);

    // FAT sectors (and DIFAT sectors beyond 109 of them) follow the data.
    std::size_t nData = fat.size();
    std::size_t nFat = 1, nDif = 0;
    while (true) {
        nDif = nFat > 109 ? (nFat - 109 + 126) / 127 : 0;
        if ((nData + nFat + nDif) <= nFat * 128) {
            break;
        }
        ++nFat;
    }
    std::vector<std::uint32_t> fatSectors, difSectors;
    for (std::size_t i = 0; i < nFat; ++i) {
        fatSectors.push_back(static_cast<std::uint32_t>(nData + i));
        fat.push_back(kFat);
    }
    for (std::size_t i = 0; i < nDif; ++i) {
        difSectors.push_back(static_cast<std::uint32_t>(nData + nFat + i));
        fat.push_back(kDif);
    }
    fat.resize(nFat * 128, kFree);

    std::string header;
    header += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(16, '\0');
    put16(header, 0x003E);
    put16(header, 0x0003);
    put16(header, 0xFFFE);
    put16(header, 9);
    put16(header, 6);
    header.append(6, '\0');
    put32(header, 0);
    put32(header, static_cast<std::uint32_t>(nFat));
    put32(header, dirStart);
    put32(header, 0);
    put32(header, 4096);
    put32(header, miniFatStart);
    put32(header, miniFatCount);
    put32(header, nDif ? difSectors.front() : kEnd);
    put32(header, static_cast<std::uint32_t>(nDif));
    for (std::size_t i = 0; i < 109; ++i) {
        put32(header, i < nFat ? fatSectors[i] : kFree);
    }

    std::string out = header + data;
    for (auto v : fat) {
        put32(out, v);
    }
    for (std::size_t d = 0; d < nDif; ++d) {
        std::string sec;
        for (std::size_t i = 0; i < 127; ++i) {
            std::size_t k = 109 + d * 127 + i;
            put32(sec, k < nFat ? fatSectors[k] : kFree);
        }
        put32(sec, d + 1 < nDif ? difSectors[d + 1] : kEnd);
        out += sec;
    }
    return out;
}

} // namespace vesk::tables
