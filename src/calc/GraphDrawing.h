#pragma once

// The Special Mode graph as a scene: concentration against wind direction,
// one curve per wind speed, with axes, ticks, labels, a title and a legend of
// the wind speeds. Nothing here paints; buildGraphScene() places every line
// and text in the device pixels of a target, and the GUI paints the scene
// with one routine for the screen, pictures and the printer.
//
// Every length and font size is proportional to the size of the graph
// relative to its design size, so a graph drawn at twice the design size is
// the design-size graph enlarged twice. The layout follows the graph's
// classic frame: of the width, 50 parts of 450 lie left of the plot, 360
// hold the directions 0 to 360 and 40 lie right of it; of the height, at
// least 70 parts of 1313 lie below the plot and at most 593 above it, for the
// title and the legend of the wind speeds (only as much as they need; a title
// that does not fit beside a crowded legend adds its line). Margins grow where
// the texts need more room.

#include "calc/GraphData.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// Design size of the graph picture ("Actual Size"), twips (1/1440 inch).
inline constexpr double kGraphDesignHeight_tw = 6000;
inline constexpr double kGraphDesignWidth_tw = 9000;

struct GraphRgb {
    int red = 0, green = 0, blue = 0;
    friend bool operator==(const GraphRgb &, const GraphRgb &) = default;
};

// Colour of curve `curve` (1-based) when the file has curveCount curves
// (n = curveCount + 1 fields): steps r = max(-256/n, -20), g = max(-256/n, -10),
// b = max(-256/n, -20), each rounded half to even; red 256 + r·curve, green
// -g·curve, blue -b·curve, each held within 0..255. Curve 1 is nearly pure red;
// later curves lose red and gain green and blue.
GraphRgb graphCurveColour(int curve, int curveCount);

// Letter of curve `curve` (1-based): "A".."Z", then "AA", "AB", .. "AZ", "BA", ..
// "" for curve < 1.
std::string graphCurveLabel(int curve);

// Top of the y axis for the largest value yMax: the smallest value of the form
// 10 × m × 10^k (m one of 1, 1.5, 2, 2.5, 3, 4, 5, 6, 8) that is not below yMax,
// so that the ten tick steps are round numbers. 0 when yMax is 0 or below or
// not finite (nothing to scale).
double graphAxisMaximum(double yMax);

// The tick values of a y axis up to yAxisMax: 0 and ten equal steps. Empty
// when yAxisMax is not above 0.
std::vector<double> graphYTicks(double yAxisMax);

// A number as the axis and legend show it: shortest single-precision form,
// "." as decimal mark, no blank in front ("0", "12.5", "0.3").
std::string graphNumberText(double v);

// The wind speeds the legend shows for curveCount curves: the first speedCount
// speeds of speeds (index 1..), then zeros. speeds is only read.
std::vector<double> graphLegendSpeeds(const double *speeds1, int speedCount, int curveCount);

// "Zoom Page": the height is 0.9 of the viewport's height; the width keeps the
// design's aspect ratio. Any length unit, returned in the same unit.
struct GraphSize {
    double height = 0, width = 0;
};
GraphSize graphZoomSize(double viewportHeight, double designHeight, double designWidth);

// ---- The scene -------------------------------------------------------------

struct GraphPoint {
    double x = 0, y = 0; // device pixels, y down
};

struct GraphRect {
    double left = 0, top = 0, right = 0, bottom = 0;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};

enum class GraphHAlign { Left, Centre, Right };
enum class GraphVAlign { Top, Middle, Bottom };

struct GraphPolyline {
    std::vector<GraphPoint> points;
    GraphRgb colour;
    double width_px = 1;
    bool clipToPlot = false; // curves are cut at the plot's edges
};

// A text anchored at a point; for rotated text the alignment is taken along
// the text's own direction (angle in degrees, counter-clockwise).
struct GraphText {
    std::string text;
    GraphPoint anchor;
    double size_pt = 10;
    double angle_deg = 0;
    GraphHAlign h = GraphHAlign::Left;
    GraphVAlign v = GraphVAlign::Top;
    GraphRgb colour;
};

struct GraphScene {
    GraphRect plot;                   // the plot area: x 0..360, y 0..yAxisMax
    double yAxisMax = 0;              // top of the y axis (0 when there is nothing to plot)
    std::vector<GraphPolyline> lines; // axes and ticks, curves, legend lines
    std::vector<GraphText> texts;     // tick texts, labels, title, letters, legend
    int curvesDrawn = 0;              // curves with at least one line piece
};

// What is drawn besides the data.
struct GraphLabels {
    std::string title;
    std::vector<double> speeds; // legend speeds, one per curve (see graphLegendSpeeds)
    bool normalised = false;    // y label "normalised conc." instead of "NOX (ppb)"
};

// The device: size in pixels, resolution in dots per inch.
struct GraphTarget {
    double width_px = 0, height_px = 0;
    double dpiX = 96, dpiY = 96;
};

// Width and height in device pixels of a text at a font size in points.
struct GraphExtent {
    double width = 0, height = 0;
};
using GraphMeasure = std::function<GraphExtent(std::string_view text, double size_pt)>;

// Lays the graph of data out on target with yAxisMax as the top of the y axis
// (graphAxisMaximum of the data's yMax). A yAxisMax of 0 or below gives the
// axes without y ticks and the note "There is no value above 0 to plot.".
// Missing directions and values break a curve; each curve's letter sits on it
// after every 30th line piece. A target of no size gives an empty scene.
GraphScene buildGraphScene(const GraphData &data, const GraphLabels &labels, double yAxisMax,
                           const GraphTarget &target, const GraphMeasure &measure);

} // namespace vesk
