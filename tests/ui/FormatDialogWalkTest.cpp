// The walk through the unknown names of a variable list as the user goes
// through it with the keyboard and the mouse: after "... is not a valid name"
// the keyboard stays in the list box, so the name can be corrected by typing
// or picked from the known names, and OK stores no list that still holds a
// name a calculation would refuse.

#include "core/CoreTestData.h"
#include "run/State.h"
#include "support/TestSupport.h"
#include "ui/inputdef/ListTextBox.h"
#include "ui/inputdef/frmFormatFile.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::ui;

namespace {

const State &demo() {
    static const test::ProgramDir dir;
    static const test::StartedAs<State> started(dir);
    return started.state;
}

// The dialog on the screen for an hourly input file, after its first check.
struct ShownDialog {
    test::ScriptedInteraction ui;
    std::unique_ptr<frmFormatFile> dlg;
    explicit ShownDialog(const std::string &vars) {
        FormatDialogInput in;
        in.kind = 1;
        in.fileName = "Met.txt";
        in.lists = {vars, "*", "*", ""};
        in.workDir = "/nowhere/";
        dlg = std::make_unique<frmFormatFile>(demo(), in, ui);
        dlg->show();
        QApplication::setActiveWindow(dlg.get());
        QTRY_VERIFY_WITH_TIMEOUT(dlg->Activated, 3000);
    }
    frmFormatFile *operator->() { return dlg.get(); }
    QString text() const { return dlg->boxVariables->toPlainText(); }
    bool red() const {
        return dlg->boxVariables->palette().color(QPalette::Active, QPalette::Text) == QColor(255, 0, 0);
    }
    // Where the user's keys go.
    QWidget *keys() const { return QApplication::focusWidget(); }
};

} // namespace

TEST(FormatDialogWalk, TheUnknownNameIsCorrectedByTypingOrByPickingAndOkThenStoresTheList) {
    ShownDialog d("year, onth, dy, hour");
    ASSERT_EQ(d.ui.messages.size(), 1u);
    EXPECT_EQ(d.ui.messages[0], "onth is not a valid name");
    ASSERT_EQ(d.keys(), d->boxVariables) << "the keyboard stays in the list, not in the pop-up";
    EXPECT_EQ(d->boxVariables->textCursor().selectedText(), "onth");
    EXPECT_FALSE(d->btnEndFormat->isEnabled());

    // Typing replaces the selected name; Enter keeps it and goes on to the next one.
    QTest::keyClicks(d.keys(), "month");
    EXPECT_EQ(d.text(), "year, month, dy, hour");
    QTest::keyClick(d.keys(), Qt::Key_Return);
    ASSERT_EQ(d.ui.messages.size(), 2u);
    EXPECT_EQ(d.ui.messages[1], "dy is not a valid name");
    EXPECT_FALSE(d->btnEndFormat->isEnabled()) << "OK waits for the walk";

    // Typed letters lead the pop-up to the name; Down and Enter pick it.
    ASSERT_EQ(d.keys(), d->boxVariables);
    QTest::keyClicks(d.keys(), "da");
    QTest::keyClick(d.keys(), Qt::Key_Y);
    ASSERT_TRUE(d->ListVariables->isVisible());
    EXPECT_EQ(d->ListVariables->currentItem()->text(), "day");
    QTest::keyClick(d.keys(), Qt::Key_Down);
    EXPECT_EQ(d.keys(), d->ListVariables);
    QTest::keyClick(d.keys(), Qt::Key_Return);
    EXPECT_EQ(d.text(), "year, month, day, hour");
    EXPECT_FALSE(d->InCorrection);
    EXPECT_FALSE(d.red());
    ASSERT_TRUE(d->btnEndFormat->isEnabled());

    QTest::mouseClick(d->btnEndFormat, Qt::LeftButton);
    EXPECT_EQ(d->QDialog::result(), QDialog::Accepted);
    EXPECT_EQ(d->result().varList, "year, month, day, hour");
}

TEST(FormatDialogWalk, EscapeLeavesTheNameRedAndOkDisabledUntilTheListIsCorrected) {
    ShownDialog d("year, onth, day, hour");
    ASSERT_EQ(d.ui.messages.size(), 1u);
    QTest::keyClick(d.keys(), Qt::Key_Escape);
    EXPECT_FALSE(d->InCorrection);
    EXPECT_TRUE(d.red()) << "the name is still unknown";
    EXPECT_FALSE(d->btnEndFormat->isEnabled()) << "a list a calculation would refuse cannot be stored";
    EXPECT_NE(d->btnEndFormat->toolTip().indexOf(QStringLiteral("onth")), -1) << "OK says why";
    QTest::mouseClick(d->btnEndFormat, Qt::LeftButton);
    EXPECT_TRUE(d->isVisible());
    EXPECT_NE(d->QDialog::result(), QDialog::Accepted);

    // The user types the list again; Enter checks it and OK stores it.
    d->boxVariables->setFocus();
    QTest::keyClick(d.keys(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(d.keys(), "year, month, day, hour");
    QTest::keyClick(d.keys(), Qt::Key_Return);
    EXPECT_FALSE(d.red());
    ASSERT_TRUE(d->btnEndFormat->isEnabled());
    QTest::mouseClick(d->btnEndFormat, Qt::LeftButton);
    EXPECT_EQ(d->QDialog::result(), QDialog::Accepted);
    EXPECT_EQ(d->result().varList, "year, month, day, hour");
}
