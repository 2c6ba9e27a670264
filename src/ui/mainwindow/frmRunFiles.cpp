// The four file lists: what they show and the Add, Change, Remove, Move and
// check commands. The tables behind them are the engine's.

#include "ui/common/EngineState.h"

#include "calc/DayCases.h"
#include "core/Interaction.h"
#include "project/FileLists.h"
#include "ui/inputdef/frmFormatFile.h"
#include "ui/inputdef/frmNewFileName.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/frmRun.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vesk::ui {

namespace {
QColor qtColour(FileColour c) {
    switch (c) {
    case FileColour::Red:
        return FileCheckList::red();
    case FileColour::Grey:
        return FileCheckList::grey();
    case FileColour::Black:
        break;
    }
    return FileCheckList::black();
}
} // namespace

void frmRun::readTrafficProperties() {
    // A traffic file just named shows its kind, traffic and speed at once: a
    // standard profile for a project without traffic of its own shows the
    // profile's figures, ready to be changed; counted traffic shows none. A
    // file that cannot be read is named with the reader's reason.
    if (m_state.TrafficFile.empty()) {
        return;
    }
    m_state.TrafficFileLoaded = false;
    m_state.ReadTrafficOnly = true;
    menEditTrf_Click();
    m_state.TrafficFileLoaded = false;
}

void frmRun::fillFileList(int kind) {
    FileCheckList *list = List1[kind];
    const int count = fileCount(m_state, kind);
    list->clear();
    if (count == 0) {
        list->showPlaceholder();
        return;
    }
    for (int i = 0; i < count; ++i) {
        list->insertFile(i, QString::fromStdString(fileNameAt(m_state, kind, i)),
                         fileChecked(m_state, kind, i));
        list->setColour(i, qtColour(fileColour(m_state, kind, i)));
    }
}

void frmRun::fillFileLists() {
    for (int kind = 1; kind <= 4; ++kind) {
        fillFileList(kind);
    }
    TestVariableList();
    trafficRefresh();
}

void frmRun::TestVariableList() {
    Label22->setVisible(vesk::TestVariableList(m_state));
}

bool frmRun::listTakesFiles(int kind) const {
    return kind >= 1 && kind <= 4 && List1[kind]->isEnabledTo(Frame7);
}

void frmRun::List1_Click(int kind) {
    if (!listTakesFiles(kind)) {
        return;
    }
    for (int k = 1; k <= 4; ++k) {
        if (k != kind) {
            List1[k]->setCurrentRow(-1);
        }
    }
    FileCheckList *list = List1[kind];
    int i = list->currentRow();
    if (i < 0) {
        return;
    }
    if (!list->onlyPlaceholder() && i < fileCount(m_state, kind)) {
        const bool checked = list->isChecked(i);
        if (checked != fileChecked(m_state, kind, i)) {
            const bool trafficChanged = setFileChecked(m_state, kind, i, checked);
            if (kind == 3) {
                fillFileList(3);
                i = checked ? 0 : i;
                list->setCurrentRow(i);
                trafficRefresh();
                if (trafficChanged) {
                    readTrafficProperties();
                    UpdateProjectDisplay();
                }
            }
        }
        list->setColour(i, qtColour(fileColour(m_state, kind, i)));
        if (kind == 1) {
            applyRunButtonRule();
        }
    }
    m_state.SelectedFileKind = kind;
    btnAddFile->setEnabled(true);
    btnChangeFile->setEnabled(!list->onlyPlaceholder());
    btnRemove->setEnabled(!list->text(i).isEmpty());
    // Kind 3 opens the traffic editor.
    const bool checkedFile = !list->onlyPlaceholder() && list->isChecked(i);
    btnFormatFile->setEnabled(checkedFile &&
                              (kind != 3 || action(QStringLiteral("menEditTrf"))->isEnabled()));
    MoveUpDown[1]->setEnabled(i > 0 && kind != 3);
    MoveUpDown[2]->setEnabled(i < list->count() - 1 && kind != 3 && !list->onlyPlaceholder());
    Label2[1]->setEnabled(MoveUpDown[1]->isEnabled());
    Label2[2]->setEnabled(MoveUpDown[2]->isEnabled());
    TestVariableList();
}

