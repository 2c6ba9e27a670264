#pragma once

// The table of the emission-factor window: one row per speed of the factor
// table, one column per technology of the chosen category (its hot factor)
// and the fleet average. A technology's cell is editable when the table has
// its own factors for it (a share of another pollutant's factor follows that
// pollutant); an edit is handed to the window, which changes its copy of the
// table and shows the curves again.

#include "platform/emission/FactorCurves.h"

#include <QAbstractTableModel>

#include <functional>

namespace vesk::ui {

class EmissionFactorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColSpeed = 0, ColFirstTechnology = 1 }; // then the technologies, then the fleet average

    explicit EmissionFactorModel(QObject *parent = nullptr);

    // The curves shown (the model keeps a copy); every row and column anew.
    void setCurves(const CategoryFactorCurves &curves);
    const CategoryFactorCurves &curves() const { return m_curves; }
    int fleetAverageColumn() const {
        return ColFirstTechnology + static_cast<int>(m_curves.technologies.size());
    }
    void setReadOnly(bool on) { m_readOnly = on; }

    // Called with the technology (0-based), the speed row and the typed factor (g/km, 0 to 10,000);
    // false refuses it.
    std::function<bool(int technology, int speedRow, double factor_gkm)> factorEdited;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    const TechnologyCurve *technology(int column) const;
    CategoryFactorCurves m_curves;
    bool m_readOnly = false;
};

} // namespace vesk::ui
