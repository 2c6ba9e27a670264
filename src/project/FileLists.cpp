#include "project/FileLists.h"

#include "core/Paths.h"
#include "core/TextIO.h"
#include "project/ProjectState.h"
#include "project/ProjectText.h"
#include "project/ProjectWriter.h"

#include <algorithm>
#include <utility>

namespace vesk {

namespace {

// The tables of one data-file kind.
struct KindTables {
    int *count = nullptr;
    FileNameTable *files = nullptr, *vars = nullptr, *formats = nullptr, *scalings = nullptr, *rows = nullptr;
    FileFlagTable *checked = nullptr;
};

KindTables tablesOf(ProjectState &s, int kind) {
    switch (kind) {
    case kInputFileKind:
        return {&s.NumInputFiles,     &s.InputFiles, &s.InputVarLists,   &s.InputFormatLists,
                &s.InputScalingLists, nullptr,       &s.InputFileChecked};
    case kOutputFileKind:
        return {&s.NumOutputFiles,     &s.OutputFiles, &s.OutputVarLists,   &s.OutputFormatLists,
                &s.OutputScalingLists, nullptr,        &s.OutputFileChecked};
    case kStatFileKind:
        return {&s.NumStatFiles,     &s.StatFiles,    &s.StatVarLists,   &s.StatFormatLists,
                &s.StatScalingLists, &s.StatRowLists, &s.StatFileChecked};
    default:
        return {};
    }
}

KindTables tablesOf(const ProjectState &s, int kind) {
    return tablesOf(const_cast<ProjectState &>(s), kind);
}

void swapEntries(KindTables &t, int a, int b) {
    for (FileNameTable *table : {t.files, t.vars, t.formats, t.scalings, t.rows}) {
        if (table) {
            std::swap((*table)[a], (*table)[b]);
        }
    }
    std::swap((*t.checked)[a], (*t.checked)[b]);
}

void copyEntry(KindTables &t, int from, int to) {
    for (FileNameTable *table : {t.files, t.vars, t.formats, t.scalings, t.rows}) {
        if (table) {
            (*table)[to] = (*table)[from];
        }
    }
    (*t.checked)[to] = (*t.checked)[from];
}

bool validPosition(const ProjectState &s, int kind, int position) {
    return position >= 0 && position < fileCount(s, kind);
}

void changed(ProjectState &s) {
    recountFileRecords(s);
    s.ProjectChanged = true;
}

// Makes item position of the traffic list the file in use, at the top.
void useTrafficItem(ProjectState &s, int position) {
    auto &items = s.TrafficListItems;
    std::string name = items[position];
    items.erase(items.begin() + position);
    items.insert(items.begin(), name);
    s.TrafficFile = name;
    s.TrafficFileLoaded = false;
}

} // namespace

int fileCount(const ProjectState &s, int kind) {
    if (kind == kTrafficFileKind) {
        return static_cast<int>(s.TrafficListItems.size());
    }
    auto t = tablesOf(s, kind);
    return t.count ? *t.count : 0;
}

std::string fileNameAt(const ProjectState &s, int kind, int position) {
    if (!validPosition(s, kind, position)) {
        return {};
    }
    if (kind == kTrafficFileKind) {
        return s.TrafficListItems[position];
    }
    return (*tablesOf(s, kind).files)[position + 1];
}

bool fileChecked(const ProjectState &s, int kind, int position) {
    if (!validPosition(s, kind, position)) {
        return false;
    }
    if (kind == kTrafficFileKind) {
        return position == 0 && !s.TrafficFile.empty() && s.TrafficListItems[0] == s.TrafficFile;
    }
    return (*tablesOf(s, kind).checked)[position + 1];
}

int addFile(ProjectState &s, int kind, int position, const std::string &name, std::string *error) {
    if (kind < kInputFileKind || kind > kStatFileKind) {
        setError(error, "No File List is selected");
        return -1;
    }
    if (name.empty()) {
        setError(error, "No file name is given.");
        return -1;
    }
    if (!isStorableName(name)) {
        setError(error, unstorableNameMessage("file name"));
        return -1;
    }
    if (fileCount(s, kind) >= kMaxFilesPerKind) {
        setError(error, "A file list holds at most 20 files. Remove a file before adding another one.");
        return -1;
    }
    if (kind == kTrafficFileKind) {
        s.TrafficListItems.insert(s.TrafficListItems.begin(), name);
        s.TrafficFile = name;
        s.TrafficFileLoaded = false;
        changed(s);
        return 0;
    }
    auto t = tablesOf(s, kind);
    const int at = std::clamp(position + 1, 0, *t.count); // 0-based position of the new file
    ++*t.count;
    for (int i = *t.count; i > at + 1; --i) {
        copyEntry(t, i - 1, i);
    }
    (*t.files)[at + 1] = name;
    (*t.checked)[at + 1] = true;
    (*t.vars)[at + 1].clear();
    (*t.formats)[at + 1] = "*";
    (*t.scalings)[at + 1] = "*";
    if (t.rows) {
        (*t.rows)[at + 1].clear();
    }
    changed(s);
    return at;
}

bool changeFile(ProjectState &s, int kind, int position, const std::string &name, std::string *error) {
    if (!validPosition(s, kind, position)) {
        return fail(error, "No File is selected");
    }
    if (name.empty()) {
        return fail(error, "No file name is given.");
    }
    if (!isStorableName(name)) {
        return fail(error, unstorableNameMessage("file name"));
    }
    if (kind == kTrafficFileKind) {
        s.TrafficListItems[position] = name;
        useTrafficItem(s, position);
    } else {
        auto t = tablesOf(s, kind);
        (*t.files)[position + 1] = name;
        (*t.checked)[position + 1] = true;
    }
    changed(s);
    return true;
}

bool removeFile(ProjectState &s, int kind, int position, std::string *error) {
    if (!validPosition(s, kind, position)) {
        return fail(error, "No File is selected");
    }
    if (kind == kTrafficFileKind) {
        if (fileChecked(s, kind, position)) {
            s.TrafficFile.clear();
            s.TrafficFileLoaded = false;
        }
        s.TrafficListItems.erase(s.TrafficListItems.begin() + position);
    } else {
        auto t = tablesOf(s, kind);
        for (int i = position + 1; i < *t.count; ++i) {
            copyEntry(t, i + 1, i);
        }
        --*t.count;
    }
    changed(s);
    return true;
}

int moveFile(ProjectState &s, int kind, int position, bool up) {
    if (kind == kTrafficFileKind || !validPosition(s, kind, position)) {
        return position;
    }
    const int other = up ? position - 1 : position + 1;
    if (!validPosition(s, kind, other)) {
        return position;
    }
    auto t = tablesOf(s, kind);
    swapEntries(t, position + 1, other + 1);
    changed(s);
    return other;
}

bool setFileChecked(ProjectState &s, int kind, int position, bool checked) {
    if (!validPosition(s, kind, position)) {
        return false;
    }
    if (kind != kTrafficFileKind) {
        auto t = tablesOf(s, kind);
        if ((*t.checked)[position + 1] != checked) {
            (*t.checked)[position + 1] = checked;
            s.ProjectChanged = true;
        }
        return false;
    }
    const std::string before = s.TrafficFile;
    if (checked) {
        useTrafficItem(s, position);
    } else if (fileChecked(s, kind, position)) {
        s.TrafficFile.clear();
    }
    if (s.TrafficFile == before) {
        return false;
    }
    s.TrafficFileLoaded = false;
    changed(s);
    return true;
}

FileFormatLists fileFormatLists(const ProjectState &s, int kind, int position) {
    FileFormatLists lists;
    if (kind == kTrafficFileKind || !validPosition(s, kind, position)) {
        return lists;
    }
    auto t = tablesOf(s, kind);
    const int i = position + 1;
    lists.varList = (*t.vars)[i];
    lists.formatList = (*t.formats)[i];
    lists.scalingList = (*t.scalings)[i];
    lists.rowList = t.rows ? (*t.rows)[i] : std::string();
    return lists;
}

void setFileFormatLists(ProjectState &s, int kind, int position, const FileFormatLists &lists) {
    if (kind == kTrafficFileKind || !validPosition(s, kind, position)) {
        return;
    }
    auto t = tablesOf(s, kind);
    const int i = position + 1;
    auto set = [&](std::string &target, const std::string &value) {
        if (target != value) {
            target = value;
            s.ProjectChanged = true;
        }
    };
    set((*t.vars)[i], lists.varList);
    set((*t.formats)[i], lists.formatList);
    set((*t.scalings)[i], lists.scalingList);
    if (t.rows) {
        set((*t.rows)[i], lists.rowList);
    }
}

FileColour fileColour(const ProjectState &s, int kind, int position) {
    if (!fileChecked(s, kind, position)) {
        return FileColour::Grey;
    }
    if (kind == kTrafficFileKind) {
        return FileColour::Black;
    }
    auto t = tablesOf(s, kind);
    const int i = position + 1;
    if ((*t.vars)[i].empty() || (t.rows && (*t.rows)[i].empty())) {
        return FileColour::Red;
    }
    return FileColour::Black;
}

bool runEnabled(const ProjectState &s) {
    for (int i = 1; i <= s.NumInputFiles; ++i) {
        if (s.InputFileChecked[i]) {
            return true;
        }
    }
    return false;
}

bool TestVariableList(const ProjectState &s) {
    for (int kind : {kInputFileKind, kOutputFileKind, kStatFileKind}) {
        for (int p = 0; p < fileCount(s, kind); ++p) {
            if (fileColour(s, kind, p) == FileColour::Red) {
                return true;
            }
        }
    }
    return false;
}

std::string trafficFilePath(const ProjectState &s) {
    if (s.TrafficFile.empty()) {
        return {};
    }
    return findStoredInput(s.TrafficFile, s.WorkDir, s.TrafficDir, s.AppDir);
}

void recountFileRecords(ProjectState &s) {
    s.NumFileRecords = countFileRecords(s, defaultSaveNames(s));
}

std::vector<std::string> formatDialogProjectLists(const ProjectState &s, int kind) {
    std::vector<std::string> lists;
    auto add = [&lists](const std::string &list) {
        if (!list.empty()) {
            lists.push_back(list);
        }
    };
    if (kind == kStatFileKind) {
        for (int i = 1; i <= s.NumStatFiles; ++i) {
            add(s.StatVarLists[i]);
            add(s.StatRowLists[i]);
        }
        return lists;
    }
    for (int i = 1; i <= s.NumInputFiles; ++i) {
        add(s.InputVarLists[i]);
    }
    for (int i = 1; i <= s.NumOutputFiles; ++i) {
        add(s.OutputVarLists[i]);
    }
    return lists;
}

} // namespace vesk
