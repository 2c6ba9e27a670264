// Inputs the sample projects do not use, run through the whole chain: a
// half-hourly traffic file, a route whose input gives an emission of its
// own, NO among the outputs in mass and in volume units, and streets of a
// streets file with a receptor on one side only.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"

#include <algorithm>
#include <map>
#include <tuple>

using namespace vesk;
using namespace vesk::test;

namespace {

using InputKinds = RunFixture;

std::string metLine(int h) {
    return std::to_string(2 + h % 4) + " " + std::to_string((150 + h * 11) % 360) + " 10 " +
           (h % 24 >= 8 && h % 24 <= 16 ? "300" : "0");
}

} // namespace

TEST_F(InputKinds, AHalfHourlyTrafficFileGivesEachHalfHourItsOwnPeriod) {
    // Period 2h - 1 is the first half of hour h, 2h the second: the second
    // halves have three times the traffic at a lower speed.
    writeWork("Half.trf", trafficFileText(48, [](int period) {
                  return period % 2 == 1 ? std::string("100,10,4,1,50,45,5")
                                         : std::string("300,30,12,3,30,25,20");
              }));
    std::string lines;
    for (int h = 1; h <= 24; ++h) {
        for (int minute : {0, 30}) {
            lines += "2023 3 6 " + std::to_string(h) + " " + std::to_string(minute) + " " + metLine(h) +
                     " 30 20 40\r\n";
        }
    }
    writeWork("Met.txt", lines);
    std::string project = projectText(
        {inputFile("Met.txt",
                   "year,month,day,hour,minute,u_mast,wind_dir,temperature,globalrad,cNOx_b,cNO2_b,"
                   "cO3_b"),
         outputFile("Out.txt", "hour,minute,nlight,nheavy,speed_light,speed_heavy,qNOx", "0,*"),
         {"Half.trf", "traffic", {"0", "0"}}});
    project.replace(project.find(",24,0\r\n"), 7, ",48,0\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", project));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();

    const std::vector<std::string> minute = column("Out.txt", "minute"), light = column("Out.txt", "nlight"),
                                   heavy = column("Out.txt", "nheavy"),
                                   vLight = column("Out.txt", "speed_light"),
                                   vHeavy = column("Out.txt", "speed_heavy"), q = column("Out.txt", "qNOx");
    ASSERT_EQ(minute.size(), 48u);
    for (std::size_t i = 0; i < minute.size(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i + 1) + ", minute " + minute[i]);
        const bool first = i % 2 == 0;
        EXPECT_EQ(minute[i], first ? "0" : "30");
        // Vehicles a half hour, doubled to vehicles an hour.
        EXPECT_EQ(light[i], first ? "220" : "660");
        EXPECT_EQ(heavy[i], first ? "10" : "30");
        EXPECT_EQ(vLight[i], first ? "50" : "30");
        EXPECT_EQ(vHeavy[i], first ? "45" : "25");
        if (!first) {
            EXPECT_GT(Val(q[i]), 2.5 * Val(q[i - 1])) << "three times the vehicles, each emitting more";
        }
    }
}

TEST_F(InputKinds, ARouteKeepsTheEmissionItsInputGivesAndFormsOnlyTheMissingOnes) {
    // The input gives the NOx emission of every hour and the PM10 emission of
    // none: PM10 comes from the route's traffic file, NOx stays as given.
    writeWork("Met.txt", hourlyLines(2023, 3, 6, 24, [](int h) { return metLine(h) + " 30 20 40 20"; }));
    writeWork("Emission.txt",
              hourlyLines(2023, 3, 6, 24, [](int h) { return std::to_string(150 + h) + " na"; }));
    const std::string street = ",\".\\CityStreet.trf\",20000,40,20,18,100,100,0,1,2,0\r\n";
    writeWork("Route.txt",
              "\"A1\",\"A\",1,1,0,1,5,2000,\"2023-03-06 07:00\",\"2023-03-06 09:00\",7200" + street +
                  "\"A2\",\"A\",2,0,1,0,0,0,\"2023-03-06 09:00\",\"2023-03-06 11:00\",7200" + street);
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Route.vkp",
        projectText({inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                          "cNOx_b,cNO2_b,cO3_b,cPM10_b"),
                     inputFile("Emission.txt", "year,month,day,hour,qNOx,qPM10"),
                     outputFile("Out.txt", "segmentid,hour,qNOx,qPM10,cNOx_mod_1", "0,*"),
                     {"Route.txt", "route", {}}},
                    "Route")));
    ASSERT_TRUE(state.RouteMode);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> hour = column("Out.txt", "hour"), nox = column("Out.txt", "qNOx"),
                                   pm10 = column("Out.txt", "qPM10");
    ASSERT_GE(hour.size(), 4u) << "two hours of each segment";
    for (std::size_t i = 0; i < hour.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(nox[i], std::to_string(150 + std::stoi(hour[i]) - 1)) << "the input's own emission";
        EXPECT_GT(Val(pm10[i]), 0.0) << "formed from the traffic file";
    }
}

