#include "project/SafeSave.h"

#include "core/TextIO.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace vesk {

namespace fs = std::filesystem;

FileSaveResult saveFileChecked(const std::string &path, std::string_view bytes) {
    FileSaveResult result;
    const fs::path target(path);
    fs::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code ec;
    if (target.filename().empty() || !fs::is_directory(folder, ec)) {
        // Said as the program's other saves say it.
        result.failure = SaveFailure::NoFolder;
        result.message = "Cannot create the file " + path + ": " + std::strerror(ENOENT);
        return result;
    }
    const bool exists = fs::exists(target, ec);
    if (exists && fs::is_directory(target, ec)) {
        result.failure = SaveFailure::Other;
        result.message = "Cannot write the file " + path + ": it is a folder.";
        return result;
    }
    // A file made read-only (no write permission for its owner) is refused
    // for every user, the superuser among them, as the file writer refuses it.
    const bool readOnly =
        exists && (fs::status(target, ec).permissions() & fs::perms::owner_write) == fs::perms::none;
    if (readOnly || (exists && ::access(path.c_str(), W_OK) != 0) || ::access(folder.c_str(), W_OK) != 0) {
        result.failure = SaveFailure::PermissionDenied;
        result.message = "Cannot write the file " + path + ": permission denied.";
        return result;
    }
    const fs::perms kept = exists ? fs::status(target, ec).permissions() : fs::perms::unknown;
    std::string error;
    if (!writeFileAtomically(path, bytes, &error)) {
        result.failure = SaveFailure::Other;
        result.message = error;
        return result;
    }
    if (kept != fs::perms::unknown) {
        fs::permissions(target, kept, ec);
    }
    return result;
}

} // namespace vesk
