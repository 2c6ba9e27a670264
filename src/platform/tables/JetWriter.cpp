// Tables written into Access (Jet 4, Access 2000) databases by our own
// writer; libmdb, which reads them, cannot create tables.
//
// A new database gets its system catalogue (MSysObjects with its two
// indexes, the empty MSysACEs, MSysQueries and MSysRelationships) and the
// tables. In an existing database a table of the same name is replaced: its
// definition page, catalogue row and catalogue id stay where they are (so
// the catalogue's indexes, whose keys are the id and the name, and the
// permissions keyed by the id still hold), its old pages are given back to the
// global page usage map as free, and its rows go to new pages at the end of
// the file. A table the database does not hold yet gets a new definition
// page, a catalogue row and an entry in each index of the catalogue. Every
// other page keeps its bytes.
//
// The whole database is edited in memory and written to a temporary file
// beside it, which is read back through libmdb (in the helper process)
// before it replaces the file: the catalogue, the row count of every table
// and every row of the new tables. Any failure leaves the file as it was.

#include "platform/tables/JetFormat.h"
#include "platform/tables/TableBackends.h"

#include "core/StagedFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace vesk::tables {

using namespace jet;

namespace {

constexpr std::uint32_t kTablesContainer = 0x0F000001;
constexpr std::uint32_t kSystemFlags = 0x80000002;
constexpr std::size_t kMaxTextChars = 255;

void setError(std::string *error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
}

Column col(const char *name, std::uint8_t type, std::uint16_t length, std::uint8_t flags) {
    Column c;
    c.name = name;
    c.type = type;
    c.length = length;
    c.flags = flags;
    return c;
}

// The catalogue's columns in the order of their numbers, as Access 2000 lays them out.
std::vector<Column> catalogueColumns() {
    std::vector<Column> c = {
        col("Id", kLong, 4, 0x13),          col("ParentId", kLong, 4, 0x13),    col("Name", kText, 510, 0x12),
        col("Type", kInt, 2, 0x13),         col("DateCreate", kDateTime, 8, 0x13),
        col("DateUpdate", kDateTime, 8, 0x13), col("Owner", kBinary, 510, 0x32), col("Flags", kLong, 4, 0x13),
        col("Database", kMemo, 0, 0x12),    col("Connect", kMemo, 0, 0x12),     col("ForeignName", kText, 510, 0x12),
        col("RmtInfoShort", kBinary, 510, 0x12), col("RmtInfoLong", kOle, 0, 0x12), col("Lv", kOle, 0, 0x12),
        col("LvProp", kOle, 0, 0x12),       col("LvModule", kOle, 0, 0x12),     col("LvExtra", kOle, 0, 0x12),
    };
    layOutColumns(c);
    return c;
}

// The empty system tables beside the catalogue, with the indexes Access keeps on them.
struct SystemTable {
    const char *name;
    std::uint32_t id;
    std::vector<Column> columns;
    std::vector<std::vector<std::uint16_t>> indexes;
    std::vector<const char *> indexNames;
    std::uint8_t indexFlags;
};

std::vector<SystemTable> systemTables() {
    std::vector<SystemTable> t = {
        {"MSysACEs",
         3,
         {col("ObjectId", kLong, 4, 0x13), col("SID", kBinary, 510, 0x32), col("ACM", kLong, 4, 0x13),
          col("FInheritable", kBool, 1, 0x13)},
         {{0}},
         {"ObjectId"},
         0x88},
        {"MSysQueries",
         4,
         {col("ObjectId", kLong, 4, 0x13), col("Attribute", kByte, 1, 0x13), col("Order", kBinary, 510, 0x12),
          col("Name1", kText, 510, 0x12), col("Name2", kText, 510, 0x12), col("Expression", kMemo, 0, 0x12),
          col("Flag", kInt, 2, 0x13), col("LvExtra", kLong, 4, 0x13)},
         {{0, 1, 2}},
         {"ObjectIdAttribute"},
         0x81},
        {"MSysRelationships",
         5,
         {col("szRelationship", kText, 510, 0x12), col("grbit", kLong, 4, 0x13), col("ccolumn", kLong, 4, 0x13),
          col("icolumn", kLong, 4, 0x13), col("szObject", kText, 510, 0x12), col("szColumn", kText, 510, 0x12),
          col("szReferencedObject", kText, 510, 0x12), col("szReferencedColumn", kText, 510, 0x12)},
         {{0}, {4}, {6}},
         {"szRelationship", "szObject", "szReferencedObject"},
         0x82},
    };
    for (auto &s : t) {
        layOutColumns(s.columns);
    }
    return t;
}

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
    std::memcpy(b.data(), &v, 8);
    return b;
}

