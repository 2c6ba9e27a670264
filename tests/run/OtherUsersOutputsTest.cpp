// A run as one user (nobody) in a project folder every user may write, whose
// earlier hourly output belongs to another user (root), with its statistics
// in a folder with the sticky bit (as /tmp) where another user's file of
// that name lies: refused before its first hour, replacing nothing, when it
// could not keep the hourly output's old contents (it may not read them) or
// may not replace the statistics (only their owner may there). Every file
// stays its owner's, with its contents and permissions.

#include "run/RunFixture.h"

#include "platform/Isolation.h"
#include "support/PlainStage.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct OtherUsersRun {
    const char *name;
    mode_t hourlyMode;   // of the other user's hourly output
    const char *refusal; // the start of the message: "{out}" and "{stat}" stand for the files
};

void PrintTo(const OtherUsersRun &c, std::ostream *os) {
    *os << c.name;
}

// A file's bytes, owner, permissions and which file it is.
std::string look(const fs::path &file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return "(missing)";
    }
    return readFile(file) + " of " + std::to_string(st.st_uid) + ", mode " +
           std::to_string(st.st_mode & 07777) + ", file " + std::to_string(st.st_ino);
}

std::size_t entriesIn(const fs::path &folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

class OtherUsersOutputs : public RunFixture, public ::testing::WithParamInterface<OtherUsersRun> {};

WINVESK_PLAIN_STAGE("*OtherUsersOutputs.*", OtherProcesses);

TEST_P(OtherUsersOutputs, AreRefusedBeforeTheFirstHourAndKeptAsTheyWere) {
    const OtherUsersRun &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs two other users: as root, the test runs as the user nobody";
    }
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (const std::string why = whyNobodyCannotEnter(workDir); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    for (const auto &entry : fs::directory_iterator(dataDir() / "Working")) {
        const std::string name = entry.path().filename().string();
        if (name.front() != '.') {
            fs::copy_file(entry.path(), work(name));
        }
    }
    const fs::path shared = dir.path() / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(chmod(shared.c_str(), S_ISVTX | 0777), 0);
    ASSERT_EQ(chmod(workDir.c_str(), 0777), 0);
    const fs::path out = work("Out.txt"), stat = shared / "S.txt";
    writeWork("Out.txt", "the other user's hours\r\n");
    ASSERT_EQ(chmod(out.c_str(), c.hourlyMode), 0);
    dir.write("shared/S.txt", "the other user's statistics\r\n");
    const std::string project =
        sampleProjectWith("DemoStreet.vkp", {{"Out2023.txt", "Out.txt"}, {"Stat2023.txt", stat.string()}});
    ASSERT_NO_FATAL_FAILURE(loadProject("DemoStreet.vkp", project));
    state.StartAuto = state.EndAuto = false;
    state.StartDate = {2023, 3, 14};
    state.StartHour = 1;
    state.EndDate = {2023, 3, 15};
    state.EndHour = 24;
    const std::string outBefore = look(out), statBefore = look(stat);
    const std::size_t workEntries = entriesIn(workDir);

    const IsolatedResult r = runIsolated(
        [&](std::string *bytes, std::string *) {
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                *bytes = "could not become the user nobody";
                return true;
            }
            const RunReport report = run();
            *bytes = std::to_string(report.hours) + " hours: " + report.error;
            return true;
        },
        IsolationLimits{.seconds = 120, .wallSeconds = 120});
    ASSERT_EQ(r.end, IsolatedEnd::Finished) << r.errorOutput;
    std::string refusal = c.refusal;
    for (const auto &[name, file] :
         {std::pair<std::string, fs::path>{"{out}", out}, {"{stat}", stat}, {"{shared}", shared}}) {
        if (const auto at = refusal.find(name); at != std::string::npos) {
            refusal.replace(at, name.size(), file.string());
        }
    }
    EXPECT_EQ(r.bytes.substr(0, 9), "0 hours: ") << "refused before the first hour: " << r.bytes;
    EXPECT_NE(r.bytes.find(refusal), std::string::npos) << r.bytes;
    EXPECT_EQ(look(out), outBefore);
    EXPECT_EQ(look(stat), statBefore);
    EXPECT_EQ(entriesIn(workDir), workEntries) << "nothing is left beside them";
    EXPECT_EQ(entriesIn(shared), 1u) << "nothing is left beside them";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OtherUsersOutputs,
    ::testing::Values(
        OtherUsersRun{"an hourly output the user may not read", 0600,
                      "Cannot replace the file {out}: it belongs to the user root and you may not "
                      "read it, so its old contents could not be kept"},
        OtherUsersRun{"an hourly output the user may read", 0644,
                      "Cannot write the file {stat}: it belongs to the user root, and in its folder "
                      "{shared}, whose sticky bit is set, only a file's owner may replace it."}),
    [](const ::testing::TestParamInfo<OtherUsersRun> &info) { return testNameOf(info.param.name); });

} // namespace
