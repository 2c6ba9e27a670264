// The results window: reached from the main window after a run, its pages,
// Window and Format menus, the number and column dialogs, comments, result
// files and printing.

#include "run/RunCalculation.h"
#include "run/results/ResultsFixture.h"
#include "ui/WindowSession.h"
#include "ui/common/QtInteraction.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/ResultsTablePainter.h"
#include "ui/results/StreetListModel.h"
#include "ui/results/frmFormatColumns.h"
#include "ui/results/frmFormatNumbers.h"
#include "ui/results/frmMultiStreetResults.h"
#include "ui/results/frmShowResults.h"
#include "ui/settings/frmConcUnits.h"

#include "calc/Format.h"
#include "core/TextIO.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <map>

using namespace vesk;
using namespace vesk::ui;
using test::Sample;
using test::Session;

namespace {

// A statistics file's cells by series and column ("NO2_mod", "Average_1").
std::map<std::string, std::map<std::string, std::string>> statisticsFile(const std::string &path) {
    std::map<std::string, std::map<std::string, std::string>> out;
    std::vector<std::vector<std::string>> rows;
    for (const std::string &line : splitLines(test::readFile(path))) {
        std::vector<std::string> cells;
        for (const QString &cell : QString::fromStdString(line).split(QLatin1Char(';'))) {
            cells.push_back(cell.trimmed().toStdString());
        }
        rows.push_back(cells);
    }
    for (std::size_t r = 1; r < rows.size(); ++r) {
        for (std::size_t c = 1; c < rows[r].size() && c < rows[0].size(); ++c) {
            out[rows[r][0]][rows[0][c]] = rows[r][c];
        }
    }
    return out;
}

int rowOf(const results::ResultsPage &t, const std::string &label, int from = 0) {
    return test::ResultsFixture::rowOf(t, label, from);
}
int columnOf(const results::ResultsPage &t, const std::string &name) {
    return test::ResultsFixture::columnOf(t, name);
}

// The text of a series row of a component: page p of the window.
std::string cellText(frmShowResults &w, int page, const std::string &component, const std::string &series,
                     const std::string &column) {
    w.cmbPage->setCurrentIndex(page);
    const results::ResultsPage &t = w.model()->page();
    const int heading = rowOf(t, component);
    const int row = rowOf(t, series, heading);
    return heading < 0 || row < 0 || columnOf(t, column) < 0 ? "(none)"
                                                             : t.cell(row, columnOf(t, column)).text;
}

// Answers the next modal dialog once it is shown.
void whenModal(std::function<void(QWidget *)> answer) {
    test::onModal<QWidget>(answer);
}

const char *kNO2 = "Nitrogen dioxide (µg/m³)";

} // namespace

TEST(ResultsFromTheMainWindow, theSampleYearShowsNO2AgainstItsLimitValuesWithTheNumbersOfTheStatisticsFile) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    ASSERT_FALSE(s->action("menLastResults")->isEnabled());
    std::map<std::string, std::string> seen;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmShowResults &>(dialog);
        for (int side = 1; side <= 2; ++side) {
            const std::string n = std::to_string(side);
            seen["Average_" + n] = cellText(w, side, kNO2, "Street Modelled", "Average");
            seen["19thHighest_" + n] = cellText(w, side, kNO2, "Street Modelled", "19th highest");
        }
        w.cmbPage->setCurrentIndex(0);
        const results::ResultsPage &t = w.model()->page();
        const int limit = rowOf(t, "EU limit value, annual and hourly");
        ASSERT_GT(limit, rowOf(t, kNO2));
        seen["limit annual"] = t.cell(limit, columnOf(t, "Average")).text;
        seen["limit hourly"] = t.cell(limit, columnOf(t, "19th highest")).text;
        seen["key info"] = w.txtKeyInfo->toPlainText().toStdString();
    };
    ASSERT_NO_FATAL_FAILURE(s.runToEnd());
    ASSERT_EQ(s.resultsWindows.size(), 1u) << "the options ask for the summary after every run";
    EXPECT_EQ(s.resultsWindows[0].rfind("Summary of Results for Demo Street. Calculated on ", 0), 0u);

    const auto stats = statisticsFile(sample.appDir + "Working/Stat2023.txt");
    const auto &no2 = stats.at("NO2_mod");
    for (const char *column : {"Average_1", "Average_2", "19thHighest_1", "19thHighest_2"}) {
        EXPECT_EQ(seen[column], no2.at(column)) << column;
    }
    EXPECT_EQ(seen["limit annual"], "40");
    EXPECT_EQ(seen["limit hourly"], "200");
    EXPECT_NE(
        seen["key info"].find("Period Covered (Default Meteorological Data): 01. January 2023 00:00  -  "
                              "31. December 2023 23:00"),
        std::string::npos)
        << seen["key info"];

    EXPECT_TRUE(s->action("menLastResults")->isEnabled());
    EXPECT_TRUE(s->toolbarKey("results")->isEnabled());
    s.onResultsWindow = nullptr;
    s->Toolbar1_ButtonClick("RESULTS");
    EXPECT_EQ(s.resultsWindows.size(), 2u) << "the toolbar key opens the summary again";
}

