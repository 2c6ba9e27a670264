// Files written under a temporary name and put in place only when complete.

#include "core/StagedFile.h"
#include "core/OutputPlace.h"
#include "platform/Isolation.h"
#include "support/PlainStage.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <set>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace vesk {
namespace {

using test::readFile;
using test::TempDir;
namespace fs = std::filesystem;

std::size_t entriesIn(const fs::path &folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto &entry : fs::directory_iterator(folder)) {
        ++n;
    }
    return n;
}

TEST(StagedFile, TheTargetKeepsItsOldContentsUntilCommit) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous run\r\n");
    StagedFile file;
    std::string error;
    ASSERT_TRUE(file.open(target.string(), &error)) << error;
    ASSERT_TRUE(file.write("new run\r\n"));
    EXPECT_EQ(readFile(target), "previous run\r\n") << "nothing reaches the target while writing";
    EXPECT_EQ(entriesIn(dir.path()), 2u) << "the temporary file lies beside the target";
    ASSERT_TRUE(file.commit(&error)) << error;
    EXPECT_EQ(readFile(target), "new run\r\n");
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "no temporary file is left behind";
}

TEST(StagedFile, DiscardingOrDroppingLeavesTheTargetAndNoTemporaryFile) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous run\r\n");
    {
        StagedFile dropped;
        ASSERT_TRUE(dropped.open(target.string(), nullptr));
        dropped.write("half a run");
    }
    StagedFile discarded;
    ASSERT_TRUE(discarded.open(target.string(), nullptr));
    discarded.write("half a run");
    discarded.discard();
    EXPECT_EQ(readFile(target), "previous run\r\n");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(StagedFile, ANewFileAppearsOnlyAtCommit) {
    TempDir dir;
    const fs::path target = dir.path() / "New.txt";
    StagedFile file;
    ASSERT_TRUE(file.open(target.string(), nullptr));
    file.write("x");
    EXPECT_FALSE(fs::exists(target));
    ASSERT_TRUE(file.commit(nullptr));
    EXPECT_EQ(readFile(target), "x");
}

TEST(StagedFile, AMissingFolderIsReportedWithTheSystemsReason) {
    TempDir dir;
    StagedFile file;
    std::string error;
    int systemError = 0;
    EXPECT_FALSE(file.open((dir.path() / "missing" / "Out.txt").string(), &error, &systemError));
    EXPECT_EQ(systemError, ENOENT);
    EXPECT_NE(error.find("Out.txt"), std::string::npos) << error;
    EXPECT_FALSE(file.commit(&error));
}

TEST(StagedFile, ATargetThatIsAFolderIsRefusedAtOnceAndLeavesNothing) {
    TempDir dir;
    fs::create_directory(dir.path() / "Out.txt");
    StagedFile file;
    std::string error;
    int systemError = 0;
    EXPECT_FALSE(file.open((dir.path() / "Out.txt").string(), &error, &systemError));
    EXPECT_EQ(systemError, EISDIR);
    EXPECT_NE(error.find("Out.txt"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(dir.path() / "Out.txt"));
    EXPECT_EQ(entriesIn(dir.path()), 1u);
}

TEST(StagedFile, ADeviceOrAPipeIsRefusedAtOnceAndStaysWhatItWas) {
    TempDir dir;
    const fs::path pipe = dir.path() / "Pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(pipe, dir.path() / "Link.txt");
    std::vector<fs::path> targets = {pipe, dir.path() / "Link.txt"};
    // A device of the kind of /dev/null, where the system lets this process make one.
    if (::mknod((dir.path() / "Device").c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0) {
        targets.push_back(dir.path() / "Device");
    }
    for (const fs::path &target : targets) {
        SCOPED_TRACE(target.string());
        StagedFile file;
        std::string error;
        int systemError = 0;
        EXPECT_FALSE(file.open(target.string(), &error, &systemError));
        EXPECT_EQ(systemError, EINVAL);
        EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
    }
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(targets.size() < 3 || fs::is_character_file(targets[2]));
    EXPECT_EQ(entriesIn(dir.path()), targets.size()) << "no temporary file was made beside them";
}

TEST(StagedFile, ALinkStaysALinkAndItsDestinationIsReplaced) {
    TempDir dir;
    const fs::path real = dir.write("results/Out.txt", "old");
    const fs::path link = dir.path() / "Out.txt";
    fs::create_symlink(real, link);
    StagedFile file;
    ASSERT_TRUE(file.open(link.string(), nullptr));
    file.write("new");
    ASSERT_TRUE(file.commit(nullptr));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), "new");
}

