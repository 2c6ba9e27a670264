// End-to-end runs of small projects through the real chain.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "run/results/ResultsKeyInfo.h"
#include "support/PlainStage.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <thread>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kHours = 48; // 6 and 7 March 2023, a Monday and a Tuesday

std::string metLine(int h) {
    const double u = 2.0 + (h % 5) * 0.5;
    const int dir = (200 + h * 7) % 360;
    const int rad = (h % 24 >= 8 && h % 24 <= 16) ? 300 : 0;
    return formatNumber(u) + " " + std::to_string(dir) + " 10 " + std::to_string(rad);
}

// Traffic and emissions given by the input itself: 1000 light and 100 heavy
// vehicles an hour, emissions in µg/(m·s).
std::string trafficLine(int h) {
    return "1000 100 50 40 " + std::to_string(100 + h) + " 10 5";
}

std::string backLine(int) {
    return "30 20 40 300 20";
}

class TimeSeriesRun : public RunFixture {
protected:
    void writeInputs(int hours = kHours) {
        writeWork("Met.txt", "year month day hour u_mast wind_dir temperature globalrad\r\n" +
                                 hourlyLines(2023, 3, 6, hours, metLine));
        writeWork("Traffic.txt", hourlyLines(2023, 3, 6, hours, trafficLine));
        writeWork("Back.txt", hourlyLines(2023, 3, 6, hours, backLine));
    }
    std::vector<FileRecord> inputs() const {
        return {inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
                inputFile("Traffic.txt",
                          "year,month,day,hour,nlight,nheavy,speed_light,speed_heavy,qNOx,qNO2,qPM10"),
                inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b,cCO_b,cPM10_b")};
    }
    // Four streets, the second inactive, all through the same output files.
    void loadStreetsProject() {
        writeInputs();
        writeWork("Streets.txt",
                  "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
                  "#FALSE#,\"Closed\",300,400,\".\\CityStreet.trf\",5000,30,8,6,40,40,45,0,1.5,0\r\n"
                  "#TRUE#,\"East\",500,600,\".\\CityStreet.trf\",10000,35,15,12,80,80,90,0,2,1\r\n"
                  "0,90,0.5\r\n"
                  "#TRUE#,\"South\",700,800,\".\\CityStreet.trf\",30000,50,12,30,200,200,160,0,2,0\r\n");
        std::vector<FileRecord> records = {
            inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
            inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b,cCO_b,cPM10_b"),
            outputFile("Out.txt", "day,hour,daycase,ntotal,dailytraffic,cNOx_mod_1", "0,*"),
            statFile("Streets.sum", "\"Street\",X_coordinate,DailyTraffic,AvNOx_mod_1,MaxHourlyNOx_mod_1",
                     "streets", "0,0.0"),
            {"Streets.txt", "streets", {}}};
        ASSERT_NO_FATAL_FAILURE(loadProject("Streets.vkm", projectText(records, "Streets")));
        ASSERT_TRUE(state.MultiStreetMode);
    }
    std::map<std::string, std::string> row(const std::vector<std::string> &lines, std::size_t i) const {
        const std::vector<std::string> names = cells(lines.at(0));
        const std::vector<std::string> values = cells(lines.at(i));
        std::map<std::string, std::string> out;
        for (std::size_t j = 0; j < names.size() && j < values.size(); ++j) {
            out[names[j]] = values[j];
        }
        return out;
    }
};

const char *kAllKeywords =
    "date,datetime,day,month,year,hour,minute,dayofweek,daycase,u_mast,u_roof,wind_dir,globalrad,"
    "temperature,cNOx_b,cNOx_mod_1,cNOx_mod_2,cNOx_str_mod_1,cNOx_str_mod_2,cNO2_mod_1,cNO2_mod_2,"
    "cO3_mod_1,cPM10_mod_1,cPM10_str_mod_1,cCO_mod_1,cNOx_obs_1,cNOx_cor_1,flagNOx_1,c_st1,c_st2,nlight,"
    "nheavy,ntotal,speed_light,speed_heavy,qNOx,qPM10,s_w_tpt,s_w_roof,delta_fi,av8NOx_mod_1,av8NOx_b_1,"
    "trafficfile,dailytraffic,travelspeed,streetheight,streetwidth,streetlength_1,streetlength_2,"
    "streetorientation,streetside,recheight,exceptionno,?";

double num(const std::map<std::string, std::string> &r, const std::string &key) {
    auto it = r.find(key);
    EXPECT_NE(it, r.end()) << key;
    return it == r.end() ? -1e9 : Val(it->second);
}

} // namespace

