// A batch run computes only the statistics its files ask for; a run from the
// window computes every one (its results window shows them all). Both write
// the same files.

#include "run/RunFixture.h"

#include "core/RecordIO.h"

#include <map>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kHours = 10 * 24; // 6 to 15 March 2023

std::string metLine(int h) {
    const double u = 1.0 + (h * 7 % 11) * 0.5;
    const int rad = (h % 24 >= 8 && h % 24 <= 16) ? 250 + h % 100 : 0;
    return formatNumber(u) + " " + std::to_string((h * 37) % 360) + " " + std::to_string(5 + h % 9) + " " +
           std::to_string(rad);
}

std::string backLine(int h) {
    return std::to_string(25 + h % 17) + " " + std::to_string(15 + h % 11) + " " +
           std::to_string(40 + h % 13) + " 300 " + std::to_string(18 + h % 7);
}

std::string obsLine(int h) {
    return (h % 13 == 0 ? "-99" : std::to_string(60 + h % 23)) + " " + std::to_string(50 + h % 19) + " " +
           std::to_string(30 + h % 7) + " " + std::to_string(28 + h % 5);
}

// A project and the files its run writes.
struct Request {
    const char *what;
    std::vector<FileRecord> records; // besides the inputs
    std::vector<std::string> files;
    bool streets = false; // a multi-street project
};

void PrintTo(const Request &r, std::ostream *out) {
    *out << r.what;
}

class StatisticsDemand : public RunFixture, public ::testing::WithParamInterface<Request> {
protected:
    void load(const Request &request) {
        writeWork("Met.txt", "year month day hour u_mast wind_dir temperature globalrad\r\n" +
                                 hourlyLines(2023, 3, 6, kHours, metLine));
        writeWork("Back.txt", hourlyLines(2023, 3, 6, kHours, backLine));
        writeWork("Obs.txt", hourlyLines(2023, 3, 6, kHours, obsLine));
        std::vector<FileRecord> records = {
            inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
            inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b,cCO_b,cPM10_b"),
            inputFile("Obs.txt", "year,month,day,hour,cNOx_obs_1,cNOx_obs_2,cNO2_obs_1,cNO2_obs_2")};
        records.insert(records.end(), request.records.begin(), request.records.end());
        if (request.streets) {
            writeWork("Streets.txt",
                      "#TRUE#,\"North\",100,200,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,0,2,0\r\n"
                      "#FALSE#,\"Closed\",300,400,\".\\CityStreet.trf\",5000,30,8,6,40,40,45,0,1.5,0\r\n"
                      "#TRUE#,\"East\",500,600,\".\\CityStreet.trf\",10000,35,15,12,80,80,90,0,2,1\r\n"
                      "0,90,0.5\r\n");
            records.push_back({"Streets.txt", "streets", {}});
            ASSERT_NO_FATAL_FAILURE(loadProject("Streets.vkm", projectText(records, "Streets")));
        } else {
            records.push_back({".\\CityStreet.trf", "traffic", {"18000", "45"}});
            ASSERT_NO_FATAL_FAILURE(loadProject("Street.vkp", projectText(records)));
        }
    }

    // Runs the project as a batch run (true) or from the window (false) and
    // keeps the files it wrote and a statistic none of the requests asks for.
    std::map<std::string, std::string> runAs(bool batch, float *unasked) {
        state.BatchMode = batch;
        const RunReport report = run();
        EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error << "\n" << said();
        std::map<std::string, std::string> files;
        for (const std::string &name : GetParam().files) {
            files[name] = fs::exists(work(name)) ? readFile(work(name)) : std::string("(none)");
        }
        const StatVar *v = state.StatVarList.find("MaxHourlyNOx_mod");
        *unasked = v != nullptr ? v->Value(1) : -1;
        return files;
    }
};

TEST_P(StatisticsDemand, ABatchRunComputesWhatItsFilesAskForAndWritesTheSameFilesAsARunFromTheWindow) {
    ASSERT_NO_FATAL_FAILURE(load(GetParam()));
    float computed = 0, leftOut = 0;
    const std::map<std::string, std::string> window = runAs(false, &computed);
    const std::map<std::string, std::string> batch = runAs(true, &leftOut);
    for (const auto &[name, bytes] : window) {
        EXPECT_NE(bytes, "(none)") << name;
        EXPECT_TRUE(batch.at(name) == bytes) << name << " differs";
    }
    EXPECT_GT(computed, 0) << "the window's run computes every statistic";
    EXPECT_EQ(leftOut, -99) << "the batch run leaves out what no file asks for";
}

INSTANTIATE_TEST_SUITE_P(
    Requests, StatisticsDemand,
    ::testing::Values(
        Request{"AveragesAndCounts",
                {statFile("Stat.txt", "\"Series\",Average_1,Average_2,nHours_1,Average",
                          "NOx_mod,NO2_obs,PM10_b", "0,0.000")},
                {"Stat.txt"}},
        Request{"RankedHours",
                {statFile("Stat.txt", "\"Series\",19thHighest_1,99.8_Perc_2,MaxHourly,\"Title\"",
                          "NO2_mod,NOx_b", "0,0.000")},
                {"Stat.txt"}},
        Request{"RunningHoursAndDays",
                {statFile("Stat.txt", "\"Series\",MaxRun8_1,MaxDaily_2,nDays_1,nDaysD_2,MaxDaily",
                          "CO_mod,PM10_mod,NO2_b,NO2_obs", "0,0.000")},
                {"Stat.txt"}},
        Request{"DailyValues",
                {statFile("Daily.txt", "\"Day\",NOx_b_1,NO2_mod_2,NO2_obs,DayOfWeek", "dailyav", "0,0.000")},
                {"Daily.txt"}},
        Request{"RunningAveragesOfTheHours",
                {outputFile("Out.txt", "day,hour,av8NO2_mod_1,av8NOx_b_2,av8NOx_obs_1,cNOx_mod_1", "0,*")},
                {"Out.txt"}},
        Request{
            "Streets",
            {statFile("Streets.sum",
                      "\"Street\",AvNOx_mod_1,19thHighestNO2_mod,MaxRun8CO_mod_2,nDaysDPM10_b_1,DailyTraffic",
                      "streets", "0,0.000"),
             statFile("Daily.txt", "\"Day\",PM10_mod_1,StreetName", "dailyav", "0,0.000"),
             outputFile("Out.txt", "day,hour,av8PM10_mod_2", "0,*")},
            {"Streets.sum", "Daily.txt", "Out.txt"},
            true}),
    [](const auto &info) { return std::string(info.param.what); });

} // namespace
