#include "core/AddCountry.h"

#include "core/CoreState.h"
#include "core/CountryFiles.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>

namespace vesk {

namespace fs = std::filesystem;

namespace {

// The template lists of a new country, under the names the lists loader reads.
constexpr const char *kTemplateLists[] = {"Pollutants.lst", "DateNames.lst", "LimValDef.lst",
                                          "MetBack.lst",    "MetBack.fmt",   "UrbEmi.lst",
                                          "StrTrf.lst",     "PercDef.lst",   "UrbEmiFiles.lst"};

int calendarYear() {
    const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return static_cast<int>(std::chrono::year_month_day(today).year());
}

// The four national folders of a code, in the order they are made.
std::vector<fs::path> nationalFolders(const std::string &appDir, const std::string &code) {
    return {fs::path(appDir + "Lists/National/" + code), fs::path(appDir + "Data/Emission/National/" + code),
            fs::path(appDir + "Data/Traffic/National/" + code),
            fs::path(appDir + "Data/MetBack/National/" + code)};
}

std::string replaceAllI(std::string text, std::string_view word, const std::string &by) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + word.size() <= text.size() && iequals(std::string_view(text).substr(i, word.size()), word)) {
            out += by;
            i += word.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

bool readBytes(const fs::path &path, std::string *bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *bytes = buffer.str();
    return true;
}

// What one attempt with a code came to.
enum class Attempt { Added, AskCodeAgain, Stopped };

class Adding {
public:
    Adding(CoreState &s, Interaction &ui, const AddCountryHooks &hooks, NewCountryOption option)
        : m_s(s), m_ui(ui), m_hooks(hooks), m_option(option),
          m_year(hooks.year > 0 ? hooks.year : calendarYear()) {}

    Attempt run(const std::string &code) {
        FileTransaction files;
        Attempt result = Attempt::Stopped;
        switch (m_option) {
        case NewCountryOption::Existing:
            result = existing(code);
            break;
        case NewCountryOption::Package:
            result = package(code, files);
            break;
        case NewCountryOption::Defaults:
            result = defaults(code, files);
            break;
        case NewCountryOption::Cancelled:
            break;
        }
        if (result != Attempt::Added) {
            files.rollback();
        } else if (std::string error; !files.commit(&error)) {
            return failed(error);
        }
        return result;
    }

    // The source folder chosen for a package.
    std::string sourceDir;

private:
    Attempt existing(const std::string &code) {
        const std::string lists = findExisting(m_s.AppDir + "Lists/National/" + code);
        std::error_code ec;
        if (!fs::is_directory(lists, ec)) {
            m_ui.message("The folder " + lists + " does not exist." + kCrLf +
                             "You should select another Country Code!",
                         Icon::Critical);
            return Attempt::AskCodeAgain;
        }
        return Attempt::Added;
    }

    Attempt failed(const std::string &error) {
        m_ui.message(error, Icon::Critical);
        return Attempt::Stopped;
    }

    Attempt package(const std::string &code, FileTransaction &files) {
        std::vector<PackageItem> items;
        bool missing = false;
        std::string error;
        if (!readPackageList(sourceDir, m_s.AppDir, code, &items, &missing, &error)) {
            if (missing) {
                m_ui.message("Can't find the file: " + joinPath(sourceDir, "Files.lst"));
                return Attempt::Stopped;
            }
            return failed(error);
        }
        bool keepExisting = false;
        for (const fs::path &folder : nationalFolders(m_s.AppDir, code)) {
            const auto made = files.createFolder(folder, &error);
            if (made == FileTransaction::FolderResult::Failed) {
                return failed(error);
            }
            if (made == FileTransaction::FolderResult::Existed && !keepExisting) {
                const Answer a = m_ui.question(
                    std::string("A folder with this name exists already.") + kCrLf +
                        "If this folder contains files with the same name as a file in the Source Folder, "
                        "these files will be overwritten." +
                        kCrLf + kCrLf + "Press OK to continue with copying the files." + kCrLf + kCrLf +
                        "Press Cancel to abort the process and select another Country Code.",
                    Buttons::OkCancel, Icon::Information, Answer::Cancel);
                if (a != Answer::Ok) {
                    return Attempt::AskCodeAgain;
                }
                keepExisting = true;
            }
        }
        struct Finish {
            CopyProgress *p;
            ~Finish() {
                if (p != nullptr) {
                    p->finish();
                }
            }
        } finish{m_hooks.progress};
        if (m_hooks.progress != nullptr) {
            m_hooks.progress->start();
        }
        for (const PackageItem &item : items) {
            std::error_code ec;
            if (!fs::is_regular_file(findExisting(item.source), ec)) {
                const Answer a = m_ui.question(
                    "Can't find the file: " + item.source + kCrLf +
                        "You can continue with copying the remainig files and to add the missing file later "
                        "on or to cancel the process now." +
                        kCrLf + "To continue press 'OK', to cancel press 'Cancel'",
                    Buttons::OkCancel, Icon::Exclamation, Answer::Cancel);
                if (a != Answer::Ok) {
                    return Attempt::Stopped;
                }
                continue;
            }
            if (m_hooks.progress != nullptr) {
                m_hooks.progress->copying(item.source, item.target);
            }
            const bool copied = files.copyFile(findExisting(item.source), item.target, &error);
            if (m_hooks.progress != nullptr) {
                m_hooks.progress->copied();
            }
            if (!copied) {
                return failed(error);
            }
        }
        return Attempt::Added;
    }

    Attempt defaults(const std::string &code, FileTransaction &files) {
        std::string error;
        const auto folders = nationalFolders(m_s.AppDir, code);
        for (const fs::path &folder : folders) {
            const auto made = files.createFolder(folder, &error);
            if (made == FileTransaction::FolderResult::Failed) {
                return failed(error);
            }
            if (made == FileTransaction::FolderResult::Existed) {
                m_ui.message(std::string("A folder with this name exists already.") + kCrLf +
                                 "You should select another Country Code!",
                             Icon::Critical);
                return Attempt::AskCodeAgain;
            }
        }
        const fs::path &lists = folders[0];
        const std::string templates = m_s.AppDir + "NewCountry/";
        auto templateFile = [&](const std::string &name, fs::path *path) {
            *path = findExisting(templates + name);
            std::error_code ec;
            if (!fs::is_regular_file(*path, ec)) {
                error = "File not found: " + templates + name;
                return false;
            }
            return true;
        };
        fs::path source;
        for (const char *name : kTemplateLists) {
            if (!templateFile(name, &source) || !files.copyFile(source, lists / name, &error)) {
                return failed(error);
            }
        }
        const std::string year = std::to_string(m_year);
        const std::string vehicles = "Vehicles" + code + "_" + year + ".vlf";
        const std::string fuels = "Fuels" + code + "_" + year + ".flf";
        for (const auto &[from, to] : {std::pair<const char *, std::string>{"Vehicles.vlf", vehicles},
                                       std::pair<const char *, std::string>{"Fuels.flf", fuels}}) {
            std::string bytes;
            if (!templateFile(from, &source)) {
                return failed(error);
            }
            if (!readBytes(source, &bytes)) {
                return failed("The file " + source.string() + " could not be read.");
            }
            // The first line names the country and the year.
            const std::size_t end = std::min(bytes.find('\n'), bytes.size());
            const std::string first =
                replaceAllI(replaceAllI(bytes.substr(0, end), "CODE", code), "YEAR", year);
            if (!files.writeFile(lists / to, first + bytes.substr(end), &error)) {
                return failed(error);
            }
        }
        RecordWriter scenarios;
        scenarios.string("").integer(m_year).integer(m_year).endRecord();
        scenarios.integer(m_year).string(".\\" + vehicles).string(".\\" + fuels).endRecord();
        if (!files.writeFile(lists / "Scenarios.lst", scenarios.str(), &error)) {
            return failed(error);
        }
        if (!templateFile("FleetShare.xls", &source) ||
            !files.copyFile(source, folders[2] / "FleetShare.xls", &error) ||
            !templateFile("Fuel.xls", &source) || !files.copyFile(source, folders[1] / "Fuel.xls", &error)) {
            return failed(error);
        }
        return Attempt::Added;
    }

    CoreState &m_s;
    Interaction &m_ui;
    const AddCountryHooks &m_hooks;
    NewCountryOption m_option;
    int m_year;
};

} // namespace

std::string countryNameProblem(const CoreState &s, std::string_view name) {
    for (char c : name) {
        if (c == '"' || (static_cast<unsigned char>(c) < 0x20)) {
            return "A Country Name must not hold a double quote or a control character." +
                   std::string(kCrLf) + "You should select another Country Name!";
        }
    }
    if (s.CountryList.contains(name) || iequals(name, "Add New")) {
        return std::string(name) + " is already in the list of Countries." + kCrLf +
               "You should select another Country Name!";
    }
    return {};
}

std::string countryCodeProblem(std::string_view code) {
    bool valid = !code.empty() && code.size() <= 16 && code.front() != '-';
    for (char c : code) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool digit = c >= '0' && c <= '9';
        valid = valid && (letter || digit || c == '_' || c == '-');
    }
    if (valid) {
        return {};
    }
    return "The Country Code " + std::string(code) +
           " cannot name a folder: use 1 to 16 letters, digits, \"_\" or \"-\" (not \"-\" first)." + kCrLf +
           "You should select another Country Code!";
}

