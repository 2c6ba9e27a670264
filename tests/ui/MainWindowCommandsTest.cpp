// The main window's commands as a user meets them: a disabled command says
// why, the results of a run stay with the project that ran, and the graphs
// are offered where there is a Special Mode street to plot.

#include "ui/WindowSession.h"

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPalette>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

bool enabled(Session &s, const char *name) {
    return s->action(name)->isEnabled();
}

std::string statusTip(QAction *action) {
    return action->statusTip().toStdString();
}

// True when every pixel of the image is a shade of grey.
bool greyOnly(const QImage &image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 0 && (std::abs(c.red() - c.green()) > 8 || std::abs(c.green() - c.blue()) > 8)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

TEST(MainWindowCommands, ADisabledMenuItemOrToolbarKeySaysWhyAndAnEnabledOneSaysNothing) {
    Sample sample;
    Session s(sample, "");
    EXPECT_FALSE(enabled(s, "menSave"));
    EXPECT_EQ(statusTip(s->action("menSave")), "Open or create a project first.");
    EXPECT_TRUE(s->toolbarKey("Save")->toolTip().contains("Open or create a project first."))
        << s->toolbarKey("Save")->toolTip().toStdString();
    // Every command is built: none says it is missing from this version, and each disabled one says why.
    for (QAction *a : s->findChildren<QAction *>()) {
        if (a->objectName().startsWith(QLatin1String("men")) && !a->menu() && !a->isSeparator()) {
            EXPECT_FALSE(a->statusTip().contains(QLatin1String("not available in this version")))
                << a->objectName().toStdString();
            if (!a->isEnabled()) {
                EXPECT_FALSE(a->statusTip().isEmpty()) << a->objectName().toStdString() << " is disabled silently";
            }
        }
    }

    s.open(sample.project());
    ASSERT_TRUE(enabled(s, "menSave"));
    EXPECT_TRUE(s->action("menSave")->statusTip().isEmpty());
    EXPECT_EQ(s->toolbarKey("Save")->toolTip().toStdString(), "Save");
    EXPECT_EQ(statusTip(s->action("menLastResults")), "No calculation of this project has ended yet.");
    EXPECT_EQ(statusTip(s->menu("menSettings")->menuAction()),
              "The settings cannot be changed while a project is open: close the project first.");
    s.runToEnd();
    EXPECT_TRUE(enabled(s, "menLastResults"));
    EXPECT_TRUE(s->action("menLastResults")->statusTip().isEmpty());
    // What Special Mode does not use says so, not that the window is out of Special Mode.
    s->btnGeneric_Click();
    ASSERT_FALSE(s->toolbarKey("Units")->isEnabled());
    EXPECT_EQ(statusTip(s->toolbarKey("Units")), "Not available in Special Mode.");
}

TEST(MainWindowCommands, ADisabledToolbarKeyShowsItsIconInGrey) {
    Sample sample;
    Session s(sample, "");
    QAction *results = s->toolbarKey("Results");
    ASSERT_FALSE(results->isEnabled());
    auto *button = qobject_cast<QToolButton *>(s->Toolbar1->widgetForAction(results));
    ASSERT_NE(button, nullptr);
    const QSize size = s->Toolbar1->iconSize();
    EXPECT_FALSE(greyOnly(button->icon().pixmap(size, QIcon::Normal).toImage())) << "the icon has colour";
    EXPECT_TRUE(greyOnly(button->icon().pixmap(size, QIcon::Disabled).toImage()));
}

namespace {
// The lightness of the darkest pixel of a picture (0 black .. 255 white).
int darkest(const QImage &picture) {
    int least = 255;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            least = std::min(least, qGray(picture.pixel(x, y)));
        }
    }
    return least;
}
} // namespace

TEST(MainWindowCommands, EveryDisabledToolbarKeyIsDrawnAsPaleAsADisabledMenuItem) {
    Sample sample;
    Session s(sample, "");
    s->show();
    const QPalette palette = s->Toolbar1->palette();
    int disabledText = 255;
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText}) {
        disabledText = std::min(disabledText, qGray(palette.color(QPalette::Disabled, role).rgb()));
    }
    const int tolerance = 12; // edge pixels of the grey text
    for (const char *key : {"Save", "Street", "SetTRF", "TrafficNow", "VLF", "Fleet", "FLF", "Fuel", "Units",
                            "Results", "Graph"}) {
        QAction *a = s->toolbarKey(key);
        ASSERT_FALSE(a->isEnabled()) << key;
        auto *button = qobject_cast<QToolButton *>(s->Toolbar1->widgetForAction(a));
        ASSERT_NE(button, nullptr) << key;
        EXPECT_GE(darkest(button->grab().toImage()), disabledText - tolerance)
            << key << " is drawn darker than a disabled menu item: it looks usable";
    }
    // An enabled key has darker lines: the measure tells the two looks apart.
    auto *open = qobject_cast<QToolButton *>(s->Toolbar1->widgetForAction(s->toolbarKey("Open")));
    EXPECT_LT(darkest(open->grab().toImage()), disabledText - 3 * tolerance);
    s->hide();
}

