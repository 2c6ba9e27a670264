// A run whose outputs lie in a folder that other users may write (mode 777,
// or 1777 as /tmp), while another party acts on the names the run steps on,
// at the very moments it steps on them: another user (nobody) swaps the
// temporary file for a link to a private file of the user running (root) as
// it appears or between its check and its rename, or the output for such a
// link right after it is put in place; another run tidies left-over old
// contents as soon as a ".prev" appears, or another program puts its own
// finished file in place right after the run's rename or just before a
// failing run puts its old contents back. Text, Excel, Lotus and Access
// outputs of the sample street, and Special Mode tables.
//
// The private file never changes; no output is lost (each holds what the
// run wrote or its old contents, and the run names where they are otherwise);
// whatever another party put under an output's name stays there, never moved
// or removed by the run; the run fails exactly when an output's name does not
// hold what it wrote. A second run of the project started at such a moment
// is refused before its first hour; after a run killed at such a moment, the
// next run leaves nothing behind.

#include "run/RunFixture.h"

#include "core/OutputPlace.h"
#include "core/StagedFile.h"
#include "platform/Isolation.h"
#include "platform/tables/TableLock.h"
#include "platform/tables/Tables.h"
#include "project/Batch.h"
#include "project/CommandLine.h"
#include "run/BatchRun.h"
#include "run/SpecialMode.h"
#include "run/SpecialModeSweep.h"
#include "support/PlainStage.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace vesk;
using namespace vesk::test;

namespace {

enum class Act {
    SwapTemporaryAsItAppears,  // nobody: the temporary file for a link to the private file, before the first
                               // write
    SwapTemporaryBeforeRename, // ... between its check and its rename
    SwapOutputAfterRename,     // nobody: the output just put in place for such a link
    TidyAsPreviousAppears,     // another run tidies the first output's left-overs; the last rename then fails
    FinishAnotherRunFirst,     // another run puts its own first output in place before the put-back of the
                               // failing run
    FinishAnotherRightAfter,   // another program puts its own file in place right after the run's rename
};

struct SharedCase {
    const char *kind; // "txt", "xls", "wk3", "mdb", or "special" (Special Mode tables)
    Act act;
    bool sticky; // the folder has the sticky bit (1777), else 777
};

const char *actName(Act act) {
    switch (act) {
    case Act::SwapTemporaryAsItAppears:
        return "a temporary file swapped as it appears";
    case Act::SwapTemporaryBeforeRename:
        return "a temporary file swapped before its rename";
    case Act::SwapOutputAfterRename:
        return "an output swapped after its rename";
    case Act::TidyAsPreviousAppears:
        return "old contents tidied as they appear";
    case Act::FinishAnotherRunFirst:
        return "another run finished before the put back";
    case Act::FinishAnotherRightAfter:
        return "another file put in place right after the rename";
    }
    return "";
}

void PrintTo(const SharedCase &c, std::ostream *os) {
    *os << c.kind << ", " << actName(c.act) << (c.sticky ? ", sticky folder" : "");
}

// Does act() as the user nobody, in a child process; whether it succeeded.
bool asNobody(const std::function<bool()> &act) {
    const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
            *bytes = "could not become the user nobody";
            return true;
        }
        *bytes = act() ? "done" : "refused";
        return true;
    });
    return r.end == IsolatedEnd::Finished && r.bytes == "done";
}

// Puts a link to secret under name, as the user nobody: false where nobody may not remove what is there.
bool plantLink(const std::string &name, const fs::path &secret) {
    return asNobody(
        [&] { return ::unlink(name.c_str()) == 0 && ::symlink(secret.c_str(), name.c_str()) == 0; });
}

// The sample street writing its hourly output and statistics as text,
// Excel, Lotus or Access files (kind "txt", "xls", "wk3", "mdb"), or a
// Special Mode sweep ("special").
class OutputsOfAKind : public RunFixture {
protected:
    void load(const std::string &kind) {
        m_kind = kind;
        if (special()) {
            setSmallSweep(state, workDir);
            return;
        }
        for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
            const std::string name = entry.path().filename().string();
            if (name.front() != '.') {
                fs::copy_file(entry.path(), work(name));
            }
        }
        const bool text = kind == "txt";
        const std::string project = sampleProjectWith(
            "DemoStreet.vkp", {{"Out2023.txt", text ? "Hourly.txt" : "Hourly." + kind + ";Hourly"},
                               {"Stat2023.txt", text ? "Stat.txt" : "Stat." + kind + ";Statistics"}});
        ASSERT_NO_FATAL_FAILURE(loadProject("DemoStreet.vkp", project));
        state.StartAuto = state.EndAuto = false;
        state.StartDate = {2023, 3, 14};
        state.StartHour = 1;
        state.EndDate = {2023, 3, 14};
        state.EndHour = 24;
    }

    bool special() const { return m_kind == "special"; }

    // The run's outputs, in the order it puts them in place.
    std::vector<std::string> outputNames() const {
        if (special()) {
            return {"veskout.dat", "NOX_1.dat", "NOX_2.dat", "NO2_1.dat", "NO2_2.dat"};
        }
        return {"Hourly." + m_kind, "Stat." + m_kind};
    }

    std::map<std::string, std::string> outputs() const {
        std::map<std::string, std::string> out;
        for (const std::string &name : outputNames()) {
            out[name] = fs::is_symlink(work(name)) ? "(a link)"
                        : fs::exists(work(name))   ? readFile(work(name))
                                                   : "(missing)";
        }
        return out;
    }

    // Makes the run of s a day longer, or a direction more, than the time
    // before, so that it writes other bytes.
    void lengthen(State &s) const {
        if (special()) {
            s.WindDirEnd += 10;
        } else {
            s.EndDate.day += 1;
        }
    }

    // Runs the sweep or the period of s (observed by observer, when given);
    // whether it ended well, with what it said.
    bool runOf(State &s, std::string *said, RunObserver *observer = nullptr) const {
        ScriptedInteraction ui;
        RunControl control;
        bool completed = false;
        said->clear();
        if (special()) {
            completed = RunSpecialMode(s, ui, control, observer) == SpecialModeOutcome::Completed;
        } else {
            const RunReport report = runTimeSeries(s, ui, control, observer);
            completed = report.outcome == RunOutcome::Completed;
            *said = report.error + "\n";
        }
        for (const std::string &m : ui.messages) {
            *said += m + "\n";
        }
        return completed;
    }

    bool runAgain(std::string *said) {
        lengthen(state);
        return runOf(state, said);
    }

private:
    std::string m_kind;
};

class SharedFolders : public OutputsOfAKind, public ::testing::WithParamInterface<SharedCase> {};

