// Map coordinates of streets in national grids run to seven digits and more:
// they go from the streets file to the statistics files without losing one.

#include "run/RunFixture.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class Coordinates : public RunFixture {
protected:
    void writeStreetsProject(const std::string &x, const std::string &y) {
        writeWork("Hours.txt",
                  hourlyLines(2023, 3, 6, 48, [](int) { return "3 200 10 0 1000 100 50 40 120 30"; }));
        writeWork("Streets.txt", "#TRUE#,\"Grid Street\"," + x + "," + y +
                                     ",\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n");
        const std::vector<FileRecord> records = {
            inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,nlight,nheavy,"
                                   "speed_light,speed_heavy,qNOx,cNOx_b"),
            statFile("Streets.sum", "\"Street\",X_coordinate,Y_coordinate", "streets", "0,0.000"),
            statFile("Daily.txt", "\"Day\",X_coordinate,Y_coordinate", "dailyav", "0,0.000"),
            {"Streets.txt", "streets", {}}};
        loadProject("Streets.vkm", projectText(records, "Streets"));
    }
};

} // namespace

TEST_F(Coordinates, ReachTheStreetAndDailyCellsOfTheStatisticsFilesWithEveryDigit) {
    ASSERT_NO_FATAL_FAILURE(writeStreetsProject("512345.25", "6190000.5"));
    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;

    const std::vector<std::string> streets = fileLines(work("Streets.sum"));
    ASSERT_EQ(streets.size(), 2u);
    EXPECT_EQ(cells(streets[1]), (std::vector<std::string>{"Grid Street", "512345.250", "6190000.500"}));

    const std::vector<std::string> days = fileLines(work("Daily.txt"));
    ASSERT_EQ(days.size(), 3u) << "two days";
    for (std::size_t i = 1; i < days.size(); ++i) {
        EXPECT_EQ(cells(days[i])[1], "512345.250");
        EXPECT_EQ(cells(days[i])[2], "6190000.500");
    }
    ASSERT_EQ(state.DailyAverageList.size(), 2u);
    EXPECT_EQ(state.DailyAverageList.at(0).Y_coord, 6190000.5) << "the results window gets them whole too";
}
