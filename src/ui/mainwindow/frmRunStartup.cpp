// Start-up of the main window, the display of the open project, the street
// data panel, the recent-files menu and the country box.

#include "ui/common/EngineState.h"

#include "calc/DayCases.h"
#include "calc/EmissionSetup.h"
#include "core/CountryLists.h"
#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "project/CommandLine.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "project/RecentFiles.h"
#include "run/results/ResultsKeyInfo.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/common/HelpSystem.h"
#include "ui/mainwindow/StreetSketchPanel.h"
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
QString numberText(double v) {
    return QString::fromStdString(formatNumber(v));
}
} // namespace

QString frmRun::unitCaption(const std::string &unitCode) {
    const QString code = QString::fromStdString(unitCode);
    const QString lower = code.toLower();
    if (lower == QLatin1String("microg")) {
        return QStringLiteral("µg/m³");
    }
    if (lower == QLatin1String("milig")) {
        return QStringLiteral("mg/m³");
    }
    if (lower == QLatin1String("nanog")) {
        return QStringLiteral("ng/m³");
    }
    if (lower == QLatin1String("ppt") || lower == QLatin1String("ppb") || lower == QLatin1String("ppm")) {
        return lower;
    }
    return code;
}

bool frmRun::Form_Load(const QStringList &arguments) {
    if (m_state.ErrorCode == 100) {
        return false;
    }
    m_help->setAppDir(m_state.AppDir);
    const int language = m_help->loadHelpFileSetting();
    action(QStringLiteral("menHelpL_0"))->setChecked(language == 0);
    action(QStringLiteral("menHelpL_1"))->setChecked(language == 1);
    m_help->helpFileChanged = [this](const std::string &path) { m_state.ModelEnv.HelpFile = path; };
    m_state.NewProjectPending = false;

    if (!m_skipInitProgram) {
        auto chooser = [this](CoreState &s) {
            std::vector<CountryEntry> entries;
            for (const auto &c : s.CountryList) {
                entries.push_back({c.Name, c.code, c.IsDefault});
            }
            frmCountries dialog(entries, s.CurrentCountry, s.CountryCode, m_help, this);
            dialog.writeCountries = [&s](const std::vector<CountryEntry> &records, std::string *error) {
                for (std::size_t i = 0; i < records.size() && i < s.CountryList.size(); ++i) {
                    s.CountryList.at(i).IsDefault = records[i].IsDefault;
                }
                return SaveCountriesIni(s, error);
            };
            dialog.AddNewCountry = [&](const std::string &) {
                return addCountryWithWindows(s, m_settings, m_interaction, m_help, &dialog,
                                             countryAddingWindows, &entries);
            };
            dialog.exec();
            for (std::size_t i = 0; i < entries.size() && i < s.CountryList.size(); ++i) {
                s.CountryList.at(i).IsDefault = entries[i].IsDefault;
            }
        };
        if (!InitProgram(m_state, m_state.AppDir, m_interaction, m_settings, chooser) ||
            m_state.ErrorCode == 100) {
            m_state.ErrorCode = 100;
            return false;
        }
        m_help->setAppDir(m_state.AppDir);
    }
    m_state.ModelEnv.HelpFile = m_help->applicationHelpFile();
    m_state.ProjectLoaded = false;

    LoadMRUList(m_state, m_settings);
    refreshMRUMenu();

    const bool was = m_state.ProjectLoaded;
    m_state.ProjectLoaded = false;
    cmbCountry->clear();
    for (const auto &c : m_state.CountryList) {
        cmbCountry->addItem(QString::fromStdString(c.Name));
    }
    cmbCountry->addItem(QStringLiteral("Add New"));
    const int current =
        cmbCountry->findText(QString::fromStdString(m_state.CurrentCountry), Qt::MatchFixedString);
    if (current >= 0) {
        cmbCountry->setCurrentIndex(current);
    }
    m_state.ProjectLoaded = was;
    m_state.WindEditMode = 0;
    m_state.TextEditorMaxLines = 100;
    m_state.TrailingValue = -1;

    // The project named on the command line (quotes removed); it is loaded on the first activation.
    if (!arguments.isEmpty()) {
        std::vector<std::string> items;
        for (const QString &a : arguments) {
            items.push_back(a.toStdString());
        }
        CommandLine line;
        std::string error;
        if (parseCommandLine(items, &line, &error)) {
            m_state.ProjectFile = fullProjectPath(line.projectFile);
            m_state.TrailingValue = line.trailingValue;
        } else {
            m_interaction.message(error, Icon::Exclamation);
        }
    }
    m_state.ProjectName = m_state.ProjectFile;
    m_state.ProjectChanged = false;
    m_state.Normalise = false;

    boxLabel->setVisible(true);
    Frame0->setVisible(false);
    for (const char *name : {"menSave", "menSaveAs", "menClose", "menGraphic"}) {
        enableCommand(action(QString::fromLatin1(name)), false);
    }
    setMenuVisible(menu(QStringLiteral("menProject")), false);
    setMenuVisible(menu(QStringLiteral("menView")), false);
    setMenuEnabled(menu(QStringLiteral("menMode")), false);
    btnReturnStd->setEnabled(false);
    for (const char *key : {"Save", "Street", "Results", "Fleet", "Fuel", "SetTRF", "VLF", "FLF", "Units",
                            "TrafficNow", "Graph"}) {
        enableKey(QString::fromLatin1(key), false);
    }
    enableCommand(action(QStringLiteral("menLastResults")), false);
    return true;
}

