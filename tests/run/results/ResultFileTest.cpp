// Result files: writing, reading (also files of older installations) and the
// display of a stored page.

#include "run/results/ResultFile.h"

#include "run/results/ResultsKeyInfo.h"

#include "core/TextIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vesk;
using namespace vesk::results;
using vesk::test::TempDir;

namespace {

ResultFileContents sampleContents() {
    ResultFileContents c;
    c.keyInfo = {"Street: Main \"A\" Road   Calculated on: 2024-03-05 14:07:09",
                 "Average Daily Traffic: 1200 (Calculated) ; User provided", "Emission Scenario Year: 2020",
                 "Period Covered (User provided Meteorological Data): 01. January 2023 00:00  -  ",
                 "Urban Background:  User provided"};
    c.comments = "First line with \"quotes\"\r\n[%]End of the test\r\n[%]End\r\n";
    c.pageNames = {"Max; All Receptors", "Receptor 1; z = 2 m", "Receptor 2; z = 2 m"};
    for (int p = 0; p < 3; ++p) {
        c.pages.push_back({{"Page " + std::to_string(p), "Hourly values", "Hourly values"},
                           {"Component", "Average", "19th highest"},
                           {"Nitrogen dioxide (µg/m³)", "", ""},
                           {"       Street Modelled", "18.46", "--"},
                           {"EU limit value", "40", "200"}});
    }
    return c;
}

// The lines of a file written by an older installation, as bytes.
std::string legacyFile(const std::string &unitText) {
    return "\"Street: Old Road      Calculated on: 05.03.2004 14:07:09\"\r\n"
           "\"Average Daily Traffic: 1200 (Calculated) ; User provided\"\r\n"
           "\"Emission Scenario Year: 2004\"\r\n"
           "\"Period Covered (User provided Meteorological Data): 01. January 2003 01:00  -  \"\r\n"
           "\"Urban Background:  User provided\"\r\n"
           "\r\n"
           "\"Max/All Receptors\"\r\n"
           "\"Receptor 1/z = 2 m\"\r\n"
           "\"Receptor 2/z = 2 m\"\r\n"
           "Page 0;Hourly values;Hourly values\r\n"
           "Component;Average;Data capture\r\n"
           "Nitrogen dioxide (" +
           unitText +
           ");;\r\n"
           "       Street Modelled;18,46;99,9\r\n"
           "Page 1;Hourly values;Hourly values\r\n"
           "Component;Average;Data capture\r\n"
           "Page 2;Hourly values;Hourly values\r\n"
           "Component;Average;Data capture\r\n";
}

} // namespace

TEST(ResultFile, writtenContentsAreReadBackUnchanged) {
    TempDir dir;
    const std::string path = (dir.path() / "run.res").string();
    std::string error;
    ASSERT_TRUE(writeResultFile(path, sampleContents(), &error)) << error;
    ResultFileContents back;
    ASSERT_TRUE(readResultFile(path, &back, &error)) << error;
    const ResultFileContents original = sampleContents();
    EXPECT_EQ(back.keyInfo, original.keyInfo);
    EXPECT_EQ(back.comments, original.comments);
    EXPECT_EQ(back.pageNames, original.pageNames);
    EXPECT_EQ(back.pages, original.pages);
}

TEST(ResultFile, quotesAreDoubledAndACommentLikeTheEndMarkerIsEscaped) {
    const std::string text = resultFileText(sampleContents());
    EXPECT_NE(text.find("\"Street: Main \"\"A\"\" Road"), std::string::npos);
    EXPECT_NE(text.find("\"[%][%]End of the test\"\r\n\"[%][%]End\"\r\n\"[%]End\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Max/All Receptors\""), std::string::npos);
    EXPECT_NE(text.find("Page 1;Hourly values;Hourly values\r\nComponent;Average;19th highest\r\n"),
              std::string::npos);
}

