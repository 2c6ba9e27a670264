#pragma once

// What the editors of the standard meteorology/background files (MetBack.lst)
// and of the standard traffic files (StrTrf.lst) share: the list of files
// with a show name and a help text each, Add, Change, Remove and View, the
// list's load (a missing list may be made from the template of the
// NewCountry folder) and its save with backups. A list that cannot be read
// is reported and cannot be saved over, so nothing of it is lost. A file is
// listed only when a calculation could read it: Add and Change read the
// chosen file as a run would and refuse it with the reader's message.

#include "project/StandardFileList.h"
#include "ui/listeditors/ListEditorFrame.h"

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QLineEdit;
class QPlainTextEdit;
class QVBoxLayout;

namespace vesk::ui {

class StandardFilesEditor : public ListEditorFrame {
    Q_OBJECT
public:
    QListWidget *lstFiles = nullptr; // "lstMetBack" or "lstTrafficFiles"
    QLineEdit *txtName = nullptr;
    QPlainTextEdit *txtHelp = nullptr;
    QPushButton *btnAddFile = nullptr, *btnChangeFile = nullptr, *btnRemove = nullptr, *btnView = nullptr;
    QPushButton *btnSpecial = nullptr; // "Format File" or "Traffic Editor"

    void btnAddFile_Click();
    void btnChangeFile_Click();
    void btnRemove_Click();
    void btnView_Click();
    void lstFiles_Click();
    // Enter in the list: Change File, or Add File when the list is empty.
    void lstFiles_Enter();

    const std::vector<StandardFile> &files() const { return m_files; }
    // Entry whose show name the last save found blank (0-based), -1 when none.
    int BlankNameRow = -1;

    // The file chooser (kind, caption, preset): the chosen path, "" when
    // cancelled. Defaults to the program's file name dialog; tests set it.
    std::function<std::string(int kind, const QString &caption, const QString &preset)> chooseDataFile;
    // Shows a file; defaults to the file viewer.
    std::function<void(const std::string &path)> viewFile;

    // What sets the two lists apart.
    struct Kind {
        StandardListKind list;
        const char *listFile; // "MetBack.lst"
        const char *listWord; // "List of Standard Meteorology and Background Files"
        const char *missing;  // the question when the list is missing
        const char *restore;  // the restore question
        int fileKind;         // of the file chooser: 1 input, 3 traffic
        const char *listName; // objectName of the list box
        const char *special;  // caption of the fourth button
        const char *specialName;
    };

protected:
    StandardFilesEditor(const Kind &kind, State &state, Interaction &ui, HelpSystem *help, int helpContext,
                        QWidget *parent);

    // The stored name for a chosen path, and the path of a stored name.
    virtual std::string storedName(const std::string &path) const = 0;
    virtual std::string pathOf(const std::string &stored) const = 0;
    virtual void specialClicked() = 0;
    // Why a calculation could not read the chosen file (a full path), "" when it could.
    virtual std::string fileProblem(const std::string &path) const = 0;
    // The chosen file may be listed; otherwise the reader's message is shown.
    bool acceptFile(const std::string &path);

    // Reads the list (asking to create a missing one); false when it could not be read.
    bool readList(bool askForMissing);
    void showFiles();
    int current() const;
    void selectEntry(int row);
    // The blank-name check of a save: true (after the message, the entry
    // selected) when an entry has no show name.
    bool refuseBlankName();
    // The list part of a save: the "no changes" and save questions, then
    // prepare (when given) on the entries to be written (it may change
    // their file names; false ends the save), the new list and the backup
    // of a list that was empty. True unless a step failed.
    bool saveFileList(const std::function<bool(std::vector<StandardFile> &files)> &prepare = nullptr);
    std::string listPath() const;
    bool eventFilter(QObject *watched, QEvent *event) override;

    Kind m_kind;
    std::vector<StandardFile> m_files;
    int LoadedFileCount = 0;
    bool m_readFailed = false;
    bool m_filling = false;
    QVBoxLayout *m_extra = nullptr; // room for the editor's own controls
};

} // namespace vesk::ui
