#pragma once

// One interface to the tables the runs read and write: tables inside Access
// (.mdb), Excel (.xls) and Lotus (.wk1-.wk4, .wks) files, and plain delimited
// text files. A table is addressed as "file;table" (see TableAddress.h).
//
// Reading always takes a whole table into memory, like a disconnected
// recordset: the first row of a spreadsheet holds the field names, an empty
// name becomes "F" & (column + 1). Writing creates a table anew (an existing
// table of the same name is replaced, other tables of the file are kept) and
// appends rows; the file is written only when the writer is closed, through
// a temporary file and a rename, so a failure or a writer dropped without
// closing leaves the old file whole.
//
// Back-ends: Access read through libmdb and written by our own Jet writer
// (JetWriter.cpp: new databases in Jet 4, existing ones in Jet 4 or Jet 3); Excel read through FreeXL and
// written by our own BIFF8 writer; Lotus read through libwps (.wk1 by our own reader) and every kind written
// by our own writers (a Lotus file holds one worksheet); text read and written natively.

#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace vesk {

class ReplacedFiles; // core/StagedFile.h

// A cell: Null, a number or a text.
using Cell = std::variant<std::monostate, double, std::string>;

inline bool isNull(const Cell &c) {
    return std::holds_alternative<std::monostate>(c);
}

enum class TableKind { Text, Access, Excel, Lotus };

enum class ColumnType { Float, Integer, Short, Text };

struct TableColumn {
    std::string name;
    ColumnType type = ColumnType::Float;
};

struct TableInfo {
    std::string name;      // as the table chooser shows it: Excel sheets end in "$", Lotus in ":"
    bool userTable = true; // false for Access system tables and queries
};

struct TableData {
    std::vector<std::string> fields;
    std::vector<std::vector<Cell>> rows; // every row holds fields.size() cells
};

// The kind of a file by its extension (case ignored; the whole extension
// counts, so ".xlsx" is not ".xls"). Text for every other extension.
TableKind tableKindOfFile(const std::string &file);

// Lists the tables of a database or spreadsheet file in the file's order.
// A text file has no tables. False with a message naming the file when it
// cannot be read.
bool listTables(const std::string &file, std::vector<TableInfo> *tables, std::string *error);

// Reads the table whole. The table name is matched without regard to case
// (over Unicode); in a workbook a trailing "$" (Excel) or ":" (Lotus) and
// surrounding apostrophes are ignored, in a database the name is taken as
// written. For a text file the table name is ignored: its first line holds
// the field names, items are split by the list-line rule. False with a
// message naming the file and table when it cannot be read or is missing;
// *missing (when given) then tells a file read whole that lacks the table
// from one that could not be read: the file is read once for both answers.
bool readTable(const std::string &file, const std::string &table, TableData *data, std::string *error,
               bool *missing = nullptr);

// Receives the rows of a newly created table.
class TableWriter {
public:
    virtual ~TableWriter() = default;
    // Appends one row; missing trailing cells are Null, a number of -99 or
    // less is stored as Null, surplus cells are an error. Values take the
    // type of their column: a number in a text column is stored as its text;
    // a text in a number column must be a number ("," read as "."); integer
    // and short columns round halves to even (short: -32768 to 32767).
    bool append(const std::vector<Cell> &row, std::string *error);
    std::size_t rowCount() const { return m_rows; }
    // Writes the file with the rows appended under its temporary name,
    // checked and synced to the disk, so that close() has only to put it in
    // place (a rename): tables that must replace their files all or none (a
    // run's) are each prepared before the first is closed. A workbook is
    // written when the last of its tables is prepared. False with a message
    // (a full disk); the old file is unchanged. close() does it when it was
    // not done.
    virtual bool prepare(std::string *error) = 0;
    // For a table of a group of files (a run's), once every table of the
    // group is prepared and before the first is closed: checks that the file
    // may be replaced and keeps its old contents in replaced
    // (StagedFile::keepReplaced); a workbook once, when it is written. False
    // with a message when the file may not be replaced or its old contents
    // could not be kept (the old file is unchanged). close() does it when it
    // was not done.
    virtual bool keepReplaced(ReplacedFiles &replaced, std::string *error) = 0;
    // Writes the file with the rows appended (prepare()) and puts it in
    // place; a workbook, when the last of its tables is closed. After a
    // failure the old file is unchanged. With replaced given, what the file
    // replaced is kept there until the caller's group of files is complete
    // (StagedFile.h), and the hold on a database or workbook file
    // (TableSession) lasts until then too, so that no other run writes it
    // before the old file is put back. A writer destroyed without close()
    // leaves the file as it was: rows are never written by accident.
    virtual bool close(std::string *error, ReplacedFiles *replaced = nullptr) = 0;
    // Writes the file with the rows appended under a temporary name beside
    // it (*kept), leaving the file itself as it was: the table of a run that
    // must not replace the previous one. For a table of a workbook the whole
    // workbook is written so, with every table of it that is closed later,
    // under a name that ends in the workbook's extension
    // (".Results.xls.3fa2c100.part.xls").
    virtual bool closeAside(std::string *kept, std::string *error) = 0;
    // Whether the table's file is written under a temporary name because
    // another of its tables was closed aside: close this one too, or the
    // file is not written at all.
    virtual bool keptAside() const { return false; }

protected:
    virtual bool appendRow(std::vector<Cell> row, std::string *error) = 0;
    std::vector<ColumnType> m_types;

private:
    std::size_t m_rows = 0;
};

