#include "core/StagedFile.h"

#include "core/FileLock.h"
#include "core/OutputPlace.h"
#include "core/StagedFileNames.h"
#include "core/TextIO.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vesk {

namespace fs = std::filesystem;
using staged::besides;
using staged::descriptorPath;
using staged::folderOf;
using staged::hiddenName;
using staged::holds;

namespace {

// A stream buffer that writes through a descriptor, keeping the system's
// reason of the first write that failed. Detached, it takes no more bytes.
class DescriptorBuffer : public std::streambuf {
public:
    void attach(int fd) {
        m_fd = fd;
        m_error = 0;
        m_space.resize(1 << 16);
        setp(m_space.data(), m_space.data() + m_space.size());
    }
    void detach() {
        m_fd = -1;
        setp(nullptr, nullptr);
        std::vector<char>().swap(m_space);
    }
    bool attached() const { return m_fd >= 0; }
    // The system's error number of the first write that failed (0: none, or no reason given).
    int error() const { return m_error; }

protected:
    int_type overflow(int_type c) override {
        if (m_fd < 0 || !drain()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override { return m_fd >= 0 && drain() ? 0 : -1; }

private:
    // Writes what the buffer holds; false when the file takes no more.
    bool drain() {
        for (const char *at = pbase(); at < pptr();) {
            const ssize_t n = ::write(m_fd, at, static_cast<std::size_t>(pptr() - at));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (m_error == 0 && n < 0) {
                    m_error = errno;
                }
                setp(m_space.data(), m_space.data() + m_space.size());
                return false;
            }
            at += n;
        }
        setp(m_space.data(), m_space.data() + m_space.size());
        return true;
    }

    int m_fd = -1;
    int m_error = 0;
    std::vector<char> m_space;
};

std::function<bool(const std::string &)> &writeOutFailure() {
    static std::function<bool(const std::string &)> fails;
    return fails;
}

std::function<bool(const std::string &)> &renameFailure() {
    static std::function<bool(const std::string &)> fails;
    return fails;
}

std::function<void(const std::string &, const std::function<void()> &)> &aroundOldContentsRead() {
    static std::function<void(const std::string &, const std::function<void()> &)> around;
    return around;
}

// Where a file written for target goes (a link's destination, where the
// link may be followed: core/OutputPlace.h), with its folder opened as it
// was resolved, which every later step takes its names relative to. False
// with the system's error number.
bool openPlace(const std::string &target, OutputPlace *place, int *err, std::string *why = nullptr) {
    return resolveOutputPlace(target, place, why, err);
}

// Creates a temporary file beside the target (never through a link) and
// locks it for as long as it is written; its descriptor, or -1 with the
// system's error number.
int createHeld(int folder, const std::string &name, std::string *temp, struct stat *own, int *err) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = hiddenName(name, ".part");
        const int fd =
            ::openat(folder, temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
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
        if ((held == LockTry::Taken || held == LockTry::Unsupported) && ::fstat(fd, own) == 0 &&
            holds(folder, *temp, *own)) {
            return fd;
        }
        ::close(fd);
        *err = EEXIST;
    }
    temp->clear();
    return -1;
}

// Why the rename of a file onto name in folder (target: its path) would be
// refused now, where that is known beforehand ("" otherwise): a folder in its
// place, or another user's file in a folder with the sticky bit. The user
// root may replace any file.
std::string renameRefusal(int folder, const std::string &name, const std::string &target) {
    struct stat file {
    }, dir{};
    if (::fstatat(folder, name.c_str(), &file, AT_SYMLINK_NOFOLLOW) != 0) {
        return {};
    }
    if (S_ISDIR(file.st_mode)) {
        return "Cannot write the file " + target + ": " + std::strerror(EISDIR);
    }
    if (::geteuid() != 0 && ::fstat(folder, &dir) == 0) {
        return stickyFolderRefusal(target, file, dir, ::geteuid());
    }
    return {};
}

// A fresh name beside target that no file bears now: a temporary one, or
// (kept) one ending in the target's extension.
std::string freshPathFor(const std::string &target, bool kept) {
    OutputPlace place;
    int err = 0;
    const bool opened = openPlace(target, &place, &err);
    if (!opened) {
        place.path = target;
        place.name = fs::path(target).filename().string();
    }
    const std::string ending = kept ? staged::keptEnding(place.path) : std::string();
    std::string name;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = hiddenName(place.name, ".part") + ending;
        struct stat st {};
        if (!opened || ::fstatat(place.folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            break;
        }
    }
    return besides(place.path, name);
}

} // namespace

