#include "ui/listeditors/frmEditLimitVal.h"

#include "core/CountryLists.h"
#include "core/Interaction.h"
#include "core/KeptSizes.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "ui/common/EngineState.h"
#include "ui/editors/RowsTableModel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

const char *const kNewTitle = "Add Title text";

// "(µg/m³)" for a pollutant whose default output unit is a keyword, else "".
QString unitLabel(const std::string &unit) {
    const char *names[] = {"ng/m³", "µg/m³", "mg/m³", "ppt", "ppb", "ppm"};
    const auto &keywords = unitKeywords();
    for (std::size_t k = 0; k < keywords.size(); ++k) {
        if (iequals(unit, keywords[k])) {
            return QStringLiteral("(%1)").arg(QString::fromUtf8(names[k]));
        }
    }
    return {};
}

} // namespace

frmEditLimitVal::frmEditLimitVal(State &state, Interaction &ui, HelpSystem *help, QWidget *parent)
    : ListEditorFrame(state, ui, help, 403, parent) {
    setObjectName(QStringLiteral("frmEditLimitVal"));
    setWindowTitle(QStringLiteral("Edit Limit Values"));

    cmbPollut = new QComboBox(this);
    cmbPollut->setObjectName(QStringLiteral("cmbPollut"));
    cmbPollut->setMinimumContentsLength(24);
    lblUnits = new QLabel(this);
    lblUnits->setObjectName(QStringLiteral("lblUnits"));
    lblInfo =
        new QLabel(QStringLiteral("One or more of the pollutants, refered to in the Limit Values List, is "
                                  "not in the Pollutants List!"),
                   this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setWordWrap(true);
    lblInfo->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));

    // Column names by the percentile display mode of each family.
    const State &s = m_state;
    auto percentileNames = [](const std::vector<std::string> &nth, const std::vector<std::string> &perc,
                              int count, int mode, std::vector<QString> &out) {
        for (int j = 1; j <= count; ++j) {
            const auto &names = mode == 0 ? nth : perc;
            const auto i = static_cast<std::size_t>(j);
            out.push_back(QString::fromStdString(i < names.size() ? names[i] : std::string()));
        }
    };
    auto name = [](const std::string &t) { return QString::fromStdString(t); };
    m_columnNames[0] = {QStringLiteral("Limit Value Title"), name(s.LimValColAvHourly),
                        name(s.LimValColMaxHourly)};
    percentileNames(s.LimValColNthHourly, s.LimValColPercHourly, s.NumPercHourly, s.PercMode,
                    m_columnNames[0]);
    m_columnNames[0].push_back(name(s.LimValColDCHourly));
    m_columnNames[1] = {QStringLiteral("Limit Value Title"), name(s.LimValColMaxRun8)};
    percentileNames(s.LimValColNthRun8, s.LimValColPercRun8, s.NumPercRun8, s.Run8PercMode, m_columnNames[1]);
    m_columnNames[1].push_back(name(s.LimValColDCRun8));
    m_columnNames[2] = {QStringLiteral("Limit Value Title"), name(s.LimValColMaxDaily)};
    percentileNames(s.LimValColNthDaily, s.LimValColPercDaily, s.NumPercDaily, s.DailyPercMode,
                    m_columnNames[2]);
    m_columnNames[2].push_back(name(s.LimValColDCDaily));

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    const char *tabs[] = {"Hourly Averages", " Running Averages", "Daily Averages"};
    for (int k = 0; k < 3; ++k) {
        std::vector<RowsTableModel::Column> columns;
        for (std::size_t c = 0; c < m_columnNames[static_cast<std::size_t>(k)].size(); ++c) {
            RowsTableModel::Column column;
            column.title = m_columnNames[static_cast<std::size_t>(k)][c];
            if (c == 0) {
                column.get = [this](int r) {
                    return QVariant(QString::fromStdString(rows()[static_cast<std::size_t>(r)].title));
                };
                column.set = [this](int r, const QVariant &v) {
                    std::string title = v.toString().trimmed().toStdString();
                    if (title.empty()) {
                        m_ui.message(
                            "Whenever a Limit Value is specified, the Limit Value Title text must be "
                            "provided too!",
                            Icon::Exclamation);
                        title = kNewTitle;
                    }
                    std::string &cell = rows()[static_cast<std::size_t>(r)].title;
                    if (title != cell) {
                        cell = title;
                        ListChanged = true;
                    }
                    for (RowsTableModel *m : m_models) {
                        m->valuesChanged();
                    }
                    return true;
                };
            } else {
                column.number = true;
                column.get = [this, k, c](int r) {
                    const double v = values(rows()[static_cast<std::size_t>(r)], k)[c - 1];
                    return isMissing(v) || v < 0
                               ? QVariant()
                               : QVariant(QString::fromStdString(formatSingle(static_cast<float>(v))));
                };
                column.set = [this, k, c](int r, const QVariant &v) {
                    double value = kMissing;
                    if (!v.toString().trimmed().isEmpty()) {
                        const auto number = typedNumber(v);
                        if (!number || *number < 0) {
                            dataError(QStringLiteral("The value %1 is not a limit value (a number of 0 or "
                                                     "more; an empty cell gives none).")
                                          .arg(v.toString()));
                            return false;
                        }
                        value = static_cast<float>(*number); // as the list keeps it
                    }
                    double &cell = values(rows()[static_cast<std::size_t>(r)], k)[c - 1];
                    if (value != cell) {
                        cell = value;
                        ListChanged = true;
                    }
                    return true;
                };
            }
            columns.push_back(std::move(column));
        }
        m_models[static_cast<std::size_t>(k)] = new RowsTableModel(
            [this] { return m_current < 0 ? 0 : static_cast<int>(rows().size()); }, std::move(columns), this);
        auto *grid = makeGrid(QStringLiteral("DataGrid1_%1").arg(k).toLatin1().constData());
        grid->setModel(m_models[static_cast<std::size_t>(k)]);
        grid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
        grid->setMinimumHeight(grid->verticalHeader()->defaultSectionSize() * 7);
        DataGrid1[static_cast<std::size_t>(k)] = grid;
        SSTab1->addTab(grid, QString::fromLatin1(tabs[k]));
    }

    btnAddRow = new QPushButton(QStringLiteral("&Add Limit Value"), this);
    btnDeleteRow = new QPushButton(QStringLiteral("&Delete Limit Value"), this);
    btnAddRow->setObjectName(QStringLiteral("btnAddRow"));
    btnDeleteRow->setObjectName(QStringLiteral("btnDeleteRow"));
    connect(btnAddRow, &QPushButton::clicked, this, &frmEditLimitVal::btnAddRow_Click);
    connect(btnDeleteRow, &QPushButton::clicked, this, &frmEditLimitVal::btnDeleteRow_Click);

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(cmbPollut);
    top->addWidget(lblUnits);
    top->addStretch();
    layout->addLayout(top);
    layout->addWidget(lblInfo);
    layout->addWidget(SSTab1, 1);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(btnAddRow);
    rowButtons->addWidget(btnDeleteRow);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);
    layout->addLayout(frameButtons());

    buildEntries();
    fillCombo();
    connect(cmbPollut, &QComboBox::currentIndexChanged, this, &frmEditLimitVal::cmbPollut_Click);
    resize(900, 420);
}

