#include "calc/DayCases.h"

#include "calc/CalcState.h"
#include "calc/HourlyEmissions.h"
#include "core/Interaction.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "platform/emission/EmissionLibrary.h"
#include "project/FileLists.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace vesk {

namespace {

bool fileExists(const std::string &path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The traffic-file path of the street (step 3 of the set-up).
std::string trafficFilePath(const CalcState &s, const std::string &streetsFolder, bool *found) {
    std::string path = findExisting(resolveStoredName(s.TrafficFile, s.WorkDir, s.TrafficDir));
    *found = fileExists(path);
    if (!*found && s.MultiStreetMode && !streetsFolder.empty() && !s.WorkDir.empty()) {
        std::string work = nativePath(s.WorkDir);
        std::string native = nativePath(path);
        if (startsWithI(native, work)) {
            std::string moved = findExisting(joinPath(nativePath(streetsFolder), native.substr(work.size())));
            if (fileExists(moved)) {
                *found = true;
                return moved;
            }
        }
    }
    if (!*found) {
        // A name with a folder that only the program folder holds.
        std::string inAppDir = findStoredInput(s.TrafficFile, s.WorkDir, s.TrafficDir, s.AppDir);
        if (fileExists(inAppDir)) {
            *found = true;
            return inAppDir;
        }
    }
    return path;
}

// Step 7: the properties of the traffic item "All" into the state.
void copyTrafficProperties(CalcState &s) {
    const TrafficAll &all = s.EmissionComponent.TrafficList.All;
    s.TrafficFileType = all.TrafficFileType;
    // The project keeps the traffic as the file's single-precision figures read: what the
    // window shows is what the project file is written with.
    s.AverageTrafficSpeed = singleAsWritten(all.AverageTrafficSpeed);
    s.AnnualDiurnalTraffic = singleAsWritten(all.AnnualDiurnalTraffic);
    s.sAverageTrafficSpeed = all.sAverageTrafficSpeed;
    s.sAnnualDiurnalTraffic = all.sAnnualDiurnalTraffic;
    s.Nhours = all.Nhours;
    s.DayCases = all.DayCases;
    s.VehCategories = all.VehCategories;
    s.VehCatNames.assign(1, std::string());
    for (int i = 1; i <= s.VehCategories; ++i) {
        s.VehCatNames.push_back(all.VehCatNames(i));
    }
    s.DayCaseName.assign(1, std::string());
    s.CodeDay.assign(1, std::string());
    s.CodeMonth.assign(1, std::string());
    s.DayCaseDay.assign(1, 0);
    s.DayCaseDayCop.assign(1, 0);
    s.DayCaseMonth.assign(1, 0);
    s.DayCaseMonthCop.assign(1, 0);
    for (int i = 1; i <= s.DayCases; ++i) {
        s.DayCaseName.push_back(all.DayCaseName(i));
        s.DayCaseDay.push_back(all.DayCaseDay(i));
        s.DayCaseDayCop.push_back(all.DayCaseDayCop(i));
        s.DayCaseMonth.push_back(all.DayCaseMonth(i));
        s.DayCaseMonthCop.push_back(all.DayCaseMonthCop(i));
        s.CodeDay.push_back(all.CodeDay(i));
        s.CodeMonth.push_back(all.CodeMonth(i));
    }
    s.DayCaseExprs.assign(static_cast<size_t>(s.DayCases) + 1, Expression());
}

// The component's emission table must hold every pollutant at the traffic's size.
void ensureEmissionTable(CalcState &s) {
    EmissionTableCollection &table = s.EmissionComponent.EmissionTable;
    bool fits = true;
    for (int p = 0; p <= s.NPol && p < static_cast<int>(s.PollutantNames.size()); ++p) {
        const EmissionTableItem *item = table.find(s.PollutantNames[p]);
        fits = fits && item && item->Value.periods() == s.Nhours && item->Value.dayCases() == s.DayCases;
    }
    if (!fits) {
        table.reset(s.PollutantNames, s.Nhours, s.DayCases);
    }
}

} // namespace

void CopyTrafficProperties(CalcState &s) {
    copyTrafficProperties(s);
}

bool ReadTrafficProperties(CalcState &s, std::string *error) {
    // A name with a drive letter names no file of this system: nothing is read.
    const bool usable = !s.TrafficFile.empty() && !hasDriveLetter(s.TrafficFile);
    std::string why;
    const bool read = usable && s.EmissionComponent.ReadTrafficFile(trafficFilePath(s), s.AverageTrafficSpeed,
                                                                    s.AnnualDiurnalTraffic, &why);
    if (!read) {
        if (s.TrafficFile.empty()) {
            why = "No traffic file is set.";
        } else if (!usable) {
            why = driveLetterRefusal(s.TrafficFile, "the traffic file");
        }
        s.ErrorInTrafficFile = true;
        s.TrafficFileLoaded = false;
        if (error) {
            *error = why;
        }
        return false;
    }
    s.ErrorInTrafficFile = false;
    copyTrafficProperties(s);
    return true;
}

std::string DayCaseCondition(const std::string &codeDay, const std::string &codeMonth) {
    std::string day = codeDay.empty() ? std::string() : "(" + codeDay + ")";
    std::string month = codeMonth.empty() ? std::string() : "(" + codeMonth + ")";
    if (day.empty()) {
        return month;
    }
    if (month.empty()) {
        return day;
    }
    return day + " " + "AND" + " " + month;
}

std::string CategoryMismatch(const CalcState &s) {
    const EmissionLibrary &lib = s.EmissionComponent;
    std::vector<std::string> expanded;
    for (int i = 1; i <= s.VehCategories && i < static_cast<int>(s.VehCatNames.size()); ++i) {
        const TrafficCategory *c = lib.TrafficList.find(s.VehCatNames[i]);
        if (c && c->Composed) {
            expanded.insert(expanded.end(), c->subNames.begin(), c->subNames.end());
        } else {
            expanded.push_back(s.VehCatNames[i]);
        }
    }
    std::vector<std::string> categories;
    for (const VehicleCategory &c : lib.VehicleCategories.items) {
        categories.push_back(c.Name);
    }
    bool same = expanded.size() == categories.size();
    for (size_t i = 0; same && i < expanded.size(); ++i) {
        same = iequals(expanded[i], categories[i]);
    }
    if (same) {
        return {};
    }
    auto join = [](const std::vector<std::string> &names) {
        std::string text;
        for (const auto &n : names) {
            text += (text.empty() ? "" : ", ") + n;
        }
        return text.empty() ? std::string("(none)") : text;
    };
    return "The vehicle categories of the traffic file do not match those of the vehicle list." +
           std::string(kCrLf) + "Traffic file (composed categories split): " + join(expanded) + kCrLf +
           "Vehicle list: " + join(categories);
}

// The emission of one vehicle of each category, per period, day case and
// emitting pollutant, at the speeds and cold-start shares of a traffic file
// (see TrafficSetupCache). The emission of a category with flow f is then
// f times it, exactly as computed for f itself: the emission is the flow
// times the factor (or times the factor's share of a composed category), and
// a missing factor gives -99 whatever the flow.
struct TrafficSetupCache::UnitEmissions {
    std::shared_ptr<const ParsedTrafficFile> file;
    // What the per-vehicle emissions depend on besides the file and the run's emission set-up.
    std::vector<float> speeds; // vShort, vLong and coldStart per period and day case
    float defaultSpeed = 0;
    int nhours = 0, dayCases = 0, categories = 0, vehCategories = 0;
    std::vector<int> emitters;
    // Per day case, period and emitter: the vehicle categories' cells
    // (1..categories) then the traffic categories' totals (1..vehCategories).
    std::vector<float> values;
    std::vector<int> slotCategory; // the traffic category (1..) of each vehicle category's cell

