// The new project's traffic, meteorology/background and output files: each
// choice changes the project's file lists at once. A pre-defined
// meteorology file is always the project's only input file; user input files
// replace it and are remembered with their lists, so switching back and
// forth restores them.

#include "ui/inputdef/frmNewStreet.h"

#include "core/Interaction.h"
#include "core/TextIO.h"
#include "platform/emission/TrafficDocument.h"
#include "run/State.h"
#include "ui/common/DisplayText.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/common/HelpSystem.h"
#include "ui/editors/EditorComponents.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/settings/frmConcUnits.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace vesk::ui {

namespace {

// A file name in one of the dialog's lists; a name too long for the list is read whole in its tip.
void addFileItem(QListWidget *list, const std::string &name) {
    auto *item = new QListWidgetItem(QString::fromStdString(name), list);
    item->setToolTip(item->text());
}
} // namespace

std::string frmNewStreet::askFileName(int kind, const QString &caption) {
    FileChooserContext context;
    context.SelectedFileKind = kind;
    context.CitySize = m_state.CitySize;
    context.WorkDir = m_state.WorkDir;
    context.MetBackDir = m_state.MetBackDir;
    context.TrafficDir = m_state.TrafficDir;
    context.ListsDir = m_state.ListsDir;
    context.AppDir = m_state.AppDir;
    context.LastInputDir = m_state.LastInputDir;
    context.LastTrafficDir = m_state.LastTrafficDir;
    if (chooseFileName) {
        return storedFileChoice(context, chooseFileName(kind, caption));
    }
    frmNewFileName dialog(context, m_interaction, this);
    dialog.setWindowTitle(caption);
    dialog.exec();
    m_state.LastInputDir = context.LastInputDir;
    m_state.LastTrafficDir = context.LastTrafficDir;
    return storedFileChoice(context, dialog.NewFileName);
}

// ---- Traffic -------------------------------------------------------------------------

void frmNewStreet::updateEditTraffic() {
    btnEditTraffic->setEnabled(!txtTrafficFile->text().isEmpty());
}

void frmNewStreet::setTrafficFile(const std::string &name) {
    // A drive of Windows names no file here: such a name is refused, and the file kept.
    if (refuseDriveLetterName(m_interaction, name, "the traffic file")) {
        return;
    }
    std::string error;
    while (fileCount(m_state, kTrafficFileKind) > 0 && !m_state.TrafficFile.empty()) {
        removeFile(m_state, kTrafficFileKind, 0, &error);
    }
    if (!name.empty() && addFile(m_state, kTrafficFileKind, -1, name, &error) < 0) {
        m_interaction.message(error, Icon::Critical);
    }
    txtTrafficFile->setText(QString::fromStdString(m_state.TrafficFile));
}

// A counted traffic file carries its own amounts and speeds: the boxes are
// then not used. A standard profile is scaled to what they hold.
void frmNewStreet::trafficBoxesFollowFile() {
    bool ownValues = false;
    if (!m_state.TrafficFile.empty()) {
        TrafficDocument doc;
        std::string error;
        if (readTrafficDocument(trafficFilePath(m_state), &doc, &error)) {
            ownValues = doc.type == 1;
        } else {
            m_interaction.message(error, Icon::Exclamation);
        }
    }
    setBoxEnabled(txtADT, !ownValues);
    setBoxEnabled(txtTrfSpeed, !ownValues);
}

void frmNewStreet::cmbTrfType_Click(int index) {
    if (!DialogReady || index < 0) {
        return;
    }
    setTrafficFile({});
    StdTrafficChosen = false;
    cmbTrfType->setToolTip(QString());
    if (index > 0 && index <= static_cast<int>(StdTraffic.size())) {
        // The pre-defined files lie in the national traffic folder.
        setTrafficFile(".\\" + StdTraffic[index - 1].fileName);
        StdTrafficChosen = !m_state.TrafficFile.empty();
        UserTrafficChosen = false;
        cmbTrfType->setToolTip(displayText(StdTraffic[index - 1].helpText));
    }
    m_comboChosen = true;
    updateEditTraffic();
}

