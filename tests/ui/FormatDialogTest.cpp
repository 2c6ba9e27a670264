// The format dialog on its own: lists handed in and handed back, the check
// of a list and the walk through its unknown names, type-ahead, the output
// types of statistics files, format files, the header and catalogue views.

#include "core/CoreTestData.h"
#include "platform/tables/Tables.h"
#include "project/FormatFiles.h"
#include "run/State.h"
#include "support/TestSupport.h"
#include "ui/inputdef/FloatingFrame.h"
#include "ui/inputdef/ListTextBox.h"
#include "ui/inputdef/frmFormatFile.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;
namespace fs = std::filesystem;

namespace {

// The demo country's catalogue, loaded once for all tests here; its folder
// goes when the test program ends.
const State &demo() {
    static const test::ProgramDir dir;
    static const test::StartedAs<State> started(dir);
    return started.state;
}

struct Dialog {
    test::ScriptedInteraction ui;
    std::unique_ptr<frmFormatFile> dlg;
    explicit Dialog(int kind, FileFormatLists lists, bool multiStreet = false,
                    std::string fileName = "Met.txt", std::string workDir = "/nowhere/") {
        FormatDialogInput in;
        in.kind = kind;
        in.fileName = std::move(fileName);
        in.lists = std::move(lists);
        in.multiStreet = multiStreet;
        in.workDir = std::move(workDir);
        dlg = std::make_unique<frmFormatFile>(demo(), in, ui);
    }
    frmFormatFile *operator->() { return dlg.get(); }
    QString text(ListTextBox *box) { return box->toPlainText(); }
    QString selected(ListTextBox *box) { return box->textCursor().selectedText(); }
    void pick(const QString &name) {
        const auto found = dlg->ListVariables->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        dlg->ListVariables->setCurrentItem(found.front());
        dlg->ListVariables_DblClick();
    }
    bool red(ListTextBox *box) {
        return box->palette().color(QPalette::Active, QPalette::Text) == QColor(255, 0, 0);
    }
};

FileFormatLists hourly(const std::string &vars) {
    return {vars, "*", "*", ""};
}

} // namespace

// ---- The check and the walk through unknown names ---------------------------------------------

TEST(FormatDialogCheck, ABlankItemBecomesAQuestionMarkNamesTakeTheCatalogueSpellingAndQuotedItemsStay) {
    Dialog d(1, hourly(" YEAR ,, Hour, \"my, column\""));
    d->Form_Activate();
    EXPECT_EQ(d.text(d->boxVariables), "year, ?, hour, \"my, column\"");
    EXPECT_TRUE(d.ui.messages.empty());
    EXPECT_FALSE(d->InCorrection);
    EXPECT_FALSE(d.red(d->boxVariables));
}

TEST(FormatDialogCheck, TwoUnknownNamesAreWalkedInOrderAndALongerReplacementStillSelectsTheSecond) {
    Dialog d(1, hourly("year,tmp,hour,wnd"));
    d->Form_Activate();
    ASSERT_EQ(d.ui.messages.size(), 1u);
    EXPECT_EQ(d.ui.messages[0], "tmp is not a valid name");
    EXPECT_EQ(d.selected(d->boxVariables), "tmp");
    EXPECT_TRUE(d->InCorrection);
    EXPECT_TRUE(d.red(d->boxVariables));
    EXPECT_FALSE(d->ListVariables->isHidden());
    EXPECT_FALSE(d->btnEndFormat->isEnabled()) << "nothing can be stored during the walk";
    EXPECT_FALSE(d->btnSave->isEnabled());
    EXPECT_TRUE(d->btnDel->isEnabled());
    EXPECT_EQ(d->ListVariables->currentRow(), 0) << "no name begins with \"tmp\": the first one is current";
    EXPECT_TRUE(d->ListVariables->selectedItems().isEmpty());

    ASSERT_NO_FATAL_FAILURE(d.pick("temperature"));
    ASSERT_EQ(d.ui.messages.size(), 2u);
    EXPECT_EQ(d.ui.messages[1], "wnd is not a valid name");
    EXPECT_EQ(d.text(d->boxVariables), "year, temperature, hour, wnd");
    EXPECT_EQ(d.selected(d->boxVariables), "wnd");

    d->ListVariables_Escape();
    EXPECT_FALSE(d->InCorrection);
    EXPECT_TRUE(d.red(d->boxVariables)) << "Escape leaves the list red";
    EXPECT_FALSE(d->btnEndFormat->isEnabled()) << "wnd is still unknown: nothing is stored";
    EXPECT_FALSE(d->btnDel->isEnabled());
    EXPECT_TRUE(d->Frame1->isEnabled());
}

