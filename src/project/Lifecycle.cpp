#include "project/Lifecycle.h"

#include "core/Paths.h"
#include "core/TextIO.h"
#include "project/FileLists.h"
#include "project/OptionFile.h"
#include "project/ProjectState.h"
#include "project/ProjectWriter.h"
#include "project/RecentFiles.h"

#include <filesystem>

namespace vesk {

namespace fs = std::filesystem;

namespace {

bool folderIsReadOnly(const std::string &folder) {
    std::error_code ec;
    auto st = fs::status(folder, ec);
    return !ec && (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

bool folderHoldsOptionFile(const std::string &folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (iequals(it->path().filename().string(), "Run.opt")) {
            return true;
        }
    }
    return false;
}

} // namespace

bool askSaveQuestions(ProjectState &s, Interaction &ui, ProjectCommand command,
                      const TrafficFileSaver &saveTraffic) {
    if (!s.TrafficFileSaved && s.TrafficFileOpened) {
        auto a = ui.question("Do you want to save changes you made to the current traffic file?",
                             Buttons::YesNoCancel, Icon::Information, Answer::Yes);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a == Answer::Yes) {
            // Saved only when the editor says so; otherwise the command stops
            // so that the unsaved traffic file is not lost.
            s.TrafficFileSaved = saveTraffic && saveTraffic(s);
            if (!s.TrafficFileSaved) {
                return false;
            }
        }
    }

    const bool askProject = s.ProjectChanged && (command != ProjectCommand::Unload || !s.ProjectFile.empty());
    if (askProject) {
        std::string text;
        if (s.UntitledProject) {
            text = "Do you want to save the Project Data";
        } else if (command == ProjectCommand::Open) {
            text = "Do you want to save the changes you made to " + s.ProjectFile;
        } else {
            text = "Do you want to save changes you made to " + s.ProjectFile;
        }
        auto a = ui.question(text, Buttons::YesNoCancel, Icon::Information, Answer::Yes);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a == Answer::Yes) {
            if (saveProject(s, ui) != SaveResult::Saved) {
                return false;
            }
        } else if (command != ProjectCommand::Unload) {
            s.ProjectChanged = false;
        }
    }

    if (command != ProjectCommand::Open && s.OptionFileChanged) {
        const bool generate = s.NoLocalOptionFile;
        const std::string text =
            generate
                ? "Do you want to generate and save a local Option File in the current Working Directory?\r\n"
                  "This Option File will be used for all projects in this Directory."
                : "Do you want to save the changes you made to the local Option File ?";
        // Enter saves the changes to the folder's own option file; a new one is made only when asked for.
        auto a = ui.question(text, Buttons::YesNo, Icon::Question, generate ? Answer::No : Answer::Yes);
        if (a == Answer::Yes) {
            std::string error;
            if (!SaveOptionFile(s, localOptionFilePath(s), &error)) {
                ui.message("The option file could not be saved.\r\n" + error, Icon::Critical);
                return false;
            }
            s.OptionFileChanged = false;
            s.NoLocalOptionFile = false;
        } else if (command == ProjectCommand::Close) {
            // No at Close settles it for the project closed: the next project
            // reads its own options, and nothing asks about these again.
            s.OptionFileChanged = false;
        }
    }
    return true;
}

void closeProject(ProjectState &s) {
    s.TrailingValue = -1;
    s.ProjectFile.clear();
    s.UntitledProject = false;
    s.VehicleListFile.clear();
    s.FuelListFile.clear();
    s.TrafficFile.clear();
    s.ScenarioYear = -1;
    s.EmissionReady = false;
    s.TrafficFileLoaded = false;
}

bool projectOpen(const ProjectState &s) {
    return !s.ProjectFile.empty() || s.UntitledProject;
}

std::string openProjectFolder(const ProjectState &s) {
    return projectOpen(s) ? s.WorkDir : std::string();
}

LoadResult openProject(ProjectState &s, Interaction &ui, const std::string &path) {
    s.NewProjectPending = false;
    s.TrailingValue = -1;
    s.AnnualDiurnalTraffic = 0;
    s.AverageTrafficSpeed = 0;
    s.TrafficReloadNeeded = false;
    s.VehicleListFile.clear();
    s.FuelListFile.clear();
    s.YearItemCount = s.StdYearCount;
    s.UntitledProject = false;
    s.ProjectFile = path;
    if (!s.OpenFromRecent) {
        AddMRUFile(s, path);
    }
    s.ProjectName = s.ProjectFile;
    s.SketchFontSize = 0;
    LoadResult r = LoadProject(s, ui);
    s.ProjectChanged = false;
    if (r.outcome != LoadOutcome::Loaded) {
        closeProject(s);
    }
    return r;
}

std::string startFolder(const ProjectState &s, const Settings &settings) {
    if (!s.WorkDir.empty()) {
        return s.WorkDir;
    }
    std::string last = settings.value("Files", "LastPath");
    if (!last.empty()) {
        return last;
    }
    return joinPath(s.AppDir, "Working");
}

