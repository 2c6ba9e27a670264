// What the Pollutants and Percentiles editors do to the limit values, which
// are read in each pollutant's default output unit and given per percentile
// column: a save that changes either carries the limit values along, so that
// the next run sets its figures against the same limits. Also the save
// question of the list editors answered with the keyboard on the real box,
// the percentile cell's own refusals, and an unchanged save of every list
// the program installs.

#include "ui/ListEditorLimits.h"
#include "core/AddCountry.h"
#include "core/ListWriters.h"
#include "ui/common/QtInteraction.h"
#include "ui/editors/RowsTableModel.h"
#include "ui/listeditors/frmEditCityTypes.h"
#include "ui/listeditors/frmEditLimitVal.h"
#include "ui/listeditors/frmEditMetBackFiles.h"
#include "ui/listeditors/frmEditPercentiles.h"
#include "ui/listeditors/frmEditPollutants.h"
#include "ui/listeditors/frmEditScenarios.h"
#include "ui/listeditors/frmEditStdTrafficFiles.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/frmShowResults.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;
using test::anyHas;
using test::cell;
using test::coLimitInMicrograms;
using test::inEditor;
using test::resultsCell;
using test::rowNamed;
using test::runStreets;
using test::Sample;
using test::Session;
using test::setCell;
using test::StreetList;
namespace fs = std::filesystem;

// ---- A changed default output unit

TEST(PollutantUnitChange, ConvertsTheLimitValuesSoThatTheSampleRunsMeetTheSameLimits) {
    Sample sample;
    Session s(sample, "");
    const StreetList before = runStreets(sample, s);
    ASSERT_NE(before.coCaption.find("limit 10 mg/m³"), std::string::npos) << before.coCaption;
    const std::string lists = s.state.ListsDir;
    const std::string installedLimits = test::readFile(lists + "LimValDef.lst");

    // CO's default output unit milig -> microg, saved with the default answers.
    inEditor<frmEditPollutants>(s, "menPollutants", [&](frmEditPollutants &e) {
        RowsTableModel *m = e.model();
        const int co = rowNamed(m, "CO");
        ASSERT_EQ(cell(m, co, frmEditPollutants::OutputUnit), "milig");
        ASSERT_TRUE(setCell(m, co, frmEditPollutants::OutputUnit, "microg"));
        s.ui.answers.clear(); // every question takes its default answer
        e.btnSave->click();
        EXPECT_FALSE(e.ListChanged) << testing::PrintToString(s.ui.messages);
    });
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(anyHas(s.ui.messages, "The Default Output Units of CO change from milig to microg."));
    EXPECT_TRUE(anyHas(s.ui.messages, "(10 milig becomes 10000 microg)"));
    EXPECT_EQ(s.state.DefOutputUnits[4], "microg");
    EXPECT_FLOAT_EQ(s.state.LimValMaxRun8[4][1], 10000.0f) << "10 mg/m³ in µg/m³";
    EXPECT_FLOAT_EQ(s.state.LimValAvHourly[1][1], 40.0f) << "the other pollutants keep theirs";
    EXPECT_EQ(test::readFile(lists + "LimValDef.bak"), installedLimits);
    EXPECT_EQ(test::readFile(lists + "LimValDef.ls0"), installedLimits);

    // The multi-street list sets its figures against the same limits as before.
    const StreetList after = runStreets(sample, s);
    EXPECT_EQ(after.coCaption, before.coCaption) << "not 0.01 mg/m³";
    EXPECT_EQ(after.exceeded, before.exceeded);

    // The single-street sample with its CO in µg/m³: the limit is 10,000.
    EXPECT_EQ(coLimitInMicrograms(sample, s), "10000");
}

