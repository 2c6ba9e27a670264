// Lotus files of the kinds libwps reads for us (.wks, .wk2, .wk3, .wk4)
// built record by record with what other programs write and our writer does
// not: release 1A/2 integers and formulas with their values and texts,
// release 3/4 small numbers, formulas with their values and texts, errors
// and NA, and labels of nothing but their NUL. They are read with every
// value; a cell record whose type is damaged into one no release of 1-2-3
// defines is refused naming it, anywhere in the file, next to the beginning
// and the end record too, and one damaged into another record's type leaves
// its cell empty at most: never fewer rows.

#include "platform/tables/TableBackends.h"
#include "platform/tables/Tables.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

namespace vesk {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

std::string u16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string rec(std::uint16_t type, const std::string &data) {
    return u16(type) + u16(static_cast<std::uint16_t>(data.size())) + data;
}

constexpr int kRows = 10; // rows of hours below the column names

// A table of the hour, u_mast and a note, in the records of release 1A/2
// (wks, wk2) or 3/4 (wk3, wk4), each row in records of another kind.
class Records {
public:
    explicit Records(const std::string &ext) : m_release3(ext == "wk3" || ext == "wk4") {
        if (m_release3) {
            std::string bof = u16(ext == "wk3" ? 0x1000 : 0x1002) + u16(4) + std::string(4, '\0') +
                              u16(kRows) + std::string(1, '\0') + std::string(1, '\2') +
                              std::string(14, '\0');
            add(rec(0x00, bof));
            add(rec(0x1B, u16(0x36B0) + u16(0) + "Met" + std::string(1, '\0')));
            add(rec(0x07, std::string(4, '\0') + "\x00\x0C\x01\x0C\x02\x0C"));
        } else {
            add(rec(0x00, u16(ext == "wks" ? 0x0404 : 0x0406)));
            add(rec(0x06, u16(0) + u16(0) + u16(2) + u16(kRows)));
            add(rec(0x02, "\xFF"));
            add(rec(0x03, std::string(1, '\0')));
        }
        add(label(0, 0, "'hour"));
        add(label(1, 0, "'u_mast"));
        add(label(2, 0, "'note"));
        for (int r = 1; r <= kRows; ++r) {
            // The hour: a release's small number (an integer in release 1A/2), a formula in row 5.
            add(r == 5 ? formula(0, r, r) : small(0, r, r));
            add(r == 7 ? formula(1, r, 1.5 + r) : number(1, r, 1.5 + r));
            if (r == 3) {
                add(formula(2, r, 0)); // a formula whose result is a text
                add(formulaText(2, r, "calm"));
            } else if (r == 4) {
                add(label(2, r, "")); // a label of nothing but its NUL
            } else if (r == 6 && m_release3) {
                add(rec(0x14, address(2, r))); // ERR
            } else if (r == 8 && m_release3) {
                add(rec(0x15, address(2, r))); // NA
            } else if (r == 9) {
                add(label(2, r, "^gusty"));
            }
        }
        add(rec(0x01, ""));
    }

    std::string bytes() const { return m_bytes; }
    // Where each record begins, the end record last.
    const std::vector<std::size_t> &starts() const { return m_starts; }
    // The record of the cell (col, row) among the records.
    std::size_t cellRecord(int col, int row) const { return m_cells.at(col * 100 + row); }

    // The table the records hold.
    static TableData expected() {
        TableData t;
        t.fields = {"hour", "u_mast", "note"};
        for (int r = 1; r <= kRows; ++r) {
            t.rows.push_back({static_cast<double>(r), 1.5 + r,
                              r == 3   ? Cell(std::string("calm"))
                              : r == 9 ? Cell(std::string("gusty"))
                                       : Cell()});
        }
        return t;
    }

private:
    void add(const std::string &record) {
        m_starts.push_back(m_bytes.size());
        if (m_pending >= 0) {
            m_cells[m_pending] = m_bytes.size();
            m_pending = -1;
        }
        m_bytes += record;
    }
    std::string address(int col, int row) {
        m_pending = col * 100 + row;
        return m_release3 ? u16(static_cast<std::uint16_t>(row)) + std::string(1, '\0') +
                                std::string(1, static_cast<char>(col))
                          : std::string(1, '\xFF') + u16(static_cast<std::uint16_t>(col)) +
                                u16(static_cast<std::uint16_t>(row));
    }
    std::string label(int col, int row, const std::string &text) {
        return rec(m_release3 ? 0x16 : 0x0F, address(col, row) + text + std::string(1, '\0'));
    }
    std::string number(int col, int row, double v) {
        if (m_release3) {
            return rec(0x17, address(col, row) + tables::extendedReal(v));
        }
        std::string bits(8, '\0');
        std::memcpy(bits.data(), &v, 8);
        return rec(0x0E, address(col, row) + bits);
    }
    std::string small(int col, int row, int v) {
        return m_release3 ? rec(0x18, address(col, row) + u16(static_cast<std::uint16_t>(v << 1)))
                          : rec(0x0D, address(col, row) + u16(static_cast<std::uint16_t>(v)));
    }
    // A formula with its stored value; its code (never evaluated) returns a constant.
    std::string formula(int col, int row, double v) {
        if (m_release3) {
            return rec(0x19, address(col, row) + tables::extendedReal(v) + "\x00" + tables::extendedReal(v) +
                                 "\x03");
        }
        std::string bits(8, '\0');
        std::memcpy(bits.data(), &v, 8);
        const std::string code = "\x00" + bits + "\x03";
        return rec(0x10, address(col, row) + bits + u16(static_cast<std::uint16_t>(code.size())) + code);
    }
    std::string formulaText(int col, int row, const std::string &text) {
        const std::string at = address(col, row);
        m_pending = -1; // the formula's cell, not another
        return rec(m_release3 ? 0x1A : 0x33, at + text + std::string(1, '\0'));
    }

