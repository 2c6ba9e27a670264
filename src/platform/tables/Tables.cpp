#include "platform/tables/Tables.h"

#include "core/StagedFile.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "platform/tables/TableBackends.h"
#include "platform/tables/TableLock.h"

#include <glib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vesk {

namespace {

constexpr std::size_t kExcelMaxRows = 65536;

bool readTextBytes(const std::string &file, std::string *bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// A name that cannot be written safely into a table definition.
bool invalidName(const std::string &name) {
    return std::any_of(name.begin(), name.end(),
                       [](unsigned char c) { return c < 32 || c == '[' || c == ']'; });
}

} // namespace

// A spreadsheet file as the tables of one session write it: every sheet in
// memory (those of the file kept, ours added), written once, when the last
// of its tables is closed. The session holds the file (TableLock.h) from
// before it is read until then, so that no other run writes it meanwhile and
// has its tables reverted by ours.
struct TableSession::Workbook {
    std::string file;
    TableKind kind = TableKind::Excel;
    std::vector<tables::Sheet> sheets;
    std::vector<bool> created;                     // the sheet is a table of this session
    std::vector<std::string> names;                // Access: each table's name as given
    std::vector<std::vector<TableColumn>> columns; // Access: each table's columns
    int open = 0;                                  // tables not yet closed
    int unprepared = 0;                            // tables not yet prepared
    bool dropped = false;                          // a table was given up: the file is not written
    std::string aside;                             // kept under this name instead ("": put in place)
    tables::TableFileLock lock;
    StagedFile staged;    // the file written, waiting to be put in place (or kept aside)
    bool written = false; // staged holds the file

    // Writes the file into staged, which holds its folder and the file
    // checked from before the first table was created.
    bool write(std::string *error) {
        written = false;
        if (!staged.isOpen()) {
            setError(error, "The file " + file + " was not opened for writing.");
            return false;
        }
        if (kind == TableKind::Excel) {
            written = tables::excelWriteWorkbook(file, sheets, error, &staged);
        } else if (kind == TableKind::Access) {
            std::vector<tables::JetTable> tables;
            for (std::size_t i = 0; i < sheets.size(); ++i) {
                tables.push_back({names[i], columns[i], &sheets[i].rows});
            }
            written = tables::jetWriteTables(file, tables, error, &staged);
        } else {
            written = tables::lotusWrite(file, sheets.front(), error, &staged);
        }
        if (!written) {
            staged.discard();
        }
        return written;
    }
};

namespace {

class SheetWriter : public TableWriter {
public:
    SheetWriter(std::shared_ptr<TableSession::Workbook> book, std::size_t index,
                std::vector<ColumnType> types)
        : m_book(std::move(book)), m_index(index) {
        m_types = std::move(types);
        ++m_book->open;
        ++m_book->unprepared;
    }
    ~SheetWriter() override {
        if (!m_closed) {
            // Given up (a failed run): the workbook keeps its old contents.
            m_book->dropped = true;
            if (!m_prepared) {
                --m_book->unprepared;
            }
            if (--m_book->open == 0) {
                m_book->staged.discard();
                m_book->lock.release();
            }
        }
    }
    bool prepare(std::string *error) override {
        if (!m_prepared && !m_closed) {
            m_prepared = true;
            // The last table: the file is written under its temporary name
            // (not when a table was given up: close() says so).
            if (--m_book->unprepared == 0 && !m_book->dropped && !m_book->write(&m_failure)) {
                m_book->dropped = true;
                m_failed = true;
            }
        }
        if (m_failed) {
            setError(error, m_failure);
            return false;
        }
        return true;
    }
    bool keepReplaced(ReplacedFiles &replaced, std::string *error) override {
        if (m_closed) {
            return true;
        }
        if (!prepare(error)) {
            return false;
        }
        if (m_book->dropped) {
            setError(error, notWritten());
            return false;
        }
        // Once the workbook is written (its last table prepared).
        return !m_book->written || m_book->staged.keepReplaced(replaced, error);
    }
    bool close(std::string *error, ReplacedFiles *replaced = nullptr) override {
        if (m_closed) {
            return true;
        }
        bool written = prepare(error);
        m_closed = true;
        const bool last = --m_book->open == 0;
        if (written && m_book->dropped) {
            setError(error, notWritten());
            written = false;
        }
        if (!last) {
            return written;
        }
        // The last table: the file is put in place (or, when it went aside,
        // given the name kept for it), and the hold on it ends, in a group
        // once the group is final.
        if (written) {
            written = (m_book->written || m_book->write(error)) &&
                      (m_book->aside.empty() ? m_book->staged.commit(error, replaced)
                                             : m_book->staged.keepAs(m_book->aside, error));
        }
        m_book->staged.discard();
        if (replaced != nullptr) {
            replaced->holdUntilFinal([book = m_book] { book->lock.release(); });
        } else {
            m_book->lock.release();
        }
        return written;
    }
    bool closeAside(std::string *kept, std::string *error) override {
        if (m_book->aside.empty()) {
            // Ending in the workbook's own extension, so that it opens as one;
            // made when the last of its tables is closed, exclusively.
            m_book->aside = keptPathFor(m_book->file);
        }
        *kept = m_book->aside;
        return close(error);
    }
    bool keptAside() const override { return !m_book->aside.empty(); }

protected:
    bool appendRow(std::vector<Cell> row, std::string *error) override {
        auto &sheet = m_book->sheets[m_index];
        // The first row holds the column names.
        if (sheet.rows.size() > tableRowCapacity(m_book->file)) {
            setError(error, tableFullMessage(m_book->file, sheet.name, sheet.rows.size()));
            return false;
        }
        if (m_book->kind == TableKind::Excel) {
            for (const Cell &cell : row) {
                const auto *text = std::get_if<std::string>(&cell);
                if (text != nullptr && !tables::excelTextFits(*text)) {
                    setError(error,
                             "A text of " + std::to_string(text->size()) + " bytes cannot be written to " +
                                 plainTableName(sheet.name) + " in " + m_book->file +
                                 ": a cell holds at most 8221 characters (16444 when all are Latin-1).");
                    return false;
                }
            }
        }
        sheet.rows.push_back(std::move(row));
        return true;
    }

private:
    std::string notWritten() const {
        return "The file " + m_book->file + " was not written: another of its tables was not finished.";
    }

