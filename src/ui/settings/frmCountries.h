#pragma once

// The countries dialog: choose the default country at first start, or (loaded
// without being shown while a country is current) add a new country.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace vesk::ui {

class HelpSystem;

struct CountryEntry {
    std::string Name;
    std::string code;
    bool IsDefault = false;
};

class frmCountries : public QDialog {
    Q_OBJECT
public:
    frmCountries(std::vector<CountryEntry> &countries, std::string &currentCountry, std::string &countryCode,
                 HelpSystem *help, QWidget *parent = nullptr);

    // Adds a country: gets the checked item's text, returns the new country's
    // name ("" = none added). Unset: nothing is added.
    std::function<std::string(const std::string &)> AddNewCountry;
    // Writes the countries file with the given default flags (one per entry).
    std::function<bool(const std::vector<CountryEntry> &, std::string *error)> writeCountries;

    // Runs the load steps that start the adding when a country is current.
    void startAdding();

    void lstCountries_Click(int index);
    void btnOK_Click();
    void btnCancel_Click();
    void btnHelp_Click();

    QListWidget *list() const { return lstCountries; }
    bool written() const { return m_written; }

    void reject() override;

private:
    void setupUi();
    void setCheck(int index, bool checked);
    bool isChecked(int index) const;

    std::vector<CountryEntry> &CountryList;
    std::string &CurrentCountry;
    std::string &CountryCode;
    HelpSystem *m_help;
    bool ListUpdating = false;
    bool HasCurrentCountry = false;
    std::string StartCountry;
    bool m_written = false;
    QListWidget *lstCountries = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *btnOK = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnHelp = nullptr;
};

} // namespace vesk::ui
