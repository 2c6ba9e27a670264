#include "ui/listeditors/CellDelegates.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace vesk::ui {

ChoiceDelegate::ChoiceDelegate(QStringList items, QObject *parent)
    : QStyledItemDelegate(parent), m_items(std::move(items)) {}

QWidget *ChoiceDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &) const {
    auto *box = new QComboBox(parent);
    box->addItems(m_items);
    return box;
}

void ChoiceDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    auto *box = static_cast<QComboBox *>(editor);
    box->setCurrentIndex(box->findText(index.data(Qt::EditRole).toString(), Qt::MatchFixedString));
    box->showPopup();
}

void ChoiceDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                  const QModelIndex &index) const {
    auto *box = static_cast<QComboBox *>(editor);
    if (box->currentIndex() >= 0) {
        model->setData(index, box->currentText(), Qt::EditRole);
    }
}

FileCellDelegate::FileCellDelegate(Choose choose, QObject *parent)
    : QStyledItemDelegate(parent), m_choose(std::move(choose)) {}

QWidget *FileCellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &index) const {
    auto *cell = new QWidget(parent);
    auto *row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto *edit = new QLineEdit(cell);
    auto *more = new QToolButton(cell);
    more->setText(QStringLiteral("..."));
    more->setToolTip(QStringLiteral("Choose the file"));
    row->addWidget(edit, 1);
    row->addWidget(more);
    cell->setFocusProxy(edit);
    const QPersistentModelIndex at(index);
    connect(more, &QToolButton::clicked, edit, [this, edit, at] {
        if (const auto chosen = m_choose(at)) {
            edit->setText(*chosen);
        }
    });
    return cell;
}

void FileCellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    editor->findChild<QLineEdit *>()->setText(index.data(Qt::EditRole).toString());
}

void FileCellDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const {
    model->setData(index, editor->findChild<QLineEdit *>()->text(), Qt::EditRole);
}

} // namespace vesk::ui
