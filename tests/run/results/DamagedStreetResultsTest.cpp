// Saved multi-street results that are not what the program wrote (a line
// deleted, repeated, moved or cut, a number changed) are refused whole with
// the line and what is wrong, and a file that was opened is the one its
// street pages are read from.

#include "run/results/StreetResults.h"

#include "core/KeptSizes.h"
#include "core/TextIO.h"
#include "run/results/ResultsFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>

using namespace vesk;
using namespace vesk::results;
using vesk::test::ResultsFixture;

namespace {

using Lines = std::vector<std::string>;

// A started program with the small lists of ResultsFixture (two percentile
// definitions, limit values of NO2, of PM10 in two rows and of "XX" in none)
// and the saved results of four streets of it.
struct SavedSample : test::ResultsFixture {
    void TestBody() override {}
    SavedSample() {
        StreetResultsStore store;
        std::string error;
        EXPECT_TRUE(store.start(s, &error)) << error;
        for (int number = 1; number <= 4; ++number) {
            set("AvNO2_mod", 30.0f + static_cast<float>(number), 28.0f);
            StreetEntry e;
            e.number = number;
            e.name = "Street " + std::to_string(number);
            e.dailyTraffic = 12000 + number;
            e.firstCalcDate = "2023-01-01 00:00";
            e.lastCalcDate = "2023-12-31 23:00";
            e.period = PeriodLength{8760, 365};
            EXPECT_TRUE(store.addStreet(e, s.StatVarList, &error)) << error;
        }
        EXPECT_TRUE(store.finish("2023-12-31 12:00", &error)) << error;
        saved = (dir.path() / "sound.msr").string();
        EXPECT_TRUE(store.saveAs(saved, &error)) << error;
        lines = splitLines(test::readFile(saved));
    }
    std::string saved;
    Lines lines;
};

// The place of the line named tag (the first from `from`); the first street line for "1".
std::size_t lineOf(const Lines &lines, const std::string &tag, std::size_t from = 0) {
    const std::string start = tag == "1" ? "1," : "\"" + tag + "\"";
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (lines[i].rfind(start, 0) == 0) {
            return i;
        }
    }
    ADD_FAILURE() << "no line " << tag;
    return lines.size() - 1;
}

// Field i of the line named tag set to text.
void setField(Lines &lines, const std::string &tag, std::size_t i, const std::string &text) {
    std::string &line = lines[lineOf(lines, tag)];
    Lines f = test::rawFields(line);
    ASSERT_LT(i, f.size()) << line;
    f[i] = text;
    line = test::joinedFields(f);
}

// The line named tag moved to stand after the line named after.
void moveLine(Lines &lines, const std::string &tag, const std::string &after) {
    const std::string line = lines[lineOf(lines, tag)];
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(lineOf(lines, tag)));
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lineOf(lines, after)) + 1, line);
}

void dropLine(Lines &lines, const std::string &tag) {
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(lineOf(lines, tag)));
}

// The count in field `at` of the line named tag made one smaller.
void oneFewer(Lines &lines, const std::string &tag, std::size_t at = 1) {
    const std::string count = test::rawFields(lines[lineOf(lines, tag)])[at];
    setField(lines, tag, at, std::to_string(std::stoi(count) - 1));
}

// The line of the limit values of pollutant.
std::string &limitLine(Lines &lines, const std::string &pollutant) {
    for (std::string &line : lines) {
        if (line.rfind("\"Limit\",\"" + pollutant + "\"", 0) == 0) {
            return line;
        }
    }
    ADD_FAILURE() << "no limit values of " << pollutant;
    return lines.front();
}

// The fields of a "Limit" row of the sample: title, seven limit values, the
// hourly and the daily percentile limit.
constexpr std::size_t kSampleLimitRow = 10;

struct Damage {
    const char *name;
    std::function<void(Lines &)> damage;
    const char *says; // what the message says after the file's name
};

// The sample's file, made once for each suite.
class OpenedStreetResults : public testing::Test {
protected:
    static void SetUpTestSuite() { sample = new SavedSample(); }
    static void TearDownTestSuite() {
        delete sample;
        sample = nullptr;
    }
    static SavedSample *sample;
};

SavedSample *OpenedStreetResults::sample = nullptr;

class DamagedStreetResults : public OpenedStreetResults, public testing::WithParamInterface<Damage> {};

} // namespace

TEST_F(OpenedStreetResults, theSoundFileTheDamagedOnesAreMadeOfOpens) {
    std::string error;
    const auto opened = StreetResultsStore::open(sample->saved, sample->s, &error);
    ASSERT_NE(opened, nullptr) << error;
    EXPECT_EQ(opened->streets().size(), 4u);
    EXPECT_EQ(opened->columns().size(), 4u) << "NO2: average, 19th highest; PM10: average, 36th highest day";
}

