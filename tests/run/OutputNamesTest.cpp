// How a run names and compares its outputs before its first hour. Names are
// compared without regard to letter case: two outputs whose names differ in
// letter case only are one file named twice, whether or not it exists yet,
// and two tables of one workbook named in other letter case go into one file.
// The message quotes each name as stored where they differ.
// A message that names a statistics file calls it the statistics file; an
// hourly output stays the output file.

#include "run/RunFixture.h"

#include "platform/tables/Tables.h"

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

const char *const kHourVariables =
    "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,cNOx_b,cNO2_b,cO3_b";

// The names of the files (and folders) of a folder with their bytes.
std::map<std::string, std::string> filesIn(const fs::path &folder) {
    std::map<std::string, std::string> out;
    for (const auto &entry : fs::directory_iterator(folder)) {
        out[entry.path().filename().string()] = entry.is_regular_file() ? readFile(entry.path()) : "<folder>";
    }
    return out;
}

struct NamedOutputs {
    std::string name;
    bool multiStreet = false;
    std::vector<std::string> hourly;     // the hourly outputs as named
    std::vector<std::string> statistics; // the statistics files as named
    std::vector<std::string> existing;   // files and folders ("x/") made before the run
    std::string says;                    // the message ("WORK" for the working folder)
};

void PrintTo(const NamedOutputs &n, std::ostream *os) {
    *os << n.name;
}

class OutputNames : public RunFixture, public testing::WithParamInterface<NamedOutputs> {
protected:
    void loadOutputs(const NamedOutputs &n) {
        writeWork("Hours.txt", marchHours(24));
        std::vector<FileRecord> records = {inputFile("Hours.txt", kHourVariables)};
        for (const std::string &name : n.hourly) {
            records.push_back(outputFile(name, "day,hour,cNOx_mod_1", "0,*"));
        }
        for (const std::string &name : n.statistics) {
            records.push_back(n.multiStreet ? statFile(name, "\"Street\",AvNOx_mod_1", "streets", "0,0.0")
                                            : statFile(name, "\"Series\",Average_1", "NOx_mod", "0,0.0"));
        }
        if (n.multiStreet) {
            writeWork("Streets.txt",
                      "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n");
            records.push_back({"Streets.txt", "streets", {}});
            ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkm", projectText(records, "Streets")));
        } else {
            records.push_back({".\\CityStreet.trf", "traffic", {"20000", "40"}});
            ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
        }
        for (const std::string &name : n.existing) {
            if (name.back() == '/') {
                fs::create_directories(work(name));
            } else {
                writeWork(name, "old " + name + "\r\n");
            }
        }
    }
    std::string inWork(std::string text) const {
        for (std::size_t at = text.find("WORK"); at != std::string::npos; at = text.find("WORK", at)) {
            text.replace(at, 4, workDir.string());
        }
        return text;
    }
};

} // namespace

TEST_P(OutputNames, AreRefusedBeforeTheFirstHourWithTheirMessageAndNothingIsWritten) {
    const NamedOutputs &n = GetParam();
    ASSERT_NO_FATAL_FAILURE(loadOutputs(n));
    const auto before = filesIn(workDir);

    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.hours, 0) << "refused before the first hour";
    ASSERT_EQ(ui.messages.size(), 1u) << said();
    EXPECT_EQ(ui.messages[0], inWork(n.says));
    EXPECT_EQ(filesIn(workDir), before) << "nothing is written, nothing is left";
}

// Names that differ in letter case only name one file.
INSTANTIATE_TEST_SUITE_P(
    LetterCase, OutputNames,
    testing::Values(
        NamedOutputs{
            "an hourly output and a statistics file neither of which exists",
            false,
            {"Out.txt"},
            {"OUT.TXT"},
            {},
            "The file\r\nWORK/Out.txt\r\nis named twice: as entry 1 of the hourly output files (Out.txt) and "
            "as entry 1 of the statistics files (OUT.TXT). Give each file a name of its own."},
        NamedOutputs{
            "an hourly output and a statistics file that exists",
            false,
            {"Out.txt"},
            {"OUT.TXT"},
            {"Out.txt"},
            "The file\r\nWORK/Out.txt\r\nis named twice: as entry 1 of the hourly output files (Out.txt) and "
            "as entry 1 of the statistics files (OUT.TXT). Give each file a name of its own."},
        NamedOutputs{
            "two hourly outputs in a folder named in other letters",
            false,
            {"res\\Out.txt", "RES\\out.TXT"},
            {},
            {"res/"},
            "The output file\r\nWORK/res/Out.txt\r\nis named twice: as entry 1 of the hourly output "
            "files (res\\Out.txt) and as entry 2 of the hourly output files (RES\\out.TXT). Give each "
            "output file a name of its own."},
        NamedOutputs{
            "two statistics files that both exist as files of their own",
            false,
            {},
            {"Stat.txt", "STAT.TXT"},
            {"Stat.txt", "STAT.TXT"},
            "The statistics file\r\nWORK/Stat.txt\r\nis named twice: as entry 1 of the statistics files "
            "(Stat.txt) and as entry 2 of the statistics files (STAT.TXT). Give each statistics file a name "
            "of its own."},
        NamedOutputs{"the hourly output and the statistics file of a multi-street project",
                     true,
                     {"Streets.out"},
                     {"streets.OUT"},
                     {},
                     "The file\r\nWORK/Streets.out\r\nis named twice: as entry 1 of the hourly output files "
                     "(Streets.out) and as entry 1 of the statistics files (streets.OUT). Give each file a "
                     "name of its own."},
        NamedOutputs{
            "two sheets of one name in a workbook named in other letters",
            false,
            {"Book.xls;Xyz"},
            {"BOOK.XLS;xyz"},
            {},
            "The file\r\nWORK/Book.xls\r\nreceives two tables of one name, Xyz as entry 1 of the hourly "
            "output files and xyz as entry 1 of the statistics files: Xyz and xyz name one sheet. Give "
            "each output table a name of its own."}),
    [](const testing::TestParamInfo<NamedOutputs> &info) { return testNameOf(info.param.name); });

