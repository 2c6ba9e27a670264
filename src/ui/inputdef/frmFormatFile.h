#pragma once

// "Format File": the dialog in which the user writes the lists of one data
// file (FileFormatLists): which variable each column holds, the format and
// scaling lists and, for statistics files, the rows list with the file's
// output type.
//
// The dialog works only on the lists it is handed and hands them back; it
// never reads or writes the open project. Callers:
//
//   FormatDialogInput in;                 // kind, file name, lists, ...
//   if (auto lists = frmFormatFile::edit(tables, in, ui, help, parent)) {
//       ... store *lists where they belong ...
//   }
//
// The main window fills the input from the project (formatDialogInput) and
// stores the result with setFileFormatLists; a list editor or the new-project
// dialog can hand in lists of their own (MetBack.fmt, a new file) the same
// way without touching the project.

#include "calc/FormatLists.h"
#include "project/FileLists.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QListWidget;
class QPrinter;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace vesk {
class Interaction;
struct ReferenceTables;
struct State;
} // namespace vesk

namespace vesk::ui {

class FloatingFrame;
class ListTextBox;
class HelpSystem;

struct FormatDialogInput {
    int kind = 1;         // 1 hourly input, 2 hourly output, 4 statistics and other output
    std::string fileName; // the data file as listed (caption, header view, View File)
    std::string field;    // what fileName is, for messages ("entry 2 of the hourly input files")
    FileFormatLists lists;
    bool multiStreet = false;             // a multi-street project: statistics files are multi-street
    std::vector<std::string> projectList; // the lists "Load from Project" offers
    std::string workDir;                  // a file name without a folder, or with one, lies here
    std::string printFolder; // a print's file named without its folder lies here ("": no project)
    std::string metBackDir;  // an input's file name beginning ".\" lies here
    std::string listsDir;    // where saved format files are loaded from
    std::string appDir;      // the program's data tree: its files are replaced only when asked
    std::string decimalSeparator = ".";
};

// The dialog's input for file `position` (0-based) of list `kind` of the
// open project: its name and lists, the project's other lists, the folders.
FormatDialogInput formatDialogInput(const State &state, int kind, int position);

class frmFormatFile : public QDialog {
    Q_OBJECT
public:
    frmFormatFile(const ReferenceTables &tables, FormatDialogInput input, Interaction &interaction,
                  HelpSystem *help = nullptr, QWidget *parent = nullptr);
    ~frmFormatFile() override;

    // Shows the dialog modally: the lists at OK, nullopt when it was cancelled or closed.
    static std::optional<FileFormatLists> edit(const ReferenceTables &tables, const FormatDialogInput &input,
                                               Interaction &interaction, HelpSystem *help,
                                               QWidget *parent = nullptr);

    // The lists as the boxes hold them.
    FileFormatLists boxLists() const;
    // True when the boxes hold other lists than the dialog was handed.
    bool listsEdited() const;
    // The lists stored by OK (valid after an accepted dialog).
    const FileFormatLists &result() const { return m_result; }

    // ---- Set-up and the buttons
    void Form_Activate(); // the first activation fills and checks the boxes
    void Option1_Click(int index);
    void btnHelp_Click();
    void btnLoadList_Click(int index); // 0 "Load Saved List", 1 "Load from Project"
    void btnSave_Click();
    void btnEndFormat_Click();
    void btnCancel_Click();
    void btnViewFile_Click();

    // ---- Checks (the correction of unknown names runs while the user picks replacements)
    void CheckVariableList();
    bool correctionWaiting() const { return InCorrection; }

    // ---- Editing aids
    bool boxKeyPress(ListTextBox *box, QKeyEvent *event); // true swallows the key
    void boxDoubleClick(ListTextBox *box);
    void boxLostFocus(ListTextBox *box, QWidget *focusTo);
    void ListVariables_DblClick();
    void ListVariables_Escape();
    void btnDel_Click();
    void lstProjectList_DblClick();
    void lstProjectList_CopyEntry();