// Another file of the folder with what each of names held before the run
// (*where: its path), found by its bytes; "" when there is none.
std::string keptCopyOf(const fs::path &folder, const std::string &name, const std::string &bytes) {
    for (const auto &entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (file.starts_with("." + name + ".") && file.find(".prev.") != std::string::npos &&
            entry.is_regular_file() && readFile(entry.path()) == bytes) {
            return entry.path().string();
        }
    }
    return {};
}

} // namespace

WINVESK_PLAIN_STAGE("*SharedFolders.*", OtherProcesses);

TEST_P(SharedFolders, NeverWriteAnotherFileLoseNoOutputAndFailExactlyWhenANameDoesNotHoldWhatWasWritten) {
    const SharedCase &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test acts as the user nobody";
    }
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (const std::string why = whyNobodyCannotEnter(workDir); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    ASSERT_NO_FATAL_FAILURE(load(c.kind));
    std::string said;
    ASSERT_TRUE(runAgain(&said)) << said;
    const std::map<std::string, std::string> before = outputs();
    ASSERT_EQ(chmod(workDir.c_str(), c.sticky ? S_ISVTX | 0777 : 0777), 0);
    const fs::path secret = dir.write("mine/Secret.txt", "root's own\r\n");
    ASSERT_EQ(chmod(secret.parent_path().c_str(), 0700), 0);
    ASSERT_EQ(chmod(secret.c_str(), 0600), 0);

    // The step of the run at which the other party acts, and on which output.
    const std::vector<std::string> names = outputNames();
    const bool onLast = c.act == Act::SwapTemporaryAsItAppears || c.act == Act::SwapTemporaryBeforeRename ||
                        c.act == Act::SwapOutputAfterRename || c.act == Act::FinishAnotherRightAfter;
    const std::string actedOn = onLast ? names.back() : names.front();
    const StagedStep when = c.act == Act::SwapTemporaryAsItAppears    ? StagedStep::Created
                            : c.act == Act::SwapTemporaryBeforeRename ? StagedStep::Checked
                            : c.act == Act::SwapOutputAfterRename     ? StagedStep::Renamed
                            : c.act == Act::FinishAnotherRightAfter   ? StagedStep::Renamed
                            : c.act == Act::TidyAsPreviousAppears     ? StagedStep::PreviousNamed
                                                                      : StagedStep::PuttingBack;
    const std::string anotherRuns = "another run's output\r\n";
    int acted = 0;
    onStagedStepForTesting([&](StagedStep step, const std::string &target, const std::string &name) {
        if (step != when || fs::path(target).filename() != actedOn) {
            return;
        }
        bool done = false;
        switch (c.act) {
        case Act::SwapTemporaryAsItAppears:
        case Act::SwapTemporaryBeforeRename:
            done = plantLink(name, secret);
            break;
        case Act::SwapOutputAfterRename:
            done = plantLink(target, secret);
            break;
        case Act::TidyAsPreviousAppears:
            removeLeftOverPrevious(target);
            done = fs::exists(name);
            break;
        case Act::FinishAnotherRunFirst:
        case Act::FinishAnotherRightAfter: {
            const fs::path finished = dir.write("another run's", anotherRuns);
            done = ::rename(finished.c_str(), target.c_str()) == 0;
            break;
        }
        }
        acted += done ? 1 : 0;
    });
    // The acts of another run come before a put back: the last rename fails.
    const bool renameFails = c.act == Act::TidyAsPreviousAppears || c.act == Act::FinishAnotherRunFirst;
    if (renameFails) {
        failRenamingForTesting(
            [&](const std::string &target) { return fs::path(target).filename() == names.back(); });
    }
    const bool completed = runAgain(&said);
    onStagedStepForTesting(nullptr);
    failRenamingForTesting(nullptr);

    EXPECT_EQ(readFile(secret), "root's own\r\n") << "the private file was written";
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(secret)));
    // In the sticky folder nobody may neither remove nor rename root's files: nothing was swapped.
    const bool byRoot = renameFails || c.act == Act::FinishAnotherRightAfter;
    EXPECT_EQ(acted > 0, !c.sticky || byRoot) << "acts done: " << acted;
    const std::string file = work(actedOn).string();
    std::string expected;
    switch (c.act) {
    case Act::SwapTemporaryAsItAppears:
        expected = "Cannot write the file " + file + ": another program replaced the file written for it";
        break;
    case Act::SwapTemporaryBeforeRename: // what the rename put in place is not the file written
    case Act::SwapOutputAfterRename:
    case Act::FinishAnotherRightAfter:
        // Whichever it was, it stays, and the old contents are kept beside it.
        expected = "Cannot write the file " + file +
                   ": another program replaced it as soon as it was put in place.\r\nThe file " + file +
                   " was replaced by another program after the run had put it in place: it is left as it is, "
                   "and its old contents are kept in " +
                   keptCopyOf(workDir, actedOn, before.at(actedOn)) + ".";
        break;
    case Act::TidyAsPreviousAppears:
        expected = "Cannot write the file " + work(names.back()).string() + ": Input/output error";
        break;
    case Act::FinishAnotherRunFirst:
        expected =
            "The file " + file +
            " was replaced by another program after the run had put it in place: it is left as it is, and "
            "its old contents are kept in " +
            keptCopyOf(workDir, actedOn, before.at(actedOn)) + ".";
        break;
    }
    if (c.sticky && !byRoot) {
        EXPECT_TRUE(completed) << said;
        for (const auto &[name, bytes] : outputs()) {
            EXPECT_NE(bytes, before.at(name)) << name << " holds what the run wrote";
        }
        return;
    }
    EXPECT_FALSE(completed);
    EXPECT_NE(said.find(expected), std::string::npos) << said;
    std::map<std::string, std::string> left = before;
    if (c.act != Act::SwapTemporaryAsItAppears && c.act != Act::TidyAsPreviousAppears) {
        // What the other party put there.
        left[actedOn] = c.act == Act::FinishAnotherRunFirst || c.act == Act::FinishAnotherRightAfter
                            ? anotherRuns
                            : "(a link)";
        EXPECT_NE(keptCopyOf(workDir, actedOn, before.at(actedOn)), "") << "the old contents are kept";
    }
    for (const auto &[name, bytes] : outputs()) {
        EXPECT_TRUE(bytes == left.at(name)) << name << " holds "
                                            << (bytes == before.at(name) ? "its old contents"
                                                : bytes.size() < 100     ? bytes
                                                                         : "what the run wrote");
    }
}

