#include "ui/listeditors/frmEditScenarios.h"

#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "ui/common/DesktopDocuments.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/common/EngineState.h"
#include "ui/editors/EditorComponents.h"
#include "ui/editors/RowsTableModel.h"
#include "ui/listeditors/CellDelegates.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace vesk::ui {

namespace {

const char *const kNoScenarioData = "No data available";
// The kinds of table files the program reads.
const char *const kFleetKinds = "Access (.mdb), Excel (.xls) or Lotus (.wk1-.wk4, .wks) file";
const char *const kFleetFilter =
    "Fleet Database File "
    "(*.mdb;*.xls;*.wk1;*.wk2;*.wk3;*.wk4;*.wks)|*.mdb;*.xls;*.wk1;*.wk2;*.wk3;*.wk4;*.wks|"
    "Access (*.mdb)|*.mdb|Excel (*.xls)|*.xls|Lotus (*.wk1;*.wk2;*.wk3;*.wk4;*.wks)|*.wk1;*.wk2;*.wk3;*.wk4;"
    "*.wks|All (*.*)|*.*";
const char *const kOutsideRange = "The date value is outside the valid range!";

// A typed year: a whole number of the plausible range.
std::optional<int> yearOf(const QString &text) {
    const auto v = parseNumber(text.trimmed().toStdString());
    if (!v || *v != static_cast<double>(static_cast<long>(*v)) || *v < kFirstPlausibleYear ||
        *v > kLastPlausibleYear) {
        return std::nullopt;
    }
    return static_cast<int>(*v);
}

} // namespace

