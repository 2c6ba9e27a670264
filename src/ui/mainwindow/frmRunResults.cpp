// The results commands of the main window: the results summary of the last
// run (also shown at the end of a run when the options ask for it) and the
// saved result files.

#include "ui/common/EngineState.h"

#include "core/Interaction.h"
#include "run/results/StreetResults.h"
#include "ui/common/HelpSystem.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/results/StreetListModel.h"
#include "ui/results/frmMultiStreetResults.h"
#include "ui/results/frmShowResults.h"

#include <QAction>

namespace vesk::ui {

namespace {
constexpr long kCancelled = 32755;
}

void frmRun::showModalWindow(QDialog &window) {
    if (showResultsWindow) {
        showResultsWindow(window);
    } else {
        window.exec();
    }
}

void frmRun::showResultsSummary() {
    if (m_state.MultiStreetMode) {
        showMultiStreetResults(m_state.StreetResults);
        return;
    }
    m_state.OpenSavedResults = false;
    m_state.ResultFileName = m_state.LastResultFile;
    frmShowResults window(m_state, m_interaction, m_settings, this);
    window.showHelp = [this, &window](long context) { m_help->showContext(&window, context); };
    if (window.Form_Load()) {
        showModalWindow(window);
    }
}

void frmRun::menOpenSavedSingle_Click() {
    m_state.OpenSavedResults = true;
    frmShowResults window(m_state, m_interaction, m_settings, this);
    window.showHelp = [this, &window](long context) { m_help->showContext(&window, context); };
    const bool opened = window.Form_Load();
    m_state.OpenSavedResults = false;
    if (opened) {
        showModalWindow(window);
        return;
    }
    if (window.OpenError != kCancelled) {
        m_interaction.message(
            "Can't open the file!\r\n\r\nIt's not an VESK Single Street Result File or the file "
            "is corrupted\r\n\r\n" +
                window.OpenErrorText,
            Icon::Critical);
    }
}

void frmRun::showMultiStreetResults(std::shared_ptr<results::StreetResultsStore> store) {
    if (!store) {
        m_interaction.message("There are no street results of a run to show.", Icon::Information);
        return;
    }
    m_state.OpenSavedResults = false;
    m_state.ResultFileName = m_state.LastResultFile;
    frmMultiStreetResults window(m_state, m_interaction, m_settings, std::move(store), this);
    window.showStreetWindow = [this](QDialog &street) { showModalWindow(street); };
    window.showHelp = [this, &window](long context) { m_help->showContext(&window, context); };
    showModalWindow(window);
    if (m_state.MultiStreetMode && window.model()->store() == m_state.StreetResults) {
        m_state.LastResultFile = window.ResultFileName();
    }
}

void frmRun::menOpenSavedMulti_Click() {
    FileChoice choice;
    choice.title = "Open Saved Results File";
    choice.field = "the results file";
    choice.folder = m_state.WorkDir;
    choice.filters = {"VESK multi-street results (*.msr)|*.msr|All (*.*)|*.*"};
    const std::optional<std::string> path = m_interaction.chooseFile(choice);
    if (!path || path->empty()) {
        return;
    }
    std::string error;
    std::shared_ptr<results::StreetResultsStore> store =
        results::StreetResultsStore::open(*path, m_state, &error);
    if (!store) {
        m_interaction.message("Can't open the file!\r\n\r\n" + error, Icon::Critical);
        return;
    }
    showMultiStreetResults(std::move(store));
}

void frmRun::resultsAfterRun() {
    enableCommand(action(QStringLiteral("menLastResults")), true);
    enableKey(QStringLiteral("Results"), true);
    CalcResultsEnabled = true;
    if (m_state.ShowResultsAuto && !m_stoppingToClose) {
        menLastResults_Click();
    }
}

} // namespace vesk::ui
