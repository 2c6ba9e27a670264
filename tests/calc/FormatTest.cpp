#include "calc/Format.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

struct NumberCase {
    double value;
    const char *pattern;
    const char *expected;
};

class FormatNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FormatNumber, GivesTheTextOfTheRunTimeFormat) {
    const auto &c = GetParam();
    EXPECT_EQ(Format(c.value, c.pattern), c.expected) << c.value << " with \"" << c.pattern << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatNumber,
    ::testing::Values(
        // "0.0": fixed one decimal, halves away from zero.
        NumberCase{1.5, "0.0", "1.5"}, NumberCase{1, "0.0", "1.0"}, NumberCase{0, "0.0", "0.0"},
        NumberCase{1234.567, "0.0", "1234.6"}, NumberCase{-1.5, "0.0", "-1.5"},
        NumberCase{0.25, "0.0", "0.3"}, NumberCase{-0.25, "0.0", "-0.3"}, NumberCase{-0.04, "0.0", "0.0"},
        NumberCase{-99, "0.0", "-99.0"}, NumberCase{1.005, "0.00", "1.01"},
        // "0.#0": the optional digit shows only when a significant digit follows.
        NumberCase{1.5, "0.#0", "1.50"}, NumberCase{1, "0.#0", "1.0"}, NumberCase{0, "0.#0", "0.0"},
        NumberCase{1234.567, "0.#0", "1234.57"}, NumberCase{-1.5, "0.#0", "-1.50"},
        NumberCase{1.05, "0.#0", "1.05"},
        // "#": no digit for zero, halves up.
        NumberCase{1.5, "#", "2"}, NumberCase{1, "#", "1"}, NumberCase{0, "#", ""}, NumberCase{2.5, "#", "3"},
        NumberCase{1234.567, "#", "1235"}, NumberCase{-1.5, "#", "-2"}, NumberCase{-0.4, "#", ""},
        NumberCase{0.5, "#.##", ".5"}, NumberCase{1, "#.##", "1."}, NumberCase{7, "000", "007"},
        // Grouping, scaling, percent, exponent, literals and sections.
        NumberCase{1234.567, "#,##0.00", "1,234.57"}, NumberCase{-1234567.891, "#,##0.00", "-1,234,567.89"},
        NumberCase{0, "#,##0.00", "0.00"}, NumberCase{1234567, "0,", "1235"}, NumberCase{0.256, "0%", "26%"},
        NumberCase{1234.567, "0.00E+00", "1.23E+03"}, NumberCase{0.00012, "0.00E+00", "1.20E-04"},
        NumberCase{9.999, "0.00E+00", "1.00E+01"}, NumberCase{12.5, "0.0 \"ug\"", "12.5 ug"},
        NumberCase{-1.5, "0.0;(0.0)", "(1.5)"}, NumberCase{0, "0.0;(0.0);\"zero\"", "zero"},
        NumberCase{1.5, "@@@@@@", "   1.5"}, NumberCase{0.1, "", "0.1"}, NumberCase{1234.5, "", "1234.5"}));

TEST(FormatNamed, NamedFormatsActLikeTheirPatterns) {
    EXPECT_EQ(Format(1234.567, "Fixed"), "1234.57");
    EXPECT_EQ(Format(1234.567, "standard"), "1,234.57");
    EXPECT_EQ(Format(0.256, "Percent"), "25.60%");
    EXPECT_EQ(Format(1234.567, "Scientific"), "1.23E+03");
    EXPECT_EQ(Format(2.5f, "General Number"), "2.5");
    EXPECT_EQ(Format(0L, "Yes/No"), "No");
    EXPECT_EQ(Format(-1L, "True/False"), "True");
    EXPECT_EQ(Format(DateTimeParts{2003, 1, 5, 7, 30, 0}, "Short Date"), "05-01-2003");
    EXPECT_EQ(Format(DateTimeParts{2003, 1, 5, 7, 30, 0}, "Short Time"), "07:30");
    EXPECT_EQ(Format("2003-01-05 07:30", "General Date"), "05-01-2003 07:30:00");
    EXPECT_EQ(Format("12.5", "Fixed"), "12.50");
}

TEST(FormatSingle, UsesSevenSignificantDigits) {
    EXPECT_EQ(Format(1.1f, ""), "1.1");
    EXPECT_EQ(Format(0.15f, "0.0"), "0.2");
    EXPECT_EQ(Format(1e-5f, ""), "1E-05");
    EXPECT_EQ(Format(0.0001f, ""), "0.0001");
    EXPECT_EQ(Format(12345678.f, ""), "1.234568E+07");
    EXPECT_EQ(Format(-99.f, ""), "-99");
    EXPECT_EQ(Format(3, "00"), "03");
    EXPECT_EQ(Format(24L, ""), "24");
}

