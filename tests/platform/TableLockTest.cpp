// Two writers of one workbook or database: the second, of this process or of
// another, is refused at once while the first holds the file, so that it
// never reverts the first one's table; an Access database whose lock file
// another program holds open is in use too. A lock file that cannot be used
// refuses the file, saying what is wrong with the lock file.

#include "platform/tables/TableLock.h"
#include "calc/RunErrors.h"
#include "calc/TableRoutines.h"
#include "core/FileLock.h"
#include "core/StagedFileNames.h"
#include "platform/Isolation.h"
#include "platform/tables/Tables.h"
#include "support/PlainStage.h"
#include "support/ProcessGroups.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
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

std::string userNamed(uid_t uid) {
    const passwd *entry = getpwuid(uid);
    return entry != nullptr ? entry->pw_name : std::to_string(uid);
}

std::string inUse(const std::string &file, const std::string &holder) {
    return "The file " + file + " is being written by another run of the program (" + holder +
           "): it cannot be written now. Run again once that run has ended.";
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

WINVESK_PLAIN_STAGE("*TableFileHolds.*", OtherProcesses);

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
        EXPECT_EQ(error, inUse(file, test::heldBy(getpid())));
    }
    error.clear();
    EXPECT_FALSE(writeHours(file, "Short", 24, &error)) << "nor a writer of its own";
    EXPECT_EQ(error, inUse(file, test::heldBy(getpid())));
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
        EXPECT_EQ(error, inUse(file, test::heldBy(other.pid())));
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

// The hidden files (".<lock file>.<random>.part") in which lock files are made.
std::vector<std::string> lockFilesInTheMaking(const fs::path &dir) {
    std::vector<std::string> found;
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".lock.") != std::string::npos && name.ends_with(".part")) {
            found.push_back(name);
        }
    }
    return found;
}

// A run killed while it made its lock file (under its hidden name, before the
// name was its) leaves that hidden file; the next run of the file removes it,
// but never one another process is making, nor another user's.
TEST(TableFileHolds, WhatARunKilledWhileMakingItsLockFileLeftIsRemovedByTheNextRun) {
    TempDir dir;
    const std::string file = (dir.path() / "Book.xls").string();
    const std::string lockName = fs::path(tables::tableLockPath(file)).filename().string();
    const IsolatedResult killed = runIsolated([&](std::string *, std::string *) {
        tables::failLockingMadeLockFilesForTesting([](const std::string &name) {
            if (name.ends_with(".part")) {
                raise(SIGKILL);
            }
            return false;
        });
        auto *hold = new tables::TableFileLock; // as a run's, never ended
        std::string why;
        bool busy = false;
        return hold->acquire(file, &why, &busy);
    });
    ASSERT_EQ(killed.end, IsolatedEnd::Crashed);
    ASSERT_EQ(lockFilesInTheMaking(dir.path()).size(), 1u) << "what the killed run left";

    // Another run's, locked while it is made, and another user's stay. They are named as a run names its
    // own, so that only their lock and their owner keep them; not as the killed run's, whose random part
    // this process, of which it was forked, may draw again.
    auto unusedHiddenName = [&] {
        std::string name;
        do {
            name = staged::hiddenName(lockName, ".part");
        } while (fs::exists(dir.path() / name));
        return name;
    };
    const std::string making = unusedHiddenName();
    OtherProcess other([&] {
        const int fd = open((dir.path() / making).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        return fd >= 0 && lockWholeFile(fd, true) == LockTry::Taken;
    });
    ASSERT_TRUE(other.holding());
    std::vector<std::string> stay = {making};
    if (geteuid() == 0) {
        const std::string foreign = unusedHiddenName();
        dir.write(foreign, "");
        ASSERT_EQ(chown((dir.path() / foreign).c_str(), test::kNobody, test::kNobody), 0);
        stay.push_back(foreign);
    }
    std::sort(stay.begin(), stay.end());

    std::string error;
    ASSERT_TRUE(writeHours(file, "Short", 24, &error)) << error;
    std::vector<std::string> left = lockFilesInTheMaking(dir.path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, stay);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TableFileHolds, testing::Values("xls", "mdb", "wk1", "wk3"));

// A lock file the run has just made whose lock fails (not one whose name was
// taken) is removed: the hidden one, before the lock file is made under its
// own name instead, and that one, when its lock fails too, before the run is
// refused.
TEST(TableFileHolds, ALockFileMadeWhoseLockFailsIsRemoved) {
    TempDir dir;
    const std::string file = (dir.path() / "Book.xls").string();
    const std::string lockName = fs::path(tables::tableLockPath(file)).filename().string();
    for (const bool ownNameFails : {false, true}) {
        SCOPED_TRACE(ownNameFails ? "both locks fail" : "the hidden file's lock fails");
        std::vector<std::string> whenMadeUnderItsName;
        tables::failLockingMadeLockFilesForTesting([&](const std::string &name) {
            if (name == lockName) {
                whenMadeUnderItsName = othersIn(dir.path(), {lockName});
                return ownNameFails;
            }
            return true;
        });
        tables::TableFileLock hold;
        std::string error;
        bool busy = false;
        const bool held = hold.acquire(file, &error, &busy);
        tables::failLockingMadeLockFilesForTesting(nullptr);
        EXPECT_EQ(whenMadeUnderItsName, std::vector<std::string>{}) << "the hidden file whose lock failed";
        if (ownNameFails) {
            EXPECT_FALSE(held);
            EXPECT_FALSE(busy);
            EXPECT_EQ(error, "The lock file " + tables::tableLockPath(file) + " for " + file +
                                 " cannot be locked: " + std::strerror(ENOLCK) + ".");
            EXPECT_EQ(othersIn(dir.path(), {}), std::vector<std::string>{}) << "nothing is left of it";
        } else {
            EXPECT_TRUE(held) << error;
            EXPECT_EQ(othersIn(dir.path(), {lockName}), std::vector<std::string>{});
        }
    }
}

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
    EXPECT_EQ(error, inUse(link, test::heldBy(getpid())));
}