TEST(StagedFile, AReplacedFileKeepsItsPermissions) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    StagedFile file;
    ASSERT_TRUE(file.open(target.string(), nullptr));
    file.write("new");
    ASSERT_TRUE(file.commit(nullptr));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// In a folder with the sticky bit (shared by several users, as /tmp) only
// a file's owner, or the folder's, may replace the file: the message names
// the owner and says what to do.
struct StickyCase {
    const char *name;
    mode_t folderMode;
    uid_t folderOwner;
    uid_t fileOwner;
    bool refused; // with the message naming the file's owner
};

void PrintTo(const StickyCase &c, std::ostream *os) {
    *os << c.name;
}

class StickyFolders : public testing::TestWithParam<StickyCase> {};

TEST_P(StickyFolders, NameTheOwnerOfAFileOnlyItsOwnerMayReplace) {
    const StickyCase &c = GetParam();
    const uid_t user = 4711;
    struct stat file {
    }, folder{};
    folder.st_mode = S_IFDIR | c.folderMode;
    folder.st_uid = c.folderOwner;
    file.st_mode = S_IFREG | 0644;
    file.st_uid = c.fileOwner;
    const std::string said = stickyFolderRefusal("/shared/Out.txt", file, folder, user);
    EXPECT_EQ(said, c.refused
                        ? "Cannot write the file /shared/Out.txt: it belongs to the user root, and in its "
                          "folder /shared, whose sticky bit is set, only a file's owner may replace it. "
                          "Ask the user \"root\" to remove it, or write to a file of another name."
                        : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StickyFolders,
    testing::Values(StickyCase{"another users file in a shared folder", S_ISVTX | 0777, 0, 0, true},
                    StickyCase{"a folder without the sticky bit", 0777, 0, 0, false},
                    StickyCase{"the users own file", S_ISVTX | 0777, 0, 4711, false},
                    StickyCase{"the users own folder", S_ISVTX | 0777, 4711, 0, false}),
    [](const testing::TestParamInfo<StickyCase> &info) { return test::testNameOf(info.param.name); });

// The same through a writer: another user (nobody) writes a file of this
// user's into a shared folder of this user's.
TEST(StagedFile, AFileOnlyItsOwnerMayReplaceIsRefusedNamingTheOwner) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test writes as the user nobody";
    }
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (const std::string why = test::whyNobodyCannotEnter(dir.path()); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    const fs::path shared = dir.path() / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(chmod(shared.c_str(), S_ISVTX | 0777), 0);
    const fs::path target = dir.write("shared/Out.txt", "previous run\r\n");
    const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
        if (setgroups(0, nullptr) != 0 || setgid(test::kNobody) != 0 || setuid(test::kNobody) != 0) {
            *bytes = "could not become the user nobody";
            return true;
        }
        StagedFile file;
        std::string error;
        if (!file.open(target.string(), &error) || !file.write("new run\r\n")) {
            *bytes = "not opened: " + error;
        } else {
            *bytes = file.commit(&error) ? "written" : error;
        }
        return true;
    });
    ASSERT_EQ(r.end, IsolatedEnd::Finished);
    const passwd *owner = getpwuid(0);
    const std::string root = owner != nullptr ? owner->pw_name : "0";
    EXPECT_EQ(r.bytes, "Cannot write the file " + target.string() + ": it belongs to the user " + root +
                           ", and in its folder " + shared.string() +
                           ", whose sticky bit is set, only a file's owner may replace it. Ask the user \"" +
                           root + "\" to remove it, or write to a file of another name.");
    EXPECT_EQ(readFile(target), "previous run\r\n");
    EXPECT_EQ(entriesIn(shared), 1u) << "no temporary file is left behind";
}

// The check of whether a group may replace a file (a run's output) before
// anything is written, made by the user nobody, whose own output lies in a
// folder of root's that every user may write (or with the sticky bit as
// well), beside a file of root's. Right after the output's name was
// resolved, nobody puts a link to root's file there.
struct LinkAtTheNameCase {
    const char *name;
    mode_t folderMode;
    mode_t rootsFileMode; // what following the link would find: a file nobody may not read, or one only
                          // root may replace there
};