// A Text value: compressed (one byte a character) when every character allows it.
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

std::size_t characters(const std::string &utf8) {
    std::size_t n = 0;
    for (char ch : utf8) {
        n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }
    return n;
}

// A database being edited: its pages, its catalogue and what changes.
struct Database {
    File file;
    TableDef catalogue;
    struct Entry {
        std::uint32_t page = 0;
        std::uint8_t row = 0;
        std::vector<Value> values;
        std::uint32_t id() const { return values[0] ? rd32(values[0]->data()) : 0; }
        std::uint32_t parent() const { return values[1] ? rd32(values[1]->data()) : 0; }
        std::uint16_t type() const { return values[3] ? rd16(values[3]->data()) : 0; }
        std::uint32_t flags() const { return values[7] ? rd32(values[7]->data()) : 0; }
        std::string name() const { return values[2] ? fromUtf16(*values[2]) : std::string(); }
    };
    std::vector<Entry> entries;
    std::set<std::uint32_t> freed;  // pages given back
    std::set<std::uint32_t> globalFree;
    std::vector<std::uint32_t> globalMapPages;
    std::uint32_t mapPage = 0; // the page our usage maps go to (0: none yet)
    double now = oleNow();
    std::string owner = std::string("\x72\x65", 2);
};

// The bytes of a row a data pointer names, following a pointer to a row moved elsewhere.
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

// Rewrites one row in place (same number); the page is packed anew.
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

// Adds a row to a data page of the table with room for it, or to a new one
// (then *newPage is set); the row's data pointer.
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

// A usage map row of our own on our map page.
std::uint32_t addMap(Database &db, const std::set<std::uint32_t> &pages) {
    std::vector<std::uint32_t> mapPages;
    const std::string row = encodeMap(db.file, pages, &mapPages);
    std::set<std::uint32_t> candidates;
    if (db.mapPage) {
        candidates.insert(db.mapPage);
    }
    std::uint32_t fresh = 0;
    const std::uint32_t pointer = addRow(db.file, 0, row, candidates, &fresh);
    if (fresh) {
        db.mapPage = fresh;
    }
    return pointer;
}

bool loadCatalogue(Database &db, std::string *problem) {
    if (!readTableDef(db.file, 2, &db.catalogue, problem)) {
        return false;
    }
    const auto expected = catalogueColumns();
    if (db.catalogue.columns.size() != expected.size()) {
        *problem = "its catalogue does not have the columns of Access 2000";
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Column &c = db.catalogue.columns[i];
        if (c.name != expected[i].name || c.type != expected[i].type || c.fixed() != expected[i].fixed()) {
            *problem = "its catalogue does not have the columns of Access 2000";
            return false;
        }
    }
    PageRow mapRow;
    std::set<std::uint32_t> pages;
    if (!rowAt(db.file, db.catalogue.usedMap, &mapRow) || !decodeMap(db.file, mapRow.bytes, &pages)) {
        *problem = "the page usage map of its catalogue is damaged";
        return false;
    }
    for (std::uint32_t page : pages) {
        std::vector<PageRow> rows;
        std::uint32_t def = 0;
        if (page >= db.file.pages() || db.file.page(page)[0] != 0x01) {
            continue;
        }
        if (!readDataPage(db.file.page(page), &def, &rows)) {
            *problem = "a page of its catalogue is damaged (page " + std::to_string(page) + ")";
            return false;
        }
        if (def != 2) {
            continue;
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            if (rows[r].flags & 0x8000) {
                continue;
            }
            PageRow row = rows[r];
            if ((row.flags & 0x4000) && !rowAt(db.file, page << 8 | static_cast<std::uint32_t>(r), &row)) {
                *problem = "a row of its catalogue is damaged";
                return false;
            }
            Database::Entry e;
            e.page = page;
            e.row = static_cast<std::uint8_t>(r);
            if (!crackRow(row.bytes, db.catalogue.columns, &e.values)) {
                *problem = "a row of its catalogue is damaged (page " + std::to_string(page) + ")";
                return false;
            }
            db.entries.push_back(std::move(e));
        }
    }
    PageRow global;
    if (!rowAt(db.file, 1u << 8, &global) || !decodeMap(db.file, global.bytes, &db.globalFree)) {
        *problem = "its global page usage map is damaged";
        return false;
    }
    if (global.bytes[0] == 0x01) {
        for (std::size_t i = 0; 1 + 4 * i + 4 <= global.bytes.size(); ++i) {
            if (const std::uint32_t p = rd32(global.bytes.data() + 1 + 4 * i)) {
                db.globalMapPages.push_back(p);
            }
        }
    }
    for (const auto &e : db.entries) {
        if (e.type() == 1 && !(e.flags() & kSystemFlags) && e.values[6]) {
            db.owner = *e.values[6]; // the owner the database's own tables have
            break;
        }
    }
    return true;
}

