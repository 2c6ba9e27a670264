// Saved multi-street results (.msr) opened from File > Open Saved Results
// File > Multi Streets show what the run showed: with no project open, with
// another project open, and from a file of the previous layout.

#include "run/results/ResultsFixture.h"
#include "run/results/ResultsKeyInfo.h"
#include "ui/WindowSession.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/StreetListModel.h"
#include "ui/results/frmMultiStreetResults.h"
#include "ui/results/frmShowResults.h"

#include "core/TextIO.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <memory>

using namespace vesk;
using namespace vesk::ui;
using test::Sample;
using test::Session;

namespace {

// What the street list shows, and the window of one street opened from it.
struct ShownStreets {
    std::vector<std::string> keyInfo;       // the list's lines
    std::vector<std::string> headings;      // every column's heading
    std::vector<std::string> rows;          // per street its cells, a value above its limit marked "*"
    std::vector<std::string> streetKeyInfo; // the street's lines, the first as street and time
    std::vector<std::string> streetPages;   // page names and the rows of each page
};

std::vector<std::string> linesOf(const QString &text) {
    return splitLines(text.toStdString());
}

void readList(frmMultiStreetResults &w, ShownStreets &out) {
    out.keyInfo = linesOf(w.txtKeyInfo->toPlainText());
    StreetListModel *list = w.model();
    for (int c = 0; c < list->columnCount(); ++c) {
        out.headings.push_back(list->headerData(c, Qt::Horizontal).toString().toStdString());
    }
    for (int r = 0; r < list->rowCount(); ++r) {
        std::string row;
        for (int c = 0; c < list->columnCount(); ++c) {
            const QModelIndex cell = list->index(r, c);
            row += cell.data().toString().toStdString() +
                   (cell.data(Qt::BackgroundRole).isValid() ? "*" : "") + " | ";
        }
        out.rows.push_back(row);
    }
}

void readStreet(frmShowResults &w, ShownStreets &out) {
    out.streetKeyInfo = linesOf(w.txtKeyInfo->toPlainText());
    if (!out.streetKeyInfo.empty()) {
        // Its blanks follow the width of the box.
        std::string street, time;
        results::splitFirstKeyInfoLine(out.streetKeyInfo[0], &street, &time);
        out.streetKeyInfo[0] = street + " / " + time;
    }
    for (int p = 0; p < w.cmbPage->count(); ++p) {
        w.cmbPage->setCurrentIndex(p);
        out.streetPages.push_back("page " + w.cmbPage->itemText(p).toStdString());
        for (const std::string &row : test::ResultsFixture::rowsOf(w.model()->page())) {
            out.streetPages.push_back(row);
        }
    }
}

const char *kStreetShown = "Market Street";

// Reads the list and the window of kStreetShown of every street list the session shows; then act.
void readWindows(Session &s, ShownStreets &out, std::function<void(frmMultiStreetResults &)> act = nullptr) {
    s.onResultsWindow = [&s, &out, act](QDialog &dialog) {
        if (auto *street = dynamic_cast<frmShowResults *>(&dialog)) {
            readStreet(*street, out);
            return;
        }
        auto &w = dynamic_cast<frmMultiStreetResults &>(dialog);
        readList(w, out);
        for (int r = 0; r < w.sorted()->rowCount(); ++r) {
            if (w.sorted()->index(r, StreetListModel::ColStreet).data().toString() == kStreetShown) {
                w.showStreet(r);
            }
        }
        if (act) {
            act(w);
        }
    };
}

// Text with every line that starts with one of the words dropped, and the version set.
std::string withoutLines(const std::string &text, std::initializer_list<const char *> words, int version) {
    std::string out;
    for (const std::string &line : splitLines(text)) {
        const bool dropped = std::any_of(words.begin(), words.end(), [&](const char *w) {
            return line.rfind("\"" + std::string(w) + "\",", 0) == 0;
        });
        if (line.rfind("\"WinVESK multi-street results\"", 0) == 0) {
            out += "\"WinVESK multi-street results\"," + std::to_string(version) + "\r\n";
        } else if (!dropped && !line.empty()) {
            out += line + "\r\n";
        }
    }
    return out;
}

// The cells of the first modelled row of a street's pages (rowsOf lines) by
// "section heading / column name".
std::map<std::string, std::string> firstModelledCells(const std::vector<std::string> &rows) {
    auto cellsOf = [](const std::string &row) {
        std::vector<std::string> cells;
        for (std::size_t at = 0;;) {
            const std::size_t bar = row.find(" | ", at);
            cells.push_back(row.substr(at, bar == std::string::npos ? bar : bar - at));
            if (bar == std::string::npos) {
                return cells;
            }
            at = bar + 3;
        }
    };
    const auto headings = std::find_if(rows.begin(), rows.end(),
                                       [](const std::string &row) { return row.rfind("Page ", 0) == 0; });
    const auto modelled = std::find_if(headings, rows.end(), [](const std::string &row) {
        return row.rfind("       Street Modelled", 0) == 0;
    });
    std::map<std::string, std::string> out;
    if (headings == rows.end() || headings + 1 == rows.end() || modelled == rows.end()) {
        return out;
    }
    const std::vector<std::string> sections = cellsOf(*headings), names = cellsOf(*(headings + 1)),
                                   values = cellsOf(*modelled);
    for (std::size_t c = 1; c < sections.size() && c < names.size() && c < values.size(); ++c) {
        out.emplace(sections[c] + " / " + names[c], values[c]);
    }
    return out;
}

// Options (the text of a Run.opt) with the percentile mode of each family set:
// hourly, running 8-hour, daily (0 by n-th highest, 1 by percentage).
std::string withPercentileModes(std::string options, std::array<int, 3> modes) {
    const char *headings[] = {"Hourly percentiles", "Running 8-hour values", "Daily values"};
    for (std::size_t f = 0; f < 3; ++f) {
        const std::size_t heading = options.find(headings[f]);
        const std::size_t at = options.find("\n#TRUE#,", heading);
        EXPECT_TRUE(heading != std::string::npos && at != std::string::npos) << headings[f];
        if (heading != std::string::npos && at != std::string::npos) {
            options[at + 8] = static_cast<char>('0' + modes[f]);
        }
    }
    return options;
}

// Options with the last line's limit-value display (0 none, 1 the page of
// both sides, 2 every page) and "show only statistics with a limit value" set.
std::string withLimitDisplay(std::string options, int mode, bool onlyIfLimitValue) {
    const std::size_t end = options.find_last_not_of("\r\n") + 1;
    const std::size_t start = options.rfind('\n', end - 1) + 1;
    std::vector<std::string> fields;
    for (std::size_t at = start;;) {
        const std::size_t comma = options.find(',', at);
        fields.push_back(options.substr(at, (comma < end ? comma : end) - at));
        if (comma >= end) {
            break;
        }
        at = comma + 1;
    }
    EXPECT_EQ(fields.size(), 4u) << options.substr(start, end - start);
    if (fields.size() == 4) {
        fields[2] = std::to_string(mode);
        fields[3] = onlyIfLimitValue ? "#TRUE#" : "#FALSE#";
        options.replace(start, end - start, fields[0] + "," + fields[1] + "," + fields[2] + "," + fields[3]);
    }
    return options;
}

} // namespace

