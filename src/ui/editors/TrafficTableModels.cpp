#include "ui/editors/TrafficTableModels.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "ui/editors/RowsTableModel.h"

#include <QBrush>
#include <QColor>
#include <QRegularExpression>

namespace vesk::ui {

namespace {

QString number(double v) {
    return QString::fromStdString(formatNumber(v));
}

} // namespace

TrafficTableModel::TrafficTableModel(TrafficDocument &doc, QObject *parent)
    : QAbstractTableModel(parent), m_doc(doc) {}

void TrafficTableModel::refresh() {
    beginResetModel();
    endResetModel();
}

void TrafficTableModel::setProblems(const std::vector<TrafficProblem> &problems) {
    m_problems = problems;
    if (rowCount() > 0 && columnCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

Qt::ItemFlags TrafficTableModel::editable(const QModelIndex &index) const {
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.isValid() && !m_readOnly) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

QString TrafficTableModel::problemAt(TrafficProblem::Part part, int row, int period, int column) const {
    for (const auto &p : m_problems) {
        if (p.part == part && p.row == row && p.period == period && p.column == column) {
            return QString::fromStdString(p.message);
        }
    }
    return {};
}

QVariant TrafficTableModel::problemRole(const QString &problem, int role) {
    if (problem.isEmpty()) {
        return {};
    }
    if (role == Qt::BackgroundRole) {
        return QBrush(QColor(255, 200, 200));
    }
    if (role == Qt::ToolTipRole) {
        return problem;
    }
    return {};
}

// ---- Categories

int TrafficCategoryModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_doc.categories.size());
}

int TrafficCategoryModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrafficCategoryModel::partsText(const TrafficCategoryDefinition &c) {
    QStringList parts;
    for (size_t i = 0; i < c.subNames.size(); ++i) {
        parts << QString::fromStdString(c.subNames[i]) + QLatin1Char(' ') +
                     number(i < c.subFractions.size() ? c.subFractions[i] : 0.0);
    }
    return parts.join(QStringLiteral(", "));
}

bool TrafficCategoryModel::parseParts(const QString &text, TrafficCategoryDefinition *c) {
    std::vector<std::string> names;
    std::vector<double> fractions;
    const QStringList items = text.split(QRegularExpression(QStringLiteral("[,;]")), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const QStringList words = item.simplified().split(QLatin1Char(' '));
        if (words.size() != 2) {
            return false;
        }
        const auto f = parseNumber(words[1].toStdString());
        if (!f) {
            return false;
        }
        names.push_back(words[0].toStdString());
        fractions.push_back(*f);
    }
    c->subNames = std::move(names);
    c->subFractions = std::move(fractions);
    return true;
}

QVariant TrafficCategoryModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const TrafficCategoryDefinition &c = m_doc.categories[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case ColName:
            return QString::fromStdString(c.name);
        case ColLongName:
            return QString::fromStdString(c.longName);
        case ColParts:
            return partsText(c);
        default:
            return {};
        }
    }
    return problemRole(problemAt(TrafficProblem::Part::Category, index.row()), role);
}

bool TrafficCategoryModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || role != Qt::EditRole || m_readOnly || index.row() >= rowCount()) {
        return false;
    }
    TrafficCategoryDefinition &c = m_doc.categories[static_cast<size_t>(index.row())];
    const std::string text = value.toString().trimmed().toStdString();
    switch (index.column()) {
    case ColName:
        c.name = text;
        break;
    case ColLongName:
        c.longName = text;
        break;
    case ColParts:
        if (!parseParts(value.toString(), &c)) {
            return false;
        }
        break;
    default:
        return false;
    }
    Q_EMIT dataChanged(index, index);
    Q_EMIT edited();
    return true;
}

QVariant TrafficCategoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    static const char *const titles[] = {"Name", "Long name", "Vehicle-list categories and fractions"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

// ---- Day cases

int TrafficDayCaseModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_doc.dayCases.size());
}

int TrafficDayCaseModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

void TrafficDayCaseModel::countDays() {
    static const int daysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    m_days.assign(m_doc.dayCases.size(), 0.0);
    for (int month = 1; month <= 12; ++month) {
        for (int weekday = 1; weekday <= 7; ++weekday) {
            const int d = trafficDayCaseOf(m_doc, weekday, month);
            if (d > 0) {
                m_days[static_cast<size_t>(d - 1)] += daysInMonth[month - 1] / 7.0;
            }
        }
    }
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0, ColDays), index(rowCount() - 1, ColDays));
    }
}

