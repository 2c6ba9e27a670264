#pragma once

// The number format of the results table. The box starts with the format in
// force; a pattern that cannot format numbers keeps OK and Apply disabled and
// the dialog says why. Apply re-formats the table and leaves the dialog open;
// Cancel only closes it (an applied format stays).

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vesk {
struct State;
}

namespace vesk::ui {

class frmFormatNumbers : public QDialog {
    Q_OBJECT
public:
    frmFormatNumbers(State &state, std::function<void()> apply, QWidget *parent = nullptr);

    void btnOK_Click();
    void btnApply_Click();
    void btnCancel_Click();

    QLabel *Label1 = nullptr;
    QLineEdit *txtFormat = nullptr;
    QLabel *lblProblem = nullptr;
    QPushButton *btnOK = nullptr, *btnApply = nullptr, *btnCancel = nullptr;

private:
    bool check();
    State &m_state;
    std::function<void()> m_apply;
};

} // namespace vesk::ui