frmEditScenarios::frmEditScenarios(State &state, Interaction &ui, HelpSystem *help, QWidget *parent)
    : ListEditorFrame(state, ui, help, 407, parent) {
    setObjectName(QStringLiteral("frmEditScenarios"));
    setWindowTitle(QStringLiteral("Emission Scenarios"));
    ListFolder = m_state.ListsDir;

    auto fileColumn = [this](std::string ScenarioRow::*field) {
        return [this, field](int r, const QVariant &v) {
            const std::string text = v.toString().trimmed().toStdString();
            std::string &cell = m_rows[static_cast<std::size_t>(r)].*field;
            if (text != cell) {
                cell = text;
                ListChanged = true;
            }
            return true;
        };
    };
    std::vector<RowsTableModel::Column> columns;
    columns.push_back({QStringLiteral("ScenarioYear"),
                       [this](int r) { return QVariant(m_rows[static_cast<std::size_t>(r)].year); },
                       [this](int r, const QVariant &v) {
                           const auto year = yearOf(v.toString());
                           if (!year) {
                               m_ui.message(kOutsideRange, Icon::Critical);
                               return false;
                           }
                           ScenarioRow &row = m_rows[static_cast<std::size_t>(r)];
                           for (std::size_t i = 0; i < m_rows.size(); ++i) {
                               if (static_cast<int>(i) != r && m_rows[i].year == *year) {
                                   m_ui.message(
                                       std::string("Duplicate Scenario Year value!") + kCrLf +
                                           "The Scenario Year value must be unique within the Scenario "
                                           "List.",
                                       Icon::Critical);
                                   return false;
                               }
                           }
                           if (row.year != *year) {
                               row.year = *year;
                               ListChanged = true;
                               updateLargestYear();
                           }
                           return true;
                       },
                       true});
    columns.push_back({QStringLiteral("Vehicles List File"),
                       [this](int r) {
                           return QVariant(
                               QString::fromStdString(m_rows[static_cast<std::size_t>(r)].vehicleFile));
                       },
                       fileColumn(&ScenarioRow::vehicleFile), false});
    columns.push_back({QStringLiteral("Fuels List File"),
                       [this](int r) {
                           return QVariant(
                               QString::fromStdString(m_rows[static_cast<std::size_t>(r)].fuelFile));
                       },
                       fileColumn(&ScenarioRow::fuelFile), false});
    m_model =
        new RowsTableModel([this] { return static_cast<int>(m_rows.size()); }, std::move(columns), this);
    DataGrid1 = makeGrid("DataGrid1");
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DataGrid1->setModel(m_model);
    DataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    DataGrid1->horizontalHeader()->setSectionResizeMode(Year, QHeaderView::ResizeToContents);
    DataGrid1->setMinimumHeight(DataGrid1->verticalHeader()->defaultSectionSize() * 9);
    auto *files = new FileCellDelegate(
        [this](const QModelIndex &index) -> std::optional<QString> {
            if (!chooseListFile(index.row(), index.column())) {
                return std::nullopt;
            }
            return index.data().toString();
        },
        this);
    DataGrid1->setItemDelegateForColumn(VehicleFile, files);
    DataGrid1->setItemDelegateForColumn(FuelFile, files);
    connect(DataGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &frmEditScenarios::enableListFileButton);
    connect(DataGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() == VehicleFile || index.column() == FuelFile) {
            btnListFile_Click();
        }
    });

    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    btnListFile = button("btnListFile", "View/Edit &List File");
    btnAddRow = button("btnAddRow", "&Add Year");
    btnDeleteRow = button("btnDeleteRow", "Delete &Year");
    btnView = button("btnView", "&View");
    btnChange = button("btnChange", "Cha&nge");
    btnDelete = button("btnDelete", "&Delete");
    txtDataFile = new QLineEdit(this);
    txtDataFile->setObjectName(QStringLiteral("txtDataFile"));
    txtDataFile->setReadOnly(true);
    for (int i = 1; i <= 2; ++i) {
        txtStartEnd[static_cast<std::size_t>(i)] = new QLineEdit(this);
        txtStartEnd[static_cast<std::size_t>(i)]->setObjectName(QStringLiteral("txtStartEnd_%1").arg(i));
        txtStartEnd[static_cast<std::size_t>(i)]->setMaximumWidth(70);
        connect(txtStartEnd[static_cast<std::size_t>(i)], &QLineEdit::editingFinished, this, [this, i] {
            QLineEdit *box = txtStartEnd[static_cast<std::size_t>(i)];
            if (box->text().trimmed().isEmpty()) {
                return; // the save asks for both years
            }
            if (const auto year = yearOf(box->text())) {
                box->setText(QString::number(*year));
            } else {
                m_ui.message(kOutsideRange, Icon::Critical);
                box->clear();
            }
        });
    }
    connect(btnListFile, &QPushButton::clicked, this, &frmEditScenarios::btnListFile_Click);
    connect(btnAddRow, &QPushButton::clicked, this, &frmEditScenarios::btnAddRow_Click);
    connect(btnDeleteRow, &QPushButton::clicked, this, &frmEditScenarios::btnDeleteRow_Click);
    connect(btnView, &QPushButton::clicked, this, &frmEditScenarios::btnView_Click);
    connect(btnChange, &QPushButton::clicked, this, &frmEditScenarios::btnChange_Click);
    connect(btnDelete, &QPushButton::clicked, this, &frmEditScenarios::btnDelete_Click);
    openDatabase = [this](const std::string &path) {
        const std::string shown = QDir::toNativeSeparators(QString::fromStdString(path)).toStdString();
        switch (openDocumentFile(QString::fromStdString(path))) {
        case DocumentOpening::Opened:
            break;
        case DocumentOpening::FileMissing:
            m_ui.message(std::string("The file was not found.") + kCrLf + shown, Icon::Critical);
            break;
        case DocumentOpening::FolderMissing:
            m_ui.message(std::string("The path was not found.") + kCrLf + shown, Icon::Critical);
            break;
        case DocumentOpening::NoViewer:
            m_ui.message(std::string("No program was found that shows this kind of file.") + kCrLf +
                             "The fleet database is the file" + kCrLf + shown,
                         Icon::Critical);
            break;
        case DocumentOpening::Failed:
            m_ui.message(std::string("The file could not be opened.") + kCrLf + shown, Icon::Critical);
            break;
        }
    };

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DataGrid1, 1);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(btnAddRow);
    rowButtons->addWidget(btnDeleteRow);
    rowButtons->addStretch();
    rowButtons->addWidget(btnListFile);
    layout->addLayout(rowButtons);
    auto *fleet = new QGridLayout;
    fleet->addWidget(new QLabel(QStringLiteral("Fleet Database File"), this), 0, 0);
    fleet->addWidget(txtDataFile, 0, 1, 1, 4);
    auto *label1 = new QLabel(QString::fromLatin1(kFleetKinds), this);
    label1->setObjectName(QStringLiteral("Label1"));
    fleet->addWidget(label1, 0, 5);
    fleet->addWidget(new QLabel(QStringLiteral("Start Year"), this), 1, 0);
    fleet->addWidget(txtStartEnd[1], 1, 1);
    fleet->addWidget(new QLabel(QStringLiteral("End Year"), this), 1, 2);
    fleet->addWidget(txtStartEnd[2], 1, 3);
    auto *fleetButtons = new QHBoxLayout;
    fleetButtons->addWidget(btnView);
    fleetButtons->addWidget(btnChange);
    fleetButtons->addWidget(btnDelete);
    fleet->addLayout(fleetButtons, 1, 4, 1, 2);
    layout->addLayout(fleet);
    layout->addLayout(frameButtons());

    buildScenarioGrid();
    resize(720, 460);
}

