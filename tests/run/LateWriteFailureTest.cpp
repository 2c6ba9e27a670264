// A run whose last file cannot be written (its statistics, on a disk that
// has just filled up) replaces none of the previous run's files: every
// output is written out and checked before the first is put in place, and
// none is touched then. A run whose last file cannot be put in place (its
// rename fails) puts back the very files it replaced, holding every
// database and workbook until then. The sample projects of every kind,
// their hourly output and statistics in text files, Access databases,
// Excel workbooks and Lotus worksheets.

#include "run/RunFixture.h"

#include "core/StagedFile.h"
#include "platform/tables/TableLock.h"
#include "support/PlainStage.h"

#include <csignal>
#include <cstring>
#include <map>
#include <sstream>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct LateFailure {
    const char *project;   // in data/Working
    const char *hourly;    // the names it gives its hourly output ...
    const char *stat;      // ... and its statistics
    const char *extension; // of the files they are written to here
};

void PrintTo(const LateFailure &c, std::ostream *os) {
    *os << c.project << " to ." << c.extension;
}

// The sample meteorology with the wind `more` m/s stronger every hour.
std::string windier(const std::string &meteorology, double more) {
    std::istringstream in(meteorology);
    std::string out, line;
    while (std::getline(in, line)) {
        std::istringstream items(line);
        std::vector<std::string> cells;
        for (std::string item; items >> item;) {
            cells.push_back(item);
        }
        if (cells.size() > 4 && std::isdigit(static_cast<unsigned char>(cells[0][0]))) {
            std::ostringstream wind;
            wind << std::stod(cells[4]) + more;
            cells[4] = wind.str();
        }
        for (std::size_t i = 0; i < cells.size(); ++i) {
            out += (i > 0 ? " " : "") + cells[i];
        }
        out += "\r\n";
    }
    return out;
}

// While it lives, writing out the file of the given name fails as on a full disk.
class FullDiskFor {
public:
    explicit FullDiskFor(const std::string &name) {
        failWritingOutForTesting(
            [name](const std::string &target) { return fs::path(target).filename().string() == name; });
    }
    ~FullDiskFor() { failWritingOutForTesting(nullptr); }
    FullDiskFor(const FullDiskFor &) = delete;
    FullDiskFor &operator=(const FullDiskFor &) = delete;
};

// While it lives, the rename that puts the file of the given name in place
// fails; check() runs just before it.
class FailingRenameOf {
public:
    FailingRenameOf(const std::string &name, std::function<void()> check) {
        failRenamingForTesting([name, check](const std::string &target) {
            if (fs::path(target).filename().string() != name) {
                return false;
            }
            check();
            return true;
        });
    }
    ~FailingRenameOf() { failRenamingForTesting(nullptr); }
    FailingRenameOf(const FailingRenameOf &) = delete;
    FailingRenameOf &operator=(const FailingRenameOf &) = delete;
};

// What happens to the names of a folder while the object lives: "<what>
// <name>" for each name created, moved in or out, removed, written or
// changed in its status (a second name given to a file changes its status).
class FolderWatch {
public:
    explicit FolderWatch(const fs::path &folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (m_fd >= 0) {
            inotify_add_watch(m_fd, folder.c_str(),
                              IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_MODIFY | IN_ATTRIB);
        }
    }
    ~FolderWatch() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    bool watching() const { return m_fd >= 0; }
    std::vector<std::string> events() {
        alignas(inotify_event) char buffer[65536];
        for (ssize_t n; (n = read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(at);
                const std::string what = (e->mask & IN_CREATE)       ? "created"
                                         : (e->mask & IN_MOVED_TO)   ? "moved in"
                                         : (e->mask & IN_MOVED_FROM) ? "moved out"
                                         : (e->mask & IN_DELETE)     ? "removed"
                                         : (e->mask & IN_MODIFY)     ? "written"
                                                                     : "changed";
                m_events.push_back(what + " " + (e->len > 0 ? std::string(e->name) : std::string()));
                at += sizeof(inotify_event) + e->len;
            }
        }
        return m_events;
    }

private:
    int m_fd;
    std::vector<std::string> m_events;
};

// Which file is under the name, and when its status last changed.
std::pair<ino_t, timespec> identity(const fs::path &file) {
    struct stat st {};
    ::stat(file.c_str(), &st);
    return {st.st_ino, st.st_ctim};
}

