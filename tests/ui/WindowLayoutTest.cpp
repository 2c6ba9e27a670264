// The main window on the screen: at the size it opens with on a 1366 x 768
// screen every frame is in sight, on a smaller one every frame can be
// scrolled to, and each mode shows the traffic it computes with.

#include "ui/WindowSession.h"
#include "ui/mainwindow/StreetSketchPanel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

using namespace vesk;
using test::Sample;
using test::Session;
using ui::WrappingToolBar;

namespace {

// The frames each mode shows.
std::vector<QWidget *> framesOf(Session &s) {
    if (s.state.CalcMode == 0) {
        return {s->Frame5, s->Frame1, s->frmboxStreet3D, s->FrameStreetData, s->Frame3};
    }
    return {s->Frame7,          s->FrameStartEnd,  s->Frame3,       s->Frame12,
            s->FrameStreetData, s->FrameConcUnits, s->FrameEmitters};
}

QScrollArea *scrollArea(Session &s) {
    return s->findChild<QScrollArea *>(QStringLiteral("centralScroll"));
}

// The frame's rectangle in the scroll area's viewport.
QRect placeInView(Session &s, QWidget *frame) {
    QWidget *viewport = scrollArea(s)->viewport();
    return QRect(frame->mapTo(viewport, QPoint()), frame->size());
}

} // namespace

TEST(WindowLayout, AtItsSizeOnA1366x768ScreenEveryFrameOfBothModesIsInSightWithoutScrolling) {
    Sample sample;
    Session s(sample, sample.project());
    // What the window takes on such a screen: 1366 x 768 less the window frame and title bar.
    s->resize(1300, 728);
    s->show();
    for (const bool special : {false, true}) {
        special ? s->btnGeneric_Click() : s->btnSeries_Click();
        QApplication::processEvents();
        const QRect view = scrollArea(s)->viewport()->rect();
        for (QWidget *frame : framesOf(s)) {
            ASSERT_FALSE(frame->isHidden()) << frame->objectName().toStdString();
            EXPECT_TRUE(view.contains(placeInView(s, frame)))
                << frame->objectName().toStdString() << (special ? " in Special Mode" : "");
        }
    }
}

TEST(WindowLayout, OnASmallerScreenTheFramesScrollAndNoneIsCutOff) {
    Sample sample;
    Session s(sample, sample.project());
    s->resize(800, 560);
    s->show();
    QApplication::processEvents();
    QWidget *content = scrollArea(s)->widget();
    EXPECT_GT(content->width(), scrollArea(s)->viewport()->width()) << "the frames scroll";
    for (QWidget *frame : framesOf(s)) {
        const QRect place(frame->mapTo(content, QPoint()), frame->size());
        EXPECT_TRUE(content->rect().contains(place)) << frame->objectName().toStdString();
        EXPECT_GE(frame->width(), frame->minimumSizeHint().width()) << frame->objectName().toStdString();
        EXPECT_GE(frame->height(), frame->minimumSizeHint().height()) << frame->objectName().toStdString();
    }
}

TEST(WindowLayout, SpecialModeShowsItsOwnTrafficAndCalculationTheTimeSeriesTraffic) {
    Sample sample;
    Session s(sample, sample.project());
    s.state.TrafficLight = 1200;
    s.state.TrafficHeavy = 80;
    s.state.SpeedLight = 50;
    s.state.SpeedHeavy = 45;
    s->btnGeneric_Click();
    EXPECT_TRUE(s->txtADT->isHidden()) << "the time series' daily traffic plays no part in Special Mode";
    EXPECT_TRUE(s->txtSpeed->isHidden());
    ASSERT_FALSE(s->lblSpecialTraffic->isHidden());
    EXPECT_EQ(s->lblSpecialTraffic->text().toStdString(), "1200 light + 80 heavy");
    EXPECT_EQ(s->lblSpecialSpeed->text().toStdString(), "50 light, 45 heavy");
    s->btnSeries_Click();
    EXPECT_FALSE(s->txtADT->isHidden());
    EXPECT_FALSE(s->txtSpeed->isHidden());
    EXPECT_TRUE(s->lblSpecialTraffic->isHidden());
}

// ---- The window's own layout rules -------------------------------------------------------------

