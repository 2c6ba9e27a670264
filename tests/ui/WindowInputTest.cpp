// What the user types into the main window reaches the run and the project
// file as it is shown: a box holding an invalid value keeps the run from
// starting and is named, and the traffic boxes of a new project take input
// and are saved as they read.

#include "ui/WindowSession.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <sstream>

using namespace vesk;
using test::Sample;
using test::Session;

namespace {

// Types text into a box and leaves it, as Tab does.
void typeAndLeave(Session &s, QLineEdit *box, const QString &text) {
    box->setText(text);
    if (box == s->txtADT || box == s->txtSpeed) {
        s->txtTraffic_Edited(box == s->txtADT ? 0 : 1);
        s->txtTraffic_LostFocus(box == s->txtADT ? 0 : 1);
    }
}

// The line of the traffic file in a saved project file.
std::string trafficLine(const std::string &project) {
    const std::string text = test::readFile(project);
    const std::size_t at = text.find("\"traffic\"");
    if (at == std::string::npos) {
        return {};
    }
    return text.substr(at, text.find('\r', at) - at);
}

} // namespace

TEST(WindowInput, ARunDoesNotStartWhileABoxHoldsAnInvalidValueAndTheMessageNamesTheBox) {
    Sample sample;
    Session s(sample, sample.project());
    const std::string output = sample.appDir + "Working/Out2023.txt";
    std::filesystem::remove(output);
    struct Case {
        QLineEdit *box;
        const char *text, *named;
    };
    s->chkStartAuto->setChecked(false);
    s->chkAuto_Click(0);
    s->mEditStart->setText("01-03-2023");
    s->txtHourStart->setText("1");
    for (const Case &c : {Case{s->txtADT, "abc", "\"Average Daily Traffic\" holds \"abc\""},
                          Case{s->txtSpeed, "-4", "\"Travel Speed (km/h)\" holds \"-4\""},
                          Case{s->mEditStart, "31-02-2023", "\"Start Date\" holds \"31-02-2023\""},
                          Case{s->txtHourStart, "25", "\"Start Date hour\" holds \"25\""}}) {
        const QString good = c.box->text();
        typeAndLeave(s, c.box, QString::fromLatin1(c.text));
        s.ui.messages.clear();
        s->btnRun_Click();
        EXPECT_FALSE(s->isRunning()) << c.text;
        ASSERT_FALSE(s.ui.messages.empty()) << c.text;
        EXPECT_NE(s.ui.messages.back().find(c.named), std::string::npos) << s.ui.messages.back();
        EXPECT_EQ(c.box->text().toStdString(), c.text) << "the box keeps what was typed";
        c.box->setText(good);
        if (c.box == s->txtADT || c.box == s->txtSpeed) {
            s->txtTraffic_Edited(c.box == s->txtADT ? 0 : 1);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(output)) << "no run wrote anything";
    s.runToEnd();
    EXPECT_TRUE(std::filesystem::exists(output));
}

// A traffic amount or speed beyond any street's, typed into its box, is
// refused as the box's, before the run reads the traffic file with it.
TEST(WindowInput, ATrafficValueBeyondAnyStreetIsRefusedNamingTheBoxItCameFrom) {
    Sample sample;
    Session s(sample, sample.project());
    struct Case {
        QLineEdit *box;
        const char *text, *says;
    };
    for (const Case &c :
         {Case{s->txtADT, "1e9",
               "The calculation cannot start: the box \"Average Daily Traffic\" holds \"1e9\", which "
               "is out of range (at most 10000000 vehicles a day)."},
          Case{s->txtSpeed, "301",
               "The calculation cannot start: the box \"Travel Speed (km/h)\" holds \"301\", which "
               "is out of range (at most 300 km/h)."}}) {
        const QString good = c.box->text();
        typeAndLeave(s, c.box, QString::fromLatin1(c.text));
        s.ui.messages.clear();
        s->btnRun_Click();
        const bool started = s->isRunning();
        ASSERT_TRUE(test::waitForRunToEnd(*s.w));
        EXPECT_FALSE(started) << c.text;
        ASSERT_FALSE(s.ui.messages.empty()) << c.text;
        EXPECT_EQ(s.ui.messages[0], c.says);
        EXPECT_EQ(s.ui.messages.size(), 1u) << c.text;
        c.box->setText(good);
        s->txtTraffic_Edited(c.box == s->txtADT ? 0 : 1);
    }
    // The most a street can carry runs.
    typeAndLeave(s, s->txtADT, QStringLiteral("10000000"));
    s.ui.messages.clear();
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation has ended.");
    for (const std::string &m : s.ui.messages) {
        EXPECT_EQ(m.find("out of range"), std::string::npos) << m;
    }
}

TEST(WindowInput, ClickingRunFromABoxWithAnInvalidValueGivesOneMessageThatNamesTheBox) {
    Sample sample;
    Session s(sample, sample.project());
    s->show();
    QApplication::setActiveWindow(s.w.get());
    s->chkStartAuto->setChecked(false);
    s->chkAuto_Click(0);
    s->mEditStart->setText("01-03-2023");
    s->txtHourStart->setText("1");
    struct Case {
        QLineEdit *box;
        const char *text, *named;
    };
    for (const Case &c : {Case{s->txtADT, "abc", "\"Average Daily Traffic\" holds \"abc\""},
                          Case{s->txtADT, "0", "\"Average Daily Traffic\" holds \"0\""},
                          Case{s->txtSpeed, "0", "\"Travel Speed (km/h)\" holds \"0\""},
                          Case{s->mEditStart, "31-02-2023", "\"Start Date\" holds \"31-02-2023\""},
                          Case{s->txtHourStart, "25", "\"Start Date hour\" holds \"25\""}}) {
        const QString good = c.box->text();
        c.box->setFocus();
        QTest::qWait(20); // the check of the box left runs before anything is typed
        ASSERT_TRUE(c.box->hasFocus()) << c.text;
        c.box->selectAll();
        QTest::keyClicks(c.box, QString::fromLatin1(c.text));
        s.ui.messages.clear();
        QTest::mouseClick(s->btnRun, Qt::LeftButton);
        QTest::qWait(20); // the box's own check runs once the focus has moved
        EXPECT_FALSE(s->isRunning()) << c.text;
        ASSERT_EQ(s.ui.messages.size(), 1u)
            << c.text << ": " << (s.ui.messages.empty() ? "" : s.ui.messages.back());
        EXPECT_NE(s.ui.messages[0].find(c.named), std::string::npos) << s.ui.messages[0];
        EXPECT_TRUE(c.box->hasFocus()) << "the focus goes back into the box named";
        c.box->selectAll();
        QTest::keyClicks(c.box, good);
    }
    // Leaving a box for anything but Run keeps the box's own message.
    s->txtADT->setFocus();
    QTest::qWait(20);
    s->txtADT->selectAll();
    QTest::keyClicks(s->txtADT, QStringLiteral("-5"));
    s.ui.messages.clear();
    s->txtSpeed->setFocus();
    QTest::qWait(20);
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0], "The value must be > 0");
    s->hide();
}

