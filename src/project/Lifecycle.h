#pragma once

// Going from one project to the next: the save questions asked before New,
// Open, Close and leaving the program, the empty state after Close, opening a
// project, the working-folder checks of New and loading the template, and the
// settings written when the program ends.
//
// The GUI calls these from its menu handlers and does the visible part
// (menus, captions, dialogs of its own); every question and message goes
// through Interaction.

#include "core/Interaction.h"
#include "core/Settings.h"
#include "project/ProjectReader.h"

#include <functional>
#include <string>

namespace vesk {

struct ProjectState;

enum class ProjectCommand { New, Open, Close, Unload };

// Opens the traffic file in the traffic editor so that the user can save it
// (the answer Yes to the traffic-file question). Returns true only when the
// editor reports the file saved.
using TrafficFileSaver = std::function<bool(ProjectState &)>;

// The save questions, in their order: the traffic file (when edited and not
// saved), the project (when changed), the local option file (when changed;
// not asked by Open). Returns false when the user cancelled, or when a save
// the user asked for failed or was cancelled, so that nothing unsaved is
// lost. Yes comes first and is the default of the traffic-file and project
// questions, so Enter saves; the option-file question keeps No. No to the
// project question (Close, New, Open) and to the option-file question (Close)
// settles it: the command after it does not ask again. A batch run asks none
// of them.
bool askSaveQuestions(ProjectState &s, Interaction &ui, ProjectCommand command,
                      const TrafficFileSaver &saveTraffic);

// The state after Close: no project file, no fleet, fuel or traffic file, no
// emission set-up, no scenario year, no trailing value.
void closeProject(ProjectState &s);

// Whether a project is open: one loaded from its file, or a new one not yet
// saved. None is open when the program started without one, and after Close,
// which keeps WorkDir (where Open then starts): the window is titled "WinVESK".
bool projectOpen(const ProjectState &s);

// The folder of the open project (WorkDir), where a name typed without its
// folder outside a file chooser lies (the print dialog's output file); ""
// when no project is open (projectOpen), whatever WorkDir still holds.
std::string openProjectFolder(const ProjectState &s);

// Opens path (after the save questions and the file choice, which the caller
// has done): resets the project values, loads, and on success puts the path
// at the top of the recent files (unless it came from there) and clears
// ProjectChanged. A failed load closes the project.
LoadResult openProject(ProjectState &s, Interaction &ui, const std::string &path);

// The folder the Open and New dialogs start in: WorkDir, else the settings
// value "Files"/"LastPath", else AppDir & "Working".
std::string startFolder(const ProjectState &s, const Settings &settings);

enum class FolderCheck {
    Accepted,    // the folder is the new working folder
    ChooseAgain, // show the folder choice again
};

// The checks of a folder chosen or typed for a new project (chosen), read as
// a name typed outside the file chooser is (typedNamePathIn): "\" separates
// folders, and a relative name ("newwork\x") lies in offered, the folder the
// field offered (the open project's folder). A name with a drive letter is
// refused with the run's message, a missing folder may be created (the
// question names its full path; then checked again), a read-only one is
// refused, one holding a Run.opt (any letter case) is accepted only after the
// user's OK. On Accepted, *folder (when given) is the folder's path, ending
// in "/".
FolderCheck checkWorkingFolder(const std::string &chosen, const std::string &offered, Interaction &ui,
                               std::string *folder = nullptr);

// Loads the template "Standard.___" of AppDir as an untitled project in
// folder. Nothing of the previous project's traffic stays; a template without
// vehicle and fuel lists gets those of its scenario year (the current year's
// when the year is not listed). On success ProjectName is "untitled"; the
// caller then asks for the project kind and the street. A failed template
// load closes the project.
LoadResult newProjectFromTemplate(ProjectState &s, Interaction &ui, const std::string &folder);

// What leaving the program asks and stores. Returns false when the user
// cancelled (the window stays). Asks nothing while the program is stopping
// (ErrorCode 100). Otherwise the save questions, then whether a changed
// current country becomes the default (Yes rewrites Countries.ini through
// saveCountries), then the recent files and "Files"/"LastPath" are stored.
bool unloadProgram(ProjectState &s, Interaction &ui, Settings &settings, const TrafficFileSaver &saveTraffic,
                   const std::function<bool(ProjectState &, std::string *)> &saveCountries);

} // namespace vesk
