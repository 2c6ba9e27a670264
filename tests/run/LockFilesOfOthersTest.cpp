// Root's run of the sample street in a folder every user may write (777, or
// 1777 as /tmp), beside lock files of the user nobody: a left-over lock
// file of an output (".Out.txt.lock", ".OutTab.xls.lock", ".Db.mdb.lock")
// or of Access ("Db.ldb"), or beside a left-over lock file of root's that
// an earlier version made readable by every user (644) and that a program
// of nobody's holds under a shared lock. Each case goes through the engine,
// in a process of its own with a time limit (a pipe opened to be read waits
// for a writer), and through the real batch.
//
// Nobody renames a named pipe of its own over its file at the very moment
// the engine's run looks at that name (the seam onLockFileFoundForTesting),
// or right after that look, before the file found is opened (the seam
// onLockFileLookedAtForTesting); the batch then meets the pipe lying there
// before it starts. Neither ever waits: a pipe under a lock file's name
// refuses the file at once, saying what is there; one under Access's lock
// file holds nothing, and the run goes on. A lock file that a program of
// nobody's holds locked is said to be held by a program of nobody's, never
// by a run of root's, whatever holder line it holds: a line is believed
// only where it names a live run of the lock file's owner that holds it.
// Nor is a line naming another computer, whose processes cannot be looked
// at from here: root's lock file that a live process of root's holds,
// named by its line as of another computer, is said to be held by a
// program of root's, never by a run.
// Whatever nobody put under a name stays there.
//
// The lock files a run makes, of a text, a workbook and a database, are
// root's alone: nobody cannot open one to lock it, and a run of nobody's is
// told that a program holds it.

#include "run/RunFixture.h"

#include "core/FileLock.h"
#include "platform/Isolation.h"
#include "platform/tables/TableLock.h"
#include "support/PlainStage.h"

#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

enum class Other {
    PipeAtTheLook,    // a pipe renamed over the left-over as the run looks at its name
    PipeAfterTheLook, // the same right after that look, before the file found is opened
    HeldWithoutLine,  // the left-over, empty, locked by a program of nobody's
    HeldNamingRoot,   // the same, holding the line "winvesk <pid> root <host>" of a live process of root's
    HeldNamingRootsProcess, // the same, holding "winvesk <pid> nobody <host>" of a live process of root's
                            // that has it open
    SharedNamingEnded,      // root's left-over (644), naming a process of root's that has ended, that a
                            // program of nobody's holds under a shared lock
    SharedNamingNoRun,      // the same, naming a live process of root's that is no run holding it
    HeldNamingElsewhere,    // root's own, locked by a live process of root's that has it open, holding
                            // "winvesk <that process> root <another computer>"
};

// Whether the lock file is root's own.
bool rootsLockFile(Other other) {
    return other == Other::SharedNamingEnded || other == Other::SharedNamingNoRun ||
           other == Other::HeldNamingElsewhere;
}

struct OthersLockFile {
    const char *name;
    const char *output;   // the hourly output as the project stores it
    const char *lockFile; // nobody's file beside it (root's, where rootsLockFile says so)
    Other other;
    bool sticky;      // the folder has the sticky bit (1777), else 777
    const char *says; // what the run says ("{out}" and "{lock}" stand for the paths); "": it completes
};

void PrintTo(const OthersLockFile &c, std::ostream *os) {
    *os << c.name;
}

std::string filled(std::string text, const fs::path &out, const fs::path &lock) {
    for (const auto &[name, path] : {std::pair<std::string, fs::path>{"{out}", out}, {"{lock}", lock}}) {
        if (const auto at = text.find(name); at != std::string::npos) {
            text.replace(at, name.size(), path.string());
        }
    }
    return text;
}

// Whether work() succeeded as the user nobody.
bool doneAsNobody(const std::function<bool()> &work) {
    return asNobody([&] { return std::string(work() ? "done" : "failed"); }) == "done";
}

// What lies under a name: its kind, owner and bytes.
std::string look(const fs::path &name) {
    struct stat st {};
    if (lstat(name.c_str(), &st) != 0) {
        return "(missing)";
    }
    return std::string(S_ISFIFO(st.st_mode)  ? "a pipe"
                       : S_ISREG(st.st_mode) ? "a file"
                                             : "something") +
           " of " + std::to_string(st.st_uid) + (S_ISREG(st.st_mode) ? ": " + readFile(name) : "");
}

// The number of a process of root's that has ended.
pid_t endedProcess() {
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    return ended > 0 && waitpid(ended, nullptr, 0) == ended ? ended : -1;
}

