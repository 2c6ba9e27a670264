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
// ending at a comma or the line end) is the target of one file below the
// program folder appDir, written "AppPath\<rest>" (letter case ignored) or
// as the rest alone; "Code" in the rest (every occurrence, letter case
// ignored) stands for code. "\" and "/" both separate folders. The source
// file is the entry's text after its last separator, taken from sourceDir.
//
// Refused, with *error naming the entry: a target outside appDir (an
// absolute rest, ".." leading out of the folder) or
// the program folder itself, and a source name that is empty, "." or "..".
// A missing Files.lst gives false with *missing set (and no *error text).
bool readPackageList(const std::string &sourceDir, const std::string &appDir, const std::string &code,
                     std::vector<PackageItem> *items, bool *missing, std::string *error);

// Folders and files made for one adding. Folders are made at once; files
// are gathered and put in place together by commit(), all or none, as a
// run's outputs are (core/StagedFile.h: each through a temporary file and a
// rename, the old contents kept until every file is in place), and under
// the rule for symbolic links in folders that other users may write
// (core/OutputPlace.h): another user's link on the way to a file is not
// followed, and the file is refused naming it. rollback() removes the
// folders it made and puts nothing in place. The destructor rolls back
// unless commit() was called.
class FileTransaction {
public:
    FileTransaction() = default;
    FileTransaction(const FileTransaction &) = delete;
    FileTransaction &operator=(const FileTransaction &) = delete;
    ~FileTransaction();

    enum class FolderResult { Created, Existed, Failed };
    // Creates folder and any missing folder above it.
    FolderResult createFolder(const std::filesystem::path &folder, std::string *error);

    // Reads source, to be copied to target at commit() (target's folder is
    // created when missing). A target written before in this adding takes
    // the later bytes. False with a message when source cannot be read, or
    // target is a folder or lies behind another user's link.
    bool copyFile(const std::filesystem::path &source, const std::filesystem::path &target,
                  std::string *error);
    // Bytes to be written to target at commit(), likewise.
    bool writeFile(const std::filesystem::path &target, const std::string &bytes, std::string *error);

    void rollback();
    // Puts every file in place. False with a message naming the file that
    // could not be written: then nothing is replaced (what was put in place
    // is put back) and the transaction is rolled back.
    bool commit(std::string *error = nullptr);

private:
    bool prepareTarget(const std::filesystem::path &target, std::string *error);
    void addFile(const std::filesystem::path &target, std::string bytes);

    std::vector<std::filesystem::path> m_folders;                       // created, in order
    std::vector<std::pair<std::filesystem::path, std::string>> m_files; // target, its bytes, in order
    bool m_done = false;
};

} // namespace vesk
