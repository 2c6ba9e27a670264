// Tables written into the Access databases analysts bring: Access 97 (Jet 3)
// files, catalogues whose indexes span several pages, usage maps kept by
// reference, and table names with blanks and letters of the code page. Each
// is read back by mdbtools' programs (readers made elsewhere) and by the
// program's own reader, every other table exporting as before.

#include "platform/tables/JetDatabase.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/JetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace vesk {
namespace {

using test::copyShared;
using test::everyTable;
using test::expectCatalogueIndexed;
using test::TempDir;
namespace jet = tables::jet;
namespace fs = std::filesystem;

std::vector<TableColumn> columns() {
    return {{"NO2", ColumnType::Float},
            {"Street", ColumnType::Text},
            {"hour", ColumnType::Short},
            {"nHours", ColumnType::Integer},
            {"Note", ColumnType::Text}};
}

std::vector<std::vector<Cell>> rowsOf(std::size_t n, std::size_t seed = 0) {
    std::vector<std::vector<Cell>> rows;
    for (std::size_t i = 0; i < n; ++i) {
        const double v = 12.345678901234 + static_cast<double>((i + seed) % 11) * 0.37;
        rows.push_back({i % 7 == 3 ? Cell(-99.0) : Cell(v),
                        std::string(i % 2 ? "Straße µg/m³ Ø" : "Main Street"),
                        static_cast<double>(i % 24 + 1), static_cast<double>(8760 + seed),
                        i % 5 ? Cell() : Cell(std::string("Köln, Genève & Århus"))});
    }
    return rows;
}

// mdb-export's lines for the rows (16 significant digits, Null empty, texts quoted).
std::string exported(const std::vector<TableColumn> &cols, const std::vector<std::vector<Cell>> &rows) {
    std::string out;
    for (std::size_t c = 0; c < cols.size(); ++c) {
        out += (c ? "," : "") + cols[c].name;
    }
    out += "\n";
    for (const auto &row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c) {
                out += ",";
            }
            if (const auto *d = std::get_if<double>(&row[c])) {
                if (*d > -99.0) {
                    char buf[40];
                    std::snprintf(buf, sizeof buf, "%.16g", *d);
                    out += buf;
                }
            } else if (const auto *s = std::get_if<std::string>(&row[c])) {
                out += "\"" + *s + "\"";
            }
        }
        out += "\n";
    }
    return out;
}

// The rows as the program reads them back: -99 a Null.
std::vector<std::vector<Cell>> asRead(std::vector<std::vector<Cell>> rows) {
    for (auto &r : rows) {
        for (auto &c : r) {
            const auto *d = std::get_if<double>(&c);
            if (d && *d <= -99.0) {
                c = Cell();
            }
        }
    }
    return rows;
}

bool writeTable(const std::string &file, const std::string &name, const std::vector<TableColumn> &cols,
                const std::vector<std::vector<Cell>> &rows, std::string *error) {
    auto w = createTable(file, name, cols, error);
    if (!w) {
        return false;
    }
    for (const auto &r : rows) {
        if (!w->append(r, error)) {
            return false;
        }
    }
    return w->close(error);
}

// The row of the database's global page usage map; *free gets the pages it
// lists as free, *pages the file's number of pages.
std::string globalMap(const std::string &file, std::set<std::uint32_t> *free, std::size_t *pages) {
    const jet::Database db = test::loadJet(file);
    jet::PageRow row;
    EXPECT_TRUE(jet::rowAt(db.file, 1u << 8, &row));
    EXPECT_TRUE(jet::decodeMap(db.file, row.bytes, free));
    *pages = db.file.pages();
    return row.bytes;
}

#define NEEDS_MDBTOOLS()                                                                                     \
    WINVESK_NEEDS_TOOL("mdb-export");                                                                        \
    WINVESK_NEEDS_TOOL("mdb-schema")

