#pragma once

// The exclusive hold of one writer on a database or spreadsheet file.
//
// A writer reads such a file (to keep its other tables) and writes it whole
// later; a second writer in between would put back what it read and revert
// the first one's table. So a writer holds the file from the moment it reads
// it until the new file is in place, and a second writer, of this process
// or another, is refused at once: nobody waits.
//
// The hold is an advisory lock (an open-file-description lock, so that two
// runs in threads of one process exclude each other as two processes do) on
// a lock file beside the file: ".Book.xls.lock" beside "Book.xls", in the
// folder of a linked file's destination. The lock file is made as the table
// files are (the umask decides who else may write it) and names its holder
// (process, user, computer) for the message of a run refused meanwhile. It
// is removed when the hold ends; one left behind by a program that was
// killed holds nothing. A file under the lock file's name that this user
// may write but that is no lock file (another name of some file, made with
// ln, or a file of other bytes) is locked but neither written nor removed.
// Anything else under that name (a symbolic link, a folder, a pipe, a
// device) is left alone, not even opened, and the file is not written.
// A lock file of another user that this one may not write is tested for a
// holder under a shared lock: held, the file is in use; left over, it is
// replaced by one of this user's (a file a run holds is never replaced).
// Only a lock file left over is replaced: another user's file of other
// bytes, or a second name of some file, under that name stays as it is, and
// the file is not written.
// An Access database whose lock file (".ldb") another program holds open or
// locked is in use too.
//
// On a file system that cannot lock files at all, the hold is taken without
// a lock (the file is then written as before).

#include <string>

namespace vesk::tables {

class TableFileLock {
public:
    TableFileLock() = default;
    ~TableFileLock();
    TableFileLock(const TableFileLock &) = delete;
    TableFileLock &operator=(const TableFileLock &) = delete;

    // Takes the hold on file (which may be missing). False with a message
    // naming the file: *inUse true when another writer or program has it
    // ("The file ... is in use by another run or program (process 4711 of
    // the user ana on ws1): ...", the holder where its lock file names it),
    // false when the lock file could not be made (the folder cannot take a
    // new file) or used (another user's that cannot be read or replaced; a
    // link, a folder or another kind of file under its name: said so).
    bool acquire(const std::string &file, std::string *error, bool *inUse);
    // Ends the hold (also done by the destructor); the lock file is removed.
    void release();
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    bool m_made = false; // the lock file is this hold's own (made, or left by a run): it goes with the hold
    std::string m_path;  // the lock file
    int m_folder = -1;   // its folder, held so that it is removed there should a name on its way change
};

// The lock file of a database or spreadsheet file: ".<name>.lock" beside the
// file (beside a link's destination).
std::string tableLockPath(const std::string &file);

// The Access lock file of a database ("Book.ldb" beside "Book.mdb", found
// without regard to letter case), when it exists and another program holds
// it open or locked: its path; "" otherwise (none, or one left behind).
std::string accessLockInUse(const std::string &database);

} // namespace vesk::tables
