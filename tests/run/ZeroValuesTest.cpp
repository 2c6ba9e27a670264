// A value of exactly 0 is a value, never a missing one (only a value below 0
// is): a time slot of the traffic file without traffic, a background of 0
// from the conditions file and series of zeros in the statistics all reach
// the output and statistics files as 0, and the hours holding them count.

#include "run/RunFixture.h"

#include "core/Numbers.h"

#include <algorithm>
#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kHours = 48; // 6 and 7 March 2023

class ZeroValues : public RunFixture {
protected:
    // The statistics file's cells of the row whose first cell is `series`, by column name.
    std::map<std::string, std::string> statRow(const std::string &file, const std::string &series) const {
        const std::vector<std::string> lines = fileLines(work(file));
        std::map<std::string, std::string> out;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::vector<std::string> row = cells(lines[i]);
            if (!row.empty() && row[0] == series) {
                const std::vector<std::string> names = cells(lines[0]);
                for (std::size_t j = 1; j < names.size() && j < row.size(); ++j) {
                    out[names[j]] = row[j];
                }
            }
        }
        return out;
    }
};

std::string metLine(int h) {
    return std::to_string(2 + h % 4) + " " + std::to_string((150 + h * 11) % 360) + " 10 " +
           (h % 24 >= 8 && h % 24 <= 16 ? "300" : "0");
}

} // namespace

TEST_F(ZeroValues, ATimeSlotWithoutTrafficHasAnEmissionOfZeroAndItsHoursCount) {
    // Period 3 (02:00 to 03:00) of the file has no vehicle at all: its
    // emission is 0, which leaves the street part 0, not missing.
    writeWork("Zero.trf", trafficFileText(24, [](int period) {
                  return period == 3 ? std::string("0,0,0,0,50,40,0") : std::string("500,50,20,5,50,40,10");
              }));
    writeWork("Met.txt", hourlyLines(2023, 3, 6, kHours, metLine));
    writeWork("Back.txt", hourlyLines(2023, 3, 6, kHours, [](int) { return "30 20 40"; }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText(
            {inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
             inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b"),
             outputFile("Out.txt", "day,hour,nlight,qNOx,cNOx_str_mod_1,cNOx_mod_1,cNO2_mod_1", "0,*"),
             statFile("Stat.txt", "\"Series\",Average_1,nHours_1", "NOx_mod,NO2_mod", "0,*"),
             {"Zero.trf", "traffic", {"0", "0"}}})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();

    const std::vector<std::string> hour = column("Out.txt", "hour"), light = column("Out.txt", "nlight"),
                                   q = column("Out.txt", "qNOx"),
                                   street = column("Out.txt", "cNOx_str_mod_1"),
                                   nox = column("Out.txt", "cNOx_mod_1"),
                                   no2 = column("Out.txt", "cNO2_mod_1");
    ASSERT_EQ(hour.size(), static_cast<std::size_t>(kHours));
    double sum = 0;
    for (std::size_t i = 0; i < hour.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1) + ", hour " + hour[i]);
        if (hour[i] == "3") {
            EXPECT_EQ(light[i], "0");
            EXPECT_EQ(q[i], "0");
            EXPECT_EQ(street[i], "0");
            EXPECT_EQ(nox[i], "30") << "the background alone";
            EXPECT_GT(Val(no2[i]), 0.0) << "NO2 from the chemistry of the background";
        } else {
            EXPECT_GT(Val(q[i]), 0.0);
            EXPECT_GT(Val(nox[i]), 30.0);
        }
        sum += Val(nox[i]);
    }
    const std::map<std::string, std::string> stats = statRow("Stat.txt", "NOx_mod");
    EXPECT_EQ(stats.at("nHours_1"), "48") << "the hours without traffic count";
    EXPECT_NEAR(Val(stats.at("Average_1")), sum / kHours, 1e-3 * sum / kHours);
    EXPECT_EQ(statRow("Stat.txt", "NO2_mod").at("nHours_1"), "48");
}

TEST_F(ZeroValues, ABackgroundOfZeroFromTheConditionsFileIsUsed) {
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) {
                  return metLine(h) + " 1000 100 50 40 120 40" + (h < 12 ? " na" : " 0");
              }));
    // NOx and NO2 have no background in the input; O3 has 40, and PM10 0 in
    // its second half (a value of its own, which the conditions file never replaces).
    writeWork("Site.cnd", "[background]\r\n3\r\n\"NOx\", 0\r\n\"NO2\", 0\r\n\"PM10\", 25\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "nlight,nheavy,speed_light,speed_heavy,qNOx,cO3_b,cPM10_b"),
                     outputFile("Out.txt", "hour,cNOx_b,cNO2_b,cPM10_b,cNOx_mod_1,cNO2_mod_1", "0,*"),
                     {"Site.cnd", "conditions", {}}})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> noxB = column("Out.txt", "cNOx_b"), no2B = column("Out.txt", "cNO2_b"),
                                   pm10B = column("Out.txt", "cPM10_b"),
                                   nox = column("Out.txt", "cNOx_mod_1"),
                                   no2 = column("Out.txt", "cNO2_mod_1");
    ASSERT_EQ(noxB.size(), 24u);
    for (std::size_t i = 0; i < noxB.size(); ++i) {
        SCOPED_TRACE("hour " + std::to_string(i + 1));
        EXPECT_EQ(noxB[i], "0");
        EXPECT_EQ(no2B[i], "0");
        EXPECT_EQ(pm10B[i], i < 12 ? "25" : "0");
        EXPECT_GT(Val(nox[i]), 0.0) << "the street part over a background of 0";
        EXPECT_GT(Val(no2[i]), 0.0);
        EXPECT_LE(Val(no2[i]), Val(nox[i]) * 1.0001);
    }
}

