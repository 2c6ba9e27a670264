#include "ui/listeditors/frmEditCityTypes.h"

#include "core/Interaction.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/common/EngineState.h"
#include "ui/editors/RowsTableModel.h"
#include "ui/inputdef/frmViewFile.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

const char *const kNoData = "No data available";
const char *const kPopulationDefault = "City Population text";

bool hasFolder(const std::string &name) {
    return name.find_first_of("\\/") != std::string::npos;
}

} // namespace

frmEditCityTypes::frmEditCityTypes(State &state, Interaction &ui, HelpSystem *help, QWidget *parent)
    : ListEditorFrame(state, ui, help, 404, parent) {
    setObjectName(QStringLiteral("frmEditCityTypes"));
    setWindowTitle(QStringLiteral("Standard Urban Data"));

    auto number = [this](float CityTypeRow::*field) {
        return [this, field](int r, const QVariant &v) {
            const auto value = typedNumber(v);
            if (!value) {
                dataError(QStringLiteral("The value %1 is not a number.").arg(v.toString()));
                return false;
            }
            float &cell = m_cities[static_cast<std::size_t>(r)].*field;
            if (static_cast<float>(*value) != cell) {
                cell = static_cast<float>(*value);
                CityTypesChanged = true;
            }
            return true;
        };
    };
    auto show = [this](float CityTypeRow::*field) {
        return [this, field](int r) {
            return QVariant(
                QString::fromStdString(formatSingle(m_cities[static_cast<std::size_t>(r)].*field)));
        };
    };
    std::vector<RowsTableModel::Column> columns;
    columns.push_back({QStringLiteral("Index"), [](int r) { return QVariant(r + 1); }, nullptr, true});
    columns.push_back({QStringLiteral("Population"),
                       [this](int r) {
                           return QVariant(
                               QString::fromStdString(m_cities[static_cast<std::size_t>(r)].population));
                       },
                       [this](int r, const QVariant &v) {
                           std::string text = v.toString().toStdString();
                           if (trim(text).empty()) {
                               text = kPopulationDefault;
                           }
                           std::string &cell = m_cities[static_cast<std::size_t>(r)].population;
                           if (text != cell) {
                               cell = text;
                               CityTypesChanged = true;
                           }
                           return true;
                       },
                       false});
    columns.push_back(
        {QStringLiteral("Radius (m)"), show(&CityTypeRow::radius_m), number(&CityTypeRow::radius_m), true});
    columns.push_back({QStringLiteral("Average Building Height (m)"), show(&CityTypeRow::buildingHeight_m),
                       number(&CityTypeRow::buildingHeight_m), true});
    m_model =
        new RowsTableModel([this] { return static_cast<int>(m_cities.size()); }, std::move(columns), this);
    DataGrid1 = makeGrid("DataGrid1");
    DataGrid1->setModel(m_model);
    DataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    DataGrid1->setMinimumHeight(DataGrid1->verticalHeader()->defaultSectionSize() * 9);
    connect(DataGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &frmEditCityTypes::updateMoveButtons);

    auto *gridCaption = new QLabel(QStringLiteral("Standard City Types"), this);
    const char *arrows[] = {"", "/\\", "\\/"};
    const char *moves[] = {"", "Move Up", "Move Down"};
    auto *moveColumn = new QVBoxLayout;
    for (int i = 1; i <= 2; ++i) {
        MoveUpDown[static_cast<std::size_t>(i)] = new QPushButton(QString::fromLatin1(arrows[i]), this);
        MoveUpDown[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("MoveUpDown_%1").arg(i));
        MoveUpDown[static_cast<std::size_t>(i)]->setFixedWidth(40);
        lblUpDown[static_cast<std::size_t>(i)] = new QLabel(QString::fromLatin1(moves[i]), this);
        lblUpDown[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("lblUpDown_%1").arg(i));
        connect(MoveUpDown[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
                [this, i] { MoveUpDown_Click(i); });
        auto *row = new QHBoxLayout;
        row->addWidget(MoveUpDown[static_cast<std::size_t>(i)]);
        row->addWidget(lblUpDown[static_cast<std::size_t>(i)]);
        moveColumn->addLayout(row);
    }
    moveColumn->addStretch();

    btnAddRow = new QPushButton(QStringLiteral("&Add Row"), this);
    btnDeleteRow = new QPushButton(QStringLiteral("Delete Ro&w"), this);
    btnAddRow->setObjectName(QStringLiteral("btnAddRow"));
    btnDeleteRow->setObjectName(QStringLiteral("btnDeleteRow"));
    connect(btnAddRow, &QPushButton::clicked, this, &frmEditCityTypes::btnAddRow_Click);
    connect(btnDeleteRow, &QPushButton::clicked, this, &frmEditCityTypes::btnDeleteRow_Click);

    FrameUrbEmi = new QGroupBox(QStringLiteral("Urban Emission Data"), this);
    FrameUrbEmi->setObjectName(QStringLiteral("FrameUrbEmi"));
    cmbPollutants = new QComboBox(FrameUrbEmi);
    cmbPollutants->setObjectName(QStringLiteral("cmbPollutants"));
    txtDataFile = new QLineEdit(FrameUrbEmi);
    txtDataFile->setObjectName(QStringLiteral("txtDataFile"));
    txtDataFile->setReadOnly(true);
    btnChange = new QPushButton(QStringLiteral("Cha&nge"), FrameUrbEmi);
    btnView = new QPushButton(QStringLiteral("&View"), FrameUrbEmi);
    btnDelete = new QPushButton(QStringLiteral("&Delete"), FrameUrbEmi);
    btnChange->setObjectName(QStringLiteral("btnChange"));
    btnView->setObjectName(QStringLiteral("btnView"));
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    auto *urban = new QGridLayout(FrameUrbEmi);
    urban->addWidget(new QLabel(QStringLiteral("Pollutant"), FrameUrbEmi), 0, 0);
    urban->addWidget(cmbPollutants, 0, 1);
    urban->addWidget(new QLabel(QStringLiteral("Data File"), FrameUrbEmi), 1, 0);
    urban->addWidget(txtDataFile, 1, 1, 1, 3);
    auto *fileButtons = new QHBoxLayout;
    fileButtons->addWidget(btnChange);
    fileButtons->addWidget(btnView);
    fileButtons->addWidget(btnDelete);
    fileButtons->addStretch();
    urban->addLayout(fileButtons, 2, 1, 1, 3);
    connect(cmbPollutants, &QComboBox::currentIndexChanged, this, &frmEditCityTypes::cmbPollutants_Click);
    connect(btnChange, &QPushButton::clicked, this, &frmEditCityTypes::btnChange_Click);
    connect(btnView, &QPushButton::clicked, this, &frmEditCityTypes::btnView_Click);
    connect(btnDelete, &QPushButton::clicked, this, &frmEditCityTypes::btnDelete_Click);
    viewFile = [this](const std::string &path) {
        frmViewFile::view(path, m_state.DecimalSeparator, m_ui, this);
    };

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gridCaption);
    auto *gridRow = new QHBoxLayout;
    gridRow->addWidget(DataGrid1, 1);
    gridRow->addLayout(moveColumn);
    layout->addLayout(gridRow, 1);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(btnAddRow);
    rowButtons->addWidget(btnDeleteRow);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);
    layout->addWidget(FrameUrbEmi);
    layout->addLayout(frameButtons());

    buildCityTypeGrid();
    resize(640, 520);
}

