#pragma once

namespace vesk::ui {

// Creates the application, the state and the main window and runs the event
// loop; returns the exit status. The command line is read by the window.
int runGui(int argc, char **argv);

} // namespace vesk::ui
