#include "ui/common/DesktopDocuments.h"

#include "core/Interaction.h"
#include "core/TextIO.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace vesk::ui {

namespace {

// The usual programs for a kind of file, when the desktop names no default.
QStringList usualPrograms(const QMimeType &type) {
    const QStringList browsers = {QStringLiteral("firefox"), QStringLiteral("firefox-esr"),
                                  QStringLiteral("chromium"), QStringLiteral("google-chrome")};
    if (type.inherits(QStringLiteral("application/pdf"))) {
        return QStringList{
                   QStringLiteral("evince"),  QStringLiteral("okular"),   QStringLiteral("atril"),
                   QStringLiteral("xreader"), QStringLiteral("qpdfview"), QStringLiteral("zathura"),
                   QStringLiteral("mupdf"),   QStringLiteral("xpdf"),     QStringLiteral("epdfview")} +
               browsers;
    }
    return QStringList{QStringLiteral("libreoffice"), QStringLiteral("soffice"), QStringLiteral("gnumeric")};
}

// The desktop's default program for a type, by xdg-mime ("" when none or no xdg-mime).
QString desktopDefault(const QString &mimeType) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) {
        return QString();
    }
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForFinished(3000) || query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(1000);
        return QString();
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
}

} // namespace

bool desktopViewerFound(const QString &path) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (!desktopDefault(type.name()).isEmpty()) {
        return true;
    }
    for (const QString &program : usualPrograms(type)) {
        if (!QStandardPaths::findExecutable(program).isEmpty()) {
            return true;
        }
    }
    return false;
}

DocumentOpening openDocumentFile(const QString &path) {
    const QFileInfo file(path);
    if (!file.isFile()) {
        return file.absoluteDir().exists() ? DocumentOpening::FileMissing : DocumentOpening::FolderMissing;
    }
    if (!desktopViewerFound(path)) {
        return DocumentOpening::NoViewer;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath())) ? DocumentOpening::Opened
                                                                                   : DocumentOpening::Failed;
}

QString userGuidePath(const std::string &appDir, bool danish) {
    const QString help = QString::fromStdString(appDir) + QStringLiteral("Help/");
    const QString english = help + QStringLiteral("VESKUserGuideEN.pdf");
    const QString own = help + QStringLiteral("VESKUserGuideDK.pdf");
    return danish && QFileInfo::exists(own) ? own : english; // the guide may be written in English only
}

void showUserGuide(const QString &path, Interaction &ui) {
    const std::string file = QDir::toNativeSeparators(path).toStdString();
    switch (openDocumentFile(path)) {
    case DocumentOpening::Opened:
        return;
    case DocumentOpening::FileMissing:
    case DocumentOpening::FolderMissing:
        ui.message(std::string("The User's Guide was not found:") + kCrLf + file, Icon::Exclamation);
        return;
    case DocumentOpening::NoViewer:
        ui.message(std::string("No PDF viewer was found to show the User's Guide.") + kCrLf +
                       "The guide is the file" + kCrLf + file + kCrLf +
                       "Open it with a program that shows PDF files, or install one.",
                   Icon::Exclamation);
        return;
    case DocumentOpening::Failed:
        ui.message("The User's Guide " + file + " could not be opened.", Icon::Exclamation);
        return;
    }
}

} // namespace vesk::ui