// The file is read in pieces of 64 KB: lines that run over from one piece
// into the next keep their places, so each street page reads its own line.
TEST_F(ResultsFixture, everyStreetOfASavedFileOfManyPiecesReadsItsOwnStatistics) {
    StreetResultsStore store;
    std::string error;
    ASSERT_TRUE(store.start(s, &error)) << error;
    constexpr int kStreets = 600;
    for (int number = 1; number <= kStreets; ++number) {
        set("AvNO2_mod", static_cast<float>(number), 1.0f);
        StreetEntry e;
        e.number = number;
        e.name = "Street " + std::to_string(number);
        ASSERT_TRUE(store.addStreet(e, s.StatVarList, &error)) << error;
    }
    ASSERT_TRUE(store.finish("2023-12-31 12:00", &error)) << error;
    const std::string saved = (dir.path() / "many.msr").string();
    ASSERT_TRUE(store.saveAs(saved, &error)) << error;
    ASSERT_GT(test::readFile(saved).size(), 3u * 65536u) << "the file spans several pieces";

    const auto opened = StreetResultsStore::open(saved, s, &error);
    ASSERT_NE(opened, nullptr) << error;
    ASSERT_EQ(opened->streets().size(), static_cast<std::size_t>(kStreets));
    for (std::size_t i = 0; i < opened->streets().size(); ++i) {
        KeyedList<StatVar> stats;
        ASSERT_TRUE(opened->streetStatistics(i, &stats, &error)) << "street " << i + 1 << ": " << error;
        ASSERT_EQ(stats.item("AvNO2_mod").Value(1), static_cast<float>(i + 1)) << "street " << i + 1;
    }
}

TEST_F(OpenedStreetResults, aHeaderLineOfALaterVersionIsPassedOverWhereverItsNameIsNoNumber) {
    Lines lines = sample->lines;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lineOf(lines, "Run")), "Later,1,2");
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lineOf(lines, "Streets")), "\"Later\",,,");
    std::string text;
    for (const std::string &line : lines) {
        text += line + "\r\n";
    }
    std::string error;
    const auto opened =
        StreetResultsStore::open(sample->dir.write("later.msr", text).string(), sample->s, &error);
    ASSERT_NE(opened, nullptr) << error;
    EXPECT_EQ(opened->streets().size(), 4u);
}

TEST_P(DamagedStreetResults, isRefusedWithTheLineAndWhatIsWrongAndNoStore) {
    Lines lines = sample->lines;
    GetParam().damage(lines);
    std::string text;
    for (const std::string &line : lines) {
        text += line + "\r\n";
    }
    const std::string path =
        sample->dir.write(std::string("damaged-") + GetParam().name + ".msr", text).string();
    std::string error;
    const auto opened = StreetResultsStore::open(path, sample->s, &error);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(error,
              "The file " + path + " cannot be read as multi-street results: " + GetParam().says + ".");
}

namespace {

const std::string kMillionEmptyFields(1000000, ',');

// XX's limit table of rows limit values, every row complete.
void limitRows(Lines &lines, long long rows) {
    std::string &line = limitLine(lines, "XX");
    Lines f = test::rawFields(line);
    f[3] = std::to_string(rows);
    for (long long r = 0; r < rows; ++r) {
        f.push_back("\"row\"");
        f.insert(f.end(), kSampleLimitRow - 1, "-99");
    }
    line = test::joinedFields(f);
}

// A table of one limit value more than any file may hold.
void oneLimitRowTooMany(Lines &lines) {
    limitRows(lines, msr::kMaxLimitRows + 1);
}

// One summary column more than any file may hold, each complete.
void oneColumnTooMany(Lines &lines) {
    std::string &line = lines[lineOf(lines, "Columns")];
    Lines f = test::rawFields(line);
    const Lines first(f.begin() + 2, f.begin() + 8);
    f.resize(2);
    f[1] = std::to_string(msr::kMaxColumns + 1);
    for (long long c = 0; c <= msr::kMaxColumns; ++c) {
        f.insert(f.end(), first.begin(), first.end());
    }
    line = test::joinedFields(f);
}

// The daily percentile definitions grown to count, with their limits in
// every row of the limit values.
void dailyPercentiles(Lines &lines, long long count) {
    std::string &line = lines[lineOf(lines, "Percentiles")];
    Lines f = test::rawFields(line);
    const std::size_t daily = f.size() - 5; // the count of the last family (one definition)
    f[daily] = std::to_string(count);
    for (long long k = 1; k < count; ++k) {
        f.insert(f.end(), {"36", "\"90.4_PercDaily\"", "\"36th highest\"", "\"90.4 percentile\""});
    }
    line = test::joinedFields(f);
    for (const char *pollutant : {"NO2", "PM10"}) {
        std::string &limits = limitLine(lines, pollutant);
        Lines l = test::rawFields(limits);
        Lines grown(l.begin(), l.begin() + 4);
        for (std::size_t at = 4; at < l.size(); at += kSampleLimitRow) {
            grown.insert(grown.end(), l.begin() + static_cast<std::ptrdiff_t>(at),
                         l.begin() + static_cast<std::ptrdiff_t>(at + kSampleLimitRow));
            grown.insert(grown.end(), static_cast<std::size_t>(count - 1), "-99");
        }
        limits = test::joinedFields(grown);
    }
}

// One daily percentile definition more than any file may hold.
void onePercentileTooMany(Lines &lines) {
    dailyPercentiles(lines, msr::kMaxPercentiles + 1);
}

// The sample as a file of layout 2: without the lines of the view and the columns.
void asLayout2(Lines &lines) {
    Lines out;
    for (const std::string &line : lines) {
        const std::string tag = test::rawFields(line)[0];
        if (tag == "\"WinVESK multi-street results\"") {
            out.push_back(tag + ",2");
        } else if (tag != "\"Run\"" && tag != "\"Shown\"" && tag != "\"Percentiles\"" &&
                   tag != "\"Headings\"" && tag != "\"Limits\"" && tag != "\"Limit\"" &&
                   tag != "\"Columns\"") {
            out.push_back(line);
        }
    }
    lines = out;
}

std::function<void(Lines &)> setting(const char *tag, std::size_t field, const char *text) {
    return [=](Lines &lines) { setField(lines, tag, field, text); };
}

std::function<void(Lines &)> missing(const char *tag) {
    return [=](Lines &lines) { dropLine(lines, tag); };
}

std::function<void(Lines &)> moved(const char *tag, const char *after) {
    return [=](Lines &lines) { moveLine(lines, tag, after); };
}

} // namespace

