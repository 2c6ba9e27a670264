#pragma once

// "Add New Country": how the national data of a new country are provided.

#include "core/AddCountry.h"

#include <QDialog>
#include <array>

class QRadioButton;
class QPushButton;

namespace vesk::ui {

class HelpSystem;

class frmCountrySelOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmCountrySelOptions(HelpSystem *help, QWidget *parent = nullptr);

    // The choice: Cancelled unless OK was pressed (Cancel and the close box cancel).
    NewCountryOption NewCountryOption_ = NewCountryOption::Cancelled;

    void btnOK_Click();
    void btnCancel_Click();
    void btnHelp_Click();

    std::array<QRadioButton *, 3> Option1{};
    QPushButton *btnOK = nullptr, *btnCancel = nullptr, *btnHelp = nullptr;

private:
    HelpSystem *m_help;
};

} // namespace vesk::ui
