#include "ui/common/ToolbarIcons.h"

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QPixmap>

namespace vesk::ui {

QPixmap disabledLook(const QPixmap &pixmap, const QPalette &palette) {
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const QColor dark = palette.color(QPalette::Disabled, QPalette::Text);
    const QColor light = palette.color(QPalette::Disabled, QPalette::Window);
    auto blend = [](int from, int to, int lightness) { return from + (to - from) * lightness / 255; };
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const int lightness = qGray(p);
            line[x] = qRgba(blend(dark.red(), light.red(), lightness),
                            blend(dark.green(), light.green(), lightness),
                            blend(dark.blue(), light.blue(), lightness), qAlpha(p));
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(pixmap.devicePixelRatio());
    return result;
}

QIcon withDisabledLook(const QIcon &icon, const QPalette &palette, const QList<QSize> &sizes) {
    QIcon result;
    for (const QSize &size : sizes) {
        const QPixmap normal = icon.pixmap(size, QIcon::Normal);
        if (normal.isNull()) {
            continue;
        }
        result.addPixmap(normal, QIcon::Normal);
        result.addPixmap(disabledLook(normal, palette), QIcon::Disabled);
    }
    return result;
}

} // namespace vesk::ui
