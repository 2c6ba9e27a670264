// Symbolic links on the way to a run's outputs, in folders that other users
// may write. A link under an output's name, each link of a chain and a link
// as a folder of its path are followed only when the user running the
// program owns them (or root, the administrator, does) or when no other user
// may write the folder that holds them. Another user's link elsewhere
// (nobody's, the tests' second user) refuses the run before its first hour,
// naming the link and its owner: the link stays, the private file it points
// at keeps its bytes, mode and owner, no earlier output changes and nothing
// is left beside them. A user's own link is written at its destination.

#include "run/RunFixture.h"

#include "platform/tables/Tables.h"
#include "run/SpecialMode.h"
#include "support/PlainStage.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

// What a folder holds, entry by entry (its own path relative to folder): the
// kind, owner and permissions of each entry, which file it is, and its bytes
// (a digest) or the destination of a link. Links are not followed.
std::map<std::string, std::string> lookBelow(const fs::path &folder) {
    std::map<std::string, std::string> seen;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        struct stat st {};
        if (::lstat(entry.path().c_str(), &st) != 0) {
            continue;
        }
        std::string look =
            " of " + std::to_string(st.st_uid) + ", mode " + std::to_string(st.st_mode & 07777);
        if (S_ISLNK(st.st_mode)) {
            look = "link" + look + " to " + fs::read_symlink(entry.path()).string();
        } else if (S_ISDIR(st.st_mode)) {
            look = "folder" + look;
        } else {
            const std::string bytes = readFile(entry.path());
            look = "file" + look + ", file " + std::to_string(st.st_ino) + ", " +
                   std::to_string(bytes.size()) + " bytes #" +
                   std::to_string(std::hash<std::string>{}(bytes));
        }
        seen[entry.path().lexically_relative(folder).string()] = look;
    }
    return seen;
}

// What changed between two looks: the entries gone, new or different, one a line; "" for none.
std::string changes(const std::map<std::string, std::string> &before,
                    const std::map<std::string, std::string> &after) {
    std::string out;
    for (const auto &[name, look] : before) {
        const auto now = after.find(name);
        if (now == after.end()) {
            out += name + ": gone (was " + look + ")\n";
        } else if (now->second != look) {
            out += name + ": " + look + " became " + now->second + "\n";
        }
    }
    for (const auto &[name, look] : after) {
        if (!before.contains(name)) {
            out += name + ": new, " + look + "\n";
        }
    }
    return out;
}

// A symbolic link at `at` to `to`, made by the user nobody: "" or why not.
std::string linkAsNobody(const fs::path &to, const fs::path &at) {
    return asNobody([&] {
        return ::symlink(to.c_str(), at.c_str()) == 0 ? std::string() : std::string(std::strerror(errno));
    });
}

// The reason to skip a test that needs a second user ("" when it can run).
std::string whyNoSecondUser(const fs::path &folder) {
    if (::geteuid() != 0) {
        return "needs a second user: as root, the test makes links as the user nobody";
    }
    const std::string why = whyNobodyCannotEnter(folder);
    return why.empty() ? why : "needs a second user that may enter the test's folder: " + why;
}

// ---- The batch, for every kind of output ------------------------------------------------------

struct LinkedOutput {
    const char *name;
    const char *project;  // in data/Working
    const char *hourlyAs; // the name the hourly output "Out2023.txt" gets ("": as it is)
    const char *link;     // the output's file that the other user makes a link
    bool specialMode;     // run as a Special Mode sweep (the folder's Run.opt says so)
};

void PrintTo(const LinkedOutput &c, std::ostream *os) {
    *os << c.name;
}

// A private file of the kind its extension names: a text, or a database or
// workbook holding one table, "Private".
void writePrivateFile(const fs::path &file) {
    const TableKind kind = tableKindOfFile(file.string());
    if (kind == TableKind::Text) {
        std::ofstream(file, std::ios::binary) << "root's private lines\r\n";
    } else {
        std::string error;
        const std::unique_ptr<TableWriter> table =
            createTable(file.string(), "Private", {{"Secret", ColumnType::Float}}, &error);
        ASSERT_NE(table, nullptr) << error;
        ASSERT_TRUE(table->append({42.0}, &error)) << error;
        ASSERT_TRUE(table->close(&error)) << error;
    }
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
}

