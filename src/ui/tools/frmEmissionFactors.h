#pragma once

// The emission-factor program's window: the factors of the emission-factor
// table a vehicle list names, per vehicle category, pollutant and speed, as a
// table (each technology's hot factor and the category's fleet average) and
// a plot over speed. The factors can be edited, but only in a copy: the
// table the program reads is never written; "Save Copy As" writes the edited
// table to another file.

#include "core/ModelEnvironment.h"
#include "platform/emission/EmissionLibrary.h"
#include "platform/emission/ListDocuments.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableView;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class CurvePlot;
class EmissionFactorModel;

class frmEmissionFactors : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        std::string vehicleListPath, fuelListPath; // full paths
        int year = 0;
        std::string country;
        ModelEnvironment env; // the country's folders and pollutants
    };

    // Reads the lists and the factor table; a file the reader refuses is
    // shown with the reader's message (the window then shows what it could read).
    frmEmissionFactors(Setup setup, Interaction &ui, QWidget *parent = nullptr);
    ~frmEmissionFactors() override;

    const std::string &factorFilePath() const { return m_factorPath; }
    const FactorTableDocument &factors() const { return m_factors; }
    const std::string &copyPath() const { return m_copyPath; } // "" until a copy was saved
    bool edited() const;                                       // the factors differ from the file read
    QString problem() const { return m_problem; }
    EmissionFactorModel *model() const { return m_model; }

    QLabel *lblVehicleList = nullptr, *lblFuelList = nullptr, *lblFactorFile = nullptr, *lblCopy = nullptr;
    QComboBox *cmbCategory = nullptr, *cmbPollutant = nullptr;
    QDoubleSpinBox *spnColdStart = nullptr; // % of cold-started vehicles in the fleet average
    QTableView *tblFactors = nullptr;
    CurvePlot *picFactors = nullptr;
    QLabel *lblProblem = nullptr;
    QPushButton *btnSaveCopy = nullptr, *btnClose = nullptr;

public Q_SLOTS:
    bool btnSaveCopy_Click();
    void btnClose_Click();
    // The table and the plot for the chosen category, pollutant and cold-start share.
    void showFactors();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildLayout();
    void readFiles(const Setup &setup);
    void setUpComponent(); // the fleet averages from the lists and the edited factors
    bool factorEdited(int technology, int speedRow, double factor_gkm);
    bool askBeforeClosing();

    Interaction &m_ui;
    ModelEnvironment m_env;
    std::string m_vehicleListPath, m_fuelListPath, m_factorPath, m_copyPath;
    VehicleListDocument m_vehicles;
    FuelListDocument m_fuels;
    FactorTableDocument m_factors;
    std::string m_readText;  // the table as read
    std::string m_savedText; // the table as last saved to the copy
    EmissionLibrary m_component;
    bool m_componentReady = false;
    bool m_closing = false;
    QString m_problem;
    EmissionFactorModel *m_model = nullptr;
};

} // namespace vesk::ui
