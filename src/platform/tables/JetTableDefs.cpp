// Table definition pages of Jet 4 and Jet 3 (see JetFormat.h): read with
// every offset checked, written on one page. The versions hold the same
// things at other offsets: Jet 3 has a shorter header, 18 bytes a column
// (Jet 4: 25), names of one length byte and code page bytes (Jet 4: two
// length bytes and UTF-16), 39 bytes a physical index (52) and 20 a logical
// one (28).

#include "platform/tables/JetFormat.h"

#include <algorithm>
#include <cstring>

namespace vesk::tables::jet {

namespace {

constexpr std::uint32_t kRealIndexWord = 0x0783; // the word before each physical index, as Access writes it

// Where the versions keep each part of a definition.
struct Layout {
    std::size_t header; // the header's length
    std::size_t rows, type, maxColumns, varColumns, columns, logical, real, usedMap, freeMap;
    std::size_t realHeader; // per physical index, after the header (its row count at 4)
    std::size_t column;     // per column
    std::size_t cType, cNumber, cVar, cNumber2, cSort, cCodePage, cFlags, cMisc, cFixed, cLength;
    std::size_t realIndex, riColumns, riUsed, riFirst, riFlags;
    std::size_t logicalIndex, liNumber, liReal, liRelated, liRelatedTable, liCascade, liType;
};

constexpr Layout kLayout4{63, 16, 40, 41, 43, 45, 47, 51, 55, 59, 12, 25, 0, 5,  7,  9,  11,
                          0,  15, 16, 21, 23, 52, 4,  34, 38, 46, 28, 4,  8, 13, 17, 21, 23};
constexpr Layout kLayout3{43, 12, 20, 21, 23, 25, 27, 31, 35, 39, 8,  18, 0, 1, 3,  5,  9,
                          11, 13, 0,  14, 16, 39, 0,  30, 34, 38, 20, 0,  4, 9, 13, 17, 19};

const Layout &layoutOf(const Format &f) {
    return f.jet3 ? kLayout3 : kLayout4;
}

// A name as stored: Jet 3 one length byte and code page bytes, Jet 4 two and UTF-16.
bool readName(const Format &f, const std::string &b, std::size_t *at, std::string *name) {
    const std::size_t lengthSize = f.jet3 ? 1 : 2;
    if (*at + lengthSize > b.size()) {
        return false;
    }
    const std::size_t n = f.jet3 ? static_cast<unsigned char>(b[*at]) : rd16(b.data() + *at);
    if (*at + lengthSize + n > b.size()) {
        return false;
    }
    const std::string bytes = b.substr(*at + lengthSize, n);
    *name = f.jet3 ? fromCodePage(bytes, f.codePage) : fromUtf16(bytes);
    *at += lengthSize + n;
    return true;
}

bool writeName(const Format &f, std::string &b, const std::string &name) {
    if (f.jet3) {
        const auto bytes = toCodePage(name, f.codePage);
        if (!bytes || bytes->size() > 0xFF) {
            return false;
        }
        b.push_back(static_cast<char>(bytes->size()));
        b += *bytes;
        return true;
    }
    const std::string bytes = utf16(name);
    char n[2];
    wr16(n, static_cast<std::uint16_t>(bytes.size()));
    b.append(n, 2);
    b += bytes;
    return true;
}

} // namespace

void layOutColumns(std::vector<Column> &columns) {
    std::uint16_t fixedOffset = 0, varIndex = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        Column &c = columns[i];
        c.number = static_cast<std::uint16_t>(i);
        if (c.fixed()) {
            c.fixedOffset = fixedOffset;
            fixedOffset = static_cast<std::uint16_t>(fixedOffset + c.length);
        } else {
            c.varIndex = varIndex++;
        }
    }
}

