#pragma once

// The back-ends behind Tables.h. Internal to src/platform/tables.

#include "platform/tables/Tables.h"

#include <string>
#include <vector>

namespace vesk::tables {

// A sheet of values as the spreadsheet writers keep it: rows of cells.
struct Sheet {
    std::string name; // without "$" or ":"
    std::vector<std::vector<Cell>> rows;
};

bool accessListTables(const std::string &file, std::vector<TableInfo> *tables, std::string *error);
bool accessReadTable(const std::string &file, const std::string &table, TableData *data, std::string *error);

// All sheets of an .xls file with their cell values.
bool excelReadSheets(const std::string &file, std::vector<Sheet> *sheets, bool namesOnly, std::string *error);
// Writes a BIFF8 workbook (one worksheet per sheet; numbers and texts).
bool excelWriteWorkbook(const std::string &file, const std::vector<Sheet> &sheets, std::string *error);
// The workbook stream and the compound file around it, for the writer and its tests.
std::string biff8Workbook(const std::vector<Sheet> &sheets);
std::string compoundFile(const std::string &workbookStream);
// True when the bytes of an .xls file come from our writer.
bool excelWrittenByUs(const std::string &fileBytes);

bool lotusReadSheets(const std::string &file, std::vector<Sheet> *sheets, std::string *error);
// Writes a one-sheet .wk1 file.
bool wk1Write(const std::string &file, const Sheet &sheet, std::string *error);
std::string wk1Bytes(const Sheet &sheet);

bool textReadTable(const std::string &file, TableData *data, std::string *error);
bool textWriteTable(const std::string &file, const std::vector<TableColumn> &columns,
                    const std::vector<std::vector<Cell>> &rows, std::string *error);

// Turns a sheet into a table: the first row gives the field names (an empty
// or missing name becomes "F" & (column + 1)); rows after the last non-empty
// one are dropped.
TableData tableFromSheet(const Sheet &sheet);

// Writes bytes through a temporary file and a rename.
bool saveFile(const std::string &file, const std::string &bytes, std::string *error);

std::string lowerAscii(std::string s);

} // namespace vesk::tables
