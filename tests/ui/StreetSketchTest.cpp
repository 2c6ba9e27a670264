#include "ui/common/StreetSketch.h"
#include "ui/common/SketchBox.h"

#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPrinter>

#include <gtest/gtest.h>

#include <cmath>

namespace vesk::ui {
namespace {

using vesk::test::ScriptedInteraction;
using vesk::test::TempDir;

const QSize kSize(480, 360);

SketchStreet sampleStreet() {
    SketchStreet street;
    street.width_m = 20;
    street.height_m = 20;
    street.length1_m = 50;
    street.length2_m = 50;
    street.orientation_deg = 0;
    street.sectors[0] = {200, 250, 35, true}; // a taller block on side 1
    street.sectors[1] = {20, 60, 8, true};    // a lower block on side 2
    street.receptor1 = 1;
    street.receptor2 = 0;
    return street;
}

SketchView viewAt(double angle) {
    SketchView view;
    view.angle_deg = angle;
    view.labels = false; // labels are checked on their own below
    return view;
}

// The pixel of the picture at drawing point p.
QColor pixelAt(const QImage &image, const SketchScene &scene, SketchPoint p) {
    const int x = static_cast<int>(std::lround(p.u * scene.mapping.scaleX + scene.mapping.offsetX));
    const int y = static_cast<int>(std::lround(p.v * scene.mapping.scaleY + scene.mapping.offsetY));
    if (!image.rect().contains(x, y)) {
        return QColor();
    }
    return image.pixelColor(x, y);
}

SketchPoint project(const SketchScene &scene, double angle, double x, double y, double z) {
    const double rad = angle * std::acos(-1.0) / 180.0;
    return RotateSketchPoint({std::sin(rad), std::cos(rad), scene.viewHeight_m, scene.distance_m}, x, y, z);
}

QColor rgb(int entry) {
    return sketchBrushQColor(entry);
}

struct RenderCase {
    double angle;
    // A point of the street surface in view.
    double sx, sy;
    // A point on a building face in view, and the colour entry expected there.
    double bx, by, bz;
    int buildingBrush;
};
class StreetSketchRendering : public ::testing::TestWithParam<RenderCase> {};

TEST_P(StreetSketchRendering, SketchShowsStreetReceptorsAndBuildings) {
    const RenderCase c = GetParam();
    const SketchStreet street = sampleStreet();
    const SketchView view = viewAt(c.angle);
    const SketchScene scene = buildStreetSketch(street, view, {kSize.width(), kSize.height(), 96, 96});
    ASSERT_FALSE(scene.empty);
    const QImage image = renderStreetSketch(kSize, street, view, SketchLabelFont{});

    EXPECT_EQ(pixelAt(image, scene, project(scene, c.angle, c.sx, c.sy, 0)), rgb(kBrushStreetSurface));
    EXPECT_EQ(pixelAt(image, scene, project(scene, c.angle, c.bx, c.by, c.bz)), rgb(c.buildingBrush));
}

INSTANTIATE_TEST_SUITE_P(Angles, StreetSketchRendering,
                         ::testing::Values(
                             // Head on, from the roof height: the inner face of side 1 along the street.
                             RenderCase{0, 5, 15, -8, -40, 10, kBrushLongSide},
                             // From 30 degrees, from above: the roof of the side-1 row, and the
                             // street surface before the near end of the rows.
                             RenderCase{30, 0, -102, -15, 40, 20, kBrushBlockTop},
                             // From behind: the roof of the side-2 row; the near end lies at +y.
                             RenderCase{120, 0, 102, 15, 40, 20, kBrushBlockTop}));

int countPixels(const QImage &image, const QColor &colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

struct ReceptorCase {
    double angle;
    double viewHeight; // 0 = automatic
};
class StreetSketchReceptors : public ::testing::TestWithParam<ReceptorCase> {};

TEST_P(StreetSketchReceptors, MarkIsGreenWhenUsedGreyWhenNotAndAbsentOtherwise) {
    // Receptor 1 lies on the building line of the far row at these angles;
    // the row hides part of its mark, so pictures with and without the mark
    // are compared.
    SketchView view = viewAt(GetParam().angle);
    view.zoom = 2;
    if (GetParam().viewHeight > 0) {
        view.autoHeight = false;
        view.height_m = GetParam().viewHeight;
    }
    SketchStreet street = sampleStreet();
    street.receptor2 = 7;
    auto picture = [&](int receptor1) {
        street.receptor1 = receptor1;
        return renderStreetSketch(kSize, street, view, SketchLabelFont{});
    };
    const QImage used = picture(1), unused = picture(0), none = picture(7);
    EXPECT_GE(countPixels(used, rgb(kBrushReceptorUsed)), 8);
    EXPECT_EQ(countPixels(unused, rgb(kBrushReceptorUsed)), 0);
    EXPECT_EQ(countPixels(none, rgb(kBrushReceptorUsed)), 0);
    EXPECT_GE(countPixels(unused, rgb(kBrushReceptorUnused)),
              countPixels(none, rgb(kBrushReceptorUnused)) + 8);
}

INSTANTIATE_TEST_SUITE_P(Angles, StreetSketchReceptors,
                         ::testing::Values(ReceptorCase{0, 0}, ReceptorCase{30, 300},
                                           ReceptorCase{120, 300}));

TEST(StreetSketchRendering, LabelsAddTextInTheChosenColour) {
    SketchView view = viewAt(0);
    view.labels = true;
    view.fontSize = 10;
    SketchLabelFont font;
    font.automatic = false;
    font.name = QStringLiteral("DejaVu Sans");
    font.colour = QColor(255, 0, 0);
    const QImage image = renderStreetSketch(kSize, sampleStreet(), view, font);
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
                ++red;
            }
        }
    }
    EXPECT_GT(red, 30);
}