void frmRun::List1_LostFocus(int kind) {
    QWidget *to = QApplication::focusWidget();
    for (QWidget *w : std::initializer_list<QWidget *>{btnAddFile, btnChangeFile, btnRemove, btnFormatFile,
                                                       MoveUpDown[1], MoveUpDown[2]}) {
        if (to == w) {
            return;
        }
    }
    List1[kind]->setCurrentRow(-1);
    if (List1[1]->currentRow() < 0 && List1[2]->currentRow() < 0 && List1[4]->currentRow() < 0) {
        for (QWidget *w :
             std::initializer_list<QWidget *>{btnAddFile, btnChangeFile, btnRemove, btnFormatFile,
                                              MoveUpDown[1], MoveUpDown[2], Label2[1], Label2[2]}) {
            w->setEnabled(false);
        }
    }
}

namespace {
bool anyCurrent(const std::array<FileCheckList *, 5> &lists) {
    for (int k = 1; k <= 4; ++k) {
        if (lists[k]->currentRow() >= 0) {
            return true;
        }
    }
    return false;
}
} // namespace

std::string frmRun::askFileName(int kind, const QString &caption, const QString &infoLine, int openListKind,
                                const QString &preset) {
    FileChooserContext context;
    context.SelectedFileKind = kind;
    context.OpenListKind = openListKind;
    context.CitySize = m_state.CitySize;
    context.WorkDir = m_state.WorkDir;
    context.MetBackDir = m_state.MetBackDir;
    context.TrafficDir = m_state.TrafficDir;
    context.ListsDir = m_state.ListsDir;
    context.AppDir = m_state.AppDir;
    context.LastInputDir = m_state.LastInputDir;
    context.LastTrafficDir = m_state.LastTrafficDir;
    if (chooseFileName) {
        return storedFileChoice(context, chooseFileName(kind, caption, infoLine));
    }
    frmNewFileName dialog(context, m_interaction, this);
    dialog.setWindowTitle(caption);
    if (!infoLine.isEmpty()) {
        dialog.setInfoLine(infoLine);
    }
    if (!preset.isEmpty()) {
        dialog.setName(preset);
    }
    dialog.exec();
    m_state.LastInputDir = context.LastInputDir;
    m_state.LastTrafficDir = context.LastTrafficDir;
    return storedFileChoice(context, dialog.NewFileName);
}

void frmRun::btnAddFile_Click() {
    const int kind = m_state.SelectedFileKind;
    if (!listTakesFiles(kind)) {
        m_interaction.message("No File List is selected", Icon::Information);
        return;
    }
    if (!anyCurrent(List1) && (List1[1]->count() > 0 || List1[2]->count() > 0 || List1[4]->count() > 0) &&
        m_state.ShowFileDialog) {
        m_interaction.message("No File List is selected", Icon::Critical);
        return;
    }
    std::string name = m_state.NewFileName;
    if (m_state.ShowFileDialog) {
        name = askFileName(kind, QStringLiteral("Add New File"), QString());
        m_state.NewFileName = name;
    }
    if (!name.empty()) {
        FileCheckList *list = List1[kind];
        int position = list->currentRow();
        if (list->onlyPlaceholder() || position >= fileCount(m_state, kind)) {
            position = fileCount(m_state, kind) - 1;
        }
        std::string error;
        const int added = addFile(m_state, kind, position, name, &error);
        if (added < 0) {
            m_interaction.message(error, Icon::Critical);
        } else {
            fillFileList(kind);
            applyRunButtonRule();
            trafficRefresh();
            if (kind == 3) {
                readTrafficProperties();
                UpdateProjectDisplay();
            }
            list->setCurrentRow(added);
            List1_Click(kind);
            list->setCurrentRow(-1);
            m_state.ProjectChanged = true;
            TestVariableList();
        }
    }
    if (Frame0->isEnabled()) {
        List1[kind]->setFocus();
    }
}