TEST(PollutantUnitChange, LeftUnconvertedSaysTheLimitsAreNowReadInTheNewUnitAndCancelSavesNothing) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string pollutants = test::readFile(lists + "Pollutants.lst");
    const std::string limits = test::readFile(lists + "LimValDef.lst");
    frmEditPollutants e(s.state, s.ui, nullptr);
    RowsTableModel *m = e.model();
    ASSERT_TRUE(setCell(m, rowNamed(m, "CO"), frmEditPollutants::OutputUnit, "ppm"));
    ASSERT_TRUE(setCell(m, rowNamed(m, "NO2"), frmEditPollutants::OutputUnit, "ppb"));

    s.ui.answers = {Answer::Cancel}; // at the first unit question
    EXPECT_FALSE(e.btnSave_Click());
    EXPECT_EQ(test::readFile(lists + "Pollutants.lst"), pollutants);
    EXPECT_FALSE(fs::exists(lists + "LimValDef.bak"));
    EXPECT_TRUE(e.ListChanged);

    s.ui.messages.clear();
    s.ui.answers = {Answer::No, Answer::No, Answer::Ok}; // NO2, CO, then the save question
    ASSERT_TRUE(e.btnSave_Click());
    EXPECT_TRUE(anyHas(s.ui.messages, "The limit values of NO2 will now be read in ppb."));
    EXPECT_TRUE(anyHas(s.ui.messages, "The limit values of CO will now be read in ppm."));
    EXPECT_EQ(test::readFile(lists + "LimValDef.lst"), limits) << "left as it was";
    EXPECT_FALSE(fs::exists(lists + "LimValDef.ls0"));
    EXPECT_EQ(s.state.DefOutputUnits[4], "ppm");
    EXPECT_FLOAT_EQ(s.state.LimValMaxRun8[4][1], 10.0f);
}

TEST(PollutantUnitChange, AConversionThatCannotBeWrittenPutsThePollutantsListBack) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string pollutants = test::readFile(lists + "Pollutants.lst");
    fs::create_directory(lists + "LimValDef.ls0"); // the copy of the limit list cannot be made
    frmEditPollutants e(s.state, s.ui, nullptr);
    RowsTableModel *m = e.model();
    ASSERT_TRUE(setCell(m, rowNamed(m, "CO"), frmEditPollutants::OutputUnit, "microg"));
    s.ui.answers.clear();
    EXPECT_FALSE(e.btnSave_Click());
    EXPECT_TRUE(anyHas(s.ui.messages, "An error occured when saving the file!"));
    EXPECT_TRUE(anyHas(s.ui.messages, "Pollutants.lst was put back as it was before this save."));
    EXPECT_EQ(test::readFile(lists + "Pollutants.lst"), pollutants);
    EXPECT_EQ(s.state.DefOutputUnits[4], "milig") << "the lists as loaded";
    EXPECT_TRUE(e.ListChanged);
}

// ---- Percentiles added, removed or reordered

TEST(PercentileChange, AnAddedPercentileLeavesTheNineteenthHighestItsLimitInTheNextRun) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    inEditor<frmEditPercentiles>(s, "menPercentiles", [&](frmEditPercentiles &e) {
        e.SSTab1->setCurrentIndex(0);
        e.DataGrid1[0]->setCurrentIndex(QModelIndex());
        e.btnAddRow->click();
        ASSERT_TRUE(setCell(e.model(0), 2, frmEditPercentiles::Percentile, "90"));
        s.ui.answers.clear(); // the default answers
        e.btnSave->click();
        EXPECT_FALSE(e.ListChanged) << testing::PrintToString(s.ui.messages);
    });
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_TRUE(anyHas(s.ui.messages, "Hourly Percentiles: 90 added, without limit values."));
    EXPECT_FALSE(anyHas(s.ui.messages, "Percentile values in the Limit Values List")) << "no mismatch";
    EXPECT_TRUE(fs::exists(lists + "LimValDef.bak") && fs::exists(lists + "LimValDef.ls0"));
    ASSERT_EQ(s.state.NumPercHourly, 3);

    std::string nineteenth, others;
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmShowResults &>(dialog);
        w.cmbPage->setCurrentIndex(0);
        const results::ResultsPage &t = w.model()->page();
        const std::string no2 = "Nitrogen dioxide (µg/m³)", limit = "EU limit value, annual and hourly";
        nineteenth = resultsCell(t, no2, limit, "19th highest");
        others =
            resultsCell(t, no2, limit, "876th highest") + "|" + resultsCell(t, no2, limit, "176th highest");
    };
    s.open(sample.project());
    s.runToEnd();
    EXPECT_EQ(nineteenth, "200");
    EXPECT_EQ(others, "|");
}