// Lines of the sample: 1 title of the kind, 2 project, 3 "Pollutants", 4 "Statistics", 5 "Run",
// 6 "Shown", 7 "Percentiles", 8 "Headings", 9 "Limits", 10-12 "Limit" (NO2, PM10, XX),
// 13 "Columns", 14 "Streets", 15-18 the streets, 19 "End".
INSTANTIATE_TEST_SUITE_P(
    Counts, DamagedStreetResults,
    testing::Values(
        Damage{"StreetLineDeleted", missing("1"),
               "line 18: its end line counts 4 streets, but the file holds 3"},
        Damage{"StreetLineRepeated",
               [](Lines &l) {
                   l.insert(l.begin() + static_cast<std::ptrdiff_t>(lineOf(l, "1")), l[lineOf(l, "1")]);
               },
               "line 20: its end line counts 4 streets, but the file holds 5"},
        Damage{"EndLineCutInItsTime", [](Lines &l) { l.back() = "\"End\",\"2023-12-3"; },
               "line 19: a text in double quotes is not closed: the line is cut"},
        Damage{"EndLineCutBeforeItsCount", [](Lines &l) { l.back() = "\"End\",\"2023-12-31 12:00\""; },
               "line 19: its end line has 2 fields where 3 belong"},
        Damage{"EndLineCutInItsCount", [](Lines &l) { l.back() = "\"End\",\"2023-12-31 12:00\","; },
               "line 19: the number of streets \"\" is not a number"},
        Damage{"LineAfterTheEndLine", [](Lines &l) { l.push_back(l[lineOf(l, "1")]); },
               "line 20: a line follows the end line"},
        Damage{"PollutantsCountOneSmaller", [](Lines &l) { oneFewer(l, "Pollutants"); },
               "line 3: the line \"Pollutants\" has 26 fields where 23 belong"},
        Damage{"StatisticsCountOneSmaller", [](Lines &l) { oneFewer(l, "Statistics"); },
               "line 4: the line \"Statistics\" has 266 fields where 265 belong"},
        Damage{"ShownCountOneSmaller", [](Lines &l) { oneFewer(l, "Shown"); },
               "line 6: its line \"Shown\" has 66 fields where 58 belong"},
        Damage{"PercentilesCountOneSmaller", [](Lines &l) { oneFewer(l, "Percentiles", 7); },
               "line 7: its line \"Percentiles\" has 12 fields where 8 belong"},
        Damage{"LimitsCountOneSmaller", [](Lines &l) { oneFewer(l, "Limits"); },
               "line 12: more \"Limit\" lines follow the line \"Limits\" than its count, 2"},
        Damage{"LimitRowsOneFewer", [](Lines &l) { oneFewer(l, "Limit", 3); },
               "line 10: its line \"Limit\" has 14 fields where 4 belong"},
        Damage{"ColumnsCountOneSmaller", [](Lines &l) { oneFewer(l, "Columns"); },
               "line 13: the line \"Columns\" has 26 fields where 20 belong"},
        Damage{"ColumnsCountZero", setting("Columns", 1, "0"),
               "line 13: the line \"Columns\" has 26 fields where 2 belong"},
        Damage{"PercentilesCountOneLarger", [](Lines &l) { setField(l, "Percentiles", 7, "2"); },
               "line 7: its line \"Percentiles\" has fewer fields than its counts say"},
        Damage{"PercentilesWithoutTheDailyCount",
               [](Lines &l) {
                   std::string &line = l[lineOf(l, "Percentiles")];
                   line.erase(line.rfind(",1,36,"));
               },
               "line 7: its line \"Percentiles\" ends before its counts of percentile definitions"},
        Damage{"FirstLineWithAFieldMore", [](Lines &l) { l[0] += ",1"; },
               "line 1: its first line has more than the name of the file kind and the layout"},
        Damage{"TitleLineWithAFieldMore", [](Lines &l) { l[1] += ",1"; },
               "line 2: the line of the project title has more than the title and the scenario year"},
        Damage{"RunWithAFieldMore", [](Lines &l) { l[lineOf(l, "Run")] += ",1"; },
               "line 5: its line \"Run\" has 9 fields where 8 belong"},
        Damage{"HeadingsWithAFieldFewer",
               [](Lines &l) { l[lineOf(l, "Headings")].erase(l[lineOf(l, "Headings")].rfind(',')); },
               "line 8: its line \"Headings\" has 10 fields where 11 belong"},
        Damage{"LimitsWithAFieldMore", [](Lines &l) { l[lineOf(l, "Limits")] += ",1"; },
               "line 9: its line \"Limits\" has 3 fields where 2 belong"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    HeaderLines, DamagedStreetResults,
    testing::Values(
        Damage{
            "RunMissing", missing("Run"),
            "line 5: the line \"Run\" is missing or out of its place: the line here starts with \"Shown\""},
        Damage{"ShownMissing", missing("Shown"),
               "line 6: the line \"Shown\" is missing or out of its place: the line here starts with "
               "\"Percentiles\""},
        Damage{"PercentilesMissing", missing("Percentiles"),
               "line 7: the line \"Percentiles\" is missing or out of its place: the line here starts with "
               "\"Headings\""},
        Damage{"HeadingsMissing", missing("Headings"),
               "line 8: the line \"Headings\" is missing or out of its place: the line here starts with "
               "\"Limits\""},
        Damage{"LimitsMissing", missing("Limits"),
               "line 9: the line \"Limits\" is missing or out of its place: the line here starts with "
               "\"Limit\""},
        Damage{
            "ALimitLineMissing", missing("Limit"),
            "line 12: the line \"Limits\" counts 3 limit-value pollutants, but 2 \"Limit\" lines follow it"},
        Damage{"ColumnsMissing", missing("Columns"),
               "line 13: the line \"Columns\" is missing or out of its place: the line here starts with "
               "\"Streets\""},
        Damage{
            "StreetsMissing", missing("Streets"),
            "line 14: the line \"Streets\" is missing or out of its place: the line here starts with \"1\""},
        Damage{
            "RunAfterShown", moved("Run", "Shown"),
            "line 5: the line \"Run\" is missing or out of its place: the line here starts with \"Shown\""},
        Damage{
            "RunRepeated", [](Lines &l) { l.insert(l.begin() + 5, l[4]); },
            "line 6: the line \"Shown\" is missing or out of its place: the line here starts with \"Run\""},
        Damage{"ShownAfterPercentiles", moved("Shown", "Percentiles"),
               "line 6: the line \"Shown\" is missing or out of its place: the line here starts with "
               "\"Percentiles\""},
        Damage{"PercentilesAfterTheLimitLines", moved("Percentiles", "Columns"),
               "line 7: the line \"Percentiles\" is missing or out of its place: the line here starts with "
               "\"Headings\""},
        Damage{"HeadingsAfterLimits", moved("Headings", "Limits"),
               "line 8: the line \"Headings\" is missing or out of its place: the line here starts with "
               "\"Limits\""},
        Damage{
            "ALimitLineAfterColumns",
            [](Lines &l) {
                const std::string line = l[lineOf(l, "Limit")];
                dropLine(l, "Limit");
                l.insert(l.begin() + static_cast<std::ptrdiff_t>(lineOf(l, "Columns")) + 1, line);
            },
            "line 12: the line \"Limits\" counts 3 limit-value pollutants, but 2 \"Limit\" lines follow it"},
        Damage{"ColumnsBeforeLimits", moved("Columns", "Headings"),
               "line 9: the line \"Limits\" is missing or out of its place: the line here starts with "
               "\"Columns\""},
        Damage{
            "StreetsMissingInLayout2",
            [](Lines &l) {
                asLayout2(l);
                dropLine(l, "Streets");
            },
            "line 5: the line \"Streets\" is missing or out of its place: the line here starts with \"1\""},
        Damage{"PollutantsMissing", missing("Pollutants"),
               "line 3: the line \"Pollutants\" is missing or out of its place: the line here starts with "
               "\"Statistics\""},
        Damage{"StatisticsMissing", missing("Statistics"),
               "line 4: the line \"Statistics\" is missing or out of its place: the line here starts with "
               "\"Run\""},
        Damage{"ShownCountBeyondInt", setting("Shown", 1, "2147483648"),
               "line 6: the number of pollutants shown \"2147483648\" lies outside 0 to 50"},
        Damage{"LimitsCount1e308", setting("Limits", 1, "1e308"),
               "line 9: the number of limit-value pollutants \"1e308\" lies outside 0 to 50"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Layouts, DamagedStreetResults,
    testing::Values(Damage{"Layout4", setting("WinVESK multi-street results", 1, "4"),
                           "it was written by a newer version of the program (layout 4); this version reads "
                           "layouts 1 to 3"},
                    Damage{
                        "Layout3Point5", setting("WinVESK multi-street results", 1, "3.5"),
                        "it was written by a newer version of the program (layout 3.5); this version reads "
                        "layouts 1 to 3"},
                    Damage{"Layout0", setting("WinVESK multi-street results", 1, "0"),
                           "line 1: the layout \"0\" lies outside 1 to 3"},
                    Damage{"Layout2Point5", setting("WinVESK multi-street results", 1, "2.5"),
                           "line 1: the layout \"2.5\" is not a whole number"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Numbers, DamagedStreetResults,
    testing::Values(
        Damage{"PollutantsCountBeyondInt", setting("Pollutants", 1, "2147483648"),
               "line 3: the number of pollutants \"2147483648\" lies outside 0 to 50"},
        Damage{"StatisticsCount1e308", setting("Statistics", 1, "1e308"),
               "line 4: the number of statistics \"1e308\" lies outside 0 to 200000"},
        Damage{"ScenarioYearBeyondInt", [](Lines &l) { l[1] = "\"Demo\",2147483648"; },
               "line 2: the emission scenario year \"2147483648\" lies outside -2147483648 to 2147483647"},
        Damage{
            "OutputUnitFactor1e308", setting("Pollutants", 3, "1e308"),
            "line 3: the output unit factor of NOx \"1e308\" lies beyond the numbers the results can keep"},
        Damage{"CitySizeBeyondInt", setting("Run", 1, "2147483648"),
               "line 5: the city size \"2147483648\" lies outside -2147483648 to 2147483647"},
        Damage{"PercentileModeNotWhole", setting("Run", 3, "0.5"),
               "line 5: the mode of the hourly percentiles \"0.5\" is not a whole number"},
        Damage{
            "ShownSource1e308", setting("Shown", 6, "1e308"),
            "line 6: the series of the hourly percentiles \"1e308\" lies outside -2147483648 to 2147483647"},
        Damage{"NthHighestBeyondInt", setting("Percentiles", 2, "2147483648"),
               "line 7: the n-th highest \"2147483648\" lies outside 0 to 8784"},
        Damage{"LimitValue1e308", [](Lines &l) { setField(l, "Limit", 5, "1e308"); },
               "line 10: a limit value \"1e308\" lies beyond the numbers the results can keep"},
        Damage{
            "ColumnLimit1e308", setting("Columns", 6, "1e308"),
            "line 13: the limit value of NO2 Average \"1e308\" lies beyond the numbers the results can keep"},
        Damage{"ColumnLimitZero", setting("Columns", 6, "0"),
               "line 13: the limit value of NO2 Average, 0, is not above 0"},
        Damage{"ColumnFactorZero", setting("Columns", 7, "0"),
               "line 13: the factor of NO2 Average, 0, is not above 0"},
        Damage{"ColumnFactorNegative", setting("Columns", 7, "-1"),
               "line 13: the factor of NO2 Average, -1, is not above 0"},
        Damage{"StreetNumberBeyondInt", setting("1", 0, "2147483648"),
               "line 15: the street's number \"2147483648\" lies outside -2147483648 to 2147483647"},
        Damage{"StreetNumber1e308", setting("1", 0, "1e308"),
               "line 15: the street's number \"1e308\" lies outside -2147483648 to 2147483647"},
        Damage{"Traffic1e308", setting("1", 7, "1e308"),
               "line 15: the calculated traffic \"1e308\" lies outside -99 to 1000000000000000"},
        Damage{"TrafficFileTypeBeyondInt", setting("1", 8, "2147483648"),
               "line 15: the type of the traffic file \"2147483648\" lies outside -2147483648 to 2147483647"},
        Damage{"HoursRun1e308", setting("1", 12, "1e308"),
               "line 15: the hours run \"1e308\" lies outside 0 to 1000000000"},
        Damage{"DaysRunNegative", setting("1", 13, "-1"),
               "line 15: the days run \"-1\" lies outside 0 to 1000000000"},
        Damage{
            "Value1e308", setting("1", 14, "1e308"),
            "line 15: the value of MaxHourlyNOx_mod \"1e308\" lies beyond the numbers the results can keep"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Sizes, DamagedStreetResults,
    testing::Values(
        Damage{"AHeaderLineOfAMillionEmptyFields",
               [](Lines &l) { l.insert(l.begin() + 4, kMillionEmptyFields); },
               "line 5: the line \"Run\" is missing or out of its place: the line here starts with \"\""},
        Damage{"AStreetLineWithAMillionEmptyFieldsMore",
               [](Lines &l) { l[lineOf(l, "1")] += kMillionEmptyFields; },
               "line 15: street line 1 has 1000542 fields instead of 542"},
        Damage{"ALimitTableOfTooManyRows", oneLimitRowTooMany,
               "line 12: the number of limit values \"51\" lies outside 0 to 50"},
        Damage{"TooManySummaryColumns", oneColumnTooMany,
               "line 13: the number of summary columns \"15351\" lies outside 0 to 15350"},
        Damage{"TooManyPercentileDefinitions", onePercentileTooMany,
               "line 7: the number of percentile definitions \"101\" lies outside 0 to 100"},
        Damage{"APercentilesLineWithAMillionEmptyFieldsMore",
               [](Lines &l) { l[lineOf(l, "Percentiles")] += kMillionEmptyFields; },
               "line 7: its line \"Percentiles\" has 1000012 fields, more than 100 percentile definitions of "
               "each "
               "kind take"}),
    [](const auto &info) { return std::string(info.param.name); });

namespace {

// The field of the triple of pollutant in the line "Pollutants" (0 its name, 1 its factor).
void setPollutantField(Lines &lines, const std::string &pollutant, std::size_t k, const std::string &text) {
    const Lines f = test::rawFields(lines[lineOf(lines, "Pollutants")]);
    const auto at = std::find(f.begin(), f.end(), "\"" + pollutant + "\"");
    ASSERT_NE(at, f.end()) << pollutant;
    setField(lines, "Pollutants", static_cast<std::size_t>(at - f.begin()) + k, text);
}

// Street 1 made a street not calculated: switched off, no hour, no period, every value -99
// but the statistic key's side 1, which holds value.
void notCalculatedHolding(Lines &lines, const std::string &key, const std::string &value) {
    const Lines keys = test::rawFields(lines[lineOf(lines, "Statistics")]);
    Lines f = test::rawFields(lines[lineOf(lines, "1")]);
    f[2] = "#FALSE#";
    f[10] = f[11] = "\"\"";
    f[12] = f[13] = "0";
    std::fill(f.begin() + 14, f.end(), "-99");
    const auto at = std::find(keys.begin(), keys.end(), "\"" + key + "\"");
    ASSERT_NE(at, keys.end()) << key;
    f[14 + 2 * static_cast<std::size_t>(at - keys.begin() - 2)] = value;
    lines[lineOf(lines, "1")] = test::joinedFields(f);
}

} // namespace

// Lines as in the table above: 3 "Pollutants", 6 "Shown", 10-12 "Limit" (NO2, PM10, XX),
// 13 "Columns" (NO2 average, NO2 19th highest, PM10 average, PM10 36th highest day), 15 street 1.
INSTANTIATE_TEST_SUITE_P(
    Disagreements, DamagedStreetResults,
    testing::Values(
        Damage{"APollutantsFactorOtherThanItsColumns", [](Lines &l) { setPollutantField(l, "NO2", 1, "2"); },
               "line 13: the factor of NO2 Average, 1, is not 2, that of the output unit of NO2 in the line "
               "\"Pollutants\""},
        Damage{
            "AColumnsFactorOtherThanItsPollutants", setting("Columns", 7, "1000"),
            "line 13: the factor of NO2 Average, 1000, is not 1, that of the output unit of NO2 in the line "
            "\"Pollutants\""},
        Damage{
            "AColumnsFactorOf3e38", setting("Columns", 7, "3e38"),
            "line 13: the factor of NO2 Average, 3e+38, is not 1, that of the output unit of NO2 in the line "
            "\"Pollutants\""},
        Damage{"AColumnsLimitOtherThanItsLimitLine", setting("Columns", 6, "41"),
               "line 13: the limit value of NO2 Average, 41, is not 40, that of its \"Limit\" lines in the "
               "output unit of the line \"Pollutants\""},
        Damage{"ALimitLineOtherThanItsColumn", [](Lines &l) { setField(l, "Limit", 5, "30"); },
               "line 13: the limit value of NO2 Average, 40, is not 30, that of its \"Limit\" lines in the "
               "output unit of the line \"Pollutants\""},
        Damage{"AColumnsCaptionOtherThanItsStatistics", setting("Columns", 4, "\"NO2 Maximum\""),
               "line 13: the summary column \"NO2 Maximum\" (AvNO2_mod) is not that of the lines above it, "
               "\"NO2 Average\" of NO2 in \"µg/m³\""},
        Damage{"AColumnMissing",
               [](Lines &l) {
                   std::string &line = l[lineOf(l, "Columns")];
                   Lines f = test::rawFields(line);
                   f.resize(f.size() - 6);
                   f[1] = "3";
                   line = test::joinedFields(f);
               },
               "line 13: the line \"Columns\" holds 3 summary columns where the \"Limit\" lines and the "
               "pollutants shown make 4"},
        Damage{"TheLimitLineOfPM10ACopyOfNO2s",
               [](Lines &l) { l[lineOf(l, "Limit") + 1] = l[lineOf(l, "Limit")]; },
               "line 11: a second \"Limit\" line of NO2: each limit-value pollutant has one"},
        Damage{"TheLimitLineOfPM10NamingAPollutantTheFileDoesNotHold",
               [](Lines &l) { limitLine(l, "PM10").replace(0, 14, "\"Limit\",\"PM25\""); },
               "line 13: the summary column \"PM10 Average\" (AvPM10_mod) has no limit value above 0 in the "
               "\"Limit\" lines"},
        Damage{"APollutantNotShownWithItsColumns",
               [](Lines &l) {
                   const Lines f = test::rawFields(l[lineOf(l, "Shown")]);
                   const auto at = std::find(f.begin(), f.end(), "\"PM10\"");
                   ASSERT_NE(at, f.end());
                   setField(l, "Shown", static_cast<std::size_t>(at - f.begin()) + 3, "#FALSE#");
               },
               "line 13: the summary column \"PM10 Average\" is of PM10, which the line \"Shown\" does not "
               "show"},
        Damage{"AStreetsDaysOtherThanItsHours", setting("1", 13, "36"),
               "line 15: street 1: its period of 8760 hours cannot span 36 days (365 or 366)"},
        Damage{"AStreetsHoursOtherThanItsDays", setting("1", 12, "10"),
               "line 15: street 1: its period of 10 hours cannot span 365 days (1 or 2)"},
        Damage{"AStreetOfDaysWithoutHours", setting("1", 12, "0"),
               "line 15: street 1: its period of 0 hours cannot span 365 days"},
        Damage{"AStreetNotCalculatedWithHours", setting("1", 2, "#FALSE#"),
               "line 15: street 1 is not calculated (#FALSE#) but holds hours calculated"},
        Damage{"AStreetNotCalculatedWithAValue",
               [](Lines &l) { notCalculatedHolding(l, "AvPM10_mod", "45"); },
               "line 15: street 1 is not calculated (#FALSE#) but holds a value of AvPM10_mod, 45"},
        // No hours and no value, but the last hour calculated.
        Damage{"AStreetNotCalculatedWithALastHour",
               [](Lines &l) {
                   notCalculatedHolding(l, "AvPM10_mod", "-99");
                   setField(l, "1", 11, "\"2023-12-31 24:00\"");
               },
               "line 15: street 1 is not calculated (#FALSE#) but holds hours calculated"}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Texts, DamagedStreetResults,
    testing::Values(
        Damage{"ATitleOf20MillionCharacters",
               [](Lines &l) { l[1] = "\"" + std::string(20000000, 'x') + "\",2023"; },
               "line 2: a field holds more than the 1048576 characters the program writes into one"},
        Damage{"AStreetNameOfOneCharacterTooMany",
               [](Lines &l) { setField(l, "1", 1, "\"" + std::string(2 * (kMaxFieldText + 1), '"') + "\""); },
               "line 15: a field holds more than the 1048576 characters the program writes into one"},
        Damage{"AnUnquotedFieldOfOneCharacterTooMany",
               [](Lines &l) { setField(l, "1", 9, std::string(kMaxFieldText + 1, 'x')); },
               "line 15: a field holds more than the 1048576 characters the program writes into one"}),
    [](const auto &info) { return std::string(info.param.name); });

// Memory running out while the file is read is said in the program's words.
TEST_F(OpenedStreetResults, aFileTooLargeForTheMemoryLeftIsRefusedAsSuch) {
    struct LineMemory {
        LineMemory() { savedLineMemory() = 100; }
        ~LineMemory() { savedLineMemory() = SIZE_MAX; }
    } lowered;
    std::string error;
    EXPECT_EQ(StreetResultsStore::open(sample->saved, sample->s, &error), nullptr);
    EXPECT_EQ(error, "The file " + sample->saved +
                         " cannot be read as multi-street results: there is not enough memory to read it.");
}

namespace {

// A copy of the sample's file, opened.
struct OpenedCopy {
    explicit OpenedCopy(const SavedSample &sample, const char *name)
        : path((sample.dir.path() / name).string()), text(test::readFile(sample.saved)) {
        sample.dir.write(name, text);
        std::string error;
        store = StreetResultsStore::open(path, sample.s, &error);
        EXPECT_NE(store, nullptr) << error;
    }
    // The AvNO2_mod of side 1 of street i, -1 when it cannot be read (*error says why).
    float average(std::size_t i, std::string *error) const {
        KeyedList<StatVar> stats;
        return store->streetStatistics(i, &stats, error) ? stats.item("AvNO2_mod").Value(1) : -1.0f;
    }
    std::string path;
    std::string text;
    std::shared_ptr<StreetResultsStore> store;
};

// The text with its first occurrence of from replaced by to.
std::string replacedOnce(std::string text, const std::string &from, const std::string &to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

TEST_F(OpenedStreetResults, asManyPercentileDefinitionsAndLimitValuesAsTheListsCanHoldOpen) {
    auto opened = [&](const std::function<void(Lines &)> &grow, const char *name) {
        Lines lines = sample->lines;
        grow(lines);
        std::string text;
        for (const std::string &line : lines) {
            text += line + "\r\n";
        }
        std::string error;
        auto store = StreetResultsStore::open(sample->dir.write(name, text).string(), sample->s, &error);
        EXPECT_NE(store, nullptr) << error;
        return store;
    };
    const auto percentiles =
        opened([](Lines &l) { dailyPercentiles(l, msr::kMaxPercentiles); }, "percentiles.msr");
    ASSERT_NE(percentiles, nullptr);
    EXPECT_EQ(percentiles->view().percentiles[2].count(), kMaxPercentileDefinitions);
    const auto limits = opened([](Lines &l) { limitRows(l, msr::kMaxLimitRows); }, "limits.msr");
    ASSERT_NE(limits, nullptr);
    EXPECT_EQ(limits->view().limits.LimValMaxRows, kMaxLimitValueRows);
}

TEST_F(OpenedStreetResults, aFileReplacedAfterItWasOpenedIsNotWhatTheStreetPagesAndSaveRead) {
    const OpenedCopy opened(*sample, "replaced.msr");
    ASSERT_NE(opened.store, nullptr);
    // Another file put in its place under its name, as a save through a temporary file does.
    const std::string other =
        sample->dir.write("other.msr", replacedOnce(opened.text, ",31,28,", ",22.22,28,")).string();
    ASSERT_EQ(::rename(other.c_str(), opened.path.c_str()), 0);

    std::string error;
    EXPECT_EQ(opened.average(0, &error), 31.0f) << error;
    const std::string copy = (sample->dir.path() / "copy.msr").string();
    ASSERT_TRUE(opened.store->saveAs(copy, &error)) << error;
    EXPECT_EQ(test::readFile(copy), opened.text);
}

namespace {

struct Change {
    const char *name;
    std::function<std::string(const std::string &)> change;
    bool sameTime; // the file's time of change put back
};

class ChangedStreetResults : public OpenedStreetResults, public testing::WithParamInterface<Change> {};

} // namespace

TEST_P(ChangedStreetResults, isRefusedByTheStreetPagesAndSave) {
    const OpenedCopy opened(*sample, (std::string("changed-") + GetParam().name + ".msr").c_str());
    ASSERT_NE(opened.store, nullptr);
    struct stat before {};
    ASSERT_EQ(::stat(opened.path.c_str(), &before), 0);
    // The same file written anew.
    std::ofstream(opened.path, std::ios::binary | std::ios::trunc) << GetParam().change(opened.text);
    if (GetParam().sameTime) {
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, opened.path.c_str(), times, 0), 0);
    }
    const std::string changed =
        "The file " + opened.path +
        " has changed since its streets were listed. Open the file again to see what it "
        "holds now.";
    std::string error;
    EXPECT_EQ(opened.average(0, &error), -1.0f);
    EXPECT_EQ(error, changed);
    error.clear();
    EXPECT_FALSE(opened.store->saveAs((sample->dir.path() / "not-saved.msr").string(), &error));
    EXPECT_EQ(error, changed);
    EXPECT_FALSE(fs::exists(sample->dir.path() / "not-saved.msr"));
}

INSTANTIATE_TEST_SUITE_P(
    InPlace, ChangedStreetResults,
    testing::Values(
        Change{"Grown", [](const std::string &text) { return text + "\r\n"; }, false},
        Change{"AnotherNameOfTheSameSizeAndTime",
               [](const std::string &text) { return replacedOnce(text, "\"Street 1\"", "\"Street 9\""); },
               true},
        Change{"AFieldMoreOfTheSameSizeAndTime",
               [](const std::string &text) { return replacedOnce(text, "8760,365,-99,", "8760,365,1,2,"); },
               true},
        Change{"AnotherValueOfTheSameSizeAndTime",
               [](const std::string &text) { return replacedOnce(text, ",31,28,", ",32,28,"); }, true},
        Change{"AnotherNumberOfTheSameSizeAndTime",
               [](const std::string &text) {
                   return replacedOnce(text, "\r\n1,\"Street 1\"", "\r\n9,\"Street 1\"");
               },
               true}),
    [](const auto &info) { return std::string(info.param.name); });

// What is no file cannot be opened as one (and a pipe is never waited on).
TEST_F(OpenedStreetResults, aFolderOrAPipeIsRefusedAsNoRegularFile) {
    const fs::path folder = sample->dir.path() / "folder.msr";
    fs::create_directory(folder);
    const fs::path pipe = sample->dir.path() / "pipe.msr";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const auto &[path, kind] : {std::pair{folder, "a folder"}, std::pair{pipe, "a pipe (FIFO)"}}) {
        std::string error;
        EXPECT_EQ(StreetResultsStore::open(path.string(), sample->s, &error), nullptr);
        EXPECT_EQ(error, "The file " + path.string() + " is not a regular file but " + kind +
                             ": it cannot be read as a data file.");
    }
}
