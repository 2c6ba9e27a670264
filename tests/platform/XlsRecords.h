#pragma once

// Hand-built Excel workbooks for the tests: BIFF8 (Excel 97-2003) or BIFF5
// (Excel 95) records put together byte by byte, so that the tests hold cell
// kinds our writer never writes (formulas, date formats, Booleans, errors).

#include "platform/tables/TableBackends.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace vesk::test::xls {

inline std::string u8(std::uint8_t v) {
    return std::string(1, static_cast<char>(v));
}
inline std::string u16(std::uint16_t v) {
    return u8(static_cast<std::uint8_t>(v & 0xFF)) + u8(static_cast<std::uint8_t>(v >> 8));
}
inline std::string u32(std::uint32_t v) {
    return u16(static_cast<std::uint16_t>(v & 0xFFFF)) + u16(static_cast<std::uint16_t>(v >> 16));
}
inline std::string f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return u32(static_cast<std::uint32_t>(bits)) + u32(static_cast<std::uint32_t>(bits >> 32));
}
inline std::string rec(std::uint16_t type, const std::string &data) {
    return u16(type) + u16(static_cast<std::uint16_t>(data.size())) + data;
}
// A BIFF8 string of one-byte characters with a 16-bit length.
inline std::string ustr16(const std::string &latin1) {
    return u16(static_cast<std::uint16_t>(latin1.size())) + u8(0) + latin1;
}

// Cell records. xf is the index of the cell's format record.
inline std::string at(int row, int col, int xf) {
    return u16(static_cast<std::uint16_t>(row)) + u16(static_cast<std::uint16_t>(col)) +
           u16(static_cast<std::uint16_t>(xf));
}
inline std::string number(int row, int col, int xf, double v) {
    return rec(0x0203, at(row, col, xf) + f64(v));
}
// An RK number: an integer (times 100 when cents) in 30 bits.
inline std::string rkInteger(int row, int col, int xf, int v, bool cents = false) {
    return rec(0x027E, at(row, col, xf) + u32(static_cast<std::uint32_t>(v) << 2 | 2u | (cents ? 1u : 0u)));
}
inline std::string labelSst(int row, int col, int index) {
    return rec(0x00FD, at(row, col, 15) + u32(static_cast<std::uint32_t>(index)));
}
// A BIFF5 label: the text in the workbook's code page.
inline std::string label5(int row, int col, const std::string &text) {
    return rec(0x0204, at(row, col, 15) + u16(static_cast<std::uint16_t>(text.size())) + text);
}
// The formatting of a row (height, default format), with or without cells.
inline std::string rowFormat(int row) {
    return rec(0x0208, u16(static_cast<std::uint16_t>(row)) + u16(0) + u16(0) + u16(255) + u16(0) + u16(0) +
                           u32(0x00000100));
}
inline std::string blank(int row, int col, int xf = 15) {
    return rec(0x0201, at(row, col, xf));
}
// A formula cell with the result stored with it; its code (=1+1 or so)
// is never evaluated by a reader.
inline std::string formulaWith(int row, int col, int xf, const std::string &result) {
    const std::string code = u8(0x1E) + u16(1) + u8(0x1E) + u16(1) + u8(0x03); // 1 + 1
    return rec(0x0006, at(row, col, xf) + result + u16(0) + u32(0) +
                           u16(static_cast<std::uint16_t>(code.size())) + code);
}
inline std::string formulaNumber(int row, int col, int xf, double v) {
    return formulaWith(row, col, xf, f64(v));
}
// A text result: the formula record, then a STRING record with the text.
inline std::string formulaText(int row, int col, const std::string &latin1, bool biff5 = false) {
    return formulaWith(row, col, 15, u8(0) + std::string(5, '\0') + u16(0xFFFF)) +
           rec(0x0207, biff5 ? u16(static_cast<std::uint16_t>(latin1.size())) + latin1 : ustr16(latin1));
}
inline std::string formulaBool(int row, int col, bool v) {
    return formulaWith(row, col, 15, u8(1) + u8(0) + u8(v ? 1 : 0) + std::string(3, '\0') + u16(0xFFFF));
}
// 0x07 #DIV/0!, 0x0F #VALUE!, 0x2A #N/A.
inline std::string formulaError(int row, int col, std::uint8_t code) {
    return formulaWith(row, col, 15, u8(2) + u8(0) + u8(code) + std::string(3, '\0') + u16(0xFFFF));
}
inline std::string boolErr(int row, int col, std::uint8_t value, bool error) {
    return rec(0x0205, at(row, col, 15) + u8(value) + u8(error ? 1 : 0));
}

