// Access databases that a table cannot go into as they are, refused before
// any row with a message naming the file, the object and what is wrong, and
// left byte for byte as they were: a table named like a query, a system
// table the reader cannot read, a damaged version number. And the names a
// table may share: those of forms, reports, macros and modules.

#include "platform/Isolation.h"
#include "platform/tables/JetDatabase.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/JetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vesk {
namespace {

using test::copyShared;
using test::TempDir;
namespace jet = tables::jet;
namespace fs = std::filesystem;

std::vector<TableColumn> hourColumns() {
    return {{"hour", ColumnType::Integer}, {"cNO2_mod_1", ColumnType::Float}};
}

std::size_t filesIn(const TempDir &dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

// The catalogue row of the object of that name, in the database as the writer reads it.
jet::Database::Entry *entryNamed(jet::Database &db, const std::string &file, const std::string &name) {
    bool exists = false;
    std::string error;
    if (!test::loadDatabaseByName(file, db, &exists, &error)) {
        ADD_FAILURE() << error;
        return nullptr;
    }
    for (auto &e : db.entries) {
        if (e.name(db.file.format) == name) {
            return &e;
        }
    }
    ADD_FAILURE() << "no object named " << name << " in " << file;
    return nullptr;
}

// The catalogue's objects of that name (any letter case).
std::size_t objectsNamed(const std::string &file, const std::string &name) {
    TableData catalogue;
    std::string error;
    EXPECT_TRUE(readTable(file, "MSysObjects", &catalogue, &error)) << error;
    const auto column = std::find(catalogue.fields.begin(), catalogue.fields.end(), "Name");
    if (column == catalogue.fields.end()) {
        ADD_FAILURE() << "the catalogue has no Name column";
        return 0;
    }
    const auto c = static_cast<std::size_t>(column - catalogue.fields.begin());
    return static_cast<std::size_t>(
        std::count_if(catalogue.rows.begin(), catalogue.rows.end(), [&](const auto &row) {
            const auto *text = std::get_if<std::string>(&row[c]);
            return text && tables::lowerAscii(*text) == tables::lowerAscii(name);
        }));
}

// Names of objects of the Access 97 sample database: tables and queries
// share one set of names, forms, reports, macros and modules each have their
// own (the sample holds a form and a table both named Customers). A name in
// apostrophes is another name than the one without them.
struct SharedName {
    const char *table;
    const char *said; // "" when the table is written beside the object
};

const SharedName kSharedNames[] = {
    {"Invoices", "it holds a query named Invoices, and a table cannot have the name of a query"},
    {"catalog", "it holds a query named Catalog"}, // also a report's name
    {"'Sales by Year'", ""},                       // beside the query and report Sales by Year
    {"Main Switchboard", ""},                      // a form
    {"Customer Labels", ""},                       // a report
    {"Sample Autokeys", ""},                       // a macro
    {"Utility Functions", ""},                     // a module
};

void PrintTo(const SharedName &n, std::ostream *os) {
    *os << n.table;
}

class AccessSharedNames : public testing::TestWithParam<SharedName> {};

TEST_P(AccessSharedNames, ATableNamedLikeAQueryIsRefusedAndOneNamedLikeAFormOrReportIsWritten) {
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    const std::string bytes = test::readFile(file);
    const std::string name = plainTableName(GetParam().table);
    const std::size_t before = objectsNamed(file, name);
    ASSERT_GT(before, 0u) << "the sample holds an object named " << name;
    std::string error;
    bool refused = false;
    auto w = createTable(file, GetParam().table, hourColumns(), &error, &refused);
    if (*GetParam().said != '\0') {
        EXPECT_EQ(w, nullptr);
        EXPECT_TRUE(refused);
        EXPECT_NE(error.find("The table " + std::string(GetParam().table) +
                             " cannot be written into the Access file " + file + ": " + GetParam().said),
                  std::string::npos)
            << error;
        EXPECT_EQ(test::readFile(file), bytes);
        EXPECT_EQ(filesIn(dir), 1u) << "no lock or copy left beside it";
        return;
    }
    ASSERT_NE(w, nullptr) << error;
    for (int h = 1; h <= 24; ++h) {
        ASSERT_TRUE(w->append({double(h), 20.0 + h}, &error)) << error;
    }
    ASSERT_TRUE(w->close(&error)) << error;
    TableData t;
    ASSERT_TRUE(readTable(file, GetParam().table, &t, &error)) << error;
    EXPECT_EQ(t.rows.size(), 24u);
    EXPECT_EQ(objectsNamed(file, name) +
                  (name != GetParam().table ? objectsNamed(file, GetParam().table) : 0),
              before + 1)
        << "the other object keeps its name";
}

INSTANTIATE_TEST_SUITE_P(Objects, AccessSharedNames, testing::ValuesIn(kSharedNames),
                         [](const auto &info) { return test::testNameOf(info.param.table); });

// A linked table, in the container of the tables too.
TEST(AccessSharedNames, ATableNamedLikeALinkedTableIsRefused) {
    TempDir dir;
    const std::string file = copyShared(dir, "DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    jet::Database db;
    jet::Database::Entry *e = entryNamed(db, file, "DateTest");
    ASSERT_NE(e, nullptr);
    e->values[3] = jet::shortBytes(6); // the catalogue's row of a link to a table of another database
    ASSERT_TRUE(jet::replaceRow(db.file, e->page << 8 | e->row,
                                jet::encodeRow(db.catalogue.columns, e->values, db.file.format), 0));
    dir.write("DateTestDatabase.mdb", db.file.bytes);
    std::string error;
    EXPECT_EQ(createTable(file, "datetest", hourColumns(), &error), nullptr);
    EXPECT_NE(error.find("it holds a linked table named DateTest"), std::string::npos) << error;
    EXPECT_EQ(test::readFile(file), db.file.bytes);
}

// A system table of the catalogue whose definition page is lost: the writer
// itself never reads it, but the database written is compared with this one
// table by table after the run, so it is refused now.
class AccessUnreadableSystemTables : public testing::TestWithParam<const char *> {};

TEST_P(AccessUnreadableSystemTables, AreRefusedBeforeAnyRowNamingTheDatabaseAndTheTable) {
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    jet::Database db;
    const jet::Database::Entry *e = entryNamed(db, file, GetParam());
    ASSERT_NE(e, nullptr);
    const std::uint32_t page = e->id() & 0xFFFFFF; // its definition
    std::string bytes = test::readFile(file);
    bytes.replace(page * db.file.pageSize(), db.file.pageSize(), std::string(db.file.pageSize(), '\0'));
    dir.write("nwind.mdb", bytes);

    std::string error;
    bool refused = false;
    auto w = createTable(file, "Hourly", hourColumns(), &error, &refused);
    EXPECT_EQ(w, nullptr);
    EXPECT_TRUE(refused);
    EXPECT_EQ(error.rfind("Tables cannot be written into the Access file " + file + ": its table " +
                              GetParam() + " cannot be read (",
                          0),
              0u)
        << error;
    EXPECT_NE(error.find("repair the database in Access (Compact and Repair) first."), std::string::npos)
        << error;
    EXPECT_EQ(error.find(".part"), std::string::npos) << error;
    EXPECT_EQ(test::readFile(file), bytes);
    EXPECT_EQ(filesIn(dir), 1u) << "no lock or copy left beside it";
}

INSTANTIATE_TEST_SUITE_P(Tables, AccessUnreadableSystemTables,
                         testing::Values("MSysQueries", "MSysRelationships"));

// A run writing its hourly output and statistics into one database reads
// it once before the first hour, and compares the database written with it
// once after the last.
TEST(AccessUnreadableSystemTables, TheTablesOfADatabaseAreReadOnceForTwoTablesOfARun) {
    TempDir dir;
    const std::string file = copyShared(dir, "nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(file);
    const std::uint64_t before = isolatedRunsStarted();
    TableSession run;
    std::string error;
    auto hourly = run.createTable(file, "Hourly", hourColumns(), &error);
    ASSERT_NE(hourly, nullptr) << error;
    auto statistics = run.createTable(file, "Statistics", hourColumns(), &error);
    ASSERT_NE(statistics, nullptr) << error;
    EXPECT_EQ(isolatedRunsStarted() - before, 1u) << "one reading of every table before the run";
    ASSERT_TRUE(hourly->append({1.0, 20.0}, &error) && statistics->append({2.0, 30.0}, &error)) << error;
    ASSERT_TRUE(hourly->close(&error) && statistics->close(&error)) << error;
    EXPECT_EQ(isolatedRunsStarted() - before, 2u) << "and one of the database written after it";
}

// The version number of the header says Access 2000 for an Access 97 file,
// or the other way round: the rest of the header, read in the other layout,
// would look like a password.
class AccessDamagedVersions : public testing::TestWithParam<const char *> {};

TEST_P(AccessDamagedVersions, AreRefusedAsAHeaderThatDoesNotMatchItsPages) {
    TempDir dir;
    const std::string file = copyShared(dir, GetParam());
    WINVESK_NEEDS_SHARED_FILE(file);
    std::string bytes = test::readFile(file);
    const bool jet3 = bytes[0x14] == 0;
    bytes[0x14] = jet3 ? 1 : 0;
    dir.write(GetParam(), bytes);
    std::string error;
    EXPECT_EQ(createTable(file, "Hourly", hourColumns(), &error), nullptr);
    EXPECT_EQ(error,
              "Tables cannot be written into the Access file " + file +
                  ": it is damaged: its header does not match its pages (the header gives the version " +
                  (jet3 ? "of Access 2000, the pages are those of Access 97)."
                        : "of Access 97, the pages are those of Access 2000)."));
    EXPECT_EQ(test::readFile(file), bytes);
}

INSTANTIATE_TEST_SUITE_P(Databases, AccessDamagedVersions,
                         testing::Values("nwind.mdb", "DateTestDatabase.mdb", "testIndexCodesV1997.mdb"),
                         [](const auto &info) { return test::testNameOf(info.param); });

} // namespace
} // namespace vesk
