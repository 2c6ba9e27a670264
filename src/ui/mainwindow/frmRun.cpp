#include "ui/mainwindow/frmRun.h"

#include "core/Interaction.h"
#include "core/Settings.h"
#include "ui/common/EngineState.h"

#include "run/RunCalculation.h"
#include "run/SpecialMode.h"
#include "ui/common/DesktopDocuments.h"
#include "ui/common/HelpSystem.h"
#include "ui/common/ScreenFit.h"
#include "ui/mainwindow/FileCheckList.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

namespace vesk::ui {

frmRun::frmRun(State &state, Interaction &interaction, Settings &settings, QWidget *parent)
    : QMainWindow(parent), m_state(state), m_interaction(interaction), m_settings(settings) {
    m_help = new HelpSystem(settings, this);
    setupUi();
    m_normalTextColour = palette().color(QPalette::Text).name();
    TimerSize = new QTimer(this);
    TimerSize->setObjectName(QStringLiteral("TimerSize"));
    // The delayed re-layout after a resize: a zero-time single shot runs once the event loop is idle.
    TimerSize->setSingleShot(true);
    TimerSize->setInterval(0);
    connect(TimerSize, &QTimer::timeout, this, &frmRun::TimerSize_Timer);
    connectMenus();
    connectSignals();
    runSpecialMode = [](State &s, RunControl &control, RunObserver &observer, Interaction &ui,
                        std::string *) {
        return RunSpecialMode(s, ui, control, &observer) == SpecialModeOutcome::Completed;
    };
    runCalculation = [](State &s, RunControl &control, RunObserver &observer, Interaction &ui,
                        std::string *error) { return RunCalculation(s, control, observer, ui, error); };
    connectStreetSketch();
    connectDisabledReasons();
    // The window opens as large as it is laid out for, but never larger than the screen's room
    // (title bar and frame included): on a small screen the frames scroll. Its layout rules keep it
    // within the screen from then on.
    fitsItselfToScreen(this);
    resize(QSize(1300, 860).boundedTo(ui::roomForWindow(this)));
}

frmRun::~frmRun() = default;

QAction *frmRun::action(const QString &name) const {
    return findChild<QAction *>(name);
}

QAction *frmRun::toolbarKey(const QString &key) const {
    auto it = m_keys.find(key.toLower());
    return it == m_keys.end() ? nullptr : it->second;
}

QMenu *frmRun::menu(const QString &name) const {
    return findChild<QMenu *>(name);
}

void frmRun::setMenuEnabled(QMenu *menu, bool on) {
    if (menu) {
        menu->menuAction()->setEnabled(on);
    }
}

void frmRun::setMenuVisible(QMenu *menu, bool on) {
    if (menu) {
        menu->menuAction()->setVisible(on);
    }
}

void frmRun::setBoxEnabled(QWidget *box, bool on) {
    box->setEnabled(on);
    // Disabled boxes take the button-face colour from the style's palette.
}

void frmRun::setTextColour(QLineEdit *box, bool red) {
    box->setStyleSheet(red ? QStringLiteral("color: rgb(255, 0, 0);") : QString());
}

// ---- Help -----------------------------------------------------------------

void frmRun::menHelpContents_Click() {
    m_help->HelpCommand = HelpSystem::kContents;
    m_help->ShowHelpTopic(this);
}

void frmRun::menHelpIndex_Click() {
    m_help->HelpCommand = HelpSystem::kIndex;
    m_help->ShowHelpTopic(this);
}

void frmRun::menHelpOnHelp_Click() {
    m_help->HelpCommand = HelpSystem::kShowTopic;
    m_help->HelpContextID = 72;
    m_help->ShowHelpTopic(this);
}

void frmRun::btnHelp_Click() {
    m_help->HelpCommand = HelpSystem::kShowTopic;
    m_help->HelpContextID = 22;
    m_help->ShowHelpTopic(this);
}

void frmRun::menUserGuide_Click() {
    showUserGuide(userGuidePath(m_state.AppDir, action(QStringLiteral("menHelpL_1"))->isChecked()),
                  m_interaction);
}

void frmRun::menHelpL_Click(int index) {
    QAction *english = action(QStringLiteral("menHelpL_0"));
    QAction *danish = action(QStringLiteral("menHelpL_1"));
    QAction *clicked = index == 0 ? english : danish;
    // The checkable item has already toggled itself; its old state decides.
    const bool wasChecked = !clicked->isChecked();
    if (wasChecked) {
        clicked->setChecked(true);
        return;
    }
    english->setChecked(index == 0);
    danish->setChecked(index == 1);
    m_help->SetHelpFile(index);
}

void frmRun::menBtnWhatsThis_Click() {
    if (WhatsThisTarget) {
        QWhatsThis::showText(WhatsThisTarget->mapToGlobal(WhatsThisTarget->rect().center()),
                             WhatsThisTarget->whatsThis(), WhatsThisTarget);
    }
}

void frmRun::showFrameContextMenu(QWidget *frame, const QPoint &globalPos) {
    WhatsThisTarget = frame;
    QAction *chosen = menBtnContextMenu->exec(globalPos);
    if (chosen == action(QStringLiteral("menBtnWhatsThis"))) {
        menBtnWhatsThis_Click();
    }
    WhatsThisTarget = nullptr;
}

void frmRun::menWebVESK_Click() {
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("https://www.eea.europa.eu/themes/air")))) {
        m_interaction.message("Can't connect to the Web Site");
    }
}

