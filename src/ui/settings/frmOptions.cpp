#include "ui/settings/frmOptions.h"

#include "core/Interaction.h"
#include "core/RecordIO.h"
#include "run/State.h"
#include "ui/common/HelpSystem.h"
#include "ui/common/NamedButton.h"
#include "ui/common/UpDownControl.h"
#include "ui/settings/EditBoxes.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {

// A radio button of an exclusive group switched off without selecting another.
void clearRadio(QRadioButton *b) {
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(true);
}

} // namespace

frmOptions::frmOptions(State &state, Interaction &interaction, HelpSystem *help, QWidget *parent)
    : QDialog(parent), m_state(state), m_interaction(interaction), m_help(help) {
    setObjectName(QStringLiteral("frmOptions"));
    // Codes that no control could show are reset (and reported) first, so the
    // dialog always shows every value and stays usable.
    repairAndReportOptionCodes(m_state, m_interaction);

    Options = new QTabWidget(this);
    Options->setObjectName(QStringLiteral("Options"));
    Perc.switchVar = &m_state.CalcPerc;
    Perc.modeVar = &m_state.PercMode;
    Perc.sources = &m_state.PercSource;
    Run8.switchVar = &m_state.CalcRun8;
    Run8.modeVar = &m_state.Run8PercMode;
    Run8.sources = &m_state.Run8Source;
    Av.sources = &m_state.AvSource;
    Day.switchVar = &m_state.CalcDaily;
    Day.modeVar = &m_state.DailyPercMode;
    Day.sources = &m_state.DailySource;

    Options->addTab(buildNO2Tab(), QStringLiteral("NO2"));
    Options->addTab(buildNormalisedTab(), QStringLiteral("Normalised concentrations"));
    Options->addTab(buildAdvancedTab(), QStringLiteral("Advanced"));
    QWidget *hourly = buildFamilyTab(Perc, "Perc", "chkCalcPerc", QStringLiteral("Calculate Percentiles"));
    static_cast<QVBoxLayout *>(hourly->layout())->addStretch();
    Options->addTab(hourly, QStringLiteral("Hourly Percentiles"));
    QWidget *running =
        buildFamilyTab(Run8, "Run", "chkCalcRun8", QStringLiteral("Calculate Running Averages"));
    txtMinNobs8 = countBox(Run8, running, "txtMinNobs8", "lbMinNobs8",
                           QStringLiteral("Minimum hours for calculation of Running 8-hour Average"),
                           &UpDownMinNobs8, 8);
    txtMinDailyMax = countBox(Run8, running, "txtMinDailyMax", "lbMinDailyMax",
                              QStringLiteral("Minimum 8-hour Averages for calculation of Daily Maximum"),
                              &UpDownMinDailyMax, 24);
    static_cast<QVBoxLayout *>(running->layout())->addStretch();
    Options->addTab(running, QStringLiteral("Running Averages"));
    Options->addTab(buildFamilyTab(Av, "Av", nullptr, QString()), QStringLiteral("Annual Averages"));
    Options->addTab(buildGeneralTab(), QStringLiteral("General"));
    QWidget *daily = buildFamilyTab(Day, "Day", "chkCalcDaily", QStringLiteral("Calculate Daily Averages"));
    txtMinNobsDay =
        countBox(Day, daily, "txtMinNobsDay", "lbMinNobsDay",
                 QStringLiteral("Minimum hours for calculation of Daily Average"), &UpDownMinNobsDay, 24);
    static_cast<QVBoxLayout *>(daily->layout())->addStretch();
    Options->addTab(daily, QStringLiteral("Daily Averages"));

    auto *frameButtons = new QWidget(this);
    frameButtons->setObjectName(QStringLiteral("frameButtons"));
    btnReset = namedButton(frameButtons, "btnReset", QStringLiteral("&Reset"));
    btnOK = namedButton(frameButtons, "btnOK", QStringLiteral("&OK"));
    btnCancel = namedButton(frameButtons, "btnCancel", QStringLiteral("&Cancel"));
    btnHelp = namedButton(frameButtons, "btnHelp", QStringLiteral("&Help"));
    auto *buttons = new QHBoxLayout(frameButtons);
    buttons->addStretch();
    for (QPushButton *b : {btnReset, btnOK, btnCancel, btnHelp}) {
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Options);
    Options->setMinimumWidth(Options->tabBar()->sizeHint().width() + 4); // every tab caption in sight
    layout->addWidget(frameButtons);

    m_boxes = new EditBoxes(this, btnOK);
    m_boxes->skipFor(btnReset);
    m_boxes->skipFor(btnCancel);
    m_boxes->edited = [this](QLineEdit *) { m_changed = true; };
    m_boxes->acceptedByEnter = [this](QLineEdit *) { btnOK->setFocus(); };
    connectHandlers();
    connect(btnOK, &QPushButton::clicked, this, &frmOptions::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmOptions::btnCancel_Click);
    connect(btnReset, &QPushButton::clicked, this, &frmOptions::btnReset_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmOptions::btnHelp_Click);

    // Activation: the tabs of the mode, the caption, the values, the starting tab.
    const bool special = m_state.CalcMode == 0;
    for (int t = 0; t < Options->count(); ++t) {
        const bool offered = special ? (t == NO2 || t == Normalised || t == Advanced) : t != Normalised;
        Options->setTabEnabled(t, offered);
    }
    m_open = true;
    setWindowTitle(QStringLiteral("Options [") + QString::fromStdString(m_state.WorkDir) +
                   QStringLiteral("Run.opt]"));
    ShowOptions();
    m_changed = false;
    const int mode = special ? 0 : 1;
    int start = m_state.OptionsLastTab[static_cast<std::size_t>(mode)];
    if (start < 0 || start >= Options->count() || !Options->isTabEnabled(start)) {
        start = special ? NO2 : General;
    }
    Options->setCurrentIndex(start);
}

