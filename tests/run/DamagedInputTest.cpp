// Damaged hourly input files through the real run: items that are no
// number, title lines, blank lines and line ends, dates that disagree or do
// not run forward, and numbers no value can have. Each damaged file is made
// here; the run must either read every hour it reports or stop naming the
// file and the line.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "platform/tables/Tables.h"

#include <regex>

using namespace vesk;
using namespace vesk::test;

namespace {

// Meteorology, traffic, emission and a background of 25: every hour can be modelled.
const char *kMetList = "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,speed_light,"
                       "speed_heavy,qNOx,cNOx_b";

// Hour h (1..24) of 6 March 2023 with wind direction dir and the given flow of light vehicles.
std::string metLine(int h, const std::string &dir = "200", const std::string &nlight = "1000") {
    return "2023 3 6 " + std::to_string(h) + " 3 " + dir + " 10 0 " + nlight + " 100 50 40 120 25";
}

std::string metLines(int from, int to) {
    std::string out;
    for (int h = from; h <= to; ++h) {
        out += metLine(h) + "\r\n";
    }
    return out;
}

// Hours from..to of 6 March 2023 with a background of 30: "year month day hour cNOx_b".
std::string backLines(int from, int to) {
    std::string out;
    for (int h = from; h <= to; ++h) {
        out += "2023 3 6 " + std::to_string(h) + " 30\r\n";
    }
    return out;
}

// n lines of a background file without dates: "cNOx_b" of 30.
std::string undatedBackLines(int n) {
    std::string out;
    for (int h = 1; h <= n; ++h) {
        out += "30\r\n";
    }
    return out;
}

class DamagedInput : public RunFixture {
protected:
    // The scenario year of the project loadWith writes: the year of its
    // vehicle list, the demo fleet given another year in the work folder.
    int scenarioYear = 2020;
    void loadWith(std::vector<FileRecord> records) {
        std::string text = projectText(records);
        if (scenarioYear != 2020) {
            const std::string name = "Fleet" + std::to_string(scenarioYear) + ".vlf";
            std::string fleet = readFile(appDir / "Lists/National/DL/Fleet2020.vlf");
            const std::string year = "\"DL\",2020";
            fleet.replace(fleet.find(year), year.size(), "\"DL\"," + std::to_string(scenarioYear));
            writeWork(name, fleet);
            const std::string stored = "\".\\Fleet2020.vlf\"";
            text.replace(text.find(stored), stored.size(), "\"" + name + "\"");
        }
        loadProject("Test.vkp", text);
        ASSERT_EQ(state.ScenarioYear, scenarioYear);
    }
    // Runs Met.txt (kMetList) and, when given, a background file with its list.
    RunReport runMet(const std::string &met, const std::string &back = {},
                     const std::string &backList = "cNOx_b",
                     const std::string &outList = "hour,wind_dir,cNOx_b") {
        writeWork("Met.txt", met);
        std::vector<FileRecord> records = {inputFile("Met.txt", kMetList)};
        if (!back.empty()) {
            writeWork("Back.txt", back);
            records.push_back(inputFile("Back.txt", backList));
        }
        records.push_back(outputFile("Out.txt", outList, "0,*"));
        loadWith(records);
        ui.messages.clear();
        return run();
    }
    std::vector<std::string> column(std::size_t j) const {
        std::vector<std::string> out;
        const std::vector<std::string> lines = fileLines(work("Out.txt"));
        for (std::size_t i = 1; i < lines.size(); ++i) {
            out.push_back(cells(lines[i]).at(j));
        }
        return out;
    }
    std::string said() const {
        std::string all;
        for (const std::string &m : ui.messages) {
            all += m + "\n";
        }
        return all;
    }
    bool says(const std::string &part) const { return said().find(part) != std::string::npos; }
    // A route segment of person A on 6 March 2023 ("07:30" to "08:30"), number no.
    static std::string segment(const std::string &id, const std::string &no, const std::string &in,
                               const std::string &out) {
        return "\"" + id + "\",\"A\"," + no + ",1,0,1,5,2000,\"2023-03-06 " + in + "\",\"2023-03-06 " + out +
               "\",3600,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,1,2,0\r\n";
    }
    // A route project over Met.txt (kMetList) with the given route file.
    void loadRoute(const std::string &route) {
        writeWork("Route.txt", route);
        loadProject("Route.vkp", projectText({inputFile("Met.txt", kMetList),
                                              outputFile("Out.txt", "segmentid,hour", "0,*"),
                                              {"Route.txt", "route", {}}},
                                             "Route"));
    }
    std::string path(const std::string &name) const { return work(name).string(); }
};

} // namespace

// --- items that are no number ---------------------------------------------

TEST_F(DamagedInput, AnItemThatIsNoNumberIsMissingForItsHourAndTheRunCountsItPerColumn) {
    std::string met;
    const char *directions[] = {"200", "abc", "12abc", "\"210\"", "1d2", "220", "x"};
    for (int h = 1; h <= 7; ++h) {
        met += metLine(h, directions[h - 1]) + "\r\n";
    }
    const RunReport report = runMet(met);
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(column(1), (std::vector<std::string>{"200", "-99", "-99", "210", "100", "220", "-99"}))
        << "text is missing, never 0 or its leading digits; quotes and the 1d2 form are numbers";
    ASSERT_EQ(ui.messages.size(), 1u) << said();
    EXPECT_TRUE(says("not numbers were read as missing values (-99):\r\n" + path("Met.txt") +
                     ", column wind_dir: 3 items, the first in line 2"))
        << said();
}

