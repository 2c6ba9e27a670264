// The engine tests run with folders of their own for the user's configuration
// and under the watchdog, which ends a test that hangs.
#include "support/Watchdog.h"

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    vesk::test::PrivateUserFolders folders;
    ::testing::InitGoogleTest(&argc, argv);
    vesk::test::Watchdog watchdog({{}, [&folders] { folders.remove(); }});
    return RUN_ALL_TESTS();
}
