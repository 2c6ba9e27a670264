// Hourly input files whose lines are long or end with a carriage return
// alone: each run ends at once with its message, naming the file.

#include "run/RunFixture.h"

using namespace vesk;
using namespace vesk::test;

namespace {

std::string hourLine(int h) {
    return "2023,3,6," + std::to_string(h) + ",3,200,10,0,30,20,40";
}

// A title line of blank-separated words of the given length.
std::string wordsLine(std::size_t length) {
    std::string line;
    while (line.size() < length) {
        line += "year ";
    }
    line.resize(length);
    return line;
}

class LongInputLines : public RunFixture {
protected:
    RunReport runHours(const std::string &text) {
        writeWork("Hours.txt", text);

        loadProject("Test.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                             outputFile("Out.txt", "day,hour,cNOx_mod_1", "0,*"),
                                             {".\\CityStreet.trf", "traffic", {"20000", "40"}}}));
        return run();
    }
};

} // namespace

TEST_F(LongInputLines, AFileWithCarriageReturnsAloneIsRefusedAtOnceWhateverItsSize) {
    for (const int hours : {24, 40000}) { // a day, and lines enough for more than the longest line
        SCOPED_TRACE(std::to_string(hours) + " lines");
        std::string text = "year month day hour u_mast wind_dir temperature globalrad cNOx_b cNO2_b cO3_b\r";
        for (int h = 1; h <= hours; ++h) {
            text += hourLine((h - 1) % 24 + 1) + "\r";
        }
        const RunReport report = runHours(text);
        EXPECT_EQ(report.outcome, RunOutcome::Failed);
        EXPECT_EQ(report.error,
                  "The input file\r\n" + work("Hours.txt").string() +
                      "\r\nends its lines with a carriage return alone (CR), as old Macintosh files "
                      "do. Lines of an input file end with LF or CR LF: save the file with such line "
                      "ends.");
        EXPECT_FALSE(fs::exists(work("Out.txt")));
        ui.messages.clear();
    }
}

TEST_F(LongInputLines, ALastLineEndedByACarriageReturnAloneIsStillRead) {
    const RunReport report = runHours(hourLine(1) + "\r\n" + hourLine(2) + "\r");
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(fileLines(work("Out.txt")).size(), 3u);
}

TEST_F(LongInputLines, ATitleLineOfTwoMegabytesIsRefusedAtOnceNamingTheLine) {
    const RunReport report = runHours(wordsLine(2 << 20) + "\r\n" + hourLine(1) + "\r\n");
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_EQ(report.error, work("Hours.txt").string() +
                                ", line 1: the line is longer than 1048576 characters; this is not a file of "
                                "hourly records.");
}

TEST_F(LongInputLines, AFirstLineOfAMegabyteBelowTheBoundIsATitleLinePassedOver) {
    // Two hundred thousand titles: once their splitting took minutes.
    const RunReport report =
        runHours(wordsLine(1000000) + "\r\n" + hourLine(1) + "\r\n" + hourLine(2) + "\r\n");
    EXPECT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(report.hours, 2);
    EXPECT_EQ(fileLines(work("Out.txt")).size(), 3u);
}
