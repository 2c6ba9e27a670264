// Our own walk through the records of an Excel workbook stream (BIFF8 of
// Excel 97-2003, BIFF5 of Excel 95). It serves two ends beside FreeXL, which
// reads the workbook: it checks that every record is whole and decodable and
// every sheet as long as it declares, and it reads what FreeXL leaves out or
// cuts short: the results stored with formulas, and the full serial values
// of number cells, whose date-time FreeXL gives as a date alone when the
// cell shows a date only.

#include "platform/tables/TableBackends.h"

#include "core/TextIO.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace vesk::tables {

namespace {

constexpr std::uint16_t kBof = 0x0809, kEof = 0x000A, kContinue = 0x003C, kDateMode = 0x0022,
                        kFormat = 0x041E, kXf = 0x00E0, kBoundSheet = 0x0085, kSst = 0x00FC,
                        kDimensions = 0x0200, kNumber = 0x0203, kRk = 0x027E, kMulRk = 0x00BD,
                        kFormula = 0x0006, kString = 0x0207, kBoolErr = 0x0205, kLabelSst = 0x00FD,
                        kLabel = 0x0204, kRString = 0x00D6, kBlank = 0x0201, kMulBlank = 0x00BE,
                        kRow = 0x0208;

struct Damage {
    std::string what;
};

// An RK number: 30 bits of an integer or of the upper half of a double,
// divided by 100 when its lowest bit says so.
double rkValue(std::uint32_t rk) {
    double v;
    if (rk & 2u) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 1u) ? v / 100.0 : v;
}

const char *errorText(std::uint8_t code) {
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    case 0x2A:
        return "#N/A";
    default:
        return "#ERROR!";
    }
}

void appendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Built-in number formats that show dates or times.
bool builtinDateFormat(std::uint16_t id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

} // namespace

bool dateFormatCode(std::string_view code) {
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ';') {
            return false; // the first section decides
        }
        if (c == '"') {
            i = code.find('"', i + 1);
            if (i == std::string_view::npos) {
                return false;
            }
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i; // an escaped, padding or fill character
        } else if (c == '[') {
            const std::size_t end = code.find(']', i);
            if (end == std::string_view::npos) {
                return false;
            }
            // [h], [mm], [ss]: elapsed time; [Red], [$-409], [>100]: not a date part.
            const std::string inside = toLower(code.substr(i + 1, end - i - 1));
            if (!inside.empty() && inside.find_first_not_of("hms") == std::string::npos) {
                return true;
            }
            i = end;
        } else if (std::strchr("dDmMyYhHsS", c) != nullptr) {
            return true;
        }
    }
    return false;
}

namespace {

class Walker {
public:
    Walker(const std::string &stream, BiffBook *book) : m_s(stream), m_book(book) {}

    void walk() {
        std::size_t at = 0;
        Record r = next(at);
        if (r.type != kBof || r.data.size() < 4) {
            throw Damage{"it does not begin as a workbook"};
        }
        m_biff8 = get16(r.data, 0) == 0x0600;
        if (!m_biff8 && get16(r.data, 0) != 0x0500) {
            throw Damage{"it is neither an Excel 97-2003 nor an Excel 95 workbook"};
        }
        std::vector<std::uint32_t> offsets;
        for (;;) {
            r = next(at);
            if (r.type == kEof) {
                break;
            }
            switch (r.type) {
            case kDateMode:
                need(r, r.data.size() >= 2);
                m_book->date1904 = get16(r.data, 0) == 1;
                break;
            case kFormat:
                readFormat(r);
                break;
            case kXf:
                need(r, r.data.size() >= 4);
                m_xfFormats.push_back(get16(r.data, 2));
                break;
            case kSst:
                need(r, r.data.size() >= 8);
                m_strings = get32(r.data, 4);
                m_haveSst = true;
                break;
            case kBoundSheet: {
                need(r, r.data.size() >= 8);
                BiffSheet sheet;
                sheet.name = sheetName(r);
                sheet.walked = r.data[5] == 0 || r.data[5] == 1; // worksheets and macro sheets hold cells
                offsets.push_back(get32(r.data, 0));
                m_book->sheets.push_back(std::move(sheet));
                break;
            }
            default:
                break;
            }
        }
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            if (m_book->sheets[i].walked) {
                walkSheet(offsets[i], m_book->sheets[i]);
            }
        }
    }

private:
    struct Record {
        std::uint16_t type = 0;
        std::size_t at = 0;
        std::string data;
    };

