// How the steps of an hour hand their values on, checked where a slip in the
// chain would change a number without failing anything else: the hour read
// through a scaled hour column, values completed from related ones, the
// measurements of each side in the statistics, an emission factor of 0, the
// receptor flag of each side, and the cloud cover and cold-start columns.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"

#include <map>
#include <ostream>
#include <regex>

using namespace vesk;
using namespace vesk::test;

namespace {

class HourlyChain : public RunFixture {
protected:
    void loadWith(const std::vector<FileRecord> &records) { loadProject("Test.vkp", projectText(records)); }
    // The rows of a ";"-separated output file as maps from the header's names to numbers.
    std::vector<std::map<std::string, double>> rows(const std::string &file) {
        const std::vector<std::string> lines = fileLines(work(file));
        std::vector<std::map<std::string, double>> out;
        if (lines.empty()) {
            return out;
        }
        const std::vector<std::string> names = cells(lines[0]);
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::vector<std::string> values = cells(lines[i]);
            std::map<std::string, double> row;
            for (std::size_t j = 0; j < names.size() && j < values.size(); ++j) {
                row[names[j]] = Val(values[j]);
            }
            out.push_back(row);
        }
        return out;
    }
};

// The hour column's scaling factor f shifts the hour read: hour = value + 1 - f.
struct HourScaling {
    const char *factor;
    int firstValue; // the value written for the first hour of a day
};

void PrintTo(const HourScaling &c, std::ostream *out) {
    *out << "factor " << c.factor << ", first hour written " << c.firstValue;
}

class ScaledHourColumn : public HourlyChain, public ::testing::WithParamInterface<HourScaling> {};

