#pragma once

// The steps that staged files (StagedFile.h) take on names in the folder of
// their target, shared by StagedFile and ReplacedFiles.
//
// Each step is taken relative to a descriptor of the folder, and none
// follows a symbolic link or opens a name a second time: the folder may be
// one that other users may write, who may put anything under any name at
// any moment. Which file a name holds is told by its device and inode; a
// file this process holds open is given a further name from its descriptor
// (descriptorPath), never from a name that may have changed meanwhile.

#include "core/StagedFile.h"

#include <string>
#include <sys/stat.h>

namespace vesk::staged {

// A fresh name for a file beside the target of the name: the name hidden
// behind a dot, with a random part and the ending (".part" for a file being
// written, ".prev" for the old contents of a replaced one):
// ".Out.txt.3fa2c100.part".
std::string hiddenName(const std::string &name, const char *ending);

// Whether name is one hiddenName(target, ending) gives.
bool isHiddenNameOf(const std::string &name, const std::string &target, const std::string &ending);

// The ending of a file kept aside for target: its extension (".txt"), or
// ".kept" without one.
std::string keptEnding(const std::string &target);

bool sameFile(const struct stat &a, const struct stat &b);

// Whether name in folder holds file (itself, not through a link).
bool holds(int folder, const std::string &name, const struct stat &file);

// Gives the open file fd (its status: file) the further name `to` in folder,
// which must not exist. Where the system offers no name of a descriptor
// (/proc is missing), `from`, a name in folder that held the file, is linked
// instead, and the new name is checked to hold the file (else it is removed
// again: ESTALE). False with the system's error number (EEXIST: the name is
// taken; ENOENT: the file has no name left to link from).
bool linkOpenFile(int fd, const struct stat &file, int folder, const std::string &from, const std::string &to,
                  int *err);

// Removes the files in folder named as hiddenName(target, ending) names them
// that nobody holds and that are this user's own: regular files of this
// user with no other name, found so by their status and by that of a
// descriptor opened on them without following a link (and for old contents,
// ".prev", a second name of the target's own file too). Temporary files
// (.part) take a shared lock to tell that their writer holds none; old
// contents (.prev) an exclusive one, as a group holds them shared.
void removeUnheld(int folder, const std::string &target, const std::string &ending);

// Why a file may not go in place of target, whose name holds now what *now
// says (nullptr: nothing), when the writing began (StagedFile::open) with
// `checked` under that name (existed) or nothing: another file or a link
// there now, or no regular file (named: "a named pipe"). "" when the name
// holds the file checked, or nothing (a file removed meanwhile: nothing is
// replaced).
std::string changedSinceChecked(const std::string &target, const struct stat *now, bool existed,
                                const struct stat &checked);

// Calls the tests' hook (onStagedStepForTesting), where one is set.
void step(StagedStep which, const std::string &target, const std::string &name);

// The path of name in the folder of path (a full or relative path).
std::string besides(const std::string &path, const std::string &name);

// The folder of a file's path, for a message: "." when the path names none.
std::string folderOf(const std::string &path);

// The path through which the file this process holds open as fd is opened
// again, whatever its names have become meanwhile: /proc/<process>/fd/<fd>,
// which a helper process of this one may open too. It opens nothing where
// the system has no /proc.
std::string descriptorPath(int fd);

} // namespace vesk::staged
