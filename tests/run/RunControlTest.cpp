#include "run/RunControl.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace vesk;

TEST(RunControl, StopWakesARunWaitingWhilePaused) {
    RunControl control;
    control.requestPause();
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        control.requestStop();
    });
    EXPECT_TRUE(control.waitWhilePaused());
    EXPECT_TRUE(control.StopRequested());
    stopper.join();
}

TEST(RunControl, ContinueReleasesThePauseWithoutStopping) {
    RunControl control;
    control.requestPause();
    std::thread resumer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        control.requestContinue();
    });
    EXPECT_TRUE(control.waitWhilePaused());
    EXPECT_FALSE(control.StopRequested());
    EXPECT_FALSE(control.PauseRequested());
    resumer.join();
    EXPECT_FALSE(control.waitWhilePaused());
}

TEST(RunControl, CountsTheThreadsHeldWhilePausedUntilContinue) {
    RunControl control;
    control.requestPause();
    std::thread waiters[2];
    for (std::thread &t : waiters) {
        t = std::thread([&] { control.waitWhilePaused(); });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (control.threadsHeld() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(control.threadsHeld(), 2);
    control.requestContinue();
    for (std::thread &t : waiters) {
        t.join();
    }
    EXPECT_EQ(control.threadsHeld(), 0);
    EXPECT_FALSE(control.waitWhilePaused());
    EXPECT_EQ(control.threadsHeld(), 0) << "a call that does not wait holds no thread either";
}
