#include "platform/emission/FactorCurves.h"

#include "platform/emission/EmissionTestData.h"

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr double kTol = 1e-9;

// The small lists of the component's tests with benzene emitted too.
struct SmallLists {
    VehicleListDocument vehicles;
    FuelListDocument fuels;
    FactorTableDocument factors;
    EmissionLibrary lib;
    std::vector<EmissionPollutant> pollutants{
        {"NOx", 0, true}, {"NO", 1, false}, {"NO2", 2, true}, {"O3", 3, false}, {"BNZ", 4, true}};
    SmallLists() {
        std::string error;
        EXPECT_TRUE(parseVehicleListDocument(kSmallVehicles, "Small.vlf", &vehicles, &error)) << error;
        EXPECT_TRUE(parseFuelListDocument(kSmallFuels, "Small.flf", &fuels, &error)) << error;
        EXPECT_TRUE(parseFactorTableDocument(kSmallFactors, "Small.eft", &factors, &error)) << error;
    }
    // Sets up the component from the documents (again); each test calls it first.
    void setUp() {
        std::vector<int> emitters;
        std::string error;
        ASSERT_TRUE(lib.InitialiseFromDocuments(vehicles, "Small.vlf", fuels, "Small.flf", factors,
                                                "Small.eft", pollutants, &emitters, &error))
            << error;
    }
    CategoryFactorCurves curves(const std::string &category, const std::string &pollutant, int index,
                                double cold = 0) {
        return categoryFactorCurves(vehicles, factors, category, pollutant, &lib, index, cold);
    }
};

} // namespace

TEST(FactorCurves, EachTechnologyShowsItsTableFactorsAtTheTableSpeeds) {
    SmallLists l;
    ASSERT_NO_FATAL_FAILURE(l.setUp());
    const CategoryFactorCurves c = l.curves("pcpetrol", "NOx", 0);
    ASSERT_EQ(c.speeds_kmh, (std::vector<double>{10, 50, 130}));
    ASSERT_EQ(c.technologies.size(), 2u);
    EXPECT_EQ(c.technologies[0].technology, "old");
    EXPECT_DOUBLE_EQ(c.technologies[0].percent, 25);
    EXPECT_EQ(c.technologies[0].hot_gkm, (std::vector<double>{1.0, 0.5, 0.5}));
    EXPECT_EQ(c.technologies[1].hot_gkm, (std::vector<double>{0.2, 0.2, 0.2}));
    EXPECT_FALSE(c.technologies[0].isShare);
    EXPECT_EQ(l.factors.rows[static_cast<size_t>(c.technologies[0].row)].pollutant, "NOx");
}

// Fleet average = sum of share x hot x (1 + cold x (cold ratio - 1)) x fuel effect, worked out by hand.
TEST(FactorCurves, TheFleetAverageIsTheOneTheCalculationUses) {
    SmallLists l;
    ASSERT_NO_FATAL_FAILURE(l.setUp());
    struct Case {
        std::string category, pollutant;
        int index;
        double cold;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        // 0.25 x old + 0.75 x 0.2
        {"PCPetrol", "NOx", 0, 0, {0.25 * 1.0 + 0.15, 0.25 * 0.5 + 0.15, 0.25 * 0.5 + 0.15}},
        // half the vehicles cold: the old technology's factor x (1 + 0.5 x 2)
        {"PCPetrol", "NOx", 0, 0.5, {0.25 * 2.0 + 0.15, 0.25 * 1.0 + 0.15, 0.25 * 1.0 + 0.15}},
        // petrol holds 0.5 of the reference benzene content
        {"PCPetrol", "BNZ", 4, 0, {0.25 * 0.01 * 0.5 + 0.75 * 0.002 * 0.5, 0.002, 0.002}},
        // a share of NOx
        {"HGV", "NO2", 2, 0, {0.8, 0.4, 0.4}},
    };
    for (const auto &k : cases) {
        const CategoryFactorCurves c = l.curves(k.category, k.pollutant, k.index, k.cold);
        ASSERT_EQ(c.fleetAverage_gkm.size(), k.expected.size());
        for (size_t i = 0; i < k.expected.size(); ++i) {
            EXPECT_NEAR(c.fleetAverage_gkm[i], k.expected[i], kTol)
                << k.category << " " << k.pollutant << " " << i;
        }
    }
    const CategoryFactorCurves no2 = l.curves("HGV", "NO2", 2);
    EXPECT_TRUE(no2.technologies[0].isShare);
    EXPECT_EQ(no2.technologies[0].hot_gkm, (std::vector<double>{0.8, 0.4, 0.4}));
}

TEST(FactorCurves, AnEditedFactorChangesTheFleetAverageOnceTheComponentIsSetUpAgain) {
    SmallLists l;
    ASSERT_NO_FATAL_FAILURE(l.setUp());
    const CategoryFactorCurves before = l.curves("PCDiesel", "NOx", 0);
    const int row = before.technologies.at(0).row;
    l.factors.rows[static_cast<size_t>(row)].factors[1] = 0.6;
    ASSERT_NO_FATAL_FAILURE(l.setUp());
    const CategoryFactorCurves after = l.curves("PCDiesel", "NOx", 0);
    EXPECT_NEAR(before.fleetAverage_gkm[1], 0.2, kTol);
    EXPECT_NEAR(after.fleetAverage_gkm[1], 0.6, kTol);
    // The petrol cars' new technology shares the row: their average follows too.
    EXPECT_NEAR(l.curves("PCPetrol", "NOx", 0).fleetAverage_gkm[1], 0.25 * 0.5 + 0.75 * 0.6, kTol);
}

TEST(FactorCurves, WithoutAComponentOrForAnUnknownCategoryNothingIsMadeUp) {
    SmallLists l;
    ASSERT_NO_FATAL_FAILURE(l.setUp());
    const CategoryFactorCurves none =
        categoryFactorCurves(l.vehicles, l.factors, "PCPetrol", "NOx", nullptr, 0, 0);
    EXPECT_EQ(none.technologies.size(), 2u);
    EXPECT_EQ(none.fleetAverage_gkm, (std::vector<double>{-99, -99, -99}));
    EXPECT_TRUE(l.curves("Tram", "NOx", 0).technologies.empty());
    // A pollutant the table has no row for.
    const CategoryFactorCurves co = l.curves("PCPetrol", "CO", 5);
    EXPECT_EQ(co.technologies[0].row, -1);
    EXPECT_EQ(co.technologies[0].hot_gkm, (std::vector<double>{-99, -99, -99}));
}
