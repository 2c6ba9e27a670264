// The Qt answers to the engine's questions and the settings store.

#include "support/TestSupport.h"
#include "ui/WindowSession.h"
#include "ui/common/QtInteraction.h"
#include "ui/common/QtSettings.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/mainwindow/GuardedApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
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
        auto *timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [timer, &shown, &c] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->standardButtons();
                box->button(c.pressed)->click();
                timer->stop();
                timer->deleteLater();
            }
        });
        timer->start(5);
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

namespace {
// Types name into the file dialog that opens next, chooses the filter that
// begins with filterStart and accepts; message boxes that come are answered No.
void typeIntoFileDialog(const QString &name, const QString &filterStart) {
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, name, filterStart] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            box->button(box->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok)->click();
            return;
        }
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            return;
        }
        for (const QString &filter : dialog->nameFilters()) {
            if (filter.startsWith(filterStart)) {
                dialog->selectNameFilter(filter);
                Q_EMIT dialog->filterSelected(filter);
            }
        }
        dialog->selectFile(name);
        static_cast<QDialog *>(dialog)->accept(); // the dialog checks the name as the OK button does
        timer->stop();
        timer->deleteLater();
    });
    timer->start(5);
}
} // namespace

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
    for (const Case &c : {Case{"street", "VESK Project", "street.vkp"}, Case{"streets", "VESK Multi", "streets.vkm"},
                          Case{"plain", "All", "plain"}, Case{"named.txt", "VESK Project", "named.txt"}}) {
        typeIntoFileDialog(QString::fromLatin1(c.typed), QString::fromLatin1(c.filter));
        const auto chosen = ui.chooseFile(choice);
        ASSERT_TRUE(chosen.has_value()) << c.typed;
        EXPECT_EQ(*chosen, (dir.path() / c.saved).string()) << c.typed;
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
    typeIntoFileDialog(QStringLiteral("Copy of the street"), QStringLiteral("VESK Project"));
    w.menSaveAs_Click();
    EXPECT_EQ(state.ProjectFile, sample.appDir + "Working/Copy of the street.vkp");
    EXPECT_TRUE(std::filesystem::exists(sample.appDir + "Working/Copy of the street.vkp"));
}

namespace {
// Runs act on the modal widget of type T once it is open; gives up after about five seconds.
template <typename T> QTimer *whenModal(std::function<void(T *)> act) {
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        auto *widget = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!widget && ++*tries < 1000) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        if (widget) {
            act(widget);
        }
    });
    timer->start(5);
    return timer;
}

// In the file chooser that Add File opens next: Browse, the name typed into
// the file dialog and accepted, then OK. What the file dialog refused (its
// message boxes, or staying open) goes to refusals.
void browseForNewName(const QString &name, std::vector<std::string> *refusals) {
    whenModal<frmNewFileName>([name, refusals](frmNewFileName *chooser) {
        auto *boxes = new QTimer;
        QObject::connect(boxes, &QTimer::timeout, [refusals] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                refusals->push_back(box->text().toStdString());
                box->button(box->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok)->click();
            }
        });
        boxes->start(5);
        whenModal<QFileDialog>([name, refusals](QFileDialog *dialog) {
            dialog->selectFile(name);
            static_cast<QDialog *>(dialog)->accept(); // the dialog checks the name as its button does
            if (dialog->isVisible()) {
                refusals->push_back("the file dialog stayed open");
                dialog->reject();
            }
        });
        chooser->findChild<QPushButton *>(QStringLiteral("btnBrowse"))->click();
        boxes->stop();
        boxes->deleteLater();
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
        EXPECT_EQ(w.List1[kind]->text(before).toStdString(), state.WorkDir + name + ".dat");
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