void frmEditCityTypes::buildCityTypeGrid() {
    m_cities = cityTypeRows(m_state);
    m_model->refresh();
    m_dataFiles.assign(static_cast<std::size_t>(m_state.NPol + 1), std::string());
    NumDataFilesAtLoad = 0;
    cmbPollutants->blockSignals(true);
    cmbPollutants->clear();
    for (int k = 0; k <= m_state.NPol; ++k) {
        const auto i = static_cast<std::size_t>(k);
        m_dataFiles[i] = i < m_state.UrbEmiFileNames.size() ? m_state.UrbEmiFileNames[i] : std::string();
        NumDataFilesAtLoad += m_dataFiles[i].empty() ? 0 : 1;
        const Pollutant *p = m_state.PollutantList.find(m_state.PollutantNames[i]);
        if (p != nullptr && p->Emitter) {
            cmbPollutants->addItem(QString::fromStdString(p->LongName), k);
        }
    }
    cmbPollutants->setCurrentIndex(-1);
    cmbPollutants->blockSignals(false);
    enableUrbanFrame();
    updateMoveButtons();
}

void frmEditCityTypes::enableUrbanFrame() {
    const bool rows = !m_cities.empty();
    FrameUrbEmi->setEnabled(rows);
    if (rows && cmbPollutants->currentIndex() < 0 && cmbPollutants->count() > 0) {
        cmbPollutants->setCurrentIndex(0);
    } else if (!rows) {
        cmbPollutants->setCurrentIndex(-1);
    }
    showDataFile();
}

void frmEditCityTypes::showEvent(QShowEvent *event) {
    ListEditorFrame::showEvent(event);
    Form_Activate();
}

void frmEditCityTypes::Form_Activate() {
    if (m_activated) {
        return;
    }
    m_activated = true;
    if (m_state.UrbEmiFilesError) {
        UrbEmiFilesChanged = true;
        m_ui.message(
            std::string("One or more of the pollutantants refered to in the Urban Emission Files List, is "
                        "not in the Pollutants List.") +
                kCrLf + "This pollutant should be removed from the List!" + kCrLf +
                "Saving the Urban Emission Files List will correct the error.",
            Icon::Exclamation);
    }
    DataGrid1->setFocus();
}

