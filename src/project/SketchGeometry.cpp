#include "project/SketchGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace vesk {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kTwipsPerInch = 1440.0;
// A label's width is compared with the projected half street after scaling by
// the screen's twips per pixel (15 at 96 dpi) times 0.05.
constexpr double kLabelWidthFactor = (kTwipsPerInch / 96.0) * 0.05;
// The lowest zoom factor the sketch draws with (1 %): a zoom of 0 or below
// would make the drawn area infinite.
constexpr double kMinZoom = 0.01;
// The automatic view height is at most this share of the view distance.
constexpr double kHighestEye = 0.5;
// Room left around the scene in the box, as a share of its extent.
constexpr double kSceneMargin = 0.08;

bool finite(const SketchPoint &p) {
    return std::isfinite(p.u) && std::isfinite(p.v);
}

// Rounds to the nearest whole number, halves to the even neighbour.
long roundEven(double value) {
    return static_cast<long>(std::nearbyint(value));
}

void addPolygon(std::vector<SketchItem> &items, std::vector<SketchPoint> points, int brush) {
    for (const SketchPoint &p : points) {
        if (!finite(p)) {
            return;
        }
    }
    items.push_back(SketchPolygon{std::move(points), brush});
}

void addLine(std::vector<SketchItem> &items, SketchPoint from, SketchPoint to, bool dotted) {
    if (finite(from) && finite(to)) {
        items.push_back(SketchLine{from, to, dotted});
    }
}

// Normalises a direction to 0 <= a < 360.
double normalised(double deg) {
    double a = std::fmod(deg, 360.0);
    if (a < 0) {
        a += 360.0;
    }
    return a;
}

// A sector part lying on one side: relative start and end directions.
struct SectorPart {
    double start;
    double end;
    double height;
};

double clampLength(double value, double halfLength) {
    if (std::isnan(value)) {
        return 0.0;
    }
    return std::clamp(value, -halfLength, halfLength);
}

// Position along the street where direction a (relative to the street axis)
// meets the building line of side 1 (x = -W/2) or side 2 (x = +W/2).
double side1Position(double a, double width, double halfLength) {
    if (a == 180.0) {
        return -halfLength;
    }
    if (a == 360.0) {
        return halfLength;
    }
    if (a == 270.0) {
        return 0.0;
    }
    return clampLength((width * -0.5) / std::tan(a * kDegToRad), halfLength);
}

double side2Position(double a, double width, double halfLength) {
    if (a == 0.0) {
        return halfLength;
    }
    if (a == 180.0) {
        return -halfLength;
    }
    if (a == 90.0) {
        return 0.0;
    }
    return clampLength((width * 0.5) / std::tan(a * kDegToRad), halfLength);
}

} // namespace

SketchRgb sketchBrushColour(int entry) {
    static constexpr std::array<SketchRgb, kSketchBrushCount> colours{{
        {60, 63, 59},
        {132, 122, 133},
        {166, 158, 167},
        {183, 183, 183},
        {225, 223, 225},
        {183, 183, 183},
        {0, 255, 0},
        {120, 120, 120},
    }};
    if (entry < 0 || entry >= kSketchBrushCount) {
        return {0, 0, 0};
    }
    return colours[static_cast<size_t>(entry)];
}

SketchPoint RotateSketchPoint(const SketchProjection &p, double x, double y, double z) {
    const double c = p.cos;
    const double s = p.sin;
    const double d = p.distance;
    SketchPoint out;
    out.u = (c * x + s * y) - (x * y / d) * (c * c - s * s);
    out.v = z + (p.height - z) * (c * y - s * x) / d;
    return out;
}

double sketchHalfLength(const SketchStreet &street) {
    return std::max(2.0 * std::max(street.length1_m, street.length2_m), 5.0 * street.width_m);
}

double sketchViewDistance(const SketchStreet &street) {
    return 5.0 * std::max(sketchHalfLength(street), 0.5 * street.width_m);
}