    bool m_release3;
    std::string m_bytes;
    std::vector<std::size_t> m_starts;
    std::map<int, std::size_t> m_cells;
    int m_pending = -1;
};

class LotusRecordTypes : public testing::TestWithParam<const char *> {
protected:
    std::string ext() const { return GetParam(); }
    std::string fileOf(const std::string &bytes) const { return dir.write("met." + ext(), bytes).string(); }
    // The table the bytes hold as a file of the kind (read here, not in a
    // helper process as the runs read it), or nullopt with *error.
    std::optional<TableData> read(const std::string &bytes, std::string *error) const {
        std::vector<tables::Sheet> sheets;
        if (!tables::lotusReadSheets(fileOf(bytes), &sheets, error)) {
            return std::nullopt;
        }
        EXPECT_EQ(sheets.size(), 1u);
        return tables::tableFromSheet(sheets.front());
    }
    TempDir dir;
};

TEST_P(LotusRecordTypes, RecordsOtherProgramsWriteAreReadWithEveryValue) {
    const Records records(ext());
    std::string error;
    const auto table = read(records.bytes(), &error);
    ASSERT_TRUE(table) << error;
    EXPECT_EQ(table->fields, Records::expected().fields);
    EXPECT_EQ(table->rows, Records::expected().rows);
}

// Every type of the low byte (and a high byte turned over) given to a cell
// record of each kind, to the record after the beginning record and to the
// one before the end record: a type no 1-2-3 release defines is refused
// naming the record; any other leaves the rows whole, the cell empty at most.
TEST_P(LotusRecordTypes, ARecordOfATypeNoReleaseDefinesIsRefusedNamingItAndNoneLosesARow) {
    const Records records(ext());
    const std::string whole = records.bytes();
    const bool release3 = ext() == "wk3" || ext() == "wk4";
    const std::string file = (dir.path() / ("met." + ext())).string();
    struct Place {
        std::string what;
        std::size_t at;
        int col, row; // the cell it holds, -1 for none
    };
    const std::vector<std::size_t> &starts = records.starts();
    const std::vector<Place> places = {
        {"the record after the beginning", starts[1], -1, -1},
        {"the column names' first label", records.cellRecord(0, 0), 0, 0},
        {"a small number", records.cellRecord(0, 2), 0, 2},
        {"a number", records.cellRecord(1, 4), 1, 4},
        {"a formula", records.cellRecord(0, 5), 0, 5},
        {"a formula whose result is a text", records.cellRecord(2, 3), 2, 3},
        {"the record before the end", starts[starts.size() - 2], 1, kRows},
    };
    int refused = 0, readWhole = 0;
    for (const Place &p : places) {
        for (int type = 0; type < 0x200; ++type) {
            const auto value =
                static_cast<std::uint16_t>(type < 0x100 ? type : (type & 0xFF) << 8 | whole[p.at]);
            if (value == tables::get16(whole, p.at)) {
                continue;
            }
            std::string bytes = whole;
            bytes[p.at] = static_cast<char>(value & 0xFF);
            bytes[p.at + 1] = static_cast<char>(value >> 8);
            std::string error;
            const auto table = read(bytes, &error);
            // MS Works writes its own records of 0x54xx in the release 1A layout.
            const bool defined =
                release3 ? value <= 0x28
                         : tables::lotusRelease2Record(value) || (ext() == "wks" && value >> 8 == 0x54);
            if (!defined) {
                EXPECT_FALSE(table) << p.what << " of the type " << tables::lotusTypeText(value);
                EXPECT_EQ(error, "The Lotus file " + file + " is damaged: the record at byte " +
                                     std::to_string(p.at) + " is of a type (" + tables::lotusTypeText(value) +
                                     ") no Lotus worksheet holds.")
                    << p.what;
            }
            if (!table) {
                ++refused;
                EXPECT_NE(error.find(file), std::string::npos) << error;
                continue;
            }
            ++readWhole;
            TableData expected = Records::expected();
            ASSERT_EQ(table->rows.size(), expected.rows.size())
                << p.what << " of the type " << tables::lotusTypeText(value);
            if (p.row > 0) {
                expected.rows[static_cast<std::size_t>(p.row - 1)][static_cast<std::size_t>(p.col)] = Cell();
            }
            for (std::size_t r = 0; r < expected.rows.size(); ++r) {
                for (std::size_t c = 0; c < 3; ++c) {
                    const Cell &got = table->rows[r][c];
                    // The damaged record may still be read as a cell of another kind in its place.
                    if (p.row > 0 && r == static_cast<std::size_t>(p.row - 1) &&
                        c == static_cast<std::size_t>(p.col)) {
                        continue;
                    }
                    EXPECT_EQ(got, expected.rows[r][c])
                        << p.what << " of the type " << tables::lotusTypeText(value) << ": row " << r + 1;
                }
            }
        }
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(readWhole, 0) << "types of records that hold no cell";
}

INSTANTIATE_TEST_SUITE_P(Kinds, LotusRecordTypes, testing::Values("wks", "wk2", "wk3", "wk4"),
                         [](const testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param);
                         });

} // namespace
} // namespace vesk
