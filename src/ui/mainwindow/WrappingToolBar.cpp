#include "ui/mainwindow/WrappingToolBar.h"

#include <QAction>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>

#include <algorithm>

namespace vesk::ui {

namespace {
// The thin line between groups of keys, drawn as the style draws a toolbar's separator.
class KeySeparator : public QWidget {
public:
    explicit KeySeparator(QWidget *parent) : QWidget(parent) {}
    QSize sizeHint() const override {
        const int extent = style()->pixelMetric(QStyle::PM_ToolBarSeparatorExtent, nullptr, this);
        return {extent, extent};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        QStyleOption opt;
        opt.initFrom(this);
        opt.state |= QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarSeparator, &opt, &p, this);
    }
};
} // namespace

WrappingToolBar::WrappingToolBar(const QString &title, QWidget *parent) : QWidget(parent) {
    setWindowTitle(title);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(heightForRows(1));
}

QAction *WrappingToolBar::addAction(const QIcon &icon, const QString &text) {
    auto *action = new QAction(icon, text, this);
    QWidget::addAction(action);
    auto *button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(m_iconSize);
    button->setToolButtonStyle(m_buttonStyle);
    button->setDefaultAction(action);
    m_items.push_back({action, button});
    return action;
}

QAction *WrappingToolBar::addSeparator() {
    auto *action = new QAction(this);
    action->setSeparator(true);
    QWidget::addAction(action);
    m_items.push_back({action, new KeySeparator(this)});
    return action;
}

void WrappingToolBar::addWidget(QWidget *widget) {
    widget->setParent(this);
    m_items.push_back({nullptr, widget});
}

QWidget *WrappingToolBar::widgetForAction(QAction *action) const {
    for (const Item &item : m_items) {
        if (item.action == action && action != nullptr) {
            return item.widget;
        }
    }
    return nullptr;
}

void WrappingToolBar::setIconSize(const QSize &size) {
    m_iconSize = size;
    for (const Item &item : m_items) {
        if (auto *button = qobject_cast<QToolButton *>(item.widget); button && item.action) {
            button->setIconSize(size);
        }
    }
}

void WrappingToolBar::setToolButtonStyle(Qt::ToolButtonStyle style) {
    m_buttonStyle = style;
    for (const Item &item : m_items) {
        if (auto *button = qobject_cast<QToolButton *>(item.widget); button && item.action) {
            button->setToolButtonStyle(style);
        }
    }
}

int WrappingToolBar::buttonHeight() const {
    int height = 0;
    for (const Item &item : m_items) {
        if (item.action && !item.action->isSeparator()) {
            height = std::max(height, item.widget->sizeHint().height());
        }
    }
    return height > 0 ? height : m_iconSize.height() + 8;
}

int WrappingToolBar::heightForRows(int rows) const {
    rows = std::max(rows, 1);
    return 2 * kMargin_px + rows * buttonHeight() + (rows - 1) * kRowGap_px;
}

bool WrappingToolBar::takesPart(const Item &item) const {
    return item.action == nullptr || item.action->isVisible();
}

int WrappingToolBar::itemWidth(const Item &item) const {
    const QWidget *w = item.widget;
    if (w->minimumWidth() == w->maximumWidth()) {
        return w->minimumWidth(); // a fixed width, as the placeholders have
    }
    return std::max(0, w->sizeHint().width());
}

template <typename Place> int WrappingToolBar::flow(int width, Place place) const {
    const int right = width - kMargin_px;
    int row = 0;
    int x = kMargin_px;
    bool rowEmpty = true;
    const Item *separator = nullptr; // placed only when a key follows it on the same row
    for (const Item &item : m_items) {
        if (!takesPart(item)) {
            continue;
        }
        if (item.action && item.action->isSeparator()) {
            if (!rowEmpty) {
                separator = &item;
            }
            continue;
        }
        const int w = itemWidth(item);
        int separatorWidth = separator ? itemWidth(*separator) : 0;
        if (!rowEmpty && x + separatorWidth + w > right) {
            ++row;
            x = kMargin_px;
            separator = nullptr;
            separatorWidth = 0;
        }
        if (separator) {
            place(*separator, row, x);
            x += separatorWidth;
            separator = nullptr;
        }
        place(item, row, x);
        x += w;
        rowEmpty = false;
    }
    return row + 1;
}

int WrappingToolBar::rowsFor(int width) const {
    return flow(width, [](const Item &, int, int) {});
}

int WrappingToolBar::arrange() {
    const int rowHeight = buttonHeight();
    std::vector<const Item *> placed;
    m_rows = flow(width(), [&](const Item &item, int row, int x) {
        item.widget->setGeometry(x, kMargin_px + row * (rowHeight + kRowGap_px), itemWidth(item), rowHeight);
        placed.push_back(&item);
    });
    for (const Item &item : m_items) {
        if (item.action) {
            item.widget->setVisible(std::find(placed.begin(), placed.end(), &item) != placed.end());
        }
    }
    setFixedHeight(heightForRows(m_rows));
    return m_rows;
}

QSize WrappingToolBar::sizeHint() const {
    int width = 2 * kMargin_px;
    for (const Item &item : m_items) {
        if (takesPart(item)) {
            width += itemWidth(item);
        }
    }
    return {width, heightForRows(m_rows)};
}

QSize WrappingToolBar::minimumSizeHint() const {
    int widest = 0;
    for (const Item &item : m_items) {
        if (takesPart(item)) {
            widest = std::max(widest, itemWidth(item));
        }
    }
    return {widest + 2 * kMargin_px, heightForRows(m_rows)};
}

void WrappingToolBar::paintEvent(QPaintEvent *) {
    QPainter p(this);
    QStyleOptionToolBar opt;
    opt.initFrom(this);
    opt.state |= QStyle::State_Horizontal;
    opt.toolBarArea = Qt::TopToolBarArea;
    opt.positionOfLine = QStyleOptionToolBar::OnlyOne;
    opt.positionWithinLine = QStyleOptionToolBar::OnlyOne;
    opt.lineWidth = style()->pixelMetric(QStyle::PM_ToolBarFrameWidth, nullptr, this);
    style()->drawControl(QStyle::CE_ToolBar, &opt, &p, this);
}

} // namespace vesk::ui
