// The helpers that drive modal windows, and what the GUI test program's main
// adds: the watchdog that ends a test waiting on a window nobody answers, and
// settings that never reach the user's own.

#include "support/TestSupport.h"
#include "support/Watchdog.h"
#include "ui/WindowSession.h"
#include "ui/common/QtSettings.h"

#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QVBoxLayout>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

// A dialog that refuses OK (as a form does with a wrong entry) and says why.
class Refusing : public QDialog {
public:
    QPushButton *ok;
    int refused = 0;
    Refusing() {
        setWindowTitle(QStringLiteral("Street width"));
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(QStringLiteral("The width must be above 0 m"), this));
        ok = new QPushButton(QStringLiteral("OK"), this);
        layout->addWidget(ok);
        QObject::connect(ok, &QPushButton::clicked, this, [this] { ++refused; });
    }
};

ModalWatch quick(ModalActs acts, std::function<void(QWidget *)> act, int closeSeconds) {
    ModalWatch w;
    w.kind = "Refusing";
    w.match = [](QWidget *widget) -> QWidget * { return dynamic_cast<Refusing *>(widget); };
    w.act = std::move(act);
    w.acts = acts;
    w.closeSeconds = closeSeconds;
    return w;
}

} // namespace

TEST(ModalHelpers, ADialogThatStaysOpenAfterTheStepFailsTheTestNamingItAndIsClosed) {
    for (const ModalActs acts : {ModalActs::Once, ModalActs::UntilClosed}) {
        Refusing dialog;
        startModalWatch(quick(
            acts, [](QWidget *d) { static_cast<Refusing *>(d)->ok->click(); }, 1));
        // (Refusing has no meta-object of its own: it is named by its Qt class.)
        EXPECT_NONFATAL_FAILURE(dialog.exec(), "QDialog titled \"Street width\" showing \"The width must be "
                                               "above 0 m\" did not close within 1 s");
        EXPECT_FALSE(dialog.isVisible());
        if (acts == ModalActs::Once) {
            EXPECT_EQ(dialog.refused, 1);
        } else {
            EXPECT_GT(dialog.refused, 1) << "the step is taken again while the dialog stays open";
        }
    }
}

TEST(ModalHelpers, AnUnansweredWindowOnTopOfTheOneAwaitedFailsTheTestNamingItAndIsClosed) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Replace"), QStringLiteral("Replace the file?"),
                    QMessageBox::Yes | QMessageBox::No);
    bool acted = false;
    ModalWatch w = quick(
        ModalActs::Once, [&acted](QWidget *) { acted = true; }, 1);
    startModalWatch(std::move(w));
    EXPECT_NONFATAL_FAILURE(box.exec(),
                            "while a Refusing was awaited, QMessageBox titled \"Replace\" showing "
                            "\"Replace the file?\" stayed open for 1 s");
    EXPECT_FALSE(box.isVisible());
    EXPECT_FALSE(acted);
}

TEST(ModalHelpers, AWatchActsOnTheDialogItWasMadeForAndEndsWithItsTest) {
    // Two watches of the same kind take two dialogs in turn; a box between them is not theirs.
    std::vector<std::string> order;
    onModal<QDialog>([&order](QDialog *d) {
        order.push_back("first " + d->windowTitle().toStdString());
        d->accept();
    });
    onModal<QDialog>([&order](QDialog *d) {
        order.push_back("second " + d->windowTitle().toStdString());
        d->accept();
    });
    for (const char *title : {"A", "B"}) {
        QDialog d;
        d.setWindowTitle(QString::fromLatin1(title));
        EXPECT_EQ(d.exec(), QDialog::Accepted);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"first A", "second B"}));
    // A watch whose dialog never came does not outlive the test.
    onModal<QFileDialog>([](QFileDialog *d) { static_cast<QDialog *>(d)->done(QDialog::Accepted); });
}

TEST(ModalHelpers, AWatchEndedWithItsTestAnswersNoDialogAfterIt) {
    onModal<QFileDialog>([](QFileDialog *d) { static_cast<QDialog *>(d)->done(QDialog::Accepted); });
    endModalWatches(); // what the test program does as each test ends
    int mine = 0;
    onModal<QFileDialog>([&mine](QFileDialog *d) {
        ++mine;
        d->reject();
    });
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(files.exec(), QDialog::Rejected);
    EXPECT_EQ(mine, 1);
}

