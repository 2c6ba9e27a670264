#pragma once

// The main window: projects, the four file lists, the two calculation modes,
// run control, Special Mode winds, the calculation period, the street data
// panel, menus and toolbar. The handlers keep the names of the commands they
// carry out (menOpen_Click, btnRun_Click, ...); each menu action hands its
// work to a handler or a form.

#include "run/RunControl.h"
#include "ui/editors/EditorCalls.h"
#include "ui/mainwindow/RunThread.h"
#include "ui/mainwindow/WrappingToolBar.h"
#include "ui/settings/CountryAdding.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolBar;
class QWidget;
class QFormLayout;
class QGridLayout;
class QVBoxLayout;

namespace vesk {
namespace results {
class StreetResultsStore;
}
struct LoadResult;
struct State;
struct StoredFileNames;
struct ToolCommandLine;
class Interaction;
class Settings;
} // namespace vesk

namespace vesk::ui {

class HelpSystem;
class frmListEditor;
class frmTrafficEditor;
class StreetSketchPanel;
class FileCheckList;
class LogoBox;
class CountryComboBox;
class MDIGraphics;

class frmRun : public QMainWindow {
    Q_OBJECT
public:
    frmRun(State &state, Interaction &interaction, Settings &settings, QWidget *parent = nullptr);
    ~frmRun() override;

    State &state() { return m_state; }
    HelpSystem &help() { return *m_help; }

    // Why a command is disabled, as its status tip (and a toolbar key's tooltip) tells.
    QString whyDisabled(QAction *action) const;
    // Menu items and toolbar keys by name (toolbar keys compared without regard to case).
    QAction *action(const QString &name) const;
    QAction *toolbarKey(const QString &key) const;
    QMenu *menu(const QString &name) const;

    // ---- Help (help menu, Help button, What's This)
    void menHelpContents_Click();
    void menHelpIndex_Click();
    void menHelpOnHelp_Click();
    void btnHelp_Click();
    void menUserGuide_Click();
    void menHelpL_Click(int index);
    void menBtnWhatsThis_Click();
    void menAbout_Click();
    void menWebVESK_Click();
    void showFrameContextMenu(QWidget *frame, const QPoint &globalPos);
    QWidget *WhatsThisTarget = nullptr;

    // ---- Street sketch and street configuration (frmRunStreet.cpp)
    void menEditStreetConfiguration_Click();
    void editStreetSet(); // the street set of a multi-street project
    // Shows the street values of the state in the street data panel and draws the sketch.
    void showStreetData();

    // ---- Toolbar
    void Toolbar1_ButtonClick(const QString &key);

    // ---- Special Mode graphs: the graph frame, created on first use (frmRunGraphics.cpp)
    void menGraphic_Click();
    MDIGraphics *graphicsFrame() const;
    // The graphs open when a run ends: those whose data the run rewrote are drawn again.
    void refreshGraphs();
    // Closes the graph frame with its graphs: New, Open and Close leave the project they plot.
    void closeProjectWindows();

    // ---- Mode switches and run control
    void btnGeneric_Click();
    void btnSeries_Click();
    void btnReturnStd_Click();
    void btnRun_Click();
    void btnPause_Click();
    void btnContinue_Click();
    void btnStop_Click();
    // Special Mode computes the project's one street: route and multi-street
    // projects have none, so neither the Mode menu nor Start Special offers it.
    bool specialModeAllowed() const;
    // Enables or disables the Mode menu; it stays disabled where Special Mode is not allowed.
    void enableModeMenu(bool on);
    bool CalcResultsEnabled = false;
    bool SpecialResultsEnabled = false;
    bool PauseRequested = false;
    bool StopRequested = false;
    // The two runs; Run stays disabled while the one of the current mode is missing.
    RunEntry runCalculation;
    RunEntry runSpecialMode;
    bool isRunning() const;
    // Waits (handling events) until the current run has returned; tests and closing use it.
    void waitForRun();
    RunControl &runControl() { return m_control; }
    // Run is available exactly when an hourly input file is checked (Calculation mode).
    void applyRunButtonRule();
    // The traffic file as a path ("" when there is none).
    QString trafficPath() const;
    // The path the run reads a streets or route file from, for the label that names it.
    QString workInputLabel(const std::string &stored) const;
    void trafficRefresh();
    // Pending window events are handled (the engine's "let the event loop run once").
    static void doEvents();

