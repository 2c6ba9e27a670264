// The traffic editor, the list editor and the two tool windows on their own:
// the sample's files, the checks as the user types, view-only mode, and the
// emission-factor window, which edits only a copy of the factor table.

#include "ui/WindowSession.h"

#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/FactorCurves.h"
#include "ui/editors/CurvePlot.h"
#include "ui/editors/EditorComponents.h"
#include "ui/editors/RowsTableModel.h"
#include "ui/editors/TrafficTableModels.h"
#include "ui/editors/frmListEditor.h"
#include "ui/editors/frmTrafficEditor.h"
#include "ui/tools/EmissionFactorModel.h"
#include "ui/tools/ToolWindows.h"
#include "ui/tools/frmEmissionFactors.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QTableView>
#include <fstream>
#include <gtest/gtest.h>

using namespace vesk;
using test::Sample;

namespace {

// The program start-up on a copy of the data tree, as a tool window makes it.
struct ToolState {
    Sample sample;
    State state;
    test::ScriptedInteraction ui;
    ToolState() { EXPECT_TRUE(ui::setUpToolState(state, sample.appDir, "Demoland", ui)); }
    std::string lists(const char *name) const { return sample.appDir + "Lists/National/DL/" + name; }
    ToolCommandLine line(ToolWindow tool) const {
        return {tool, lists("Fleet2020.vlf"), lists("Fuels2020.flf"), 2020, "Demoland"};
    }
};

int categoryColumn(const ui::frmTrafficEditor &d, const std::string &name) {
    for (size_t c = 0; c < d.document().categories.size(); ++c) {
        if (d.document().categories[c].name == name) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

} // namespace

// ---- Traffic editor ---------------------------------------------------------------------------

TEST(TrafficEditorWindow, ShowsTheSamplesDayCasesProfilesAndAverages) {
    ToolState t;
    std::string path = t.sample.appDir + "Working/DemoStreet.trf";
    ui::TrafficEditorComponent editor(t.ui, nullptr);
    std::string vehicles = ".\\Fleet2020.vlf", fuels = ".\\Fuels2020.flf";
    int year = 2020;
    ui::TrafficEditorData data = ui::fileTrafficData(15);
    bool renew = true;
    bool shown = false;
    editor.run = [&](ui::frmTrafficEditor &d) {
        shown = true;
        EXPECT_EQ(d.tblDayCases->model()->rowCount(), 4);
        EXPECT_EQ(
            d.dayCaseModel()->data(d.dayCaseModel()->index(0, ui::TrafficDayCaseModel::ColDay)).toString(),
            QStringLiteral("DayNow <= 5"));
        EXPECT_EQ(d.profileModel()->rowCount(), 24);
        // The first day case's 8th hour as the file holds it: flows, speeds and cold starts.
        QAbstractItemModel *profile = d.tblProfile->model();
        QStringList hour8, headings;
        for (int c = 0; c < profile->columnCount(); ++c) {
            hour8 << profile->index(7, c).data().toString();
            headings << profile->headerData(c, Qt::Horizontal).toString();
        }
        EXPECT_EQ(hour8.join(QLatin1Char(' ')), QStringLiteral("858.8 102.2 43.7 10.2 32.8 28.8 25"));
        EXPECT_EQ(headings.join(QLatin1Char(',')),
                  QStringLiteral("Cars,Van,HGV,Bus,Speed light,Speed heavy,Cold start (%)"));
        // The plot holds one curve per category over the 24 periods.
        ASSERT_EQ(d.picProfile->curves().size(), d.document().categories.size());
        EXPECT_EQ(d.picProfile->curves()[0].x.size(), 24u);
        EXPECT_GT(d.txtADT->text().toDouble(), 1000);
        EXPECT_GT(d.txtSpeed->text().toDouble(), 10);
        EXPECT_EQ(d.lblFleetCheck->text(), QStringLiteral("The categories match those of the vehicle list."));
        EXPECT_TRUE(d.problem().isEmpty());
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(
        editor.EditTrafficFile(path, 0, 0, vehicles, fuels, year, t.state.ModelEnv, data, renew));
    EXPECT_TRUE(shown);
    EXPECT_TRUE(data.Opened);
    EXPECT_FALSE(data.Changed);
    EXPECT_FALSE(renew) << "the fleet did not change";
}

TEST(TrafficEditorWindow, ConditionsAreCheckedAsTheUserTypesAndABadOneKeepsSaveDisabled) {
    ToolState t;
    std::string path = t.sample.appDir + "Working/DemoStreet.trf";
    const std::string before = test::readFile(path);
    ui::TrafficEditorComponent editor(t.ui, nullptr);
    std::string vehicles = ".\\Fleet2020.vlf", fuels = ".\\Fuels2020.flf";
    int year = 2020;
    ui::TrafficEditorData data = ui::fileTrafficData(15);
    bool renew = false;
    editor.run = [&](ui::frmTrafficEditor &d) {
        // The cell editor the day condition column gives.
        const QModelIndex cell = d.dayCaseModel()->index(1, ui::TrafficDayCaseModel::ColDay);
        QWidget *editorWidget = d.tblDayCases->itemDelegateForColumn(ui::TrafficDayCaseModel::ColDay)
                                    ->createEditor(d.tblDayCases->viewport(), QStyleOptionViewItem(), cell);
        auto *box = qobject_cast<QLineEdit *>(editorWidget);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), QStringLiteral("txtCondition"));
        QLineEdit &typing = *box;
        typing.setText(QStringLiteral("DayNow <"));
        EXPECT_TRUE(d.lblProblem->text().startsWith(QStringLiteral("This condition is not valid: ")))
            << d.lblProblem->text().toStdString();
        EXPECT_FALSE(typing.styleSheet().isEmpty()) << "the box turns red";
        typing.setText(QStringLiteral("DayNow < 6 AND NOT (MonthNow = 8)"));
        EXPECT_TRUE(d.lblProblem->text().isEmpty());
        EXPECT_TRUE(typing.styleSheet().isEmpty());
        delete editorWidget;

        // Stored in the day case, a bad condition keeps Save disabled and says why.
        auto *m = d.dayCaseModel();
        ASSERT_TRUE(m->setData(m->index(1, ui::TrafficDayCaseModel::ColDay), QStringLiteral("DayNow <= ")));
        EXPECT_FALSE(d.btnSave->isEnabled());
        EXPECT_FALSE(d.btnSave->toolTip().isEmpty());
        ASSERT_TRUE(m->setData(m->index(1, ui::TrafficDayCaseModel::ColDay), QStringLiteral("DayNow <= 4")));
        EXPECT_TRUE(d.btnSave->isEnabled()) << d.problem().toStdString();
        // Leaving with the changes unsaved: dropped on No when the editor works on the file.
        t.ui.answers.push_back(Answer::No);
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(
        editor.EditTrafficFile(path, 0, 0, vehicles, fuels, year, t.state.ModelEnv, data, renew));
    EXPECT_EQ(test::readFile(path), before);
}

TEST(TrafficEditorWindow, TheDailyTrafficScalesTheFlowsAndHalfHoursSplitThem) {
    ToolState t;
    TrafficDocument doc;
    std::string error;
    ASSERT_TRUE(readTrafficDocument(t.sample.appDir + "Working/DemoStreet.trf", &doc, &error)) << error;
    ui::frmTrafficEditor::Setup setup;
    setup.doc = doc;
    setup.path = t.sample.appDir + "Working/DemoStreet.trf";
    setup.env = t.state.ModelEnv;
    setup.data = ui::fileTrafficData(15);
    ui::frmTrafficEditor d(setup, t.ui);
    const double adt = trafficFileAverages(doc).dailyTraffic;
    d.txtADT->setText(QString::number(2 * adt, 'f', 0));
    d.txtADT_Apply();
    EXPECT_NEAR(trafficFileAverages(d.document()).dailyTraffic, 2 * adt, 1.0);
    // The typed daily traffic is a whole number: the factor is 2 within 1e-4.
    EXPECT_NEAR(d.document().dayCases[0].periods[8].flows[0] / doc.dayCases[0].periods[8].flows[0], 2, 1e-4);
    EXPECT_TRUE(d.changed());

    d.cmbPeriods_Click(1);
    EXPECT_EQ(d.document().periods, 48);
    EXPECT_EQ(d.profileModel()->rowCount(), 48);
    EXPECT_EQ(d.picProfile->curves()[0].x.size(), 48u);
    EXPECT_NEAR(trafficFileAverages(d.document()).dailyTraffic, 2 * adt, 1.0) << "the day keeps its vehicles";
}

TEST(TrafficEditorWindow, TheDaysColumnCountsTheDaysOfAYearEachDayCaseTakesAsTheConditionsAreTyped) {
    ToolState t;
    std::string path = t.sample.appDir + "Working/DemoStreet.trf";
    ui::TrafficEditorComponent editor(t.ui, nullptr);
    std::string vehicles = ".\\Fleet2020.vlf", fuels = ".\\Fuels2020.flf";
    int year = 2020;
    ui::TrafficEditorData data = ui::fileTrafficData(15);
    bool renew = false;
    std::vector<std::vector<std::string>> shown;
    bool typeable = true;
    editor.run = [&](ui::frmTrafficEditor &d) {
        QAbstractItemModel *table = d.tblDayCases->model();
        const auto days = [&] {
            std::vector<std::string> column;
            for (int r = 0; r < table->rowCount(); ++r) {
                column.push_back(
                    table->index(r, ui::TrafficDayCaseModel::ColDays).data().toString().toStdString());
            }
            shown.push_back(column);
        };
        days();
        typeable = table->flags(table->index(0, ui::TrafficDayCaseModel::ColDays)) & Qt::ItemIsEditable;
        // The summer working days without their months: every working day, none left for the next case.
        EXPECT_TRUE(table->setData(table->index(0, ui::TrafficDayCaseModel::ColMonth), QString()));
        days();
        // A condition no day meets: Sundays are taken by no day case.
        EXPECT_TRUE(
            table->setData(table->index(3, ui::TrafficDayCaseModel::ColDay), QStringLiteral("DayNow = 8")));
        days();
        t.ui.answers.push_back(Answer::No);
        d.btnClose_Click();
    };
    editor.EditTrafficFile(path, 0, 0, vehicles, fuels, year, t.state.ModelEnv, data, renew);
    using Days = std::vector<std::string>;
    ASSERT_EQ(shown.size(), 3u);
    // A year of 365 days: 365 / 7 of each weekday, 5 x 365 / 7 working days, 5 x 62 / 7 in July and August.
    EXPECT_EQ(shown[0], (Days{"44", "216", "52", "52"})) << "the sample's summer and other working days";
    EXPECT_EQ(shown[1], (Days{"261", "0", "52", "52"}));
    EXPECT_EQ(shown[2], (Days{"261", "0", "52", "0"}));
    EXPECT_FALSE(typeable) << "the days are counted, not typed";
}

TEST(TrafficEditorWindow, TypedCellsTakeACommaAsThePointAndMalformedSubCategoriesAreRefused) {
    ToolState t;
    std::string path = t.sample.appDir + "Working/DemoStreet.trf";
    ui::TrafficEditorComponent editor(t.ui, nullptr);
    std::string vehicles = ".\\Fleet2020.vlf", fuels = ".\\Fuels2020.flf";
    int year = 2020;
    ui::TrafficEditorData data = ui::fileTrafficData(15);
    bool renew = false;
    QStringList hour8;
    std::vector<std::string> parts;
    editor.run = [&](ui::frmTrafficEditor &d) {
        QAbstractItemModel *profile = d.tblProfile->model();
        const char *typed[] = {"900,5", "100", "40", "10", "31,5", "27", "20"};
        for (int c = 0; c < profile->columnCount(); ++c) {
            EXPECT_TRUE(profile->setData(profile->index(7, c), QString::fromLatin1(typed[c]))) << typed[c];
            hour8 << profile->index(7, c).data().toString();
        }
        QAbstractItemModel *categories = d.tblCategories->model();
        const QModelIndex cars = categories->index(0, ui::TrafficCategoryModel::ColParts);
        for (const char *text : {"PCPetrol, PCDiesel 0.35", "PCPetrol 0.6 0.1, PCDiesel 0.3", "PCPetrol many",
                                 "PCPetrol 0.7; PCDiesel 0.3"}) {
            categories->setData(cars, QString::fromLatin1(text));
            parts.push_back(cars.data().toString().toStdString());
        }
        EXPECT_TRUE(d.btnSave_Click()) << d.problem().toStdString();
        d.btnClose_Click();
    };
    editor.EditTrafficFile(path, 0, 0, vehicles, fuels, year, t.state.ModelEnv, data, renew);
    EXPECT_EQ(hour8.join(QLatin1Char(' ')), QStringLiteral("900.5 100 40 10 31.5 27 20"));
    EXPECT_EQ(parts, (std::vector<std::string>{"PCPetrol 0.65, PCDiesel 0.35", "PCPetrol 0.65, PCDiesel 0.35",
                                               "PCPetrol 0.65, PCDiesel 0.35", "PCPetrol 0.7, PCDiesel 0.3"}))
        << "a sub-category without its one fraction is refused and the cell keeps what it held";
    TrafficDocument saved;
    std::string error;
    ASSERT_TRUE(readTrafficDocument(path, &saved, &error)) << error;
    const TrafficPeriod &p = saved.dayCases.at(0).periods.at(7);
    EXPECT_EQ(p.flows.at(0), 900.5);
    EXPECT_EQ(p.speedLight, 31.5);
    EXPECT_EQ(p.speedHeavy, 27);
    EXPECT_EQ(p.coldStart, 20);
    EXPECT_EQ(saved.categories.at(0).subFractions, (std::vector<double>{0.7, 0.3}));
}

TEST(TrafficEditorWindow, ViewOnlyChangesNothing) {
    ToolState t;
    std::string path = t.sample.appDir + "Working/DemoStreet.trf";
    ui::TrafficEditorComponent editor(t.ui, nullptr);
    std::string vehicles = ".\\Fleet2020.vlf", fuels = ".\\Fuels2020.flf";
    int year = 2020;
    ui::TrafficEditorData data = ui::fileTrafficData(15);
    data.ReadOnly = true;
    bool renew = false;
    editor.run = [&](ui::frmTrafficEditor &d) {
        EXPECT_TRUE(d.btnSave->isHidden());
        EXPECT_TRUE(d.btnSaveAs->isHidden());
        EXPECT_TRUE(d.btnOpen->isHidden());
        EXPECT_FALSE(d.txtADT->isEnabled());
        const QModelIndex cell = d.profileModel()->index(3, 0);
        EXPECT_FALSE(d.profileModel()->flags(cell) & Qt::ItemIsEditable);
        EXPECT_FALSE(d.profileModel()->setData(cell, QStringLiteral("999")));
        EXPECT_TRUE(d.windowTitle().endsWith(QStringLiteral("(view only)")));
        EXPECT_FALSE(d.btnSave_Click());
        d.btnClose_Click();
    };
    editor.EditTrafficFile(path, 0, 0, vehicles, fuels, year, t.state.ModelEnv, data, renew);
    EXPECT_FALSE(data.Changed);
    EXPECT_FALSE(data.FleetChanged);
}

TEST(TrafficEditorWindow, AFileNamedButNotWrittenYetStartsFromTheFleetAndIsSavedUnderThatName) {
    ToolState t;
    const std::string target = t.sample.appDir + "Working/Planned.trf";
    std::string path = target;
    ui::TrafficEditorComponent editor(t.ui, nullptr);
    std::string vehicles = ".\\Fleet2020.vlf", fuels = ".\\Fuels2020.flf";
    int year = 2020;
    ui::TrafficEditorData data = ui::fileTrafficData(15);
    bool renew = true;
    bool shown = false;
    editor.run = [&](ui::frmTrafficEditor &d) {
        shown = true;
        EXPECT_EQ(d.path(), target) << "Save writes the file the project names";
        ASSERT_EQ(d.document().categories.size(), 5u) << "the categories of the vehicle list";
        const int c = categoryColumn(d, "Bus");
        ASSERT_GE(c, 0);
        ASSERT_TRUE(d.profileModel()->setData(d.profileModel()->index(7, c), QStringLiteral("12")));
        EXPECT_TRUE(d.btnSave_Click()) << d.problem().toStdString();
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(
        editor.EditTrafficFile(path, 0, 0, vehicles, fuels, year, t.state.ModelEnv, data, renew));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(t.ui.messages.empty()) << t.ui.messages.front();
    EXPECT_EQ(path, target);
    EXPECT_TRUE(data.Saved);
    EXPECT_TRUE(data.Changed);
    EXPECT_FALSE(renew);
    TrafficDocument saved;
    std::string error;
    ASSERT_TRUE(readTrafficDocument(target, &saved, &error)) << error;
    ASSERT_EQ(saved.categories.size(), 5u);
    EXPECT_EQ(saved.categories[4].name, "Bus");
    EXPECT_EQ(saved.dayCases.at(0).periods.at(7).flows.at(4), 12);
}

// ---- Traffic editor program ---------------------------------------------------------------------

TEST(TrafficEditorProgram, StartsANewFileWithTheVehicleListsCategoriesAndSavesWhereTheUserSays) {
    ToolState t;
    const std::string target = t.sample.appDir + "Working/New.trf";
    bool shown = false;
    ui::showToolWindow(t.state, t.line(ToolWindow::TrafficEditor), t.ui, [&](QDialog &window) {
        auto &d = dynamic_cast<ui::frmTrafficEditor &>(window);
        shown = true;
        EXPECT_TRUE(d.path().empty());
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Traffic Data - New File"));
        EXPECT_FALSE(d.btnOpen->isHidden());
        VehicleListDocument fleet;
        std::string error;
        ASSERT_TRUE(readVehicleListDocument(t.lists("Fleet2020.vlf"), &fleet, &error));
        ASSERT_EQ(d.document().categories.size(), fleet.categories.size());
        EXPECT_EQ(d.document().categories[0].name, fleet.categories[0].name);
        const int c = categoryColumn(d, "HGV");
        ASSERT_GE(c, 0);
        ASSERT_TRUE(d.profileModel()->setData(d.profileModel()->index(8, c), QStringLiteral("40")));
        t.ui.files.push_back(target);
        EXPECT_TRUE(d.btnSave_Click()) << d.problem().toStdString();
        d.btnClose_Click();
    });
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_TRUE(shown);
    TrafficDocument saved;
    std::string error;
    ASSERT_TRUE(readTrafficDocument(target, &saved, &error)) << error;
    ASSERT_EQ(saved.categories.size(), 5u);
    EXPECT_EQ(saved.categories[3].name, "HGV");
    EXPECT_EQ(saved.dayCases.at(0).periods.at(8).flows.at(3), 40);
    EXPECT_EQ(saved.dayCases.at(0).periods.at(8).flows.at(0), 0);
}

// ---- List editor --------------------------------------------------------------------------------

TEST(ListEditorWindow, SharesThatDoNotAddUpToAHundredKeepSaveDisabledUntilMended) {
    ToolState t;
    ui::ListEditorComponent editor(t.ui, nullptr);
    std::string path = ".\\Fleet2020.vlf";
    bool saved = false;
    long errorCode = -1;
    editor.run = [&](ui::frmListEditor &d) {
        d.tblRows->selectRow(0);
        d.rowChosen(0);
        ui::RowsTableModel *fleet = d.subRowsModel();
        const QString first = fleet->data(fleet->index(0, 1)).toString();
        ASSERT_TRUE(fleet->setData(fleet->index(0, 1), QString::number(first.toDouble() + 10)));
        EXPECT_FALSE(d.btnSave->isEnabled());
        EXPECT_TRUE(d.lblShareSum->text().startsWith(QStringLiteral("Sum of the shares: 110")))
            << d.lblShareSum->text().toStdString();
        EXPECT_FALSE(d.problem().isEmpty());
        ASSERT_TRUE(fleet->setData(fleet->index(0, 1), first));
        EXPECT_TRUE(d.btnSave->isEnabled());
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(editor.EditListFile(path, ui::kVehicleListKind, t.state.ModelEnv,
                                                t.state.StVehTypeNames, t.state.StFuelNames, saved,
                                                errorCode));
    EXPECT_EQ(errorCode, 0);
    EXPECT_FALSE(saved);
    EXPECT_EQ(path, ".\\Fleet2020.vlf");
}

TEST(ListEditorWindow, AListThatCannotBeReadStartsFromTheStandardTypesAndFuelsAndIsStoredAsNamed) {
    ToolState t;
    const std::vector<std::string> &types = t.state.StVehTypeNames;
    const std::vector<std::string> &fuelNames = t.state.StFuelNames;
    ASSERT_EQ(types.size(), 6u);
    ASSERT_EQ(fuelNames.size(), 3u);
    ui::ListEditorComponent editor(t.ui, nullptr);

    // A vehicle list the scenario names but nobody wrote: the reader's message, then a new list
    // of the standard vehicle types; closed unsaved, the call reports that nothing was made.
    std::string path = ".\\Fleet2031.vlf";
    bool saved = true;
    long errorCode = -1;
    editor.run = [&](ui::frmListEditor &d) {
        EXPECT_TRUE(d.path().empty()) << "a new list has no name yet";
        const VehicleListDocument &v = d.vehicles();
        ASSERT_EQ(v.categories.size(), types.size() - 1);
        for (size_t i = 0; i < v.categories.size(); ++i) {
            EXPECT_EQ(v.categories[i].name, types[i + 1]);
            EXPECT_EQ(v.categories[i].fuel, "Petrol");
            ASSERT_EQ(v.sharesOf(types[i + 1]).size(), 1u) << types[i + 1];
            EXPECT_EQ(v.sharesOf(types[i + 1])[0]->percent, 100);
        }
        // Light and heavy as the standard types are: the speeds of a run follow the class.
        for (size_t i = 0; i < v.categories.size(); ++i) {
            EXPECT_EQ(v.categories[i].lengthClass, t.state.StVehTypeLengthClass[i + 1]) << types[i + 1];
        }
        EXPECT_EQ(v.categories[0].lengthClass, 1);
        EXPECT_EQ(v.categories[3].lengthClass, 2) << v.categories[3].name;
        EXPECT_EQ(d.rowsModel()->rowCount(), 5);
        EXPECT_TRUE(d.btnSave->isEnabled()) << d.problem().toStdString();
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(editor.EditListFile(path, ui::kVehicleListKind, t.state.ModelEnv, types,
                                                fuelNames, saved, errorCode));
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].find("Fleet2031.vlf"), std::string::npos) << t.ui.messages[0];
    EXPECT_EQ(errorCode, 1);
    EXPECT_FALSE(saved);
    EXPECT_EQ(path, ".\\Fleet2031.vlf");

    // A fuel list likewise, saved under another name into the country's list folder: the call
    // hands it back as a national file.
    t.ui.messages.clear();
    path = ".\\Fuels2031.flf";
    editor.run = [&](ui::frmListEditor &d) {
        ASSERT_EQ(d.fuels().fuels.size(), 2u);
        EXPECT_EQ(d.fuels().fuels[0].name, "Petrol");
        EXPECT_EQ(d.fuels().fuels[1].name, "Diesel");
        t.ui.files.push_back(t.lists("Fuels2032.flf"));
        EXPECT_TRUE(d.btnSave_Click()) << d.problem().toStdString();
        d.btnClose_Click();
    };
    ASSERT_NO_FATAL_FAILURE(
        editor.EditListFile(path, ui::kFuelListKind, t.state.ModelEnv, types, fuelNames, saved, errorCode));
    EXPECT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(errorCode, 0);
    EXPECT_TRUE(saved);
    EXPECT_EQ(path, ".\\Fuels2032.flf");

    // Opened again, the saved list is read as it is: no message, its own name.
    t.ui.messages.clear();
    editor.run = [&](ui::frmListEditor &d) {
        EXPECT_EQ(d.path(), t.lists("Fuels2032.flf"));
        EXPECT_EQ(d.fuels().fuels.size(), 2u);
        d.btnClose_Click();
    };
    editor.EditListFile(path, ui::kFuelListKind, t.state.ModelEnv, types, fuelNames, saved, errorCode);
    EXPECT_TRUE(t.ui.messages.empty()) << t.ui.messages.front();
    EXPECT_EQ(errorCode, 0);
    EXPECT_FALSE(saved);
}

// ---- Emission-factor program ------------------------------------------------------------------

TEST(EmissionFactorProgram, ShowsTheFactorsTheRunUsesPerCategoryPollutantAndSpeed) {
    ToolState t;
    bool shown = false;
    ui::showToolWindow(t.state, t.line(ToolWindow::EmissionFactors), t.ui, [&](QDialog &window) {
        auto &w = dynamic_cast<ui::frmEmissionFactors &>(window);
        shown = true;
        EXPECT_TRUE(t.ui.messages.empty());
        EXPECT_EQ(w.factorFilePath(), t.sample.appDir + "Data/Emission/Shared/EmissionFactors.eft");
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Emission Factors - Demoland 2020"));
        EXPECT_TRUE(w.problem().isEmpty()) << w.problem().toStdString();
        w.cmbCategory->setCurrentIndex(w.cmbCategory->findData(QStringLiteral("HGV")));
        w.cmbPollutant->setCurrentIndex(w.cmbPollutant->findText(QStringLiteral("NOx")));
        ui::EmissionFactorModel *m = w.model();
        ASSERT_EQ(m->curves().technologies.size(), 4u);
        EXPECT_EQ(m->rowCount(), 13) << "the table's speeds";
        EXPECT_EQ(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("pre-Euro IV (5 %)"));
        EXPECT_EQ(m->data(m->index(4, 0)).toString(), QStringLiteral("50"));
        EXPECT_EQ(m->data(m->index(4, 1)).toString(), QStringLiteral("9"));

        // The fleet average is the emission component's, read the way a run reads the files.
        EmissionLibrary lib;
        std::vector<int> emitters;
        std::string error;
        std::vector<EmissionPollutant> pollutants;
        for (const Pollutant &p : t.state.ModelEnv.Pollutants) {
            pollutants.push_back({p.Name, p.Index, p.Emitter});
        }
        ASSERT_TRUE(lib.InitialiseEmissions(
            t.lists("Fleet2020.vlf"), t.lists("Fuels2020.flf"), pollutants,
            {"", t.state.TrafficDir, t.state.EmissionDir, t.state.SharedEmissionDir}, &emitters, &error))
            << error;
        const double expected =
            lib.VehicleCategories.find("HGV")->Tarvik(lib.FleetList, lib.FuelList, 0, 50, 15, 0);
        EXPECT_NEAR(m->curves().fleetAverage_gkm[4], expected, 1e-9);
        EXPECT_EQ(m->data(m->index(4, m->fleetAverageColumn())).toString(),
                  QString::number(expected, 'g', 4));
        // The plot: one curve per technology and the fleet average.
        ASSERT_EQ(w.picFactors->curves().size(), 5u);
        EXPECT_TRUE(w.picFactors->curves().back().bold);

        // Cold starts raise the fleet average by (cold ratio - 1) x share.
        w.spnColdStart->setValue(50);
        EXPECT_NEAR(m->curves().fleetAverage_gkm[4], expected * (1 + 0.5 * 0.1), 1e-9);
        // A share of another pollutant cannot be typed into.
        w.cmbPollutant->setCurrentIndex(w.cmbPollutant->findText(QStringLiteral("NO2")));
        EXPECT_FALSE(m->flags(m->index(4, 1)) & Qt::ItemIsEditable);
        w.btnClose_Click();
    });
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_TRUE(shown);
}

TEST(EmissionFactorProgram, EditsOnlyACopyAndNeverTheTableTheProgramReads) {
    ToolState t;
    const std::string table = t.sample.appDir + "Data/Emission/Shared/EmissionFactors.eft";
    const std::string original = test::readFile(table);
    const std::string copy = t.sample.appDir + "Working/Factors copy.eft";
    ui::showToolWindow(t.state, t.line(ToolWindow::EmissionFactors), t.ui, [&](QDialog &window) {
        auto &w = dynamic_cast<ui::frmEmissionFactors &>(window);
        w.cmbCategory->setCurrentIndex(w.cmbCategory->findData(QStringLiteral("HGV")));
        w.cmbPollutant->setCurrentIndex(w.cmbPollutant->findText(QStringLiteral("NOx")));
        ui::EmissionFactorModel *m = w.model();
        const double before = m->curves().fleetAverage_gkm[4];
        EXPECT_FALSE(m->setData(m->index(4, 1), QStringLiteral("-1"))) << "a factor is never negative";
        ASSERT_TRUE(m->setData(m->index(4, 1), QStringLiteral("19")));
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.edited());
        EXPECT_NEAR(m->curves().fleetAverage_gkm[4], before + 0.05 * 10, 1e-9)
            << "5 % of the fleet, 10 g/km more";

        // The program's own table is refused as the copy's name.
        t.ui.files.push_back(table);
        EXPECT_FALSE(w.btnSaveCopy_Click());
        ASSERT_FALSE(t.ui.messages.empty());
        EXPECT_NE(t.ui.messages.back().find("Save the copy under another name."), std::string::npos);
        t.ui.files.push_back(copy);
        EXPECT_TRUE(w.btnSaveCopy_Click());
        EXPECT_EQ(w.copyPath(), copy);
        w.btnClose_Click();
    });
    if (HasFatalFailure()) {
        return;
    }
    EXPECT_EQ(test::readFile(table), original);
    FactorTableDocument saved;
    std::string error;
    ASSERT_TRUE(readFactorTableDocument(copy, &saved, &error)) << error;
    const FactorRow *row = saved.find("HGV diesel", "pre-Euro IV", "NOx");
    ASSERT_NE(row, nullptr);
    EXPECT_DOUBLE_EQ(row->factors[4], 19);
}

TEST(EmissionFactorProgram, AMalformedFactorTableOpensWithTheReadersMessage) {
    ToolState t;
    const std::string table = t.sample.appDir + "Data/Emission/Shared/EmissionFactors.eft";
    const std::string damaged = "\"Factors\"\r\n[Speeds]\r\n\"Speed (km/h)\"\r\n50,40\r\n";
    { std::ofstream(table, std::ios::binary) << damaged; }
    ui::showToolWindow(t.state, t.line(ToolWindow::EmissionFactors), t.ui, [&](QDialog &window) {
        auto &w = dynamic_cast<ui::frmEmissionFactors &>(window);
        EXPECT_EQ(w.model()->rowCount(), 0);
        EXPECT_FALSE(w.btnSaveCopy_Click());
        w.btnClose_Click();
    });
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].find("EmissionFactors.eft, line 4"), std::string::npos) << t.ui.messages[0];
    EXPECT_EQ(test::readFile(table), damaged);
}

