#pragma once

// The recent-files list of the File menu: at most four project paths, newest
// first, kept in MRUFiles (MRULastIndex = last index in use, -1 when empty)
// and stored between sessions in the settings section "MRUFiles" under the
// keys "0" (newest) to "3". Paths are compared without regard to letter case.

#include "core/Settings.h"

#include <string>

namespace vesk {

struct ProjectState;

// Reads keys "0", "1", ... until the first empty or missing value and
// rebuilds the list in its saved order.
void LoadMRUList(ProjectState &s, const Settings &settings);

// Puts path at the top: moves it there when present, inserts it otherwise.
void AddMRUFile(ProjectState &s, const std::string &path);

// Index of the entry equal to path (letter case ignored), -1 when none.
int FindMRUFile(const ProjectState &s, const std::string &path);

// Moves entry index to the top.
void MoveMRUToTop(ProjectState &s, const std::string &path, int index);

// Inserts path at the top, dropping the oldest entry when four are in use.
void InsertMRUFile(ProjectState &s, const std::string &path);

// Writes keys "0" .. MRULastIndex; keys beyond the list stay as they are.
void SaveMRUList(const ProjectState &s, Settings &settings);

// The menu caption of entry i: "&1 path" ... "&4 path".
std::string MRUCaption(const ProjectState &s, int index);

} // namespace vesk