double automaticViewHeight(const SketchStreet &street, double viewAngle_deg) {
    const double d = sketchViewDistance(street);
    const double h = street.height_m;
    const double s = std::sin(viewAngle_deg * kDegToRad);
    const double candidate = d * h * std::fabs(s) / (street.width_m * 0.3);
    if (!std::isfinite(candidate)) {
        return h;
    }
    // The eye rises with the angle to look over the near building row into the
    // street, but no higher than half the view distance: the bare formula puts
    // it kilometres up (833 m for a 20 m street at 30 degrees), where the
    // projection stretches the street floor into a long thin line.
    return std::max(h, std::min(candidate, kHighestEye * d));
}

SketchSideBlocks sketchSectorBlocks(const SketchStreet &street, double halfLength) {
    const double w = street.width_m;
    std::vector<SectorPart> parts1; // relative directions 180..360
    std::vector<SectorPart> parts2; // relative directions 0..180
    for (const SketchSector &sector : street.sectors) {
        if (!sector.used || !std::isfinite(sector.start_deg) || !std::isfinite(sector.end_deg) ||
            !std::isfinite(street.orientation_deg)) {
            continue;
        }
        if (normalised(sector.start_deg) == normalised(sector.end_deg) &&
            std::fabs(sector.end_deg - sector.start_deg) < 360.0) {
            continue; // a sector without width sees nothing
        }
        // Relative start in [0, 360), end in (0, 360]; the sector runs clockwise
        // from start to end and may pass the street axis (0 or 180).
        double start = normalised(sector.start_deg - street.orientation_deg);
        double end = normalised(sector.end_deg - street.orientation_deg);
        if (end == 0.0) {
            end = 360.0;
        }
        if (end <= start) {
            end += 360.0;
        }
        double a = start;
        while (a < end) {
            const double cut = std::min(end, (std::floor(a / 180.0) + 1.0) * 180.0);
            double from = a;
            double to = cut;
            if (from >= 360.0) {
                from -= 360.0;
                to -= 360.0;
            }
            if (to > from) {
                if (from >= 180.0) {
                    parts1.push_back({from, to, sector.height_m});
                } else {
                    parts2.push_back({from, to, sector.height_m});
                }
            }
            a = cut;
        }
    }
    // Side 1 from the largest start down, side 2 from the smallest start up:
    // both then run from the +y end toward the -y end.
    std::stable_sort(parts1.begin(), parts1.end(),
                     [](const SectorPart &x, const SectorPart &y) { return x.start > y.start; });
    std::stable_sort(parts2.begin(), parts2.end(),
                     [](const SectorPart &x, const SectorPart &y) { return x.start < y.start; });

    SketchSideBlocks blocks;
    for (const SectorPart &part : parts1) {
        const double b = side1Position(part.start, w, halfLength);
        const double e = side1Position(part.end, w, halfLength);
        blocks.side1.push_back({e, b, part.height});
    }
    for (const SectorPart &part : parts2) {
        const double b = side2Position(part.start, w, halfLength);
        const double e = side2Position(part.end, w, halfLength);
        blocks.side2.push_back({b, e, part.height});
    }
    return blocks;
}

void DrawSketchBlock(std::vector<SketchItem> &items, const SketchProjection &p, double viewAngle, double x1,
                     double x2, double y1, double y2, double h, int flatBrush) {
    if (y1 == y2) {
        return;
    }
    const double cut = -p.distance * p.cos;
    const double a = std::fabs(viewAngle);
    const bool showY1 = (a <= 90.0 && y1 <= cut) || (a > 90.0 && y1 > cut);
    const bool showY2 = (a <= 90.0 && y2 >= cut) || (a > 90.0 && y2 < cut);
    auto P = [&](double x, double y, double z) { return RotateSketchPoint(p, x, y, z); };

    if (showY1 && h > 0) {
        addPolygon(items, {P(x1, y1, 0), P(x1, y1, h), P(x2, y1, h), P(x2, y1, 0)}, kBrushEndFace);
    }
    if (h > 0) {
        addPolygon(items, {P(x1, y1, 0), P(x1, y1, h), P(x1, y2, h), P(x1, y2, 0)}, kBrushLongSide);
    }
    if (p.height > h && h >= 0) {
        addPolygon(items, {P(x2, y1, h), P(x1, y1, h), P(x1, y2, h), P(x2, y2, h)},
                   h > 0 ? kBrushBlockTop : flatBrush);
    }
    if (showY2 && h > 0) {
        addPolygon(items, {P(x2, y2, 0), P(x1, y2, 0), P(x1, y2, h), P(x2, y2, h)}, kBrushEndFace);
    }
}

