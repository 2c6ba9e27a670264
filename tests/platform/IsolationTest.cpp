// Work run in a helper process: its result comes back, and whatever goes
// wrong there (a loop, the memory, a crash) comes back as a failure that
// names the damage, while this process goes on untouched.

#include "platform/Isolation.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/ProcessGroups.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <thread>
#include <vector>

namespace vesk {
namespace {

namespace fs = std::filesystem;

// Short limits keep the tests quick; the defaults are far wider.
IsolationLimits quick() {
    IsolationLimits limits;
    limits.seconds = 2;
    limits.memoryBytes = std::size_t{128} << 20;
    return limits;
}

TEST(Isolation, TheWorksResultOrItsOwnMessageComesBack) {
    int untouched = 1;
    const IsolatedResult done = runIsolated([&](std::string *bytes, std::string *) {
        untouched = 2; // changes the child's copy only
        *bytes = std::string("a\0b", 3);
        return true;
    });
    EXPECT_EQ(done.end, IsolatedEnd::Finished);
    EXPECT_TRUE(done.ok);
    EXPECT_EQ(done.bytes, std::string("a\0b", 3));
    EXPECT_EQ(untouched, 1) << "the work runs in a process of its own";

    const IsolatedResult refused = runIsolated([](std::string *, std::string *error) {
        *error = "not a workbook";
        return false;
    });
    EXPECT_EQ(refused.end, IsolatedEnd::Finished);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, "not a workbook");

