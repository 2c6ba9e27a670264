#include "platform/Isolation.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <limits>
#include <new>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vesk {

namespace {

// The child's message: one status byte, eight bytes of length, the payload.
constexpr char kOk = '1', kFailed = '0', kNoMemory = 'M';

// What the work of a helper process last reported doing, in memory it
// shares with the process that started it. The length is 0 while the text is
// written: a child ended in the middle leaves no half text, only none.
struct Progress {
    std::atomic<std::uint32_t> length{0};
    char text[kProgressKept];
};

// The report of this process when it is a helper (set in the child only).
Progress *g_progress = nullptr;

// A page shared with the children forked while it lives.
class SharedProgress {
public:
    SharedProgress() {
        void *page =
            ::mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        m_progress = page == MAP_FAILED ? nullptr : new (page) Progress;
    }
    ~SharedProgress() {
        if (m_progress != nullptr) {
            m_progress->~Progress();
            ::munmap(m_progress, sizeof(Progress));
        }
    }
    SharedProgress(const SharedProgress &) = delete;
    SharedProgress &operator=(const SharedProgress &) = delete;

    Progress *get() const { return m_progress; }
    // What the child reported last (read once it has ended).
    std::string text() const {
        if (m_progress == nullptr) {
            return {};
        }
        const std::uint32_t n = m_progress->length.load(std::memory_order_acquire);
        return std::string(m_progress->text, std::min<std::size_t>(n, kProgressKept));
    }

private:
    Progress *m_progress = nullptr;
};

// Pages of this process: the whole address space ([0]) and the resident part ([1]).
bool processPages(pid_t pid, long *total, long *resident) {
    std::ifstream statm(pid == 0 ? std::string("/proc/self/statm")
                                 : "/proc/" + std::to_string(pid) + "/statm");
    return static_cast<bool>(statm >> *total >> *resident);
}

bool writeAll(int fd, const char *data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A descriptor moved to a number above the standard streams (a pipe made
// while one of them was closed may have taken its number).
int aboveStandardStreams(int fd) {
    return fd >= 0 && fd <= STDERR_FILENO ? ::fcntl(fd, F_DUPFD, STDERR_FILENO + 1) : fd;
}

// Closes every descriptor from `first` on.
void closeFrom(int first) {
    if (::close_range(static_cast<unsigned>(first), ~0U, 0) == 0) {
        return;
    }
    rlimit open{};
    const rlim_t last = ::getrlimit(RLIMIT_NOFILE, &open) == 0 && open.rlim_cur != RLIM_INFINITY
                            ? std::min<rlim_t>(open.rlim_cur, 1 << 20)
                            : 1 << 16;
    for (rlim_t fd = static_cast<rlim_t>(first); fd < last; ++fd) {
        ::close(static_cast<int>(fd));
    }
}

// The child ends with its parent, and keeps open nothing but its standard
// streams (input and output on /dev/null, its error on errorFd when given)
// and the result pipe, which it gets back as the descriptor returned.
int childSetUp(pid_t parent, int fd, int errorFd) {
    // A parent killed before this took effect is gone already: its process
    // is then no longer the parent.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) {
        ::_exit(3);
    }
    fd = aboveStandardStreams(fd);
    errorFd = aboveStandardStreams(errorFd);
    const int null = aboveStandardStreams(::open("/dev/null", O_RDWR));
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
    }
    if (errorFd >= 0) {
        ::dup2(errorFd, STDERR_FILENO);
    }
    // Every other descriptor of the parent (the read ends of the child's own
    // pipes, those of other helpers' pipes, a lock file held) is closed, so
    // that nothing of the parent lives on in the child and a write to a pipe
    // whose reader has gone fails.
    constexpr int kResult = STDERR_FILENO + 1;
    if (fd != kResult && (fd < 0 || ::dup2(fd, kResult) < 0)) {
        ::_exit(3);
    }
    closeFrom(kResult + 1);
    return kResult;
}

[[noreturn]] void childMain(pid_t parent, int fd, int errorFd,
                            const std::function<bool(std::string *, std::string *)> &work,
                            [[maybe_unused]] const IsolationLimits &limits, Progress *progress) {
    fd = childSetUp(parent, fd, errorFd);
    g_progress = progress;
#if !defined(__SANITIZE_ADDRESS__)
    // A hard bound behind the parent's watch, which normally ends the child
    // first (AddressSanitizer needs far more address space than it uses, so
    // there only the watch holds).
    long total = 0, resident = 0;
    if (processPages(0, &total, &resident)) {
        const rlim_t bytes = static_cast<rlim_t>(total) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) +
                             2 * static_cast<rlim_t>(limits.memoryBytes);
        const rlimit bound{bytes, bytes};
        ::setrlimit(RLIMIT_AS, &bound);
    }
#endif
    char status = kFailed;
    std::string bytes, error;
    try {
        status = work(&bytes, &error) ? kOk : kFailed;
    } catch (const std::bad_alloc &) {
        status = kNoMemory;
    } catch (const std::exception &e) {
        error = e.what();
    } catch (...) {
        error = "an error of unknown kind";
    }
    const std::string &payload = status == kOk ? bytes : error;
    char head[9];
    head[0] = status;
    const std::uint64_t size = payload.size();
    std::memcpy(head + 1, &size, sizeof size);
    const bool sent = writeAll(fd, head, sizeof head) && writeAll(fd, payload.data(), payload.size());
    ::_exit(sent ? 0 : 2);
}

} // namespace

