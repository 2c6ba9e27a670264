#include "run/RunFiles.h"

#include "core/OutputPlace.h"
#include "core/Paths.h"
#include "core/StagedFile.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "project/DataFileHeader.h"
#include "run/State.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace vesk::run {

namespace {

// A file the run reads or writes, resolved as the run resolves it.
struct RunFile {
    std::string file;          // the file part, resolved
    std::string table;         // the table of a workbook or database ("" for a text file)
    std::string role;          // how the message names it (an output: by its place in its list)
    std::string noun = "file"; // an output: "output file" (hourly) or "statistics file"
    std::string stored;        // an output: its name as the project stores it
};

// The file a run writes: the existing file, or a new one in its existing
// folder, both found without regard to letter case.
std::string outputPath(const std::string &resolved) {
    std::error_code ec;
    const std::string found = findExisting(resolved);
    const std::string folder = folderPart(resolved);
    if (std::filesystem::exists(found, ec) || folder.size() < 2) {
        return found;
    }
    return withTrailingSlash(findExisting(folder.substr(0, folder.size() - 1))) + fileNamePart(resolved);
}

RunFile runFile(const std::string &resolvedAddress, const std::string &role,
                const std::string &noun = "file") {
    const TableAddress a = parseTableAddress(resolvedAddress);
    return {findExisting(nativePath(a.file)), a.isTable() ? a.table : std::string(), role, noun, {}};
}

// The noun of a message naming one file as two outputs.
std::string nounOfBoth(const RunFile &a, const RunFile &b) {
    return a.noun == b.noun ? a.noun : "file";
}

// A checked entry of the hourly output files (statistics false) or of the
// statistics files, in the order the run binds them.
struct OutputEntry {
    bool statistics = false;
    int k = 0;
};

std::vector<OutputEntry> checkedOutputEntries(const State &s) {
    std::vector<OutputEntry> entries;
    for (int k = 1; k <= std::min(s.NumOutputFiles, kMaxFilesPerKind); ++k) {
        if (s.OutputFileChecked[k]) {
            entries.push_back({false, k});
        }
    }
    for (int k = 1; k <= std::min(s.NumStatFiles, kMaxFilesPerKind); ++k) {
        if (s.StatFileChecked[k]) {
            entries.push_back({true, k});
        }
    }
    return entries;
}

bool sameData(const RunFile &a, const RunFile &b) {
    if (!sameFile(a.file, b.file)) {
        return false;
    }
    // Two tables of one workbook are different data; anything else in one file is the same.
    return a.table.empty() || b.table.empty() || sameTableNameIn(a.file, a.table, b.table);
}

// Whether writing the output replaces the input: a table of a database is
// replaced by one written under its name or under its name without a pair
// of apostrophes ('Quoted' by Quoted), not by its name in apostrophes.
bool writesOver(const RunFile &output, const RunFile &input) {
    if (!sameFile(output.file, input.file)) {
        return false;
    }
    return output.table.empty() || input.table.empty() ||
           tableReplacedIn(input.file, input.table, output.table);
}

// Why two tables of one file, named by different texts, are one table.
std::string oneTable(const RunFile &a, const RunFile &b) {
    if (tableKindOfFile(a.file) != TableKind::Access) {
        return visibleText(a.table) + " and " + visibleText(b.table) + " name one sheet";
    }
    if (foldCase(a.table) == foldCase(b.table)) {
        return "Access takes " + visibleText(a.table) + " and " + visibleText(b.table) + " for one name";
    }
    return accessReplacement(a.table, b.table);
}

std::vector<RunFile> outputs(const State &s) {
    std::vector<RunFile> out;
    for (const OutputEntry &e : checkedOutputEntries(s)) {
        const std::string &list = e.statistics ? s.StatVarLists[e.k] : s.OutputVarLists[e.k];
        if (!trim(list).empty()) {
            out.push_back(
                runFile(outputFilePath(s, e.statistics, e.k),
                        "entry " + std::to_string(e.k) +
                            (e.statistics ? " of the statistics files" : " of the hourly output files"),
                        e.statistics ? "statistics file" : "output file"));
            out.back().stored = trim(e.statistics ? s.StatFiles[e.k] : s.OutputFiles[e.k]);
        }
    }
    return out;
}

std::vector<RunFile> inputs(const State &s) {
    std::vector<RunFile> in;
    auto add = [&](const std::string &path, const std::string &role) {
        // A name with a drive letter names no file here (driveLetterName refuses it).
        if (!trim(path).empty() && !hasDriveLetter(path)) {
            in.push_back(runFile(path, role));
        }
    };
    for (int k = 1; k <= std::min(s.NumInputFiles, kMaxFilesPerKind); ++k) {
        if (!trim(s.InputFiles[k]).empty()) {
            add(inputFilePath(s, s.InputFiles[k]), "an hourly input file");
        }
    }
    if (!trim(s.TrafficFile).empty()) {
        add(findStoredInput(s.TrafficFile, s.WorkDir, s.TrafficDir, s.AppDir), "the traffic file");
    }
    const std::pair<const std::string *, const char *> stored[] = {
        {&s.StreetsFile, "the streets file"},
        {&s.RouteFile, "the route file"},
        {&s.ConditionsFile, "the conditions file"}};
    for (const auto &[name, role] : stored) {
        if (!trim(*name).empty()) {
            add(workInputPath(s, trim(*name)), role);
        }
    }
    add(s.VehicleListPath.find('[') == std::string::npos ? s.VehicleListPath : std::string(),
        "the vehicle list");
    add(s.FuelListPath, "the fuel list");
    for (const VehicleCategory &category : s.EmissionComponent.VehicleCategories.items) {
        if (category.table) {
            add(category.table->fileName, "the emission-factor file");
        }
    }
    if (s.CitySize > 0) {
        for (const std::string &name : s.UrbEmiFileNames) {
            if (!trim(name).empty()) {
                add(joinPath(nativePath(s.MetBackDir), nativePath(trim(name))), "an urban emission file");
            }
        }
    }
    add(s.ProjectFile, "the project file");
    return in;
}

std::string refusal(const RunFile &output, const RunFile &input) {
    return "The " + output.noun + "\r\n" + output.file +
           (output.table.empty() ? "" : ";" + visibleText(output.table)) + "\r\nis also " + input.role +
           " of the project:\r\n" + input.file + (input.table.empty() ? "" : ";" + visibleText(input.table)) +
           "\r\nThe run would write over it. Give the " + output.noun + " another name.";
}

// An output the run must not write whatever it reads: one that exists and
// is no regular file (a device or a pipe would be replaced by a plain file),
// and the option file of a folder (Run.opt, in any letter case: every later
// run of a project in that folder would read it as its options).
std::string unfitOutput(const RunFile &output) {
    namespace fs = std::filesystem;
    // Another user's link under its name is not followed (core/OutputPlace.h):
    // what lies behind it is no business of the run, not even to compare.
    if (std::string refusal = foreignLinkRefusal(output.file); !refusal.empty()) {
        return refusal;
    }
    // Looked at, never opened: a named pipe would make the run wait.
    struct stat status {};
    if (::stat(output.file.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return "The " + output.noun + "\r\n" + output.file + "\r\nis not a regular file but " +
               nonFileKind(status.st_mode) + ": the run's file must not replace it. Give the " + output.noun +
               " another name.";
    }
    if (iequals(fs::path(output.file).filename().string(), "Run.opt")) {
        return "The " + output.noun + "\r\n" + output.file +
               "\r\nwould be the option file that every project of its folder reads. Give the " +
               output.noun + " another name.";
    }
    return {};
}

// The files of the program itself that a run must never replace: its
// executable, the files of its folder that it reads at start-up or for its
// graphs, and every file of its data trees (reference lists, emission,
// traffic, meteorology and background data, help pages, the templates of a
// new country, its tools). A run that wrote over one would leave a program
// that cannot start, or one that reads the run's rows as its own data. The
// Working folder beside them is the user's.
const char *const kProgramFolderFiles[] = {"winvesk",      "Countries.ini", "MathPars.ini", "Run.opt",
                                           "Standard.___", "nox_1.gor",     "nox_2.gor"};
const char *const kProgramDataTrees[] = {"Lists", "Data", "Help", "NewCountry", "Tools"};

std::string programFileOutput(const State &s, const RunFile &output) {
    namespace fs = std::filesystem;
    auto refused = [&](const std::string &what) {
        return "The " + output.noun + "\r\n" + output.file + "\r\nis " + what +
               ".\r\nThe run would write over a file of the program itself. Give the " + output.noun +
               " another name.";
    };
    std::error_code ec;
    const fs::path running = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && sameFile(output.file, running.string())) {
        return refused("the program's executable");
    }
    if (trim(s.AppDir).empty()) {
        return {};
    }
    const std::string appDir = withTrailingSlash(nativePath(s.AppDir));
    const std::string name = fs::path(output.file).filename().string();
    for (const char *file : kProgramFolderFiles) {
        if (sameFile(output.file, appDir + file) ||
            (iequals(name, file) && sameFile(folderPart(output.file), appDir))) {
            return refused(std::string(file) == "winvesk"
                               ? "the program's executable"
                               : "the file " + std::string(file) + " that the program reads from its folder");
        }
    }
    for (const char *tree : kProgramDataTrees) {
        const std::string folder = appDir + tree;
        if (liesInFolder(output.file, folder)) {
            return refused("a file of the program's own data folder " + findExisting(folder));
        }
    }
    return {};
}

} // namespace

