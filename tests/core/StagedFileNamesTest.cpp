// Staged files in a folder where other programs and users act on the names
// beside the target: the temporary file and the target swapped for a link
// to another file, names of left-overs that are none of this user's, names
// taken before a kept file gets its own, two groups keeping the old contents
// of one file at once, a folder that may not be written, and another user's
// link put on the way to the target while it is opened.

#include "core/OutputPlace.h"
#include "core/StagedFile.h"
#include "platform/Isolation.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <grp.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk {
namespace {

using test::readFile;
using test::TempDir;
namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// While it lives, act(step, target, name) runs at each step of a staged file.
class OnStep {
public:
    explicit OnStep(std::function<void(StagedStep, const std::string &, const std::string &)> act) {
        onStagedStepForTesting(std::move(act));
    }
    ~OnStep() { onStagedStepForTesting(nullptr); }
    OnStep(const OnStep &) = delete;
    OnStep &operator=(const OnStep &) = delete;
};

struct SwapCase {
    const char *name;
    StagedStep when; // Created, Checked: the temporary name is swapped; Renamed: the target's
};

void PrintTo(const SwapCase &c, std::ostream *os) {
    *os << c.name;
}

class SwappedSaves : public testing::TestWithParam<SwapCase> {};

// A save (no group, as of a project file) whose temporary name another
// program swaps for a link to another file as it appears or before its
// rename, or whose target it swaps right after the rename: the other file
// is never written, and the save fails naming the file, never reporting
// success.
TEST_P(SwappedSaves, FailNamingTheFileAndWriteNoOtherFile) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous\r\n");
    const fs::path other = dir.write("mine/Secret.txt", "mine\r\n");
    std::string swapped;
    OnStep swap([&](StagedStep step, const std::string &file, const std::string &temporary) {
        if (step == GetParam().when && swapped.empty()) {
            swapped = step == StagedStep::Renamed ? file : temporary;
            fs::remove(swapped);
            fs::create_symlink(other, swapped);
        }
    });
    StagedFile file;
    std::string error;
    ASSERT_TRUE(file.open(target.string(), &error)) << error;
    file.write("this save\r\n");
    EXPECT_FALSE(file.commit(&error));
    EXPECT_EQ(error.rfind("Cannot write the file " + target.string() + ": another program replaced", 0), 0u)
        << error;
    EXPECT_EQ(readFile(other), "mine\r\n");
    // What the other program put there stays (the rename took what it put under the temporary name).
    EXPECT_TRUE(fs::is_symlink(GetParam().when == StagedStep::Checked ? target.string() : swapped));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SwappedSaves,
    testing::Values(SwapCase{"the temporary file as it appears", StagedStep::Created},
                    SwapCase{"the temporary file before its rename", StagedStep::Checked},
                    SwapCase{"the target after the rename", StagedStep::Renamed}),
    [](const testing::TestParamInfo<SwapCase> &info) { return test::testNameOf(info.param.name); });

// A file given up (a run that failed) whose temporary name another program
// took: what that program put there stays.
TEST(StagedFile, AFileGivenUpLeavesWhatAnotherProgramPutUnderItsTemporaryName) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous\r\n");
    const fs::path secret = dir.write("mine/Secret.txt", "mine\r\n");
    StagedFile file;
    std::string error;
    ASSERT_TRUE(file.open(target.string(), &error)) << error;
    const std::string temporary = file.temporary();
    fs::remove(temporary);
    fs::create_symlink(secret, temporary);
    file.discard();
    EXPECT_TRUE(fs::is_symlink(temporary));
    EXPECT_EQ(readFile(secret), "mine\r\n");
    EXPECT_EQ(readFile(target), "previous\r\n");
}