// NO, NO2, O3 and NOx of both sides, in µg/m³ (NOx as NO2) and in ppb: NO
// and NO2 share out the NOx the chemistry was given, so in volume units they
// add up to NOx, and NO2 and O3 add up to the background's NO2 and O3 and
// the direct NO2 share (5 %) of the street's NOx; in mass units each
// converts with its own factor.
class NitrogenOxides : public InputKinds, public ::testing::WithParamInterface<bool> {};

TEST_P(NitrogenOxides, NOAndNO2AddUpToNOxAndNO2AndO3KeepTheirSumInEveryUnit) {
    const bool ppb = GetParam();
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) {
                  return metLine(h) + " 1000 100 50 40 " + std::to_string(100 + 5 * h) + " 40 25 50";
              }));
    std::string project = projectText(
        {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,"
                                "speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b"),
         outputFile(
             "Out.txt",
             "hour,cNOx_mod_1,cNO_mod_1,cNO2_mod_1,cO3_mod_1,cNOx_mod_2,cNO_mod_2,cNO2_mod_2,cO3_mod_2",
             "0,*")});
    if (ppb) {
        const std::string units =
            "microg   microg    microg    microg    microg    microg    microg    microg\r\n";
        const std::size_t output = project.rfind(units);
        ASSERT_NE(output, std::string::npos);
        project.replace(output, units.size(),
                        "ppb      ppb       ppb       ppb       microg    microg    microg    microg\r\n");
    }
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", project));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    // µg/m³ to ppb of NOx (as NO2), NO, NO2 and O3 (the demo country's factors).
    const double toPpbNOx = ppb ? 1.0 : 0.5229, toPpbNO = ppb ? 1.0 : 0.8017, toPpbNO2 = ppb ? 1.0 : 0.5229,
                 toPpbO3 = ppb ? 1.0 : 0.5012;
    // The background, in µg/m³ (the input unit), in ppb: NOx 40, NO2 25, O3 50.
    const double noxB = 40 * 0.5229, no2B = 25 * 0.5229, o3B = 50 * 0.5012;
    for (const char *side : {"_1", "_2"}) {
        const std::vector<std::string> nox = column("Out.txt", std::string("cNOx_mod") + side),
                                       no = column("Out.txt", std::string("cNO_mod") + side),
                                       no2 = column("Out.txt", std::string("cNO2_mod") + side),
                                       o3 = column("Out.txt", std::string("cO3_mod") + side);
        ASSERT_EQ(nox.size(), 24u);
        for (std::size_t i = 0; i < nox.size(); ++i) {
            SCOPED_TRACE(std::string("side ") + side + ", hour " + std::to_string(i + 1));
            const double total = Val(nox[i]) * toPpbNOx;
            EXPECT_GT(Val(no[i]), 0.0);
            EXPECT_GT(Val(no2[i]), 0.0);
            EXPECT_GT(Val(o3[i]), 0.0);
            EXPECT_NEAR(Val(no[i]) * toPpbNO + Val(no2[i]) * toPpbNO2, total, 1e-4 * total);
            const double ox = std::min(no2B + 0.05 * (total - noxB), total) + o3B;
            EXPECT_NEAR(Val(no2[i]) * toPpbNO2 + Val(o3[i]) * toPpbO3, ox, 1e-4 * ox);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Units, NitrogenOxides, ::testing::Bool(),
                         [](const auto &info) { return std::string(info.param ? "ppb" : "microg"); });

TEST_F(InputKinds, AStreetWithAReceptorOnOneSideHasModelledValuesOnThatSideOnly) {
    writeWork("Met.txt", hourlyLines(2023, 3, 6, 24, [](int h) { return metLine(h) + " 30 20 40"; }));
    // Side codes: 0 both sides, 1 side 1 only, 2 side 2 only.
    writeWork("Streets.txt",
              "#TRUE#,\"Both\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
              "#TRUE#,\"West\",300,400,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,1,2,0\r\n"
              "#TRUE#,\"East\",500,600,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,2,2,0\r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Streets.vkm",
        projectText(
            {inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                  "cNOx_b,cNO2_b,cO3_b"),
             outputFile("Out.txt", "streetside,hour,cNOx_mod_1,cNOx_mod_2", "0,*"),
             statFile("Streets.sum", "\"Street\",AvNOx_mod_1,AvNOx_mod_2,nHoursNOx_mod_2", "streets", "0,*"),
             {"Streets.txt", "streets", {}}},
            "Streets")));
    ASSERT_TRUE(state.MultiStreetMode);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();

    const std::vector<std::string> side = column("Out.txt", "streetside"),
                                   side1 = column("Out.txt", "cNOx_mod_1"),
                                   side2 = column("Out.txt", "cNOx_mod_2");
    ASSERT_EQ(side.size(), 3u * 24u);
    const std::string names[] = {"Both", "West", "East"};
    for (std::size_t i = 0; i < side.size(); ++i) {
        const std::string name = names[i / 24];
        SCOPED_TRACE(name + ", row " + std::to_string(i + 1));
        EXPECT_EQ(side[i], name == "East" ? "2" : "1") << "the first side with a receptor";
        EXPECT_EQ(side1[i] == "-99", name == "East");
        EXPECT_EQ(side2[i] == "-99", name == "West");
        // The same street on the sides it has: the same values as the street with both.
        const std::size_t both = i % 24;
        if (name != "East") {
            EXPECT_EQ(side1[i], side1[both]);
        }
        if (name != "West") {
            EXPECT_EQ(side2[i], side2[both]);
        }
    }
    const std::vector<std::string> lines = fileLines(work("Streets.sum"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(cells(lines[3])[1], "-99") << lines[3];
    EXPECT_EQ(cells(lines[3])[2], cells(lines[1])[2]) << "East: side 2 as the street with both sides";
    EXPECT_EQ(cells(lines[3])[3], "24");
    EXPECT_EQ(cells(lines[2])[2], "-99") << lines[2];
    EXPECT_EQ(cells(lines[2])[3], "0") << "West: no hour of side 2";
}

// An hour giving the count of one vehicle category itself keeps it; the
// other categories come from the traffic file, and the light and heavy sums
// add them up. The first and the last category of the vehicle list.
struct OwnCount {
    const char *category;
    bool heavy;
};

class OwnCategoryCount : public InputKinds, public ::testing::WithParamInterface<OwnCount> {};

TEST_P(OwnCategoryCount, IsKeptAndTheOthersComeFromTheTrafficFile) {
    const std::string category = GetParam().category;
    writeWork("Counted.trf", trafficFileText(24, [](int) { return std::string("500,50,20,5,50,40,10"); }));
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) { return metLine(h) + " 30 20 40 7"; }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,"
                                            "globalrad,cNOx_b,cNO2_b,cO3_b,n" +
                                                category),
                     outputFile("Out.txt", "hour,nPCPetrol,nPCDiesel,nVan,nHGV,nBus,nlight,nheavy", "0,*"),
                     {"Counted.trf", "traffic", {"0", "0"}}})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    // Cars 500 (60 % petrol, 40 % diesel), vans 50, HGV 20, buses 5; the input's own 7.
    std::map<std::string, std::string> expected = {
        {"nPCPetrol", "300"}, {"nPCDiesel", "200"}, {"nVan", "50"}, {"nHGV", "20"}, {"nBus", "5"}};
    expected["n" + category] = "7";
    expected["nlight"] = GetParam().heavy ? "550" : "257";
    expected["nheavy"] = GetParam().heavy ? "27" : "25";
    for (const auto &[name, value] : expected) {
        const std::vector<std::string> values = column("Out.txt", name);
        ASSERT_EQ(values.size(), 24u) << name;
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(values[i], value) << name << ", hour " << i + 1;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FirstAndLast, OwnCategoryCount,
                         ::testing::Values(OwnCount{"PCPetrol", false}, OwnCount{"Bus", true}),
                         [](const auto &info) { return std::string(info.param.category); });

