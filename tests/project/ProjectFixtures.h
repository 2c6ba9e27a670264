#pragma once

// States and files shared by the project tests: the demo country's
// pollutants, a fully populated single-street project and a multi-street one.

#include "core/State.h"

#include <string>

namespace vesk::test {

// Demoland's pollutants (NOx, NO, NO2, O3, CO, PM10, PM2.5, BNZ) with their
// standard units, CurrentCountry "Demoland" and the given AppDir/ListsDir.
void setDemolandCountry(State &s, const std::string &appDir = "/opt/winvesk/");

// Header texts like those of the template.
void setStandardHeaders(State &s);

// A single-street project with sectors, every kind of file record and the
// options of the program-wide Run.opt.
void fillSingleStreetProject(State &s);

// A multi-street project (streets file, zero geometry).
void fillMultiStreetProject(State &s);

} // namespace vesk::test