void PrintTo(const LinkAtTheNameCase &c, std::ostream *os) {
    *os << c.name;
}

class PermissionCheckOfAGroup : public testing::TestWithParam<LinkAtTheNameCase> {};

// What the name holds is looked at once, without following a link: the
// link is no file the group would replace, so nothing is refused, and
// neither root's file behind it nor its owner is named.
TEST_P(PermissionCheckOfAGroup, FollowsNoLinkPutAtTheNameAfterItWasResolved) {
    const LinkAtTheNameCase &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs a second user: as root, the test checks as the user nobody";
    }
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (const std::string why = test::whyNobodyCannotEnter(dir.path()); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    const fs::path shared = dir.path() / "shared";
    fs::create_directory(shared);
    ASSERT_EQ(chmod(shared.c_str(), c.folderMode), 0);
    const fs::path roots = dir.write("shared/Root.txt", "root's own\r\n");
    ASSERT_EQ(chmod(roots.c_str(), c.rootsFileMode), 0);
    const fs::path out = dir.write("shared/Out.txt", "nobody's hours\r\n");
    ASSERT_EQ(chown(out.c_str(), test::kNobody, test::kNobody), 0);
    const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
        if (setgroups(0, nullptr) != 0 || setgid(test::kNobody) != 0 || setuid(test::kNobody) != 0) {
            *bytes = "could not become the user nobody";
            return true;
        }
        bool linked = false;
        aroundNameUseForTesting([&](const std::string &name, const std::function<void()> &use) {
            use();
            if (name == out.string() && !linked) {
                linked = ::unlink(out.c_str()) == 0 && ::symlink(roots.c_str(), out.c_str()) == 0;
            }
        });
        const std::string refusal = groupReplacementRefusal(out.string());
        aroundNameUseForTesting(nullptr);
        *bytes = (linked ? "linked: " : "not linked: ") + refusal;
        return true;
    });
    ASSERT_EQ(r.end, IsolatedEnd::Finished);
    EXPECT_EQ(r.bytes, "linked: ");
    EXPECT_EQ(readFile(roots), "root's own\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PermissionCheckOfAGroup,
    testing::Values(LinkAtTheNameCase{"root's file nobody may not read", 0777, 0600},
                    LinkAtTheNameCase{"root's file in a folder with the sticky bit", S_ISVTX | 0777, 0644}),
    [](const testing::TestParamInfo<LinkAtTheNameCase> &info) { return test::testNameOf(info.param.name); });

// The names of the folder's files, in order.
std::set<std::string> namesIn(const fs::path &folder) {
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A writer of the target in another process, which ends without tidying
// up when the object does, as a program that is killed.
class OtherWriter {
public:
    explicit OtherWriter(const fs::path &target)
        : m_process([target] {
              auto *file = new StagedFile; // kept to the end of the process
              return file->open(target.string(), nullptr) && file->write("half a file") &&
                     file->stream().flush();
          }) {}
    bool writing() const { return m_process.holding(); }

private:
    test::OtherProcess m_process;
};

// The temporary files of writers that were killed are removed by the next
// writer of their target; those a writer is still writing (in another
// process here), the files a writer kept and every other file stay.
TEST(StagedFile, TheNextWriterRemovesWhatKilledWritersLeftAndNothingElse) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous run\r\n");
    dir.write(".Out.txt.3fa2c1zz.part", "not a name of ours");
    dir.write(".Out.txt.3fa2c100.part.bak", "a copy of someone's");
    std::string kept, error;
    {
        StagedFile aside;
        ASSERT_TRUE(aside.open(target.string(), &error)) << error;
        ASSERT_TRUE(aside.write("a run that must not replace the file"));
        ASSERT_TRUE(aside.keep(&kept, &error)) << error;
    }
    EXPECT_EQ(fs::path(kept).parent_path(), dir.path());
    EXPECT_EQ(kept.substr(kept.size() - 9), ".part.txt") << kept;
    OtherWriter running(target);
    ASSERT_TRUE(running.writing());
    const std::set<std::string> before = namesIn(dir.path());
    for (const char *other : {"Out.txt", "Other.txt"}) {
        OtherWriter killed(dir.path() / other);
        ASSERT_TRUE(killed.writing());
    }
    std::set<std::string> expected = namesIn(dir.path());
    ASSERT_EQ(expected.size(), before.size() + 2);
    for (const std::string &name : namesIn(dir.path())) {
        if (before.count(name) == 0 && name.rfind(".Out.txt.", 0) == 0) {
            expected.erase(name); // the killed writer's
        }
    }
    ASSERT_EQ(expected.size(), before.size() + 1);

    StagedFile next;
    ASSERT_TRUE(next.open(target.string(), &error)) << error;
    ASSERT_TRUE(next.write("this run\r\n"));
    ASSERT_TRUE(next.commit(&error)) << error;
    EXPECT_EQ(namesIn(dir.path()), expected);
    EXPECT_EQ(readFile(kept), "a run that must not replace the file");
    EXPECT_EQ(readFile(target), "this run\r\n");
}