void frmRun::btnChangeFile_Click() {
    const int kind = m_state.SelectedFileKind;
    if (!listTakesFiles(kind)) {
        m_interaction.message("No File List is selected", Icon::Information);
        return;
    }
    FileCheckList *list = List1[kind];
    const int position = list->currentRow();
    if (position < 0 || list->onlyPlaceholder()) {
        m_interaction.message("No File is selected", Icon::Critical);
        return;
    }
    if (kind == 3 && !m_state.TrafficFileSaved && m_state.TrafficFileOpened) {
        const Answer a =
            m_interaction.question("Do you want to save changes you made to the current traffic file?",
                                   Buttons::YesNoCancel, Icon::Information, Answer::Yes);
        if (a == Answer::Cancel) {
            return;
        }
        if (a == Answer::Yes && !saveTrafficFileThroughEditor()) {
            return; // not saved: the edited traffic is not given up
        }
    }
    std::string name = m_state.NewFileName;
    if (m_state.ShowFileDialog) {
        name = askFileName(kind, QStringLiteral("Change File"), list->text(position));
        m_state.NewFileName = name;
    }
    if (name.empty()) {
        return;
    }
    std::string error;
    if (!changeFile(m_state, kind, position, name, &error)) {
        m_interaction.message(error, Icon::Critical);
        return;
    }
    fillFileList(kind);
    if (kind == 3) {
        readTrafficProperties();
        UpdateProjectDisplay();
    }
    trafficRefresh();
    const int shown = kind == 3 ? 0 : position;
    list->setCurrentRow(shown);
    List1_Click(kind);
    list->setCurrentRow(-1);
    m_state.ProjectChanged = true;
    TestVariableList();
    applyRunButtonRule();
}

bool frmRun::defineStatTable(int k) {
    if (k < 1 || k > fileCount(m_state, 4) || !listTakesFiles(4)) {
        return false;
    }
    List1[4]->setCurrentRow(k - 1);
    List1_Click(4);
    btnChangeFile_Click();
    List1[4]->setCurrentRow(-1);
    return true;
}

void frmRun::btnRemove_Click() {
    const int kind = m_state.SelectedFileKind;
    if (kind <= 0 || kind > 4) {
        m_interaction.message("No File List is selected", Icon::Information);
        return;
    }
    FileCheckList *list = List1[kind];
    const int position = list->currentRow();
    if (position < 0) {
        m_interaction.message("No File is selected", Icon::Critical);
        return;
    }
    if (list->text(position).isEmpty()) {
        return;
    }
    const bool trafficInUse = kind == 3 && list->isChecked(position);
    std::string error;
    if (!removeFile(m_state, kind, position, &error)) {
        m_interaction.message(error, Icon::Critical);
        return;
    }
    if (trafficInUse || (kind == 3 && m_state.TrafficFile.empty())) {
        for (QLineEdit *box : {txtADT, txtSpeed}) {
            box->setEnabled(false);
            box->clear();
        }
    }
    fillFileList(kind);
    trafficRefresh();
    applyRunButtonRule();
    const int count = list->count();
    list->setCurrentRow(position < count ? position : position - 1);
    List1_Click(kind);
    list->setCurrentRow(-1);
    m_state.ProjectChanged = true;
    TestVariableList();
}

void frmRun::btnFormatFile_Click() {
    if (m_state.SelectedFileKind <= 0) {
        m_interaction.message("No File List is selected", Icon::Information);
        return;
    }
    List1_DblClick(m_state.SelectedFileKind);
}

void frmRun::List1_DblClick(int kind) {
    if (m_state.DateError || m_state.HourError || kind < 1 || kind > 4) {
        return;
    }
    FileCheckList *list = List1[kind];
    const int position = list->currentRow();
    if (position < 0) {
        m_interaction.message("No File List is selected", Icon::Critical);
        return;
    }
    if (list->onlyPlaceholder() || !list->isChecked(position)) {
        return; // only a file in use is formatted
    }
    m_state.SelectedFileKind = kind;
    m_state.SelectedFileIndex = position;
    if (kind == 3) {
        QAction *traffic = action(QStringLiteral("menEditTrf"));
        if (traffic->isEnabled()) {
            traffic->trigger();
        }
        return;
    }
    const auto lists =
        frmFormatFile::edit(m_state, formatDialogInput(m_state, kind, position), m_interaction, m_help, this);
    if (lists) {
        setFileFormatLists(m_state, kind, position, *lists);
        fillFileList(kind);
        list->setCurrentRow(position);
        List1_Click(kind);
    }
    TestVariableList();
}

