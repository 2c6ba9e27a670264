#include "ui/tools/ToolWindows.h"

#include "core/Settings.h"
#include "core/TextIO.h"
#include "project/InitProgram.h"
#include "project/ProjectCountry.h"
#include "ui/common/EngineState.h"
#include "ui/editors/EditorComponents.h"
#include "ui/editors/frmTrafficEditor.h"
#include "ui/tools/frmEmissionFactors.h"

namespace vesk::ui {

bool setUpToolState(State &state, const std::string &appDir, const std::string &country, Interaction &ui) {
    MemorySettings settings; // a tool window keeps no settings
    auto chooseNamed = [&country](CoreState &s) {
        if (const CountryItem *item = s.CountryList.find(country)) {
            s.CurrentCountry = item->Name;
            s.CountryCode = item->code;
        }
    };
    if (!InitProgram(state, appDir, ui, settings, chooseNamed)) {
        return false;
    }
    if (!country.empty() && !iequals(country, state.CurrentCountry) && state.CountryList.contains(country)) {
        // Changed in memory only: Countries.ini is written by the main window alone.
        std::string error;
        LoadProjectCountryLists(state, ui, nullptr, &country, &error);
    }
    state.ModelEnv.WorkDir.clear();
    return true;
}

void showToolWindow(State &state, const ToolCommandLine &line, Interaction &ui,
                    const std::function<void(QDialog &)> &run) {
    if (line.tool == ToolWindow::EmissionFactors) {
        frmEmissionFactors::Setup setup;
        setup.vehicleListPath = line.vehicleList;
        setup.fuelListPath = line.fuelList;
        setup.year = line.year;
        setup.country = line.country;
        setup.env = state.ModelEnv;
        frmEmissionFactors window(std::move(setup), ui);
        if (run) {
            run(window);
        } else {
            window.exec();
        }
        return;
    }
    if (line.tool != ToolWindow::TrafficEditor) {
        return;
    }
    // A new traffic file for the fleet given; the editor opens and saves any other.
    TrafficEditorComponent editor(ui, nullptr);
    if (run) {
        editor.run = [&run](frmTrafficEditor &window) { run(window); };
    }
    std::string path, vehicleList = line.vehicleList, fuelList = line.fuelList;
    int year = line.year;
    TrafficEditorData data = fileTrafficData(state.TrafficSpeedDefault);
    bool renewEmissions = false;
    editor.EditTrafficFile(path, 0, 0, vehicleList, fuelList, year, state.ModelEnv, data, renewEmissions);
}

} // namespace vesk::ui
