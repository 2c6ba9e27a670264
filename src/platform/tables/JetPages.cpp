// The Jet 4 page structures our writer builds and edits (see JetFormat.h).

#include "platform/tables/JetFormat.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace vesk::tables::jet {

namespace {

constexpr std::size_t kDataHeader = 14;     // type, 1, free space, definition page, 4 unknown, row count
constexpr std::size_t kLeafEntries = 0x1E0; // where the entries of an index page begin
constexpr std::size_t kLeafMask = 0x1B;     // where the mask of entry starts begins
constexpr std::uint32_t kHeaderKey = 0x6B39DAC7;
constexpr std::size_t kHeaderStart = 0x18, kHeaderLength = 128;

// The header of the database page is scrambled with RC4 under a fixed key.
void rc4(std::string &bytes, std::size_t from, std::size_t length, std::uint32_t key) {
    unsigned char k[4] = {static_cast<unsigned char>(key), static_cast<unsigned char>(key >> 8),
                          static_cast<unsigned char>(key >> 16), static_cast<unsigned char>(key >> 24)};
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) {
        s[i] = static_cast<unsigned char>(i);
    }
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + k[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    int i = 0, j = 0;
    for (std::size_t n = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        bytes[from + n] = static_cast<char>(bytes[from + n] ^ s[(s[i] + s[j]) & 0xFF]);
    }
}

void wrDouble(char *p, double v) {
    std::memcpy(p, &v, 8); // the machines we build for are little-endian, as the format is
}

} // namespace

