// The settings dialogs on their own: options, Special Mode traffic and
// emissions, concentration units and the data option of a new country.

#include "run/State.h"
#include "support/TestSupport.h"
#include "ui/common/HelpSystem.h"
#include "ui/common/UpDownControl.h"
#include "ui/settings/EditBoxes.h"
#include "ui/settings/frmConcUnits.h"
#include "ui/settings/frmCountries.h"
#include "ui/settings/frmCountrySelOptions.h"
#include "ui/settings/frmEmission.h"
#include "ui/settings/frmOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;

namespace {

// Three pollutants (NPol 2) and the options of the program-wide Run.opt.
State optionState(int calcMode) {
    State s;
    s.NPol = 2;
    s.PollutantNames = {"NOx", "NO2", "PM10"};
    s.PollutantLongNames = {"Nitrogen oxides", "Nitrogen dioxide", "Particulate matter PM10"};
    s.StdInputUnits = {"microg", "microg", "microg"};
    s.DefOutputUnits = {"microg", "microg", "microg"};
    s.CalcMode = calcMode;
    s.WorkDir = "/data/Street1/";
    s.CalcNO2 = 1;
    s.BackgroundNOx = 40, s.BackgroundNO2 = 25, s.BackgroundO3 = 50, s.AirTemperature = 10;
    s.GlobalRadiation = 200;
    s.CalcPerc = s.CalcRun8 = s.CalcDaily = true;
    s.MinNobs8 = 6, s.MinDailyMax = 18, s.MinNobsDay = 18;
    s.PercSource = s.Run8Source = s.AvSource = s.DailySource = {3, 3, 3};
    s.ShowPol = {true, true, true};
    s.ShowResultsAuto = true;
    s.ShowLimitValMode = 1;
    return s;
}

template <typename T> T *child(QWidget &w, const char *name) {
    T *found = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Types a text into a box as the user does and presses Enter.
void typeAndEnter(EditBoxes *boxes, QLineEdit *box, const QString &text) {
    box->setText(text);
    boxes->markEdited(box);
    boxes->enter(box);
}

struct OptionsDialog {
    State s;
    test::ScriptedInteraction ui;
    std::unique_ptr<frmOptions> dlg;
    explicit OptionsDialog(int calcMode) : s(optionState(calcMode)) { open(); }
    void open() { dlg = std::make_unique<frmOptions>(s, ui, nullptr); }
    frmOptions *operator->() { return dlg.get(); }
};

} // namespace

// ---- Options: tabs and columns
// ------------------------------------------------------------------------------

TEST(OptionsDialog, CalculationModeOffersEveryTabButNormalisationAndStartsOnGeneral) {
    OptionsDialog o(1);
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(o->Options->isTabEnabled(t), t != frmOptions::Normalised) << t;
    }
    EXPECT_EQ(o->Options->currentIndex(), frmOptions::General);
    EXPECT_EQ(o->windowTitle(), "Options [/data/Street1/Run.opt]");
    EXPECT_TRUE(o->Frame1[1]->isHidden()) << "the Special Mode values are not shown";
}

TEST(OptionsDialog, SpecialModeOffersOnlyNO2NormalisationAndAdvancedAndStartsOnNO2) {
    OptionsDialog o(0);
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(o->Options->isTabEnabled(t), t <= frmOptions::Advanced) << t;
    }
    EXPECT_EQ(o->Options->currentIndex(), frmOptions::NO2);
    EXPECT_EQ(o->Text1[1]->text(), "40");
}

TEST(OptionsDialog, EachModeRemembersItsOwnLastTab) {
    OptionsDialog o(1);
    o->Options->setCurrentIndex(frmOptions::Daily);
    o->btnOK_Click();
    o.open();
    EXPECT_EQ(o->Options->currentIndex(), frmOptions::Daily);
    o->btnCancel_Click();
    o.s.CalcMode = 0;
    o.open();
    EXPECT_EQ(o->Options->currentIndex(), frmOptions::NO2);
}

TEST(OptionsDialog, EveryFamilyHasAColumnPerPollutantAndAShowBoxPerPollutant) {
    OptionsDialog o(1);
    for (frmOptions::Family *f : {&o->Perc, &o->Run8, &o->Av, &o->Day}) {
        ASSERT_EQ(f->columns.size(), 3u);
        EXPECT_EQ(f->buttons.size(), 12u);
        EXPECT_EQ(f->names[0]->text(), "NOX");
        EXPECT_EQ(f->names[2]->text(), "Particulate matter PM10");
    }
    EXPECT_EQ(child<QRadioButton>(*o.dlg, "OptRun_6"), o->Run8.buttons[6]);
    ASSERT_EQ(o->chkShowPOL.size(), 3u);
    EXPECT_EQ(o->chkShowPOL[0]->text(), "Show NOX");
    EXPECT_EQ(o->chkShowPOL[1]->text(), "Show Nitrogen dioxide");
}

