#include "ui/listeditors/frmEditPollutants.h"

#include "calc/UnitFactors.h"
#include "core/Interaction.h"
#include "core/KeptSizes.h"
#include "core/RecordIO.h"
#include "core/RestoredLists.h"
#include "core/TextIO.h"
#include "ui/common/EngineState.h"
#include "ui/editors/RowsTableModel.h"
#include "ui/listeditors/CellDelegates.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

QString text(const std::string &s) {
    return QString::fromStdString(s);
}

// The first concentration limit value (> 0) of the pollutant, for an example.
double firstLimitValue(const std::vector<LimitValueBlock> &blocks, const std::string &name) {
    for (const LimitValueBlock &b : blocks) {
        if (!iequals(trim(b.name), trim(name))) {
            continue;
        }
        for (const LimitValueRow &row : b.rows) {
            for (const std::vector<double> *values : {&row.hourly, &row.run8, &row.daily}) {
                for (std::size_t i = 0; i + 1 < values->size(); ++i) {
                    if ((*values)[i] > 0) {
                        return (*values)[i];
                    }
                }
            }
        }
    }
    return 0;
}

} // namespace

frmEditPollutants::frmEditPollutants(State &state, Interaction &ui, HelpSystem *help, QWidget *parent)
    : ListEditorFrame(state, ui, help, 401, parent) {
    setObjectName(QStringLiteral("frmEditPollutants"));
    setWindowTitle(QStringLiteral("Edit Pollutants List"));
    buildRows();

    // A typed value that differs from the cell's marks the list changed.
    auto setText = [this](std::string PollutantRow::*field) {
        return [this, field](int row, const QVariant &v) {
            const std::string typed = v.toString().toStdString();
            std::string &cell = m_rows[static_cast<std::size_t>(row)].*field;
            if (typed != cell) {
                cell = typed;
                ListChanged = true;
            }
            return true;
        };
    };
    std::vector<RowsTableModel::Column> columns;
    columns.push_back({QStringLiteral("Pollutants Name"),
                       [this](int r) { return QVariant(text(m_rows[static_cast<std::size_t>(r)].name)); },
                       setText(&PollutantRow::name), false});
    columns.push_back({QStringLiteral("Pollutants Long Name"),
                       [this](int r) { return QVariant(text(m_rows[static_cast<std::size_t>(r)].longName)); },
                       setText(&PollutantRow::longName), false});
    columns.push_back(
        {QStringLiteral("Default Output Units"),
         [this](int r) { return QVariant(text(m_rows[static_cast<std::size_t>(r)].outputUnit)); },
         setText(&PollutantRow::outputUnit), false});
    columns.push_back(
        {QStringLiteral("Default Input Units"),
         [this](int r) { return QVariant(text(m_rows[static_cast<std::size_t>(r)].inputUnit)); },
         setText(&PollutantRow::inputUnit), false});
    columns.push_back(
        {QStringLiteral("Emitter"),
         [this](int r) {
             return QVariant(m_rows[static_cast<std::size_t>(r)].emitter ? QStringLiteral("True")
                                                                         : QStringLiteral("False"));
         },
         [this](int r, const QVariant &v) {
             const bool on = v.toString().compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0;
             bool &cell = m_rows[static_cast<std::size_t>(r)].emitter;
             if (on != cell) {
                 cell = on;
                 ListChanged = true;
             }
             return true;
         },
         false});
    columns.push_back(
        {QStringLiteral("microg_To_ppb"),
         [this](int r) {
             return QVariant(text(formatNumber(m_rows[static_cast<std::size_t>(r)].microgToPpb)));
         },
         [this](int r, const QVariant &v) {
             const auto number = typedNumber(v);
             if (!number) {
                 dataError(QStringLiteral("The value %1 is not a number.").arg(v.toString()));
                 return false;
             }
             // The list is refused on loading with a factor below 0.
             if (*number < 0) {
                 dataError(QStringLiteral("The microgram-to-ppb factor %1 lies below 0.").arg(v.toString()));
                 return false;
             }
             double &cell = m_rows[static_cast<std::size_t>(r)].microgToPpb;
             if (*number != cell) {
                 cell = *number;
                 ListChanged = true;
             }
             return true;
         },
         true});
    m_model =
        new RowsTableModel([this] { return static_cast<int>(m_rows.size()); }, std::move(columns), this);
    // The name, the emitter flag and the factor of NO, NOX, NO2 and O3 stay.
    m_model->setCellLock([this](int row, int column) {
        return !isProtectedRow(row) || (column != Name && column != Emitter && column != MicrogToPpb);
    });

    DataGrid1 = makeGrid("DataGrid1");
    DataGrid1->setModel(m_model);
    QStringList units;
    for (const std::string &u : unitKeywords()) {
        units << text(u);
    }
    auto *unitPicker = new ChoiceDelegate(units, this);
    DataGrid1->setItemDelegateForColumn(OutputUnit, unitPicker);
    DataGrid1->setItemDelegateForColumn(InputUnit, unitPicker);
    DataGrid1->setItemDelegateForColumn(
        Emitter, new ChoiceDelegate({QStringLiteral("True"), QStringLiteral("False")}, this));
    DataGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    DataGrid1->setMinimumHeight(DataGrid1->verticalHeader()->defaultSectionSize() * 10);

    btnAddRow = new QPushButton(QStringLiteral("&Add Row"), this);
    btnDeleteRow = new QPushButton(QStringLiteral("&Delete Row"), this);
    btnAddRow->setObjectName(QStringLiteral("btnAddRow"));
    btnDeleteRow->setObjectName(QStringLiteral("btnDeleteRow"));
    connect(btnAddRow, &QPushButton::clicked, this, &frmEditPollutants::btnAddRow_Click);
    connect(btnDeleteRow, &QPushButton::clicked, this, &frmEditPollutants::btnDeleteRow_Click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DataGrid1, 1);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(btnAddRow);
    rowButtons->addWidget(btnDeleteRow);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);
    const char *notes[] = {
        "Note 1: The Pollutants List must at least contain NOX, NO, NO2 and O3",
        "Note 2: The Default Output Units refer to the concentration units in the default output result "
        "files",
        "Note 3: The Default Input Units refer to the concentration units in the default input files"};
    for (const char *note : notes) {
        auto *label = new QLabel(QString::fromUtf8(note), this);
        label->setObjectName(QStringLiteral("Label1"));
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    layout->addLayout(frameButtons());
    resize(760, 460);
}