TEST_F(DamagedInput, ACommaStillReadsAsADecimalPointWhereItCannotSeparateItems) {
    std::string met;
    const char *speeds[] = {"3,5", "abc", "0,25"};
    for (int h = 1; h <= 3; ++h) {
        met += "2023;3;6;" + std::to_string(h) + ";" + speeds[h - 1] + ";200;10;0;1000;100;50;40;120;25\r\n";
    }
    writeWork("Met.txt", met);
    ASSERT_NO_FATAL_FAILURE(
        loadWith({inputFile("Met.txt", kMetList), outputFile("Out.txt", "hour,u_mast", "0,*")}));
    state.DecimalSeparator = ",";
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_EQ(column(1), (std::vector<std::string>{"3.5", "-99", "0.25"}));
    EXPECT_TRUE(says("column u_mast: 1 item, the first in line 2")) << said();
}

TEST_F(DamagedInput, ItemsReadAgainForTheNextStreetAreNotCountedTwice) {
    std::string met = metLines(1, 2) + metLine(3, "abc") + "\r\n" + metLines(4, 24);
    writeWork("Met.txt", met);
    writeWork("Streets.txt",
              "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
              "#TRUE#,\"South\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,160,0,2,0\r\n");
    ASSERT_NO_FATAL_FAILURE(
        loadProject("Streets.vkm", projectText({inputFile("Met.txt", kMetList),
                                                outputFile("Out.txt", "hour,wind_dir", "0,*"),
                                                {"Streets.txt", "streets", {}}},
                                               "Streets")));
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_EQ(column(1).size(), 48u);
    EXPECT_TRUE(says("column wind_dir: 1 item, the first in line 3")) << said();
}

// --- title lines ------------------------------------------------------------

TEST_F(DamagedInput, ATitleLineOfAFileOfValueColumnsOnlyIsPassedOverNotReadAsAnHourOfZeros) {
    std::string back = "cNOx_b\r\n";
    for (int h = 1; h <= 24; ++h) {
        back += std::to_string(20 + h) + "\r\n";
    }
    const RunReport report = runMet(metLines(1, 24), back);
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> background = column(2);
    ASSERT_EQ(background.size(), 24u);
    EXPECT_EQ(background.front(), "21") << "the first hour takes the first data line";
    EXPECT_EQ(background.back(), "44");
    EXPECT_TRUE(ui.messages.empty()) << "a title line is no damage: " << said();
}

TEST_F(DamagedInput, ATitleLineInTheMiddleOfTheDataStopsTheRunNamingItsLine) {
    std::string back = "cNOx_b cO3_b\r\n";
    for (int h = 1; h <= 24; ++h) {
        back += (h == 10 ? std::string("cNOx_b cO3_b") : "30 40") + "\r\n";
    }
    const RunReport report = runMet(metLines(1, 24), back, "cNOx_b,cO3_b");
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_TRUE(says(path("Back.txt") + ", line 11 holds no number where the variable list expects numbers"))
        << said();
}

// --- blank lines and line ends ----------------------------------------------

TEST_F(DamagedInput, BlankLinesAndMixedLineEndsNeitherEndNorShiftTheData) {
    std::string met;
    for (int h = 1; h <= 24; ++h) {
        met += metLine(h) + (h % 2 == 0 ? "\n" : "\r\n");
        if (h == 6) {
            met += "\r\n";
        } else if (h == 12) {
            met += " \t \n\n";
        }
    }
    std::string back;
    for (int h = 1; h <= 24; ++h) {
        back += std::to_string(h) + (h == 3 ? "\n\r\n" : "\r\n");
    }
    back += "\r\n\r\n"; // blank lines at the end are no gap
    const RunReport report = runMet(met, back);
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> hours = column(0), background = column(2);
    ASSERT_EQ(hours.size(), 24u) << "every hour is read";
    for (int h = 1; h <= 24; ++h) {
        EXPECT_EQ(hours[h - 1], std::to_string(h));
        EXPECT_EQ(background[h - 1], std::to_string(h)) << "the files stay aligned";
    }
    EXPECT_TRUE(says("Blank lines of the input files were passed over:\r\n" + path("Met.txt") +
                     ": 3 blank lines, the first in line 7\r\n" + path("Back.txt") +
                     ": 1 blank line, the first in line 4"))
        << said();
}

TEST_F(DamagedInput, ARecordWithoutAnHourEndsTheDataNamingItsFileAndLineAndNoDataMayFollowIt) {
    // The background file, read after the meteorology, gives the hour its last say.
    struct Case {
        std::string name, record, after; // the record without an hour and what follows it
        bool completes;
    };
    for (const Case &k :
         {Case{"an hour of -1 closing the file", "2023 3 6 -1 30\r\n", "", true},
          Case{"a line of commas and a closing text", ",,,,,\r\n", "\r\nend of the data\r\n", true},
          Case{"a missing hour with the rest of the day after it", "2023 3 6 na 30\r\n", backLines(14, 24),
               false}}) {
        SCOPED_TRACE(k.name);
        const RunReport report =
            runMet(metLines(1, 24), backLines(1, 12) + k.record + k.after, "year,month,day,hour,cNOx_b");
        if (!k.completes) {
            EXPECT_EQ(report.outcome, RunOutcome::Failed);
            EXPECT_EQ(report.error, "The input file\r\n" + path("Back.txt") +
                                        ", line 13\r\nholds a record without an hour, which ends the input "
                                        "there, but its line 14 holds data after it: the hours from there on "
                                        "would be lost. Give the record its hour, or remove it.");
            continue;
        }
        ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
        EXPECT_EQ(column(0).size(), 12u);
        EXPECT_TRUE(says("The input ended at a record without an hour:\r\n" + path("Back.txt") + ", line 13"))
            << said();
        EXPECT_FALSE(says(path("Met.txt") + ", line")) << "only the file without the hour is named\n"
                                                       << said();
    }
}