    Record next(std::size_t &at) const {
        if (at + 4 > m_s.size()) {
            throw Damage{"it ends before its end record (at byte " + std::to_string(m_s.size()) + ")"};
        }
        Record r;
        r.at = at;
        r.type = get16(m_s, at);
        if (r.type == 0) {
            // No record of an Excel 95-2003 workbook has the type 0: zeroed
            // bytes, which would otherwise read as empty records and let the
            // cells they covered vanish.
            throw Damage{"it holds a record of the type 0, which no workbook holds (at byte " +
                         std::to_string(at) + ")"};
        }
        const std::size_t length = get16(m_s, at + 2);
        if (at + 4 + length > m_s.size()) {
            throw Damage{"it ends inside a record (at byte " + std::to_string(m_s.size()) + ")"};
        }
        r.data = m_s.substr(at + 4, length);
        at += 4 + length;
        return r;
    }

    static void need(const Record &r, bool ok, const char *what = "its length") {
        if (!ok) {
            throw Damage{"the record at byte " + std::to_string(r.at) + " cannot be decoded (" + what + ")"};
        }
    }

    // Characters of a string from `at`: BIFF8 with its option byte (one or
    // two bytes a character), BIFF5 in the workbook's code page.
    std::string chars(const Record &r, std::size_t at, std::size_t count) const {
        if (!m_biff8) {
            need(r, at + count <= r.data.size(), "a text");
            return toUtf8(r.data.substr(at, count));
        }
        need(r, at < r.data.size(), "a text");
        const bool wide = r.data[at] & 1;
        ++at;
        need(r, at + count * (wide ? 2 : 1) <= r.data.size(), "a text");
        std::string out;
        for (std::size_t i = 0; i < count; ++i) {
            appendUtf8(out, wide ? get16(r.data, at + 2 * i) : static_cast<unsigned char>(r.data[at + i]));
        }
        return out;
    }

    void readFormat(const Record &r) {
        need(r, r.data.size() >= 3);
        const std::uint16_t id = get16(r.data, 0);
        const std::string code = m_biff8 ? (need(r, r.data.size() >= 4), chars(r, 4, get16(r.data, 2)))
                                         : chars(r, 3, static_cast<unsigned char>(r.data[2]));
        m_customDate.emplace_back(id, dateFormatCode(code));
    }

    std::string sheetName(const Record &r) const {
        const std::size_t count = static_cast<unsigned char>(r.data[6]);
        return chars(r, 7, count);
    }

    bool dateXf(std::uint16_t xf) const {
        if (xf >= m_xfFormats.size()) {
            return false;
        }
        const std::uint16_t id = m_xfFormats[xf];
        for (const auto &[custom, date] : m_customDate) {
            if (custom == id) {
                return date;
            }
        }
        return builtinDateFormat(id);
    }

    // The value of a number cell: a date text when its format shows a date.
    BiffCell numberCell(double v, std::uint16_t xf, bool formula) const {
        BiffCell c;
        c.raw = v;
        c.kind = formula ? BiffCell::Formula : BiffCell::Number;
        c.value = v;
        if (dateXf(xf)) {
            if (auto text = sheetSerialText(v, m_book->date1904); !text.empty()) {
                c.value = std::move(text);
            }
        }
        return c;
    }

    struct Bounds {
        bool known = false;
        std::uint32_t firstRow = 0, rows = 0, firstCol = 0, cols = 0;
    };