void frmEditPollutants::buildRows() {
    m_rows = pollutantRows(m_state);
}

bool frmEditPollutants::isProtectedRow(int row) const {
    return row >= 0 && row < static_cast<int>(m_rows.size()) &&
           isProtectedPollutant(m_rows[static_cast<std::size_t>(row)].name);
}

int frmEditPollutants::selectedRow() const {
    const QModelIndex current = DataGrid1->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void frmEditPollutants::selectRow(int row) {
    if (row >= 0 && row < m_model->rowCount()) {
        DataGrid1->setCurrentIndex(m_model->index(row, 0));
        DataGrid1->selectRow(row);
    }
}

void frmEditPollutants::btnAddRow_Click() {
    if (m_rows.size() >= static_cast<std::size_t>(kMaxPollutants)) {
        m_ui.message("The list holds at most " + std::to_string(kMaxPollutants) +
                         " pollutants: delete one before adding another.",
                     Icon::Information);
        return;
    }
    const int at = selectedRow() < 0 ? static_cast<int>(m_rows.size()) : selectedRow() + 1;
    PollutantRow row;
    row.name = "PollutName";
    row.longName = "PollutLongName";
    m_rows.insert(m_rows.begin() + at, row);
    m_model->refresh();
    selectRow(at);
    ListChanged = true;
}

void frmEditPollutants::btnDeleteRow_Click() {
    const int row = selectedRow();
    if (row < 0 || isProtectedRow(row)) {
        return;
    }
    m_rows.erase(m_rows.begin() + row);
    m_model->refresh();
    selectRow(std::min(row, static_cast<int>(m_rows.size()) - 1));
    ListChanged = true;
}

bool frmEditPollutants::saveLists() {
    const ListFileNames names = listFileNames("Pollutants.lst");
    // The first-save backup comes before any question.
    if (refuseProblem(pollutantListProblem(m_rows)) || !makeBackup(names)) {
        return false;
    }
    std::vector<CompanionList> limits;
    if (!convertLimitValues(m_rows, &limits)) {
        return false;
    }
    return saveOneList("Pollutants List", names, std::string(), pollutantListText(m_rows), limits);
}

bool frmEditPollutants::convertLimitValues(const std::vector<PollutantRow> &rows,
                                           std::vector<CompanionList> *lists) {
    if (!listFileExists(listsDir(), "LimValDef.lst")) {
        return true;
    }
    std::vector<LimitValueBlock> blocks = limitValueBlocks(m_state);
    bool converted = false;
    for (const PollutantRow &row : rows) {
        // The pollutant as loaded, by its name.
        int k = -1;
        for (int i = 0; i <= m_state.NPol && k < 0; ++i) {
            if (iequals(trim(m_state.PollutantNames[static_cast<std::size_t>(i)]), trim(row.name))) {
                k = i;
            }
        }
        if (k < 0) {
            continue;
        }
        const std::string &oldUnit = m_state.DefOutputUnits[static_cast<std::size_t>(k)];
        const std::string &newUnit = row.outputUnit;
        if (iequals(trim(oldUnit), trim(newUnit)) || !hasConcentrationLimits(blocks, row.name)) {
            continue;
        }
        const std::string readInNewUnit =
            "The limit values of " + row.name + " will now be read in " + newUnit + ".";
        const std::optional<double> factor = concentrationUnitFactor(
            oldUnit, m_state.MicrogToPpb[static_cast<std::size_t>(k)], newUnit, row.microgToPpb);
        if (!factor) {
            m_ui.message("The limit values of " + row.name +
                             " in the Limit Values List cannot be converted from " + oldUnit + " to " +
                             newUnit + "." + kCrLf + readInNewUnit + kCrLf + kCheckLimitValues,
                         Icon::Information);
            continue;
        }
        const double example = firstLimitValue(blocks, row.name);
        const Answer a = m_ui.question(
            "The Default Output Units of " + row.name + " change from " + oldUnit + " to " + newUnit + "." +
                kCrLf + "The limit values of " + row.name +
                " in the Limit Values List are read in its Default Output Units." + kCrLf + kCrLf +
                "Do you want to convert them to " + newUnit + " (" +
                formatSingle(static_cast<float>(example)) + " " + oldUnit + " becomes " +
                formatSingle(static_cast<float>(example * *factor)) + " " + newUnit + ")?" + kCrLf +
                "Yes: the Limit Values List is saved with the converted values (the actual list is "
                "renamed as: LimValDef.ls0)." +
                kCrLf + "No: the values stay as they are and will be read in " + newUnit + ".",
            Buttons::YesNoCancel, Icon::Question, Answer::Yes);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a != Answer::Yes) {
            m_ui.message(readInNewUnit, Icon::Information);
            continue;
        }
        scaleConcentrationLimits(blocks, row.name, *factor);
        converted = true;
    }
    if (!converted) {
        return true;
    }
    if (refuseProblem(limitValueListProblem(blocks, m_state))) {
        return false;
    }
    lists->push_back({listFileNames("LimValDef.lst"), limitValueListText(blocks, m_state)});
    return true;
}

bool frmEditPollutants::convertLimitValuesBack(const ListFileNames &names,
                                               std::vector<CompanionList> *lists) {
    if (!listFileExists(listsDir(), names.backup)) {
        return true; // nothing is restored
    }
    std::vector<PollutantRow> restored;
    std::string error;
    if (!readPollutantRows(listFilePath(listsDir(), names.backup), &restored, &error)) {
        backupUnreadable(names, error);
        return false;
    }
    return convertLimitValues(restored, lists);
}

void frmEditPollutants::restoreLists() {
    if (m_ui.question("This will restore the pollutants settings to the original values.", Buttons::OkCancel,
                      Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    // The limit values that the saves converted to other units go back with the units.
    const ListFileNames names = listFileNames("Pollutants.lst");
    std::vector<CompanionList> limits;
    if (!convertLimitValuesBack(names, &limits)) {
        return;
    }
    if (restoreOneList(names, limits)) {
        reloadLists(nullptr);
    }
    buildRows();
    m_model->refresh();
    ListChanged = false;
}

} // namespace vesk::ui
