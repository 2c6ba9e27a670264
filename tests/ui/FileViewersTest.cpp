// The text editor, the file viewer and the table step of the file chooser.

#include "platform/tables/Tables.h"
#include "support/TestSupport.h"
#include "ui/inputdef/frmListTables.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/inputdef/frmTextEditor.h"
#include "ui/inputdef/frmViewFile.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;
using test::TempDir;
namespace fs = std::filesystem;

namespace {

std::string lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += "\"line\"," + std::to_string(i) + "\r\n";
    }
    return text;
}

// A workbook with the given sheets, each with a header row and one row.
std::string workbook(const TempDir &dir, const std::string &name,
                     std::initializer_list<const char *> sheets) {
    const std::string path = (dir.path() / name).string();
    for (const char *sheet : sheets) {
        std::string error;
        auto writer = createTable(path, sheet, {{"year"}, {"cNO2.b"}}, &error);
        EXPECT_TRUE(writer) << error;
        EXPECT_TRUE(writer->append({2023.0, 12.5}, &error)) << error;
        EXPECT_TRUE(writer->close(&error)) << error;
    }
    return path;
}

} // namespace

// ---- Text editor ---------------------------------------------------------------------------------

TEST(TextEditor, KeepsA150LineFileWholeAndSavesItByteExact) {
    TempDir dir;
    const std::string bytes = lines(150);
    const auto path = dir.write("Long.vkp", bytes).string();
    test::ScriptedInteraction ui;
    frmTextEditor editor(path, ui);
    ASSERT_TRUE(editor.opened());
    EXPECT_EQ(editor.windowTitle(), QString::fromStdString("WinVESK Text Editor - " + path));
    EXPECT_TRUE(editor.Text1->toPlainText().contains("\"line\",150\n"));
    EXPECT_FALSE(editor.Changed) << "loading is no edit";
    editor.mnuFileSave_Click();
    EXPECT_EQ(test::readFile(path), bytes) << "no line is lost and no line end added";
    EXPECT_TRUE(editor.savedOriginal());
}

TEST(TextEditor, AnEditAsksBeforeExitAndCancelKeepsTheTextWhileNoDiscardsIt) {
    TempDir dir;
    const auto path = dir.write("P.vkp", "abc\r\n").string();
    test::ScriptedInteraction ui;
    frmTextEditor editor(path, ui);
    editor.show();
    QTest::keyClicks(editor.Text1, "x");
    EXPECT_TRUE(editor.Changed);
    ui.answers = {Answer::Cancel};
    editor.mnuFileExit_Click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Save changes to text?");
    EXPECT_TRUE(editor.isVisible());
    ui.answers = {Answer::No};
    editor.mnuFileExit_Click();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(test::readFile(path), "abc\r\n");
}

TEST(TextEditor, YesSavesTheEditAndAFailedSaveKeepsTheEditorOpen) {
    TempDir dir;
    const auto path = dir.write("sub/P.vkp", "abc\r\ndef\r\n").string();
    test::ScriptedInteraction ui;
    frmTextEditor editor(path, ui);
    editor.show();
    editor.Text1->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor.Text1, "ghi");
    ui.answers = {Answer::Yes};
    EXPECT_TRUE(editor.SaveChanges());
    EXPECT_EQ(test::readFile(path), "abc\r\ndef\r\nghi");

    QTest::keyClicks(editor.Text1, "!");
    fs::remove_all(dir.path() / "sub");
    ui.answers = {Answer::Yes};
    editor.mnuFileExit_Click();
    EXPECT_TRUE(editor.isVisible()) << "the text would be lost";
    EXPECT_NE(ui.messages.back().find("could not be saved"), std::string::npos);
}

TEST(TextEditor, AMissingFileIsReportedAndTheEditorNotShown) {
    test::ScriptedInteraction ui;
    frmTextEditor editor("/nowhere/gone.vkp", ui);
    EXPECT_FALSE(editor.opened());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("Can't open the file", 0), 0u);
    EXPECT_FALSE(frmTextEditor::edit("/nowhere/gone.vkp", ui, nullptr));
}

