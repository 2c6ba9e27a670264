// The variable catalogue: the names a data file's variable list may hold,
// built from the shared lists StatVarNew.lst, InputVarNew.lst and
// OutputVarNew.lst. Template entries are expanded in place: a name holding
// "cPOL" or "QPOL" (and in output files "flagPOL" and "av8POL") stands for one
// entry per pollutant (or per emitting pollutant), "POL" replaced by the
// pollutant's name; a statistics entry starting with "Perc" stands for two
// entries per percentile definition. The statistics catalogue and the result
// store come from BuildStatVarCatalogue.

#include "core/CountryListReaders.h"
#include "core/ListReading.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/StatVarNames.h"
#include "core/TextIO.h"

namespace vesk {

namespace {

// Collection keys of catalogue names: a decimal comma of a percentile name
// reads as a point.
std::string catalogueKey(const std::string &name) {
    std::string key = name;
    for (char &ch : key) {
        if (ch == ',') {
            ch = '.';
        }
    }
    return key;
}

void addVar(KeyedList<VESKVar> &list, const std::string &name, const std::string &type) {
    VESKVar var;
    var.Name = name;
    var.DataType = type;
    if (list.add(catalogueKey(name), var) == nullptr) {
        throw ListLoadError(kErrDuplicateKey, std::string(kDuplicateKeyText) + " (variable " + name + ")");
    }
}

// Appends one entry to the series catalogue (names, descriptions, types).
void pushSeries(ReferenceTables &t, int &i, const std::string &name, const std::string &description,
                const std::string &type) {
    ++i;
    t.SeriesVarNames.resize(static_cast<std::size_t>(i) + 1);
    t.SeriesVarDescriptions.resize(static_cast<std::size_t>(i) + 1);
    t.SeriesVarTypes.resize(static_cast<std::size_t>(i) + 1);
    t.SeriesVarNames[i] = name;
    t.SeriesVarDescriptions[i] = description;
    t.SeriesVarTypes[i] = type;
}

void readStatisticSeries(ReferenceTables &t, const ListContext &c) {
    RecordReader r = openListFile(c.sharedListsDir + "StatVarNew.lst", c.listFileName);
    r.readHeaderLine();
    t.SeriesVarNames.assign(1, std::string());
    t.SeriesVarDescriptions.assign(1, std::string());
    t.SeriesVarTypes.assign(1, std::string());
    int i = 0;
    while (!r.atEnd()) {
        const std::string name = r.readString();
        const std::string description = r.readString();
        const std::string type = r.readString();
        if (!startsWithI(name, "Perc")) {
            pushSeries(t, i, name, description, type);
            AddSeriesVarNames(t, i, name, description, true);
            continue;
        }
        // The template is replaced by two entries per definition of a family.
        for (std::size_t j = 1; j < t.PercDefNames.size(); ++j) {
            const std::string p = formatNumber(typedNumber(t.PercDefNames[j]));
            const std::string &n = t.PercDefNthNames[j];
            std::string percName, percDescription, nthName, nthDescription;
            switch (t.PercDefTypes[j]) {
            case 0:
                percName = p + "_" + name;
                percDescription = p + "_" + description;
                nthName = n;
                nthDescription = n + " concentration";
                break;
            case 1:
                percName = p + "_" + name + "Run8";
                percDescription = p + "_" + description + ", running 8 hours average";
                nthName = n + "Run8";
                nthDescription = n + " running 8 hours average";
                break;
            case 2:
                percName = p + "_" + name + "Daily";
                percDescription = p + "_" + description + ", daily averages";
                nthName = n + "Daily";
                nthDescription = n + " daily average concentration";
                break;
            default:
                continue; // a row of no family adds nothing
            }
            pushSeries(t, i, percName, percDescription, type);
            AddSeriesVarNames(t, i, percName, percDescription, true);
            pushSeries(t, i, nthName, nthDescription, type);
            AddSeriesVarNames(t, i, nthName, nthDescription, true);
        }
    }

    // The concentrations themselves, and the daily values of both sides.
    t.BothSidesVarNames.assign(1, std::string());
    t.BothSidesVarDescriptions.assign(1, std::string());
    int k = 0;
    for (int p = 0; p <= t.NPol; ++p) {
        const std::string &name = t.PollutantNames[p];
        const std::string description = t.PollutantLongNames[p] + " concentration";
        pushSeries(t, i, name, description, "float");
        AddSeriesVarNames(t, i, name, description, false);
        AddBothSidesVarNames(t, k, name, description);
    }
    const std::pair<const char *, const char *> fixed[] = {
        {"DayOfWeek", "day of the week (Monday=1, Sunday=7)"},
        {"DayCase", "weekday case for traffic conditions"},
        {"StreetName", "Street name"},
        {"X_coordinate", "X-coordinate of the street"},
        {"Y_coordinate", "Y-coordinate of the street"},
    };
    for (const auto &[name, description] : fixed) {
        t.BothSidesVarNames.push_back(name);
        t.BothSidesVarDescriptions.push_back(description);
    }
}

void appendStreetEntries(ReferenceTables &t) {
    struct Entry {
        const char *name, *description, *type;
    };
    static const Entry entries[] = {
        {"X_coordinate", "X-coordinate of the street", "float"},
        {"Y_coordinate", "Y-coordinate of the street", "float"},
        {"DailyTraffic", "Average Daily Traffic (veh/day)", "float"},
        {"TravelSpeed", "Travel speed (km/h)", "float"},
        {"StreetHeight", "Average building height (m)", "float"},
        {"StreetWidth", "Width of the street (m)", "float"},
        {"StreetLength_1", "Length of the street, first direction (m)", "float"},
        {"StreetLength_2", "Length of the street, second direction (m)", "float"},
        {"StreetOrientation", "Street orientation with respect to North (degree)", "float"},
        {"RecHeight", "Receptor height (m)", "float"},
        {"TrafficFile", "Traffic File name", "text"},
    };
    for (const Entry &e : entries) {
        t.StatVarNames.push_back(e.name);
        t.StatVarDescriptions.push_back(e.description);
        t.StatVarTypes.push_back(e.type);
    }
}

struct DataFileCatalogue {
    std::vector<std::string> &names;
    std::vector<std::string> &descriptions;
    std::vector<std::string> *types; // none for input files
};

void pushEntry(DataFileCatalogue &cat, const std::string &name, const std::string &description,
               const std::string &type) {
    cat.names.push_back(name);
    cat.descriptions.push_back(description);
    if (cat.types != nullptr) {
        cat.types->push_back(type);
    }
}

// Reads InputVarNew.lst (output false) or OutputVarNew.lst (output true).
void readDataFileCatalogue(ReferenceTables &t, const ListContext &c, bool output) {
    DataFileCatalogue cat =
        output ? DataFileCatalogue{t.OutputVarNames, t.OutputVarDescriptions, &t.OutputVarTypes}
               : DataFileCatalogue{t.InputVarNames, t.InputVarDescriptions, nullptr};
    RecordReader r =
        openListFile(c.sharedListsDir + (output ? "OutputVarNew.lst" : "InputVarNew.lst"), c.listFileName);
    r.readHeaderLine();
    cat.names.assign(1, std::string());
    cat.descriptions.assign(1, std::string());
    if (cat.types != nullptr) {
        cat.types->assign(1, std::string());
    }
    const int pollutants = t.NPol + 1;
    auto emitter = [&](int p) { return t.PollutantList.at(static_cast<std::size_t>(p)).Emitter; };
    while (!r.atEnd()) {
        const std::string name = r.readString();
        const std::string description = r.readString();
        const std::string type = output ? r.readString() : std::string();

        if (containsNoCase(name, "cPOL")) {
            const bool streetPart = output && containsNoCase(name, "_str_");
            for (int p = 0; p < pollutants; ++p) {
                if (!streetPart || emitter(p)) {
                    pushEntry(cat, replaceAllNoCase(name, "POL", t.PollutantNames[p]),
                              description + " " + t.PollutantLongNames[p], type);
                }
            }
            continue;
        }
        const bool perEmitter = containsNoCase(name, "QPOL");
        const bool perPollutant =
            output && (containsNoCase(name, "flagPOL") || containsNoCase(name, "av8POL"));
        if (perEmitter || perPollutant) {
            for (int p = 0; p < pollutants; ++p) {
                if (perPollutant || emitter(p)) {
                    pushEntry(cat, replaceAllNoCase(name, "POL", t.PollutantNames[p]),
                              replaceAllNoCase(description, "POL", t.PollutantLongNames[p]), type);
                }
            }
            continue;
        }
        pushEntry(cat, name, description, type);
    }
    (output ? t.NOutputVars : t.NInputVars) = static_cast<int>(cat.names.size()) - 1;
}

} // namespace

void buildVariableCatalogue(ReferenceTables &t, const ListContext &c) {
    readStatisticSeries(t, c);

    LimitValueTables limits;
    if (readLimitValues(&limits, t, c)) {
        static_cast<LimitValueTables &>(t) = std::move(limits);
    }

    t.VarList.clear();
    for (std::size_t i = 1; i < t.SeriesVarNames.size(); ++i) {
        addVar(t.VarList, t.SeriesVarNames[i], t.SeriesVarTypes[i]);
    }
    addVar(t.VarList, "DayOfWeek", "short");
    addVar(t.VarList, "DayCase", "short");
    addVar(t.VarList, "StreetName", "text");
    addVar(t.VarList, "X_coordinate", "float");
    addVar(t.VarList, "Y_coordinate", "float");

    std::string error;
    if (!BuildStatVarCatalogue(t, c.numReceptors, &error)) {
        throw ListLoadError(kErrDuplicateKey, std::string(kDuplicateKeyText) + " (" + error + ")");
    }
    appendStreetEntries(t);

    t.StatVarTypeList.clear();
    for (std::size_t i = 1; i < t.StatVarNames.size(); ++i) {
        addVar(t.StatVarTypeList, t.StatVarNames[i], t.StatVarTypes[i]);
    }

    buildPercNameList(t);
    readDataFileCatalogue(t, c, false);
    readDataFileCatalogue(t, c, true);
}

} // namespace vesk
