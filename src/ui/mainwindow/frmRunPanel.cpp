// The street data panel, the recent-files menu, the country box and the
// small commands of the Project and Settings menus.

#include "ui/common/EngineState.h"

#include "calc/EmissionSetup.h"
#include "core/CountryLists.h"
#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "project/CommandLine.h"
#include "project/InitProgram.h"
#include "project/ProjectCountry.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "project/RecentFiles.h"
#include "ui/common/HelpSystem.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/settings/frmCountries.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>

namespace vesk::ui {

namespace {
bool sameText(const std::string &a, const std::string &b) {
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}
} // namespace

// ---- Street data panel ---------------------------------------------------------------------

void frmRun::txtTraffic_Edited(int which) {
    // Only a valid value is taken; every user edit marks the project changed.
    QLineEdit *box = which == 0 ? txtADT : txtSpeed;
    double &value = which == 0 ? m_state.AnnualDiurnalTraffic : m_state.AverageTrafficSpeed;
    m_state.ProjectChanged = true;
    if (!m_trafficTyped[static_cast<std::size_t>(which)]) {
        m_trafficTyped[static_cast<std::size_t>(which)] = true;
        m_trafficBeforeTyping[static_cast<std::size_t>(which)] = value;
    }
    const auto v = parseNumber(box->text().trimmed().toStdString());
    if (v && *v > 0) {
        value = *v;
    }
}

bool frmRun::txtTraffic_LostFocus(int which) {
    QLineEdit *box = which == 0 ? txtADT : txtSpeed;
    if (!box->isEnabled()) {
        return true;
    }
    const auto v = parseNumber(box->text().trimmed().toStdString());
    if (!v || *v <= 0) {
        // The wrong value is not stored: the last valid one stays.
        if (runWillNameTheBox()) {
            return false;
        }
        m_interaction.message("The value must be > 0", Icon::Critical);
        box->setFocus();
        return false;
    }
    // Leaving the box reads the traffic file again with the new value, the next
    // run only: a box left as it was (the focus moved to a menu, a message or
    // another window, or on) keeps the traffic loaded, and with it what the
    // traffic editor kept for the project's calculations.
    double &value = which == 0 ? m_state.AnnualDiurnalTraffic : m_state.AverageTrafficSpeed;
    const auto w = static_cast<std::size_t>(which);
    const double before = m_trafficTyped[w] ? m_trafficBeforeTyping[w] : value;
    m_trafficTyped[w] = false;
    value = *v;
    if (*v != before) {
        m_state.TrafficFileLoaded = false;
    }
    return true;
}

void frmRun::cmbCitySize_Click(int index) {
    if (CityListFilling || index < 0) {
        return;
    }
    m_state.CitySize = index + 1;
    m_state.ProjectChanged = true;
}

void frmRun::cmbYear_Click(int index) {
    if (!m_state.ProjectLoaded || index < 0) {
        return;
    }
    const YearBoxChange change =
        ChangeScenarioYear(m_state, m_interaction, cmbYear->itemText(index).toStdString(), index);
    const bool was = m_state.ProjectLoaded;
    m_state.ProjectLoaded = false;
    if (change.removeUserYearEntry && m_state.StdYearCount < cmbYear->count()) {
        cmbYear->removeItem(m_state.StdYearCount);
    }
    if (change.reselectLoadedYear) {
        const int found = cmbYear->findText(QStringLiteral("[%1]").arg(m_state.LoadedScenarioYear));
        if (found >= 0) {
            cmbYear->setCurrentIndex(found);
        }
    }
    m_state.ProjectLoaded = was;
    if (change.Changed) {
        // The next run computes the emissions of the year chosen.
        m_state.ProjectChanged = true;
        showListFiles();
        // The chosen year's vehicle and fuel lists are read for the next run.
        m_state.EmissionReady = false;
        setUpEmissions();
        UpdateProjectDisplay();
    }
}

// ---- Recent files ---------------------------------------------------------------------------

void frmRun::refreshMRUMenu() {
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        QAction *a = action(QStringLiteral("menMRU_%1").arg(i));
        const bool used = i <= m_state.MRULastIndex;
        a->setVisible(used);
        if (used) {
            a->setText(QString::fromStdString(MRUCaption(m_state, i)));
            any = true;
        }
    }
    action(QStringLiteral("menMRUSeparator"))->setVisible(any);
}