// The columns of the image that hold ink (anything not white), as a span.
std::pair<int, int> inkColumns(const QImage &image) {
    int first = image.width(), last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != QColor(Qt::white)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

// A label's size is a font size in points: on a screen of 96 dots per inch a
// 9-point label is 12 pixels high, and a device of twice the resolution draws
// it twice as large. (Taken as pixels at 96 dpi, "Rec. 1" came out a quarter
// too small on screen.)
TEST(StreetSketchRendering, LabelSizesArePointsOnDevicesOfAnyResolution) {
    for (const int dpi : {96, 192}) {
        QImage image(400, 200, QImage::Format_RGB32);
        image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
        image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
        image.fill(Qt::white);
        QFont font(QStringLiteral("DejaVu Sans"));
        {
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::black);
            SketchMapping mapping;
            mapping.offsetX = 10;
            mapping.offsetY = 100;
            PrintRotatedText(painter, mapping, QStringLiteral("Rec. 1"), 0, 0, 0, 9, SketchAlign::BottomLeft);
        }
        const auto [first, last] = inkColumns(image);
        ASSERT_LE(first, last) << dpi;
        font.setPixelSize(9 * dpi / 72);
        const double expected = QFontMetricsF(font, &image).boundingRect(QStringLiteral("Rec. 1")).width();
        EXPECT_NEAR(last - first + 1, expected, 3.0 * dpi / 96) << dpi << " dpi";
    }
}

int countPages(const QByteArray &pdf) {
    int pages = 0;
    qsizetype at = 0;
    while ((at = pdf.indexOf("/Type /Page", at)) >= 0) {
        at += 11;
        if (at >= pdf.size() || pdf.at(at) != 's') {
            ++pages;
        }
    }
    return pages;
}

QByteArray printToPdf(const QString &path, const SketchStreet &street) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QString error;
    EXPECT_TRUE(printStreetSketch(printer, street, viewAt(30), SketchLabelFont{}, QString(), &error))
        << error.toStdString();
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

TEST(StreetSketchPrinting, PdfPrintHasOnePageWithTheSketch) {
    TempDir dir;
    const QByteArray sketch =
        printToPdf(QString::fromStdString((dir.path() / "sketch.pdf").string()), sampleStreet());
    const QByteArray blank =
        printToPdf(QString::fromStdString((dir.path() / "blank.pdf").string()), SketchStreet{});
    ASSERT_TRUE(sketch.startsWith("%PDF"));
    EXPECT_EQ(countPages(sketch), 1);
    EXPECT_GT(sketch.size(), blank.size() + 500); // the drawing itself is on the page
}

TEST(StreetSketchPrinting, PrinterThatCannotStartIsReported) {
    TempDir dir;
    ScriptedInteraction interaction;
    SketchBox box;
    box.setInteraction(&interaction);
    box.setStreet(sampleStreet());
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString((dir.path() / "missing" / "x.pdf").string()));
    EXPECT_FALSE(box.printOn(printer));
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_NE(interaction.messages[0].find("could not be printed"), std::string::npos);
}

TEST(SketchBoxCommands, SaveWritesABitmapOfTheBoxAndCancelChangesNothing) {
    TempDir dir;
    ScriptedInteraction interaction;
    SketchBox box;
    box.resize(kSize);
    box.setInteraction(&interaction);
    box.setStreet(sampleStreet());
    const std::string path = (dir.path() / "street.bmp").string();
    interaction.files.push_back(path);
    EXPECT_TRUE(box.menSave3D_Click());
    QImage saved(QString::fromStdString(path));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), kSize);
    EXPECT_TRUE(interaction.messages.empty());

    interaction.files.push_back(std::nullopt);
    EXPECT_FALSE(box.menSave3D_Click());
    EXPECT_TRUE(interaction.messages.empty());
}

TEST(SketchBoxCommands, CopyPutsThePictureOfTheBoxOnTheClipboard) {
    SketchBox box;
    box.resize(kSize);
    box.setStreet(sampleStreet());
    QApplication::clipboard()->setText(QStringLiteral("old"));
    box.menCopy3D_Click();
    const QImage copied = QApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), kSize);
    EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST(SketchBoxCommands, SaveIntoAMissingFolderIsReportedAndKeepsNothingHalfWritten) {
    TempDir dir;
    ScriptedInteraction interaction;
    SketchBox box;
    box.setInteraction(&interaction);
    box.setStreet(sampleStreet());
    const auto path = dir.path() / "missing" / "street.bmp";
    EXPECT_FALSE(box.saveTo(QString::fromStdString(path.string())));
    ASSERT_EQ(interaction.messages.size(), 1u);
    EXPECT_NE(interaction.messages[0].find("could not be saved"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Writes the sketch at a few angles as PNG files for a look by eye when
// WINVESK_SKETCH_PNG_DIR names a folder.
TEST(StreetSketchRendering, PicturesForInspection) {
    const QByteArray dir = qgetenv("WINVESK_SKETCH_PNG_DIR");
    if (dir.isEmpty()) {
        GTEST_SKIP() << "WINVESK_SKETCH_PNG_DIR not set";
    }
    for (double angle : {0.0, 30.0, -45.0, 120.0}) {
        SketchView view;
        view.angle_deg = angle;
        const QImage image = renderStreetSketch(kSize, sampleStreet(), view, SketchLabelFont{});
        EXPECT_TRUE(image.save(QString("%1/sketch_%2.png").arg(QString::fromLatin1(dir)).arg(angle)));
    }
}

} // namespace
} // namespace vesk::ui
