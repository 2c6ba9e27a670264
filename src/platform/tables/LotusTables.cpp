// Lotus worksheets: .wk1 files by our own reader (Wk1File.cpp), the other
// kinds (.wk2-.wk4, .wks) through libwps' spreadsheet interface once our own
// walk through their records has found them whole.

#include "platform/tables/TableBackends.h"

#include "platform/tables/TableAddress.h"

#include <librevenge-stream/librevenge-stream.h>
#include <librevenge/librevenge.h>
#include <libwps/libwps.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vesk::tables {

namespace {

using librevenge::RVNGPropertyList;

void setError(std::string *error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
}

// Collects the sheets, rows and cell values; everything else is ignored.
class SheetCollector : public librevenge::RVNGSpreadsheetInterface {
public:
    std::vector<Sheet> sheets;

    void openSheet(const RVNGPropertyList &p) override {
        Sheet s;
        if (const auto *name = p["librevenge:sheet-name"]) {
            s.name = name->getStr().cstr();
        }
        if (s.name.empty()) {
            s.name = "Sheet" + std::to_string(sheets.size() + 1);
        }
        sheets.push_back(std::move(s));
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
        Cell cell = m_value;
        if (isNull(cell) && m_hasText) {
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

// Checks the records of a Lotus file libwps is to read: libwps stops where
// the records stop making sense and gives the cells read so far, so a file
// cut short would be read as a shorter table, its last row cut short too. A
// file that begins with the beginning record of a release 1A/2 worksheet (2
// bytes) or of a later release (26) must reach its end record through whole
// records; after it a release 1A/2 file holds padding at most, while a later
// release may keep its formats there. Files of other kinds are left to
// libwps. Empty when the records are whole, else the damage.
std::string recordsProblem(const std::string &bytes) {
    if (bytes.size() < 6 || get16(bytes, 0) != 0x0000 || (get16(bytes, 2) != 2 && get16(bytes, 2) != 26)) {
        return {};
    }
    const bool release2 = get16(bytes, 2) == 2;
    for (std::size_t at = 0;;) {
        if (at + 4 > bytes.size()) {
            return "it ends before its end record (at byte " + std::to_string(bytes.size()) + ")";
        }
        const std::uint16_t type = get16(bytes, at);
        const std::size_t end = at + 4 + get16(bytes, at + 2);
        if (end > bytes.size()) {
            return "it ends inside a record (at byte " + std::to_string(bytes.size()) + ")";
        }
        if (type == 0x0001) {
            for (std::size_t k = end; release2 && k < bytes.size(); ++k) {
                if (bytes[k] != '\0' && bytes[k] != '\x1A') {
                    return "it holds data after its end record (at byte " + std::to_string(k) + ")";
                }
            }
            return {};
        }
        at = end;
    }
}

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
    {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.eof() && !in) {
            setError(error, "The Lotus file " + file + " cannot be read.");
            return false;
        }
        if (const std::string problem = recordsProblem(bytes); !problem.empty()) {
            setError(error, "The Lotus file " + file + " is damaged: " + problem + ".");
            return false;
        }
    }
    librevenge::RVNGFileStream input(file.c_str());
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
    // Labels of every Lotus kind are read in code page 850, as they are written.
    auto result = libwps::WPSDocument::parse(&input, &collector, "", needEncoding ? "CP850" : "");
    if (result != libwps::WPS_OK) {
        setError(error, "The Lotus file " + file + " cannot be read.");
        return false;
    }
    *sheets = std::move(collector.sheets);
    return true;
}

} // namespace vesk::tables
