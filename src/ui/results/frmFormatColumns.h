#pragma once

// "Select Columns to show": one checked item per statistics column of the
// results table, in table order, under the heading of its section. OK and Apply set the column flags from the
// check marks (Apply also redraws the table and leaves the dialog open);
// Cancel only closes it.

#include <QDialog>

#include <functional>

class QListWidget;
class QPushButton;

namespace vesk {
struct State;
}

namespace vesk::ui {

class frmFormatColumns : public QDialog {
    Q_OBJECT
public:
    frmFormatColumns(State &state, std::function<void()> apply, QWidget *parent = nullptr);

    void btnOK_Click();
    void btnApply_Click();
    void btnCancel_Click();

    QListWidget *List1 = nullptr;
    QPushButton *btnOK = nullptr, *btnApply = nullptr, *btnCancel = nullptr;

private:
    void readFlags();
    State &m_state;
    std::function<void()> m_apply;
};

} // namespace vesk::ui