TEST(OptionsDialog, PollutantHeadingsWrapAtBlanksAndAreNeverCut) {
    OptionsDialog o(1);
    for (frmOptions::Family *f : {&o->Perc, &o->Run8, &o->Av, &o->Day}) {
        ASSERT_EQ(f->names.size(), 3u);
        for (std::size_t i = 0; i < f->names.size(); ++i) {
            QLabel *name = f->names[i];
            const QFontMetrics metrics(name->font());
            const int width = f->columns[i]->minimumWidth() - 8; // the column's margins
            for (const QString &word : name->text().split(QLatin1Char(' '))) {
                EXPECT_LE(metrics.horizontalAdvance(word), width) << word.toStdString();
            }
            const QRect needed = metrics.boundingRect(QRect(0, 0, width, 10000),
                                                      Qt::TextWordWrap | Qt::AlignHCenter, name->text());
            EXPECT_TRUE(name->wordWrap());
            EXPECT_LE(needed.height(), name->minimumHeight()) << name->text().toStdString();
        }
    }
}

TEST(OptionsDialog, APerPollutantButtonSetsItsPollutantsChoiceAndMarksTheOptionFile) {
    OptionsDialog o(1);
    o->Run8.buttons[6]->click();
    EXPECT_EQ(o.s.Run8Source[1], 2) << "the third button of the second column is \"Measured only\"";
    EXPECT_TRUE(o.s.OptionFileChanged);
    o->optShowLimitVal[2]->click();
    EXPECT_EQ(o.s.ShowLimitValMode, 2);
}