TEST(TextEditor, ACancelledSaveAsKeepsTheNameAndWritesNothing) {
    TempDir dir;
    const auto path = dir.write("P.vkp", "abc").string();
    test::ScriptedInteraction ui;
    frmTextEditor editor(path, ui);
    ui.files = {std::nullopt};
    editor.mnuSaveFileAs_Click();
    EXPECT_EQ(editor.FileName, path);
    EXPECT_EQ(fs::directory_iterator(dir.path())->path().filename(), "P.vkp");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(TextEditor, NewGivesAnUntitledTextThatSaveAsNames) {
    TempDir dir;
    test::ScriptedInteraction ui;
    frmTextEditor editor("", ui);
    EXPECT_EQ(editor.windowTitle(), "WinVESK Text Editor - Untitled");
    editor.Text1->setPlainText("a\nb\n");
    const auto path = (dir.path() / "new.txt").string();
    ui.files = {path};
    editor.mnuFileSave_Click();
    EXPECT_EQ(test::readFile(path), "a\r\nb\r\n");
    EXPECT_EQ(editor.windowTitle(), QString::fromStdString("WinVESK Text Editor - " + path));
}

// ---- File viewer -----------------------------------------------------------------------------

TEST(FileViewer, ShowsADataFileAsPlainTextWhateverItHolds) {
    TempDir dir;
    const auto path = dir.write("odd.dat", "{\\rtf1 not formatted}\r\n<b>1</b>\r\n").string();
    test::ScriptedInteraction ui;
    frmViewFile viewer(path, ".", ui);
    ASSERT_TRUE(viewer.loaded());
    EXPECT_EQ(viewer.RichTextBox1->toPlainText(), "{\\rtf1 not formatted}\n<b>1</b>\n");
    EXPECT_TRUE(viewer.RichTextBox1->isReadOnly());
    EXPECT_TRUE(viewer.DataGrid1->isHidden());
}

TEST(FileViewer, ShowsAWorkbookSheetAsATableWithItsCaptions) {
    TempDir dir;
    const std::string book = workbook(dir, "b.xls", {"Hours"});
    test::ScriptedInteraction ui;
    frmViewFile viewer(book + ";Hours$", ",", ui);
    ASSERT_TRUE(viewer.loaded()) << (ui.messages.empty() ? "" : ui.messages.back());
    QAbstractItemModel *model = viewer.DataGrid1->model();
    ASSERT_EQ(model->columnCount(), 2);
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "cNO2.b");
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), "12.5");
    EXPECT_TRUE(viewer.RichTextBox1->isHidden());
}

TEST(FileViewer, FilesItCannotShowGetOneMessageEach) {
    TempDir dir;
    test::ScriptedInteraction ui;
    EXPECT_FALSE(frmViewFile((dir.path() / "none.txt").string(), ".", ui).loaded());
    EXPECT_EQ(ui.messages.back().rfind("No such file or the file cannot be accessed", 0), 0u);
    const std::string book = workbook(dir, "b.xls", {"Hours"});
    EXPECT_FALSE(frmViewFile(book + ";Missing$", ".", ui).loaded());
    EXPECT_EQ(ui.messages.back().rfind("Error reading the file", 0), 0u);
    EXPECT_FALSE(frmViewFile(dir.write("n.xlsx", "x").string() + ";S", ".", ui).loaded());
    EXPECT_NE(ui.messages.back().find("Not recognised file type"), std::string::npos);
    EXPECT_EQ(ui.messages.size(), 3u);
}

// ---- The table step of the file chooser ----------------------------------------------------

TEST(TableChooser, AWorkbookWithOneSheetTakesItAtTheFirstOkAndTheSecondOkAcceptsTheAddress) {
    TempDir dir;
    const std::string book = workbook(dir, "met.xls", {"Hours"});
    FileChooserContext ctx;
    ctx.SelectedFileKind = 1;
    ctx.LastInputDir = "/old/";
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    dlg.nameBox()->setText(QString::fromStdString(book));
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(dlg.nameBox()->text().toStdString(), book + ";Hours$");
    EXPECT_FALSE(dlg.infoLabel()->isHidden()) << "\"Press OK to accept the file\"";
    EXPECT_EQ(dlg.NewFileName, "");
    EXPECT_EQ(ctx.LastInputDir, "/old/") << "nothing accepted yet";
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.NewFileName, book + ";Hours$");
    EXPECT_EQ(ctx.LastInputDir, dir.path().string() + "/");
}