    std::size_t stride() const { return static_cast<std::size_t>(categories + vehCategories); }
    const float *at(int d, int h, int j) const {
        const auto n = static_cast<std::size_t>(emitters.size());
        return values.data() + ((static_cast<std::size_t>(d - 1) * static_cast<std::size_t>(nhours) +
                                 static_cast<std::size_t>(h - 1)) *
                                    n +
                                static_cast<std::size_t>(j - 1)) *
                                   stride();
    }
};

namespace {

std::vector<float> speedProfiles(const CalcState &s) {
    const TrafficAll &all = s.EmissionComponent.TrafficList.All;
    std::vector<float> v;
    v.reserve(static_cast<std::size_t>(3 * s.Nhours * s.DayCases));
    for (int d = 1; d <= s.DayCases; ++d) {
        for (int h = 1; h <= s.Nhours; ++h) {
            v.push_back(all.Vshort(h, d));
            v.push_back(all.Vlong(h, d));
            v.push_back(all.ColdStart(h, d));
        }
    }
    return v;
}

// The flow times an emission per vehicle; -99 stays missing.
inline float timesFlow(float flow, float perVehicle) {
    return perVehicle < 0 ? -99.0f : flow * perVehicle;
}

} // namespace

static bool expandDayCase(CalcState &s, int d, std::string *error,
                          const TrafficSetupCache::UnitEmissions *units = nullptr) {
    EmissionLibrary &lib = s.EmissionComponent;
    TrafficCollection &traffic = lib.TrafficList;
    std::vector<EmissionTableItem *> totals;
    if (units != nullptr) {
        for (int j = 1; j <= s.EmitterCount; ++j) {
            totals.push_back(lib.EmissionTable.find(s.PollutantNames[s.EmitterIndex[j]]));
        }
    }
    for (int h = 1; h <= s.Nhours; ++h) {
        int slot = 0;
        for (int i = 1; i <= s.VehCategories; ++i) {
            TrafficCategory &c = traffic.item(i);
            c.FlowNow = c.Flow(h, d);
            const float f = c.FlowNow;
            if (!c.Composed) {
                s.FlowTable.at(++slot, h, d) = f;
            } else {
                for (int k = 1; k <= c.SubVehCats(); ++k) {
                    s.FlowTable.at(++slot, h, d) = c.FractionSubVehCat(k) * f;
                }
            }
        }
        if (s.RouteMode) {
            continue;
        }
        const float speed1 = traffic.All.Vshort(h, d);
        const float speed2 = traffic.All.Vlong(h, d);
        s.ColdStartShare = traffic.All.ColdStart(h, d) * 0.01f;
        if (s.StdEmissionSetup) {
            continue;
        }
        if (units != nullptr) {
            for (int j = 1; j <= s.EmitterCount; ++j) {
                const int p = s.EmitterIndex[j];
                const float *unit = units->at(d, h, j);
                float sum = 0;
                for (int i = 1; i <= s.VehCategories; ++i) {
                    const float q = timesFlow(traffic.item(i).FlowNow, unit[units->categories + i - 1]);
                    if (q < 0) {
                        sum = -99.0f;
                        break;
                    }
                    sum += q;
                }
                if (EmissionTableItem *item = totals[static_cast<std::size_t>(j - 1)]) {
                    item->Value.set(h, d, sum);
                }
                for (int k = 1; k <= s.VehCatCount; ++k) {
                    s.CategoryEmissionTable.at(p, k, h, d) =
                        timesFlow(traffic.item(units->slotCategory[static_cast<std::size_t>(k)]).FlowNow,
                                  unit[k - 1]);
                }
            }
            continue;
        }
        for (int j = 1; j <= s.EmitterCount; ++j) {
            const int p = s.EmitterIndex[j];
            if (!CalcHourlyEmissions(s, p, speed1, speed2, s.TrafficSpeedDefault, s.ColdStartShare, error)) {
                return false;
            }
            float sum = 0;
            for (int i = 1; i <= s.VehCategories; ++i) {
                const EmissionItem &e = lib.EmissionList.item(i);
                const float q = p < static_cast<int>(e.QPOL.size()) ? e.QPOL[p] : -99.0f;
                if (q < 0) {
                    sum = -99.0f;
                    break;
                }
                sum += q;
            }
            if (EmissionTableItem *item = lib.EmissionTable.find(s.PollutantNames[p])) {
                item->Value.set(h, d, sum);
            }
            for (int k = 1; k <= s.VehCatCount; ++k) {
                s.CategoryEmissionTable.at(p, k, h, d) = s.CategoryEmission[p][k];
            }
        }
    }
    return true;
}

bool ExpandDayCase(CalcState &s, int d, std::string *error) {
    try {
        return expandDayCase(s, d, error);
    } catch (const std::out_of_range &) {
        if (error) {
            *error = "The traffic profiles of day case " + std::to_string(d) +
                     " do not fit the vehicle categories of the emission set-up.";
        }
        return false;
    }
}

namespace {

// The emissions per vehicle of the state's traffic: each category's flow set
// to one vehicle, the emissions computed as for the street itself. Null when
// the traffic does not allow it: a category met under another's name, a
// composed category with a negative share, cells that are not the vehicle
// categories, or a failure (the street's own expansion then says why).
std::shared_ptr<TrafficSetupCache::UnitEmissions> makeUnitEmissions(CalcState &s) {
    if (s.RouteMode || s.StdEmissionSetup || s.EmitterCount < 1 || s.Nhours < 1 || s.DayCases < 1 ||
        static_cast<int>(s.EmitterIndex.size()) <= s.EmitterCount) {
        return nullptr;
    }
    EmissionLibrary &lib = s.EmissionComponent;
    TrafficCollection &traffic = lib.TrafficList;
    auto u = std::make_shared<TrafficSetupCache::UnitEmissions>();
    u->nhours = s.Nhours;
    u->dayCases = s.DayCases;
    u->categories = s.VehCatCount;
    u->vehCategories = s.VehCategories;
    u->defaultSpeed = s.TrafficSpeedDefault;
    u->emitters.assign(s.EmitterIndex.begin() + 1, s.EmitterIndex.begin() + 1 + s.EmitterCount);
    u->slotCategory.assign(1, 0);
    if (s.VehCategories != traffic.Count() || lib.EmissionList.Count() < s.VehCategories ||
        static_cast<int>(s.VehCatNames.size()) <= s.VehCategories) {
        return nullptr;
    }
    for (int i = 1; i <= s.VehCategories; ++i) {
        TrafficCategory &c = traffic.item(i);
        if (traffic.find(s.VehCatNames[i]) != &c || lib.EmissionList.find(s.VehCatNames[i]) != &lib.EmissionList.item(i)) {
            return nullptr;
        }
        const int cells = c.Composed ? c.SubVehCats() : 1;
        for (int k = 1; k <= cells; ++k) {
            if (c.Composed && !(c.FractionSubVehCat(k) >= 0)) {
                return nullptr;
            }
            u->slotCategory.push_back(i);
        }
        c.FlowNow = 1.0f;
    }
    if (static_cast<int>(u->slotCategory.size()) != s.VehCatCount + 1) {
        return nullptr;
    }
    for (int p : u->emitters) {
        if (p < 0 || static_cast<std::size_t>(p) >= s.CategoryEmission.size() ||
            s.CategoryEmission[static_cast<std::size_t>(p)].size() != static_cast<std::size_t>(s.VehCatCount) + 1) {
            return nullptr;
        }
    }
    u->speeds = speedProfiles(s);
    u->values.reserve(static_cast<std::size_t>(s.DayCases * s.Nhours * s.EmitterCount) * u->stride());
    for (int d = 1; d <= s.DayCases; ++d) {
        for (int h = 1; h <= s.Nhours; ++h) {
            const float speed1 = traffic.All.Vshort(h, d);
            const float speed2 = traffic.All.Vlong(h, d);
            const float coldStart = traffic.All.ColdStart(h, d) * 0.01f;
            for (int p : u->emitters) {
                if (!CalcHourlyEmissions(s, p, speed1, speed2, s.TrafficSpeedDefault, coldStart, nullptr)) {
                    return nullptr;
                }
                const std::vector<float> &cells = s.CategoryEmission[static_cast<std::size_t>(p)];
                u->values.insert(u->values.end(), cells.begin() + 1, cells.end());
                for (int i = 1; i <= s.VehCategories; ++i) {
                    const EmissionItem &e = lib.EmissionList.item(i);
                    u->values.push_back(p < static_cast<int>(e.QPOL.size()) ? e.QPOL[static_cast<std::size_t>(p)]
                                                                             : -99.0f);
                }
            }
        }
    }
    return u;
}

} // namespace

TrafficSetupCache::TrafficSetupCache() = default;
TrafficSetupCache::~TrafficSetupCache() = default;

std::shared_ptr<const ParsedTrafficFile> TrafficSetupCache::file(const std::string &path) {
    std::lock_guard lock(m_mutex);
    auto &kept = m_files[path];
    if (!kept) {
        kept = std::make_shared<const ParsedTrafficFile>(ParseTrafficFile(path));
    }
    return kept;
}

std::shared_ptr<const TrafficSetupCache::UnitEmissions>
TrafficSetupCache::unitEmissions(CalcState &s, const std::shared_ptr<const ParsedTrafficFile> &file) {
    // Streets whose speeds all differ would each add one: beyond a few, each street expands its own.
    constexpr std::size_t kMaxKept = 32;
    std::vector<float> speeds;
    try {
        speeds = speedProfiles(s);
    } catch (const std::out_of_range &) {
        return nullptr;
    }
    if (s.EmitterCount < 1 || static_cast<int>(s.EmitterIndex.size()) <= s.EmitterCount) {
        return nullptr;
    }
    const std::vector<int> emitters(s.EmitterIndex.begin() + 1, s.EmitterIndex.begin() + 1 + s.EmitterCount);
    std::lock_guard lock(m_mutex);
    for (const auto &u : m_units) {
        if (u->file == file && u->nhours == s.Nhours && u->dayCases == s.DayCases &&
            u->categories == s.VehCatCount && u->vehCategories == s.VehCategories &&
            u->defaultSpeed == s.TrafficSpeedDefault && u->emitters == emitters && u->speeds == speeds) {
            return u;
        }
    }
    if (m_units.size() >= kMaxKept) {
        return nullptr;
    }
    std::shared_ptr<UnitEmissions> made;
    try {
        made = makeUnitEmissions(s);
    } catch (const std::out_of_range &) {
        made = nullptr;
    }
    if (made) {
        made->file = file;
        m_units.push_back(made);
    }
    return made;
}

TrafficSetupResult SetUpStreetTraffic(CalcState &s, Interaction &ui, const std::string &streetsFolder,
                                      TrafficSetupCache *cache) {
    TrafficSetupResult result;
    if (s.TrafficFile.empty()) {
        result.outcome = TrafficSetupOutcome::NoTrafficFile;
        return result;
    }
    if (hasDriveLetter(s.TrafficFile)) {
        // Refused before the run's first hour; nothing is looked for under such a name.
        ui.message(driveLetterRefusal(s.TrafficFile, "the traffic file"), Icon::Critical);
        result.outcome = TrafficSetupOutcome::EndRun;
        return result;
    }
    s.DayNowVar = s.DayCaseEvaluator.defineVariable("DayNow");
    s.MonthNowVar = s.DayCaseEvaluator.defineVariable("MonthNow");
    const int savedNhours = s.Nhours;

    bool found = false;
    result.FilePath = trafficFilePath(s, streetsFolder, &found);
    if (!found) {
        result.outcome = TrafficSetupOutcome::FileNotFound;
        return result;
    }

    // The traffic file as read for this street (none when the loaded traffic is kept).
    std::shared_ptr<const ParsedTrafficFile> parsed;
    if (!s.TrafficFileLoaded || s.TrafficEdited) {
        s.TrafficEdited = false;
        if (!s.TrafficFileLoaded) {
            std::string error;
            if (cache != nullptr) {
                parsed = cache->file(result.FilePath);
                s.EmissionComponent.ReadTrafficFile(*parsed, s.AverageTrafficSpeed, s.AnnualDiurnalTraffic,
                                                    &error);
            } else {
                s.EmissionComponent.ReadTrafficFile(result.FilePath, s.AverageTrafficSpeed,
                                                    s.AnnualDiurnalTraffic, &error);
            }
            s.ErrorInTrafficFile = s.EmissionComponent.TrafficList.All.ErrorInTrafficFile;
            if (s.ErrorInTrafficFile) {
                ui.message(error, Icon::Critical);
                result.outcome = TrafficSetupOutcome::EndRun;
                return result;
            }
            s.TrafficFileLoaded = true;
        }
        copyTrafficProperties(s);
        if (savedNhours != s.Nhours) {
            Answer answer =
                ui.question("The averaging time for the Traffic File is different from the averaging "
                            "time specified in " +
                                s.ProjectFile + kCrLf + "Do you want to continue with this Traffic File?",
                            Buttons::YesNo, Icon::Question, Answer::Yes);
            if (answer != Answer::Yes) {
                result.outcome = TrafficSetupOutcome::EndRun;
                return result;
            }
        }
    }

    // The tables are indexed by the vehicle categories of the emission
    // set-up; the traffic file's categories must expand to exactly those.
    s.VehCatCount = s.EmissionComponent.VehicleCategories.Count();
    std::string mismatch = CategoryMismatch(s);
    if (!mismatch.empty()) {
        ui.message(mismatch, Icon::Critical);
        result.outcome = TrafficSetupOutcome::EndRun;
        return result;
    }
    const int npol = s.NPol + 1;
    s.FlowTable.resize(s.VehCatCount, s.Nhours, s.DayCases);
    s.CategoryEmissionTable.resize(npol, s.VehCatCount, s.Nhours, s.DayCases);
    s.CategoryEmission.assign(static_cast<size_t>(std::max(npol, 0)),
                              std::vector<float>(static_cast<size_t>(s.VehCatCount) + 1, 0.0f));
    ensureEmissionTable(s);
    if (s.DayCaseExprs.size() != static_cast<size_t>(s.DayCases) + 1) {
        s.DayCaseExprs.assign(static_cast<size_t>(s.DayCases) + 1, Expression());
    }

    const std::shared_ptr<const TrafficSetupCache::UnitEmissions> units =
        cache != nullptr && parsed ? cache->unitEmissions(s, parsed) : nullptr;
    s.ParsedCount = 0;
    for (int d = 1; d <= s.DayCases; ++d) {
        const std::string condition = DayCaseCondition(s.CodeDay[d], s.CodeMonth[d]);
        std::string why;
        bool ok = s.DayCaseEvaluator.parse(condition, &s.DayCaseExprs[d], &why);
        ++s.ParsedCount;
        if (!ok) {
            ui.message(condition + kCrLf + why, Icon::Critical);
            result.outcome = TrafficSetupOutcome::EndRun;
            return result;
        }
        std::string error;
        bool expanded = false;
        try {
            expanded = units ? expandDayCase(s, d, &error, units.get()) : ExpandDayCase(s, d, &error);
        } catch (const std::out_of_range &) {
            expanded = ExpandDayCase(s, d, &error);
        }
        if (!expanded) {
            ui.message(error, Icon::Critical);
            result.outcome = TrafficSetupOutcome::EndRun;
            return result;
        }
    }
    return result;
}

int FindDayCase(CalcState &s, Interaction &ui, int month, int weekday, int, const std::string &) {
    int result = 0;
    const bool inRange = weekday >= 1 && weekday <= 7 && month >= 1 && month <= 12;
    if (inRange) {
        const int count = std::min<int>(s.DayCases, static_cast<int>(s.DayCaseExprs.size()) - 1);
        for (int i = 1; i <= count; ++i) {
            s.DayCaseEvaluator.setVariable(s.DayNowVar, weekday);
            s.DayCaseEvaluator.setVariable(s.MonthNowVar, month);
            const double v = s.DayCaseEvaluator.evaluate(s.DayCaseExprs[i]);
            // NaN and values far outside any day-case answer never match.
            if (std::isfinite(v) && std::fabs(v) < 32768.0 && roundHalfEven(v) == 1) {
                result = i;
                break;
            }
        }
    }
    if (result == 0) {
        auto name = [](const auto &names, int n) {
            if (n >= 1 && n <= static_cast<int>(names.size()) && !names[n - 1].empty()) {
                return names[n - 1];
            }
            return std::to_string(n);
        };
        ui.message(std::string("There are no traffic data corresponding to the following conditions:") +
                       kCrLf + "Weekday: " + name(s.DayNames, weekday) + kCrLf +
                       "Month: " + name(s.MonthNames, month),
                   Icon::Critical);
    }
    return result;
}

} // namespace vesk
