// A run whose last file cannot be written (its statistics, on a disk that
// has just filled up) replaces none of the previous run's files: every
// output is written out and checked before the first is put in place. The
// sample projects of every kind, their hourly output and statistics in text
// files, Access databases, Excel workbooks and Lotus worksheets.

#include "run/RunFixture.h"

#include "core/StagedFile.h"

#include <csignal>
#include <cstring>
#include <map>
#include <sstream>
#include <sys/resource.h>

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
        std::string project = readFile(dataDir() / "Working" / c.project);
        for (const auto &[from, to] :
             {std::pair<std::string, std::string>{c.hourly, text ? hourly : hourly + ";Hourly"},
              {c.stat, text ? stat : stat + ";Statistics"}}) {
            const auto at = project.find("\"" + from + "\"");
            ASSERT_NE(at, std::string::npos) << from;
            project.replace(at + 1, from.size(), to);
        }
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

// While it lives, no file of this process may grow beyond `bytes` (its soft
// limit; SIGXFSZ ignored), so that a write past it fails with the system's
// "File too large", as one on a full disk fails with "No space left on
// device".
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_before.rlim_max};
        m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool set() const { return m_set; }

private:
    rlimit m_before{};
    void (*m_signal)(int) = SIG_DFL;
    bool m_set = false;
};

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
