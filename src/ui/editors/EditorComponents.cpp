// The traffic editor and the list editor as their callers use them: what
// document the dialog starts from, and what the call hands back.

#include "ui/editors/EditorComponents.h"

#include "core/Interaction.h"
#include "core/ListReading.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/emission/EmissionLibrary.h"
#include "ui/common/DriveLetterNames.h"
#include "ui/editors/frmListEditor.h"
#include "ui/editors/frmTrafficEditor.h"

#include <QApplication>
#include <QCursor>
#include <filesystem>
#include <map>

namespace vesk::ui {

namespace {

bool fileExists(const std::string &path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The length class of each standard vehicle type as the shared list of
// standard types gives it: a new vehicle list gives its heavy goods vehicles
// and buses the speed of heavy vehicles from the start. A type the list does
// not give (or a list that cannot be read) is light, class 1.
std::map<std::string, int> standardLengthClasses(const ModelEnvironment &env) {
    std::map<std::string, int> classes;
    try {
        std::string fileName;
        RecordReader r = openListFile(env.SharedListsDir + "StVehTypes.lst", &fileName);
        while (!r.atEnd()) {
            const std::string name = r.readString();
            r.readString();
            classes[name] = r.readLong() == 2 ? 2 : 1;
        }
    } catch (const std::exception &) {
    }
    return classes;
}

// The categories of a new traffic document: those of the vehicle list, or
// light and heavy vehicles when it cannot be read.
std::vector<TrafficCategoryDefinition> fleetCategories(const std::string &vehicleListFile,
                                                       const ModelEnvironment &env) {
    VehicleListDocument fleet;
    std::string error;
    std::vector<TrafficCategoryDefinition> out;
    if (vehicleListFile.find('[') == std::string::npos &&
        readVehicleListDocument(resolveEditorPath(vehicleListFile, env.WorkDir, env.ListsDir, env.AppDir),
                                &fleet, &error)) {
        for (const auto &c : fleet.categories) {
            out.push_back({c.name, c.longName, {}, {}});
        }
    }
    if (out.empty()) {
        out = {{"Light", "Light vehicles", {}, {}}, {"Heavy", "Heavy vehicles", {}, {}}};
    }
    return out;
}

} // namespace

std::string resolveEditorPath(const std::string &stored, const std::string &workDir,
                              const std::string &nationalDir, const std::string &appDir) {
    if (stored.empty() || hasDriveLetter(stored)) {
        return {}; // a drive of Windows: looked for nowhere
    }
    return findStoredInput(stored, workDir, nationalDir, appDir);
}

// ---- Traffic editor

TrafficEditorComponent::TrafficEditorComponent(Interaction &ui, QWidget *parent)
    : m_ui(ui), m_parent(parent) {}

bool TrafficEditorComponent::EditTrafficFile(std::string &path, float averageTrafficSpeed,
                                             float annualDiurnalTraffic, std::string &vehicleListFile,
                                             std::string &fuelListFile, int &scenarioYear,
                                             ModelEnvironment &env, TrafficEditorData &data,
                                             bool &renewEmissions) {
    if (refuseDriveLetterName(m_ui, path, "the traffic file")) {
        return false;
    }
    const std::string fullPath = resolveEditorPath(path, env.WorkDir, env.TrafficDir, env.AppDir);
    frmTrafficEditor::Setup setup;
    setup.path = fullPath;
    TrafficDocument onDisk;
    std::string error;
    const bool readable = fileExists(fullPath) && readTrafficDocument(fullPath, &onDisk, &error);
    if (data.TrafficFileLoaded && data.Emission && !data.Emission->TrafficSource.categories.empty()) {
        // The traffic the project uses, with any changes not saved yet.
        setup.doc = data.Emission->TrafficSource;
        setup.fromFile = readable && trafficFileText(onDisk) == trafficFileText(setup.doc);
    } else if (readable) {
        setup.doc = std::move(onDisk);
    } else {
        if (fileExists(fullPath)) {
            // A malformed file is never overwritten unasked: the editor starts a new one without a name.
            m_ui.message(error, Icon::Critical);
            setup.path.clear();
        }
        setup.doc = newTrafficDocument(fleetCategories(vehicleListFile, env));
        setup.fromFile = false;
    }
    setup.vehicleListFile = vehicleListFile;
    setup.fuelListFile = fuelListFile;
    setup.scenarioYear = scenarioYear;
    setup.env = env;
    setup.data = data;
    setup.streetSpeed = averageTrafficSpeed;
    setup.streetADT = annualDiurnalTraffic;

    frmTrafficEditor dialog(std::move(setup), m_ui, m_parent);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    if (run) {
        run(dialog);
    } else {
        dialog.exec();
    }
    QApplication::restoreOverrideCursor();

    data.Opened = true;
    data.Saved = dialog.saved();
    bool otherFile = false;
    if (!dialog.path().empty() && dialog.path() != fullPath) {
        path = storedNameFor(dialog.path(), env.WorkDir, env.TrafficDir);
        otherFile = true;
    }
    data.Changed = !data.ReadOnly && (dialog.changed() || otherFile);
    if (data.Changed && data.Emission &&
        !data.Emission->SetTrafficData(dialog.document(), averageTrafficSpeed, annualDiurnalTraffic,
                                       &error)) {
        m_ui.message(error, Icon::Critical);
        data.Changed = false;
    }
    data.FleetChanged =
        !data.ReadOnly && (dialog.vehicleListFile() != vehicleListFile ||
                           dialog.fuelListFile() != fuelListFile || dialog.scenarioYear() != scenarioYear);
    if (data.FleetChanged) {
        vehicleListFile = dialog.vehicleListFile();
        fuelListFile = dialog.fuelListFile();
        scenarioYear = dialog.scenarioYear();
    }
    renewEmissions = data.FleetChanged;
    return true;
}

// ---- List editor

ListEditorComponent::ListEditorComponent(Interaction &ui, QWidget *parent) : m_ui(ui), m_parent(parent) {}

void ListEditorComponent::EditListFile(std::string &path, int kind, ModelEnvironment &env,
                                       const std::vector<std::string> &stVehTypeNames,
                                       const std::vector<std::string> &stFuelNames, bool &saved,
                                       long &errorCode) {
    errorCode = 0;
    saved = false;
    if (refuseDriveLetterName(m_ui, path, kind == kFuelListKind ? "the fuel list" : "the vehicle list")) {
        return;
    }
    frmListEditor::Setup setup;
    setup.kind = kind == kFuelListKind ? kFuelListKind : kVehicleListKind;
    setup.path = resolveEditorPath(path, env.WorkDir, env.ListsDir, env.AppDir);
    setup.env = env;
    setup.stVehTypeNames = stVehTypeNames;
    setup.stFuelNames = stFuelNames;
    std::string error;
    const bool read = setup.kind == kVehicleListKind
                          ? readVehicleListDocument(setup.path, &setup.vehicles, &error)
                          : readFuelListDocument(setup.path, &setup.fuels, &error);
    if (!read) {
        // Shown with the reader's message; the editor starts a new list without a name.
        m_ui.message(error, Icon::Critical);
        setup.path.clear();
        setup.vehicles =
            VehicleListDocument{env.CountryCode, 0, {"\"New vehicle list\""}, "EmissionFactors.eft", {}, {}};
        setup.fuels = FuelListDocument{env.CountryCode, 0, {"\"New fuel list\""}, {}, {}};
        const std::map<std::string, int> lengthClasses = standardLengthClasses(env);
        for (size_t i = 1; i < stVehTypeNames.size(); ++i) {
            const std::string fuel = stFuelNames.size() > 1 ? stFuelNames[1] : "Petrol";
            const auto lengthClass = lengthClasses.find(stVehTypeNames[i]);
            setup.vehicles.categories.push_back({stVehTypeNames[i], stVehTypeNames[i],
                                                 lengthClass != lengthClasses.end() ? lengthClass->second : 1,
                                                 stVehTypeNames[i], fuel, 0});
            setup.vehicles.fleet.push_back({stVehTypeNames[i], "all", 100, 0});
        }
        for (size_t i = 1; i < stFuelNames.size(); ++i) {
            setup.fuels.fuels.push_back({stFuelNames[i], stFuelNames[i]});
        }
    }
    frmListEditor dialog(std::move(setup), m_ui, m_parent);
    if (run) {
        run(dialog);
    } else {
        dialog.exec();
    }
    saved = dialog.savedOnce();
    if (saved && dialog.path() != resolveEditorPath(path, env.WorkDir, env.ListsDir, env.AppDir)) {
        path = storedNameFor(dialog.path(), env.WorkDir, env.ListsDir);
    }
    if (!read && !saved) {
        errorCode = 1;
    }
}

} // namespace vesk::ui
