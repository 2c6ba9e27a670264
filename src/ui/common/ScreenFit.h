#pragma once

// Every window of the program lies within the room of the screen it is on:
// the screen's available geometry (the screen less task bars and docks),
// the window's frame and title bar included.
//
// The application fits each window as it is shown, after the window's own
// show handling (a dialog has been centred over its parent by then) and
// before it is put on the screen: a window larger than the room is made as
// small as the room, as far as its least size allows, and a window that
// sticks out is moved into the room. Windows whose content is larger than the
// room have scroll areas or smaller least sizes, so that making them smaller
// never hides a control. The window system adds its frame and title bar only
// once the window is on the screen: until then the fit counts with the frame
// another window of the program has, or a usual one; when the window's own
// frame becomes known and differs from the one the window was fitted with,
// the window is fitted again. A window the user has moved or resized
// afterwards is left as the user made it.
//
// A window that keeps itself within the screen by layout rules of its own
// (the main window) is marked with fitsItselfToScreen and left to them; its
// rules use the routines below.

#include <QMargins>
#include <QRect>
#include <QSize>

class QEvent;
class QObject;
class QWidget;

namespace vesk::ui {

// The room of the screen the window is on, in screen coordinates; a window
// not shown yet is on the screen of the window it belongs to. Empty when the
// program has no screen.
QRect screenRoom(const QWidget *window);

// The frame and title bar the window system has put around the window: none
// before it has framed it, nor while it builds the frame (when the frame may
// be smaller than the window for a moment).
QMargins knownDecoration(const QWidget *window);

// The frame and title bar the window will have: its own once known, else
// that of another framed window of the program, else a usual one.
QMargins expectedDecoration(const QWidget *window);

// The room the screen leaves for the window itself (its frame and title bar
// taken off).
QSize roomForWindow(const QWidget *window);

// Where a frame (the window with its decoration) that cannot be smaller than
// leastFrame lies within room: no larger than the room as far as leastFrame
// allows, and moved into the room by the least distance. A frame that stays
// larger than the room keeps its top-left corner in it, so that its title bar
// can be reached.
QRect fittedFrame(const QRect &frame, const QSize &leastFrame, const QRect &room);

// Makes a top-level window, with the given decoration, lie within room.
void fitToScreen(QWidget *window, const QRect &room, const QMargins &decoration);
// The same on the window's own screen, with the decoration it will have.
void fitToScreen(QWidget *window);

// Gives a window that the program opens beside another one (the Graphics
// window beside the main window) a place of its own before it is shown:
// centred over `over`, within the room of over's screen, and made as small
// as that room where it is larger, as far as its least size allows. A window
// left without a place is placed by the window system, which may put it
// partly below the screen.
void placeOver(QWidget *window, const QWidget *over);

// Leaves the window to its own layout rules (they use the routines above).
void fitsItselfToScreen(QWidget *window);

// What the application does for each event it has delivered: a window just
// shown, or given its frame by the window system, is fitted to its screen.
// mayFitWindow tells, before the event is delivered, whether it is one that
// may fit a window (an event of a kind that does, sent to a window), so that
// other events cost nothing more; fitWindowAfterEvent is called after those,
// with the receiver still alive (null when the event destroyed it).
bool mayFitWindow(const QObject *receiver, const QEvent *event);
void fitWindowAfterEvent(QObject *receiver, const QEvent *event);

} // namespace vesk::ui
