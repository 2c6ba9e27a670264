// The sources chosen per pollutant in the options (0 none, 1 modelled,
// 2 measured, 3 both) decide which series have ranked hourly values and
// running 8-hour values: the modelled series with 1 and 3, the measured one
// with 2 and 3, the background with any source. A series not chosen has no
// such statistic (-99) in the statistics file.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kHours = 3 * 24; // 6 to 8 March 2023

std::string hourLine(int h) {
    const double u = 1.0 + (h * 7 % 11) * 0.5;
    return formatNumber(u) + " " + std::to_string((h * 37) % 360) + " 10 " +
           std::to_string(h % 24 >= 8 && h % 24 <= 16 ? 250 : 0) + " 1000 100 50 40 " +
           std::to_string(100 + h % 9) + " 5 300 " + std::to_string(25 + h % 17) + " 20 40 " +
           std::to_string(300 + h % 13) + " " + std::to_string(18 + h % 7) + " " +
           std::to_string(60 + h % 23) + " " + std::to_string(30 + h % 11) + " " +
           std::to_string(400 + h % 29);
}

} // namespace

class StatisticsSources : public RunFixture {};

TEST_F(StatisticsSources, ChooseTheSeriesWithRankedAndRunning8HourValues) {
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, kHours, hourLine));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText(
            {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,"
                                    "nlight,nheavy,speed_light,speed_heavy,qNOx,qPM10,qCO,cNOx_b,"
                                    "cNO2_b,cO3_b,cCO_b,cPM10_b,cNOx_obs_1,cPM10_obs_1,cCO_obs_1"),
             statFile("Stat.txt", "\"Series\",19thHighest_1,MaxRun8_1",
                      "NOx_mod,NOx_obs,NOx_b,NO2_mod,NO2_b,PM10_mod,PM10_obs,PM10_b,CO_mod,CO_obs,CO_b",
                      "0,*")})));
    // Pollutants NOx, NO, NO2, O3, CO, PM10, PM2.5, BNZ.
    state.PercSource = {1, 3, 0, 3, 3, 2, 3, 3};
    state.Run8Source = {2, 3, 3, 3, 1, 0, 3, 3};
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();

    std::map<std::string, std::pair<bool, bool>> expected = {
        // series: (ranked, running 8-hour values)
        {"NOx_mod", {true, false}},  {"NOx_obs", {false, true}}, {"NOx_b", {true, true}},
        {"NO2_mod", {false, true}},  {"NO2_b", {false, true}},   {"PM10_mod", {false, false}},
        {"PM10_obs", {true, false}}, {"PM10_b", {true, false}},  {"CO_mod", {true, true}},
        {"CO_obs", {true, false}},   {"CO_b", {true, true}}};
    const std::vector<std::string> lines = fileLines(work("Stat.txt"));
    ASSERT_EQ(lines.size(), expected.size() + 1);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> row = cells(lines[i]);
        ASSERT_EQ(row.size(), 3u) << lines[i];
        SCOPED_TRACE(row[0]);
        ASSERT_EQ(expected.count(row[0]), 1u);
        const auto [ranked, running] = expected.at(row[0]);
        EXPECT_EQ(row[1] != "-99", ranked) << "19th highest " << row[1];
        EXPECT_EQ(row[2] != "-99", running) << "maximum running 8-hour value " << row[2];
        if (ranked) {
            EXPECT_GT(Val(row[1]), 0.0);
        }
        if (running) {
            EXPECT_GT(Val(row[2]), 0.0);
        }
    }
}
