#include "ui/results/GraphPainter.h"

#include "ui/common/PictureFile.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>

#include <cmath>

namespace vesk::ui {

namespace {

constexpr double kScreenDpi = 96.0;

QFont graphFont(double size_pt, double dpiY) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size_pt * dpiY / 72.0))));
    return font;
}

QColor toColour(const GraphRgb &c) {
    return QColor(c.red, c.green, c.blue);
}

void paintText(QPainter &painter, const GraphText &t, double dpiY) {
    const QFont font = graphFont(t.size_pt, dpiY);
    const QFontMetricsF metrics(font, painter.device());
    const QString text = QString::fromStdString(t.text);
    const double width = metrics.horizontalAdvance(text);
    QPointF baseline;
    switch (t.h) {
    case GraphHAlign::Left:
        baseline.setX(0);
        break;
    case GraphHAlign::Centre:
        baseline.setX(-width / 2);
        break;
    case GraphHAlign::Right:
        baseline.setX(-width);
        break;
    }
    switch (t.v) {
    case GraphVAlign::Top:
        baseline.setY(metrics.ascent());
        break;
    case GraphVAlign::Middle:
        baseline.setY((metrics.ascent() - metrics.descent()) / 2);
        break;
    case GraphVAlign::Bottom:
        baseline.setY(-metrics.descent());
        break;
    }
    painter.save();
    painter.setFont(font);
    painter.setPen(toColour(t.colour));
    painter.translate(t.anchor.x, t.anchor.y);
    painter.rotate(-t.angle_deg);
    painter.drawText(baseline, text);
    painter.restore();
}

} // namespace

GraphScene DrawGraph(QPainter &painter, const QRect &area, double dpiX, double dpiY,
                     const GraphContent &graph) {
    QPaintDevice *device = painter.device();
    const GraphMeasure measure = [&](std::string_view text, double size_pt) {
        const QFontMetricsF metrics(graphFont(size_pt, dpiY), device);
        const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        return GraphExtent{metrics.horizontalAdvance(s), metrics.height()};
    };
    const GraphTarget target{static_cast<double>(area.width()), static_cast<double>(area.height()), dpiX,
                             dpiY};
    const GraphScene scene = buildGraphScene(graph.data, graph.labels, graph.yAxisMax, target, measure);

    painter.save();
    painter.fillRect(area, Qt::white);
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Curves are cut at the plot's edges, leaving room for a line drawn along an edge.
    const QRectF plot(QPointF(scene.plot.left, scene.plot.top), QPointF(scene.plot.right, scene.plot.bottom));
    for (const GraphPolyline &line : scene.lines) {
        QPen pen(toColour(line.colour));
        pen.setWidthF(line.width_px);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        QPolygonF points;
        points.reserve(static_cast<qsizetype>(line.points.size()));
        for (const GraphPoint &p : line.points) {
            points << QPointF(p.x, p.y);
        }
        if (line.clipToPlot) {
            painter.save();
            const double m = line.width_px;
            painter.setClipRect(plot.adjusted(-m, -m, m, m), Qt::IntersectClip);
            painter.drawPolyline(points);
            painter.restore();
        } else {
            painter.drawPolyline(points);
        }
    }
    for (const GraphText &text : scene.texts) {
        paintText(painter, text, dpiY);
    }
    painter.restore();
    return scene;
}

QImage renderGraph(const QSize &size, const GraphContent &graph) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(kScreenDpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    DrawGraph(painter, image.rect(), image.logicalDpiX(), image.logicalDpiY(), graph);
    painter.end();
    return image;
}

bool printGraph(QPrinter &printer, const GraphContent &graph, const QString &folder, QString *error,
                QString *note) {
    auto fail = [&](const QString &why) {
        if (error) {
            *error = QStringLiteral("The graph could not be printed: ") + why;
        }
        return false;
    };
    PrintedFile file(printer, folder);
    if (QString why; file.refused(&why)) {
        if (error) {
            *error = why;
        }
        return false;
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        return fail(QStringLiteral("the printer could not be started."));
    }
    // The page's printable area, filled at the design proportions and centred.
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double dpiX = printer.logicalDpiX(), dpiY = printer.logicalDpiY();
    const double designW = kGraphDesignWidth_tw * dpiX / 1440.0,
                 designH = kGraphDesignHeight_tw * dpiY / 1440.0;
    const double scale = std::min(page.width() / designW, page.height() / designH);
    const QSize size(static_cast<int>(designW * scale), static_cast<int>(designH * scale));
    const QRect area(QPoint((page.width() - size.width()) / 2, (page.height() - size.height()) / 2), size);
    DrawGraph(painter, area, dpiX, dpiY, graph);
    if (!painter.end()) {
        return fail(QStringLiteral("the page could not be finished."));
    }
    if (printer.printerState() == QPrinter::Error) {
        return fail(QStringLiteral("the printer reported an error."));
    }
    if (QString why; !file.place(&why)) {
        return fail(why);
    }
    if (note) {
        *note = file.note();
    }
    return true;
}

} // namespace vesk::ui
