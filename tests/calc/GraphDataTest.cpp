#include "calc/GraphData.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

using test::TempDir;

const std::string kCannotOpen = "Can\u00B4t open the file";

GraphData read(const TempDir &dir, const std::string &text, std::string *message = nullptr) {
    const std::string path = dir.write("NOX_1.dat", text).string();
    GraphData data;
    std::string ignored;
    EXPECT_TRUE(ReadGraphFile(path, &data, message ? message : &ignored)) << (message ? *message : ignored);
    return data;
}

// The message of a file that is refused, checked to name the file.
std::string refusal(const TempDir &dir, const std::string &text) {
    const std::string path = dir.write("bad.dat", text).string();
    GraphData data;
    data.directions = {1};
    std::string message;
    EXPECT_FALSE(ReadGraphFile(path, &data, &message));
    EXPECT_EQ(data.rowCount(), 0) << "a refused file leaves no data behind";
    EXPECT_NE(message.find(" reading the file:\r\n" + path), std::string::npos) << message;
    return message;
}

TEST(GraphFile, DecimalCommasBetweenBlanksReadAsDecimalPoints) {
    TempDir dir;
    const GraphData comma = read(dir, "0 12,5 7,25\r\n10 13,5 8\r\n");
    const GraphData point = read(dir, "0 12.5 7.25\r\n10 13.5 8\r\n");
    EXPECT_EQ(comma.directions, point.directions);
    EXPECT_EQ(comma.values, point.values);
    EXPECT_DOUBLE_EQ(comma.values[0][0], 12.5);
}

TEST(GraphFile, ARowOfADirectionAndThreeValuesGivesThreeCurvesAndMinus99IsMissing) {
    TempDir dir;
    const GraphData d = read(dir, "0 12.5 -99 8\n");
    ASSERT_EQ(d.rowCount(), 1);
    EXPECT_EQ(d.directions[0], 0);
    ASSERT_EQ(d.curveCount(), 3);
    EXPECT_EQ(d.values[1][0], kMissing);
    EXPECT_DOUBLE_EQ(d.yMax, 12.5);
}

TEST(GraphFile, SemicolonsAndTabsSeparateFieldsAsBlanksDo) {
    TempDir dir;
    const GraphData d = read(dir, "30;1.5;2.5\n60\t3\t4\n90 ; 5 ;6\n");
    ASSERT_EQ(d.curveCount(), 2);
    EXPECT_EQ(d.directions, (std::vector<double>{30, 60, 90}));
    EXPECT_EQ(d.values[0], (std::vector<double>{1.5, 3, 5}));
    EXPECT_EQ(d.values[1], (std::vector<double>{2.5, 4, 6}));
}

TEST(GraphFile, ShortRowsAndWordsAreMissingValuesNotZeros) {
    TempDir dir;
    const GraphData d = read(dir, "0 5 6 7\n10 8\n20 x 9 n/a\n");
    ASSERT_EQ(d.curveCount(), 3) << "the first row fixes the number of curves";
    EXPECT_EQ(d.values[0], (std::vector<double>{5, 8, kMissing}));
    EXPECT_EQ(d.values[1], (std::vector<double>{6, kMissing, 9}));
    EXPECT_EQ(d.values[2], (std::vector<double>{7, kMissing, kMissing}));
}

TEST(GraphFile, BlankLinesAreSkippedAndAHeaderLineBecomesAGap) {
    TempDir dir;
    const GraphData d = read(dir, "WindDir NOX_1 NOX_2\r\n\r\n0 1 2\r\n   \r\n10 3 4\r\n\r\n");
    EXPECT_EQ(d.directions, (std::vector<double>{kMissing, 0, 10}));
    EXPECT_EQ(d.values[0], (std::vector<double>{kMissing, 1, 3}));
}

TEST(GraphFile, TheLargestValueSkipsMissingOnesAndStaysUnsetWhenAllAreMissing) {
    TempDir dir;
    EXPECT_DOUBLE_EQ(read(dir, "0 -99 3\n10 4.5 -99\n").yMax, 4.5);
    EXPECT_EQ(read(dir, "0 -99 -99\n10 -99 -120\n").yMax, kNoGraphValue);
    EXPECT_DOUBLE_EQ(read(dir, "0 -3 -5\n").yMax, -3) << "a negative value that is not missing counts";
}

TEST(GraphFile, ThreeHundredSixtyRowsAndOneHundredTwentyFieldsAreTheLimits) {
    TempDir dir;
    std::string rows;
    for (int r = 0; r < kMaxGraphRows; ++r) {
        rows += std::to_string(r) + " 1\n";
    }
    EXPECT_EQ(read(dir, rows).rowCount(), 360);
    EXPECT_NE(refusal(dir, rows + "360 1\n").find("more than 360 data lines"), std::string::npos);

    std::string fields = "0";
    for (int f = 1; f < kMaxGraphFields; ++f) {
        fields += " 1";
    }
    EXPECT_EQ(read(dir, fields + "\n").curveCount(), 119);
    EXPECT_NE(refusal(dir, fields + " 1\n").find("Line 1 holds more than 120 fields"), std::string::npos);
}

