#include "project/ProjectText.h"

#include "core/TextIO.h"
#include "project/ProjectState.h"

namespace vesk {

std::string withoutQuotes(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != '"') {
            out += c;
        }
    }
    return trim(out);
}

int pollutantIndex(const ProjectState &s, std::string_view name) {
    const std::string wanted = trim(name);
    for (int k = 0; k <= s.NPol && k < static_cast<int>(s.PollutantNames.size()); ++k) {
        if (iequals(s.PollutantNames[k], wanted)) {
            return k;
        }
    }
    return -1;
}

bool isStorableName(std::string_view name) {
    return name.find_first_of("\"\r\n") == std::string_view::npos;
}

std::string unstorableNameMessage(std::string_view what) {
    return "The " + std::string(what) + " must not contain a double quote (\").";
}

} // namespace vesk
