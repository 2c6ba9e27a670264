// The main window's ways into the format dialog, the text editor and the file
// viewer, followed to their effect on the project.

#include "ui/common/EngineState.h"

#include "core/Settings.h"
#include "support/TestSupport.h"
#include "ui/WindowSession.h"
#include "ui/inputdef/ListTextBox.h"
#include "ui/inputdef/frmFormatFile.h"
#include "ui/inputdef/frmTextEditor.h"
#include "ui/inputdef/frmViewFile.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;
namespace fs = std::filesystem;

namespace {

using test::onModal;

struct Sample {
    test::TempDir dir;
    MemorySettings settings;
    std::string appDir;
    Sample() {
        test::copyDataTree(dir.path());
        appDir = dir.path().string() + "/";
    }
    std::string project(const char *name = "DemoStreet.vkp") const { return appDir + "Working/" + name; }
};

struct Session {
    State state;
    test::ScriptedInteraction ui;
    std::unique_ptr<frmRun> w;
    Session(Sample &sample, const std::string &project) {
        state.AppDir = sample.appDir;
        w = std::make_unique<frmRun>(state, ui, sample.settings);
        QStringList args;
        if (!project.empty()) {
            args << QString::fromStdString(project);
        }
        w->Form_Load(args);
        w->Form_Activate();
    }
    frmRun *operator->() { return w.get(); }
    void select(int kind, int row) {
        w->List1[kind]->setCurrentRow(row);
        w->List1_Click(kind);
    }
};

} // namespace

TEST(FormatFromTheMainWindow, OkStoresTheEditedListsInTheProjectAndMarksItChanged) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_FALSE(s.state.ProjectChanged);
    s.select(1, 0);
    ASSERT_TRUE(s->btnFormatFile->isEnabled());
    std::string caption;
    onModal<frmFormatFile>([&](frmFormatFile *d) {
        d->Form_Activate();
        caption = d->windowTitle().toStdString();
        d->boxUnits->setPlainText("*, *, *, *, 2");
        d->btnEndFormat_Click();
    });
    s->btnFormatFile_Click();
    EXPECT_EQ(caption, "Format File [Met2023.txt]");
    EXPECT_EQ(s.state.InputVarLists[1], "year, month, day, hour, u_mast, wind_dir, temperature, globalrad")
        << "normalised by the check";
    EXPECT_EQ(s.state.InputScalingLists[1], "*, *, *, *, 2");
    EXPECT_TRUE(s.state.ProjectChanged);
}

TEST(FormatFromTheMainWindow, CancelChangesNothing) {
    Sample sample;
    Session s(sample, sample.project());
    const std::string before = s.state.OutputVarLists[1];
    s.select(2, 0);
    bool keptAfterNo = false;
    onModal<frmFormatFile>([&](frmFormatFile *d) {
        d->Form_Activate();
        d->boxVariables->setPlainText("year");
        s.ui.answers = {Answer::No, Answer::Yes};
        d->btnCancel_Click(); // No: the typed list stays
        keptAfterNo = d->isVisible() && d->boxVariables->toPlainText() == "year";
        d->btnCancel_Click(); // Yes: closed without storing
    });
    s->btnFormatFile_Click();
    EXPECT_TRUE(keptAfterNo);
    ASSERT_EQ(s.ui.messages.size(), 2u);
    EXPECT_EQ(s.ui.messages[0],
              "The lists have been changed.\r\nDo you want to close the dialog without storing the changes?");
    EXPECT_EQ(s.state.OutputVarLists[1], before);
    EXPECT_FALSE(s.state.ProjectChanged);
}

TEST(FormatFromTheMainWindow, EscapeInTheTypeAheadListClosesOnlyTheListAndKeepsTheTypedList) {
    Sample sample;
    Session s(sample, sample.project());
    s.select(1, 0);
    bool listClosed = false, dialogOpen = false, okWhileUnknown = true;
    QString typed;
    onModal<frmFormatFile>([&](frmFormatFile *d) {
        d->Form_Activate();
        d->boxVariables->setFocus();
        d->boxVariables->moveCursor(QTextCursor::End);
        QTest::keyClicks(d->boxVariables, ", r_h");
        if (d->ListVariables->isHidden()) {
            ADD_FAILURE() << "typing opens the list";
        }
        QTest::keyClick(d->boxVariables, Qt::Key_Escape);
        listClosed = d->ListVariables->isHidden();
        dialogOpen = d->isVisible();
        okWhileUnknown = d->btnEndFormat->isEnabled();
        QTest::keyClicks(d->boxVariables, "um");
        typed = d->boxVariables->toPlainText();
        d->btnEndFormat_Click();
    });
    s->btnFormatFile_Click();
    EXPECT_TRUE(listClosed);
    EXPECT_TRUE(dialogOpen) << "Escape in the list does not close the dialog";
    EXPECT_FALSE(okWhileUnknown) << "r_h is no variable name: OK waits";
    EXPECT_TRUE(typed.endsWith(", r_hum")) << typed.toStdString();
    EXPECT_EQ(s.state.InputVarLists[1], typed.toStdString()) << "OK stores what was typed";
}

