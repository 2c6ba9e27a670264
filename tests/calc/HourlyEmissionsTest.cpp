#include "calc/HourlyEmissions.h"

#include "calc/DayCases.h"
#include "calc/EmissionFixture.h"
#include "calc/EmissionSetup.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

// Singles carry about seven significant digits.
constexpr double kTol = 1e-5;
// g/km per hour to µg/(m·s): 1e6 µg / (1000 m x 3600 s).
constexpr double kGramPerKmHourToMicrogramPerMetreSecond = 1.0 / 3.6;

// The small lists' factors (g/km) at 50 km/h for NOx (pollutant 0).
constexpr double kPetrolNOx50 = 0.25 * 0.5 + 0.75 * 0.2;
constexpr double kDieselNOx = 0.2;

struct Ready : EmissionFixture {
    Ready() { setUp(); }
    // With a factor file of its own in place of the small one.
    explicit Ready(const std::string &factors) {
        dir.write("emission/Small.eft", factors);
        setUp();
    }
    void setUp() {
        InitEmissions(state, ui);
        EXPECT_TRUE(state.EmissionReady) << (ui.messages.empty() ? "" : ui.messages.front());
    }
    // The traffic categories of the state and the component, with flows now.
    void traffic(const std::string &name, float flow, std::vector<std::pair<std::string, float>> subs = {}) {
        TrafficCategory c;
        c.name = name;
        c.FlowNow = flow;
        for (auto &[sub, fraction] : subs) {
            c.subNames.push_back(sub);
            c.subFractions.push_back(fraction);
        }
        c.Composed = !subs.empty();
        state.EmissionComponent.TrafficList.items.push_back(c);
        state.VehCatNames.push_back(name);
        state.VehCategories = static_cast<int>(state.VehCatNames.size()) - 1;
    }
    void sizeTables(int slots) {
        state.CategoryEmission.assign(state.NPol + 1, std::vector<float>(slots + 1, -1.0f));
    }
    float qpol(const std::string &name, int p) {
        return state.EmissionComponent.EmissionList.find(name)->QPOL[p];
    }
};

TEST(HourlyEmissions, ComposedCategoriesShareTheirFlowBetweenSubCategories) {
    Ready r;
    r.traffic("Cars", 200, {{"PCPetrol", 0.25f}, {"PCDiesel", 0.75f}});
    r.traffic("HGV", 10);
    r.sizeTables(3);
    ASSERT_TRUE(CalcHourlyEmissions(r.state, 0, 50, 50, 15, 0));
    const auto &slots = r.state.CategoryEmission[0];
    EXPECT_NEAR(slots[1], 200 * 0.25 * kPetrolNOx50, kTol);
    EXPECT_NEAR(slots[2], 200 * 0.75 * kDieselNOx, kTol);
    EXPECT_NEAR(slots[3], 10 * 2.0, kTol);
    EXPECT_NEAR(r.qpol("Cars", 0), 200 * (0.25 * kPetrolNOx50 + 0.75 * kDieselNOx), kTol);
    EXPECT_NEAR(r.qpol("HGV", 0), 20.0, kTol);
}

TEST(HourlyEmissions, SpeedsBelowTheFloorTakeTheFactorAtTenKilometresAnHour) {
    Ready r;
    r.traffic("PCPetrol", 100);
    r.traffic("HGV", 100);
    r.sizeTables(2);
    ASSERT_TRUE(CalcHourlyEmissions(r.state, 0, 5, 10, 15, 0));
    const auto &cat = *r.state.EmissionComponent.VehicleCategories.find("PCPetrol");
    const auto &lib = r.state.EmissionComponent;
    EXPECT_NEAR(r.qpol("PCPetrol", 0), 100 * cat.Tarvik(lib.FleetList, lib.FuelList, 0, 10, 15, 0), kTol);
    EXPECT_NEAR(r.qpol("PCPetrol", 0), 100 * (0.25 * 1.0 + 0.75 * 0.2), kTol);
    // 10 km/h itself stays; the heavy class takes its own speed.
    EXPECT_NEAR(r.qpol("HGV", 0), 100 * 4.0, kTol);
}

