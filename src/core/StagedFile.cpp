#include "core/StagedFile.h"

#include "core/FileLock.h"
#include "core/OutputPlace.h"
#include "core/TextIO.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace fs = std::filesystem;

namespace {

// A name for the temporary file that no other writer picks: the target's
// name hidden behind a dot, with a random part and the ending (".part" for
// a file being written, ".prev" for the old contents of a replaced one).
std::string temporaryName(const fs::path &target, const char *ending = ".part") {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%06x%02x%s", static_cast<unsigned>(random() & 0xFFFFFF),
                  counter.fetch_add(1) & 0xFF, ending);
    return (target.parent_path() / ("." + target.filename().string() + suffix)).string();
}

bool sameInode(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether a name in the target's folder is one temporaryName() gives it
// with the ending.
bool temporaryOf(const std::string &name, const std::string &target, const std::string &suffix) {
    const std::string prefix = "." + target + ".";
    if (name.size() != prefix.size() + 8 + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789abcdef", prefix.size()) == prefix.size() + 8;
}

// Creates a temporary file beside the target and locks it for as long as it
// is written; its descriptor, or -1 with the system's error number.
int createHeld(const fs::path &where, std::string *temp, int *err) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = temporaryName(where);
        const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            *err = errno;
            if (*err != EEXIST) {
                return -1;
            }
            continue;
        }
        // Locked, and still there: a writer that has just started tidying up
        // may have taken the file for a left-over in between.
        const LockTry held = lockWholeFile(fd, true);
        struct stat own {
        }, named{};
        if ((held == LockTry::Taken || held == LockTry::Unsupported) && ::fstat(fd, &own) == 0 &&
            ::lstat(temp->c_str(), &named) == 0 && sameInode(own, named)) {
            return fd;
        }
        ::close(fd);
        *err = EEXIST;
    }
    temp->clear();
    return -1;
}

std::function<bool(const std::string &)> &writeOutFailure() {
    static std::function<bool(const std::string &)> fails;
    return fails;
}

std::function<bool(const std::string &)> &renameFailure() {
    static std::function<bool(const std::string &)> fails;
    return fails;
}

// Removes the files beside target named as temporaryName() names them with
// the ending that nobody holds: lock() takes a shared lock on one, which
// shows that its writer holds none, and keeps any from starting on it until
// it is gone.
void removeUnheld(const std::string &target, const std::string &ending, LockTry (*lock)(int, bool)) {
    const fs::path where(target);
    const std::string name = where.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(where.parent_path().empty() ? fs::path(".") : where.parent_path(), ec),
         end;
         !ec && it != end; it.increment(ec)) {
        if (!temporaryOf(it->path().filename().string(), name, ending)) {
            continue;
        }
        const std::string path = it->path().string();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        struct stat own {
        }, named{};
        if (::fstat(fd, &own) == 0 && S_ISREG(own.st_mode) && lock(fd, false) == LockTry::Taken &&
            ::lstat(path.c_str(), &named) == 0 && sameInode(own, named)) {
            ::unlink(path.c_str());
        }
        ::close(fd);
    }
}

// Where a file written for target goes: a link's destination, as open()
// takes it, where the link may be followed (core/OutputPlace.h).
fs::path resolvedTarget(const std::string &target) {
    OutputPlace place;
    return resolveOutputPlace(target, &place, nullptr) ? fs::path(place.path) : fs::path(target);
}

// Why the rename of a file onto target would be refused now, where that is
// known beforehand ("" otherwise): a folder in its place, or another user's
// file in a folder with the sticky bit. The user root may replace any file.
std::string renameRefusal(const std::string &target) {
    struct stat file {
    }, folder{};
    if (::lstat(target.c_str(), &file) != 0) {
        return {};
    }
    if (S_ISDIR(file.st_mode)) {
        return "Cannot write the file " + target + ": " + std::strerror(EISDIR);
    }
    const fs::path where = fs::path(target).parent_path();
    if (::geteuid() != 0 && ::stat(where.empty() ? "." : where.c_str(), &folder) == 0) {
        return stickyFolderRefusal(target, file, folder, ::geteuid());
    }
    return {};
}

