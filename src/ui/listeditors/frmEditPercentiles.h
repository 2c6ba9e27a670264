#pragma once

// "Edit Percentiles": the percentile definitions of the three families
// (hourly values, daily maxima of running 8-hour averages, daily averages),
// one tab and grid each. Editing the percentile of a row recomputes its n-th
// highest value from a year of 8760 hours or 365 days, and the other way
// round, unless the independent definition is allowed. A save writes each
// family sorted by ascending percentile.

#include "core/ListWriters.h"
#include "ui/listeditors/ListEditorFrame.h"

#include <array>

class QCheckBox;
class QTabWidget;
class QTableView;

namespace vesk::ui {

class RowsTableModel;

class frmEditPercentiles : public ListEditorFrame {
    Q_OBJECT
public:
    enum Column { Percentile, NthHighest };

    frmEditPercentiles(State &state, Interaction &ui, HelpSystem *help, QWidget *parent = nullptr);

    QTabWidget *SSTab1 = nullptr;
    std::array<QTableView *, kPercentileFamilies> DataGrid1{};
    QCheckBox *Check1 = nullptr;
    QPushButton *btnAddRow = nullptr, *btnDeleteRow = nullptr;

    // On the grid of the current tab.
    void btnAddRow_Click();
    void btnDeleteRow_Click();
    void Check1_Click();

    RowsTableModel *model(int type) const { return m_models[static_cast<std::size_t>(type)]; }
    const PercentileFamilies &families() const { return m_families; }

protected:
    bool saveLists() override;
    void restoreLists() override;
    std::string unloadText() const override { return "Percentiles Definition List"; }

private:
    void buildTables();

    PercentileFamilies m_families;
    std::array<RowsTableModel *, kPercentileFamilies> m_models{};
};

} // namespace vesk::ui