// Creates a table with the given columns in a file (and the file when it is
// missing; its folder must exist). Replaces a table of the same name. Access
// databases the writer does not handle (.accdb, encrypted, a password,
// damaged) are refused with a message naming the file and the reason; so are
// names holding "[", "]" or control characters, Access table names Access
// refuses (see jetNameProblem) or whose sort key is not known, and a workbook of another
// program that holds other sheets (we could keep only their values). A Lotus
// file holds one worksheet: a new table replaces the file.
// Nothing is written before close(). Returns nullptr on failure; *refused
// (when given) tells a refusal from a file that could not be read or written,
// and *damaged (when given) a workbook whose existing contents, read through
// the file checked, could not be read (so that its other sheets cannot be
// kept) from any other failure.
std::unique_ptr<TableWriter> createTable(const std::string &file, const std::string &table,
                                         const std::vector<TableColumn> &columns, std::string *error,
                                         bool *refused = nullptr, bool *damaged = nullptr);

// The tables one caller (a run) writes. Tables of one spreadsheet file share
// one copy of it: the file is written once, with every sheet, when the last
// of its tables is closed, so hourly output and statistics may share a
// workbook. When a table of the file is given up (its writer destroyed
// without close(), as a failed run does), the file is not written at all and
// keeps its old contents. A second table of one session in a .wk1 file (it
// holds one worksheet) or under a sheet name the session already writes is
// refused. Writers may outlive the session.
//
// A session holds each database or spreadsheet file it writes (TableLock.h)
// from before it reads it until the last of its tables there is closed
// (and the group of files it was closed into is final) or given up:
// another session, of this process or another, is refused the file
// meanwhile ("The file ... is being written by another run of the program ...",
// *refused set) and never reverts this one's table. An Access database
// whose .ldb another program holds open is refused the same way, and so is
// a file whose lock file cannot be used (the message says why).
class TableSession {
public:
    struct Workbook;
    TableSession();
    ~TableSession();
    TableSession(const TableSession &) = delete;
    TableSession &operator=(const TableSession &) = delete;

    // As createTable below, within this session.
    std::unique_ptr<TableWriter> createTable(const std::string &file, const std::string &table,
                                             const std::vector<TableColumn> &columns, std::string *error,
                                             bool *refused = nullptr, bool *damaged = nullptr);

private:
    static bool loadWorkbook(Workbook &book, const std::string &sheetName, std::string *error, bool *refused,
                             bool *damaged);
    std::map<std::string, std::shared_ptr<Workbook>> m_books; // by the file's full path
};

// The rows of values (below the column names) one table of the file can
// hold: 8,191 in a .wk1 worksheet, 65,535 in an Excel sheet; SIZE_MAX for
// other files.
std::size_t tableRowCapacity(const std::string &file);
// The message of a table of the file that cannot take `rows` rows of values;
// the writers give it when a table is full.
std::string tableFullMessage(const std::string &file, const std::string &table, std::size_t rows);

// Sheet names of Excel and Lotus tables compare equal without regard to
// case (over Unicode: foldCase), without one pair of surrounding apostrophes
// and without a trailing "$" or ":", the syntax of their addresses.
bool sameTableName(const std::string &a, const std::string &b);
std::string plainTableName(const std::string &name);
// An Access table name is the name as written: "$", ":" and apostrophes are
// characters of it. A table written under the name `given` replaces every
// table `existing` of the database whose name, or whose name without one
// pair of surrounding apostrophes, equals `given` without regard to case
// (over Unicode): `Quoted` replaces `Quoted` and `'Quoted'`, while `'Quoted'`
// replaces `'Quoted'` only and is written beside `Quoted` (see JetWriter.cpp).
bool accessNameReplaces(const std::string &existing, const std::string &given);
// Whether a table written under one of the names replaces a table of the
// other: two tables of one run under such names would not both be kept.
bool sameAccessTableName(const std::string &a, const std::string &b);
// Why two such names of one run cannot both be written, when they differ in
// more than letter case: "a table written as Quoted replaces one named 'Quoted'".
std::string accessReplacement(const std::string &a, const std::string &b);
// Whether two table names of the file name one table: the rule of Access
// for a database (.mdb), of sheets for any other file.
bool sameTableNameIn(const std::string &file, const std::string &a, const std::string &b);
// Whether writing the table `given` into the file replaces its table
// `existing`: accessNameReplaces for a database, sameTableName for any other file.
bool tableReplacedIn(const std::string &file, const std::string &existing, const std::string &given);
// The name a table of the file gets: as written in a database, its plain
// name (plainTableName) in a workbook.
std::string tableNameIn(const std::string &file, const std::string &name);
// The text with each character's letter case folded (its simple upper-case
// then lower-case mapping, over Unicode), so that names equal but for letter
// case fold to one text ("UMSÄTZE" and "Umsätze"); "ß" stays "ß", so
// "STRASSE" folds to another text than "Straße". Bytes that are not UTF-8
// keep their values (ASCII letters folded).
std::string foldCase(const std::string &utf8);

} // namespace vesk