// The key of a catalogue row in one of the catalogue's indexes.
std::optional<std::string> catalogueKey(const Database &db, const RealIndex &index, const std::vector<Value> &values) {
    std::string key;
    for (std::uint16_t c : index.columns) {
        if (c >= db.catalogue.columns.size() || !values[c]) {
            return std::nullopt;
        }
        const Column &col = db.catalogue.columns[c];
        if (col.type == kLong) {
            key += keyOfLong(static_cast<std::int32_t>(rd32(values[c]->data())));
        } else if (col.type == kText) {
            auto k = keyOfText(jetText(*values[c]));
            if (!k) {
                return std::nullopt;
            }
            key += *k;
        } else {
            return std::nullopt;
        }
    }
    return key;
}

// The pages a table owns, as its usage maps and the pages' own headers agree.
std::set<std::uint32_t> ownedPages(const Database &db, const TableDef &def) {
    std::set<std::uint32_t> owned(def.chain.begin() + 1, def.chain.end());
    auto collect = [&](std::uint32_t mapPointer, auto accept) {
        PageRow row;
        std::set<std::uint32_t> pages;
        if (mapPointer && rowAt(db.file, mapPointer, &row) && decodeMap(db.file, row.bytes, &pages)) {
            for (std::uint32_t p : pages) {
                if (p > 2 && p < db.file.pages() && accept(db.file.page(p))) {
                    owned.insert(p);
                }
            }
        }
    };
    collect(def.usedMap, [&](const char *p) { return p[0] == 0x01 && rd32(p + 4) == def.page; });
    for (const auto &ri : def.realIndexes) {
        collect(ri.usedMap, [&](const char *p) { return (p[0] == 0x03 || p[0] == 0x04) && rd32(p + 4) == def.page; });
        if (ri.firstPage > 2 && ri.firstPage < db.file.pages()) {
            const char *p = db.file.page(ri.firstPage);
            if ((p[0] == 0x03 || p[0] == 0x04) && rd32(p + 4) == def.page) {
                owned.insert(ri.firstPage);
            }
        }
    }
    for (const auto &lv : def.longValueMaps) {
        collect(lv.usedMap, [](const char *p) { return p[0] == 0x01 && std::memcmp(p + 4, "LVAL", 4) == 0; });
    }
    return owned;
}

void markDeleted(File &file, std::uint32_t pointer) {
    const std::uint32_t page = pointer >> 8;
    if (!pointer || page >= file.pages() || file.page(page)[0] != 0x01) {
        return;
    }
    char *p = file.page(page);
    const std::size_t row = pointer & 0xFF;
    if (row < rd16(p + 12)) {
        wr16(p + 14 + 2 * row, static_cast<std::uint16_t>(rd16(p + 14 + 2 * row) | 0x8000));
    }
}

struct NewTable {
    std::string name;
    std::vector<TableColumn> columns;
    const std::vector<std::vector<Cell>> *rows = nullptr; // the first holds the column names
};

std::vector<Column> jetColumns(const NewTable &t) {
    std::vector<Column> cols;
    for (const auto &c : t.columns) {
        Column j;
        j.name = c.name;
        switch (c.type) {
        case ColumnType::Float:
            j.type = kDouble, j.length = 8, j.flags = 0x03;
            break;
        case ColumnType::Integer:
            j.type = kLong, j.length = 4, j.flags = 0x03;
            break;
        case ColumnType::Short:
            j.type = kInt, j.length = 2, j.flags = 0x03;
            break;
        case ColumnType::Text:
            j.type = kText, j.length = 2 * kMaxTextChars, j.flags = 0x02, j.miscFlags = 0x01;
            break;
        }
        cols.push_back(j);
    }
    layOutColumns(cols);
    return cols;
}

