#pragma once

// Running a piece of work in a helper process of its own, with a limit of
// the processor time and of the memory it uses, and taking back the bytes it
// produced.
//
// The outside libraries that read Access and Excel files (libmdb, FreeXL)
// and Lotus files (libwps) trust the structure of the file: a damaged file
// can make them loop for ever, fill the memory or read outside their
// buffers. Their reading therefore runs in a child process (a fork of this
// one, so no second program has to be found): whatever the library does
// there, this process gets either the result or a failure it can name, within
// its limits, and its own memory stays untouched.
//
// The child's standard output goes to /dev/null and its standard error comes
// back through a pipe, of which the first kErrorOutputKept bytes are kept (a
// damaged file can make a library print millions of warnings): a library's
// own report of what went wrong is not lost. With keepErrorOutput the child
// writes to this process's standard error instead.
//
// The parent watches the child ten times a second: its processor time (user
// and system, from the child's own processor clock) and its resident memory.
// It ends the child when the processor time is used up or when what the
// child added to the memory it started with exceeds the limit. A reader that
// loops uses processor time, so a damaged file is refused within the
// processor time given however busy the machine; a sound file is never
// refused because other work made its reading slow, since that work's
// processor time is not the reader's. Work that waits instead (on a file
// system that does not answer, stopped, never scheduled) uses no processor
// time: a far larger wall-clock bound ends it as the last resort. As a
// backstop the child's address space is bounded to twice the memory limit
// above what it started with (not under AddressSanitizer, which reserves
// terabytes of address space).
//
// The child ends with the process that started it (a run that is killed
// takes its helper along, and with it every descriptor the helper shares,
// such as that of a lock file), and it keeps open nothing but its standard
// streams and its end of the result pipe: once nobody reads its pipes, its
// writes fail rather than wait.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vesk {

// The defaults suit reading a table: the largest workbook a spreadsheet
// holds reads in a few seconds of processor time and a few hundred MB.
struct IsolationLimits {
    int seconds = 30;                               // processor time (user + system) the work may use
    std::size_t memoryBytes = std::size_t{1} << 30; // resident memory the work may add
    bool keepErrorOutput = false;                   // the child writes to this process's standard error
    // Wall-clock seconds after which the work is ended however little
    // processor time it has used; 0 for the default, isolationWallSeconds.
    int wallSeconds = 0;
};

// The wall-clock bound of work under these limits: limits.wallSeconds when
// set, else kWallSecondsPerProcessorSecond times limits.seconds.
//
// Safe on a loaded machine: other work slows a reading down but adds nothing
// to its processor time, and a sound reading uses a small part of that time
// (an Access check a fifteenth of it at most, under the sanitizers too; the
// largest workbook a few seconds of its 30). Ten times its processor time on
// the wall clock ends a sound reading only when over its whole length it got
// less than a hundredth of a processor (a hundred programs or more busy on
// each core), or when it waited for its file system for minutes.
inline constexpr int kWallSecondsPerProcessorSecond = 10;
int isolationWallSeconds(const IsolationLimits &limits);

enum class IsolatedEnd {
    Finished,    // the work ran to its end: see ok, bytes and error
    TimedOut,    // the work used up its processor time; the child was ended
    Stalled,     // the wall-clock bound came first (the work waited); the child was ended
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
    // The processor time (user + system) the child used, in seconds (0 when
    // no child was started).
    double processorSeconds = 0;
};

// Runs work(bytes, error) in a child process under limits. Returns once the
// work has used limits.seconds of processor time at the latest, or
// isolationWallSeconds(limits) after its start, whichever comes first. Safe to call from any thread; the work
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
// with the reason (the processor time or memory limit, the signal), or "The
// file X cannot be read: ..." when the reading was stopped at the wall-clock
// bound (waiting is no sign of damage) or never started. Empty for Finished.
std::string isolationFailureText(const IsolatedResult &result, const std::string &file,
                                 const IsolationLimits &limits = {});
// The reason alone, of no file in particular: "its reader failed on it
// (Segmentation fault)". Empty for Finished.
std::string isolationFailureReason(const IsolatedResult &result, const IsolationLimits &limits = {});
// The processor seconds in a message: "2", "0.3".
std::string processorSecondsText(double seconds);

} // namespace vesk
