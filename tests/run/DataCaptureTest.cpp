// Data capture: the share of the hours (days) of the period a run covered,
// for a month, a leap year, a year with gaps and a period asked for that is
// longer than the data.

#include "run/RunFixture.h"
#include "run/results/ResultsTable.h"

#include "calc/Format.h"

using namespace vesk;
using namespace vesk::test;

namespace {

std::string metLine(int h) {
    return "3 " + std::to_string((200 + h * 7) % 360) + " 10 " + std::to_string(h % 24 >= 8 ? 300 : 0);
}
std::string trafficLine(int) {
    return "1000 100 50 40 120 10 5";
}
std::string backLine(int) {
    return "30 20 40 300 20";
}

// The lines of hourly input whose hour index (0-based) is kept.
std::string keptLines(const std::string &lines, const std::function<bool(int)> &kept) {
    std::string out;
    int h = 0;
    for (const std::string &line : splitLines(lines)) {
        if (!line.empty() && kept(h++)) {
            out += line + "\r\n";
        }
    }
    return out;
}

struct CaptureCase {
    const char *what;
    int year, month, day, hours; // the data written
    int gapEvery;                // every gapEvery-th day missing from the data (0 = none)
    PeriodDate start, end;       // the period asked for (unset = Auto)
    long periodHours, periodDays;
};

std::string caseName(const ::testing::TestParamInfo<CaptureCase> &info) {
    static const char *const names[] = {"March", "LeapYear", "YearWithGaps", "PeriodLongerThanData"};
    return names[info.index];
}

class DataCapture : public RunFixture, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(DataCapture, isTheShareOfTheHoursAndDaysOfThePeriodRun) {
    const CaptureCase &c = GetParam();
    // Days with a gap lie inside the data: the first and the last day stay.
    const int days = c.hours / 24;
    auto kept = [&](int h) {
        const int d = h / 24;
        return c.gapEvery == 0 || d == 0 || d == days - 1 || d % c.gapEvery != 0;
    };
    writeWork("Met.txt", keptLines(hourlyLines(c.year, c.month, c.day, c.hours, metLine), kept));
    writeWork("Traffic.txt", keptLines(hourlyLines(c.year, c.month, c.day, c.hours, trafficLine), kept));
    writeWork("Back.txt", keptLines(hourlyLines(c.year, c.month, c.day, c.hours, backLine), kept));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp",
        projectText({inputFile("Met.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad"),
                     inputFile("Traffic.txt", "year,month,day,hour,nlight,nheavy,speed_light,"
                                              "speed_heavy,qNOx,qNO2,qPM10"),
                     inputFile("Back.txt", "year,month,day,hour,cNOx_b,cNO2_b,cO3_b,cCO_b,cPM10_b")})));
    state.StartAuto = !c.start.isSet();
    state.EndAuto = !c.end.isSet();
    state.StartDate = c.start;
    state.EndDate = c.end;
    state.StartHour = 1;
    state.EndHour = 24;
    // A run of the window: its results window shows every statistic, so all are computed.
    state.BatchMode = false;
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();

    EXPECT_EQ(state.CalcPeriod.hours, c.periodHours) << c.what;
    EXPECT_EQ(state.CalcPeriod.days, c.periodDays) << c.what;

    const StatVar &hours = state.StatVarList.item("nHoursNO2_mod");
    const StatVar &daysWithMean = state.StatVarList.item("nDaysDNO2_mod");
    int keptHours = 0, keptDays = 0;
    for (int h = 0; h < c.hours; ++h) {
        keptHours += kept(h) ? 1 : 0;
        keptDays += h % 24 == 0 && kept(h) ? 1 : 0;
    }
    ASSERT_EQ(hours.Value(1), static_cast<float>(keptHours)) << c.what;
    const float hourShare = 100.0f * static_cast<float>(keptHours) / static_cast<float>(c.periodHours);
    const float dayShare = 100.0f * static_cast<float>(keptDays) / static_cast<float>(c.periodDays);
    EXPECT_NEAR(hours.Value(0, "nHours", state.PollutantList, state.OutputUnitFactor, state.CalcPeriod),
                hourShare, 1e-3f)
        << c.what;
    EXPECT_NEAR(
        daysWithMean.Value(0, "nDaysD", state.PollutantList, state.OutputUnitFactor, state.CalcPeriod),
        dayShare, 1e-3f)
        << c.what;

    // The results table says the same.
    state.NumberFormat = "0.00";
    const results::ResultsPage page = results::buildResultsPage(state, results::runStatSource(state), 0);
    int modelled = -1, capture = -1;
    for (int r = 0; r < page.rowCount(); ++r) {
        if (page.cell(r, 0).text.find("Nitrogen dioxide") != std::string::npos) {
            for (int s = r + 1; s < page.rowCount() && modelled < 0; ++s) {
                if (page.cell(s, 0).text.find("Street Modelled") != std::string::npos) {
                    modelled = s;
                }
            }
        }
    }
    for (int col = 0; col < page.columnCount() && capture < 0; ++col) {
        if (page.cell(1, col).text == "Data capture") {
            capture = col; // the first one: the hourly section
        }
    }
    ASSERT_GE(modelled, 0);
    ASSERT_GE(capture, 0);
    EXPECT_EQ(page.cell(modelled, capture).text, Format(hourShare, "0.00")) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Periods, DataCapture,
    ::testing::Values(
        CaptureCase{"a complete March", 2023, 3, 1, 744, 0, {}, {}, 744, 31},
        CaptureCase{"a complete leap year", 2024, 1, 1, 8784, 0, {}, {}, 8784, 366},
        CaptureCase{"a common year with every fourth day missing", 2023, 1, 1, 8760, 4, {}, {}, 8760, 365},
        CaptureCase{"March data in a period of March and April",
                    2023,
                    3,
                    1,
                    744,
                    0,
                    {2023, 3, 1},
                    {2023, 4, 30},
                    1464,
                    61}),
    caseName);

} // namespace