// Root's run of the sample street writing one day's hours into an output,
// in the work folder made one that every user may write.
class SharedFolderRun : public RunFixture {
protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs a second user: as root, the test acts as the user nobody";
        }
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        if (const std::string why = whyNobodyCannotEnter(workDir); !why.empty()) {
            GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
        }
    }

    // Loads the sample street writing its hours to output (as the project
    // stores it), for 14 March 2023, in the work folder of mode 1777
    // (sticky) or 777; *out: the output's path.
    void loadProjectWriting(const std::string &output, bool sticky, fs::path *out) {
        for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
            if (entry.path().filename().string().front() != '.') {
                fs::copy_file(entry.path(), work(entry.path().filename().string()));
            }
        }
        ASSERT_NO_FATAL_FAILURE(
            loadProject("DemoStreet.vkp", sampleProjectWith("DemoStreet.vkp", {{"Out2023.txt", output}})));
        state.StartAuto = state.EndAuto = false;
        state.StartDate = state.EndDate = {2023, 3, 14};
        state.StartHour = 1;
        state.EndHour = 24;
        ASSERT_EQ(chmod(workDir.c_str(), sticky ? S_ISVTX | 0777 : 0777), 0);
        *out = work(output.substr(0, output.find(';')));
    }
};

class LockFilesOfOthers : public SharedFolderRun, public testing::WithParamInterface<OthersLockFile> {};

WINVESK_PLAIN_STAGE("*LockFilesOfOthers.*", OtherProcesses);

TEST_P(LockFilesOfOthers, NeverMakeTheRunWaitNorAreCalledARunOfItsUser) {
    const OthersLockFile &c = GetParam();
    fs::path out;
    ASSERT_NO_FATAL_FAILURE(loadProjectWriting(c.output, c.sticky, &out));
    const fs::path lock = work(c.lockFile);
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    // A live process of root's that is no run (it holds no lock file), made
    // before the lock file is, so that it has none of it open.
    OtherProcess rootsProgram([] { return true; });
    ASSERT_TRUE(rootsProgram.holding());
    // The lock file, empty; its holder line is written below.
    const bool roots = rootsLockFile(c.other);
    auto make = [&] {
        const int fd = open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        return fd >= 0 && fchmod(fd, 0644) == 0 && close(fd) == 0;
    };
    ASSERT_TRUE(roots ? make() : doneAsNobody(make));
    // A program of root's that has nobody's lock file open (reads it), as a
    // run holding it has, but is no process of nobody's; or one that holds
    // root's own lock file, open and locked, as a run of root's would.
    OtherProcess rootsReader([&] {
        if (c.other == Other::HeldNamingElsewhere) {
            const int fd = open(lock.c_str(), O_RDWR | O_CLOEXEC);
            struct flock l = wholeFileLock(F_WRLCK);
            return fd >= 0 && fcntl(fd, F_SETLK, &l) == 0;
        }
        return c.other != Other::HeldNamingRootsProcess || open(lock.c_str(), O_RDONLY) >= 0;
    });
    ASSERT_TRUE(rootsReader.holding());
    pid_t named = 0;
    std::string user = "root";
    std::string computer = host;
    switch (c.other) {
    case Other::HeldNamingRoot:
        named = getpid();
        break;
    case Other::HeldNamingRootsProcess:
        named = rootsReader.pid();
        user = "nobody";
        break;
    case Other::SharedNamingEnded:
        named = endedProcess();
        ASSERT_GT(named, 0);
        break;
    case Other::SharedNamingNoRun:
        named = rootsProgram.pid();
        break;
    case Other::HeldNamingElsewhere:
        named = rootsReader.pid();
        computer += "-2";
        break;
    default:
        break;
    }
    const std::string bytes =
        named != 0 ? "winvesk " + std::to_string(named) + " " + user + " " + computer + "\n" : "";
    auto write = [&] {
        const int fd = open(lock.c_str(), O_WRONLY | O_CLOEXEC);
        const bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
        return close(fd) == 0 && written;
    };
    ASSERT_TRUE(roots ? write() : doneAsNobody(write));
    // A program of nobody's holding it with a lock of the system's kind
    // (fcntl): shared on root's left-over, which nobody may only read.
    OtherProcess holder([&] {
        if (c.other == Other::PipeAtTheLook || c.other == Other::PipeAfterTheLook ||
            c.other == Other::HeldNamingElsewhere) {
            return true;
        }
        const int fd = setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0
                           ? open(lock.c_str(), (roots ? O_RDONLY : O_RDWR) | O_CLOEXEC)
                           : -1;
        struct flock l = wholeFileLock(roots ? F_RDLCK : F_WRLCK);
        return fd >= 0 && fcntl(fd, F_SETLK, &l) == 0;
    });
    ASSERT_TRUE(holder.holding());
    const std::string says = filled(c.says, out, lock);

    // The engine's run, nobody acting at the seam.
    const IsolationLimits limits{.seconds = 60, .wallSeconds = 60};
    const IsolatedResult r = runIsolated(
        [&](std::string *told, std::string *) {
            bool acted = false;
            auto swap = [&](Other when, const std::string &path) {
                if (c.other == when && path == lock.string() && !acted) {
                    acted = doneAsNobody([&] {
                        const fs::path pipe = work(".nobody's pipe");
                        return mkfifo(pipe.c_str(), 0644) == 0 && rename(pipe.c_str(), lock.c_str()) == 0;
                    });
                }
            };
            tables::onLockFileFoundForTesting(
                [&](const std::string &found) { swap(Other::PipeAtTheLook, found); });
            tables::onLockFileLookedAtForTesting(
                [&](const std::string &looked) { swap(Other::PipeAfterTheLook, looked); });
            const RunReport report = run();
            const bool swapping = c.other == Other::PipeAtTheLook || c.other == Other::PipeAfterTheLook;
            *told = std::string(report.outcome == RunOutcome::Completed ? "1" : "0") +
                    (acted || !swapping ? "1" : "0") + report.error + "\n" + said();
            return true;
        },
        limits);
    ASSERT_EQ(r.end, IsolatedEnd::Finished)
        << "the run did not end at once: " << isolationFailureReason(r, limits);
    ASSERT_GE(r.bytes.size(), 2u);
    EXPECT_EQ(r.bytes[1], '1') << "nobody acted";
    EXPECT_EQ(r.bytes[0], *c.says ? '0' : '1') << r.bytes;
    EXPECT_NE(r.bytes.find(says), std::string::npos) << r.bytes;
    const std::string left = look(lock);
    EXPECT_EQ(left, c.other == Other::PipeAtTheLook || c.other == Other::PipeAfterTheLook
                        ? "a pipe of 65534"
                        : "a file of " + std::to_string(roots ? 0 : kNobody) + ": " + bytes);

    // The real batch, what nobody put there lying there before it starts.
    const ProgramRun batch =
        runWinvesk({work("DemoStreet.vkp").string(), "1", "20230314", "1", "20230314", "24"}, 60);
    EXPECT_FALSE(batch.timedOut) << "the run waits";
    EXPECT_EQ(batch.status, *c.says ? 1 : 0) << batch.output;
    EXPECT_NE(batch.output.find(says), std::string::npos) << batch.output;
    for (const char *word :
         {"another run of the program", "of the user root", "(process ", "damaged", "corrupted"}) {
        EXPECT_EQ(r.bytes.find(word), std::string::npos) << r.bytes;
        EXPECT_EQ(batch.output.find(word), std::string::npos) << batch.output;
    }
    EXPECT_EQ(look(lock), left) << "left as it was";
}

