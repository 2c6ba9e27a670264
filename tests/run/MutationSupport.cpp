#include "run/MutationSupport.h"

#include "support/ProgramUnderTest.h"

#include "core/Settings.h"
#include "core/TextIO.h"
#include "project/Batch.h"
#include "project/CommandLine.h"
#include "project/InitProgram.h"
#include "run/BatchRun.h"
#include "run/RunCalculation.h"
#include "run/State.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace vesk::test {

std::string twoWeeks(const std::string &text) {
    std::string out;
    for (const std::string &line : splitLines(text)) {
        std::istringstream in(line);
        int year = 0, month = 0, day = 0;
        if (!(in >> year >> month >> day)) {
            out += line + "\r\n"; // the title line
        } else if (month == 3 && day >= 9 && day <= 22) {
            out += line + "\r\n";
        }
    }
    return out;
}

void copyTwoWeeksTree(const fs::path &appDir) {
    copyDataTree(appDir);
    for (const char *name : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", "Traffic2023.txt"}) {
        const fs::path p = appDir / "Working" / name;
        const std::string cut = twoWeeks(readFile(p));
        std::ofstream(p, std::ios::binary | std::ios::trunc) << cut;
    }
    fs::copy_file(appDir / "Run.opt", appDir / "Working" / "Run.opt");
}

IsolatedResult batchInChild(const fs::path &appDir, const fs::path &project, bool route) {
    std::vector<std::string> args = {project.string(), "1"};
    if (!route) {
        args.insert(args.end(), {"20230309", "1", "20230322", "24"});
    }
    IsolationLimits limits;
    limits.seconds = limits.wallSeconds = 60;
    limits.keepErrorOutput = true; // a sanitizer's report reaches the test's log
    const std::string app = appDir.string() + "/";
    return runIsolated(
        [&](std::string *bytes, std::string *) {
            CommandLine line;
            std::string error;
            if (!parseCommandLine(args, &line, &error)) {
                *bytes = "2\n" + error;
                return true;
            }
            State state;
            ScriptedInteraction ui;
            MemorySettings settings;
            // As the command line's batch does it (src/app/main.cpp).
            auto startUp = [&](ProjectState &s, Interaction &i) {
                return InitProgram(s, app, i, settings, [](CoreState &) {});
            };
            auto calculate = [&state](ProjectState &, Interaction &i, std::string *error) {
                return calculateProject(state, i, error);
            };
            const int status = runGuarded([&] { return runBatch(state, ui, line, startUp, calculate); }, ui);
            *bytes = std::to_string(status);
            for (const std::string &m : ui.messages) {
                *bytes += "\n" + m;
            }
            return true;
        },
        limits);
}

MutationVariants mutationVariants(int perBuild) {
    const char *wanted = std::getenv("WINVESK_MUTATION_VARIANTS");
    const int count = wanted != nullptr ? std::atoi(wanted) : perBuild;
    const int first = sanitizedBuild() ? perBuild : 0;
    return {first, first + count};
}

int mutationShards() {
    return sanitizedBuild() ? 2 : 1;
}

bool keptBy(const std::string &said, const fs::path &file) {
    return said.find("is kept in\r\n" + file.string()) != std::string::npos;
}

std::map<std::string, std::string> filesBelow(const fs::path &appDir, const std::vector<std::string> &outputs,
                                              const std::string &said) {
    std::map<std::string, std::string> out;
    for (const auto &entry : fs::recursive_directory_iterator(appDir)) {
        const std::string relative = fs::relative(entry.path(), appDir).string();
        if (entry.is_regular_file() && std::find(outputs.begin(), outputs.end(), relative) == outputs.end() &&
            !keptBy(said, entry.path())) {
            out[relative] = readFile(entry.path());
        }
    }
    return out;
}

} // namespace vesk::test