    const IsolatedResult large = runIsolated([](std::string *bytes, std::string *) {
        bytes->assign(std::size_t{5} << 20, 'x'); // more than a pipe holds at once
        return true;
    });
    EXPECT_EQ(large.bytes.size(), std::size_t{5} << 20);
}

TEST(Isolation, TheStartOfWhatTheWorkWritesToItsStandardErrorComesBackBounded) {
    const IsolatedResult crashed = runIsolated([](std::string *, std::string *) {
        std::fputs("mdb: page 17 of the catalogue is not a table page\n", stderr);
        std::fflush(stderr);
        std::abort();
        return true;
    });
    EXPECT_EQ(crashed.end, IsolatedEnd::Crashed);
    EXPECT_EQ(crashed.errorOutput, "mdb: page 17 of the catalogue is not a table page\n");

    // Millions of warnings neither fill the memory nor hold the work up.
    const IsolatedResult chatty = runIsolated([](std::string *bytes, std::string *) {
        for (int i = 0; i < 200000; ++i) {
            std::fputs("warning: a row of the table is too long\n", stderr);
        }
        *bytes = "done";
        return true;
    });
    EXPECT_EQ(chatty.end, IsolatedEnd::Finished);
    EXPECT_EQ(chatty.bytes, "done");
    EXPECT_EQ(chatty.errorOutput.size(), kErrorOutputKept);
    EXPECT_EQ(chatty.errorOutput.rfind("warning: a row of the table is too long\n", 0), 0u);
}

// A run killed while its helper works (a plain kill, a task manager, the
// out-of-memory killer) takes the helper along: the helper neither lives on
// nor waits for ever to write its warnings, which nobody reads any more.
TEST(Isolation, AHelperEndsWithTheProcessThatStartedIt) {
    for (const int signal : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(::strsignal(signal));
        test::TempDir dir;
        const fs::path started = dir.path() / "helper";
        test::ProcessGroup run([&] {
            const IsolatedResult r = runIsolated([&](std::string *, std::string *) {
                std::ofstream(started) << "reading";
                for (;;) { // a library warning without end about a damaged file
                    std::fputs("Warning: mdb_col_to_string called on unsupported data type.\n", stderr);
                }
                return true;
            });
            return r.end == IsolatedEnd::Finished ? 0 : 1;
        });
        ASSERT_TRUE(run.started());
        ASSERT_TRUE(test::waitUntil([&] { return fs::exists(started); }, 60)) << "the helper did not start";
        kill(run.leader(), signal);
        ASSERT_TRUE(run.waitLeader(30));
        EXPECT_EQ(run.waitForTheGroup(30), std::vector<pid_t>{}) << "the helper lives on";
    }
}

// The helper keeps open its standard streams and its end of the result pipe
// alone: not the descriptors of the process that started it (a lock file's
// would keep the lock), nor the read end of its own error pipe (on which its
// writes would wait once the process that read it had gone).
TEST(Isolation, AHelperKeepsNoDescriptorOfTheProcessThatStartedIt) {
    test::TempDir dir;
    const fs::path held = dir.write(".Db.mdb.lock", "");
    const int fd = ::open(held.c_str(), O_RDWR); // without O_CLOEXEC, which a fork ignores anyway
    ASSERT_GE(fd, 0);
    const IsolatedResult r = runIsolated([](std::string *bytes, std::string *) {
        std::error_code ec;
        for (const auto &entry : fs::directory_iterator("/proc/self/fd")) {
            const std::string target = fs::read_symlink(entry.path(), ec).string();
            if (!target.starts_with("/proc/")) { // the listing's own
                *bytes += entry.path().filename().string() + " " + target + "\n";
            }
        }
        return true;
    });
    ::close(fd);
    ASSERT_EQ(r.end, IsolatedEnd::Finished);
    std::map<int, std::string> open;
    std::istringstream lines(r.bytes);
    for (std::string number, target; lines >> number >> target;) {
        open[std::stoi(number)] = target;
    }
    EXPECT_EQ(r.bytes.find(held.string()), std::string::npos) << r.bytes;
    ASSERT_EQ(open.size(), 4u) << r.bytes;
    EXPECT_EQ(open[0], "/dev/null");
    EXPECT_EQ(open[1], "/dev/null");
    EXPECT_EQ(open[2].rfind("pipe:", 0), 0u) << "its standard error";
    EXPECT_EQ(open[3].rfind("pipe:", 0), 0u) << "its result";
    EXPECT_NE(open[2], open[3]);
}

// Several readings of one check share its time: a deadline ends the work
// before its own limit.
TEST(Isolation, ADeadlineEndsTheWorkBeforeItsOwnTimeLimit) {
    IsolationLimits limits;
    limits.seconds = 120;
    limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    const IsolatedResult r = runIsolated(
        [](std::string *bytes, std::string *) {
            std::this_thread::sleep_for(std::chrono::seconds(30)); // past the deadline, within the limit
            *bytes = "done";
            return true;
        },
        limits);
    EXPECT_EQ(r.end, IsolatedEnd::TimedOut);
}

// What the work last said it was doing comes back however the child ended,
// so that a reading stopped or crashed can be said to have stopped there.
TEST(Isolation, TheWorksLastReportOfWhatItDoesComesBackHoweverItEnds) {
    reportIsolatedProgress("not in a helper: no effect");
    const IsolatedResult done = runIsolated([](std::string *, std::string *) {
        reportIsolatedProgress("the table First and its long name");
        reportIsolatedProgress("the table Last"); // shorter: nothing of the one before is left
        return true;
    });
    EXPECT_EQ(done.end, IsolatedEnd::Finished);
    EXPECT_EQ(done.progress, "the table Last");

    const IsolatedResult silent = runIsolated([](std::string *, std::string *) { return true; });
    EXPECT_EQ(silent.progress, "");

    const IsolatedResult crashed = runIsolated([](std::string *, std::string *) {
        reportIsolatedProgress("the table Hourly");
        std::abort();
        return true;
    });
    EXPECT_EQ(crashed.end, IsolatedEnd::Crashed);
    EXPECT_EQ(crashed.progress, "the table Hourly");

    const IsolatedResult stopped = runIsolated(
        [](std::string *, std::string *) {
            reportIsolatedProgress(std::string(kProgressKept + 100, 'x'));
            for (volatile unsigned long i = 0;;) {
                i = i + 1;
            }
            return true;
        },
        quick());
    EXPECT_EQ(stopped.end, IsolatedEnd::TimedOut);
    EXPECT_EQ(stopped.progress, std::string(kProgressKept, 'x')) << "the start of a long report";
    EXPECT_EQ(done.progress, "the table Last") << "each run has a report of its own";
}

struct Failure {
    const char *name;
    std::function<bool(std::string *, std::string *)> work;
    IsolatedEnd end;
    const char *says; // part of the message about the file
};

void PrintTo(const Failure &f, std::ostream *os) {
    *os << f.name;
}

class IsolatedFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(IsolatedFailures, EndTheChildAndAreNamedInTheMessage) {
    const Failure &f = GetParam();
    // Only the loop needs the short time limit; the others get room, since
    // filling 128 MB under the sanitizers on a busy machine can take longer
    // than the loop's 2 seconds.
    IsolationLimits limits = quick();
    if (f.end != IsolatedEnd::TimedOut) {
        limits.seconds = 120;
    }
    const IsolatedResult r = runIsolated(f.work, limits);
    EXPECT_EQ(r.end, f.end);
    const std::string text = isolationFailureText(r, "/data/Met.xls", limits);
    EXPECT_EQ(text.rfind("The file /data/Met.xls is damaged: ", 0), 0u) << text;
    EXPECT_NE(text.find(f.says), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, IsolatedFailures,
    ::testing::Values(Failure{"a loop without end",
                              [](std::string *, std::string *) {
                                  for (volatile unsigned long i = 0;;) {
                                      i = i + 1;
                                  }
                                  return true;
                              },
                              IsolatedEnd::TimedOut, "could not be read within 2 seconds"},
                      Failure{"memory without end",
                              [](std::string *, std::string *) {
                                  std::vector<char *> blocks;
                                  for (;;) {
                                      char *block = static_cast<char *>(std::malloc(1 << 20));
                                      if (block == nullptr) {
                                          throw std::bad_alloc();
                                      }
                                      std::memset(block, 1, 1 << 20);
                                      blocks.push_back(block);
                                  }
                                  return true;
                              },
                              IsolatedEnd::OutOfMemory, "needed more than 128 MB of memory"},
                      Failure{"an abort",
                              [](std::string *, std::string *) {
                                  std::abort();
                                  return true;
                              },
                              IsolatedEnd::Crashed, "its reader failed on it (Aborted)"}),
    [](const ::testing::TestParamInfo<Failure> &info) { return test::testNameOf(info.param.name); });

// An Access file whose catalogue has 16 zeroed bytes: the library loops
// over it with ever more memory and millions of warnings.
TEST(IsolatedTables, AnAccessFileWithADamagedCatalogueGivesAMessageAndNoHang) {
    const fs::path source = test::sharedTestFile("mdb/DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    test::TempDir dir;
    const std::string bytes = test::accessFileItsReaderRunsAwayOn(source);
    const fs::path damaged = dir.write("Damaged.mdb", bytes);

    std::vector<TableInfo> tables;
    std::string error;
    EXPECT_FALSE(tables::accessListTablesIsolated(damaged.string(), &tables, &error, quick()));
    EXPECT_EQ(error.rfind("The file " + damaged.string() + " is damaged: ", 0), 0u) << error;
    EXPECT_NE(error.find("\r\nIts reader reported:\r\n"), std::string::npos) << "the library's own warnings";
    EXPECT_EQ(test::readFile(damaged), bytes) << "the input is never altered";
}

// The check that every table of a database can be read takes one time
// limit, however many readings it needs: a reading stopped at the limit is
// not followed by a reading of the list of tables and of each table.
TEST(IsolatedTables, AnAccessFileItsReaderRunsAwayOnIsCheckedWithinOneLimit) {
    const fs::path source = test::sharedTestFile("mdb/DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    test::TempDir dir;
    const fs::path damaged = dir.write("Damaged.mdb", test::accessFileItsReaderRunsAwayOn(source));
    std::vector<std::pair<std::string, std::size_t>> rows;
    std::string table, error;
    const std::uint64_t before = isolatedRunsStarted();
    EXPECT_FALSE(
        tables::accessReadEveryTableIsolated(damaged.string(), "Hourly", &rows, &table, &error, quick()));
    EXPECT_EQ(isolatedRunsStarted() - before, 1u) << "one reading, not tried again";
    EXPECT_EQ(error.rfind("The file " + damaged.string() + " is damaged: ", 0), 0u) << error;
    EXPECT_TRUE(error.find("could not be read within 2 seconds") != std::string::npos ||
                error.find("needed more than 128 MB of memory") != std::string::npos)
        << error;
    EXPECT_EQ(table, "") << "no table is named: the file as a whole ran away";
}

TEST(IsolatedTables, AWorkbookReadsAsWithoutTheHelperProcess) {
    test::TempDir dir;
    tables::Sheet sheet{"Met", {{std::string("hour"), std::string("u_mast")}, {1.0, 2.5}, {2.0, Cell{}}}};
    const fs::path book = dir.path() / "Met.xls";
    std::string error;
    ASSERT_TRUE(tables::excelWriteWorkbook(book.string(), {sheet}, &error)) << error;
    std::vector<tables::Sheet> direct, isolated;
    ASSERT_TRUE(tables::excelReadSheets(book.string(), &direct, false, &error)) << error;
    ASSERT_TRUE(tables::readSheetsIsolated(book.string(), TableKind::Excel, false, &isolated, &error))
        << error;
    ASSERT_EQ(isolated.size(), direct.size());
    EXPECT_EQ(isolated[0].name, direct[0].name);
    EXPECT_EQ(isolated[0].rows, direct[0].rows);
}

} // namespace
} // namespace vesk
