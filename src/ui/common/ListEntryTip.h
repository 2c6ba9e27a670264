#pragma once

// The whole text of a list entry that does not fit its list, shown while the
// pointer rests on it in a tip window laid exactly over the entry, in the
// entry's own font and colour. An entry that fits shows no tip, and the list
// shows no plain tooltips: the tip is there only where text is cut off. The tip
// goes when the pointer moves to another entry or leaves the list (checked
// every 100 ms, as the pointer may leave through the tip itself).

#include <QModelIndex>
#include <QObject>
#include <QPointer>

class QAbstractItemView;
class QLabel;
class QTimer;

namespace vesk::ui {

class ListEntryTip : public QObject {
    Q_OBJECT
public:
    // Watches view (a list of one column); the tip belongs to it.
    explicit ListEntryTip(QAbstractItemView *view);
    ~ListEntryTip() override;

    // The tip for the entry under a point of the view's viewport: shown over
    // the entry when its text is cut off, hidden otherwise.
    void pointerAt(const QPoint &viewportPos);
    void hide();

    // True when the entry's text fits the room the list gives it.
    bool fits(const QModelIndex &index) const;
    // The entry whose whole text the tip shows (invalid when none), and the tip window.
    QModelIndex shownEntry() const { return m_shown; }
    QLabel *tipWindow() const { return m_tip; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect textRect(const QModelIndex &index) const;
    QAbstractItemView *m_view;
    QLabel *m_tip = nullptr;
    QTimer *m_leaveCheck = nullptr;
    QPersistentModelIndex m_shown;
};

} // namespace vesk::ui
