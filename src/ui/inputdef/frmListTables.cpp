#include "ui/inputdef/frmListTables.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

frmListTables::frmListTables(const QStringList &tables, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmListTables"));
    setWindowTitle(QStringLiteral("Select a Data Table"));
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->addItems(tables);
    List1->installEventFilter(this);
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->hide();
    Text1->installEventFilter(this);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setEnabled(false);
    btnOK->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(List1);
    layout->addWidget(Text1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    resize(240, 140);

    connect(List1, &QListWidget::itemClicked, this, &frmListTables::List1_Click);
    connect(List1, &QListWidget::itemDoubleClicked, this, &frmListTables::acceptSelection);
    connect(Text1, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!text.trimmed().isEmpty()) {
            btnOK->setEnabled(true);
        }
    });
    connect(btnOK, &QPushButton::clicked, this, &frmListTables::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmListTables::btnCancel_Click);
}

void frmListTables::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    Form_Activate();
}

void frmListTables::Form_Activate() {
    if (m_activated) {
        return;
    }
    m_activated = true;
    Text1->hide();
    if (List1->count() == 0) {
        setWindowTitle(QStringLiteral("Enter a Data Table Name"));
        Text1->show();
        List1->hide();
        Text1->setFocus();
    } else {
        setWindowTitle(QStringLiteral("Select a Data Table"));
    }
}

void frmListTables::List1_Click() {
    if (List1->currentItem() != nullptr && List1->currentItem()->isSelected()) {
        btnOK->setEnabled(true);
    }
}

void frmListTables::acceptSelection() {
    QListWidgetItem *item = List1->currentItem();
    if (List1->count() == 0 || item == nullptr || !item->isSelected()) {
        return;
    }
    m_accepted = item->text();
    accept();
}

void frmListTables::acceptTyped() {
    const QString text = Text1->text().trimmed();
    if (text.isEmpty()) {
        return;
    }
    m_accepted = text;
    accept();
}

void frmListTables::btnOK_Click() {
    if (Text1->isVisibleTo(this)) {
        acceptTyped();
    } else {
        acceptSelection();
    }
}

void frmListTables::btnCancel_Click() {
    m_accepted.clear();
    reject();
}

bool frmListTables::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == List1) {
                acceptSelection();
            } else if (watched == Text1) {
                acceptTyped();
            }
            return true; // Enter never reaches the dialog's buttons
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vesk::ui