// prepare() writes every byte out under the temporary name: the target
// keeps its old contents, a full disk shows there (its temporary file goes)
// and commit() has only the rename left.
TEST(StagedFile, PrepareWritesEveryByteOutAndLeavesOnlyTheRename) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "previous run\r\n");
    const fs::path full = dir.write("Stat.txt", "previous run\r\n");
    const std::string bytes(100000, 'x'); // more than the stream's buffer holds
    StagedFile file, onFullDisk;
    std::string error, fullError;
    ASSERT_TRUE(file.open(target.string(), &error) && file.write(bytes)) << error;
    ASSERT_TRUE(onFullDisk.open(full.string(), &error) && onFullDisk.write(bytes)) << error;
    failWritingOutForTesting([&](const std::string &name) { return name == full.string(); });
    const bool prepared = file.prepare(&error);
    const bool preparedOnFullDisk = onFullDisk.prepare(&fullError);
    failWritingOutForTesting(nullptr);

    ASSERT_TRUE(prepared) << error;
    EXPECT_EQ(readFile(file.temporary()), bytes);
    EXPECT_FALSE(file.write("more")) << "nothing is written after it";
    EXPECT_EQ(readFile(target), "previous run\r\n");
    EXPECT_FALSE(preparedOnFullDisk);
    EXPECT_EQ(fullError, "Cannot write the file " + full.string() + ": the disk may be full.");
    EXPECT_EQ(readFile(full), "previous run\r\n");
    EXPECT_EQ(namesIn(dir.path()).size(), 3u) << "the full disk's temporary file is gone";
    ASSERT_TRUE(file.commit(&error)) << error;
    EXPECT_EQ(readFile(target), bytes);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"Out.txt", "Stat.txt"}));
}

// Three files of a group (a run's outputs), each prepared; `targets` gets
// their paths: Out.txt and Stat.txt exist, New.txt does not.
std::vector<StagedFile> preparedGroup(const TempDir &dir, std::vector<fs::path> *targets) {
    *targets = {dir.write("Out.txt", "previous hours\r\n"), dir.path() / "New.txt",
                dir.write("Stat.txt", "previous statistics\r\n")};
    fs::permissions(targets->front(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    std::vector<StagedFile> files(targets->size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string error;
        EXPECT_TRUE(files[i].open((*targets)[i].string(), &error) && files[i].write("this run\r\n") &&
                    files[i].prepare(&error))
            << error;
    }
    return files;
}

// A group replaces all its files or none: when one cannot be put in place
// (here a folder has taken its place since the files were prepared), the
// files before it get back what they held (the same file, its permissions
// with it) and a file that was new goes again.
TEST(ReplacedFiles, AFileThatCannotBePutInPlaceTakesBackWhatTheOthersReplaced) {
    TempDir dir;
    std::vector<fs::path> targets;
    std::vector<StagedFile> files = preparedGroup(dir, &targets);
    fs::remove(targets[2]);
    fs::create_directories(targets[2] / "inside");
    ReplacedFiles replaced;
    std::string error;
    ASSERT_TRUE(files[0].commit(&error, &replaced)) << error;
    ASSERT_TRUE(files[1].commit(&error, &replaced)) << error;
    EXPECT_EQ(readFile(targets[0]), "this run\r\n");
    EXPECT_FALSE(files[2].commit(&error, &replaced));
    EXPECT_EQ(error,
              "Cannot write the file " + targets[2].string() +
                  ": another program has put a folder under its name since it was checked, which a file "
                  "must not replace.");

    EXPECT_TRUE(replaced.restore(&error)) << error;
    EXPECT_EQ(readFile(targets[0]), "previous hours\r\n");
    EXPECT_EQ(fs::status(targets[0]).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_FALSE(fs::exists(targets[1]));
    EXPECT_TRUE(fs::is_directory(targets[2]));
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"Out.txt", "Stat.txt"})) << "nothing else is left";
}

