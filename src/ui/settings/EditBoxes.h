#pragma once

// The value boxes of a settings dialog. A box the user edits is pending
// until its check has run: when Enter is pressed in the box (the key goes no
// further, so it never presses the default button), when the focus leaves
// the box for another control of the dialog, except for the buttons that put
// values back (Reset, Cancel), and when OK is pressed (commitPending), so
// that OK takes the value being typed. A refused text turns its box red,
// keeps the focus there (its tab is brought to the front first) and keeps OK
// disabled until the box is accepted or typed in again; OK is enabled
// exactly when no box is red.
//
// Texts set by the program do not count as edits.

#include <QObject>
#include <functional>
#include <map>
#include <set>

class QLineEdit;
class QPushButton;
class QWidget;

namespace vesk::ui {

class EditBoxes : public QObject {
    Q_OBJECT
public:
    // check: stores the accepted value and returns true, or shows the
    // refusal and returns false.
    using Check = std::function<bool()>;

    EditBoxes(QWidget *dialog, QPushButton *ok);

    void add(QLineEdit *box, Check check);
    // Leaving a box for this control runs no check.
    void skipFor(QWidget *control) { m_skip.insert(control); }

    // Handlers do nothing while the dialog fills its boxes.
    bool ready = false;
    // Called after each user edit of a box.
    std::function<void(QLineEdit *)> edited;
    // Called after a check accepted a box on Enter.
    std::function<void(QLineEdit *)> acceptedByEnter;

    // Pending or refused.
    bool isEdited(QLineEdit *box) const;
    bool anyEdited() const;
    bool isRefused(QLineEdit *box) const { return m_refused.count(box) != 0; }
    // Runs the check of every pending box, the one with the focus first, as
    // OK does before it closes. False when a box was refused (its message
    // shown) or is red.
    bool commitPending();
    // Every box back to normal, OK enabled.
    void clearEdits();
    // Marks a box edited as a user edit does (also for texts set by an arrow control).
    void markEdited(QLineEdit *box);

    // The check of a box as Enter runs it; true when the box is not red afterwards.
    bool enter(QLineEdit *box);
    // The focus goes from box to next (nullptr: out of the dialog). True when
    // the box is not red afterwards.
    bool leave(QLineEdit *box, QWidget *next);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool runCheck(QLineEdit *box);
    void setRed(QLineEdit *box, bool red);
    void updateOk();
    void bringToFront(QLineEdit *box);

    QWidget *m_dialog;
    QPushButton *m_ok;
    std::map<QLineEdit *, Check> m_checks;
    std::set<QLineEdit *> m_edited;  // pending or refused
    std::set<QLineEdit *> m_refused; // red
    std::set<QWidget *> m_skip;
    bool m_checking = false;
};

} // namespace vesk::ui