INSTANTIATE_TEST_SUITE_P(Outputs, SharedFolders, ::testing::ValuesIn([] {
                             std::vector<SharedCase> cases;
                             for (const char *kind : {"txt", "xls", "wk3", "mdb", "special"}) {
                                 for (const Act act :
                                      {Act::SwapTemporaryAsItAppears, Act::SwapTemporaryBeforeRename,
                                       Act::SwapOutputAfterRename}) {
                                     cases.push_back({kind, act, false});
                                     cases.push_back({kind, act, true});
                                 }
                                 cases.push_back({kind, Act::TidyAsPreviousAppears, false});
                                 cases.push_back({kind, Act::FinishAnotherRunFirst, false});
                                 cases.push_back({kind, Act::FinishAnotherRightAfter, false});
                             }
                             return cases;
                         }()),
                         [](const ::testing::TestParamInfo<SharedCase> &info) {
                             return testNameOf(std::string(info.param.kind) + " " + actName(info.param.act) +
                                               (info.param.sticky ? " sticky" : ""));
                         });

namespace {

class KeepingRound : public RunFixture, public ::testing::WithParamInterface<const char *> {};

} // namespace

// The old contents of every output, a table's as a text's, are kept before
// the first output is put in place: a table that could not be kept is
// refused while nothing has been replaced.
TEST_P(KeepingRound, KeepsTheOldContentsOfEveryOutputBeforeTheFirstRename) {
    for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
        const std::string name = entry.path().filename().string();
        if (name.front() != '.') {
            fs::copy_file(entry.path(), work(name));
        }
    }
    const std::string ext = GetParam();
    const std::string project = sampleProjectWith(
        "DemoStreet.vkp", {{"Out2023.txt", "Hourly.txt"}, {"Stat2023.txt", "Stat." + ext + ";Statistics"}});
    ASSERT_NO_FATAL_FAILURE(loadProject("DemoStreet.vkp", project));
    state.StartAuto = state.EndAuto = false;
    state.StartDate = state.EndDate = {2023, 3, 14};
    state.StartHour = 1;
    state.EndHour = 24;
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();

    std::vector<std::string> steps;
    onStagedStepForTesting([&](StagedStep step, const std::string &target, const std::string &) {
        if (step == StagedStep::PreviousNamed || step == StagedStep::Renamed) {
            steps.push_back((step == StagedStep::Renamed ? "put in place " : "kept ") +
                            fs::path(target).filename().string());
        }
    });
    const RunReport report = run();
    onStagedStepForTesting(nullptr);
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(steps, (std::vector<std::string>{"kept Hourly.txt", "kept Stat." + ext,
                                               "put in place Hourly.txt", "put in place Stat." + ext}));
}

INSTANTIATE_TEST_SUITE_P(Tables, KeepingRound, ::testing::Values("xls", "wk3", "mdb"));

namespace {

// A second run of one project, started while the first puts its outputs
// in place (at a step of it: old contents kept, a file renamed, old
// contents put back after a rename that failed), in this process or in
// batch as a process of its own.
struct SecondRun {
    const char *kind; // as OutputsOfAKind takes it
    StagedStep at;    // the first run's step
    bool batch;       // the second run is the batch in a process of its own
};

std::string nameOfSecondRun(const ::testing::TestParamInfo<SecondRun> &info) {
    const char *steps[] = {"Created", "Checked", "Renamed", "PreviousNamed", "PuttingBack"};
    return std::string(info.param.kind) + "At" + steps[static_cast<int>(info.param.at)] +
           (info.param.batch ? "InBatch" : "");
}

void PrintTo(const SecondRun &c, std::ostream *os) {
    *os << nameOfSecondRun({c, 0});
}

class TwoRunsOfOneProject : public OutputsOfAKind, public ::testing::WithParamInterface<SecondRun> {};

} // namespace

WINVESK_PLAIN_STAGE("*TwoRunsOfOneProject.*", OtherProcesses);

// The second run is refused before its first hour, naming the file and the
// other run; the first run ends as it would alone, its holds with it.
TEST_P(TwoRunsOfOneProject, TheSecondIsRefusedBeforeItsFirstHourNamingTheFile) {
    const SecondRun &c = GetParam();
    ASSERT_NO_FATAL_FAILURE(load(c.kind));
    std::string said;
    ASSERT_TRUE(runOf(state, &said)) << said;
    const std::map<std::string, std::string> before = outputs();
    State second = state;
    const std::vector<std::string> names = outputNames();
    std::string secondSaid;
    bool started = false, secondCompleted = true;
    ProgramRun batch;
    onStagedStepForTesting([&](StagedStep step, const std::string &, const std::string &) {
        if (step == c.at && !started) {
            started = true;
            if (c.batch) {
                batch = runWinvesk({work("DemoStreet.vkp").string(), "1", "20230314", "1", "20230314", "24"});
            } else {
                secondCompleted = runOf(second, &secondSaid);
            }
        }
    });
    const bool putBack = c.at == StagedStep::PuttingBack;
    if (putBack) {
        failRenamingForTesting(
            [&](const std::string &target) { return fs::path(target).filename() == names.back(); });
    }
    const bool completed = runAgain(&said);
    onStagedStepForTesting(nullptr);
    failRenamingForTesting(nullptr);

    ASSERT_TRUE(started);
    const std::string refusal =
        "The file " + work(names.front()).string() + " is being written by another run of the program";
    if (c.batch) {
        EXPECT_FALSE(batch.timedOut) << "the second run waits for nothing";
        EXPECT_EQ(batch.status, 1) << batch.output;
        EXPECT_NE(batch.output.find(refusal), std::string::npos) << batch.output;
    } else {
        EXPECT_FALSE(secondCompleted);
        EXPECT_NE(secondSaid.find(refusal + " (" + heldBy(getpid()) + ")"), std::string::npos) << secondSaid;
    }
    EXPECT_EQ(completed, !putBack) << said;
    for (const auto &[name, bytes] : outputs()) {
        EXPECT_EQ(bytes == before.at(name), putBack) << name << " holds what the first run left";
        EXPECT_FALSE(fs::exists(tables::tableLockPath(work(name).string()))) << "the holds end with the run";
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, TwoRunsOfOneProject, ::testing::ValuesIn([] {
                             std::vector<SecondRun> cases;
                             for (const char *kind : {"txt", "xls", "mdb", "special"}) {
                                 for (const StagedStep at : {StagedStep::PreviousNamed, StagedStep::Renamed,
                                                             StagedStep::PuttingBack}) {
                                     cases.push_back({kind, at, false});
                                 }
                             }
                             cases.push_back({"txt", StagedStep::Checked, true});
                             cases.push_back({"mdb", StagedStep::Checked, true});
                             return cases;
                         }()),
                         nameOfSecondRun);

namespace {

class KilledAtEachStep : public OutputsOfAKind, public ::testing::WithParamInterface<const char *> {};

// The names in the folder that begin with a dot (old contents, temporary
// and lock files).
std::vector<std::string> hiddenNamesIn(const fs::path &folder) {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder)) {
        if (const std::string name = entry.path().filename().string(); name.front() == '.') {
            names.push_back(name);
        }
    }
    return names;
}

