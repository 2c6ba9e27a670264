// The traffic file, the vehicle and fuel lists and the two tool programs:
// the main window's calls of the traffic editor and the list editor, the
// choice of the list files, and the emission-factor and traffic editor
// programs it starts as processes of their own.

#include "ui/common/EngineState.h"

#include "calc/DayCases.h"
#include "calc/EmissionSetup.h"
#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "project/CommandLine.h"
#include "project/FileLists.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/editors/EditorComponents.h"
#include "ui/inputdef/frmTextEditor.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>

namespace vesk::ui {

namespace {

QString qs(const std::string &s) {
    return QString::fromStdString(s);
}

QString numberText(double v) {
    return QString::fromStdString(formatNumber(v));
}

// Two stored list names name the same file: ".\" stands for the national
// lists folder and names inside the working folder are stored without it.
bool sameListFile(const State &s, const std::string &a, const std::string &b) {
    return iequals(resolveStoredName(a, s.WorkDir, s.ListsDir), resolveStoredName(b, s.WorkDir, s.ListsDir));
}

} // namespace

// ---- Traffic file --------------------------------------------------------------------------

void frmRun::menEditTrf_Click() {
    if (m_state.ReadTrafficOnly) {
        // Another traffic file: edits of the one before are no longer the project's.
        m_state.ReadTrafficOnly = false;
        m_state.TrafficFileSaved = true;
        m_state.TrafficFileOpened = false;
        m_state.TrafficEdited = false;
        std::string error;
        if (!ReadTrafficProperties(m_state, &error)) {
            // The file stays the project's traffic file; the run refuses it again.
            m_interaction.message(error, Icon::Exclamation);
        }
        return;
    }
    if (m_state.TrafficFile.empty() ||
        refuseDriveLetterName(m_interaction, m_state.TrafficFile, "the traffic file")) {
        return;
    }
    const std::string fullPath = trafficFilePath(m_state);
    std::string path = fullPath;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RenewEmissions = m_state.EmissionReady;
    TrafficEditData = mainWindowTrafficData(m_state.TrafficFileLoaded, m_state.TrafficSpeedDefault,
                                            &m_state.EmissionComponent);
    // While a run is paused its traffic is only shown.
    TrafficEditData.ReadOnly = isRunning();
    // Fleet data of a user year that exist only in memory are marked for the editor.
    std::string vehicleList = m_state.VehicleListFile;
    if (m_state.ScenarioYearText.find('[') != std::string::npos &&
        m_state.LoadedScenarioYear != m_state.UnsavedFleetYear) {
        vehicleList += "!";
    }
    std::string fuelList = m_state.FuelListFile;
    int year = m_state.ScenarioYear;
    m_state.ModelEnv.WorkDir = m_state.WorkDir;

    TrafficEditorComponent editor(m_interaction, this);
    editor.run = runTrafficEditor;
    editor.EditTrafficFile(path, static_cast<float>(m_state.AverageTrafficSpeed),
                           static_cast<float>(m_state.AnnualDiurnalTraffic), vehicleList, fuelList, year,
                           m_state.ModelEnv, TrafficEditData, RenewEmissions);
    QApplication::restoreOverrideCursor();

    if (TrafficEditData.FleetChanged) {
        m_state.ProjectChanged = true;
        if (!vehicleList.empty() && vehicleList.back() == '!') {
            vehicleList.pop_back();
        }
        m_state.VehicleListFile = vehicleList;
        m_state.FuelListFile = fuelList;
        m_state.ScenarioYear = year;
        showListFiles();
        const bool was = m_state.ProjectLoaded;
        m_state.ProjectLoaded = false;
        const int found = cmbYear->findText(QString::number(year), Qt::MatchFixedString);
        if (found >= 0) {
            cmbYear->setCurrentIndex(found);
        }
        m_state.ProjectLoaded = was;
    }
    if (TrafficEditData.Saved) {
        m_state.TrafficFileSaved = true;
    }
    if (TrafficEditData.Opened) {
        m_state.TrafficFileOpened = true;
    }
    if (TrafficEditData.Changed) {
        // The editor handed the traffic to the emission component: the next run computes with it.
        if (path != fullPath) {
            // Opened or saved under another name: the project names the traffic it computes with.
            std::string error;
            if (changeFile(m_state, 3, 0, storedNameFor(path, m_state.WorkDir, m_state.TrafficDir), &error)) {
                fillFileList(3);
                trafficRefresh();
                m_state.ProjectChanged = true;
            } else {
                m_interaction.message(error, Icon::Critical);
            }
        }
        m_state.TrafficFileSaved = TrafficEditData.Saved;
        const TrafficAll &all = m_state.EmissionComponent.TrafficList.All;
        if (txtSpeed->isEnabled()) {
            txtSpeed->setText(numberText(all.AverageTrafficSpeed));
        }
        if (txtADT->isEnabled()) {
            txtADT->setText(numberText(all.AnnualDiurnalTraffic));
        }
        CopyTrafficProperties(m_state);
        m_state.TrafficFileLoaded = true;
        m_state.TrafficEdited = true;
        UpdateProjectDisplay();
    }
    if (RenewEmissions) {
        m_state.EmissionReady = false;
        setUpEmissions();
    }
}

bool frmRun::saveTrafficFileThroughEditor() {
    menEditTrf_Click();
    return TrafficEditData.Saved;
}

void frmRun::menNewTrfFile_Click() {
    m_state.SelectedFileKind = 3;
    FileCheckList *list = List1[3];
    // The traffic file in use is the top item; without one the choice adds the first.
    list->setCurrentRow(0);
    if (list->onlyPlaceholder() || fileCount(m_state, 3) == 0) {
        btnAddFile_Click();
    } else {
        btnChangeFile_Click();
    }
}

void frmRun::menOpenTrf_Click() {
    const std::string vehicles =
        m_state.VehicleListFile.empty() ? m_state.DefaultVehicleListFile : m_state.VehicleListFile;
    const std::string fuels =
        m_state.FuelListFile.empty() ? m_state.DefaultFuelListFile : m_state.FuelListFile;
    if (refuseDriveLetterName(m_interaction, vehicles, "the vehicle list") ||
        refuseDriveLetterName(m_interaction, fuels, "the fuel list")) {
        return; // the program would read it in the folder it was started from
    }
    if (!m_state.ProjectFile.empty()) {
        const Answer a =
            m_interaction.question("The traffic files edited with the Kestal program will not be associated "
                                   "with the current project.",
                                   Buttons::OkCancel, Icon::Information, Answer::Ok);
        if (a == Answer::Cancel) {
            return;
        }
    }
    const int year = m_state.ScenarioYear < 1 ? m_state.CurrentYear : m_state.ScenarioYear;
    startTool({ToolWindow::TrafficEditor, ListFilePath(m_state, vehicles), ListFilePath(m_state, fuels), year,
               m_state.CurrentCountry},
              QStringLiteral("traffic editor"));
}

// ---- Vehicle and fuel lists ----------------------------------------------------------------

void frmRun::showListFiles() {
    const bool fleet = !m_state.VehicleListFile.empty();
    const bool fuel = !m_state.FuelListFile.empty();
    lblFleet[1]->setText(fleet ? qs(ListFilePath(m_state, m_state.VehicleListFile))
                               : QStringLiteral("(missing)"));
    lblFuel[1]->setText(fuel ? qs(ListFilePath(m_state, m_state.FuelListFile)) : QStringLiteral("(missing)"));
    enableCommand(action(QStringLiteral("menEditVehicleList")), fleet);
    enableKey(QStringLiteral("Fleet"), fleet);
    enableCommand(action(QStringLiteral("menEditFuelList")), fuel);
    enableKey(QStringLiteral("Fuel"), fuel);
}

void frmRun::chooseListFile(int kind) {
    const bool vehicles = kind == kVehicleListKind;
    m_state.NewProjectPending = true; // a country change is refused meanwhile
    bool userYearDropped = false;
    if (vehicles && m_state.LoadedScenarioYear == m_state.UnsavedFleetYear) {
        const Answer a = m_interaction.question(
            "The Fleet data for the year " + std::to_string(m_state.LoadedScenarioYear) +
                " are not saved\r\nIf you change the Vehicle List File now, these data will be lost.\r\n"
                "Do you want to change the Vehicle List File anyhow?",
            Buttons::YesNo, Icon::Question, Answer::No);
        if (a != Answer::Yes) {
            m_state.NewProjectPending = false;
            return;
        }
        const int standard = m_state.StdYearCount;
        if (standard < cmbYear->count()) {
            const bool was = m_state.ProjectLoaded;
            m_state.ProjectLoaded = false;
            cmbYear->removeItem(standard);
            m_state.ProjectLoaded = was;
        }
        m_state.ScenarioVehicleFiles.resize(static_cast<size_t>(standard) + 1);
        m_state.ScenarioFuelFiles.resize(static_cast<size_t>(standard) + 1);
        m_state.FleetDataUnsaved = false;
        m_state.UnsavedFleetYear = -100;
        m_state.VehicleListFile = m_state.ScenarioVehicleFiles[static_cast<size_t>(standard)];
        userYearDropped = true;
    }
    std::string &current = vehicles ? m_state.VehicleListFile : m_state.FuelListFile;
    const std::string name = askFileName(
        -1, vehicles ? QStringLiteral("Set the Vehicle List File") : QStringLiteral("Set the Fuel List File"),
        QString(), kind, qs(current));
    if (!name.empty()) {
        if (!iequals(name, current) && !m_state.ProjectFile.empty()) {
            m_state.ProjectChanged = true;
        }
        if (current.empty()) {
            ++m_state.NumFileRecords;
        }
        current = name;
    }
    if (!m_state.VehicleListFile.empty() && !m_state.FuelListFile.empty()) {
        enableCommand(action(QStringLiteral("menEditTarvik")), true);
    }
    enableKey(QStringLiteral("Tarvik"), action(QStringLiteral("menEditTarvik"))->isEnabled());
    showListFiles();
    m_state.NewProjectPending = false;
    if (!name.empty() || userYearDropped) {
        m_state.EmissionReady = false;
        setUpEmissions();
    }
}

void frmRun::menOpenVehicleList_Click() {
    chooseListFile(kVehicleListKind);
}

void frmRun::menOpenFuelList_Click() {
    chooseListFile(kFuelListKind);
}

void frmRun::listEdited(int kind, const std::string &oldName, const std::string &newName, bool saved,
                        long errorCode) {
    const bool vehicles = kind == kVehicleListKind;
    const bool project = !m_state.ProjectFile.empty();
    if (errorCode != 0) {
        m_state.ErrorCode = 0;
        m_state.EmissionReady = false;
        if (!vehicles) {
            return;
        }
    } else {
        // A saved list is read again for the next run.
        m_state.EmissionReady = !saved;
        if (!sameListFile(m_state, oldName, newName)) {
            const Answer a =
                m_interaction.question(std::string(vehicles ? "Do you want the new Vehicle List File"
                                                            : "Do you want the new Fuel List File") +
                                           "\r\n " + newName + "\r\nto be used in the current Project?",
                                       Buttons::YesNo, Icon::Question, Answer::Yes);
            if (a == Answer::Yes) {
                (vehicles ? m_state.VehicleListFile : m_state.FuelListFile) = newName;
                m_state.EmissionReady = false;
                if (project) {
                    m_state.ProjectChanged = true;
                }
                showListFiles();
            }
        }
    }
    const std::string &other = vehicles ? m_state.FuelListFile : m_state.VehicleListFile;
    if (project && !other.empty() && !m_state.EmissionReady) {
        setUpEmissions();
    }
}

void frmRun::menEditVehicleList_Click() {
    const std::string old = m_state.VehicleListFile;
    if (old.find('[') != std::string::npos) {
        m_interaction.message(
            "The currently used Fleet Share data are not saved to a permanent file and can't be "
            "viewed/edited!");
        return;
    }
    if (refuseDriveLetterName(m_interaction, old, "the vehicle list")) {
        return;
    }
    m_state.ModelEnv.WorkDir = m_state.WorkDir;
    std::string path = old;
    bool saved = false;
    long errorCode = 0;
    ListEditorComponent editor(m_interaction, this);
    editor.run = runListEditor;
    editor.EditListFile(path, kVehicleListKind, m_state.ModelEnv, m_state.StVehTypeNames, m_state.StFuelNames,
                        saved, errorCode);
    listEdited(kVehicleListKind, old, path, saved, errorCode);
}

void frmRun::menEditFuelList_Click() {
    const std::string old = m_state.FuelListFile;
    if (old.find('[') != std::string::npos) {
        m_interaction.message(
            "The currently used Fuel data are not saved to a permanent file and can't be viewed/edited!");
        return;
    }
    if (refuseDriveLetterName(m_interaction, old, "the fuel list")) {
        return;
    }
    m_state.ModelEnv.WorkDir = m_state.WorkDir;
    std::string path = old;
    bool saved = false;
    long errorCode = 0;
    ListEditorComponent editor(m_interaction, this);
    editor.run = runListEditor;
    editor.EditListFile(path, kFuelListKind, m_state.ModelEnv, m_state.StVehTypeNames, m_state.StFuelNames,
                        saved, errorCode);
    listEdited(kFuelListKind, old, path, saved, errorCode);
}

// ---- The two programs ----------------------------------------------------------------------

void frmRun::startTool(const ToolCommandLine &line, const QString &what) {
    const QString program = QCoreApplication::applicationFilePath();
    QStringList arguments;
    for (const std::string &argument : toolArguments(line)) {
        arguments << qs(argument);
    }
    const bool started =
        startProgram ? startProgram(program, arguments) : QProcess::startDetached(program, arguments);
    if (!started) {
        m_interaction.message("The " + what.toStdString() + " program could not be started:\r\n" +
                                  program.toStdString(),
                              Icon::Critical);
    }
}

void frmRun::menEditTarvik_Click() {
    std::string vehicles = m_state.VehicleListFile;
    if (vehicles.find('[') != std::string::npos) {
        const Answer a = m_interaction.question(
            "The currently used Fleet Share data are not saved to a permanent file and can't be used with "
            "the "
            "Tarvik program!\r\nDo you want to open this program using default Fleet Share data?",
            Buttons::YesNo, Icon::Question, Answer::Yes);
        if (a != Answer::Yes) {
            return;
        }
        vehicles = m_state.DefaultVehicleListFile;
    }
    if (vehicles.empty()) {
        vehicles = m_state.DefaultVehicleListFile;
    }
    const std::string fuels =
        m_state.FuelListFile.empty() ? m_state.DefaultFuelListFile : m_state.FuelListFile;
    if (refuseDriveLetterName(m_interaction, vehicles, "the vehicle list") ||
        refuseDriveLetterName(m_interaction, fuels, "the fuel list")) {
        return; // the program would read it in the folder it was started from
    }
    const int year = m_state.ScenarioYear < 1 ? m_state.CurrentYear : m_state.ScenarioYear;
    startTool({ToolWindow::EmissionFactors, ListFilePath(m_state, vehicles), ListFilePath(m_state, fuels),
               year, m_state.CurrentCountry},
              QStringLiteral("emission-factor"));
}

// ---- Conditions file -----------------------------------------------------------------------

void frmRun::menEditCNDFile_Click() {
    if (m_state.ConditionsFile.empty()) {
        m_interaction.message("No Conditions File is set for the project.", Icon::Information);
        return;
    }
    if (refuseDriveLetterName(m_interaction, m_state.ConditionsFile, "the conditions file")) {
        return;
    }
    // Where the run reads it.
    const std::string path =
        findStoredInput(m_state.ConditionsFile, m_state.WorkDir, m_state.WorkDir, m_state.AppDir);
    frmTextEditor::edit(path, m_interaction, this);
}

} // namespace vesk::ui