class AnotherUsersLinkInASharedFolder : public testing::TestWithParam<std::tuple<LinkedOutput, mode_t>> {};

WINVESK_PLAIN_STAGE("*AnotherUsersLinkInASharedFolder.*", OtherProcesses);

// Root runs a project in a team's folder (mode 777, or 1777 as /tmp), where
// the user nobody has made one output of an earlier run a link to root's
// private file.
TEST_P(AnotherUsersLinkInASharedFolder, RefusesTheRunNamingTheLinkAndItsOwnerAndChangesNothing) {
    const auto &[c, folderMode] = GetParam();
    const TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0711), 0);
    const fs::path shared = dir.path() / "sh", mine = dir.path() / "mine";
    fs::create_directory(shared);
    fs::create_directory(mine);
    ASSERT_EQ(::chmod(mine.c_str(), 0700), 0);
    if (const std::string why = whyNoSecondUser(shared); !why.empty()) {
        GTEST_SKIP() << why;
    }
    for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
        fs::copy_file(entry.path(), shared / entry.path().filename());
    }
    ASSERT_EQ(::chmod(shared.c_str(), folderMode), 0);
    if (*c.hourlyAs) {
        std::string project = readFile(shared / c.project);
        const auto at = project.find("\"Out2023.txt\"");
        ASSERT_NE(at, std::string::npos);
        project.replace(at + 1, std::strlen("Out2023.txt"), c.hourlyAs);
        std::ofstream(shared / c.project, std::ios::binary) << project;
    }
    if (c.specialMode) {
        std::string options = readFile(dataDir() / "Run.opt");
        options.replace(0, options.find("\r\n"), " 0 ");
        std::ofstream(shared / "Run.opt", std::ios::binary) << options;
    }
    const fs::path link = shared / c.link;
    const fs::path secret = mine / ("Secret" + link.extension().string());
    ASSERT_NO_FATAL_FAILURE(writePrivateFile(secret));
    const std::vector<std::string> args{
        (shared / c.project).string(), "1", "20230314", "1", "20230316", "24"};

    // An earlier run's outputs; then the other user's link in place of one of them.
    const ProgramRun earlier = runWinvesk(args, 120);
    ASSERT_EQ(earlier.status, 0) << earlier.output;
    ASSERT_TRUE(fs::is_regular_file(link));
    fs::remove(link);
    ASSERT_EQ(linkAsNobody(secret, link), "");
    const std::map<std::string, std::string> before = lookBelow(dir.path());

    const ProgramRun r = runWinvesk(args, 120);
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(link.string()), std::string::npos) << "the link is named\n" << r.output;
    EXPECT_NE(r.output.find("nobody"), std::string::npos) << "its owner is named\n" << r.output;
    EXPECT_EQ(changes(before, lookBelow(dir.path())), "") << "nothing replaced, nothing left beside them\n"
                                                          << r.output;
}

const LinkedOutput kLinkedOutputs[] = {
    {"hourly output", "DemoStreet.vkp", "", "Out2023.txt", false},
    {"statistics file", "DemoStreet.vkp", "", "Stat2023.txt", false},
    {"Excel table", "DemoStreet.vkp", "Book.xls;Hourly", "Book.xls", false},
    {"Lotus table", "DemoStreet.vkp", "Book.wk1;Hourly", "Book.wk1", false},
    {"Access table", "DemoStreet.vkp", "Db.mdb;Hourly", "Db.mdb", false},
    {"Special Mode table", "DemoStreet.vkp", "", "NO2_2.dat", true},
    {"multi street output", "DemoStreets.vkm", "", "StreetsOut2023.txt", false},
    {"route output", "DemoRoute.vkp", "", "RouteOut2023.txt", false},
};

INSTANTIATE_TEST_SUITE_P(Kinds, AnotherUsersLinkInASharedFolder,
                         testing::Combine(testing::ValuesIn(kLinkedOutputs), testing::Values(0777, 01777)),
                         [](const auto &info) {
                             return testNameOf(std::string(std::get<0>(info.param).name) +
                                               (std::get<1>(info.param) == 0777 ? " in 777" : " in 1777"));
                         });

// ---- A named pipe under an output's name --------------------------------------------------------

class NamedPipeUnderAnOutputsName : public testing::TestWithParam<const char *> {};

WINVESK_PLAIN_STAGE("*NamedPipeUnderAnOutputsName.*", OtherProcesses);

