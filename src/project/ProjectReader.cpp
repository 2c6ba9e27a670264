#include "project/ProjectReader.h"

#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "project/OptionFile.h"
#include "project/OptionValues.h"
#include "project/ProjectState.h"
#include "project/ProjectText.h"

#include <filesystem>
#include <set>

namespace vesk {

namespace {

constexpr int kMaxFieldsPerLine = 20;
// The longest line of a project file: far beyond any name, list or row it
// holds (a list is written an item a line).
constexpr std::size_t kMaxProjectLine = std::size_t{1} << 20;

// A line too short for its values, or a sector row shorter than the number of
// sectors: the user is offered to edit the file.
struct ShortLine {
    std::string text;
};

// A file list that does not begin with "[".
struct ListFormatError {};

// Any other damage (a missing line, a bad record, a table overflow).
struct Corrupted : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A value outside the values its field can take: the message names the
// file, the line and the field.
struct BadValue {
    std::string text;
};

class Lines {
public:
    explicit Lines(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

    std::string take() {
        if (m_next >= m_lines.size()) {
            throw Corrupted("unexpected end of the file");
        }
        return m_lines[m_next++];
    }
    bool atEnd() const { return m_next >= m_lines.size(); }
    // The number of the line taken last (1 for the first line).
    size_t lineNumber() const { return m_next; }

    // A print line split at blanks (a "," belongs to a number).
    std::vector<std::string> printFields() {
        auto f = ReadListLine(take(), ",");
        if (static_cast<int>(f.size()) > kMaxFieldsPerLine) {
            throw Corrupted("too many values on a line");
        }
        return f;
    }

    // A print line that must hold at least n values.
    std::vector<std::string> printFields(size_t n, const char *shortText) {
        auto f = printFields();
        if (f.size() < n) {
            throw ShortLine{shortText};
        }
        return f;
    }

    // A record line.
    RecordReader record() { return RecordReader(take()); }

private:
    std::vector<std::string> m_lines;
    size_t m_next = 0;
};

constexpr const char *kMissingInput = "Missing input variable in the configuration file!";
constexpr const char *kFewSectors = "Number of wind sectors is less than specified";

double number(const std::string &field) {
    return typedNumber(field);
}
int integer(const std::string &field) {
    return static_cast<int>(roundHalfEven(typedNumber(field)));
}

// One list of a file record: "[" first, lines joined by one blank until the
// line that ends in "]".
std::string readBracketList(Lines &lines) {
    std::string line = trim(lines.take());
    if (line.empty() || line[0] != '[') {
        throw ListFormatError{};
    }
    line.erase(0, 1);
    std::string list;
    for (bool first = true;; first = false) {
        const bool last = !line.empty() && line.back() == ']';
        if (last) {
            line.pop_back();
        }
        list += first ? line : " " + line;
        if (last) {
            return list;
        }
        line = trim(lines.take());
    }
}

template <class Table> void clearTable(Table &t) {
    for (auto &v : t) {
        v = {};
    }
}

// Reads one per-pollutant unit row into units, skipping unknown names.
void readUnitRow(const std::vector<std::string> &names, const std::vector<int> &index,
                 const std::vector<std::string> &fields, std::vector<std::string> &units) {
    if (fields.size() > names.size()) {
        throw Corrupted("more units than pollutants");
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        if (index[i] >= 0 && index[i] < static_cast<int>(units.size())) {
            units[index[i]] = toLower(trim(fields[i]));
        }
    }
}

void addDataFile(ProjectState &s, const std::string &kind, const std::string &name, bool checked,
                 Lines &lines) {
    int *count = nullptr;
    FileNameTable *files = nullptr, *vars = nullptr, *formats = nullptr, *scalings = nullptr, *rows = nullptr;
    FileFlagTable *flags = nullptr;
    if (kind == "input") {
        count = &s.NumInputFiles, files = &s.InputFiles, flags = &s.InputFileChecked;
        vars = &s.InputVarLists, formats = &s.InputFormatLists, scalings = &s.InputScalingLists;
    } else if (kind == "output") {
        count = &s.NumOutputFiles, files = &s.OutputFiles, flags = &s.OutputFileChecked;
        vars = &s.OutputVarLists, formats = &s.OutputFormatLists, scalings = &s.OutputScalingLists;
    } else {
        count = &s.NumStatFiles, files = &s.StatFiles, flags = &s.StatFileChecked;
        vars = &s.StatVarLists, formats = &s.StatFormatLists, scalings = &s.StatScalingLists;
        rows = &s.StatRowLists;
    }
    if (*count >= kMaxFilesPerKind) {
        throw Corrupted("more than 20 files of one kind");
    }
    const int i = ++*count;
    (*files)[i] = name;
    (*flags)[i] = checked;
    (*vars)[i] = readBracketList(lines);
    (*formats)[i] = readBracketList(lines);
    (*scalings)[i] = readBracketList(lines);
    if (rows) {
        (*rows)[i] = readBracketList(lines);
    }
}

// The file records. Returns normally or throws.
void readFileRecords(ProjectState &s, Lines &lines) {
    for (int r = 1; r <= s.NumFileRecords; ++r) {
        RecordReader rec = lines.record();
        const std::string name = rec.readString();
        const bool flag = rec.readBool();
        const std::string kind = toLower(trim(rec.readString()));
        if (kind == "traffic") {
            // The short form has an empty number and an empty text.
            s.AnnualDiurnalTraffic = rec.atEnd() ? 0 : rec.readDouble();
            s.AverageTrafficSpeed = rec.atEnd() ? 0 : Val(rec.readString());
        } else if (kind == "map") {
            s.MapCoord1 = rec.readDouble();
            s.MapCoord2 = rec.readDouble();
            s.MapCoord3 = rec.readDouble();
            s.MapCoord4 = rec.readDouble();
        }
        if (kind == "input" || kind == "output" || kind == "stat") {
            addDataFile(s, kind, name, flag, lines);
        } else if (kind == "traffic") {
            s.TrafficListItems.push_back(name);
            if (flag) {
                s.TrafficFile = name;
                s.TrafficFileLoaded = false;
            }
        } else if (!flag) {
            // Records of the other kinds count only when their flag is set.
        } else if (kind == "streets") {
            s.StreetsFile = name;
            s.MultiStreetMode = true;
            s.TrafficFileLoaded = false;
        } else if (kind == "route") {
            s.RouteFile = name;
            s.RouteMode = true;
            s.TrafficFileLoaded = false;
        } else if (kind == "map") {
            s.MapFile = name;
        } else if (kind == "fleet") {
            s.VehicleListFile = name;
        } else if (kind == "fuel") {
            s.FuelListFile = name;
        } else if (kind == "conditions") {
            s.ConditionsFile = name;
        }
    }
    // The traffic file in use is the checked top item of its list.
    if (!s.TrafficFile.empty()) {
        auto &items = s.TrafficListItems;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i] == s.TrafficFile) {
                items.erase(items.begin() + static_cast<long>(i));
                break;
            }
        }
        items.insert(items.begin(), s.TrafficFile);
    }
}

