// The "New Project" dialog: its set-up for the project kind, the number
// boxes, help, and the way it ends (OK after the checks, or no project).
// The traffic, meteorology and file choices are in frmNewStreetChoices.cpp,
// the street, map, year and country boxes in frmNewStreetStreet.cpp.

#include "ui/inputdef/frmNewStreet.h"

#include "calc/FleetGeneration.h"
#include "core/Interaction.h"
#include "run/State.h"
#include "ui/common/DesktopDocuments.h"
#include "ui/common/HelpSystem.h"
#include "ui/common/ScreenFit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>

namespace vesk::ui {

frmNewStreet::frmNewStreet(State &state, Interaction &interaction, HelpSystem *help, QWidget *parent)
    : QDialog(parent), m_state(state), m_interaction(interaction), m_help(help) {
    setObjectName(QStringLiteral("frmNewStreet"));
    setWindowTitle(QStringLiteral("New Project"));
    setupUi();
    for (QWidget *box : std::initializer_list<QWidget *>{txtADT, txtTrfSpeed, cmbTrfType, cmbMetBack, cmbYear,
                                                         cmbCitySize, cmbCountry}) {
        box->installEventFilter(this);
    }
    connect(Check1, &QCheckBox::clicked, this, &frmNewStreet::Check1_Click);
    for (int i = 1; i <= 3; ++i) {
        connect(Option2[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                Option2_Click(i);
            }
        });
    }
    for (int i = 1; i <= 2; ++i) {
        connect(Option3[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) {
                Option3_Click(i);
            }
        });
    }
    connect(cmbTrfType, &QComboBox::activated, this, &frmNewStreet::cmbTrfType_Click);
    connect(cmbMetBack, &QComboBox::activated, this, &frmNewStreet::cmbMetBack_Click);
    connect(cmbYear, &QComboBox::activated, this, &frmNewStreet::cmbYear_Click);
    connect(cmbCitySize, &QComboBox::activated, this, &frmNewStreet::cmbCitySize_Click);
    for (int i = 1; i <= 4; ++i) {
        connect(btnLoadFile[i], &QPushButton::clicked, this, [this, i] { btnLoadFile_Click(i); });
    }
    for (int i = 1; i <= 3; ++i) {
        connect(btnRemove[i], &QPushButton::clicked, this, [this, i] { btnRemove_Click(i); });
    }
    connect(btnEditTraffic, &QPushButton::clicked, this, &frmNewStreet::btnEditTraffic_Click);
    connect(btnStreetConf, &QPushButton::clicked, this, &frmNewStreet::btnStreetConf_Click);
    connect(txtStreetName, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_state.StreetName = text.toStdString(); });
    connect(txtStreetName, &QLineEdit::returnPressed, this, [this] {
        if (cmbYear->isEnabled()) {
            cmbYear->setFocus();
        }
    });
    connect(txtTrafficFile, &QLineEdit::textChanged, this, [this](const QString &text) {
        // A name cut off by the box can be read in full by pointing at it.
        txtTrafficFile->setToolTip(
            txtTrafficFile->fontMetrics().horizontalAdvance(text) > txtTrafficFile->width() ? text
                                                                                            : QString());
    });
    connect(btnOK, &QPushButton::clicked, this, &frmNewStreet::btnOK_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmNewStreet::btnCancel_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmNewStreet::btnHelp_Click);
    Form_Load();
}

bool frmNewStreet::create(State &state, Interaction &interaction, HelpSystem *help, QWidget *parent) {
    frmNewStreet dialog(state, interaction, help, parent);
    if (dialog.CloseOnActivate) {
        dialog.reject();
        return false;
    }
    dialog.exec();
    return dialog.NewProjectAccepted;
}

void frmNewStreet::setBoxEnabled(QWidget *box, bool on) {
    box->setEnabled(on);
}

