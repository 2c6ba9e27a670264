#pragma once

// "Standard Urban Data": the standard city types (UrbEmi.lst: population
// text, city radius and average building height, in the order the program
// offers them) and the urban emission data file of each emitting pollutant
// (UrbEmiFiles.lst). A data file chosen outside the national meteorology and
// background folder is copied into it when the list of files is saved.

#include "core/ListWriters.h"
#include "ui/listeditors/ListEditorFrame.h"

#include <array>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace vesk::ui {

class RowsTableModel;

class frmEditCityTypes : public ListEditorFrame {
    Q_OBJECT
public:
    enum Column { Index, Population, Radius, BuildingHeight };

    frmEditCityTypes(State &state, Interaction &ui, HelpSystem *help, QWidget *parent = nullptr);

    QTableView *DataGrid1 = nullptr;
    std::array<QPushButton *, 3> MoveUpDown{}; // 1 up, 2 down
    std::array<QLabel *, 3> lblUpDown{};
    QPushButton *btnAddRow = nullptr, *btnDeleteRow = nullptr;
    QGroupBox *FrameUrbEmi = nullptr;
    QComboBox *cmbPollutants = nullptr;
    QLineEdit *txtDataFile = nullptr;
    QPushButton *btnChange = nullptr, *btnView = nullptr, *btnDelete = nullptr;

    bool CityTypesChanged = false;
    bool UrbEmiFilesChanged = false;

    void Form_Activate();
    void btnAddRow_Click();
    void btnDeleteRow_Click();
    void MoveUpDown_Click(int index);
    void cmbPollutants_Click();
    void btnChange_Click();
    void btnDelete_Click();
    void btnView_Click();

    RowsTableModel *model() const { return m_model; }
    const std::vector<CityTypeRow> &cities() const { return m_cities; }
    // The data file of pollutant k as the dialog holds it ("" none).
    const std::string &dataFile(int k) const { return m_dataFiles[static_cast<std::size_t>(k)]; }
    void selectRow(int row);

    // Shows a file; defaults to the file viewer.
    std::function<void(const std::string &path)> viewFile;

protected:
    bool saveLists() override;
    void restoreLists() override;
    bool mayClose() override;
    std::string unloadText() const override { return "List of Standard City Types"; }
    void showEvent(QShowEvent *event) override;

private:
    void buildCityTypeGrid();
    void updateMoveButtons();
    void showDataFile();
    void enableUrbanFrame();
    bool saveCityTypes(bool *saved);
    bool saveUrbanFiles(bool *saved);
    int currentRow() const;
    int selectedPollutant() const;

    std::vector<CityTypeRow> m_cities;
    std::vector<std::string> m_dataFiles; // per pollutant 0..NPol
    int NumDataFilesAtLoad = 0;
    bool m_activated = false;
    RowsTableModel *m_model = nullptr;
};

} // namespace vesk::ui
