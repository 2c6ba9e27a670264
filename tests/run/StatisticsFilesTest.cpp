// Statistics files with what the samples do not use: title rows in a file
// whose first column is a statistic, the street properties of a streets file,
// and the running 8-hour means of every street over input with a gap.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "platform/tables/Tables.h"

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kHours = 48; // 6 and 7 March 2023

std::string metLine(int h) {
    return formatNumber(2.0 + (h % 5) * 0.5) + " " + std::to_string((200 + h * 7) % 360) + " 10 " +
           (h % 24 >= 8 && h % 24 <= 16 ? "300" : "0");
}

class StatisticsFiles : public RunFixture {
protected:
    // Meteorology and background of the hours given (0-based from 6 March, hour 1).
    void writeInputs(const std::vector<int> &hours) {
        std::string met = "year month day hour u_mast wind_dir temperature globalrad\r\n", back;
        for (int h : hours) {
            const std::string date =
                "2023 3 " + std::to_string(6 + h / 24) + " " + std::to_string(h % 24 + 1) + " ";
            met += date + metLine(h) + "\r\n";
            back += date + "30 20 40 300 20\r\n";
        }
        writeWork("Met.txt", met);
        writeWork("Back.txt", back);
    }
    static std::vector<int> allHours() {
        std::vector<int> hours;
        for (int h = 0; h < kHours; ++h) {
            hours.push_back(h);
        }
        return hours;
    }
    static FileRecord met() {
        return inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad");
    }
    // Traffic and NOx emission of every hour, for a single street.
    FileRecord traffic() const {
        writeWork("Traffic.txt", hourlyLines(2023, 3, 6, kHours, [](int h) {
                      return "1000 100 50 40 " + std::to_string(100 + h);
                  }));
        return inputFile("Traffic.txt", "year,month,day,hour,nlight,nheavy,speed_light,speed_heavy,qNOx");
    }
    static FileRecord back() {
        return inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b,cCO_b,cPM10_b");
    }
    // A streets file of the streets given (street records without sectors) and the project of it.
    void loadStreets(const std::vector<std::string> &streets, std::vector<FileRecord> records) {
        std::string text;
        for (const std::string &street : streets) {
            text += street + "\r\n";
        }
        writeWork("Streets.txt", text);
        records.push_back({"Streets.txt", "streets", {}});
        ASSERT_NO_FATAL_FAILURE(loadProject("Streets.vkm", projectText(records, "Streets")));
        ASSERT_TRUE(state.MultiStreetMode);
    }
    // The rows of a ";"-separated file as maps from its header's names to its cells.
    std::vector<std::map<std::string, std::string>> rows(const std::string &file) {
        const std::vector<std::string> lines = fileLines(work(file));
        std::vector<std::map<std::string, std::string>> out;
        const std::vector<std::string> names = lines.empty() ? std::vector<std::string>() : cells(lines[0]);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::vector<std::string> values = cells(lines[i]);
            std::map<std::string, std::string> row;
            for (std::size_t j = 0; j < names.size() && j < values.size(); ++j) {
                row[names[j]] = values[j];
            }
            out.push_back(row);
        }
        return out;
    }
};

// A street record: active, name, x, y, traffic file, daily traffic, speed,
// height, width, lengths 1 and 2, orientation, no sectors, receptor height.
std::string street(const std::string &name, int length1, int length2, int dailyTraffic = 20000) {
    return "#TRUE#,\"" + name + "\",100,200,\".\\CityStreet.trf\"," + std::to_string(dailyTraffic) +
           ",40,20,18," + std::to_string(length1) + "," + std::to_string(length2) + ",30,0,2,0";
}

TEST_F(StatisticsFiles, AStreetsFileShowsEachStreetsOwnLengthOfEachSide) {
    writeInputs(allHours());
    ASSERT_NO_FATAL_FAILURE(loadStreets(
        {street("Long", 150, 90), street("Short", 40, 25)},
        {met(), back(),
         statFile("Streets.sum", "\"Street\",StreetLength_1,StreetLength_2,StreetHeight,StreetWidth",
                  "streets", "0,0")}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const auto r = rows("Streets.sum");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].at("Street"), "Long");
    EXPECT_EQ(r[0].at("StreetLength_1"), "150");
    EXPECT_EQ(r[0].at("StreetLength_2"), "90");
    EXPECT_EQ(r[1].at("StreetLength_1"), "40");
    EXPECT_EQ(r[1].at("StreetLength_2"), "25");
    EXPECT_EQ(r[1].at("StreetHeight"), "20");
    EXPECT_EQ(r[1].at("StreetWidth"), "18");
}

// Hours 1 to 12 of 6 March, then from hour 1 of 7 March on: a gap of twelve
// hours, longer than a running 8-hour window.
std::vector<int> hoursWithAGap() {
    std::vector<int> hours;
    for (int h = 0; h < kHours; ++h) {
        if (h < 12 || h >= 24) {
            hours.push_back(h);
        }
    }
    return hours;
}

