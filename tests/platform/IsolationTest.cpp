// Work run in a helper process: its result comes back, and whatever goes
// wrong there (a loop, the memory, a crash) comes back as a failure that
// names the damage, while this process goes on untouched.

#include "platform/Isolation.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/PlainStage.h"
#include "support/ProcessGroups.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vesk {

// How a failed expectation shows an end (internal: found through its type).
static void PrintTo(IsolatedEnd end, std::ostream *os) {
    static const char *const names[] = {"Finished",    "TimedOut", "Stalled",
                                        "OutOfMemory", "Crashed",  "NotStarted"};
    *os << names[static_cast<int>(end)];
}

namespace {

namespace fs = std::filesystem;

// Short limits keep the tests quick; the defaults are far wider. The work
// these limits end loops: its processor time ends it, the wall-clock bound
// is far beyond it on any machine.
IsolationLimits quick() {
    IsolationLimits limits;
    limits.seconds = 2;
    limits.memoryBytes = std::size_t{128} << 20;
    limits.wallSeconds = 120;
    return limits;
}

WINVESK_PLAIN_STAGE("Isolation.*", OtherProcesses);

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

// This process's standard input and output on pipes of their own while the
// object lives (put back after), so that a helper that kept them open could
// not pass for one that opened /dev/null, as when this program's own are
// /dev/null (the sanitizer shards run it so).
class OwnStandardStreams {
public:
    OwnStandardStreams() {
        for (int stream : {STDIN_FILENO, STDOUT_FILENO}) {
            std::fflush(stdout);
            int ends[2];
            if (::pipe(ends) != 0) {
                continue;
            }
            m_saved[stream] = ::dup(stream);
            ::dup2(ends[stream == STDIN_FILENO ? 0 : 1], stream);
            m_other[stream] = ends[stream == STDIN_FILENO ? 1 : 0];
            ::close(ends[stream == STDIN_FILENO ? 0 : 1]);
        }
    }
    ~OwnStandardStreams() {
        std::fflush(stdout);
        for (int stream : {STDIN_FILENO, STDOUT_FILENO}) {
            if (m_saved[stream] >= 0) {
                ::dup2(m_saved[stream], stream);
                ::close(m_saved[stream]);
                ::close(m_other[stream]);
            }
        }
    }
    OwnStandardStreams(const OwnStandardStreams &) = delete;
    OwnStandardStreams &operator=(const OwnStandardStreams &) = delete;
    // What /proc says a stream is ("pipe:[4711]"; "" when it could not be set up).
    std::string target(int stream) const {
        std::error_code ec;
        return m_saved[stream] >= 0 ? fs::read_symlink("/proc/self/fd/" + std::to_string(stream), ec).string()
                                    : std::string();
    }

private:
    int m_saved[2] = {-1, -1}; // the streams as they were
    int m_other[2] = {-1, -1}; // the other end of each pipe
};

// The helper keeps open its standard streams and its end of the result pipe
// alone: not the descriptors of the process that started it (a lock file's
// would keep the lock; its standard input and output, here pipes), nor the
// read end of its own error pipe (on which its writes would wait once the
// process that read it had gone).
TEST(Isolation, AHelperKeepsNoDescriptorOfTheProcessThatStartedIt) {
    test::TempDir dir;
    const fs::path held = dir.write(".Db.mdb.lock", "");
    const int fd = ::open(held.c_str(), O_RDWR); // without O_CLOEXEC, which a fork ignores anyway
    ASSERT_GE(fd, 0);
    std::string input, output;
    IsolatedResult r;
    {
        const OwnStandardStreams streams;
        input = streams.target(STDIN_FILENO);
        output = streams.target(STDOUT_FILENO);
        r = runIsolated([](std::string *bytes, std::string *) {
            std::error_code ec;
            for (const auto &entry : fs::directory_iterator("/proc/self/fd")) {
                const std::string target = fs::read_symlink(entry.path(), ec).string();
                if (!target.starts_with("/proc/")) { // the listing's own
                    *bytes += entry.path().filename().string() + " " + target + "\n";
                }
            }
            return true;
        });
    }
    ::close(fd);
    ASSERT_EQ(input.rfind("pipe:", 0), 0u) << "this process's standard input: " << input;
    ASSERT_EQ(output.rfind("pipe:", 0), 0u) << "this process's standard output: " << output;
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

// The work is bounded by the processor time it uses, which other work on the
// machine does not add to: work that loops, in its own code or in system
// calls, is ended by that bound. Work that waits (asleep, on a pipe, stopped)
// uses none and is ended by the wall-clock bound alone, here short; the
// processor bound is shorter still, so that a wall-clock time taken for the
// processor time would end it first. Which bound ended the work is asserted,
// never how long it took.
struct Bounded {
    const char *name;
    std::function<bool(std::string *, std::string *)> work;
    IsolatedEnd end;
};

void PrintTo(const Bounded &b, std::ostream *os) {
    *os << b.name;
}

class WorkBounded : public ::testing::TestWithParam<Bounded> {};

WINVESK_PLAIN_STAGE("*WorkBounded.*", OtherProcesses);

TEST_P(WorkBounded, ByTheProcessorTimeItUsesOrAtLastByTheWallClock) {
    const Bounded &b = GetParam();
    const bool loops = b.end == IsolatedEnd::TimedOut;
    IsolationLimits limits;
    limits.seconds = loops ? 2 : 1;
    // Far beyond the processor time for work that loops, which gets that
    // time within it on any machine; short for work that waits.
    limits.wallSeconds = loops ? 120 : 2;
    const IsolatedResult r = runIsolated(b.work, limits);
    ASSERT_EQ(r.end, b.end) << isolationFailureReason(r, limits);
    const std::string text = isolationFailureText(r, "/data/Met.xls", limits);
    if (loops) {
        EXPECT_GE(r.processorSeconds, 2.0);
        EXPECT_LT(r.processorSeconds, 4.0) << "ended when its processor time was used up, not long after";
        EXPECT_EQ(text,
                  "The file /data/Met.xls is damaged: it could not be read within 2 seconds of processor "
                  "time, and its reading was stopped.");
    } else {
        EXPECT_LT(r.processorSeconds, 1.0);
        EXPECT_EQ(
            text.rfind("The file /data/Met.xls cannot be read: its reading had not ended after 2 seconds, "
                       "in which it used ",
                       0),
            0u)
            << text;
        EXPECT_NE(text.find(" seconds of processor time, and was stopped."), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, WorkBounded,
                         ::testing::Values(Bounded{"a loop in its own code",
                                                   [](std::string *, std::string *) {
                                                       for (volatile unsigned long i = 0;;) {
                                                           i = i + 1;
                                                       }
                                                       return true;
                                                   },
                                                   IsolatedEnd::TimedOut},
                                           Bounded{"a loop of system calls",
                                                   [](std::string *, std::string *) {
                                                       const int null = ::open("/dev/null", O_WRONLY);
                                                       for (char c = 0;;) {
                                                           if (::write(null, &c, 1) < 0) {
                                                               return false;
                                                           }
                                                       }
                                                       return true;
                                                   },
                                                   IsolatedEnd::TimedOut},
                                           Bounded{"a sleep",
                                                   [](std::string *, std::string *) {
                                                       std::this_thread::sleep_for(std::chrono::seconds(60));
                                                       return true;
                                                   },
                                                   IsolatedEnd::Stalled},
                                           Bounded{"a read of a pipe nobody writes",
                                                   [](std::string *, std::string *) {
                                                       int ends[2];
                                                       char c = 0;
                                                       return ::pipe(ends) == 0 &&
                                                              ::read(ends[0], &c, 1) == 1;
                                                   },
                                                   IsolatedEnd::Stalled},
                                           Bounded{"a stop",
                                                   [](std::string *, std::string *) {
                                                       ::raise(SIGSTOP);
                                                       return true;
                                                   },
                                                   IsolatedEnd::Stalled}),
                         [](const ::testing::TestParamInfo<Bounded> &info) {
                             return test::testNameOf(info.param.name);
                         });

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

WINVESK_PLAIN_STAGE("*IsolatedFailures.*", OtherProcesses);

TEST_P(IsolatedFailures, EndTheChildAndAreNamedInTheMessage) {
    const Failure &f = GetParam();
    // Room in time: filling 128 MB under the sanitizers can take longer than
    // the 2 seconds a loop gets (a loop is a case of WorkBounded).
    IsolationLimits limits = quick();
    limits.seconds = 120;
    const IsolatedResult r = runIsolated(f.work, limits);
    EXPECT_EQ(r.end, f.end);
    const std::string text = isolationFailureText(r, "/data/Met.xls", limits);
    EXPECT_EQ(text.rfind("The file /data/Met.xls is damaged: ", 0), 0u) << text;
    EXPECT_NE(text.find(f.says), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, IsolatedFailures,
    ::testing::Values(Failure{"memory without end",
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

WINVESK_PLAIN_STAGE("*IsolatedTables.*", OtherProcesses);

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
// not followed by a reading of the list of tables and of each table. Its
// message says what the reader was reading then (here the catalogue).
TEST(IsolatedTables, AnAccessFileItsReaderRunsAwayOnIsCheckedWithinOneLimit) {
    const fs::path source = test::sharedTestFile("mdb/DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    test::TempDir dir;
    const fs::path damaged = dir.write("Damaged.mdb", test::accessFileItsReaderRunsAwayOn(source));
    std::vector<std::pair<std::string, std::size_t>> rows;
    std::string table, error;
    IsolatedEnd end = IsolatedEnd::Finished;
    const std::uint64_t before = isolatedRunsStarted();
    EXPECT_FALSE(tables::accessReadEveryTableIsolated(damaged.string(), "Hourly", &rows, &table, &error,
                                                      quick(), &end));
    EXPECT_EQ(isolatedRunsStarted() - before, 1u) << "one reading, not tried again";
    EXPECT_EQ(error.rfind(
                  "The file " + damaged.string() + " is damaged: the reading of its tables was stopped ", 0),
              0u)
        << error;
    ASSERT_TRUE(end == IsolatedEnd::TimedOut || end == IsolatedEnd::OutOfMemory) << error;
    EXPECT_NE(error.find(end == IsolatedEnd::TimedOut
                             ? "at the end of the 2 seconds of processor time its check had"
                             : "when it needed more than 128 MB of memory"),
              std::string::npos)
        << error;
    EXPECT_NE(error.find(", while it read its list of tables."), std::string::npos) << error;
    EXPECT_EQ(table, "") << "no table is named: the file as a whole ran away";
}

// A check stopped at the wall-clock bound (a reading that waits; here one
// that loops, given more processor time than that) says so and does not call
// the file damaged: waiting is no sign of damage.
TEST(IsolatedTables, ACheckStoppedAtTheWallClockBoundSaysSoAndNotThatTheFileIsDamaged) {
    const fs::path source = test::sharedTestFile("mdb/DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    test::TempDir dir;
    const fs::path damaged = dir.write("Damaged.mdb", test::accessFileItsReaderRunsAwayOn(source));
    IsolationLimits limits;
    limits.seconds = 120;
    limits.wallSeconds = 2;
    limits.memoryBytes = std::size_t{4} << 30; // the loop meets the wall-clock bound first
    std::vector<std::pair<std::string, std::size_t>> rows;
    std::string table, error;
    IsolatedEnd end = IsolatedEnd::Finished;
    EXPECT_FALSE(
        tables::accessReadEveryTableIsolated(damaged.string(), "", &rows, &table, &error, limits, &end));
    EXPECT_EQ(end, IsolatedEnd::Stalled) << error;
    EXPECT_EQ(error.rfind("The file " + damaged.string() +
                              " cannot be read: the reading of its tables was stopped when it had not ended "
                              "after 2 seconds, in which it used ",
                          0),
              0u)
        << error;
    EXPECT_NE(error.find(" seconds of processor time, while it read its list of tables."), std::string::npos)
        << error;
    EXPECT_EQ(table, "");
}

// A database of a table "Small" without rows and a table "Large" of 60,000
// rows of 40 numbers: about 20 MB in the file, about 100 MB as the table's
// rows in memory. Written by a process of its own, so that the memory of the
// rows is not left to this one's helpers as memory freed but still held.
// "" when it cannot be written.
std::string largeDatabase(const test::TempDir &dir) {
    const std::string file = (dir.path() / "Large.mdb").string();
    const IsolatedResult written = runIsolated([&](std::string *, std::string *failure) {
        std::vector<TableColumn> columns;
        std::vector<Cell> names;
        for (int c = 0; c < 40; ++c) {
            columns.push_back({"c" + std::to_string(c), ColumnType::Float});
            names.emplace_back(columns.back().name);
        }
        std::vector<std::vector<Cell>> rows{names};
        for (int r = 0; r < 60000; ++r) {
            rows.emplace_back(columns.size(), Cell{r * 0.5});
        }
        return tables::jetWriteTables(file, {{"Small", columns, nullptr}, {"Large", columns, &rows}},
                                      failure);
    });
    EXPECT_TRUE(written.ok) << written.error;
    return written.ok ? file : std::string();
}

// The tests that only read that database share one, written once.
class LargeTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new test::TempDir;
        s_file = largeDatabase(*s_dir);
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    static test::TempDir *s_dir;
    static std::string s_file;
};
test::TempDir *LargeTables::s_dir = nullptr;
std::string LargeTables::s_file;

// A sound table is counted a row at a time: a table whose rows held at once
// would take more memory than the check may use is read whole.
TEST_F(LargeTables, EveryTableIsCheckedInTheMemoryOfARow) {
    const std::string &file = s_file;
    ASSERT_FALSE(file.empty());
    std::string error;
    IsolationLimits limits;
    // The bound behind the watch of the memory (not under AddressSanitizer)
    // ends a reading whose address space grows by more than twice this.
    limits.memoryBytes = std::size_t{16} << 20;
    std::vector<std::pair<std::string, std::size_t>> counted;
    std::string table;
    ASSERT_TRUE(tables::accessReadEveryTableIsolated(file, "Small", &counted, &table, &error, limits))
        << error;
    const auto large =
        std::find_if(counted.begin(), counted.end(), [](const auto &c) { return c.first == "Large"; });
    ASSERT_NE(large, counted.end());
    EXPECT_EQ(large->second, 60000u);
    EXPECT_EQ(std::count_if(counted.begin(), counted.end(), [](const auto &c) { return c.first == "Small"; }),
              0)
        << "the table left out";
}

// The database written is compared with the file a row at a time too: a
// table the check may not hold in its memory is compared whole.
TEST_F(LargeTables, TheDatabaseWrittenIsComparedWithTheFileInTheMemoryOfARow) {
    const std::string &file = s_file;
    ASSERT_FALSE(file.empty());
    test::TempDir dir;
    const std::string copy = (dir.path() / "Copy.mdb").string();
    fs::copy_file(file, copy);
    TableData catalogue;
    std::string error;
    ASSERT_TRUE(tables::accessReadTable(file, "MSysObjects", &catalogue, &error)) << error;
    const std::vector<std::vector<Cell>> added{{std::string("hour")}, {1.0}, {2.0}};
    const tables::JetTable hourly{"Small", {{"hour", ColumnType::Float}}, &added};
    std::string why;
    EXPECT_TRUE(
        tables::jetCheckWritten(file, copy, {}, catalogue.rows.size(), &why, {}, std::size_t{16} << 20))
        << why;
    // and the comparison still finds what differs
    EXPECT_FALSE(tables::jetCheckWritten(file, copy, {hourly}, catalogue.rows.size(), &why, {},
                                         std::size_t{16} << 20));
    EXPECT_EQ(why, "gives the table Small with 0 rows of 2") << why;
}

// A read-back stopped at a limit says which limit and what it was reading
// (here the damaged catalogue of the copy, which the reader runs away on).
TEST(IsolatedTables, AReadBackStoppedAtALimitSaysWhatItWasReading) {
    const fs::path source = test::sharedTestFile("mdb/DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    test::TempDir dir;
    const fs::path damaged = dir.write("Damaged.mdb", test::accessFileItsReaderRunsAwayOn(source));
    std::string why;
    EXPECT_FALSE(tables::jetCheckWritten("", damaged.string(), {}, 0, &why, {}, std::size_t{64} << 20));
    const std::string seconds = std::to_string(tables::accessCheckSeconds(fs::file_size(damaged)));
    EXPECT_TRUE(
        why == "could not be read back: the reading was stopped when it needed more than 64 MB of memory, "
               "while it read the list of tables" ||
        why == "could not be read back: the reading was stopped at the end of the " + seconds +
                   " seconds of processor time its check had, while it read the list of tables")
        << why;
}

// The wall-clock bound is ten times the processor time unless given: 5
// minutes for a reading's 30 seconds, and a bound however large the
// processor time (the largest Access check's ten times over fits).
TEST(IsolationWallSeconds, TheWallClockBoundIsTenTimesTheProcessorTimeUnlessGiven) {
    EXPECT_EQ(isolationWallSeconds({}), 300);
    EXPECT_EQ(isolationWallSeconds({.seconds = 30, .wallSeconds = 7}), 7);
    const int largest = tables::accessCheckSeconds(~std::uintmax_t{0});
    EXPECT_EQ(isolationWallSeconds({.seconds = largest}), 10 * largest);
    EXPECT_GE(isolationWallSeconds({.seconds = std::numeric_limits<int>::max()}), 10 * largest)
        << "no overflow";
}

// The time the check of Access files may take follows their size: far
// beyond what reading a sound database costs (measured by
// bench/access_bench.cpp: about 0.01 s a MB, 0.06 s under the sanitizers),
// and bounded for a file of any size.
TEST(AccessCheckBudget, FollowsTheSizeOfTheFilesWithAWideMarginAndIsBounded) {
    constexpr std::uintmax_t mb = 1 << 20;
    EXPECT_EQ(tables::accessCheckSeconds(0), 30);
    EXPECT_EQ(tables::accessCheckSeconds(mb - 1), 30);
    EXPECT_EQ(tables::accessCheckSeconds(34 * mb), 64);
    EXPECT_EQ(tables::accessCheckSeconds(500 * mb), 530);
    // Sound files of up to 2 GB each (the most Access holds), file and copy:
    // ten times the cost measured under the sanitizers fits with room to spare.
    for (std::uintmax_t size = mb; size <= 4096 * mb; size *= 2) {
        EXPECT_GE(tables::accessCheckSeconds(size), 10 * 0.06 * static_cast<double>(size / mb) + 20)
            << size / mb << " MB";
    }
    const int most = tables::accessCheckSeconds(4096 * mb);
    EXPECT_EQ(most, 30 + 4096);
    EXPECT_EQ(tables::accessCheckSeconds(std::uintmax_t{1} << 40), most) << "a file of any size ends";
    EXPECT_EQ(tables::accessCheckSeconds(~std::uintmax_t{0}), most);
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
