// Prints the time the output formatter takes per cell for the patterns
// hourly output files use most, three ways: the pattern compiled anew for
// every cell, Format(value, pattern) (which looks the compiled pattern up in
// its per-thread store on every call), and the pattern compiled once and
// every cell appended to one reused row buffer, as the run's output columns
// do.

#include "calc/Format.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

float valueOf(int i) {
    return static_cast<float>(i % 1000) * 0.37f - 20.0f;
}

template <typename F> double microsecondsPerCell(int n, std::size_t *chars, F cell) {
    *chars = 0;
    const auto start = Clock::now();
    for (int i = 0; i < n; ++i) {
        *chars += cell(valueOf(i));
    }
    return std::chrono::duration<double>(Clock::now() - start).count() / n * 1e6;
}

} // namespace

int main() {
    const char *patterns[] = {"0.0", "0.00", "", "0", "#,##0.00", "0.00E+00", "dd-mm-yy  hh"};
    const int n = 300000;
    std::printf("us per Single cell: compiled every cell / Format(v, p) / compiled once into a row buffer\n");
    for (const char *p : patterns) {
        std::size_t every = 0, lookedUp = 0, once = 0;
        const double tEvery =
            microsecondsPerCell(n, &every, [p](float v) { return vesk::CompiledFormat(p).format(v).size(); });
        const double tLookedUp =
            microsecondsPerCell(n, &lookedUp, [p](float v) { return vesk::Format(v, p).size(); });
        const vesk::CompiledFormat compiled(p);
        std::string row;
        const double tOnce = microsecondsPerCell(n, &once, [&](float v) {
            row.clear();
            compiled.append(v, row);
            return row.size();
        });
        std::printf("  %-16s %7.3f  %7.3f  %7.3f%s\n", (std::string("\"") + p + "\"").c_str(), tEvery,
                    tLookedUp, tOnce, every == lookedUp && lookedUp == once ? "" : "  (the texts differ!)");
    }
    return 0;
}
