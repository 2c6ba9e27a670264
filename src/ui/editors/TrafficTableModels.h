#pragma once

// The tables of the traffic editor, all views of one traffic document that
// the editor owns: the categories, the day cases with their conditions, and
// the profile of one day case (periods by categories, speeds and cold
// start). Cells take what the user types; a value the file cannot hold is
// kept and shown in red with the reason as its tip, and the editor keeps Save
// disabled until it is mended.

#include "platform/emission/TrafficDocument.h"

#include <QAbstractTableModel>

namespace vesk::ui {

class TrafficTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TrafficTableModel(TrafficDocument &doc, QObject *parent);
    void setReadOnly(bool on) { m_readOnly = on; }
    // Tells the views that the document changed as a whole.
    void refresh();
    // The document's problems (checkTrafficDocument): their cells are shown in red.
    void setProblems(const std::vector<TrafficProblem> &problems);

Q_SIGNALS:
    // A cell was changed by the user.
    void edited();

protected:
    Qt::ItemFlags editable(const QModelIndex &index) const;
    // The message of the first problem of a row (column -1: of the row as a
    // whole) of a part, or of a profile cell; "" when there is none.
    QString problemAt(TrafficProblem::Part part, int row, int period = -1, int column = -1) const;
    // Red background and the message as tip for the roles that show a problem.
    static QVariant problemRole(const QString &problem, int role);
    TrafficDocument &m_doc;
    std::vector<TrafficProblem> m_problems;
    bool m_readOnly = false;
};

class TrafficCategoryModel : public TrafficTableModel {
    Q_OBJECT
public:
    enum Column { ColName, ColLongName, ColParts, ColumnCount };
    using TrafficTableModel::TrafficTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override { return editable(index); }

    // "PCPetrol 0.65, PCDiesel 0.35" <-> sub-categories with fractions.
    static QString partsText(const TrafficCategoryDefinition &c);
    static bool parseParts(const QString &text, TrafficCategoryDefinition *c);
};

class TrafficDayCaseModel : public TrafficTableModel {
    Q_OBJECT
public:
    enum Column { ColName, ColDay, ColMonth, ColDays, ColumnCount };
    using TrafficTableModel::TrafficTableModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Days of the reference year (365) that take each day case, worked out anew.
    void countDays();

private:
    std::vector<double> m_days;
};

class TrafficProfileModel : public TrafficTableModel {
    Q_OBJECT
public:
    using TrafficTableModel::TrafficTableModel;

    // The day case shown (0-based; -1 = none).
    void setDayCase(int d);
    int dayCase() const { return m_dayCase; }
    // Column c: the categories, then speed light, speed heavy, cold start.
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override { return editable(index); }

    double value(const TrafficPeriod &p, int column) const;

private:
    int m_dayCase = -1;
};

} // namespace vesk::ui
