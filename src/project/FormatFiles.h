#pragma once

// Format files: a data file's lists kept outside the project, so that one
// column layout can be given to another data file. A format file is plain
// text of three or four lines, each the text of one list as it stands (no
// header, no quoting added): the variable list, the format list, the scaling
// list and, for statistics files only, the rows list. Every line ends with
// CR LF; an empty list is an empty line, so the lines keep their places.
// MetBack.fmt in the national lists folder is the common layout (three
// lines) of the country's standard meteorology and background files.
//
// Also here: the standard file lists MetBack.lst and StrTrf.lst (a header
// line, then one record per file: show name, file name, help text, each a
// quoted string).

#include "project/FileLists.h"
#include "project/SafeSave.h"

#include <string>
#include <vector>

namespace vesk {

// The text of a format file for the lists; the rows line only withRows
// (statistics files).
std::string formatFileText(const FileFormatLists &lists, bool withRows);

// Writes a format file through a temporary file and a rename.
FileSaveResult writeFormatFile(const std::string &path, const FileFormatLists &lists, bool withRows);

// Reads the first lines of a format file (at most four, whole lines, a comma
// or quote inside a line does not split it). An empty file gives no line.
// False with a message naming the file when it cannot be read.
bool readFormatFile(const std::string &path, std::vector<std::string> *lines, std::string *error);

// The lists after loading format-file lines into them: line 1 the variable
// list, 2 the format list, 3 the scaling list, 4 the rows list only for kind
// 4 (statistics files; ignored for other kinds). Lists without a line keep
// their text.
FileFormatLists applyFormatFileLines(FileFormatLists lists, const std::vector<std::string> &lines, int kind);

// MetBack.fmt of a lists folder (ending in "/"): its three lists. False with
// a message when the file cannot be read or holds fewer than three lines.
bool readMetBackFormat(const std::string &listsDir, FileFormatLists *lists, std::string *error);

struct StandardFile {
    std::string name;     // shown in the choice boxes
    std::string fileName; // MetBack.lst: as a data file name; StrTrf.lst: in the national traffic folder
    std::string helpText;
};

// Reads MetBack.lst or StrTrf.lst: the header line is skipped, then records
// until the end of the file. False with a message naming the file when it
// cannot be read or a record is incomplete.
bool readStandardFileList(const std::string &path, std::vector<StandardFile> *files, std::string *error);

} // namespace vesk
