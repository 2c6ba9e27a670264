#pragma once

// The Format function of the output files: a compatible subset of the
// number, date/time and text patterns that analysts put in format lists,
// following the classic pattern language of the program they used before.
//
// Number patterns: "0" (digit or 0), "#" (digit or nothing), "." (decimal
// point; kept even when no decimal follows, "1."), "," between digit
// placeholders (thousands grouping) or just before the point (divide by
// 1000), "%" (times 100), "E+"/"E-" (exponent), literals, "\x" and "..."
// quoted literals, and up to four sections "positive;negative;zero".
// Rounding is half away from zero on the decimal digits of the value
// (15 significant digits for Double, 7 for Single); a result that rounds to
// zero carries no minus sign.
// Date/time patterns: d dd ddd dddd, w ww, m mm mmm mmmm (m after h is
// minutes), q, y yy yyyy, h hh, n nn, s ss, AM/PM am/pm A/P a/p, ":" and "/".
// Week days count from Sunday = 1; the first week is the one holding 1 January.
// Text patterns: "@" (a character or a blank) and "&" (a character or
// nothing); "<" and ">" turn the text to lower or upper case.
// Named formats: General Number, Currency, Fixed, Standard, Percent,
// Scientific, General/Long/Medium/Short Date, Long/Medium/Short Time,
// Yes/No, True/False, On/Off (case ignored).
// An empty pattern gives the plain form (7 significant digits for Single,
// 15 for Double, exponent form below 1E-04 and from 1E+07 / 1E+15 on).
//
// Three rules of the classic pattern language that format lists brought from
// other programs rely on:
// 1. A "#" inside the zeros counts as a zero: every placeholder from the
//    first "0" of the integer part to the point, and from the point to the
//    last "0" of the fraction, writes a digit. 1 with "000###" gives
//    "000001", 9.8 with "#0.#0#0#0#0#" gives "9.80000000", 1 with "0.#0"
//    gives "1.00" (as 0.5 gives "0.50"), 1.2 with "0#.0#0#0#0#0" gives
//    "01.200000000" (the "0" of "0#" asks for a tens digit); a "#" before the
//    first "0" or after the last one stays optional (5 with "##0" gives "5").
// 2. An exponent without a digit placeholder after it still writes its
//    digits, before any literal that follows: 12345 with "0.00E+" gives
//    "1.23E+4", 1000001 with "0.0000e+1" gives "1.0000e+61" (the "1" is a
//    literal), 1.7 with "0.0000e-1" gives "1.7000e01". With no integer
//    placeholder the mantissa is below 1: 47.11 with ".0000E+0" gives
//    ".4711E+2".
// 3. "A/P" or "a/p" alone is a time pattern: 0.525 of a day (12:36) gives
//    "P" (or "p"); in quotes it stays the literal "A/P".
//
// Where a pattern could be read two ways, the program reads it as follows:
// - A text shorter than the placeholders fills them from the right, or from
//   the left when the pattern holds a "!" anywhere ("!" writes nothing); a
//   text longer than the placeholders fills them from the left and the rest
//   of it follows at the end: "testing" with "\x@\x@" gives "xtxesting".
//   Of several "<" and ">" the last one sets the case ("<&>&" is upper case).
// - A comma followed by a blank is a literal, not grouping or scaling:
//   123456789 with "###, ###, ###" gives "123, 456, 789".
// - "Long Time" is the 24-hour "hh:nn:ss", the same on every machine.

#include <memory>
#include <string>
#include <string_view>

namespace vesk {

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// A pattern taken apart once for formatting many values with it, as an
// output column does for every row of a run. It gives the same text as
// Format(value, pattern) for every value (Format goes through it); the
// append functions add the text to what `out` holds, so that a row is built
// in one reused buffer. A compiled format is immutable: copies share it and
// threads may use it at once.
class CompiledFormat {
public:
    CompiledFormat(); // the empty pattern: the plain form
    explicit CompiledFormat(std::string_view pattern);

    const std::string &pattern() const;

    void append(double value, std::string &out) const;
    void append(float value, std::string &out) const;
    void append(long value, std::string &out) const;
    void append(int value, std::string &out) const { append(static_cast<long>(value), out); }
    void append(const DateTimeParts &value, std::string &out) const;
    void append(std::string_view text, std::string &out) const;
    void append(const char *text, std::string &out) const { append(std::string_view(text), out); }

    template <typename T> std::string format(const T &value) const {
        std::string out;
        append(value, out);
        return out;
    }

    struct Parts;

private:
    std::shared_ptr<const Parts> m_parts;
};

std::string Format(double value, std::string_view pattern);
std::string Format(float value, std::string_view pattern);
std::string Format(long value, std::string_view pattern);
inline std::string Format(int value, std::string_view pattern) {
    return Format(static_cast<long>(value), pattern);
}
std::string Format(const DateTimeParts &value, std::string_view pattern);
// A text is formatted as a number when the whole text is one (with "."),
// as a date when it is a date or time text ("yyyy-mm-dd", "dd-mm-yyyy",
// "dd.mm.yyyy", "dd/mm/yyyy", each with an optional "hh:mm[:ss]", or a time
// alone), else as a text.
std::string Format(std::string_view text, std::string_view pattern);
std::string Format(const char *text, std::string_view pattern);

// Reads a date or time text as above; false when it is none.
bool parseDateTimeText(std::string_view text, DateTimeParts *value);

// The plain form of a number: 7 (Single) or 15 (Double) significant digits,
// "0.5", "1E-05", "1.234568E+07".
std::string plainNumberText(double value, int significantDigits);

// A number as a print item of the Special Mode result files: the Single
// plain form without a zero before the decimal point, a blank (or "-")
// before it and a blank after it: " 1.5 ", "-.25 ", " 1E-05 ".
std::string printNumberText(float value);

// Appends a cell text to a row of an output or statistics file by the width
// rule: width 0 appends the text after the separator (none before the first
// cell); a width w > 0 right-aligns the text in w characters with no
// separator; w < 0 right-aligns it in -w characters after the separator. A
// text longer than its width is written whole. A field of w > 0 after the
// first always has at least one blank before it (a text of w characters or
// more gets one), so that the fields of a line can be split apart again.
void appendCell(std::string &row, std::string_view text, int width, bool firstCell,
                std::string_view separator = ";");

// Writes a cell as appendCell does, but at offset `at` of `row`, which is
// made longer when the cell does not fit and never shorter (a reused row
// keeps its room); gives the offset after the cell. `ascii`: the caller
// knows the text is ASCII, so its bytes are its characters.
std::size_t writeCell(std::string &row, std::size_t at, std::string_view text, int width, bool firstCell,
                      std::string_view separator = ";", bool ascii = false);

} // namespace vesk