void frmNewStreet::Form_Load() {
    State &s = m_state;
    s.NewProjectPending = true;
    s.UnitsConfirmed = false;
    s.InputUnitsEditable = false;
    s.ScenarioYear = s.LoadedScenarioYear = s.CurrentYear;
    s.ScenarioYearText = std::to_string(s.CurrentYear);
    s.FleetDataUnsaved = false;
    DialogReady = false;
    NewProjectAccepted = false;
    CloseOnActivate = false;
    EnteredADT = EnteredSpeed = 0;

    setWindowTitle(QStringLiteral("New Project - Single Street"));
    FrameMap->hide();
    if (m_help) {
        const QString file = QString::fromStdString(m_help->HelpFileName);
        menHelpL[0]->setChecked(!file.contains(QLatin1String("_dk"), Qt::CaseInsensitive));
        menHelpL[1]->setChecked(file.contains(QLatin1String("_dk"), Qt::CaseInsensitive));
    } else {
        menHelpL[0]->setChecked(true);
    }

    // The year box: the item of the current year is chosen.
    cmbYear->clear();
    for (const ScenarioYearItem &item : scenarioYearItems(s)) {
        cmbYear->addItem(QString::number(item.year));
        cmbYear->setItemData(cmbYear->count() - 1, QString::fromStdString(item.tip), Qt::ToolTipRole);
    }
    const int year = cmbYear->findText(QString::number(s.ScenarioYear));
    cmbYear->setCurrentIndex(year);
    s.LoadedScenarioYear = year >= 0 ? s.ScenarioYear : 0;
    s.ScenarioYearText = cmbYear->currentText().toStdString();
    // The lists of the year shown (the template's may be another year's).
    s.VehicleListFile = s.DefaultVehicleListFile;
    s.FuelListFile = s.DefaultFuelListFile;
    s.EmissionReady = false;

    cmbCountry->clear();
    for (const CountryItem &c : s.CountryList) {
        cmbCountry->addItem(QString::fromStdString(c.Name));
    }
    cmbCountry->setCurrentIndex(cmbCountry->findText(QString::fromStdString(s.CurrentCountry)));

    txtStreetName->setText(QString::fromStdString(s.StreetName));
    chkStreetConf->setChecked(false);

    const bool single = !s.RouteMode && !s.MultiStreetMode;
    std::string error;
    StdTraffic.clear();
    StdMetBack.clear();
    if ((single && !readStandardFileList(s.ListsDir + "StrTrf.lst", &StdTraffic, &error)) ||
        !readStandardFileList(s.ListsDir + "MetBack.lst", &StdMetBack, &error) ||
        !readMetBackFormat(s.ListsDir, &MetBackLists, &error)) {
        m_interaction.message(error, Icon::Critical);
        CloseOnActivate = true;
        return;
    }
    cmbTrfType->clear();
    cmbTrfType->addItem(QStringLiteral("(none)"));
    for (const StandardFile &f : StdTraffic) {
        cmbTrfType->addItem(QString::fromStdString(f.name));
        cmbTrfType->setItemData(cmbTrfType->count() - 1, QString::fromStdString(f.helpText), Qt::ToolTipRole);
    }
    if (StdTraffic.empty()) {
        s.LastTrafficDir = s.WorkDir;
    }
    cmbMetBack->clear();
    cmbMetBack->addItem(QStringLiteral("(none)"));
    for (const StandardFile &f : StdMetBack) {
        cmbMetBack->addItem(QString::fromStdString(f.name));
        cmbMetBack->setItemData(cmbMetBack->count() - 1, QString::fromStdString(f.helpText), Qt::ToolTipRole);
    }
    if (StdMetBack.empty()) {
        s.LastInputDir = s.WorkDir;
    }

    cmbCitySize->clear();
    if (s.NoUrbEmiData) {
        setBoxEnabled(cmbCitySize, false);
    } else {
        for (std::size_t i = 1; i < s.CitySizeNames.size(); ++i) {
            cmbCitySize->addItem(QString::fromStdString(s.CitySizeNames[i]));
        }
        cmbCitySize->setCurrentIndex(-1);
    }
    cmbTrfType->setCurrentIndex(0);
    cmbMetBack->setCurrentIndex(0);
    UserMetBackFiles.clear();
    s.TrafficFile.clear();
    txtTrafficFile->clear();
    StreetConfigDefined = false;
    for (int i = 1; i <= 3; ++i) {
        btnRemove[i]->setEnabled(false);
    }
    btnEditTraffic->setEnabled(false);

    DialogReady = true;
    m_comboChosen = false;

    // The pre-defined choices come first when the country has them.
    if (StdTraffic.empty()) {
        Option2[2]->setChecked(true);
        Option2[1]->setEnabled(false);
    } else {
        Option2[1]->setChecked(true);
    }
    if (StdMetBack.empty()) {
        Option3[2]->setChecked(true);
        Option3[1]->setEnabled(false);
    } else {
        Option3[1]->setChecked(true);
    }

    if (s.RouteMode || s.MultiStreetMode) {
        Option2[3]->setChecked(true);
        for (int i = 1; i <= 3; ++i) {
            Option2[i]->setEnabled(false);
        }
        txtTrafficFile->hide();
        for (QWidget *w : std::initializer_list<QWidget *>{FrameSetTraffic, FrameADT, FrameTrafficFile,
                                                           FrameSpeed, lblVehDay, lblNB, lblKmh, Check1}) {
            w->setEnabled(false);
        }
    }
    if (s.RouteMode) {
        for (QWidget *w : std::initializer_list<QWidget *>{btnLoadFile[4], btnRemove[3], Frame10, Frame11}) {
            w->setEnabled(false);
        }
        lstFileNames[3]->hide();
        Label1->setText(QStringLiteral("Route Data"));
        btnStreetConf->setText(QStringLiteral("Set &Route Data"));
        txtStreetName->setText(QStringLiteral("Route Mode"));
        txtStreetName->setEnabled(false);
        setWindowTitle(QStringLiteral("New Project - Route Mode"));
    } else if (s.MultiStreetMode) {
        FrameSetTraffic->hide();
        FrameMap->show();
        for (QWidget *w : std::initializer_list<QWidget *>{btnLoadFile[3], btnRemove[2], Frame8, Frame9}) {
            w->setEnabled(false);
        }
        lstFileNames[2]->hide();
        Label1->setText(QStringLiteral("Street Collection"));
        btnStreetConf->setText(QStringLiteral("Set &Street Collection"));
        txtStreetName->setText(QStringLiteral("Multi Streets"));
        txtStreetName->setEnabled(false);
        setWindowTitle(QStringLiteral("New Project - Multi Streets"));
    }
}

