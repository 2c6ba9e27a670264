#pragma once

// "Edit Percentiles": the percentile definitions of the three families
// (hourly values, daily maxima of running 8-hour averages, daily averages),
// one tab and grid each. Editing the percentile of a row recomputes its n-th
// highest value from a year of 8760 hours or 365 days, and the other way
// round, unless the independent definition is allowed. A percentile outside
// 0 to 100 is refused in its cell. A save writes each family sorted by
// ascending percentile.
//
// The limit values give one column per percentile. When a save adds,
// removes or reorders percentiles, the Limit Values List is saved with it,
// after a question that says what happens: each column goes with its
// percentile, a new percentile gets a column without limit values and a
// removed one takes its column with it. Restore carries the columns back to
// the definitions of PercDef.bak in the same way, after the same question.

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
    // The Limit Values List with its columns carried to the definitions to
    // (those a save writes, or those a restore brings back) in *lists, when
    // they differ from the loaded ones and the user agrees; false when the
    // user cancelled. A list that cannot be carried refuses the save; a
    // restore then leaves the limit values as they are, saying so.
    bool carryLimitValues(const PercentileNumbers &to, bool restoring, std::vector<CompanionList> *lists);
    // The same for the definitions that a restore from names' backup brings
    // back; false also (after a message) when the backup cannot be read.
    bool carryLimitValuesBack(const ListFileNames &names, std::vector<CompanionList> *lists);
    // The limit values as the latest save found them (LimValDef.ls0) and as
    // they were before their first save (LimValDef.bak), where they can be read.
    std::vector<LimitValueVersion> earlierLimitValues() const;
    // "" when a percentile can stand in a row (0 < p < 100 as written); else why not.
    QString percentileProblem(double percentile) const;

    PercentileFamilies m_families;
    std::array<RowsTableModel *, kPercentileFamilies> m_models{};
};

} // namespace vesk::ui