// The cells of the table, one after the other (a database's bytes differ
// from one writing to the next).
std::string cellsOf(const fs::path &file, const std::string &table) {
    TableData data;
    std::string error, cells;
    if (!readTable(file.string(), table, &data, &error)) {
        return error;
    }
    for (const std::vector<Cell> &row : data.rows) {
        for (const Cell &cell : row) {
            const double *number = std::get_if<double>(&cell);
            const std::string *text = std::get_if<std::string>(&cell);
            cells += (number != nullptr ? std::to_string(*number) : text != nullptr ? *text : "-") + ";";
        }
    }
    return cells;
}

} // namespace

WINVESK_PLAIN_STAGE("*KilledAtEachStep.*", OtherProcesses);

// A run killed at a step of putting its outputs in place (in a process of
// its own, killed at the step itself), at each step in turn, and at each
// step of putting old contents back after a rename that failed: the next
// run leaves nothing beside its outputs (no old contents, temporary or lock
// file of the killed run), and its outputs hold what it wrote.
TEST_P(KilledAtEachStep, TheNextRunLeavesNothingBehind) {
    ASSERT_NO_FATAL_FAILURE(load(GetParam()));
    const bool database = std::string(GetParam()) == "mdb";
    const auto contents = [&] {
        std::map<std::string, std::string> held = outputs();
        if (database) {
            held = {{"Hourly", cellsOf(work("Hourly.mdb"), "Hourly")},
                    {"Statistics", cellsOf(work("Stat.mdb"), "Statistics")}};
        }
        return held;
    };
    std::string said;
    ASSERT_TRUE(runOf(state, &said)) << said;
    const std::map<std::string, std::string> written = contents();
    State killed = state;
    lengthen(killed);
    const std::string last = outputNames().back();
    int kills = 0;
    for (const bool putBack : {false, true}) {
        for (int n = 0;; ++n) {
            const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
                int seen = 0;
                onStagedStepForTesting([&](StagedStep step, const std::string &, const std::string &) {
                    if ((!putBack || step == StagedStep::PuttingBack) && seen++ == n) {
                        raise(SIGKILL);
                    }
                });
                if (putBack) {
                    failRenamingForTesting(
                        [&](const std::string &target) { return fs::path(target).filename() == last; });
                }
                std::string ignored;
                *bytes = runOf(killed, &ignored) ? "completed" : "failed";
                return true;
            });
            if (r.end == IsolatedEnd::Finished) {
                break; // past the last step
            }
            const std::string at =
                "killed at step " + std::to_string(n) + (putBack ? " of the put-back" : "");
            ASSERT_EQ(r.signal, SIGKILL) << at;
            ++kills;
            ASSERT_TRUE(runOf(state, &said)) << at << ": " << said;
            EXPECT_EQ(hiddenNamesIn(workDir), std::vector<std::string>{}) << at;
            EXPECT_TRUE(contents() == written) << at;
        }
    }
    EXPECT_GE(kills, 2 * static_cast<int>(outputNames().size()));
}

INSTANTIATE_TEST_SUITE_P(Kinds, KilledAtEachStep, ::testing::Values("txt", "xls", "mdb", "special"));

namespace {

// Acts once, at the end of the first hour.
struct AtFirstHour : RunObserver {
    std::function<void()> act;
    void hourDone(int, int, int) override {
        if (act) {
            std::exchange(act, nullptr)();
        }
    }
};

// A private file of root's of the output's kind, holding the table "Secret".
void writeSecret(const fs::path &file) {
    std::string error;
    const std::unique_ptr<TableWriter> table =
        createTable(file.string(), "Secret", {{"Private", ColumnType::Float}}, &error);
    ASSERT_NE(table, nullptr) << error;
    ASSERT_TRUE(table->append({42.0}, &error)) << error;
    ASSERT_TRUE(table->close(&error)) << error;
    ASSERT_EQ(chmod(file.c_str(), 0600), 0);
}

// What the other user does to the first output.
enum class Plant {
    LinkAsChecked,      // exchanges it for a link to the private file as its check ends, before its old
                        // contents are read, and back at the first hour
    OtherFileAsChecked, // exchanges it for a file of its own with the same bytes (another inode) as its
                        // check ends, and back at the first hour
    PipeAsChecked,      // exchanges it for a named pipe as its check ends
    PipeWhileComputing, // exchanges it for a named pipe at the first hour
    PipeUnderNewName,   // makes a named pipe under its name, the output being new, at the first hour
};

const char *plantName(Plant plant) {
    switch (plant) {
    case Plant::LinkAsChecked:
        return "a link as its check ends";
    case Plant::OtherFileAsChecked:
        return "another file as its check ends";
    case Plant::PipeAsChecked:
        return "a pipe as its check ends";
    case Plant::PipeWhileComputing:
        return "a pipe while the run computes";
    case Plant::PipeUnderNewName:
        return "a pipe under a new name";
    }
    return "";
}

struct PlantCase {
    const char *kind; // "txt", "xls", "wk3" or "mdb"
    Plant plant;
    bool sticky; // the folder has the sticky bit (1777), else 777
};

void PrintTo(const PlantCase &c, std::ostream *os) {
    *os << c.kind << ", " << plantName(c.plant) << (c.sticky ? ", sticky folder" : "");
}

class NamesChangedAfterTheCheck : public OutputsOfAKind, public ::testing::WithParamInterface<PlantCase> {};

} // namespace

WINVESK_PLAIN_STAGE("*NamesChangedAfterTheCheck.*", OtherProcesses);