TEST(ResultsFromTheMainWindow, aSavedResultFileOpensFromTheFileMenuAndABrokenOneIsReported) {
    Sample sample;
    Session s(sample, sample.project());
    const std::string saved = sample.appDir + "Working/Summary.res";
    s.onResultsWindow = [&](QDialog &dialog) {
        s.ui.files.push_back(saved);
        dynamic_cast<frmShowResults &>(dialog).menSave_Click();
    };
    s.runToEnd();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(saved)));
    EXPECT_EQ(s.state.LastResultFile, saved);

    std::string shownFirstCell;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmShowResults &>(dialog);
        EXPECT_TRUE(s.state.ResultsFromFile);
        EXPECT_FALSE(w.menNewFile[0]->isVisible()) << "there is no current run to return to";
        shownFirstCell = w.model()->page().cell(0, 0).text;
    };
    s.ui.files.push_back(saved);
    s->action("menOpenSavedSingle")->trigger();
    EXPECT_EQ(shownFirstCell, "Page 0");
    EXPECT_FALSE(s.state.ResultsFromFile) << "closing the window ends the file's display";

    const std::size_t windows = s.resultsWindows.size();
    const std::size_t messages = s.ui.messages.size();
    s.ui.files.push_back(std::nullopt);
    s->menOpenSavedSingle_Click();
    EXPECT_EQ(s.ui.messages.size(), messages) << "a cancelled choice says nothing";

    const test::TempDir scratch;
    s.ui.files.push_back(scratch.write("bad.res", "\"only one line\"\r\n").string());
    s->menOpenSavedSingle_Click();
    EXPECT_EQ(s.resultsWindows.size(), windows);
    ASSERT_EQ(s.ui.messages.size(), messages + 1);
    EXPECT_EQ(s.ui.messages.back().rfind(
                  "Can't open the file!\r\n\r\nIt's not an VESK Single Street Result File", 0),
              0u);

    // A row with one cell deleted would show its values under the wrong headings.
    std::string text = test::readFile(saved);
    const std::size_t rowEnd = text.find("\r\n", text.find("Street Modelled;"));
    const std::size_t lastCell = text.rfind(';', rowEnd);
    text.erase(lastCell, rowEnd - lastCell);
    s.ui.files.push_back(scratch.write("short row.res", text).string());
    s->menOpenSavedSingle_Click();
    EXPECT_EQ(s.resultsWindows.size(), windows) << "no table is shown";
    ASSERT_EQ(s.ui.messages.size(), messages + 2);
    EXPECT_EQ(s.ui.messages.back().rfind("Can't open the file!\r\n\r\nIt's not an VESK", 0), 0u);
    EXPECT_NE(s.ui.messages.back().find("cells where the column names of its page are"), std::string::npos)
        << s.ui.messages.back();
}

TEST(ResultsTableLayout, aTextWiderThanAnIntOfTwipsGivesTheWidestColumnAndAGridOfPixelsStillPositive) {
    results::ResultsPage page;
    page.columnWidthsTwips = {results::kFirstColumnTwips};
    page.rows.resize(1);
    page.rows[0].cells.resize(1);
    page.rows[0].cells[0].text = "Nitrogen dioxide";
    // A billionth of a unit per twip: the text alone needs far more twips than an int holds.
    widenColumnsToFit(page, QApplication::font(), nullptr, 1e-9);
    EXPECT_EQ(page.columnWidthsTwips[0], std::numeric_limits<int>::max());
    EXPECT_EQ(twipsToPixels(page.gridWidthTwips()), std::numeric_limits<int>::max() / 15);
}

// Answers the next dialog of type D once it is shown.
template <typename D> void whenShown(std::function<void(D &)> act) {
    test::onModal<D>([act](D *dialog) { act(*dialog); });
}

TEST(ResultsFromTheMainWindow, theDataCaptureOfACompleteMonthIsAHundredPerCent) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    for (int which = 0; which < 2; ++which) {
        (which == 0 ? s->chkStartAuto : s->chkEndAuto)->setChecked(false);
        s->chkAuto_Click(which);
    }
    s->mEditStart->setText("01-03-2023");
    s->txtHourStart->setText("1");
    s->mEditEnd->setText("31-03-2023");
    s->txtHourEnd->setText("24");
    std::string hourly, daily, average;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmShowResults &>(dialog);
        w.cmbPage->setCurrentIndex(1);
        const results::ResultsPage &t = w.model()->page();
        const int modelled = rowOf(t, "Street Modelled", rowOf(t, kNO2));
        int first = -1, last = -1;
        for (int c = 0; c < t.columnCount(); ++c) {
            if (t.cell(1, c).text == "Data capture") {
                last = c;
                first = first < 0 ? c : first;
            }
        }
        ASSERT_GT(first, 0);
        hourly = t.cell(modelled, first).text;
        daily = t.cell(modelled, last).text;
        average = t.cell(modelled, columnOf(t, "Average")).text;
    };
    ASSERT_NO_FATAL_FAILURE(s.runToEnd());
    ASSERT_EQ(s.resultsWindows.size(), 1u) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_EQ(hourly, Format(100.0f, s.state.NumberFormat)) << "744 hours of a 744-hour March, not 8.49 %";
    EXPECT_EQ(daily, Format(100.0f, s.state.NumberFormat)) << "31 days of 31";
    EXPECT_NE(average, "--");
}

TEST(ResultsFromTheMainWindow, carbonMonoxideIsShownInTheOutputUnitTheRunWroteWithTheUnitInItsHeading) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    whenShown<ui::frmConcUnits>([](ui::frmConcUnits &u) {
        u.cmbUnit_Click(false, 4, 1); // CO output: µg/m³
        u.btnOK_Click();
    });
    s->action("menConcUnit")->trigger();
    ASSERT_EQ(s.state.OutputUnit[4], "microg");
    std::map<std::string, std::string> seen;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmShowResults &>(dialog);
        seen["side 1"] = cellText(w, 1, "Carbon monoxide (µg/m³)", "Street Modelled", "Average");
        w.cmbPage->setCurrentIndex(0);
        const results::ResultsPage &t = w.model()->page();
        const int co = rowOf(t, "Carbon monoxide (µg/m³)");
        const int limit = rowOf(t, "EU limit value, maximum daily 8-hour mean", co);
        int run8 = -1;
        for (int c = 0; c < t.columnCount(); ++c) {
            if (t.cell(0, c).text == "Running 8 hours averages" && t.cell(1, c).text == "Maximum") {
                run8 = c;
            }
        }
        seen["limit"] = limit > co && run8 > 0 ? t.cell(limit, run8).text : "(none)";
    };
    s.runToEnd();
    const auto stats = statisticsFile(sample.appDir + "Working/Stat2023.txt");
    EXPECT_EQ(seen["side 1"], stats.at("CO_mod").at("Average_1")) << "the statistics file's µg/m³";
    EXPECT_GT(std::stod(seen["side 1"]), 100.0);
    EXPECT_EQ(seen["limit"], "10000") << "10 mg/m³ given in µg/m³";
}

