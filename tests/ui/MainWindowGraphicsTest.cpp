// The Graphics command of the main window, up to the graphs of a Special Mode
// run of the sample street.

#include "WindowSession.h"
#include "ui/inputdef/frmViewFile.h"
#include "ui/results/MDIGraphics.h"
#include "ui/results/frmGraph.h"
#include "ui/results/frmSelGraph.h"

#include <QAction>
#include <QCheckBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vesk::test {
namespace {

// Answers the side selection, which the frame shows once it is up, with the sides given; whether it has.
std::shared_ptr<bool> answerSelection(bool side1, bool side2) {
    auto answered = std::make_shared<bool>(false);
    onModal<ui::frmSelGraph>([side1, side2, answered](ui::frmSelGraph *dialog) {
        dialog->chkReceptor[1]->setChecked(side1);
        dialog->chkReceptor[2]->setChecked(side2);
        dialog->btnOK_Click();
        *answered = true;
    });
    return answered;
}

// Handles events until the selection has been answered and the frame has opened `count` graph windows
// (half a minute at most).
void waitForWindows(ui::MDIGraphics *frame, const std::shared_ptr<bool> &answered, int count) {
    EXPECT_TRUE(processEventsUntil([&] { return *answered && frame->GraphWindowCount() >= count; }))
        << "the side selection was " << (*answered ? "" : "not ") << "answered; graph windows "
        << frame->GraphWindowCount() << " of " << count;
}

TEST(MainWindowGraphics, GraphicsIsOfferedInBothModesOnceAProjectIsOpen) {
    Sample sample;
    Session empty(sample, "");
    EXPECT_FALSE(empty->action("menGraphic")->isEnabled());
    EXPECT_FALSE(empty->toolbarKey("Graph")->isEnabled());

    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    s->btnSeries_Click();
    EXPECT_TRUE(s->action("menGraphic")->isEnabled());
    EXPECT_TRUE(s->toolbarKey("Graph")->isEnabled());
    s->btnGeneric_Click();
    EXPECT_TRUE(s->action("menGraphic")->isEnabled());
    EXPECT_TRUE(s->toolbarKey("Graph")->isEnabled());
}

TEST(MainWindowGraphics, TheToolbarKeyShowsTheOneGraphFrameAndClosingItReleasesIt) {
    Sample sample;
    Session s(sample, sample.project());
    const auto answered = answerSelection(false, false);
    s->Toolbar1_ButtonClick("Graph");
    ui::MDIGraphics *frame = s->graphicsFrame();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "Graphics");
    waitForWindows(frame, answered, 0);
    s->menGraphic_Click();
    EXPECT_EQ(s->graphicsFrame(), frame) << "shown again, not made anew";
    frame->action("menExit")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(s->graphicsFrame(), nullptr);
}

// The sample street in a folder of its own with a local option file in Special Mode.
std::filesystem::path specialModeFolder(const Sample &sample) {
    const std::filesystem::path folder = sample.dir.path() / "SpecialRun";
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(sample.project(), folder / "DemoStreet.vkp");
    for (const char *name : {"DemoStreet.trf", "Met2023.txt", "Back2023.txt", "Obs2023.txt"}) {
        std::filesystem::copy_file(std::filesystem::path(sample.appDir) / "Working" / name, folder / name);
    }
    std::string options = readFile(std::filesystem::path(sample.appDir) / "Run.opt");
    options.replace(0, options.find('\n'), " 0 \r");
    std::ofstream(folder / "Run.opt", std::ios::binary) << options;
    return folder;
}

TEST(MainWindowGraphics, ASpecialModeRunOfTheSampleStreetIsPlottedPerSideWithItsWindSpeeds) {
    Sample sample;
    const std::filesystem::path folder = specialModeFolder(sample);
    Session s(sample, (folder / "DemoStreet.vkp").string());
    ASSERT_TRUE(s.loaded);
    ASSERT_EQ(s.state.CalcMode, 0);
    s.runToEnd();
    ASSERT_TRUE(std::filesystem::exists(folder / "NOX_1.dat"))
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());

    const auto answered = answerSelection(true, true);
    s->action("menGraphic")->trigger();
    ui::MDIGraphics *frame = s->graphicsFrame();
    ASSERT_TRUE(frame);
    waitForWindows(frame, answered, 2);
    ASSERT_EQ(frame->GraphWindowCount(), 2) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    const std::vector<ui::frmGraph *> graphs = frame->graphWindows();
    for (int side = 0; side < 2; ++side) {
        const ui::GraphContent &g = graphs[static_cast<std::size_t>(side)]->graph();
        EXPECT_EQ(g.data.curveCount(), s.state.WindSpeedCount);
        EXPECT_EQ(g.data.rowCount(), 36) << "0 to 350 degrees by 10";
        std::vector<double> speeds(s.state.WindSpeeds.begin() + 1,
                                   s.state.WindSpeeds.begin() + 1 + s.state.WindSpeedCount);
        EXPECT_EQ(g.labels.speeds, speeds);
        EXPECT_GT(g.yAxisMax, 0);
        EXPECT_GE(g.yAxisMax, g.data.yMax);
    }
    EXPECT_EQ(graphs[0]->descriptor().dataFile, "NOX_1.dat");
    EXPECT_EQ(graphs[1]->descriptor().dataFile, "NOX_2.dat");
    EXPECT_FALSE(std::filesystem::exists(folder / "nox_1.gor"))
        << "the descriptors come from the program folder";
}

