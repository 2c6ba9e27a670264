#include "platform/Expression.h"

#include "core/TextIO.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace vesk {

namespace {

std::string lowerCopy(std::string_view text) {
    std::string out(text);
    for (char &c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool isNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Deep nesting is refused rather than risking the parser's own stack.
constexpr int kMaxNesting = 200;

} // namespace

// Recursive descent over the grammar
//   or      := and { OR and }
//   and     := not { AND not }
//   not     := NOT not | compare
//   compare := sum { (= <> < > <= >=) sum }
//   sum     := product { (+ -) product }
//   product := unary { (* /) unary }
//   unary   := (+ -) unary | primary
//   primary := number | name | ( or )
// emitting postfix code as it goes.
class ExpressionParser {
public:
    ExpressionParser(const Evaluator &evaluator, std::string_view text) : m_ev(evaluator), m_text(text) {}

    bool run(std::vector<Expression::Step> *code, std::string *error) {
        m_code = code;
        skipBlanks();
        if (!parseOr()) {
            *error = m_error;
            return false;
        }
        skipBlanks();
        if (m_pos < m_text.size()) {
            *error = failText("an operator, AND, OR or the end of the condition");
            return false;
        }
        return true;
    }

private:
    const Evaluator &m_ev;
    std::string_view m_text;
    size_t m_pos = 0;
    int m_nesting = 0;
    std::vector<Expression::Step> *m_code = nullptr;
    std::string m_error;

    void emit(Expression::Op op, int slot = 0, double value = 0) { m_code->push_back({op, slot, value}); }

    void skipBlanks() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos]))) {
            ++m_pos;
        }
    }

    std::string failText(const std::string &expected) const {
        std::string found =
            m_pos < m_text.size() ? quotedText(m_text.substr(m_pos, 12)) : "the end of the condition";
        return "Expected " + expected + " at position " + std::to_string(m_pos + 1) + " of " +
               quotedText(m_text) + ", found " + found + ".";
    }

    bool fail(const std::string &expected) {
        if (m_error.empty()) {
            m_error = failText(expected);
        }
        return false;
    }

    // True when the next token is the word (whole word, any case); consumes it.
    bool acceptWord(std::string_view word) {
        skipBlanks();
        size_t end = m_pos;
        while (end < m_text.size() && isNameChar(m_text[end])) {
            ++end;
        }
        if (end - m_pos != word.size()) {
            return false;
        }
        if (lowerCopy(m_text.substr(m_pos, end - m_pos)) != word) {
            return false;
        }
        m_pos = end;
        return true;
    }

    bool acceptSymbol(std::string_view symbol) {
        skipBlanks();
        if (m_text.substr(m_pos, symbol.size()) == symbol) {
            m_pos += symbol.size();
            return true;
        }
        return false;
    }

    bool parseOr() {
        if (!parseAnd()) {
            return false;
        }
        while (acceptWord("or")) {
            if (!parseAnd()) {
                return false;
            }
            emit(Expression::Op::Or);
        }
        return true;
    }

    bool parseAnd() {
        if (!parseNot()) {
            return false;
        }
        while (acceptWord("and")) {
            if (!parseNot()) {
                return false;
            }
            emit(Expression::Op::And);
        }
        return true;
    }

    bool parseNot() {
        if (acceptWord("not")) {
            if (++m_nesting > kMaxNesting) {
                return fail("a condition nested less deeply");
            }
            bool ok = parseNot();
            --m_nesting;
            if (!ok) {
                return false;
            }
            emit(Expression::Op::Not);
            return true;
        }
        return parseCompare();
    }

    bool parseCompare() {
        if (!parseSum()) {
            return false;
        }
        for (;;) {
            Expression::Op op;
            // Two-character operators first, so "<=" is not read as "<".
            if (acceptSymbol("<>")) {
                op = Expression::Op::Ne;
            } else if (acceptSymbol("<=")) {
                op = Expression::Op::Le;
            } else if (acceptSymbol(">=")) {
                op = Expression::Op::Ge;
            } else if (acceptSymbol("=")) {
                op = Expression::Op::Eq;
            } else if (acceptSymbol("<")) {
                op = Expression::Op::Lt;
            } else if (acceptSymbol(">")) {
                op = Expression::Op::Gt;
            } else {
                return true;
            }
            if (!parseSum()) {
                return false;
            }
            emit(op);
        }
    }

    bool parseSum() {
        if (!parseProduct()) {
            return false;
        }
        for (;;) {
            Expression::Op op;
            if (acceptSymbol("+")) {
                op = Expression::Op::Add;
            } else if (acceptSymbol("-")) {
                op = Expression::Op::Sub;
            } else {
                return true;
            }
            if (!parseProduct()) {
                return false;
            }
            emit(op);
        }
    }

    bool parseProduct() {
        if (!parseUnary()) {
            return false;
        }
        for (;;) {
            Expression::Op op;
            if (acceptSymbol("*")) {
                op = Expression::Op::Mul;
            } else if (acceptSymbol("/")) {
                op = Expression::Op::Div;
            } else {
                return true;
            }
            if (!parseUnary()) {
                return false;
            }
            emit(op);
        }
    }

    bool parseUnary() {
        bool negate = false;
        for (;;) {
            if (acceptSymbol("-")) {
                negate = !negate;
            } else if (!acceptSymbol("+")) {
                break;
            }
        }
        if (!parsePrimary()) {
            return false;
        }
        if (negate) {
            emit(Expression::Op::Negate);
        }
        return true;
    }

    bool parsePrimary() {
        skipBlanks();
        if (m_pos >= m_text.size()) {
            return fail("a number, a name or \"(\"");
        }
        char c = m_text[m_pos];
        if (c == '(') {
            ++m_pos;
            if (++m_nesting > kMaxNesting) {
                return fail("a condition nested less deeply");
            }
            bool ok = parseOr();
            --m_nesting;
            if (!ok) {
                return false;
            }
            if (!acceptSymbol(")")) {
                return fail("\")\"");
            }
            return true;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
            return parseNumber();
        }
        if (isNameStart(c)) {
            size_t start = m_pos;
            while (m_pos < m_text.size() && isNameChar(m_text[m_pos])) {
                ++m_pos;
            }
            std::string name = lowerCopy(m_text.substr(start, m_pos - start));
            if (name == "and" || name == "or" || name == "not") {
                m_pos = start;
                return fail("a number, a name or \"(\"");
            }
            auto it = std::find(m_ev.m_names.begin(), m_ev.m_names.end(), name);
            if (it == m_ev.m_names.end()) {
                m_pos = start;
                m_error = "Unknown name " + quotedText(m_text.substr(start, name.size())) + " in " +
                          quotedText(m_text) + ".";
                return false;
            }
            emit(Expression::Op::Variable, static_cast<int>(it - m_ev.m_names.begin()));
            return true;
        }
        return fail("a number, a name or \"(\"");
    }

    bool parseNumber() {
        size_t start = m_pos;
        auto digits = [&] {
            size_t n = 0;
            while (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos]))) {
                ++m_pos;
                ++n;
            }
            return n;
        };
        size_t n = digits();
        if (m_pos < m_text.size() && m_text[m_pos] == '.') {
            ++m_pos;
            n += digits();
        }
        if (n == 0) {
            m_pos = start;
            return fail("a number");
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == 'e' || m_text[m_pos] == 'E')) {
            size_t save = m_pos;
            ++m_pos;
            if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) {
                ++m_pos;
            }
            if (digits() == 0) {
                m_pos = save;
            }
        }
        if (m_pos < m_text.size() && isNameChar(m_text[m_pos])) {
            return fail("an operator after the number");
        }
        double value = 0;
        std::string number(m_text.substr(start, m_pos - start));
        auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
        if (ec != std::errc() || ptr != number.data() + number.size()) {
            m_pos = start;
            return fail("a number");
        }
        emit(Expression::Op::Number, 0, value);
        return true;
    }
};

