#pragma once

// Persistent user settings (last folder, recent files, help file, added
// countries), by section and key. The GUI stores them with QSettings; the
// batch entry and tests use MemorySettings, so the engine never depends on Qt.

#include <map>
#include <string>

namespace vesk {

class Settings {
public:
    virtual ~Settings() = default;
    virtual std::string value(const std::string &section, const std::string &key,
                              const std::string &defaultValue = {}) const = 0;
    virtual void setValue(const std::string &section, const std::string &key, const std::string &value) = 0;
    virtual void remove(const std::string &section, const std::string &key) = 0;
};

class MemorySettings : public Settings {
public:
    std::string value(const std::string &section, const std::string &key,
                      const std::string &defaultValue = {}) const override {
        auto it = m_values.find({section, key});
        return it == m_values.end() ? defaultValue : it->second;
    }
    void setValue(const std::string &section, const std::string &key, const std::string &value) override {
        m_values[{section, key}] = value;
    }
    void remove(const std::string &section, const std::string &key) override {
        m_values.erase({section, key});
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

} // namespace vesk