TEST(MainWindowGraphics, ASecondRunRedrawsTheOpenGraphsAndASideAlreadyPlottedIsBroughtForward) {
    Sample sample;
    const std::filesystem::path folder = specialModeFolder(sample);
    Session s(sample, (folder / "DemoStreet.vkp").string());
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    const auto answered = answerSelection(true, true);
    s->action("menGraphic")->trigger();
    ui::MDIGraphics *frame = s->graphicsFrame();
    ASSERT_TRUE(frame);
    waitForWindows(frame, answered, 2);
    ASSERT_EQ(frame->GraphWindowCount(), 2);
    const double before = frame->graphWindows()[0]->graph().data.yMax;

    frame->menResults_Click(1);
    EXPECT_EQ(frame->GraphWindowCount(), 2) << "side 1 is plotted already: its window comes forward";
    EXPECT_EQ(frame->activeGraph(), frame->graphWindows()[0]);

    // Twice the traffic of the fixed situation: every concentration rises.
    s.state.TrafficLight *= 2;
    s.state.TrafficHeavy *= 2;
    s.runToEnd();
    ASSERT_EQ(frame->GraphWindowCount(), 2);
    const double after = frame->graphWindows()[0]->graph().data.yMax;
    EXPECT_GT(after, before * 1.2) << "the graph shows the new run, not the old curves";
    EXPECT_TRUE(s.ui.messages.empty() || s.ui.messages.back().find("closed") == std::string::npos);

    // A graph whose data can no longer be read when a run ends is closed with a note.
    std::filesystem::remove(folder / "NOX_2.dat");
    s->refreshGraphs();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->GraphWindowCount(), 1);
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages.back().find("nox_2.gor"), std::string::npos) << s.ui.messages.back();
}

TEST(MainWindowGraphics, TheSummaryAndGraphsOfARunStayWithItWhenTheProjectIsSavedElsewhere) {
    Sample sample;
    const std::filesystem::path folder = specialModeFolder(sample);
    Session s(sample, (folder / "DemoStreet.vkp").string());
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    const std::filesystem::path elsewhere = sample.dir.path() / "Elsewhere";
    std::filesystem::create_directory(elsewhere);
    s.ui.files.push_back((elsewhere / "Moved.vkp").string());
    s->action("menSaveAs")->trigger();
    ASSERT_EQ(s.state.ProjectFile, (elsewhere / "Moved.vkp").string());
    ASSERT_TRUE(s->toolbarKey("Results")->isEnabled());

    // The results summary of the run.
    QString shown;
    onModal<ui::frmViewFile>([&shown](ui::frmViewFile *viewer) {
        shown = viewer->RichTextBox1->toPlainText();
        viewer->accept();
    });
    s.ui.messages.clear();
    s->toolbarKey("Results")->trigger();
    EXPECT_TRUE(s.ui.messages.empty()) << s.ui.messages.front();
    const std::string written = readFile(folder / "veskout.dat");
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(shown.left(20).toStdString(), written.substr(0, 20));

    // Its graphs.
    const auto answered = answerSelection(true, true);
    s->action("menGraphic")->trigger();
    ui::MDIGraphics *frame = s->graphicsFrame();
    ASSERT_TRUE(frame);
    waitForWindows(frame, answered, 2);
    EXPECT_EQ(frame->GraphWindowCount(), 2) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
}

TEST(MainWindowGraphics, NewOpenAndCloseCloseTheGraphsOfTheProjectTheyLeave) {
    Sample sample;
    const std::filesystem::path folder = specialModeFolder(sample);
    const std::string special = (folder / "DemoStreet.vkp").string();
    Session s(sample, special);
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    auto openGraphs = [&s](bool side1, bool side2) {
        const auto answered = answerSelection(side1, side2);
        s->action("menGraphic")->trigger();
        QPointer<ui::MDIGraphics> frame = s->graphicsFrame();
        if (frame) {
            waitForWindows(frame, answered, (side1 ? 1 : 0) + (side2 ? 1 : 0));
        }
        return frame;
    };
    auto deleted = [](const QPointer<ui::MDIGraphics> &frame) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return frame.isNull();
    };

    // File > New: the old project's curves do not stay beside the new project.
    QPointer<ui::MDIGraphics> frame = openGraphs(true, true);
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->GraphWindowCount(), 2);
    ASSERT_TRUE(frame->isVisible());
    const std::filesystem::path fresh = sample.dir.path() / "Fresh";
    std::filesystem::create_directory(fresh);
    s.newSingleStreetProject(fresh.string() + "/");
    ASSERT_TRUE(s.state.UntitledProject);
    EXPECT_EQ(s->graphicsFrame(), nullptr);
    EXPECT_TRUE(deleted(frame)) << "the graph frame of the previous project is closed";

    // File > Open: a cancelled file choice stays with the project and its graphs; a chosen project closes
    // them.
    s.open(special);
    ASSERT_EQ(s.state.ProjectFile, special);
    frame = openGraphs(true, false);
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->GraphWindowCount(), 1);
    s.ui.files.push_back(std::nullopt);
    s->menOpen_Click();
    EXPECT_FALSE(deleted(frame)) << "Open was cancelled: the project and its graph stay";
    EXPECT_TRUE(frame->isVisible());
    s.open(sample.project());
    ASSERT_EQ(s.state.ProjectFile, sample.project());
    EXPECT_TRUE(deleted(frame));

    // File > Close.
    frame = openGraphs(false, false);
    ASSERT_TRUE(frame);
    s->menClose_Click();
    ASSERT_TRUE(s.state.ProjectFile.empty());
    EXPECT_TRUE(deleted(frame));
    EXPECT_EQ(s->graphicsFrame(), nullptr);
}

} // namespace
} // namespace vesk::test
