#pragma once

// A process started in a process group of its own, with every process it
// starts in turn (helper processes inherit the group), for tests that a
// process killed leaves nothing behind. Every wait is bounded.

#include <algorithm>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vesk::test {

// A process of /proc: its parent and group, and whether it has ended (a
// zombie has ended: it only waits for its parent to note it).
struct ProcessEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    bool ended = false;
};

inline std::vector<ProcessEntry> processesNow() {
    std::vector<ProcessEntry> out;
    DIR *proc = opendir("/proc");
    if (proc == nullptr) {
        return out;
    }
    while (const dirent *entry = readdir(proc)) {
        const std::string name = entry->d_name;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream in("/proc/" + name + "/stat");
        std::string text;
        std::getline(in, text);
        // "pid (name) state ppid pgrp ...": the name may hold blanks and brackets.
        const std::size_t close = text.rfind(')');
        if (close == std::string::npos) {
            continue; // ended meanwhile
        }
        std::istringstream rest(text.substr(close + 1));
        char state = 0;
        ProcessEntry p;
        if (rest >> state >> p.parent >> p.group) {
            p.pid = static_cast<pid_t>(std::stol(name));
            p.ended = state == 'Z' || state == 'X';
            out.push_back(p);
        }
    }
    closedir(proc);
    return out;
}

// The processes of the group that have not ended.
inline std::vector<pid_t> liveProcessesOfGroup(pid_t group) {
    std::vector<pid_t> out;
    for (const ProcessEntry &p : processesNow()) {
        if (p.group == group && !p.ended) {
            out.push_back(p.pid);
        }
    }
    return out;
}

// The children of the process that have not ended.
inline std::vector<pid_t> liveChildrenOf(pid_t parent) {
    std::vector<pid_t> out;
    for (const ProcessEntry &p : processesNow()) {
        if (p.parent == parent && !p.ended) {
            out.push_back(p.pid);
        }
    }
    return out;
}

// Looks every 20 ms, for at most `seconds`, whether done() holds.
inline bool waitUntil(const std::function<bool()> &done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

class ProcessGroup {
public:
    // Runs body in a child process that leads a new process group; the
    // child exits with what body returns.
    explicit ProcessGroup(const std::function<int()> &body) {
        m_leader = fork();
        if (m_leader == 0) {
            setpgid(0, 0);
            _exit(body());
        }
        if (m_leader > 0) {
            setpgid(m_leader, m_leader); // either side may come first
        }
    }
    // Every process left in the group is killed, the leader noted.
    ~ProcessGroup() {
        if (m_leader > 0) {
            kill(-m_leader, SIGKILL);
            waitLeader(30);
        }
    }
    ProcessGroup(const ProcessGroup &) = delete;
    ProcessGroup &operator=(const ProcessGroup &) = delete;

    bool started() const { return m_leader > 0; }
    pid_t leader() const { return m_leader; }

    // Waits at most `seconds` for the leader to end: whether it has (its
    // wait status in status()).
    bool waitLeader(int seconds) {
        if (m_waited) {
            return true;
        }
        m_waited = waitUntil([&] { return waitpid(m_leader, &m_status, WNOHANG) == m_leader; }, seconds);
        return m_waited;
    }
    int status() const { return m_status; }

    // Waits at most `seconds` for every process of the group to end: those
    // still alive then (none: all ended).
    std::vector<pid_t> waitForTheGroup(int seconds) const {
        std::vector<pid_t> left;
        waitUntil(
            [&] {
                left = liveProcessesOfGroup(m_leader);
                return left.empty();
            },
            seconds);
        return left;
    }

private:
    pid_t m_leader = -1;
    bool m_waited = false;
    int m_status = 0;
};

} // namespace vesk::test
