#include "calc/GraphData.h"

#include "core/ListLine.h"
#include "core/Paths.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <filesystem>

namespace vesk {

namespace {

const char *const kCannotOpen = "Can\u00B4t open the file";

// The whole text of an existing regular file; false when there is none or it cannot be read.
bool readRegularFile(const std::string &path, std::string *text) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) {
        return false;
    }
    return readTextFile(path, text, nullptr);
}

} // namespace

DescriptorStatus ReadGraphDescriptor(const std::string &workDir, const std::string &appDir,
                                     const std::string &graphFile, GraphDescriptor *out,
                                     std::string *message) {
    std::string text;
    std::string path = findExisting(joinPath(nativePath(workDir), graphFile));
    if (!readRegularFile(path, &text)) {
        path = findExisting(joinPath(nativePath(appDir), graphFile));
        if (!readRegularFile(path, &text)) {
            *message = kCannotOpen;
            return DescriptorStatus::NotFound;
        }
    }
    try {
        RecordReader reader(std::move(text), path);
        GraphDescriptor d;
        d.path = path;
        d.dataFile = trim(reader.readString());
        d.title = reader.readString();
        if (d.dataFile.empty()) {
            *message = "The file names no data file. This is not a Graph file";
            return DescriptorStatus::Invalid;
        }
        *out = std::move(d);
        return DescriptorStatus::Read;
    } catch (const RecordError &e) {
        *message = std::string(e.what()) + " This is not a Graph file";
        return DescriptorStatus::Invalid;
    }
}

double graphFieldValue(const std::string &field) {
    const std::optional<double> v = parseNumber(field);
    if (!v || isMissing(*v)) {
        return kMissing;
    }
    return *v;
}

bool ReadGraphFile(const std::string &path, GraphData *data, std::string *message) {
    *data = GraphData();
    std::string text;
    if (!readRegularFile(path, &text)) {
        *message = std::string(kCannotOpen) + "\r\n" + path;
        return false;
    }
    auto fail = [&](const std::string &what) {
        *message = what + " reading the file:\r\n" + path;
        *data = GraphData();
        return false;
    };
    GraphData d;
    std::size_t fieldCount = 0;
    int lineNumber = 0;
    for (const std::string &line : splitLines(text)) {
        ++lineNumber;
        // Fields are split with the comma as the decimal mark, so only blanks,
        // semicolons and tabs separate them.
        const std::vector<std::string> fields = ReadListLine(line, ",");
        if (fields.empty()) {
            continue;
        }
        if (fields.size() > static_cast<std::size_t>(kMaxGraphFields)) {
            return fail("Line " + std::to_string(lineNumber) + " holds more than " +
                        std::to_string(kMaxGraphFields) + " fields");
        }
        if (d.rowCount() == kMaxGraphRows) {
            return fail("There are more than " + std::to_string(kMaxGraphRows) + " data lines");
        }
        if (fieldCount == 0) {
            fieldCount = fields.size();
            d.values.assign(fieldCount - 1, {});
        } else if (fields.size() > fieldCount) {
            return fail("Line " + std::to_string(lineNumber) + " holds more fields than the first line");
        }
        d.directions.push_back(graphFieldValue(fields[0]));
        for (std::size_t j = 1; j < fieldCount; ++j) {
            const double v = j < fields.size() ? graphFieldValue(fields[j]) : kMissing;
            d.values[j - 1].push_back(v);
            if (!isMissing(v)) {
                d.yMax = std::max(d.yMax, v);
            }
        }
    }
    if (d.rowCount() == 0) {
        return fail("There is no data line");
    }
    *data = std::move(d);
    return true;
}

} // namespace vesk
