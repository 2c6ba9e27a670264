// Percentile definitions of PercDef.lst: every row in file order, then the
// three families (hourly, running 8-hour, daily) with their n-th highest
// names and the capacities of the top-N lists that the statistics keep. A
// family holds at most kMaxPercentileDefinitions definitions: a list with
// more is refused, so that no run writes, and no page shows, more of them.

#include "core/CountryListReaders.h"
#include "core/KeptSizes.h"
#include "core/ListReading.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"

#include <algorithm>

namespace vesk {

namespace {

constexpr long kMaxNthHighest = 8784; // hours of a leap year

struct Family {
    std::vector<std::string> &names;
    std::vector<std::string> &nthNames;
    std::vector<float> &fractions;
    std::vector<int> &nValues;
    int &count;
    int &capacity;
    const char *nthSuffix;
    const char *word; // in the messages
};

} // namespace

void readPercentileDefinitions(ReferenceTables &t, const ListContext &c) {
    readPercentileDefinitions(t, c, c.listsDir + "PercDef.lst");
}

void readPercentileDefinitions(ReferenceTables &t, const ListContext &c, const std::string &path) {
    RecordReader r = openListFile(path, c.listFileName);
    r.readHeaderLine();
    Family families[] = {
        {t.PercNamesHourly, t.NthHighestNamesHourly, t.PercFracHourly, t.PercNthHourly, t.NumPercHourly,
         t.HourlyTopCapacity, "thHighest", "hourly"},
        {t.PercNamesRun8, t.NthHighestNamesRun8, t.PercFracRun8, t.PercNthRun8, t.NumPercRun8,
         t.Run8TopCapacity, "thHighestRun8", "running 8-hour"},
        {t.PercNamesDaily, t.NthHighestNamesDaily, t.PercFracDaily, t.PercNthDaily, t.NumPercDaily,
         t.DailyTopCapacity, "thHighestDaily", "daily"},
    };
    for (Family &f : families) {
        f.names.assign(1, std::string());
        f.nthNames.assign(1, std::string());
        f.fractions.assign(1, 0.0f);
        f.nValues.assign(1, 0);
        f.count = 0;
        f.capacity = 0;
    }
    t.PercDefNames.assign(1, std::string());
    t.PercDefNthNames.assign(1, std::string());
    t.PercDefTypes.assign(1, 0);

    while (!r.atEnd()) {
        const std::string name = r.readString();
        const double share = r.readDouble();
        // The share of the values above the percentile: 0.002 for the 99.8th.
        // Outside 0 to 1 no value of a series is that percentile.
        if (!(share >= 0 && share <= 1)) {
            throw ListLoadError(kErrOverflow, r.fileName() + ", line " + std::to_string(r.fieldLine()) +
                                                  ": the fraction " + formatNumber(share) + " of " + name +
                                                  " lies outside 0 to 1.");
        }
        const float fraction = static_cast<float>(share);
        const long n = r.readLong();
        // The n-th highest of more values than a year has hours cannot be
        // computed; a top-N list that long would only exhaust the memory.
        if (n < 0 || n > kMaxNthHighest) {
            throw ListLoadError(kErrOverflow, r.fileName() + ", line " + std::to_string(r.line()) +
                                                  ": nMax " + std::to_string(n) + " lies outside 0 to " +
                                                  std::to_string(kMaxNthHighest) + " (the hours of a year).");
        }
        const int nMax = static_cast<int>(n);
        const int type = static_cast<int>(r.readLong());
        t.PercDefNames.push_back(name);
        t.PercDefNthNames.push_back(std::to_string(nMax) + "thHighest");
        t.PercDefTypes.push_back(type);
        if (type < 0 || type > 2) {
            continue; // belongs to no family
        }
        Family &f = families[type];
        if (static_cast<int>(f.names.size()) > kMaxPercentileDefinitions) {
            throw ListLoadError(kErrOverflow, r.fileName() + ", line " + std::to_string(r.fieldLine()) +
                                                  ": " + name + " is one " + f.word +
                                                  " percentile definition more than the " +
                                                  std::to_string(kMaxPercentileDefinitions) +
                                                  " the program keeps of a family.");
        }
        f.names.push_back(name);
        f.nthNames.push_back(std::to_string(nMax) + f.nthSuffix);
        f.fractions.push_back(fraction);
        f.nValues.push_back(nMax);
        f.capacity = std::max(f.capacity, nMax);
    }
    for (Family &f : families) {
        f.capacity += 2;
        f.count = static_cast<int>(f.names.size()) - 1;
    }
}

void buildPercNameList(ReferenceTables &t) {
    t.PercNameList.clear();
    auto add = [&](const std::vector<std::string> &names, const std::vector<int> &nValues, int count) {
        for (int j = 1; j <= count; ++j) {
            PercName item;
            item.Name = names[j];
            item.nthHighest = nValues[j];
            if (t.PercNameList.add(names[j], item) == nullptr) {
                throw ListLoadError(kErrDuplicateKey,
                                    std::string(kDuplicateKeyText) + " (percentile " + names[j] + ")");
            }
        }
    };
    add(t.PercNamesHourly, t.PercNthHourly, t.NumPercHourly);
    add(t.PercNamesRun8, t.PercNthRun8, t.NumPercRun8);
    add(t.PercNamesDaily, t.PercNthDaily, t.NumPercDaily);
    PercName all;
    all.Name = "All";
    all.nPercHourly = t.NumPercHourly;
    all.nPercRun8 = t.NumPercRun8;
    all.nPercDaily = t.NumPercDaily;
    if (t.PercNameList.add("All", all) == nullptr) {
        throw ListLoadError(kErrDuplicateKey, std::string(kDuplicateKeyText) + " (percentile All)");
    }
}

} // namespace vesk