// ---- Toolbar ----------------------------------------------------------------

void frmRun::Toolbar1_ButtonClick(const QString &key) {
    // Each key is tested in turn, as the commands are listed.
    static const char *const order[][2] = {
        {"Open", "menOpen"},
        {"Graph", "menGraphic"},
        {"Save", "menSave"},
        {"New", "menNew"},
        {"Street", "menEditStreetConfiguration"},
        {"Fleet", "menEditVehicleList"},
        {"Fuel", "menEditFuelList"},
        {"Tarvik", "menEditTarvik"},
        {"VLF", "menOpenVehicleList"},
        {"FLF", "menOpenFuelList"},
        {"Results", "menLastResults"},
        {"Units", "menConcUnit"},
        {"Traffic", "menOpenTrf"},
        {"TrafficNow", "menEditTrf"},
        {"SetTRF", "menNewTrfFile"},
    };
    for (const auto &entry : order) {
        if (key.compare(QLatin1String(entry[0]), Qt::CaseInsensitive) == 0) {
            QAction *command = action(QString::fromLatin1(entry[1]));
            if (command && command->isEnabled()) {
                command->trigger();
            }
        }
    }
}

// ---- Window events ------------------------------------------------------------

void frmRun::closeEvent(QCloseEvent *event) {
    if (isRunning()) {
        // A run is never cut off by closing: stop it first, or stay open.
        const Answer a = m_interaction.question("A calculation is running. Do you want to stop it and exit?",
                                                Buttons::YesNo, Icon::Question, Answer::No);
        if (a != Answer::Yes) {
            event->ignore();
            return;
        }
        // The program exits once the run has stopped: the results it wrote are
        // not shown first.
        m_stoppingToClose = true;
        btnStop_Click();
        waitForRun();
        m_stoppingToClose = false;
    }
    if (!Form_Unload()) {
        event->ignore();
        return;
    }
    event->accept();
}

void frmRun::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmRun::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    followWindowFrame(); // a window manager that frames the window moves it into its frame
}

void frmRun::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        followWindowFrame();
    }
}

bool frmRun::eventFilter(QObject *watched, QEvent *event) {
    if (handleBoxEvent(watched, event)) {
        return true;
    }
    if (watched == Frame0 &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)) {
        // The scrolled area takes the size of what it shows now (the frame or the product word),
        // though the window's size stays as it was.
        Form_Resize();
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *frame = qobject_cast<QWidget *>(watched);
        if (mouse->button() == Qt::RightButton && frame && !frame->whatsThis().isEmpty()) {
            showFrameContextMenu(frame, mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace vesk::ui
