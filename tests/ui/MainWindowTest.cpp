// The main window: toolbar keys, help, Special Mode winds, the calculation
// period, mode switching and run control.

#include "support/TestSupport.h"
#include "ui/WindowSession.h"
#include "ui/common/EngineState.h"
#include "ui/common/HelpSystem.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QThread>
#include <QToolBar>
#include <atomic>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;

namespace {

struct Window {
    State state;
    test::ScriptedInteraction ui;
    MemorySettings settings;
    std::unique_ptr<frmRun> w;
    Window() {
        state.AppDir = (test::dataDir().string() + "/");
        w = std::make_unique<frmRun>(state, ui, settings);
        w->m_skipInitProgram = true;
        w->chooseFileName = [](int, const QString &, const QString &) { return std::string(); };
        w->Form_Load({});
    }
    frmRun *operator->() { return w.get(); }
    bool menuEnabled(const char *name) { return w->menu(name)->menuAction()->isEnabled(); }
    bool menuVisible(const char *name) { return w->menu(name)->menuAction()->isVisible(); }
};

} // namespace

// ---- Toolbar and help --------------------------------------------------------------

TEST(MainWindowToolbar, AKeyInAnotherLetterCaseRunsTheSameCommandAndUnknownKeysDoNothing) {
    Window win;
    QSignalSpy open(win->action("menOpen"), &QAction::triggered);
    QSignalSpy fresh(win->action("menNew"), &QAction::triggered);
    win->Toolbar1_ButtonClick("oPeN");
    win->Toolbar1_ButtonClick("NEW");
    win->Toolbar1_ButtonClick("NoSuchKey");
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(fresh.count(), 1);
    EXPECT_EQ(win->toolbarKey("trafficnow"), win->toolbarKey("TrafficNow"));
}

TEST(MainWindowToolbar, TheTrafficEditorFollowsTheTrafficFileAndTheListChoicesTheMode) {
    Window win;
    win->btnSeries_Click();
    EXPECT_FALSE(win->action("menEditTrf")->isEnabled());
    EXPECT_FALSE(win->toolbarKey("TrafficNow")->isEnabled());
    EXPECT_TRUE(win->toolbarKey("VLF")->isEnabled());
    EXPECT_TRUE(win->action("menEditCNDFile")->isEnabled());
    EXPECT_FALSE(win->action("menEditTrf")->statusTip().contains("not available"));
    win.state.TrafficFile = "street.trf";
    win->btnSeries_Click();
    EXPECT_TRUE(win->action("menEditTrf")->isEnabled());
    EXPECT_TRUE(win->toolbarKey("TrafficNow")->isEnabled());
}

TEST(MainWindowHelp, LanguageSwitchStoresTheFileAndTheSameLanguageChangesNothing) {
    Window win;
    EXPECT_EQ(win.settings.value("HelpFile", "Path"), "Vesk_en.hlp");
    win.settings.setValue("HelpFile", "Path", "marker");
    win->action("menHelpL_0")->trigger(); // already checked
    EXPECT_EQ(win.settings.value("HelpFile", "Path"), "marker");
    EXPECT_TRUE(win->action("menHelpL_0")->isChecked());
    win->action("menHelpL_1")->trigger();
    EXPECT_EQ(win.settings.value("HelpFile", "Path"), "Vesk_dk.hlp");
    EXPECT_TRUE(win->action("menHelpL_1")->isChecked());
    EXPECT_FALSE(win->action("menHelpL_0")->isChecked());
    win->menHelpContents_Click();
    EXPECT_TRUE(win->help().lastShown().path().endsWith("Help/Vesk_dk.html"));
    EXPECT_EQ(win->help().lastShown().fragment(), "contents");
}