TEST(AccessDatabases, AnAccess97DatabaseTakesANewTableThenReplacesItAndKeepsEveryOtherTable) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    auto before = everyTable(file);
    ASSERT_TRUE(before.count("Order Details"));
    // Its global page usage map reaches just past its end, in the row (type 0).
    std::set<std::uint32_t> freeBefore, freeAfter;
    std::size_t pagesBefore = 0, pagesAfter = 0;
    const std::string mapBefore = globalMap(file, &freeBefore, &pagesBefore);
    ASSERT_EQ(mapBefore[0], 0);
    const std::string name = "Stündliche Werte (Köln)";
    std::string error;
    const auto first = rowsOf(400);
    ASSERT_TRUE(writeTable(file, name, columns(), first, &error)) << error;
    EXPECT_EQ(test::mdbTool("mdb-ver", file), "JET3\n") << "written in its own version";
    EXPECT_EQ(test::mdbTool("mdb-export", file, " " + test::shellQuoted(name)), exported(columns(), first));
    const std::string schema = test::mdbTool("mdb-schema", file, " -T " + test::shellQuoted(name));
    for (const char *line : {"[NO2]\t\t\tDouble", "[Street]\t\t\tText (255)", "[hour]\t\t\tInteger",
                             "[nHours]\t\t\tLong Integer"}) {
        EXPECT_NE(schema.find(line), std::string::npos) << line << "\n" << schema;
    }
    TableData t;
    ASSERT_TRUE(readTable(file, name, &t, &error)) << error;
    EXPECT_EQ(t.rows, asRead(first)) << "through the program's own reader";
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    // Grown past the map's reach: the map goes to map pages of its own
    // (type 1), its row as long as before; the free pages stay free, no other.
    const std::string mapAfter = globalMap(file, &freeAfter, &pagesAfter);
    EXPECT_EQ(mapAfter[0], 1);
    EXPECT_EQ(mapAfter.size(), mapBefore.size());
    ASSERT_GT(pagesAfter, (mapBefore.size() - 5) * 8);
    for (std::uint32_t p = 0; p < pagesAfter; ++p) {
        EXPECT_EQ(freeAfter.count(p), p < pagesBefore ? freeBefore.count(p) : 0u) << "page " << p;
    }

    // Replaced, in another letter case: fewer rows, the catalogue keeps one row for it.
    const auto second = rowsOf(30, 5);
    ASSERT_TRUE(writeTable(file, "stündliche werte (köln)", columns(), second, &error)) << error;
    auto after = everyTable(file);
    ASSERT_EQ(after.count("stündliche werte (köln)"), 1u);
    EXPECT_EQ(after.count(name), 0u);
    EXPECT_EQ(test::mdbTool("mdb-export", file, " " + test::shellQuoted("stündliche werte (köln)")),
              exported(columns(), second));
    after.erase("stündliche werte (köln)");
    before.erase("MSysObjects");
    after.erase("MSysObjects");
    EXPECT_TRUE(after == before) << "every other table, system tables among them, exports as before";
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
}

TEST(AccessDatabases, Access97RowsLongerThan256BytesReadBackThroughTheirJumpTable) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    // 40 doubles (320 bytes) before the texts: offsets past 256 and 512.
    std::vector<TableColumn> cols;
    for (int i = 0; i < 40; ++i) {
        cols.push_back({"c" + std::to_string(i), ColumnType::Float});
    }
    cols.push_back({"a", ColumnType::Text});
    cols.push_back({"b", ColumnType::Text});
    cols.push_back({"c", ColumnType::Text});
    std::vector<std::vector<Cell>> rows;
    for (std::size_t r = 0; r < 60; ++r) {
        std::vector<Cell> row;
        for (int i = 0; i < 40; ++i) {
            row.emplace_back(r % 3 == 1 && i % 4 == 0 ? Cell(-99.0)
                                                      : Cell(1.0 / (1.0 + i + static_cast<double>(r))));
        }
        row.emplace_back(std::string(r % 254 + 1, 'x'));
        row.emplace_back(std::string(255 - r, static_cast<char>('a' + r % 26)));
        row.emplace_back(std::string(r * 4 % 255 + 1, 'z'));
        rows.push_back(std::move(row));
    }
    std::string error;
    ASSERT_TRUE(writeTable(file, "Wide", cols, rows, &error)) << error;
    EXPECT_EQ(test::mdbTool("mdb-export", file, " Wide"), exported(cols, rows));
    TableData t;
    ASSERT_TRUE(readTable(file, "Wide", &t, &error)) << error;
    EXPECT_EQ(t.rows, asRead(rows));
}

// Access 97 keeps a byte of each variable column's offset and a jump table
// for the 256-byte blocks of a row: columns that begin, and data that ends,
// one byte before a block, at its first byte and one byte into it, and rows
// of 256 bytes and one byte more (the first to need a jump table), read
// back by mdbtools, by the program and by the writer's reader of rows.
TEST(AccessDatabases, Access97RowsWithAColumnOrTheirDataEndingAtByte256ReadBackAsWritten) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    // A row: its column count (a byte), 30 doubles, then the texts a, b and c.
    constexpr std::size_t kDoubles = 30, kHead = 1 + 8 * kDoubles;
    struct Lengths {
        std::size_t a, b, c;
    };
    const Lengths lengths[] = {
        {14, 10, 5}, {15, 10, 5}, {16, 10, 5}, // b begins at byte 255, 256, 257
        {9, 6, 3},   {10, 5, 3},  {11, 4, 3},  // c begins at byte 255, 256, 257
        {5, 5, 4},   {5, 5, 5},   {5, 5, 6},   // the data ends at byte 255, 256, 257
        {2, 2, 1},   {2, 2, 2},                // a row of 256 bytes; one more byte brings a jump table
    };
    std::vector<TableColumn> cols;
    std::vector<jet::Column> stored;
    for (std::size_t i = 0; i < kDoubles; ++i) {
        cols.push_back({"v" + std::to_string(i), ColumnType::Float});
        jet::Column c;
        c.type = jet::kDouble, c.length = 8, c.flags = 0x03;
        stored.push_back(c);
    }
    for (const char *name : {"a", "b", "c"}) {
        cols.push_back({name, ColumnType::Text});
        jet::Column c;
        c.type = jet::kText, c.length = 255, c.flags = 0x02;
        stored.push_back(c);
    }
    jet::layOutColumns(stored);
    jet::Format access97;
    access97.jet3 = true;
    std::vector<std::vector<Cell>> rows;
    std::vector<std::size_t> sizes;
    for (std::size_t r = 0; r < std::size(lengths); ++r) {
        const Lengths &l = lengths[r];
        std::vector<Cell> row;
        std::vector<jet::Value> bytes;
        for (std::size_t i = 0; i < kDoubles; ++i) {
            const double v = 1.0 / (1.0 + static_cast<double>(i + r));
            row.emplace_back(v);
            bytes.emplace_back(jet::doubleBytes(v));
        }
        const std::string texts[] = {std::string(l.a, 'a'), std::string(l.b, static_cast<char>('B' + r)),
                                     std::string(l.c, 'c')};
        for (const std::string &t : texts) {
            row.emplace_back(t);
            bytes.emplace_back(t);
        }
        // Where the texts lie in the row as Access 97 stores it.
        const std::string stored97 = jet::encodeRow(stored, bytes, access97);
        ASSERT_EQ(stored97.substr(kHead + l.a, l.b), texts[1]) << "row " << r + 1;
        ASSERT_EQ(stored97.substr(kHead + l.a + l.b, l.c), texts[2]) << "row " << r + 1;
        // The writer's own reader of rows (of the catalogue of a database it adds to) finds them there.
        std::vector<jet::Value> back;
        EXPECT_TRUE(jet::crackRow(stored97, stored, &back, access97)) << "row " << r + 1;
        EXPECT_EQ(back, bytes) << "row " << r + 1;
        sizes.push_back(stored97.size());
        rows.push_back(std::move(row));
    }
    ASSERT_EQ(sizes[9], 256u);
    ASSERT_EQ(sizes[10], 258u) << "257 bytes and a byte of jump table";

    std::string error;
    ASSERT_TRUE(writeTable(file, "Blocks", cols, rows, &error)) << error;
    EXPECT_EQ(test::mdbTool("mdb-export", file, " Blocks"), exported(cols, rows));
    TableData t;
    ASSERT_TRUE(readTable(file, "Blocks", &t, &error)) << error;
    EXPECT_EQ(t.rows, rows);
}

