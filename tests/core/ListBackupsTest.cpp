// The backups of a list file: the .bak of the first save is made once and
// never overwritten, the .ls0 holds the list before the latest save, and a
// restore copies the .bak back.

#include "core/ListBackups.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct ListsFolder {
    TempDir dir;
    std::string path() const { return dir.path().string() + "/"; }
    std::string read(const std::string &name) const { return readFile(dir.path() / name); }
    bool exists(const std::string &name) const { return fs::exists(dir.path() / name); }
};

// One save as the editors make it: the first-save backup, then the new list.
bool save(const ListsFolder &f, const ListFileNames &names, const std::string &text, std::string *error) {
    return makeFirstSaveBackup(f.path(), names, error) && writeListFile(f.path(), names, text, error);
}

} // namespace

TEST(ListBackups, NamesFollowTheListAndTheFormatFileHasItsOwn) {
    const ListFileNames p = listFileNames("Pollutants.lst");
    EXPECT_EQ(p.backup, "Pollutants.bak");
    EXPECT_EQ(p.previous, "Pollutants.ls0");
    const ListFileNames f = listFileNames("MetBack.fmt");
    EXPECT_EQ(f.backup, "MetBackFormat.bak");
    EXPECT_EQ(f.previous, "MetBack.fm0");
}

TEST(ListBackups, TheFirstSaveKeepsTheInstalledListAndLaterSavesOnlyMoveThePreviousOne) {
    ListsFolder f;
    f.dir.write("PercDef.lst", "installed");
    const ListFileNames names = listFileNames("PercDef.lst");
    std::string error;

    ASSERT_TRUE(save(f, names, "first", &error)) << error;
    EXPECT_EQ(f.read("PercDef.bak"), "installed");
    EXPECT_EQ(f.read("PercDef.ls0"), "installed");
    EXPECT_EQ(f.read("PercDef.lst"), "first");

    ASSERT_TRUE(save(f, names, "second", &error)) << error;
    EXPECT_EQ(f.read("PercDef.bak"), "installed");
    EXPECT_EQ(f.read("PercDef.ls0"), "first");
    EXPECT_EQ(f.read("PercDef.lst"), "second");

    // Restore goes back to the .bak, not to the .ls0, and makes no .ls0.
    EXPECT_EQ(restoreFirstSaveBackup(f.path(), names, &error), RestoreResult::Restored);
    EXPECT_EQ(f.read("PercDef.lst"), "installed");
    EXPECT_EQ(f.read("PercDef.ls0"), "first");

    // After a failed load the previous version can be put back.
    ASSERT_TRUE(save(f, names, "third", &error));
    ASSERT_TRUE(restorePreviousVersion(f.path(), names, &error)) << error;
    EXPECT_EQ(f.read("PercDef.lst"), "installed");
}

TEST(ListBackups, ABackupMadeBeforeACancelledSaveStaysAndIsNeverOverwritten) {
    ListsFolder f;
    f.dir.write("Scenarios.lst", "installed");
    const ListFileNames names = listFileNames("Scenarios.lst");
    std::string error;
    ASSERT_TRUE(makeFirstSaveBackup(f.path(), names, &error)); // the user then cancels
    EXPECT_FALSE(f.exists("Scenarios.ls0"));
    f.dir.write("Scenarios.lst", "changed by hand");
    ASSERT_TRUE(makeFirstSaveBackup(f.path(), names, &error));
    EXPECT_EQ(f.read("Scenarios.bak"), "installed");
}

TEST(ListBackups, WithoutABackupRestoreChangesNothing) {
    ListsFolder f;
    f.dir.write("StrTrf.lst", "list");
    std::string error;
    EXPECT_EQ(restoreFirstSaveBackup(f.path(), listFileNames("StrTrf.lst"), &error), RestoreResult::NoBackup);
    EXPECT_EQ(f.read("StrTrf.lst"), "list");
    EXPECT_FALSE(restorePreviousVersion(f.path(), listFileNames("StrTrf.lst"), &error));
}

TEST(ListBackups, AMissingListAtTheFirstSaveFailsBeforeAnythingIsWritten) {
    ListsFolder f;
    const ListFileNames names = listFileNames("UrbEmi.lst");
    std::string error;
    EXPECT_FALSE(save(f, names, "new", &error));
    EXPECT_NE(error.find("UrbEmi.lst"), std::string::npos) << error;
    EXPECT_FALSE(f.exists("UrbEmi.lst"));
    EXPECT_FALSE(f.exists("UrbEmi.bak"));
}

TEST(ListBackups, AListThatCannotBeReplacedStaysWhole) {
    ListsFolder f;
    f.dir.write("LimValDef.lst", "whole");
    fs::create_directory(f.dir.path() / "LimValDef.ls0"); // a folder where the copy should go
    std::string error;
    EXPECT_FALSE(writeListFile(f.path(), listFileNames("LimValDef.lst"), "new", &error));
    EXPECT_EQ(f.read("LimValDef.lst"), "whole");
}

TEST(ListBackups, CopiesAreByteForByte) {
    ListsFolder f;
    const std::string bytes = std::string("\xB5g/m\xB3\r\n\0tail", 12); // Windows-1252, a NUL
    f.dir.write("Pollutants.lst", bytes);
    std::string error;
    ASSERT_TRUE(makeFirstSaveBackup(f.path(), listFileNames("Pollutants.lst"), &error)) << error;
    EXPECT_EQ(f.read("Pollutants.bak"), bytes);
}
