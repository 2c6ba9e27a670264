// Two writers of one workbook or database: the second, of this process or of
// another, is refused at once while the first holds the file, so that it
// never reverts the first one's table; an Access database whose lock file
// another program holds open is in use too.

#include "platform/tables/TableLock.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace vesk {
namespace {

using test::OtherProcess;
using test::TempDir;
namespace fs = std::filesystem;

std::vector<TableColumn> hourColumns() {
    return {{"hour", ColumnType::Integer}, {"cNO2_mod_1", ColumnType::Float}};
}

// Writes a table of `hours` rows through its own writer.
bool writeHours(const std::string &file, const std::string &table, int hours, std::string *error) {
    auto w = createTable(file, table, hourColumns(), error);
    if (!w) {
        return false;
    }
    for (int h = 1; h <= hours; ++h) {
        if (!w->append({double(h), 20.0 + h}, error)) {
            return false;
        }
    }
    return w->close(error);
}

std::size_t rowsOf(const std::string &file, const std::string &table) {
    TableData t;
    std::string error;
    EXPECT_TRUE(readTable(file, table, &t, &error)) << error;
    return t.rows.size();
}

std::string inUse(const std::string &file) {
    return "The file " + file +
           " is in use by another run or program: its tables cannot be written now. Run again once it is "
           "free.";
}

// Files of the folder other than those named.
std::vector<std::string> othersIn(const fs::path &dir, const std::vector<std::string> &named) {
    std::vector<std::string> out;
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (std::find(named.begin(), named.end(), name) == named.end()) {
            out.push_back(name);
        }
    }
    return out;
}

class TableFileHolds : public testing::TestWithParam<const char *> {};

// A second writer of this process (a second run in a thread) is refused
// while the first holds the file, and takes it once the first has closed:
// the first one's table is kept.
TEST_P(TableFileHolds, ASecondWriterOfThisProcessIsRefusedUntilTheFirstHasClosed) {
    TempDir dir;
    const std::string file = (dir.path() / (std::string("Book.") + GetParam())).string();
    std::string error;
    TableSession first;
    auto longTable = first.createTable(file, "Long", hourColumns(), &error);
    ASSERT_NE(longTable, nullptr) << error;
    EXPECT_TRUE(fs::exists(dir.path() / (std::string(".Book.") + GetParam() + ".lock")));
    bool refused = false;
    {
        TableSession second;
        EXPECT_EQ(second.createTable(file, "Short", hourColumns(), &error, &refused), nullptr);
        EXPECT_TRUE(refused);
        EXPECT_EQ(error, inUse(file));
    }
    error.clear();
    EXPECT_FALSE(writeHours(file, "Short", 24, &error)) << "nor a writer of its own";
    EXPECT_EQ(error, inUse(file));
    for (int h = 1; h <= 48; ++h) {
        ASSERT_TRUE(longTable->append({double(h), 1.0}, &error)) << error;
    }
    ASSERT_TRUE(longTable->close(&error)) << error;
    EXPECT_EQ(othersIn(dir.path(), {fs::path(file).filename().string()}), std::vector<std::string>{})
        << "the lock file goes with the hold";

    ASSERT_TRUE(writeHours(file, "Short", 24, &error)) << error;
    if (tableKindOfFile(file) == TableKind::Lotus) {
        EXPECT_EQ(rowsOf(file, "Short"), 24u) << "a Lotus file holds one worksheet: the new one replaces it";
    } else {
        EXPECT_EQ(rowsOf(file, "Long"), 48u) << "the table written first is kept";
        EXPECT_EQ(rowsOf(file, "Short"), 24u);
    }
}