std::string frmEditScenarios::storedIn(const std::string &path, const std::string &folder) const {
    return storedNameFor(path, std::string(), folder); // a country list never names the project's folder
}

std::string frmEditScenarios::resolvedIn(const std::string &stored, const std::string &folder) const {
    return resolveStoredName(stored, folder, folder);
}

void frmEditScenarios::showDatabase(const std::string &stored) {
    const bool any = !stored.empty();
    txtDataFile->setText(any ? QString::fromStdString(stored) : QString::fromLatin1(kNoScenarioData));
    for (QWidget *w : std::initializer_list<QWidget *>{btnView, btnDelete, txtStartEnd[1], txtStartEnd[2]}) {
        w->setEnabled(any);
    }
}

void frmEditScenarios::buildScenarioGrid() {
    const ScenarioList list = scenarioList(m_state);
    m_rows = list.rows;
    m_model->refresh();
    LoadedFirstYear = LoadedLastYear = 0;
    showDatabase(list.fleetDatabase.empty() ? std::string()
                                            : storedIn(list.fleetDatabase, m_state.TrafficDir));
    if (!list.fleetDatabase.empty()) {
        txtStartEnd[1]->setText(QString::number(list.firstYear));
        txtStartEnd[2]->setText(QString::number(list.lastYear));
        LoadedFirstYear = list.firstYear;
        LoadedLastYear = list.lastYear;
    } else {
        txtStartEnd[1]->clear();
        txtStartEnd[2]->clear();
    }
    if (!m_rows.empty()) {
        LargestYear = m_rows.back().year;
        DataGrid1->setCurrentIndex(m_model->index(0, 0));
    }
    enableListFileButton();
}

void frmEditScenarios::updateLargestYear() {
    if (!m_rows.empty()) {
        LargestYear = std::max_element(m_rows.begin(), m_rows.end(), [](const auto &a, const auto &b) {
                          return a.year < b.year;
                      })->year;
    }
}

void frmEditScenarios::enableListFileButton() {
    const int column = DataGrid1->currentIndex().column();
    btnListFile->setEnabled(column == VehicleFile || column == FuelFile);
}

void frmEditScenarios::btnAddRow_Click() {
    m_rows.push_back({LargestYear + 1, kVehicleListPlaceholder, kFuelListPlaceholder});
    updateLargestYear();
    m_model->refresh();
    DataGrid1->setCurrentIndex(m_model->index(static_cast<int>(m_rows.size()) - 1, VehicleFile));
    ListChanged = true;
}

void frmEditScenarios::btnDeleteRow_Click() {
    const QModelIndex current = DataGrid1->currentIndex();
    if (!current.isValid()) {
        return;
    }
    if (m_rows.size() == 1) {
        m_ui.message(std::string("The Scenario List must contain at least one record!") + kCrLf +
                         "Can't delete the last record.",
                     Icon::Information);
        return;
    }
    const int row = current.row();
    m_rows.erase(m_rows.begin() + row);
    updateLargestYear();
    m_model->refresh();
    DataGrid1->setCurrentIndex(m_model->index(std::min(row, static_cast<int>(m_rows.size()) - 1), Year));
    ListChanged = true;
}

bool frmEditScenarios::chooseListFile(int row, int column) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || (column != VehicleFile && column != FuelFile)) {
        return false;
    }
    FileChoice choice;
    choice.folder = ListFolder;
    choice.field = column == VehicleFile ? "the vehicle list" : "the fuel list";
    choice.filters = {column == VehicleFile ? "Vehicle List Files (*.vlf)|*.vlf|All (*.*)|*.*"
                                            : "Fuel List Files (*.flf)|*.flf|All (*.*)|*.*"};
    const auto chosen = m_ui.chooseFile(choice);
    if (!chosen || chosen->empty()) {
        return false;
    }
    ListFolder = folderPart(*chosen);
    return m_model->setData(m_model->index(row, column),
                            QString::fromStdString(storedIn(*chosen, m_state.ListsDir)));
}

