#pragma once

// Asks for one file name or one folder on behalf of a caller. The caller says
// what is wanted by the kind (1 to 4: a file of that list, 0: a folder, -1: a
// vehicle or fuel list file) and reads the result from NewFileName, where ""
// means that nothing was chosen.

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

struct FileChooserContext {
    int SelectedFileKind = 1;
    int OpenListKind = 1; // kind -1: 1 vehicle list, 2 fuel list
    int CitySize = -1;
    std::string WorkDir, LastPath, MetBackDir, TrafficDir, ListsDir; // folders
    std::string AppDir; // the program folder: where a name with a folder is read when WorkDir lacks it
    std::string LastInputDir, LastTrafficDir; // remembered, written after OK
    // How the refusal of a name with a drive letter names the field ("" = by
    // kind: "the hourly input file", ..., "the working folder" for kind 0,
    // "the vehicle list" or "the fuel list" for kind -1).
    std::string Field;
};

// The name a project stores for the name chosen in the dialog (for the
// context's kind): a file in WorkDir or below it without WorkDir, a file in
// the national folder of its kind (MetBackDir for hourly input files,
// TrafficDir for traffic files, ListsDir for vehicle and fuel lists; outputs
// and statistics have none) as ".\" and the rest, any other as chosen; a
// table address keeps its table. "" stays "".
std::string storedFileChoice(const FileChooserContext &context, const std::string &chosen);

class frmNewFileName : public QDialog {
    Q_OBJECT
public:
    frmNewFileName(FileChooserContext &context, Interaction &interaction, QWidget *parent = nullptr);

    // Optional preset of the name box.
    void setName(const QString &name);
    // The information line above the name box ("" hides nothing).
    void setInfoLine(const QString &text);

    // The table step of OK for database and spreadsheet files (kinds 1 to 4):
    // a plain file or a finished table address is accepted (Excel tables end
    // in "$", Lotus tables in ":") and the dialog closes; a database or
    // spreadsheet file without a table gets its table appended to the name
    // box (its only table at once with the hint "Press OK to accept the
    // file", else the one picked in the table chooser), and the next OK
    // accepts the address. A name with a drive letter is refused with a
    // message, looked up nowhere, and the dialog stays open.
    void SelectDataTable(const std::string &name);
    // Whether name has a drive letter, as typed or as a file dialog gave it
    // back behind the folder it showed (typedDriveLetterName): then the run's
    // refusal naming it and the field has been shown, and the name is taken
    // nowhere (OK and Browse refuse it; the dialog stays open).
    bool refuseDriveLetter(const std::string &name);
    // The table chooser: the accepted table, "" when cancelled. Tests set it.
    std::function<QString(const QStringList &tables)> chooseTable;
    // Set by the table step while it runs and after an unexpected failure:
    // the next OK then takes the name box as it stands.
    bool AcceptAsIs = false;

    void btnBrowse_Click();
    void btnEndNewFileName_Click();
    void btnCancelNewFileName_Click();

    std::string NewFileName;

    // The filter and start folder of Browse for the current kind.
    QString browseFilter() const;
    std::string browseFolder() const;

    QLineEdit *nameBox() const { return txtNewFileName; }
    QPushButton *okButton() const { return btnEndNewFileName; }
    QLabel *infoLabel() const { return lblInfo; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setupUi();
    void txtNewFileName_Change();
    // What the name names, for a refusal: the context's Field, else the kind's ("the hourly output file").
    std::string field() const;

    FileChooserContext &m_context;
    Interaction &m_interaction;
    QLabel *lblMessage = nullptr;
    QLabel *lblFileInfo = nullptr;
    QLineEdit *txtNewFileName = nullptr;
    QPushButton *btnBrowse = nullptr;
    QPushButton *btnEndNewFileName = nullptr;
    QPushButton *btnCancelNewFileName = nullptr;
    QLabel *lblInfo = nullptr;
};

} // namespace vesk::ui