    // ---- Special Mode wind editing
    void btnEditWind_Click();
    void btnEndEditWind_Click();
    void btnCancelEditWind_Click();
    bool Text1_Check(int index, bool withIndex); // true when the box holds a valid speed
    bool Text2_LostFocus(int index);             // true when the box holds a valid direction
    void Check1_Click(int index);
    std::array<QString, 9> SavedWindText;
    std::array<bool, 9> SavedWindChecked{};

    // ---- Calculation period
    void chkAuto_Click(int which); // 0 start, 1 end
    bool mEdit_LostFocus(int which);
    bool txtHour_LostFocus(int which);

    // ---- Start-up. Form_Load returns false when the program is to end.
    bool Form_Load(const QStringList &arguments);
    void Form_Activate();

    // ---- Project display
    void UpdateProjectDisplay();
    static QString unitCaption(const std::string &unitCode);
    void showProjectLoaded(); // menus, panel and mode after a project was loaded or created
    void setUpEmissions();    // the emission set-up of the loaded project and what it shows
    void fillFileLists();     // the four lists from the state
    void fillYearBox();
    bool CityListFilling = false;
    std::array<double, 2> KeptTrafficValues{0, 0};

    // ---- Street data panel
    void txtTraffic_Edited(int which); // 0 ADT, 1 speed
    bool txtTraffic_LostFocus(int which);
    // Whether the user has typed into a traffic box since it was last left or
    // filled by code, and the box's value before that typing.
    std::array<bool, 2> m_trafficTyped{false, false};
    std::array<double, 2> m_trafficBeforeTyping{0, 0};
    void cmbCitySize_Click(int index);
    void cmbYear_Click(int index);

    // ---- Recent files and country box
    void refreshMRUMenu();
    void menMRU_Click(int index);
    void cmbCountry_Click(int index);
    void cmbCountry_DropDownRefused();
    bool CountryClicked = false;

    // ---- Menu commands of the project and settings menus
    void menRefresh_Click();
    void menSetCNDFile_Click();
    void menInpBackg_Click();
    void menModBackg_Click();
    void menLastResults_Click();

    // ---- Traffic file, vehicle and fuel lists and the two tool programs (frmRunEditors.cpp)
    // With ReadTrafficOnly set: reads the traffic file's properties (after the
    // traffic file changed); otherwise the traffic editor on the traffic file.
    void menEditTrf_Click();
    void menOpenTrf_Click(); // the traffic editor program (its files are not the project's)
    void menNewTrfFile_Click();
    void menOpenVehicleList_Click();
    void menOpenFuelList_Click();
    void menEditVehicleList_Click();
    void menEditFuelList_Click();
    void menEditTarvik_Click(); // the emission-factor program
    void menEditCNDFile_Click();
    // The traffic editor on the project's traffic file, asked to save it (the
    // save questions of New, Open, Close and Exit): true when it is saved.
    bool saveTrafficFileThroughEditor();
    bool RenewEmissions = false;
    TrafficEditorData TrafficEditData; // what the traffic editor reported last
    // The editors run modally; tests work the real dialogs offscreen instead.
    std::function<void(frmTrafficEditor &)> runTrafficEditor;
    std::function<void(frmListEditor &)> runListEditor;
    // Starts a separate program with an argument list (default: a detached
    // process); false when it could not be started.
    std::function<bool(const QString &program, const QStringList &arguments)> startProgram;

    // ---- Settings dialogs (frmRunSettings.cpp)
    void menOptions_Click();
    void menEmission_Click();
    void menConcUnit_Click();
    // The reference-list editors of the Settings menu, by menu item name
    // ("menPollutants", ..., "menScenarios").
    void menListEditor_Click(const QString &name);
    // "Add New" in the country box: adds a country and makes it current when
    // its lists load. False when no country was added or its lists failed.
    bool addNewCountryFromBox();
    // The adding's own dialogs (data option, package folder); tests script them.
    CountryAddingWindows countryAddingWindows;

