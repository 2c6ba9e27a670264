#include "platform/tables/TableLock.h"

#include "core/FileLock.h"
#include "core/OutputPlace.h"
#include "core/StagedFile.h"
#include "core/StagedFileNames.h"
#include "core/TextIO.h"
#include "platform/tables/Tables.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <string_view>
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

std::function<void(const std::string &)> &foundHook() {
    static std::function<void(const std::string &)> act;
    return act;
}

void lockFileFound(const std::string &path) {
    if (foundHook()) {
        foundHook()(path);
    }
}

// Opens the file that looked (a descriptor opened O_PATH, of status file)
// holds again with flags, through that descriptor, so that it is that very
// file whatever its name holds now; where the system has no /proc, by its
// name in folder, checked to be that file. Never waits (O_NONBLOCK). -1 with
// errno (ESTALE: the name holds another file now).
int reopenLooked(int looked, const struct stat &file, int folder, const std::string &name, int flags) {
    flags |= O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    const std::string own = staged::descriptorPath(looked);
    int fd = open(own.c_str(), flags);
    if (fd >= 0 || errno != ENOENT || access(own.c_str(), F_OK) == 0) {
        return fd;
    }
    fd = openat(folder, name.c_str(), flags | O_NOFOLLOW);
    struct stat now {};
    if (fd >= 0 && (fstat(fd, &now) != 0 || !staged::sameFile(now, file))) {
        close(fd);
        errno = ESTALE;
        return -1;
    }
    return fd;
}

// Whether another program holds a lock on any byte of the open file.
bool lockedByOthers(int fd) {
    struct flock l = wholeFileLock(F_WRLCK);
    if (fcntl(fd, F_OFD_GETLK, &l) == 0) {
        return l.l_type != F_UNLCK;
    }
    l = wholeFileLock(F_WRLCK);
    return fcntl(fd, F_GETLK, &l) == 0 && l.l_type != F_UNLCK;
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

// Who holds the lock file, as its holder writes it into the file:
// "winvesk <process> <user> <computer>".
std::string holderLine() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) {
        host[0] = '\0';
    }
    return "winvesk " + std::to_string(getpid()) + " " + userName(geteuid()) + " " + (host[0] ? host : "-") +
           "\n";
}

// The holder line of a lock file, its parts: false when the file holds none
// (only a line of the expected form with names of plain characters is
// taken: it may be written by another user's run).
bool readHolder(int fd, char (&process)[16], char (&user)[64], char (&host)[128]) {
    char text[256];
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) {
        return false;
    }
    text[n] = '\0';
    return std::sscanf(text, "winvesk %15[0-9] %63[A-Za-z0-9._@$-] %127[A-Za-z0-9._-]\n", process, user,
                       host) == 3;
}

// The holder a lock file names, for a message ("process 4711 of the user ana
// on ws1"); "" when it names none. The line is believed only from a lock
// file of the user it names: anyone may write another user's name into a
// file of their own. A process of this computer that has ended is named by
// nobody: whatever holds the file now, it is not that process.
std::string holderOf(int fd) {
    char process[16], user[64], host[128];
    struct stat info {};
    if (!readHolder(fd, process, user, host) || fstat(fd, &info) != 0 || userName(info.st_uid) != user) {
        return {};
    }
    char here[256] = {};
    const bool local =
        host[0] == '-' || (gethostname(here, sizeof here - 1) == 0 && std::strcmp(here, host) == 0);
    const long pid = std::strtol(process, nullptr, 10);
    if (local && (pid <= 0 || pid > std::numeric_limits<pid_t>::max() ||
                  (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH))) {
        return {};
    }
    return "process " + std::string(process) + " of the user " + user +
           (host[0] != '-' ? " on " + std::string(host) : "");
}

// Whether the bytes of a lock file of this user are those a holder writes
// (or none): a file that may be written over. Another user's file that
// bears a lock file's name (whoever may write it), another file of other
// bytes, or another name of a file (a hard link), is left as it is.
bool holderLineOrEmpty(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1 || info.st_uid != geteuid()) {
        return false;
    }
    if (info.st_size == 0) {
        return true;
    }
    char text[256];
    const ssize_t n = pread(fd, text, sizeof text, 0);
    const std::string_view start(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    return info.st_size < static_cast<off_t>(sizeof text) && start.starts_with("winvesk ") &&
           start.find('\n') == start.size() - 1;
}

