#pragma once

// The project file writer (.vkp single street, .vkm multi streets).
//
// The file mixes record lines (comma-separated, strings in double quotes,
// #TRUE#/#FALSE#, numbers with ".") and print lines (header texts, numbers
// with a blank before a non-negative value and one after, print zones and tab
// columns). Readers split print lines at blanks, so only the order of the
// values binds; the spacing below is kept stable so that a file written twice
// is the same byte for byte. Every line ends in CR LF.

#include "core/Interaction.h"

#include <string>
#include <string_view>

namespace vesk {

struct ProjectState;

// The names that a save writes where they may differ from the state: the
// country of line 1 and the fleet, fuel and conditions records ("" = no record).
struct ProjectSaveNames {
    std::string country;
    std::string fleet;
    std::string fuel;
    std::string conditions;
};

// The names a plain save would write, without asking anything: the country is
// ProjectCountry, or CurrentCountry when the project named none; the fleet and
// fuel names with a leading ListsDir replaced by "."; the conditions name with
// a leading WorkDir removed.
ProjectSaveNames defaultSaveNames(const ProjectState &s);

// The whole file as bytes. Route and multi-street projects write a zero
// geometry, no sectors and zero receptors (the state is not changed here).
// NumFileRecords is computed, not taken from the state.
std::string formatProjectFile(const ProjectState &s, const ProjectSaveNames &names);

// The number of file records formatProjectFile writes for these names.
int countFileRecords(const ProjectState &s, const ProjectSaveNames &names);

// A bracket list: "[" + list + "]" cut after every comma, one item per line,
// the rest trimmed after each cut; every line ends in CR LF.
std::string formatBracketList(std::string_view list);

// Writes the project to path through a temporary file and a rename. On
// failure the old file stays whole and *error says why.
bool writeProjectFile(const ProjectState &s, const ProjectSaveNames &names, const std::string &path,
                      std::string *error);

enum class SaveResult { Saved, Cancelled, Failed };

// The Save command. Asks (through ui) about in-memory fleet/fuel data, asks
// for a name when the project is untitled (a folder other than WorkDir
// becomes the project's folder as moveProjectFolder makes it, so every name
// still names the file the project used), asks about a country that differs
// from the current one, writes the file, clears ProjectChanged, puts the file
// at the top of the recent files and finally offers to save a changed local
// option file. A write failure is shown and leaves ProjectChanged set.
// Default answers: in-memory fleet data "save without them?" No (nothing is
// written); another country: No (the project keeps its country); the local
// option file: No.
SaveResult saveProject(ProjectState &s, Interaction &ui);

// Save As: asks for a new name (refusing a read-only folder), makes its folder
// the project's folder as moveProjectFolder does and saves. Nothing saved:
// the project keeps its name, folder and stored names.
SaveResult saveProjectAs(ProjectState &s, Interaction &ui);

// "WinVESK Calculation [name]", "WinVESK Special Mode [name]" or "WinVESK".
std::string windowCaption(const ProjectState &s);

} // namespace vesk