struct StagedFile::Output {
    DescriptorBuffer buffer;
    std::ostream stream{&buffer};
};

void failWritingOutForTesting(std::function<bool(const std::string &target)> fails) {
    writeOutFailure() = std::move(fails);
}

void failRenamingForTesting(std::function<bool(const std::string &target)> fails) {
    renameFailure() = std::move(fails);
}

void aroundOldContentsReadForTesting(
    std::function<void(const std::string &target, const std::function<void()> &read)> around) {
    aroundOldContentsRead() = std::move(around);
}

void removeLeftOverTemporaries(const std::string &target) {
    OutputPlace place;
    int err = 0;
    if (openPlace(target, &place, &err)) {
        staged::removeUnheld(place.folder.get(), place.name, ".part");
    }
}

void removeLeftOverPrevious(const std::string &target) {
    OutputPlace place;
    int err = 0;
    if (openPlace(target, &place, &err)) {
        staged::removeUnheld(place.folder.get(), place.name, ".prev");
    }
}

std::string temporaryPathFor(const std::string &target) {
    return freshPathFor(target, false);
}

std::string keptPathFor(const std::string &target) {
    return freshPathFor(target, true);
}

StagedFile::StagedFile() : m_out(std::make_unique<Output>()) {}

StagedFile::~StagedFile() {
    discard();
}

StagedFile::StagedFile(StagedFile &&other) noexcept
    : m_given(std::move(other.m_given)), m_target(std::move(other.m_target)), m_name(std::move(other.m_name)),
      m_temp(std::move(other.m_temp)), m_tempName(std::move(other.m_tempName)),
      m_folder(std::exchange(other.m_folder, -1)), m_held(std::exchange(other.m_held, -1)),
      m_file(other.m_file), m_checked(other.m_checked), m_existed(other.m_existed),
      m_old(std::exchange(other.m_old, -1)), m_out(std::move(other.m_out)), m_hold(std::move(other.m_hold)),
      m_prepared(std::exchange(other.m_prepared, false)), m_writeError(other.m_writeError) {
    other.m_temp.clear();
    other.m_tempName.clear();
    other.m_out = std::make_unique<Output>();
}

StagedFile &StagedFile::operator=(StagedFile &&other) noexcept {
    if (this != &other) {
        discard();
        m_given = std::move(other.m_given);
        m_target = std::move(other.m_target);
        m_name = std::move(other.m_name);
        m_temp = std::move(other.m_temp);
        m_tempName = std::move(other.m_tempName);
        m_folder = std::exchange(other.m_folder, -1);
        m_held = std::exchange(other.m_held, -1);
        m_file = other.m_file;
        m_checked = other.m_checked;
        m_existed = other.m_existed;
        m_old = std::exchange(other.m_old, -1);
        std::swap(m_out, other.m_out);
        m_hold = std::move(other.m_hold);
        m_prepared = std::exchange(other.m_prepared, false);
        m_writeError = other.m_writeError;
        other.m_temp.clear();
        other.m_tempName.clear();
    }
    return *this;
}

