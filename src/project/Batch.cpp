#include "project/Batch.h"

#include "project/ProjectReader.h"
#include "project/ProjectState.h"

namespace vesk {

std::string unexpectedErrorMessage(const std::string &what) {
    return "An unexpected error ended the action:\r\n" + what + "\r\nThe action was not completed.";
}

int runGuarded(const std::function<int()> &body, Interaction &ui) {
    try {
        return body();
    } catch (const std::exception &e) {
        ui.message(unexpectedErrorMessage(e.what()), Icon::Critical);
    } catch (...) {
        ui.message(unexpectedErrorMessage("an error of unknown kind"), Icon::Critical);
    }
    return kExitFailed;
}

int runBatch(ProjectState &s, Interaction &ui, const CommandLine &line, const BatchStartUp &startUp,
             const BatchCalculation &calculate) {
    if (startUp && !startUp(s, ui)) {
        if (s.CountryDialogShown && s.CurrentCountry.empty()) {
            // A window would have asked for the country; in batch nothing can.
            const std::string file = s.AppDir + "Countries.ini";
            ui.message("Can't start the program\r\n" +
                           (s.CountryList.count() == 0
                                ? "The file " + file + " lists no country."
                                : "The file " + file +
                                      " marks no country as the default (#TRUE# in its third column), and in "
                                      "batch no window can ask for one."),
                       Icon::Critical);
        }
        return kExitFailed;
    }
    s.BatchMode = true;
    s.TrailingValue = line.trailingValue;
    s.ProjectFile = fullProjectPath(line.projectFile);
    s.ProjectName = s.ProjectFile;

    LoadResult loaded = LoadProject(s, ui);
    if (loaded.outcome != LoadOutcome::Loaded) {
        s.ProjectFile.clear();
        s.ProjectChanged = false;
        if (loaded.outcome == LoadOutcome::Cancelled) {
            ui.message("The project was not loaded.", Icon::Critical);
        }
        return kExitFailed;
    }
    if (line.hasPeriod) {
        s.TrailingValue = -1;
        s.StartAuto = false;
        s.EndAuto = false;
        s.StartDate = line.startDate;
        s.StartHour = line.startHour;
        s.EndDate = line.endDate;
        s.EndHour = line.endHour;
    }

    int status = kExitFailed;
    if (!calculate) {
        ui.message("The calculation is not available yet: " + s.ProjectFile + " was loaded but not run.",
                   Icon::Critical);
    } else {
        std::string error;
        if (calculate(s, ui, &error)) {
            status = kExitSucceeded;
        } else {
            ui.message(error.empty() ? "The calculation did not reach its end." : error, Icon::Critical);
        }
    }
    s.ProjectChanged = false;
    s.ErrorCode = 100;
    return status;
}

} // namespace vesk
