#include "ui/inputdef/SectorTableModel.h"

#include "core/Numbers.h"
#include "project/ProjectFileState.h"

namespace vesk::ui {

SectorTableModel::SectorTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void SectorTableModel::setRows(const std::vector<SectorRow> &rows) {
    beginResetModel();
    m_rows = rows;
    if (m_rows.size() > static_cast<size_t>(kMaxSectors)) {
        m_rows.resize(kMaxSectors);
    }
    endResetModel();
}

bool SectorTableModel::addRow(const SectorRow &row) {
    if (m_rows.size() >= static_cast<size_t>(kMaxSectors)) {
        return false;
    }
    const int at = static_cast<int>(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(row);
    endInsertRows();
    return true;
}

void SectorTableModel::removeRowAt(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

int SectorTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SectorTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SectorTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) {
        return {};
    }
    const SectorRow &r = m_rows[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case ColStart:
        return r.start;
    case ColEnd:
        return r.end;
    case ColValue:
        return r.value;
    default:
        return {};
    }
}

bool SectorTableModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= rowCount()) {
        return false;
    }
    bool ok = false;
    double number = value.toDouble(&ok);
    if (value.typeId() == QMetaType::QString) {
        const std::optional<double> parsed = parseNumber(value.toString().toStdString());
        ok = parsed.has_value();
        number = parsed.value_or(0);
    }
    if (!ok) {
        return false;
    }
    SectorRow &r = m_rows[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case ColStart:
        r.start = number;
        break;
    case ColEnd:
        r.end = number;
        break;
    case ColValue:
        r.value = number;
        break;
    default:
        return false;
    }
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant SectorTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    switch (section) {
    case ColStart:
        return QStringLiteral("Start (deg)");
    case ColEnd:
        return QStringLiteral("End (deg)");
    case ColValue:
        return QStringLiteral("Height (m)");
    default:
        return {};
    }
}

Qt::ItemFlags SectorTableModel::flags(const QModelIndex &index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

} // namespace vesk::ui