std::string workFilePath(const State &s, const std::string &stored) {
    // Only the file part of a table address is a path: the table name after
    // it keeps its characters, "\" and "/" among them.
    const std::string file = parseTableAddress(stored).file;
    if (hasDriveLetter(file)) {
        return resolveStoredName(file, s.WorkDir, s.WorkDir) +
               stored.substr(file.size()); // looked for nowhere
    }
    return outputPath(resolveStoredName(file, s.WorkDir, s.WorkDir)) + stored.substr(file.size());
}

std::string outputFilePath(const State &s, bool statistics, int k) {
    const std::string &stored = statistics ? s.StatFiles[k] : s.OutputFiles[k];
    const std::string path = workFilePath(s, stored);
    const std::string file = parseTableAddress(path).file;
    if (hasDriveLetter(stored)) {
        return path;
    }
    for (const OutputEntry &e : checkedOutputEntries(s)) {
        if (e.statistics == statistics && e.k == k) {
            break; // only the entries before it
        }
        const std::string &earlierStored = e.statistics ? s.StatFiles[e.k] : s.OutputFiles[e.k];
        if (hasDriveLetter(earlierStored)) {
            continue;
        }
        const std::string earlier = parseTableAddress(workFilePath(s, earlierStored)).file;
        if (earlier != file && sameNameButCase(earlier, file)) {
            return earlier + path.substr(file.size());
        }
    }
    return path;
}