int frmEditCityTypes::currentRow() const {
    const QModelIndex current = DataGrid1->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void frmEditCityTypes::selectRow(int row) {
    if (row >= 0 && row < m_model->rowCount()) {
        DataGrid1->setCurrentIndex(m_model->index(row, Population));
        DataGrid1->selectRow(row);
    }
    updateMoveButtons();
}

void frmEditCityTypes::updateMoveButtons() {
    const int row = currentRow();
    const int n = static_cast<int>(m_cities.size());
    const bool up = row > 0 && n > 1, down = row >= 0 && row < n - 1;
    MoveUpDown[1]->setEnabled(up);
    lblUpDown[1]->setEnabled(up);
    MoveUpDown[2]->setEnabled(down);
    lblUpDown[2]->setEnabled(down);
}

void frmEditCityTypes::btnAddRow_Click() {
    const int at = currentRow() < 0 ? static_cast<int>(m_cities.size()) : currentRow() + 1;
    m_cities.insert(m_cities.begin() + at, CityTypeRow{kPopulationDefault, 0, 0});
    m_model->refresh();
    selectRow(at);
    CityTypesChanged = true;
    enableUrbanFrame();
}

void frmEditCityTypes::btnDeleteRow_Click() {
    const int row = currentRow();
    if (row < 0) {
        return;
    }
    m_cities.erase(m_cities.begin() + row);
    m_model->refresh();
    selectRow(std::min(row, static_cast<int>(m_cities.size()) - 1));
    CityTypesChanged = true;
    enableUrbanFrame();
}

void frmEditCityTypes::MoveUpDown_Click(int index) {
    const int row = currentRow();
    const int other = index == 1 ? row - 1 : row + 1;
    if (row < 0 || other < 0 || other >= static_cast<int>(m_cities.size())) {
        return;
    }
    std::swap(m_cities[static_cast<std::size_t>(row)], m_cities[static_cast<std::size_t>(other)]);
    m_model->valuesChanged();
    selectRow(other);
    CityTypesChanged = true;
}

int frmEditCityTypes::selectedPollutant() const {
    return cmbPollutants->currentIndex() < 0 ? -1 : cmbPollutants->currentData().toInt();
}

void frmEditCityTypes::cmbPollutants_Click() {
    showDataFile();
}

void frmEditCityTypes::showDataFile() {
    const int k = selectedPollutant();
    const std::string file = k < 0 ? std::string() : m_dataFiles[static_cast<std::size_t>(k)];
    const QString text = file.empty() ? QString::fromLatin1(kNoData) : QString::fromStdString(file);
    // A name too long for the box is shortened in its middle; the tip holds it whole.
    const int room = std::max(txtDataFile->width() - 12, 200);
    txtDataFile->setText(txtDataFile->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
    txtDataFile->setToolTip(txtDataFile->text() == text ? QString() : text);
    btnView->setEnabled(!file.empty());
    btnDelete->setEnabled(!file.empty());
}

void frmEditCityTypes::btnChange_Click() {
    const int k = selectedPollutant();
    if (k < 0) {
        return;
    }
    FileChoice choice;
    choice.field = "the urban emission file";
    choice.folder = m_state.MetBackDir;
    choice.filters = {"Urban Emission data files (*.dat)|*.dat|All (*.*)|*.*"};
    const auto chosen = m_ui.chooseFile(choice);
    if (!chosen || chosen->empty()) {
        return;
    }
    // A file of the folder itself is held by its name; another keeps its path until a save copies it.
    const std::string folder = withTrailingSlash(nativePath(m_state.MetBackDir));
    std::string name = nativePath(*chosen);
    if (startsWithI(name, folder) && !hasFolder(name.substr(folder.size()))) {
        name = name.substr(folder.size());
    }
    m_dataFiles[static_cast<std::size_t>(k)] = name;
    UrbEmiFilesChanged = true;
    showDataFile();
}

void frmEditCityTypes::btnDelete_Click() {
    const int k = selectedPollutant();
    if (k < 0) {
        return;
    }
    m_dataFiles[static_cast<std::size_t>(k)].clear();
    UrbEmiFilesChanged = true;
    showDataFile();
}

void frmEditCityTypes::btnView_Click() {
    const int k = selectedPollutant();
    if (k < 0 || m_dataFiles[static_cast<std::size_t>(k)].empty()) {
        return;
    }
    const std::string &f = m_dataFiles[static_cast<std::size_t>(k)];
    if (refuseDriveLetterName(m_ui, f, "the urban emission file")) {
        return;
    }
    viewFile(hasFolder(f) ? f : joinPath(m_state.MetBackDir, f));
}

bool frmEditCityTypes::saveCityTypes(bool *saved) {
    const ListFileNames names = listFileNames("UrbEmi.lst");
    if (!CityTypesChanged &&
        m_ui.question(std::string("No changes have been made to the List of Standard City Types.") + kCrLf +
                          "Do you want to save this list anyway?",
                      Buttons::YesNo, Icon::Question, Answer::No) != Answer::Yes) {
        return true;
    }
    if (m_ui.question(std::string("A new List with Standard City Types will be created in the National Lists "
                                  "Folder.") +
                          kCrLf + "The actual Standard City Types List will be renamed as: " + names.previous,
                      Buttons::OkCancel, Icon::Information, Answer::Ok) != Answer::Ok) {
        return true;
    }
    if (!writeList(names, cityTypeListText(m_cities))) {
        return false;
    }
    CityTypesChanged = false;
    *saved = true;
    if (m_state.NoUrbEmiData && !m_cities.empty()) {
        makeBackup(names); // the first list with city types, unless there is a backup already
    }
    return true;
}

bool frmEditCityTypes::saveUrbanFiles(bool *saved) {
    const ListFileNames names = listFileNames("UrbEmiFiles.lst");
    if (!UrbEmiFilesChanged &&
        m_ui.question(std::string("No changes have been made to the List of Urban Emission files.") + kCrLf +
                          "Do you want to save this list anyway?",
                      Buttons::YesNo, Icon::Question, Answer::No) != Answer::Yes) {
        return true;
    }
    if (m_ui.question(std::string("A new List of Urban Emission Files will be created in the National Lists "
                                  "Folder.") +
                          kCrLf +
                          "The actual Urban Emission Files List will be renamed as: " + names.previous,
                      Buttons::OkCancel, Icon::Information, Answer::Ok) != Answer::Ok) {
        return true;
    }
    std::vector<UrbanFileRow> rows;
    std::vector<std::string> files = m_dataFiles;
    if (!m_cities.empty()) {
        for (int i = 0; i < cmbPollutants->count(); ++i) {
            const auto k = static_cast<std::size_t>(cmbPollutants->itemData(i).toInt());
            if (files[k].empty()) {
                continue;
            }
            if (hasFolder(files[k]) && !copyIntoFolder(files[k], m_state.MetBackDir, &files[k])) {
                return false;
            }
            rows.push_back({m_state.PollutantNames[k], files[k]});
        }
    }
    if (refuseProblem(urbanFileListProblem(rows, m_state)) || !writeList(names, urbanFileListText(rows))) {
        return false;
    }
    m_dataFiles = files;
    showDataFile();
    UrbEmiFilesChanged = false;
    m_state.UrbEmiFilesError = false;
    *saved = true;
    if (!rows.empty()) {
        makeBackup(names);
    }
    return true;
}

bool frmEditCityTypes::saveLists() {
    if (refuseProblem(cityTypeListProblem(m_cities))) {
        return false;
    }
    if (!m_state.NoUrbEmiData) {
        if (!makeBackup(listFileNames("UrbEmi.lst"))) {
            return false;
        }
        if (!m_state.UrbEmiFilesError && NumDataFilesAtLoad >= 1 &&
            !makeBackup(listFileNames("UrbEmiFiles.lst"))) {
            return false;
        }
    }
    bool saved = false;
    const bool ok = saveCityTypes(&saved) && saveUrbanFiles(&saved);
    if (saved && !reloadLists(nullptr)) {
        return false;
    }
    return ok && !CityTypesChanged && !UrbEmiFilesChanged;
}

void frmEditCityTypes::restoreLists() {
    if (m_ui.question("This will restore the Standard Urban Data settings to the original values at the "
                      "installation time or when the first not empty List was created.",
                      Buttons::OkCancel, Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    const bool cities = restoreOneList(listFileNames("UrbEmi.lst"));
    const bool files = restoreOneList(listFileNames("UrbEmiFiles.lst"));
    if (cities || files) {
        reloadLists(nullptr);
    }
    buildCityTypeGrid();
    CityTypesChanged = false;
    UrbEmiFilesChanged = false;
}

bool frmEditCityTypes::mayClose() {
    if (CityTypesChanged) {
        const Answer a =
            m_ui.question(std::string("Changes have been made to the List of Standard City Types.") + kCrLf +
                              "Do you want to save the List now?",
                          Buttons::YesNoCancel, Icon::Question, Answer::Cancel);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a == Answer::Yes) {
            return saveLists();
        }
    }
    if (UrbEmiFilesChanged) {
        const Answer a =
            m_ui.question(std::string("Changes have been made to the List of Urban Emission files.") + kCrLf +
                              "Do you want to save the List now?",
                          Buttons::YesNoCancel, Icon::Question, Answer::Cancel);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a == Answer::Yes) {
            return saveLists();
        }
    }
    return true;
}

} // namespace vesk::ui
