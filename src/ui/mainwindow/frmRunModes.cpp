// Calculation and Special Mode, and run control.

#include "core/Interaction.h"
#include "core/Paths.h"
#include "ui/common/DisplayText.h"
#include "ui/common/EngineState.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolBar>

namespace vesk::ui {

void frmRun::doEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

QString frmRun::trafficPath() const {
    const std::string &t = m_state.TrafficFile;
    if (t.empty()) {
        return {};
    }
    return QString::fromStdString(findStoredInput(t, m_state.WorkDir, trafficDir(), m_state.AppDir));
}

QString frmRun::workInputLabel(const std::string &stored) const {
    return QString::fromStdString(findStoredInput(stored, m_state.WorkDir, m_state.WorkDir, m_state.AppDir));
}

void frmRun::trafficRefresh() {
    if (!m_state.RouteMode && !m_state.MultiStreetMode) {
        Label4->setText(m_state.TrafficFile.empty() ? QStringLiteral("(none)") : trafficPath());
        Label4->setToolTip(Label4->text());
    }
    enableKey(QStringLiteral("TrafficNow"), !m_state.TrafficFile.empty());
    enableCommand(action(QStringLiteral("menEditTrf")), !m_state.TrafficFile.empty());
}

void frmRun::applyRunButtonRule() {
    bool any = false;
    for (int i = 0; i < m_state.NumInputFiles && i < List1[1]->count(); ++i) {
        if (List1[1]->isChecked(i)) {
            any = true;
            break;
        }
    }
    const bool haveRun = static_cast<bool>(runCalculation);
    btnRun->setEnabled(any && haveRun && !isRunning());
    btnRun->setToolTip(
        haveRun ? QString()
                : QStringLiteral("The calculation is not available in this version of the program."));
}

// ---- Mode switches ----------------------------------------------------------

void frmRun::btnGeneric_Click() {
    if (!specialModeAllowed()) {
        return;
    }
    QString caption = windowTitle();
    caption.replace(QStringLiteral("Calculation"), QStringLiteral("Special Mode"), Qt::CaseInsensitive);
    setWindowTitle(caption);

    QAction *results = action(QStringLiteral("menLastResults"));
    CalcResultsEnabled = results->isEnabled();
    enableCommand(results, SpecialResultsEnabled);
    enableKey(QStringLiteral("Results"), SpecialResultsEnabled);

    m_state.CalcMode = 0;

    // Frames go away before others appear, so the window never has to grow for a moment.
    FrameStartEnd->setVisible(false);
    FrameEmitters->setVisible(false);
    Frame7->setVisible(false);
    Frame12->setVisible(false);
    FrameConcUnits->setVisible(false);
    m_streetRow->setVisible(false);
    Frame1->setTitle(QStringLiteral("Wind speed and Wind direction"));
    Frame1->setVisible(true);
    Frame5->setVisible(true);
    Frame5->setEnabled(true);
    frmboxStreet3D->setEnabled(true);
    placeStreetFrame(true);
    placeFrame3(true);
    showTrafficOfMode();

    action(QStringLiteral("btnGeneric"))->setChecked(true);
    action(QStringLiteral("btnSeries"))->setChecked(false);
    btnRun->setEnabled(static_cast<bool>(runSpecialMode));
    btnRun->setToolTip(
        runSpecialMode
            ? QString()
            : QStringLiteral("Special Mode runs are not available in this version of the program."));
    btnEditWind->setEnabled(true);
    btnEndEditWind->setEnabled(false);
    btnCancelEditWind->setEnabled(false);
    frmboxStreet3D->setVisible(true);

    for (const char *name : {"menNewTrfFile", "menOpenVehicleList", "menOpenFuelList", "menConcUnit"}) {
        action(QString::fromLatin1(name))->setVisible(false);
    }
    setMenuVisible(menu(QStringLiteral("menBackground")), false);
    setMenuVisible(menu(QStringLiteral("menView")), false);
    for (const char *name : {"menOpenTrf", "menEditTarvik", "menEmission"}) {
        action(QString::fromLatin1(name))->setVisible(true);
    }
    enableCommand(action(QStringLiteral("menGraphic")), true);
    setMenuEnabled(menu(QStringLiteral("menSettings")), false);
    cmbCountry->setVisible(false);

    enableKey(QStringLiteral("Graph"), true);
    enableKey(QStringLiteral("Fleet"), false);
    enableKey(QStringLiteral("Fuel"), false);
    enableKey(QStringLiteral("Tarvik"), true);
    enableKey(QStringLiteral("VLF"), false);
    enableKey(QStringLiteral("FLF"), false);
    enableKey(QStringLiteral("Units"), false);
    enableKey(QStringLiteral("Traffic"), true);
    enableKey(QStringLiteral("TrafficNow"), false);
    enableKey(QStringLiteral("SetTRF"), false);

    btnReturnStd->setText(QStringLiteral("Close Special"));
    btnReturnStd->setVisible(true);
    Form_Resize(); // the frame holds other frames, and the mode button another caption
    refreshDisabledReasons();
}

void frmRun::btnSeries_Click() {
    QString caption = windowTitle();
    caption.replace(QStringLiteral("Special Mode"), QStringLiteral("Calculation"), Qt::CaseInsensitive);
    setWindowTitle(caption);
    m_state.CalcMode = 1;

    QAction *results = action(QStringLiteral("menLastResults"));
    SpecialResultsEnabled = results->isEnabled();
    enableCommand(results, CalcResultsEnabled);
    enableKey(QStringLiteral("Results"), CalcResultsEnabled);

    const bool startAuto = chkStartAuto->isChecked();
    setBoxEnabled(mEditStart, !startAuto);
    setBoxEnabled(txtHourStart, !startAuto);
    const bool endAuto = chkEndAuto->isChecked();
    setBoxEnabled(mEditEnd, !endAuto);
    setBoxEnabled(txtHourEnd, !endAuto);

    Frame1->setVisible(false);
    Frame5->setVisible(false);
    Frame5->setEnabled(false);
    frmboxStreet3D->setVisible(false);
    frmboxStreet3D->setEnabled(false);
    Frame1->setTitle(QStringLiteral("Date and hour"));
    placeStreetFrame(false);
    placeFrame3(false);
    showTrafficOfMode();
    FrameStartEnd->setVisible(true);
    FrameEmitters->setVisible(true);
    Frame7->setVisible(true);
    Frame12->setVisible(true);
    FrameConcUnits->setVisible(true);
    m_streetRow->setVisible(true);

    if (!m_state.RouteMode && !m_state.MultiStreetMode) {
        trafficRefresh();
    }
    enableKey(QStringLiteral("TrafficNow"), !m_state.TrafficFile.empty());

    action(QStringLiteral("btnSeries"))->setChecked(true);
    action(QStringLiteral("btnGeneric"))->setChecked(false);
    frmboxStreet3D->setVisible(false);
    frmboxStreet3D->setEnabled(false);

    applyRunButtonRule();

    action(QStringLiteral("menNewTrfFile"))->setVisible(true);
    action(QStringLiteral("menConcUnit"))->setVisible(true);
    setMenuVisible(menu(QStringLiteral("menBackground")), true);
    enableCommand(action(QStringLiteral("menModBackg")), !noUrbEmiData());
    action(QStringLiteral("menOpenVehicleList"))->setVisible(true);
    action(QStringLiteral("menOpenFuelList"))->setVisible(true);
    setMenuVisible(menu(QStringLiteral("menView")), true);
    action(QStringLiteral("menEmission"))->setVisible(false);
    action(QStringLiteral("menOpenTrf"))->setVisible(true);
    action(QStringLiteral("menEditTarvik"))->setVisible(true);
    // The graphs plot the Special Mode results of the project's one street.
    enableCommand(action(QStringLiteral("menGraphic")), specialModeAllowed());
    cmbCountry->setVisible(true);
    cmbCountry->locked = true;
    setMenuEnabled(menu(QStringLiteral("menSettings")), false);

    enableKey(QStringLiteral("Graph"), specialModeAllowed());
    enableKey(QStringLiteral("Fleet"), !m_state.VehicleListFile.empty());
    enableKey(QStringLiteral("Fuel"), !m_state.FuelListFile.empty());
    enableKey(QStringLiteral("Tarvik"), true);
    enableKey(QStringLiteral("VLF"), true);
    enableKey(QStringLiteral("FLF"), true);
    enableKey(QStringLiteral("Units"), true);
    enableKey(QStringLiteral("Traffic"), true);
    enableKey(QStringLiteral("SetTRF"), true);
    btnReturnStd->setText(QStringLiteral("Start Special"));
    btnReturnStd->setVisible(true);

    btnFormatFile->setEnabled(false);
    btnAddFile->setEnabled(false);
    btnChangeFile->setEnabled(false);
    btnRemove->setEnabled(false);
    enableModeMenu(true);
    btnReturnStd->setEnabled(specialModeAllowed());
    action(QStringLiteral("btnGeneric"))->setEnabled(specialModeAllowed());
    Label3->setText(QStringLiteral("Trf.File:"));
    for (int k : {2, 3, 4}) {
        List1[k]->setEnabled(true);
    }
    enableCommand(action(QStringLiteral("menNewTrfFile")), true);

    QAction *street = action(QStringLiteral("menEditStreetConfiguration"));
    QAction *streetKey = toolbarKey(QStringLiteral("Street"));
    if (!m_state.RouteMode && !m_state.MultiStreetMode) {
        street->setText(QStringLiteral("Set Street Configuration"));
        streetKey->setText(QStringLiteral("Street"));
        setCommandTip(streetKey, QStringLiteral("Set Street Configuration"));
    }
    QString shown;
    if (m_state.RouteMode) {
        m_state.CalcPerc = false;
        m_state.CalcRun8 = false;
        m_state.CalcDaily = false;
        m_state.ShowResultsAuto = false;
        street->setText(QStringLiteral("Set Route Data File"));
        setCommandTip(streetKey, QStringLiteral("Set Route Data File"));
        streetKey->setText(QStringLiteral("Route"));
        Label3->setText(QStringLiteral("Route File:"));
        List1[4]->setEnabled(false);
        shown = workInputLabel(m_state.RouteFile);
    }
    if (m_state.MultiStreetMode) {
        street->setText(QStringLiteral("Set Streets Data File"));
        setCommandTip(streetKey, QStringLiteral("Set Streets Data File"));
        streetKey->setText(QStringLiteral("Streets"));
        Label3->setText(QStringLiteral("Streets File:"));
        List1[2]->setEnabled(false);
        shown = workInputLabel(m_state.StreetsFile);
    }
    if (m_state.RouteMode || m_state.MultiStreetMode) {
        setMenuEnabled(menu(QStringLiteral("menMode")), false);
        btnReturnStd->setEnabled(false);
        enableCommand(action(QStringLiteral("menNewTrfFile")), false);
        enableKey(QStringLiteral("SetTRF"), false);
        List1[3]->setEnabled(false);
        Label4->setText(shown);
        Label4->setToolTip(shown);
    }
    Form_Resize();
    refreshDisabledReasons();
}

bool frmRun::specialModeAllowed() const {
    return !m_state.RouteMode && !m_state.MultiStreetMode;
}

void frmRun::enableModeMenu(bool on) {
    setMenuEnabled(menu(QStringLiteral("menMode")), on && specialModeAllowed());
}

void frmRun::btnReturnStd_Click() {
    if (m_state.CalcMode == 1) {
        btnGeneric_Click();
    } else if (m_state.CalcMode == 0) {
        btnSeries_Click();
    }
}

// ---- Run control ----------------------------------------------------------------

bool frmRun::isRunning() const {
    return m_runThread != nullptr;
}

void frmRun::btnRun_Click() {
    if (isRunning()) {
        return;
    }
    // The boxes are checked again before anything starts: a wrong value never runs as 0
    // or as the last valid value of its box.
    if (m_state.CalcMode == 0 && m_state.WindEditMode != 0) {
        m_interaction.message("The calculation cannot start while the wind values are edited: press End Edit "
                              "or Cancel first.",
                              Icon::Exclamation);
        return;
    }
    QLineEdit *invalid = nullptr;
    const QString refusal = invalidBoxBeforeRun(&invalid);
    if (invalid) {
        m_interaction.message(refusal.toStdString(), Icon::Critical);
        invalid->setFocus();
        return;
    }
    m_state.DateError = false;
    m_state.HourError = false;
    const RunEntry &entry = m_state.CalcMode == 0 ? runSpecialMode : runCalculation;
    if (!entry || (m_state.CalcMode != 0 && m_state.CalcMode != 1)) {
        return;
    }
    if (m_state.CalcMode == 1) {
        copyPeriodToState();
    }

    btnRun->setEnabled(false);
    btnPause->setEnabled(true);
    btnStop->setEnabled(true);
    setMenuEnabled(menu(QStringLiteral("menMode")), false);
    setMenuEnabled(menu(QStringLiteral("menFile")), false);
    setMenuEnabled(menu(QStringLiteral("menProject")), false);
    if (m_state.CalcMode == 1) {
        setMenuEnabled(menu(QStringLiteral("menBackground")), false);
        setMenuEnabled(menu(QStringLiteral("menView")), false);
        FrameStartEnd->setVisible(false);
        Frame1->setVisible(true);
    }
    setMenuEnabled(menu(QStringLiteral("menTools")), false);
    Toolbar1->setEnabled(false);
    lockRunInputs(true);
    setCursor(Qt::BusyCursor); // busy, yet Pause and Stop answer
    if (m_state.CalcMode == 0) {
        btnEditWind->setEnabled(false);
        btnEndEditWind->setEnabled(false);
    }

    Text0[1]->setVisible(true);
    Text0[2]->setVisible(true);
    m_control.reset();
    PauseRequested = false;
    StopRequested = false;
    clearRunStatus();
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(true);
    lblProgress->setText(QStringLiteral("Running..."));
    m_runThread = new RunThread(entry, m_state, m_control, m_interaction, this);
    m_runThread->changeStatFile = [this](int k) { return defineStatTable(k); };
    connect(m_runThread, &RunThread::progressed, this, &frmRun::showProgress, Qt::QueuedConnection);
    connect(m_runThread, &RunThread::hourShown, this, &frmRun::showHour, Qt::QueuedConnection);
    connect(m_runThread, &QThread::finished, this, &frmRun::runFinished, Qt::QueuedConnection);
    m_runThread->start();
    refreshDisabledReasons();
}

void frmRun::showProgress(double fraction, const QString &text) {
    ProgressBar1->setValue(static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 1000)));
    // A text "speed<tab>direction" goes into the two value boxes; a day
    // report "date|hour" moves only the bar (the boxes follow showHour); any
    // other text (the street being calculated) goes into the status line.
    const QStringList parts = text.split(QLatin1Char('\t'));
    if (parts.size() == 2) {
        Text0[1]->setText(parts[0]);
        Text0[2]->setText(parts[1]);
    } else if (!text.isEmpty() && !text.contains(QLatin1Char('|'))) {
        lblProgress->setText(displayText(text));
    }
}

