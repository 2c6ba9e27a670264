#include "ui/ModalDialogs.h"

#include "support/Watchdog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <vector>

namespace vesk::test {

void closeDialog(QWidget *dialog) {
    if (auto *d = qobject_cast<QDialog *>(dialog)) {
        d->done(QDialog::Rejected);
    } else {
        dialog->close();
    }
}

void closeAfterFatalFailure(QWidget *dialog) {
    if (dialog != nullptr && ::testing::Test::HasFatalFailure() && dialog->isVisible()) {
        closeDialog(dialog);
    }
}

namespace {

QString oneLine(QString text) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text.simplified();
}

// The texts a window shows: its labels and the boxes one types into.
QStringList shownTexts(const QWidget *window) {
    QStringList texts;
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->isVisible() && !oneLine(label->text()).isEmpty()) {
            texts << oneLine(label->text());
        }
    }
    for (const QLineEdit *box : window->findChildren<QLineEdit *>()) {
        if (box->isVisible() && !box->text().isEmpty()) {
            texts << QStringLiteral("[") + box->text() + QStringLiteral("]");
        }
    }
    return texts;
}

} // namespace

std::string describeWindow(const QWidget *window) {
    if (window == nullptr) {
        return "(none)";
    }
    QString d = QString::fromLatin1(window->metaObject()->className());
    if (!window->objectName().isEmpty()) {
        d += QStringLiteral(" ") + window->objectName();
    }
    d += QStringLiteral(" titled \"") + window->windowTitle() + QStringLiteral("\"");
    QStringList texts;
    if (const auto *box = qobject_cast<const QMessageBox *>(window)) {
        texts << oneLine(box->text());
        if (!box->informativeText().isEmpty()) {
            texts << oneLine(box->informativeText());
        }
    } else if (const auto *files = qobject_cast<const QFileDialog *>(window)) {
        texts << QStringLiteral("folder ") + files->directory().absolutePath();
        if (const auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
            texts << QStringLiteral("name [") + name->text() + QStringLiteral("]");
        }
        texts << QStringLiteral("filter ") + files->selectedNameFilter();
    } else if (const auto *menu = qobject_cast<const QMenu *>(window)) {
        for (const QAction *a : menu->actions()) {
            if (!a->text().isEmpty()) {
                texts << a->text();
            }
        }
    } else {
        texts = shownTexts(window);
    }
    QString shown = texts.join(QStringLiteral(" | "));
    if (shown.size() > 400) {
        shown = shown.left(400) + QStringLiteral("...");
    }
    if (!shown.isEmpty()) {
        d += QStringLiteral(" showing \"") + shown + QStringLiteral("\"");
    }
    return d.toStdString();
}

QWidget *topInputWindow() {
    if (QWidget *popup = QApplication::activePopupWidget()) {
        return popup;
    }
    return QApplication::activeModalWidget();
}

namespace {

// The open modal windows and popups, topmost first.
std::vector<QWidget *> openModalWindows() {
    std::vector<QWidget *> open;
    if (QWidget *popup = QApplication::activePopupWidget()) {
        open.push_back(popup);
    }
    if (QWidget *top = QApplication::activeModalWidget()) {
        open.push_back(top);
    }
    // Modal windows below the active one, in no particular order.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->isModal() && std::find(open.begin(), open.end(), w) == open.end()) {
            open.push_back(w);
        }
    }
    return open;
}

} // namespace

std::string describeModalWindows() {
    std::string d;
    for (QWidget *w : openModalWindows()) {
        d += (d.empty() ? "" : "; ") + describeWindow(w);
    }
    return d.empty() ? "none" : d;
}

int closeModalWindows() {
    int closed = 0;
    // Each round closes the topmost; one that refuses to close ends the work, as what lies below it
    // cannot be reached.
    for (QWidget *top = topInputWindow(); top != nullptr; top = topInputWindow()) {
        closeDialog(top);
        if (top->isVisible()) {
            break;
        }
        ++closed;
    }
    return closed;
}

void typeIntoFileDialog(const QString &name, const QString &filterStart, bool focusFirst) {
    untilClosed<QFileDialog>([name, filterStart, focusFirst](QFileDialog *dialog) {
        auto *box = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(box, nullptr) << "the file dialog has no name box";
        if (focusFirst) {
            QApplication::setActiveWindow(dialog);
            box->setFocus();
            ASSERT_TRUE(box->hasFocus());
        }
        for (const QString &filter : dialog->nameFilters()) {
            if (!filterStart.isEmpty() && filter.startsWith(filterStart)) {
                dialog->selectNameFilter(filter);
                Q_EMIT dialog->filterSelected(filter);
            }
        }
        box->setText(name);
        static_cast<QDialog *>(dialog)->accept(); // the dialog checks the name as its Save button does
    });
}

