// The background a run completes where its input gives none, checked by
// what the chemistry and the units must keep whatever the numbers: the
// urban background of a city type (NO and NO2 sharing out its NOx, NO2 and
// O3 keeping their sum with the direct NO2 share), and benzene from CO by
// the benzene content of petrol, with and without a city type, with CO in
// µg/m³ and in mg/m³. Also the other values a run fills in: a traffic count
// from the other two, and the time of a date that has none.

#include "run/RunFixture.h"

#include "core/Numbers.h"
#include "core/RecordIO.h"

#include <algorithm>

using namespace vesk;
using namespace vesk::test;

namespace {

using BackgroundCompletion = RunFixture;

// µg/m³ to ppb, the demo country's factors.
constexpr double kNOx = 0.5229, kNO = 0.8017, kNO2 = 0.5229, kO3 = 0.5012, kCO = 0.8588, kBNZ = 0.3080;
constexpr double kBenzeneContent = 0.8; // of petrol in the demo fuel list

std::string metLine(int h) {
    return std::to_string(2 + h % 4) + " " + std::to_string((150 + h * 11) % 360) + " 10 " +
           (h % 24 >= 8 && h % 24 <= 16 ? "300" : "0") + " " + std::to_string(300 + 20 * h);
}

} // namespace

TEST_F(BackgroundCompletion, TheUrbanBackgroundOfACityTypeSharesOutItsNOxByTheChemistry) {
    // Regional NOx 20, NO2 12 and O3 60 µg/m³; no urban background given.
    writeWork("Hours.txt",
              hourlyLines(2023, 3, 6, 24, [](int h) { return metLine(h) + " 1000 100 50 40 150 20 12 60"; }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp", projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,"
                                                        "globalrad,h_mix,nlight,nheavy,speed_light,"
                                                        "speed_heavy,qNOx,cNOx_r,cNO2_r,cO3_r"),
                                 outputFile("Out.txt", "hour,cNOx_b,cNO_b,cNO2_b,cO3_b", "0,*")},
                                "Test Street", 2)));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> nox = column("Out.txt", "cNOx_b"), no = column("Out.txt", "cNO_b"),
                                   no2 = column("Out.txt", "cNO2_b"), o3 = column("Out.txt", "cO3_b");
    ASSERT_EQ(nox.size(), 24u);
    const double noxR = 20 * kNOx, no2R = 12 * kNO2, o3R = 60 * kO3;
    int withNO = 0;
    for (std::size_t i = 0; i < nox.size(); ++i) {
        SCOPED_TRACE("hour " + std::to_string(i + 1));
        const double total = Val(nox[i]) * kNOx;
        EXPECT_GT(total, noxR) << "the city's own emissions on top of the regional background";
        EXPECT_GE(Val(no[i]), 0.0) << "at night the ozone takes up all NO";
        withNO += Val(no[i]) > 0 ? 1 : 0;
        EXPECT_GT(Val(no2[i]), 0.0);
        EXPECT_GT(Val(o3[i]), 0.0);
        EXPECT_NEAR(Val(no[i]) * kNO + Val(no2[i]) * kNO2, total, 1e-4 * total);
        const double ox = std::min(no2R + 0.05 * (total - noxR), total) + o3R;
        EXPECT_NEAR(Val(no2[i]) * kNO2 + Val(o3[i]) * kO3, ox, 1e-4 * ox);
    }
    EXPECT_GT(withNO, 6) << "in daylight NO2 is split up again";
}

struct BenzeneCase {
    const char *name;
    int cityType;
    bool coInMilligrams;
};

class BenzeneFromCO : public BackgroundCompletion, public ::testing::WithParamInterface<BenzeneCase> {};

