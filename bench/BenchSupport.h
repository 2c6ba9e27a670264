#pragma once

// What the results benchmarks share: an interaction that asks nothing, the
// time since a moment, the peak memory of the process, and a folder of the
// program's own (its settings and the data tree's lists) to start it on.

#include "core/Interaction.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace vesk::bench {

using Clock = std::chrono::steady_clock;

// Prints messages to standard error and takes every default; a file to
// choose is the one it was given (none: the choice is cancelled).
class BenchInteraction : public Interaction {
public:
    explicit BenchInteraction(std::string chosen = {}) : m_chosen(std::move(chosen)) {}
    void message(const std::string &text, Icon, const std::string &) override {
        std::fprintf(stderr, "message: %.300s\n", text.c_str());
    }
    Answer question(const std::string &, Buttons, Icon, Answer a, const std::string &) override { return a; }
    std::optional<std::string> inputBox(const std::string &, const std::string &,
                                        const std::string &) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const FileChoice &) override {
        return m_chosen.empty() ? std::nullopt : std::optional<std::string>(m_chosen);
    }

private:
    std::string m_chosen;
};

inline double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double peakMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// A new folder "winvesk-<name>-<process>" in the temporary folder, holding
// Countries.ini, MathPars.ini and the Lists of the data tree: the program's
// folder for InitProgram. The caller removes it.
inline std::filesystem::path programFolderCopy(const std::string &name) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("winvesk-" + name + "-" + std::to_string(::getpid()));
    const fs::path data = fs::path(WINVESK_SOURCE_DIR) / "data";
    fs::create_directories(dir);
    for (const char *file : {"Countries.ini", "MathPars.ini"}) {
        fs::copy_file(data / file, dir / file);
    }
    fs::copy(data / "Lists", dir / "Lists", fs::copy_options::recursive);
    return dir;
}

} // namespace vesk::bench