constexpr const char *kPipeThere =
    "The lock file {lock} for {out} is a named pipe, not a lock file: it is left "
    "as it is, and the file is not written";
constexpr const char *kNobodys =
    "The file {out} cannot be written now: its lock file {lock} belongs to the "
    "user \"nobody\", and a program of the user \"nobody\" holds it. Run again once it "
    "is no longer held, or ask the user \"nobody\" to remove it.";
constexpr const char *kNobodysProgram =
    "The file {out} cannot be written now: a program of the user \"nobody\" "
    "holds its lock file {lock}. Run again once it is no longer held.";
constexpr const char *kRootsProgram = "The file {out} cannot be written now: a program of the user \"root\" "
                                      "holds its lock file {lock}. Run again once it is no longer held.";

INSTANTIATE_TEST_SUITE_P(
    Cases, LockFilesOfOthers,
    testing::Values(
        OthersLockFile{"a pipe over Access's lock file", "Db.mdb;Hourly", "Db.ldb", Other::PipeAtTheLook,
                       false, ""},
        OthersLockFile{"a pipe over Access's lock file, sticky folder", "Db.mdb;Hourly", "Db.ldb",
                       Other::PipeAtTheLook, true, ""},
        OthersLockFile{"a pipe over a database's lock file", "Db.mdb;Hourly", ".Db.mdb.lock",
                       Other::PipeAtTheLook, true, kPipeThere},
        OthersLockFile{"a pipe over a workbook's lock file", "OutTab.xls;Hourly", ".OutTab.xls.lock",
                       Other::PipeAtTheLook, false, kPipeThere},
        OthersLockFile{"a pipe over a text's lock file", "Out.txt", ".Out.txt.lock", Other::PipeAtTheLook,
                       true, kPipeThere},
        OthersLockFile{"a pipe over Access's lock file after the look", "Db.mdb;Hourly", "Db.ldb",
                       Other::PipeAfterTheLook, true, ""},
        OthersLockFile{"a pipe over a text's lock file after the look", "Out.txt", ".Out.txt.lock",
                       Other::PipeAfterTheLook, false, kPipeThere},
        OthersLockFile{"a database's lock file held", "Db.mdb;Hourly", ".Db.mdb.lock", Other::HeldWithoutLine,
                       true, kNobodys},
        OthersLockFile{"a workbook's lock file held naming root", "OutTab.xls;Hourly", ".OutTab.xls.lock",
                       Other::HeldNamingRoot, false, kNobodys},
        OthersLockFile{"a text's lock file held naming root", "Out.txt", ".Out.txt.lock",
                       Other::HeldNamingRoot, true, kNobodys},
        OthersLockFile{"a workbook's lock file held naming a process of root's", "OutTab.xls;Hourly",
                       ".OutTab.xls.lock", Other::HeldNamingRootsProcess, true, kNobodys},
        OthersLockFile{"root's left-over naming an ended process, under nobody's shared lock", "Out.txt",
                       ".Out.txt.lock", Other::SharedNamingEnded, true, kNobodysProgram},
        OthersLockFile{"root's left-over naming a process that is no run, under nobody's shared lock",
                       "Db.mdb;Hourly", ".Db.mdb.lock", Other::SharedNamingNoRun, false, kNobodysProgram},
        OthersLockFile{"root's lock file held by a process of root's its line names on another computer",
                       "OutTab.xls;Hourly", ".OutTab.xls.lock", Other::HeldNamingElsewhere, false,
                       kRootsProgram}),
    [](const testing::TestParamInfo<OthersLockFile> &info) { return testNameOf(info.param.name); });

