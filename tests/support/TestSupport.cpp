#include "support/TestSupport.h"

#include "core/TextIO.h"
#include "platform/Isolation.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vesk::test {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto name = "winvesk-test-" + std::to_string(rd()) + "-" + std::to_string(counter++);
        auto candidate = fs::temp_directory_path() / name;
        if (fs::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

fs::path TempDir::write(const std::string &relative, const std::string &bytes) const {
    auto p = m_path / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << bytes;
    return p;
}

fs::path sourceDir() {
    return fs::path(WINVESK_SOURCE_DIR);
}
fs::path dataDir() {
    return sourceDir() / "data";
}
fs::path testDataDir() {
    return (sourceDir() / ".." / "shared" / "testdata").lexically_normal();
}

fs::path sharedTestFile(const std::string &relative) {
    const fs::path p = testDataDir() / relative;
    return fs::exists(p) ? p : fs::path();
}

bool testDataRequired() {
    const char *required = std::getenv("WINVESK_REQUIRE_TESTDATA");
    return required != nullptr && std::string(required) == "1";
}

std::string readFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string fingerprint(const std::string &bytes) {
    return std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(bytes));
}

std::map<std::string, std::string> entriesBelow(const fs::path &folder) {
    std::map<std::string, std::string> out;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        out[fs::relative(entry.path(), folder).string()] =
            entry.is_regular_file() ? fingerprint(readFile(entry.path())) : std::string("<folder>");
    }
    return out;
}

