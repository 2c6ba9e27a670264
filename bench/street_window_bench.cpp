// Prints what a street's page costs in the results window at the bounds of
// the country's lists: 100 percentile definitions in every family (none of
// which the saved results hold statistics for, so that every percentile
// cell carries a note) and 50 limit values of every pollutant, each with a
// limit in every column. The lists are written and read as the program
// reads them, a multi-street run's results are kept, saved and opened again,
// and the street's page is shown as Show Street Results shows it. Prints the
// time of each step and the peak memory of the process. Build in Release or
// RelWithDebInfo; runs on the offscreen platform when no other is named.
//
//   street_window_bench [<definitions> [<limit rows> [<pollutants>]]]
//
// (default 100 and 50, and the six pollutants of the demo list that have
// limit values; with a number of pollutants, the demo's eight are followed
// by more up to that number, each with its limit values and emitted).

#include "BenchSupport.h"
#include "core/KeptSizes.h"
#include "core/Settings.h"
#include "project/InitProgram.h"
#include "run/State.h"
#include "run/results/StreetResults.h"
#include "run/results/StreetResultsView.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/frmShowResults.h"

#include <QApplication>
#include <QPixmap>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vesk;
using bench::Clock;
using bench::msSince;
using bench::peakMB;

namespace {

// n definitions of each family: percentiles 50.0, 50.1, ..., the k-th of
// them the k-th highest value.
std::string percentileList(int n) {
    std::string text = "Name, Fraction, nMax, Type\r\n";
    const char *suffixes[] = {"_Perc", "_PercRun8", "_PercDaily"};
    for (int family = 0; family < 3; ++family) {
        for (int k = 0; k < n; ++k) {
            const double percentile = 50.0 + 0.1 * k;
            const double fraction = (100.0 - percentile) / 100.0;
            const int nth = k + 1;
            char line[128];
            std::snprintf(line, sizeof line, "\"%.1f%s\",%.4f,%d,%d\r\n", percentile, suffixes[family],
                          fraction, nth, family);
            text += line;
        }
    }
    return text;
}

// rows limit values of each pollutant, a limit in every column.
std::string limitList(int n, int rows, const std::vector<std::string> &pollutants) {
    std::string text =
        "\"Hourly values\"\r\n\"Average\",\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
        "\"Running 8 hours averages\"\r\n\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n"
        "\"Daily averages\"\r\n\"Maximum\",\"th highest\",\" percentile\",\"Data capture\"\r\n";
    text += std::to_string(pollutants.size()) + "\r\n";
    std::string columns;
    for (int k = 0; k < n; ++k) {
        char p[16];
        std::snprintf(p, sizeof p, " %.1f", 50.0 + 0.1 * k);
        columns += p;
    }
    text += "Average Maximum" + columns + " dc Maximum" + columns + " dc Maximum" + columns + " dc\r\n";
    const int values = 2 + n + 1 + 1 + n + 1 + 1 + n + 1;
    for (const std::string &pollutant : pollutants) {
        text += "---- " + pollutant + "\r\n\"" + pollutant + "\"," + std::to_string(rows) + "\r\n";
        for (int r = 1; r <= rows; ++r) {
            text += "\"Limit value " + std::to_string(r) + "\"";
            for (int v = 0; v < values; ++v) {
                text += "," + std::to_string(r * 10 + v % 7);
            }
            text += "\r\n";
        }
    }
    return text;
}

} // namespace