void frmRun::Form_Activate() {
    if (m_state.ProjectFile.empty()) {
        m_state.ProjectLoaded = true;
        return;
    }
    if (m_state.LoadFailed || m_state.ProjectLoaded) {
        return;
    }
    m_state.ProjectLoaded = true;
    const std::string path = m_state.ProjectFile;
    LoadResult result = LoadProject(m_state, m_interaction);
    while (result.outcome != LoadOutcome::Loaded && editDamagedProject(result)) {
        m_state.ProjectFile = path;
        m_state.LoadFailed = false;
        result = LoadProject(m_state, m_interaction);
    }
    if (result.outcome != LoadOutcome::Loaded) {
        m_state.ProjectChanged = false;
        m_interaction.message("It was not possible to start " + path, Icon::Critical);
        closeToEmptyState();
        return;
    }
    AddMRUFile(m_state, m_state.ProjectFile);
    refreshMRUMenu();
    showProjectLoaded();
    setUpEmissions();
    m_state.ProjectChanged = false;
}

void frmRun::setUpEmissions() {
    const EmissionSetupResult r = InitEmissions(m_state, m_interaction);
    if (r.addYearItem) {
        const bool was = m_state.ProjectLoaded;
        m_state.ProjectLoaded = false;
        cmbYear->addItem(QString::fromStdString(r.yearItemText));
        m_state.ProjectLoaded = was;
    }
    if (r.yearListIndex >= 0 && r.yearListIndex < cmbYear->count()) {
        const bool was = m_state.ProjectLoaded;
        m_state.ProjectLoaded = false;
        cmbYear->setCurrentIndex(r.yearListIndex);
        m_state.ScenarioYearText = cmbYear->currentText().toStdString();
        m_state.ProjectLoaded = was;
    }
    if (!r.catalystText.empty()) {
        txtCat->setText(QString::fromStdString(r.catalystText));
    }
    if (r.catalogueRebuilt || !r.emitterLongNames.empty()) {
        lstEmitters->clear();
        for (const auto &name : r.emitterLongNames) {
            lstEmitters->addItem(QString::fromStdString(name));
        }
    }
}

void frmRun::fillYearBox() {
    const bool was = m_state.ProjectLoaded;
    m_state.ProjectLoaded = false;
    cmbYear->clear();
    for (int k = 1; k <= m_state.StdYearCount && k < static_cast<int>(m_state.ScenarioYears.size()); ++k) {
        cmbYear->addItem(QString::number(m_state.ScenarioYears[k]));
    }
    if (m_state.ScenarioYear > 0 && cmbYear->count() > 0) {
        const int found = cmbYear->findText(QString::number(m_state.ScenarioYear));
        if (found >= 0) {
            cmbYear->setCurrentIndex(found);
        } else {
            cmbYear->addItem(QStringLiteral("[%1]").arg(m_state.ScenarioYear));
            cmbYear->setCurrentIndex(cmbYear->count() - 1);
        }
    } else {
        cmbYear->setCurrentIndex(-1);
    }
    m_state.ScenarioYearText = cmbYear->currentText().toStdString();
    m_state.ProjectLoaded = was;
}

void frmRun::showProjectLoaded() {
    clearRunStatus();
    setWindowTitle(QString::fromStdString(windowCaption(m_state)));
    boxLabel->setVisible(false);
    setMenuVisible(menu(QStringLiteral("menProject")), true);
    setMenuVisible(menu(QStringLiteral("menView")), true);
    setMenuVisible(menu(QStringLiteral("menBackground")), m_state.CalcMode == 1);
    for (const char *name : {"menSave", "menSaveAs", "menClose", "menGraphic"}) {
        enableCommand(action(QString::fromLatin1(name)), true);
    }
    enableKey(QStringLiteral("Save"), true);
    enableKey(QStringLiteral("Street"), true);
    showListFiles();
    fillYearBox();
    enableModeMenu(true);

    // The period boxes start automatic after every load.
    for (QCheckBox *c : {chkStartAuto, chkEndAuto}) {
        c->setChecked(true);
    }
    for (QLineEdit *e : {mEditStart, mEditEnd, txtHourStart, txtHourEnd}) {
        e->clear();
        e->setEnabled(false);
    }
    m_state.DateError = false;
    m_state.HourError = false;
    showWindValues();
    fillFileLists();
    // A route or multi-street project opens in Calculation mode whatever the
    // folder's option file says.
    if (m_state.CalcMode == 0 && specialModeAllowed()) {
        btnGeneric_Click();
    } else {
        btnSeries_Click();
    }
    sketchPanel->projectLoaded(); // the view starts again from the values the load set
    UpdateProjectDisplay();
    Frame0->setVisible(!m_state.LoadFailed);
    cmbCountry->locked = true;
    refreshDisabledReasons();
}

