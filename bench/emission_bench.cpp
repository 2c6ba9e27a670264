// Prints the cost of the emission routines on the demo country: the street's
// traffic set-up (reading the standard traffic file and expanding every day
// case), the day-case matcher per hour, and one hourly emission computation.

#include "calc/DayCases.h"
#include "calc/EmissionSetup.h"
#include "calc/HourlyEmissions.h"
#include "core/Interaction.h"
#include "core/Settings.h"
#include "project/InitProgram.h"
#include "run/State.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

static double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

int main() {
    fs::path app = fs::temp_directory_path() / "winvesk-emission-bench";
    fs::remove_all(app);
    fs::copy(fs::path(WINVESK_SOURCE_DIR) / "data", app, fs::copy_options::recursive);
    vesk::State s;
    vesk::BatchInteraction ui;
    vesk::MemorySettings settings;
    if (!vesk::InitProgram(s, app.string(), ui, settings, nullptr)) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    s.WorkDir = (app / "Working").string() + "/";
    s.VehicleListFile = s.ScenarioVehicleFiles[1];
    s.FuelListFile = s.ScenarioFuelFiles[1];
    auto t0 = Clock::now();
    vesk::InitEmissions(s, ui);
    auto t1 = Clock::now();
    s.TrafficFile = ".\\CityStreet.trf";
    const int rounds = 20;
    for (int i = 0; i < rounds; ++i) {
        s.TrafficFileLoaded = false;
        if (vesk::SetUpStreetTraffic(s, ui).outcome != vesk::TrafficSetupOutcome::Ready) {
            std::fprintf(stderr, "traffic set-up failed\n");
            return 1;
        }
    }
    auto t2 = Clock::now();
    long sum = 0;
    const int hours = 8760 * 20;
    for (int h = 0; h < hours; ++h) {
        sum += vesk::FindDayCase(s, ui, 1 + (h / 720) % 12, 1 + (h / 24) % 7);
    }
    auto t3 = Clock::now();
    const int calls = 100000;
    for (int i = 0; i < calls; ++i) {
        vesk::CalcHourlyEmissions(s, 0, 30.0f + i % 20, 25.0f, s.TrafficSpeedDefault, 0.1f);
    }
    auto t4 = Clock::now();
    std::printf("emission set-up (lists of %d categories):      %8.3f ms\n", s.VehCatCount,
                1e3 * seconds(t0, t1));
    std::printf("street traffic set-up (%d day cases x %d periods x %d pollutants): %8.3f ms\n", s.DayCases,
                s.Nhours, s.EmitterCount, 1e3 * seconds(t1, t2) / rounds);
    std::printf("day-case matcher:                              %8.1f ns per hour (checksum %ld)\n",
                1e9 * seconds(t2, t3) / hours, sum);
    std::printf("hourly emissions of one pollutant:             %8.1f ns per call\n",
                1e9 * seconds(t3, t4) / calls);
    fs::remove_all(app);
    return 0;
}
