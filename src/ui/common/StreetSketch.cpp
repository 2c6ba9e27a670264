#include "ui/common/StreetSketch.h"

#include "ui/common/PictureFile.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPolygon>
#include <QPrinter>

#include <cmath>

namespace vesk::ui {

namespace {

constexpr double kScreenDpi = 96.0;
// Label sizes are font sizes in points, as the sketch's font settings are.
constexpr double kPointsPerInch = 72.0;

int devicePixel(double value) {
    return static_cast<int>(std::nearbyint(value));
}

QPoint toDevice(const SketchMapping &m, double u, double v) {
    return {devicePixel(u * m.scaleX + static_cast<double>(m.offsetX)),
            devicePixel(v * m.scaleY + static_cast<double>(m.offsetY))};
}

QFont labelFont(const SketchLabelFont &font, int size, double dpiY) {
    QFont f(font.automatic ? QStringLiteral("Arial") : font.name);
    f.setPixelSize(std::max(1, devicePixel(size * dpiY / kPointsPerInch)));
    return f;
}

} // namespace

QColor sketchBrushQColor(int entry) {
    const SketchRgb c = sketchBrushColour(entry);
    return QColor(c.red, c.green, c.blue);
}

void DrawPolygon(QPainter &painter, const std::vector<SketchPoint> &points, const QColor &brush,
                 const QColor &outline, const SketchMapping &mapping) {
    QPolygon polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const SketchPoint &p : points) {
        polygon << toDevice(mapping, p.u, p.v);
    }
    QPen pen = painter.pen();
    pen.setColor(outline);
    pen.setStyle(Qt::SolidLine);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(brush);
    painter.drawPolygon(polygon);
}

void FillEllipse(QPainter &painter, double x, double y, double r, const QColor &brush,
                 const SketchMapping &mapping) {
    const QPoint a = toDevice(mapping, x - r, y + r);
    const QPoint b = toDevice(mapping, x + r, y - r);
    const QRect box = QRect(a, b).normalized();
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    painter.drawEllipse(box);
    painter.restore();
}

void PrintRotatedText(QPainter &painter, const SketchMapping &mapping, const QString &text, double x,
                      double y, double angle, int size, SketchAlign align) {
    const double dpiY = painter.device() ? painter.device()->logicalDpiY() : kScreenDpi;
    QFont font = painter.font();
    font.setPixelSize(std::max(1, devicePixel(size * dpiY / kPointsPerInch)));
    const QFontMetricsF metrics(font, painter.device());
    const double width = metrics.horizontalAdvance(text);
    QPointF baseline;
    switch (align) {
    case SketchAlign::TopLeft:
        baseline = {0, metrics.ascent()};
        break;
    case SketchAlign::BottomLeft:
        baseline = {0, -metrics.descent()};
        break;
    case SketchAlign::BottomRight:
        baseline = {-width, -metrics.descent()};
        break;
    }
    painter.save();
    painter.setFont(font);
    painter.translate(toDevice(mapping, x, y));
    painter.rotate(-textEscapement(angle) / 10.0);
    painter.drawText(baseline, text);
    painter.restore();
}

SketchScene DrawStreetSketch(QPainter &painter, const QRect &area, double dpiX, double dpiY,
                             const SketchStreet &street, const SketchView &view,
                             const SketchLabelFont &font) {
    SketchTarget target{area.width(), area.height(), dpiX, dpiY};
    QPaintDevice *device = painter.device();
    auto measure = [&](std::string_view text, int size) {
        const QFontMetricsF metrics(labelFont(font, size, dpiY), device);
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    };
    const SketchScene scene = buildStreetSketch(street, view, target, measure);
    if (scene.empty) {
        return scene;
    }

    painter.save();
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    QPen pen(Qt::black);
    pen.setWidthF(scene.lineWidth_px * dpiY / kScreenDpi);
    painter.setPen(pen);
    painter.setFont(labelFont(font, scene.labelSize, dpiY));

    const SketchMapping &m = scene.mapping;
    const QColor textColour = font.automatic ? QColor(Qt::black) : font.colour;
    for (const SketchItem &item : scene.items) {
        if (const auto *polygon = std::get_if<SketchPolygon>(&item)) {
            DrawPolygon(painter, polygon->points, sketchBrushQColor(polygon->brush), Qt::black, m);
        } else if (const auto *ellipse = std::get_if<SketchEllipse>(&item)) {
            FillEllipse(painter, ellipse->centre.u, ellipse->centre.v, ellipse->radius,
                        sketchBrushQColor(ellipse->brush), m);
        } else if (const auto *line = std::get_if<SketchLine>(&item)) {
            QPen linePen = pen;
            linePen.setColor(Qt::black);
            linePen.setStyle(line->dotted ? Qt::DotLine : Qt::SolidLine);
            painter.setPen(linePen);
            painter.drawLine(toDevice(m, line->from.u, line->from.v), toDevice(m, line->to.u, line->to.v));
        } else if (const auto *label = std::get_if<SketchLabel>(&item)) {
            QPen textPen = pen;
            textPen.setColor(textColour);
            painter.setPen(textPen);
            PrintRotatedText(painter, m, QString::fromStdString(label->text), label->anchor.u,
                             label->anchor.v, label->angle_deg, scene.labelSize, label->align);
        }
    }
    painter.restore();
    return scene;
}

QImage renderStreetSketch(const QSize &size, const SketchStreet &street, const SketchView &view,
                          const SketchLabelFont &font) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(kScreenDpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawStreetSketch(painter, image.rect(), image.logicalDpiX(), image.logicalDpiY(), street, view, font);
    painter.end();
    return image;
}

bool saveSketchPicture(const QImage &picture, const QString &path, QString *error) {
    return savePictureFile(picture, path, QStringLiteral("sketch"), error);
}

bool printStreetSketch(QPrinter &printer, const SketchStreet &street, const SketchView &view,
                       const SketchLabelFont &font, const QString &folder, QString *error, QString *note) {
    PrintedFile file(printer, folder);
    if (QString why; file.refused(&why)) {
        if (error) {
            *error = why;
        }
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error) {
            *error = QStringLiteral("The sketch could not be printed: the printer could not be started.");
        }
        return false;
    }
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRect area(QPoint(0, 0), page.size());
    DrawStreetSketch(painter, area, printer.logicalDpiX(), printer.logicalDpiY(), street, view, font);
    if (!painter.end()) {
        if (error) {
            *error = QStringLiteral("The sketch could not be printed: the page could not be finished.");
        }
        return false;
    }
    if (printer.printerState() == QPrinter::Error) {
        if (error) {
            *error = QStringLiteral("The sketch could not be printed: the printer reported an error.");
        }
        return false;
    }
    if (QString why; !file.place(&why)) {
        if (error) {
            *error = QStringLiteral("The sketch could not be printed: ") + why;
        }
        return false;
    }
    if (note) {
        *note = file.note();
    }
    return true;
}

} // namespace vesk::ui
