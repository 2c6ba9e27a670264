#pragma once

// "Emission Scenarios": the scenario years of the country (Scenarios.lst),
// each with its vehicle list and fuel list file, and the fleet database with
// the first and last year its data cover. A list file of the national lists
// folder is held as ".\name", the database in the national traffic folder
// likewise. A list file opens in the vehicle/fuel list editor.

#include "core/ListWriters.h"
#include "ui/listeditors/ListEditorFrame.h"

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QTableView;

namespace vesk::ui {

class RowsTableModel;
class frmListEditor;

class frmEditScenarios : public ListEditorFrame {
    Q_OBJECT
public:
    enum Column { Year, VehicleFile, FuelFile };

    frmEditScenarios(State &state, Interaction &ui, HelpSystem *help, QWidget *parent = nullptr);

    QTableView *DataGrid1 = nullptr;
    QLineEdit *txtDataFile = nullptr;
    std::array<QLineEdit *, 3> txtStartEnd{}; // 1 start year, 2 end year
    QPushButton *btnView = nullptr, *btnChange = nullptr, *btnDelete = nullptr, *btnListFile = nullptr;
    QPushButton *btnAddRow = nullptr, *btnDeleteRow = nullptr;

    void btnAddRow_Click();
    void btnDeleteRow_Click();
    // The list file of the current cell in the vehicle/fuel list editor.
    void btnListFile_Click();
    // Chooses the list file of a cell (column 1 or 2); false when cancelled.
    bool chooseListFile(int row, int column);
    void btnView_Click();
    void btnChange_Click();
    void btnDelete_Click();

    RowsTableModel *model() const { return m_model; }
    // The list as a save would write it.
    ScenarioList listToSave() const;
    int LargestYear = 0;

    // Shows the list editor modally (default: exec()); tests set it.
    std::function<void(frmListEditor &)> runListEditor;
    // Opens the fleet database with the desktop's program, or says why it
    // cannot (the file or a program for its kind missing); tests set it.
    std::function<void(const std::string &path)> openDatabase;

protected:
    bool saveLists() override;
    void restoreLists() override;
    bool mayClose() override;
    std::string unloadText() const override { return "Scenarios List"; }

private:
    void buildScenarioGrid();
    void updateLargestYear();
    void enableListFileButton();
    void showDatabase(const std::string &stored);
    // The year of a typed year box ("" or no number: nullopt).
    std::optional<int> boxYear(int index) const;
    std::string storedIn(const std::string &path, const std::string &folder) const;
    std::string resolvedIn(const std::string &stored, const std::string &folder) const;

    std::vector<ScenarioRow> m_rows;
    int LoadedFirstYear = 0, LoadedLastYear = 0;
    std::string ListFolder;
    RowsTableModel *m_model = nullptr;
};

} // namespace vesk::ui