std::uint16_t rd16(const char *p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1]) << 8);
}
std::uint32_t rd32(const char *p) {
    return rd16(p) | static_cast<std::uint32_t>(rd16(p + 2)) << 16;
}
void wr16(char *p, std::uint16_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>(v >> 8);
}
void wr32(char *p, std::uint32_t v) {
    wr16(p, static_cast<std::uint16_t>(v & 0xFFFF));
    wr16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

std::string utf16(const std::string &utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = c;
        std::size_t n = 1;
        if (c >= 0xF0 && i + 3 < utf8.size()) {
            cp = (c & 0x07u) << 18 | (utf8[i + 1] & 0x3Fu) << 12 | (utf8[i + 2] & 0x3Fu) << 6 | (utf8[i + 3] & 0x3Fu);
            n = 4;
        } else if (c >= 0xE0 && i + 2 < utf8.size()) {
            cp = (c & 0x0Fu) << 12 | (utf8[i + 1] & 0x3Fu) << 6 | (utf8[i + 2] & 0x3Fu);
            n = 3;
        } else if (c >= 0xC0 && i + 1 < utf8.size()) {
            cp = (c & 0x1Fu) << 6 | (utf8[i + 1] & 0x3Fu);
            n = 2;
        } else if (c >= 0x80) {
            cp = 0xFFFD;
        }
        i += n;
        auto unit = [&](std::uint32_t u) {
            out.push_back(static_cast<char>(u & 0xFF));
            out.push_back(static_cast<char>(u >> 8));
        };
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(0xD800 | (cp >> 10));
            unit(0xDC00 | (cp & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

std::string fromUtf16(const std::string &bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp = rd16(bytes.data() + i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = rd16(bytes.data() + i + 2);
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::string jetText(const std::string &bytes) {
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE) {
        return fromUtf16(bytes);
    }
    // Compressed: single bytes for characters below 256; a zero byte switches
    // between single bytes and two-byte characters.
    std::string units;
    bool compressed = true;
    for (std::size_t i = 2; i < bytes.size();) {
        if (bytes[i] == '\0') {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            units.push_back(bytes[i++]);
            units.push_back('\0');
        } else if (i + 1 < bytes.size()) {
            units.append(bytes, i, 2);
            i += 2;
        } else {
            break;
        }
    }
    return fromUtf16(units);
}

double oleNow() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return 25569.0 + seconds / 86400.0; // 1970-01-01 is day 25,569 after 1899-12-30
}

std::string databasePage(double created) {
    std::string p(kPage, '\0');
    p[1] = 1;
    std::memcpy(p.data() + 4, "Standard Jet DB", 15);
    p[0x14] = 1; // Jet 4
    // The scrambled part as Access writes it: a fixed sequence, the code page
    // (1252), no database key (no encryption), an empty password masked with
    // the creation date, the sort order (General, 1033) and the creation date.
    static const unsigned char start[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00,
                                          0x00, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05};
    std::memcpy(p.data() + kHeaderStart, start, sizeof start);
    wr16(p.data() + 0x3C, 0x04E4);
    const auto mask = static_cast<std::uint32_t>(static_cast<std::int32_t>(created));
    for (std::size_t i = 0; i < 40; i += 4) {
        wr32(p.data() + 0x42 + i, mask);
    }
    wr32(p.data() + 0x6A, 0x11A6);
    wr32(p.data() + 0x6E, 0x0409);
    wrDouble(p.data() + 0x72, created);
    rc4(p, kHeaderStart, kHeaderLength, kHeaderKey);
    wr32(p.data() + 0x98, 0x0654);
    std::memcpy(p.data() + 0x9C, "4.0", 3);
    return p;
}

std::optional<std::string> databaseProblem(const std::string &bytes) {
    if (bytes.size() < 0x20 || bytes.compare(0, 4, std::string("\0\1\0\0", 4)) != 0) {
        return std::string("it is not an Access database");
    }
    if (bytes.compare(4, 15, "Standard ACE DB") == 0) {
        return std::string("it is an Access 2007 or later database (.accdb), which this program does not write");
    }
    if (bytes.compare(4, 15, "Standard Jet DB") != 0) {
        return std::string("it is not an Access database");
    }
    const std::uint32_t version = rd32(bytes.data() + 0x14);
    if (version == 0) {
        return std::string("it is a Jet 3 (Access 97) database, which this program reads but does not write; "
                           "convert it to Access 2000 or write the table to a new .mdb file");
    }
    if (version != 1) {
        return std::string("it is an Access 2007 or later database, which this program does not write");
    }
    if (bytes.size() % kPage != 0 || bytes.size() < 3 * kPage) {
        return std::string("it is damaged: its size is not a whole number of 4 KB pages");
    }
    std::string header = bytes.substr(0, 0x100);
    rc4(header, kHeaderStart, kHeaderLength, kHeaderKey);
    if (rd32(header.data() + 0x3E) != 0) {
        return std::string("it is encrypted, which this program does not write");
    }
    double created = 0;
    std::memcpy(&created, header.data() + 0x72, 8);
    char mask[4];
    wr32(mask, std::isfinite(created) && std::fabs(created) < 2e9
                   ? static_cast<std::uint32_t>(static_cast<std::int32_t>(created))
                   : 0);
    for (std::size_t i = 0; i < 40; ++i) {
        if ((header[0x42 + i] ^ mask[i % 4]) != 0) {
            return std::string("it is protected by a password, which this program does not write");
        }
    }
    if (bytes[kPage] != 0x01 || bytes[2 * kPage] != 0x02) {
        return std::string("it is damaged: its page usage map or its catalogue is not where a database keeps them");
    }
    return std::nullopt;
}

// --- rows ---------------------------------------------------------------

std::string encodeRow(const std::vector<Column> &columns, const std::vector<Value> &values) {
    std::size_t fixedSize = 0, varCount = 0;
    for (const auto &c : columns) {
        if (c.fixed()) {
            fixedSize = std::max<std::size_t>(fixedSize, c.fixedOffset + c.length);
        } else {
            varCount = std::max<std::size_t>(varCount, c.varIndex + 1u);
        }
    }
    const std::size_t n = columns.size();
    std::string row(2 + fixedSize, '\0');
    wr16(row.data(), static_cast<std::uint16_t>(n));
    std::string mask((n + 7) / 8, '\0');
    std::vector<const Column *> vars(varCount, nullptr);
    for (const auto &c : columns) {
        const Value &v = values[c.number];
        if (v) {
            mask[c.number / 8] = static_cast<char>(mask[c.number / 8] | 1 << (c.number % 8));
        }
        if (c.fixed()) {
            if (v) {
                std::memcpy(row.data() + 2 + c.fixedOffset, v->data(), std::min<std::size_t>(v->size(), c.length));
            }
        } else {
            vars[c.varIndex] = &c;
        }
    }
    if (varCount == 0) {
        return row + mask;
    }
    std::vector<std::uint16_t> offsets;
    for (const Column *c : vars) {
        offsets.push_back(static_cast<std::uint16_t>(row.size()));
        if (c && values[c->number]) {
            row += *values[c->number];
        }
    }
    std::string tail(2, '\0');
    wr16(tail.data(), static_cast<std::uint16_t>(row.size())); // the end of the variable data
    for (std::size_t i = varCount; i-- > 0;) {
        char b[2];
        wr16(b, offsets[i]);
        tail.append(b, 2);
    }
    char count[2];
    wr16(count, static_cast<std::uint16_t>(varCount));
    tail.append(count, 2);
    return row + tail + mask;
}

bool crackRow(const std::string &row, const std::vector<Column> &columns, std::vector<Value> *values) {
    std::size_t count = 0;
    for (const auto &c : columns) {
        count = std::max<std::size_t>(count, c.number + 1u);
    }
    values->assign(count, std::nullopt);
    if (row.size() < 2) {
        return false;
    }
    const std::size_t n = rd16(row.data());
    const std::size_t maskSize = (n + 7) / 8;
    if (row.size() < 2 + maskSize) {
        return false;
    }
    const char *mask = row.data() + row.size() - maskSize;
    bool anyVar = false;
    for (const auto &c : columns) {
        anyVar = anyVar || !c.fixed();
    }
    std::size_t varCount = 0, eod = 0;
    std::vector<std::size_t> offsets;
    if (anyVar) {
        if (row.size() < 4 + maskSize) {
            return false;
        }
        varCount = rd16(row.data() + row.size() - maskSize - 2);
        if (row.size() < 4 + maskSize + 2 * varCount + 2) {
            return false;
        }
        const std::size_t tableEnd = row.size() - maskSize - 2;
        for (std::size_t i = 0; i < varCount; ++i) {
            offsets.push_back(rd16(row.data() + tableEnd - 2 * (i + 1)));
        }
        eod = rd16(row.data() + tableEnd - 2 * (varCount + 1));
        if (eod > tableEnd - 2 * (varCount + 1)) {
            return false;
        }
    }
    for (const auto &c : columns) {
        if (c.number >= n || !(static_cast<unsigned char>(mask[c.number / 8]) >> (c.number % 8) & 1)) {
            continue; // Null (or a column added after the row was written)
        }
        if (c.fixed()) {
            if (2u + c.fixedOffset + c.length > row.size()) {
                return false;
            }
            (*values)[c.number] = row.substr(2 + c.fixedOffset, c.length);
        } else if (c.varIndex < varCount) {
            const std::size_t from = offsets[c.varIndex];
            const std::size_t to = c.varIndex + 1u < varCount ? offsets[c.varIndex + 1] : eod;
            if (from > to || to > eod) {
                return false;
            }
            (*values)[c.number] = row.substr(from, to - from);
        }
    }
    return true;
}

// --- data pages ---------------------------------------------------------

bool readDataPage(const char *page, std::uint32_t *tableDef, std::vector<PageRow> *rows) {
    rows->clear();
    if (page[0] != 0x01) {
        return false;
    }
    *tableDef = rd32(page + 4);
    const std::size_t n = rd16(page + 12);
    if (kDataHeader + 2 * n > kPage) {
        return false;
    }
    std::size_t end = kPage;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t entry = rd16(page + kDataHeader + 2 * i);
        const std::size_t start = entry & 0x1FFF;
        if (start < kDataHeader + 2 * n || start > end) {
            return false;
        }
        rows->push_back({static_cast<std::uint16_t>(entry & 0xC000), std::string(page + start, end - start)});
        end = start;
    }
    return true;
}

std::size_t dataPageRoom(const std::vector<PageRow> &rows) {
    std::size_t used = kDataHeader + 2 * rows.size();
    for (const auto &r : rows) {
        used += r.bytes.size();
    }
    return used > kPage ? 0 : kPage - used;
}

bool writeDataPage(char *page, std::uint32_t tableDef, const std::vector<PageRow> &rows) {
    std::size_t used = kDataHeader + 2 * rows.size();
    for (const auto &r : rows) {
        used += r.bytes.size();
    }
    if (used > kPage) {
        return false;
    }
    std::memset(page, 0, kPage);
    page[0] = 0x01;
    page[1] = 0x01;
    wr16(page + 2, static_cast<std::uint16_t>(kPage - used));
    wr32(page + 4, tableDef);
    wr16(page + 12, static_cast<std::uint16_t>(rows.size()));
    std::size_t end = kPage;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        end -= rows[i].bytes.size();
        std::memcpy(page + end, rows[i].bytes.data(), rows[i].bytes.size());
        wr16(page + kDataHeader + 2 * i, static_cast<std::uint16_t>(end | rows[i].flags));
    }
    return true;
}

bool rowAt(const File &file, std::uint32_t pointer, PageRow *out) {
    for (int hops = 0; hops < 2; ++hops) {
        const std::uint32_t page = pointer >> 8;
        const std::size_t row = pointer & 0xFF;
        std::vector<PageRow> rows;
        std::uint32_t def = 0;
        if (page >= file.pages() || !readDataPage(file.page(page), &def, &rows) || row >= rows.size()) {
            return false;
        }
        if (!(rows[row].flags & 0x4000)) {
            *out = rows[row];
            return true;
        }
        if (rows[row].bytes.size() < 4) {
            return false;
        }
        pointer = rd32(rows[row].bytes.data());
    }
    return false;
}

bool replaceRow(File &file, std::uint32_t pointer, const std::string &bytes, std::uint16_t flags) {
    const std::uint32_t page = pointer >> 8;
    std::vector<PageRow> rows;
    std::uint32_t def = 0;
    if (page >= file.pages() || !readDataPage(file.page(page), &def, &rows) || (pointer & 0xFF) >= rows.size()) {
        return false;
    }
    rows[pointer & 0xFF] = {flags, bytes};
    return writeDataPage(file.page(page), def, rows);
}

std::uint32_t addRow(File &file, std::uint32_t tableDef, const std::string &bytes, const std::set<std::uint32_t> &pages,
                     std::uint32_t *newPage) {
    for (std::uint32_t page : pages) {
        std::vector<PageRow> rows;
        std::uint32_t def = 0;
        if (page < file.pages() && readDataPage(file.page(page), &def, &rows) && def == tableDef &&
            rows.size() < 255 && dataPageRoom(rows) >= bytes.size() + 2) {
            rows.push_back({0, bytes});
            writeDataPage(file.page(page), def, rows);
            return page << 8 | static_cast<std::uint32_t>(rows.size() - 1);
        }
    }
    const std::uint32_t page = file.append();
    writeDataPage(file.page(page), tableDef, {{0, bytes}});
    if (newPage) {
        *newPage = page;
    }
    return page << 8;
}

void markDeleted(File &file, std::uint32_t pointer) {
    const std::uint32_t page = pointer >> 8;
    if (!pointer || page >= file.pages() || file.page(page)[0] != 0x01) {
        return;
    }
    char *p = file.page(page);
    const std::size_t row = pointer & 0xFF;
    if (row < rd16(p + 12)) {
        wr16(p + kDataHeader + 2 * row, static_cast<std::uint16_t>(rd16(p + kDataHeader + 2 * row) | 0x8000));
    }
}

// --- values -------------------------------------------------------------

std::string longBytes(std::uint32_t v) {
    std::string b(4, '\0');
    wr32(b.data(), v);
    return b;
}
std::string shortBytes(std::uint16_t v) {
    std::string b(2, '\0');
    wr16(b.data(), v);
    return b;
}
std::string doubleBytes(double v) {
    std::string b(8, '\0');
    wrDouble(b.data(), v);
    return b;
}

std::string textBytes(const std::string &utf8) {
    const std::string u = utf16(utf8);
    std::string c = "\xFF\xFE";
    for (std::size_t i = 0; i < u.size(); i += 2) {
        if (u[i + 1] != '\0' || u[i] == '\0') {
            return u;
        }
        c.push_back(u[i]);
    }
    return c;
}

// --- page usage maps ----------------------------------------------------

bool decodeMap(const File &file, const std::string &row, std::set<std::uint32_t> *pages) {
    pages->clear();
    if (row.empty()) {
        return false;
    }
    if (row[0] == 0x00) {
        if (row.size() < 5) {
            return false;
        }
        const std::uint32_t start = rd32(row.data() + 1);
        for (std::size_t i = 5; i < row.size(); ++i) {
            for (int b = 0; b < 8; ++b) {
                if (static_cast<unsigned char>(row[i]) >> b & 1) {
                    pages->insert(start + static_cast<std::uint32_t>((i - 5) * 8 + b));
                }
            }
        }
        return true;
    }
    if (row[0] != 0x01) {
        return false;
    }
    for (std::size_t i = 0; 1 + 4 * i + 4 <= row.size(); ++i) {
        const std::uint32_t mapPage = rd32(row.data() + 1 + 4 * i);
        if (mapPage == 0) {
            continue;
        }
        if (mapPage >= file.pages() || file.page(mapPage)[0] != 0x05) {
            return false;
        }
        const char *p = file.page(mapPage);
        for (std::size_t k = 4; k < kPage; ++k) {
            for (int b = 0; b < 8; ++b) {
                if (static_cast<unsigned char>(p[k]) >> b & 1) {
                    pages->insert(static_cast<std::uint32_t>(i * kPagesPerMapPage + (k - 4) * 8 + b));
                }
            }
        }
    }
    return true;
}

namespace {

// A map reaching further than one row holds: bitmaps on map pages of their own.
std::string mapOnPages(File &file, const std::set<std::uint32_t> &pages, std::size_t reach,
                       std::vector<std::uint32_t> *mapPages) {
    const std::size_t needed = (reach + kPagesPerMapPage - 1) / kPagesPerMapPage;
    while (mapPages->size() < needed) {
        mapPages->push_back(file.append());
    }
    std::string row(kMapRow, '\0');
    row[0] = 0x01;
    for (std::size_t i = 0; i < mapPages->size() && 1 + 4 * i + 4 <= kMapRow; ++i) {
        char *p = file.page((*mapPages)[i]);
        std::memset(p, 0, kPage);
        p[0] = 0x05;
        p[1] = 0x01;
        wr32(row.data() + 1 + 4 * i, (*mapPages)[i]);
    }
    for (std::uint32_t page : pages) {
        const std::size_t i = page / kPagesPerMapPage, bit = page % kPagesPerMapPage;
        char *p = file.page((*mapPages)[i]);
        p[4 + bit / 8] = static_cast<char>(p[4 + bit / 8] | 1 << (bit % 8));
    }
    return row;
}

} // namespace

std::string encodeMap(File &file, const std::set<std::uint32_t> &pages, std::vector<std::uint32_t> *mapPages) {
    std::string row(kMapRow, '\0');
    if (pages.empty()) {
        return row;
    }
    const std::uint32_t first = *pages.begin(), last = *pages.rbegin();
    if (last - first < (kMapRow - 5) * 8 && mapPages->empty()) {
        wr32(row.data() + 1, first);
        for (std::uint32_t page : pages) {
            const std::uint32_t bit = page - first;
            row[5 + bit / 8] = static_cast<char>(row[5 + bit / 8] | 1 << (bit % 8));
        }
        return row;
    }
    return mapOnPages(file, pages, last + 1, mapPages);
}

std::string encodeGlobalMap(File &file, const std::set<std::uint32_t> &free, std::vector<std::uint32_t> *mapPages) {
    constexpr std::size_t rowReach = (kMapRow - 5) * 8;
    if (file.pages() <= rowReach && mapPages->empty()) {
        std::string row(kMapRow, '\0');
        for (std::size_t page = 0; page < rowReach; ++page) {
            if (page >= file.pages() || free.count(static_cast<std::uint32_t>(page))) {
                row[5 + page / 8] = static_cast<char>(row[5 + page / 8] | 1 << (page % 8));
            }
        }
        return row;
    }
    // Map pages of their own, reaching past the end of the file; adding them
    // lengthens the file, so settle their number first.
    while (mapPages->size() * kPagesPerMapPage < file.pages() + 1) {
        mapPages->push_back(file.append());
    }
    std::string row = mapOnPages(file, free, file.pages(), mapPages);
    const std::size_t end = std::min<std::size_t>(mapPages->size(), (kMapRow - 1) / 4) * kPagesPerMapPage;
    for (std::size_t page = file.pages(); page < end; ++page) {
        char *p = file.page((*mapPages)[page / kPagesPerMapPage]);
        const std::size_t bit = page % kPagesPerMapPage;
        p[4 + bit / 8] = static_cast<char>(p[4 + bit / 8] | 1 << (bit % 8));
    }
    return row;
}

// --- indexes ------------------------------------------------------------

std::string keyOfLong(std::int32_t v) {
    std::string k(5, '\0');
    k[0] = 0x7F;
    const auto u = static_cast<std::uint32_t>(v) ^ 0x80000000u;
    for (int i = 0; i < 4; ++i) {
        k[1 + i] = static_cast<char>(u >> (24 - 8 * i));
    }
    return k;
}

std::optional<std::string> keyOfText(const std::string &utf8) {
    // The "General" order of Access 2000: letters without regard to case,
    // then digits below them. The codes of a, b, c ... are not evenly spaced:
    // they follow the sort weights of the letters.
    static const unsigned char letters[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                              0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                              0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
    std::string k(1, '\x7F');
    for (char ch : utf8) {
        if (ch >= 'a' && ch <= 'z') {
            k.push_back(static_cast<char>(letters[ch - 'a']));
        } else if (ch >= 'A' && ch <= 'Z') {
            k.push_back(static_cast<char>(letters[ch - 'A']));
        } else if (ch >= '0' && ch <= '9') {
            k.push_back(static_cast<char>(0x36 + 2 * (ch - '0')));
        } else if (ch == '_') {
            k += "\x2B\x03";
        } else {
            return std::nullopt;
        }
    }
    k += std::string("\x01\x00", 2);
    return k;
}

std::string pointerBytes(std::uint32_t page, std::uint8_t row) {
    std::string p(4, '\0');
    p[0] = static_cast<char>(page >> 16);
    p[1] = static_cast<char>(page >> 8);
    p[2] = static_cast<char>(page);
    p[3] = static_cast<char>(row);
    return p;
}

bool readLeafPage(const char *page, std::vector<std::string> *entries, std::string *problem) {
    entries->clear();
    if (page[0] != 0x04) {
        *problem = "an index page is not a leaf page";
        return false;
    }
    const std::size_t prefix = rd16(page + 20);
    std::vector<std::size_t> bounds{kLeafEntries};
    for (std::size_t i = kLeafMask; i < kLeafEntries; ++i) {
        for (int b = 0; b < 8; ++b) {
            if (static_cast<unsigned char>(page[i]) >> b & 1) {
                bounds.push_back(kLeafEntries + (i - kLeafMask) * 8 + b);
            }
        }
    }
    if (bounds.back() > kPage) {
        *problem = "an index page is damaged";
        return false;
    }
    for (std::size_t i = 0; i + 1 < bounds.size(); ++i) {
        std::string e(page + bounds[i], bounds[i + 1] - bounds[i]);
        if (i > 0) {
            if (prefix > entries->front().size()) {
                *problem = "an index page is damaged";
                return false;
            }
            e = entries->front().substr(0, prefix) + e;
        }
        entries->push_back(std::move(e));
    }
    return true;
}

bool writeLeafPage(char *page, std::uint32_t tableDef, const std::vector<std::string> &entries, std::uint32_t prev,
                   std::uint32_t next, std::uint32_t tail) {
    // The bytes every entry shares with the first, kept once (an entry keeps
    // at least its last byte).
    std::size_t prefix = entries.size() > 1 ? entries.front().size() - 1 : 0;
    for (const auto &e : entries) {
        std::size_t k = 0;
        while (k < prefix && k + 1 < e.size() && e[k] == entries.front()[k]) {
            ++k;
        }
        prefix = k;
    }
    std::size_t used = kLeafEntries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        used += entries[i].size() - (i ? prefix : 0);
    }
    if (used > kPage) {
        return false;
    }
    std::memset(page, 0, kPage);
    page[0] = 0x04;
    page[1] = 0x01;
    wr16(page + 2, static_cast<std::uint16_t>(kPage - used));
    wr32(page + 4, tableDef);
    wr32(page + 8, prev);
    wr32(page + 12, next);
    wr32(page + 16, tail);
    wr16(page + 20, static_cast<std::uint16_t>(prefix));
    std::size_t at = kLeafEntries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t from = i ? prefix : 0;
        std::memcpy(page + at, entries[i].data() + from, entries[i].size() - from);
        at += entries[i].size() - from;
        // The start of the next entry (and the end of the last one).
        const std::size_t bit = at - kLeafEntries;
        page[kLeafMask + bit / 8] = static_cast<char>(page[kLeafMask + bit / 8] | 1 << (bit % 8));
    }
    return true;
}

} // namespace vesk::tables::jet
