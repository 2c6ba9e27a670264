#include "core/CountryFiles.h"

#include "core/StagedFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <set>

using namespace vesk;
using namespace vesk::test;

namespace {

struct Package : ::testing::Test {
    TempDir dir;
    std::string source = dir.path().string() + "/pkg/";
    std::string appDir = dir.path().string() + "/app/";
    std::vector<PackageItem> items;
    bool missing = false;
    std::string error;

    bool read(const std::string &filesLst, const std::string &code = "XX") {
        dir.write("pkg/Files.lst", filesLst);
        return readPackageList(source, appDir, code, &items, &missing, &error);
    }
};

} // namespace

TEST_F(Package, PlaceholdersNameTheProgramFolderAndTheCodeInAnyLetterCase) {
    ASSERT_TRUE(read("AppPath\\Lists\\National\\Code\\PercDef.lst\r\n"
                     "apppath/Data/Traffic/National/CODE/CityCode.trf\r\n"
                     "AppPath\\Code\\Notes.txt\r\n"))
        << error;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].source, source + "PercDef.lst");
    EXPECT_EQ(items[0].target, appDir + "Lists/National/XX/PercDef.lst");
    EXPECT_EQ(items[1].target, appDir + "Data/Traffic/National/XX/CityXX.trf")
        << "every occurrence of the placeholder is the code";
    EXPECT_EQ(items[1].source, source + "CityCode.trf") << "the source keeps the entry's own file name";
    EXPECT_EQ(items[2].target, appDir + "XX/Notes.txt") << "also where the placeholder comes first";
}

TEST_F(Package, TheCodeIsNotPutIntoTheProgramFolderItself) {
    appDir = dir.path().string() + "/mycode/";
    ASSERT_TRUE(read("AppPath\\Lists\\National\\Code\\Pollutants.lst")) << error;
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].target, appDir + "Lists/National/XX/Pollutants.lst");
}

TEST_F(Package, AnEntryWithoutAFolderIsItsOwnSourceAndLiesInTheProgramFolder) {
    ASSERT_TRUE(read("\"Read me, first.txt\",Notes.txt")) << error;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].source, source + "Read me, first.txt") << "a quoted entry may hold a comma";
    EXPECT_EQ(items[0].target, appDir + "Read me, first.txt");
    EXPECT_EQ(items[1].target, appDir + "Notes.txt");
}

TEST_F(Package, AMissingFileListIsReportedAsMissing) {
    EXPECT_FALSE(readPackageList(source, appDir, "XX", &items, &missing, &error));
    EXPECT_TRUE(missing);
}

// A Files.lst that is a folder or a pipe is refused, naming it and what it
// is, never taken for an empty list (a country added without its files).
class UnreadableFileLists : public Package, public ::testing::WithParamInterface<const char *> {};

TEST_P(UnreadableFileLists, AreRefusedNamingTheFile) {
    const fs::path list = dir.path() / "pkg/Files.lst";
    fs::create_directories(list.parent_path());
    const std::string kind = GetParam();
    if (kind == "a folder") {
        fs::create_directory(list);
    } else {
        ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);
    }
    EXPECT_FALSE(readPackageList(source, appDir, "XX", &items, &missing, &error));
    EXPECT_FALSE(missing);
    EXPECT_NE(error.find(list.string() + " is not a regular file but " + kind), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnreadableFileLists, ::testing::Values("a folder", "a pipe"),
                         [](const auto &info) { return testNameOf(info.param); });

class PackageTargetsOutside : public Package, public ::testing::WithParamInterface<const char *> {};

TEST_P(PackageTargetsOutside, AreRefusedNamingTheEntry) {
    const std::string entry = GetParam();
    EXPECT_FALSE(read("AppPath\\Lists\\National\\Code\\PercDef.lst\r\n\"" + entry + "\"\r\n"));
    EXPECT_FALSE(missing);
    EXPECT_TRUE(items.empty()) << "nothing of a refused list is used";
    EXPECT_NE(error.find(entry), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Entries, PackageTargetsOutside,
                         ::testing::Values("AppPath\\..\\outside.txt", "AppPath\\Lists\\..\\..\\x.lst",
                                           "/etc/passwd", "AppPath\\/etc/passwd", "C:\\Windows\\x.dll",
                                           "AppPath\\Lists\\..", "AppPath\\", "AppPath\\Lists\\",
                                           "C:", "AppPath\\Lists\\."),
                         [](const auto &info) { return "Entry" + std::to_string(info.index); });

TEST(FileTransaction, RollbackRemovesWhatItMadeAndPutsOverwrittenFilesBack) {
    TempDir dir;
    const auto root = dir.path();
    dir.write("src/a.txt", "new a");
    dir.write("keep/old.txt", "old bytes");
    {
        FileTransaction t;
        std::string error;
        EXPECT_EQ(t.createFolder(root / "made/deeper", &error), FileTransaction::FolderResult::Created);
        EXPECT_EQ(t.createFolder(root / "keep", &error), FileTransaction::FolderResult::Existed);
        ASSERT_TRUE(t.copyFile(root / "src/a.txt", root / "keep/old.txt", &error)) << error;
        ASSERT_TRUE(t.writeFile(root / "other/new.txt", "x", &error)) << error;
        ASSERT_TRUE(t.writeFile(root / "other/new.txt", "y", &error)) << "a file it made is simply replaced";
        EXPECT_EQ(readFile(root / "keep/old.txt"), "old bytes")
            << "the files go in place together at the commit";
        t.rollback();
    }
    EXPECT_EQ(readFile(root / "keep/old.txt"), "old bytes");
    EXPECT_FALSE(fs::exists(root / "made"));
    EXPECT_FALSE(fs::exists(root / "other"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "keep"), fs::directory_iterator()), 1)
        << "no kept copy is left behind";
}

