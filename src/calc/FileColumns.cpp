#include "calc/FileColumns.h"

#include "calc/Format.h"
#include "calc/RunErrors.h"
#include "core/Numbers.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"

#include <cmath>

namespace vesk {

long readFormatList(const std::vector<std::string> &items, std::size_t columnCount, std::vector<int> *widths,
                    std::vector<std::string> *formats) {
    widths->assign(columnCount, kDefaultColumnWidth);
    formats->assign(columnCount, std::string());
    if (items.size() <= 1) {
        return 0;
    }
    std::size_t described = 0;
    for (std::size_t i = 0; i < items.size(); i += 2) {
        auto width = trim(items[i]);
        int w = kDefaultColumnWidth;
        if (width != "*") {
            auto v = parseNumber(width);
            if (!v || !(std::abs(*v) <= kMaxColumnWidth)) {
                return kErrColumnWidth;
            }
            w = static_cast<int>(roundHalfEven(*v));
        }
        if (i + 1 >= items.size()) {
            return kErrFormatType;
        }
        auto format = trim(items[i + 1]);
        if (described < columnCount) {
            (*widths)[described] = w;
            (*formats)[described] = format == "*" ? std::string() : format;
        }
        ++described;
    }
    for (std::size_t j = described; j > 0 && j < columnCount; ++j) {
        (*widths)[j] = (*widths)[j - 1];
        (*formats)[j] = (*formats)[j - 1];
    }
    return 0;
}

long readScalingList(const std::vector<std::string> &items, std::size_t columnCount,
                     std::vector<float> *factors, std::string *badItem) {
    factors->assign(columnCount, 1.0f);
    for (std::size_t j = 0; j < items.size() && j < columnCount; ++j) {
        auto s = trim(items[j]);
        if (s == "*" || s.empty()) {
            continue;
        }
        auto v = parseNumber(s);
        if (!v || !fitsSingle(*v)) {
            if (badItem) {
                *badItem = items[j];
            }
            return kErrScaling;
        }
        (*factors)[j] = static_cast<float>(*v);
    }
    return 0;
}

std::string headerRow(const std::vector<std::string> &names, const std::vector<int> &widths,
                      bool statisticsFile) {
    std::string row;
    for (std::size_t j = 0; j < names.size(); ++j) {
        std::string t = names[j] == "?" ? " " : names[j];
        if (statisticsFile) {
            if (!t.empty() && t.front() == '"') {
                t.erase(0, 1);
            }
            if (!t.empty() && t.back() == '"') {
                t.pop_back();
            }
        }
        appendCell(row, t, j < widths.size() ? widths[j] : kDefaultColumnWidth, j == 0);
    }
    return row;
}

int columnBinding(const std::string &keyword, const std::vector<std::string> &names, int firstIndex, int none,
                  bool skipFirstCharacter) {
    auto key = toLower(keyword);
    std::size_t from = skipFirstCharacter ? 1 : 0;
    int found = none;
    std::size_t best = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        auto name = toLower(names[i]);
        if (name.empty() || key.size() < from || key.find(name, from) == std::string::npos) {
            continue;
        }
        if (name.size() >= best) {
            best = name.size();
            found = static_cast<int>(i) + firstIndex;
        }
    }
    return found;
}

} // namespace vesk