std::string AddNewCountry(CoreState &s, Settings &settings, Interaction &ui, const AddCountryHooks &hooks) {
    const NewCountryOption option = hooks.chooseOption ? hooks.chooseOption() : NewCountryOption::Cancelled;
    if (option == NewCountryOption::Cancelled) {
        return {};
    }
    if (option == NewCountryOption::Defaults) {
        const Answer a = ui.question(
            std::string("New sub-folders with national data settings will be created.") + kCrLf +
                "These data will not contain any files with default traffic, meteorology or urban background "
                "data." +
                kCrLf +
                "Emission Scenario files will contain dummy data only, and before using these files for the "
                "calculations they have to be edited by the user." +
                kCrLf + kCrLf + "Press OK to continue with this option." + kCrLf + kCrLf +
                "Press Cancel to abort the process.",
            Buttons::OkCancel, Icon::Information, Answer::Cancel);
        if (a != Answer::Ok) {
            return {};
        }
    }

    std::string name;
    for (;;) {
        const auto answer = ui.inputBox("Enter the Country Name", "", "");
        if (!answer || trim(*answer).empty()) {
            return {};
        }
        const std::string problem = countryNameProblem(s, *answer);
        if (problem.empty()) {
            name = *answer;
            break;
        }
        ui.message(problem, Icon::Critical);
    }

    Adding adding(s, ui, hooks, option);
    std::string code;
    for (;;) {
        const auto answer =
            ui.inputBox("Enter the Country Code. The Country Code will be used for naming the "
                        "sub-folders with the national data settings.",
                        "", "");
        if (!answer || trim(*answer).empty()) {
            return {};
        }
        const std::string problem = countryCodeProblem(*answer);
        if (!problem.empty()) {
            ui.message(problem, Icon::Critical);
            continue;
        }
        if (option == NewCountryOption::Package) {
            ui.message("Provide the Path to the Source Folder containing the files which should be copied to "
                       "the National Destination Folders.");
            const auto folder = hooks.chooseSourceFolder ? hooks.chooseSourceFolder() : std::nullopt;
            if (!folder || trim(*folder).empty()) {
                return {};
            }
            adding.sourceDir = withTrailingSlash(nativePath(*folder));
        }
        const Attempt result = adding.run(*answer);
        if (result == Attempt::Stopped) {
            return {};
        }
        if (result == Attempt::Added) {
            code = *answer;
            break;
        }
    }

    CountryItem item;
    item.Name = name;
    item.code = code;
    s.CountryList.add(name, item);
    std::string registered = settings.value("NewCountries", "Country Names");
    if (!trim(registered).empty()) {
        registered += ",";
    }
    registered += "\"" + name + "\",\"" + code + "\"";
    settings.setValue("NewCountries", "Country Names", registered);
    return name;
}

} // namespace vesk