// The sample streets for two weeks of January with three times the sample's PM10
// background, so that streets exceed limit values, saved from the run's list.
// The run names hourly and running 8-hour percentiles by percentage and daily
// ones as n-th highest, so that each family's mode shows on its pages.
class SavedStreetResults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sample = std::make_unique<Sample>();
        const std::string background = sample->appDir + "Working/Back2023.txt";
        std::string higher;
        for (const std::string &line : splitLines(test::readFile(background))) {
            std::vector<std::string> cells;
            for (std::size_t at = 0; at != std::string::npos;) {
                const std::size_t next = line.find(' ', at);
                cells.push_back(line.substr(at, next == std::string::npos ? next : next - at));
                at = next == std::string::npos ? next : next + 1;
            }
            if (cells.size() > 8 && cells[0] != "year") {
                cells[8] = std::to_string(3 * std::stod(cells[8])); // cPM10_b
            }
            for (std::size_t c = 0; c < cells.size(); ++c) {
                higher += (c > 0 ? " " : "") + cells[c];
            }
            higher += "\r\n";
        }
        std::ofstream(background, std::ios::binary) << higher;

        runOptions = withPercentileModes(test::readFile(sample->appDir + "Run.opt"), {1, 1, 0});
        std::ofstream(sample->appDir + "Working/Run.opt", std::ios::binary) << runOptions;

        Session s(*sample, sample->project("DemoStreets.vkm"));
        ASSERT_TRUE(s.loaded);
        ASSERT_EQ((std::array{s.state.PercMode, s.state.Run8PercMode, s.state.DailyPercMode}),
                  (std::array{1, 1, 0}));
        for (int which = 0; which < 2; ++which) {
            (which == 0 ? s->chkStartAuto : s->chkEndAuto)->setChecked(false);
            s->chkAuto_Click(which);
        }
        s->mEditStart->setText("01-01-2023");
        s->txtHourStart->setText("1");
        s->mEditEnd->setText("14-01-2023");
        s->txtHourEnd->setText("24");
        saved = sample->appDir + "Working/Streets.msr";
        readWindows(s, run, [&s](frmMultiStreetResults &w) {
            s.ui.files.push_back(saved);
            w.btnSave_Click();
        });
        s.runToEnd();
    }
    static void TearDownTestSuite() { sample.reset(); }

    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(saved)) << "the run's results were not saved";
        ASSERT_EQ(run.rows.size(), 4u);
        ASSERT_NE(run.keyInfo.at(1).find("; 3 streets exceed a limit value"), std::string::npos)
            << run.keyInfo.at(1) << "\n"
            << [] {
                   std::string all;
                   for (const std::string &line : run.headings) {
                       all += line + "\n";
                   }
                   for (const std::string &line : run.rows) {
                       all += line + "\n";
                   }
                   return all;
               }();
        ASSERT_FALSE(run.streetPages.empty()) << "no street window of the run";
    }

    // The saved results opened from the File menu of a session.
    static ShownStreets opened(Session &s, const std::string &path) {
        ShownStreets shown;
        readWindows(s, shown);
        s.ui.files.push_back(path);
        s->action("menOpenSavedMulti")->trigger();
        return shown;
    }

    // A single-street project of the sample (in Working) with the options
    // given (by default those of the run with neither PM10 nor PM2.5 shown
    // and each family's percentile mode the other one), whose meteorology and
    // background the user provides.
    static std::string otherProject(std::string options = "") {
        const std::string folder = sample->appDir + "Working/";
        if (options.empty()) {
            options = withPercentileModes(runOptions, {0, 0, 1});
            const std::string shownLine = "#TRUE#,#TRUE#,#TRUE#,#TRUE#,#TRUE#,#TRUE#,#TRUE#,#TRUE#";
            const std::size_t at = options.find(shownLine);
            EXPECT_NE(at, std::string::npos);
            options.replace(at, shownLine.size(),
                            "#TRUE#,#TRUE#,#TRUE#,#TRUE#,#TRUE#,#FALSE#,#FALSE#,#TRUE#");
        }
        std::ofstream(folder + "Run.opt", std::ios::binary) << options;
        std::string project = test::readFile(folder + "DemoStreet.vkp");
        const std::size_t sizes = project.find("8,24,2");
        EXPECT_NE(sizes, std::string::npos);
        project.replace(sizes, 6, "8,24,0");
        std::ofstream(folder + "Other.vkp", std::ios::binary) << project;
        return folder + "Other.vkp";
    }

    // What the run's own windows showed: the list and the street's window.
    static void expectTheRunsWindows(const ShownStreets &shown) {
        EXPECT_EQ(shown.keyInfo, run.keyInfo);
        EXPECT_EQ(shown.headings, run.headings);
        EXPECT_EQ(shown.rows, run.rows);
        EXPECT_EQ(shown.streetKeyInfo, run.streetKeyInfo);
        EXPECT_EQ(shown.streetPages, run.streetPages);
    }

    static std::unique_ptr<Sample> sample;
    static std::string runOptions; // the text of the run's Run.opt
    static std::string saved;
    static ShownStreets run;
};

