#pragma once

// The file work of adding a country: the file list of a country data package
// ("Files.lst") and a small transaction that creates folders and files and
// can undo all of it, so that an adding that fails or is cancelled leaves the
// program folder as it found it.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vesk {

// One file of a package: the file in the package's folder and where it goes.
struct PackageItem {
    std::string item;   // the entry as Files.lst holds it
    std::string source; // full path in the source folder
    std::string target; // full path below AppDir
};

// Reads "Files.lst" of sourceDir. Each entry (a quoted text, or a bare text
// ending at a comma or the line end) is the target of one file: it must
// begin with "AppPath\" (the program folder appDir; letter case ignored),
// and "Code" in the rest of it (every occurrence, letter case ignored) stands
// for code. "\" and "/" both separate folders. The source file is the entry's
// text after its last separator, taken from sourceDir.
//
// Refused, with *error naming the entry: a target outside appDir (no
// "AppPath\" prefix, an absolute rest, ".." leading out of the folder) or
// the program folder itself, and a source name that is empty, "." or "..".
// A missing Files.lst gives false with *missing set (and no *error text).
bool readPackageList(const std::string &sourceDir, const std::string &appDir, const std::string &code,
                     std::vector<PackageItem> *items, bool *missing, std::string *error);

// Folders and files made for one adding. Everything it creates, and every
// file it overwrites, is recorded: rollback() removes what it made and puts
// overwritten files back; commit() keeps the new state. The destructor rolls
// back unless commit() was called.
class FileTransaction {
public:
    FileTransaction() = default;
    FileTransaction(const FileTransaction &) = delete;
    FileTransaction &operator=(const FileTransaction &) = delete;
    ~FileTransaction();

    enum class FolderResult { Created, Existed, Failed };
    // Creates folder and any missing folder above it.
    FolderResult createFolder(const std::filesystem::path &folder, std::string *error);

    // Copies source to target (creating target's folder when missing); an
    // existing target is kept aside until commit or rollback.
    bool copyFile(const std::filesystem::path &source, const std::filesystem::path &target,
                  std::string *error);
    // Writes bytes to target, likewise.
    bool writeFile(const std::filesystem::path &target, const std::string &bytes, std::string *error);

    void rollback();
    void commit();

private:
    bool prepareTarget(const std::filesystem::path &target, std::string *error);

    std::vector<std::filesystem::path> m_folders;                                // created, in order
    std::vector<std::filesystem::path> m_files;                                  // created or replaced
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> m_kept; // target, its old copy
    bool m_done = false;
};

} // namespace vesk
