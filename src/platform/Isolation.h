#pragma once

// Running a piece of work in a helper process of its own, with a time and a
// memory limit, and taking back the bytes it produced.
//
// The outside libraries that read Access and Excel files (libmdb, FreeXL)
// and Lotus files (libwps) trust the structure of the file: a damaged file
// can make them loop for ever, fill the memory or read outside their
// buffers. Their reading therefore runs in a child process (a fork of this
// one, so no second program has to be found): whatever the library does
// there, this process gets either the result or a failure it can name, within
// the time limit, and its own memory stays untouched.
//
// The child's standard output goes to /dev/null and its standard error comes
// back through a pipe, of which the first kErrorOutputKept bytes are kept (a
// damaged file can make a library print millions of warnings): a library's
// own report of what went wrong is not lost. With keepErrorOutput the child
// writes to this process's standard error instead. The parent watches the
// child's resident memory ten times a second and ends it when what the child
// added to the memory it started with exceeds the limit or the time is up; as a backstop the child's address
// space is bounded to twice the limit above what it started with (not
// under AddressSanitizer, which reserves terabytes of address space).
//
// The child ends with the process that started it (a run that is killed
// takes its helper along, and with it every descriptor the helper shares,
// such as that of a lock file), and it keeps open nothing but its standard
// streams and its end of the result pipe: once nobody reads its pipes, its
// writes fail rather than wait.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vesk {

// The defaults suit reading a table: the largest workbook a spreadsheet
// holds reads in a few seconds and a few hundred MB.
struct IsolationLimits {
    int seconds = 30;                               // wall-clock time the work may take
    std::size_t memoryBytes = std::size_t{1} << 30; // resident memory the work may add
    bool keepErrorOutput = false;                   // the child writes to this process's standard error
    // When set, the work is also ended at this moment (a time-out): several
    // readings of one check share the check's time.
    std::chrono::steady_clock::time_point deadline{};
};

enum class IsolatedEnd {
    Finished,    // the work ran to its end: see ok, bytes and error
    TimedOut,    // the time limit was reached; the child was ended
    OutOfMemory, // the memory limit was reached; the child was ended
    Crashed,     // the child ended without a result (a signal, an abort)
    NotStarted,  // no child could be started
};

inline constexpr std::size_t kErrorOutputKept = 4096;
// The bytes of the work's last report of what it is doing that come back.
inline constexpr std::size_t kProgressKept = 512;

struct IsolatedResult {
    IsolatedEnd end = IsolatedEnd::NotStarted;
    bool ok = false;   // what the work returned (Finished only)
    std::string bytes; // what the work put in *bytes when it returned true
    std::string error; // what the work put in *error when it returned false
    int signal = 0;    // the signal that ended a crashed child (0: none)
    // The start of what the child wrote to its standard error (at most
    // kErrorOutputKept bytes; empty with keepErrorOutput).
    std::string errorOutput;
    // What the work last said it was doing (reportIsolatedProgress), however
    // the child ended: what it was at when the time or the memory ran out or
    // it crashed. Empty when it said nothing.
    std::string progress;
};

// Runs work(bytes, error) in a child process under limits. Returns at the
// latest about limits.seconds later. Safe to call from any thread; the work
// must not rely on other threads of this process (they do not exist in the
// child).
IsolatedResult runIsolated(const std::function<bool(std::string *bytes, std::string *error)> &work,
                           const IsolationLimits &limits = {});

// Called by the work in a helper process: tells the process that started it
// what the work is doing now (the first kProgressKept bytes of it), so that a
// reading stopped at its limits or crashing can be said to have stopped at
// that point. Does nothing outside a helper process.
void reportIsolatedProgress(std::string_view what);

// Helper processes this process has started so far (for diagnostics, and
// for tests that a file is read once).
std::uint64_t isolatedRunsStarted();

// What a failed isolated reading of a file says: "The file X is damaged: ..."
// with the reason (the time or memory limit, the signal). Empty for Finished.
std::string isolationFailureText(const IsolatedResult &result, const std::string &file,
                                 const IsolationLimits &limits = {});
// The reason alone, of no file in particular: "its reader failed on it
// (Segmentation fault)". Empty for Finished.
std::string isolationFailureReason(const IsolatedResult &result, const IsolationLimits &limits = {});

} // namespace vesk
