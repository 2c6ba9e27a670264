// The graph frame and its graph windows: reading, drawing, zoom, arranging,
// saving, copying and printing, and the Graphics command of the main window.

#include "run/State.h"
#include "support/TestSupport.h"
#include "ui/ModalDialogs.h"
#include "ui/results/MDIGraphics.h"
#include "ui/results/frmAnimation.h"
#include "ui/results/frmGraph.h"
#include "ui/results/frmSelGraph.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <cmath>

namespace vesk::test {
namespace {

using ui::frmGraph;
using ui::GraphContent;
using ui::MDIGraphics;

const std::string kCannotOpen = "Can\u00B4t open the file";

// Lets deferred deletions and queued calls happen.
void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
}

// Five curves over 36 directions: curve c is 10·c plus a small wave.
std::string fiveCurves() {
    std::string text;
    for (int d = 0; d < 360; d += 10) {
        text += std::to_string(d);
        for (int c = 1; c <= 5; ++c) {
            text += "  " + std::to_string(10 * c + (d / 10) % 3);
        }
        text += "\r\n";
    }
    return text;
}

// A working folder with both sides' descriptors and tables, and an empty program folder.
struct GraphFolders {
    TempDir work, app;
    State state;
    ScriptedInteraction ui;
    GraphFolders() {
        state.WorkDir = work.path().string() + "/";
        state.ProjectFile = state.WorkDir + "Demo.vkp"; // a project open in work
        state.AppDir = app.path().string() + "/";
        state.WindSpeedCount = 5;
        state.WindSpeeds = {0, 1, 2, 3, 5, 8, 0, 0, 0};
        work.write("nox_1.gor", "\"NOX_1.dat\",\"NOx, side 1\"\r\n");
        work.write("nox_2.gor", "\"NOX_2.dat\",\"NOx, side 2\"\r\n");
        work.write("NOX_1.dat", fiveCurves());
        work.write("NOX_2.dat", fiveCurves());
    }
};

// A frame whose side selection chooses nothing by itself.
struct Frame {
    GraphFolders f;
    MDIGraphics frame{f.state, f.ui};
    Frame() {
        frame.runSelection = [](ui::frmSelGraph &) {};
    }
    bool enabled(const char *name) { return frame.action(name)->isEnabled(); }
    bool menuEnabled(const char *name) { return frame.menu(name)->menuAction()->isEnabled(); }
};

QColor toQColor(const GraphRgb &c) {
    return QColor(c.red, c.green, c.blue);
}

int colourDistance(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

// The pixel nearest in colour to want within two pixels up or down of (x, y).
QColor nearestInColumn(const QImage &image, double x, double y, QColor want) {
    QColor best = Qt::white;
    for (int dy = -2; dy <= 2; ++dy) {
        const QColor c = image.pixelColor(static_cast<int>(x), static_cast<int>(std::lround(y)) + dy);
        if (colourDistance(c, want) < colourDistance(best, want)) {
            best = c;
        }
    }
    return best;
}

TEST(GraphPicture, ShowsCurveOneInItsColourAndTheAxesInBlack) {
    GraphContent graph;
    for (int d = 0; d < 360; d += 10) {
        graph.data.directions.push_back(d);
    }
    graph.data.values = {std::vector<double>(36, 40.0), std::vector<double>(36, 20.0)};
    graph.data.yMax = 40;
    graph.yAxisMax = graphAxisMaximum(graph.data.yMax);
    graph.labels.speeds = {2, 5};
    ASSERT_EQ(graph.yAxisMax, 40);

    QImage image(600, 400, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter painter(&image);
    const GraphScene scene = ui::DrawGraph(painter, image.rect(), 96, 96, graph);
    painter.end();
    ASSERT_EQ(image, ui::renderGraph(QSize(600, 400), graph)) << "one routine draws every picture";

    const GraphRect &plot = scene.plot;
    const double midX = plot.left + plot.width() * 175 / 360; // between the letters and the legend
    const QColor red = toQColor(graphCurveColour(1, 2));
    const QColor curve1 = nearestInColumn(image, midX, plot.top, red); // 40 is the top of the axis
    EXPECT_LE(colourDistance(curve1, red), 60) << curve1.name().toStdString();
    const QColor curve2 =
        nearestInColumn(image, midX, (plot.top + plot.bottom) / 2, toQColor(graphCurveColour(2, 2)));
    EXPECT_LE(colourDistance(curve2, toQColor(graphCurveColour(2, 2))), 60) << curve2.name().toStdString();

    const QColor xAxis = nearestInColumn(image, midX, plot.bottom, Qt::black);
    EXPECT_LE(colourDistance(xAxis, Qt::black), 200) << xAxis.name().toStdString();
    QColor yAxis = Qt::white;
    for (int dx = -2; dx <= 2; ++dx) {
        const QColor c =
            image.pixelColor(static_cast<int>(plot.left) + dx, static_cast<int>(plot.bottom - 50));
        yAxis = colourDistance(c, Qt::black) < colourDistance(yAxis, Qt::black) ? c : yAxis;
    }
    EXPECT_LE(colourDistance(yAxis, Qt::black), 200) << yAxis.name().toStdString();
    EXPECT_EQ(image.pixelColor(static_cast<int>(midX), static_cast<int>(plot.bottom - plot.height() / 4)),
              QColor(Qt::white))
        << "nothing is drawn between the curves";
}

TEST(GraphWindow, ReadsTheDescriptorAndItsDataAndKeepsTheStatesWindSpeeds) {
    GraphFolders f;
    f.state.WindSpeedCount = 2;
    const auto speedsBefore = f.state.WindSpeeds;
    frmGraph graph;
    std::string message;
    ASSERT_TRUE(graph.Form_Load(f.state, "nox_1.gor", &message)) << message;
    EXPECT_EQ(graph.graph().data.curveCount(), 5);
    EXPECT_EQ(graph.graph().labels.title, "NOx, side 1");
    EXPECT_EQ(graph.graph().labels.speeds, (std::vector<double>{1, 2, 0, 0, 0}));
    EXPECT_EQ(graph.graph().yAxisMax, 60);
    graph.resize(500, 400);
    graph.show();
    graph.Zoom();
    (void)graph.picture();
    EXPECT_EQ(f.state.WindSpeeds, speedsBefore);
    EXPECT_EQ(f.state.WindSpeedCount, 2);
}

TEST(GraphWindow, ZoomFitsTheWindowAndActualSizeShowsTheDesignSizeWithScrollBars) {
    GraphFolders f;
    frmGraph graph;
    std::string message;
    ASSERT_TRUE(graph.Form_Load(f.state, "nox_1.gor", &message)) << message;
    graph.resize(900, 400);
    graph.show();
    QApplication::processEvents();

    graph.Zoom();
    const QSize room = graph.Picture1->maximumViewportSize();
    const QSize design = graph.designSize();
    EXPECT_EQ(graph.boxGraph->height(), static_cast<int>(std::lround(room.height() * 0.9)));
    EXPECT_NEAR(graph.boxGraph->width(), graph.boxGraph->height() * design.width() / double(design.height()),
                1);

    graph.resize(300, 600); // narrow: the width limits the zoom, and the zoom follows the window
    QApplication::processEvents();
    EXPECT_LE(graph.boxGraph->width(), graph.Picture1->maximumViewportSize().width());
    EXPECT_GE(graph.boxGraph->width(), graph.Picture1->maximumViewportSize().width() * 0.9 - 1);

    graph.resize(300, 200);
    QApplication::processEvents();
    graph.ActualSize();
    QApplication::processEvents();
    EXPECT_EQ(graph.boxGraph->size(), design);
    graph.resize(320, 210);
    QApplication::processEvents();
    EXPECT_EQ(graph.boxGraph->size(), design) << "the actual size stays when the window is resized";
    EXPECT_TRUE(graph.HScroll1->isVisible());
    EXPECT_EQ(graph.HScroll1->maximum(), design.width() - graph.Picture1->viewport()->width());
    EXPECT_EQ(graph.VScroll1->maximum(), design.height() - graph.Picture1->viewport()->height());
    graph.HScroll1->setValue(graph.HScroll1->maximum());
    EXPECT_EQ(graph.boxGraph->x(), -graph.HScroll1->maximum()) << "the bar moves the picture";
}

TEST(GraphFrame, OpensAGraphWindowPerSideAndNewWindowAddsOneOfTheSameFile) {
    Frame t;
    EXPECT_FALSE(t.enabled("menSaveAs"));
    EXPECT_FALSE(t.menuEnabled("menView"));
    t.frame.menResults_Click(1);
    ASSERT_EQ(t.frame.GraphWindowCount(), 1);
    EXPECT_EQ(t.frame.GraphFile, "nox_1.gor");
    EXPECT_EQ(t.frame.mdiArea->subWindowList()[0]->windowTitle(), "nox_1.gor");
    for (const char *name : {"menSave", "menSaveAs", "menPrint", "menCopy"}) {
        EXPECT_TRUE(t.enabled(name)) << name;
    }
    EXPECT_TRUE(t.menuEnabled("menView"));
    EXPECT_TRUE(t.menuEnabled("menWindow"));
    EXPECT_FALSE(t.enabled("menSelectGraph"));

    t.frame.action("menNewWindow")->trigger();
    ASSERT_EQ(t.frame.GraphWindowCount(), 2);
    EXPECT_EQ(t.frame.mdiArea->subWindowList()[1]->windowTitle(), "New Window");
    EXPECT_EQ(t.frame.graphWindows()[1]->descriptor().dataFile, "NOX_1.dat");
}

TEST(GraphFrame, ClosingTheLastWindowDisablesTheGraphItemsAndTheCountFollowsTheWindows) {
    Frame t;
    t.frame.show();
    t.frame.menResults_Click(1);
    t.frame.menResults_Click(2);
    ASSERT_EQ(t.frame.GraphWindowCount(), 2);
    t.frame.mdiArea->subWindowList()[0]->close();
    settle();
    EXPECT_EQ(t.frame.GraphWindowCount(), 1);
    EXPECT_TRUE(t.enabled("menCopy"));
    t.frame.mdiArea->subWindowList()[0]->close();
    settle();
    EXPECT_EQ(t.frame.GraphWindowCount(), 0);
    for (const char *name : {"menSave", "menSaveAs", "menPrint", "menCopy", "menSelectGraph"}) {
        EXPECT_FALSE(t.enabled(name)) << name;
    }
    EXPECT_FALSE(t.menuEnabled("menView"));
    EXPECT_FALSE(t.menuEnabled("menWindow"));
    t.frame.menNewWindow_Click();
    EXPECT_EQ(t.frame.GraphWindowCount(), 0) << "New Window needs an open graph";
    t.frame.menResults_Click(2);
    EXPECT_EQ(t.frame.GraphWindowCount(), 1) << "a new window counts again after all were closed";
}

TEST(GraphFrame, TilesSideBySideOrOneAboveTheOther) {
    Frame t;
    t.frame.resize(900, 700);
    t.frame.show();
    t.frame.menResults_Click(1);
    t.frame.menResults_Click(2);
    QApplication::processEvents();
    const QRect area = t.frame.mdiArea->viewport()->rect();
    const auto windows = t.frame.mdiArea->subWindowList(QMdiArea::CreationOrder);

    t.frame.action("menTileVertical")->trigger();
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(windows[1]->geometry().left(), area.width() / 2);
    EXPECT_EQ(windows[1]->geometry().right(), area.right());

    t.frame.action("menTileHorizontal")->trigger();
    EXPECT_EQ(windows[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(windows[1]->geometry().top(), area.height() / 2);
    EXPECT_EQ(windows[1]->geometry().bottom(), area.bottom());

    t.frame.action("menCascade")->trigger();
    EXPECT_NE(windows[0]->geometry().topLeft(), windows[1]->geometry().topLeft());
}

TEST(GraphFrame, ZoomAndActualSizeActOnTheActiveWindow) {
    Frame t;
    t.frame.resize(900, 700);
    t.frame.show();
    t.frame.menResults_Click(1);
    frmGraph *graph = t.frame.activeGraph();
    ASSERT_TRUE(graph);
    t.frame.action("menActualSize")->trigger();
    EXPECT_EQ(graph->boxGraph->size(), graph->designSize());
    t.frame.action("menZoom")->trigger();
    EXPECT_EQ(graph->boxGraph->height(),
              static_cast<int>(std::lround(
                  0.9 * std::min<double>(graph->Picture1->maximumViewportSize().height(),
                                         graph->Picture1->maximumViewportSize().width() * 2.0 / 3.0))));
}

TEST(GraphFrame, SaveAsWritesTheActivePictureAsABitmap) {
    Frame t;
    t.frame.menResults_Click(1);
    const std::string path = (t.f.work.path() / "side1.bmp").string();
    t.f.ui.files.push_back(path);
    ASSERT_TRUE(t.frame.menSaveAs_Click()) << (t.f.ui.messages.empty() ? "" : t.f.ui.messages.back());
    EXPECT_EQ(readFile(path).substr(0, 2), "BM");
    const QImage saved(QString::fromStdString(path));
    EXPECT_EQ(saved.size(), t.frame.activeGraph()->boxGraph->size());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), t.frame.activeGraph()->picture());
}

TEST(GraphFrame, SaveAsCancelledSavesNothingAndAFailureSaysWhy) {
    Frame t;
    t.frame.menResults_Click(1);
    t.f.ui.files.push_back(std::nullopt);
    EXPECT_FALSE(t.frame.menSaveAs_Click());
    EXPECT_TRUE(t.f.ui.messages.empty());
    t.f.ui.files.push_back((t.f.work.path() / "no such folder" / "g.bmp").string());
    EXPECT_FALSE(t.frame.menSaveAs_Click());
    ASSERT_EQ(t.f.ui.messages.size(), 1u);
    EXPECT_EQ(t.f.ui.messages[0].rfind("The graph could not be saved to", 0), 0u) << t.f.ui.messages[0];
}

TEST(GraphFrame, CopyPutsThePictureOnTheClipboard) {
    Frame t;
    t.frame.menResults_Click(2);
    QApplication::clipboard()->clear();
    t.frame.action("menCopy")->trigger();
    const QImage copied = QApplication::clipboard()->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), t.frame.activeGraph()->picture());
}

TEST(GraphFrame, PrintWritesAPdfPageAndACancelledPrinterDialogPrintsNothing) {
    Frame t;
    t.frame.menResults_Click(1);
    const std::string path = (t.f.work.path() / "graph.pdf").string();
    t.frame.choosePrinter = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(path));
        return true;
    };
    ASSERT_TRUE(t.frame.menPrint_Click()) << (t.f.ui.messages.empty() ? "" : t.f.ui.messages.back());
    const std::string pdf = readFile(path);
    EXPECT_EQ(pdf.substr(0, 4), "%PDF");
    EXPECT_GT(pdf.size(), 2000u);

    std::filesystem::remove(path);
    t.frame.choosePrinter = [](QPrinter &) { return false; };
    EXPECT_FALSE(t.frame.menPrint_Click());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(t.f.ui.messages.empty());
}