std::string inUseMessage(const std::string &file, const std::string &holder) {
    return "The file " + file + " is being written by another run of the program" +
           (holder.empty() ? std::string() : " (" + holder + ")") +
           ": it cannot be written now. Run again once that run has ended.";
}

// Why file cannot be written while a program holds its lock file (fd, at
// path): another run of the program, named where the lock file names it;
// but a lock file of another user that names no run of that user is said to
// be that user's, so that no run of this user is blamed for a file it
// never wrote.
std::string heldMessage(const std::string &file, const std::string &path, int fd) {
    const std::string holder = holderOf(fd);
    struct stat info {};
    if (!holder.empty() || fstat(fd, &info) != 0 || info.st_uid == geteuid()) {
        return inUseMessage(file, holder);
    }
    const std::string owner = userName(info.st_uid);
    return "The file " + file + " cannot be written now: its lock file " + path + " belongs to the user \"" +
           owner + "\", and a program holds it. Run again once it is no longer held, or ask the user \"" +
           owner + "\" to remove it.";
}

enum class Takeover { Held, Busy, Again, Failed, NotALockFile };

// A lock file this user cannot open for writing: one of another user (made
// under a umask that gives others no write access), looked at as looked (a
// descriptor opened O_PATH, of status was). Held by a run, the file is in use
// (*fd: the lock file, opened for reading, to tell who holds it). Left over by a run of that user that ended
// (its holder line names its owner), it is replaced by a lock file of this
// user, held (*fd). Failed: *said is why not.
//
// A shared lock on the left-over keeps every run from taking it meanwhile.
// The new lock file, held already, takes its place in one exchange of the
// two names; should another run have replaced the left-over first (the file
// exchanged is not it), the exchange is undone: a lock file a run holds is
// never removed by another. Every name is taken in folder.
Takeover takeOver(int folder, const std::string &name, int looked, const struct stat &was, int *fd,
                  std::string *said) {
    const int old = reopenLooked(looked, was, folder, name, O_RDONLY);
    if (old < 0) {
        if (errno == ESTALE) {
            return Takeover::Again; // replaced meanwhile
        }
        *said = "it belongs to the user " + userName(was.st_uid) +
                ", whose run may be writing the file, and cannot be read (" + std::strerror(errno) + ")";
        return Takeover::Failed;
    }
    auto fail = [&](const std::string &why, int mine = -1) {
        if (mine >= 0) {
            close(mine);
        }
        close(old);
        *said = why;
        return Takeover::Failed;
    };
    const LockTry shared = lockWholeFile(old, false);
    const int lockError = errno;
    if (shared == LockTry::Busy) {
        *fd = old;
        return Takeover::Busy;
    }
    if (shared != LockTry::Taken) {
        return fail("it belongs to the user " + userName(was.st_uid) + " and cannot be locked (" +
                    std::strerror(lockError) + ")");
    }
    char process[16], user[64], host[128];
    if (was.st_nlink != 1 || !readHolder(old, process, user, host) || userName(was.st_uid) != user) {
        // Another file of that user's under the name (other bytes, none, or
        // a second name of some file): no left-over of a run of theirs, so
        // not replaced.
        *said = "a file of the user " + userName(was.st_uid) +
                (was.st_nlink != 1  ? " that is a second name of another file"
                 : was.st_size == 0 ? " that is empty"
                                    : " that holds other bytes");
        close(old);
        return Takeover::NotALockFile;
    }
    if (!staged::holds(folder, name, was)) {
        close(old); // replaced or removed meanwhile
        return Takeover::Again;
    }
    const std::string fresh = staged::hiddenName(name, ".part");
    const int mine = openat(folder, fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (mine < 0) {
        return fail(std::strerror(errno));
    }
    struct stat own {};
    if (lockWholeFile(mine, true) != LockTry::Taken || fstat(mine, &own) != 0 ||
        renameat2(folder, fresh.c_str(), folder, name.c_str(), RENAME_EXCHANGE) != 0) {
        const int err = errno;
        if (staged::holds(folder, fresh, own)) {
            unlinkat(folder, fresh.c_str(), 0); // only the file made here
        }
        return fail("it was left by a run of the user " + userName(was.st_uid) +
                        " that has ended, and cannot be replaced (" + std::strerror(err) +
                        "); remove it, then run again",
                    mine);
    }
    if (staged::holds(folder, fresh, was)) {
        unlinkat(folder, fresh.c_str(), 0); // the left-over
        close(old);
        *fd = mine;
        return Takeover::Held;
    }
    // Another run's lock file: put back.
    const bool back = renameat2(folder, fresh.c_str(), folder, name.c_str(), RENAME_EXCHANGE) == 0 &&
                      staged::holds(folder, fresh, own);
    if (back) {
        unlinkat(folder, fresh.c_str(), 0);
        close(mine);
        close(old);
        return Takeover::Again;
    }
    return fail("another run replaced it at the same time; run again", mine);
}

} // namespace

