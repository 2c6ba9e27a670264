#pragma once

// Every message, question, input box and file choice of the engine goes
// through this interface. The GUI answers with Qt dialogs, the batch entry
// with documented defaults (BatchInteraction), tests with scripted answers.
// Texts are the program's own, word for word.

#include <optional>
#include <string>
#include <vector>

namespace vesk {

enum class Icon { None, Information, Exclamation, Question, Critical };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class Answer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

struct FileChoice {
    std::string title;
    std::string folder;               // folder to start in
    std::string fileName;             // proposed name
    std::vector<std::string> filters; // e.g. "Project files (*.vkp *.vkm)"
    bool save = false;                // a save dialog rather than an open dialog
    std::string field;                // what it names, for a refusal ("the project file"; "" the file)
};

class Interaction {
public:
    virtual ~Interaction() = default;

    // Shows a message with an OK button. An empty title means the program's title.
    virtual void message(const std::string &text, Icon icon = Icon::None, const std::string &title = {}) = 0;

    // Asks a question; returns the button pressed. Closing the box answers
    // Cancel where there is one, otherwise the default.
    virtual Answer question(const std::string &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                            const std::string &title = {}) = 0;

    // An input box; nullopt when cancelled.
    virtual std::optional<std::string> inputBox(const std::string &prompt, const std::string &title,
                                                const std::string &defaultText) = 0;

    // A file chooser; nullopt when cancelled. A name typed into it is read as
    // stored names are read (typedNamePath): the path chosen holds no "\", and
    // a name with a drive letter is refused naming it and choice.field.
    virtual std::optional<std::string> chooseFile(const FileChoice &choice) = 0;
};

// Batch answers: messages go to standard error, every question gets its
// default answer, input boxes and file choices are cancelled. Nothing waits.
class BatchInteraction : public Interaction {
public:
    void message(const std::string &text, Icon icon, const std::string &title) override;
    Answer question(const std::string &text, Buttons buttons, Icon icon, Answer defaultAnswer,
                    const std::string &title) override;
    std::optional<std::string> inputBox(const std::string &prompt, const std::string &title,
                                        const std::string &defaultText) override;
    std::optional<std::string> chooseFile(const FileChoice &choice) override;

    int messageCount() const { return m_messages; }

private:
    int m_messages = 0;
};

} // namespace vesk
