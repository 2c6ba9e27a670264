// Whole time-series runs through the engine (build in Release or
// RelWithDebInfo; the figures of a Debug build say nothing):
//  1. the sample single-street project of data/Working over its year (8,760
//     hours, all statistics, hourly output to text): wall time, and its ratio
//     to merely reading its input files and writing its output bytes (the
//     I/O floor, measured in the same run);
//  2. a generated multi-street project of 1,000 streets over the same year
//     with a street summary, once on one thread and once on every hardware
//     thread: wall and processor time, per street-hour figures, the speed-up
//     and the peak memory of each run; then 100 streets on every thread, to
//     show that the memory does not grow with the streets.
// Each multi-street run is a child process of its own, so that its peak
// memory is its own. The machine (hardware threads, processor, load average
// before and after) is printed too: on a busy machine the wall times say
// more about the machine than about the program, and the processor time of
// a run (with the cores it kept busy on average) says more about the program.
// Everything runs in a temporary copy of the data tree.
//
//   run_bench            everything
//   run_bench single     the single-street year only
//   run_bench <n>        everything, with n streets in place of 1,000 (for profiling)

#include "calc/EmissionSetup.h"
#include "core/Settings.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "run/RunCalculation.h"
#include "run/State.h"
#include "run/results/StreetResults.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

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

double seconds(const timeval &t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

std::string processorName() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const std::size_t colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }
    return "unknown processor";
}

