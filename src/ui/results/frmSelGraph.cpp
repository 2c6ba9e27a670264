#include "ui/results/frmSelGraph.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

frmSelGraph::frmSelGraph(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelGraph"));
    setWindowTitle(QStringLiteral("Select Graphs"));
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(
        QStringLiteral(
            "You can select Graphical Display of the following results of the Special Mode calculations "),
        this);
    text->setObjectName(QStringLiteral("Label1"));
    text->setWordWrap(true);
    layout->addWidget(text);
    for (int i = 1; i <= 2; ++i) {
        chkReceptor[i] = new QCheckBox(QStringLiteral("Results for Side %1").arg(i), this);
        chkReceptor[i]->setObjectName(QStringLiteral("chkReceptor_%1").arg(i));
        layout->addWidget(chkReceptor[i]);
    }
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &frmSelGraph::btnOK_Click);
    setMinimumWidth(340);
}

void frmSelGraph::btnOK_Click() {
    accept();
}

bool frmSelGraph::sideChosen(int index) const {
    return index >= 1 && index <= 2 && result() == QDialog::Accepted &&
           chkReceptor[static_cast<std::size_t>(index)]->isChecked();
}

} // namespace vesk::ui