class ResultsWindow : public test::ResultsFixture {
protected:
    ResultsWindow() {
        s.CalcTime = "2024-03-05 14:07:09";
        s.StreetName = "Test Street";
        s.ResultFileName = "untitled";
        s.UserComments = "Run comments";
        s.WorkDir = dir.path().string() + "/";
        w = std::make_unique<frmShowResults>(s, ui, settings);
        EXPECT_TRUE(w->Form_Load());
    }
    const results::ResultsPage &page() const { return w->model()->page(); }
    std::string saveTo(const std::string &name) {
        const std::string path = (dir.path() / name).string();
        ui.files.push_back(path);
        w->menSave_Click();
        return path;
    }
    std::string copyOf(const std::string &path, const std::string &name) {
        const std::string copy = (dir.path() / name).string();
        std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
        return copy;
    }
    std::unique_ptr<frmShowResults> w;
};

TEST_F(ResultsWindow, thePageListSwitchesBetweenTheLargerSideAndEachSide) {
    ASSERT_EQ(w->cmbPage->count(), 3);
    EXPECT_EQ(w->cmbPage->itemText(1), "Receptor 1; z = 2 m");
    EXPECT_EQ(cellText(*w, 1, kNO2, "Street Modelled", "Average"), "18.46");
    EXPECT_EQ(w->CurrentPage, 1);
    EXPECT_EQ(page().cell(0, 0).text, "Page 1");
    EXPECT_EQ(cellText(*w, 0, kNO2, "Street Modelled", "Average"), "18.69");
    EXPECT_EQ(w->windowTitle(),
              "Summary of Results for Test Street. Calculated on 2024-03-05 14:07:09 [untitled]");
    EXPECT_TRUE(w->lblNotes->isVisibleTo(w.get())) << "the pollutant missing from the list is explained";
}

TEST_F(ResultsWindow, manyNotesScrollInABoxOfAFewLinesAndTheTableKeepsItsRoom) {
    // A hundred more definitions of each family, none with statistics in
    // the results: every percentile cell has a note of its own.
    const KeyedList<Pollutant> pollutants = s.PollutantList;
    results::ResultsView v = results::runView(s, pollutants);
    for (results::PercentileFamily &family : v.percentiles) {
        for (int k = 0; k < 100; ++k) {
            family.nth.push_back(2000 + k);
            family.names.push_back("P" + std::to_string(k) + "_Perc");
        }
    }
    v.limits.LimValColNthHourly.resize(static_cast<std::size_t>(v.percentiles[0].count()) + 1, "th");
    v.limits.LimValColPercHourly.resize(static_cast<std::size_t>(v.percentiles[0].count()) + 1, " perc");
    v.limits.LimValColNthRun8.resize(static_cast<std::size_t>(v.percentiles[1].count()) + 1, "th");
    v.limits.LimValColPercRun8.resize(static_cast<std::size_t>(v.percentiles[1].count()) + 1, " perc");
    v.limits.LimValColNthDaily.resize(static_cast<std::size_t>(v.percentiles[2].count()) + 1, "th");
    v.limits.LimValColPercDaily.resize(static_cast<std::size_t>(v.percentiles[2].count()) + 1, " perc");
    results::applyView(v, pollutants, s);
    results::resetPercentileHideFlags(s);
    w = std::make_unique<frmShowResults>(s, ui, settings);
    ASSERT_TRUE(w->Form_Load());
    w->resize(900, 600);
    w->show();
    QApplication::processEvents();
    const std::size_t notes = page().notes.size();
    ASSERT_GT(notes, 300u);
    EXPECT_EQ(static_cast<std::size_t>(w->lblNotes->document()->blockCount()), notes)
        << "every note, one a line";
    EXPECT_TRUE(w->lblNotes->isVisible());
    const int line = QFontMetrics(w->lblNotes->font()).lineSpacing();
    EXPECT_LE(w->lblNotes->height(), line * (frmShowResults::kNoteLines + 1));
    EXPECT_GT(w->lblNotes->verticalScrollBar()->maximum(), 0) << "the rest scrolls";
    EXPECT_GE(w->MSFlexGrid1->height(), w->height() / 3) << "the table keeps a usable height";
}

TEST_F(ResultsWindow, theWindowMenuSwitchesBetweenTheRunAndAnOpenedFile) {
    const std::string saved = saveTo("one.res");
    EXPECT_EQ(s.ResultFileName, saved);
    EXPECT_EQ(w->menNewFile[0]->text().toStdString(), saved) << "the run's item is named by its file now";
    const std::string path = copyOf(saved, "two.res");
    s.NumberFormat = "0.0";
    ui.files.push_back(path);
    w->menOpen_Click();
    ASSERT_EQ(w->menNewFile.size(), 2u);
    EXPECT_TRUE(w->menNewFile[1]->isChecked());
    EXPECT_FALSE(w->menNewFile[0]->isChecked());
    EXPECT_EQ(cellText(*w, 0, kNO2, "Street Modelled", "Average"), "18.7")
        << "stored numbers take the format";
    EXPECT_EQ(w->LastResultFolder, dir.path().string() + "/");

    w->menNewFile[0]->trigger();
    EXPECT_FALSE(s.ResultsFromFile);
    EXPECT_TRUE(w->menNewFile[0]->isChecked());
    EXPECT_FALSE(w->menNewFile[1]->isChecked());

    w->menNewFile[0]->trigger();
    EXPECT_TRUE(w->menNewFile[0]->isChecked()) << "choosing the shown item again keeps it";
    w->menNewFile[1]->trigger();
    EXPECT_TRUE(s.ResultsFromFile);
    EXPECT_EQ(w->ShownItem, 1);
}