TEST(MainWindowCommands, ANewProjectShowsNoResultsOfThePreviousProjectUntilItHasRun) {
    Sample sample;
    Session s(sample, sample.project());
    s.runToEnd();
    ASSERT_TRUE(enabled(s, "menLastResults"));
    std::filesystem::create_directories(sample.appDir + "Fresh");
    s.newSingleStreetProject(sample.appDir + "Fresh/");
    ASSERT_TRUE(s.state.UntitledProject);
    EXPECT_FALSE(enabled(s, "menLastResults"));
    EXPECT_FALSE(s->toolbarKey("Results")->isEnabled());
    // Neither mode hands the other project's results back.
    s->btnGeneric_Click();
    EXPECT_FALSE(enabled(s, "menLastResults"));
    s->btnSeries_Click();
    EXPECT_FALSE(enabled(s, "menLastResults"));
}

TEST(MainWindowCommands, TheResultsOfARunKeepTheNameOfTheStreetThatRan) {
    Sample sample;
    Session s(sample, sample.project());
    s.runToEnd();
    s.state.StreetName = "Renamed after the run";
    const std::size_t before = s.resultsWindows.size();
    s->menLastResults_Click();
    ASSERT_EQ(s.resultsWindows.size(), before + 1);
    EXPECT_EQ(s.resultsWindows.back().rfind("Summary of Results for Demo Street.", 0), 0u)
        << s.resultsWindows.back();
}

TEST(MainWindowCommands, GraphsAreOfferedForASingleStreetAndRefusedWithTheReasonForMultiStreetProjects) {
    Sample sample;
    Session s(sample, sample.project());
    EXPECT_TRUE(enabled(s, "menGraphic"));
    EXPECT_TRUE(s->toolbarKey("Graph")->isEnabled());
    s.open(sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.state.MultiStreetMode);
    for (QAction *graph : {s->action("menGraphic"), s->toolbarKey("Graph")}) {
        EXPECT_FALSE(graph->isEnabled());
        EXPECT_TRUE(graph->statusTip().contains("not for route and multi-street projects"))
            << graph->statusTip().toStdString();
    }
    EXPECT_TRUE(s->menu("menMode")->menuAction()->statusTip().contains("Special Mode computes one street"));
}

TEST(MainWindowCommands,
     SetTrafficFileAndViewEditTrafficDataSayWhyMultiStreetAndRouteProjectsHaveNoTrafficFile) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.state.MultiStreetMode);
    for (QAction *set : {s->action("menNewTrfFile"), s->toolbarKey("SetTRF")}) {
        ASSERT_FALSE(set->isEnabled());
        EXPECT_EQ(
            statusTip(set),
            "Each street of a multi-street project names its own traffic file in the streets data file.");
    }
    for (QAction *view : {s->action("menEditTrf"), s->toolbarKey("TrafficNow")}) {
        ASSERT_FALSE(view->isEnabled());
        EXPECT_EQ(statusTip(view), "Each street of a multi-street project names its own traffic file in the "
                                   "streets data file: open one with Open Traffic File.");
    }
    s.open(sample.project("DemoRoute.vkp"));
    ASSERT_TRUE(s.state.RouteMode);
    ASSERT_FALSE(s->toolbarKey("SetTRF")->isEnabled());
    EXPECT_EQ(statusTip(s->toolbarKey("SetTRF")),
              "Each street segment of a route project names its own traffic file in the route data file.");
    EXPECT_TRUE(s->toolbarKey("SetTRF")->toolTip().contains("in the route data file"));
    ASSERT_FALSE(s->action("menEditTrf")->isEnabled());
    EXPECT_EQ(statusTip(s->action("menEditTrf")), "Each street segment of a route project names its own "
                                                  "traffic file in the route data file: open one with Open "
                                                  "Traffic File.");
}
