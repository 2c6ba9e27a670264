#include "core/Paths.h"

#include "core/TextIO.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace vesk {

namespace fs = std::filesystem;

std::string nativePath(std::string_view stored) {
    std::string s(stored);
    for (char &c : s) {
        if (c == '\\') {
            c = '/';
        }
    }
    return s;
}

std::string withTrailingSlash(std::string_view folder) {
    std::string f = nativePath(folder);
    if (!f.empty() && f.back() != '/') {
        f += '/';
    }
    return f;
}

namespace {

// A relative name holding a folder: it lies below the working folder.
bool belowWorkDir(const std::string &native) {
    return native.find('/') != std::string::npos && native.rfind("./", 0) != 0 && !isFullStoredPath(native) &&
           !hasDriveLetter(native);
}

} // namespace

bool isFullStoredPath(std::string_view stored) {
    const std::string s = nativePath(trim(stored));
    return !s.empty() && s.front() == '/';
}

bool hasDriveLetter(std::string_view stored) {
    const std::string s = trim(stored);
    const char letter = s.empty() ? ' ' : s.front();
    return s.size() >= 2 && ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) &&
           s[1] == ':';
}

std::string driveLetterRefusal(std::string_view stored, const std::string &field) {
    const std::string name = trim(stored);
    return "The name\r\n" + name + "\r\nof " + field + " begins with the drive " + name.substr(0, 2) +
           ", which this system does not have: the file is neither read nor written. Give its name without "
           "the drive: a name in the project's folder, a name below it (\"res\\Out.txt\") or a full path of "
           "this system (\"/data/Met.txt\").";
}

std::string typedDriveLetterName(std::string_view path) {
    const std::string s = trim(path);
    if (hasDriveLetter(s)) {
        return s;
    }
    std::error_code ec;
    for (std::size_t at = s.find('/'); at != std::string::npos; at = s.find('/', at + 1)) {
        const std::string rest = s.substr(at + 1);
        if (!hasDriveLetter(rest)) {
            continue;
        }
        const std::size_t end = s.find('/', at + 1);
        if (!fs::is_directory(end == std::string::npos ? s : s.substr(0, end), ec)) {
            return rest;
        }
    }
    return {};
}

std::string blankNameRefusal(const std::string &field) {
    return "The name typed for " + field + " is made of blanks only: type the name it is to have.";
}

std::optional<std::string> typedNamePath(std::string_view typed, const std::string &field,
                                         std::string *refusal) {
    const std::string name = trim(typed);
    if (name.empty() && !typed.empty()) {
        if (refusal) {
            *refusal = blankNameRefusal(field);
        }
        return std::nullopt;
    }
    if (const std::string drive = typedDriveLetterName(name); !drive.empty()) {
        if (refusal) {
            *refusal = driveLetterRefusal(drive, field);
        }
        return std::nullopt;
    }
    return nativePath(name);
}

std::optional<std::string> typedNamePathIn(std::string_view typed, const std::string &folder,
                                           const std::string &field, std::string *refusal) {
    std::optional<std::string> path = typedNamePath(typed, field, refusal);
    if (path && !path->empty() && path->front() != '/' && !trim(folder).empty()) {
        *path = joinPath(nativePath(trim(folder)), *path);
    }
    return path;
}

std::string resolveStoredName(std::string_view stored, const std::string &workDir,
                              const std::string &nationalDir) {
    const std::string s = nativePath(trim(stored));
    if (s.empty() || hasDriveLetter(s)) {
        return s;
    }
    if (s.find('/') == std::string::npos) {
        return withTrailingSlash(workDir) + s;
    }
    if (s.rfind("./", 0) == 0) {
        return withTrailingSlash(nationalDir) + s.substr(2);
    }
    if (belowWorkDir(s)) {
        return withTrailingSlash(workDir) + s;
    }
    return s;
}

std::string findStoredInput(std::string_view stored, const std::string &workDir,
                            const std::string &nationalDir, const std::string &appDir) {
    if (hasDriveLetter(stored)) {
        return resolveStoredName(stored, workDir, nationalDir); // looked for nowhere
    }
    const std::string path = findExisting(resolveStoredName(stored, workDir, nationalDir));
    const std::string s = nativePath(trim(stored));
    std::error_code ec;
    if (!belowWorkDir(s) || trim(appDir).empty() || fs::exists(path, ec)) {
        return path;
    }
    const std::string inAppDir = findExisting(withTrailingSlash(appDir) + s);
    return fs::exists(inAppDir, ec) ? inAppDir : path;
}

std::string findExisting(const std::string &path) {
    std::error_code ec;
    if (path.empty() || fs::exists(path, ec)) {
        return path;
    }
    const fs::path p(path);
    fs::path current = p.has_root_path() ? p.root_path() : fs::path(".");
    bool started = false;
    for (const auto &part : p.relative_path()) {
        const std::string name = part.string();
        if (name.empty()) {
            continue;
        }
        fs::path candidate = current / part;
        if (!fs::exists(candidate, ec)) {
            bool found = false;
            if (fs::is_directory(current, ec)) {
                // Stepped with an error code: a folder that fails half way is no match.
                for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
                    if (iequals(it->path().filename().string(), name)) {
                        candidate = it->path();
                        found = true;
                        break;
                    }
                }
            }
            if (!found) {
                return path;
            }
        }
        current = candidate;
        started = true;
    }
    if (!started) {
        return path;
    }
    std::string result = current.string();
    if (!p.has_root_path() && result.rfind("./", 0) == 0 && path.rfind("./", 0) != 0) {
        result = result.substr(2);
    }
    return result;
}

