#include "core/RecordIO.h"

#include "core/KeptSizes.h"
#include "core/Numbers.h"
#include "core/TextIO.h"

#include <charconv>
#include <cmath>

namespace vesk {

namespace {

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

int utf8Length(std::string_view s) {
    int n = 0;
    for (char c : s) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

template <typename T> std::string shortest(T v) {
    if (std::isnan(v)) {
        return "0";
    }
    if (v == 0) {
        return "0";
    }
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    std::string fixed(buf, res.ptr);
    res = std::to_chars(buf, buf + sizeof buf, v);
    std::string general(buf, res.ptr);
    // Prefer the plain form unless it is much longer than the exponent form.
    return fixed.size() <= general.size() + 6 ? fixed : general;
}

} // namespace

RecordReader::RecordReader(std::string text, std::string fileName)
    : m_text(std::move(text)), m_fileName(std::move(fileName)) {}

bool RecordReader::open(const std::string &path, RecordReader *reader, std::string *error) {
    std::string text;
    if (!readTextFile(path, &text, error)) {
        return false;
    }
    *reader = RecordReader(std::move(text), path);
    return true;
}

bool RecordReader::atEnd() const {
    for (size_t i = m_pos; i < m_text.size(); ++i) {
        if (!isBlank(m_text[i]) && !isLineEnd(m_text[i])) {
            return false;
        }
    }
    return true;
}

int RecordReader::nextFieldLine() const {
    int line = m_line;
    for (size_t i = m_pos; i < m_text.size(); ++i) {
        const char c = m_text[i];
        if (isLineEnd(c)) {
            if (c == '\r' && i + 1 < m_text.size() && m_text[i + 1] == '\n') {
                ++i;
            }
            ++line;
        } else if (!isBlank(c)) {
            return line;
        }
    }
    return m_line;
}

std::string RecordReader::readHeaderLine() {
    if (m_pos >= m_text.size()) {
        throw EndOfFileError("Unexpected End of File in " + m_fileName);
    }
    const size_t start = m_pos;
    while (m_pos < m_text.size() && !isLineEnd(m_text[m_pos])) {
        ++m_pos;
    }
    checkFieldLength(m_pos - start, m_line);
    std::string line = m_text.substr(start, m_pos - start);
    if (m_pos < m_text.size()) {
        if (m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') {
            ++m_pos;
        }
        ++m_pos;
        ++m_line;
    }
    m_afterComma = false;
    m_endedLine = true;
    return line;
}

void RecordReader::skipTerminator() {
    while (m_pos < m_text.size() && isBlank(m_text[m_pos])) {
        ++m_pos;
    }
    if (m_pos >= m_text.size()) {
        m_afterComma = false;
        m_endedLine = true;
        return;
    }
    if (m_text[m_pos] == ',') {
        ++m_pos;
        m_afterComma = true;
        m_endedLine = false;
        return;
    }
    m_endedLine = isLineEnd(m_text[m_pos]);
    if (m_endedLine) {
        if (m_text[m_pos] == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') {
            ++m_pos;
        }
        ++m_pos;
        ++m_line;
    }
    m_afterComma = false;
}

std::string RecordReader::readField(bool numeric, Kind *kind) {
    // Skip blanks, and line ends unless a comma has just opened an empty field at the line's end.
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos];
        if (isBlank(c)) {
            ++m_pos;
        } else if (isLineEnd(c)) {
            if (m_afterComma) {
                *kind = Kind::Plain;
                skipTerminator();
                return {};
            }
            if (c == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') {
                ++m_pos;
            }
            ++m_pos;
            ++m_line;
        } else {
            break;
        }
    }
    if (m_pos >= m_text.size()) {
        if (m_afterComma) {
            m_afterComma = false;
            m_endedLine = true;
            *kind = Kind::Plain;
            return {};
        }
        throw EndOfFileError("Unexpected End of File in " + m_fileName);
    }