bool StagedFile::open(const std::string &target, std::string *error, int *systemError) {
    discard();
    auto failed = [&](int err, const std::string &text) {
        releaseHold();
        if (systemError != nullptr) {
            *systemError = err;
        }
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };
    m_given = target;
    // Another user's link on the way is not followed (core/OutputPlace.h).
    if (std::string refusal = foreignLinkRefusal(target); !refusal.empty()) {
        m_target = target;
        return failed(EACCES, refusal);
    }
    OutputPlace place;
    int err = 0;
    std::string why;
    const bool opened = openPlace(target, &place, &err, &why);
    m_target = opened ? place.path : target;
    m_name = place.name;
    if (!opened) {
        // Another user's link on the way (put there since the look above) is
        // named with its owner; through a link, the message says where it led.
        return failed(err, place.refused || place.throughLink
                               ? why
                               : "Cannot create the file " + target + ": " + std::strerror(err));
    }
    m_folder = place.folder.release();
    // What the name holds is opened as a path only, never to be read or
    // written (a pipe would wait, a device might act): the file checked,
    // which is the only one whose old contents are read or kept later, held
    // from now on so that no other file can take its device and inode. The
    // name was resolved link by link, so a link there now was put there
    // meanwhile.
    FileDescriptor looked(::openat(m_folder, m_name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat existing {};
    if (!looked && errno != ENOENT) {
        const int why = errno;
        return failed(why, "Cannot create the file " + target + ": " + std::strerror(why));
    }
    const bool exists = looked && ::fstat(looked.get(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        // Known now rather than when the file is put in place.
        return failed(EISDIR, "Cannot create the file " + target + ": " + std::strerror(EISDIR));
    }
    if (exists && S_ISLNK(existing.st_mode)) {
        return failed(EAGAIN, staged::changedSinceChecked(target, &existing, false, existing));
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device, a named pipe or a socket: a rename would put a plain file
        // in its place (and the temporary file would lie in its folder, /dev).
        return failed(EINVAL, "Cannot write the file " + target + ": it is not a regular file but " +
                                  nonFileKind(existing.st_mode) + ", which a file must not replace.");
    }
    m_existed = exists;
    m_checked = {};
    if (exists) {
        m_checked = existing;
        m_old = looked.release();
    }
    if (exists && (existing.st_mode & S_IWUSR) == 0) {
        // Marked read-only by its owner (mode 444 and the like): not
        // replaced, whoever runs the program.
        return failed(EACCES, "Cannot write the file " + target +
                                  ": it is read-only. Make it writable (or remove it), or write to a file of "
                                  "another name.");
    }
    staged::removeUnheld(m_folder, m_name, ".part");
    const int fd = createHeld(m_folder, m_name, &m_tempName, &m_file, &err);
    if (fd < 0) {
        m_tempName.clear();
        if (err == EACCES || err == EPERM || err == EROFS) {
            return failed(err, "Cannot write the file " + target + ": the folder " + folderOf(m_target) +
                                   " may not be written (" + std::strerror(err) + ").");
        }
        return failed(err, "Cannot create the file " + target + ": " + std::strerror(err));
    }
    // An existing file keeps its permissions when it is replaced.
    if (exists) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
    m_held = fd; // held until the file is put in place, kept or removed
    m_temp = besides(m_target, m_tempName);
    m_out->stream.clear();
    m_out->buffer.attach(fd);
    staged::step(StagedStep::Created, m_target, m_temp);
    return true;
}

bool StagedFile::oldContents(std::string *path, std::string *error) {
    path->clear();
    auto refused = [&](const std::string &text) {
        if (error != nullptr) {
            *error = text;
        }
        return false;
    };
    if (m_folder < 0) {
        return refused("The file " + m_target + " was not opened for writing.");
    }
    // The name must still hold the file checked (held since, so that no
    // other file can have taken its device and inode); a pipe is never
    // opened, a link never followed.
    struct stat now {};
    const bool present = ::fstatat(m_folder, m_name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0;
    if (std::string changed =
            staged::changedSinceChecked(m_target, present ? &now : nullptr, m_existed, m_checked);
        !changed.empty()) {
        return refused(changed);
    }
    if (!m_existed || !present || m_old < 0) {
        return true; // no old contents (removed meanwhile: none are kept either)
    }
    // Read through the descriptor held, which a helper process may open too.
    const std::string own = descriptorPath(m_old);
    struct stat through {};
    if (::stat(own.c_str(), &through) != 0 || !staged::sameFile(through, m_checked)) {
        return refused("Cannot read the file " + m_target +
                       " safely: the system offers no way to read it through the file that was checked "
                       "(/proc is missing).");
    }
    *path = own;
    return true;
}

void StagedFile::readOldContents(const std::function<void()> &read) const {
    if (aroundOldContentsRead()) {
        aroundOldContentsRead()(m_target, read);
    } else {
        read();
    }
}

std::string StagedFile::readBackPath() const {
    if (m_temp.empty() || m_held < 0) {
        return {};
    }
    const std::string own = descriptorPath(m_held);
    struct stat st {};
    return ::stat(own.c_str(), &st) == 0 && staged::sameFile(st, m_file) ? own : m_temp;
}

bool StagedFile::isOpen() const {
    return m_out->buffer.attached();
}

void StagedFile::holdUntilDone(std::shared_ptr<void> hold) {
    m_hold = std::move(hold);
}

void StagedFile::holdUntilFinal(ReplacedFiles &replaced) {
    if (m_hold) {
        replaced.holdUntilFinal([hold = std::move(m_hold)]() mutable { hold.reset(); });
    }
}

std::ostream &StagedFile::stream() {
    return m_out->stream;
}

bool StagedFile::write(std::string_view bytes) {
    m_out->stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!m_out->stream) {
        // The reason is known only now: by the time the file is written out,
        // the stream has nothing left to write.
        if (m_writeError == 0) {
            m_writeError = m_out->buffer.error();
        }
        return false;
    }
    return true;
}

bool StagedFile::writeOut(int *err) {
    *err = 0;
    m_out->stream.flush();
    bool written = static_cast<bool>(m_out->stream);
    int reason = m_writeError != 0 ? m_writeError : m_out->buffer.error();
    if (writeOutFailure() && writeOutFailure()(m_target)) {
        written = false; // as a full disk that gives no reason
        reason = m_writeError;
    }
    m_out->buffer.detach();
    if (!written) {
        *err = reason;
        return false;
    }
    // On the disk before it takes the target's place: a crash after the
    // rename then finds the new file whole, not empty. (A file system that
    // cannot sync says EINVAL.)
    if (::fsync(m_held) != 0 && errno != EINVAL) {
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

bool StagedFile::keepReplaced(ReplacedFiles &replaced, std::string *error) {
    if (!prepare(error)) {
        return false;
    }
    if (replaced.find(m_temp) != nullptr) {
        return true;
    }
    ReplacedFiles::Entry entry;
    entry.staged = m_temp;
    entry.given = m_given;
    entry.target = m_target;
    entry.name = m_name;
    entry.placed = m_file;
    entry.checkedFile = m_existed;
    entry.checked = m_checked;
    entry.folder = ::fcntl(m_folder, F_DUPFD_CLOEXEC, 0);
    std::string refusal, why;
    struct stat now {};
    if (::fstatat(m_folder, m_name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0) {
        refusal = staged::changedSinceChecked(m_target, &now, m_existed, m_checked);
    }
    if (refusal.empty()) {
        refusal = renameRefusal(m_folder, m_name, m_target);
    }
    if (refusal.empty() && entry.folder < 0) {
        why = std::strerror(errno);
    }
    if (refusal.empty() && (entry.folder < 0 || !ReplacedFiles::keepOld(entry, &why, &refusal)) &&
        refusal.empty()) {
        refusal =
            "Cannot replace the file " + m_target +
            ": its old contents could not be kept to be put back should another file of the run fail (" +
            why + ").";
    }
    if (!refusal.empty()) {
        replaced.release(entry);
        discard();
        if (error != nullptr) {
            *error = std::move(refusal);
        }
        return false;
    }
    replaced.m_entries.push_back(std::move(entry));
    holdUntilFinal(replaced);
    return true;
}

bool StagedFile::commit(std::string *error, ReplacedFiles *replaced) {
    if (replaced != nullptr) {
        holdUntilFinal(*replaced);
    }
    if (!prepare(error)) {
        return false;
    }
    if (replaced != nullptr && replaced->find(m_temp) == nullptr && !keepReplaced(*replaced, error)) {
        return false;
    }
    // The target is not replaced: nothing of it is to be put back.
    auto leaveGroup = [&] {
        if (replaced != nullptr) {
            if (ReplacedFiles::Entry *entry = replaced->find(m_temp)) {
                replaced->drop(*entry);
                replaced->release(*entry);
                replaced->m_entries.erase(replaced->m_entries.begin() + (entry - replaced->m_entries.data()));
            }
        }
    };
    if (!holds(m_folder, m_tempName, m_file)) {
        // Another program took the temporary name: whatever it put there is
        // not this file, and is neither put in place nor removed.
        leaveGroup();
        const std::string temp = m_temp;
        abandon();
        if (error != nullptr) {
            *error = "Cannot write the file " + m_target +
                     ": another program replaced the file written for it (" + temp +
                     ") before it was put in place.";
        }
        return false;
    }
    staged::step(StagedStep::Checked, m_target, m_temp);
    int err = 0;
    if (renameFailure() && renameFailure()(m_target)) {
        err = EIO;
    } else if (::renameat(m_folder, m_tempName.c_str(), m_folder, m_name.c_str()) != 0) {
        err = errno;
    }
    if (err != 0) {
        leaveGroup();
        if (error != nullptr) {
            *error = "Cannot write the file " + m_target + ": " + std::strerror(err);
            // In a shared folder such as /tmp, another user's file.
            struct stat file {
            }, folder{};
            if ((err == EPERM || err == EACCES) &&
                ::fstatat(m_folder, m_name.c_str(), &file, AT_SYMLINK_NOFOLLOW) == 0 &&
                ::fstat(m_folder, &folder) == 0) {
                if (std::string refusal = stickyFolderRefusal(m_target, file, folder, ::geteuid());
                    !refusal.empty()) {
                    *error = std::move(refusal);
                }
            }
        }
        discard();
        return false;
    }
    staged::step(StagedStep::Renamed, m_target, m_temp);
    ReplacedFiles::Entry *entry = replaced != nullptr ? replaced->find(m_temp) : nullptr;
    if (entry != nullptr) {
        entry->renamed = true;
        entry->placedHeld = std::exchange(m_held, -1); // which file it is stays certain
    }
    if (!holds(m_folder, m_name, m_file)) {
        // What the rename put there is not this file (another program took
        // the temporary name between the check and the rename), or another
        // program replaced it at once: which it is cannot be told, so it
        // stays as it is; a group keeps the old contents aside and names
        // them.
        abandon();
        if (error != nullptr) {
            *error = "Cannot write the file " + m_target +
                     ": another program replaced it as soon as it was put in place.";
        }
        return false;
    }
    m_temp.clear();
    m_tempName.clear();
    m_prepared = false;
    releaseHold();
    return true;
}

bool StagedFile::nameKept(std::string name, bool fresh, std::string *keptPath, int *err) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (staged::linkOpenFile(m_held, m_file, m_folder, m_tempName, name, err)) {
            *keptPath = besides(m_target, name);
            return true;
        }
        if (!fresh || (*err != EEXIST && *err != ESTALE)) {
            return false;
        }
        name = hiddenName(m_name, ".part") + staged::keptEnding(m_target);
    }
    return false;
}

bool StagedFile::keep(std::string *keptPath, std::string *error) {
    std::string kept;
    if (!keepUnder(m_tempName + staged::keptEnding(m_target), true, &kept, error)) {
        return false;
    }
    if (keptPath != nullptr) {
        *keptPath = kept;
    }
    return true;
}

bool StagedFile::keepAs(const std::string &keptPath, std::string *error) {
    if (!m_temp.empty() && fs::path(keptPath).parent_path() != fs::path(m_target).parent_path()) {
        const std::string target = m_target;
        discard();
        if (error != nullptr) {
            *error = "Cannot keep the file written for " + target + " as " + keptPath +
                     ": it lies in another folder.";
        }
        return false;
    }
    std::string kept;
    return keepUnder(fs::path(keptPath).filename().string(), false, &kept, error);
}

bool StagedFile::keepUnder(const std::string &name, bool fresh, std::string *keptPath, std::string *error) {
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
    // Under a name of its own, made exclusively (never over anything), which
    // a later writer of the target never takes for a left-over.
    if (!nameKept(name, fresh, keptPath, &err)) {
        const std::string target = m_target;
        discard();
        if (error != nullptr) {
            *error = !fresh && err == EEXIST
                         ? "Cannot keep the file written for " + target + " as " + besides(target, name) +
                               ": another program took that name meanwhile."
                         : "Cannot keep the file written for " + target + ": " + std::strerror(err);
        }
        return false;
    }
    discard(); // the temporary name goes, the file stays under the kept one
    return true;
}

void StagedFile::discard() {
    if (m_out) {
        m_out->buffer.detach();
        m_out->stream.clear();
    }
    m_prepared = false;
    m_writeError = 0;
    if (!m_tempName.empty() && m_folder >= 0 && holds(m_folder, m_tempName, m_file)) {
        ::unlinkat(m_folder, m_tempName.c_str(), 0);
    }
    m_temp.clear();
    m_tempName.clear();
    releaseHold();
}

void StagedFile::abandon() {
    m_out->buffer.detach();
    m_out->stream.clear();
    m_prepared = false;
    m_writeError = 0;
    m_temp.clear();
    m_tempName.clear();
    releaseHold();
}

void StagedFile::releaseHold() {
    m_hold.reset();
    if (m_held >= 0) {
        ::close(m_held);
        m_held = -1;
    }
    if (m_old >= 0) {
        ::close(m_old);
        m_old = -1;
    }
    if (m_folder >= 0) {
        ::close(m_folder);
        m_folder = -1;
    }
}

} // namespace vesk