bool readTableDef(const File &file, std::uint32_t page, TableDef *def, std::string *problem) {
    *def = {};
    def->page = page;
    const Format &f = file.format;
    const Layout &l = layoutOf(f);
    const std::size_t size = file.pageSize();
    std::string b;
    std::set<std::uint32_t> seen;
    for (std::uint32_t p = page; p != 0;) {
        if (p >= file.pages() || file.page(p)[0] != 0x02 || !seen.insert(p).second) {
            *problem = "the definition of a table is damaged (page " + std::to_string(page) + ")";
            return false;
        }
        def->chain.push_back(p);
        b.append(file.page(p) + (b.empty() ? 0 : 8), b.empty() ? size : size - 8);
        p = rd32(file.page(p) + 4);
    }
    auto damaged = [&] {
        *problem = "the definition of a table is damaged (page " + std::to_string(page) + ")";
        return false;
    };
    if (b.size() < l.header) {
        return damaged();
    }
    def->version = f.jet3 ? 0 : rd32(b.data() + 12);
    def->rowCount = rd32(b.data() + l.rows);
    def->system = static_cast<unsigned char>(b[l.type]) == 0x53;
    def->maxColumns = rd16(b.data() + l.maxColumns);
    const std::size_t columns = rd16(b.data() + l.columns);
    const std::size_t logical = rd32(b.data() + l.logical), real = rd32(b.data() + l.real);
    def->usedMap = rd32(b.data() + l.usedMap);
    def->freeMap = rd32(b.data() + l.freeMap);
    if (columns > 255 || logical > 1000 || real > 1000) {
        return damaged();
    }
    std::size_t at = l.header;
    auto need = [&](std::size_t n) { return at + n <= b.size(); };
    if (!need(l.realHeader * real)) {
        return damaged();
    }
    def->realIndexes.resize(real);
    for (std::size_t i = 0; i < real; ++i) {
        def->realIndexes[i].rowCount = rd32(b.data() + at + 4);
        at += l.realHeader;
    }
    for (std::size_t i = 0; i < columns; ++i) {
        if (!need(l.column)) {
            return damaged();
        }
        const char *c = b.data() + at;
        Column col;
        col.type = static_cast<std::uint8_t>(c[l.cType]);
        col.number = rd16(c + l.cNumber);
        col.varIndex = rd16(c + l.cVar);
        col.flags = static_cast<std::uint8_t>(c[l.cFlags]);
        col.miscFlags = f.jet3 ? 0 : static_cast<std::uint8_t>(c[l.cMisc]);
        col.fixedOffset = rd16(c + l.cFixed);
        col.length = rd16(c + l.cLength);
        if (col.type == kText || col.type == kMemo) {
            col.sortOrder = rd16(c + l.cSort);
            col.sortVersion = f.jet3 ? 0 : static_cast<std::uint8_t>(c[l.cSort + 3]); // Jet 4: after 3 bytes
        }
        def->columns.push_back(col);
        at += l.column;
    }
    for (auto &col : def->columns) {
        if (!readName(f, b, &at, &col.name)) {
            return damaged();
        }
    }
    std::sort(def->columns.begin(), def->columns.end(),
              [](const Column &x, const Column &y) { return x.number < y.number; });
    for (auto &ri : def->realIndexes) {
        if (!need(l.realIndex)) {
            return damaged();
        }
        const char *r = b.data() + at;
        for (int k = 0; k < 10; ++k) {
            const std::uint16_t col = rd16(r + l.riColumns + 3 * k);
            if (col != 0xFFFF) {
                ri.columns.push_back(col);
                ri.descending.push_back(r[l.riColumns + 2 + 3 * k] == 0x00);
            }
        }
        ri.usedMap = rd32(r + l.riUsed);
        ri.firstPage = rd32(r + l.riFirst);
        ri.flags = static_cast<std::uint8_t>(r[l.riFlags]);
        at += l.realIndex;
    }
    for (std::size_t i = 0; i < logical; ++i) {
        if (!need(l.logicalIndex)) {
            return damaged();
        }
        const char *x = b.data() + at;
        LogicalIndex li;
        li.number = rd32(x + l.liNumber);
        li.real = rd32(x + l.liReal);
        li.relatedIndex = static_cast<std::int32_t>(rd32(x + l.liRelated));
        li.relatedTable = rd32(x + l.liRelatedTable);
        li.type = static_cast<std::uint8_t>(x[l.liType]);
        def->logicalIndexes.push_back(li);
        at += l.logicalIndex;
    }
    for (auto &li : def->logicalIndexes) {
        if (!readName(f, b, &at, &li.name)) {
            return damaged();
        }
    }
    while (need(2) && rd16(b.data() + at) != 0xFFFF) {
        if (!need(10)) {
            return damaged();
        }
        def->longValueMaps.push_back({rd16(b.data() + at), rd32(b.data() + at + 2), rd32(b.data() + at + 6)});
        at += 10;
    }
    return true;
}