TEST_F(TimeSeriesRun, EveryOutputKeywordOfAnHourAgreesWithItsInputsAndTheStatisticsWithTheRows) {
    writeInputs();
    std::vector<FileRecord> records = inputs();
    records.push_back(outputFile("Out.txt", kAllKeywords, "0,*"));
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1,MaxHourly_1,Average_2",
                               "NOx_mod,NOx_b,PM10_mod", "0,0.0000"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));

    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(report.hours, kHours);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();

    const std::vector<std::string> lines = fileLines(work("Out.txt"));
    ASSERT_EQ(lines.size(), kHours + 1u)
        << "a header and one row per hour, the title line of Met.txt passed over";
    // Hour 10 of 7 March (the 34th hour): daytime, Tuesday.
    const auto r = row(lines, 34);
    ASSERT_EQ(r.size(), cells(lines[0]).size()) << lines[0] << "\n" << lines[34];
    EXPECT_EQ(r.at("date"), "2023-03-07");
    EXPECT_EQ(r.at("datetime"), "2023-03-07 09:00");
    EXPECT_EQ(num(r, "day"), 7);
    EXPECT_EQ(num(r, "month"), 3);
    EXPECT_EQ(num(r, "year"), 2023);
    EXPECT_EQ(num(r, "hour"), 10);
    EXPECT_EQ(num(r, "minute"), -99);
    EXPECT_EQ(num(r, "dayofweek"), 2);
    EXPECT_EQ(num(r, "daycase"), -99) << "no traffic file, no day case";
    EXPECT_DOUBLE_EQ(num(r, "u_mast"), 2.0 + (33 % 5) * 0.5);
    EXPECT_EQ(num(r, "wind_dir"), (200 + 33 * 7) % 360);
    EXPECT_EQ(num(r, "globalrad"), 300);
    EXPECT_EQ(num(r, "temperature"), 10);
    EXPECT_EQ(num(r, "nlight"), 1000);
    EXPECT_EQ(num(r, "nheavy"), 100);
    EXPECT_EQ(num(r, "ntotal"), 1100);
    EXPECT_EQ(num(r, "speed_light"), 50);
    EXPECT_EQ(num(r, "speed_heavy"), 40);
    EXPECT_EQ(num(r, "qNOx"), 133);
    EXPECT_EQ(num(r, "qPM10"), 5);
    EXPECT_EQ(num(r, "cNOx_b"), 30);
    EXPECT_EQ(num(r, "cNOx_obs_1"), -99) << "no measurements";
    EXPECT_EQ(num(r, "cNOx_cor_1"), -99);
    EXPECT_EQ(num(r, "flagNOx_1"), 0);
    EXPECT_EQ(num(r, "cCO_mod_1"), -99) << "CO has no emission in the input";
    EXPECT_EQ(r.at("trafficfile"), "");
    EXPECT_EQ(num(r, "streetheight"), 20);
    EXPECT_EQ(num(r, "streetwidth"), 20);
    EXPECT_EQ(num(r, "streetlength_1"), 100);
    EXPECT_EQ(num(r, "streetorientation"), 90);
    EXPECT_EQ(num(r, "streetside"), 1);
    EXPECT_EQ(num(r, "recheight"), 2);
    EXPECT_EQ(num(r, "exceptionno"), 0);
    EXPECT_EQ(r.at(""), "") << "the column \"?\" is a blank in the header and in every row";
    EXPECT_GT(num(r, "u_roof"), 0);
    EXPECT_GT(num(r, "s_w_tpt"), 0);
    EXPECT_GT(num(r, "s_w_roof"), 0);
    EXPECT_GT(num(r, "delta_fi"), 0);

    // The street part is the emission times the model's dilution, the total adds the background.
    const double cst1 = num(r, "c_st1"), cst2 = num(r, "c_st2");
    ASSERT_GT(cst1, 0);
    ASSERT_GT(cst2, 0);
    const double tolerance = 1e-4; // the rows carry 7 significant digits
    EXPECT_NEAR(num(r, "cNOx_str_mod_1"), 133 * cst1, 133 * cst1 * tolerance);
    EXPECT_NEAR(num(r, "cNOx_str_mod_2"), 133 * cst2, 133 * cst2 * tolerance);
    EXPECT_NEAR(num(r, "cNOx_mod_1"), 30 + 133 * cst1, (30 + 133 * cst1) * tolerance);
    EXPECT_NEAR(num(r, "cPM10_str_mod_1"), 5 * cst1, 5 * cst1 * tolerance);
    EXPECT_NEAR(num(r, "cPM10_mod_1"), 20 + 5 * cst1, (20 + 5 * cst1) * tolerance);
    EXPECT_GT(num(r, "cNO2_mod_1"), 20 * 0.5);
    EXPECT_LE(num(r, "cNO2_mod_1"), num(r, "cNOx_mod_1"));
    EXPECT_GE(num(r, "cO3_mod_1"), 0);
    EXPECT_LE(num(r, "cO3_mod_1"), 40) << "ozone is used up by the street's NO";

    // The 8-hour average of hour 34 is the mean of the modelled values of hours 27 to 34.
    double sum = 0;
    for (int i = 27; i <= 34; ++i) {
        sum += num(row(lines, static_cast<std::size_t>(i)), "cNOx_mod_1");
    }
    EXPECT_NEAR(num(r, "av8NOx_mod_1"), sum / 8, sum / 8 * tolerance);
    EXPECT_EQ(num(r, "av8NOx_b_1"), 30);

    // Statistics: the mean and maximum of the rows.
    std::vector<double> side1, side2, pm;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto hour = row(lines, i);
        side1.push_back(num(hour, "cNOx_mod_1"));
        side2.push_back(num(hour, "cNOx_mod_2"));
        pm.push_back(num(hour, "cPM10_mod_1"));
    }
    const auto mean = [](const std::vector<double> &v) {
        return std::accumulate(v.begin(), v.end(), 0.0) / v.size();
    };
    const std::vector<std::string> stat = fileLines(work("Stat.txt"));
    ASSERT_EQ(stat.size(), 4u);
    EXPECT_EQ(stat[0], "Series;Average_1;MaxHourly_1;Average_2");
    const std::vector<std::string> nox = cells(stat[1]);
    EXPECT_EQ(nox[0], "NOx_mod");
    EXPECT_NEAR(Val(nox[1]), mean(side1), 1e-3);
    EXPECT_NEAR(Val(nox[2]), *std::max_element(side1.begin(), side1.end()), 1e-3);
    EXPECT_NEAR(Val(nox[3]), mean(side2), 1e-3);
    EXPECT_EQ(cells(stat[2])[1], "30.0000");
    EXPECT_NEAR(Val(cells(stat[3])[1]), mean(pm), 1e-3);
    EXPECT_EQ(state.DailyAverageList.size(), 2u);
}