// The lock file a run makes of each kind of output, looked at while the run
// holds it (umask 022, which would give every user read access).
struct RunsLockFile {
    const char *name;
    const char *output;   // the hourly output as the project stores it
    const char *lockFile; // the lock file the run makes beside it
};

void PrintTo(const RunsLockFile &c, std::ostream *os) {
    *os << c.name;
}

// Calls `then` once, when the run has computed its first hour.
struct AtFirstHour : RunObserver {
    std::function<void()> then;
    bool done = false;
    void hourDone(int, int, int) override {
        if (!done) {
            done = true;
            then();
        }
    }
};

class LockFilesOfRuns : public SharedFolderRun, public testing::WithParamInterface<RunsLockFile> {};

WINVESK_PLAIN_STAGE("*LockFilesOfRuns.*", OtherProcesses);

TEST_P(LockFilesOfRuns, AreTheirUsersAloneAndAnotherUsersRunIsToldAProgramHoldsThem) {
    const RunsLockFile &c = GetParam();
    fs::path out;
    ASSERT_NO_FATAL_FAILURE(loadProjectWriting(c.output, true, &out));
    const fs::path lock = work(c.lockFile);
    std::string mode = "(no lock file)", nobodysOpen, nobodysRun;
    AtFirstHour observer;
    observer.then = [&] {
        struct stat st {};
        if (lstat(lock.c_str(), &st) == 0) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "%o", st.st_mode & 07777);
            mode = octal;
        }
        nobodysOpen = asNobody([&] {
            const int fd = open(lock.c_str(), O_RDONLY | O_CLOEXEC);
            struct flock l = wholeFileLock(F_RDLCK);
            const std::string r = fd < 0                        ? std::strerror(errno)
                                  : fcntl(fd, F_SETLK, &l) == 0 ? "opened and locked"
                                                                : "opened";
            if (fd >= 0) {
                close(fd);
            }
            return r;
        });
        nobodysRun = asNobody([&] {
            tables::TableFileLock hold;
            std::string error;
            bool busy = false;
            return hold.acquire(out.string(), &error, &busy) ? std::string("held")
                                                             : (busy ? "in use: " : "refused: ") + error;
        });
    };
    const mode_t before = umask(022);
    const RunReport report = run(&observer);
    umask(before);
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(mode, "600");
    EXPECT_EQ(nobodysOpen, std::strerror(EACCES));
    EXPECT_EQ(nobodysRun,
              "in use: The file " + out.string() + " cannot be written now: its lock file " + lock.string() +
                  " belongs to the user \"root\", and a program holds it. Run again once it is no "
                  "longer held, or ask the user \"root\" to remove it.");
    EXPECT_FALSE(fs::exists(lock)) << "the lock file goes with the hold";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, LockFilesOfRuns,
    testing::Values(RunsLockFile{"a text's", "Out.txt", ".Out.txt.lock"},
                    RunsLockFile{"a workbook's", "OutTab.xls;Hourly", ".OutTab.xls.lock"},
                    RunsLockFile{"a database's", "Db.mdb;Hourly", ".Db.mdb.lock"}),
    [](const testing::TestParamInfo<RunsLockFile> &info) { return testNameOf(info.param.name); });

} // namespace
