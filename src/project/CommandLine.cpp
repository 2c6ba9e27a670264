#include "project/CommandLine.h"

#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/TextIO.h"
#include "project/Period.h"
#include "project/ProjectText.h"

#include <filesystem>

namespace vesk {

std::string commandLineUsage() {
    return "Usage: winvesk [\"<project>\" [<flag> [<threshold>]]]\n"
           "       winvesk \"<project>\" <flag> <yyyymmdd> <hour> <yyyymmdd> <hour>\n"
           "       winvesk --version\n"
           "       winvesk --emission-factors \"<vehicle list>\" \"<fuel list>\" <year> \"<country>\"\n"
           "       winvesk --traffic-editor \"<vehicle list>\" \"<fuel list>\" <year> \"<country>\"\n"
           "A flag greater than 0 runs the project without a window and quits;\n"
           "hours are 0 to 24.\n";
}

bool parseCommandLine(const std::vector<std::string> &args, CommandLine *out, std::string *error) {
    *out = CommandLine{};
    std::vector<std::string> items = args;
    if (items.size() == 1 && items[0].find('"') != std::string::npos) {
        items = ReadListLine(items[0], ",");
    }
    if (items.empty()) {
        return true;
    }
    out->projectFile = withoutQuotes(items[0]);
    if (items.size() == 1) {
        return true;
    }
    if (items.size() == 4 || items.size() == 5 || items.size() > 6) {
        return fail(error, "The command line must hold 1, 2, 3 or 6 items, not " +
                               std::to_string(items.size()) + ".");
    }
    auto flag = parseNumber(trim(items[1]));
    if (!flag) {
        return fail(error, "The batch flag \"" + items[1] + "\" is not a number.");
    }
    out->batch = *flag > 0;
    if (items.size() == 3) {
        out->trailingValue = typedNumber(trim(items[2]));
        return true;
    }
    if (items.size() == 6) {
        auto start = parseEightDigitDate(items[2]);
        auto end = parseEightDigitDate(items[4]);
        if (!start || !end) {
            return fail(error, eightDigitDateProblem(items[start ? 4 : 2]));
        }
        auto startHour = parsePeriodHour(items[3]);
        auto endHour = parsePeriodHour(items[5]);
        if (!startHour || !endHour) {
            return fail(error, "The hours must lie between 0 and 24: \"" + items[startHour ? 5 : 3] + "\".");
        }
        out->hasPeriod = true;
        out->startDate = *start;
        out->endDate = *end;
        out->startHour = *startHour;
        out->endHour = *endHour;
    }
    return true;
}

std::string fullProjectPath(const std::string &path) {
    if (path.empty()) {
        return path;
    }
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

bool isToolCommandLine(const std::vector<std::string> &args) {
    return !args.empty() && (args[0] == kEmissionFactorsOption || args[0] == kTrafficEditorOption);
}

bool parseToolCommandLine(const std::vector<std::string> &args, ToolCommandLine *out, std::string *error) {
    *out = ToolCommandLine{};
    if (!isToolCommandLine(args)) {
        return fail(error, "The command line names no tool window.");
    }
    if (args.size() != 5) {
        return fail(error, args[0] +
                               " must be followed by the vehicle list, the fuel list, the year and "
                               "the country, not " +
                               std::to_string(args.size() - 1) + " items.");
    }
    const auto year = parseNumber(trim(args[3]));
    if (!year || *year < 1 || *year > 9999 || *year != static_cast<int>(*year)) {
        return fail(error, "The year \"" + args[3] + "\" is not a year.");
    }
    out->tool = args[0] == kEmissionFactorsOption ? ToolWindow::EmissionFactors : ToolWindow::TrafficEditor;
    out->vehicleList = args[1];
    out->fuelList = args[2];
    out->year = static_cast<int>(*year);
    out->country = args[4];
    return true;
}

std::vector<std::string> toolArguments(const ToolCommandLine &line) {
    return {line.tool == ToolWindow::EmissionFactors ? kEmissionFactorsOption : kTrafficEditorOption,
            line.vehicleList, line.fuelList, std::to_string(line.year), line.country};
}

} // namespace vesk
