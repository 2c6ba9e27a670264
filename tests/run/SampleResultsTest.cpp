// The results of the sample projects of data/Working, pinned: their statistics
// files, the Special Mode tables and a few hundred rows of their hourly output
// are compared byte for byte with the files under tests/run/expected/.
//
// When a change is meant to change results, regenerate the expected files and
// commit them together with the change, saying in the message why they moved:
//
//     WINVESK_UPDATE_EXPECTED=1 build/engine_tests --gtest_filter='*SampleResults*'

#include "core/Settings.h"
#include "project/Batch.h"
#include "project/InitProgram.h"
#include "run/BatchRun.h"
#include "run/State.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace vesk {
namespace {

using test::fs::path;

constexpr const char *kUpdateHint =
    "If the change of results is intended, regenerate the expected files and commit them with it:\n"
    "    WINVESK_UPDATE_EXPECTED=1 build/engine_tests --gtest_filter='*SampleResults*'";

// A result file of a sample and which of its rows are pinned: every row, or
// the header and every step-th row from the first on.
struct ResultFile {
    std::string name;
    int rowStep = 1;
};

struct Sample {
    std::string name;    // also the folder of its expected files
    std::string project; // in data/Working
    bool specialMode = false;
    std::vector<ResultFile> files;
    // Texts of the project file replaced before the run (a variant of a sample).
    std::vector<std::pair<std::string, std::string>> edits = {};
};

// A failing sample is named, not dumped as bytes.
void PrintTo(const Sample &sample, std::ostream *out) {
    *out << sample.name;
}

// Hourly output is thinned by a step prime to 24, so that the kept rows pass
// through every hour of the day and every month of the year.
const std::vector<Sample> &samples() {
    static const std::vector<Sample> all = {
        {"SingleStreet", "DemoStreet.vkp", false, {{"Stat2023.txt"}, {"Out2023.txt", 29}}},
        {"MultiStreet", "DemoStreets.vkm", false, {{"StreetsStat2023.txt"}, {"StreetsOut2023.txt", 89}}},
        {"Route", "DemoRoute.vkp", false, {{"RouteStat2023.txt"}, {"RouteOut2023.txt"}}},
        // Short street lengths, unequal: the length along the street the wind selects matters.
        {"ShortUnequalLengths",
         "DemoStreet.vkp",
         false,
         {{"Stat2023.txt"}},
         {{" 18            24.5          120           95 ",
           " 18            24.5          15            60 "}}},
        {"SpecialMode",
         "DemoStreet.vkp",
         true,
         {{"veskout.dat"}, {"NOX_1.dat"}, {"NOX_2.dat"}, {"NO2_1.dat"}, {"NO2_2.dat"}}},
    };
    return all;
}

// The lines of a text, each split after its "\n" and keeping it.
std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return lines;
}

// The pinned rows of a file: the first line (the header) and every step-th
// row after it, from the first row on.
std::string pinnedRows(const std::string &text, int step) {
    std::string out;
    const std::vector<std::string> lines = linesOf(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i == 0 || (i - 1) % static_cast<std::size_t>(step) == 0) {
            out += lines[i];
        }
    }
    return out;
}

// A line as shown in a message: its line end written out.
std::string shown(std::string line) {
    for (const char *end : {"\r\n", "\n"}) {
        if (line.ends_with(end)) {
            line.resize(line.size() - std::string(end).size());
            return line + (end[0] == '\r' ? "  [CR LF]" : "  [LF]");
        }
    }
    return line + "  [no line end]";
}

// Where two texts first differ, line by line, for the failure message.
std::string firstDifference(const std::string &expected, const std::string &actual) {
    const std::vector<std::string> e = linesOf(expected);
    const std::vector<std::string> a = linesOf(actual);
    for (std::size_t i = 0; i < std::max(e.size(), a.size()); ++i) {
        const std::string none = "(no line)";
        const std::string &x = i < e.size() ? e[i] : none;
        const std::string &y = i < a.size() ? a[i] : none;
        if (x != y) {
            return "first difference at pinned line " + std::to_string(i + 1) + ":\n  expected: " + shown(x) +
                   "\n  actual:   " + shown(y);
        }
    }
    return "the texts are equal";
}

bool updating() {
    const char *v = std::getenv("WINVESK_UPDATE_EXPECTED");
    return v != nullptr && std::string(v) == "1";
}

class SampleResults : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleResults, matchTheCommittedExpectedFiles) {
    const Sample &sample = GetParam();
    test::TempDir dir;
    const path appDir = dir.path() / "app";
    test::copyDataTree(appDir);
    path project = appDir / "Working" / sample.project;
    if (!sample.edits.empty()) {
        std::string text = test::readFile(project);
        for (const auto &[from, to] : sample.edits) {
            const std::size_t at = text.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            text.replace(at, from.size(), to);
        }
        dir.write("app/Working/" + sample.project, text);
    }
    if (sample.specialMode) {
        // The sweep runs for a project whose working folder's Run.opt says CalcMode 0.
        const path folder = dir.path() / "special";
        std::string options = test::readFile(appDir / "Run.opt");
        options.replace(0, options.find("\r\n"), " 0 ");
        dir.write("special/Run.opt", options);
        dir.write("special/" + sample.project, test::readFile(project));
        project = folder / sample.project;
    }

    State state;
    test::ScriptedInteraction ui;
    MemorySettings settings;
    auto startUp = [&](ProjectState &s, Interaction &interaction) {
        return InitProgram(s, appDir.string() + "/", interaction, settings, [](CoreState &) {});
    };
    auto calculate = [&state](ProjectState &, Interaction &interaction, std::string *error) {
        return calculateProject(state, interaction, error);
    };
    CommandLine line;
    line.projectFile = project.string();
    line.batch = true;
    std::string said;
    const int status = runBatch(state, ui, line, startUp, calculate);
    for (const std::string &m : ui.messages) {
        said += "\n" + m;
    }
    ASSERT_EQ(status, kExitSucceeded) << said;

    const path expectedDir = test::sourceDir() / "tests" / "run" / "expected" / sample.name;
    for (const ResultFile &file : sample.files) {
        const std::string actual =
            pinnedRows(test::readFile(project.parent_path() / file.name), file.rowStep);
        const path expectedFile = expectedDir / file.name;
        if (updating()) {
            test::fs::create_directories(expectedDir);
            std::ofstream(expectedFile, std::ios::binary) << actual;
            continue;
        }
        ASSERT_TRUE(test::fs::exists(expectedFile)) << expectedFile << " is missing.\n" << kUpdateHint;
        const std::string expected = test::readFile(expectedFile);
        if (expected != actual) {
            ADD_FAILURE() << sample.name << ": " << file.name << " differs from " << expectedFile.string()
                          << ",\n"
                          << firstDifference(expected, actual) << "\n"
                          << kUpdateHint;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleResults, ::testing::ValuesIn(samples()),
                         [](const auto &info) { return info.param.name; });

} // namespace
} // namespace vesk
