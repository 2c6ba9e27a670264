// The demo country's standard files run together: the standard meteorology
// and regional background file described by MetBack.fmt, the standard
// traffic file of StrTrf.lst and a standard city type, so that the urban
// background is generated from the regional one.

#include "run/RunFixture.h"

#include "project/FormatFiles.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class StandardFilesRun : public RunFixture {};

double number(const std::string &cell) {
    return std::stod(cell);
}

} // namespace

TEST_F(StandardFilesRun, TheStandardMeteorologyFileWithItsCommonLayoutGeneratesTheUrbanBackground) {
    FileFormatLists layout;
    std::string error;
    ASSERT_TRUE(readMetBackFormat(state.ListsDir, &layout, &error)) << error;
    std::vector<StandardFile> metBack, traffic;
    ASSERT_TRUE(readStandardFileList(state.ListsDir + "MetBack.lst", &metBack, &error)) << error;
    ASSERT_TRUE(readStandardFileList(state.ListsDir + "StrTrf.lst", &traffic, &error)) << error;
    ASSERT_FALSE(metBack.empty());
    ASSERT_FALSE(traffic.empty());

    FileRecord input{
        metBack.front().fileName,
        "input",
        {"[" + layout.varList + "]", "[" + layout.formatList + "]", "[" + layout.scalingList + "]"}};
    FileRecord trafficFile{".\\" + traffic.front().fileName, "traffic", {"18000", "45"}};
    FileRecord output = outputFile("Out.txt", "year, month, day, hour, cNOx_r, cNOx_b, cNO2_mod_1", "0,*");
    ASSERT_NO_FATAL_FAILURE(
        loadProject("Standard.vkp", projectText({input, trafficFile, output}, "Standard Street", 2)));

    const RunReport report = run();
    ASSERT_EQ(report.outcome, RunOutcome::Completed) << report.error;
    EXPECT_EQ(report.hours, 8760);

    const std::vector<std::string> lines = fileLines(work("Out.txt"));
    ASSERT_EQ(lines.size(), 8761u);
    double regional = 0, urban = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> row = cells(lines[i]);
        ASSERT_EQ(row.size(), 7u) << lines[i];
        EXPECT_GE(number(row[5]), number(row[4])) << "the city adds to the regional background: " << lines[i];
        regional += number(row[4]);
        urban += number(row[5]);
    }
    EXPECT_GT(urban, 1.2 * regional) << "a medium city's own emissions raise the NOx background";
}
