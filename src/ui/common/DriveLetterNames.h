#pragma once

// Stored names that begin with a drive letter ("C:\res\Met.txt") name a drive
// of Windows, which this system does not have. Taken as written they would be
// read from, or written to, the folder the program was started from. Where the
// window (or a program it starts) would read, write or open such a name, it
// says so instead and does nothing with the name.

#include <string>

namespace vesk {
class Interaction;
}

namespace vesk::ui {

// True when stored (a name or a table address as a project or a list stores
// it) begins with a drive letter: the refusal naming it and field ("the
// conditions file", "entry 2 of the hourly input files") has then been shown
// through ui as a critical message, and the caller leaves the name alone.
// False, with nothing shown, for any other name (an empty one too).
bool refuseDriveLetterName(Interaction &ui, const std::string &stored, const std::string &field);

// The field a file list's entry names in messages: entry position + 1 of the
// list of kind 1 (hourly input files), 2 (hourly output files), 3 (traffic
// files) or 4 (statistics files), as the run names it.
std::string fileListEntryField(int kind, int position);

} // namespace vesk::ui
