#include "ui/common/DriveLetterNames.h"

#include "core/Interaction.h"
#include "core/Paths.h"

namespace vesk::ui {

bool refuseDriveLetterName(Interaction &ui, const std::string &stored, const std::string &field) {
    if (!hasDriveLetter(stored)) {
        return false;
    }
    ui.message(driveLetterRefusal(stored, field), Icon::Critical);
    return true;
}

std::string fileListEntryField(int kind, int position) {
    const char *const lists[] = {"the hourly input files", "the hourly output files", "the traffic files",
                                 "the statistics files"};
    const std::string list = kind >= 1 && kind <= 4 ? lists[kind - 1] : "the file list";
    return "entry " + std::to_string(position + 1) + " of " + list;
}

} // namespace vesk::ui
