#include "ui/inputdef/TableDataModel.h"

#include "core/RecordIO.h"

namespace vesk::ui {

TableDataModel::TableDataModel(TableData data, QStringList captions, QObject *parent)
    : QAbstractTableModel(parent), m_data(std::move(data)), m_captions(std::move(captions)) {}

int TableDataModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_data.rows.size());
}

int TableDataModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_data.fields.size());
}

QVariant TableDataModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const auto &row = m_data.rows[static_cast<std::size_t>(index.row())];
    if (static_cast<std::size_t>(index.column()) >= row.size()) {
        return {};
    }
    const Cell &cell = row[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        if (const auto *number = std::get_if<double>(&cell)) {
            return QString::fromStdString(formatNumber(*number));
        }
        if (const auto *text = std::get_if<std::string>(&cell)) {
            return QString::fromStdString(*text);
        }
        return QString();
    case Qt::TextAlignmentRole:
        return static_cast<int>(std::holds_alternative<double>(cell) ? Qt::AlignRight | Qt::AlignVCenter
                                                                     : Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TableDataModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    return section < m_captions.size() ? m_captions[section] : QVariant();
}

} // namespace vesk::ui
