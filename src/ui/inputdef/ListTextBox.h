#pragma once

// The list boxes of the format dialog: multi-line text boxes that report
// their key presses (before the key is applied; the handler may swallow it),
// clicks, double clicks, mouse releases and focus losses to the dialog, in
// the order a user makes them: a click after the release, a double click
// after the box selected its word, the release after a double click as a
// release only.

#include <QPlainTextEdit>
#include <functional>

namespace vesk::ui {

class ListTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ListTextBox(const QString &name, QWidget *parent);

    std::function<bool(QKeyEvent *)> keyPressed; // true swallows the key
    std::function<void(int x)> mouseReleased;    // x in the box's pixels
    std::function<void()> clicked;
    std::function<void()> doubleClicked;
    std::function<void(QWidget *focusTo)> focusLost;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool m_afterDoubleClick = false;
};

} // namespace vesk::ui
