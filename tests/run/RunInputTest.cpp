// How the run treats what its input files hold: missing markers, title
// lines, long and short records, dates, day cases, statistics names and
// files it cannot use.

#include "run/RunFixture.h"

#include "core/ListLine.h"
#include "core/Numbers.h"
#include "platform/tables/Tables.h"
#include "run/RunContext.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class RunInput : public RunFixture {
protected:
    // 24 hours of 6 March 2023: comma-separated meteorology and traffic, one file.
    static std::string hours(int count = 24, const std::string &extra = "") {
        std::string out;
        for (int h = 1; h <= count; ++h) {
            out += "2023,3,6," + std::to_string(h) + ",3,200,10,0,1000,100,50,40,120,30" + extra + "\r\n";
        }
        return out;
    }
    static FileRecord hourFile(const std::string &name = "Hours.txt", const std::string &scaling = "*") {
        return inputFile(
            name,
            "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,speed_light,"
            "speed_heavy,qNOx,cNOx_b",
            scaling);
    }
    void loadWith(std::vector<FileRecord> records) { loadProject("Test.vkp", projectText(records)); }
    std::vector<std::string> column(const std::string &file, std::size_t j) {
        std::vector<std::string> out;
        const std::vector<std::string> lines = fileLines(work(file));
        for (std::size_t i = 1; i < lines.size(); ++i) {
            out.push_back(cells(lines[i]).at(j));
        }
        return out;
    }
    bool said(const std::string &part) const {
        for (const std::string &m : ui.messages) {
            if (m.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

TEST_F(RunInput, AMissingItemStaysMissingWhateverTheScalingFactor) {
    std::string text;
    const char *items[] = {"", " ", "na", "NA", "N/A", "#n/a", "4", "4.5"};
    int h = 1;
    for (const char *item : items) {
        text += "2023;3;6;" + std::to_string(h++) + ";" + item + ";200;10;0;1000;100;50;40;120;30\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(
        loadWith({hourFile("Hours.txt", "*,*,*,*,0.5"), outputFile("Out.txt", "u_mast", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(column("Out.txt", 0),
              (std::vector<std::string>{"-99", "-99", "-99", "-99", "-99", "-99", "2", "2.25"}));
}

TEST_F(RunInput, DecimalCommasReadAsPointsWhereTheSystemWritesThem) {
    std::string text;
    const char *items[] = {"4,5", "0,25", "12", "n/a", "3.5"};
    int h = 1;
    for (const char *item : items) {
        text += "2023;3;6;" + std::to_string(h++) + ";" + item + ";200;10;0;1000;100;50;40;120;30\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(
        loadWith({hourFile("Hours.txt", "*,*,*,*,2"), outputFile("Out.txt", "u_mast", "0,*")}));
    state.DecimalSeparator = ",";
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(column("Out.txt", 0), (std::vector<std::string>{"9", "0.5", "24", "-99", "7"}));
}

TEST_F(RunInput, TitleLinesOfSeveralFilesArePassedOverWithoutShiftingTheFiles) {
    std::string met = "year month day hour u_mast wind_dir temperature globalrad\r\n";
    std::string traffic = "year month day hour nlight nheavy speed_light speed_heavy qNOx cNOx_b\r\n";
    for (int h = 1; h <= 24; ++h) {
        met += "2023 3 6 " + std::to_string(h) + " 3 200 10 0\r\n";
        traffic += "2023 3 6 " + std::to_string(h) + " 1000 100 50 40 " + std::to_string(100 + h) + " 30\r\n";
    }
    writeWork("Met.txt", met);
    writeWork("Traffic.txt", traffic);
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
         inputFile("Traffic.txt", "year,month,day,hour,nlight,nheavy,speed_light,speed_heavy,qNOx,cNOx_b"),
         outputFile("Out.txt", "hour,qNOx", "0,*")}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    const std::vector<std::string> hoursRead = column("Out.txt", 0), emission = column("Out.txt", 1);
    ASSERT_EQ(hoursRead.size(), 24u);
    EXPECT_EQ(hoursRead.front(), "1");
    EXPECT_EQ(emission.front(), "101") << "the first hour of both files is read together";
    EXPECT_EQ(emission.back(), "124");
}

TEST_F(RunInput, LinesAcrossAndBeyondTheReadBlocksReadLikeShortOnes) {
    // Items beyond the fiftieth are ignored: they make the lines long. The
    // file is read in blocks of 64 KiB; one line is longer than a block, the
    // others cross the blocks' ends anywhere; LF and CR LF alternate and the
    // last line has no line end.
    std::string text;
    for (int h = 1; h <= 24; ++h) {
        std::string surplus;
        while (surplus.size() < (h == 5 ? 150000u : 5000u + 37u * static_cast<unsigned>(h))) {
            surplus += ",7";
        }
        text += "2023,3,6," + std::to_string(h) + ",3,200,10,0,1000,100,50,40," + std::to_string(100 + h) +
                ",30" + surplus + (h % 2 == 1 ? "\r\n" : "\n");
    }
    text.pop_back();
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(loadWith({hourFile(), outputFile("Out.txt", "hour,qNOx", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    std::vector<std::string> hoursRead, emissions;
    for (int h = 1; h <= 24; ++h) {
        hoursRead.push_back(std::to_string(h));
        emissions.push_back(std::to_string(100 + h));
    }
    EXPECT_EQ(column("Out.txt", 0), hoursRead);
    EXPECT_EQ(column("Out.txt", 1), emissions);
}

TEST_F(RunInput, ItemsBeyondFiftyAreIgnoredAndAShortLineAfterTheFirstHourEndsTheRun) {
    std::string surplus;
    for (int i = 0; i < 60; ++i) {
        surplus += ",7";
    }
    writeWork("Hours.txt", hours(24, surplus));
    ASSERT_NO_FATAL_FAILURE(loadWith({hourFile(), outputFile("Out.txt", "hour", "0,*")}));
    EXPECT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_EQ(column("Out.txt", 0).size(), 24u);

    writeWork("Hours.txt", hours(3) + "2023,3,6,4,3\r\n" + hours(2));
    ui.messages.clear();
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_TRUE(said("The number of input items in the file Hours.txt\r\nis less than in the Input List"));
    EXPECT_EQ(column("Out.txt", 0).size(), 24u) << "the failed run leaves the previous run's output";
}

TEST_F(RunInput, ImpossibleDatesAndHoursAreRefusedNamingTheRecord) {
    struct Case {
        std::string line;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"2023,3,6,25,3,200,10,0,1000,100,50,40,120,30", "the hour must lie between 1 and 24"},
        {"2023,13,6,3,3,200,10,0,1000,100,50,40,120,30", "no such day"},
        {"2023,2,30,3,3,200,10,0,1000,100,50,40,120,30", "no such day"},
        {"2023,na,6,3,3,200,10,0,1000,100,50,40,120,30", "no day or month"},
        {"2023,3,6,0,3,200,10,0,1000,100,50,40,120,30", "The value of hour must not be zero."},
    };
    for (const Case &c : cases) {
        writeWork("Hours.txt", hours(2) + c.line + "\r\n" + hours(2));
        ASSERT_NO_FATAL_FAILURE(loadWith({hourFile(), outputFile("Out.txt", "hour", "0,*")}));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed) << c.line;
        EXPECT_TRUE(said(c.says)) << c.line << "\n" << report.error;
        if (c.says.rfind("The value", 0) != 0) {
            EXPECT_TRUE(said("Hours.txt, line 3")) << report.error;
        }
    }
}

TEST_F(RunInput, ADateOrHourItemThatIsNoFiniteNumberIsATypeMismatch) {
    const std::pair<const char *, const char *> cases[] = {
        {"2023,nan,6,3,3,200,10,0,1000,100,50,40,120,30", "month = nan"},
        {"2023,3,-nan,3,3,200,10,0,1000,100,50,40,120,30", "day = -nan"},
        {"2023,3,6,inf,3,200,10,0,1000,100,50,40,120,30", "hour = inf"},
        {"nan,3,6,3,3,200,10,0,1000,100,50,40,120,30", "year = nan"},
        // Plain decimals too large for a whole number of a date column.
        {"2023,3,6,3000000000,3,200,10,0,1000,100,50,40,120,30", "hour = 3000000000"},
        {"2023,-2500000000,6,3,3,200,10,0,1000,100,50,40,120,30", "month = -2500000000"},
    };
    for (const auto &[line, item] : cases) {
        ui.messages.clear();
        writeWork("Hours.txt", hours(2) + line + "\r\n" + hours(2));
        ASSERT_NO_FATAL_FAILURE(loadWith({hourFile(), outputFile("Out.txt", "hour", "0,*")}));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed) << line;
        EXPECT_TRUE(said("doesn\u00b4t fit the type of the Input List") && said(item)) << line << "\n"
                                                                                       << report.error;
    }
}

TEST_F(RunInput, ADayCaseTheTrafficFileDoesNotHaveIsRefused) {
    std::string text;
    for (int h = 1; h <= 4; ++h) {
        text += "2023,3,6," + std::to_string(h) + ",3,200,10,0," + (h == 3 ? "7" : "2") + ",20\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,daycase,cNOx_b"),
         outputFile("Out.txt", "hour,daycase,ntotal", "0,*"),
         {".\\CityStreet.trf", "traffic", {"20000", "40"}}}));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_TRUE(said("The day case 7 of the input record of 2023-03-06 is not one of the 4 day cases"))
        << report.error;
    EXPECT_FALSE(fs::exists(work("Out.txt"))) << "a failed run writes no output";
}

TEST_F(RunInput, AnUnknownStatisticIsReportedOnceAndItsFileKeptAsideWithTheCellLeftEmpty) {
    writeWork("Hours.txt", hours());
    writeWork("Stat.txt", "previous\r\n");
    ASSERT_NO_FATAL_FAILURE(loadWith({hourFile(), statFile("Stat.txt", "\"Series\",Bogus_1,Average_1,Bogus_2",
                                                           "NOx_mod,NOx_b", "0,0.0")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed);
    EXPECT_TRUE(report.outputIncomplete);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0],
              "Invalid variable name in the output list!\r\ncolumn Bogus_1, column Bogus_2\r\n" +
                  work("Stat.txt").string());
    ASSERT_EQ(report.keptFiles.size(), 1u);
    EXPECT_EQ(ui.messages[1],
              "Not every requested output could be written, so the run has replaced none of the "
              "files of the previous run.\r\nWhat it wrote into\r\n" +
                  work("Stat.txt").string() + "\r\nis kept in\r\n" + report.keptFiles[0]);
    EXPECT_EQ(readFile(work("Stat.txt")), "previous\r\n");
    EXPECT_EQ(fs::path(report.keptFiles[0]).parent_path(), workDir);
    const std::vector<std::string> lines = fileLines(report.keptFiles[0]);
    ASSERT_EQ(lines.size(), 3u);
    const std::vector<std::string> background = cells(lines[2]);
    EXPECT_EQ(background, (std::vector<std::string>{"NOx_b", "", "30.0", ""}));
}

TEST_F(RunInput, AStatisticsWorkbookWithoutATableOffersToDefineItOnlyWithAWindow) {
    writeWork("Hours.txt", hours());
    // A window that opens no Change File: the run ends.
    struct Window : RunObserver {
        std::vector<int> asked;
        bool defineStatTable(int k) override {
            asked.push_back(k);
            return false;
        }
    };
    for (bool batch : {false, true}) {
        ASSERT_NO_FATAL_FAILURE(
            loadWith({hourFile(), statFile("Stat.xls", "\"Series\",Average_1", "NOx_mod")}));
        state.BatchMode = batch;
        ui.messages.clear();
        ui.answers = {Answer::Ok};
        Window window;
        const RunReport report = run(&window);
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(window.asked, batch ? std::vector<int>{} : std::vector<int>{1})
            << "the first entry of the statistics file list";
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].find("No Data Table is defined for "), 0u);
        EXPECT_EQ(ui.messages[0].find("Define it Now !?") != std::string::npos, !batch) << ui.messages[0];
    }
}

TEST_F(RunInput, ATableWithFewerFieldsThanTheListIsReportedNotFilledIn) {
    std::string error;
    auto table = createTable(
        work("Hours.xls").string(), "Hours",
        {{"year", ColumnType::Integer}, {"month", ColumnType::Integer}, {"day", ColumnType::Integer}},
        &error);
    ASSERT_TRUE(table) << error;
    ASSERT_TRUE(table->append({2023.0, 3.0, 6.0}, &error)) << error;
    ASSERT_TRUE(table->close(&error)) << error;
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {inputFile("Hours.xls;Hours", "year,month,day,hour,u_mast"), outputFile("Out.txt", "hour", "0,*")}));
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_TRUE(said("is less than in the Input List"));
}