TEST(AccessDatabases, ADatabaseOfMoreThanAHundredTablesTakesTablesAmongThemByNameAndId) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    // Made by the writer itself: 110 tables in one go, their catalogue
    // index splitting page after page.
    const std::string file = (dir.path() / "Many.mdb").string();
    std::vector<std::vector<std::vector<Cell>>> data;
    std::vector<tables::JetTable> tables;
    for (int i = 0; i < 110; ++i) {
        data.push_back({{}});
        for (const auto &r : asRead(rowsOf(2 + i % 3, static_cast<std::size_t>(i)))) {
            data.back().push_back(r);
        }
    }
    for (int i = 0; i < 110; ++i) {
        // Names whose order is not that of their ids.
        tables.push_back({"Street " + std::to_string((i * 37) % 110) + " hourly output of the study area",
                          columns(), &data[static_cast<std::size_t>(i)]});
    }
    std::string error;
    ASSERT_TRUE(tables::jetWriteTables(file, tables, &error)) << error;
    jet::Database db = test::loadJet(file);
    for (const auto &ri : db.catalogue.realIndexes) {
        if (ri.columns.size() == 2) {
            EXPECT_EQ(db.file.page(ri.firstPage)[0], 0x03) << "the index by name spans several pages";
        }
    }
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    std::istringstream listed(test::mdbTool("mdb-tables -1", file));
    std::size_t count = 0;
    for (std::string line; std::getline(listed, line);) {
        ++count;
    }
    EXPECT_EQ(count, 110u);

    // Then, as an existing database: a table added, one replaced.
    auto before = everyTable(file);
    const auto added = rowsOf(50, 1);
    ASSERT_TRUE(writeTable(file, "Hourly Out", columns(), added, &error)) << error;
    const auto replaced = rowsOf(7, 2);
    const std::string victim = "Street 37 hourly output of the study area";
    ASSERT_TRUE(writeTable(file, victim, columns(), replaced, &error)) << error;
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    auto after = everyTable(file);
    EXPECT_EQ(after["Hourly Out"].substr(after["Hourly Out"].find("NO2,")), exported(columns(), added));
    EXPECT_EQ(after[victim].substr(after[victim].find("NO2,")), exported(columns(), replaced));
    for (const char *t : {"Hourly Out", "MSysObjects"}) {
        after.erase(t);
        before.erase(t);
    }
    after.erase(victim);
    before.erase(victim);
    EXPECT_TRUE(after == before);
    TableData t;
    ASSERT_TRUE(readTable(file, victim, &t, &error)) << error;
    EXPECT_EQ(t.rows, asRead(replaced));
}

