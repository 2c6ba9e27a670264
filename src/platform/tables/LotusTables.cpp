// Lotus worksheets: .wk1 files by our own reader (Wk1File.cpp), the other
// kinds (.wk2-.wk4, .wks) through libwps' spreadsheet interface once our own
// walk through their records has found them whole; libwps must then give
// every cell the walk found and read on to the end record.

#include "platform/tables/TableBackends.h"

#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"

#include <librevenge-stream/librevenge-stream.h>
#include <librevenge/librevenge.h>
#include <libwps/libwps.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vesk::tables {

namespace {

using librevenge::RVNGPropertyList;

// Collects the sheets, rows and cell values; everything else is ignored.
class SheetCollector : public librevenge::RVNGSpreadsheetInterface {
public:
    std::vector<Sheet> sheets;
    // Every cell libwps gives, empty ones too, by sheet: row << 16 | column.
    std::vector<std::vector<std::uint32_t>> given;

    void openSheet(const RVNGPropertyList &p) override {
        Sheet s;
        if (const auto *name = p["librevenge:sheet-name"]) {
            s.name = name->getStr().cstr();
        }
        if (s.name.empty()) {
            s.name = "Sheet" + std::to_string(sheets.size() + 1);
        }
        sheets.push_back(std::move(s));
        given.emplace_back();
        m_row = -1;
    }
    void openSheetRow(const RVNGPropertyList &p) override {
        ++m_row;
        if (const auto *r = p["librevenge:row"]) {
            m_row = r->getInt();
        }
    }
    void openSheetCell(const RVNGPropertyList &p) override {
        m_inCell = true;
        m_text.clear();
        m_hasText = false;
        m_value = std::monostate{};
        m_col = 0;
        m_cellRow = m_row;
        if (const auto *c = p["librevenge:column"]) {
            m_col = c->getInt();
        }
        if (const auto *r = p["librevenge:row"]) {
            m_cellRow = r->getInt();
        }
        if (!given.empty() && m_col >= 0 && m_col <= 0xFFFF && m_cellRow >= 0 && m_cellRow <= 0xFFFF) {
            given.back().push_back(static_cast<std::uint32_t>(m_cellRow) << 16 |
                                   static_cast<std::uint32_t>(m_col));
        }
        const auto *type = p["librevenge:value-type"];
        std::string t = type ? type->getStr().cstr() : "";
        if (const auto *v = p["librevenge:value"]; v && t != "string" && t != "text") {
            if (t == "date" || t == "time") {
                m_value = std::string(v->getStr().cstr());
            } else {
                m_value = v->getDouble();
            }
        }
        if (t == "date" && p["librevenge:year"]) {
            char buf[40];
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p["librevenge:year"]->getInt(),
                          p["librevenge:month"] ? p["librevenge:month"]->getInt() : 1,
                          p["librevenge:day"] ? p["librevenge:day"]->getInt() : 1);
            m_value = std::string(buf);
        }
    }
    void closeSheetCell() override {
        m_inCell = false;
        if (sheets.empty() || m_col < 0 || m_cellRow < 0) {
            return;
        }
        // A formula whose result is a text comes as the value 0 and the text:
        // the text is the cell's (a date keeps its day).
        Cell cell = m_value;
        if (m_hasText && !std::holds_alternative<std::string>(m_value)) {
            cell = m_text;
        }
        if (isNull(cell)) {
            return;
        }
        auto &rows = sheets.back().rows;
        if (rows.size() <= static_cast<std::size_t>(m_cellRow)) {
            rows.resize(m_cellRow + 1);
        }
        auto &row = rows[m_cellRow];
        if (row.size() <= static_cast<std::size_t>(m_col)) {
            row.resize(m_col + 1);
        }
        row[m_col] = std::move(cell);
    }
    void insertText(const librevenge::RVNGString &text) override {
        if (m_inCell) {
            m_text += text.cstr();
            m_hasText = true;
        }
    }
    void insertSpace() override { insertText(" "); }
    void insertTab() override { insertText("\t"); }