TEST_F(InputKinds, AWeekdayGivenByTheInputChoosesTheDayCaseAndOneOutsideOneToSevenEndsTheRun) {
    writeWork("Days.trf",
              trafficFileText(24, {{"Working day", "DayNow <= 5", ""}, {"Weekend", "DayNow >= 6", ""}},
                              [](int, int d) { return std::to_string(100 * d) + ",10,5,1,50,40,10"; }));
    // Monday 3 April; Tuesday 4 April given as a Sunday (a holiday); then
    // Tuesday 5 March 2024 given as weekday 9.
    auto day = [](const std::string &date, const char *weekday) {
        std::string out;
        for (int h = 1; h <= 24; ++h) {
            out += date + " " + std::to_string(h) + " " + weekday + " " + metLine(h) + " 30 20 40\r\n";
        }
        return out;
    };
    const std::string lines = day("2023 4 3", "na") + day("2023 4 4", "7");
    writeWork("Hours.txt", lines);
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,dayofweek,u_mast,wind_dir,temperature,"
                                            "globalrad,cNOx_b,cNO2_b,cO3_b"),
                     outputFile("Out.txt", "day,dayofweek,daycase,nPCPetrol", "0,*"),
                     {"Days.trf", "traffic", {"0", "0"}}})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> weekday = column("Out.txt", "dayofweek"),
                                   dayCase = column("Out.txt", "daycase"),
                                   petrol = column("Out.txt", "nPCPetrol");
    ASSERT_EQ(weekday.size(), 48u);
    for (std::size_t i = 0; i < weekday.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_EQ(weekday[i], i < 24 ? "1" : "7");
        EXPECT_EQ(dayCase[i], i < 24 ? "1" : "2");
        EXPECT_EQ(petrol[i], i < 24 ? "60" : "120");
    }

    // The days before have had their day cases: weekday 9 has none.
    writeWork("Hours.txt", lines + day("2024 3 5", "9"));
    ui.messages.clear();
    EXPECT_EQ(run().outcome, RunOutcome::Failed);
    EXPECT_NE(
        said().find("There are no traffic data corresponding to the following conditions:\r\nWeekday: 9\r\n"
                    "Month: March"),
        std::string::npos)
        << said();
}