TEST(MainWindowHelp, IndexAfterHelpOnHelpKeepsContext72) {
    Window win;
    win->menHelpOnHelp_Click();
    EXPECT_EQ(win->help().lastShown().fragment(), "ctx72");
    win->menHelpIndex_Click();
    EXPECT_EQ(win->help().HelpCommand, 15);
    EXPECT_EQ(win->help().HelpContextID, 72);
    EXPECT_EQ(win->help().lastShown().fragment(), "index");
    win->btnHelp_Click();
    EXPECT_EQ(win->help().lastShown().fragment(), "ctx22");
}

TEST(MainWindowHelp, TheHelpWindowOpensOverTheMiddleOfTheWindowThatAsks) {
    Window win;
    // Within the 800 x 600 screen of the offscreen tests, which the window's least width fills.
    win->setGeometry(2, 30, 600, 500);
    win->show();
    win->btnHelp_Click();
    HelpWindow *help = win->help().window();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(help->isVisible());
    const QPoint middle = win->frameGeometry().center();
    EXPECT_NEAR(help->frameGeometry().center().x(), middle.x(), 2);
    EXPECT_NEAR(help->frameGeometry().center().y(), middle.y(), 2);
    help->close();
}

TEST(MainWindowHelp, BothHelpPagesHaveAnAnchorForEveryContextTheProgramUses) {
    for (const char *page : {"Vesk_en.html", "Vesk_dk.html"}) {
        const std::string html = test::readFile(test::dataDir() / "Help" / page);
        for (int id : {1,   22,  72,  85,  89,  90,  97,  98,  101, 102, 103, 104,  105, 106,
                       107, 108, 119, 120, 401, 402, 403, 404, 405, 406, 407, 1001, 3333}) {
            EXPECT_NE(html.find("name=\"ctx" + std::to_string(id) + "\""), std::string::npos)
                << page << " " << id;
        }
        EXPECT_NE(html.find("name=\"contents\""), std::string::npos);
        EXPECT_NE(html.find("name=\"index\""), std::string::npos);
    }
}

TEST(MainWindowHelp, WhatsThisTargetIsEmptyAgainAfterTheContextMenuCloses) {
    Window win;
    test::onModal<QMenu>([](QMenu *menu) { menu->close(); });
    win->showFrameContextMenu(win->Frame7, QPoint(10, 10));
    EXPECT_EQ(win->WhatsThisTarget, nullptr);
    EXPECT_FALSE(win->Frame7->whatsThis().isEmpty());
}

// ---- Special Mode winds -------------------------------------------------------------

struct WindEditing : ::testing::Test {
    Window win;
    void SetUp() override {
        win.state.WindSpeedCount = 0;
        win.state.WindDirStart = 10;
        win.state.WindDirEnd = 350;
        win.state.WindDirStep = 10;
        win->btnGeneric_Click();
        win->btnEditWind_Click();
    }
    void tick(int i, const QString &text) {
        win->Check1[i]->setChecked(true);
        win->Check1_Click(i);
        win->Text1[i]->setText(text);
    }
};

TEST_F(WindEditing, TickedSpeedsArePackedAndACommaIsADecimalPoint) {
    EXPECT_EQ(win.state.WindEditMode, 1);
    EXPECT_FALSE(win->Toolbar1->isEnabled());
    tick(2, "2,5");
    tick(5, "0");
    tick(7, "6");
    win->btnEndEditWind_Click();
    EXPECT_EQ(win.state.WindEditMode, 0);
    ASSERT_EQ(win.state.WindSpeedCount, 3);
    EXPECT_DOUBLE_EQ(win.state.WindSpeeds[1], 2.5);
    EXPECT_DOUBLE_EQ(win.state.WindSpeeds[2], 0.0);
    EXPECT_DOUBLE_EQ(win.state.WindSpeeds[3], 6.0);
    EXPECT_TRUE(win.state.OptionFileChanged);
    EXPECT_FALSE(win.state.ProjectChanged);
    EXPECT_TRUE(win->Toolbar1->isEnabled());
}

