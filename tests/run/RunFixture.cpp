#include "run/RunFixture.h"

#include "support/ProgramUnderTest.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vesk::test {

StreetThreads::StreetThreads(int n) {
    if (const char *before = std::getenv("WINVESK_THREADS")) {
        m_before = before;
    }
    setenv("WINVESK_THREADS", std::to_string(n).c_str(), 1);
}

StreetThreads::~StreetThreads() {
    if (m_before) {
        setenv("WINVESK_THREADS", m_before->c_str(), 1);
    } else {
        unsetenv("WINVESK_THREADS");
    }
}

std::string projectText(const std::vector<FileRecord> &records, const std::string &street, int cityType) {
    std::ostringstream o;
    o << "\"" << street << "\",2020,\"Demoland\"\r\n"
      << "Street geometry (m and degrees)\r\n"
      << "Height        Width         Length side 1 Length side 2 Orientation\r\n"
      << " 20            20            100           100           90 \r\n"
      << "Wind sectors with gaps in the building rows\r\n"
      << "Number of sectors\r\n"
      << " 0 \r\n"
      << "Sector start (degrees) / sector end (degrees) / sector value; one column per sector\r\n"
      << "\r\n\r\n\r\n"
      << "Receptors\r\n"
      << "Side 1        Side 2        Receptor height (m)\r\n"
      << "          1             1             2 \r\n"
      << "Special Mode traffic and emission factors\r\n"
      << "Light (veh/h) Heavy (veh/h) Speed light  Speed heavy (km/h) / emission factors (g/km)\r\n"
      << " 1500          120           50            40 \r\n"
      << " 0.5           6 \r\n"
      << "Concentration units: pollutants / input units / pollutants / output units\r\n"
      << "NOx      NO        NO2       O3        CO        PM10      PM2.5     BNZ\r\n"
      << "microg   microg    microg    microg    microg    microg    microg    microg\r\n"
      << "NOx      NO        NO2       O3        CO        PM10      PM2.5     BNZ\r\n"
      << "microg   microg    microg    microg    microg    microg    microg    microg\r\n"
      << "Files: number of file records / hours per day / city size\r\n"
      << records.size() + 2 << ",24," << cityType << "\r\n";
    for (const FileRecord &r : records) {
        o << "\"" << r.name << "\"," << (r.checked ? "#TRUE#" : "#FALSE#") << ",\"" << r.kind << "\"";
        for (const std::string &extra : r.lists) {
            if (extra.empty() || extra.front() != '[') {
                o << "," << extra;
            }
        }
        o << "\r\n";
        for (const std::string &list : r.lists) {
            if (!list.empty() && list.front() == '[') {
                o << list << "\r\n";
            }
        }
    }
    o << "\".\\Fleet2020.vlf\",#TRUE#,\"fleet\"\r\n"
      << "\".\\Fuels2020.flf\",#TRUE#,\"fuel\"\r\n";
    return o.str();
}

