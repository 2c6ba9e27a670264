#pragma once

// The exclusive hold of one run on an output file: a text output as a
// database or spreadsheet file.
//
// Two runs that write one file would lose each other's outputs: the one
// that ends last replaces the other's file, and a workbook's writer, which
// reads the file to keep its other tables, puts back what it read and
// reverts the other's table; a run whose group of outputs fails puts back
// old contents over whatever came meanwhile. So a run holds each output from
// its check before the first hour until its group of outputs is final (in
// place, put back, or the run failed), and a second run, of this process or
// another, is refused at once: nobody waits.
//
// The hold is an advisory lock (an open-file-description lock, so that two
// runs in threads of one process exclude each other as two processes do) on
// a lock file beside the file: ".Book.xls.lock" beside "Book.xls", in the
// folder of a linked file's destination. Every step on the lock file's name
// is taken relative to that folder, opened once as the output's place was
// resolved (core/OutputPlace.h), never by its full path. A lock file a run
// makes is its user's alone (mode 600, whatever the umask), so that no other
// user may open it, and names its holder (process, user, computer) for the
// message of a run refused meanwhile; it is locked and names its holder
// before it takes its name (made under a hidden name and renamed), so that
// no other program finds it unlocked or empty, and a lock file a run made
// but could not lock is removed again. It is removed when the hold ends; one
// left behind by a program that was killed holds nothing, and the hidden
// files of a program killed while it made its lock file are removed by the
// next hold (those of this user that nobody holds). Only a lock file of this user's
// own (made by this hold, or one a run of this user left, of a holder line
// or empty) is written and removed: a file of another user under that name
// that this user may write (an empty file anyone may write, say) is locked
// but neither written nor removed, and so is a file of this user that is
// no lock file (another name of some file, made with ln, or a file of other
// bytes). Anything else under that name (a symbolic link, a folder, a pipe,
// a device) is left alone, not even opened, and the file is not written:
// what a name holds is looked at once, through a descriptor that opens
// nothing (O_PATH), and only a regular file found so is opened again,
// through that descriptor, to be locked or read, so that a pipe put there
// meanwhile is never waited on.
// A lock file of another user that this one may not write is tested for a
// holder under a shared lock: held, the file is in use; left over (its
// holder line names its owner), it is replaced by one of this user's (a
// file a run holds is never replaced). One this user cannot even read (a
// run's) is in use where the system's list of held locks says a program
// holds it, else refused naming its owner. Any other file of another user
// under that name (other bytes, none, or a second name of some file) stays
// as it is, and the file is not written.
// A run is named as the holder only as LockHolders.h says: its holder line
// names a run of this program, alive, of the user owning the lock file,
// that holds it. Otherwise a program is said to hold the lock file, of the
// user the system names for it; a lock file of another user is said to be
// that user's.
// An Access database whose lock file (".ldb") another program holds open or
// locked is in use too.
//
// On a file system that cannot lock files at all, the hold is taken without
// a lock (the file is then written as before).

#include "core/OutputPlace.h"

#include <functional>
#include <string>

namespace vesk::tables {

class TableFileLock {
public:
    TableFileLock() = default;
    ~TableFileLock();
    TableFileLock(const TableFileLock &) = delete;
    TableFileLock &operator=(const TableFileLock &) = delete;

    // Takes the hold on file (which may be missing). False with a message
    // naming the file: *inUse true when another run has it ("The file ... is
    // being written by another run of the program (process 4711 of the user
    // ana on ws1): ..."), when a program holds its lock file that is no run
    // its holder line may be believed to name ("The file ... cannot be
    // written now: a program of the user \"bob\" holds its lock file ...";
    // for a lock file of another user "... its lock file ... belongs to the
    // user \"ana\", and a program holds it ...") or, for an Access database,
    // when another program has it; false when the lock file could not
    // be made (the folder cannot take a new file, or is missing) or used
    // (another user's that cannot be read or replaced; a link, a folder or
    // another kind of file under its name: said so).
    bool acquire(const std::string &file, std::string *error, bool *inUse);
    // Ends the hold (also done by the destructor); the lock file is removed.
    void release();
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_made = false; // the lock file is this hold's own (made, or left by a run): it goes with the hold
    FileDescriptor m_folder; // the lock file's folder, as the output's place was resolved
    std::string m_name;      // the lock file's name there
};

// The lock file of an output file: ".<name>.lock" beside the file (beside a
// link's destination).
std::string tableLockPath(const std::string &file);

// The Access lock file of a database ("Book.ldb" beside "Book.mdb", found
// without regard to letter case), when it exists and another program holds
// it open or locked: its path; "" otherwise (none, one left behind, or no
// regular file: a pipe or a folder under its name is never opened).
// folder: the database's folder, opened as its place was resolved
// (core/OutputPlace.h); name: the database's name there; database: its path,
// for the path returned.
std::string accessLockInUse(int folder, const std::string &database, const std::string &name);
// The same for the database at a path, its place resolved first.
std::string accessLockInUse(const std::string &database);

// For tests: calls act(path) where the name of a lock file (".Book.xls.lock"
// that exists already, or Access's "Book.ldb") was found and is looked at
// next (path: the lock file's), in the thread that takes the hold, so that a
// test may act on the name at that very moment; an empty function ends it.
// Set it only while no hold is taken.
void onLockFileFoundForTesting(std::function<void(const std::string &lockFile)> act);
// The same right after that look (what the name held then is a regular
// file, opened next through the descriptor of the look), so that a test may
// put something else under the name between the look and that open.
void onLockFileLookedAtForTesting(std::function<void(const std::string &lockFile)> act);

// For tests: called with the name of a lock file this run has just made
// (under its hidden ".part" name, or under its own name where it is made
// there) before it is locked; true makes that lock fail, as on a file system
// that refuses it. An empty function ends it. Set it only while no hold is
// taken.
void failLockingMadeLockFilesForTesting(std::function<bool(const std::string &name)> fails);

} // namespace vesk::tables
