// The system catalogue of a Jet database (MSysObjects) as our writer reads,
// makes (Jet 4) and extends (Jet 4 and Jet 3) it (see JetDatabase.h).
//
// Every table, query and container has a row in the catalogue; the
// catalogue's two indexes (by id, and by parent id and name) list each row
// once, sorted by key (JetIndexes.cpp). A new database gets the rows and
// empty system tables Access 2000 itself creates; an existing one gains a
// row and an index entry per table added, and loses those of a table
// deleted, with its permissions (its rows of MSysACEs), its other rows kept
// as they are.

#include "platform/tables/JetDatabase.h"
#include "core/TextIO.h"
#include "platform/tables/TableBackends.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace vesk::tables::jet {

namespace {

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
        col("Id", kLong, 4, 0x13),
        col("ParentId", kLong, 4, 0x13),
        col("Name", kText, 510, 0x12),
        col("Type", kInt, 2, 0x13),
        col("DateCreate", kDateTime, 8, 0x13),
        col("DateUpdate", kDateTime, 8, 0x13),
        col("Owner", kBinary, 510, 0x32),
        col("Flags", kLong, 4, 0x13),
        col("Database", kMemo, 0, 0x12),
        col("Connect", kMemo, 0, 0x12),
        col("ForeignName", kText, 510, 0x12),
        col("RmtInfoShort", kBinary, 510, 0x12),
        col("RmtInfoLong", kOle, 0, 0x12),
        col("Lv", kOle, 0, 0x12),
        col("LvProp", kOle, 0, 0x12),
        col("LvModule", kOle, 0, 0x12),
        col("LvExtra", kOle, 0, 0x12),
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
         {col("szRelationship", kText, 510, 0x12), col("grbit", kLong, 4, 0x13),
          col("ccolumn", kLong, 4, 0x13), col("icolumn", kLong, 4, 0x13), col("szObject", kText, 510, 0x12),
          col("szColumn", kText, 510, 0x12), col("szReferencedObject", kText, 510, 0x12),
          col("szReferencedColumn", kText, 510, 0x12)},
         {{0}, {4}, {6}},
         {"szRelationship", "szObject", "szReferencedObject"},
         0x82},
    };
    for (auto &s : t) {
        layOutColumns(s.columns);
    }
    return t;
}

bool loadCatalogue(Database &db, std::string *problem) {
    if (!readTableDef(db.file, 2, &db.catalogue, problem)) {
        return false;
    }
    const auto expected = catalogueColumns();
    if (db.catalogue.columns.size() != expected.size()) {
        *problem = "its catalogue does not have the columns of Access";
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Column &c = db.catalogue.columns[i];
        if (c.name != expected[i].name || c.type != expected[i].type || c.fixed() != expected[i].fixed()) {
            *problem = "its catalogue does not have the columns of Access";
            return false;
        }
    }
    PageRow mapRow;
    std::set<std::uint32_t> pages;
    std::string why = "its row cannot be read";
    if (!rowAt(db.file, db.catalogue.usedMap, &mapRow) || !decodeMap(db.file, mapRow.bytes, &pages, &why)) {
        *problem = "the page usage map of its catalogue is damaged: " + why;
        return false;
    }
    for (std::uint32_t page : pages) {
        std::vector<PageRow> rows;
        std::uint32_t def = 0;
        if (page >= db.file.pages() || db.file.page(page)[0] != 0x01) {
            continue;
        }
        if (!readDataPage(db.file.page(page), &def, &rows, db.file.format)) {
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
            if (!crackRow(row.bytes, db.catalogue.columns, &e.values, db.file.format)) {
                *problem = "a row of its catalogue is damaged (page " + std::to_string(page) + ")";
                return false;
            }
            db.entries.push_back(std::move(e));
        }
    }
    PageRow global;
    why = "its row (page 1, row 0) cannot be read";
    if (!rowAt(db.file, 1u << 8, &global) || !decodeMap(db.file, global.bytes, &db.globalFree, &why)) {
        *problem = "its global page usage map is damaged: " + why;
        return false;
    }
    db.globalMapPages = mapPagesOf(global.bytes);
    db.globalRowSize = std::max<std::size_t>(global.bytes.size(), 5 + 4);
    for (const auto &e : db.entries) {
        if (e.type() == 1 && !(e.flags() & kSystemFlags) && e.values[6] && e.values[6]->size() == 2) {
            db.owner = *e.values[6]; // the owner the database's own tables have
            break;
        }
    }
    return true;
}

