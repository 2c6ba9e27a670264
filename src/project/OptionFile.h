#pragma once

// Run.opt: the run options shared by all projects of one working folder.
//
// A positional file of 27 lines: print lines (header texts, values split at
// blanks) and record lines (comma-separated, #TRUE#/#FALSE#). The
// per-pollutant rows are keyed by the pollutant names of line 12, so a file
// written for another set of pollutants still reads: a pollutant missing from
// the file keeps 3 ("both") and is shown; a name the country does not know is
// reported once and dropped at the next save.

#include "core/Interaction.h"

#include <string>

namespace vesk {

struct ProjectState;

// The whole file as bytes, from the working values.
std::string formatOptionFile(const ProjectState &s);

// The working folder's option file: an existing "Run.opt" in any letter case,
// else WorkDir & "Run.opt".
std::string localOptionFilePath(const ProjectState &s);

// Writes the file through a temporary file and a rename.
bool SaveOptionFile(const ProjectState &s, const std::string &path, std::string *error);

// Reads an option file's text into the state (stored copies for lines 1, 3, 5
// and 7). Unknown pollutant names are reported through ui and set
// OptionFileChanged. Returns false with *error set when the text is damaged;
// the state may then be partly filled.
bool parseOptionFile(ProjectState &s, const std::string &text, Interaction &ui, std::string *error);

// The option-file step of loading a project: reads WorkDir's Run.opt, or the
// program-wide one in AppDir when there is none (setting NoLocalOptionFile).
// A damaged local file may be replaced by the program-wide one after a
// question (the damaged file is kept as "Run.opt.bak"). continueInSpecialMode
// forces CalcMode 0; a route project gets its statistics and automatic
// results switched off. False when the load must be abandoned.
bool readProjectOptionFile(ProjectState &s, Interaction &ui, bool continueInSpecialMode);

} // namespace vesk