TEST_F(ResultsWindow, aFileTheWindowMenuListsAlreadyIsShownThroughItsItemNotListedTwice) {
    const std::string saved = saveTo("one.res");
    ui.files.push_back(saved);
    w->menOpen_Click();
    EXPECT_EQ(w->menNewFile.size(), 1u) << "the run was saved as this file";
    EXPECT_TRUE(w->menNewFile[0]->isChecked());
    EXPECT_FALSE(s.ResultsFromFile);

    const std::string other = copyOf(saved, "two.res");
    for (int i = 0; i < 2; ++i) {
        ui.files.push_back(other);
        w->menOpen_Click();
    }
    ASSERT_EQ(w->menNewFile.size(), 2u);
    EXPECT_TRUE(w->menNewFile[1]->isChecked());
    EXPECT_TRUE(s.ResultsFromFile);

    ui.files.push_back(saved);
    w->menOpen_Click();
    EXPECT_EQ(w->menNewFile.size(), 2u);
    EXPECT_TRUE(w->menNewFile[0]->isChecked());
    EXPECT_FALSE(s.ResultsFromFile);
}

TEST_F(ResultsWindow, aSavedFileKeepsEveryDigitAndEveryColumnWhateverTheWindowShowed) {
    s.NumberFormat = "0.0";
    s.HideColMaxHourly = true;
    w->RedrawTable();
    ASSERT_EQ(cellText(*w, 0, kNO2, "Street Modelled", "Average"), "18.7");
    const std::string path = copyOf(saveTo("rounded.res"), "reopened.res");
    ui.files.push_back(path);
    w->menOpen_Click();
    ASSERT_TRUE(s.ResultsFromFile);

    whenModal([](QWidget *dialog) {
        auto *numbers = qobject_cast<frmFormatNumbers *>(dialog);
        ASSERT_NE(numbers, nullptr);
        numbers->txtFormat->setText("0.00");
        numbers->btnOK_Click();
    });
    ASSERT_NO_FATAL_FAILURE(w->findChild<QAction *>("menNumbers")->trigger());
    EXPECT_EQ(cellText(*w, 0, kNO2, "Street Modelled", "Average"), "18.69") << "not 18.70";
    EXPECT_EQ(cellText(*w, 0, kNO2, "Street Modelled", "Maximum"), "39.97")
        << "the first maximum is the 8-hour one: the hourly one stays hidden as the column choice says";

    // The column hidden before saving is in the file: showing it again shows its numbers.
    whenModal([](QWidget *dialog) {
        auto *columns = qobject_cast<frmFormatColumns *>(dialog);
        ASSERT_NE(columns, nullptr);
        for (int i = 0; i < columns->List1->count(); ++i) {
            columns->List1->item(i)->setCheckState(Qt::Checked);
        }
        columns->btnOK_Click();
    });
    ASSERT_TRUE(w->menColumns->isEnabled()) << "the column choice applies to a stored table too";
    ASSERT_NO_FATAL_FAILURE(w->menColumns->trigger());
    EXPECT_FALSE(s.HideColMaxHourly);
    const results::ResultsPage &t = page();
    const int modelled = rowOf(t, "Street Modelled", rowOf(t, kNO2));
    EXPECT_EQ(t.cell(modelled, columnOf(t, "Maximum")).text, "55.85");
}

TEST_F(ResultsWindow, aWindowMenuFileThatCannotBeReadAnyMoreKeepsTheResultsShown) {
    const std::string path = copyOf(saveTo("saved.res"), "gone.res");
    ui.files.push_back(path);
    w->menOpen_Click();
    w->menNewFile[0]->trigger();
    std::filesystem::remove(path);
    w->menNewFile[1]->trigger();
    EXPECT_FALSE(s.ResultsFromFile);
    EXPECT_TRUE(w->menNewFile[0]->isChecked());
    EXPECT_FALSE(w->menNewFile[1]->isChecked());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().rfind("It's not an VESK Single Street Result File", 0), 0u);
}

TEST_F(ResultsWindow, theColumnDialogHidesAColumnAndApplyThenCancelKeepsWhatWasApplied) {
    ASSERT_GT(columnOf(page(), "19th highest"), 0);
    whenModal([](QWidget *dialog) {
        auto *columns = qobject_cast<frmFormatColumns *>(dialog);
        ASSERT_NE(columns, nullptr);
        EXPECT_EQ(columns->windowTitle(), "Select Columns to show");
        ASSERT_EQ(columns->List1->item(0)->text(), "Hourly values") << "each section under its heading";
        EXPECT_FALSE(columns->List1->item(0)->flags() & Qt::ItemIsUserCheckable);
        EXPECT_EQ(columns->List1->item(3)->text().trimmed(), "19th highest");
        columns->List1->item(3)->setCheckState(Qt::Unchecked);
        columns->btnApply_Click();
        columns->btnCancel_Click();
    });
    ASSERT_NO_FATAL_FAILURE(w->menColumns->trigger());
    EXPECT_TRUE(s.HideColPercHourly[1]);
    EXPECT_EQ(columnOf(page(), "19th highest"), -1);
}

TEST_F(ResultsWindow, theNumberDialogStartsWithTheFormatInForceAndRefusesAPatternThatIsNoNumberFormat) {
    whenModal([](QWidget *dialog) {
        auto *numbers = qobject_cast<frmFormatNumbers *>(dialog);
        ASSERT_NE(numbers, nullptr);
        EXPECT_EQ(numbers->txtFormat->text(), "0.#0");
        numbers->txtFormat->setText("dd.mm.yyyy");
        EXPECT_FALSE(numbers->btnOK->isEnabled());
        numbers->btnOK_Click();
        EXPECT_FALSE(numbers->isHidden()) << "an invalid pattern is not taken";
        numbers->txtFormat->setText("0.000");
        numbers->btnOK_Click();
    });
    ASSERT_NO_FATAL_FAILURE(w->findChild<QAction *>("menNumbers")->trigger());
    EXPECT_EQ(s.NumberFormat, "0.000");
    EXPECT_EQ(cellText(*w, 0, kNO2, "Street Modelled", "Average"), "18.690");
}

