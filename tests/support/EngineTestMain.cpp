// The engine tests run with folders of their own for the user's configuration
// and under the watchdog, which ends a test that hangs.
// --winvesk_plain_stage_filter prints the tests of the plain stage as they
// say so themselves (support/PlainStage.h) and runs no test.
#include "support/PlainStage.h"
#include "support/Watchdog.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--winvesk_plain_stage_filter") == 0) {
            std::puts(vesk::test::plainStageFilter().c_str());
            return 0;
        }
    }
    vesk::test::PrivateUserFolders folders;
    ::testing::InitGoogleTest(&argc, argv);
    vesk::test::Watchdog watchdog({{}, [&folders] { folders.remove(); }});
    return RUN_ALL_TESTS();
}
