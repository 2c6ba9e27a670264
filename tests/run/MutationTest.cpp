// Damaged copies of every reader's sample input, made with a fixed seed,
// each run through the batch sequence of the command line in a child
// process. For every variant:
//   - the run ends (no hang) without a crash, an escaped exception or a
//     sanitizer finding (the child delivers its exit status);
//   - the exit status is 0 only when the run wrote every output, complete,
//     from every hour of every input (the rows of the undamaged run);
//   - a run that does not exit with 0 leaves the previous outputs as they were;
//   - no file but the run's outputs is altered, and no temporary file is left
//     behind but one the run's message names as kept.
// The samples are those of data/Working, cut to the two weeks around the
// route's day so that a run takes milliseconds.
//
// Both builds take their copies from one sequence (mutationVariants()): the
// plain build the first kVariantsPerBuild, the sanitizer build the next, in
// mutationShards() test entries, so that neither repeats what the other ran.
// WINVESK_MUTATION_VARIANTS=n sets another number of copies per build.

#include "run/RunFixture.h"

#include "platform/tables/TableBackends.h"
#include "run/MutationSupport.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <tuple>

using namespace vesk;
using namespace vesk::test;

namespace {

// Damaged copies per reader and build.
constexpr int kVariantsPerBuild = 8;
constexpr int kPeriodHours = 14 * 24; // 9 to 22 March 2023

enum class Project { Single, Multi, Route, OwnTraffic };

struct Reader {
    std::string name;
    Project project;
    std::string file; // below the program folder
    bool binary = false;
    // Whether an exit status of 0 must reproduce the outputs of the
    // undamaged run, row for row: not where the damaged file itself says how
    // many hours or streets there are (route and streets file) or what is
    // written where (the project file, whose damage may name other outputs).
    bool sameRows = true;
};

void PrintTo(const Reader &r, std::ostream *os) {
    *os << r.name;
}

std::string projectOf(Project p) {
    switch (p) {
    case Project::Single:
        return "Working/DemoStreet.vkp";
    case Project::Multi:
        return "Working/DemoStreets.vkm";
    case Project::Route:
        return "Working/DemoRoute.vkp";
    case Project::OwnTraffic:
        return "Working/DemoStreetsOwnTraffic.vkm";
    }
    return {};
}

std::vector<std::string> outputsOf(Project p) {
    switch (p) {
    case Project::Single:
        return {"Working/Out2023.txt", "Working/Stat2023.txt"};
    case Project::Multi:
        return {"Working/StreetsOut2023.txt", "Working/StreetsStat2023.txt"};
    case Project::Route:
        return {"Working/RouteOut2023.txt", "Working/RouteStat2023.txt"};
    case Project::OwnTraffic:
        return {"Working/StreetsOwnTrafficOut2023.txt", "Working/StreetsOwnTrafficStat2023.txt"};
    }
    return {};
}

// Streets computed, hour by hour, into the hourly output.
int activeStreets(Project p) {
    return p == Project::Multi || p == Project::OwnTraffic ? 3 : 1;
}

// A sheet of the meteorology: the title line gives the names, the rest numbers.
tables::Sheet sheetOf(const std::string &text) {
    tables::Sheet sheet{"Met", {}};
    for (const std::string &line : splitLines(text)) {
        std::istringstream in(line);
        std::vector<Cell> row;
        std::string item;
        while (in >> item) {
            char *end = nullptr;
            const double v = std::strtod(item.c_str(), &end);
            row.push_back(*end == '\0' ? Cell(v) : Cell(item));
        }
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::vector<std::string> lines(const fs::path &p) {
    return fs::exists(p) ? fileLines(p) : std::vector<std::string>{};
}

// A reader's damaged copies are shared out over mutationShards() test entries.
using Shard = std::tuple<Reader, int>;

class Mutation : public ::testing::TestWithParam<Shard> {
protected:
    const Reader &reader() const { return std::get<0>(GetParam()); }
    int shard() const { return std::get<1>(GetParam()); }

    void SetUp() override {
        appDir = dir.path() / "app";
        copyTwoWeeksTree(appDir);
        // The meteorology as a table of each spreadsheet kind, one read by
        // our own walk beside FreeXL, one by our own reader, three by libwps
        // after our own walk.
        const tables::Sheet met = sheetOf(readFile(appDir / "Working" / "Met2023.txt"));
        std::string error;
        ASSERT_TRUE(tables::excelWriteWorkbook((appDir / "Working" / "Met2023.xls").string(), {met}, &error))
            << error;
        for (const char *ext : {"wk1", "wks", "wk3", "wk4"}) {
            ASSERT_TRUE(tables::lotusWrite((appDir / "Working" / ("Met2023." + std::string(ext))).string(),
                                           met, &error))
                << error;
        }
        const Reader &r = reader();
        const fs::path project = appDir / projectOf(r.project);
        if (r.file.starts_with("Working/Met2023.") && !r.file.ends_with(".txt")) {
            const std::string file = fs::path(r.file).filename().string();
            const std::string table = file + (file.ends_with(".xls") ? ";Met$" : ";Met");
            const std::string text = replaced(readFile(project), "\"Met2023.txt\"", "\"" + table + "\"");
            std::ofstream(project, std::ios::binary | std::ios::trunc) << text;
        }
    }

    // Runs the batch as the command line does, in a child process.
    IsolatedResult batch() const {
        return batchInChild(appDir, appDir / projectOf(reader().project), reader().project == Project::Route);
    }

    // Every file of the program folder but the outputs and the files a run
    // said it kept (what it says is given), by content.
    std::map<std::string, std::string> inputs(const std::string &said = {}) const {
        return filesBelow(appDir, outputsOf(reader().project), said);
    }

    TempDir dir;
    fs::path appDir;
};

constexpr const char *kPrevious = "the previous run's results\r\n";

} // namespace

TEST_P(Mutation, DamagedInputNeverCrashesHangsAltersInputsOrPassesForAFullRun) {
    const Reader &r = reader();
    const std::vector<std::string> outputs = outputsOf(r.project);

    const IsolatedResult whole = batch();
    ASSERT_EQ(whole.end, IsolatedEnd::Finished);
    ASSERT_EQ(whole.bytes.substr(0, 1), "0") << "the undamaged sample runs: " << whole.bytes;
    std::vector<std::size_t> rows;
    for (const std::string &o : outputs) {
        rows.push_back(lines(appDir / o).size());
    }
    if (r.project != Project::Route) {
        EXPECT_EQ(rows[0], 1u + static_cast<std::size_t>(activeStreets(r.project) * kPeriodHours));
    }

    const fs::path target = appDir / r.file;
    const std::string sample = readFile(target);
    std::mt19937 random(20231); // fixed: every run damages the same way
    int failed = 0;
    const MutationVariants variants = mutationVariants(kVariantsPerBuild);
    for (int v = 0; v < variants.end && failed < 5; ++v) {
        const std::string damaged = damagedCopy(sample, r.binary, random);
        if (v < variants.first || v % mutationShards() != shard()) {
            continue; // another shard's copy: the sequence stays that of every shard
        }
        std::ofstream(target, std::ios::binary | std::ios::trunc) << damaged;
        for (const std::string &o : outputs) {
            std::ofstream(appDir / o, std::ios::binary | std::ios::trunc) << kPrevious;
        }
        const std::map<std::string, std::string> before = inputs();

        const IsolatedResult result = batch();
        const std::string said = result.bytes;
        const int status = said.empty() ? -1 : said[0] - '0';
        const std::string where = r.name + ", variant " + std::to_string(v) + ", damaged " +
                                  describeDamage(sample, damaged) + "\nsaid: " + said.substr(0, 600);
        bool ok = true;
        auto check = [&](bool condition, const std::string &what) {
            if (!condition) {
                ADD_FAILURE() << where << "\n" << what;
                ok = false;
            }
        };
        check(result.end == IsolatedEnd::Finished,
              "the run did not end orderly: " + isolationFailureText(result, r.file, {}));
        check(status == 0 || status == 1, "exit status " + std::to_string(status));
        check(said.find("An unexpected error ended the action") == std::string::npos, "an exception escaped");
        const std::map<std::string, std::string> after = inputs(said);
        for (const auto &[name, bytes] : before) {
            const auto now = after.find(name);
            check(now != after.end() && now->second == bytes, name + ", not an output of the run, was altered");
        }
        for (const auto &entry : fs::directory_iterator(appDir / "Working")) {
            check(entry.path().filename().string().front() != '.' || entry.path().filename() == ".keep" ||
                      (status == 1 && keptBy(said, entry.path())),
                  "a temporary file was left: " + entry.path().string());
        }
        for (const auto &[name, bytes] : after) {
            if (before.count(name) == 0) {
                // An output under a name the damaged project gives it, written by a run that succeeded.
                check(status == 0 && !r.sameRows, "a run that ended with " + std::to_string(status) +
                                                      " wrote the new file " + name);
                fs::remove(appDir / name);
            }
        }
        for (const auto &entry : fs::directory_iterator(appDir / "Working")) {
            if (keptBy(said, entry.path())) {
                fs::remove(entry.path());
            }
        }
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            const fs::path o = appDir / outputs[i];
            if (status == 0) {
                const std::vector<std::string> now = lines(o);
                check(!r.sameRows || (fs::exists(o) && readFile(o) != kPrevious), outputs[i] + " was not written");
                check(!fs::exists(o) || readFile(o) == kPrevious || readFile(o).ends_with("\r\n"),
                      outputs[i] + " ends in a broken line");
                // Every hour of every input was used: the rows of the undamaged run.
                if (r.sameRows) {
                    check(now.size() == rows[i], outputs[i] + " holds " + std::to_string(now.size()) +
                                                     " lines, the undamaged run wrote " +
                                                     std::to_string(rows[i]));
                }
            } else {
                check(readFile(o) == kPrevious, outputs[i] + " was replaced by a run that ended with " +
                                                    std::to_string(status));
            }
        }
        failed += ok ? 0 : 1;
    }
    std::ofstream(target, std::ios::binary | std::ios::trunc) << sample;
}

INSTANTIATE_TEST_SUITE_P(
    Readers, Mutation,
    ::testing::Combine(
        ::testing::Values(
            Reader{"project file", Project::Single, "Working/DemoStreet.vkp", false, false},
            Reader{"multi-street project file", Project::Multi, "Working/DemoStreets.vkm", false, false},
            Reader{"route project file", Project::Route, "Working/DemoRoute.vkp", false, false},
            Reader{"option file", Project::Single, "Working/Run.opt"},
            Reader{"option file of a route project", Project::Route, "Working/Run.opt"},
            Reader{"country list", Project::Single, "Countries.ini"},
            Reader{"hourly meteorology", Project::Single, "Working/Met2023.txt"},
            Reader{"hourly background", Project::Single, "Working/Back2023.txt"},
            Reader{"hourly traffic", Project::OwnTraffic, "Working/Traffic2023.txt"},
            Reader{"traffic file", Project::Single, "Working/DemoStreet.trf"},
            Reader{"streets file", Project::Multi, "Working/Streets.txt", false, false},
            Reader{"standard traffic file", Project::Multi, "Data/Traffic/National/DL/CityStreet.trf"},
            Reader{"route file", Project::Route, "Working/DemoRoute.txt", false, false},
            Reader{"vehicle list", Project::Single, "Lists/National/DL/Fleet2020.vlf"},
            Reader{"fuel list", Project::Single, "Lists/National/DL/Fuels2020.flf"},
            Reader{"emission factors", Project::Single, "Data/Emission/Shared/EmissionFactors.eft"},
            Reader{"pollutant list", Project::Single, "Lists/National/DL/Pollutants.lst"},
            Reader{"percentile list", Project::Single, "Lists/National/DL/PercDef.lst"},
            Reader{"limit values", Project::Single, "Lists/National/DL/LimValDef.lst"},
            Reader{"Excel meteorology", Project::Single, "Working/Met2023.xls", true},
            Reader{"Lotus meteorology", Project::Single, "Working/Met2023.wk1", true},
            Reader{"Lotus release 1A meteorology", Project::Single, "Working/Met2023.wks", true},
            Reader{"Lotus release 3 meteorology", Project::Single, "Working/Met2023.wk3", true},
            Reader{"Lotus release 4 meteorology", Project::Single, "Working/Met2023.wk4", true}),
        ::testing::Range(0, mutationShards())),
    [](const ::testing::TestParamInfo<Shard> &info) {
        const std::string name = testNameOf(std::get<0>(info.param).name);
        return mutationShards() > 1 ? name + "_" + std::to_string(std::get<1>(info.param) + 1) : name;
    });