void frmRun::MoveUpDown_Click(int index) {
    const int kind = m_state.SelectedFileKind;
    if (kind <= 0 || kind > 4) {
        return;
    }
    FileCheckList *list = List1[kind];
    const int p = list->currentRow();
    if (p < 0 || list->onlyPlaceholder()) {
        return;
    }
    const int q = moveFile(m_state, kind, p, index == 1);
    if (q == p) {
        return;
    }
    fillFileList(kind);
    list->setFocus();
    list->setCurrentRow(q);
    List1_Click(kind);
}

} // namespace vesk::ui

#include "core/Paths.h"
#include "project/FormatFiles.h"
#include "ui/inputdef/frmViewFile.h"

namespace vesk::ui {

void frmRun::menModBackg_Click() {
    QAction *inp = action(QStringLiteral("menInpBackg"));
    QAction *mod = action(QStringLiteral("menModBackg"));
    if (!mod->isChecked()) { // it was checked already: the click toggled it off
        mod->setChecked(true);
        return;
    }
    inp->setChecked(false);
    if (cmbCitySize->isEnabled()) {
        return;
    }
    cmbCitySize->setEnabled(true);
    const Answer a = m_interaction.question("Rural Background Concentrations must be available as input\n"
                                            "Do you want to select the Regional Background Data now?",
                                            Buttons::YesNoCancel, Icon::Question, Answer::Yes);
    if (a == Answer::Cancel) {
        cmbCitySize->setEnabled(false);
        inp->setChecked(true);
        mod->setChecked(false);
        return;
    }
    if (a == Answer::Yes) {
        m_state.CitySize = 1;
        m_state.SelectedFileKind = 1;
        const int before = fileCount(m_state, 1);
        const bool show = m_state.ShowFileDialog;
        m_state.ShowFileDialog = true;
        m_state.NewFileName.clear();
        btnAddFile_Click();
        m_state.ShowFileDialog = show;
        if (m_state.NewFileName.empty() || fileCount(m_state, 1) == before) {
            m_state.CitySize = -1;
            cmbCitySize->setEnabled(false);
            inp->setChecked(true);
            mod->setChecked(false);
            return;
        }
        // The regional background file takes the national background format.
        FileFormatLists lists;
        std::string error;
        if (readMetBackFormat(m_state.ListsDir, &lists, &error)) {
            for (int position = 0; position < fileCount(m_state, 1); ++position) {
                if (fileNameAt(m_state, 1, position) == m_state.NewFileName) {
                    setFileFormatLists(m_state, 1, position, lists);
                    fillFileList(1);
                    break;
                }
            }
        } else {
            m_interaction.message(error, Icon::Exclamation);
        }
    } else if (m_state.CitySize == -1) {
        m_state.CitySize = 1;
    }
    CityListFilling = true;
    cmbCitySize->clear();
    for (std::size_t n = 1; n < m_state.CitySizeNames.size(); ++n) {
        cmbCitySize->addItem(QString::fromStdString(m_state.CitySizeNames[n]));
    }
    CityListFilling = false;
    cmbCitySize->setCurrentIndex(m_state.CitySize - 1);
    m_state.ProjectChanged = true;
    TestVariableList();
}

void frmRun::menLastResults_Click() {
    if (m_state.CalcMode == 0) {
        // The summary of the run that made the results, wherever the project has been saved since.
        const std::string &folder =
            m_state.SpecialResultsDir.empty() ? m_state.WorkDir : m_state.SpecialResultsDir;
        m_state.ViewFilePath = findExisting(joinPath(folder, "VESKout.dat"));
        frmViewFile::view(m_state.ViewFilePath, m_state.DecimalSeparator, m_interaction, this);
        m_state.ViewFilePath.clear();
        return;
    }
    showResultsSummary();
}

} // namespace vesk::ui
