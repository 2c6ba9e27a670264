// The Qt answers to the engine's questions and the settings store.

#include "support/TestSupport.h"
#include "ui/WindowSession.h"
#include "ui/common/QtInteraction.h"
#include "ui/common/QtSettings.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/mainwindow/GuardedApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace vesk;
using namespace vesk::ui;

namespace {
// Presses the button of the message box that opens next, once it is there.
void pressWhenShown(QMessageBox::StandardButton button, QThread **boxThread) {
    test::onModal<QMessageBox>([button, boxThread](QMessageBox *box) {
        *boxThread = box->thread();
        box->button(button)->click();
    });
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
    // A question never answered leaves the worker waiting for good: the test
    // ends there, and with it the test program, rather than waiting too.
    ASSERT_TRUE(test::processEventsUntil([&] { return done.load(); })) << "the question was never answered";
    worker.join();
    EXPECT_EQ(answer, Answer::No);
    EXPECT_EQ(boxThread, QCoreApplication::instance()->thread());
}

TEST(QtInteraction, AQuestionShowsExactlyTheButtonsItNamesAndTheirAnswerComesBack) {
    struct Case {
        Buttons buttons;
        QMessageBox::StandardButtons shown;
        QMessageBox::StandardButton pressed;
        Answer answer;
    };
    const Case cases[] = {
        {Buttons::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, Answer::No},
        {Buttons::YesNoCancel, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes,
         Answer::Yes},
        {Buttons::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, Answer::Cancel},
        {Buttons::RetryCancel, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, Answer::Retry},
        {Buttons::AbortRetryIgnore, QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore,
         QMessageBox::Ignore, Answer::Ignore},
    };
    QtInteraction ui;
    for (const Case &c : cases) {
        QMessageBox::StandardButtons shown;
        test::onModal<QMessageBox>([&shown, &c](QMessageBox *box) {
            shown = box->standardButtons();
            box->button(c.pressed)->click();
        });
        EXPECT_EQ(ui.question("Do you want it?", c.buttons, Icon::Question, Answer::Cancel), c.answer);
        EXPECT_EQ(shown, c.shown) << static_cast<int>(c.buttons);
    }
}

TEST(QtInteraction, FiltersInTheProgramsBarFormBecomeQtFiltersThatNameTheirPatternsOnce) {
    const QStringList f = qtFilters({"VESK Project (*.vkp)|*.vkp|All (*.*)|*.*", "Text (*.txt)",
                                     "Route data|*.dat;*.txt|Lotus 1-2-3 (WK1)|*.wk1"});
    const QStringList expected = {"VESK Project (*.vkp)", "All (*.*)", "Text (*.txt)",
                                  "Route data (*.dat *.txt)", "Lotus 1-2-3 (WK1) (*.wk1)"};
    EXPECT_EQ(f.join(QLatin1Char('|')).toStdString(), expected.join(QLatin1Char('|')).toStdString());
    EXPECT_EQ(filterExtension(f[0]).toStdString(), "vkp");
    EXPECT_EQ(filterExtension(f[1]).toStdString(), "");
    EXPECT_EQ(filterExtension(f[3]).toStdString(), "dat");
}

TEST(QtInteraction, ASavedNameWithoutExtensionTakesTheExtensionOfTheChosenFilter) {
    test::TempDir dir;
    QtInteraction ui;
    FileChoice choice;
    choice.folder = dir.path().string();
    choice.filters = {"VESK Project (*.vkp)|*.vkp|VESK Multi Streets Project (*.vkm)|*.vkm|All (*.*)|*.*"};
    choice.save = true;
    struct Case {
        const char *typed, *filter, *saved;
    };
    for (const bool focusFirst : {false, true}) {
        for (const Case &c :
             {Case{"street", "VESK Project", "street.vkp"}, Case{"streets", "VESK Multi", "streets.vkm"},
              Case{"plain", "All", "plain"}, Case{"named.txt", "VESK Project", "named.txt"}}) {
            test::typeIntoFileDialog(QString::fromLatin1(c.typed), QString::fromLatin1(c.filter), focusFirst);
            const auto chosen = ui.chooseFile(choice);
            ASSERT_TRUE(chosen.has_value()) << c.typed;
            EXPECT_EQ(*chosen, (dir.path() / c.saved).string()) << c.typed;
        }
    }
}

TEST(QtInteraction, ProjectSavedAsANameWithoutExtensionIsSavedAsAProjectFileTheOpenFilterFinds) {
    test::Sample sample;
    State state;
    state.AppDir = sample.appDir;
    QtInteraction ui;
    frmRun w(state, ui, sample.settings);
    ui.setParentWidget(&w);
    ASSERT_TRUE(w.Form_Load({QString::fromStdString(sample.project())}));
    w.Form_Activate();
    ASSERT_FALSE(state.ProjectFile.empty());
    test::typeIntoFileDialog(QStringLiteral("Copy of the street"), QStringLiteral("VESK Project"));
    w.menSaveAs_Click();
    EXPECT_EQ(state.ProjectFile, sample.appDir + "Working/Copy of the street.vkp");
    EXPECT_TRUE(std::filesystem::exists(sample.appDir + "Working/Copy of the street.vkp"));
}

namespace {
// In the file chooser that Add File opens next: Browse, the name typed into
// the file dialog and accepted, then OK. The message boxes that come up
// meanwhile (the file dialog's refusals) are answered and go to refusals.
void browseForNewName(const QString &name, std::vector<std::string> *refusals) {
    test::onModal<frmNewFileName>([name, refusals](frmNewFileName *chooser) {
        test::OnEachModal<QMessageBox> boxes([refusals](QMessageBox *box) {
            refusals->push_back(box->text().toStdString());
            box->button(box->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok)->click();
        });
        test::typeIntoFileDialog(name, QString());
        chooser->findChild<QPushButton *>(QStringLiteral("btnBrowse"))->click();
        if (chooser->nameBox()->text().isEmpty()) {
            chooser->reject();
        } else {
            chooser->okButton()->click();
        }
    });
}
} // namespace

TEST(QtInteraction, AddFileBrowseNamesANewOutputOrStatisticsFileWithTheFiltersExtension) {
    test::Sample sample;
    State state;
    state.AppDir = sample.appDir;
    QtInteraction ui;
    frmRun w(state, ui, sample.settings);
    ui.setParentWidget(&w);
    ASSERT_TRUE(w.Form_Load({QString::fromStdString(sample.project())}));
    w.Form_Activate();
    ASSERT_FALSE(state.ProjectFile.empty());
    for (const auto &[kind, name] : {std::pair{2, "New hourly"}, std::pair{4, "New statistics"}}) {
        const int before = w.List1[kind]->count();
        w.List1[kind]->setCurrentRow(before - 1);
        w.List1_Click(kind);
        std::vector<std::string> refusals;
        browseForNewName(QString::fromLatin1(name), &refusals);
        w.btnAddFile_Click();
        EXPECT_TRUE(refusals.empty()) << kind << ": " << refusals.front();
        ASSERT_EQ(w.List1[kind]->count(), before + 1) << kind;
        EXPECT_EQ(w.List1[kind]->text(before).toStdString(), std::string(name) + ".dat")
            << "named in the project's folder: stored without it";
        EXPECT_FALSE(std::filesystem::exists(state.WorkDir + name + ".dat")) << "the run writes it";
    }
}

TEST(QtInteraction, TheExtensionOfAFilterIsItsFirstPatternWithoutWildcards) {
    const struct {
        const char *filter, *suffix;
    } cases[] = {{"VESK results (*.res)", "res"},
                 {"Bitmap Picture (*.bmp)", "bmp"},
                 {"Project files (*.vkp *.vkm)", "vkp"},
                 {"All (*.*)", ""},
                 {"Data (*.d?t)", ""},
                 {"", ""}};
    for (const auto &c : cases) {
        EXPECT_EQ(filterExtension(QString::fromLatin1(c.filter)), QString::fromLatin1(c.suffix)) << c.filter;
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