// The key of a catalogue row in one of the catalogue's indexes.
std::optional<std::string> catalogueKey(const Database &db, const RealIndex &index,
                                        const std::vector<Value> &values) {
    std::string key;
    for (std::size_t i = 0; i < index.columns.size(); ++i) {
        const std::uint16_t c = index.columns[i];
        if (c >= db.catalogue.columns.size() || !values[c]) {
            return std::nullopt;
        }
        const Column &col = db.catalogue.columns[c];
        const bool descending = i < index.descending.size() && index.descending[i];
        std::optional<std::string> k;
        if (col.type == kLong) {
            k = keyOfLong(static_cast<std::int32_t>(rd32(values[c]->data())), descending);
        } else if (col.type == kText) {
            k = keyOfText(readText(db.file.format, *values[c]), sortOrderOf(db.file.format, col), descending);
        }
        if (!k) {
            return std::nullopt;
        }
        key += *k;
    }
    return key;
}

// The first character of the text that the code page lacks ("" when none does).
std::string missingFromCodePage(const std::string &utf8, std::uint16_t codePage) {
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t n = 1;
        while (i + n < utf8.size() && (static_cast<unsigned char>(utf8[i + n]) & 0xC0) == 0x80) {
            ++n;
        }
        if (!toCodePage(utf8.substr(i, n), codePage)) {
            return utf8.substr(i, n);
        }
        i += n;
    }
    return {};
}

// Deletes the row as Access deletes rows: its place keeps its number, marked
// both deleted (0x8000) and moved (0x4000), with no bytes, so that every
// reader skips it; a row moved to another page goes there too.
void deleteRow(File &file, std::uint32_t pointer) {
    for (int hops = 0; hops < 2; ++hops) {
        std::vector<PageRow> rows;
        std::uint32_t def = 0;
        const std::uint32_t page = pointer >> 8;
        const std::size_t row = pointer & 0xFF;
        if (page >= file.pages() || !readDataPage(file.page(page), &def, &rows, file.format) ||
            row >= rows.size()) {
            return;
        }
        const PageRow was = rows[row];
        rows[row] = {0xC000, std::string()};
        writeDataPage(file.page(page), def, rows, file.format); // it only got shorter
        if (was.flags != 0x4000 || was.bytes.size() < 4) {
            return;
        }
        pointer = rd32(was.bytes.data());
    }
}

// The numbers of rows of the table and of each of its indexes in its definition.
void writeRowCounts(File &file, const TableDef &def) {
    const Format &f = file.format;
    char *page = file.page(def.page);
    const std::size_t rowsAt = f.jet3 ? 12 : 16, indexesAt = f.jet3 ? 43 : 63, perIndex = f.jet3 ? 8 : 12;
    wr32(page + rowsAt, def.rowCount);
    for (std::size_t i = 0; i < def.realIndexes.size(); ++i) {
        wr32(page + indexesAt + perIndex * i + 4, def.realIndexes[i].rowCount);
    }
}

// A new database holding the system tables, ready for tables to be added.
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

} // namespace

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

void finishGlobalMap(Database &db, std::size_t oldPages) {
    std::set<std::uint32_t> free;
    for (std::uint32_t p : db.globalFree) {
        if (p < oldPages) {
            free.insert(p);
        }
    }
    free.insert(db.freed.begin(), db.freed.end());
    const std::string row = encodeGlobalMap(db.file, free, &db.globalMapPages, db.globalRowSize);
    replaceRow(db.file, 1u << 8, row, 0);
}

bool loadDatabase(const std::string &file, const std::string &source, Database &db, bool *exists,
                  std::string *error) {
    *exists = !source.empty();
    if (!*exists) {
        db = newDatabase();
        return true;
    }
    std::ifstream in(source, std::ios::binary);
    db.file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        setError(error, "The Access file " + file + " cannot be read.");
        return false;
    }
    std::string problem;
    if (auto why = databaseProblem(db.file.bytes, &db.file.format)) {
        problem = *why;
    } else if (!loadCatalogue(db, &problem)) {
    } else {
        return true;
    }
    setError(error, "Tables cannot be written into the Access file " + file + ": " + problem + ".");
    return false;
}