TEST_F(WindEditing, ANegativeSpeedNamesItsBoxAndANonNumberNeverBecomesZero) {
    tick(3, "-1");
    EXPECT_FALSE(win->Text1_Check(3, true));
    ASSERT_FALSE(win.ui.messages.empty());
    EXPECT_EQ(win.ui.messages.back(), "The value of wind speed is not defined or negative   3");
    win->Text1[3]->setText("abc");
    win->btnEndEditWind_Click();
    EXPECT_EQ(win.state.WindEditMode, 1) << "the edit goes on until the box holds a number";
    EXPECT_EQ(win.state.WindSpeedCount, 0);
    EXPECT_FALSE(win.state.OptionFileChanged);
}

TEST_F(WindEditing, DirectionsAcceptZeroAnd360AndRefuseWrongSteps) {
    struct Case {
        int box;
        const char *text;
        const char *message; // nullptr = accepted
    };
    const Case cases[] = {
        {1, "0", nullptr},
        {2, "360", nullptr},
        {2, "360.5", "The value must be between 0 and 360"},
        {1, "-1", "The value must be between 0 and 360"},
        {3, "0", "The value must be >0"},
        {3, "-5", "The value must be >0"},
        {3, "400", "The value must be >0"},
        {3, "2,5", nullptr},
        {1, "", "The value must be between 0 and 360"},
    };
    for (const Case &c : cases) {
        win.ui.messages.clear();
        win->Text2[c.box]->setText(c.text);
        const bool ok = win->Text2_LostFocus(c.box);
        EXPECT_EQ(ok, c.message == nullptr) << c.box << " " << c.text;
        if (c.message) {
            ASSERT_EQ(win.ui.messages.size(), 1u);
            EXPECT_EQ(win.ui.messages[0], c.message);
        }
    }
}

TEST_F(WindEditing, NoTickGivesNoSpeedsAndAnEmptyDirectionKeepsItsValue) {
    win.state.WindSpeeds[1] = 4;
    win->Text2[1]->setText("");
    win->Text2[3]->setText("15");
    win->btnEndEditWind_Click();
    EXPECT_EQ(win.state.WindSpeedCount, 0);
    EXPECT_DOUBLE_EQ(win.state.WindSpeeds[1], 4);
    EXPECT_DOUBLE_EQ(win.state.WindDirStart, 10);
    EXPECT_DOUBLE_EQ(win.state.WindDirStep, 15);
}

TEST_F(WindEditing, CancelPutsTheBoxesBackAndChangesNoValue) {
    tick(1, "3");
    win->Text2[2]->setText("90");
    win->btnCancelEditWind_Click();
    EXPECT_EQ(win.state.WindEditMode, 0);
    EXPECT_FALSE(win->Check1[1]->isChecked());
    EXPECT_EQ(win->Text1[1]->text(), "");
    EXPECT_EQ(win->Text2[2]->text(), "350");
    EXPECT_EQ(win.state.WindSpeedCount, 0);
    EXPECT_FALSE(win.state.OptionFileChanged);
    EXPECT_FALSE(win->btnCancelEditWind->isEnabled());
}

// ---- Calculation period ------------------------------------------------------------------

TEST(CalculationPeriod, UntickingAutoUnlocksTheBoxesAndDisablesTheModeMenuUntilChecked) {
    Window win;
    win->btnSeries_Click();
    win->chkStartAuto->setChecked(false);
    win->chkAuto_Click(0);
    EXPECT_TRUE(win->mEditStart->isEnabled());
    EXPECT_FALSE(win.menuEnabled("menMode"));
    win->mEditStart->setText("01-03-2020");
    win->txtHourStart->setText("24");
    EXPECT_TRUE(win->mEdit_LostFocus(0));
    EXPECT_TRUE(win.menuEnabled("menMode"));
    win->chkStartAuto->setChecked(true);
    win->chkAuto_Click(0);
    EXPECT_FALSE(win->mEditStart->isEnabled());
}