namespace {
// Stops the run at its first progress report, which comes after the first hour.
struct StopAtFirstHour : RunObserver {
    RunControl &control;
    bool pause;
    std::thread stopper;
    std::vector<std::string> stops; // what each runStopped() said
    std::vector<std::string> hours; // "day/month hour" of every hourDone()
    explicit StopAtFirstHour(RunControl &c, bool pauseFirst) : control(c), pause(pauseFirst) {}
    void runStopped(const std::string &lastDone) override { stops.push_back(lastDone); }
    void hourDone(int day, int month, int hour) override {
        hours.push_back(std::to_string(day) + "/" + std::to_string(month) + " " + std::to_string(hour));
    }
    ~StopAtFirstHour() override {
        if (stopper.joinable()) {
            stopper.join();
        }
    }
    void progress(double, const std::string &text) override {
        if (text.find('|') == std::string::npos || stopper.joinable()) {
            return;
        }
        if (!pause) {
            control.requestStop();
            return;
        }
        control.requestPause();
        // Stop once the run waits (the pause is seen at the next record).
        stopper = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            control.requestStop();
        });
    }
};
} // namespace

TEST_F(TimeSeriesRun, EachCellOfAnHourlyRowIsWrittenByItsColumnsFormatAndWidth) {
    // Plain numbers and whole numbers, a number pattern, a named number
    // format (a whole number, a number and a text through it), a text
    // pattern, a date pattern and the blank column, in widths of both signs.
    writeInputs();
    std::vector<FileRecord> records = inputs();
    records.push_back(outputFile("Out.txt",
                                 "hour,u_mast,u_mast,nlight,minute,u_mast,date,date,?,date,datetime",
                                 "0,*,0,*,0,0.00,6,*,-5,General Number,9,General Number,0,@@@@@@@@@@@@,0,"
                                 "General Number,0,*,0,dd.mm.yyyy,-18,*"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> lines = fileLines(work("Out.txt"));
    ASSERT_EQ(lines.size(), kHours + 1u);
    // Hour 10 of 7 March: u_mast 3.5, no minutes.
    EXPECT_EQ(lines[34],
              "10;3.5;3.50  1000;  -99      3.5;  2023-03-07;07-03-2023; ;07.03.2023;  2023-03-07 09:00");
}

TEST_F(TimeSeriesRun, StopDuringAnHourFinishesItAndWritesTheStatisticsButStopWhilePausedWritesNone) {
    writeInputs();
    std::vector<FileRecord> records = inputs();
    records.push_back(outputFile("Out.txt", "year,month,day,hour,cNOx_mod_1"));
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));

    StopAtFirstHour stop(control, false);
    RunReport report = run(&stop);
    EXPECT_EQ(report.outcome, RunOutcome::Stopped);
    EXPECT_EQ(report.hours, 1);
    EXPECT_EQ(fileLines(work("Out.txt")).size(), 2u);
    ASSERT_TRUE(fs::exists(work("Stat.txt")));
    EXPECT_EQ(fileLines(work("Stat.txt")).size(), 2u);
    EXPECT_FALSE(state.CalcTime.empty());
    EXPECT_EQ(stop.stops, std::vector<std::string>{"the hour beginning 2023-03-06 00:00"})
        << "the observer learns that the run was stopped and after which hour";
    EXPECT_EQ(stop.hours, std::vector<std::string>{"6/3 1"});

    fs::remove(work("Stat.txt"));
    state.CalcTime.clear();
    control.reset();
    StopAtFirstHour pauseThenStop(control, true);
    report = run(&pauseThenStop);
    EXPECT_EQ(report.outcome, RunOutcome::StoppedWhilePaused);
    EXPECT_FALSE(fs::exists(work("Stat.txt"))) << "nothing is written after a stop while paused";
    EXPECT_TRUE(state.CalcTime.empty());
    EXPECT_EQ(pauseThenStop.stops, std::vector<std::string>{""}) << "stopped, and nothing computed is kept";

    control.reset();
    StopAtFirstHour none(control, false);
    none.stopper = std::thread([] {}); // never stops
    EXPECT_EQ(run(&none).outcome, RunOutcome::Completed);
    EXPECT_TRUE(none.stops.empty()) << "a run that reaches its end is not reported as stopped";
    EXPECT_EQ(none.hours.size(), static_cast<std::size_t>(kHours));
    EXPECT_EQ(none.hours.back(), "7/3 24");
}

