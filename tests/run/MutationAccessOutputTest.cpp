// Damaged copies of real Access databases, made with a fixed seed, as the
// database that the sample single-street run writes its hourly output and
// statistics into ("Results.mdb;Hourly", "Results.mdb;Statistics"), each
// run through the batch sequence of the command line in a child process, as
// MutationTest.cpp runs damaged inputs. For every variant:
//   - the run ends (no hang) without a crash, an escaped exception or a
//     sanitizer finding;
//   - the exit status is 0 only when both tables were written whole (the
//     rows the run writes into a new database) and the database still lists
//     every table it held;
//   - a run that does not exit with 0 leaves the database byte for byte as
//     it was, and a database is refused before the first hour, never by the
//     check of the database written after the last;
//   - no other file is altered, and no temporary file is left behind but
//     one the run's message names as kept.
// The damage falls within a window of pages, half of the time at the start
// of the file (the database page, the page usage map, the catalogue, its
// indexes and the system tables), the file keeping its size.
//
// Both builds take their copies from one sequence (mutationVariants()): the
// plain build the first kVariantsPerBuild, the sanitizer build the next, in
// mutationShards() test entries. WINVESK_MUTATION_VARIANTS=n sets another number per build.

#include "run/RunFixture.h"

#include "platform/tables/Tables.h"
#include "run/MutationSupport.h"

#include <fstream>
#include <random>
#include <set>
#include <tuple>

using namespace vesk;
using namespace vesk::test;

namespace {

// Damaged copies per database and build.
constexpr int kVariantsPerBuild = 4;
constexpr std::size_t kPeriodHours = 14 * 24; // 9 to 22 March 2023
constexpr std::size_t kWindowPages = 24;

const char *const kDatabase = "Working/Results.mdb";

// A damaged copy of the database's bytes, of the same size.
std::string damagedDatabase(const std::string &sample, std::mt19937 &random) {
    const std::size_t page = sample[0x14] == 0 ? 2048 : 4096; // Access 97 or 2000
    const std::size_t pages = sample.size() / page;
    const std::size_t span = std::min(pages, kWindowPages);
    const std::size_t first = random() % 2 == 0 ? 0 : random() % (pages - span + 1);
    std::string window = damagedCopy(sample.substr(first * page, span * page), true, random);
    window.resize(span * page, '\0'); // bytes lost or repeated shift the rest of the window only
    return sample.substr(0, first * page) + window + sample.substr((first + span) * page);
}

// The names of the database's tables (empty when they cannot be listed).
std::set<std::string> tableNames(const fs::path &file) {
    std::vector<TableInfo> tables;
    std::string error;
    std::set<std::string> names;
    if (listTables(file.string(), &tables, &error)) {
        for (const TableInfo &t : tables) {
            names.insert(t.name);
        }
    }
    return names;
}

// A database's damaged copies are shared out over mutationShards() test entries.
using Shard = std::tuple<const char *, int>;

class MutationAccessOutput : public ::testing::TestWithParam<Shard> {
protected:
    void SetUp() override {
        appDir = dir.path() / "app";
        copyTwoWeeksTree(appDir);
        const fs::path project = appDir / "Working" / "DemoStreet.vkp";
        std::string text = readFile(project);
        for (const auto &[from, to] :
             {std::pair<std::string, std::string>{"Out2023.txt", "Results.mdb;Hourly"},
              {"Stat2023.txt", "Results.mdb;Statistics"}}) {
            const std::size_t at = text.find("\"" + from + "\"");
            ASSERT_NE(at, std::string::npos) << from;
            text.replace(at + 1, from.size(), to);
        }
        std::ofstream(project, std::ios::binary | std::ios::trunc) << text;
    }

    IsolatedResult batch() const {
        return batchInChild(appDir, appDir / "Working" / "DemoStreet.vkp", false);
    }

    TableData table(const std::string &name) const {
        TableData t;
        std::string error;
        if (!readTable((appDir / kDatabase).string(), name, &t, &error)) {
            ADD_FAILURE() << error;
        }
        return t;
    }

    TempDir dir;
    fs::path appDir;
};

} // namespace

