#include "core/Calendar.h"

namespace vesk {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static const int length[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    return length[month - 1] + (month == 2 && isLeapYear(year) ? 1 : 0);
}

bool isRealDate(int year, int month, int day) {
    return year >= 1 && day >= 1 && day <= daysInMonth(year, month);
}

// The two conversions below count in 400-year eras of 146,097 days, with
// years starting on 1 March so that the leap day ends a year.
long daysFromCivil(int year, int month, int day) {
    const long y = year - (month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(long days) {
    const long z = days + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long y = yoe + era * 400;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    CivilDate d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(d.month <= 2 ? y + 1 : y);
    return d;
}

int weekdayOf(long days) {
    // 1970-01-01 was a Thursday.
    const long w = (days + 3) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w) + 1;
}

} // namespace vesk
