#pragma once

// A table model over rows the editor owns, described column by column: each
// column has a title and a getter and (when editable) a setter. The list
// editors and the emission-factor window show their documents' rows with it.
// A row with a problem is shown in red with the message as its tip.

#include <QAbstractTableModel>

#include <functional>
#include <map>
#include <vector>

namespace vesk::ui {

class RowsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        std::function<QVariant(int row)> get;
        // Stores a typed value; false refuses it (the cell keeps its value).
        std::function<bool(int row, const QVariant &value)> set;
        bool number = false; // right-aligned
    };

    RowsTableModel(std::function<int()> rows, std::vector<Column> columns, QObject *parent);

    void setReadOnly(bool on) { m_readOnly = on; }
    // Cells for which this gives false are locked (rows of their own).
    void setCellLock(std::function<bool(int row, int column)> editable) { m_editable = std::move(editable); }
    // Rows and their problems, anew.
    void refresh();
    // Every cell's value may have changed (the rows stay).
    void valuesChanged();
    void setProblems(std::map<int, QString> problems);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    void edited();

private:
    std::function<int()> m_rows;
    std::vector<Column> m_columns;
    std::map<int, QString> m_problems;
    bool m_readOnly = false;
    std::function<bool(int row, int column)> m_editable;
};

// A number typed into a cell ("," read as the decimal mark); nullopt when it is none.
std::optional<double> typedNumber(const QVariant &value);

} // namespace vesk::ui
