#pragma once

// A small line plot: curves over a numeric x axis with tick marks, axis
// titles and a legend, drawn with QPainter. The traffic editor plots the
// flows of a day case over its 24 or 48 periods, the emission-factor window
// the factors over speed.

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

namespace vesk::ui {

struct PlotCurve {
    QString name;
    QColor colour;
    std::vector<double> x, y; // same length; NaN or a negative y leaves a gap
    bool bold = false;
};

class CurvePlot : public QWidget {
    Q_OBJECT
public:
    explicit CurvePlot(QWidget *parent = nullptr);

    void setCurves(std::vector<PlotCurve> curves);
    const std::vector<PlotCurve> &curves() const { return m_curves; }
    void setAxisTitles(const QString &x, const QString &y);
    // The x range shown; by default the data's range.
    void setXRange(double low, double high);

    // The n-th of a set of distinguishable colours.
    static QColor colour(int n);
    // A "nice" top of an axis at or above v (1, 2, 2.5 or 5 times a power of ten).
    static double niceTop(double v);

    QSize sizeHint() const override { return {420, 220}; }
    QSize minimumSizeHint() const override { return {240, 140}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<PlotCurve> m_curves;
    QString m_xTitle, m_yTitle;
    double m_xLow = 0, m_xHigh = 0;
    bool m_fixedX = false;
};

} // namespace vesk::ui
