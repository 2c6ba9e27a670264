// Project files with very long lines: a line of many fields is read in time
// that grows with its length, and a line beyond the reader's bound is
// refused at once with a message naming it.

#include "core/TextIO.h"
#include "project/ProjectFixtures.h"
#include "project/ProjectState.h"
#include "project/ProjectWriter.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

struct LongProjectLines : ::testing::Test {
    ProjectFolder folder;
    ScriptedInteraction ui;
    std::string text;

    void SetUp() override {
        ProjectState s = folder.fresh();
        fillSingleStreetProject(s);
        text = savedBytes(s);
    }

    LoadResult load(const std::string &bytes, ProjectState *out) {
        *out = folder.fresh();
        return loadFile(*out, folder.write("P.vkp", bytes), ui);
    }
};

// A title line of blank-separated words of the given length.
std::string wordsLine(std::size_t length) {
    std::string line;
    while (line.size() < length) {
        line += "ab ";
    }
    line.resize(length);
    return line;
}

} // namespace

TEST_F(LongProjectLines, ATitleLineOfTwoMegabytesIsRefusedAtOnceNamingTheLine) {
    ProjectState s;
    const LoadResult r = load(withLine(text, 1, wordsLine(2 << 20)), &s);
    EXPECT_EQ(r.outcome, LoadOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "Can't open the file\r\n" + folder.workDir +
                  "P.vkp\r\nIts line 1 is longer than 1048576 characters: this is not a project "
                  "file.");
    EXPECT_EQ(s.ProjectFile, "");
}

TEST_F(LongProjectLines, ATitleLineOfManyFieldsBelowTheBoundIsReadWhole) {
    // Six hundred thousand characters of words after the street's fields:
    // once this took minutes; now the line is split as any other.
    ProjectState s;
    const std::string first = splitLines(text)[0];
    const LoadResult r = load(withLine(text, 1, first + " " + wordsLine(600000)), &s);
    EXPECT_EQ(r.outcome, LoadOutcome::Loaded);
    ProjectState plain;
    ASSERT_EQ(load(text, &plain).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.StoredStreetName, plain.StoredStreetName);
    EXPECT_EQ(s.ScenarioYear, plain.ScenarioYear);
}

TEST_F(LongProjectLines, AListOfManyItemsIsSavedAnItemALineAndReadBack) {
    ProjectState s = folder.fresh();
    fillSingleStreetProject(s);
    std::string list;
    for (int i = 0; i < 100000; ++i) {
        list += (i == 0 ? "" : ",  ") + std::string("c") + std::to_string(i);
    }
    s.OutputVarLists[1] = list;
    const std::string bytes = savedBytes(s);
    EXPECT_NE(bytes.find("[c0,\r\nc1,\r\nc2,\r\n"), std::string::npos) << "the blanks after a comma go";
    ProjectState back;
    ASSERT_EQ(load(bytes, &back).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(back.OutputVarLists[1].size(), list.size() - 99999) << "an item a line, joined by one blank";
    EXPECT_EQ(back.OutputVarLists[1].substr(0, 12), "c0, c1, c2, ");
}
