// Wiring of the main window's menus, toolbar and controls to their handlers,
// and the checks that run when a box is left or Enter is pressed in it.

#include "core/Interaction.h"
#include "ui/common/EngineState.h"
#include "ui/common/HelpSystem.h"
#include "ui/mainwindow/FileCheckList.h"
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
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QWhatsThis>

#include <algorithm>

namespace vesk::ui {

std::string frmRun::trafficDir() const {
    return m_state.TrafficDir;
}

bool frmRun::noUrbEmiData() const {
    return m_state.NoUrbEmiData;
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
    on("menNew", &frmRun::menNew_Click);
    on("menOpen", &frmRun::menOpen_Click);
    on("menClose", &frmRun::menClose_Click);
    on("menSave", &frmRun::menSave_Click);
    on("menSaveAs", &frmRun::menSaveAs_Click);
    on("menExit", &frmRun::menExit_Click);
    on("menRefresh", &frmRun::menRefresh_Click);
    on("menSetCNDFile", &frmRun::menSetCNDFile_Click);
    on("menInpBackg", &frmRun::menInpBackg_Click);
    on("menModBackg", &frmRun::menModBackg_Click);
    on("menGraphic", &frmRun::menGraphic_Click);
    on("menLastResults", &frmRun::menLastResults_Click);
    on("menOptions", &frmRun::menOptions_Click);
    on("menEmission", &frmRun::menEmission_Click);
    on("menConcUnit", &frmRun::menConcUnit_Click);
    for (const char *name : {"menPollutants", "menPercentiles", "menLimitVal", "menMetBackFiles", "menCities",
                             "menStdTrfFiles", "menScenarios"}) {
        const QString item = QString::fromLatin1(name);
        connect(action(item), &QAction::triggered, this, [this, item] { menListEditor_Click(item); });
    }
    on("menOpenSavedSingle", &frmRun::menOpenSavedSingle_Click);
    on("menOpenSavedMulti", &frmRun::menOpenSavedMulti_Click);
    on("menEditTrf", &frmRun::menEditTrf_Click);
    on("menOpenTrf", &frmRun::menOpenTrf_Click);
    on("menNewTrfFile", &frmRun::menNewTrfFile_Click);
    on("menOpenVehicleList", &frmRun::menOpenVehicleList_Click);
    on("menOpenFuelList", &frmRun::menOpenFuelList_Click);
    on("menEditVehicleList", &frmRun::menEditVehicleList_Click);
    on("menEditFuelList", &frmRun::menEditFuelList_Click);
    on("menEditTarvik", &frmRun::menEditTarvik_Click);
    on("menEditCNDFile", &frmRun::menEditCNDFile_Click);
    for (int i = 0; i < 4; ++i) {
        connect(action(QStringLiteral("menMRU_%1").arg(i)), &QAction::triggered, this,
                [this, i] { menMRU_Click(i); });
    }
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
    for (int kind = 1; kind <= 4; ++kind) {
        FileCheckList *list = List1[kind];
        connect(list, &QListWidget::itemClicked, this, [this, kind] { List1_Click(kind); });
        connect(list, &QListWidget::itemDoubleClicked, this, [this, kind] { List1_DblClick(kind); });
        connect(list, &FileCheckList::checkToggled, this, [this, kind, list](int position) {
            list->setCurrentRow(position);
            List1_Click(kind);
        });
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }
    connect(btnAddFile, &QPushButton::clicked, this, &frmRun::btnAddFile_Click);
    connect(btnChangeFile, &QPushButton::clicked, this, &frmRun::btnChangeFile_Click);
    connect(btnRemove, &QPushButton::clicked, this, &frmRun::btnRemove_Click);
    connect(btnFormatFile, &QPushButton::clicked, this, &frmRun::btnFormatFile_Click);
    connect(MoveUpDown[1], &QPushButton::clicked, this, [this] { MoveUpDown_Click(1); });
    connect(MoveUpDown[2], &QPushButton::clicked, this, [this] { MoveUpDown_Click(2); });
    for (int which = 0; which < 2; ++which) {
        QLineEdit *box = which == 0 ? txtADT : txtSpeed;
        connect(box, &QLineEdit::textEdited, this, [this, which] { txtTraffic_Edited(which); });
        // Text set by code (which clears the box's modified mark) ends the user's typing.
        connect(box, &QLineEdit::textChanged, this, [this, which, box] {
            if (!box->isModified()) {
                m_trafficTyped[static_cast<std::size_t>(which)] = false;
            }
        });
        box->installEventFilter(this);
    }
    connect(cmbCitySize, &QComboBox::activated, this, &frmRun::cmbCitySize_Click);
    connect(cmbYear, &QComboBox::activated, this, &frmRun::cmbYear_Click);
    connect(cmbCountry, &QComboBox::activated, this, &frmRun::cmbCountry_Click);
    cmbCountry->refused = [this] { cmbCountry_DropDownRefused(); };
    btnFormatFile->setEnabled(false);
    btnAddFile->setEnabled(false);
    btnChangeFile->setEnabled(false);
    btnRemove->setEnabled(false);
    MoveUpDown[1]->setEnabled(false);
    MoveUpDown[2]->setEnabled(false);
    for (int k = 1; k <= 4; ++k) {
        List1[k]->showPlaceholder();
    }

    connect(chkStartAuto, &QCheckBox::clicked, this, [this] { chkAuto_Click(0); });
    connect(chkEndAuto, &QCheckBox::clicked, this, [this] { chkAuto_Click(1); });
    for (QLineEdit *box : {mEditStart, mEditEnd, txtHourStart, txtHourEnd}) {
        connect(box, &QLineEdit::textEdited, this,
                [this] { setMenuEnabled(menu(QStringLiteral("menMode")), false); });
        box->installEventFilter(this);
    }
    for (QLineEdit *date : {mEditStart, mEditEnd}) {
        // In an empty date box the cursor stays at the first position of the mask,
        // wherever a click put it, so that every digit typed lands in the box.
        connect(date, &QLineEdit::cursorPositionChanged, this, [date](int, int now) {
            const QString text = date->text();
            const bool empty = std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
            if (now != 0 && empty && !date->hasSelectedText()) {
                date->setCursorPosition(0);
            }
        });
    }

    // Right-click on a frame offers "What's This?".
    for (QWidget *frame :
         std::initializer_list<QWidget *>{Frame7, Frame8, Frame9, Frame10, Frame12, FrameEmitters,
                                          FrameConcUnits, FrameStartEnd, FrameStreetData}) {
        frame->installEventFilter(this);
    }
}

bool frmRun::handleListPress(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::MouseButtonPress) {
        return false;
    }
    for (int kind = 1; kind <= 4; ++kind) {
        FileCheckList *list = List1[kind];
        if (watched == list->viewport() && listTakesFiles(kind) &&
            !list->itemAt(static_cast<QMouseEvent *>(event)->position().toPoint())) {
            // A click below the entries selects the list too, at its last entry
            // (the empty one of a list without files), so Add File is ready at once.
            list->setCurrentRow(list->count() - 1);
            List1_Click(kind);
            return false;
        }
    }
    return false;
}