    void setDocumentMetaData(const RVNGPropertyList &) override {}
    void startDocument(const RVNGPropertyList &) override {}
    void endDocument() override {}
    void definePageStyle(const RVNGPropertyList &) override {}
    void defineEmbeddedFont(const RVNGPropertyList &) override {}
    void openPageSpan(const RVNGPropertyList &) override {}
    void closePageSpan() override {}
    void openHeader(const RVNGPropertyList &) override {}
    void closeHeader() override {}
    void openFooter(const RVNGPropertyList &) override {}
    void closeFooter() override {}
    void defineSheetNumberingStyle(const RVNGPropertyList &) override {}
    void closeSheet() override {}
    void closeSheetRow() override {}
    void defineChartStyle(const RVNGPropertyList &) override {}
    void openChart(const RVNGPropertyList &) override {}
    void closeChart() override {}
    void openChartTextObject(const RVNGPropertyList &) override {}
    void closeChartTextObject() override {}
    void openChartPlotArea(const RVNGPropertyList &) override {}
    void closeChartPlotArea() override {}
    void insertChartAxis(const RVNGPropertyList &) override {}
    void openChartSerie(const RVNGPropertyList &) override {}
    void closeChartSerie() override {}
    void defineParagraphStyle(const RVNGPropertyList &) override {}
    void openParagraph(const RVNGPropertyList &) override {}
    void closeParagraph() override {}
    void defineCharacterStyle(const RVNGPropertyList &) override {}
    void openSpan(const RVNGPropertyList &) override {}
    void closeSpan() override {}
    void openLink(const RVNGPropertyList &) override {}
    void closeLink() override {}
    void defineSectionStyle(const RVNGPropertyList &) override {}
    void openSection(const RVNGPropertyList &) override {}
    void closeSection() override {}
    void insertLineBreak() override { insertText("\n"); }
    void insertField(const RVNGPropertyList &) override {}
    void openOrderedListLevel(const RVNGPropertyList &) override {}
    void openUnorderedListLevel(const RVNGPropertyList &) override {}
    void closeOrderedListLevel() override {}
    void closeUnorderedListLevel() override {}
    void openListElement(const RVNGPropertyList &) override {}
    void closeListElement() override {}
    void openFootnote(const RVNGPropertyList &) override {}
    void closeFootnote() override {}
    void openComment(const RVNGPropertyList &) override { ++m_ignored; }
    void closeComment() override { --m_ignored; }
    void openFrame(const RVNGPropertyList &) override {}
    void closeFrame() override {}
    void insertBinaryObject(const RVNGPropertyList &) override {}
    void openTextBox(const RVNGPropertyList &) override {}
    void closeTextBox() override {}
    void openTable(const RVNGPropertyList &) override {}
    void openTableRow(const RVNGPropertyList &) override {}
    void closeTableRow() override {}
    void openTableCell(const RVNGPropertyList &) override {}
    void closeTableCell() override {}
    void insertCoveredTableCell(const RVNGPropertyList &) override {}
    void closeTable() override {}
    void openGroup(const RVNGPropertyList &) override {}
    void closeGroup() override {}
    void defineGraphicStyle(const RVNGPropertyList &) override {}
    void drawRectangle(const RVNGPropertyList &) override {}
    void drawEllipse(const RVNGPropertyList &) override {}
    void drawPolygon(const RVNGPropertyList &) override {}
    void drawPolyline(const RVNGPropertyList &) override {}
    void drawPath(const RVNGPropertyList &) override {}
    void drawConnector(const RVNGPropertyList &) override {}
    void insertEquation(const RVNGPropertyList &) override {}

private:
    int m_row = -1;
    int m_cellRow = 0;
    int m_col = 0;
    int m_ignored = 0;
    bool m_inCell = false;
    bool m_hasText = false;
    std::string m_text;
    Cell m_value;
};

// A cell record of a Lotus file: its sheet, row and column
// (sheet << 32 | row << 16 | column) and the byte its record begins at.
struct WalkedCell {
    std::uint64_t key = 0;
    std::size_t at = 0;
};

