#include "ui/common/QtSettings.h"

namespace vesk::ui {

namespace {
QString entry(const std::string &section, const std::string &key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}
} // namespace

QtSettings::QtSettings()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("WinVESK"), QStringLiteral("WinVESK"))) {}

QtSettings::QtSettings(const QString &iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::string QtSettings::value(const std::string &section, const std::string &key,
                              const std::string &defaultValue) const {
    const QVariant v = m_settings->value(entry(section, key));
    return v.isValid() ? v.toString().toStdString() : defaultValue;
}

void QtSettings::setValue(const std::string &section, const std::string &key, const std::string &value) {
    m_settings->setValue(entry(section, key), QString::fromStdString(value));
}

void QtSettings::remove(const std::string &section, const std::string &key) {
    m_settings->remove(entry(section, key));
}

} // namespace vesk::ui
