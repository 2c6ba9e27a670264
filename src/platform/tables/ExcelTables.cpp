// Excel (.xls) workbooks read through FreeXL. Dates come as
// "yyyy-mm-dd[ hh:mm:ss]" texts, numbers as numbers, texts as UTF-8.

#include "platform/tables/TableBackends.h"

#include <freexl.h>

#include <filesystem>

namespace vesk::tables {

namespace {

void setError(std::string *error, std::string text) {
    if (error) {
        *error = std::move(text);
    }
}

struct XlsHandle {
    const void *h = nullptr;
    ~XlsHandle() {
        if (h) {
            freexl_close(h);
        }
    }
};

} // namespace

bool excelReadSheets(const std::string &file, std::vector<Sheet> *sheets, bool namesOnly,
                     std::string *error) {
    sheets->clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        setError(error, "The Excel file " + file + " was not found.");
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
                    switch (v.type) {
                    case FREEXL_CELL_INT:
                        row[c] = static_cast<double>(v.value.int_value);
                        break;
                    case FREEXL_CELL_DOUBLE:
                        row[c] = v.value.double_value;
                        break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME:
                        row[c] = std::string(v.value.text_value ? v.value.text_value : "");
                        break;
                    default:
                        break;
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

bool excelWriteWorkbook(const std::string &file, const std::vector<Sheet> &sheets, std::string *error) {
    return saveFile(file, compoundFile(biff8Workbook(sheets)), error);
}

} // namespace vesk::tables