TEST(AccessDatabases, AnAccess97CatalogueGrowsOverManyPagesAndTakesTablesAmongThemByNameAndId) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    auto before = everyTable(file);
    jet::Database db = test::loadJet(file);
    std::map<std::size_t, std::size_t> leavesBefore; // by the index's number of columns
    for (const auto &ri : db.catalogue.realIndexes) {
        leavesBefore[ri.columns.size()] = test::indexLeaves(db.file, ri.firstPage).size();
    }
    // 150 tables in one go, their names (in the code page, with diacritics)
    // in an order other than their ids'.
    std::vector<std::vector<std::vector<Cell>>> data;
    std::vector<tables::JetTable> tables;
    for (int i = 0; i < 150; ++i) {
        data.push_back({{}});
        for (const auto &r : asRead(rowsOf(2, static_cast<std::size_t>(i)))) {
            data.back().push_back(r);
        }
    }
    std::vector<std::string> names;
    for (int i = 0; i < 150; ++i) {
        names.push_back(std::string(i % 3 ? "Stra\u00DFe " : "\u00C4u\u00DFere Ring ") +
                        std::to_string((i * 37) % 150) + " st\u00FCndliche Werte");
        tables.push_back({names.back(), columns(), &data[static_cast<std::size_t>(i)]});
    }
    std::string error;
    ASSERT_TRUE(tables::jetWriteTables(file, tables, &error)) << error;
    db = test::loadJet(file);
    for (const auto &ri : db.catalogue.realIndexes) {
        EXPECT_EQ(db.file.page(ri.firstPage)[0], 0x03) << "the index spans several pages";
        EXPECT_GT(test::indexLeaves(db.file, ri.firstPage).size(), leavesBefore[ri.columns.size()])
            << "its leaves split, index on " << ri.columns.size() << " columns";
    }
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    // mdbtools lists the tables of before and the new ones, and no other;
    // the tables of before and every 29th new one are exported (the write
    // has read every table back through libmdb already).
    std::vector<std::string> expected = names, exportedNow, sampled;
    for (const auto &[name, table] : before) {
        expected.push_back(name);
        exportedNow.push_back(name);
    }
    for (std::size_t i = 0; i < names.size(); i += 29) {
        sampled.push_back(names[i]);
        exportedNow.push_back(names[i]);
    }
    std::vector<std::string> listed = test::tableNames(file);
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    auto after = test::tablesNamed(file, exportedNow);
    for (std::size_t i = 0; i < names.size(); i += 29) {
        EXPECT_EQ(after[names[i]].substr(after[names[i]].find("NO2,")),
                  exported(columns(), {data[i].begin() + 1, data[i].end()}))
            << names[i];
    }
    for (const auto &name : sampled) {
        after.erase(name);
    }

    // Then a table added among them and one of them replaced.
    const auto added = rowsOf(50, 1), replaced = rowsOf(7, 2);
    const std::string among = "Stra\u00DFe 100 Mittel";
    ASSERT_TRUE(writeTable(file, among, columns(), added, &error)) << error;
    ASSERT_TRUE(writeTable(file, names[37], columns(), replaced, &error)) << error;
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    EXPECT_EQ(test::mdbTool("mdb-export", file, " " + test::shellQuoted(among)), exported(columns(), added));
    EXPECT_EQ(test::mdbTool("mdb-export", file, " " + test::shellQuoted(names[37])),
              exported(columns(), replaced));
    for (auto *t : {&before, &after}) {
        t->erase("MSysObjects");
    }
    EXPECT_TRUE(after == before) << "every table of the database exports as before";
}

TEST(AccessDatabases, UsageMapsKeptByReferenceAreReadAndUpdated) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = (dir.path() / "Large.mdb").string();
    // More than 512 pages: the global map and the table's own maps are kept
    // on map pages of their own, referred to from their rows.
    const auto big = rowsOf(60000);
    std::string error;
    ASSERT_TRUE(writeTable(file, "Year", columns(), big, &error)) << error;
    auto mapType = [&](const jet::File &f, std::uint32_t pointer) {
        jet::PageRow row;
        EXPECT_TRUE(jet::rowAt(f, pointer, &row));
        return row.bytes.empty() ? -1 : row.bytes[0];
    };
    jet::Database db = test::loadJet(file);
    ASSERT_EQ(mapType(db.file, 1u << 8), 1) << "the global map by reference";
    const auto year = std::find_if(db.entries.begin(), db.entries.end(),
                                   [&](const auto &e) { return e.name(db.file.format) == "Year"; });
    ASSERT_NE(year, db.entries.end());
    const std::uint32_t yearPage = year->id() & 0xFFFFFF;
    jet::TableDef def;
    std::string problem;
    ASSERT_TRUE(jet::readTableDef(db.file, yearPage, &def, &problem)) << problem;
    ASSERT_EQ(mapType(db.file, def.usedMap), 1) << "the table's own map by reference";

    // Another table added, then the large one replaced by a small one: its
    // pages are given back as free in the global map, by reference.
    const auto other = rowsOf(40, 3);
    ASSERT_TRUE(writeTable(file, "Other", columns(), other, &error)) << error;
    const auto small = rowsOf(10, 4);
    ASSERT_TRUE(writeTable(file, "Year", columns(), small, &error)) << error;
    EXPECT_EQ(test::mdbTool("mdb-export", file, " Year"), exported(columns(), small));
    EXPECT_EQ(test::mdbTool("mdb-export", file, " Other"), exported(columns(), other));
    db = test::loadJet(file);
    jet::PageRow global;
    ASSERT_TRUE(jet::rowAt(db.file, 1u << 8, &global));
    EXPECT_EQ(global.bytes[0], 1);
    std::set<std::uint32_t> free;
    ASSERT_TRUE(jet::decodeMap(db.file, global.bytes, &free));
    std::size_t dataPagesFree = 0;
    for (std::uint32_t p : free) {
        if (p < db.file.pages()) {
            dataPagesFree += db.file.page(p)[0] == 0x00;
            EXPECT_NE(db.file.page(p)[0], 0x02) << "no table definition is free, page " << p;
        }
    }
    EXPECT_GT(dataPagesFree, 600u) << "the old rows' pages are free";
    ASSERT_TRUE(jet::readTableDef(db.file, yearPage, &def, &problem)) << problem;
    jet::PageRow used;
    std::set<std::uint32_t> pages;
    ASSERT_TRUE(jet::rowAt(db.file, def.usedMap, &used));
    ASSERT_TRUE(jet::decodeMap(db.file, used.bytes, &pages));
    EXPECT_EQ(pages.size(), 1u) << "the small table's one data page, in its map kept by reference";
    for (std::uint32_t p : pages) {
        EXPECT_EQ(free.count(p), 0u);
    }
    TableData t;
    ASSERT_TRUE(readTable(file, "Year", &t, &error)) << error;
    EXPECT_EQ(t.rows, asRead(small));
}