// A negative hour in a file with a date column took the date's hour (hour 1)
// without a word, where a file of year, month and day ends its data there
// and refuses the data after it. Both read it as a record without an hour.
TEST_F(DamagedInput, ANegativeHourIsNoHourWhetherTheFileDatesItByADateOrByYearMonthAndDay) {
    const std::string rest =
        "u_mast,wind_dir,temperature,globalrad,nlight,nheavy,speed_light,speed_heavy,qNOx,cNOx_b";
    for (const bool dateColumn : {true, false}) {
        SCOPED_TRACE(dateColumn ? "a date column" : "year, month and day");
        const auto line = [&](int day, const std::string &hour) {
            return (dateColumn ? "2023-03-0" + std::to_string(day) : "2023 3 " + std::to_string(day)) + " " +
                   hour + " 3 200 10 0 1000 100 50 40 120 25\r\n";
        };
        const auto runWith = [&](const std::string &met) {
            writeWork("Met.txt", met);
            loadWith({inputFile("Met.txt", (dateColumn ? "date,hour," : "year,month,day,hour,") + rest),
                      outputFile("Out.txt", "hour,wind_dir,cNOx_b", "0,*")});
            ui.messages.clear();
            return run();
        };
        // Amid the data, after the last hour of the day before.
        std::string met = line(5, "23") + line(5, "24") + line(6, "-1");
        for (int h = 2; h <= 24; ++h) {
            met += line(6, std::to_string(h));
        }
        RunReport report = runWith(met);
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.error,
                  "The input file\r\n" + path("Met.txt") +
                      ", line 3\r\nholds a record without an hour, which ends the input there, but its "
                      "line 4 holds data after it: the hours from there on would be lost. Give the "
                      "record its hour, or remove it.");
        // Closing the file.
        met.clear();
        for (int h = 1; h <= 24; ++h) {
            met += line(5, std::to_string(h));
        }
        report = runWith(met + line(6, "-1"));
        ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
        EXPECT_EQ(column(0).size(), 24u);
        EXPECT_TRUE(says("The input ended at a record without an hour:\r\n" + path("Met.txt") + ", line 25"))
            << said();
    }
}

