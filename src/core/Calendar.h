#pragma once

// Calendar arithmetic of the proleptic Gregorian calendar, shared by the
// period checks, the dating of hours, date formatting and the table readers.
// Day numbers count days since 1970-01-01 (negative before it); an OLE date
// serial counts days since 1899-12-30 (day number -25569).

namespace vesk {

struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
};

inline constexpr long kSerialDayOf1970 = 25569; // OLE serial of 1970-01-01

bool isLeapYear(int year);
// Days in a month (0 for a month outside 1..12).
int daysInMonth(int year, int month);
// Whether year (>= 1), month and day form a real date.
bool isRealDate(int year, int month, int day);
// Day number of a calendar date.
long daysFromCivil(int year, int month, int day);
// Calendar date of a day number.
CivilDate civilFromDays(long days);
// Weekday of a day number, Monday = 1 .. Sunday = 7.
int weekdayOf(long days);

} // namespace vesk
