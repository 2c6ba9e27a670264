#pragma once

// The wind sectors of the street configuration editor: one row per sector
// in use (at most 12), with start and end direction (degrees) and the
// building height of the sector (m). Cells take numbers only ("," is read as
// the decimal mark); range checks are left to the editor, which names the
// first problem and keeps OK disabled until it is mended.

#include <QAbstractTableModel>

#include <vector>

namespace vesk::ui {

struct SectorRow {
    double start = 0;
    double end = 0;
    double value = 0;
};

class SectorTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColStart, ColEnd, ColValue, ColumnCount };

    explicit SectorTableModel(QObject *parent = nullptr);

    void setRows(const std::vector<SectorRow> &rows);
    const std::vector<SectorRow> &rows() const { return m_rows; }

    // Appends a sector (refused at 12); returns whether it was added.
    bool addRow(const SectorRow &row);
    void removeRowAt(int row);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    std::vector<SectorRow> m_rows;
};

} // namespace vesk::ui
