// Prints what the largest page a saved single-street results file may hold
// costs in the results window: the cells of the three pages a run at the
// bounds of the country's lists writes (every pollutant the lists keep, each
// with its heading, its three series and all the limit values a pollutant
// keeps, on pages as wide as the percentile definitions of the three
// families make them), all on one page, a number in every cell. The file is
// written by the program's writer and opened as File > Open opens it.
// Prints the time of each step and the peak memory of the process. Build in
// Release or RelWithDebInfo; runs on the offscreen platform when no other is
// named.
//
//   result_window_bench [<pollutants>]   (default: three times those the lists keep)

#include "BenchSupport.h"
#include "core/KeptSizes.h"
#include "core/Settings.h"
#include "project/InitProgram.h"
#include "run/State.h"
#include "run/results/ResultFile.h"
#include "ui/results/ResultsTableModel.h"
#include "ui/results/frmShowResults.h"

#include <QApplication>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vesk;
using bench::Clock;
using bench::msSince;
using bench::peakMB;

namespace {

// One page of the widest kind holding the given pollutants with all their rows.
results::PageTexts widestPage(int pollutants) {
    const std::size_t width = results::kWidestResultsPage;
    results::PageTexts page;
    std::vector<std::string> row(width);
    row[0] = "Page 0";
    for (std::size_t c = 1; c < width; ++c) {
        row[c] = c < 8 ? "Hourly values" : "Percentiles";
    }
    page.push_back(row);
    row[0] = "Component";
    for (std::size_t c = 1; c < width; ++c) {
        row[c] = "Column " + std::to_string(c);
    }
    page.push_back(row);
    auto values = [&](const std::string &label, double base) {
        std::vector<std::string> r(width);
        r[0] = label;
        for (std::size_t c = 1; c < width; ++c) {
            char cell[32];
            std::snprintf(cell, sizeof cell, "%.2f", base + 0.37 * static_cast<double>(c % 97));
            r[c] = cell;
        }
        return r;
    };
    for (int p = 1; p <= pollutants; ++p) {
        std::vector<std::string> heading(width);
        heading[0] = "Pollutant " + std::to_string(p) + " (µg/m³)";
        page.push_back(heading);
        page.push_back(values("       Street Measured", 20.0 + p));
        page.push_back(values("       Street Modelled", 18.0 + p));
        page.push_back(values("       Background", 12.0 + p));
        for (int l = 1; l <= kMaxLimitValueRows; ++l) {
            page.push_back(values("Limit value " + std::to_string(l), 40.0 + l));
        }
    }
    return page;
}

} // namespace

int main(int argc, char **argv) {
    const int pollutants = argc > 1 ? std::atoi(argv[1]) : 3 * kMaxPollutants;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    const fs::path dir = bench::programFolderCopy("result-window-bench");
    const std::string path = (dir / "street.res").string();

    State s;
    bench::BenchInteraction ui(path); // answers File > Open with the file written
    MemorySettings settings;
    if (!InitProgram(s, dir.string() + "/", ui, settings, nullptr)) {
        std::fprintf(stderr, "the program could not start on %s\n", dir.c_str());
        fs::remove_all(dir);
        return 1;
    }

    auto start = Clock::now();
    results::ResultFileContents contents;
    contents.keyInfo = {"Street: Bench Street   Calculated on: 2024-03-05 14:07:09",
                        "Average Daily Traffic: 12000 (Calculated)", "Emission Scenario Year: 2020",
                        "Period Covered (User provided Meteorological Data): 2020-01-01 - 2020-12-31",
                        "Urban Background: User provided"};
    contents.pageNames = {"Max; All Receptors"};
    contents.pages.push_back(widestPage(pollutants));
    std::string error;
    if (!results::writeResultFile(path, contents, &error)) {
        std::fprintf(stderr, "the file could not be written: %s\n", error.c_str());
        fs::remove_all(dir);
        return 1;
    }
    const std::size_t rows = contents.pages[0].size();
    contents = {};
    std::printf("%d pollutants, %zu rows of %zu cells written: %8.1f ms, %ju bytes, peak %6.1f MB\n",
                pollutants, rows, results::kWidestResultsPage, msSince(start),
                static_cast<std::uintmax_t>(fs::file_size(path)), peakMB());

    double total = 0;
    {
        start = Clock::now();
        s.OpenSavedResults = true;
        ui::frmShowResults window(s, ui, settings);
        const bool opened = window.Form_Load();
        std::printf("file read and page built:  %8.1f ms, peak %6.1f MB%s\n", msSince(start), peakMB(),
                    opened ? "" : " (not opened)");
        const auto shownAt = Clock::now();
        window.resize(1000, 700);
        window.show();
        QApplication::processEvents();
        const QPixmap image = window.grab();
        total = msSince(start);
        std::printf("window shown and painted:  %8.1f ms, peak %6.1f MB (%d x %d cells)\n", msSince(shownAt),
                    peakMB(), window.model()->rowCount(), window.model()->columnCount());
        if (const char *png = std::getenv("WINVESK_BENCH_PNG")) {
            image.save(QString::fromLocal8Bit(png));
        }
    }
    std::printf("File > Open in all:        %8.1f ms, peak %6.1f MB\n", total, peakMB());
    fs::remove_all(dir);
    return 0;
}
