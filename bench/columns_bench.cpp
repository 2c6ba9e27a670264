// Prints what naming the columns of a new table costs when the variable list
// names one variable many times (each repeat gets a name of its own: A,
// A(1), A(2), ...), and how long a table output of 2,000 repeats takes to be
// refused (a worksheet holds at most 256 columns). The time should grow with
// the number of names, not with its square or cube.

#include "calc/TableRoutines.h"
#include "core/Interaction.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace vesk;

namespace {

// Answers nothing: the refusal is a message only.
class Silent : public Interaction {
public:
    void message(const std::string &, Icon, const std::string &) override {}
    Answer question(const std::string &, Buttons, Icon, Answer defaultAnswer, const std::string &) override {
        return defaultAnswer;
    }
    std::optional<std::string> inputBox(const std::string &, const std::string &,
                                        const std::string &) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const FileChoice &) override { return std::nullopt; }
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main() {
    KeyedList<VESKVar> catalogue;
    catalogue.add("cNOx_mod_1", VESKVar{"", "", "cNOx_mod_1", "float"});
    for (const std::size_t repeats : {1000u, 2000u, 10000u, 100000u}) {
        const std::vector<std::string> names(repeats, "cNOx_mod_1");
        std::string statement;
        std::vector<TableColumn> columns;
        long err = 0;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        const bool made =
            CreateTableStatement("Hourly", names, catalogue, &statement, &columns, &err, &error);
        const double s = secondsSince(start);
        std::printf("%zu repeats of one variable named: %.2f ms (%.3f us a name)%s; the last is %s\n",
                    repeats, s * 1e3, s * 1e6 / static_cast<double>(repeats), made ? "" : " FAILED",
                    columns.empty() ? "-" : columns.back().name.c_str());
    }

    const fs::path dir = fs::temp_directory_path() / ("winvesk-columns-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<std::string> names(2000, "cNOx_mod_1");
    OutputTable table;
    Silent ui;
    long err = 0;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    OpenOutputTable((dir / "Book.xls").string() + ";Hourly", "", names, catalogue, table, ui, &err, &error);
    const double s = secondsSince(start);
    std::printf("A table output of 2,000 repeats: %s after %.2f ms (error %ld: %s)\n",
                err != 0 ? "refused" : "ACCEPTED", s * 1e3, err, error.c_str());
    table.discard();
    fs::remove_all(dir);
    return 0;
}