// Names of left-overs beside the target that are none of this user's own:
// links (to a private file), second names of a private file, pipes, a
// folder, and files of another user. The tidying of a writer and of a group
// follows, opens for good and removes none of them.
TEST(StagedFile, LeftOverNamesThatAreNoneOfThisUsersStayAsTheyAre) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous\r\n");
    const fs::path secret = dir.write("mine/Secret.txt", "mine\r\n");
    const auto name = [&](const char *random, const char *ending) {
        return dir.path() / (std::string(".Out.txt.") + random + ending);
    };
    for (const char *ending : {".part", ".prev"}) {
        fs::create_symlink(secret, name("0000aaaa", ending));
        fs::create_hard_link(secret, name("0000aaab", ending));
        ASSERT_EQ(::mkfifo(name("0000aaac", ending).c_str(), 0600), 0);
        fs::create_directory(name("0000aaad", ending));
        if (::geteuid() == 0) {
            const fs::path others = name("0000aaae", ending);
            std::ofstream(others) << "another user's\r\n";
            ASSERT_EQ(::chown(others.c_str(), test::kNobody, test::kNobody), 0);
        }
    }
    const std::set<std::string> before = namesIn(dir.path());

    StagedFile file;
    ReplacedFiles replaced;
    std::string error;
    ASSERT_TRUE(file.open(target.string(), &error) && file.write("this run\r\n")) << error;
    ASSERT_TRUE(file.commit(&error, &replaced)) << error;
    ASSERT_TRUE(replaced.keepNew(&error)) << error;
    EXPECT_EQ(namesIn(dir.path()), before);
    EXPECT_EQ(readFile(secret), "mine\r\n");
    EXPECT_EQ(readFile(target), "this run\r\n");
}

// A file kept aside gets a name of its own, made exclusively: one another
// program took first (a link to a private file) is neither followed nor
// replaced, and no later writer of the target takes the kept file for a
// left-over.
TEST(StagedFile, AKeptFileTakesANameOfItsOwnThatNoLaterWriterRemoves) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous\r\n");
    const fs::path secret = dir.write("mine/Secret.txt", "mine\r\n");
    std::string planted, kept, error;
    {
        OnStep take([&](StagedStep step, const std::string &, const std::string &temporary) {
            if (step == StagedStep::Created) {
                planted = temporary + ".txt";
                fs::create_symlink(secret, planted);
            }
        });
        StagedFile aside;
        ASSERT_TRUE(aside.open(target.string(), &error) && aside.write("worth a look\r\n")) << error;
        ASSERT_TRUE(aside.keep(&kept, &error)) << error;
    }
    EXPECT_NE(kept, planted);
    EXPECT_TRUE(fs::is_symlink(planted));
    EXPECT_EQ(readFile(secret), "mine\r\n");
    EXPECT_EQ(readFile(kept), "worth a look\r\n");

    StagedFile next;
    ASSERT_TRUE(next.open(target.string(), &error) && next.write("next run\r\n")) << error;
    ASSERT_TRUE(next.commit(&error)) << error;
    EXPECT_EQ(readFile(kept), "worth a look\r\n");

    // A name chosen for it elsewhere than beside the target is refused.
    const fs::path elsewhere = dir.path() / "mine" / ".Out.txt.0000aaaa.part.txt";
    ASSERT_TRUE(next.open(target.string(), &error)) << error;
    EXPECT_FALSE(next.keepAs(elsewhere.string(), &error));
    EXPECT_EQ(error, "Cannot keep the file written for " + target.string() + " as " + elsewhere.string() +
                         ": it lies in another folder.");
    EXPECT_FALSE(fs::exists(elsewhere));
}

