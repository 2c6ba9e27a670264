// The Jet page structures our writer builds and edits, in Jet 4 and Jet 3
// (see JetFormat.h).

#include "platform/tables/JetFormat.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iconv.h>

namespace vesk::tables::jet {

namespace {

constexpr std::uint32_t kHeaderKey = 0x6B39DAC7;
constexpr std::size_t kHeaderStart = 0x18, kHeaderLength = 128, kHeaderLength3 = 126;

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
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1])
                                                                             << 8);
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
            cp = (c & 0x07u) << 18 | (utf8[i + 1] & 0x3Fu) << 12 | (utf8[i + 2] & 0x3Fu) << 6 |
                 (utf8[i + 3] & 0x3Fu);
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

namespace {

// Converts with iconv; nothing when a character has no place in the target.
std::optional<std::string> convert(const std::string &in, const std::string &to, const std::string &from) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out(in.size() * 4 + 8, '\0');
    char *src = const_cast<char *>(in.data());
    std::size_t srcLeft = in.size();
    char *dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || srcLeft != 0) {
        return std::nullopt;
    }
    out.resize(out.size() - dstLeft);
    return out;
}

std::string codePageName(std::uint16_t codePage) {
    return "CP" + std::to_string(codePage == 0 ? 1252 : codePage);
}

} // namespace

std::string fromCodePage(const std::string &bytes, std::uint16_t codePage) {
    if (auto s = convert(bytes, "UTF-8", codePageName(codePage))) {
        return *s;
    }
    std::string out; // a byte the code page leaves undefined: as Latin-1
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::optional<std::string> toCodePage(const std::string &utf8, std::uint16_t codePage) {
    return convert(utf8, codePageName(codePage), "UTF-8");
}

std::optional<std::string> storedText(const Format &f, const std::string &utf8) {
    if (f.jet3) {
        return toCodePage(utf8, f.codePage);
    }
    return textBytes(utf8);
}

std::string readText(const Format &f, const std::string &bytes) {
    return f.jet3 ? fromCodePage(bytes, f.codePage) : jetText(bytes);
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

std::optional<std::string> databaseProblem(const std::string &bytes, Format *format) {
    if (bytes.size() < 0x100 || bytes.compare(0, 4, std::string("\0\1\0\0", 4)) != 0) {
        return std::string("it is not an Access database");
    }
    if (bytes.compare(4, 15, "Standard ACE DB") == 0) {
        return std::string(
            "it is an Access 2007 or later database (.accdb), which this program does not write");
    }
    if (bytes.compare(4, 15, "Standard Jet DB") != 0) {
        return std::string("it is not an Access database");
    }
    const std::uint32_t version = rd32(bytes.data() + 0x14);
    if (version > 1) {
        return std::string("it is an Access 2007 or later database, which this program does not write");
    }
    Format f;
    f.jet3 = version == 0;
    const std::size_t page = f.page();
    // A damaged version number would have the rest of the header read in the
    // other version's layout, as garbage (a password, encryption): the pages
    // tell it, lying where the other version keeps them.
    auto pagesAt = [&](std::size_t size) {
        return bytes.size() % size == 0 && bytes.size() >= 3 * size && bytes[size] == 0x01 &&
               bytes[2 * size] == 0x02;
    };
    if (!pagesAt(page) && pagesAt(f.jet3 ? kPage : kPage3)) {
        return std::string(
                   "it is damaged: its header does not match its pages (the header gives the version ") +
               (f.jet3 ? "of Access 97, the pages are those of Access 2000"
                       : "of Access 2000, the pages are those of Access 97") +
               ")";
    }
    if (bytes.size() % page != 0 || bytes.size() < 3 * page) {
        return std::string("it is damaged: its size is not a whole number of ") + (f.jet3 ? "2" : "4") +
               " KB pages";
    }
    std::string header = bytes.substr(0, 0x100);
    rc4(header, kHeaderStart, f.jet3 ? kHeaderLength3 : kHeaderLength, kHeaderKey);
    if (rd32(header.data() + 0x3E) != 0) {
        return std::string("it is encrypted, which this program does not write");
    }
    // The password, in Jet 4 masked with the creation date.
    char mask[4] = {};
    if (!f.jet3) {
        double created = 0;
        std::memcpy(&created, header.data() + 0x72, 8);
        wr32(mask, std::isfinite(created) && std::fabs(created) < 2e9
                       ? static_cast<std::uint32_t>(static_cast<std::int32_t>(created))
                       : 0);
    }
    for (std::size_t i = 0; i < (f.jet3 ? 20u : 40u); ++i) {
        if ((header[0x42 + i] ^ mask[i % 4]) != 0) {
            return std::string("it is protected by a password, which this program does not write");
        }
    }
    if (f.jet3) {
        f.codePage = rd16(header.data() + 0x3C);
        if (f.codePage == 0) {
            f.codePage = 1252;
        }
        if (!toCodePage("A", f.codePage)) {
            return "its texts are in code page " + std::to_string(f.codePage) +
                   ", which this program cannot write";
        }
    }
    if (bytes[page] != 0x01 || bytes[2 * page] != 0x02) {
        return std::string(
            "it is damaged: its page usage map or its catalogue is not where a database keeps them");
    }
    if (format) {
        *format = f;
    }
    return std::nullopt;
}

// --- rows ---------------------------------------------------------------

namespace {

// A Jet 3 row: a byte of column count, the fixed columns, the variable ones,
// then from the end backwards: the null mask, the count of variable
// columns, a jump table, the variable columns' offsets (one byte each, the
// first last) and the end of their data. Offsets keep their low byte; the
// jump table holds, for each 256 bytes of the row (row size - 1) / 256, the
// first offset (by number, the end of the data last) that lies past that
// many 256-byte blocks, or 0xFF when none does.
std::string encodeRow3(const std::string &head, const std::vector<std::uint16_t> &offsets,
                       std::size_t varCount, const std::string &mask) {
    if (varCount == 0) {
        return head + mask;
    }
    std::vector<std::size_t> all(offsets.begin(), offsets.end());
    all.push_back(head.size()); // the end of the variable data
    std::size_t jumps = 0;
    for (;;) {
        const std::size_t size = head.size() + all.size() + jumps + 1 + mask.size();
        const std::size_t needed = (size - 1) / 256;
        if (needed == jumps) {
            break;
        }
        jumps = needed;
    }
    std::string tail;
    for (std::size_t i = all.size(); i-- > 0;) {
        tail.push_back(static_cast<char>(all[i] & 0xFF));
    }
    for (std::size_t j = jumps; j-- > 0;) {
        std::size_t first = 0xFF;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i] >= 256 * (j + 1)) {
                first = i;
                break;
            }
        }
        tail.push_back(static_cast<char>(first));
    }
    tail.push_back(static_cast<char>(varCount));
    return head + tail + mask;
}

