#include "ui/common/PictureFile.h"

#include "core/Paths.h"
#include "core/TextIO.h"
#include "ui/common/DisplayText.h"
#include "ui/common/QtInteraction.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
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

// The folder a name typed without its folder lies in: folder, the project's;
// with no project open (folder ""), the folder the program was started from.
QString typedNamesFolder(const QString &folder) {
    return folder.isEmpty() ? QDir::currentPath() : folder;
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

PrintDialog::PrintDialog(QPrinter *printer, const QString &folder, QWidget *parent)
    : QPrintDialog(printer, parent), m_folder(folder) {
    // The button box says which button was clicked before it says the dialog is accepted, on which the
    // dialog looks at the file named and asks whether to replace it: the name is read in between.
    auto *buttons = findChild<QDialogButtonBox *>();
    if (buttons == nullptr) {
        return;
    }
    connect(buttons, &QDialogButtonBox::clicked, this, [this, buttons](QAbstractButton *button) {
        if (buttons->buttonRole(button) != QDialogButtonBox::AcceptRole || takeTypedName()) {
            return;
        }
        // Refused: the dialog neither looks at the name nor closes, until the click has been handled.
        buttons->blockSignals(true);
        QMetaObject::invokeMethod(
            buttons, [buttons] { buttons->blockSignals(false); }, Qt::QueuedConnection);
    });
    // The dialog's own chooser would start in the folder the program was started from for a name
    // without its folder: the button opens the program's chooser instead.
    if (auto *browse = findChild<QAbstractButton *>(QStringLiteral("fileBrowser"))) {
        disconnect(browse, &QAbstractButton::clicked, nullptr, nullptr);
        connect(browse, &QAbstractButton::clicked, this, &PrintDialog::chooseFile);
    }
}

bool PrintDialog::takeTypedName() {
    // The field is enabled only while the file printer is chosen.
    auto *field = findChild<QLineEdit *>(QStringLiteral("filename"));
    if (field == nullptr || !field->isEnabled() || field->text().isEmpty() || field->text() == m_full) {
        return true;
    }
    const QString typed = field->text();
    const std::optional<QString> path = wholeName(field);
    if (!path) {
        return false;
    }
    // The dialog's own look at the file, and the name it gives the printer,
    // take a relative name as one in the home folder: the field gets the full
    // path, which it keeps should the user not replace that file.
    m_typed = typed;
    m_full = *path;
    field->setText(m_full);
    return true;
}

std::optional<QString> PrintDialog::wholeName(QLineEdit *field) {
    std::string refusal;
    const std::optional<std::string> path = typedNamePathIn(
        field->text().toStdString(), typedNamesFolder(m_folder).toStdString(), kPrintField, &refusal);
    if (!path) {
        QMessageBox::critical(this, applicationTitle(), displayMessage(refusal));
        field->setFocus();
        return std::nullopt;
    }
    return QString::fromStdString(*path);
}

void PrintDialog::chooseFile() {
    auto *field = findChild<QLineEdit *>(QStringLiteral("filename"));
    auto *printers = findChild<QComboBox *>(QStringLiteral("printers"));
    if (field == nullptr || printers == nullptr) {
        return;
    }
    QString start = typedNamesFolder(m_folder);
    if (!field->text().trimmed().isEmpty()) {
        const std::optional<QString> path = wholeName(field);
        if (!path) {
            return;
        }
        start = *path;
    }
    // Whether to replace the file chosen is asked as the print dialog takes it.
    FileChoiceDialog chooser(this, QPrintDialog::tr("Print To File ..."), start, QString(), kPrintField);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setOption(QFileDialog::DontConfirmOverwrite);
    if (chooser.exec() != QDialog::Accepted) {
        return;
    }
    const std::optional<std::string> chosen = chooser.chosenPath();
    if (!chosen || chosen->empty()) {
        return;
    }
    field->setText(QString::fromStdString(*chosen));
    printers->setCurrentIndex(printers->count() - 1); // the file printer, as the dialog's own chooser does
}

void PrintDialog::accept() {
    if (!takeTypedName()) {
        return;
    }
    QPrintDialog::accept();
    if (m_folder.isEmpty() && !m_full.isEmpty() && result() == QDialog::Accepted &&
        printer()->outputFileName() == m_full) {
        printer()->setOutputFileName(m_typed); // read again as above, and said where it went
    }
}

QString offeredPrintFile(const QString &folder, const QString &base) {
    static const QRegularExpression notInNames(QStringLiteral("[/\\\\:*?\"<>|\\x00-\\x1f]"));
    QString name = base.trimmed();
    name.replace(notInNames, QStringLiteral("_"));
    if (name.isEmpty()) {
        name = QStringLiteral("print");
    }
    name += QStringLiteral(".pdf");
    return folder.isEmpty() ? name : QDir(folder).filePath(name);
}

} // namespace vesk::ui
