#pragma once

// The four file lists of a project and their operations, kept in step with
// the tables of the state (see FileListState).
//
// Positions are 0-based list positions; entry position + 1 of the tables
// belongs to the item at that position. Kinds 1 (hourly input), 2 (hourly
// output) and 4 (statistics) carry their FileFormatLists; kind 3 (traffic)
// holds candidate names in TrafficListItems, the one in use being TrafficFile,
// kept checked at the top. Every operation that changes a list sets
// ProjectChanged and recounts NumFileRecords. An operation that is refused
// changes nothing and says why in *error.

#include <string>
#include <vector>

namespace vesk {

struct ProjectState;

// Number of files in list kind (1..4); 0 for any other kind.
int fileCount(const ProjectState &s, int kind);

// The name of the file at position.
std::string fileNameAt(const ProjectState &s, int kind, int position);

// Whether the item at position is checked (included; for kind 3: in use).
bool fileChecked(const ProjectState &s, int kind, int position);

// Adds name after position (-1 = at the start); the traffic list always adds
// at the top, and the new name becomes the traffic file in use. A new file of
// kinds 1, 2 and 4 is included, with an empty variable (and rows) list and
// "*" as format and scaling list. Refused: no list, an empty name, a name with
// a double quote, a full list (20 files). Returns the new file's position, or
// -1 when refused.
int addFile(ProjectState &s, int kind, int position, const std::string &name, std::string *error);

// Renames the file at position and includes it again; its lists are kept.
// In the traffic list the renamed file becomes the traffic file in use.
bool changeFile(ProjectState &s, int kind, int position, const std::string &name, std::string *error);

// Removes the file at position. Removing the traffic file in use leaves no
// traffic file (TrafficFile "", TrafficFileLoaded cleared).
bool removeFile(ProjectState &s, int kind, int position, std::string *error);

// Swaps the file at position with the one above (up) or below; every column
// of the kind moves with it. Returns the file's new position, or position
// unchanged when it cannot move (top going up, bottom going down, traffic
// list).
int moveFile(ProjectState &s, int kind, int position, bool up);

// Sets the check mark of position. For the traffic list a checked item
// becomes the traffic file in use (moved to the top, the others unchecked);
// an unchecked one leaves no traffic file. Returns true when the traffic file
// in use changed (the caller then reads the new file's traffic properties).
bool setFileChecked(ProjectState &s, int kind, int position, bool checked);

// The lists of a data file, for the format dialog, and their write-back.
struct FileFormatLists {
    std::string varList, formatList, scalingList, rowList;
};
FileFormatLists fileFormatLists(const ProjectState &s, int kind, int position);
// Sets ProjectChanged when any list differs.
void setFileFormatLists(ProjectState &s, int kind, int position, const FileFormatLists &lists);

enum class FileColour { Black, Red, Grey };

// Grey when not checked; red when the variable list (statistics: or the rows
// list) is empty; otherwise black. Traffic files are black when checked.
FileColour fileColour(const ProjectState &s, int kind, int position);

// Run is possible exactly when one of the hourly input files is checked.
bool runEnabled(const ProjectState &s);

// True when some file of the lists is shown red (the warning note is shown).
bool TestVariableList(const ProjectState &s);

// The traffic file's path: a bare name in WorkDir, ".\name" in TrafficDir, a
// name with a folder below WorkDir (or in AppDir when only that holds it), a
// full path as it stands; found without regard to letter case. "" when there
// is no traffic file.
std::string trafficFilePath(const ProjectState &s);

// Recounts NumFileRecords as a save would write it.
void recountFileRecords(ProjectState &s);

// The lists the format dialog offers under "Load from Project" for a file of
// kind: for a statistics file (4) each statistics file's variable list and
// then its rows list; for hourly files (1, 2) the variable list of every
// hourly input file and then of every hourly output file. Empty lists are
// left out; the file being formatted and equal lists are not.
std::vector<std::string> formatDialogProjectLists(const ProjectState &s, int kind);

} // namespace vesk