    // ---- Floating views
    void btnViewHeader_Click();
    void btnShowVariables_Click();
    void btnPrint_Click();
    // Prints the catalogue table; returns the number of pages (0 when the
    // printer failed, or a print into a file could not be saved: the reason
    // is shown; ui/common/PictureFile.h: PrintedFile).
    int printCatalogue(QPrinter &printer) const;
    // The print dialog: true when the user chose a printer. Tests set it.
    std::function<bool(QPrinter &)> choosePrinter;
    // The file viewer of "View File": shows the path. Tests set it.
    std::function<void(const std::string &)> showFile;

    // The file viewer's and header view's path of the data file.
    std::string dataFilePathOfInput() const;
    // True when the data file's name has a drive letter: the refusal has been shown.
    bool refusedDriveLetter();

    // Form state (names as the dialog knows them).
    bool Activated = false;
    bool TrackTyping = false;
    bool CheckBusy = false;
    bool ListChecked = false;
    bool InCorrection = false;
    bool ResetColour = false;
    bool Unloading = false;
    bool StatRowsError = false;
    bool HeaderFailed = false;
    bool ReselectOnMouseUp = false;
    std::string TypedWord;
    int WordStart = 0;
    int WordLength = 0;
    int CaretPos = 0;
    int ListLeft = 0;
    int ListTop = 0;
    ListTextBox *ActiveListBox = nullptr;
    std::vector<std::string> VarDescriptions; // entry k + 1 describes item k of ListVariables

    // Controls (object names are the control names).
    QGroupBox *Frame1 = nullptr;
    QLabel *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr;
    ListTextBox *boxVariables = nullptr, *boxFormats = nullptr, *boxUnits = nullptr, *boxRows = nullptr;
    QGroupBox *FrameOpt = nullptr;
    QRadioButton *Option1[3] = {};
    QListWidget *ListVariables = nullptr;
    QWidget *Frame2 = nullptr;
    QListWidget *lstProjectList = nullptr;
    QPushButton *btnShowVariables = nullptr, *btnDel = nullptr, *btnCancel = nullptr, *btnEndFormat = nullptr,
                *btnSave = nullptr, *btnViewHeader = nullptr, *btnViewFile = nullptr, *btnHelp = nullptr;
    QPushButton *btnLoadList[2] = {};
    FloatingFrame *Frame3 = nullptr, *Frame5 = nullptr;
    QTableWidget *MSFlexGrid1 = nullptr, *DataGrid1 = nullptr;
    QPushButton *btnPrint = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void setupUi();
    void setupFloatingFrames();
    void Form_Load();
    void fillKnownList(StatOutputType type);
    void setBoxText(ListTextBox *box, const std::string &text);
    static std::string boxText(const ListTextBox *box);
    void setTextRed(ListTextBox *box, bool red);
    QString WordAtCaret(ListTextBox *box);
    void ShowKnownList(int index, bool warn);
    void hideKnownList();
    void setListTop(ListTextBox *box);
    void startCheck(ListTextBox *box);
    void nextUnknown();
    void endCorrection();
    void afterListHidden();
    void setCorrectionControls(bool correcting);
    // The names of a checked list (the variables; the rows of a single-street
    // statistics file) that the known-variable list does not hold.
    std::vector<std::string> unknownNames(const ListTextBox *box) const;
    // OK only when no walk is under way and no checked list holds an unknown name.
    void updateOkButton();
    StatOutputType chosenOutputType() const;

    const ReferenceTables &m_tables;
    FormatDialogInput m_input;
    Interaction &m_interaction;
    QPointer<HelpSystem> m_help;
    std::vector<KnownVariable> m_known;
    FileFormatLists m_result;

    // The correction of unknown names under way.
    std::vector<UnknownName> m_unknown;
    std::size_t m_nextUnknown = 0;
    int m_notedLength = 0;
    bool m_waitingForPick = false;
    ListTextBox *m_correctionBox = nullptr;
    std::vector<ListTextBox *> m_pendingChecks;
    std::vector<QPointer<QWidget>> m_walkDisabled; // what the walk disabled, to be enabled after it
};

} // namespace vesk::ui
