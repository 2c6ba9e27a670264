#pragma once

// Saving a whole text file the safe way, with the reason of a failure told
// apart so that a dialog can offer what fits: another folder, another name,
// or nothing.
//
// The bytes go to a temporary file in the target's folder and replace the
// target by a rename, so a failed save leaves the old file whole. A target
// that exists keeps its permissions. A target the user may not write (or a
// folder the user may not write in) is refused before anything is written,
// even where a rename could replace it.

#include <string>
#include <string_view>

namespace vesk {

enum class SaveFailure {
    None,
    NoFolder,         // the folder of the file does not exist or cannot be reached
    PermissionDenied, // the file or its folder may not be written
    Other,            // anything else (a full disk, an I/O error); see the message
};

struct FileSaveResult {
    SaveFailure failure = SaveFailure::None;
    std::string message; // names the file and the reason; empty on success
    bool ok() const { return failure == SaveFailure::None; }
};

FileSaveResult saveFileChecked(const std::string &path, std::string_view bytes);

} // namespace vesk
