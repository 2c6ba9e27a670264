// ReplacedFiles (StagedFile.h): the old contents of a group's targets, kept
// and held while the group is put in place, put back should it fail.
//
// The old contents of a target are held (a shared whole-file lock) before
// they get their second name, so that at no moment does a ".prev" name exist
// that another group could take for a left-over: the tidying of left-overs
// takes an exclusive lock, which no held file gives. A group lets go of its
// own before it tidies, so that its hold never keeps the left-overs of a
// killed run (second names of the same old file) from going. They are put
// back only over the file the group itself put in place (its device and
// inode); whatever else is under the target's name, whoever put it there
// and when, stays there: no check or put-back moves or removes a file that
// the group did not write.

#include "core/StagedFile.h"

#include "core/FileLock.h"
#include "core/OutputPlace.h"
#include "core/StagedFileNames.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>
#include <vector>

namespace vesk {

using staged::besides;
using staged::folderOf;
using staged::hiddenName;
using staged::holds;
using staged::sameFile;

namespace {

// Takes the shared hold on the old contents (fd); false when another program
// holds the file exclusively for longer than a tidying takes. A file system
// that cannot lock leaves the file unheld, as it leaves every file.
bool holdShared(int fd) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (lockWholeFileAnyMode(fd, false) != LockTry::Busy) {
            return true;
        }
        ::sched_yield(); // a tidying that is looking at the file: it lets go at once
    }
    return false;
}

// Copies the bytes of the open file in to out and syncs them; false with the
// system's error number.
bool copyBytes(int in, int out, int *err) {
    std::vector<char> buffer(1 << 16);
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(in, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            *err = errno;
            return false;
        }
        if (n == 0) {
            break;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) {
                continue;
            }
            if (w <= 0) {
                *err = w < 0 ? errno : ENOSPC;
                return false;
            }
            done += w;
        }
        at += n;
    }
    if (::fsync(out) != 0 && errno != EINVAL) {
        *err = errno;
        return false;
    }
    return true;
}

// A copy of the held old file in (its status: old) beside target in folder,
// with its permissions and, where this user may give it, its owner; synced
// to the disk and held before it gets its name (*name). Made unnamed and
// linked once complete, or, where the file system makes no unnamed files,
// made under its name, held, and checked to be still there. Its descriptor,
// or -1 with the system's error number (nothing is left then).
int copyHeld(int in, const struct stat &old, int folder, const std::string &target, std::string *name,
             struct stat *copy, int *err) {
    auto finish = [&](int out) {
        // The owner first: a change of owner clears some permission bits.
        (void)!::fchown(out, old.st_uid, old.st_gid);
        ::fchmod(out, old.st_mode & 07777);
        return ::fstat(out, copy) == 0;
    };
    int out = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (out >= 0) {
        bool named = false;
        if (holdShared(out) && copyBytes(in, out, err) && finish(out)) {
            for (int attempt = 0; attempt < 100 && !named; ++attempt) {
                *name = hiddenName(target, ".prev");
                named = staged::linkOpenFile(out, *copy, folder, {}, *name, err);
                if (!named && *err != EEXIST) {
                    break;
                }
            }
        }
        if (named) {
            return out;
        }
        ::close(out);
        if (*err != ENOENT) {
            return -1; // else no unnamed file can be named here (no /proc): one made under its name
        }
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        *err = errno;
        return -1;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = hiddenName(target, ".prev");
        out = ::openat(folder, name->c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (out < 0) {
            *err = errno;
            if (*err == EEXIST) {
                continue;
            }
            return -1;
        }
        // Held, and still there: another group's tidying may have taken it
        // for a left-over before the hold.
        struct stat made {};
        if (holdShared(out) && ::fstat(out, &made) == 0 && holds(folder, *name, made)) {
            if (copyBytes(in, out, err) && finish(out)) {
                return out;
            }
            if (holds(folder, *name, made)) {
                ::unlinkat(folder, name->c_str(), 0);
            }
            ::close(out);
            return -1;
        }
        ::close(out);
    }
    *err = EEXIST;
    return -1;
}

} // namespace

