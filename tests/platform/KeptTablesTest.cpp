// Tables written aside (a run that must not replace the previous files but
// whose output is worth a look): the kept file gets a name of its own, made
// exclusively, which no later writer takes for a left-over.

#include "core/StagedFile.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

using test::readFile;
using test::TempDir;
namespace fs = std::filesystem;

const std::vector<TableColumn> kHours = {{"hour", ColumnType::Float}};

// A text table kept aside stays when the file is written next: its name is
// no temporary name that the next writer's tidying removes.
TEST(KeptTables, ATextTableKeptAsideStaysWhenItsFileIsWrittenNext) {
    TempDir dir;
    const std::string file = (dir.path() / "Out.txt").string();
    std::string error, kept;
    auto table = createTable(file, "Hourly", kHours, &error);
    ASSERT_NE(table, nullptr) << error;
    ASSERT_TRUE(table->append({1.0}, &error)) << error;
    ASSERT_TRUE(table->closeAside(&kept, &error)) << error;
    const std::string bytes = readFile(kept);
    EXPECT_NE(bytes.find("hour"), std::string::npos) << bytes;

    StagedFile next;
    ASSERT_TRUE(next.open(file, &error) && next.write("next run\r\n")) << error;
    ASSERT_TRUE(next.commit(&error)) << error;
    ASSERT_TRUE(fs::exists(kept)) << kept;
    EXPECT_EQ(readFile(kept), bytes);
}

// A workbook kept aside is named when its first table goes aside and made
// when its last is closed: a name another program takes in between (a link
// to a private file) is neither followed nor replaced, and the workbook is
// refused saying so.
TEST(KeptTables, AWorkbookKeptAsideIsNeverWrittenThroughANameTakenMeanwhile) {
    TempDir dir;
    const std::string file = (dir.path() / "Book.xls").string();
    const fs::path secret = dir.write("mine/Secret.txt", "mine\r\n");
    std::string error, kept;
    TableSession session;
    auto hourly = session.createTable(file, "Hourly", kHours, &error);
    auto stat = session.createTable(file, "Stat", kHours, &error);
    ASSERT_TRUE(hourly && stat) << error;
    ASSERT_TRUE(stat->closeAside(&kept, &error)) << error;
    ASSERT_TRUE(hourly->keptAside());
    fs::create_symlink(secret, kept);

    EXPECT_FALSE(hourly->close(&error));
    EXPECT_EQ(error, "Cannot keep the file written for " + file + " as " + kept +
                         ": another program took that name meanwhile.");
    EXPECT_EQ(readFile(secret), "mine\r\n");
    EXPECT_TRUE(fs::is_symlink(kept));
    EXPECT_FALSE(fs::exists(file));
}

} // namespace
} // namespace vesk
