// The main window's own layout rules, on top of the Qt layouts inside its frames.
//
// Below the menu bar lies the toolbar, whose keys wrap into as many rows as
// the window's width needs, and below it the scrolled area that holds the
// main frame Frame0 (or, with no project, the product word boxLabel). Frame0
// keeps its design size, the least that shows every frame whole. It is centred across
// the window and centred in the height below the toolbar's first row, so each
// further toolbar row pushes it down by a button height and the 6 px between
// rows. The window cannot be made narrower than 1.02 x the frame's width nor
// lower (below the menu bar) than 1.1 x (toolbar + frame) as far as the
// screen has room, so the area scrolls only on a screen too small for that.
//
// A resize is handled in two steps. The resize event does the cheap part at
// once (the width kept, the frame and the word centred across) and starts the
// zero-time single shot TimerSize; its timeout, delivered once the event loop
// is idle, does the rest a single time however many resize events came
// before it: the toolbar wrapped, the height kept, the frame placed below the
// toolbar, the country box and the mode button placed on the toolbar's last
// row. A size change the rules make themselves is made with ResizeInProgress
// set, so it starts no further re-layout. A minimised, maximised or full-
// screen window is never resized here.
//
// The window keeps itself within its screen by these rules (the application's
// fit of every other window, ui/common/ScreenFit.h, leaves it alone; the room
// and the frame are taken with the same routines). The room for the window
// is the screen's less the window's frame and title bar, which the window
// system adds only after the window is shown: the first layout fits the
// window to the whole screen. When the frame becomes
// known (the window is moved into it, activated, or laid out after a resize,
// whichever comes first), a window that the rules made as large as the whole
// screen is made to fit the room left and laid out again, so that its status
// bar does not lie below the screen's edge.

#include "ui/common/ScreenFit.h"
#include "ui/mainwindow/FileCheckList.h"
#include "ui/mainwindow/WrappingToolBar.h"
#include "ui/mainwindow/frmRun.h"

#include <QLayout>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace vesk::ui {

namespace {
constexpr double kLeastWidthPerFrameWidth = 1.02;
constexpr double kLeastHeightPerContentHeight = 1.1;
// Room right of the mode button on the toolbar band, and the gap between the
// country box and the mode button (300 and 100 twips at 15 twips a pixel).
constexpr int kCountryRoom_px = 20;
constexpr int kReturnGap_px = 7;

int rounded(double value) {
    return static_cast<int>(std::nearbyint(value)); // half to even
}
} // namespace

