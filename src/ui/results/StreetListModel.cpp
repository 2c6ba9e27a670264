#include "ui/results/StreetListModel.h"

#include "calc/Format.h"
#include "ui/common/DisplayText.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace vesk::ui {

StreetListModel::StreetListModel(QObject *parent) : QAbstractTableModel(parent) {}

void StreetListModel::setStore(std::shared_ptr<results::StreetResultsStore> store,
                               const std::string &numberFormat) {
    beginResetModel();
    m_store = std::move(store);
    m_numberFormat = numberFormat;
    endResetModel();
}

const std::vector<results::SummaryColumn> &StreetListModel::columns() const {
    static const std::vector<results::SummaryColumn> none;
    return m_store ? m_store->columns() : none;
}

int StreetListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() || !m_store ? 0 : static_cast<int>(m_store->streets().size());
}

int StreetListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : exceedanceColumn() + 1;
}

QString StreetListModel::number(double v) const {
    return v < 0 ? QStringLiteral("--") : QString::fromStdString(Format(v, m_numberFormat));
}

QVariant StreetListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || !m_store) {
        return {};
    }
    const results::StreetEntry &street = m_store->streets()[static_cast<std::size_t>(index.row())];
    const int c = index.column();
    const int k = c - FirstStatisticColumn;
    const bool statistic = k >= 0 && k < static_cast<int>(columns().size());
    const float value = statistic ? street.summary[static_cast<std::size_t>(k)] : -99.0f;
    const bool exceeded = statistic && value >= 0 && value > columns()[static_cast<std::size_t>(k)].limit;
    switch (role) {
    case Qt::DisplayRole:
        switch (c) {
        case ColNumber:
            return street.number;
        case ColStreet:
            return displayText(street.name);
        case ColActive:
            return street.active ? QStringLiteral("Yes") : QStringLiteral("No");
        case ColX:
            return QString::fromStdString(plainNumberText(street.x, 15));
        case ColY:
            return QString::fromStdString(plainNumberText(street.y, 15));
        case ColTraffic:
            return street.dailyTraffic < 0 ? QStringLiteral("--") : QString::number(street.dailyTraffic);
        default:
            return statistic ? number(value) : QVariant(results::exceedances(street, columns()));
        }
    case Qt::UserRole:
        switch (c) {
        case ColNumber:
            return street.number;
        case ColStreet:
            return QString::fromStdString(street.name).toLower();
        case ColActive:
            return street.active ? 1 : 0;
        case ColX:
            return street.x;
        case ColY:
            return street.y;
        case ColTraffic:
            return static_cast<double>(street.dailyTraffic);
        default:
            return statistic ? static_cast<double>(value) : QVariant(results::exceedances(street, columns()));
        }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c == ColStreet   ? Qt::AlignLeft | Qt::AlignVCenter
                                   : c == ColActive ? Qt::AlignCenter
                                                    : Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (exceeded) {
            return QBrush(QColor(170, 0, 0));
        }
        return street.active ? QVariant() : QBrush(QColor(120, 120, 120));
    case Qt::BackgroundRole:
        return exceeded ? QBrush(QColor(255, 225, 225)) : QVariant();
    case Qt::FontRole:
        if (exceeded || (c == exceedanceColumn() && results::exceedances(street, columns()) > 0)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::ToolTipRole:
        if (exceeded) {
            const results::SummaryColumn &sc = columns()[static_cast<std::size_t>(k)];
            return QStringLiteral("Above the limit value of %1 %2")
                .arg(QString::fromStdString(plainNumberText(sc.limit, 7)), QString::fromStdString(sc.unit));
        }
        return street.active
                   ? QVariant()
                   : QStringLiteral(
                         "Not calculated: the street is switched off or has no receptor, or the run "
                         "was stopped before it");
    default:
        return {};
    }
}

QVariant StreetListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (section) {
    case ColNumber:
        return QStringLiteral("No.");
    case ColStreet:
        return QStringLiteral("Street");
    case ColActive:
        return QStringLiteral("Calculated");
    case ColX:
        return QStringLiteral("X");
    case ColY:
        return QStringLiteral("Y");
    case ColTraffic:
        return QStringLiteral("Average Daily\nTraffic");
    default:
        break;
    }
    const int k = section - FirstStatisticColumn;
    if (k >= 0 && k < static_cast<int>(columns().size())) {
        const results::SummaryColumn &sc = columns()[static_cast<std::size_t>(k)];
        // The pollutant, the statistic, then the limit value with its unit.
        const QString caption = QString::fromStdString(sc.caption);
        const qsizetype blank = caption.indexOf(QLatin1Char(' '));
        return caption.left(blank) + QLatin1Char('\n') + caption.mid(blank + 1) + QStringLiteral("\nlimit ") +
               QString::fromStdString(plainNumberText(sc.limit, 7)) + QLatin1Char(' ') +
               QString::fromStdString(sc.unit);
    }
    return QStringLiteral("Limit values\nexceeded");
}

} // namespace vesk::ui
