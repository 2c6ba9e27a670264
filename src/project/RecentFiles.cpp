#include "project/RecentFiles.h"

#include "core/TextIO.h"
#include "project/ProjectState.h"

namespace vesk {

namespace {
constexpr const char *kSection = "MRUFiles";

void syncIndex(ProjectState &s) {
    s.MRULastIndex = static_cast<int>(s.MRUFiles.size()) - 1;
}
} // namespace

void LoadMRUList(ProjectState &s, const Settings &settings) {
    std::vector<std::string> saved;
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        std::string path = settings.value(kSection, std::to_string(i));
        if (path.empty()) {
            break;
        }
        saved.push_back(path);
    }
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
        AddMRUFile(s, *it);
    }
}

void AddMRUFile(ProjectState &s, const std::string &path) {
    const int index = FindMRUFile(s, path);
    if (index < 0) {
        InsertMRUFile(s, path);
    } else {
        MoveMRUToTop(s, path, index);
    }
}

int FindMRUFile(const ProjectState &s, const std::string &path) {
    for (size_t i = 0; i < s.MRUFiles.size(); ++i) {
        if (iequals(s.MRUFiles[i], path)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void MoveMRUToTop(ProjectState &s, const std::string &path, int index) {
    if (index < 0 || index >= static_cast<int>(s.MRUFiles.size())) {
        return;
    }
    s.MRUFiles.erase(s.MRUFiles.begin() + index);
    s.MRUFiles.insert(s.MRUFiles.begin(), path);
    syncIndex(s);
}

void InsertMRUFile(ProjectState &s, const std::string &path) {
    s.MRUFiles.insert(s.MRUFiles.begin(), path);
    if (static_cast<int>(s.MRUFiles.size()) > kMaxRecentFiles) {
        s.MRUFiles.resize(kMaxRecentFiles);
    }
    syncIndex(s);
}

void SaveMRUList(const ProjectState &s, Settings &settings) {
    for (size_t i = 0; i < s.MRUFiles.size(); ++i) {
        settings.setValue(kSection, std::to_string(i), s.MRUFiles[i]);
    }
}

std::string MRUCaption(const ProjectState &s, int index) {
    if (index < 0 || index >= static_cast<int>(s.MRUFiles.size())) {
        return {};
    }
    return "&" + std::to_string(index + 1) + " " + s.MRUFiles[index];
}

} // namespace vesk