TEST(PercentileChange, ARemovedPercentileTakesItsLimitsAlongAfterAQuestionThatSaysSo) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string percentiles = test::readFile(lists + "PercDef.lst");
    const std::string limits = test::readFile(lists + "LimValDef.lst");
    frmEditPercentiles e(s.state, s.ui, nullptr);
    e.SSTab1->setCurrentIndex(0);
    e.DataGrid1[0]->setCurrentIndex(e.model(0)->index(1, 0)); // 99.8
    ASSERT_EQ(cell(e.model(0), 1, frmEditPercentiles::Percentile), "99.8");
    e.btnDeleteRow_Click();

    s.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(e.btnSave_Click());
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages.back().find("Hourly Percentiles: 99.8 removed, with the limit values of NO2."),
              std::string::npos)
        << s.ui.messages.back();
    EXPECT_EQ(test::readFile(lists + "PercDef.lst"), percentiles);
    EXPECT_EQ(test::readFile(lists + "LimValDef.lst"), limits);
    EXPECT_TRUE(e.ListChanged);

    s.ui.answers = {Answer::Ok, Answer::Ok};
    ASSERT_TRUE(e.btnSave_Click());
    EXPECT_EQ(s.state.NumPercHourly, 1);
    EXPECT_FALSE(s.state.LimHourlyCountDiff || s.state.LimHourlyValueDiff);
    EXPECT_FLOAT_EQ(s.state.LimValPercHourly[1][1][1], -99.0f) << "the 176th highest has no limit";
    EXPECT_FLOAT_EQ(s.state.LimValAvHourly[1][1], 40.0f);
}

TEST(PercentileChange, AListEditedOutsideTheProgramIsStillReadByPositionWithAWarning) {
    Sample sample;
    const std::string lists = sample.appDir + "Lists/National/DL/";
    // The two hourly percentiles in the other order, the limit values as shipped.
    std::string text = test::readFile(lists + "PercDef.lst");
    const auto first = text.find("\"98_Perc\"");
    const auto second = text.find("\"99.8_Perc\"");
    const auto end = text.find("\r\n", second) + 2;
    text = text.substr(0, first) + text.substr(second, end - second) + text.substr(first, second - first) +
           text.substr(end);
    std::ofstream(lists + "PercDef.lst", std::ios::binary) << text;
    Session s(sample, "");
    EXPECT_TRUE(s.state.LimHourlyValueDiff);
    EXPECT_TRUE(anyHas(s.ui.messages, "One or more of the Hourly Percentile values refered to in the Limit "
                                      "Values List is different"));
    EXPECT_FLOAT_EQ(s.state.LimValPercHourly[1][2][1], 200.0f) << "matched by position";
}

// ---- The save question answered with the keyboard

namespace {

struct BoxSeen {
    std::string text;
    bool okFirst = false, okDefault = false, twoButtons = false;
};

// Presses Enter on each message box that opens, in turn, and notes what it
// showed, while it exists.
class EnterOnEachBox {
public:
    std::vector<BoxSeen> seen;

private:
    void look(QMessageBox *box) {
        BoxSeen b;
        b.text = box->text().toStdString();
        QAbstractButton *ok = box->button(QMessageBox::Ok);
        QAbstractButton *cancel = box->button(QMessageBox::Cancel);
        b.twoButtons = box->buttons().size() == 2 && ok && cancel;
        b.okFirst = ok && cancel && ok->mapToGlobal(QPoint()).x() < cancel->mapToGlobal(QPoint()).x();
        b.okDefault = ok && box->defaultButton() == ok;
        seen.push_back(b);
        QTest::keyClick(box, Qt::Key_Return);
    }
    test::OnEachModal<QMessageBox> m_boxes{[this](QMessageBox *box) { look(box); }};
};

} // namespace

