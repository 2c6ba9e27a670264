#include "ui/inputdef/StreetSetModel.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "project/NewProject.h"
#include "project/StreetConfig.h"
#include "ui/common/DisplayText.h"

#include <algorithm>
#include <optional>
#include <string>

namespace vesk::ui {

namespace {

double *numberOf(StreetSetEntry &e, int column) {
    switch (column) {
    case StreetSetModel::ColX:
        return &e.x;
    case StreetSetModel::ColY:
        return &e.y;
    case StreetSetModel::ColDailyTraffic:
        return &e.dailyTraffic;
    case StreetSetModel::ColSpeed:
        return &e.speed;
    case StreetSetModel::ColHeight:
        return &e.street.StreetHeight;
    case StreetSetModel::ColWidth:
        return &e.street.StreetWidth;
    case StreetSetModel::ColLength1:
        return &e.street.StreetLength_1;
    case StreetSetModel::ColLength2:
        return &e.street.StreetLength_2;
    case StreetSetModel::ColOrientation:
        return &e.street.StreetOrientation;
    case StreetSetModel::ColRecHeight:
        return &e.street.RecHeight;
    default:
        return nullptr;
    }
}

int sideOf(const StreetConfig &c) {
    return c.Receptor1 && c.Receptor2 ? 0 : c.Receptor1 ? 1 : 2;
}

// What the numbers of a column are called in its rule.
std::string quantityOf(int column) {
    const StreetValueNames names;
    switch (column) {
    case StreetSetModel::ColDailyTraffic:
        return "daily traffic";
    case StreetSetModel::ColSpeed:
        return "travel speed";
    case StreetSetModel::ColHeight:
        return names.height;
    case StreetSetModel::ColWidth:
        return names.width;
    case StreetSetModel::ColLength1:
        return names.length1;
    case StreetSetModel::ColLength2:
        return names.length2;
    case StreetSetModel::ColOrientation:
        return names.orientation;
    case StreetSetModel::ColRecHeight:
        return names.receptorHeight;
    default:
        return "value";
    }
}

// The rule a number refused by newProjectNumber breaks.
std::string numberRule(int column, const std::string &text) {
    const std::string quantity = "The " + quantityOf(column) + " must be ";
    const std::string t = trim(text);
    const auto marks = std::count_if(t.begin(), t.end(), [](char c) { return c == '.' || c == ','; });
    if (marks > 1) {
        return quantity + "a number with one decimal mark (\".\" or \",\") at most.";
    }
    const std::optional<double> value = parseNumber(t);
    return value && *value < 0 ? quantity + ">= 0." : quantity + "a number.";
}

} // namespace

StreetSetModel::StreetSetModel(QObject *parent) : QAbstractTableModel(parent) {}

void StreetSetModel::setStreets(const StreetSet &set) {
    beginResetModel();
    m_set = set;
    m_refusal.clear();
    endResetModel();
}

int StreetSetModel::addStreet(const StreetSetEntry &entry) {
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_set.streets.push_back(entry);
    m_refusal.clear();
    endInsertRows();
    return row;
}

void StreetSetModel::removeStreet(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_set.streets.erase(m_set.streets.begin() + row);
    m_refusal.clear();
    endRemoveRows();
}

void StreetSetModel::setStreet(int row, const StreetSetEntry &entry) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    m_set.streets[static_cast<std::size_t>(row)] = entry;
    m_refusal.clear();
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int StreetSetModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_set.streets.size());
}

int StreetSetModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant StreetSetModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const StreetSetEntry &e = m_set.streets[static_cast<std::size_t>(index.row())];
    if (index.column() == ColActive) {
        return role == Qt::CheckStateRole ? QVariant(e.active ? Qt::Checked : Qt::Unchecked) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) {
        return {};
    }
    switch (index.column()) {
    case ColName:
        return QString::fromStdString(e.street.StreetName);
    case ColTrafficFile:
        return QString::fromStdString(e.trafficFile);
    case ColSide:
        return sideOf(e.street);
    case ColSectors:
        return e.street.NumWindSectors;
    default:
        break;
    }
    if (const double *v = numberOf(const_cast<StreetSetEntry &>(e), index.column())) {
        return QString::fromStdString(formatNumber(*v));
    }
    return {};
}

bool StreetSetModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || index.row() >= rowCount()) {
        return false;
    }
    StreetSetEntry &e = m_set.streets[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (column == ColActive) {
        if (role != Qt::CheckStateRole) {
            return false;
        }
        e.active = value.toInt() == Qt::Checked;
    } else if (role != Qt::EditRole) {
        return false;
    } else if (column == ColName || column == ColTrafficFile) {
        const std::string text = value.toString().trimmed().toStdString();
        if (text.find('"') != std::string::npos) { // the file quotes them
            return refuse(index, value,
                          column == ColName ? "The street name must not contain a double quote."
                                            : "The traffic file name must not contain a double quote.");
        }
        if (column == ColName && text.empty()) {
            return refuse(index, value, "The street has no name.");
        }
        (column == ColName ? e.street.StreetName : e.trafficFile) = text;
    } else if (column == ColSide) {
        const std::optional<double> side = parseNumber(value.toString().toStdString());
        if (!side || (*side != 0 && *side != 1 && *side != 2)) {
            return refuse(index, value, "The side must be 0 (both sides), 1 or 2.");
        }
        e.street.Receptor1 = *side == 0 || *side == 1 ? 1 : 0;
        e.street.Receptor2 = *side == 0 || *side == 2 ? 1 : 0;
    } else if (double *target = numberOf(e, column)) {
        const std::string text = value.toString().toStdString();
        std::string unused;
        const bool coordinate = column == ColX || column == ColY;
        const std::optional<double> number = coordinate ? parseNumber(text) : newProjectNumber(text, &unused);
        if (!number) {
            return refuse(index, value,
                          coordinate ? "The coordinates must be numbers." : numberRule(column, text));
        }
        *target = *number;
    } else {
        return false;
    }
    m_refusal.clear();
    Q_EMIT dataChanged(index, index);
    return true;
}

bool StreetSetModel::refuse(const QModelIndex &index, const QVariant &value, const std::string &rule) {
    const StreetSetEntry &e = m_set.streets[static_cast<std::size_t>(index.row())];
    m_refusal = QStringLiteral("Street %1 (%2), %3: \"%4\" was not taken. %5")
                    .arg(QString::number(index.row() + 1), displayText(e.street.StreetName),
                         headerData(index.column(), Qt::Horizontal).toString(),
                         displayText(value.toString().trimmed()), QString::fromStdString(rule));
    Q_EMIT entryRefused(m_refusal);
    return false;
}

QVariant StreetSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    static const char *const titles[ColumnCount] = {"Active",
                                                    "Name",
                                                    "X",
                                                    "Y",
                                                    "Traffic File",
                                                    "Daily Traffic (veh/day)",
                                                    "Speed (km/h)",
                                                    "Height (m)",
                                                    "Width (m)",
                                                    "Length 1 (m)",
                                                    "Length 2 (m)",
                                                    "Orientation (deg.)",
                                                    "Side (0 both)",
                                                    "Receptor Height (m)",
                                                    "Wind Sectors"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags StreetSetModel::flags(const QModelIndex &index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == ColActive) {
        return f | Qt::ItemIsUserCheckable;
    }
    if (index.column() != ColSectors) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

} // namespace vesk::ui