void DrawSketchBlocks(std::vector<SketchItem> &items, const SketchProjection &p, double viewAngle,
                      const std::vector<SketchBlock> &blocks, double x1, double x2, double yA, double yB,
                      double streetHeight) {
    const int n = static_cast<int>(blocks.size());
    auto gap = [&](double from, double to) {
        DrawSketchBlock(items, p, viewAngle, x1, x2, from, to, streetHeight, kBrushFlatBuilding);
    };
    // 1-based access, as the row is described from its first block.
    auto from = [&](int j) { return blocks[static_cast<size_t>(j - 1)].from; };
    auto to = [&](int j) { return blocks[static_cast<size_t>(j - 1)].to; };
    auto block = [&](int j) {
        const SketchBlock &b = blocks[static_cast<size_t>(j - 1)];
        DrawSketchBlock(items, p, viewAngle, x1, x2, b.from, b.to, b.height, kBrushFlatBuilding);
    };
    if (n == 0) {
        gap(yA, yB);
        return;
    }
    const double cut = -p.distance * p.cos;
    const bool upToCut = std::fabs(viewAngle) <= 90.0;
    auto past = [&](double y) { return upToCut ? y < cut : y > cut; };

    int k = 0;
    bool caseF = false;
    for (int j = 1; j <= n; ++j) {
        if (past(from(j))) {
            k = j;
            caseF = true;
            break;
        }
        if (past(to(j))) {
            k = j;
            break;
        }
    }
    if (k == 0) {
        gap(yA, from(1));
        for (int j = 1; j <= n - 1; ++j) {
            block(j);
            gap(to(j), from(j + 1));
        }
        block(n);
        gap(to(n), yB);
    } else if (caseF) {
        gap(to(n), yB);
        block(n);
        for (int j = n - 1; j >= k; --j) {
            gap(to(j), from(j + 1));
            block(j);
        }
        gap(yA, from(1));
        for (int j = 1; j <= k - 1; ++j) {
            block(j);
            gap(to(j), from(j + 1));
        }
    } else {
        gap(to(n), yB);
        for (int j = n; j >= k + 1; --j) {
            block(j);
            gap(to(j - 1), from(j));
        }
        gap(yA, from(1));
        block(1);
        for (int j = 2; j <= k; ++j) {
            gap(to(j - 1), from(j));
            block(j);
        }
    }
}

int textEscapement(double angle_deg) {
    if (!std::isfinite(angle_deg)) {
        return 0;
    }
    return static_cast<int>(std::clamp<long>(roundEven(angle_deg * 10.0), -36000, 36000));
}

int sketchLabelSize(double reference, double targetHeight_twips, double zoom, double userFontSize) {
    double size;
    if (userFontSize == 0) {
        size = std::max(9.0, targetHeight_twips / 600.0 * reference * zoom);
    } else {
        size = userFontSize * targetHeight_twips / 6000.0 * zoom;
    }
    if (!std::isfinite(size)) {
        size = 9.0;
    }
    return static_cast<int>(std::clamp<long>(roundEven(size), 1, 1000));
}

