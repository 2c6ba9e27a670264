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

// Widens every column whose texts do not fit: metrics of the table's normal
// type, unitsPerTwip converting twips into the metrics' units. Merged cells
// are left to the columns they span; the titles of limit rows widen the first
// column only when limitTitles is set (on screen they are cut short instead,
// their tooltip showing them whole).
void widenColumnsToFit(results::ResultsPage &page, const QFont &font, const QPaintDevice *device,
                       double unitsPerTwip, bool limitTitles);

// Paints page with its top left corner at topLeft; unitsPerTwip converts the
// page's twips into the painter's units; font is the table's normal type.
void paintResultsTable(QPainter &painter, const results::ResultsPage &page, QPointF topLeft,
                       double unitsPerTwip, const QFont &font);

} // namespace vesk::ui