// What our walk through the records of a Lotus file found.
struct RecordWalk {
    bool walked = false;              // a file of a release whose records we know
    std::size_t endAt = 0;            // where its end record begins
    std::vector<WalkedCell> cells;    // in the file's order
    std::vector<std::size_t> records; // where each record begins, the end record last
    // The text results of release 1A/2 formulas (code page 850), which
    // libwps gives as 0: (row << 16 | column, text).
    std::vector<std::pair<std::uint32_t, std::string>> formulaTexts;
};

// Whether 1-2-3 releases 3 and 4 define records of the type before the end
// record of a worksheet: 0x00 to 0x24, from the beginning, the end, the
// settings, ranges and names to the cells (errors, NA, labels, numbers,
// small numbers, formulas and their texts) and the extended records (0x1B).
// The cells of 8-byte numbers from 0x25 on came with 1-2-3 97 (version
// 0x1003 and later). Formats come after the end record, which the walk does
// not read.
bool lotusRelease3Record(std::uint16_t type) {
    return type <= 0x24;
}

// A cell's name as 1-2-3 shows it, with its sheet's letters before it
// beyond the first sheet ("B:C7").
std::string walkedCellName(std::uint64_t key) {
    const auto sheet = static_cast<std::size_t>(key >> 32);
    const std::string name = cellName(key & 0xFFFF, (key >> 16) & 0xFFFF);
    if (sheet == 0) {
        return name;
    }
    std::string letters = cellName(sheet, 0);
    letters.pop_back(); // the row's "1"
    return letters + ":" + name;
}

