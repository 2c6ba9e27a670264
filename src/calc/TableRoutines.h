#pragma once

// Opening the hourly input files and the output files of a run. An address
// is a text file or "file;table" of an Access, Excel or Lotus file (see
// platform/tables/TableAddress.h).
//
// Both routines stop at the first error and leave its number in
// *errorNumber (0 on success), with a description naming what failed in
// *errorText; the run turns the number into its message (RunErrors.h).

#include "core/Interaction.h"
#include "core/KeyedList.h"
#include "core/StagedFile.h"
#include "core/VESKVar.h"
#include "platform/tables/Tables.h"

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

// An hourly input file opened for the run.
struct InputTable {
    bool IsTable = false;
    TableData Recordset;  // the whole table (tables only)
    int FieldCount = 0;   // its number of fields (tables only)
    std::string TextPath; // the text file to be read record by record (text only)
};

// Opens an input file: a text file is checked to be readable (53 when it is
// missing, 76 when its folder is, 75 when it cannot be read) and left for
// the record reader; a table is read whole. Errors: 9500 for a database or
// spreadsheet file without a table name, 9910 for a file kind this program
// cannot read (".xlsx", ".accdb", ...), -2147467259 when the file cannot be
// opened, -2147217865 when the table is missing.
void OpenInputTable(const std::string &address, InputTable &table, long *errorNumber,
                    std::string *errorText = nullptr);

// An output file of the run. Its rows go to a temporary file (or, for a
// table, to memory); the file named by the project is replaced only by
// commit(), so a run that fails or is abandoned leaves the previous output
// whole. Dropping an OutputTable without commit() discards what was written.
struct OutputTable {
    bool IsTable = false;
    std::unique_ptr<TableWriter> Recordset; // the created table (tables only)
    long RecordCount = 0;                   // records of the table when opened: always 0, it is new
    std::string TextPath;
    StagedFile TextFile; // the text file being written, header first (text only)

    // Writes one line (CR LF added) to the text file. False when it failed.
    bool writeLine(const std::string &line);
    // Writes the file out under its temporary name, checked and synced (a
    // table: its file, when this is the last of its tables), so that commit()
    // has only to put it in place: the files of a run are each prepared
    // before the first is committed. Errors as for commit(); after a failure
    // the old file is unchanged and what was written is dropped.
    bool prepare(long *errorNumber, std::string *errorText = nullptr);
    // For a file of a group (a run's outputs), once every file of the group
    // is prepared and before the first is committed: checks that the file
    // may be replaced and keeps its old contents in replaced
    // (StagedFile::keepReplaced). Errors as for commit(); after a failure the
    // old file is unchanged and what was written is dropped.
    bool keepReplaced(ReplacedFiles &replaced, long *errorNumber, std::string *errorText = nullptr);
    // Puts the file in place of the old one (prepares it first when that was
    // not done): renames the text file or writes the table. Errors as for
    // OpenOutputTable; after a failure the old file is unchanged. With
    // replaced given, the old file is kept there until the caller's group of
    // files is in place (core/StagedFile.h).
    bool commit(long *errorNumber, std::string *errorText = nullptr, ReplacedFiles *replaced = nullptr);
    // Drops what was written; the old file is unchanged.
    void discard();
    // Leaves what was written under a temporary name beside the file
    // (*kept), the old file unchanged (see TableWriter::closeAside). Errors
    // as for commit.
    bool keepAside(std::string *kept, long *errorNumber, std::string *errorText = nullptr);
    // A table whose workbook is being written aside (another table of it was
    // kept aside): commit it so that the workbook is written whole.
    bool keptAside() const;
};

// Prepares an output file. A text file is started with the header as its
// first line; its folder must exist (76 when it does not: no folder is
// created, for a text file or a table file). A
// table is prepared with one typed column per name (see
// CreateTableStatement); at commit a table of the same name is replaced. Errors: 9500
// (no table name), 9910 (a file kind or table this program cannot create,
// Access files among them, or a file, text or table, that another run holds
// or whose lock file cannot be used), 5 (a column missing from the catalogue), -2147467259 (the file
// cannot be read; the message about a corrupted worksheet is shown through
// ui), 70/75/76 for a text file that cannot be
// created, 75 when another program moved or replaced the folder, or put
// another user's link on the way to it, between two looks of this check (the
// message says which: the link and its owner, or where the folder is now).
// Tables created within one session that lie in one workbook are
// written together (see TableSession); without a session the table has a
// workbook copy of its own.
void OpenOutputTable(const std::string &address, const std::string &header,
                     const std::vector<std::string> &columnNames, const KeyedList<VESKVar> &catalogue,
                     OutputTable &table, Interaction &ui, long *errorNumber, std::string *errorText = nullptr,
                     TableSession *session = nullptr);

// Starts the temporary file of a text output at path, as OpenOutputTable
// starts a text file before the run's first hour, and holds the file against
// other runs until it is put in place or dropped, in a group until the group
// is final (platform/tables/TableLock.h; StagedFile::holdUntilDone): refused
// when its folder does not exist (76), when the run may not put a file in
// place of the existing one (StagedFile.h: groupReplacementRefusal; 75), when
// another run holds it or its lock file cannot be used (9910), or when the
// file cannot be created beside it or the existing one is read-only or no
// regular file (StagedFile::open; 70, 75 or 76 by the system's reason), or
// when another program moved or replaced the folder, or put another user's
// link on the way to it, between two looks of this check (75, as
// OpenOutputTable). False with the number and the message then, and nothing
// is created.
bool OpenOutputText(const std::string &path, StagedFile &file, long *errorNumber, std::string *errorText);

// The definition of a new table: the names as stored and the types. A name
// "?" becomes "F" & (i + 1) and text; a name in double quotes loses them and
// is text; others take the catalogue's DataType. A name that is already
// taken, letter case ignored, by the table's name or an earlier column
// becomes name(1), name(2), ... (one ending in "(" and a number counts on
// from that number: "A(3)" becomes "A(4)"), the first that is free; the
// time grows with the number of names, however often one repeats. The statement text is
// "CREATE TABLE [T] ( [A] float, [F2] text, [A(1)] float)". False with a
// message when a name holds "[" or "]" or a column is not in the catalogue
// (*errorNumber 9910 or 5).
bool CreateTableStatement(const std::string &tableName, const std::vector<std::string> &columnNames,
                          const KeyedList<VESKVar> &catalogue, std::string *statement,
                          std::vector<TableColumn> *columns, long *errorNumber, std::string *errorText);

// The value of an hourly output table field from its formatted text: Null
// when the text reads as -99 or less, else the text for text columns and the
// number (read with "," as ".") for the others.
Cell hourlyTableCell(const std::string &text, bool isText);

// The value of a statistics table field: the text for a long-text field;
// the number for "x_coordinate" and "y_coordinate" whatever it is; else the
// number when it is above -99, otherwise empty (Null); an empty text (a
// statistic that could not be given) is empty whatever the key.
Cell statTableCell(const std::string &text, const std::string &key, bool longTextField);

} // namespace vesk
