#pragma once

// Adding a country: the conversation that the "Add New" entry of the country
// box and of the countries dialog starts. It asks how the national data are
// provided, the country's name and code, makes the four national folders of
// the code and fills them (from a country data package, from the templates
// in AppDir "NewCountry/", or not at all when they exist already), then adds
// the country to CountryList and to the settings value
// "NewCountries"/"Country Names". It does not write Countries.ini.
//
// Every folder and file made by an attempt that fails or is cancelled is
// removed again, and files it overwrote are put back.

#include "core/Interaction.h"
#include "core/Settings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

struct CoreState;

// How the national data of the new country are provided.
enum class NewCountryOption : int {
    Cancelled = -1,
    Existing = 0, // the folders and data exist already
    Package = 1,  // a country data package with a Files.lst
    Defaults = 2, // new folders with the templates' default data
};

// The copying window, told about each file.
class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    virtual void start() = 0;
    virtual void copying(const std::string &from, const std::string &to) = 0;
    virtual void copied() = 0;
    virtual void finish() = 0;
};

// What the conversation needs of the windows around it.
struct AddCountryHooks {
    std::function<NewCountryOption()> chooseOption;
    // The package's source folder; nullopt or "" when cancelled.
    std::function<std::optional<std::string>()> chooseSourceFolder;
    CopyProgress *progress = nullptr;
    int year = 0; // the scenario year of the default lists; 0 = the calendar year
};

// "" when name may be the new country's name; otherwise the refusal (the
// name is listed already, "Add New" included, letter case ignored; or it
// holds a double quote or a control character). A name that is blank is
// not refused here: the conversation ends on it.
std::string countryNameProblem(const CoreState &s, std::string_view name);

// "" when code may name the national folders: 1 to 16 of the characters
// A-Z, a-z, 0-9, "_" and "-", not starting with "-".
std::string countryCodeProblem(std::string_view code);

// Runs the conversation. Returns the new country's name, "" when no country
// was added (cancelled, or a failure that was reported).
std::string AddNewCountry(CoreState &s, Settings &settings, Interaction &ui, const AddCountryHooks &hooks);

} // namespace vesk