TEST_F(TimeSeriesRun, APeriodWithoutRecordsSaysSoAndWritesNoStatistics) {
    writeInputs();
    std::vector<FileRecord> records = inputs();
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
    state.StartAuto = false;
    state.StartDate = {2024, 1, 1};
    state.StartHour = 1;

    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::NoData);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "No data within the specified Start and End Dates!");
    EXPECT_FALSE(fs::exists(work("Stat.txt")));
}

// Meteorology without a wind speed in any hour: the street model cannot run.
std::string metWithoutWind(int h) {
    return "-99 " + std::to_string((200 + h * 7) % 360) + " 10 0";
}

TEST_F(TimeSeriesRun, ARunInWhichNoHourWasModelledSaysSoInsteadOfEndingNormally) {
    writeInputs();
    writeWork("Met.txt", hourlyLines(2023, 3, 6, kHours, metWithoutWind));
    std::vector<FileRecord> records = inputs();
    records.push_back(outputFile("Out.txt", "day,hour,cNOx_mod_1"));
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
    writeWork("Stat.txt", "the previous run's statistics\r\n");

    const RunReport report = run();
    EXPECT_EQ(report.outcome, RunOutcome::NothingModelled);
    EXPECT_EQ(report.hours, kHours) << "every hour was read";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("No hour could be modelled", 0), 0u) << ui.messages[0];
    EXPECT_EQ(readFile(work("Stat.txt")), "the previous run's statistics\r\n");
    EXPECT_FALSE(fs::exists(work("Out.txt")));
    std::string error;
    RunObserver observer;
    EXPECT_FALSE(RunCalculation(state, control, observer, ui, &error)) << "the run does not count as done";

    // One hour with a wind is enough for a normal end.
    writeWork("Met.txt", hourlyLines(2023, 3, 6, kHours,
                                     [](int h) { return h == 30 ? metLine(h) : metWithoutWind(h); }));
    ui.messages.clear();
    EXPECT_EQ(run().outcome, RunOutcome::Completed);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

