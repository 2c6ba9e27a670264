#include "project/StandardFileList.h"

#include "core/ListWriters.h"
#include "core/RecordIO.h"
#include "core/TextIO.h"

#include <algorithm>
#include <set>

namespace vesk {

namespace {

int length(const std::string &text) {
    return static_cast<int>(utf8CodePoints(text).size());
}

} // namespace

int blankShowName(const std::vector<StandardFile> &files) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (trim(files[i].name).empty()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string standardFileListProblem(const std::vector<StandardFile> &files) {
    std::set<std::string> names;
    for (const StandardFile &f : files) {
        for (const auto &[what, text] : {std::pair<const char *, const std::string &>{"The name", f.name},
                                         {"The file name", f.fileName},
                                         {"The help text", f.helpText}}) {
            if (std::string p = quotedTextProblem(what, text); !p.empty()) {
                return p;
            }
        }
        if (trim(f.fileName).empty()) {
            return "The file of " + f.name + " has no name.";
        }
        if (!names.insert(toLower(trim(f.name))).second) {
            return "Two files are shown as " + f.name + ": every file needs a name of its own.";
        }
    }
    return {};
}

std::string standardFileListText(const std::vector<StandardFile> &files, StandardListKind kind) {
    const bool met = kind == StandardListKind::MetBack;
    std::string out = met ? "Name,              FileName,              HelpText"
                          : "Name,         FileName,        HelpText";
    out += "\r\n";
    int w1 = 0, w2 = 0;
    for (const StandardFile &f : files) {
        w1 = std::max(w1, length(f.name));
        w2 = std::max(w2, length(f.fileName));
    }
    const int a = met ? 4 : 5, b = met ? 3 : 5;
    for (const StandardFile &f : files) {
        ColumnLine line;
        line.text("\"" + f.name + "\",").at(w1 + a).text("\"" + f.fileName + "\",").at(w1 + a + w2 + b);
        line.text("\"" + f.helpText + "\"");
        out += line.str() + "\r\n";
    }
    return out;
}

} // namespace vesk