std::string testNameOf(std::string text) {
    for (char &c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return text;
}

bool toolAvailable(const std::string &tool) {
    return std::system(("command -v " + shellQuoted(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string shellQuoted(const std::string &text) {
    std::string q = "'";
    for (char c : text) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

std::string commandOutput(const std::string &command, int *status) {
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status) {
            *status = -1;
        }
        return out;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, n);
    }
    const int rc = pclose(pipe);
    if (status) {
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}

std::string programOutput(const std::vector<std::string> &arguments, int *status) {
    std::string out;
    int ends[2];
    if (status) {
        *status = -1;
    }
    if (arguments.empty() || ::pipe2(ends, O_CLOEXEC) != 0) {
        return out;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &a : arguments) {
        argv.push_back(const_cast<char *>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    char buffer[65536];
    for (ssize_t n; spawned == 0 && (n = ::read(ends[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(ends[0]);
    int rc = 0;
    while (spawned == 0 && ::waitpid(pid, &rc, 0) < 0 && errno == EINTR) {
    }
    if (spawned == 0 && status) {
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}

void copyDataTree(const fs::path &dir) {
    fs::copy(dataDir(), dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

void ScriptedInteraction::message(const std::string &text, Icon, const std::string &) {
    messages.push_back(text);
}

Answer ScriptedInteraction::question(const std::string &text, Buttons, Icon, Answer defaultAnswer,
                                     const std::string &) {
    messages.push_back(text);
    if (answers.empty()) {
        return defaultAnswer;
    }
    auto a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<std::string> ScriptedInteraction::inputBox(const std::string &prompt, const std::string &,
                                                         const std::string &) {
    messages.push_back(prompt);
    if (inputs.empty()) {
        return std::nullopt;
    }
    auto v = inputs.front();
    inputs.pop_front();
    return v;
}

std::optional<std::string> ScriptedInteraction::chooseFile(const FileChoice &choice) {
    fileChoices.push_back(choice);
    if (chooser) {
        return chooser(choice);
    }
    if (files.empty()) {
        return std::nullopt;
    }
    auto v = files.front();
    files.pop_front();
    return v;
}

std::string accessFileItsReaderRunsAwayOn(const fs::path &dateTestDatabase) {
    std::string bytes = readFile(dateTestDatabase);
    if (bytes.size() > 71696) {
        std::fill_n(bytes.begin() + 71680, 16, '\0');
    }
    return bytes;
}

std::string damagedCopy(const std::string &bytes, bool binary, std::mt19937 &random) {
    std::string b = bytes;
    if (b.empty()) {
        return b;
    }
    auto at = [&](std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(random);
    };
    static const char *const numbers[] = {
        "1e39", "-1e39", "2147483648", "-2147483648",          "1e-300", "nan", "inf",
        "-99",  "0",     "-1",         "99999999999999999999", "",       "abc", "\"",
        ","};
    const int kinds = binary ? 6 : 10;
    switch (std::uniform_int_distribution<int>(0, kinds - 1)(random)) {
    case 0: // one bit turned over
        b[at(b.size())] ^= static_cast<char>(1 << std::uniform_int_distribution<int>(0, 7)(random));
        break;
    case 1: { // bytes zeroed
        const std::size_t from = at(b.size());
        std::fill(b.begin() + static_cast<long>(from),
                  b.begin() + static_cast<long>(std::min(b.size(), from + 16)), '\0');
        break;
    }
    case 2: { // bytes lost
        const std::size_t from = at(b.size());
        const std::size_t count = std::uniform_int_distribution<std::size_t>(1, 64)(random);
        b.erase(from, count);
        break;
    }
    case 3: { // bytes repeated
        const std::size_t from = at(b.size());
        b.insert(from, b.substr(from, std::uniform_int_distribution<std::size_t>(1, 64)(random)));
        break;
    }
    case 4: // cut short
        b.resize(at(b.size()));
        break;
    case 5: // a byte of any value
        b[at(b.size())] = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
        break;
    case 6: { // a number replaced by an extreme or wrong one
        std::size_t from = at(b.size());
        while (from < b.size() && !std::isdigit(static_cast<unsigned char>(b[from]))) {
            ++from;
        }
        std::size_t to = from;
        while (to < b.size() && (std::isdigit(static_cast<unsigned char>(b[to])) || b[to] == '.')) {
            ++to;
        }
        b.replace(from, to - from, numbers[at(std::size(numbers))]);
        break;
    }
    case 7:
    case 8:
    case 9: { // a line lost, repeated or made blank
        const std::vector<std::string> lines = splitLines(b);
        if (lines.empty()) {
            break;
        }
        const std::size_t line = at(lines.size());
        const int how = std::uniform_int_distribution<int>(0, 2)(random);
        std::string out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i == line && how == 0) {
                continue; // lost
            }
            if (i == line) {
                out += how == 1 ? lines[i] + "\r\n" : "\r\n"; // repeated, or a blank line before it
            }
            out += lines[i] + "\r\n";
        }
        b = out;
        break;
    }
    }
    return b;
}

std::string describeDamage(const std::string &sample, const std::string &damaged) {
    std::size_t from = 0;
    while (from < sample.size() && from < damaged.size() && sample[from] == damaged[from]) {
        ++from;
    }
    std::size_t a = sample.size(), b = damaged.size();
    while (a > from && b > from && sample[a - 1] == damaged[b - 1]) {
        --a;
        --b;
    }
    auto shown = [](const std::string &s, std::size_t begin, std::size_t end) {
        std::string out;
        for (std::size_t i = begin; i < std::min(end, s.size()) && i < begin + 60; ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += c >= 32 && c < 127 ? std::string(1, static_cast<char>(c)) : std::string(hex);
        }
        return out;
    };
    const std::size_t context = from >= 20 ? from - 20 : 0;
    return "at byte " + std::to_string(from) + ": \"" + shown(sample, context, a + 10) + "\" became \"" +
           shown(damaged, context, b + 10) + "\"";
}

std::string heldBy(int pid) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const passwd *user = getpwuid(geteuid());
    return "process " + std::to_string(pid) + " of the user " +
           (user != nullptr ? std::string(user->pw_name) : std::to_string(geteuid())) + " on " + host;
}

std::string whyNobodyCannotEnter(const fs::path &folder) {
    const IsolatedResult r = runIsolated([&](std::string *bytes, std::string *error) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
            *error = "the test cannot become the user nobody: " + std::string(std::strerror(errno));
            return false;
        }
        // The first folder on the way that the user may not pass.
        fs::path way;
        for (const fs::path &part : fs::absolute(folder)) {
            way /= part;
            if (access(way.c_str(), X_OK) != 0) {
                *bytes = "the user nobody, as whom it writes, cannot enter " + way.string() + " (" +
                         std::strerror(errno) + "), which holds its folder " + folder.string() +
                         ": give TMPDIR a folder other users may pass";
                break;
            }
        }
        return true;
    });
    if (r.end != IsolatedEnd::Finished) {
        return "the test could not find out whether the user nobody may enter " + folder.string();
    }
    return r.ok ? r.bytes : r.error;
}

std::string asNobody(const std::function<std::string()> &work, int seconds) {
    const IsolatedResult r = runIsolated(
        [&](std::string *bytes, std::string *error) {
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                *error = std::strerror(errno);
                return false;
            }
            *bytes = work();
            return true;
        },
        IsolationLimits{.seconds = seconds, .wallSeconds = seconds});
    if (r.end != IsolatedEnd::Finished) {
        return "not done as the user nobody: " + isolationFailureReason(r) + " " + r.errorOutput;
    }
    return r.ok ? r.bytes : "not done as the user nobody: " + r.error;
}

OtherProcess::OtherProcess(const std::function<bool()> &hold) {
    int ready[2], stay[2];
    if (pipe(ready) != 0) {
        return;
    }
    if (pipe(stay) != 0) {
        close(ready[0]);
        close(ready[1]);
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        close(ready[0]);
        close(stay[1]);
        const char held = hold() ? '1' : '0';
        (void)!write(ready[1], &held, 1);
        char c;
        (void)!read(stay[0], &c, 1); // returns when the parent closes its end
        _exit(0);
    }
    close(ready[1]);
    close(stay[0]);
    char held = '0';
    if (m_pid > 0 && read(ready[0], &held, 1) == 1) {
        m_holding = held == '1';
    }
    close(ready[0]);
    m_stay = stay[1];
}

OtherProcess::~OtherProcess() {
    end();
}

void OtherProcess::end() {
    if (m_stay >= 0) {
        close(m_stay);
        m_stay = -1;
    }
    if (m_pid > 0) {
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

} // namespace vesk::test