// The summary names the city size and traffic of the last run that reached
// its end: neither a project changed after it nor a run that failed since
// puts its own in their place.
TEST_F(TimeSeriesRun, TheSummaryKeepsTheCitySizeAndTrafficOfTheLastRunThatEnded) {
    writeInputs();
    std::vector<FileRecord> records = inputs();
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records, "Test Street", 2)));
    ASSERT_GE(state.CitySizeNames.size(), 4u);
    state.TrafficFile = ".\\CityStreet.trf"; // a standard profile
    state.AnnualDiurnalTraffic = 18000;
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::string citySizeName = state.CitySizeNames[2];
    auto expectFirstRun = [&] {
        const results::KeyInfoFacts f = results::keyInfoFactsFrom(state);
        EXPECT_EQ(f.citySize, 2);
        EXPECT_EQ(f.citySizeName, citySizeName);
        EXPECT_EQ(f.trafficFileType, 0) << "a profile scaled to the street's traffic";
        EXPECT_EQ(f.trafficFile, ".\\CityStreet.trf");
        EXPECT_EQ(f.annualDiurnalTraffic, 18000);
    };
    expectFirstRun();

    state.CitySize = 3;
    state.CitySizeNames[2] = "renamed by another country";
    state.TrafficFile = "Counted.trf";
    state.AnnualDiurnalTraffic = 5000;
    expectFirstRun();
    // A run that fails once it has read its hours.
    state.TrafficFile = ".\\CityStreet.trf";
    writeWork("Met.txt", hourlyLines(2023, 3, 6, kHours, metWithoutWind));
    EXPECT_EQ(run().outcome, RunOutcome::NothingModelled);
    expectFirstRun();

    writeInputs();
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const results::KeyInfoFacts f = results::keyInfoFactsFrom(state);
    EXPECT_EQ(f.citySize, 3);
    EXPECT_EQ(f.citySizeName, state.CitySizeNames[3]);
    EXPECT_EQ(f.annualDiurnalTraffic, 5000);
}

TEST_F(TimeSeriesRun, APeriodOnBothSidesKeepsOnlyItsHoursAndTheRunNamesItsFirstAndLastHour) {
    writeInputs();
    std::vector<FileRecord> records = inputs();
    records.push_back(outputFile("Out.txt", "day,hour", "0,*"));
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", projectText(records)));
    state.StartAuto = state.EndAuto = false;
    state.StartDate = {2023, 3, 6};
    state.StartHour = 5;
    state.EndDate = {2023, 3, 7};
    state.EndHour = 3;

    ASSERT_EQ(run().outcome, RunOutcome::Completed);
    const std::vector<std::string> lines = fileLines(work("Out.txt"));
    ASSERT_EQ(lines.size(), 1u + 20 + 3);
    EXPECT_EQ(cells(lines[1]), (std::vector<std::string>{"6", "5"}));
    EXPECT_EQ(cells(lines.back()), (std::vector<std::string>{"7", "3"}));
    EXPECT_EQ(state.FirstCalcDate, "2023-03-06 04:00");
    EXPECT_EQ(state.LastCalcDate, "2023-03-07 02:00");
}

