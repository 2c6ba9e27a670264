// Wiring of the main window's menus, toolbar and controls to their handlers,
// and the checks that run when a box is left or Enter is pressed in it.

#include "core/Interaction.h"
#include "ui/mainwindow/EngineState.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/HelpSystem.h"
#include "ui/mainwindow/frmRun.h"
#include "ui/settings/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

namespace vesk::ui {

std::string frmRun::trafficDir() const {
    return {};
}

bool frmRun::noUrbEmiData() const {
    return false;
}

void frmRun::menAbout_Click() {
    frmAbout about(m_interaction, this);
    about.exec();
}

void frmRun::connectMenus() {
    auto on = [this](const char *name, void (frmRun::*handler)()) {
        if (QAction *a = action(QString::fromLatin1(name))) {
            connect(a, &QAction::triggered, this, handler);
        }
    };
    on("menHelpContents", &frmRun::menHelpContents_Click);
    on("menHelpIndex", &frmRun::menHelpIndex_Click);
    on("menHelpOnHelp", &frmRun::menHelpOnHelp_Click);
    on("menUserGuide", &frmRun::menUserGuide_Click);
    on("menWebVESK", &frmRun::menWebVESK_Click);
    on("menAbout", &frmRun::menAbout_Click);
    on("btnSeries", &frmRun::btnSeries_Click);
    on("btnGeneric", &frmRun::btnGeneric_Click);
    connect(action(QStringLiteral("menHelpL_0")), &QAction::triggered, this, [this] { menHelpL_Click(0); });
    connect(action(QStringLiteral("menHelpL_1")), &QAction::triggered, this, [this] { menHelpL_Click(1); });
    // A mode item stays checked when clicked again; the switch decides the marks.
    for (const char *name : {"btnSeries", "btnGeneric"}) {
        QAction *a = action(QString::fromLatin1(name));
        connect(a, &QAction::toggled, this, [a](bool checked) {
            Q_UNUSED(checked);
            Q_UNUSED(a);
        });
    }

    for (auto &[key, a] : m_keys) {
        QAction *act = a;
        const QString k = act->property("key").toString();
        connect(act, &QAction::triggered, this, [this, k] { Toolbar1_ButtonClick(k); });
    }

    // What's This with Shift+F1 over any control that has a text.
    QAction *whatsThis = QWhatsThis::createAction(this);
    whatsThis->setObjectName(QStringLiteral("whatsThisMode"));
    addAction(whatsThis);
}

void frmRun::connectSignals() {
    connect(btnRun, &QPushButton::clicked, this, &frmRun::btnRun_Click);
    connect(btnPause, &QPushButton::clicked, this, &frmRun::btnPause_Click);
    connect(btnContinue, &QPushButton::clicked, this, &frmRun::btnContinue_Click);
    connect(btnStop, &QPushButton::clicked, this, &frmRun::btnStop_Click);
    connect(btnHelp, &QPushButton::clicked, this, &frmRun::btnHelp_Click);
    connect(btnReturnStd, &QPushButton::clicked, this, &frmRun::btnReturnStd_Click);
    connect(btnEditWind, &QPushButton::clicked, this, &frmRun::btnEditWind_Click);
    connect(btnEndEditWind, &QPushButton::clicked, this, &frmRun::btnEndEditWind_Click);
    connect(btnCancelEditWind, &QPushButton::clicked, this, &frmRun::btnCancelEditWind_Click);

    for (int i = 1; i <= 8; ++i) {
        connect(Check1[i], &QCheckBox::clicked, this, [this, i] { Check1_Click(i); });
        connect(Text1[i], &QLineEdit::textChanged, this, [this, i] {
            if (m_state.WindEditMode != 0) {
                setTextColour(Text1[i], true);
            }
        });
        Text1[i]->installEventFilter(this);
    }
    for (int j = 1; j <= 3; ++j) {
        connect(Text2[j], &QLineEdit::textChanged, this, [this, j] {
            if (m_state.WindEditMode != 0) {
                setTextColour(Text2[j], true);
            }
        });
        Text2[j]->installEventFilter(this);
    }
    connect(chkStartAuto, &QCheckBox::clicked, this, [this] { chkAuto_Click(0); });
    connect(chkEndAuto, &QCheckBox::clicked, this, [this] { chkAuto_Click(1); });
    for (QLineEdit *box : {mEditStart, mEditEnd, txtHourStart, txtHourEnd}) {
        connect(box, &QLineEdit::textEdited, this,
                [this] { setMenuEnabled(menu(QStringLiteral("menMode")), false); });
        box->installEventFilter(this);
    }

    // Right-click on a frame offers "What's This?".
    for (QWidget *frame :
         std::initializer_list<QWidget *>{Frame7, Frame8, Frame9, Frame10, Frame12, FrameEmitters,
                                          FrameConcUnits, FrameStartEnd, FrameStreetData}) {
        frame->installEventFilter(this);
    }
}

bool frmRun::handleBoxEvent(QObject *watched, QEvent *event) {
    const bool focusOut = event->type() == QEvent::FocusOut;
    bool enter = false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    }
    if (!focusOut && !enter) {
        return false;
    }
    // A check may show a message and move the focus: it runs once the focus change is done.
    auto later = [this](std::function<void()> check) {
        QTimer::singleShot(0, this, [this, check] {
            if (m_checking) {
                return;
            }
            m_checking = true;
            check();
            m_checking = false;
        });
    };
    for (int i = 1; i <= 8; ++i) {
        if (watched == Text1[i]) {
            if (enter) {
                later([this, i] { Text1_Check(i, false); });
                return true;
            }
            later([this, i] {
                if (m_state.WindEditMode != 0 && QApplication::focusWidget() != btnCancelEditWind &&
                    Text1[i]->isEnabled()) {
                    Text1_Check(i, true);
                }
            });
            return false;
        }
    }
    for (int j = 1; j <= 3; ++j) {
        if (watched == Text2[j]) {
            later([this, j] {
                if (m_state.WindEditMode != 0 && QApplication::focusWidget() != btnCancelEditWind) {
                    Text2_LostFocus(j);
                }
            });
            return enter;
        }
    }
    for (int which = 0; which < 2; ++which) {
        QLineEdit *date = which == 0 ? mEditStart : mEditEnd;
        QLineEdit *hour = which == 0 ? txtHourStart : txtHourEnd;
        if (watched == date && focusOut) {
            later([this, which] { mEdit_LostFocus(which); });
            return false;
        }
        if (watched == hour) {
            later([this, which] { txtHour_LostFocus(which); });
            return enter;
        }
    }
    return false;
}

} // namespace vesk::ui

namespace vesk::ui {
bool frmRun::Form_Unload() {
    return true;
}
} // namespace vesk::ui

namespace vesk::ui {
bool frmRun::Form_Load(const QStringList &) {
    m_help->setAppDir(m_state.AppDir);
    const int language = m_help->loadHelpFileSetting();
    action(QStringLiteral("menHelpL_0"))->setChecked(language == 0);
    action(QStringLiteral("menHelpL_1"))->setChecked(language == 1);
    for (const char *name : {"menSave", "menSaveAs", "menClose"}) {
        enableCommand(action(QString::fromLatin1(name)), false);
    }
    setMenuVisible(menu(QStringLiteral("menProject")), false);
    setMenuVisible(menu(QStringLiteral("menView")), false);
    setMenuEnabled(menu(QStringLiteral("menMode")), false);
    btnReturnStd->setEnabled(false);
    for (const char *key : {"Save", "Street", "Results"}) {
        enableKey(QString::fromLatin1(key), false);
    }
    return true;
}

void frmRun::Form_Activate() {}
} // namespace vesk::ui