TEST(CalculationPeriod, ImpossibleDatesAndHoursOutside0To24AreRefused) {
    Window win;
    win->btnSeries_Click();
    win->chkStartAuto->setChecked(false);
    win->chkAuto_Click(0);
    struct Case {
        const char *date, *hour;
        bool ok;
        const char *message;
    };
    const Case cases[] = {
        {"31-02-2003", "1", false, "The Date value is not correct!"},
        {"31-02-03", "1", false, "The Date value is not correct!"},
        {"29-02-2024", "0", true, nullptr},
        {"01-01-2020", "24", true, nullptr},
        {"01-01-2020", "25", false, "The value of Hour is not correct!"},
        {"01-01-2020", "-1", false, "The value of Hour is not correct!"},
        {"01-01-2020", "", false, nullptr},
        {"01-01-2020", "x", false, nullptr},
    };
    for (const Case &c : cases) {
        win.ui.messages.clear();
        win->mEditStart->setText(c.date);
        win->txtHourStart->setText(c.hour);
        EXPECT_EQ(win->mEdit_LostFocus(0), c.ok) << c.date << " " << c.hour;
        if (c.message) {
            ASSERT_EQ(win.ui.messages.size(), 1u) << c.date << " " << c.hour;
            EXPECT_EQ(win.ui.messages[0], c.message);
        } else {
            EXPECT_TRUE(win.ui.messages.empty()) << c.date << " " << c.hour;
        }
        EXPECT_EQ(win.state.DateError || win.state.HourError, !c.ok);
    }
}

TEST(CalculationPeriod, InABatchRunTheAutoBoxesDoNothing) {
    Window win;
    win.state.BatchMode = true;
    win->chkStartAuto->setChecked(false);
    win->chkAuto_Click(0);
    EXPECT_FALSE(win->mEditStart->isEnabled());
}

// ---- Modes ---------------------------------------------------------------------------------

TEST(ModeSwitching, SpecialModeShowsTheWindFramesAndCalculationTheFileFrames) {
    Window win;
    win->setWindowTitle("WinVESK Calculation [a.vkp]");
    win->btnGeneric_Click();
    EXPECT_EQ(win->windowTitle(), "WinVESK Special Mode [a.vkp]");
    EXPECT_EQ(win.state.CalcMode, 0);
    EXPECT_TRUE(win->Frame7->isHidden());
    EXPECT_FALSE(win->Frame5->isHidden());
    EXPECT_FALSE(win->frmboxStreet3D->isHidden());
    EXPECT_EQ(win->FrameStreetData->parentWidget(), win->frmboxStreet3D);
    EXPECT_EQ(win->Frame1->title(), "Wind speed and Wind direction");
    EXPECT_FALSE(win.menuVisible("menView"));
    EXPECT_FALSE(win.menuEnabled("menSettings"));
    EXPECT_FALSE(win->toolbarKey("VLF")->isEnabled());
    EXPECT_EQ(win->btnReturnStd->text(), "Close Special");
    EXPECT_TRUE(win->action("btnGeneric")->isChecked());

    win->btnReturnStd_Click();
    EXPECT_EQ(win->windowTitle(), "WinVESK Calculation [a.vkp]");
    EXPECT_EQ(win.state.CalcMode, 1);
    EXPECT_FALSE(win->Frame7->isHidden());
    EXPECT_TRUE(win->Frame5->isHidden());
    EXPECT_NE(win->FrameStreetData->parentWidget(), win->frmboxStreet3D);
    EXPECT_EQ(win->Frame1->title(), "Date and hour");
    EXPECT_TRUE(win.menuVisible("menView"));
    EXPECT_TRUE(win->cmbCountry->locked);
    EXPECT_EQ(win->btnReturnStd->text(), "Start Special");
    EXPECT_TRUE(win->action("btnSeries")->isChecked());
    EXPECT_FALSE(win->action("btnGeneric")->isChecked());
}

