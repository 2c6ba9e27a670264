#pragma once

// States and files shared by the project tests: the demo country's
// pollutants, a fully populated single-street project and a multi-street one.

#include "core/Interaction.h"
#include "project/ProjectReader.h"
#include "project/ProjectState.h"
#include "support/TestSupport.h"

#include <string>

namespace vesk::test {

// Demoland's pollutants (NOx, NO, NO2, O3, CO, PM10, PM2.5, BNZ) with their
// standard units, CurrentCountry "Demoland" and the given AppDir/ListsDir.
void setDemolandCountry(ProjectState &s, const std::string &appDir = "/opt/winvesk/");

// Header texts like those of the template.
void setStandardHeaders(ProjectState &s);

// A single-street project with sectors, every kind of file record and the
// options of the program-wide Run.opt.
void fillSingleStreetProject(ProjectState &s);

// A multi-street project (streets file, zero geometry).
void fillMultiStreetProject(ProjectState &s);

// A temporary AppDir holding the program-wide Run.opt and the template, with
// an empty working folder "Working/" below it.
struct ProjectFolder {
    TempDir dir;
    std::string appDir = dir.path().string() + "/";
    std::string workDir = appDir + "Working/";

    ProjectFolder();
    // A state of the demo country with this AppDir.
    ProjectState fresh() const;
    // Writes bytes to Working/name and returns the path.
    std::string write(const std::string &name, const std::string &bytes) const;
};

// The project file a plain save would write.
std::string savedBytes(const ProjectState &s);

// Loads path as the project file.
LoadResult loadFile(ProjectState &s, const std::string &path, Interaction &ui);

// The text with line number (1-based) replaced, or cut after count lines.
std::string withLine(const std::string &text, int number, const std::string &line);
std::string firstLines(const std::string &text, int count);

} // namespace vesk::test