TEST_F(ResultsWindow, commentsReachTheRunOnlyWhileTheRunIsShown) {
    w->btnComments_Click();
    ASSERT_FALSE(w->Frame1->isHidden());
    EXPECT_EQ(w->txtComments->toPlainText(), "Run comments");
    w->txtComments->setPlainText("Checked against the monitor");
    w->btnClose_Click();
    EXPECT_EQ(s.UserComments, "Checked against the monitor");

    const std::string path = copyOf(saveTo("commented.res"), "commented copy.res");
    ui.files.push_back(path);
    w->menOpen_Click();
    w->btnComments_Click();
    EXPECT_EQ(w->txtComments->toPlainText(), "Checked against the monitor\n");
    w->txtComments->setPlainText("A note on the file only");
    w->btnClose_Click();
    EXPECT_EQ(s.UserComments, "Checked against the monitor") << "an opened file's comments stay its own";
    w->reject();
    EXPECT_EQ(s.UserComments, "Checked against the monitor");
    EXPECT_FALSE(s.ResultsFromFile);
}

TEST_F(ResultsWindow, closingTheRunsWindowKeepsCommentsTypedIntoTheOpenPanel) {
    w->btnComments_Click();
    w->txtComments->setPlainText("Typed, panel left open");
    w->accept();
    EXPECT_EQ(s.UserComments, "Typed, panel left open");
}

TEST_F(ResultsWindow, aPdfOfAPageRangeHoldsOneSheetPerPageAndOnlyPageZeroOpensWithTheKeyInformation) {
    auto print = [&](int from, int to, std::vector<QString> *lines) {
        const QString path = QString::fromStdString((dir.path() / "range.pdf").string());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        *lines = w->printResults(printer);
        QFile pdf(path);
        EXPECT_TRUE(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        return bytes.count("/Type /Page") - bytes.count("/Type /Pages");
    };
    std::vector<QString> lines;
    EXPECT_EQ(print(2, 9, &lines), 2) << "the sides' pages, the range clipped to the last page";
    EXPECT_EQ(std::count(lines.begin(), lines.end(), QStringLiteral("No User Comments")), 0);
    EXPECT_EQ(lines.front(), "Receptor 1");

    EXPECT_EQ(print(0, 0, &lines), 3);
    EXPECT_EQ(lines.front(), "untitled");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), QStringLiteral("User Comments:")), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), QStringLiteral("Run comments")), 1);
}

TEST_F(ResultsWindow, printProposesAPdfNamedByTheStreetInTheProjectFolder) {
    s.ProjectFile = s.WorkDir + "Test.vkp"; // the project whose run the window shows is open
    QString proposed;
    w->choosePrinter = [&](QPrinter &printer) {
        proposed = printer.outputFileName();
        return false;
    };
    w->menPrint_Click();
    EXPECT_EQ(proposed.toStdString(), (dir.path() / "Test Street_results.pdf").string());

    s.StreetName = "Ring Road 4/5: north";
    frmShowResults other(s, ui, settings);
    other.Form_Load();
    other.choosePrinter = w->choosePrinter;
    other.menPrint_Click();
    EXPECT_EQ(proposed.toStdString(), (dir.path() / "Ring Road 4_5_ north_results.pdf").string())
        << "a name no file system refuses, without the caption's path and brackets";
}

TEST_F(ResultsWindow, aResultFileSavedUnderANameWithoutExtensionGetsTheExtensionOfTheChosenFilter) {
    ui::QtInteraction dialogs;
    frmShowResults real(s, dialogs, settings);
    real.Form_Load();
    test::typeIntoFileDialog(QStringLiteral("Summary of March"));
    ASSERT_NO_FATAL_FAILURE(real.menSave_Click());
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Summary of March.res"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Summary of March"));
    EXPECT_EQ(s.ResultFileName, (dir.path() / "Summary of March.res").string());
}

TEST_F(ResultsWindow, toolbarKeysAreMatchedWithoutRegardToCase) {
    ui.files.push_back(std::nullopt);
    w->Toolbar1_ButtonClick("oPeN");
    EXPECT_EQ(w->OpenError, 32755) << "the open dialog was shown and cancelled";
    w->Toolbar1_ButtonClick("Unknown");
    EXPECT_EQ(w->OpenError, 32755);
}

TEST(MultiStreetResultsFromTheMainWindow, theStreetListShowsEveryStreetAndOpensOneStreetsResults) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    std::vector<std::string> streets, calculated;
    std::string sortedFirst, streetAverage, streetCaption;
    s.onResultsWindow = [&](QDialog &dialog) {
        if (auto *street = dynamic_cast<frmShowResults *>(&dialog)) {
            streetCaption = street->windowTitle().toStdString();
            streetAverage = cellText(*street, 1, kNO2, "Street Modelled", "Average");
            return;
        }
        auto &w = dynamic_cast<frmMultiStreetResults &>(dialog);
        QAbstractItemModel *list = w.sorted();
        for (int r = 0; r < list->rowCount(); ++r) {
            streets.push_back(list->index(r, StreetListModel::ColStreet).data().toString().toStdString());
            calculated.push_back(list->index(r, StreetListModel::ColActive).data().toString().toStdString());
        }
        // Sorted by the NO2 annual mean, largest first.
        const int average = StreetListModel::FirstStatisticColumn;
        ASSERT_EQ(list->headerData(average, Qt::Horizontal).toString(), "NO2\nAverage\nlimit 40 µg/m³");
        w.grdStreets->sortByColumn(average, Qt::DescendingOrder);
        sortedFirst = list->index(0, StreetListModel::ColStreet).data().toString().toStdString();
        // Market Street's own results window.
        for (int r = 0; r < list->rowCount(); ++r) {
            if (list->index(r, StreetListModel::ColStreet).data().toString() == "Market Street") {
                w.showStreet(r);
            }
        }
    };
    ASSERT_NO_FATAL_FAILURE(s.runToEnd());
    EXPECT_EQ(streets,
              (std::vector<std::string>{"Harbour Road", "Market Street", "Old Lane", "Ring Avenue"}));
    EXPECT_EQ(calculated, (std::vector<std::string>{"Yes", "Yes", "No", "Yes"}));
    EXPECT_EQ(sortedFirst, "Harbour Road") << "the highest NO2 annual mean of the sample";
    EXPECT_EQ(streetCaption.rfind("Summary of Results for Market Street. Calculated on ", 0), 0u);
    const auto stats = statisticsFile(sample.appDir + "Working/StreetsStat2023.txt");
    ASSERT_TRUE(stats.count("Market Street"));
    EXPECT_EQ(Format(std::stod(streetAverage), "0.0"), stats.at("Market Street").at("AvNO2_mod_1"))
        << "the annual mean of the statistics file, which has one decimal fewer";
    EXPECT_TRUE(s->action("menLastResults")->isEnabled());
}

