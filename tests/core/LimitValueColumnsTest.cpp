// Every value of a limit value row keeps its column through the list
// editor's rows, the written LimValDef.lst and the reader: the hourly
// average, maximum, percentiles and data capture, the running 8-hour
// maximum, percentiles and data capture, the daily maximum, percentiles and
// data capture, each given a value of its own.

#include "core/ListWriters.h"
#include "project/ProjectCountry.h"

#include "CoreTestData.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

TEST(LimitValueColumns, EachValueOfARowIsWrittenAndReadBackInItsOwnColumn) {
    ProgramDir dir;
    Started s(dir);
    std::vector<LimitValueBlock> blocks = limitValueBlocks(s.state);
    ASSERT_GE(blocks.size(), 2u);
    // The demo percentiles: hourly 99.8 and 98, running 8-hour 93.2, daily 90.4 and 98.
    ASSERT_EQ(s.state.NumPercHourly, 2);
    ASSERT_EQ(s.state.NumPercRun8, 1);
    ASSERT_EQ(s.state.NumPercDaily, 2);
    // Values 1 to 12 along the row of the first pollutant, 101 to 112 along the second's.
    for (std::size_t b = 0; b < 2; ++b) {
        LimitValueRow &row = blocks[b].rows.at(0);
        double v = 100.0 * static_cast<double>(b);
        for (std::vector<double> *part : {&row.hourly, &row.run8, &row.daily}) {
            for (double &x : *part) {
                x = ++v;
            }
        }
    }
    ASSERT_EQ(limitValueListProblem(blocks, s.state), "");
    const std::string text = limitValueListText(blocks, s.state);
    EXPECT_NE(text.find("1,2,3,4,5,6,7,8,9,10,11,12\r\n"), std::string::npos) << text;
    dir.write("Lists/National/DL/LimValDef.lst", text);
    std::string error;
    ASSERT_TRUE(ReloadCountryListsKeepingProject(s.state, s.ui, nullptr, &error)) << error;

    const ReferenceTables &t = s.state;
    for (std::size_t p = 1; p <= 2; ++p) {
        SCOPED_TRACE(t.LimValPollutants[p]);
        const float o = 100.0f * static_cast<float>(p - 1);
        EXPECT_EQ(t.LimValAvHourly[p][1], o + 1);
        EXPECT_EQ(t.LimValMaxHourly[p][1], o + 2);
        EXPECT_EQ(t.LimValPercHourly[p][1][1], o + 3);
        EXPECT_EQ(t.LimValPercHourly[p][2][1], o + 4);
        EXPECT_EQ(t.LimValDCHourly[p][1], o + 5);
        EXPECT_EQ(t.LimValMaxRun8[p][1], o + 6);
        EXPECT_EQ(t.LimValPercRun8[p][1][1], o + 7);
        EXPECT_EQ(t.LimValDCRun8[p][1], o + 8);
        EXPECT_EQ(t.LimValMaxDaily[p][1], o + 9);
        EXPECT_EQ(t.LimValPercDaily[p][1][1], o + 10);
        EXPECT_EQ(t.LimValPercDaily[p][2][1], o + 11);
        EXPECT_EQ(t.LimValDCDaily[p][1], o + 12);
    }
    EXPECT_EQ(limitValueBlocks(s.state), blocks) << "the editor's rows as they were saved";
    EXPECT_TRUE(s.ui.messages.empty()) << s.ui.messages.front();
}
