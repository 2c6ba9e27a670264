#pragma once

// Cell editors of the list editors' grids: a pick list that opens over the
// cell (units, the emitter flag), and a text cell with a "..." button that
// chooses a file for it.

#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>
#include <optional>

namespace vesk::ui {

// The cell's value is picked from items; nothing else can be typed.
class ChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ChoiceDelegate(QStringList items, QObject *parent);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    QStringList m_items;
};

// The cell is typed, or its "..." button asks choose() for a new text
// (nullopt: cancelled, nothing changes).
class FileCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using Choose = std::function<std::optional<QString>(const QModelIndex &index)>;
    FileCellDelegate(Choose choose, QObject *parent);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    Choose m_choose;
};

} // namespace vesk::ui