TEST(FormatDialogCheck, DeleteItemRemovesTheUnknownNameAndTheCommaAfterIt) {
    Dialog d(1, hourly("year, junk, hour"));
    d->Form_Activate();
    ASSERT_EQ(d.selected(d->boxVariables), "junk");
    d->btnDel_Click();
    EXPECT_EQ(d.text(d->boxVariables), "year,  hour") << "the blanks on both sides stay";
    EXPECT_FALSE(d->InCorrection);
}

TEST(FormatDialogCheck, AStatisticsFileChecksItsRowsFirstThenItsColumns) {
    Dialog d(4, {"\"Series\", Av_1, bogus", "*", "*", "NO2_mod, rowjunk"});
    d->Form_Activate();
    ASSERT_EQ(d.ui.messages.size(), 1u);
    EXPECT_EQ(d.ui.messages[0], "rowjunk is not a valid name");
    d->ListVariables_Escape();
    ASSERT_EQ(d.ui.messages.size(), 2u) << "the column check waited for the rows walk";
    EXPECT_EQ(d.ui.messages[1], "bogus is not a valid name");
    EXPECT_EQ(d.selected(d->boxVariables), "bogus");
}

// ---- Typing -----------------------------------------------------------------------------------

TEST(FormatDialogTyping, ACommaOpensTheListALetterFollowsItAndEnterInsertsTheName) {
    Dialog d(1, hourly("year"));
    d->Form_Activate();
    d->boxVariables->moveCursor(QTextCursor::End);
    QTest::keyClicks(d->boxVariables, ",");
    EXPECT_FALSE(d->ListVariables->isHidden());
    EXPECT_EQ(d->ListVariables->currentRow(), 0);
    QTest::keyClicks(d->boxVariables, "m");
    ASSERT_NE(d->ListVariables->currentItem(), nullptr);
    EXPECT_TRUE(d->ListVariables->currentItem()->text().startsWith("m", Qt::CaseInsensitive));
    const QString name = d->ListVariables->currentItem()->text();
    QTest::keyClick(d->ListVariables, Qt::Key_Return);
    EXPECT_EQ(d.text(d->boxVariables), "year," + name);
    EXPECT_TRUE(d->ListVariables->isHidden());
}

TEST(FormatDialogTyping, AQuoteStopsTheListAndEnterInTheBoxInsertsNothing) {
    Dialog d(1, hourly(""));
    d->Form_Activate();
    QTest::keyClicks(d->boxVariables, "\"ab");
    EXPECT_TRUE(d->ListVariables->isHidden());
    QTest::keyClick(d->boxVariables, Qt::Key_Return);
    EXPECT_EQ(d.text(d->boxVariables), "\"ab");
    QTest::keyClick(d->boxUnits, Qt::Key_Return);
    EXPECT_EQ(d.text(d->boxUnits), "*");
}

TEST(FormatDialogTyping, ADoubleClickOnAKnownNameOpensTheListAtItAndOnAnUnknownWordDoesNot) {
    Dialog d(1, hourly("year, hour, zzz"));
    d->Form_Activate();
    d->CaretPos = 8; // inside "hour"
    d->boxDoubleClick(d->boxVariables);
    EXPECT_EQ(d.selected(d->boxVariables), "hour");
    ASSERT_FALSE(d->ListVariables->isHidden());
    EXPECT_EQ(d->ListVariables->currentItem()->text(), "hour");
    d->CaretPos = 14; // inside "zzz"
    d->boxDoubleClick(d->boxVariables);
    EXPECT_TRUE(d->ListVariables->isHidden());
}

// ---- Statistics files -------------------------------------------------------------------------

