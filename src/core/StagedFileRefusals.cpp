// Why a file of a run may not be put in place of its target, known before
// anything is written: the refusals that name another user's file.

#include "core/StagedFile.h"

#include "core/OutputPlace.h"
#include "core/StagedFileNames.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {

namespace fs = std::filesystem;

std::string userName(uid_t uid) {
    char buffer[1024];
    struct passwd entry {
    }, *found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return found->pw_name;
    }
    return std::to_string(uid);
}

std::string nonFileKind(mode_t mode) {
    if (S_ISREG(mode)) {
        return {};
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return S_ISLNK(mode) ? "a symbolic link" : "no regular file";
}

std::string stickyFolderRefusal(const std::string &target, const struct stat &file, const struct stat &folder,
                                uid_t user) {
    if ((folder.st_mode & S_ISVTX) == 0 || file.st_uid == user || folder.st_uid == user) {
        return {};
    }
    const std::string owner = userName(file.st_uid);
    return "Cannot write the file " + target + ": it belongs to the user " + owner + ", and in its folder " +
           fs::path(target).parent_path().string() +
           ", whose sticky bit is set, only a file's owner may replace it. Ask the user \"" + owner +
           "\" to remove it, or write to a file of another name.";
}

namespace {

// Whether this user may read the file opened as fd (O_PATH): it is opened
// again for reading through its descriptor, never by a name. Where the
// system has no /proc, its name in folder is asked, without following a
// link there.
bool mayRead(int fd, int folder, const std::string &name) {
    const int reading =
        ::open(staged::descriptorPath(fd).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (reading >= 0) {
        ::close(reading);
        return true;
    }
    if (errno != ENOENT) {
        return false;
    }
    return ::faccessat(folder, name.c_str(), R_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

std::string groupReplacementRefusal(const std::string &target) {
    // One resolution under the rule for links, and one look at the file it
    // leads to, which is never followed should it be a link.
    OutputPlace place;
    int err = 0;
    std::string why;
    if (!resolveOutputPlace(target, &place, &why, &err)) {
        return place.refused ? why : std::string();
    }
    const FileDescriptor looked(
        ::openat(place.folder.get(), place.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat file {
    }, folder{};
    if (!looked || ::fstat(looked.get(), &file) != 0 || !S_ISREG(file.st_mode)) {
        return {};
    }
    if (::geteuid() != 0 && ::fstat(place.folder.get(), &folder) == 0) {
        if (std::string refusal = stickyFolderRefusal(place.path, file, folder, ::geteuid());
            !refusal.empty()) {
            return refusal;
        }
    }
    // Its old contents are held while the group is put in place, and kept by
    // a link or a copy: a file this user may not read can be neither held nor
    // copied.
    if (file.st_uid == ::geteuid() || mayRead(looked.get(), place.folder.get(), place.name)) {
        return {};
    }
    const std::string owner = userName(file.st_uid);
    return "Cannot replace the file " + place.path + ": it belongs to the user " + owner +
           " and you may not read it, so its old contents could not be kept to be put back should another "
           "file of the run fail. Ask the user \"" +
           owner + "\" to let you read it or to remove it, or write to a file of another name.";
}

} // namespace vesk
