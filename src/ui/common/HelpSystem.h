#pragma once

// On-line help: HTML pages in the program's "Help" folder, one page per
// language, with one anchor per context number ("ctx22" for context 22) plus
// the anchors "contents" and "index". Requests carry a command and a context
// number as the Help buttons and menus set them; they open the pages in one
// help window with a QTextBrowser. A missing page or anchor is never an error.

#include "core/Settings.h"
#include "ui/common/HelpWindow.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <string>

class QWidget;

namespace vesk::ui {

class HelpSystem : public QObject {
    Q_OBJECT
public:
    // Command numbers of a help request.
    static constexpr long kShowTopic = 1;
    static constexpr long kContents = 3;
    static constexpr long kIndex = 15;

    HelpSystem(Settings &settings, QObject *parent = nullptr);
    ~HelpSystem() override;

    // Program folder ending in "/" (the pages lie in its "Help" folder).
    void setAppDir(const std::string &appDir) { m_appDir = appDir; }

    // Reads the help file name from the settings ("Vesk_en.hlp" when absent,
    // written back then). Returns the language: 0 English, 1 Danish.
    int loadHelpFileSetting();

    // 0 English, 1 Danish; another value keeps the name but still rewrites the
    // path, the setting and the listener.
    void SetHelpFile(int language);

    // The full path of the application's help file as the program names it.
    std::string applicationHelpFile() const;
    // The HTML page that stands for the help file.
    QString helpPage() const;

    // Shows the topic of HelpCommand/HelpContextID for a form.
    void ShowHelpTopic(QWidget *form);
    // Convenience: sets command 1 and the context number, then shows it.
    void showContext(QWidget *form, long contextId);

    // Called with the help file's full path whenever it changes.
    std::function<void(const std::string &)> helpFileChanged;

    long HelpCommand = 0;
    long HelpContextID = 0;
    std::string HelpFileName;

    // The address shown last (tests).
    QUrl lastShown() const { return m_lastShown; }
    HelpWindow *window() const { return m_window; }

private:
    Settings &m_settings;
    std::string m_appDir;
    QPointer<HelpWindow> m_window;
    QUrl m_lastShown;
};

} // namespace vesk::ui
