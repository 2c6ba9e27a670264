#pragma once

// The disabled look of toolbar keys. The style greys a disabled icon but
// keeps its dark lines dark, so a key drawn in black looked as usable as an
// enabled one. Here the disabled icon is drawn in the shades between the
// palette's disabled text and the window background: a disabled key then
// looks like a disabled menu item.

#include <QIcon>
#include <QList>
#include <QSize>

class QPalette;
class QPixmap;

namespace vesk::ui {

// The pixmap in the disabled look: each pixel keeps its alpha; its lightness
// is mapped from black..white to disabled text..window of the palette.
QPixmap disabledLook(const QPixmap &pixmap, const QPalette &palette);

// The icon with its normal pixmaps at the given sizes and their disabled look.
QIcon withDisabledLook(const QIcon &icon, const QPalette &palette, const QList<QSize> &sizes);

} // namespace vesk::ui