// Stop pressed once the second street has computed the first hour of 10
// March: the first street covers the year, the second the hours up to the
// stop, and the summary says both; the list names every street, the one
// not reached as not calculated.
TEST(MultiStreetResultsFromTheMainWindow, afterAStopThePeriodCoveredSaysWhereTheStreetStoppedEarlyEnds) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    s->runCalculation = [](State &state, RunControl &control, RunObserver &window, Interaction &ui,
                           std::string *error) {
        struct StopInTheSecondStreet : RunObserver {
            RunObserver &window;
            RunControl &control;
            bool second = false;
            StopInTheSecondStreet(RunObserver &w, RunControl &c) : window(w), control(c) {}
            void progress(double f, const std::string &text) override {
                window.progress(f, text);
                second = second || text.rfind("Calculating street #2 ", 0) == 0;
            }
            void hourDone(int day, int month, int hour) override {
                window.hourDone(day, month, hour);
                if (second && day == 10 && month == 3) {
                    control.requestStop();
                }
            }
            void runStopped(const std::string &lastDone) override { window.runStopped(lastDone); }
        } observer(window, control);
        return RunCalculation(state, control, observer, ui, error);
    };
    std::vector<std::string> keyInfo, calculated;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmMultiStreetResults &>(dialog);
        keyInfo = splitLines(w.txtKeyInfo->toPlainText().toStdString());
        for (int r = 0; r < w.model()->rowCount(); ++r) {
            calculated.push_back(
                w.model()->index(r, StreetListModel::ColActive).data().toString().toStdString());
        }
    };
    setenv("WINVESK_THREADS", "1", 1); // one street after the other
    s.runToEnd();
    unsetenv("WINVESK_THREADS");
    ASSERT_EQ(s->lblProgress->text().toStdString(),
              "The calculation was stopped after the hour beginning 2023-03-10 00:00 of street #2 out of 4, "
              "Market Street.");
    ASSERT_EQ(keyInfo.size(), 4u);
    EXPECT_EQ(keyInfo[3], "Period Covered: 01. January 2023 00:00  -  31. December 2023 23:00 (1 street ends "
                          "earlier, at 10. March 2023 00:00)");
    EXPECT_EQ(keyInfo[1].rfind("Streets: 4, of which 2 calculated; ", 0), 0u) << keyInfo[1];
    EXPECT_EQ(calculated, (std::vector<std::string>{"Yes", "Yes", "No", "No"}));
}

TEST(MultiStreetResultsFromTheMainWindow, savedStreetResultsOpenAgainFromTheFileMenu) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    const std::string saved = sample.appDir + "Working/Streets.msr";
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmMultiStreetResults &>(dialog);
        s.ui.files.push_back(saved);
        w.btnSave_Click();
        EXPECT_EQ(w.ResultFileName(), saved);
    };
    s.runToEnd();
    EXPECT_EQ(s.state.LastResultFile, saved);

    int rows = 0;
    std::string caption;
    s.onResultsWindow = [&](QDialog &dialog) {
        rows = dynamic_cast<frmMultiStreetResults &>(dialog).model()->rowCount();
        caption = dialog.windowTitle().toStdString();
    };
    s.ui.files.push_back(saved);
    s->action("menOpenSavedMulti")->trigger();
    EXPECT_EQ(rows, 4);
    EXPECT_NE(caption.find("[" + saved + "]"), std::string::npos) << caption;

    const std::size_t messages = s.ui.messages.size();
    const test::TempDir scratch;
    s.ui.files.push_back(scratch.write("bad.msr", "\"something else\"\r\n").string());
    rows = 0;
    s->menOpenSavedMulti_Click();
    EXPECT_EQ(rows, 0);
    ASSERT_EQ(s.ui.messages.size(), messages + 1);
    EXPECT_EQ(s.ui.messages.back().rfind("Can't open the file!", 0), 0u);
}

TEST(MultiStreetResultsFromTheMainWindow, resultsOfNoStreetOfferNoStreetToShow) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    const std::string saved = sample.appDir + "Working/Streets.msr";
    const std::string none = sample.appDir + "Working/NoStreets.msr";
    bool enabledWithStreets = false, enabledWithout = true;
    int rowsWithout = -1;
    std::string keyInfo;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto *w = dynamic_cast<frmMultiStreetResults *>(&dialog);
        if (w == nullptr) {
            return; // a street's own window
        }
        enabledWithStreets = w->btnShowStreet->isEnabled();
        s.ui.files.push_back(saved);
        w->btnSave_Click();
        // The same results without a street line: a run whose streets file held none.
        std::string text;
        bool inStreets = false;
        for (const std::string &line : splitLines(test::readFile(saved))) {
            if (line.rfind("\"End\"", 0) == 0) {
                text += line.substr(0, line.rfind(',')) + ",0\r\n";
                break;
            }
            if (!inStreets) {
                text += line + "\r\n";
            }
            inStreets = inStreets || line == "\"Streets\"";
        }
        std::ofstream(none, std::ios::binary) << text;
        s.ui.files.push_back(none);
        w->btnOpen_Click();
        rowsWithout = w->model()->rowCount();
        enabledWithout = w->btnShowStreet->isEnabled();
        keyInfo = w->txtKeyInfo->toPlainText().toStdString();
        w->btnShowStreet_Click();
    };
    s.runToEnd();
    EXPECT_TRUE(enabledWithStreets);
    EXPECT_EQ(rowsWithout, 0) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    EXPECT_FALSE(enabledWithout) << "Show Street Results with no street to show";
    EXPECT_NE(keyInfo.find("Streets: 0, of which 0 calculated"), std::string::npos) << keyInfo;
    EXPECT_EQ(s.resultsWindows.size(), 1u) << "no street's window opened";
}

