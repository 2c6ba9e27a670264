#pragma once

// The street-set editor of a multi-street project: the streets of its
// streets file in a table (add, delete, every item of a street editable in
// place, its geometry and wind sectors in the single-street editor), the map
// picture with its four coordinates, and Save, which checks the set and
// writes the streets file through a temporary file and a rename. OK stays
// disabled while something is wrong; its tooltip and the red line say what.
// The red line also names the cell that refused an entry (the cell keeps its
// value) and the rule it broke, until the streets change.
//
// A streets file that cannot be read is reported and the set shown before
// stays; so does a map that cannot be shown as a picture. A map named with a
// drive letter is refused as the run refuses it: Browse says so, and the red
// line says so while the map field holds one.

#include "project/StreetConfig.h"
#include "project/StreetSet.h"

#include <QDialog>
#include <array>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class StreetSetModel;
class frmStreetConfig;

// What the editor is handed and hands back: the streets file ("" = none yet,
// and after the editor: cancelled), the map picture ("" = none) and its
// four coordinates (left, top, right, bottom of the picture in map units).
struct StreetSetChoice {
    std::string streetsFile;
    std::string mapFile;
    std::array<double, 4> mapCoord{};
};

struct StreetSetContext {
    std::string workDir;    // the project's folder; a bare traffic file name lies here
    std::string trafficDir; // the national traffic folder (".\" names)
};

class frmStreetSet : public QDialog {
    Q_OBJECT
public:
    frmStreetSet(const StreetSetChoice &choice, const StreetSetContext &context, Interaction &interaction,
                 QWidget *parent = nullptr);

    // Shows the editor on choice; afterwards choice holds the saved streets
    // file, map and coordinates, or an empty streets file when cancelled.
    static void edit(StreetSetChoice &choice, const StreetSetContext &context, Interaction &interaction,
                     QWidget *parent);

    // The choice at Save (valid after an accepted dialog).
    const StreetSetChoice &result() const { return m_result; }
    StreetSetModel *model() const { return m_model; }
    // The first problem of the set and map, "" when it can be saved.
    QString problem() const { return m_problem; }

    // Opens another streets file; false (with the message shown) when it
    // cannot be read, the set then stays.
    bool openStreetsFile(const std::string &path);

    void btnOpen_Click();
    void btnAddStreet_Click();
    void btnDeleteStreet_Click();
    void btnEditStreet_Click();
    void btnMapFile_Click();
    void btnOK_Click();
    void btnCancel_Click();

    // The single-street editor on one street (default: exec()). Tests set it.
    std::function<int(frmStreetConfig &)> runStreetEditor;

    QLineEdit *txtStreetsFile = nullptr;
    QPushButton *btnOpen = nullptr;
    QTableView *tblStreets = nullptr;
    QPushButton *btnAddStreet = nullptr, *btnDeleteStreet = nullptr, *btnEditStreet = nullptr;
    QLineEdit *txtMapFile = nullptr;
    QPushButton *btnMapFile = nullptr;
    std::array<QLineEdit *, 4> txtMapCoord{};
    QLabel *lblProblem = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;

private:
    void setupUi();
    void valuesChanged();
    int currentRow() const;
    QString mapProblem() const;

    StreetSetContext m_context;
    Interaction &m_interaction;
    StreetSetModel *m_model = nullptr;
    StreetSetChoice m_result;
    QString m_problem;
};

} // namespace vesk::ui
