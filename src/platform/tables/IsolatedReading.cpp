// The readers of the outside libraries run in a helper process
// (platform/Isolation.h): their results come back packed into bytes.
//
// Packed form, little-endian: counts and lengths as 32-bit numbers, a text
// as its length and bytes, a cell as one tag byte (0 Null, 1 number with
// eight bytes, 2 text). Unpacking checks every length against the bytes
// left, so a result cut short is refused rather than misread.

#include "platform/Isolation.h"
#include "platform/tables/TableBackends.h"

#include "core/TextIO.h"

#include <algorithm>

namespace vesk::tables {

namespace {

void putText(std::string &b, const std::string &text) {
    put32(b, static_cast<std::uint32_t>(text.size()));
    b += text;
}

void putCells(std::string &b, const std::vector<Cell> &cells) {
    put32(b, static_cast<std::uint32_t>(cells.size()));
    for (const Cell &cell : cells) {
        if (const auto *d = std::get_if<double>(&cell)) {
            b.push_back(1);
            putDouble(b, *d);
        } else if (const auto *s = std::get_if<std::string>(&cell)) {
            b.push_back(2);
            putText(b, *s);
        } else {
            b.push_back(0);
        }
    }
}

void putRows(std::string &b, const std::vector<std::vector<Cell>> &rows) {
    put32(b, static_cast<std::uint32_t>(rows.size()));
    for (const auto &row : rows) {
        putCells(b, row);
    }
}

class Unpacker {
public:
    explicit Unpacker(const std::string &bytes) : m_b(bytes) {}

