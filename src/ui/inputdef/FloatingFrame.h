#pragma once

// A small frame that floats above its dialog: a window of its own, top-most,
// without a title bar. A highlighted strip across its top is its handle: a
// press there moves the frame. A press near its right edge changes its width
// and, when the frame may grow taller, near its bottom edge its height; the
// grid below never becomes narrower (lower) than its minimum. The bold "X"
// at the top right hides the frame.

#include <QFrame>
#include <functional>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vesk::ui {

class FloatingFrame : public QFrame {
    Q_OBJECT
public:
    // The strip and close button get the given object names.
    FloatingFrame(const QString &name, const QString &stripName, const QString &closeName, bool heightSizable,
                  QWidget *parent);

    // The grid (or other content) below the strip.
    void setContent(QWidget *content, int minimumWidth, int minimumHeight);
    QVBoxLayout *contentLayout() const { return m_layout; }
    QWidget *content() const { return m_content; }
    QPushButton *closeButton() const { return m_close; }
    QLabel *strip() const { return m_strip; }

    // Shows the frame with its top left at a screen position, moved back
    // where it would stick out of the screen.
    void showAt(const QPoint &globalTopLeft);

    // Drag state (for the form's fields of the same meaning).
    bool MovingFrame = false;
    bool SizingWidth = false;
    bool SizingHeight = false;
    void clearDrag();

    // Called when the close button hid the frame.
    std::function<void()> closed;

    // The steps of a drag, in frame coordinates (also called by the mouse events).
    void pressAt(const QPoint &pos, const QPoint &globalPos);
    void moveTo(const QPoint &pos, const QPoint &globalPos);
    void release();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QLabel *m_strip = nullptr;
    QPushButton *m_close = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QWidget *m_content = nullptr;
    bool m_heightSizable = false;
    int m_minimumContentWidth = 0;
    int m_minimumContentHeight = 0;
    QPoint m_dragStart;     // global pointer position where the drag began
    QPoint m_startPosition; // frame position then
    QSize m_startFrameSize; // frame size then
    QSize m_startContentSize;
};

} // namespace vesk::ui
