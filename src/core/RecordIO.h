#pragma once

// The record format of the program's own files (Countries.ini, the reference
// lists, the record lines of project files and Run.opt), and the print-line
// form of the lines meant for reading by eye.
//
// A record is a sequence of fields separated by commas or line ends (a record
// may span lines). Strings are written in double quotes (they may hold
// commas), Booleans as #TRUE# / #FALSE#, numbers with "." as decimal mark.
// Reading skips blanks before a field; an unquoted numeric field also ends at
// a blank; an empty numeric field is 0. A string cannot hold a double quote:
// callers refuse such texts at input.

#include <stdexcept>
#include <string>
#include <string_view>

namespace vesk {

// A malformed field (a number or Boolean that isn't one).
class RecordError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A field longer than the program keeps of a text (kMaxFieldText): refused
// as it is read, before its text is copied, and never taken for an item of
// another kind. The message names the file and the line.
class FieldTooLongError : public RecordError {
public:
    using RecordError::RecordError;
};

// The message of a field of length characters, longer than the program
// keeps (kMaxFieldText): "<file>, line n: a field holds ... characters; ...".
std::string fieldTooLongText(const std::string &fileName, int line, std::size_t length);

// Reading past the end of the data.
class EndOfFileError : public RecordError {
public:
    using RecordError::RecordError;
};

class RecordReader {
public:
    RecordReader() = default;
    explicit RecordReader(std::string text, std::string fileName = {});

    // Reads a whole file (see readTextFile) into *reader. False with a message
    // naming the file when it cannot be read.
    static bool open(const std::string &path, RecordReader *reader, std::string *error);

    // The rest of the current line as it stands (a header line).
    std::string readHeaderLine();
    // A field. Every read throws FieldTooLongError for a field (or header
    // line) longer than kMaxFieldText bytes.
    std::string readString();
    double readDouble();
    long readLong(); // halves round to even
    bool readBool(); // #TRUE#/#FALSE#, also TRUE/FALSE and numbers (non-zero is true)

    // True when nothing but blanks and line ends is left.
    bool atEnd() const;
    // Whether the last field read ended its line: a line end or the end of
    // the data follows it (blanks aside), not a comma or a further field.
    bool fieldEndedLine() const { return m_endedLine; }

    int line() const { return m_line; } // 1-based line of the next character
    // 1-based line on which the next field begins (the blanks and line ends
    // before it passed over); line() at the end of the data.
    int nextFieldLine() const;
    int fieldLine() const { return m_fieldLine; } // 1-based line on which the last field read began
    const std::string &fileName() const { return m_fileName; }

private:
    enum class Kind { Quoted, Hashed, Plain };
    // Reads one raw field; numeric fields also end at a blank.
    std::string readField(bool numeric, Kind *kind);
    void skipTerminator();
    [[noreturn]] void failField(const std::string &what, const std::string &field) const;
    // Throws FieldTooLongError when a field of length bytes is longer than the program keeps.
    void checkFieldLength(size_t length, int line) const;

    std::string m_text;
    std::string m_fileName;
    size_t m_pos = 0;
    int m_line = 1;
    int m_fieldLine = 1; // line on which the last field began
    bool m_afterComma = false;
    bool m_endedLine = true;
};

// A line of a record that holds another number of items than the line must.
class RecordLineError : public RecordError {
public:
    RecordLineError(const std::string &fileName, int line, int held, int expected);
    int line() const { return m_line; }
    int held() const { return m_held; }         // the items the line holds
    int expected() const { return m_expected; } // the items it must hold
    // "<file>, line n: the line of <what> holds m items, but <rule>" ("the
    // line holds ..." when what is empty).
    std::string describe(const std::string &what, const std::string &rule) const;

private:
    std::string m_fileName;
    int m_line, m_held, m_expected;
};

// Reads the items of one line of a record, for files whose records keep
// their items on lines of a fixed count (a streets file: one line for the
// street, one for each wind sector). The reader still reads a stream of
// items; this only makes sure that the line the first item begins on holds
// every item and no more, so that a line cut short never takes its items
// from the next line and items left over are never read as the next line's.
// A read throws RecordLineError before it would take an item from another
// line, after the last item when the line holds more, and in place of the
// RecordError of an item that is not of its kind when the line holds another
// number of items (that is then the fault).
class RecordLine {
public:
    RecordLine(RecordReader &reader, int items) : m_f(reader), m_items(items) {}

    std::string readString();
    double readDouble();
    bool readBool();

    // The line the first item began on (0 before it is read).
    int line() const { return m_line; }

private:
    template <typename Read> auto item(Read read);
    [[noreturn]] void fail(int held) const;
    int itemsLeft(); // reads the further items of the line, counting them

    RecordReader &m_f;
    int m_items;
    int m_read = 0;
    int m_line = 0;
};

// Writes records: fields separated by commas, each record ended by CRLF.
class RecordWriter {
public:
    RecordWriter &string(std::string_view s);
    RecordWriter &number(double v);
    RecordWriter &single(float v);
    RecordWriter &integer(long v);
    RecordWriter &boolean(bool v);
    RecordWriter &endRecord();
    RecordWriter &line(std::string_view text); // a whole line (header), CRLF added

    const std::string &str() const { return m_out; }

private:
    void separate();
    std::string m_out;
    bool m_fieldWritten = false;
};

// Builds one print line: items placed by 14-column print zones, Spc(n) and
// Tab(n). Numbers get a blank before them when not negative and a blank after.
// Unlike a plain print, an item never wraps to another line and items are
// always separated by at least one blank.
class PrintLine {
public:
    PrintLine &text(std::string_view s);
    PrintLine &number(double v);
    PrintLine &single(float v);
    PrintLine &zone();          // to the start of the next 14-column zone
    PrintLine &spc(int n);      // n blanks
    PrintLine &tab(int column); // to the 1-based column

    const std::string &str() const { return m_out; }
    int column() const { return m_width + 1; } // 1-based column of the next character

private:
    std::string m_out;
    int m_width = 0; // characters (not bytes) so far
};

// The plain shortest form of a number with "." (no exponent for ordinary sizes).
std::string formatNumber(double v);
// The same for a single-precision value, without the noise of widening it.
std::string formatSingle(float v);
// A single-precision value as the double of the decimal it is written as:
// 14196.88f gives 14196.88, not 14196.8798828125 (NaN and infinities stay).
double singleAsWritten(float v);

} // namespace vesk
