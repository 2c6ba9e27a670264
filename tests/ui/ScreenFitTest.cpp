// Every window of the program on a 1024 x 768 screen, the screen of the test
// programs: it opens within the screen's room, frame and title bar included,
// and every button it shows lies inside it, in sight or in a scroll area that
// can be scrolled to it.

#include "ui/common/ScreenFit.h"
#include "ui/WindowSession.h"
#include "ui/common/HelpSystem.h"
#include "ui/common/HelpWindow.h"
#include "ui/editors/frmListEditor.h"
#include "ui/editors/frmTrafficEditor.h"
#include "ui/inputdef/frmListTables.h"
#include "ui/inputdef/frmNewStreet.h"
#include "ui/inputdef/frmTextEditor.h"
#include "ui/inputdef/frmViewFile.h"
#include "ui/results/MDIGraphics.h"
#include "ui/results/frmMultiStreetResults.h"
#include "ui/results/frmSelGraph.h"
#include "ui/results/frmShowResults.h"
#include "ui/settings/frmCountries.h"
#include "ui/settings/frmCountrySelOptions.h"
#include "ui/settings/frmProjectType.h"
#include "ui/tools/ToolWindows.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

const QRect kScreen(0, 0, 1024, 768);

std::string text(const QRect &r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
           std::to_string(r.height());
}

std::string nameOf(const QWidget *w) {
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    const auto *button = qobject_cast<const QAbstractButton *>(w);
    return name.toStdString() + (button && !button->text().isEmpty()
                                     ? " \"" + button->text().toStdString() + "\""
                                     : std::string());
}

// Whether all of widget can be seen in its window: each widget around it
// holds it whole, except that what lies in a scroll area's content can be
// scrolled into its view. Otherwise where it is cut off.
bool reachable(const QWidget *widget, std::string *where) {
    const QWidget *window = widget->window();
    QRect part(QPoint(), widget->size());
    for (const QWidget *w = widget; w != window; w = w->parentWidget()) {
        const QWidget *parent = w->parentWidget();
        part.translate(w->pos());
        const auto *area = qobject_cast<const QAbstractScrollArea *>(parent->parentWidget());
        if (area != nullptr && area->viewport() == parent) {
            // Scrolled into view: the view itself must be in sight.
            part = parent->rect();
            continue;
        }
        if (!parent->rect().contains(part)) {
            *where = "cut off by " + nameOf(parent) + " (" + text(part) + " in " + text(parent->rect()) + ")";
            return false;
        }
    }
    return true;
}

// The window's frame lies within the screen's room, and so does every
// button it shows (it shows some, unless it is a window without any).
void expectWithinScreen(QWidget *window, const std::string &what, bool withButtons = true) {
    QApplication::processEvents(); // the fit's resize laid out
    const std::string name =
        what + " (" + window->metaObject()->className() + " \"" + window->windowTitle().toStdString() + "\")";
    const QRect room = window->screen()->availableGeometry();
    EXPECT_TRUE(room.contains(window->frameGeometry()))
        << name << ": frame " << text(window->frameGeometry()) << " on a screen of " << text(room);
    // Its buttons, and the menu bar of a window that has one.
    int controls = 0;
    for (const QWidget *c : window->findChildren<QWidget *>()) {
        if ((!qobject_cast<const QAbstractButton *>(c) && !qobject_cast<const QMenuBar *>(c)) ||
            c->window() != window || !c->isVisibleTo(window)) {
            continue;
        }
        ++controls;
        std::string where;
        EXPECT_TRUE(reachable(c, &where)) << name << ": " << nameOf(c) << " " << where;
    }
    EXPECT_EQ(controls > 0, withButtons) << name << ": " << controls << " buttons";
}

