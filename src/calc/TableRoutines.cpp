#include "calc/TableRoutines.h"

#include "calc/RunErrors.h"
#include "core/Numbers.h"
#include "core/OutputPlace.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "platform/tables/TableLock.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vesk {

namespace fs = std::filesystem;

namespace {

void fail(long number, std::string description, long *errorNumber, std::string *errorText) {
    *errorNumber = number;
    if (errorText) {
        *errorText = std::move(description);
    }
}

// A stored path as a path of this system; an existing file is found without
// regard to letter case.
std::string nativePathOf(const std::string &path) {
    return findExisting(nativePath(path));
}

// The number of a file that cannot be opened, by the system's reason.
long openErrorNumber(int err) {
    switch (err) {
    case ENOENT:
        return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrPermission;
    default:
        return kErrPathFileAccess;
    }
}

// Whether the run may put its file in place of the existing one, known
// before the first hour (StagedFile.h: groupReplacementRefusal); false with
// the message (75, which shows it) otherwise.
bool mayBeReplaced(const std::string &file, long *errorNumber, std::string *errorText) {
    std::string refusal = groupReplacementRefusal(file);
    if (!refusal.empty()) {
        fail(kErrPathFileAccess, std::move(refusal), errorNumber, errorText);
        return false;
    }
    return true;
}

// Whether the folder of an output file exists. A missing folder is never
// created: an output named in a folder that is not there is refused.
bool outputFolderExists(const std::string &file, long *errorNumber, std::string *errorText) {
    auto parent = fs::path(file).parent_path();
    std::error_code ec;
    if (parent.empty() || fs::is_directory(parent, ec)) {
        return true;
    }
    fail(kErrPathNotFound, "The folder " + parent.string() + " of the file " + file + " does not exist.",
         errorNumber, errorText);
    return false;
}

// An output's folder as the check of the output first found it, held while
// the check goes on. The check looks at the output's name several times (its
// folder, whether the file may be replaced, its lock file, the file itself);
// another program may move or replace the folder, or a folder or link on the
// way to it, between two of those looks, and the later look then fails for a
// reason of its own (a folder not found, another user's link). The run says
// what happened instead: another user's link now on the way, named with its
// owner, or the folder moved and where it is now.
class CheckedFolder {
public:
    // The check's first look: false with 76 when the folder does not exist,
    // or 75 when another user's link on the way is not followed (the refusal
    // names it).
    bool look(const std::string &file, long *errorNumber, std::string *errorText) {
        m_file = file;
        std::string refusal;
        if (resolveOutputPlace(file, &m_place, &refusal)) {
            m_held = ::fstat(m_place.folder.get(), &m_folder) == 0;
            return true;
        }
        if (m_place.refused) {
            fail(kErrPathFileAccess, std::move(refusal), errorNumber, errorText);
            return false;
        }
        return outputFolderExists(file, errorNumber, errorText);
    }

    // After a later look of the check failed (with *errorNumber and
    // *errorText): where the name no longer leads to the folder held, the
    // failure becomes what happened (75), said once; the step's own reason
    // stands otherwise.
    void explain(long *errorNumber, std::string *errorText) const {
        if (!m_held) {
            return;
        }
        OutputPlace now;
        std::string refusal;
        const bool resolved = resolveOutputPlace(m_file, &now, &refusal);
        if (inFolderChecked(now) && (resolved || (now.refused && now.name == m_place.name))) {
            return; // the folder checked (a link under the file's own name): the step's own reason stands
        }
        if (!now.refused) {
            refusal = folderMovedRefusal(m_file, m_place.path, m_place.folder.get(), kMeanwhile);
        }
        fail(kErrPathFileAccess, std::move(refusal), errorNumber, errorText);
    }

private:
    bool inFolderChecked(const OutputPlace &now) const {
        struct stat there {};
        return now.folder && ::fstat(now.folder.get(), &there) == 0 && there.st_dev == m_folder.st_dev &&
               there.st_ino == m_folder.st_ino;
    }