TEST(FormatFromTheMainWindow, SaveVariableListStartsInTheProjectsFolderAndAsksBeforeReplacingAProgramFile) {
    Sample sample;
    Session s(sample, sample.project());
    s.select(1, 0);
    const std::string metBackFmt = sample.appDir + "Lists/National/DL/MetBack.fmt";
    const std::string before = test::readFile(metBackFmt);
    const std::string mine = sample.appDir + "Working/Met.fmt";
    std::string startFolder;
    onModal<frmFormatFile>([&](frmFormatFile *d) {
        d->Form_Activate();
        // The country's common layout is picked: No, then the project's own file.
        s.ui.files = {metBackFmt, mine};
        s.ui.answers = {Answer::No};
        d->btnSave_Click();
        d->btnEndFormat_Click();
    });
    s->btnFormatFile_Click();
    ASSERT_EQ(s.ui.fileChoices.size(), 2u);
    EXPECT_EQ(s.ui.fileChoices[0].folder, s.state.WorkDir) << "the project's folder, not the program's";
    EXPECT_EQ(test::readFile(metBackFmt), before) << "the program's file is not replaced unasked";
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages.back().find("belongs to the program's own data"), std::string::npos);
    EXPECT_EQ(test::readFile(mine).rfind("year, month, day, hour", 0), 0u);
}

TEST(FormatFromTheMainWindow, ANewInputFileLeavesTheRedWarningOnceItsColumnsAreNamedByDoubleClick) {
    Sample sample;
    Session s(sample, sample.project());
    s->chooseFileName = [](int, const QString &, const QString &) { return std::string("Wind2023.txt"); };
    s.select(1, 2);
    s->btnAddFile_Click();
    ASSERT_EQ(s.state.NumInputFiles, 4);
    ASSERT_EQ(s.state.InputFiles[4], "Wind2023.txt");
    EXPECT_TRUE(s->Label22->isVisibleTo(s.w.get())) << "the new file has no variable list";
    EXPECT_EQ(s->List1[1]->colour(3), FileCheckList::red());

    s->List1[1]->setCurrentRow(3);
    onModal<frmFormatFile>([](frmFormatFile *d) {
        d->Form_Activate();
        d->boxVariables->setPlainText("YEAR,month,day,hour,u_mast");
        d->ActiveListBox = d->boxVariables;
        d->CheckVariableList();
        d->btnEndFormat_Click();
    });
    Q_EMIT s->List1[1]->itemDoubleClicked(s->List1[1]->item(3));
    EXPECT_EQ(s.state.InputVarLists[4], "year, month, day, hour, u_mast");
    EXPECT_EQ(s->List1[1]->colour(3), FileCheckList::black());
    EXPECT_FALSE(s->Label22->isVisibleTo(s.w.get()));
}

TEST(EditDamagedProject, YesOpensTheEditorAndTheSavedFileIsLoadedAgain) {
    Sample sample;
    const std::string path = sample.project();
    const std::string good = test::readFile(path);
    std::string damaged = good;
    const std::string geometry = " 18            24.5          120           95            35 ";
    const auto at = damaged.find(geometry);
    ASSERT_NE(at, std::string::npos);
    damaged.replace(at, geometry.size(), " 18");
    std::ofstream(path, std::ios::binary) << damaged;

    Session s(sample, "");
    s.ui.answers = {Answer::Yes};
    s.ui.files = {path};
    bool edited = false;
    onModal<frmTextEditor>([&](frmTextEditor *editor) {
        edited = true;
        QString text = editor->Text1->toPlainText();
        text.replace(QStringLiteral("\n 18\n"), QString::fromStdString("\n" + geometry + "\n"));
        editor->Text1->setPlainText(text);
        editor->mnuFileSave_Click();
        editor->mnuFileExit_Click();
    });
    s->menOpen_Click();
    EXPECT_TRUE(edited);
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages.front().find("Do you want to edit the loaded configuration file?"),
              std::string::npos);
    EXPECT_EQ(test::readFile(path), good) << "the editor wrote the repaired text byte for byte";
    EXPECT_EQ(s.state.ProjectFile, path) << "the repaired project is open";
    EXPECT_DOUBLE_EQ(s.state.StreetWidth, 24.5);
}

TEST(EditDamagedProject, NoLeavesTheProjectClosedWithoutAnEditor) {
    Sample sample;
    const std::string path = sample.project();
    std::string text = test::readFile(path);
    text.replace(text.find(" 18            24.5"), 19, " 18");
    std::ofstream(path, std::ios::binary) << text;
    Session s(sample, "");
    s.ui.answers = {Answer::No};
    s.ui.files = {path};
    s->menOpen_Click();
    EXPECT_TRUE(s.state.ProjectFile.empty());
}

TEST(SpecialModeResults, TheResultsSummaryShowsTheResultFileInTheViewer) {
    Sample sample;
    Session s(sample, sample.project());
    s->btnGeneric_Click();
    std::ofstream(sample.appDir + "Working/veskout.dat", std::ios::binary) << "0 1 10.5\r\n";
    QString shown;
    onModal<frmViewFile>([&](frmViewFile *viewer) {
        shown = viewer->RichTextBox1->toPlainText();
        viewer->accept();
    });
    s->action("menLastResults")->setEnabled(true);
    s->Toolbar1_ButtonClick("Results");
    EXPECT_EQ(shown, "0 1 10.5\n");
    EXPECT_TRUE(s.state.ViewFilePath.empty()) << "the hand-over is emptied afterwards";
}
