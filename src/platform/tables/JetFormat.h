#pragma once

// The pieces of the Jet file format that our writer builds and edits, in
// both versions: Jet 4 (Access 2000 to 2003) and Jet 3 (Access 97). The
// database page, data pages and their rows, table definition pages, page
// usage maps and the pages of indexes. Internal to src/platform/tables
// (JetPages.cpp, JetUsageMaps.cpp, JetTableDefs.cpp, JetSortKeys.cpp,
// JetCatalogue.cpp, JetWriter.cpp).
//
// A Jet 4 file is a sequence of 4 KB pages, a Jet 3 file of 2 KB pages (its
// rows, definitions and index pages laid out a little differently, its
// texts in the database's code page rather than UTF-16; see Format). Page 0 describes the database,
// page 1 holds the global page usage map (bit set: the page is free), page 2
// the definition of the catalogue table MSysObjects. Every table has a
// definition page; its rows lie in data pages listed by its own usage map.
// A "data pointer" names a row: page << 8 | row. Numbers are little-endian
// except inside index keys, which are compared byte by byte.
//
// Every reader here checks bounds: damaged bytes give an error, never a read
// outside the file.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vesk::tables::jet {

inline constexpr std::size_t kPage = 4096;  // Jet 4
inline constexpr std::size_t kPage3 = 2048; // Jet 3

// What differs between the versions of the format.
struct Format {
    bool jet3 = false;
    std::uint16_t codePage = 1252; // of the texts of a Jet 3 database
    std::size_t page() const { return jet3 ? kPage3 : kPage; }
    // Data pages: where the row count and the row offsets are.
    std::size_t rowCountAt() const { return jet3 ? 8 : 12; }
    std::size_t dataHeader() const { return jet3 ? 10 : 14; }
    // Index pages: the mask of entry starts and the first entry.
    std::size_t indexMask() const { return jet3 ? 0x16 : 0x1B; }
    std::size_t indexEntries() const { return jet3 ? 0xF8 : 0x1E0; }
    // A table's usage map row (a type byte, then a start page and a bitmap or map page numbers).
    std::size_t mapRow() const { return jet3 ? 133 : 69; }
    std::uint32_t pagesPerMapPage() const { return static_cast<std::uint32_t>((page() - 4) * 8); }
    // The length of a Text column of 255 characters.
    std::uint16_t textLength() const { return jet3 ? 255 : 510; }
};
inline constexpr Format kJet4{};

// Column types of Jet files (those we write and the catalogue's).
enum : std::uint8_t {
    kBool = 0x01,
    kByte = 0x02,
    kInt = 0x03,
    kLong = 0x04,
    kDouble = 0x07,
    kDateTime = 0x08,
    kBinary = 0x09,
    kText = 0x0A,
    kOle = 0x0B,
    kMemo = 0x0C,
};

struct Column {
    std::string name; // UTF-8
    std::uint8_t type = kDouble;
    std::uint16_t number = 0;      // position in the row
    std::uint16_t varIndex = 0;    // index in the table of variable columns
    std::uint16_t fixedOffset = 0; // offset in the fixed part of the row
    std::uint16_t length = 0;      // bytes (Text of 255 characters: 510 in Jet 4, 255 in Jet 3)
    std::uint8_t flags = 0;        // 0x01 fixed length, 0x02 may be Null
    std::uint8_t miscFlags = 0;    // 0x01 compressed Unicode
    // The sort order of a text column (1033, "General", by default) and, in
    // Jet 4, its version (of General: 0 up to Access 2007, 1 from Access 2010).
    std::uint16_t sortOrder = 0x0409;
    std::uint8_t sortVersion = 0;
    bool fixed() const { return flags & 0x01; }
    bool longValue() const { return type == kMemo || type == kOle; }
};

// A physical index of a table definition.
struct RealIndex {
    std::vector<std::uint16_t> columns;
    std::vector<bool> descending; // by column (empty: every column ascending)
    std::uint32_t usedMap = 0;    // data pointer of its page usage map
    std::uint32_t firstPage = 0;  // its root page
    std::uint8_t flags = 0;
    std::uint32_t rowCount = 0; // the number of its keys, each counted once
};

struct LogicalIndex {
    std::string name;
    std::uint32_t number = 0;
    std::uint32_t real = 0;
    std::int32_t relatedIndex = -1; // another table's index in a relationship
    std::uint32_t relatedTable = 0;
    std::uint8_t type = 0; // 1 primary key, 2 foreign key
};

struct LongValueMaps {
    std::uint16_t column = 0;
    std::uint32_t usedMap = 0, freeMap = 0;
};

