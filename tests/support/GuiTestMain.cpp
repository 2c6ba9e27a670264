// GUI tests run with GoogleTest inside one QApplication (offscreen platform),
// with folders of their own for the user's configuration (the file dialogs'
// history, settings), under the watchdog, which ends a test that hangs and
// names the modal windows left open. The watches of modal windows a test
// started end with it.
#include "support/Watchdog.h"
#include "ui/ModalDialogs.h"
#include "ui/mainwindow/GuardedApplication.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <mutex>

namespace {

class EndModalWatches : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo &) override { vesk::test::endModalWatches(); }
};

// What the test's thread found open when the watchdog asked it to end the test.
std::mutex g_foundMutex;
std::string g_found;

// Runs on the test's thread, in whatever event loop it waits in: fails the
// test that ran too long, naming the windows open, and closes them.
void endLongTest(const std::string &report, unsigned long serial) {
    if (serial != vesk::test::currentTestSerial()) {
        return; // that test has ended meanwhile
    }
    const std::string open = vesk::test::describeModalWindows();
    {
        const std::lock_guard<std::mutex> lock(g_foundMutex);
        g_found = open;
    }
    ADD_FAILURE() << report << "; open modal windows: " << open;
    vesk::test::closeModalWindows();
}

} // namespace

int main(int argc, char **argv) {
    vesk::test::PrivateUserFolders folders; // before Qt reads HOME or XDG_CONFIG_HOME
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    vesk::ui::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new EndModalWatches);
    vesk::test::WatchdogHooks hooks;
    hooks.endTest = [&app](const std::string &report) {
        const unsigned long serial = vesk::test::currentTestSerial();
        QMetaObject::invokeMethod(
            &app, [report, serial] { endLongTest(report, serial); }, Qt::QueuedConnection);
    };
    hooks.beforeExit = [&folders] {
        {
            const std::lock_guard<std::mutex> lock(g_foundMutex);
            std::fprintf(stderr, "watchdog: open modal windows: %s\n",
                         g_found.empty() ? "unknown (the test's thread handled no events)" : g_found.c_str());
        }
        folders.remove();
    };
    vesk::test::Watchdog watchdog(std::move(hooks));
    return RUN_ALL_TESTS();
}
