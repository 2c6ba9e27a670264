// Access (.mdb) tables read through libmdb. Values come as texts from the
// library; numeric columns are turned into numbers, dates into
// "yyyy-mm-dd hh:nn:ss" texts, Booleans into 1 and 0. Double, integer and
// date columns are taken from the bytes libmdb finds for them in the row,
// not from its text: exact (its text of a double has 16 digits, which not
// every double survives), without printing and parsing every number, and
// with a date outside the years Access holds found as damage.

#include "platform/tables/TableBackends.h"

#include "core/Calendar.h"
#include "core/TextIO.h"

#include <mdbtools.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace vesk::tables {

namespace {

struct MdbCloser {
    void operator()(MdbHandle *h) const { mdb_close(h); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;

MdbPtr openMdb(const std::string &file, std::string *error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        setError(error, "The Access file " + file + " was not found.");
        return nullptr;
    }
    // The library trusts the file's structure: look at the header first so
    // that a file of another kind gets a message rather than a crash.
    {
        std::ifstream in(file, std::ios::binary);
        char head[20] = {};
        in.read(head, sizeof head);
        auto size = std::filesystem::file_size(file, ec);
        if (!in || std::string(head + 4, 15) != "Standard Jet DB" || ec || size % 2048 != 0) {
            setError(error, "The file " + file + " is not an Access database (.mdb).");
            return nullptr;
        }
    }
    MdbPtr mdb(mdb_open(file.c_str(), MDB_NOFLAGS));
    if (!mdb) {
        setError(error, "The file " + file + " cannot be read as an Access database.");
        return nullptr;
    }
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb.get());
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        setError(error, "The table list of the Access file " + file + " cannot be read.");
        return nullptr;
    }
    return mdb;
}

bool isNumericType(int type) {
    switch (type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return true;
    default:
        return false;
    }
}

// An OLE date serial (days since 30 December 1899; for dates before it the
// fraction is still the time after midnight) as "yyyy-mm-dd hh:nn:ss", or
// nothing for a serial outside the dates Access holds (years 100 to 9999;
// also NaN and the infinities), which only damage puts in a cell. The
// library's own conversion gives up outside 1900..2700.
std::optional<std::string> oleDateText(double serial) {
    static const long first = daysFromCivil(100, 1, 1) + kSerialDayOf1970;
    static const long last = daysFromCivil(9999, 12, 31) + kSerialDayOf1970;
    // Checked before any conversion to an integer, which would be undefined
    // far outside; a day's rounding to the second is checked after it.
    if (!(serial > static_cast<double>(first) - 1 && serial < static_cast<double>(last) + 1)) {
        return std::nullopt;
    }
    double whole = std::trunc(serial);
    double frac = std::fabs(serial - whole);
    long seconds = std::lround(frac * 86400.0);
    long days = static_cast<long>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += serial < 0 ? -1 : 1;
    }
    if (days < first || days > last) {
        return std::nullopt;
    }
    const CivilDate date = civilFromDays(days - kSerialDayOf1970);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02ld:%02ld:%02ld", date.year, date.month, date.day,
                  seconds / 3600, seconds / 60 % 60, seconds % 60);
    return std::string(buf);
}

// The stored size of the column types read from their bytes (0: read as text).
int directSize(int type) {
    switch (type) {
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return 8;
    case MDB_LONGINT:
        return 4;
    case MDB_INT:
        return 2;
    case MDB_BYTE:
        return 1;
    default:
        return 0;
    }
}

// The value of such a column in the row libmdb has just fetched.
double directValue(MdbHandle *mdb, const MdbColumn *col) {
    void *buf = mdb->pg_buf;
    switch (col->col_type) {
    case MDB_DOUBLE:
        return mdb_get_double(buf, col->cur_value_start);
    case MDB_LONGINT:
        return static_cast<double>(static_cast<std::int32_t>(mdb_get_int32(buf, col->cur_value_start)));
    case MDB_INT:
        return static_cast<double>(static_cast<std::int16_t>(mdb_get_int16(buf, col->cur_value_start)));
    default:
        return static_cast<double>(mdb_get_byte(buf, col->cur_value_start));
    }
}

} // namespace

struct AccessFile::State {
    std::string file;
    MdbPtr mdb;
};

AccessFile::AccessFile() = default;
AccessFile::~AccessFile() = default;
AccessFile::AccessFile(AccessFile &&) noexcept = default;
AccessFile &AccessFile::operator=(AccessFile &&) noexcept = default;

bool AccessFile::open(const std::string &file, std::string *error) {
    m_state.reset();
    MdbPtr mdb = openMdb(file, error);
    if (!mdb) {
        return false;
    }
    m_state = std::make_unique<State>(State{file, std::move(mdb)});
    return true;
}

const std::string &AccessFile::name() const {
    static const std::string none;
    return m_state ? m_state->file : none;
}

std::vector<TableInfo> AccessFile::tables() const {
    std::vector<TableInfo> tables;
    MdbHandle *mdb = m_state ? m_state->mdb.get() : nullptr;
    for (unsigned i = 0; mdb != nullptr && i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE) {
            continue;
        }
        tables.push_back({entry->object_name, !mdb_is_system_table(entry)});
    }
    return tables;
}

bool accessListTables(const std::string &file, std::vector<TableInfo> *tables, std::string *error) {
    AccessFile db;
    if (!db.open(file, error)) {
        return false;
    }
    *tables = db.tables();
    return true;
}