TEST(MultiStreetResultsFromTheMainWindow, theStreetListReadsAcrossInShadedRowsAndEnterPressesNoButton) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    QRgb first = 0, second = 0;
    bool stillOpen = false;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto *w = dynamic_cast<frmMultiStreetResults *>(&dialog);
        if (w == nullptr) {
            return; // a street's own window
        }
        w->show();
        QApplication::setActiveWindow(w);
        QCoreApplication::processEvents();
        // Every other row is shaded, so that a street's values are read along its own row.
        const QImage rows = w->grdStreets->viewport()->grab().toImage();
        const int x = w->grdStreets->columnViewportPosition(StreetListModel::ColNumber) + 2;
        first = rows.pixel(x, w->grdStreets->rowViewportPosition(1) + 2); // row 0 is selected
        second = rows.pixel(x, w->grdStreets->rowViewportPosition(2) + 2);
        // Enter in the list is no click on any of the window's buttons (no street, no file dialog, no close).
        w->grdStreets->setFocus();
        QTest::keyClick(w->grdStreets, Qt::Key_Return);
        stillOpen = w->isVisible();
        w->hide();
    };
    s.runToEnd();
    EXPECT_NE(first, second) << "the rows are not shaded in turn";
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(s.resultsWindows.size(), 1u) << "Enter opened a street's window";
    EXPECT_TRUE(s.ui.fileChoices.empty()) << "Enter opened a file dialog";
}

TEST(MultiStreetResultsFromTheMainWindow, everyHeadingAndEveryLineOfTheKeyInformationIsShownWhole) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    std::vector<std::string> cut;
    int keyInfoLines = 0, hiddenLines = -1;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto *w = dynamic_cast<frmMultiStreetResults *>(&dialog);
        if (w == nullptr) {
            return;
        }
        w->show();
        QCoreApplication::processEvents();
        // Each column as wide as its heading with the sort mark beside it, and as its values.
        QHeaderView *header = w->grdStreets->horizontalHeader();
        const QFontMetrics metrics = w->grdStreets->fontMetrics();
        QAbstractItemModel *list = w->sorted();
        for (int c = 0; c < list->columnCount(); ++c) {
            int widest = header->sectionSizeHint(c);
            for (int r = 0; r < list->rowCount(); ++r) {
                widest = std::max(widest, metrics.horizontalAdvance(list->index(r, c).data().toString()));
            }
            if (header->sectionSize(c) < widest) {
                cut.push_back(list->headerData(c, Qt::Horizontal).toString().toStdString());
            }
        }
        // The key information without a scroll bar: every line in sight.
        keyInfoLines = w->txtKeyInfo->document()->lineCount();
        hiddenLines = w->txtKeyInfo->verticalScrollBar()->maximum();
        w->hide();
    };
    s.runToEnd();
    EXPECT_TRUE(cut.empty()) << "cut: " << cut.front();
    EXPECT_EQ(keyInfoLines, 4);
    EXPECT_EQ(hiddenLines, 0) << "a line of the key information is out of sight";
}

TEST(MultiStreetResultsFromTheMainWindow,
     showStreetResultsAndADoubleClickOpenTheStreetOfTheRowChosenInTheSortedList) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    const std::string saved = sample.appDir + "Working/Chosen.msr";
    std::vector<std::string> chosen, opened;
    s.onResultsWindow = [&](QDialog &dialog) {
        if (auto *street = dynamic_cast<frmShowResults *>(&dialog)) {
            opened.push_back(street->windowTitle().toStdString());
            return;
        }
        auto *w = dynamic_cast<frmMultiStreetResults *>(&dialog);
        ASSERT_NE(w, nullptr);
        w->show();
        QApplication::setActiveWindow(w);
        QCoreApplication::processEvents();
        // Sorted by street name, Z to A; the third row chosen, then Show Street Results.
        QAbstractItemModel *list = w->sorted();
        w->grdStreets->sortByColumn(StreetListModel::ColStreet, Qt::DescendingOrder);
        const auto street = [&](int row) {
            return list->index(row, StreetListModel::ColStreet).data().toString().toStdString();
        };
        w->grdStreets->selectRow(2);
        chosen.push_back(street(2));
        QTest::mouseClick(w->btnShowStreet, Qt::LeftButton);
        // A double click on the last row's street opens that street.
        const int last = list->rowCount() - 1;
        chosen.push_back(street(last));
        const QModelIndex cell = list->index(last, StreetListModel::ColStreet);
        const QPoint at = w->grdStreets->visualRect(cell).center();
        QTest::mouseClick(w->grdStreets->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w->grdStreets->viewport(), Qt::LeftButton, {}, at);
        // Save asks for a file to write, not for one to open.
        s.ui.files.push_back(saved);
        QTest::mouseClick(w->btnSave, Qt::LeftButton);
        w->hide();
    };
    ASSERT_NO_FATAL_FAILURE(s.runToEnd());
    ASSERT_EQ(chosen, (std::vector<std::string>{"Market Street", "Harbour Road"}));
    ASSERT_EQ(opened.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(opened[i].rfind("Summary of Results for " + chosen[i] + ". Calculated on ", 0), 0u)
            << opened[i];
    }
    ASSERT_FALSE(s.ui.fileChoices.empty());
    const FileChoice &save = s.ui.fileChoices.back();
    EXPECT_EQ(save.title, "Save Multi-Street Results");
    EXPECT_TRUE(save.save) << "a dialog that takes the name of a file still to be written";
    EXPECT_TRUE(std::filesystem::exists(saved));
}

