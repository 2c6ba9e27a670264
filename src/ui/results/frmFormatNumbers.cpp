#include "ui/results/frmFormatNumbers.h"

#include "run/results/ResultsChoices.h"
#include "ui/common/EngineState.h"
#include "ui/common/NamedButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

frmFormatNumbers::frmFormatNumbers(State &state, std::function<void()> apply, QWidget *parent)
    : QDialog(parent), m_state(state), m_apply(std::move(apply)) {
    setObjectName(QStringLiteral("frmFormatNumbers"));
    setWindowTitle(QStringLiteral("Number Format"));
    auto *layout = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("Number Format"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtFormat = new QLineEdit(QString::fromStdString(state.NumberFormat), this);
    txtFormat->setObjectName(QStringLiteral("txtFormat"));
    txtFormat->setToolTip(QStringLiteral("\"0\" a digit always shown, \"#\" a digit shown when significant, "
                                         "\".\" the decimal point; empty: numbers in their plain form"));
    Label1->setBuddy(txtFormat);
    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: rgb(170, 0, 0);"));
    layout->addWidget(Label1);
    layout->addWidget(txtFormat);
    layout->addWidget(lblProblem);
    // Room for the reason of a refusal (two lines) is kept from the start, so
    // that it is never cut off and nothing moves when it comes or goes.
    txtFormat->setMinimumWidth(txtFormat->fontMetrics().averageCharWidth() * 52);
    lblProblem->setMinimumHeight(lblProblem->fontMetrics().lineSpacing() * 2 + 4);
    lblProblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *buttons = new QHBoxLayout;
    btnOK = namedButton(this, "btnOK", QStringLiteral("OK"));
    btnOK->setDefault(true);
    btnApply = namedButton(this, "btnApply", QStringLiteral("Apply"));
    btnCancel = namedButton(this, "btnCancel", QStringLiteral("Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnApply);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &frmFormatNumbers::btnOK_Click);
    connect(btnApply, &QPushButton::clicked, this, &frmFormatNumbers::btnApply_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmFormatNumbers::btnCancel_Click);
    connect(txtFormat, &QLineEdit::textChanged, this, &frmFormatNumbers::check);
    check();
    txtFormat->selectAll();
}

bool frmFormatNumbers::check() {
    std::string why;
    const bool ok = results::checkNumberPattern(txtFormat->text().toStdString(), &why);
    const QString reason = QString::fromStdString(why);
    lblProblem->setText(ok ? QString() : reason);
    for (QPushButton *b : {btnOK, btnApply}) {
        b->setEnabled(ok);
        b->setToolTip(reason);
    }
    return ok;
}

void frmFormatNumbers::btnOK_Click() {
    if (!check()) {
        return;
    }
    m_state.NumberFormat = txtFormat->text().toStdString();
    accept();
}

void frmFormatNumbers::btnApply_Click() {
    if (!check()) {
        return;
    }
    m_state.NumberFormat = txtFormat->text().toStdString();
    if (m_apply) {
        m_apply();
    }
}

void frmFormatNumbers::btnCancel_Click() {
    reject();
}

} // namespace vesk::ui
