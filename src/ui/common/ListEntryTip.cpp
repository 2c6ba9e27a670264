#include "ui/common/ListEntryTip.h"
#include "ui/common/DisplayText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTimer>

namespace vesk::ui {

namespace {
constexpr int kLeaveCheck_ms = 100;

// The margin the item delegate keeps on each side of an entry's text.
int textMargin(const QAbstractItemView *view) {
    return view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
}
} // namespace

ListEntryTip::ListEntryTip(QAbstractItemView *view) : QObject(view), m_view(view) {
    m_tip = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    m_tip->setObjectName(QStringLiteral("listEntryTip"));
    m_tip->setAttribute(Qt::WA_ShowWithoutActivating);
    m_tip->setAutoFillBackground(true);
    m_tip->setMargin(0);
    m_leaveCheck = new QTimer(this);
    m_leaveCheck->setInterval(kLeaveCheck_ms);
    connect(m_leaveCheck, &QTimer::timeout, this, [this] {
        const QPoint pos = m_view->viewport()->mapFromGlobal(QCursor::pos());
        if (!m_view->viewport()->rect().contains(pos)) {
            hide();
        }
    });
    view->viewport()->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
}

ListEntryTip::~ListEntryTip() {
    delete m_tip;
}

QRect ListEntryTip::textRect(const QModelIndex &index) const {
    QStyleOptionViewItem option;
    option.initFrom(m_view->viewport());
    option.rect = m_view->visualRect(index);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = index.data(Qt::DisplayRole).toString();
    const QVariant font = index.data(Qt::FontRole);
    option.font = font.isValid() ? font.value<QFont>() : m_view->font();
    option.fontMetrics = QFontMetrics(option.font);
    const QVariant check = index.data(Qt::CheckStateRole);
    if (check.isValid()) {
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        option.checkState = static_cast<Qt::CheckState>(check.toInt());
    }
    if (index.data(Qt::DecorationRole).isValid()) {
        option.features |= QStyleOptionViewItem::HasDecoration;
        option.decorationSize = m_view->iconSize();
    }
    option.widget = m_view;
    const QRect text = m_view->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, m_view);
    // Only the part of the entry the list shows counts.
    return text.intersected(m_view->viewport()->rect());
}

bool ListEntryTip::fits(const QModelIndex &index) const {
    if (!index.isValid()) {
        return true;
    }
    const QVariant font = index.data(Qt::FontRole);
    const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : m_view->font());
    const int room = textRect(index).width() - 2 * textMargin(m_view);
    return metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) <= room;
}

void ListEntryTip::pointerAt(const QPoint &viewportPos) {
    const QModelIndex index = m_view->indexAt(viewportPos);
    if (index == m_shown) {
        return; // the tip already shows this entry (or none)
    }
    if (!index.isValid() || fits(index)) {
        hide();
        return;
    }
    m_shown = index;
    const QVariant font = index.data(Qt::FontRole);
    m_tip->setFont(font.isValid() ? font.value<QFont>() : m_view->font());
    QPalette palette = m_tip->palette();
    const QVariant colour = index.data(Qt::ForegroundRole);
    palette.setColor(QPalette::WindowText, colour.isValid() ? colour.value<QBrush>().color()
                                                            : m_view->palette().color(QPalette::Text));
    palette.setColor(QPalette::Window, m_view->palette().color(QPalette::Base));
    m_tip->setPalette(palette);
    // A tip as wide as the screen at most: an entry of a file may be any length.
    m_tip->setText(displayText(index.data(Qt::DisplayRole).toString(), kDisplayLineChars));
    // The tip's text starts where the entry's text starts, on the same line.
    const QRect text = textRect(index);
    m_tip->setIndent(textMargin(m_view));
    m_tip->setFixedSize(m_tip->sizeHint().width(), text.height());
    m_tip->move(m_view->viewport()->mapToGlobal(text.topLeft()));
    m_tip->show();
    m_leaveCheck->start();
}

void ListEntryTip::hide() {
    m_shown = QModelIndex();
    m_tip->hide();
    m_leaveCheck->stop();
}

bool ListEntryTip::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_view->viewport()) {
        switch (event->type()) {
        case QEvent::MouseMove:
            pointerAt(static_cast<QMouseEvent *>(event)->position().toPoint());
            break;
        case QEvent::Leave:
            // The pointer may pass onto the tip that lies over the entry: only leaving the list counts.
            if (!m_view->viewport()->rect().contains(m_view->viewport()->mapFromGlobal(QCursor::pos()))) {
                hide();
            }
            break;
        case QEvent::Hide:
        case QEvent::Wheel:
        case QEvent::MouseButtonPress:
            hide();
            break;
        case QEvent::ToolTip:
            return true; // no plain tooltips: the tip shows what is cut off, over the entry
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vesk::ui