// A sound database whose global page usage map is kept by reference on no
// map page at all (each slot of its row 0, the last one negative): an empty
// map, not a damaged one.
TEST(AccessDatabases, ADatabaseWhoseGlobalMapRefersToNoMapPageTakesTwoTablesAndKeepsEveryOther) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = copyShared(dir, "testRefGlobalV2000.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    std::set<std::uint32_t> freeBefore, freeAfter;
    std::size_t pagesBefore = 0, pagesAfter = 0;
    const std::string mapBefore = globalMap(file, &freeBefore, &pagesBefore);
    ASSERT_EQ(mapBefore[0], 1) << "by reference";
    EXPECT_TRUE(freeBefore.empty()) << "on no map page";
    auto before = everyTable(file);
    ASSERT_EQ(before.size(), 9u) << "Table1 to Table4 and five system tables";

    const auto hourly = rowsOf(400), statistics = rowsOf(30, 7);
    std::string error;
    ASSERT_TRUE(writeTable(file, "Hourly", columns(), hourly, &error)) << error;
    ASSERT_TRUE(writeTable(file, "Statistics", columns(), statistics, &error)) << error;
    for (const auto &[name, rows] : {std::pair{"Hourly", &hourly}, std::pair{"Statistics", &statistics}}) {
        EXPECT_EQ(test::mdbTool("mdb-export", file, std::string(" ") + name), exported(columns(), *rows))
            << name;
        TableData t;
        ASSERT_TRUE(readTable(file, name, &t, &error)) << error;
        EXPECT_EQ(t.rows, asRead(*rows)) << name << " through the program's own reader";
    }
    auto after = everyTable(file);
    for (const char *t : {"Hourly", "Statistics", "MSysObjects"}) {
        after.erase(t);
        before.erase(t);
    }
    EXPECT_TRUE(after == before) << "every other table, system tables among them, exports as before";
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    // Still by reference, now on a map page of its own: the pages added are
    // in use, no other page changed.
    const std::string mapAfter = globalMap(file, &freeAfter, &pagesAfter);
    EXPECT_EQ(mapAfter[0], 1);
    EXPECT_EQ(mapAfter.size(), mapBefore.size());
    for (std::uint32_t p = 0; p < pagesAfter; ++p) {
        EXPECT_EQ(freeAfter.count(p), 0u) << "page " << p;
    }
    for (std::uint32_t p = static_cast<std::uint32_t>(pagesAfter); p < pagesAfter + 5000; ++p) {
        ASSERT_EQ(freeAfter.count(p), 1u)
            << "page " << p << ", past the end of the file, which the map reaches";
    }
}

