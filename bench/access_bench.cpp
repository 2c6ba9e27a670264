// Prints what the checks of a large Access database cost per megabyte: a
// sound database of hourly tables (512 MB by default; the first argument
// gives another size in MB, the second the rows of a table, 8,760 by
// default, for a database of a few large tables) is made by our writer,
// checked as the first table of a run checks it (every table read through
// libmdb in a helper process), and a table is written into it (the database
// written is read back and compared with the file before it replaces it).
// Each step is printed with its time, its time per megabyte, the processor
// time its helper processes used and the processor time the check has for a
// file of that size (accessCheckSeconds), so that the limit's margin can be
// judged on the machine and build at hand.

#include "core/StagedFile.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace vesk;

namespace {

constexpr int kValueColumns = 40;

// The columns of an hourly output: a date, the hour and values.
std::vector<TableColumn> hourlyColumns() {
    std::vector<TableColumn> columns{{"Date", ColumnType::Text}, {"Hour", ColumnType::Integer}};
    for (int c = 0; c < kValueColumns; ++c) {
        columns.push_back({"c" + std::to_string(c), ColumnType::Float});
    }
    return columns;
}

// A year of rows, the first holding the column names.
std::vector<std::vector<Cell>> hourlyRows(const std::vector<TableColumn> &columns, int hours) {
    std::vector<std::vector<Cell>> rows;
    std::vector<Cell> names;
    for (const auto &c : columns) {
        names.emplace_back(c.name);
    }
    rows.push_back(std::move(names));
    for (int h = 0; h < hours; ++h) {
        char date[32];
        std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:00", 2023 + h / 8760, 1 + h / 744 % 12,
                      1 + h / 24 % 31, h % 24);
        std::vector<Cell> row{std::string(date), static_cast<double>(h % 24 + 1)};
        for (int c = 0; c < kValueColumns; ++c) {
            row.emplace_back(h * 0.125 + c);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

double megabytes(const std::string &file) {
    return static_cast<double>(fs::file_size(file)) / (1 << 20);
}

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The processor time (user + system) of the helper processes ended so far.
double helperSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A step's wall-clock time, and its helpers' processor time against the limit.
void print(const char *step, double seconds, double helper, double mb, int limit) {
    std::printf("%-58s %8.1f s  %6.3f s/MB  helper %6.1f s", step, seconds, seconds / mb, helper);
    if (limit > 0) {
        std::printf(" (limit %d s, %.0f%% used)", limit, helper / limit * 100);
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    const double targetMb = argc > 1 ? std::atof(argv[1]) : 512;
    const int hours = argc > 2 ? std::atoi(argv[2]) : 8760;
    if (!(targetMb > 0) || hours < 1) {
        std::fprintf(stderr, "usage: access_bench [size in MB [rows a table]]\n");
        return 2;
    }
    const fs::path dir = fs::temp_directory_path() / ("winvesk-access-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<TableColumn> columns = hourlyColumns();
    const std::vector<std::vector<Cell>> rows = hourlyRows(columns, hours);
    std::string error;

    // The size of one table, from a database of one and of two.
    const std::string probe = (dir / "Probe.mdb").string();
    if (!tables::jetWriteTables(probe, {{"Hourly_0", columns, &rows}}, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double one = megabytes(probe);
    if (!tables::jetWriteTables(probe, {{"Hourly_1", columns, &rows}}, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double each = megabytes(probe) - one;
    const int count = static_cast<int>(targetMb / each) + 1;
    fs::remove(probe);

    // Every table shares the rows: the database is large, this process is not.
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back("Hourly_" + std::to_string(i));
    }
    std::vector<tables::JetTable> many;
    for (const std::string &name : names) {
        many.push_back({name, columns, &rows});
    }
    const std::string file = (dir / "Large.mdb").string();
    auto start = Clock::now();
    double helper = helperSeconds();
    if (!tables::jetWriteTables(file, many, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    double seconds = since(start);
    const double mb = megabytes(file);
    std::printf("A database of %d tables of %d rows x %zu columns: %.1f MB (%.2f MB a table)\n", count, hours,
                columns.size(), mb, each);
    const int writtenLimit = tables::accessCheckSeconds(fs::file_size(file));
    print("made, with the read-back of the database written", seconds, helperSeconds() - helper, mb,
          writtenLimit);

    start = Clock::now();
    helper = helperSeconds();
    // As a run checks it: through the file its staged output found under its name.
    StagedFile staged;
    std::string old;
    if (!staged.open(file, &error) || !staged.oldContents(&old, &error) ||
        !tables::jetCheckTable(file, old, "Added", &error, true, {})) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    staged.discard();
    seconds = since(start);
    const int checkLimit = tables::accessCheckSeconds(fs::file_size(file));
    print("checked before a run (every table read)", seconds, helperSeconds() - helper, mb, checkLimit);

    start = Clock::now();
    helper = helperSeconds();
    if (!tables::jetWriteTables(file, {{"Added", columns, &rows}}, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    seconds = since(start);
    const int addedLimit = tables::accessCheckSeconds(2 * fs::file_size(file));
    print("a table written into it (file and copy read and compared)", seconds, helperSeconds() - helper, mb,
          addedLimit);

    // The read-back alone: the file compared with itself, table by table.
    TableData catalogue;
    if (!tables::accessReadTable(file, "MSysObjects", &catalogue, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    start = Clock::now();
    helper = helperSeconds();
    std::string why;
    if (!tables::jetCheckWritten(file, file, {}, catalogue.rows.size(), &why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    seconds = since(start);
    print("the read-back alone (file and copy read and compared)", seconds, helperSeconds() - helper, mb,
          addedLimit);

    fs::remove_all(dir);
    return 0;
}