std::string driveLetterName(const State &s) {
    const std::pair<const FileNameTable *, const FileFlagTable *> lists[] = {
        {&s.InputFiles, &s.InputFileChecked},
        {&s.OutputFiles, &s.OutputFileChecked},
        {&s.StatFiles, &s.StatFileChecked}};
    const int counts[] = {s.NumInputFiles, s.NumOutputFiles, s.NumStatFiles};
    const char *const kinds[] = {" of the hourly input files", " of the hourly output files",
                                 " of the statistics files"};
    for (int list = 0; list < 3; ++list) {
        for (int k = 1; k <= std::min(counts[list], kMaxFilesPerKind); ++k) {
            const std::string &name = (*lists[list].first)[k];
            if ((*lists[list].second)[k] && hasDriveLetter(name)) {
                return driveLetterRefusal(name, "entry " + std::to_string(k) + kinds[list]);
            }
        }
    }
    const std::pair<const std::string *, const char *> named[] = {
        {&s.TrafficFile, "the traffic file"}, {&s.StreetsFile, "the streets file"},
        {&s.RouteFile, "the route file"},     {&s.ConditionsFile, "the conditions file"},
        {&s.MapFile, "the map file"},         {&s.VehicleListFile, "the vehicle list"},
        {&s.FuelListFile, "the fuel list"}};
    for (const auto &[name, field] : named) {
        if (hasDriveLetter(*name)) {
            return driveLetterRefusal(*name, field);
        }
    }
    return {};
}