    static constexpr const char *kMeanwhile =
        "while the run checked it, so that the name no longer leads to the folder checked";
    std::string m_file;
    OutputPlace m_place; // the folder, as the first look found it
    struct stat m_folder {};
    bool m_held = false;
};

ColumnType columnTypeOf(const std::string &dataType) {
    auto t = toLower(trim(dataType));
    if (t == "integer" || t == "long" || t == "int") {
        return ColumnType::Integer;
    }
    if (t == "short" || t == "smallint" || t == "byte") {
        return ColumnType::Short;
    }
    if (t == "float" || t == "single" || t == "double" || t == "real") {
        return ColumnType::Float;
    }
    return ColumnType::Text;
}

const char *typeText(ColumnType t) {
    switch (t) {
    case ColumnType::Float:
        return "float";
    case ColumnType::Integer:
        return "integer";
    case ColumnType::Short:
        return "short";
    case ColumnType::Text:
        return "text";
    }
    return "text";
}

// The whole part of v as a long (towards zero); a value beyond the long
// range (or not a number) gives the smallest long, as the processor's
// conversion does.
long wholePart(double v) {
    if (std::isnan(v) || v >= 0x1p63 || v < -0x1p63) {
        return std::numeric_limits<long>::min();
    }
    return static_cast<long>(v);
}

// n + 1, the largest long followed by the smallest.
long following(long n) {
    return static_cast<long>(static_cast<unsigned long>(n) + 1UL);
}

// The names of a new table's columns, each distinct from the table's own
// name and from the columns before it, letter case ignored (as the names
// are compared within the statement text). A name that is taken gets a
// number in brackets: name(1), name(2), ... or, when it ends in "(" and a
// number, the number after it ("A(3)" gives "A(4)"); the first number free
// is taken. Each name costs a few look-ups however often it is repeated:
// where the numbers of a name were counted through before, the count goes
// on after the last one given instead of trying each again.
class ColumnNames {
public:
    explicit ColumnNames(const std::string &tableName) { m_taken.insert(toLower(tableName)); }

    std::string take(const std::string &name) {
        if (m_taken.insert(toLower(name)).second) {
            return name;
        }
        std::string stem = name;
        long number = 1;
        if (const auto open = name.rfind('('); open != std::string::npos) {
            stem = name.substr(0, open);
            number = following(wholePart(Val(name.substr(open + 1) + "]")));
        }
        const std::string lowerStem = toLower(stem);
        auto numbered = [&](long n) { return lowerStem + "(" + std::to_string(n) + ")"; };
        std::vector<std::string> passed;
        std::string candidate = numbered(number);
        while (m_taken.contains(candidate)) {
            const auto known = m_next.find(candidate);
            number = known != m_next.end() ? known->second : following(number);
            passed.push_back(std::move(candidate));
            candidate = numbered(number);
        }
        for (const std::string &p : passed) {
            m_next[p] = number;
        }
        m_taken.insert(std::move(candidate));
        return stem + "(" + std::to_string(number) + ")";
    }

private:
    std::unordered_set<std::string> m_taken; // every name given, in lower case
    // A numbered name (lower case) -> a number such that the names of its
    // stem from its own number up to this one are all taken.
    std::unordered_map<std::string, long> m_next;
};

} // namespace

void OpenInputTable(const std::string &address, InputTable &table, long *errorNumber,
                    std::string *errorText) {
    *errorNumber = 0;
    auto a = parseTableAddress(address);
    if (a.unsupported) {
        fail(kErrTableRefused, "Not recognised file type: " + a.file, errorNumber, errorText);
        return;
    }
    if (!a.isTable()) {
        auto path = nativePathOf(address);
        std::error_code ec;
        auto parent = fs::path(path).parent_path();
        if (!parent.empty() && !fs::is_directory(parent, ec)) {
            fail(kErrPathNotFound, "Path not found: " + path, errorNumber, errorText);
        } else if (!fs::exists(path, ec)) {
            fail(kErrFileNotFound, "File not found: " + path, errorNumber, errorText);
        } else if (std::string error; !isRegularFile(path, &error)) {
            // A device or an endless stream would be read to the exhaustion of the memory.
            fail(kErrTableRefused, error, errorNumber, errorText);
        } else if (std::ifstream probe(path, std::ios::binary); !probe) {
            fail(kErrPathFileAccess, "Cannot read the file " + path, errorNumber, errorText);
        } else {
            table.TextPath = path;
        }
        return;
    }
    if (a.table.empty()) {
        fail(kErrNoDataTable, "No Data Table is defined for " + a.file, errorNumber, errorText);
        return;
    }
    auto file = nativePathOf(a.file);
    std::error_code ec;
    if (!fs::exists(fs::status(file, ec))) {
        fail(kErrCannotOpen, "The file " + file + " was not found.", errorNumber, errorText);
        return;
    }
    if (std::string what; !isRegularFile(file, &what)) {
        // A folder, a pipe or a device: said what it is. A pipe is never
        // opened (its opening would wait for a writer).
        fail(kErrCannotOpen, what, errorNumber, errorText);
        return;
    }
    TableData data;
    std::string error;
    bool missing = false;
    if (!readTable(file, a.table, &data, &error, &missing)) {
        // A file read whole that lacks the table, or a file that could not be read.
        fail(missing ? kErrNoSuchTable : kErrCannotOpen, error, errorNumber, errorText);
        return;
    }
    table.IsTable = true;
    table.FieldCount = static_cast<int>(data.fields.size());
    table.Recordset = std::move(data);
}

