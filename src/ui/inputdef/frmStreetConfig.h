#pragma once

// The single-street configuration editor: street name, building height,
// width, the two street lengths, orientation, up to 12 wind sectors (start,
// end, building height), the receptors in use and the receptor height, with
// the street sketch following every change. OK stays disabled while a value
// is wrong; its tooltip says which.

#include "project/StreetConfig.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vesk {
struct ProjectFileState;
}

namespace vesk::ui {

class SectorTableModel;
class SketchBox;

class frmStreetConfig : public QDialog {
    Q_OBJECT
public:
    frmStreetConfig(const StreetConfig &config, const std::string &projectName, const SketchView &view,
                    QWidget *parent = nullptr);

    // The values as the boxes hold them now (a box that holds no number gives NaN).
    StreetConfig config() const;
    // The first problem of those values; empty when OK may be pressed.
    QString problem() const { return m_problem; }

    QLineEdit *txtStreetName = nullptr;
    QLineEdit *txtStreetHeight = nullptr;
    QLineEdit *txtStreetWidth = nullptr;
    QLineEdit *txtStreetLength1 = nullptr;
    QLineEdit *txtStreetLength2 = nullptr;
    QLineEdit *txtStreetOrientation = nullptr;
    QTableView *tblSectors = nullptr;
    QPushButton *btnAddSector = nullptr;
    QPushButton *btnRemoveSector = nullptr;
    QCheckBox *chkReceptor1 = nullptr;
    QCheckBox *chkReceptor2 = nullptr;
    QLineEdit *txtRecHeight = nullptr;
    QLabel *lblProblem = nullptr;
    SketchBox *picStreetSketch = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    SectorTableModel *sectorModel() const { return m_sectors; }

public Q_SLOTS:
    void btnOK_Click();
    void btnCancel_Click();
    void btnAddSector_Click();
    void btnRemoveSector_Click();

private:
    void buildLayout(const std::string &projectName);
    void valuesChanged();

    StreetConfig m_original;
    SectorTableModel *m_sectors = nullptr;
    QString m_problem;
};

// The single-street editor as the main window and the new-street dialog call
// it: shows the street of the state, and when the user accepts stores the
// values (setting ProjectChanged when anything changed) and sets
// streetConfigDefined to 1. Cancel changes nothing. Returns whether the user
// accepted. run shows the dialog and returns its result (default: exec()).
bool EditSingleStreet(QWidget *parent, ProjectFileState &state, int &streetConfigDefined,
                      const SketchView &view = SketchView{1.0, 30.0},
                      const std::function<int(frmStreetConfig &)> &run = {});

} // namespace vesk::ui
