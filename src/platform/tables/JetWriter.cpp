// Tables written into Access databases by our own writer: new databases in
// Jet 4 (Access 2000), existing ones in their own version, Jet 4 or Jet 3
// (Access 97); libmdb, which reads them, cannot create tables.
//
// A new database gets its system catalogue (JetCatalogue.cpp) and the
// tables. In an existing database a table replaces the tables of its name
// and of its name in apostrophes (Quoted replaces Quoted and 'Quoted'). One
// of them keeps its definition page, catalogue row and catalogue id (so the
// catalogue's index by id and the permissions keyed by the id still hold;
// its entry in the index by name moves when the name's key changes), its old
// pages are given back to the global page usage map as free, and its rows go
// to new pages at the end of the file; any other is deleted, as Access
// deletes a table, with its permissions. A table the database does not hold
// yet gets a new definition page, a catalogue row and an entry in each index
// of the catalogue. Every other page keeps its bytes.
//
// The whole database is edited in memory and written to a temporary file
// beside it, which is read back through libmdb (in one helper process)
// before it replaces the file: the catalogue's rows, every other table
// against the file (columns and cells) and every row of the new tables. Any
// failure leaves the file as it was.

#include "platform/tables/JetDatabase.h"
#include "platform/tables/TableBackends.h"

#include "core/StagedFile.h"
#include "core/TextIO.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