bool CreateTableStatement(const std::string &tableName, const std::vector<std::string> &columnNames,
                          const KeyedList<VESKVar> &catalogue, std::string *statement,
                          std::vector<TableColumn> *columns, long *errorNumber, std::string *errorText) {
    auto bad = [](const std::string &s) { return s.find_first_of("[]") != std::string::npos; };
    if (bad(tableName)) {
        fail(kErrTableRefused, "The table name " + visibleText(tableName) + " holds \"[\" or \"]\".",
             errorNumber, errorText);
        return false;
    }
    std::string s = "CREATE TABLE [" + tableName + "] (";
    columns->clear();
    ColumnNames names(tableName);
    for (std::size_t i = 0; i < columnNames.size(); ++i) {
        std::string name = columnNames[i];
        std::string type;
        if (name == "?") {
            name = "F" + std::to_string(i + 1);
            type = "text";
        }
        if (!name.empty() && name.front() == '"') {
            name.erase(0, 1);
            type = "text";
        }
        if (!name.empty() && name.back() == '"') {
            name.pop_back();
            type = "text";
        }
        if (bad(name)) {
            fail(kErrTableRefused, "The column name " + name + " holds \"[\" or \"]\".", errorNumber,
                 errorText);
            return false;
        }
        ColumnType ct = ColumnType::Text;
        if (type != "text") {
            const VESKVar *v = catalogue.find(name);
            if (!v) {
                fail(5, "The output variable " + name + " is not in the variable catalogue.", errorNumber,
                     errorText);
                return false;
            }
            ct = columnTypeOf(v->DataType);
        }
        std::string column = names.take(name);
        s += " [" + column + "] " + typeText(ct);
        if (i + 1 < columnNames.size()) {
            s += ",";
        }
        columns->push_back({std::move(column), ct});
    }
    s += ")";
    *statement = s;
    return true;
}

bool OpenOutputText(const std::string &path, StagedFile &file, long *errorNumber, std::string *errorText) {
    *errorNumber = 0;
    CheckedFolder folder;
    if (!folder.look(path, errorNumber, errorText)) {
        return false;
    }
    auto refuse = [&](long number, std::string text) {
        fail(number, std::move(text), errorNumber, errorText);
        folder.explain(errorNumber, errorText);
        return false;
    };
    if (!mayBeReplaced(path, errorNumber, errorText)) {
        folder.explain(errorNumber, errorText);
        return false;
    }
    // Held from now until the run's outputs are final, as a table file is.
    auto hold = std::make_shared<tables::TableFileLock>();
    std::string error, lockError;
    bool inUse = false;
    const bool held = hold->acquire(path, &lockError, &inUse);
    int err = 0;
    if (!held && inUse) {
        return refuse(kErrTableRefused, lockError);
    }
    // A file that cannot be written is said as such, before its lock file.
    if (!file.open(path, &error, &err)) {
        return refuse(openErrorNumber(err), error);
    }
    if (!held) {
        file.discard();
        return refuse(kErrTableRefused, lockError);
    }
    file.holdUntilDone(std::move(hold));
    return true;
}