// Copies the file target (its status: old) to the new file name, with its
// permissions and, where this user may give it, its owner; synced to the
// disk. The copy's descriptor, holding the lock on it, or -1 with the
// system's error number (EEXIST: the name is taken; nothing is left then).
int copyPrevious(const std::string &target, const struct stat &old, const std::string &name, int *err) {
    const int in = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (in < 0) {
        *err = errno;
        return -1;
    }
    const int out = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        *err = errno;
        ::close(in);
        return -1;
    }
    lockWholeFileAnyMode(out, true);
    bool copied = true;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            copied = n == 0;
            break;
        }
        for (ssize_t done = 0; copied && done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) {
                continue;
            }
            copied = w > 0;
            done += w > 0 ? w : 0;
        }
        if (!copied) {
            break;
        }
    }
    *err = copied ? 0 : errno != 0 ? errno : ENOSPC;
    ::close(in);
    if (copied && ::fsync(out) != 0 && errno != EINVAL) {
        *err = errno;
        copied = false;
    }
    if (!copied) {
        ::unlink(name.c_str());
        ::close(out);
        return -1;
    }
    // The owner first: a change of owner clears some permission bits.
    (void)!::fchown(out, old.st_uid, old.st_gid);
    ::fchmod(out, old.st_mode & 07777);
    return out;
}

} // namespace

void failWritingOutForTesting(std::function<bool(const std::string &target)> fails) {
    writeOutFailure() = std::move(fails);
}

void failRenamingForTesting(std::function<bool(const std::string &target)> fails) {
    renameFailure() = std::move(fails);
}

std::string userName(uid_t uid) {
    char buffer[1024];
    struct passwd entry {
    }, *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return found->pw_name;
    }
    return std::to_string(uid);
}

std::string stickyFolderRefusal(const std::string &target, const struct stat &file, const struct stat &folder,
                                uid_t user) {
    if ((folder.st_mode & S_ISVTX) == 0 || file.st_uid == user || folder.st_uid == user) {
        return {};
    }
    const std::string owner = userName(file.st_uid);
    return "Cannot write the file " + target + ": it belongs to the user " + owner + ", and in its folder " +
           fs::path(target).parent_path().string() +
           ", whose sticky bit is set, only a file's owner may replace it. Ask " + owner +
           " to remove it, or write to a file of another name.";
}

void removeLeftOverTemporaries(const std::string &target) {
    removeUnheld(target, ".part", lockWholeFile);
}

void removeLeftOverPrevious(const std::string &target) {
    removeUnheld(target, ".prev", lockWholeFileAnyMode);
}

std::string groupReplacementRefusal(const std::string &target) {
    if (std::string refusal = foreignLinkRefusal(target); !refusal.empty()) {
        return refusal;
    }
    const std::string where = resolvedTarget(target).string();
    struct stat file {};
    if (::lstat(where.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) {
        return {};
    }
    if (std::string refusal = renameRefusal(where); !refusal.empty()) {
        return refusal;
    }
    // Its old contents can be kept by a link (a file of one's own) or a copy
    // (a file one may read); another user's file may still take a link where
    // the system does not protect links.
    if (file.st_uid == ::geteuid() || ::faccessat(AT_FDCWD, where.c_str(), R_OK, AT_EACCESS) == 0) {
        return {};
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryName(fs::path(where), ".prev");
        if (::link(where.c_str(), name.c_str()) == 0) {
            ::unlink(name.c_str());
            return {};
        }
        if (errno != EEXIST) {
            break;
        }
    }
    const std::string owner = userName(file.st_uid);
    return "Cannot replace the file " + where + ": it belongs to the user " + owner +
           " and you may not read it, so its old contents could not be kept to be put back should another "
           "file of the run fail. Ask " +
           owner + " to let you read it or to remove it, or write to a file of another name.";
}

std::string temporaryPathFor(const std::string &target) {
    std::string name;
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(fs::path(target));
        if (!fs::exists(fs::symlink_status(name, ec))) {
            break;
        }
    }
    return name;
}

StagedFile::~StagedFile() {
    discard();
}