TEST_F(RunInput, ATableReadsTheColumnsOfAListLongerThanFiftyItems) {
    // Fifty columns the list passes over before the values: the values lie
    // beyond the fiftieth cell of a row.
    std::vector<TableColumn> columns = {{"year", ColumnType::Integer},
                                        {"month", ColumnType::Integer},
                                        {"day", ColumnType::Integer},
                                        {"hour", ColumnType::Integer}};
    std::string list = "year,month,day,hour";
    for (int i = 1; i <= 50; ++i) {
        columns.push_back({"x" + std::to_string(i), ColumnType::Float});
        list += ",?";
    }
    const char *names[] = {"u_mast", "wind_dir",    "temperature", "globalrad", "nlight",
                           "nheavy", "speed_light", "speed_heavy", "qNOx",      "cNOx_b"};
    const double values[] = {3, 200, 10, 0, 1000, 100, 50, 40, 120, 30};
    for (const char *name : names) {
        columns.push_back({name, ColumnType::Float});
        list += std::string(",") + name;
    }
    std::string error;
    auto table = createTable(work("Long.xls").string(), "Hours", columns, &error);
    ASSERT_TRUE(table) << error;
    for (int h = 1; h <= 24; ++h) {
        std::vector<double> numbers = {2023, 3, 6, static_cast<double>(h)};
        numbers.resize(54, 1.0);
        for (const double v : values) {
            numbers.push_back(v + (h == 5 ? 1 : 0));
        }
        const std::vector<Cell> row(numbers.begin(), numbers.end());
        ASSERT_TRUE(table->append(row, &error)) << error;
    }
    ASSERT_TRUE(table->close(&error)) << error;
    ASSERT_NO_FATAL_FAILURE(
        loadWith({inputFile("Long.xls;Hours", list), outputFile("Out.txt", "hour,u_mast,cNOx_b", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> wind = column("Out.txt", 1), background = column("Out.txt", 2);
    ASSERT_EQ(wind.size(), 24u);
    EXPECT_EQ(wind[0], "3");
    EXPECT_EQ(wind[4], "4");
    EXPECT_EQ(background[0], "30");
    EXPECT_EQ(background[4], "31");
}

TEST_F(RunInput, FilesWithEmptyListsAreLeftOutOnlyWhenTheUserAgrees) {
    writeWork("Hours.txt", hours());
    std::vector<FileRecord> records = {
        hourFile(), outputFile("Out.txt", "hour", "0,*"), {"Empty.txt", "output", {"[]", "[*]", "[*]"}}};
    ASSERT_NO_FATAL_FAILURE(loadWith(records));
    ui.answers = {Answer::No};
    EXPECT_EQ(run().outcome, RunOutcome::Declined);
    EXPECT_FALSE(fs::exists(work("Out.txt")));

    ui.answers = {Answer::Yes};
    EXPECT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_EQ(column("Out.txt", 0).size(), 24u);
    EXPECT_FALSE(fs::exists(work("Empty.txt")));
}

TEST_F(RunInput, TheMeanTravelSpeedTakesOnlyKnownSpeeds) {
    std::string text;
    for (int h = 1; h <= 24; ++h) {
        text += "2023,3,6," + std::to_string(h) + ",3,200,10,0,1000,100," + (h % 2 ? "60" : "na") +
                ",40,120,30\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(loadWith({hourFile()}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_FLOAT_EQ(state.TravelSpeedCalc, 60.0f);
    EXPECT_EQ(state.DailyTrafficCalc, 1100 * 24);
}

TEST_F(RunInput, TheConditionsFileFillsMissingBackgroundsAndRefusesUnknownPollutants) {
    std::string text;
    for (int h = 1; h <= 24; ++h) {
        text += "2023,3,6," + std::to_string(h) + ",3,200,10,0,1000,100,50,40,120," +
                (h <= 12 ? "na" : "30") + "\r\n";
    }
    writeWork("Hours.txt", text);
    writeWork(
        "Site.cnd",
        "Conditions of the site\r\n[Other]\r\n1\r\n[BACKGROUND]\r\n2\r\n\"NOx\", 35\r\n\"O3\",\r\n50\r\n");
    ASSERT_NO_FATAL_FAILURE(
        loadWith({hourFile(), outputFile("Out.txt", "hour,cNOx_b", "0,*"), {"Site.cnd", "conditions", {}}}));
    ASSERT_EQ(state.ConditionsFile, "Site.cnd");
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    const std::vector<std::string> background = column("Out.txt", 1);
    EXPECT_EQ(background.front(), "35") << "a missing hour takes the file's value";
    EXPECT_EQ(background.back(), "30") << "an hour's own value is kept";

    writeWork("Site.cnd", "[background]\r\n1\r\n\"Radon\", 3\r\n");
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_TRUE(said("names a pollutant that is not in the list: Radon"));
}

TEST_F(RunInput, EveryHourStartsFromMissingValuesWhetherOrNotAFileSetsThem) {
    // Background NOx comes from the file in every other hour and from the
    // conditions file otherwise; O3 is in no input file. A value an hour
    // filled in must not last into the next one.
    std::string text;
    for (int h = 1; h <= 24; ++h) {
        text += "2023,3,6," + std::to_string(h) + ",3,200,10,0,1000,100,50,40,120," +
                (h % 2 == 0 ? "na" : std::to_string(20 + h)) + "\r\n";
    }
    writeWork("Hours.txt", text);
    writeWork("Site.cnd", "[BACKGROUND]\r\n1\r\n\"NOx\", 35\r\n");
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {hourFile(), outputFile("Out.txt", "hour,cNOx_b,cO3_b", "0,*"), {"Site.cnd", "conditions", {}}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    const std::vector<std::string> nox = column("Out.txt", 1);
    const std::vector<std::string> o3 = column("Out.txt", 2);
    ASSERT_EQ(nox.size(), 24u);
    for (std::size_t i = 0; i < nox.size(); ++i) {
        const int h = static_cast<int>(i) + 1;
        EXPECT_EQ(nox[i], h % 2 == 0 ? "35" : std::to_string(20 + h)) << "hour " << h;
        EXPECT_EQ(o3[i], "-99") << "hour " << h;
    }
}

TEST_F(RunInput, AProjectWhoseOnlyInputFileHasAnEmptyVariableListSaysThatNoInputFileIsLeft) {
    writeWork("Hours.txt", hours(24));
    FileRecord empty = hourFile();
    empty.lists[0] = "[]";
    ASSERT_NO_FATAL_FAILURE(loadWith({empty, outputFile("Out.txt", "hour", "0,*")}));
    ui.answers = {Answer::Yes}; // continue without the files whose lists are empty
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0],
              "One or more files has an empty Variable List.\r\nContinue without these files?");
    EXPECT_EQ(ui.messages[1], "No input file is left: every checked hourly input file has an empty Variable "
                              "List.\r\nFormat the input files before the calculation.");
    EXPECT_FALSE(fs::exists(work("Out.txt")));
}

TEST_F(RunInput, ADailyFileHasOneRowPerDayWithItsDate) {
    writeWork(
        "Hours.txt", hours(24) + [] {
            std::string next;
            for (int h = 1; h <= 24; ++h) {
                next += "2023,3,7," + std::to_string(h) + ",3,200,10,0,1000,100,50,40,120,40\r\n";
            }
            return next;
        }());
    ASSERT_NO_FATAL_FAILURE(
        loadWith({hourFile(), statFile("Daily.txt", "\"Day\",NOx_b_1,NOx_mod_1", "dailyav", "0,*,0,0.0")}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    const std::vector<std::string> lines = fileLines(work("Daily.txt"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(cells(lines[1])[0], "2023-03-06");
    EXPECT_EQ(cells(lines[1])[1], "30.0");
    EXPECT_EQ(cells(lines[2])[0], "2023-03-07");
    EXPECT_EQ(cells(lines[2])[1], "40.0");
    EXPECT_GT(Val(cells(lines[2])[2]), 40.0);
}

TEST(RecordLines, SplitLikeTheListLineReaderForEveryKindOfSeparation) {
    const char *lines[] = {"2023 3 6 1 4.5 200",
                           "  2023  3   6 1  ",
                           "2023,3,6,1,,200",
                           "2023, 3 ,6 ,, 1",
                           "2023;3;;6;1",
                           "2023\t3\t\t6 ; 1",
                           "a,;b ;,c",
                           "1,5 2,5",
                           ",,",
                           "x",
                           "",
                           "   ",
                           "2023 3 6 1\r"};
    for (bool commaSeparates : {true, false}) {
        for (const char *line : lines) {
            std::vector<std::string_view> fields;
            run::splitRecordLine(line, commaSeparates, fields);
            const std::vector<std::string> expected = ReadListLine(line, commaSeparates ? "." : ",");
            EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()), expected)
                << "\"" << line << "\" commas " << (commaSeparates ? "separate" : "are decimal marks");
        }
    }
}

TEST_F(RunInput, HalfHourlyRecordsRunForwardByTheirMinutes) {
    std::string text;
    for (int h = 1; h <= 24; ++h) {
        for (int minute : {0, 30}) {
            text += "2023,3,6," + std::to_string(h) + "," + std::to_string(minute) +
                    ",3,200,10,0,500,50,50,40,60,30\r\n";
        }
    }
    writeWork("Hours.txt", text);
    std::string project = projectText(
        {inputFile("Hours.txt", "year,month,day,hour,minute,u_mast,wind_dir,temperature,globalrad,nlight,"
                                "nheavy,speed_light,speed_heavy,qNOx,cNOx_b"),
         outputFile("Out.txt", "hour,minute,nlight", "0,*")});
    project.replace(project.find(",24,0\r\n"), 7, ",48,0\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", project));
    ASSERT_EQ(state.Nhours, 48);
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> minutes = column("Out.txt", 1), light = column("Out.txt", 2);
    ASSERT_EQ(minutes.size(), 48u);
    EXPECT_EQ(minutes[0], "0");
    EXPECT_EQ(minutes[1], "30");
    EXPECT_EQ(light[1], "1000") << "a half-hour's count is doubled to vehicles an hour";

    const std::string first = text.substr(0, text.find("\r\n") + 2);
    const std::string second = text.substr(first.size(), text.find("\r\n", first.size()) + 2 - first.size());
    struct Case {
        std::string lines;
        std::string says;
    };
    for (const Case &damaged :
         {Case{first + second + second,
               "the record of 2023-03-06, hour 1, minute 30 repeats the hour before it"},
          Case{first + "2023,3,6,1,75,3,200,10,0,500,50,50,40,60,30\r\n",
               "the minute must lie between 0 and 59"}}) {
        writeWork("Hours.txt", damaged.lines);
        ui.messages.clear();
        EXPECT_EQ(run().outcome, RunOutcome::Failed);
        EXPECT_TRUE(said(damaged.says)) << damaged.says;
    }
}