// Walks the records of a Lotus file libwps is to read: libwps stops where
// the records stop making sense and gives the cells read so far, so a file
// cut short or damaged inside would be read as a shorter table, its last row
// cut short too. A file that begins with the beginning record of a release
// 1A/2 worksheet (2 bytes) or of a later release (26) must reach its end
// record (of no length) through whole records, with no second beginning
// before it; after it a release 1A/2 file holds padding at most, while a
// later release may keep its formats there. A file of 1-2-3 (releases 1A to
// 4, versions 0x0404-0x0406 and 0x1000-0x1002) holds records of the types
// its release defines alone (and MS Works' own 0x54xx in the release 1A
// layout Works writes), so that a cell record whose type is damaged never
// vanishes. The cell records of each release (release 1A/2: blanks,
// integers, numbers, labels and formulas; release 3/4: labels, numbers,
// small numbers, formulas, errors and NA) must have their lengths, each at an
// address no other cell holds: a damaged address must not put a value in
// another cell's place; a formula's text follows its formula. Files of other
// kinds are left to libwps. Empty when the records are whole, else the
// damage; *walk gets the records and the cells libwps is to give.
std::string walkRecords(const std::string &bytes, RecordWalk *walk) {
    if (bytes.size() < 6 || get16(bytes, 0) != 0x0000 || (get16(bytes, 2) != 2 && get16(bytes, 2) != 26)) {
        return {};
    }
    const bool release2 = get16(bytes, 2) == 2;
    const std::uint16_t version = get16(bytes, 4);
    const bool lotus =
        release2 ? version >= 0x0404 && version <= 0x0406 : version >= 0x1000 && version <= 0x1002;
    // The range a release 3/4 beginning declares (first and last row, sheet
    // and column); all zeros declares none.
    std::uint64_t first = 0, last = ~std::uint64_t{0};
    if (!release2 && bytes.find_first_not_of('\0', 8) < 16) {
        first = std::uint64_t{static_cast<unsigned char>(bytes[10])} << 32 |
                std::uint64_t{get16(bytes, 8)} << 16 | static_cast<unsigned char>(bytes[11]);
        last = std::uint64_t{static_cast<unsigned char>(bytes[14])} << 32 |
               std::uint64_t{get16(bytes, 12)} << 16 | static_cast<unsigned char>(bytes[15]);
    }
    auto inRange = [&](std::uint64_t key) {
        for (const int shift : {32, 16, 0}) {
            const std::uint64_t mask = shift == 16 ? 0xFFFF : 0xFF;
            const std::uint64_t part = key >> shift & mask;
            if (part < (first >> shift & mask) || part > (last >> shift & mask)) {
                return false;
            }
        }
        return true;
    };
    std::uint64_t formulaKey = 0; // the address of the formula just read
    bool afterFormula = false;
    for (std::size_t at = 0;;) {
        if (at + 4 > bytes.size()) {
            return "it ends before its end record (at byte " + std::to_string(bytes.size()) + ")";
        }
        const std::uint16_t type = get16(bytes, at);
        const std::size_t length = get16(bytes, at + 2);
        const std::size_t end = at + 4 + length;
        if (end > bytes.size()) {
            return "it ends inside a record (at byte " + std::to_string(bytes.size()) + ")";
        }
        walk->records.push_back(at);
        auto bad = [&](const char *what) {
            return "the record at byte " + std::to_string(at) + " cannot be decoded (" + what + ")";
        };
        if (lotus && !(release2 ? lotusRelease2Record(type) || (version == 0x0404 && type >> 8 == 0x54)
                                : lotusRelease3Record(type))) {
            return "the record at byte " + std::to_string(at) + " is of a type (" + lotusTypeText(type) +
                   ") no Lotus worksheet holds";
        }
        const std::string_view data(bytes.data() + at + 4, length);
        if (type == 0x0001) {
            if (length != 0) {
                return bad("end record");
            }
            for (std::size_t k = end; release2 && k < bytes.size(); ++k) {
                if (bytes[k] != '\0' && bytes[k] != '\x1A') {
                    return "it holds data after its end record (at byte " + std::to_string(k) + ")";
                }
            }
            walk->walked = true;
            walk->endAt = at;
            break;
        }
        if (type == 0x0000 && at > 0) {
            return bad("a second beginning");
        }
        if (const long fixed = release2 ? lotusRelease2Length(type) : -1;
            lotus && fixed >= 0 && length != static_cast<std::size_t>(fixed)) {
            return bad("length");
        }
        const bool followsFormula = afterFormula;
        afterFormula = false;
        // The length a cell record of the type must have (0: it may be
        // longer, its text ending in its only NUL; -2: at least 14 bytes, a
        // value and a formula), or -1 for no cell record.
        long cellLength = -1;
        const bool formulaText = type == (release2 ? 0x33 : 0x1A);
        if (release2) {
            cellLength = type == 0x0C                  ? 5
                         : type == 0x0D                ? 7
                         : type == 0x0E                ? 13
                         : type == 0x0F || formulaText ? 0
                         : type == 0x10 ? (length >= 15 ? 15 + long{get16(bytes, at + 4 + 13)} : 15)
                                        : -1;
        } else {
            cellLength = type == 0x16 || formulaText    ? 0
                         : type == 0x17                 ? 14
                         : type == 0x18                 ? 6
                         : type == 0x19                 ? -2
                         : type == 0x14 || type == 0x15 ? 4
                                                        : -1;
        }
        if (cellLength == -1) {
            at = end;
            continue;
        }
        // A label's text follows its address (in release 1A/2 a format
        // byte and the address) and ends with its only NUL.
        const std::size_t label = release2 ? 5 : 4;
        if (cellLength > 0   ? length != static_cast<std::size_t>(cellLength)
            : cellLength < 0 ? length < 14
                             : length < label + 1 || data.find('\0', label) != length - 1) {
            return bad("cell length");
        }
        const std::uint64_t sheet = release2 ? 0 : static_cast<unsigned char>(data[2]);
        const std::uint64_t row = release2 ? get16(bytes, at + 4 + 3) : get16(bytes, at + 4);
        const std::uint64_t col = release2 ? get16(bytes, at + 4 + 1) : static_cast<unsigned char>(data[3]);
        const std::uint64_t key = sheet << 32 | row << 16 | col;
        // A record damaged into a cell must not add rows far below the others.
        if (!inRange(key)) {
            return bad(("the cell " + walkedCellName(key) + " lies outside the declared range " +
                        walkedCellName(first) + ":" + walkedCellName(last))
                           .c_str());
        }
        if (formulaText) {
            if (!followsFormula || key != formulaKey) {
                return bad("a formula text without its formula");
            }
            if (release2) {
                walk->formulaTexts.emplace_back(static_cast<std::uint32_t>(key),
                                                std::string(data.substr(label, length - label - 1)));
            }
        } else if (release2 || (type != 0x14 && type != 0x15)) {
            // libwps gives no cell for an error or NA of release 3/4: it is empty.
            walk->cells.push_back({key, at});
        }
        if (type == (release2 ? 0x10 : 0x19)) {
            formulaKey = key;
            afterFormula = true;
        }
        at = end;
    }
    // Two cells at one address: the second, in the file's order, is damaged.
    std::vector<std::size_t> order(walk->cells.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return walk->cells[a].key < walk->cells[b].key; });
    std::size_t second = order.size();
    for (std::size_t i = 1; i < order.size(); ++i) {
        if (walk->cells[order[i]].key == walk->cells[order[i - 1]].key && order[i] < second) {
            second = order[i];
        }
    }
    if (second < order.size()) {
        return "the record at byte " + std::to_string(walk->cells[second].at) +
               " cannot be decoded (a second cell at " + walkedCellName(walk->cells[second].key) + ")";
    }
    return {};
}

