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

TEST_P(FormatNumber, APatternCompiledOnceGivesTheSameTextEveryTime) {
    const auto &c = GetParam();
    const CompiledFormat compiled(c.pattern);
    std::string row = "x;";
    compiled.append(c.value, row);
    row += ';';
    compiled.append(c.value, row);
    EXPECT_EQ(row, std::string("x;") + c.expected + ";" + c.expected)
        << c.value << " with \"" << c.pattern << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatNumber,
    ::testing::Values(
        // "0.0": fixed one decimal, halves away from zero.
        NumberCase{1.5, "0.0", "1.5"}, NumberCase{1, "0.0", "1.0"}, NumberCase{0, "0.0", "0.0"},
        NumberCase{1234.567, "0.0", "1234.6"}, NumberCase{-1.5, "0.0", "-1.5"},
        NumberCase{0.25, "0.0", "0.3"}, NumberCase{-0.25, "0.0", "-0.3"}, NumberCase{-0.04, "0.0", "0.0"},
        NumberCase{-99, "0.0", "-99.0"}, NumberCase{1.005, "0.00", "1.01"},
        // "0.#0", the results table's default: two decimals, as the "#" stands before a "0".
        NumberCase{1.5, "0.#0", "1.50"}, NumberCase{1, "0.#0", "1.00"}, NumberCase{0, "0.#0", "0.00"},
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

// The rules by which patterns that could be read two ways are read (see the
// header comment of calc/Format.h), each a table of examples.
INSTANTIATE_TEST_SUITE_P(PlaceholdersBetweenZerosAndThePointWriteADigit, FormatNumber,
                         ::testing::Values(NumberCase{1, "000###", "000001"},
                                           NumberCase{9.8, "#0.#0#0#0#0#", "9.80000000"},
                                           // The "0" of "0#" asks for a tens digit.
                                           NumberCase{1.2, "0#.0#0#0#0#0", "01.200000000"},
                                           NumberCase{1, "0.#0", "1.00"}, NumberCase{0.5, "0.#0", "0.50"},
                                           NumberCase{-2, "0.#0", "-2.00"},
                                           NumberCase{1, "#00##00#0", "00000001"},
                                           NumberCase{1, "1#####0000", "10001"}, NumberCase{0, "#0#", "00"},
                                           NumberCase{5, "#0#", "05"}, NumberCase{1, "#,##0.#0", "1.00"},
                                           // A "#" before the first "0" or after the last one stays optional.
                                           NumberCase{5, "##0", "5"}, NumberCase{1.5, "0.0#", "1.5"},
                                           NumberCase{1.25, "0.0#", "1.25"}, NumberCase{1, "0.0#0#", "1.000"},
                                           NumberCase{1.00001, "0.0#0#", "1.000"}));

INSTANTIATE_TEST_SUITE_P(
    AnExponentWritesItsDigitsWithoutAPlaceholder, FormatNumber,
    ::testing::Values(NumberCase{1000001, "0.0000e+1", "1.0000e+61"},
                      NumberCase{1.7, "0.0000e-1", "1.7000e01"}, NumberCase{12345, "0.00E+", "1.23E+4"},
                      NumberCase{0.0123, "0.00E-", "1.23E-2"}, NumberCase{1.7, "0.0000e+0#", "1.7000e+0"},
                      NumberCase{1234.567, "0.00E+00", "1.23E+03"},
                      // With no integer placeholder the mantissa is below 1.
                      NumberCase{47.11, ".0000E+0", ".4711E+2"}, NumberCase{0.99999, ".0000E+0", ".1000E+1"},
                      NumberCase{-0.00012, ".00E-00", "-.12E-03"}, NumberCase{0, ".00E+00", ".00E+00"}));

INSTANTIATE_TEST_SUITE_P(ACommaBeforeABlankIsALiteral, FormatNumber,
                         ::testing::Values(NumberCase{123456789, "###, ###, ###", "123, 456, 789"},
                                           NumberCase{1234, "###, ###, ###", ", 1, 234"},
                                           NumberCase{1234567, "0, \"t\"", "1234567, t"},
                                           NumberCase{1234567, "#,##0", "1,234,567"},
                                           NumberCase{1234567, "0,", "1235"}));

INSTANTIATE_TEST_SUITE_P(AmPmMarksAloneAreTimePatterns, FormatNumber,
                         ::testing::Values(NumberCase{0.525, "A/P", "P"}, NumberCase{0.525, "a/p", "p"},
                                           NumberCase{0.25, "A/P", "A"}, NumberCase{37626.75, "AM/PM", "PM"},
                                           NumberCase{0.525, "\"A/P\"", "A/P"}));

TEST(TimeMarkers, TextsAndDatesTakeTheTimePatternToo) {
    EXPECT_EQ(Format("12:36", "a/p"), "p");
    EXPECT_EQ(Format(DateTimeParts{2003, 1, 5, 7, 30, 0}, "A/P"), "A");
    EXPECT_EQ(Format(3L, "a/p"), "a") << "whole days are midnight";
}

struct TextCase {
    const char *text;
    const char *pattern;
    const char *expected;
};

class TextPattern : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextPattern, GivesTheExpectedText) {
    const auto &c = GetParam();
    EXPECT_EQ(Format(c.text, c.pattern), c.expected) << "\"" << c.text << "\" with \"" << c.pattern << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    ShortTextsFillFromTheRightUnlessABangStandsAnywhere, TextPattern,
    ::testing::Values(TextCase{"abc", "@@@@@", "  abc"}, TextCase{"abc", "!@@@@@", "abc  "},
                      TextCase{"ab", "@@@@@!", "ab   "}, TextCase{"ab", "@@!@@@", "ab   "},
                      TextCase{"ab", "&&&", "ab"}, TextCase{"12345", "@@-@@@", "12-345"},
                      TextCase{"123", "@@-@@@", "  -123"}, TextCase{"123", "!@@-@@@", "12-3  "},
                      TextCase{"x", "@", "x"}, TextCase{"", "@@", "  "}, TextCase{"ab", "\\!@@@", "! ab"},
                      TextCase{"ab", "\"!\"@@@", "! ab"}));

INSTANTIATE_TEST_SUITE_P(LongTextsFillFromTheLeftAndEndWithTheRest, TextPattern,
                         ::testing::Values(TextCase{"testing", "\\x@\\x@", "xtxesting"},
                                           TextCase{"testing", "&&&&&&&!", "testing"},
                                           TextCase{"abcd", "@@", "abcd"}, TextCase{"abcd", "!@@", "abcd"},
                                           TextCase{"1234567", "@@-@@@", "12-34567"},
                                           TextCase{"testing", "@@-", "te-sting"}));

INSTANTIATE_TEST_SUITE_P(TheLastCaseMarkSetsTheCase, TextPattern,
                         ::testing::Values(TextCase{"abCD", "<&>&", "ABCD"}, TextCase{"abCD", ">&<&", "abcd"},
                                           TextCase{"abc", ">@@@", "ABC"},
                                           TextCase{"abc", "\">\"@@@", ">abc"}));

INSTANTIATE_TEST_SUITE_P(PlaceholdersTakeWholeCharacters, TextPattern,
                         ::testing::Values(TextCase{"µg", "@@@@", "  µg"}, TextCase{"gµ", "@-@", "g-µ"},
                                           TextCase{"µg/m³", "@@@@@@", " µg/m³"}));

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
    EXPECT_EQ(Format(DateTimeParts{2003, 1, 5, 19, 5, 9}, "Long Time"), "19:05:09") << "24-hour clock";
    EXPECT_EQ(Format(0.75, "long time"), "18:00:00");
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

TEST(WidthRule, WideFieldsAndLongTextsAreWrittenWhole) {
    const std::string longText(300, 'x');
    EXPECT_EQ(row({"1", longText.c_str()}, 0), "1;" + longText);
    EXPECT_EQ(row({"1", longText.c_str()}, 10), "         1 " + longText);
    EXPECT_EQ(row({"1", "2"}, -200), std::string(199, ' ') + "1;" + std::string(199, ' ') + "2");
    EXPECT_EQ(row({"µ", "2"}, 127), std::string(126, ' ') + "µ" + std::string(126, ' ') + "2");
    std::string r = "a";
    appendCell(r, "b", 0, false, " | ");
    EXPECT_EQ(r, "a | b") << "a separator of several characters";
}

// A reused row written in place: each row must come out as appendCell builds
// it, whatever longer row the string held before (its room is kept and
// never shown), for texts of every length around the short-copy limits.
TEST(WidthRule, ARowWrittenInPlaceOverALongerOneGivesTheAppendedRow) {
    std::string reused(400, '#');
    for (int width : {0, 1, 5, 9, -7, 20}) {
        for (std::size_t length = 0; length <= 17; ++length) {
            const std::string a(length, 'a');
            const std::string b = std::string(length, 'b') + "\xC2\xB5"; // ends in a two-byte character
            std::string appended;
            appendCell(appended, a, width, true);
            appendCell(appended, b, width, false);
            appendCell(appended, a, width, false, " | ");
            std::size_t used = writeCell(reused, 0, a, width, true, ";", true);
            used = writeCell(reused, used, b, width, false);
            used = writeCell(reused, used, a, width, false, " | ", true);
            EXPECT_EQ(reused.substr(0, used), appended) << "width " << width << ", length " << length;
            EXPECT_GE(reused.size(), 400u) << "the room is kept";
        }
    }
    std::string empty;
    EXPECT_EQ(writeCell(empty, 0, "", 0, true), 0u);
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