void printIntoFile(const QString &typed, PrintConfirm way, QString *offered, std::vector<std::string> *asked,
                   bool *keptOpen) {
    ModalWatch w;
    w.kind = QPrintDialog::staticMetaObject.className();
    w.match = [](QWidget *widget) -> QWidget * { return qobject_cast<QPrintDialog *>(widget); };
    w.act = [=](QWidget *window) {
        QPointer<QWidget> dialog(window);
        OnEachModal<QMessageBox> boxes([asked](QMessageBox *box) {
            asked->push_back(box->text().toStdString());
            box->button(box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok)->click();
        });
        auto *printers = window->findChild<QComboBox *>(QStringLiteral("printers"));
        auto *field = window->findChild<QLineEdit *>(QStringLiteral("filename"));
        auto *buttons = window->findChild<QDialogButtonBox *>();
        ASSERT_TRUE(printers != nullptr && field != nullptr && buttons != nullptr);
        printers->setCurrentIndex(printers->count() - 1); // Print to File (PDF)
        *offered = field->text();
        QApplication::setActiveWindow(window);
        field->setFocus();
        if (!typed.isEmpty()) {
            field->selectAll();
            QTest::keyClicks(field, typed);
        }
        switch (way) {
        case PrintConfirm::Click:
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
            break;
        case PrintConfirm::Enter:
            QTest::keyClick(field, Qt::Key_Return);
            break;
        case PrintConfirm::AltP:
            QTest::keyClick(field, Qt::Key_P, Qt::AltModifier); // the button clicks a moment later
            break;
        case PrintConfirm::Chooser: {
            auto *browse = window->findChild<QAbstractButton *>(QStringLiteral("fileBrowser"));
            ASSERT_TRUE(browse != nullptr);
            untilClosed<QFileDialog>([](QFileDialog *chooser) { static_cast<QDialog *>(chooser)->accept(); });
            QTest::mouseClick(browse, Qt::LeftButton);
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
            break;
        }
        }
        // The questions the dialog asks as it takes the name are answered while this waits; a message
        // answered is handled to its end before the wait looks again.
        QElapsedTimer clock;
        clock.start();
        while (dialog && dialog->isVisible() && !(keptOpen && !asked->empty()) &&
               clock.elapsed() < kModalCloseSeconds * 1000) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(5);
        }
        if (keptOpen) {
            *keptOpen = dialog && dialog->isVisible();
            if (*keptOpen) {
                closeDialog(dialog);
            }
        }
    };
    startModalWatch(std::move(w));
}

// ---- Watches

namespace {

// The windows some watch acts on or waits to see close: no other watch takes them.
std::vector<QPointer<QWidget>> &claimed() {
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}
bool isClaimed(const QWidget *w) {
    for (const QPointer<QWidget> &c : claimed()) {
        if (c == w) {
            return true;
        }
    }
    return false;
}
void claim(QWidget *w) {
    claimed().emplace_back(w);
}
void release(const QWidget *w) {
    auto &c = claimed();
    c.erase(
        std::remove_if(c.begin(), c.end(), [w](const QPointer<QWidget> &p) { return p.isNull() || p == w; }),
        c.end());
}

} // namespace

class ModalWatcher {
public:
    explicit ModalWatcher(ModalWatch watch) : m_watch(std::move(watch)), m_serial(currentTestSerial()) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_waiting.start();
        m_timer.start();
    }
    ~ModalWatcher() {
        if (m_target) {
            release(m_target);
        }
    }
    bool busy() const { return m_busy; }
    bool finished() const { return m_finished; }
    void stop() {
        m_finished = true;
        m_timer.stop();
        if (m_target) {
            release(m_target);
        }
    }

