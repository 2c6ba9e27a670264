#pragma once

// The emission-factor program and the traffic editor program: windows of
// their own, each in a process of its own that the main window starts with
// an argument list (project/CommandLine.h gives the two command lines).

#include "project/CommandLine.h"

#include <QDialog>

#include <functional>
#include <string>

namespace vesk {
struct State;
class Interaction;
} // namespace vesk

namespace vesk::ui {

// The program start-up for a tool window: the folders, the shared lists and
// the lists of the named country (the default country when the program does
// not know that name). Nothing is written: no settings, no Countries.ini.
// False when the start-up failed (the message has been shown).
bool setUpToolState(State &state, const std::string &appDir, const std::string &country, Interaction &ui);

// Shows the window of a tool command line and returns when it is closed:
// the emission-factor window on the lists and year given, or the traffic
// editor on a new traffic file with the vehicle list's categories (it opens
// and saves any traffic file). run, when given, works the window instead of
// exec() (tests).
void showToolWindow(State &state, const ToolCommandLine &line, Interaction &ui,
                    const std::function<void(QDialog &)> &run = {});

} // namespace vesk::ui
