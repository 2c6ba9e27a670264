#pragma once

// The main window's toolbar: command keys (icon over caption) that wrap into
// as many rows as the window's width needs. Unlike QToolBar it never hides a
// key behind an extension menu, so every key stays on the screen however
// narrow the window. Placeholder widgets in the flow (the main window's
// "Space" and "Extra") keep room at the end of the last row for controls the
// window places there itself.
//
// The bar is laid out only when arrange() is called: the main window does it
// once the event loop is idle after a resize, not inside every resize event.

#include <QWidget>

#include <vector>

class QAction;
class QToolButton;

namespace vesk::ui {

class WrappingToolBar : public QWidget {
    Q_OBJECT
public:
    // Rows of keys lie this far apart (px); every further row adds a button height and this gap.
    static constexpr int kRowGap_px = 6;
    // Room around the keys at the bar's edges (px).
    static constexpr int kMargin_px = 2;

    explicit WrappingToolBar(const QString &title, QWidget *parent = nullptr);

    // A key: a tool button that shows and triggers the returned action.
    QAction *addAction(const QIcon &icon, const QString &text);
    QAction *addSeparator();
    // A widget taking its place in the flow at its fixed width (or size hint).
    void addWidget(QWidget *widget);
    // The button that shows the action (nullptr when the action is not a key of this bar).
    QWidget *widgetForAction(QAction *action) const;

    void setIconSize(const QSize &size);
    QSize iconSize() const { return m_iconSize; }
    void setToolButtonStyle(Qt::ToolButtonStyle style);

    // The height of one row of keys (the tallest key), px.
    int buttonHeight() const;
    // The bar's height when it holds rows rows of keys.
    int heightForRows(int rows) const;
    // How many rows the items take in a bar width px wide (at least 1).
    int rowsFor(int width) const;
    // Places the items in rows within the bar's present width and fixes the
    // bar's height to those rows; returns the number of rows. Hidden keys
    // take no room (arrange again after showing or hiding one).
    int arrange();
    int rows() const { return m_rows; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Item {
        QAction *action = nullptr; // a key or a separator; nullptr for a widget
        QWidget *widget = nullptr; // the key's button, the separator's line or the widget itself
    };
    bool takesPart(const Item &item) const;
    int itemWidth(const Item &item) const;
    // Walks the flow for a bar width px wide: place(item, row, x) for every item
    // placed; separators at the start or end of a row are left out. Returns the rows.
    template <typename Place> int flow(int width, Place place) const;

    std::vector<Item> m_items;
    QSize m_iconSize{24, 24};
    Qt::ToolButtonStyle m_buttonStyle = Qt::ToolButtonIconOnly;
    int m_rows = 1;
};

} // namespace vesk::ui