// Each modal window that opens while the object lives is checked, then
// answered (when answer does) or closed.
struct CheckEachModal {
    std::string opener;                    // what opened them, for messages
    std::set<std::string> seen;            // their classes
    std::function<bool(QWidget *)> answer; // true when it has answered the window
    test::OnEachModal<QWidget> watch{[this](QWidget *window) {
        seen.insert(window->metaObject()->className());
        expectWithinScreen(window, "opened from " + opener);
        if (!answer || !answer(window)) {
            test::closeDialog(window);
        }
    }};
    void expectSeen(std::initializer_list<const char *> kinds) const {
        for (const char *kind : kinds) {
            EXPECT_TRUE(seen.count(std::string("vesk::ui::") + kind)) << kind << " was not opened";
        }
    }
};

// The results window given to the main window's hook, shown as the program shows it.
void checkResultsWindow(QDialog &window, const std::string &what) {
    window.show();
    expectWithinScreen(&window, what);
    if (auto *results = qobject_cast<ui::frmShowResults *>(&window)) {
        results->menNumbers_Click(); // its Format dialogs, checked as they open
        results->menColumns_Click();
    }
    window.hide();
}

} // namespace

TEST(ScreenFit, TheTestsRunOnA1024x768Screen) {
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry(), kScreen);
}

TEST(ScreenFit, AFrameIsMadeAsSmallAsTheRoomAsFarAsItsLeastSizeAllowsAndMovedIntoIt) {
    const QRect room(0, 0, 1024, 740); // a task bar below
    struct Case {
        const char *what;
        QRect frame;
        QSize least;
        QRect fitted;
    };
    for (const Case &c : {
             Case{"inside: kept", {100, 50, 600, 400}, {300, 200}, {100, 50, 600, 400}},
             Case{"sticking out right and below: moved in",
                  {700, 500, 600, 400},
                  {300, 200},
                  {424, 340, 600, 400}},
             Case{"left of and above the room: moved in", {-30, -10, 600, 400}, {300, 200}, {0, 0, 600, 400}},
             Case{"wider than the room: as wide, at its left",
                  {40, 60, 1184, 724},
                  {838, 655},
                  {0, 16, 1024, 724}},
             Case{"higher than the room: as high", {10, 0, 700, 900}, {300, 200}, {10, 0, 700, 740}},
             Case{"least size beyond the room: title bar kept in it",
                  {200, 100, 1300, 900},
                  {1213, 800},
                  {0, 0, 1213, 800}},
         }) {
        EXPECT_EQ(ui::fittedFrame(c.frame, c.least, room), c.fitted)
            << c.what << ": " << text(ui::fittedFrame(c.frame, c.least, room));
    }
    EXPECT_EQ(ui::fittedFrame(QRect(5, 5, 2000, 2000), QSize(), QRect()), QRect(5, 5, 2000, 2000))
        << "no screen: left as it is";
}

TEST(ScreenFit, AWindowLargerThanTheScreenIsMadeSmallerAndMovedIntoTheRoomAsItIsShown) {
    QDialog dialog;
    auto *column = new QVBoxLayout(&dialog);
    auto *ok = new QPushButton(QStringLiteral("OK"), &dialog);
    column->addStretch();
    column->addWidget(ok);
    dialog.resize(1300, 900);
    dialog.move(300, 200);
    dialog.show();
    expectWithinScreen(&dialog, "a dialog asked to be 1300 x 900");
    EXPECT_GE(dialog.width(), 1024 - 40) << "as wide as the screen leaves it";

    // The user moves it half off the screen: it is left there.
    dialog.move(600, 300);
    QApplication::processEvents();
    EXPECT_EQ(dialog.pos(), QPoint(600, 300));
    // Shown again, it is fitted again.
    dialog.hide();
    dialog.show();
    expectWithinScreen(&dialog, "the dialog shown again");
}