// Writes the rows on new data pages at the end of the file; their page numbers.
bool writeRows(Database &db, const NewTable &t, const std::vector<Column> &cols, std::uint32_t defPage,
               std::set<std::uint32_t> *pages, std::string *problem) {
    std::vector<PageRow> pageRows;
    std::size_t room = jet::kPage - 14;
    auto flush = [&] {
        if (!pageRows.empty()) {
            const std::uint32_t p = db.file.append();
            writeDataPage(db.file.page(p), defPage, pageRows);
            pages->insert(p);
            pageRows.clear();
            room = jet::kPage - 14;
        }
    };
    for (std::size_t r = 1; t.rows && r < t.rows->size(); ++r) {
        const auto &cells = (*t.rows)[r];
        std::vector<Value> values(cols.size());
        for (std::size_t c = 0; c < cols.size() && c < cells.size(); ++c) {
            const Cell &cell = cells[c];
            if (isNull(cell)) {
                continue;
            }
            const double *d = std::get_if<double>(&cell);
            switch (cols[c].type) {
            case kDouble:
                values[c] = doubleBytes(d ? *d : 0);
                break;
            case kLong:
                if (!d || *d < -2147483648.0 || *d > 2147483647.0) {
                    *problem = "the value in row " + std::to_string(r) + " of the column " + cols[c].name +
                               " does not fit an Access long integer";
                    return false;
                }
                values[c] = longBytes(static_cast<std::uint32_t>(static_cast<std::int32_t>(*d)));
                break;
            case kInt:
                values[c] = shortBytes(static_cast<std::uint16_t>(static_cast<std::int16_t>(d ? *d : 0)));
                break;
            default: {
                const std::string *s = std::get_if<std::string>(&cell);
                if (s && characters(*s) > kMaxTextChars) {
                    *problem = "the text in row " + std::to_string(r) + " of the column " + cols[c].name +
                               " is longer than the 255 characters of an Access text column";
                    return false;
                }
                values[c] = textBytes(s ? *s : std::string());
            }
            }
        }
        std::string row = encodeRow(cols, values);
        if (row.size() + 2 > room || pageRows.size() == 255) {
            flush();
        }
        room -= row.size() + 2;
        pageRows.push_back({0, std::move(row)});
    }
    flush();
    return true;
}

// A table definition of our columns on the page, with its maps.
bool defineTable(Database &db, const NewTable &t, std::uint32_t defPage, std::uint32_t usedMap,
                 std::uint32_t freeMap, std::string *problem) {
    const auto cols = jetColumns(t);
    std::set<std::uint32_t> pages;
    if (!writeRows(db, t, cols, defPage, &pages, problem)) {
        return false;
    }
    TableDef def;
    def.page = defPage;
    def.version = db.catalogue.version;
    def.rowCount = static_cast<std::uint32_t>(t.rows && !t.rows->empty() ? t.rows->size() - 1 : 0);
    def.columns = cols;
    std::vector<std::uint32_t> mapPages;
    const std::string map = encodeMap(db.file, pages, &mapPages);
    if (usedMap) {
        // The maps of the table replaced keep their places (and the pointers to them).
        std::vector<std::uint32_t> freeMapPages;
        const std::string free = encodeMap(db.file, pages, &freeMapPages);
        if (!replaceRow(db.file, usedMap, map, 0) || !replaceRow(db.file, freeMap, free, 0)) {
            *problem = "the page usage maps of the table replaced are damaged";
            return false;
        }
    } else {
        usedMap = addMap(db, pages);
        freeMap = addMap(db, pages);
    }
    def.usedMap = usedMap;
    def.freeMap = freeMap;
    return writeTableDef(db.file, def, problem);
}

// The names of tables taking part in relationships (MSysRelationships).
std::set<std::string> relatedTables(const Database &db) {
    std::set<std::string> names;
    for (const auto &e : db.entries) {
        if (e.type() != 1 || lowerAscii(e.name()) != "msysrelationships") {
            continue;
        }
        TableDef def;
        std::string problem;
        PageRow mapRow;
        std::set<std::uint32_t> pages;
        if (!readTableDef(db.file, e.id() & 0xFFFFFF, &def, &problem) || !rowAt(db.file, def.usedMap, &mapRow) ||
            !decodeMap(db.file, mapRow.bytes, &pages)) {
            continue;
        }
        for (std::uint32_t p : pages) {
            std::vector<PageRow> rows;
            std::uint32_t owner = 0;
            if (p >= db.file.pages() || !readDataPage(db.file.page(p), &owner, &rows) || owner != def.page) {
                continue;
            }
            for (const auto &r : rows) {
                std::vector<Value> v;
                if (r.flags || !crackRow(r.bytes, def.columns, &v)) {
                    continue;
                }
                for (const auto &c : def.columns) {
                    if ((c.name == "szObject" || c.name == "szReferencedObject") && v[c.number]) {
                        names.insert(lowerAscii(jetText(*v[c.number])));
                    }
                }
            }
        }
    }
    return names;
}

