// Prints what reading tables of the outside libraries in a helper process
// costs: a large Excel workbook (65,536 rows of 10 numbers, the most a sheet
// holds) and a full .wk1 sheet (8,192 rows), read in this process and through
// the helper process the program uses, and an Access table when the shared
// test files are there.

#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace vesk;

namespace {

double seconds(const std::function<bool()> &read, int repeats) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) {
        if (!read()) {
            std::fprintf(stderr, "reading failed\n");
            return -1;
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

void compare(const char *what, const std::function<bool()> &direct, const std::function<bool()> &isolated) {
    const int repeats = 5;
    const double d = seconds(direct, repeats), i = seconds(isolated, repeats);
    std::printf("%s: %.1f ms in this process, %.1f ms through the helper process (+%.1f ms, %.0f%%)\n", what,
                d * 1e3, i * 1e3, (i - d) * 1e3, d > 0 ? (i - d) / d * 100 : 0.0);
}

tables::Sheet numbers(const char *name, int rows, int cols) {
    tables::Sheet sheet{name, {}};
    std::vector<Cell> header;
    for (int c = 0; c < cols; ++c) {
        header.emplace_back("c" + std::to_string(c));
    }
    sheet.rows.push_back(header);
    for (int r = 1; r < rows; ++r) {
        std::vector<Cell> row;
        for (int c = 0; c < cols; ++c) {
            row.emplace_back(r * 0.25 + c);
        }
        sheet.rows.push_back(std::move(row));
    }
    return sheet;
}

} // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("winvesk-table-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string error;

    const std::string xls = (dir / "Big.xls").string();
    if (!tables::excelWriteWorkbook(xls, {numbers("Hourly", 65536, 10)}, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::vector<tables::Sheet> sheets;
    compare(
        "Excel, 65,536 rows x 10 columns",
        [&] { return tables::excelReadSheets(xls, &sheets, false, &error); },
        [&] { return tables::readSheetsIsolated(xls, TableKind::Excel, false, &sheets, &error); });

    const std::string wk1 = (dir / "Big.wk1").string();
    if (!tables::wk1Write(wk1, numbers("Hourly", 8192, 10), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    compare(
        "Lotus .wk1, 8,192 rows x 10 columns", [&] { return tables::lotusReadSheets(wk1, &sheets, &error); },
        [&] { return tables::readSheetsIsolated(wk1, TableKind::Lotus, false, &sheets, &error); });

    const fs::path mdb = fs::path(WINVESK_SOURCE_DIR) / ".." / "shared" / "testdata" / "mdb" / "nwind.mdb";
    if (fs::exists(mdb)) {
        TableData data;
        compare(
            "Access, Order Details of nwind.mdb (2,155 rows)",
            [&] { return tables::accessReadTable(mdb.string(), "Order Details", &data, &error); },
            [&] { return tables::accessReadTableIsolated(mdb.string(), "Order Details", &data, &error); });
    } else {
        std::printf("Access: %s is missing, not measured\n", mdb.string().c_str());
    }
    // Writing a year of hourly output (8,760 rows: a date text and ten
    // numbers) as a table: into a new Access database against an Excel
    // workbook, as a run writes it (the Access writer also reads the database
    // back through a helper process before it takes the file's place).
    std::vector<TableColumn> columns{{"date", ColumnType::Text}};
    for (int c = 0; c < 10; ++c) {
        columns.push_back({"c" + std::to_string(c), ColumnType::Float});
    }
    auto writeYear = [&](const std::string &file) {
        auto w = createTable(file, "Hourly", columns, &error);
        for (int r = 0; w && r < 8760; ++r) {
            std::vector<Cell> row{std::string("2023-01-01 ") + std::to_string(r % 24 + 1)};
            for (int c = 0; c < 10; ++c) {
                row.emplace_back(r * 0.1 + c);
            }
            w->append(row, &error);
        }
        return w && w->close(&error);
    };
    const int repeats = 5;
    const double toXls = seconds([&] { return writeYear((dir / "Year.xls").string()); }, repeats);
    const double toMdb = seconds(
        [&] {
            fs::remove(dir / "Year.mdb");
            return writeYear((dir / "Year.mdb").string());
        },
        repeats);
    std::printf("A year of hourly output (8,760 rows x 11 columns) written as a table: .xls %.1f ms, new .mdb %.1f "
                "ms (%.2f x)\n",
                toXls * 1e3, toMdb * 1e3, toMdb / toXls);
    const fs::path real = fs::path(WINVESK_SOURCE_DIR) / ".." / "shared" / "testdata" / "mdb" / "DateTestDatabase.mdb";
    if (fs::exists(real)) {
        const double toReal = seconds(
            [&] {
                fs::copy_file(real, dir / "Real.mdb", fs::copy_options::overwrite_existing);
                fs::permissions(dir / "Real.mdb", fs::perms::owner_read | fs::perms::owner_write);
                return writeYear((dir / "Real.mdb").string());
            },
            repeats);
        std::printf("  the same into a copy of DateTestDatabase.mdb (its catalogue read before the run, every other "
                    "table compared with the file's after it): %.1f ms (%.2f x)\n",
                    toReal * 1e3, toReal / toXls);
    }
    fs::remove_all(dir);
    return 0;
}