// The other user changes the name of an output (which the run read old
// contents of, for a workbook or a database) after the check before the
// first hour: for a link to a private file of root's, or for a named pipe.
// The run goes in a helper process with a time limit, since a pipe opened to
// be read waits for a writer (its time, within the tests' watchdog).
TEST_P(NamesChangedAfterTheCheck, RefuseTheRunAtOnceNamingTheFileAndReadOrReplaceNothing) {
    const PlantCase &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test acts as the user nobody";
    }
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (const std::string why = whyNobodyCannotEnter(workDir); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    ASSERT_NO_FATAL_FAILURE(load(c.kind));
    std::string said;
    ASSERT_TRUE(runAgain(&said)) << said;
    const std::string file = work(outputNames().front()).string(), other = work(".other").string();
    if (c.plant == Plant::PipeUnderNewName) {
        fs::remove(file);
    }
    const std::map<std::string, std::string> before = outputs();
    ASSERT_EQ(chmod(workDir.c_str(), c.sticky ? S_ISVTX | 0777 : 0777), 0);
    fs::create_directory(dir.path() / "mine");
    ASSERT_EQ(chmod((dir.path() / "mine").c_str(), 0700), 0);
    const fs::path secret = dir.path() / "mine" / ("Secret" + fs::path(file).extension().string());
    ASSERT_NO_FATAL_FAILURE(writeSecret(secret));
    const std::string secretBytes = readFile(secret);

    auto exchange = [&] {
        return renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE) == 0;
    };
    const std::string bytes = readFile(file);
    auto act = [&] {
        return asNobody([&] {
            if (c.plant == Plant::PipeUnderNewName) {
                return mkfifo(file.c_str(), 0666) == 0;
            }
            bool made = false;
            if (c.plant == Plant::LinkAsChecked) {
                made = symlink(secret.c_str(), other.c_str()) == 0;
            } else if (c.plant == Plant::OtherFileAsChecked) {
                made = static_cast<bool>(std::ofstream(other, std::ios::binary) << bytes);
            } else {
                made = mkfifo(other.c_str(), 0666) == 0;
            }
            return made && exchange();
        });
    };
    const bool backAtFirstHour = c.plant == Plant::LinkAsChecked || c.plant == Plant::OtherFileAsChecked;
    const bool asChecked = backAtFirstHour || c.plant == Plant::PipeAsChecked;
    const IsolationLimits limits{.seconds = 60, .wallSeconds = 60};
    const IsolatedResult r = runIsolated(
        [&](std::string *bytes, std::string *) {
            bool acted = false;
            AtFirstHour observer;
            if (asChecked) {
                onStagedStepForTesting([&](StagedStep step, const std::string &target, const std::string &) {
                    if (step == StagedStep::Created && fs::path(target) == fs::path(file) && !acted) {
                        acted = act();
                    }
                });
                if (backAtFirstHour) {
                    observer.act = [&] { asNobody(exchange); }; // for no longer than that
                }
            } else {
                observer.act = [&] { acted = act(); };
            }
            std::string told;
            lengthen(state);
            const bool completed = runOf(state, &told, &observer);
            *bytes = std::string(completed ? "1" : "0") + (acted ? "1" : "0") + told;
            return true;
        },
        limits);
    // What the other user put there goes, and the output gets its name back.
    if (fs::exists(fs::symlink_status(other))) {
        struct stat named {};
        if (lstat(file.c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_uid == kNobody) {
            exchange();
        }
        fs::remove(other);
    }
    if (c.plant == Plant::PipeUnderNewName && fs::is_fifo(fs::symlink_status(file))) {
        fs::remove(file);
    }
    ASSERT_EQ(r.end, IsolatedEnd::Finished)
        << "the run did not end at once: " << isolationFailureReason(r, limits);
    ASSERT_GE(r.bytes.size(), 2u);
    said = r.bytes.substr(2);
    EXPECT_EQ(r.bytes[1], '1') << "the other user acted";
    EXPECT_EQ(r.bytes[0], '0') << "the run failed\n" << said;
    EXPECT_NE(said.find(file), std::string::npos) << said;
    EXPECT_NE(
        said.find(backAtFirstHour ? "another program has replaced it since it was checked" : "a named pipe"),
        std::string::npos)
        << said;
    for (const char *word : {"damaged", "not found", "missing", "corrupted"}) {
        EXPECT_EQ(said.find(word), std::string::npos) << said;
    }
    EXPECT_EQ(readFile(secret), secretBytes) << "the private file was written";
    EXPECT_TRUE(outputs() == before) << "every output keeps its old contents";
}

INSTANTIATE_TEST_SUITE_P(Outputs, NamesChangedAfterTheCheck,
                         ::testing::Values(PlantCase{"xls", Plant::LinkAsChecked, false},
                                           PlantCase{"mdb", Plant::LinkAsChecked, false},
                                           PlantCase{"xls", Plant::OtherFileAsChecked, false},
                                           PlantCase{"mdb", Plant::OtherFileAsChecked, false},
                                           PlantCase{"xls", Plant::PipeAsChecked, false},
                                           PlantCase{"mdb", Plant::PipeAsChecked, false},
                                           PlantCase{"txt", Plant::PipeWhileComputing, false},
                                           PlantCase{"xls", Plant::PipeWhileComputing, false},
                                           PlantCase{"wk3", Plant::PipeWhileComputing, false},
                                           PlantCase{"mdb", Plant::PipeWhileComputing, false},
                                           PlantCase{"txt", Plant::PipeUnderNewName, true},
                                           PlantCase{"mdb", Plant::PipeUnderNewName, true}),
                         [](const ::testing::TestParamInfo<PlantCase> &info) {
                             return testNameOf(std::string(info.param.kind) + " " +
                                               plantName(info.param.plant));
                         });

namespace {

// A workbook or database output holding a table of its own ("Kept") beside
// the run's, whose name is exchanged for a link to a private file of root's
// (mode 600, bytes that are neither a workbook nor a database) around each
// reading of its old contents: right after the old contents were approved,
// and back once the reading ended (at the check before the first hour, and
// for a database at the end of the run as well).
class OldContentsRead : public OutputsOfAKind, public ::testing::WithParamInterface<const char *> {};

} // namespace

WINVESK_PLAIN_STAGE("*OldContentsRead.*", OtherProcesses);

// Each reader reads the file the check approved, never the name: the run
// completes, its output holds the kept table beside the run's, and the
// private file was neither read into it nor changed.
TEST_P(OldContentsRead, GoesThroughTheFileCheckedWhateverItsNameLeadsTo) {
    const std::string kind = GetParam();
    ASSERT_NO_FATAL_FAILURE(load(kind));
    std::string said;
    ASSERT_TRUE(runAgain(&said)) << said;
    const std::string file = work(outputNames().front()).string();
    std::string error;
    {
        const std::unique_ptr<TableWriter> kept =
            createTable(file, "Kept", {{"Kept", ColumnType::Float}}, &error);
        ASSERT_NE(kept, nullptr) << error;
        ASSERT_TRUE(kept->append({7.0}, &error)) << error;
        ASSERT_TRUE(kept->close(&error)) << error;
    }
    const fs::path secret = dir.write("mine/Secret." + kind, "root's own\r\n");
    ASSERT_EQ(chmod(secret.parent_path().c_str(), 0700), 0);
    ASSERT_EQ(chmod(secret.c_str(), 0600), 0);
    const fs::path link = work("Link." + kind);
    fs::create_symlink(secret, link);
    const auto exchange = [&] {
        return renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE) == 0;
    };
    int reads = 0;
    aroundOldContentsReadForTesting([&](const std::string &target, const std::function<void()> &read) {
        const bool swapped = fs::path(target) == fs::path(file) && exchange();
        read();
        if (swapped) {
            ++reads;
            EXPECT_TRUE(exchange()) << "exchanged back";
        }
    });
    const bool completed = runAgain(&said);
    aroundOldContentsReadForTesting(nullptr);

    EXPECT_TRUE(completed) << said;
    EXPECT_EQ(reads, kind == "mdb" ? 3 : 1) << "the reads of old contents: the check, and the database's "
                                               "reading and comparison at the end";
    EXPECT_EQ(readFile(secret), "root's own\r\n");
    EXPECT_TRUE(fs::is_symlink(link)) << "the link is back under its own name";
    EXPECT_EQ(cellsOf(file, "Kept"), "7.000000;");
    TableData hourly;
    ASSERT_TRUE(readTable(file, "Hourly", &hourly, &error)) << error;
    EXPECT_EQ(hourly.rows.size(), 72u) << "the three days of the run";
}

