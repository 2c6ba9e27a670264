#pragma once

// The traffic-file editor: the day cases with their conditions (checked by
// the expression evaluator as the user types), the categories, the profile
// of the chosen day case as a table and a plot of its 24 or 48 periods, the
// file's own daily traffic and speed (typing another value scales the
// profiles), and the fleet the categories must match. Files are opened and
// saved as documents (platform/emission/TrafficDocument.h); a save goes
// through a temporary file and never writes what the reader would refuse.
// In view-only mode nothing can be changed.

#include "core/ModelEnvironment.h"
#include "platform/emission/TrafficDocument.h"
#include "ui/editors/EditorCalls.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class CurvePlot;
class TrafficCategoryModel;
class TrafficDayCaseModel;
class TrafficProfileModel;

class frmTrafficEditor : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        TrafficDocument doc;
        std::string path;            // full path; "" = not saved yet
        bool fromFile = true;        // doc is what path holds (else: unsaved work or a new document)
        std::string vehicleListFile; // stored names
        std::string fuelListFile;
        int scenarioYear = 0;
        ModelEnvironment env;
        TrafficEditorData data;               // the caller's switches
        float streetSpeed = 0, streetADT = 0; // the street's values a standard profile is scaled to
    };

    frmTrafficEditor(Setup setup, Interaction &ui, QWidget *parent = nullptr);
    ~frmTrafficEditor() override;

    // What the editor holds now.
    const TrafficDocument &document() const { return m_doc; }
    const std::string &path() const { return m_path; }
    const std::string &vehicleListFile() const { return m_vehicleList; }
    const std::string &fuelListFile() const { return m_fuelList; }
    int scenarioYear() const { return m_year; }
    // The traffic differs from what the editor was opened with.
    bool changed() const;
    // The file at path() holds the traffic as it stands.
    bool saved() const;
    // The first problem of the document; empty when it can be saved.
    QString problem() const { return m_problem; }

    // Widgets (object names are the control names).
    QLabel *lblFile = nullptr;
    QLineEdit *txtDescription = nullptr;
    QComboBox *cmbType = nullptr, *cmbPeriods = nullptr;
    QLineEdit *txtADT = nullptr, *txtSpeed = nullptr;
    QLabel *lblStreet = nullptr;
    QLabel *lblVehicleList = nullptr, *lblFuelList = nullptr, *lblFleetCheck = nullptr;
    QPushButton *btnVehicleList = nullptr, *btnFuelList = nullptr;
    QComboBox *cmbYear = nullptr;
    QTableView *tblCategories = nullptr, *tblDayCases = nullptr, *tblProfile = nullptr;
    QPushButton *btnAddCategory = nullptr, *btnRemoveCategory = nullptr;
    QPushButton *btnAddDayCase = nullptr, *btnRemoveDayCase = nullptr, *btnDayCaseUp = nullptr,
                *btnDayCaseDown = nullptr;
    CurvePlot *picProfile = nullptr;
    QLabel *lblProblem = nullptr;
    QPushButton *btnOpen = nullptr, *btnSave = nullptr, *btnSaveAs = nullptr, *btnClose = nullptr;
    TrafficDayCaseModel *dayCaseModel() const { return m_dayCases; }
    TrafficProfileModel *profileModel() const { return m_profile; }
    TrafficCategoryModel *categoryModel() const { return m_categories; }

public Q_SLOTS:
    void btnOpen_Click();
    bool btnSave_Click();
    bool btnSaveAs_Click();
    void btnClose_Click();
    void btnAddCategory_Click();
    void btnRemoveCategory_Click();
    void btnAddDayCase_Click();
    void btnRemoveDayCase_Click();
    void btnDayCaseMove_Click(int step); // -1 up, +1 down
    void txtADT_Apply();
    void txtSpeed_Apply();
    void cmbType_Click(int index);
    void cmbPeriods_Click(int index);
    void cmbYear_Click(int index);
    void btnVehicleList_Click();
    void btnFuelList_Click();
    void dayCaseChosen(int row);
    // A condition as the user types it: the evaluator's message, shown at once.
    void conditionTyped(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildLayout();
    void connectControls();
    void documentChanged(bool reshaped); // after any edit; reshaped: rows or columns changed
    void showDocument();                 // every widget from the document
    void showAverages();
    void showFleet();
    void plotProfile();
    bool askBeforeLeaving(bool closing); // false when the user cancelled
    bool saveTo(const std::string &path);
    void setEditable(bool on);

    Interaction &m_ui;
    ModelEnvironment m_env;
    TrafficEditorData m_data;
    TrafficDocument m_doc;
    std::string m_path;
    std::string m_startText; // the traffic the editor was opened with
    std::string m_savedText; // what the file at m_path holds ("" = nothing known)
    std::string m_cleanText; // nothing to ask about while the traffic reads so
    TrafficDocument m_cleanDoc;
    std::string m_vehicleList, m_fuelList;
    int m_year = 0;
    float m_streetSpeed = 0, m_streetADT = 0;
    bool m_closing = false;
    QString m_problem;
    TrafficCategoryModel *m_categories = nullptr;
    TrafficDayCaseModel *m_dayCases = nullptr;
    TrafficProfileModel *m_profile = nullptr;
};

} // namespace vesk::ui
