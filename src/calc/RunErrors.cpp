#include "calc/RunErrors.h"

#include "core/TextIO.h"

#include <cctype>

namespace vesk {

std::string errorName(long number) {
    switch (number) {
    case 5:
        return "Invalid procedure call or argument";
    case 6:
        return "Overflow";
    case 7:
        return "Out of memory";
    case 9:
        return "Subscript out of range";
    case 11:
        return "Division by zero";
    case 13:
        return "Type mismatch";
    case 52:
        return "Bad file name or number";
    case 53:
        return "File not found";
    case 55:
        return "File already open";
    case 57:
        return "Device I/O error";
    case 61:
        return "Disk full";
    case 62:
        return "Input past end of file";
    case 67:
        return "Too many files";
    case 68:
        return "Device unavailable";
    case 70:
        return "Permission denied";
    case 71:
        return "Disk not ready";
    case 75:
        return "Path/File access error";
    case 76:
        return "Path not found";
    case 7076:
        return "Cannot create the folder for opening the output file";
    case 9500:
    case 9501:
        return "No Data Table is defined";
    case 9910:
        return "Not recognised file type";
    case -2147467259:
        return "Unspecified error";
    case -2147217865:
        return "The table was not found in the file";
    case -2147217911:
        return "Permission denied";
    default:
        return "Application-defined or object-defined error";
    }
}

namespace {

// The writer's reason without its own naming of the file the message names
// already: "Cannot write the file X: it is read-only. ..." gives "It is
// read-only. ..." for the file X (or a table of it), and a bare "permission
// denied" nothing. Any other reason stays whole.
std::string reasonFor(const std::string &filePath, const std::string &reason) {
    for (const std::string lead : {"Cannot write the file ", "Cannot create the file "}) {
        const std::size_t colon = reason.find(": ", lead.size());
        if (reason.rfind(lead, 0) != 0 || colon == std::string::npos || colon + 2 >= reason.size()) {
            continue;
        }
        const std::string named = reason.substr(lead.size(), colon - lead.size());
        if (filePath == named || filePath.rfind(named + ";", 0) == 0) {
            std::string rest = reason.substr(colon + 2);
            if (toLower(rest) == "permission denied" || toLower(rest) == "permission denied.") {
                return {};
            }
            rest[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(rest[0])));
            return rest;
        }
    }
    return reason;
}

} // namespace

RunMessage runMessage(long number, const RunErrorContext &context) {
    // The address may hold a table name of control characters: shown as ^Z
    // (a NUL would end the message there).
    RunErrorContext c = context;
    c.FilePath = visibleText(c.FilePath);
    const std::string nl = "\r\n";
    const std::string name = c.Description.empty() ? errorName(number) : c.Description;
    RunMessage m;
    auto text = [&](std::string t) {
        m.text = std::move(t);
        return m;
    };
    switch (number) {
    case kErrCannotOpen:
        return text("Can't open the file " + c.FilePath + nl + "Error #" + std::to_string(number) + nl +
                    name);
    case kErrTableExists:
        m.show = false;
        return m;
    case kErrNoDataTable:
        return text("No Data Table is defined for " + nl + c.FilePath);
    case kErrNoStatTable:
        m.buttons = Buttons::OkCancel;
        return text("No Data Table is defined for " + nl + c.FilePath + nl + "Define it Now !?");
    case kErrFileNotFound:
        return text("Can't open the input file " + c.FilePath);
    case kErrPermission:
    case kErrWriteDenied: {
        // With the writer's reason where it gives one (a read-only file, a
        // folder that takes no new file), said once.
        const std::string reason = reasonFor(c.FilePath, c.Description);
        return text("Permission denied to write to " + nl + c.FilePath +
                    (reason.empty() ? std::string() : nl + reason));
    }
    case kErrPathFileAccess:
        // The writer's own reason (a damaged database, a full disk) says
        // more than the standard guess, which stands when there is none.
        return text("Can't write to " + nl + c.FilePath + nl +
                    (c.Description.empty()
                         ? "The Network Drive is not connected or permission to write denied"
                         : c.Description));
    case kErrDiskNotReady:
        m.buttons = Buttons::RetryCancel;
        m.icon = Icon::None;
        return text("Disk not ready when writing to" + nl + c.FilePath);
    case kErrPathNotFound:
        return text("Path not found when opening the file:" + nl + c.FilePath);
    case kErrEmptyVarList:
        return text("The variable list is empty for the file:" + nl + c.FilePath);
    case kErrColumnWidth:
        return text("Incomplete Format Statement for" + nl + c.FilePath + nl +
                    "Missing or invalid Column Width");
    case kErrFormatType:
        return text("Incomplete Format Statement for" + nl + c.FilePath + nl +
                    "Missing or invalid Format Type");
    case kErrScaling:
        return text("An invalid value in the Scaling List in" + nl + c.FilePath + nl + c.ListItem);
    case kErrTooFewItems:
        if (c.InputIsText && c.NoHourYet) {
            m.show = false;
            m.skipRecord = true;
            return m;
        }
        return text("The number of input items in the file " + c.InputFile + nl +
                    "is less than in the Input List");
    case kErrTypeMismatch:
        if (c.InItemsFlag) {
            if (c.NoHourYet && c.InputIsText) {
                m.show = false;
                m.skipRecord = true;
                return m;
            }
            return text("The type of the input variable doesn\u00B4t fit the type of the Input List" + nl +
                        c.InputFile + nl + c.InColName + " = " + visibleText(c.ItemText));
        }
        break;
    case kErrInputItem:
        return text(std::to_string(c.FileIndex) + "," + std::to_string(c.ColumnIndex) + " " + "Item " +
                    c.InColName + " not found");
    case kErrOutputItem:
        return text(std::to_string(c.FileIndex) + "," + std::to_string(c.ColumnIndex) + " " + "Item " +
                    c.OutColName + " not found");
    case kErrHourZero:
        return text("The value of hour must not be zero. VESK requires that the hour parameter takes values "
                    "from 1 to "
                    "24.");
    case kErrFolderNotCreated:
        return text("Cannot create the folder for opening the output file:" + nl + c.FilePath);
    case kErrTableRefused: {
        // A refusal that names the file already is not followed by its name
        // again (a table's address, which names the table too, still is).
        if (!c.FilePath.empty() && c.Description.find(c.FilePath) != std::string::npos) {
            return text(c.Description);
        }
        return text((c.Description.empty() ? errorName(number) : c.Description) + nl + c.FilePath);
    }
    default:
        break;
    }
    std::string message = "Error #" + std::to_string(number) + nl + name;
    // The day, month and hour of the record, once a record with them has been read.
    if (c.day >= 1 && c.month >= 1 && c.hour >= 1) {
        message += nl + std::to_string(c.day) + "," + std::to_string(c.month) + "," + std::to_string(c.hour);
    }
    return text(std::move(message));
}

} // namespace vesk