FolderCheck checkWorkingFolder(const std::string &chosen, const std::string &offered, Interaction &ui,
                               std::string *accepted) {
    // A drive of Windows names no folder here, and a relative name none of
    // the folder the program was started from.
    std::string refusal;
    const std::optional<std::string> path = typedNamePathIn(chosen, offered, "the working folder", &refusal);
    if (!path) {
        ui.message(refusal, Icon::Critical);
        return FolderCheck::ChooseAgain;
    }
    const std::string folder = withTrailingSlash(*path);
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        auto a = ui.question("The specified directory doesn't exist!\r\n" +
                                 folder.substr(0, folder.size() > 1 ? folder.size() - 1 : folder.size()) +
                                 "\r\nDo you want the directory to be created?",
                             Buttons::OkCancel, Icon::Information, Answer::Cancel);
        if (a != Answer::Ok) {
            return FolderCheck::ChooseAgain;
        }
        fs::create_directories(folder, ec);
        if (ec || !fs::is_directory(folder, ec)) {
            ui.message(
                "Can't create the new directory!\r\nThe folder structure is too complex or the specified "
                "drive doesn't exist or is currently not available.",
                Icon::Information);
            return FolderCheck::ChooseAgain;
        }
    }
    if (folderIsReadOnly(folder)) {
        ui.message("The folder: " + folder + " is Read Only\r\n\r\nPlease, select another Folder Name!",
                   Icon::Critical);
        return FolderCheck::ChooseAgain;
    }
    if (folderHoldsOptionFile(folder)) {
        auto a = ui.question(
            "Note!\r\n\r\nThis folder contains an Option File (named Run.opt).\r\nAll VESK projects "
            "in this folder will use the settings specified in that Option File.\r\n\r\nPress OK "
            "to continue with this Directory.\r\n\r\nPress Cancel to select another Directory.",
            Buttons::OkCancel, Icon::Information, Answer::Ok);
        if (a != Answer::Ok) {
            return FolderCheck::ChooseAgain;
        }
    }
    if (accepted) {
        *accepted = folder;
    }
    return FolderCheck::Accepted;
}

LoadResult newProjectFromTemplate(ProjectState &s, Interaction &ui, const std::string &folder) {
    s.NewProjectPending = false;
    s.UntitledProject = true;
    s.TrailingValue = -1;
    s.YearItemCount = s.StdYearCount;
    s.ProjectFile = joinPath(s.AppDir, "Standard.___");
    s.WorkDir = withTrailingSlash(folder);
    // The template names no traffic: nothing of the previous project's stays.
    s.AnnualDiurnalTraffic = 0;
    s.AverageTrafficSpeed = 0;
    s.TrafficFile.clear();
    LoadResult r = LoadProject(s, ui);
    s.TrafficFileLoaded = false;
    s.TrafficReloadNeeded = false;
    if (r.outcome != LoadOutcome::Loaded) {
        s.NewProjectPending = true;
        closeProject(s);
        return r;
    }
    // The template's scenario year comes with its vehicle and fuel lists, as
    // the year box shows it and as saving and opening the project gives it.
    if (s.VehicleListFile.empty() && s.FuelListFile.empty()) {
        s.VehicleListFile = s.DefaultVehicleListFile;
        s.FuelListFile = s.DefaultFuelListFile;
        for (int i = 1; i <= s.ScenarioCount && i < static_cast<int>(s.ScenarioYears.size()); ++i) {
            if (s.ScenarioYears[i] == s.ScenarioYear && i < static_cast<int>(s.ScenarioFuelFiles.size())) {
                s.VehicleListFile = s.ScenarioVehicleFiles[i];
                s.FuelListFile = s.ScenarioFuelFiles[i];
            }
        }
        s.EmissionReady = false;
        recountFileRecords(s);
    }
    s.ProjectName = "untitled";
    s.ProjectChanged = false;
    return r;
}

bool unloadProgram(ProjectState &s, Interaction &ui, Settings &settings, const TrafficFileSaver &saveTraffic,
                   const std::function<bool(ProjectState &, std::string *)> &saveCountries) {
    if (s.ErrorCode == 100) {
        return true;
    }
    if (!askSaveQuestions(s, ui, ProjectCommand::Unload, saveTraffic)) {
        return false;
    }
    if (!iequals(s.CurrentCountry, s.StartCountry)) {
        auto a = ui.question("The Default Country setting was changed!\r\nDo you want " + s.CurrentCountry +
                                 " to be the new Default Country from now on?",
                             Buttons::YesNoCancel, Icon::Information, Answer::No);
        if (a == Answer::Cancel) {
            return false;
        }
        if (a == Answer::Yes && saveCountries) {
            std::string error;
            if (!saveCountries(s, &error)) {
                ui.message("Countries.ini could not be written.\r\n" + error, Icon::Critical);
                return false;
            }
        }
    }
    SaveMRUList(s, settings);
    if (!s.WorkDir.empty()) {
        settings.setValue("Files", "LastPath", s.WorkDir);
    }
    return true;
}

} // namespace vesk