int main(int argc, char **argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : kMaxPercentileDefinitions;
    const int rows = argc > 2 ? std::atoi(argv[2]) : kMaxLimitValueRows;
    const int pollutantCount = argc > 3 ? std::atoi(argv[3]) : 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    const fs::path dir = bench::programFolderCopy("street-window-bench");
    const fs::path data = fs::path(WINVESK_SOURCE_DIR) / "data";
    std::ofstream(dir / "Lists/National/DL/PercDef.lst", std::ios::binary) << percentileList(n);
    std::vector<std::string> limited = {"NO2", "PM10", "PM2.5", "CO", "BNZ", "O3"};
    if (pollutantCount > 8) {
        std::ifstream in(data / "Lists/National/DL/Pollutants.lst", std::ios::binary);
        std::string list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (int k = 9; k <= pollutantCount; ++k) {
            const std::string name = "P" + std::to_string(k);
            list += "\"" + name + "\",\"Pollutant " + name + "\",\"microg\",\"microg\",#TRUE#,1\r\n";
            limited.push_back(name);
        }
        std::ofstream(dir / "Lists/National/DL/Pollutants.lst", std::ios::binary) << list;
    }
    std::ofstream(dir / "Lists/National/DL/LimValDef.lst", std::ios::binary) << limitList(n, rows, limited);

    State s;
    bench::BenchInteraction ui;
    MemorySettings settings;
    auto start = Clock::now();
    if (!InitProgram(s, dir.string() + "/", ui, settings, nullptr)) {
        std::fprintf(stderr, "the program could not start on %s\n", dir.c_str());
        fs::remove_all(dir);
        return 1;
    }
    std::printf(
        "%d definitions a family, %d limit values a pollutant, %d pollutants (%d with limit values)\n",
        s.NumPercHourly, s.LimValMaxRows, s.PollutantCount, s.LimValPollutantCount);
    std::printf("lists read:                %8.1f ms, peak %6.1f MB\n", msSince(start), peakMB());
    const std::size_t pollutants = static_cast<std::size_t>(s.NPol + 1);
    s.ShowPol.assign(pollutants, true);
    for (std::vector<int> *sources : {&s.PercSource, &s.Run8Source, &s.AvSource, &s.DailySource}) {
        sources->assign(pollutants, 1);
    }
    s.OutputUnitFactor.assign(pollutants, 1.0f);
    s.ShowLimitValMode = 2; // the limit values on every page
    s.ShowOnlyIfLV = false;

    // A street whose results hold none of the percentile statistics.
    KeyedList<StatVar> kept;
    for (std::size_t i = 0; i < s.StatVarList.size(); ++i) {
        if (s.StatVarList.keyAt(i).find("thHighest") == std::string::npos) {
            kept.add(s.StatVarList.keyAt(i), s.StatVarList.at(i));
        }
    }
    s.StatVarList = kept;
    const std::string path = (dir / "streets.msr").string();
    std::string error;
    start = Clock::now();
    results::StreetResultsStore run;
    results::StreetEntry street;
    street.number = 1;
    street.name = "Street 1";
    if (!(run.start(s, &error) && run.addStreet(street, kept, &error) &&
          run.finish("2023-12-31 12:00", &error) && run.saveAs(path, &error))) {
        std::fprintf(stderr, "the results could not be kept: %s\n", error.c_str());
        fs::remove_all(dir);
        return 1;
    }
    std::printf("results kept and saved:    %8.1f ms, %ju bytes\n", msSince(start),
                static_cast<std::uintmax_t>(fs::file_size(path)));
    start = Clock::now();
    const auto store = results::StreetResultsStore::open(path, s, &error);
    if (!store) {
        std::fprintf(stderr, "the results could not be opened: %s\n", error.c_str());
        fs::remove_all(dir);
        return 1;
    }
    std::printf("results opened:            %8.1f ms, peak %6.1f MB\n", msSince(start), peakMB());

    // As Show Street Results shows the street.
    start = Clock::now();
    KeyedList<StatVar> stats;
    if (!store->streetStatistics(0, &stats, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        fs::remove_all(dir);
        return 1;
    }
    State shown = s;
    results::applyView(store->view(), store->pollutants(), shown);
    shown.OpenSavedResults = false;
    shown.ResultsFromFile = false;
    ui::RunResults results;
    results.source = results::StatSource{&stats, &store->pollutants(), &store->outputUnitFactor(),
                                         &store->outputUnits(), store->streets()[0].period};
    results.facts = results::streetKeyInfoFacts(*store, 0);
    std::printf("street's state made:       %8.1f ms, peak %6.1f MB (%zu statistics in the catalogue)\n",
                msSince(start), peakMB(), shown.StatVarList.size());
    double total = 0;
    {
        const auto loading = Clock::now();
        ui::frmShowResults window(shown, ui, settings);
        window.setRunResults(results);
        window.Form_Load();
        std::printf("street page built:         %8.1f ms, peak %6.1f MB\n", msSince(loading), peakMB());
        auto shownAt = Clock::now();
        window.resize(1000, 700);
        window.show();
        QApplication::processEvents();
        const QPixmap image = window.grab();
        const double painted = msSince(shownAt);
        total = msSince(start);
        std::printf(
            "window shown and painted:  %8.1f ms, peak %6.1f MB (%d x %d cells, %zu notes, table %d px "
            "high)\n",
            painted, peakMB(), window.model()->rowCount(), window.model()->columnCount(),
            window.model()->page().notes.size(), window.MSFlexGrid1->height());
        if (const char *png = std::getenv("WINVESK_BENCH_PNG")) {
            image.save(QString::fromLocal8Bit(png));
        }
    }
    std::printf("Show Street Results in all: %7.1f ms, peak %6.1f MB\n", total, peakMB());
    fs::remove_all(dir);
    return 0;
}
