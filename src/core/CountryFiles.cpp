#include "core/CountryFiles.h"

#include "core/OutputPlace.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/StagedFile.h"
#include "core/TextIO.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace vesk {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kAppPath = "AppPath\\";

// Every occurrence of "Code" (letter case ignored) replaced by code.
std::string replaceCode(std::string_view text, const std::string &code) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + 4 <= text.size() && iequals(text.substr(i, 4), "code")) {
            out += code;
            i += 4;
        } else {
            out += text[i++];
        }
    }
    return out;
}

bool looksAbsolute(std::string_view rest) {
    return (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) ||
           (rest.size() >= 2 && rest[1] == ':');
}

} // namespace

bool readPackageList(const std::string &sourceDir, const std::string &appDir, const std::string &code,
                     std::vector<PackageItem> *items, bool *missing, std::string *error) {
    items->clear();
    *missing = false;
    const std::string listPath = findExisting(joinPath(sourceDir, "Files.lst"));
    std::error_code ec;
    if (!fs::exists(listPath, ec)) {
        *missing = true;
        return false;
    }
    RecordReader reader; // a folder or a pipe of that name is refused by its reading
    if (!RecordReader::open(listPath, &reader, error)) {
        return false;
    }
    const fs::path root = fs::path(appDir).lexically_normal();
    try {
        while (!reader.atEnd()) {
            const std::string entry = reader.readString();
            if (trim(entry).empty()) {
                continue;
            }
            // A leading "AppPath\" names the program folder; only the rest takes the code.
            std::string_view rest = entry;
            if (startsWithI(rest, kAppPath) || startsWithI(rest, "AppPath/")) {
                rest.remove_prefix(kAppPath.size());
            }
            auto refuse = [&](const std::string &why) {
                *error = "The entry " + entry + " of " + listPath + " " + why;
                items->clear();
                return false;
            };
            if (looksAbsolute(rest)) {
                return refuse("names a file outside the program folder " + appDir + ".");
            }
            const fs::path relative = fs::path(nativePath(replaceCode(rest, code))).lexically_normal();
            const std::string first = relative.empty() ? std::string() : relative.begin()->string();
            if (relative.empty() || first == ".." || relative == ".") {
                return refuse("names a file outside the program folder " + appDir + ".");
            }
            const std::string sourceName = fileNamePart(entry);
            if (sourceName.empty() || sourceName == "." || sourceName == "..") {
                return refuse("names no file.");
            }
            PackageItem item;
            item.item = entry;
            item.source = joinPath(sourceDir, sourceName);
            item.target = (root / relative).string();
            items->push_back(std::move(item));
        }
    } catch (const RecordError &e) {
        *error = listPath + ": " + e.what();
        items->clear();
        return false;
    }
    return true;
}

FileTransaction::~FileTransaction() {
    if (!m_done) {
        rollback();
    }
}

FileTransaction::FolderResult FileTransaction::createFolder(const fs::path &folder, std::string *error) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        return FolderResult::Existed;
    }
    // Create level by level so that each new folder is known.
    fs::path built;
    for (const fs::path &part : folder) {
        built /= part;
        if (fs::is_directory(built, ec)) {
            continue;
        }
        if (!fs::create_directory(built, ec) || ec) {
            *error = "The folder " + built.string() + " could not be created: " +
                     (ec ? ec.message() : std::string("a file of that name exists"));
            return FolderResult::Failed;
        }
        m_folders.push_back(built);
    }
    return FolderResult::Created;
}

bool FileTransaction::prepareTarget(const fs::path &target, std::string *error) {
    if (target.has_parent_path() && createFolder(target.parent_path(), error) == FolderResult::Failed) {
        return false;
    }
    // Known now, before the files that follow it are read.
    if (std::string refusal = foreignLinkRefusal(target.string()); !refusal.empty()) {
        *error = refusal;
        return false;
    }
    std::error_code ec;
    if (fs::exists(target, ec) && !fs::is_regular_file(target, ec)) {
        *error = "The file " + target.string() + " could not be written: a folder of that name exists";
        return false;
    }
    return true;
}

void FileTransaction::addFile(const fs::path &target, std::string bytes) {
    const auto known =
        std::find_if(m_files.begin(), m_files.end(), [&](const auto &file) { return file.first == target; });
    if (known != m_files.end()) {
        known->second = std::move(bytes); // written before by this adding: simply replaced
    } else {
        m_files.emplace_back(target, std::move(bytes));
    }
}

bool FileTransaction::copyFile(const fs::path &source, const fs::path &target, std::string *error) {
    if (!prepareTarget(target, error)) {
        return false;
    }
    std::ifstream in(source, std::ios::binary);
    std::ostringstream bytes;
    if (in) {
        bytes << in.rdbuf();
    }
    if (!in || in.bad()) {
        *error = "The file " + source.string() + " could not be copied to " + target.string() + ": " +
                 std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    addFile(target, std::move(bytes).str());
    return true;
}

bool FileTransaction::writeFile(const fs::path &target, const std::string &bytes, std::string *error) {
    if (!prepareTarget(target, error)) {
        return false;
    }
    addFile(target, bytes);
    return true;
}

void FileTransaction::rollback() {
    std::error_code ec;
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
        fs::remove(*it, ec); // removes only an empty folder
    }
    m_files.clear();
    m_folders.clear();
    m_done = true;
}

bool FileTransaction::commit(std::string *error) {
    ReplacedFiles replaced;
    std::string why;
    bool placed = true;
    for (const auto &[target, bytes] : m_files) {
        StagedFile file;
        if (!file.open(target.string(), &why)) {
            placed = false;
        } else if (!file.write(bytes)) {
            const int err = file.writeError();
            file.discard();
            why = writeFailureText(target.string(), err);
            placed = false;
        } else {
            placed = file.commit(&why, &replaced);
        }
        if (!placed) {
            break;
        }
    }
    if (placed) {
        placed = replaced.keepNew(&why);
    } else if (std::string notPutBack; !replaced.restore(&notPutBack)) {
        why += "\r\n" + notPutBack;
    }
    if (!placed) {
        rollback();
        if (error != nullptr) {
            *error = why;
        }
        return false;
    }
    m_files.clear();
    m_folders.clear();
    m_done = true;
    return true;
}

} // namespace vesk