bool writeTableDef(File &file, const TableDef &def, std::string *problem) {
    const Format &f = file.format;
    const Layout &l = layoutOf(f);
    const std::size_t size = file.pageSize();
    std::string b(l.header, '\0');
    b[0] = 0x02;
    b[1] = 0x01;
    if (f.jet3) {
        b[2] = 'V';
        b[3] = 'C';
    } else {
        wr32(b.data() + 12, def.version);
        b[24] = 0x01;
    }
    wr32(b.data() + l.rows, def.rowCount);
    b[l.type] = static_cast<char>(def.system ? 0x53 : 0x4E);
    std::uint16_t vars = 0;
    for (const auto &c : def.columns) {
        vars = static_cast<std::uint16_t>(vars + (c.fixed() ? 0 : 1));
    }
    wr16(b.data() + l.maxColumns,
         static_cast<std::uint16_t>(std::max<std::size_t>(def.maxColumns, def.columns.size())));
    wr16(b.data() + l.varColumns, vars);
    wr16(b.data() + l.columns, static_cast<std::uint16_t>(def.columns.size()));
    wr32(b.data() + l.logical, static_cast<std::uint32_t>(def.logicalIndexes.size()));
    wr32(b.data() + l.real, static_cast<std::uint32_t>(def.realIndexes.size()));
    wr32(b.data() + l.usedMap, def.usedMap);
    wr32(b.data() + l.freeMap, def.freeMap);
    auto grow = [&](std::size_t n) {
        b.append(n, '\0');
        return b.data() + b.size() - n;
    };
    for (const auto &ri : def.realIndexes) {
        wr32(grow(l.realHeader) + 4, ri.rowCount);
    }
    for (const auto &c : def.columns) {
        char *p = grow(l.column);
        p[l.cType] = static_cast<char>(c.type);
        if (!f.jet3) {
            wr32(p + 1, def.version);
            p[l.cMisc] = static_cast<char>(c.miscFlags);
        } else {
            wr16(p + l.cCodePage,
                 f.codePage); // the code page of texts, in every column as Access 97 writes it
        }
        wr16(p + l.cNumber, c.number);
        wr16(p + l.cVar, c.varIndex);
        wr16(p + l.cNumber2, def.system ? 0 : c.number);
        wr16(p + l.cSort, c.sortOrder); // of text; General by default
        if (!f.jet3) {
            p[l.cSort + 3] = static_cast<char>(c.sortVersion);
        }
        p[l.cFlags] = static_cast<char>(c.flags);
        wr16(p + l.cFixed, c.fixedOffset);
        wr16(p + l.cLength, c.length);
    }
    auto nameProblem = [&](const std::string &name) {
        *problem = "the name " + name + " holds a character the database's code page (" +
                   std::to_string(f.codePage) + ") lacks, or is too long";
        return false;
    };
    for (const auto &c : def.columns) {
        if (!writeName(f, b, c.name)) {
            return nameProblem(c.name);
        }
    }
    for (const auto &ri : def.realIndexes) {
        char *p = grow(l.realIndex);
        if (!f.jet3) {
            wr32(p, kRealIndexWord);
        }
        for (int k = 0; k < 10; ++k) {
            const bool used = static_cast<std::size_t>(k) < ri.columns.size();
            wr16(p + l.riColumns + 3 * k, used ? ri.columns[k] : 0xFFFF);
            const bool descending =
                used && static_cast<std::size_t>(k) < ri.descending.size() && ri.descending[k];
            p[l.riColumns + 2 + 3 * k] = used && !descending ? 0x01 : 0x00;
        }
        wr32(p + l.riUsed, ri.usedMap);
        wr32(p + l.riFirst, ri.firstPage);
        p[l.riFlags] = static_cast<char>(ri.flags);
    }
    for (const auto &li : def.logicalIndexes) {
        char *p = grow(l.logicalIndex);
        if (!f.jet3) {
            wr32(p, def.version);
        }
        wr32(p + l.liNumber, li.number);
        wr32(p + l.liReal, li.real);
        wr32(p + l.liRelated, static_cast<std::uint32_t>(li.relatedIndex));
        wr32(p + l.liRelatedTable, li.relatedTable);
        p[l.liCascade] = 0x04;
        p[l.liCascade + 1] = 0x04;
        p[l.liType] = static_cast<char>(li.type);
    }
    for (const auto &li : def.logicalIndexes) {
        if (!writeName(f, b, li.name)) {
            return nameProblem(li.name);
        }
    }
    for (const auto &m : def.longValueMaps) {
        char *p = grow(10);
        wr16(p, m.column);
        wr32(p + 2, m.usedMap);
        wr32(p + 6, m.freeMap);
    }
    wr16(grow(2), 0xFFFF);
    if (b.size() > size) {
        *problem = "the definition of the table does not fit one page: too many columns or names too long";
        return false;
    }
    wr32(b.data() + 8, static_cast<std::uint32_t>(b.size()));
    if (!f.jet3) {
        wr16(b.data() + 2, static_cast<std::uint16_t>(size - 8 - b.size()));
    }
    char *page = file.page(def.page);
    std::memset(page, 0, size);
    std::memcpy(page, b.data(), b.size());
    return true;
}

} // namespace vesk::tables::jet
