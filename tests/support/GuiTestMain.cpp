// GUI tests run with GoogleTest inside one QApplication (offscreen platform),
// with folders of their own for the user's configuration (the file dialogs'
// history, settings), under the watchdog, which ends a test that hangs and
// names the modal windows left open. The watches of modal windows a test
// started end with it.
#include "support/Watchdog.h"
#include "ui/ModalDialogs.h"
#include "ui/mainwindow/GuardedApplication.h"

#include <QApplication>
#include <cstdio>
#include <fstream>
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

// The offscreen platform with a screen of 1024 x 768, the least the program is
// made for, unless the tests are given a platform (or offscreen options) of
// their own. The screen's description is a file below the private folders.
QByteArray testPlatform(const std::string &folder) {
    const QByteArray given = qgetenv("QT_QPA_PLATFORM");
    if (!given.isEmpty() && given != "offscreen") {
        return given;
    }
    const std::string path = folder + "/offscreen-screen.json";
    std::ofstream file(path);
    file << R"({"windowFrameMargins": true, "screens": [{"name": "offscreen", "x": 0, "y": 0, )"
         << R"("width": 1024, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    file.close();
    if (!file) {
        std::fprintf(stderr, "cannot write %s: the offscreen screen keeps its default size\n", path.c_str());
        return "offscreen";
    }
    return QByteArray("offscreen:configfile=") + QByteArray::fromStdString(path);
}

} // namespace

int main(int argc, char **argv) {
    vesk::test::PrivateUserFolders folders; // before Qt reads HOME or XDG_CONFIG_HOME
    qputenv("QT_QPA_PLATFORM", testPlatform(folders.root()));
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
