// Lotus 1-2-3 .wk1 worksheets, read and written by us: one worksheet of
// numbers, labels, blanks and formulas (read as the results stored with
// them). Labels are in code page 850, the DOS code page of Lotus files (see
// docs/tables.md). Reading checks the whole record structure, so that a
// truncated or damaged file is an error rather than a shorter table.

#include "platform/tables/TableBackends.h"
#include "core/TextIO.h"

#include <iconv.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace vesk::tables {

namespace {

constexpr std::uint16_t kBof = 0x0000, kEof = 0x0001, kCalcMode = 0x0002, kCalcOrder = 0x0003,
                        kRange = 0x0006, kBlank = 0x000C, kInteger = 0x000D, kNumber = 0x000E,
                        kLabel = 0x000F, kFormula = 0x0010, kString = 0x0033;
constexpr std::size_t kMaxLabel = 239; // characters of a label, as 1-2-3 keeps them

bool ascii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// Converts between UTF-8 and code page 850 with the C library's converter.
// A character the target lacks becomes "?".
std::string convert(std::string_view text, const char *to, const char *from) {
    if (ascii(text)) {
        return std::string(text);
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(text);
    }
    std::string out;
    std::string in(text);
    char *src = in.data();
    std::size_t left = in.size();
    char buffer[256];
    while (left > 0) {
        char *dst = buffer;
        std::size_t room = sizeof buffer;
        std::size_t rc = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // A character the code page lacks (or a broken sequence): skip
            // its bytes and write "?".
            out += '?';
            do {
                ++src;
                --left;
            } while (left > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80);
        }
    }
    iconv_close(cd);
    return out;
}

// A Lotus date or time format: the special formats D1-D5 (dates) and D6-D9 (times).
bool dateFormat(unsigned char format) {
    if (((format >> 4) & 7) != 7) {
        return false;
    }
    switch (format & 0x0F) {
    case 2:
    case 3:
    case 4:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
        return true;
    default:
        return false;
    }
}

// The value of a number cell: a date or time text when its format shows a date.
Cell numberCell(double value, unsigned char format) {
    if (!std::isfinite(value)) {
        return std::string("ERR"); // an error result of a formula
    }
    if (dateFormat(format)) {
        auto text = sheetSerialText(value, false);
        if (!text.empty()) {
            return text;
        }
    }
    return value;
}

// The text of a label after its alignment prefix.
std::string labelText(const std::string &data, std::size_t from) {
    std::string raw = data.substr(from, data.size() - from - 1); // without the closing NUL
    if (!raw.empty() && std::strchr("'\"^\\|", raw.front()) != nullptr) {
        raw.erase(0, 1);
    }
    return convert(raw, "UTF-8", "CP850");
}

} // namespace

// Those of the Lotus worksheet file format, and the hidden columns and the
// parse, regression and matrix ranges of release 2.
bool lotusRelease2Record(std::uint16_t type) {
    return type <= 0x10 || (type >= 0x18 && type <= 0x1D) || type == 0x20 || (type >= 0x23 && type <= 0x2A) ||
           (type >= 0x2D && type <= 0x33) || type == 0x37 || type == 0x38 || (type >= 0x3C && type <= 0x4A) ||
           (type >= 0x64 && type <= 0x69);
}

long lotusRelease2Length(std::uint16_t type) {
    switch (type) {
    case 0x02: // calculation mode
    case 0x03: // calculation order
    case 0x04: // split window
    case 0x05: // synchronised windows
    case 0x24: // global protection
    case 0x29: // label alignment
    case 0x2F: // iteration count
    case 0x30: // unformatted print
    case 0x38: // locked
        return 1;
    case 0x06: // the active range
        return 8;
    default:
        return -1;
    }
}

std::string lotusTypeText(std::uint16_t type) {
    char kind[16];
    std::snprintf(kind, sizeof kind, type > 0xFF ? "0x%04X" : "0x%02X", static_cast<unsigned>(type));
    return kind;
}

std::string wk1Label(std::string_view utf8) {
    return convert(utf8, "CP850", "UTF-8");
}

std::string wk1Text(std::string_view cp850) {
    return convert(cp850, "UTF-8", "CP850");
}

