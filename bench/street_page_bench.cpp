// Prints what a street's results page of many columns costs: the page of a
// view with n hourly percentile definitions (every value cell "--" with a
// note of its own, as a saved street file whose statistics lack them shows
// it), the same page read back from a result file with every percentile
// column hidden, and the saving and opening of street results whose n
// percentile columns each have a limit value (a summary column each; only
// as many as saved street results keep, a hundred a family). Build
// in Release or RelWithDebInfo. The time per cell (per column for the store)
// should stay level as n doubles: growing with it means work that grows with
// the square of the page.
//
//   street_page_bench          n = 1,000 to 16,000
//   street_page_bench <n>      that n only (for profiling)

#include "BenchSupport.h"
#include "core/Settings.h"
#include "core/StatVarNames.h"
#include "project/InitProgram.h"
#include "run/State.h"
#include "run/results/ResultFile.h"
#include "run/results/ResultsTable.h"
#include "run/results/StreetResults.h"
#include "run/results/StreetResultsView.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace vesk;
using bench::Clock;
using bench::msSince;

namespace {

// The program's state with n more hourly percentile definitions (the
// 1000th to (1000 + n - 1)th highest hour); with limits, each of them has a
// limit value for NO2 and its statistic of the modelled series is kept.
State withPercentiles(const State &base, int n, bool limits) {
    results::ResultsView v = results::runView(base, base.PollutantList);
    results::PercentileFamily &hourly = v.percentiles[0];
    LimitValueTables &l = v.limits;
    int no2 = 0;
    for (int i = 1; i <= l.LimValPollutantCount; ++i) {
        if (l.LimValPollutants[static_cast<std::size_t>(i)] == "NO2") {
            no2 = i;
        }
    }
    for (int k = 0; k < n; ++k) {
        const std::string nth = std::to_string(1000 + k);
        hourly.nth.push_back(1000 + k);
        hourly.names.push_back("P" + std::to_string(k) + "_Perc");
        l.LimValColNthHourly.push_back(nth + "th highest");
        l.LimValColPercHourly.push_back("P" + std::to_string(k) + " percentile");
    }
    const std::size_t count = static_cast<std::size_t>(hourly.count()) + 1;
    for (std::size_t i = 0; i < l.LimValPercHourly.size(); ++i) {
        const std::size_t rows = static_cast<std::size_t>(std::max(l.LimValMaxRows, 0)) + 1;
        l.LimValPercHourly[i].resize(count, std::vector<float>(rows, -99.0f));
        if (limits && static_cast<int>(i) == no2) {
            for (std::size_t k = count - static_cast<std::size_t>(n); k < count; ++k) {
                l.LimValPercHourly[i][k][1] = 200.0f;
            }
        }
    }
    State s = base;
    results::applyView(v, base.PollutantList, s);
    results::resetPercentileHideFlags(s);
    if (limits) {
        for (int k = 0; k < n; ++k) {
            AddStatVar(s, std::to_string(1000 + k) + "thHighestNO2_mod", 2);
        }
    }
    return s;
}

void pages(const State &base, int n) {
    const State s = withPercentiles(base, n, false);
    const KeyedList<StatVar> none;
    const results::StatSource source{&none, &s.PollutantList, &s.OutputUnitFactor, &s.CalcOutputUnits,
                                     PeriodLength{8760, 365}};
    auto start = Clock::now();
    const results::ResultsPage page = results::buildResultsPage(s, source, 0);
    const double built = msSince(start);
    const double cells = static_cast<double>(page.rowCount()) * page.columnCount();

    State hiding = s;
    hiding.HideColPercHourly.assign(static_cast<std::size_t>(hiding.NumPercHourly) + 1, true);
    const results::PageTexts texts = page.texts();
    start = Clock::now();
    const results::ResultsPage stored =
        results::storedResultsPage(texts, "0.0", {}, results::hiddenColumnNames(hiding));
    const double read = msSince(start);
    std::printf("%6d definitions: page of %d x %d cells, %zu notes: %8.1f ms (%5.2f us a cell); "
                "from a file, the percentiles hidden (%d columns left): %7.1f ms (%5.2f us a cell)\n",
                n, page.rowCount(), page.columnCount(), page.notes.size(), built, built * 1e3 / cells,
                stored.columnCount(), read, read * 1e3 / cells);
}

void store(const State &base, int n, const fs::path &dir) {
    const State s = withPercentiles(base, n, true);
    if (s.NumPercHourly > results::msr::kMaxPercentiles) {
        std::printf("%6d definitions: more than the %lld of a family that saved street results keep\n", n,
                    results::msr::kMaxPercentiles);
        return;
    }
    std::string error;
    auto start = Clock::now();
    results::StreetResultsStore run;
    results::StreetEntry street;
    street.number = 1;
    street.name = "Street 1";
    const std::string path = (dir / ("streets" + std::to_string(n) + ".msr")).string();
    const bool written = run.start(s, &error) && run.addStreet(street, s.StatVarList, &error) &&
                         run.finish("2023-12-31 12:00", &error) && run.saveAs(path, &error);
    const double kept = msSince(start);
    start = Clock::now();
    const auto opened = written ? results::StreetResultsStore::open(path, s, &error) : nullptr;
    const double open = msSince(start);
    if (!opened) {
        std::printf("%6d definitions: FAILED: %s\n", n, error.c_str());
        return;
    }
    const double columns = static_cast<double>(opened->columns().size());
    std::printf("%6d definitions: %zu statistics, %zu summary columns: kept and saved %7.1f ms, "
                "opened %7.1f ms (%5.2f us a column)\n",
                n, s.StatVarList.size(), opened->columns().size(), kept, open, open * 1e3 / columns);
}

} // namespace

int main(int argc, char **argv) {
    const fs::path dir = bench::programFolderCopy("street-page-bench");
    State base;
    bench::BenchInteraction ui;
    MemorySettings settings;
    if (!InitProgram(base, dir.string() + "/", ui, settings, nullptr)) {
        std::fprintf(stderr, "the program could not start on %s\n", dir.c_str());
        fs::remove_all(dir);
        return 1;
    }
    // Every pollutant shown with its modelled series, in its default unit.
    const std::size_t pollutants = static_cast<std::size_t>(base.NPol + 1);
    base.ShowPol.assign(pollutants, true);
    for (std::vector<int> *sources :
         {&base.PercSource, &base.Run8Source, &base.AvSource, &base.DailySource}) {
        sources->assign(pollutants, 1);
    }
    base.OutputUnitFactor.assign(pollutants, 1.0f);
    std::vector<int> sizes{1000, 2000, 4000, 8000, 16000};
    if (argc > 1) {
        sizes = {std::atoi(argv[1])};
    }
    std::printf("A street's page (all statistics missing, each value cell with a note of its own):\n");
    for (int n : sizes) {
        pages(base, n);
    }
    std::printf("Street results with a summary column for each definition:\n");
    for (int n : sizes) {
        store(base, n, dir);
    }
    fs::remove_all(dir);
    return 0;
}