std::string folderOfProject(const std::string &path) {
    auto cut = path.find_last_of("/\\");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

} // namespace

void clearProjectFiles(ProjectState &s) {
    s.NumInputFiles = s.NumOutputFiles = s.NumStatFiles = 0;
    for (FileNameTable *t :
         {&s.InputFiles, &s.InputVarLists, &s.InputFormatLists, &s.InputScalingLists, &s.OutputFiles,
          &s.OutputVarLists, &s.OutputFormatLists, &s.OutputScalingLists, &s.StatFiles, &s.StatVarLists,
          &s.StatFormatLists, &s.StatScalingLists, &s.StatRowLists}) {
        clearTable(*t);
    }
    s.InputFileChecked.fill(false);
    s.OutputFileChecked.fill(false);
    s.StatFileChecked.fill(false);
    s.TrafficListItems.clear();
    s.TrafficFile.clear();
    s.VehicleListFile.clear();
    s.FuelListFile.clear();
    s.RouteFile.clear();
    s.StreetsFile.clear();
    s.MapFile.clear();
    s.ConditionsFile.clear();
    s.RouteMode = false;
    s.MultiStreetMode = false;
    // The emission set-up belongs to the vehicle and fuel lists just emptied:
    // the next project's lists are set up afresh, as after start-up.
    s.EmissionReady = false;
    s.StdEmissionSetup = false;
    s.EmissionInitError = 0;
    s.FleetDataUnsaved = false;
}