// Once every file is in place the old contents go; a group left unfinished
// (the caller failed between its renames) is put back.
TEST(ReplacedFiles, AGroupInPlaceDropsTheOldContentsAndOneLeftUnfinishedIsPutBack) {
    for (const bool finished : {true, false}) {
        SCOPED_TRACE(finished ? "finished" : "left unfinished");
        TempDir dir;
        std::vector<fs::path> targets;
        std::vector<StagedFile> files = preparedGroup(dir, &targets);
        {
            ReplacedFiles replaced;
            std::string error;
            for (StagedFile &file : files) {
                ASSERT_TRUE(file.commit(&error, &replaced)) << error;
            }
            EXPECT_EQ(namesIn(dir.path()).size(), 5u) << "the old contents of two files are kept meanwhile";
            if (finished) {
                EXPECT_TRUE(replaced.keepNew(nullptr));
            }
        }
        if (finished) {
            for (const fs::path &target : targets) {
                EXPECT_EQ(readFile(target), "this run\r\n") << target;
            }
            EXPECT_EQ(namesIn(dir.path()).size(), 3u);
        } else {
            EXPECT_EQ(readFile(targets[0]), "previous hours\r\n");
            EXPECT_FALSE(fs::exists(targets[1]));
            EXPECT_EQ(readFile(targets[2]), "previous statistics\r\n");
            EXPECT_EQ(namesIn(dir.path()).size(), 2u);
        }
    }
}

// The old contents kept of a group's file (".Out.txt.<random>.prev"), and
// those set aside for good (".Out.txt.<random>.prev.txt"): their paths.
std::vector<fs::path> oldContentsBeside(const fs::path &folder, const std::string &ending) {
    std::vector<fs::path> found;
    for (const std::string &name : namesIn(folder)) {
        if (name.starts_with(".Out.txt.") && name.ends_with(ending) && name.size() == 17 + ending.size()) {
            found.push_back(folder / name);
        }
    }
    return found;
}

// What another program does to the names of a group's first file after the
// group put it in place and before the group puts its old contents back.
struct PutBackCase {
    const char *name;
    std::function<void(const fs::path &target, const fs::path &previous)> act;
    bool leftAsItIs;          // the target keeps what the other program put there
    bool theVeryFile = false; // the old file itself goes back (it still has a name to link from)
};

void PrintTo(const PutBackCase &c, std::ostream *os) {
    *os << c.name;
}

class PutBacks : public testing::TestWithParam<PutBackCase> {};

