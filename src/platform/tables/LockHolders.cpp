#include "platform/tables/LockHolders.h"

#include "core/StagedFile.h"
#include "core/StagedFileNames.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <limits>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vesk::tables {

namespace {

// The command name of a process ("/proc/4711"): its first 15 characters, as
// the system keeps it; "" when it cannot be read.
std::string commandName(const std::string &process) {
    char name[64] = {};
    FILE *f = std::fopen((process + "/comm").c_str(), "re");
    if (f == nullptr) {
        return {};
    }
    const bool read = std::fgets(name, sizeof name, f) != nullptr;
    std::fclose(f);
    std::string text = read ? name : "";
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

// Whether the process ("/proc/4711") is a run of this program holding the
// lock file (fd, this process's descriptor of it): it has the file open, the
// file named as the system names it for fd. Where this user may not see the
// files the process has open (another user's), whether it bears this
// program's name: "winvesk", or this process's own. The links are read,
// never followed: a file of a drive that does not answer cannot hold the
// check up.
bool runHolding(const std::string &process, int fd) {
    char path[4096], target[4096];
    const ssize_t length = readlink(staged::descriptorPath(fd).c_str(), path, sizeof path);
    const std::string fds = process + "/fd";
    DIR *dir = opendir(fds.c_str());
    if (dir == nullptr) {
        const std::string name = commandName(process);
        return !name.empty() && (name == "winvesk" || name == commandName("/proc/self"));
    }
    bool open = false;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.' || length <= 0 || length >= static_cast<ssize_t>(sizeof path)) {
            continue;
        }
        const ssize_t n = readlink((fds + "/" + entry->d_name).c_str(), target, sizeof target);
        if (n == length && std::memcmp(path, target, static_cast<std::size_t>(n)) == 0) {
            open = true;
            break;
        }
    }
    closedir(dir);
    return open;
}

} // namespace

std::string holderLine() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) {
        host[0] = '\0';
    }
    return "winvesk " + std::to_string(getpid()) + " " + userName(geteuid()) + " " + (host[0] ? host : "-") +
           "\n";
}

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

std::string runHolderOf(int fd) {
    char process[16], user[64], host[128];
    struct stat info {};
    if (!readHolder(fd, process, user, host) || fstat(fd, &info) != 0 || userName(info.st_uid) != user) {
        return {};
    }
    char here[256] = {};
    if (host[0] != '-' && (gethostname(here, sizeof here - 1) != 0 || std::strcmp(here, host) != 0)) {
        return {}; // a process of another computer: nothing tells whether it still runs
    }
    const long pid = std::strtol(process, nullptr, 10);
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) {
        return {};
    }
    // Alive and of the user named: /proc/<process> belongs to its process's user.
    const std::string proc = "/proc/" + std::to_string(pid);
    struct stat owner {};
    if (stat(proc.c_str(), &owner) != 0 || userName(owner.st_uid) != user || !runHolding(proc, fd)) {
        return {};
    }
    return "process " + std::string(process) + " of the user " + user +
           (host[0] != '-' ? " on " + std::string(host) : "");
}

std::string lockHolderUser(const struct stat &file, bool *held) {
    *held = false;
    FILE *locks = std::fopen("/proc/locks", "re");
    if (locks == nullptr) {
        return {};
    }
    std::string user;
    char line[512];
    while (std::fgets(line, sizeof line, locks) != nullptr) {
        // "1: POSIX  ADVISORY  WRITE 4711 fe:00:10953523 0 EOF": kind, mode, access, process (-1: none
        // named; 0: one this process cannot see), device and file; a waiter's line holds "->".
        char kind[16], mode[16], access[16];
        long pid = 0;
        unsigned deviceMajor = 0, deviceMinor = 0;
        unsigned long long inode = 0;
        if (std::strstr(line, "->") != nullptr ||
            std::sscanf(line, "%*d: %15s %15s %15s %ld %x:%x:%llu", kind, mode, access, &pid, &deviceMajor,
                        &deviceMinor, &inode) != 7 ||
            inode != file.st_ino || deviceMajor != major(file.st_dev) || deviceMinor != minor(file.st_dev)) {
            continue;
        }
        *held = true;
        struct stat process {};
        if (pid > 0 && stat(("/proc/" + std::to_string(pid)).c_str(), &process) == 0) {
            user = userName(process.st_uid);
            break;
        }
    }
    std::fclose(locks);
    return user;
}

} // namespace vesk::tables