TEST(ModeSwitching, TheFirstSwitchToSpecialModeShowsNoResults) {
    Window win;
    win->btnSeries_Click();
    win->btnGeneric_Click();
    EXPECT_FALSE(win->SpecialResultsEnabled);
    EXPECT_FALSE(win->action("menLastResults")->isEnabled());
    EXPECT_FALSE(win->toolbarKey("Results")->isEnabled());
}

TEST(ModeSwitching, CaptionWordsInAnotherCaseAreReplacedAndOtherCaptionsStay) {
    Window win;
    win->setWindowTitle("WinVESK SPECIAL MODE [x]");
    win->btnSeries_Click();
    EXPECT_EQ(win->windowTitle(), "WinVESK Calculation [x]");
    win->setWindowTitle("WinVESK");
    win->btnSeries_Click();
    EXPECT_EQ(win->windowTitle(), "WinVESK");
}

TEST(ModeSwitching, RouteAndMultiStreetProjectsCannotReachSpecialMode) {
    for (int kind = 0; kind < 2; ++kind) {
        Window win;
        win.state.RouteMode = kind == 0;
        win.state.MultiStreetMode = kind == 1;
        win.state.RouteFile = "route.dat";
        win.state.StreetsFile = "streets.dat";
        win.state.WorkDir = "/w/";
        win.state.CalcPerc = true;
        win->btnSeries_Click();
        EXPECT_FALSE(win.menuEnabled("menMode"));
        EXPECT_FALSE(win->btnReturnStd->isEnabled());
        EXPECT_FALSE(win->List1[3]->isEnabled());
        if (kind == 0) {
            EXPECT_EQ(win->Label3->text(), "Route File:");
            EXPECT_EQ(win->Label4->text(), "/w/route.dat");
            EXPECT_FALSE(win.state.CalcPerc);
            EXPECT_FALSE(win->List1[4]->isEnabled());
        } else {
            EXPECT_EQ(win->Label3->text(), "Streets File:");
            EXPECT_EQ(win->action("menEditStreetConfiguration")->text(), "Set Streets Data File");
            EXPECT_FALSE(win->List1[2]->isEnabled());
        }
    }
}

TEST(ModeSwitching, TheTrafficLabelShowsTheResolvedFileOrNone) {
    Window win;
    win.state.WorkDir = "/work/";
    win->btnSeries_Click();
    EXPECT_EQ(win->Label4->text(), "(none)");
    EXPECT_FALSE(win->toolbarKey("TrafficNow")->isEnabled());
    win.state.TrafficFile = "street.trf";
    win->btnSeries_Click();
    EXPECT_EQ(win->Label4->text(), "/work/street.trf");
    // ".\name" lies in the national traffic folder of the country.
    win.state.TrafficDir = "/app/Data/Traffic/National/DL/";
    win.state.TrafficFile = ".\\CityStreet.trf";
    win->btnSeries_Click();
    EXPECT_EQ(win->Label4->text(), "/app/Data/Traffic/National/DL/CityStreet.trf");
}

TEST(ModeSwitching, GeneratedUrbanBackgroundIsOfferedOnlyInACountryWithUrbanData) {
    Window win;
    for (const bool noUrbanData : {true, false}) {
        win.state.NoUrbEmiData = noUrbanData;
        win->btnSeries_Click();
        EXPECT_EQ(win->action("menModBackg")->isEnabled(), !noUrbanData) << noUrbanData;
    }
}

// ---- Run control ----------------------------------------------------------------------------