    void walkSheet(std::uint32_t offset, BiffSheet &sheet) {
        std::size_t at = offset;
        Record r = next(at);
        if (r.type != kBof) {
            throw Damage{"the sheet " + sheet.name + " does not begin where the workbook says (byte " +
                         std::to_string(offset) + ")"};
        }
        Bounds bounds;
        bool anyCell = false;
        std::uint32_t lastRow = 0;
        std::vector<bool> formattedRows; // rows with a ROW record: formatting, perhaps no cell
        int depth = 1;                   // charts inside the sheet have their own beginning and end
        bool textResultDue = false;
        std::uint32_t textKey = 0;
        // Each address holds one cell: a damaged address must not put a
        // value in another cell's place (a formula's text result follows
        // its formula in a record of its own).
        std::vector<std::vector<bool>> placed; // by row, then column
        auto place = [&](const Record &rec, std::uint32_t row, std::uint32_t col, std::uint16_t xf) {
            need(rec,
                 !bounds.known || (row >= bounds.firstRow && row < bounds.rows && col >= bounds.firstCol &&
                                   col < bounds.cols),
                 "a cell outside the declared size");
            need(rec, m_xfFormats.empty() || xf < m_xfFormats.size(), "a cell format");
            if (placed.size() <= row) {
                placed.resize(row + 1);
            }
            if (placed[row].size() <= col) {
                placed[row].resize(col + 1);
            }
            if (placed[row][col]) {
                throw Damage{"the record at byte " + std::to_string(rec.at) +
                             " cannot be decoded (a second cell at " + cellName(col, row) + ")"};
            }
            placed[row][col] = true;
            anyCell = true;
            lastRow = std::max(lastRow, row);
            return row << 16 | col;
        };
        for (;;) {
            r = next(at);
            if (r.type == kBof) {
                ++depth;
                continue;
            }
            if (r.type == kEof) {
                if (--depth == 0) {
                    break;
                }
                continue;
            }
            if (depth > 1) {
                continue;
            }
            const bool textResult = textResultDue;
            textResultDue = false;
            const std::size_t n = r.data.size();
            switch (r.type) {
            case kDimensions:
                need(r, n >= (m_biff8 ? 14u : 10u));
                bounds.known = true;
                if (m_biff8) {
                    bounds.firstRow = get32(r.data, 0);
                    bounds.rows = get32(r.data, 4);
                    bounds.firstCol = get16(r.data, 8);
                    bounds.cols = get16(r.data, 10);
                } else {
                    bounds.firstRow = get16(r.data, 0);
                    bounds.rows = get16(r.data, 2);
                    bounds.firstCol = get16(r.data, 4);
                    bounds.cols = get16(r.data, 6);
                }
                need(r, bounds.rows <= 65536 && bounds.cols <= 256, "the declared size");
                break;
            case kRow:
                need(r, n >= 2);
                if (get16(r.data, 0) >= formattedRows.size()) {
                    formattedRows.resize(get16(r.data, 0) + 1u, false);
                }
                formattedRows[get16(r.data, 0)] = true;
                break;
            case kNumber:
                need(r, n == 14);
                sheet.cells[place(r, get16(r.data, 0), get16(r.data, 2), get16(r.data, 4))] =
                    numberCell(getDouble(r.data, 6), get16(r.data, 4), false);
                break;
            case kRk:
                need(r, n == 10);
                sheet.cells[place(r, get16(r.data, 0), get16(r.data, 2), get16(r.data, 4))] =
                    numberCell(rkValue(get32(r.data, 6)), get16(r.data, 4), false);
                break;
            case kMulRk: {
                need(r, n >= 12 && (n - 6) % 6 == 0);
                const std::uint32_t row = get16(r.data, 0), first = get16(r.data, 2);
                const std::size_t count = (n - 6) / 6;
                need(r, get16(r.data, n - 2) == first + count - 1, "its columns");
                for (std::size_t k = 0; k < count; ++k) {
                    const std::uint16_t xf = get16(r.data, 4 + 6 * k);
                    sheet.cells[place(r, row, first + static_cast<std::uint32_t>(k), xf)] =
                        numberCell(rkValue(get32(r.data, 6 + 6 * k)), xf, false);
                }
                break;
            }
            case kFormula: {
                need(r, n >= 22 && 22u + get16(r.data, 20) <= n);
                const std::uint16_t xf = get16(r.data, 4);
                const std::uint32_t key = place(r, get16(r.data, 0), get16(r.data, 2), xf);
                BiffCell c;
                if (get16(r.data, 12) != 0xFFFF) {
                    c = numberCell(getDouble(r.data, 6), xf, true);
                } else {
                    c.kind = BiffCell::Formula;
                    switch (static_cast<unsigned char>(r.data[6])) {
                    case 0: // a text: the STRING record that follows holds it
                        textResultDue = true;
                        textKey = key;
                        break;
                    case 1:
                        c.raw = r.data[8] ? 1.0 : 0.0;
                        c.value = c.raw;
                        break;
                    case 2:
                        c.value = std::string(errorText(static_cast<std::uint8_t>(r.data[8])));
                        break;
                    case 3:
                        c.value = std::string();
                        break;
                    default:
                        need(r, false, "a formula result");
                    }
                }
                sheet.cells[key] = std::move(c);
                break;
            }
            case kString: {
                need(r, textResult, "a formula text without its formula");
                need(r, n >= 2);
                // A long text goes on in CONTINUE records, each with its own option byte.
                sheet.cells[textKey].value = longText(r, get16(r.data, 0), at);
                break;
            }
            case kBoolErr: {
                need(r, n == 8);
                const std::uint32_t key = place(r, get16(r.data, 0), get16(r.data, 2), get16(r.data, 4));
                BiffCell c;
                c.kind = BiffCell::BoolErr;
                if (r.data[7]) {
                    c.value = std::string(errorText(static_cast<std::uint8_t>(r.data[6])));
                } else {
                    c.raw = r.data[6] ? 1.0 : 0.0;
                    c.value = c.raw;
                }
                sheet.cells[key] = std::move(c);
                break;
            }
            case kLabelSst:
                need(r, n == 10);
                place(r, get16(r.data, 0), get16(r.data, 2), get16(r.data, 4));
                need(r, !m_haveSst || get32(r.data, 6) < m_strings, "a shared text");
                break;
            case kLabel:
            case kRString:
            case kBlank:
                need(r, n >= (r.type == kBlank ? 6u : 8u));
                place(r, get16(r.data, 0), get16(r.data, 2), get16(r.data, 4));
                break;
            case kMulBlank: {
                need(r, n >= 8 && n % 2 == 0);
                const std::uint32_t first = get16(r.data, 2);
                const std::size_t count = (n - 6) / 2;
                need(r, get16(r.data, n - 2) == first + count - 1, "its columns");
                for (std::size_t k = 0; k < count; ++k) {
                    place(r, get16(r.data, 0), first + static_cast<std::uint32_t>(k),
                          get16(r.data, 4 + 2 * k));
                }
                break;
            }
            default:
                break; // formats of rows and columns, views, shared formulas: nothing a table needs
            }
        }
        // Rows declared after the last cell must be rows of formatting alone
        // (some programs count them in); else cells have been lost.
        std::uint32_t filled = anyCell ? lastRow + 1 : bounds.firstRow;
        while (filled < bounds.rows && filled < formattedRows.size() && formattedRows[filled]) {
            ++filled;
        }
        if (bounds.known && bounds.rows > bounds.firstRow && filled < bounds.rows) {
            throw Damage{"the sheet " + sheet.name + " ends before its declared size (" +
                         std::to_string(anyCell ? lastRow + 1 : 0) + " of " + std::to_string(bounds.rows) +
                         " rows)"};
        }
    }

