#pragma once

// The traffic situation of Special Mode: traffic, emission factor and speed
// of light and heavy vehicles, with the emission per metre of street they
// give. Accepted values go into the state at once; Cancel, Reset and a
// discarded close put back the values of the opening. A change kept by OK
// marks the project changed (the values are saved with the project).

#include "project/SpecialTraffic.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vesk {
struct State;
class Interaction;
} // namespace vesk

namespace vesk::ui {

class EditBoxes;

class frmEmission : public QDialog {
    Q_OBJECT
public:
    frmEmission(State &state, Interaction &interaction, QWidget *parent = nullptr);

    void btnOK_Click();
    void btnCancel_Click();
    void btnReset_Click();
    void reject() override; // the close box and Esc

    // Index 1 light, 2 heavy vehicles.
    std::array<QLineEdit *, 3> Text1{}, Text2{}, Text3{};
    QLabel *EmissionLight = nullptr, *EmissionHeavy = nullptr, *EmissionTotal = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr, *btnReset = nullptr;
    EditBoxes *boxes() const { return m_boxes; }

private:
    void ShowTrafficEmission();
    void RestoreTrafficEmission();
    void CalcEmission();
    bool validate(QLineEdit *box, int index, double *variable, bool refreshEmission);

    State &m_state;
    Interaction &m_interaction;
    EditBoxes *m_boxes = nullptr;
    SpecialTrafficValues m_saved;
    SpecialTrafficValues m_opening;
    bool m_open = false;
    bool m_changed = false;
};

} // namespace vesk::ui