// Replaces the table of that name, or adds it.
bool putTable(Database &db, const NewTable &t, std::string *problem) {
    std::vector<Database::Entry *> matches;
    for (auto &e : db.entries) {
        if (e.type() == 1 && e.parent() == kTablesContainer && sameTableName(e.name(), t.name)) {
            matches.push_back(&e);
        }
    }
    const std::string name = matches.empty() ? plainTableName(t.name) : t.name;
    if (matches.size() > 1) {
        *problem = "it holds " + std::to_string(matches.size()) + " tables named like " + t.name +
                   " (with and without apostrophes); delete all but one in Access first";
        return false;
    }
    if (!matches.empty()) {
        Database::Entry &e = *matches.front();
        if (e.flags() & kSystemFlags) {
            *problem = "its table " + e.name() + " is a system table";
            return false;
        }
        if (e.values[9] || e.values[10]) {
            *problem = "its table " + e.name() + " is linked to another database";
            return false;
        }
        if (lowerAscii(e.name()) != lowerAscii(name) || keyOfText(e.name()) != keyOfText(name)) {
            *problem = "its table " + e.name() + " would have to be renamed to " + name +
                       ", which this program does not do; rename or delete it in Access first";
            return false;
        }
        TableDef old;
        if (!readTableDef(db.file, e.id() & 0xFFFFFF, &old, problem)) {
            return false;
        }
        const auto related = relatedTables(db);
        bool foreign = related.count(lowerAscii(e.name())) > 0;
        for (const auto &li : old.logicalIndexes) {
            foreign = foreign || li.relatedIndex != -1 || li.type == 2;
        }
        if (foreign) {
            *problem = "its table " + e.name() + " takes part in a relationship; delete the relationship in Access first";
            return false;
        }
        for (std::uint32_t p : ownedPages(db, old)) {
            std::memset(db.file.page(p), 0, jet::kPage);
            db.freed.insert(p);
        }
        for (const auto &ri : old.realIndexes) {
            markDeleted(db.file, ri.usedMap);
        }
        for (const auto &lv : old.longValueMaps) {
            markDeleted(db.file, lv.usedMap);
            markDeleted(db.file, lv.freeMap);
        }
        if (!defineTable(db, t, old.page, old.usedMap, old.freeMap, problem)) {
            return false;
        }
        // The catalogue row: the name as given, the time of the change, no
        // properties of the old columns.
        e.values[2] = utf16(name);
        e.values[5] = doubleBytes(db.now);
        e.values[14] = std::nullopt;
        if (!replaceRow(db.file, e.page << 8 | e.row, encodeRow(db.catalogue.columns, e.values), 0)) {
            *problem = "a page of its catalogue is damaged";
            return false;
        }
        return true;
    }
    // A new table: its definition page names it in the catalogue.
    if (!keyOfText(name)) {
        *problem = "the table name " + name +
                   " holds a character other than the letters A to Z, the digits and \"_\", which this program "
                   "cannot yet place in the catalogue's index of an existing database";
        return false;
    }
    const std::uint32_t defPage = db.file.append();
    if (defPage > 0xFFFFFF) {
        *problem = "it is too large";
        return false;
    }
    if (!defineTable(db, t, defPage, 0, 0, problem)) {
        return false;
    }
    Database::Entry e;
    e.values.assign(db.catalogue.columns.size(), std::nullopt);
    e.values[0] = longBytes(defPage);
    e.values[1] = longBytes(kTablesContainer);
    e.values[2] = utf16(name);
    e.values[3] = shortBytes(1);
    e.values[4] = doubleBytes(db.now);
    e.values[5] = doubleBytes(db.now);
    e.values[6] = db.owner;
    e.values[7] = longBytes(0);
    PageRow mapRow;
    std::set<std::uint32_t> pages;
    if (!rowAt(db.file, db.catalogue.usedMap, &mapRow) || !decodeMap(db.file, mapRow.bytes, &pages)) {
        *problem = "the page usage map of its catalogue is damaged";
        return false;
    }
    std::uint32_t fresh = 0;
    const std::uint32_t pointer = addRow(db.file, 2, encodeRow(db.catalogue.columns, e.values), pages, &fresh);
    if (fresh) {
        pages.insert(fresh);
        std::vector<std::uint32_t> none;
        const std::string map = encodeMap(db.file, pages, &none);
        if (!none.empty() || !replaceRow(db.file, db.catalogue.usedMap, map, 0) ||
            !replaceRow(db.file, db.catalogue.freeMap, map, 0)) {
            *problem = "its catalogue is full: compact the database in Access first";
            return false;
        }
    }
    e.page = pointer >> 8;
    e.row = static_cast<std::uint8_t>(pointer & 0xFF);
    // An entry in each index of the catalogue.
    for (auto &ri : db.catalogue.realIndexes) {
        const auto key = catalogueKey(db, ri, e.values);
        char *root = ri.firstPage < db.file.pages() ? db.file.page(ri.firstPage) : nullptr;
        std::vector<std::string> entries;
        std::string why;
        if (!key || !root || !readLeafPage(root, &entries, &why) || rd32(root + 12) != 0 || rd32(root + 16) != 0) {
            *problem = "the catalogue's index spans several pages, which this program cannot yet extend; "
                       "compact the database in Access or write the table to a new .mdb file";
            return false;
        }
        const std::string entry = *key + pointerBytes(e.page, e.row);
        entries.insert(std::upper_bound(entries.begin(), entries.end(), entry), entry);
        if (!writeLeafPage(root, 2, entries, rd32(root + 8))) {
            *problem = "the catalogue's index page is full; compact the database in Access first";
            return false;
        }
        ++ri.rowCount;
    }
    ++db.catalogue.rowCount;
    char *catalogue = db.file.page(2);
    wr32(catalogue + 16, db.catalogue.rowCount);
    for (std::size_t i = 0; i < db.catalogue.realIndexes.size(); ++i) {
        wr32(catalogue + 63 + 12 * i + 4, db.catalogue.realIndexes[i].rowCount);
    }
    db.entries.push_back(std::move(e));
    return true;
}

