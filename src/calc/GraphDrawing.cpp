#include "calc/GraphDrawing.h"

#include "core/RecordIO.h"

#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

// The classic frame, in its own units: 450 across (50 left of the plot, 360
// of directions, 40 right of it), 1313 down (593 above the plot, 650 of plot,
// 70 below it).
constexpr double kFrameLeft = 50, kFrameAcross = 450, kFrameRight = 40;
constexpr double kFrameAbove = 593, kFrameDown = 1313, kFrameBelow = 70;

// Font sizes at the design size, points.
constexpr double kTickFont_pt = 10;
constexpr double kAxisLabelFont_pt = 15;
constexpr double kTitleFont_pt = 13.5;
constexpr double kLegendFont_pt = 10;
// Lengths at the design size, points.
constexpr double kTickLength_pt = 4;
constexpr double kGap_pt = 3;
constexpr double kAxisWidth_pt = 0.75;
constexpr double kCurveWidth_pt = 1.25;

// Legend, in directions: the line from 300 to 330, its letter at 315, the speed from 335.
constexpr double kLegendLineFrom = 300, kLegendLineTo = 330, kLegendLetter = 315, kLegendText = 335;
// Further legend columns lie this many degrees further left; at most this many columns.
constexpr double kLegendColumnStep = 100;
constexpr int kLegendMaxColumns = 4;
constexpr double kLegendPitch = 1.35; // rows, in text heights

constexpr int kLetterEvery = 30; // a curve's letter after every 30th line piece

const GraphRgb kBlack{0, 0, 0};

int clampComponent(long v) {
    return static_cast<int>(std::clamp(v, 0L, 255L));
}

} // namespace

GraphRgb graphCurveColour(int curve, int curveCount) {
    const double n = static_cast<double>(curveCount) + 1.0;
    const double share = -256.0 / n;
    const long r = roundHalfEven(std::max(share, -20.0));
    const long g = roundHalfEven(std::max(share, -10.0));
    const long b = roundHalfEven(std::max(share, -20.0));
    return {clampComponent(256 + r * curve), clampComponent(-g * curve), clampComponent(-b * curve)};
}

std::string graphCurveLabel(int curve) {
    std::string label;
    for (int k = curve; k > 0; k = (k - 1) / 26) {
        label.insert(label.begin(), static_cast<char>('A' + (k - 1) % 26));
    }
    return label;
}

double graphAxisMaximum(double yMax) {
    if (!std::isfinite(yMax) || yMax <= 0) {
        return 0;
    }
    // A hair of tolerance keeps a value that is already round where it is.
    const double wanted = yMax * (1 - 1e-9);
    const double base = std::pow(10.0, std::floor(std::log10(yMax / 10.0)));
    for (double m : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0}) {
        const double top = 10.0 * m * base;
        if (top >= wanted) {
            return top;
        }
    }
    return 100.0 * base; // yMax / 10 lies below 10 × base
}

std::vector<double> graphYTicks(double yAxisMax) {
    std::vector<double> ticks;
    if (!(yAxisMax > 0) || !std::isfinite(yAxisMax)) {
        return ticks;
    }
    for (int k = 0; k <= 10; ++k) {
        ticks.push_back(yAxisMax * k / 10.0);
    }
    return ticks;
}

std::string graphNumberText(double v) {
    return formatSingle(static_cast<float>(v));
}

std::vector<double> graphLegendSpeeds(const double *speeds1, int speedCount, int curveCount) {
    std::vector<double> out(static_cast<std::size_t>(std::max(curveCount, 0)), 0.0);
    for (int i = 0; i < curveCount && i < speedCount; ++i) {
        out[static_cast<std::size_t>(i)] = speeds1[i + 1];
    }
    return out;
}

GraphSize graphZoomSize(double viewportHeight, double designHeight, double designWidth) {
    GraphSize s;
    s.height = std::max(viewportHeight, 0.0) * 0.9;
    s.width = designHeight > 0 ? s.height * designWidth / designHeight : 0;
    return s;
}