    std::string field;
    m_fieldLine = m_line;
    const char first = m_text[m_pos];
    if (first == '"' || first == '#') {
        *kind = first == '"' ? Kind::Quoted : Kind::Hashed;
        const size_t close = m_text.find(first, m_pos + 1);
        const size_t end = close == std::string::npos ? m_text.size() : close;
        checkFieldLength(end - m_pos - 1, m_fieldLine);
        field = m_text.substr(m_pos + 1, end - m_pos - 1);
        for (char c : field) {
            if (c == '\n') {
                ++m_line;
            }
        }
        m_pos = close == std::string::npos ? m_text.size() : close + 1;
        // Anything up to the comma or line end after a closing quote is ignored.
        while (m_pos < m_text.size() && m_text[m_pos] != ',' && !isLineEnd(m_text[m_pos])) {
            ++m_pos;
        }
        skipTerminator();
        return field;
    }

    *kind = Kind::Plain;
    const size_t start = m_pos;
    while (m_pos < m_text.size()) {
        const char c = m_text[m_pos];
        if (c == ',' || isLineEnd(c) || (numeric && isBlank(c))) {
            break;
        }
        ++m_pos;
    }
    checkFieldLength(m_pos - start, m_fieldLine);
    field = trim(std::string_view(m_text).substr(start, m_pos - start));
    skipTerminator();
    return field;
}

std::string fieldTooLongText(const std::string &fileName, int line, std::size_t length) {
    return (fileName.empty() ? std::string("Line ") : fileName + ", line ") + std::to_string(line) +
           ": a field holds " + std::to_string(length) + " characters; the program takes texts of at most " +
           std::to_string(kMaxFieldText) + " characters.";
}

void RecordReader::checkFieldLength(size_t length, int line) const {
    if (length <= kMaxFieldText) {
        return;
    }
    throw FieldTooLongError(fieldTooLongText(m_fileName, line, length));
}

void RecordReader::failField(const std::string &what, const std::string &field) const {
    std::string where = m_fileName.empty() ? std::string() : " in " + m_fileName;
    throw RecordError("Expected " + what + " but found " + quotedText(field) + where + ", line " +
                      std::to_string(m_fieldLine));
}

std::string RecordReader::readString() {
    Kind kind;
    return readField(false, &kind);
}

double RecordReader::readDouble() {
    Kind kind;
    const std::string field = readField(true, &kind);
    if (kind == Kind::Hashed) {
        if (iequals(field, "TRUE")) {
            return -1.0;
        }
        if (iequals(field, "FALSE")) {
            return 0.0;
        }
        failField("a number", "#" + field + "#");
    }
    if (trim(field).empty()) {
        return 0.0;
    }
    const auto v = parseNumber(field);
    if (!v) {
        failField("a number", field);
    }
    return *v;
}

long RecordReader::readLong() {
    return roundHalfEven(readDouble());
}

bool RecordReader::readBool() {
    Kind kind;
    const std::string field = readField(true, &kind);
    if (iequals(field, "TRUE")) {
        return true;
    }
    if (iequals(field, "FALSE")) {
        return false;
    }
    if (kind != Kind::Hashed) {
        if (const auto v = parseNumber(field)) {
            return *v != 0.0;
        }
    }
    failField("#TRUE# or #FALSE#", field);
}

RecordLineError::RecordLineError(const std::string &fileName, int line, int held, int expected)
    : RecordError(fileName + ", line " + std::to_string(line) + ": the line holds " + std::to_string(held) +
                  (held == 1 ? " item" : " items") + ", not " + std::to_string(expected)),
      m_fileName(fileName), m_line(line), m_held(held), m_expected(expected) {}

std::string RecordLineError::describe(const std::string &what, const std::string &rule) const {
    return m_fileName + ", line " + std::to_string(m_line) + ": the line " +
           (what.empty() ? "" : "of " + what + " ") + "holds " + std::to_string(m_held) +
           (m_held == 1 ? " item" : " items") + ", but " + rule;
}