// Whether a row read back through libmdb is the row written: libmdb prints
// doubles with 15 significant digits, so numbers are compared at those.
bool sameCells(const std::vector<Cell> &read, const std::vector<Cell> &written) {
    if (read.size() != written.size()) {
        return false;
    }
    for (std::size_t i = 0; i < read.size(); ++i) {
        const double *a = std::get_if<double>(&read[i]);
        const double *b = std::get_if<double>(&written[i]);
        if (a && b && *a == *b) {
            continue;
        }
        if (a && b) {
            char x[40], y[40];
            std::snprintf(x, sizeof x, "%.15g", *a);
            std::snprintf(y, sizeof y, "%.15g", *b);
            if (std::string(x) != y) {
                return false;
            }
        } else if (read[i] != written[i]) {
            return false;
        }
    }
    return true;
}

// A new database holding the system tables, ready for putTable.
Database newDatabase() {
    Database db;
    db.file.bytes = databasePage(db.now);
    db.file.append(); // 1: the global page usage map
    db.file.append(); // 2: the catalogue's definition
    const auto sys = systemTables();
    for (std::size_t i = 0; i < sys.size(); ++i) {
        db.file.append(); // 3, 4, 5: the other system tables
    }
    writeDataPage(db.file.page(1), 1, {{0, std::string(kMapRow, '\0')}, {0, std::string(kMapRow, '\0')}});
    const std::uint32_t catalogueData = db.file.append();
    auto emptyMap = [&] { return addMap(db, {}); };
    auto defineSystem = [&](TableDef &def, const std::vector<std::vector<std::uint16_t>> &indexes,
                            const std::vector<const char *> &names, std::uint8_t flags, std::uint32_t rows) {
        def.system = true;
        for (std::size_t i = 0; i < indexes.size(); ++i) {
            RealIndex ri;
            ri.columns = indexes[i];
            ri.firstPage = db.file.append();
            writeLeafPage(db.file.page(ri.firstPage), def.page, {});
            ri.usedMap = addMap(db, {ri.firstPage});
            ri.flags = flags;
            ri.rowCount = rows;
            def.realIndexes.push_back(ri);
            LogicalIndex li;
            li.name = names[i];
            li.number = static_cast<std::uint32_t>(i);
            li.real = static_cast<std::uint32_t>(i);
            def.logicalIndexes.push_back(li);
        }
        for (const auto &c : def.columns) {
            if (c.longValue()) {
                def.longValueMaps.push_back({c.number, emptyMap(), emptyMap()});
            }
        }
    };
    TableDef &cat = db.catalogue;
    cat.page = 2;
    cat.chain = {2};
    cat.columns = catalogueColumns();
    cat.usedMap = addMap(db, {catalogueData});
    cat.freeMap = addMap(db, {catalogueData});
    defineSystem(cat, {{1, 2}, {0}}, {"ParentIdName", "Id"}, 0x81, 0);
    // "Id", the primary key, is listed first; it is the second physical index.
    std::swap(cat.logicalIndexes[0], cat.logicalIndexes[1]);
    cat.logicalIndexes[0].type = 1;
    writeDataPage(db.file.page(catalogueData), 2, {});
    std::string problem;
    for (std::size_t i = 0; i < sys.size(); ++i) {
        TableDef def;
        def.page = static_cast<std::uint32_t>(3 + i);
        def.columns = sys[i].columns;
        def.usedMap = emptyMap();
        def.freeMap = emptyMap();
        defineSystem(def, sys[i].indexes, sys[i].indexNames, sys[i].indexFlags, 0);
        writeTableDef(db.file, def, &problem);
    }
    writeTableDef(db.file, cat, &problem);
    // The catalogue's own rows: the containers and the system tables.
    struct Object {
        std::uint32_t id, parent;
        std::uint16_t type;
        const char *name;
        std::uint32_t flags;
        const char *owner;
    };
    const Object objects[] = {
        {0x0F000001, 0x0F000000, 3, "Tables", 0x80000000, "\x73\x67"},
        {0x0F000002, 0x0F000000, 3, "Databases", 0x80000000, "\x73\x67"},
        {0x0F000003, 0x0F000000, 3, "Relationships", 0x80000000, "\x73\x67"},
        {0x10000000, 0x0F000002, 2, "MSysDb", 0x80000000, "\x72\x65"},
        {2, kTablesContainer, 1, "MSysObjects", 0x80000000, "\x73\x67"},
        {3, kTablesContainer, 1, "MSysACEs", 0x80000000, "\x73\x67"},
        {4, kTablesContainer, 1, "MSysQueries", 0x80000000, "\x73\x67"},
        {5, kTablesContainer, 1, "MSysRelationships", 0x80000000, "\x73\x67"},
        {0x80000000, 0x0F000000, 3, "DataAccessPages", 0, "\x72\x65"},
        {0x80000001, 0x0F000000, 3, "Forms", 0, "\x72\x65"},
        {0x80000002, 0x0F000000, 3, "Modules", 0, "\x72\x65"},
        {0x80000003, 0x0F000000, 3, "Reports", 0, "\x72\x65"},
        {0x80000004, 0x0F000000, 3, "Scripts", 0, "\x72\x65"},
        {0x80000005, 0x0F000000, 3, "SysRel", 0, "\x72\x65"},
    };
    std::vector<PageRow> rows;
    std::vector<std::vector<std::string>> keys(cat.realIndexes.size());
    for (const auto &o : objects) {
        std::vector<Value> v(cat.columns.size());
        v[0] = longBytes(o.id);
        v[1] = longBytes(o.parent);
        v[2] = utf16(o.name);
        v[3] = shortBytes(o.type);
        v[4] = doubleBytes(db.now);
        v[5] = doubleBytes(db.now);
        v[6] = std::string(o.owner, 2);
        v[7] = longBytes(o.flags);
        for (std::size_t i = 0; i < cat.realIndexes.size(); ++i) {
            keys[i].push_back(*catalogueKey(db, cat.realIndexes[i], v) +
                              pointerBytes(catalogueData, static_cast<std::uint8_t>(rows.size())));
        }
        rows.push_back({0, encodeRow(cat.columns, v)});
        Database::Entry e;
        e.page = catalogueData;
        e.row = static_cast<std::uint8_t>(rows.size() - 1);
        e.values = std::move(v);
        db.entries.push_back(std::move(e));
    }
    writeDataPage(db.file.page(catalogueData), 2, rows);
    for (std::size_t i = 0; i < cat.realIndexes.size(); ++i) {
        std::sort(keys[i].begin(), keys[i].end());
        writeLeafPage(db.file.page(cat.realIndexes[i].firstPage), 2, keys[i]);
        cat.realIndexes[i].rowCount = static_cast<std::uint32_t>(keys[i].size());
    }
    cat.rowCount = static_cast<std::uint32_t>(rows.size());
    writeTableDef(db.file, cat, &problem);
    db.owner = std::string("\x72\x65", 2);
    db.mapPage = 0; // the tables' own maps go to a page of their own
    return db;
}