TEST_P(ScaledHourColumn, turnsTheHoursOfADayIntoOneToTwentyFour) {
    const HourScaling &c = GetParam();
    std::string text;
    for (int day = 6; day <= 7; ++day) {
        for (int h = 0; h < 24; ++h) {
            text += "2023 3 " + std::to_string(day) + " " + std::to_string(c.firstValue + h) +
                    " 3 200 10 0 1000 100 50 40 120 30\r\n";
        }
    }
    writeWork("Met.txt", text);
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {inputFile("Met.txt",
                   "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,speed_light,"
                   "speed_heavy,qNOx,cNOx_b",
                   std::string("*,*,*,") + c.factor),
         outputFile("Out.txt", "day,hour,datetime", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> lines = fileLines(work("Out.txt"));
    ASSERT_EQ(lines.size(), 49u) << "a header and the 48 hours of two days";
    EXPECT_EQ(cells(lines[1]), (std::vector<std::string>{"6", "1", "2023-03-06 00:00"}))
        << "the first record is hour 1, which begins at midnight";
    EXPECT_EQ(cells(lines[24]), (std::vector<std::string>{"6", "24", "2023-03-06 23:00"}));
    EXPECT_EQ(cells(lines[25]), (std::vector<std::string>{"7", "1", "2023-03-07 00:00"}));
    EXPECT_EQ(cells(lines[48]), (std::vector<std::string>{"7", "24", "2023-03-07 23:00"}));
}

INSTANTIATE_TEST_SUITE_P(Factors, ScaledHourColumn,
                         ::testing::Values(HourScaling{"0", 0}, HourScaling{"*", 1}, HourScaling{"1", 1},
                                           HourScaling{"2", 2}),
                         [](const auto &info) { return "factor_" + testNameOf(info.param.factor); });

// Microgram-to-ppb factors of NOx, NO and NO2; the project's units are
// micrograms, so these are the factors of the completion. The demo list
// gives NOx the factor of NO2; a list of three different factors tells every
// factor of a formula from the others.
struct CompletionFactors {
    const char *name;
    double f0, f1, f2;
};

class RelatedValues : public HourlyChain, public ::testing::WithParamInterface<CompletionFactors> {};

TEST_P(RelatedValues, aMissingNitrogenOxideOrTrafficCountIsCompletedFromTheOtherTwo) {
    const double f0 = GetParam().f0, f1 = GetParam().f1, f2 = GetParam().f2;
    // Per hour: background, side 1 and side 2 as NOx NO NO2, then nlight nheavy ntotal.
    const char *hours[] = {
        "100 -99 40   80 -99 30   60 -99 20   900 -99 1000",     // NO missing; nheavy missing
        "-99 20 30   -99 10 25   -99 5 15   -99 150 1000",       // NOx missing; nlight missing
        "100 20 -99   90 30 -99   70 10 -99   900 100 -99",      // NO2 missing; ntotal missing
        "100 -99 -99   -99 -99 30   -99 -99 -99   -99 -99 1000", // two or three missing: kept
    };
    std::string text;
    int h = 1;
    for (const char *values : hours) {
        text += "2023 3 6 " + std::to_string(h++) + " 3 200 10 0 " + values + " 50 40 120\r\n";
    }
    writeWork("Hours.txt", text);
    const std::string series =
        "cNOx_b,cNO_b,cNO2_b,cNOx_obs_1,cNO_obs_1,cNO2_obs_1,cNOx_obs_2,cNO_obs_2,cNO2_obs_2";
    ASSERT_NO_FATAL_FAILURE(
        loadWith({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad," +
                                             series + ",nlight,nheavy,ntotal,speed_light,speed_heavy,qNOx"),
                  outputFile("Out.txt", series + ",nlight,nheavy,ntotal", "0,*")}));
    state.MicrogToPpb[0] = f0;
    state.MicrogToPpb[1] = f1;
    state.MicrogToPpb[2] = f2;
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const auto r = rows("Out.txt");
    ASSERT_EQ(r.size(), 4u);

    const auto no = [&](double nox, double no2) { return (nox * f0 - no2 * f2) / f1; };
    const auto nox = [&](double no, double no2) { return (no * f1 + no2 * f2) / f0; };
    const auto no2 = [&](double nox, double no) { return (nox * f0 - no * f1) / f2; };
    struct Expected {
        int hour;
        const char *name;
        double value;
    };
    const Expected expected[] = {
        {0, "cNO_b", no(100, 40)},
        {0, "cNO_obs_1", no(80, 30)},
        {0, "cNO_obs_2", no(60, 20)},
        {1, "cNOx_b", nox(20, 30)},
        {1, "cNOx_obs_1", nox(10, 25)},
        {1, "cNOx_obs_2", nox(5, 15)},
        {2, "cNO2_b", no2(100, 20)},
        {2, "cNO2_obs_1", no2(90, 30)},
        {2, "cNO2_obs_2", no2(70, 10)},
        {3, "cNO_b", -99},
        {3, "cNO2_b", -99},
        {3, "cNOx_obs_1", -99},
        {3, "cNO_obs_1", -99},
        {3, "cNO2_obs_2", -99},
        {0, "nheavy", 100},
        {1, "nlight", 850},
        {2, "ntotal", 1000},
        {3, "nlight", -99},
        {3, "nheavy", -99},
    };
    for (const Expected &e : expected) {
        EXPECT_NEAR(r[e.hour].at(e.name), e.value, 1e-4 * std::max(1.0, std::abs(e.value)))
            << e.name << " of hour " << e.hour + 1;
    }
    // What was given stays as given.
    EXPECT_EQ(r[0].at("cNOx_b"), 100);
    EXPECT_EQ(r[1].at("cNO_obs_2"), 5);
    EXPECT_EQ(r[2].at("cNO_obs_1"), 30);
    EXPECT_EQ(r[3].at("ntotal"), 1000);
}

INSTANTIATE_TEST_SUITE_P(PollutantLists, RelatedValues,
                         ::testing::Values(CompletionFactors{"demo", 0.5229, 0.8017, 0.5229},
                                           CompletionFactors{"three_factors", 0.61, 0.8017, 0.5229}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(HourlyChain, eachSidesMeasurementsEnterItsOwnStatistics) {
    // Side 1 measures 40..43 NO2 and 100 NOx every hour; side 2 measures 10..14 NO2, missing every
    // sixth hour, and 60 NOx. Modelled values exist too.
    std::string text;
    for (int h = 0; h < 24; ++h) {
        const std::string side2 = h % 6 == 5 ? "-99" : std::to_string(10 + 2 * (h % 3));
        text += "2023 3 6 " + std::to_string(h + 1) + " 3 200 10 300 1000 100 50 40 120 12 30 20 40 " +
                std::to_string(40 + h % 4) + " " + side2 + " 100 60\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(loadWith(
        {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,"
                                "speed_light,speed_heavy,qNOx,qNO2,cNOx_b,cNO2_b,cO3_b,cNO2_obs_1,"
                                "cNO2_obs_2,cNOx_obs_1,cNOx_obs_2"),
         statFile("Stat.txt", "\"Series\",Average_1,Average_2,MaxHourly_1,MaxHourly_2,nHours_1,nHours_2",
                  "NO2_obs,NOx_obs,NO2_mod", "0,0.000")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const std::vector<std::string> stat = fileLines(work("Stat.txt"));
    ASSERT_EQ(stat.size(), 4u);
    EXPECT_EQ(cells(stat[1]), (std::vector<std::string>{"NO2_obs", "41.500", "11.600", "43.000", "14.000",
                                                        "24.000", "20.000"}));
    EXPECT_EQ(cells(stat[2]), (std::vector<std::string>{"NOx_obs", "100.000", "60.000", "100.000", "60.000",
                                                        "24.000", "24.000"}));
    const std::vector<std::string> modelled = cells(stat[3]);
    ASSERT_EQ(modelled.size(), 7u);
    EXPECT_EQ(modelled[0], "NO2_mod");
    EXPECT_GT(Val(modelled[1]), 20) << "the modelled series is there beside the measured ones";
}

// Buses emit no benzene: their factors are 0 at every speed. An emission of
// 0 is an emission, so benzene is modelled every hour, from the day cases of
// a traffic file or from counts of each category.
struct ZeroFactorRoute {
    const char *name;
    bool trafficFile;
};

void PrintTo(const ZeroFactorRoute &c, std::ostream *out) {
    *out << c.name;
}

class ZeroEmissionFactor : public HourlyChain, public ::testing::WithParamInterface<ZeroFactorRoute> {};

TEST_P(ZeroEmissionFactor, givesAnEmissionOfZeroAndBenzeneResultsThatAreNumbers) {
    const fs::path factors = appDir / "Data" / "Emission" / "Shared" / "EmissionFactors.eft";
    const std::string before = readFile(factors);
    const std::string after = std::regex_replace(
        before, std::regex("(\"Bus diesel\",\"[^\"]*\",\"BNZ\",[0-9.]+,[0-9.]+)(,[0-9.]+)+"),
        "$1,0,0,0,0,0,0,0,0,0,0,0,0,0");
    ASSERT_NE(after, before);
    dir.write("app/Data/Emission/Shared/EmissionFactors.eft", after);

    const std::string met = "year,month,day,hour,u_mast,wind_dir,temperature,globalrad";
    std::string text;
    for (int h = 0; h < 48; ++h) {
        text += "2023 3 " + std::to_string(6 + h / 24) + " " + std::to_string(h % 24 + 1) + " " +
                std::to_string(1 + h % 5) + " " + std::to_string(90 + 7 * h) + " 10 " +
                (h % 24 > 7 && h % 24 < 17 ? "300" : "0") + " 1.5 400 30 20 10 5 50 40\r\n";
    }
    writeWork("Hours.txt", text);
    const std::string inputs = met + ",cBNZ_b,nPCPetrol,nPCDiesel,nVan,nHGV,nBus";
    std::vector<FileRecord> records;
    if (GetParam().trafficFile) {
        fs::copy_file(dataDir() / "Working" / "DemoStreet.trf", work("DemoStreet.trf"));
        records = {inputFile("Hours.txt", met + ",cBNZ_b"), {"DemoStreet.trf", "traffic", {"18000", "45"}}};
    } else {
        records = {inputFile("Hours.txt", inputs + ",speed_light,speed_heavy")};
    }
    records.push_back(outputFile("Out.txt", "qBNZBus,qBNZHGV,qBNZ,cBNZ_str_mod_1,cBNZ_mod_1,cBNZ_b", "0,*"));
    ASSERT_NO_FATAL_FAILURE(loadWith(records));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const auto r = rows("Out.txt");
    ASSERT_EQ(r.size(), 48u);
    for (std::size_t h = 0; h < r.size(); ++h) {
        SCOPED_TRACE("hour " + std::to_string(h + 1));
        EXPECT_EQ(r[h].at("qBNZBus"), 0);
        EXPECT_GT(r[h].at("qBNZHGV"), 0);
        EXPECT_GT(r[h].at("qBNZ"), 0) << "the cars, vans and lorries emit benzene";
        EXPECT_GT(r[h].at("cBNZ_str_mod_1"), 0);
        EXPECT_GT(r[h].at("cBNZ_mod_1"), r[h].at("cBNZ_b"));
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, ZeroEmissionFactor,
                         ::testing::Values(ZeroFactorRoute{"traffic_file", true},
                                           ZeroFactorRoute{"counts", false}),
                         [](const auto &info) { return std::string(info.param.name); });

// Receptors in use, side 1 and side 2.
struct Receptors {
    const char *name;
    int side1, side2;
};

void PrintTo(const Receptors &c, std::ostream *out) {
    *out << c.side1 << "/" << c.side2;
}

class ReceptorsInUse : public HourlyChain, public ::testing::WithParamInterface<Receptors> {
protected:
    void loadReceptors(const std::vector<FileRecord> &records) {
        std::string text = projectText(records);
        const std::string both = "          1             1             2 ";
        const auto at = text.find(both);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, both.size(),
                     "          " + std::to_string(GetParam().side1) + "             " +
                         std::to_string(GetParam().side2) + "             2 ");
        ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", text));
        ASSERT_EQ(state.Receptor1, GetParam().side1);
        ASSERT_EQ(state.Receptor2, GetParam().side2);
    }
};

// Each side's own flag decides how its series pair up when statistics are
// formed only from hours with both values: a side in use pairs its measured
// and background values with its modelled ones, a side out of use pairs its
// measured values with the background (it has no modelled ones).
TEST_P(ReceptorsInUse, eachSideKeepsItsOwnSeriesAndTheStreetSideIsTheSideInUse) {
    const Receptors &c = GetParam();
    // NO2 background 20 + h % 3, measured 30 + h % 4 on side 1 and 15 + h % 2 on side 2, all day.
    std::string text;
    for (int h = 0; h < 24; ++h) {
        text += "2023 3 6 " + std::to_string(h + 1) + " 3 200 10 300 1000 100 50 40 120 12 40 " +
                std::to_string(20 + h % 3) + " 60 " + std::to_string(30 + h % 4) + " " +
                std::to_string(15 + h % 2) + "\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(loadReceptors(
        {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,"
                                "nheavy,speed_light,speed_heavy,qNOx,qNO2,cNOx_b,cNO2_b,cO3_b,"
                                "cNO2_obs_1,cNO2_obs_2"),
         outputFile("Out.txt", "hour,streetside", "0,*"),
         statFile("Stat.txt", "\"Series\",Average_1,Average_2,nHours_1,nHours_2", "NO2_b,NO2_obs,NO2_mod",
                  "0,0.00")}));
    state.CalcOnlyIfBoth = true;
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;

    const std::vector<std::string> out = fileLines(work("Out.txt"));
    ASSERT_EQ(out.size(), 25u);
    EXPECT_EQ(cells(out[1])[1], c.side1 == 1 ? "1" : "2");
    EXPECT_EQ(cells(out[24])[1], c.side1 == 1 ? "1" : "2");

    // Every hour has a background and both measurements, and each side in
    // use its modelled value: whatever the flags, each side has 24 hours of
    // its own measured and background values.
    const std::vector<std::string> stat = fileLines(work("Stat.txt"));
    ASSERT_EQ(stat.size(), 4u);
    EXPECT_EQ(cells(stat[1]), (std::vector<std::string>{"NO2_b", "21.00", "21.00", "24.00", "24.00"}));
    EXPECT_EQ(cells(stat[2]), (std::vector<std::string>{"NO2_obs", "31.50", "15.50", "24.00", "24.00"}));
    const std::vector<std::string> modelled = cells(stat[3]);
    ASSERT_EQ(modelled.size(), 5u);
    EXPECT_EQ(modelled[3], c.side1 == 1 ? "24.00" : "0.00");
    EXPECT_EQ(modelled[4], c.side2 == 1 ? "24.00" : "0.00");
}

INSTANTIATE_TEST_SUITE_P(Flags, ReceptorsInUse,
                         ::testing::Values(Receptors{"both", 1, 1}, Receptors{"side_1", 1, 0},
                                           Receptors{"side_2", 0, 1}),
                         [](const auto &info) { return std::string(info.param.name); });

// An hour the street model can model: meteorology, traffic, emissions and background.
constexpr const char *kModelledHourColumns =
    "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,"
    "nheavy,speed_light,speed_heavy,qNOx,qNO2,cNOx_b,cNO2_b,cO3_b";
constexpr const char *kModelledHour = "3 200 10 300 1000 100 50 40 120 12 40 20 60";

// The columns the samples do not use are read as every value column is:
// scaled by their factor, a text counted as missing in the closing note, a
// number beyond what the column can hold refused.
TEST_F(HourlyChain, cloudCoverTakesItsScalingFactor) {
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 4, [](int h) {
                  return std::string(kModelledHour) + " " + std::to_string(2 * h + 2);
              }));
    ASSERT_NO_FATAL_FAILURE(
        loadWith({inputFile("Hours.txt", std::string(kModelledHourColumns) + ",cloudcover",
                            "*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,*,0.5"),
                  outputFile("Out.txt", "hour,cloudcover", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const auto r = rows("Out.txt");
    ASSERT_EQ(r.size(), 4u);
    for (int h = 0; h < 4; ++h) {
        EXPECT_EQ(r[static_cast<std::size_t>(h)].at("cloudcover"), h + 1)
            << "read " << 2 * h + 2 << ", halved";
    }
}

TEST_F(HourlyChain, aColdStartItemThatIsNoNumberIsCountedAndOneBeyondASingleIsRefused) {
    const std::string vars = std::string(kModelledHourColumns) + ",coldstart";
    const auto hours = [](const char *third) {
        return hourlyLines(2023, 3, 6, 4, [third](int h) {
            return std::string(kModelledHour) + " " + (h == 2 ? third : "25");
        });
    };
    writeWork("Hours.txt", hours("many"));
    ASSERT_NO_FATAL_FAILURE(loadWith({inputFile("Hours.txt", vars), outputFile("Out.txt", "hour", "0,*")}));
    RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_NE(said().find("not numbers were read as missing values (-99):\r\n" + work("Hours.txt").string() +
                          ", column coldstart: 1 item, the first in line 3"),
              std::string::npos)
        << said();

    writeWork("Hours.txt", hours("1e39"));
    ui.messages.clear();
    report = run();
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_NE(said().find(work("Hours.txt").string() +
                          ", line 3: the item 1e39 of column coldstart is out of range"),
              std::string::npos)
        << said();
}

// A factor table whose speeds begin at 5 km/h, its factors there twice those
// at 10 km/h (a table of stop-and-go traffic): every speed below 10 km/h
// takes the factor at 10 km/h, for a street without a traffic file as for
// one with a traffic file; only from 10 km/h up does the speed count.
TEST_F(HourlyChain, speedsBelowTenKilometresAnHourTakeTheFactorAtTenWithoutATrafficFile) {
    const fs::path factors = appDir / "Data" / "Emission" / "Shared" / "EmissionFactors.eft";
    std::string table = readFile(factors);
    const std::string speeds = "10,20,30,40,50,60,70,80,90,100,110,120,130";
    ASSERT_NE(table.find(speeds), std::string::npos);
    table.replace(table.find(speeds), speeds.size(), "5," + speeds);
    // Each factor row: class, technology, pollutant, cold ratio, fuel reference, then the factors.
    const std::regex factorRow("^(\"[^\"]*\",\"[^\"]*\",\"[^\"]*\",[0-9.]+,[0-9]+,)([0-9.]+)");
    std::string rewritten;
    int factorRows = 0;
    for (const std::string &line : splitLines(table)) {
        std::smatch m;
        if (std::regex_search(line, m, factorRow)) {
            ++factorRows;
            rewritten +=
                m[1].str() + formatNumber(2 * Val(m[2].str())) + "," + line.substr(m[1].length()) + "\r\n";
        } else {
            rewritten += line + "\r\n";
        }
    }
    ASSERT_GT(factorRows, 50);
    dir.write("app/Data/Emission/Shared/EmissionFactors.eft", rewritten);

    // The same traffic every hour, at 6, 10, 4, 9.9 and 11 km/h.
    const char *speedsOfHours[] = {"6", "10", "4", "9.9", "11"};
    std::string text;
    int h = 1;
    for (const char *speed : speedsOfHours) {
        text += "2023 3 6 " + std::to_string(h++) + " 3 200 10 300 30 20 1200 300 150 80 20 " + speed + " " +
                speed + "\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(
        loadWith({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                         "cNOx_b,cPM10_b,nPCPetrol,nPCDiesel,nVan,nHGV,nBus,speed_light,"
                                         "speed_heavy"),
                  outputFile("Out.txt", "hour,speed_light,qNOx,qPM10", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const auto r = rows("Out.txt");
    ASSERT_EQ(r.size(), 5u);
    const double at10 = r[1].at("qNOx");
    ASSERT_GT(at10, 0);
    for (std::size_t i : {0u, 2u, 3u}) {
        EXPECT_EQ(r[i].at("qNOx"), at10) << "at " << r[i].at("speed_light") << " km/h";
        EXPECT_EQ(r[i].at("qPM10"), r[1].at("qPM10")) << "at " << r[i].at("speed_light") << " km/h";
    }
    EXPECT_LT(r[4].at("qNOx"), at10) << "10 km/h itself is no floor: at 11 km/h the factors are lower";
}

// A global radiation below -10 W/m² counts as missing: the hour has no
// modelled NO2, whose chemistry needs it. -10 itself is a reading, as dark
// for the chemistry as 0, and NO2 is modelled.
TEST_F(HourlyChain, aGlobalRadiationBelowMinusTenLeavesNO2UnmodelledAndMinusTenItselfDoesNot) {
    const char *radiations[] = {"-10", "-10.5", "-99", "0"};
    std::string text;
    int h = 1;
    for (const char *radiation : radiations) {
        text += "2023 3 6 " + std::to_string(h++) + " 3 200 10 " + radiation +
                " 1000 100 50 40 120 12 40 20 60\r\n";
    }
    writeWork("Hours.txt", text);
    ASSERT_NO_FATAL_FAILURE(
        loadWith({inputFile("Hours.txt", kModelledHourColumns),
                  outputFile("Out.txt", "hour,cNOx_mod_1,cNO2_mod_1,cNO2_mod_2", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const auto r = rows("Out.txt");
    ASSERT_EQ(r.size(), 4u);
    for (std::size_t i = 0; i < r.size(); ++i) {
        SCOPED_TRACE(std::string("global radiation ") + radiations[i]);
        EXPECT_GT(r[i].at("cNOx_mod_1"), 40) << "NOx is modelled in every hour";
        if (i == 1 || i == 2) {
            EXPECT_EQ(r[i].at("cNO2_mod_1"), -99);
            EXPECT_EQ(r[i].at("cNO2_mod_2"), -99);
        } else {
            EXPECT_GT(r[i].at("cNO2_mod_1"), 20);
            EXPECT_GT(r[i].at("cNO2_mod_2"), 20);
        }
    }
    EXPECT_EQ(r[0].at("cNO2_mod_1"), r[3].at("cNO2_mod_1")) << "-10 W/m² is the darkness of 0 W/m²";
}

// An input nlight of 0 is a count: the hour keeps it beside a traffic file,
// whether the hour takes every category count from the file or gives one of
// its own; a missing nlight takes the file's.
TEST_F(HourlyChain, anInputLightCountOfZeroStaysZeroBesideATrafficFile) {
    std::string text;
    for (int h = 1; h <= 24; ++h) {
        text += "2023 3 6 " + std::to_string(h) + " 3 200 10 0 30 " + (h % 2 == 0 ? "0" : "-99") + " " +
                (h == 8 ? "5" : "-99") + "\r\n";
    }
    writeWork("Hours.txt", text);
    fs::copy_file(dataDir() / "Working" / "DemoStreet.trf", work("DemoStreet.trf"));
    ASSERT_NO_FATAL_FAILURE(
        loadWith({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,cNOx_b,"
                                         "nlight,nVan"),
                  {"DemoStreet.trf", "traffic", {"18000", "45"}},
                  outputFile("Out.txt", "hour,nlight,nheavy,ntotal,nVan", "0,*")}));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const auto r = rows("Out.txt");
    ASSERT_EQ(r.size(), 24u);
    for (std::size_t i = 0; i < r.size(); ++i) {
        SCOPED_TRACE("hour " + std::to_string(i + 1));
        EXPECT_GT(r[i].at("nheavy"), 0) << "the file's heavy vehicles";
        if (i % 2 == 1) {
            EXPECT_EQ(r[i].at("nlight"), 0);
            EXPECT_EQ(r[i].at("ntotal"), r[i].at("nheavy"));
        } else {
            EXPECT_GT(r[i].at("nlight"), 0) << "the file's light vehicles";
        }
    }
    EXPECT_EQ(r[7].at("nVan"), 5) << "hour 8 gives its own vans and keeps its light count of 0";
}

} // namespace

// The counts of the street's traffic file are made once per time slot and
// day case and taken by every hour of them that gives no count of its own.
// An hour that gives one keeps it and completes the rest from the file,
// whether it comes before or after the hours that took the kept counts.
class OwnCountOfAnHour : public HourlyChain, public ::testing::WithParamInterface<int> {};

TEST_P(OwnCountOfAnHour, isKeptWhileTheOtherHoursOfItsSlotTakeTheTrafficFile) {
    const int ownDay = GetParam(); // the working day of March 2023 whose hour 8 counts its vans
    std::string text;
    for (int day : {6, 7}) {
        for (int h = 1; h <= 24; ++h) {
            const char *vans = day == ownDay && h == 8 ? "5" : "-99";
            text += "2023 3 " + std::to_string(day) + " " + std::to_string(h) + " 3 200 10 0 30 " + vans + "\r\n";
        }
    }
    writeWork("Hours.txt", text);
    writeWork("Streets.txt",
              "#TRUE#,\"Counted Street\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Streets.vkm",
        projectText(
            {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,cNOx_b,nVan"),
             outputFile("Out.txt", "nlight,nheavy,nPCPetrol,nVan,nHGV", "0,*"),
             {"Streets.txt", "streets", {}}},
            "Streets")));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    const auto r = rows("Out.txt");
    ASSERT_EQ(r.size(), 48u);
    const auto &own = r[static_cast<std::size_t>((ownDay - 6) * 24 + 7)];
    const auto &file = r[static_cast<std::size_t>((7 - ownDay) * 24 + 7)]; // hour 8 of the other day
    EXPECT_EQ(own.at("nVan"), 5);
    EXPECT_GT(file.at("nVan"), 5);
    EXPECT_NEAR(own.at("nlight"), file.at("nlight") - file.at("nVan") + 5, 0.05);
    EXPECT_EQ(own.at("nPCPetrol"), file.at("nPCPetrol"));
    EXPECT_EQ(own.at("nheavy"), file.at("nheavy"));
    for (std::size_t h = 0; h < 24; ++h) {
        if (h != 7) {
            EXPECT_EQ(r[h].at("nlight"), r[h + 24].at("nlight")) << "hour " << h + 1;
            EXPECT_EQ(r[h].at("nVan"), r[h + 24].at("nVan")) << "hour " << h + 1;
        }
    }
    EXPECT_GT(r[7].at("nlight"), r[2].at("nlight")) << "the file's morning traffic, not one slot for all";
}

INSTANTIATE_TEST_SUITE_P(BeforeAndAfter, OwnCountOfAnHour, ::testing::Values(6, 7));
