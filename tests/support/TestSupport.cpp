#include "support/TestSupport.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <sys/wait.h>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

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
    if (files.empty()) {
        return std::nullopt;
    }
    auto v = files.front();
    files.pop_front();
    return v;
}

} // namespace vesk::test