TEST_F(DamagedInput, AMissingHourTakesTheDatesHourAlsoInAFileWhoseHoursCountFromZero) {
    // Hour items 0 to 23 (the hour column's factor 0 counts them on by one); -99 is missing whatever the
    // factor.
    std::string met = "2023-03-06 -99 3 200 10 0 1000 100 50 40 120 25\r\n";
    for (int h = 1; h <= 23; ++h) {
        met += "2023-03-06 " + std::to_string(h) + " 3 200 10 0 1000 100 50 40 120 25\r\n";
    }
    writeWork("Met.txt", met);
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {inputFile(
             "Met.txt",
             "date,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,speed_light,speed_heavy,qNOx,"
             "cNOx_b",
             "*,0,*,*,*,*,*,*,*,*,*,*"),
         outputFile("Out.txt", "hour,wind_dir,cNOx_b", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> hours = column(0);
    ASSERT_EQ(hours.size(), 24u);
    EXPECT_EQ(hours.front(), "1") << "the date's hour";
    EXPECT_EQ(hours.back(), "24");
}

// --- files of different lengths, gaps and lists that do not fit ------------

TEST_F(DamagedInput, AnInputFileThatEndsBeforeAnotherStopsTheRunUnlessThePeriodEndsThere) {
    struct Case {
        std::string name;
        std::string met, back;
        int endHour;               // the end of the period on 6 March (0: the end of the data)
        std::string ended, goesOn; // "" when the run completes
    };
    for (const Case &k : {Case{"the background ends at noon", metLines(1, 24), backLines(1, 12), 0,
                               "Back.txt, line 12", "Met.txt, line 13"},
                          Case{"the meteorology ends at noon", metLines(1, 12), backLines(1, 24), 0,
                               "Met.txt, line 12", "Back.txt, line 13"},
                          Case{"the period ends at noon", metLines(1, 24), backLines(1, 12), 12, "", ""},
                          Case{"the period ends at 20", metLines(1, 24), backLines(1, 12), 20,
                               "Back.txt, line 12", "Met.txt, line 13"}}) {
        SCOPED_TRACE(k.name);
        writeWork("Met.txt", k.met);
        writeWork("Back.txt", k.back);
        ASSERT_NO_FATAL_FAILURE(
            loadWith({inputFile("Met.txt", kMetList), inputFile("Back.txt", "year,month,day,hour,cNOx_b"),
                      outputFile("Out.txt", "hour", "0,*")}));
        if (k.endHour > 0) {
            state.EndAuto = false;
            state.EndDate = PeriodDate{2023, 3, 6};
            state.EndHour = k.endHour;
        }
        ui.messages.clear();
        const RunReport report = run();
        if (k.ended.empty()) {
            EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
            EXPECT_EQ(column(0).size(), 12u);
            continue;
        }
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        const std::string file = k.ended.substr(0, k.ended.find(','));
        EXPECT_EQ(report.error,
                  "The input file\r\n" + path(file) + "\r\nends with " + path(k.ended) +
                      " (the record of 2023-03-06, hour 12), but\r\n" + path(k.goesOn) +
                      "\r\nholds a record after it: the input files end at different hours, and "
                      "the hours after the end of the shorter one cannot be computed. Complete "
                      "the file, or end the period of the run with its last hour.");
    }
}

TEST_F(DamagedInput, AMissingHourOfTheOnlyDatedFileStopsTheRunWhereUndatedFilesWouldShift) {
    const std::string gap = metLines(1, 6) + metLines(8, 24);
    std::string undated;
    for (int h = 1; h <= 24; ++h) {
        undated += std::to_string(20 + h) + "\r\n";
    }
    RunReport report = runMet(gap, undated);
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(
        report.error,
        "The input file\r\n" + path("Met.txt") +
            ", line 7\r\nholds the record of 2023-03-06, hour 8 after that of 2023-03-06, hour 6: the "
            "hour 2023-03-06, hour 7 is missing. The other input files carry no dates and are read record "
            "by record alongside it: from there on they would be read against the wrong hours. Complete "
            "the file, or give the other files their dates.");

    // Where every file carries its dates, a gap is only an hour less.
    report = runMet(gap, backLines(1, 6) + backLines(8, 24), "year,month,day,hour,cNOx_b");
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(column(0).size(), 23u);
}

TEST_F(DamagedInput, AVariableListOfAnotherLengthThanTheFilesTitleLineIsRefused) {
    const std::string back = "year month day hour cNOx_b cNO2_b cO3_b\r\n" + [] {
        std::string out;
        for (int h = 1; h <= 24; ++h) {
            out += "2023 3 6 " + std::to_string(h) + " 40 20 30\r\n";
        }
        return out;
    }();
    struct Case {
        std::string list;
        bool refused;
    };
    for (const Case &k : {Case{"year,month,day,cNO2_b,cO3_b", true},                   // two names deleted
                          Case{"year,month,day,hour,cNOx_b,cNO2_b,cO3_b,cCO_b", true}, // one too many
                          Case{"YEAR,month,day,hour,cNOx_b", false}, // the last columns left out on purpose
                          Case{"year,month,day,hour,cNOx_b,cNO2_b,cO3_b", false}}) {
        SCOPED_TRACE(k.list);
        const RunReport report = runMet(metLines(1, 24), back, k.list);
        if (!k.refused) {
            EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
            continue;
        }
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.error.find("The input file\r\n" + path("Back.txt") +
                                    "\r\nhas 7 columns (its title line: year month day hour cNOx_b cNO2_b "
                                    "cO3_b), but its variable list names "),
                  0u)
            << report.error;
    }
}

TEST_F(DamagedInput, AFileThatGaveNoValueInAnyHourIsNamedInTheClosingNote) {
    std::string missing;
    for (int h = 1; h <= 24; ++h) {
        missing += "2023 3 6 " + std::to_string(h) + " na\r\n";
    }
    const RunReport report = runMet(metLines(1, 24), missing, "year,month,day,hour,cCO_b");
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_TRUE(
        says("These input files gave no value in any hour of the run (every item of their columns of "
             "values was missing or no number); check their variable lists against their columns:\r\n" +
             path("Back.txt")))
        << said();
    EXPECT_FALSE(says(path("Met.txt") + "\r\n")) << said();
}

TEST_F(DamagedInput, OverlappingSegmentsOfOnePersonAreRefusedNamingThePersonAndTheLines) {
    writeWork("Met.txt", metLines(1, 24));
    const std::string b = "\"B1\",\"B\",1,1,0,1,5,2000,\"2023-03-06 08:00\",\"2023-03-06 09:00\",3600,"
                          "\".\\CityStreet.trf\",20000,40,20,18,100,100,0,1,2,0\r\n";
    ASSERT_NO_FATAL_FAILURE(
        loadRoute(segment("A1", "1", "07:30", "08:30") + b + segment("A2", "2", "08:10", "09:30")));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.error,
              "The route file\r\n" + path("Route.txt") +
                  "\r\nholds overlapping segments of the person A: the segment of line 3 "
                  "(2023-03-06 08:10 to 2023-03-06 09:30) begins before the segment of line 1 ends "
                  "(2023-03-06 08:30).");
    EXPECT_FALSE(fs::exists(work("Out.txt")));

    // Segments that meet, and another person's at the same time, are no overlap.
    ASSERT_NO_FATAL_FAILURE(
        loadRoute(segment("A1", "1", "07:30", "08:30") + b + segment("A2", "2", "08:30", "09:30")));
    EXPECT_EQ(run().outcome, RunOutcome::Completed) << said();
}

TEST_F(DamagedInput, ACarriageReturnInsideALineIsRefusedNamingTheLine) {
    const RunReport report = runMet(metLines(1, 4) + metLine(5) + "\r" + metLines(6, 24));
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_TRUE(says(path("Met.txt") + ", line 5: a carriage return stands inside the line")) << said();
}

