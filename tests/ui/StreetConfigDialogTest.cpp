#include "ui/inputdef/SectorTableModel.h"
#include "ui/inputdef/frmStreetConfig.h"
#include "ui/mainwindow/SketchBox.h"

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
    int defined = 0;
    EXPECT_TRUE(EditSingleStreet(nullptr, state, defined, SketchView{}, [](frmStreetConfig &d) {
        d.btnOK_Click();
        return d.result();
    }));
    EXPECT_EQ(defined, 1);
    EXPECT_FALSE(state.ProjectChanged);
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
