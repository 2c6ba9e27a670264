#include "ui/listeditors/frmEditPercentiles.h"

#include "core/Interaction.h"
#include "core/KeptSizes.h"
#include "core/Numbers.h"
#include "core/RestoredLists.h"
#include "ui/common/EngineState.h"
#include "ui/editors/RowsTableModel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

namespace vesk::ui {

frmEditPercentiles::frmEditPercentiles(State &state, Interaction &ui, HelpSystem *help, QWidget *parent)
    : ListEditorFrame(state, ui, help, 402, parent) {
    setObjectName(QStringLiteral("frmEditPercentiles"));
    setWindowTitle(QStringLiteral("Edit Percentiles"));
    buildTables();

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    const char *tabs[] = {"Hourly Averages", " Running Averages", "Daily Averages"};
    for (int k = 0; k < kPercentileFamilies; ++k) {
        const auto i = static_cast<std::size_t>(k);
        auto row = [this, i](int r) -> PercentileRow & { return m_families[i][static_cast<std::size_t>(r)]; };
        std::vector<RowsTableModel::Column> columns;
        columns.push_back(
            {QStringLiteral("Percentile"),
             [row](int r) {
                 const double p = row(r).percentile;
                 return std::isfinite(p) ? QVariant(QString::fromStdString(percentileText(p))) : QVariant();
             },
             [this, row, k](int r, const QVariant &v) {
                 const auto p = typedNumber(v);
                 if (!p) {
                     dataError(QStringLiteral("The value %1 is not a number.").arg(v.toString()));
                     return false;
                 }
                 if (const QString problem = percentileProblem(*p); !problem.isEmpty()) {
                     dataError(problem);
                     return false;
                 }
                 PercentileRow &cell = row(r);
                 const PercentileRow before = cell;
                 cell.percentile = *p;
                 if (!m_state.PercIndependent) {
                     cell.nthHighest = nthHighestOfPercentile(*p, k);
                 }
                 if (percentileText(before.percentile) != percentileText(cell.percentile) ||
                     before.nthHighest != cell.nthHighest) {
                     ListChanged = true;
                 }
                 m_models[static_cast<std::size_t>(k)]->valuesChanged();
                 return true;
             },
             true});
        columns.push_back(
            {QStringLiteral("nth Highest"),
             [row](int r) { return row(r).nthHighest < 0 ? QVariant() : QVariant(row(r).nthHighest); },
             [this, row, k](int r, const QVariant &v) {
                 const auto number = typedNumber(v);
                 if (!number || std::abs(*number) > 1e9) {
                     dataError(QStringLiteral("The value %1 is not a number.").arg(v.toString()));
                     return false;
                 }
                 const long n = static_cast<long>(roundHalfEven(*number));
                 if (n < 0 || n > kMaxNthHighestValue) {
                     dataError(QStringLiteral("The nth Highest value %1 must lie between 0 and %2.")
                                   .arg(n)
                                   .arg(kMaxNthHighestValue));
                     return false;
                 }
                 const double p = percentileOfNthHighest(n, k);
                 if (!m_state.PercIndependent) {
                     if (const QString problem = percentileProblem(p); !problem.isEmpty()) {
                         dataError(QStringLiteral("The nth Highest value %1 gives a percentile of %2.\r\n")
                                       .arg(n)
                                       .arg(QString::fromStdString(percentileText(p))) +
                                   problem);
                         return false;
                     }
                 }
                 PercentileRow &cell = row(r);
                 const PercentileRow before = cell;
                 cell.nthHighest = static_cast<int>(n);
                 if (!m_state.PercIndependent) {
                     cell.percentile = p;
                 }
                 if (percentileText(before.percentile) != percentileText(cell.percentile) ||
                     before.nthHighest != cell.nthHighest) {
                     ListChanged = true;
                 }
                 m_models[static_cast<std::size_t>(k)]->valuesChanged();
                 return true;
             },
             true});
        m_models[i] = new RowsTableModel([this, i] { return static_cast<int>(m_families[i].size()); },
                                         std::move(columns), this);
        DataGrid1[i] = makeGrid(QStringLiteral("DataGrid1_%1").arg(k).toLatin1().constData());
        DataGrid1[i]->setModel(m_models[i]);
        DataGrid1[i]->setMinimumHeight(DataGrid1[i]->verticalHeader()->defaultSectionSize() * 6);
        auto *page = new QWidget;
        auto *pageLayout = new QHBoxLayout(page);
        pageLayout->addStretch();
        pageLayout->addWidget(DataGrid1[i], 2);
        pageLayout->addStretch();
        SSTab1->addTab(page, QString::fromLatin1(tabs[k]));
    }

    Check1 = new QCheckBox(
        QStringLiteral("Allow independent definition of \"nth Highest\" values and Percentiles"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setChecked(m_state.PercIndependent);
    connect(Check1, &QCheckBox::clicked, this, &frmEditPercentiles::Check1_Click);

    btnAddRow = new QPushButton(QStringLiteral("&Add Row"), this);
    btnDeleteRow = new QPushButton(QStringLiteral("&Delete Row"), this);
    btnAddRow->setObjectName(QStringLiteral("btnAddRow"));
    btnDeleteRow->setObjectName(QStringLiteral("btnDeleteRow"));
    connect(btnAddRow, &QPushButton::clicked, this, &frmEditPercentiles::btnAddRow_Click);
    connect(btnDeleteRow, &QPushButton::clicked, this, &frmEditPercentiles::btnDeleteRow_Click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1, 1);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(btnAddRow);
    rowButtons->addWidget(btnDeleteRow);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);
    layout->addWidget(Check1);
    layout->addLayout(frameButtons());
    resize(520, 380);
}

void frmEditPercentiles::buildTables() {
    m_families = percentileFamilies(m_state);
    for (RowsTableModel *m : m_models) {
        if (m) {
            m->refresh();
        }
    }
}

QString frmEditPercentiles::percentileProblem(double percentile) const {
    // As the list writes it: a single-precision number.
    const float p = static_cast<float>(percentile);
    if (p > 0.0f && p < 100.0f) {
        return {};
    }
    return QStringLiteral("The percentile %1 must lie between 0 and 100.")
        .arg(QString::fromStdString(percentileText(percentile)));
}

void frmEditPercentiles::Check1_Click() {
    m_state.PercIndependent = Check1->isChecked();
}

void frmEditPercentiles::btnAddRow_Click() {
    const auto k = static_cast<std::size_t>(SSTab1->currentIndex());
    if (m_families[k].size() >= static_cast<std::size_t>(kMaxPercentileDefinitions)) {
        m_ui.message("A family holds at most " + std::to_string(kMaxPercentileDefinitions) +
                         " percentile definitions: delete one before adding another.",
                     Icon::Information);
        return;
    }
    const QModelIndex current = DataGrid1[k]->currentIndex();
    const int at = current.isValid() ? current.row() + 1 : static_cast<int>(m_families[k].size());
    m_families[k].insert(m_families[k].begin() + at,
                         PercentileRow{std::numeric_limits<double>::quiet_NaN(), -1});
    m_models[k]->refresh();
    DataGrid1[k]->setCurrentIndex(m_models[k]->index(at, Percentile));
    ListChanged = true;
}

void frmEditPercentiles::btnDeleteRow_Click() {
    const auto k = static_cast<std::size_t>(SSTab1->currentIndex());
    const QModelIndex current = DataGrid1[k]->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const int row = current.row();
    m_families[k].erase(m_families[k].begin() + row);
    m_models[k]->refresh();
    if (!m_families[k].empty()) {
        DataGrid1[k]->setCurrentIndex(m_models[k]->index(std::min(row, m_models[k]->rowCount() - 1), 0));
    }
    ListChanged = true;
}

bool frmEditPercentiles::saveLists() {
    const ListFileNames names = listFileNames("PercDef.lst");
    // The first-save backup comes before any question.
    if (refuseProblem(percentileListProblem(m_families)) || !makeBackup(names)) {
        return false;
    }
    std::vector<CompanionList> limits;
    if (!carryLimitValues(percentileNumbers(m_families), false, &limits)) {
        return false;
    }
    return saveOneList("Percentile Definition List", names, std::string(), percentileListText(m_families),
                       limits);
}

namespace {

std::string numbersText(const std::vector<double> &numbers) {
    std::string text;
    for (double p : numbers) {
        text += (text.empty() ? "" : ", ") + percentileText(p);
    }
    return text;
}

std::string namesText(const std::vector<std::string> &names) {
    std::string text;
    for (const std::string &name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// One line of the question for family k, "" when its columns stay as they are.
// taken: what the columns added took back from earlier limit value lists.
std::string columnChangesText(const LimitColumnChanges &c, const LimitColumnsTakenBack &taken, int k) {
    static const char *const families[kPercentileFamilies] = {"Hourly", "Running Average", "Daily"};
    if (!c.any()) {
        return {};
    }
    std::vector<std::string> parts;
    if (!c.added.empty()) {
        std::string added = numbersText(c.added) + " added, ";
        if (taken.regained.empty()) {
            added += "without limit values";
        } else {
            added += std::string(c.added.size() == 1 ? "with its" : "with their") +
                     " earlier limit values of " + namesText(taken.regained);
        }
        if (!taken.unknown.empty()) {
            added += " (no earlier Limit Values List gives them for " + namesText(taken.unknown) + ")";
        }
        parts.push_back(added);
    }
    if (!c.removed.empty()) {
        std::string lost;
        for (const std::string &name : c.lost) {
            lost += (lost.empty() ? "" : ", ") + name;
        }
        parts.push_back(numbersText(c.removed) + " removed" +
                        (lost.empty() ? ", no limit values with it" : ", with the limit values of " + lost));
    }
    if (c.moved) {
        parts.push_back("the columns put in ascending order");
    }
    std::string line = std::string(families[k]) + " Percentiles: ";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        line += (i == 0 ? "" : "; ") + parts[i];
    }
    return line + ".";
}

} // namespace

bool frmEditPercentiles::carryLimitValues(const PercentileNumbers &to, bool restoring,
                                          std::vector<CompanionList> *lists) {
    const PercentileNumbers from = percentileNumbers(m_state);
    if (samePercentileColumns(from, to) || !listFileExists(listsDir(), "LimValDef.lst")) {
        return true;
    }
    const std::vector<LimitValueBlock> blocks = limitValueBlocks(m_state);
    std::vector<LimitValueBlock> carried = carryLimitColumns(blocks, from, to);
    // A column that the restore brings back takes back the limit values it had
    // when a save removed it: the latest save's backup of the limit values
    // holds them, or else the list as it was before its first save.
    std::array<LimitColumnsTakenBack, kPercentileFamilies> taken{};
    if (restoring) {
        taken = takeBackLimitColumns(carried, from, to, earlierLimitValues());
    }
    if (const std::string problem = limitValueListProblem(carried, to); !problem.empty()) {
        if (restoring) {
            m_ui.message(problem + "\r\n\r\nThe limit values stay as they are. " + kCheckLimitValues,
                         Icon::Information);
            return true;
        }
        return !refuseProblem(problem);
    }
    const auto changes = limitColumnChanges(blocks, from, to);
    std::string text =
        std::string("The Limit Values List gives one column of limit values per percentile. ") +
        (restoring ? "Restored to the original percentile definitions"
                   : "Saved with these percentile definitions") +
        ", its columns go with their percentiles:";
    for (int k = 0; k < kPercentileFamilies; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (const std::string line = columnChangesText(changes[i], taken[i], k); !line.empty()) {
            text += "\r\n" + line;
        }
    }
    if (std::any_of(taken.begin(), taken.end(),
                    [](const LimitColumnsTakenBack &t) { return !t.unknown.empty(); })) {
        text += "\r\n" + std::string(kCheckLimitValues);
    }
    text += "\r\n\r\nA new Limit Values List will be created in the National Lists Folder too.\r\n"
            "The actual Limit Values List will be renamed as: LimValDef.ls0";
    if (m_ui.question(text, Buttons::OkCancel, Icon::Information, Answer::Ok) != Answer::Ok) {
        return false;
    }
    lists->push_back({listFileNames("LimValDef.lst"), limitValueListText(carried, m_state, to)});
    return true;
}

std::vector<LimitValueVersion> frmEditPercentiles::earlierLimitValues() const {
    const ListFileNames names = listFileNames("LimValDef.lst");
    std::vector<LimitValueVersion> versions;
    for (const std::string &file : {names.previous, names.backup}) {
        LimitValueVersion version;
        std::string error;
        // A backup that cannot be read gives nothing back.
        if (listFileExists(listsDir(), file) &&
            readLimitValueVersion(listFilePath(listsDir(), file), &version, &error)) {
            versions.push_back(std::move(version));
        }
    }
    return versions;
}

bool frmEditPercentiles::carryLimitValuesBack(const ListFileNames &names, std::vector<CompanionList> *lists) {
    if (!listFileExists(listsDir(), names.backup)) {
        return true; // nothing is restored
    }
    PercentileNumbers restored;
    std::string error;
    if (!readPercentileNumbers(listFilePath(listsDir(), names.backup), &restored, &error)) {
        backupUnreadable(names, error);
        return false;
    }
    return carryLimitValues(restored, true, lists);
}

void frmEditPercentiles::restoreLists() {
    if (m_ui.question("This will restore the percentiles settings to the original values.", Buttons::OkCancel,
                      Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    // The limit values' columns go back with their percentiles, as a save carries them.
    const ListFileNames names = listFileNames("PercDef.lst");
    std::vector<CompanionList> limits;
    if (!carryLimitValuesBack(names, &limits)) {
        return;
    }
    if (restoreOneList(names, limits)) {
        reloadLists(nullptr);
    }
    m_state.PercIndependent = false;
    Check1->setChecked(false);
    buildTables();
    ListChanged = false;
}

} // namespace vesk::ui
