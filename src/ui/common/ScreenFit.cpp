#include "ui/common/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

namespace vesk::ui {

namespace {

// The frame and title bar of a window manager's usual decoration, taken
// until the program has a framed window to learn it from.
constexpr QMargins kUsualDecoration(8, 32, 8, 8);

// Properties the fit keeps on a window.
constexpr const char *kFitsItself = "vesk_fitsItselfToScreen";
constexpr const char *kFittedWith = "vesk_screenFitDecoration"; // the decoration of the last fit

bool fitted(const QWidget *window) {
    // Windows with a frame of their own: not popups, tooltips, splash screens or the desktop.
    const Qt::WindowType type = window->windowType();
    return window->isWindow() && (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool) &&
           !window->property(kFitsItself).toBool() && !window->testAttribute(Qt::WA_DontShowOnScreen);
}

QSize extent(const QMargins &m) {
    return QSize(m.left() + m.right(), m.top() + m.bottom());
}

bool g_fitting = false; // a fit's own resize and move start no further fit

} // namespace

QRect screenRoom(const QWidget *window) {
    const QScreen *screen = window != nullptr ? window->window()->screen() : nullptr;
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

QMargins knownDecoration(const QWidget *window) {
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins m(inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                     frame.bottom() - inner.bottom());
    if (m.left() < 0 || m.top() < 0 || m.right() < 0 || m.bottom() < 0) {
        return {}; // a frame being built, smaller than the window for a moment: no frame yet
    }
    return m;
}

QMargins expectedDecoration(const QWidget *window) {
    const QMargins own = knownDecoration(window);
    if (!own.isNull()) {
        return own;
    }
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = other->windowType();
        if (other != window && other->isVisible() && (type == Qt::Window || type == Qt::Dialog)) {
            const QMargins theirs = knownDecoration(other);
            if (!theirs.isNull()) {
                return theirs;
            }
        }
    }
    return kUsualDecoration;
}

QSize roomForWindow(const QWidget *window) {
    return (screenRoom(window).size() - extent(expectedDecoration(window))).expandedTo(QSize(0, 0));
}

QRect fittedFrame(const QRect &frame, const QSize &leastFrame, const QRect &room) {
    if (room.isEmpty()) {
        return frame;
    }
    QRect place(frame.topLeft(), frame.size().boundedTo(room.size()).expandedTo(leastFrame));
    if (place.right() > room.right()) {
        place.moveRight(room.right());
    }
    if (place.bottom() > room.bottom()) {
        place.moveBottom(room.bottom());
    }
    // Last, so that a frame larger than the room keeps its title bar in it.
    if (place.left() < room.left()) {
        place.moveLeft(room.left());
    }
    if (place.top() < room.top()) {
        place.moveTop(room.top());
    }
    return place;
}

void fitToScreen(QWidget *window, const QRect &room, const QMargins &decoration) {
    if (room.isEmpty() || !window->isWindow() ||
        (window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        return;
    }
    const QSize around = extent(decoration);
    // pos() is where the frame's corner is (or will be: move() places the frame).
    const QRect frame(window->pos(), window->size() + around);
    // The least size the window's layout allows, but no more than the window has now.
    const QSize least = window->minimumSize().expandedTo(window->minimumSizeHint()).boundedTo(window->size());
    const QRect place = fittedFrame(frame, least + around, room);
    if (place == frame) {
        return;
    }
    // Not a size or place the window's own code chose: a dialog shown again is still centred over
    // its parent and sized by its contents first.
    const bool moved = window->testAttribute(Qt::WA_Moved);
    const bool resized = window->testAttribute(Qt::WA_Resized);
    const bool wasFitting = g_fitting;
    g_fitting = true;
    if (place.size() != frame.size()) {
        window->resize(place.size() - around);
    }
    if (place.topLeft() != frame.topLeft()) {
        window->move(place.topLeft());
    }
    g_fitting = wasFitting;
    window->setAttribute(Qt::WA_Moved, moved);
    window->setAttribute(Qt::WA_Resized, resized);
}

void fitToScreen(QWidget *window) {
    fitToScreen(window, screenRoom(window), expectedDecoration(window));
}

void placeOver(QWidget *window, const QWidget *over) {
    const QMargins decoration = expectedDecoration(window);
    QRect frame(QPoint(), window->size() + extent(decoration));
    frame.moveCenter(over->window()->frameGeometry().center());
    window->move(frame.topLeft()); // a place of the program's own (Qt::WA_Moved), which the fit keeps
    fitToScreen(window, screenRoom(over), decoration);
}

void fitsItselfToScreen(QWidget *window) {
    window->setProperty(kFitsItself, true);
}

bool mayFitWindow(const QObject *receiver, const QEvent *event) {
    const QEvent::Type type = event->type();
    return !g_fitting &&
           (type == QEvent::Show || type == QEvent::Hide || type == QEvent::Move || type == QEvent::Resize ||
            type == QEvent::WindowActivate) &&
           receiver->isWidgetType() && static_cast<const QWidget *>(receiver)->isWindow();
}

void fitWindowAfterEvent(QObject *receiver, const QEvent *event) {
    if (receiver == nullptr || !mayFitWindow(receiver, event)) {
        return;
    }
    const QEvent::Type type = event->type();
    auto *window = static_cast<QWidget *>(receiver);
    if (!fitted(window)) {
        return;
    }
    if (type == QEvent::Hide) {
        if (window->property(kFittedWith).isValid()) {
            window->setProperty(kFittedWith, QVariant()); // shown again, it is fitted again
        }
        return;
    }
    const QVariant fittedWith = window->property(kFittedWith);
    if (type == QEvent::Show) {
        const QMargins decoration = expectedDecoration(window);
        window->setProperty(kFittedWith, QVariant::fromValue(decoration));
        fitToScreen(window, screenRoom(window), decoration);
        return;
    }
    // Moved into its frame, laid out or activated: once the window system has framed the window,
    // a frame other than the one counted with fits it again.
    const QMargins known = knownDecoration(window);
    if (!fittedWith.isValid() || known.isNull() || known == fittedWith.value<QMargins>()) {
        return;
    }
    window->setProperty(kFittedWith, QVariant::fromValue(known));
    fitToScreen(window, screenRoom(window), known);
}

} // namespace vesk::ui