// The cells of the walk libwps did not give: the first of them, in the
// file's order, and how many there are. Empty when it gave every one.
std::string cellsNotGiven(const RecordWalk &walk, std::vector<std::vector<std::uint32_t>> given) {
    for (auto &cells : given) {
        std::sort(cells.begin(), cells.end());
    }
    const WalkedCell *first = nullptr;
    std::size_t missing = 0;
    for (const WalkedCell &cell : walk.cells) {
        const auto sheet = static_cast<std::size_t>(cell.key >> 32);
        const auto address = static_cast<std::uint32_t>(cell.key & 0xFFFFFFFF);
        if (sheet >= given.size() || !std::binary_search(given[sheet].begin(), given[sheet].end(), address)) {
            first = first != nullptr ? first : &cell;
            ++missing;
        }
    }
    if (first == nullptr) {
        return {};
    }
    return "the cell " + walkedCellName(first->key) + " of the record at byte " + std::to_string(first->at) +
           " cannot be read" + (missing > 1 ? " (nor " + std::to_string(missing - 1) + " later cells)" : "");
}

// The record that holds the furthest byte libwps read (the one it began at,
// when it read the whole record before it and no more).
std::size_t recordStoppedAt(const RecordWalk &walk, std::size_t furthest) {
    const auto &records = walk.records;
    auto after = std::upper_bound(records.begin(), records.end(), furthest);
    if (after != records.begin() && *(after - 1) == furthest) {
        return furthest;
    }
    after = std::upper_bound(records.begin(), records.end(), furthest > 0 ? furthest - 1 : 0);
    return after == records.begin() ? 0 : *(after - 1);
}

// A file stream that keeps how far libwps has read in it.
class TrackedStream : public librevenge::RVNGInputStream {
public:
    explicit TrackedStream(const std::string &file) : m_file(file.c_str()) {}
    long furthest() const { return m_furthest; }

    bool isStructured() override { return m_file.isStructured(); }
    unsigned subStreamCount() override { return m_file.subStreamCount(); }
    const char *subStreamName(unsigned id) override { return m_file.subStreamName(id); }
    bool existsSubStream(const char *name) override { return m_file.existsSubStream(name); }
    librevenge::RVNGInputStream *getSubStreamByName(const char *name) override {
        return m_file.getSubStreamByName(name);
    }
    librevenge::RVNGInputStream *getSubStreamById(unsigned id) override {
        return m_file.getSubStreamById(id);
    }
    const unsigned char *read(unsigned long numBytes, unsigned long &numBytesRead) override {
        const unsigned char *data = m_file.read(numBytes, numBytesRead);
        m_furthest = std::max(m_furthest, m_file.tell());
        return data;
    }
    int seek(long offset, librevenge::RVNG_SEEK_TYPE seekType) override {
        return m_file.seek(offset, seekType);
    }
    long tell() override { return m_file.tell(); }
    bool isEnd() override { return m_file.isEnd(); }
    void forgetFurthest() { m_furthest = 0; }

private:
    librevenge::RVNGFileStream m_file;
    long m_furthest = 0;
};

} // namespace

