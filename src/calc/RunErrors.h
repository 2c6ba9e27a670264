#pragma once

// Error numbers of the table routines and of the reading of an hour, and the
// messages the run shows for them.
//
// The numbers are those the program has always used: its own (9500 to
// 9910), the run time's file errors (13, 53, 62, 70, 71, 75, 76, ...) and
// the table provider's (-2147467259 and others). A routine reports an error
// by its number and a description that names what failed; runMessage()
// turns both into the text the user sees.

#include "core/Interaction.h"

#include <stdexcept>
#include <string>

namespace vesk {

inline constexpr long kErrNoDataTable = 9500;  // a database or spreadsheet file without a table name
inline constexpr long kErrNoStatTable = 9501;  // the same for a statistics file: offer to define it
inline constexpr long kErrEmptyVarList = 9600; // empty variable (or rows) list
inline constexpr long kErrColumnWidth = 9700;  // missing or invalid column width
inline constexpr long kErrFormatType = 9800;   // width without a format
inline constexpr long kErrScaling = 9801;      // non-numeric scaling item
inline constexpr long kErrTooFewItems = 9900;  // an input record holds fewer items than the variable list
inline constexpr long kErrInputItem = 9901;    // input column keyword not found
inline constexpr long kErrOutputItem = 9902;   // output column keyword not found
inline constexpr long kErrHourZero = 9909;     // hour 0 in an input record
inline constexpr long kErrTableRefused =
    9910; // a table this platform cannot open or create (see description)
inline constexpr long kErrFolderNotCreated = 7076; // the output file's folder cannot be created
inline constexpr long kErrOutOfRange = 5; // a value outside its range ("Invalid procedure call or argument")
inline constexpr long kErrOverflow = 6;   // a number too large for its type
inline constexpr long kErrTypeMismatch = 13;
inline constexpr long kErrSubscript = 9;
inline constexpr long kErrFileNotFound = 53;
inline constexpr long kErrPastEnd = 62;
inline constexpr long kErrPermission = 70;
inline constexpr long kErrDiskNotReady = 71;
inline constexpr long kErrPathFileAccess = 75;
inline constexpr long kErrPathNotFound = 76;
inline constexpr long kErrCannotOpen = -2147467259;  // the provider cannot open the file
inline constexpr long kErrTableExists = -2147217897; // the new database file exists already (no message)
inline constexpr long kErrNoSuchTable = -2147217865; // the table is not in the file
inline constexpr long kErrWriteDenied = -2147217911; // the provider may not write the file

// A run-time error raised by the record readers and the table routines.
class RunError : public std::runtime_error {
public:
    RunError(long number, const std::string &description)
        : std::runtime_error(description), m_number(number) {}
    long number() const { return m_number; }

private:
    long m_number;
};

// The standard description of an error number ("Type mismatch", "File not
// found", ...); "Application-defined or object-defined error" for numbers
// without one.
std::string errorName(long number);

// What the run's error handler needs to build its messages.
struct RunErrorContext {
    std::string FilePath;             // the file opened last
    int FileIndex = 0;                // k of the file being bound or read
    int ColumnIndex = 0;              // j of the column
    std::string InputFile;            // InputFiles(k)
    std::string InColName;            // InColName(k, j)
    std::string OutColName;           // OutColName(k, j)
    std::string ItemText;             // the item being converted
    std::string ListItem;             // the scaling item being checked
    int day = 0, month = 0, hour = 0; // of the record read last (below 1: none read yet)
    bool NoHourYet = false;           // no hour inside the period processed yet
    bool InputIsText = false;         // input file k is a text file
    bool InItemsFlag = false;         // an item of an input record is being converted
    std::string Description;          // the failing routine's description ("" = the standard one);
                                      // for 75 the writer's reason, shown instead of the standard guess
};

struct RunMessage {
    bool show = true;        // false: no message (the record is skipped or the error ignored)
    bool skipRecord = false; // 9900/13 on a text file before the first hour: go to the next record
    std::string text;        // lines joined with CR LF
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::Critical;
};

// The message of the run for an error number, by the first matching row of
// the handler's table.
RunMessage runMessage(long number, const RunErrorContext &context);

} // namespace vesk
