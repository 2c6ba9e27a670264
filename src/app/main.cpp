#include "core/Interaction.h"
#include "core/Settings.h"
#include "core/Version.h"
#include "project/Batch.h"
#include "project/CommandLine.h"
#include "project/InitProgram.h"
#include "run/BatchRun.h"
#include "run/State.h"

#include "ui/mainwindow/GuiMain.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The folder of the executable: the data tree lies beside it.
std::string programFolder(const char *argv0) {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        exe = std::filesystem::absolute(argv0, ec);
    }
    return exe.parent_path().string() + "/";
}

int runBatchFromCommandLine(const vesk::CommandLine &line, const char *argv0) {
    vesk::State state;
    vesk::BatchInteraction ui;
    vesk::MemorySettings settings;
    const std::string appDir = programFolder(argv0);
    auto startUp = [&](vesk::ProjectState &s, vesk::Interaction &interaction) {
        // No window: a first start without a default country cannot ask.
        return vesk::InitProgram(s, appDir, interaction, settings, [](vesk::CoreState &) {});
    };
    // The batch sequence sees the project floor of the state; the run takes all of it.
    auto calculate = [&state](vesk::ProjectState &, vesk::Interaction &interaction, std::string *error) {
        return vesk::calculateProject(state, interaction, error);
    };
    return vesk::runGuarded([&] { return vesk::runBatch(state, ui, line, startUp, calculate); }, ui);
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("WinVESK %s\n", vesk::versionString());
        return 0;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    if (vesk::isToolCommandLine(args)) {
        vesk::ToolCommandLine tool;
        if (!vesk::parseToolCommandLine(args, &tool, &error)) {
            std::fprintf(stderr, "WinVESK: %s\n%s", error.c_str(), vesk::commandLineUsage().c_str());
            return vesk::kExitUsage;
        }
        return vesk::ui::runTool(argc, argv, tool);
    }
    vesk::CommandLine line;
    if (!vesk::parseCommandLine(args, &line, &error)) {
        std::fprintf(stderr, "WinVESK: %s\n%s", error.c_str(), vesk::commandLineUsage().c_str());
        return vesk::kExitUsage;
    }
    if (line.batch && !line.projectFile.empty()) {
        return runBatchFromCommandLine(line, argv[0]);
    }
    return vesk::ui::runGui(argc, argv);
}
