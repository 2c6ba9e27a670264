// Prints the time every line reader of the program takes for one line of
// 10 kB, 100 kB and 1 MB (each line a run of short fields, the hardest case
// for a splitter), and the growth from one length to the next: a reader
// whose time grows linearly shows a growth near 10, one whose time grows
// with the square of the length near 100.
//
// The readers: the list-line splitter (project files, option files, lists,
// the title line of an hourly file), the line splitter of whole texts, the
// item splitter of variable lists, the record reader (lists, streets and
// route files), the bounded line reader (hourly files), the list-file
// reader of the emission component, the column titles of the format
// dialog, a project file with such a title line, and a whole run whose
// hourly input file begins with such a line (it ends with a message).
// Everything runs in a temporary copy of the data tree.

#include "calc/EmissionSetup.h"
#include "core/EmissionLibraryTools.h"
#include "core/ListLine.h"
#include "core/RecordIO.h"
#include "core/Settings.h"
#include "core/TextIO.h"
#include "platform/emission/ListFileReader.h"
#include "project/DataFileHeader.h"
#include "project/InitProgram.h"
#include "project/ProjectReader.h"
#include "run/RunCalculation.h"
#include "run/State.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class QuietInteraction : public vesk::Interaction {
public:
    void message(const std::string &text, vesk::Icon, const std::string &) override { last = text; }
    vesk::Answer question(const std::string &, vesk::Buttons, vesk::Icon, vesk::Answer a,
                          const std::string &) override {
        return a;
    }
    std::optional<std::string> inputBox(const std::string &, const std::string &,
                                        const std::string &) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const vesk::FileChoice &) override { return std::nullopt; }
    std::string last;
};

// A line of the given length: two-letter words separated by blanks, commas and semicolons.
std::string fieldsLine(std::size_t length) {
    std::string line;
    const char separators[] = {' ', ',', ';'};
    for (std::size_t i = 0; line.size() < length; ++i) {
        line += "ab";
        line += separators[i % 3];
    }
    line.resize(length);
    return line;
}

void writeFile(const fs::path &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Seconds one call of f takes: the best of a few calls, so a busy machine says less.
double timeOf(const std::function<void()> &f) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        const auto start = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

std::string projectText(const std::string &title) {
    return title + "\r\n" +
           "Street geometry (m and degrees)\r\n"
           "Height        Width         Length side 1 Length side 2 Orientation\r\n"
           " 20            20            100           100           90 \r\n"
           "Wind sectors with gaps in the building rows\r\n"
           "Number of sectors\r\n"
           " 0 \r\n"
           "Sector start (degrees) / sector end (degrees) / sector value; one column per sector\r\n"
           "\r\n\r\n\r\n"
           "Receptors\r\n"
           "Side 1        Side 2        Receptor height (m)\r\n"
           "          1             1             2 \r\n"
           "Special Mode traffic and emission factors\r\n"
           "Light (veh/h) Heavy (veh/h) Speed light  Speed heavy (km/h) / emission factors (g/km)\r\n"
           " 1500          120           50            40 \r\n"
           " 0.5           6 \r\n"
           "Concentration units: pollutants / input units / pollutants / output units\r\n"
           "NOx      NO        NO2       O3        CO        PM10      PM2.5     BNZ\r\n"
           "microg   microg    microg    microg    microg    microg    microg    microg\r\n"
           "NOx      NO        NO2       O3        CO        PM10      PM2.5     BNZ\r\n"
           "microg   microg    microg    microg    microg    microg    microg    microg\r\n"
           "Files: number of file records / hours per day / city size\r\n"
           "5,24,0\r\n"
           "\"Hours.txt\",#TRUE#,\"input\"\r\n"
           "[year,month,day,hour,u_mast,wind_dir,temperature,globalrad,cNOx_b,cNO2_b,cO3_b]\r\n[*]\r\n[*]\r\n"
           "\"Out.txt\",#TRUE#,\"output\"\r\n[day,hour,cNOx_mod_1]\r\n[0,*]\r\n[*]\r\n"
           "\".\\CityStreet.trf\",#TRUE#,\"traffic\",20000,40\r\n"
           "\".\\Fleet2020.vlf\",#TRUE#,\"fleet\"\r\n"
           "\".\\Fuels2020.flf\",#TRUE#,\"fuel\"\r\n";
}

struct Reader {
    const char *name;
    std::function<void(const std::string &line)> read;
};

} // namespace