TEST(AccessDatabases, AGlobalMapReferringToAPageThatIsNoMapPageIsRefusedSayingWhich) {
    TempDir dir;
    const std::string file = copyShared(dir, "testRefGlobalV2000.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    jet::File f{test::readFile(file), {}};
    ASSERT_FALSE(jet::databaseProblem(f.bytes, &f.format));
    for (const auto &[page, said] :
         {std::pair<std::uint32_t, const char *>{
              5000, "page 5000 as a map page, past the end of the file (743 pages)"},
          {3, "page 3 as a map page, which is none"}}) {
        jet::PageRow row;
        ASSERT_TRUE(jet::rowAt(f, 1u << 8, &row));
        jet::wr32(row.bytes.data() + 1, page);
        jet::File damaged = f;
        ASSERT_TRUE(jet::replaceRow(damaged, 1u << 8, row.bytes, 0));
        dir.write("testRefGlobalV2000.mdb", damaged.bytes);
        std::string error;
        EXPECT_EQ(createTable(file, "Hourly", columns(), &error), nullptr);
        EXPECT_NE(error.find(std::string("its global page usage map is damaged: it names ") + said),
                  std::string::npos)
            << error;
        EXPECT_EQ(test::readFile(file), damaged.bytes);
    }
}

TEST(AccessDatabases, AMapRowNeverWritesOverAPageThatIsNoMapPage) {
    // A map row by reference whose first slot names a data page: the map
    // goes to a new map page, the data page keeps its bytes.
    jet::File f;
    f.bytes.assign(4 * jet::kPage, '\0');
    ASSERT_TRUE(jet::writeDataPage(f.page(3), 2, {{0, "a row"}}));
    const std::string page3(f.page(3), jet::kPage);
    std::vector<std::uint32_t> mapPages = {3, 0};
    const std::string row = jet::encodeMap(f, {1, 2, 3}, &mapPages);
    EXPECT_EQ(std::string(f.page(3), jet::kPage), page3);
    ASSERT_EQ(f.pages(), 5u);
    EXPECT_EQ(jet::rd32(row.data() + 1), 4u);
    std::set<std::uint32_t> pages;
    ASSERT_TRUE(jet::decodeMap(f, row, &pages));
    EXPECT_EQ(pages, (std::set<std::uint32_t>{1, 2, 3}));
}

// Access takes two names of one key in the catalogue's index for one name:
// a new table under a name that differs from a table's in more than letter
// case, but only in what the sort order passes over ("ß" sorts as "ss"), is
// refused, naming that table.
TEST(AccessDatabases, ANameAccessTakesForTheNameOfATableThereIsRefusedNamingThatTable) {
    TempDir dir;
    for (const auto &[database, first, second] : {std::tuple{"nwind.mdb", "Straßenlärm", "Strassenlärm"},
                                                  std::tuple{"DateTestDatabase.mdb", "Straße", "STRASSE"}}) {
        const std::string file = copyShared(dir, database);
        WINVESK_NEEDS_SHARED_FILE(file);
        std::string error;
        ASSERT_TRUE(writeTable(file, first, columns(), rowsOf(3), &error)) << error;
        const std::string bytes = test::readFile(file);
        EXPECT_EQ(createTable(file, second, columns(), &error), nullptr) << database;
        EXPECT_NE(error.find(std::string("it holds a table named ") + first +
                             ", which Access takes for the same name as " + second),
                  std::string::npos)
            << error;
        EXPECT_NE(error.find(std::string("write to ") + first + " to replace it"), std::string::npos)
            << error;
        EXPECT_EQ(test::readFile(file), bytes);
    }
}

// Two tables of one session (a run's hourly output and statistics) that
// would be one table of the database, or of which one would replace the
// other, are refused when the second is created, naming both, the file
// untouched; a name Access takes as another one is written beside.
TEST(AccessDatabases, TwoTablesOfOneSessionThatWouldBeOneTableAreRefusedWhenTheSecondIsCreated) {
    struct Pair {
        const char *database, *first, *second, *said;
    };
    const Pair pairs[] = {
        {"nwind.mdb", "Xyz", "XYZ", "Access takes Xyz and XYZ for one name"},
        {"nwind.mdb", "Straßenlärm", "STRASSENLÄRM",
         "Access takes Straßenlärm and STRASSENLÄRM for one name"},
        {"DateTestDatabase.mdb", "Straße", "STRASSE", "Access takes Straße and STRASSE for one name"},
        {"DateTestDatabase.mdb", "'Xyz'", "xyz", "a table written as xyz replaces one named 'Xyz'"},
        {"nwind.mdb", "Xyz", "'Xyz'", "a table written as Xyz replaces one named 'Xyz'"},
        {"DateTestDatabase.mdb", "Xyz", "Xyz$", ""},
    };
    for (const Pair &p : pairs) {
        TempDir dir;
        const std::string file = copyShared(dir, p.database);
        WINVESK_NEEDS_SHARED_FILE(file);
        const std::string bytes = test::readFile(file);
        TableSession session;
        std::string error;
        auto first = session.createTable(file, p.first, columns(), &error);
        ASSERT_NE(first, nullptr) << error;
        bool refused = false;
        auto second = session.createTable(file, p.second, columns(), &error, &refused);
        if (*p.said == '\0') {
            ASSERT_NE(second, nullptr) << error;
            ASSERT_TRUE(first->close(&error) && second->close(&error)) << error;
            TableData t;
            EXPECT_TRUE(readTable(file, p.second, &t, &error)) << error;
            continue;
        }
        EXPECT_EQ(second, nullptr) << p.first << ", " << p.second;
        EXPECT_TRUE(refused);
        EXPECT_NE(error.find(std::string("The table ") + p.second +
                             " cannot be written into the Access file " + file +
                             ": this run writes the table " + p.first + " into it already, and " + p.said +
                             "; give each table a name of its own."),
                  std::string::npos)
            << error;
        first.reset();
        EXPECT_EQ(test::readFile(file), bytes);
    }
}

// A name that differs from a table's only in letter case, beyond ASCII as
// within, replaces that table, which takes the name as written.
TEST(AccessDatabases, ANameDifferingOnlyInLetterCaseReplacesTheTable) {
    TempDir dir;
    for (const auto &[database, first, second] :
         {std::tuple{"nwind.mdb", "Köln", "KÖLN"}, std::tuple{"DateTestDatabase.mdb", "Größe", "GRÖßE"}}) {
        const std::string file = copyShared(dir, database);
        WINVESK_NEEDS_SHARED_FILE(file);
        std::string error;
        ASSERT_TRUE(writeTable(file, first, columns(), rowsOf(3), &error)) << error;
        std::vector<TableInfo> tables;
        ASSERT_TRUE(listTables(file, &tables, &error)) << error;
        ASSERT_TRUE(writeTable(file, second, columns(), rowsOf(5), &error)) << database << ": " << error;
        std::vector<TableInfo> after;
        ASSERT_TRUE(listTables(file, &after, &error)) << error;
        EXPECT_EQ(after.size(), tables.size()) << "replaced, not added";
        EXPECT_EQ(
            std::count_if(after.begin(), after.end(), [&](const TableInfo &t) { return t.name == second; }),
            1);
        TableData t;
        ASSERT_TRUE(readTable(file, first, &t, &error)) << error;
        EXPECT_EQ(t.rows, asRead(rowsOf(5)));
        ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    }
}

// The catalogue of an Access 2000 database whose names sort in another order
// than "General" (here 1031): a new table's key is not known, an existing
// table is still replaced.
TEST(AccessDatabases, ANewNameInACatalogueSortedInAnotherOrderIsRefusedNamingTheOrder) {
    TempDir dir;
    const std::string file = copyShared(dir, "DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    std::string bytes = test::readFile(file);
    // The catalogue's definition (page 2): its column 2, Name, keeps its sort
    // order at byte 11 of its 25-byte descriptor.
    char *def = bytes.data() + 2 * jet::kPage;
    const std::size_t columns0 = 63 + 12 * jet::rd32(def + 51);
    for (std::size_t i = 0; i < jet::rd16(def + 45); ++i) {
        char *c = def + columns0 + 25 * i;
        if (jet::rd16(c + 5) == 2) {
            jet::wr16(c + 11, 0x0407);
        }
    }
    dir.write("DateTestDatabase.mdb", bytes);
    std::string error;
    EXPECT_EQ(createTable(file, "Hourly", columns(), &error), nullptr);
    EXPECT_NE(
        error.find("its catalogue sorts names in the sort order 1031 version 0, whose keys this program "
                   "does not know (only those of \"General\"); write the table into a database made with "
                   "the \"General\" sort order"),
        std::string::npos)
        << error;
    EXPECT_EQ(test::readFile(file), bytes);
    ASSERT_TRUE(writeTable(file, "DateTest", columns(), rowsOf(5), &error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "DateTest", &t, &error)) << error;
    EXPECT_EQ(t.rows, asRead(rowsOf(5)));
}

// A table of the catalogue that names a table of another database (a
// foreign name or a connection) is a linked table: its rows are not here,
// and writing over it is refused, the file untouched.
TEST(AccessDatabases, ALinkedTableIsRefusedAndTheFileLeftAsItWas) {
    TempDir dir;
    const std::string file = copyShared(dir, "DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    jet::Database db = test::loadJet(file);
    auto e = std::find_if(db.entries.begin(), db.entries.end(),
                          [&](const auto &x) { return x.name(db.file.format) == "DateTest"; });
    ASSERT_NE(e, db.entries.end());
    e->values[10] = jet::utf16("DateTest"); // ForeignName: the table's name in the other database
    ASSERT_TRUE(jet::replaceRow(db.file, e->page << 8 | e->row,
                                jet::encodeRow(db.catalogue.columns, e->values, db.file.format), 0));
    dir.write("DateTestDatabase.mdb", db.file.bytes);
    std::string error;
    EXPECT_EQ(createTable(file, "DateTest", columns(), &error), nullptr);
    EXPECT_NE(error.find("linked to another database"), std::string::npos) << error;
    EXPECT_EQ(test::readFile(file), db.file.bytes);
}

struct NameCase {
    const char *name;
    const char *said; // "" when Access accepts it
};

const NameCase kNames[] = {
    {"Hourly Out", ""},
    {"Stunden Werte & Mittel (2023)", ""},
    {"Stunden-Werte", ""},
    {"Werte; Summe #1 = 100% @ Ort/Zeit", ""},
    {" Hourly", "begins with a blank"},
    {"Hourly ", "ends with a blank"},
    {"a.b", "\".\""},
    {"a!b", "\"!\""},
    {"a`b", "\"`\""},
    {"a[b]", "\"[\""},
    {"a\tb", "control character"},
    {"0123456789012345678901234567890123456789012345678901234567890123", ""},
    {"01234567890123456789012345678901234567890123456789012345678901234", "longer than the 64 characters"},
    {"Straße", ""},
    {"Hourly~1 O'Brien", ""},
    {"Hourly \xF0\x9F\x98\x80", "(U+1F600), which this program cannot place in the sort order of Access"},
    {"Cost$", ""},
    {"Rate:", ""},
    {"'Quoted'", ""},
    {"' Quoted'", ""},
    {"Cost $", ""},
};

class AccessTableNames : public testing::TestWithParam<NameCase> {};

TEST_P(AccessTableNames, AreTakenAsAccessTakesThemOrRefusedNamingTheRuleWithTheFileUntouched) {
    TempDir dir;
    const std::string file = copyShared(dir, "DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    const std::string bytes = test::readFile(file);
    std::string error;
    bool refused = false;
    auto w = createTable(file, GetParam().name, columns(), &error, &refused);
    if (std::string(GetParam().said).empty()) {
        ASSERT_TRUE(w) << error;
        for (const auto &r : rowsOf(3)) {
            ASSERT_TRUE(w->append(r, &error)) << error;
        }
        ASSERT_TRUE(w->close(&error)) << error;
        TableData t;
        ASSERT_TRUE(readTable(file, GetParam().name, &t, &error)) << error;
        EXPECT_EQ(t.rows, asRead(rowsOf(3)));
        ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    } else {
        EXPECT_EQ(w, nullptr);
        EXPECT_TRUE(refused);
        EXPECT_NE(error.find(GetParam().said), std::string::npos) << error;
        EXPECT_EQ(test::readFile(file), bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Names, AccessTableNames, testing::ValuesIn(kNames), [](const auto &info) {
    return "n" + std::to_string(info.index) + "_" + test::testNameOf(info.param.name);
});

// The definition page of the table of that name.
std::uint32_t definitionPage(const jet::Database &db, const std::string &table) {
    for (const auto &e : db.entries) {
        if (e.parent() == jet::kTablesContainer && e.type() == 1 && e.name(db.file.format) == table) {
            return e.id() & 0xFFFFFF;
        }
    }
    ADD_FAILURE() << "no table " << table;
    return 0;
}

// The pages in use (not free in the global page usage map) whose own
// headers name the table: its data pages and the pages of its indexes.
// (Access leaves a page it gave back as it was, naming the table still.)
std::set<std::uint32_t> pagesOf(const std::string &file, const std::string &table) {
    std::set<std::uint32_t> free, pages;
    std::size_t count = 0;
    globalMap(file, &free, &count);
    const jet::Database db = test::loadJet(file);
    const std::uint32_t definition = definitionPage(db, table);
    for (std::uint32_t p = 1; p < db.file.pages(); ++p) {
        const char type = db.file.page(p)[0];
        if ((type == 0x01 || type == 0x03 || type == 0x04) && jet::rd32(db.file.page(p) + 4) == definition &&
            !free.count(p)) {
            pages.insert(p);
        }
    }
    return pages;
}

class ReplacedTables : public testing::TestWithParam<std::pair<const char *, const char *>> {};

// The pages of a table Access made, its rows and its indexes (roots and the
// pages below them), are given back when it is replaced: free in the global
// page usage map, and zeroed.
TEST_P(ReplacedTables, GiveBackEveryPageOfTheirRowsAndIndexes) {
    TempDir dir;
    const auto [database, table] = GetParam();
    const std::string file = copyShared(dir, database);
    WINVESK_NEEDS_SHARED_FILE(file);
    const std::set<std::uint32_t> used = pagesOf(file, table);
    const jet::Database before = test::loadJet(file);
    ASSERT_TRUE(std::any_of(used.begin(), used.end(), [&](auto p) { return before.file.page(p)[0] == 0x04; }))
        << "the table has an index";
    std::string error;
    ASSERT_TRUE(writeTable(file, table, columns(), rowsOf(3), &error)) << error;
    std::set<std::uint32_t> free;
    std::size_t pages = 0;
    globalMap(file, &free, &pages);
    const jet::Database after = test::loadJet(file);
    const std::string zeroed(after.file.pageSize(), '\0');
    for (std::uint32_t p : used) {
        EXPECT_TRUE(free.count(p)) << "page " << p << " is free";
        EXPECT_TRUE(std::string(after.file.page(p), after.file.pageSize()) == zeroed)
            << "page " << p << " is zeroed";
    }
}

INSTANTIATE_TEST_SUITE_P(Databases, ReplacedTables,
                         testing::Values(std::pair{"nwind.mdb", "Umsätze"},
                                         std::pair{"testUnicodeCompV2003.mdb", "Table"}),
                         [](const auto &info) {
                             return std::string(info.index ? "Access2003" : "Access97");
                         });

// Damaged usage maps of a table that list pages of another table and leave
// out the root page of one of its indexes: the table is replaced, the other
// keeps those pages byte for byte and every row, and the root is given back
// all the same.
TEST(AccessDatabases, ATableWhoseMapsAreDamagedIsReplacedGivingBackItsPagesAndNoOtherTables) {
    NEEDS_MDBTOOLS();
    TempDir dir;
    const std::string file = copyShared(dir, "testIndexCodesV1997.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    const std::set<std::uint32_t> others = pagesOf(file, "Table2");
    jet::Database db = test::loadJet(file);
    jet::TableDef def;
    std::string problem;
    ASSERT_TRUE(jet::readTableDef(db.file, definitionPage(db, "Table1"), &def, &problem)) << problem;
    ASSERT_FALSE(def.realIndexes.empty());
    const std::uint32_t root = def.realIndexes.front().firstPage;
    for (std::uint32_t map : {def.usedMap, def.realIndexes.front().usedMap}) {
        jet::PageRow row;
        std::set<std::uint32_t> pages;
        ASSERT_TRUE(jet::rowAt(db.file, map, &row) && jet::decodeMap(db.file, row.bytes, &pages));
        pages.insert(others.begin(), others.end());
        pages.erase(root);
        std::vector<std::uint32_t> mapPages = jet::mapPagesOf(row.bytes);
        ASSERT_TRUE(jet::replaceRow(db.file, map, jet::encodeMap(db.file, pages, &mapPages, row.bytes.size()),
                                    row.flags));
    }
    dir.write("testIndexCodesV1997.mdb", db.file.bytes);
    const std::string rows = test::mdbTool("mdb-export", file, " Table2");
    std::string error;
    ASSERT_TRUE(writeTable(file, "Table1", columns(), rowsOf(3), &error)) << error;
    EXPECT_EQ(test::mdbTool("mdb-export", file, " Table2"), rows);
    const jet::Database after = test::loadJet(file);
    for (std::uint32_t p : others) {
        EXPECT_TRUE(std::string(after.file.page(p), after.file.pageSize()) ==
                    std::string(db.file.page(p), db.file.pageSize()))
            << "page " << p << " is as it was";
    }
    std::set<std::uint32_t> free;
    std::size_t pages = 0;
    globalMap(file, &free, &pages);
    EXPECT_TRUE(free.count(root) && after.file.page(root)[0] == 0)
        << "the root, page " << root << ", is free";
}

} // namespace
} // namespace vesk