TEST(ScreenFit, TheToolProgramsWindowsOpenWithinTheScreen) {
    Sample sample;
    State state;
    test::ScriptedInteraction ui;
    ASSERT_TRUE(ui::setUpToolState(state, sample.appDir, "Demoland", ui));
    const std::string lists = sample.appDir + "Lists/National/DL/";
    for (const ToolWindow tool : {ToolWindow::TrafficEditor, ToolWindow::EmissionFactors}) {
        const ToolCommandLine line{tool, lists + "Fleet2020.vlf", lists + "Fuels2020.flf", 2020, "Demoland"};
        bool shown = false;
        ui::showToolWindow(state, line, ui, [&](QDialog &window) {
            shown = true;
            window.show();
            expectWithinScreen(&window,
                               tool == ToolWindow::TrafficEditor ? "--traffic-editor" : "--emission-factors");
            window.hide();
        });
        EXPECT_TRUE(shown);
    }
}

TEST(ScreenFit, EveryWindowTheMainWindowsMenusOpenLiesWithinTheScreen) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->show();
    QApplication::processEvents();
    s->runTrafficEditor = [](ui::frmTrafficEditor &d) {
        d.show();
        expectWithinScreen(&d, "View/Edit Traffic Data");
        d.hide();
    };
    s->runListEditor = [](ui::frmListEditor &d) {
        d.show();
        expectWithinScreen(&d, "the list editor");
        d.hide();
    };
    CheckEachModal modal;
    const auto trigger = [&](const char *name) {
        QAction *command = s->action(QString::fromLatin1(name));
        ASSERT_NE(command, nullptr) << name;
        modal.opener = name;
        command->trigger();
        QApplication::processEvents();
    };
    for (const char *name : {"menEditStreetConfiguration", "menConcUnit", "menOptions", "menEditTrf",
                             "menEditVehicleList", "menEditFuelList", "menNewTrfFile", "menOpenVehicleList",
                             "menOpenFuelList", "menPollutants", "menPercentiles", "menLimitVal",
                             "menMetBackFiles", "menCities", "menStdTrfFiles", "menScenarios", "menAbout"}) {
        ASSERT_NO_FATAL_FAILURE(trigger(name));
    }
    modal.opener = "View/Format";
    s.select(1, 0);
    s->btnFormatFile_Click();
    s->btnGeneric_Click(); // Special Mode's own dialog
    ASSERT_NO_FATAL_FAILURE(trigger("menEmission"));
    modal.expectSeen({"frmStreetConfig", "frmConcUnits", "frmOptions", "frmNewFileName", "frmEditPollutants",
                      "frmEditPercentiles", "frmEditLimitVal", "frmEditMetBackFiles", "frmEditCityTypes",
                      "frmEditStdTrafficFiles", "frmEditScenarios", "frmAbout", "frmFormatFile",
                      "frmEmission"});

    s->btnHelp_Click();
    ui::HelpWindow *help = s->help().window();
    ASSERT_NE(help, nullptr);
    expectWithinScreen(help, "Help");
    help->close();
}

TEST(ScreenFit, TheNewProjectDialogsOfEveryKindAndTheStreetSetLieWithinTheScreen) {
    Sample sample;
    Session s(sample, "");
    s->show();
    const std::string folder = sample.appDir + "NewProjects/";
    std::filesystem::create_directories(folder);
    s->chooseFileName = [folder](int, const QString &, const QString &) { return folder; };
    for (const int kind : {1, 2, 3}) { // single street, multi streets, route
        CheckEachModal modal;
        modal.opener = "File > New, project kind " + std::to_string(kind);
        modal.answer = [kind](QWidget *window) {
            auto *type = qobject_cast<ui::frmProjectType *>(window);
            if (type != nullptr) {
                type->ListView1_ItemClick(kind);
                type->btnOK_Click();
            }
            return type != nullptr;
        };
        s->menNew_Click();
        modal.expectSeen({"frmProjectType", "frmNewStreet"});
    }
    // The street set of a multi-street project.
    Session streets(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(streets.loaded);
    CheckEachModal modal;
    modal.opener = "Set Street Configuration of a multi-street project";
    streets->action("menEditStreetConfiguration")->trigger();
    modal.expectSeen({"frmStreetSet"});
}

// Where a window is, client area, as it reaches the screen: when its native
// window is shown, which is after its own show handling and the fit.
class PlaceAsShown : public QObject {
public:
    explicit PlaceAsShown(QWidget *window) : m_window(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~PlaceAsShown() override { QCoreApplication::instance()->removeEventFilter(this); }
    std::optional<QRect> place;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && m_window->windowHandle() != nullptr &&
            watched == m_window->windowHandle()) {
            place = m_window->geometry();
        }
        return false;
    }

private:
    QWidget *m_window;
};

