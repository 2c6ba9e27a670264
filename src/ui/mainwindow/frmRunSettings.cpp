// The settings dialogs the main window opens: Options, Set Traffic/Emissions
// (Special Mode), Set Concentration Units (also the toolbar key "Units"), and
// the adding of a country from the country box.

#include "core/CountryLists.h"
#include "core/Interaction.h"
#include "project/ProjectCountry.h"
#include "ui/common/EngineState.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/settings/frmConcUnits.h"
#include "ui/settings/frmEmission.h"
#include "ui/settings/frmOptions.h"

namespace vesk::ui {

void frmRun::menOptions_Click() {
    frmOptions dialog(m_state, m_interaction, m_help, this);
    dialog.exec();
}

void frmRun::menEmission_Click() {
    frmEmission dialog(m_state, m_interaction, this);
    dialog.exec();
    showTrafficOfMode();
}

void frmRun::menConcUnit_Click() {
    if (m_state.CitySize < 0) {
        m_state.InputUnitsEditable = true;
    }
    frmConcUnits dialog(m_state, m_interaction, this);
    if (dialog.exec() == QDialog::Accepted) {
        UpdateProjectDisplay(); // the units panel shows the new units
    }
}

bool frmRun::addNewCountryFromBox() {
    const std::string added =
        addCountryFromCountryBox(m_state, m_settings, m_interaction, m_help, this, countryAddingWindows);
    if (added.empty()) {
        return false;
    }
    // The new country takes its place just before "Add New" and becomes current when its lists load.
    const bool was = m_state.ProjectLoaded;
    m_state.ProjectLoaded = false;
    cmbCountry->insertItem(cmbCountry->count() - 1, QString::fromStdString(added));
    cmbCountry->setCurrentIndex(cmbCountry->count() - 2);
    m_state.ProjectLoaded = was;
    std::string listFile;
    return LoadProjectCountryLists(m_state, m_interaction, &listFile, &added);
}

} // namespace vesk::ui