TEST_F(InputKinds, AStreetWithOneReceptorIsCorrectedOnThatSideOnly) {
    // NOx measured on side 1, the only side with a receptor: its corrected
    // NO and NO2 share out the measured NOx, and O3 comes with them; side 2
    // has nothing to correct. (The keywords of corrected NO and O3 hold
    // "co", the name of another pollutant.)
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) {
                  return metLine(h) + " 1000 100 50 40 150 40 25 50 " + std::to_string(90 + h);
              }));
    std::string project = projectText(
        {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,"
                                "speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b,cNOx_obs_1"),
         outputFile(
             "Out.txt",
             "hour,cNO2_mod_1,cNO_cor_1,cNO2_cor_1,cO3_cor_1,flagNO2_1,cNOx_cor_2,cNO_cor_2,cNO2_cor_2,"
             "cO3_cor_2,flagNO2_2",
             "0,*")});
    const std::string receptors = "          1             1             2 \r\n";
    ASSERT_NE(project.find(receptors), std::string::npos);
    project.replace(project.find(receptors), receptors.size(),
                    "          1             0             2 \r\n");
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", project));
    ASSERT_EQ(state.Receptor2, 0);
    state.TrailingValue = 0.5; // the correction threshold of the command line
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> modelled = column("Out.txt", "cNO2_mod_1"),
                                   no = column("Out.txt", "cNO_cor_1"), no2 = column("Out.txt", "cNO2_cor_1"),
                                   o3 = column("Out.txt", "cO3_cor_1"), flag = column("Out.txt", "flagNO2_1");
    ASSERT_EQ(modelled.size(), 24u);
    for (std::size_t i = 0; i < modelled.size(); ++i) {
        SCOPED_TRACE("hour " + std::to_string(i + 1));
        EXPECT_NE(no2[i], modelled[i]) << "from the measured NOx";
        EXPECT_GT(Val(no2[i]), 0.0);
        EXPECT_GT(Val(o3[i]), 0.0);
        const double measured = (90.0 + static_cast<double>(i)) * 0.5229; // ppb
        EXPECT_NEAR(Val(no[i]) * 0.8017 + Val(no2[i]) * 0.5229, measured, 1e-4 * measured);
        EXPECT_EQ(flag[i], "1");
        for (const char *name : {"cNOx_cor_2", "cNO_cor_2", "cNO2_cor_2", "cO3_cor_2"}) {
            EXPECT_EQ(column("Out.txt", name)[i], "-99") << name;
        }
        EXPECT_EQ(column("Out.txt", "flagNO2_2")[i], "0");
    }
}

