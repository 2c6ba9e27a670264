// Whole time-series runs through the engine:
//  1. the sample single-street project of data/Working over its year (8,760
//     hours, all statistics, hourly output to text): wall time, and its ratio
//     to merely reading its input files and writing its output bytes;
//  2. a generated multi-street project of 1,000 streets over the same year
//     with a street summary: wall time and peak memory.
// Everything runs in a temporary copy of the data tree.

#include "calc/EmissionSetup.h"
#include "core/Settings.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "run/RunCalculation.h"
#include "run/State.h"
#include "run/results/StreetResults.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class QuietInteraction : public vesk::Interaction {
public:
    void message(const std::string &text, vesk::Icon, const std::string &) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    vesk::Answer question(const std::string &, vesk::Buttons, vesk::Icon, vesk::Answer a,
                          const std::string &) override {
        return a;
    }
    std::optional<std::string> inputBox(const std::string &, const std::string &,
                                        const std::string &) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const vesk::FileChoice &) override { return std::nullopt; }
};

std::string slurp(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream o;
    o << in.rdbuf();
    return o.str();
}

bool prepare(vesk::State &s, QuietInteraction &ui, const fs::path &app, const fs::path &project) {
    vesk::MemorySettings settings;
    if (!vesk::InitProgram(s, app.string() + "/", ui, settings, [](vesk::CoreState &) {})) {
        return false;
    }
    s.BatchMode = true;
    s.ProjectFile = project.string();
    if (vesk::LoadProject(s, ui).outcome != vesk::LoadOutcome::Loaded) {
        return false;
    }
    return !vesk::InitEmissions(s, ui).failed;
}

double seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

long peakMemoryKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A streets file of n streets of varied geometry and traffic, every tenth inactive.
std::string streetsFile(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        const int adt = 4000 + (i * 937) % 40000;
        const int height = 8 + i % 25;
        const int width = 12 + (i * 7) % 30;
        const int orientation = (i * 37) % 180;
        out += std::string(i % 10 == 9 ? "#FALSE#" : "#TRUE#") + ",\"Street " + std::to_string(i + 1) +
               "\"," + std::to_string(1000 + i) + "," + std::to_string(2000 + i) + ",\".\\CityStreet.trf\"," +
               std::to_string(adt) + ",40," + std::to_string(height) + "," + std::to_string(width) +
               ",100,100," + std::to_string(orientation) + ",0,2,0\r\n";
    }
    return out;
}

} // namespace

