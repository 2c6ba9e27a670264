// Tables deleted from Access databases: a table written as Quoted replaces
// both Quoted and 'Quoted'; the one it does not keep goes with its pages,
// its catalogue row, its entries in the catalogue's indexes and its
// permissions, every other table and permission staying. Entries leave an
// index in any order, its pages above the leaves following, in indexes this
// writer built and in those Access built.

#include "platform/tables/JetDatabase.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/JetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

namespace vesk {
namespace {

using test::copyShared;
using test::everyTable;
using test::expectCatalogueIndexed;
using test::TempDir;
namespace jet = tables::jet;

std::uint32_t childOf(const std::string &entry) {
    const auto *c = reinterpret_cast<const unsigned char *>(entry.data() + entry.size() - 4);
    return static_cast<std::uint32_t>(c[0]) << 24 | c[1] << 16 | c[2] << 8 | c[3];
}

std::vector<std::string> entriesOf(const jet::File &f, std::uint32_t page) {
    std::vector<std::string> entries;
    std::string problem;
    EXPECT_TRUE(jet::readLeafPage(f.page(page), &entries, &problem, f.format)) << problem;
    return entries;
}

// The index is one tree: each entry of a page above the leaves names a page
// below whose entries it follows, and precedes those of the next; the
// leaves it lists, then at most one tail that the root names, are the chain
// of leaves, linked both ways, none of them empty unless it is the root.
// The pages of the tree go to *pages.
void expectIndexWhole(const jet::File &f, std::uint32_t root, std::set<std::uint32_t> *pages) {
    std::vector<std::uint32_t> level{root}, listed;
    pages->insert(root);
    while (f.page(level.front())[0] == 0x03) {
        std::vector<std::uint32_t> below;
        for (std::uint32_t p : level) {
            for (const std::string &e : entriesOf(f, p)) {
                const std::uint32_t child = childOf(e);
                ASSERT_LT(child, f.pages());
                ASSERT_TRUE(pages->insert(child).second) << "page " << child << " listed twice";
                const auto under = entriesOf(f, child);
                ASSERT_FALSE(under.empty()) << "page " << child;
                std::string last = under.back();
                if (f.page(child)[0] == 0x03) {
                    last.resize(last.size() - 4);
                }
                EXPECT_LE(last, e.substr(0, e.size() - 4)) << "page " << child;
                below.push_back(child);
            }
        }
        ASSERT_FALSE(below.empty());
        level = below;
        ASSERT_LT(pages->size(), 100000u);
    }
    listed = level;
    const std::vector<std::uint32_t> chain = test::indexLeaves(f, root);
    ASSERT_GE(chain.size(), listed.size());
    EXPECT_TRUE(std::equal(listed.begin(), listed.end(), chain.begin()))
        << "the leaves listed begin the chain";
    ASSERT_LE(chain.size(), listed.size() + 1) << "one tail at most";
    if (chain.size() > listed.size()) {
        EXPECT_EQ(jet::rd32(f.page(root) + 16), chain.back()) << "the root names the tail";
        pages->insert(chain.back());
    }
    for (std::size_t i = 0; i < chain.size(); ++i) {
        EXPECT_EQ(jet::rd32(f.page(chain[i]) + 8), i ? chain[i - 1] : 0u) << "leaf " << chain[i];
        EXPECT_TRUE(chain.size() == 1 || !entriesOf(f, chain[i]).empty())
            << "leaf " << chain[i] << " is empty";
        if (i + 1 < chain.size() && !entriesOf(f, chain[i + 1]).empty()) {
            EXPECT_LT(entriesOf(f, chain[i]).back(), entriesOf(f, chain[i + 1]).front());
        }
    }
}

struct IndexCase {
    const char *name;
    // In ../shared/testdata/mdb ("" for a new database given many entries):
    // nwind.mdb's index by id is a page above a leaf and its tail.
    const char *database;
};

void PrintTo(const IndexCase &c, std::ostream *os) {
    *os << c.name;
}

class IndexEntriesRemoved : public testing::TestWithParam<IndexCase> {};

// Entries leave each index of the catalogue in a shuffled order until one
// is left: after each, the index holds the others, sorted and reached from
// its root, its pages above the leaves naming the leaves that are left; the
// leaves left empty and pages above no longer needed are given back (zeroed,
// free, out of the index's usage map), and the one leaf left is the root.
TEST_P(IndexEntriesRemoved, LeaveEveryOtherEntrySortedAndReachableFromTheRootAndGiveEmptyPagesBack) {
    TempDir dir;
    jet::Database db;
    if (*GetParam().database) {
        const std::string file = copyShared(dir, GetParam().database);
        WINVESK_NEEDS_SHARED_FILE(file);
        db = test::loadJet(file);
    } else {
        bool exists = true;
        std::string error;
        ASSERT_TRUE(test::loadDatabaseByName((dir.path() / "New.mdb").string(), db, &exists, &error)) << error;
        ASSERT_FALSE(exists);
        // 2,000 entries more: several leaves below the root.
        for (const auto &ri : db.catalogue.realIndexes) {
            for (std::uint32_t i = 0; i < 2000; ++i) {
                const std::string key =
                    ri.columns.size() == 2
                        ? jet::keyOfLong(0x0F000001) + *jet::keyOfText("T" + std::to_string(i))
                        : jet::keyOfLong(static_cast<std::int32_t>(5000 + i));
                std::string problem;
                ASSERT_TRUE(jet::insertIndexEntry(db, db.catalogue.page, ri.firstPage, ri.usedMap,
                                                  key + jet::pointerBytes(5000 + i, 0), &problem))
                    << problem;
            }
        }
    }
    std::mt19937 random(58);
    for (const auto &ri : db.catalogue.realIndexes) {
        SCOPED_TRACE("the index on " + std::to_string(ri.columns.size()) + " columns");
        std::set<std::uint32_t> pagesBefore;
        ASSERT_NO_FATAL_FAILURE(expectIndexWhole(db.file, ri.firstPage, &pagesBefore));
        std::vector<std::string> left = test::indexEntries(db.file, ri.firstPage);
        ASSERT_GT(left.size(), 40u);
        if (!*GetParam().database) {
            ASSERT_GT(pagesBefore.size(), 1u) << "the root and the pages below it";
        }
        std::vector<std::string> order = left;
        std::shuffle(order.begin(), order.end(), random);
        order.pop_back();
        for (const std::string &entry : order) {
            std::string problem;
            ASSERT_TRUE(jet::removeIndexEntry(db, db.catalogue.page, ri.firstPage, ri.usedMap,
                                              entry.substr(entry.size() - 4), &problem))
                << problem;
            left.erase(std::find(left.begin(), left.end(), entry));
            ASSERT_EQ(test::indexEntries(db.file, ri.firstPage), left);
            std::set<std::uint32_t> pages;
            ASSERT_NO_FATAL_FAILURE(expectIndexWhole(db.file, ri.firstPage, &pages));
        }
        EXPECT_EQ(db.file.page(ri.firstPage)[0], 0x04) << "the one leaf left is the root";
        std::string problem;
        EXPECT_FALSE(jet::removeIndexEntry(db, db.catalogue.page, ri.firstPage, ri.usedMap,
                                           order.front().substr(order.front().size() - 4), &problem));
        EXPECT_NE(problem.find("does not list one of its rows"), std::string::npos) << problem;
        jet::PageRow row;
        std::set<std::uint32_t> mapped;
        ASSERT_TRUE(jet::rowAt(db.file, ri.usedMap, &row) && jet::decodeMap(db.file, row.bytes, &mapped));
        EXPECT_TRUE(mapped.count(ri.firstPage));
        for (std::uint32_t p : pagesBefore) {
            if (p == ri.firstPage) {
                continue;
            }
            EXPECT_TRUE(db.freed.count(p)) << "page " << p << " given back";
            EXPECT_FALSE(mapped.count(p)) << "page " << p << " out of the index's map";
            EXPECT_EQ(std::string(db.file.page(p), db.file.pageSize()),
                      std::string(db.file.pageSize(), '\0'));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Indexes, IndexEntriesRemoved,
                         testing::Values(IndexCase{"ANewDatabaseGivenManyEntries", ""},
                                         IndexCase{"TheCatalogueAccess97Built", "nwind.mdb"}),
                         [](const auto &info) { return std::string(info.param.name); });

// --- tables deleted with their permissions ------------------------------------

std::vector<TableColumn> columns() {
    return {{"NO2", ColumnType::Float}, {"Street", ColumnType::Text}};
}

std::vector<std::vector<Cell>> rowsOf(std::size_t n) {
    std::vector<std::vector<Cell>> rows;
    for (std::size_t i = 0; i < n; ++i) {
        rows.push_back(
            {Cell(12.5 + static_cast<double>(i)), Cell(std::string("Straße ") + std::to_string(i))});
    }
    return rows;
}

bool writeTable(const std::string &file, const std::string &name, std::size_t rows, std::string *error) {
    auto w = createTable(file, name, columns(), error);
    if (!w) {
        return false;
    }
    for (const auto &r : rowsOf(rows)) {
        if (!w->append(r, error)) {
            return false;
        }
    }
    return w->close(error);
}

// Renames objects of the catalogue, one after the other: their rows and
// their entries in the catalogue's index by name.
void rename(const std::string &file, const std::vector<std::pair<std::string, std::string>> &names) {
    jet::Database db = test::loadJet(file);
    const std::size_t pages = db.file.pages();
    const jet::Format &f = db.file.format;
    std::vector<jet::Database::Entry *> entries;
    for (const auto &[from, to] : names) {
        const auto e = std::find_if(db.entries.begin(), db.entries.end(),
                                    [&](const jet::Database::Entry &x) { return x.name(f) == from; });
        ASSERT_NE(e, db.entries.end()) << from;
        entries.push_back(&*e);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        jet::Database::Entry &e = *entries[i];
        const std::vector<jet::Value> before = e.values;
        e.values[2] = f.jet3 ? *jet::storedText(f, names[i].second) : jet::utf16(names[i].second);
        ASSERT_TRUE(jet::replaceRow(db.file, e.page << 8 | e.row,
                                    jet::encodeRow(db.catalogue.columns, e.values, f), 0));
        std::string problem;
        ASSERT_TRUE(jet::reindexCatalogueEntry(db, e, before, &problem)) << problem;
    }
    jet::finishGlobalMap(db, pages);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << db.file.bytes;
}

// The rows of MSysACEs by place, with the object each gives permissions on.
std::map<std::string, std::int32_t> permissionRows(const jet::Database &db, jet::TableDef *def) {
    const jet::Format &f = db.file.format;
    std::map<std::string, std::int32_t> rows;
    const auto aces = std::find_if(db.entries.begin(), db.entries.end(),
                                   [&](const jet::Database::Entry &e) { return e.name(f) == "MSysACEs"; });
    std::string problem;
    EXPECT_NE(aces, db.entries.end());
    EXPECT_TRUE(aces != db.entries.end() && jet::readTableDef(db.file, aces->id() & 0xFFFFFF, def, &problem))
        << problem;
    jet::PageRow mapRow;
    std::set<std::uint32_t> pages;
    EXPECT_TRUE(jet::rowAt(db.file, def->usedMap, &mapRow) && jet::decodeMap(db.file, mapRow.bytes, &pages));
    for (std::uint32_t p : pages) {
        std::vector<jet::PageRow> onPage;
        std::uint32_t owner = 0;
        if (db.file.page(p)[0] != 0x01 || !jet::readDataPage(db.file.page(p), &owner, &onPage, f) ||
            owner != def->page) {
            continue;
        }
        for (std::size_t r = 0; r < onPage.size(); ++r) {
            jet::PageRow row;
            std::vector<jet::Value> values;
            if (!(onPage[r].flags & 0x8000) &&
                jet::rowAt(db.file, p << 8 | static_cast<std::uint32_t>(r), &row) &&
                jet::crackRow(row.bytes, def->columns, &values, f) && values[0]) {
                rows[jet::pointerBytes(p, static_cast<std::uint8_t>(r))] =
                    static_cast<std::int32_t>(jet::rd32(values[0]->data()));
            }
        }
    }
    return rows;
}

// Every row of MSysACEs has one entry in its index by object, under the key
// of its object, and its definition counts its rows.
void expectPermissionsIndexed(const std::string &file) {
    const jet::Database db = test::loadJet(file);
    jet::TableDef def;
    const auto rows = permissionRows(db, &def);
    ASSERT_EQ(def.realIndexes.size(), 1u);
    std::vector<std::string> expected;
    for (const auto &[place, id] : rows) {
        expected.push_back(jet::keyOfLong(id) + place);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(test::indexEntries(db.file, def.realIndexes[0].firstPage), expected) << file;
    EXPECT_EQ(def.rowCount, rows.size());
}

// The rows of the table as mdb-export gives them (binary values may hold line ends).
std::multiset<std::string> exportedRows(const std::string &file, const std::string &table) {
    const std::string text = test::mdbTool("mdb-export", file, " -H -R '<row>' " + test::shellQuoted(table));
    std::multiset<std::string> rows;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("<row>", from)) != std::string::npos; from = at + 5) {
        rows.insert(text.substr(from, at - from));
    }
    return rows;
}

struct Permissions {
    const char *database;
    const char *table; // one Access made, with permissions, in no relationship
};

void PrintTo(const Permissions &p, std::ostream *os) {
    *os << p.database;
}

class TablesDeleted : public testing::TestWithParam<Permissions> {};

// A database of Access holding a table with permissions named in
// apostrophes ('Umsätze') beside one of its name (Umsätze): the table
// written as Umsätze keeps the place of the one of its very name and
// deletes the other, whose permissions go with it; its definition page is
// free, every other table and permission stays as it was.
TEST_P(TablesDeleted, GoWithTheirPermissionsAndEveryOtherTableAndPermissionStays) {
    WINVESK_NEEDS_TOOL("mdb-export");
    TempDir dir;
    const std::string file = copyShared(dir, GetParam().database);
    WINVESK_NEEDS_SHARED_FILE(file);
    const std::string name = GetParam().table, quoted = "'" + name + "'";
    ASSERT_NO_FATAL_FAILURE(expectPermissionsIndexed(file));
    std::string error;
    ASSERT_TRUE(writeTable(file, quoted, 3, &error)) << error;
    ASSERT_NO_FATAL_FAILURE(rename(file, {{name, quoted}, {quoted, name}}));
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    jet::Database db = test::loadJet(file);
    const auto withPermissions = std::find_if(db.entries.begin(), db.entries.end(), [&](const auto &e) {
        return e.name(db.file.format) == quoted;
    });
    ASSERT_NE(withPermissions, db.entries.end());
    const std::uint32_t id = withPermissions->id();
    jet::TableDef aces;
    auto permissions = permissionRows(db, &aces);
    ASSERT_EQ(std::count_if(permissions.begin(), permissions.end(),
                            [&](const auto &p) { return p.second == static_cast<std::int32_t>(id); }),
              3);
    auto before = everyTable(file);
    ASSERT_TRUE(before.count(name) && before.count(quoted));
    // The permissions as mdb-export gives them, but those of the table with
    // permissions: a row each, its object first.
    std::multiset<std::string> lines = exportedRows(file, "MSysACEs");
    std::erase_if(lines, [&](const std::string &row) { return row.rfind(std::to_string(id) + ",", 0) == 0; });
    ASSERT_EQ(exportedRows(file, "MSysACEs").size(), lines.size() + 3);

    const std::uint32_t keys = aces.realIndexes.at(0).rowCount;
    ASSERT_TRUE(writeTable(file, name, 5, &error)) << error;
    auto after = everyTable(file);
    EXPECT_EQ(after.size(), before.size() - 1);
    EXPECT_EQ(after.count(quoted), 0u);
    TableData t;
    ASSERT_TRUE(readTable(file, name, &t, &error)) << error;
    EXPECT_EQ(t.rows, rowsOf(5));
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    ASSERT_NO_FATAL_FAILURE(expectPermissionsIndexed(file));
    db = test::loadJet(file);
    std::erase_if(permissions, [&](const auto &p) { return p.second == static_cast<std::int32_t>(id); });
    EXPECT_EQ(permissionRows(db, &aces), permissions) << "the permissions of every other object stay";
    EXPECT_EQ(aces.realIndexes.at(0).rowCount, keys - 1) << "its index counts one object less";
    EXPECT_TRUE(exportedRows(file, "MSysACEs") == lines)
        << "mdb-export gives the same permissions but those of the table deleted";
    std::set<std::uint32_t> free;
    jet::PageRow global;
    ASSERT_TRUE(jet::rowAt(db.file, 1u << 8, &global) && jet::decodeMap(db.file, global.bytes, &free));
    EXPECT_TRUE(free.count(id & 0xFFFFFF)) << "its definition page is free";
    for (auto *tables : {&after, &before}) {
        tables->erase(name);
        tables->erase(quoted);
        tables->erase("MSysObjects");
        tables->erase("MSysACEs");
    }
    EXPECT_TRUE(after == before) << "every other table exports as before";
}

INSTANTIATE_TEST_SUITE_P(Databases, TablesDeleted,
                         testing::Values(Permissions{"nwind.mdb", "Umsätze"},
                                         Permissions{"DateTestDatabase.mdb", "DateTest"}),
                         [](const auto &info) {
                             return std::string(*info.param.database == 'n' ? "Access97" : "Access2000");
                         });

// A query of the name given in apostrophes would be replaced by the table:
// this program replaces only tables, so the table is refused, naming the
// query, the file untouched. A table in apostrophes beside a query of the
// name without them is another name, and written.
TEST(AccessQuotedNames, AQueryOfTheNameInApostrophesIsKeptAndTheTableRefused) {
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    ASSERT_NO_FATAL_FAILURE(rename(file, {{"Invoices", "'Invoices'"}}));
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    const std::string bytes = test::readFile(file);
    std::string error;
    bool refused = false;
    EXPECT_EQ(createTable(file, "INVOICES", columns(), &error, &refused), nullptr);
    EXPECT_TRUE(refused);
    EXPECT_NE(
        error.find("The table INVOICES cannot be written into the Access file " + file +
                   ": it holds a query named 'Invoices', which a table written as INVOICES would replace, "
                   "and this program replaces only tables; give the table another name."),
        std::string::npos)
        << error;
    EXPECT_EQ(test::readFile(file), bytes);
    ASSERT_TRUE(writeTable(file, "''Invoices''", 2, &error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, "''Invoices''", &t, &error)) << error;
    EXPECT_EQ(t.rows, rowsOf(2));
}

// Access moves a catalogue row that grew to another page and leaves a
// pointer to it at its place (Table10_desc of an Access 97 database): the
// table is replaced, its row rewritten where Access moved it, and every
// other table exports as before.
TEST(AccessQuotedNames, ATableWhoseCatalogueRowAccessMovedIsReplaced) {
    WINVESK_NEEDS_TOOL("mdb-export");
    TempDir dir;
    const std::string file = copyShared(dir, "testIndexCodesV1997.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    {
        const jet::Database db = test::loadJet(file);
        const auto e = std::find_if(db.entries.begin(), db.entries.end(),
                                    [&](const auto &x) { return x.name(db.file.format) == "Table10_desc"; });
        ASSERT_NE(e, db.entries.end());
        std::vector<jet::PageRow> rows;
        std::uint32_t def = 0;
        ASSERT_TRUE(jet::readDataPage(db.file.page(e->page), &def, &rows, db.file.format));
        ASSERT_EQ(rows.at(e->row).flags, 0x4000) << "the row was moved";
    }
    auto before = everyTable(file);
    std::string error;
    ASSERT_TRUE(writeTable(file, "TABLE10_DESC", 4, &error)) << error;
    auto after = everyTable(file);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.count("Table10_desc"), 0u);
    TableData t;
    ASSERT_TRUE(readTable(file, "TABLE10_DESC", &t, &error)) << error;
    EXPECT_EQ(t.rows, rowsOf(4));
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    for (auto *tables : {&after, &before}) {
        tables->erase("Table10_desc");
        tables->erase("TABLE10_DESC");
        tables->erase("MSysObjects");
    }
    EXPECT_TRUE(after == before) << "every other table exports as before";
}

} // namespace
} // namespace vesk
