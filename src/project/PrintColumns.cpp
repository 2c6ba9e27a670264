#include "project/PrintColumns.h"

#include "core/RecordIO.h"

namespace vesk {

std::string printNumber(double value) {
    PrintLine p;
    p.number(value);
    return p.str();
}

std::string pollutantColumns(const std::vector<std::string> &items) {
    PrintLine p;
    for (size_t k = 0; k < items.size(); ++k) {
        if (k > 0) {
            p.tab(static_cast<int>(10 * k));
        }
        p.text(items[k]);
    }
    return p.str();
}

} // namespace vesk