std::string wk1Bytes(const Sheet &sheet, std::uint16_t version) {
    // The range covers exactly the cells written, as 1-2-3 declares it.
    std::size_t lastRow = 0, lastCol = 0;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            if (!isNull(sheet.rows[r][c])) {
                lastRow = r;
                lastCol = std::max(lastCol, c);
            }
        }
    }
    std::string out;
    std::string bof;
    put16(bof, version);
    record(out, kBof, bof);
    std::string range;
    put16(range, 0);
    put16(range, 0);
    put16(range, static_cast<std::uint16_t>(lastCol));
    put16(range, static_cast<std::uint16_t>(lastRow));
    record(out, kRange, range);
    // Automatic recalculation in natural order, as 1-2-3 writes them. libwps
    // also needs four records before the end to take a file for a worksheet,
    // so these let a sheet of a single cell be read.
    record(out, kCalcMode, std::string(1, '\xFF'));
    record(out, kCalcOrder, std::string(1, '\0'));
    // Every cell of the range is written, an empty one as a blank; a reader
    // takes a blank and a cell without a record alike for an empty cell.
    static const Cell empty;
    for (std::size_t r = 0; r <= lastRow && r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c <= lastCol; ++c) {
            const auto &cell = c < sheet.rows[r].size() ? sheet.rows[r][c] : empty;
            std::string d;
            d.push_back(static_cast<char>(0xFF)); // protected, default format
            put16(d, static_cast<std::uint16_t>(c));
            put16(d, static_cast<std::uint16_t>(r));
            if (isNull(cell)) {
                record(out, kBlank, d);
            } else if (auto *v = std::get_if<double>(&cell)) {
                putDouble(d, *v);
                record(out, kNumber, d);
            } else if (auto *s = std::get_if<std::string>(&cell)) {
                auto text = wk1Label(*s);
                if (text.size() > kMaxLabel) {
                    text.resize(kMaxLabel);
                }
                d.push_back('\'');
                d += text;
                d.push_back('\0');
                record(out, kLabel, d);
            }
        }
    }
    record(out, kEof, {});
    return out;
}

bool wk1Write(const std::string &file, const Sheet &sheet, std::string *error) {
    return lotusWrite(file, sheet, error);
}