// Old contents go back only over the file the group put in place: another
// program's file there stays, and the old contents are kept under a name no
// later group takes for a left-over, which the message names. Old contents
// whose name another program took or removed go back from the file the
// group holds, never what now bears their name.
TEST_P(PutBacks, GoOnlyOverTheGroupsOwnFileAndBringBackTheOldContentsThemselves) {
    const PutBackCase &c = GetParam();
    TempDir dir;
    std::vector<fs::path> targets;
    std::vector<StagedFile> files = preparedGroup(dir, &targets);
    struct stat old {};
    ASSERT_EQ(::stat(targets[0].c_str(), &old), 0);
    ReplacedFiles replaced;
    std::string error;
    ASSERT_TRUE(files[0].commit(&error, &replaced)) << error;
    const std::vector<fs::path> previous = oldContentsBeside(dir.path(), ".prev");
    ASSERT_EQ(previous.size(), 1u);
    c.act(targets[0], previous[0]);
    const std::string there = fs::is_regular_file(targets[0]) ? readFile(targets[0]) : "(a folder)";

    const bool restored = replaced.restore(&error);
    const std::vector<fs::path> setAside = oldContentsBeside(dir.path(), ".prev.txt");
    if (c.leftAsItIs) {
        EXPECT_FALSE(restored);
        ASSERT_EQ(setAside.size(), 1u);
        EXPECT_EQ(readFile(setAside[0]), "previous hours\r\n");
        EXPECT_EQ(error,
                  "The file " + targets[0].string() +
                      " was replaced by another program after the run had put it in place: it is left as it "
                      "is, and its old contents are kept in " +
                      setAside[0].string() + ".");
        EXPECT_EQ(fs::is_regular_file(targets[0]) ? readFile(targets[0]) : "(a folder)", there);
    } else {
        EXPECT_TRUE(restored) << error;
        EXPECT_EQ(readFile(targets[0]), "previous hours\r\n");
        EXPECT_EQ(setAside.size(), 0u);
        struct stat back {};
        ASSERT_EQ(::stat(targets[0].c_str(), &back), 0);
        EXPECT_EQ(back.st_ino == old.st_ino, c.theVeryFile) << "a copy only where no name of it was left";
    }
    if (fs::exists(previous[0])) {
        EXPECT_EQ(readFile(previous[0]), "another file\r\n") << "what another program put there stays";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PutBacks,
    testing::Values(PutBackCase{"another runs output put in place meanwhile",
                                [](const fs::path &target, const fs::path &) {
                                    const fs::path other = target.parent_path() / "other run";
                                    std::ofstream(other, std::ios::binary) << "another run's hours\r\n";
                                    fs::rename(other, target);
                                },
                                true},
                    PutBackCase{"a folder put in its place",
                                [](const fs::path &target, const fs::path &) {
                                    fs::remove(target);
                                    fs::create_directories(target / "inside");
                                },
                                true},
                    PutBackCase{"another file under the old contents name",
                                [](const fs::path &, const fs::path &previous) {
                                    fs::remove(previous);
                                    std::ofstream(previous, std::ios::binary) << "another file\r\n";
                                },
                                false},
                    PutBackCase{"the old contents name removed",
                                [](const fs::path &, const fs::path &previous) { fs::remove(previous); },
                                false},
                    PutBackCase{"the old contents taken under another name",
                                [](const fs::path &, const fs::path &previous) {
                                    fs::rename(previous, previous.parent_path() / "taken");
                                },
                                false, true}),
    [](const testing::TestParamInfo<PutBackCase> &info) { return test::testNameOf(info.param.name); });

// Once every file is in place, each target must still hold the file put
// there: a file another program replaced after its rename fails the group,
// which puts back the others and says where that file's old contents are.
TEST(ReplacedFiles, AFileReplacedAfterItsRenameFailsTheGroupAtItsEnd) {
    TempDir dir;
    std::vector<fs::path> targets;
    std::vector<StagedFile> files = preparedGroup(dir, &targets);
    ReplacedFiles replaced;
    std::string error, file;
    for (StagedFile &staged : files) {
        ASSERT_TRUE(staged.commit(&error, &replaced)) << error;
    }
    const fs::path other = dir.write("other run", "another run's hours\r\n");
    fs::rename(other, targets[0]);

    EXPECT_FALSE(replaced.keepNew(&error, &file));
    const std::vector<fs::path> setAside = oldContentsBeside(dir.path(), ".prev.txt");
    ASSERT_EQ(setAside.size(), 1u);
    EXPECT_EQ(file, targets[0].string());
    EXPECT_EQ(error,
              "Cannot write the file " + targets[0].string() +
                  ": another program replaced it after the run had put it in place.\r\nThe file " +
                  targets[0].string() +
                  " was replaced by another program after the run had put it in place: it is left as it is, "
                  "and its old contents are kept in " +
                  setAside[0].string() + ".");
    EXPECT_EQ(readFile(targets[0]), "another run's hours\r\n");
    EXPECT_EQ(readFile(setAside[0]), "previous hours\r\n");
    EXPECT_FALSE(fs::exists(targets[1]));
    EXPECT_EQ(readFile(targets[2]), "previous statistics\r\n");
    EXPECT_EQ(namesIn(dir.path()).size(), 3u) << "nothing else is left";
}

// What a file is: its bytes, owner, permissions and which file it is.
struct FileLook {
    std::string bytes;
    uid_t owner = 0;
    mode_t mode = 0;
    ino_t inode = 0;
    bool operator==(const FileLook &) const = default;
};

void PrintTo(const FileLook &look, std::ostream *os) {
    *os << "\"" << look.bytes << "\" of " << look.owner << ", mode " << std::oct << look.mode << std::dec
        << ", inode " << look.inode;
}

FileLook lookOf(const fs::path &file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return {"(missing)"};
    }
    return {readFile(file), st.st_uid, static_cast<mode_t>(st.st_mode & 07777), st.st_ino};
}