std::optional<std::string> nameKey(const Database &db, const std::string &name, std::string *problem) {
    const Format &f = db.file.format;
    const Column &column = db.catalogue.columns.size() > 2 ? db.catalogue.columns[2] : Column{};
    std::string why;
    auto key = keyOfText(name, sortOrderOf(f, column), false, &why);
    if (!key && problem) {
        if (sortOrderOf(f, column) == SortOrder::Unknown) {
            *problem = "its catalogue sorts names in the sort order " + sortOrderName(f, column) +
                       ", whose keys this program does not know (only those of \"General\"); write the table "
                       "into a database made with the \"General\" sort order";
        } else {
            *problem = "the table name " + name + " holds " + why + "; name the table without it";
        }
    }
    return key;
}

std::set<std::string> relatedTables(const Database &db) {
    std::set<std::string> names;
    for (const auto &e : db.entries) {
        if (e.type() != 1 || lowerAscii(e.name(db.file.format)) != "msysrelationships") {
            continue;
        }
        TableDef def;
        std::string problem;
        PageRow mapRow;
        std::set<std::uint32_t> pages;
        if (!readTableDef(db.file, e.id() & 0xFFFFFF, &def, &problem) ||
            !rowAt(db.file, def.usedMap, &mapRow) || !decodeMap(db.file, mapRow.bytes, &pages)) {
            continue;
        }
        for (std::uint32_t p : pages) {
            std::vector<PageRow> rows;
            std::uint32_t owner = 0;
            if (p >= db.file.pages() || !readDataPage(db.file.page(p), &owner, &rows, db.file.format) ||
                owner != def.page) {
                continue;
            }
            for (const auto &r : rows) {
                std::vector<Value> v;
                if (r.flags || !crackRow(r.bytes, def.columns, &v, db.file.format)) {
                    continue;
                }
                for (const auto &c : def.columns) {
                    if ((c.name == "szObject" || c.name == "szReferencedObject") && v[c.number]) {
                        names.insert(foldCase(readText(db.file.format, *v[c.number])));
                    }
                }
            }
        }
    }
    return names;
}

bool addCatalogueEntry(Database &db, const std::string &name, std::uint32_t defPage, std::string *problem) {
    const Format &f = db.file.format;
    const auto stored = storedText(f, name);
    if (!stored) {
        *problem = "the table name " + name + " holds \"" + missingFromCodePage(name, f.codePage) +
                   "\", which the database's code page (" + std::to_string(f.codePage) +
                   ") lacks; name the table without it";
        return false;
    }
    Database::Entry e;
    e.values.assign(db.catalogue.columns.size(), std::nullopt);
    e.values[0] = longBytes(defPage);
    e.values[1] = longBytes(kTablesContainer);
    e.values[2] = f.jet3 ? *stored : utf16(name);
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
    const std::uint32_t pointer =
        addRow(db.file, db.catalogue.page, encodeRow(db.catalogue.columns, e.values, f), pages, &fresh);
    if (fresh &&
        (!changeMap(db, db.catalogue.usedMap, {fresh}) || !changeMap(db, db.catalogue.freeMap, {fresh}))) {
        *problem = "the page usage map of its catalogue is damaged";
        return false;
    }
    e.page = pointer >> 8;
    e.row = static_cast<std::uint8_t>(pointer & 0xFF);
    // An entry in each index of the catalogue.
    for (auto &ri : db.catalogue.realIndexes) {
        const auto key = catalogueKey(db, ri, e.values);
        if (!key) {
            *problem = "the table name " + name + " cannot be placed in the catalogue's index";
            return false;
        }
        if (!insertIndexEntry(db, db.catalogue.page, ri.firstPage, ri.usedMap,
                              *key + pointerBytes(e.page, e.row), problem)) {
            return false;
        }
        ++ri.rowCount;
    }
    ++db.catalogue.rowCount;
    writeRowCounts(db.file, db.catalogue);
    db.entries.push_back(std::move(e));
    return true;
}

