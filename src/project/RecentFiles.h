#pragma once

// The recent-files list of the File menu: at most four project paths, newest
// first, kept in MRUFiles (MRULastIndex = last index in use, -1 when empty)
// and stored between sessions in the settings section "MRUFiles" under the
// keys "0" (newest) to "3". Paths are compared without regard to letter case.

#include "core/Settings.h"

#include <string>

namespace vesk {

struct State;

// Reads keys "0", "1", ... until the first empty or missing value and
// rebuilds the list in its saved order.
void LoadMRUList(State &s, const Settings &settings);

// Puts path at the top: moves it there when present, inserts it otherwise.
void AddMRUFile(State &s, const std::string &path);

// Index of the entry equal to path (letter case ignored), -1 when none.
int FindMRUFile(const State &s, const std::string &path);

// Moves entry index to the top.
void MoveMRUToTop(State &s, const std::string &path, int index);

// Inserts path at the top, dropping the oldest entry when four are in use.
void InsertMRUFile(State &s, const std::string &path);

// Writes keys "0" .. MRULastIndex; keys beyond the list stay as they are.
void SaveMRUList(const State &s, Settings &settings);

// The menu caption of entry i: "&1 path" ... "&4 path".
std::string MRUCaption(const State &s, int index);

} // namespace vesk
