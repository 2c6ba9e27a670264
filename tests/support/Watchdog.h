#pragma once

// What the test programs' main functions share: folders of their own for the
// user's configuration, so that tests never read or write the developer's,
// and a watchdog that ends a test running far longer than any test should,
// so that a hang costs a couple of minutes rather than ctest's timeout.

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace vesk::test {

// Gives the process a home, configuration, data, cache, state and runtime
// folder of its own (HOME, XDG_CONFIG_HOME, ...), below one temporary folder
// that the object removes. Made before anything reads those variables.
class PrivateUserFolders {
public:
    PrivateUserFolders();
    ~PrivateUserFolders();
    PrivateUserFolders(const PrivateUserFolders &) = delete;
    PrivateUserFolders &operator=(const PrivateUserFolders &) = delete;

    const std::string &root() const { return m_root; }
    // Removes the folders now (also what a watchdog does before it ends the program).
    void remove();

private:
    std::string m_root;
};

// The seconds a test may run before the watchdog ends it: 300 (900 in the
// sanitizer build), or WINVESK_TEST_WATCHDOG_SECONDS when that is set to a
// positive number.
int watchdogSeconds();

// Lets the running test take up to `seconds` (a test that runs a long batch
// under the sanitizers): its bound becomes the larger of the two, also over
// a bound set by WINVESK_TEST_WATCHDOG_SECONDS. The tests after it start
// again with watchdogSeconds().
void allowTestSeconds(int seconds);

// Watches each test from its start to its end on a thread of its own. A
// test that runs longer than its bound is reported on stderr by name; then
// endTest (when given) is asked to end it, and when it has not ended after a
// further grace period, or at once without endTest, the program ends with
// exit status 1. endTest runs on the watchdog's thread and receives the
// report: it hands the work to the test's thread, which may be waiting in an
// event loop. Whatever beforeExit does runs just before the program ends.
struct WatchdogHooks {
    std::function<void(const std::string &report)> endTest;
    std::function<void()> beforeExit;
};

// The watchdog listens to the test run from its making (after
// InitGoogleTest, before RUN_ALL_TESTS) and stops its thread when destroyed.
// The grace period is a quarter of the bound, 1 to 15 seconds.
class Watchdog {
public:
    explicit Watchdog(WatchdogHooks hooks = {});
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

// A number that changes with each test that starts: work handed to another
// thread or left on a timer checks it so as not to outlive its test.
unsigned long currentTestSerial();

} // namespace vesk::test