INSTANTIATE_TEST_SUITE_P(Outputs, OldContentsRead, ::testing::Values("xls", "mdb"));

// ---- Names on the way, changed while a batch run goes on ------------------------------------------
//
// Root's project in a folder every user may write (777, or 1777 as /tmp)
// writes its outputs into sh/sub, through the batch as the command line
// runs it; root's private folder `mine` holds files of the same names.

namespace {

enum class Midway {
    OwnLinkSwapped, // sh/sub is root's link to sh/real; nobody swaps it for a link to `mine` between the look
                    // at the link and the reading of where it leads, and back right after
    OwnFolderSwapped, // sh/sub is root's folder; nobody swaps it for a link to `mine` between the look at it
                      // and the descent into it, and back right after
    FolderMoved,      // sh/sub is root's folder; nobody moves it away and puts a link to `mine` in its place
                      // once the statistics, the last output, are started (a text's before the first hour)
    RenameFails,      // the rename of the statistics fails: the hourly output put in place goes back
    // Between two looks of the run (NamesChangedBetweenLooks):
    LinkPutBetweenLooks,       // nobody moves sh/sub to sh/moved and puts its link to `mine` in its place
    FolderMovedBetweenLooks,   // nobody moves sh/sub to sh/moved
    OutputSwappedBetweenLooks, // nobody exchanges the statistics for its link to root's private file, and
                               // back at the next look
};

struct MidwayCase {
    const char *name;
    const char *kind; // "txt" or "xls"
    Midway act;
    bool sticky;
};

void PrintTo(const MidwayCase &c, std::ostream *os) {
    *os << c.name;
}

class NamesOnTheWay : public RunFixture, public ::testing::WithParamInterface<MidwayCase> {
protected:
    // Runs the project from 14 March 2023 to the day given as the command
    // line's batch does (src/app/main.cpp), in this process, where the seams
    // act: its exit status, with what it said (*said).
    int batch(const fs::path &project, const std::string &lastDay, std::string *said) {
        CommandLine line;
        EXPECT_TRUE(parseCommandLine({project.string(), "1", "20230314", "1", lastDay, "24"}, &line, said));
        State s;
        ScriptedInteraction asked;
        MemorySettings stored;
        auto startUp = [&](ProjectState &p, Interaction &i) {
            return InitProgram(p, appDir.string() + "/", i, stored, [](CoreState &) {});
        };
        auto calculate = [&s](ProjectState &, Interaction &i, std::string *e) {
            return calculateProject(s, i, e);
        };
        const int status = runGuarded([&] { return runBatch(s, asked, line, startUp, calculate); }, asked);
        *said = "";
        for (const std::string &m : asked.messages) {
            *said += m + "\n";
        }
        told = asked.messages;
        return status;
    }

    // Root's project DemoStreet.vkp in sh, a folder every user may write
    // (1777 when sticky, else 777), writing its hourly output and statistics
    // of the kind ("txt", "xls" or "mdb") to the files named; root's private
    // folder `mine` holds files of their names.
    void shareProject(const fs::path &sh, const std::string &kind, const fs::path &hourly,
                      const fs::path &stat, bool sticky) {
        for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
            if (entry.path().filename().string().front() != '.') {
                fs::copy_file(entry.path(), sh / entry.path().filename());
            }
        }
        const bool text = kind == "txt";
        std::ofstream(sh / "DemoStreet.vkp", std::ios::binary) << sampleProjectWith(
            "DemoStreet.vkp", {{"Out2023.txt", hourly.string() + (text ? "" : ";Hourly")},
                               {"Stat2023.txt", stat.string() + (text ? "" : ";Statistics")}});
        ASSERT_EQ(chmod(sh.c_str(), sticky ? S_ISVTX | 0777 : 0777), 0);
        fs::create_directory(mine());
        ASSERT_EQ(chmod(mine().c_str(), 0700), 0);
        for (const fs::path &name : {hourly.filename(), stat.filename()}) {
            std::ofstream(mine() / name, std::ios::binary) << "root's own\r\n";
            ASSERT_EQ(chmod((mine() / name).c_str(), 0600), 0);
        }
    }

    fs::path mine() const { return dir.path() / "mine"; }

    std::vector<std::string> told; // the messages of the last batch(), one by one
};

// Each entry of a folder by its name (hidden ones too): its bytes' fingerprint, or where a link leads.
std::map<std::string, std::string> filesIn(const fs::path &folder) {
    std::map<std::string, std::string> out;
    for (const auto &entry : fs::directory_iterator(folder)) {
        out[entry.path().filename().string()] = entry.is_symlink()
                                                    ? "link to " + fs::read_symlink(entry.path()).string()
                                                    : fingerprint(readFile(entry.path()));
    }
    return out;
}

} // namespace

WINVESK_PLAIN_STAGE("*NamesOnTheWay.*", OtherProcesses);