// Every message that names a statistics file calls it the statistics file.
INSTANTIATE_TEST_SUITE_P(
    StatisticsFiles, OutputNames,
    testing::Values(
        NamedOutputs{
            "a statistics file in a missing folder",
            false,
            {"Out.txt"},
            {"new\\Stat.txt"},
            {},
            "The folder\r\nWORK/new\r\nof the statistics file\r\nWORK/new/Stat.txt\r\ndoes not exist. The "
            "run creates no folder: create it, or give the statistics file another folder."},
        NamedOutputs{
            "a statistics file that is an input",
            false,
            {"Out.txt"},
            {"Hours.txt"},
            {},
            "The statistics file\r\nWORK/Hours.txt\r\nis also an hourly input file of the project:\r\n"
            "WORK/Hours.txt\r\nThe run would write over it. Give the statistics file another name."},
        NamedOutputs{
            "a statistics file that is a folder",
            false,
            {"Out.txt"},
            {"Stat"},
            {"Stat/"},
            "The statistics file\r\nWORK/Stat\r\nis not a regular file but a folder: the run's file must "
            "not replace it. Give the statistics file another name."},
        NamedOutputs{
            "a statistics file named as the option file",
            false,
            {"Out.txt"},
            {"RUN.opt"},
            {},
            "The statistics file\r\nWORK/RUN.opt\r\nwould be the option file that every project of its "
            "folder reads. Give the statistics file another name."},
        NamedOutputs{
            "a statistics file of a multi-street project that is its streets file",
            true,
            {"Out.txt"},
            {"Streets.txt"},
            {},
            "The statistics file\r\nWORK/Streets.txt\r\nis also the streets file of the project:\r\n"
            "WORK/Streets.txt\r\nThe run would write over it. Give the statistics file another name."}),
    [](const testing::TestParamInfo<NamedOutputs> &info) { return testNameOf(info.param.name); });

TEST_F(OutputNames, TwoTablesOfOneWorkbookNamedInOtherLettersGoIntoOneFile) {
    ASSERT_NO_FATAL_FAILURE(
        loadOutputs(NamedOutputs{"", false, {"Book.xls;Hourly"}, {"BOOK.XLS;Statistics"}, {}, ""}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    std::vector<std::string> books;
    for (const auto &[name, bytes] : filesIn(workDir)) {
        if (iequals(name, "Book.xls")) {
            books.push_back(name);
        }
    }
    ASSERT_EQ(books, std::vector<std::string>{"Book.xls"}) << "written once, under the first entry's name";
    std::vector<TableInfo> sheets;
    std::string error;
    ASSERT_TRUE(listTables(work("Book.xls").string(), &sheets, &error)) << error;
    std::vector<std::string> names;
    for (const TableInfo &sheet : sheets) {
        names.push_back(sheet.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Hourly$", "Statistics$"}));
}

// Two outputs that are another user's links to one file are refused for the
// links, which the run does not follow, not as one file named twice.
TEST_F(OutputNames, TwoOutputsThatAreAnotherUsersLinksToOneFileAreRefusedForTheLinks) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs links of another user: as root, the test gives them to the user nobody";
    }
    ASSERT_NO_FATAL_FAILURE(loadOutputs(NamedOutputs{"", false, {"Out.txt"}, {"Stat.txt"}, {}, ""}));
    ASSERT_EQ(::chmod(workDir.c_str(), 0777), 0);
    const fs::path mine = dir.write("mine/Secret.txt", "root's own\r\n");
    for (const char *name : {"Out.txt", "Stat.txt"}) {
        ASSERT_EQ(::symlink(mine.c_str(), work(name).c_str()), 0);
        ASSERT_EQ(::lchown(work(name).c_str(), kNobody, kNobody), 0);
    }
    const RunReport report = run();
    EXPECT_EQ(report.hours, 0);
    ASSERT_EQ(ui.messages.size(), 1u) << said();
    EXPECT_NE(ui.messages[0].find(work("Out.txt").string() + " is a symbolic link of the user nobody"),
              std::string::npos)
        << ui.messages[0];
    EXPECT_EQ(readFile(mine), "root's own\r\n");
}