namespace {

const QRect kLaptop(0, 0, 1366, 768);
const QRect kDesktop(0, 0, 1920, 1080);

// Lets the event loop run until the delayed re-layout after the last resize has been done.
void settle(Session &s) {
    auto *timer = s->findChild<QTimer *>(QStringLiteral("TimerSize"));
    for (int i = 0; i < 3; ++i) { // the resize events, which start the timer
        QApplication::processEvents();
    }
    ASSERT_TRUE(test::processEventsUntil([timer] { return !timer->isActive(); }, 10));
}

// The window on a screen of the given room, shown at size.
void showOn(Session &s, const QRect &room, const QSize &size) {
    s->screenRoom = [room] { return room; };
    s->resize(size);
    s->show();
    settle(s);
}

int rounded(double value) {
    return static_cast<int>(std::nearbyint(value));
}

// Where the widget lies in the window.
QRect inWindow(Session &s, QWidget *widget) {
    return QRect(widget->mapTo(s.w.get(), QPoint()), widget->size());
}

// The controls a user works with: buttons, boxes, lists and labels, as far as they are shown.
std::vector<QWidget *> shownControls(Session &s) {
    std::vector<QWidget *> controls;
    for (QWidget *w : s->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w) ||
                             qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractItemView *>(w) ||
                             qobject_cast<QLabel *>(w);
        if (control && w->isVisibleTo(s.w.get()) && w->window() == s.w.get() &&
            !qobject_cast<QAbstractScrollArea *>(w->parentWidget() ? w->parentWidget()->parentWidget()
                                                                   : nullptr)) {
            controls.push_back(w);
        }
    }
    return controls;
}

// Every control shown lies inside the window, the frame's inside the scrolled area's view: nothing
// has to be scrolled to.
void expectEveryControlInSight(Session &s, const std::string &where) {
    QScrollArea *scroll = scrollArea(s);
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible()) << where;
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible()) << where;
    const QRect view(scroll->viewport()->mapTo(s.w.get(), QPoint()), scroll->viewport()->size());
    const QRect window = s->rect();
    int counted = 0;
    for (QWidget *control : shownControls(s)) {
        const QRect place = inWindow(s, control);
        const bool inFrame = s->Frame0->isAncestorOf(control);
        EXPECT_TRUE((inFrame ? view : window).contains(place))
            << control->objectName().toStdString() << " (" << control->metaObject()->className() << ") at "
            << place.x() << "," << place.y() << " " << place.width() << "x" << place.height() << " " << where;
        ++counted;
    }
    EXPECT_GT(counted, 40) << where;
}

} // namespace

TEST(WindowLayout, NarrowedOrLoweredTheWindowSnapsBackToTheLeastSizeOfTheFrameAndToolbar) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_NO_FATAL_FAILURE(showOn(s, kDesktop, QSize(1600, 1000)));
    const QSize frame = s->Frame0->size();
    s->resize(600, 1000);
    ASSERT_NO_FATAL_FAILURE(settle(s));
    EXPECT_EQ(s->width(), rounded(1.02 * frame.width())) << "no narrower than 1.02 x the main frame";
    s->resize(s->width(), 300);
    ASSERT_NO_FATAL_FAILURE(settle(s));
    // Below the menu bar: the toolbar and the area of the frame.
    EXPECT_EQ(s->centralWidget()->height(), rounded(1.1 * (s->Toolbar1->height() + frame.height())))
        << "no lower than 1.1 x (toolbar + main frame)";
    expectEveryControlInSight(s, "at the least size");
    // The frame is centred across the window.
    EXPECT_LE(std::abs(inWindow(s, s->Frame0).center().x() - s->rect().center().x()), 1);
}