TEST_F(DamagedInput, ARouteStepsItsInputsBackByRecordsWhateverBlankLinesLieBetween) {
    std::string met;
    for (int h = 1; h <= 24; ++h) {
        met += metLine(h) + "\r\n" + (h >= 7 && h <= 9 ? "\r\n\r\n" : "");
    }
    writeWork("Met.txt", met);
    ASSERT_NO_FATAL_FAILURE(
        loadRoute(segment("A1", "1", "07:30", "08:30") + segment("A2", "2", "08:30", "09:30")));
    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    std::vector<std::string> rows;
    for (const std::string &line : fileLines(work("Out.txt"))) {
        rows.push_back(cells(line)[0] + " " + cells(line)[1]);
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"segmentid hour", "A1 8", "A1 9", "A2 9", "A2 10"}));
    EXPECT_TRUE(says(": 6 blank lines, the first in line 8"))
        << "blank lines read again are not counted again\n"
        << said();
}

// --- dates of every dated file ---------------------------------------------

struct DateDamage {
    std::string name;
    std::string met;      // the meteorology file
    std::string back;     // a background file "year month day hour cNOx_b" ("" = none)
    std::string expected; // part of the message
    int scenarioYear = 2020;
    std::string backList = "year,month,day,hour,cNOx_b";
};

class DamagedDates : public DamagedInput, public ::testing::WithParamInterface<DateDamage> {};

TEST_P(DamagedDates, StopTheRunNamingTheFilesAndLines) {
    const DateDamage &d = GetParam();
    const std::string expected =
        std::regex_replace(std::regex_replace(d.expected, std::regex("MET"), path("Met.txt")),
                           std::regex("BACK"), path("Back.txt"));
    scenarioYear = d.scenarioYear;
    const RunReport report = runMet(d.met, d.back, d.backList);
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_TRUE(says(expected)) << "expected: " << expected << "\nsaid: " << said();
    EXPECT_FALSE(says("-99,-99,-99"));
}

INSTANTIATE_TEST_SUITE_P(
    DamagedInput, DamagedDates,
    ::testing::Values(
        DateDamage{
            "a repeated hour in one of two dated files", metLines(1, 24),
            backLines(1, 10) + backLines(10, 24),
            "Two input files give different dates or hours for the same record:\r\nMET, line 11: day 6, "
            "month 3, year 2023, hour 11\r\nBACK, line 11: day 6, month 3, year 2023, hour 10"},
        // The later file's date items are the ones the hour takes.
        DateDamage{
            "a day that does not exist in the file whose dates do not count",
            metLines(1, 4) + "2023 2 31 5 3 200 10 0 1000 100 50 40 120 25\r\n" + metLines(6, 24),
            backLines(1, 24),
            "The date of an input record is not valid: day 31, month 2, year 2023, hour 5\r\nMET, line 5"},
        DateDamage{
            "hour 25 in the file whose dates do not count",
            metLines(1, 4) + "2023 3 6 25 3 200 10 0 1000 100 50 40 120 25\r\n" + metLines(6, 24),
            backLines(1, 24),
            "The date of an input record is not valid: day 6, month 3, year 2023, hour 25\r\nMET, line 5"},
        DateDamage{"a repeated hour in the only dated file", metLines(1, 10) + metLines(10, 24), "",
                   "the record of 2023-03-06, hour 10 repeats the hour before it.\r\nMET, line 11"},
        DateDamage{"an hour that goes back", metLines(1, 10) + metLines(5, 24), "",
                   "the record of 2023-03-06, hour 5 follows that of 2023-03-06, hour 10.\r\nMET, line 11"},
        // A record without a year takes the scenario's: where that puts it out
        // of order, the message names the record and the year it took.
        DateDamage{
            "a year of -99 among years",
            metLines(1, 4) + "-99" + metLine(5).substr(4) + "\r\n" + metLines(6, 24), "",
            "The year is missing (-99 or an empty item) in the record\r\nMET, line 5\r\nwhich takes the "
            "scenario year 2020. Dated so, it is the record of 2020-03-06, hour 5, and the record before it "
            "is of 2023-03-06, hour 4: the hours of the input must run forward. Give the record its year."},
        // A year below 0 other than -99 is taken for a missing one: the message names it.
        DateDamage{
            "a year of -1 among years",
            metLines(1, 4) + "-1" + metLine(5).substr(4) + "\r\n" + metLines(6, 24), "",
            "The year is -1 (below 0: taken for a missing one) in the record\r\nMET, line 5\r\nwhich takes "
            "the scenario year 2020. Dated so, it is the record of 2020-03-06, hour 5, and the record before "
            "it is of 2023-03-06, hour 4: the hours of the input must run forward. Give the record its "
            "year."},
        DateDamage{
            "a year of -1 in one dated file and -99 in the other",
            metLines(1, 4) + "-1" + metLine(5).substr(4) + "\r\n" + metLines(6, 24),
            backLines(1, 4) + "-99 3 6 5 30\r\n" + backLines(6, 24),
            "The year is missing or below 0 in the record\r\nMET, line 5 (year -1)\r\nBACK, line 5 (year "
            "-99)\r\nwhich takes the scenario year 2020. Dated so, it is the record of 2020-03-06, hour 5"},
        DateDamage{
            "a year lost among years",
            metLines(1, 4) + "na" + metLine(5).substr(4) + "\r\n" + metLines(6, 24), "",
            "The year is missing (-99 or an empty item) in the record\r\nMET, line 5\r\nwhich takes the "
            "scenario year 2020. Dated so, it is the record of 2020-03-06, hour 5, and the record before it "
            "is of 2023-03-06, hour 4"},
        DateDamage{
            "a year lost in both dated files",
            metLines(1, 4) + "-99" + metLine(5).substr(4) + "\r\n" + metLines(6, 24),
            backLines(1, 4) + "-99 3 6 5 30\r\n" + backLines(6, 24),
            "The year is missing (-99 or an empty item) in the record\r\nMET, line 5\r\nBACK, line "
            "5\r\nwhich takes the scenario year 2020. Dated so, it is the record of 2020-03-06, hour 5"},
        // A later scenario year: the record after it is the one out of order.
        DateDamage{
            "a year lost among years before the scenario year",
            metLines(1, 4) + "-99" + metLine(5).substr(4) + "\r\n" + metLines(6, 24), "",
            "The year is missing (-99 or an empty item) in the record\r\nMET, line 5\r\nwhich takes the "
            "scenario year 2025. Dated so, it is the record of 2025-03-06, hour 5, and the record after it "
            "is of 2023-03-06, hour 6: the hours of the input must run forward. Give the record its year.",
            2025},
        DateDamage{
            "years that begin after records without one",
            "-99" + metLine(1).substr(4) + "\r\n-99" + metLine(2).substr(4) + "\r\n" + metLines(3, 24), "",
            "The year is missing (-99 or an empty item) in the record\r\nMET, line 2\r\nwhich takes the "
            "scenario year 2025. Dated so, it is the record of 2025-03-06, hour 2, and the record after "
            "it is of 2023-03-06, hour 3: the hours of the input must run forward.",
            2025},
        // Beside a file without dates, read record by record, hours may not be left out.
        DateDamage{
            "a year lost beside a file without dates",
            metLines(1, 4) + "-99" + metLine(5).substr(4) + "\r\n" + metLines(6, 24), undatedBackLines(24),
            "The year is missing (-99 or an empty item) in the record\r\nMET, line 5\r\nwhich takes the "
            "scenario year 2025. Dated so, it is the record of 2025-03-06, hour 5, and the record before it "
            "is of 2023-03-06, hour 4: the hours between them are missing, and the other input files, "
            "which carry no dates, would be read against the wrong hours. Give the record its year.",
            2025, "cNOx_b"}),
    [](const ::testing::TestParamInfo<DateDamage> &info) { return testNameOf(info.param.name); });

