#pragma once

// Painting of the street sketch with QPainter. One routine, DrawStreetSketch,
// paints on any device: the sketch box on screen, an image (saved or copied to
// the clipboard) and a printer page. The geometry comes from
// project/SketchGeometry.h; this file only turns drawing units into pixels,
// brushes, pens and fonts.

#include "project/SketchGeometry.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;
class QPrinter;

namespace vesk::ui {

// Font of the sketch labels. Automatic: "Arial", black, sized by the sketch.
struct SketchLabelFont {
    bool automatic = true;
    QString name = QStringLiteral("Arial");
    QColor colour = Qt::black;
};

// The brush colour of an entry 0..7.
QColor sketchBrushQColor(int entry);

// Fills the polygon of drawing points with the brush colour and outlines it
// with the outline colour at the painter's current pen width.
void DrawPolygon(QPainter &painter, const std::vector<SketchPoint> &points, const QColor &brush,
                 const QColor &outline, const SketchMapping &mapping);

// Fills the ellipse of the square of half side r around (x, y); no outline.
void FillEllipse(QPainter &painter, double x, double y, double r, const QColor &brush,
                 const SketchMapping &mapping);

// Writes text at drawing position (x, y), turned by angle degrees counter-
// clockwise and aligned as asked relative to its own direction. size is the
// font size in points (the same on devices of any resolution);
// the painter's pen colour is the text colour and its font family is used.
void PrintRotatedText(QPainter &painter, const SketchMapping &mapping, const QString &text, double x,
                      double y, double angle, int size, SketchAlign align);

// Paints the sketch into area of the painter's device (resolution dpiX, dpiY)
// and returns the scene it drew (empty when the street gives nothing to draw).
SketchScene DrawStreetSketch(QPainter &painter, const QRect &area, double dpiX, double dpiY,
                             const SketchStreet &street, const SketchView &view, const SketchLabelFont &font);

// The sketch as a picture of the given size on a white ground.
QImage renderStreetSketch(const QSize &size, const SketchStreet &street, const SketchView &view,
                          const SketchLabelFont &font);

// Saves a picture to path (bitmap unless the name ends in another known
// picture suffix), through a temporary file. On failure the old file stays
// whole and error says why.
bool saveSketchPicture(const QImage &picture, const QString &path, QString *error);

// Prints the sketch on one page of printer. False with the reason in error when
// the printer cannot be started or the page cannot be finished, or when a
// print into a file cannot be saved (ui/common/PictureFile.h: PrintedFile,
// which reads a relative name of the file in folder; *note, when given, gets
// what it says of where the file went, "" for nothing to say).
bool printStreetSketch(QPrinter &printer, const SketchStreet &street, const SketchView &view,
                       const SketchLabelFont &font, const QString &folder, QString *error,
                       QString *note = nullptr);

} // namespace vesk::ui