bool ReplacedFiles::keepOld(Entry &entry, std::string *why, std::string *refusal) {
    const int folder = entry.folder;
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        struct stat named {};
        if (::fstatat(folder, entry.name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                entry.existed = false;
                return true;
            }
            *why = std::strerror(errno);
            return false;
        }
        // Only the file checked when the writing began is kept, and replaced:
        // anything else under the name now (another file, a link, a pipe) was
        // put there by another program and stays as it is.
        *refusal = staged::changedSinceChecked(entry.target, &named, entry.checkedFile, entry.checked);
        if (!refusal->empty()) {
            return false;
        }
        entry.existed = true;
        // The file itself, held before it gets its second name.
        const int fd = ::openat(folder, entry.name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            *why = std::strerror(errno);
            return false;
        }
        struct stat old {};
        if (::fstat(fd, &old) != 0 || !S_ISREG(old.st_mode) || !sameFile(old, named)) {
            ::close(fd); // replaced meanwhile: looked at again
            continue;
        }
        if (!holdShared(fd)) {
            ::close(fd);
            *why = "another program holds a lock on it";
            return false;
        }
        for (int tries = 0; tries < 100; ++tries) {
            const std::string name = hiddenName(entry.name, ".prev");
            if (staged::linkOpenFile(fd, old, folder, entry.name, name, &err)) {
                entry.previousName = name;
                entry.previous = besides(entry.target, name);
                entry.held = fd;
                entry.kept = old;
                staged::step(StagedStep::PreviousNamed, entry.target, entry.previous);
                return true;
            }
            if (err != EEXIST && err != ESTALE) {
                break;
            }
        }
        // No link (another user's file, or a file system without them): a copy.
        std::string name;
        const int copy = copyHeld(fd, old, folder, entry.name, &name, &entry.kept, &err);
        ::close(fd);
        if (copy < 0) {
            *why = std::strerror(err);
            return false;
        }
        entry.previousName = name;
        entry.previous = besides(entry.target, name);
        entry.held = copy;
        staged::step(StagedStep::PreviousNamed, entry.target, entry.previous);
        return true;
    }
    *why = "another program keeps replacing it";
    return false;
}