TEST(OptionsDialog, SwitchingAFamilyOffGreysItAndOkClearsItsChoices) {
    OptionsDialog o(1);
    o->Perc.calc->click();
    EXPECT_FALSE(o.s.CalcPerc);
    EXPECT_FALSE(o->Perc.frame->isEnabled());
    EXPECT_FALSE(o->Perc.modes[1]->isEnabled());
    EXPECT_FALSE(o->Perc.rows[3]->isEnabled());
    o->Run8.calc->click();
    EXPECT_FALSE(o->txtMinNobs8->isEnabled());
    EXPECT_FALSE(o->UpDownMinDailyMax->isEnabled());
    EXPECT_TRUE(o->txtMinNobsDay->isEnabled()) << "the daily count follows the daily switch";
    o->Run8.calc->click();
    EXPECT_TRUE(o->Run8.buttons[11]->isEnabled());
    EXPECT_TRUE(o->Run8.buttons[11]->isChecked()) << "the earlier choice is still there";
    EXPECT_EQ(o.s.PercSource, (std::vector<int>{3, 3, 3})) << "choices stay while the dialog is open";
    o->btnOK_Click();
    EXPECT_EQ(o.s.PercSource, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(o.s.Run8Source, (std::vector<int>{3, 3, 3}));
}

// ---- Options: typed values -----------------------------------------------------------------------------

TEST(OptionsDialog, ARefusedCountNeverReachesTheStateAndKeepsOkDisabled) {
    OptionsDialog o(1);
    typeAndEnter(o->boxes(), o->txtMinNobs8, "9");
    EXPECT_EQ(o.ui.messages.back(), "The value must be between 1 and 8");
    EXPECT_EQ(o.s.MinNobs8, 6) << "the refused value is not committed";
    EXPECT_FALSE(o->btnOK->isEnabled());
    EXPECT_TRUE(o->boxes()->isEdited(o->txtMinNobs8));
    o->btnOK_Click();
    EXPECT_NE(o->result(), QDialog::Accepted);
    typeAndEnter(o->boxes(), o->txtMinNobs8, "8");
    EXPECT_EQ(o.s.MinNobs8, 8);
    EXPECT_TRUE(o->btnOK->isEnabled());
}

TEST(OptionsDialog, CountsAreRoundedHalfToEvenAndNonNumbersAreRefused) {
    OptionsDialog o(1);
    typeAndEnter(o->boxes(), o->txtMinNobsDay, "2.5");
    EXPECT_EQ(o.s.MinNobsDay, 2);
    typeAndEnter(o->boxes(), o->txtMinNobsDay, "3,5");
    EXPECT_EQ(o.s.MinNobsDay, 4);
    typeAndEnter(o->boxes(), o->txtMinNobsDay, "12abc");
    EXPECT_EQ(o.ui.messages.back(), "The value entered is not valid");
    EXPECT_EQ(o.s.MinNobsDay, 4);
    o->txtMinDailyMax->clear();
    o->boxes()->markEdited(o->txtMinDailyMax);
    EXPECT_FALSE(o->boxes()->leave(o->txtMinDailyMax, o->chkCalcAll)) << "leaving checks the box";
    EXPECT_EQ(o.ui.messages.back(), "The value entered is not valid");
}

TEST(OptionsDialog, OkComesBackOnlyWhenNoBoxIsRed) {
    OptionsDialog o(1);
    typeAndEnter(o->boxes(), o->txtMinNobsDay, "0");
    EXPECT_TRUE(o->boxes()->isRefused(o->txtMinNobsDay));
    EXPECT_EQ(o->txtMinNobsDay->styleSheet(), "color: rgb(255, 0, 0);");
    typeAndEnter(o->boxes(), o->txtMinNobs8, "7");
    EXPECT_FALSE(o->btnOK->isEnabled()) << "another box is still red";
    typeAndEnter(o->boxes(), o->txtMinNobsDay, "12");
    EXPECT_TRUE(o->btnOK->isEnabled());
    EXPECT_EQ(o->txtMinNobsDay->styleSheet(), "");
}

TEST(OptionsDialog, OkTakesTheValueBeingTypedWithoutTabOrEnter) {
    OptionsDialog o(1);
    o->txtMinNobs8->setText("7");
    o->boxes()->markEdited(o->txtMinNobs8); // typed, the focus still in the box
    EXPECT_TRUE(o->btnOK->isEnabled()) << "a value being typed does not hold OK back";
    o->btnOK->click();
    EXPECT_EQ(o->result(), QDialog::Accepted);
    EXPECT_EQ(o.s.MinNobs8, 7);
    EXPECT_TRUE(o.s.OptionFileChanged);
}

TEST(OptionsDialog, OkCheckingARefusedValueBeingTypedStaysOpenWithTheBoxRed) {
    OptionsDialog o(0);
    o->Text1[2]->setText("45"); // the NO2 background above the NOX background of 40
    o->boxes()->markEdited(o->Text1[2]);
    o->btnOK->click();
    EXPECT_NE(o->result(), QDialog::Accepted);
    EXPECT_EQ(o.ui.messages.back(), "NO2 Background must not be larger than NOX Background");
    EXPECT_DOUBLE_EQ(o.s.BackgroundNO2, 25);
    EXPECT_FALSE(o->btnOK->isEnabled());
    o->Text1[2]->setText("30");
    o->boxes()->markEdited(o->Text1[2]);
    EXPECT_TRUE(o->btnOK->isEnabled()) << "the red box was typed in again";
    o->btnOK->click();
    EXPECT_EQ(o->result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(o.s.BackgroundNO2, 30);
}

TEST(OptionsDialog, TheArrowsGoThroughTheCheckOfTheirBox) {
    OptionsDialog o(1);
    o->UpDownMinNobs8->stepUp();
    EXPECT_EQ(o->txtMinNobs8->text(), "7");
    EXPECT_EQ(o.s.MinNobs8, 6) << "the number reaches the option only when the box is accepted";
    EXPECT_TRUE(o->boxes()->isEdited(o->txtMinNobs8));
    o->boxes()->enter(o->txtMinNobs8);
    EXPECT_EQ(o.s.MinNobs8, 7);
}

TEST(OptionsDialog, LeavingARedBoxForCancelAsksNothingAndCancelPutsEverythingBack) {
    OptionsDialog o(1);
    o.s.OptionFileChanged = false;
    o.open();
    o->optShowLimitVal[0]->click();
    o->Day.buttons[5]->click();
    o->txtMinNobs8->setText("99");
    o->boxes()->markEdited(o->txtMinNobs8);
    const std::size_t messages = o.ui.messages.size();
    EXPECT_FALSE(o->boxes()->leave(o->txtMinNobs8, o->btnCancel));
    o->btnCancel_Click();
    EXPECT_EQ(o.ui.messages.size(), messages);
    EXPECT_EQ(o.s.ShowLimitValMode, 1);
    EXPECT_EQ(o.s.DailySource[1], 3);
    EXPECT_EQ(o.s.MinNobs8, 6);
    EXPECT_FALSE(o.s.OptionFileChanged);
}

TEST(OptionsDialog, ResetShowsTheOpeningValuesAndTheCloseBoxThenAsksNothing) {
    OptionsDialog o(1);
    o->chkCalcAll->click();
    o->Perc.calc->click();
    o->btnReset_Click();
    EXPECT_FALSE(o.s.CalcOnlyIfBoth);
    EXPECT_FALSE(o->chkCalcAll->isChecked());
    EXPECT_TRUE(o->Perc.frame->isEnabled());
    EXPECT_FALSE(o->changed());
    o->show();
    o->reject();
    EXPECT_TRUE(o.ui.messages.empty());
    EXPECT_TRUE(o->isHidden());
}

TEST(OptionsDialog, ResetInSpecialModeShowsTheOpeningScalesAndModelSwitches) {
    // The caption of the scale button chosen, "" for none.
    const auto checked = [](const std::array<QRadioButton *, 4> &buttons) {
        std::string texts;
        for (std::size_t i = 1; i <= 3; ++i) {
            texts += buttons[i]->isChecked() ? buttons[i]->text().toStdString() : "";
        }
        return texts;
    };
    for (const bool normalised : {true, false}) {
        SCOPED_TRACE(normalised ? "normalised at opening" : "not normalised at opening");
        State s = optionState(0);
        s.Normalise = normalised;
        s.NormWindScale = 1, s.NormLengthScale = 2;
        s.WindIntegration = 1, s.TrafficTurbulence = false, s.NoWindAcceleration = true;
        test::ScriptedInteraction ui;
        frmOptions o(s, ui, nullptr);
        if (!normalised) {
            o.chkNormalisation->click();
        }
        o.Option1[2]->click();
        o.Option2[3]->click();
        o.chkIntegration->click();
        o.chkTPT->click();
        o.chkWindAcc->click();
        ASSERT_EQ(s.WindIntegration, 0);
        o.btnReset_Click();
        EXPECT_EQ(o.chkNormalisation->isChecked(), normalised);
        EXPECT_EQ(checked(o.Option1), normalised ? "u_roof" : "") << "wind scale";
        EXPECT_EQ(checked(o.Option2), normalised ? "Street height" : "") << "length scale";
        EXPECT_FALSE(o.chkIntegration->isChecked());
        EXPECT_TRUE(o.chkTPT->isChecked()) << "traffic turbulence off";
        EXPECT_TRUE(o.chkWindAcc->isChecked()) << "no wind acceleration";
        EXPECT_EQ(s.WindIntegration, 1);
        EXPECT_EQ(s.NormWindScale, 1);
    }
}

TEST(OptionsDialog, TheCloseBoxAfterAChangeAsksAndCancelKeepsTheDialogWithTheChange) {
    OptionsDialog o(1);
    o->show();
    o->Options->setCurrentIndex(frmOptions::AnnualAverages);
    o->Av.buttons[4]->click();
    o.ui.answers = {Answer::Cancel};
    o->reject();
    ASSERT_EQ(o.ui.messages.size(), 1u);
    EXPECT_EQ(o.ui.messages[0], "The data were changed.\r\nAll changes will be lost");
    EXPECT_TRUE(o->isVisible());
    EXPECT_EQ(o->Options->currentIndex(), frmOptions::AnnualAverages);
    EXPECT_EQ(o.s.AvSource[1], 0);
    o.ui.answers = {Answer::Ok};
    o->reject();
    EXPECT_TRUE(o->isHidden());
    EXPECT_EQ(o.s.AvSource[1], 3);
}

TEST(OptionsDialog, NO2TabChecksTheBackgroundsAgainstEachOtherAndReadsACommaAsAPoint) {
    OptionsDialog o(0);
    typeAndEnter(o->boxes(), o->Text1[2], "50");
    EXPECT_EQ(o.ui.messages.back(), "NO2 Background must not be larger than NOX Background");
    EXPECT_DOUBLE_EQ(o.s.BackgroundNO2, 25);
    typeAndEnter(o->boxes(), o->Text1[2], "40");
    EXPECT_DOUBLE_EQ(o.s.BackgroundNO2, 40) << "equal backgrounds are accepted";
    typeAndEnter(o->boxes(), o->Text1[1], "30");
    EXPECT_EQ(o.ui.messages.back(), "NOX Background must not be smaller than NO2 Background");
    typeAndEnter(o->boxes(), o->Text1[1], "45");
    typeAndEnter(o->boxes(), o->Text1[3], "-1");
    EXPECT_EQ(o.ui.messages.back(), "The value  must be >=0");
    typeAndEnter(o->boxes(), o->Text1[3], "45");
    typeAndEnter(o->boxes(), o->Text1[4], "12abc");
    EXPECT_EQ(o.ui.messages.back(), "The value entered is not valid");
    EXPECT_DOUBLE_EQ(o.s.AirTemperature, 10);
    typeAndEnter(o->boxes(), o->Text1[4], "12,5");
    EXPECT_DOUBLE_EQ(o.s.AirTemperature, 12.5);
    typeAndEnter(o->boxes(), o->Text1[4], "-10");
    EXPECT_DOUBLE_EQ(o.s.AirTemperature, -10);
    EXPECT_TRUE(o->btnOK->isEnabled());
}

TEST(OptionsDialog, TheNO2SwitchGreysTheChemistryValuesButNotTheNOxBackground) {
    OptionsDialog o(0);
    o->chkNO2->click();
    EXPECT_EQ(o.s.CalcNO2, 0);
    EXPECT_FALSE(o->Text1[2]->isEnabled());
    EXPECT_FALSE(o->Frame1[5]->isEnabled());
    EXPECT_TRUE(o->Text1[1]->isEnabled());
    o->btnReset_Click();
    EXPECT_TRUE(o->chkNO2->isChecked());
    EXPECT_TRUE(o->Text1[4]->isEnabled());
}

TEST(OptionsDialog, InCalculationModeTheNO2SwitchStillMarksTheOptionFile) {
    OptionsDialog o(1);
    o->chkNO2->click();
    EXPECT_EQ(o.s.CalcNO2, 0);
    EXPECT_TRUE(o.s.OptionFileChanged);
}

TEST(OptionsDialog, AdvancedSwitchesChangeTheRunButNotTheOptionFile) {
    OptionsDialog o(1);
    o->chkTPT->click();
    o->chkIntegration->click();
    EXPECT_FALSE(o.s.TrafficTurbulence);
    EXPECT_EQ(o.s.WindIntegration, 0);
    EXPECT_TRUE(o->changed());
    EXPECT_FALSE(o.s.OptionFileChanged);
}

TEST(OptionsDialog, NormalisingEnablesTheScalesWithoutChoosingOne) {
    OptionsDialog o(0);
    o->chkNormalisation->click();
    EXPECT_TRUE(o.s.Normalise);
    EXPECT_TRUE(o->Frame3->isEnabled());
    for (int i = 1; i <= 3; ++i) {
        EXPECT_FALSE(o->Option1[i]->isChecked());
    }
    o->Option1[2]->click();
    EXPECT_EQ(o.s.NormWindScale, 2);
    o->Option2[3]->click();
    EXPECT_EQ(o.s.NormLengthScale, 0);
}

TEST(OptionsDialog, AnImpossibleCodeIsReportedResetAndTheDialogStaysUsable) {
    State s = optionState(1);
    s.PercMode = 2;
    test::ScriptedInteraction ui;
    frmOptions dlg(s, ui, nullptr);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages[0].rfind("Error in Option Data", 0), 0u);
    EXPECT_EQ(s.PercMode, 0);
    EXPECT_TRUE(dlg.Perc.modes[0]->isChecked());
    dlg.chkShowRes->click();
    EXPECT_FALSE(s.ShowResultsAuto) << "edits are taken";
    dlg.btnCancel_Click();
    EXPECT_TRUE(s.ShowResultsAuto);
    EXPECT_EQ(s.PercMode, 0) << "Cancel keeps the repaired value";
}

TEST(OptionsDialog, HelpShowsTheTopicOfTheCurrentTab) {
    State s = optionState(1);
    test::ScriptedInteraction ui;
    MemorySettings settings;
    HelpSystem help(settings);
    frmOptions dlg(s, ui, &help);
    dlg.Options->setCurrentIndex(frmOptions::Advanced);
    dlg.btnHelp_Click();
    EXPECT_EQ(help.HelpContextID, 103);
}

// ---- Special Mode traffic and emissions ------------------------------------------------------------------

namespace {
struct EmissionDialog {
    State s;
    test::ScriptedInteraction ui;
    std::unique_ptr<frmEmission> dlg;
    EmissionDialog() {
        s.ProjectName = "/data/Street1/Demo.vkp";
        s.TrafficLight = 1000, s.TrafficHeavy = 0, s.EmFactorLight = 0.36, s.EmFactorHeavy = 6;
        s.SpeedLight = 50, s.SpeedHeavy = 40;
        dlg = std::make_unique<frmEmission>(s, ui);
    }
    frmEmission *operator->() { return dlg.get(); }
};
} // namespace

TEST(EmissionDialog, ShowsTheEmissionPerMetreAndOkWithoutEditsChangesNothing) {
    EmissionDialog e;
    EXPECT_EQ(e->windowTitle(), "Traffic/Emission - Special Mode [/data/Street1/Demo.vkp]");
    EXPECT_EQ(e->EmissionLight->text(), "100");
    EXPECT_EQ(e->EmissionHeavy->text(), "0");
    EXPECT_EQ(e->EmissionTotal->text(), "100");
    e->btnOK_Click();
    EXPECT_EQ(e->result(), QDialog::Accepted);
    EXPECT_FALSE(e.s.ProjectChanged);
    EXPECT_TRUE(e.ui.messages.empty());
}

TEST(EmissionDialog, TheDialogIsWideEnoughForItsWholeCaption) {
    EmissionDialog e;
    e.s.ProjectName = "/home/analyst/projects/Air quality 2023/Main Road, east part/Main Road east.vkp";
    e.dlg = std::make_unique<frmEmission>(e.s, e.ui);
    EXPECT_GE(e->minimumWidth(), e->fontMetrics().horizontalAdvance(e->windowTitle()));
    EXPECT_LT(e->minimumWidth(), 1366);
}

TEST(EmissionDialog, TypedValuesAreReadStrictlyAndOnlyAcceptedOnesAreKept) {
    EmissionDialog e;
    typeAndEnter(e->boxes(), e->Text1[1], "12abc");
    EXPECT_EQ(e.ui.messages.back(), "The value entered is not valid");
    EXPECT_DOUBLE_EQ(e.s.TrafficLight, 1000);
    typeAndEnter(e->boxes(), e->Text1[1], "");
    EXPECT_EQ(e.ui.messages.back(), "Value is not specified");
    typeAndEnter(e->boxes(), e->Text1[2], "-5");
    EXPECT_EQ(e.ui.messages.back(), "The value  must be >=0");
    EXPECT_DOUBLE_EQ(e.s.TrafficHeavy, 0);
    EXPECT_FALSE(e->btnOK->isEnabled());
    typeAndEnter(e->boxes(), e->Text1[1], "1,5");
    typeAndEnter(e->boxes(), e->Text1[2], "0");
    EXPECT_DOUBLE_EQ(e.s.TrafficLight, 1.5);
    EXPECT_TRUE(e->btnOK->isEnabled());
}

TEST(EmissionDialog, TrafficAndFactorsRefreshTheEmissionSpeedsDoNot) {
    EmissionDialog e;
    typeAndEnter(e->boxes(), e->Text3[1], "20");
    EXPECT_DOUBLE_EQ(e.s.SpeedLight, 20);
    EXPECT_EQ(e->EmissionTotal->text(), "100");
    typeAndEnter(e->boxes(), e->Text1[2], "120");
    EXPECT_EQ(e->EmissionHeavy->text(), "200");
    EXPECT_EQ(e->EmissionTotal->text(), "300");
}

TEST(EmissionDialog, OkTakesTheValueBeingTyped) {
    EmissionDialog e;
    e->Text1[2]->setText("120");
    e->boxes()->markEdited(e->Text1[2]);
    e->btnOK->click();
    EXPECT_EQ(e->result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(e.s.TrafficHeavy, 120);
    EXPECT_TRUE(e.s.ProjectChanged);
}

TEST(EmissionDialog, AnEditKeptByOkMarksTheProjectChanged) {
    EmissionDialog e;
    typeAndEnter(e->boxes(), e->Text2[1], "0.5");
    e->btnOK_Click();
    EXPECT_TRUE(e.s.ProjectChanged);
    EXPECT_DOUBLE_EQ(e.s.EmFactorLight, 0.5);
}

TEST(EmissionDialog, CancelAndResetActWithoutAMessageAndPutTheValuesBack) {
    EmissionDialog e;
    typeAndEnter(e->boxes(), e->Text1[1], "2000");
    e->Text2[2]->setText("-1");
    e->boxes()->markEdited(e->Text2[2]);
    EXPECT_FALSE(e->boxes()->leave(e->Text2[2], e->btnReset));
    e->btnReset_Click();
    EXPECT_TRUE(e.ui.messages.empty());
    EXPECT_DOUBLE_EQ(e.s.TrafficLight, 1000);
    EXPECT_EQ(e->Text1[1]->text(), "1000");
    EXPECT_TRUE(e->btnOK->isEnabled());
    typeAndEnter(e->boxes(), e->Text1[1], "3000");
    e->btnCancel_Click();
    EXPECT_DOUBLE_EQ(e.s.TrafficLight, 1000);
    EXPECT_FALSE(e.s.ProjectChanged);
}

TEST(EmissionDialog, TheCloseBoxAfterAnEditAsksWhetherToLoseIt) {
    EmissionDialog e;
    e->show();
    typeAndEnter(e->boxes(), e->Text3[2], "60");
    e.ui.answers = {Answer::Cancel, Answer::Ok};
    e->reject();
    EXPECT_EQ(e.ui.messages.back(),
              "Traffic or/and emission factors were changed.\r\nAll changes will be lost");
    EXPECT_TRUE(e->isVisible());
    EXPECT_DOUBLE_EQ(e.s.SpeedHeavy, 60);
    e->reject();
    EXPECT_TRUE(e->isHidden());
    EXPECT_DOUBLE_EQ(e.s.SpeedHeavy, 40);
}

// ---- Concentration units ---------------------------------------------------------------------------------

namespace {
struct UnitsDialog {
    State s = optionState(1);
    test::ScriptedInteraction ui;
    std::unique_ptr<frmConcUnits> dlg;
    UnitsDialog(std::vector<std::string> input, std::vector<std::string> output, bool editable = true) {
        s.InputUnit = std::move(input);
        s.OutputUnit = std::move(output);
        s.InputUnitsEditable = editable;
        dlg = std::make_unique<frmConcUnits>(s, ui);
    }
    frmConcUnits *operator->() { return dlg.get(); }
};
} // namespace

TEST(UnitsDialog, StoredUnitsSelectTheirEntriesAndOtherUnitsShowInTheFreeEntry) {
    UnitsDialog u({"microg", "PPB", ""}, {"ppb", "1.96", "milig"});
    ASSERT_EQ(u->cmbInput.size(), 3u);
    EXPECT_EQ(u->lbPOLinp[0]->text(), "NOX");
    EXPECT_EQ(u->lbPOLout[2]->text(), "Particulate matter PM10");
    EXPECT_EQ(u->cmbInput[0]->currentText(), "µg/m³");
    EXPECT_EQ(u->cmbInput[1]->currentIndex(), 6);
    EXPECT_EQ(u->cmbInput[1]->currentText(), "PPB");
    EXPECT_EQ(u->cmbInput[2]->currentText(), "");
    EXPECT_EQ(u->cmbOutput[0]->currentText(), "ppb");
    EXPECT_EQ(u->cmbOutput[1]->currentText(), "1.96");
    EXPECT_FALSE(u->txtUnitDef->isEnabled());
    u->btnOK_Click();
    EXPECT_EQ(u.s.InputUnit, (std::vector<std::string>{"microg", "PPB", ""})) << "kept as they were";
    EXPECT_EQ(u.s.OutputUnit, (std::vector<std::string>{"ppb", "1.96", "milig"}));
    EXPECT_TRUE(u.s.ProjectChanged);
    EXPECT_TRUE(u.s.UnitsConfirmed);
}

TEST(UnitsDialog, AFreeUnitMustBeANumberAboveZeroAndIsStoredWithAPoint) {
    UnitsDialog u({"microg", "microg", "microg"}, {"microg", "1.96", "microg"});
    u->cmbUnit_Click(false, 0, 6);
    EXPECT_TRUE(u->txtUnitDef->isEnabled());
    EXPECT_EQ(u->txtUnitDef->text(), "") << "\"other\" is no number";
    u->btnOK_Click();
    EXPECT_NE(u->result(), QDialog::Accepted) << "OK takes the pending definition first";
    EXPECT_EQ(u.ui.messages.back(), "The value must be numeric and > 0");
    EXPECT_FALSE(u->btnOK->isEnabled()) << "a refused definition holds OK back";
    for (const char *refused : {"abc", "0", "", "12abc"}) {
        u->txtUnitDef->setText(QString::fromLatin1(refused));
        EXPECT_FALSE(u->txtUnitDef_Enter()) << refused;
        EXPECT_EQ(u.ui.messages.back(), "The value must be numeric and > 0");
    }
    u->txtUnitDef->setText("2,5");
    EXPECT_TRUE(u->txtUnitDef_Enter());
    EXPECT_EQ(u->cmbOutput[0]->currentText(), "2.5");
    EXPECT_FALSE(u->txtUnitDef->isEnabled());
    u->cmbUnit_Click(false, 1, 6);
    EXPECT_EQ(u->txtUnitDef->text(), "1.96") << "a number in the free entry is offered";
    u->txtUnitDef_Enter();
    u->btnOK_Click();
    EXPECT_EQ(u.s.OutputUnit, (std::vector<std::string>{"2.5", "1.96", "microg"}));
}

TEST(UnitsDialog, CancelWorksWhileADefinitionIsPendingAndChangesNothing) {
    UnitsDialog u({"microg", "microg", "microg"}, {"microg", "microg", "microg"});
    u->cmbUnit_Click(false, 2, 4);
    u->cmbUnit_Click(false, 0, 6);
    u->txtUnitDef->setText("abc");
    EXPECT_FALSE(u->boxes()->leave(u->txtUnitDef, u->btnCancel));
    u->btnCancel_Click();
    EXPECT_TRUE(u.ui.messages.empty()) << "no refusal stands between the user and Cancel";
    EXPECT_EQ(u->result(), QDialog::Rejected);
    EXPECT_EQ(u.s.OutputUnit, (std::vector<std::string>{"microg", "microg", "microg"}));
    EXPECT_FALSE(u.s.ProjectChanged);
    EXPECT_FALSE(u.s.UnitsConfirmed);
}

TEST(UnitsDialog, APendingDefinitionComesBeforeAnotherBoxAndAnotherEntryOfItsOwnBoxCancelsIt) {
    UnitsDialog u({"microg", "microg", "microg"}, {"microg", "microg", "microg"});
    u->cmbUnit_Click(false, 0, 6);
    u->txtUnitDef->setText("abc");
    u->cmbUnit_Click(false, 1, 4);
    EXPECT_EQ(u.ui.messages.back(), "The value must be numeric and > 0");
    EXPECT_EQ(u->cmbOutput[1]->currentIndex(), 1) << "the other box keeps its unit";
    u->cmbUnit_Click(false, 0, 4);
    EXPECT_FALSE(u->txtUnitDef->isEnabled());
    EXPECT_TRUE(u->btnOK->isEnabled());
    u->btnOK_Click();
    EXPECT_EQ(u.s.OutputUnit, (std::vector<std::string>{"ppb", "microg", "microg"}))
        << "\"other\" is never stored";
}

TEST(UnitsDialog, EscInThePendingDefinitionBoxClosesTheDialogWithoutAMessage) {
    UnitsDialog u({"microg", "microg", "microg"}, {"microg", "microg", "microg"});
    u->show();
    u->cmbUnit_Click(true, 1, 6);
    QTest::keyClick(u->txtUnitDef, Qt::Key_Escape);
    EXPECT_TRUE(u->isHidden());
    EXPECT_TRUE(u.ui.messages.empty());
    EXPECT_EQ(u.s.InputUnit[1], "microg");
}

TEST(UnitsDialog, WithInputUnitsNotEditableTheStandardUnitsShowGreyedAndTheProjectsAreKept) {
    UnitsDialog u({"ppb", "nanog", "microg"}, {"microg", "microg", "microg"}, false);
    EXPECT_FALSE(u->frameInput->isEnabled());
    EXPECT_FALSE(u->cmbInput[0]->isEnabled());
    EXPECT_EQ(u->cmbInput[0]->currentText(), "µg/m³");
    u->cmbUnit_Click(false, 1, 4);
    u->btnOK_Click();
    EXPECT_EQ(u.s.InputUnit, (std::vector<std::string>{"ppb", "nanog", "microg"}));
    EXPECT_EQ(u.s.OutputUnit[1], "ppb");
}

// ---- Adding a country: the data option and the first start --------------------------------------------

TEST(CountryDataOptions, DefaultDataIsPreselectedAndOnlyOkGivesAChoice) {
    frmCountrySelOptions dlg(nullptr);
    EXPECT_EQ(dlg.windowTitle(), "Add New Country");
    EXPECT_TRUE(dlg.Option1[2]->isChecked());
    dlg.Option1[1]->click();
    dlg.btnOK_Click();
    EXPECT_EQ(dlg.NewCountryOption_, NewCountryOption::Package);

    frmCountrySelOptions closed(nullptr);
    closed.show();
    closed.Option1[0]->click();
    closed.close();
    EXPECT_EQ(closed.NewCountryOption_, NewCountryOption::Cancelled);
}

TEST(CountriesDialog, TheCloseBoxAtFirstStartCountsAsCancel) {
    std::vector<CountryEntry> countries{{"Demoland", "DL", false}};
    std::string current, code;
    frmCountries dlg(countries, current, code, nullptr);
    int writes = 0;
    dlg.writeCountries = [&writes](const std::vector<CountryEntry> &, std::string *) { return ++writes > 0; };
    dlg.show();
    dlg.list()->item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(current, "Demoland");
    dlg.close();
    EXPECT_EQ(current, "");
    EXPECT_EQ(writes, 0);
}
