#include "project/FormatFiles.h"

#include "core/RecordIO.h"
#include "core/TextIO.h"

namespace vesk {

std::string formatFileText(const FileFormatLists &lists, bool withRows) {
    std::string text = lists.varList + "\r\n" + lists.formatList + "\r\n" + lists.scalingList + "\r\n";
    if (withRows) {
        text += lists.rowList + "\r\n";
    }
    return text;
}

FileSaveResult writeFormatFile(const std::string &path, const FileFormatLists &lists, bool withRows) {
    return saveFileChecked(path, formatFileText(lists, withRows));
}

bool readFormatFile(const std::string &path, std::vector<std::string> *lines, std::string *error) {
    std::string text;
    if (!readTextFile(path, &text, error)) {
        return false;
    }
    std::vector<std::string> all = splitLines(text);
    if (all.size() > 4) {
        all.resize(4);
    }
    *lines = std::move(all);
    return true;
}

FileFormatLists applyFormatFileLines(FileFormatLists lists, const std::vector<std::string> &lines, int kind) {
    std::string *targets[] = {&lists.varList, &lists.formatList, &lists.scalingList, &lists.rowList};
    for (std::size_t i = 0; i < lines.size() && i < 4; ++i) {
        if (i == 3 && kind != 4) {
            break;
        }
        *targets[i] = lines[i];
    }
    return lists;
}

bool readMetBackFormat(const std::string &listsDir, FileFormatLists *lists, std::string *error) {
    const std::string path = listsDir + "MetBack.fmt";
    std::vector<std::string> lines;
    if (!readFormatFile(path, &lines, error)) {
        return false;
    }
    if (lines.size() < 3) {
        if (error) {
            *error = "The file " + path + " must hold three lines: the variable, format and scaling lists.";
        }
        return false;
    }
    *lists = FileFormatLists{lines[0], lines[1], lines[2], {}};
    return true;
}

bool readStandardFileList(const std::string &path, std::vector<StandardFile> *files, std::string *error) {
    RecordReader reader;
    if (!RecordReader::open(path, &reader, error)) {
        return false;
    }
    std::vector<StandardFile> read;
    try {
        if (!reader.atEnd()) {
            reader.readHeaderLine();
        }
        while (!reader.atEnd()) {
            StandardFile f;
            f.name = reader.readString();
            f.fileName = reader.readString();
            f.helpText = reader.readString();
            read.push_back(std::move(f));
        }
    } catch (const RecordError &e) {
        if (error) {
            *error = "The file " + path + " is damaged near line " + std::to_string(reader.line()) + ": " +
                     e.what();
        }
        return false;
    }
    *files = std::move(read);
    return true;
}

} // namespace vesk