int Evaluator::defineVariable(std::string_view name) {
    std::string key = lowerCopy(name);
    auto it = std::find(m_names.begin(), m_names.end(), key);
    if (it != m_names.end()) {
        return static_cast<int>(it - m_names.begin());
    }
    m_names.push_back(key);
    m_values.push_back(0.0);
    return static_cast<int>(m_names.size() - 1);
}

void Evaluator::setVariable(int handle, double value) {
    if (handle >= 0 && static_cast<size_t>(handle) < m_values.size()) {
        m_values[handle] = value;
    }
}

double Evaluator::variable(int handle) const {
    if (handle >= 0 && static_cast<size_t>(handle) < m_values.size()) {
        return m_values[handle];
    }
    return std::numeric_limits<double>::quiet_NaN();
}

bool Evaluator::parse(std::string_view text, Expression *out, std::string *error) const {
    Expression result;
    result.m_text = std::string(text);
    bool blank = std::all_of(text.begin(), text.end(),
                             [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
    if (blank) {
        result.m_code.push_back({Expression::Op::Number, 0, 1.0});
        result.m_depth = 1;
        *out = std::move(result);
        return true;
    }
    std::string message;
    ExpressionParser parser(*this, text);
    if (!parser.run(&result.m_code, &message)) {
        if (error) {
            *error = message;
        }
        *out = Expression();
        return false;
    }
    int depth = 0;
    for (const auto &step : result.m_code) {
        bool push = step.op == Expression::Op::Number || step.op == Expression::Op::Variable;
        bool unary = step.op == Expression::Op::Negate || step.op == Expression::Op::Not;
        depth += push ? 1 : (unary ? 0 : -1);
        result.m_depth = std::max(result.m_depth, depth);
    }
    *out = std::move(result);
    return true;
}

double Evaluator::evaluate(const Expression &expr) const {
    using Op = Expression::Op;
    if (expr.m_code.empty()) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    std::array<double, 64> fixed;
    std::vector<double> large;
    double *stack = fixed.data();
    if (expr.m_depth > static_cast<int>(fixed.size())) {
        large.resize(expr.m_depth);
        stack = large.data();
    }
    int top = -1;
    auto truth = [](double v) { return v != 0.0 && !std::isnan(v); };
    for (const auto &step : expr.m_code) {
        switch (step.op) {
        case Op::Number:
            stack[++top] = step.value;
            continue;
        case Op::Variable:
            stack[++top] = variable(step.slot);
            continue;
        case Op::Negate:
            stack[top] = -stack[top];
            continue;
        case Op::Not:
            stack[top] = truth(stack[top]) ? 0.0 : 1.0;
            continue;
        default:
            break;
        }
        double b = stack[top--];
        double a = stack[top];
        double r = 0;
        switch (step.op) {
        case Op::Add:
            r = a + b;
            break;
        case Op::Sub:
            r = a - b;
            break;
        case Op::Mul:
            r = a * b;
            break;
        case Op::Div:
            r = b == 0.0 ? std::numeric_limits<double>::quiet_NaN() : a / b;
            break;
        case Op::Eq:
            r = a == b ? 1.0 : 0.0;
            break;
        case Op::Ne:
            r = a != b ? 1.0 : 0.0;
            break;
        case Op::Lt:
            r = a < b ? 1.0 : 0.0;
            break;
        case Op::Gt:
            r = a > b ? 1.0 : 0.0;
            break;
        case Op::Le:
            r = a <= b ? 1.0 : 0.0;
            break;
        case Op::Ge:
            r = a >= b ? 1.0 : 0.0;
            break;
        case Op::And:
            r = truth(a) && truth(b) ? 1.0 : 0.0;
            break;
        case Op::Or:
            r = truth(a) || truth(b) ? 1.0 : 0.0;
            break;
        default:
            break;
        }
        stack[top] = r;
    }
    return stack[0];
}

} // namespace vesk
