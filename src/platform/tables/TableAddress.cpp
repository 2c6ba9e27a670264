#include "platform/tables/TableAddress.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vesk {

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::size_t lastSeparator(const std::string &path) {
    return path.find_last_of("\\/");
}

// Extensions of database and spreadsheet files we cannot read; an address of
// such a file is refused rather than opened as a text file.
bool isUnsupportedTableExtension(const std::string &ext) {
    static const std::array<const char *, 14> known = {"xlsx",  "xlsm",  "xlsb", "xltx", "xlt",
                                                       "accdb", "accde", "mde",  "ods",  "wk5",
                                                       "123",   "wb1",   "wb2",  "wb3"};
    return std::find(known.begin(), known.end(), ext) != known.end();
}

TableKind kindOfExtension(const std::string &ext) {
    if (ext == "mdb") {
        return TableKind::Access;
    }
    if (ext == "xls") {
        return TableKind::Excel;
    }
    if (ext == "wk1" || ext == "wk2" || ext == "wk3" || ext == "wk4" || ext == "wks") {
        return TableKind::Lotus;
    }
    return TableKind::Text;
}

} // namespace

std::string fileExtension(const std::string &path) {
    auto sep = lastSeparator(path);
    auto start = sep == std::string::npos ? 0 : sep + 1;
    auto dot = path.rfind('.');
    if (dot == std::string::npos || dot < start) {
        return {};
    }
    return lower(path.substr(dot + 1));
}

bool isTableExtension(const std::string &extension) {
    return kindOfExtension(lower(extension)) != TableKind::Text;
}

TableKind tableKindOfFile(const std::string &file) {
    return kindOfExtension(fileExtension(file));
}

TableAddress parseTableAddress(const std::string &address) {
    TableAddress a;
    a.address = address;
    // The first ";" whose left part names a database or spreadsheet file
    // splits the address.
    for (auto pos = address.find(';'); pos != std::string::npos; pos = address.find(';', pos + 1)) {
        auto candidate = address.substr(0, pos);
        auto ext = fileExtension(candidate);
        if (pos == 0 || ext.empty()) {
            continue;
        }
        if (isTableExtension(ext) || isUnsupportedTableExtension(ext)) {
            a.file = candidate;
            a.table = address.substr(pos + 1);
            a.extension = ext;
            a.kind = kindOfExtension(ext);
            a.unsupported = a.kind == TableKind::Text;
            return a;
        }
    }
    a.file = address;
    a.extension = fileExtension(address);
    a.kind = kindOfExtension(a.extension);
    a.unsupported = a.kind == TableKind::Text && isUnsupportedTableExtension(a.extension);
    return a;
}

TableNameChoice classifyTableName(const std::string &name) {
    TableNameChoice c;
    c.address = parseTableAddress(name);
    c.completed = name;
    if (name.empty()) {
        return c;
    }
    const auto &a = c.address;
    if (a.unsupported) {
        c.kind = TableNameKind::NotRecognised;
        return c;
    }
    if (a.kind == TableKind::Text) {
        c.kind = TableNameKind::PlainFile;
        return c;
    }
    if (a.table.empty()) {
        c.kind = TableNameKind::NeedsTable;
        return c;
    }
    c.kind = TableNameKind::FinishedTable;
    if (a.kind == TableKind::Excel && name.back() != '$') {
        c.completed += '$';
    } else if (a.kind == TableKind::Lotus && name.back() != ':') {
        c.completed += ':';
    }
    return c;
}

bool tablesForChooser(const std::string &file, std::vector<std::string> *names, std::string *error) {
    std::vector<TableInfo> tables;
    if (!listTables(file, &tables, error)) {
        return false;
    }
    names->clear();
    if (tables.size() == 1) {
        names->push_back(tables.front().name);
        return true;
    }
    auto kind = tableKindOfFile(file);
    for (const auto &t : tables) {
        bool take = false;
        switch (kind) {
        case TableKind::Access:
            take = t.userTable;
            break;
        case TableKind::Excel:
            take = !t.name.empty() && t.name.back() == '$';
            break;
        case TableKind::Lotus:
            take = !t.name.empty() && t.name.back() == ':';
            break;
        case TableKind::Text:
            break;
        }
        if (take) {
            names->push_back(t.name);
        }
    }
    return true;
}

} // namespace vesk
