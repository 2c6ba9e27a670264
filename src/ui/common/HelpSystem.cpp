#include "ui/common/HelpSystem.h"

#include "ui/common/HelpWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>

namespace vesk::ui {

namespace {
const char *const kEnglish = "Vesk_en.hlp";
const char *const kDanish = "Vesk_dk.hlp";
} // namespace

HelpSystem::HelpSystem(Settings &settings, QObject *parent) : QObject(parent), m_settings(settings) {
    if (qApp != nullptr) {
        qApp->installEventFilter(this); // F1
    }
}

HelpSystem::~HelpSystem() {
    delete m_window;
}

int HelpSystem::loadHelpFileSetting() {
    HelpFileName = m_settings.value("HelpFile", "Path");
    if (HelpFileName.empty()) {
        HelpFileName = kEnglish;
        m_settings.setValue("HelpFile", "Path", HelpFileName);
    }
    const QString name = QString::fromStdString(HelpFileName);
    if (name.contains(QStringLiteral("_dk"), Qt::CaseInsensitive)) {
        return 1;
    }
    return 0;
}

void HelpSystem::SetHelpFile(int language) {
    if (language == 0) {
        HelpFileName = kEnglish;
    } else if (language == 1) {
        HelpFileName = kDanish;
    }
    m_settings.setValue("HelpFile", "Path", HelpFileName);
    if (helpFileChanged) {
        helpFileChanged(applicationHelpFile());
    }
}

std::string HelpSystem::applicationHelpFile() const {
    return m_appDir + "Help/" + HelpFileName;
}

QString HelpSystem::helpPage() const {
    QString path = QString::fromStdString(applicationHelpFile());
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > path.lastIndexOf(QLatin1Char('/'))) {
        path.truncate(dot);
    }
    return path + QStringLiteral(".html");
}

void HelpSystem::ShowHelpTopic(QWidget *form) {
    QString anchor;
    switch (HelpCommand) {
    case kShowTopic:
        anchor = QStringLiteral("ctx%1").arg(HelpContextID);
        break;
    case kContents:
        anchor = QStringLiteral("contents");
        break;
    case kIndex:
        anchor = QStringLiteral("index");
        break;
    default:
        return;
    }
    const QString page = helpPage();
    if (!QFileInfo::exists(page)) {
        return; // help that cannot be found is not reported
    }
    if (!m_window) {
        m_window = new HelpWindow(nullptr);
        m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    m_window->showPage(page, anchor);
    m_lastShown = QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath());
    m_lastShown.setFragment(anchor);
    if (form && form->window() && form->window()->isVisible()) {
        QWidget *asking = form->window();
        const bool wasVisible = m_window->isVisible();
        attachTo(asking);
        if (!wasVisible) {
            m_window->placeOver(asking); // not in a corner of the screen
        }
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    } else if (!form) {
        m_window->show();
    }
}

void HelpSystem::attachTo(QWidget *asking) {
    if (asking == m_window || m_window->parentWidget() == asking) {
        return;
    }
    const bool visible = m_window->isVisible();
    const QRect place = m_window->geometry();
    // A window of the asking window: it stands above it and is not blocked
    // while the asking window is modal.
    m_window->setParent(asking, Qt::Window);
    if (visible) {
        m_window->setGeometry(place);
    }
}

void HelpSystem::detachFrom(QWidget *asking) {
    if (!m_window || m_window->parentWidget() != asking) {
        return;
    }
    // The window below the one that closes (the main window below a dialog)
    // keeps the help window open where it is; without one it closes too.
    QWidget *below = asking->parentWidget() ? asking->parentWidget()->window() : nullptr;
    if (below != nullptr && !below->isVisible()) {
        below = nullptr;
    }
    const bool visible = m_window->isVisible() && below != nullptr;
    const QRect place = m_window->geometry();
    m_window->setParent(below, Qt::Window);
    if (visible) {
        m_window->setGeometry(place);
        m_window->show();
    }
}

bool HelpSystem::pressHelpButton(QWidget *window) {
    if (window == nullptr) {
        return false;
    }
    // The button on show first; else one the window hides for the moment (the
    // main window's, while it has no project) still names the window's topic.
    const auto buttons = window->findChildren<QAbstractButton *>(QStringLiteral("btnHelp"));
    for (const bool shown : {true, false}) {
        for (QAbstractButton *button : buttons) {
            if (button->window() == window && button->isEnabled() && (!shown || button->isVisible())) {
                button->click();
                return true;
            }
        }
    }
    return false;
}

bool HelpSystem::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Hide && !event->spontaneous() && m_window && watched->isWidgetType() &&
        watched == m_window->parentWidget()) {
        detachFrom(static_cast<QWidget *>(watched));
    } else if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F1 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
            pressHelpButton(static_cast<QWidget *>(watched)->window())) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void HelpSystem::showContext(QWidget *form, long contextId) {
    HelpCommand = kShowTopic;
    HelpContextID = contextId;
    ShowHelpTopic(form);
}

} // namespace vesk::ui
