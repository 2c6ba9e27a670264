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
// The child's standard output and error go to /dev/null (a damaged file can
// make a library print millions of warnings). The parent watches the
// child's resident memory ten times a second and ends it when the memory
// exceeds the limit or the time is up; as a backstop the child's address
// space is bounded to twice the limit above what it started with (not
// under AddressSanitizer, which reserves terabytes of address space).

#include <cstddef>
#include <functional>
#include <string>

namespace vesk {

// The defaults suit reading a table: the largest workbook a spreadsheet
// holds reads in a few seconds and a few hundred MB.
struct IsolationLimits {
    int seconds = 30;                               // wall-clock time the work may take
    std::size_t memoryBytes = std::size_t{1} << 30; // resident memory the work may use
};

enum class IsolatedEnd {
    Finished,    // the work ran to its end: see ok, bytes and error
    TimedOut,    // the time limit was reached; the child was ended
    OutOfMemory, // the memory limit was reached; the child was ended
    Crashed,     // the child ended without a result (a signal, an abort)
    NotStarted,  // no child could be started
};

struct IsolatedResult {
    IsolatedEnd end = IsolatedEnd::NotStarted;
    bool ok = false;   // what the work returned (Finished only)
    std::string bytes; // what the work put in *bytes when it returned true
    std::string error; // what the work put in *error when it returned false
    int signal = 0;    // the signal that ended a crashed child (0: none)
};

// Runs work(bytes, error) in a child process under limits. Returns at the
// latest about limits.seconds later. Safe to call from any thread; the work
// must not rely on other threads of this process (they do not exist in the
// child).
IsolatedResult runIsolated(const std::function<bool(std::string *bytes, std::string *error)> &work,
                           const IsolationLimits &limits = {});

// What a failed isolated reading of a file says: "The file X is damaged: ..."
// with the reason (the time or memory limit, the signal). Empty for Finished.
std::string isolationFailureText(const IsolatedResult &result, const std::string &file,
                                 const IsolationLimits &limits = {});

} // namespace vesk