frmOptions::~frmOptions() = default;

void frmOptions::ShowOptions() {
    State &s = m_state;
    m_boxes->ready = false;
    const bool special = s.CalcMode == 0;
    // NO2 tab: the five values only in Special Mode.
    for (int i = 1; i <= 5; ++i) {
        Frame1[i]->setVisible(special);
    }
    if (special) {
        const double values[] = {
            0, s.BackgroundNOx, s.BackgroundNO2, s.BackgroundO3, s.AirTemperature, s.GlobalRadiation};
        for (int i = 1; i <= 5; ++i) {
            Text1[i]->setText(QString::fromStdString(formatSingle(static_cast<float>(values[i]))));
        }
    }
    // Advanced tab (inverted senses).
    if (s.WindIntegration == 1 || s.WindIntegration == 0) {
        chkIntegration->setChecked(s.WindIntegration == 0);
    }
    chkTPT->setChecked(!s.TrafficTurbulence);
    chkWindAcc->setChecked(s.NoWindAcceleration);
    showNormalisation();
    txtMinNobs8->setText(QString::number(s.MinNobs8));
    txtMinDailyMax->setText(QString::number(s.MinDailyMax));
    txtMinNobsDay->setText(QString::number(s.MinNobsDay));
    UpDownMinNobs8->setValue(s.MinNobs8);
    UpDownMinDailyMax->setValue(s.MinDailyMax);
    UpDownMinNobsDay->setValue(s.MinNobsDay);

    m_saved = takeOptionSnapshot(s);
    m_boxes->clearEdits();

    chkNO2->setChecked(s.CalcNO2 == 1);
    showNO2Enabled();
    for (Family *f : {&Perc, &Run8, &Av, &Day}) {
        showFamily(*f);
    }
    chkCalcAll->setChecked(s.CalcOnlyIfBoth);
    chkShowRes->setChecked(s.ShowResultsAuto);
    chkShowIfLV->setChecked(s.ShowOnlyIfLV);
    for (std::size_t i = 0; i < chkShowPOL.size(); ++i) {
        chkShowPOL[i]->setChecked(i < s.ShowPol.size() && s.ShowPol[i]);
    }
    optShowLimitVal[static_cast<std::size_t>(s.ShowLimitValMode)]->setChecked(true);
    m_boxes->ready = true;
}

void frmOptions::showFamily(Family &f) {
    if (f.calc) {
        f.calc->setChecked(*f.switchVar);
        f.modes[static_cast<std::size_t>(*f.modeVar)]->setChecked(true);
    }
    for (std::size_t i = 0; i < f.columns.size(); ++i) {
        const int choice = i < f.sources->size() ? (*f.sources)[i] : 0;
        f.buttons[4 * i + static_cast<std::size_t>(choice)]->setChecked(true);
    }
    enableFamily(f, f.switchVar == nullptr || *f.switchVar);
}

