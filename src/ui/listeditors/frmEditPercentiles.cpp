#include "ui/listeditors/frmEditPercentiles.h"

#include "core/Interaction.h"
#include "core/Numbers.h"
#include "ui/common/EngineState.h"
#include "ui/editors/RowsTableModel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
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
                 PercentileRow &cell = row(r);
                 const PercentileRow before = cell;
                 cell.nthHighest = static_cast<int>(roundHalfEven(*number));
                 if (!m_state.PercIndependent) {
                     cell.percentile = percentileOfNthHighest(cell.nthHighest, k);
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

void frmEditPercentiles::Check1_Click() {
    m_state.PercIndependent = Check1->isChecked();
}

void frmEditPercentiles::btnAddRow_Click() {
    const auto k = static_cast<std::size_t>(SSTab1->currentIndex());
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
    return saveOneList("Percentile Definition List", listFileNames("PercDef.lst"),
                       percentileListProblem(m_families), percentileListText(m_families));
}

void frmEditPercentiles::restoreLists() {
    if (m_ui.question("This will restore the percentiles settings to the original values.", Buttons::OkCancel,
                      Icon::Information, Answer::Cancel) != Answer::Ok) {
        return;
    }
    if (restoreOneList(listFileNames("PercDef.lst"))) {
        reloadLists(nullptr);
    }
    m_state.PercIndependent = false;
    Check1->setChecked(false);
    buildTables();
    ListChanged = false;
}

} // namespace vesk::ui
