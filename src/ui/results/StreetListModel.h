#pragma once

// The streets of a multi-street run as a read-only table: number, name,
// whether the street was calculated, its position, its calculated average
// daily traffic, then each statistic set against its limit value (the larger
// side, modelled) and the number of limit values it exceeds. A value above
// its limit is shown in bold red on a pale red ground. Qt::UserRole gives
// the number a column sorts by (missing values sort first).

#include "run/results/StreetResults.h"

#include <QAbstractTableModel>

#include <memory>
#include <string>

namespace vesk::ui {

class StreetListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColNumber, ColStreet, ColActive, ColX, ColY, ColTraffic, FirstStatisticColumn };

    explicit StreetListModel(QObject *parent = nullptr);

    // The streets of store; numbers written with numberFormat.
    void setStore(std::shared_ptr<results::StreetResultsStore> store, const std::string &numberFormat);
    const std::shared_ptr<results::StreetResultsStore> &store() const { return m_store; }
    // The column of the exceedance count.
    int exceedanceColumn() const { return FirstStatisticColumn + static_cast<int>(columns().size()); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const std::vector<results::SummaryColumn> &columns() const;
    QString number(double v) const;

    std::shared_ptr<results::StreetResultsStore> m_store;
    std::string m_numberFormat;
};

} // namespace vesk::ui