std::string hourlyLines(int year, int month, int day, int hours,
                        const std::function<std::string(int)> &values) {
    static const int length[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    auto daysOf = [&](int m) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return length[m - 1] + (m == 2 && leap ? 1 : 0);
    };
    std::string out;
    for (int h = 0; h < hours; ++h) {
        out += std::to_string(year) + " " + std::to_string(month) + " " + std::to_string(day) + " " +
               std::to_string(h % 24 + 1) + " " + values(h) + "\r\n";
        if (h % 24 == 23 && ++day > daysOf(month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
    return out;
}

std::string trafficFileText(int periods, const std::function<std::string(int)> &row) {
    return trafficFileText(periods, {{"Every day", "", ""}}, [&row](int period, int) { return row(period); });
}

std::string trafficFileText(int periods, const std::vector<DayCaseLine> &dayCases,
                            const std::function<std::string(int, int)> &row) {
    std::string out = "\"WinVESK traffic file\"\r\n\"Made by a test\"\r\n[Settings]\r\n\"Name\",\"Value\"\r\n"
                      "\"Type\",1\r\n\"Periods\"," +
                      std::to_string(periods) +
                      "\r\n[Categories]\r\n\"Name\",\"Long name\",\"Sub-categories with their fractions\"\r\n"
                      "\"Cars\",\"Passenger cars\",\"PCPetrol\",0.6,\"PCDiesel\",0.4\r\n\"Van\",\"Vans\"\r\n"
                      "\"HGV\",\"Heavy goods vehicles\"\r\n\"Bus\",\"Buses\"\r\n[Day cases]\r\n"
                      "\"Name\",\"Day condition\",\"Month condition\"\r\n";
    for (const DayCaseLine &d : dayCases) {
        out += "\"" + d.name + "\",\"" + d.day + "\",\"" + d.month + "\"\r\n";
    }
    for (std::size_t d = 1; d <= dayCases.size(); ++d) {
        out +=
            "[Day case " + std::to_string(d) +
            "]\r\n\"Period\",\"Cars\",\"Van\",\"HGV\",\"Bus\",\"Speed light\",\"Speed heavy\",\"Cold start "
            "(%)\"\r\n";
        for (int p = 1; p <= periods; ++p) {
            out += std::to_string(p) + "," + row(p, static_cast<int>(d)) + "\r\n";
        }
    }
    return out;
}

std::string sampleProjectWith(const std::string &project,
                              const std::vector<std::pair<std::string, std::string>> &names) {
    std::string text = readFile(dataDir() / "Working" / project);
    for (const auto &[from, to] : names) {
        const auto at = text.find("\"" + from + "\"");
        EXPECT_NE(at, std::string::npos) << from << " in " << project;
        if (at != std::string::npos) {
            text.replace(at + 1, from.size(), to);
        }
    }
    return text;
}

std::vector<std::string> fileLines(const fs::path &path) {
    std::vector<std::string> lines = splitLines(readFile(path));
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

std::string marchHours(int count) {
    std::string out;
    for (int h = 1; h <= count; ++h) {
        out += "2023,3,6," + std::to_string(h) + ",3,200,10,0,30,20,40\r\n";
    }
    return out;
}

std::vector<std::string> cells(const std::string &line) {
    std::vector<std::string> out;
    std::string cell;
    for (char c : line) {
        if (c == ';') {
            out.push_back(trim(cell));
            cell.clear();
        } else {
            cell += c;
        }
    }
    out.push_back(trim(cell));
    return out;
}

ProgramRun runWinvesk(const std::vector<std::string> &args, int timeoutSeconds, const fs::path &startedIn) {
    ProgramRun result;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return result;
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(pipeEnds[1], 1);
        dup2(pipeEnds[1], 2);
        close(pipeEnds[0]);
        if (!startedIn.empty() && chdir(startedIn.c_str()) != 0) {
            _exit(126);
        }
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(winveskBinary()));
        for (const std::string &a : args) {
            argv.push_back(const_cast<char *>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(winveskBinary(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    char buffer[4096];
    for (;;) {
        pollfd p{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&p, 1, 200);
        if (ready > 0) {
            const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            result.output.append(buffer, static_cast<std::size_t>(n));
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            result.timedOut = true;
            break;
        }
    }
    close(pipeEnds[0]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    if (WIFEXITED(raw)) {
        result.status = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw)) {
        result.signal = WTERMSIG(raw);
    }
    return result;
}

RunFixture::RunFixture() {
    appDir = dir.path() / "app";
    workDir = dir.path() / "work";
    copyDataTree(appDir);
    fs::create_directories(workDir);
    const bool started = InitProgram(state, appDir.string() + "/", ui, settings, [](CoreState &) {});
    EXPECT_TRUE(started) << (ui.messages.empty() ? "" : ui.messages.back());
    state.BatchMode = true;
}

std::string RunFixture::said() const {
    std::string all;
    for (const std::string &m : ui.messages) {
        all += m + "\n";
    }
    return all;
}

std::vector<std::string> RunFixture::column(const std::string &file, const std::string &name) const {
    const std::vector<std::string> lines = fileLines(work(file));
    std::vector<std::string> out;
    if (lines.empty()) {
        return out;
    }
    const std::vector<std::string> names = cells(lines[0]);
    const auto j = static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> row = cells(lines[i]);
        out.push_back(j < row.size() ? row[j] : "(none)");
    }
    return out;
}

RunReport RunFixture::run(RunObserver *observer) {
    if (HasFatalFailure()) {
        RunReport report;
        report.outcome = RunOutcome::Failed;
        report.error = "not run: a step before the run failed";
        return report;
    }
    return runTimeSeries(state, ui, control, observer);
}

void RunFixture::writeWork(const std::string &name, const std::string &text) const {
    dir.write("work/" + name, text);
}

void RunFixture::loadProject(const std::string &fileName, const std::string &text) {
    writeWork(fileName, text);
    state.ProjectFile = work(fileName).string();
    const LoadResult loaded = LoadProject(state, ui);
    ASSERT_EQ(loaded.outcome, LoadOutcome::Loaded) << (ui.messages.empty() ? "" : ui.messages.back());
    const EmissionSetupResult emissions = InitEmissions(state, ui);
    ASSERT_FALSE(emissions.failed) << (ui.messages.empty() ? "" : ui.messages.back());
    ui.messages.clear();
}

} // namespace vesk::test
