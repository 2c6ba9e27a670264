#include "core/Settings.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "run/State.h"
#include "support/TestSupport.h"
#include "ui/inputdef/SectorTableModel.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/common/SketchBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

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
        {dialog.txtStreetHeight, "abc", "The street height must be a number."},
        {dialog.txtStreetOrientation, "400", "The street orientation must be between 0 and 360 degrees."},
        {dialog.txtRecHeight, "-1", "The receptor height must be >= 0."},
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

TEST(StreetConfigDialog, SectorCellsTakeNumbersAndRangeErrorsBlockOk) {
    frmStreetConfig dialog(streetConfigFromState(sampleState()), "Sample", SketchView{});
    SectorTableModel *model = dialog.sectorModel();
    EXPECT_FALSE(model->setData(model->index(0, SectorTableModel::ColStart), QStringLiteral("north")));
    EXPECT_TRUE(model->setData(model->index(0, SectorTableModel::ColStart), QStringLiteral("190,5")));
    EXPECT_DOUBLE_EQ(dialog.config().SectorStart[1], 190.5);
    EXPECT_TRUE(model->setData(model->index(0, SectorTableModel::ColEnd), QStringLiteral("370")));
    EXPECT_FALSE(dialog.btnOK->isEnabled());
    EXPECT_EQ(dialog.btnOK->toolTip(),
              QStringLiteral("The end of wind sector 1 must be between 0 and 360 degrees."));
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