TEST(ScreenFit, TheNewProjectDialogIsSizedAndPlacedBeforeItReachesTheScreenAndIsNotMovedOnceThere) {
    // A window system frames a window only once it is on the screen: a window moved or resized
    // before its frame is known lands with its title bar above the screen's edge. So the dialog
    // is given its size and place before it is shown, as every window is, and keeps them.
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->show();
    QApplication::processEvents();
    ui::frmNewStreet dialog(s.state, s.ui, nullptr, s.w.get());
    ASSERT_FALSE(dialog.CloseOnActivate);
    PlaceAsShown shown(&dialog);
    dialog.show();
    ASSERT_TRUE(shown.place.has_value()) << "the dialog's window was not seen reaching the screen";
    for (int i = 0; i < 5; ++i) { // its activation and whatever it started
        QApplication::processEvents();
    }
    EXPECT_EQ(text(dialog.geometry()), text(*shown.place)) << "moved or resized after it reached the screen";
    expectWithinScreen(&dialog, "the new-project dialog");
    // As large as its contents, as far as the screen has room: on 1024 x 768 the room's height.
    const QRect room = dialog.screen()->availableGeometry();
    EXPECT_GE(dialog.frameGeometry().height(), room.height() - 40) << text(dialog.frameGeometry());
    dialog.hide();
}

TEST(ScreenFit, TheResultsAndGraphWindowsOfRunsLieWithinTheScreen) {
    Sample sample;
    {
        Session s(sample, sample.project());
        ASSERT_TRUE(s.loaded);
        s->show();
        CheckEachModal modal;
        modal.opener = "the results window";
        s.onResultsWindow = [](QDialog &window) { checkResultsWindow(window, "the results of a run"); };
        ASSERT_NO_FATAL_FAILURE(s.runToEnd());
        ASSERT_EQ(s.resultsWindows.size(), 1u);
        modal.expectSeen({"frmFormatNumbers", "frmFormatColumns"});
    }
    {
        Session s(sample, sample.project("DemoStreets.vkm"));
        ASSERT_TRUE(s.loaded);
        s->show();
        CheckEachModal modal;
        modal.opener = "a street's results window";
        s.onResultsWindow = [](QDialog &window) {
            checkResultsWindow(window, "the results of a multi-street run");
            if (auto *list = qobject_cast<ui::frmMultiStreetResults *>(&window)) {
                list->showStreet(0); // a street's own results window, through the same hook
            }
        };
        ASSERT_NO_FATAL_FAILURE(s.runToEnd());
        ASSERT_EQ(s.resultsWindows.size(), 2u) << "the street list and a street's results";
    }
    {
        // A Special Mode run's graphs.
        const std::filesystem::path folder = sample.dir.path() / "SpecialRun";
        std::filesystem::create_directory(folder);
        for (const char *name :
             {"DemoStreet.vkp", "DemoStreet.trf", "Met2023.txt", "Back2023.txt", "Obs2023.txt"}) {
            std::filesystem::copy_file(std::filesystem::path(sample.appDir) / "Working" / name,
                                       folder / name);
        }
        Session s(sample, (folder / "DemoStreet.vkp").string());
        ASSERT_TRUE(s.loaded);
        s->show();
        s->btnGeneric_Click();
        ASSERT_NO_FATAL_FAILURE(s.runToEnd());
        CheckEachModal modal;
        modal.opener = "Graphics";
        modal.answer = [](QWidget *window) {
            auto *sides = qobject_cast<ui::frmSelGraph *>(window);
            if (sides != nullptr) {
                sides->chkReceptor[1]->setChecked(true);
                sides->btnOK_Click();
            }
            return sides != nullptr;
        };
        // Opened over the main window, also one moved down (its centre near the screen's bottom), the
        // frame is given its place within the room, not left for the window system to choose one.
        for (const int y : {0, 330}) {
            s->move(0, y);
            s->action("menGraphic")->trigger();
            ui::MDIGraphics *graphs = s->graphicsFrame();
            ASSERT_NE(graphs, nullptr);
            ASSERT_TRUE(test::processEventsUntil([&] { return graphs->GraphWindowCount() >= 1; }, 30))
                << "no graph window";
            expectWithinScreen(graphs, "Graphics over a main window at y = " + std::to_string(y));
            EXPECT_TRUE(graphs->testAttribute(Qt::WA_Moved)) << "left to the window system to place";
            s->closeProjectWindows();
            QApplication::processEvents();
        }
        modal.expectSeen({"frmSelGraph"});
    }
}

