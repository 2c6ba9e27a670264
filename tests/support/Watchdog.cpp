#include "support/Watchdog.h"

#include "support/ProgramUnderTest.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::test {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

PrivateUserFolders::PrivateUserFolders() {
    std::string pattern = (fs::temp_directory_path() / "winvesk-test-user-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create the test's user folders below " +
                                 fs::temp_directory_path().string());
    }
    m_root = pattern;
    const struct {
        const char *variable, *folder;
    } folders[] = {{"HOME", "home"},
                   {"XDG_CONFIG_HOME", "config"},
                   {"XDG_DATA_HOME", "data"},
                   {"XDG_CACHE_HOME", "cache"},
                   {"XDG_STATE_HOME", "state"},
                   {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto &f : folders) {
        const std::string path = m_root + "/" + f.folder;
        // 0700: Qt and others refuse a runtime folder that other users may read.
        if (mkdir(path.c_str(), 0700) != 0) {
            throw std::runtime_error("cannot create " + path);
        }
        setenv(f.variable, path.c_str(), 1);
    }
}

PrivateUserFolders::~PrivateUserFolders() {
    remove();
}

void PrivateUserFolders::remove() {
    if (!m_root.empty()) {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
}

int watchdogSeconds() {
    const char *text = std::getenv("WINVESK_TEST_WATCHDOG_SECONDS");
    const int seconds = text == nullptr ? 0 : std::atoi(text);
    // The slowest engine tests take up to 3 minutes under the sanitizers on two busy cores, and
    // 1 minute in the plain build: a test still running after several times that hangs.
    const int bound = sanitizedBuild() ? 900 : 300;
    return seconds > 0 ? seconds : bound;
}

struct Watchdog::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    std::string test; // "Suite.Name" of the running test; empty between tests
    Clock::time_point start;
    int boundSeconds = 0;
    unsigned long serial = 0;
    WatchdogHooks hooks;
};

namespace {

std::atomic<unsigned long> g_serial{0};
std::mutex g_activeMutex;
std::weak_ptr<Watchdog::Shared> g_active;

class Listener : public ::testing::EmptyTestEventListener {
public:
    explicit Listener(std::shared_ptr<Watchdog::Shared> shared) : m_shared(std::move(shared)) {}
    void OnTestStart(const ::testing::TestInfo &info) override {
        {
            const std::lock_guard<std::mutex> lock(m_shared->mutex);
            m_shared->test = std::string(info.test_suite_name()) + "." + info.name();
            m_shared->start = Clock::now();
            m_shared->boundSeconds = watchdogSeconds();
            m_shared->serial = ++g_serial;
        }
        m_shared->changed.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo &) override {
        {
            const std::lock_guard<std::mutex> lock(m_shared->mutex);
            m_shared->test.clear();
        }
        m_shared->changed.notify_all();
    }

private:
    std::shared_ptr<Watchdog::Shared> m_shared;
};

[[noreturn]] void endProgram(Watchdog::Shared &shared, const std::string &why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    if (shared.hooks.beforeExit) {
        shared.hooks.beforeExit();
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(1);
}

void watch(Watchdog::Shared &shared) {
    std::unique_lock<std::mutex> lock(shared.mutex);
    while (!shared.stopping) {
        if (shared.test.empty()) {
            shared.changed.wait(lock);
            continue;
        }
        const Clock::time_point deadline = shared.start + std::chrono::seconds(shared.boundSeconds);
        if (Clock::now() < deadline) {
            // Woken when the test ends or its bound grows.
            shared.changed.wait_until(lock, deadline);
            continue;
        }
        const unsigned long serial = shared.serial;
        const std::string report = "watchdog: the test " + shared.test + " has run for more than " +
                                   std::to_string(shared.boundSeconds) +
                                   " s, far longer than any test should, and is ended";
        std::fprintf(stderr, "\n%s\n", report.c_str());
        std::fflush(stderr);
        if (!shared.hooks.endTest) {
            endProgram(shared, "watchdog: the test program ends");
        }
        const int grace = std::clamp(shared.boundSeconds / 4, 1, 15);
        lock.unlock();
        shared.hooks.endTest(report);
        lock.lock();
        const bool ended = shared.changed.wait_for(lock, std::chrono::seconds(grace), [&] {
            return shared.stopping || shared.serial != serial || shared.test.empty();
        });
        if (!ended) {
            endProgram(shared, "watchdog: the test " + shared.test + " did not end within " +
                                   std::to_string(grace) + " s of being asked to: the test program ends");
        }
    }
}

} // namespace

Watchdog::Watchdog(WatchdogHooks hooks) : m_shared(std::make_shared<Shared>()) {
    m_shared->hooks = std::move(hooks);
    {
        const std::lock_guard<std::mutex> lock(g_activeMutex);
        g_active = m_shared;
    }
    ::testing::UnitTest::GetInstance()->listeners().Append(new Listener(m_shared));
    m_thread = std::thread([shared = m_shared] { watch(*shared); });
}

Watchdog::~Watchdog() {
    {
        const std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stopping = true;
    }
    m_shared->changed.notify_all();
    m_thread.join();
}

void allowTestSeconds(int seconds) {
    std::shared_ptr<Watchdog::Shared> shared;
    {
        const std::lock_guard<std::mutex> lock(g_activeMutex);
        shared = g_active.lock();
    }
    if (!shared) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->boundSeconds = std::max(shared->boundSeconds, seconds);
    }
    shared->changed.notify_all();
}

unsigned long currentTestSerial() {
    return g_serial.load();
}

} // namespace vesk::test
