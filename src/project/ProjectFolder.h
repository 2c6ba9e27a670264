#pragma once

// A project given another folder: Save As, or the first save of a new
// project, into a folder other than its working folder. A stored name means a
// file relative to the working folder, so each name is written anew for the
// new folder so that it still names the file the project used.

#include "project/ProjectFileState.h"

#include <string>
#include <vector>

namespace vesk {

struct ProjectState;

// Every field of a project that names a file, as stored: the hourly input,
// output and statistics files (table addresses "file;table" among them), the
// traffic file and the other entries of the traffic list, the route, streets,
// map and conditions files, the vehicle and fuel lists.
struct StoredFileNames {
    FileNameTable InputFiles, OutputFiles, StatFiles;
    std::vector<std::string> TrafficListItems;
    std::string TrafficFile, RouteFile, StreetsFile, MapFile, ConditionsFile, VehicleListFile, FuelListFile;
    bool operator==(const StoredFileNames &) const = default;
};

StoredFileNames storedFileNames(const ProjectState &s);
void putStoredFileNames(ProjectState &s, const StoredFileNames &names);

// Makes newWorkDir the project's folder (WorkDir, given with or without its
// trailing separator). When it is another folder than WorkDir, every stored
// name is first resolved as the run resolves it against the old folder and
// then stored for the new one: without the new folder where the file lies in
// it or below it, as ".\name" where it lies in the national folder of its kind
// (lists, traffic, meteorology and background), as a full path otherwise. The
// table part of an address, a name with a drive letter (no file here), fleet
// data generated in memory ("[...]") and empty names stay as they are. The
// same folder (letter case, links) changes no name. Looks at existing files
// only to find them as the run does; writes nothing. Returns whether a name
// changed.
bool moveProjectFolder(ProjectState &s, const std::string &newWorkDir);

} // namespace vesk
