#pragma once

// Table addresses: "file;table". The file part decides the kind by its
// extension; the table part is everything after the first ";" that follows a
// database or spreadsheet file name, so a table name may itself hold "." or
// ";". Folders may be separated by "\" or "/".

#include "platform/tables/Tables.h"

#include <string>

namespace vesk {

struct TableAddress {
    std::string address;   // as given
    std::string file;      // the file part (the whole address for a text file)
    std::string table;     // the table part; empty when none was given
    std::string extension; // lower case, without the dot; the whole extension
    TableKind kind = TableKind::Text;
    // A database or spreadsheet extension this program cannot read (".xlsx",
    // ".accdb", ...): such an address is "Not recognised file type", never a
    // text file.
    bool unsupported = false;

    bool isTable() const { return kind != TableKind::Text; }
};

// Splits an address. Never fails: anything that is not a table address is a
// text file under its whole text.
TableAddress parseTableAddress(const std::string &address);

// The lower-case extension of the last component of a path ("" when none).
std::string fileExtension(const std::string &path);

// True for the extensions of files that hold tables: mdb, xls, wk1-wk4, wks.
bool isTableExtension(const std::string &extension);

// How the table chooser treats a name typed or browsed in the file chooser.
enum class TableNameKind {
    PlainFile,     // a text file: accept the name as it is
    FinishedTable, // a complete table address: accept `completed`
    NeedsTable,    // a database or spreadsheet file without a table: list its tables
    NotRecognised, // a table address of a file kind this program cannot read
};

struct TableNameChoice {
    TableNameKind kind = TableNameKind::PlainFile;
    std::string completed; // the accepted name; Excel tables end in "$", Lotus tables in ":"
    TableAddress address;
};

// Classifies a name for the table chooser. An empty name is a plain file
// with an empty result (the caller does nothing).
TableNameChoice classifyTableName(const std::string &name);

// The names the chooser offers for a file: the one table when the file holds
// exactly one, else the user tables (Access), the sheets ending in "$"
// (Excel) or ":" (Lotus). False with a message when the file cannot be read.
bool tablesForChooser(const std::string &file, std::vector<std::string> *names, std::string *error);

} // namespace vesk