TEST(GraphFile, ARowLongerThanTheFirstIsRefused) {
    TempDir dir;
    EXPECT_NE(refusal(dir, "0 1 2\n10 1 2 3\n").find("Line 2 holds more fields than the first line"),
              std::string::npos);
}

TEST(GraphFile, AFileWithoutDataLinesIsRefused) {
    TempDir dir;
    EXPECT_NE(refusal(dir, "").find("no data line"), std::string::npos);
    EXPECT_NE(refusal(dir, "\r\n  \r\n").find("no data line"), std::string::npos);
}

TEST(GraphFile, AMissingFileOrAFolderCannotBeOpened) {
    TempDir dir;
    GraphData data;
    std::string message;
    const std::string missing = (dir.path() / "NOX_1.dat").string();
    EXPECT_FALSE(ReadGraphFile(missing, &data, &message));
    EXPECT_EQ(message, kCannotOpen + "\r\n" + missing);
    EXPECT_FALSE(ReadGraphFile(dir.path().string(), &data, &message));
    EXPECT_EQ(message, kCannotOpen + "\r\n" + dir.path().string());
}

struct FieldCase {
    const char *field;
    double value;
};

class GraphField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(GraphField, ReadsANumberOrAMissingValue) {
    EXPECT_EQ(graphFieldValue(GetParam().field), GetParam().value) << GetParam().field;
}

INSTANTIATE_TEST_SUITE_P(Fields, GraphField,
                         ::testing::Values(FieldCase{"12.5", 12.5}, FieldCase{"12,5", 12.5},
                                           FieldCase{"-3", -3}, FieldCase{"1e2", 100},
                                           FieldCase{"-99", kMissing}, FieldCase{"-99.0", kMissing},
                                           FieldCase{"-250", kMissing}, FieldCase{"12abc", kMissing},
                                           FieldCase{"\"7\"", kMissing}, FieldCase{" ", kMissing},
                                           FieldCase{"1e999", kMissing}),
                         [](const auto &info) { return "case" + std::to_string(info.index); });

// ---- The descriptor ------------------------------------------------------------

struct Folders {
    TempDir work, app;
    std::string workDir() const { return work.path().string() + "/"; }
    std::string appDir() const { return app.path().string() + "/"; }
};

TEST(GraphDescriptorFile, IsReadFromTheWorkingFolderFirst) {
    Folders f;
    f.work.write("nox_1.gor", "\"NOX_1.dat\",\"Side 1, leeward\"\r\n");
    f.app.write("nox_1.gor", "\"OTHER.dat\",\"Program folder\"\r\n");
    GraphDescriptor d;
    std::string message;
    ASSERT_EQ(ReadGraphDescriptor(f.workDir(), f.appDir(), "nox_1.gor", &d, &message),
              DescriptorStatus::Read);
    EXPECT_EQ(d.dataFile, "NOX_1.dat");
    EXPECT_EQ(d.title, "Side 1, leeward") << "a quoted title keeps its comma";
    EXPECT_EQ(d.path, (f.work.path() / "nox_1.gor").string());
}

TEST(GraphDescriptorFile, IsTakenFromTheProgramFolderWhenTheWorkingFolderHasNone) {
    Folders f;
    f.app.write("nox_2.gor", "NOX_2.dat,Side 2,anything after the title\n");
    GraphDescriptor d;
    std::string message;
    ASSERT_EQ(ReadGraphDescriptor(f.workDir(), f.appDir(), "nox_2.gor", &d, &message),
              DescriptorStatus::Read);
    EXPECT_EQ(d.dataFile, "NOX_2.dat");
    EXPECT_EQ(d.title, "Side 2");
    EXPECT_EQ(d.path, (f.app.path() / "nox_2.gor").string());
}

TEST(GraphDescriptorFile, IsFoundWhateverTheLetterCaseOfItsName) {
    Folders f;
    f.work.write("NOX_1.GOR", "\"NOX_1.dat\",\"t\"\n");
    GraphDescriptor d;
    std::string message;
    EXPECT_EQ(ReadGraphDescriptor(f.workDir(), f.appDir(), "nox_1.gor", &d, &message),
              DescriptorStatus::Read);
}

TEST(GraphDescriptorFile, InNeitherFolderCannotBeOpened) {
    Folders f;
    GraphDescriptor d;
    std::string message;
    EXPECT_EQ(ReadGraphDescriptor(f.workDir(), f.appDir(), "nox_1.gor", &d, &message),
              DescriptorStatus::NotFound);
    EXPECT_EQ(message, kCannotOpen);
}

TEST(GraphDescriptorFile, WithoutATitleOrADataFileIsNotAGraphFile) {
    Folders f;
    GraphDescriptor d;
    std::string message;
    for (const char *text : {"\"NOX_1.dat\"\n", "", "\"\",\"title\"\n"}) {
        f.work.write("nox_1.gor", text);
        EXPECT_EQ(ReadGraphDescriptor(f.workDir(), f.appDir(), "nox_1.gor", &d, &message),
                  DescriptorStatus::Invalid)
            << text;
        EXPECT_TRUE(message.ends_with(" This is not a Graph file")) << message;
    }
}

} // namespace
} // namespace vesk
