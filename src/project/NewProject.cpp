#include "project/NewProject.h"

#include "core/Numbers.h"
#include "core/TextIO.h"
#include "project/ProjectState.h"

#include <cctype>

namespace vesk {

namespace {

bool blank(const std::string &text) {
    return trim(text).empty();
}

bool yearShown(const std::string &text) {
    const std::string t = trim(text);
    if (t.size() != 4) {
        return false;
    }
    for (char c : t) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

NewProjectCheck refuse(std::vector<std::string> messages, NewProjectFocus focus) {
    NewProjectCheck check;
    check.messages = std::move(messages);
    check.focus = focus;
    return check;
}

// A box in use holding a text that is no accepted number.
bool badNumber(const std::string &text, bool enabled, std::string *message) {
    return enabled && !blank(text) && !newProjectNumber(text, message);
}

} // namespace

std::optional<double> newProjectNumber(const std::string &text, std::string *message) {
    const std::string t = trim(text);
    int separators = 0;
    for (char c : t) {
        separators += c == '.' || c == ',' ? 1 : 0;
    }
    // One decimal mark at most: "1.234,5" could be either of two numbers.
    const std::optional<double> value = separators <= 1 ? parseNumber(t) : std::nullopt;
    if (!value) {
        *message = "The value entered is not valid";
        return std::nullopt;
    }
    if (*value < 0) {
        *message = "The value must be >= 0";
        return std::nullopt;
    }
    return value;
}

NewProjectCheck checkNewProject(const NewProjectForm &f) {
    if (!f.streetConfigDefined) {
        NewProjectCheck check;
        if (f.routeMode) {
            check.messages.push_back("Route Data File is not defined!");
            if (f.multiStreetMode) {
                check.messages.push_back("Street Collection File is not defined!");
            }
        } else if (f.multiStreetMode) {
            check.messages.push_back("Street Collection File is not defined!");
        } else {
            check.messages.push_back("Street Configuration is not defined!");
        }
        check.focus = NewProjectFocus::StreetConf;
        check.scrollToLeft = true;
        return check;
    }
    if (!yearShown(f.yearText)) {
        return refuse({"The Scenario Year is not defined!"}, NewProjectFocus::Year);
    }
    if (f.specialMode) {
        return {};
    }
    const bool standardTraffic = f.traffic == TrafficOption::Standard || f.traffic == TrafficOption::None;
    if (standardTraffic && blank(f.trafficFileText)) {
        return refuse({"The Diurnal Traffic type is not selected!"}, NewProjectFocus::TrafficType);
    }
    if (standardTraffic && !iequals(trim(f.trafficTypeText), "(none)")) {
        if (blank(f.adtText)) {
            return refuse({"Annual Average Diurnal Traffic is missing!"}, NewProjectFocus::ADT);
        }
        if (blank(f.speedText)) {
            return refuse({"Traffic Speed is missing!"}, NewProjectFocus::Speed);
        }
    }
    if (f.stdTrafficChosen && blank(f.adtText)) {
        return refuse({"Annual Average Diurnal Traffic is missing!"}, NewProjectFocus::None);
    }
    if (f.traffic == TrafficOption::UserFile) {
        if (blank(f.trafficFileText)) {
            return refuse({"A User Defined File with the Diurnal Traffic is not set!"},
                          NewProjectFocus::None);
        }
        if (f.adtEnabled && blank(f.adtText)) {
            return refuse({"Annual Average Diurnal Traffic is missing!"}, NewProjectFocus::ADT);
        }
        if (f.speedEnabled && blank(f.speedText)) {
            return refuse({"Traffic Speed is missing!"}, NewProjectFocus::Speed);
        }
    }
    std::string message;
    if (f.traffic != TrafficOption::HourlyFiles) {
        if (badNumber(f.adtText, f.adtEnabled, &message)) {
            return refuse({message}, NewProjectFocus::ADT);
        }
        if (badNumber(f.speedText, f.speedEnabled, &message)) {
            return refuse({message}, NewProjectFocus::Speed);
        }
    }
    const bool standardMetBack = f.metBack == MetBackOption::Standard || f.metBack == MetBackOption::None;
    if (standardMetBack && f.metBackFileCount == 0) {
        return refuse({"A file with meteorology and background data is not defined!"},
                      NewProjectFocus::MetBack);
    }
    if (standardMetBack && blank(f.citySizeText) && !f.noUrbEmiData) {
        return refuse({"City Size is not defined!"}, NewProjectFocus::CitySize);
    }
    if (f.metBack == MetBackOption::UserFiles && f.metBackFileCount == 0) {
        return refuse({"No user file with meteorology and background data is defined!"},
                      NewProjectFocus::None);
    }
    return {};
}

void completeNewProject(ProjectState &s, const NewProjectAcceptance &a) {
    if (!a.specialMode) {
        if (s.VehicleListFile.empty()) {
            s.VehicleListFile = s.DefaultVehicleListFile;
        }
        if (s.FuelListFile.empty()) {
            s.FuelListFile = s.DefaultFuelListFile;
        }
    }
    s.ProjectTypeCancelled = false;
    if (a.stdMetBackChosen && fileCount(s, kInputFileKind) > 0) {
        setFileFormatLists(s, kInputFileKind, 0, a.metBackLayout);
    }
    s.ScenarioYear = a.year;
    s.AnnualDiurnalTraffic = a.adt;
    s.AverageTrafficSpeed = a.speed;
    s.NewProjectPending = false;
    recountFileRecords(s);
    s.ProjectChanged = true;
}

std::string projectNameOfFile(const std::string &path) {
    std::string name = path;
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) {
        name = name.substr(slash + 1);
    }
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        name = name.substr(0, dot);
    }
    return name;
}

} // namespace vesk