namespace {

// Direction on the picture of a line along the street at x offset by k*hw.
double labelDirection(double angle, double viewHeight, double g) {
    double dir = 0;
    if (angle == 90.0) {
        dir = 90.0;
    }
    if (angle == -90.0) {
        dir = -90.0;
    }
    if (viewHeight == 0) {
        dir = angle;
    }
    if (viewHeight > 0) {
        const double t = std::atan(g) / kDegToRad;
        if (angle > -90.0 && angle < 90.0) {
            dir = t;
        } else if (angle < -90.0) {
            dir = t - 180.0;
        } else if (angle > 90.0) {
            dir = t + 180.0;
        }
    }
    return std::isfinite(dir) ? dir : 0.0;
}

void addLabels(SketchScene &scene, const SketchStreet &street, const SketchProjection &p,
               const SketchView &view, const SketchTarget &target, const SketchTextWidth &measure) {
    const double w = street.width_m;
    const double hw = 0.5 * w;
    const double d = p.distance;
    const double longest = std::max(street.length1_m, street.length2_m);
    double reference = p.height / d * longest / 20.0;
    const double other = (1.0 - longest / d) * w / 35.0;
    if (other < reference) {
        reference = other;
    }
    const double heightTwips = target.height_px * kTwipsPerInch / target.dpiY;
    scene.labelSize = sketchLabelSize(reference, heightTwips, std::max(view.zoom, kMinZoom), view.fontSize);

    auto widthUnits = [&](const std::string &text) {
        if (!measure) {
            return 0.0;
        }
        const double px = measure(text, scene.labelSize);
        return std::isfinite(px) ? px / scene.mapping.scaleX : 0.0;
    };
    auto tooLong = [&](const std::string &text, SketchPoint end) {
        const double wx = widthUnits(text) * kLabelWidthFactor;
        return wx * wx > end.u * end.u + end.v * end.v;
    };
    auto add = [&](std::string text, SketchPoint at, SketchAlign align, double angle) {
        if (finite(at) && std::isfinite(angle)) {
            scene.items.push_back(SketchLabel{std::move(text), at, align, angle});
        }
    };
    // Each length label lies along its half of the street axis, ending at (or
    // starting from) the street end. A half too short on the picture for its
    // text gets the label beyond its end instead, running outward: the two
    // labels never meet in the middle of the street, one running into the
    // other.
    const double axis = 90.0 - scene.labelDirections[0];
    const SketchPoint end1 = RotateSketchPoint(p, 0, street.length1_m, 0);
    const SketchPoint end2 = RotateSketchPoint(p, 0, -street.length2_m, 0);
    const bool beyond1 = tooLong("Length 1", end1);
    const bool beyond2 = tooLong("Length 2", end2);
    // A label beyond its end that would leave the box moves back along the
    // axis until its outer end is inside, when its street end is in the box (a
    // zoomed picture may cut anything): at most to the other street end when
    // the other label lies beyond that, else to the street centre. One that
    // does not fit even so stays at its end. The text runs along its angle
    // from the anchor (aligned left) or back to it (aligned right), as printed.
    const SketchMapping &m = scene.mapping;
    auto keptInBox = [&](const std::string &text, SketchPoint end, SketchAlign align, SketchPoint limit) {
        if (!measure) {
            return end;
        }
        const double textPx = measure(text, scene.labelSize);
        const double ex = end.u * m.scaleX + m.offsetX, ey = end.v * m.scaleY + m.offsetY;
        const double boxW = target.width_px, boxH = target.height_px;
        if (!std::isfinite(textPx) || !std::isfinite(axis) || ex < 0 || ex > boxW || ey < 0 || ey > boxH) {
            return end;
        }
        const double sign = align == SketchAlign::BottomRight ? -1.0 : 1.0;
        const double ux = sign * std::cos(axis * kDegToRad), uy = -sign * std::sin(axis * kDegToRad);
        // How far the text may run from the end before it meets an edge (a pixel short of it).
        double room = textPx;
        if (ux > 1e-9) {
            room = std::min(room, (boxW - 1 - ex) / ux);
        } else if (ux < -1e-9) {
            room = std::min(room, (1 - ex) / ux);
        }
        if (uy > 1e-9) {
            room = std::min(room, (boxH - 1 - ey) / uy);
        } else if (uy < -1e-9) {
            room = std::min(room, (1 - ey) / uy);
        }
        const double back = textPx - std::max(room, 0.0);
        const double backMost = std::hypot((end.u - limit.u) * m.scaleX, (end.v - limit.v) * m.scaleY);
        if (!(back > 0) || back > backMost) {
            return end;
        }
        return SketchPoint{end.u - ux * back / m.scaleX, end.v - uy * back / m.scaleY};
    };
    const SketchPoint centre = RotateSketchPoint(p, 0, 0, 0);
    if (beyond1) {
        add("Length 1", keptInBox("Length 1", end1, SketchAlign::BottomLeft, beyond2 ? end2 : centre),
            SketchAlign::BottomLeft, axis);
    } else {
        add("Length 1", end1, SketchAlign::BottomRight, axis);
    }
    if (beyond2) {
        add("Length 2", keptInBox("Length 2", end2, SketchAlign::BottomRight, beyond1 ? end1 : centre),
            SketchAlign::BottomRight, axis);
    } else {
        add("Length 2", end2, SketchAlign::BottomLeft, axis);
    }
    add("Rec. 1", RotateSketchPoint(p, -hw, 0.06 * w, 0), SketchAlign::TopLeft,
        90.0 - scene.labelDirections[1]);
    add("Rec. 2", RotateSketchPoint(p, hw, 0.06 * w, 0), SketchAlign::BottomLeft,
        90.0 - scene.labelDirections[2]);
}

// The projected extent of the whole scene: the street surface, both building
// rows to the top of their highest block, the street ends and the receptors.
struct SceneBounds {
    double uMin = std::numeric_limits<double>::infinity(), uMax = -std::numeric_limits<double>::infinity();
    double vMin = std::numeric_limits<double>::infinity(), vMax = -std::numeric_limits<double>::infinity();
    void take(SketchPoint p) {
        if (finite(p)) {
            uMin = std::min(uMin, p.u);
            uMax = std::max(uMax, p.u);
            vMin = std::min(vMin, p.v);
            vMax = std::max(vMax, p.v);
        }
    }
    bool usable() const { return uMin <= uMax && vMin <= vMax; }
};

SceneBounds sceneBounds(const SketchStreet &street, const SketchProjection &p, double L) {
    const double w = street.width_m;
    double top = std::max(street.height_m, 0.0);
    for (const SketchSector &sector : street.sectors) {
        if (sector.used && std::isfinite(sector.height_m)) {
            top = std::max(top, sector.height_m);
        }
    }
    SceneBounds b;
    for (double x : {-1.05 * w, -w, w, 1.05 * w}) {
        for (double y : {-1.05 * L, 1.05 * L}) {
            for (double z : {0.0, top}) {
                b.take(RotateSketchPoint(p, x, y, z));
            }
        }
    }
    return b;
}

} // namespace