namespace {

// The rest of path below folder, with "\\" between its folders; nullopt when
// path does not lie below folder. Both are compared as written (letter case
// aside), then, for full paths, with folder and the folder holding path
// resolved through links (the file itself may be a link: its own name is kept).
std::optional<std::string> restBelow(const std::string &path, const std::string &folder) {
    auto windowsRest = [](std::string rest) {
        for (char &c : rest) {
            c = c == '/' ? '\\' : c;
        }
        return rest;
    };
    const std::string dir = withTrailingSlash(fs::path(nativePath(folder)).lexically_normal().string());
    const std::string file = fs::path(path).lexically_normal().string();
    if (dir.empty()) {
        return std::nullopt;
    }
    if (file.size() > dir.size() && startsWithI(file, dir)) {
        return windowsRest(file.substr(dir.size()));
    }
    if (file.front() != '/' || dir.front() != '/') {
        return std::nullopt;
    }
    std::error_code ec;
    const std::string realDir = withTrailingSlash(fs::weakly_canonical(dir, ec).string());
    if (ec) {
        return std::nullopt;
    }
    const fs::path realParent = fs::weakly_canonical(fs::path(file).parent_path(), ec);
    if (ec) {
        return std::nullopt;
    }
    const std::string real = withTrailingSlash(realParent.string()) + fs::path(file).filename().string();
    if (real.size() > realDir.size() && real.compare(0, realDir.size(), realDir) == 0) {
        return windowsRest(real.substr(realDir.size()));
    }
    return std::nullopt;
}

} // namespace

std::string storedNameFor(const std::string &path, const std::string &workDir,
                          const std::string &nationalDir) {
    const std::string p = nativePath(trim(path));
    if (p.empty() || p.rfind("./", 0) == 0) {
        return path; // nothing chosen, or a national name already
    }
    if (!trim(workDir).empty()) {
        if (auto rest = restBelow(p, workDir)) {
            return *rest;
        }
    }
    if (!trim(nationalDir).empty()) {
        if (auto rest = restBelow(p, nationalDir)) {
            return ".\\" + *rest;
        }
    }
    return path;
}

bool sameStoredName(std::string_view a, std::string_view b, const std::string &workDir) {
    return iequals(nativePath(storedNameFor(nativePath(a), workDir)),
                   nativePath(storedNameFor(nativePath(b), workDir)));
}

bool sameFile(const std::string &a, const std::string &b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    const std::string x = findExisting(nativePath(a));
    const std::string y = findExisting(nativePath(b));
    std::error_code ec;
    const bool bothExist = fs::exists(x, ec) && fs::exists(y, ec);
    if (bothExist) {
        const bool same = fs::equivalent(x, y, ec);
        return !ec && same;
    }
    const fs::path cx = fs::weakly_canonical(x, ec);
    const fs::path cy = ec ? fs::path() : fs::weakly_canonical(y, ec);
    return !ec && cx == cy;
}

bool sameNameButCase(const std::string &a, const std::string &b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code ec;
    const fs::path x = fs::weakly_canonical(fs::absolute(nativePath(a), ec), ec);
    if (ec) {
        return iequals(nativePath(a), nativePath(b));
    }
    const fs::path y = fs::weakly_canonical(fs::absolute(nativePath(b), ec), ec);
    return ec ? iequals(nativePath(a), nativePath(b)) : iequals(x.string(), y.string());
}

bool liesInFolder(const std::string &path, const std::string &folder) {
    if (path.empty() || folder.empty()) {
        return false;
    }
    std::error_code ec;
    const fs::path file = fs::weakly_canonical(findExisting(nativePath(path)), ec);
    if (ec) {
        return false;
    }
    const fs::path dir = fs::weakly_canonical(findExisting(nativePath(folder)), ec);
    if (ec) {
        return false;
    }
    auto f = file.begin();
    for (auto d = dir.begin(); d != dir.end(); ++d, ++f) {
        if (d->empty()) {
            continue; // the trailing "/" of a folder
        }
        if (f == file.end() || *f != *d) {
            return false;
        }
    }
    return true;
}

std::string joinPath(std::string_view dir, std::string_view name) {
    if (dir.empty()) {
        return std::string(name);
    }
    std::string n(name);
    while (!n.empty() && (n.front() == '/' || n.front() == '\\')) {
        n.erase(0, 1);
    }
    return withTrailingSlash(dir) + n;
}

std::string fileNamePart(std::string_view path) {
    const size_t pos = path.find_last_of("/\\");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string folderPart(std::string_view path) {
    const size_t pos = path.find_last_of("/\\");
    return pos == std::string_view::npos ? std::string() : nativePath(path.substr(0, pos + 1));
}

} // namespace vesk