std::unique_ptr<Sample> SavedStreetResults::sample;
std::string SavedStreetResults::runOptions;
std::string SavedStreetResults::saved;
ShownStreets SavedStreetResults::run;

TEST_F(SavedStreetResults, openedWithNoProjectShowTheRunsCountColumnsStreetsAndStreetWindow) {
    Session s(*sample, "");
    const ShownStreets shown = opened(s, saved);
    expectTheRunsWindows(shown);
}

TEST_F(SavedStreetResults, openedWithAnotherProjectShowTheRunsNotTheProjectsColumnsAndFacts) {
    Session s(*sample, otherProject());
    ASSERT_TRUE(s.loaded);
    const int pm10 = s.state.PollutantList.item("PM10").Index;
    ASSERT_FALSE(s.state.ShowPol.at(static_cast<std::size_t>(pm10)));
    ASSERT_EQ((std::array{s.state.PercMode, s.state.Run8PercMode, s.state.DailyPercMode}),
              (std::array{0, 0, 1}));
    ASSERT_EQ(s.state.CitySize, 0);
    const ShownStreets shown = opened(s, saved);
    expectTheRunsWindows(shown);
}

TEST_F(SavedStreetResults, aRunWhosePercentileModesDifferShowsEachFamilyByItsOwnModeWhenOpenedAgain) {
    const auto names = std::find_if(run.streetPages.begin(), run.streetPages.end(),
                                    [](const std::string &row) { return row.rfind("Component |", 0) == 0; });
    ASSERT_NE(names, run.streetPages.end());
    for (const char *family :
         {"| 98 percentile | 99.8 percentile |", "| 93.2 percentile |", "| 36th highest | 8th highest |"}) {
        EXPECT_NE(names->find(family), std::string::npos) << family << " in " << *names;
    }
    Session s(*sample, "");
    const ShownStreets shown = opened(s, saved);
    EXPECT_EQ(shown.headings, run.headings);
    EXPECT_EQ(shown.streetPages, run.streetPages);
}

