#pragma once

// The back-ends behind Tables.h. Internal to src/platform/tables.

#include "core/StagedFile.h"
#include "platform/Isolation.h"
#include "platform/tables/Tables.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vesk::tables {

// Little-endian numbers and records of the binary spreadsheet formats.
inline void put16(std::string &b, std::uint16_t v) {
    b.push_back(static_cast<char>(v & 0xFF));
    b.push_back(static_cast<char>(v >> 8));
}
inline void put32(std::string &b, std::uint32_t v) {
    put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(b, static_cast<std::uint16_t>(v >> 16));
}
inline void putDouble(std::string &b, double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(b, static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
    put32(b, static_cast<std::uint32_t>(bits >> 32));
}
// A record of a type and a 16-bit length, as Excel and Lotus files hold them.
inline void record(std::string &out, std::uint16_t type, const std::string &data) {
    put16(out, type);
    put16(out, static_cast<std::uint16_t>(data.size()));
    out += data;
}
// Readers: the caller makes sure the bytes are there.
inline std::uint16_t get16(const std::string &b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}
inline std::uint32_t get32(const std::string &b, std::size_t at) {
    return static_cast<std::uint32_t>(get16(b, at)) | static_cast<std::uint32_t>(get16(b, at + 2)) << 16;
}
inline double getDouble(const std::string &b, std::size_t at) {
    const std::uint64_t bits =
        static_cast<std::uint64_t>(get32(b, at)) | static_cast<std::uint64_t>(get32(b, at + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// A sheet of values as the spreadsheet writers keep it: rows of cells.
struct Sheet {
    std::string name; // without "$" or ":"
    std::vector<std::vector<Cell>> rows;
};

// The readers below that use an outside library (libmdb, FreeXL, libwps)
// trust the file's structure. Everything outside this folder reads through
// the *Isolated forms, which run them in a helper process with a time and a
// memory limit (IsolatedReading.cpp): a damaged file gives a message naming
// the damage and never brings the program down or makes it hang.
bool readSheetsIsolated(const std::string &file, TableKind kind, bool namesOnly, std::vector<Sheet> *sheets,
                        std::string *error, const IsolationLimits &limits = {});
bool accessListTablesIsolated(const std::string &file, std::vector<TableInfo> *tables, std::string *error,
                              const IsolationLimits &limits = {});
// *missing (when given) tells a table the file does not hold from a file that
// could not be read.
bool accessReadTableIsolated(const std::string &file, const std::string &table, TableData *data,
                             std::string *error, const IsolationLimits &limits = {}, bool *missing = nullptr);

// Reads every table of the Access file but those a table written as `except`
// replaces (accessNameReplaces; "" for none) in one helper process, a row at
// a time, to tell that each can be read: true with the number of rows of
// each, by name in the file's order. False with the reason in *error and the
// table that cannot be read in *table ("" when the file or its list of tables
// cannot be read); *end (when given) tells how the helper ended. A check
// stopped at a limit (its processor time, limits.seconds; its memory; the
// wall-clock bound) names no table in *table: its reason says the limit the
// check had and what it was reading then.
bool accessReadEveryTableIsolated(const std::string &file, const std::string &except,
                                  std::vector<std::pair<std::string, std::size_t>> *rows, std::string *table,
                                  std::string *error, const IsolationLimits &limits = {},
                                  IsolatedEnd *end = nullptr);
// Where a check reading tables in a helper was stopped at a limit, as its
// message says it: "at the end of the 30 seconds of processor time its
// check had", "when it had not ended after 300 seconds, in which it used 0.2
// seconds of processor time" or "when it needed more than 1024 MB of
// memory". Empty for a helper that was not stopped at a limit.
std::string checkStoppedText(const IsolatedResult &result, const IsolationLimits &limits);

bool accessListTables(const std::string &file, std::vector<TableInfo> *tables, std::string *error);
// An Access file open in libmdb with its list of tables read once, for
// reading its tables one after the other (AccessRows) without opening the
// file and reading its catalogue again for each.
class AccessFile {
public:
    AccessFile();
    ~AccessFile();
    AccessFile(AccessFile &&) noexcept;
    AccessFile &operator=(AccessFile &&) noexcept;

    // False with a message as accessListTables gives it.
    bool open(const std::string &file, std::string *error);
    bool isOpen() const { return m_state != nullptr; }
    const std::string &name() const; // "" when not open
    // Its tables in the file's order, as accessListTables gives them.
    std::vector<TableInfo> tables() const;

private:
    friend class AccessRows;
    struct State;
    std::unique_ptr<State> m_state;
};
// The rows of a table of an Access file read one at a time through libmdb
// (as accessReadTable gives them), so that a table of any size is read in
// the memory of a row.
class AccessRows {
public:
    AccessRows();
    ~AccessRows();
    AccessRows(const AccessRows &) = delete;
    AccessRows &operator=(const AccessRows &) = delete;

    // Opens the table (its name as Access finds it); false with a message as
    // accessReadTable gives it, *missing (when given) set when the file does
    // not hold the table.
    bool open(const std::string &file, const std::string &table, std::string *error, bool *missing = nullptr);
    // The same in a file open already, which has to outlive the rows. The
    // tables of one AccessFile share libmdb's page buffer: read them one
    // after the other, each to its end or given up, never two at once.
    bool open(const AccessFile &file, const std::string &table, std::string *error, bool *missing = nullptr);
    bool isOpen() const { return m_state != nullptr; }
    const std::vector<std::string> &fields() const { return m_fields; }
    enum class Read { Row, End, Damaged };
    // The next row into *row; Damaged with a message naming the row.
    Read next(std::vector<Cell> *row, std::string *error);

private:
    struct State;
    std::unique_ptr<State> m_state;
    std::vector<std::string> m_fields;
};
bool accessReadTable(const std::string &file, const std::string &table, TableData *data, std::string *error,
                     bool *missing = nullptr);

// All sheets of an .xls file with their cell values.
bool excelReadSheets(const std::string &file, std::vector<Sheet> *sheets, bool namesOnly, std::string *error);
// Writes a BIFF8 workbook (one worksheet per sheet; numbers and texts).
// With staged given, the file is only written and prepared under its
// temporary name, and put in place when the caller commits *staged; so for
// the other writers below.
bool excelWriteWorkbook(const std::string &file, const std::vector<Sheet> &sheets, std::string *error,
                        StagedFile *staged = nullptr);
// The workbook stream and the compound file around it, for the writer and its tests.
std::string biff8Workbook(const std::vector<Sheet> &sheets);
std::string compoundFile(const std::string &workbookStream, const std::u16string &streamName = u"Workbook");
enum class CompoundResult { Found, NotCompound, NoStream, Damaged };
// Finds the first of the named streams (letter case ignored) in the bytes of
// a compound file. Every sector chain on the way is checked: Damaged, with
// *problem, when one leads outside the file, runs in a circle or gives fewer
// bytes than the stream declares. NotCompound for bytes of another kind.
CompoundResult compoundStream(const std::string &fileBytes, const std::vector<std::u16string> &names,
                              std::string *stream, std::string *problem);
// Whether a cell of our workbooks holds the text whole: at most 8,221
// characters, or 16,444 when every one is in Latin-1.
bool excelTextFits(const std::string &text);
// True when the bytes of an .xls file come from our writer.
bool excelWrittenByUs(const std::string &fileBytes);

// A cell of our own walk through a workbook stream (BiffCells.cpp).
struct BiffCell {
    enum Kind { Number, Formula, BoolErr } kind = Number;
    double raw = std::numeric_limits<double>::quiet_NaN(); // the number stored (NaN: a text or an error)
    Cell value; // as a table gives it: a number, a date text, a text or an error text ("#N/A")
};
struct BiffSheet {
    std::string name;    // UTF-8
    bool walked = false; // a worksheet or macro sheet; charts and modules hold no cells
    std::unordered_map<std::uint32_t, BiffCell> cells; // by row << 16 | column: numbers, formulas, Booleans
};
struct BiffBook {
    bool date1904 = false;
    std::vector<BiffSheet> sheets; // in the workbook's order
};
// Walks every record of a BIFF8 or BIFF5 workbook stream. Number cells get
// their date text (sheetSerialText) when their format shows a date; a
// formula its stored result: a number, a date text, a text, 1 or 0 for a
// Boolean, or the error's text. False, with *problem, when the stream is
// damaged: it ends inside a record or before an end record, a record cannot
// be decoded (a wrong length, a cell outside its sheet's declared size or
// with no such format, a second cell at an address, a text result without
// its formula), a sheet does not begin where the workbook says, or its
// cells end before its declared last row.
bool biffCells(const std::string &stream, BiffBook *book, std::string *problem);
// Whether a number format code shows a date or time (its first section holds
// d, m, y, h or s outside quotes, escapes and [colour] brackets, or [h]).
bool dateFormatCode(std::string_view code);

// A table for the Access writer (JetWriter.cpp): its name as given, its
// columns, and its rows, the first of which holds the column names.
struct JetTable {
    std::string name;
    std::vector<TableColumn> columns;
    const std::vector<std::vector<Cell>> *rows = nullptr;
};
// The processor time in seconds that reading Access files of that many
// bytes in all through libmdb may use when their tables are checked (before
// a run, and the database written after it): 30 s and 1 s a MB, far more
// than a sound database needs, for files up to 4 GB in all (two files of the
// 2 GB Access allows; larger ones get the time of 4 GB). A file the reader
// loops on is stopped after that time; a reading that waits, after ten
// times as long on the wall clock (isolationWallSeconds).
int accessCheckSeconds(std::uintmax_t bytes);
// Why Access would refuse the table name, or "": longer than 64 characters,
// beginning or ending with a blank, or holding a control character, ".",
// "!", "`", "[" or "]".
std::string jetNameProblem(const std::string &name);
// Whether the table can be written into the Access file (a new one when it
// is missing): false with a message naming the file and the reason (Jet 3,
// .accdb, encrypted, a password, damaged, a table in a relationship ...).
// With readTables, every other table of an existing file is read as well
// (through libmdb, in a helper process), as the check of the database
// written reads them: the first table of a file that a session writes.
// `written` are the tables the session writes into the file already: a
// table Access would take for one of them (its name equal to theirs under
// the key of the catalogue's sort order, or as sameAccessTableName compares
// them) is refused.
// The existing database is read through oldContents only, the path
// StagedFile::oldContents gave ("" when there is none: a new one), never by
// its name; messages name the file.
bool jetCheckTable(const std::string &file, const std::string &oldContents, const std::string &table,
                   std::string *error, bool readTables = true, const std::vector<std::string> &written = {});
// Writes the tables into the Access file (a new one in Jet 4, an existing
// one in its own version, Jet 4 or Jet 3), each replacing the tables whose
// names it replaces (accessNameReplaces); the file is replaced only once the
// database written has been read back through libmdb. False with a message;
// the file is then unchanged. The existing database is read only through
// the file that the staged file found under its name when it was begun
// (StagedFile::oldContents: *staged when it is open already, else one begun
// now), never by its name.
bool jetWriteTables(const std::string &file, const std::vector<JetTable> &tables, std::string *error,
                    StagedFile *staged = nullptr);
// Whether the database `copy`, written for `file` (which may be missing),
// reads back through libmdb as it should, all of it in one helper process:
// every table of `file` other than the catalogue and those the tables written
// replace gives the same columns and rows as in `file` (MSysACEs without the
// permissions of the tables `deleted`, by id), the catalogue gives
// catalogueRows rows and every table written its rows, cell for cell.
// Every table is read a row at a time, within memoryBytes and the processor
// time accessCheckSeconds gives both files. False with what differs (or what
// could not be read, and what was being read when a limit was reached) in
// *why.
bool jetCheckWritten(const std::string &file, const std::string &copy, const std::vector<JetTable> &tables,
                     std::size_t catalogueRows, std::string *why,
                     const std::vector<std::uint32_t> &deleted = {},
                     std::size_t memoryBytes = IsolationLimits{}.memoryBytes);

// Reads the sheets of a Lotus file: .wk1 by wk1Read, the other kinds by
// libwps once our own walk has found their records whole, with no two cells
// at one address. A file libwps does not read whole (a cell of the walk it
// does not give, or its reading stopping before the end record) is damaged:
// false with a message naming the file and where.
bool lotusReadSheets(const std::string &file, std::vector<Sheet> *sheets, std::string *error);

// Rows a .wk1 worksheet holds (the column names' row among them).
inline constexpr std::size_t kWk1MaxRows = 8192;
// Writes a one-sheet .wk1 file; more than kWk1MaxRows rows are refused.
bool wk1Write(const std::string &file, const Sheet &sheet, std::string *error);
// The bytes of a release 1A (version 0x0404, .wks) or release 2 (0x0406,
// .wk1) worksheet; its range is the rows and columns up to the last that
// hold a value, an empty cell in it a blank.
std::string wk1Bytes(const Sheet &sheet, std::uint16_t version = 0x0406);
// The bytes of a release 3 (version 0x1000, .wk3) or release 4 (0x1002,
// .wk4) worksheet of one sheet named after the sheet.
std::string wk3Bytes(const Sheet &sheet, std::uint16_t version);
// A double as the 10-byte extended real of release 3 and 4 numbers.
std::string extendedReal(double v);
// Rows (the column names' row among them) a worksheet of the file's Lotus
// kind holds: .wk1 and .wk2 8,192 (the grid of 1-2-3 release 2), .wks
// 32,768, .wk3 and .wk4 65,536 (the row addresses the readers take).
std::size_t lotusMaxRows(const std::string &file);
// Writes a one-sheet Lotus file in the layout of its extension (.wks, .wk1,
// .wk2, .wk3, .wk4; see LotusWriting.cpp); too many rows are refused.
bool lotusWrite(const std::string &file, const Sheet &sheet, std::string *error,
                StagedFile *staged = nullptr);
// A UTF-8 text as a .wk1 label: code page 850, "?" for characters it lacks.
std::string wk1Label(std::string_view utf8);
// A text of a Lotus file, in code page 850, as UTF-8.
std::string wk1Text(std::string_view cp850);
// Whether 1-2-3 releases 1A and 2 or Symphony define records of the type
// (in .wks, .wk1 and .wk2 files). Any other type is damage: a cell record
// whose type is damaged must not vanish.
bool lotusRelease2Record(std::uint16_t type);
// The length the Lotus worksheet file format fixes for a release 1A/2
// record that every version writes alike (the active range, 8 bytes; the
// one-byte settings), or -1: a record of such a type made longer or shorter
// is named itself, not the records after it the reading would stumble over.
long lotusRelease2Length(std::uint16_t type);
// A record type as the messages show it: "0x17", "0x8017".
std::string lotusTypeText(std::uint16_t type);
enum class Wk1Result { Read, OtherKind, Damaged };
// Reads the bytes of a Lotus 1-2-3 release 1A/2 worksheet (.wk1, .wks) and
// checks its structure: it must end with its end record, every record must
// be whole, decodable and of a type 1-2-3 or Symphony defines, every cell
// lie in the declared range (in the grid of 256 columns and kWk1MaxRows rows
// without one), at an address no other cell holds (a formula's text result
// excepted), and the cells must reach the range's last row. A cell of the
// range without a record is empty (a missing value), as 1-2-3 saves it.
// Damaged gives *problem, naming the cell ("a second cell at B7") or the
// record; OtherKind is a file of a later Lotus release (another version
// word, or the 26-byte beginning record of release 3 and later).
Wk1Result wk1Parse(const std::string &bytes, Sheet *sheet, std::string *problem);
// Reads a .wk1 file by wk1Parse; false with a message naming the file when
// it is damaged, or with *otherKind set (and no message) for a later kind.
bool wk1Read(const std::string &file, Sheet *sheet, bool *otherKind, std::string *error);

// A spreadsheet date serial (Excel and Lotus count days from 1900-01-00 with
// the spreadsheets' 29 February 1900; with date1904 from 1904-01-01) as
// "yyyy-mm-dd", with " hh:mm:ss" when it holds a time of day; a serial below
// 1 is a time alone, "hh:mm:ss". Rounded to the second. Empty when the value
// is no date (negative, not finite, after the year 9999).
std::string sheetSerialText(double serial, bool date1904);

bool textReadTable(const std::string &file, TableData *data, std::string *error);
bool textWriteTable(const std::string &file, const std::vector<TableColumn> &columns,
                    const std::vector<std::vector<Cell>> &rows, std::string *error,
                    StagedFile *staged = nullptr);

// A cell's address as a spreadsheet shows it, from its column and row
// counted from 0: column letters and row number ("B7" for column 1, row 6).
std::string cellName(std::size_t col, std::size_t row);

// Turns a sheet into a table: the first row gives the field names (an empty
// or missing name becomes "F" & (column + 1)); rows after the last non-empty
// one are dropped.
TableData tableFromSheet(const Sheet &sheet);

// A message of a reader that read the file through path (a descriptor's,
// "/proc/4711/fd/9": StagedFile::oldContents) with every mention of path
// replaced by the file's name, as the user knows it.
void nameReadFile(std::string *text, const std::string &path, const std::string &file);

// Writes bytes through a temporary file and a rename; with staged given,
// only into *staged, prepared (StagedFile::prepare), for the caller to commit
// (begun already when it is open: StagedFile::isOpen).
bool saveFile(const std::string &file, const std::string &bytes, std::string *error,
              StagedFile *staged = nullptr);

std::string lowerAscii(std::string s);

} // namespace vesk::tables
