#include "core/CountryFiles.h"

#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <fstream>

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
    if (std::find(m_files.begin(), m_files.end(), target) != m_files.end()) {
        return true; // made by this adding: simply replaced
    }
    std::error_code ec;
    if (fs::exists(target, ec)) {
        if (!fs::is_regular_file(target, ec)) {
            *error = "The file " + target.string() + " could not be written: a folder of that name exists";
            return false;
        }
        fs::path kept = target;
        kept += ".kept";
        for (int n = 1; fs::exists(kept, ec); ++n) {
            kept = target;
            kept += ".kept" + std::to_string(n);
        }
        fs::rename(target, kept, ec);
        if (ec) {
            *error = "The file " + target.string() + " could not be replaced: " + ec.message();
            return false;
        }
        m_kept.emplace_back(target, kept);
    }
    m_files.push_back(target);
    return true;
}

bool FileTransaction::copyFile(const fs::path &source, const fs::path &target, std::string *error) {
    if (!prepareTarget(target, error)) {
        return false;
    }
    std::error_code ec;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        *error = "The file " + source.string() + " could not be copied to " + target.string() + ": " +
                 ec.message();
        return false;
    }
    return true;
}

bool FileTransaction::writeFile(const fs::path &target, const std::string &bytes, std::string *error) {
    if (!prepareTarget(target, error)) {
        return false;
    }
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        *error = "The file " + target.string() + " could not be written.";
        return false;
    }
    return true;
}

void FileTransaction::rollback() {
    std::error_code ec;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        fs::remove(*it, ec);
    }
    for (auto it = m_kept.rbegin(); it != m_kept.rend(); ++it) {
        fs::rename(it->second, it->first, ec);
    }
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
        fs::remove(*it, ec); // removes only an empty folder
    }
    m_files.clear();
    m_kept.clear();
    m_folders.clear();
    m_done = true;
}

void FileTransaction::commit() {
    std::error_code ec;
    for (const auto &kept : m_kept) {
        fs::remove(kept.second, ec);
    }
    m_files.clear();
    m_kept.clear();
    m_folders.clear();
    m_done = true;
}

} // namespace vesk
