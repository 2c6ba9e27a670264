#include "core/ListBackups.h"

#include "core/Paths.h"
#include "core/StagedFile.h"
#include "core/TextIO.h"

#include <filesystem>
#include <fstream>

namespace vesk {

namespace fs = std::filesystem;

ListFileNames listFileNames(const std::string &listName) {
    if (iequals(listName, "MetBack.fmt")) {
        return {listName, "MetBackFormat.bak", "MetBack.fm0"};
    }
    const auto dot = listName.rfind('.');
    const std::string base = dot == std::string::npos ? listName : listName.substr(0, dot);
    return {listName, base + ".bak", base + ".ls0"};
}

std::string listFilePath(const std::string &dir, const std::string &name) {
    return findExisting(joinPath(dir, name));
}

bool listFileExists(const std::string &dir, const std::string &name) {
    std::error_code ec;
    return fs::is_regular_file(listFilePath(dir, name), ec);
}

bool copyFileAtomically(const std::string &from, const std::string &to, std::string *error) {
    std::string why;
    if (!isRegularFile(from, &why)) {
        *error = why;
        return false;
    }
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        *error = "The file " + from + " cannot be read.";
        return false;
    }
    StagedFile out;
    if (!out.open(to, error)) {
        return false;
    }
    out.stream() << in.rdbuf();
    if (in.bad()) {
        out.discard();
        *error = "The file " + from + " cannot be read.";
        return false;
    }
    return out.commit(error);
}

bool makeFirstSaveBackup(const std::string &dir, const ListFileNames &names, std::string *error) {
    if (listFileExists(dir, names.backup)) {
        return true;
    }
    return copyFileAtomically(listFilePath(dir, names.list), joinPath(dir, names.backup), error);
}

bool writeListFile(const std::string &dir, const ListFileNames &names, const std::string &text,
                   std::string *error) {
    const std::string list = listFilePath(dir, names.list);
    if (listFileExists(dir, names.list) && !copyFileAtomically(list, joinPath(dir, names.previous), error)) {
        return false;
    }
    return writeFileAtomically(list, text, error);
}

RestoreResult restoreFirstSaveBackup(const std::string &dir, const ListFileNames &names, std::string *error) {
    if (!listFileExists(dir, names.backup)) {
        return RestoreResult::NoBackup;
    }
    return copyFileAtomically(listFilePath(dir, names.backup), listFilePath(dir, names.list), error)
               ? RestoreResult::Restored
               : RestoreResult::Failed;
}

bool restorePreviousVersion(const std::string &dir, const ListFileNames &names, std::string *error) {
    if (!listFileExists(dir, names.previous)) {
        *error = "There is no " + names.previous + " in " + dir + ".";
        return false;
    }
    return copyFileAtomically(listFilePath(dir, names.previous), listFilePath(dir, names.list), error);
}

} // namespace vesk