namespace {
std::atomic<std::uint64_t> g_runsStarted{0};
} // namespace

std::uint64_t isolatedRunsStarted() {
    return g_runsStarted.load();
}

void reportIsolatedProgress(std::string_view what) {
    if (g_progress == nullptr) {
        return;
    }
    const std::size_t n = std::min(what.size(), kProgressKept);
    // In this order as the program runs, for a child killed at any point
    // (the parent reads only once it has ended).
    g_progress->length.store(0);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(g_progress->text, what.data(), n);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    g_progress->length.store(static_cast<std::uint32_t>(n));
}

IsolatedResult runIsolated(const std::function<bool(std::string *bytes, std::string *error)> &work,
                           const IsolationLimits &limits) {
    IsolatedResult result;
    ++g_runsStarted;
    // The child starts with this process's pages: only what it adds counts.
    long startTotal = 0, startResident = 0;
    processPages(0, &startTotal, &startResident);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        result.error = std::strerror(errno);
        return result;
    }
    int errorFds[2] = {-1, -1};
    if (!limits.keepErrorOutput && ::pipe2(errorFds, O_CLOEXEC) != 0) {
        errorFds[0] = errorFds[1] = -1; // the child's standard error is then lost, as /dev/null
    }
    const SharedProgress progress;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        result.error = std::strerror(errno);
        for (int fd : {fds[0], fds[1], errorFds[0], errorFds[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return result;
    }
    if (pid == 0) {
        childMain(parent, fds[1], errorFds[1], work, limits, progress.get());
    }
    ::close(fds[1]);
    if (errorFds[1] >= 0) {
        ::close(errorFds[1]);
    }
    // Reads what the child wrote to its standard error, keeping the start.
    auto takeErrorOutput = [&] {
        char chunk[4096];
        const ssize_t n = ::read(errorFds[0], chunk, sizeof chunk);
        if (n > 0 && result.errorOutput.size() < kErrorOutputKept) {
            result.errorOutput.append(
                chunk, std::min(static_cast<std::size_t>(n), kErrorOutputKept - result.errorOutput.size()));
        }
        return n;
    };

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point wallEnd = start + std::chrono::seconds(isolationWallSeconds(limits));
    // The child's processor clock counts its user and system time from the
    // fork on. Where it cannot be read, the wall-clock time stands for it: a
    // child of one thread never uses more.
    clockid_t childClock{};
    const bool clockRead = ::clock_getcpuclockid(pid, &childClock) == 0;
    auto processorSeconds = [&](Clock::time_point now) {
        timespec used{};
        if (clockRead && ::clock_gettime(childClock, &used) == 0) {
            return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) * 1e-9;
        }
        return std::chrono::duration<double>(now - start).count();
    };
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    std::string message;
    bool ended = false; // by us
    char buffer[65536];
    bool errorOpen = errorFds[0] >= 0;
    // The limits are looked at ten times a second, however often the child
    // writes.
    constexpr auto kWatchEvery = std::chrono::milliseconds(100);
    Clock::time_point nextWatch = start + kWatchEvery;
    for (;;) {
        pollfd p[2] = {{fds[0], POLLIN, 0}, {errorOpen ? errorFds[0] : -1, POLLIN, 0}};
        const int ready = ::poll(p, 2, static_cast<int>(kWatchEvery.count()));
        if (ready > 0 && errorOpen && (p[1].revents & (POLLIN | POLLHUP)) != 0) {
            const ssize_t n = takeErrorOutput();
            errorOpen = n > 0 || (n < 0 && errno == EINTR);
        }
        if (ready > 0 && (p[0].revents & (POLLIN | POLLHUP)) != 0) {
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break; // the child has closed its end: it is ending
            }
            message.append(buffer, static_cast<std::size_t>(n));
        }
        const Clock::time_point now = Clock::now();
        if (now < nextWatch) {
            continue;
        }
        nextWatch = now + kWatchEvery;
        long total = 0, resident = 0;
        if (processPages(pid, &total, &resident) && resident > startResident &&
            static_cast<std::size_t>(resident - startResident) * static_cast<std::size_t>(pageSize) >
                limits.memoryBytes) {
            result.end = IsolatedEnd::OutOfMemory;
            ended = true;
        } else if (processorSeconds(now) >= limits.seconds) {
            result.end = IsolatedEnd::TimedOut;
            ended = true;
        } else if (now >= wallEnd) {
            result.end = IsolatedEnd::Stalled;
            ended = true;
        }
        if (ended) {
            ::kill(pid, SIGKILL);
            break;
        }
    }
    ::close(fds[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    result.processorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    // The child has ended: what is left of its standard error ends too.
    while (errorOpen) {
        const ssize_t n = takeErrorOutput();
        errorOpen = n > 0 || (n < 0 && errno == EINTR);
    }
    if (errorFds[0] >= 0) {
        ::close(errorFds[0]);
    }
    result.progress = progress.text();
    if (ended) {
        return result;
    }
    std::uint64_t size = 0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || message.size() < 9 ||
        (std::memcpy(&size, message.data() + 1, sizeof size), message.size() - 9 != size)) {
        result.end = IsolatedEnd::Crashed;
        result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        return result;
    }
    if (message[0] == kNoMemory) {
        result.end = IsolatedEnd::OutOfMemory;
        return result;
    }
    result.end = IsolatedEnd::Finished;
    result.ok = message[0] == kOk;
    (result.ok ? result.bytes : result.error) = message.substr(9);
    return result;
}

