#pragma once

// Geometry of the street sketch: the pseudo-perspective projection of the
// street canyon, the building blocks that the wind sectors give each street
// side, and the order in which the pieces are painted (far before near).
//
// Nothing here paints. buildStreetSketch() turns the street and the view into
// a scene: a list of polygons, ellipses, lines and labels in drawing units
// (u to the right, v up), in painting order, together with the mapping from
// drawing units to the pixels of the target. The GUI paints the scene with
// one routine for the screen, images and the printer.
//
// Scene coordinates are metres with the origin on the street axis at the
// middle of the street, at ground level: x across the street (negative toward
// side 1, positive toward side 2), y along the street (positive toward the end
// of the first street length), z up.
//
// Degenerate streets never fail: a view distance of 0, a width of 0, sectors
// across the street axis and non-finite values give a scene with only the
// finite pieces, or an empty scene.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vesk {

constexpr int kMaxWindSectors = 12;

// Brush entries of the sketch. Entry 3 (flat surfaces) is not a colour of its
// own: flat tops are painted with entry 4 (street surface) or 5 (flat blocks).
enum SketchBrush : int {
    kBrushBlockTop = 0,       // top of a block with a height above 0
    kBrushLongSide = 1,       // long side face of a block
    kBrushEndFace = 2,        // end faces of a block
    kBrushFlat = 3,           // top of a block of height 0
    kBrushStreetSurface = 4,  // source of entry 3 while the street surface is drawn
    kBrushFlatBuilding = 5,   // source of entry 3 while the buildings are drawn
    kBrushReceptorUsed = 6,   // mark of a receptor in use
    kBrushReceptorUnused = 7, // mark of a receptor not in use
};
constexpr int kSketchBrushCount = 8;

struct SketchRgb {
    int red, green, blue;
};
// The colours of the brush entries 0..7; entry 3 holds the colour of entry 5.
SketchRgb sketchBrushColour(int entry);

// The street as the sketch sees it.
struct SketchSector {
    double start_deg = 0; // wind direction where the sector starts, degrees
    double end_deg = 0;   // wind direction where it ends, degrees (clockwise from start)
    double height_m = 0;  // building height of the sector block
    bool used = false;
};

struct SketchStreet {
    double width_m = 0;         // street width W
    double height_m = 0;        // average building height H
    double length1_m = 0;       // street length toward +y
    double length2_m = 0;       // street length toward -y
    double orientation_deg = 0; // direction of the street axis
    std::array<SketchSector, kMaxWindSectors> sectors{};
    int receptor1 = 1; // 1 = in use, 0 = not, other values: no mark
    int receptor2 = 1;
};

// View values chosen in the main window.
struct SketchView {
    double zoom = 1.0;       // factor, 1 = 100 %
    double angle_deg = 0.0;  // view angle, -180 .. 180
    double height_m = 100.0; // view height; replaced by the automatic one when autoHeight
    bool autoHeight = true;
    bool labels = true;    // draw "Length 1", "Length 2", "Rec. 1", "Rec. 2"
    double fontSize = 0.0; // label font size chosen by the user; 0 = automatic
};

// The drawing target: its size in pixels and its resolution.
struct SketchTarget {
    int width_px = 0;
    int height_px = 0;
    double dpiX = 96.0;
    double dpiY = 96.0;
};

struct SketchPoint {
    double u = 0;
    double v = 0;
};

// The view trigonometry and distances one drawing projects with.
struct SketchProjection {
    double sin = 0;      // sine of the view angle
    double cos = 1;      // cosine of the view angle
    double height = 0;   // view height h, m
    double distance = 0; // view distance d, m (> 0 for a usable projection)
};

// Projects the scene point (x, y, z) to the drawing plane:
//   u = (C x + S y) - (x y / d)(C^2 - S^2),  v = z + (h - z)(C y - S x) / d.
// d must be > 0; with d = 0 the result is not finite.
SketchPoint RotateSketchPoint(const SketchProjection &projection, double x, double y, double z);

// Mapping of drawing units to pixels: pixel = (round(u*scaleX + offsetX), round(v*scaleY + offsetY)).
struct SketchMapping {
    double scaleX = 1;  // pixels per drawing unit
    double scaleY = -1; // negative: v points up
    long offsetX = 0;   // pixel of drawing coordinate 0
    long offsetY = 0;
};