TEST(EmissionFactorProgram, AFactorOfZeroAndTheBoundsAreTakenAndABitMoreOrLessIsRefused) {
    ToolState t;
    const std::string copy = t.sample.appDir + "Working/Electric.eft";
    std::vector<QString> shown;
    ui::showToolWindow(t.state, t.line(ToolWindow::EmissionFactors), t.ui, [&](QDialog &window) {
        auto &w = dynamic_cast<ui::frmEmissionFactors &>(window);
        w.cmbCategory->setCurrentIndex(w.cmbCategory->findData(QStringLiteral("HGV")));
        w.cmbPollutant->setCurrentIndex(w.cmbPollutant->findText(QStringLiteral("NOx")));
        ui::EmissionFactorModel *m = w.model();
        const double before = m->curves().fleetAverage_gkm[4];
        ASSERT_EQ(m->data(m->index(4, 1)).toString(), QStringLiteral("9"));
        // No exhaust at all (an electric vehicle): 0 g/km is a factor like any other.
        EXPECT_TRUE(m->setData(m->index(4, 1), QStringLiteral("0")));
        EXPECT_TRUE(m->setData(m->index(5, 1), QStringLiteral("10000"))) << "the largest factor";
        for (const char *refused : {"-0.001", "10000.5", "ten"}) {
            EXPECT_FALSE(m->setData(m->index(6, 1), QString::fromLatin1(refused))) << refused;
        }
        QCoreApplication::processEvents();
        shown = {m->data(m->index(4, 1)).toString(), m->data(m->index(5, 1)).toString(),
                 m->data(m->index(6, 1)).toString()};
        EXPECT_NEAR(m->curves().fleetAverage_gkm[4], before - 0.05 * 9, 1e-9)
            << "5 % of the fleet, 9 g/km less";
        t.ui.files.push_back(copy);
        EXPECT_TRUE(w.btnSaveCopy_Click());
        w.btnClose_Click();
    });
    if (HasFatalFailure()) {
        return;
    }
    FactorTableDocument read;
    std::string error;
    ASSERT_TRUE(
        readFactorTableDocument(t.sample.appDir + "Data/Emission/Shared/EmissionFactors.eft", &read, &error))
        << error;
    const double untouched = read.find("HGV diesel", "pre-Euro IV", "NOx")->factors[6];
    EXPECT_EQ(shown, (std::vector<QString>{QStringLiteral("0"), QStringLiteral("1e+04"),
                                           QString::number(untouched, 'g', 4)}));
    FactorTableDocument saved;
    ASSERT_TRUE(readFactorTableDocument(copy, &saved, &error)) << error;
    const FactorRow *row = saved.find("HGV diesel", "pre-Euro IV", "NOx");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->factors[4], 0);
    EXPECT_EQ(row->factors[5], 10000);
    EXPECT_EQ(row->factors[6], untouched);
}
