#include "platform/Expression.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vesk;

namespace {

struct Case {
    const char *text;
    double dayNow;
    double monthNow;
    double expected;
};

class EvaluatorValues : public ::testing::TestWithParam<Case> {};

TEST_P(EvaluatorValues, GiveTheExpectedValue) {
    const Case &c = GetParam();
    Evaluator ev;
    int day = ev.defineVariable("DayNow");
    int month = ev.defineVariable("MonthNow");
    ev.setVariable(day, c.dayNow);
    ev.setVariable(month, c.monthNow);
    Expression e;
    std::string error;
    ASSERT_TRUE(ev.parse(c.text, &e, &error)) << error;
    EXPECT_DOUBLE_EQ(ev.evaluate(e), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    PrecedenceCaseAndLogic, EvaluatorValues,
    ::testing::Values(
        // arithmetic precedence and brackets
        Case{"1 + 2 * 3", 0, 0, 7}, Case{"(1 + 2) * 3", 0, 0, 9}, Case{"10 - 4 - 3", 0, 0, 3},
        Case{"12 / 3 / 2", 0, 0, 2}, Case{"-2 * -3", 0, 0, 6}, Case{"2.5e1 + .5", 0, 0, 25.5},
        // comparisons give 1 or 0 and bind looser than arithmetic
        Case{"DayNow = 6", 6, 1, 1}, Case{"DayNow <> 6", 6, 1, 0}, Case{"DayNow<=5", 5, 1, 1},
        Case{"DayNow >= 6", 5, 1, 0}, Case{"DayNow < 2 + 4", 5, 1, 1}, Case{"DayNow > 5", 7, 1, 1},
        // AND binds tighter than OR; NOT looser than a comparison
        Case{"DayNow = 6 OR DayNow = 7 AND MonthNow = 1", 6, 5, 1},
        Case{"(DayNow = 6 OR DayNow = 7) AND MonthNow = 1", 6, 5, 0}, Case{"NOT DayNow = 6", 6, 1, 0},
        Case{"NOT DayNow = 6", 3, 1, 1}, Case{"NOT NOT 5", 0, 0, 1},
        // names and words in any letter case
        Case{"daynow <= 5 and MONTHNOW >= 4 And monthnow <= 9", 2, 7, 1},
        Case{"(DAYNOW=7) aNd (MonthNow<3)", 7, 2, 1},
        // an empty or blank condition always holds
        Case{"", 3, 3, 1}, Case{"   ", 3, 3, 1},
        // day-case style conditions as the traffic set-up builds them
        Case{"(DayNow <= 5) AND (MonthNow >= 6 AND MonthNow <= 8)", 3, 7, 1},
        Case{"(DayNow <= 5) AND (MonthNow >= 6 AND MonthNow <= 8)", 3, 9, 0}));

TEST(Evaluator, DivisionByZeroIsNotANumber) {
    Evaluator ev;
    Expression e;
    ASSERT_TRUE(ev.parse("1 / (2 - 2)", &e, nullptr));
    EXPECT_TRUE(std::isnan(ev.evaluate(e)));
}

TEST(Evaluator, AnExpressionNeverCompiledIsNotANumber) {
    Evaluator ev;
    EXPECT_TRUE(std::isnan(ev.evaluate(Expression())));
}

TEST(Evaluator, DefiningANameAgainKeepsItsHandleInAnyCase) {
    Evaluator ev;
    int a = ev.defineVariable("DayNow");
    EXPECT_EQ(ev.defineVariable("DAYNOW"), a);
    EXPECT_NE(ev.defineVariable("MonthNow"), a);
}

TEST(Evaluator, ACompiledExpressionSeesLaterVariableValues) {
    Evaluator ev;
    int day = ev.defineVariable("DayNow");
    Expression e;
    ASSERT_TRUE(ev.parse("DayNow * 10", &e, nullptr));
    ev.setVariable(day, 3);
    EXPECT_DOUBLE_EQ(ev.evaluate(e), 30);
    ev.setVariable(day, 4);
    EXPECT_DOUBLE_EQ(ev.evaluate(e), 40);
}

struct BadCase {
    const char *text;
    const char *fragment; // part of the error message
};

class EvaluatorRefuses : public ::testing::TestWithParam<BadCase> {};

TEST_P(EvaluatorRefuses, MalformedConditionsWithAClearMessage) {
    Evaluator ev;
    ev.defineVariable("DayNow");
    ev.defineVariable("MonthNow");
    Expression e;
    std::string error;
    EXPECT_FALSE(ev.parse(GetParam().text, &e, &error));
    EXPECT_NE(error.find(GetParam().fragment), std::string::npos) << error;
    EXPECT_TRUE(e.empty());
}

INSTANTIATE_TEST_SUITE_P(
    UnknownNamesAndSyntax, EvaluatorRefuses,
    ::testing::Values(BadCase{"Weekday = 6", "Unknown name \"Weekday\""},
                      BadCase{"DayNow = 6 AND Mnth = 2", "Unknown name \"Mnth\""},
                      BadCase{"(DayNow = 6", "Expected \")\""}, BadCase{"DayNow = ", "Expected a number"},
                      BadCase{"DayNow == 6", "Expected a number"},
                      BadCase{"DayNow = 6)", "end of the condition"},
                      BadCase{"DayNow 6", "end of the condition"}, BadCase{"AND DayNow", "Expected a number"},
                      BadCase{"5DayNow", "operator after the number"}, BadCase{"DayNow # 2", "position 8"}));

TEST(Evaluator, RefusesAbsurdNestingInsteadOfOverflowingItsStack) {
    Evaluator ev;
    Expression e;
    std::string deep(100000, '(');
    std::string error;
    EXPECT_FALSE(ev.parse(deep + "1", &e, &error));
    EXPECT_NE(error.find("nested"), std::string::npos);
}

TEST(Evaluator, DeepButReasonableNestingEvaluates) {
    Evaluator ev;
    Expression e;
    std::string text = std::string(150, '(') + "1" + std::string(150, ')');
    for (int i = 0; i < 100; ++i) {
        text = "1 + (" + text + ")";
    }
    ASSERT_FALSE(ev.parse(text, &e, nullptr)); // 250 levels: beyond the limit
    text = "1";
    for (int i = 0; i < 100; ++i) {
        text = "1 + 2 * (" + text + ")";
    }
    ASSERT_TRUE(ev.parse(text, &e, nullptr));
    EXPECT_DOUBLE_EQ(ev.evaluate(e), std::ldexp(1.0, 101) - 1); // needs a stack deeper than 64
}

} // namespace