TEST(WindowLayout, OnAScreenTooSmallForTheLeastSizeTheWindowTakesTheScreenAndTheFrameScrolls) {
    Sample sample;
    Session s(sample, sample.project());
    const QRect small(0, 0, 900, 500);
    ASSERT_NO_FATAL_FAILURE(showOn(s, small, QSize(800, 450)));
    s->resize(400, 300);
    ASSERT_NO_FATAL_FAILURE(settle(s));
    // The window's own frame and title bar take their part of the screen.
    const QSize decoration = s->frameGeometry().size() - s->size();
    EXPECT_EQ(s->size(), small.size() - decoration);
    EXPECT_TRUE(scrollArea(s)->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(scrollArea(s)->verticalScrollBar()->isVisible());
}

TEST(WindowLayout, OnAScreenTooSmallTheWindowIsFittedAgainOnceTheWindowSystemHasGivenItsFrame) {
    Sample sample;
    Session s(sample, sample.project());
    const QRect screen(0, 0, 1024, 768);
    // The window system frames the window only once it is shown: until then it adds nothing.
    QSize frame(0, 0);
    s->windowFrameSize = [&frame] { return frame; };
    ASSERT_NO_FATAL_FAILURE(showOn(s, screen, QSize(1024 - 16, 768 - 40))); // as the window opens
    ASSERT_EQ(s->height(), screen.height()) << "the test needs a least height beyond the screen's";

    // The frame and title bar come, and the window manager moves the window into them.
    frame = QSize(8, 34);
    s->move(s->pos() + QPoint(4, 30));
    ASSERT_NO_FATAL_FAILURE(settle(s));
    EXPECT_EQ(s->height() + frame.height(), screen.height()) << "the status bar is on the screen";
    EXPECT_LE(s->width() + frame.width(), screen.width());
    EXPECT_TRUE(scrollArea(s)->verticalScrollBar()->isVisible()) << "the frames scroll instead";
    const QRect status(s->statusBar()->mapTo(s.w.get(), QPoint()), s->statusBar()->size());
    EXPECT_TRUE(s->rect().contains(status));

    // Moved again with the same frame, the window keeps the size the user gives it.
    s->resize(s->width() - 100, s->height() - 50);
    ASSERT_NO_FATAL_FAILURE(settle(s));
    const QSize chosen = s->size();
    s->move(s->pos() + QPoint(10, 10));
    ASSERT_NO_FATAL_FAILURE(settle(s));
    EXPECT_EQ(s->size(), chosen);
}

namespace {

// How the window system's frame becomes known to a window that opened on a
// screen too small for it: the window manager moves the window into its
// frame, or first sends a configure whose delayed layout already sees the
// frame, then moves it or leaves it where it is.
struct FrameArrival {
    const char *name;
    bool withProject;
    bool laidOutFirst; // a resize's delayed layout runs with the frame known before any move
    bool moved;
    bool buildingFrameFirst = false; // the frame is smaller than the window for a moment before
};

void PrintTo(const FrameArrival &c, std::ostream *os) {
    *os << c.name;
}

class WindowFitOnceTheFrameIsKnown : public testing::TestWithParam<FrameArrival> {};

} // namespace

TEST_P(WindowFitOnceTheFrameIsKnown, PutsTheStatusBarOnTheScreenWhicheverEventComesFirst) {
    const FrameArrival &c = GetParam();
    Sample sample;
    Session s(sample, c.withProject ? sample.project() : "");
    const QRect screen(0, 0, 1024, 768);
    QSize frame(0, 0);
    s->windowFrameSize = [&frame] { return frame; };
    ASSERT_NO_FATAL_FAILURE(showOn(s, screen, QSize(1024 - 16, 768 - 40))); // as the window opens
    ASSERT_EQ(s->height(), screen.height()) << "the test needs a least height beyond the screen's";

    if (c.buildingFrameFirst) {
        // As a window manager builds its frame: 1 x 1 for a moment, while the window is 1024 x 728.
        frame = QSize(1, 1) - QSize(1024, 728);
        s->Form_Resize();
        ASSERT_NO_FATAL_FAILURE(settle(s));
        EXPECT_LE(s->width(), screen.width()) << "that is no frame yet";
    }
    frame = QSize(2, 25);
    if (c.laidOutFirst) {
        s->Form_Resize(); // what the window's resize event does
        ASSERT_NO_FATAL_FAILURE(settle(s));
    }
    if (c.moved) {
        s->move(s->pos() + QPoint(1, 20));
        ASSERT_NO_FATAL_FAILURE(settle(s));
    }
    EXPECT_EQ(s->height() + frame.height(), screen.height()) << "the status bar is on the screen";
    EXPECT_EQ(s->width() + frame.width(), screen.width());
    const QRect status(s->statusBar()->mapTo(s.w.get(), QPoint()), s->statusBar()->size());
    EXPECT_TRUE(s->rect().contains(status));
}

INSTANTIATE_TEST_SUITE_P(
    Screen1024x768, WindowFitOnceTheFrameIsKnown,
    testing::Values(FrameArrival{"MovedIntoTheFrame", true, false, true},
                    FrameArrival{"MovedIntoTheFrameWithoutAProject", false, false, true},
                    FrameArrival{"LaidOutThenMoved", true, true, true},
                    FrameArrival{"LaidOutThenMovedWithoutAProject", false, true, true},
                    FrameArrival{"LaidOutAndNotMovedWithoutAProject", false, true, false},
                    FrameArrival{"WhileTheFrameIsBuiltWithoutAProject", false, true, true, true}),
    [](const testing::TestParamInfo<FrameArrival> &info) { return std::string(info.param.name); });

TEST(WindowLayout, TheSizeFittedToTheFrameIsTheRoomLeftOnlyWhereTheWholeScreenHeldTheWindow) {
    const QSize screen(1024, 768), frame(2, 25);
    struct Case {
        QSize size, fitted;
    };
    for (const Case &c : {Case{{1024, 768}, {1022, 743}}, // stretched to the whole screen: fitted both ways
                          Case{{1023, 760}, {1022, 743}}, // between the room left and the whole screen
                          Case{{1022, 743}, {1022, 743}}, // fits already
                          Case{{900, 600}, {900, 600}},   // smaller: kept
                          Case{{1100, 768}, {1100, 743}}, // wider than the screen: not the rules' doing, kept
                          Case{{1024, 900}, {1022, 900}}}) // taller than the screen: kept
    {
        EXPECT_EQ(ui::frmRun::fittedToFrame(c.size, frame, screen), c.fitted)
            << c.size.width() << "x" << c.size.height();
    }
    EXPECT_EQ(ui::frmRun::fittedToFrame({1024, 768}, {0, 0}, screen), QSize(1024, 768)) << "no frame yet";
}

TEST(WindowLayout, AToolbarThatFitsOneRowIsLeftOneRowWithTheCountryBoxAtItsRightEnd) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_NO_FATAL_FAILURE(showOn(s, kDesktop, QSize(1600, 1000)));
    ASSERT_EQ(s->Toolbar1->rows(), 1);
    EXPECT_EQ(s->Toolbar1->height(), s->Toolbar1->heightForRows(1));
    const int row = s->Toolbar1->buttonHeight();
    for (QAction *key : s->Toolbar1->actions()) {
        if (!key->isSeparator()) {
            QWidget *button = s->Toolbar1->widgetForAction(key);
            EXPECT_EQ(button->y(), WrappingToolBar::kMargin_px) << key->objectName().toStdString();
            EXPECT_LE(button->geometry().right(), s->cmbCountry->x()) << key->objectName().toStdString();
        }
    }
    // The country box and the mode button end 300 twips (20 px) from the right, 100 twips (7 px) apart,
    // centred on the row.
    EXPECT_EQ(s->btnReturnStd->x() + s->btnReturnStd->width() + 13, s->Toolbar1->width());
    EXPECT_EQ(s->btnReturnStd->x() - (s->cmbCountry->x() + s->cmbCountry->width()), 7);
    EXPECT_LE(std::abs(s->cmbCountry->geometry().center().y() - (WrappingToolBar::kMargin_px + row / 2)), 1);
    EXPECT_LE(std::abs(s->btnReturnStd->geometry().center().y() - (WrappingToolBar::kMargin_px + row / 2)),
              1);
}