// Something under the lock file's name that is no file of its own: a link
// (to another file, or to nothing), a folder, a pipe. It is neither followed,
// opened nor removed, and the workbook is refused, saying what is there.
struct NoFileOfItsOwn {
    const char *name;
    const char *kind; // as the message says it
    std::function<void(const fs::path &other, const fs::path &lock)> make;
};

void PrintTo(const NoFileOfItsOwn &c, std::ostream *os) {
    *os << c.name;
}

class NoLockFilesOfTheirOwn : public testing::TestWithParam<NoFileOfItsOwn> {};

WINVESK_PLAIN_STAGE("*NoLockFilesOfTheirOwn.*", OtherProcesses);

TEST_P(NoLockFilesOfTheirOwn, AreLeftAloneAndTheWorkbookRefusedSayingWhatIsThere) {
    TempDir dir;
    const std::string metBytes = "year month day hour u_mast\r\n2023 3 9 1 2.5\r\n";
    const fs::path met = dir.write("Met2023.txt", metBytes);
    const std::string file = (dir.path() / "Book.xls").string();
    std::string error;
    ASSERT_TRUE(writeHours(file, "Long", 4, &error)) << error;
    const std::string before = test::readFile(file);
    const fs::path lock = tables::tableLockPath(file);
    GetParam().make(met, lock);
    const fs::file_type type = fs::symlink_status(lock).type();

    const std::string says = "The lock file " + lock.string() + " for " + file + " is " + GetParam().kind +
                             ", not a lock file: it is left as it is, and the file is not written without a "
                             "lock file of its own. Remove it or give it another name, then run again.";
    tables::TableFileLock hold;
    bool busy = true;
    EXPECT_FALSE(hold.acquire(file, &error, &busy));
    EXPECT_FALSE(busy);
    EXPECT_EQ(error, says);
    bool refused = false;
    EXPECT_EQ(createTable(file, "Short", hourColumns(), &error, &refused), nullptr);
    EXPECT_TRUE(refused) << "refused as it is, never read and taken for a damaged workbook";
    EXPECT_EQ(error, says);

    EXPECT_EQ(test::readFile(file), before);
    EXPECT_EQ(test::readFile(met), metBytes);
    EXPECT_EQ(fs::symlink_status(lock).type(), type) << "left as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, NoLockFilesOfTheirOwn,
    testing::Values(
        NoFileOfItsOwn{"a link to another file", "a symbolic link",
                       [](const fs::path &other, const fs::path &lock) { fs::create_symlink(other, lock); }},
        NoFileOfItsOwn{"a link to nothing", "a symbolic link",
                       [](const fs::path &other, const fs::path &lock) {
                           fs::create_symlink(other.string() + ".missing", lock);
                       }},
        NoFileOfItsOwn{"a folder", "a folder",
                       [](const fs::path &, const fs::path &lock) { fs::create_directory(lock); }},
        NoFileOfItsOwn{
            "a pipe", "a named pipe",
            [](const fs::path &, const fs::path &lock) { ASSERT_EQ(mkfifo(lock.c_str(), 0600), 0); }}),
    [](const testing::TestParamInfo<NoFileOfItsOwn> &info) { return test::testNameOf(info.param.name); });

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

