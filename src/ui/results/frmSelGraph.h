#pragma once

// "Select Graphs": which street sides the graph frame plots. OK closes the
// dialog; the frame then opens the graph of side 1 before that of side 2.

#include <QDialog>

#include <array>

class QCheckBox;
class QPushButton;

namespace vesk::ui {

class frmSelGraph : public QDialog {
    Q_OBJECT
public:
    explicit frmSelGraph(QWidget *parent = nullptr);

    void btnOK_Click();
    // Whether side 1 / side 2 was checked when OK was pressed (index 1 and 2).
    bool sideChosen(int index) const;

    std::array<QCheckBox *, 3> chkReceptor{};
    QPushButton *btnOK = nullptr;
};

} // namespace vesk::ui
