#include "project/PrintColumns.h"

#include "core/RecordIO.h"

namespace vesk {

std::string printNumber(double value)
{
    PrintLine p;
    p.number(value);
    return p.str();
}

void padToColumn(std::string &line, int column)
{
    const size_t target = column > 1 ? static_cast<size_t>(column - 1) : 0;
    if (line.size() < target) {
        line.append(target - line.size(), ' ');
    } else if (!line.empty() && line.back() != ' ') {
        line += ' ';
    }
}

std::string pollutantColumns(const std::vector<std::string> &items)
{
    std::string line;
    for (size_t k = 0; k < items.size(); ++k) {
        if (k > 0) {
            padToColumn(line, static_cast<int>(10 * k));
        }
        line += items[k];
    }
    return line;
}

} // namespace vesk