// Files of another user (root, the test running as root) that a third user
// (nobody) writes as a group, as a run writes its outputs: an earlier hourly
// output in a project folder every user may write and statistics in a
// folder with the sticky bit, as /tmp.
struct OtherUsersCase {
    const char *name;
    mode_t hourlyMode;     // of the other user's hourly output
    bool stickyStatistics; // the statistics lie in the folder with the sticky bit
    bool renameFails;      // else the rename of the statistics fails
    const char *refusal;   // the start of the message; "{out}" and "{stat}" stand for the files
};

void PrintTo(const OtherUsersCase &c, std::ostream *os) {
    *os << c.name;
}

class OtherUsersFiles : public testing::TestWithParam<OtherUsersCase> {};

WINVESK_PLAIN_STAGE("*OtherUsersFiles.*", OtherProcesses);

// The group replaces none of them, and every file stays the other user's
// own, with its contents and permissions: a file whose old contents cannot
// be kept (the other user's hourly output, which nobody may neither read nor
// link) is refused before anything is renamed, and so is a file only its
// owner may replace; a file kept by a copy is put back with its contents and
// permissions.
TEST_P(OtherUsersFiles, AreNeitherReplacedNorLostByAGroupThatFails) {
    const OtherUsersCase &c = GetParam();
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs two other users: as root, the test writes as the user nobody";
    }
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (const std::string why = test::whyNobodyCannotEnter(dir.path()); !why.empty()) {
        GTEST_SKIP() << "needs a second user that may enter the test's folder: " << why;
    }
    const fs::path project = dir.path() / "project", shared = dir.path() / "shared";
    fs::create_directory(project);
    fs::create_directory(shared);
    ASSERT_EQ(chmod(project.c_str(), 0777), 0);
    ASSERT_EQ(chmod(shared.c_str(), S_ISVTX | 0777), 0);
    const fs::path out = dir.write("project/Out.txt", "the other user's hours\r\n");
    ASSERT_EQ(chmod(out.c_str(), c.hourlyMode), 0);
    const fs::path stat =
        dir.write(c.stickyStatistics ? "shared/S.txt" : "project/S.txt", "the other user's statistics\r\n");
    ASSERT_EQ(chmod(stat.c_str(), 0644), 0);
    const FileLook outBefore = lookOf(out), statBefore = lookOf(stat);

    const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *) {
        if (setgroups(0, nullptr) != 0 || setgid(test::kNobody) != 0 || setuid(test::kNobody) != 0) {
            *bytes = "could not become the user nobody";
            return true;
        }
        if (c.renameFails) {
            failRenamingForTesting([&](const std::string &target) { return target == stat.string(); });
        }
        std::vector<StagedFile> files(2);
        std::string error;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!files[i].open((i == 0 ? out : stat).string(), &error) || !files[i].write("this run\r\n") ||
                !files[i].prepare(&error)) {
                *bytes = "not written: " + error;
                return true;
            }
        }
        ReplacedFiles replaced;
        for (StagedFile &file : files) {
            if (!file.keepReplaced(replaced, &error)) {
                replaced.restore(nullptr);
                *bytes = error;
                return true;
            }
        }
        for (StagedFile &file : files) {
            if (!file.commit(&error, &replaced)) {
                std::string notPutBack;
                replaced.restore(&notPutBack);
                *bytes = error + notPutBack;
                return true;
            }
        }
        if (!replaced.keepNew(&error)) {
            *bytes = error;
            return true;
        }
        *bytes = "replaced";
        return true;
    });
    ASSERT_EQ(r.end, IsolatedEnd::Finished);
    std::string refusal = c.refusal;
    for (const auto &[name, file] : {std::pair<std::string, fs::path>{"{out}", out}, {"{stat}", stat}}) {
        if (const auto at = refusal.find(name); at != std::string::npos) {
            refusal.replace(at, name.size(), file.string());
        }
    }
    EXPECT_EQ(r.bytes.substr(0, refusal.size()), refusal) << r.bytes;
    FileLook outAfter = lookOf(out);
    if (c.renameFails) {
        // Put back from a copy: a new file of the user who wrote, with the old contents and permissions.
        EXPECT_EQ(outAfter.owner, test::kNobody);
        outAfter.owner = outBefore.owner;
        outAfter.inode = outBefore.inode;
    }
    EXPECT_EQ(outAfter, outBefore);
    EXPECT_EQ(lookOf(stat), statBefore);
    EXPECT_EQ(namesIn(project).size() + namesIn(shared).size(), 2u) << "nothing is left beside them";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OtherUsersFiles,
    testing::Values(
        OtherUsersCase{
            "an hourly output the writer may not read", 0600, true, false,
            "Cannot replace the file {out}: its old contents could not be kept to be put back should "
            "another file of the run fail (Permission denied)."},
        OtherUsersCase{"an hourly output the writer may read", 0644, true, false,
                       "Cannot write the file {stat}: it belongs to the user root, and in its folder"},
        OtherUsersCase{"an hourly output the writer may read and a later rename that fails", 0644, false,
                       true, "Cannot write the file {stat}: Input/output error"}),
    [](const testing::TestParamInfo<OtherUsersCase> &info) { return test::testNameOf(info.param.name); });

