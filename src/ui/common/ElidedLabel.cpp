#include "ui/common/ElidedLabel.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>

namespace vesk::ui {

ElidedLabel::ElidedLabel(QWidget *parent) : QLabel(parent) {}

QString ElidedLabel::shownText() const {
    const int width = contentsRect().width() - 2 * margin() - 2 * indent();
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, std::max(width, 0));
}

QSize ElidedLabel::sizeHint() const {
    const QSize full = QLabel::sizeHint();
    return {std::min(full.width(), 60), full.height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QSize full = QLabel::minimumSizeHint();
    return {std::min(full.width(), 40), full.height()};
}

void ElidedLabel::paintEvent(QPaintEvent *event) {
    QFrame::paintEvent(event); // the frame only; the text is painted shortened below
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    const QRect area =
        contentsRect().adjusted(margin() + indent(), margin(), -margin() - indent(), -margin());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), option.palette, isEnabled(),
                          shownText(), foregroundRole());
}

bool ElidedLabel::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && shownText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

} // namespace vesk::ui