bool frmRun::inNormalState() const {
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

QRect frmRun::screenRect() const {
    QRect room = screenRoom ? screenRoom() : QRect();
    return room.isEmpty() ? ui::screenRoom(this) : room;
}

QSize frmRun::decorationSize() const {
    // The window's own frame and title bar, once the window system has given it one.
    if (!windowFrameSize) {
        const QMargins known = isVisible() ? knownDecoration(this) : QMargins();
        return QSize(known.left() + known.right(), known.top() + known.bottom());
    }
    const QSize decoration = windowFrameSize();
    // While the window manager builds the frame it may be smaller than the
    // window for a moment (a frame of 1 x 1): that is no frame yet.
    if (decoration.width() < 0 || decoration.height() < 0) {
        return QSize(0, 0);
    }
    return decoration;
}

QSize frmRun::fittedToFrame(QSize size, QSize decoration, QSize screen) {
    const QSize room = (screen - decoration).expandedTo(QSize(0, 0));
    if (size.width() > room.width() && size.width() <= screen.width()) {
        size.setWidth(room.width());
    }
    if (size.height() > room.height() && size.height() <= screen.height()) {
        size.setHeight(room.height());
    }
    return size;
}

void frmRun::followWindowFrame() {
    const QSize decoration = decorationSize();
    if (decoration == m_decorationLaidOut || !inNormalState() || ResizeInProgress) {
        return;
    }
    m_decorationLaidOut = decoration;
    // Before the frame was known the rules could make the window as large as
    // the whole room; now it takes the room the frame leaves. Which comes
    // first, the move into the frame, the activation or the delayed layout of
    // a resize (which may already have lowered the least size), does not
    // matter: the size is decided from the frame and the screen alone.
    ResizeInProgress = true;
    setMinimumSize(minimumSize().boundedTo(roomForWindow()));
    resize(fittedToFrame(size(), decoration, screenRect().size()));
    ResizeInProgress = false;
    Form_Resize();
}

QSize frmRun::roomForWindow() const {
    return (screenRect().size() - decorationSize()).expandedTo(QSize(0, 0));
}

void frmRun::settleFrameLayouts() {
    // A frame whose rows were shown or hidden (the mode switches) tells the
    // frame around it only when the event loop comes round to it, one level
    // at a time: until then the main frame's least size is that of the rows
    // shown before. Each layout brought up to date, from the innermost out,
    // tells the one around it at once.
    std::vector<std::pair<int, QLayout *>> layouts;
    for (QWidget *w : Frame0->findChildren<QWidget *>()) {
        if (w->layout() != nullptr) {
            int depth = 0;
            for (const QWidget *p = w; p != Frame0; p = p->parentWidget()) {
                ++depth;
            }
            layouts.emplace_back(depth, w->layout());
        }
    }
    std::stable_sort(layouts.begin(), layouts.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    for (const auto &[depth, layout] : layouts) {
        layout->activate();
    }
    Frame0->layout()->activate();
}

QSize frmRun::frameDesignSize() const {
    // The frames at the least size that shows each of them whole (their lists
    // at their least number of rows): on a 1366 x 768 screen the window holds
    // it with the margins of the rules.
    return Frame0->minimumSizeHint();
}

int frmRun::leastWidth() const {
    return std::min(rounded(kLeastWidthPerFrameWidth * Frame0->width()), roomForWindow().width());
}

int frmRun::leastClientHeight() const {
    return rounded(kLeastHeightPerContentHeight * (Toolbar1->height() + Frame0->height()));
}

void frmRun::Form_Resize() {
    const bool ownChange = ResizeInProgress;
    // Room at the end of the toolbar's last row for the country box and the mode button.
    cmbCountry->resize(cmbCountry->sizeHint().expandedTo(cmbCountry->minimumSize()));
    btnReturnStd->resize(btnReturnStd->sizeHint());
    if (auto *space = Toolbar1->findChild<QWidget *>(QStringLiteral("Space"))) {
        space->setFixedWidth(btnReturnStd->width() + cmbCountry->width() + kCountryRoom_px);
    }
    settleFrameLayouts();
    const QSize frame = frameDesignSize();
    Frame0->resize(frame);

    // Never narrower than 1.02 x the frame, as far as the screen has room.
    if (inNormalState()) {
        const int least = leastWidth();
        ResizeInProgress = true;
        setMinimumWidth(least);
        if (width() < least) {
            resize(least, height());
        }
        ResizeInProgress = false;
    }
    placeFrame0();
    if (!ownChange) {
        TimerSize->start();
    }
}

void frmRun::TimerSize_Timer() {
    ResizeInProgress = false;
    TimerSize->stop();
    followWindowFrame(); // the frame may be known by now without a move or an activation
    activateLayouts();
    Toolbar1->arrange();
    activateLayouts();

    // Never lower than 1.1 x (toolbar + frame) below the menu bar, as far as the screen has room.
    if (inNormalState()) {
        const int bars = height() - centralWidget()->height();
        const int least = std::min(leastClientHeight() + bars, roomForWindow().height());
        ResizeInProgress = true;
        setMinimumHeight(least);
        if (height() < least) {
            resize(width(), least);
        }
        ResizeInProgress = false;
        activateLayouts();
    }
    placeFrame0();
    placeCountryBox();
}

void frmRun::activateLayouts() {
    // The window's bands and the toolbar's width follow the window's size at once, shown or not.
    layout()->activate();
    centralWidget()->layout()->activate();
}

void frmRun::placeFrame0() {
    const QSize frame = Frame0->size();
    // The area scrolls when its view is smaller than the frame (a screen too small for the window).
    m_centralArea->setMinimumSize(Frame0->isHidden() ? boxLabel->minimumSize() : frame);
    const QSize area = m_centralArea->size().expandedTo(m_centralArea->minimumSize());
    // The rows after the first push the frame down by their height: the area
    // below the toolbar starts that much lower, and the frame keeps its place
    // in it as long as it fits.
    const int furtherRows = Toolbar1->height() - Toolbar1->heightForRows(1);
    const int centred = (area.height() + furtherRows - frame.height()) / 2;
    const int top = std::clamp(centred, 0, std::max(0, area.height() - frame.height()));
    const int left = std::max(0, (area.width() - frame.width()) / 2);
    Frame0->move(left, top);
    // The product word, centred both ways.
    const QSize word = frame.boundedTo(area).expandedTo(boxLabel->minimumSize());
    boxLabel->setGeometry(std::max(0, (area.width() - word.width()) / 2),
                          std::max(0, (area.height() - word.height()) / 2), word.width(), word.height());
}

void frmRun::placeCountryBox() {
    // Centred on the toolbar row that holds "Extra", at the right end of the band.
    QWidget *extra = Toolbar1->findChild<QWidget *>(QStringLiteral("Extra"));
    const int rowTop = extra ? extra->y() : WrappingToolBar::kMargin_px;
    const int rowHeight = Toolbar1->buttonHeight();
    const int left = Toolbar1->width() - (btnReturnStd->width() + cmbCountry->width() + kCountryRoom_px);
    cmbCountry->move(left, rowTop + (rowHeight - cmbCountry->height()) / 2);
    btnReturnStd->move(cmbCountry->geometry().right() + 1 + kReturnGap_px,
                       rowTop + (rowHeight - btnReturnStd->height()) / 2);
}

} // namespace vesk::ui
