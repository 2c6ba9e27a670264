#include "platform/emission/ListFileReader.h"

#include "core/KeptSizes.h"
#include "core/ListLine.h"
#include "core/Numbers.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"
#include "core/ValueRanges.h"

namespace vesk {

std::string unquoteField(const std::string &field) {
    std::string s = trim(field);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') {
        s = s.substr(1, s.size() - 2);
    } else if (s.size() == 1 && s == "\"") {
        s.clear();
    }
    return s;
}

bool ListFileReader::open(const std::string &path, std::string *error) {
    std::string text;
    if (!readTextFile(path, &text, error)) {
        return false;
    }
    setText(text, path);
    return true;
}

void ListFileReader::setText(const std::string &text, const std::string &fileName) {
    m_fileName = fileName;
    m_lines = splitLines(text);
    m_index = -1;
    m_pushedBack = false;
    m_fields.clear();
}

std::string ListFileReader::fieldTooLong() const {
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].size() <= kMaxFieldText) {
            continue; // no field of it can be longer
        }
        for (const std::string &f : ReadListLine(m_lines[i], ".")) {
            if (const std::string text = unquoteField(f); text.size() > kMaxFieldText) {
                return fieldTooLongText(m_fileName, static_cast<int>(i) + 1, text.size());
            }
        }
    }
    return {};
}

bool ListFileReader::next() {
    if (m_pushedBack) {
        m_pushedBack = false;
        return m_index >= 0 && m_index < static_cast<int>(m_lines.size());
    }
    while (++m_index < static_cast<int>(m_lines.size())) {
        const std::string &line = m_lines[m_index];
        if (trim(line).empty()) {
            continue;
        }
        m_fields.clear();
        for (const std::string &f : ReadListLine(line, ".")) {
            m_fields.push_back(unquoteField(f));
        }
        return true;
    }
    m_index = static_cast<int>(m_lines.size());
    m_fields.clear();
    return false;
}

const std::string &ListFileReader::field(size_t i) const {
    static const std::string empty;
    return i < m_fields.size() ? m_fields[i] : empty;
}

const std::string &ListFileReader::rawLine() const {
    static const std::string empty;
    return m_index >= 0 && m_index < static_cast<int>(m_lines.size()) ? m_lines[m_index] : empty;
}

std::optional<std::string> ListFileReader::section() const {
    std::string f = trim(rawLine());
    if (m_fields.empty() || f.find('"') != std::string::npos) {
        return std::nullopt;
    }
    if (f.size() >= 2 && f.front() == '[' && f.back() == ']') {
        return trim(f.substr(1, f.size() - 2));
    }
    return std::nullopt;
}

std::optional<double> ListFileReader::number(size_t i) const {
    if (i >= m_fields.size()) {
        return std::nullopt;
    }
    const std::optional<double> v = parseNumber(m_fields[i]);
    if (v && !fitsSingle(*v)) {
        return std::nullopt; // no value of the files is larger than a Single holds
    }
    return v;
}

std::string ListFileReader::expected(const std::string &what) const {
    bool atEnd = m_index < 0 || m_index >= static_cast<int>(m_lines.size());
    std::string found = atEnd ? "found the end of the file" : "found " + quotedText(trim(rawLine()));
    int line = atEnd ? static_cast<int>(m_lines.size()) : lineNumber();
    return m_fileName + ", line " + std::to_string(line) + ": expected " + what + ", " + found + ".";
}

std::string ListFileReader::at(const std::string &text) const {
    return m_fileName + ", line " + std::to_string(lineNumber()) + ": " + text;
}

std::string ListFileReader::whole(const std::string &text) const {
    return m_fileName + ": " + text;
}

} // namespace vesk