TEST(ScreenFit, AWindowOpenedOverAnotherIsMadeAsSmallAsTheRoomBeforeItIsShown) {
    // The Graphics window fits this screen's room, but not a smaller one (800 x 600): windows
    // larger than this room stand for it. Placed over another window, such a window is given a
    // size within the room, as far as its least size allows, and not only a place.
    QWidget over;
    over.setGeometry(200, 150, 600, 400);
    over.show();
    QApplication::processEvents();
    const QRect room = ui::screenRoom(&over);
    ASSERT_EQ(text(room), text(kScreen));
    struct Case {
        const char *what;
        QSize frame;      // with the frame and title bar
        QSize leastFrame; // the same for the window's least size
        QSize fitted;     // the frame's size once placed
    };
    for (const Case &c : {
             Case{"larger both ways", {1300, 900}, {}, {1024, 768}},
             Case{"wider only", {1300, 500}, {}, {1024, 500}},
             Case{"higher only", {700, 900}, {}, {700, 768}},
             Case{"least width beyond the room", {1300, 900}, {1100, 300}, {1100, 768}},
         }) {
        QWidget window;
        const QMargins m = ui::expectedDecoration(&window);
        const QSize around(m.left() + m.right(), m.top() + m.bottom());
        if (c.leastFrame.isValid()) {
            window.setMinimumSize(c.leastFrame - around);
        }
        window.resize(c.frame - around);
        ui::placeOver(&window, &over);
        // Centred over the other window where it fits, else at the room's edge.
        QRect expected(QPoint(), c.fitted);
        expected.moveCenter(over.frameGeometry().center());
        if (expected.width() >= room.width()) {
            expected.moveLeft(room.left());
        }
        if (expected.height() >= room.height()) {
            expected.moveTop(room.top());
        }
        EXPECT_EQ(text(QRect(window.pos(), window.size() + around)), text(expected)) << c.what;
    }
}

TEST(ScreenFit, TheFileWindowsAndCountryDialogsLieWithinTheScreen) {
    test::TempDir dir;
    test::ScriptedInteraction ui;
    const std::string text = dir.write("Notes.txt", "a line\r\n").string();
    ui::frmTextEditor editor(text, ui);
    ASSERT_TRUE(editor.opened());
    editor.show();
    expectWithinScreen(&editor, "the text editor");
    editor.hide();

    ui::frmViewFile viewer(text, ".", ui);
    ASSERT_TRUE(viewer.loaded());
    viewer.show();
    expectWithinScreen(&viewer, "the file viewer", false);
    viewer.hide();

    ui::frmListTables tables({"Hours$", "Days$"});
    tables.show();
    expectWithinScreen(&tables, "the table list");
    tables.hide();

    std::vector<ui::CountryEntry> countries{{"Demoland", "DL", false}};
    std::string current, code;
    ui::frmCountries list(countries, current, code, nullptr);
    list.show();
    expectWithinScreen(&list, "the country list");
    list.hide();

    ui::frmCountrySelOptions options(nullptr);
    options.show();
    expectWithinScreen(&options, "Add New Country");
    options.hide();
}