// Two groups keeping the old contents of one file at once (two runs of one
// project, here in threads of one process, which hold files as two
// processes do): each holds its own, so that the tidying of the group that
// ends first leaves the other's for it to put back.
TEST(ReplacedFiles, OldContentsOfOneFileKeptByTwoGroupsAreHeldByEach) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "the first run\r\n");
    StagedFile first, second;
    ReplacedFiles firstGroup, secondGroup;
    std::string error;
    for (auto [file, group] : {std::pair{&first, &firstGroup}, {&second, &secondGroup}}) {
        ASSERT_TRUE(file->open(target.string(), &error) && file->write("a run\r\n") && file->prepare(&error))
            << error;
        ASSERT_TRUE(file->keepReplaced(*group, &error)) << error;
    }
    ASSERT_TRUE(first.commit(&error, &firstGroup)) << error;
    ASSERT_TRUE(firstGroup.keepNew(&error)) << error;

    std::vector<std::string> previous;
    for (const std::string &name : namesIn(dir.path())) {
        if (name.starts_with(".Out.txt.") && name.ends_with(".prev")) {
            previous.push_back(name);
        }
    }
    ASSERT_EQ(previous.size(), 1u) << "the second group's old contents stay";
    EXPECT_EQ(readFile(dir.path() / previous[0]), "the first run\r\n");
    failRenamingForTesting([](const std::string &) { return true; });
    EXPECT_FALSE(second.commit(&error, &secondGroup));
    failRenamingForTesting(nullptr);
    EXPECT_TRUE(secondGroup.restore(&error)) << error;
    EXPECT_EQ(readFile(target), "a run\r\n") << "the first group's file stays";
}

// A folder this user may not write: the message names the folder as the cause.
TEST(StagedFile, AFolderThatMayNotBeWrittenIsNamedAsTheCause) {
    TempDir dir;
    const fs::path folder = dir.path() / "results";
    fs::create_directory(folder);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0); // not even its owner may write it; root may: nobody tries
    if (::geteuid() == 0) {
        if (const std::string why = test::whyNobodyCannotEnter(folder); !why.empty()) {
            GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
        }
    }
    const std::string target = (folder / "Out.txt").string();
    const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
        if (::geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(test::kNobody) != 0 || setuid(test::kNobody) != 0)) {
            *bytes = "could not become the user nobody";
            return true;
        }
        StagedFile file;
        std::string error;
        int systemError = 0;
        *bytes =
            file.open(target, &error, &systemError) ? "opened" : std::to_string(systemError) + " " + error;
        return true;
    });
    ASSERT_EQ(r.end, IsolatedEnd::Finished);
    EXPECT_EQ(r.bytes, std::to_string(EACCES) + " Cannot write the file " + target + ": the folder " +
                           folder.string() + " may not be written (" + std::strerror(EACCES) + ").");
    EXPECT_TRUE(namesIn(folder).empty());
}

// Another user's link put on the way to the target between the two looks
// of the opening (at the rule for links, then at the resolution the file is
// written through): refused naming the link and its owner, not with the
// system's word alone.
TEST(StagedFile, AnotherUsersLinkPutOnTheWayMeanwhileIsNamedWithItsOwner) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs a link of another user: as root, the test gives a link to the user nobody";
    }
    TempDir dir;
    const fs::path base = fs::canonical(dir.path()), sh = base / "sh", sub = sh / "sub", mine = base / "mine";
    fs::create_directories(sub);
    fs::create_directory(mine);
    ASSERT_EQ(::chmod(sh.c_str(), 0777), 0);
    fs::create_directory_symlink(".", sub / "here"); // root's own: followed, and met after sub
    int looks = 0;
    aroundLinkReadForTesting([&](const std::string &, const std::function<void()> &read) {
        read();
        if (++looks == 1) {
            fs::rename(sub, sh / "moved");
            fs::create_directory_symlink(mine, sub);
            EXPECT_EQ(::lchown(sub.c_str(), test::kNobody, test::kNobody), 0);
        }
    });
    StagedFile file;
    std::string error;
    int systemError = 0;
    const bool opened = file.open((sub / "here" / "Out.txt").string(), &error, &systemError);
    aroundLinkReadForTesting(nullptr);
    EXPECT_EQ(looks, 1) << "the second look stops at the link";
    EXPECT_FALSE(opened);
    EXPECT_EQ(systemError, EACCES);
    EXPECT_NE(error.find(": " + sub.string() + " is a symbolic link of the user nobody in the folder " +
                         sh.string()),
              std::string::npos)
        << error;
    EXPECT_TRUE(namesIn(mine).empty());
    EXPECT_EQ(namesIn(sh / "moved"), std::set<std::string>{"here"});
}

} // namespace
} // namespace vesk
