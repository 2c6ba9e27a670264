#include "core/StagedFileNames.h"

#include "core/FileLock.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <unistd.h>

namespace vesk {

namespace {

std::function<void(StagedStep, const std::string &, const std::string &)> &stepHook() {
    static std::function<void(StagedStep, const std::string &, const std::string &)> act;
    return act;
}

} // namespace

void onStagedStepForTesting(
    std::function<void(StagedStep step, const std::string &target, const std::string &name)> act) {
    stepHook() = std::move(act);
}

namespace staged {

std::string hiddenName(const std::string &name, const char *ending) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%06x%02x%s", static_cast<unsigned>(random() & 0xFFFFFF),
                  counter.fetch_add(1) & 0xFF, ending);
    return "." + name + suffix;
}

bool isHiddenNameOf(const std::string &name, const std::string &target, const std::string &ending) {
    const std::string prefix = "." + target + ".";
    if (name.size() != prefix.size() + 8 + ending.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - ending.size(), ending.size(), ending) != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789abcdef", prefix.size()) == prefix.size() + 8;
}

std::string keptEnding(const std::string &target) {
    const std::string extension = std::filesystem::path(target).extension().string();
    return extension.size() > 1 ? extension : std::string(".kept");
}

bool sameFile(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string changedSinceChecked(const std::string &target, const struct stat *now, bool existed,
                                const struct stat &checked) {
    if (now == nullptr || (existed && sameFile(*now, checked))) {
        return {};
    }
    if (!S_ISREG(now->st_mode) && !S_ISLNK(now->st_mode)) {
        return "Cannot write the file " + target + ": another program has put " + nonFileKind(now->st_mode) +
               " under its name since it was checked, which a file must not replace.";
    }
    return "Cannot write the file " + target +
           ": another program has replaced it since it was checked, before anything was written; it is "
           "left as it is.";
}

bool holds(int folder, const std::string &name, const struct stat &file) {
    struct stat named {};
    return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(named, file);
}

bool linkOpenFile(int fd, const struct stat &file, int folder, const std::string &from, const std::string &to,
                  int *err) {
    const std::string own = descriptorPath(fd);
    if (::linkat(AT_FDCWD, own.c_str(), folder, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    *err = errno;
    struct stat now {};
    if (*err != ENOENT || ::access(own.c_str(), F_OK) == 0 || ::fstat(fd, &now) != 0 || now.st_nlink == 0) {
        return false; // the name is taken, or the file has no name left, or linking is not allowed
    }
    // No /proc: the file's name, which must still hold it.
    if (from.empty() || ::linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0) {
        *err = from.empty() ? ENOENT : errno;
        return false;
    }
    if (holds(folder, to, file)) {
        return true;
    }
    ::unlinkat(folder, to.c_str(), 0); // a name this call made, of whatever had taken the place of from
    *err = ESTALE;
    return false;
}

void removeUnheld(int folder, const std::string &target, const std::string &ending) {
    const bool previous = ending == ".prev";
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
    if (dir == nullptr) {
        if (listing >= 0) {
            ::close(listing);
        }
        return;
    }
    struct stat targetFile {};
    const bool targetExists = ::fstatat(folder, target.c_str(), &targetFile, AT_SYMLINK_NOFOLLOW) == 0;
    const uid_t user = ::geteuid();
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!isHiddenNameOf(name, target, ending)) {
            continue;
        }
        struct stat named {};
        if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode)) {
            continue; // a link, a folder, a pipe: whoever put it there, it stays
        }
        const bool ownFile = named.st_uid == user && named.st_nlink == 1;
        const bool targetsOwn = previous && targetExists && sameFile(named, targetFile);
        if (!ownFile && !targetsOwn) {
            continue; // another user's file, or a further name of some file
        }
        const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        struct stat own {};
        const LockTry held = previous ? lockWholeFileAnyMode(fd, true) : lockWholeFile(fd, false);
        if (::fstat(fd, &own) == 0 && S_ISREG(own.st_mode) && sameFile(own, named) &&
            held == LockTry::Taken && holds(folder, name, own)) {
            ::unlinkat(folder, name.c_str(), 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

void step(StagedStep which, const std::string &target, const std::string &name) {
    if (stepHook()) {
        stepHook()(which, target, name);
    }
}

std::string besides(const std::string &path, const std::string &name) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return (folder / name).string();
}

std::string folderOf(const std::string &path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

std::string descriptorPath(int fd) {
    return "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(fd);
}

} // namespace staged
} // namespace vesk
