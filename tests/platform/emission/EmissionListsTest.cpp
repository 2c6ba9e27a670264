#include "platform/emission/EmissionLibrary.h"

#include "platform/emission/EmissionTestData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <regex>

using namespace vesk;
using namespace vesk::test;

namespace {

// Factors are printed with a few decimals; sums of products carry float noise.
constexpr double kTol = 1e-9;

struct SmallLists {
    TempDir dir;
    EmissionLibrary lib;
    std::vector<int> emitters;
    std::string error;

    bool load(const std::string &vehicles = kSmallVehicles, const std::string &fuels = kSmallFuels,
              const std::string &factors = kSmallFactors) {
        dir.write("emission/Small.eft", factors);
        auto vlf = dir.write("lists/Small.vlf", vehicles);
        auto flf = dir.write("lists/Small.flf", fuels);
        EmissionFolders folders;
        folders.emissionDir = (dir.path() / "emission").string() + "/";
        return lib.InitialiseEmissions(vlf.string(), flf.string(), noxPollutants(), folders, &emitters,
                                       &error);
    }
    const VehicleCategory &cat(const char *name) { return *lib.VehicleCategories.find(name); }
    double factor(const char *name, int pollutant, double speed, double cold = 0) {
        return cat(name).Tarvik(lib.FleetList, lib.FuelList, pollutant, speed, 15.0, cold);
    }
};

TEST(EmissionLists, ReadCategoriesFleetsAndEmittersFromTheLists) {
    SmallLists s;
    ASSERT_TRUE(s.load()) << s.error;
    EXPECT_EQ(s.lib.countryCode, "XX");
    EXPECT_EQ(s.lib.scenarioYear, 2021);
    ASSERT_EQ(s.lib.VehicleCategories.Count(), 3);
    EXPECT_EQ(s.lib.VehicleCategories.item(1).Name, "PCPetrol");
    EXPECT_EQ(s.lib.VehicleCategories.item(1).VehicleLongName, "Passenger cars, petrol");
    EXPECT_EQ(s.lib.VehicleCategories.item(3).vLengthClass, 2);
    EXPECT_EQ(s.lib.FleetList.item(1).Categories(), 2);
    EXPECT_EQ(s.lib.FleetList.item(1).CategoryName(2), "new");
    EXPECT_DOUBLE_EQ(s.lib.FleetList.item(1).FractionCategory(2), 75.0);
    EXPECT_EQ(s.lib.FuelList.Count(), 2);
    EXPECT_DOUBLE_EQ(s.lib.FuelList.find("petrol")->Contents("bnz"), 0.5);
    EXPECT_EQ(s.emitters, (std::vector<int>{0, 2}));
    EXPECT_EQ(s.lib.EmissionList.Count(), 3);
}

struct FactorCase {
    const char *category;
    int pollutant;
    double speed;
    double cold;
    double expected; // worked out by hand from the small lists
};

class FleetAverageFactor : public ::testing::TestWithParam<FactorCase> {};

TEST_P(FleetAverageFactor, FollowsSharesSpeedColdStartAndFuel) {
    SmallLists s;
    ASSERT_TRUE(s.load()) << s.error;
    const FactorCase &c = GetParam();
    EXPECT_NEAR(s.factor(c.category, c.pollutant, c.speed, c.cold), c.expected, kTol);
}

INSTANTIATE_TEST_SUITE_P(HandWorkedValues, FleetAverageFactor,
                         ::testing::Values(
                             // 25 % old (0.5 g/km at 50) + 75 % new (0.2)
                             FactorCase{"PCPetrol", 0, 50, 0, 0.275},
                             // old at 30 km/h lies halfway between 1.0 (10) and 0.5 (50)
                             FactorCase{"PCPetrol", 0, 30, 0, 0.25 * 0.75 + 0.75 * 0.2},
                             // half the old cars cold-started, cold ratio 3: 0.5 x (1 + 0.5 x 2)
                             FactorCase{"PCPetrol", 0, 50, 0.5, 0.25 * 1.0 + 0.75 * 0.2},
                             // direct NO2: a tenth of NOx
                             FactorCase{"PCPetrol", 2, 50, 0, 0.0275}, FactorCase{"HGV", 2, 50, 0, 0.4},
                             // benzene follows the petrol's content 0.5 against the reference 1.0
                             FactorCase{"PCPetrol", 4, 50, 0, 0.25 * 0.005 + 0.75 * 0.001},
                             // diesel lists no benzene: the factor stays as printed
                             FactorCase{"PCDiesel", 4, 50, 0, 0.002},
                             // below the first speed and above the last the curve is flat
                             FactorCase{"HGV", 0, 5, 0, 4.0}, FactorCase{"HGV", 0, 200, 0, 2.0},
                             // no speed takes the default speed (15 km/h)
                             FactorCase{"HGV", 0, 0, 0, 3.75}, FactorCase{"HGV", 0, -99, 0, 3.75},
                             // a cold-start share outside 0..1 is clamped
                             FactorCase{"PCPetrol", 0, 50, 7, 0.25 * 1.5 + 0.75 * 0.2},
                             // a pollutant traffic does not emit has no factor
                             FactorCase{"PCPetrol", 1, 50, 0, -99}, FactorCase{"PCPetrol", 99, 50, 0, -99}));

TEST(EmissionLists, AFactorFileIsFoundInTheSharedFolderWhenTheNationalOneLacksIt) {
    TempDir dir;
    dir.write("shared/Small.eft", kSmallFactors);
    auto vlf = dir.write("Small.vlf", kSmallVehicles);
    auto flf = dir.write("Small.flf", kSmallFuels);
    EmissionFolders folders;
    folders.emissionDir = (dir.path() / "national").string() + "/";
    folders.sharedEmissionDir = (dir.path() / "shared").string() + "/";
    EmissionLibrary lib;
    std::string error;
    EXPECT_TRUE(
        lib.InitialiseEmissions(vlf.string(), flf.string(), noxPollutants(), folders, nullptr, &error))
        << error;
}

TEST(EmissionLists, EveryDemoScenarioYearLoadsWithoutAMessage) {
    EmissionFolders folders;
    folders.emissionDir = (dataDir() / "Data/Emission/National/DL").string() + "/";
    folders.sharedEmissionDir = (dataDir() / "Data/Emission/Shared").string() + "/";
    double previousNOx = 1e9;
    for (int year : {2015, 2020, 2025, 2030}) {
        EmissionLibrary lib;
        std::vector<int> emitters;
        std::string error;
        auto lists = dataDir() / "Lists/National/DL";
        ASSERT_TRUE(lib.InitialiseEmissions((lists / ("Fleet" + std::to_string(year) + ".vlf")).string(),
                                            (lists / ("Fuels" + std::to_string(year) + ".flf")).string(),
                                            demoPollutants(), folders, &emitters, &error))
            << year << ": " << error;
        EXPECT_EQ(lib.countryCode, "DL");
        EXPECT_EQ(lib.scenarioYear, year);
        EXPECT_EQ(emitters, (std::vector<int>{0, 2, 4, 5, 6, 7}));
        ASSERT_EQ(lib.VehicleCategories.Count(), 5);
        // Every category has a positive factor for every emitted pollutant,
        // NO2 below NOx, and later fleets are cleaner.
        double totalNOx = 0;
        for (const auto &c : lib.VehicleCategories.items) {
            for (int p : emitters) {
                EXPECT_GT(c.Tarvik(lib.FleetList, lib.FuelList, p, 40, 15, 0.1), 0) << c.Name << " " << p;
            }
            double nox = c.Tarvik(lib.FleetList, lib.FuelList, 0, 40, 15, 0.1);
            EXPECT_LT(c.Tarvik(lib.FleetList, lib.FuelList, 2, 40, 15, 0.1), nox);
            totalNOx += nox;
        }
        EXPECT_LT(totalNOx, previousNOx) << year;
        previousNOx = totalNOx;
    }
}

struct BadList {
    const char *name;
    const char *which; // "vlf", "flf" or "eft"
    const char *from;  // text to replace in the small list
    const char *to;
    const char *message; // regular expression the message must match
};

class MalformedLists : public ::testing::TestWithParam<BadList> {};

TEST_P(MalformedLists, AreRefusedWithFileLineAndWhatWasExpected) {
    const BadList &b = GetParam();
    std::string vlf = kSmallVehicles, flf = kSmallFuels, eft = kSmallFactors;
    std::string &text = std::string(b.which) == "vlf" ? vlf : std::string(b.which) == "flf" ? flf : eft;
    auto at = text.find(b.from);
    ASSERT_NE(at, std::string::npos) << b.from;
    text.replace(at, std::string(b.from).size(), b.to);

    SmallLists s;
    ASSERT_TRUE(s.load()) << s.error;
    int before = s.lib.VehicleCategories.Count();
    s.lib.VehicleCategories.items.pop_back(); // a state to be kept
    EXPECT_FALSE(s.load(vlf, flf, eft));
    EXPECT_TRUE(std::regex_search(s.error, std::regex(b.message))) << s.error;
    EXPECT_EQ(s.lib.VehicleCategories.Count(), before - 1) << "a refused list changed the component";
}

INSTANTIATE_TEST_SUITE_P(
    VehicleFuelAndFactorFiles, MalformedLists,
    ::testing::Values(
        BadList{"no year", "vlf", "\"XX\",2021", "\"XX\"",
                R"(Small\.vlf, line 1: expected the country code and the scenario year)"},
        BadList{"length class 3", "vlf", "\"HGV\",\"Heavy goods vehicles\",2",
                "\"HGV\",\"Heavy goods vehicles\",3",
                R"(Small\.vlf, line 10: expected name, long name, length class \(1 or 2\))"},
        BadList{"shares not 100", "vlf", "\"PCPetrol\",\"new\",75", "\"PCPetrol\",\"new\",70",
                R"(Small\.vlf: the fleet shares of "PCPetrol" add up to 95)"},
        BadList{"unknown category in fleet", "vlf", "\"HGV\",\"any\",100", "\"Lorry\",\"any\",100",
                R"(Small\.vlf, line 16: the category "Lorry" is not in the \[Categories\] section)"},
        BadList{"technology without factors", "vlf", "\"PCDiesel\",\"new\",100",
                "\"PCDiesel\",\"newest\",100", R"(has no factors for "Car", "newest")"},
        BadList{"missing titles", "vlf", "\"Category\",\"Technology\",\"Share (%)\"\n", "",
                R"(line 12: expected the column titles beginning with "Category")"},
        BadList{"unknown section", "vlf", "[Fleet]", "[Fleets]",
                R"(line 11: expected the section \[Factors\])"},
        BadList{"unknown fuel", "vlf", "\"Car\",\"Diesel\"", "\"Car\",\"Gas\"",
                R"(the fuel "Gas" of "PCDiesel")"},
        BadList{"fuel content not a number", "flf", "0.5,", "half,",
                R"(Small\.flf, line 9: expected a fuel, a substance and a content)"},
        BadList{"fuel list without fuels", "flf", "\"Petrol\",\"Petrol\"\n\"Diesel\",\"Diesel\"\n", "",
                R"(Small\.flf, line 7: the fuel "Petrol" is not in the \[Fuels\] section)"},
        BadList{"too few factors", "eft", "\"Lorry\",\"any\",\"NOx\",1,0,4.0,2.0,2.0",
                "\"Lorry\",\"any\",\"NOx\",1,0,4.0,2.0",
                R"(Small\.eft, line 14: expected 3 factors in g/km, one per speed)"},
        BadList{"speeds not increasing", "eft", "10 50 130", "10 50 40",
                R"(line 5: expected increasing speeds)"},
        BadList{"missing emitter factors", "eft", "\"Lorry\",\"any\",\"NO2\",\"share of\",\"NOx\",0.2\n", "",
                R"(no NO2 factors for "Lorry", "any")"},
        BadList{"share above 1", "eft", "\"NOx\",0.2", "\"NOx\",1.2",
                R"(line 15: expected "share of", a pollutant)"},
        BadList{"negative factor", "eft", "0.2,0.2,0.2\n\"Car\",\"new\",\"NO2\"",
                "0.2,-0.2,0.2\n\"Car\",\"new\",\"NO2\"", R"(line 11: expected factors from 0 to 10000 g/km)"},
        BadList{"factor beyond a Single", "eft", "0.2,0.2,0.2\n\"Car\",\"new\",\"NO2\"",
                "0.2,1e39,0.2\n\"Car\",\"new\",\"NO2\"", R"(line 11: expected factors from 0 to 10000 g/km)"},
        BadList{"cold ratio no engine has", "eft", "\"Car\",\"old\",\"NOx\",3,",
                "\"Car\",\"old\",\"NOx\",3e6,", R"(line 8: expected a cold ratio from 0 to 1000)"},
        BadList{"speed no vehicle drives", "eft", "10 50 130", "10 50 1300",
                R"(line 5: expected increasing speeds above 0 and up to 300 km/h)"},
        BadList{"fuel content beyond a Single", "flf", "0.5,", "5e38,",
                R"(Small\.flf, line 9: expected a fuel, a substance and a content)"},
        BadList{
            "fuel content with an end-of-file mark", "flf", "0.5,", "0.5\x1A,",
            R"(Small\.flf, line 9: expected a fuel, a substance and a content.*, found ".*0\.5\^Z,.*"\.$)"}),
    [](const auto &info) { return vesk::test::testNameOf(info.param.name); });

TEST(EmissionLists, AFactorFileNameLongerThanTheSystemAllowsIsRefusedWithAMessage) {
    const std::string name = std::string(300, 'x') + ".eft";
    for (const std::string &stored : {name, "./" + name, "sub/" + name}) {
        SCOPED_TRACE(stored.substr(0, 6));
        std::string v = kSmallVehicles;
        v.replace(v.find("Small.eft"), 9, stored);
        SmallLists s;
        EXPECT_FALSE(s.load(v)) << "the program is not ended by the name";
        EXPECT_NE(s.error.find(name), std::string::npos) << s.error;
    }
}

TEST(EmissionLists, AMissingFileIsNamedInTheMessage) {
    EmissionLibrary lib;
    std::string error;
    EXPECT_FALSE(lib.InitialiseEmissions("/nonexistent/Fleet.vlf", "/nonexistent/Fuels.flf", noxPollutants(),
                                         {}, nullptr, &error));
    EXPECT_NE(error.find("/nonexistent/Fleet.vlf"), std::string::npos) << error;
}

} // namespace