TEST(FormatDialogStatistics, DailyAvInCapitalsOpensAsDailyAveragesWithTheirCatalogue) {
    Dialog d(4, {"", "*", "*", "DAILYAV"});
    d->Form_Activate();
    EXPECT_TRUE(d->Option1[2]->isChecked());
    EXPECT_FALSE(d->boxRows->isEnabled());
    EXPECT_EQ(d.text(d->boxRows), "DailyAv");
    EXPECT_EQ(d.text(d->boxVariables), "\" \"") << "a new statistics file gets a blank heading";
    EXPECT_EQ(d->ListVariables->count(), static_cast<int>(demo().BothSidesVarNames.size()) - 1);
}

TEST(FormatDialogStatistics, StreetsInASingleStreetProjectOpensAsMultiStreetsThoughTheUserCannotChooseIt) {
    Dialog d(4, {"\"Street\"", "*", "*", "streets"});
    d->Form_Activate();
    EXPECT_TRUE(d->Option1[1]->isChecked());
    EXPECT_FALSE(d->Option1[1]->isEnabled());
    EXPECT_EQ(d->ListVariables->count(), static_cast<int>(demo().StatVarNames.size()) - 1);
}

TEST(FormatDialogStatistics, AnEmptyRowsListInAMultiStreetProjectBecomesStreets) {
    Dialog d(4, {"", "*", "*", ""}, true);
    d->Form_Activate();
    EXPECT_TRUE(d->Option1[1]->isChecked());
    EXPECT_FALSE(d->Option1[0]->isEnabled());
    EXPECT_EQ(d.text(d->boxRows), "streets");
}

TEST(FormatDialogStatistics, OkRefusesAColumnAndRowThatFormNoStatistic) {
    Dialog d(4, {"\"Series\", Av_1", "*", "*", "NO2_mod, NOx_b"});
    d->Form_Activate();
    EXPECT_TRUE(d.ui.messages.empty());
    d->boxRows->setPlainText("NO2_mod, Rubbish_b");
    d->btnEndFormat_Click();
    EXPECT_TRUE(d->StatRowsError);
    EXPECT_EQ(d.ui.messages.back(),
              "Combination of the variables: Av_1 and Rubbish_b is not a valid combination!");
    EXPECT_NE(d->result().rowList, "NO2_mod, Rubbish_b") << "nothing stored";
}

// ---- Handing the lists back --------------------------------------------------------------------

TEST(FormatDialogResult, OkHandsBackTheBoxesAndTheCallersStateIsNotTouched) {
    State project;
    project.NumInputFiles = 1;
    project.InputVarLists[1] = "year, hour";
    Dialog d(1, hourly("year,HOUR"));
    d->Form_Activate();
    d->boxUnits->setPlainText("1, 1");
    d->btnEndFormat_Click();
    EXPECT_EQ(d->result().varList, "year, hour");
    EXPECT_EQ(d->result().scalingList, "1, 1");
    EXPECT_EQ(d->result().formatList, "*");
    EXPECT_EQ(project.InputVarLists[1], "year, hour");
    EXPECT_FALSE(project.ProjectChanged);
}

// ---- Format files ----------------------------------------------------------------------------

TEST(FormatDialogFiles, AOneLineFileFillsOnlyTheVariablesAndAFourLineFileOnlyGivesRowsToStatisticsFiles) {
    test::TempDir dir;
    const auto one = dir.write("one.fmt", "year, month\r\n").string();
    const auto four = dir.write("four.fmt", "\"S\", Average_1\r\n-14, *\r\n2\r\nNO2_mod\r\n").string();
    Dialog out(2, {"year", "old format", "old scaling", ""});
    out->Form_Activate();
    out.ui.files = {one, four};
    out->btnLoadList_Click(0);
    EXPECT_EQ(out.text(out->boxVariables), "year, month");
    EXPECT_EQ(out.text(out->boxFormats), "old format");
    out->btnLoadList_Click(0);
    EXPECT_EQ(out.text(out->boxFormats), "-14, *");
    EXPECT_EQ(out.text(out->boxUnits), "2");
    EXPECT_EQ(out.text(out->boxRows), "") << "the rows line is ignored for an hourly output file";

    Dialog stat(4, {"\"Series\"", "*", "*", "NOx_mod"});
    stat->Form_Activate();
    stat.ui.files = {four};
    stat->btnLoadList_Click(0);
    EXPECT_EQ(stat.text(stat->boxRows), "NO2_mod");
}

