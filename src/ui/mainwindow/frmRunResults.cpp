// The results commands of the main window: the results summary of the last
// run (also shown at the end of a run when the options ask for it) and the
// saved result files.

#include "ui/mainwindow/EngineState.h"

#include "core/Interaction.h"
#include "ui/mainwindow/frmRun.h"
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
    m_state.OpenSavedResults = false;
    m_state.ResultFileName = m_state.LastResultFile;
    frmShowResults window(m_state, m_interaction, m_settings, this);
    if (window.Form_Load()) {
        showModalWindow(window);
    }
}

void frmRun::menOpenSavedSingle_Click() {
    m_state.OpenSavedResults = true;
    frmShowResults window(m_state, m_interaction, m_settings, this);
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

void frmRun::resultsAfterRun() {
    if (m_state.MultiStreetMode) {
        return; // the summary of a multi-street run lists its streets (not in this version yet)
    }
    enableCommand(action(QStringLiteral("menLastResults")), true);
    enableKey(QStringLiteral("Results"), true);
    CalcResultsEnabled = true;
    if (m_state.ShowResultsAuto) {
        menLastResults_Click();
    }
}

} // namespace vesk::ui
