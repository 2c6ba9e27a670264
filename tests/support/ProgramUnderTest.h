#pragma once

// What a test program drives: the winvesk executable of its own build, and
// whether that program and the engine linked into the test program run under
// AddressSanitizer and UndefinedBehaviorSanitizer. The tests' objects are the
// same in the plain and the sanitized test program; only this differs.

namespace vesk::test {

// The full path of the winvesk executable the command-line tests start.
const char *winveskBinary();
// Whether the engine and the program run sanitized (several times slower).
bool sanitizedBuild();

} // namespace vesk::test
