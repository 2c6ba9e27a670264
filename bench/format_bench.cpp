// Prints the time the output formatter takes per cell for the patterns
// hourly output files use most.

#include "calc/Format.h"

#include <chrono>
#include <cstdio>

int main() {
    const char *patterns[] = {"0.0", "0.00", "", "0", "#,##0.00", "dd-mm-yy  hh"};
    const int n = 300000;
    for (const char *p : patterns) {
        std::size_t total = 0;
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i) {
            float v = static_cast<float>(i % 1000) * 0.37f - 20.0f;
            total += vesk::Format(v, p).size();
        }
        auto s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("Format(Single, \"%s\"): %.3f us per cell (%zu chars)\n", p, s / n * 1e6, total);
    }
    return 0;
}