// The print dialog offers a file beside the project, and a name typed without its path lies there too, also
// when the dialog is confirmed with its button's key, the focus still in the field.
TEST(GraphFrame, APrintIntoAFileOffersANameBesideTheProjectAndANameTypedLiesThere) {
    Frame t;
    t.frame.menResults_Click(1);
    const std::string work = t.f.state.WorkDir;
    for (const char *typed : {"", "AltP.pdf"}) {
        SCOPED_TRACE(typed);
        QString offered;
        std::vector<std::string> asked;
        test::printIntoFile(QString::fromUtf8(typed), test::PrintConfirm::AltP, &offered, &asked);
        ASSERT_TRUE(t.frame.menPrint_Click()) << (t.f.ui.messages.empty() ? "" : t.f.ui.messages.back());
        EXPECT_EQ(offered.toStdString(), work + "nox_1.pdf");
        EXPECT_EQ(asked, std::vector<std::string>{});
        EXPECT_EQ(readFile(work + (*typed != '\0' ? typed : "nox_1.pdf")).substr(0, 4), "%PDF");
    }
}

TEST(GraphFrame, ADescriptorOnlyInTheProgramFolderStillReadsItsDataFromTheWorkingFolder) {
    Frame t;
    std::filesystem::rename(t.f.work.path() / "nox_1.gor", t.f.app.path() / "nox_1.gor");
    t.frame.menResults_Click(1);
    ASSERT_EQ(t.frame.GraphWindowCount(), 1) << (t.f.ui.messages.empty() ? "" : t.f.ui.messages.back());
    EXPECT_EQ(t.frame.activeGraph()->descriptor().path, (t.f.app.path() / "nox_1.gor").string());
    EXPECT_EQ(t.frame.activeGraph()->graph().data.rowCount(), 36);
}

