// The settings dialogs the main window opens: Options, Set Traffic/Emissions
// (Special Mode), Set Concentration Units (also the toolbar key "Units"), the
// reference-list editors of the Settings menu, and the adding of a country
// from the country box.

#include "core/CountryLists.h"
#include "core/Interaction.h"
#include "project/ProjectCountry.h"
#include "ui/common/EngineState.h"
#include "ui/listeditors/frmEditCityTypes.h"
#include "ui/listeditors/frmEditLimitVal.h"
#include "ui/listeditors/frmEditMetBackFiles.h"
#include "ui/listeditors/frmEditPercentiles.h"
#include "ui/listeditors/frmEditPollutants.h"
#include "ui/listeditors/frmEditScenarios.h"
#include "ui/listeditors/frmEditStdTrafficFiles.h"
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

void frmRun::menListEditor_Click(const QString &name) {
    std::unique_ptr<QDialog> editor;
    if (name == QLatin1String("menPollutants")) {
        editor = std::make_unique<frmEditPollutants>(m_state, m_interaction, m_help, this);
    } else if (name == QLatin1String("menPercentiles")) {
        editor = std::make_unique<frmEditPercentiles>(m_state, m_interaction, m_help, this);
    } else if (name == QLatin1String("menLimitVal")) {
        editor = std::make_unique<frmEditLimitVal>(m_state, m_interaction, m_help, this);
    } else if (name == QLatin1String("menMetBackFiles")) {
        editor = std::make_unique<frmEditMetBackFiles>(m_state, m_interaction, m_help, this);
    } else if (name == QLatin1String("menCities")) {
        editor = std::make_unique<frmEditCityTypes>(m_state, m_interaction, m_help, this);
    } else if (name == QLatin1String("menStdTrfFiles")) {
        editor = std::make_unique<frmEditStdTrafficFiles>(m_state, m_interaction, m_help, this);
    } else if (name == QLatin1String("menScenarios")) {
        editor = std::make_unique<frmEditScenarios>(m_state, m_interaction, m_help, this);
    } else {
        return;
    }
    // The Settings menu is open only while no project is: the next project
    // loaded takes the saved lists.
    editor->exec();
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