std::vector<LimitValueRow> &frmEditLimitVal::rows() {
    return m_entries[static_cast<std::size_t>(m_current)].block.rows;
}

const std::vector<LimitValueRow> &frmEditLimitVal::currentRows() const {
    static const std::vector<LimitValueRow> none;
    return m_current < 0 ? none : m_entries[static_cast<std::size_t>(m_current)].block.rows;
}

std::vector<double> &frmEditLimitVal::values(LimitValueRow &row, int type) const {
    return type == 0 ? row.hourly : type == 1 ? row.run8 : row.daily;
}

void frmEditLimitVal::buildEntries() {
    m_entries.clear();
    for (LimitValueBlock &block : limitValueBlocks(m_state)) {
        Entry e;
        const Pollutant *p = m_state.PollutantList.find(block.name);
        e.marked = p == nullptr;
        e.text = e.marked ? QString::fromStdString(block.name) + QStringLiteral(" - !")
                          : QString::fromStdString(p->LongName);
        e.block = std::move(block);
        m_entries.push_back(std::move(e));
    }
    for (const Pollutant &p : m_state.PollutantList) {
        bool listed = false;
        for (const Entry &e : m_entries) {
            listed = listed || (!e.marked && iequals(e.block.name, p.Name));
        }
        if (!listed) {
            Entry e;
            e.block.name = p.Name;
            e.text = QString::fromStdString(p.LongName);
            e.added = true;
            m_entries.push_back(std::move(e));
        }
    }
}

