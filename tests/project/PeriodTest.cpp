#include "project/Period.h"
#include "project/ProjectState.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

TEST(Period, DateBoxesAcceptFourDigitYearsInTheUsualOrders) {
    struct Case {
        const char *text;
        std::optional<PeriodDate> date;
    };
    const Case cases[] = {
        {"2023-01-15", PeriodDate{2023, 1, 15}},
        {"15-01-2023", PeriodDate{2023, 1, 15}},
        {"15.1.2023", PeriodDate{2023, 1, 15}},
        {"15/01/2023", PeriodDate{2023, 1, 15}},
        {"29.02.2024", PeriodDate{2024, 2, 29}},
        {"29.02.2023", std::nullopt},
        {"31-02-2003", std::nullopt},
        {"15-01-23", std::nullopt},
        {"2023-13-01", std::nullopt},
        {"", std::nullopt},
        {"__-__-__", std::nullopt},
        {"2023-01", std::nullopt},
        {"1900-02-29", std::nullopt},
        {"2000-02-29", PeriodDate{2000, 2, 29}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(parsePeriodDate(c.text), c.date) << c.text;
    }
}

TEST(Period, HoursRunFromZeroToTwentyFourAndNoNumberIsRefusedQuietly) {
    ProjectState s;
    ScriptedInteraction ui;
    EXPECT_EQ(checkPeriodHour(s, ui, "24"), 24);
    EXPECT_EQ(checkPeriodHour(s, ui, "0"), 0);
    EXPECT_FALSE(s.HourError);
    for (const char *bad : {"25", "-1"}) {
        ui.messages.clear();
        EXPECT_FALSE(checkPeriodHour(s, ui, bad));
        EXPECT_TRUE(s.HourError);
        ASSERT_EQ(ui.messages.size(), 1u) << bad;
        EXPECT_EQ(ui.messages[0], "The value of Hour is not correct!");
    }
    for (const char *quiet : {"", "abc"}) {
        ui.messages.clear();
        EXPECT_FALSE(checkPeriodHour(s, ui, quiet));
        EXPECT_TRUE(s.HourError);
        EXPECT_TRUE(ui.messages.empty()) << quiet;
    }
    EXPECT_EQ(parsePeriodHour("6,5"), 6); // halves round to even
    EXPECT_EQ(parsePeriodHour("7.5"), 8);
}

TEST(Period, CommandLineDatesAreEightDigitsOfARealDay) {
    EXPECT_EQ(parseEightDigitDate("20230115"), (PeriodDate{2023, 1, 15}));
    EXPECT_FALSE(parseEightDigitDate("20230229"));
    EXPECT_FALSE(parseEightDigitDate("2023115"));
    EXPECT_FALSE(parseEightDigitDate("2023-1-15"));
}