    // ---- Results (frmRunResults.cpp)
    void menOpenSavedSingle_Click();
    void menOpenSavedMulti_Click();
    // The streets of a multi-street run (or of a saved file of them).
    void showMultiStreetResults(std::shared_ptr<results::StreetResultsStore> store);
    void showResultsSummary(); // the results window of the last Calculation-mode run
    // Results enabled after a run that wrote its statistics, and shown when the options ask for it
    // (not when the run was stopped for the window to close).
    void resultsAfterRun();
    // Shows a results window modally; tests replace it to look at the window instead.
    std::function<void(QDialog &)> showResultsWindow;
    void showModalWindow(QDialog &window);

    // ---- Project lifecycle
    bool Form_Unload(); // false when the user cancelled
    void menNew_Click();
    void menOpen_Click();
    bool askOptionFileBeforeOpen();
    void menClose_Click();
    void menSave_Click();
    void menSaveAs_Click();
    void menExit_Click();
    void closeToEmptyState(); // the window without a project
    // Results disabled in both modes, the status line cleared: the project shown has not run.
    void forgetResults();
    // After a load that asked to edit the damaged project file: the text
    // editor on it. True when the file was saved (the caller loads it again).
    bool editDamagedProject(const LoadResult &result);
    // Tests skip the program start-up (they set the state up themselves).
    bool m_skipInitProgram = false;
    // Replaces the new-project dialog (tests): false when it was cancelled.
    std::function<bool()> showNewStreetDialog;

    // ---- File lists
    void List1_Click(int kind);
    void List1_LostFocus(int kind);
    void btnAddFile_Click();
    void btnChangeFile_Click();
    // A run found entry k (1..) of the statistics files without its table and
    // the user chose to define it now: the entry is selected and Change File
    // opened for it. False when there is no such entry.
    bool defineStatTable(int k);
    void btnRemove_Click();
    void btnFormatFile_Click();
    void List1_DblClick(int kind);    // the format dialog for the selected file (kind 3: the traffic editor)
    void MoveUpDown_Click(int index); // 1 up, 2 down
    void TestVariableList();
    void fillFileList(int kind);
    // The traffic file's own kind, traffic and speed read into the state (a traffic file was named).
    void readTrafficProperties();
    // The name the file dialog would return; tests and callers that know the name set it.
    std::function<std::string(int kind, const QString &caption, const QString &info)> chooseFileName;

