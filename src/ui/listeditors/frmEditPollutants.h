#pragma once

// "Edit Pollutants List": the pollutants of the country, one row each with
// its name, long name, default output and standard input unit, emitter flag
// and factor from µg/m³ to ppb. The rows of NO, NOX, NO2 and O3 cannot be
// renamed or deleted, nor their emitter flag or factor changed. Units and
// the emitter flag are picked, never typed.
//
// Limit values are read in their pollutant's default output unit. A save
// that changes that unit for a pollutant with limit values asks whether to
// convert them (the default): the Limit Values List is then saved with the
// values converted as the results convert them, so that 10 milig stays
// 10,000 microg; otherwise the user is told they will now be read in the new
// unit. Restore asks the same for the units it brings back from
// Pollutants.bak, so that 10,000 microg is 10 milig again.

#include "core/ListWriters.h"
#include "ui/listeditors/ListEditorFrame.h"

#include <vector>

class QLabel;
class QTableView;

namespace vesk::ui {

class RowsTableModel;

class frmEditPollutants : public ListEditorFrame {
    Q_OBJECT
public:
    enum Column { Name, LongName, OutputUnit, InputUnit, Emitter, MicrogToPpb };

    frmEditPollutants(State &state, Interaction &ui, HelpSystem *help, QWidget *parent = nullptr);

    QTableView *DataGrid1 = nullptr;
    QPushButton *btnAddRow = nullptr, *btnDeleteRow = nullptr;

    // A new row after the selected one (at the end without a selection).
    void btnAddRow_Click();
    // Deletes the selected row unless it is one of the four the list needs.
    void btnDeleteRow_Click();

    RowsTableModel *model() const { return m_model; }
    const std::vector<PollutantRow> &rows() const { return m_rows; }

protected:
    bool saveLists() override;
    void restoreLists() override;
    std::string unloadText() const override { return "Pollutants List"; }

private:
    void buildRows();
    // The Limit Values List with the limit values of every pollutant whose
    // default output unit rows change converted, when the user wants that (in
    // *lists); false when the user cancelled.
    bool convertLimitValues(const std::vector<PollutantRow> &rows, std::vector<CompanionList> *lists);
    // The same for the rows that a restore from names' backup brings back;
    // false also (after a message) when the backup cannot be read.
    bool convertLimitValuesBack(const ListFileNames &names, std::vector<CompanionList> *lists);
    bool isProtectedRow(int row) const;
    int selectedRow() const;
    void selectRow(int row);

    std::vector<PollutantRow> m_rows;
    RowsTableModel *m_model = nullptr;
};

} // namespace vesk::ui
