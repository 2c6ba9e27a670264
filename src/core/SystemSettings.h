#pragma once

// What the program asks of the system's regional settings at start-up. On
// this platform numbers are always read and written with a decimal point,
// so the decimal separator is "."; the flag is 0 (the sketch's rotated text
// needs no adjustment here). Tests may construct other values.

#include <string>
#include <utility>

namespace vesk {

class SystemSettings {
public:
    SystemSettings() = default;
    SystemSettings(std::string decimalSeparator, int flag)
        : m_decimalSeparator(std::move(decimalSeparator)), m_flag(flag) {}

    const std::string &DecimalSeparator() const { return m_decimalSeparator; }
    int Flag() const { return m_flag; }

private:
    std::string m_decimalSeparator = ".";
    int m_flag = 0;
};

} // namespace vesk
