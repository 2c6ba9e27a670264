#include "project/ProjectFolder.h"

#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "project/DataFileHeader.h"
#include "project/ProjectState.h"

#include <filesystem>
#include <functional>

namespace vesk {

namespace {

namespace fs = std::filesystem;

// The name of the file that resolve finds for stored, written for newDir.
// Only the file part of an address is a path; the rest stays as it is.
std::string restored(const std::string &stored,
                     const std::function<std::string(const std::string &)> &resolve,
                     const std::string &newDir, const std::string &nationalDir) {
    if (trim(stored).empty() || hasDriveLetter(stored)) {
        return stored;
    }
    const std::string file = parseTableAddress(stored).file;
    std::error_code ec;
    fs::path path(resolve(file));
    if (path.is_relative()) {
        path = fs::absolute(path, ec); // a folder given relative to where the program started
    }
    return storedNameFor(path.string(), newDir, nationalDir) + stored.substr(file.size());
}

} // namespace

StoredFileNames storedFileNames(const ProjectState &s) {
    return {s.InputFiles,  s.OutputFiles, s.StatFiles,      s.TrafficListItems, s.TrafficFile, s.RouteFile,
            s.StreetsFile, s.MapFile,     s.ConditionsFile, s.VehicleListFile,  s.FuelListFile};
}

void putStoredFileNames(ProjectState &s, const StoredFileNames &names) {
    s.InputFiles = names.InputFiles;
    s.OutputFiles = names.OutputFiles;
    s.StatFiles = names.StatFiles;
    s.TrafficListItems = names.TrafficListItems;
    s.TrafficFile = names.TrafficFile;
    s.RouteFile = names.RouteFile;
    s.StreetsFile = names.StreetsFile;
    s.MapFile = names.MapFile;
    s.ConditionsFile = names.ConditionsFile;
    s.VehicleListFile = names.VehicleListFile;
    s.FuelListFile = names.FuelListFile;
}

bool moveProjectFolder(ProjectState &s, const std::string &newWorkDir) {
    const std::string oldDir = s.WorkDir;
    s.WorkDir = newWorkDir;
    if (trim(oldDir).empty() || sameFile(withTrailingSlash(oldDir), withTrailingSlash(newWorkDir))) {
        return false;
    }
    const StoredFileNames before = storedFileNames(s);
    // Each kind found where the run finds it (run/RunFiles.h, the emission
    // set-up for the lists, the traffic set-up for the traffic file).
    auto data = [&](const std::string &f) { return dataFilePath(f, oldDir, s.MetBackDir, s.AppDir); };
    auto output = [&](const std::string &f) { return findExisting(resolveStoredName(f, oldDir, oldDir)); };
    auto work = [&](const std::string &f) { return findStoredInput(f, oldDir, oldDir, s.AppDir); };
    auto traffic = [&](const std::string &f) { return findStoredInput(f, oldDir, s.TrafficDir, s.AppDir); };
    auto list = [&](const std::string &f) { return findStoredInput(f, oldDir, s.ListsDir, s.AppDir); };
    for (int k = 1; k <= kMaxFilesPerKind; ++k) {
        s.InputFiles[k] = restored(s.InputFiles[k], data, newWorkDir, s.MetBackDir);
        s.OutputFiles[k] = restored(s.OutputFiles[k], output, newWorkDir, {});
        s.StatFiles[k] = restored(s.StatFiles[k], output, newWorkDir, {});
    }
    for (std::string &item : s.TrafficListItems) {
        item = restored(item, traffic, newWorkDir, s.TrafficDir);
    }
    s.TrafficFile = restored(s.TrafficFile, traffic, newWorkDir, s.TrafficDir);
    for (std::string *name : {&s.RouteFile, &s.StreetsFile, &s.MapFile, &s.ConditionsFile}) {
        *name = restored(*name, work, newWorkDir, {});
    }
    for (std::string *name : {&s.VehicleListFile, &s.FuelListFile}) {
        if (name->find('[') == std::string::npos) {
            *name = restored(*name, list, newWorkDir, s.ListsDir);
        }
    }
    return !(storedFileNames(s) == before);
}

} // namespace vesk
