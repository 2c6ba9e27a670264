// Root's run of the sample street in a folder every user may write (777, or
// 1777 as /tmp), beside lock files of the user nobody: a left-over lock
// file of an output (".Out.txt.lock", ".OutTab.xls.lock", ".Db.mdb.lock")
// or of Access ("Db.ldb"). Each case goes through the engine, in a process
// of its own with a time limit (a pipe opened to be read waits for a
// writer), and through the real batch.
//
// Nobody renames a named pipe of its own over its file at the very moment
// the engine's run looks at that name (the seam onLockFileFoundForTesting);
// the batch then meets the pipe lying there before it starts. Neither ever
// waits: a pipe under a lock file's name refuses the file at once, saying
// what is there; one under Access's lock file holds nothing, and the run
// goes on. A lock file of nobody's that a program of nobody's holds locked
// is said to be nobody's, never a run of root's, whatever holder line it
// holds. Whatever nobody put under a name stays there.

#include "run/RunFixture.h"

#include "core/FileLock.h"
#include "platform/Isolation.h"
#include "platform/tables/TableLock.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

enum class Other {
    PipeAtTheLook,   // a pipe renamed over the left-over as the run looks at its name
    HeldWithoutLine, // the left-over, empty, locked by a program of nobody's
    HeldNamingRoot,  // the same, holding the line "winvesk <pid> root <host>" of a live process of root's
};

struct OthersLockFile {
    const char *name;
    const char *output;   // the hourly output as the project stores it
    const char *lockFile; // nobody's file beside it
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

class LockFilesOfOthers : public RunFixture, public testing::WithParamInterface<OthersLockFile> {};

TEST_P(LockFilesOfOthers, NeverMakeTheRunWaitNorAreCalledARunOfItsUser) {
    const OthersLockFile &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test acts as the user nobody";
    }
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (const std::string why = whyNobodyCannotEnter(workDir); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
        if (entry.path().filename().string().front() != '.') {
            fs::copy_file(entry.path(), work(entry.path().filename().string()));
        }
    }
    ASSERT_NO_FATAL_FAILURE(
        loadProject("DemoStreet.vkp", sampleProjectWith("DemoStreet.vkp", {{"Out2023.txt", c.output}})));
    state.StartAuto = state.EndAuto = false;
    state.StartDate = state.EndDate = {2023, 3, 14};
    state.StartHour = 1;
    state.EndHour = 24;
    ASSERT_EQ(chmod(workDir.c_str(), c.sticky ? S_ISVTX | 0777 : 0777), 0);
    const std::string output(c.output);
    const fs::path out = work(output.substr(0, output.find(';'))), lock = work(c.lockFile);
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    const std::string bytes = c.other == Other::HeldNamingRoot
                                  ? "winvesk " + std::to_string(getpid()) + " root " + host + "\n"
                                  : "";
    ASSERT_TRUE(doneAsNobody([&] {
        const int fd = open(lock.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        const bool written = fd >= 0 && write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
        return close(fd) == 0 && written;
    }));
    // A program of nobody's holding it with a lock of the system's kind (fcntl).
    OtherProcess holder([&] {
        if (c.other == Other::PipeAtTheLook) {
            return true;
        }
        const int fd = setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0
                           ? open(lock.c_str(), O_RDWR | O_CLOEXEC)
                           : -1;
        struct flock l = wholeFileLock(F_WRLCK);
        return fd >= 0 && fcntl(fd, F_SETLK, &l) == 0;
    });
    ASSERT_TRUE(holder.holding());
    const std::string says = filled(c.says, out, lock);

    // The engine's run, nobody acting at the seam.
    const IsolationLimits limits{.seconds = 60, .wallSeconds = 60};
    const IsolatedResult r = runIsolated(
        [&](std::string *told, std::string *) {
            bool acted = false;
            tables::onLockFileFoundForTesting([&](const std::string &found) {
                if (c.other == Other::PipeAtTheLook && found == lock.string() && !acted) {
                    acted = doneAsNobody([&] {
                        const fs::path pipe = work(".nobody's pipe");
                        return mkfifo(pipe.c_str(), 0644) == 0 && rename(pipe.c_str(), lock.c_str()) == 0;
                    });
                }
            });
            const RunReport report = run();
            *told = std::string(report.outcome == RunOutcome::Completed ? "1" : "0") +
                    (acted || c.other != Other::PipeAtTheLook ? "1" : "0") + report.error + "\n" + said();
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
    EXPECT_EQ(left, c.other == Other::PipeAtTheLook ? "a pipe of 65534" : "a file of 65534: " + bytes);

    // The real batch, what nobody put there lying there before it starts.
    const ProgramRun batch =
        runWinvesk({work("DemoStreet.vkp").string(), "1", "20230314", "1", "20230314", "24"}, 60);
    EXPECT_FALSE(batch.timedOut) << "the run waits";
    EXPECT_EQ(batch.status, *c.says ? 1 : 0) << batch.output;
    EXPECT_NE(batch.output.find(says), std::string::npos) << batch.output;
    for (const char *word : {"another run of the program", "of the user root", "damaged", "corrupted"}) {
        EXPECT_EQ(r.bytes.find(word), std::string::npos) << r.bytes;
        EXPECT_EQ(batch.output.find(word), std::string::npos) << batch.output;
    }
    EXPECT_EQ(look(lock), left) << "left as it was";
}

constexpr const char *kPipeThere =
    "The lock file {lock} for {out} is a named pipe, not a lock file: it is left "
    "as it is, and the file is not written";
constexpr const char *kNobodys = "The file {out} cannot be written now: its lock file {lock} belongs to the "
                                 "user \"nobody\", and a program holds it.";

INSTANTIATE_TEST_SUITE_P(
    Cases, LockFilesOfOthers,
    testing::Values(OthersLockFile{"a pipe over Access's lock file", "Db.mdb;Hourly", "Db.ldb",
                                   Other::PipeAtTheLook, false, ""},
                    OthersLockFile{"a pipe over Access's lock file, sticky folder", "Db.mdb;Hourly", "Db.ldb",
                                   Other::PipeAtTheLook, true, ""},
                    OthersLockFile{"a pipe over a database's lock file", "Db.mdb;Hourly", ".Db.mdb.lock",
                                   Other::PipeAtTheLook, true, kPipeThere},
                    OthersLockFile{"a pipe over a workbook's lock file", "OutTab.xls;Hourly",
                                   ".OutTab.xls.lock", Other::PipeAtTheLook, false, kPipeThere},
                    OthersLockFile{"a pipe over a text's lock file", "Out.txt", ".Out.txt.lock",
                                   Other::PipeAtTheLook, true, kPipeThere},
                    OthersLockFile{"a database's lock file held", "Db.mdb;Hourly", ".Db.mdb.lock",
                                   Other::HeldWithoutLine, true, kNobodys},
                    OthersLockFile{"a workbook's lock file held naming root", "OutTab.xls;Hourly",
                                   ".OutTab.xls.lock", Other::HeldNamingRoot, false, kNobodys},
                    OthersLockFile{"a text's lock file held naming root", "Out.txt", ".Out.txt.lock",
                                   Other::HeldNamingRoot, true, kNobodys}),
    [](const testing::TestParamInfo<OthersLockFile> &info) { return testNameOf(info.param.name); });

} // namespace
