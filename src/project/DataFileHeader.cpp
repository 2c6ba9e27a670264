#include "project/DataFileHeader.h"

#include "core/ListLine.h"
#include "core/Paths.h"
#include "core/TextIO.h"
#include "platform/tables/TableAddress.h"
#include "platform/tables/Tables.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace vesk {

namespace {

// The longest first line read for its column titles: the bound of a line of
// an hourly input file.
constexpr std::size_t kMaxHeaderLine = std::size_t{1} << 20;

// The position where a trailing "_<digits>" begins, or npos.
std::size_t numberedSuffix(const std::string &name) {
    const std::size_t underscore = name.rfind('_');
    if (underscore == std::string::npos || underscore + 1 == name.size()) {
        return std::string::npos;
    }
    for (std::size_t i = underscore + 1; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return std::string::npos;
        }
    }
    return underscore;
}

std::string nextName(const std::string &name) {
    const std::size_t at = numberedSuffix(name);
    if (at == std::string::npos) {
        return name + "_1";
    }
    const std::string digits = name.substr(at + 1);
    // Counting up a long run of digits as text keeps it exact.
    std::string counted = digits;
    int i = static_cast<int>(counted.size()) - 1;
    while (i >= 0 && counted[static_cast<std::size_t>(i)] == '9') {
        counted[static_cast<std::size_t>(i)] = '0';
        --i;
    }
    if (i < 0) {
        counted.insert(counted.begin(), '1');
    } else {
        ++counted[static_cast<std::size_t>(i)];
    }
    return name.substr(0, at + 1) + counted;
}

FileHeader failed(HeaderFailure failure, std::string detail) {
    FileHeader h;
    h.failure = failure;
    h.detail = std::move(detail);
    return h;
}

FileHeader textHeader(const std::string &path, const std::string &decimalSeparator) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return failed(HeaderFailure::NotAccessible, "No such file: " + path);
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return failed(HeaderFailure::NotAccessible, "The file " + path + " cannot be opened.");
    }
    // The first line, read up to a bound: a file without line ends (or
    // with CR alone) is not read whole to find the end of its first line.
    std::string line;
    bool tooLong = false;
    getLineBounded(in, line, kMaxHeaderLine, &tooLong);
    if (tooLong) {
        return failed(HeaderFailure::Unreadable, "The first line of " + path + " is longer than " +
                                                     std::to_string(kMaxHeaderLine) +
                                                     " characters: it is no line of column titles.");
    }
    if (const std::size_t cr = line.find('\r'); cr != std::string::npos && cr + 1 < line.size()) {
        line.resize(cr); // lines that end with a CR alone: the first of them
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        line.erase(0, 3);
    }
    FileHeader h;
    h.names = uniqueColumnNames(ReadListLine(toUtf8(line), decimalSeparator));
    return h;
}

} // namespace

std::string dataFilePath(const std::string &listed, const std::string &workDir, const std::string &metBackDir,
                         const std::string &appDir) {
    const std::string name = trim(listed);
    const TableAddress address = parseTableAddress(name);
    const std::string file = findStoredInput(address.file, workDir, metBackDir, appDir);
    // Whatever followed the file part (";" and the table name) stays as it is.
    return file + name.substr(address.file.size());
}

std::string storedDataFileName(const std::string &chosen, const std::string &workDir,
                               const std::string &nationalDir) {
    const std::string name = trim(chosen);
    const TableAddress address = parseTableAddress(name);
    return storedNameFor(address.file, workDir, nationalDir) + name.substr(address.file.size());
}

FileHeader readDataFileHeader(const std::string &pathOrAddress, const std::string &decimalSeparator) {
    const TableAddress address = parseTableAddress(pathOrAddress);
    if (address.unsupported) {
        return failed(HeaderFailure::NotRecognised, "Not recognised file type: " + address.file);
    }
    if (!address.isTable()) {
        return textHeader(address.file, decimalSeparator);
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(address.file, ec)) {
        return failed(HeaderFailure::NotAccessible, "No such file: " + address.file);
    }
    TableData data;
    std::string error;
    if (!readTable(address.file, address.table, &data, &error)) {
        return failed(HeaderFailure::Unreadable, error);
    }
    FileHeader h;
    h.names = uniqueColumnNames(data.fields);
    return h;
}

std::vector<std::string> uniqueColumnNames(const std::vector<std::string> &names) {
    std::vector<std::string> result;
    std::set<std::string> taken; // in lower case
    // Per name (lower case), the last name its counting up gave: every name
    // before it on its way is taken, so a later repeat goes on from there.
    // (Counting from the start each time took time with the square of the
    // repeats.) Counting up changes only the trailing "_<digits>", never a
    // letter, so it runs in lower case and the result keeps the letters of
    // the name as written.
    std::map<std::string, std::string> countedTo;
    result.reserve(names.size());
    for (const std::string &original : names) {
        const std::string key = toLower(original);
        if (taken.insert(key).second) {
            result.push_back(original);
            continue;
        }
        const auto last = countedTo.find(key);
        std::string name = nextName(last != countedTo.end() ? last->second : key);
        while (taken.count(name) != 0) {
            name = nextName(name);
        }
        taken.insert(name);
        countedTo[key] = name;
        const std::size_t suffix = numberedSuffix(original);
        const std::size_t kept = suffix == std::string::npos ? original.size() : suffix + 1;
        result.push_back(original.substr(0, kept) + name.substr(kept));
    }
    return result;
}

std::string columnCaption(const std::string &name, const std::string &decimalSeparator) {
    std::string caption;
    for (char c : name) {
        if (c == '#') {
            caption += decimalSeparator;
        } else {
            caption += c;
        }
    }
    return caption;
}

} // namespace vesk
