#include "ui/inputdef/ListTextBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace vesk::ui {

ListTextBox::ListTextBox(const QString &name, QWidget *parent) : QPlainTextEdit(parent) {
    setObjectName(name);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void ListTextBox::keyPressEvent(QKeyEvent *event) {
    if (keyPressed && keyPressed(event)) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ListTextBox::mouseReleaseEvent(QMouseEvent *event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (mouseReleased) {
        mouseReleased(event->position().toPoint().x());
    }
    if (m_afterDoubleClick) {
        m_afterDoubleClick = false;
        return;
    }
    if (clicked) {
        clicked();
    }
}

void ListTextBox::mouseDoubleClickEvent(QMouseEvent *event) {
    QPlainTextEdit::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_afterDoubleClick = true;
    if (doubleClicked) {
        doubleClicked();
    }
}

void ListTextBox::focusOutEvent(QFocusEvent *event) {
    QPlainTextEdit::focusOutEvent(event);
    // Another window coming to the front (a message box, a pop-up) is no
    // leaving of the box.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
        return;
    }
    if (focusLost) {
        focusLost(QApplication::focusWidget());
    }
}

} // namespace vesk::ui
