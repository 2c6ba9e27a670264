#include "project/InitProgram.h"

#include "core/CountryLists.h"
#include "core/EmissionLibraryTools.h"
#include "core/ListReading.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "project/ProjectCountry.h"

#include <chrono>
#include <cmath>

namespace vesk {

namespace {

void setNationalFolders(CoreState &s) {
    s.ListsDir = s.AppDir + "Lists/National/" + s.CountryCode + "/";
    s.EmissionDir = s.AppDir + "Data/Emission/National/" + s.CountryCode + "/";
    s.TrafficDir = s.AppDir + "Data/Traffic/National/" + s.CountryCode + "/";
    s.MetBackDir = s.AppDir + "Data/MetBack/National/" + s.CountryCode + "/";
}

std::string withoutQuotes(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c != '"') {
            out += c;
        }
    }
    return out;
}

void readCountries(CoreState &s, std::string *fileName) {
    s.CountryList.clear();
    RecordReader r = openListFile(s.AppDir + "Countries.ini", fileName);
    r.readHeaderLine();
    while (!r.atEnd()) {
        CountryItem item;
        item.Name = r.readString();
        item.code = r.readString();
        item.IsDefault = r.readBool();
        if (s.CountryList.add(item.Name, item) == nullptr) {
            throw ListLoadError(kErrDuplicateKey, kDuplicateKeyText);
        }
        if (item.IsDefault) {
            s.CountryCode = item.code;
            s.CurrentCountry = item.Name;
            setNationalFolders(s);
        }
    }
}

// The countries added earlier through "Add New", as name and code pairs.
void addRegisteredCountries(CoreState &s, Settings &settings) {
    const std::string names = settings.value("NewCountries", "Country Names");
    if (trim(names).empty()) {
        return;
    }
    const std::vector<std::string> fields = SplitList(names);
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        CountryItem item;
        item.Name = withoutQuotes(fields[i]);
        item.code = withoutQuotes(fields[i + 1]);
        s.CountryList.add(item.Name, item); // a name already listed is skipped
    }
}

void readVehicleTypesAndFuels(CoreState &s, std::string *fileName) {
    {
        RecordReader r = openListFile(s.SharedListsDir + "StVehTypes.lst", fileName);
        s.StVehTypeNames.assign(1, std::string());
        s.StVehTypeLongNames.assign(1, std::string());
        s.StVehTypeLengthClass.assign(1, 0);
        s.StVehTypeCount = 0;
        while (!r.atEnd()) {
            std::string name = r.readString();
            std::string longName = r.readString();
            const int lengthClass = static_cast<int>(r.readLong());
            s.StVehTypeNames.push_back(std::move(name));
            s.StVehTypeLongNames.push_back(std::move(longName));
            s.StVehTypeLengthClass.push_back(lengthClass);
            ++s.StVehTypeCount;
        }
    }
    RecordReader r = openListFile(s.SharedListsDir + "StFuels.lst", fileName);
    s.StFuelNames.assign(1, std::string());
    s.StFuelCount = 0;
    while (!r.atEnd()) {
        s.StFuelNames.push_back(r.readString());
        ++s.StFuelCount;
    }
}

std::string startFailureText(int number, const std::string &text, const std::string &fileName) {
    if (number == kErrEndOfFile) {
        return "Unexpected End of File in " + fileName;
    }
    if (number == kErrFileMissing) {
        return "The file " + fileName + " is missing!";
    }
    return text;
}

} // namespace

bool InitProgram(ProjectState &s, const std::string &programDir, Interaction &ui, Settings &settings,
                 const CountryChooser &chooseCountry) {
    std::string fileName;
    try {
        s.ProjectLoaded = false;
        s.OpenFromRecent = false;
        s.OptionsLastTab = {-1, -1};
        s.ModelEnv = ModelEnvironment();
        s.TrafficSpeedDefault = 15.0f;
        s.DecimalSeparator = s.SysSettings.DecimalSeparator();
        s.ModelEnv.DecimalSeparator = s.DecimalSeparator;
        s.SysSettingsFlag = s.SysSettings.Flag();
        s.TrafficFileType = -1;
        s.NumReceptors = 2;
        s.NumberFormat = "0.#0";
        s.ResultsTableColor = 0x80000000L;
        s.AppDir = withTrailingSlash(nativePath(programDir));
        s.ModelEnv.AppDir = s.AppDir;

        s.CurrentCountry.clear();
        s.CountryCode.clear();
        readCountries(s, &fileName);

        if (s.CurrentCountry.empty()) {
            addRegisteredCountries(s, settings);
            if (chooseCountry) {
                chooseCountry(s);
            }
            s.CountryDialogShown = true;
            if (s.CurrentCountry.empty()) {
                s.ErrorCode = 100;
                return false;
            }
            setNationalFolders(s);
        }
        s.LoadedCountry = s.CurrentCountry;
        s.StartCountry = s.CurrentCountry;

        s.SharedEmissionDir = s.AppDir + "Data/Emission/Shared/";
        s.SharedListsDir = s.AppDir + "Lists/Shared/";
        s.ModelEnv.SharedEmissionDir = s.SharedEmissionDir;
        s.ModelEnv.SharedListsDir = s.SharedListsDir;

        {
            RecordReader r = openListFile(s.AppDir + "MathPars.ini", &fileName);
            s.MathParsText = r.readString();
            s.ModelEnv.MathPars = s.MathParsText;
        }
        readVehicleTypesAndFuels(s, &fileName);

        s.Pi = static_cast<float>(4.0 * std::atan(1.0));
        s.DegToRad = s.Pi / 180.0f;
        s.SketchForeColor = 0;
        s.SketchBrushes = kSketchBrushColors;
        s.ButtonFaceColor = 0x8000000FL;
        s.ModelEnv.Color = s.ButtonFaceColor;

        if (s.CurrentYear <= 0) {
            const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
            s.CurrentYear = static_cast<int>(std::chrono::year_month_day(today).year());
        }
        std::string error;
        if (!LoadProjectCountryLists(s, ui, &fileName, nullptr, &error)) {
            const int number = static_cast<int>(s.ErrorCode);
            s.ErrorCode = 100;
            ui.message("Can't start the program\r\n" + startFailureText(number, error, fileName),
                       Icon::Critical);
            return false;
        }
        s.ShowFileDialog = true;
        s.ProjectLoaded = true;
        return true;
    } catch (...) {
        const ListFailure failure = currentListFailure();
        s.ErrorCode = 100;
        ui.message("Can't start the program\r\n" + startFailureText(failure.number, failure.text, fileName),
                   Icon::Critical);
        return false;
    }
}

} // namespace vesk
