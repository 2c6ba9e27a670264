#pragma once

// The vehicle and fuel list editor. A vehicle list (kind 1) shows its country
// and scenario year, the emission-factor file, the vehicle categories and the
// fleet of the chosen category with the sum of its shares, which must come
// to 100 % (within 0.5); a fuel list (kind 2) its fuels and their contents.
// Save stays disabled while the list holds a problem, and its tip says which;
// a save goes through a temporary file and never writes what the reader
// would refuse.

#include "core/ModelEnvironment.h"
#include "platform/emission/ListDocuments.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class RowsTableModel;

class frmListEditor : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        int kind = 1;     // 1 vehicle list, 2 fuel list
        std::string path; // full path; "" = not saved yet
        VehicleListDocument vehicles;
        FuelListDocument fuels;
        ModelEnvironment env;
        std::vector<std::string> stVehTypeNames, stFuelNames; // 1-based, offered as names
    };

    frmListEditor(Setup setup, Interaction &ui, QWidget *parent = nullptr);

    int kind() const { return m_kind; }
    const std::string &path() const { return m_path; }
    const VehicleListDocument &vehicles() const { return m_vehicles; }
    const FuelListDocument &fuels() const { return m_fuels; }
    // A file was saved while the editor was open.
    bool savedOnce() const { return m_savedOnce; }
    QString problem() const { return m_problem; }

    QLabel *lblFile = nullptr;
    QLineEdit *txtCountry = nullptr, *txtDescription = nullptr, *txtFactorFile = nullptr;
    QSpinBox *spnYear = nullptr;
    QPushButton *btnFactorFile = nullptr;
    // Vehicle list: categories and the fleet of the chosen one. Fuel list: fuels and contents.
    QTableView *tblRows = nullptr, *tblSubRows = nullptr;
    QLabel *lblSubRows = nullptr, *lblShareSum = nullptr;
    QPushButton *btnAddRow = nullptr, *btnRemoveRow = nullptr, *btnAddSubRow = nullptr,
                *btnRemoveSubRow = nullptr;
    QLabel *lblProblem = nullptr;
    QPushButton *btnSave = nullptr, *btnSaveAs = nullptr, *btnClose = nullptr;
    RowsTableModel *rowsModel() const { return m_rows; }
    RowsTableModel *subRowsModel() const { return m_subRows; }

public Q_SLOTS:
    bool btnSave_Click();
    bool btnSaveAs_Click();
    void btnClose_Click();
    void btnAddRow_Click();
    void btnRemoveRow_Click();
    void btnAddSubRow_Click();
    void btnRemoveSubRow_Click();
    void btnFactorFile_Click();
    void rowChosen(int row);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildLayout();
    void buildVehicleModels();
    void buildFuelModels();
    void listChanged(bool reshaped);
    void showHead();
    std::string text() const;
    bool saveTo(const std::string &path);
    bool askBeforeClosing();
    // Indexes into the fleet of the shares of the chosen category.
    std::vector<int> m_fleetRows;
    void collectFleetRows();

    Interaction &m_ui;
    int m_kind = 1;
    std::string m_path;
    VehicleListDocument m_vehicles;
    FuelListDocument m_fuels;
    ModelEnvironment m_env;
    std::vector<std::string> m_typeNames, m_fuelNames;
    std::string m_cleanText;
    bool m_savedOnce = false;
    bool m_closing = false;
    int m_chosen = -1; // chosen category (vehicle list)
    QString m_problem;
    RowsTableModel *m_rows = nullptr;
    RowsTableModel *m_subRows = nullptr;
};

} // namespace vesk::ui
