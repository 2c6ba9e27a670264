// Excel (.xls) workbooks read through FreeXL, with our own walk through the
// workbook's records beside it (BiffCells.cpp): that walk refuses a damaged
// workbook before FreeXL reads it, gives the results stored with formulas
// (FreeXL gives none) and the full date-time of date cells (FreeXL drops the
// time of a cell shown as a date), and checks every number FreeXL reads.
// Dates come as "yyyy-mm-dd[ hh:mm:ss]" texts, numbers as numbers, texts as
// UTF-8.

#include "platform/tables/TableBackends.h"
#include "core/TextIO.h"

#include <freexl.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace vesk::tables {

namespace {

struct XlsHandle {
    const void *h = nullptr;
    ~XlsHandle() {
        if (h) {
            freexl_close(h);
        }
    }
};

// Our walk through the workbook's records; false with a message naming the
// file when it is damaged. *walked stays false for files that are no
// compound file (FreeXL decides about those).
bool walkWorkbook(const std::string &file, BiffBook *book, bool *walked, std::string *error) {
    *walked = false;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string stream, problem;
    switch (compoundStream(bytes, {u"Workbook", u"Book"}, &stream, &problem)) {
    case CompoundResult::NotCompound:
        return true;
    case CompoundResult::NoStream:
        setError(error, "The file " + file +
                            " cannot be read as an Excel 97-2003 workbook (.xls): it holds no "
                            "workbook.");
        return false;
    case CompoundResult::Damaged:
        break;
    case CompoundResult::Found:
        if (biffCells(stream, book, &problem)) {
            *walked = true;
            return true;
        }
        break;
    }
    setError(error, "The Excel file " + file + " is damaged: " + problem + ".");
    return false;
}

// Our walk's sheet for FreeXL's sheet `index` of that name.
const BiffSheet *walkedSheet(const BiffBook &book, const std::string &name, unsigned index) {
    for (const auto &sheet : book.sheets) {
        if (sheet.name == name) {
            return sheet.walked ? &sheet : nullptr;
        }
    }
    return index < book.sheets.size() && book.sheets[index].walked ? &book.sheets[index] : nullptr;
}

// The value of a cell from FreeXL's reading and ours. Where we walked the
// workbook, numbers and date cells take our value (the full serial; date or
// number by our reading of the cell's format), formulas, Booleans and errors
// (which FreeXL leaves empty) too; texts are FreeXL's. False when the two
// readings differ: one of them has misread a damaged record.
bool cellValue(const FreeXL_CellValue &v, const BiffCell *ours, bool walked, Cell *cell) {
    const bool text = v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT;
    const bool number = v.type == FREEXL_CELL_INT || v.type == FREEXL_CELL_DOUBLE;
    const bool date =
        v.type == FREEXL_CELL_DATE || v.type == FREEXL_CELL_DATETIME || v.type == FREEXL_CELL_TIME;
    if (text || (date && !walked)) {
        *cell = std::string(v.value.text_value ? v.value.text_value : "");
        return ours == nullptr || ours->kind != BiffCell::Number;
    }
    if (number && !walked) {
        *cell = v.type == FREEXL_CELL_INT ? static_cast<double>(v.value.int_value) : v.value.double_value;
        return true;
    }
    if (number || date) {
        if (ours == nullptr || ours->kind == BiffCell::BoolErr) {
            return false;
        }
        if (number && ours->raw != (v.type == FREEXL_CELL_INT ? static_cast<double>(v.value.int_value)
                                                              : v.value.double_value)) {
            return false;
        }
        *cell = ours->value;
        return true;
    }
    // FreeXL has no value for formulas, Booleans and errors: ours has.
    if (ours != nullptr) {
        *cell = ours->value;
        return ours->kind != BiffCell::Number;
    }
    return true;
}

} // namespace

bool excelReadSheets(const std::string &file, std::vector<Sheet> *sheets, bool namesOnly,
                     std::string *error) {
    sheets->clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        setError(error, "The Excel file " + file + " was not found.");
        return false;
    }
    BiffBook book;
    bool walked = false;
    if (!namesOnly && !walkWorkbook(file, &book, &walked, error)) {
        return false;
    }
    XlsHandle xls;
    int rc = namesOnly ? freexl_open_info(file.c_str(), &xls.h) : freexl_open(file.c_str(), &xls.h);
    if (rc != FREEXL_OK) {
        setError(error, "The file " + file + " cannot be read as an Excel 97-2003 workbook (.xls).");
        return false;
    }
    unsigned int count = 0;
    if (freexl_get_info(xls.h, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) {
        setError(error, "The sheets of the Excel file " + file + " cannot be read.");
        return false;
    }
    for (unsigned short i = 0; i < count; ++i) {
        Sheet sheet;
        const char *name = nullptr;
        if (freexl_get_worksheet_name(xls.h, i, &name) != FREEXL_OK || !name) {
            setError(error, "The sheets of the Excel file " + file + " cannot be read.");
            return false;
        }
        sheet.name = name;
        if (!namesOnly) {
            unsigned int rows = 0;
            unsigned short cols = 0;
            if (freexl_select_active_worksheet(xls.h, i) != FREEXL_OK ||
                freexl_worksheet_dimensions(xls.h, &rows, &cols) != FREEXL_OK) {
                setError(error,
                         "The sheet " + sheet.name + " of the Excel file " + file + " cannot be read.");
                return false;
            }
            const BiffSheet *mine = walked ? walkedSheet(book, sheet.name, i) : nullptr;
            sheet.rows.resize(rows);
            for (unsigned int r = 0; r < rows; ++r) {
                auto &row = sheet.rows[r];
                row.resize(cols);
                for (unsigned short c = 0; c < cols; ++c) {
                    FreeXL_CellValue v;
                    if (freexl_get_cell_value(xls.h, r, c, &v) != FREEXL_OK) {
                        setError(error,
                                 "A cell of the sheet " + sheet.name + " in " + file + " cannot be read.");
                        return false;
                    }
                    const BiffCell *ours = nullptr;
                    if (mine != nullptr) {
                        auto it = mine->cells.find(r << 16 | c);
                        ours = it == mine->cells.end() ? nullptr : &it->second;
                    }
                    if (!cellValue(v, ours, mine != nullptr, &row[c])) {
                        setError(error, "The Excel file " + file + " is damaged: the cell in row " +
                                            std::to_string(r + 1) + ", column " + std::to_string(c + 1) +
                                            " of the sheet " + sheet.name + " cannot be decoded.");
                        return false;
                    }
                }
                // Keep a row only up to its last value: a far formatted cell
                // must not make every row as wide as the sheet.
                while (!row.empty() && std::holds_alternative<std::monostate>(row.back())) {
                    row.pop_back();
                }
                row.shrink_to_fit();
            }
            while (!sheet.rows.empty() && sheet.rows.back().empty()) {
                sheet.rows.pop_back();
            }
        }
        sheets->push_back(std::move(sheet));
    }
    return true;
}

bool excelWriteWorkbook(const std::string &file, const std::vector<Sheet> &sheets, std::string *error,
                        StagedFile *staged) {
    return saveFile(file, compoundFile(biff8Workbook(sheets)), error, staged);
}

} // namespace vesk::tables
