// Jet 4 table definition pages (see JetFormat.h): read with every offset
// checked, written on one page.

#include "platform/tables/JetFormat.h"

#include <algorithm>
#include <cstring>

namespace vesk::tables::jet {

namespace {

constexpr std::size_t kColumnSize = 25, kRealIndexSize = 52, kLogicalIndexSize = 28;
constexpr std::uint32_t kRealIndexWord = 0x0783; // the word before each physical index, as Access writes it

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
    std::string b;
    std::set<std::uint32_t> seen;
    for (std::uint32_t p = page; p != 0;) {
        if (p >= file.pages() || file.page(p)[0] != 0x02 || !seen.insert(p).second) {
            *problem = "the definition of a table is damaged (page " + std::to_string(page) + ")";
            return false;
        }
        def->chain.push_back(p);
        b.append(file.page(p) + (b.empty() ? 0 : 8), b.empty() ? kPage : kPage - 8);
        p = rd32(file.page(p) + 4);
    }
    auto damaged = [&] {
        *problem = "the definition of a table is damaged (page " + std::to_string(page) + ")";
        return false;
    };
    if (b.size() < 63) {
        return damaged();
    }
    def->version = rd32(b.data() + 12);
    def->rowCount = rd32(b.data() + 16);
    def->system = static_cast<unsigned char>(b[40]) == 0x53;
    def->maxColumns = rd16(b.data() + 41);
    const std::size_t columns = rd16(b.data() + 45);
    const std::size_t logical = rd32(b.data() + 47), real = rd32(b.data() + 51);
    def->usedMap = rd32(b.data() + 55);
    def->freeMap = rd32(b.data() + 59);
    if (columns > 255 || logical > 1000 || real > 1000) {
        return damaged();
    }
    std::size_t at = 63;
    auto need = [&](std::size_t n) { return at + n <= b.size(); };
    if (!need(12 * real)) {
        return damaged();
    }
    def->realIndexes.resize(real);
    for (std::size_t i = 0; i < real; ++i) {
        def->realIndexes[i].rowCount = rd32(b.data() + at + 4);
        at += 12;
    }
    for (std::size_t i = 0; i < columns; ++i) {
        if (!need(kColumnSize)) {
            return damaged();
        }
        const char *c = b.data() + at;
        Column col;
        col.type = static_cast<std::uint8_t>(c[0]);
        col.number = rd16(c + 5);
        col.varIndex = rd16(c + 7);
        col.flags = static_cast<std::uint8_t>(c[15]);
        col.miscFlags = static_cast<std::uint8_t>(c[16]);
        col.fixedOffset = rd16(c + 21);
        col.length = rd16(c + 23);
        def->columns.push_back(col);
        at += kColumnSize;
    }
    for (auto &col : def->columns) {
        if (!need(2) || !need(2u + rd16(b.data() + at))) {
            return damaged();
        }
        const std::size_t n = rd16(b.data() + at);
        col.name = fromUtf16(b.substr(at + 2, n));
        at += 2 + n;
    }
    std::sort(def->columns.begin(), def->columns.end(),
              [](const Column &x, const Column &y) { return x.number < y.number; });
    for (auto &ri : def->realIndexes) {
        if (!need(kRealIndexSize)) {
            return damaged();
        }
        const char *r = b.data() + at;
        for (int k = 0; k < 10; ++k) {
            const std::uint16_t col = rd16(r + 4 + 3 * k);
            if (col != 0xFFFF) {
                ri.columns.push_back(col);
            }
        }
        ri.usedMap = rd32(r + 34);
        ri.firstPage = rd32(r + 38);
        ri.flags = static_cast<std::uint8_t>(r[46]);
        at += kRealIndexSize;
    }
    for (std::size_t i = 0; i < logical; ++i) {
        if (!need(kLogicalIndexSize)) {
            return damaged();
        }
        const char *l = b.data() + at;
        LogicalIndex li;
        li.number = rd32(l + 4);
        li.real = rd32(l + 8);
        li.relatedIndex = static_cast<std::int32_t>(rd32(l + 13));
        li.relatedTable = rd32(l + 17);
        li.type = static_cast<std::uint8_t>(l[23]);
        def->logicalIndexes.push_back(li);
        at += kLogicalIndexSize;
    }
    for (auto &li : def->logicalIndexes) {
        if (!need(2) || !need(2u + rd16(b.data() + at))) {
            return damaged();
        }
        const std::size_t n = rd16(b.data() + at);
        li.name = fromUtf16(b.substr(at + 2, n));
        at += 2 + n;
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
    std::string b(63, '\0');
    b[0] = 0x02;
    b[1] = 0x01;
    wr32(b.data() + 12, def.version);
    wr32(b.data() + 16, def.rowCount);
    b[24] = 0x01;
    b[40] = static_cast<char>(def.system ? 0x53 : 0x4E);
    std::uint16_t vars = 0;
    for (const auto &c : def.columns) {
        vars = static_cast<std::uint16_t>(vars + (c.fixed() ? 0 : 1));
    }
    wr16(b.data() + 41, static_cast<std::uint16_t>(std::max<std::size_t>(def.maxColumns, def.columns.size())));
    wr16(b.data() + 43, vars);
    wr16(b.data() + 45, static_cast<std::uint16_t>(def.columns.size()));
    wr32(b.data() + 47, static_cast<std::uint32_t>(def.logicalIndexes.size()));
    wr32(b.data() + 51, static_cast<std::uint32_t>(def.realIndexes.size()));
    wr32(b.data() + 55, def.usedMap);
    wr32(b.data() + 59, def.freeMap);
    auto grow = [&](std::size_t n) {
        b.append(n, '\0');
        return b.data() + b.size() - n;
    };
    for (const auto &ri : def.realIndexes) {
        wr32(grow(12) + 4, ri.rowCount);
    }
    for (const auto &c : def.columns) {
        char *p = grow(kColumnSize);
        p[0] = static_cast<char>(c.type);
        wr32(p + 1, def.version);
        wr16(p + 5, c.number);
        wr16(p + 7, c.varIndex);
        wr16(p + 9, def.system ? 0 : c.number);
        wr16(p + 11, 0x0409); // the sort order of text: General
        p[15] = static_cast<char>(c.flags);
        p[16] = static_cast<char>(c.miscFlags);
        wr16(p + 21, c.fixedOffset);
        wr16(p + 23, c.length);
    }
    for (const auto &c : def.columns) {
        const std::string name = utf16(c.name);
        wr16(grow(2), static_cast<std::uint16_t>(name.size()));
        b += name;
    }
    for (const auto &ri : def.realIndexes) {
        char *p = grow(kRealIndexSize);
        wr32(p, kRealIndexWord);
        for (int k = 0; k < 10; ++k) {
            const bool used = static_cast<std::size_t>(k) < ri.columns.size();
            wr16(p + 4 + 3 * k, used ? ri.columns[k] : 0xFFFF);
            p[6 + 3 * k] = used ? 0x01 : 0x00;
        }
        wr32(p + 34, ri.usedMap);
        wr32(p + 38, ri.firstPage);
        p[46] = static_cast<char>(ri.flags);
    }
    for (const auto &li : def.logicalIndexes) {
        char *p = grow(kLogicalIndexSize);
        wr32(p, def.version);
        wr32(p + 4, li.number);
        wr32(p + 8, li.real);
        wr32(p + 13, static_cast<std::uint32_t>(li.relatedIndex));
        wr32(p + 17, li.relatedTable);
        p[21] = 0x04;
        p[22] = 0x04;
        p[23] = static_cast<char>(li.type);
    }
    for (const auto &li : def.logicalIndexes) {
        const std::string name = utf16(li.name);
        wr16(grow(2), static_cast<std::uint16_t>(name.size()));
        b += name;
    }
    for (const auto &m : def.longValueMaps) {
        char *p = grow(10);
        wr16(p, m.column);
        wr32(p + 2, m.usedMap);
        wr32(p + 6, m.freeMap);
    }
    wr16(grow(2), 0xFFFF);
    if (b.size() > kPage) {
        *problem = "the definition of the table does not fit one page: too many columns or names too long";
        return false;
    }
    wr32(b.data() + 8, static_cast<std::uint32_t>(b.size()));
    wr16(b.data() + 2, static_cast<std::uint16_t>(kPage - 8 - b.size()));
    char *page = file.page(def.page);
    std::memset(page, 0, kPage);
    std::memcpy(page, b.data(), b.size());
    return true;
}

} // namespace vesk::tables::jet
