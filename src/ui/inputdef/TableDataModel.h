#pragma once

// A read-only table model over a table read by the engine (TableData): one
// column per field, captions as given, numbers right-aligned and shown in
// their shortest form, texts left-aligned, empty cells empty.

#include "platform/tables/Tables.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace vesk::ui {

class TableDataModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TableDataModel(TableData data, QStringList captions, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TableData m_data;
    QStringList m_captions;
};

} // namespace vesk::ui