// A run killed while its helper process reads (a damaged database that
// makes the reading library run long): the helper ends with the run and
// keeps no hold, so that the next run may write the file.
TEST(TableFileHolds, AKilledRunsHelperKeepsNoHold) {
    TempDir dir;
    const std::string file = (dir.path() / "Db.mdb").string();
    const fs::path reading = dir.path() / "reading";
    test::ProcessGroup run([&] {
        tables::TableFileLock hold;
        std::string why;
        bool busy = false;
        if (!hold.acquire(file, &why, &busy)) {
            return 1;
        }
        runIsolated([&](std::string *, std::string *) {
            std::ofstream(reading) << "reading";
            for (;;) { // a reading without end
                pause();
            }
            return true;
        });
        return 0;
    });
    ASSERT_TRUE(run.started());
    ASSERT_TRUE(test::waitUntil([&] { return fs::exists(reading); }, 60)) << "the helper did not start";
    kill(run.leader(), SIGTERM);
    ASSERT_TRUE(run.waitLeader(30));
    EXPECT_EQ(run.waitForTheGroup(30), std::vector<pid_t>{}) << "the helper lives on";
    tables::TableFileLock next;
    std::string error;
    bool busy = false;
    EXPECT_TRUE(next.acquire(file, &error, &busy)) << error;
}

// A lock file still locked whose holder line names a process of this
// computer that has ended: that process is not named as the one using the
// file, nor is a run (whatever holds the lock, it is not that process; the
// lock, of an open file description, names no process).
TEST(TableFileHolds, AHolderThatHasEndedIsNeverNamed) {
    TempDir dir;
    const std::string file = (dir.path() / "Db.mdb").string();
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_GT(ended, 0);
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    const std::string lock = tables::tableLockPath(file);
    dir.write(fs::path(lock).filename().string(),
              "winvesk " + std::to_string(ended) + " " + userNamed(geteuid()) + " " + host + "\n");
    const int fd = open(lock.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lockWholeFile(fd, true), LockTry::Taken);
    tables::TableFileLock hold;
    std::string error;
    bool busy = false;
    EXPECT_FALSE(hold.acquire(file, &error, &busy));
    EXPECT_TRUE(busy);
    EXPECT_EQ(error, "The file " + file + " cannot be written now: a program holds its lock file " + lock +
                         ". Run again once it is no longer held.")
        << "no run is blamed for it";
    close(fd);
}

// A file under the lock file's name that is none: another name of a file
// (made with ln), or a file of other bytes. The file is written, and that
// file is neither written, cut nor removed.
struct NotALockFile {
    const char *name;
    std::function<void(const fs::path &other, const fs::path &lock)> make;
};

