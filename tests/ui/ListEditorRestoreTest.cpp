// Restore in the Pollutants and Percentiles editors carries the limit values
// back as the saves carried them forth: the units it brings back from
// Pollutants.bak convert the limit values again, and the percentile
// definitions of PercDef.bak take the limit values' columns back with their
// percentiles, so that the next run sets its figures against the limits
// installed. A restore that cannot carry them says so and what to do, and
// one whose limit values cannot be written restores nothing.

#include "ui/ListEditorLimits.h"
#include "ui/listeditors/frmEditLimitVal.h"
#include "ui/listeditors/frmEditPercentiles.h"
#include "ui/listeditors/frmEditPollutants.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/frmShowResults.h"

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <filesystem>
#include <fstream>
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

namespace {

const char *const kRestoreQuestion[] = {"This will restore the pollutants settings to the original values.",
                                        "This will restore the percentiles settings to the original values."};

// Save in the editor with the default answers (Enter at every question).
template <typename E> void saveWithEnter(Session &s, E &e) {
    s.ui.answers.clear();
    e.btnSave->click();
    EXPECT_FALSE(e.ListChanged) << testing::PrintToString(s.ui.messages);
}

// Restore, OK at its question, then Enter at every question that follows.
template <typename E> void restoreWithEnter(Session &s, E &e) {
    s.ui.messages.clear();
    s.ui.answers = {Answer::Ok};
    e.btnRestore->click();
    EXPECT_FALSE(e.ListChanged);
}

// The figures of the NO2 hourly limit value in the summary of the
// single-street sample: under "19th highest" and under "176th highest".
std::string no2HourlyLimits(Sample &sample, Session &s) {
    std::string figures = "(no summary)";
    s.onResultsWindow = [&](QDialog &dialog) {
        auto &w = dynamic_cast<frmShowResults &>(dialog);
        w.cmbPage->setCurrentIndex(0);
        const results::ResultsPage &t = w.model()->page();
        const std::string no2 = "Nitrogen dioxide (µg/m³)", limit = "EU limit value, annual and hourly";
        figures =
            resultsCell(t, no2, limit, "19th highest") + "|" + resultsCell(t, no2, limit, "176th highest");
    };
    s.open(sample.project());
    s.runToEnd();
    s.onResultsWindow = nullptr;
    s->menClose_Click();
    return figures;
}

} // namespace

// ---- Pollutants

TEST(PollutantsRestore, ConvertsTheLimitValuesBackSoThatCOsLimitIsTenMilligramsAgain) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string installedPollutants = test::readFile(lists + "Pollutants.lst");
    const std::vector<LimitValueBlock> installedLimits = limitValueBlocks(s.state);

    // CO's default output unit milig -> microg, saved: the limit becomes 10000 microg.
    inEditor<frmEditPollutants>(s, "menPollutants", [&](frmEditPollutants &e) {
        const int co = rowNamed(e.model(), "CO");
        ASSERT_TRUE(setCell(e.model(), co, frmEditPollutants::OutputUnit, "microg"));
        saveWithEnter(s, e);
    });
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_FLOAT_EQ(s.state.LimValMaxRun8[4][1], 10000.0f);

    // Later: Restore, and Enter at the question about the limit values.
    inEditor<frmEditPollutants>(s, "menPollutants", [&](frmEditPollutants &e) {
        restoreWithEnter(s, e);
        EXPECT_EQ(cell(e.model(), rowNamed(e.model(), "CO"), frmEditPollutants::OutputUnit), "milig");
    });
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_GE(s.ui.messages.size(), 2u);
    EXPECT_EQ(s.ui.messages[0], kRestoreQuestion[0]);
    EXPECT_NE(s.ui.messages[1].find("The Default Output Units of CO change from microg to milig."),
              std::string::npos)
        << s.ui.messages[1];
    EXPECT_NE(s.ui.messages[1].find("(10000 microg becomes 10 milig)"), std::string::npos)
        << s.ui.messages[1];
    EXPECT_EQ(test::readFile(lists + "Pollutants.lst"), installedPollutants);
    EXPECT_TRUE(limitValueBlocks(s.state) == installedLimits) << "the limit values as installed";
    EXPECT_EQ(s.state.DefOutputUnits[4], "milig");
    EXPECT_FLOAT_EQ(s.state.LimValMaxRun8[4][1], 10.0f);

    // The multi-street sample sets CO against 10 mg/m³ again.
    const StreetList streets = runStreets(sample, s);
    EXPECT_NE(streets.coCaption.find("limit 10 mg/m³"), std::string::npos) << streets.coCaption;

    // The single-street sample with its CO in µg/m³: the limit is 10,000, not 1E+07.
    EXPECT_EQ(coLimitInMicrograms(sample, s), "10000");
}