TEST(WindowLayout, TwoToolbarRowsMoveTheFrameDownByOneButtonHeightAndSixPixels) {
    Sample sample;
    Session s(sample, sample.project());
    const int oneRow = s->Toolbar1->sizeHint().width();
    const int twoRows = oneRow - 60;
    ASSERT_EQ(s->Toolbar1->rowsFor(twoRows), 2);
    // A screen only that wide (the frame scrolls across), but tall enough to centre the frame.
    ASSERT_NO_FATAL_FAILURE(showOn(s, QRect(0, 0, twoRows, 1400), QSize(oneRow, 1200)));
    ASSERT_EQ(s->Toolbar1->rows(), 1);
    const int topWithOneRow = inWindow(s, s->Frame0).y();
    s->resize(twoRows, 1200);
    ASSERT_NO_FATAL_FAILURE(settle(s));
    ASSERT_EQ(s->width(), twoRows);
    ASSERT_EQ(s->Toolbar1->rows(), 2);
    const int bh = s->Toolbar1->buttonHeight();
    EXPECT_EQ(s->Toolbar1->height(), s->Toolbar1->heightForRows(1) + bh + 6);
    EXPECT_EQ(inWindow(s, s->Frame0).y(), topWithOneRow + bh + 6);
    // The country box moves to the second row, with the keys that wrapped.
    EXPECT_LE(
        std::abs(s->cmbCountry->geometry().center().y() - (WrappingToolBar::kMargin_px + bh + 6 + bh / 2)),
        1);
    for (QAction *key : s->Toolbar1->actions()) {
        QWidget *button = s->Toolbar1->widgetForAction(key);
        if (!key->isSeparator() && button->y() > bh) {
            EXPECT_LE(button->geometry().right(), s->cmbCountry->x()) << key->objectName().toStdString();
        }
    }
}