// A record takes the year of the scenario only when no input file gives one
// for it; a year one file lost is taken from another.
TEST_F(DamagedInput, AYearOneFileLostIsTakenFromAnotherAndRecordsWithoutAnyYearTakeTheScenarios) {
    std::string back = backLines(1, 4) + "-99 3 6 5 30\r\n" + backLines(6, 24);
    RunReport report = runMet(metLines(1, 24), back, "year,month,day,hour,cNOx_b", "year,month,day,hour");
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    ASSERT_EQ(fileLines(work("Out.txt")).size(), 25u) << said();
    EXPECT_EQ(cells(fileLines(work("Out.txt"))[5]), (std::vector<std::string>{"2023", "3", "6", "5"}));

    std::string yearless;
    for (int h = 1; h <= 24; ++h) {
        yearless += "-99" + metLine(h).substr(4) + "\r\n";
    }
    report = runMet(yearless, {}, "cNOx_b", "year,month,day,hour");
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(cells(fileLines(work("Out.txt"))[1])[0], "2020") << "the scenario year";
}

// A record whose year is -99 in every dated file takes the scenario year;
// when that is the year of the data, the run completes with the right dates.
TEST_F(DamagedInput, ARecordWithoutAYearIsDatedInTheScenarioYearWhereThatKeepsTheHoursInOrder) {
    scenarioYear = 2023;
    const std::string yearless5 = metLines(1, 4) + "-99" + metLine(5).substr(4) + "\r\n" + metLines(6, 24);
    struct Case {
        const char *name;
        std::string met, back, backList;
    };
    const std::vector<Case> cases = {
        {"one dated file", yearless5, {}, {}},
        {"two dated files, the year lost in both", yearless5,
         backLines(1, 4) + "-99 3 6 5 30\r\n" + backLines(6, 24), "year,month,day,hour,cNOx_b"},
        {"beside a file without dates", yearless5, undatedBackLines(24), "cNOx_b"},
        {"the first records without a year",
         "-99" + metLine(1).substr(4) + "\r\n-99" + metLine(2).substr(4) + "\r\n" + metLines(3, 24),
         {},
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const RunReport report = runMet(c.met, c.back, c.backList, "year,month,day,hour");
        ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
        const std::vector<std::string> lines = fileLines(work("Out.txt"));
        ASSERT_EQ(lines.size(), 25u) << said();
        for (int h = 1; h <= 24; ++h) {
            EXPECT_EQ(cells(lines[static_cast<std::size_t>(h)]),
                      (std::vector<std::string>{"2023", "3", "6", std::to_string(h)}));
        }
        EXPECT_FALSE(says("year")) << said();
    }
}

// 29 February of a record without a year: dated in a leap scenario year it
// runs; a scenario year without that day refuses it, naming the record that
// lacks its year and the scenario year it would take, whether the year item
// is -99 or the file carries no year at all.
TEST_F(DamagedInput,
       TheTwentyNinthOfFebruaryWithoutAYearIsRefusedNamingTheRecordWhenTheScenarioYearHasNoSuchDay) {
    // Hour h of day d of February 2024, with or without the year item.
    auto februaryLine = [](const std::string &year, int d, int h) {
        return (year.empty() ? "" : year + " ") + "2 " + std::to_string(d) + " " + metLine(h).substr(9) +
               "\r\n";
    };
    struct Case {
        const char *name;
        const char *list; // of Met.txt
        std::string year; // of the records that give one ("" = no year item)
        bool back;        // beside a background file "month day hour cNOx_b"
        std::string refusal;
    };
    const std::string withoutYear = std::string(kMetList).substr(5);
    const std::vector<Case> cases = {
        {"a year of -99 among years", kMetList, "2024", false,
         "The year is missing (-99 or an empty item) in the record\r\nMET, line 3\r\nof 29 February, hour 1, "
         "which would take the scenario year 2023: 2023 has no 29 February. Give the record its year."},
        {"a file without years", withoutYear.c_str(), "", false,
         "The year is missing in the record\r\nMET, line 3\r\nof 29 February, hour 1: its file has no year "
         "or date column. It would take the scenario year 2023: 2023 has no 29 February. Give the file its "
         "years."},
        {"two files without years", withoutYear.c_str(), "", true,
         "The year is missing in the record\r\nMET, line 3\r\nBACK, line 3\r\nof 29 February, hour 1: its "
         "files have no year or date column. It would take the scenario year 2023: 2023 has no 29 February. "
         "Give the files their years."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string met = februaryLine(c.year, 28, 23) + februaryLine(c.year, 28, 24) +
                                februaryLine(c.year.empty() ? "" : "-99", 29, 1) +
                                februaryLine(c.year, 29, 2);
        writeWork("Met.txt", met);
        std::vector<FileRecord> records = {inputFile("Met.txt", c.list),
                                           outputFile("Out.txt", "year,month,day,hour", "0,*")};
        if (c.back) {
            writeWork("Back.txt", "2 28 23 30\r\n2 28 24 30\r\n2 29 1 30\r\n2 29 2 30\r\n");
            records.insert(records.begin() + 1, inputFile("Back.txt", "month,day,hour,cNOx_b"));
        }
        scenarioYear = 2024;
        ASSERT_NO_FATAL_FAILURE(loadWith(records));
        ui.messages.clear();
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
        const std::vector<std::string> lines = fileLines(work("Out.txt"));
        ASSERT_EQ(lines.size(), 5u) << said();
        EXPECT_EQ(cells(lines[3]), (std::vector<std::string>{"2024", "2", "29", "1"}));

        scenarioYear = 2023;
        ASSERT_NO_FATAL_FAILURE(loadWith(records));
        ui.messages.clear();
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back(),
                  std::regex_replace(std::regex_replace(c.refusal, std::regex("MET"), path("Met.txt")),
                                     std::regex("BACK"), path("Back.txt")));
        EXPECT_EQ(fileLines(work("Out.txt")), lines) << "the output of the run before stays";
    }
}

TEST_F(DamagedInput, AnEmptyYearCellOfATableTakesTheScenarioYearAndIsNamedWithItsRowWhereThatBreaksTheOrder) {
    std::string error;
    auto table = createTable(work("Met.xls").string(), "Met",
                             {{"year", ColumnType::Integer},
                              {"month", ColumnType::Integer},
                              {"day", ColumnType::Integer},
                              {"hour", ColumnType::Integer},
                              {"u_mast", ColumnType::Float},
                              {"wind_dir", ColumnType::Float},
                              {"temperature", ColumnType::Float},
                              {"globalrad", ColumnType::Float},
                              {"nlight", ColumnType::Float},
                              {"nheavy", ColumnType::Float},
                              {"speed_light", ColumnType::Float},
                              {"speed_heavy", ColumnType::Float},
                              {"qNOx", ColumnType::Float},
                              {"cNOx_b", ColumnType::Float}},
                             &error);
    ASSERT_TRUE(table) << error;
    for (int h = 1; h <= 6; ++h) {
        // As metLine(h) gives them.
        const Cell year = h == 5 ? Cell() : Cell(2023.0);
        ASSERT_TRUE(table->append({year, 3.0, 6.0, static_cast<double>(h), 3.0, 200.0, 10.0, 0.0, 1000.0,
                                   100.0, 50.0, 40.0, 120.0, 25.0},
                                  &error))
            << error;
    }
    ASSERT_TRUE(table->close(&error)) << error;
    const std::vector<FileRecord> records = {inputFile("Met.xls;Met", kMetList),
                                             outputFile("Out.txt", "year,hour", "0,*")};
    scenarioYear = 2023;
    ASSERT_NO_FATAL_FAILURE(loadWith(records));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(RunFixture::column("Out.txt", "year"), (std::vector<std::string>(6, "2023")));
    EXPECT_EQ(RunFixture::column("Out.txt", "hour"),
              (std::vector<std::string>{"1", "2", "3", "4", "5", "6"}));

    scenarioYear = 2020;
    ASSERT_NO_FATAL_FAILURE(loadWith(records));
    ui.messages.clear();
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_EQ(ui.messages.back(),
              "The year is missing (-99 or an empty item) in the record\r\n" + path("Met.xls") +
                  ";Met, row 5\r\nwhich takes the scenario year 2020. Dated so, it is the "
                  "record of 2020-03-06, hour 5, and the record before it is of 2023-03-06, "
                  "hour 4: the hours of the input must run forward. Give the record its year.");
}

TEST_F(DamagedInput, HoursOfATableThatDoNotRunForwardAreRefusedNamingTheRow) {
    std::string error;
    auto table = createTable(work("Met.xls").string(), "Met",
                             {{"year", ColumnType::Integer},
                              {"month", ColumnType::Integer},
                              {"day", ColumnType::Integer},
                              {"hour", ColumnType::Integer},
                              {"u_mast", ColumnType::Float}},
                             &error);
    ASSERT_TRUE(table) << error;
    for (int h : {1, 2, 3, 3, 4}) {
        ASSERT_TRUE(table->append({2023.0, 3.0, 6.0, static_cast<double>(h), 3.0}, &error)) << error;
    }
    ASSERT_TRUE(table->close(&error)) << error;
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {inputFile("Met.xls;Met", "year,month,day,hour,u_mast"), outputFile("Out.txt", "hour", "0,*")}));
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_TRUE(says("the record of 2023-03-06, hour 3 repeats the hour before it.\r\n" + path("Met.xls") +
                     ";Met, row 4"))
        << said();
}