// A program that puts a group of files in place in another process: it
// keeps the old contents of target, puts its file in place and, while the
// object lives, holds its group unfinished; then it ends without tidying up,
// as a program that is killed between the renames of its group.
class OtherGroup {
public:
    OtherGroup(const fs::path &target, const std::string &bytes)
        : m_process([target, bytes] {
              auto *file = new StagedFile;        // kept to the end of the process
              auto *replaced = new ReplacedFiles; // never finished
              std::string error;
              return file->open(target.string(), &error) && file->write(bytes) &&
                     file->commit(&error, replaced);
          }) {}
    bool holding() const { return m_process.holding(); }

private:
    test::OtherProcess m_process;
};

// The old contents a group keeps while it is put in place are removed by
// the next group that puts the same file in place once it is final, when
// their program was killed; those of a group still being put in place, in
// another process, stay, and so does every other file.
TEST(ReplacedFiles, TheNextGroupRemovesOldContentsKilledProgramsLeftAndKeepsThoseHeld) {
    TempDir dir;
    const fs::path target = dir.write("Out.txt", "the first run\r\n");
    dir.write(".Out.txt.3fa2c100.prev.bak", "a copy of someone's");
    dir.write(".Out.txt.3fa2c1zz.prev", "not a name of ours");
    {
        OtherGroup killed(target, "the killed run\r\n");
        ASSERT_TRUE(killed.holding());
    }
    OtherGroup running(target, "the running run\r\n");
    ASSERT_TRUE(running.holding());
    {
        OtherGroup killedBesideIt(dir.path() / "Other.txt", "another file's run\r\n");
        ASSERT_TRUE(killedBesideIt.holding());
    }
    // The old contents each group kept: the first run's by the killed one, the killed run's by the
    // running one (and none of Other.txt, which was new).
    std::map<std::string, std::string> kept;
    for (const std::string &name : namesIn(dir.path())) {
        if (name.starts_with(".Out.txt.") && name.ends_with(".prev") && name != ".Out.txt.3fa2c1zz.prev") {
            kept[readFile(dir.path() / name)] = name;
        }
    }
    ASSERT_EQ(kept.size(), 2u);
    ASSERT_EQ(kept.count("the first run\r\n"), 1u);
    ASSERT_EQ(kept.count("the killed run\r\n"), 1u);
    std::set<std::string> expected = namesIn(dir.path());
    expected.erase(kept["the first run\r\n"]);

    StagedFile next;
    ReplacedFiles replaced;
    std::string error;
    ASSERT_TRUE(next.open(target.string(), &error) && next.write("this run\r\n")) << error;
    ASSERT_TRUE(next.commit(&error, &replaced)) << error;
    ASSERT_TRUE(replaced.keepNew(&error)) << error;
    EXPECT_EQ(namesIn(dir.path()), expected);
    EXPECT_EQ(readFile(dir.path() / kept["the killed run\r\n"]), "the killed run\r\n");
    EXPECT_EQ(readFile(target), "this run\r\n");
}

} // namespace
} // namespace vesk
