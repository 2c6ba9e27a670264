#pragma once

// "WinVESK Text Editor": a small plain-text editor for project files, option
// files and other short text files. It loads the whole file, asks before
// changes are discarded and saves the text as it stands: the same bytes for
// the same text (line ends and code page as the file had them, no line end
// added), through a temporary file and a rename. Open and save failures are
// reported; a failed save keeps the editor open with its text.

#include "project/TextDocument.h"

#include <QDialog>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class frmTextEditor : public QDialog {
    Q_OBJECT
public:
    // Opens path at once ("" starts an untitled text).
    frmTextEditor(const std::string &path, Interaction &interaction, QWidget *parent = nullptr);

    // Shows the editor modally on path. Returns true when the file was saved
    // under that name (the caller reads it again).
    static bool edit(const std::string &path, Interaction &interaction, QWidget *parent);

    // False when the file named at the start could not be opened (the
    // message has been shown); the editor is then not shown.
    bool opened() const { return m_opened; }
    // True once the text has been written to the file named at the start.
    bool savedOriginal() const { return m_savedOriginal; }

    // May the editor go on? Asks "Save changes to text?" when the text has
    // changed: Yes saves (false when the save failed or was cancelled), No
    // discards, Cancel stops.
    bool SaveChanges();
    bool OpenTextFile();
    bool SaveTextFile();

    void mnuFileNew_Click();
    void mnuFIleOpen_Click();
    void mnuFileSave_Click();
    void mnuSaveFileAs_Click();
    void mnuFileExit_Click();
    void mnuEdit_Show(); // the Edit menu opens: Paste, Copy and Cut follow clipboard and selection
    void mnuEditCopy_Click();
    void mnuEditCut_Click();
    void mnuEditPaste_Click();
    void mnuEditFont_Click();

    std::string FileName;
    std::string PreviousFileName;
    bool Changed = false;

    QPlainTextEdit *Text1 = nullptr;
    QMenuBar *menuBar = nullptr;
    QMenu *mnuEdit = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QAction *addItem(QMenu *menu, const char *name, const QString &caption);
    void setCaption();

    Interaction &m_interaction;
    TextDocument m_document; // line end and code page of the file loaded last
    std::string m_originalPath;
    bool m_opened = true;
    bool m_savedOriginal = false;
    bool m_exiting = false;
};

} // namespace vesk::ui
