#pragma once

// Advisory locks on the whole of an open file, taken without waiting: the
// hold of a writer on a table file (platform/tables/TableLock.h) and on the
// temporary file it writes (StagedFile.h).
//
// They are open-file-description locks, so that two descriptions of one
// file in one process (two runs in threads) exclude each other as two
// processes do; a kernel without them gets whole-file flock() locks, which
// do the same. A lock ends when the last descriptor of its description is
// closed, also when the process is killed.

#include <fcntl.h>

namespace vesk {

enum class LockTry {
    Taken,       // the lock is held
    Busy,        // another description holds a lock that excludes it
    Unsupported, // the file system cannot lock files
    Failed,      // another error (errno tells it)
};

// An exclusive lock (fd open for writing) or a shared one (fd open for
// reading) on the whole of the file, however far it grows.
LockTry lockWholeFile(int fd, bool exclusive);

// The same with a whole-file flock() lock, which a descriptor opened for
// reading alone may take exclusively too: the hold of a group on the old
// contents it keeps (StagedFile.h), which may be a file this user may only
// read. Locks of this kind and those of lockWholeFile() do not exclude each
// other, so each kind of file is locked with one of them only.
LockTry lockWholeFileAnyMode(int fd, bool exclusive);

// A request or query for a lock of the type on the whole file.
struct flock wholeFileLock(short type);

} // namespace vesk
