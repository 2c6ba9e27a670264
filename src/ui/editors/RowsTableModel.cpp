#include "ui/editors/RowsTableModel.h"

#include "core/Numbers.h"

#include <QBrush>
#include <QColor>

namespace vesk::ui {

std::optional<double> typedNumber(const QVariant &value) {
    return parseNumber(value.toString().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toStdString());
}

RowsTableModel::RowsTableModel(std::function<int()> rows, std::vector<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), m_rows(std::move(rows)), m_columns(std::move(columns)) {}

void RowsTableModel::refresh() {
    beginResetModel();
    endResetModel();
}

void RowsTableModel::valuesChanged() {
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

void RowsTableModel::setProblems(std::map<int, QString> problems) {
    m_problems = std::move(problems);
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

int RowsTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_rows();
}

int RowsTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant RowsTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    const Column &c = m_columns[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return c.get(index.row());
    case Qt::TextAlignmentRole:
        return c.number ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter)) : QVariant();
    case Qt::BackgroundRole:
    case Qt::ToolTipRole: {
        const auto it = m_problems.find(index.row());
        if (it == m_problems.end()) {
            return {};
        }
        return role == Qt::ToolTipRole ? QVariant(it->second) : QVariant(QBrush(QColor(255, 200, 200)));
    }
    default:
        return {};
    }
}

bool RowsTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || role != Qt::EditRole || m_readOnly || index.row() >= rowCount()) {
        return false;
    }
    const Column &c = m_columns[static_cast<size_t>(index.column())];
    if (!c.set || (m_editable && !m_editable(index.row(), index.column())) || !c.set(index.row(), value)) {
        return false;
    }
    Q_EMIT dataChanged(index, index);
    Q_EMIT edited();
    return true;
}

QVariant RowsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    return section >= 0 && section < columnCount() ? QVariant(m_columns[static_cast<size_t>(section)].title)
                                                   : QVariant();
}

Qt::ItemFlags RowsTableModel::flags(const QModelIndex &index) const {
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.isValid() && !m_readOnly && index.column() < columnCount()) {
        const Column &c = m_columns[static_cast<size_t>(index.column())];
        if (c.set && (!m_editable || m_editable(index.row(), index.column()))) {
            f |= Qt::ItemIsEditable;
        }
    }
    return f;
}

} // namespace vesk::ui