TEST(PollutantsRestore, LimitValuesLeftUnconvertedAtTheSaveMayStayAsTheyAreAtTheRestore) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    frmEditPollutants e(s.state, s.ui, nullptr);
    ASSERT_TRUE(setCell(e.model(), rowNamed(e.model(), "CO"), frmEditPollutants::OutputUnit, "microg"));
    s.ui.answers = {Answer::No, Answer::Ok}; // the values stay 10, now read in microg
    ASSERT_TRUE(e.btnSave_Click());
    const std::string limits = test::readFile(lists + "LimValDef.lst");
    ASSERT_FLOAT_EQ(s.state.LimValMaxRun8[4][1], 10.0f);

    s.ui.messages.clear();
    s.ui.answers = {Answer::Ok, Answer::No};
    e.btnRestore_Click();
    EXPECT_TRUE(anyHas(s.ui.messages, "The limit values of CO will now be read in milig."));
    EXPECT_EQ(test::readFile(lists + "LimValDef.lst"), limits) << "left as it was";
    EXPECT_EQ(s.state.DefOutputUnits[4], "milig");
    EXPECT_FLOAT_EQ(s.state.LimValMaxRun8[4][1], 10.0f);
}

TEST(PollutantsRestore, UnitsThatCannotBeConvertedBackLeaveTheLimitValuesAsTheyAreAndSayWhatToDo) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string installed = test::readFile(lists + "Pollutants.lst");
    frmEditPollutants e(s.state, s.ui, nullptr);
    // CO in ppm without a factor to ppb: no conversion either way.
    const int co = rowNamed(e.model(), "CO");
    ASSERT_TRUE(setCell(e.model(), co, frmEditPollutants::OutputUnit, "ppm"));
    ASSERT_TRUE(setCell(e.model(), co, frmEditPollutants::MicrogToPpb, "0"));
    s.ui.answers.clear();
    ASSERT_TRUE(e.btnSave_Click()) << testing::PrintToString(s.ui.messages);
    const std::string limits = test::readFile(lists + "LimValDef.lst");

    s.ui.messages.clear();
    s.ui.answers = {Answer::Ok};
    e.btnRestore_Click();
    ASSERT_EQ(s.ui.messages.size(), 2u) << testing::PrintToString(s.ui.messages);
    EXPECT_EQ(s.ui.messages[1],
              "The limit values of CO in the Limit Values List cannot be converted from ppm to "
              "milig.\r\nThe limit values of CO will now be read in milig.\r\nCheck them "
              "with Settings > Limit Values.");
    EXPECT_EQ(test::readFile(lists + "Pollutants.lst"), installed) << "the list is restored";
    EXPECT_EQ(test::readFile(lists + "LimValDef.lst"), limits) << "the limit values stay";
}

TEST(PollutantsRestore, ABackupThatCannotBeReadIsNotRestored) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    frmEditPollutants e(s.state, s.ui, nullptr);
    ASSERT_TRUE(setCell(e.model(), rowNamed(e.model(), "CO"), frmEditPollutants::OutputUnit, "microg"));
    s.ui.answers.clear();
    ASSERT_TRUE(e.btnSave_Click());
    const std::string pollutants = test::readFile(lists + "Pollutants.lst");
    const std::string limits = test::readFile(lists + "LimValDef.lst");
    std::ofstream(lists + "Pollutants.bak", std::ios::binary | std::ios::app) << "\"Broken\",\"x\"\r\n";

    s.ui.messages.clear();
    s.ui.answers = {Answer::Ok};
    e.btnRestore_Click();
    ASSERT_EQ(s.ui.messages.size(), 2u) << testing::PrintToString(s.ui.messages);
    EXPECT_EQ(s.ui.messages[1].rfind("Pollutants.bak cannot be read:", 0), 0u) << s.ui.messages[1];
    EXPECT_NE(s.ui.messages[1].find("Nothing was restored."), std::string::npos) << s.ui.messages[1];
    EXPECT_EQ(test::readFile(lists + "Pollutants.lst"), pollutants)
        << "not replaced by a list that cannot load";
    EXPECT_EQ(test::readFile(lists + "LimValDef.lst"), limits);
    EXPECT_EQ(s.state.DefOutputUnits[4], "microg");
}

// ---- Percentiles

namespace {

struct PercentileEdit {
    const char *name;
    std::function<void(frmEditPercentiles &)> edit;
    const char *change; // the line of the restore's question
};

void PrintTo(const PercentileEdit &c, std::ostream *os) {
    *os << c.name;
}

class PercentilesRestore : public testing::TestWithParam<PercentileEdit> {};

} // namespace