void frmNewStreet::Option2_Click(int index) {
    if (index == 1) {
        setBoxEnabled(cmbTrfType, true);
        btnLoadFile[1]->setEnabled(false);
        setBoxEnabled(txtADT, true);
        setBoxEnabled(txtTrfSpeed, true);
        cmbTrfType_Click(cmbTrfType->currentIndex());
        HourlyTrafficChosen = false;
        if (cmbTrfType->isEnabled() && isVisible()) {
            cmbTrfType->setFocus();
        }
    } else if (index == 2) {
        txtTrafficFile->clear();
        if (!UserTrafficFile.empty()) {
            setTrafficFile(UserTrafficFile);
        }
        setBoxEnabled(cmbTrfType, false);
        btnLoadFile[1]->setEnabled(true);
        setBoxEnabled(txtADT, false);
        setBoxEnabled(txtTrfSpeed, false);
        if (!UserTrafficFile.empty()) {
            trafficBoxesFollowFile();
        }
        txtTrafficFile->setEnabled(true);
        HourlyTrafficChosen = false;
        if (isVisible()) {
            btnLoadFile[1]->setFocus();
        }
    } else if (index == 3) {
        btnLoadFile[1]->setEnabled(false);
        setBoxEnabled(cmbTrfType, false);
        setBoxEnabled(txtADT, false);
        setBoxEnabled(txtTrfSpeed, false);
        HourlyTrafficChosen = true;
        if (!m_state.TrafficFile.empty() && DialogReady &&
            m_interaction.question(
                std::string("Do you want to keep the previously set Average Diurnal Traffic "
                            "Data File?") +
                    kCrLf +
                    "If YES, this file will be used in the case of missing Hourly "
                    "Traffic Data",
                Buttons::YesNo, Icon::Information, Answer::Yes) == Answer::No) {
            cmbTrfType->setCurrentIndex(0);
            const bool ready = DialogReady;
            DialogReady = true;
            cmbTrfType_Click(0);
            DialogReady = ready;
            UserTrafficChosen = StdTrafficChosen = false;
        }
    }
    updateEditTraffic();
}

void frmNewStreet::btnEditTraffic_Click() {
    for (QLineEdit *box : {txtADT, txtTrfSpeed}) {
        if (box->isEnabled() && !box->text().trimmed().isEmpty() && !txtNumber_LostFocus(box, nullptr)) {
            return;
        }
    }
    if ((Option2[1]->isChecked() || (txtADT->isEnabled() && txtTrfSpeed->isEnabled())) &&
        (EnteredADT == 0 || EnteredSpeed == 0)) {
        m_interaction.message(std::string("The Annual Diurnal Traffic and Traffic Speed") + kCrLf +
                                  "must be set before displying the traffic",
                              Icon::Critical);
    } else {
        State &s = m_state;
        if (s.VehicleListFile.empty()) {
            s.VehicleListFile = s.DefaultVehicleListFile;
        }
        if (s.FuelListFile.empty()) {
            s.FuelListFile = s.DefaultFuelListFile;
        }
        std::string path = s.TrafficFile;
        bool changed = false;
        if (editTraffic) {
            changed = editTraffic(path);
        } else {
            TrafficEditorComponent editor(m_interaction, this);
            TrafficEditorData data;
            data.AllowOtherFile = true;
            data.WorkOnFile = true;
            data.TrafficSpeedDefault = s.TrafficSpeedDefault;
            // Generated fleet data live only in the emission component.
            data.Emission = s.FleetDataUnsaved ? &s.EmissionComponent : nullptr;
            s.ModelEnv.WorkDir = s.WorkDir;
            bool renew = false;
            // The editor may choose another fleet: its lists and its year come back together.
            editor.EditTrafficFile(path, static_cast<float>(EnteredSpeed), static_cast<float>(EnteredADT),
                                   s.VehicleListFile, s.FuelListFile, s.ScenarioYear, s.ModelEnv, data,
                                   renew);
            changed = data.Changed;
        }
        cmbYear->setCurrentIndex(cmbYear->findText(QString::number(s.ScenarioYear)));
        if (changed && !iequals(path, s.TrafficFile)) {
            setTrafficFile(path);
            TrafficDocument doc;
            std::string error;
            if (readTrafficDocument(trafficFilePath(s), &doc, &error)) {
                const TrafficAverages averages = trafficFileAverages(doc);
                if (averages.speed > 0) {
                    EnteredSpeed = averages.speed;
                    txtTrfSpeed->setText(QString::number(averages.speed, 'g', 6));
                }
                if (averages.dailyTraffic > 0) {
                    EnteredADT = averages.dailyTraffic;
                    txtADT->setText(QString::number(averages.dailyTraffic, 'g', 7));
                }
            }
            Option2[2]->setChecked(true);
            txtTrafficFile->setText(QString::fromStdString(s.TrafficFile));
            UserTrafficFile = s.TrafficFile;
            StdTrafficChosen = false;
            UserTrafficChosen = !s.TrafficFile.empty();
            updateEditTraffic();
        }
    }
    for (QWidget *target : std::initializer_list<QWidget *>{txtADT, txtTrfSpeed}) {
        if (target->isEnabled() && static_cast<QLineEdit *>(target)->text().isEmpty()) {
            target->setFocus();
            return;
        }
    }
    if (cmbMetBack->isEnabled() && cmbMetBack->currentIndex() == 0) {
        cmbMetBack->setFocus();
    } else if (cmbCitySize->isEnabled() && cmbCitySize->currentIndex() < 0) {
        cmbCitySize->setFocus();
    } else {
        btnOK->setFocus();
    }
}