TEST(FormatDialogFiles, SaveWritesTheBoxesAndAnUnwritablePlaceIsReported) {
    test::TempDir dir;
    Dialog d(1, hourly("year, hour"));
    d->Form_Activate();
    const auto path = (dir.path() / "saved.fmt").string();
    d.ui.files = {path};
    d->btnSave_Click();
    EXPECT_EQ(test::readFile(path), "year, hour\r\n*\r\n*\r\n");
    fs::create_directory(dir.path() / "folder.fmt");
    d.ui.files = {(dir.path() / "folder.fmt").string()};
    d->btnSave_Click();
    ASSERT_FALSE(d.ui.messages.empty());
    EXPECT_NE(d.ui.messages.back().find("could not be saved"), std::string::npos);
}

// ---- The header view ---------------------------------------------------------------------------

namespace {

QStringList headerCaptions(QTableWidget *grid) {
    QStringList out;
    for (int c = 0; c < grid->columnCount(); ++c) {
        out << grid->horizontalHeaderItem(c)->text();
    }
    return out;
}

} // namespace

TEST(FormatDialogHeader, ATextFileShowsItsFirstLineAsCaptionsWithRepeatsRenamedAndNoRows) {
    test::TempDir dir;
    dir.write("Met.txt", "Date Hour T_1 T_1\r\n1 2 3 4\r\n");
    Dialog d(1, hourly(""), false, "Met.txt", dir.path().string() + "/");
    d->Form_Activate();
    d->btnViewHeader_Click();
    EXPECT_FALSE(d->HeaderFailed);
    EXPECT_EQ(headerCaptions(d->DataGrid1), (QStringList{"Date", "Hour", "T_1", "T_2"}));
    EXPECT_EQ(d->DataGrid1->rowCount(), 0);
    EXPECT_TRUE(d->Frame5->isVisible());
    d->btnViewHeader_Click();
    EXPECT_FALSE(d->Frame5->isVisible()) << "the button closes an open view";
}

TEST(FormatDialogHeader, AWorkbookSheetShowsItsColumnNames) {
    test::TempDir dir;
    std::string error;
    auto writer = createTable((dir.path() / "Back.xls").string(), "Hours", {{"year"}, {"cPM2.5_b"}}, &error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->close(&error)) << error;
    Dialog d(1, hourly(""), false, "Back.xls;Hours$", dir.path().string() + "/");
    d->Form_Activate();
    d->btnViewHeader_Click();
    EXPECT_EQ(headerCaptions(d->DataGrid1), (QStringList{"year", "cPM2.5_b"}));
}

TEST(FormatDialogHeader, ARealAccessTableShowsItsFields) {
    const fs::path source = test::sharedTestFile("mdb/nwind.mdb");
    WINVESK_NEEDS_SHARED_FILE(source);
    test::TempDir dir;
    fs::copy_file(source, dir.path() / "nwind.mdb");
    Dialog d(1, hourly(""), false, "nwind.mdb;Order Details", dir.path().string() + "/");
    d->Form_Activate();
    d->btnViewHeader_Click();
    EXPECT_EQ(headerCaptions(d->DataGrid1),
              (QStringList{"OrderID", "ProductID", "UnitPrice", "Quantity", "Discount"}));
}

TEST(FormatDialogHeader, AMissingFileIsReportedAndNoViewOpens) {
    Dialog d(1, hourly(""), false, "Gone.txt", "/nowhere/");
    d->Form_Activate();
    d->btnViewHeader_Click();
    EXPECT_TRUE(d->HeaderFailed);
    ASSERT_FALSE(d.ui.messages.empty());
    EXPECT_EQ(d.ui.messages.back().rfind("No such file or the file cannot be accessed", 0), 0u);
    EXPECT_FALSE(d->Frame5->isVisible());
}

