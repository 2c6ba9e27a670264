// The editing aids of the format dialog: the pop-up known-variable list that
// follows typing and double clicks, word selection at the caret, Delete Item,
// the project-list pop-up, and the check that walks the user through every
// unknown name of a list.
//
// The walk does not wait in a loop of its own: it selects the first unknown
// name, reports it and opens the known-variable list under it. The keyboard
// stays in the box: typing replaces the selected name (the list follows the
// letters), Down goes into the list. A pick from the list, Escape, Enter in
// the box and Delete Item move the walk on to the next name. Checks asked
// for while a walk is under way run after it.
//
// OK stays disabled while a checked list holds a name that is not known
// (during the walk and after it, until the name is corrected), so that no
// list a run would refuse is stored.

#include "ui/inputdef/frmFormatFile.h"

#include "core/Interaction.h"
#include "ui/inputdef/ListTextBox.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

namespace vesk::ui {

namespace {

bool isSeparator(QChar c) {
    return c == QLatin1Char(',') || c == QLatin1Char(' ');
}

int qtLength(const std::string &utf8) {
    return static_cast<int>(QString::fromStdString(utf8).size());
}

} // namespace

// ---- The known-variable list -------------------------------------------------------

void frmFormatFile::setListTop(ListTextBox *box) {
    const QPoint topLeft = box->mapTo(this, QPoint(0, 0));
    ListTop = box == boxRows ? topLeft.y() - ListVariables->height() : topLeft.y() + box->height();
}

void frmFormatFile::ShowKnownList(int index, bool warn) {
    ListVariables->setVisible(true);
    QWidget *box = ActiveListBox ? static_cast<QWidget *>(ActiveListBox) : Frame1;
    int left = box->mapTo(this, QPoint(ListLeft, 0)).x();
    if (left > width() - ListVariables->width()) {
        left = width() - ListVariables->width();
    }
    ListVariables->move(std::max(0, left), std::max(0, ListTop));
    ListVariables->raise();
    if (index < 0 || index >= ListVariables->count()) {
        ListVariables->setCurrentRow(-1);
        ListVariables->clearSelection();
        if (warn) {
            m_interaction.message("Variable name not valid", Icon::Critical);
        }
        return;
    }
    ListVariables->setCurrentRow(index);
    ListVariables->scrollToItem(ListVariables->item(index));
}

void frmFormatFile::hideKnownList() {
    ListVariables->hide();
}

// ---- Typing and clicking in the variable and rows boxes ----------------------------

bool frmFormatFile::boxKeyPress(ListTextBox *box, QKeyEvent *event) {
    const int key = event->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (key == Qt::Key_Down && ListVariables->isVisible()) {
        ListVariables->setFocus();
        return true;
    }
    if (key == Qt::Key_Escape &&
        (ListVariables->isVisible() || (m_waitingForPick && box == m_correctionBox))) {
        // Escape closes the list the typing opened (and leaves an unknown
        // name as it is), not the dialog.
        ListVariables_Escape();
        return true;
    }
    const QString text = event->text();
    const bool backspace = key == Qt::Key_Backspace;
    if (!enter && !backspace && (text.isEmpty() || !text.at(0).isPrint())) {
        return false; // keys that type nothing (arrows, Ctrl combinations) are the box's own
    }
    const QChar ch = text.isEmpty() ? QChar() : text.at(0);
    ActiveListBox = box;
    setListTop(box);
    ListChecked = false;
    hideKnownList();
    if (ch == QLatin1Char('"')) {
        TrackTyping = false;
        return false;
    }
    if (box->toPlainText().isEmpty()) {
        TypedWord.clear();
        WordStart = 0;
        TrackTyping = true;
    }
    if (enter) {
        TypedWord.clear();
        hideKnownList();
        if (m_waitingForPick && box == m_correctionBox) {
            // The name stands as typed: on to the next unknown name.
            TrackTyping = false;
            afterListHidden();
            return true;
        }
        if (!btnEndFormat->isEnabled() && !InCorrection) {
            CheckVariableList(); // the list as corrected by hand
        }
        if (btnEndFormat->isEnabled()) {
            btnEndFormat->setFocus();
        }
        return true;
    }
    if (backspace) {
        if (!TypedWord.empty()) {
            TypedWord.pop_back();
            WordLength = qtLength(TypedWord);
        }
        return false;
    }
    ListLeft = box->cursorRect().left();
    if (isSeparator(ch)) {
        TrackTyping = true;
        TypedWord.clear();
        WordStart = box->textCursor().selectionStart() + 1;
        WordLength = 0;
        ShowKnownList(0, false);
        return false;
    }
    if (TrackTyping) {
        TypedWord += QString(ch).toStdString();
        ShowKnownList(findKnownPrefix(m_known, TypedWord), false);
        WordLength = qtLength(TypedWord);
    }
    return false;
}

QString frmFormatFile::WordAtCaret(ListTextBox *box) {
    QTextCursor cursor = box->textCursor();
    cursor.clearSelection();
    WordStart = 0;
    if (CaretPos < 1) {
        CaretPos = 1;
    }
    // Positions count from 1 here, as in the text; a selection start counts
    // the characters before it.
    const QString text = box->toPlainText();
    const int length = static_cast<int>(text.size());
    auto find = [&](QChar c, int from) {
        const int at = text.indexOf(c, from - 1);
        return at < 0 ? length + 1 : at + 1;
    };
    const int comma = find(QLatin1Char(','), CaretPos);
    const int blank = find(QLatin1Char(' '), CaretPos + 1);
    int end = std::min(comma, blank) - 1;
    if (end < 1) {
        end = length;
    }
    for (int p = std::min(CaretPos - 1, length); p >= 1; --p) {
        if (isSeparator(text.at(p - 1))) {
            WordStart = p;
            break;
        }
    }
    WordLength = std::max(0, end - WordStart);
    cursor.setPosition(std::min(WordStart, length));
    cursor.setPosition(std::min(WordStart + WordLength, length), QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    return cursor.selectedText();
}

void frmFormatFile::boxDoubleClick(ListTextBox *box) {
    ActiveListBox = box;
    setListTop(box);
    hideKnownList();
    ReselectOnMouseUp = true;
    const QString word = WordAtCaret(box).trimmed();
    if (ListVariables->count() > 0) {
        const int index = findKnownExact(m_known, word.toStdString());
        if (index >= 0) {
            ShowKnownList(index, true);
        }
    }
}

void frmFormatFile::boxLostFocus(ListTextBox *box, QWidget *focusTo) {
    if (focusTo == btnCancel || CheckBusy || Unloading) {
        return;
    }
    if (focusTo != ListVariables) {
        hideKnownList();
        if (!ListChecked) {
            ActiveListBox = box;
            CheckVariableList();
        }
    }
    ListChecked = false;
}

// ---- Choosing from the list, Escape, Delete Item -----------------------------------

void frmFormatFile::ListVariables_DblClick() {
    ListTextBox *box = ActiveListBox;
    QListWidgetItem *item = ListVariables->currentItem();
    if (box == nullptr || item == nullptr) {
        return;
    }
    QTextCursor cursor = box->textCursor();
    if (TrackTyping) {
        const int length = static_cast<int>(box->toPlainText().size());
        cursor.setPosition(std::min(WordStart, length));
        cursor.setPosition(std::min(WordStart + WordLength, length), QTextCursor::KeepAnchor);
    }
    const QString name = item->text();
    cursor.insertText(cursor.selectedText().contains(QLatin1Char(',')) ? name + QStringLiteral(", ") : name);
    box->setTextCursor(cursor);
    hideKnownList();
    if (box->isEnabled()) {
        box->setFocus();
    } else {
        btnEndFormat->setFocus();
    }
    ListChecked = true;
    afterListHidden();
    updateOkButton();
}

void frmFormatFile::ListVariables_Escape() {
    ResetColour = false;
    hideKnownList();
    TrackTyping = false;
    afterListHidden();
}

void frmFormatFile::btnDel_Click() {
    ListTextBox *box = ActiveListBox;
    const bool walk = m_waitingForPick && box != nullptr && box == m_correctionBox;
    if (walk && TrackTyping) {
        // The unknown name, or what the user typed in its place.
        QTextCursor cursor = box->textCursor();
        const int length = static_cast<int>(box->toPlainText().size());
        cursor.setPosition(std::min(WordStart, length));
        cursor.setPosition(std::min(WordStart + WordLength, length), QTextCursor::KeepAnchor);
        box->setTextCursor(cursor);
    }
    if (box == nullptr || !box->textCursor().hasSelection()) {
        return;
    }
    if (box->isEnabled() && !walk) {
        WordAtCaret(box);
    }
    QTextCursor cursor = box->textCursor();
    cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    box->setTextCursor(cursor);
    hideKnownList();
    if (box->isEnabled()) {
        box->setFocus();
    }
    ListChecked = true;
    afterListHidden();
}

// ---- The project-list pop-up ----------------------------------------------------------

void frmFormatFile::lstProjectList_DblClick() {
    QListWidgetItem *item = lstProjectList->currentItem();
    ListTextBox *box = ActiveListBox ? ActiveListBox : boxVariables;
    if (item != nullptr) {
        box->setPlainText(item->text());
    }
    lstProjectList->hide();
    box->setFocus();
}

void frmFormatFile::lstProjectList_CopyEntry() {
    QListWidgetItem *item = lstProjectList->currentItem();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(item ? item->text() : QString());
}

bool frmFormatFile::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ListVariables && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ListVariables_DblClick();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            ListVariables_Escape();
            return true;
        }
    }
    if (watched == lstProjectList) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Copy)) {
                lstProjectList_CopyEntry();
                return true;
            }
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                lstProjectList_DblClick();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                lstProjectList->hide();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            lstProjectList->hide();
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- The check of a list and the walk through its unknown names --------------------