int main(int argc, char **argv) {
    const bool singleOnly = argc > 1 && std::string(argv[1]) == "single";
    const fs::path temp = fs::temp_directory_path() / ("winvesk-run-bench-" + std::to_string(::getpid()));
    const fs::path app = temp / "app";
    const fs::path work = temp / "work";
    fs::create_directories(work);
    fs::copy(fs::path(WINVESK_SOURCE_DIR) / "data", app, fs::copy_options::recursive);
    for (const char *f : {"DemoStreet.vkp", "DemoStreet.trf", "DemoStreets.vkm", "Met2023.txt",
                          "Back2023.txt", "Obs2023.txt"}) {
        fs::copy_file(app / "Working" / f, work / f);
    }
    QuietInteraction ui;

    // 1. The sample year of one street.
    double best = 1e9;
    long hours = 0;
    for (int round = 0; round < 5; ++round) {
        vesk::State s;
        if (!prepare(s, ui, app, work / "DemoStreet.vkp")) {
            std::fprintf(stderr, "The sample project could not be prepared.\n");
            return 1;
        }
        vesk::RunControl control;
        const auto t0 = Clock::now();
        const vesk::RunReport report = vesk::runTimeSeries(s, ui, control);
        const auto t1 = Clock::now();
        if (report.outcome != vesk::RunOutcome::Completed) {
            std::fprintf(stderr, "The sample run failed: %s\n", report.error.c_str());
            return 1;
        }
        hours = report.hours;
        best = std::min(best, seconds(t0, t1));
    }
    // The floor: reading the input bytes and writing the output bytes.
    double floor = 1e9;
    std::uintmax_t inBytes = 0, outBytes = 0;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = Clock::now();
        inBytes = outBytes = 0;
        for (const char *f : {"Met2023.txt", "Back2023.txt", "Obs2023.txt"}) {
            std::ifstream in(work / f, std::ios::binary);
            std::string line;
            while (std::getline(in, line)) {
                inBytes += line.size() + 1;
            }
        }
        for (const char *f : {"Out2023.txt", "Stat2023.txt"}) {
            const std::string bytes = slurp(work / f);
            const auto w0 = Clock::now();
            std::ofstream out(work / (std::string("copy-") + f), std::ios::binary);
            std::size_t at = 0;
            while (at < bytes.size()) {
                const std::size_t end = bytes.find('\n', at);
                const std::size_t n = (end == std::string::npos ? bytes.size() : end + 1) - at;
                out.write(bytes.data() + at, static_cast<std::streamsize>(n));
                at += n;
            }
            out.close();
            (void)w0;
            outBytes += bytes.size();
        }
        floor = std::min(floor, seconds(t0, Clock::now()));
    }
    std::printf("Single-street sample year: %ld hours in %.3f s (%.1f us per hour)\n", hours, best,
                best / static_cast<double>(hours) * 1e6);
    std::printf("  reading %ju input bytes and writing %ju output bytes alone: %.3f s; run / I/O = %.1f\n",
                inBytes, outBytes, floor, best / floor);

    // 2. A thousand streets.
    if (!singleOnly) {
        constexpr int kStreets = 1000;
        std::ofstream(work / "Streets.txt", std::ios::binary) << streetsFile(kStreets);
        std::string project = slurp(work / "DemoStreets.vkm");
        // Keep the street summary only: a thousand years of hourly rows are not the point here.
        const std::size_t out = project.find("\"StreetsOut2023.txt\",#TRUE#");
        if (out != std::string::npos) {
            project.replace(out, std::string("\"StreetsOut2023.txt\",#TRUE#").size(),
                            "\"StreetsOut2023.txt\",#FALSE#");
        }
        std::ofstream(work / "Bench.vkm", std::ios::binary) << project;
        vesk::State s;
        if (!prepare(s, ui, app, work / "Bench.vkm")) {
            std::fprintf(stderr, "The multi-street project could not be prepared.\n");
            return 1;
        }
        const long before = peakMemoryKb();
        vesk::RunControl control;
        const auto t0 = Clock::now();
        const vesk::RunReport report = vesk::runTimeSeries(s, ui, control);
        const double t = seconds(t0, Clock::now());
        if (report.outcome != vesk::RunOutcome::Completed) {
            std::fprintf(stderr, "The multi-street run failed: %s\n", report.error.c_str());
            return 1;
        }
        std::printf(
            "Multi-street year: %d streets (%d with statistics), %ld street-hours in %.1f s (%.2f us per "
            "street-hour)\n",
            kStreets, report.streets, report.hours, t, t / static_cast<double>(report.hours) * 1e6);
        std::printf("  peak memory %.1f MB (%.1f MB before the run)\n", peakMemoryKb() / 1024.0,
                    before / 1024.0);

        // What keeping every street's statistics for the results window adds
        // to a run from the window (a batch run keeps none).
        vesk::results::StreetResultsStore store;
        std::string error;
        if (store.start(s, &error)) {
            const auto t1 = Clock::now();
            for (int i = 1; i <= kStreets; ++i) {
                vesk::results::StreetEntry e;
                e.number = i;
                e.name = "Street " + std::to_string(i);
                store.addStreet(std::move(e), s.StatVarList, &error);
            }
            store.finish("", &error);
            const double k = seconds(t1, Clock::now());
            std::printf(
                "  keeping the streets' statistics for the results window: %.1f ms (%.2f %% of the run), "
                "%.1f MB on disk\n",
                k * 1e3, k / t * 100, static_cast<double>(fs::file_size(store.path())) / 1048576.0);
        }
    }
    fs::remove_all(temp);
    return 0;
}
