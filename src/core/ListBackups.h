#pragma once

// The backups of a reference list in the national lists folder. A list X.lst
// has two copies beside it:
//
//   X.bak  the list before the first save ever (normally as installed): made
//          only while there is none, never overwritten; Restore copies it back.
//   X.ls0  the list as it stood before the latest save; every save replaces it.
//
// The common meteorology and background format MetBack.fmt has
// MetBackFormat.bak and MetBack.fm0 instead. Every copy and every new list is
// written through a temporary file and a rename, so a failure leaves the
// file it was to replace whole.

#include <string>

namespace vesk {

struct ListFileNames {
    std::string list, backup, previous; // "X.lst", "X.bak", "X.ls0"
};

// The names for a list file name ("Pollutants.lst", "MetBack.fmt").
ListFileNames listFileNames(const std::string &listName);

// dir (ending in "/") + name, found without regard to letter case when the
// exact name does not exist.
std::string listFilePath(const std::string &dir, const std::string &name);
bool listFileExists(const std::string &dir, const std::string &name);

// Copies the list to its .bak unless a .bak exists. True when there is a
// .bak afterwards; false with *error when the list cannot be copied (it is
// missing, say).
bool makeFirstSaveBackup(const std::string &dir, const ListFileNames &names, std::string *error);

// Copies the list (when there is one) to its .ls0, then writes text as the
// list. False with *error when a step failed; the list is then as before.
bool writeListFile(const std::string &dir, const ListFileNames &names, const std::string &text,
                   std::string *error);

// Copies the .bak over the list. Restored, NoBackup (nothing changed) or
// Failed (*error; the list is as before).
enum class RestoreResult { Restored, NoBackup, Failed };
RestoreResult restoreFirstSaveBackup(const std::string &dir, const ListFileNames &names, std::string *error);

// Copies the .ls0 back over the list (after a save whose list could not be
// loaded). False with *error when there is no .ls0 or the copy failed.
bool restorePreviousVersion(const std::string &dir, const ListFileNames &names, std::string *error);

// Copies a file byte for byte through a temporary file beside the target.
bool copyFileAtomically(const std::string &from, const std::string &to, std::string *error);

} // namespace vesk
