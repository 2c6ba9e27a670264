#pragma once

// The writer of the standard file lists MetBack.lst (the country's standard
// meteorology and background files) and StrTrf.lst (its standard traffic
// files); readStandardFileList of FormatFiles.h reads them. A header line,
// then one record per file: show name, file name and help text, each a
// quoted text. The file name starts at column W1 + a and the help text at
// W1 + a + W2 + b, where W1 is the longest show name and W2 the longest
// file name (a, b: 4 and 3 in MetBack.lst, 5 and 5 in StrTrf.lst).

#include "project/FormatFiles.h"

#include <string>
#include <vector>

namespace vesk {

enum class StandardListKind { MetBack, Traffic };

// "" when the list can be written and read back; else the refusal. A blank
// show name is left to the caller (it selects the entry); here: a double
// quote or line end in a text, an empty file name, two files of one name.
std::string standardFileListProblem(const std::vector<StandardFile> &files);
std::string standardFileListText(const std::vector<StandardFile> &files, StandardListKind kind);
// The 0-based entry whose show name is blank, -1 when none.
int blankShowName(const std::vector<StandardFile> &files);

} // namespace vesk
