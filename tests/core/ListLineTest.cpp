#include "core/ListLine.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

struct SplitCase {
    const char *name;
    const char *line;
    const char *decimalSeparator;
    std::vector<std::string> fields;
};

class ReadListLineSplits : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ReadListLineSplits, IntoTheExpectedFields) {
    const auto &c = GetParam();
    EXPECT_EQ(ReadListLine(c.line, c.decimalSeparator), c.fields);
}

const SplitCase kSplitCases[] = {
    {"EmptyLineGivesNoField", "", ".", {}},
    {"BlanksOnlyGiveNoField", "     ", ".", {}},
    {"TwoBlanksSeparateOnce", "alpha  beta", ".", {"alpha", "beta"}},
    {"CommaJoinsTwoNumbersWithPointDecimals", "1.5,2.25", ".", {"1.5", "2.25"}},
    {"SemicolonJoinsDecimalCommaNumbers", "1,5;2,25", ",", {"1,5", "2,25"}},
    {"BlankJoinsDecimalCommaNumbers", "1,5 2,25", ",", {"1,5", "2,25"}},
    {"QuotedTextKeepsQuotesBlanksAndComma", "\"NOx, total mass\" 12", ".", {"\"NOx, total mass\"", "12"}},
    {"UnclosedQuoteTakesTheRestOfTheLine", "\"open text, more", ".", {"\"open text, more"}},
    {"TabThenSemicolonIsOneSeparation", "a\t;b", ".", {"a", "b"}},
    {"TwoTabsEncloseAnEmptyField", "a\t\tb", ".", {"a", " ", "b"}},
    {"TwoCommasEncloseAnEmptyField", "a,,b", ".", {"a", " ", "b"}},
    {"BlankThenCommaIsOneSeparation", "a ,b", ".", {"a", "b"}},
    {"BlankThenSemicolonIsOneSeparation", "a ; b", ".", {"a", "b"}},
    {"LeadingAndTrailingBlanksAreIgnored", "   x y   ", ".", {"x", "y"}},
    {"CommaIsNoSeparatorWithDecimalComma", "a,b c", ",", {"a,b", "c"}},
    {"TrailingCarriageReturnIsIgnored", "1 2\r", ".", {"1", "2"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReadListLineSplits, ::testing::ValuesIn(kSplitCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ReadListLine, ManyFieldsAreAllKept) {
    std::string line;
    for (int i = 1; i <= 120; ++i) {
        line += std::to_string(i) + " ";
    }
    const auto fields = ReadListLine(line, ".");
    ASSERT_EQ(fields.size(), 120u);
    EXPECT_EQ(fields.back(), "120");
}

TEST(SmallRoutines, TrimNullCutsAtTheFirstNul) {
    EXPECT_EQ(TrimNull("plain"), "plain");
    EXPECT_EQ(TrimNull(std::string("\0abc", 4)), "");
    EXPECT_EQ(TrimNull(std::string("ab\0cd", 5)), "ab");
}

TEST(SmallRoutines, MaxAndMinOfEqualValuesReturnThatValue) {
    EXPECT_EQ(MaxLong(7, 7), 7);
    EXPECT_EQ(MinLong(-3, -3), -3);
    EXPECT_EQ(MaxLong(-5, 2), 2);
    EXPECT_EQ(MinLong(-5, 2), -5);
}

TEST(SmallRoutines, PeekIntegerReadsTwoBytes) {
    const int16_t values[2] = {-1234, 77};
    EXPECT_EQ(PeekInteger(&values[0]), -1234);
    EXPECT_EQ(PeekInteger(&values[1]), 77);
}

} // namespace
