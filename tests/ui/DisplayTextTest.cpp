// Texts read from files as the windows show them: held to a length a window
// can lay out, cut between characters, control characters visible; a
// caption, the status line and a message box given twenty million
// characters show a shortened text and the window goes on.

#include "ui/common/DisplayText.h"
#include "run/results/ResultsFixture.h"
#include "ui/WindowSession.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/QtInteraction.h"
#include "ui/results/frmShowResults.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace vesk::ui {

// The main window's handler of a run's progress reports.
class frmRunTestAccess {
public:
    static void showProgress(frmRun &window, double fraction, const QString &text) {
        window.showProgress(fraction, text);
    }
};

namespace {

const QString kEllipsis(QChar(0x2026));

struct Shortening {
    const char *name;
    std::string text; // UTF-8
    int maxChars;
    bool message; // displayMessage, else displayText
    QString shown;
};

void PrintTo(const Shortening &c, std::ostream *out) {
    *out << c.name;
}

class Shortenings : public ::testing::TestWithParam<Shortening> {};

TEST_P(Shortenings, HoldATextToItsLengthCutBetweenCharactersWithControlCharactersVisible) {
    const Shortening &c = GetParam();
    const QString shown = c.message ? displayMessage(c.text, c.maxChars) : displayText(c.text, c.maxChars);
    EXPECT_EQ(shown, c.shown);
    const QString fromQt = QString::fromStdString(c.text);
    EXPECT_EQ(c.message ? displayMessage(fromQt, c.maxChars) : displayText(fromQt, c.maxChars), c.shown)
        << "a QString is shown as its UTF-8";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Shortenings,
    ::testing::Values(
        Shortening{"a text that fits", "Main Street", 11, false, QStringLiteral("Main Street")},
        Shortening{"a text one character too long", "Main Street", 10, false,
                   QStringLiteral("Main Stre") + kEllipsis},
        Shortening{"an empty text", "", 10, false, QString()},
        Shortening{"control characters",
                   std::string("a\0b\x1B"
                               "c\x7F",
                               6),
                   20, false, QStringLiteral("a^@b^[c^?")},
        Shortening{"line ends and tabs in a label", "a\r\nb\tc", 20, false, QStringLiteral("a^M^Jb^Ic")},
        Shortening{"line ends and tabs in a message", std::string("a\r\nb\tc\0", 7), 20, true,
                   QStringLiteral("a\r\nb\tc^@")},
        Shortening{"an escape that would pass the length",
                   "ab\x01"
                   "cd",
                   4, false, QStringLiteral("ab") + kEllipsis},
        Shortening{"two-byte characters", "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F", 3, false,
                   QStringLiteral("\u00E4\u00F6") + kEllipsis},
        Shortening{"characters beyond the basic plane", "\xF0\x9F\x98\x80\xF0\x9F\x98\x81\xF0\x9F\x98\x82", 2,
                   false, QString::fromUtf8("\xF0\x9F\x98\x80") + kEllipsis},
        Shortening{"a length below one", "abc", 0, false, kEllipsis}),
    [](const auto &info) { return test::testNameOf(info.param.name); });

TEST(DisplayText, ATextOfTwentyMillionBytesGivesItsFirstCharactersCutBetweenCharacters) {
    // Ten million two-byte characters: the part converted ends inside none of them.
    std::string text = "\xC3\xA4";
    while (text.size() < 20'000'000) {
        text += text;
    }
    text.resize(20'000'000);
    const QString shown = displayText(text);
    ASSERT_EQ(shown.size(), kDisplayTextChars);
    EXPECT_EQ(shown, QString(kDisplayTextChars - 1, QChar(0xE4)) + kEllipsis);
    EXPECT_EQ(displayMessage(text).size(), kDisplayMessageChars);
}

// The status line shows a street's name of twenty million characters
// shortened, and the window paints it.
TEST(LongTextsInTheWindow, AStreetNameOfTwentyMillionCharactersInTheStatusLineIsShortened) {
    test::Sample sample;
    test::Session s(sample, "");
    const QString status = QStringLiteral("Calculating street #1 out of 5: ");
    frmRunTestAccess::showProgress(*s.w, 0.0, status + QString(20'000'000, QLatin1Char('N')));
    const QString shown = s->lblProgress->text();
    EXPECT_EQ(shown.size(), kDisplayTextChars);
    EXPECT_TRUE(shown.startsWith(status + QStringLiteral("NNN"))) << shown.left(80).toStdString();
    EXPECT_TRUE(shown.endsWith(kEllipsis));
    auto *label = qobject_cast<ElidedLabel *>(s->lblProgress);
    ASSERT_NE(label, nullptr) << "the status line shortens its text to its width";
    s->resize(800, 600);
    EXPECT_FALSE(s->grab().isNull());
    EXPECT_LT(label->shownText().size(), shown.size()) << "the status line is narrower than its text";
}

// A run of a streets file whose first street's name is twenty million
// characters: refused with a message that names the file and line and
// quotes nothing of the name; the window goes on.
TEST(LongTextsInTheWindow, ARunOfAStreetNameOfTwentyMillionCharactersIsRefusedWithAMessage) {
    test::Sample sample;
    const std::string path = sample.appDir + "Working/Streets.txt";
    std::string streets = test::readFile(path);
    const std::string first = "\"Harbour Road\"";
    ASSERT_NE(streets.find(first), std::string::npos);
    streets.replace(streets.find(first), first.size(), "\"" + std::string(20'000'000, 'N') + "\"");
    std::ofstream(path, std::ios::binary) << streets;
    test::Session s(sample, sample.project("DemoStreets.vkm"));
    ASSERT_TRUE(s.loaded);
    s.runToEnd();
    EXPECT_EQ(s->lblProgress->text(), "The calculation did not reach its end.");
    ASSERT_FALSE(s.ui.messages.empty());
    const std::string &said = s.ui.messages.back();
    EXPECT_NE(said.find("Streets.txt, line 1: a field holds 20000000 characters"), std::string::npos)
        << said.substr(0, 300);
    EXPECT_LT(said.size(), 1000u) << "the message quotes nothing of the name";
}

// The caption of the results of a street whose name is twenty million
// characters, and its key information, are shortened.
class LongTextResults : public test::ResultsFixture {};

TEST_F(LongTextResults, TheCaptionOfAStreetNameOfTwentyMillionCharactersIsShortened) {
    s.CalcTime = "2024-03-05 14:07:09";
    s.StreetName = std::string(20'000'000, 'N');
    s.ResultFileName = "untitled";
    s.WorkDir = dir.path().string() + "/";
    frmShowResults w(s, ui, settings);
    ASSERT_TRUE(w.Form_Load());
    const QString caption = w.windowTitle();
    EXPECT_EQ(caption, QStringLiteral("Summary of Results for ") +
                           QString(kDisplayTextChars - 1, QLatin1Char('N')) + kEllipsis +
                           QStringLiteral(". Calculated on 2024-03-05 14:07:09 [untitled]"));
    const QString keyInfo = w.findChild<QPlainTextEdit *>(QStringLiteral("txtKeyInfo"))->toPlainText();
    EXPECT_LT(keyInfo.size(), 6 * kDisplayLineChars);
    EXPECT_TRUE(keyInfo.startsWith(QStringLiteral("Street: NNN")));
    EXPECT_FALSE(w.grab().isNull());
}

// An engine message that quotes twenty million characters of a file with
// control bytes in them: the box shows them visible, held to its length.
TEST(LongTextsInTheWindow, AMessageQuotingAFileIsShownAsPlainTextWithItsControlBytesVisibleAndShortened) {
    QtInteraction interaction;
    QString shown;
    Qt::TextFormat format = Qt::AutoText;
    test::onModal<QMessageBox>([&](QMessageBox *box) {
        shown = box->text();
        format = box->textFormat();
        box->button(QMessageBox::Ok)->click();
    });
    interaction.message("The file\r\nlist.txt\r\nis no list: \"<b>" + std::string("\0\x1B", 2) +
                            std::string(20'000'000, 'x') + "\"",
                        Icon::Critical);
    EXPECT_EQ(format, Qt::PlainText) << "a file's text is no markup";
    EXPECT_TRUE(shown.startsWith(QStringLiteral("The file\r\nlist.txt\r\nis no list: \"<b>^@^[xxx")))
        << shown.left(80).toStdString();
    EXPECT_EQ(shown.size(), kDisplayMessageChars);
}

} // namespace
} // namespace vesk::ui
