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
    std::string LastInputDir, LastTrafficDir;                        // remembered, written after OK
};

class frmNewFileName : public QDialog {
    Q_OBJECT
public:
    frmNewFileName(FileChooserContext &context, Interaction &interaction, QWidget *parent = nullptr);

    // Optional preset of the name box.
    void setName(const QString &name);
    // The information line above the name box ("" hides nothing).
    void setInfoLine(const QString &text);

    // The table step for database and spreadsheet files: may turn the name
    // into a table address. Without it the name is taken as it stands.
    std::function<std::string(const std::string &)> selectDataTable;

    void btnBrowse_Click();
    void btnEndNewFileName_Click();
    void btnCancelNewFileName_Click();

    std::string NewFileName;

    // The filter and start folder of Browse for the current kind.
    QString browseFilter() const;
    std::string browseFolder() const;

    QLineEdit *nameBox() const { return txtNewFileName; }
    QPushButton *okButton() const { return btnEndNewFileName; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setupUi();
    void txtNewFileName_Change();

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
