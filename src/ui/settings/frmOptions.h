#pragma once

// The options dialog: model switches, the NO2 chemistry and background of
// Special Mode, normalisation, the statistics families and the results
// summary, on eight tabs of which each calculation mode offers its own. Every
// accepted edit goes into the state at once; Cancel, Reset and a discarded
// close put back the values of the opening. The dialog writes no file: the
// main window saves Run.opt when OptionFileChanged says so.

#include "project/OptionValues.h"

#include <QDialog>
#include <array>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace vesk {
struct State;
class Interaction;
} // namespace vesk

namespace vesk::ui {

class EditBoxes;
class HelpSystem;
class UpDownControl;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    enum Tab {
        NO2 = 0,
        Normalised,
        Advanced,
        HourlyPercentiles,
        RunningAverages,
        AnnualAverages,
        General,
        Daily
    };

    frmOptions(State &state, Interaction &interaction, HelpSystem *help, QWidget *parent = nullptr);
    ~frmOptions() override;

    void btnOK_Click();
    void btnCancel_Click();
    void btnReset_Click();
    void btnHelp_Click();
    void reject() override; // the close box and Esc

    // One statistics family: its switch, display modes and per-pollutant columns.
    struct Family {
        QCheckBox *calc = nullptr; // none for the annual averages
        QGroupBox *frame = nullptr;
        std::array<QRadioButton *, 2> modes{};
        std::vector<QWidget *> columns;      // per pollutant
        std::vector<QLabel *> names;         // per pollutant
        std::vector<QRadioButton *> buttons; // 4 × pollutant + choice
        std::array<QLabel *, 4> rows{};      // None, Modelled only, Measured only, Both
        std::vector<QWidget *> extras;       // count boxes, their labels and arrows
        bool *switchVar = nullptr;
        int *modeVar = nullptr;
        std::vector<int> *sources = nullptr;
    };

    QTabWidget *Options = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr, *btnReset = nullptr, *btnHelp = nullptr;
    // NO2, normalisation and advanced tabs (index 1..5 / 1..3 as named).
    QCheckBox *chkNO2 = nullptr;
    std::array<QGroupBox *, 6> Frame1{};
    std::array<QLineEdit *, 6> Text1{};
    QCheckBox *chkNormalisation = nullptr;
    QGroupBox *Frame2 = nullptr, *Frame3 = nullptr, *Frame4 = nullptr;
    std::array<QRadioButton *, 4> Option1{}, Option2{};
    QCheckBox *chkIntegration = nullptr, *chkTPT = nullptr, *chkWindAcc = nullptr;
    // Statistics tabs.
    Family Perc, Run8, Av, Day;
    QLineEdit *txtMinNobs8 = nullptr, *txtMinDailyMax = nullptr, *txtMinNobsDay = nullptr;
    UpDownControl *UpDownMinNobs8 = nullptr, *UpDownMinDailyMax = nullptr, *UpDownMinNobsDay = nullptr;
    QCheckBox *chkCalcAll = nullptr, *chkShowRes = nullptr, *chkShowIfLV = nullptr;
    std::vector<QCheckBox *> chkShowPOL;
    std::array<QRadioButton *, 3> optShowLimitVal{};

    EditBoxes *boxes() const { return m_boxes; }
    bool changed() const { return m_changed; }

private:
    // Building (frmOptionsTabs.cpp).
    QWidget *buildNO2Tab();
    QWidget *buildNormalisedTab();
    QWidget *buildAdvancedTab();
    QWidget *buildFamilyTab(Family &f, const char *prefix, const char *switchName,
                            const QString &switchCaption);
    QWidget *buildGeneralTab();
    QLineEdit *countBox(Family &f, QWidget *parent, const char *name, const char *label,
                        const QString &caption, UpDownControl **upDown, int upper);
    void connectHandlers();

    // Showing and handlers.
    void ShowOptions();
    void RestoreOptions();
    void showFamily(Family &f);
    void enableFamily(Family &f, bool on);
    void showNO2Enabled();
    void showNormalisation();
    void markChanged(bool optionFile = true);
    bool CheckBackground(int index);
    bool checkCount(QLineEdit *box, int upper, int *variable);
    void done(int result) override;

    State &m_state;
    Interaction &m_interaction;
    HelpSystem *m_help;
    EditBoxes *m_boxes = nullptr;
    OptionSnapshot m_saved;
    bool m_open = false;
    bool m_changed = false;
};

} // namespace vesk::ui