TEST(FileTransaction, CommitKeepsTheNewFilesAndDropsTheOldCopies) {
    TempDir dir;
    const auto root = dir.path();
    dir.write("keep/old.txt", "old");
    {
        FileTransaction t;
        std::string error;
        ASSERT_TRUE(t.writeFile(root / "keep/old.txt", "new", &error)) << error;
        ASSERT_TRUE(t.commit(&error)) << error;
    }
    EXPECT_EQ(readFile(root / "keep/old.txt"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "keep"), fs::directory_iterator()), 1);
}

TEST(FileTransaction, ASourceThatCannotBeReadIsAFailureSayingWhyAndLeavesTheTargetAsItWas) {
    TempDir dir;
    const auto root = dir.path();
    dir.write("keep/old.txt", "old");
    FileTransaction t;
    std::string error;
    EXPECT_FALSE(t.copyFile(root / "pkg/gone.lst", root / "keep/old.txt", &error));
    EXPECT_NE(error.find((root / "pkg/gone.lst").string()), std::string::npos) << error;
    EXPECT_TRUE(error.ends_with(std::strerror(ENOENT))) << error;
    ASSERT_TRUE(t.commit(&error)) << error;
    EXPECT_EQ(readFile(root / "keep/old.txt"), "old") << "not emptied";
}

TEST(FileTransaction, AnUnfinishedTransactionUndoesItselfAndAFolderInTheWayIsAFailure) {
    TempDir dir;
    const auto root = dir.path();
    fs::create_directories(root / "target.txt");
    {
        FileTransaction t;
        std::string error;
        ASSERT_TRUE(t.writeFile(root / "a/b.txt", "x", &error));
        EXPECT_FALSE(t.writeFile(root / "target.txt", "x", &error));
        EXPECT_NE(error.find("target.txt"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(root / "a"));
    EXPECT_TRUE(fs::is_directory(root / "target.txt"));
}

namespace {

// How the second of three files of an adding fails at the commit, after
// every file was gathered.
enum class Failing { Rename, WritingOut, FolderInItsPlace, WritingItsBytes };

struct CommitCase {
    const char *name;
    Failing how;
    const char *reason; // the end of the message
};

void PrintTo(const CommitCase &c, std::ostream *os) {
    *os << c.name;
}

class FileTransactionCommits : public ::testing::TestWithParam<CommitCase> {};

} // namespace

// The files of an adding go in place all or none: the file before the one
// that fails gets its old contents back, the file after it is not made, and
// nothing is left beside them.
TEST_P(FileTransactionCommits, PutNothingInPlaceWhenOneFileFails) {
    const CommitCase &c = GetParam();
    TempDir dir;
    const fs::path lists = dir.path() / "Lists";
    dir.write("Lists/First.lst", "old first\r\n");
    dir.write("Lists/Second.lst", "old second\r\n");
    FileTransaction files;
    std::string error;
    for (const char *name : {"First.lst", "Second.lst", "Third.lst"}) {
        ASSERT_TRUE(files.writeFile(lists / name, std::string("new ") + name, &error)) << error;
    }
    const auto second = [](const std::string &target) { return fs::path(target).filename() == "Second.lst"; };
    std::optional<FileSizeLimit> limit;
    switch (c.how) {
    case Failing::Rename:
        failRenamingForTesting(second);
        break;
    case Failing::WritingOut:
        failWritingOutForTesting(second);
        break;
    case Failing::FolderInItsPlace:
        fs::remove(lists / "Second.lst");
        fs::create_directory(lists / "Second.lst");
        break;
    case Failing::WritingItsBytes: // more than its stream buffer (64 KB) holds: the writing fails
        ASSERT_TRUE(files.writeFile(lists / "Second.lst", std::string(256 * 1024, 'x'), &error)) << error;
        limit.emplace(16 * 1024);
        ASSERT_TRUE(limit->set());
        break;
    }
    const bool committed = files.commit(&error);
    limit.reset();
    failRenamingForTesting(nullptr);
    failWritingOutForTesting(nullptr);

    EXPECT_FALSE(committed);
    const std::string named = "the file " + (lists / "Second.lst").string() + ": ";
    EXPECT_NE(error.find(named), std::string::npos) << error;
    EXPECT_TRUE(error.ends_with(c.reason)) << error;
    EXPECT_EQ(readFile(lists / "First.lst"), "old first\r\n");
    EXPECT_FALSE(fs::exists(lists / "Third.lst"));
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(lists)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"First.lst", "Second.lst"})) << "nothing is left beside them";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileTransactionCommits,
    ::testing::Values(CommitCase{"a rename that fails", Failing::Rename, "Input/output error"},
                      CommitCase{"a full disk", Failing::WritingOut, "the disk may be full."},
                      CommitCase{"a folder put in its place", Failing::FolderInItsPlace, "Is a directory"},
                      CommitCase{"a file too large to write", Failing::WritingItsBytes, "File too large."}),
    [](const ::testing::TestParamInfo<CommitCase> &info) { return testNameOf(info.param.name); });