TEST_P(NamesOnTheWay, EndTheRunWithZeroOnlyWhenEachNameLeadsToTheFileItWrote) {
    const MidwayCase &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test acts as the user nobody";
    }
    ASSERT_EQ(chmod(dir.path().c_str(), 0711), 0);
    const fs::path sh = dir.path() / "sh", mine = this->mine(), sub = sh / "sub";
    const fs::path outputs = c.act == Midway::OwnLinkSwapped ? sh / "real" : sub;
    fs::create_directories(outputs);
    if (c.act == Midway::OwnLinkSwapped) {
        fs::create_directory_symlink("real", sub);
    }
    if (const std::string why = whyNobodyCannotEnter(sh); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    const std::string ext = c.kind, hourly = "Hourly." + ext, stat = "Stat." + ext;
    const bool text = ext == "txt";
    ASSERT_NO_FATAL_FAILURE(shareProject(sh, ext, sub / hourly, sub / stat, c.sticky));
    const std::map<std::string, std::string> secrets = filesIn(mine);
    std::string said;
    ASSERT_EQ(batch(sh / "DemoStreet.vkp", "20230315", &said), 0) << said;
    const std::map<std::string, std::string> before = filesIn(outputs);
    ASSERT_EQ(before.size(), 2u) << "the earlier run's outputs, nothing beside them";

    int acted = 0;
    const auto exchangeAsNobody = [&] {
        return asNobody([&] {
            return ::renameat2(AT_FDCWD, sub.c_str(), AT_FDCWD, (sh / ".theirs").c_str(), RENAME_EXCHANGE) ==
                   0;
        });
    };
    switch (c.act) {
    case Midway::OwnLinkSwapped:
    case Midway::OwnFolderSwapped: {
        ASSERT_TRUE(asNobody([&] { return ::symlink(mine.c_str(), (sh / ".theirs").c_str()) == 0; }));
        // sh/sub is swapped right after its look, and back after its use (where the link leads read, or the
        // folder gone into).
        const auto swapAround = [&](const std::string &name, const std::function<void()> &use) {
            const bool swapped = name == sub.string() && exchangeAsNobody();
            use();
            if (swapped) {
                ++acted;
                EXPECT_TRUE(exchangeAsNobody()) << "swapped back";
            }
        };
        c.act == Midway::OwnLinkSwapped ? aroundLinkReadForTesting(swapAround)
                                        : aroundNameUseForTesting(swapAround);
        break;
    }
    case Midway::FolderMoved:
        onStagedStepForTesting([&](StagedStep step, const std::string &target, const std::string &) {
            if (step == StagedStep::Created && fs::path(target).filename() == stat && asNobody([&] {
                    return ::rename(sub.c_str(), (sh / "moved").c_str()) == 0 &&
                           ::symlink(mine.c_str(), sub.c_str()) == 0;
                })) {
                ++acted;
            }
        });
        break;
    case Midway::RenameFails:
        failRenamingForTesting(
            [&](const std::string &target) { return fs::path(target).filename() == stat; });
        break;
    default: // the acts of NamesChangedBetweenLooks
        break;
    }
    const int status = batch(sh / "DemoStreet.vkp", "20230316", &said);
    aroundLinkReadForTesting(nullptr);
    aroundNameUseForTesting(nullptr);
    onStagedStepForTesting(nullptr);
    failRenamingForTesting(nullptr);

    EXPECT_EQ(filesIn(mine), secrets) << "root's private files are as they were\n" << said;
    // In the sticky folder nobody may neither move nor exchange root's names.
    EXPECT_EQ(acted > 0, !c.sticky && c.act != Midway::RenameFails);
    const bool fails = c.act == Midway::RenameFails || (c.act == Midway::FolderMoved && !c.sticky);
    EXPECT_EQ(status, fails ? 1 : 0) << said;
    // Where the run wrote: no temporary, old or lock file is left beside the outputs.
    const fs::path wroteIn = c.act == Midway::FolderMoved && !c.sticky ? sh / "moved" : outputs;
    const std::map<std::string, std::string> after = filesIn(wroteIn);
    EXPECT_EQ(after.size(), 2u) << "nothing left beside the outputs";
    if (!fails) {
        EXPECT_TRUE(after.at(hourly) != before.at(hourly) && after.at(stat) != before.at(stat))
            << "the outputs hold what the run wrote";
        return;
    }
    EXPECT_TRUE(after == before) << "the earlier outputs are put back whole\n" << said;
    if (c.act == Midway::RenameFails) {
        EXPECT_NE(said.find((sub / stat).string() + ": Input/output error"), std::string::npos) << said;
        return;
    }
    // The folder itself is named (a table, written at the end, is refused by the link in its place), and
    // where it is now.
    EXPECT_TRUE(said.find(sub.string() + ",") != std::string::npos ||
                said.find(sub.string() + " ") != std::string::npos)
        << said;
    EXPECT_TRUE(!text ||
                said.find("(in " + fs::weakly_canonical(wroteIn).string() + ")") != std::string::npos)
        << said;
}

INSTANTIATE_TEST_SUITE_P(
    Batch, NamesOnTheWay,
    ::testing::Values(MidwayCase{"txt own link swapped", "txt", Midway::OwnLinkSwapped, false},
                      MidwayCase{"txt own link swapped sticky", "txt", Midway::OwnLinkSwapped, true},
                      MidwayCase{"txt own folder swapped", "txt", Midway::OwnFolderSwapped, false},
                      MidwayCase{"txt folder moved", "txt", Midway::FolderMoved, false},
                      MidwayCase{"txt folder moved sticky", "txt", Midway::FolderMoved, true},
                      MidwayCase{"txt rename fails", "txt", Midway::RenameFails, false},
                      MidwayCase{"xls own link swapped", "xls", Midway::OwnLinkSwapped, false},
                      MidwayCase{"xls own link swapped sticky", "xls", Midway::OwnLinkSwapped, true},
                      MidwayCase{"xls own folder swapped", "xls", Midway::OwnFolderSwapped, false},
                      MidwayCase{"xls folder moved", "xls", Midway::FolderMoved, false},
                      MidwayCase{"xls folder moved sticky", "xls", Midway::FolderMoved, true},
                      MidwayCase{"xls rename fails", "xls", Midway::RenameFails, false}),
    [](const ::testing::TestParamInfo<MidwayCase> &info) { return testNameOf(info.param.name); });

// ---- Names changed between two looks of the check ----------------------------------------------------
//
// The statistics go to sh/sub/here/Stat.<kind>, where `here` is root's own
// link in sh/sub to that very folder, so that each look of the run at the
// name meets the link (aroundLinkReadForTesting) once it has found sh/sub.
// From the start of the hourly output (its temporary file made) on, the user
// nobody acts right after one of those looks, the first in one run, the
// second in the next, and so on to the last: at every moment of the check of
// the statistics before the first hour, and of the check at the end.

namespace {

class NamesChangedBetweenLooks : public NamesOnTheWay {};

} // namespace

WINVESK_PLAIN_STAGE("*NamesChangedBetweenLooks.*", OtherProcesses);