// ---- Meteorology and background --------------------------------------------------------

void frmNewStreet::rememberUserFileLists() {
    for (UserFile &f : UserMetBackFiles) {
        for (int i = 0; i < fileCount(m_state, kInputFileKind); ++i) {
            if (fileNameAt(m_state, kInputFileKind, i) == f.name) {
                f.lists = fileFormatLists(m_state, kInputFileKind, i);
                break;
            }
        }
    }
}

void frmNewStreet::removeAllInputFiles() {
    rememberUserFileLists();
    std::string error;
    while (fileCount(m_state, kInputFileKind) > 0) {
        removeFile(m_state, kInputFileKind, 0, &error);
    }
    lstFileNames[1]->clear();
}

void frmNewStreet::cmbMetBack_Click(int index) {
    if (!DialogReady || index < 0) {
        return;
    }
    removeAllInputFiles();
    cmbMetBack->setToolTip(QString());
    if (index > 0 && index <= static_cast<int>(StdMetBack.size())) {
        // Stored as the list names it: ".\" names the national folder, a bare name the project's.
        const std::string name = StdMetBack[index - 1].fileName;
        std::string error;
        if (addFile(m_state, kInputFileKind, -1, name, &error) < 0) {
            m_interaction.message(error, Icon::Critical);
        } else {
            addFileItem(lstFileNames[1], name);
            StdMetBackChosen = true;
            UserMetBackChosen = false;
        }
        cmbMetBack->setToolTip(displayText(StdMetBack[index - 1].helpText));
    } else {
        StdMetBackChosen = false;
    }
    m_comboChosen = true;
}

void frmNewStreet::Option3_Click(int index) {
    if (index == 1) {
        setBoxEnabled(cmbMetBack, true);
        cmbMetBack_Click(cmbMetBack->currentIndex());
        btnLoadFile[2]->setEnabled(false);
        btnRemove[1]->setEnabled(false);
        if (!m_state.NoUrbEmiData) {
            setBoxEnabled(cmbCitySize, true);
        }
        m_state.InputUnitsEditable = false;
        m_state.CitySize = cmbCitySize->currentIndex() >= 0 ? cmbCitySize->currentIndex() + 1 : 0;
        if (isVisible()) {
            cmbMetBack->setFocus();
        }
        return;
    }
    m_state.InputUnitsEditable = true;
    setBoxEnabled(cmbMetBack, false);
    btnLoadFile[2]->setEnabled(true);
    // The user files come back (with their lists) in place of anything else.
    removeAllInputFiles();
    std::string error;
    for (const UserFile &f : UserMetBackFiles) {
        const int position =
            addFile(m_state, kInputFileKind, fileCount(m_state, kInputFileKind) - 1, f.name, &error);
        if (position >= 0) {
            setFileFormatLists(m_state, kInputFileKind, position, f.lists);
            addFileItem(lstFileNames[1], f.name);
        }
    }
    btnRemove[1]->setEnabled(lstFileNames[1]->count() > 0);
    UserMetBackChosen = true;
    StdMetBackChosen = false;
    m_state.CitySize = -1;
    setBoxEnabled(cmbCitySize, false);
    if (isVisible()) {
        btnLoadFile[2]->setFocus();
    }
}

