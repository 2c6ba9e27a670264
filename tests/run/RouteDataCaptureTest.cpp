// Data capture of a route: the share of the hours (days) its segments ask
// for that the run computed. The segments of a person follow one another and
// a person's next segment takes the hour of the change again; the segments
// of different persons overlap in time. So the span from the first hour of
// the run to its last is no measure of them.

#include "run/RunFixture.h"
#include "run/results/ResultsTable.h"

#include "calc/Format.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// Meteorology and background from hour 1 of 6 March 2023 on, `count` hours.
std::string hours(int count) {
    std::string out;
    for (int h = 0; h < count; ++h) {
        out += "2023,3," + std::to_string(6 + h / 24) + "," + std::to_string(h % 24 + 1) +
               ",3,200,10,0,30,20,40\r\n";
    }
    return out;
}

// A segment of a person in March 2023 ("d hh:mm", or a text of its own when
// it holds no day) in a street with the city street traffic.
std::string segment(const std::string &id, const std::string &person, const std::string &no,
                    const std::string &in, const std::string &out) {
    auto when = [](const std::string &t) { return t.size() > 5 ? "2023-03-0" + t : t; };
    return "\"" + id + "\",\"" + person + "\"," + no + ",1,0,1,5,2000,\"" + when(in) + "\",\"" + when(out) +
           "\",3600,\".\\CityStreet.trf\",20000,40,20,18,100,100,0,1,2,0\r\n";
}

// Person A walks 01:00-03:30 (hours 2 to 4) and 03:30-05:00 (hours 4 to 6)
// of 6 March; person B, read after A, 02:00-04:00 (hours 3 to 5): nine hours
// asked for, over a span from hour 2 to hour 5 of the last one read.
std::string route() {
    return segment("A1", "A", "1", "6 01:00", "6 03:30") + segment("A2", "A", "2", "6 03:30", "6 05:00") +
           segment("B1", "B", "1", "6 02:00", "6 04:00");
}

// Stops the run when it has calculated `hours` hours.
struct StopAfterHours : RunObserver {
    RunControl &control;
    int hours, done = 0;
    StopAfterHours(RunControl &c, int n) : control(c), hours(n) {}
    void hourDone(int, int, int) override {
        if (++done == hours) {
            control.requestStop();
        }
    }
};

class RouteDataCapture : public RunFixture {
protected:
    // The text of a data capture of NO2 modelled on the page of the larger
    // side: of the hourly section (the first "Data capture" column) or of the
    // daily one (the last).
    std::string shownCapture(bool daily = false) {
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
        for (int col = 0; col < page.columnCount(); ++col) {
            if (page.cell(1, col).text == "Data capture" && (daily || capture < 0)) {
                capture = col;
            }
        }
        return modelled >= 0 && capture >= 0 ? page.cell(modelled, capture).text : "(not shown)";
    }
    float capture(const char *statistic, const char *word) {
        return state.StatVarList.item(statistic).Value(0, word, state.PollutantList, state.OutputUnitFactor,
                                                       state.CalcPeriod);
    }
    RunReport runRoute(int hoursOfData, const std::string &routeText = route(),
                       RunObserver *observer = nullptr) {
        writeWork("Hours.txt", hours(hoursOfData));
        writeWork("Route.txt", routeText);

        loadProject("Route.vkp", projectText({inputFile("Hours.txt", kMarchHourVariables),
                                              outputFile("Out.txt", "segmentid,hour,cNO2_mod_1", "0,*"),
                                              {"Route.txt", "route", {}}}));
        state.BatchMode = false; // a run of the window: its results window shows the data capture
        // A route project starts without daily values; the options can ask for them again.
        state.CalcDaily = true;
        state.MinNobsDay = 1; // a day of a route has few hours
        return run(observer);
    }
};

} // namespace

TEST_F(RouteDataCapture, IsTheShareOfTheHoursItsSegmentsAskFor) {
    ASSERT_EQ(runRoute(24).outcome, RunOutcome::Completed) << said();
    ASSERT_EQ(state.StatVarList.item("nHoursNO2_mod").Value(1), 9.0f)
        << "A1, A2 and B1 give three hours each";
    EXPECT_EQ(state.CalcPeriod.hours, 9) << "the hours the segments ask for, not the span of 4 hours";
    EXPECT_EQ(state.CalcPeriod.days, 1) << "every segment lies in the day the run began with";
    EXPECT_NEAR(capture("nHoursNO2_mod", "nHours"), 100.0f, 1e-3f);
    EXPECT_EQ(shownCapture(), "100.00");
    EXPECT_EQ(shownCapture(true), "100.00");
}

