#pragma once

// The results table of one page as a read-only Qt model: texts, bold and
// italic type, the shaded heading cells and the alignment of every cell come
// from the page; a cell's note is its tooltip. Merged heading cells and the
// column widths are applied to a view by applyLayout().

#include "run/results/ResultsTable.h"

#include <QAbstractTableModel>
#include <QColor>

class QTableView;

namespace vesk::ui {

// Twips (1/1440 inch) in pixels of a 96-dpi screen, rounded; without
// overflow up to the largest int.
inline int twipsToPixels(int twips) {
    return twips / 15 + (twips % 15 + 7) / 15;
}

// The colours of the table, on screen and on paper.
QColor shadeColour(results::CellShade shade);

class ResultsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsTableModel(QObject *parent = nullptr);

    void setPage(results::ResultsPage page);
    const results::ResultsPage &page() const { return m_page; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Spans, column widths and row heights of the page on view.
    void applyLayout(QTableView *view) const;

private:
    results::ResultsPage m_page;
};

} // namespace vesk::ui
