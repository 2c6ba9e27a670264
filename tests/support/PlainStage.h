#pragma once

// The engine tests that scripts/test.sh runs in its plain stage
// (scripts/plain-stage-tests.txt), on the program users run instead of under
// the sanitizers, say so where they are defined, and why: they start the
// program, or their subject is what other processes and users do around a
// run. Every other engine test runs the engine in the test process, where
// the sanitizers are to look at it. A check of the scripts
// (tests/scripts/plain_stage_selects_only_its_own_tests.sh) fails when the
// list selects a test that does not say so; the engine test program prints
// what the tests said, as one GoogleTest filter, when started with
// --winvesk_plain_stage_filter (and runs no test).
//
//   WINVESK_PLAIN_STAGE("CommandLine.ProgramExitsWithTheDocumentedStatus", StartsTheProgram);
//   WINVESK_PLAIN_STAGE("*LockFilesOfOthers.*", OtherProcesses);
//
// A pattern names a test, or every test of a suite ("Suite.*", with a
// leading "*" for the prefix of a parameterised suite), as a GoogleTest
// filter does.

#include <string>

namespace vesk::test {

enum class PlainStage {
    StartsTheProgram, // starts the winvesk program (or the test program) and looks at it from outside
    OtherProcesses,   // its subject is what other processes and users do around a run
};

// Registers the tests the pattern selects as tests of the plain stage; true.
bool runsInThePlainStage(const char *pattern, PlainStage why);

// Every pattern registered, as one GoogleTest filter ("a:b:c"; "" when none).
std::string plainStageFilter();

} // namespace vesk::test

#define WINVESK_PLAIN_STAGE_JOINED(pattern, why, n)                                                          \
    namespace {                                                                                              \
    [[maybe_unused]] const bool winveskPlainStage##n =                                                       \
        ::vesk::test::runsInThePlainStage(pattern, ::vesk::test::PlainStage::why);                           \
    }                                                                                                        \
    static_assert(true, "")
#define WINVESK_PLAIN_STAGE_NUMBERED(pattern, why, n) WINVESK_PLAIN_STAGE_JOINED(pattern, why, n)
#define WINVESK_PLAIN_STAGE(pattern, why) WINVESK_PLAIN_STAGE_NUMBERED(pattern, why, __COUNTER__)