void frmEditLimitVal::fillCombo() {
    m_selecting = true;
    cmbPollut->clear();
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i].removed) {
            cmbPollut->addItem(m_entries[i].text, static_cast<int>(i));
        }
    }
    cmbPollut->setCurrentIndex(cmbPollut->count() > 0 ? 0 : -1);
    m_selecting = false;
    lblInfo->setVisible(markedCount() > 0);
    cmbPollut_Click(cmbPollut->currentIndex());
}

int frmEditLimitVal::markedCount() const {
    int n = 0;
    for (const Entry &e : m_entries) {
        n += e.marked && !e.removed ? 1 : 0;
    }
    return n;
}

void frmEditLimitVal::showEvent(QShowEvent *event) {
    ListEditorFrame::showEvent(event);
    if (!m_activated) {
        Form_Activate();
    }
}

void frmEditLimitVal::Form_Activate() {
    if (m_activated) {
        return;
    }
    m_activated = true;
    selectFirstMarked();
    for (const Entry &e : m_entries) {
        if (!e.added) {
            continue;
        }
        ListChanged = true;
        m_ui.message("The pollutant " + e.block.name + " has been added to the Limit Values List." + kCrLf +
                         "If you wish to define any limit values for this pollutant, you should select this "
                         "pollutant from the drop-down list and add the appropriate limit values." +
                         kCrLf + kCrLf +
                         "Next time you save the List, this pollutant will be added to the List.",
                     Icon::Information);
    }
    const State &s = m_state;
    if (s.LimHourlyCountDiff || s.LimRunAvgCountDiff || s.LimDailyCountDiff) {
        ListChanged = true;
        m_ui.message(
            std::string("The number of Percentile values in the Limit Values List is different from the "
                        "number of Percentile values in the Percentiles Definition List!") +
                kCrLf + "The extra values provided in the Limit Values List will be ignored." + kCrLf +
                "Relevant limit values might need to be specified for the missing percentile values." +
                kCrLf + kCrLf + "This error will be corrected upon saving the List.",
            Icon::Information);
    }
    if (s.LimHourlyValueDiff || s.LimRunAvgValueDiff || s.LimDailyValueDiff) {
        ListChanged = true;
        m_ui.message(
            std::string("One or more of the Percentile values refered to in the Limit Values List is "
                        "different from the values specified in the Percentiles Definition List!") +
                kCrLf + "The values provided in the Percentiles Definition List will be used." + kCrLf +
                kCrLf + "This error will be corrected upon saving the List.",
            Icon::Information);
    }
}

void frmEditLimitVal::selectFirstMarked() {
    for (int i = 0; i < cmbPollut->count(); ++i) {
        const Entry &e = m_entries[static_cast<std::size_t>(cmbPollut->itemData(i).toInt())];
        if (e.marked && !e.removed) {
            if (cmbPollut->currentIndex() == i) {
                cmbPollut_Click(i);
            } else {
                cmbPollut->setCurrentIndex(i);
            }
            return;
        }
    }
    if (cmbPollut->count() > 0) {
        cmbPollut->setCurrentIndex(0);
    }
}