TEST(ResultFile, commentsOfBlanksOnlyAreSavedAsOneEmptyLineAndReadBackAsNone) {
    ResultFileContents c = sampleContents();
    c.comments = "   \r\n  ";
    const std::string text = resultFileText(c);
    EXPECT_NE(text.find("provided\"\r\n\r\n\"Max/All"), std::string::npos);
    ResultFileContents back;
    ASSERT_TRUE(parseResultFile(text, &back, nullptr));
    EXPECT_EQ(back.comments, "");
    EXPECT_EQ(back.pageNames.size(), 3u);
}

TEST(ResultFile, aSemicolonInsideACellIsWrittenAsACommaSoTheColumnsStayInPlace) {
    ResultFileContents c = sampleContents();
    c.pages[0][4][0] = "EU limit; annual";
    ResultFileContents back;
    ASSERT_TRUE(parseResultFile(resultFileText(c), &back, nullptr));
    EXPECT_EQ(back.pages[0][4], (std::vector<std::string>{"EU limit, annual", "40", "200"}));
}

TEST(ResultFile, aWindows1252FileOfAnOlderInstallationIsReadWithItsUnitSigns) {
    ResultFileContents c;
    std::string error;
    ASSERT_TRUE(parseResultFile(toUtf8(legacyFile("\xB5g/m\xB3")), &c, &error)) << error;
    EXPECT_EQ(c.pages[0][2][0], "Nitrogen dioxide (µg/m³)");
    EXPECT_EQ(c.pageNames[0], "Max; All Receptors");
    const ResultsPage page = storedResultsPage(c.pages[0], "0.0", {"Data capture"});
    EXPECT_EQ(page.rows[2].kind, RowKind::Component) << "recognised by its unit text";
    EXPECT_EQ(page.cell(3, 1).text, "18.5") << "a decimal comma is read";
    EXPECT_TRUE(page.cell(3, 2).italic);
}

TEST(ResultFile, aLegacyQuoteInsideALineKeepsTheWholeLine) {
    ResultFileContents c;
    std::string text = legacyFile("µg/m³");
    text.replace(text.find("Old Road"), 8, "Old \"Mill\" Road");
    ASSERT_TRUE(parseResultFile(text, &c, nullptr));
    EXPECT_EQ(c.keyInfo[0].rfind("Street: Old \"Mill\" Road", 0), 0u);
}

TEST(ResultFile, onlyAFirstCellReadingPageStartsAPage) {
    ResultFileContents c = sampleContents();
    for (PageTexts &page : c.pages) {
        page[4][0] = "Limit for page 3 of the directive";
        page[3][1] = "Page 7";
    }
    c.pages[1][4][0] = "Zone 2";
    ResultFileContents back;
    std::string error;
    ASSERT_TRUE(parseResultFile(resultFileText(c), &back, &error)) << error;
    ASSERT_EQ(back.pages.size(), 3u);
    EXPECT_EQ(back.pages[2].size(), 5u);
}