void frmRun::showHour(int day, int month, int hour) {
    Text0[1]->setText(QStringLiteral("%1/%2").arg(day).arg(month));
    Text0[2]->setText(QString::number(hour));
}

void frmRun::clearRunStatus() {
    lblProgress->clear();
    Text0[1]->clear();
    Text0[2]->clear();
}

void frmRun::runFinished() {
    RunThread *thread = m_runThread;
    if (!thread) {
        return;
    }
    thread->wait();
    const bool ok = thread->succeeded();
    const std::string error = thread->error();
    const bool stopped = thread->stopped();
    const std::string lastDone = thread->lastDone();
    m_runThread = nullptr;
    thread->deleteLater();

    unlockAfterRun();
    PauseRequested = false;
    StopRequested = false;
    m_control.reset();
    if (stopped) {
        // A stopped run is never mistaken for a full one: the status names
        // the last hour computed (or says that nothing was written).
        lblProgress->setText(
            lastDone.empty()
                ? QStringLiteral("The calculation was stopped while paused; no result file was changed.")
                : QStringLiteral("The calculation was stopped after %1.").arg(displayText(lastDone)));
    } else if (ok) {
        lblProgress->setText(QStringLiteral("The calculation has ended."));
        QApplication::beep();
        if (m_state.CalcMode == 0) {
            // The Special Mode results are there to be looked at.
            enableCommand(action(QStringLiteral("menLastResults")), true);
            enableKey(QStringLiteral("Results"), true);
        }
    } else {
        lblProgress->setText(QStringLiteral("The calculation did not reach its end."));
        if (!error.empty()) {
            m_interaction.message(error, Icon::Critical);
        }
    }
    if (m_state.CalcMode == 0) {
        // Its summary and graphs stay where it wrote them, even if the project is saved elsewhere.
        m_state.SpecialResultsDir = m_state.WorkDir;
    }
    refreshGraphs(); // also after a failed run: what it rewrote is drawn again
    if (m_state.CalcMode == 1) {
        UpdateProjectDisplay();
        applyRunButtonRule();
        if (ok) {
            resultsAfterRun();
        }
    }
    refreshDisabledReasons();
}