void frmRun::UpdateProjectDisplay() {
    if (m_state.NewProjectPending) {
        return;
    }
    // Street name, geometry and the sketch.
    showStreetData();

    // Units per pollutant.
    while (QLayoutItem *item = concUnitsGrid->takeAt(3)) {
        if (item->widget() && item->widget()->objectName().startsWith(QLatin1String("lb"))) {
            delete item->widget();
        } else if (item->widget()) {
            delete item->widget();
        }
        delete item;
    }
    for (int i = 0; i <= m_state.NPol && i < static_cast<int>(m_state.PollutantNames.size()); ++i) {
        auto *pol = new QLabel(QString::fromStdString(m_state.PollutantNames[i]), FrameConcUnits);
        pol->setObjectName(QStringLiteral("lbPOL_%1").arg(i));
        auto *in =
            new QLabel(unitCaption(i < static_cast<int>(m_state.InputUnit.size()) ? m_state.InputUnit[i]
                                                                                  : std::string()),
                       FrameConcUnits);
        in->setObjectName(QStringLiteral("LabelInpUnit_%1").arg(i));
        auto *out =
            new QLabel(unitCaption(i < static_cast<int>(m_state.OutputUnit.size()) ? m_state.OutputUnit[i]
                                                                                   : std::string()),
                       FrameConcUnits);
        out->setObjectName(QStringLiteral("LabelOutUnit_%1").arg(i));
        concUnitsGrid->addWidget(pol, i + 1, 0);
        concUnitsGrid->addWidget(in, i + 1, 1);
        concUnitsGrid->addWidget(out, i + 1, 2);
    }

    // Traffic amount and speed. Code fills the boxes: the project is not changed by that.
    if (txtADT->isEnabled()) {
        KeptTrafficValues[0] = m_state.AnnualDiurnalTraffic;
    }
    if (txtSpeed->isEnabled()) {
        KeptTrafficValues[1] = m_state.AverageTrafficSpeed;
    }
    // 0: a standard profile scaled to the project's traffic; 1: a file of counted traffic.
    const int fileType = results::keyInfoTrafficFileType(m_state.TrafficFileType);
    if (fileType == 0) {
        // A profile is scaled to the street's traffic: without an amount of
        // its own (none kept, or a traffic file without traffic just read
        // while the box was enabled) the street takes 10000 vehicles a day
        // and 40 km/h, shown in the boxes as the run takes them.
        if (KeptTrafficValues[0] == 0) {
            KeptTrafficValues[0] = 10000;
        }
        if (KeptTrafficValues[1] == 0) {
            KeptTrafficValues[1] = 40;
        }
        if (m_state.AnnualDiurnalTraffic == 0) {
            m_state.AnnualDiurnalTraffic = KeptTrafficValues[0];
            m_state.AverageTrafficSpeed = KeptTrafficValues[1];
        }
    }
    if (fileType == 1) {
        m_state.AnnualDiurnalTraffic = 0;
        m_state.AverageTrafficSpeed = 0;
    }
    const double values[2] = {m_state.AnnualDiurnalTraffic, m_state.AverageTrafficSpeed};
    QLineEdit *boxes[2] = {txtADT, txtSpeed};
    for (int k = 0; k < 2; ++k) {
        if (values[k] > 0) {
            boxes[k]->setEnabled(true);
            boxes[k]->setText(numberText(values[k]));
        } else if (values[k] == 0) {
            boxes[k]->setEnabled(false);
            boxes[k]->clear();
        }
        if (m_state.TrafficFile.empty()) {
            boxes[k]->setEnabled(false);
        }
    }

    // Urban background and city size.
    CityListFilling = true;
    cmbCitySize->clear();
    if (m_state.CitySize < 1) {
        action(QStringLiteral("menInpBackg"))->setChecked(true);
        action(QStringLiteral("menModBackg"))->setChecked(false);
        cmbCitySize->addItem(QStringLiteral("Non applicable"));
        cmbCitySize->setCurrentIndex(0);
        cmbCitySize->setEnabled(false);
    } else {
        action(QStringLiteral("menModBackg"))->setChecked(true);
        action(QStringLiteral("menInpBackg"))->setChecked(false);
        cmbCitySize->setEnabled(true);
        for (std::size_t n = 1; n < m_state.CitySizeNames.size(); ++n) {
            cmbCitySize->addItem(QString::fromStdString(m_state.CitySizeNames[n]));
        }
        if (cmbCitySize->count() < m_state.CitySize) {
            m_interaction.message("Missing or corrupted Urban Emissions File", Icon::Critical);
            m_state.LoadFailed = true;
            m_state.ProjectChanged = false;
            CityListFilling = false;
            return;
        }
        cmbCitySize->setCurrentIndex(m_state.CitySize - 1);
    }
    CityListFilling = false;
    if (m_state.ProjectFile.empty()) {
        return;
    }
    Frame0->setVisible(true);
    boxLabel->setVisible(false);
}

} // namespace vesk::ui