int main() {
    const fs::path root = fs::temp_directory_path() / ("line_bench." + std::to_string(::getpid()));
    const fs::path app = root / "app", work = root / "work";
    fs::create_directories(work);
    fs::copy(fs::path(WINVESK_SOURCE_DIR) / "data", app, fs::copy_options::recursive);

    std::size_t sink = 0; // keeps the results in use
    const std::vector<Reader> readers = {
        {"list-line splitter",
         [&](const std::string &line) { sink += vesk::ReadListLine(line, ".").size(); }},
        {"lines of a text",
         [&](const std::string &line) { sink += vesk::splitLines(line + "\r\nx\r\n").size(); }},
        {"items of a variable list", [&](const std::string &line) { sink += vesk::SplitList(line).size(); }},
        {"record reader",
         [&](const std::string &line) {
             vesk::RecordReader r("\"" + line + "\"," + line + "\r\n" + line + "\r\n");
             sink += r.readString().size() + r.readString().size() + r.readHeaderLine().size();
         }},
        {"bounded line reader",
         [&](const std::string &line) {
             std::istringstream in(line + "\r\n" + line + "\n");
             std::string got;
             bool tooLong = false;
             while (vesk::getLineBounded(in, got, std::size_t{2} << 20, &tooLong)) {
                 sink += got.size();
             }
         }},
        {"emission list reader",
         [&](const std::string &line) {
             vesk::ListFileReader r;
             r.setText("header\r\n" + line + "\r\n", "list");
             while (r.next()) {
                 sink += r.fields().size();
             }
         }},
        {"column titles of a file",
         [&](const std::string &line) {
             writeFile(work / "Titles.txt", line + "\r\n1 2 3\r\n");
             sink += vesk::readDataFileHeader((work / "Titles.txt").string(), ".").names.size();
         }},
        {"project with this title line",
         [&](const std::string &line) {
             vesk::State s;
             QuietInteraction ui;
             vesk::MemorySettings settings;
             vesk::InitProgram(s, app.string() + "/", ui, settings, [](vesk::CoreState &) {});
             writeFile(work / "Title.vkp", projectText("\"Street\",2020,\"Demoland\" " + line));
             s.ProjectFile = (work / "Title.vkp").string();
             sink += vesk::LoadProject(s, ui).outcome == vesk::LoadOutcome::Loaded ? 1 : 0;
         }},
        {"run of an input beginning with it",
         [&](const std::string &line) {
             vesk::State s;
             QuietInteraction ui;
             vesk::MemorySettings settings;
             vesk::InitProgram(s, app.string() + "/", ui, settings, [](vesk::CoreState &) {});
             std::string hours = line + "\r\n";
             for (int h = 1; h <= 24; ++h) {
                 hours += "2023,3,6," + std::to_string(h) + ",3,200,10,0,30,20,40\r\n";
             }
             writeFile(work / "Hours.txt", hours);
             writeFile(work / "Run.vkp", projectText("\"Street\",2020,\"Demoland\""));
             s.BatchMode = true;
             s.ProjectFile = (work / "Run.vkp").string();
             if (vesk::LoadProject(s, ui).outcome == vesk::LoadOutcome::Loaded &&
                 !vesk::InitEmissions(s, ui).failed) {
                 vesk::RunControl control;
                 sink += static_cast<std::size_t>(vesk::runTimeSeries(s, ui, control).hours);
             }
         }},
    };

    const std::size_t lengths[] = {10000, 100000, 1000000};
    std::printf("ms for one line of 10 kB / 100 kB / 1 MB (best of 3), and the growth per tenfold length\n");
    std::printf("  %-34s %9s %9s %9s   %7s %7s\n", "reader", "10 kB", "100 kB", "1 MB", "x10", "x10");
    for (const Reader &r : readers) {
        double t[3];
        for (int i = 0; i < 3; ++i) {
            const std::string line = fieldsLine(lengths[i]);
            t[i] = timeOf([&] { r.read(line); }) * 1e3;
        }
        std::printf("  %-34s %9.3f %9.3f %9.3f   %7.1f %7.1f\n", r.name, t[0], t[1], t[2], t[1] / t[0],
                    t[2] / t[1]);
        std::fflush(stdout);
    }
    std::fprintf(stderr, "(%zu)\n", sink);
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
