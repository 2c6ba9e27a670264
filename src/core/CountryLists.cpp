#include "core/CountryLists.h"

#include "core/CountryListReaders.h"
#include "core/KeptSizes.h"
#include "core/ListReading.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <chrono>

namespace vesk {

namespace {

int calendarYear() {
    const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return static_cast<int>(std::chrono::year_month_day(today).year());
}

int readInt(RecordReader &r) {
    return static_cast<int>(r.readLong());
}

} // namespace

void readPollutants(ReferenceTables &t, const ListContext &c) {
    readPollutants(t, c, c.listsDir + "Pollutants.lst");
}

void readPollutants(ReferenceTables &t, const ListContext &c, const std::string &path) {
    RecordReader r = openListFile(path, c.listFileName);
    r.readHeaderLine();
    t.PollutantListFile = r.fileName();
    int i = 0;
    while (!r.atEnd()) {
        const std::string name = r.readString();
        const std::string longName = r.readString();
        const std::string defOut = r.readString();
        const std::string stdIn = r.readString();
        const bool emitter = r.readBool();
        const double toPpb = r.readDouble();
        // A negative factor converts nothing: NO2 and O3 converted by it
        // would be negative, that is missing, in every hour of a run.
        if (!(toPpb >= 0)) {
            throw ListLoadError(kErrOverflow, r.fileName() + ", line " + std::to_string(r.fieldLine()) +
                                                  ": the microgram-to-ppb factor " + formatNumber(toPpb) +
                                                  " of " + name + " lies below 0.");
        }
        if (i >= kMaxPollutants) {
            throw ListLoadError(kErrOverflow, r.fileName() + ", line " + std::to_string(r.fieldLine()) +
                                                  ": " + name + " is one pollutant more than the " +
                                                  std::to_string(kMaxPollutants) + " the program keeps.");
        }
        t.PollutantLines.push_back(r.fieldLine());
        t.PollutantNames.push_back(name);
        t.PollutantLongNames.push_back(longName);
        t.DefOutputUnits.push_back(defOut);
        t.StdInputUnits.push_back(stdIn);
        t.StdInputUnitsCopy.push_back(stdIn);
        t.MicrogToPpb.push_back(toPpb);
        // A factor of 0 has no reciprocal: the conversion is missing.
        t.PpbToMicrog.push_back(toPpb == 0.0 ? kMissing : 1.0 / toPpb);
        if (t.PollutantList.add(name, Pollutant{name, longName, i, emitter}) == nullptr) {
            throw ListLoadError(kErrDuplicateKey, std::string(kDuplicateKeyText) + " (pollutant " + name +
                                                      " in " + r.fileName() + ")");
        }
        if (iequals(name, "CO")) {
            t.IndexCO = i;
        }
        if (iequals(name, "BNZ")) {
            t.IndexBNZ = i;
        }
        ++i;
    }
    t.PollutantCount = i;
    t.NPol = i - 1;
}

void readScenarios(ReferenceTables &t, ModelEnvironment &env, const ListContext &c) {
    RecordReader r = openListFile(c.listsDir + "Scenarios.lst", c.listFileName);
    t.FleetDatabase = r.readString();
    t.FleetFirstYear = readInt(r);
    t.FleetLastYear = readInt(r);
    int k = 0;
    while (!r.atEnd()) {
        ++k;
        const int year = readInt(r);
        const std::string vehicles = r.readString();
        const std::string fuels = r.readString();
        t.ScenarioYears.push_back(year);
        t.ScenarioVehicleFiles.push_back(vehicles);
        t.ScenarioFuelFiles.push_back(fuels);
        env.setScenarioYear(k, year);
        env.setScenarioVehicleFile(k, vehicles);
        env.setScenarioFuelFile(k, fuels);
    }
    t.ScenarioCount = t.StdYearCount = t.YearItemCount = k;
    env.ScenarioCount = k;
    env.ScenarioYears.resize(static_cast<std::size_t>(k) + 1);
    env.ScenarioVehicleFiles.resize(static_cast<std::size_t>(k) + 1);
    env.ScenarioFuelFiles.resize(static_cast<std::size_t>(k) + 1);
}

void clampCurrentYear(ReferenceTables &t, int &currentYear) {
    const int n = t.ScenarioCount;
    if (n < 1) {
        t.DefaultVehicleListFile.clear();
        t.DefaultFuelListFile.clear();
        return;
    }
    auto take = [&](int k) {
        currentYear = t.ScenarioYears[k];
        t.DefaultVehicleListFile = t.ScenarioVehicleFiles[k];
        t.DefaultFuelListFile = t.ScenarioFuelFiles[k];
    };
    int last = 0;
    for (int k = 1; k <= n; ++k) {
        if (t.ScenarioYears[k] <= currentYear) {
            last = k;
        }
        if (t.ScenarioYears[k] == currentYear) {
            take(k);
            return;
        }
    }
    if (currentYear < t.ScenarioYears[1]) {
        take(1);
    } else if (currentYear > t.ScenarioYears[n]) {
        take(n);
    } else {
        take(last > 0 ? last : 1);
    }
}

void readUrbanEmission(ReferenceTables &t, const ListContext &c) {
    {
        RecordReader r = openListFile(c.listsDir + "UrbEmi.lst", c.listFileName);
        r.readHeaderLine();
        t.NoUrbEmiData = false;
        t.CitySizeNames.assign(1, std::string());
        t.CityRadius.assign(1, 0.0f);
        t.CityBuildingHeight.assign(1, 0.0f);
        while (!r.atEnd()) {
            std::string size = r.readString();
            const float radius = static_cast<float>(r.readDouble());
            const float height = static_cast<float>(r.readDouble());
            if (c.decimalSeparator == ",") {
                size = replaceAllNoCase(size, ",", ".");
            }
            t.CitySizeNames.push_back(size);
            t.CityRadius.push_back(radius);
            t.CityBuildingHeight.push_back(height);
        }
        t.NoUrbEmiData = t.CitySizeNames.size() == 1;
    }

    const std::size_t pollutants = static_cast<std::size_t>(t.NPol + 1);
    t.UrbEmiFileNames.assign(pollutants, std::string());
    t.UrbEmiFilesError = false;
    if (t.NoUrbEmiData) {
        return;
    }
    RecordReader r = openListFile(c.listsDir + "UrbEmiFiles.lst", c.listFileName);
    r.readHeaderLine();
    while (!r.atEnd()) {
        const std::string name = r.readString();
        const std::string file = r.readString();
        const Pollutant *p = t.PollutantList.find(name);
        if (p == nullptr) {
            if (c.ui != nullptr) {
                c.ui->message(
                    "The pollutant " + name +
                        ", refered to in the Urban Emission Files List, is not in the Pollutants List." +
                        kCrLf + "This pollutant should be removed from the List!",
                    Icon::Exclamation);
            }
            t.UrbEmiFilesError = true;
            continue;
        }
        t.UrbEmiFileNames[static_cast<std::size_t>(p->Index)] = file;
    }
}

void readDateNames(ReferenceTables &t, ModelEnvironment &env, const ListContext &c) {
    RecordReader r = openListFile(c.listsDir + "DateNames.lst", c.listFileName);
    r.readHeaderLine();
    for (int d = 1; d <= 7; ++d) {
        t.DayNames[static_cast<std::size_t>(d - 1)] = r.readString();
        env.setDayName(d, t.DayNames[static_cast<std::size_t>(d - 1)]);
    }
    r.readHeaderLine();
    for (int m = 1; m <= 12; ++m) {
        t.MonthNames[static_cast<std::size_t>(m - 1)] = r.readString();
        env.setMonthName(m, t.MonthNames[static_cast<std::size_t>(m - 1)]);
    }
    r.readHeaderLine();
    env.DateText = r.readString();
}

bool LoadCountryLists(CoreState &state, Interaction &ui, std::string *listFileName,
                      const std::string *changeTo, std::string *error) {
    std::string localFileName;
    std::string &fileName = listFileName != nullptr ? *listFileName : localFileName;

    std::string country = state.CurrentCountry;
    std::string code = state.CountryCode;
    std::string listsDir = state.ListsDir, emissionDir = state.EmissionDir, trafficDir = state.TrafficDir,
                metBackDir = state.MetBackDir;
    if (changeTo != nullptr) {
        if (iequals(*changeTo, state.LoadedCountry)) {
            return true;
        }
        const CountryItem *item = state.CountryList.find(*changeTo);
        if (item == nullptr) {
            const std::string text = "The country " + *changeTo + " is not in the country list";
            ui.message(text + kCrLf + kCrLf + "Can't change the Country Settings", Icon::Critical);
            if (error != nullptr) {
                *error = text;
            }
            return false;
        }
        country = item->Name;
        code = item->code;
        listsDir = state.AppDir + "Lists/National/" + code + "/";
        emissionDir = state.AppDir + "Data/Emission/National/" + code + "/";
        trafficDir = state.AppDir + "Data/Traffic/National/" + code + "/";
        metBackDir = state.AppDir + "Data/MetBack/National/" + code + "/";
    }

    ListContext c;
    c.listsDir = listsDir;
    c.sharedListsDir = state.SharedListsDir;
    c.decimalSeparator = state.DecimalSeparator;
    c.numReceptors = state.NumReceptors;
    c.ui = &ui;
    c.listFileName = &fileName;

    ReferenceTables fresh;
    ModelEnvironment env = state.ModelEnv;
    int currentYear = state.CurrentYear > 0 ? state.CurrentYear : calendarYear();
    try {
        readPollutants(fresh, c);
        env.Pollutants.clear();
        for (const Pollutant &p : fresh.PollutantList) {
            env.Pollutants.push_back(p);
        }
        readScenarios(fresh, env, c);
        clampCurrentYear(fresh, currentYear);
        readUrbanEmission(fresh, c);
        readDateNames(fresh, env, c);
        readPercentileDefinitions(fresh, c);
        buildVariableCatalogue(fresh, c);
    } catch (...) {
        const ListFailure failure = currentListFailure();
        if (error != nullptr) {
            *error = failure.text;
        }
        if (changeTo != nullptr) {
            std::string first;
            if (failure.number == kErrEndOfFile) {
                first = "Unexpected End of File in " + fileName;
            } else if (failure.number == kErrFileMissing) {
                first = "The file " + fileName + " is missing!";
            } else if (failure.number == kErrPathAccess) {
                first = failure.text;
            } else {
                first = std::to_string(failure.number) + " " + failure.text;
            }
            ui.message(first + kCrLf + kCrLf + "Can't change the Country Settings", Icon::Critical);
            // The loaded country stays current (a countries dialog may have named the new one).
            if (const CountryItem *loaded = state.CountryList.find(state.LoadedCountry)) {
                state.CurrentCountry = loaded->Name;
                state.CountryCode = loaded->code;
            }
        } else {
            state.ErrorCode = failure.number;
        }
        return false;
    }

    // Everything was read: commit.
    if (changeTo != nullptr) {
        if (CountryItem *old = state.CountryList.find(state.LoadedCountry)) {
            old->IsDefault = false;
        }
        state.CountryList.item(country).IsDefault = true;
        state.LoadedCountry = state.CurrentCountry = country;
        state.CountryCode = code;
        state.ListsDir = listsDir;
        state.EmissionDir = emissionDir;
        state.TrafficDir = trafficDir;
        state.MetBackDir = metBackDir;
    }
    env.CountryCode = state.CountryCode;
    env.CountryName = state.CurrentCountry;
    env.ListsDir = state.ListsDir;
    env.EmissionDir = state.EmissionDir;
    env.TrafficDir = state.TrafficDir;
    env.MetBackDir = state.MetBackDir;

    static_cast<ReferenceTables &>(state) = std::move(fresh);
    state.ModelEnv = std::move(env);
    state.CurrentYear = currentYear;
    if (changeTo == nullptr) {
        state.ErrorCode = 0;
    }
    return true;
}

bool ReadLimitValues(CoreState &state, Interaction &ui) {
    ListContext c;
    c.listsDir = state.ListsDir;
    c.sharedListsDir = state.SharedListsDir;
    c.decimalSeparator = state.DecimalSeparator;
    c.numReceptors = state.NumReceptors;
    c.ui = &ui;
    LimitValueTables tables;
    if (!readLimitValues(&tables, state, c)) {
        return false;
    }
    static_cast<LimitValueTables &>(state) = std::move(tables);
    return true;
}

bool SaveCountriesIni(const CoreState &state, std::string *error) {
    std::vector<CountryItem> records;
    for (CountryItem item : state.CountryList) {
        item.IsDefault = iequals(item.Name, state.CurrentCountry);
        records.push_back(std::move(item));
    }
    return WriteCountriesIni(state.AppDir, records, error);
}

bool WriteCountriesIni(const std::string &appDir, const std::vector<CountryItem> &records,
                       std::string *error) {
    RecordWriter w;
    w.line("Country Code Default");
    for (const CountryItem &item : records) {
        w.string(item.Name).string(item.code).boolean(item.IsDefault).endRecord();
    }
    return writeFileAtomically(appDir + "Countries.ini", w.str(), error);
}

} // namespace vesk