void frmRun::menMRU_Click(int index) {
    if (index < 0 || index > m_state.MRULastIndex) {
        return;
    }
    const std::string path = m_state.MRUFiles[index];
    MoveMRUToTop(m_state, path, index);
    refreshMRUMenu();
    m_state.RecentFilePath = path;
    m_state.OpenFromRecent = true;
    menOpen_Click();
    m_state.OpenFromRecent = false;
}

// ---- Country box -----------------------------------------------------------------------------

void frmRun::cmbCountry_DropDownRefused() {
    m_interaction.message("The Country settings cannot be changed when a project is active!\n"
                          "You must close the project in order to be able to change the Country settings.",
                          Icon::Information);
    if (btnHelp->isEnabled()) {
        btnHelp->setFocus();
    }
}

void frmRun::cmbCountry_Click(int index) {
    if (!m_state.ProjectLoaded || index < 0) {
        return;
    }
    doEvents();
    const std::string chosen = cmbCountry->itemText(index).toStdString();
    auto reselect = [this] {
        const bool was = m_state.ProjectLoaded;
        m_state.ProjectLoaded = false;
        const int found =
            cmbCountry->findText(QString::fromStdString(m_state.LoadedCountry), Qt::MatchFixedString);
        cmbCountry->setCurrentIndex(found);
        m_state.ProjectLoaded = was;
    };
    if (sameText(chosen, "Add New")) {
        if (!addNewCountryFromBox()) {
            reselect();
        }
    } else {
        std::string listFile;
        if (!LoadProjectCountryLists(m_state, m_interaction, &listFile, &chosen)) {
            reselect();
        }
    }
    CountryClicked = true;
}

// ---- Settings and project menu commands --------------------------------------------------------

void frmRun::menRefresh_Click() {
    std::string listFile;
    std::string error;
    if (!LoadProjectCountryLists(m_state, m_interaction, &listFile, nullptr, &error) ||
        m_state.ErrorCode != 0) {
        m_interaction.message("An error occured during refreshing of the program settings!\n" +
                                  std::to_string(m_state.ErrorCode),
                              Icon::Critical);
        m_state.ErrorCode = 0;
    }
}

void frmRun::menSetCNDFile_Click() {
    FileChoice choice;
    choice.title = "Set Conditions File";
    choice.field = "the conditions file";
    choice.folder = m_state.WorkDir;
    choice.fileName = fileNamePart(m_state.ConditionsFile);
    choice.filters = {"Conditions File (*.cnd)|*.cnd|All (*.*)|*.*"};
    const auto picked = m_interaction.chooseFile(choice);
    if (!picked) {
        return;
    }
    const std::string stored = storedNameFor(*picked, m_state.WorkDir);
    if (!sameStoredName(stored, m_state.ConditionsFile, m_state.WorkDir)) {
        m_state.ProjectChanged = true;
    }
    m_state.ConditionsFile = stored;
}

void frmRun::menInpBackg_Click() {
    QAction *inp = action(QStringLiteral("menInpBackg"));
    QAction *mod = action(QStringLiteral("menModBackg"));
    if (!inp->isChecked()) { // it was checked already: the click toggled it off
        inp->setChecked(true);
        return;
    }
    mod->setChecked(false);
    if (!cmbCitySize->isEnabled()) {
        return;
    }
    const Answer a = m_interaction.question("Urban Background Concentrations must be available as input\n"
                                            "Do you want to continue with this option?",
                                            Buttons::YesNo, Icon::Question, Answer::Yes);
    if (a != Answer::Yes) {
        inp->setChecked(false);
        mod->setChecked(true);
        return;
    }
    m_state.CitySize = -1;
    CityListFilling = true;
    cmbCitySize->clear();
    cmbCitySize->addItem(QStringLiteral("Non applicable"));
    cmbCitySize->setCurrentIndex(0);
    cmbCitySize->setEnabled(false);
    CityListFilling = false;
    m_state.ProjectChanged = true;
}

} // namespace vesk::ui