// A named pipe (FIFO) under the name of an output before the run, as anybody
// may make one in a shared folder: opened, it would make the run wait for a
// writer. The batch refuses the run at once, naming the file and what it is.
TEST_P(NamedPipeUnderAnOutputsName, RefusesTheRunAtOnceSayingWhatItIs) {
    const TempDir dir;
    for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
        fs::copy_file(entry.path(), dir.path() / entry.path().filename());
    }
    const std::string hourly = GetParam();
    std::ofstream(dir.path() / "DemoStreet.vkp", std::ios::binary)
        << sampleProjectWith("DemoStreet.vkp", {{"Out2023.txt", hourly}});
    const fs::path pipe = dir.path() / hourly.substr(0, hourly.find(';'));
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);

    const ProgramRun r =
        runWinvesk({(dir.path() / "DemoStreet.vkp").string(), "1", "20230314", "1", "20230314", "24"}, 60);
    EXPECT_FALSE(r.timedOut) << "the run waits for the pipe";
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find(pipe.string()), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("a named pipe"), std::string::npos) << r.output;
    for (const char *word : {"damaged", "not found", "missing", "corrupted"}) {
        EXPECT_EQ(r.output.find(word), std::string::npos) << r.output;
    }
    EXPECT_TRUE(fs::is_fifo(pipe));
}

INSTANTIATE_TEST_SUITE_P(Kinds, NamedPipeUnderAnOutputsName,
                         testing::Values("Pipe.txt", "Pipe.xls;Hourly", "Pipe.wk1;Hourly", "Pipe.mdb;Hourly"),
                         [](const auto &info) { return testNameOf(info.param); });

// ---- Each rule, through the run of one street ---------------------------------------------------

// The folders of a case: the project's (work), root's private one (mine,
// mode 700, holding Secret.txt of mode 600), a team's (shared, mode 777)
// and the user nobody's own (theirs, mode 755).
struct Places {
    fs::path work, mine, shared, theirs;
};

enum class RunBy { Root, Nobody };

struct LinkOnTheWay {
    const char *name;
    RunBy runBy;
    const char *output; // the hourly output as stored ("{shared}" stands for that folder)
    // Makes the links of the case: "" or why it could not.
    std::string (*plant)(const Places &);
    // Refused: the path the message names ("{work}/Out.txt"), or another
    // it may name instead, and the owner it names; or, when followed, ""
    // and the file that gets the output.
    const char *refusalNames;
    const char *orNames;
    const char *owner;
    const char *writtenTo;
};

void PrintTo(const LinkOnTheWay &c, std::ostream *os) {
    *os << c.name;
}

std::string placed(std::string text, const Places &p) {
    for (const auto &[name, folder] : {std::pair<std::string, fs::path>{"{work}", p.work},
                                       {"{mine}", p.mine},
                                       {"{shared}", p.shared},
                                       {"{theirs}", p.theirs}}) {
        for (auto at = text.find(name); at != std::string::npos; at = text.find(name)) {
            text.replace(at, name.size(), folder.string());
        }
    }
    return text;
}

std::string linkAsRoot(const fs::path &to, const fs::path &at) {
    return ::symlink(to.c_str(), at.c_str()) == 0 ? std::string() : std::string(std::strerror(errno));
}

class LinksOnTheWayToAnOutput : public RunFixture, public testing::WithParamInterface<LinkOnTheWay> {};

WINVESK_PLAIN_STAGE("*LinksOnTheWayToAnOutput.*", OtherProcesses);