class LateWriteFailures : public RunFixture, public ::testing::WithParamInterface<LateFailure> {
protected:
    LateWriteFailures() {
        for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
            const std::string name = entry.path().filename().string();
            if (name.front() != '.') {
                fs::copy_file(entry.path(), work(name));
            }
        }
        meteorology = readFile(work("Met2023.txt"));
    }

    // The sample project with its hourly output and statistics in files of the case's kind, run
    // over three days of March 2023 (a route's day among them).
    void load() {
        const LateFailure &c = GetParam();
        const std::string ext = c.extension;
        const bool text = ext == "txt";
        hourly = "Hourly." + ext;
        stat = "Stat." + ext;
        const std::string project =
            sampleProjectWith(c.project, {{c.hourly, text ? hourly : hourly + ";Hourly"},
                                          {c.stat, text ? stat : stat + ";Statistics"}});
        ASSERT_NO_FATAL_FAILURE(loadProject(c.project, project));
        state.StartAuto = state.EndAuto = false;
        state.StartDate = {2023, 3, 14};
        state.StartHour = 1;
        state.EndDate = {2023, 3, 16};
        state.EndHour = 24;
    }

    std::map<std::string, std::string> outputs() const {
        std::map<std::string, std::string> out;
        for (const std::string &name : {hourly, stat}) {
            out[name] = fs::exists(work(name)) ? readFile(work(name)) : "(missing)";
        }
        return out;
    }

    // The hidden files of the working folder (temporary files and lock files).
    std::vector<std::string> strayFiles() const {
        std::vector<std::string> out;
        for (const auto &entry : fs::directory_iterator(workDir)) {
            if (entry.path().filename().string().front() == '.') {
                out.push_back(entry.path().filename().string());
            }
        }
        return out;
    }

    std::string meteorology, hourly, stat;
};

} // namespace

WINVESK_PLAIN_STAGE("*LateWriteFailures.*", OtherProcesses);

TEST_P(LateWriteFailures, LeaveEveryEarlierOutputAsItWas) {
    ASSERT_NO_FATAL_FAILURE(load());
    // The earlier run: on other meteorology, so that a run now writes other bytes.
    writeWork("Met2023.txt", windier(meteorology, 1.0));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::map<std::string, std::string> before = outputs();
    for (const auto &[name, bytes] : before) {
        ASSERT_NE(bytes, "(missing)") << name;
    }
    writeWork("Met2023.txt", meteorology);

    {
        const FullDiskFor full(stat);
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_NE(
            report.error.find("Cannot write the file " + work(stat).string() + ": the disk may be full."),
            std::string::npos)
            << report.error;
    }
    const std::map<std::string, std::string> left = outputs();
    for (const std::string &name : {hourly, stat}) {
        EXPECT_TRUE(left.at(name) == before.at(name)) << "the failed run replaced the earlier " << name;
    }
    EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "no temporary file is left behind";

    // The same run on a disk with room replaces both.
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::map<std::string, std::string> after = outputs();
    for (const std::string &name : {hourly, stat}) {
        EXPECT_NE(after.at(name), before.at(name)) << name << " is written again, with other values";
    }
}

// The same run on a disk that fills up as its statistics are written out:
// the earlier hourly output is not even touched (no second name is given to
// it, no copy of it made, nothing is put in its place or back), and no
// rename is tried.
TEST_P(LateWriteFailures, TouchNoEarlierOutputWhenTheWriteOutOfTheLastFails) {
    ASSERT_NO_FATAL_FAILURE(load());
    writeWork("Met2023.txt", windier(meteorology, 1.0));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    writeWork("Met2023.txt", meteorology);
    const auto hourlyBefore = identity(work(hourly)), statBefore = identity(work(stat));

    FolderWatch watch(workDir);
    ASSERT_TRUE(watch.watching()) << std::strerror(errno);
    int renames = 0;
    failRenamingForTesting([&](const std::string &) {
        ++renames;
        return false;
    });
    RunReport report;
    {
        const FullDiskFor full(stat);
        report = run();
    }
    failRenamingForTesting(nullptr);
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(renames, 0) << "no file was put in place";
    for (const std::string &event : watch.events()) {
        const std::string name = event.substr(event.find(' ') + 1);
        EXPECT_TRUE(name != hourly && name != stat && !name.ends_with(".prev")) << event;
    }
    const auto hourlyAfter = identity(work(hourly)), statAfter = identity(work(stat));
    EXPECT_EQ(hourlyAfter.first, hourlyBefore.first);
    EXPECT_EQ(hourlyAfter.second.tv_sec, hourlyBefore.second.tv_sec);
    EXPECT_EQ(hourlyAfter.second.tv_nsec, hourlyBefore.second.tv_nsec) << "its status did not change";
    EXPECT_EQ(statAfter.first, statBefore.first);
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
}