std::string workInputPath(const State &s, const std::string &stored) {
    const std::string file = parseTableAddress(stored).file;
    return findStoredInput(file, s.WorkDir, s.WorkDir, s.AppDir) + stored.substr(file.size());
}

std::string inputFilePath(const State &s, const std::string &stored) {
    return dataFilePath(stored, s.WorkDir, s.MetBackDir, s.AppDir);
}

std::string missingOutputFolder(const State &s) {
    namespace fs = std::filesystem;
    for (const RunFile &output : outputs(s)) {
        const fs::path folder = fs::path(output.file).parent_path();
        std::error_code ec;
        if (!folder.empty() && !fs::is_directory(folder, ec)) {
            return "The folder\r\n" + folder.string() + "\r\nof the " + output.noun + "\r\n" + output.file +
                   "\r\ndoes not exist. The run creates no folder: create it, or give the " + output.noun +
                   " another folder.";
        }
    }
    return {};
}

std::string outputOverInput(const State &s) {
    const std::vector<RunFile> out = outputs(s);
    const std::vector<RunFile> in = inputs(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (std::string refused = unfitOutput(out[i]); !refused.empty()) {
            return refused;
        }
        if (std::string refused = programFileOutput(s, out[i]); !refused.empty()) {
            return refused;
        }
        for (const RunFile &input : in) {
            if (writesOver(out[i], input)) {
                return refusal(out[i], input);
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (!sameData(out[i], out[j])) {
                continue;
            }
            if (out[i].table != out[j].table && !out[i].table.empty() && !out[j].table.empty()) {
                return "The " + nounOfBoth(out[j], out[i]) + "\r\n" + out[i].file +
                       "\r\nreceives two tables of one name, " + visibleText(out[j].table) + " as " +
                       out[j].role + " and " + visibleText(out[i].table) + " as " + out[i].role + ": " +
                       oneTable(out[j], out[i]) + ". Give each output table a name of its own.";
            }
            // Names that differ (in letter case, say) are quoted as stored, each with its entry.
            const bool spelt = out[i].stored != out[j].stored;
            auto as = [spelt](const RunFile &f) { return f.role + (spelt ? " (" + f.stored + ")" : ""); };
            const std::string noun = nounOfBoth(out[j], out[i]);
            return "The " + noun + "\r\n" + out[i].file + "\r\nis named twice: as " + as(out[j]) +
                   " and as " + as(out[i]) + ". Give each " + noun + " a name of its own.";
        }
    }
    return {};
}

std::string outputNamesRefusal(const State &s) {
    for (std::string (*check)(const State &) : {driveLetterName, outputOverInput, missingOutputFolder}) {
        if (std::string refused = check(s); !refused.empty()) {
            return refused;
        }
    }
    return {};
}

std::string outputOverFile(const State &s, const std::string &path, const std::string &role) {
    const RunFile input = runFile(path, role);
    for (const RunFile &output : outputs(s)) {
        if (writesOver(output, input)) {
            return refusal(output, input);
        }
    }
    return {};
}

} // namespace vesk::run