TEST_F(SavedStreetResults, openedWithAProjectThatShowsOnlyLimitValueStatisticsOnEveryPageShowTheRunsPages) {
    Session s(*sample, otherProject(withLimitDisplay(runOptions, 2, true)));
    ASSERT_TRUE(s.loaded);
    ASSERT_TRUE(s.state.ShowOnlyIfLV);
    ASSERT_EQ(s.state.ShowLimitValMode, 2);
    const ShownStreets shown = opened(s, saved);
    expectTheRunsWindows(shown);
}

TEST_F(SavedStreetResults, aHeaderLineOfAnUnknownNameBeforeTheColumnsIsPassedOver) {
    std::string text = test::readFile(saved);
    const std::size_t columns = text.find("\r\n\"Columns\",");
    ASSERT_NE(columns, std::string::npos);
    text.insert(columns + 2, "\"Remarks\",2,\"kept by a later layout\",\"Columns\"\r\n");
    const std::string later = sample->appDir + "Working/Later.msr";
    std::ofstream(later, std::ios::binary) << text;
    Session s(*sample, "");
    const ShownStreets shown = opened(s, later);
    EXPECT_TRUE(s.ui.messages.empty()) << s.ui.messages.front();
    expectTheRunsWindows(shown);
}

TEST_F(SavedStreetResults, aFileOfThePreviousLayoutShowsItsStreetsAndClaimsNoCitySizeOfTheOpenProject) {
    const std::string previous = sample->appDir + "Working/Previous.msr";
    std::ofstream(previous, std::ios::binary) << withoutLines(
        test::readFile(saved), {"Run", "Shown", "Percentiles", "Headings", "Limits", "Limit", "Columns"}, 2);
    Session s(*sample, otherProject());
    ASSERT_TRUE(s.loaded);
    const ShownStreets shown = opened(s, previous);
    EXPECT_EQ(shown.keyInfo, run.keyInfo) << "the same streets over a limit";
    EXPECT_EQ(shown.rows.size(), run.rows.size());
    ASSERT_EQ(shown.streetKeyInfo.size(), 5u);
    EXPECT_EQ(shown.streetKeyInfo[1], run.streetKeyInfo[1]);
    EXPECT_EQ(shown.streetKeyInfo[3].rfind("Period Covered (Meteorological Data not known): ", 0), 0u)
        << shown.streetKeyInfo[3];
    EXPECT_EQ(shown.streetKeyInfo[4], "Urban Background:  Not known (not kept in the results file)");
    // A file of this layout keeps no percentile modes: where it holds a
    // family's statistics both ways it names them as n-th highest. Every
    // column of the first modelled row that both pages name alike shows the run's value.
    const std::map<std::string, std::string> ran = firstModelledCells(run.streetPages);
    const std::map<std::string, std::string> read = firstModelledCells(shown.streetPages);
    std::size_t common = 0;
    for (const auto &[column, value] : ran) {
        if (const auto at = read.find(column); at != read.end()) {
            EXPECT_EQ(at->second, value) << column;
            ++common;
        }
    }
    EXPECT_EQ(common, 9u) << "averages, maxima, data capture and the daily percentiles";
}

TEST_F(SavedStreetResults, aDamagedFileIsRefusedWithItsLineAndWhatIsWrongAndOpensNoList) {
    // One street line fewer than the end line counts.
    std::string text = test::readFile(saved);
    const std::size_t street = text.find("\r\n1,");
    ASSERT_NE(street, std::string::npos);
    text.erase(street, text.find("\r\n", street + 2) - street);
    const std::string damaged = sample->appDir + "Working/Damaged.msr";
    std::ofstream(damaged, std::ios::binary) << text;
    const auto endLine =
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(text.find("\"End\"")), '\n') + 1;

    Session s(*sample, "");
    opened(s, damaged);
    EXPECT_TRUE(s.resultsWindows.empty());
    EXPECT_EQ(s.ui.messages, std::vector<std::string>{
                                 "Can't open the file!\r\n\r\nThe file " + damaged +
                                 " cannot be read as multi-street results: line " + std::to_string(endLine) +
                                 ": its end line counts 4 streets, but the file holds 3."});
}