TEST_P(MutationAccessOutput, DamagedDatabaseNeverCrashesHangsAltersOtherFilesOrPassesForAFullRun) {
    const char *name = std::get<0>(GetParam());
    const int shard = std::get<1>(GetParam());
    const fs::path source = sharedTestFile(std::string("mdb/") + name);
    WINVESK_NEEDS_SHARED_FILE(source);
    const std::string sample = readFile(source);
    const fs::path database = appDir / kDatabase;
    // The tables of the run, as it writes them into a new database.
    const IsolatedResult whole = batch();
    ASSERT_EQ(whole.end, IsolatedEnd::Finished);
    ASSERT_EQ(whole.bytes.substr(0, 1), "0") << "the sample run writes a new database: " << whole.bytes;
    const TableData hourly = table("Hourly"), statistics = table("Statistics");
    ASSERT_EQ(hourly.rows.size(), kPeriodHours);
    ASSERT_FALSE(statistics.rows.empty());

    std::mt19937 random(20247); // fixed: every run damages the same way
    const MutationVariants variants = mutationVariants(kVariantsPerBuild);
    int failed = 0;
    for (int v = 0; v < variants.end && failed < 5; ++v) {
        const std::string damaged = damagedDatabase(sample, random);
        if (v < variants.first || v % mutationShards() != shard) {
            continue; // another shard's copy: the sequence stays that of every shard
        }
        std::ofstream(database, std::ios::binary | std::ios::trunc) << damaged;
        const std::set<std::string> held = tableNames(database);
        const std::map<std::string, std::string> before = filesBelow(appDir, {kDatabase});

        const IsolatedResult result = batch();
        const std::string said = result.bytes;
        const int status = said.empty() ? -1 : said[0] - '0';
        const std::string where = std::string(name) + ", variant " + std::to_string(v) + ", damaged " +
                                  describeDamage(sample, damaged) + "\nsaid: " + said.substr(0, 600);
        bool ok = true;
        auto check = [&](bool condition, const std::string &what) {
            if (!condition) {
                ADD_FAILURE() << where << "\n" << what;
                ok = false;
            }
        };
        check(result.end == IsolatedEnd::Finished,
              "the run did not end orderly: " + isolationFailureText(result, database.string(), {}));
        check(status == 0 || status == 1, "exit status " + std::to_string(status));
        check(said.find("An unexpected error ended the action") == std::string::npos, "an exception escaped");
        // A database the writer takes before the first hour takes the tables
        // after the last: it is refused, if at all, before any hour is run.
        check(said.find("was left as it was: the database written for it") == std::string::npos,
              "the database was refused only after the run");
        check(filesBelow(appDir, {kDatabase}, said) == before, "a file other than the database was altered");
        for (const auto &entry : fs::directory_iterator(appDir / "Working")) {
            const std::string file = entry.path().filename().string();
            check(file.front() != '.' || file == ".keep" || (status == 1 && keptBy(said, entry.path())),
                  "a temporary file was left: " + entry.path().string());
            if (keptBy(said, entry.path())) {
                fs::remove(entry.path());
            }
        }
        if (status == 0) {
            const TableData nowHourly = table("Hourly"), nowStatistics = table("Statistics");
            check(nowHourly.fields == hourly.fields && nowHourly.rows == hourly.rows,
                  "the hourly table holds " + std::to_string(nowHourly.rows.size()) +
                      " rows, not those of the run");
            check(nowStatistics.fields == statistics.fields && nowStatistics.rows == statistics.rows,
                  "the statistics table is not that of the run");
            std::set<std::string> now = tableNames(database);
            now.erase("Hourly");
            now.erase("Statistics");
            std::set<std::string> was = held;
            was.erase("Hourly");
            was.erase("Statistics");
            check(held.empty() || now == was, "the database no longer lists every table it held");
        } else {
            check(readFile(database) == damaged,
                  "the database was altered by a run that ended with " + std::to_string(status));
        }
        failed += ok ? 0 : 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Databases, MutationAccessOutput,
                         ::testing::Combine(::testing::Values("DateTestDatabase.mdb", "nwind.mdb",
                                                              "testIndexCodesV1997.mdb",
                                                              "testRefGlobalV2000.mdb"),
                                            ::testing::Range(0, mutationShards())),
                         [](const ::testing::TestParamInfo<Shard> &info) {
                             const std::string name = testNameOf(std::get<0>(info.param));
                             return mutationShards() > 1
                                        ? name + "_" + std::to_string(std::get<1>(info.param) + 1)
                                        : name;
                         });