    bool count(std::uint32_t *n, std::size_t leastBytesEach) {
        if (!has(4)) {
            return false;
        }
        *n = get32(m_b, m_at);
        m_at += 4;
        // Every item takes at least leastBytesEach bytes: a count beyond the
        // bytes left is damage, not a reason to reserve memory.
        return static_cast<std::uint64_t>(*n) * leastBytesEach <= m_b.size() - m_at;
    }
    bool text(std::string *s) {
        std::uint32_t n = 0;
        if (!count(&n, 1)) {
            return false;
        }
        s->assign(m_b, m_at, n);
        m_at += n;
        return true;
    }
    bool cells(std::vector<Cell> *cells) {
        std::uint32_t n = 0;
        if (!count(&n, 1)) {
            return false;
        }
        cells->resize(n);
        for (Cell &cell : *cells) {
            if (!has(1)) {
                return false;
            }
            const char tag = m_b[m_at++];
            if (tag == 1) {
                if (!has(8)) {
                    return false;
                }
                cell = getDouble(m_b, m_at);
                m_at += 8;
            } else if (tag == 2) {
                std::string s;
                if (!text(&s)) {
                    return false;
                }
                cell = std::move(s);
            } else if (tag != 0) {
                return false;
            }
        }
        return true;
    }
    bool rows(std::vector<std::vector<Cell>> *rows) {
        std::uint32_t n = 0;
        if (!count(&n, 4)) {
            return false;
        }
        rows->resize(n);
        for (auto &row : *rows) {
            if (!cells(&row)) {
                return false;
            }
        }
        return true;
    }
    bool flag(bool *v) {
        if (!has(1)) {
            return false;
        }
        *v = m_b[m_at++] != 0;
        return true;
    }
    bool done() const { return m_at == m_b.size(); }

private:
    bool has(std::size_t n) const { return m_b.size() - m_at >= n; }
    const std::string &m_b;
    std::size_t m_at = 0;
};

// A reader's report as a message shows it: without blank lines at its ends,
// and marked as cut when it was longer than what was kept.
std::string trimmedReport(const std::string &output) {
    std::size_t begin = output.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) {
        return {};
    }
    std::size_t end = output.find_last_not_of(" \t\r\n");
    std::string text = output.substr(begin, end - begin + 1);
    return output.size() >= kErrorOutputKept ? text + " ..." : text;
}

// Runs read in the helper process; false with the reader's own message or
// with the damage the helper met (a loop, the memory, a crash: *result),
// said by `stopped` when given.
bool isolated(const std::string &file, const std::function<bool(std::string *, std::string *)> &read,
              const std::function<bool(const std::string &)> &unpack, std::string *error,
              const IsolationLimits &limits, IsolatedResult *result = nullptr,
              const std::function<std::string(const IsolatedResult &)> &stopped = {}) {
    const IsolatedResult r = runIsolated(read, limits);
    if (result != nullptr) {
        *result = r;
    }
    std::string text;
    if (r.end != IsolatedEnd::Finished) {
        text = stopped ? stopped(r) : isolationFailureText(r, file, limits);
    } else if (!r.ok) {
        text = r.error;
    } else if (!unpack(r.bytes)) {
        text = "The file " + file + " could not be read: its reading process gave an incomplete result.";
    } else {
        return true;
    }
    // The library's own words, when it had any.
    if (const std::string said = trimmedReport(r.errorOutput); !said.empty()) {
        text += "\r\nIts reader reported:\r\n" + said;
    }
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

} // namespace

std::string checkStoppedText(const IsolatedResult &result, const IsolationLimits &limits) {
    switch (result.end) {
    case IsolatedEnd::TimedOut:
        return "at the end of the " + std::to_string(limits.seconds) +
               " seconds of processor time its check had";
    case IsolatedEnd::Stalled:
        return "when it had not ended after " + std::to_string(isolationWallSeconds(limits)) +
               " seconds, in which it used " + processorSecondsText(result.processorSeconds) +
               " seconds of processor time";
    case IsolatedEnd::OutOfMemory:
        return "when it needed more than " + std::to_string(limits.memoryBytes >> 20) + " MB of memory";
    default:
        return {};
    }
}

bool readSheetsIsolated(const std::string &file, TableKind kind, bool namesOnly, std::vector<Sheet> *sheets,
                        std::string *error, const IsolationLimits &limits) {
    sheets->clear();
    return isolated(
        file,
        [&](std::string *bytes, std::string *failure) {
            std::vector<Sheet> read;
            const bool ok = kind == TableKind::Excel ? excelReadSheets(file, &read, namesOnly, failure)
                                                     : lotusReadSheets(file, &read, failure);
            if (ok) {
                put32(*bytes, static_cast<std::uint32_t>(read.size()));
                for (const Sheet &sheet : read) {
                    putText(*bytes, sheet.name);
                    putRows(*bytes, sheet.rows);
                }
            }
            return ok;
        },
        [&](const std::string &bytes) {
            Unpacker in(bytes);
            std::uint32_t n = 0;
            if (!in.count(&n, 8)) {
                return false;
            }
            sheets->resize(n);
            for (Sheet &sheet : *sheets) {
                if (!in.text(&sheet.name) || !in.rows(&sheet.rows)) {
                    return false;
                }
            }
            return in.done();
        },
        error, limits);
}

bool accessListTablesIsolated(const std::string &file, std::vector<TableInfo> *tables, std::string *error,
                              const IsolationLimits &limits) {
    tables->clear();
    return isolated(
        file,
        [&](std::string *bytes, std::string *failure) {
            std::vector<TableInfo> read;
            if (!accessListTables(file, &read, failure)) {
                return false;
            }
            put32(*bytes, static_cast<std::uint32_t>(read.size()));
            for (const TableInfo &t : read) {
                putText(*bytes, t.name);
                bytes->push_back(t.userTable ? 1 : 0);
            }
            return true;
        },
        [&](const std::string &bytes) {
            Unpacker in(bytes);
            std::uint32_t n = 0;
            if (!in.count(&n, 5)) {
                return false;
            }
            tables->resize(n);
            for (TableInfo &t : *tables) {
                if (!in.text(&t.name) || !in.flag(&t.userTable)) {
                    return false;
                }
            }
            return in.done();
        },
        error, limits);
}

bool accessReadEveryTableIsolated(const std::string &file, const std::string &except,
                                  std::vector<std::pair<std::string, std::size_t>> *rows, std::string *table,
                                  std::string *error, const IsolationLimits &limits, IsolatedEnd *end) {
    rows->clear();
    table->clear();
    // What the helper was reading when it was stopped or failed: a table
    // (by name), or before the first its list of tables.
    auto reading = [](const IsolatedResult &r) {
        return r.progress.empty() ? std::string("its list of tables")
                                  : "the table " + visibleText(r.progress);
    };
    std::string unreadable, why;
    IsolatedResult result;
    const bool finished = isolated(
        file,
        [&](std::string *bytes, std::string *failure) {
            // The file is opened and its list of tables read once, for all its tables.
            AccessFile db;
            if (!db.open(file, failure)) {
                return false;
            }
            std::string counts;
            std::uint32_t n = 0;
            for (const TableInfo &t : db.tables()) {
                if (!except.empty() && accessNameReplaces(t.name, except)) {
                    continue;
                }
                reportIsolatedProgress(t.name);
                // Counted a row at a time: a table of any size takes the
                // memory of a row.
                AccessRows reader;
                std::vector<Cell> row;
                std::uint32_t count = 0;
                AccessRows::Read read = AccessRows::Read::End;
                if (reader.open(db, t.name, failure)) {
                    while ((read = reader.next(&row, failure)) == AccessRows::Read::Row) {
                        ++count;
                    }
                }
                if (!reader.isOpen() || read == AccessRows::Read::Damaged) {
                    // The table that cannot be read comes back as a result.
                    bytes->push_back(0);
                    putText(*bytes, t.name);
                    putText(*bytes, *failure);
                    return true;
                }
                putText(counts, t.name);
                put32(counts, count);
                ++n;
            }
            bytes->push_back(1);
            put32(*bytes, n);
            *bytes += counts;
            return true;
        },
        [&](const std::string &bytes) {
            Unpacker in(bytes);
            bool whole = false;
            if (!in.flag(&whole)) {
                return false;
            }
            if (!whole) {
                return in.text(&unreadable) && in.text(&why) && in.done();
            }
            std::uint32_t n = 0;
            if (!in.count(&n, 8)) {
                return false;
            }
            rows->resize(n);
            for (auto &[name, count] : *rows) {
                std::uint32_t c = 0;
                if (!in.text(&name) || !in.count(&c, 0)) {
                    return false;
                }
                count = c;
            }
            return in.done();
        },
        &why, limits, &result,
        [&](const IsolatedResult &r) {
            // Said with the limit the check had and where it was: the table it
            // was reading then is not known to be damaged, only the file
            // (and not even that when the reading waited).
            const std::string stop = checkStoppedText(r, limits);
            if (stop.empty()) {
                return isolationFailureText(r, file, limits);
            }
            return "The file " + file +
                   (r.end == IsolatedEnd::Stalled ? " cannot be read: " : " is damaged: ") +
                   "the reading of its tables was stopped " + stop + ", while it read " + reading(r) + ".";
        });
    if (end != nullptr) {
        *end = result.end;
    }
    if (finished && unreadable.empty()) {
        return true;
    }
    rows->clear();
    // The reader failed (a crash) on the table it was reading then.
    if (!finished && result.end == IsolatedEnd::Crashed) {
        unreadable = result.progress;
    }
    *table = unreadable;
    if (error != nullptr) {
        *error = why;
    }
    return false;
}

bool accessReadTableIsolated(const std::string &file, const std::string &table, TableData *data,
                             std::string *error, const IsolationLimits &limits, bool *missing) {
    *data = {};
    if (missing != nullptr) {
        *missing = false;
    }
    bool absent = false;
    std::string absentText;
    const bool read = isolated(
        file,
        [&](std::string *bytes, std::string *failure) {
            TableData read;
            bool notThere = false;
            if (!accessReadTable(file, table, &read, failure, &notThere)) {
                if (!notThere) {
                    return false;
                }
                // The file was read: the answer that the table is missing comes back as a result.
                bytes->push_back(0);
                putText(*bytes, *failure);
                return true;
            }
            bytes->push_back(1);
            put32(*bytes, static_cast<std::uint32_t>(read.fields.size()));
            for (const std::string &field : read.fields) {
                putText(*bytes, field);
            }
            putRows(*bytes, read.rows);
            return true;
        },
        [&](const std::string &bytes) {
            Unpacker in(bytes);
            bool found = false;
            if (!in.flag(&found)) {
                return false;
            }
            if (!found) {
                absent = true;
                return in.text(&absentText) && in.done();
            }
            std::uint32_t n = 0;
            if (!in.count(&n, 4)) {
                return false;
            }
            data->fields.resize(n);
            for (std::string &field : data->fields) {
                if (!in.text(&field)) {
                    return false;
                }
            }
            return in.rows(&data->rows) && in.done();
        },
        error, limits);
    if (read && absent) {
        if (missing != nullptr) {
            *missing = true;
        }
        if (error != nullptr) {
            *error = absentText;
        }
        return false;
    }
    return read;
}

} // namespace vesk::tables
