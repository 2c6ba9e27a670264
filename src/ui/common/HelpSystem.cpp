#include "ui/common/HelpSystem.h"

#include "ui/common/HelpWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace vesk::ui {

namespace {
const char *const kEnglish = "Vesk_en.hlp";
const char *const kDanish = "Vesk_dk.hlp";
} // namespace

HelpSystem::HelpSystem(Settings &settings, QObject *parent) : QObject(parent), m_settings(settings) {}

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
        if (!m_window->isVisible()) {
            m_window->placeOver(form->window()); // not in a corner of the screen
        }
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    } else if (!form) {
        m_window->show();
    }
}

void HelpSystem::showContext(QWidget *form, long contextId) {
    HelpCommand = kShowTopic;
    HelpContextID = contextId;
    ShowHelpTopic(form);
}

} // namespace vesk::ui
