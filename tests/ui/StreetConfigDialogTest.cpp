#include "calc/CalcState.h"
#include "calc/RunErrors.h"
#include "calc/StreetRecords.h"
#include "core/RecordIO.h"
#include "core/Settings.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "run/State.h"
#include "support/TestSupport.h"
#include "ui/common/SketchBox.h"
#include "ui/inputdef/SectorTableModel.h"
#include "ui/inputdef/StreetSetModel.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/inputdef/frmStreetSet.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>

namespace vesk::ui {
namespace {

ProjectFileState sampleState() {
    ProjectFileState s;
    s.ProjectName = "Sample";
    s.StreetName = "Main Street";
    s.StreetHeight = 20;
    s.StreetWidth = 20;
    s.StreetLength_1 = 50;
    s.StreetLength_2 = 50;
    s.StreetOrientation = 30;
    s.NumWindSectors = 1;
    s.SectorColumns = 1;
    s.SectorStart[1] = 200;
    s.SectorEnd[1] = 250;
    s.SectorValue[1] = 35;
    s.SectorUsed[1] = true;
    s.Receptor1 = 1;
    s.Receptor2 = 1;
    s.RecHeight = 2;
    return s;
}

TEST(StreetConfigDialog, WrongValueDisablesOkAndSaysWhyInItsTooltip) {
    frmStreetConfig dialog(streetConfigFromState(sampleState()), "Sample", SketchView{});
    EXPECT_TRUE(dialog.btnOK->isEnabled());
    struct Case {
        QLineEdit *box;
        const char *text;
        const char *reason;
    };
    const Case cases[] = {
        {dialog.txtStreetWidth, "0", "The street width must be > 0."},
        {dialog.txtStreetHeight, "abc", "The building height must be a number."},
        {dialog.txtStreetOrientation, "400",
         "The street orientation 400 is out of range (0 to 360 degrees)."},
        {dialog.txtRecHeight, "-1", "The receptor height -1 is out of range (0 to 100000 m)."},
    };
    for (const Case &c : cases) {
        const QString before = c.box->text();
        c.box->setText(QString::fromLatin1(c.text));
        EXPECT_FALSE(dialog.btnOK->isEnabled()) << c.text;
        EXPECT_EQ(dialog.btnOK->toolTip().toStdString(), c.reason);
        dialog.btnOK_Click();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        c.box->setText(before);
        EXPECT_TRUE(dialog.btnOK->isEnabled()) << c.text;
    }
}

TEST(StreetConfigDialog, TheBuildingHeightBoxIsNamedAsItIsCaptionedWhereTheRunSaysStreetHeight) {
    frmStreetConfig dialog(streetConfigFromState(sampleState()), "Sample", SketchView{});
    for (const auto &[typed, says] :
         {std::pair{"-3", "The building height -3 is out of range (0 to 100000 m)."},
          std::pair{"0", "The building height must be > 0."},
          std::pair{"100001", "The building height 100001 is out of range (0 to 100000 m)."}}) {
        dialog.txtStreetHeight->setText(QString::fromLatin1(typed));
        EXPECT_EQ(dialog.lblProblem->text().toStdString(), says) << typed;
        EXPECT_EQ(dialog.btnOK->toolTip().toStdString(), says) << typed;
        EXPECT_FALSE(dialog.btnOK->isEnabled()) << typed;
    }
    // The run refuses such a street in its own words.
    StreetConfig street = dialog.config();
    street.StreetHeight = -3;
    EXPECT_EQ(streetGeometryProblem(street), "the street height -3 is out of range (0 to 100000 m).");
}

TEST(StreetConfigDialog, SectorCellsTakeNumbersAndRangeErrorsBlockOk) {
    frmStreetConfig dialog(streetConfigFromState(sampleState()), "Sample", SketchView{});
    SectorTableModel *model = dialog.sectorModel();
    EXPECT_FALSE(model->setData(model->index(0, SectorTableModel::ColStart), QStringLiteral("north")));
    EXPECT_TRUE(model->setData(model->index(0, SectorTableModel::ColStart), QStringLiteral("190,5")));
    EXPECT_DOUBLE_EQ(dialog.config().SectorStart[1], 190.5);
    EXPECT_TRUE(model->setData(model->index(0, SectorTableModel::ColEnd), QStringLiteral("370")));
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    EXPECT_EQ(dialog.btnOK->toolTip(),
              QStringLiteral("The end of wind sector 1 370 is out of range (0 to 360 degrees)."));
}

TEST(StreetConfigDialog, AtMostTwelveSectorsCanBeAddedAndRemovingEnablesAddingAgain) {
    frmStreetConfig dialog(streetConfigFromState(sampleState()), "Sample", SketchView{});
    for (int i = 0; i < 20; ++i) {
        dialog.btnAddSector_Click();
    }
    EXPECT_EQ(dialog.sectorModel()->rowCount(), 12);
    EXPECT_FALSE(dialog.btnAddSector->isEnabled());
    EXPECT_TRUE(dialog.btnOK->isEnabled()) << dialog.problem().toStdString();
    dialog.tblSectors->setCurrentIndex(dialog.sectorModel()->index(0, 0));
    dialog.btnRemoveSector_Click();
    EXPECT_EQ(dialog.sectorModel()->rowCount(), 11);
    EXPECT_TRUE(dialog.btnAddSector->isEnabled());
    EXPECT_EQ(dialog.config().NumWindSectors, 11);
}

// A streets file of one street with n wind sectors, sector k from 30 (k - 1)
// to 30 k degrees and k metres high.
std::string streetWithSectors(int n) {
    std::string text =
        "#TRUE#,\"Ring Road\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2," + std::to_string(n) + "\r\n";
    for (int k = 1; k <= n; ++k) {
        text +=
            std::to_string(30 * (k - 1)) + "," + std::to_string(30 * k) + "," + std::to_string(k) + "\r\n";
    }
    return text;
}

// The street-set window opens a street of twelve wind sectors (the most)
// and refuses one of thirteen, as the run reads the one and refuses the other.
TEST(StreetSetWindow, OpensAStreetOfTwelveWindSectorsAndRefusesThirteenAsTheRunDoes) {
    test::TempDir dir;
    test::ScriptedInteraction ui;
    const StreetSetContext context{dir.path().string() + "/", dir.path().string() + "/"};
    for (const int n : {12, 13}) {
        SCOPED_TRACE(std::to_string(n) + " wind sectors");
        const std::string path = dir.write("Streets.txt", streetWithSectors(n)).string();
        ui.messages.clear();
        frmStreetSet window(StreetSetChoice{path, "", {}}, context, ui);

        RecordReader file;
        std::string error;
        ASSERT_TRUE(RecordReader::open(path, &file, &error)) << error;
        CalcState run;
        std::string refused;
        try {
            ReadStreetRecord(run, file);
        } catch (const RunError &e) {
            refused = e.what();
        }

        if (n == 12) {
            EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
            ASSERT_EQ(window.model()->rowCount(), 1);
            EXPECT_EQ(window.model()->data(window.model()->index(0, StreetSetModel::ColSectors)).toInt(), 12);
            int shown = 0;
            bool more = true;
            window.runStreetEditor = [&](frmStreetConfig &street) {
                shown = street.sectorModel()->rowCount();
                more = street.btnAddSector->isEnabled();
                EXPECT_DOUBLE_EQ(street.config().SectorValue[12], 12);
                return static_cast<int>(QDialog::Rejected);
            };
            window.btnEditStreet_Click();
            EXPECT_EQ(shown, 12);
            EXPECT_FALSE(more) << "twelve sectors are the most";
            EXPECT_EQ(refused, "");
            EXPECT_EQ(run.NumWindSectors, 12);
            EXPECT_EQ(run.SectorStart[12], 330);
            EXPECT_EQ(run.SectorValue[12], 12);
        } else {
            EXPECT_EQ(window.model()->rowCount(), 0);
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_NE(
                ui.messages[0].find("Streets.txt, line 1: the number of wind sectors 13 is out of range "
                                    "(at most 12)"),
                std::string::npos)
                << ui.messages[0];
            EXPECT_NE(refused.find(
                          "Streets.txt, line 1: the street \"Ring Road\" has 13 wind sectors (at most 12)"),
                      std::string::npos)
                << refused;
        }
    }
}

// Types text into a cell of the street grid as a user does: the cell's
// editor opened, the text typed in, Enter.
void typeIntoCell(QTableView *view, int row, int column, const QString &text) {
    const QModelIndex cell = view->model()->index(row, column);
    view->setCurrentIndex(cell);
    view->edit(cell);
    QLineEdit *editor = nullptr;
    for (QLineEdit *e : view->viewport()->findChildren<QLineEdit *>()) {
        if (e->isVisible()) {
            editor = e;
        }
    }
    ASSERT_NE(editor, nullptr) << "no editor opened on the cell";
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the delegate commits the entry and closes the editor once called back
    ASSERT_FALSE(editor->isVisible()) << "the editor stayed open";
}

struct RefusedEntry {
    const char *name;
    int column;
    const char *typed;
    const char *kept;    // what the cell shows afterwards
    const char *message; // the red line
};

void PrintTo(const RefusedEntry &c, std::ostream *os) {
    *os << c.name;
}

class StreetGridRefusal : public testing::TestWithParam<RefusedEntry> {};

TEST_P(StreetGridRefusal, KeepsTheCellAndNamesTheCellAndTheRuleInTheRedLine) {
    const RefusedEntry &c = GetParam();
    test::TempDir dir;
    test::ScriptedInteraction ui;
    frmStreetSet window(StreetSetChoice{},
                        StreetSetContext{dir.path().string() + "/", dir.path().string() + "/"}, ui);
    window.show();
    window.btnAddStreet_Click();
    window.btnAddStreet_Click();
    StreetSetModel *m = window.model();
    ASSERT_TRUE(m->setData(m->index(1, StreetSetModel::ColName), QStringLiteral("Quay Side")));
    ASSERT_TRUE(m->setData(m->index(1, StreetSetModel::ColDailyTraffic), QStringLiteral("9000")));
    ASSERT_TRUE(m->setData(m->index(1, StreetSetModel::ColSpeed), QStringLiteral("35")));
    ASSERT_EQ(window.lblProblem->text().toStdString(), "");

    ASSERT_NO_FATAL_FAILURE(typeIntoCell(window.tblStreets, 1, c.column, QString::fromUtf8(c.typed)));
    EXPECT_EQ(m->data(m->index(1, c.column)).toString().toStdString(), c.kept);
    EXPECT_EQ(window.lblProblem->text().toStdString(), c.message);
    EXPECT_TRUE(window.btnOK->isEnabled()) << "the set as it stands can be saved";
    // Another street chosen: the line still says it; an entry taken clears it.
    window.tblStreets->setCurrentIndex(m->index(0, StreetSetModel::ColName));
    EXPECT_EQ(window.lblProblem->text().toStdString(), c.message);
    ASSERT_NO_FATAL_FAILURE(
        typeIntoCell(window.tblStreets, 0, StreetSetModel::ColSpeed, QStringLiteral("40")));
    EXPECT_EQ(window.lblProblem->text().toStdString(), "");
}

INSTANTIATE_TEST_SUITE_P(
    StreetSetWindow, StreetGridRefusal,
    testing::Values(
        RefusedEntry{"NameWithADoubleQuote", StreetSetModel::ColName, "Quay \"Side\"", "Quay Side",
                     "Street 2 (Quay Side), Name: \"Quay \"Side\"\" was not taken. The street name must not "
                     "contain a double quote."},
        RefusedEntry{"BlankName", StreetSetModel::ColName, " ", "Quay Side",
                     "Street 2 (Quay Side), Name: \"\" was not taken. The street has no name."},
        RefusedEntry{
            "LettersAsDailyTraffic", StreetSetModel::ColDailyTraffic, "abc", "9000",
            "Street 2 (Quay Side), Daily Traffic (veh/day): \"abc\" was not taken. The daily traffic "
            "must be a number."},
        RefusedEntry{
            "NegativeSpeed", StreetSetModel::ColSpeed, "-5", "35",
            "Street 2 (Quay Side), Speed (km/h): \"-5\" was not taken. The travel speed must be >= 0."},
        RefusedEntry{
            "SpeedWithTwoDecimalMarks", StreetSetModel::ColSpeed, "1.234,5", "35",
            "Street 2 (Quay Side), Speed (km/h): \"1.234,5\" was not taken. The travel speed must be a "
            "number with one decimal mark (\".\" or \",\") at most."},
        RefusedEntry{
            "TrafficFileWithADoubleQuote", StreetSetModel::ColTrafficFile, "a\"b.trf", "",
            "Street 2 (Quay Side), Traffic File: \"a\"b.trf\" was not taken. The traffic file name must "
            "not contain a double quote."},
        RefusedEntry{"WordAsCoordinate", StreetSetModel::ColX, "east", "0",
                     "Street 2 (Quay Side), X: \"east\" was not taken. The coordinates must be numbers."},
        RefusedEntry{
            "SideThree", StreetSetModel::ColSide, "3", "0",
            "Street 2 (Quay Side), Side (0 both): \"3\" was not taken. The side must be 0 (both sides), "
            "1 or 2."},
        RefusedEntry{
            "NegativeHeight", StreetSetModel::ColHeight, "-1", "20",
            "Street 2 (Quay Side), Height (m): \"-1\" was not taken. The street height must be >= 0."}),
    [](const testing::TestParamInfo<RefusedEntry> &info) { return std::string(info.param.name); });

TEST(StreetConfigDialog, SketchFollowsEveryEdit) {
    frmStreetConfig dialog(streetConfigFromState(sampleState()), "Sample", SketchView{});
    EXPECT_DOUBLE_EQ(dialog.picStreetSketch->street().width_m, 20.0);
    dialog.txtStreetWidth->setText(QStringLiteral("32,5"));
    EXPECT_DOUBLE_EQ(dialog.picStreetSketch->street().width_m, 32.5);
    dialog.btnAddSector_Click();
    EXPECT_TRUE(dialog.picStreetSketch->street().sectors[1].used);
    dialog.chkReceptor2->setChecked(false);
    EXPECT_EQ(dialog.picStreetSketch->street().receptor2, 0);
}

TEST(StreetConfigEditor, AcceptedEditsReachTheProjectAndDefineTheConfiguration) {
    ProjectFileState state = sampleState();
    int defined = 0;
    const bool accepted = EditSingleStreet(nullptr, state, defined, SketchView{}, [](frmStreetConfig &d) {
        d.txtStreetName->setText(QStringLiteral("High Street"));
        d.txtStreetWidth->setText(QStringLiteral("25"));
        d.btnOK_Click();
        return d.result();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(defined, 1);
    EXPECT_TRUE(state.ProjectChanged);
    EXPECT_EQ(state.StreetName, "High Street");
    EXPECT_DOUBLE_EQ(state.StreetWidth, 25.0);
}

TEST(StreetConfigEditor, AcceptingWithoutChangesDefinesButDoesNotMarkTheProject) {
    ProjectFileState state = sampleState();
    state.Receptor2 = 2; // neither used nor unused: kept while its box is not touched
    int defined = 0;
    EXPECT_TRUE(EditSingleStreet(nullptr, state, defined, SketchView{}, [](frmStreetConfig &d) {
        d.btnOK_Click();
        return d.result();
    }));
    EXPECT_EQ(defined, 1);
    EXPECT_FALSE(state.ProjectChanged);
    EXPECT_EQ(state.Receptor2, 2);
}

TEST(StreetConfigEditor, CancelChangesNothing) {
    ProjectFileState state = sampleState();
    int defined = 0;
    EXPECT_FALSE(EditSingleStreet(nullptr, state, defined, SketchView{}, [](frmStreetConfig &d) {
        d.txtStreetWidth->setText(QStringLiteral("99"));
        d.btnCancel_Click();
        return d.result();
    }));
    EXPECT_EQ(defined, 0);
    EXPECT_FALSE(state.ProjectChanged);
    EXPECT_DOUBLE_EQ(state.StreetWidth, 20.0);
}

} // namespace
} // namespace vesk::ui

namespace vesk::ui {
namespace {

using vesk::test::ScriptedInteraction;
using vesk::test::TempDir;

// The sample project in a copy of the data tree, loaded after a normal start.
struct SampleProject {
    TempDir dir;
    State state;
    ScriptedInteraction ui;
    MemorySettings settings;
    std::string path;

