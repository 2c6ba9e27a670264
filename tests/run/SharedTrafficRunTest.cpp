// Multi-street runs whose streets share traffic files: each street's results
// are those of its own traffic file, whatever the other streets use and
// however many threads compute them.

#include "run/RunFixture.h"

#include <map>
#include <sstream>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr int kHours = 4 * 24; // 6 to 9 March 2023

// Street i of the streets file with its traffic file, daily traffic and speed.
std::string streetRecord(int i, const std::string &trafficFile, int dailyTraffic, int speed) {
    return "#TRUE#,\"Street-" + std::to_string(i) + "\"," + std::to_string(1000 + i) + "," +
           std::to_string(2000 + i) + ",\"" + trafficFile + "\"," + std::to_string(dailyTraffic) + "," +
           std::to_string(speed) + "," + std::to_string(8 + i % 9) + "," + std::to_string(12 + (i * 7) % 20) +
           ",100,100," + std::to_string((i * 37) % 180) + ",0,2,0\r\n";
}

struct StreetSpec {
    std::string file;
    int dailyTraffic, speed;
};

class SharedTrafficRun : public RunFixture {
protected:
    SharedTrafficRun() {
        // A second traffic file: the standard profile read as counted traffic (not scaled).
        std::string text = readFile(appDir / "Data/Traffic/National/DL/CityStreet.trf");
        const std::string standard = "\"Type\",2";
        text.replace(text.find(standard), standard.size(), "\"Type\",1");
        writeWork("Counted.trf", text);
        writeWork("Met.txt", "year month day hour u_mast wind_dir temperature globalrad\r\n" +
                                 hourlyLines(2023, 3, 6, kHours, [](int h) {
                                     return std::to_string(1 + h % 6) + " " + std::to_string((h * 41) % 360) +
                                            " " + std::to_string(4 + h % 7) + " " +
                                            std::to_string(h % 24 >= 9 && h % 24 <= 15 ? 300 : 0);
                                 }));
        writeWork("Back.txt", hourlyLines(2023, 3, 6, kHours, [](int h) {
                      return std::to_string(20 + h % 13) + " " + std::to_string(12 + h % 7) + " " +
                             std::to_string(45 + h % 11);
                  }));
    }

    // Runs the streets with n threads: the street summary's row of each street (by name) and the messages.
    std::pair<std::map<std::string, std::string>, std::vector<std::string>>
    runStreets(const std::vector<StreetSpec> &streets, int threads, RunReport *report = nullptr) {
        std::string records;
        for (std::size_t i = 0; i < streets.size(); ++i) {
            records += streetRecord(static_cast<int>(i + 1), streets[i].file, streets[i].dailyTraffic,
                                    streets[i].speed);
        }
        writeWork("Streets.txt", records);
        fs::remove(work("Streets.sum"));
        const std::vector<FileRecord> files = {
            inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
            inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b"),
            statFile("Streets.sum", "\"Street\",DailyTraffic,TravelSpeed,AvNOx_mod_1,AvNO2_mod_2,MaxHourlyNOx_mod_1",
                     "streets"),
            {"Streets.txt", "streets", {}}};
        loadProject("Streets.vkm", projectText(files, "Streets"));
        const StreetThreads use(threads);
        ui.messages.clear();
        const RunReport r = run();
        if (report != nullptr) {
            *report = r;
        }
        std::map<std::string, std::string> rows;
        if (fs::exists(work("Streets.sum"))) {
            const std::vector<std::string> lines = fileLines(work("Streets.sum"));
            for (std::size_t i = 1; i < lines.size(); ++i) {
                std::istringstream first(lines[i]);
                std::string name;
                first >> name;
                rows[name] = lines[i];
            }
        }
        control.reset();
        return {rows, ui.messages};
    }
};

TEST_F(SharedTrafficRun, StreetsOfTwoTrafficFilesGetTheResultsOfTheirOwnFileOnAnyNumberOfThreads) {
    const std::vector<StreetSpec> mixed = {{".\\CityStreet.trf", 22000, 40}, {"Counted.trf", 0, 0},
                                           {".\\CityStreet.trf", 9000, 40},  {".\\CityStreet.trf", 15000, 30},
                                           {"Counted.trf", 0, 0},            {".\\CityStreet.trf", 30000, 40}};
    RunReport report;
    const auto serial = runStreets(mixed, 1, &report);
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    ASSERT_EQ(serial.first.size(), mixed.size()) << readFile(work("Streets.sum"));
    EXPECT_TRUE(serial.second.empty());
    // Each street alone in its run: the row it has among the others.
    for (std::size_t i = 0; i < mixed.size(); ++i) {
        SCOPED_TRACE("street " + std::to_string(i + 1));
        std::vector<StreetSpec> alone(i + 1, StreetSpec{"Counted.trf", 0, 0});
        alone[i] = mixed[i]; // the same street number, the streets before it all counted traffic
        const auto own = runStreets(alone, 1);
        const std::string name = "Street-" + std::to_string(i + 1);
        ASSERT_EQ(own.first.count(name), 1u);
        EXPECT_EQ(serial.first.at(name), own.first.at(name));
    }
    // Streets with the standard profile at other daily traffic really differ.
    EXPECT_NE(serial.first.at("Street-1"), serial.first.at("Street-3"));
    for (int threads : {2, 4}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        EXPECT_EQ(runStreets(mixed, threads), serial);
    }
}

TEST_F(SharedTrafficRun, ADamagedFileOfTheSecondStreetEndsTheRunThereAsInASerialRun) {
    // The streets around it share a sound file, read before and (in parallel) perhaps after it.
    writeWork("Broken.trf", "\"WinVESK traffic file\"\r\n[Settings]\r\n\"Type\",x\r\n");
    const std::vector<StreetSpec> streets = {{".\\CityStreet.trf", 22000, 40},
                                             {"Broken.trf", 12000, 40},
                                             {".\\CityStreet.trf", 9000, 40},
                                             {"Broken.trf", 12000, 40}};
    RunReport report;
    const auto serial = runStreets(streets, 1, &report);
    ASSERT_EQ(report.outcome, RunOutcome::Failed);
    const std::string serialError = report.error;
    ASSERT_EQ(serial.second.size(), 1u);
    EXPECT_NE(serial.second[0].find("Broken.trf"), std::string::npos) << serial.second[0];
    // The damaged file alone in its run gives the same message.
    const auto alone = runStreets({streets[1]}, 1, &report);
    EXPECT_EQ(alone.second, serial.second);
    // And the sound file is not spoilt by it: without the damaged street the run completes.
    const auto sound = runStreets({streets[0], streets[2]}, 1, &report);
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(sound.first.size(), 2u);
    for (int threads : {2, 4}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        RunReport parallel;
        EXPECT_EQ(runStreets(streets, threads, &parallel), serial);
        EXPECT_EQ(parallel.outcome, RunOutcome::Failed);
        EXPECT_EQ(parallel.error, serialError);
    }
}

} // namespace