TEST(TableChooser, AWorkbookWithSeveralSheetsOffersThemAndAFinishedSheetNameGetsItsDollar) {
    TempDir dir;
    const std::string book = workbook(dir, "two.xls", {"Winter", "Summer"});
    FileChooserContext ctx;
    ctx.SelectedFileKind = 2;
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    QStringList offered;
    dlg.chooseTable = [&](const QStringList &tables) {
        offered = tables;
        return QStringLiteral("Summer$");
    };
    dlg.nameBox()->setText(QString::fromStdString(book));
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(offered, (QStringList{"Winter$", "Summer$"}));
    EXPECT_EQ(dlg.nameBox()->text().toStdString(), book + ";Summer$");
    EXPECT_TRUE(dlg.infoLabel()->isHidden());
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(dlg.NewFileName, book + ";Summer$");

    frmNewFileName typed(ctx, ui);
    typed.nameBox()->setText(QString::fromStdString(book + ";Winter"));
    typed.btnEndNewFileName_Click();
    EXPECT_EQ(typed.NewFileName, book + ";Winter$");
}

TEST(TableChooser, AWorkbookStillToBeWrittenAsksForTheSheetsName) {
    TempDir dir;
    FileChooserContext ctx;
    ctx.SelectedFileKind = 4;
    ctx.WorkDir = dir.path().string() + "/";
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    QStringList offered{"not called"};
    dlg.chooseTable = [&](const QStringList &tables) {
        offered = tables;
        return QStringLiteral("Stat");
    };
    dlg.nameBox()->setText("Stat.xls");
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(ui.messages.back(), "Enter name of the Worksheet or Database Table");
    EXPECT_TRUE(offered.isEmpty()) << "the typing mode";
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(dlg.NewFileName, "Stat.xls;Stat$");
}

TEST(TableChooser, AWorkbookNamedWithAFolderThatOnlyTheProgramFolderHoldsIsReadThere) {
    TempDir dir;
    fs::create_directories(dir.path() / "Working");
    fs::create_directories(dir.path() / "met");
    workbook(dir, "met/hours.xls", {"Hours"});
    FileChooserContext ctx;
    ctx.SelectedFileKind = 1;
    ctx.WorkDir = dir.path().string() + "/Working/";
    ctx.AppDir = dir.path().string() + "/";
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    dlg.chooseTable = [](const QStringList &) { return QString(); }; // not wanted: the file holds one sheet
    dlg.nameBox()->setText("met\\hours.xls");
    dlg.btnEndNewFileName_Click();
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(dlg.nameBox()->text().toStdString(), "met\\hours.xls;Hours$") << "as the run reads it";
}

TEST(TableChooser, AnUnknownSpreadsheetKindIsRefusedAndTheChooserStaysOpen) {
    FileChooserContext ctx;
    ctx.SelectedFileKind = 1;
    test::ScriptedInteraction ui;
    frmNewFileName dlg(ctx, ui);
    dlg.nameBox()->setText("/x/book.xlsx;Sheet1");
    dlg.btnEndNewFileName_Click();
    EXPECT_EQ(ui.messages.back(), "Not recognised file type");
    EXPECT_EQ(dlg.NewFileName, "");
    EXPECT_NE(dlg.result(), QDialog::Accepted);
}

TEST(TableList, OkWaitsForASelectionAndEnterWithoutOneAcceptsNothing) {
    frmListTables list({"Hours$", "Days$"});
    list.Form_Activate();
    EXPECT_FALSE(list.btnOK->isEnabled());
    QTest::keyClick(list.List1, Qt::Key_Return);
    EXPECT_EQ(list.acceptedTable(), "");
    list.List1->setCurrentRow(1);
    list.List1_Click();
    EXPECT_TRUE(list.btnOK->isEnabled());
    list.btnOK_Click();
    EXPECT_EQ(list.acceptedTable(), "Days$");
    EXPECT_EQ(list.result(), QDialog::Accepted);
}

TEST(TableList, WithoutTablesItAsksForANameAndAClickInTheBoxDoesNotAcceptIt) {
    frmListTables list({});
    list.show();
    EXPECT_EQ(list.windowTitle(), "Enter a Data Table Name");
    EXPECT_TRUE(list.List1->isHidden());
    QTest::keyClicks(list.Text1, "Sheet1");
    QTest::mouseClick(list.Text1, Qt::LeftButton);
    EXPECT_TRUE(list.isVisible()) << "a click is no choice";
    EXPECT_EQ(list.acceptedTable(), "");
    QTest::keyClick(list.Text1, Qt::Key_Return);
    EXPECT_EQ(list.acceptedTable(), "Sheet1");
}
