// The hover tips of lists: the whole text of an entry that does not fit, over
// the entry, in its font and colour; nothing for an entry that fits.

#include "ui/common/ListEntryTip.h"
#include "ui/mainwindow/FileCheckList.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace vesk::ui;

namespace {

struct TipList {
    FileCheckList list{1};
    TipList() {
        list.resize(240, 120);
        list.insertFile(0, QStringLiteral("Met2023.txt"), true);
        list.insertFile(1, QStringLiteral("/a/very/long/folder/name/that/the/list/cannot/show/whole/Background2023.txt"),
                        true);
        list.setColour(1, FileCheckList::red());
        list.show();
        QApplication::processEvents();
    }
    QPoint over(int row) const { return list.visualItemRect(list.item(row)).center(); }
    void moveTo(QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, pos, list.viewport()->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &move);
    }
};

} // namespace

TEST(ListEntryTip, AnEntryThatFitsShowsNoTipAndOneCutOffShowsItsWholeTextOverTheEntry) {
    TipList t;
    ListEntryTip *tip = t.list.tip;
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->fits(t.list.model()->index(0, 0)));
    EXPECT_FALSE(tip->fits(t.list.model()->index(1, 0)));

    tip->pointerAt(t.over(0));
    EXPECT_FALSE(tip->tipWindow()->isVisible()) << "the short name fits";

    tip->pointerAt(t.over(1));
    ASSERT_TRUE(tip->tipWindow()->isVisible());
    EXPECT_EQ(tip->tipWindow()->text(), t.list.text(1));
    EXPECT_EQ(tip->shownEntry().row(), 1);
    // Laid over the entry: its top at the entry's top, its text at the entry's text.
    const QRect entry = t.list.visualItemRect(t.list.item(1));
    const QPoint tipAt = t.list.viewport()->mapFromGlobal(tip->tipWindow()->pos());
    EXPECT_EQ(tipAt.y(), entry.top());
    EXPECT_GT(tipAt.x(), entry.left()) << "after the check box";
    EXPECT_LT(tipAt.x(), entry.left() + 40);
    // In the entry's own colour (red: an empty variable list) and font.
    EXPECT_EQ(tip->tipWindow()->palette().color(QPalette::WindowText), FileCheckList::red());
    EXPECT_EQ(tip->tipWindow()->font(), t.list.font());
    EXPECT_GT(tip->tipWindow()->width(), t.list.viewport()->width()) << "the whole name";

    tip->pointerAt(t.over(0));
    EXPECT_FALSE(tip->tipWindow()->isVisible()) << "another entry that fits hides it";
}

TEST(ListEntryTip, ThePointerMovingOverTheListShowsAndHidesTheTipAndNoPlainTooltipIsLeft) {
    TipList t;
    t.moveTo(t.over(1));
    EXPECT_TRUE(t.list.tip->tipWindow()->isVisible());
    t.moveTo(QPoint(5, t.list.viewport()->height() - 3)); // below the entries
    EXPECT_FALSE(t.list.tip->tipWindow()->isVisible());
    for (int row = 0; row < t.list.count(); ++row) {
        EXPECT_TRUE(t.list.item(row)->toolTip().isEmpty()) << row;
    }
    // A tooltip request over the list is taken by the tip, not shown as a plain tooltip.
    QHelpEvent help(QEvent::ToolTip, t.over(1), t.list.viewport()->mapToGlobal(t.over(1)));
    EXPECT_TRUE(QApplication::sendEvent(t.list.viewport(), &help));
}