int isolationWallSeconds(const IsolationLimits &limits) {
    if (limits.wallSeconds > 0) {
        return limits.wallSeconds;
    }
    constexpr int kMost = std::numeric_limits<int>::max() / kWallSecondsPerProcessorSecond;
    return kWallSecondsPerProcessorSecond * std::clamp(limits.seconds, 0, kMost);
}

std::string processorSecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    std::string s = text;
    return s.ends_with(".0") ? s.substr(0, s.size() - 2) : s;
}

std::string isolationFailureReason(const IsolatedResult &result, const IsolationLimits &limits) {
    switch (result.end) {
    case IsolatedEnd::Finished:
        return {};
    case IsolatedEnd::TimedOut:
        return "it could not be read within " + std::to_string(limits.seconds) +
               " seconds of processor time, and its reading was stopped";
    case IsolatedEnd::Stalled:
        return "its reading had not ended after " + std::to_string(isolationWallSeconds(limits)) +
               " seconds, in which it used " + processorSecondsText(result.processorSeconds) +
               " seconds of processor time, and was stopped";
    case IsolatedEnd::OutOfMemory:
        return "reading it needed more than " + std::to_string(limits.memoryBytes >> 20) +
               " MB of memory, and its reading was stopped";
    case IsolatedEnd::Crashed:
        return "its reader failed on it" +
               (result.signal != 0 ? " (" + std::string(::strsignal(result.signal)) + ")" : std::string());
    case IsolatedEnd::NotStarted:
        return "no reading process could be started (" + result.error + ")";
    }
    return {};
}

std::string isolationFailureText(const IsolatedResult &result, const std::string &file,
                                 const IsolationLimits &limits) {
    if (result.end == IsolatedEnd::Finished) {
        return {};
    }
    const bool damaged = result.end != IsolatedEnd::NotStarted && result.end != IsolatedEnd::Stalled;
    return "The file " + file + (damaged ? " is damaged: " : " cannot be read: ") +
           isolationFailureReason(result, limits) + ".";
}

} // namespace vesk