    // ---- Layout (frmRunResize.cpp)
    // The cheap part of a resize, at once: the window kept at least 1.02 x the
    // main frame's width, the frame and the product word centred; then the
    // delayed re-layout is asked for.
    void Form_Resize();
    // The delayed re-layout, once the event loop is idle after a resize: the
    // toolbar wrapped into its rows, the window kept at least 1.1 x (toolbar +
    // frame) high, the frame placed below the toolbar, the country box and the
    // mode button placed on the toolbar's last row.
    void TimerSize_Timer();
    // The room the screen leaves for the window (available geometry, screen
    // coordinates); tests put the window on screens of other sizes.
    std::function<QRect()> screenRoom;
    // What the window system's frame and title bar add to the window's size
    // once it has given the window one; tests fake a frame.
    std::function<QSize()> windowFrameSize;
    // The size a window of size takes once the window system's frame
    // (decoration) is known, on a screen whose room is screen: where the
    // window is larger than the room the frame leaves but no larger than the
    // whole room (as large as the layout rules may have made it before the
    // frame was known), it takes the room left; elsewhere it keeps its size.
    static QSize fittedToFrame(QSize size, QSize decoration, QSize screen);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class frmRunTestAccess;
    // The file dialog of Add and Change: the chosen name, "" when cancelled.
    // Kind -1 asks for a vehicle (openListKind 1) or fuel list (2), preset with its current name.
    std::string askFileName(int kind, const QString &caption, const QString &infoLine, int openListKind = 1,
                            const QString &preset = {});
    void runFinished();
    // Locks (true) or unlocks what a run takes its inputs and the labels of
    // its results from: the file lists, the traffic and emission data, the
    // ADT, speed and city size boxes, the country and the list editors.
    void lockRunInputs(bool locked);
    // Gives the window back once the run has returned, whichever way it ended.
    void unlockAfterRun();
    std::string trafficDir() const;
    // The vehicle or fuel list choice of the Project menu (kind 1 or 2).
    void chooseListFile(int kind);
    // After a list editor returned: the list file kept or replaced, the emissions set up again.
    void listEdited(int kind, const std::string &oldName, const std::string &newName, bool saved,
                    long errorCode);
    // The emission-factor and traffic editor programs: this program with a tool option.
    void startTool(const ToolCommandLine &line, const QString &what);
    void showListFiles(); // the vehicle and fuel list labels, the commands that need them
    // After a save that may have given the project another folder: where the
    // stored names differ from shown, the lists and labels show them anew.
    void showStoredNames(const StoredFileNames &shown);
    bool noUrbEmiData() const;
    void showWindValues();
    bool handleBoxEvent(QObject *watched, QEvent *event);
    bool handleListPress(QObject *watched, QEvent *event);
    // Whether the file list of kind takes files: the mode switch disables the
    // lists a kind of project has no use for (a multi-street project's hourly
    // outputs, a route project's statistics files, the traffic files of both);
    // they are neither selected nor given a file. A run's lock of the frame
    // does not count.
    bool listTakesFiles(int kind) const;
    void showProgress(double fraction, const QString &text);
    void showHour(int day, int month, int hour);
    // Empties the status line and the progress boxes: a new project or run starts afresh.
    void clearRunStatus();
    bool validateWindBoxes();
    // The refusal naming the first box whose value a run would take that holds
    // an invalid one (*box: that box); empty when every box is valid.
    QString invalidBoxBeforeRun(QLineEdit **box) const;
    // True while the check of a box left for Run runs: Run's refusal names the
    // box, so the box's own check stays quiet (one message, not two stacked).
    bool runWillNameTheBox() const { return m_boxLeftForRun; }
    bool m_boxLeftForRun = false;
    void copyPeriodToState();
    RunControl m_control;
    RunThread *m_runThread = nullptr;
    bool m_stoppingToClose = false; // the run is being stopped for the window to close
    QPointer<MDIGraphics> m_graphics;
    bool m_checking = false;

    void setupUi();
    void setupMenus();
    void setupToolbar();
    void setupFilesFrame(QWidget *parent, QVBoxLayout *column);
    void setupStreetFrames(QWidget *parent);
    void setupSpecialFrames(QWidget *parent);
    void setupPeriodFrame(QWidget *parent);
    void setupRunFrame(QWidget *parent);
    void connectSignals();
    void connectMenus();
    void connectStreetSketch();

    QAction *addMenuAction(QMenu *menu, const char *name, const QString &caption);
    // Commands and their reasons when disabled (frmRunCommands.cpp).
    void enableCommand(QAction *action, bool on);
    void enableKey(const QString &key, bool on);
    // The tooltip of a toolbar key; a disabled key adds its reason.
    void setCommandTip(QAction *action, const QString &tip);
    void connectDisabledReasons();
    void refreshDisabledReasons();
    void showWhyDisabled(QAction *action);
    bool projectShown() const;
    bool m_showingReason = false;
    void setMenuEnabled(QMenu *menu, bool on);
    void setMenuVisible(QMenu *menu, bool on);
    void setBoxEnabled(QWidget *box, bool on); // enabled with white, disabled with button-face background
    void setTextColour(QLineEdit *box, bool red);
    void placeFrame3(bool special);
    void placeStreetFrame(bool special);
    // The street panel's traffic rows: the time series' traffic, or Special Mode's own.
    void showTrafficOfMode();

