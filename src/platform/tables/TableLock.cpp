#include "platform/tables/TableLock.h"

#include "core/FileLock.h"
#include "core/OutputPlace.h"
#include "core/StagedFile.h"
#include "core/StagedFileNames.h"
#include "core/TextIO.h"
#include "platform/tables/LockHolders.h"
#include "platform/tables/Tables.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::tables {

namespace fs = std::filesystem;

namespace {

std::function<void(const std::string &)> &foundHook() {
    static std::function<void(const std::string &)> act;
    return act;
}

std::function<void(const std::string &)> &lookedAtHook() {
    static std::function<void(const std::string &)> act;
    return act;
}

std::function<bool(const std::string &)> &lockingHook() {
    static std::function<bool(const std::string &)> fails;
    return fails;
}

// Locks a lock file this run has just made (fd, named name in its folder):
// as lockWholeFile, unless the tests' hook makes the lock fail.
LockTry lockMadeFile(int fd, const std::string &name) {
    if (lockingHook() && lockingHook()(name)) {
        errno = ENOLCK;
        return LockTry::Failed;
    }
    return lockWholeFile(fd, true);
}

void lockFileFound(const std::string &path) {
    if (foundHook()) {
        foundHook()(path);
    }
}

void lockFileLookedAt(const std::string &path) {
    if (lookedAtHook()) {
        lookedAtHook()(path);
    }
}

// Makes a lock file this run made its user's alone, whatever the umask made
// of it: no other user may open it, to lock it or otherwise.
void ownersAlone(int fd) {
    struct stat made {};
    if (fstat(fd, &made) == 0 && (made.st_mode & 07777) != 0600) {
        (void)!fchmod(fd, 0600);
    }
}

// Writes this run's holder line into a lock file of its own (fd).
void writeHolderLine(int fd) {
    const std::string line = holderLine();
    if (ftruncate(fd, 0) == 0) {
        (void)!pwrite(fd, line.data(), line.size(), 0);
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

// Why file cannot be written while a program holds its lock file (at path,
// of status lockFile; fd: the lock file open for reading, -1 when it cannot
// be read): another run of the program where its holder line names one that
// may be believed (LockHolders.h); otherwise a program holds it, of the
// user the system names for it, so that no run is blamed for a lock it does
// not hold. A lock file of another user is said to be that user's.
std::string heldMessage(const std::string &file, const std::string &path, int fd,
                        const struct stat &lockFile) {
    if (const std::string holder = fd >= 0 ? runHolderOf(fd) : ""; !holder.empty()) {
        return inUseMessage(file, holder);
    }
    bool held = false;
    const std::string user = lockHolderUser(lockFile, &held);
    const std::string program = user.empty() ? "a program" : "a program of the user \"" + user + "\"";
    if (lockFile.st_uid == geteuid()) {
        return "The file " + file + " cannot be written now: " + program + " holds its lock file " + path +
               ". Run again once it is no longer held.";
    }
    const std::string owner = userName(lockFile.st_uid);
    return "The file " + file + " cannot be written now: its lock file " + path + " belongs to the user \"" +
           owner + "\", and " + program +
           " holds it. Run again once it is no longer held, or ask the user \"" + owner + "\" to remove it.";
}

enum class Takeover { Held, Busy, HeldUnread, Again, Failed, NotALockFile };

// A lock file this user cannot open for writing: one of another user (a
// run's, which only its user may open, or one an earlier version made under
// a umask that gave others no write access), looked at as looked (a
// descriptor opened O_PATH, of status was). Held by a program, the file is
// in use (Busy, *fd: the lock file, opened for reading, to tell who holds
// it; HeldUnread: a lock file this user cannot even read, which the
// system's list of held locks says is held). Left over by a run of that
// user that ended (its holder line names its owner), it is replaced by a
// lock file of this user, held (*fd), its holder line written. Failed:
// *said is why not.
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
        const int openError = errno;
        bool held = false;
        lockHolderUser(was, &held);
        if (held) {
            return Takeover::HeldUnread;
        }
        errno = openError;
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
    const int mine = openat(folder, fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (mine < 0) {
        return fail(std::strerror(errno));
    }
    ownersAlone(mine);
    struct stat own {};
    const bool made = fstat(mine, &own) == 0;
    bool exchanged = false;
    if (made && lockWholeFile(mine, true) == LockTry::Taken) {
        // Naming its holder before it takes the name.
        writeHolderLine(mine);
        exchanged = renameat2(folder, fresh.c_str(), folder, name.c_str(), RENAME_EXCHANGE) == 0;
    }
    if (!exchanged) {
        const int err = errno;
        if (made && staged::holds(folder, fresh, own)) {
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
    lockFileLookedAt(ldb);
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

void onLockFileLookedAtForTesting(std::function<void(const std::string &lockFile)> act) {
    lookedAtHook() = std::move(act);
}

void failLockingMadeLockFilesForTesting(std::function<bool(const std::string &name)> fails) {
    lockingHook() = std::move(fails);
}

namespace {

// A new lock file of this run's under name in folder, its user's alone
// (600, whatever the umask), locked and naming its holder before it takes
// the name, so that no other program finds it there unlocked or empty: made
// under a hidden name of its own (".part") and renamed to name only while
// nothing has that name. Its descriptor, holding the lock; -1 with nothing
// of it left (a file it made but could not lock or name is removed again):
// *nameTaken when something has the name already, else the lock file is to
// be made under its name, as the caller does (where the file system cannot
// rename without replacing, or cannot make or lock the file: the caller then
// tells why).
int makeLockFile(int folder, const std::string &name, bool *nameTaken) {
    *nameTaken = false;
    const std::string fresh = staged::hiddenName(name, ".part");
    const int fd = openat(folder, fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return -1;
    }
    ownersAlone(fd);
    struct stat made {};
    const bool stated = fstat(fd, &made) == 0;
    const LockTry taken = stated ? lockMadeFile(fd, fresh) : LockTry::Failed;
    if (taken == LockTry::Taken || taken == LockTry::Unsupported) {
        writeHolderLine(fd);
        if (renameat2(folder, fresh.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0) {
            return fd;
        }
        *nameTaken = errno == EEXIST;
    }
    if (stated && staged::holds(folder, fresh, made)) {
        unlinkat(folder, fresh.c_str(), 0);
    }
    close(fd);
    return -1;
}

} // namespace

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
        struct stat lockFile {};
        setError(error, fd >= 0 && fstat(fd, &lockFile) == 0 ? heldMessage(file, path, fd, lockFile)
                                                             : inUseMessage(file, {}));
        if (fd >= 0) {
            close(fd);
        }
        return false;
    };
    // A holder ending its hold removes the lock file: a lock taken on a file
    // removed meanwhile holds nothing, so it is taken again on the new one.
    bool named = false; // the lock file held names its holder already
    for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
        bool nameTaken = false;
        int fd = makeLockFile(folder, name, &nameTaken);
        if (fd >= 0) {
            m_fd = fd;
            m_made = named = true;
            continue;
        }
        // Else made under its name, and locked next (whether this run made it
        // tells whether it may write it).
        int openError = EEXIST;
        if (!nameTaken) {
            fd = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
            openError = errno;
        }
        const bool made = fd >= 0;
        if (made) {
            ownersAlone(fd);
        }
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
            lockFileLookedAt(path);
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
                    m_made = named = true;
                    continue;
                case Takeover::Busy:
                    return busy(fd);
                case Takeover::HeldUnread:
                    *inUse = true;
                    setError(error, heldMessage(file, path, -1, there));
                    return false;
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
        struct stat held {};
        const LockTry taken = made ? lockMadeFile(fd, name) : lockWholeFile(fd, true);
        const int lockError = errno;
        if (taken == LockTry::Failed && made && fstat(fd, &held) == 0 && staged::holds(folder, name, held)) {
            unlinkat(folder, name.c_str(), 0); // made here, and never held
        }
        if (taken == LockTry::Busy) {
            // Another program locked it first: one made here, under its name,
            // is then a run's of this user (no other may open it), which holds
            // it as its own and removes it when done.
            return busy(fd);
        }
        if (taken == LockTry::Failed) {
            close(fd);
            return cannot("locked", std::strerror(lockError));
        }
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
    // What a run killed while it made its lock file left (".<lock file>.<random>.part"), now that no run of
    // this user is making one: those that no process holds and that are this user's alone go; another
    // run's, held while it is made, and anything of another user stay.
    staged::removeUnheld(m_folder.get(), m_name, ".part");
    // Who holds it, for the message of a run refused meanwhile (the hold
    // stands without it): written into a lock file this run made, or into
    // one a run of this user left behind (it then goes with the hold as one
    // made); never into another file that bears its name, nor into one of
    // another user, which stay as they are.
    if (!m_made && holderLineOrEmpty(m_fd)) {
        m_made = true;
    }
    if (m_made && !named) {
        writeHolderLine(m_fd);
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
