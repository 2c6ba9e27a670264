// The standard file lists MetBack.lst and StrTrf.lst as the list editors
// write them: read back as written, at the columns of their layouts.

#include "project/StandardFileList.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// The 1-based column at which part starts on line `line` (0 = header) of text.
int columnOf(const std::string &text, int line, const std::string &part) {
    std::string::size_type start = 0;
    for (int i = 0; i < line; ++i) {
        start = text.find("\r\n", start) + 2;
    }
    const auto at = text.find(part, start);
    return at == std::string::npos ? -1 : static_cast<int>(at - start) + 1;
}

const std::vector<StandardFile> kFiles = {
    {"Ten chars.", "Twenty characters.tx", "Help, with a comma"},
    {"Short", ".\\a.txt", ""},
};

} // namespace

struct Layout {
    StandardListKind kind;
    const char *header;
    int fileColumn, helpColumn;
};

class StandardFileLists : public testing::TestWithParam<Layout> {};

TEST_P(StandardFileLists, ReadBackAsWrittenWithTheFieldsAtTheirColumns) {
    const std::string text = standardFileListText(kFiles, GetParam().kind);
    EXPECT_EQ(text.substr(0, text.find("\r\n")), GetParam().header);
    EXPECT_EQ(columnOf(text, 1, "\"Twenty"), GetParam().fileColumn);
    EXPECT_EQ(columnOf(text, 1, "\"Help"), GetParam().helpColumn);
    EXPECT_EQ(columnOf(text, 2, "\".\\a.txt"), GetParam().fileColumn);
    test::TempDir dir;
    std::vector<StandardFile> read;
    std::string error;
    ASSERT_TRUE(readStandardFileList(dir.write("List.lst", text).string(), &read, &error)) << error;
    ASSERT_EQ(read.size(), 2u);
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].name, kFiles[i].name);
        EXPECT_EQ(read[i].fileName, kFiles[i].fileName);
        EXPECT_EQ(read[i].helpText, kFiles[i].helpText);
    }
}

INSTANTIATE_TEST_SUITE_P(MetBackAndTraffic, StandardFileLists,
                         testing::Values(Layout{StandardListKind::MetBack,
                                                "Name,              FileName,              HelpText", 14, 37},
                                         Layout{StandardListKind::Traffic,
                                                "Name,         FileName,        HelpText", 15, 40}));

TEST(StandardFileLists, BlankNamesQuotesAndTwinNamesAreFound) {
    std::vector<StandardFile> files = kFiles;
    EXPECT_EQ(standardFileListProblem(files), "");
    EXPECT_EQ(blankShowName(files), -1);
    files[1].name = "  ";
    EXPECT_EQ(blankShowName(files), 1);
    files[1].name = "ten chars.";
    EXPECT_NE(standardFileListProblem(files).find("Two files are shown as"), std::string::npos);
    files[1].name = "Other";
    files[1].helpText = "A \"quoted\" help";
    EXPECT_NE(standardFileListProblem(files).find("double quote"), std::string::npos);
    files[1].helpText.clear();
    files[1].fileName = "";
    EXPECT_NE(standardFileListProblem(files).find("has no name"), std::string::npos);
}
