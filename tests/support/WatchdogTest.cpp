// The test programs' main: folders of their own for the user's configuration,
// and a watchdog that ends a test running longer than its bound. The cases
// run the test program itself as a child process with a short bound.

#include "support/Watchdog.h"
#include "support/PlainStage.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>

using namespace vesk::test;

namespace {

std::string scenario() {
    const char *s = std::getenv("WINVESK_TEST_SCENARIO");
    return s == nullptr ? std::string() : std::string(s);
}

// Runs for a minute, far beyond the child's bound, unless the watchdog ends it.
class RunsForever : public ::testing::Test {
    void TestBody() override {
        std::printf("HOME=%s\n", std::getenv("HOME"));
        std::fflush(stdout);
        for (int i = 0; i < 600; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ADD_FAILURE() << "the watchdog let the test run for a minute";
    }
};

// Runs three seconds, beyond the child's bound of one second, having asked for a minute.
class TakesLongerAsAllowed : public ::testing::Test {
    void TestBody() override {
        allowTestSeconds(60);
        std::this_thread::sleep_for(std::chrono::seconds(3));
    }
};

// Prints the folder that holds the user's folders of the process.
class PrintsItsFolders : public ::testing::Test {
    void TestBody() override { std::printf("HOME=%s\n", std::getenv("HOME")); }
};

// The child's cases exist only in the child.
const bool registered = [] {
    const std::string s = scenario();
    if (s == "hang") {
        ::testing::RegisterTest("WatchdogScenario", "RunsForever", nullptr, nullptr, __FILE__, __LINE__,
                                []() -> ::testing::Test * { return new RunsForever; });
    } else if (s == "allowed") {
        ::testing::RegisterTest("WatchdogScenario", "TakesLongerAsAllowed", nullptr, nullptr, __FILE__,
                                __LINE__, []() -> ::testing::Test * { return new TakesLongerAsAllowed; });
    } else if (s == "folders") {
        ::testing::RegisterTest("WatchdogScenario", "PrintsItsFolders", nullptr, nullptr, __FILE__, __LINE__,
                                []() -> ::testing::Test * { return new PrintsItsFolders; });
    }
    return true;
}();

struct Child {
    std::string output;
    int status = -1;
};

// This test program run with the scenario and the watchdog's bound given; the
// child cannot outlive two minutes.
Child runChild(const std::string &which, int boundSeconds) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    Child c;
    // The child runs its one test whatever shard or repetition of the tests the parent runs.
    c.output =
        commandOutput("env -u GTEST_TOTAL_SHARDS -u GTEST_SHARD_INDEX -u GTEST_OUTPUT -u GTEST_REPEAT "
                      "WINVESK_TEST_SCENARIO=" +
                          which + " WINVESK_TEST_WATCHDOG_SECONDS=" + std::to_string(boundSeconds) +
                          " timeout 120 " + shellQuoted(self) + " --gtest_filter='WatchdogScenario.*' 2>&1",
                      &c.status);
    return c;
}

std::string homeOf(const std::string &output) {
    const auto at = output.find("HOME=");
    return at == std::string::npos ? std::string() : output.substr(at + 5, output.find('\n', at) - at - 5);
}

} // namespace

WINVESK_PLAIN_STAGE("Watchdog.*", OtherProcesses);

TEST(Watchdog, EndsATestThatRunsLongerThanItsBoundNamingIt) {
    const Child c = runChild("hang", 1);
    EXPECT_EQ(c.status, 1) << "124 is the outer timeout's: the watchdog did not act\n" << c.output;
    EXPECT_NE(c.output.find("watchdog: the test WatchdogScenario.RunsForever has run for more than 1 s"),
              std::string::npos)
        << c.output;
    EXPECT_EQ(c.output.find("the watchdog let the test run"), std::string::npos) << c.output;
    ASSERT_FALSE(homeOf(c.output).empty()) << c.output;
    EXPECT_FALSE(std::filesystem::exists(homeOf(c.output))) << "the ended test's folders are removed";
}

TEST(Watchdog, ATestMayAllowItselfALongerBound) {
    const Child c = runChild("allowed", 1);
    EXPECT_EQ(c.status, 0) << c.output;
    EXPECT_EQ(c.output.find("watchdog:"), std::string::npos) << c.output;
}

WINVESK_PLAIN_STAGE("PrivateUserFolders.*", OtherProcesses);

TEST(PrivateUserFolders, TheTestsHaveAHomeAndConfigurationOfTheirOwnThatIsRemovedAtTheEnd) {
    const std::string home = std::getenv("HOME");
    const std::string root = std::filesystem::path(home).parent_path().string();
    EXPECT_EQ(std::filesystem::path(root).parent_path(), std::filesystem::temp_directory_path()) << home;
    for (const char *variable :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
        const char *folder = std::getenv(variable);
        ASSERT_NE(folder, nullptr) << variable;
        EXPECT_EQ(std::filesystem::path(folder).parent_path().string(), root) << variable;
        EXPECT_TRUE(std::filesystem::is_directory(folder)) << variable;
    }
    struct stat runtime {};
    ASSERT_EQ(stat(std::getenv("XDG_RUNTIME_DIR"), &runtime), 0);
    EXPECT_EQ(runtime.st_mode & 0777, 0700u);

    // Each process has its own, gone when it has ended, also when the watchdog ended it.
    const Child ended = runChild("folders", 60);
    ASSERT_EQ(ended.status, 0) << ended.output;
    const Child ended2 = runChild("folders", 60);
    EXPECT_NE(homeOf(ended.output), homeOf(ended2.output));
    EXPECT_NE(homeOf(ended.output), home);
    EXPECT_FALSE(homeOf(ended.output).empty());
    EXPECT_FALSE(std::filesystem::exists(homeOf(ended.output))) << ended.output;
}