TEST_P(BenzeneFromCO, HasTheBenzeneContentOfPetrolInEveryUnit) {
    // The CO background varies; benzene has none in the input.
    const bool mg = GetParam().coInMilligrams;
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 24, [mg](int h) {
                  const double co = 200 + 10 * h;
                  return metLine(h) + " 1000 100 50 40 150 30 20 40 " + formatNumber(mg ? co / 1000 : co);
              }));
    std::string project = projectText(
        {inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,globalrad,h_mix,"
                                "nlight,nheavy,speed_light,speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b,cCO_b"),
         outputFile("Out.txt", "hour,cCO_b,cBNZ_b", "0,*")},
        "Test Street", GetParam().cityType);
    if (mg) {
        const std::string units =
            "microg   microg    microg    microg    microg    microg    microg    microg\r\n";
        ASSERT_NE(project.find(units), std::string::npos);
        project.replace(project.find(units), units.size(),
                        "microg   microg    microg    microg    milig     microg    microg    microg\r\n");
    }
    ASSERT_NO_FATAL_FAILURE(loadProject("Test.vkp", project));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> co = column("Out.txt", "cCO_b"), bnz = column("Out.txt", "cBNZ_b");
    ASSERT_EQ(co.size(), 24u);
    for (std::size_t i = 0; i < co.size(); ++i) {
        SCOPED_TRACE("hour " + std::to_string(i + 1));
        const double coPpb = (200.0 + 10.0 * static_cast<double>(i)) * kCO;
        EXPECT_NEAR(Val(co[i]), 200.0 + 10.0 * static_cast<double>(i), 1e-3) << "written in µg/m³";
        // Benzene in ppb: the content of petrol (per thousand by volume) of CO in ppb.
        EXPECT_NEAR(Val(bnz[i]) * kBNZ, coPpb * kBenzeneContent * 0.001,
                    1e-4 * coPpb * kBenzeneContent * 0.001);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BenzeneFromCO,
                         ::testing::Values(BenzeneCase{"no_city_type", 0, false},
                                           BenzeneCase{"city_type", 2, false},
                                           BenzeneCase{"no_city_type_CO_in_mg", 0, true},
                                           BenzeneCase{"city_type_CO_in_mg", 2, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(BackgroundCompletion, TrafficCountsAreCompletedFromTheOtherTwoOnlyWhenBothAreGiven) {
    // Light, heavy and total counts, one of them missing (-99) in each of the first three hours; in the
    // fourth two are missing, which leaves nothing to complete them from.
    const char *counts[] = {"1000 100 -99", "1000 -99 1100", "-99 100 1100", "1000 -99 -99"};
    writeWork("Hours.txt", hourlyLines(2023, 3, 6, 4, [&counts](int h) {
                  return metLine(h) + " " + counts[h] + " 50 40 150 30 20 40";
              }));
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp", projectText({inputFile("Hours.txt", "year,month,day,hour,u_mast,wind_dir,temperature,"
                                                        "globalrad,h_mix,nlight,nheavy,ntotal,speed_light,"
                                                        "speed_heavy,qNOx,cNOx_b,cNO2_b,cO3_b"),
                                 outputFile("Out.txt", "hour,nlight,nheavy,ntotal", "0,*")})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> light = column("Out.txt", "nlight"), heavy = column("Out.txt", "nheavy"),
                                   total = column("Out.txt", "ntotal");
    ASSERT_EQ(total.size(), 4u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("hour " + std::to_string(i + 1));
        EXPECT_DOUBLE_EQ(Val(light[i]), 1000);
        EXPECT_DOUBLE_EQ(Val(heavy[i]), 100);
        EXPECT_DOUBLE_EQ(Val(total[i]), 1100);
    }
    EXPECT_DOUBLE_EQ(Val(light[3]), 1000);
    EXPECT_LT(Val(heavy[3]), 0) << "left missing";
    EXPECT_LT(Val(total[3]), 0) << "not the light count plus a missing heavy one";
}

TEST_F(BackgroundCompletion, ADateWithoutATimeTakesTheStartOfTheHour) {
    std::string met;
    for (int h = 1; h <= 3; ++h) {
        met += "2023-03-06 " + std::to_string(h) + " " + metLine(h) + " 1000 100 50 40 150 30 20 40\r\n";
    }
    writeWork("Hours.txt", met);
    ASSERT_NO_FATAL_FAILURE(loadProject(
        "Test.vkp", projectText({inputFile("Hours.txt", "date,hour,u_mast,wind_dir,temperature,globalrad,"
                                                        "h_mix,nlight,nheavy,speed_light,speed_heavy,qNOx,cNOx_b,"
                                                        "cNO2_b,cO3_b"),
                                 outputFile("Out.txt", "hour,datetime", "0,*")})));
    ASSERT_EQ(run().outcome, RunOutcome::Completed) << said();
    const std::vector<std::string> times = column("Out.txt", "datetime");
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[0], "2023-03-06 00:00");
    EXPECT_EQ(times[2], "2023-03-06 02:00");
}