// The sample's file with its first occurrence of from replaced by to.
std::string sampleWith(const std::string &from, const std::string &to) {
    std::string text = resultFileText(sampleContents());
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The sample's file with page 0 moved after the last page.
std::string sampleWithPageZeroLast() {
    const std::string text = resultFileText(sampleContents());
    const std::size_t first = text.find("Page 0;"), second = text.find("Page 1;");
    return text.substr(0, first) + text.substr(second) + text.substr(first, second - first);
}

// The sample's file cut inside its last cell, "200" of the limit row.
std::string sampleCutShort() {
    const std::string text = resultFileText(sampleContents());
    return text.substr(0, text.size() - 3);
}

// A file of one page whose every row has columns cells.
std::string oneWidePage(std::size_t columns) {
    ResultFileContents c = sampleContents();
    c.pageNames.resize(1);
    c.pages.resize(1);
    for (std::vector<std::string> &row : c.pages[0]) {
        row.resize(columns, "");
    }
    return resultFileText(c);
}

// Key information as a run writes it, without comments.
const std::string kKeyInfo =
    "\"Street: A   Calculated on: 2024-03-05\"\r\n\"Average Daily Traffic: 2\"\r\n"
    "\"Emission Scenario Year: 3\"\r\n\"Period Covered: 4\"\r\n\"Urban Background: 5\"\r\n";
// Key information, no comments and one page name, as a file would begin.
const std::string kHead = kKeyInfo;

// One page of two pollutants, each with its heading, series and limit rows;
// rows names the lines after the column names.
std::string twoPollutants(const std::vector<std::string> &rows) {
    std::string text = kHead + "\r\n\"Max/All\"\r\nPage 0;a;a\r\nComponent;Average;Maximum\r\n";
    for (const std::string &row : rows) {
        text += row + "\r\n";
    }
    return text;
}

const std::string kNo2 = "Nitrogen dioxide (µg/m³);;", kPm10 = "PM10 (µg/m³);;";
const std::string kModelled = "       Street Modelled;18.5;55.9", kBackground = "       Background;9.1;30.2";
const std::string kLimit = "EU limit value;40;200";

struct BrokenFileCase {
    std::string name;
    std::string text;
    std::string reason; // a part of the message that says what is wrong
};

void PrintTo(const BrokenFileCase &c, std::ostream *os) {
    *os << c.name;
}

class BrokenResultFile : public ::testing::TestWithParam<BrokenFileCase> {};

TEST_P(BrokenResultFile, isRefusedWithAReason) {
    ResultFileContents c;
    c.keyInfo = {"kept"};
    std::string error;
    EXPECT_FALSE(parseResultFile(GetParam().text, &c, &error));
    EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    EXPECT_EQ(c.keyInfo, std::vector<std::string>{"kept"}) << "a refused file changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenResultFile,
    ::testing::Values(
        BrokenFileCase{"FewerThanFiveLines", "\"a\"\r\n\"b\"\r\n", "fewer than five lines"},
        BrokenFileCase{"CommentsWithoutEnd", kHead + "\"[%]Comments\"\r\n\"x\"\r\n",
                       "comments of the file have no end"},
        BrokenFileCase{"NoTable", kHead + "\r\n\"Max/All\"\r\n", "no results table"},
        BrokenFileCase{"RowBeforeTheFirstPage", kHead + "\r\n\"Max/All\"\r\nComponent;Average\r\n",
                       "before the first page"},
        BrokenFileCase{"MorePagesThanNames",
                       kHead + "\r\n\"Max/All\"\r\nPage 0;a\r\nComponent;b\r\nPage 1;a\r\nComponent;b\r\n",
                       "2 results tables for 1 page names"},
        // The caption would name the street by the traffic line.
        BrokenFileCase{
            "FirstKeyLineDeleted",
            sampleWith("\"Street: Main \"\"A\"\" Road   Calculated on: 2024-03-05 14:07:09\"\r\n", ""),
            "\"Average Daily Traffic: 1200 (Calculated)...\", does not begin with \"Street:\""},
        // A file of another kind: its bytes are quoted visible.
        BrokenFileCase{"FirstLineOfAnotherKindOfFile",
                       std::string("\x7F"
                                   "ELF\x02\x01\0\0\x1B[0m\r\n\"2\"\r\n\"3\"\r\n\"4\"\r\n\"5\"\r\n",
                                   34),
                       "\"^?ELF^B^A^@^@^[[0m\", does not begin with \"Street:\""},
        BrokenFileCase{"CellDeleted", sampleWith("Modelled;18.46;--", "Modelled;--"),
                       "Line 17 holds 2 cells where the column names of its page are 3"},
        BrokenFileCase{"CellAdded", sampleWith("limit value;40;200", "limit value;40;200;7"),
                       "Line 18 holds 4 cells"},
        // Not the headings of page 0: taken as a row of page 0.
        BrokenFileCase{"PageLineCutShort",
                       sampleWith("Page 1;Hourly values;Hourly values", "Page 1;Hourly values"),
                       "Line 19 holds 2 cells where the column names of its page are 3"},
        BrokenFileCase{"ColumnNamesOfOneCell",
                       sampleWith("Page 1;Hourly values;Hourly values\r\nComponent;Average;19th highest",
                                  "Page 1;Hourly values;Hourly values\r\nComponent"),
                       "holds 1 cell where"},
        // The real column names would become a shaded row.
        BrokenFileCase{"BlankLineAfterThePageLine",
                       sampleWith("Page 2;Hourly values;Hourly values\r\n",
                                  "Page 2;Hourly values;Hourly values\r\n\r\n"),
                       "Line 24 reads \"Page 2\", but it and the line after it are not the column headings"},
        BrokenFileCase{"PageLineWithoutColumnNames",
                       kHead + "\r\n\"Max/All\"\r\nPage 0;a\r\nPage 1;a\r\nComponent;b\r\n",
                       "page 0 is not followed by its column names"},
        BrokenFileCase{"PageLineAtTheEnd", kHead + "\r\n\"Max/All\"\r\nPage 0;a\r\n",
                       "not followed by its column names"},
        // Every writer of this layout ends its last line too.
        BrokenFileCase{"CutInsideTheLastCell", sampleCutShort(),
                       "Line 28, the last line of the file, has no line end: the file was cut short"},
        BrokenFileCase{"KeyInfoLineDeleted", sampleWith("\"Emission Scenario Year: 2020\"\r\n", ""),
                       "Line 3, a line of key information, \"Period Covered (User provided Meteorolog...\", "
                       "does not begin with \"Emission Scenario Year:\""},
        // The blank line after the key information would become the fifth.
        BrokenFileCase{"LastKeyInfoLineDeleted",
                       "\"Street: A   Calculated on: 2024-03-05\"\r\n\"Average Daily Traffic: 2\"\r\n"
                       "\"Emission Scenario Year: 3\"\r\n\"Period Covered: 4\"\r\n\r\n\"Max/All\"\r\n"
                       "Page 0;a\r\nComponent;b\r\n",
                       "Line 5, a line of key information, \"\", does not begin with \"Urban Background:\""},
        BrokenFileCase{
            "ColumnNamesDeleted", sampleWith("Component;Average;19th highest\r\nNitrogen", "Nitrogen"),
            "Line 15, where the column names of page 0 belong, begins with \"Nitrogen dioxide (µg/m³)\", "
            "not \"Component\""},
        BrokenFileCase{
            "SecondHeadingDeleted", twoPollutants({kNo2, kModelled, kBackground, kLimit, kModelled, kLimit}),
            "Line 14, a \"Street Modelled\" row of page 0, stands after limit rows: the heading row of "
            "its pollutant is missing or the row was moved"},
        BrokenFileCase{"SecondHeadingOfPollutantsWithoutLimitRowsDeleted",
                       twoPollutants({kNo2, kModelled, kBackground, kModelled, kBackground}),
                       "Line 13, a \"Street Modelled\" row of page 0, stands after a \"Background\" row"},
        BrokenFileCase{
            "RowMovedIntoTheOtherPollutant",
            twoPollutants({kNo2, kModelled, kModelled, kBackground, kLimit, kPm10, kBackground}),
            "Line 12, a \"Street Modelled\" row of page 0, stands after a \"Street Modelled\" row"},
        BrokenFileCase{
            "FirstHeadingDeleted", twoPollutants({kModelled, kBackground, kLimit, kPm10, kModelled}),
            "Line 10, a \"Street Modelled\" row of page 0, stands before the heading row of the first "
            "pollutant"},
        BrokenFileCase{
            "FirstHeadingOfAPollutantWithOnlyLimitsDeleted", twoPollutants({kLimit, kPm10, kModelled}),
            "Line 10, a row of values, stands where the heading row of the first pollutant of page 0 "
            "belongs"},
        BrokenFileCase{"PageZeroAfterTheLastPage", sampleWithPageZeroLast(),
                       "Line 14 starts page 1 where page 0 was expected"},
        BrokenFileCase{"SecondPageZero", sampleWith("Page 1;", "Page 0;"),
                       "starts page 0 where page 1 was expected"},
        BrokenFileCase{"PageNumberTooLargeToBeOne", sampleWith("Page 2;", "Page 99999999999999999999;"),
                       "starts page 99999999999999999999 where page 2"},
        BrokenFileCase{"PageWiderThanAResultsPage", oneWidePage(kMaxPageColumns + 1),
                       "page 0 has " + std::to_string(kMaxPageColumns + 1) + " columns"}),
    [](const auto &info) { return info.param.name; });

// Made in the test, not with the table's rows: some hundred KB each.
TEST(ResultFile, aFileAtTheLineOrCellBoundOpensAndOneLineOrCellMoreIsRefused) {
    const std::string head = kHead + "\r\n\"Max/All\"\r\n";
    // Blank lines up to the bound: nine lines before them.
    std::string lines = head + "Page 0;a\r\nComponent;b\r\n";
    for (std::size_t k = 9; k < kMaxResultLines; ++k) {
        lines += "\r\n";
    }
    // One page of the widest kind, as many rows as the cells bound allows.
    static_assert(kMaxResultCells % kWidestResultsPage == 0);
    const std::string blanks(kWidestResultsPage - 1, ';');
    std::string cells = head + "Page 0" + blanks + "\r\nComponent" + blanks + "\r\n";
    for (std::size_t r = 2; r < kMaxResultCells / kWidestResultsPage; ++r) {
        cells += "x" + blanks + "\r\n";
    }
    for (const std::string &text : {lines, cells}) {
        ResultFileContents back;
        std::string error;
        EXPECT_TRUE(parseResultFile(text, &back, &error)) << error;
    }
    const struct {
        std::string text;
        std::string reason;
    } pastTheBound[] = {
        {lines + "\r\n", "more than " + std::to_string(kMaxResultLines) + " lines"},
        // The last row one cell wider: refused for the cells, before the
        // row's width is looked at.
        {cells.substr(0, cells.size() - 2) + ";\r\n",
         "more than " + std::to_string(kMaxResultCells) + " cells"},
    };
    for (const auto &c : pastTheBound) {
        ResultFileContents back;
        std::string error;
        EXPECT_FALSE(parseResultFile(c.text, &back, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST(ResultFile, textsLongerThanTheProgramWritesAreRefusedAndTheLongestItWritesAreRead) {
    const std::string over(kMaxResultText + 1, 'x');
    const std::string table = "\"Max/All\"\r\nPage 0;a\r\nComponent;b\r\n";
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {"\"Street: " + std::string(20'000'000, 'x') + "   Calculated on: 2024-03-05\"\r\n" +
             kKeyInfo.substr(kKeyInfo.find('\n') + 1) + "\r\n" + table,
         "Line 1, a line of key information, is longer than any the program writes"},
        {sampleWith("Emission Scenario Year: 2020", "Emission Scenario Year: " + over),
         "Line 3, a line of key information, is longer"},
        {kKeyInfo + "\"[%]Comments\"\r\n\"" + over + "\"\r\n\"[%]End\"\r\n" + table,
         "Line 7, a line of the user comments, is longer"},
        {kKeyInfo + "\r\n\"" + over + "\"\r\nPage 0;a\r\nComponent;b\r\n", "Line 7, a page name, is longer"},
        {kKeyInfo + "\r\n" + table + "x;" + over + "\r\n", "Line 10 holds a cell longer than any"},
    };
    for (const auto &c : cases) {
        ResultFileContents back;
        std::string error;
        EXPECT_FALSE(parseResultFile(c.text, &back, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error.substr(0, 200);
    }
    // A street name and a limit title as long as a field can be, the name all
    // quotes (each written twice).
    ResultFileContents longest = sampleContents();
    longest.keyInfo[0] =
        "Street: " + std::string(kMaxFieldText, '"') + "   Calculated on: 2024-03-05 14:07:09";
    longest.pages[2][4][0] = std::string(kMaxFieldText, 'L');
    ResultFileContents back;
    std::string error;
    ASSERT_TRUE(parseResultFile(resultFileText(longest), &back, &error)) << error.substr(0, 200);
    EXPECT_EQ(back.keyInfo, longest.keyInfo);
    EXPECT_EQ(back.pages, longest.pages);
}

// Limit titles, comments and names that read like the file's markers, and
// key information as a run writes it.
TEST(ResultFile, textsLikeTheFilesOwnMarkersAreReadBackAsWritten) {
    ResultFileContents c = sampleContents();
    KeyInfoFacts facts;
    facts.streetName = "Page 1; \"End\", [%]End";
    facts.calcTime = "2024-03-05 14:07:09";
    facts.dailyTrafficCalc = -1;
    facts.citySizeKnown = false;
    c.keyInfo =
        keyInfoLines(facts, 1000, [](std::string_view t) { return 7.0 * static_cast<double>(t.size()); });
    c.comments = "Page 1\r\n[%]Comments\r\n\"quoted\"; a, b\r\n[%]End\r\n";
    c.pageNames = {"Page 1", "End; [%]End", "\"Page 0\", \"x\""};
    const std::vector<std::string> titles = {
        "Page 1", "page 2",      "PAGE 0",         "Page 3",           "End",
        "[%]End", "[%]Comments", "Say \"Page 1\"", "EU; annual, 2020", ""};
    for (std::size_t p = 0; p < c.pages.size(); ++p) {
        for (const std::string &title : titles) {
            c.pages[p].push_back({title, "40", "200"});
        }
        // The page to come and its column names' title as limit titles.
        c.pages[p].push_back({"Page " + std::to_string(p + 1), "", ""});
        c.pages[p].push_back({"Component", "40", "200"});
    }
    ResultFileContents expected = c;
    for (PageTexts &page : expected.pages) {
        for (std::vector<std::string> &row : page) {
            for (std::string &cell : row) {
                std::replace(cell.begin(), cell.end(), ';', ',');
            }
        }
    }
    ResultFileContents back;
    std::string error;
    ASSERT_TRUE(parseResultFile(resultFileText(c), &back, &error)) << error;
    EXPECT_EQ(back.keyInfo, expected.keyInfo);
    EXPECT_EQ(back.comments, expected.comments);
    EXPECT_EQ(back.pageNames, expected.pageNames);
    EXPECT_EQ(back.pages, expected.pages);
}

TEST(ResultFile, pagesNumberedWithLeadingZerosOrInAnyLetterCaseAndAsWideAsAPageCanBeAreRead) {
    std::string error;
    ResultFileContents c;
    ASSERT_TRUE(parseResultFile(oneWidePage(kMaxPageColumns), &c, &error)) << error;
    EXPECT_EQ(c.pages[0][4].size(), kMaxPageColumns);
    const std::string text = sampleWith("Page 1;", "PAGE 01;");
    ASSERT_TRUE(parseResultFile(text, &c, &error)) << error;
    EXPECT_EQ(c.pages.size(), 3u);
}

TEST(ResultFile, aSaveIntoAMissingFolderFailsWithAMessageAndAnExistingFileStaysWhole) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(writeResultFile((dir.path() / "missing" / "run.res").string(), sampleContents(), &error));
    EXPECT_NE(error.find("run.res"), std::string::npos);

    const std::string path = dir.write("run.res", "old contents").string();
    // Comments typed into the window are not bounded there: a file that
    // would not open again is not written.
    ResultFileContents tooLong = sampleContents();
    tooLong.comments = std::string(kMaxResultText + 1, 'c') + "\r\n";
    EXPECT_FALSE(writeResultFile(path, tooLong, &error));
    EXPECT_NE(
        error.find("run.res\" was not written: the results file could not be opened again. Line 7, a line "
                   "of the user comments, is longer"),
        std::string::npos)
        << error.substr(0, 300);
    EXPECT_EQ(vesk::test::readFile(path), "old contents");

    ASSERT_TRUE(writeResultFile(path, sampleContents(), &error));
    EXPECT_EQ(vesk::test::readFile(path), resultFileText(sampleContents()));
}

struct StoredNumberCase {
    std::string text;
    std::optional<double> value;
};

class StoredNumberText : public ::testing::TestWithParam<StoredNumberCase> {};

TEST_P(StoredNumberText, onlyACompleteNumberIsReadAsOne) {
    EXPECT_EQ(storedNumber(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredNumberText,
    ::testing::Values(StoredNumberCase{"1.5", 1.5}, StoredNumberCase{"1,5", 1.5},
                      StoredNumberCase{" 18.46 ", 18.46}, StoredNumberCase{"-0.25", -0.25},
                      StoredNumberCase{"1,234.5", 1234.5}, StoredNumberCase{"12,345,678.25", 12345678.25},
                      StoredNumberCase{"1,23.5", std::nullopt}, StoredNumberCase{"1.234.5", std::nullopt},
                      StoredNumberCase{"1,234,56.5", std::nullopt},
                      StoredNumberCase{"n/a", std::nullopt}, StoredNumberCase{"--", std::nullopt},
                      StoredNumberCase{"", std::nullopt}, StoredNumberCase{"12 %", std::nullopt},
                      StoredNumberCase{"40 µg", std::nullopt}));

TEST(ResultFile, aStoredPageLeavesOutTheHiddenColumnsByHeadingAndNameWhateverTheirCaseAndBlanks) {
    const PageTexts lines = {
        {"Page 0", "Hourly values", "Hourly values", "Hourly values", "Daily averages", "Daily averages"},
        {"Component", "Average", "Maximum", "19th highest", "Maximum", "36th highest"},
        {"       Street Modelled", "18.46", "55.85", "46.88", "31.47", "0"}};
    const ResultsPage page = storedResultsPage(lines, "0.00", {},
                                               {{"HOURLY values", " Maximum"},
                                                {"Daily averages ", "36TH highest"},
                                                {"Running 8 hours averages", "Average"}});
    std::vector<std::string> kept;
    for (int c = 0; c < page.columnCount(); ++c) {
        kept.push_back(page.cell(0, c).text + " / " + page.cell(1, c).text + " / " + page.cell(2, c).text);
    }
    EXPECT_EQ(kept, (std::vector<std::string>{
                        "Page 0 / Component /        Street Modelled", "Hourly values / Average / 18.46",
                        "Hourly values / 19th highest / 46.88", "Daily averages / Maximum / 31.47"}));
}

TEST(ResultFile, reformattingAStoredPageChangesOnlyTheNumbersOfSeriesRows) {
    const PageTexts lines = {{"Page 0", "Hourly values", "Hourly values", "Hourly values"},
                             {"Component", "Average", "Maximum", "Data capture"},
                             {"Nitrogen dioxide (µg/m³)", "", "", ""},
                             {"       Street Modelled", "18.46", "n/a", "1,234.5"},
                             {"       Background", "--", "", "7"},
                             {"EU limit value", "40", "", ""}};
    const ResultsPage page = storedResultsPage(lines, "0.000", {"data CAPTURE"});
    EXPECT_EQ(page.cell(3, 1).text, "18.460");
    EXPECT_EQ(page.cell(3, 2).text, "n/a");
    EXPECT_EQ(page.cell(3, 3).text, "1234.500");
    EXPECT_EQ(page.cell(4, 1).text, "--");
    EXPECT_EQ(page.cell(4, 2).text, "");
    EXPECT_EQ(page.cell(5, 1).text, "40") << "limit values are not re-formatted";
    EXPECT_TRUE(page.cell(5, 1).bold);
    EXPECT_EQ(page.cell(5, 1).shade, CellShade::Shaded);
    EXPECT_EQ(page.cell(3, 0).shade, CellShade::White);
    EXPECT_TRUE(page.cell(3, 3).italic);
    EXPECT_EQ(page.rows[2].heightTwips, kComponentRowTwips);
    ASSERT_EQ(page.spans.size(), 1u);
    EXPECT_EQ(page.spans[0].count, 3);
}
