// What the window locks while a run of a real project works or is paused, and
// gives back when the run has returned: nothing the user can reach meanwhile
// changes what the run computes with or labels its results with (city size,
// scenario year, % CAT, ADT, speed, the vehicle and fuel lists, the country).
//
// Each run is held on its own thread by an observer at a street or an hour it
// reports, until the test lets it go: the test looks at the window, pauses,
// continues or stops while the run is known to be mid-way, with no timing.

#include "ui/common/EngineState.h"

#include "core/StagedFile.h"
#include "run/RunCalculation.h"
#include "support/TestSupport.h"
#include "ui/WindowSession.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/results/frmMultiStreetResults.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>
#include <thread>

using namespace vesk;
using namespace vesk::ui;
using test::Sample;
using test::Session;

namespace {

// Where the window's run waits for the test: at the progress report that
// begins with streetText (the multi-street runs report each street), or at the
// first hour of day/month (a single street reports its hours).
struct Hold {
    std::string streetText;
    int day = 0, month = 0;
    std::atomic<bool> reached{false};
    std::atomic<bool> released{false};

    void arrive() {
        if (reached.exchange(true)) {
            return;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!released && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
};

// The window's own run of the project, held where hold says.
RunEntry heldRun(std::shared_ptr<Hold> hold) {
    return
        [hold](State &state, RunControl &control, RunObserver &window, Interaction &ui, std::string *error) {
            struct HoldingObserver : RunObserver {
                RunObserver &window;
                Hold &hold;
                HoldingObserver(RunObserver &w, Hold &h) : window(w), hold(h) {}
                void progress(double f, const std::string &text) override {
                    window.progress(f, text);
                    if (!hold.streetText.empty() && text.rfind(hold.streetText, 0) == 0) {
                        hold.arrive();
                    }
                }
                void hourDone(int day, int month, int hour) override {
                    window.hourDone(day, month, hour);
                    if (day == hold.day && month == hold.month) {
                        hold.arrive();
                    }
                }
                void runStateChanged(bool running) override { window.runStateChanged(running); }
                void streetThreads(int threads) override { window.streetThreads(threads); }
                void runStopped(const std::string &lastDone) override { window.runStopped(lastDone); }
            } observer(window, *hold);
            return RunCalculation(state, control, observer, ui, error);
        };
}

// The streets of a multi-street run on this many threads (1: one after the other).
struct StreetThreads {
    explicit StreetThreads(const char *n) { setenv("WINVESK_THREADS", n, 1); }
    ~StreetThreads() { unsetenv("WINVESK_THREADS"); }
};

bool menuOn(Session &s, const char *name) {
    return s->menu(QString::fromLatin1(name))->menuAction()->isEnabled();
}

// Whether each named control and command of the window can be used.
std::map<std::string, bool> enabledStates(frmRun &w) {
    std::map<std::string, bool> states;
    for (QWidget *widget : w.findChildren<QWidget *>()) {
        if (!widget->objectName().isEmpty()) {
            states["control " + widget->objectName().toStdString()] = widget->isEnabled();
        }
    }
    for (QAction *a : w.findChildren<QAction *>()) {
        if (!a->objectName().isEmpty()) {
            states["command " + a->objectName().toStdString()] = a->isEnabled();
        }
    }
    return states;
}

// The controls and commands whose state differs between two looks, but for those expected to.
std::string changedStates(const std::map<std::string, bool> &before, const std::map<std::string, bool> &after,
                          const std::set<std::string> &expected) {
    std::string changed;
    for (const auto &[name, on] : before) {
        const auto it = after.find(name);
        if (it != after.end() && it->second != on && !expected.contains(name)) {
            changed += "  " + name + (it->second ? " enabled\n" : " disabled\n");
        }
    }
    return changed;
}

// The window while a run of Calculation mode works (paused: false) or is paused:
// every control of the runs' list in the state the run gives it.
void expectLockedForRun(Session &s, bool paused) {
    frmRun &w = *s.w;
    EXPECT_FALSE(w.btnRun->isEnabled());
    EXPECT_TRUE(w.btnPause->isEnabled());
    EXPECT_TRUE(w.btnStop->isEnabled());
    EXPECT_EQ(w.btnContinue->isEnabled(), paused);
    for (const char *name : {"menMode", "menFile", "menProject", "menBackground", "menTools"}) {
        EXPECT_FALSE(menuOn(s, name)) << name;
    }
    EXPECT_EQ(menuOn(s, "menView"), paused) << "View is open only while paused";
    if (paused) {
        EXPECT_FALSE(w.action("menLastResults")->isEnabled());
        EXPECT_FALSE(w.toolbarKey("Results")->isEnabled());
    }
    // The toolbar, with its keys Results, Fleet, Fuel and Tarvik and the country box.
    EXPECT_FALSE(w.Toolbar1->isEnabled());
    EXPECT_FALSE(w.cmbCountry->isEnabled());
    EXPECT_TRUE(w.FrameStartEnd->isHidden());
    EXPECT_FALSE(w.Frame1->isHidden());
    EXPECT_FALSE(w.ProgressBar1->isHidden());
    EXPECT_FALSE(w.Frame7->isEnabled());
    EXPECT_FALSE(w.List1[3]->isEnabled());
    EXPECT_FALSE(w.List1[4]->isEnabled());
    EXPECT_FALSE(w.Frame12->isEnabled());
    for (QWidget *box : std::initializer_list<QWidget *>{w.cmbYear, w.txtCat, w.lblFleet[1], w.lblFuel[1],
                                                         w.Label4, w.cmbCitySize, w.txtADT, w.txtSpeed}) {
        EXPECT_FALSE(box->isEnabled()) << box->objectName().toStdString() << " is open during the run";
    }
    // The list editors could make another list the project's and set the emissions up again.
    EXPECT_FALSE(w.action("menEditVehicleList")->isEnabled());
    EXPECT_FALSE(w.action("menEditFuelList")->isEnabled());
    EXPECT_EQ(w.cursor().shape(), Qt::BusyCursor);
}

// The window once the run has returned: as it was before the run, but for
// the commands named (the results of a run that reached its end).
void expectUnlockedAsBefore(Session &s, const std::map<std::string, bool> &before,
                            const std::set<std::string> &expected) {
    frmRun &w = *s.w;
    EXPECT_FALSE(w.isRunning());
    EXPECT_EQ(changedStates(before, enabledStates(w), expected), "");
    EXPECT_TRUE(w.btnRun->isEnabled());
    EXPECT_FALSE(w.btnPause->isEnabled());
    EXPECT_FALSE(w.btnContinue->isEnabled());
    EXPECT_FALSE(w.btnStop->isEnabled());
    for (const char *name : {"menFile", "menProject", "menView", "menBackground", "menTools"}) {
        EXPECT_TRUE(menuOn(s, name)) << name;
    }
    EXPECT_TRUE(w.Toolbar1->isEnabled());
    EXPECT_TRUE(w.Frame7->isEnabled());
    EXPECT_TRUE(w.Frame12->isEnabled());
    EXPECT_TRUE(w.cmbCitySize->isEnabled());
    EXPECT_TRUE(w.cmbYear->isEnabled());
    EXPECT_FALSE(w.FrameStartEnd->isHidden());
    EXPECT_TRUE(w.Frame1->isHidden());
    EXPECT_TRUE(w.ProgressBar1->isHidden());
    EXPECT_NE(w.cursor().shape(), Qt::BusyCursor);
    EXPECT_FALSE(w.PauseRequested);
    EXPECT_FALSE(w.StopRequested);
}

std::string expectedFile(const char *sample, const char *name) {
    return test::readFile(std::string(WINVESK_SOURCE_DIR) + "/tests/run/expected/" + sample + "/" + name);
}

const std::set<std::string> kResultsOfTheRun = {"command menLastResults", "command Results"};

// While it lives, writing out the file of the given name fails as on a full disk.
class FullDiskFor {
public:
    explicit FullDiskFor(const std::string &name) {
        failWritingOutForTesting([name](const std::string &target) {
            return std::filesystem::path(target).filename().string() == name;
        });
    }
    ~FullDiskFor() { failWritingOutForTesting(nullptr); }
    FullDiskFor(const FullDiskFor &) = delete;
    FullDiskFor &operator=(const FullDiskFor &) = delete;
};

// A Calculation run of the project held where hold says, then failing at
// its end: its statistics file cannot be written out. The window, locked
// while the run works, is given back whole once it has failed: every
// control as before the run, the normal pointer.
void expectAFailedRunToGiveTheWindowBack(Sample &sample, const std::string &project,
                                         std::shared_ptr<Hold> hold, const std::string &statistics) {
    Session s(sample, project);
    ASSERT_TRUE(s.loaded);
    const std::string statisticsFile = sample.appDir + "Working/" + statistics;
    std::filesystem::remove(statisticsFile);
    const std::map<std::string, bool> before = enabledStates(*s.w);
    s->runCalculation = heldRun(hold);
    const FullDiskFor full(statistics);
    s->btnRun_Click();
    ASSERT_TRUE(test::processEventsUntil([&] { return hold->reached.load(); }, 60))
        << "the run never reached the point it is held at";
    {
        SCOPED_TRACE("running");
        expectLockedForRun(s, false);
    }
    hold->released = true;
    ASSERT_TRUE(test::waitForRunToEnd(*s.w));
    EXPECT_EQ(s->lblProgress->text(), "The calculation did not reach its end.");
    ASSERT_FALSE(s.ui.messages.empty());
    EXPECT_NE(s.ui.messages.back().find("Cannot write the file " + statisticsFile), std::string::npos)
        << s.ui.messages.back();
    expectUnlockedAsBefore(s, before, {});
    // What the run locked, by name (the controls a project of its kind keeps
    // disabled, as the Mode menu of a multi-street project, stay so).
    for (QWidget *control : std::initializer_list<QWidget *>{s->cmbCountry, s->List1[1], s->List1[4],
                                                             s->txtCat, s->cmbCitySize, s->cmbYear}) {
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_FALSE(s->action("menLastResults")->isEnabled()) << "the failed run left no results";
    EXPECT_TRUE(s.resultsWindows.empty()) << "no summary of a failed run";
    // The normal pointer: none of the window's own, none over the application.
    EXPECT_EQ(s->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(statisticsFile)) << "the failed run replaced nothing";
}

} // namespace

// A single-street run that fails (its statistics file cannot be written out).
TEST(RunLock, AFailedSingleStreetRunGivesBackEveryControlAndTheNormalPointer) {
    Sample sample;
    auto hold = std::make_shared<Hold>();
    hold->day = 10;
    hold->month = 3;
    expectAFailedRunToGiveTheWindowBack(sample, sample.project(), hold, "Stat2023.txt");
}

// The same of a multi-street run, its streets computed side by side.
TEST(RunLock, AFailedMultiStreetRunGivesBackEveryControlAndTheNormalPointer) {
    Sample sample;
    StreetThreads threads("3");
    auto hold = std::make_shared<Hold>();
    hold->streetText = "Calculating street #2 out of";
    expectAFailedRunToGiveTheWindowBack(sample, sample.project("DemoStreets.vkm"), hold,
                                        "StreetsStat2023.txt");
}

// Run, Pause, another City Size chosen, Continue: the choice cannot be made,
// and the summary of a street names the city size the run computed with.
TEST(RunLock, APausedMultiStreetRunKeepsTheBoxesThatLabelItsResultsLockedAndItsSummaryTheRunsCitySize) {
    Sample sample;
    const std::string statistics = sample.appDir + "Working/StreetsStat2023.txt";
    std::filesystem::remove(statistics);
    StreetThreads threads("3");
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    ASSERT_TRUE(s.state.ShowResultsAuto) << "the sample's options show the summary after a run";
    ASSERT_TRUE(s->cmbCitySize->isEnabled());
    ASSERT_GE(s->cmbCitySize->count(), 3);
    const int citySize = s.state.CitySize;
    const QString citySizeName = s->cmbCitySize->currentText();
    const std::map<std::string, bool> before = enabledStates(*s.w);

    auto hold = std::make_shared<Hold>();
    hold->streetText = "Calculating street #2 out of";
    s->runCalculation = heldRun(hold);
    std::string streetKeyInfo;
    s.onResultsWindow = [&](QDialog &window) {
        if (auto *streets = qobject_cast<frmMultiStreetResults *>(&window)) {
            streets->showStreet(0); // shown through the same hook, below
        } else if (auto *info = window.findChild<QPlainTextEdit *>("txtKeyInfo")) {
            streetKeyInfo = info->toPlainText().toStdString();
        }
    };
    s->btnRun_Click();
    ASSERT_TRUE(test::processEventsUntil([&] { return hold->reached.load(); }, 60))
        << "the run never reached its second street";
    {
        SCOPED_TRACE("running");
        expectLockedForRun(s, false);
    }
    s->btnPause_Click();
    {
        SCOPED_TRACE("paused");
        expectLockedForRun(s, true);
    }
    // The user tries another city size.
    QTest::keyClick(s->cmbCitySize, Qt::Key_Down);
    QTest::keyClick(s->cmbCitySize, Qt::Key_End);
    EXPECT_EQ(s->cmbCitySize->currentText(), citySizeName);
    EXPECT_EQ(s.state.CitySize, citySize);
    EXPECT_FALSE(s.state.ProjectChanged) << "nothing the run did not compute with is kept as the project's";
    s->btnContinue_Click();
    {
        SCOPED_TRACE("continued");
        expectLockedForRun(s, false);
    }
    hold->released = true;
    ASSERT_TRUE(test::waitForRunToEnd(*s.w));
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.");
    expectUnlockedAsBefore(s, before, kResultsOfTheRun);
    EXPECT_TRUE(s->action("menLastResults")->isEnabled());

    EXPECT_NE(streetKeyInfo.find("Urban Background:  Default for a City with a population of " +
                                 citySizeName.toStdString()),
              std::string::npos)
        << streetKeyInfo;
    EXPECT_NE(streetKeyInfo.find("Emission Scenario Year: 2020"), std::string::npos) << streetKeyInfo;
    EXPECT_TRUE(test::readFile(statistics) == expectedFile("MultiStreet", "StreetsStat2023.txt"))
        << "the statistics file is the batch run's";
}

// Stop while the streets run: the run finishes its hour and writes its files;
// until it has returned the window stays locked, then it is given back whole.
TEST(RunLock, StopDuringAMultiStreetRunKeepsTheWindowLockedUntilTheRunHasWrittenItsFiles) {
    Sample sample;
    const std::string statistics = sample.appDir + "Working/StreetsStat2023.txt";
    std::filesystem::remove(statistics);
    StreetThreads threads("3");
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    s.state.ShowResultsAuto = false;
    const std::map<std::string, bool> before = enabledStates(*s.w);
    auto hold = std::make_shared<Hold>();
    hold->streetText = "Calculating street #2 out of";
    s->runCalculation = heldRun(hold);
    s->btnRun_Click();
    ASSERT_TRUE(test::processEventsUntil([&] { return hold->reached.load(); }, 60))
        << "the run never reached its second street";
    s->btnStop_Click();
    EXPECT_TRUE(s->isRunning()) << "held by the test";
    for (QWidget *control :
         std::initializer_list<QWidget *>{s->btnStop, s->btnPause, s->btnContinue, s->btnRun, s->Frame7,
                                          s->Frame12, s->cmbCitySize, s->Toolbar1}) {
        EXPECT_FALSE(control->isEnabled())
            << control->objectName().toStdString() << " while the run still writes";
    }
    for (const char *name : {"menFile", "menProject", "menView", "menBackground", "menTools"}) {
        EXPECT_FALSE(menuOn(s, name)) << name << " while the run still writes";
    }
    hold->released = true;
    ASSERT_TRUE(test::waitForRunToEnd(*s.w));
    EXPECT_EQ(s->lblProgress->text().left(30).toStdString(), "The calculation was stopped af");
    expectUnlockedAsBefore(s, before, kResultsOfTheRun);
    EXPECT_TRUE(s->action("menLastResults")->isEnabled()) << "a stop during a street ends the run in order";
    EXPECT_TRUE(std::filesystem::exists(statistics));
}

// Stop while paused ends the run at once, without the steps that end a run in
// order: every box and menu the run locked is given back all the same.
TEST(RunLock, StopWhilePausedGivesBackEveryBoxAndMenuTheRunLocked) {
    Sample sample;
    const std::string statistics = sample.appDir + "Working/StreetsStat2023.txt";
    std::filesystem::remove(statistics);
    StreetThreads threads("1"); // the paused street holds the run: nothing more is written
    Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    const std::map<std::string, bool> before = enabledStates(*s.w);
    auto hold = std::make_shared<Hold>();
    hold->streetText = "Calculating street #2 out of";
    s->runCalculation = heldRun(hold);
    s->btnRun_Click();
    ASSERT_TRUE(test::processEventsUntil([&] { return hold->reached.load(); }, 60))
        << "the run never reached its second street";
    s->btnPause_Click();
    s->btnStop_Click();
    hold->released = true;
    ASSERT_TRUE(test::waitForRunToEnd(*s.w));
    EXPECT_EQ(s->lblProgress->text(),
              "The calculation was stopped while paused; no result file was changed.");
    expectUnlockedAsBefore(s, before, {});
    EXPECT_FALSE(s->action("menLastResults")->isEnabled()) << "the run left no results";
    EXPECT_FALSE(std::filesystem::exists(statistics));
}

// The traffic amount and speed of a single street label its summary: while
// its run is paused they cannot be typed into.
TEST(RunLock, APausedSingleStreetRunKeepsItsTrafficBoxesLockedAndItsSummaryTheTrafficOfTheRun) {
    Sample sample;
    Session s(sample, sample.project());
    ASSERT_TRUE(s.loaded);
    ASSERT_TRUE(s->txtADT->isEnabled())
        << "the sample's traffic file is a profile scaled to the street's traffic";
    const QString traffic = s->txtADT->text();
    const double dailyTraffic = s.state.AnnualDiurnalTraffic;
    const std::map<std::string, bool> before = enabledStates(*s.w);
    auto hold = std::make_shared<Hold>();
    hold->day = 10;
    hold->month = 3;
    s->runCalculation = heldRun(hold);
    std::string keyInfo;
    s.onResultsWindow = [&](QDialog &window) {
        if (auto *info = window.findChild<QPlainTextEdit *>("txtKeyInfo")) {
            keyInfo = info->toPlainText().toStdString();
        }
    };
    s->btnRun_Click();
    ASSERT_TRUE(test::processEventsUntil([&] { return hold->reached.load(); }, 60))
        << "the run never reached 10 March";
    s->btnPause_Click();
    expectLockedForRun(s, true);
    QTest::keyClicks(s->txtADT, "5");
    QTest::keyClicks(s->txtSpeed, "5");
    EXPECT_EQ(s->txtADT->text(), traffic);
    EXPECT_EQ(s.state.AnnualDiurnalTraffic, dailyTraffic);
    EXPECT_FALSE(s.state.ProjectChanged);
    s->btnContinue_Click();
    hold->released = true;
    ASSERT_TRUE(test::waitForRunToEnd(*s.w));
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.");
    expectUnlockedAsBefore(s, before, kResultsOfTheRun);
    EXPECT_NE(keyInfo.find("Average Daily Traffic: " + traffic.toStdString() + " (Calculated: "),
              std::string::npos)
        << keyInfo;
    EXPECT_TRUE(test::readFile(sample.appDir + "Working/Stat2023.txt") ==
                expectedFile("SingleStreet", "Stat2023.txt"))
        << "the statistics file is the batch run's";
}