namespace vesk::tables {

using namespace jet;

namespace {

constexpr std::size_t kMaxTextChars = 255;

std::size_t characters(const std::string &utf8) {
    std::size_t n = 0;
    for (char ch : utf8) {
        n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }
    return n;
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
        collect(ri.usedMap,
                [&](const char *p) { return (p[0] == 0x03 || p[0] == 0x04) && rd32(p + 4) == def.page; });
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

struct NewTable {
    std::string name;
    std::vector<TableColumn> columns;
    const std::vector<std::vector<Cell>> *rows = nullptr; // the first holds the column names
};

std::vector<Column> jetColumns(const NewTable &t, const Format &f) {
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
            j.type = kText, j.length = f.textLength(), j.flags = 0x02, j.miscFlags = f.jet3 ? 0x00 : 0x01;
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
    const Format &f = db.file.format;
    std::vector<PageRow> pageRows;
    std::size_t room = f.page() - f.dataHeader();
    auto flush = [&] {
        if (!pageRows.empty()) {
            const std::uint32_t p = db.file.append();
            writeDataPage(db.file.page(p), defPage, pageRows, f);
            pages->insert(p);
            pageRows.clear();
            room = f.page() - f.dataHeader();
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
                auto stored = storedText(f, s ? *s : std::string());
                if (!stored || stored->size() > cols[c].length) {
                    *problem = "the text in row " + std::to_string(r) + " of the column " + cols[c].name +
                               " holds a character the database's code page (" + std::to_string(f.codePage) +
                               ") lacks";
                    return false;
                }
                values[c] = std::move(*stored);
            }
            }
        }
        std::string row = encodeRow(cols, values, f);
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
    const auto cols = jetColumns(t, db.file.format);
    std::set<std::uint32_t> pages;
    if (!writeRows(db, t, cols, defPage, &pages, problem)) {
        return false;
    }
    TableDef def;
    def.page = defPage;
    def.version = db.catalogue.version;
    def.rowCount = static_cast<std::uint32_t>(t.rows && !t.rows->empty() ? t.rows->size() - 1 : 0);
    def.columns = cols;
    if (usedMap) {
        // The maps of the table replaced keep their places (and the pointers
        // to them), their size and the map pages of a map kept by reference.
        for (std::uint32_t pointer : {usedMap, freeMap}) {
            PageRow old;
            if (!rowAt(db.file, pointer, &old) || old.bytes.size() < 5) {
                *problem = "the page usage maps of the table replaced are damaged";
                return false;
            }
            std::vector<std::uint32_t> mapPages = mapPagesOf(old.bytes);
            const std::string map = encodeMap(db.file, pages, &mapPages, old.bytes.size());
            if (!replaceRow(db.file, pointer, map, 0)) {
                *problem = "the page usage maps of the table replaced are damaged";
                return false;
            }
        }
    } else {
        usedMap = addMap(db, pages);
        freeMap = addMap(db, pages);
    }
    def.usedMap = usedMap;
    def.freeMap = freeMap;
    return writeTableDef(db.file, def, problem);
}

// What an object of the tables' container other than a local table is.
std::string objectKind(std::uint16_t type) {
    switch (type) {
    case 5:
        return "a query";
    case 4:
    case 6:
        return "a linked table";
    default:
        return "an object (of type " + std::to_string(type) + ")";
    }
}

// Rewrites the row where it is: at its place, or where Access moved it when
// it grew (the place then holds the pointer to it, the row there is marked
// as moved, 0x8000, so that scans pass over it); false when it no longer fits.
bool rewriteRow(File &file, std::uint32_t pointer, const std::string &bytes) {
    std::vector<PageRow> rows;
    std::uint32_t def = 0;
    const std::uint32_t page = pointer >> 8;
    const std::size_t row = pointer & 0xFF;
    if (page >= file.pages() || !readDataPage(file.page(page), &def, &rows, file.format) ||
        row >= rows.size()) {
        return false;
    }
    if ((rows[row].flags & 0xC000) == 0x4000 && rows[row].bytes.size() >= 4) {
        return replaceRow(file, rd32(rows[row].bytes.data()), bytes, 0x8000);
    }
    return replaceRow(file, pointer, bytes, 0);
}

// Why a table of the database cannot be replaced (a system table, a linked
// one, one in a relationship), or "" when it can; its definition in *def.
std::string unreplaceable(const Database &db, const Database::Entry &e, TableDef *def) {
    const std::string name = e.name(db.file.format);
    if (e.flags() & kSystemFlags) {
        return "its table " + name + " is a system table";
    }
    if (e.values[9] || e.values[10]) {
        return "its table " + name + " is linked to another database";
    }
    std::string problem;
    if (!readTableDef(db.file, e.id() & 0xFFFFFF, def, &problem)) {
        return problem;
    }
    bool foreign = relatedTables(db).count(foldCase(name)) > 0;
    for (const auto &li : def->logicalIndexes) {
        foreign = foreign || li.relatedIndex != -1 || li.type == 2;
    }
    return foreign ? "its table " + name +
                         " takes part in a relationship; delete the relationship in Access first"
                   : std::string();
}

// Gives the pages of the table back as free and marks its usage maps deleted
// (the table keeps its definition page when it is replaced).
void releaseTable(Database &db, const TableDef &def, bool definitionToo) {
    std::set<std::uint32_t> pages = ownedPages(db, def);
    if (definitionToo) {
        pages.insert(def.page);
    }
    for (std::uint32_t p : pages) {
        std::memset(db.file.page(p), 0, db.file.pageSize());
        db.freed.insert(p);
    }
    for (const auto &ri : def.realIndexes) {
        markDeleted(db.file, ri.usedMap);
    }
    for (const auto &lv : def.longValueMaps) {
        markDeleted(db.file, lv.usedMap);
        markDeleted(db.file, lv.freeMap);
    }
    if (definitionToo) {
        markDeleted(db.file, def.usedMap);
        markDeleted(db.file, def.freeMap);
    }
}

// A place in the catalogue that Access takes for the name: a message naming
// the object there (other than those at `except`), or "" when there is none.
std::string nameTaken(const Database &db, const std::string &name, const std::string &key,
                      const std::set<std::uint32_t> &except) {
    const Format &f = db.file.format;
    for (const auto &e : db.entries) {
        if (e.parent() != kTablesContainer || except.count(e.page << 8 | e.row) ||
            nameKey(db, e.name(f)) != key) {
            continue;
        }
        const std::uint16_t type = e.type();
        const std::string what = type == 1 ? "a table" : type == 5 ? "a query" : "an object";
        std::string problem = "it holds " + what + " named " + e.name(f);
        if (!sameAccessTableName(e.name(f), name)) {
            problem += ", which Access takes for the same name as " + name +
                       " (they differ only in letter case or in marks Access does not sort by)";
        }
        problem += type == 1 ? "; write to " + e.name(f) + " to replace it, or choose another name"
                             : "; choose another name for the table";
        return problem;
    }
    return {};
}

// Writes the table into the database: every table whose name is the name
// given, or that name in apostrophes, letter case aside (accessNameReplaces:
// `Quoted` replaces `Quoted` and `'Quoted'`), is replaced. One of them (the
// one of the very name given, letter case aside, if there is one) keeps its
// definition page, catalogue row and id, and takes the name as given; the
// others are deleted with their permissions. Without such a table the table
// is added. The ids of the tables deleted go to *deleted.
bool putTable(Database &db, const NewTable &t, std::vector<std::uint32_t> *deleted, std::string *problem) {
    const Format &f = db.file.format;
    // The name as written: "$", ":" and apostrophes are characters of an
    // Access table name, so every run writes and replaces the same table.
    const std::string &name = t.name;
    std::vector<std::uint32_t> matches; // catalogue rows, by place
    std::vector<TableDef> defs;
    std::size_t keep = 0;
    for (const auto &e : db.entries) {
        if (e.parent() != kTablesContainer || !accessNameReplaces(e.name(f), name)) {
            continue;
        }
        // Tables share their names with queries and linked tables, which sit
        // in the same container (forms, reports, macros and modules have
        // containers, and so names, of their own). Only tables are replaced.
        if (e.type() != 1) {
            *problem = "it holds " + objectKind(e.type()) + " named " + e.name(f) +
                       (foldCase(e.name(f)) == foldCase(name)
                            ? ", and a table cannot have the name of a query or a linked table in Access"
                            : ", which a table written as " + name +
                                  " would replace, and this program replaces only tables") +
                       "; give the table another name";
            return false;
        }
        defs.emplace_back();
        if (std::string why = unreplaceable(db, e, &defs.back()); !why.empty()) {
            *problem = why;
            return false;
        }
        if (foldCase(e.name(f)) == foldCase(name)) {
            keep = matches.size();
        }
        matches.push_back(e.page << 8 | e.row);
    }
    if (matches.empty()) {
        // A new table: its definition page names it in the catalogue, under a
        // key no other name there has (Access takes names of one key for one).
        const auto key = nameKey(db, name, problem);
        if (!key) {
            return false;
        }
        if (std::string taken = nameTaken(db, name, *key, {}); !taken.empty()) {
            *problem = taken;
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
        return addCatalogueEntry(db, name, defPage, problem);
    }
    auto entryAt = [&](std::uint32_t place) {
        return std::find_if(db.entries.begin(), db.entries.end(),
                            [&](const Database::Entry &e) { return (e.page << 8 | e.row) == place; });
    };
    // The table kept takes the name as given: when that moves it in the
    // catalogue's index by name, the name needs a key no other object has.
    const std::string oldName = entryAt(matches[keep])->name(f);
    const auto oldKey = nameKey(db, oldName), newKey = nameKey(db, name);
    if (oldKey != newKey || (!newKey && foldCase(oldName) != foldCase(name))) {
        if (!newKey) {
            nameKey(db, name, problem);
            return false;
        }
        const std::set<std::uint32_t> replaced(matches.begin(), matches.end());
        if (std::string taken = nameTaken(db, name, *newKey, replaced); !taken.empty()) {
            *problem = taken;
            return false;
        }
    }
    const auto stored = f.jet3 ? storedText(f, name) : std::optional<std::string>(utf16(name));
    if (!stored) {
        *problem = "the table name " + name + " holds a character the database's code page (" +
                   std::to_string(f.codePage) + ") lacks";
        return false;
    }
    for (std::size_t i = 0; i < matches.size(); ++i) {
        if (i == keep) {
            continue;
        }
        const std::uint32_t id = entryAt(matches[i])->id();
        releaseTable(db, defs[i], true);
        if (!removePermissions(db, id, problem) ||
            !removeCatalogueEntry(db, matches[i] >> 8, static_cast<std::uint8_t>(matches[i] & 0xFF),
                                  problem)) {
            return false;
        }
        deleted->push_back(id);
    }
    const TableDef &old = defs[keep];
    releaseTable(db, old, false);
    if (!defineTable(db, t, old.page, old.usedMap, old.freeMap, problem)) {
        return false;
    }
    // The catalogue row: the name as given, the time of the change, no
    // properties of the old columns.
    Database::Entry &e = *entryAt(matches[keep]);
    const std::vector<Value> before = e.values;
    e.values[2] = stored;
    e.values[5] = doubleBytes(db.now);
    e.values[14] = std::nullopt;
    if (!rewriteRow(db.file, e.page << 8 | e.row, encodeRow(db.catalogue.columns, e.values, f))) {
        *problem = "the page of its catalogue that holds the table " + oldName +
                   " has no room for its row anew; compact the database in Access (Compact and Repair) first";
        return false;
    }
    return reindexCatalogueEntry(db, e, before, problem);
}

// The limits of reading the files whole: processor time for large ones.
IsolationLimits readingLimits(const std::string &file, const std::string &other = {}) {
    IsolationLimits limits;
    std::error_code ec;
    std::uintmax_t bytes = 0;
    for (const std::string *f : {&file, &other}) {
        if (!f->empty()) {
            const std::uintmax_t size = std::filesystem::file_size(*f, ec);
            bytes += ec ? 0 : size;
        }
    }
    limits.seconds = accessCheckSeconds(bytes);
    return limits;
}

// Whether a value read back is the value written or read before: the same
// text, Null, or number (a number that is not a number counts as itself).
bool sameCell(const Cell &a, const Cell &b) {
    const double *x = std::get_if<double>(&a);
    const double *y = std::get_if<double>(&b);
    return x && y ? *x == *y || (std::isnan(*x) && std::isnan(*y)) : a == b;
}

bool sameRow(const std::vector<Cell> &a, const std::vector<Cell> &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameCell);
}

} // namespace

int accessCheckSeconds(std::uintmax_t bytes) {
    // Measured (bench/access_bench.cpp, databases of 128 to 515 MB), reading
    // every table a row at a time: about 0.01 s of processor time a MB in the
    // plain build and 0.05 to 0.06 s under the sanitizers. One second a MB
    // leaves a margin of more than 15 under the sanitizers; other work on the
    // machine does not count, being processor time of its own. The MB counted
    // end at two files of 2 GB, the most an Access file holds, so that a file
    // of any size is stopped after a bounded time.
    constexpr int kBaseSeconds = 30;
    constexpr std::uintmax_t kSecondsPerMb = 1;
    constexpr std::uintmax_t kMostMb = 2 * 2048;
    return kBaseSeconds + static_cast<int>(std::min<std::uintmax_t>(bytes >> 20, kMostMb) * kSecondsPerMb);
}

std::string jetNameProblem(const std::string &name) {
    if (name.empty()) {
        return "is empty";
    }
    if (characters(name) > 64) {
        return "is longer than the 64 characters Access allows";
    }
    if (name.front() == ' ') {
        return "begins with a blank, which Access does not allow";
    }
    if (name.back() == ' ') {
        return "ends with a blank, which Access would drop";
    }
    for (unsigned char c : name) {
        if (c < 32 || c == 127) {
            return "holds a control character, which Access does not allow";
        }
        if (c == '.' || c == '!' || c == '`' || c == '[' || c == ']') {
            return std::string("holds \"") + static_cast<char>(c) +
                   "\"; Access allows no \".\", \"!\", \"`\", \"[\" or \"]\" in a table name";
        }
    }
    return {};
}

bool jetCheckTable(const std::string &file, const std::string &oldContents, const std::string &table,
                   std::string *error, bool readTables, const std::vector<std::string> &written) {
    if (const std::string why = jetNameProblem(table); !why.empty()) {
        setError(error, "The table name " + quotedText(table) + " for " + file + " " + why + ".");
        return false;
    }
    Database db;
    bool exists = false;
    if (!loadDatabase(file, oldContents, db, &exists, error)) {
        return false;
    }
    const std::size_t objects = db.entries.size();
    const std::vector<std::vector<Cell>> none;
    std::string problem;
    const auto key = nameKey(db, table);
    for (const std::string &other : written) {
        const bool oneName = foldCase(other) == foldCase(table) || (key && nameKey(db, other) == key);
        if (oneName || sameAccessTableName(other, table)) {
            // Both would be written as one table, or one would delete the other.
            problem = "this run writes the table " + other + " into it already, and " +
                      (oneName ? "Access takes " + other + " and " + table + " for one name"
                               : accessReplacement(other, table)) +
                      "; give each table a name of its own";
            setError(error, "The table " + table + " cannot be written into the Access file " + file + ": " +
                                problem + ".");
            return false;
        }
    }
    std::vector<std::uint32_t> deleted;
    if (!putTable(db, {table, {}, &none}, &deleted, &problem)) {
        setError(error, "The table " + table + " cannot be written into the Access file " + file + ": " +
                            problem + ".");
        return false;
    }
    if (!exists || !readTables) {
        return true;
    }
    // The database written is compared with this one through libmdb, table
    // by table, after the run: every table of it is read the same way now,
    // and the catalogue has to give the objects this writer sees, so that a
    // damaged one is refused before the first hour rather than after the last.
    std::vector<std::pair<std::string, std::size_t>> rows;
    std::string unreadable, why;
    IsolatedEnd end = IsolatedEnd::Finished;
    const bool read = accessReadEveryTableIsolated(oldContents, table, &rows, &unreadable, &why,
                                                   readingLimits(oldContents), &end);
    nameReadFile(&why, oldContents, file);
    if (!read) {
        if (end == IsolatedEnd::TimedOut || end == IsolatedEnd::Stalled || end == IsolatedEnd::OutOfMemory) {
            // Stopped at a limit: its message says what it was reading.
            problem = "its tables cannot be checked (" + why + ")";
        } else {
            problem = unreadable.empty() || lowerAscii(unreadable) == "msysobjects"
                          ? "its catalogue cannot be read (" + why + ")"
                          : "its table " + unreadable + " cannot be read (" + why +
                                "); repair the database in Access (Compact and Repair) first";
        }
    } else {
        const auto catalogue = std::find_if(
            rows.begin(), rows.end(), [](const auto &r) { return lowerAscii(r.first) == "msysobjects"; });
        if (catalogue == rows.end()) {
            problem = "its catalogue cannot be read (the Access reader does not find it)";
        } else if (catalogue->second != objects) {
            problem = "its catalogue is damaged (the Access reader finds " +
                      std::to_string(catalogue->second) + " objects in it, this writer " +
                      std::to_string(objects) + ")";
        } else {
            return true;
        }
    }
    setError(error, "Tables cannot be written into the Access file " + file + ": " + problem + ".");
    return false;
}

bool jetWriteTables(const std::string &file, const std::vector<JetTable> &tables, std::string *error,
                    StagedFile *into) {
    StagedFile own;
    StagedFile &staged = into != nullptr ? *into : own;
    // Begun before the database is read, which is read only as the file
    // found then under its name.
    if (!staged.isOpen() && !staged.open(file, error)) {
        return false; // its message gives the system's reason
    }
    std::string old;
    if (!staged.oldContents(&old, error)) {
        staged.discard();
        return false;
    }
    Database db;
    bool exists = false, loaded = false, same = false;
    staged.readOldContents([&] { loaded = loadDatabase(file, old, db, &exists, error); });
    if (!loaded) {
        staged.discard();
        return false;
    }
    const std::size_t oldPages = db.file.pages();
    std::vector<std::uint32_t> deleted;
    for (const auto &t : tables) {
        std::string problem;
        if (!putTable(db, {t.name, t.columns, t.rows}, &deleted, &problem)) {
            setError(error, "The table " + t.name + " cannot be written into the Access file " + file + ": " +
                                problem + ".");
            staged.discard();
            return false;
        }
    }
    finishGlobalMap(db, oldPages);

    errno = 0;
    if (!staged.write(db.file.bytes) || !staged.stream().flush()) {
        const int err = errno;
        staged.discard();
        setError(error, writeFailureText(file, err));
        return false;
    }
    if (!staged.prepare(error)) {
        return false;
    }
    // Read the copy back before it takes the file's place (the copy written,
    // whatever another program has put under its temporary name since).
    std::string why;
    const std::string copy = staged.readBackPath();
    staged.readOldContents(
        [&] { same = jetCheckWritten(old, copy, tables, db.entries.size(), &why, deleted); });
    if (!same) {
        if (const std::size_t at = why.find(copy); !copy.empty() && at != std::string::npos) {
            why.replace(at, copy.size(), staged.temporary()); // named as the user may find it
        }
        nameReadFile(&why, old, file);
        staged.discard();
        setError(error,
                 "The Access file " + file + " was left as it was: the database written for it " + why + ".");
        return false;
    }
    return into != nullptr || staged.commit(error);
}

bool jetCheckWritten(const std::string &file, const std::string &copy, const std::vector<JetTable> &tables,
                     std::size_t catalogueRows, std::string *why, const std::vector<std::uint32_t> &deleted,
                     std::size_t memoryBytes) {
    // One helper process reads both files, a table at a time and a row at a
    // time (a table of any size takes the memory of a row), and compares what
    // it reads with the tables in its own copy of this process's memory: only
    // the verdict comes back. It says what it reads, for a message when it is
    // stopped.
    auto work = [&](std::string *, std::string *failure) {
        // Each file is opened and its list of tables read once, for all its tables.
        AccessFile original, readBack;
        std::string problem;
        reportIsolatedProgress("the list of tables");
        if (!file.empty() && !original.open(file, &problem)) {
            *failure = "could not be compared with the file (" + problem + ")";
            return false;
        }
        if (!readBack.open(copy, &problem)) {
            *failure = "could not be read back (" + problem + ")";
            return false;
        }
        const std::vector<TableInfo> before = original.tables();
        reportIsolatedProgress("the catalogue");
        AccessRows catalogue;
        std::vector<Cell> row, other;
        std::size_t objects = 0;
        AccessRows::Read read = AccessRows::Read::End;
        if (catalogue.open(readBack, "MSysObjects", &problem)) {
            while ((read = catalogue.next(&row, &problem)) == AccessRows::Read::Row) {
                ++objects;
            }
        }
        if (!catalogue.isOpen() || read == AccessRows::Read::Damaged || objects != catalogueRows) {
            *failure = "does not give its catalogue whole";
            return false;
        }
        for (const auto &info : before) {
            const bool written = std::any_of(tables.begin(), tables.end(), [&](const JetTable &t) {
                return accessNameReplaces(info.name, t.name);
            });
            if (written || lowerAscii(info.name) == "msysobjects") {
                continue;
            }
            reportIsolatedProgress("the table " + visibleText(info.name));
            AccessRows was, is;
            if (!was.open(original, info.name, &problem)) {
                *failure = "could not be compared with the file (" + problem + ")";
                return false;
            }
            const std::string differs = "does not give the table " + info.name + " as before";
            if (!is.open(readBack, info.name, &problem) || is.fields() != was.fields()) {
                *failure = differs;
                return false;
            }
            // The permissions of the tables deleted are gone with them.
            const bool permissions = lowerAscii(info.name) == "msysaces";
            auto deletedTables = [&](const std::vector<Cell> &r) {
                const double *id = r.empty() ? nullptr : std::get_if<double>(&r.front());
                return id && std::any_of(deleted.begin(), deleted.end(), [&](std::uint32_t d) {
                           return *id == static_cast<double>(static_cast<std::int32_t>(d));
                       });
            };
            for (;;) {
                AccessRows::Read a = was.next(&row, &problem);
                while (permissions && a == AccessRows::Read::Row && deletedTables(row)) {
                    a = was.next(&row, &problem);
                }
                if (a == AccessRows::Read::Damaged) {
                    *failure = "could not be compared with the file (" + problem + ")";
                    return false;
                }
                const AccessRows::Read b = is.next(&other, &problem);
                if (b != a || (a == AccessRows::Read::Row && !sameRow(other, row))) {
                    *failure = differs;
                    return false;
                }
                if (a == AccessRows::Read::End) {
                    break;
                }
            }
        }
        for (const auto &t : tables) {
            reportIsolatedProgress("the table " + visibleText(t.name) + " written");
            AccessRows data;
            if (!data.open(readBack, t.name, &problem)) {
                *failure = "does not give the table " + t.name + " back (" + problem + ")";
                return false;
            }
            // Every row is read, so that a count that differs is told
            // before a row that differs.
            const std::size_t expected = t.rows && !t.rows->empty() ? t.rows->size() - 1 : 0;
            std::size_t count = 0, firstOtherwise = 0;
            bool otherwise = false;
            while ((read = data.next(&row, &problem)) == AccessRows::Read::Row) {
                if (count < expected && !otherwise) {
                    std::vector<Cell> want = (*t.rows)[count + 1];
                    want.resize(t.columns.size());
                    if (!sameRow(row, want)) {
                        otherwise = true;
                        firstOtherwise = count;
                    }
                }
                ++count;
            }
            if (read == AccessRows::Read::Damaged) {
                *failure = "does not give the table " + t.name + " back (" + problem + ")";
                return false;
            }
            if (count != expected || data.fields().size() != t.columns.size()) {
                *failure = "gives the table " + t.name + " with " + std::to_string(count) + " rows of " +
                           std::to_string(expected);
                return false;
            }
            if (otherwise) {
                *failure = "gives row " + std::to_string(firstOtherwise + 1) + " of the table " + t.name +
                           " otherwise";
                return false;
            }
        }
        return true;
    };
    // Both files are read whole: allow time for large ones.
    IsolationLimits limits = readingLimits(file, copy);
    limits.memoryBytes = memoryBytes;
    const IsolatedResult r = runIsolated(work, limits);
    if (r.end != IsolatedEnd::Finished) {
        // Every table of the file was read before the run: the reader failed
        // on the copy, named as the database written (its temporary name is
        // gone by the time one reads this).
        const std::string reading = r.progress.empty() ? std::string() : ", while it read " + r.progress;
        const std::string stop = checkStoppedText(r, limits);
        *why = "could not be read back: " +
               (stop.empty() ? isolationFailureReason(r, limits) : "the reading was stopped " + stop) +
               reading;
        return false;
    }
    if (!r.ok) {
        *why = r.error;
    }
    return r.ok;
}

} // namespace vesk::tables
