#include "core/OutputPlace.h"

#include "core/StagedFile.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
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

// Where the link opened as fd (O_PATH | O_NOFOLLOW) leads.
std::string linkText(int fd, int *err) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlinkat(fd, "", buffer.data(), buffer.size());
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

using AroundUse = std::function<void(const std::string &, const std::function<void()> &)>;

// The tests' hooks: around the reading of a link, and around the use of a
// name that is no link.
AroundUse &aroundLinkRead() {
    static AroundUse around;
    return around;
}

AroundUse &aroundNameUse() {
    static AroundUse around;
    return around;
}

// Runs use(), what is done with a name after its one look (name: its full
// path), within the tests' hook (around) where one is set.
void useName(const AroundUse &around, const std::string &name, const std::function<void()> &use) {
    if (around) {
        around(name, use);
    } else {
        use();
    }
}

Resolved resolve(const std::string &target, OutputPlace *place, std::string *error, int *systemError) {
    bool throughLink = false;
    std::string lastLink, leadsTo; // the last link followed and its text
    auto fail = [&](int err, std::string refusal = std::string()) {
        const Resolved result = refusal.empty() ? Resolved::Failed : Resolved::ForeignLink;
        if (systemError != nullptr) {
            *systemError = err;
        }
        if (place != nullptr) {
            place->throughLink = throughLink;
            place->refused = !refusal.empty();
        }
        if (error != nullptr && refusal.empty()) {
            // Where a link led, the message says so: the name alone would not tell the user why.
            *error = "Cannot write the file " + target +
                     (throughLink ? " (through the symbolic link " + lastLink + " to " + leadsTo + ")" : "") +
                     ": " + std::strerror(err);
        } else if (error != nullptr) {
            *error = std::move(refusal);
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
    int links = 0;
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
        // One look at the name: it is opened without following a link, and
        // all that is known of it (its kind, a link's owner and text, a
        // folder to go on from) comes from that descriptor, so that nothing
        // put under the name meanwhile is taken for what was looked at.
        FileDescriptor looked(::openat(folder.get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!looked || ::fstat(looked.get(), &st) != 0) {
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
                if (place != nullptr) {
                    place->name = part;
                    place->folder = std::move(folder);
                }
                const std::string owner = userName(st.st_uid);
                return fail(EACCES, "Cannot write the file " + target + ": " + joined(at, part) +
                                        " is a symbolic link of the user " + owner + " in the folder " + at +
                                        ", which other users may write, and the program follows no other "
                                        "user's link there. Ask the user \"" +
                                        owner + "\" to remove it, or write to a file of another name.");
            }
            int err = 0;
            std::string text;
            useName(aroundLinkRead(), joined(at, part), [&] { text = linkText(looked.get(), &err); });
            if (text.empty()) {
                return fail(err != 0 ? err : ENOENT);
            }
            lastLink = joined(at, part);
            leadsTo = text;
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
            useName(aroundNameUse(), joined(at, part), [] {});
            name = std::move(part);
            break;
        }
        if (!S_ISDIR(st.st_mode)) {
            return fail(ENOTDIR);
        }
        // The folder looked at is the one gone into: its name is not opened again.
        useName(aroundNameUse(), joined(at, part), [&] { folder = std::move(looked); });
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
        place->refused = false;
    }
    return Resolved::Fine;
}

} // namespace

bool resolveOutputPlace(const std::string &target, OutputPlace *place, std::string *error, int *systemError) {
    return resolve(target, place, error, systemError) == Resolved::Fine;
}

void aroundLinkReadForTesting(
    std::function<void(const std::string &link, const std::function<void()> &read)> around) {
    aroundLinkRead() = std::move(around);
}

void aroundNameUseForTesting(
    std::function<void(const std::string &name, const std::function<void()> &use)> around) {
    aroundNameUse() = std::move(around);
}

std::string foreignLinkRefusal(const std::string &target) {
    std::string error;
    return resolve(target, nullptr, &error, nullptr) == Resolved::ForeignLink ? error : std::string();
}

} // namespace vesk