struct TableDef {
    std::uint32_t page = 0;
    std::vector<std::uint32_t> chain; // its pages, the first one first
    std::uint32_t version = 0x0659;   // Jet 4: the word after the length, repeated in every column
    std::uint32_t rowCount = 0;
    bool system = false;
    std::uint16_t maxColumns = 0;
    std::vector<Column> columns; // by number
    std::vector<RealIndex> realIndexes;
    std::vector<LogicalIndex> logicalIndexes;
    std::uint32_t usedMap = 0, freeMap = 0;
    std::vector<LongValueMaps> longValueMaps;
};

// The whole file as pages; appended pages start zeroed.
struct File {
    std::string bytes;
    Format format;
    std::size_t pageSize() const { return format.page(); }
    std::size_t pages() const { return bytes.size() / pageSize(); }
    char *page(std::uint32_t n) { return bytes.data() + static_cast<std::size_t>(n) * pageSize(); }
    const char *page(std::uint32_t n) const {
        return bytes.data() + static_cast<std::size_t>(n) * pageSize();
    }
    std::uint32_t append() {
        bytes.append(pageSize(), '\0');
        return static_cast<std::uint32_t>(pages() - 1);
    }
};

// --- little helpers -------------------------------------------------------
std::uint16_t rd16(const char *p);
std::uint32_t rd32(const char *p);
void wr16(char *p, std::uint16_t v);
void wr32(char *p, std::uint32_t v);
std::string utf16(const std::string &utf8);      // UTF-16LE
std::string fromUtf16(const std::string &bytes); // to UTF-8
std::string jetText(const std::string &bytes);   // a Jet 4 Text value, compressed or not, to UTF-8
// A Jet 3 text in the code page to UTF-8, and back (nothing when a character
// is missing from the code page).
std::string fromCodePage(const std::string &bytes, std::uint16_t codePage);
std::optional<std::string> toCodePage(const std::string &utf8, std::uint16_t codePage);
// A text value or name as the format stores it, and back.
std::optional<std::string> storedText(const Format &f, const std::string &utf8);
std::string readText(const Format &f, const std::string &bytes);
double oleNow(); // the current time as days since 1899-12-30

// --- the database page ----------------------------------------------------
// Page 0 of a new Jet 4 database, created at `created` (days since 1899-12-30).
std::string databasePage(double created);
// Why a file cannot be edited here (a later Access, encrypted, a password,
// not a database, damaged), or nothing; *format (when given) gets the
// version and code page of a database that can be edited.
std::optional<std::string> databaseProblem(const std::string &bytes, Format *format = nullptr);

// --- rows and data pages --------------------------------------------------
using Value = std::optional<std::string>; // the stored bytes of a column; nullopt is Null
// A row of the columns (by number) in the layout of the format.
std::string encodeRow(const std::vector<Column> &columns, const std::vector<Value> &values,
                      const Format &f = kJet4);
// The values of a row by column number; false when the row is damaged.
bool crackRow(const std::string &row, const std::vector<Column> &columns, std::vector<Value> *values,
              const Format &f = kJet4);

struct PageRow {
    std::uint16_t flags = 0; // 0x8000 deleted, 0x4000 a pointer to the row elsewhere
    std::string bytes;
};
// The rows of a data page, in row number order; false when damaged.
bool readDataPage(const char *page, std::uint32_t *tableDef, std::vector<PageRow> *rows,
                  const Format &f = kJet4);
// Fills a data page of the table with the rows; false when they do not fit.
bool writeDataPage(char *page, std::uint32_t tableDef, const std::vector<PageRow> &rows,
                   const Format &f = kJet4);
// Room left on a data page holding such rows (bytes), as its header says.
std::size_t dataPageRoom(const std::vector<PageRow> &rows, const Format &f = kJet4);
// The row a data pointer names, following a pointer to a row moved elsewhere.
bool rowAt(const File &file, std::uint32_t pointer, PageRow *out);
// Rewrites one row in place (same number); the page is packed anew.
bool replaceRow(File &file, std::uint32_t pointer, const std::string &bytes, std::uint16_t flags);
// Adds a row to one of `pages` that belongs to the table and has room for it,
// or to a new page (then *newPage is set); the row's data pointer.
std::uint32_t addRow(File &file, std::uint32_t tableDef, const std::string &bytes,
                     const std::set<std::uint32_t> &pages, std::uint32_t *newPage);
// Marks the row deleted (nothing for a null pointer or a page that is not a data page).
void markDeleted(File &file, std::uint32_t pointer);

// Stored values of the types we write.
std::string longBytes(std::uint32_t v);
std::string shortBytes(std::uint16_t v);
std::string doubleBytes(double v);
// A Jet 4 Text value: compressed (one byte a character) when every character allows it.
std::string textBytes(const std::string &utf8);