TEST(HourlyEmissions, EachCategoryDrivesAtTheSpeedOfItsLengthClass) {
    Ready r;
    r.traffic("PCPetrol", 1);
    r.traffic("HGV", 1);
    r.sizeTables(2);
    ASSERT_TRUE(CalcHourlyEmissions(r.state, 0, 50, 30, 15, 0));
    EXPECT_NEAR(r.qpol("PCPetrol", 0), kPetrolNOx50, kTol);
    EXPECT_NEAR(r.qpol("HGV", 0), 3.0, kTol); // 4.0 at 10, 2.0 at 50
}

TEST(HourlyEmissions, ThousandVehiclesAtHalfAGramPerKilometreGive138point9MicrogramsPerMetreSecond) {
    // A category whose factor is 0.5 g/km at every speed.
    EmissionFixture f;
    f.dir.write(
        "emission/Small.eft",
        "\"Flat\"\n[Speeds]\n\"Speed (km/h)\"\n10 130\n[Factors]\n\"Class\"\n"
        "\"Car\",\"old\",\"NOx\",1,0,0.5,0.5\n\"Car\",\"old\",\"NO2\",\"share of\",\"NOx\",0.1\n"
        "\"Car\",\"new\",\"NOx\",1,0,0.5,0.5\n\"Car\",\"new\",\"NO2\",\"share of\",\"NOx\",0.1\n"
        "\"Lorry\",\"any\",\"NOx\",1,0,0.5,0.5\n\"Lorry\",\"any\",\"NO2\",\"share of\",\"NOx\",0.1\n");
    InitEmissions(f.state, f.ui);
    ASSERT_TRUE(f.state.EmissionReady) << f.ui.messages.front();
    f.writeTraffic("Flat.trf", 24, 1000, 0);
    ASSERT_EQ(SetUpStreetTraffic(f.state, f.ui).outcome, TrafficSetupOutcome::Ready) << f.ui.messages.front();
    float total = f.state.EmissionComponent.EmissionTable.find("NOx")->Value.get(8, 1);
    EXPECT_NEAR(total, 500.0, kTol);
    EXPECT_NEAR(total * kGramPerKmHourToMicrogramPerMetreSecond, 138.9, 0.05);
}

TEST(HourlyEmissions, ACategoryWithoutFactorsHasNoEmissionWhateverItsFlow) {
    Ready r;
    r.traffic("PCPetrol", 100);
    r.sizeTables(1);
    ASSERT_TRUE(CalcHourlyEmissions(r.state, 1, 50, 50, 15, 0)); // NO is not emitted
    EXPECT_FLOAT_EQ(r.qpol("PCPetrol", 1), -99.0f);
    EXPECT_FLOAT_EQ(r.state.CategoryEmission[1][1], -99.0f);
}