void frmFormatFile::setTextRed(ListTextBox *box, bool red) {
    QPalette p = box->palette();
    const QColor colour = red ? QColor(255, 0, 0) : QColor(0, 0, 0);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Text, colour);
    }
    box->setPalette(p);
}

void frmFormatFile::CheckVariableList() {
    if (ActiveListBox != nullptr) {
        startCheck(ActiveListBox);
    }
}

void frmFormatFile::startCheck(ListTextBox *box) {
    if (m_correctionBox != nullptr) {
        if (std::find(m_pendingChecks.begin(), m_pendingChecks.end(), box) == m_pendingChecks.end()) {
            m_pendingChecks.push_back(box);
        }
        return;
    }
    if (ListVariables->isVisible() || ListVariables->count() == 0) {
        return;
    }
    const CheckedList checked = checkVariableList(boxText(box), m_known);
    setBoxText(box, checked.text);
    if (checked.unknown.empty()) {
        setTextRed(box, false);
        return;
    }
    m_unknown.clear();
    for (const UnknownName &u : checked.unknown) {
        m_unknown.push_back({u.name, static_cast<std::size_t>(qtLength(checked.text.substr(0, u.position)))});
    }
    m_notedLength = static_cast<int>(box->toPlainText().size());
    m_correctionBox = box;
    m_nextUnknown = 0;
    CheckBusy = true;
    InCorrection = true;
    setCorrectionControls(true);
    ResetColour = true;
    // The pick replaces the selected name, not a word typed before the check.
    TrackTyping = false;
    nextUnknown();
}

