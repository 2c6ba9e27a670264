#pragma once

// The pieces of the Jet 4 (Access 2000) file format that our writer builds
// and edits: the database page, data pages and their rows, table definition
// pages, page usage maps and the leaf pages of indexes. Internal to
// src/platform/tables (JetPages.cpp, JetTableDefs.cpp, JetCatalogue.cpp,
// JetWriter.cpp).
//
// A Jet 4 file is a sequence of 4 KB pages. Page 0 describes the database,
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

inline constexpr std::size_t kPage = 4096;

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
    std::uint16_t length = 0;      // bytes (510 for Text: 255 characters)
    std::uint8_t flags = 0;        // 0x01 fixed length, 0x02 may be Null
    std::uint8_t miscFlags = 0;    // 0x01 compressed Unicode
    bool fixed() const { return flags & 0x01; }
    bool longValue() const { return type == kMemo || type == kOle; }
};

// A physical index of a table definition.
struct RealIndex {
    std::vector<std::uint16_t> columns; // ascending
    std::uint32_t usedMap = 0;          // data pointer of its page usage map
    std::uint32_t firstPage = 0;        // its root page
    std::uint8_t flags = 0;
    std::uint32_t rowCount = 0;
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
    std::uint32_t version = 0x0659;   // the word after the length, repeated in every column
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
    std::size_t pages() const { return bytes.size() / kPage; }
    char *page(std::uint32_t n) { return bytes.data() + static_cast<std::size_t>(n) * kPage; }
    const char *page(std::uint32_t n) const { return bytes.data() + static_cast<std::size_t>(n) * kPage; }
    std::uint32_t append() {
        bytes.append(kPage, '\0');
        return static_cast<std::uint32_t>(pages() - 1);
    }
};

// --- little helpers -------------------------------------------------------
std::uint16_t rd16(const char *p);
std::uint32_t rd32(const char *p);
void wr16(char *p, std::uint16_t v);
void wr32(char *p, std::uint32_t v);
std::string utf16(const std::string &utf8);        // UTF-16LE
std::string fromUtf16(const std::string &bytes);    // to UTF-8
std::string jetText(const std::string &bytes);       // a Text value, compressed or not, to UTF-8
double oleNow();                                     // the current time as days since 1899-12-30

// --- the database page ----------------------------------------------------
// Page 0 of a new Jet 4 database, created at `created` (days since 1899-12-30).
std::string databasePage(double created);
// Why a file cannot be edited here (Jet 3, a later Access, encrypted, a
// password, not a database, damaged), or nothing.
std::optional<std::string> databaseProblem(const std::string &bytes);

// --- rows and data pages --------------------------------------------------
using Value = std::optional<std::string>; // the stored bytes of a column; nullopt is Null
// A row of the columns (by number) in Jet 4 layout.
std::string encodeRow(const std::vector<Column> &columns, const std::vector<Value> &values);
// The values of a row by column number; false when the row is damaged.
bool crackRow(const std::string &row, const std::vector<Column> &columns, std::vector<Value> *values);

struct PageRow {
    std::uint16_t flags = 0; // 0x8000 deleted, 0x4000 a pointer to the row elsewhere
    std::string bytes;
};
// The rows of a data page, in row number order; false when damaged.
bool readDataPage(const char *page, std::uint32_t *tableDef, std::vector<PageRow> *rows);
// Fills a data page of the table with the rows; false when they do not fit.
bool writeDataPage(char *page, std::uint32_t tableDef, const std::vector<PageRow> &rows);
// Room left on a data page holding such rows (bytes), as its header says.
std::size_t dataPageRoom(const std::vector<PageRow> &rows);
// The row a data pointer names, following a pointer to a row moved elsewhere.
bool rowAt(const File &file, std::uint32_t pointer, PageRow *out);
// Rewrites one row in place (same number); the page is packed anew.
bool replaceRow(File &file, std::uint32_t pointer, const std::string &bytes, std::uint16_t flags);
// Adds a row to one of `pages` that belongs to the table and has room for it,
// or to a new page (then *newPage is set); the row's data pointer.
std::uint32_t addRow(File &file, std::uint32_t tableDef, const std::string &bytes, const std::set<std::uint32_t> &pages,
                     std::uint32_t *newPage);
// Marks the row deleted (nothing for a null pointer or a page that is not a data page).
void markDeleted(File &file, std::uint32_t pointer);

// Stored values of the types we write.
std::string longBytes(std::uint32_t v);
std::string shortBytes(std::uint16_t v);
std::string doubleBytes(double v);
// A Text value: compressed (one byte a character) when every character allows it.
std::string textBytes(const std::string &utf8);

// --- page usage maps ------------------------------------------------------
inline constexpr std::size_t kMapRow = 69;
inline constexpr std::uint32_t kPagesPerMapPage = (kPage - 4) * 8;
// The pages a map row lists (for the global map: the free pages).
bool decodeMap(const File &file, const std::string &row, std::set<std::uint32_t> *pages);
// A map row listing the pages; a map of more than 512 pages' reach is kept on
// map pages of its own (reusing `mapPages`, appending more to the file).
std::string encodeMap(File &file, const std::set<std::uint32_t> &pages, std::vector<std::uint32_t> *mapPages);
// The global map row: every page of the file not in `used`, and every page
// past its end that the map reaches, is free.
std::string encodeGlobalMap(File &file, const std::set<std::uint32_t> &free, std::vector<std::uint32_t> *mapPages);

// --- table definitions ----------------------------------------------------
bool readTableDef(const File &file, std::uint32_t page, TableDef *def, std::string *problem);
// The definition's bytes (one page; false when they do not fit one).
bool writeTableDef(File &file, const TableDef &def, std::string *problem);
// Gives the columns their numbers, offsets and variable indexes.
void layOutColumns(std::vector<Column> &columns);

// --- indexes --------------------------------------------------------------
std::string keyOfLong(std::int32_t v);
// The key of a text in the "General" sort order of Access 2000, or nothing
// when it holds a character we do not know the order of.
std::optional<std::string> keyOfText(const std::string &utf8);
std::string pointerBytes(std::uint32_t page, std::uint8_t row); // 3-byte page, then the row
// The entries of a leaf page, each whole (the shared prefix restored).
bool readLeafPage(const char *page, std::vector<std::string> *entries, std::string *problem);
// Fills a leaf page of the table's index with the sorted entries; false when they do not fit.
bool writeLeafPage(char *page, std::uint32_t tableDef, const std::vector<std::string> &entries,
                   std::uint32_t prev = 0, std::uint32_t next = 0, std::uint32_t tail = 0);

} // namespace vesk::tables::jet