TEST(FloatingFrames, TheHeaderFrameWidensButNeverNarrowsItsGridBelowTheMinimum) {
    QWidget owner;
    FloatingFrame frame("F", "S", "C", false, &owner);
    auto *grid = new QTableWidget(&frame);
    frame.setContent(grid, 100, 0);
    frame.resize(300, 60);
    frame.show();
    QApplication::processEvents();
    const int start = frame.width();
    frame.pressAt(QPoint(frame.width() - 3, 30), QPoint(1000, 500));
    EXPECT_TRUE(frame.SizingWidth);
    frame.moveTo(QPoint(0, 0), QPoint(1040, 500));
    EXPECT_EQ(frame.width(), start + 40);
    frame.moveTo(QPoint(0, 0), QPoint(1000 - 1000, 500));
    EXPECT_EQ(frame.width(), start + 40) << "too narrow: the width stays";
    frame.release();
    EXPECT_FALSE(frame.SizingWidth);
    EXPECT_TRUE(grid->isEnabled());
}

// ---- The catalogue view and its printing -------------------------------------------------------

TEST(FormatDialogCatalogue, ShowsEveryKnownVariableWithItsDescriptionAndPrintsOnSeveralPages) {
    test::TempDir dir;
    Dialog d(4, {"\"Series\", Av_1", "*", "*", "NO2_mod"});
    d->Form_Activate();
    d->btnShowVariables_Click();
    ASSERT_TRUE(d->Frame3->isVisible());
    ASSERT_EQ(d->MSFlexGrid1->rowCount(), d->ListVariables->count());
    EXPECT_EQ(d->MSFlexGrid1->item(0, 0)->text(), d->ListVariables->item(0)->text());
    EXPECT_FALSE(d->MSFlexGrid1->item(0, 1)->text().isEmpty());
    const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    auto pagesOf = [&](const QString &file) {
        const std::string bytes = test::readFile(file.toStdString());
        return static_cast<int>(
            QString::fromLatin1(bytes.data(), static_cast<int>(bytes.size())).count(page));
    };
    const QString chosen = QString::fromStdString((dir.path() / "chosen.pdf").string());
    d->choosePrinter = [&](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(chosen);
        return true;
    };
    d->btnPrint_Click();
    EXPECT_GE(pagesOf(chosen), 2) << d->ListVariables->count() << " names need more than one page";

    const QString direct = QString::fromStdString((dir.path() / "direct.pdf").string());
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(direct);
    const int printed = d->printCatalogue(printer);
    EXPECT_EQ(printed, pagesOf(direct));

    d->choosePrinter = [](QPrinter &) { return false; };
    const QString cancelled = QString::fromStdString((dir.path() / "cancelled.pdf").string());
    d->btnPrint_Click();
    EXPECT_FALSE(fs::exists(cancelled.toStdString()));
    d->btnShowVariables_Click();
    EXPECT_FALSE(d->Frame3->isVisible()) << "the button closes an open view";
}

TEST(FormatDialogStatistics, SwitchingBackToSingleStreetEnablesTheRowsAndLeavesDailyAvForTheUserToReplace) {
    Dialog d(4, {"\"Day\"", "*", "*", "DailyAv"});
    d->Form_Activate();
    d.ui.messages.clear();
    d->Option1[0]->setChecked(true);
    d->Option1_Click(0);
    EXPECT_TRUE(d->boxRows->isEnabled());
    EXPECT_EQ(d.text(d->boxRows), "DailyAv");
    EXPECT_TRUE(d.ui.messages.empty()) << "nothing is checked until the box is left";
    EXPECT_EQ(d->ListVariables->count(), static_cast<int>(demo().SeriesVarNames.size()) - 1);
}

TEST(FormatDialogAids, LoadFromProjectOffersTheProjectsListsAndAChoiceReplacesTheBoxLastEdited) {
    FormatDialogInput in;
    in.kind = 1;
    in.lists = hourly("year");
    in.projectList = {"year, month", "year, hour, u_mast"};
    test::ScriptedInteraction ui;
    frmFormatFile d(demo(), in, ui);
    d.Form_Activate();
    d.btnLoadList_Click(1);
    ASSERT_FALSE(d.lstProjectList->isHidden());
    ASSERT_EQ(d.lstProjectList->count(), 2);
    d.lstProjectList->setCurrentRow(1);
    d.lstProjectList_CopyEntry();
    EXPECT_EQ(QApplication::clipboard()->text(), "year, hour, u_mast");
    d.lstProjectList_DblClick();
    EXPECT_EQ(d.boxVariables->toPlainText(), "year, hour, u_mast");
    EXPECT_TRUE(d.lstProjectList->isHidden());
}