TEST(FormatDate, DayMonthYearAndHourPatterns) {
    DateTimeParts t{2003, 1, 5, 7, 30, 0};
    EXPECT_EQ(Format(t, "dd-mm-yy  hh"), "05-01-03  07");
    EXPECT_EQ(Format(t, "d/m/yyyy h:mm"), "5/1/2003 7:30");
    EXPECT_EQ(Format(t, "ddd dd mmm yyyy"), "Sun 05 Jan 2003");
    EXPECT_EQ(Format(t, "dddd mmmm"), "Sunday January");
    EXPECT_EQ(Format(t, "w ww q y"), "1 2 1 5");
    EXPECT_EQ(Format(t, "hh:nn:ss AM/PM"), "07:30:00 AM");
    EXPECT_EQ(Format(DateTimeParts{2003, 1, 5, 19, 5, 9}, "h:n:s a/p"), "7:5:9 p");
    EXPECT_EQ(Format(t, "yyyy\"-W\"ww"), "2003-W2");
}

TEST(FormatDate, DateTextsAndSerialNumbersAreFormattedAsDates) {
    EXPECT_EQ(Format("2003-01-05 14:00", "dd-mm-yy  hh"), "05-01-03  14");
    EXPECT_EQ(Format("05-01-2003", "yyyy-mm-dd"), "2003-01-05");
    EXPECT_EQ(Format("5.1.2003 24:00", "dd-mm-yy  hh"), "06-01-03  00");
    EXPECT_EQ(Format(37626.25, "dd-mm-yy  hh"), "05-01-03  06");
    EXPECT_EQ(Format("05-01-2003", ""), "05-01-2003");
    EXPECT_EQ(Format("12.5", "0.00"), "12.50");
    EXPECT_EQ(Format("not a date", "dd-mm-yy"), "not a date");
    DateTimeParts t;
    EXPECT_FALSE(parseDateTimeText("31-02-2003", &t));
    EXPECT_FALSE(parseDateTimeText("05-01-03", &t)) << "two-digit years are refused";
    EXPECT_TRUE(parseDateTimeText("29.02.2004 13:45", &t));
    EXPECT_EQ(t.hour, 13);
    EXPECT_EQ(t.minute, 45);
}

TEST(FormatText, PlaceholdersFillFromTheRightUnlessFlaggedLeft) {
    EXPECT_EQ(Format("abc", "@@@@@"), "  abc");
    EXPECT_EQ(Format("abc", "!@@@@@"), "abc  ");
    EXPECT_EQ(Format("abcd", "@@"), "abcd");
    EXPECT_EQ(Format("abcd", "!@@"), "abcd");
    EXPECT_EQ(Format("ab", "&&&"), "ab");
    EXPECT_EQ(Format("abc", ">@@@"), "ABC");
    EXPECT_EQ(Format("12345", "@@-@@@"), "12-345");
    EXPECT_EQ(Format("x", "@"), "x");
    EXPECT_EQ(Format("", "@@"), "  ");
}

TEST(PrintNumber, SpecialModeItemsHaveSignPlaceAndTrailingBlank) {
    EXPECT_EQ(printNumberText(1.5f), " 1.5 ");
    EXPECT_EQ(printNumberText(0.5f), " .5 ");
    EXPECT_EQ(printNumberText(-0.25f), "-.25 ");
    EXPECT_EQ(printNumberText(-99.f), "-99 ");
    EXPECT_EQ(printNumberText(0.f), " 0 ");
    EXPECT_EQ(printNumberText(1e-5f), " 1E-05 ");
    EXPECT_EQ(printNumberText(1.0f / 3.0f), " .3333333 ");
}

// The cells joined by the width rule, all of one width.
std::string row(std::initializer_list<const char *> texts, int width) {
    std::string r;
    bool first = true;
    for (auto t : texts) {
        appendCell(r, t, width, first);
        first = false;
    }
    return r;
}

TEST(WidthRule, JoinsAlignsAndSeparatesCells) {
    EXPECT_EQ(row({"a", "b", "c"}, 0), "a;b;c");
    EXPECT_EQ(row({"1.5", "22"}, 6), "   1.5    22");
    EXPECT_EQ(row({"1.5", "22"}, -6), "   1.5;    22");
    EXPECT_EQ(row({"1234567", "8"}, 6), "1234567     8") << "a longer text is written whole";
    EXPECT_EQ(row({"µg", "x"}, 4), "  µg   x") << "characters count, not bytes";
}

TEST(WidthRule, AFieldThatFillsOrOverflowsItsWidthStillHasABlankBeforeIt) {
    EXPECT_EQ(row({"2023-01-01", "2023-01-01 00:00"}, 10), "2023-01-01 2023-01-01 00:00");
    EXPECT_EQ(row({"0.2524391", "DemoStreet.trf"}, 9), "0.2524391 DemoStreet.trf");
    EXPECT_EQ(row({"123456", "123456", "1"}, 6), "123456 123456     1") << "exactly the width";
    EXPECT_EQ(row({"µg/m³µg", "µg/m³µg"}, 7), "µg/m³µg µg/m³µg") << "characters count, not bytes";
    EXPECT_EQ(row({"1234567", "1234567"}, -6), "1234567;1234567") << "a separator already parts them";
    EXPECT_EQ(row({"1234567", "1234567"}, 0), "1234567;1234567");
}

} // namespace
} // namespace vesk
