// Reading text files that are not what they should be: devices, pipes,
// folders, files far too large and lines without an end. Every case gives a
// message naming the file, at once and without filling the memory.

#include "core/TextIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace vesk {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(TextReading, OnlyRegularFilesAreRead) {
    TempDir dir;
    const fs::path pipe = dir.path() / "Met.txt";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_directory(dir.path() / "Folder.lst");
    fs::create_symlink("/dev/zero", dir.path() / "Zero.lst");
    const std::vector<std::pair<fs::path, std::string>> kinds = {{"/dev/zero", "a device"},
                                                                 {"/dev/urandom", "a device"},
                                                                 {pipe, "a pipe (FIFO)"},
                                                                 {dir.path() / "Folder.lst", "a folder"},
                                                                 {dir.path() / "Zero.lst", "a device"}};
    for (const auto &[path, kind] : kinds) {
        std::string text, error;
        EXPECT_FALSE(readTextFile(path.string(), &text, &error)) << path;
        EXPECT_EQ(error, "The file " + path.string() + " is not a regular file but " + kind +
                             ": it cannot be read as a data file.");
        EXPECT_TRUE(text.empty());
    }
    std::string error;
    EXPECT_FALSE(isRegularFile((dir.path() / "Missing.lst").string(), &error));
    EXPECT_EQ(error, "The file " + (dir.path() / "Missing.lst").string() + " is missing!");
}

TEST(TextReading, AFileBeyondTheBoundIsRefusedNamingIt) {
    TempDir dir;
    const fs::path file = dir.write("Big.lst", std::string(5000, 'x'));
    std::string text, error;
    EXPECT_TRUE(readTextFile(file.string(), &text, &error, 5000));
    EXPECT_EQ(text.size(), 5000u);
    EXPECT_FALSE(readTextFile(file.string(), &text, &error, 4999));
    EXPECT_EQ(error,
              "The file " + file.string() +
                  " is larger than 4999 bytes: it cannot be read as one of this program's text files.");
}

TEST(TextReading, BoundedLinesReadAsGetlineUpToTheirBound) {
    std::istringstream in("one\r\n\nthree\nfour");
    std::string line;
    bool tooLong = true;
    std::vector<std::string> lines;
    while (lines.size() < 10 && getLineBounded(in, line, 10, &tooLong)) {
        lines.push_back(line);
    }
    EXPECT_FALSE(tooLong);
    EXPECT_EQ(lines, (std::vector<std::string>{"one\r", "", "three", "four"}));
    EXPECT_TRUE(in.eof());

    std::istringstream endless(std::string(100, 'x') + "\nshort\n");
    EXPECT_FALSE(getLineBounded(endless, line, 10, &tooLong));
    EXPECT_TRUE(tooLong);
    EXPECT_EQ(line.size(), 10u) << "no more is taken in than the bound";
}

// Lines are taken in pieces of the stream's buffer: lines about as long as a
// piece, and bounds about as long as a line, read as getline reads them or
// end at the bound.
TEST(TextReading, BoundedLinesOfEveryLengthAroundAPieceReadAsGetline) {
    std::string text;
    std::vector<std::size_t> lengths = {0, 1, 2, 4093, 4094, 4095, 4096, 4097, 8190, 8191, 8192, 8193, 12000};
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        text += std::string(lengths[i], static_cast<char>('a' + i % 26));
        text += i % 3 == 0 ? "\r\n" : "\n";
    }
    text += "last line without an end";
    for (const bool withEnd : {true, false}) {
        const std::string all = withEnd ? text + "\n" : text;
        std::istringstream expected(all), in(all);
        std::string want, line;
        bool tooLong = true;
        while (std::getline(expected, want)) {
            ASSERT_TRUE(getLineBounded(in, line, 1u << 20, &tooLong));
            EXPECT_FALSE(tooLong);
            EXPECT_EQ(line, want);
        }
        EXPECT_FALSE(getLineBounded(in, line, 1u << 20, &tooLong));
        EXPECT_FALSE(tooLong);
        EXPECT_TRUE(in.eof());
        EXPECT_TRUE(in.fail());
    }
    for (const std::size_t length :
         {std::size_t{1}, std::size_t{4095}, std::size_t{4096}, std::size_t{9000}}) {
        for (const char *end : {"\n", ""}) {
            const std::string one(length, 'x');
            std::istringstream fits(one + end);
            std::string line;
            bool tooLong = true;
            EXPECT_TRUE(getLineBounded(fits, line, length, &tooLong)) << length;
            EXPECT_FALSE(tooLong);
            EXPECT_EQ(line, one);
            std::istringstream over(one + end);
            EXPECT_FALSE(getLineBounded(over, line, length - 1, &tooLong)) << length;
            EXPECT_TRUE(tooLong);
            EXPECT_EQ(line.size(), length - 1);
            EXPECT_TRUE(over.fail());
        }
    }
}

// What a message shows of a text a reader found.
TEST(TextReading, ControlCharactersOfInputTextShowInMessagesInCaretNotation) {
    const struct {
        std::string text, shown;
    } cases[] = {
        {"0\x1A", "\"0^Z\""},
        {std::string("a\0b", 3), "\"a^@b\""},
        {"North\tRoad", "\"North^IRoad\""},
        {"x\r\ny", "\"x^M^Jy\""},
        {"\x1B\x1F\x7F", "\"^[^_^?\""},
        {"", "\"\""},
        {"µg/m³ ~ 12,5", "\"µg/m³ ~ 12,5\""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(quotedText(c.text), c.shown);
        EXPECT_EQ(visibleText(c.text), c.shown.substr(1, c.shown.size() - 2));
    }
}

// What a message quotes of a line that may be anything: its first characters,
// visible, cut between characters of UTF-8.
TEST(TextReading, AnExcerptOfALineShowsItsFirstCharactersVisibleAndCutBetweenCharacters) {
    const struct {
        std::string text;
        std::size_t maxChars;
        std::string shown;
    } cases[] = {
        {"Main Street", 11, "Main Street"},
        {"Main Street", 4, "Main..."},
        {std::string("\x7F"
                     "ELF\x02\0\x1B",
                     7),
         7, "^?ELF^B^@^["},
        {"\xC3\xA4\xC3\xB6\xC3\xBC", 2, "\xC3\xA4\xC3\xB6..."},
        {"", 3, ""},
        {std::string(20'000'000, 'x'), 3, "xxx..."},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(visibleExcerpt(c.text, c.maxChars), c.shown) << c.text.substr(0, 20);
    }
}

} // namespace
} // namespace vesk
