#include "core/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vesk;

TEST(Val, ReadsTheLeadingNumberAndIgnoresTheRest) {
    EXPECT_DOUBLE_EQ(Val("12.5 km"), 12.5);
    EXPECT_DOUBLE_EQ(Val("  -3"), -3.0);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(Val("2D2"), 200.0);
    EXPECT_DOUBLE_EQ(Val("1 2 3"), 123.0);
    EXPECT_DOUBLE_EQ(Val("abc"), 0.0);
    EXPECT_DOUBLE_EQ(Val(""), 0.0);
    EXPECT_DOUBLE_EQ(Val("2,5"), 2.0);
}

TEST(TypedNumber, ReadsACommaAsDecimalMark) {
    EXPECT_DOUBLE_EQ(typedNumber("2,5"), 2.5);
    EXPECT_DOUBLE_EQ(typedNumber("x"), 0.0);
}

TEST(ParseNumber, AcceptsOnlyAWholeNumber) {
    EXPECT_EQ(parseNumber(" 4.25 "), 4.25);
    EXPECT_EQ(parseNumber("4,25"), 4.25);
    EXPECT_EQ(parseNumber("-99"), -99.0);
    EXPECT_EQ(parseNumber("1.5E-2"), 0.015);
    EXPECT_FALSE(parseNumber(""));
    EXPECT_FALSE(parseNumber("12abc"));
    EXPECT_FALSE(parseNumber("1.2.3"));
    EXPECT_FALSE(parseNumber("-"));
}

TEST(RoundHalfEven, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(2.5001), 3);
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);
}

TEST(MissingText, KnowsTheMarkersOfAMissingInput) {
    for (const char *t : {"", "  ", "na", "NA", "n/a", "N/A", "#n/a", "#N/A"}) {
        EXPECT_TRUE(isMissingText(t)) << t;
    }
    for (const char *t : {"0", "-99", "nan", "n"}) {
        EXPECT_FALSE(isMissingText(t)) << t;
    }
}

TEST(MissingText, TakesBlanksTabsAndLineEndsAroundTheMarkerButNothingElse) {
    for (const char *t : {" NA\t", "\r\n", "\tN/a ", " #N/a\r"}) {
        EXPECT_TRUE(isMissingText(t)) << t;
    }
    for (const char *t : {"na na", "#n/ab", "n/", "#na", "n a", "-", "nA1"}) {
        EXPECT_FALSE(isMissingText(t)) << t;
    }
}
