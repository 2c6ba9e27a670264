#include "ui/results/ResultsTablePainter.h"

#include "ui/results/ResultsTableModel.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesk::ui {

namespace {
constexpr double kCellPaddingTwips = 60;
}

void widenColumnsToFit(results::ResultsPage &page, const QFont &font, const QPaintDevice *device,
                       double unitsPerTwip) {
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF plain(font, device);
    const QFontMetricsF strong(bold, device);
    const double padding = 2 * kCellPaddingTwips * unitsPerTwip + strong.averageCharWidth();
    // Most cells of a large page repeat a few texts ("--", the limit values):
    // each text is measured once per type.
    std::unordered_map<std::string_view, double> measured[2];
    for (int r = 0; r < page.rowCount(); ++r) {
        const std::vector<int> widths = page.shownWidths(r);
        for (int c = 0; c < page.columnCount(); ++c) {
            if (widths[static_cast<std::size_t>(c)] != 1) {
                continue;
            }
            const results::ResultsCell &cell = page.cell(r, c);
            const auto [at, isNew] = measured[cell.bold ? 1 : 0].try_emplace(cell.text, 0.0);
            if (isNew) {
                at->second =
                    (cell.bold ? strong : plain).horizontalAdvance(QString::fromStdString(cell.text));
            }
            const double text = at->second;
            // A text too long for any screen still gives a width an int holds.
            const double needed = std::ceil((text + padding) / unitsPerTwip);
            const int twips =
                static_cast<int>(std::min(needed, static_cast<double>(std::numeric_limits<int>::max())));
            int &width = page.columnWidthsTwips[static_cast<std::size_t>(c)];
            width = std::max(width, twips);
        }
    }
}

void paintResultsTable(QPainter &painter, const results::ResultsPage &page, QPointF topLeft,
                       double unitsPerTwip, const QFont &font) {
    const int columns = page.columnCount();
    std::vector<double> x(static_cast<std::size_t>(columns) + 1, topLeft.x());
    for (int c = 0; c < columns; ++c) {
        x[static_cast<std::size_t>(c) + 1] =
            x[static_cast<std::size_t>(c)] +
            page.columnWidthsTwips[static_cast<std::size_t>(c)] * unitsPerTwip;
    }
    painter.save();
    QPen grid(QColor(150, 150, 150));
    grid.setWidthF(std::max(1.0, unitsPerTwip * 10));
    const double padding = kCellPaddingTwips * unitsPerTwip;
    double y = topLeft.y();
    for (int r = 0; r < page.rowCount(); ++r) {
        const double height = page.rows[static_cast<std::size_t>(r)].heightTwips * unitsPerTwip;
        const std::vector<int> widths = page.shownWidths(r);
        for (int c = 0; c < columns; ++c) {
            const int span = widths[static_cast<std::size_t>(c)];
            if (span == 0) {
                continue;
            }
            const QRectF box(x[static_cast<std::size_t>(c)], y,
                             x[static_cast<std::size_t>(c + span)] - x[static_cast<std::size_t>(c)], height);
            const results::ResultsCell &cell = page.cell(r, c);
            painter.fillRect(box, shadeColour(cell.shade));
            painter.setPen(grid);
            painter.drawRect(box);
            QFont type = font;
            type.setBold(cell.bold);
            type.setItalic(cell.italic);
            painter.setFont(type);
            painter.setPen(Qt::black);
            const Qt::Alignment align =
                cell.align == results::CellAlign::Left ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
            painter.drawText(box.adjusted(padding, 0, -padding, 0),
                             static_cast<int>(align) | Qt::TextSingleLine, QString::fromStdString(cell.text));
        }
        y += height;
    }
    painter.restore();
}

} // namespace vesk::ui