GraphScene buildGraphScene(const GraphData &data, const GraphLabels &labels, double yAxisMax,
                           const GraphTarget &target, const GraphMeasure &measure) {
    GraphScene scene;
    const double W = target.width_px, H = target.height_px;
    if (!(W > 0) || !(H > 0) || !(target.dpiX > 0) || !(target.dpiY > 0)) {
        return scene;
    }
    const bool hasValues = yAxisMax > 0 && std::isfinite(yAxisMax);
    scene.yAxisMax = hasValues ? yAxisMax : 0;

    // Size ratios to the design size; fonts and vertical lengths follow the
    // height, horizontal lengths the width.
    const double fy = H * 1440.0 / target.dpiY / kGraphDesignHeight_tw;
    const double fx = W * 1440.0 / target.dpiX / kGraphDesignWidth_tw;
    auto vertical = [&](double pt) { return pt * fy * target.dpiY / 72.0; };
    auto horizontal = [&](double pt) { return pt * fx * target.dpiX / 72.0; };
    const double tickPt = kTickFont_pt * fy, labelPt = kAxisLabelFont_pt * fy;
    const double titlePt = kTitleFont_pt * fy, legendPt = kLegendFont_pt * fy;
    const double gapX = horizontal(kGap_pt), gapY = vertical(kGap_pt);
    const double tickX = horizontal(kTickLength_pt), tickY = vertical(kTickLength_pt);
    const double axisWidth = vertical(kAxisWidth_pt), curveWidth = vertical(kCurveWidth_pt);

    const std::vector<double> ticks = graphYTicks(scene.yAxisMax);
    std::vector<std::string> tickTexts;
    double widestTick = 0;
    for (double v : ticks) {
        tickTexts.push_back(graphNumberText(v));
        widestTick = std::max(widestTick, measure(tickTexts.back(), tickPt).width);
    }
    const std::string yLabel = labels.normalised ? "normalised conc." : "NOX (ppb)";
    const std::string xLabel = "Wind Direction";
    const GraphExtent yLabelSize = measure(yLabel, labelPt);
    const GraphExtent xLabelSize = measure(xLabel, labelPt);
    const double tickTextHeight = measure("360", tickPt).height;

    // The plot area: the classic frame, widened where the texts need room.
    GraphRect &plot = scene.plot;
    plot.left =
        std::max(W * kFrameLeft / kFrameAcross, tickX + gapX + widestTick + gapX + yLabelSize.height + gapX);
    plot.right =
        plot.left + (W - plot.left) * (kFrameAcross - kFrameLeft - kFrameRight) / (kFrameAcross - kFrameLeft);
    plot.bottom = H - std::max(H * kFrameBelow / kFrameDown,
                               tickY + gapY + tickTextHeight + gapY + xLabelSize.height + gapY);
    // Above the plot: as much as the legend and the title need, at most the classic share.
    const int curves = data.curveCount();
    const double rowHeight = measure("A", legendPt).height;
    const double classicTop = H * kFrameAbove / kFrameDown;
    double pitch = rowHeight * kLegendPitch;
    int rows = std::clamp(static_cast<int>(std::floor((classicTop - gapY - rowHeight / 2) / pitch)), 1,
                          std::max(curves, 1));
    if ((curves + rows - 1) / rows > kLegendMaxColumns) {
        rows = (curves + kLegendMaxColumns - 1) / kLegendMaxColumns;
        pitch = std::max(classicTop - gapY - rowHeight / 2, 0.0) / rows;
    }
    const int columns = curves > 0 ? (curves + rows - 1) / rows : 0;
    const double legendRoom = curves > 0 ? rows * pitch + rowHeight / 2 + gapY : 0;
    // The title goes beside the legend, or above it when it would run into it.
    const GraphExtent titleSize = measure(labels.title, titlePt);
    const double titleLeft = plot.left + 5.0 / 360.0 * (plot.right - plot.left);
    const double legendLeft =
        plot.left + (kLegendLineFrom - kLegendColumnStep * (columns - 1)) / 360.0 * (plot.right - plot.left);
    const bool titleAbove =
        columns > 0 && !labels.title.empty() && titleLeft + titleSize.width + gapX > legendLeft;
    const double titleRoom = labels.title.empty() ? 0 : titleSize.height + 2 * gapY;
    plot.top = std::min({titleAbove ? std::max(classicTop, legendRoom + titleRoom) : classicTop,
                         titleAbove ? legendRoom + titleRoom : std::max(legendRoom, titleRoom),
                         plot.bottom - 0.1 * H});
    if (plot.right <= plot.left || plot.bottom <= plot.top) {
        return GraphScene{};
    }
    const double yTop = hasValues ? scene.yAxisMax : 1.0;
    auto X = [&](double direction) { return plot.left + direction / 360.0 * plot.width(); };
    auto Y = [&](double value) { return plot.bottom - value / yTop * plot.height(); };

    auto line = [&](GraphPoint a, GraphPoint b, GraphRgb colour, double width) {
        scene.lines.push_back({{a, b}, colour, width, false});
    };
    auto text = [&](std::string s, GraphPoint at, double size, GraphHAlign h, GraphVAlign v,
                    double angle = 0) {
        scene.texts.push_back({std::move(s), at, size, angle, h, v, kBlack});
    };

    // Axes, x ticks and label.
    line({plot.left, plot.bottom}, {plot.right, plot.bottom}, kBlack, axisWidth);
    line({plot.left, plot.bottom}, {plot.left, plot.top}, kBlack, axisWidth);
    for (int d = 0; d <= 360; d += 30) {
        line({X(d), plot.bottom}, {X(d), plot.bottom + tickY}, kBlack, axisWidth);
        text(std::to_string(d), {X(d), plot.bottom + tickY + gapY}, tickPt, GraphHAlign::Centre,
             GraphVAlign::Top);
    }
    text(xLabel, {X(180), plot.bottom + tickY + gapY + tickTextHeight + gapY}, labelPt, GraphHAlign::Centre,
         GraphVAlign::Top);

    // y ticks and label.
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        const double y = Y(ticks[k]);
        line({plot.left, y}, {plot.left - tickX, y}, kBlack, axisWidth);
        text(tickTexts[k], {plot.left - tickX - gapX, y}, tickPt, GraphHAlign::Right, GraphVAlign::Middle);
    }
    const double yLabelX = plot.left - tickX - gapX - widestTick - gapX - yLabelSize.height / 2;
    text(yLabel, {yLabelX, (plot.top + plot.bottom) / 2}, labelPt, GraphHAlign::Centre, GraphVAlign::Middle,
         90);
    if (!hasValues) {
        text("There is no value above 0 to plot.",
             {(plot.left + plot.right) / 2, (plot.top + plot.bottom) / 2}, tickPt, GraphHAlign::Centre,
             GraphVAlign::Middle);
    }

    // Title, above the plot at its left (or at the top, above the legend).
    text(labels.title, {X(5), titleAbove ? gapY : plot.top - gapY}, titlePt, GraphHAlign::Left,
         titleAbove ? GraphVAlign::Top : GraphVAlign::Bottom);

    // Curves: a missing direction or value ends a piece; the letter sits on
    // the curve after every 30th line piece.
    for (int c = 0; c < curves && hasValues; ++c) {
        const GraphRgb colour = graphCurveColour(c + 1, curves);
        const std::string letter = graphCurveLabel(c + 1);
        const std::vector<double> &values = data.values[static_cast<std::size_t>(c)];
        GraphPolyline piece{{}, colour, curveWidth, true};
        bool drawn = false;
        auto endPiece = [&] {
            if (piece.points.size() >= 2) {
                scene.lines.push_back(piece);
                drawn = true;
            }
            piece.points.clear();
        };
        for (int r = 0; r < data.rowCount(); ++r) {
            const double d = data.directions[static_cast<std::size_t>(r)];
            const double v = values[static_cast<std::size_t>(r)];
            if (isMissing(d) || isMissing(v)) {
                endPiece();
                continue;
            }
            const GraphPoint p{X(d), Y(v)};
            piece.points.push_back(p);
            if (r > 0 && r % kLetterEvery == 0) {
                text(letter, p, tickPt, GraphHAlign::Centre, GraphVAlign::Middle);
            }
        }
        endPiece();
        scene.curvesDrawn += drawn ? 1 : 0;
    }

    // Legend: one row per curve upward from just above the plot; further
    // columns to the left when the rows do not fit above the plot.
    if (curves > 0) {
        for (int c = 0; c < curves; ++c) {
            const double shift = kLegendColumnStep * (c / rows);
            const double y = plot.top - pitch * (c % rows + 1);
            const GraphRgb colour = graphCurveColour(c + 1, curves);
            line({X(kLegendLineFrom - shift), y}, {X(kLegendLineTo - shift), y}, colour, curveWidth);
            text(graphCurveLabel(c + 1), {X(kLegendLetter - shift), y}, legendPt, GraphHAlign::Centre,
                 GraphVAlign::Middle);
            const double speed = static_cast<std::size_t>(c) < labels.speeds.size()
                                     ? labels.speeds[static_cast<std::size_t>(c)]
                                     : 0;
            text(graphNumberText(speed) + " m/s", {X(kLegendText - shift), y}, legendPt, GraphHAlign::Left,
                 GraphVAlign::Middle);
        }
    }
    return scene;
}

} // namespace vesk
