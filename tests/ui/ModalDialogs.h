#pragma once

// Driving the modal windows a test opens. A window shown with exec() runs an
// event loop of its own until it closes, so the test acts on it from a timer
// of that loop: a watch waits (a bounded time) for the window of the kind it
// was made for, acts on that window, and then sees it close. A window that
// stays open beyond its bound fails the test with a message that names it,
// its title and what it shows, and is closed, so that the test ends instead
// of waiting for good. Watches end with the test that started them.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace vesk::test {

// Seconds a window awaited may take to open, and one acted on to close.
inline constexpr int kModalOpenSeconds = 60;
inline constexpr int kModalCloseSeconds = 20;

// Closes a dialog as Cancel or the window's close button would.
void closeDialog(QWidget *dialog);

// Closes a dialog that a test's step left open after a fatal failure: the
// step's ASSERT returned from the step only, and the call that opened the
// dialog returns once it is closed, so that the test ends there (that call
// is wrapped in ASSERT_NO_FATAL_FAILURE).
void closeAfterFatalFailure(QWidget *dialog);

// A window for a failure message: its class, object name, title and texts
// (a message box's text, a file dialog's folder and name, labels and boxes).
std::string describeWindow(const QWidget *window);
// The window that takes the input now: an open popup menu, else the active
// modal window; null when there is none.
QWidget *topInputWindow();
// Every modal window and popup open, topmost first; "none" when there is none.
std::string describeModalWindows();
// Closes every modal window and popup open, topmost first; how many it closed.
int closeModalWindows();

enum class ModalActs {
    Once,        // act once, then see the window close
    UntilClosed, // act again while the window stays open and on top (a step that may not take at once)
    EachOne      // act on every window of the kind, each once, while the watch lives
};

struct ModalWatch {
    std::string kind;                          // the class awaited, for messages
    std::function<QWidget *(QWidget *)> match; // the window when it is of the kind awaited
    std::function<void(QWidget *)> act;        // what the test does with it
    ModalActs acts = ModalActs::Once;
    int openSeconds = kModalOpenSeconds; // not for EachOne, which waits while it lives
    int closeSeconds = kModalCloseSeconds;
};

class ModalWatcher;
// Starts a watch; it ends when its work is done, when stopModalWatch is
// called with the id returned, or at the end of the test.
int startModalWatch(ModalWatch watch);
void stopModalWatch(int id);
// Ends every watch (the test program does it as each test ends).
void endModalWatches();

// Acts on the next modal window of type T once it is open, then sees it
// close: see onModal in WindowSession.h for the usual form. Here the act is
// repeated (at most every 50 ms) while the window stays open and on top,
// until it closes; after closeSeconds the test fails and the window closes.
template <typename T> void untilClosed(std::function<void(T *)> act, int closeSeconds = kModalCloseSeconds) {
    ModalWatch w;
    w.kind = T::staticMetaObject.className();
    w.match = [](QWidget *widget) -> QWidget * { return qobject_cast<T *>(widget); };
    w.act = [act](QWidget *widget) { act(static_cast<T *>(widget)); };
    w.acts = ModalActs::UntilClosed;
    w.closeSeconds = closeSeconds;
    startModalWatch(std::move(w));
}

// Types name into the name box of the file dialog that opens next, chooses
// the filter that begins with filterStart (when given) and accepts, until the
// dialog has closed. (QFileDialog::selectFile leaves the name box as it is
// while the box has the focus, and an accept with an empty box only opens the
// folder, so the dialog stays open; whether the box has the focus by then
// depends on when the window became active.) With focusFirst the name box
// is given the focus before each step, as the window's activation does.
void typeIntoFileDialog(const QString &name, const QString &filterStart = {}, bool focusFirst = false);

// How a user confirms the print dialog: a click on its Print button, Enter
// in the file field, or the button's key (Alt+P) with the focus still there;
// or the field's "..." button, Save in the chooser it opens as it opened
// (the folder and name it starts with), then a click on Print.
enum class PrintConfirm { Click, Enter, AltP, Chooser };

// Prints into a file through the print dialog that opens next: chooses its
// file printer, types `typed` into the output file field (with "" the name
// offered stays) and confirms it as `way` says. The name the field offered
// goes to *offered, the text of every message box shown until the dialog
// has closed to *asked, each answered Yes where it offers Yes. With keptOpen,
// the dialog may stay open on a message (a name refused): the wait ends once
// one has been answered with the dialog still open, *keptOpen says whether
// it stayed open, and a dialog kept open is then cancelled.
void printIntoFile(const QString &typed, PrintConfirm way, QString *offered, std::vector<std::string> *asked,
                   bool *keptOpen = nullptr);

// Acts on every modal window of type T that opens while the object lives
// (each once, and each must close within the bound).
template <typename T> class OnEachModal {
public:
    explicit OnEachModal(std::function<void(T *)> act) {
        ModalWatch w;
        w.kind = T::staticMetaObject.className();
        w.match = [](QWidget *widget) -> QWidget * { return qobject_cast<T *>(widget); };
        w.act = [act](QWidget *widget) { act(static_cast<T *>(widget)); };
        w.acts = ModalActs::EachOne;
        m_id = startModalWatch(std::move(w));
    }
    ~OnEachModal() { stopModalWatch(m_id); }
    OnEachModal(const OnEachModal &) = delete;
    OnEachModal &operator=(const OnEachModal &) = delete;

private:
    int m_id;
};

} // namespace vesk::test
