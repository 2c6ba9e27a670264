// The street sketch in the main window and the "Set Street Configuration" command.

#include "core/Settings.h"
#include "support/TestSupport.h"
#include "ui/WindowSession.h"
#include "ui/common/EngineState.h"
#include "ui/common/SketchBox.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/mainwindow/StreetSketchPanel.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace vesk::ui {
namespace {

struct Window {
    State state;
    test::ScriptedInteraction ui;
    vesk::MemorySettings settings;
    std::unique_ptr<frmRun> w;
    Window() {
        state.AppDir = test::dataDir().string() + "/";
        state.StreetName = "Main Street";
        state.StreetHeight = 20;
        state.StreetWidth = 20;
        state.StreetLength_1 = 50;
        state.StreetLength_2 = 50;
        state.Receptor1 = state.Receptor2 = 1;
        w = std::make_unique<frmRun>(state, ui, settings);
        w->Form_Load({});
        w->showStreetData();
    }
    frmRun *operator->() { return w.get(); }
};

// Answers the next street configuration dialog: edit runs on it, then OK or Cancel.
void answerStreetDialog(std::function<void(frmStreetConfig &)> edit, bool ok) {
    test::onModal<frmStreetConfig>([edit, ok](frmStreetConfig *dialog) {
        edit(*dialog);
        ok ? dialog->btnOK_Click() : dialog->btnCancel_Click();
    });
}

TEST(MainWindowSketch, EditedStreetReachesTheStateThePanelAndTheSketch) {
    Window win;
    EXPECT_EQ(win->Label11[1]->text(), QStringLiteral("Main Street"));
    EXPECT_EQ(win->Label13[1]->text(), QStringLiteral("20 m"));
    EXPECT_EQ(win->picSketch, win->sketchPanel->boxStreet3D);
    answerStreetDialog([](frmStreetConfig &d) { d.txtStreetWidth->setText(QStringLiteral("30")); }, true);
    win->menEditStreetConfiguration_Click();
    EXPECT_DOUBLE_EQ(win.state.StreetWidth, 30.0);
    EXPECT_TRUE(win.state.ProjectChanged);
    EXPECT_EQ(win->Label13[1]->text(), QStringLiteral("30 m"));
    EXPECT_DOUBLE_EQ(win->sketchPanel->boxStreet3D->street().width_m, 30.0);
}

TEST(MainWindowSketch, CancelledStreetEditChangesNothing) {
    Window win;
    answerStreetDialog([](frmStreetConfig &d) { d.txtStreetWidth->setText(QStringLiteral("30")); }, false);
    win->menEditStreetConfiguration_Click();
    EXPECT_DOUBLE_EQ(win.state.StreetWidth, 20.0);
    EXPECT_FALSE(win.state.ProjectChanged);
}

TEST(MainWindowSketch, RouteProjectChoosesTheRouteFileInstead) {
    Window win;
    win.state.RouteMode = true;
    win.ui.files.push_back(std::nullopt);
    win->menEditStreetConfiguration_Click();
    EXPECT_TRUE(win.state.RouteFile.empty());
    EXPECT_FALSE(win.state.ProjectChanged);

    win.ui.files.push_back(std::string("/data/route.dat"));
    win->menEditStreetConfiguration_Click();
    EXPECT_EQ(win.state.RouteFile, "/data/route.dat");
    EXPECT_EQ(win->Label4->text(), QStringLiteral("/data/route.dat"));
    EXPECT_TRUE(win.state.ProjectChanged);
}

TEST(MainWindowSketch, ContextMenuCommandsActOnTheSketch) {
    Window win;
    win->picSketch->resize(300, 200);
    EXPECT_EQ(win->sketchPanel->boxStreet3D->menEdit3D(), win->menEdit3D);
    ASSERT_TRUE(win->action("menCopy3D")->isEnabled());
    win->action("menCopy3D")->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), QSize(300, 200));
}

TEST(MainWindowSketch, OpenedSampleProjectIsSketchedFromTheResetView) {
    test::TempDir dir;
    test::copyDataTree(dir.path());
    State state;
    state.AppDir = dir.path().string() + "/";
    test::ScriptedInteraction ui;
    vesk::MemorySettings settings;
    state.ViewAngle = 45; // left from an earlier project
    state.ViewZoom = 2;
    frmRun w(state, ui, settings);
    ASSERT_EQ(w.sketchPanel->TextZoom->text(), QStringLiteral("200%"));
    ASSERT_TRUE(w.Form_Load({QString::fromStdString(state.AppDir + "Working/DemoStreet.vkp")}));
    w.Form_Activate();
    ASSERT_FALSE(state.LoadFailed);
    const SketchBox *box = w.sketchPanel->boxStreet3D;
    EXPECT_DOUBLE_EQ(box->street().width_m, state.StreetWidth);
    EXPECT_DOUBLE_EQ(box->street().orientation_deg, state.StreetOrientation);
    EXPECT_TRUE(box->street().sectors[0].used);
    EXPECT_DOUBLE_EQ(box->view().angle_deg, 0.0);
    EXPECT_EQ(w.sketchPanel->TextZoom->text(), QStringLiteral("100%"));
    EXPECT_DOUBLE_EQ(state.ViewHeight, state.StreetHeight); // automatic at angle 0
}

// A value the run would refuse keeps OK disabled, saying why in the words of
// the run; so does an empty street name. The run refuses the same value
// (from a project file) with the same sentence.
TEST(MainWindowSketch, TheStreetDialogRefusesBeforeOkWhatTheRunRefusesInTheRunsWords) {
    test::Sample sample;
    test::Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    const double width = s.state.StreetWidth;
    const std::string refusal = "the street width 10000000 is out of range (0 to 100000 m).";
    struct Entry {
        QLineEdit *frmStreetConfig::*box;
        const char *text, *says;
    };
    const Entry entries[] = {
        {&frmStreetConfig::txtStreetWidth, "1e7",
         "The street width 10000000 is out of range (0 to 100000 m)."},
        {&frmStreetConfig::txtStreetLength2, "100001",
         "The street length 2 100001 is out of range (0 to 100000 m)."},
        {&frmStreetConfig::txtRecHeight, "2e5",
         "The receptor height 200000 is out of range (0 to 100000 m)."},
        {&frmStreetConfig::txtStreetName, "", "The street has no name."},
    };
    for (const Entry &e : entries) {
        SCOPED_TRACE(e.text);
        bool shown = false;
        test::onModal<frmStreetConfig>([&](frmStreetConfig *d) {
            shown = true;
            (d->*e.box)->setText(QString::fromLatin1(e.text));
            EXPECT_FALSE(d->btnOK->isEnabled());
            EXPECT_EQ(d->btnOK->toolTip().toStdString(), e.says);
            EXPECT_EQ(d->lblProblem->text().toStdString(), e.says);
            d->btnOK_Click();
            EXPECT_TRUE(d->isVisible()) << "OK does not close the dialog";
            d->btnCancel_Click();
        });
        s->menEditStreetConfiguration_Click();
        EXPECT_TRUE(shown);
        EXPECT_EQ(s.state.StreetWidth, width);
        EXPECT_FALSE(s.state.StreetName.empty());
        EXPECT_FALSE(s.state.ProjectChanged);
    }

    s.state.StreetWidth = 1e7;
    s.runToEnd();
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_EQ(s.ui.messages.back(), "The street of the project cannot be calculated:\r\n" + refusal);
}

} // namespace
} // namespace vesk::ui
