// Format files (the lists of a data file kept outside the project), the
// demo country's standard file lists and layout, the lists the format dialog
// offers from the project, and safe saving.

#include "project/FormatFiles.h"
#include "core/Interaction.h"
#include "core/TextIO.h"
#include "project/DataFileHeader.h"
#include "project/FileLists.h"
#include "project/ProjectState.h"
#include "project/SafeSave.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace vesk;
using test::TempDir;
namespace fs = std::filesystem;

namespace {

const FileFormatLists kStatLists{"\"Series\", Average_1", "-14, *", "*", "NO2_mod, \"a, b\""};

std::vector<std::string> readLines(const std::string &path) {
    std::vector<std::string> lines;
    std::string error;
    EXPECT_TRUE(readFormatFile(path, &lines, &error)) << error;
    return lines;
}

} // namespace

TEST(FormatFiles, HourlyFilesGetThreeLinesAndStatisticsFilesFourEachEndedByCrLf) {
    TempDir dir;
    const std::string hourly = (dir.path() / "hourly.fmt").string();
    const std::string stat = (dir.path() / "stat.fmt").string();
    ASSERT_TRUE(writeFormatFile(hourly, kStatLists, false).ok());
    ASSERT_TRUE(writeFormatFile(stat, kStatLists, true).ok());
    EXPECT_EQ(test::readFile(hourly), "\"Series\", Average_1\r\n-14, *\r\n*\r\n");
    EXPECT_EQ(test::readFile(stat), "\"Series\", Average_1\r\n-14, *\r\n*\r\nNO2_mod, \"a, b\"\r\n");
}

TEST(FormatFiles, AQuotedNameWithACommaAndEmptyListsComeBackInTheirPlaces) {
    TempDir dir;
    const std::string path = (dir.path() / "x.fmt").string();
    const FileFormatLists lists{"year, \"a, b\", hour", "", "*", "rows"};
    ASSERT_TRUE(writeFormatFile(path, lists, true).ok());
    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 4u);
    const FileFormatLists back = applyFormatFileLines({}, lines, 4);
    EXPECT_EQ(back.varList, lists.varList);
    EXPECT_EQ(back.formatList, "");
    EXPECT_EQ(back.scalingList, "*");
    EXPECT_EQ(back.rowList, "rows");
}

TEST(FormatFiles, LoadingFillsOnlyTheBoxesItHasLinesForAndRowsOnlyForStatisticsFiles) {
    const FileFormatLists before{"v", "f", "s", "r"};
    const auto four = std::vector<std::string>{"V", "F", "S", "R"};
    const FileFormatLists output = applyFormatFileLines(before, four, 2);
    EXPECT_EQ(output.varList, "V");
    EXPECT_EQ(output.scalingList, "S");
    EXPECT_EQ(output.rowList, "r") << "a fourth line is ignored for an hourly output file";
    EXPECT_EQ(applyFormatFileLines(before, {"V", "F", "S"}, 4).rowList, "r");
    const FileFormatLists one = applyFormatFileLines(before, {"V"}, 1);
    EXPECT_EQ(one.varList, "V");
    EXPECT_EQ(one.formatList, "f");
    EXPECT_EQ(one.scalingList, "s");
}

TEST(FormatFiles, ReadingTakesWholeLinesAtMostFourAndAnEmptyFileHasNone) {
    TempDir dir;
    const auto path = dir.write("a.fmt", "a, b ;c\n2\n3\n4\n5\n").string();
    const auto lines = readLines(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "a, b ;c");
    EXPECT_TRUE(readLines(dir.write("empty.fmt", "").string()).empty());
    std::vector<std::string> none;
    std::string error;
    EXPECT_FALSE(readFormatFile((dir.path() / "missing.fmt").string(), &none, &error));
    EXPECT_NE(error.find("missing.fmt"), std::string::npos);
}

TEST(FormatFiles, MetBackFormatNeedsItsThreeLines) {
    TempDir dir;
    dir.write("MetBack.fmt", "year, hour\r\n*\r\n");
    FileFormatLists lists;
    std::string error;
    EXPECT_FALSE(readMetBackFormat(dir.path().string() + "/", &lists, &error));
    EXPECT_NE(error.find("three lines"), std::string::npos);
}

// ---- Saving ------------------------------------------------------------------------------------

TEST(SafeSave, AMissingFolderAndAFolderInThePlaceOfTheFileAreToldApartAndNothingIsWritten) {
    TempDir dir;
    const FileSaveResult noFolder = saveFileChecked((dir.path() / "nope" / "x.fmt").string(), "x");
    EXPECT_EQ(noFolder.failure, SaveFailure::NoFolder);
    fs::create_directory(dir.path() / "taken");
    const FileSaveResult folder = saveFileChecked((dir.path() / "taken").string(), "x");
    EXPECT_EQ(folder.failure, SaveFailure::Other);
    EXPECT_NE(folder.message.find("taken"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir.path() / "taken"));
}