bool reindexCatalogueEntry(Database &db, const Database::Entry &e, const std::vector<Value> &before,
                           std::string *problem) {
    const std::string place = pointerBytes(e.page, e.row);
    for (const auto &ri : db.catalogue.realIndexes) {
        const auto was = catalogueKey(db, ri, before), is = catalogueKey(db, ri, e.values);
        if (was == is) {
            continue;
        }
        if (!is) {
            *problem =
                "the table name " + e.name(db.file.format) + " cannot be placed in the catalogue's index";
            return false;
        }
        if (!removeIndexEntry(db, db.catalogue.page, ri.firstPage, ri.usedMap, place, problem) ||
            !insertIndexEntry(db, db.catalogue.page, ri.firstPage, ri.usedMap, *is + place, problem)) {
            return false;
        }
    }
    return true;
}

bool removeCatalogueEntry(Database &db, std::uint32_t page, std::uint8_t row, std::string *problem) {
    const auto e = std::find_if(db.entries.begin(), db.entries.end(),
                                [&](const Database::Entry &x) { return x.page == page && x.row == row; });
    if (e == db.entries.end()) {
        *problem = "a row of its catalogue is damaged";
        return false;
    }
    for (auto &ri : db.catalogue.realIndexes) {
        if (!removeIndexEntry(db, db.catalogue.page, ri.firstPage, ri.usedMap, pointerBytes(page, row),
                              problem)) {
            return false;
        }
        ri.rowCount -= ri.rowCount > 0;
    }
    deleteRow(db.file, page << 8 | row);
    db.catalogue.rowCount -= db.catalogue.rowCount > 0;
    writeRowCounts(db.file, db.catalogue);
    db.entries.erase(e);
    return true;
}

bool removePermissions(Database &db, std::uint32_t id, std::string *problem) {
    const Format &f = db.file.format;
    const auto aces = std::find_if(db.entries.begin(), db.entries.end(), [&](const Database::Entry &e) {
        return e.type() == 1 && (e.flags() & kSystemFlags) && lowerAscii(e.name(f)) == "msysaces";
    });
    if (aces == db.entries.end()) {
        return true;
    }
    TableDef def;
    PageRow mapRow;
    std::set<std::uint32_t> pages;
    auto damaged = [&] {
        *problem = "its table of permissions (MSysACEs) is damaged";
        return false;
    };
    if (!readTableDef(db.file, aces->id() & 0xFFFFFF, &def, problem) ||
        !rowAt(db.file, def.usedMap, &mapRow) || !decodeMap(db.file, mapRow.bytes, &pages)) {
        return damaged();
    }
    const auto objectId = std::find_if(def.columns.begin(), def.columns.end(), [](const Column &c) {
        return c.name == "ObjectId" && c.type == kLong;
    });
    if (objectId == def.columns.end()) {
        return damaged();
    }
    // The rows of the object, where the table's pages hold them.
    std::vector<std::uint32_t> rows;
    for (std::uint32_t page : pages) {
        std::vector<PageRow> onPage;
        std::uint32_t owner = 0;
        if (page >= db.file.pages() || db.file.page(page)[0] != 0x01) {
            continue;
        }
        if (!readDataPage(db.file.page(page), &owner, &onPage, f)) {
            return damaged();
        }
        for (std::size_t r = 0; owner == def.page && r < onPage.size(); ++r) {
            const std::uint32_t pointer = page << 8 | static_cast<std::uint32_t>(r);
            PageRow row;
            std::vector<Value> values;
            if (onPage[r].flags & 0x8000) {
                continue;
            }
            if (!rowAt(db.file, pointer, &row) || !crackRow(row.bytes, def.columns, &values, f)) {
                return damaged();
            }
            const Value &v = values[objectId->number];
            if (v && v->size() == 4 && rd32(v->data()) == id) {
                rows.push_back(pointer);
            }
        }
    }
    if (rows.empty()) {
        return true;
    }
    for (std::uint32_t pointer : rows) {
        for (const auto &ri : def.realIndexes) {
            if (!removeIndexEntry(db, def.page, ri.firstPage, ri.usedMap,
                                  pointerBytes(pointer >> 8, static_cast<std::uint8_t>(pointer & 0xFF)),
                                  problem, "its table of permissions (MSysACEs)")) {
                return false;
            }
        }
        deleteRow(db.file, pointer);
        def.rowCount -= def.rowCount > 0;
    }
    // An index counts its keys, each once: the object's id is one key less.
    for (auto &ri : def.realIndexes) {
        ri.rowCount -= ri.rowCount > 0;
    }
    writeRowCounts(db.file, def);
    return true;
}

} // namespace vesk::tables::jet
