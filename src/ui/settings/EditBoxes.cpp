#include "ui/settings/EditBoxes.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <vector>

namespace vesk::ui {

EditBoxes::EditBoxes(QWidget *dialog, QPushButton *ok) : QObject(dialog), m_dialog(dialog), m_ok(ok) {}

void EditBoxes::add(QLineEdit *box, Check check) {
    m_checks[box] = std::move(check);
    box->installEventFilter(this);
    connect(box, &QLineEdit::textEdited, this, [this, box] { markEdited(box); });
}

bool EditBoxes::isEdited(QLineEdit *box) const {
    return m_edited.count(box) != 0;
}

bool EditBoxes::anyEdited() const {
    return !m_edited.empty();
}

void EditBoxes::clearEdits() {
    for (auto &entry : m_checks) {
        setRed(entry.first, false);
    }
    m_edited.clear();
    m_refused.clear();
    updateOk();
}

bool EditBoxes::commitPending() {
    std::vector<QLineEdit *> pending;
    auto *focused = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    if (focused && m_edited.count(focused) != 0) {
        pending.push_back(focused);
    }
    for (QLineEdit *box : m_edited) {
        if (box != focused) {
            pending.push_back(box);
        }
    }
    for (QLineEdit *box : pending) {
        if (m_refused.count(box) != 0 || !runCheck(box)) {
            return false;
        }
    }
    return m_edited.empty();
}

void EditBoxes::markEdited(QLineEdit *box) {
    if (!ready) {
        return;
    }
    m_edited.insert(box);
    m_refused.erase(box);
    setRed(box, false);
    updateOk();
    if (edited) {
        edited(box);
    }
}

bool EditBoxes::enter(QLineEdit *box) {
    const bool wasEdited = isEdited(box);
    const bool ok = runCheck(box);
    if (ok && wasEdited && acceptedByEnter) {
        acceptedByEnter(box);
    }
    return ok;
}

bool EditBoxes::leave(QLineEdit *box, QWidget *next) {
    if (next == nullptr || m_skip.count(next) != 0 || !m_dialog->isAncestorOf(next)) {
        return !isEdited(box);
    }
    return runCheck(box);
}

bool EditBoxes::runCheck(QLineEdit *box) {
    if (!ready || !isEdited(box) || m_checking) {
        return !isEdited(box);
    }
    m_checking = true;
    const bool accepted = m_checks[box]();
    m_checking = false;
    if (accepted) {
        m_edited.erase(box);
        m_refused.erase(box);
        setRed(box, false);
        updateOk();
        return true;
    }
    m_refused.insert(box);
    setRed(box, true);
    updateOk();
    bringToFront(box);
    // After the focus change that is under way has finished.
    QTimer::singleShot(0, box, [box] { box->setFocus(Qt::OtherFocusReason); });
    return false;
}

void EditBoxes::setRed(QLineEdit *box, bool red) {
    box->setStyleSheet(red ? QStringLiteral("color: rgb(255, 0, 0);") : QString());
}

void EditBoxes::updateOk() {
    if (m_ok) {
        m_ok->setEnabled(m_refused.empty());
    }
}

void EditBoxes::bringToFront(QLineEdit *box) {
    for (QWidget *w = box; w && w != m_dialog; w = w->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(w->parentWidget());
        auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
        if (tabs) {
            tabs->setCurrentWidget(w);
        }
    }
}

bool EditBoxes::eventFilter(QObject *watched, QEvent *event) {
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (box && m_checks.count(box) != 0) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                enter(box);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            // Another window taking the focus (a message box, another program) is no leaving.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                leave(box, QApplication::focusWidget());
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vesk::ui