// Text alignment of a label at its anchor, relative to the text's own direction.
enum class SketchAlign { TopLeft, BottomLeft, BottomRight };

struct SketchPolygon {
    std::vector<SketchPoint> points;
    int brush = kBrushBlockTop; // colour entry (entry 3 is resolved to 4 or 5)
};
struct SketchEllipse {
    SketchPoint centre;
    double radius = 0; // half side of the square around the centre, drawing units
    int brush = kBrushReceptorUsed;
};
struct SketchLine {
    SketchPoint from, to;
    bool dotted = false;
};
struct SketchLabel {
    std::string text;
    SketchPoint anchor;
    SketchAlign align = SketchAlign::BottomLeft;
    double angle_deg = 0; // counter-clockwise from the u axis
};
using SketchItem = std::variant<SketchPolygon, SketchEllipse, SketchLine, SketchLabel>;

// Measures a label: its width in pixels of the target when written with the
// label font of the given size. May be empty (labels then count as 0 wide).
using SketchTextWidth = std::function<double(std::string_view text, int size)>;

// One drawing: what to paint, in order, and how.
struct SketchScene {
    bool empty = true; // nothing can be drawn (degenerate street or target)
    std::vector<SketchItem> items;
    SketchMapping mapping;
    double viewHeight_m = 0;                 // the view height used (the automatic one when asked)
    double halfLength_m = 0;                 // L
    double distance_m = 0;                   // D
    double half = 0;                         // half the drawn height, drawing units
    double lineWidth_px = 1;                 // width of lines and outlines in target pixels at 96 dpi
    int labelSize = 9;                       // label size handed to the text routine
    std::array<double, 3> labelDirections{}; // street axis, building line 1, building line 2 (degrees)
};

// --- Pieces of the drawing, exposed for tests and for the graph windows. ---

// Half length L of the drawn street and view distance D.
double sketchHalfLength(const SketchStreet &street);
double sketchViewDistance(const SketchStreet &street);

// Automatic view height: the larger of H and D H |sin(angle)| / (0.3 W), the
// second term at most D / 2 (higher up the street floor would be drawn as a
// line). A width of 0 or less leaves H (the second term is not finite).
double automaticViewHeight(const SketchStreet &street, double viewAngle_deg);

// One block of a building row along the street: from..to along y, height hs.
struct SketchBlock {
    double from = 0;
    double to = 0;
    double height = 0;
};

// The sector blocks of each street side, from the +y end toward the -y end.
// A sector whose directions cross the street axis (0 or 180 degrees relative
// to the street) is split there, each part going to the side it looks at.
struct SketchSideBlocks {
    std::vector<SketchBlock> side1; // from = +y end, to = -y end
    std::vector<SketchBlock> side2;
};
SketchSideBlocks sketchSectorBlocks(const SketchStreet &street, double halfLength_m);

// Appends the faces of the box x1..x2, y1..y2, 0..h that the viewer sees.
// x1 is the face toward the viewer. flatBrush is the colour entry of a flat top.
void DrawSketchBlock(std::vector<SketchItem> &items, const SketchProjection &projection, double viewAngle_deg,
                     double x1, double x2, double y1, double y2, double h, int flatBrush);

// Appends one building row: the blocks at their heights and the gaps between
// them at streetHeight, from yA toward yB, each part painted from its far end
// toward the viewer. blocks are ordered from yA toward yB.
void DrawSketchBlocks(std::vector<SketchItem> &items, const SketchProjection &projection,
                      double viewAngle_deg, const std::vector<SketchBlock> &blocks, double x1, double x2,
                      double yA, double yB, double streetHeight);

// The turn of a text written at angle degrees, in whole tenths of a degree
// (halves to even): 90 gives 900, 12.25 gives 122.
int textEscapement(double angle_deg);

// Label size handed to the text routine, for a target targetHeight_twips tall.
int sketchLabelSize(double reference, double targetHeight_twips, double zoom, double userFontSize);

// The whole sketch for the target. measure may be empty.
SketchScene buildStreetSketch(const SketchStreet &street, const SketchView &view, const SketchTarget &target,
                              const SketchTextWidth &measure = {});

} // namespace vesk