TEST(WindowInput, ClickingEndEditFromAWindBoxWithABadValueGivesItsMessageOnce) {
    Sample sample;
    Session s(sample, sample.project());
    s->show();
    QApplication::setActiveWindow(s.w.get());
    s->btnGeneric_Click();
    s->btnEditWind_Click();
    const auto settle = [] { // the check of a box left runs once the focus has moved
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
        }
    };
    struct Case {
        QLineEdit *box;
        const char *text, *says;
    };
    for (const Case &c :
         {Case{s->Text2[3], "0", "The value must be >0"}, Case{s->Text2[3], "400", "The value must be >0"},
          Case{s->Text2[1], "-1", "The value must be between 0 and 360"},
          Case{s->Text1[1], "-1", "The value of wind speed is not defined or negative   1"}}) {
        const QString good = c.box->text();
        c.box->setFocus();
        settle();
        ASSERT_TRUE(c.box->hasFocus()) << c.text;
        c.box->setText(QString::fromLatin1(c.text));
        s.ui.messages.clear();
        QTest::mouseClick(s->btnEndEditWind, Qt::LeftButton);
        settle();
        EXPECT_EQ(s.state.WindEditMode, 1) << c.text << ": the edit goes on";
        ASSERT_EQ(s.ui.messages.size(), 1u) << c.text << ": " << testing::PrintToString(s.ui.messages);
        EXPECT_EQ(s.ui.messages[0], c.says);
        EXPECT_TRUE(c.box->hasFocus()) << c.text << ": the focus goes back into the box";
        c.box->setText(good);
    }
    // Leaving a wind box for another box keeps the box's own message.
    s->Text2[3]->setFocus();
    settle();
    s->Text2[3]->setText(QStringLiteral("0"));
    s.ui.messages.clear();
    s->Text2[1]->setFocus();
    settle();
    ASSERT_EQ(s.ui.messages.size(), 1u) << testing::PrintToString(s.ui.messages);
    EXPECT_EQ(s.ui.messages[0], "The value must be >0");
    s->Text2[3]->setText(QStringLiteral("10"));
    QTest::mouseClick(s->btnEndEditWind, Qt::LeftButton);
    settle();
    EXPECT_EQ(s.state.WindEditMode, 0) << testing::PrintToString(s.ui.messages);
    EXPECT_DOUBLE_EQ(s.state.WindDirStep, 10);
    s->hide();
}

