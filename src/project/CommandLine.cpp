#include "project/CommandLine.h"

#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/TextIO.h"
#include "project/Period.h"
#include "project/ProjectText.h"

namespace vesk {

namespace {

bool fail(std::string *error, const std::string &why) {
    if (error) {
        *error = why;
    }
    return false;
}

} // namespace

std::string commandLineUsage() {
    return "Usage: winvesk [\"<project>\" [<flag> [<threshold>]]]\n"
           "       winvesk \"<project>\" <flag> <yyyymmdd> <hour> <yyyymmdd> <hour>\n"
           "       winvesk --version\n"
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
            return fail(error, "The dates must be given as yyyymmdd: \"" + items[start ? 4 : 2] + "\".");
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

} // namespace vesk