TEST_F(TimeSeriesRun, AMultiStreetProjectWritesEveryActiveStreetIntoTheSameFilesAndSkipsTheInactiveOne) {
    ASSERT_NO_FATAL_FAILURE(loadStreetsProject());

    struct Captions : RunObserver {
        std::vector<std::string> seen;
        void progress(double, const std::string &text) override {
            if (text.rfind("Calculating", 0) == 0) {
                seen.push_back(text);
            }
        }
    } captions;
    const RunReport report = run(&captions);
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(captions.seen, (std::vector<std::string>{"Calculating street #1 out of 4: North",
                                                       "Calculating street #2 out of 4: Closed",
                                                       "Calculating street #3 out of 4: East",
                                                       "Calculating street #4 out of 4: South"}));

    const std::vector<std::string> lines = fileLines(work("Out.txt"));
    ASSERT_EQ(lines.size(), 1u + 3 * kHours) << "one header, then every hour of each active street";
    EXPECT_EQ(cells(lines[1])[4], "20000");
    EXPECT_EQ(cells(lines[kHours + 1])[4], "10000") << "the second active street follows the first";
    EXPECT_EQ(cells(lines[2 * kHours + 1])[4], "30000");
    EXPECT_EQ(cells(lines[1])[0], "6") << "each street starts again at the first record";
    EXPECT_EQ(cells(lines[kHours + 1])[0], "6");
    EXPECT_EQ(cells(lines[1])[2], "2") << "a Monday in March is an ordinary working day";

    const std::vector<std::string> sum = fileLines(work("Streets.sum"));
    ASSERT_EQ(sum.size(), 5u);
    EXPECT_EQ(cells(sum[1])[0], "North");
    EXPECT_EQ(cells(sum[1])[1], "100.0");
    EXPECT_EQ(cells(sum[2])[0], "Closed");
    EXPECT_EQ(cells(sum[2])[3], "-99.0") << "an inactive street has no statistics";
    EXPECT_EQ(cells(sum[4])[0], "South");
    EXPECT_GT(Val(cells(sum[4])[3]), 30.0) << "traffic adds to the background of 30";
    EXPECT_EQ(state.StreetName, state.StoredStreetName) << "the project's own street is back after the run";
}

TEST_F(TimeSeriesRun, AStoppedMultiStreetRunNamesTheStreetAndTheHourItStoppedAfter) {
    const StreetThreads serial(1); // the street and hour a stop lands on, one street after the other
    ASSERT_NO_FATAL_FAILURE(loadStreetsProject());
    struct StopAtThirdStreet : RunObserver {
        RunControl &control;
        std::vector<std::string> stops;
        explicit StopAtThirdStreet(RunControl &c) : control(c) {}
        void progress(double, const std::string &text) override {
            if (text.rfind("Calculating street #3", 0) == 0) {
                control.requestStop();
            }
        }
        void runStopped(const std::string &lastDone) override { stops.push_back(lastDone); }
    } stop(control);
    const RunReport report = run(&stop);
    EXPECT_EQ(report.outcome, RunOutcome::Stopped);
    EXPECT_EQ(stop.stops,
              std::vector<std::string>{"the hour beginning 2023-03-06 00:00 of street #3 out of 4, East"});
    EXPECT_EQ(fileLines(work("Streets.sum")).size(), 4u) << "the header, North, Closed and East so far";
}

TEST_F(TimeSeriesRun, ARouteOfTwoPersonsRepositionsTheTextInputsForEverySegment) {
    writeInputs();
    // Person A: 07:30-08:30 and 08:30-09:30 of 6 March; person B earlier that day, 05:00-06:00.
    const std::string street = ",\".\\CityStreet.trf\",20000,40,20,18,100,100,0,1,2,0\r\n";
    writeWork("Route.txt",
              "\"A1\",\"A\",1,1,0,1,5,2000,\"2023-03-06 07:30\",\"2023-03-06 08:30\",3600" + street +
                  "\"A2\",\"A\",2,0,1,0,0,0,\"2023-03-06 08:30\",\"2023-03-06 09:30\",3600" + street +
                  "\"B1\",\"B\",1,1,0,1,5,2000,\"2023-03-06 05:00\",\"2023-03-06 06:00\",3600" + street);
    std::vector<FileRecord> records = inputs();
    records.push_back(outputFile("Out.txt", "personid,segmentid,day,hour,timeinseg,cNOx_mod_1", "0,*"));
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod"));
    records.push_back({"Route.txt", "route", {}});
    ASSERT_NO_FATAL_FAILURE(loadProject("Route.vkp", projectText(records, "Route")));
    ASSERT_TRUE(state.RouteMode);

    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    std::vector<std::string> rows;
    for (const std::string &line : fileLines(work("Out.txt"))) {
        const std::vector<std::string> c = cells(line);
        rows.push_back(c[0] + " " + c[1] + " " + c[3] + " " + c[4]);
    }
    EXPECT_EQ(rows,
              (std::vector<std::string>{"personid segmentid hour timeinseg", "A A1 8 1800", "A A1 9 1800",
                                        "A A2 9 1800", "A A2 10 1800", "B B1 6 3600", "B B1 7 0"}));
    EXPECT_EQ(fileLines(work("Stat.txt")).size(), 2u) << "one set of statistics for the whole route";
    EXPECT_EQ(state.StreetName, state.StoredStreetName);
}

