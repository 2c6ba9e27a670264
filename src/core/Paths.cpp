#include "core/Paths.h"

#include "core/TextIO.h"

#include <filesystem>
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

std::string storedNameFor(const std::string &path, const std::string &workDir) {
    const std::string p = nativePath(path);
    const std::string w = withTrailingSlash(workDir);
    if (!w.empty() && startsWithI(p, w)) {
        return p.substr(w.size());
    }
    return path;
}

bool sameStoredName(std::string_view a, std::string_view b, const std::string &workDir) {
    return iequals(storedNameFor(nativePath(a), workDir), storedNameFor(nativePath(b), workDir));
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
