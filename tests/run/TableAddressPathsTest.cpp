// Where the run looks for the files a project names: of a table address
// ("file;table") only the file part decides whether the name lies in the
// project's folder, and the table name keeps every character, "\" and "/"
// among them (Access allows them in a table name).

#include "run/RunFixture.h"

#include "platform/tables/Tables.h"
#include "run/RunFiles.h"

#include <algorithm>

using namespace vesk;
using namespace vesk::test;

namespace {

struct StoredName {
    const char *stored;
    bool input;           // an hourly input file (".\" names the meteorology folder)
    const char *expected; // "work/..." and "metback/..." lie in the temporary folder
};

void PrintTo(const StoredName &n, std::ostream *os) {
    *os << n.stored;
}

const StoredName kNames[] = {
    {"Db.mdb;a\\b", false, "work/Db.mdb;a\\b"},
    {"Db.mdb;a/b", false, "work/Db.mdb;a/b"},
    {"DB.MDB;Hourly", false, "work/Db.mdb;Hourly"}, // the existing file, in its own letter case
    {"/data/Db.mdb;a\\b", false, "/data/Db.mdb;a\\b"},
    {"Out.txt", false, "work/Out.txt"},
    {"sub\\Out.txt", false, "work/sub/Out.txt"}, // a folder below the project's folder
    {"SUB\\New.txt", false, "work/sub/New.txt"}, // a new file in the folder, its letter case as it is
    {".\\Out.txt", false, "work/Out.txt"},       // an output has no national folder
    {"sub\\Db.mdb;a\\b", false, "work/sub/Db.mdb;a\\b"},
    {"met\\Met.txt", true, "work/met/Met.txt"},
    {"Met.xls;Met\\2023$", true, "work/Met.xls;Met\\2023$"},
    {".\\Met.mdb;a\\b", true, "metback/Met.mdb;a\\b"},
    {"Met.txt", true, "work/Met.txt"},
};

class RunFilePaths : public testing::TestWithParam<StoredName> {};

TEST_P(RunFilePaths, OnlyTheFilePartOfATableAddressIsAPath) {
    TempDir dir;
    fs::create_directories(dir.path() / "work" / "sub");
    fs::create_directories(dir.path() / "metback");
    dir.write("work/Db.mdb", "");
    State s;
    s.WorkDir = (dir.path() / "work").string() + "/";
    s.MetBackDir = (dir.path() / "metback").string() + "/";
    const StoredName &n = GetParam();
    const std::string e = n.expected;
    const std::string expected =
        e.rfind("work/", 0) == 0 || e.rfind("metback/", 0) == 0 ? (dir.path() / e).string() : e;
    EXPECT_EQ(n.input ? run::inputFilePath(s, n.stored) : run::workFilePath(s, n.stored), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, RunFilePaths, testing::ValuesIn(kNames),
                         [](const auto &info) { return "n" + std::to_string(info.index); });

class TableNamesWithABackslash : public RunFixture, public testing::WithParamInterface<const char *> {};

// The run writes the table into the project's file, under its own name; an
// Excel sheet name cannot hold a backslash, so there the writer's message
// names both. Never a file elsewhere.
TEST_P(TableNamesWithABackslash, NameATableOfTheProjectsFileNeverAFileElsewhere) {
    const std::string file = std::string("Out.") + GetParam();
    std::string hours;
    for (int h = 1; h <= 24; ++h) {
        hours += "2023,3,6," + std::to_string(h) + ",3,200,10,0,1000,100,50,40,120,30\r\n";
    }
    writeWork("Hours.txt", hours);
    loadProject("Test.vkp",
                projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,"
                                                    "globalrad,nlight,nheavy,speed_light,speed_heavy,"
                                                    "qNOx,cNOx_b"),
                             outputFile(file + ";a\\b", "day,hour,cNOx_mod_1")}));
    TempDir elsewhere;
    RunReport report;
    {
        CurrentFolder started(elsewhere.path());
        report = run();
    }
    EXPECT_TRUE(fs::is_empty(elsewhere.path())) << "nothing is written where the program was started";
    if (std::string(GetParam()) != "xls") {
        ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
        TableData t;
        std::string error;
        ASSERT_TRUE(readTable(work(file).string(), "a\\b", &t, &error)) << error;
        EXPECT_EQ(t.rows.size(), 24u);
        std::vector<TableInfo> tables;
        ASSERT_TRUE(listTables(work(file).string(), &tables, &error)) << error;
        EXPECT_TRUE(std::none_of(tables.begin(), tables.end(), [](const TableInfo &i) {
            return i.name.find('/') != std::string::npos;
        })) << "no table a/b";
    } else {
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.hours, 0);
        EXPECT_NE(said().find(work(file).string()), std::string::npos) << said();
        EXPECT_NE(said().find("a\\b"), std::string::npos) << said();
        EXPECT_FALSE(fs::exists(work(file)));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, TableNamesWithABackslash, testing::Values("mdb", "xls", "wk1", "wk3"));

} // namespace