TEST_F(ZeroValues, SeriesOfZerosHaveStatisticsOfZero) {
    // Measured NOx is 0 on both sides all day, background PM10 0 all day.
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) {
                  return metLine(h) + " 1000 100 50 40 120 30 20 40 0 0 0";
              }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText(
            {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                    "nlight,nheavy,speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,"
                                    "cO3_b,cPM10_b,cNOx_obs_1,cNOx_obs_2"),
             statFile("Stat.txt", "\"Series\",Average_1,MaxHourly_1,MaxDaily_1,nHours_1,Average_2,nHours_2",
                      "NOx_obs,PM10_b,NOx_mod", "0,*")})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    for (const char *series : {"NOx_obs", "PM10_b"}) {
        SCOPED_TRACE(series);
        const std::map<std::string, std::string> row = statRow("Stat.txt", series);
        EXPECT_EQ(row.at("Average_1"), "0");
        EXPECT_EQ(row.at("MaxHourly_1"), "0");
        EXPECT_EQ(row.at("MaxDaily_1"), "0");
        EXPECT_EQ(row.at("nHours_1"), "24");
        EXPECT_EQ(row.at("Average_2"), "0");
        EXPECT_EQ(row.at("nHours_2"), "24");
    }
    EXPECT_GT(Val(statRow("Stat.txt", "NOx_mod").at("Average_1")), 30.0) << "the run modelled the street";
}

TEST_F(ZeroValues, ARouteThroughATimeSlotWithoutTrafficHasAnEmissionOfZero) {
    writeWork("Zero.trf", trafficFileText(24, [](int period) {
                  return period == 3 ? std::string("0,0,0,0,50,40,0") : std::string("500,50,20,5,50,40,10");
              }));
    writeWork("Met.txt", hourlyLines(2023, 3, 6, 24, [](int h) { return metLine(h) + " 30 20 40"; }));
    writeWork("Route.txt", "\"A1\",\"A\",1,1,0,1,5,2000,\"2023-03-06 00:00\",\"2023-03-06 05:00\",18000,"
                           "\"Zero.trf\",0,0,20,18,100,100,0,1,2,0\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Route.vkp",
        projectText({inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                          "cNOx_b,cNO2_b,cO3_b"),
                     outputFile("Out.txt", "hour,nlight,qNOx,cNOx_mod_1", "0,*"),
                     statFile("Stat.txt", "\"Series\",nHours_1", "NOx_mod", "0,*"),
                     {"Route.txt", "route", {}}},
                    "Route")));
    ASSERT_TRUE(state.RouteMode);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> hour = column("Out.txt", "hour"), q = column("Out.txt", "qNOx"),
                                   nox = column("Out.txt", "cNOx_mod_1");
    ASSERT_GE(hour.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE("hour " + hour[i]);
        if (hour[i] == "3") {
            EXPECT_EQ(q[i], "0");
            EXPECT_EQ(nox[i], "30") << "the background alone";
        } else {
            EXPECT_GT(Val(q[i]), 0.0);
            EXPECT_GT(Val(nox[i]), 30.0);
        }
    }
    EXPECT_EQ(statRow("Stat.txt", "NOx_mod").at("nHours_1"), std::to_string(hour.size()));
}

TEST_F(ZeroValues, CountsOfZeroFromTheInputAreKeptAndTheHoursModelled) {
    // No traffic file: the input's own counts and emission; no heavy vehicle
    // at all, and at night no vehicle.
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) {
                  return metLine(h) + (h < 6 ? " 0 0" : " 1000 0") + " 50 40 120 30 20 40";
              }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "nlight,nheavy,speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b"),
                     outputFile("Out.txt", "hour,nlight,nheavy,ntotal,cNOx_mod_1", "0,*")})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> light = column("Out.txt", "nlight"), heavy = column("Out.txt", "nheavy"),
                                   total = column("Out.txt", "ntotal"), nox = column("Out.txt", "cNOx_mod_1");
    ASSERT_EQ(light.size(), 24u);
    for (std::size_t i = 0; i < light.size(); ++i) {
        SCOPED_TRACE("hour " + std::to_string(i + 1));
        EXPECT_EQ(light[i], i < 6 ? "0" : "1000");
        EXPECT_EQ(heavy[i], "0");
        EXPECT_EQ(total[i], i < 6 ? "0" : "1000");
        EXPECT_GT(Val(nox[i]), 30.0) << "the hour is modelled";
    }
    EXPECT_EQ(state.DailyTrafficCalc, 18 * 1000);
}
