// The text editor's documents: the whole file, and the same bytes back for
// the same text, whatever line ends and code page the file used.

#include "project/TextDocument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;
using test::TempDir;

namespace {

struct BytesCase {
    const char *name;
    std::string bytes;
};

class TextDocumentRoundTrip : public ::testing::TestWithParam<BytesCase> {};

} // namespace

TEST_P(TextDocumentRoundTrip, GivesBackTheSameBytesForTheSameText) {
    const TextDocument d = textDocumentOf(GetParam().bytes);
    EXPECT_EQ(d.text.find('\r'), std::string::npos) << "the editor sees \\n line ends only";
    EXPECT_EQ(textDocumentBytes(d), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, TextDocumentRoundTrip,
                         ::testing::Values(BytesCase{"crlf", "line 1\r\nline 2\r\n"},
                                           BytesCase{"lf", "a\nb\n"},
                                           BytesCase{"no_final_line_end", "a\r\nb"}, BytesCase{"empty", ""},
                                           BytesCase{"utf8", "\xC2\xB5g/m\xC2\xB3\r\n"},
                                           BytesCase{"windows1252", "\xB5g/m\xB3 \x80 \x81\r\n"},
                                           BytesCase{"byte_order_mark", "\xEF\xBB\xBFx\r\n"},
                                           BytesCase{"old_mac", "a\rb\r"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(TextDocument, AFileMixingLineEndsIsSavedWithTheOneItUsesMost) {
    const TextDocument d = textDocumentOf("a\r\nb\r\nc\nd\r\n");
    EXPECT_EQ(d.lineEnd, "\r\n");
    EXPECT_EQ(textDocumentBytes(d), "a\r\nb\r\nc\r\nd\r\n");
}

TEST(TextDocument, AWindows1252FileGainingCharactersItCannotHoldIsSavedAsUtf8) {
    TextDocument d = textDocumentOf("\xB5g\r\n");
    ASSERT_TRUE(d.windows1252);
    EXPECT_EQ(d.text, "\xC2\xB5g\n");
    d.text += "\xC5\x82\n"; // a letter the code page lacks
    EXPECT_EQ(textDocumentBytes(d), "\xC2\xB5g\r\n\xC5\x82\r\n");
}

TEST(TextDocument, AFileOf150LinesIsReadWholeAndSavedByteExact) {
    TempDir dir;
    std::string bytes;
    for (int i = 1; i <= 150; ++i) {
        bytes += "line " + std::to_string(i) + "\r\n";
    }
    const auto path = dir.write("long.vkp", bytes).string();
    TextDocument d;
    std::string error;
    ASSERT_EQ(openTextDocument(path, &d, &error), OpenFailure::None) << error;
    EXPECT_NE(d.text.find("line 150\n"), std::string::npos);
    ASSERT_TRUE(saveTextDocument(path, d).ok());
    EXPECT_EQ(test::readFile(path), bytes);
}

TEST(TextDocument, AMissingFileIsNotFound) {
    TempDir dir;
    TextDocument d;
    std::string error;
    EXPECT_EQ(openTextDocument((dir.path() / "gone.vkp").string(), &d, &error), OpenFailure::NotFound);
    EXPECT_NE(error.find("gone.vkp"), std::string::npos);
}
