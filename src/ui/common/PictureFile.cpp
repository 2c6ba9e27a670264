#include "ui/common/PictureFile.h"

#include "core/Paths.h"
#include "core/TextIO.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>

namespace vesk::ui {

namespace {

const char *const kPrintField = "the file to print into";

// Writes bytes to path through the engine's staged writer; false with its message.
bool writeStaged(const QString &path, const QByteArray &bytes, QString *reason) {
    std::string error;
    if (writeFileAtomically(path.toStdString(), std::string_view(bytes.constData(), bytes.size()), &error)) {
        return true;
    }
    if (reason) {
        *reason = QString::fromStdString(error);
    }
    return false;
}

} // namespace

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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(picture)) {
        return fail(writer.errorString());
    }
    buffer.close();
    QString reason;
    if (!writeStaged(path, bytes, &reason)) {
        return fail(reason);
    }
    return true;
}

PrintedFile::PrintedFile(QPrinter &printer, const QString &folder)
    : m_printer(printer), m_chosen(printer.outputFileName()) {
    if (m_chosen.isEmpty()) {
        return;
    }
    std::string refusal;
    const std::optional<std::string> path =
        typedNamePathIn(m_chosen.toStdString(), folder.toStdString(), kPrintField, &refusal);
    if (!path) {
        m_refusal = QString::fromStdString(refusal);
        m_printer.setOutputFileName(QStringLiteral("/dev/null/print"));
        return;
    }
    m_chosen = QString::fromStdString(*path);
    if (QFileInfo(m_chosen).isRelative()) {
        m_chosen = QDir::current().absoluteFilePath(m_chosen);
        m_note = QStringLiteral("The print went into the file %1.").arg(m_chosen);
    }
    // Made by this user alone (mode 700): nobody else puts a name there.
    m_folder = std::make_unique<QTemporaryDir>();
    const QString name = QFileInfo(m_chosen).fileName();
    // Without the folder, a name no one can create: the printer fails to
    // start, rather than printing on paper or into the file chosen by name.
    m_printer.setOutputFileName(m_folder->isValid()
                                    ? m_folder->filePath(name.isEmpty() ? QStringLiteral("print") : name)
                                    : QStringLiteral("/dev/null/print"));
}

PrintedFile::~PrintedFile() {
    if (!m_chosen.isEmpty()) {
        m_printer.setOutputFileName(m_chosen);
    }
}

bool PrintedFile::refused(QString *reason) const {
    if (m_refusal.isEmpty()) {
        return false;
    }
    if (reason) {
        *reason = m_refusal;
    }
    return true;
}

bool PrintedFile::place(QString *reason) {
    if (m_chosen.isEmpty()) {
        return true;
    }
    if (refused(reason)) {
        return false;
    }
    QFile printed(m_printer.outputFileName());
    if (!printed.open(QIODevice::ReadOnly)) {
        if (reason) {
            *reason =
                QStringLiteral("Cannot write the file %1: what was printed could not be read back (%2).")
                    .arg(m_chosen, printed.errorString());
        }
        return false;
    }
    return writeStaged(m_chosen, printed.readAll(), reason);
}

void readPrintFileNamesIn(QPrintDialog &dialog, const QString &folder) {
    auto *field = dialog.findChild<QLineEdit *>(QStringLiteral("filename"));
    if (field == nullptr || folder.isEmpty()) {
        return;
    }
    // Left by the focus or by Enter before the dialog's OK takes the name.
    QObject::connect(field, &QLineEdit::editingFinished, field, [field, folder] {
        const std::optional<std::string> path =
            typedNamePathIn(field->text().toStdString(), folder.toStdString(), kPrintField, nullptr);
        if (path && !path->empty() && QString::fromStdString(*path) != field->text()) {
            field->setText(QString::fromStdString(*path));
        }
    });
}

} // namespace vesk::ui
