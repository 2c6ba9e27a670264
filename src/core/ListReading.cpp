#include "core/ListReading.h"

#include "core/KeyedList.h"
#include "core/Paths.h"

#include <filesystem>

namespace vesk {

RecordReader openListFile(const std::string &path, std::string *listFileName) {
    if (listFileName != nullptr) {
        *listFileName = path;
    }
    const std::string found = findExisting(path);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(found, ec);
    if (!std::filesystem::exists(status)) {
        throw MissingFileError(path);
    }
    if (!std::filesystem::is_regular_file(status)) {
        // Neither missing nor readable: reading a pipe would wait for a writer.
        throw ListLoadError(kErrPathAccess, "The file " + found + " is not a regular file: " +
                                                (std::filesystem::is_directory(status)
                                                     ? std::string("it is a folder")
                                                     : std::string("it is a device, a pipe or a socket")) +
                                                ", which cannot be read as a list.");
    }
    RecordReader reader;
    std::string error;
    if (!RecordReader::open(found, &reader, &error)) {
        throw ListLoadError(kErrOther, error);
    }
    return reader;
}

ListFailure currentListFailure() {
    try {
        throw;
    } catch (const EndOfFileError &e) {
        return {kErrEndOfFile, e.what()};
    } catch (const RecordError &e) {
        return {kErrTypeMismatch, std::string("Type mismatch: ") + e.what()};
    } catch (const MissingFileError &e) {
        return {kErrFileMissing, e.what()};
    } catch (const ListLoadError &e) {
        return {e.number(), e.what()};
    } catch (const std::bad_alloc &) {
        return {7, "Out of memory"};
    } catch (const std::exception &e) {
        return {kErrOther, e.what()};
    }
}

std::string replaceAllNoCase(const std::string &text, const std::string &what, const std::string &with) {
    if (what.empty()) {
        return text;
    }
    const std::string folded = foldKey(text);
    const std::string key = foldKey(what);
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = folded.find(key, pos);
        if (hit == std::string::npos) {
            out.append(text, pos, std::string::npos);
            return out;
        }
        out.append(text, pos, hit - pos);
        out += with;
        pos = hit + what.size();
    }
}

bool containsNoCase(const std::string &text, const std::string &part) {
    return foldKey(text).find(foldKey(part)) != std::string::npos;
}

} // namespace vesk
