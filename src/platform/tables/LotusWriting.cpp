// Lotus worksheets written by us, one worksheet of numbers and labels per
// file, in the record layout of the kind the extension names:
//
//   .wks  release 1A: the .wk1 records under the version word 0x0404;
//   .wk1  release 2:  version 0x0406 (Wk1File.cpp);
//   .wk2  no kind of its own: Lotus' readers tell the kinds by the version
//         word alone, and the one after release 1A (0x0406) is release 2,
//         which LibreOffice's own Lotus filter calls "WK2". A .wk2 file is
//         therefore written as release 2, exactly as a .wk1 file;
//   .wk3  release 3 and .wk4 release 4: a 26-byte beginning record, a sheet
//         name, and cells addressed by row, sheet and column, whose numbers
//         are 10-byte extended reals (which hold every double exactly).
//
// Labels are in code page 850 for every kind (wk1Label).

#include "platform/tables/TableBackends.h"

#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vesk::tables {

namespace {

constexpr std::uint16_t kBof = 0x0000, kEof = 0x0001, kColumnWidths = 0x0007, kSheetName = 0x001B,
                        kLabel3 = 0x0016, kNumber3 = 0x0017;
constexpr std::uint16_t kSheetNameTag = 0x36B0; // the extended record that names a sheet
constexpr std::size_t kMaxLabel3 = 511;

// A release 3/4 label: a control byte would start one of Lotus' attribute
// escapes in the readers, so it becomes a blank.
std::string label3(const std::string &utf8) {
    std::string text = wk1Label(utf8);
    for (auto &c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            c = ' ';
        }
    }
    if (text.size() > kMaxLabel3) {
        text.resize(kMaxLabel3);
    }
    return text;
}

std::uint16_t versionOf(const std::string &ext) {
    if (ext == "wks") {
        return 0x0404;
    }
    if (ext == "wk3") {
        return 0x1000;
    }
    if (ext == "wk4") {
        return 0x1002;
    }
    return 0x0406; // wk1, wk2
}

} // namespace

std::string extendedReal(double v) {
    std::string out(10, '\0');
    if (v == 0 || !std::isfinite(v)) {
        return out; // zero (Lotus keeps NaN and infinity for its own NA and ERR)
    }
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const bool negative = bits >> 63;
    int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    std::uint64_t mantissa;
    if (exponent == 0) {
        // A subnormal double: normalise it, the extended exponent reaches far lower.
        int shift = 0;
        while (!(fraction & (std::uint64_t{1} << 52))) {
            fraction <<= 1;
            ++shift;
        }
        mantissa = fraction << 11;
        exponent = 1 - shift;
    } else {
        mantissa = (fraction | (std::uint64_t{1} << 52)) << 11;
    }
    const auto biased = static_cast<std::uint16_t>(exponent - 1023 + 16383);
    for (int i = 0; i < 8; ++i) {
        out[i] = static_cast<char>((mantissa >> (8 * i)) & 0xFF);
    }
    const std::uint16_t top = static_cast<std::uint16_t>(biased | (negative ? 0x8000 : 0));
    out[8] = static_cast<char>(top & 0xFF);
    out[9] = static_cast<char>(top >> 8);
    return out;
}

std::string wk3Bytes(const Sheet &sheet, std::uint16_t version) {
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
    put16(bof, 0x0004); // the sub-version LibreOffice's detector looks for
    put16(bof, 0);      // first row, sheet, column
    bof.push_back('\0');
    bof.push_back('\0');
    put16(bof, static_cast<std::uint16_t>(lastRow));
    bof.push_back('\0'); // last sheet: one sheet
    bof.push_back(static_cast<char>(lastCol));
    bof.append(14, '\0');
    record(out, kBof, bof);
    std::string name;
    put16(name, kSheetNameTag);
    put16(name, 0);
    name += label3(sheet.name.empty() ? std::string("A") : sheet.name);
    name.push_back('\0');
    record(out, kSheetName, name);
    std::string widths;
    widths.append(4, '\0');
    for (std::size_t c = 0; c <= lastCol; ++c) {
        widths.push_back(static_cast<char>(c));
        widths.push_back(12);
    }
    record(out, kColumnWidths, widths);
    bool anyCell = false;
    auto address = [](std::string &d, std::size_t r, std::size_t c) {
        put16(d, static_cast<std::uint16_t>(r));
        d.push_back('\0');
        d.push_back(static_cast<char>(c));
    };
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            const auto &cell = sheet.rows[r][c];
            std::string d;
            address(d, r, c);
            if (auto *v = std::get_if<double>(&cell)) {
                d += extendedReal(*v);
                record(out, kNumber3, d);
                anyCell = true;
            } else if (auto *s = std::get_if<std::string>(&cell)) {
                d.push_back('\'');
                d += label3(*s);
                d.push_back('\0');
                record(out, kLabel3, d);
                anyCell = true;
            }
        }
    }
    if (!anyCell) {
        // The readers want four records before the end: an empty label at A1.
        std::string d;
        address(d, 0, 0);
        d.push_back('\'');
        d.push_back('\0');
        record(out, kLabel3, d);
    }
    record(out, kEof, {});
    return out;
}

std::size_t lotusMaxRows(const std::string &file) {
    const std::string ext = fileExtension(file);
    if (ext == "wk3" || ext == "wk4") {
        return 65536; // a row address of 16 bits
    }
    if (ext == "wks") {
        return 32768; // the readers take the row address as a signed 16-bit number
    }
    return kWk1MaxRows;
}

bool lotusWrite(const std::string &file, const Sheet &sheet, std::string *error, StagedFile *staged) {
    const std::string ext = fileExtension(file);
    if (sheet.rows.size() > lotusMaxRows(file)) {
        setError(error, "A ." + ext + " worksheet holds at most " + std::to_string(lotusMaxRows(file)) +
                            " rows: " + file);
        return false;
    }
    const std::uint16_t version = versionOf(ext);
    return saveFile(file, version >= 0x1000 ? wk3Bytes(sheet, version) : wk1Bytes(sheet, version), error,
                    staged);
}

} // namespace vesk::tables