void copyStoredToWorking(ProjectState &s) {
    s.StreetName = s.StoredStreetName;
    s.StreetHeight = s.StoredStreetHeight;
    s.StreetWidth = s.StoredStreetWidth;
    s.StreetLength_1 = s.StoredStreetLength_1;
    s.StreetLength_2 = s.StoredStreetLength_2;
    s.StreetOrientation = s.StoredStreetOrientation;
    s.NumWindSectors = s.StoredNumWindSectors;
    for (int i = 1; i <= s.SectorColumns && i <= kMaxSectors; ++i) {
        s.SectorStart[i] = s.StoredSectorStart[i];
        s.SectorEnd[i] = s.StoredSectorEnd[i];
        s.SectorValue[i] = s.StoredSectorValue[i];
    }
    s.Receptor1 = s.StoredReceptor1;
    s.Receptor2 = s.StoredReceptor2;
    s.TrafficLight = s.StoredTrafficLight;
    s.TrafficHeavy = s.StoredTrafficHeavy;
    s.SpeedLight = s.StoredSpeedLight;
    s.SpeedHeavy = s.StoredSpeedHeavy;
    s.EmFactorLight = s.StoredEmFactorLight;
    s.EmFactorHeavy = s.StoredEmFactorHeavy;
    s.WindIntegration = s.StoredWindIntegration;
    s.CalcNO2 = s.StoredCalcNO2;
    s.BackgroundNOx = s.StoredBackgroundNOx;
    s.BackgroundNO2 = s.StoredBackgroundNO2;
    s.BackgroundO3 = s.StoredBackgroundO3;
    s.AirTemperature = s.StoredAirTemperature;
    s.GlobalRadiation = s.StoredGlobalRadiation;
    s.WindSpeeds = s.StoredWindSpeeds;
    s.WindDirStart = s.StoredWindDirStart;
    s.WindDirEnd = s.StoredWindDirEnd;
    s.WindDirStep = s.StoredWindDirStep;
}

