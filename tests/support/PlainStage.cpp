#include "support/PlainStage.h"

#include <vector>

namespace vesk::test {

namespace {

// Made on first use: the tests register while the program's statics are made.
std::vector<std::string> &plainStagePatterns() {
    static std::vector<std::string> patterns;
    return patterns;
}

} // namespace

bool runsInThePlainStage(const char *pattern, PlainStage /*why: said for the reader*/) {
    plainStagePatterns().emplace_back(pattern);
    return true;
}

std::string plainStageFilter() {
    std::string filter;
    for (const std::string &pattern : plainStagePatterns()) {
        filter += (filter.empty() ? "" : ":") + pattern;
    }
    return filter;
}

} // namespace vesk::test