// Finishes the global page usage map: freed pages free, new pages in use.
void finishGlobalMap(Database &db, std::size_t oldPages) {
    std::set<std::uint32_t> free;
    for (std::uint32_t p : db.globalFree) {
        if (p < oldPages) {
            free.insert(p);
        }
    }
    free.insert(db.freed.begin(), db.freed.end());
    const std::string row = encodeGlobalMap(db.file, free, &db.globalMapPages);
    replaceRow(db.file, 1u << 8, row, 0);
}

bool loadDatabase(const std::string &file, Database &db, bool *exists, std::string *error) {
    std::error_code ec;
    *exists = std::filesystem::exists(file, ec);
    if (!*exists) {
        db = newDatabase();
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    db.file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        setError(error, "The Access file " + file + " cannot be read.");
        return false;
    }
    std::string problem;
    if (auto why = databaseProblem(db.file.bytes)) {
        problem = *why;
    } else if (!loadCatalogue(db, &problem)) {
    } else {
        return true;
    }
    setError(error, "Tables cannot be written into the Access file " + file + ": " + problem + ".");
    return false;
}

} // namespace

bool jetCheckTable(const std::string &file, const std::string &table, std::string *error) {
    Database db;
    bool exists = false;
    if (!loadDatabase(file, db, &exists, error)) {
        return false;
    }
    const std::vector<std::vector<Cell>> none;
    std::string problem;
    if (!putTable(db, {table, {}, &none}, &problem)) {
        setError(error, "The table " + table + " cannot be written into the Access file " + file + ": " + problem + ".");
        return false;
    }
    return true;
}

