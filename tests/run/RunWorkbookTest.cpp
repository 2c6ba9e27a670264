// The sample single-street year run with the workbooks analysts make: its
// hourly output and statistics in one Excel workbook, its statistics layout
// in Excel and Lotus tables, its meteorology in a workbook of formulas and
// date-times shown as dates, a year too long for a Lotus worksheet,
// damaged input workbooks, and its tables in Access databases made elsewhere,
// under the names analysts give them.

#include "run/RunFixture.h"

#include "core/Calendar.h"
#include "platform/XlsRecords.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/TableLock.h"
#include "platform/tables/Tables.h"
#include "support/JetTestSupport.h"
#include "support/ProgramUnderTest.h"

#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <utility>

using namespace vesk;
using namespace vesk::test;

namespace {

class RunWorkbooks : public RunFixture {
protected:
    RunWorkbooks() {
        for (const char *name : {"Met2023.txt", "Back2023.txt", "Obs2023.txt", "DemoStreet.trf"}) {
            fs::copy_file(dataDir() / "Working" / name, work(name));
        }
    }

    // The sample single-street project with texts of its own (file records, variable lists).
    void loadSampleEdited(const std::vector<std::pair<std::string, std::string>> &edits) {
        std::string text = readFile(dataDir() / "Working" / "DemoStreet.vkp");
        for (const auto &[from, to] : edits) {
            const auto at = text.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            text.replace(at, from.size(), to);
        }
        loadProject("DemoStreet.vkp", text);
    }
    // The sample with file names of its own.
    void loadSample(const std::vector<std::pair<std::string, std::string>> &names) {
        std::vector<std::pair<std::string, std::string>> edits;
        for (const auto &[from, to] : names) {
            edits.emplace_back("\"" + from + "\"", "\"" + to + "\"");
        }
        loadSampleEdited(edits);
    }
    // The sample reading its meteorology from the sheet Met of Met2023.xls,
    // dated by its one "date" column.
    void loadWorkbookMeteorology() {
        loadSampleEdited({{"\"Met2023.txt\",#TRUE#,\"input\"\r\n[year,\r\nmonth,\r\nday,\r\nhour,\r\n",
                           "\"Met2023.xls;Met$\",#TRUE#,\"input\"\r\n[date,\r\n"}});
    }

    // The items of a text output line split at blanks or ";"; "-99..." as Null.
    static std::vector<Cell> textCells(const std::string &line) {
        std::string spaced = line;
        std::replace(spaced.begin(), spaced.end(), ';', ' ');
        std::istringstream in(spaced);
        std::vector<Cell> out;
        std::string item;
        while (in >> item) {
            const double v = std::strtod(item.c_str(), nullptr);
            if (item.find_first_not_of("-+.0123456789") != std::string::npos) {
                out.emplace_back(item);
            } else if (v > -99) {
                out.emplace_back(v);
            } else {
                out.emplace_back(std::monostate{});
            }
        }
        return out;
    }

    // The text output's rows below its header, as cells.
    std::vector<std::vector<Cell>> textRows(const std::string &file) {
        std::vector<std::vector<Cell>> rows;
        const std::vector<std::string> lines = fileLines(work(file));
        for (std::size_t i = 1; i < lines.size(); ++i) {
            rows.push_back(textCells(lines[i]));
        }
        return rows;
    }