TEST(ListSaveQuestion, EnterOnTheRealBoxAnswersOkAndTheListIsSaved) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string installed = test::readFile(lists + "Pollutants.lst");
    QtInteraction qt;
    frmEditPollutants e(s.state, qt, nullptr);
    RowsTableModel *m = e.model();
    ASSERT_TRUE(setCell(m, rowNamed(m, "CO"), frmEditPollutants::LongName, "Carbon monoxide (CO)"));
    EnterOnEachBox boxes;
    EXPECT_TRUE(e.btnSave_Click());
    const std::vector<BoxSeen> &seen = boxes.seen;
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "A new Pollutants List will be created in the National Lists Folder.\r\n"
                            "The actual Pollutants List will be renamed as: Pollutants.ls0");
    EXPECT_TRUE(seen[0].twoButtons);
    EXPECT_TRUE(seen[0].okFirst);
    EXPECT_TRUE(seen[0].okDefault);
    EXPECT_FALSE(e.ListChanged);
    EXPECT_NE(test::readFile(lists + "Pollutants.lst").find("Carbon monoxide (CO)"), std::string::npos);
    EXPECT_EQ(test::readFile(lists + "Pollutants.bak"), installed);
    EXPECT_EQ(s.state.PollutantLongNames[4], "Carbon monoxide (CO)");
}

TEST(ListSaveQuestion, EnterOnTheUrbanDataBoxesSavesTheCityTypes) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    QtInteraction qt;
    frmEditCityTypes e(s.state, qt, nullptr);
    e.Form_Activate();
    ASSERT_TRUE(setCell(e.model(), 0, frmEditCityTypes::Population, "Village"));
    EnterOnEachBox boxes;
    e.btnSave_Click();
    const std::vector<BoxSeen> &seen = boxes.seen;
    ASSERT_GE(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.rfind("A new List with Standard City Types will be created", 0), 0u);
    EXPECT_TRUE(seen[0].okFirst && seen[0].okDefault);
    EXPECT_FALSE(e.CityTypesChanged);
    EXPECT_NE(test::readFile(lists + "UrbEmi.lst").find("\"Village\""), std::string::npos);
    EXPECT_TRUE(fs::exists(lists + "UrbEmi.bak"));
    EXPECT_EQ(s.state.CitySizeNames[1], "Village");
}

TEST(ListSaveQuestion, CancelledTheFirstSaveStillLeavesTheBackupOfTheInstalledList) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string installed = test::readFile(lists + "Pollutants.lst");
    frmEditPollutants e(s.state, s.ui, nullptr);
    RowsTableModel *m = e.model();
    ASSERT_TRUE(setCell(m, rowNamed(m, "BNZ"), frmEditPollutants::LongName, "Benzene (C6H6)"));
    s.ui.answers = {Answer::Cancel};
    EXPECT_FALSE(e.btnSave_Click());
    EXPECT_EQ(test::readFile(lists + "Pollutants.bak"), installed);
    EXPECT_EQ(test::readFile(lists + "Pollutants.lst"), installed);
    EXPECT_FALSE(fs::exists(lists + "Pollutants.ls0"));
    EXPECT_TRUE(e.ListChanged);
}