void frmRun::waitForRun() {
    while (m_runThread) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

void frmRun::btnPause_Click() {
    PauseRequested = true;
    m_control.requestPause();
    btnContinue->setEnabled(true);
    setMenuEnabled(menu(QStringLiteral("menView")), true);
    enableCommand(action(QStringLiteral("menLastResults")), false);
    enableKey(QStringLiteral("Results"), false);
    lblProgress->setText(QStringLiteral("Paused"));
}

void frmRun::btnContinue_Click() {
    PauseRequested = false;
    m_control.requestContinue();
    btnContinue->setEnabled(false);
    if (m_state.CalcMode == 1) {
        setMenuEnabled(menu(QStringLiteral("menView")), false);
    }
    lblProgress->setText(QStringLiteral("Running..."));
}

void frmRun::btnStop_Click() {
    StopRequested = true;
    m_control.requestStop();
    btnStop->setEnabled(false);
    btnPause->setEnabled(false);
    btnContinue->setEnabled(false);
    if (isRunning()) {
        // The run finishes its hour and writes its files (a paused one ends at
        // once) on its own thread: the window stays locked until it has
        // returned, so that nothing changes what it is still writing.
        lblProgress->setText(QStringLiteral("Stopping..."));
        return;
    }
    unlockAfterRun();
}

void frmRun::lockRunInputs(bool locked) {
    cmbCountry->setEnabled(!locked);
    Frame7->setEnabled(!locked);
    Frame12->setEnabled(!locked);
    m_streetTraffic->setEnabled(!locked);
    // A list editor may save a list and make it the project's, which sets the
    // emissions up again: not under a run that computes with them, paused or not.
    enableCommand(action(QStringLiteral("menEditVehicleList")), !locked && !m_state.VehicleListFile.empty());
    enableCommand(action(QStringLiteral("menEditFuelList")), !locked && !m_state.FuelListFile.empty());
}

void frmRun::unlockAfterRun() {
    // Whichever way the run ended (at its end, stopped, stopped while paused
    // or failed), every control it locked is given back.
    btnStop->setEnabled(false);
    btnRun->setEnabled(true);
    btnPause->setEnabled(false);
    btnContinue->setEnabled(false);
    enableModeMenu(true);
    if (m_state.CalcMode == 1) {
        Frame1->setVisible(false);
        FrameStartEnd->setVisible(true);
    }
    Text0[1]->setVisible(m_state.CalcMode == 0);
    Text0[2]->setVisible(m_state.CalcMode == 0);
    btnEditWind->setEnabled(true);
    setMenuEnabled(menu(QStringLiteral("menFile")), true);
    setMenuEnabled(menu(QStringLiteral("menProject")), true);
    setMenuEnabled(menu(QStringLiteral("menView")), true);
    setMenuEnabled(menu(QStringLiteral("menTools")), true);
    setMenuEnabled(menu(QStringLiteral("menBackground")), true);
    Toolbar1->setEnabled(true);
    lockRunInputs(false);
    ProgressBar1->setVisible(false);
    unsetCursor();
}

} // namespace vesk::ui
