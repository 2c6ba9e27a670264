#pragma once

// Helpers shared by the tests: temporary folders, the repository's data tree
// and the shared test files. Tests never write into data/: they copy first.

#include "core/Interaction.h"

#include <sys/resource.h>

#include <csignal>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace vesk::test {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const fs::path &path() const { return m_path; }
    // Writes text (bytes as given) to a file below the folder and returns its path.
    fs::path write(const std::string &relative, const std::string &bytes) const;

private:
    fs::path m_path;
};

// Makes a folder the current folder while the object lives (the folder the
// program was started in, for the tests of names that lie below a project).
class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path &folder) : m_before(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() { fs::current_path(m_before); }
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;

private:
    fs::path m_before;
};

// While it lives, no file of this process may grow beyond `bytes` (its soft
// limit; SIGXFSZ ignored), so that a write past it fails with the system's
// "File too large", as one on a full disk fails with "No space left on
// device".
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_before.rlim_max};
        m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool set() const { return m_set; }

private:
    rlimit m_before{};
    void (*m_signal)(int) = SIG_DFL;
    bool m_set = false;
};

fs::path sourceDir();   // the repository's root
fs::path dataDir();     // the repository's data/ tree
fs::path testDataDir(); // ../shared/testdata beside the repository
// A file of the shared test folder ("mdb/nwind.mdb"); an empty path when it is missing.
fs::path sharedTestFile(const std::string &relative);
// True when WINVESK_REQUIRE_TESTDATA=1: a missing shared file then fails the test.
bool testDataRequired();
std::string readFile(const fs::path &path);
// What a file holds, short enough for a failure's message: its size and a hash of its bytes.
std::string fingerprint(const std::string &bytes);
// Every file below folder (by its fingerprint) and every folder ("<folder>"), by their path relative to it.
std::map<std::string, std::string> entriesBelow(const fs::path &folder);
// A parameterised test's name from a readable text: other than letters and digits become "_".
std::string testNameOf(std::string text);
// True when the outside program (a reader made elsewhere, "mdb-export") is on the PATH.
bool toolAvailable(const std::string &tool);
// Runs a command line and returns what it writes to standard output; *status
// (when given) receives its exit status (-1 when it could not be run).
std::string commandOutput(const std::string &command, int *status = nullptr);
// The same for a program found on the PATH, started with these arguments
// without a shell (its standard error goes to /dev/null).
std::string programOutput(const std::vector<std::string> &arguments, int *status = nullptr);
// A path quoted for a shell command line.
std::string shellQuoted(const std::string &text);
// Copies the whole data/ tree into dir, so that dir serves as AppDir.
void copyDataTree(const fs::path &dir);

// A damaged copy of a file's bytes, one damage chosen by the random source:
// a bit turned over, bytes zeroed, lost or repeated, the file cut short, a
// byte of any value; for texts (binary false) also a number replaced by an
// extreme or wrong one, or a line lost, repeated or made blank.
std::string damagedCopy(const std::string &bytes, bool binary, std::mt19937 &random);
// Where the damaged bytes differ from the original, for a failure message.
std::string describeDamage(const std::string &sample, const std::string &damaged);
// The bytes of the Access file (DateTestDatabase.mdb of the shared test
// files) with 16 bytes of its catalogue zeroed: the writer of Access files
// takes it, while the reading library loops over it for a long time, with
// ever more memory and millions of warnings.
std::string accessFileItsReaderRunsAwayOn(const fs::path &dateTestDatabase);

// Scripted answers for questions, input boxes and file choices; every message
// and question is recorded in order.
class ScriptedInteraction : public Interaction {
public:
    std::vector<std::string> messages; // texts of messages and questions, in order
    std::deque<Answer> answers;        // taken front first; empty -> the default answer
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::optional<std::string>> files;
    std::vector<FileChoice> fileChoices; // every file dialog asked for, in order
    // When set, file choices are made by it (the program's own file dialog, typed into) instead of files.
    std::function<std::optional<std::string>(const FileChoice &)> chooser;

    void message(const std::string &text, Icon icon, const std::string &title) override;
    Answer question(const std::string &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                    const std::string &title) override;
    std::optional<std::string> inputBox(const std::string &prompt, const std::string &title,
                                        const std::string &defaultText) override;
    std::optional<std::string> chooseFile(const FileChoice &choice) override;
};

// How a message names the holder of a table file, a process of this user on
// this computer: "process 4711 of the user ana on ws1".
std::string heldBy(int pid);

// The user (and group) nobody, whom tests run as root become to act as a second user.
inline constexpr unsigned kNobody = 65534;
// Why the user nobody cannot enter folder (one of the folders on its way is
// closed to that user, as a TMPDIR of mode 0700 is): the reason for a test
// that acts as that user to skip, naming the folder; "" when it can.
std::string whyNobodyCannotEnter(const fs::path &folder);
// What work returns, done as the user nobody: in a child process of this one
// that takes that user's ids (the test runs as root). A text beginning "not
// done as the user nobody: " when the child could not become that user or
// did not finish within the time.
std::string asNobody(const std::function<std::string()> &work, int seconds = 60);

// Another process that takes hold of something (opens or locks a file: `hold`
// runs in a child of this process) and keeps it until the object ends. The
// child ends without tidying up, as a program that is killed: what it locked
// is released, what it created is left.
class OtherProcess {
public:
    explicit OtherProcess(const std::function<bool()> &hold);
    ~OtherProcess();
    OtherProcess(const OtherProcess &) = delete;
    OtherProcess &operator=(const OtherProcess &) = delete;

    // Whether hold() succeeded in the child.
    bool holding() const { return m_holding; }
    // The child's process id (-1 once it has ended).
    int pid() const { return m_pid; }
    // Ends the child and waits for it.
    void end();

private:
    int m_pid = -1;
    int m_stay = -1; // the child lives while this end of a pipe is open
    bool m_holding = false;
};

} // namespace vesk::test

// Skips the test naming the missing outside program (or fails it when the
// shared files are required, as CI, whose scripts install the programs, does).
#define WINVESK_NEEDS_TOOL(tool)                                                                             \
    if (!::vesk::test::toolAvailable(tool)) {                                                                \
        const std::string missing =                                                                          \
            std::string("the outside program ") + (tool) + " is missing (scripts/deps.sh installs it)";      \
        if (::vesk::test::testDataRequired()) {                                                              \
            FAIL() << missing;                                                                               \
        }                                                                                                    \
        GTEST_SKIP() << missing;                                                                             \
    }

// Skips the test (or fails it when the shared files are required) when path is empty.
#define WINVESK_NEEDS_SHARED_FILE(path)                                                                      \
    if ((path).empty()) {                                                                                    \
        const std::string missing =                                                                          \
            "the shared test files are missing: " + ::vesk::test::testDataDir().string();                    \
        if (::vesk::test::testDataRequired()) {                                                              \
            FAIL() << missing;                                                                               \
        }                                                                                                    \
        GTEST_SKIP() << missing;                                                                             \
    }