Wk1Result wk1Parse(const std::string &bytes, Sheet *sheet, std::string *problem) {
    sheet->rows.clear();
    sheet->name = "Sheet1";
    if (bytes.size() >= 6 && get16(bytes, 0) == kBof && get16(bytes, 2) == 26) {
        return Wk1Result::OtherKind; // the 26-byte beginning of release 3 and later
    }
    if (bytes.size() < 6 || get16(bytes, 0) != kBof || get16(bytes, 2) != 2) {
        // Not even the first record of a Lotus file.
        *problem = "it does not begin as a Lotus worksheet";
        return Wk1Result::Damaged;
    }
    const std::uint16_t version = get16(bytes, 4);
    if (version < 0x0404 || version > 0x0406) {
        return Wk1Result::OtherKind;
    }
    // Cells lie within the declared range (the whole grid of 256 columns and
    // 8,192 rows without one), each address once: a damaged address must not
    // put a value in another cell's place. Only a formula's text result
    // comes second, at its formula's address.
    bool haveRange = false;
    std::size_t rangeFirstRow = 0, rangeFirstCol = 0;
    std::size_t rangeRows = kWk1MaxRows, rangeCols = 256;
    std::size_t lastRow = 0;
    bool anyCell = false;
    std::size_t at = 6;
    bool stringAllowed = false; // a string result may follow a formula only
    std::size_t formulaRow = 0, formulaCol = 0;
    std::vector<std::vector<bool>> filled; // by row, then column
    auto rangeText = [&] {
        return rangeRows == 0 || rangeCols == 0
                   ? std::string("(none: the worksheet is declared empty)")
                   : cellName(rangeFirstCol, rangeFirstRow) + ":" + cellName(rangeCols - 1, rangeRows - 1);
    };
    // The cell at an address, or nullptr with *why when it cannot be there.
    auto cellAt = [&](std::size_t col, std::size_t row, bool second, std::string *why) -> Cell * {
        if (row < rangeFirstRow || row >= rangeRows || col < rangeFirstCol || col >= rangeCols) {
            *why = "the cell " + cellName(col, row) + " lies outside the " +
                   (haveRange ? "declared range " : "worksheet ") + rangeText();
            return nullptr;
        }
        if (sheet->rows.size() <= row) {
            sheet->rows.resize(row + 1);
            filled.resize(row + 1);
        }
        auto &cells = sheet->rows[row];
        if (cells.size() <= col) {
            cells.resize(col + 1);
            filled[row].resize(col + 1);
        }
        if (filled[row][col] != second) {
            *why = second ? "a formula text at " + cellName(col, row) + " without its formula there"
                          : "a second cell at " + cellName(col, row);
            return nullptr;
        }
        filled[row][col] = true;
        anyCell = true;
        lastRow = std::max(lastRow, row);
        return &cells[col];
    };
    for (;;) {
        if (at + 4 > bytes.size()) {
            *problem = "it ends before its end record (at byte " + std::to_string(bytes.size()) + ")";
            return Wk1Result::Damaged;
        }
        const std::uint16_t type = get16(bytes, at);
        const std::size_t length = get16(bytes, at + 2);
        const std::size_t start = at;
        at += 4;
        if (at + length > bytes.size()) {
            *problem = "it ends inside a record (at byte " + std::to_string(bytes.size()) + ")";
            return Wk1Result::Damaged;
        }
        const std::string data = bytes.substr(at, length);
        at += length;
        auto bad = [&](const char *what) {
            *problem = std::string("the record at byte ") + std::to_string(start) + " cannot be decoded (" +
                       what + ")";
            return Wk1Result::Damaged;
        };
        if (!lotusRelease2Record(type)) {
            *problem = "the record at byte " + std::to_string(start) + " is of a type (" +
                       lotusTypeText(type) + ") no Lotus worksheet holds";
            return Wk1Result::Damaged;
        }
        if (const long fixed = lotusRelease2Length(type);
            fixed >= 0 && length != static_cast<std::size_t>(fixed)) {
            return bad(type == kRange ? "range" : "length");
        }
        const bool followsFormula = stringAllowed;
        stringAllowed = false;
        switch (type) {
        case kEof:
            if (length != 0) {
                return bad("end record");
            }
            // Only padding may follow the end record.
            for (std::size_t k = at; k < bytes.size(); ++k) {
                if (bytes[k] != '\0' && bytes[k] != '\x1A') {
                    *problem = "it holds data after its end record (at byte " + std::to_string(k) + ")";
                    return Wk1Result::Damaged;
                }
            }
            if (haveRange && rangeRows > 0 && (!anyCell || lastRow + 1 < rangeRows)) {
                *problem = "it ends before its declared size (" + std::to_string(anyCell ? lastRow + 1 : 0) +
                           " of " + std::to_string(rangeRows) + " rows)";
                return Wk1Result::Damaged;
            }
            // A cell without a record is empty, as 1-2-3 saves it: a missing value.
            return Wk1Result::Read;
        case kBof:
            return bad("a second beginning");
        case kRange: {
            if (length != 8 || haveRange || anyCell) {
                return bad("range");
            }
            const std::size_t c0 = get16(data, 0), r0 = get16(data, 2), c1 = get16(data, 4),
                              r1 = get16(data, 6);
            haveRange = true;
            // An empty worksheet declares its range as -1.
            rangeCols = c1 == 0xFFFF || c1 < c0 ? 0 : c1 + 1;
            rangeRows = r1 == 0xFFFF || r1 < r0 ? 0 : r1 + 1;
            rangeFirstCol = rangeCols == 0 ? 0 : c0;
            rangeFirstRow = rangeRows == 0 ? 0 : r0;
            break;
        }
        case kBlank:
        case kInteger:
        case kNumber:
        case kLabel:
        case kFormula:
        case kString: {
            const std::size_t minimum = type == kBlank     ? 5
                                        : type == kInteger ? 7
                                        : type == kNumber  ? 13
                                        : type == kFormula ? 15
                                                           : 6;
            if (length < minimum || (type == kBlank && length != 5) || (type == kInteger && length != 7) ||
                (type == kNumber && length != 13) ||
                (type == kFormula && length != 15 + static_cast<std::size_t>(get16(data, 13))) ||
                ((type == kLabel || type == kString) && data.find('\0', 5) != data.size() - 1)) {
                return bad("cell length");
            }
            const auto format = static_cast<unsigned char>(data[0]);
            const std::size_t col = get16(data, 1), row = get16(data, 3);
            if (type == kString && (!followsFormula || col != formulaCol || row != formulaRow)) {
                return bad("a formula text without its formula");
            }
            std::string why;
            Cell *cell = cellAt(col, row, type == kString, &why);
            if (cell == nullptr) {
                *problem = "the record at byte " + std::to_string(start) + " cannot be decoded (" + why + ")";
                return Wk1Result::Damaged;
            }
            formulaCol = col;
            formulaRow = row;
            if (type == kInteger) {
                *cell = numberCell(static_cast<std::int16_t>(get16(data, 5)), format);
            } else if (type == kNumber || type == kFormula) {
                *cell = numberCell(getDouble(data, 5), format);
                stringAllowed = type == kFormula;
            } else if (type == kLabel) {
                *cell = labelText(data, 5);
            } else if (type == kString) {
                *cell = convert(data.substr(5, data.size() - 6), "UTF-8", "CP850");
            }
            break;
        }
        default:
            break; // column widths, print settings, names: nothing a table needs
        }
    }
}

bool wk1Read(const std::string &file, Sheet *sheet, bool *otherKind, std::string *error) {
    *otherKind = false;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        setError(error, "The Lotus file " + file + " cannot be read.");
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string problem;
    switch (wk1Parse(bytes, sheet, &problem)) {
    case Wk1Result::Read:
        return true;
    case Wk1Result::OtherKind:
        *otherKind = true;
        return false;
    case Wk1Result::Damaged:
        break;
    }
    setError(error, "The Lotus file " + file + " is damaged: " + problem + ".");
    return false;
}

} // namespace vesk::tables
