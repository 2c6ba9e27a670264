#include "core/FileLock.h"

#include <cerrno>
#include <sys/file.h>

namespace vesk {

struct flock wholeFileLock(short type) {
    struct flock l {};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    l.l_start = 0;
    l.l_len = 0; // to the end, however far the file grows
    return l;
}

namespace {

// What a lock that was not taken for another reason than a holder means.
LockTry notTaken(int err) {
    return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL ? LockTry::Unsupported
                                                                                : LockTry::Failed;
}

} // namespace

LockTry lockWholeFile(int fd, bool exclusive) {
    struct flock l = wholeFileLock(exclusive ? F_WRLCK : F_RDLCK);
    if (fcntl(fd, F_OFD_SETLK, &l) == 0) {
        return LockTry::Taken;
    }
    if (errno == EAGAIN || errno == EACCES) {
        return LockTry::Busy;
    }
    if (errno == EINVAL) {
        // A kernel without open-file-description locks: whole-file locks
        // exclude other descriptions of the file too.
        return lockWholeFileAnyMode(fd, exclusive);
    }
    return notTaken(errno);
}

LockTry lockWholeFileAnyMode(int fd, bool exclusive) {
    if (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) {
        return LockTry::Taken;
    }
    if (errno == EWOULDBLOCK) {
        return LockTry::Busy;
    }
    return notTaken(errno);
}

} // namespace vesk
