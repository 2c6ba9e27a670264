#include "ui/common/PictureFile.h"

#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace vesk::ui {

bool savePictureFile(const QImage &picture, const QString &path, const QString &what, QString *error) {
    auto fail = [&](const QString &reason) {
        if (error) {
            *error = QStringLiteral("The %1 could not be saved to %2: %3").arg(what, path, reason);
        }
        return false;
    };
    if (path.isEmpty()) {
        return fail(QStringLiteral("no file name was given"));
    }
    if (picture.isNull()) {
        return fail(QStringLiteral("there is no picture"));
    }
    QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format)) {
        format = "bmp";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return fail(file.errorString());
    }
    QImageWriter writer(&file, format);
    if (!writer.write(picture)) {
        file.cancelWriting();
        return fail(writer.errorString());
    }
    if (!file.commit()) {
        return fail(file.errorString());
    }
    return true;
}

} // namespace vesk::ui