SketchScene buildStreetSketch(const SketchStreet &street, const SketchView &view, const SketchTarget &target,
                              const SketchTextWidth &measure) {
    SketchScene scene;
    const double w = street.width_m;
    const double hStreet = street.height_m;
    const double L = sketchHalfLength(street);
    const double D = sketchViewDistance(street);
    const double angle = view.angle_deg;
    scene.halfLength_m = L;
    scene.distance_m = D;
    scene.viewHeight_m = view.autoHeight ? automaticViewHeight(street, angle) : view.height_m;

    if (!(D > 0) || !std::isfinite(D) || !std::isfinite(angle) || !std::isfinite(scene.viewHeight_m) ||
        !std::isfinite(hStreet) || target.width_px <= 0 || target.height_px <= 0 || !(target.dpiX > 0) ||
        !(target.dpiY > 0)) {
        return scene;
    }

    SketchProjection p;
    p.sin = std::sin(angle * kDegToRad);
    p.cos = std::cos(angle * kDegToRad);
    p.height = scene.viewHeight_m;
    p.distance = D;
    auto P = [&](double x, double y, double z) { return RotateSketchPoint(p, x, y, z); };

    const double hw = 0.5 * w;
    const double q = std::clamp(hw / D, -1.0, 1.0);
    const double alpha = std::asin(q) / kDegToRad;

    const double tan = p.sin / p.cos;
    const double k = p.cos - tan * p.sin;
    const double vh = scene.viewHeight_m;
    scene.labelDirections[0] = labelDirection(angle, vh, D * tan / vh);
    scene.labelDirections[1] = labelDirection(angle, vh, (D * tan + k * hw) / vh);
    scene.labelDirections[2] = labelDirection(angle, vh, (D * tan - k * hw) / vh);

    // Extent and pixel mapping. The whole scene, as projected, fills the target
    // at zoom 1 with a small margin, whatever the view angle and height, and is
    // centred on it (a fixed extent around the street centre would cut the
    // buildings at angle 0 and leave a thin line in a wide empty box at other
    // angles). Both directions keep one scale on paper.
    const double heightTwips = target.height_px * kTwipsPerInch / target.dpiY;
    const double zoom = std::isfinite(view.zoom) ? std::max(view.zoom, kMinZoom) : 1.0;
    const SceneBounds bounds = sceneBounds(street, p, L);
    if (!bounds.usable()) {
        return scene;
    }
    const double spanU = std::max(bounds.uMax - bounds.uMin, 1e-9) * (1.0 + 2.0 * kSceneMargin);
    const double spanV = std::max(bounds.vMax - bounds.vMin, 1e-9) * (1.0 + 2.0 * kSceneMargin);
    const double dpiRatio = target.dpiX / target.dpiY; // horizontal pixels per vertical pixel on paper
    const double scaleV = zoom * std::min(target.height_px / spanV, target.width_px / (spanU * dpiRatio));
    if (!(scaleV > 0) || !std::isfinite(scaleV)) {
        return scene;
    }
    // The zoom magnifies about the street centre (drawing point 0, 0), which
    // stays where it is in the fitted picture.
    const double centreU = 0.5 * (bounds.uMin + bounds.uMax);
    const double centreV = 0.5 * (bounds.vMin + bounds.vMax);
    const double fittedV = scaleV / zoom;
    scene.half = 0.5 * target.height_px / scaleV;
    scene.mapping.scaleX = scaleV * dpiRatio;
    scene.mapping.scaleY = -scaleV;
    scene.mapping.offsetX = roundEven(0.5 * target.width_px - centreU * fittedV * dpiRatio);
    scene.mapping.offsetY = roundEven(0.5 * target.height_px + centreV * fittedV);
    scene.lineWidth_px = std::max(heightTwips * zoom / 6000.0, 1.0);
    scene.empty = false;

    const SketchSideBlocks rows = sketchSectorBlocks(street, L);

    // Street surface, receptors, lines and labels first; the buildings last,
    // the far row before the near one.
    DrawSketchBlock(scene.items, p, angle, -1.05 * w, 1.05 * w, 1.05 * L, -1.05 * L, 0, kBrushStreetSurface);

    const double r = 0.06 * w;
    auto receptor = [&](int used, SketchPoint at) {
        if ((used == 1 || used == 0) && finite(at)) {
            scene.items.push_back(
                SketchEllipse{at, std::fabs(r), used == 1 ? kBrushReceptorUsed : kBrushReceptorUnused});
        }
    };
    const SketchPoint rec1 = P(-hw, 0, 0);
    const SketchPoint rec2 = P(hw, 0, 0);
    receptor(street.receptor1, rec1);
    receptor(street.receptor2, rec2);

    addLine(scene.items, rec1, rec2, true);
    addLine(scene.items, P(-hw, street.length1_m, 0), P(hw, street.length1_m, 0), true);
    addLine(scene.items, P(-hw, -street.length2_m, 0), P(hw, -street.length2_m, 0), true);
    addLine(scene.items, P(0, street.length1_m, 0), P(0, -street.length2_m, 0), false);

    if (view.labels) {
        addLabels(scene, street, p, view, target, measure);
    }

    const bool front = std::fabs(angle) <= 90.0;
    const double yA = front ? L : -L;
    const double yB = front ? -L : L;
    std::vector<SketchBlock> row1 = rows.side1;
    std::vector<SketchBlock> row2 = rows.side2;
    if (!front) {
        std::reverse(row1.begin(), row1.end());
        std::reverse(row2.begin(), row2.end());
        for (SketchBlock &b : row1) {
            std::swap(b.from, b.to);
        }
        for (SketchBlock &b : row2) {
            std::swap(b.from, b.to);
        }
    }
    double x1Side1 = -hw, x2Side1 = -w;
    if (alpha - 180.0 < angle && angle < -alpha) {
        std::swap(x1Side1, x2Side1);
    }
    double x1Side2 = hw, x2Side2 = w;
    if (alpha < angle && angle < 180.0 - alpha) {
        std::swap(x1Side2, x2Side2);
    }
    auto drawSide1 = [&] {
        DrawSketchBlocks(scene.items, p, angle, row1, x1Side1, x2Side1, yA, yB, hStreet);
    };
    auto drawSide2 = [&] {
        DrawSketchBlocks(scene.items, p, angle, row2, x1Side2, x2Side2, yA, yB, hStreet);
    };
    if (angle >= 0) {
        drawSide1();
        drawSide2();
    } else {
        drawSide2();
        drawSide1();
    }
    return scene;
}

} // namespace vesk
