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