TEST_F(StatisticsFiles, RunningEightHourMeansOfEveryStreetStartAfreshAfterAGapInTheInput) {
    writeInputs(hoursWithAGap());
    const std::vector<std::string> streets = {street("North", 100, 100), street("East", 60, 80, 8000),
                                              street("South", 200, 150, 35000)};
    const FileRecord out = outputFile("Out.txt", "day,hour,av8NOx_mod_1,av8NOx_b_1", "0,*");
    ASSERT_NO_FATAL_FAILURE(loadStreets(streets, {met(), back(), out}));
    state.MinNobs8 = 6;
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const auto together = rows("Out.txt");
    const std::size_t perStreet = hoursWithAGap().size();
    ASSERT_EQ(together.size(), 3 * perStreet);

    for (std::size_t k = 0; k < streets.size(); ++k) {
        SCOPED_TRACE(streets[k]);
        // The street run alone, as the only street of its project.
        ASSERT_NO_FATAL_FAILURE(loadStreets({streets[k]}, {met(), back(), out}));
        state.MinNobs8 = 6;
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
        const auto alone = rows("Out.txt");
        ASSERT_EQ(alone.size(), perStreet);
        for (std::size_t i = 0; i < perStreet; ++i) {
            EXPECT_EQ(together[k * perStreet + i], alone[i]) << "row " << i + 1;
        }
        // Hour 1 of 7 March follows hour 12 of 6 March: no 8-hour mean until six
        // hours of the new window are in.
        const auto &first = alone[12];
        ASSERT_EQ(first.at("day"), "7");
        ASSERT_EQ(first.at("hour"), "1");
        for (std::size_t i = 12; i < 17; ++i) {
            EXPECT_EQ(Val(alone[i].at("av8NOx_mod_1")), -99)
                << "hour " << alone[i].at("hour") << " of 7 March";
            EXPECT_EQ(Val(alone[i].at("av8NOx_b_1")), -99);
        }
        EXPECT_GT(Val(alone[17].at("av8NOx_mod_1")), 30) << "hour 6 of 7 March";
        EXPECT_EQ(Val(alone[17].at("av8NOx_b_1")), 30);
    }
}

// A statistics file whose first column is a statistic, its rows headed by a
// title row: the title row keeps its first column only, which holds no
// statistic (a title names none), and the rest of the file is written whole.
TEST_F(StatisticsFiles, ATitleRowAboveStatisticsRowsIsWrittenEmptyAndTheRunCompletes) {
    writeInputs(allHours());
    writeWork("Traffic.txt", hourlyLines(2023, 3, 6, kHours,
                                         [](int h) { return "1000 100 50 40 " + std::to_string(100 + h); }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp", projectText({met(), back(),
                                 inputFile("Traffic.txt",
                                           "year,month,day,hour,nlight,nheavy,speed_light,speed_heavy,qNOx"),
                                 statFile("Stat.txt", "Average_1,MaxHourly_1,nHours_1",
                                          "\"Nitrogen oxides, side 1\",NOx_mod,NOx_b", "0,0.00")})));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(said(), "") << "a title row is no invalid variable name";
    const std::vector<std::string> lines = fileLines(work("Stat.txt"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(cells(lines[0]), (std::vector<std::string>{"Average_1", "MaxHourly_1", "nHours_1"}));
    EXPECT_EQ(cells(lines[1]), (std::vector<std::string>{""})) << "the title row: its first column, empty";
    const std::vector<std::string> modelled = cells(lines[2]), background = cells(lines[3]);
    ASSERT_EQ(modelled.size(), 3u);
    EXPECT_GT(Val(modelled[0]), 30);
    EXPECT_EQ(modelled[2], "48.00");
    EXPECT_EQ(background, (std::vector<std::string>{"30.00", "30.00", "48.00"}));

    // The same layout as a table: the title row's cell is empty, the others are numbers.
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp", projectText({met(), back(),
                                 inputFile("Traffic.txt",
                                           "year,month,day,hour,nlight,nheavy,speed_light,speed_heavy,qNOx"),
                                 statFile("Stat.xls;Statistics", "Average_1,MaxHourly_1,nHours_1",
                                          "\"Nitrogen oxides, side 1\",NOx_mod,NOx_b", "0,0.00")})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(said(), "");
    TableData table;
    std::string error;
    ASSERT_TRUE(readTable(work("Stat.xls").string(), "Statistics", &table, &error)) << error;
    ASSERT_EQ(table.rows.size(), 3u);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(table.rows[0][0]));
    EXPECT_EQ(table.rows[2][0], Cell(30.0));
    EXPECT_EQ(table.rows[2][2], Cell(48.0));
}

TEST_F(StatisticsFiles, AStatisticNobodyKnowsLeavesItsTableCellsEmptyNotZero) {
    writeInputs(allHours());
    ASSERT_NO_FATAL_FAILURE(
        loadProject("Test.vkp", projectText({met(), back(), traffic(),
                                             statFile("Stat.xls;Statistics", "\"Series\",Average_1,Bogus_1",
                                                      "NOx_b,NO2_b", "0,0.00")})));
    EXPECT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_NE(said().find("Invalid variable name in the output list!\r\ncolumn Bogus_1"), std::string::npos)
        << said();
    // The incomplete file replaces nothing: it keeps the temporary name the message gives.
    EXPECT_FALSE(std::filesystem::exists(work("Stat.xls")));
    const std::string text = said();
    const std::size_t at = text.find("is kept in\r\n");
    ASSERT_NE(at, std::string::npos) << text;
    std::string kept = text.substr(at + std::string("is kept in\r\n").size());
    kept = kept.substr(0, kept.find_first_of("\r\n"));
    TableData table;
    std::string error;
    ASSERT_TRUE(readTable(kept, "Statistics", &table, &error)) << error;
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0][1], Cell(30.0));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(table.rows[0][2])) << "no statistic is no 0";
    EXPECT_TRUE(std::holds_alternative<std::monostate>(table.rows[1][2]));
}

} // namespace
