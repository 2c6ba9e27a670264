// Two runs writing into one workbook or database. A run holds every table
// file it writes from binding to its end, so a second run, in batch or from
// the window, is refused before its first hour with a message naming the
// file, and waits for nothing; once the first has ended, the second writes
// its table beside the first one's, which is never reverted.

#include "run/RunFixture.h"

#include "platform/tables/TableLock.h"
#include "platform/tables/Tables.h"
#include "support/PlainStage.h"

#include <fcntl.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

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

class SharedTableFiles : public RunFixture {
protected:
    SharedTableFiles() {
        for (const char *name : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", "DemoStreet.trf"}) {
            fs::copy_file(dataDir() / "Working" / name, work(name));
        }
    }

    // The sample project writing its hours to `hourly` and its statistics to `statistics`.
    std::string sample(const std::string &hourly, const std::string &statistics) const {
        std::string text = readFile(dataDir() / "Working" / "DemoStreet.vkp");
        for (const auto &[from, to] :
             {std::pair<std::string, std::string>{"\"Out2023.txt\"", "\"" + hourly + "\""},
              std::pair<std::string, std::string>{"\"Stat2023.txt\"", "\"" + statistics + "\""}}) {
            const auto at = text.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            text.replace(at, from.size(), to);
        }
        return text;
    }
    // The first days of 2023 for the run of this process.
    void firstDays(int days) {
        state.StartAuto = state.EndAuto = false;
        state.StartDate = {2023, 1, 1};
        state.StartHour = 1;
        state.EndDate = {2023, 1, days};
        state.EndHour = 24;
    }
    // The short run in batch, in a process of its own: the first day.
    ProgramRun shortRun() const {
        return runWinvesk({work("Short.vkp").string(), "1", "20230101", "1", "20230101", "24"}, 120);
    }
    std::size_t rowsOf(const std::string &file, const std::string &table) const {
        TableData t;
        std::string error;
        EXPECT_TRUE(readTable(work(file).string(), table, &t, &error)) << error;
        return t.rows.size();
    }
};

class SharedTableFileKinds : public SharedTableFiles, public testing::WithParamInterface<const char *> {};

WINVESK_PLAIN_STAGE("*SharedTableFileKinds.*", OtherProcesses);