void frmOptions::enableFamily(Family &f, bool on) {
    std::vector<QWidget *> controls{f.frame};
    for (QRadioButton *m : f.modes) {
        if (m) {
            controls.push_back(m);
        }
    }
    controls.insert(controls.end(), f.names.begin(), f.names.end());
    controls.insert(controls.end(), f.buttons.begin(), f.buttons.end());
    controls.insert(controls.end(), f.rows.begin(), f.rows.end());
    controls.insert(controls.end(), f.extras.begin(), f.extras.end());
    for (QWidget *w : controls) {
        w->setEnabled(on);
    }
}

void frmOptions::showNO2Enabled() {
    if (m_state.CalcMode != 0) {
        return;
    }
    for (int i = 2; i <= 5; ++i) {
        Frame1[i]->setEnabled(m_state.CalcNO2 == 1);
        Text1[i]->setEnabled(m_state.CalcNO2 == 1);
    }
}

void frmOptions::showNormalisation() {
    const bool on = m_state.Normalise;
    chkNormalisation->setChecked(on);
    for (QGroupBox *frame : {Frame2, Frame3, Frame4}) {
        frame->setEnabled(on);
    }
    for (int i = 1; i <= 3; ++i) {
        clearRadio(Option1[i]);
        clearRadio(Option2[i]);
    }
    if (on) {
        const int windButton[] = {3, 1, 2}; // code 0 none, 1 u_roof, 2 u_mast
        if (m_state.NormWindScale >= 0 && m_state.NormWindScale <= 2) {
            Option1[static_cast<std::size_t>(windButton[m_state.NormWindScale])]->setChecked(true);
        }
        if (m_state.NormLengthScale >= 0 && m_state.NormLengthScale <= 2) {
            Option2[static_cast<std::size_t>(windButton[m_state.NormLengthScale])]->setChecked(true);
        }
    }
}

void frmOptions::RestoreOptions() {
    restoreOptionSnapshot(m_state, m_saved);
}

void frmOptions::markChanged(bool optionFile) {
    m_changed = true;
    if (optionFile) {
        m_state.OptionFileChanged = true;
    }
}

bool frmOptions::checkCount(QLineEdit *box, int upper, int *variable) {
    const ValueCheck c = checkMinimumCount(box->text().toStdString(), upper);
    if (!c.accepted) {
        m_interaction.message(c.message, Icon::Critical);
        return false;
    }
    if (*variable != static_cast<int>(c.value)) {
        *variable = static_cast<int>(c.value);
        markChanged();
    }
    return true;
}

bool frmOptions::CheckBackground(int index) {
    State &s = m_state;
    const ValueCheck c = checkNO2TabValue(index, Text1[static_cast<std::size_t>(index)]->text().toStdString(),
                                          s.BackgroundNOx, s.BackgroundNO2);
    if (!c.accepted) {
        m_interaction.message(c.message, Icon::Critical);
        return false;
    }
    double *targets[] = {nullptr,         &s.BackgroundNOx,  &s.BackgroundNO2,
                         &s.BackgroundO3, &s.AirTemperature, &s.GlobalRadiation};
    double &target = *targets[index];
    if (target != c.value) {
        target = c.value;
        markChanged();
    }
    return true;
}

void frmOptions::btnOK_Click() {
    if (!m_boxes->commitPending()) {
        return; // a box being typed in was refused, or one is red
    }
    applyOptionsOk(m_state);
    m_open = false;
    m_changed = false;
    accept();
}

void frmOptions::btnCancel_Click() {
    m_open = false;
    RestoreOptions();
    QDialog::reject();
}

void frmOptions::btnReset_Click() {
    RestoreOptions();
    ShowOptions();
    m_changed = false;
}

void frmOptions::btnHelp_Click() {
    if (m_help) {
        m_help->showContext(this, Options->currentIndex() + 101);
    }
}

void frmOptions::reject() {
    if (m_open && m_changed) {
        const Answer a =
            m_interaction.question("The data were changed.\r\nAll changes will be lost", Buttons::OkCancel,
                                   Icon::Information, Answer::Cancel, "Option File");
        if (a != Answer::Ok) {
            return;
        }
    }
    if (m_open) {
        RestoreOptions();
        m_open = false;
    }
    QDialog::reject();
}

void frmOptions::done(int result) {
    m_state.OptionsLastTab[m_state.CalcMode == 0 ? 0 : 1] = Options->currentIndex();
    QDialog::done(result);
}

} // namespace vesk::ui