TEST(ListSaveQuestion, EnterInAGridPressesNoButtonOfTheEditor) {
    Sample sample;
    Session s(sample, "");
    // Enter on a grid that is not editing is passed on to the dialog, which
    // pressed its first auto-default button ("Add Row", "Move Up").
    auto cells = [](RowsTableModel *m) {
        std::vector<std::string> texts;
        for (int r = 0; r < m->rowCount(); ++r) {
            for (int c = 0; c < m->columnCount(); ++c) {
                texts.push_back(cell(m, r, c).toStdString());
            }
        }
        return texts;
    };
    auto enterIn = [&cells](ListEditorFrame &e, QTableView *grid, RowsTableModel *m) {
        e.show();
        QApplication::processEvents();
        grid->setFocus();
        grid->setCurrentIndex(m->index(m->rowCount() - 1, 1));
        const std::vector<std::string> before = cells(m);
        const bool changed = e.ListChanged;
        QTest::keyClick(grid, Qt::Key_Return);
        QApplication::processEvents();
        e.hide();
        return cells(m) == before && e.ListChanged == changed;
    };
    {
        frmEditPollutants e(s.state, s.ui, nullptr);
        EXPECT_TRUE(enterIn(e, e.DataGrid1, e.model())) << "Pollutants";
    }
    {
        frmEditPercentiles e(s.state, s.ui, nullptr);
        EXPECT_TRUE(enterIn(e, e.DataGrid1[0], e.model(0))) << "Percentiles";
    }
    {
        frmEditLimitVal e(s.state, s.ui, nullptr);
        EXPECT_TRUE(enterIn(e, e.DataGrid1[0], e.model(0))) << "Limit values";
    }
    {
        frmEditCityTypes e(s.state, s.ui, nullptr);
        EXPECT_TRUE(enterIn(e, e.DataGrid1, e.model())) << "Urban data";
    }
    s.ui.answers = {Answer::No, Answer::No}; // the limit values editor adds NOx and NO: leave unsaved
}

// ---- The percentile cell

TEST(PercentileCell, RefusesAPercentileOutsideZeroToHundredWithTheReason) {
    Sample sample;
    Session s(sample, "");
    frmEditPercentiles e(s.state, s.ui, nullptr);
    RowsTableModel *hourly = e.model(0);
    for (const char *typed : {"150", "100", "0", "-5"}) {
        s.ui.messages.clear();
        EXPECT_FALSE(setCell(hourly, 0, frmEditPercentiles::Percentile, typed)) << typed;
        ASSERT_EQ(s.ui.messages.size(), 1u) << typed;
        EXPECT_EQ(s.ui.messages[0], "The percentile " + std::string(typed) + " must lie between 0 and 100.");
    }
    EXPECT_EQ(cell(hourly, 0, frmEditPercentiles::Percentile), "98") << "the cell keeps its value";
    EXPECT_EQ(cell(hourly, 0, frmEditPercentiles::NthHighest), "176");
    EXPECT_FALSE(e.ListChanged);

    // An n-th highest value beyond the year gives no percentile either.
    s.ui.messages.clear();
    EXPECT_FALSE(setCell(e.model(2), 0, frmEditPercentiles::NthHighest, "400"));
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_NE(s.ui.messages[0].find("must lie between 0 and 100"), std::string::npos) << s.ui.messages[0];
    EXPECT_FALSE(setCell(hourly, 0, frmEditPercentiles::NthHighest, "9000"));
    EXPECT_NE(s.ui.messages.back().find("between 0 and 8784"), std::string::npos) << s.ui.messages.back();

    // A new row refuses 150 as well and takes a percentile in range.
    e.SSTab1->setCurrentIndex(0);
    e.DataGrid1[0]->setCurrentIndex(QModelIndex());
    e.btnAddRow_Click();
    EXPECT_FALSE(setCell(hourly, 2, frmEditPercentiles::Percentile, "150"));
    EXPECT_TRUE(setCell(hourly, 2, frmEditPercentiles::Percentile, "99.9"));
    EXPECT_EQ(cell(hourly, 2, frmEditPercentiles::NthHighest), "9");
}

// ---- An unchanged save of every installed list

