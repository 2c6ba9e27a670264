#pragma once

// Line-by-line reading of the component's text files (vehicle list, fuel
// list, emission-factor table, traffic file). Each line is split by the
// program's list-line splitter; quotes are removed from the fields. Blank
// lines are skipped. A section line holds only a name in square brackets
// (the name may hold blanks: "[Day case 1]").
// Every failure message names the file and the line.

#include <optional>
#include <string>
#include <vector>

namespace vesk {

class ListFileReader {
public:
    // Reads the whole file. False with a message naming the file when it cannot be read.
    bool open(const std::string &path, std::string *error);
    // For tests and texts already in memory.
    void setText(const std::string &text, const std::string &fileName);

    // The message naming the first field longer than the program keeps
    // (kMaxFieldText) with its line; empty when there is none. Only lines
    // longer than that bound are split to find it.
    std::string fieldTooLong() const;

    // The next non-blank line split into fields (quotes removed). False at the end.
    bool next();
    // Puts the current line back, so that next() reads it again.
    void pushBack() { m_pushedBack = true; }

    const std::vector<std::string> &fields() const { return m_fields; }
    size_t size() const { return m_fields.size(); }
    // Field i (0-based), "" when the line has fewer fields.
    const std::string &field(size_t i) const;
    const std::string &rawLine() const;
    int lineNumber() const { return m_index + 1; }
    const std::string &fileName() const { return m_fileName; }

    // The section name when the current line is "[name]", else nullopt.
    std::optional<std::string> section() const;

    // Field i as a number ("," accepted as decimal mark); nullopt when it is
    // not one or is too large for a Single.
    std::optional<double> number(size_t i) const;

    // "<file>, line <n>: expected <what>, found "<line>"." (or "found the end of the file").
    std::string expected(const std::string &what) const;
    // "<file>, line <n>: <text>"
    std::string at(const std::string &text) const;
    // "<file>: <text>" for problems of the file as a whole.
    std::string whole(const std::string &text) const;

private:
    std::string m_fileName;
    std::vector<std::string> m_lines;
    int m_index = -1;
    bool m_pushedBack = false;
    std::vector<std::string> m_fields;
};

// Removes blanks around a field and one pair of enclosing double quotes.
std::string unquoteField(const std::string &field);

} // namespace vesk
