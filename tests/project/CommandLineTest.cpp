#include "project/CommandLine.h"
#include "project/Batch.h"
#include "project/Period.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectState.h"
#include "support/PlainStage.h"
#include "support/ProgramUnderTest.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

using namespace vesk;
using namespace vesk::test;

namespace {

CommandLine parsed(const std::vector<std::string> &args) {
    CommandLine line;
    std::string error;
    EXPECT_TRUE(parseCommandLine(args, &line, &error)) << error;
    return line;
}

struct ProgramRun {
    int status = -1;
    std::string output; // standard output and standard error together
};

std::string shellQuote(const std::string &s) {
    std::string out = "'";
    for (char c : s) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

ProgramRun runProgram(const std::vector<std::string> &args) {
    std::string command = shellQuote(vesk::test::winveskBinary());
    for (auto &a : args) {
        command += " " + shellQuote(a);
    }
    command += " </dev/null 2>&1";
    ProgramRun run;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    std::array<char, 4096> buffer{};
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        run.output.append(buffer.data(), n);
    }
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

} // namespace

TEST(CommandLine, ItemsGiveProjectBatchFlagThresholdAndPeriod) {
    auto none = parsed({});
    EXPECT_EQ(none.projectFile, "");
    EXPECT_FALSE(none.batch);

    auto alone = parsed({"/work/My Project.vkp"});
    EXPECT_EQ(alone.projectFile, "/work/My Project.vkp");
    EXPECT_FALSE(alone.batch);

    auto interactive = parsed({"\"/work/p.vkp\"", "0"});
    EXPECT_EQ(interactive.projectFile, "/work/p.vkp");
    EXPECT_FALSE(interactive.batch);

    auto threshold = parsed({"/work/p.vkp", "1", "0,5"});
    EXPECT_TRUE(threshold.batch);
    EXPECT_DOUBLE_EQ(threshold.trailingValue, 0.5);
    EXPECT_FALSE(threshold.hasPeriod);

    // One argument holding quotes is split like a Windows command line.
    auto windows = parsed({"\"C:\\VESK\\My street.vkp\" 1 0,25"});
    EXPECT_EQ(windows.projectFile, "C:\\VESK\\My street.vkp");
    EXPECT_TRUE(windows.batch);
    EXPECT_DOUBLE_EQ(windows.trailingValue, 0.25);

    auto emptyPath = parsed({"\"\"", "1"});
    EXPECT_EQ(emptyPath.projectFile, "");
    EXPECT_TRUE(emptyPath.batch);
}

TEST(CommandLine, ADateOfEightDigitsThatIsNoDateNamesWhatIsWrongWithIt) {
    struct Case {
        std::string start, end;
        std::string error;
    };
    for (const Case &c : {
             Case{"00000101", "20231231",
                  "The date \"00000101\" (yyyymmdd) names the year 0: the years of a period run from 1000 to "
                  "9999."},
             Case{"20230101", "09991231",
                  "The date \"09991231\" (yyyymmdd) names the year 999: the years of a period run from 1000 "
                  "to 9999."},
             Case{"20231301", "20231231",
                  "The date \"20231301\" (yyyymmdd) names the month 13, which no year has."},
             Case{"20230229", "20231231",
                  "The date \"20230229\" (yyyymmdd) names the day 29 of 2023-02, which that month lacks."},
             Case{"2023011", "20231231", "The dates must be given as yyyymmdd: \"2023011\"."},
             Case{"20230101", "2023-12-31", "The dates must be given as yyyymmdd: \"2023-12-31\"."},
         }) {
        CommandLine line;
        std::string error;
        EXPECT_FALSE(parseCommandLine({"P.vkp", "1", c.start, "1", c.end, "24"}, &line, &error));
        EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(eightDigitDateProblem("20240229"), "") << "a leap day";
}

TEST(CommandLine, AProjectPathIsMadeFullFromTheCurrentFolderAndAFullOneIsOnlyTidied) {
    const std::filesystem::path here = std::filesystem::current_path();
    EXPECT_EQ(fullProjectPath("Route New.vkp"), (here / "Route New.vkp").string());
    EXPECT_EQ(fullProjectPath("./Working/../Demo.vkp"), (here / "Demo.vkp").string());
    EXPECT_EQ(fullProjectPath("/work/a/./b.vkp"), "/work/a/b.vkp");
    EXPECT_EQ(fullProjectPath(""), "");
}

TEST(CommandLine, BatchSetsThePeriodAndReportsTheRunsOutcome) {
    TempDir dir;
    const std::string appDir = dir.path().string() + "/";
    fs::copy_file(dataDir() / "Run.opt", appDir + "Run.opt");
    const std::string project = appDir + "Working/DemoStreet.vkp";
    dir.write("Working/DemoStreet.vkp", readFile(dataDir() / "Working" / "DemoStreet.vkp"));

    auto fresh = [&] {
        ProjectState s;
        setDemolandCountry(s, appDir);
        return s;
    };
    CommandLine line = parsed({project, "1", "20230115", "7", "20230131", "24"});

    ProjectState ran = fresh();
    ScriptedInteraction ui;
    bool called = false;
    auto succeed = [&](ProjectState &s, Interaction &, std::string *) {
        called = true;
        EXPECT_TRUE(s.BatchMode);
        EXPECT_FALSE(s.StartAuto);
        EXPECT_FALSE(s.EndAuto);
        EXPECT_EQ(s.StartDate, (PeriodDate{2023, 1, 15}));
        EXPECT_EQ(s.EndHour, 24);
        EXPECT_DOUBLE_EQ(s.TrailingValue, -1);
        return true;
    };
    EXPECT_EQ(runBatch(ran, ui, line, nullptr, succeed), kExitSucceeded);
    EXPECT_TRUE(called);
    EXPECT_EQ(ran.ErrorCode, 100);

    ProjectState failed = fresh();
    auto fail = [](ProjectState &, Interaction &, std::string *error) {
        *error = "No data within the specified Start and End Dates!";
        return false;
    };
    EXPECT_EQ(runBatch(failed, ui, line, nullptr, fail), kExitFailed);
    EXPECT_EQ(ui.messages.back(), "No data within the specified Start and End Dates!");

    ProjectState missing = fresh();
    CommandLine nowhere = parsed({appDir + "Nowhere.vkp", "1"});
    EXPECT_EQ(runBatch(missing, ui, nowhere, nullptr, succeed), kExitFailed);
    EXPECT_EQ(missing.ProjectFile, "");

    ProjectState stopped = fresh();
    auto noStart = [](ProjectState &, Interaction &) { return false; };
    EXPECT_EQ(runBatch(stopped, ui, line, noStart, succeed), kExitFailed);
}

TEST(CommandLine, AnExceptionThatEscapesTheBatchIsReportedAndExitsWithOne) {
    test::ScriptedInteraction ui;
    EXPECT_EQ(runGuarded([] { return kExitSucceeded; }, ui), kExitSucceeded);
    EXPECT_TRUE(ui.messages.empty());
    const int status = runGuarded(
        []() -> int {
            throw std::filesystem::filesystem_error("status", "/a/name/too/long",
                                                    std::make_error_code(std::errc::filename_too_long));
        },
        ui);
    EXPECT_EQ(status, kExitFailed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("An unexpected error ended the action:\r\n", 0), 0u) << ui.messages[0];
    EXPECT_NE(ui.messages[0].find("/a/name/too/long"), std::string::npos) << ui.messages[0];
    EXPECT_EQ(runGuarded([]() -> int { throw 42; }, ui), kExitFailed);
    EXPECT_EQ(ui.messages.size(), 2u);
}

WINVESK_PLAIN_STAGE("CommandLine.ProgramExitsWithTheDocumentedStatus", StartsTheProgram);

TEST(CommandLine, ProgramExitsWithTheDocumentedStatus) {
    TempDir dir;
    const std::string project =
        dir.write("Demo Street.vkp", readFile(dataDir() / "Working" / "DemoStreet.vkp")).string();
    const std::string damaged = dir.write("Damaged.vkp", "\"Street\",2020\r\n").string();

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"--version"}, 0, "WinVESK "},
        {{project, "1"}, 1, "Can't open the input file"},
        {{project, "1", "0,5"}, 1, "Can't open the input file"},
        {{project, "1", "20230101", "1", "20231231", "24"}, 1, "Can't open the input file"},
        {{"\"" + project + "\" 1"}, 1, "Can't open the input file"},
        {{dir.path().string() + "/Nowhere.vkp", "1"}, 1, "Can't open the file"},
        {{damaged, "1"}, 1, "Project file is corrupted"},
        {{project, "1", "20230101", "1"}, 2, "Usage: winvesk"},
        {{project, "1", "20230101", "1", "20231231"}, 2, "Usage: winvesk"},
        {{project, "1", "20231301", "1", "20231231", "24"}, 2, "yyyymmdd"},
        {{project, "1", "20230101", "25", "20231231", "24"}, 2, "between 0 and 24"},
        {{project, "1", "20230101", "1", "20231231", "-1"}, 2, "between 0 and 24"},
        {{project, "1", "230101", "1", "20231231", "24"}, 2, "yyyymmdd"},
        {{project, "1", "20230101", "1", "20231231", "24", "x"}, 2, "Usage: winvesk"},
        {{project, "yes"}, 2, "is not a number"},
    };
    for (const auto &c : cases) {
        ProgramRun run = runProgram(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.front() << " " << run.output;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    }
}