namespace {

// Answers every question with its default, except that a list without
// changes is saved anyway; keeps messages and questions apart.
class SaveAnyway : public Interaction {
public:
    std::vector<std::string> messages, questions;
    void message(const std::string &text, Icon, const std::string &) override { messages.push_back(text); }
    Answer question(const std::string &text, Buttons, Icon, Answer defaultAnswer,
                    const std::string &) override {
        questions.push_back(text);
        return text.find("save this list anyway") != std::string::npos ? Answer::Yes : defaultAnswer;
    }
    std::optional<std::string> inputBox(const std::string &, const std::string &,
                                        const std::string &) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const FileChoice &) override { return std::nullopt; }
};

// Saves each list editor of the loaded country without a change; the
// messages shown by the saves and the reloads that follow them.
std::vector<std::string> saveEveryListUnchanged(State &state) {
    SaveAnyway ui;
    std::vector<std::string> shown;
    auto save = [&](ListEditorFrame &e, const char *name) {
        ui.messages.clear();
        ui.questions.clear();
        e.btnSave_Click();
        for (const std::string &m : ui.messages) {
            shown.push_back(std::string(name) + ": " + m);
        }
        for (const std::string &q : ui.questions) {
            // Only the save question of each list and "save anyway" for a list without changes.
            const bool saveQuestion =
                q.rfind("A new ", 0) == 0 &&
                q.find("will be created in the National Lists Folder") != std::string::npos;
            if (!saveQuestion && q.find("save this list anyway") == std::string::npos) {
                shown.push_back(std::string(name) + " asked: " + q);
            }
        }
    };
    {
        frmEditPollutants e(state, ui, nullptr);
        save(e, "Pollutants");
    }
    {
        frmEditPercentiles e(state, ui, nullptr);
        save(e, "Percentiles");
    }
    {
        frmEditLimitVal e(state, ui, nullptr);
        e.Form_Activate(); // its own notes about pollutants it adds come before the save
        save(e, "Limit values");
    }
    {
        frmEditCityTypes e(state, ui, nullptr);
        e.Form_Activate();
        save(e, "Urban data");
    }
    {
        frmEditMetBackFiles e(state, ui, nullptr);
        save(e, "Meteorology and background files");
    }
    {
        frmEditStdTrafficFiles e(state, ui, nullptr);
        save(e, "Traffic files");
    }
    {
        frmEditScenarios e(state, ui, nullptr);
        save(e, "Scenarios");
    }
    return shown;
}

} // namespace

TEST(InstalledLists, AnUnchangedSaveOfEveryListReloadsWithoutAMessage) {
    Sample sample;
    Session s(sample, "");
    const std::string percentiles = test::readFile(s.state.ListsDir + "PercDef.lst");
    EXPECT_EQ(saveEveryListUnchanged(s.state), std::vector<std::string>{});
    EXPECT_EQ(test::readFile(s.state.ListsDir + "PercDef.lst"), percentiles)
        << "shipped as the editor writes it";
    EXPECT_TRUE(fs::exists(s.state.ListsDir + "PercDef.ls0"));
}

TEST(InstalledLists, AnUnchangedSaveOfEveryListOfANewCountryReloadsWithoutAMessage) {
    Sample sample;
    Session s(sample, "");
    s->countryAddingWindows.chooseOption = [] { return NewCountryOption::Defaults; };
    s.ui.answers = {Answer::Ok};
    s.ui.inputs = {std::string("Newland"), std::string("NL")};
    const int addNew = s->cmbCountry->count() - 1;
    s->cmbCountry->setCurrentIndex(addNew);
    s->cmbCountry_Click(addNew);
    ASSERT_EQ(s.state.ListsDir, sample.appDir + "Lists/National/NL/");
    const std::string percentiles = test::readFile(s.state.ListsDir + "PercDef.lst");
    EXPECT_EQ(percentiles, test::readFile(sample.appDir + "NewCountry/PercDef.lst"));
    EXPECT_EQ(saveEveryListUnchanged(s.state), std::vector<std::string>{});
    EXPECT_EQ(test::readFile(s.state.ListsDir + "PercDef.lst"), percentiles);
}
