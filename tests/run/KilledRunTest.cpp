// A run of the program killed while its helper process reads the database
// the run writes into: a damaged database (16 bytes of its catalogue zeroed)
// on which the reading library runs long, as on the damaged inputs of
// MutationTest.cpp. Killed by a plain kill or by the out-of-memory killer,
// the run leaves no process behind, and the next run is not refused as if
// the database were still in use.

#include "run/MutationSupport.h"
#include "run/RunFixture.h"
#include "support/PlainStage.h"
#include "support/ProcessGroups.h"
#include "support/ProgramUnderTest.h"

#include <fcntl.h>
#include <fstream>

using namespace vesk;
using namespace vesk::test;

namespace {

class KilledRun : public ::testing::TestWithParam<int> {};

WINVESK_PLAIN_STAGE("*KilledRun.*", StartsTheProgram);

TEST_P(KilledRun, LeavesNoProcessAndTheNextRunIsNotRefused) {
    const int signal = GetParam();
    const fs::path source = sharedTestFile("mdb/DateTestDatabase.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    TempDir dir;
    const fs::path appDir = dir.path() / "app";
    copyTwoWeeksTree(appDir);
    const fs::path project = appDir / "Working" / "DemoStreet.vkp";
    std::string text = readFile(project);
    for (const auto &[from, to] : {std::pair<std::string, std::string>{"Out2023.txt", "Results.mdb;Hourly"},
                                   {"Stat2023.txt", "Results.mdb;Statistics"}}) {
        const std::size_t at = text.find("\"" + from + "\"");
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at + 1, from.size(), to);
    }
    std::ofstream(project, std::ios::binary | std::ios::trunc) << text;
    const fs::path database = appDir / "Working" / "Results.mdb";
    std::ofstream(database, std::ios::binary) << accessFileItsReaderRunsAwayOn(source);
    const fs::path log = dir.path() / "run.log";

    ProcessGroup run([&] {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_RDONLY);
        if (out < 0 || null < 0) {
            return 126;
        }
        dup2(null, 0);
        dup2(out, 1);
        dup2(out, 2);
        const std::string binary = vesk::test::winveskBinary();
        const std::vector<std::string> args = {binary, project.string(), "1", "20230309",
                                               "1",    "20230322",       "24"};
        std::vector<char *> argv;
        for (const std::string &a : args) {
            argv.push_back(const_cast<char *>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        return 127;
    });
    ASSERT_TRUE(run.started());
    // The run checks the database before its first hour: its helper reads it.
    bool ended = false;
    const bool reading = waitUntil(
        [&] {
            ended = run.waitLeader(0);
            return ended || !liveChildrenOf(run.leader()).empty();
        },
        120);
    ASSERT_TRUE(reading && !ended) << "the run's helper was not seen reading; the run said:\n"
                                   << readFile(log);
    kill(run.leader(), signal);
    ASSERT_TRUE(run.waitLeader(30)) << "the run did not end";
    EXPECT_EQ(run.waitForTheGroup(30), std::vector<pid_t>{}) << "processes of the run live on";

    // The next run writes a new database (its lock file left over by the run killed).
    fs::remove(database);
    const IsolatedResult next = batchInChild(appDir, project, false);
    ASSERT_EQ(next.end, IsolatedEnd::Finished);
    EXPECT_EQ(next.bytes.substr(0, 1), "0") << next.bytes;
    EXPECT_EQ(next.bytes.find("in use"), std::string::npos) << next.bytes;
}

INSTANTIATE_TEST_SUITE_P(Signals, KilledRun, ::testing::Values(SIGTERM, SIGKILL),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param == SIGTERM ? "PlainKill" : "OutOfMemoryKiller");
                         });

} // namespace