TEST(WindowLayout, AMaximisedWindowIsNeverResizedByTheRules) {
    Sample sample;
    Session s(sample, sample.project());
    // The rules would ask for more room than the window system gives the maximised window.
    ASSERT_NO_FATAL_FAILURE(showOn(s, kDesktop, QSize(1600, 1000)));
    s->showMaximized();
    ASSERT_NO_FATAL_FAILURE(settle(s));
    ASSERT_TRUE(s->isMaximized());
    const QSize given = s->screen()->availableGeometry().size() - (s->frameGeometry().size() - s->size());
    ASSERT_LT(given.width(), rounded(1.02 * s->Frame0->width()))
        << "the test needs a screen smaller than that";
    EXPECT_EQ(s->size(), given);
    EXPECT_TRUE(s->isMaximized());
}

TEST(WindowLayout, On1366x768And1920x1080ScreensEveryControlIsInSightNarrowedLoweredWidenedAndMaximised) {
    // A 1366 x 768 screen also with a task bar and the window's title bar.
    for (const QRect &screen : {kLaptop, QRect(0, 0, 1366, 700), kDesktop}) {
        Sample sample;
        Session s(sample, sample.project());
        // Narrowed and lowered, widened to the screen's size, and as the window opens on it.
        const QSize opening(std::min(1300, screen.width() - 16), std::min(860, screen.height() - 40));
        for (const QSize &size : {QSize(300, 200), screen.size(), opening}) {
            ASSERT_NO_FATAL_FAILURE(showOn(s, screen, size));
            for (const bool special : {false, true}) {
                special ? s->btnGeneric_Click() : s->btnSeries_Click();
                ASSERT_NO_FATAL_FAILURE(settle(s));
                const std::string where = std::to_string(screen.width()) + "x" +
                                          std::to_string(screen.height()) + " screen, window asked " +
                                          std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                                          (special ? ", Special Mode" : "");
                EXPECT_LE(s->width(), screen.width()) << where;
                EXPECT_LE(s->height(), screen.height()) << where;
                expectEveryControlInSight(s, where);
            }
        }
    }
}

TEST(WindowLayout, ABorderDraggedQuicklyIsLaidOutOnceWhenTheEventLoopIsIdle) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_NO_FATAL_FAILURE(showOn(s, kDesktop, QSize(1600, 1000)));
    QSignalSpy relayouts(s->findChild<QTimer *>(QStringLiteral("TimerSize")), &QTimer::timeout);
    for (int width = 1700; width <= 1800; width += 20) {
        s->resize(width, 1000);
    }
    EXPECT_EQ(relayouts.count(), 0) << "nothing is laid out inside the resize events";
    ASSERT_NO_FATAL_FAILURE(settle(s));
    EXPECT_EQ(relayouts.count(), 1);
    EXPECT_EQ(s->width(), 1800);
    EXPECT_LE(std::abs(inWindow(s, s->Frame0).center().x() - s->rect().center().x()), 1);
}

