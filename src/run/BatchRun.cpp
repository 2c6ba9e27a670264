#include "run/BatchRun.h"

#include "calc/EmissionSetup.h"
#include "run/RunCalculation.h"
#include "run/RunControl.h"
#include "run/SpecialMode.h"
#include "run/State.h"

namespace vesk {

bool calculateProject(State &s, Interaction &ui, std::string *error) {
    const EmissionSetupResult emissions = InitEmissions(s, ui);
    if (emissions.failed || emissions.cancelled) {
        *error = "The emissions of the project could not be set up.";
        return false;
    }
    RunControl control;
    RunObserver observer;
    if (s.CalcMode == 0) {
        if (RunSpecialMode(s, ui, control, &observer) != SpecialModeOutcome::Completed) {
            *error = "The Special Mode run did not complete.";
            return false;
        }
        return true;
    }
    const RunReport report = runTimeSeries(s, ui, control, &observer);
    if (report.outcome != RunOutcome::Completed) {
        return false; // the run has said why
    }
    if (!report.unmodelled.empty()) {
        *error = "The run reached its end, but " + std::to_string(report.unmodelled.size()) +
                 (report.unmodelled.size() == 1 ? " street or route segment" : " streets or route segments") +
                 " could not be modelled.";
        return false;
    }
    if (report.outputIncomplete) {
        *error = "The run reached its end, but not every requested output could be written.";
        return false;
    }
    return true;
}

} // namespace vesk