TEST(WindowInput, APeriodBoxLeftWithAWrongValueIsNamedOnceAndTickingAutoDropsTheValueWithoutAWord) {
    Sample sample;
    Session s(sample, sample.project());
    s->show();
    QApplication::setActiveWindow(s.w.get());
    for (int which = 0; which < 2; ++which) {
        QCheckBox *autoBox = which == 0 ? s->chkStartAuto : s->chkEndAuto;
        QLineEdit *date = which == 0 ? s->mEditStart : s->mEditEnd;
        QLineEdit *hour = which == 0 ? s->txtHourStart : s->txtHourEnd;
        ASSERT_TRUE(s->chkStartAuto->isChecked() && s->chkEndAuto->isChecked()) << which;
        QTest::mouseClick(autoBox, Qt::LeftButton);
        QTest::qWait(20);
        ASSERT_FALSE(autoBox->isChecked()) << which;
        ASSERT_TRUE(date->isEnabled() && hour->isEnabled()) << which;
        date->setText(QStringLiteral("01-03-2023"));
        // An hour outside 0 to 24, left for another box: named, and the focus goes back.
        hour->setFocus();
        QTest::qWait(20);
        hour->selectAll();
        QTest::keyClicks(hour, QStringLiteral("25"));
        s.ui.messages.clear();
        s->txtADT->setFocus();
        QTest::qWait(20);
        ASSERT_EQ(s.ui.messages.size(), 1u) << which;
        EXPECT_EQ(s.ui.messages[0], "The value of Hour is not correct!");
        EXPECT_TRUE(hour->hasFocus()) << which;
        // Auto ticked from there: the hour typed no longer counts, nothing is said.
        s.ui.messages.clear();
        QTest::mouseClick(autoBox, Qt::LeftButton);
        QTest::qWait(20);
        EXPECT_TRUE(autoBox->isChecked()) << which;
        EXPECT_FALSE(hour->isEnabled()) << which;
        EXPECT_TRUE(s.ui.messages.empty()) << which << ": " << s.ui.messages.front();
        // An impossible date, left for the hour box that still holds 25: the date is named, once, and the
        // focus goes back to it, not to and fro between the two boxes.
        QTest::mouseClick(autoBox, Qt::LeftButton);
        QTest::qWait(20);
        ASSERT_TRUE(date->hasFocus()) << which;
        date->setText(QStringLiteral("31-02-2023"));
        s.ui.messages.clear();
        QTest::mouseClick(hour, Qt::LeftButton);
        QTest::qWait(50);
        EXPECT_EQ(s.ui.messages, std::vector<std::string>{"The Date value is not correct!"}) << which;
        EXPECT_TRUE(date->hasFocus()) << which;
        // Auto ticked from the date box: nothing is said either.
        s.ui.messages.clear();
        QTest::mouseClick(autoBox, Qt::LeftButton);
        QTest::qWait(20);
        EXPECT_TRUE(autoBox->isChecked()) << which;
        EXPECT_TRUE(s.ui.messages.empty()) << which << ": " << s.ui.messages.front();
    }
    // The wrong values left in the unticked boxes keep no run from starting.
    const std::string output = sample.appDir + "Working/Out2023.txt";
    std::filesystem::remove(output);
    s->hide();
    s.runToEnd();
    EXPECT_TRUE(std::filesystem::exists(output)) << (s.ui.messages.empty() ? "" : s.ui.messages.back());
}

