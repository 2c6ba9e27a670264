#pragma once

// Saving a drawn picture (a graph, the street sketch) to a file.

#include <QImage>
#include <QString>

namespace vesk::ui {

// Saves picture to path as a bitmap, or in the picture format its suffix
// names, through a temporary file: on failure the old file stays whole and
// error says "The <what> could not be saved to <path>: <reason>".
bool savePictureFile(const QImage &picture, const QString &path, const QString &what, QString *error);

} // namespace vesk::ui
