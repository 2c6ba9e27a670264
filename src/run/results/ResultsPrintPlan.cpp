#include "run/results/ResultsPrintPlan.h"

#include "core/TextIO.h"

#include <algorithm>

namespace vesk::results {

TablePlacement placeTable(double pageWidth, double gridWidth) {
    if (pageWidth * 0.85 >= gridWidth || gridWidth <= 0) {
        return TablePlacement{(pageWidth - std::max(gridWidth, 0.0)) * 0.5, 1.0};
    }
    return TablePlacement{pageWidth * 0.075, pageWidth * 0.85 / gridWidth};
}

std::vector<int> pagesToPrint(bool rangeChosen, int from, int to, int lastPageIndex) {
    const int first = rangeChosen ? std::max(from, 0) : 0;
    const int last = rangeChosen ? std::min(to, lastPageIndex) : lastPageIndex;
    std::vector<int> pages;
    for (int p = first; p <= last; ++p) {
        pages.push_back(p);
    }
    return pages;
}

std::vector<std::vector<std::string>> printOpeningBlocks(const std::string &resultFileName,
                                                         const std::string &keyInfo,
                                                         const std::string &comments) {
    std::vector<std::string> head{resultFileName, std::string()};
    for (const std::string &line : splitLines(keyInfo)) {
        head.push_back(line);
    }
    std::vector<std::string> remarks;
    if (trim(comments).empty()) {
        remarks.push_back("No User Comments");
    } else {
        remarks = {"User Comments:", std::string()};
        for (const std::string &line : splitLines(comments)) {
            remarks.push_back(line);
        }
    }
    return {head, remarks};
}

std::vector<std::string> printPageTitle(const std::string &pageName) {
    const std::size_t semicolon = pageName.find(';');
    if (semicolon == std::string::npos) {
        return {pageName, std::string()};
    }
    return {pageName.substr(0, semicolon), trim(pageName.substr(semicolon + 1))};
}

} // namespace vesk::results
