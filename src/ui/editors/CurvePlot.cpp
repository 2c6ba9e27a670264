#include "ui/editors/CurvePlot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace vesk::ui {

CurvePlot::CurvePlot(QWidget *parent) : QWidget(parent) {
    setAutoFillBackground(false);
}

void CurvePlot::setCurves(std::vector<PlotCurve> curves) {
    m_curves = std::move(curves);
    update();
}

void CurvePlot::setAxisTitles(const QString &x, const QString &y) {
    m_xTitle = x;
    m_yTitle = y;
    update();
}

void CurvePlot::setXRange(double low, double high) {
    m_xLow = low;
    m_xHigh = high;
    m_fixedX = high > low;
    update();
}

QColor CurvePlot::colour(int n) {
    static const QColor colours[] = {QColor(31, 119, 180),  QColor(255, 127, 14),  QColor(44, 160, 44),
                                     QColor(214, 39, 40),   QColor(148, 103, 189), QColor(140, 86, 75),
                                     QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34),
                                     QColor(23, 190, 207)};
    return colours[static_cast<size_t>(std::abs(n)) % std::size(colours)];
}

double CurvePlot::niceTop(double v) {
    if (!(v > 0) || !std::isfinite(v)) {
        return 1;
    }
    const double power = std::pow(10.0, std::floor(std::log10(v)));
    for (double step : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (step * power >= v * (1 - 1e-12)) {
            return step * power;
        }
    }
    return 10 * power;
}

void CurvePlot::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm = p.fontMetrics();

    double xLow = m_xLow, xHigh = m_xHigh, yHigh = 0;
    bool first = true;
    for (const auto &c : m_curves) {
        for (size_t i = 0; i < c.x.size() && i < c.y.size(); ++i) {
            if (!m_fixedX) {
                xLow = first ? c.x[i] : std::min(xLow, c.x[i]);
                xHigh = first ? c.x[i] : std::max(xHigh, c.x[i]);
                first = false;
            }
            if (std::isfinite(c.y[i])) {
                yHigh = std::max(yHigh, c.y[i]);
            }
        }
    }
    if (!(xHigh > xLow)) {
        xHigh = xLow + 1;
    }
    yHigh = niceTop(yHigh);

    const int left = fm.horizontalAdvance(QStringLiteral("0000.0")) + fm.height() + 8;
    const int legendWidth = [&] {
        int w = 0;
        for (const auto &c : m_curves) {
            w = std::max(w, fm.horizontalAdvance(c.name));
        }
        return w > 0 ? w + 34 : 0;
    }();
    const QRect area(left, fm.height(), width() - left - legendWidth - 10, height() - 3 * fm.height() - 10);
    if (area.width() < 20 || area.height() < 20) {
        return;
    }
    auto px = [&](double x) { return area.left() + (x - xLow) / (xHigh - xLow) * area.width(); };
    auto py = [&](double y) { return area.bottom() - y / yHigh * area.height(); };

    // Axes with ticks.
    p.setPen(QPen(Qt::lightGray, 1, Qt::DotLine));
    const int yTicks = 5;
    for (int i = 0; i <= yTicks; ++i) {
        const double y = yHigh * i / yTicks;
        p.setPen(QPen(Qt::lightGray, 1, Qt::DotLine));
        p.drawLine(QPointF(area.left(), py(y)), QPointF(area.right(), py(y)));
        p.setPen(Qt::black);
        const QString label = QString::number(y, 'g', 4);
        p.drawText(QRectF(0, py(y) - fm.height() / 2.0, left - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, label);
    }
    const double span = xHigh - xLow;
    const double xStep = niceTop(span / 8);
    for (double x = std::ceil(xLow / xStep) * xStep; x <= xHigh + 1e-9; x += xStep) {
        p.setPen(Qt::black);
        p.drawLine(QPointF(px(x), area.bottom()), QPointF(px(x), area.bottom() + 4));
        p.drawText(QRectF(px(x) - 30, area.bottom() + 4, 60, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(x, 'g', 4));
    }
    p.setPen(Qt::black);
    p.drawRect(area);
    p.drawText(QRectF(area.left(), area.bottom() + fm.height() + 6, area.width(), fm.height()),
               Qt::AlignHCenter, m_xTitle);
    p.save();
    p.translate(fm.height() / 2.0 + 2, area.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-area.height() / 2.0, -fm.height() / 2.0, area.height(), fm.height()), Qt::AlignHCenter,
               m_yTitle);
    p.restore();

    // Curves, then the legend.
    p.setClipRect(area.adjusted(-1, -1, 1, 1));
    for (const auto &c : m_curves) {
        QPainterPath path;
        bool pen = false;
        for (size_t i = 0; i < c.x.size() && i < c.y.size(); ++i) {
            if (!std::isfinite(c.y[i]) || c.y[i] < 0) {
                pen = false;
                continue;
            }
            const QPointF point(px(c.x[i]), py(c.y[i]));
            pen ? path.lineTo(point) : path.moveTo(point);
            pen = true;
        }
        p.setPen(QPen(c.colour, c.bold ? 2.6 : 1.4));
        p.drawPath(path);
    }
    p.setClipping(false);
    int y = area.top();
    for (const auto &c : m_curves) {
        p.setPen(QPen(c.colour, c.bold ? 2.6 : 1.6));
        p.drawLine(area.right() + 8, y + fm.height() / 2, area.right() + 26, y + fm.height() / 2);
        p.setPen(Qt::black);
        p.drawText(area.right() + 30, y + fm.ascent(), c.name);
        y += fm.height() + 2;
    }
}

} // namespace vesk::ui
