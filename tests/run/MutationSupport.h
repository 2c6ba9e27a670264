#pragma once

// What the damaged-input runs share (MutationTest.cpp, MutationAccessOutputTest.cpp):
// the sample data tree cut to two weeks, the batch of the command line run
// in a child process, and the files a run may not alter.

#include "platform/Isolation.h"
#include "support/TestSupport.h"

#include <map>
#include <string>
#include <vector>

namespace vesk::test {

// The hourly lines of the two weeks 9 to 22 March, with the title line.
std::string twoWeeks(const std::string &text);

// The data tree copied into appDir, its hourly inputs in Working cut to the
// two weeks, and a local option file there (the folder's projects read it
// rather than the program's), so that a run takes milliseconds.
void copyTwoWeeksTree(const fs::path &appDir);

// Runs the batch of the project as the command line does, in a child
// process (the period: the two weeks, or a route's own). The child gives
// its exit status, then its messages, a line each; a sanitizer's report
// reaches the test's log.
IsolatedResult batchInChild(const fs::path &appDir, const fs::path &project, bool route);

// The damaged copies of one fixed sequence that this build runs: the plain
// build the first perBuild, the sanitizer build the next perBuild, so that
// neither repeats the other (WINVESK_MUTATION_VARIANTS=n: n copies instead).
struct MutationVariants {
    int first = 0; // copies before it belong to the other build
    int end = 0;   // one past the last copy run
};
MutationVariants mutationVariants(int perBuild);

// The test entries a sequence is shared out over, each taking every
// mutationShards()-th copy: two under the sanitizers, whose runs are slow.
int mutationShards();

// Whether the run's messages name the file as one it kept under its temporary name.
bool keptBy(const std::string &said, const fs::path &file);

// Every file below appDir, by its path relative to it, with its content:
// all but the outputs (relative paths) and the files the run's messages say
// it kept.
std::map<std::string, std::string> filesBelow(const fs::path &appDir, const std::vector<std::string> &outputs,
                                              const std::string &said = {});

} // namespace vesk::test
