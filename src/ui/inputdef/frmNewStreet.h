#pragma once

// "New Project": the dialog that completes a project just loaded from the
// template. It collects the street (a single street's configuration, a
// route file, or a set of streets with its map), the scenario year (fleet
// data generated for a year the country does not list), the city size, the
// traffic (a pre-defined diurnal type, a user traffic file, or traffic in the
// hourly files), the meteorology and background data (a pre-defined file or
// user files, described in the format dialog) and the optional output files.
//
// Every choice goes into the project state at once, so the project is
// complete when OK has checked it (project/NewProject.h); the main window
// shows it afterwards. Cancel and the close box leave no project, after the
// question "No new project will be created".
//
// The outside dialogs it opens (file chooser, format dialog, units, street
// editors, traffic editor) are reached through the std::function members so
// that tests can answer them; by default they show the real dialogs.

#include "project/FormatFiles.h"
#include "project/NewProject.h"
#include "ui/inputdef/frmFormatFile.h"
#include "ui/inputdef/frmStreetSet.h"

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace vesk {
class Interaction;
struct State;
} // namespace vesk

namespace vesk::ui {

class HelpSystem;

class frmNewStreet : public QDialog {
    Q_OBJECT
public:
    frmNewStreet(State &state, Interaction &interaction, HelpSystem *help, QWidget *parent = nullptr);

    // Shows the dialog modally on the project just loaded from the template;
    // true when OK created the project.
    static bool create(State &state, Interaction &interaction, HelpSystem *help, QWidget *parent);

    // ---- The outside dialogs (defaults: the real ones, modal)
    // A file name for list kind 1..4 ("" = cancelled).
    std::function<std::string(int kind, const QString &caption)> chooseFileName;
    // The format dialog on a new file's lists (nullopt = cancelled).
    std::function<std::optional<FileFormatLists>(const FormatDialogInput &)> formatFile;
    // The concentration units dialog; true when the user confirmed it.
    std::function<bool()> editUnits;
    // The single-street editor on the state's street; true when accepted.
    std::function<bool()> editStreet;
    // The street-set editor, started with the choice it may change.
    std::function<void(StreetSetChoice &)> editStreetSet;
    // The traffic editor on path (changed when the user saved another file);
    // true when the traffic data changed.
    std::function<bool(std::string &path)> editTraffic;

    // ---- Handlers (names of the controls they belong to)
    void Check1_Click();
    void Option2_Click(int index); // 1 pre-defined types, 2 user file, 3 hourly user files
    void cmbTrfType_Click(int index);
    void Option3_Click(int index); // 1 pre-defined meteorology and background, 2 user files
    void cmbMetBack_Click(int index);
    void btnLoadFile_Click(int index); // 1 traffic, 2 input, 3 hourly output, 4 statistics
    void btnRemove_Click(int index);   // 1 input, 2 hourly output, 3 statistics
    void btnEditTraffic_Click();
    void btnStreetConf_Click();
    void cmbYear_Click(int index);
    void cmbCitySize_Click(int index);
    void cmbCountry_DropDown(); // the country cannot be changed here
    // Enter in the daily traffic or speed box: true when the value was taken.
    bool txtNumber_Enter(QLineEdit *box);
    // Leaving it: true when the value was taken (or there was nothing to take).
    bool txtNumber_LostFocus(QLineEdit *box, QWidget *focusTo);
    void btnOK_Click();
    void btnCancel_Click();
    void btnHelp_Click();
    void menHelpL_Click(int index); // 0 English, 1 Danish
    void menUserGuide_Click();

    // ---- Dialog state (names as the dialog knows them)
    bool DialogReady = false;
    bool CloseOnActivate = false; // the set-up failed: the dialog cancels at once
    bool NewProjectAccepted = false;
    bool StdTrafficChosen = false, UserTrafficChosen = false, HourlyTrafficChosen = false;
    bool StdMetBackChosen = false, UserMetBackChosen = false;
    bool InputUnitsConfirmed = false, OutputUnitsConfirmed = false;
    bool StreetConfigDefined = false;
    double EnteredADT = 0, EnteredSpeed = 0;
    std::string UserTrafficFile;
    // User input files added here, with the lists given to them, so that
    // switching to a pre-defined file and back restores them whole.
    struct UserFile {
        std::string name;
        FileFormatLists lists;
    };
    std::vector<UserFile> UserMetBackFiles;
    std::vector<StandardFile> StdTraffic, StdMetBack;
    FileFormatLists MetBackLists; // MetBack.fmt
    QString MapCaption() const;

    // ---- Controls (object names are the control names; arrays by their indices)
    QScrollArea *Picture1 = nullptr;
    QWidget *FrameMain = nullptr;
    QLineEdit *txtStreetName = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *btnStreetConf = nullptr;
    QCheckBox *chkStreetConf = nullptr;
    QComboBox *cmbCountry = nullptr, *cmbYear = nullptr, *cmbCitySize = nullptr;
    QGroupBox *FrameMap = nullptr;
    QLabel *Image1 = nullptr, *lblMap = nullptr;
    QCheckBox *Check1 = nullptr;
    std::array<QRadioButton *, 4> Option2{}; // 1..3
    QComboBox *cmbTrfType = nullptr;
    QGroupBox *FrameSetTraffic = nullptr, *FrameADT = nullptr, *FrameTrafficFile = nullptr,
              *FrameSpeed = nullptr;
    QLineEdit *txtTrafficFile = nullptr, *txtADT = nullptr, *txtTrfSpeed = nullptr;
    QLabel *lblVehDay = nullptr, *lblNB = nullptr, *lblKmh = nullptr;
    QPushButton *btnEditTraffic = nullptr;
    std::array<QRadioButton *, 3> Option3{}; // 1..2
    QComboBox *cmbMetBack = nullptr;
    std::array<QPushButton *, 5> btnLoadFile{};  // 1..4
    std::array<QListWidget *, 4> lstFileNames{}; // 1..3
    std::array<QPushButton *, 4> btnRemove{};    // 1..3
    QGroupBox *FrameMetBack = nullptr, *Frame8 = nullptr, *Frame10 = nullptr;
    QWidget *Frame9 = nullptr, *Frame11 = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr, *btnHelp = nullptr;
    std::array<QAction *, 2> menHelpL{};

protected:
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setupUi();
    QWidget *setupStreetFrame();
    QWidget *setupTrafficFrame();
    QWidget *setupMetBackFrame();
    QWidget *setupOutputFrames();
    void setupHelpMenu();
    void Form_Load();
    void Form_Activate();
    void setBoxEnabled(QWidget *box, bool on);
    void updateEditTraffic();
    void setTrafficFile(const std::string &name); // "" removes it
    void trafficBoxesFollowFile();
    void removeAllInputFiles();
    void rememberUserFileLists();
    void addUserFile(int kind, const std::string &name);
    bool askFormat(int kind, int position);
    void askUnits(bool input);
    void showMap(const StreetSetChoice &choice);
    void focusOn(NewProjectFocus focus);
    NewProjectForm formState() const;
    bool takeNumber(QLineEdit *box);
    void comboEnter(QComboBox *box);
    std::string askFileName(int kind, const QString &caption);

    State &m_state;
    Interaction &m_interaction;
    QPointer<HelpSystem> m_help;
    bool m_comboChosen = false;
};

} // namespace vesk::ui