TEST(GraphFrame, AGraphThatCannotBeReadSaysSoAndOpensNoWindow) {
    Frame t;
    std::filesystem::remove(t.f.work.path() / "NOX_2.dat");
    std::filesystem::remove(t.f.work.path() / "nox_1.gor");
    t.frame.menResults_Click(1);
    t.frame.menResults_Click(2);
    EXPECT_EQ(t.frame.GraphWindowCount(), 0);
    EXPECT_TRUE(t.frame.mdiArea->subWindowList().empty());
    ASSERT_EQ(t.f.ui.messages.size(), 2u);
    EXPECT_EQ(t.f.ui.messages[0], kCannotOpen);
    EXPECT_EQ(t.f.ui.messages[1], kCannotOpen + "\r\n" + (t.f.work.path() / "NOX_2.dat").string());
    EXPECT_FALSE(t.enabled("menSaveAs"));
}

TEST(GraphSelection, BothSidesOpenSideOneBeforeSideTwoAndOnlyOnce) {
    Frame t;
    int asked = 0;
    t.frame.runSelection = [&](ui::frmSelGraph &dialog) {
        ++asked;
        EXPECT_EQ(dialog.windowTitle(), "Select Graphs");
        dialog.chkReceptor[2]->click();
        dialog.chkReceptor[1]->click();
        dialog.btnOK_Click();
    };
    t.frame.show();
    settle();
    const auto windows = t.frame.mdiArea->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->windowTitle(), "nox_1.gor");
    EXPECT_EQ(windows[1]->windowTitle(), "nox_2.gor");
    t.frame.hide();
    t.frame.show();
    settle();
    EXPECT_EQ(asked, 1) << "only the first activation asks";
}

TEST(GraphSelection, ClosingTheDialogWithoutOkOpensNothing) {
    Frame t;
    t.frame.runSelection = [](ui::frmSelGraph &dialog) {
        dialog.chkReceptor[1]->click();
        dialog.reject();
    };
    t.frame.Form_Activate();
    EXPECT_EQ(t.frame.GraphWindowCount(), 0);
}

TEST(CopyingWindow, ShowsTheFilesBeingCopiedWithARunningBar) {
    ui::frmAnimation window;
    EXPECT_EQ(window.windowTitle(), "Copying...");
    EXPECT_EQ(window.Label1->text(), "From:");
    EXPECT_EQ(window.Label2->text(), "To:");
    EXPECT_FALSE(window.animationRunning());
    window.show();
    window.showCopying("/a/Lists/DL/Pollutants.lst", "/b/Lists/XX/Pollutants.lst");
    EXPECT_EQ(window.Label1->text(), "/a/Lists/DL/Pollutants.lst");
    EXPECT_EQ(window.Label2->text(), "/b/Lists/XX/Pollutants.lst");
    EXPECT_TRUE(window.animationRunning());
    window.stopAnimation();
    EXPECT_FALSE(window.animationRunning());
}

} // namespace
} // namespace vesk::test