// ---- Add File and Remove File --------------------------------------------------------

bool frmNewStreet::askFormat(int kind, int position) {
    FormatDialogInput in = formatDialogInput(m_state, kind, position);
    std::optional<FileFormatLists> lists =
        formatFile ? formatFile(in) : frmFormatFile::edit(m_state, in, m_interaction, m_help, this);
    if (!lists) {
        return false;
    }
    setFileFormatLists(m_state, kind, position, *lists);
    return true;
}

void frmNewStreet::askUnits(bool input) {
    bool &confirmed = input ? InputUnitsConfirmed : OutputUnitsConfirmed;
    if (confirmed) {
        return;
    }
    m_state.UnitsConfirmed = false;
    const std::string text =
        std::string("If the user ") + (input ? "provided" : "defined") +
        " file includes concentration data, you need also to define the units for each of the components." +
        kCrLf + "Do you want to define these units now?";
    if (m_interaction.question(text, Buttons::YesNo, Icon::Information, Answer::Yes) != Answer::Yes) {
        return;
    }
    if (editUnits) {
        confirmed = editUnits();
        return;
    }
    frmConcUnits units(m_state, m_interaction, this);
    units.exec();
    confirmed = m_state.UnitsConfirmed;
}

void frmNewStreet::btnLoadFile_Click(int index) {
    if (index == 1) {
        const std::string name = askFileName(kTrafficFileKind, QStringLiteral("Add New File"));
        if (!name.empty()) {
            setTrafficFile(name);
        }
        UserTrafficFile = m_state.TrafficFile;
        StdTrafficChosen = false;
        UserTrafficChosen = !m_state.TrafficFile.empty();
        updateEditTraffic();
        trafficBoxesFollowFile();
        return;
    }
    const int kind = index == 2 ? kInputFileKind : index == 3 ? kOutputFileKind : kStatFileKind;
    const int list = index - 1;
    if (index == 2 && StdMetBackChosen) {
        removeAllInputFiles();
    }
    const std::string name = askFileName(kind, QStringLiteral("Add New File"));
    if (index == 2) {
        UserMetBackChosen = true;
        StdMetBackChosen = false;
    }
    if (name.empty()) {
        return;
    }
    std::string error;
    const int position = addFile(m_state, kind, fileCount(m_state, kind) - 1, name, &error);
    if (position < 0) {
        m_interaction.message(error, Icon::Critical);
        return;
    }
    btnRemove[list]->setEnabled(true);
    addFileItem(lstFileNames[list], name);
    if (index == 2) {
        UserMetBackFiles.push_back({name, fileFormatLists(m_state, kind, position)});
    }
    const std::string what = index == 2 ? "Input" : "Output";
    const std::string text = "A List of " + what + " Variables must be specified for user " +
                             (index == 2 ? "providet" : "defined") + " files." + kCrLf +
                             "This List can be specified now or in the Calculation Window." + kCrLf +
                             "Do you want to specify the List of " + what + " Variables now?";
    if (m_interaction.question(text, Buttons::YesNo, Icon::Information, Answer::Yes) == Answer::Yes) {
        askFormat(kind, position);
        if (index == 2) {
            UserMetBackFiles.back().lists = fileFormatLists(m_state, kind, position);
        }
    }
    askUnits(index == 2);
}

void frmNewStreet::btnRemove_Click(int index) {
    QListWidget *list = lstFileNames[index];
    const int k = list->currentRow();
    if (k < 0) {
        return;
    }
    delete list->takeItem(k);
    if (list->count() == 0) {
        btnRemove[index]->setEnabled(false);
    }
    const int kind = index == 1 ? kInputFileKind : index == 2 ? kOutputFileKind : kStatFileKind;
    std::string error;
    removeFile(m_state, kind, k, &error);
    if (index == 1 && k < static_cast<int>(UserMetBackFiles.size())) {
        UserMetBackFiles.erase(UserMetBackFiles.begin() + k);
    }
}

} // namespace vesk::ui