struct SheetRecords {
    std::string name;
    std::string cells;
    std::uint32_t rows = 0; // the declared rows: one past the last
    std::uint16_t cols = 0;
};

struct Book {
    bool biff5 = false;
    bool date1904 = false;
    std::vector<std::pair<std::uint16_t, std::string>> formats; // number formats of our own (164, ...)
    std::vector<std::uint16_t> cellFormats;                     // the number formats of cell XFs 16, 17, ...
    std::vector<std::string> strings;                           // the shared strings (BIFF8)
    std::vector<SheetRecords> sheets;

    std::string bof(std::uint16_t kind) const {
        return rec(0x0809, biff5 ? u16(0x0500) + u16(kind) + u16(0x0DBB) + u16(0x07CC)
                                 : u16(0x0600) + u16(kind) + u16(0x0DBB) + u16(0x07CC) + u32(0) + u32(6));
    }
    std::string xf(std::uint16_t format, bool style) const {
        std::string d = u16(0) + u16(format) + u16(style ? 0xFFF5 : 0x0001);
        d.resize(biff5 ? 16 : 20, '\0');
        return rec(0x00E0, d);
    }

    // The workbook stream.
    std::string stream() const {
        std::string head =
            bof(0x0005) + rec(0x0042, u16(biff5 ? 1252 : 1200)) + rec(0x0022, u16(date1904 ? 1 : 0));
        for (int f = 0; f < 4; ++f) {
            std::string font =
                u16(200) + u16(0) + u16(0x7FFF) + u16(400) + u16(0) + u8(0) + u8(0) + u8(0) + u8(0);
            font += biff5 ? u8(5) + "Arial" : u8(5) + u8(0) + "Arial";
            head += rec(0x0031, font);
        }
        for (const auto &[id, text] : formats) {
            head += rec(0x041E,
                        u16(id) + (biff5 ? u8(static_cast<std::uint8_t>(text.size())) + text : ustr16(text)));
        }
        for (int x = 0; x < 15; ++x) {
            head += xf(0, true);
        }
        head += xf(0, false);
        for (auto format : cellFormats) {
            head += xf(format, false);
        }
        std::string tail;
        if (!biff5) {
            std::string sst = u32(static_cast<std::uint32_t>(strings.size())) +
                              u32(static_cast<std::uint32_t>(strings.size()));
            for (const auto &s : strings) {
                sst += ustr16(s);
            }
            tail += rec(0x00FC, sst);
        }
        tail += rec(0x000A, "");
        std::vector<std::string> bodies, bounds;
        std::size_t boundSize = 0;
        for (const auto &s : sheets) {
            std::string dim =
                biff5 ? u16(0) + u16(static_cast<std::uint16_t>(s.rows)) + u16(0) + u16(s.cols) + u16(0)
                      : u32(0) + u32(s.rows) + u16(0) + u16(s.cols) + u16(0);
            bodies.push_back(bof(0x0010) + rec(0x0200, dim) + s.cells + rec(0x000A, ""));
            bounds.push_back(biff5 ? u8(0) + u8(0) + u8(static_cast<std::uint8_t>(s.name.size())) + s.name
                                   : u8(0) + u8(0) + u8(static_cast<std::uint8_t>(s.name.size())) + u8(0) +
                                         s.name);
            boundSize += 4 + 4 + bounds.back().size();
        }
        auto offset = static_cast<std::uint32_t>(head.size() + boundSize + tail.size());
        std::string out = head;
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            out += rec(0x0085, u32(offset) + bounds[i]);
            offset += static_cast<std::uint32_t>(bodies[i].size());
        }
        out += tail;
        for (const auto &b : bodies) {
            out += b;
        }
        return out;
    }
    // The stream in a compound file, as an .xls file holds it; BIFF5 names it "Book".
    std::string file() const { return tables::compoundFile(stream(), biff5 ? u"Book" : u"Workbook"); }
};

} // namespace vesk::test::xls