void PrintTo(const NotALockFile &c, std::ostream *os) {
    *os << c.name;
}

class NotLockFiles : public testing::TestWithParam<NotALockFile> {};

WINVESK_PLAIN_STAGE("*NotLockFiles.*", OtherProcesses);

TEST_P(NotLockFiles, AreLeftAsTheyAre) {
    TempDir dir;
    const std::string metBytes = "year month day hour u_mast\r\n2023 3 9 1 2.5\r\n";
    const fs::path met = dir.write("Met2023.txt", metBytes);
    const std::string file = (dir.path() / "Db.mdb").string();
    const fs::path lock = tables::tableLockPath(file);
    GetParam().make(met, lock);
    const std::string before = test::readFile(lock);
    std::string error;
    ASSERT_TRUE(writeHours(file, "Hourly", 24, &error)) << error;
    EXPECT_EQ(rowsOf(file, "Hourly"), 24u);
    EXPECT_EQ(test::readFile(met), metBytes);
    ASSERT_TRUE(fs::exists(lock));
    EXPECT_EQ(test::readFile(lock), before);
}

INSTANTIATE_TEST_SUITE_P(Kinds, NotLockFiles,
                         testing::Values(NotALockFile{"a hard link to another file",
                                                      [](const fs::path &other, const fs::path &lock) {
                                                          fs::create_hard_link(other, lock);
                                                      }},
                                         NotALockFile{"a file of other bytes",
                                                      [](const fs::path &, const fs::path &lock) {
                                                          std::ofstream(lock, std::ios::binary)
                                                              << "notes on the database\n";
                                                      }}),
                         [](const testing::TestParamInfo<NotALockFile> &info) {
                             return test::testNameOf(info.param.name);
                         });

// Lock files of another user, whom this one may not write: a run of that
// user killed (its lock file left over) or under way. The other user is the
// user nobody when the tests run as root (which may write any file);
// otherwise the lock file is made read-only, which its owner cannot open for
// writing either.
class ForeignLockFiles : public testing::Test {
protected:
    ForeignLockFiles() {
        fs::permissions(dir.path(), fs::perms::all); // a folder shared by the users of a project
    }
    void SetUp() override {
        if (geteuid() == 0) {
            if (const std::string why = test::whyNobodyCannotEnter(dir.path()); !why.empty()) {
                GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
            }
        }
    }

    // Makes the lock file one this user cannot open for writing.
    void makeForeign(fs::perms perms = fs::perms::owner_read | fs::perms::group_read |
                                       fs::perms::others_read) {
        ASSERT_TRUE(fs::exists(lock)) << lock;
        fs::permissions(lock, perms);
        leftOver = fs::status(lock).type() == fs::file_type::regular ? inodeOf(lock) : 0;
    }

    // What acquire() says to this user: "held, another lock file" with the
    // hold, or the message (the hold ends with the child).
    std::string acquireAsThisUser() const {
        const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
            if (geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(test::kNobody) != 0 || setuid(test::kNobody) != 0)) {
                *bytes = "could not become another user";
                return true;
            }
            tables::TableFileLock hold;
            std::string error;
            bool busy = false;
            if (!hold.acquire(file, &error, &busy)) {
                *bytes = (busy ? "in use: " : "refused: ") + error;
                return true;
            }
            *bytes = "held";
            if (inodeOf(lock) != leftOver) {
                *bytes += ", another lock file";
            }
            return true;
        });
        EXPECT_EQ(r.end, IsolatedEnd::Finished);
        return r.bytes;
    }

    static ino_t inodeOf(const std::string &path) {
        struct stat st {};
        return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }

    TempDir dir;
    const std::string file = (dir.path() / "Book.xls").string();
    const std::string lock = tables::tableLockPath(file);
    ino_t leftOver = 0;
};

