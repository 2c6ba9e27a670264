#include "ui/mainwindow/GuardedApplication.h"

#include "project/Batch.h"
#include "ui/common/ScreenFit.h"

#include <QPointer>

#include <cstdio>
#include <exception>

namespace vesk::ui {

GuardedApplication::GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject *receiver, QEvent *event) {
    try {
        if (!mayFitWindow(receiver, event)) {
            return QApplication::notify(receiver, event);
        }
        // Every window within its screen, once it has handled its own showing or framing.
        const QPointer<QObject> alive(receiver);
        const bool handled = QApplication::notify(receiver, event);
        fitWindowAfterEvent(alive.data(), event);
        return handled;
    } catch (const std::exception &e) {
        report(e.what());
    } catch (...) {
        report("an error of unknown kind");
    }
    return false;
}

void GuardedApplication::report(const std::string &what) {
    const std::string text = unexpectedErrorMessage(what);
    if (m_ui != nullptr) {
        m_ui->message(text, Icon::Critical);
    } else {
        std::fprintf(stderr, "WinVESK: %s\n", text.c_str());
    }
}

} // namespace vesk::ui
