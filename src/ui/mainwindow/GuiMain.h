#pragma once

namespace vesk {
struct ToolCommandLine;
}

namespace vesk::ui {

// Creates the application, the state and the main window and runs the event
// loop; returns the exit status. The command line is read by the window.
int runGui(int argc, char **argv);

// The emission-factor program or the traffic editor program (a process of
// its own, started by the main window): returns when its window is closed;
// 1 when the program could not start.
int runTool(int argc, char **argv, const ToolCommandLine &line);

} // namespace vesk::ui
