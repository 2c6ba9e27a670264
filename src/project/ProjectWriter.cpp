#include "project/ProjectWriter.h"

#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "project/Lifecycle.h"
#include "project/OptionFile.h"
#include "project/PrintColumns.h"
#include "project/ProjectFolder.h"
#include "project/ProjectState.h"
#include "project/ProjectText.h"
#include "project/RecentFiles.h"

#include <algorithm>
#include <filesystem>

namespace vesk {

namespace {

bool isRouteOrMulti(const ProjectState &s) {
    return s.RouteMode || s.MultiStreetMode;
}

// Replaces a leading folder (compared without regard to case) by replacement
// and a "\", the form the national list files are named by in project files.
std::string replaceLeadingFolder(const std::string &name, std::string folder,
                                 const std::string &replacement) {
    while (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) {
        folder.pop_back();
    }
    if (folder.empty() || name.size() <= folder.size() || !startsWithI(name, folder)) {
        return name;
    }
    char next = name[folder.size()];
    if (next != '/' && next != '\\') {
        return name;
    }
    return replacement + "\\" + name.substr(folder.size() + 1);
}

void headerLine(std::string &out, const ProjectState &s, int index) {
    out += s.ProjectHeaders[index];
    out += kCrLf;
}

std::string recordLine(RecordWriter &w) {
    w.endRecord();
    return w.str();
}

void sectorRows(std::string &out, const ProjectState &s) {
    const int c = std::clamp(s.SectorColumns, 0, kMaxSectors);
    const SectorTable *rows[3] = {&s.SectorStart, &s.SectorEnd, &s.SectorValue};
    if (isRouteOrMulti(s) || c == 0) {
        out += std::string(kCrLf) + kCrLf + kCrLf;
        return;
    }
    // Column i + 1 starts two blanks past the widest of the three values of
    // column i, so every printed number keeps its blanks.
    std::vector<int> start(c, 2);
    for (int i = 1; i < c; ++i) {
        size_t widest = 0;
        for (auto *row : rows) {
            widest = std::max(widest, formatNumber((*row)[i]).size());
        }
        start[i] = start[i - 1] + 2 + static_cast<int>(widest);
    }
    for (auto *row : rows) {
        PrintLine p;
        for (int i = 1; i <= c; ++i) {
            if (i > 1) {
                p.tab(start[i - 1]);
            }
            p.number((*row)[i]);
        }
        out += p.str() + kCrLf;
    }
}

} // namespace

ProjectSaveNames defaultSaveNames(const ProjectState &s) {
    ProjectSaveNames names;
    names.country = s.ProjectCountry.empty() ? s.CurrentCountry : s.ProjectCountry;
    names.fleet = replaceLeadingFolder(s.VehicleListFile, s.ListsDir, ".");
    names.fuel = replaceLeadingFolder(s.FuelListFile, s.ListsDir, ".");
    names.conditions = storedNameFor(s.ConditionsFile, s.WorkDir);
    return names;
}

int countFileRecords(const ProjectState &s, const ProjectSaveNames &names) {
    int n = s.NumInputFiles + s.NumOutputFiles + s.NumStatFiles;
    for (const std::string *name : {&s.TrafficFile, &s.RouteFile, &s.StreetsFile, &s.MapFile, &names.fleet,
                                    &names.fuel, &names.conditions}) {
        n += name->empty() ? 0 : 1;
    }
    return n;
}

std::string formatBracketList(std::string_view list) {
    // A line per item: each comma ends a line, and the blanks after it go.
    // The rest is a view that only moves forward, so a long list takes time
    // in proportion to its length.
    const std::string whole = "[" + std::string(list) + "]";
    std::string_view rest = whole;
    std::string out;
    out.reserve(whole.size() + 16);
    for (;;) {
        const auto comma = rest.find(',');
        if (comma == std::string_view::npos) {
            out += rest;
            out += kCrLf;
            return out;
        }
        out += rest.substr(0, comma + 1);
        out += kCrLf;
        rest.remove_prefix(comma + 1);
        const auto next = rest.find_first_not_of(" \t\r\n");
        rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
    }
}

std::string formatProjectFile(const ProjectState &s, const ProjectSaveNames &names) {
    std::string out;
    {
        RecordWriter w;
        w.string(s.StreetName);
        w.integer(s.ScenarioYear);
        w.string(names.country);
        out += recordLine(w);
    }
    headerLine(out, s, 1);
    headerLine(out, s, 2);

    const bool zeroStreet = isRouteOrMulti(s);
    {
        PrintLine p;
        const double geometry[5] = {s.StreetHeight, s.StreetWidth, s.StreetLength_1, s.StreetLength_2,
                                    s.StreetOrientation};
        for (int i = 0; i < 5; ++i) {
            if (i > 0) {
                p.zone();
            }
            p.number(zeroStreet ? 0.0 : geometry[i]);
        }
        out += p.str() + kCrLf;
    }
    headerLine(out, s, 4);
    headerLine(out, s, 5);
    out += printNumber(zeroStreet ? 0 : s.NumWindSectors) + kCrLf;
    headerLine(out, s, 7);
    sectorRows(out, s);
    headerLine(out, s, 11);
    headerLine(out, s, 12);
    {
        PrintLine p;
        p.spc(9);
        p.number(zeroStreet ? 0 : s.Receptor1);
        p.zone();
        p.spc(9);
        p.number(zeroStreet ? 0 : s.Receptor2);
        p.zone();
        p.spc(9);
        p.number(zeroStreet ? 0.0 : s.RecHeight);
        out += p.str() + kCrLf;
    }
    headerLine(out, s, 14);
    headerLine(out, s, 15);
    {
        PrintLine p;
        p.number(s.TrafficLight);
        p.zone();
        p.number(s.TrafficHeavy);
        p.zone();
        p.number(s.SpeedLight);
        p.zone();
        p.number(s.SpeedHeavy);
        out += p.str() + kCrLf;
    }
    {
        PrintLine p;
        p.number(s.EmFactorLight);
        p.zone();
        p.number(s.EmFactorHeavy);
        out += p.str() + kCrLf;
    }
    headerLine(out, s, 18);

    const int n = s.NPol;
    auto unitAt = [](const std::vector<std::string> &v, int k) {
        return k < static_cast<int>(v.size()) ? v[k] : std::string();
    };
    std::vector<std::string> names10, input10, output10;
    for (int k = 0; k <= n; ++k) {
        names10.push_back(k < static_cast<int>(s.PollutantNames.size()) ? s.PollutantNames[k] : "");
        input10.push_back(unitAt(s.InputUnit, k));
        output10.push_back(unitAt(s.OutputUnit, k));
    }
    out += pollutantColumns(names10) + kCrLf;
    out += pollutantColumns(input10) + kCrLf;
    out += pollutantColumns(names10) + kCrLf;
    out += pollutantColumns(output10) + kCrLf;
    headerLine(out, s, 23);

    const int records = countFileRecords(s, names);
    {
        RecordWriter w;
        w.integer(records);
        w.integer(s.Nhours);
        w.integer(s.CitySize);
        out += recordLine(w);
    }
    if (records < 1) {
        return out;
    }

    auto fileRecord = [&](const std::string &name, bool flag, const char *kind) {
        RecordWriter w;
        w.string(name);
        w.boolean(flag);
        w.string(kind);
        out += recordLine(w);
    };
    for (int i = 1; i <= s.NumInputFiles; ++i) {
        fileRecord(s.InputFiles[i], s.InputFileChecked[i], "input");
        out += formatBracketList(s.InputVarLists[i]);
        out += formatBracketList(s.InputFormatLists[i]);
        out += formatBracketList(s.InputScalingLists[i]);
    }
    for (int i = 1; i <= s.NumOutputFiles; ++i) {
        fileRecord(s.OutputFiles[i], s.OutputFileChecked[i], "output");
        out += formatBracketList(s.OutputVarLists[i]);
        out += formatBracketList(s.OutputFormatLists[i]);
        out += formatBracketList(s.OutputScalingLists[i]);
    }
    for (int i = 1; i <= s.NumStatFiles; ++i) {
        fileRecord(s.StatFiles[i], s.StatFileChecked[i], "stat");
        out += formatBracketList(s.StatVarLists[i]);
        out += formatBracketList(s.StatFormatLists[i]);
        out += formatBracketList(s.StatScalingLists[i]);
        out += formatBracketList(s.StatRowLists[i]);
    }
    if (!s.TrafficFile.empty()) {
        RecordWriter w;
        w.string(s.TrafficFile);
        w.boolean(true);
        w.string("traffic");
        std::string line = recordLine(w);
        line.resize(line.size() - 2);
        if (s.AnnualDiurnalTraffic > 0) {
            line += "," + formatNumber(s.AnnualDiurnalTraffic) + "," + formatNumber(s.AverageTrafficSpeed);
        } else {
            line += ",,\"\"";
        }
        out += line + kCrLf;
    }
    if (!s.RouteFile.empty()) {
        fileRecord(s.RouteFile, true, "route");
    }
    if (!s.StreetsFile.empty()) {
        fileRecord(s.StreetsFile, true, "streets");
    }
    if (!s.MapFile.empty()) {
        RecordWriter w;
        w.string(s.MapFile);
        w.boolean(true);
        w.string("map");
        w.number(s.MapCoord1);
        w.number(s.MapCoord2);
        w.number(s.MapCoord3);
        w.number(s.MapCoord4);
        out += recordLine(w);
    }
    if (!names.fleet.empty()) {
        fileRecord(names.fleet, true, "fleet");
    }
    if (!names.fuel.empty()) {
        fileRecord(names.fuel, true, "fuel");
    }
    if (!names.conditions.empty()) {
        fileRecord(names.conditions, true, "conditions");
    }
    if (s.TrailingValue > 0) {
        out += formatNumber(s.TrailingValue) + kCrLf;
    }
    return out;
}

bool writeProjectFile(const ProjectState &s, const ProjectSaveNames &names, const std::string &path,
                      std::string *error) {
    // A double quote cannot be written inside a record's text: refuse rather
    // than write a file that no longer reads.
    std::vector<std::pair<const char *, const std::string *>> texts = {{"street name", &s.StreetName},
                                                                       {"country name", &names.country}};
    for (int i = 1; i <= s.NumInputFiles; ++i) {
        texts.push_back({"file name", &s.InputFiles[i]});
    }
    for (int i = 1; i <= s.NumOutputFiles; ++i) {
        texts.push_back({"file name", &s.OutputFiles[i]});
    }
    for (int i = 1; i <= s.NumStatFiles; ++i) {
        texts.push_back({"file name", &s.StatFiles[i]});
    }
    for (const std::string *name : {&s.TrafficFile, &s.RouteFile, &s.StreetsFile, &s.MapFile, &names.fleet,
                                    &names.fuel, &names.conditions}) {
        texts.push_back({"file name", name});
    }
    for (auto &[what, text] : texts) {
        if (!isStorableName(*text)) {
            if (error) {
                *error = unstorableNameMessage(what) + " " + *text;
            }
            return false;
        }
    }
    return writeFileAtomically(path, formatProjectFile(s, names), error);
}

std::string windowCaption(const ProjectState &s) {
    if (!projectOpen(s)) {
        return "WinVESK";
    }
    return std::string(s.CalcMode == 0 ? "WinVESK Special Mode" : "WinVESK Calculation") + " [" +
           s.ProjectName + "]";
}

namespace {

std::vector<std::string> projectFilters(const ProjectState &s) {
    if (s.MultiStreetMode) {
        return {"VESK Multi Streets Project (*.vkm)", "Text (*.txt)", "All (*.*)"};
    }
    return {"VESK Project (*.vkp)", "Text (*.txt)", "All (*.*)"};
}

bool folderIsReadOnly(const std::string &folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    auto st = fs::status(folder.empty() ? "." : folder, ec);
    if (ec || !fs::exists(st)) {
        return false;
    }
    return (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

} // namespace

SaveResult saveProject(ProjectState &s, Interaction &ui) {
    bool withoutLists = false;
    if (s.VehicleListFile.find('[') != std::string::npos || s.FuelListFile.find('[') != std::string::npos) {
        auto a =
            ui.question("The currently used Fleet Share or Fuel data are not saved to a permanent file and "
                        "can't be saved with the project!\r\nDo you want to save the project without "
                        "these files?",
                        Buttons::YesNo, Icon::Information, Answer::No);
        if (a != Answer::Yes) {
            return SaveResult::Cancelled;
        }
        withoutLists = true;
    }
    if (s.UntitledProject) {
        FileChoice choice;
        choice.folder = s.WorkDir;
        choice.filters = projectFilters(s);
        choice.save = true;
        choice.field = "the project file";
        auto chosen = ui.chooseFile(choice);
        if (!chosen || chosen->empty()) {
            return SaveResult::Cancelled;
        }
        s.ProjectFile = *chosen;
        s.ProjectName = *chosen;
        s.UntitledProject = false;
        moveProjectFolder(s, folderPart(*chosen)); // the names keep naming the files the project used
    }
    // The names are those of the project's folder as it now stands.
    ProjectSaveNames names = defaultSaveNames(s);
    if (withoutLists) {
        names.fleet.clear();
        names.fuel.clear();
    }
    if (!s.ProjectCountry.empty() && !iequals(s.ProjectCountry, s.CurrentCountry)) {
        auto a =
            ui.question("The Country setting for this project is different from the current Country "
                        "setting!\r\nDo you want to change the Country setting of the project to the current "
                        "Country setting (" +
                            s.CurrentCountry +
                            ")?\r\n\r\nPress Yes to change the Country setting, press NO to keep the "
                            "present Country setting.",
                        Buttons::YesNo, Icon::Information, Answer::No);
        names.country = a == Answer::Yes ? s.CurrentCountry : s.ProjectCountry;
    }
    std::string error;
    if (!writeProjectFile(s, names, s.ProjectFile, &error)) {
        ui.message("The project could not be saved to " + s.ProjectFile + "\r\n" + error, Icon::Critical);
        return SaveResult::Failed;
    }
    if (isRouteOrMulti(s)) {
        s.SectorColumns = 0;
        s.NumWindSectors = 0;
        s.Receptor1 = 0;
        s.Receptor2 = 0;
        s.RecHeight = 0;
    }
    s.NumFileRecords = countFileRecords(s, names);
    s.ProjectChanged = false;
    AddMRUFile(s, s.ProjectFile);
    if (s.OptionFileChanged) {
        auto a = ui.question("Do you want to save the changes you made to the local Option File ?",
                             Buttons::YesNo, Icon::Information, Answer::No);
        if (a == Answer::Yes) {
            if (SaveOptionFile(s, localOptionFilePath(s), &error)) {
                s.OptionFileChanged = false;
                s.NoLocalOptionFile = false;
            } else {
                ui.message("The option file could not be saved.\r\n" + error, Icon::Critical);
            }
        }
    }
    return SaveResult::Saved;
}

SaveResult saveProjectAs(ProjectState &s, Interaction &ui) {
    for (;;) {
        FileChoice choice;
        choice.folder = s.WorkDir;
        choice.filters = projectFilters(s);
        choice.save = true;
        choice.field = "the project file";
        auto chosen = ui.chooseFile(choice);
        if (!chosen || chosen->empty()) {
            return SaveResult::Cancelled;
        }
        if (folderIsReadOnly(folderPart(*chosen))) {
            ui.message("The selected destination is Read Only\r\n\r\nPlease, select another destination!",
                       Icon::Critical);
            continue;
        }
        const std::string oldFile = s.ProjectFile, oldName = s.ProjectName, oldDir = s.WorkDir;
        const bool oldUntitled = s.UntitledProject;
        const StoredFileNames oldNames = storedFileNames(s);
        s.ProjectFile = *chosen;
        s.ProjectName = *chosen;
        s.UntitledProject = false;
        moveProjectFolder(s, folderPart(*chosen)); // the names keep naming the files the project used
        SaveResult r = saveProject(s, ui);
        if (r != SaveResult::Saved) {
            // Nothing was written under the new name: stay with the old one.
            s.ProjectFile = oldFile;
            s.ProjectName = oldName;
            s.WorkDir = oldDir;
            s.UntitledProject = oldUntitled;
            putStoredFileNames(s, oldNames);
        }
        return r;
    }
}

} // namespace vesk
