#pragma once

// Adding a country with the program's windows: the data option dialog, the
// folder chooser of a package, the copying window, and the countries dialog
// that the country box loads (without showing it) to add a country.

#include "core/AddCountry.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace vesk {
struct CoreState;
}

namespace vesk::ui {

class HelpSystem;
struct CountryEntry;

// The two questions the adding asks through a dialog of its own. Unset
// members use the dialogs (frmCountrySelOptions, the folder chooser); tests
// set them.
struct CountryAddingWindows {
    std::function<NewCountryOption()> chooseOption;
    std::function<std::optional<std::string>()> chooseSourceFolder;
};

// Adds a country (see AddNewCountry). When entries is given, the new
// country is appended to it as well (the countries dialog's list).
std::string addCountryWithWindows(CoreState &s, Settings &settings, Interaction &ui, HelpSystem *help,
                                  QWidget *parent, const CountryAddingWindows &windows,
                                  std::vector<CountryEntry> *entries = nullptr);

// "Add New" in the country box: the countries dialog is loaded without being
// shown and adds a country; on success Countries.ini is written with the
// current country still the default. Returns the new country's name, ""
// when none was added. The current country is not changed here.
std::string addCountryFromCountryBox(CoreState &s, Settings &settings, Interaction &ui, HelpSystem *help,
                                     QWidget *parent, const CountryAddingWindows &windows);

} // namespace vesk::ui
