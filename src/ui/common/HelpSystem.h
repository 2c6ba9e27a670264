#pragma once

// On-line help: HTML pages in the program's "Help" folder, one page per
// language, with one anchor per context number ("ctx22" for context 22) plus
// the anchors "contents" and "index". Requests carry a command and a context
// number as the Help buttons and menus set them; they open the pages in one
// help window with a QTextBrowser. A missing page or anchor is never an error.
//
// The help window belongs to the window that asked for it last: it is a
// window of its own with that window as its parent, so it stands above it and
// takes clicks and keys while that window is modal. When the asking window
// closes, the help window stays open above the window below it (the main
// window below a dialog).
//
// F1 anywhere in the program presses the Help button ("btnHelp") of the
// window that has the keyboard, where it has one that can be pressed: the
// same topic as the button. Windows with a help shortcut of their own keep it.

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Makes the help window a window of `asking` (the window asking for help).
    void attachTo(QWidget *asking);
    // The asking window closes: the help window goes to the window below it.
    void detachFrom(QWidget *asking);
    // F1 in window: presses its Help button; false when it has none to press.
    static bool pressHelpButton(QWidget *window);

    Settings &m_settings;
    std::string m_appDir;
    QPointer<HelpWindow> m_window;
    QUrl m_lastShown;
};

} // namespace vesk::ui