bool crackOffsets3(const std::string &row, std::size_t maskSize, std::size_t *varCount,
                   std::vector<std::size_t> *offsets) {
    if (row.size() < 2 + maskSize) {
        return false;
    }
    const std::size_t countAt = row.size() - maskSize - 1;
    *varCount = static_cast<unsigned char>(row[countAt]);
    std::size_t jumps = (row.size() - 1) / 256;
    if (countAt < jumps + *varCount + 1) {
        return false;
    }
    const std::size_t tableEnd = countAt - jumps; // the first offset just before it
    // The last jump is no more than filler when the data ends before it.
    if ((tableEnd - *varCount - 1) / 256 < jumps) {
        --jumps;
    }
    std::size_t used = 0;
    offsets->clear();
    for (std::size_t i = 0; i <= *varCount; ++i) {
        while (used < jumps && static_cast<unsigned char>(row[countAt - 1 - used]) == i) {
            ++used;
        }
        offsets->push_back(static_cast<unsigned char>(row[tableEnd - 1 - i]) + 256 * used);
    }
    return offsets->back() <= tableEnd - *varCount - 1;
}

} // namespace

std::string encodeRow(const std::vector<Column> &columns, const std::vector<Value> &values, const Format &f) {
    std::size_t fixedSize = 0, varCount = 0;
    for (const auto &c : columns) {
        if (c.fixed()) {
            fixedSize = std::max<std::size_t>(fixedSize, c.fixedOffset + c.length);
        } else {
            varCount = std::max<std::size_t>(varCount, c.varIndex + 1u);
        }
    }
    const std::size_t n = columns.size();
    const std::size_t countSize = f.jet3 ? 1 : 2;
    std::string row(countSize + fixedSize, '\0');
    if (f.jet3) {
        row[0] = static_cast<char>(n);
    } else {
        wr16(row.data(), static_cast<std::uint16_t>(n));
    }
    std::string mask((n + 7) / 8, '\0');
    std::vector<const Column *> vars(varCount, nullptr);
    for (const auto &c : columns) {
        const Value &v = values[c.number];
        if (v) {
            mask[c.number / 8] = static_cast<char>(mask[c.number / 8] | 1 << (c.number % 8));
        }
        if (c.fixed()) {
            if (v) {
                std::memcpy(row.data() + countSize + c.fixedOffset, v->data(),
                            std::min<std::size_t>(v->size(), c.length));
            }
        } else {
            vars[c.varIndex] = &c;
        }
    }
    std::vector<std::uint16_t> offsets;
    for (const Column *c : vars) {
        offsets.push_back(static_cast<std::uint16_t>(row.size()));
        if (c && values[c->number]) {
            row += *values[c->number];
        }
    }
    if (f.jet3) {
        return encodeRow3(row, offsets, varCount, mask);
    }
    if (varCount == 0) {
        return row + mask;
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

bool crackRow(const std::string &row, const std::vector<Column> &columns, std::vector<Value> *values,
              const Format &f) {
    std::size_t count = 0;
    for (const auto &c : columns) {
        count = std::max<std::size_t>(count, c.number + 1u);
    }
    values->assign(count, std::nullopt);
    const std::size_t countSize = f.jet3 ? 1 : 2;
    if (row.size() < countSize) {
        return false;
    }
    const std::size_t n = f.jet3 ? static_cast<unsigned char>(row[0]) : rd16(row.data());
    const std::size_t maskSize = (n + 7) / 8;
    if (row.size() < countSize + maskSize) {
        return false;
    }
    const char *mask = row.data() + row.size() - maskSize;
    bool anyVar = false;
    for (const auto &c : columns) {
        anyVar = anyVar || !c.fixed();
    }
    std::size_t varCount = 0, eod = 0;
    std::vector<std::size_t> offsets;
    if (anyVar && f.jet3) {
        if (!crackOffsets3(row, maskSize, &varCount, &offsets)) {
            return false;
        }
        eod = offsets.back();
    } else if (anyVar) {
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
            if (countSize + c.fixedOffset + c.length > row.size()) {
                return false;
            }
            (*values)[c.number] = row.substr(countSize + c.fixedOffset, c.length);
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

bool readDataPage(const char *page, std::uint32_t *tableDef, std::vector<PageRow> *rows, const Format &f) {
    rows->clear();
    if (page[0] != 0x01) {
        return false;
    }
    *tableDef = rd32(page + 4);
    const std::size_t n = rd16(page + f.rowCountAt());
    const std::size_t header = f.dataHeader();
    if (header + 2 * n > f.page()) {
        return false;
    }
    std::size_t end = f.page();
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint16_t entry = rd16(page + header + 2 * i);
        const std::size_t start = entry & 0x1FFF;
        if (start < header + 2 * n || start > end) {
            return false;
        }
        rows->push_back({static_cast<std::uint16_t>(entry & 0xC000), std::string(page + start, end - start)});
        end = start;
    }
    return true;
}

std::size_t dataPageRoom(const std::vector<PageRow> &rows, const Format &f) {
    std::size_t used = f.dataHeader() + 2 * rows.size();
    for (const auto &r : rows) {
        used += r.bytes.size();
    }
    return used > f.page() ? 0 : f.page() - used;
}

bool writeDataPage(char *page, std::uint32_t tableDef, const std::vector<PageRow> &rows, const Format &f) {
    const std::size_t size = f.page(), header = f.dataHeader();
    std::size_t used = header + 2 * rows.size();
    for (const auto &r : rows) {
        used += r.bytes.size();
    }
    if (used > size) {
        return false;
    }
    std::memset(page, 0, size);
    page[0] = 0x01;
    page[1] = 0x01;
    wr16(page + 2, static_cast<std::uint16_t>(size - used));
    wr32(page + 4, tableDef);
    wr16(page + f.rowCountAt(), static_cast<std::uint16_t>(rows.size()));
    std::size_t end = size;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        end -= rows[i].bytes.size();
        std::memcpy(page + end, rows[i].bytes.data(), rows[i].bytes.size());
        wr16(page + header + 2 * i, static_cast<std::uint16_t>(end | rows[i].flags));
    }
    return true;
}

bool rowAt(const File &file, std::uint32_t pointer, PageRow *out) {
    for (int hops = 0; hops < 2; ++hops) {
        const std::uint32_t page = pointer >> 8;
        const std::size_t row = pointer & 0xFF;
        std::vector<PageRow> rows;
        std::uint32_t def = 0;
        if (page >= file.pages() || !readDataPage(file.page(page), &def, &rows, file.format) ||
            row >= rows.size()) {
            return false;
        }
        if (!(rows[row].flags & 0x4000) || hops > 0) {
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
    if (page >= file.pages() || !readDataPage(file.page(page), &def, &rows, file.format) ||
        (pointer & 0xFF) >= rows.size()) {
        return false;
    }
    rows[pointer & 0xFF] = {flags, bytes};
    return writeDataPage(file.page(page), def, rows, file.format);
}

std::uint32_t addRow(File &file, std::uint32_t tableDef, const std::string &bytes,
                     const std::set<std::uint32_t> &pages, std::uint32_t *newPage) {
    for (std::uint32_t page : pages) {
        std::vector<PageRow> rows;
        std::uint32_t def = 0;
        if (page < file.pages() && readDataPage(file.page(page), &def, &rows, file.format) &&
            def == tableDef && rows.size() < 255 && dataPageRoom(rows, file.format) >= bytes.size() + 2) {
            rows.push_back({0, bytes});
            writeDataPage(file.page(page), def, rows, file.format);
            return page << 8 | static_cast<std::uint32_t>(rows.size() - 1);
        }
    }
    const std::uint32_t page = file.append();
    writeDataPage(file.page(page), tableDef, {{0, bytes}}, file.format);
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
    const std::size_t header = file.format.dataHeader();
    if (row < rd16(p + file.format.rowCountAt())) {
        wr16(p + header + 2 * row, static_cast<std::uint16_t>(rd16(p + header + 2 * row) | 0x8000));
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

// --- indexes ------------------------------------------------------------

std::string keyOfLong(std::int32_t v, bool descending) {
    std::string k(5, '\0');
    k[0] = 0x7F;
    const auto u = static_cast<std::uint32_t>(v) ^ 0x80000000u;
    for (int i = 0; i < 4; ++i) {
        k[1 + i] = static_cast<char>(u >> (24 - 8 * i));
    }
    if (descending) {
        for (char &c : k) {
            c = static_cast<char>(~c);
        }
    }
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

bool readLeafPage(const char *page, std::vector<std::string> *entries, std::string *problem,
                  const Format &f) {
    entries->clear();
    if (page[0] != 0x04 && page[0] != 0x03) {
        *problem = "an index page is not an index page";
        return false;
    }
    // Jet 3 keeps the length of the shared prefix in one byte.
    const std::size_t prefix = f.jet3 ? static_cast<unsigned char>(page[20]) : rd16(page + 20);
    const std::size_t first = f.indexEntries(), mask = f.indexMask();
    std::vector<std::size_t> bounds{first};
    for (std::size_t i = mask; i < first; ++i) {
        for (int b = 0; b < 8; ++b) {
            if (static_cast<unsigned char>(page[i]) >> b & 1) {
                bounds.push_back(first + (i - mask) * 8 + b);
            }
        }
    }
    if (bounds.back() > f.page()) {
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

bool writeLeafPage(char *page, std::uint32_t tableDef, const std::vector<std::string> &entries,
                   std::uint32_t prev, std::uint32_t next, std::uint32_t tail, const Format &f,
                   std::uint8_t type) {
    const std::size_t size = f.page(), first = f.indexEntries(), mask = f.indexMask();
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
    std::size_t used = first;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        used += entries[i].size() - (i ? prefix : 0);
    }
    if (used > size || (f.jet3 && prefix > 0xFF)) {
        return false;
    }
    std::memset(page, 0, size);
    page[0] = static_cast<char>(type);
    page[1] = 0x01;
    wr16(page + 2, static_cast<std::uint16_t>(size - used));
    wr32(page + 4, tableDef);
    wr32(page + 8, prev);
    wr32(page + 12, next);
    wr32(page + 16, tail);
    if (f.jet3) {
        page[20] = static_cast<char>(prefix);
    } else {
        wr16(page + 20, static_cast<std::uint16_t>(prefix));
    }
    std::size_t at = first;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::size_t from = i ? prefix : 0;
        std::memcpy(page + at, entries[i].data() + from, entries[i].size() - from);
        at += entries[i].size() - from;
        // The start of the next entry (and the end of the last one).
        const std::size_t bit = at - first;
        page[mask + bit / 8] = static_cast<char>(page[mask + bit / 8] | 1 << (bit % 8));
    }
    return true;
}

} // namespace vesk::tables::jet