TEST_F(RouteDataCapture, GoesWithThePeriodCoveredFromTheEarliestToTheLatestHourCalculated) {
    // B1, read last, ends with hour 5; A2 went on to hour 6.
    ASSERT_EQ(runRoute(24).outcome, RunOutcome::Completed) << said();
    EXPECT_EQ(state.FirstCalcDate, "2023-03-06 01:00");
    EXPECT_EQ(state.LastCalcDate, "2023-03-06 05:00") << "the latest hour, not the last one calculated";
}

TEST_F(RouteDataCapture, CountsTheHoursOfSegmentsBeyondTheDataAsMissing) {
    // The data end with hour 4: A2 gets one of its three hours and B1 two of its three.
    ASSERT_EQ(runRoute(4).outcome, RunOutcome::Completed) << said();
    ASSERT_EQ(state.StatVarList.item("nHoursNO2_mod").Value(1), 6.0f);
    EXPECT_EQ(state.CalcPeriod.hours, 9);
    EXPECT_EQ(shownCapture(), Format(100.0f * 6.0f / 9.0f, "0.00"));
}

TEST_F(RouteDataCapture, CountsTheDaysAsTheDailyStatisticsBeginThem) {
    // A1 from 22:30 of 6 March to 01:30 of 7 March (hours 23 and 24, then 1
    // and 2): two days. A2 goes on in the day A1 ended, 01:30-02:30 (hours 2
    // and 3): no new day. B1, 23:00-23:30 of 6 March (hour 24), takes the run
    // back to 6 March: a third day. Seven hours, three days, all of them with data.
    const std::string days = segment("A1", "A", "1", "6 22:30", "7 01:30") +
                             segment("A2", "A", "2", "7 01:30", "7 02:30") +
                             segment("B1", "B", "1", "6 23:00", "6 23:30");
    ASSERT_EQ(runRoute(48, days).outcome, RunOutcome::Completed) << said();
    ASSERT_EQ(state.DailyAverageList.size(), 3u);
    ASSERT_EQ(state.StatVarList.item("nDaysDNO2_mod").Value(1), 3.0f);
    EXPECT_EQ(state.CalcPeriod.hours, 7);
    EXPECT_EQ(state.CalcPeriod.days, 3) << "not 4 (the days of each segment) nor 2 (the dates)";
    EXPECT_NEAR(capture("nDaysDNO2_mod", "nDaysD"), 100.0f, 1e-3f);
    EXPECT_EQ(shownCapture(), "100.00");
    EXPECT_EQ(shownCapture(true), "100.00");
}

TEST_F(RouteDataCapture, OfAStoppedRunCountsTheSegmentsUpToTheHourItStoppedAfter) {
    // Stopped after the first hour of B1 (hour 3): A1 and A2 whole, one hour
    // of B1; what B1 had still to go is not missing data.
    StopAfterHours stop(control, 7);
    ASSERT_EQ(runRoute(24, route(), &stop).outcome, RunOutcome::Stopped) << said();
    ASSERT_EQ(state.StatVarList.item("nHoursNO2_mod").Value(1), 7.0f);
    EXPECT_EQ(state.CalcPeriod.hours, 7);
    EXPECT_EQ(state.CalcPeriod.days, 1);
    EXPECT_EQ(shownCapture(), "100.00");
}

TEST_F(RouteDataCapture, ASegmentWithoutADayStopsTheRunNamingItsTime) {
    // A time alone dated the segment to 30 December 1899: it was passed over without a word, and
    // its hours lowered the data capture as if the data had missed them.
    const std::string undated =
        segment("A1", "A", "1", "6 01:00", "6 03:30") + segment("B1", "B", "1", "02:00", "04:00");
    const RunReport report = runRoute(24, undated);
    EXPECT_EQ(report.outcome, RunOutcome::Failed);
    EXPECT_NE(said().find("\"02:00\" is a time without a date"), std::string::npos) << said();
}