TEST(ModalHelpers, EachBoxThatOpensWhileTheObjectLivesIsAnswered) {
    std::vector<std::string> answered;
    {
        OnEachModal<QMessageBox> boxes([&answered](QMessageBox *box) {
            answered.push_back(box->text().toStdString());
            box->button(QMessageBox::Ok)->click();
        });
        for (const char *text : {"one", "two"}) {
            QMessageBox box(QMessageBox::Information, QStringLiteral("WinVESK"), QString::fromLatin1(text),
                            QMessageBox::Ok);
            box.exec();
        }
    }
    onModal<QMessageBox>([](QMessageBox *box) { box->button(QMessageBox::Ok)->click(); });
    QMessageBox after(QMessageBox::Information, QStringLiteral("WinVESK"), QStringLiteral("three"),
                      QMessageBox::Ok);
    after.exec();
    EXPECT_EQ(answered, (std::vector<std::string>{"one", "two"}));
}

TEST(ModalHelpers, ProcessEventsUntilGivesUpAfterItsBound) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(processEventsUntil([] { return false; }, 1));
    EXPECT_GE(clock.elapsed(), 1000);
    bool fired = false;
    QTimer::singleShot(10, [&fired] { fired = true; });
    EXPECT_TRUE(processEventsUntil([&fired] { return fired; }, 30));
}

TEST(ModalHelpers, DescribingTheOpenWindowsNamesEachFromTheTop) {
    EXPECT_EQ(describeModalWindows(), "none");
    std::string seen;
    onModal<QDialog>([&seen](QDialog *outer) {
        onModal<QMessageBox>([&seen](QMessageBox *box) {
            seen = describeModalWindows();
            box->button(QMessageBox::Ok)->click();
        });
        QMessageBox inner(QMessageBox::Warning, QStringLiteral("Inner"), QStringLiteral("On top"),
                          QMessageBox::Ok, outer);
        inner.exec();
        outer->accept();
    });
    QDialog outer;
    outer.setWindowTitle(QStringLiteral("Outer"));
    outer.exec();
    EXPECT_EQ(seen.rfind("QMessageBox titled \"Inner\" showing \"On top\"; QDialog titled \"Outer\"", 0), 0u)
        << seen;
}

TEST(ModalHelpers, ClosingTheOpenWindowsClosesEachFromTheTop) {
    int closed = 0;
    std::string left;
    onModal<QDialog>([&](QDialog *outer) {
        onModal<QMessageBox>([&](QMessageBox *) {
            closed = closeModalWindows();
            left = describeModalWindows();
        });
        QMessageBox inner(QMessageBox::Warning, QStringLiteral("Inner"), QStringLiteral("On top"),
                          QMessageBox::Ok, outer);
        inner.exec();
    });
    QDialog outer;
    EXPECT_EQ(outer.exec(), QDialog::Rejected);
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(left, "none");

    // A window that refuses to close is left as it is.
    struct Stubborn : QDialog {
        void done(int) override {}
        void reallyClose() { QDialog::done(QDialog::Accepted); }
    } stubborn;
    onModal<QDialog>([&closed](QDialog *d) {
        closed = closeModalWindows();
        static_cast<Stubborn *>(d)->reallyClose();
    });
    stubborn.exec();
    EXPECT_EQ(closed, 0);
}

// ---- The test program's user folders and watchdog