TEST_P(PercentilesRestore, TakesTheLimitValuesBackWithTheirPercentilesSoThe200StandsUnderThe19thHighest) {
    const PercentileEdit &c = GetParam();
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string installedPercentiles = test::readFile(lists + "PercDef.lst");
    const std::vector<LimitValueBlock> installedLimits = limitValueBlocks(s.state);
    ASSERT_EQ(no2HourlyLimits(sample, s), "200|");

    inEditor<frmEditPercentiles>(s, "menPercentiles", [&](frmEditPercentiles &e) {
        e.SSTab1->setCurrentIndex(0);
        ASSERT_NO_FATAL_FAILURE(c.edit(e));
        saveWithEnter(s, e);
    });
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_NE(test::readFile(lists + "PercDef.lst"), installedPercentiles);

    ASSERT_NO_FATAL_FAILURE(inEditor<frmEditPercentiles>(
        s, "menPercentiles", [&](frmEditPercentiles &e) { restoreWithEnter(s, e); }));
    ASSERT_GE(s.ui.messages.size(), 2u);
    EXPECT_EQ(s.ui.messages[0], kRestoreQuestion[1]);
    EXPECT_NE(s.ui.messages[1].find("Restored to the original percentile definitions, its columns go with "
                                    "their percentiles:"),
              std::string::npos)
        << s.ui.messages[1];
    EXPECT_NE(s.ui.messages[1].find(c.change), std::string::npos) << s.ui.messages[1];
    EXPECT_EQ(s.ui.messages.size(), 2u)
        << "no warning about the limit values' percentiles: " << s.ui.messages.back();
    EXPECT_FALSE(s.state.LimHourlyCountDiff || s.state.LimHourlyValueDiff);
    EXPECT_EQ(test::readFile(lists + "PercDef.lst"), installedPercentiles);
    EXPECT_TRUE(limitValueBlocks(s.state) == installedLimits) << "the limit values as installed";

    EXPECT_EQ(no2HourlyLimits(sample, s), "200|") << "200 under the 19th highest, nothing under the 176th";
}

INSTANTIATE_TEST_SUITE_P(
    EditedThenRestored, PercentilesRestore,
    testing::Values(PercentileEdit{"The98Deleted",
                                   [](frmEditPercentiles &e) {
                                       ASSERT_EQ(cell(e.model(0), 0, frmEditPercentiles::Percentile), "98");
                                       e.DataGrid1[0]->setCurrentIndex(e.model(0)->index(0, 0));
                                       e.btnDeleteRow_Click();
                                   },
                                   "Hourly Percentiles: 98 added, without limit values."},
                    PercentileEdit{"The90Added",
                                   [](frmEditPercentiles &e) {
                                       e.DataGrid1[0]->setCurrentIndex(QModelIndex());
                                       e.btnAddRow_Click();
                                       ASSERT_TRUE(
                                           setCell(e.model(0), 2, frmEditPercentiles::Percentile, "90"));
                                   },
                                   "Hourly Percentiles: 90 removed, no limit values with it."}),
    [](const testing::TestParamInfo<PercentileEdit> &info) { return std::string(info.param.name); });

// ---- A percentile brought back by Restore after it was removed

namespace {

void delete998(frmEditPercentiles &e) {
    ASSERT_EQ(cell(e.model(0), 1, frmEditPercentiles::Percentile), "99.8");
    e.DataGrid1[0]->setCurrentIndex(e.model(0)->index(1, 0));
    e.btnDeleteRow_Click();
}

void add90(frmEditPercentiles &e) {
    e.DataGrid1[0]->setCurrentIndex(QModelIndex());
    e.btnAddRow_Click();
    const int added = e.model(0)->rowCount() - 1;
    ASSERT_TRUE(setCell(e.model(0), added, frmEditPercentiles::Percentile, "90"));
}

struct RemovedPercentile {
    const char *name;
    std::vector<std::function<void(frmEditPercentiles &)>> saves; // each edit is saved
    const char *no2AnnualLimit; // typed in Settings > Limit Values after the saves ("" none)
    const char *change;         // the hourly line of the restore's question
    const char *no2Hourly;      // the NO2 hourly limits of the summary afterwards
};

void PrintTo(const RemovedPercentile &c, std::ostream *os) {
    *os << c.name;
}

class PercentilesRestoreOfARemovedColumn : public testing::TestWithParam<RemovedPercentile> {};

} // namespace