double loadAverage() {
    double load[1] = {-1};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
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

// What a multi-street run in a child process hands back.
struct MultiResult {
    bool ok = false;
    double wall = 0; // s, the run alone
    long streetHours = 0;
    int streets = 0;
    double cpu = 0;      // s of processor time of the whole child (set-up included)
    double setupCpu = 0; // s of processor time before the run
    long peakKb = 0;     // the child's peak resident memory
    long beforeKb = 0;   // ... before the run
};

// The multi-street project of `streets` streets run in a child process with
// WINVESK_THREADS = threads.
MultiResult runMultiStreet(const fs::path &app, const fs::path &work, int streets, int threads) {
    const fs::path folder = work / ("multi-" + std::to_string(streets));
    fs::create_directories(folder);
    std::ofstream(folder / "Streets.txt", std::ios::binary) << streetsFile(streets);
    std::string project = slurp(work / "DemoStreets.vkm");
    // Keep the street summary only: a thousand years of hourly rows are not the point here.
    const std::string hourly = "\"StreetsOut2023.txt\",#TRUE#";
    if (const std::size_t out = project.find(hourly); out != std::string::npos) {
        project.replace(out, hourly.size(), "\"StreetsOut2023.txt\",#FALSE#");
    }
    std::ofstream(folder / "Bench.vkm", std::ios::binary) << project;
    for (const char *f : {"Met2023.txt", "Back2023.txt", "Obs2023.txt"}) {
        fs::copy_file(work / f, folder / f, fs::copy_options::overwrite_existing);
    }

    int channel[2];
    if (pipe(channel) != 0) {
        return {};
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        setenv("WINVESK_THREADS", std::to_string(threads).c_str(), 1);
        MultiResult r;
        QuietInteraction ui;
        vesk::State s;
        if (prepare(s, ui, app, folder / "Bench.vkm")) {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            r.beforeKb = usage.ru_maxrss;
            r.setupCpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
            vesk::RunControl control;
            const auto t0 = Clock::now();
            const vesk::RunReport report = vesk::runTimeSeries(s, ui, control);
            r.wall = seconds(t0, Clock::now());
            if (report.outcome == vesk::RunOutcome::Completed) {
                r.ok = true;
                r.streetHours = report.hours;
                r.streets = report.streets;
            } else {
                std::fprintf(stderr, "The multi-street run failed: %s\n", report.error.c_str());
            }
        }
        const ssize_t written = write(channel[1], &r, sizeof r);
        _exit(written == static_cast<ssize_t>(sizeof r) ? 0 : 1);
    }
    close(channel[1]);
    MultiResult r;
    const bool read = child > 0 && ::read(channel[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
    close(channel[0]);
    int status = 0;
    rusage usage{};
    if (child <= 0 || wait4(child, &status, 0, &usage) != child || !read) {
        return {};
    }
    r.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime) - r.setupCpu;
    r.peakKb = usage.ru_maxrss;
    return r;
}

void printMulti(const char *what, const MultiResult &r) {
    const double hours = static_cast<double>(r.streetHours);
    std::printf("  %-12s %6.1f s (%.2f us per street-hour); processor %6.1f s (%.2f us per street-hour, "
                "%.1f cores busy on average); peak memory %.1f MB (%.1f MB before the run)\n",
                what, r.wall, r.wall / hours * 1e6, r.cpu, r.cpu / hours * 1e6, r.cpu / r.wall,
                r.peakKb / 1024.0, r.beforeKb / 1024.0);
}

} // namespace

int main(int argc, char **argv) {
    const bool singleOnly = argc > 1 && std::string(argv[1]) == "single";
    const int kStreets = argc > 1 && !singleOnly ? std::max(10, std::atoi(argv[1])) : 1000;
    const fs::path temp = fs::temp_directory_path() / ("winvesk-run-bench-" + std::to_string(::getpid()));
    const fs::path app = temp / "app";
    const fs::path work = temp / "work";
    fs::create_directories(work);
    fs::copy(fs::path(WINVESK_SOURCE_DIR) / "data", app, fs::copy_options::recursive);
    for (const char *f : {"DemoStreet.vkp", "DemoStreet.trf", "DemoStreets.vkm", "Met2023.txt",
                          "Back2023.txt", "Obs2023.txt"}) {
        fs::copy_file(app / "Working" / f, work / f);
    }
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::printf("Machine: %d hardware threads, %s; load average %.1f at the start\n", cores,
                processorName().c_str(), loadAverage());
    QuietInteraction ui;

    // 1. The sample year of one street, the best of a few rounds.
    constexpr int kRounds = 9;
    double best = 1e9;
    long hours = 0;
    for (int round = 0; round < kRounds; ++round) {
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
    // The floor: reading the input lines and writing the output bytes line by line.
    double floor = 1e9;
    std::uintmax_t inBytes = 0, outBytes = 0;
    for (int round = 0; round < kRounds; ++round) {
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
            std::ofstream out(work / (std::string("copy-") + f), std::ios::binary);
            std::size_t at = 0;
            while (at < bytes.size()) {
                const std::size_t end = bytes.find('\n', at);
                const std::size_t n = (end == std::string::npos ? bytes.size() : end + 1) - at;
                out.write(bytes.data() + at, static_cast<std::streamsize>(n));
                at += n;
            }
            out.close();
            outBytes += bytes.size();
        }
        floor = std::min(floor, seconds(t0, Clock::now()));
    }
    std::printf("Single-street sample year: %ld hours in %.3f s (%.1f us per hour), best of %d\n", hours,
                best, best / static_cast<double>(hours) * 1e6, kRounds);
    std::printf("  reading %ju input bytes and writing %ju output bytes alone: %.4f s; run / I/O = %.1f "
                "(target 5)\n",
                inBytes, outBytes, floor, best / floor);

    // 2. A thousand streets, on one thread and on every thread.
    if (!singleOnly) {
        std::printf("Multi-street year: %d streets (every tenth inactive), street summary file\n", kStreets);
        std::fflush(stdout);
        const MultiResult one = runMultiStreet(app, work, kStreets, 1);
        if (!one.ok) {
            std::fprintf(stderr, "The multi-street run on one thread failed.\n");
            return 1;
        }
        printMulti("1 thread:", one);
        std::fflush(stdout);
        const MultiResult all = runMultiStreet(app, work, kStreets, cores);
        if (!all.ok) {
            std::fprintf(stderr, "The multi-street run on every thread failed.\n");
            return 1;
        }
        printMulti((std::to_string(cores) + " threads:").c_str(), all);
        const double speedUp = one.wall / all.wall;
        std::printf(
            "  %ld street-hours; speed-up %.2fx = %.2f x the %d hardware threads (target 0.65); "
            "1 thread %.2f us per street-hour (target 2); %d threads %.1f s (target 8 s on 8 cores)\n",
            one.streetHours, speedUp, speedUp / cores, cores, one.wall / one.streetHours * 1e6, cores,
            all.wall);
        const MultiResult few = runMultiStreet(app, work, kStreets / 10, cores);
        if (few.ok) {
            std::printf("  %d streets on %d threads: peak memory %.1f MB (%.1f MB with %d streets)\n",
                        kStreets / 10, cores, few.peakKb / 1024.0, all.peakKb / 1024.0, kStreets);
        }

        // What keeping every street's statistics for the results window adds
        // to a run from the window (a batch run keeps none).
        vesk::State s;
        if (prepare(s, ui, app, work / ("multi-" + std::to_string(kStreets)) / "Bench.vkm")) {
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
                std::printf("  keeping the streets' statistics for the results window: %.1f ms (%.2f %% of "
                            "the run on one thread), %.1f MB on disk\n",
                            k * 1e3, k / one.wall * 100,
                            static_cast<double>(fs::file_size(store.path())) / 1048576.0);
            }
        }
    }
    std::printf("Load average %.1f at the end\n", loadAverage());
    fs::remove_all(temp);
    return 0;
}
