#pragma once

// The new project's acceptance: the checks the new-project dialog's OK makes,
// in their fixed order, and what OK then adds to the project.
//
// The dialog has already put the street, the files and the scenario year
// into the project while it was open; the checks only read what its boxes
// show (NewProjectForm), so they can be tried without a window.

#include "project/FileLists.h"

#include <optional>
#include <string>
#include <vector>

namespace vesk {

struct ProjectState;

// Traffic source options of the dialog (0 = none chosen).
enum class TrafficOption { None, Standard, UserFile, HourlyFiles };
// Meteorology and background options (0 = none chosen).
enum class MetBackOption { None, Standard, UserFiles };

// What the checks read of the dialog.
struct NewProjectForm {
    bool routeMode = false;
    bool multiStreetMode = false;
    bool streetConfigDefined = false;
    bool specialMode = false; // "Accept calculations without Input Files (Special Mode)"
    std::string yearText;     // the scenario year box

    TrafficOption traffic = TrafficOption::None;
    std::string trafficTypeText; // the pre-defined type box ("(none)" = no type)
    std::string trafficFileText; // the traffic file shown
    bool stdTrafficChosen = false;
    std::string adtText, speedText;
    bool adtEnabled = true, speedEnabled = true;

    MetBackOption metBack = MetBackOption::None;
    int metBackFileCount = 0; // entries of the dialog's meteorology/background list
    std::string citySizeText;
    bool noUrbEmiData = false;
};

// The control a failed check puts the focus on.
enum class NewProjectFocus { None, StreetConf, Year, TrafficType, ADT, Speed, MetBack, CitySize };

struct NewProjectCheck {
    std::vector<std::string> messages; // shown one after the other; empty = accepted
    NewProjectFocus focus = NewProjectFocus::None;
    bool scrollToLeft = false; // the street configuration failed: the contents scroll back to the left
    bool accepted() const { return messages.empty(); }
};

// The checks of OK, stopping at the first that fails: the street (route data,
// street collection or configuration); the scenario year (a box that shows no
// year is refused rather than read as 0); with Special Mode ticked nothing
// more. Otherwise the traffic (a type or user file, the daily traffic and
// speed where their boxes are in use; a number that is not one, or below 0,
// is refused), then the meteorology and background data and the city size.
// "None chosen" counts as the pre-defined option with nothing picked.
NewProjectCheck checkNewProject(const NewProjectForm &form);

// A number typed into the daily traffic or speed box: plain decimal with "."
// or a single "," as decimal mark, at least 0. nullopt for anything else, so
// "1.234,5", "1,234.5", "1 234" and "12abc" are refused rather than read
// partly. The message for a refused text is in *message.
std::optional<double> newProjectNumber(const std::string &text, std::string *message);

// What OK adds once every check passed.
struct NewProjectAcceptance {
    bool specialMode = false;
    bool stdMetBackChosen = false;
    FileFormatLists metBackLayout; // MetBack.fmt: the lists of a pre-defined meteorology file
    double adt = 0, speed = 0;     // the accepted daily traffic (veh/day) and speed (km/h)
    int year = 0;
};

// Completes the project: without Special Mode missing vehicle and fuel
// lists become the defaults of the current year; a pre-defined meteorology
// file (the first input file) takes the common layout; the year, daily
// traffic and speed are stored; the project is marked changed, no longer
// pending, and not cancelled.
void completeNewProject(ProjectState &s, const NewProjectAcceptance &acceptance);

// The name a route or streets file gives the project: the file name without
// its folder and without its last extension ("C:\data\Ring.road.dat" gives
// "Ring.road").
std::string projectNameOfFile(const std::string &path);

} // namespace vesk