StagedFile::StagedFile(StagedFile &&other) noexcept
    : m_target(std::move(other.m_target)), m_temp(std::move(other.m_temp)),
      m_stream(std::move(other.m_stream)), m_held(other.m_held), m_prepared(other.m_prepared),
      m_writeError(other.m_writeError) {
    other.m_temp.clear();
    other.m_held = -1;
    other.m_prepared = false;
}

StagedFile &StagedFile::operator=(StagedFile &&other) noexcept {
    if (this != &other) {
        discard();
        m_target = std::move(other.m_target);
        m_temp = std::move(other.m_temp);
        m_stream = std::move(other.m_stream);
        m_held = other.m_held;
        m_prepared = other.m_prepared;
        m_writeError = other.m_writeError;
        other.m_temp.clear();
        other.m_held = -1;
        other.m_prepared = false;
    }
    return *this;
}

bool StagedFile::open(const std::string &target, std::string *error, int *systemError) {
    discard();
    // Another user's link on the way is not followed (core/OutputPlace.h).
    if (std::string refusal = foreignLinkRefusal(target); !refusal.empty()) {
        if (systemError != nullptr) {
            *systemError = EACCES;
        }
        if (error != nullptr) {
            *error = std::move(refusal);
        }
        return false;
    }
    std::error_code ec;
    // A link is replaced at its destination, so that the link stays.
    const fs::path where = resolvedTarget(target);
    m_target = where.string();
    int fd = -1;
    int err = 0;
    const fs::file_status existing = fs::status(where, ec);
    if (fs::is_directory(existing)) {
        // Known now rather than when the file is put in place.
        if (systemError != nullptr) {
            *systemError = EISDIR;
        }
        if (error != nullptr) {
            *error = "Cannot create the file " + target + ": " + std::strerror(EISDIR);
        }
        return false;
    }
    if (fs::exists(existing) && !fs::is_regular_file(existing)) {
        // A device, a pipe or a socket: a rename would put a plain file in
        // its place (and the temporary file would lie in its folder, /dev).
        if (systemError != nullptr) {
            *systemError = EINVAL;
        }
        if (error != nullptr) {
            *error =
                "Cannot write the file " + target +
                ": it is not a regular file but a device, a pipe or a socket, which a file must not replace.";
        }
        return false;
    }
    if (fs::is_regular_file(existing) &&
        (existing.permissions() & fs::perms::owner_write) == fs::perms::none) {
        // Marked read-only by its owner (mode 444 and the like): not
        // replaced, whoever runs the program.
        if (systemError != nullptr) {
            *systemError = EACCES;
        }
        if (error != nullptr) {
            *error =
                "Cannot write the file " + target +
                ": it is read-only. Make it writable (or remove it), or write to a file of another name.";
        }
        return false;
    }
    removeLeftOverTemporaries(m_target);
    fd = createHeld(where, &m_temp, &err);
    if (fd < 0) {
        m_temp.clear();
        if (systemError != nullptr) {
            *systemError = err;
        }
        if (error != nullptr) {
            *error = "Cannot create the file " + target + ": " + std::strerror(err);
        }
        return false;
    }
    // An existing file keeps its permissions when it is replaced.
    if (fs::is_regular_file(existing)) {
        ::fchmod(fd, static_cast<mode_t>(existing.permissions() & fs::perms::mask));
    }
    m_held = fd; // held until the file is put in place, kept or removed
    m_stream.open(m_temp, std::ios::binary | std::ios::trunc);
    if (!m_stream) {
        const int openErr = errno;
        discard();
        if (systemError != nullptr) {
            *systemError = openErr;
        }
        if (error != nullptr) {
            *error = "Cannot create the file " + target + ": " + std::strerror(openErr);
        }
        return false;
    }
    return true;
}

bool StagedFile::write(std::string_view bytes) {
    errno = 0;
    m_stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!m_stream) {
        // The reason is known only now: by the time the file is written out
        // or closed, the stream has nothing left to write and errno is gone.
        if (m_writeError == 0) {
            m_writeError = errno;
        }
        return false;
    }
    return true;
}

