// The Qt answers to the engine's questions and the settings store.

#include "support/TestSupport.h"
#include "ui/common/QtInteraction.h"
#include "ui/common/QtSettings.h"
#include "ui/mainwindow/GuardedApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace vesk;
using namespace vesk::ui;

namespace {
// Presses the button of the message box that opens next, once it is there.
void pressWhenShown(QMessageBox::StandardButton button, QThread **boxThread) {
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, button, boxThread] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        *boxThread = box->thread();
        box->button(button)->click();
        timer->stop();
        timer->deleteLater();
    });
    timer->start(5);
}
} // namespace

TEST(QtInteraction, AQuestionFromAWorkerThreadIsAskedOnTheUserInterfaceThread) {
    QtInteraction interaction;
    QThread *boxThread = nullptr;
    pressWhenShown(QMessageBox::No, &boxThread);
    std::atomic<bool> done{false};
    Answer answer = Answer::Cancel;
    std::thread worker([&] {
        answer = interaction.question("Save?", Buttons::YesNoCancel, Icon::Information, Answer::Yes);
        done = true;
    });
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    EXPECT_EQ(answer, Answer::No);
    EXPECT_EQ(boxThread, QCoreApplication::instance()->thread());
}

TEST(QtInteraction, FiltersInTheProgramsBarFormBecomeQtFilters) {
    const QStringList f =
        qtFilters({"VESK Project (*.vkp)|*.vkp|All (*.*)|*.*", "Text (*.txt)", "Lists|*.lst;*.ls0"});
    ASSERT_EQ(f.size(), 4);
    EXPECT_EQ(f[0], "VESK Project (*.vkp)") << "patterns named in the text are not repeated";
    EXPECT_EQ(f[1], "All (*.*)");
    EXPECT_EQ(f[2], "Text (*.txt)");
    EXPECT_EQ(f[3], "Lists (*.lst *.ls0)");
}

TEST(QtInteraction, ASaveDialogGivesANameWithoutExtensionThatOfTheChosenFilter) {
    const struct {
        const char *filter, *suffix;
    } cases[] = {{"VESK results (*.res)", "res"},
                 {"Bitmap Picture (*.bmp)", "bmp"},
                 {"Project files (*.vkp *.vkm)", "vkp"},
                 {"All (*.*)", ""},
                 {"Data (*.d?t)", ""},
                 {"*.fmt", "fmt"},
                 {"", ""}};
    for (const auto &c : cases) {
        EXPECT_EQ(filterSuffix(QString::fromLatin1(c.filter)), QString::fromLatin1(c.suffix)) << c.filter;
    }
}

TEST(QtSettings, ValuesSurviveANewSettingsObjectAndRemovedKeysGiveTheDefault) {
    test::TempDir dir;
    const QString ini = QString::fromStdString((dir.path() / "settings.ini").string());
    {
        QtSettings s(ini);
        s.setValue("MRUFiles", "0", "/w/a.vkp");
        s.setValue("MRUFiles", "1", "/w/b.vkp");
        s.setValue("Files", "LastPath", "/w/");
        s.remove("MRUFiles", "1");
        s.sync();
    }
    QtSettings again(ini);
    EXPECT_EQ(again.value("MRUFiles", "0"), "/w/a.vkp");
    EXPECT_EQ(again.value("MRUFiles", "1", "none"), "none");
    EXPECT_EQ(again.value("Files", "LastPath"), "/w/");
}

namespace {
// An object whose event handler fails as a fault of the program would.
class Throwing : public QObject {
public:
    bool event(QEvent *e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("a fault in a handler");
        }
        return QObject::event(e);
    }
};
} // namespace

TEST(GuardedApplication, AnExceptionFromAnEventHandlerIsShownAndTheProgramGoesOn) {
    auto *app = dynamic_cast<GuardedApplication *>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr) << "the tests run in the program's own application object";
    test::ScriptedInteraction ui;
    app->setInteraction(&ui);
    Throwing object;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &event));
    app->setInteraction(nullptr);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("a fault in a handler"), std::string::npos) << ui.messages[0];
}