TEST_P(NamesChangedBetweenLooks, SayTheOneRealReasonWhicheverLookTheChangeFollows) {
    const MidwayCase &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test acts as the user nobody";
    }
    ASSERT_EQ(chmod(dir.path().c_str(), 0711), 0);
    const fs::path sh = dir.path() / "sh", sub = sh / "sub", moved = sh / "moved", here = sub / "here";
    fs::create_directories(sub);
    fs::create_directory_symlink(".", here);
    if (const std::string why = whyNobodyCannotEnter(sh); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    const std::string ext = c.kind, hourly = "Hourly." + ext, stat = "Stat." + ext;
    ASSERT_NO_FATAL_FAILURE(shareProject(sh, ext, sub / hourly, here / stat, false));
    std::string said;
    ASSERT_EQ(batch(sh / "DemoStreet.vkp", "20230315", &said), 0) << said;
    ASSERT_EQ(chmod(sub.c_str(), 0777), 0);
    const std::map<std::string, std::string> secrets = filesIn(mine());
    const fs::path theirs = sub / ".theirs"; // nobody's link to root's private file of the statistics' name
    ASSERT_TRUE(asNobody([&] { return ::symlink((mine() / stat).c_str(), theirs.c_str()) == 0; }));
    std::map<std::string, std::string> before = filesIn(sub);
    const auto exchange = [&] {
        return asNobody([&] {
            return ::renameat2(AT_FDCWD, (sub / stat).c_str(), AT_FDCWD, theirs.c_str(), RENAME_EXCHANGE) ==
                   0;
        });
    };

    for (int n = 1;; ++n) {
        SCOPED_TRACE("nobody acts after look " + std::to_string(n));
        int looks = 0;
        bool started = false, acted = false;
        onStagedStepForTesting([&](StagedStep step, const std::string &target, const std::string &) {
            started = started || (step == StagedStep::Created && fs::path(target).filename() == hourly);
        });
        aroundLinkReadForTesting([&](const std::string &link, const std::function<void()> &read) {
            read();
            if (!started || link != here.string()) {
                return;
            }
            ++looks;
            if (looks == n) {
                acted = asNobody([&] {
                    switch (c.act) {
                    case Midway::LinkPutBetweenLooks:
                        return ::rename(sub.c_str(), moved.c_str()) == 0 &&
                               ::symlink(mine().c_str(), sub.c_str()) == 0;
                    case Midway::FolderMovedBetweenLooks:
                        return ::rename(sub.c_str(), moved.c_str()) == 0;
                    default:
                        return ::renameat2(AT_FDCWD, (sub / stat).c_str(), AT_FDCWD, theirs.c_str(),
                                           RENAME_EXCHANGE) == 0;
                    }
                });
            } else if (looks == n + 1 && c.act == Midway::OutputSwappedBetweenLooks) {
                EXPECT_TRUE(exchange()) << "swapped back at the next look";
            }
        });
        const int status = batch(sh / "DemoStreet.vkp", "20230316", &said);
        aroundLinkReadForTesting(nullptr);
        onStagedStepForTesting(nullptr);
        // Root puts the names back as they were.
        if (fs::exists(fs::symlink_status(moved))) {
            fs::remove(sub);
            fs::rename(moved, sub);
        }
        if (fs::is_symlink(sub / stat)) {
            exchange();
        }
        for (const auto &entry : fs::directory_iterator(sub)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("." + stat + ".") && name.find(".prev.") != std::string::npos) {
                fs::rename(entry.path(), sub / stat); // the old contents the run kept aside
            }
        }

        if (looks < n) {
            break; // past the last look
        }
        ASSERT_TRUE(acted) << said;
        EXPECT_EQ(filesIn(mine()), secrets) << "root's private files are as they were\n" << said;
        if (status == 0) {
            // Only a change after the last look, when the run has put its outputs in place, comes too late.
            EXPECT_EQ(looks, n) << said;
            before = filesIn(sub);
            continue;
        }
        EXPECT_EQ(status, 1) << said;
        EXPECT_TRUE(filesIn(sub) == before) << "the earlier outputs are as they were\n" << said;
        // One message says why (the batch adds that the run did not reach its end) ...
        std::vector<std::string> reasons = told;
        if (!reasons.empty() && reasons.back() == "The calculation did not reach its end.") {
            reasons.pop_back();
        }
        ASSERT_EQ(reasons.size(), 1u) << said;
        const std::string &reason = reasons.front();
        // ... and says the real reason: the link and its owner, or where the folder is now, or the
        // workbook or database replaced since it was checked.
        const std::string link = sub.string() + " is a symbolic link of the user nobody";
        const std::string movedFolder =
            "moved or replaced its folder " + sub.string() + ", or a folder or link on the way to it";
        const std::string whereNow = "(in " + moved.string() + ")";
        switch (c.act) {
        case Midway::LinkPutBetweenLooks:
            EXPECT_TRUE(
                reason.find(link) != std::string::npos ||
                (reason.find(movedFolder) != std::string::npos && reason.find(whereNow) != std::string::npos))
                << reason;
            break;
        case Midway::FolderMovedBetweenLooks:
            EXPECT_NE(reason.find(movedFolder), std::string::npos) << reason;
            EXPECT_NE(reason.find(whereNow), std::string::npos) << reason;
            break;
        default:
            EXPECT_NE(reason.find((sub / stat).string()), std::string::npos) << reason;
            EXPECT_TRUE(reason.find("another program has replaced it since it was checked") !=
                            std::string::npos ||
                        reason.find((sub / stat).string() + " is a symbolic link of the user nobody") !=
                            std::string::npos ||
                        reason.find("replaced by another program after the run had put it in place") !=
                            std::string::npos)
                << reason;
            EXPECT_EQ(reason.find(movedFolder), std::string::npos) << "the folder stayed where it was\n"
                                                                   << reason;
            break;
        }
        for (const char *generic : {"corrupted", "Can't open the file", "Permission denied", "Path not found",
                                    "No such file or directory"}) {
            EXPECT_EQ(reason.find(generic), std::string::npos) << reason;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batch, NamesChangedBetweenLooks,
    ::testing::Values(MidwayCase{"txt link put", "txt", Midway::LinkPutBetweenLooks, false},
                      MidwayCase{"xls link put", "xls", Midway::LinkPutBetweenLooks, false},
                      MidwayCase{"mdb link put", "mdb", Midway::LinkPutBetweenLooks, false},
                      MidwayCase{"txt folder moved", "txt", Midway::FolderMovedBetweenLooks, false},
                      MidwayCase{"xls folder moved", "xls", Midway::FolderMovedBetweenLooks, false},
                      MidwayCase{"mdb folder moved", "mdb", Midway::FolderMovedBetweenLooks, false},
                      MidwayCase{"xls output swapped", "xls", Midway::OutputSwappedBetweenLooks, false},
                      MidwayCase{"mdb output swapped", "mdb", Midway::OutputSwappedBetweenLooks, false}),
    [](const ::testing::TestParamInfo<MidwayCase> &info) { return testNameOf(info.param.name); });
