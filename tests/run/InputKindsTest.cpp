// Inputs the sample projects do not use, run through the whole chain: a
// half-hourly traffic file, a route whose input gives an emission of its
// own, NO among the outputs in mass and in volume units, and streets of a
// streets file with a receptor on one side only.

#include "run/RunFixture.h"

#include "core/Numbers.h"

#include <algorithm>
#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

class InputKinds : public RunFixture {
protected:
    // The named column of every row of a ";"-separated output file.
    std::vector<std::string> column(const std::string &file, const std::string &name) const {
        const std::vector<std::string> lines = fileLines(work(file));
        std::vector<std::string> out;
        if (lines.empty()) {
            return out;
        }
        const std::vector<std::string> names = cells(lines[0]);
        const auto j = static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
        for (std::size_t i = 1; i < lines.size(); ++i) {
            const std::vector<std::string> row = cells(lines[i]);
            out.push_back(j < row.size() ? row[j] : "(none)");
        }
        return out;
    }
};

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
    loadProject("Test.vkp", project);
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
    loadProject("Route.vkp",
                projectText({inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                                  "cNOx_b,cNO2_b,cO3_b,cPM10_b"),
                             inputFile("Emission.txt", "year,month,day,hour,qNOx,qPM10"),
                             outputFile("Out.txt", "segmentid,hour,qNOx,qPM10,cNOx_mod_1", "0,*"),
                             {"Route.txt", "route", {}}},
                            "Route"));
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

// NO, NO2 and NOx of both sides, in µg/m³ (NOx as NO2) and in ppb: NO and
// NO2 share out the NOx the chemistry was given, so in volume units they
// add up to NOx, and in mass units each converts with its own factor.
class NitrogenOxides : public InputKinds, public ::testing::WithParamInterface<bool> {};

TEST_P(NitrogenOxides, NOAndNO2AddUpToNOxInEveryUnit) {
    const bool ppb = GetParam();
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [](int h) {
                  return metLine(h) + " 1000 100 50 40 " + std::to_string(100 + 5 * h) + " 40 25 50";
              }));
    std::string project = projectText(
        {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,"
                                "speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b"),
         outputFile("Out.txt", "hour,cNOx_mod_1,cNO_mod_1,cNO2_mod_1,cNOx_mod_2,cNO_mod_2,cNO2_mod_2",
                    "0,*")});
    if (ppb) {
        const std::string units =
            "microg   microg    microg    microg    microg    microg    microg    microg\r\n";
        const std::size_t output = project.rfind(units);
        ASSERT_NE(output, std::string::npos);
        project.replace(output, units.size(),
                        "ppb      ppb       ppb       microg    microg    microg    microg    microg\r\n");
    }
    loadProject("Test.vkp", project);
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    // µg/m³ to ppb of NOx (as NO2), NO and NO2 (the demo country's factors).
    const double toPpbNOx = ppb ? 1.0 : 0.5229, toPpbNO = ppb ? 1.0 : 0.8017, toPpbNO2 = ppb ? 1.0 : 0.5229;
    for (const char *side : {"_1", "_2"}) {
        const std::vector<std::string> nox = column("Out.txt", std::string("cNOx_mod") + side),
                                       no = column("Out.txt", std::string("cNO_mod") + side),
                                       no2 = column("Out.txt", std::string("cNO2_mod") + side);
        ASSERT_EQ(nox.size(), 24u);
        for (std::size_t i = 0; i < nox.size(); ++i) {
            SCOPED_TRACE(std::string("side ") + side + ", hour " + std::to_string(i + 1));
            const double total = Val(nox[i]) * toPpbNOx;
            EXPECT_GT(Val(no[i]), 0.0);
            EXPECT_GT(Val(no2[i]), 0.0);
            EXPECT_NEAR(Val(no[i]) * toPpbNO + Val(no2[i]) * toPpbNO2, total, 1e-4 * total);
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
    loadProject("Streets.vkm",
                projectText({inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                                  "cNOx_b,cNO2_b,cO3_b"),
                             outputFile("Out.txt", "streetside,hour,cNOx_mod_1,cNOx_mod_2", "0,*"),
                             statFile("Streets.sum", "\"Street\",AvNOx_mod_1,AvNOx_mod_2,nHoursNOx_mod_2",
                                      "streets", "0,*"),
                             {"Streets.txt", "streets", {}}},
                            "Streets"));
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