// ---- The two tool windows ---------------------------------------------------------------------

TEST(ToolCommandLine, NamesTheWindowTheListsTheYearAndTheCountry) {
    ToolCommandLine line;
    std::string error;
    const std::vector<std::string> args = {"--emission-factors", "/a/Fleet 2020.vlf", "/a/Fuels.flf", "2020",
                                           "Demoland"};
    ASSERT_TRUE(isToolCommandLine(args));
    ASSERT_TRUE(parseToolCommandLine(args, &line, &error)) << error;
    EXPECT_EQ(line.tool, ToolWindow::EmissionFactors);
    EXPECT_EQ(line.vehicleList, "/a/Fleet 2020.vlf");
    EXPECT_EQ(line.fuelList, "/a/Fuels.flf");
    EXPECT_EQ(line.year, 2020);
    EXPECT_EQ(line.country, "Demoland");
    EXPECT_EQ(toolArguments(line), args);
    ASSERT_TRUE(parseToolCommandLine({"--traffic-editor", "", "", "2031", "Demoland"}, &line, &error));
    EXPECT_EQ(line.tool, ToolWindow::TrafficEditor);
    EXPECT_TRUE(line.vehicleList.empty());
}

TEST(ToolCommandLine, AMalformedLineIsRefusedAndAProjectLineIsNoToolLine) {
    const std::vector<std::vector<std::string>> malformed = {
        {"--emission-factors"},
        {"--emission-factors", "a.vlf", "b.flf", "2020"},
        {"--traffic-editor", "a.vlf", "b.flf", "2020", "Demoland", "x"},
        {"--traffic-editor", "a.vlf", "b.flf", "twenty", "Demoland"},
        {"--traffic-editor", "a.vlf", "b.flf", "2020.5", "Demoland"},
        {"--traffic-editor", "a.vlf", "b.flf", "0", "Demoland"},
    };
    for (const auto &args : malformed) {
        ToolCommandLine line;
        std::string error;
        EXPECT_FALSE(parseToolCommandLine(args, &line, &error)) << args.size();
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(isToolCommandLine({}));
    EXPECT_FALSE(isToolCommandLine({"Demo.vkp", "1"}));
    EXPECT_FALSE(isToolCommandLine({"--version"}));
    // The batch line is read as it always was.
    const CommandLine batch = parsed({"Demo.vkp", "1", "0,5"});
    EXPECT_TRUE(batch.batch);
    EXPECT_EQ(batch.projectFile, "Demo.vkp");
}

WINVESK_PLAIN_STAGE("ToolCommandLine.TheProgramRefusesAMalformedToolLineWithTheUsage", StartsTheProgram);

TEST(ToolCommandLine, TheProgramRefusesAMalformedToolLineWithTheUsage) {
    ProgramRun run = runProgram({"--emission-factors", "a.vlf", "b.flf", "next year", "Demoland"});
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("is not a year"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("winvesk --traffic-editor"), std::string::npos) << run.output;
}
