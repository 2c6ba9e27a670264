#include "ui/tools/EmissionFactorModel.h"

#include "ui/editors/RowsTableModel.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace vesk::ui {

namespace {

constexpr double kMaxFactor_gkm = 10000;

QVariant factorText(double v) {
    return v < 0 ? QVariant(QStringLiteral("-")) : QVariant(QString::number(v, 'g', 4));
}

} // namespace

EmissionFactorModel::EmissionFactorModel(QObject *parent) : QAbstractTableModel(parent) {}

void EmissionFactorModel::setCurves(const CategoryFactorCurves &curves) {
    beginResetModel();
    m_curves = curves;
    endResetModel();
}

const TechnologyCurve *EmissionFactorModel::technology(int column) const {
    const int t = column - ColFirstTechnology;
    if (t < 0 || t >= static_cast<int>(m_curves.technologies.size())) {
        return nullptr;
    }
    return &m_curves.technologies[static_cast<size_t>(t)];
}

int EmissionFactorModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_curves.speeds_kmh.size());
}

int EmissionFactorModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : fleetAverageColumn() + 1;
}

QVariant EmissionFactorModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const size_t row = static_cast<size_t>(index.row());
    const TechnologyCurve *t = technology(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() == ColSpeed) {
            return QString::number(m_curves.speeds_kmh[row], 'g', 6);
        }
        if (t) {
            return factorText(t->hot_gkm[row]);
        }
        return factorText(m_curves.fleetAverage_gkm[row]);
    case Qt::TextAlignmentRole:
        return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (t && (t->row < 0 || t->isShare)) {
            return QBrush(QColor(110, 110, 110));
        }
        return {};
    case Qt::FontRole:
        if (index.column() == fleetAverageColumn()) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole:
        if (t && t->row < 0) {
            return QStringLiteral("The table has no factors of this technology for the pollutant.");
        }
        if (t && t->isShare) {
            return QStringLiteral("A share of another pollutant's factor: it follows that pollutant.");
        }
        if (index.column() == fleetAverageColumn()) {
            return QStringLiteral("The category's fleet average as the calculation uses it (fuel and cold "
                                  "starts included).");
        }
        return {};
    default:
        return {};
    }
}

bool EmissionFactorModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    const TechnologyCurve *t = technology(index.column());
    if (role != Qt::EditRole || !t || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    const auto v = typedNumber(value);
    if (!v || *v < 0 || *v > kMaxFactor_gkm || !factorEdited) {
        return false;
    }
    return factorEdited(index.column() - ColFirstTechnology, index.row(), *v);
}

QVariant EmissionFactorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    if (section == ColSpeed) {
        return QStringLiteral("Speed (km/h)");
    }
    if (const TechnologyCurve *t = technology(section)) {
        return QStringLiteral("%1 (%2 %)")
            .arg(QString::fromStdString(t->technology))
            .arg(t->percent, 0, 'g', 4);
    }
    return QStringLiteral("Fleet average");
}

Qt::ItemFlags EmissionFactorModel::flags(const QModelIndex &index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const TechnologyCurve *t = technology(index.column());
    if (!m_readOnly && t && t->row >= 0 && !t->isShare) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

} // namespace vesk::ui
