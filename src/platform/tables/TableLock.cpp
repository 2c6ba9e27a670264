#include "platform/tables/TableLock.h"

#include "core/Paths.h"
#include "platform/tables/Tables.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::tables {

namespace fs = std::filesystem;

namespace {

void setError(std::string *error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
}

struct flock wholeFile(short type) {
    struct flock l {};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    l.l_start = 0;
    l.l_len = 0; // to the end, however far the file grows
    return l;
}

enum class LockTry { Taken, Busy, Unsupported, Failed };

// An exclusive lock on the whole of an open file, without waiting.
LockTry lockWhole(int fd) {
    struct flock l = wholeFile(F_WRLCK);
    if (fcntl(fd, F_OFD_SETLK, &l) == 0) {
        return LockTry::Taken;
    }
    if (errno == EAGAIN || errno == EACCES) {
        return LockTry::Busy;
    }
    if (errno == EINVAL) {
        // A kernel without open-file-description locks: whole-file locks
        // exclude other descriptions of the file too.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return LockTry::Taken;
        }
        if (errno == EWOULDBLOCK) {
            return LockTry::Busy;
        }
    }
    return errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL ? LockTry::Unsupported
                                                                                        : LockTry::Failed;
}

bool sameInode(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether another program holds a lock on any byte of the file.
bool lockedByOthers(const std::string &file) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    struct flock l = wholeFile(F_WRLCK);
    bool locked = false;
    if (fcntl(fd, F_OFD_GETLK, &l) == 0) {
        locked = l.l_type != F_UNLCK;
    } else {
        l = wholeFile(F_WRLCK);
        locked = fcntl(fd, F_GETLK, &l) == 0 && l.l_type != F_UNLCK;
    }
    close(fd);
    return locked;
}

// Whether a process of this machine other than this one has the file (its
// full path, links resolved) open, as far as this user may see the
// processes' open files. The links are read, never followed: a file of a
// drive that does not answer cannot hold the check up.
bool openElsewhere(const std::string &file) {
    DIR *proc = opendir("/proc");
    if (proc == nullptr) {
        return false;
    }
    const std::string self = std::to_string(getpid());
    bool found = false;
    char target[4096];
    while (!found) {
        const dirent *process = readdir(proc);
        if (process == nullptr) {
            break;
        }
        const std::string pid = process->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) {
            continue;
        }
        const std::string fds = "/proc/" + pid + "/fd";
        DIR *dir = opendir(fds.c_str());
        if (dir == nullptr) {
            continue; // ended meanwhile, or another user's
        }
        while (const dirent *entry = readdir(dir)) {
            if (entry->d_name[0] == '.') {
                continue;
            }
            const ssize_t n = readlink((fds + "/" + entry->d_name).c_str(), target, sizeof target);
            if (n > 0 && file.compare(0, std::string::npos, target, static_cast<std::size_t>(n)) == 0) {
                found = true;
                break;
            }
        }
        closedir(dir);
    }
    closedir(proc);
    return found;
}

std::string inUseMessage(const std::string &file) {
    return "The file " + file +
           " is in use by another run or program: its tables cannot be written now. Run again once it is "
           "free.";
}

} // namespace

std::string tableLockPath(const std::string &file) {
    std::error_code ec;
    fs::path where(file);
    if (fs::is_symlink(where, ec)) {
        const fs::path resolved = fs::weakly_canonical(where, ec);
        if (!ec) {
            where = resolved;
        }
    }
    return (where.parent_path() / ("." + where.filename().string() + ".lock")).string();
}

std::string accessLockInUse(const std::string &database) {
    const fs::path db(database);
    const std::string ldb = findExisting((db.parent_path() / (db.stem().string() + ".ldb")).string());
    struct stat info {};
    if (lstat(ldb.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    std::error_code ec;
    const std::string full = std::filesystem::canonical(ldb, ec).string();
    return lockedByOthers(ldb) || (!ec && openElsewhere(full)) ? ldb : std::string();
}

TableFileLock::~TableFileLock() {
    release();
}

bool TableFileLock::acquire(const std::string &file, std::string *error, bool *inUse) {
    release();
    *inUse = false;
    const std::string path = tableLockPath(file);
    // A holder ending its hold removes the lock file: a lock taken on a file
    // removed meanwhile holds nothing, so it is taken again on the new one.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            setError(error, "The lock file " + path + " for " + file +
                                " cannot be made: " + std::strerror(errno) + ".");
            return false;
        }
        const LockTry taken = lockWhole(fd);
        if (taken == LockTry::Busy || taken == LockTry::Failed) {
            const int err = errno;
            close(fd);
            if (taken == LockTry::Busy) {
                *inUse = true;
                setError(error, inUseMessage(file));
            } else {
                setError(error, "The lock file " + path + " for " + file +
                                    " cannot be locked: " + std::strerror(err) + ".");
            }
            return false;
        }
        struct stat held {
        }, named{};
        if (fstat(fd, &held) == 0 && lstat(path.c_str(), &named) == 0 && sameInode(held, named)) {
            m_fd = fd;
            m_path = path;
            break;
        }
        close(fd);
    }
    if (m_fd < 0) {
        *inUse = true;
        setError(error, inUseMessage(file));
        return false;
    }
    if (tableKindOfFile(file) == TableKind::Access) {
        if (const std::string ldb = accessLockInUse(file); !ldb.empty()) {
            release();
            *inUse = true;
            setError(error, "The Access file " + file + " is in use by another program (it holds " + ldb +
                                " open): its tables cannot be written now. Run again once it is closed.");
            return false;
        }
    }
    return true;
}

void TableFileLock::release() {
    if (m_fd < 0) {
        return;
    }
    // Removed while still locked, so that nobody takes a lock on it meanwhile
    // and believes it holds the file.
    struct stat held {
    }, named{};
    if (fstat(m_fd, &held) == 0 && lstat(m_path.c_str(), &named) == 0 && sameInode(held, named)) {
        unlink(m_path.c_str());
    }
    close(m_fd);
    m_fd = -1;
    m_path.clear();
}

} // namespace vesk::tables
