#include "ui/inputdef/FloatingFrame.h"

#include "ui/common/ScreenFit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk::ui {

namespace {
constexpr int kEdge = 9;   // pixels of the right and bottom edges that resize
constexpr int kStrip = 17; // height of the drag strip
} // namespace

FloatingFrame::FloatingFrame(const QString &name, const QString &stripName, const QString &closeName,
                             bool heightSizable, QWidget *parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_heightSizable(heightSizable) {
    setObjectName(name);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setMouseTracking(true);
    m_strip = new QLabel(this);
    m_strip->setObjectName(stripName);
    m_strip->setFixedHeight(kStrip);
    m_strip->setAutoFillBackground(true);
    QPalette p = m_strip->palette();
    p.setColor(QPalette::Window, palette().color(QPalette::Highlight));
    m_strip->setPalette(p);
    m_strip->setEnabled(false);
    m_strip->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_close = new QPushButton(QStringLiteral("X"), this);
    m_close->setObjectName(closeName);
    m_close->setFixedSize(kStrip, kStrip);
    QFont bold = m_close->font();
    bold.setBold(true);
    m_close->setFont(bold);
    m_close->setAutoDefault(false);
    m_close->setFocusPolicy(Qt::NoFocus);
    connect(m_close, &QPushButton::clicked, this, [this] {
        hide();
        if (closed) {
            closed();
        }
    });
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(3, 3, kEdge, m_heightSizable ? kEdge : 3);
    m_layout->setSpacing(3);
    auto *top = new QHBoxLayout;
    top->setSpacing(2);
    top->addWidget(m_strip, 1);
    top->addWidget(m_close);
    m_layout->addLayout(top);
}

void FloatingFrame::setContent(QWidget *content, int minimumWidth, int minimumHeight) {
    m_content = content;
    m_minimumContentWidth = minimumWidth;
    m_minimumContentHeight = minimumHeight;
    m_layout->addWidget(content, 1);
    content->setMinimumSize(minimumWidth, minimumHeight);
}

void FloatingFrame::showAt(const QPoint &globalTopLeft) {
    clearDrag();
    // Never partly off the screen: a frame that would stick out is moved back.
    const QRect room = screenRoom(parentWidget() ? parentWidget() : this);
    move(fittedFrame(QRect(globalTopLeft, size()), size(), room).topLeft());
    show();
    raise();
}

void FloatingFrame::clearDrag() {
    MovingFrame = false;
    SizingWidth = false;
    SizingHeight = false;
}

void FloatingFrame::pressAt(const QPoint &pos, const QPoint &globalPos) {
    m_dragStart = globalPos;
    m_startPosition = this->pos();
    m_startFrameSize = size();
    m_startContentSize = m_content ? m_content->size() : QSize();
    const int stripBottom = m_strip->geometry().bottom();
    MovingFrame = m_heightSizable ? pos.y() <= stripBottom : pos.y() < stripBottom;
    SizingWidth = pos.x() > width() - kEdge;
    SizingHeight = m_heightSizable && pos.y() > height() - kEdge;
    if (m_content) {
        m_content->setEnabled(false);
    }
}

void FloatingFrame::moveTo(const QPoint &pos, const QPoint &globalPos) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (m_heightSizable) {
        if (pos.y() > height() - kEdge) {
            shape = Qt::SizeVerCursor;
        }
        if (pos.x() > width() - kEdge) {
            shape = Qt::SizeHorCursor;
        }
        if (pos.x() > width() - kEdge && pos.y() > height() - 2 * kEdge) {
            shape = Qt::SizeFDiagCursor;
        }
    } else if (pos.x() > width() - kEdge) {
        shape = Qt::SizeHorCursor;
    }
    setCursor(shape);
    const QPoint delta = globalPos - m_dragStart;
    if (MovingFrame) {
        move(m_startPosition + delta);
    }
    bool widthRefused = false;
    if (SizingWidth) {
        if (m_startContentSize.width() + delta.x() >= m_minimumContentWidth) {
            resize(m_startFrameSize.width() + delta.x(), height());
        } else {
            widthRefused = true;
        }
    }
    if (SizingHeight && !widthRefused && m_startContentSize.height() + delta.y() >= m_minimumContentHeight) {
        resize(width(), m_startFrameSize.height() + delta.y());
    }
}

void FloatingFrame::release() {
    clearDrag();
    if (m_content) {
        m_content->setEnabled(true);
    }
}

void FloatingFrame::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        pressAt(event->position().toPoint(), event->globalPosition().toPoint());
    }
    QFrame::mousePressEvent(event);
}

void FloatingFrame::mouseMoveEvent(QMouseEvent *event) {
    moveTo(event->position().toPoint(), event->globalPosition().toPoint());
    QFrame::mouseMoveEvent(event);
}

void FloatingFrame::mouseReleaseEvent(QMouseEvent *event) {
    release();
    QFrame::mouseReleaseEvent(event);
}

} // namespace vesk::ui