    State &m_state;
    Interaction &m_interaction;
    Settings &m_settings;
    HelpSystem *m_help = nullptr;
    std::map<QString, QAction *> m_keys; // lower-case key -> action
    QString m_normalTextColour;
    QTimer *TimerSize = nullptr;
    bool ResizeInProgress = false;
    QSize frameDesignSize() const;
    // Brings the layouts inside the main frame up to date at once, innermost first.
    void settleFrameLayouts();
    QRect screenRect() const;
    QSize decorationSize() const;
    QSize m_decorationLaidOut{0, 0}; // the frame the window's size was last fitted to the screen with
    // Once the window system has given the window its frame (or another one),
    // the window is fitted to the screen's room again and laid out anew.
    void followWindowFrame();
    QSize roomForWindow() const;
    void activateLayouts();
    bool inNormalState() const; // neither minimised, maximised nor full screen
    int leastWidth() const;
    int leastClientHeight() const; // below the menu bar: toolbar and scrolled area
    void placeFrame0();
    void placeCountryBox();
    QWidget *m_centralArea = nullptr; // the scrolled area that holds the main frame and the product word

public:
    // Widgets (object names are the control names).
    WrappingToolBar *Toolbar1 = nullptr;
    CountryComboBox *cmbCountry = nullptr;
    QPushButton *btnReturnStd = nullptr;
    LogoBox *boxLabel = nullptr;
    QWidget *Frame0 = nullptr;
    QGroupBox *Frame7 = nullptr, *Frame8 = nullptr, *Frame9 = nullptr;
    QWidget *Frame10 = nullptr;
    std::array<FileCheckList *, 5> List1{};
    QPushButton *btnAddFile = nullptr, *btnRemove = nullptr, *btnChangeFile = nullptr,
                *btnFormatFile = nullptr;
    std::array<QPushButton *, 3> MoveUpDown{};
    std::array<QLabel *, 3> Label2{};
    QLabel *Label22 = nullptr;
    QGroupBox *Frame12 = nullptr;
    QComboBox *cmbYear = nullptr;
    QLineEdit *txtCat = nullptr;
    std::array<QLabel *, 2> lblFleet{}, lblFuel{};
    QLabel *Label3 = nullptr, *Label4 = nullptr;
    QGroupBox *FrameStreetData = nullptr;
    std::array<QLabel *, 2> Label11{}, Label12{}, Label13{}, Label14{};
    QWidget *picSketch = nullptr; // the sketch box of sketchPanel
    StreetSketchPanel *sketchPanel = nullptr;
    QLineEdit *txtADT = nullptr, *txtSpeed = nullptr;
    QComboBox *cmbCitySize = nullptr;
    QLabel *lblSpecialTraffic = nullptr, *lblSpecialSpeed = nullptr; // Special Mode's own traffic
    QGroupBox *FrameConcUnits = nullptr;
    QGridLayout *concUnitsGrid = nullptr;
    QGroupBox *FrameEmitters = nullptr;
    QListWidget *lstEmitters = nullptr;
    QGroupBox *FrameStartEnd = nullptr;
    QWidget *FrameStart = nullptr, *FrameEnd = nullptr;
    QCheckBox *chkStartAuto = nullptr, *chkEndAuto = nullptr;
    QLineEdit *mEditStart = nullptr, *mEditEnd = nullptr, *txtHourStart = nullptr, *txtHourEnd = nullptr;
    QLabel *lblStart = nullptr, *lblEnd = nullptr;
    QGroupBox *Frame5 = nullptr;
    std::array<QLineEdit *, 9> Text1{};
    std::array<QCheckBox *, 9> Check1{};
    std::array<QLineEdit *, 4> Text2{};
    QPushButton *btnEditWind = nullptr, *btnEndEditWind = nullptr, *btnCancelEditWind = nullptr;
    QGroupBox *Frame1 = nullptr;
    std::array<QLineEdit *, 3> Text0{};
    QGroupBox *frmboxStreet3D = nullptr;
    QWidget *Frame3 = nullptr;
    QPushButton *btnRun = nullptr, *btnPause = nullptr, *btnContinue = nullptr, *btnStop = nullptr,
                *btnHelp = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *lblProgress = nullptr;
    QMenu *menEdit3D = nullptr;
    QMenu *menBtnContextMenu = nullptr;

private:
    QVBoxLayout *m_leftColumn = nullptr;
    QVBoxLayout *m_rightColumn = nullptr;
    QWidget *m_streetRow = nullptr;
    QVBoxLayout *m_box3DLayout = nullptr;
    QFormLayout *m_trafficForm = nullptr;
    QWidget *m_streetTraffic = nullptr; // holds the ADT, speed and city size boxes
};

} // namespace vesk::ui