void frmNewStreet::showEvent(QShowEvent *event) {
    if (!event->spontaneous()) {
        // As large as the contents, but never larger than the screen's room:
        // the viewport then scrolls. Sized before the dialog is centred over
        // the window that opened it and fitted to the screen, as every window
        // is as it is shown: once on the screen it is not moved, for the
        // window system frames it only then, and a window moved before its
        // frame is known ends with its title bar above the screen's edge.
        resize((FrameMain->sizeHint() + QSize(40, 110)).boundedTo(roomForWindow(this)));
    }
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmNewStreet::Form_Activate() {
    if (CloseOnActivate) {
        reject();
    }
}

void frmNewStreet::Check1_Click() {
    if (Check1->isChecked()) {
        m_state.CalcMode = 0;
        m_state.RouteMode = false;
        m_state.CitySize = -1;
    } else {
        m_state.CalcMode = 1;
    }
}

// ---- The daily traffic and speed boxes ---------------------------------------------

bool frmNewStreet::takeNumber(QLineEdit *box) {
    std::string message;
    const std::optional<double> value = newProjectNumber(box->text().toStdString(), &message);
    if (!value) {
        m_interaction.message(message, Icon::Critical);
        box->setFocus();
        return false;
    }
    (box == txtADT ? EnteredADT : EnteredSpeed) = *value;
    return true;
}

bool frmNewStreet::txtNumber_Enter(QLineEdit *box) {
    if (!takeNumber(box)) {
        return false;
    }
    if (box == txtADT) {
        if (txtTrfSpeed->isEnabled()) {
            txtTrfSpeed->setFocus();
        }
    } else if (!cmbMetBack->isEnabled()) {
        btnLoadFile[2]->setFocus();
    } else {
        cmbMetBack->setFocus();
    }
    return true;
}

bool frmNewStreet::txtNumber_LostFocus(QLineEdit *box, QWidget *focusTo) {
    if (box->text().trimmed().isEmpty() || focusTo == btnCancel) {
        return true;
    }
    return takeNumber(box);
}

bool frmNewStreet::eventFilter(QObject *watched, QEvent *event) {
    if (watched == txtADT || watched == txtTrfSpeed) {
        auto *box = static_cast<QLineEdit *>(watched);
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                txtNumber_Enter(box);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // After the focus has settled, so that a message does not fight the focus change.
            QTimer::singleShot(0, this, [this, box] {
                if (isVisible() && !NewProjectAccepted) {
                    txtNumber_LostFocus(box, QApplication::focusWidget());
                }
            });
        }
    }
    auto *combo = qobject_cast<QComboBox *>(watched);
    if (combo && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            comboEnter(combo);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// Enter in a choice box: its list opens until an item has been clicked (or
// while it shows "(none)"); after a choice the focus moves on to the next entry.
void frmNewStreet::comboEnter(QComboBox *box) {
    const bool none = box->currentIndex() < 0 ||
                      box->currentText().compare(QStringLiteral("(none)"), Qt::CaseInsensitive) == 0;
    if (!m_comboChosen || none) {
        box->showPopup();
        return;
    }
    m_comboChosen = false;
    QWidget *next = box == cmbTrfType    ? static_cast<QWidget *>(txtADT)
                    : box == cmbMetBack  ? static_cast<QWidget *>(cmbCitySize)
                    : box == cmbYear     ? static_cast<QWidget *>(btnStreetConf)
                    : box == cmbCitySize ? static_cast<QWidget *>(btnOK)
                                         : static_cast<QWidget *>(txtStreetName);
    if (next->isEnabled()) {
        next->setFocus();
    }
}

// ---- OK, Cancel and closing ----------------------------------------------------------

NewProjectForm frmNewStreet::formState() const {
    NewProjectForm f;
    f.routeMode = m_state.RouteMode;
    f.multiStreetMode = m_state.MultiStreetMode;
    f.streetConfigDefined = StreetConfigDefined;
    f.specialMode = Check1->isChecked();
    f.yearText = cmbYear->currentIndex() >= 0 ? cmbYear->currentText().toStdString() : std::string();
    f.traffic = Option2[1]->isChecked()   ? TrafficOption::Standard
                : Option2[2]->isChecked() ? TrafficOption::UserFile
                : Option2[3]->isChecked() ? TrafficOption::HourlyFiles
                                          : TrafficOption::None;
    f.trafficTypeText = cmbTrfType->currentText().toStdString();
    f.trafficFileText = txtTrafficFile->text().toStdString();
    f.stdTrafficChosen = StdTrafficChosen;
    f.adtText = txtADT->text().toStdString();
    f.speedText = txtTrfSpeed->text().toStdString();
    f.adtEnabled = txtADT->isEnabled();
    f.speedEnabled = txtTrfSpeed->isEnabled();
    f.metBack = Option3[1]->isChecked()   ? MetBackOption::Standard
                : Option3[2]->isChecked() ? MetBackOption::UserFiles
                                          : MetBackOption::None;
    f.metBackFileCount = lstFileNames[1]->count();
    f.citySizeText = cmbCitySize->currentIndex() >= 0 ? cmbCitySize->currentText().toStdString() : "";
    f.noUrbEmiData = m_state.NoUrbEmiData;
    return f;
}

void frmNewStreet::focusOn(NewProjectFocus focus) {
    QWidget *target = nullptr;
    switch (focus) {
    case NewProjectFocus::StreetConf:
        target = btnStreetConf;
        break;
    case NewProjectFocus::Year:
        target = cmbYear;
        break;
    case NewProjectFocus::TrafficType:
        target = cmbTrfType;
        break;
    case NewProjectFocus::ADT:
        target = txtADT;
        break;
    case NewProjectFocus::Speed:
        target = txtTrfSpeed;
        break;
    case NewProjectFocus::MetBack:
        target = cmbMetBack;
        break;
    case NewProjectFocus::CitySize:
        target = cmbCitySize;
        break;
    case NewProjectFocus::None:
        break;
    }
    if (target && target->isEnabled()) {
        Picture1->ensureWidgetVisible(target);
        target->setFocus();
    }
}

void frmNewStreet::btnOK_Click() {
    const NewProjectCheck check = checkNewProject(formState());
    if (!check.accepted()) {
        for (const std::string &message : check.messages) {
            QApplication::beep();
            m_interaction.message(message, Icon::Critical);
        }
        if (check.scrollToLeft) {
            Picture1->horizontalScrollBar()->setValue(0);
        }
        focusOn(check.focus);
        return;
    }
    NewProjectAcceptance a;
    a.specialMode = Check1->isChecked();
    a.stdMetBackChosen = StdMetBackChosen;
    a.metBackLayout = MetBackLists;
    std::string unused;
    auto value = [&unused](QLineEdit *box) {
        if (!box->isEnabled()) {
            return 0.0;
        }
        return newProjectNumber(box->text().toStdString(), &unused).value_or(0.0);
    };
    a.adt = value(txtADT);
    a.speed = value(txtTrfSpeed);
    a.year = cmbYear->currentText().toInt();
    completeNewProject(m_state, a);
    NewProjectAccepted = true;
    btnOK->setEnabled(false);
    accept();
}

void frmNewStreet::btnCancel_Click() {
    reject();
}

void frmNewStreet::reject() {
    if (!NewProjectAccepted && !CloseOnActivate &&
        m_interaction.question("No new project will be created", Buttons::OkCancel, Icon::Information,
                               Answer::Ok) == Answer::Cancel) {
        return; // the dialog stays with every entry
    }
    m_state.ProjectTypeCancelled = true;
    m_state.ProjectChanged = false;
    QDialog::reject();
}

// ---- Help ---------------------------------------------------------------------------

void frmNewStreet::btnHelp_Click() {
    if (m_help) {
        m_help->showContext(this, m_state.MultiStreetMode ? 98 : 1);
    }
}

void frmNewStreet::menHelpL_Click(int index) {
    menHelpL[index]->setChecked(true);
    menHelpL[1 - index]->setChecked(false);
    if (DialogReady && m_help) {
        m_help->SetHelpFile(index);
    }
}

void frmNewStreet::menUserGuide_Click() {
    showUserGuide(userGuidePath(m_state.AppDir, menHelpL[1]->isChecked()), m_interaction);
}

} // namespace vesk::ui