LoadResult LoadProject(ProjectState &s, Interaction &ui) {
    LoadResult result;
    const int pollutants = s.NPol + 1;
    s.InputUnit.assign(pollutants, "");
    s.OutputUnit.assign(pollutants, "");

    s.LoadFailed = false;
    s.TrafficFileType = -1;
    s.StartAuto = s.EndAuto = true;
    s.StartDate = s.EndDate = PeriodDate{};
    s.StartHour = s.EndHour = 0;
    s.DateError = s.HourError = false;
    s.ProjectCountry.clear();
    s.LastInputDir.clear();
    s.LastTrafficDir.clear();

    auto fail = [&](LoadOutcome outcome) {
        s.LoadFailed = true;
        result.outcome = outcome;
        return result;
    };

    std::string path = findExisting(nativePath(s.ProjectFile));
    if (!path.empty()) {
        // The working folder is kept as a full path, whatever the current folder becomes.
        std::error_code ec;
        auto full = std::filesystem::absolute(path, ec);
        if (!ec) {
            path = full.lexically_normal().string();
        }
    }
    std::string text, error;
    if (s.ProjectFile.empty() || !readTextFile(path, &text, &error)) {
        ui.message("Can't open the file\r\n" + s.ProjectFile, Icon::Critical);
        s.ProjectFile.clear();
        return fail(LoadOutcome::Failed);
    }
    if (!s.UntitledProject) {
        s.WorkDir = folderOfProject(path);
    }
    s.ViewFilePath = path;
    s.ViewZoom = 1;
    s.ViewAngle = 0;
    s.ViewHeight = 100;
    s.SectorUsed.fill(false);
    s.SectorStart.fill(0);
    s.SectorEnd.fill(0);

    std::vector<std::string> split = splitLines(text);
    for (std::size_t i = 0; i < split.size(); ++i) {
        if (split[i].size() > kMaxProjectLine) {
            ui.message("Can't open the file\r\n" + path + "\r\nIts line " + std::to_string(i + 1) +
                           " is longer than " + std::to_string(kMaxProjectLine) +
                           " characters: this is not a project file.",
                       Icon::Critical);
            s.ProjectFile.clear();
            return fail(LoadOutcome::Failed);
        }
    }
    Lines lines(std::move(split));
    bool continueInSpecialMode = false;
    try {
        // Line 1: street, year and (optionally) country, split at commas.
        auto first = ReadListLine(lines.take(), ".");
        if (first.size() < 2) {
            throw Corrupted("the first line lacks the street or the year");
        }
        s.StoredStreetName = withoutQuotes(first[0]);
        s.ScenarioYear = integer(first[1]);
        if (first.size() == 3) {
            s.ProjectCountry = withoutQuotes(first[2]);
            if (!iequals(s.ProjectCountry, s.CurrentCountry)) {
                auto a = ui.question(
                    "This project was created with Country settings for " + s.ProjectCountry +
                        ".\r\nThe current Country setting for the program is " + s.CurrentCountry +
                        ".\r\nThis can result in errors when running the project!\r\n\r\nIt's recommended to "
                        "close the project and change the Country setting!\r\n\r\nPress Cancel to close the "
                        "project. Press OK to continue loading the project.",
                    Buttons::OkCancel, Icon::Information, Answer::Ok);
                if (a == Answer::Cancel) {
                    return fail(LoadOutcome::Cancelled);
                }
            }
        }
        s.ProjectHeaders[1] = lines.take();
        s.ProjectHeaders[2] = lines.take();

        auto geometry = lines.printFields(5, kMissingInput);
        s.StoredStreetHeight = number(geometry[0]);
        s.StoredStreetWidth = number(geometry[1]);
        s.StoredStreetLength_1 = number(geometry[2]);
        s.StoredStreetLength_2 = number(geometry[3]);
        s.StoredStreetOrientation = number(geometry[4]);

        s.ProjectHeaders[4] = lines.take();
        s.ProjectHeaders[5] = lines.take();
        s.StoredNumWindSectors = integer(lines.record().readString());
        if (s.StoredNumWindSectors < 0 || s.StoredNumWindSectors > kMaxSectors) {
            throw Corrupted("number of wind sectors out of range");
        }
        s.ProjectHeaders[7] = lines.take();
        SectorTable *stored[3] = {&s.StoredSectorStart, &s.StoredSectorEnd, &s.StoredSectorValue};
        for (auto *row : stored) {
            auto f = lines.printFields(static_cast<size_t>(s.StoredNumWindSectors), kFewSectors);
            if (f.size() > static_cast<size_t>(kMaxSectors)) {
                throw Corrupted("more than 12 wind sectors");
            }
            s.SectorColumns = static_cast<int>(f.size());
            for (size_t i = 0; i < f.size(); ++i) {
                (*row)[i + 1] = number(f[i]);
            }
        }
        for (int i = 1; i <= s.StoredNumWindSectors; ++i) {
            s.SectorUsed[i] = true;
        }

        s.ProjectHeaders[11] = lines.take();
        s.ProjectHeaders[12] = lines.take();
        auto receptors = lines.printFields(3, kMissingInput);
        // A receptor is in use (1) or not (0): another value would switch
        // the side off without a word.
        for (int side = 1; side <= 2; ++side) {
            const std::string &field = receptors[static_cast<size_t>(side - 1)];
            const std::optional<double> value = parseNumber(field);
            const long flag = value ? roundHalfEven(*value) : -1;
            if (flag != 0 && flag != 1) {
                throw BadValue{path + ", line " + std::to_string(lines.lineNumber()) +
                               ": the receptor of side " + std::to_string(side) + " is " + trim(field) +
                               " (1 in use, 0 not in use)"};
            }
            (side == 1 ? s.StoredReceptor1 : s.StoredReceptor2) = static_cast<int>(flag);
        }
        s.RecHeight = number(receptors[2]);

        s.ProjectHeaders[14] = lines.take();
        s.ProjectHeaders[15] = lines.take();
        auto traffic = lines.printFields(4, kMissingInput);
        s.StoredTrafficLight = number(traffic[0]);
        s.StoredTrafficHeavy = number(traffic[1]);
        s.StoredSpeedLight = number(traffic[2]);
        s.StoredSpeedHeavy = number(traffic[3]);
        auto factors = lines.printFields(2, kMissingInput);
        s.StoredEmFactorLight = number(factors[0]);
        s.StoredEmFactorHeavy = number(factors[1]);
        s.StoredWindIntegration = 1;
        s.TrafficTurbulence = true;
        s.NoWindAcceleration = false;
        s.NumFileRecords = 0;
        s.Nhours = 24;

        s.ProjectHeaders[18] = lines.take();
        for (int k = 0; k < pollutants; ++k) {
            s.InputUnit[k] = k < static_cast<int>(s.StdInputUnits.size()) ? s.StdInputUnits[k] : "";
            s.OutputUnit[k] = k < static_cast<int>(s.DefOutputUnits.size()) ? s.DefOutputUnits[k] : "";
        }
        if (!s.UntitledProject) {
            std::vector<std::string> names;
            for (auto &f : lines.printFields()) {
                names.push_back(trim(f));
            }
            std::vector<int> index;
            std::set<std::string> reported;
            for (auto &name : names) {
                index.push_back(pollutantIndex(s, name));
                if (index.back() < 0 && reported.insert(toLower(name)).second) {
                    ui.message(
                        "The pollutant " + name +
                            ", refered to in the VESK Project File, is not in the Pollutants List.\r\n"
                            "This pollutant must be deleted from any Input/Output Variable List used in "
                            "the current project.",
                        Icon::Exclamation);
                }
            }
            readUnitRow(names, index, lines.printFields(), s.InputUnit);
            s.ProjectHeaders[21] = lines.take();
            readUnitRow(names, index, lines.printFields(), s.OutputUnit);
        }
        s.ProjectHeaders[23] = lines.take();
        {
            RecordReader count = lines.record();
            s.NumFileRecords = static_cast<int>(count.readLong());
            s.Nhours = static_cast<int>(count.readLong());
            s.CitySize = static_cast<int>(count.readLong());
        }
        if (s.NumFileRecords < 0) {
            throw Corrupted("negative number of file records");
        }

        clearProjectFiles(s);
        if (!s.UntitledProject && s.NumFileRecords == 0) {
            auto a = ui.question("No input files are specified. Continue with Special Mode ?", Buttons::YesNo,
                                 Icon::Question, Answer::Yes);
            if (a != Answer::Yes) {
                return fail(LoadOutcome::Cancelled);
            }
            continueInSpecialMode = true;
        }
        readFileRecords(s, lines);

        if (s.TrailingValue <= 0 && !lines.atEnd()) {
            try {
                RecordReader last = lines.record();
                if (!last.atEnd()) {
                    s.TrailingValue = last.readDouble();
                }
            } catch (const RecordError &) {
                // A last line that is no number is ignored.
            }
        }
    } catch (const ShortLine &flow) {
        auto a = ui.question(flow.text + "\r\nDo you want to edit the loaded configuration file?",
                             Buttons::YesNoCancel, Icon::Exclamation, Answer::No);
        result.editRequested = a == Answer::Yes;
        return fail(LoadOutcome::Failed);
    } catch (const BadValue &bad) {
        auto a = ui.question("Project file is corrupted\r\n" + bad.text +
                                 "\r\nDo you want to edit the loaded configuration file?",
                             Buttons::YesNoCancel, Icon::Exclamation, Answer::No);
        result.editRequested = a == Answer::Yes;
        return fail(LoadOutcome::Failed);
    } catch (const ListFormatError &) {
        ui.message("Format error\r\nFile Assignment is terminated", Icon::Critical);
        clearProjectFiles(s);
        s.NumFileRecords = 0;
        return fail(LoadOutcome::Failed);
    } catch (const std::runtime_error &) {
        auto a =
            ui.question("Project file is corrupted\r\nDo you want to edit the loaded configuration file?",
                        Buttons::YesNoCancel, Icon::Exclamation, Answer::No);
        result.editRequested = a == Answer::Yes;
        return fail(LoadOutcome::Failed);
    }

    s.UnsavedFleetYear = -100;
    s.LoadedScenarioYear = s.ScenarioYear;
    s.ScenarioYearText = s.ScenarioYear >= 1 ? std::to_string(s.ScenarioYear) : std::string();

    if (!readProjectOptionFile(s, ui, continueInSpecialMode)) {
        return fail(LoadOutcome::Failed);
    }
    copyStoredToWorking(s);
    repairAndReportOptionCodes(s, ui);
    s.TrafficFileSaved = true;
    s.TrafficFileOpened = false;
    result.outcome = LoadOutcome::Loaded;
    return result;
}

} // namespace vesk