namespace {
// A short run that works through records, checking the flags once per record
// as the engine's runs do: Stop ends it; while paused it waits.
struct ShortRun {
    std::atomic<int> records{0};
    std::atomic<bool> stoppedWhilePaused{false};
    int total = 200;
    RunEntry entry() {
        return [this](State &, RunControl &control, RunObserver &observer, Interaction &, std::string *) {
            for (int i = 0; i < total; ++i) {
                if (control.PauseRequested()) {
                    const bool wasPaused = control.waitWhilePaused();
                    if (control.StopRequested()) {
                        stoppedWhilePaused = wasPaused;
                        return false;
                    }
                }
                if (control.StopRequested()) {
                    return false;
                }
                ++records;
                observer.progress(double(i + 1) / total, "01-01-2020|" + std::to_string(i % 24 + 1));
                QThread::usleep(500);
            }
            return true;
        };
    }
};

void checkInputFile(Window &win) {
    win.state.NumInputFiles = 1;
    win->List1[1]->insertFile(0, "met.dat", true);
    // The boxes the run takes hold valid values, as a loaded project's do.
    win->txtADT->setText(QStringLiteral("10000"));
    win->txtSpeed->setText(QStringLiteral("40"));
    win->chkStartAuto->setChecked(true);
    win->chkEndAuto->setChecked(true);
}

// Calculation mode with one checked input file and the short run behind Run.
void prepareRun(Window &win, ShortRun &run) {
    win->runCalculation = run.entry();
    win->btnSeries_Click();
    checkInputFile(win);
    win->applyRunButtonRule();
}
} // namespace

TEST(RunControl, RunIsAvailableOnlyWithACheckedInputFileAndARun) {
    Window win;
    win->btnSeries_Click();
    EXPECT_FALSE(win->btnRun->isEnabled());
    checkInputFile(win);
    win->runCalculation = nullptr;
    win->applyRunButtonRule();
    EXPECT_FALSE(win->btnRun->isEnabled()) << "no run entry";
    EXPECT_FALSE(win->btnRun->toolTip().isEmpty());
    ShortRun run;
    win->runCalculation = run.entry();
    win->applyRunButtonRule();
    EXPECT_TRUE(win->btnRun->isEnabled());
    win->List1[1]->setChecked(0, false);
    win->applyRunButtonRule();
    EXPECT_FALSE(win->btnRun->isEnabled());
}

TEST(RunControl, ARunLocksTheWindowAndUnlocksItWhenItReachesItsEnd) {
    Window win;
    ShortRun run;
    run.total = 20;
    prepareRun(win, run);
    win->btnRun_Click();
    EXPECT_TRUE(win->isRunning());
    EXPECT_FALSE(win->btnRun->isEnabled());
    EXPECT_TRUE(win->btnPause->isEnabled());
    EXPECT_TRUE(win->btnStop->isEnabled());
    EXPECT_FALSE(win.menuEnabled("menFile"));
    EXPECT_FALSE(win.menuEnabled("menMode"));
    EXPECT_FALSE(win->Toolbar1->isEnabled());
    ASSERT_TRUE(test::waitForRunToEnd(*win.w));
    EXPECT_EQ(run.records, 20);
    EXPECT_FALSE(win->isRunning());
    EXPECT_TRUE(win->btnRun->isEnabled());
    EXPECT_FALSE(win->btnStop->isEnabled());
    EXPECT_TRUE(win.menuEnabled("menFile"));
    EXPECT_TRUE(win->Toolbar1->isEnabled());
    EXPECT_FALSE(win->PauseRequested);
    EXPECT_FALSE(win->StopRequested);
}

TEST(RunControl, PauseHoldsTheRunContinueResumesItAndStopEndsIt) {
    Window win;
    ShortRun run;
    run.total = 100000;
    prepareRun(win, run);
    win->btnRun_Click();
    ASSERT_TRUE(test::processEventsUntil([&] { return run.records >= 5; })) << "the run never started";
    win->btnPause_Click();
    EXPECT_TRUE(win->PauseRequested);
    EXPECT_TRUE(win->btnContinue->isEnabled());
    EXPECT_TRUE(win->btnPause->isEnabled());
    EXPECT_TRUE(win.menuEnabled("menView"));
    QThread::msleep(30);
    const int held = run.records;
    QThread::msleep(30);
    EXPECT_LE(run.records - held, 1) << "a paused run does not go on";
    win->btnContinue_Click();
    EXPECT_FALSE(win->btnContinue->isEnabled());
    const int resumed = run.records;
    ASSERT_TRUE(test::processEventsUntil([&] { return run.records >= resumed + 5; }))
        << "the run did not go on";
    win->btnStop_Click();
    EXPECT_TRUE(win->StopRequested);
    ASSERT_TRUE(test::waitForRunToEnd(*win.w));
    EXPECT_LT(run.records, 100000);
    EXPECT_FALSE(win->StopRequested);
    EXPECT_FALSE(win->PauseRequested);
    EXPECT_TRUE(win->btnRun->isEnabled());
}

