#pragma once

// Documents the program does not show itself (the user's guide, a fleet
// database) are handed to the desktop's program for their kind. Before that
// the file must exist and the desktop must have such a program: the
// desktop's default for the file's type (xdg-mime), or one of the usual
// programs for the kind found on the PATH. Each failure has its own answer,
// so that the user learns whether the file or the program is missing.

#include <QString>
#include <string>

namespace vesk {
class Interaction;
}

namespace vesk::ui {

enum class DocumentOpening {
    Opened,
    FileMissing,   // no such file
    FolderMissing, // not even its folder
    NoViewer,      // the desktop has no program for the file's kind
    Failed,        // a program was found, but the desktop could not start it
};

// True when the desktop has a program that shows files of this one's kind.
bool desktopViewerFound(const QString &path);

// Opens the file with the desktop's program for its kind.
DocumentOpening openDocumentFile(const QString &path);

// The user's guide in the help language (Danish or English); the English
// guide when the Danish one is missing. appDir ends in "/".
QString userGuidePath(const std::string &appDir, bool danish);

// Opens the user's guide at path, or says why it could not: the file was not
// found, no PDF viewer was found (naming the file, to be opened by hand), or
// the viewer could not be started.
void showUserGuide(const QString &path, Interaction &ui);

} // namespace vesk::ui