void frmFormatFile::setCorrectionControls(bool correcting) {
    // The box being corrected stays open to the keyboard; the other boxes
    // and the output type wait for the walk to end.
    if (correcting) {
        m_walkDisabled.clear();
        for (QWidget *w :
             std::initializer_list<QWidget *>{boxVariables, boxFormats, boxUnits, boxRows, FrameOpt}) {
            if (w != m_correctionBox && w->isEnabled()) {
                w->setEnabled(false);
                m_walkDisabled.emplace_back(w);
            }
        }
    } else {
        for (const QPointer<QWidget> &w : m_walkDisabled) {
            if (w) {
                w->setEnabled(true);
            }
        }
        m_walkDisabled.clear();
    }
    btnLoadList[0]->setEnabled(!correcting);
    btnLoadList[1]->setEnabled(!correcting);
    btnViewFile->setEnabled(!correcting);
    btnSave->setEnabled(!correcting);
    btnDel->setEnabled(correcting);
    updateOkButton();
}

std::vector<std::string> frmFormatFile::unknownNames(const ListTextBox *box) const {
    std::vector<std::string> names;
    const bool checked = box == boxVariables || (box == boxRows && m_input.kind == 4 &&
                                                 chosenOutputType() == StatOutputType::SingleStreet);
    if (!checked || m_known.empty()) {
        return names;
    }
    for (const UnknownName &u : checkVariableList(boxText(box), m_known).unknown) {
        names.push_back(u.name);
    }
    return names;
}