namespace {

// The name of the lock file of a file named name.
std::string lockNameOf(const std::string &name) {
    return "." + name + ".lock";
}

} // namespace

std::string tableLockPath(const std::string &file) {
    // Beside the file the writer writes: a link's destination, where the
    // link may be followed (core/OutputPlace.h).
    OutputPlace place;
    const fs::path where(resolveOutputPlace(file, &place, nullptr) ? place.path : file);
    return (where.parent_path() / lockNameOf(where.filename().string())).string();
}

namespace {

// The name in folder that is wanted or, failing that, one that matches it
// without regard to letter case, as findExisting() finds a file; "" when
// there is none. The folder is listed; nothing in it is opened.
std::string nameIn(int folder, const std::string &wanted) {
    const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = listing >= 0 ? fdopendir(listing) : nullptr;
    if (dir == nullptr) {
        if (listing >= 0) {
            close(listing);
        }
        return {};
    }
    std::string found;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name == wanted) {
            found = wanted;
            break;
        }
        if (found.empty() && iequals(entry->d_name, wanted)) {
            found = entry->d_name;
        }
    }
    closedir(dir);
    return found;
}

} // namespace

std::string accessLockInUse(int folder, const std::string &database, const std::string &name) {
    const std::string found = nameIn(folder, fs::path(name).stem().string() + ".ldb");
    if (found.empty()) {
        return {};
    }
    const std::string ldb = staged::besides(database, found);
    lockFileFound(ldb);
    // Looked at once, through a descriptor that opens nothing: a pipe put
    // under the name meanwhile is never waited on.
    const FileDescriptor looked(openat(folder, found.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!looked || fstat(looked.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    const FileDescriptor reading(reopenLooked(looked.get(), info, folder, found, O_RDONLY));
    if (reading && lockedByOthers(reading.get())) {
        return ldb;
    }
    // Open elsewhere: the processes' descriptors name it by its full path,
    // as the system gives it for this one's.
    char full[4096];
    const ssize_t n = readlink(staged::descriptorPath(looked.get()).c_str(), full, sizeof full);
    return n > 0 && static_cast<std::size_t>(n) < sizeof full &&
                   openElsewhere(std::string(full, static_cast<std::size_t>(n)))
               ? ldb
               : std::string();
}

std::string accessLockInUse(const std::string &database) {
    OutputPlace place;
    if (!resolveOutputPlace(database, &place, nullptr)) {
        return {};
    }
    return accessLockInUse(place.folder.get(), place.path, place.name);
}

void onLockFileFoundForTesting(std::function<void(const std::string &lockFile)> act) {
    foundHook() = std::move(act);
}

TableFileLock::~TableFileLock() {
    release();
}

bool TableFileLock::acquire(const std::string &file, std::string *error, bool *inUse) {
    release();
    *inUse = false;
    // Another user's link on the way is followed for no lock file either.
    if (std::string refusal = foreignLinkRefusal(file); !refusal.empty()) {
        if (error != nullptr) {
            *error = std::move(refusal);
        }
        return false;
    }
    // Every name below is taken in the folder as the output's place was
    // resolved, never by a path that may lead elsewhere meanwhile.
    OutputPlace place;
    int placeError = 0;
    std::string refusal;
    const bool placed = resolveOutputPlace(file, &place, &refusal, &placeError);
    if (!placed && place.refused) {
        // Another user's link, put on the way since the look above: named with its owner.
        setError(error, refusal);
        return false;
    }
    const std::string name = lockNameOf(placed ? place.name : fs::path(file).filename().string());
    const std::string path = staged::besides(placed ? place.path : file, name);
    const int folder = place.folder.get();
    auto cannot = [&](const std::string &what, const std::string &why) {
        setError(error, "The lock file " + path + " for " + file + " cannot be " + what + ": " + why + ".");
        return false;
    };
    if (!placed) {
        return cannot("made", std::strerror(placeError));
    }
    // Something else under the lock file's name: neither followed, opened
    // nor removed (opening a device or a pipe may have effects of its own).
    auto notALockFile = [&](const std::string &kind) {
        setError(error, "The lock file " + path + " for " + file + " is " + kind +
                            ", not a lock file: it is left as it is, and the file is not written without a "
                            "lock file of its own. Remove it or give it another name, then run again.");
        return false;
    };
    // Held by another: said as heldMessage() says it, the lock file (fd) closed.
    auto busy = [&](int fd) {
        *inUse = true;
        setError(error, fd >= 0 ? heldMessage(file, path, fd) : inUseMessage(file, {}));
        if (fd >= 0) {
            close(fd);
        }
        return false;
    };
    // A holder ending its hold removes the lock file: a lock taken on a file
    // removed meanwhile holds nothing, so it is taken again on the new one.
    for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
        // Made as the output files are made: the umask decides who else may
        // write it. Whether this run made it tells whether it may write it.
        int fd = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        int openError = errno;
        const bool made = fd >= 0;
        if (fd < 0 && openError == EEXIST) {
            // What the name holds is looked at once, opening nothing, and only
            // a regular file is opened again, through that very descriptor.
            lockFileFound(path);
            const FileDescriptor looked(openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
            struct stat there {};
            if (!looked || fstat(looked.get(), &there) != 0) {
                if (errno == ENOENT) {
                    continue; // removed meanwhile by its holder
                }
                return cannot("made", std::strerror(errno));
            }
            if (!S_ISREG(there.st_mode)) {
                return notALockFile(nonFileKind(there.st_mode));
            }
            fd = reopenLooked(looked.get(), there, folder, name, O_RDWR);
            openError = errno;
            if (fd < 0 && openError == ESTALE) {
                continue; // replaced meanwhile
            }
            if (fd < 0 && openError == EACCES) {
                std::string said;
                switch (takeOver(folder, name, looked.get(), there, &fd, &said)) {
                case Takeover::Held:
                    m_fd = fd;
                    m_made = true;
                    continue;
                case Takeover::Busy:
                    return busy(fd);
                case Takeover::Again:
                    continue;
                case Takeover::Failed:
                    return cannot("used", said);
                case Takeover::NotALockFile:
                    return notALockFile(said);
                }
            }
        }
        if (fd < 0) {
            return cannot("made", std::strerror(openError));
        }
        const LockTry taken = lockWholeFile(fd, true);
        if (taken == LockTry::Busy) {
            return busy(fd);
        }
        if (taken == LockTry::Failed) {
            const int err = errno;
            close(fd);
            return cannot("locked", std::strerror(err));
        }
        struct stat held {};
        if (fstat(fd, &held) == 0 && staged::holds(folder, name, held)) {
            m_fd = fd;
            m_made = made;
        } else {
            close(fd);
        }
    }
    if (m_fd < 0) {
        return busy(-1);
    }
    m_folder = std::move(place.folder);
    m_name = name;
    // Who holds it, for the message of a run refused meanwhile (the hold
    // stands without it): written into a lock file this run made, or into
    // one a run of this user left behind (it then goes with the hold as one
    // made); never into another file that bears its name, nor into one of
    // another user, which stay as they are.
    if (!m_made && holderLineOrEmpty(m_fd)) {
        m_made = true;
    }
    if (m_made) {
        const std::string line = holderLine();
        if (ftruncate(m_fd, 0) == 0) {
            (void)!pwrite(m_fd, line.data(), line.size(), 0);
        }
    }
    if (tableKindOfFile(file) == TableKind::Access) {
        if (const std::string ldb = accessLockInUse(m_folder.get(), place.path, place.name); !ldb.empty()) {
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
    struct stat held {};
    if (m_made && m_folder && fstat(m_fd, &held) == 0 && staged::holds(m_folder.get(), m_name, held)) {
        unlinkat(m_folder.get(), m_name.c_str(), 0);
    }
    close(m_fd);
    m_fd = -1;
    m_made = false;
    m_folder.reset();
    m_name.clear();
}

} // namespace vesk::tables
