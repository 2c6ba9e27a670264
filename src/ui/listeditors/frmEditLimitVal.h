#pragma once

// "Edit Limit Values": the limit values of each pollutant, a row per limit
// value with its title and one value per statistic of the hourly, running
// 8-hour and daily tabs. The three grids of a pollutant show one store of
// rows, so a row added, deleted or retitled in one grid is the same row in
// the others. The list is reconciled with the pollutants list (a pollutant
// it lacks is added; one the pollutants list lacks is marked " - !", its
// removal asked, and it is left out of a save) and with the percentile
// definitions (the save writes the current ones).

#include "core/ListWriters.h"
#include "ui/listeditors/ListEditorFrame.h"

#include <array>
#include <vector>

class QComboBox;
class QLabel;
class QTabWidget;
class QTableView;

namespace vesk::ui {

class RowsTableModel;

class frmEditLimitVal : public ListEditorFrame {
    Q_OBJECT
public:
    frmEditLimitVal(State &state, Interaction &ui, HelpSystem *help, QWidget *parent = nullptr);

    QComboBox *cmbPollut = nullptr;
    QLabel *lblUnits = nullptr, *lblInfo = nullptr;
    QTabWidget *SSTab1 = nullptr;
    std::array<QTableView *, 3> DataGrid1{};
    QPushButton *btnAddRow = nullptr, *btnDeleteRow = nullptr;

    // The first activation: the marked pollutants' removal questions, the
    // added pollutants and the percentile-definition messages.
    void Form_Activate();
    // The combo box's choice changed.
    void cmbPollut_Click(int index);
    // On the current pollutant; the row appears in all three grids.
    void btnAddRow_Click();
    void btnDeleteRow_Click();

    RowsTableModel *model(int type) const { return m_models[static_cast<std::size_t>(type)]; }
    // The rows of the pollutant shown.
    const std::vector<LimitValueRow> &currentRows() const;
    // The list as a save would write it (marked pollutants left out).
    std::vector<LimitValueBlock> blocksToSave() const;

protected:
    bool saveLists() override;
    void restoreLists() override;
    std::string unloadText() const override { return "Limit Values List"; }
    void showEvent(QShowEvent *event) override;

private:
    struct Entry {
        LimitValueBlock block;
        QString text;         // combo text
        bool marked = false;  // not in the pollutants list
        bool removed = false; // its removal was confirmed
        bool added = false;   // not in the limit list as loaded
    };

    void buildEntries();
    void fillCombo();
    void selectFirstMarked();
    std::vector<LimitValueRow> &rows();
    std::vector<double> &values(LimitValueRow &row, int type) const;
    int markedCount() const;

    std::vector<Entry> m_entries;
    int m_current = -1; // entry shown
    bool m_activated = false;
    bool m_selecting = false;
    std::array<std::vector<QString>, 3> m_columnNames;
    std::array<RowsTableModel *, 3> m_models{};
};

} // namespace vesk::ui
