#pragma once

// Paints the results table of one page as the window shows it: shaded
// heading cells, merged section headings, bold and italic type, grid lines.
// Used for printing (printers and PDF) and for pictures of the table.

#include "run/results/ResultsTable.h"

#include <QFont>

class QPaintDevice;
#include <QPointF>

class QFontMetricsF;
class QPainter;

namespace vesk::ui {

// Widens every column whose texts do not fit, so that no text is cut off:
// metrics of the table's normal type, unitsPerTwip converting twips into the
// metrics' units. Merged cells are left to the columns they span.
void widenColumnsToFit(results::ResultsPage &page, const QFont &font, const QPaintDevice *device,
                       double unitsPerTwip);

// Paints page with its top left corner at topLeft; unitsPerTwip converts the
// page's twips into the painter's units; font is the table's normal type.
void paintResultsTable(QPainter &painter, const results::ResultsPage &page, QPointF topLeft,
                       double unitsPerTwip, const QFont &font);

} // namespace vesk::ui