void frmEditScenarios::btnListFile_Click() {
    const QModelIndex current = DataGrid1->currentIndex();
    if (!current.isValid() || (current.column() != VehicleFile && current.column() != FuelFile)) {
        return;
    }
    const ScenarioRow &row = m_rows[static_cast<std::size_t>(current.row())];
    std::string path = current.column() == VehicleFile ? row.vehicleFile : row.fuelFile;
    ModelEnvironment env = m_state.ModelEnv;
    env.WorkDir = m_state.WorkDir;
    ListEditorComponent editor(m_ui, this);
    if (runListEditor) {
        editor.run = runListEditor;
    }
    bool saved = false;
    long errorCode = 0;
    editor.EditListFile(path, current.column() == VehicleFile ? kVehicleListKind : kFuelListKind, env,
                        m_state.StVehTypeNames, m_state.StFuelNames, saved, errorCode);
    m_state.ModelEnv = env;
}

void frmEditScenarios::btnView_Click() {
    const std::string stored = txtDataFile->text().toStdString();
    if (stored == kNoScenarioData || refuseDriveLetterName(m_ui, stored, "the fleet database file")) {
        return;
    }
    const std::string path = findExisting(resolvedIn(stored, m_state.TrafficDir));
    if (!QFileInfo(QString::fromStdString(path)).isFile()) {
        const bool folder = QFileInfo(QString::fromStdString(path)).absoluteDir().exists();
        m_ui.message(std::string(folder ? "The file was not found." : "The path was not found.") + kCrLf +
                         QDir::toNativeSeparators(QString::fromStdString(path)).toStdString(),
                     Icon::Critical);
        return;
    }
    openDatabase(path);
}

void frmEditScenarios::btnChange_Click() {
    FileChoice choice;
    choice.folder = m_state.TrafficDir;
    choice.filters = {kFleetFilter};
    choice.field = "the fleet database file";
    const auto chosen = m_ui.chooseFile(choice);
    if (!chosen || chosen->empty()) {
        return;
    }
    const std::string stored = storedIn(*chosen, m_state.TrafficDir);
    if (!iequals(stored, txtDataFile->text().toStdString())) {
        ListChanged = true;
    }
    showDatabase(stored);
    txtStartEnd[1]->setFocus();
    txtStartEnd[1]->selectAll();
}

void frmEditScenarios::btnDelete_Click() {
    showDatabase(std::string());
    txtStartEnd[1]->clear();
    txtStartEnd[2]->clear();
    ListChanged = true;
}

std::optional<int> frmEditScenarios::boxYear(int index) const {
    const auto v = parseNumber(txtStartEnd[static_cast<std::size_t>(index)]->text().trimmed().toStdString());
    if (!v) {
        return std::nullopt;
    }
    return static_cast<int>(roundHalfEven(*v));
}

ScenarioList frmEditScenarios::listToSave() const {
    ScenarioList list;
    const std::string shown = txtDataFile->text().toStdString();
    if (!iequals(shown, kNoScenarioData)) {
        list.fleetDatabase = shown;
        list.firstYear = boxYear(1).value_or(0);
        list.lastYear = boxYear(2).value_or(0);
    }
    list.rows = m_rows;
    return list;
}

bool frmEditScenarios::saveLists() {
    const ScenarioList list = listToSave();
    return saveOneList("Scenarios List", listFileNames("Scenarios.lst"), scenarioListProblem(list),
                       scenarioListText(list));
}

void frmEditScenarios::restoreLists() {
    if (m_ui.question("This will restore the Scenarios List to the original conditions.", Buttons::OkCancel,
                      Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    if (restoreOneList(listFileNames("Scenarios.lst"))) {
        reloadLists(nullptr);
    }
    buildScenarioGrid();
    ListChanged = false;
}

bool frmEditScenarios::mayClose() {
    if (txtStartEnd[1]->isEnabled() &&
        (boxYear(1).value_or(0) != LoadedFirstYear || boxYear(2).value_or(0) != LoadedLastYear)) {
        ListChanged = true;
    }
    return ListEditorFrame::mayClose();
}

} // namespace vesk::ui