// The same run when the rename of its last file (the statistics) fails, not
// its write-out: the hourly output it has put in place goes back, the very
// file it was (the same file, so with its owner and permissions), while the
// run still holds it, whatever its kind. The next run that
// puts the same outputs in place removes the old contents that a killed run
// left beside them, never those a run still holds.
TEST_P(LateWriteFailures, PutBackEveryEarlierOutputWhenTheRenameOfTheLastFails) {
    ASSERT_NO_FATAL_FAILURE(load());
    writeWork("Met2023.txt", windier(meteorology, 1.0));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    writeWork("Met2023.txt", meteorology);
    const std::map<std::string, std::string> before = outputs();
    const ino_t hourlyFile = identity(work(hourly)).first;

    std::string heldAtTheFailure = "(the rename was not tried)";
    RunReport report;
    {
        const FailingRenameOf failing(stat, [&] {
            tables::TableFileLock other;
            std::string error;
            bool inUse = false;
            heldAtTheFailure = other.acquire(work(hourly).string(), &error, &inUse) ? "no" : error;
        });
        report = run();
    }
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_NE(report.error.find("Cannot write the file " + work(stat).string() + ": Input/output error"),
              std::string::npos)
        << report.error;
    EXPECT_NE(heldAtTheFailure.find("is being written by another run of the program"), std::string::npos)
        << "the run held " << hourly << " until it was put back: " << heldAtTheFailure;
    EXPECT_EQ(outputs(), before);
    EXPECT_EQ(identity(work(hourly)).first, hourlyFile) << "the very file is put back";
    EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "no temporary file or old contents are left";

    // Old contents a killed run left, and those a run still holds (locked here).
    const fs::path killed = work("." + hourly + ".0123abcd.prev"), held = work("." + stat + ".4567ef01.prev");
    writeWork(killed.filename().string(), "old contents a killed run left");
    writeWork(held.filename().string(), "old contents a run holds");
    const int holder = open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_NE(outputs(), before);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_EQ(readFile(held), "old contents a run holds");
    close(holder);
}

INSTANTIATE_TEST_SUITE_P(
    SampleProjects, LateWriteFailures, ::testing::ValuesIn([] {
        std::vector<LateFailure> cases;
        for (const char *ext : {"txt", "mdb", "xls", "wk3"}) {
            cases.push_back({"DemoStreet.vkp", "Out2023.txt", "Stat2023.txt", ext});
            cases.push_back({"DemoStreets.vkm", "StreetsOut2023.txt", "StreetsStat2023.txt", ext});
            cases.push_back({"DemoRoute.vkp", "RouteOut2023.txt", "RouteStat2023.txt", ext});
        }
        return cases;
    }()),
    [](const ::testing::TestParamInfo<LateFailure> &info) {
        return testNameOf(std::string(info.param.project) + "_" + info.param.extension);
    });

namespace {

class FilesTooLarge : public LateWriteFailures {};

} // namespace

// A disk that fills up while the run writes its hourly rows (text), or as
// it writes out a workbook, a worksheet or a database: the message gives
// the system's reason, and the earlier outputs stay.
TEST_P(FilesTooLarge, GiveTheSystemsReasonAndLeaveEveryEarlierOutputAsItWas) {
    ASSERT_NO_FATAL_FAILURE(load());
    writeWork("Met2023.txt", windier(meteorology, 1.0));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::map<std::string, std::string> before = outputs();
    // Larger than a stream's buffer (8 KB), so that a text output meets the limit
    // while the rows are written, not when the file is closed.
    ASSERT_GT(before.at(hourly).size(), 8192u) << "the hourly output is too small for the test";
    writeWork("Met2023.txt", meteorology);

    RunReport report;
    {
        const FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.set());
        report = run();
    }
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    const std::string reason = std::string(": ") + std::strerror(EFBIG) + ".";
    EXPECT_TRUE(
        report.error.find("Cannot write the file " + work(hourly).string() + reason) != std::string::npos ||
        report.error.find("Cannot write the file " + work(stat).string() + reason) != std::string::npos)
        << report.error;
    EXPECT_EQ(report.error.find("the disk may be full"), std::string::npos) << report.error;
    EXPECT_EQ(outputs(), before) << "the failed run replaced an earlier output";
    EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    SampleProjects, FilesTooLarge,
    ::testing::Values(LateFailure{"DemoStreet.vkp", "Out2023.txt", "Stat2023.txt", "txt"},
                      LateFailure{"DemoStreets.vkm", "StreetsOut2023.txt", "StreetsStat2023.txt", "txt"},
                      LateFailure{"DemoStreet.vkp", "Out2023.txt", "Stat2023.txt", "xls"},
                      LateFailure{"DemoStreet.vkp", "Out2023.txt", "Stat2023.txt", "wk3"},
                      LateFailure{"DemoStreet.vkp", "Out2023.txt", "Stat2023.txt", "mdb"}),
    [](const ::testing::TestParamInfo<LateFailure> &info) {
        return testNameOf(std::string(info.param.project) + "_" + info.param.extension);
    });
