// New, Open, Save, Close and Exit: the window's part of going from one
// project to the next. The questions and the file work are the engine's.

#include "ui/common/EngineState.h"

#include "core/CountryLists.h"
#include "core/Interaction.h"
#include "project/Lifecycle.h"
#include "project/OptionFile.h"
#include "project/ProjectFolder.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "project/RecentFiles.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/inputdef/frmNewStreet.h"
#include "ui/inputdef/frmTextEditor.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/settings/frmProjectType.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

namespace vesk::ui {

namespace {
// The answer Yes to the traffic-file question: the traffic editor, where the user saves it.
TrafficFileSaver trafficSaver(frmRun *window) {
    return [window](ProjectState &) { return window->saveTrafficFileThroughEditor(); };
}
} // namespace

void frmRun::forgetResults() {
    // The results of a run belong to the project that ran: another project
    // shows none, nor the run's last word in the status line, until it has run.
    clearRunStatus();
    CalcResultsEnabled = false;
    SpecialResultsEnabled = false;
    m_state.SpecialResultsDir.clear();
    enableCommand(action(QStringLiteral("menLastResults")), false);
    enableKey(QStringLiteral("Results"), false);
}

void frmRun::closeToEmptyState() {
    closeProjectWindows();
    forgetResults();
    m_state.TrailingValue = -1;
    setWindowTitle(QStringLiteral("WinVESK"));
    Frame0->setVisible(false);
    boxLabel->setVisible(true);
    setMenuVisible(menu(QStringLiteral("menProject")), false);
    setMenuVisible(menu(QStringLiteral("menView")), false);
    setMenuVisible(menu(QStringLiteral("menBackground")), false);
    for (const char *name :
         {"menSave", "menSaveAs", "menEditVehicleList", "menEditFuelList", "menEditTrf", "menGraphic"}) {
        enableCommand(action(QString::fromLatin1(name)), false);
    }
    enableCommand(action(QStringLiteral("menEditTarvik")), true);
    for (const char *key : {"Fleet", "Fuel", "SetTRF", "VLF", "FLF", "Units", "TrafficNow", "Save", "Graph",
                            "Street", "Results"}) {
        enableKey(QString::fromLatin1(key), false);
    }
    enableKey(QStringLiteral("Tarvik"), true);
    Frame0->setVisible(false);
    btnReturnStd->setEnabled(false);
    setMenuEnabled(menu(QStringLiteral("menMode")), false);
    enableCommand(action(QStringLiteral("menClose")), false);
    cmbCountry->setEnabled(true);
    cmbCountry->setVisible(true);
    cmbCountry->locked = false;
    setMenuEnabled(menu(QStringLiteral("menSettings")), true);
    lstEmitters->clear();
    for (int k = 1; k <= 4; ++k) {
        List1[k]->showPlaceholder();
    }
    Label22->setVisible(false);
    btnRun->setEnabled(false);
    refreshDisabledReasons();
}

bool frmRun::editDamagedProject(const LoadResult &result) {
    if (!result.editRequested || m_state.ViewFilePath.empty()) {
        return false;
    }
    const std::string path = m_state.ViewFilePath;
    return frmTextEditor::edit(path, m_interaction, this);
}

void frmRun::showStoredNames(const StoredFileNames &shown) {
    if (m_state.ProjectFile.empty() || storedFileNames(m_state) == shown) {
        return;
    }
    fillFileLists();
    showListFiles();
    if (m_state.RouteMode || m_state.MultiStreetMode) {
        Label4->setText(workInputLabel(m_state.RouteMode ? m_state.RouteFile : m_state.StreetsFile));
        Label4->setToolTip(Label4->text());
    }
}

void frmRun::menClose_Click() {
    const StoredFileNames shown = storedFileNames(m_state);
    if (!askSaveQuestions(m_state, m_interaction, ProjectCommand::Close, trafficSaver(this))) {
        showStoredNames(shown); // saved, then a later question cancelled closing
        return;
    }
    closeProject(m_state);
    closeToEmptyState();
}

// Open asks about a changed option file too, as New and Close do: changes
// made to the options of the open project are not lost by opening another
// one. With no project open there is nothing to ask about: a No at Close
// settled it for the project closed.
bool frmRun::askOptionFileBeforeOpen() {
    if (!m_state.OptionFileChanged || m_state.ProjectFile.empty()) {
        return true;
    }
    const bool generate = m_state.NoLocalOptionFile;
    const std::string text =
        generate
            ? "Do you want to generate and save a local Option File in the current Working Directory?\r\n"
              "This Option File will be used for all projects in this Directory."
            : "Do you want to save the changes you made to the local Option File ?";
    if (m_interaction.question(text, Buttons::YesNo, Icon::Question, Answer::No) != Answer::Yes) {
        return true;
    }
    std::string error;
    if (!SaveOptionFile(m_state, localOptionFilePath(m_state), &error)) {
        m_interaction.message("The option file could not be saved.\r\n" + error, Icon::Critical);
        return false;
    }
    m_state.OptionFileChanged = false;
    m_state.NoLocalOptionFile = false;
    return true;
}

void frmRun::menOpen_Click() {
    const StoredFileNames shown = storedFileNames(m_state);
    m_state.NewProjectPending = false;
    const bool questionsDone =
        askSaveQuestions(m_state, m_interaction, ProjectCommand::Open, trafficSaver(this));
    // A save may have given the project another folder; the project stays if no other is opened.
    showStoredNames(shown);
    if (!questionsDone || !askOptionFileBeforeOpen()) {
        return;
    }
    std::string path;
    if (m_state.OpenFromRecent) {
        path = m_state.RecentFilePath;
    } else {
        FileChoice choice;
        choice.title = "Open Project";
        choice.field = "the project file";
        choice.folder = startFolder(m_state, m_settings);
        choice.filters = {
            "VESK Project (*.vkp)|*.vkp|VESK Multi Streets Project (*.vkm)|*.vkm|Text (*.txt)|*.txt|"
            "All (*.*)|*.*"};
        const auto picked = m_interaction.chooseFile(choice);
        if (!picked) {
            return;
        }
        if (!QFileInfo::exists(QString::fromStdString(*picked))) {
            m_interaction.message("Can´t open the file", Icon::Critical);
            return;
        }
        path = *picked;
    }
    closeProjectWindows();
    lstEmitters->clear();
    forgetResults();
    LoadResult result = openProject(m_state, m_interaction, path);
    while (result.outcome != LoadOutcome::Loaded && editDamagedProject(result)) {
        result = openProject(m_state, m_interaction, path);
    }
    refreshMRUMenu();
    if (result.outcome != LoadOutcome::Loaded) {
        m_state.ProjectChanged = false;
        closeToEmptyState();
        return;
    }
    doEvents();
    showProjectLoaded();
    setUpEmissions();
    m_state.ProjectChanged = false;
}

void frmRun::menNew_Click() {
    m_state.NewProjectPending = false;
    const StoredFileNames shown = storedFileNames(m_state);
    const bool questionsDone =
        askSaveQuestions(m_state, m_interaction, ProjectCommand::New, trafficSaver(this));
    showStoredNames(shown); // the project stays until the new one is made
    if (!questionsDone) {
        return;
    }
    std::string folder;
    for (;;) {
        FileChooserContext context;
        context.SelectedFileKind = 0;
        context.WorkDir = m_state.WorkDir;
        context.LastPath = startFolder(m_state, m_settings);
        std::string chosen;
        if (chooseFileName) {
            chosen = chooseFileName(0, QStringLiteral("Select Working Directory"), QString());
        } else {
            frmNewFileName dialog(context, m_interaction, this);
            dialog.setWindowTitle(QStringLiteral("Select Working Directory"));
            dialog.setName(QString::fromStdString(context.LastPath));
            dialog.exec();
            chosen = dialog.NewFileName;
        }
        if (chosen.empty()) {
            return;
        }
        // A folder typed without its path lies in the folder the field offered.
        if (checkWorkingFolder(chosen, context.LastPath, m_interaction, &folder) == FolderCheck::Accepted) {
            break;
        }
    }
    closeProjectWindows();
    const LoadResult result = newProjectFromTemplate(m_state, m_interaction, folder);
    KeptTrafficValues = {0, 0}; // the traffic boxes start from the template's values too
    Frame0->setVisible(false);
    bool cancelled = result.outcome != LoadOutcome::Loaded || m_state.ProjectFile.empty();
    if (!cancelled) {
        setWindowTitle(QStringLiteral("WinVESK Calculation [untitled]"));
        forgetResults();
        m_state.MultiStreetMode = false;
        m_state.RouteMode = false;
        frmProjectType kind(m_state.MultiStreetMode, m_state.RouteMode, m_state.ProjectTypeCancelled, m_help,
                            this);
        kind.exec();
        cancelled = m_state.ProjectTypeCancelled;
        if (!cancelled) {
            cancelled = showNewStreetDialog ? !showNewStreetDialog()
                                            : !frmNewStreet::create(m_state, m_interaction, m_help, this);
        }
    }
    m_state.TrafficFileLoaded = false;
    m_state.TrafficReloadNeeded = false;
    if (cancelled) {
        m_state.NewProjectPending = true;
        closeProject(m_state);
        closeToEmptyState();
        return;
    }
    showProjectLoaded();
    setUpEmissions();
    setWindowTitle(QString::fromStdString(windowCaption(m_state)));
}

void frmRun::menSave_Click() {
    const StoredFileNames shown = storedFileNames(m_state);
    if (saveProject(m_state, m_interaction) == SaveResult::Saved) {
        m_state.ProjectName = m_state.ProjectFile;
        setWindowTitle(QString::fromStdString(windowCaption(m_state)));
        refreshMRUMenu();
    }
    showStoredNames(shown);
}

void frmRun::menSaveAs_Click() {
    const StoredFileNames shown = storedFileNames(m_state);
    if (saveProjectAs(m_state, m_interaction) == SaveResult::Saved) {
        m_state.ProjectName = m_state.ProjectFile;
        setWindowTitle(QString::fromStdString(windowCaption(m_state)));
        refreshMRUMenu();
    }
    showStoredNames(shown);
}

void frmRun::menExit_Click() {
    close();
}

bool frmRun::Form_Unload() {
    const StoredFileNames shown = storedFileNames(m_state);
    const bool unloaded =
        unloadProgram(m_state, m_interaction, m_settings, trafficSaver(this),
                      [](ProjectState &s, std::string *error) { return SaveCountriesIni(s, error); });
    if (!unloaded) {
        showStoredNames(shown); // the window stays
    }
    return unloaded;
}

} // namespace vesk::ui