TEST(GuiTestFolders, QtSettingsAndTheFileDialogsStateStayInTheTestsOwnFolders) {
    const char *config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    const std::string own = std::filesystem::path(config).parent_path().string();
    const passwd *user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const std::string realHome = user->pw_dir;
    EXPECT_NE(std::getenv("HOME"), realHome);
    for (const QStandardPaths::StandardLocation where :
         {QStandardPaths::GenericConfigLocation, QStandardPaths::ConfigLocation, QStandardPaths::HomeLocation,
          QStandardPaths::GenericDataLocation, QStandardPaths::CacheLocation,
          QStandardPaths::RuntimeLocation}) {
        const std::string path = QStandardPaths::writableLocation(where).toStdString();
        EXPECT_EQ(path.rfind(own + "/", 0), 0u) << where << ": " << path;
    }
    // The store of the program's settings (QtSettings) and the one of the file dialogs' history.
    {
        ui::QtSettings settings;
        settings.setValue("Files", "LastPath", "/w/");
        settings.sync();
    }
    EXPECT_TRUE(std::filesystem::exists(std::string(config) + "/WinVESK/WinVESK.conf"));
    const std::string dialogs =
        QSettings(QSettings::UserScope, QStringLiteral("QtProject")).fileName().toStdString();
    EXPECT_EQ(dialogs, std::string(config) + "/QtProject.conf");
}

namespace {

std::string scenario() {
    const char *s = std::getenv("WINVESK_TEST_SCENARIO");
    return s == nullptr ? std::string() : std::string(s);
}

// Waits on a message box that nothing answers.
class WaitsOnAnUnansweredBox : public ::testing::Test {
    void TestBody() override {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Save?"),
                        QStringLiteral("Save the changes to the street?"),
                        QMessageBox::Yes | QMessageBox::No);
        box.exec();
        std::printf("the box was closed\n");
    }
};

// Waits without handling events: only ending the program ends it.
class WaitsWithoutEvents : public ::testing::Test {
    void TestBody() override {
        for (int i = 0; i < 600; ++i) {
            QThread::msleep(100);
        }
        ADD_FAILURE() << "the watchdog let the test run for a minute";
    }
};

const bool registered = [] {
    const std::string s = scenario();
    if (s == "unanswered") {
        ::testing::RegisterTest("WatchdogScenario", "WaitsOnAnUnansweredBox", nullptr, nullptr, __FILE__,
                                __LINE__, []() -> ::testing::Test * { return new WaitsOnAnUnansweredBox; });
    } else if (s == "blocked") {
        ::testing::RegisterTest("WatchdogScenario", "WaitsWithoutEvents", nullptr, nullptr, __FILE__,
                                __LINE__, []() -> ::testing::Test * { return new WaitsWithoutEvents; });
    }
    return true;
}();

struct Child {
    std::string output;
    int status = -1;
};

Child runChild(const std::string &which) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    Child c;
    // The child runs its one test whatever shard or repetition of the tests the parent runs.
    c.output = commandOutput("env -u GTEST_TOTAL_SHARDS -u GTEST_SHARD_INDEX -u GTEST_OUTPUT -u GTEST_REPEAT "
                             "WINVESK_TEST_SCENARIO=" +
                                 which + " WINVESK_TEST_WATCHDOG_SECONDS=2 timeout 120 " + shellQuoted(self) +
                                 " --gtest_filter='WatchdogScenario.*' 2>&1",
                             &c.status);
    return c;
}

bool has(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(GuiWatchdog, ATestWaitingOnAnUnansweredWindowFailsNamingItAndTheWindowIsClosed) {
    const Child c = runChild("unanswered");
    EXPECT_EQ(c.status, 1) << c.output;
    EXPECT_TRUE(
        has(c.output, "watchdog: the test WatchdogScenario.WaitsOnAnUnansweredBox has run for more than 2 s"))
        << c.output;
    EXPECT_TRUE(has(c.output,
                    "open modal windows: QMessageBox titled \"Save?\" showing \"Save the changes to the "
                    "street?\""))
        << c.output;
    EXPECT_TRUE(has(c.output, "the box was closed")) << "the test went on to its end\n" << c.output;
    EXPECT_TRUE(has(c.output, "[  FAILED  ] WatchdogScenario.WaitsOnAnUnansweredBox")) << c.output;
}

TEST(GuiWatchdog, ATestThatHandlesNoEventsEndsTheProgram) {
    const Child c = runChild("blocked");
    EXPECT_EQ(c.status, 1) << "124 is the outer timeout's\n" << c.output;
    EXPECT_TRUE(has(c.output, "watchdog: the test WatchdogScenario.WaitsWithoutEvents did not end within"))
        << c.output;
    EXPECT_FALSE(has(c.output, "the watchdog let the test run")) << c.output;
}
