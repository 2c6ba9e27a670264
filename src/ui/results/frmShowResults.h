#pragma once

// The results summary of a single street: the key information of the run,
// a page list (the larger of both sides, then each side), the table of
// statistics against the limit values of the page shown, and the user's
// comments in a movable panel. It shows the results of the last run (or of
// one street of a multi-street run) and result files opened from disk, saves
// what it shows as a result file and prints it. The Window menu lists the
// current run and every file opened in the window; the checked item is the
// one shown.

#include "run/results/ResultFile.h"
#include "run/results/ResultsKeyInfo.h"
#include "run/results/ResultsTable.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QTableView;
class QToolBar;

namespace vesk {
struct State;
class Interaction;
class Settings;
} // namespace vesk

namespace vesk::ui {

class ResultsTableModel;

// The results the window calls "the current run": the program's last run,
// or one street of a multi-street run.
struct RunResults {
    results::StatSource source;
    results::KeyInfoFacts facts;
    double recHeight = 0; // receptor height of the street, m (named in the page list)
};

class frmShowResults : public QDialog {
    Q_OBJECT
public:
    frmShowResults(State &state, Interaction &interaction, Settings &settings, QWidget *parent = nullptr);
    ~frmShowResults() override;

    // The most lines of notes shown below the table at once; more scroll.
    static constexpr int kNoteLines = 4;

    // Shows run instead of the program's last run; call before Form_Load.
    void setRunResults(RunResults run) { m_run = std::move(run); }

    // Fills the window: from the file the user picks when OpenSavedResults is
    // set (false when none was opened: see OpenError), otherwise from the run.
    bool Form_Load();
    void ReLoad();
    void WriteResults();
    void RedrawTable();
    void ShowNew();
    void cmbPage_Click(int index);

    // File menu and toolbar.
    void menSave_Click();
    void menOpen_Click();
    void menPrint_Click();
    // Prints the pages of the printer's page range (1 = the page of all
    // receptors; none set = every page) and returns the text lines printed.
    // A print into a file is saved as every file is (ui/common/PictureFile.h:
    // PrintedFile); where that is refused, the reason is shown and no line
    // is returned.
    std::vector<QString> printResults(QPrinter &printer);
    // The PDF the print dialog proposes: "<street>_results.pdf" in the
    // project's folder (characters no file name may hold become "_").
    QString proposedPdfName() const;
    void Toolbar1_ButtonClick(const QString &key);

    // Window and Format menus.
    void menNewFile_Click(int index);
    void menNumbers_Click();
    void menColumns_Click();

    // Comments panel.
    void btnComments_Click();
    void btnClose_Click();
    // Hands the comments of the run shown back to the run and ends a file's display (once).
    void Form_Unload();

    // The printer choice (the print dialog); false when cancelled.
    std::function<bool(QPrinter &)> choosePrinter;
    // Shows a help topic by its context number (Help menu, F1); none = no help.
    std::function<void(long)> showHelp;
    static constexpr long kHelpContext = 601;

    // Window state.
    int CurrentPage = 0;
    int LastPageIndex = 2;
    bool SuppressPageClick = false;
    int GridWidth = 0, GridHeight = 0; // twips
    std::string ResultComments;
    std::string LastResultFolder;
    int FileItemCount = 0, OpenedItem = 0, ShownItem = 0;
    bool OpenNamedFile = false;
    results::ResultFileContents PageLines; // the pages of the opened result file
    // A failed open: 32755 when the file dialog was cancelled, 1 when the
    // file could not be read (OpenErrorText says why), 0 after a success.
    long OpenError = 0;
    std::string OpenErrorText;

    // Controls (object names are the control names).
    QToolBar *Toolbar1 = nullptr;
    QPlainTextEdit *txtKeyInfo = nullptr;
    QComboBox *cmbPage = nullptr;
    QPushButton *btnComments = nullptr;
    QTableView *MSFlexGrid1 = nullptr;
    QPlainTextEdit *lblNotes = nullptr; // the page's notes, at most kNoteLines high
    QFrame *Frame1 = nullptr;
    QFrame *Frame4 = nullptr;
    QPlainTextEdit *txtComments = nullptr;
    QPushButton *btnClose = nullptr;
    QMenu *menWindow = nullptr;
    QAction *menColumns = nullptr;
    std::vector<QAction *> menNewFile; // 0 = the current run

    ResultsTableModel *model() const { return m_model; }

protected:
    void done(int result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUi();
    QAction *addWindowItem(const QString &caption);
    // Reads a result file into the window; false (nothing changed) when it cannot be read.
    bool openResultFile(const std::string &path, bool named);
    void checkWindowItem(int index);
    void showPage(results::ResultsPage page);
    void showNotes(const std::vector<std::string> &notes);
    void fitNotes();
    results::ResultsPage pageFor(int page) const;
    // What a result file keeps of page: every column, numbers in full.
    results::PageTexts fileTexts(int page) const;
    void fillPageList(const std::vector<std::string> &names);
    std::string commentsText() const;
    void FitGrid();
    void fitToTable(); // the window as wide as its table, as far as the screen allows
    void showRunKeyInfo();
    void placeCommentsPanel();

    State &m_state;
    Interaction &m_interaction;
    Settings &m_settings;
    RunResults m_run;
    std::string m_streetShown; // the street of the results shown
    ResultsTableModel *m_model = nullptr;
    bool m_dragging = false;
    bool m_unloaded = false;
    QPoint m_dragStart;
};

} // namespace vesk::ui
