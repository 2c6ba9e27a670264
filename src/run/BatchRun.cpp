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
    return RunCalculation(s, control, observer, ui, error);
}

} // namespace vesk