void frmFormatFile::updateOkButton() {
    std::vector<std::string> names = unknownNames(boxRows);
    for (std::string &name : unknownNames(boxVariables)) {
        names.push_back(std::move(name));
    }
    btnEndFormat->setEnabled(!InCorrection && names.empty());
    QString why;
    if (!names.empty()) {
        QStringList shown;
        for (const std::string &name : names) {
            shown << QString::fromStdString(name);
        }
        why = QStringLiteral("Not a known variable name: %1. Correct the list (Enter checks it) before OK.")
                  .arg(shown.join(QStringLiteral(", ")));
    }
    btnEndFormat->setToolTip(why);
    for (ListTextBox *box : {boxVariables, boxRows}) {
        if (box != m_correctionBox && unknownNames(box).empty()) {
            setTextRed(box, false); // corrected by hand
        }
    }
}

void frmFormatFile::nextUnknown() {
    ListTextBox *box = m_correctionBox;
    if (Unloading || box == nullptr) {
        return;
    }
    if (m_nextUnknown >= m_unknown.size()) {
        endCorrection();
        return;
    }
    const UnknownName &u = m_unknown[m_nextUnknown];
    CheckBusy = true;
    setTextRed(box, true);
    const int shift = static_cast<int>(box->toPlainText().size()) - m_notedLength;
    const int length = static_cast<int>(box->toPlainText().size());
    const int start = std::clamp(static_cast<int>(u.position) + shift, 0, length);
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(start);
    cursor.setPosition(std::min(start + qtLength(u.name), length), QTextCursor::KeepAnchor);
    box->setTextCursor(cursor);
    ActiveListBox = box;
    m_interaction.message(unknownNameMessage(u.name), Icon::Critical);
    if (Unloading) {
        return;
    }
    setListTop(box);
    ListLeft = box->cursorRect(cursor).left();
    const int index = findKnownPrefix(m_known, u.name.substr(0, 4));
    ShowKnownList(std::max(index, 0), false);
    if (index < 0) {
        ListVariables->clearSelection();
    }
    // Typing replaces the selected name and the list follows the letters; a
    // pick replaces the name, or what was typed in its place.
    TrackTyping = true;
    TypedWord.clear();
    WordStart = start;
    WordLength = std::min(start + qtLength(u.name), length) - start;
    box->setFocus();
    m_waitingForPick = true;
}

void frmFormatFile::afterListHidden() {
    if (!m_waitingForPick) {
        return;
    }
    m_waitingForPick = false;
    if (ResetColour && m_correctionBox) {
        setTextRed(m_correctionBox, false);
    }
    ++m_nextUnknown;
    nextUnknown();
}

void frmFormatFile::endCorrection() {
    ListTextBox *box = m_correctionBox;
    m_correctionBox = nullptr;
    m_unknown.clear();
    CheckBusy = false;
    InCorrection = false;
    setCorrectionControls(false);
    ListChecked = true;
    TrackTyping = false;
    if (box) {
        box->setEnabled(true);
        setTextRed(box, !unknownNames(box).empty()); // a name left as it was stays red
    }
    if (!m_pendingChecks.empty()) {
        ListTextBox *next = m_pendingChecks.front();
        m_pendingChecks.erase(m_pendingChecks.begin());
        startCheck(next);
    }
}

} // namespace vesk::ui
