#include "ui/results/frmFormatColumns.h"

#include "run/results/ResultsChoices.h"
#include "ui/common/EngineState.h"
#include "ui/common/NamedButton.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

frmFormatColumns::frmFormatColumns(State &state, std::function<void()> apply, QWidget *parent)
    : QDialog(parent), m_state(state), m_apply(std::move(apply)) {
    setObjectName(QStringLiteral("frmFormatColumns"));
    setWindowTitle(QStringLiteral("Select Columns to show"));
    auto *layout = new QVBoxLayout(this);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    // Each section ("Hourly values", ...) under its own heading, as the table groups them:
    // "Maximum" and "Data capture" are found in all three.
    std::string section;
    int index = 0;
    for (const results::ColumnChoice &choice : results::columnChoices(state)) {
        if (index == 0 || choice.section != section) {
            section = choice.section;
            auto *heading = new QListWidgetItem(QString::fromStdString(section), List1);
            heading->setFlags(Qt::ItemIsEnabled);
            QFont bold = heading->font();
            bold.setBold(true);
            heading->setFont(bold);
        }
        auto *item = new QListWidgetItem(QStringLiteral("    ") + QString::fromStdString(choice.text), List1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(choice.shown ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, index++);
    }
    // As tall as its items (within reason), starting on the first column rather than a heading.
    List1->setMinimumHeight(
        std::min(List1->sizeHintForRow(0) * List1->count() + 2 * List1->frameWidth() + 4, 560));
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->flags() & Qt::ItemIsUserCheckable) {
            List1->setCurrentRow(i);
            break;
        }
    }
    layout->addWidget(List1);
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
    connect(btnOK, &QPushButton::clicked, this, &frmFormatColumns::btnOK_Click);
    connect(btnApply, &QPushButton::clicked, this, &frmFormatColumns::btnApply_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmFormatColumns::btnCancel_Click);
    resize(320, sizeHint().height());
}

void frmFormatColumns::readFlags() {
    std::vector<bool> shown;
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->flags() & Qt::ItemIsUserCheckable) {
            shown.push_back(List1->item(i)->checkState() == Qt::Checked);
        }
    }
    results::applyColumnChoices(m_state, shown);
}

void frmFormatColumns::btnOK_Click() {
    readFlags();
    accept();
}

void frmFormatColumns::btnApply_Click() {
    readFlags();
    if (m_apply) {
        m_apply();
    }
}

void frmFormatColumns::btnCancel_Click() {
    reject();
}

} // namespace vesk::ui
