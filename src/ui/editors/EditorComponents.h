#pragma once

// The dialogs behind the editor calls of EditorCalls.h. A caller makes one
// (they keep no state between calls) and calls it; tests set run to work the
// real dialog offscreen instead of exec().

#include "ui/editors/EditorCalls.h"

#include <functional>

class QWidget;

namespace vesk {
class Interaction;
}

namespace vesk::ui {

class frmTrafficEditor;
class frmListEditor;

class TrafficEditorComponent : public TrafficLibrary {
public:
    TrafficEditorComponent(Interaction &ui, QWidget *parent);

    bool EditTrafficFile(std::string &path, float averageTrafficSpeed, float annualDiurnalTraffic,
                         std::string &vehicleListFile, std::string &fuelListFile, int &scenarioYear,
                         ModelEnvironment &env, TrafficEditorData &data, bool &renewEmissions) override;

    // Shows the dialog modally (default: exec()).
    std::function<void(frmTrafficEditor &)> run;

private:
    Interaction &m_ui;
    QWidget *m_parent;
};

class ListEditorComponent : public ListEditorLibrary {
public:
    ListEditorComponent(Interaction &ui, QWidget *parent);

    void EditListFile(std::string &path, int kind, ModelEnvironment &env,
                      const std::vector<std::string> &stVehTypeNames,
                      const std::vector<std::string> &stFuelNames, bool &saved, long &errorCode) override;

    std::function<void(frmListEditor &)> run;

private:
    Interaction &m_ui;
    QWidget *m_parent;
};

} // namespace vesk::ui
