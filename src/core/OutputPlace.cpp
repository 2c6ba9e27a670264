#include "core/OutputPlace.h"

#include "core/StagedFile.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vesk {

void FileDescriptor::reset(int fd) {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

namespace {

// As the system counts them before it gives up (ELOOP).
constexpr int kMaxLinks = 40;
// How often a folder on the way may change between its look and its
// opening before the resolution gives up (EAGAIN): someone is swapping it.
constexpr int kMaxRetries = 8;

enum class Resolved { Fine, ForeignLink, Failed };

// The components of a path, "" and "." left out.
void pushComponents(const std::string &path, std::deque<std::string> *into) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        std::string part = path.substr(start, end - start);
        if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    into->insert(into->begin(), parts.begin(), parts.end());
}

std::string joined(const std::string &folder, const std::string &name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string parentOf(const std::string &folder) {
    const std::size_t slash = folder.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : folder.substr(0, slash);
}

std::string currentFolder() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            return ".";
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Whether a user other than the one running the program (and root) may
// make or replace names in the folder.
bool othersMayWrite(const struct stat &folder) {
    if ((folder.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return true;
    }
    return folder.st_uid != ::geteuid() && folder.st_uid != 0;
}

bool ownLink(const struct stat &link) {
    return link.st_uid == ::geteuid() || link.st_uid == 0;
}

std::string linkText(int folder, const std::string &name, int *err) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
        if (n < 0) {
            *err = errno;
            return {};
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        }
        if (buffer.size() > (1u << 16)) {
            *err = ENAMETOOLONG;
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

Resolved resolve(const std::string &target, OutputPlace *place, std::string *error, int *systemError) {
    auto fail = [&](int err, std::string refusal = std::string()) {
        const Resolved result = refusal.empty() ? Resolved::Failed : Resolved::ForeignLink;
        if (systemError != nullptr) {
            *systemError = err;
        }
        if (error != nullptr) {
            *error = refusal.empty() ? "Cannot write the file " + target + ": " + std::strerror(err)
                                     : std::move(refusal);
        }
        return result;
    };
    if (target.empty()) {
        return fail(ENOENT);
    }
    const bool absolute = target.front() == '/';
    FileDescriptor folder(::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder) {
        return fail(errno);
    }
    std::string at = absolute ? std::string("/") : currentFolder(); // the folder reached, links resolved
    std::deque<std::string> rest;
    pushComponents(target, &rest);
    int links = 0, retries = 0;
    bool throughLink = false;
    std::string name;
    while (!rest.empty()) {
        std::string part = std::move(rest.front());
        rest.pop_front();
        if (part == "..") {
            FileDescriptor up(::openat(folder.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!up) {
                return fail(errno);
            }
            folder = std::move(up);
            at = parentOf(at);
            continue;
        }
        struct stat st {};
        if (::fstatat(folder.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const int err = errno;
            if (err == ENOENT && rest.empty()) {
                name = std::move(part); // a new file
                break;
            }
            return fail(err);
        }
        if (S_ISLNK(st.st_mode)) {
            if (++links > kMaxLinks) {
                return fail(ELOOP);
            }
            struct stat holder {};
            if (::fstat(folder.get(), &holder) != 0) {
                return fail(errno);
            }
            if (!ownLink(st) && othersMayWrite(holder)) {
                const std::string owner = userName(st.st_uid);
                return fail(EACCES, "Cannot write the file " + target + ": " + joined(at, part) +
                                        " is a symbolic link of the user " + owner + " in the folder " + at +
                                        ", which other users may write, and the program follows no other "
                                        "user's link there. Ask " +
                                        owner + " to remove it, or write to a file of another name.");
            }
            int err = 0;
            const std::string text = linkText(folder.get(), part, &err);
            if (text.empty()) {
                return fail(err != 0 ? err : ENOENT);
            }
            if (text.front() == '/') {
                FileDescriptor root(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                if (!root) {
                    return fail(errno);
                }
                folder = std::move(root);
                at = "/";
            }
            pushComponents(text, &rest);
            throughLink = true;
            if (rest.empty()) {
                return fail(EISDIR); // a link to "/" or "."
            }
            continue;
        }
        if (rest.empty()) {
            name = std::move(part);
            break;
        }
        if (!S_ISDIR(st.st_mode)) {
            return fail(ENOTDIR);
        }
        FileDescriptor next(
            ::openat(folder.get(), part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat opened {};
        if (!next || ::fstat(next.get(), &opened) != 0 || opened.st_dev != st.st_dev ||
            opened.st_ino != st.st_ino) {
            // Replaced between the look and the opening (by a link, say):
            // looked at again.
            const int err = next ? EAGAIN : errno;
            if ((err == EAGAIN || err == ELOOP || err == ENOTDIR || err == ENOENT) &&
                ++retries <= kMaxRetries) {
                rest.push_front(std::move(part));
                continue;
            }
            return fail(err);
        }
        folder = std::move(next);
        at = joined(at, part);
    }
    if (name.empty()) {
        return fail(EISDIR); // the path names a folder ("..", "/")
    }
    if (place != nullptr) {
        place->path = throughLink ? joined(at, name) : target;
        place->name = std::move(name);
        place->folder = std::move(folder);
        place->throughLink = throughLink;
    }
    return Resolved::Fine;
}

} // namespace

bool resolveOutputPlace(const std::string &target, OutputPlace *place, std::string *error, int *systemError) {
    return resolve(target, place, error, systemError) == Resolved::Fine;
}

std::string foreignLinkRefusal(const std::string &target) {
    std::string error;
    return resolve(target, nullptr, &error, nullptr) == Resolved::ForeignLink ? error : std::string();
}

} // namespace vesk