    // Starts the program on a copy of the data tree; the sample project lies in Working/.
    bool start() {
        vesk::test::copyDataTree(dir.path());
        path = (dir.path() / "Working" / "DemoStreet.vkp").string();
        return InitProgram(state, dir.path().string(), ui, settings, {});
    }
    bool open() {
        state.ProjectFile = path;
        state.ProjectName = "DemoStreet";
        return LoadProject(state, ui).outcome == LoadOutcome::Loaded;
    }
};

TEST(StreetConfigEditor, EditedSampleStreetReachesTheSketchAndTheSavedProject) {
    SampleProject sample;
    ASSERT_TRUE(sample.start() && sample.open())
        << (sample.ui.messages.empty() ? "" : sample.ui.messages.front());
    const double oldWidth = sample.state.StreetWidth;
    int defined = 0;
    ASSERT_TRUE(EditSingleStreet(nullptr, sample.state, defined, SketchView{}, [](frmStreetConfig &d) {
        d.txtStreetWidth->setText(QStringLiteral("31"));
        d.txtStreetOrientation->setText(QStringLiteral("100"));
        d.btnAddSector_Click(); // a third sector after the last one
        d.btnOK_Click();
        return d.result();
    }));
    EXPECT_NE(oldWidth, 31.0);
    EXPECT_TRUE(sample.state.ProjectChanged);

    // The main window's sketch is drawn from the state.
    SketchBox box;
    box.setStreet(sketchStreetOf(sample.state));
    EXPECT_DOUBLE_EQ(box.street().width_m, 31.0);
    EXPECT_TRUE(box.street().sectors[2].used);

    std::string error;
    ASSERT_TRUE(writeProjectFile(sample.state, defaultSaveNames(sample.state), sample.path, &error)) << error;
    SampleProject reloaded;
    ASSERT_TRUE(reloaded.start());
    std::filesystem::copy_file(sample.path, reloaded.path, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(reloaded.open());
    EXPECT_DOUBLE_EQ(reloaded.state.StreetWidth, 31.0);
    EXPECT_DOUBLE_EQ(reloaded.state.StreetOrientation, 100.0);
    EXPECT_EQ(reloaded.state.NumWindSectors, 3);
    EXPECT_DOUBLE_EQ(reloaded.state.SectorStart[3], sample.state.SectorStart[3]);
    EXPECT_EQ(reloaded.state.Receptor2, sample.state.Receptor2);
}

} // namespace
} // namespace vesk::ui