// --- numbers no value can have ---------------------------------------------

TEST_F(DamagedInput, AFlowOrNumberBeyondWhatItsColumnCanHoldStopsTheRunNamingFileLineAndColumn) {
    struct Case {
        std::string nlight, temperature;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"1e39", "10",
         "line 3: the item 1e39 of column nlight is out of range (a value of the column is "
         "at most 1000000 in magnitude)"},
        {"2000000", "10", "line 3: the item 2000000 of column nlight"},
        {"1000", "-4e38",
         "line 3: the item -4e38 of column temperature is out of range (a value of the "
         "column is at most 3.4E+38 in magnitude)"},
    };
    for (const Case &c : cases) {
        std::string met = metLines(1, 2) + "2023 3 6 3 3 200 " + c.temperature + " 0 " + c.nlight +
                          " 100 50 40 120 25\r\n" + metLines(4, 24);
        const RunReport report = runMet(met);
        EXPECT_EQ(report.outcome, RunOutcome::Failed) << c.nlight;
        EXPECT_TRUE(says(path("Met.txt") + ", " + c.expected)) << said();
    }
    const RunReport report = runMet(metLines(1, 2) + metLine(3, "200", "999999") + "\r\n" + metLines(4, 24));
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << "a large but possible flow is read";
}