TEST(MultiStreetResultsFromTheMainWindow, aStreetsWindowLeavesTheCommentsAndTheResultFileOfTheRunAsTheyWere) {
    Sample sample;
    const std::string streets = sample.appDir + "Working/Streets.msr";
    {
        Session multi(sample, sample.project("DemoStreets.vkm"));
        multi.onResultsWindow = [&](QDialog &dialog) {
            multi.ui.files.push_back(streets);
            dynamic_cast<frmMultiStreetResults &>(dialog).btnSave_Click();
        };
        multi.runToEnd();
        ASSERT_TRUE(std::filesystem::exists(streets));
    }

    // A single street's run, commented and saved.
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    const std::string runFile = sample.appDir + "Working/Run.res";
    const std::string streetFile = sample.appDir + "Working/Market Street.res";
    const auto comment = [&](frmShowResults &w, const char *text, const std::string &file) {
        w.btnComments_Click();
        w.txtComments->setPlainText(QString::fromUtf8(text));
        w.btnClose_Click();
        s.ui.files.push_back(file);
        w.menSave_Click();
    };
    s.onResultsWindow = [&](QDialog &dialog) {
        comment(dynamic_cast<frmShowResults &>(dialog), "Checked against the monitor", runFile);
    };
    s.runToEnd();
    ASSERT_TRUE(std::filesystem::exists(runFile));

    // The saved streets opened from the File menu, and one street's window commented and saved there.
    std::string streetCaption, streetComments = "(not shown)";
    s.onResultsWindow = [&](QDialog &dialog) {
        if (auto *street = dynamic_cast<frmShowResults *>(&dialog)) {
            streetCaption = street->windowTitle().toStdString();
            street->btnComments_Click();
            streetComments = street->txtComments->toPlainText().toStdString();
            street->btnClose_Click();
            comment(*street, "A note on one street", streetFile);
            return;
        }
        dynamic_cast<frmMultiStreetResults &>(dialog).showStreet(0);
    };
    s.ui.files.push_back(streets);
    s->action("menOpenSavedMulti")->trigger();
    EXPECT_NE(streetCaption.find("[untitled]"), std::string::npos) << streetCaption;
    EXPECT_EQ(streetComments, "") << "the street's window starts without the run's comments";
    ASSERT_TRUE(std::filesystem::exists(streetFile));

    // The run's summary again: its own comments and its own file.
    std::string caption, runItem, comments;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmShowResults &>(dialog);
        caption = w.windowTitle().toStdString();
        runItem = w.menNewFile[0]->text().toStdString();
        w.btnComments_Click();
        comments = w.txtComments->toPlainText().toStdString();
    };
    s->action("menLastResults")->trigger();
    EXPECT_EQ(comments, "Checked against the monitor");
    EXPECT_EQ(runItem, runFile);
    EXPECT_NE(caption.find("[" + runFile + "]"), std::string::npos) << caption;
}

TEST(MultiStreetResultsFromTheMainWindow,
     aSaveCancelledOrRefusedAndAFileThatCannotBeOpenedKeepTheRunsStreetsShown) {
    Sample sample;
    Session s(sample, sample.project("DemoStreets.vkm"));
    const test::TempDir scratch;
    const std::string bad = scratch.write("bad.msr", "\"something else\"\r\n").string();
    const std::string saved = sample.appDir + "Working/Kept.msr";
    std::vector<std::string> captions, proposed, messages;
    int rowsAfter = 0, streetWindows = 0;
    s.onResultsWindow = [&](QDialog &dialog) {
        if (dynamic_cast<frmShowResults *>(&dialog) != nullptr) {
            ++streetWindows;
            return;
        }
        auto &w = dynamic_cast<frmMultiStreetResults &>(dialog);
        const auto step = [&] {
            captions.push_back(w.windowTitle().toStdString());
            const std::string said = s.ui.messages.empty() ? "" : s.ui.messages.back();
            messages.push_back(said.substr(0, said.find('\r'))); // its first line
            s.ui.messages.clear();
        };
        step();
        w.btnSave_Click(); // cancelled
        proposed.push_back(s.ui.fileChoices.back().fileName);
        step();
        s.ui.files.push_back((scratch.path() / "no such folder" / "Streets.msr").string());
        w.btnSave_Click();
        step();
        s.ui.files.push_back(bad);
        w.btnOpen_Click();
        step();
        rowsAfter = w.model()->rowCount();
        w.btnShowStreet_Click();
        s.ui.files.push_back(saved);
        w.btnSave_Click();
        step();
        w.btnSave_Click(); // cancelled
        proposed.push_back(s.ui.fileChoices.back().fileName);
    };
    s.runToEnd();
    ASSERT_EQ(captions.size(), 5u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(QString::fromStdString(captions[i]).endsWith("[untitled]")) << i << ": " << captions[i];
    }
    EXPECT_NE(captions[4].find("[" + saved + "]"), std::string::npos) << captions[4];
    EXPECT_EQ(messages, (std::vector<std::string>{"", "", "The results could not be saved.",
                                                  "Can't open the file!", ""}));
    EXPECT_EQ(proposed, (std::vector<std::string>{"", saved}))
        << "a saved file is offered under its own name";
    EXPECT_EQ(rowsAfter, 4);
    EXPECT_EQ(streetWindows, 1) << "the run's streets still open after the refused save";
    EXPECT_TRUE(std::filesystem::exists(saved));
    EXPECT_EQ(s.state.LastResultFile, saved);
}