    std::shared_ptr<TableSession::Workbook> m_book;
    std::size_t m_index;
    bool m_prepared = false;
    bool m_failed = false; // the file could not be written at this table's prepare() ...
    std::string m_failure; // ... for this reason
    bool m_closed = false;
};

class TextWriter : public TableWriter {
public:
    TextWriter(std::string file, std::vector<TableColumn> columns)
        : m_file(std::move(file)), m_cols(std::move(columns)) {
        for (const auto &c : m_cols) {
            m_types.push_back(c.type);
        }
    }
    bool prepare(std::string *error) override {
        return m_staged.pending() || tables::textWriteTable(m_file, m_cols, m_rows, error, &m_staged);
    }
    bool keepReplaced(ReplacedFiles &replaced, std::string *error) override {
        return prepare(error) && m_staged.keepReplaced(replaced, error);
    }
    bool close(std::string *error, ReplacedFiles *replaced = nullptr) override {
        return prepare(error) && m_staged.commit(error, replaced);
    }
    bool closeAside(std::string *kept, std::string *error) override {
        return prepare(error) && m_staged.keep(kept, error);
    }

protected:
    bool appendRow(std::vector<Cell> row, std::string *) override {
        m_rows.push_back(std::move(row));
        return true;
    }

private:
    std::string m_file;
    std::vector<TableColumn> m_cols;
    std::vector<std::vector<Cell>> m_rows;
    StagedFile m_staged; // the file written by prepare()
};

} // namespace

std::size_t tableRowCapacity(const std::string &file) {
    switch (tableKindOfFile(file)) {
    case TableKind::Excel:
        return kExcelMaxRows - 1;
    case TableKind::Lotus:
        return tables::lotusMaxRows(file) - 1;
    default:
        return SIZE_MAX;
    }
}

std::string tableFullMessage(const std::string &file, const std::string &table, std::size_t rows) {
    const bool lotus = tableKindOfFile(file) == TableKind::Lotus;
    return "The table " + plainTableName(table) + " in " + file + " cannot hold " + std::to_string(rows) +
           " rows of values: " + (lotus ? "a ." + fileExtension(file) + " worksheet" : "an Excel sheet") +
           " holds at most " + std::to_string(tableRowCapacity(file)) +
           " below its column names. Write the table to a text file" +
           (lotus ? " or an Excel (.xls) file," : ",") + " or run a shorter period.";
}

namespace {

// The name without one pair of surrounding apostrophes.
std::string unquoted(const std::string &name) {
    return name.size() >= 2 && name.front() == '\'' && name.back() == '\'' ? name.substr(1, name.size() - 2)
                                                                           : name;
}

} // namespace

std::string plainTableName(const std::string &name) {
    std::string s = unquoted(name);
    if (!s.empty() && (s.back() == '$' || s.back() == ':')) {
        s.pop_back();
    }
    return unquoted(s);
}

bool sameTableName(const std::string &a, const std::string &b) {
    return foldCase(plainTableName(a)) == foldCase(plainTableName(b));
}

bool accessNameReplaces(const std::string &existing, const std::string &given) {
    const std::string name = foldCase(given);
    return foldCase(existing) == name || foldCase(unquoted(existing)) == name;
}

bool sameAccessTableName(const std::string &a, const std::string &b) {
    return accessNameReplaces(a, b) || accessNameReplaces(b, a);
}

std::string accessReplacement(const std::string &a, const std::string &b) {
    const bool aReplacesB = accessNameReplaces(b, a);
    const std::string &given = aReplacesB ? a : b, &existing = aReplacesB ? b : a;
    return "a table written as " + given + " replaces one named " + existing;
}

bool sameTableNameIn(const std::string &file, const std::string &a, const std::string &b) {
    return tableKindOfFile(file) == TableKind::Access ? sameAccessTableName(a, b) : sameTableName(a, b);
}

bool tableReplacedIn(const std::string &file, const std::string &existing, const std::string &given) {
    return tableKindOfFile(file) == TableKind::Access ? accessNameReplaces(existing, given)
                                                      : sameTableName(existing, given);
}

std::string tableNameIn(const std::string &file, const std::string &name) {
    return tableKindOfFile(file) == TableKind::Access ? name : plainTableName(name);
}

std::string foldCase(const std::string &utf8) {
    if (!g_utf8_validate(utf8.data(), static_cast<gssize>(utf8.size()), nullptr)) {
        return tables::lowerAscii(utf8);
    }
    std::string out;
    out.reserve(utf8.size());
    const char *end = utf8.data() + utf8.size();
    for (const char *p = utf8.data(); p < end; p = g_utf8_next_char(p)) {
        char bytes[6];
        const gunichar folded = g_unichar_tolower(g_unichar_toupper(g_utf8_get_char(p)));
        out.append(bytes, static_cast<std::size_t>(g_unichar_to_utf8(folded, bytes)));
    }
    return out;
}

namespace {

// Gives a cell the type of its column; false with a message when it cannot.
bool fitCell(Cell &c, ColumnType type, std::size_t column, std::string *error) {
    if (isNull(c)) {
        return true;
    }
    if (type == ColumnType::Text) {
        if (auto *d = std::get_if<double>(&c)) {
            char buf[32];
            auto [p, ec] = std::to_chars(buf, buf + sizeof buf, *d);
            c = std::string(buf, p);
        }
        return true;
    }
    if (auto *s = std::get_if<std::string>(&c)) {
        std::string t = *s;
        std::replace(t.begin(), t.end(), ',', '.');
        auto b = t.find_first_not_of(' ');
        auto e = t.find_last_not_of(' ');
        double v = 0;
        auto [p, ec] = b == std::string::npos ? std::from_chars(t.data(), t.data(), v)
                                              : std::from_chars(t.data() + b, t.data() + e + 1, v);
        if (b == std::string::npos || ec != std::errc() || p != t.data() + e + 1) {
            setError(error, "The value \"" + *s + "\" does not fit the number column " +
                                std::to_string(column + 1) + ".");
            return false;
        }
        c = v;
    }
    double &d = std::get<double>(c);
    if (!(d > -99.0)) {
        c = std::monostate{};
        return true;
    }
    if (type == ColumnType::Integer || type == ColumnType::Short) {
        double r = std::nearbyint(d); // the default rounding mode: halves to even
        if (type == ColumnType::Short && (r < -32768 || r > 32767)) {
            setError(error, "The value " + std::to_string(d) + " does not fit the short integer column " +
                                std::to_string(column + 1) + ".");
            return false;
        }
        d = r;
    }
    return true;
}

} // namespace

bool TableWriter::append(const std::vector<Cell> &row, std::string *error) {
    if (row.size() > m_types.size()) {
        setError(error, "A row of " + std::to_string(row.size()) + " values does not fit a table of " +
                            std::to_string(m_types.size()) + " columns.");
        return false;
    }
    std::vector<Cell> cells(row);
    cells.resize(m_types.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (auto *d = std::get_if<double>(&cells[i]); d && !(*d > -99.0)) {
            cells[i] = std::monostate{};
        }
        if (!fitCell(cells[i], m_types[i], i, error)) {
            return false;
        }
    }
    if (!appendRow(std::move(cells), error)) {
        return false;
    }
    ++m_rows;
    return true;
}

bool listTables(const std::string &file, std::vector<TableInfo> *tablesOut, std::string *error) {
    tablesOut->clear();
    if (tableKindOfFile(file) != TableKind::Text && !isRegularFile(file, error)) {
        return false;
    }
    switch (tableKindOfFile(file)) {
    case TableKind::Access:
        return tables::accessListTablesIsolated(file, tablesOut, error);
    case TableKind::Excel: {
        std::vector<tables::Sheet> sheets;
        if (!tables::readSheetsIsolated(file, TableKind::Excel, true, &sheets, error)) {
            return false;
        }
        for (const auto &s : sheets) {
            tablesOut->push_back({s.name + "$", true});
        }
        return true;
    }
    case TableKind::Lotus: {
        std::vector<tables::Sheet> sheets;
        if (!tables::readSheetsIsolated(file, TableKind::Lotus, false, &sheets, error)) {
            return false;
        }
        for (const auto &s : sheets) {
            tablesOut->push_back({s.name + ":", true});
        }
        return true;
    }
    case TableKind::Text:
        return true;
    }
    return true;
}

bool readTable(const std::string &file, const std::string &table, TableData *data, std::string *error,
               bool *missing) {
    *data = {};
    if (missing != nullptr) {
        *missing = false;
    }
    auto kind = tableKindOfFile(file);
    if (kind == TableKind::Text) {
        return tables::textReadTable(file, data, error);
    }
    if (!isRegularFile(file, error)) {
        return false;
    }
    if (kind == TableKind::Access) {
        return tables::accessReadTableIsolated(file, table, data, error, {}, missing);
    }
    std::vector<tables::Sheet> sheets;
    if (!tables::readSheetsIsolated(file, kind, false, &sheets, error)) {
        return false;
    }
    for (const auto &s : sheets) {
        if (sameTableName(s.name, table)) {
            *data = tables::tableFromSheet(s);
            return true;
        }
    }
    // A release 1A or 2 file (.wks, .wk1, .wk2) holds one unnamed worksheet: it serves any name.
    auto ext = fileExtension(file);
    if (kind == TableKind::Lotus && sheets.size() == 1 && (ext == "wk1" || ext == "wk2" || ext == "wks")) {
        *data = tables::tableFromSheet(sheets.front());
        return true;
    }
    setError(error, "The table " + visibleText(table) + " was not found in the file " + file);
    if (missing != nullptr) {
        *missing = true;
    }
    return false;
}

std::unique_ptr<TableWriter> createTable(const std::string &file, const std::string &table,
                                         const std::vector<TableColumn> &columns, std::string *error,
                                         bool *refused, bool *damaged) {
    TableSession session;
    return session.createTable(file, table, columns, error, refused, damaged);
}

TableSession::TableSession() = default;
TableSession::~TableSession() = default;

std::unique_ptr<TableWriter> TableSession::createTable(const std::string &file, const std::string &table,
                                                       const std::vector<TableColumn> &columns,
                                                       std::string *error, bool *refused, bool *damaged) {
    if (refused) {
        *refused = true;
    }
    if (damaged) {
        *damaged = false;
    }
    auto kind = tableKindOfFile(file);
    auto ext = fileExtension(file);
    if (kind == TableKind::Access && !tables::jetNameProblem(table).empty()) {
        setError(error, "The table name " + quotedText(table) + " for " + file + " " +
                            tables::jetNameProblem(table) + ".");
        return nullptr;
    }
    if (kind != TableKind::Text && (tableNameIn(file, table).empty() || invalidName(table))) {
        setError(error, "The table name " + quotedText(table) + " for " + file +
                            " is empty or holds \"[\", \"]\" or a control character.");
        return nullptr;
    }
    for (const auto &c : columns) {
        if (invalidName(c.name)) {
            setError(error, "The column name \"" + c.name + "\" for " + file +
                                " holds \"[\", \"]\" or a control character.");
            return nullptr;
        }
    }
    if (kind == TableKind::Text) {
        return std::make_unique<TextWriter>(file, columns);
    }
    std::string sheetName = tableNameIn(file, table);
    if (kind == TableKind::Excel) {
        static const std::string forbidden = "*?/\\:";
        if (sheetName.size() > 31 || sheetName.find_first_of(forbidden) != std::string::npos) {
            setError(error, "The sheet name \"" + table + "\" for " + file +
                                " is longer than 31 characters or holds one of * ? / \\ :");
            return nullptr;
        }
        if (columns.size() > 256) {
            setError(error, "An Excel sheet holds at most 256 columns: " + file);
            return nullptr;
        }
    }
    if (columns.size() > 256) {
        setError(error, "A worksheet holds at most 256 columns: " + file);
        return nullptr;
    }
    std::vector<ColumnType> types;
    for (const auto &c : columns) {
        types.push_back(c.type);
    }
    std::error_code ec;
    const std::string canonical = std::filesystem::weakly_canonical(file, ec).string();
    const std::string key = ec ? file : canonical;
    auto &book = m_books[key];
    if (book && book->open == 0) {
        // Every table of the file was closed (and the hold on it ended): a
        // new one starts from the file as it is now.
        book.reset();
    }
    const bool fresh = !book;
    if (fresh) {
        book = std::make_shared<Workbook>();
        book->file = file;
        book->kind = kind;
        // Held before it is read, until the last of its tables is closed.
        bool inUse = false;
        std::string lockError;
        if (!book->lock.acquire(file, &lockError, &inUse)) {
            m_books.erase(key);
            StagedFile probe;
            if (!inUse && !probe.open(file, error)) {
                // The folder cannot take a new file: said as for the file itself.
                if (refused) {
                    *refused = false;
                }
                return nullptr;
            }
            // In use, or a lock file that cannot be used: refused as it is,
            // the file not even read (so never taken for a damaged one).
            setError(error, lockError);
            if (refused) {
                *refused = true;
            }
            return nullptr;
        }
        if (!loadWorkbook(*book, sheetName, error, refused, damaged)) {
            m_books.erase(key);
            return nullptr;
        }
    }
    // Whether this table can go into the database, before any hour is run
    // (its other tables are read for the first table of the file), beside
    // the tables this session writes into it.
    std::vector<std::string> written;
    for (std::size_t i = 0; kind == TableKind::Access && i < book->names.size(); ++i) {
        if (book->created[i]) {
            written.push_back(book->names[i]);
        }
    }
    std::string old; // the database as it was checked, read through its descriptor
    if (kind == TableKind::Access && !book->staged.oldContents(&old, error)) {
        if (fresh) {
            m_books.erase(key);
        }
        if (refused) {
            *refused = true; // neither read nor damaged: another program's
        }
        return nullptr;
    }
    bool fits = true;
    if (kind == TableKind::Access) {
        book->staged.readOldContents(
            [&] { fits = tables::jetCheckTable(file, old, table, error, fresh, written); });
    }
    if (!fits) {
        if (fresh) {
            m_books.erase(key);
        }
        return nullptr;
    }
    // Tables of this session that would share a sheet would lose each other's rows.
    for (std::size_t i = 0; i < book->sheets.size(); ++i) {
        if (book->created[i] &&
            (kind == TableKind::Lotus || sameTableNameIn(file, book->sheets[i].name, sheetName))) {
            setError(error, kind == TableKind::Lotus
                                ? "The Lotus file " + file + " already receives the table " +
                                      book->sheets[i].name + " of this run: a ." + ext +
                                      " file holds one worksheet."
                                : "The workbook " + file + " already receives a table named " + sheetName +
                                      " in this run.");
            return nullptr;
        }
    }
    if (refused) {
        *refused = false;
    }
    tables::Sheet sheet;
    sheet.name = sheetName;
    std::vector<Cell> header;
    for (const auto &c : columns) {
        header.emplace_back(c.name);
    }
    sheet.rows.push_back(std::move(header));
    // A sheet of the file with the same name is replaced where it stands.
    std::size_t index = book->sheets.size();
    for (std::size_t i = 0; i < book->sheets.size(); ++i) {
        if (sameTableNameIn(file, book->sheets[i].name, sheetName)) {
            index = i;
        }
    }
    if (index == book->sheets.size()) {
        book->sheets.emplace_back();
        book->created.push_back(false);
    }
    book->sheets[index] = std::move(sheet);
    book->created[index] = true;
    if (kind == TableKind::Access) {
        book->names.resize(book->sheets.size());
        book->columns.resize(book->sheets.size());
        book->names[index] = table;
        book->columns[index] = columns;
    }
    return std::make_unique<SheetWriter>(book, index, std::move(types));
}

bool TableSession::loadWorkbook(Workbook &book, const std::string &sheetName, std::string *error,
                                bool *refused, bool *damaged) {
    const std::string &file = book.file;
    // The file is begun now, before the first hour, so that binding fails
    // rather than the end of the run, and so that its folder and the file
    // found under its name are held from now on: the old contents are read
    // only through that file (StagedFile::oldContents), whatever another
    // program puts under the name meanwhile. Only close() writes it.
    if (!book.staged.open(file, error)) {
        if (refused) {
            *refused = false;
        }
        return false;
    }
    std::string old;
    if (book.kind == TableKind::Excel && !book.staged.oldContents(&old, error)) {
        if (refused) {
            *refused = true; // neither read nor damaged: another program's
        }
        return false;
    }
    if (!old.empty()) {
        // Keep the other sheets of the workbook.
        if (refused) {
            *refused = false;
        }
        bool read = false, others = false, ours = false;
        book.staged.readOldContents([&] {
            read = tables::readSheetsIsolated(old, TableKind::Excel, false, &book.sheets, error);
            // Our reader keeps the values and texts of the other sheets but not
            // their formulas, formats or charts: rewrite only workbooks we wrote.
            others = std::any_of(book.sheets.begin(), book.sheets.end(),
                                 [&](const tables::Sheet &s) { return !sameTableName(s.name, sheetName); });
            std::string bytes;
            ours = read && others && readTextBytes(old, &bytes) && tables::excelWrittenByUs(bytes);
        });
        if (!read) {
            tables::nameReadFile(error, old, file);
            if (damaged) {
                *damaged = true;
            }
            return false;
        }
        if (others && !ours) {
            if (refused) {
                *refused = true;
            }
            setError(error,
                     "The workbook " + file +
                         " holds other sheets that this program cannot keep unchanged (their formulas and "
                         "formats would be lost). Write the table to a workbook of its own.");
            return false;
        }
        book.created.assign(book.sheets.size(), false);
    }
    return true;
}

} // namespace vesk