// --- what a failure names ----------------------------------------------------

TEST_F(DamagedInput, AFailureNamesTheDayAndHourOnlyWhenARecordWasRead) {
    writeWork("Met.txt", metLines(1, 24));
    const std::string first = segment("A1", "1", "07:30", "08:30");
    const std::string overflowing = segment("A2", "99999", "08:30", "09:30");
    struct Case {
        std::string route;
        std::string ending;
    };
    const std::vector<Case> cases = {
        {overflowing, "is not a 16-bit integer"}, // the first record: no hour read yet
        {first + overflowing, "is not a 16-bit integer\r\n6,3,10"},
    };
    for (const Case &c : cases) {
        ASSERT_NO_FATAL_FAILURE(loadRoute(c.route));
        ASSERT_EQ(run().outcome, RunOutcome::Failed);
        ASSERT_EQ(ui.messages.size(), 1u) << said();
        const std::string &m = ui.messages[0];
        EXPECT_EQ(m.rfind("Error #6\r\n", 0), 0u) << m;
        EXPECT_EQ(m.substr(m.size() - std::min(m.size(), c.ending.size())), c.ending) << m;
    }
}

// --- traffic, streets and route files ---------------------------------------

TEST_F(DamagedInput, NumbersNoTrafficOrStreetCanHaveStopTheRunNamingTheFileAndLine) {
    std::string traffic = readFile(dataDir() / "Data/Traffic/National/DL/CityStreet.trf");
    const std::size_t at = traffic.find("\n7,605.5,");
    ASSERT_NE(at, std::string::npos);
    traffic.replace(at, 10, "\n7,1e39,");
    writeWork("Street.trf", traffic);
    writeWork("Met.txt", metLines(1, 24));
    writeWork("Streets.txt",
              "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",1e39,40,20,18,100,100,0,0,2,0\r\n");
    struct Case {
        std::vector<FileRecord> records;
        std::string project, expected;
    };
    const std::vector<Case> cases = {
        {{{"Street.trf", "traffic", {"20000", "40"}}},
         "Street.vkp",
         path("Street.trf") + ", line 27: expected a flow of 0 to 1000000 vehicles for Cars"},
        {{{"Streets.txt", "streets", {}}},
         "Streets.vkm",
         "Overflow in " + path("Streets.txt") + ", line 1: 1e+39 is too large for a number"},
        {{inputFile("Met.txt", "year,month,day,hour,u_mast", "*,*,*,*,1e39")},
         "Scaled.vkp",
         "An invalid value in the Scaling List in\r\n" + path("Met.txt") + "\r\n1e39"},
    };
    for (const Case &c : cases) {
        std::vector<FileRecord> records = {inputFile("Met.txt", kMetList),
                                           outputFile("Out.txt", "hour", "0,*")};
        records.insert(records.end(), c.records.begin(), c.records.end());
        ASSERT_NO_FATAL_FAILURE(loadProject(c.project, projectText(records, "Street")));
        EXPECT_EQ(run().outcome, RunOutcome::Failed) << c.project;
        EXPECT_TRUE(says(c.expected)) << c.expected << "\n" << said();
    }
}

TEST_F(DamagedInput, ARouteSegmentThatEndsBeforeItStartsIsRefusedWithTheRouteFileLine) {
    writeWork("Met.txt", metLines(1, 24));
    ASSERT_NO_FATAL_FAILURE(
        loadRoute(segment("A1", "1", "07:30", "08:30") + segment("A2", "2", "09:30", "08:30")));
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_TRUE(says(path("Route.txt") +
                     ", line 2: the segment ends (2023-03-06 08:30) before it starts (2023-03-06 09:30)"))
        << said();
}
