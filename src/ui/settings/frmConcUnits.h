#pragma once

// The concentration units of the project: per pollutant the unit its input
// files hold and the unit of its outputs, one of six keywords or a defined
// number in the free entry. OK writes the units into the state and marks the
// project changed; Cancel, Esc and the close box change nothing (also while
// a unit definition is pending).

#include "project/UnitKeywords.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vesk {
struct State;
class Interaction;
} // namespace vesk

namespace vesk::ui {

class EditBoxes;

class frmConcUnits : public QDialog {
    Q_OBJECT
public:
    frmConcUnits(State &state, Interaction &interaction, QWidget *parent = nullptr);

    // A choice in an input (input true) or output combo box of pollutant i.
    void cmbUnit_Click(bool input, int i, int position);
    // Enter in the unit definition box.
    bool txtUnitDef_Enter();
    void btnOK_Click();
    void btnCancel_Click();

    std::vector<QComboBox *> cmbInput, cmbOutput;
    std::vector<QLabel *> lbPOLinp, lbPOLout;
    QGroupBox *frameInput = nullptr, *frameOutput = nullptr, *frameUnitOther = nullptr;
    QLineEdit *txtUnitDef = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;
    const UnitChoices &choices() const { return m_choices; }
    EditBoxes *boxes() const { return m_boxes; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    bool confirmDefinition();
    void cancelDefinition();

    State &m_state;
    Interaction &m_interaction;
    EditBoxes *m_boxes = nullptr;
    UnitChoices m_choices;
    bool m_ready = false;
    QComboBox *m_pending = nullptr;
    bool m_pendingInput = false;
    int m_pendingIndex = -1;
};

} // namespace vesk::ui