bool StagedFile::writeOut(int *err) {
    *err = 0;
    errno = 0;
    m_stream.flush();
    if (writeOutFailure() && writeOutFailure()(m_target)) {
        errno = 0; // as a full disk that gives no reason
        m_stream.setstate(std::ios::badbit);
    }
    const bool written = static_cast<bool>(m_stream);
    m_stream.close();
    if (!written || !m_stream) {
        // The system's reason: of the first write that failed, else of the
        // flush or the close.
        *err = m_writeError != 0 ? m_writeError : errno;
        return false;
    }
    // On the disk before it takes the target's place: a crash after the
    // rename then finds the new file whole, not empty. (A file system that
    // cannot sync says EINVAL.)
    if (m_held >= 0 && ::fsync(m_held) != 0 && errno != EINVAL) {
        *err = errno;
        return false;
    }
    m_prepared = true;
    return true;
}

bool StagedFile::prepare(std::string *error) {
    if (m_temp.empty()) {
        if (error != nullptr) {
            *error = "The file " + m_target + " was not opened for writing.";
        }
        return false;
    }
    if (m_prepared) {
        return true;
    }
    int err = 0;
    if (!writeOut(&err)) {
        discard();
        if (error != nullptr) {
            *error = writeFailureText(m_target, err);
        }
        return false;
    }
    return true;
}

bool ReplacedFiles::keepOld(Entry &entry, std::string *why) {
    struct stat old {};
    entry.existed = ::lstat(entry.target.c_str(), &old) == 0;
    if (!entry.existed) {
        return true;
    }
    int err = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = temporaryName(fs::path(entry.target), ".prev");
        if (::link(entry.target.c_str(), name.c_str()) == 0) {
            entry.previous = name;
            // Held while the group runs (unless this user may not even read
            // the file, or another group holds it too).
            const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            if (fd >= 0 && lockWholeFileAnyMode(fd, true) == LockTry::Taken) {
                entry.held = fd;
            } else if (fd >= 0) {
                ::close(fd);
            }
            return true;
        }
        err = errno;
        if (err == EEXIST) {
            continue;
        }
        // No link (another user's file, or a file system without them): a copy.
        const int fd = copyPrevious(entry.target, old, name, &err);
        if (fd >= 0) {
            entry.previous = name;
            entry.held = fd;
            return true;
        }
        if (err != EEXIST) {
            break;
        }
    }
    *why = std::strerror(err);
    return false;
}

bool StagedFile::keepReplaced(ReplacedFiles &replaced, std::string *error) {
    if (!prepare(error)) {
        return false;
    }
    if (replaced.find(m_temp) != nullptr) {
        return true;
    }
    ReplacedFiles::Entry entry;
    entry.staged = m_temp;
    entry.target = m_target;
    std::string refusal = renameRefusal(m_target), why;
    if (refusal.empty() && !ReplacedFiles::keepOld(entry, &why)) {
        refusal =
            "Cannot replace the file " + m_target +
            ": its old contents could not be kept to be put back should another file of the run fail (" +
            why + ").";
    }
    if (!refusal.empty()) {
        discard();
        if (error != nullptr) {
            *error = std::move(refusal);
        }
        return false;
    }
    struct stat own {};
    if (m_held >= 0 && ::fstat(m_held, &own) == 0) {
        entry.device = own.st_dev;
        entry.inode = own.st_ino;
    }
    replaced.m_entries.push_back(std::move(entry));
    return true;
}

