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

namespace {

// The splitter as it was first written: the rest of the line copied after
// every field, and each separator looked for to the end of the rest. Its
// time grew with the square of the line's length, but its fields are the
// rule; the splitter must give the same for every line.
std::vector<std::string> referenceSplit(std::string_view line, std::string_view decimalSeparator) {
    const bool commaSeparates = decimalSeparator != ",";
    auto leftTrim = [](std::string_view v) {
        std::size_t i = 0;
        while (i < v.size() && v[i] == ' ') {
            ++i;
        }
        return std::string(v.substr(i));
    };
    std::vector<std::string> fields;
    std::string_view view = line;
    while (!view.empty() && view.front() == ' ') {
        view.remove_prefix(1);
    }
    while (!view.empty() && (view.back() == ' ' || view.back() == '\r' || view.back() == '\n')) {
        view.remove_suffix(1);
    }
    std::string s(view);
    s += ' ';
    while (s.size() >= 2) {
        std::size_t searchStart = 0;
        if (s[0] == '"') {
            const std::size_t close = s.find('"', 1);
            searchStart = close == std::string::npos ? s.size() - 2 : close;
        }
        std::size_t p = s.find(' ', searchStart);
        char sep = ' ';
        auto tryEarlier = [&](char c) {
            const std::size_t q = s.find(c, searchStart);
            if (q != std::string::npos && q < p) {
                p = q;
                sep = c;
            }
        };
        if (commaSeparates) {
            tryEarlier(',');
        }
        tryEarlier(';');
        tryEarlier('\t');
        fields.push_back(p == 0 ? std::string(" ") : s.substr(0, p));
        s = leftTrim(std::string_view(s).substr(p + 1));
        if (!s.empty()) {
            const char c = s[0];
            if ((c == ';' || c == '\t' || (commaSeparates && c == ',')) && c != sep) {
                s = leftTrim(std::string_view(s).substr(1));
            }
        }
    }
    return fields;
}

} // namespace

TEST(ReadListLine, SplitsEveryMixOfSeparatorsQuotesAndLineEndsAsTheRuleSays) {
    // Lines drawn from the characters that matter, with both decimal separators.
    const char alphabet[] = {' ', ' ', ',', ';', '\t', '"', 'a', 'b', '1', '.', '\r', '\n'};
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7fff;
    };
    for (int n = 0; n < 4000; ++n) {
        std::string line;
        const unsigned length = next() % 40;
        for (unsigned i = 0; i < length; ++i) {
            line += alphabet[next() % sizeof alphabet];
        }
        for (const char *separator : {".", ","}) {
            ASSERT_EQ(ReadListLine(line, separator), referenceSplit(line, separator))
                << "line \"" << line << "\", decimal separator " << separator;
        }
    }
}

TEST(ReadListLine, SplitsALineOfEightMegabytesOfWordsWhole) {
    // Each field is copied once. Copying the rest of the line after every
    // field, and looking for each separator to its end, took a quarter of a
    // minute for one megabyte and some fifteen minutes for this line.
    std::string line;
    for (int i = 0; i < 2800000; ++i) {
        line += "ab ";
    }
    line += "\"last, quoted\"";
    const auto fields = ReadListLine(line, ".");
    ASSERT_EQ(fields.size(), 2800001u);
    EXPECT_EQ(fields[0], "ab");
    EXPECT_EQ(fields[2799999], "ab");
    EXPECT_EQ(fields.back(), "\"last, quoted\"");
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