TEST(RunControl, TheBoxesShowTheHourComputedAndTheStatusLineTheStreetBeingCalculated) {
    Window win;
    std::atomic<bool> reported{false};
    win->runCalculation = [&](State &, RunControl &control, RunObserver &observer, Interaction &,
                              std::string *) {
        observer.progress(0.25, "Calculating street #2 out of 4: North");
        observer.hourDone(6, 3, 17);
        observer.progress(0.3, "6/3|1"); // the report of the day, whose first hour was 1
        reported = true;
        while (!control.StopRequested()) {
            QThread::msleep(2);
        }
        return true;
    };
    win->btnSeries_Click();
    checkInputFile(win);
    win->applyRunButtonRule();
    win->lblProgress->setText("The calculation has ended.");
    win->btnRun_Click();
    EXPECT_NE(win->lblProgress->text(), "The calculation has ended.") << "a new run clears the old status";
    ASSERT_TRUE(test::processEventsUntil([&] { return reported.load(); })) << "the run never reported";
    QCoreApplication::processEvents();
    EXPECT_EQ(win->Text0[1]->text(), "6/3");
    EXPECT_EQ(win->Text0[2]->text(), "17");
    EXPECT_EQ(win->lblProgress->text(), "Calculating street #2 out of 4: North");
    win->btnStop_Click();
    ASSERT_TRUE(test::waitForRunToEnd(*win.w));
}

TEST(RunControl, StopWhilePausedEndsTheRunAndClearsBothFlags) {
    Window win;
    ShortRun run;
    run.total = 100000;
    prepareRun(win, run);
    win->btnRun_Click();
    ASSERT_TRUE(test::processEventsUntil([&] { return run.records >= 3; })) << "the run never started";
    win->btnPause_Click();
    QThread::msleep(20);
    win->btnStop_Click();
    ASSERT_TRUE(test::waitForRunToEnd(*win.w));
    EXPECT_TRUE(run.stoppedWhilePaused);
    EXPECT_FALSE(win->PauseRequested);
    EXPECT_FALSE(win->StopRequested);
    EXPECT_FALSE(win->btnContinue->isEnabled());
}

TEST(RunControl, SpecialModeRunDisablesWindEditingAndStopGivesBackOnlyEdit) {
    Window win;
    ShortRun run;
    run.total = 100000;
    win->runSpecialMode = run.entry();
    win->btnGeneric_Click();
    win->btnRun_Click();
    EXPECT_FALSE(win->btnEditWind->isEnabled());
    EXPECT_FALSE(win->btnEndEditWind->isEnabled());
    win->btnStop_Click();
    ASSERT_TRUE(test::waitForRunToEnd(*win.w));
    EXPECT_TRUE(win->btnEditWind->isEnabled());
    EXPECT_FALSE(win->btnEndEditWind->isEnabled());
}

TEST(RunControl, ClosingDuringARunIsRefusedUnlessTheUserStopsTheRun) {
    Window win;
    ShortRun run;
    run.total = 100000;
    prepareRun(win, run);
    win->show();
    win->btnRun_Click();
    win.ui.answers = {Answer::No};
    EXPECT_FALSE(win->close());
    EXPECT_TRUE(win->isRunning());
    win.ui.answers = {Answer::Yes};
    EXPECT_TRUE(win->close());
    EXPECT_FALSE(win->isRunning());
}