bool jetWriteTables(const std::string &file, const std::vector<JetTable> &tables, std::string *error) {
    Database db;
    bool exists = false;
    if (!loadDatabase(file, db, &exists, error)) {
        return false;
    }
    // What the database holds before: every table's rows are counted again after.
    std::map<std::string, std::size_t> before;
    std::vector<TableInfo> listed;
    if (exists) {
        if (!accessListTablesIsolated(file, &listed, error)) {
            return false;
        }
        for (const auto &info : listed) {
            TableData data;
            if (!accessReadTableIsolated(file, info.name, &data, error)) {
                return false;
            }
            before[lowerAscii(info.name)] = data.rows.size();
        }
    }
    // The catalogue gains a row for each table added.
    const std::size_t catalogueRows = db.entries.size();
    before.erase("msysobjects");
    const std::size_t oldPages = db.file.pages();
    for (const auto &t : tables) {
        std::string problem;
        if (!putTable(db, {t.name, t.columns, t.rows}, &problem)) {
            setError(error, "The table " + t.name + " cannot be written into the Access file " + file + ": " +
                                problem + ".");
            return false;
        }
        before.erase(lowerAscii(plainTableName(t.name)));
    }
    finishGlobalMap(db, oldPages);

    StagedFile staged;
    if (!staged.open(file, error) || !staged.write(db.file.bytes) || !staged.stream().flush()) {
        setError(error, "Cannot write the file " + file + ".");
        return false;
    }
    // Read the copy back before it takes the file's place.
    const std::string copy = staged.temporary();
    auto failed = [&](const std::string &what) {
        staged.discard();
        setError(error, "The Access file " + file + " was left as it was: the database written for it " + what + ".");
        return false;
    };
    std::vector<TableInfo> after;
    std::string why;
    if (!accessListTablesIsolated(copy, &after, &why)) {
        return failed("could not be read back (" + why + ")");
    }
    TableData catalogueData;
    if (exists && (!accessReadTableIsolated(copy, "MSysObjects", &catalogueData, &why) ||
                   catalogueData.rows.size() != db.entries.size() || db.entries.size() < catalogueRows)) {
        return failed("does not give its catalogue whole");
    }
    for (const auto &[name, count] : before) {
        TableData data;
        if (!accessReadTableIsolated(copy, name, &data, &why) || data.rows.size() != count) {
            return failed("does not give the table " + name + " as before");
        }
    }
    for (const auto &t : tables) {
        TableData data;
        if (!accessReadTableIsolated(copy, plainTableName(t.name), &data, &why)) {
            return failed("does not give the table " + t.name + " back (" + why + ")");
        }
        const std::size_t expected = t.rows && !t.rows->empty() ? t.rows->size() - 1 : 0;
        if (data.rows.size() != expected || data.fields.size() != t.columns.size()) {
            return failed("gives the table " + t.name + " with " + std::to_string(data.rows.size()) + " rows of " +
                          std::to_string(expected));
        }
        for (std::size_t r = 0; r < expected; ++r) {
            auto want = (*t.rows)[r + 1];
            want.resize(t.columns.size());
            if (!sameCells(data.rows[r], want)) {
                return failed("gives row " + std::to_string(r + 1) + " of the table " + t.name + " otherwise");
            }
        }
    }
    return staged.commit(error);
}

} // namespace vesk::tables