    TableData table(const std::string &file, const std::string &name) {
        TableData t;
        std::string error;
        EXPECT_TRUE(readTable(work(file).string(), name, &t, &error)) << error;
        return t;
    }
};

// The sample's statistics and hourly output as the text run writes them.
struct TextResults {
    std::vector<std::vector<Cell>> statistics, hourly;
};

TEST_F(RunWorkbooks, HourlyOutputAndStatisticsInOneWorkbookAreBothComplete) {
    ASSERT_NO_FATAL_FAILURE(loadSample({}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    TextResults text{textRows("Stat2023.txt"), textRows("Out2023.txt")};
    ASSERT_EQ(text.hourly.size(), 8760u);

    ASSERT_NO_FATAL_FAILURE(
        loadSample({{"Out2023.txt", "Results.xls;Hourly"}, {"Stat2023.txt", "Results.xls;Statistics"}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(said(), "") << "every statistics column has its type and values";

    std::vector<TableInfo> sheets;
    std::string error;
    ASSERT_TRUE(listTables(work("Results.xls").string(), &sheets, &error)) << error;
    ASSERT_EQ(sheets.size(), 2u);
    const TableData hourly = table("Results.xls", "Hourly$");
    EXPECT_EQ(hourly.fields,
              (std::vector<std::string>{"year", "month", "day", "hour", "cNOx_mod_1", "cNOx_mod_2",
                                        "cNO2_mod_1", "cNO2_mod_2", "cPM10_mod_1", "cPM10_mod_2"}));
    ASSERT_EQ(hourly.rows.size(), 8760u) << "no hour lost to the statistics written later";
    for (std::size_t r = 0; r < hourly.rows.size(); r += 97) {
        EXPECT_EQ(hourly.rows[r], text.hourly[r]) << "hour " << r + 1;
    }
    EXPECT_EQ(hourly.rows.back(), text.hourly.back());

    const TableData stats = table("Results.xls", "Statistics$");
    EXPECT_EQ(stats.fields.front(), "Series");
    EXPECT_EQ(stats.fields.size(), 12u);
    EXPECT_EQ(stats.rows, text.statistics) << "every column filled as the text file is";
}

TEST_F(RunWorkbooks, AWorkbookWithAnUnknownStatisticIsWrittenAsideWholeAndTheOldOneKept) {
    ASSERT_NO_FATAL_FAILURE(
        loadSample({{"Out2023.txt", "Results.xls;Hourly"}, {"Stat2023.txt", "Results.xls;Statistics"}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::string previous = readFile(work("Results.xls"));

    ASSERT_NO_FATAL_FAILURE(loadSampleEdited({{"\"Out2023.txt\"", "\"Results.xls;Hourly\""},
                                              {"\"Stat2023.txt\"", "\"Results.xls;Statistics\""},
                                              {"O3_mod]", "O3_mod,\r\nNOx_xyz]"}}));
    ui.messages.clear();
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << said();
    EXPECT_NE(said().find("Invalid variable name in the output list!\r\nrow NOx_xyz\r\n"), std::string::npos)
        << said();
    EXPECT_EQ(readFile(work("Results.xls")), previous) << "the workbook of the previous run is kept";
    ASSERT_EQ(report.keptFiles.size(), 1u);
    const fs::path kept = report.keptFiles[0];
    EXPECT_EQ(kept.parent_path(), workDir);
    EXPECT_EQ(kept.filename().string().rfind(".Results.xls.", 0), 0u) << kept;
    TableData hourly, stats;
    std::string error;
    ASSERT_TRUE(readTable(kept.string(), "Hourly", &hourly, &error)) << error;
    ASSERT_TRUE(readTable(kept.string(), "Statistics", &stats, &error)) << error;
    EXPECT_EQ(hourly.rows.size(), 8760u) << "the workbook kept aside holds every table of the run";
    ASSERT_EQ(stats.rows.size(), 10u);
    EXPECT_EQ(stats.rows[9][0], Cell(std::string("NOx_xyz")));
    EXPECT_TRUE(isNull(stats.rows[9][1])) << "the unknown statistics are left empty";
}

// A sound workbook whose lock file is a link or a folder: the run is refused
// for the lock file, saying what is there, and never calls the workbook
// corrupted; the workbook, the link and its file stay as they were.
TEST_F(RunWorkbooks, AWorkbookWhoseLockFileIsALinkOrAFolderIsRefusedForItsLockFile) {
    const std::string book = work("Out.xls").string();
    std::string error;
    auto previous = createTable(book, "Hourly", {{"hour", ColumnType::Integer}}, &error);
    ASSERT_TRUE(previous && previous->append({1.0}, &error) && previous->close(&error)) << error;
    const std::string before = readFile(book);
    const std::string met = readFile(work("Met2023.txt"));
    const fs::path lock = tables::tableLockPath(book);
    for (const std::string kind : {"a symbolic link", "a folder"}) {
        SCOPED_TRACE(kind);
        if (kind == "a folder") {
            fs::create_directory(lock);
        } else {
            fs::create_symlink(work("Met2023.txt"), lock);
        }
        ASSERT_NO_FATAL_FAILURE(loadSample({{"Out2023.txt", "Out.xls;Hourly"}}));
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.hours, 0);
        EXPECT_EQ(said().find("corrupted"), std::string::npos) << said();
        EXPECT_NE(said().find("The lock file " + lock.string() + " for " + book + " is " + kind +
                              ", not a lock file: it is left as it is"),
                  std::string::npos)
            << said();
        EXPECT_EQ(readFile(book), before);
        EXPECT_EQ(readFile(work("Met2023.txt")), met);
        EXPECT_EQ(fs::symlink_status(lock).type(),
                  kind == "a folder" ? fs::file_type::directory : fs::file_type::symlink);
        EXPECT_FALSE(fs::exists(work("Stat2023.txt"))) << "nothing of the run is written";
        fs::remove(lock);
        ui.messages.clear();
    }
}

class RunStatisticsTables : public RunWorkbooks, public testing::WithParamInterface<const char *> {};

TEST_P(RunStatisticsTables, TheSampleLayoutIsWrittenWithEveryColumnFilled) {
    ASSERT_NO_FATAL_FAILURE(loadSample({}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const auto expected = textRows("Stat2023.txt");

    const std::string file = GetParam();
    ASSERT_NO_FATAL_FAILURE(loadSample({{"Stat2023.txt", file + ";Statistics"}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(said(), "");
    const TableData stats = table(file, "Statistics");
    ASSERT_EQ(stats.rows.size(), 9u);
    EXPECT_EQ(stats.rows, expected);
    // nHours is a whole number, the averages keep their decimals.
    EXPECT_EQ(std::get<double>(stats.rows[0][11]), 8760.0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RunStatisticsTables, testing::Values("Stat.xls", "Stat.wk1", "Stat.wks", "Stat.wk2", "Stat.wk3",
                                                         "Stat.wk4"),
                         [](const auto &info) { return testNameOf(info.param); });

TEST_F(RunWorkbooks, AYearTooLongForALotusWorksheetIsRefusedBeforeTheFirstHour) {
    writeWork("Out.wk1", "an older file");
    ASSERT_NO_FATAL_FAILURE(loadSample({{"Out2023.txt", "Out.wk1;Hourly"}}));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.hours, 0) << "refused at binding, not when the table is full";
    EXPECT_NE(said().find("cannot hold 8760 rows of values: a .wk1 worksheet holds at most 8191"),
              std::string::npos)
        << said();
    EXPECT_EQ(said().find("Network Drive"), std::string::npos);
    EXPECT_EQ(readFile(work("Out.wk1")), "an older file") << "no partial table left behind";

    // Three months fit.
    state.StartAuto = state.EndAuto = false;
    state.StartDate = {2023, 1, 1};
    state.StartHour = 1;
    state.EndDate = {2023, 3, 31};
    state.EndHour = 24;
    ui.messages.clear();
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(table("Out.wk1", "Hourly").rows.size(), 2160u);
}

// A period given by its start alone, or by both ends, against the sample's
// year 2023: the rows a Lotus worksheet would take are the hours of the
// data within the period, not the records of the files.
struct PeriodInWorksheet {
    const char *name;
    PeriodDate start;
    std::optional<PeriodDate> end; // nullopt: to the end of the data
    RunOutcome outcome;
    std::size_t rows; // of the worksheet after a completed run
};

class RunPeriodsInAWorksheet : public RunWorkbooks, public testing::WithParamInterface<PeriodInWorksheet> {};

TEST_P(RunPeriodsInAWorksheet, AreRefusedOrRunAsTheTextOutputIs) {
    const PeriodInWorksheet &p = GetParam();
    writeWork("Out.wk1", "an older file");
    std::vector<std::vector<Cell>> textHours;
    for (const bool worksheet : {false, true}) {
        SCOPED_TRACE(worksheet ? "a .wk1 worksheet" : "a text file");
        ASSERT_NO_FATAL_FAILURE(loadSample({{"Out2023.txt", worksheet ? "Out.wk1;Hourly" : "Out.txt"}}));
        state.StartAuto = false;
        state.StartDate = p.start;
        state.StartHour = 1;
        state.EndAuto = !p.end;
        if (p.end) {
            state.EndDate = *p.end;
            state.EndHour = 24;
        }
        ui.messages.clear();
        EXPECT_EQ(run().outcome, p.outcome) << said();
        if (p.outcome == RunOutcome::NoData) {
            EXPECT_EQ(said(), "No data within the specified Start and End Dates!\n");
        } else if (worksheet) {
            EXPECT_EQ(table("Out.wk1", "Hourly").rows, textHours) << "the hours of the text file";
        } else {
            textHours = textRows("Out.txt");
            EXPECT_EQ(textHours.size(), p.rows);
        }
    }
    if (p.outcome == RunOutcome::NoData) {
        EXPECT_EQ(readFile(work("Out.wk1")), "an older file");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Periods, RunPeriodsInAWorksheet,
    testing::Values(
        PeriodInWorksheet{"StartingAfterTheDataAlone", {2024, 3, 1}, std::nullopt, RunOutcome::NoData, 0},
        PeriodInWorksheet{"AYearAfterTheData", {2024, 1, 1}, PeriodDate{2024, 12, 31}, RunOutcome::NoData, 0},
        PeriodInWorksheet{"StartingInTheDataAlone", {2023, 12, 1}, std::nullopt, RunOutcome::Completed, 744},
        PeriodInWorksheet{"AYearOverlappingTheLastMonth",
                          {2023, 12, 1},
                          PeriodDate{2024, 11, 30},
                          RunOutcome::Completed,
                          744}),
    [](const auto &info) { return std::string(info.param.name); });

// A multi-street run writes the hours within its period for every active street.
TEST_F(RunWorkbooks, AMultiStreetRunIsRefusedOrRunByTheHoursOfItsActiveStreetsWithinThePeriod) {
    fs::copy_file(dataDir() / "Working" / "Streets.txt", work("Streets.txt"));
    std::string text = readFile(dataDir() / "Working" / "DemoStreets.vkm");
    const std::string output = "\"StreetsOut2023.txt\"";
    text.replace(text.find(output), output.size(), "\"Out.wk1;Hourly\"");
    loadProject("DemoStreets.vkm", text);
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_NE(said().find("cannot hold 26280 rows of values"), std::string::npos) << said();

    state.StartAuto = state.EndAuto = false;
    state.StartDate = {2024, 1, 1};
    state.StartHour = 1;
    state.EndDate = {2024, 12, 31};
    state.EndHour = 24;
    ui.messages.clear();
    EXPECT_EQ(run().outcome, RunOutcome::NoData) << said();
    EXPECT_EQ(said(), "No data within the specified Start and End Dates!\n");

    state.StartDate = {2023, 12, 1};
    ui.messages.clear();
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(table("Out.wk1", "Hourly").rows.size(), 3u * 744u) << "three active streets";
}

// A route's segments give its hours: no bound is known before the run, and
// its rows fill the worksheet as they come.
TEST_F(RunWorkbooks, ARouteWritesItsHoursToALotusWorksheet) {
    fs::copy_file(dataDir() / "Working" / "DemoRoute.txt", work("DemoRoute.txt"));
    const std::string route = readFile(dataDir() / "Working" / "DemoRoute.vkp");
    loadProject("DemoRoute.vkp", route);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::size_t hours = fileLines(work("RouteOut2023.txt")).size() - 1;
    ASSERT_GT(hours, 0u);

    std::string text = route;
    const std::string output = "\"RouteOut2023.txt\"";
    text.replace(text.find(output), output.size(), "\"RouteOut.wk1;Hourly\"");
    loadProject("DemoRoute.vkp", text);
    ui.messages.clear();
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(table("RouteOut.wk1", "Hourly").rows.size(), hours);
}

// The sample's meteorology as a workbook: dates and hours in one column of
// date-times shown with a date-only format, the wind speed as formulas (the
// rows given their own wind speed cell).
std::string meteorologyWorkbook(const std::string &metText,
                                const std::map<int, std::string> &windCells = {}) {
    xls::Book book;
    book.cellFormats = {14}; // XF 16: m/d/yy, a date alone
    std::string cells;
    const std::vector<std::string> names = {"date", "u_mast", "wind_dir", "temperature", "globalrad"};
    for (std::size_t c = 0; c < names.size(); ++c) {
        cells += xls::labelSst(0, static_cast<int>(c), static_cast<int>(c));
        book.strings.push_back(names[c]);
    }
    std::istringstream lines(metText);
    std::string line;
    std::getline(lines, line); // the title line
    int row = 0;
    while (std::getline(lines, line)) {
        std::istringstream items(line);
        int year = 0, month = 0, day = 0, hour = 0;
        double wind = 0, direction = 0, temperature = 0, radiation = 0;
        if (!(items >> year >> month >> day >> hour >> wind >> direction >> temperature >> radiation)) {
            continue;
        }
        ++row;
        const double serial =
            static_cast<double>(daysFromCivil(year, month, day) + kSerialDayOf1970) + (hour - 1) / 24.0;
        const auto own = windCells.find(row);
        cells += xls::number(row, 0, 16, serial) +
                 (own != windCells.end() ? own->second : xls::formulaNumber(row, 1, 15, wind)) +
                 xls::number(row, 2, 15, direction) + xls::number(row, 3, 15, temperature) +
                 xls::number(row, 4, 15, radiation);
    }
    book.sheets.push_back({"Met", cells, static_cast<std::uint32_t>(row + 1), 5});
    return book.file();
}

TEST_F(RunWorkbooks, AMeteorologyWorkbookOfFormulasAndDateTimesShownAsDatesRunsAsItsTextFile) {
    ASSERT_NO_FATAL_FAILURE(loadSample({}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::string expected = readFile(work("Stat2023.txt"));

    writeWork("Met2023.xls", meteorologyWorkbook(readFile(work("Met2023.txt"))));
    ASSERT_NO_FATAL_FAILURE(loadWorkbookMeteorology());
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(readFile(work("Stat2023.txt")), expected) << "every hour dated and every wind speed read";
}

TEST_F(RunWorkbooks, AFormulaWithAnErrorIsAMissingValueTheRunReports) {
    writeWork("Met2023.xls",
              meteorologyWorkbook(readFile(work("Met2023.txt")),
                                  {{10, xls::formulaError(10, 1, 0x07)},    // #DIV/0!
                                   {11, xls::formulaError(11, 1, 0x2A)}})); // #N/A: missing by intent
    ASSERT_NO_FATAL_FAILURE(loadWorkbookMeteorology());
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_NE(said().find("Items of the input files that are not numbers were read as missing values"),
              std::string::npos)
        << said();
    EXPECT_NE(said().find("column u_mast: 1 item"), std::string::npos) << said();
}

struct DamagedInput {
    const char *name;
    std::string file;
    // Made when the test runs: every start of the test program registers
    // the cases, and a year's workbook takes a while to make.
    std::string (*bytes)();
};

class RunDamagedInputs : public RunWorkbooks, public testing::WithParamInterface<DamagedInput> {};

std::string truncated(const std::string &bytes) {
    return bytes.substr(0, bytes.size() * 62 / 100);
}

// The meteorology of the first days of the year as a .wk1 worksheet.
std::string meteorologyWorksheet() {
    tables::Sheet sheet;
    sheet.rows.push_back({std::string("year"), std::string("month"), std::string("day"), std::string("hour"),
                          std::string("u_mast"), std::string("wind_dir")});
    for (int h = 0; h < 240; ++h) {
        sheet.rows.push_back({2023.0, 1.0, 1.0 + h / 24, 1.0 + h % 24, 3.5, 200.0});
    }
    return tables::wk1Bytes(sheet);
}

TEST_P(RunDamagedInputs, StopTheRunNamingTheFileNeverRunOverFewerHours) {
    const DamagedInput &input = GetParam();
    writeWork(input.file, input.bytes());
    ASSERT_NO_FATAL_FAILURE(loadSampleEdited({{"\"Met2023.txt\"", "\"" + input.file + ";Met\""},
                                              {"wind_dir,\r\ntemperature,\r\nglobalrad]", "wind_dir]"}}));
    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.hours, 0);
    EXPECT_NE(said().find(work(input.file).string()), std::string::npos) << said();
    EXPECT_NE(said().find("is damaged"), std::string::npos) << said();
}

INSTANTIATE_TEST_SUITE_P(
    Files, RunDamagedInputs,
    testing::Values(DamagedInput{"truncated Lotus worksheet", "Met.wk1",
                                 [] { return truncated(meteorologyWorksheet()); }},
                    DamagedInput{"truncated Excel workbook", "Met.xls",
                                 [] {
                                     return truncated(meteorologyWorkbook(
                                         readFile(dataDir() / "Working" / "Met2023.txt")));
                                 }}),
    [](const auto &info) { return testNameOf(info.param.name); });

// A cell without a record in a Lotus input, as 1-2-3 saves an empty cell
// and earlier versions of this program wrote a value of -99, is a missing
// value: the run gives the statistics of the text file with the item
// missing, one hour fewer in their count.
using EmptyInputCells = RunFixture;

TEST_F(EmptyInputCells, AnEmptyLotusCellIsAMissingHourAsInTheTextFile) {
    const std::string variables = "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,"
                                  "speed_light,speed_heavy,qNOx,qNO2,cNOx_b,cNO2_b,cO3_b";
    // 24 hours with an NO2 background of 20 + h % 3, none in hour 10.
    tables::Sheet sheet{"Met", {{}}};
    std::string text;
    std::istringstream names(variables);
    for (std::string name; std::getline(names, name, ',');) {
        sheet.rows[0].emplace_back(name);
    }
    for (int h = 1; h <= 24; ++h) {
        const std::vector<int> values = {2023, 3,  6,  h,   3,  200, 10,         300, 1000,
                                         100,  50, 40, 120, 12, 40,  20 + h % 3, 60};
        std::vector<Cell> row;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const bool missing = h == 10 && i == 15;
            row.push_back(missing ? Cell{} : Cell(static_cast<double>(values[i])));
            text += (i > 0 ? " " : "") + (missing ? std::string("-99") : std::to_string(values[i]));
        }
        sheet.rows.push_back(std::move(row));
        text += "\r\n";
    }
    // 1-2-3 writes no record for an empty cell: our writer's blank taken out.
    const std::string written = tables::wk1Bytes(sheet);
    std::string saved;
    for (std::size_t at = 0; at + 4 <= written.size();) {
        const std::size_t end = at + 4 + tables::get16(written, at + 2);
        if (tables::get16(written, at) != 0x000C) {
            saved += written.substr(at, end - at);
        }
        at = end;
    }
    ASSERT_LT(saved.size(), written.size());
    writeWork("Hours.txt", text);
    writeWork("Hours.wk1", saved);
    const auto stat = statFile("Stat.txt", "\"Series\",Average_1,nHours_1", "NO2_b,NO2_mod", "0,0.00");

    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText({inputFile("Hours.txt", variables), stat})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> expected = fileLines(work("Stat.txt"));
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(cells(expected[1]), (std::vector<std::string>{"NO2_b", "21.00", "23.00"}));

    ASSERT_NO_FATAL_FAILURE(
        loadProject("Test.vkp", projectText({inputFile("Hours.wk1;Met", variables), stat})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(fileLines(work("Stat.txt")), expected);
}

} // namespace

// The sample's hourly output and statistics in Access databases: a new one,
// and a copy of a real database made elsewhere, whose other tables export
// byte for byte as before (mdbtools' mdb-export, a reader made elsewhere).
// A real database made elsewhere, and one of its tables.
struct RealDatabase {
    const char *name;     // of the test
    const char *file;     // in ../shared/testdata/mdb ("": a new database)
    const char *table;
};

class RunAccessTables : public RunWorkbooks, public testing::WithParamInterface<RealDatabase> {};

TEST_P(RunAccessTables, HourlyOutputAndStatisticsAreEveryRowOfTheTextFiles) {
    const bool existing = *GetParam().file != '\0';
    const std::string own = GetParam().table;
    std::string others;
    if (existing) {
        const fs::path src = sharedTestFile(std::string("mdb/") + GetParam().file);
        WINVESK_NEEDS_SHARED_FILE(src);
        WINVESK_NEEDS_TOOL("mdb-export");
        fs::copy_file(src, work("Results.mdb"));
        fs::permissions(work("Results.mdb"), fs::perms::owner_read | fs::perms::owner_write);
        others = commandOutput("mdb-export " + shellQuoted(work("Results.mdb").string()) + " " + shellQuoted(own));
        ASSERT_FALSE(others.empty());
    }
    ASSERT_NO_FATAL_FAILURE(loadSample({}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    TextResults text{textRows("Stat2023.txt"), textRows("Out2023.txt")};

    ASSERT_NO_FATAL_FAILURE(
        loadSample({{"Out2023.txt", "Results.mdb;Hourly"}, {"Stat2023.txt", "Results.mdb;Statistics"}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(said(), "");
    const TableData hourly = table("Results.mdb", "Hourly");
    ASSERT_EQ(hourly.rows.size(), 8760u);
    for (std::size_t r = 0; r < hourly.rows.size(); ++r) {
        ASSERT_EQ(hourly.rows[r], text.hourly[r]) << "hour " << r + 1;
    }
    EXPECT_EQ(table("Results.mdb", "Statistics").rows, text.statistics);
    if (existing) {
        EXPECT_TRUE(commandOutput("mdb-export " + shellQuoted(work("Results.mdb").string()) + " " + shellQuoted(own)) ==
                    others)
            << "the database's own table exports byte for byte as before";
        // A second run replaces both tables.
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
        EXPECT_EQ(table("Results.mdb", "Hourly").rows.size(), 8760u);
    }
}

INSTANTIATE_TEST_SUITE_P(Databases, RunAccessTables,
                         testing::Values(RealDatabase{"ANewDatabase", "", ""},
                                         RealDatabase{"ARealDatabase", "DateTestDatabase.mdb", "DateTest"},
                                         RealDatabase{"AnAccess97Database", "nwind.mdb", "Order Details"},
                                         RealDatabase{"ADatabaseWhoseGlobalMapRefersToNoMapPage",
                                                      "testRefGlobalV2000.mdb", "Table1"}),
                         [](const auto &info) { return std::string(info.param.name); });

// The sample's hourly output of two weeks under names an analyst gives tables, in copies
// of an Access 97 (Jet 3) and an Access 2000 (Jet 4) database made elsewhere:
// each name Access accepts that the database's version can hold is taken,
// read back by mdb-export as the text output gives it, the second run
// replacing the table; any other name is refused before the first hour,
// naming the character, the file untouched.
namespace {

struct NamedOutput {
    const char *database; // in ../shared/testdata/mdb
    const char *table;
    const char *said; // "" when the name is taken
    // A table of the database, written by a run before when the database
    // does not hold it, that the name replaces ("": none).
    const char *existing = "";
    // The key of the name in the catalogue's index as Access builds it
    // (empty: not checked here).
    std::string key = {};
};

void PrintTo(const NamedOutput &n, std::ostream *os) {
    *os << n.database << ";" << n.table;
}

class RunAccessTableNames : public RunWorkbooks, public testing::WithParamInterface<NamedOutput> {
protected:
    // The sample with file names of its own, run over two weeks of March: the
    // names, not the rows, are what these cases vary.
    void loadTwoWeeks(const std::vector<std::pair<std::string, std::string>> &names) {
        ASSERT_NO_FATAL_FAILURE(loadSample(names));
        state.StartAuto = state.EndAuto = false;
        state.StartDate = PeriodDate{2023, 3, 9};
        state.EndDate = PeriodDate{2023, 3, 22};
        state.StartHour = 1;
        state.EndHour = 24;
    }
    // The text output as mdb-export prints its table: the names, then the
    // values (16 significant digits, a missing value (-99) empty), each line
    // joined by ",".
    std::string textAsExported(const std::string &file) {
        std::string out;
        for (const std::string &line : fileLines(work(file))) {
            std::istringstream items(line);
            std::string item, joined;
            for (bool first = true; items >> item; first = false) {
                joined += first ? "" : ",";
                if (item.find_first_not_of("-+.0123456789") != std::string::npos) {
                    joined += item;
                } else if (const double v = std::strtod(item.c_str(), nullptr); v > -99) {
                    char number[40];
                    std::snprintf(number, sizeof number, "%.16g", v);
                    joined += number;
                }
            }
            out += joined + "\n";
        }
        return out;
    }
};

TEST_P(RunAccessTableNames, AreTakenAsAccessTakesThemOrRefusedBeforeTheFirstHour) {
    WINVESK_NEEDS_TOOL("mdb-export");
    const fs::path src = sharedTestFile(std::string("mdb/") + GetParam().database);
    WINVESK_NEEDS_SHARED_FILE(src);
    const std::string file = work("Results.mdb").string(), name = GetParam().table;
    fs::copy_file(src, file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    const std::string replaced = GetParam().existing;
    if (!replaced.empty() && everyTable(file).count(replaced) == 0) {
        ASSERT_NO_FATAL_FAILURE(loadTwoWeeks({{"Out2023.txt", "Results.mdb;" + replaced}}));
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << "writing " << replaced << ": " << said();
    }
    const std::string bytes = readFile(file);
    auto before = everyTable(file);
    // The text output every table must equal, the same for every name: run
    // once in a test program.
    static std::optional<std::pair<std::string, std::vector<std::vector<Cell>>>> textOutput;
    if (!textOutput) {
        ASSERT_NO_FATAL_FAILURE(loadTwoWeeks({}));
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
        ASSERT_EQ(textRows("Out2023.txt").size(), 14u * 24u);
        textOutput.emplace(textAsExported("Out2023.txt"), textRows("Out2023.txt"));
    }
    const auto &[text, textHourly] = *textOutput;

    ASSERT_NO_FATAL_FAILURE(loadTwoWeeks({{"Out2023.txt", "Results.mdb;" + name}}));
    if (*GetParam().said) {
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.hours, 0) << "refused before the first hour";
        EXPECT_NE(said().find(GetParam().said), std::string::npos) << said();
        EXPECT_EQ(readFile(file), bytes);
        return;
    }
    for (const char *pass : {"the first run", "the second run, replacing the table"}) {
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << pass << ": " << said();
        EXPECT_TRUE(mdbTool("mdb-export", file, " " + shellQuoted(name)) == text) << pass;
        EXPECT_EQ(table("Results.mdb", name).rows, textHourly)
            << pass << ", through the program's own reader";
        ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file)) << pass;
        if (!GetParam().key.empty()) {
            EXPECT_EQ(testing::PrintToString(catalogueKeyOf(file, name)),
                      testing::PrintToString(GetParam().key))
                << pass << ": the key Access gives the name";
        }
    }
    auto after = everyTable(file);
    EXPECT_EQ(after.count(name), 1u);
    if (!replaced.empty()) {
        EXPECT_EQ(after.count(replaced), 0u) << "replaced, its name now " << name;
        EXPECT_EQ(before.count(replaced), 1u);
    }
    for (auto *tables : {&before, &after}) {
        tables->erase(name);
        tables->erase(replaced);
        tables->erase("MSysObjects");
    }
    EXPECT_TRUE(after == before) << "every other table exports as before";
}

std::string key(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) {
        s.push_back(static_cast<char>(b));
    }
    return s;
}

const NamedOutput kNamedOutputs[] = {
    {"nwind.mdb", "Hourly_Out", ""},
    {"nwind.mdb", "Stat#1", ""},
    {"nwind.mdb", "O'Brien", ""},
    {"nwind.mdb", "Hourly-Out", ""},
    {"nwind.mdb", "Stündliche Werte", ""},
    {"nwind.mdb", "Straße", ""},
    {"nwind.mdb", "Nørrebro", ""},
    {"nwind.mdb", "Ærø", ""},
    {"nwind.mdb", "Ñandú", ""},
    {"nwind.mdb", "€ Werte", ""},
    {"nwind.mdb", "Hourly~1", ""},
    {"nwind.mdb", "Łódź",
     "holds \"Ł\", which the database's code page (1252) lacks; name the table without it"},
    {"DateTestDatabase.mdb", "Hourly_Out", ""},
    {"DateTestDatabase.mdb", "Stat#1", ""},
    {"DateTestDatabase.mdb", "O'Brien", ""},
    {"DateTestDatabase.mdb", "Hourly-Out", ""},
    {"DateTestDatabase.mdb", "Stündliche Werte", ""},
    {"DateTestDatabase.mdb", "Straße", ""},
    {"DateTestDatabase.mdb", "Nørrebro", ""},
    {"DateTestDatabase.mdb", "Ærø", ""},
    {"DateTestDatabase.mdb", "Ñandú", ""},
    {"DateTestDatabase.mdb", "Łódź", ""},
    {"DateTestDatabase.mdb", "€ Werte", ""},
    {"DateTestDatabase.mdb", "Åby", ""},
    {"DateTestDatabase.mdb", "Hourly \xF0\x9F\x98\x80",
     "holds \"\xF0\x9F\x98\x80\" (U+1F600), which this program cannot place in the sort order of Access (its "
     "tables end at U+FFFF); name the table without it"},
    // Names with "ß" before a letter with a diacritic, under the keys Access
    // 97 gives them: "ß" counts as the two letters "ss" before the diacritic's
    // place (the rule of the keys Access wrote in nwind.mdb).
    {"nwind.mdb", "Straßenlärm", "", "",
     key({0x7F, 0x76, 0x77, 0x75, 0x60, 0x76, 0x76, 0x66, 0x70, 0x6D, 0x60, 0x75, 0x6F, 0x02, 0x22, 0x22,
          0x26, 0x00})},
    {"nwind.mdb", "Fußgängerzone", "", "",
     key({0x7F, 0x67, 0x78, 0x76, 0x76, 0x68, 0x60, 0x70, 0x68, 0x66, 0x75, 0x7E, 0x72, 0x70, 0x66, 0x02,
          0x22, 0x60})},
    {"nwind.mdb", "Maßstäbe", "", "",
     key({0x7F, 0x6F, 0x60, 0x76, 0x76, 0x76, 0x77, 0x60, 0x61, 0x66, 0x02, 0x22, 0x26, 0x00})},
    {"nwind.mdb", "Meßstelle Süd", "", "", key({0x7F, 0x6F, 0x66, 0x76, 0x76, 0x76, 0x77, 0x66, 0x6D, 0x6D,
                                                0x66, 0x11, 0x76, 0x78, 0x64, 0x02, 0x22, 0x22, 0x22, 0x60})},
    {"nwind.mdb", "Strassenlärm",
     "it holds a table named Straßenlärm, which Access takes for the same name as "
     "Strassenlärm (they differ only in letter case or in marks Access does not sort by); write to "
     "Straßenlärm to replace it, or choose another name",
     "Straßenlärm"},
    // Names that differ from a table's only in letter case replace it, beyond
    // ASCII as within.
    {"nwind.mdb", "UMSÄTZE", "", "Umsätze"},
    {"DateTestDatabase.mdb", "DATETEST", "", "DateTest"},
    {"DateTestDatabase.mdb", "SCHÄTZE", "", "Schätze"},
    // "$", ":" and apostrophes are characters of an Access table name: the
    // table is written, read and replaced under the name as written.
    {"nwind.mdb", "Cost$", ""},
    {"nwind.mdb", "Rate:", ""},
    {"nwind.mdb", "'Quoted'", ""},
    {"DateTestDatabase.mdb", "Cost$", ""},
    {"DateTestDatabase.mdb", "Rate:", ""},
    {"DateTestDatabase.mdb", "'Quoted'", ""},
    // A table of the name in apostrophes is replaced by the name without
    // them, which the table takes.
    {"nwind.mdb", "Quoted", "", "'Quoted'"},
    {"DateTestDatabase.mdb", "Quoted", "", "'Quoted'"},
};

// The plain build runs every name. The sanitized build runs those that take
// a way of their own through the writer (a refusal, a table replaced, a key
// checked) and the first name of each database: the other names differ only
// in the bytes of the name, which the plain build checks.
std::vector<NamedOutput> namesRun() {
    std::vector<NamedOutput> names;
    std::set<std::string> databases;
    bool keyed = false;
    for (const NamedOutput &n : kNamedOutputs) {
        const bool firstOfItsDatabase = databases.insert(n.database).second;
        const bool firstKeyed = !keyed && !n.key.empty();
        keyed = keyed || firstKeyed;
        if (!sanitizedBuild() || firstOfItsDatabase || firstKeyed || *n.said || *n.existing) {
            names.push_back(n);
        }
    }
    return names;
}

INSTANTIATE_TEST_SUITE_P(Names, RunAccessTableNames, testing::ValuesIn(namesRun()), [](const auto &info) {
    return std::string(*info.param.database == 'n' ? "Access97_" : "Access2000_") +
           testNameOf(info.param.table) + std::to_string(info.index);
});

// A table named in apostrophes is another table than the name without them:
// the statistics written as 'Quoted' go beside the hourly output in Quoted,
// which keeps its rows. Written as Quoted, the statistics then replace both:
// one table of that name holds them, and every other table of the database
// exports as before.
class RunAccessQuotedNames : public RunWorkbooks, public testing::WithParamInterface<const char *> {};

TEST_P(RunAccessQuotedNames, ANameInApostrophesIsWrittenBesideTheNameWhichThenReplacesBoth) {
    WINVESK_NEEDS_TOOL("mdb-export");
    const fs::path src = sharedTestFile(std::string("mdb/") + GetParam());
    WINVESK_NEEDS_SHARED_FILE(src);
    const std::string file = work("Results.mdb").string();
    fs::copy_file(src, file);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    const auto original = everyTable(file);
    ASSERT_NO_FATAL_FAILURE(loadSample({}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const auto textHourly = textRows("Out2023.txt");

    ASSERT_NO_FATAL_FAILURE(loadSample({{"Out2023.txt", "Results.mdb;Quoted"}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::string hourly = mdbTool("mdb-export", file, " Quoted");
    ASSERT_NO_FATAL_FAILURE(loadSample({{"Stat2023.txt", "Results.mdb;'Quoted'"}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << "written beside Quoted: " << said();
    auto beside = everyTable(file);
    EXPECT_EQ(beside.size(), original.size() + 2);
    EXPECT_TRUE(beside.count("Quoted") && beside.count("'Quoted'"));
    EXPECT_TRUE(mdbTool("mdb-export", file, " Quoted") == hourly) << "Quoted keeps its rows";
    EXPECT_EQ(table("Results.mdb", "Quoted").rows, textHourly);
    const TableData statistics = table("Results.mdb", "'Quoted'");
    EXPECT_FALSE(statistics.rows.empty());
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));

    ASSERT_NO_FATAL_FAILURE(loadSample({{"Stat2023.txt", "Results.mdb;Quoted"}}));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << "replacing both: " << said();
    auto after = everyTable(file);
    EXPECT_EQ(after.size(), original.size() + 1) << "one table of the two";
    EXPECT_EQ(after.count("'Quoted'"), 0u);
    const TableData replaced = table("Results.mdb", "Quoted");
    EXPECT_EQ(replaced.fields, statistics.fields);
    EXPECT_EQ(replaced.rows, statistics.rows);
    ASSERT_NO_FATAL_FAILURE(expectCatalogueIndexed(file));
    after.erase("Quoted");
    after.erase("MSysObjects");
    auto expected = original;
    expected.erase("MSysObjects");
    EXPECT_TRUE(after == expected) << "every other table exports as before";
}

INSTANTIATE_TEST_SUITE_P(Databases, RunAccessQuotedNames,
                         testing::Values("nwind.mdb", "DateTestDatabase.mdb"), [](const auto &info) {
                             return std::string(*info.param == 'n' ? "Access97" : "Access2000");
                         });

} // namespace