TEST(WindowInput, DigitsTypedIntoAnEmptiedDateBoxLandWhereverTheClickPutTheCursor) {
    Sample sample;
    Session s(sample, sample.project());
    s->show();
    QApplication::setActiveWindow(s.w.get());
    for (int which = 0; which < 2; ++which) {
        QCheckBox *autoBox = which == 0 ? s->chkStartAuto : s->chkEndAuto;
        QLineEdit *date = which == 0 ? s->mEditStart : s->mEditEnd;
        QTest::mouseClick(autoBox, Qt::LeftButton);
        ASSERT_TRUE(test::processEventsUntil([&] { return date->hasFocus(); }, 5)) << which;
        // The box emptied, then a click into its middle, its right end and its left end.
        for (const int x : {date->width() / 2, date->width() - 4, 4}) {
            date->selectAll();
            QTest::keyClick(date, Qt::Key_Backspace);
            ASSERT_EQ(date->displayText().toStdString(), "__-__-____") << which;
            QTest::mouseClick(date, Qt::LeftButton, Qt::NoModifier, QPoint(x, date->height() / 2));
            QTest::keyClicks(date, QStringLiteral("01032023"));
            EXPECT_EQ(date->displayText().toStdString(), "01-03-2023") << which << " clicked at " << x;
        }
        // In a box that holds a date the click places the cursor as usual.
        QTest::mouseClick(date, Qt::LeftButton, Qt::NoModifier,
                          QPoint(date->width() - 4, date->height() / 2));
        EXPECT_GT(date->cursorPosition(), 0) << which;
    }
    s->hide();
}

TEST(WindowInput, ADateTypedWithOneDigitForTheDayOrMonthIsTakenAndTheRunCoversTheDaysTyped) {
    Sample sample;
    Session s(sample, sample.project());
    for (int which = 0; which < 2; ++which) {
        (which == 0 ? s->chkStartAuto : s->chkEndAuto)->setChecked(false);
        s->chkAuto_Click(which);
    }
    s->txtHourStart->setText("1");
    // The date boxes take "dd-mm-yyyy", where each day and month digit may be left blank.
    struct Case {
        const char *typed;
        bool date;
    };
    for (const Case &c : {Case{"01-03-2023", true}, Case{"1-3-2023", true}, Case{"1-03-2023", true},
                          Case{"01-03-23", false}, Case{"31-02-2023", false}, Case{"1-13-2023", false}}) {
        s.ui.messages.clear();
        s->mEditStart->setText(QString::fromLatin1(c.typed));
        EXPECT_EQ(s->mEdit_LostFocus(0), c.date) << c.typed;
        EXPECT_EQ(s.ui.messages, c.date ? std::vector<std::string>{}
                                        : std::vector<std::string>{"The Date value is not correct!"})
            << c.typed;
    }
    // From 1-3-2023 hour 1 to 31-03-2023 hour 24: the hourly output holds March's 744 hours.
    s->mEditStart->setText("1-3-2023");
    ASSERT_EQ(s->mEditStart->displayText().toStdString(), "1_-3_-2023");
    s->mEditEnd->setText("31-03-2023");
    s->txtHourEnd->setText("24");
    const std::string output = sample.appDir + "Working/Out2023.txt";
    std::filesystem::remove(output);
    s.ui.messages.clear();
    s.runToEnd();
    ASSERT_EQ(s->lblProgress->text().toStdString(), "The calculation has ended.")
        << (s.ui.messages.empty() ? "" : s.ui.messages.back());
    std::istringstream lines(test::readFile(output));
    std::vector<std::string> dates;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string year, month, day, hour;
        fields >> year >> month >> day >> hour;
        dates.push_back(year + "-" + month + "-" + day + " " + hour);
    }
    ASSERT_EQ(dates.size(), 1u + 744u);
    EXPECT_EQ(dates[1], "2023-3-1 1");
    EXPECT_EQ(dates.back(), "2023-3-31 24");
}

