#pragma once

// The streets of a streets file as a table: one row per street, one column
// per item of its record. Cells take what the record may hold (numbers with
// "." or a single "," as decimal mark, the side as 0 both, 1 or 2, names
// without double quotes); anything else is refused, the cell keeps its value
// and refusal() says which cell refused what, and why. The wind sectors are
// edited with the street's geometry in the single-street editor and shown
// here as their number.

#include "project/StreetSet.h"

#include <QAbstractTableModel>

namespace vesk::ui {

class StreetSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        ColActive,
        ColName,
        ColX,
        ColY,
        ColTrafficFile,
        ColDailyTraffic,
        ColSpeed,
        ColHeight,
        ColWidth,
        ColLength1,
        ColLength2,
        ColOrientation,
        ColSide,
        ColRecHeight,
        ColSectors,
        ColumnCount
    };

    explicit StreetSetModel(QObject *parent = nullptr);

    void setStreets(const StreetSet &set);
    const StreetSet &streets() const { return m_set; }

    // Appends a street; returns its row.
    int addStreet(const StreetSetEntry &entry);
    void removeStreet(int row);
    // Replaces one street (after its geometry was edited).
    void setStreet(int row, const StreetSetEntry &entry);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The entry the last edit of a cell refused, as a sentence naming the
    // street, the column, the text and the rule ("Street 2 (Quay Side), Speed
    // (km/h): "-5" was not taken. The travel speed must be >= 0."); "" once an
    // edit was taken or the streets changed otherwise.
    QString refusal() const { return m_refusal; }

Q_SIGNALS:
    // A cell refused what was entered (see refusal()).
    void entryRefused(const QString &message);

private:
    bool refuse(const QModelIndex &index, const QVariant &value, const std::string &rule);

    StreetSet m_set;
    QString m_refusal;
};

} // namespace vesk::ui