// A hold taken by a process that then ends without tidying up, as a killed run.
bool heldUntilTheEnd(const std::string &file) {
    auto *hold = new tables::TableFileLock; // kept to the end of the process
    std::string why;
    bool busy = false;
    return hold->acquire(file, &why, &busy);
}

WINVESK_PLAIN_STAGE("*ForeignLockFiles.*", OtherProcesses);

TEST_F(ForeignLockFiles, ALeftOverLockFileIsReplacedAndTheFileWritten) {
    std::string error;
    ASSERT_TRUE(writeHours(file, "Long", 4, &error)) << error;
    {
        OtherProcess killed([&] { return heldUntilTheEnd(file); });
        ASSERT_TRUE(killed.holding());
    }
    ASSERT_NO_FATAL_FAILURE(makeForeign());
    EXPECT_EQ(acquireAsThisUser(), "held, another lock file");
    EXPECT_FALSE(fs::exists(lock)) << "the lock file goes with the hold";
    ASSERT_TRUE(writeHours(file, "Short", 24, &error)) << error;
    EXPECT_EQ(rowsOf(file, "Long"), 4u);
}

TEST_F(ForeignLockFiles, OneHeldByARunMakesTheFileInUseNamingTheHolder) {
    OtherProcess run([&] { return heldUntilTheEnd(file); });
    ASSERT_TRUE(run.holding());
    ASSERT_NO_FATAL_FAILURE(makeForeign());
    EXPECT_EQ(acquireAsThisUser(), "in use: " + inUse(file, test::heldBy(run.pid())));
    EXPECT_EQ(inodeOf(lock), leftOver) << "the holder's lock file stays";
}

TEST_F(ForeignLockFiles, OneThatCannotBeReadIsRefusedNamingItsOwner) {
    {
        OtherProcess killed([&] { return heldUntilTheEnd(file); });
        ASSERT_TRUE(killed.holding());
    }
    ASSERT_NO_FATAL_FAILURE(makeForeign(fs::perms::none));
    EXPECT_EQ(acquireAsThisUser(), "refused: The lock file " + lock + " for " + file +
                                       " cannot be used: it belongs to the user " + userNamed(geteuid()) +
                                       ", whose run may be writing the file, and cannot be read (Permission "
                                       "denied).");
    EXPECT_EQ(inodeOf(lock), leftOver);
}

// A file of another user under the lock file's name that this user may
// read but not write, and that is no lock file a run left: one of other
// bytes, or a second name of another file. It is neither replaced nor
// removed, and the workbook is refused, saying what is there.
TEST_F(ForeignLockFiles, AnotherUsersFileThatIsNoLockFileIsNeitherReplacedNorRemoved) {
    const fs::path notes = dir.write("Notes.txt", "winvesk 1 " + userNamed(geteuid()) + " -\n");
    for (const bool secondName : {false, true}) {
        SCOPED_TRACE(secondName ? "a second name of another file" : "a file of other bytes");
        fs::remove(lock);
        if (secondName) {
            fs::create_hard_link(notes, lock);
        } else {
            dir.write(fs::path(lock).filename().string(), "notes on the workbook\n");
        }
        const std::string before = test::readFile(lock);
        ASSERT_NO_FATAL_FAILURE(makeForeign());
        EXPECT_EQ(
            acquireAsThisUser(),
            "refused: The lock file " + lock + " for " + file + " is a file of the user " +
                userNamed(geteuid()) +
                (secondName ? " that is a second name of another file" : " that holds other bytes") +
                ", not a lock file: it is left as it is, and the file is not written without a lock file "
                "of its own. Remove it or give it another name, then run again.");
        EXPECT_EQ(inodeOf(lock), leftOver) << "left under its name";
        EXPECT_EQ(test::readFile(lock), before);
    }
}