TEST_F(InputKinds, AnHourWithoutWindHasNoModelledValuesWhateverTheHourBefore) {
    // Hours 5 and 6 have no wind speed: nothing is modelled on either side.
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) {
                  const std::string met = metLine(h);
                  return (h == 4 || h == 5 ? "na" + met.substr(met.find(' ')) : met) +
                         " 1000 100 50 40 150 40 25 50";
              }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                            "nlight,nheavy,speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b"),
                     outputFile("Out.txt",
                                "hour,cNOx_str_mod_1,cNOx_mod_1,cNOx_str_mod_2,cNOx_mod_2,cNO2_mod_1,"
                                "cNO2_mod_2,cNOx_b",
                                "0,*")})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> hour = column("Out.txt", "hour");
    ASSERT_EQ(hour.size(), 24u);
    for (const char *name :
         {"cNOx_str_mod_1", "cNOx_mod_1", "cNOx_str_mod_2", "cNOx_mod_2", "cNO2_mod_1", "cNO2_mod_2"}) {
        const std::vector<std::string> values = column("Out.txt", name);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (hour[i] == "5" || hour[i] == "6") {
                EXPECT_EQ(values[i], "-99") << name << ", hour " << hour[i];
            } else {
                EXPECT_GT(Val(values[i]), 0.0) << name << ", hour " << hour[i];
            }
        }
    }
    EXPECT_EQ(column("Out.txt", "cNOx_b")[4], "40") << "the background is still given";
}

TEST_F(InputKinds, EveryOneOfTwelveWindSectorsCountsWhereverItIsListed) {
    // Twelve sectors of 30 degrees: closed rows as high as the street, but a
    // gap from 330 to 360 degrees; listed in order, with the gap first, and
    // without the gap.
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 48, [](int h) {
                  return "1.5 " + std::to_string((h * 7.5 < 360 ? h * 7.5 : h * 7.5 - 360)) +
                         " 10 200 1000 100 50 40 " + "150 40 25 50";
              }));
    auto sectors = [](const std::vector<int> &order, double gap) {
        std::string start, end, value;
        for (int k : order) {
            start += " " + std::to_string(30 * k);
            end += " " + std::to_string(30 * k + 30);
            value += " " + formatNumber(k == 11 ? gap : 20.0);
        }
        return " 12 \r\nSector start (degrees) / sector end (degrees) / sector value; one column per "
               "sector\r\n" +
               start + " \r\n" + end + " \r\n" + value + " \r\n";
    };
    std::vector<int> inOrder, gapFirst = {11};
    for (int k = 0; k < 12; ++k) {
        inOrder.push_back(k);
        if (k < 11) {
            gapFirst.push_back(k);
        }
    }
    std::map<std::string, std::string> outputs;
    for (const auto &[name, block] : std::map<std::string, std::string>{{"in order", sectors(inOrder, 0)},
                                                                        {"gap first", sectors(gapFirst, 0)},
                                                                        {"no gap", sectors(inOrder, 20)}}) {
        std::string project = projectText(
            {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,"
                                    "speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b"),
             outputFile("Out.txt", "hour,wind_dir,cNOx_mod_1,cNOx_mod_2", "0,*")});
        const std::string none = " 0 \r\nSector start (degrees) / sector end (degrees) / sector value; one "
                                 "column per sector\r\n\r\n\r\n\r\n";
        ASSERT_NE(project.find(none), std::string::npos);
        project.replace(project.find(none), none.size(), block);
        ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", project));
        ASSERT_EQ(state.NumWindSectors, 12) << name;
        ASSERT_EQ(run().outcome, RunOutcome::Completed) << name << ": " << said();
        outputs[name] = readFile(work("Out.txt"));
    }
    EXPECT_EQ(outputs["in order"], outputs["gap first"]);
    EXPECT_NE(outputs["in order"], outputs["no gap"]) << "the gap in the twelfth sector";
}