TEST(WindowLayout, AProjectOpenedAgainAfterCloseCanBeScrolledToItsRunRowOnA1024x768Screen) {
    Sample sample;
    Session s(sample, sample.project());
    const QRect screen(0, 0, 1024, 768);
    QSize frame(0, 0);
    s->windowFrameSize = [&frame] { return frame; };
    ASSERT_NO_FATAL_FAILURE(showOn(s, screen, QSize(1024 - 16, 768 - 40))); // as the window opens
    frame = QSize(2, 25);
    s->move(s->pos() + QPoint(1, 20)); // framed by the window manager
    ASSERT_NO_FATAL_FAILURE(settle(s));
    for (const bool reopen : {false, true}) {
        if (reopen) {
            s->menClose_Click();
            ASSERT_NO_FATAL_FAILURE(settle(s));
            ASSERT_TRUE(s->Frame0->isHidden());
            s.open(sample.project());
            ASSERT_NO_FATAL_FAILURE(settle(s));
            ASSERT_FALSE(s->Frame0->isHidden());
        }
        const std::string where = reopen ? "opened again after Close" : "as opened";
        EXPECT_EQ(s->height() + frame.height(), screen.height()) << where;
        // The frames lie whole in the scrolled area, and the Run row can be scrolled into the view.
        QScrollArea *scroll = scrollArea(s);
        QWidget *content = scroll->widget();
        for (QWidget *f : framesOf(s)) {
            const QRect place(f->mapTo(content, QPoint()), f->size());
            EXPECT_TRUE(content->rect().contains(place)) << f->objectName().toStdString() << ", " << where;
        }
        scroll->ensureWidgetVisible(s->btnRun, 0, 0);
        QApplication::processEvents();
        const QRect run(s->btnRun->mapTo(scroll->viewport(), QPoint()), s->btnRun->size());
        EXPECT_TRUE(scroll->viewport()->rect().contains(run))
            << "Run at " << run.y() << ".." << run.bottom() << " in a view " << scroll->viewport()->height()
            << " high, " << where;
        scroll->verticalScrollBar()->setValue(0);
    }
}

TEST(WindowLayout, AfterSpecialModeAndBackEveryControlLiesWhereItLayBeforeOnA1024x768Screen) {
    Sample sample;
    Session s(sample, sample.project());
    s->windowFrameSize = [] { return QSize(2, 25); };
    ASSERT_NO_FATAL_FAILURE(showOn(s, QRect(0, 0, 1024, 768), QSize(1024 - 2, 768 - 25)));
    // Where each control of the main frame lies in the window, and how large it is.
    auto layout = [&s] {
        std::map<std::string, std::string> places;
        for (QWidget *w : s->Frame0->findChildren<QWidget *>()) {
            if (!w->objectName().isEmpty() && w->isVisibleTo(s.w.get())) {
                const QRect r = inWindow(s, w);
                places[w->objectName().toStdString()] = std::to_string(r.x()) + "," + std::to_string(r.y()) +
                                                        " " + std::to_string(r.width()) + "x" +
                                                        std::to_string(r.height());
            }
        }
        return places;
    };
    const std::map<std::string, std::string> before = layout();
    ASSERT_GT(before.size(), 40u);

    s->btnGeneric_Click();
    ASSERT_NO_FATAL_FAILURE(settle(s));
    s->btnSeries_Click();
    ASSERT_NO_FATAL_FAILURE(settle(s));

    const std::map<std::string, std::string> after = layout();
    for (const auto &[name, place] : before) {
        const auto found = after.find(name);
        ASSERT_NE(found, after.end()) << name << " is no longer shown";
        EXPECT_EQ(found->second, place) << name;
    }
    EXPECT_EQ(after.size(), before.size());
    // The sketch whole, no row of the panel over it.
    const QRect sketch = inWindow(s, s->picSketch);
    for (QWidget *w : s->sketchPanel->findChildren<QWidget *>()) {
        if (w->isVisibleTo(s.w.get()) && w != s->picSketch && !w->isAncestorOf(s->picSketch) &&
            !s->picSketch->isAncestorOf(w)) {
            EXPECT_FALSE(inWindow(s, w).intersects(sketch))
                << w->objectName().toStdString() << " covers the sketch";
        }
    }
}