// A file of another user that this one may write (the tests: root, who
// may write any), planted under the lock file's name: empty and writable by
// every user, or read-only, or with a holder line of its own. It is locked,
// so that the hold stands, but neither written into nor removed.
TEST_F(ForeignLockFiles, AnotherUsersFileThisUserMayWriteIsNeitherWrittenIntoNorRemoved) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test plants a file of the user nobody";
    }
    const std::string holderLine = "winvesk 1 " + userNamed(test::kNobody) + " -\n";
    for (const auto &[bytes, mode] :
         {std::pair<std::string, mode_t>{"", 0666}, {"", 0644}, {holderLine, 0666}}) {
        SCOPED_TRACE("\"" + bytes + "\", mode " + std::to_string(mode));
        fs::remove(lock);
        dir.write(fs::path(lock).filename().string(), bytes);
        ASSERT_EQ(chown(lock.c_str(), test::kNobody, test::kNobody), 0);
        ASSERT_EQ(chmod(lock.c_str(), mode), 0);
        const ino_t planted = inodeOf(lock);
        {
            tables::TableFileLock hold, second;
            std::string error;
            bool busy = false;
            ASSERT_TRUE(hold.acquire(file, &error, &busy)) << error;
            EXPECT_EQ(test::readFile(lock), bytes) << "not written into";
            EXPECT_FALSE(second.acquire(file, &error, &busy));
            EXPECT_TRUE(busy) << "the hold stands: " << error;
        }
        EXPECT_EQ(inodeOf(lock), planted) << "not removed";
        EXPECT_EQ(test::readFile(lock), bytes);
        struct stat st {};
        ASSERT_EQ(lstat(lock.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, test::kNobody);
    }
}

// A sound workbook whose lock file cannot be used is refused for its lock
// file: the run never calls the workbook corrupted.
TEST_F(ForeignLockFiles, AWorkbookWhoseLockFileCannotBeUsedIsNeverCalledCorrupted) {
    std::string error;
    ASSERT_TRUE(writeHours(file, "Long", 4, &error)) << error;
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const std::string before = test::readFile(file);
    {
        OtherProcess killed([&] { return heldUntilTheEnd(file); });
        ASSERT_TRUE(killed.holding());
    }
    ASSERT_NO_FATAL_FAILURE(makeForeign(fs::perms::none));
    const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            *bytes = "could not become another user";
            return true;
        }
        test::ScriptedInteraction ui;
        OutputTable table;
        long number = 0;
        std::string text;
        OpenOutputTable(file + ";Hourly", "", {"?"}, KeyedList<VESKVar>(), table, ui, &number, &text);
        *bytes = "error " + std::to_string(number) + ": " + text;
        for (const std::string &m : ui.messages) {
            *bytes += "\nsaid: " + m;
        }
        return true;
    });
    EXPECT_EQ(r.end, IsolatedEnd::Finished);
    EXPECT_EQ(r.bytes, "error " + std::to_string(kErrTableRefused) + ": The lock file " + lock + " for " +
                           file + " cannot be used: it belongs to the user " + userNamed(geteuid()) +
                           ", whose run may be writing the file, and cannot be read (Permission denied).");
    EXPECT_EQ(test::readFile(file), before);
}

// A lock file is its user's alone whatever the umask, also in a folder
// shared by a group, so that no other user may open it to lock it.
TEST(TableFileHolds, ALockFileIsItsUsersAloneWhateverTheUmask) {
    for (const mode_t mask : {0000, 0002, 0022, 0077}) {
        SCOPED_TRACE("umask " + std::to_string(mask));
        TempDir dir;
        const std::string file = (dir.path() / "Book.xls").string();
        const mode_t before = umask(mask);
        tables::TableFileLock hold;
        std::string error;
        bool busy = false;
        const bool held = hold.acquire(file, &error, &busy);
        umask(before);
        ASSERT_TRUE(held) << error;
        struct stat st {};
        ASSERT_EQ(lstat(tables::tableLockPath(file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(othersIn(dir.path(), {fs::path(tables::tableLockPath(file)).filename().string()}),
                  std::vector<std::string>{})
            << "nothing else is left of its making";
    }
}

} // namespace
} // namespace vesk