TEST(HourlyEmissions, AComposedCategoryWithASubCategoryWithoutFactorHasNoEmission) {
    // Lorries without a benzene factor (benzene is not emitted here, so the set-up accepts it);
    // diesel cars keep theirs.
    std::string factors = kSmallFactors;
    const std::string lorryBenzene = "\"Lorry\",\"any\",\"BNZ\",1,0,0.001,0.001,0.001\n";
    ASSERT_NE(factors.find(lorryBenzene), std::string::npos);
    factors.erase(factors.find(lorryBenzene), lorryBenzene.size());
    Ready r(factors);
    constexpr int kBenzene = 4;
    r.traffic("Mixed", 100, {{"PCDiesel", 0.5f}, {"HGV", 0.5f}});
    r.sizeTables(2);
    ASSERT_TRUE(CalcHourlyEmissions(r.state, kBenzene, 50, 50, 15, 0));
    EXPECT_FLOAT_EQ(r.qpol("Mixed", kBenzene), -99.0f);
    EXPECT_NEAR(r.state.CategoryEmission[kBenzene][1], 100 * 0.5 * 0.002, kTol) << "diesel cars have one";
    EXPECT_FLOAT_EQ(r.state.CategoryEmission[kBenzene][2], -99.0f) << "lorries have none";
    // NOx, which both have, is the sum of the two.
    ASSERT_TRUE(CalcHourlyEmissions(r.state, 0, 50, 50, 15, 0));
    EXPECT_NEAR(r.qpol("Mixed", 0), 100 * (0.5 * kDieselNOx + 0.5 * 2.0), kTol);

    // The sub-category without a factor first, and a mere 0.001 of the flow
    // beside diesel cars of 0.2 g/km: still none.
    const std::string newCarBenzene = "\"Car\",\"new\",\"BNZ\",1,1.0,0.002,0.002,0.002\n";
    ASSERT_NE(factors.find(newCarBenzene), std::string::npos);
    factors.replace(factors.find(newCarBenzene), newCarBenzene.size(),
                    "\"Car\",\"new\",\"BNZ\",1,1.0,0.2,0.2,0.2\n");
    Ready few(factors);
    few.traffic("Mixed", 100, {{"HGV", 0.001f}, {"PCDiesel", 0.999f}});
    few.sizeTables(2);
    ASSERT_TRUE(CalcHourlyEmissions(few.state, kBenzene, 50, 50, 15, 0));
    EXPECT_FLOAT_EQ(few.qpol("Mixed", kBenzene), -99.0f);
    EXPECT_FLOAT_EQ(few.state.CategoryEmission[kBenzene][1], -99.0f) << "lorries have none";
    EXPECT_NEAR(few.state.CategoryEmission[kBenzene][2], 100 * 0.999 * 0.2, kTol);
}

TEST(HourlyEmissions, AFactorOfZeroIsAnEmissionOfZeroAlsoInAComposedCategory) {
    // Lorries emit no benzene: a factor of 0 at every speed.
    std::string factors = kSmallFactors;
    const std::string lorryBenzene = "\"Lorry\",\"any\",\"BNZ\",1,0,0.001,0.001,0.001\n";
    ASSERT_NE(factors.find(lorryBenzene), std::string::npos);
    factors.replace(factors.find(lorryBenzene), lorryBenzene.size(), "\"Lorry\",\"any\",\"BNZ\",1,0,0,0,0\n");
    Ready r(factors);
    constexpr int kBenzene = 4;
    r.traffic("Mixed", 100, {{"PCDiesel", 0.5f}, {"HGV", 0.5f}});
    r.traffic("HGV", 10);
    r.sizeTables(3);
    ASSERT_TRUE(CalcHourlyEmissions(r.state, kBenzene, 50, 50, 15, 0));
    EXPECT_NEAR(r.qpol("Mixed", kBenzene), 100 * 0.5 * 0.002, kTol) << "the diesel cars' benzene alone";
    EXPECT_FLOAT_EQ(r.state.CategoryEmission[kBenzene][2], 0.0f) << "the lorries of the mixed category";
    EXPECT_FLOAT_EQ(r.qpol("HGV", kBenzene), 0.0f);
    EXPECT_FLOAT_EQ(r.state.CategoryEmission[kBenzene][3], 0.0f);
}

TEST(HourlyEmissions, WithoutCategoriesNothingIsWritten) {
    Ready r;
    r.sizeTables(3);
    ASSERT_TRUE(CalcHourlyEmissions(r.state, 0, 50, 50, 15, 0));
    for (float v : r.state.CategoryEmission[0]) {
        EXPECT_FLOAT_EQ(v, -1.0f);
    }
}

TEST(HourlyEmissions, UnknownCategoriesAndTooFewSlotsAreReportedNotCrashed) {
    Ready r;
    r.traffic("Tram", 5);
    r.sizeTables(3);
    std::string error;
    EXPECT_FALSE(CalcHourlyEmissions(r.state, 0, 50, 50, 15, 0, &error));
    EXPECT_NE(error.find("\"Tram\""), std::string::npos);

    Ready few;
    few.traffic("PCPetrol", 5);
    few.traffic("HGV", 5);
    few.sizeTables(1);
    EXPECT_FALSE(CalcHourlyEmissions(few.state, 0, 50, 50, 15, 0, &error));
    EXPECT_NE(error.find("More vehicle categories"), std::string::npos);
}

} // namespace
