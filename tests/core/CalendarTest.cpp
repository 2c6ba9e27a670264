#include "core/Calendar.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(Calendar, KnowsLeapYearsAndMonthLengths) {
    EXPECT_TRUE(isLeapYear(2024));
    EXPECT_TRUE(isLeapYear(2000));
    EXPECT_FALSE(isLeapYear(1900));
    EXPECT_FALSE(isLeapYear(2023));
    EXPECT_EQ(daysInMonth(2024, 2), 29);
    EXPECT_EQ(daysInMonth(2023, 2), 28);
    EXPECT_EQ(daysInMonth(2023, 12), 31);
    EXPECT_EQ(daysInMonth(2023, 13), 0);
    EXPECT_FALSE(isRealDate(2023, 2, 29));
    EXPECT_TRUE(isRealDate(2024, 2, 29));
    EXPECT_FALSE(isRealDate(2023, 4, 31));
    EXPECT_FALSE(isRealDate(0, 1, 1));
    EXPECT_FALSE(isRealDate(2023, 1, 0));
}

TEST(Calendar, DayNumbersRoundTripAcrossCenturies) {
    EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(daysFromCivil(1899, 12, 30), -kSerialDayOf1970);
    EXPECT_EQ(daysFromCivil(2000, 3, 1) - daysFromCivil(2000, 2, 28), 2);
    for (long days : {-719468L, -25569L, -1L, 0L, 19358L, 2932896L}) {
        const CivilDate d = civilFromDays(days);
        EXPECT_EQ(daysFromCivil(d.year, d.month, d.day), days) << days;
        EXPECT_TRUE(isRealDate(d.year, d.month, d.day) || d.year < 1) << days;
    }
    const CivilDate y9999 = civilFromDays(daysFromCivil(9999, 12, 31));
    EXPECT_EQ(y9999.year, 9999);
    EXPECT_EQ(y9999.month, 12);
    EXPECT_EQ(y9999.day, 31);
}

TEST(Calendar, WeekdaysCountFromMonday) {
    EXPECT_EQ(weekdayOf(daysFromCivil(1970, 1, 1)), 4);   // Thursday
    EXPECT_EQ(weekdayOf(daysFromCivil(2023, 1, 2)), 1);   // Monday
    EXPECT_EQ(weekdayOf(daysFromCivil(2023, 1, 1)), 7);   // Sunday
    EXPECT_EQ(weekdayOf(daysFromCivil(1899, 12, 30)), 6); // Saturday
}