WINVESK_PLAIN_STAGE("TimeSeriesRun.TheBatchRunExitsWithZeroOnlyWhenItWroteItsStatistics", StartsTheProgram);

TEST_F(TimeSeriesRun, TheBatchRunExitsWithZeroOnlyWhenItWroteItsStatistics) {
    writeInputs();
    std::vector<FileRecord> records = inputs();
    records.push_back(outputFile("Out.txt", "day,hour", "0,*"));
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod"));
    writeWork("Batch.vkp", projectText(records));
    std::vector<FileRecord> broken = records;
    broken[0].name = "Missing.txt";
    writeWork("Broken.vkp", projectText(broken));
    const std::string project = work("Batch.vkp").string();

    struct Case {
        std::vector<std::string> args;
        int status;
        std::size_t rows; // rows of Out.txt afterwards, 0 = not written
        std::string says;
    };
    const std::vector<Case> cases = {
        {{project, "1"}, 0, kHours, ""},
        {{project, "1", "20230306", "5", "20230307", "3"}, 0, 23, ""},
        {{work("Broken.vkp").string(), "1"}, 1, 0, "Can't open the input file"},
        {{project, "1", "20230306", "5"}, 2, 0, "Usage"},
    };
    for (const Case &c : cases) {
        fs::remove(work("Out.txt"));
        fs::remove(work("Stat.txt"));
        const ProgramRun r = runWinvesk(c.args);
        const std::string &output = r.output;
        EXPECT_EQ(r.status, c.status) << c.args.size() << " items\n" << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        if (c.rows > 0) {
            EXPECT_EQ(fileLines(work("Out.txt")).size(), c.rows + 1);
            EXPECT_TRUE(fs::exists(work("Stat.txt")));
        } else {
            EXPECT_FALSE(fs::exists(work("Stat.txt")));
        }
    }
}

WINVESK_PLAIN_STAGE("TimeSeriesRun.ABatchRunInWhichNoHourWasModelledExitsWithOneAndSaysWhy",
                    StartsTheProgram);

TEST_F(TimeSeriesRun, ABatchRunInWhichNoHourWasModelledExitsWithOneAndSaysWhy) {
    writeInputs();
    writeWork("Met.txt", hourlyLines(2023, 3, 6, kHours, metWithoutWind));
    std::vector<FileRecord> records = inputs();
    records.push_back(statFile("Stat.txt", "\"Series\",Average_1", "NOx_mod"));
    writeWork("NoWind.vkp", projectText(records));
    const ProgramRun r = runWinvesk({work("NoWind.vkp").string(), "1"});
    const std::string &output = r.output;
    EXPECT_EQ(r.status, 1) << output;
    EXPECT_NE(output.find("No hour could be modelled"), std::string::npos) << output;
}

WINVESK_PLAIN_STAGE("TimeSeriesRun.TheBatchRunOfASpecialModeProjectSweepsTheWinds", StartsTheProgram);

TEST_F(TimeSeriesRun, TheBatchRunOfASpecialModeProjectSweepsTheWinds) {
    writeInputs();
    writeWork("Special.vkp", projectText(inputs()));
    // A local option file that puts the folder's projects in Special Mode.
    std::string options = vesk::test::readFile(vesk::test::dataDir() / "Run.opt");
    ASSERT_EQ(options.rfind(" 1 ", 0), 0u);
    options.replace(0, 3, " 0 ");
    writeWork("Run.opt", options);

    const ProgramRun r = runWinvesk({work("Special.vkp").string(), "1"});
    const std::string &output = r.output;
    EXPECT_EQ(r.status, 0) << output;
    EXPECT_TRUE(fs::exists(work("veskout.dat"))) << output;
    EXPECT_TRUE(fs::exists(work("NOX_1.dat")));
    EXPECT_FALSE(fs::exists(work("Out.txt")));
}
