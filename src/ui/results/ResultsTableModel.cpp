#include "ui/results/ResultsTableModel.h"
#include "ui/common/DisplayText.h"

#include <QFont>
#include <QHeaderView>
#include <QTableView>

namespace vesk::ui {

using results::CellAlign;
using results::CellShade;

QColor shadeColour(CellShade shade) {
    // The heading colour is a light grey that prints as well as it shows.
    return shade == CellShade::Shaded ? QColor(226, 228, 232) : QColor(Qt::white);
}

ResultsTableModel::ResultsTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void ResultsTableModel::setPage(results::ResultsPage page) {
    beginResetModel();
    m_page = std::move(page);
    endResetModel();
}

int ResultsTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_page.rowCount();
}

int ResultsTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_page.columnCount();
}

QVariant ResultsTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const results::ResultsCell &cell = m_page.cell(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
        return displayText(cell.text);
    case Qt::FontRole: {
        if (!cell.bold && !cell.italic) {
            return {};
        }
        QFont font;
        font.setBold(cell.bold);
        font.setItalic(cell.italic);
        return font;
    }
    case Qt::BackgroundRole:
        return shadeColour(cell.shade);
    case Qt::ForegroundRole:
        return QColor(Qt::black);
    case Qt::TextAlignmentRole:
        switch (cell.align) {
        case CellAlign::Left:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        case CellAlign::CentreTop:
            return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
        case CellAlign::Centre:
            return QVariant::fromValue(Qt::AlignCenter);
        }
        return {};
    case Qt::ToolTipRole:
        if (!cell.note.empty()) {
            return displayMessage(cell.note);
        }
        // A limit row's title may be cut short by its column.
        return index.column() == 0 &&
                       m_page.rows[static_cast<std::size_t>(index.row())].kind == results::RowKind::Limit
                   ? QVariant(displayText(cell.text))
                   : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags ResultsTableModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ResultsTableModel::applyLayout(QTableView *view) const {
    view->clearSpans();
    for (const results::CellSpan &span : m_page.spans) {
        view->setSpan(span.row, span.column, 1, span.count);
    }
    for (int c = 0; c < m_page.columnCount(); ++c) {
        view->setColumnWidth(c, twipsToPixels(m_page.columnWidthsTwips[static_cast<std::size_t>(c)]));
    }
    for (int r = 0; r < m_page.rowCount(); ++r) {
        view->setRowHeight(r, twipsToPixels(m_page.rows[static_cast<std::size_t>(r)].heightTwips));
    }
}

} // namespace vesk::ui
