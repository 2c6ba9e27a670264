// Files written under a temporary name and put in place only when complete.

#include "core/StagedFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
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

} // namespace
} // namespace vesk