// --- page usage maps (JetUsageMaps.cpp) -------------------------------------
// A map row holds its bitmap (type 0: a start page, then one bit a page) or
// the numbers of map pages holding it (type 1, "by reference": map page i
// covers pages i * pagesPerMapPage on; 0 or a negative number: none).
inline constexpr std::size_t kMapRow = 69;
inline constexpr std::uint32_t kPagesPerMapPage = (kPage - 4) * 8;
// The pages a map row lists (for the global map: the free pages); false,
// with *problem (when given) saying what is wrong, for a damaged row.
bool decodeMap(const File &file, const std::string &row, std::set<std::uint32_t> *pages,
               std::string *problem = nullptr);
// The map pages a map row refers to by slot (0: none), for a map of type 1;
// nothing for a map of type 0.
std::vector<std::uint32_t> mapPagesOf(const std::string &row);
// A map row of `size` bytes (the format's own by default) listing the pages;
// a map that was kept by reference (`mapPages` not empty) or reaches further
// than such a row does is kept on map pages of its own (reusing those of
// `mapPages` that are map pages, appending more to the file).
std::string encodeMap(File &file, const std::set<std::uint32_t> &pages, std::vector<std::uint32_t> *mapPages,
                      std::size_t size = 0);
// The global map row of `size` bytes: the pages in `free`, and every page
// past the end of the file that the map reaches, are free (by reference
// as encodeMap keeps maps).
std::string encodeGlobalMap(File &file, const std::set<std::uint32_t> &free,
                            std::vector<std::uint32_t> *mapPages, std::size_t size = 0);

// --- table definitions ----------------------------------------------------
bool readTableDef(const File &file, std::uint32_t page, TableDef *def, std::string *problem);
// The definition's bytes (one page; false when they do not fit one).
bool writeTableDef(File &file, const TableDef &def, std::string *problem);
// Gives the columns their numbers, offsets and variable indexes.
void layOutColumns(std::vector<Column> &columns);

// --- indexes --------------------------------------------------------------
// Each key starts with the column's flag byte: 0x7F ascending, 0x80 descending.
std::string keyOfLong(std::int32_t v, bool descending = false);

// --- text sort keys (JetSortKeys.cpp) ---------------------------------------
// The sort orders whose keys this writer computes, from the complete tables of
// third_party/jet-sort-order: "General" of Access 97 (Jet 3, texts in code
// page 1252), of Access 2000 to 2007 (Jet 4, 1033 version 0) and of Access
// 2010 and later (Jet 4, 1033 version 1).
enum class SortOrder : std::uint8_t { Unknown, General97, GeneralLegacy, General };
// The sort order of a text column of a database of that format.
SortOrder sortOrderOf(const Format &f, const Column &c);
// The column's sort order as a message names it ("1031", "1033 version 2",
// "General in code page 1250").
std::string sortOrderName(const Format &f, const Column &c);

// How one character enters a key of the sort order, as its table says: the
// kind ('S' simple, 'G' significant, 'I' international, 'U' unprintable,
// 'P' modifier, 'Z' international with a flag, 'X' ignored; 0: the table
// has no line for it), the inline bytes (of 'U' its unprintable bytes, of
// 'P' its modifier), the extra bytes and the flag of 'Z' (1 or 2). Jet 3
// characters above 255 take the code of the character they map to, or 'X'.
struct SortCode {
    char kind = 0;
    std::string bytes, extra;
    std::uint8_t flag = 0;
};
SortCode sortCode(SortOrder order, std::uint32_t ch);

// The key of a text value (UTF-8) in an index of the sort order (by default
// that of the databases this writer makes), the flag byte first: trailing
// blanks do not count, nor characters past the 255th.
// Nothing for an unknown sort order, or (Jet 4) a text holding a character
// the tables do not list (one above U+FFFF); *problem (when given) then
// names it.
std::optional<std::string> keyOfText(const std::string &utf8, SortOrder order = SortOrder::GeneralLegacy,
                                     bool descending = false, std::string *problem = nullptr);

std::string pointerBytes(std::uint32_t page, std::uint8_t row); // 3-byte page, then the row
// The entries of an index page (leaf, type 4, or intermediate, type 3), each
// whole (the shared prefix restored).
bool readLeafPage(const char *page, std::vector<std::string> *entries, std::string *problem,
                  const Format &f = kJet4);
// Fills an index page of the table's index with the sorted entries; false
// when they do not fit. `type` 4 is a leaf, 3 an intermediate page (each
// entry ends with the page it leads to).
bool writeLeafPage(char *page, std::uint32_t tableDef, const std::vector<std::string> &entries,
                   std::uint32_t prev = 0, std::uint32_t next = 0, std::uint32_t tail = 0,
                   const Format &f = kJet4, std::uint8_t type = 0x04);

} // namespace vesk::tables::jet
