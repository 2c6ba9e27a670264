#pragma once

// What the reference-list editors share: the Save, Restore, Help and Close
// buttons, the list-changed flag, the unload question, and the steps of a
// save with its backups (core/ListBackups.h) and the reload of the country's
// lists that follows it.
//
// A save refuses a list the readers could not load (the check of
// core/ListWriters.h) before anything is written. After a save or a restore
// the country's lists are loaded again with the open project's choices kept
// (ReloadCountryListsKeepingProject); when that load fails the user is told
// why and offered the list as it was before the save (X.ls0).
//
// Closing with unsaved changes asks "Changes have been made to the ...";
// Yes closes only when the save went through, No closes, Cancel stays.

#include "core/ListBackups.h"

#include <QDialog>
#include <string>
#include <vector>

class QHBoxLayout;
class QPushButton;
class QTableView;

namespace vesk {
class Interaction;
struct State;
} // namespace vesk

namespace vesk::ui {

class HelpSystem;

class ListEditorFrame : public QDialog {
    Q_OBJECT
public:
    // The buttons of the frame.
    QPushButton *btnSave = nullptr, *btnRestore = nullptr, *btnHelp = nullptr, *btnClose = nullptr;

    bool ListChanged = false;

    // The handlers; btnSave_Click returns true when everything asked for was saved.
    bool btnSave_Click();
    void btnRestore_Click();
    void btnHelp_Click();
    void btnClose_Click();
    void reject() override; // the close box and Esc

protected:
    ListEditorFrame(State &state, Interaction &ui, HelpSystem *help, int helpContext, QWidget *parent);

    // The editor's own save: true when the save went through (or there was
    // nothing the user wanted saved), false when it was refused, cancelled
    // or failed.
    virtual bool saveLists() = 0;
    // The editor's own restore (after its question).
    virtual void restoreLists() = 0;
    // The unload question; true when the editor may close. The default asks
    // about ListChanged with unloadText().
    virtual bool mayClose();
    // "Pollutants List" in "Changes have been made to the Pollutants List."
    virtual std::string unloadText() const = 0;

    // The frame's buttons in one row: Save, Restore, Help and Close. Called
    // once the editor's own buttons exist: from then on no button of the
    // editor is pressed by Enter, which belongs to the grids.
    QHBoxLayout *frameButtons();
    // Asks the unload question for one list; Yes saves. True when the form may close.
    bool askToSaveList(const std::string &changesText);

    // The steps of one list's save. listWord names the list in the question
    // ("Pollutants List"); problem is the writer's check ("" when fine).
    bool refuseProblem(const std::string &problem);
    bool makeBackup(const ListFileNames &names);
    // "A new ... will be created ...", OK or Cancel; OK is the default, so
    // Enter saves.
    bool confirmSave(const std::string &listWord, const ListFileNames &names);
    bool writeList(const ListFileNames &names, const std::string &text);
    // A list that a save writes along with the editor's own, so that the two
    // stay in step (the limit values that follow a changed unit or changed
    // percentile definitions); the user has agreed to it before.
    struct CompanionList {
        ListFileNames names;
        std::string text;
    };
    // The whole sequence for an editor of one list: check, .bak (of the
    // companions too), question, .ls0 and the new list, then the companions,
    // reload. When a companion cannot be written, the lists written before it
    // are put back from their .ls0. True when saved and reloaded.
    bool saveOneList(const std::string &listWord, const ListFileNames &names, const std::string &problem,
                     const std::string &text, const std::vector<CompanionList> &companions = {});
    // The restore of one list from its .bak; true when a copy was made.
    // Without a .bak nothing changes on disk. The companions are the lists
    // that go with the restored list (the limit values carried to the
    // restored units or percentiles): they are written first, each keeping
    // its .bak and .ls0; when one of them or the copy fails, those written
    // are put back from their .ls0 and nothing is restored.
    bool restoreOneList(const ListFileNames &names, const std::vector<CompanionList> &companions = {});
    // Loads the country's lists again; on failure offers the .ls0 of names
    // (when given). True when the lists loaded.
    bool reloadLists(const ListFileNames *names);
    bool reloadLists(const std::vector<ListFileNames> &names);
    // "An error occured when saving the file!" with the reason.
    void saveFailed(const std::string &why);
    // What to do about limit values a restore could not carry to the restored list.
    static constexpr const char *kCheckLimitValues = "Check them with Settings > Limit Values.";
    // "X.bak cannot be read: ... Nothing was restored." (a restore that reads
    // the backup first, to carry the limit values to it).
    void backupUnreadable(const ListFileNames &names, const std::string &error);
    // Puts the lists written back from their .ls0, after a later list of the
    // same save or restore failed; a line for each ("... was put back as it
    // was before <when>.", or why not).
    std::string putBackPreviousVersions(const std::vector<ListFileNames> &written, const std::string &when);
    // A value the grid refused ("Error entering data").
    void dataError(const QString &text);

    // Copies source into folder under its own name (a file of the folder
    // itself is not copied). When the folder holds a file of that name the
    // user is asked whether to replace it, or else for another name, asked
    // again while the name given is taken too; no name copies nothing, and
    // the list then names the file already there. *name receives the name
    // the list is to hold. False after a message when the copy failed.
    bool copyIntoFolder(const std::string &source, const std::string &folder, std::string *name);

    // A grid with the editors' settings: whole rows selectable, one at a time.
    QTableView *makeGrid(const char *name);

    const std::string &listsDir() const;

    State &m_state;
    Interaction &m_ui;
    HelpSystem *m_help;
    int m_helpContext;
    bool m_closing = false;
};

} // namespace vesk::ui