void frmEditLimitVal::cmbPollut_Click(int index) {
    if (m_selecting) {
        return;
    }
    lblUnits->clear();
    m_current = index < 0 ? -1 : cmbPollut->itemData(index).toInt();
    for (RowsTableModel *m : m_models) {
        m->refresh();
    }
    if (m_current < 0) {
        return;
    }
    Entry &e = m_entries[static_cast<std::size_t>(m_current)];
    if (const Pollutant *p = m_state.PollutantList.find(e.block.name)) {
        lblUnits->setText(unitLabel(m_state.DefOutputUnits[static_cast<std::size_t>(p->Index)]));
        return;
    }
    if (!m_activated || e.removed) {
        return;
    }
    const Answer a = m_ui.question("The pollutant " + e.block.name + " is not in the Pollutants List!" +
                                       kCrLf + "This pollutant must be deleted from the Limit Values List.",
                                   Buttons::OkCancel, Icon::Critical, Answer::Cancel);
    if (a != Answer::Ok) {
        return; // it stays, marked, and is left out of a save
    }
    ListChanged = true;
    e.removed = true;
    m_selecting = true;
    cmbPollut->removeItem(index);
    cmbPollut->setCurrentIndex(-1);
    m_selecting = false;
    lblInfo->setVisible(markedCount() > 0);
    selectFirstMarked();
}

void frmEditLimitVal::btnAddRow_Click() {
    if (m_current < 0) {
        return;
    }
    if (rows().size() >= static_cast<std::size_t>(kMaxLimitValueRows)) {
        m_ui.message("A pollutant holds at most " + std::to_string(kMaxLimitValueRows) +
                         " limit values: delete one before adding another.",
                     Icon::Information);
        return;
    }
    const auto k = static_cast<std::size_t>(SSTab1->currentIndex());
    const QModelIndex current = DataGrid1[k]->currentIndex();
    const int at = current.isValid() ? current.row() + 1 : static_cast<int>(rows().size());
    rows().insert(rows().begin() + at, emptyLimitValueRow(m_state, kNewTitle));
    for (RowsTableModel *m : m_models) {
        m->refresh();
    }
    DataGrid1[k]->setCurrentIndex(m_models[k]->index(at, 0));
    ListChanged = true;
}

void frmEditLimitVal::btnDeleteRow_Click() {
    if (m_current < 0) {
        return;
    }
    const auto k = static_cast<std::size_t>(SSTab1->currentIndex());
    const QModelIndex current = DataGrid1[k]->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const int row = current.row();
    rows().erase(rows().begin() + row);
    for (RowsTableModel *m : m_models) {
        m->refresh();
    }
    if (!rows().empty()) {
        DataGrid1[k]->setCurrentIndex(
            m_models[k]->index(std::min(row, static_cast<int>(rows().size()) - 1), 0));
    }
    ListChanged = true;
}

std::vector<LimitValueBlock> frmEditLimitVal::blocksToSave() const {
    std::vector<LimitValueBlock> blocks;
    for (int i = 0; i < cmbPollut->count(); ++i) {
        const Entry &e = m_entries[static_cast<std::size_t>(cmbPollut->itemData(i).toInt())];
        if (!e.marked) {
            blocks.push_back(e.block);
        }
    }
    return blocks;
}

bool frmEditLimitVal::saveLists() {
    const std::vector<LimitValueBlock> blocks = blocksToSave();
    if (refuseProblem(limitValueListProblem(blocks, m_state))) {
        return false;
    }
    if (markedCount() > 0 &&
        m_ui.question(
            std::string("One or more of the pollutants refered to in the Limit Values List is not in the "
                        "Pollutants List!") +
                kCrLf + "When saved, these pollutants will be removed from the Limit Values List." + kCrLf +
                "Do you want to continue with saving the List?",
            Buttons::YesNo, Icon::Information, Answer::No) != Answer::Yes) {
        return false;
    }
    return saveOneList("Limit Values List", listFileNames("LimValDef.lst"), std::string(),
                       limitValueListText(blocks, m_state));
}

void frmEditLimitVal::restoreLists() {
    if (m_ui.question("This will restore the limit values settings to the original values.",
                      Buttons::OkCancel, Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    if (restoreOneList(listFileNames("LimValDef.lst"))) {
        ReadLimitValues(m_state, m_ui);
    }
    buildEntries();
    fillCombo();
    ListChanged = false;
    m_activated = false;
    Form_Activate();
}

} // namespace vesk::ui