// Whoever saves it, the superuser among them.
TEST(SafeSave, AReadOnlyFileIsRefusedAndKeptWhole) {
    TempDir dir;
    const auto path = dir.write("old.fmt", "old\r\n");
    fs::permissions(path, fs::perms::owner_read);
    const FileSaveResult r = saveFileChecked(path.string(), "new");
    EXPECT_EQ(r.failure, SaveFailure::PermissionDenied);
    EXPECT_EQ(test::readFile(path), "old\r\n");
}

TEST(SafeSave, ReplacingAFileKeepsItsPermissions) {
    TempDir dir;
    const auto path = dir.write("script.txt", "old");
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read);
    ASSERT_TRUE(saveFileChecked(path.string(), "new").ok());
    EXPECT_EQ(test::readFile(path), "new");
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_all | fs::perms::group_read);
}

// ---- The demo country's standard files ------------------------------------------------------

TEST(DemoStandardFiles, EveryListedMeteorologyFileExistsAndHasTheColumnsOfTheCommonLayout) {
    const std::string lists = (test::dataDir() / "Lists/National/DL").string() + "/";
    const std::string metBack = (test::dataDir() / "Data/MetBack/National/DL").string() + "/";
    std::vector<StandardFile> files;
    std::string error;
    ASSERT_TRUE(readStandardFileList(lists + "MetBack.lst", &files, &error)) << error;
    ASSERT_FALSE(files.empty());
    FileFormatLists layout;
    ASSERT_TRUE(readMetBackFormat(lists, &layout, &error)) << error;
    for (const StandardFile &f : files) {
        EXPECT_FALSE(f.name.empty());
        EXPECT_FALSE(f.helpText.empty());
        const std::string path = dataFilePath(f.fileName, "/nowhere/", metBack);
        ASSERT_TRUE(fs::exists(path)) << path;
        const FileHeader header = readDataFileHeader(path, ".");
        ASSERT_TRUE(header.ok()) << header.detail;
        std::string names;
        for (const std::string &n : header.names) {
            names += (names.empty() ? "" : ", ") + n;
        }
        EXPECT_EQ(names, layout.varList) << "the layout lists the file's own columns in order";
    }
}

TEST(DemoStandardFiles, EveryStandardTrafficFileLiesInTheNationalTrafficFolder) {
    std::vector<StandardFile> files;
    std::string error;
    ASSERT_TRUE(
        readStandardFileList((test::dataDir() / "Lists/National/DL/StrTrf.lst").string(), &files, &error))
        << error;
    ASSERT_FALSE(files.empty());
    for (const StandardFile &f : files) {
        EXPECT_TRUE(fs::exists(test::dataDir() / "Data/Traffic/National/DL" / f.fileName)) << f.fileName;
    }
}

TEST(StandardFileLists, AHeaderOnlyListHasNoFileAndAnIncompleteRecordIsAnError) {
    TempDir dir;
    std::vector<StandardFile> files{{"x", "y", "z"}};
    std::string error;
    ASSERT_TRUE(
        readStandardFileList(dir.write("a.lst", "Name, FileName, HelpText\r\n").string(), &files, &error));
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(
        readStandardFileList(dir.write("b.lst", "Name\r\n\"One\",\"one.txt\"\r\n").string(), &files, &error));
    EXPECT_NE(error.find("b.lst"), std::string::npos);
}

// ---- The lists "Load from Project" offers ---------------------------------------------------

TEST(FormatDialogProjectLists, HourlyFilesSeeInputThenOutputListsAndStatisticsFilesColumnsThenRows) {
    ProjectState s;
    s.NumInputFiles = 2;
    s.InputVarLists[1] = "year, hour";
    s.InputVarLists[2] = "";
    s.NumOutputFiles = 1;
    s.OutputVarLists[1] = "cNO2_mod_1";
    s.NumStatFiles = 2;
    s.StatVarLists[1] = "\"Series\", Average_1";
    s.StatRowLists[1] = "NO2_mod";
    s.StatVarLists[2] = "\"Series\", Average_1";
    s.StatRowLists[2] = "";
    EXPECT_EQ(formatDialogProjectLists(s, 1), (std::vector<std::string>{"year, hour", "cNO2_mod_1"}));
    EXPECT_EQ(formatDialogProjectLists(s, 2), formatDialogProjectLists(s, 1));
    EXPECT_EQ(formatDialogProjectLists(s, 4),
              (std::vector<std::string>{"\"Series\", Average_1", "NO2_mod", "\"Series\", Average_1"}));
}
