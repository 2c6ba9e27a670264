// The rules by which patterns that could be read two ways are read, each a
// table of examples (see the header comment of calc/Format.h).

#include "calc/Format.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

struct NumberCase {
    double value;
    const char *pattern;
    const char *expected;
};

class NumberPattern : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberPattern, GivesTheExpectedText) {
    const auto &c = GetParam();
    EXPECT_EQ(Format(c.value, c.pattern), c.expected) << c.value << " with \"" << c.pattern << "\"";
}

INSTANTIATE_TEST_SUITE_P(PlaceholdersBetweenZerosAndThePointWriteADigit, NumberPattern,
                         ::testing::Values(NumberCase{1, "000###", "000001"},
                                           NumberCase{9.8, "#0.#0#0#0#0#", "9.80000000"},
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
    AnExponentWritesItsDigitsWithoutAPlaceholder, NumberPattern,
    ::testing::Values(NumberCase{1000001, "0.0000e+1", "1.0000e+61"},
                      NumberCase{1.7, "0.0000e-1", "1.7000e01"}, NumberCase{12345, "0.00E+", "1.23E+4"},
                      NumberCase{0.0123, "0.00E-", "1.23E-2"}, NumberCase{1.7, "0.0000e+0#", "1.7000e+0"},
                      NumberCase{1234.567, "0.00E+00", "1.23E+03"},
                      // With no integer placeholder the mantissa is below 1.
                      NumberCase{47.11, ".0000E+0", ".4711E+2"}, NumberCase{0.99999, ".0000E+0", ".1000E+1"},
                      NumberCase{-0.00012, ".00E-00", "-.12E-03"}, NumberCase{0, ".00E+00", ".00E+00"}));

INSTANTIATE_TEST_SUITE_P(ACommaBeforeABlankIsALiteral, NumberPattern,
                         ::testing::Values(NumberCase{123456789, "###, ###, ###", "123, 456, 789"},
                                           NumberCase{1234, "###, ###, ###", ", 1, 234"},
                                           NumberCase{1234567, "0, \"t\"", "1234567, t"},
                                           NumberCase{1234567, "#,##0", "1,234,567"},
                                           NumberCase{1234567, "0,", "1235"}));

INSTANTIATE_TEST_SUITE_P(AmPmMarksAloneAreTimePatterns, NumberPattern,
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

} // namespace
} // namespace vesk