    // The characters of a STRING record and the CONTINUE records after it.
    std::string longText(const Record &first, std::size_t count, std::size_t &at) const {
        if (!m_biff8) {
            need(first, first.data.size() >= 2 + count, "a text");
            return toUtf8(first.data.substr(2, count));
        }
        std::string out;
        Record r = first;
        std::size_t from = 2;
        std::size_t done = 0;
        for (;;) {
            need(r, from < r.data.size(), "a text");
            const bool wide = r.data[from] & 1;
            const std::size_t room = (r.data.size() - from - 1) / (wide ? 2 : 1);
            const std::size_t take = std::min(room, count - done);
            out += chars(r, from, take);
            done += take;
            if (done == count) {
                return out;
            }
            std::size_t peek = at;
            r = next(peek);
            need(r, r.type == kContinue, "a text");
            at = peek;
            from = 0;
        }
    }

    const std::string &m_s;
    BiffBook *m_book;
    bool m_biff8 = true;
    std::vector<std::uint16_t> m_xfFormats; // the number format of each XF
    std::vector<std::pair<std::uint16_t, bool>> m_customDate;
    std::uint32_t m_strings = 0;
    bool m_haveSst = false;
};

} // namespace

bool biffCells(const std::string &stream, BiffBook *book, std::string *problem) {
    *book = {};
    try {
        Walker(stream, book).walk();
        return true;
    } catch (const Damage &d) {
        *problem = d.what;
        return false;
    }
}

} // namespace vesk::tables