bool lotusReadSheets(const std::string &file, std::vector<Sheet> *sheets, std::string *error) {
    sheets->clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        setError(error, "The Lotus file " + file + " was not found.");
        return false;
    }
    if (fileExtension(file) == "wk1") {
        Sheet sheet;
        bool otherKind = false;
        if (wk1Read(file, &sheet, &otherKind, error)) {
            sheets->push_back(std::move(sheet));
            return true;
        }
        if (!otherKind) {
            return false;
        }
        // A later Lotus kind under a .wk1 name: libwps knows it.
    }
    RecordWalk walk;
    {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.eof() && !in) {
            setError(error, "The Lotus file " + file + " cannot be read.");
            return false;
        }
        if (const std::string problem = walkRecords(bytes, &walk); !problem.empty()) {
            setError(error, "The Lotus file " + file + " is damaged: " + problem + ".");
            return false;
        }
    }
    TrackedStream input(file);
    libwps::WPSKind kind = libwps::WPS_TEXT;
    libwps::WPSCreator creator = libwps::WPS_MSWORKS;
    bool needEncoding = false;
    auto confidence = libwps::WPSDocument::isFileFormatSupported(&input, kind, creator, needEncoding);
    if (confidence == libwps::WPS_CONFIDENCE_NONE || kind != libwps::WPS_SPREADSHEET) {
        setError(error, "The file " + file + " cannot be read as a Lotus worksheet.");
        return false;
    }
    SheetCollector collector;
    input.seek(0, librevenge::RVNG_SEEK_SET);
    input.forgetFurthest(); // how far the recognition read is no reading of the cells
    // Labels of every Lotus kind are read in code page 850, as they are written.
    auto result = libwps::WPSDocument::parse(&input, &collector, "", needEncoding ? "CP850" : "");
    if (result != libwps::WPS_OK) {
        // In a file whose records the walk found whole, the record libwps stopped at is damaged.
        const auto furthest = static_cast<std::size_t>(std::max(input.furthest(), 0L));
        setError(error, "The Lotus file " + file +
                            (walk.walked && result == libwps::WPS_PARSE_ERROR && furthest < walk.endAt + 4
                                 ? " is damaged: its reading stops at the record at byte " +
                                       std::to_string(recordStoppedAt(walk, furthest)) + "."
                                 : " cannot be read."));
        return false;
    }
    // libwps gives the cells it read before a record it cannot read on from:
    // short of what the walk found, the rest is lost.
    if (walk.walked) {
        std::string problem = cellsNotGiven(walk, std::move(collector.given));
        const auto furthest = static_cast<std::size_t>(std::max(input.furthest(), 0L));
        if (furthest < walk.endAt + 4) {
            // The record libwps stopped at is the damaged one, not a cell after it.
            const std::string stops =
                "its reading stops at the record at byte " + std::to_string(recordStoppedAt(walk, furthest));
            problem = problem.empty()
                          ? stops + ", before its end record (at byte " + std::to_string(walk.endAt) + ")"
                          : stops + ": " + problem;
        }
        if (!problem.empty()) {
            setError(error, "The Lotus file " + file + " is damaged: " + problem + ".");
            return false;
        }
    }
    for (const auto &[key, text] : walk.formulaTexts) {
        if (!collector.sheets.empty()) {
            auto &rows = collector.sheets.front().rows;
            const std::size_t row = key >> 16, col = key & 0xFFFF;
            if (rows.size() <= row) {
                rows.resize(row + 1);
            }
            if (rows[row].size() <= col) {
                rows[row].resize(col + 1);
            }
            rows[row][col] = wk1Text(text);
        }
    }
    *sheets = std::move(collector.sheets);
    return true;
}

} // namespace vesk::tables