bool StagedFile::commit(std::string *error, ReplacedFiles *replaced) {
    if (!prepare(error)) {
        return false;
    }
    if (replaced != nullptr && replaced->find(m_temp) == nullptr && !keepReplaced(*replaced, error)) {
        return false;
    }
    int err = 0;
    if (renameFailure() && renameFailure()(m_target)) {
        err = EIO;
    } else if (::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        err = errno;
    }
    if (err != 0) {
        if (replaced != nullptr) {
            // The target was not replaced: nothing of it is to be put back.
            auto &entries = replaced->m_entries;
            for (auto it = entries.begin(); it != entries.end(); ++it) {
                if (it->staged == m_temp) {
                    if (!it->previous.empty()) {
                        ::unlink(it->previous.c_str());
                    }
                    replaced->release(*it);
                    entries.erase(it);
                    break;
                }
            }
        }
        discard();
        if (error != nullptr) {
            *error = "Cannot write the file " + m_target + ": " + std::strerror(err);
            // In a shared folder such as /tmp, another user's file.
            struct stat file {
            }, folder{};
            const fs::path where = fs::path(m_target).parent_path();
            if ((err == EPERM || err == EACCES) && ::lstat(m_target.c_str(), &file) == 0 &&
                ::stat(where.empty() ? "." : where.c_str(), &folder) == 0) {
                if (std::string refusal = stickyFolderRefusal(m_target, file, folder, ::geteuid());
                    !refusal.empty()) {
                    *error = std::move(refusal);
                }
            }
        }
        return false;
    }
    if (replaced != nullptr) {
        replaced->find(m_temp)->renamed = true;
    }
    m_temp.clear();
    m_prepared = false;
    releaseHold();
    return true;
}

bool StagedFile::keep(std::string *keptPath, std::string *error) {
    if (m_temp.empty()) {
        if (error != nullptr) {
            *error = "The file " + m_target + " was not opened for writing.";
        }
        return false;
    }
    int err = 0;
    if (!m_prepared && !writeOut(&err)) {
        const std::string temp = m_temp;
        discard();
        if (error != nullptr) {
            *error = writeFailureText(temp, err);
        }
        return false;
    }
    // Under a name of its own, which a later writer of the target never
    // takes for a left-over: ending in the target's extension, so that it
    // opens as one (".Stat.txt.3fa2c100.part.txt").
    const std::string extension = fs::path(m_target).extension().string();
    const std::string kept = m_temp + (extension.size() > 1 ? extension : std::string(".kept"));
    if (::rename(m_temp.c_str(), kept.c_str()) != 0) {
        const int renameErr = errno;
        discard();
        if (error != nullptr) {
            *error = "Cannot keep the file written for " + m_target + ": " + std::strerror(renameErr);
        }
        return false;
    }
    if (keptPath != nullptr) {
        *keptPath = kept;
    }
    m_temp.clear();
    m_prepared = false;
    releaseHold();
    return true;
}

void StagedFile::discard() {
    if (m_stream.is_open()) {
        m_stream.close();
    }
    m_stream.clear();
    m_prepared = false;
    m_writeError = 0;
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
    releaseHold();
}

void StagedFile::releaseHold() {
    if (m_held >= 0) {
        ::close(m_held);
        m_held = -1;
    }
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

void ReplacedFiles::release(Entry &entry) {
    if (entry.held >= 0) {
        ::close(entry.held);
        entry.held = -1;
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

void ReplacedFiles::keepNew() {
    std::vector<std::string> targets;
    for (Entry &entry : m_entries) {
        if (!entry.previous.empty()) {
            ::unlink(entry.previous.c_str()); // still held: never taken for a left-over meanwhile
        }
        release(entry);
        targets.push_back(entry.target);
    }
    m_entries.clear();
    for (const std::string &target : targets) {
        removeLeftOverPrevious(target);
    }
    finish();
}

bool ReplacedFiles::restore(std::string *error) {
    std::string said;
    for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
        Entry &entry = *it;
        if (!entry.renamed) {
            // Kept, but the target was not replaced.
            if (!entry.previous.empty()) {
                ::unlink(entry.previous.c_str());
            }
        } else if (!entry.previous.empty()) {
            if (::rename(entry.previous.c_str(), entry.target.c_str()) != 0) {
                said += "\r\nThe file " + entry.target + " could not be put back (" + std::strerror(errno) +
                        "): its old contents are in " + entry.previous + ".";
            }
        } else if (!entry.existed) {
            // New with this group: removed again, unless another file has
            // taken its place meanwhile.
            struct stat st {};
            if (::lstat(entry.target.c_str(), &st) == 0 && st.st_dev == entry.device &&
                st.st_ino == entry.inode) {
                ::unlink(entry.target.c_str());
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
