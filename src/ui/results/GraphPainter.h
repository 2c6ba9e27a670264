#pragma once

// Painting of a Special Mode graph with QPainter. One routine, DrawGraph,
// paints on any device: the graph picture on screen, an image (saved or
// copied to the clipboard) and a printer page. The layout comes from
// calc/GraphDrawing.h; this file only turns the scene into pens, fonts and
// texts.

#include "calc/GraphDrawing.h"

#include <QImage>
#include <QRect>
#include <QString>

class QPainter;
class QPrinter;

namespace vesk::ui {

// What one graph window draws: the data read, the labels and the top of the y axis.
struct GraphContent {
    GraphData data;
    GraphLabels labels;
    double yAxisMax = 0;
};

// Paints the graph into area of the painter's device (resolution dpiX, dpiY)
// on a white ground and returns the scene it drew.
GraphScene DrawGraph(QPainter &painter, const QRect &area, double dpiX, double dpiY,
                     const GraphContent &graph);

// The graph as a picture of the given size (screen resolution).
QImage renderGraph(const QSize &size, const GraphContent &graph);

// Prints the graph on one page of printer, as large as the page allows at the
// graph's design proportions. False with the reason in error when the printer
// cannot be started or the page cannot be finished, or when a print into a
// file cannot be saved (ui/common/PictureFile.h: PrintedFile, which reads a
// relative name of the file in folder; *note, when given, gets what it says
// of where the file went, "" for nothing to say).
bool printGraph(QPrinter &printer, const GraphContent &graph, const QString &folder, QString *error,
                QString *note = nullptr);

} // namespace vesk::ui