bool frmRun::handleBoxEvent(QObject *watched, QEvent *event) {
    handleListPress(watched, event);
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
    // Whether the focus went to Run is taken now: by then Run's own message may hold it.
    const bool toRun = focusOut && QApplication::focusWidget() == btnRun && btnRun->isEnabled();
    // A wind box left for End Edit is checked by End Edit, with the same message: its own check
    // stays quiet (one message, not two stacked).
    const bool toEndEdit =
        focusOut && QApplication::focusWidget() == btnEndEditWind && btnEndEditWind->isEnabled();
    auto later = [this, toRun](std::function<void()> check) {
        QTimer::singleShot(0, this, [this, check, toRun] {
            if (m_checking) {
                return;
            }
            m_checking = true;
            m_boxLeftForRun = toRun;
            check();
            m_boxLeftForRun = false;
            m_checking = false;
        });
    };
    for (int i = 1; i <= 8; ++i) {
        if (watched == Text1[i]) {
            if (enter) {
                later([this, i] { Text1_Check(i, false); });
                return true;
            }
            later([this, i, toEndEdit] {
                if (m_state.WindEditMode != 0 && !toEndEdit &&
                    QApplication::focusWidget() != btnCancelEditWind && Text1[i]->isEnabled()) {
                    Text1_Check(i, true);
                }
            });
            return false;
        }
    }
    for (int j = 1; j <= 3; ++j) {
        if (watched == Text2[j]) {
            later([this, j, toEndEdit] {
                if (m_state.WindEditMode != 0 && !toEndEdit &&
                    QApplication::focusWidget() != btnCancelEditWind) {
                    Text2_LostFocus(j);
                }
            });
            return enter;
        }
    }
    for (int kind = 1; kind <= 4; ++kind) {
        if (watched == List1[kind] && focusOut) {
            later([this, kind] { List1_LostFocus(kind); });
            return false;
        }
    }
    for (int which = 0; which < 2; ++which) {
        QLineEdit *box = which == 0 ? txtADT : txtSpeed;
        if (watched == box) {
            if (enter) {
                (which == 0 ? txtSpeed : txtADT)->setFocus();
                return true;
            }
            later([this, which] { txtTraffic_LostFocus(which); });
            return false;
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