template <typename Read> auto RecordLine::item(Read read) {
    if (m_read > 0 && m_f.fieldEndedLine()) {
        fail(m_read); // the line is cut short: the next item lies on another line
    }
    decltype(read()) value{};
    try {
        value = read();
    } catch (const EndOfFileError &) {
        throw;
    } catch (const FieldTooLongError &) {
        throw; // the fault whatever the line holds: its items are not read on
    } catch (const RecordError &) {
        if (const int held = m_read + 1 + itemsLeft(); held != m_items) {
            fail(held);
        }
        throw;
    }
    if (m_read == 0) {
        m_line = m_f.fieldLine();
    }
    if (++m_read == m_items && !m_f.fieldEndedLine()) {
        fail(m_read + itemsLeft());
    }
    return value;
}

void RecordLine::fail(int held) const {
    throw RecordLineError(m_f.fileName(), m_line != 0 ? m_line : m_f.fieldLine(), held, m_items);
}

int RecordLine::itemsLeft() {
    int n = 0;
    while (!m_f.fieldEndedLine()) {
        m_f.readString();
        ++n;
    }
    return n;
}

std::string RecordLine::readString() {
    return item([this] { return m_f.readString(); });
}

double RecordLine::readDouble() {
    return item([this] { return m_f.readDouble(); });
}

bool RecordLine::readBool() {
    return item([this] { return m_f.readBool(); });
}

void RecordWriter::separate() {
    if (m_fieldWritten) {
        m_out += ',';
    }
    m_fieldWritten = true;
}

RecordWriter &RecordWriter::string(std::string_view s) {
    separate();
    m_out += '"';
    m_out += s;
    m_out += '"';
    return *this;
}

RecordWriter &RecordWriter::number(double v) {
    separate();
    m_out += formatNumber(v);
    return *this;
}

RecordWriter &RecordWriter::single(float v) {
    separate();
    m_out += formatSingle(v);
    return *this;
}

RecordWriter &RecordWriter::integer(long v) {
    separate();
    m_out += std::to_string(v);
    return *this;
}

RecordWriter &RecordWriter::boolean(bool v) {
    separate();
    m_out += v ? "#TRUE#" : "#FALSE#";
    return *this;
}

RecordWriter &RecordWriter::endRecord() {
    m_out += "\r\n";
    m_fieldWritten = false;
    return *this;
}

RecordWriter &RecordWriter::line(std::string_view text) {
    if (m_fieldWritten) {
        endRecord();
    }
    m_out += text;
    m_out += "\r\n";
    return *this;
}

PrintLine &PrintLine::text(std::string_view s) {
    m_out += s;
    m_width += utf8Length(s);
    return *this;
}

PrintLine &PrintLine::number(double v) {
    return text((v >= 0 ? " " : "") + formatNumber(v) + " ");
}

PrintLine &PrintLine::single(float v) {
    return text((v >= 0 ? " " : "") + formatSingle(v) + " ");
}

PrintLine &PrintLine::zone() {
    const int target = (m_width / 14 + 1) * 14;
    return spc(target - m_width);
}

PrintLine &PrintLine::spc(int n) {
    if (n > 0) {
        m_out.append(static_cast<size_t>(n), ' ');
        m_width += n;
    }
    return *this;
}

PrintLine &PrintLine::tab(int column) {
    const int current = m_width + 1;
    if (current < column) {
        return spc(column - current);
    }
    if (!m_out.empty() && m_out.back() != ' ') {
        spc(1);
    }
    return *this;
}

std::string formatNumber(double v) {
    return shortest(v);
}

std::string formatSingle(float v) {
    return shortest(v);
}

double singleAsWritten(float v) {
    if (!std::isfinite(v)) {
        return v;
    }
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, v);
    double value = v;
    std::from_chars(buf, written.ptr, value);
    return value;
}

} // namespace vesk