QVariant TrafficDayCaseModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const TrafficDayCaseProfile &d = m_doc.dayCases[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case ColName:
            return QString::fromStdString(d.name);
        case ColDay:
            return QString::fromStdString(d.codeDay);
        case ColMonth:
            return QString::fromStdString(d.codeMonth);
        case ColDays: {
            const size_t r = static_cast<size_t>(index.row());
            return r < m_days.size() ? QString::number(m_days[r], 'f', 0) : QString();
        }
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == ColDays) {
        return QStringLiteral(
            "Days of a year of 365 that take this day case (the first whose conditions hold)");
    }
    if (index.column() == ColDays) {
        return {};
    }
    return problemRole(problemAt(TrafficProblem::Part::DayCase, index.row()), role);
}

bool TrafficDayCaseModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || role != Qt::EditRole || m_readOnly || index.row() >= rowCount()) {
        return false;
    }
    TrafficDayCaseProfile &d = m_doc.dayCases[static_cast<size_t>(index.row())];
    const std::string text = value.toString().trimmed().toStdString();
    switch (index.column()) {
    case ColName:
        d.name = text;
        break;
    case ColDay:
        d.codeDay = text;
        break;
    case ColMonth:
        d.codeMonth = text;
        break;
    default:
        return false;
    }
    Q_EMIT dataChanged(index, index);
    countDays();
    Q_EMIT edited();
    return true;
}

QVariant TrafficDayCaseModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    static const char *const titles[] = {"Name", "Day condition", "Month condition", "Days"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags TrafficDayCaseModel::flags(const QModelIndex &index) const {
    Qt::ItemFlags f = editable(index);
    if (index.column() == ColDays) {
        f &= ~Qt::ItemIsEditable;
    }
    return f;
}

// ---- Profile of one day case

void TrafficProfileModel::setDayCase(int d) {
    beginResetModel();
    m_dayCase = d >= 0 && d < static_cast<int>(m_doc.dayCases.size()) ? d : -1;
    endResetModel();
}

int TrafficProfileModel::rowCount(const QModelIndex &parent) const {
    if (parent.isValid() || m_dayCase < 0 || m_dayCase >= static_cast<int>(m_doc.dayCases.size())) {
        return 0;
    }
    return static_cast<int>(m_doc.dayCases[static_cast<size_t>(m_dayCase)].periods.size());
}

int TrafficProfileModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_doc.categories.size()) + 3;
}

double TrafficProfileModel::value(const TrafficPeriod &p, int column) const {
    const int ncat = static_cast<int>(m_doc.categories.size());
    if (column < ncat) {
        return column < static_cast<int>(p.flows.size()) ? p.flows[static_cast<size_t>(column)] : 0.0;
    }
    return column == ncat ? p.speedLight : column == ncat + 1 ? p.speedHeavy : p.coldStart;
}

QVariant TrafficProfileModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const TrafficPeriod &p =
        m_doc.dayCases[static_cast<size_t>(m_dayCase)].periods[static_cast<size_t>(index.row())];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return number(value(p, index.column()));
    }
    if (role == Qt::TextAlignmentRole) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return problemRole(problemAt(TrafficProblem::Part::Profile, m_dayCase, index.row(), index.column()),
                       role);
}

bool TrafficProfileModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || role != Qt::EditRole || m_readOnly || index.row() >= rowCount()) {
        return false;
    }
    const auto v = typedNumber(value);
    if (!v) {
        return false;
    }
    TrafficPeriod &p =
        m_doc.dayCases[static_cast<size_t>(m_dayCase)].periods[static_cast<size_t>(index.row())];
    const int ncat = static_cast<int>(m_doc.categories.size());
    const int c = index.column();
    if (c < ncat && c < static_cast<int>(p.flows.size())) {
        p.flows[static_cast<size_t>(c)] = *v;
    } else if (c == ncat) {
        p.speedLight = *v;
    } else if (c == ncat + 1) {
        p.speedHeavy = *v;
    } else if (c == ncat + 2) {
        p.coldStart = *v;
    } else {
        return false;
    }
    Q_EMIT dataChanged(index, index);
    Q_EMIT edited();
    return true;
}

QVariant TrafficProfileModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    const int ncat = static_cast<int>(m_doc.categories.size());
    if (section < ncat) {
        return QString::fromStdString(m_doc.categories[static_cast<size_t>(section)].name);
    }
    static const char *const titles[] = {"Speed light", "Speed heavy", "Cold start (%)"};
    return section - ncat < 3 ? QString::fromLatin1(titles[section - ncat]) : QVariant();
}

} // namespace vesk::ui