void OpenOutputTable(const std::string &address, const std::string &header,
                     const std::vector<std::string> &columnNames, const KeyedList<VESKVar> &catalogue,
                     OutputTable &table, Interaction &ui, long *errorNumber, std::string *errorText,
                     TableSession *session) {
    *errorNumber = 0;
    auto a = parseTableAddress(address);
    if (a.unsupported) {
        fail(kErrTableRefused, "Not recognised file type: " + a.file, errorNumber, errorText);
        return;
    }
    if (!a.isTable()) {
        auto path = nativePathOf(address);
        if (!OpenOutputText(path, table.TextFile, errorNumber, errorText)) {
            return;
        }
        if (!table.writeLine(header)) {
            const int err = table.TextFile.writeError();
            table.discard();
            fail(kErrPathFileAccess, writeFailureText(path, err), errorNumber, errorText);
            return;
        }
        table.TextPath = path;
        return;
    }
    if (a.table.empty()) {
        fail(kErrNoDataTable, "No Data Table is defined for " + a.file, errorNumber, errorText);
        return;
    }
    auto file = nativePathOf(a.file);
    CheckedFolder folder;
    if (!folder.look(file, errorNumber, errorText)) {
        return;
    }
    if (!mayBeReplaced(file, errorNumber, errorText)) {
        folder.explain(errorNumber, errorText);
        return;
    }
    std::string statement;
    std::vector<TableColumn> columns;
    if (!CreateTableStatement(tableNameIn(a.file, a.table), columnNames, catalogue, &statement, &columns,
                              errorNumber, errorText)) {
        return;
    }
    std::string error;
    bool refused = false, damaged = false;
    auto writer = session ? session->createTable(file, a.table, columns, &error, &refused, &damaged)
                          : createTable(file, a.table, columns, &error, &refused, &damaged);
    if (!writer && damaged) {
        // The workbook checked could not be read (once, by createTable): its
        // other sheets could not be kept.
        if (a.kind == TableKind::Excel) {
            ui.message("The worksheet " + a.table + " is corrupted!\r\n" +
                           "If you open this worksheet in Excel and save it, this might correct the error!",
                       Icon::Critical);
        }
        fail(kErrCannotOpen, error, errorNumber, errorText);
        return;
    }
    if (!writer) {
        fail(refused ? kErrTableRefused : kErrPathFileAccess, error, errorNumber, errorText);
        folder.explain(errorNumber, errorText);
        return;
    }
    table.IsTable = true;
    table.RecordCount = 0;
    table.Recordset = std::move(writer);
}

bool OutputTable::writeLine(const std::string &line) {
    if (!TextFile.isOpen()) {
        return false;
    }
    return TextFile.write(line) && TextFile.write("\r\n");
}

bool OutputTable::prepare(long *errorNumber, std::string *errorText) {
    *errorNumber = 0;
    std::string error;
    const bool written =
        TextFile.pending() ? TextFile.prepare(&error) : !Recordset || Recordset->prepare(&error);
    if (!written) {
        fail(kErrPathFileAccess, error, errorNumber, errorText);
        discard();
    }
    return written;
}

bool OutputTable::keepReplaced(ReplacedFiles &replaced, long *errorNumber, std::string *errorText) {
    *errorNumber = 0;
    std::string error;
    const bool kept = TextFile.pending() ? TextFile.keepReplaced(replaced, &error)
                                         : !Recordset || Recordset->keepReplaced(replaced, &error);
    if (!kept) {
        fail(kErrPathFileAccess, error, errorNumber, errorText);
        discard();
    }
    return kept;
}

bool OutputTable::commit(long *errorNumber, std::string *errorText, ReplacedFiles *replaced) {
    *errorNumber = 0;
    std::string error;
    if (TextFile.pending() && !TextFile.commit(&error, replaced)) {
        fail(kErrPathFileAccess, error, errorNumber, errorText);
        discard();
        return false;
    }
    if (Recordset) {
        const bool written = Recordset->close(&error, replaced);
        Recordset.reset();
        if (!written) {
            fail(kErrPathFileAccess, error, errorNumber, errorText);
            return false;
        }
    }
    return true;
}

bool OutputTable::keepAside(std::string *kept, long *errorNumber, std::string *errorText) {
    *errorNumber = 0;
    std::string error;
    bool written = true;
    if (TextFile.pending()) {
        written = TextFile.keep(kept, &error);
    } else if (Recordset) {
        written = Recordset->closeAside(kept, &error);
        Recordset.reset();
    }
    if (!written) {
        fail(kErrPathFileAccess, error, errorNumber, errorText);
        discard();
    }
    return written;
}

bool OutputTable::keptAside() const {
    return Recordset && Recordset->keptAside();
}

void OutputTable::discard() {
    TextFile.discard();
    Recordset.reset();
}

Cell hourlyTableCell(const std::string &text, bool isText) {
    if (!(Val(text) > kMissing)) {
        return std::monostate{};
    }
    if (isText) {
        return text;
    }
    return typedNumber(text);
}

Cell statTableCell(const std::string &text, const std::string &key, bool longTextField) {
    if (longTextField) {
        return text;
    }
    if (trim(text).empty()) {
        return std::monostate{}; // a statistic that could not be given, not a 0
    }
    double v = typedNumber(text);
    if (iequals(key, "x_coordinate") || iequals(key, "y_coordinate")) {
        return v;
    }
    if (Val(text) > kMissing) {
        return v;
    }
    return std::monostate{};
}

} // namespace vesk