private:
    void tick() {
        if (m_finished) {
            return;
        }
        if (m_serial != currentTestSerial()) { // the test that started it has ended
            stop();
            return;
        }
        QWidget *top = topInputWindow();
        if (m_target.isNull() && m_acted) { // the window acted on has been destroyed
            closed();
        } else if (m_target) {
            watchClosing(top);
        } else {
            await(top);
        }
    }

    void await(QWidget *top) {
        if (top != nullptr && !isClaimed(top) && m_watch.match(top) != nullptr) {
            m_blocker = nullptr;
            m_target = top;
            claim(top);
            m_answered.start();
            act();
            return;
        }
        if (m_watch.acts == ModalActs::EachOne) {
            return;
        }
        if (top != nullptr && !isClaimed(top)) {
            if (top != m_blocker) {
                m_blocker = top;
                m_blocked.start();
            } else if (m_blocked.elapsed() > m_watch.closeSeconds * 1000LL) {
                ADD_FAILURE() << "while a " << m_watch.kind << " was awaited, " << describeWindow(top)
                              << " stayed open for " << m_watch.closeSeconds
                              << " s with nothing to answer it; the test closes it";
                closeDialog(top);
                m_blocker = nullptr;
            }
        } else {
            m_blocker = nullptr;
        }
        if (m_waiting.elapsed() > m_watch.openSeconds * 1000LL) {
            // Nothing of the kind came: what the test expects of it fails there.
            stop();
        }
    }

    void watchClosing(QWidget *top) {
        if (!m_target->isVisible()) {
            closed();
            return;
        }
        if (m_answered.elapsed() > m_watch.closeSeconds * 1000LL) {
            std::string above;
            for (QWidget *w : openModalWindows()) {
                if (w == m_target.data()) {
                    break;
                }
                above += (above.empty() ? "" : "; ") + describeWindow(w);
            }
            ADD_FAILURE() << describeWindow(m_target) << " did not close within " << m_watch.closeSeconds
                          << " s of being "
                          << (m_watch.acts == ModalActs::UntilClosed ? "acted on" : "answered")
                          << (above.empty() ? std::string() : "; above it: " + above)
                          << "; the test closes it";
            const QPointer<QWidget> target = m_target;
            for (int i = 0; i < 20 && target && target->isVisible(); ++i) {
                QWidget *t = topInputWindow();
                closeDialog(t != nullptr ? t : target.data());
            }
            closed();
            return;
        }
        if (m_watch.acts == ModalActs::UntilClosed && top == m_target.data() && m_lastAct.elapsed() >= 50) {
            act();
        }
    }

    void act() {
        m_busy = true;
        m_acted = true;
        m_timer.stop();
        const QPointer<QWidget> target = m_target;
        m_watch.act(target);
        closeAfterFatalFailure(target);
        m_lastAct.start();
        m_busy = false;
        if (!m_finished) {
            m_timer.start();
        }
    }

    void closed() {
        if (m_target) {
            release(m_target);
        }
        release(nullptr);
        m_target = nullptr;
        m_acted = false;
        if (m_watch.acts == ModalActs::EachOne) {
            return;
        }
        stop();
    }

    ModalWatch m_watch;
    unsigned long m_serial;
    QTimer m_timer;
    QPointer<QWidget> m_target; // the window acted on
    bool m_acted = false;       // m_target was set (and may since have been destroyed)
    bool m_busy = false;        // the act runs
    bool m_finished = false;
    QElapsedTimer m_waiting;     // since the watch started
    QElapsedTimer m_answered;    // since the first act on m_target
    QElapsedTimer m_lastAct;     // since the last act returned
    QPointer<QWidget> m_blocker; // another window on top while waiting
    QElapsedTimer m_blocked;     // since m_blocker came on top
};

namespace {

std::map<int, std::unique_ptr<ModalWatcher>> &watchers() {
    static std::map<int, std::unique_ptr<ModalWatcher>> all;
    return all;
}

// Drops the watches that are done and not running.
void prune() {
    auto &all = watchers();
    for (auto it = all.begin(); it != all.end();) {
        it = it->second->finished() && !it->second->busy() ? all.erase(it) : std::next(it);
    }
}

} // namespace

int startModalWatch(ModalWatch watch) {
    static int next = 0;
    prune();
    const int id = ++next;
    watchers().emplace(id, std::make_unique<ModalWatcher>(std::move(watch)));
    return id;
}

void stopModalWatch(int id) {
    auto &all = watchers();
    const auto it = all.find(id);
    if (it != all.end()) {
        it->second->stop();
    }
    prune();
}

void endModalWatches() {
    for (auto &[id, w] : watchers()) {
        w->stop();
    }
    prune();
    claimed().clear();
}

} // namespace vesk::test
