#include "calc/TableRoutines.h"

#include "calc/RunErrors.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "platform/tables/TableLock.h"

#include <algorithm>
#include <filesystem>

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

bool containsI(const std::string &text, const std::string &what) {
    return toLower(text).find(toLower(what)) != std::string::npos;
}

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
        std::string col = "[" + name + "]";
        while (containsI(s, col)) {
            auto open = col.rfind('(');
            if (open == std::string::npos) {
                col.insert(col.size() - 1, "(1)");
            } else {
                long k = static_cast<long>(Val(col.substr(open + 1)));
                col = col.substr(0, open) + "(" + std::to_string(k + 1) + ")]";
            }
        }
        s += " " + col + " " + typeText(ct);
        if (i + 1 < columnNames.size()) {
            s += ",";
        }
        columns->push_back({col.substr(1, col.size() - 2), ct});
    }
    s += ")";
    *statement = s;
    return true;
}

bool OpenOutputText(const std::string &path, StagedFile &file, long *errorNumber, std::string *errorText) {
    *errorNumber = 0;
    if (!outputFolderExists(path, errorNumber, errorText) || !mayBeReplaced(path, errorNumber, errorText)) {
        return false;
    }
    // Held from now until the run's outputs are final, as a table file is.
    auto hold = std::make_shared<tables::TableFileLock>();
    std::string error, lockError;
    bool inUse = false;
    const bool held = hold->acquire(path, &lockError, &inUse);
    int err = 0;
    if (!held && inUse) {
        fail(kErrTableRefused, lockError, errorNumber, errorText);
        return false;
    }
    // A file that cannot be written is said as such, before its lock file.
    if (!file.open(path, &error, &err)) {
        fail(openErrorNumber(err), error, errorNumber, errorText);
        return false;
    }
    if (!held) {
        file.discard();
        fail(kErrTableRefused, lockError, errorNumber, errorText);
        return false;
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
    if (!outputFolderExists(file, errorNumber, errorText) || !mayBeReplaced(file, errorNumber, errorText)) {
        return;
    }
    std::string statement;
    std::vector<TableColumn> columns;
    if (!CreateTableStatement(tableNameIn(a.file, a.table), columnNames, catalogue, &statement, &columns,
                              errorNumber, errorText)) {
        return;
    }
    std::string error;
    bool refused = false;
    auto writer = session ? session->createTable(file, a.table, columns, &error, &refused)
                          : createTable(file, a.table, columns, &error, &refused);
    if (!writer) {
        std::error_code ec;
        auto kind = a.kind;
        bool exists = fs::exists(file, ec);
        const std::string &damage = error;
        StagedFile probe;
        if (!refused && exists && probe.open(file, nullptr)) {
            // The file may be written, so the existing one could not be read
            // (once, by createTable): its other tables could not be kept.
            if (kind == TableKind::Excel) {
                ui.message(
                    "The worksheet " + a.table + " is corrupted!\r\n" +
                        "If you open this worksheet in Excel and save it, this might correct the error!",
                    Icon::Critical);
            }
            fail(kErrCannotOpen, damage, errorNumber, errorText);
            return;
        }
        fail(refused ? kErrTableRefused : kErrPathFileAccess, error, errorNumber, errorText);
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
