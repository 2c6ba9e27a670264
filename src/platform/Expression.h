#pragma once

// A small expression evaluator for the day-case conditions of traffic files.
//
// Syntax (names and words in any letter case):
//   numbers        12, 0.5, 1e3            ("." is the decimal mark)
//   variables      names defined on the evaluator, e.g. DayNow, MonthNow
//   arithmetic     + - * /  and unary + -
//   comparisons    =  <>  <  >  <=  >=     (true is 1, false is 0)
//   logic          NOT, AND, OR            (any non-zero value counts as true)
//   brackets       ( ... )
// Precedence, from tightest to loosest: unary sign, * /, + -, comparisons,
// NOT, AND, OR; binary operators of one level group from the left. So
// "NOT DayNow = 6" means NOT (DayNow = 6).
//
// An empty (or blank) condition compiles to the constant 1: it always holds.
// A division by zero gives NaN, which never equals 1.
//
// Compiling checks every name against the variables defined so far, so a
// misspelt name is reported at compile time instead of silently counting as 0.
// Evaluating allocates nothing for ordinary expressions and never throws.

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

// A compiled expression: postfix code over the evaluator's variable slots.
// It stays valid as long as the evaluator that compiled it (variables are
// only ever added, never removed).
class Expression {
public:
    enum class Op : unsigned char {
        Number,
        Variable,
        Negate,
        Not,
        Add,
        Sub,
        Mul,
        Div,
        Eq,
        Ne,
        Lt,
        Gt,
        Le,
        Ge,
        And,
        Or
    };
    struct Step {
        Op op;
        int slot = 0;     // variable slot for Op::Variable
        double value = 0; // constant for Op::Number
    };

    bool empty() const { return m_code.empty(); }
    const std::string &text() const { return m_text; }

private:
    friend class Evaluator;
    std::vector<Step> m_code;
    int m_depth = 0; // stack depth the code needs
    std::string m_text;
};

class Evaluator {
public:
    // Defines a variable (value 0) and returns its handle. Defining a name
    // again (in any letter case) returns the handle it already has.
    int defineVariable(std::string_view name);

    // Sets a variable by its handle; an unknown handle is ignored.
    void setVariable(int handle, double value);
    double variable(int handle) const;

    // Compiles text into *out. On failure returns false and says in *error
    // (if given) what was expected and where; *out is then left empty.
    bool parse(std::string_view text, Expression *out, std::string *error) const;

    // The value of a compiled expression with the current variable values.
    // An expression that was never compiled (or failed to) gives NaN, so it
    // can never be taken for a holding condition.
    double evaluate(const Expression &expr) const;

private:
    friend class ExpressionParser;
    std::vector<std::string> m_names; // lower case, by handle
    std::vector<double> m_values;
};

} // namespace vesk