TEST_P(SharedTableFileKinds, ABatchRunIntoAFileALongerRunWritesIsRefusedBeforeItsFirstHour) {
    const std::string book = std::string("Book.") + GetParam();
    const std::string path = work(book).string();
    writeWork("Short.vkp", sample(book + ";Short", "ShortStat.txt"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Long.vkp", sample(book + ";Long", "LongStat.txt")));
    firstDays(3);

    ProgramRun during;
    AtFirstHour observer;
    observer.then = [&] { during = shortRun(); };
    ASSERT_EQ(run(&observer).outcome, RunOutcome::Completed) << said();
    ASSERT_TRUE(observer.done);
    EXPECT_FALSE(during.timedOut) << "the second run waits for nothing";
    EXPECT_EQ(during.status, 1) << during.output;
    EXPECT_NE(during.output.find("The file " + path + " is being written by another run of the program"),
              std::string::npos)
        << during.output;
    EXPECT_EQ(during.output.find("Network Drive"), std::string::npos) << during.output;
    EXPECT_FALSE(fs::exists(work("ShortStat.txt"))) << "refused before its first hour: nothing written";
    EXPECT_EQ(rowsOf(book, "Long"), 72u);
    if (during.status == 0 && tableKindOfFile(path) != TableKind::Lotus) {
        std::vector<TableInfo> tables;
        std::string error;
        ASSERT_TRUE(listTables(path, &tables, &error)) << error;
        EXPECT_EQ(tables.size(), 2u) << "the table of a run that ended well was reverted by the other";
    }
    EXPECT_FALSE(fs::exists(tables::tableLockPath(path)));

    // Once the long run has ended the short one writes its table beside it.
    const ProgramRun after = shortRun();
    EXPECT_EQ(after.status, 0) << after.output;
    EXPECT_EQ(rowsOf(book, "Short"), 24u);
    if (tableKindOfFile(path) != TableKind::Lotus) {
        EXPECT_EQ(rowsOf(book, "Long"), 72u) << "the long run's table is kept, not reverted";
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SharedTableFileKinds, testing::Values("xls", "mdb", "wk1"));

WINVESK_PLAIN_STAGE("*SharedTableFiles.*", OtherProcesses);

// The window's run, while another process (a batch run) holds the workbook.
TEST_F(SharedTableFiles, AWindowRunIntoAWorkbookAnotherProcessHoldsIsRefusedBeforeItsFirstHour) {
    const std::string path = work("Book.xls").string();
    ASSERT_NO_FATAL_FAILURE(loadProject("Long.vkp", sample("Book.xls;Long", "LongStat.txt")));
    state.BatchMode = false;
    firstDays(2);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::string before = readFile(path);
    ASSERT_NO_FATAL_FAILURE(loadProject("Window.vkp", sample("Book.xls;Window", "WindowStat.txt")));
    state.BatchMode = false;
    firstDays(1);
    {
        OtherProcess batch([&] {
            auto *lock = new tables::TableFileLock; // held to the end of the process
            std::string why;
            bool busy = false;
            return lock->acquire(path, &why, &busy);
        });
        ASSERT_TRUE(batch.holding());
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.hours, 0);
        ASSERT_EQ(ui.messages.size(), 1u) << said();
        EXPECT_EQ(ui.messages[0], "The file " + path + " is being written by another run of the program (" +
                                      heldBy(batch.pid()) +
                                      "): it cannot be written now. Run again once that run has ended.\r\n" +
                                      path + ";Window");
        EXPECT_EQ(readFile(path), before);
        EXPECT_FALSE(fs::exists(work("WindowStat.txt")));
    }
    ui.messages.clear();
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(rowsOf("Book.xls", "Long"), 48u);
    EXPECT_EQ(rowsOf("Book.xls", "Window"), 24u);
}

// Access keeps a lock file (.ldb) beside a database it has open.
TEST_F(SharedTableFiles, ARunIntoADatabaseAnotherProgramHasOpenIsRefusedBeforeItsFirstHour) {
    const std::string path = work("Book.mdb").string();
    ASSERT_NO_FATAL_FAILURE(loadProject("Long.vkp", sample("Book.mdb;Long", "LongStat.txt")));
    firstDays(2);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::string before = readFile(path);
    writeWork("Short.vkp", sample("Book.mdb;Short", "ShortStat.txt"));
    const std::string ldb = work("Book.ldb").string();
    {
        OtherProcess access([&] { return open(ldb.c_str(), O_RDWR | O_CREAT, 0644) >= 0; });
        ASSERT_TRUE(access.holding());
        const ProgramRun r = shortRun();
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find("The Access file " + path + " is in use by another program (it holds " + ldb +
                                " open): its tables cannot be written now."),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(readFile(path), before);
    }
    // Left behind by the program that ended, it holds nothing.
    ASSERT_TRUE(fs::exists(ldb));
    const ProgramRun r = shortRun();
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(rowsOf("Book.mdb", "Long"), 48u);
    EXPECT_EQ(rowsOf("Book.mdb", "Short"), 24u);
}

// A database that cannot be written at the end of the run (here damaged
// while the run was computing) is named with the writer's own reason, not
// the standard guess of a disconnected drive.
TEST_F(SharedTableFiles, ADatabaseThatCannotBeWrittenIsNamedWithTheWritersReason) {
    const std::string path = work("Book.mdb").string();
    ASSERT_NO_FATAL_FAILURE(loadProject("Long.vkp", sample("Book.mdb;Long", "LongStat.txt")));
    firstDays(1);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::string whole = readFile(path);
    ASSERT_NO_FATAL_FAILURE(loadProject("Short.vkp", sample("Book.mdb;Short", "ShortStat.txt")));
    firstDays(1);
    AtFirstHour observer;
    observer.then = [&] { writeWork("Book.mdb", whole.substr(0, whole.size() / 2 + 100)); };
    const RunReport report = run(&observer);
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_NE(report.error.find("Can't write to \r\n" + path + ";Short\r\n"), std::string::npos)
        << report.error;
    EXPECT_NE(report.error.find("the Access file " + path), std::string::npos) << report.error;
    EXPECT_EQ(report.error.find("Network Drive"), std::string::npos) << report.error;
}

} // namespace