TEST_P(PercentilesRestoreOfARemovedColumn, TakesBackTheLimitValuesTheColumnHadWhenItWasRemoved) {
    const RemovedPercentile &c = GetParam();
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    const std::string installedPercentiles = test::readFile(lists + "PercDef.lst");
    const std::vector<LimitValueBlock> installedLimits = limitValueBlocks(s.state);
    for (const auto &edit : c.saves) {
        inEditor<frmEditPercentiles>(s, "menPercentiles", [&](frmEditPercentiles &e) {
            e.SSTab1->setCurrentIndex(0);
            ASSERT_NO_FATAL_FAILURE(edit(e));
            saveWithEnter(s, e);
        });
        ASSERT_FALSE(HasFatalFailure());
    }
    ASSERT_EQ(no2HourlyLimits(sample, s), "(none)|") << "no 19th highest";
    if (*c.no2AnnualLimit != '\0') {
        inEditor<frmEditLimitVal>(s, "menLimitVal", [&](frmEditLimitVal &e) {
            e.cmbPollut->setCurrentIndex(e.cmbPollut->findText("Nitrogen dioxide"));
            ASSERT_TRUE(setCell(e.model(0), 0, 1, QString::fromLatin1(c.no2AnnualLimit)));
            saveWithEnter(s, e);
        });
        ASSERT_FALSE(HasFatalFailure());
    }

    ASSERT_NO_FATAL_FAILURE(inEditor<frmEditPercentiles>(
        s, "menPercentiles", [&](frmEditPercentiles &e) { restoreWithEnter(s, e); }));
    ASSERT_GE(s.ui.messages.size(), 2u);
    EXPECT_NE(s.ui.messages[1].find(c.change), std::string::npos) << s.ui.messages[1];
    EXPECT_EQ(test::readFile(lists + "PercDef.lst"), installedPercentiles);
    if (*c.no2AnnualLimit == '\0') {
        EXPECT_TRUE(limitValueBlocks(s.state) == installedLimits) << "the limit values as installed";
    }
    EXPECT_EQ(no2HourlyLimits(sample, s), c.no2Hourly);
}

INSTANTIATE_TEST_SUITE_P(
    RemovedSavedRestored, PercentilesRestoreOfARemovedColumn,
    testing::Values(
        RemovedPercentile{"InOneSave",
                          {delete998},
                          "",
                          "Hourly Percentiles: 99.8 added, with its earlier limit values of NO2.",
                          "200|"},
        // The latest save's backup of the limit values no longer holds the column: the first one does.
        RemovedPercentile{"ThenAnotherSave",
                          {delete998, add90},
                          "",
                          "Hourly Percentiles: 99.8 added, with its earlier limit values of NO2; 90 removed",
                          "200|"},
        // NO2's limit values were edited since: no earlier list gives the column's value for them.
        RemovedPercentile{"ThenNO2sLimitsEdited",
                          {delete998},
                          "35",
                          "Hourly Percentiles: 99.8 added, without limit values (no earlier Limit Values "
                          "List gives them for NO2).",
                          "|"}),
    [](const testing::TestParamInfo<RemovedPercentile> &info) { return std::string(info.param.name); });

TEST(PercentilesRestoreQuestion, CancelRestoresNothingAndALimitListThatCannotBeWrittenRestoresNothingEither) {
    Sample sample;
    Session s(sample, "");
    const std::string lists = s.state.ListsDir;
    frmEditPercentiles e(s.state, s.ui, nullptr);
    e.SSTab1->setCurrentIndex(0);
    e.DataGrid1[0]->setCurrentIndex(e.model(0)->index(0, 0));
    e.btnDeleteRow_Click();
    s.ui.answers.clear();
    ASSERT_TRUE(e.btnSave_Click());
    const std::string percentiles = test::readFile(lists + "PercDef.lst");
    const std::string limits = test::readFile(lists + "LimValDef.lst");

    // Cancel at the question about the limit values.
    s.ui.messages.clear();
    s.ui.answers = {Answer::Ok, Answer::Cancel};
    e.btnRestore_Click();
    EXPECT_EQ(s.ui.messages.size(), 2u);
    EXPECT_EQ(test::readFile(lists + "PercDef.lst"), percentiles);
    EXPECT_EQ(test::readFile(lists + "LimValDef.lst"), limits);
    EXPECT_EQ(s.state.NumPercHourly, 1);

    // The limit values cannot be written (their previous version cannot be kept).
    fs::remove(lists + "LimValDef.ls0");
    fs::create_directory(lists + "LimValDef.ls0");
    s.ui.messages.clear();
    s.ui.answers = {Answer::Ok};
    e.btnRestore_Click();
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_EQ(s.ui.messages.back().rfind("Nothing was restored: LimValDef.lst could not be written.", 0), 0u)
        << s.ui.messages.back();
    EXPECT_EQ(test::readFile(lists + "PercDef.lst"), percentiles);
    EXPECT_EQ(test::readFile(lists + "LimValDef.lst"), limits);
    EXPECT_EQ(s.state.NumPercHourly, 1);
    EXPECT_FLOAT_EQ(s.state.LimValPercHourly[1][1][1], 200.0f) << "the 19th highest keeps its 200";
}