namespace {

// Gives the old contents under the name `from` (a full path: fromPath) a
// name that no later group takes for a left-over
// (".Out.txt.3fa2c100.prev.txt"); where they are then.
std::string setAside(int folder, const std::string &target, const std::string &name,
                     const std::string &from) {
    if (from.size() > 5 && from.compare(from.size() - 5, 5, ".prev") != 0) {
        return besides(target, from); // under such a name already
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string kept = hiddenName(name, ".prev") + staged::keptEnding(target);
        if (::renameat2(folder, from.c_str(), folder, kept.c_str(), RENAME_NOREPLACE) == 0) {
            return besides(target, kept);
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return besides(target, from);
}

// Whether the name a file of the group was given, followed again from the
// start under the rule for links, leads to the file the group put in place:
// not when a folder on its way was moved or replaced meanwhile (the file
// lies in the folder held, wherever that is now).
bool leadsTo(const std::string &given, const struct stat &placed) {
    OutputPlace place;
    return resolveOutputPlace(given, &place, nullptr) && holds(place.folder.get(), place.name, placed);
}

// Where the folder held as fd lies now, for a message: " (in <folder>)", or
// "" where the system does not say.
std::string whereNow(int fd) {
    char text[4096];
    const ssize_t n = ::readlink(staged::descriptorPath(fd).c_str(), text, sizeof text);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof text || text[0] != '/') {
        return {};
    }
    const std::string now(text, static_cast<std::size_t>(n));
    return now.ends_with(" (deleted)") ? std::string() : " (in " + now + ")";
}

} // namespace

std::string folderMovedRefusal(const std::string &given, const std::string &target, int folder,
                               const std::string &meanwhile) {
    return "Cannot write the file " + given + ": another program moved or replaced its folder " +
           folderOf(target) + ", or a folder or link on the way to it, " + meanwhile + whereNow(folder) + ".";
}

void ReplacedFiles::putBack(Entry &entry, std::string *said) {
    staged::step(StagedStep::PuttingBack, entry.target, entry.previous);
    const int folder = entry.folder;
    // The old contents: under their name, or, where another program has
    // taken or removed it, from the descriptor held: given a fresh name, or
    // copied when they have no name left.
    std::string source = entry.previousName;
    if (!holds(folder, source, entry.kept)) {
        bool named = false;
        int err = 0;
        for (int attempt = 0; attempt < 100 && entry.held >= 0 && !named; ++attempt) {
            source = hiddenName(entry.name, ".prev") + staged::keptEnding(entry.target);
            named = staged::linkOpenFile(entry.held, entry.kept, folder, {}, source, &err);
            if (!named && err != EEXIST) {
                break;
            }
        }
        if (!named && entry.held >= 0) {
            struct stat copied {};
            const int copy = copyHeld(entry.held, entry.kept, folder, entry.name, &source, &copied, &err);
            if (copy >= 0) {
                ::close(entry.held);
                entry.held = copy;
                entry.kept = copied;
                named = true;
            }
        }
        if (!named) {
            *said += "\r\nThe file " + entry.target + " could not be put back: its old contents in " +
                     entry.previous + " were removed or replaced by another program.";
            return;
        }
    }
    const auto leftAsItIs = [&] {
        *said +=
            "\r\nThe file " + entry.target +
            " was replaced by another program after the run had put it in place: it is left as it is, and "
            "its old contents are kept in " +
            setAside(folder, entry.target, entry.name, source) + ".";
    };
    struct stat now {};
    if (::fstatat(folder, entry.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        // Nothing there any more: the old contents go back, over nothing that may come meanwhile.
        if (::renameat2(folder, source.c_str(), folder, entry.name.c_str(), RENAME_NOREPLACE) != 0) {
            const int err = errno;
            if (err == EEXIST) {
                leftAsItIs();
            } else {
                const std::string reason = std::strerror(err);
                *said += "\r\nThe file " + entry.target + " could not be put back (" + reason +
                         "): its old contents are in " + setAside(folder, entry.target, entry.name, source) +
                         ".";
            }
        }
        return;
    }
    if (!sameFile(now, entry.placed)) {
        leftAsItIs();
        return;
    }
    // Exchanged, so that what comes out is known: the group's own file goes;
    // anything another program put there in the meantime goes back.
    if (::renameat2(folder, source.c_str(), folder, entry.name.c_str(), RENAME_EXCHANGE) == 0) {
        struct stat out {};
        if (::fstatat(folder, source.c_str(), &out, AT_SYMLINK_NOFOLLOW) != 0) {
            return;
        }
        if (sameFile(out, entry.placed)) {
            ::unlinkat(folder, source.c_str(), 0);
        } else if (::renameat2(folder, source.c_str(), folder, entry.name.c_str(), RENAME_EXCHANGE) == 0) {
            leftAsItIs();
        }
        return;
    }
    if ((errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) &&
        ::renameat(folder, source.c_str(), folder, entry.name.c_str()) == 0) {
        return; // a file system that cannot exchange two names
    }
    const std::string reason = std::strerror(errno);
    *said += "\r\nThe file " + entry.target + " could not be put back (" + reason +
             "): its old contents are in " + setAside(folder, entry.target, entry.name, source) + ".";
}

ReplacedFiles::~ReplacedFiles() {
    restore(nullptr);
}

ReplacedFiles::Entry *ReplacedFiles::find(const std::string &staged) {
    for (Entry &entry : m_entries) {
        if (entry.staged == staged && !entry.renamed) {
            return &entry;
        }
    }
    return nullptr;
}

void ReplacedFiles::drop(Entry &entry) {
    // Still held: never taken for a left-over meanwhile. Only the old
    // contents themselves, never what another program put under their name.
    if (!entry.previousName.empty() && entry.folder >= 0 &&
        holds(entry.folder, entry.previousName, entry.kept)) {
        ::unlinkat(entry.folder, entry.previousName.c_str(), 0);
    }
    entry.previousName.clear();
    entry.previous.clear();
}

void ReplacedFiles::release(Entry &entry) {
    if (entry.held >= 0) {
        ::close(entry.held);
        entry.held = -1;
    }
    if (entry.placedHeld >= 0) {
        ::close(entry.placedHeld);
        entry.placedHeld = -1;
    }
    if (entry.folder >= 0) {
        ::close(entry.folder);
        entry.folder = -1;
    }
}

void ReplacedFiles::holdUntilFinal(std::function<void()> onFinal) {
    m_finals.push_back(std::move(onFinal));
}

void ReplacedFiles::finish() {
    std::vector<std::function<void()>> finals = std::move(m_finals);
    m_finals.clear();
    for (const auto &release : finals) {
        release();
    }
}

bool ReplacedFiles::keepNew(std::string *error, std::string *file) {
    std::string said;
    for (const Entry &entry : m_entries) {
        if (!entry.renamed) {
            continue;
        }
        // The file is looked at again once the name has been followed: a file
        // that another program put under its name meanwhile is not taken for
        // a folder moved.
        bool replaced = !holds(entry.folder, entry.name, entry.placed), leads = true;
        if (!replaced && !entry.given.empty()) {
            leads = leadsTo(entry.given, entry.placed);
            replaced = !leads && !holds(entry.folder, entry.name, entry.placed);
        }
        std::string named = entry.target, why;
        if (replaced) {
            why = "Cannot write the file " + entry.target +
                  ": another program replaced it after the run had put it in place.";
        } else if (!leads) {
            named = entry.given;
            why =
                folderMovedRefusal(entry.given, entry.target, entry.folder,
                                   "while the run went on, so that the name no longer leads to the file the "
                                   "run wrote") +
                " There the run removes the files it wrote and puts back what they replaced.";
        } else {
            continue;
        }
        if (file != nullptr && said.empty()) {
            *file = named;
        }
        said += "\r\n" + why;
    }
    if (!said.empty()) {
        std::string notPutBack;
        restore(&notPutBack);
        if (error != nullptr) {
            *error = said.substr(2) + (notPutBack.empty() ? std::string() : "\r\n" + notPutBack);
        }
        return false;
    }
    // The group's own old contents go, and so does its hold on them: a killed
    // run's ".prev" may be a second name of the very file the group held.
    for (Entry &entry : m_entries) {
        drop(entry);
        if (entry.held >= 0) {
            ::close(entry.held);
            entry.held = -1;
        }
    }
    for (Entry &entry : m_entries) {
        staged::removeUnheld(entry.folder, entry.name, ".prev");
        release(entry);
    }
    m_entries.clear();
    finish();
    return true;
}

bool ReplacedFiles::restore(std::string *error) {
    std::string said;
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        Entry &entry = *it;
        struct stat now {};
        if (!entry.renamed) {
            // Kept, but the target was not replaced.
            drop(entry);
        } else if (!entry.previousName.empty()) {
            putBack(entry, &said);
        } else if (!entry.existed &&
                   ::fstatat(entry.folder, entry.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0) {
            // New with this group: removed again, unless another file has
            // taken its place meanwhile, which stays.
            if (sameFile(now, entry.placed)) {
                ::unlinkat(entry.folder, entry.name.c_str(), 0);
            }
        }
        release(entry);
    }
    m_entries.clear();
    finish();
    if (error != nullptr) {
        *error = said.empty() ? said : said.substr(2);
    }
    return said.empty();
}

} // namespace vesk