// The table open in libmdb, with a buffer for each column read as text.
struct AccessRows::State {
    std::string file, table;
    AccessFile own; // the file, when the rows were opened by its name
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef *)> def{nullptr, mdb_free_tabledef};
    std::vector<std::unique_ptr<char[]>> buffers;
    std::vector<int> lengths, types;
    std::size_t rows = 0; // read so far
};

AccessRows::AccessRows() = default;
AccessRows::~AccessRows() = default;

bool AccessRows::open(const std::string &file, const std::string &table, std::string *error, bool *missing) {
    m_state.reset();
    m_fields.clear();
    AccessFile own;
    if (!own.open(file, error)) {
        return false;
    }
    if (!open(own, table, error, missing)) {
        return false;
    }
    m_state->own = std::move(own);
    return true;
}

bool AccessRows::open(const AccessFile &file, const std::string &table, std::string *error, bool *missing) {
    m_state.reset();
    m_fields.clear();
    if (!file.isOpen()) {
        setError(error, "The Access file " + file.name() + " is not open.");
        return false;
    }
    auto state = std::make_unique<State>();
    state->file = file.name();
    state->table = table;
    MdbHandle *mdb = file.m_state->mdb.get();
    MdbCatalogEntry *found = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog && !found; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        // Access finds a table by its name as written, letter case aside.
        if (entry->object_type == MDB_TABLE && foldCase(entry->object_name) == foldCase(table)) {
            found = entry;
        }
    }
    if (!found) {
        setError(error,
                 "The table " + visibleText(table) + " was not found in the Access file " + state->file);
        if (missing != nullptr) {
            *missing = true;
        }
        return false;
    }
    // Every page of the table is read from the file, none taken from what
    // the table read before left in the library's page buffer.
    mdb->cur_pg = 0;
    state->def.reset(mdb_read_table(found));
    MdbTableDef *def = state->def.get();
    if (!def) {
        setError(error, "The table " + table + " of the Access file " + state->file + " cannot be read.");
        return false;
    }
    if (!mdb_read_columns(def)) {
        setError(error, "The columns of the table " + table + " in " + state->file + " cannot be read.");
        return false;
    }
    mdb_rewind_table(def);
    const unsigned n = def->num_cols;
    state->lengths.assign(n, 0);
    state->types.assign(n, 0);
    for (unsigned c = 0; c < n; ++c) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
        m_fields.emplace_back(col->name);
        state->types[c] = col->col_type;
        state->buffers.emplace_back(new char[MDB_BIND_SIZE]);
        state->buffers.back()[0] = '\0';
        if (col->col_type == MDB_OLE || directSize(col->col_type) != 0) {
            continue; // binary objects are not table values; numbers and dates are taken from their bytes
        }
        mdb_bind_column(def, static_cast<int>(c + 1), state->buffers.back().get(), &state->lengths[c]);
    }
    m_state = std::move(state);
    return true;
}

AccessRows::Read AccessRows::next(std::vector<Cell> *row, std::string *error) {
    if (!m_state) {
        return Read::End;
    }
    State &s = *m_state;
    MdbTableDef *def = s.def.get();
    for (auto &len : s.lengths) {
        len = 0;
    }
    if (!mdb_fetch_row(def)) {
        return Read::End;
    }
    const unsigned n = def->num_cols;
    row->assign(n, Cell{});
    for (unsigned c = 0; c < n; ++c) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(def->columns, c));
        if (const int size = directSize(s.types[c])) {
            if (col->cur_value_len != size) {
                continue; // Null
            }
            if (s.types[c] != MDB_DATETIME) {
                (*row)[c] = directValue(def->entry->mdb, col);
                continue;
            }
            auto date = oleDateText(mdb_get_double(def->entry->mdb->pg_buf, col->cur_value_start));
            if (!date) {
                setError(error, "The Access file " + s.file + " is damaged: row " +
                                    std::to_string(s.rows + 1) + " of the table " + s.table +
                                    " holds a date outside the years 100 to 9999 in the column " + col->name +
                                    ".");
                return Read::Damaged;
            }
            (*row)[c] = std::move(*date);
            continue;
        }
        if (s.types[c] == MDB_OLE || s.lengths[c] <= 0) {
            continue; // Null
        }
        std::string text(s.buffers[c].get(), static_cast<std::size_t>(s.lengths[c]));
        if (isNumericType(s.types[c])) {
            // The library prints with the C library; read it back the
            // same way whatever the locale's decimal mark.
            std::string t = text;
            for (auto &ch : t) {
                if (ch == ',') {
                    ch = '.';
                }
            }
            double v = 0;
            auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
            if (ec == std::errc() && p != t.data()) {
                (*row)[c] = v;
                continue;
            }
        }
        (*row)[c] = std::move(text);
    }
    ++s.rows;
    return Read::Row;
}

bool accessReadTable(const std::string &file, const std::string &table, TableData *data, std::string *error,
                     bool *missing) {
    AccessRows rows;
    if (!rows.open(file, table, error, missing)) {
        return false;
    }
    data->fields = rows.fields();
    std::vector<Cell> row;
    for (;;) {
        switch (rows.next(&row, error)) {
        case AccessRows::Read::Row:
            data->rows.push_back(std::move(row));
            break;
        case AccessRows::Read::End:
            return true;
        case AccessRows::Read::Damaged:
            return false;
        }
    }
}

} // namespace vesk::tables