// Held by another process: refused at once, whatever the kind of file; once
// the other process has ended (killed, its lock file left behind), the file
// is written and the lock file removed.
TEST_P(TableFileHolds, AFileHeldByAnotherProcessIsRefusedAtOnceAndFreeWhenItEnds) {
    TempDir dir;
    const std::string file = (dir.path() / (std::string("Book.") + GetParam())).string();
    std::string error;
    ASSERT_TRUE(writeHours(file, "Long", 48, &error)) << error;
    const std::string before = test::readFile(file);
    {
        OtherProcess other([&] {
            auto *lock = new tables::TableFileLock; // kept to the end of the process
            std::string why;
            bool busy = false;
            return lock->acquire(file, &why, &busy);
        });
        ASSERT_TRUE(other.holding());
        bool refused = false;
        EXPECT_EQ(createTable(file, "Short", hourColumns(), &error, &refused), nullptr);
        EXPECT_TRUE(refused);
        EXPECT_EQ(error, inUse(file));
        EXPECT_EQ(test::readFile(file), before);
    }
    EXPECT_TRUE(fs::exists(tables::tableLockPath(file))) << "left by the process that ended";
    ASSERT_TRUE(writeHours(file, "Short", 24, &error)) << error;
    EXPECT_FALSE(fs::exists(tables::tableLockPath(file)));
    EXPECT_EQ(rowsOf(file, "Short"), 24u);
}

// A writer given up (a run that failed) ends its hold as well.
TEST_P(TableFileHolds, AWriterGivenUpEndsItsHold) {
    TempDir dir;
    const std::string file = (dir.path() / (std::string("Book.") + GetParam())).string();
    std::string error;
    auto dropped = createTable(file, "Long", hourColumns(), &error);
    ASSERT_NE(dropped, nullptr) << error;
    dropped.reset();
    EXPECT_FALSE(fs::exists(file));
    ASSERT_TRUE(writeHours(file, "Short", 24, &error)) << error;
}

INSTANTIATE_TEST_SUITE_P(Kinds, TableFileHolds, testing::Values("xls", "mdb", "wk1", "wk3"));

// The hold is on the file a link leads to: two names of one workbook are one file.
TEST(TableFileHolds, TwoNamesOfOneWorkbookAreOneFile) {
    TempDir dir;
    const std::string file = (dir.path() / "Book.xls").string();
    std::string error;
    ASSERT_TRUE(writeHours(file, "Long", 4, &error)) << error;
    fs::create_directory(dir.path() / "other");
    fs::create_symlink(file, dir.path() / "other" / "Link.xls");
    auto first = createTable(file, "Long", hourColumns(), &error);
    ASSERT_NE(first, nullptr) << error;
    const std::string link = (dir.path() / "other" / "Link.xls").string();
    EXPECT_EQ(createTable(link, "Short", hourColumns(), &error), nullptr);
    EXPECT_EQ(error, inUse(link));
}

// The lock file of Access (.ldb) that another program holds open tells that
// program has the database open; one left behind by a program that ended
// holds nothing.
TEST(TableFileHolds, AnAccessDatabaseWhoseLockFileAnotherProgramHoldsOpenIsInUse) {
    TempDir dir;
    const std::string file = (dir.path() / "Book.mdb").string();
    std::string error;
    ASSERT_TRUE(writeHours(file, "Long", 48, &error)) << error;
    const std::string before = test::readFile(file);
    const std::string ldb = (dir.path() / "BOOK.LDB").string(); // as another system may name it
    {
        OtherProcess access([&] { return open(ldb.c_str(), O_RDWR | O_CREAT, 0644) >= 0; });
        ASSERT_TRUE(access.holding());
        EXPECT_EQ(tables::accessLockInUse(file), ldb);
        bool refused = false;
        EXPECT_EQ(createTable(file, "Short", hourColumns(), &error, &refused), nullptr);
        EXPECT_TRUE(refused);
        EXPECT_EQ(error, "The Access file " + file + " is in use by another program (it holds " + ldb +
                             " open): its tables cannot be written now. Run again once it is closed.");
        EXPECT_EQ(test::readFile(file), before);
        EXPECT_FALSE(fs::exists(tables::tableLockPath(file))) << "no hold is left behind";
    }
    ASSERT_TRUE(fs::exists(ldb));
    EXPECT_EQ(tables::accessLockInUse(file), "") << "left behind, open nowhere";
    ASSERT_TRUE(writeHours(file, "Short", 24, &error)) << error;
    EXPECT_EQ(rowsOf(file, "Long"), 48u);
    EXPECT_EQ(rowsOf(file, "Short"), 24u);
}

} // namespace
} // namespace vesk
