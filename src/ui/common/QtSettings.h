#pragma once

// User settings stored with QSettings under the application's name; the
// section is the group, the key the entry ("MRUFiles"/"0", "Files"/"LastPath").

#include "core/Settings.h"

#include <QSettings>
#include <memory>

namespace vesk::ui {

class QtSettings : public Settings {
public:
    // The user's settings of the application "WinVESK".
    QtSettings();
    // Settings kept in an INI file of their own (tests, portable use).
    explicit QtSettings(const QString &iniFile);

    std::string value(const std::string &section, const std::string &key,
                      const std::string &defaultValue = {}) const override;
    void setValue(const std::string &section, const std::string &key, const std::string &value) override;
    void remove(const std::string &section, const std::string &key) override;

    // Writes pending changes to the store.
    void sync() { m_settings->sync(); }

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace vesk::ui
