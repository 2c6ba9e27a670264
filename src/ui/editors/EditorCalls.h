#pragma once

// The traffic-file editor and the vehicle/fuel list editor as their callers
// see them: one call each, with the arguments the call sites pass and the
// results they read back. The main window, the new-project dialog and the
// reference-list editors call them; TrafficEditorComponent and
// ListEditorComponent are the dialogs behind them.
//
// Paths handed in may be stored names: a bare name lies in env.WorkDir, a
// name beginning with ".\" or "./" in the national folder of its kind
// (env.TrafficDir for traffic files, env.ListsDir for list files); a full
// path as it is; any other name holds a folder below env.WorkDir (or below
// env.AppDir when only that holds the file). A path handed back is stored the
// same way when it lies in one of those folders.

#include "core/ModelEnvironment.h"

#include <string>
#include <vector>

namespace vesk {
class EmissionLibrary;
}

namespace vesk::ui {

// What a caller tells the traffic editor and what the editor reports back.
// The first five members are the switches callers set in this order:
//   main window:                     false, <traffic file loaded>, true, false, false
//   new-project dialog, list editor: false, false, true, true, false
struct TrafficEditorData {
    bool Changed = false;           // reported: the traffic data changed (saved, or kept for the project)
    bool TrafficFileLoaded = false; // Emission holds this file's traffic (perhaps edited): start from it
    bool AllowOtherFile = true;     // the user may open another file and save under another name
    bool WorkOnFile = false;        // changes are saved to the file or dropped on closing; otherwise
                                    // they may be kept for the project's runs without saving
    bool ReadOnly = false;          // view only (a run is paused, say)
    float TrafficSpeedDefault = 15; // km/h, for a speed of 0

    // The emission component: where the loaded traffic is read from and the
    // changed traffic is handed back into (null: neither).
    EmissionLibrary *Emission = nullptr;

    // Reported after the call.
    bool FleetChanged = false; // the vehicle list, the fuel list or the scenario year changed
    bool Saved = false;        // the traffic file holds the traffic as the editor left it
    bool Opened = false;       // the editor was shown on the file
};

// The switches of the main window (its traffic file, perhaps with unsaved
// changes the emission component holds) ...
inline TrafficEditorData mainWindowTrafficData(bool trafficFileLoaded, float speedDefault,
                                               EmissionLibrary *emission) {
    TrafficEditorData d;
    d.TrafficFileLoaded = trafficFileLoaded;
    d.TrafficSpeedDefault = speedDefault;
    d.Emission = emission;
    return d;
}

// ... and of the callers that work on a file itself: the new-project dialog
// (which hands the emission component when its year's fleet data were
// generated in memory) and the standard traffic files editor (none).
inline TrafficEditorData fileTrafficData(float speedDefault, EmissionLibrary *emission = nullptr) {
    TrafficEditorData d;
    d.WorkOnFile = true;
    d.TrafficSpeedDefault = speedDefault;
    d.Emission = emission;
    return d;
}

class TrafficLibrary {
public:
    virtual ~TrafficLibrary() = default;

    // Shows the traffic file at path (a new document when path is empty or
    // names no file yet) and returns when the user closes the editor.
    // averageTrafficSpeed (km/h) and annualDiurnalTraffic (vehicles/day) are
    // the street's values a standard profile is scaled to (0 = the file's
    // own). The editor may change path (another file, Save As),
    // vehicleListFile, fuelListFile and scenarioYear (the fleet the traffic
    // categories must match) and replace env; renewEmissions comes back set
    // exactly when the fleet changed (the emissions must be set up again).
    // With data.Emission given, traffic that changed is handed to it
    // (SetTrafficData) for the project's next run. A malformed file is shown
    // with the reader's message and never overwritten unasked. False when
    // the editor could not be shown: a path with a drive letter is refused
    // with a message and nothing is read or changed.
    virtual bool EditTrafficFile(std::string &path, float averageTrafficSpeed, float annualDiurnalTraffic,
                                 std::string &vehicleListFile, std::string &fuelListFile, int &scenarioYear,
                                 ModelEnvironment &env, TrafficEditorData &data, bool &renewEmissions) = 0;
};

inline constexpr int kVehicleListKind = 1;
inline constexpr int kFuelListKind = 2;

class ListEditorLibrary {
public:
    virtual ~ListEditorLibrary() = default;

    // Shows the vehicle list (kind 1) or fuel list (kind 2) at path and
    // returns when the user closes the editor. stVehTypeNames and
    // stFuelNames (1-based, entry 0 unused) are offered as category and fuel
    // names. path comes back changed when the user saved under another name;
    // saved is set when a file was saved. errorCode is 0 on success and not 0
    // when the list could not be read and nothing was saved (the reader's
    // message has been shown). A path with a drive letter is refused with a
    // message and the editor is not shown (saved false, errorCode 0).
    virtual void EditListFile(std::string &path, int kind, ModelEnvironment &env,
                              const std::vector<std::string> &stVehTypeNames,
                              const std::vector<std::string> &stFuelNames, bool &saved, long &errorCode) = 0;
};

// Stored names (see the top of this file). A name with a folder that only
// appDir (the program folder) holds is read from there, as the run reads it.
// A name with a drive letter gives "": it names no file of this system.
std::string resolveEditorPath(const std::string &stored, const std::string &workDir,
                              const std::string &nationalDir, const std::string &appDir = {});

} // namespace vesk::ui