TEST_P(LinksOnTheWayToAnOutput, AreFollowedOnlyWhenTheirOwnersMayBeTrusted) {
    const LinkOnTheWay &c = GetParam();
    ASSERT_EQ(::chmod(dir.path().c_str(), 0711), 0);
    const Places p{workDir, dir.path() / "mine", dir.path() / "shared", dir.path() / "theirs"};
    for (const fs::path &folder : {p.mine, p.shared, p.theirs}) {
        fs::create_directory(folder);
    }
    ASSERT_EQ(::chmod(p.mine.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(p.shared.c_str(), 0777), 0);
    ASSERT_EQ(::chown(p.theirs.c_str(), kNobody, kNobody), 0);
    if (c.runBy == RunBy::Nobody) {
        // The user's own folder.
        ASSERT_EQ(::chown(workDir.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chmod(workDir.c_str(), 0755), 0);
    } else {
        ASSERT_EQ(::chmod(workDir.c_str(), 0777), 0);
    }
    if (const std::string why = whyNoSecondUser(workDir); !why.empty()) {
        GTEST_SKIP() << why;
    }
    const fs::path secret = p.mine / "Secret.txt";
    ASSERT_NO_FATAL_FAILURE(writePrivateFile(secret));
    writeWork("Hours.txt", marchHours(24));
    fs::copy_file(appDir / "Data/Traffic/National/DL/CityStreet.trf", work("City.trf"));
    ASSERT_NO_FATAL_FAILURE(
        loadProject("Test.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                             {"City.trf", "traffic", {"20000", "40"}},
                                             outputFile(placed(c.output, p), "day,hour,cNOx_mod_1"),
                                             statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod")})));
    ASSERT_EQ(c.plant(p), "");
    std::map<std::string, std::string> before;
    for (const fs::path &folder : {p.work, p.mine, p.shared, p.theirs}) {
        for (const auto &[name, look] : lookBelow(folder)) {
            before[(folder / name).string()] = look;
        }
    }

    long hours = -1;
    std::string told; // what the run said
    if (c.runBy == RunBy::Nobody) {
        const std::string r = asNobody(
            [&] {
                const RunReport report = run();
                return std::to_string(report.hours) + "\n" + report.error + "\n" + said();
            },
            120);
        const auto end = r.find('\n');
        ASSERT_NE(end, std::string::npos) << r;
        hours = std::stol(r.substr(0, end));
        told = r.substr(end + 1);
    } else {
        const RunReport report = run();
        hours = report.hours;
        told = report.error + "\n" + said();
    }

    std::map<std::string, std::string> after;
    for (const fs::path &folder : {p.work, p.mine, p.shared, p.theirs}) {
        for (const auto &[name, look] : lookBelow(folder)) {
            after[(folder / name).string()] = look;
        }
    }
    if (*c.refusalNames) {
        EXPECT_EQ(hours, 0) << "refused before the first hour\n" << told;
        EXPECT_TRUE(told.find(placed(c.refusalNames, p)) != std::string::npos ||
                    (*c.orNames && told.find(placed(c.orNames, p)) != std::string::npos))
            << told;
        EXPECT_NE(told.find(c.owner), std::string::npos) << told;
        EXPECT_EQ(changes(before, after), "") << "nothing replaced, nothing left beside them\n" << told;
        return;
    }
    EXPECT_EQ(hours, 24) << told;
    const fs::path writtenTo = placed(c.writtenTo, p);
    const std::vector<std::string> lines = fileLines(writtenTo);
    ASSERT_EQ(lines.size(), 25u) << writtenTo << " holds the hourly output";
    EXPECT_NE(lines[0].find("cNOx_mod_1"), std::string::npos) << lines[0];
    for (const auto &[name, look] : before) {
        if (look.starts_with("link")) {
            EXPECT_EQ(after[name], look) << "the link stays as it was: " << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinksOnTheWayToAnOutput,
    testing::Values(
        LinkOnTheWay{"the users own link to another users link", RunBy::Root, "Out.txt",
                     [](const Places &p) {
                         const std::string own = linkAsRoot(p.work / "Mid.txt", p.work / "Out.txt");
                         return own.empty() ? linkAsNobody(p.mine / "Secret.txt", p.work / "Mid.txt") : own;
                     },
                     "{work}/Mid.txt", "", "nobody", ""},
        LinkOnTheWay{"another users link as a folder of the path", RunBy::Root, "sub\\Secret.txt",
                     [](const Places &p) { return linkAsNobody(p.mine, p.work / "sub"); }, "{work}/sub", "",
                     "nobody", ""},
        LinkOnTheWay{
            "another users link in that users own folder", RunBy::Root, "{theirs}/Out.txt",
            [](const Places &p) { return linkAsNobody(p.mine / "Secret.txt", p.theirs / "Out.txt"); },
            "{theirs}/Out.txt", "", "nobody", ""},
        LinkOnTheWay{"another users dangling link", RunBy::Root, "Out.txt",
                     [](const Places &p) { return linkAsNobody(p.mine / "Gone.txt", p.work / "Out.txt"); },
                     "{work}/Out.txt", "", "nobody", ""},
        LinkOnTheWay{"another users link in a folder only root may write", RunBy::Root, "safe\\Out.txt",
                     [](const Places &p) {
                         // Made while the folder was open to all, then closed.
                         fs::create_directory(p.work / "safe");
                         ::chmod((p.work / "safe").c_str(), 0777);
                         const std::string why =
                             linkAsNobody(p.mine / "Secret.txt", p.work / "safe" / "Out.txt");
                         ::chmod((p.work / "safe").c_str(), 0755);
                         return why;
                     },
                     "", "", "", "{mine}/Secret.txt"},
        LinkOnTheWay{"roots own link", RunBy::Root, "Out.txt",
                     [](const Places &p) { return linkAsRoot(p.mine / "Secret.txt", p.work / "Out.txt"); },
                     "", "", "", "{mine}/Secret.txt"},
        LinkOnTheWay{"roots link in a shared folder to the users own file", RunBy::Nobody, "{shared}/Out.txt",
                     [](const Places &p) {
                         const std::string own = asNobody([&] {
                             std::ofstream(p.work / "Own.txt", std::ios::binary)
                                 << "the user's own lines\r\n";
                             return fs::exists(p.work / "Own.txt") ? "" : "Own.txt could not be written";
                         });
                         return own.empty() ? linkAsRoot(p.work / "Own.txt", p.shared / "Out.txt") : own;
                     },
                     "", "", "", "{work}/Own.txt"},
        LinkOnTheWay{"the users own link to another users unreadable file", RunBy::Nobody, "Out.txt",
                     [](const Places &p) { return linkAsNobody(p.mine / "Secret.txt", p.work / "Out.txt"); },
                     "{work}/Out.txt", "{mine}/Secret.txt", "", ""}),
    [](const testing::TestParamInfo<LinkOnTheWay> &info) { return testNameOf(info.param.name); });

// ---- Special Mode ---------------------------------------------------------------------------------

// Counts the cases of a sweep as it reports them, each before it is computed.
struct CaseCount : RunObserver {
    int cases = 0;
    void progress(double, const std::string &) override { ++cases; }
};

class SpecialModeTables : public RunFixture {};

TEST_F(SpecialModeTables, AnotherUsersLinkAsATableRefusesTheSweepBeforeItsFirstCase) {
    ASSERT_EQ(::chmod(dir.path().c_str(), 0711), 0);
    const fs::path mine = dir.path() / "mine";
    fs::create_directory(mine);
    ASSERT_EQ(::chmod(mine.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(workDir.c_str(), 0777), 0);
    if (const std::string why = whyNoSecondUser(workDir); !why.empty()) {
        GTEST_SKIP() << why;
    }
    const fs::path secret = mine / "Secret.dat";
    ASSERT_NO_FATAL_FAILURE(writePrivateFile(secret));
    std::string options = readFile(appDir / "Run.opt");
    options.replace(0, options.find("\r\n"), " 0 ");
    writeWork("Run.opt", options);
    ASSERT_NO_FATAL_FAILURE(
        loadProject("DemoStreet.vkp", readFile(dataDir() / "Working" / "DemoStreet.vkp")));
    ASSERT_EQ(state.CalcMode, 0);
    ASSERT_EQ(linkAsNobody(secret, work("NO2_2.dat")), "");
    std::map<std::string, std::string> before = lookBelow(dir.path());
    before.erase(before.lower_bound("app"), before.lower_bound("app0")); // the program folder

    CaseCount observer;
    const SpecialModeOutcome outcome = RunSpecialMode(state, ui, control, &observer);
    EXPECT_NE(outcome, SpecialModeOutcome::Completed);
    EXPECT_EQ(observer.cases, 0) << "refused before the first case\n" << said();
    EXPECT_NE(said().find(work("NO2_2.dat").string()), std::string::npos) << said();
    EXPECT_NE(said().find("nobody"), std::string::npos) << said();
    EXPECT_EQ(said().find("The file  "), std::string::npos) << "every file is named in full\n" << said();
    std::map<std::string, std::string> after = lookBelow(dir.path());
    after.erase(after.lower_bound("app"), after.lower_bound("app0"));
    EXPECT_EQ(changes(before, after), "") << "nothing replaced, nothing left beside them\n" << said();
}

} // namespace
