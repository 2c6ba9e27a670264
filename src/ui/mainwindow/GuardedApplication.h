#pragma once

// The application object of the window. An exception that escapes an event
// handler (a fault of the program, not of the user's data) is shown as a
// message and the program goes on, instead of being ended by the event loop.

#include "core/Interaction.h"

#include <QApplication>

namespace vesk::ui {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int &argc, char **argv);

    // Where the message goes (the window's message boxes); without one it is
    // written to standard error.
    void setInteraction(Interaction *ui) { m_ui = ui; }

    bool notify(QObject *receiver, QEvent *event) override;

private:
    void report(const std::string &what);

    Interaction *m_ui = nullptr;
};

} // namespace vesk::ui
