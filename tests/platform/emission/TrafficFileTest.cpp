#include "platform/emission/EmissionLibrary.h"

#include "platform/emission/EmissionTestData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <regex>
#include <sstream>

using namespace vesk;
using namespace vesk::test;

namespace {

// Flows and speeds are printed with one decimal and kept as Singles.
constexpr double kTol = 1e-3;

// A traffic file with a composed category "Cars" (PCPetrol 0.3, PCDiesel 0.7)
// and "HGV"; in day case d and period h the cars flow is 100 d + h, the
// lorries 10 d, speeds 40 + h / 10 and 30, cold start 10 %.
std::string trafficText(int periods, int type = 1,
                        const std::vector<std::array<const char *, 3>> &dayCases = {
                            {"Working day", "DayNow <= 5", ""}, {"Weekend", "DayNow >= 6", ""}}) {
    std::ostringstream s;
    s << "\"WinVESK traffic file\"\n\"Test profiles\"\n[Settings]\n\"Name\",\"Value\"\n"
      << "\"Type\"," << type << "\n\"Periods\"," << periods << "\n"
      << "[Categories]\n\"Name\",\"Long name\",\"Sub-categories\"\n"
      << "\"Cars\",\"Passenger cars\",\"PCPetrol\",0.3,\"PCDiesel\",0.7\n\"HGV\",\"Lorries\"\n"
      << "[Day cases]\n\"Name\",\"Day condition\",\"Month condition\"\n";
    for (const auto &d : dayCases) {
        s << "\"" << d[0] << "\",\"" << d[1] << "\",\"" << d[2] << "\"\n";
    }
    for (size_t d = 1; d <= dayCases.size(); ++d) {
        s << "[Day case " << d
          << "]\n\"Period\",\"Cars\",\"HGV\",\"Speed light\",\"Speed heavy\",\"Cold start (%)\"\n";
        for (int h = 1; h <= periods; ++h) {
            s << h << "," << 100 * d + h << "," << 10 * d << "," << 40 + h / 10.0 << ",30,10\n";
        }
    }
    return s.str();
}

struct Loaded {
    TempDir dir;
    EmissionLibrary lib;
    std::string error;
    bool read(const std::string &text, double speed = 0, double adt = 0) {
        lib.SetStandardCategories({}, noxPollutants());
        auto path = dir.write("Test.trf", text);
        return lib.ReadTrafficFile(path.string(), speed, adt, &error);
    }
};

class TrafficPeriods : public ::testing::TestWithParam<int> {};

TEST_P(TrafficPeriods, ProfilesOfEveryPeriodAndDayCaseAreRead) {
    const int periods = GetParam();
    Loaded t;
    ASSERT_TRUE(t.read(trafficText(periods))) << t.error;
    const TrafficAll &all = t.lib.TrafficList.All;
    EXPECT_FALSE(all.ErrorInTrafficFile);
    EXPECT_EQ(all.Nhours, periods);
    EXPECT_EQ(all.DayCases, 2);
    ASSERT_EQ(all.VehCategories, 2);
    EXPECT_EQ(all.VehCatNames(1), "Cars");
    EXPECT_EQ(all.DayCaseName(2), "Weekend");
    EXPECT_EQ(all.CodeDay(2), "DayNow >= 6");
    EXPECT_EQ(all.CodeMonth(2), "");
    EXPECT_NEAR(t.lib.TrafficList.item(1).Flow(periods, 2), 200 + periods, kTol);
    EXPECT_NEAR(t.lib.TrafficList.item(2).Flow(1, 1), 10, kTol);
    EXPECT_NEAR(all.Vshort(periods, 1), 40 + periods / 10.0, kTol);
    EXPECT_NEAR(all.Vlong(3, 2), 30, kTol);
    EXPECT_NEAR(all.ColdStart(3, 2), 10, kTol);
    EXPECT_THROW((void)all.Vshort(periods + 1, 1), std::out_of_range);
    // The emission items follow the traffic categories by position.
    EXPECT_EQ(t.lib.EmissionList.item(1).name, "Cars");
    EXPECT_EQ(t.lib.EmissionList.item(2).name, "HGV");
    EXPECT_EQ(t.lib.EmissionTable.find("NOx")->Value.periods(), periods);
}

INSTANTIATE_TEST_SUITE_P(HourlyAndHalfHourly, TrafficPeriods, ::testing::Values(24, 48));

TEST(TrafficFile, AnnualTrafficAndSpeedAreAveragedOverAReferenceYear) {
    Loaded t;
    ASSERT_TRUE(t.read(trafficText(24))) << t.error;
    // Day case d sums to 24 x 100 d + 300 (cars) + 240 d (lorries):
    // working days 2940, weekend days 5580; 5 of 7 days are working days.
    double expectedAdt = (5 * 2940.0 + 2 * 5580.0) / 7;
    EXPECT_NEAR(t.lib.TrafficList.All.sAnnualDiurnalTraffic, expectedAdt, 0.05);
    EXPECT_NEAR(t.lib.TrafficList.All.AnnualDiurnalTraffic, expectedAdt, 0.05);
    // Mean light speed of every profile: 40 + 12.5 / 10.
    EXPECT_NEAR(t.lib.TrafficList.All.sAverageTrafficSpeed, 41.25, kTol);
}

TEST(TrafficFile, AStandardProfileIsScaledToTheProjectTrafficAndSpeed) {
    Loaded counted, standard;
    ASSERT_TRUE(counted.read(trafficText(24, 1), 20.625, 10000)) << counted.error;
    ASSERT_TRUE(standard.read(trafficText(24, 2), 20.625, 10000)) << standard.error;
    const TrafficAll &c = counted.lib.TrafficList.All;
    const TrafficAll &s = standard.lib.TrafficList.All;
    // Counted traffic stays as it is, whatever the project says.
    EXPECT_NEAR(counted.lib.TrafficList.item(1).Flow(5, 1), 105, kTol);
    EXPECT_NEAR(c.AnnualDiurnalTraffic, c.sAnnualDiurnalTraffic, kTol);
    // A standard profile is scaled; its own values stay in the s-properties.
    double factor = 10000 / s.sAnnualDiurnalTraffic;
    EXPECT_NEAR(standard.lib.TrafficList.item(1).Flow(5, 1), 105 * factor, 1e-2);
    EXPECT_NEAR(s.AnnualDiurnalTraffic, 10000, kTol);
    EXPECT_NEAR(s.AverageTrafficSpeed, 20.625, kTol);
    EXPECT_NEAR(s.Vshort(5, 1), 40.5 / 2, kTol);
    EXPECT_NEAR(s.Vlong(5, 1), 15, kTol);
}

TEST(TrafficFile, StructuredConditionsAreOfferedForSimpleCodes) {
    Loaded t;
    ASSERT_TRUE(t.read(trafficText(
        24, 1, {{"Mon-Fri", "DayNow <= 5", "MonthNow<>7"}, {"Weekend", "DayNow = 6 OR DayNow = 7", ""}})))
        << t.error;
    const TrafficAll &all = t.lib.TrafficList.All;
    EXPECT_EQ(all.DayCaseDay(1), 5);
    EXPECT_EQ(all.DayCaseDayCop(1), CopLe);
    EXPECT_EQ(all.DayCaseMonth(1), 7);
    EXPECT_EQ(all.DayCaseMonthCop(1), CopNe);
    EXPECT_EQ(all.DayCaseDayCop(2), CopNone);
    EXPECT_EQ(all.DayCaseMonthCop(2), CopNone);
}

TEST(TrafficFile, AFileWithoutDayCasesIsRead) {
    Loaded t;
    ASSERT_TRUE(t.read(trafficText(24, 1, {}))) << t.error;
    EXPECT_EQ(t.lib.TrafficList.All.DayCases, 0);
    EXPECT_FLOAT_EQ(t.lib.TrafficList.All.sAnnualDiurnalTraffic, 0.0f);
}

struct BadTraffic {
    const char *name;
    const char *from;
    const char *to;
    const char *message;
};

class MalformedTraffic : public ::testing::TestWithParam<BadTraffic> {};

TEST_P(MalformedTraffic, IsRefusedAndMarkedAsAnErrorWithoutTouchingTheLastFile) {
    Loaded t;
    ASSERT_TRUE(t.read(trafficText(24))) << t.error;
    std::string text = trafficText(24);
    auto at = text.find(GetParam().from);
    ASSERT_NE(at, std::string::npos) << GetParam().from;
    text.replace(at, std::string(GetParam().from).size(), GetParam().to);
    EXPECT_FALSE(t.read(text));
    EXPECT_TRUE(std::regex_search(t.error, std::regex(GetParam().message))) << t.error;
    EXPECT_TRUE(t.lib.TrafficList.All.ErrorInTrafficFile);
    EXPECT_EQ(t.lib.TrafficList.All.errorText, t.error);
    EXPECT_EQ(t.lib.TrafficList.All.DayCases, 2) << "the profiles read before were lost";
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, MalformedTraffic,
    ::testing::Values(
        BadTraffic{"periods", "\"Periods\",24", "\"Periods\",12",
                   R"(Test\.trf, line 6: expected "Type" with 1 or 2, or "Periods" with 24 or 48)"},
        BadTraffic{"fractions", "0.7", "0.6",
                   R"(line 9: the sub-category fractions of "Cars" add up to 0\.9)"},
        BadTraffic{"condition", "DayNow >= 6", "Weekday >= 6",
                   R"(line 14: the conditions of day case "Weekend" are not valid: Unknown name "Weekday")"},
        BadTraffic{"missing row", "24,124,10,42.4,30,10\n", "",
                   R"(line 40: expected the row of period 24 of 24 in day case 1)"},
        BadTraffic{"period out of order", "\n3,103", "\n4,103",
                   R"(line 19: expected period 3 followed by 2 flows)"},
        BadTraffic{"negative flow", "\n3,103", "\n3,-103",
                   R"(line 19: expected a flow of 0 to 1000000 vehicles for Cars)"},
        BadTraffic{"flow beyond a Single", "\n3,103", "\n3,1e39",
                   R"(line 19: expected a flow of 0 to 1000000 vehicles for Cars)"},
        BadTraffic{"flow no street carries", "\n3,103", "\n3,2e6",
                   R"(line 19: expected a flow of 0 to 1000000 vehicles for Cars)"},
        BadTraffic{"cold start", "42.4,30,10\n", "42.4,30,101\n", R"(line 40: expected a cold-start share)"},
        BadTraffic{"zero speed", "\n2,102,10,40.2,30", "\n2,102,10,0,30",
                   R"(line 18: expected speeds of light and heavy vehicles above 0)"},
        BadTraffic{"speed no vehicle drives", "\n2,102,10,40.2,30", "\n2,102,10,40.2,3000",
                   R"(line 18: expected speeds of light and heavy vehicles above 0 and up to 300 km/h)"},
        BadTraffic{"wrong titles", "\"Period\",\"Cars\",\"HGV\"", "\"Period\",\"HGV\",\"Cars\"",
                   R"(line 16: expected the column titles "Period", "Cars", "HGV")"},
        BadTraffic{"missing profile", "[Day case 2]", "[Day case 1]",
                   R"(the profile of day case 1 is given twice)"},
        BadTraffic{"sections out of order", "[Settings]", "[Stuff]",
                   R"(line 3: expected the section \[Settings\])"}),
    [](const auto &info) { return vesk::test::testNameOf(info.param.name); });

TEST(TrafficFile, ADailyTrafficOrSpeedNoStreetHasIsRefusedBeforeItScalesTheProfile) {
    Loaded t;
    EXPECT_FALSE(t.read(trafficText(24, 2), 40, 1e39));
    EXPECT_NE(t.error.find("Test.trf: the daily traffic 1e+39 given for the street is out of range (at most "
                           "10000000 vehicles a day)."),
              std::string::npos)
        << t.error;
    EXPECT_FALSE(t.read(trafficText(24, 2), 4000, 20000));
    EXPECT_NE(t.error.find("the travel speed 4000 given for the street is out of range"), std::string::npos)
        << t.error;
    EXPECT_TRUE(t.read(trafficText(24, 2), 40, 20000)) << "values a street can have are taken: " << t.error;
}

TEST(TrafficFile, AMissingFileIsAnErrorNamingIt) {
    EmissionLibrary lib;
    std::string error;
    EXPECT_FALSE(lib.ReadTrafficFile("/nonexistent/Street.trf", 0, 0, &error));
    EXPECT_TRUE(lib.TrafficList.All.ErrorInTrafficFile);
    EXPECT_NE(error.find("/nonexistent/Street.trf"), std::string::npos);
}

} // namespace