TEST(WindowInput, TheTrafficBoxesOfANewProjectTakeInputOnceATrafficFileIsNamedAndAreSavedAsShown) {
    Sample sample;
    Session s(sample, "");
    const std::string folder = sample.appDir + "Fresh/";
    std::filesystem::create_directories(folder);
    std::filesystem::copy(sample.appDir + "Working/DemoStreet.trf", folder + "DemoStreet.trf");
    s.newSingleStreetProject(folder);
    ASSERT_TRUE(s.state.UntitledProject);
    EXPECT_FALSE(s->txtADT->isEnabled()) << "no traffic file, no traffic to scale";

    s.names({folder + "DemoStreet.trf"});
    s.select(3, 0);
    s->btnAddFile_Click();
    ASSERT_FALSE(s.state.TrafficFile.empty());
    ASSERT_TRUE(s->txtADT->isEnabled()) << "the standard profile's traffic is shown, ready to be changed";
    ASSERT_TRUE(s->txtSpeed->isEnabled());
    const QString shownSpeed = s->txtSpeed->text();
    EXPECT_GT(s->txtADT->text().toDouble(), 0);
    EXPECT_LE(s->txtADT->text().size(), 10)
        << s->txtADT->text().toStdString() << ": a figure as the file gives it";

    const std::string project = folder + "New.vkp";
    s.ui.files.push_back(project);
    s->menSave_Click();
    ASSERT_TRUE(std::filesystem::exists(project));
    EXPECT_EQ(trafficLine(project),
              "\"traffic\"," + s->txtADT->text().toStdString() + "," + shownSpeed.toStdString());

    typeAndLeave(s, s->txtADT, "15000");
    s->menSave_Click();
    EXPECT_EQ(trafficLine(project), "\"traffic\",15000," + shownSpeed.toStdString());
}

TEST(WindowInput, AClickAnywhereInAFileListSelectsThatListAndReadiesAddFile) {
    Sample sample;
    Session s(sample, sample.project());
    s->show(); // the lists are laid out, with room below their entries
    QApplication::processEvents();
    for (const int kind : {4, 2, 1}) {
        ui::FileCheckList *list = s->List1[kind];
        ASSERT_FALSE(s->btnAddFile->isEnabled() && s.state.SelectedFileKind == kind);
        // Below the last entry, where no entry is.
        const QPoint below(20, list->viewport()->height() - 6);
        ASSERT_EQ(list->itemAt(below), nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
        EXPECT_EQ(s.state.SelectedFileKind, kind);
        EXPECT_TRUE(s->btnAddFile->isEnabled()) << kind;
        EXPECT_EQ(list->currentRow(), list->count() - 1) << kind;
    }
    // A file added after such a click comes last in its list.
    s.names({"Extra.txt"});
    s->btnAddFile_Click();
    EXPECT_EQ(s->List1[1]->text(s->List1[1]->count() - 1).toStdString(), "Extra.txt");
}

TEST(WindowInput, TheRedNoteOnEmptyVariableListsComesAndGoesWithoutMovingTheLists) {
    Sample sample;
    Session s(sample, sample.project());
    s->show();
    QApplication::processEvents();
    ASSERT_TRUE(s->Label22->isHidden());
    // Where the frames of the window are.
    auto places = [&s] {
        std::vector<QRect> at{QRect(QPoint(), s->size())};
        for (QWidget *frame : {(QWidget *)s->Frame8, (QWidget *)s->Frame9, s->Frame10,
                               (QWidget *)s->FrameStartEnd, s->Frame3, (QWidget *)s->FrameEmitters}) {
            at.push_back(QRect(frame->mapTo(s.w.get(), QPoint()), frame->size()));
        }
        return at;
    };
    const std::vector<QRect> before = places();
    s.names({"Empty.txt"}); // a new input file has an empty variable list
    s.select(1, 0);
    s->btnAddFile_Click();
    QApplication::processEvents();
    ASSERT_FALSE(s->Label22->isHidden());
    EXPECT_TRUE(places() == before) << "nothing moves when the note comes";
    s.select(1, 1);
    s->btnRemove_Click();
    QApplication::processEvents();
    ASSERT_TRUE(s->Label22->isHidden());
    EXPECT_TRUE(places() == before) << "nor when it goes";
}
