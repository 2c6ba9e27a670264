// The conditions file (.cnd) of a project: per pollutant a background value
// for the hours whose own background value is missing.
//
//   [background]
//   2
//   "NOx", 35
//   "O3", 50
//
// A line holding "[" is a section line; after a "background" section line
// (brackets removed, letter case ignored) come the number of pairs and the
// pairs of pollutant name and value, as comma-separated records that may
// span lines. Other sections and other lines are ignored.

#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "run/RunContext.h"
#include "run/RunFiles.h"

#include <algorithm>

namespace vesk::run {

void readConditionsFile(RunContext &c) {
    State &s = c.s;
    std::fill(s.CndBackground.begin(), s.CndBackground.end(), kMiss);
    if (trim(s.ConditionsFile).empty()) {
        return;
    }
    const std::string path = workInputPath(s, trim(s.ConditionsFile));
    c.err.FilePath = path;
    std::string text, error;
    if (!readTextFile(path, &text, &error)) {
        throw RunError(kErrFileNotFound, error);
    }
    const std::vector<std::string> lines = splitLines(text);
    std::size_t i = 0;
    while (i < lines.size()) {
        const std::string &line = lines[i];
        ++i;
        if (line.find('[') == std::string::npos) {
            continue;
        }
        std::string name;
        for (char ch : line) {
            if (ch != '[' && ch != ']') {
                name += ch;
            }
        }
        if (toLower(name) != "background") {
            continue;
        }
        std::string rest;
        for (std::size_t l = i; l < lines.size(); ++l) {
            rest += lines[l] + "\n";
        }
        RecordReader reader(rest, path);
        try {
            const long n = reader.readLong();
            for (long pair = 0; pair < n; ++pair) {
                const std::string pollutant = trim(reader.readString());
                const double value = reader.readDouble();
                const Pollutant *item = s.PollutantList.find(pollutant);
                if (item == nullptr) {
                    throw RunRefusal{"The conditions file " + path +
                                     " names a pollutant that is not in the list: " + pollutant};
                }
                if (item->Index >= 0 && static_cast<std::size_t>(item->Index) < s.CndBackground.size()) {
                    s.CndBackground[static_cast<std::size_t>(item->Index)] = static_cast<float>(value);
                }
            }
        } catch (const std::runtime_error &e) {
            throw RunRefusal{"The background section of the conditions file " + path +
                             " cannot be read:\r\n" + e.what()};
        }
        // Go on after the lines the pairs took.
        i += static_cast<std::size_t>(std::max(reader.line() - 1, 0));
    }
}

} // namespace vesk::run
