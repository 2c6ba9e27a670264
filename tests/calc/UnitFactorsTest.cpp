#include "calc/UnitFactors.h"

#include "calc/CalcState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <ostream>

using namespace vesk;

namespace {

// Factors are Singles.
constexpr double kTol = 1e-5;

struct Units {
    CalcState s;
    explicit Units(std::vector<double> microgToPpb = {0.5229, 0.8017, 0.5229, 0.5012, 0.3080}) {
        s.NPol = static_cast<int>(microgToPpb.size()) - 1;
        s.PollutantNames = {"NOx", "NO", "NO2", "O3", "BNZ"};
        s.PollutantNames.resize(microgToPpb.size());
        s.MicrogToPpb = microgToPpb;
        for (double f : microgToPpb) {
            s.PpbToMicrog.push_back(f == 0 ? -99.0 : 1.0 / f);
        }
        const size_t n = microgToPpb.size();
        s.InputUnit.assign(n, "microg");
        s.OutputUnit.assign(n, "microg");
        s.StdInputUnits.assign(n, "microg");
        s.StdInputUnitsCopy.assign(n, "microg");
        s.DefOutputUnits.assign(n, "microg");
    }
    bool set(std::string *error = nullptr) { return SetUnitFactors(s, error); }
};

TEST(UnitFactors, MicrogramsInAndOutGiveOne) {
    Units u;
    ASSERT_TRUE(u.set());
    for (int i = 0; i <= u.s.NPol; ++i) {
        EXPECT_FLOAT_EQ(u.s.InputUnitFactor[i], 1.0f);
        EXPECT_FLOAT_EQ(u.s.InputToModelFactor[i], 1.0f);
        EXPECT_FLOAT_EQ(u.s.OutputUnitFactor[i], 1.0f);
    }
    EXPECT_NEAR(u.s.NO2ToPpbFactor, 0.5229, kTol);
    EXPECT_NEAR(u.s.PpbToInputFactor[2], 1 / 0.5229, 1e-4);
    EXPECT_NEAR(u.s.NOxToPpbFactor, 0.5229, kTol);
    EXPECT_NEAR(u.s.OutputToPpbFactor1, 0.8017, kTol);
}

TEST(UnitFactors, PpbOutputOfMicrogramInput) {
    Units u({0.5, 0.5, 0.5, 0.5});
    u.s.OutputUnit[0] = "ppb";
    ASSERT_TRUE(u.set());
    EXPECT_FLOAT_EQ(u.s.InputUnitFactor[0], 0.5f);
    EXPECT_FLOAT_EQ(u.s.InputToModelFactor[0], 0.5f);
    EXPECT_FLOAT_EQ(u.s.OutputUnitFactor[0], 2.0f); // back to the default microg
    EXPECT_FLOAT_EQ(u.s.NOxToPpbFactor, 1.0f);      // the output is already ppb
}

// An output unit with a microgram-to-ppb factor of 0.5: the factor from
// micrograms per cubic metre into it, and back to the default microgram.
struct OutputUnitCase {
    const char *unit;
    double fromMicrog;
};

void PrintTo(const OutputUnitCase &c, std::ostream *out) {
    *out << c.unit;
}

class OutputUnits : public ::testing::TestWithParam<OutputUnitCase> {};

TEST_P(OutputUnits, ConvertMicrogramsByTheUnitsSize) {
    const OutputUnitCase &c = GetParam();
    Units u({0.5, 0.5, 0.5, 0.5, 0.5});
    u.s.OutputUnit[4] = c.unit;
    ASSERT_TRUE(u.set());
    EXPECT_NEAR(u.s.InputUnitFactor[4], c.fromMicrog, 1e-6 * c.fromMicrog);
    EXPECT_NEAR(u.s.InputToModelFactor[4], c.fromMicrog, 1e-6 * c.fromMicrog) << "the input is in microg";
    EXPECT_NEAR(u.s.OutputUnitFactor[4], 1 / c.fromMicrog, 1e-6 / c.fromMicrog);
    EXPECT_FLOAT_EQ(u.s.InputUnitFactor[3], 1.0f) << "the other pollutants keep microg";
}

INSTANTIATE_TEST_SUITE_P(Keywords, OutputUnits,
                         ::testing::Values(OutputUnitCase{"ppb", 0.5}, OutputUnitCase{"ppm", 0.0005},
                                           OutputUnitCase{"ppt", 500}, OutputUnitCase{"microg", 1},
                                           OutputUnitCase{"milig", 0.001}, OutputUnitCase{"nanog", 1000},
                                           OutputUnitCase{"PPM", 0.0005}),
                         [](const auto &info) { return std::string(info.param.unit); });

// A value in the output unit times OutputUnitFactor is the value in the
// pollutant's default output unit (what the results window shows), for every
// pair of the two. CO's factor 0.8588 keeps every unit apart from the others.
struct DefaultUnitCase {
    const char *output, *defaultOutput;
};

void PrintTo(const DefaultUnitCase &c, std::ostream *out) {
    *out << c.output << " shown in " << c.defaultOutput;
}

class DefaultOutputUnits : public ::testing::TestWithParam<DefaultUnitCase> {};

TEST_P(DefaultOutputUnits, TakeTheOutputUnitToTheDefaultOne) {
    constexpr double kCOToPpb = 0.8588;
    // One microgram per cubic metre of CO in each unit.
    const std::map<std::string, double> ofOneMicrog = {
        {"microg", 1},     {"milig", 0.001},         {"nanog", 1000},
        {"ppb", kCOToPpb}, {"ppm", kCOToPpb / 1000}, {"ppt", kCOToPpb * 1000}};
    const DefaultUnitCase &c = GetParam();
    Units u({0.5229, 0.8017, 0.5229, 0.5012, kCOToPpb});
    u.s.OutputUnit[4] = c.output;
    u.s.DefOutputUnits[4] = c.defaultOutput;
    ASSERT_TRUE(u.set());
    const double expected = ofOneMicrog.at(c.defaultOutput) / ofOneMicrog.at(c.output);
    EXPECT_NEAR(u.s.OutputUnitFactor[4], expected, 1e-6 * expected);
    EXPECT_NEAR(u.s.InputUnitFactor[4], ofOneMicrog.at(c.output), 1e-6 * ofOneMicrog.at(c.output));
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, DefaultOutputUnits,
    ::testing::Values(DefaultUnitCase{"microg", "ppm"}, DefaultUnitCase{"microg", "ppb"},
                      DefaultUnitCase{"microg", "ppt"}, DefaultUnitCase{"microg", "milig"},
                      DefaultUnitCase{"microg", "microg"}, DefaultUnitCase{"microg", "nanog"},
                      DefaultUnitCase{"ppm", "ppm"}, DefaultUnitCase{"ppm", "ppb"},
                      DefaultUnitCase{"ppm", "ppt"}, DefaultUnitCase{"ppm", "milig"},
                      DefaultUnitCase{"ppm", "microg"}, DefaultUnitCase{"ppm", "nanog"},
                      DefaultUnitCase{"nanog", "ppb"}, DefaultUnitCase{"milig", "ppm"}),
    [](const auto &info) { return std::string(info.param.output) + "_in_" + info.param.defaultOutput; });

TEST(UnitFactors, AUnitWithADecimalCommaCountsAsItsNumber) {
    Units u;
    u.s.OutputUnit[1] = "1,5";
    ASSERT_TRUE(u.set());
    EXPECT_FLOAT_EQ(u.s.InputUnitFactor[1], 1.5f);
}

TEST(UnitFactors, EmptyUnitsFallBackToTheStandardUnitsOfThePollutantList) {
    Units u;
    u.s.InputUnit[4] = "";
    u.s.OutputUnit[4] = "";
    u.s.StdInputUnits[4] = "nanog";
    u.s.StdInputUnitsCopy[4] = "milig";
    ASSERT_TRUE(u.set());
    EXPECT_EQ(u.s.InputUnit[4], "nanog");
    EXPECT_EQ(u.s.OutputUnit[4], "milig");
    EXPECT_FLOAT_EQ(u.s.InputUnitFactor[4], 0.001f);
    EXPECT_NEAR(u.s.InputToModelFactor[4], 1e-6, 1e-12);
}

struct Pol0Case {
    const char *unit;
    double expected;
};

class FirstPollutantToPpb : public ::testing::TestWithParam<Pol0Case> {};

TEST_P(FirstPollutantToPpb, FollowsItsInputUnit) {
    Units u;
    u.s.InputUnit[0] = GetParam().unit;
    ASSERT_TRUE(u.set());
    EXPECT_NEAR(u.s.Pol0ToPpbFactor, GetParam().expected, 1e-6 * std::max(1.0, GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Units, FirstPollutantToPpb,
                         ::testing::Values(Pol0Case{"ppm", 1000}, Pol0Case{"PPB", 1}, Pol0Case{"ppt", 0.001},
                                           Pol0Case{"microg", 0.5229}, Pol0Case{"milig", 522.9},
                                           Pol0Case{"nanog", 0.0005229},
                                           // a number is micrograms per unit
                                           Pol0Case{"2", 2 * 0.5229}));

// Whatever the input unit, ppb -> input unit -> ppb is the identity, and the
// input -> output factor agrees with the input unit's size in micrograms.
class RoundTrips : public ::testing::TestWithParam<std::pair<const char *, double>> {};

TEST_P(RoundTrips, ThroughPpbAndMicrogramsAgree) {
    const auto [unit, microgPerUnit] = GetParam();
    Units u;
    for (int i = 0; i <= u.s.NPol; ++i) {
        u.s.InputUnit[i] = unit;
        u.s.StdInputUnits[i] = unit;
    }
    ASSERT_TRUE(u.set());
    for (int i = 0; i <= u.s.NPol; ++i) {
        double toPpb = i == 2 ? u.s.NO2ToPpbFactor : i == 3 ? u.s.O3ToPpbFactor : u.s.InputToPpbFactor[i];
        EXPECT_NEAR(toPpb * u.s.PpbToInputFactor[i], 1.0, 1e-5) << unit << " pollutant " << i;
        EXPECT_NEAR(u.s.InputToPpbFactor[i], microgPerUnit * u.s.MicrogToPpb[i], 1e-5 * microgPerUnit)
            << unit;
        EXPECT_NEAR(u.s.InputToModelFactor[i], microgPerUnit, 1e-5 * microgPerUnit) << unit; // output microg
    }
    EXPECT_NEAR(u.s.Pol2ToPpbFactor, u.s.NO2ToPpbFactor, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(KeywordsAndNumbers, RoundTrips,
                         ::testing::Values(std::pair<const char *, double>{"microg", 1.0},
                                           std::pair<const char *, double>{"milig", 1000.0},
                                           std::pair<const char *, double>{"nanog", 0.001},
                                           std::pair<const char *, double>{"2.5", 2.5},
                                           std::pair<const char *, double>{"0,5", 0.5}));

TEST(UnitFactors, VolumeInputUnitsConvertThroughTheMolarFactor) {
    Units u;
    u.s.InputUnit[2] = "ppm";
    u.s.InputUnit[0] = "ppb";
    ASSERT_TRUE(u.set());
    EXPECT_FLOAT_EQ(u.s.NO2ToPpbFactor, 1000.0f);
    EXPECT_FLOAT_EQ(u.s.PpbToInputFactor[2], 0.001f);
    EXPECT_NEAR(u.s.InputToModelFactor[2], 1000 / 0.5229, 1e-2);
    EXPECT_NEAR(u.s.InputToModelFactor[0], 1 / 0.5229, 1e-5);
    EXPECT_FLOAT_EQ(u.s.PpbToInputFactor[0], 1.0f);
}

struct BadUnit {
    const char *role; // which unit to spoil
    const char *unit;
    const char *message;
};

class UnusableUnits : public ::testing::TestWithParam<BadUnit> {};

TEST_P(UnusableUnits, AreRefusedWithAMessageAndNoInfiniteFactor) {
    Units u({0.5229, 0.8017, 0.5229, 0.5012, 0.0}); // benzene without a ppb factor
    std::string role = GetParam().role;
    auto &units = role == "input" ? u.s.InputUnit : role == "output" ? u.s.OutputUnit : u.s.DefOutputUnits;
    units[4] = GetParam().unit;
    std::string error;
    EXPECT_FALSE(u.set(&error));
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
    auto finite = [](const std::vector<float> &v) {
        return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x) && x != 0; });
    };
    EXPECT_TRUE(finite(u.s.InputUnitFactor));
    EXPECT_TRUE(finite(u.s.OutputUnitFactor));
    EXPECT_TRUE(finite(u.s.InputToModelFactor));
    EXPECT_TRUE(std::isfinite(u.s.NOxToPpbFactor));
    // The other pollutants keep their factors.
    EXPECT_NEAR(u.s.NO2ToPpbFactor, 0.5229, kTol);
}

INSTANTIATE_TEST_SUITE_P(
    ZeroAndNonsense, UnusableUnits,
    ::testing::Values(BadUnit{"output", "0", "The output unit \"0\" of BNZ is neither"},
                      BadUnit{"input", "ug/m3", "The input unit \"ug/m3\" of BNZ is neither"},
                      BadUnit{"default", "-2", "The default output unit \"-2\" of BNZ"},
                      BadUnit{"output", "ppb", "The units of BNZ need a microgram-to-ppb factor"},
                      BadUnit{"input", "ppm", "The units of BNZ need a microgram-to-ppb factor"}));

// A limit value kept in one default output unit converted to another keeps
// what the results show: the factor of the conversion is the one the run's
// statistics and limit values are converted with (OutputUnitFactor), for
// every pair of keyword units.
TEST(ConcentrationUnitFactor, IsTheFactorTheResultsConvertWithForEveryPairOfUnits) {
    constexpr double kCOToPpb = 0.8588;
    const char *units[] = {"nanog", "microg", "milig", "ppt", "ppb", "ppm"};
    for (const char *from : units) {
        for (const char *to : units) {
            Units u({0.5229, 0.8017, 0.5229, 0.5012, kCOToPpb});
            u.s.OutputUnit[4] = from;
            u.s.DefOutputUnits[4] = to;
            ASSERT_TRUE(u.set());
            const std::optional<double> f = concentrationUnitFactor(from, kCOToPpb, to, kCOToPpb);
            ASSERT_TRUE(f.has_value()) << from << " to " << to;
            EXPECT_NEAR(*f, u.s.OutputUnitFactor[4], 1e-6 * *f) << from << " to " << to;
        }
    }
    EXPECT_DOUBLE_EQ(*concentrationUnitFactor("milig", kCOToPpb, "microg", kCOToPpb), 1000.0)
        << "10 mg/m3 is 10,000 µg/m3";
    EXPECT_DOUBLE_EQ(*concentrationUnitFactor("MICROG", 1, "milig", 1), 0.001) << "letter case is ignored";
}

TEST(ConcentrationUnitFactor, UsesTheMolarFactorThatGoesWithEachUnit) {
    // 1 ppb at 0.5 ppb per µg/m3 is 2 µg/m3; at 0.25 in ppb again it is 0.5 ppb.
    EXPECT_DOUBLE_EQ(*concentrationUnitFactor("ppb", 0.5, "microg", 0.25), 2.0);
    EXPECT_DOUBLE_EQ(*concentrationUnitFactor("ppb", 0.5, "ppb", 0.25), 0.5);
}

TEST(ConcentrationUnitFactor, IsNotGivenForANumberUnitOrAVolumeUnitWithoutAMolarFactor) {
    EXPECT_FALSE(concentrationUnitFactor("0.001", 1, "microg", 1).has_value());
    EXPECT_FALSE(concentrationUnitFactor("microg", 1, "1000", 1).has_value());
    EXPECT_FALSE(concentrationUnitFactor("microg", 0, "ppb", 0).has_value());
    EXPECT_FALSE(concentrationUnitFactor("ppm", 0, "milig", 0).has_value());
    EXPECT_FALSE(concentrationUnitFactor("ug/m3", 1, "milig", 1).has_value());
}

// The factors the run converts with must be above 0: NOx, NO, NO2 and O3
// always (the chemistry), an emitter's where the city type models its urban
// background; one below 0 never. The message names the list and the line.
TEST(PpbFactors, ZeroIsRefusedWhereTheRunConvertsWithItAndBelowZeroEverywhere) {
    struct Case {
        int pollutant;
        double factor;
        int citySize;
        std::string says; // "" when the run goes on
    };
    const std::string list = "/lists/Pollutants.lst, line ";
    for (const Case &c : {
             Case{0, 0.0, 0, list + "2: the microgram-to-ppb factor of NOx is 0; the NO2 chemistry"},
             Case{1, 0.0, 0, list + "3: the microgram-to-ppb factor of NO is 0; the NO2 chemistry"},
             Case{2, 0.0, 0, list + "5: the microgram-to-ppb factor of NO2 is 0;"},
             Case{3, 0.0, 0, list + "6: the microgram-to-ppb factor of O3 is 0;"},
             Case{3, -1.0, 0, list + "6: the microgram-to-ppb factor -1 of O3 lies below 0."},
             Case{4, -0.5, 0, list + "7: the microgram-to-ppb factor -0.5 of BNZ lies below 0."},
             Case{4, 0.0, 0, ""},
             Case{4, 0.0, 2, list + "7: the microgram-to-ppb factor of BNZ is 0; the urban background"},
             Case{4, 0.3080, 2, ""},
             // The run's Singles would make it 0, or its inverse.
             Case{
                 2, 1e-300, 0,
                 list +
                     "5: the microgram-to-ppb factor 1e-300 of NO2 is too small: the run converts with it in "
                     "single precision, which takes factors from 1e-20 to 1e+20."},
             Case{3, 1e-300, 0, list + "6: the microgram-to-ppb factor 1e-300 of O3 is too small:"},
             Case{3, 1e300, 0, list + "6: the microgram-to-ppb factor 1e+300 of O3 is too large:"},
             Case{4, 1e-21, 0, list + "7: the microgram-to-ppb factor 1e-21 of BNZ is too small:"},
             Case{3, 1e-20, 0, ""},
             Case{3, 1e20, 0, ""},
         }) {
        SCOPED_TRACE(std::to_string(c.pollutant) + " " + testing::PrintToString(c.factor) + " city " +
                     std::to_string(c.citySize));
        Units u;
        u.s.PollutantListFile = "/lists/Pollutants.lst";
        u.s.PollutantLines = {2, 3, 5, 6, 7};
        u.s.MicrogToPpb[static_cast<std::size_t>(c.pollutant)] = c.factor;
        u.s.CitySize = c.citySize;
        u.s.EmitterIndex = {0, 0, 2, 4};
        u.s.EmitterCount = 3;
        u.s.UrbEmiFileNames = {"UrbEmiNOx.dat", "", "", "", "UrbEmiBNZ.dat"};
        std::string error;
        EXPECT_EQ(CheckPpbFactors(u.s, &error), c.says.empty());
        EXPECT_EQ(error.substr(0, c.says.size()), c.says);
    }
    // Without the list's lines (a state not loaded from a list) the message
    // names the list alone.
    Units u({0.5229, 0.8017, 0.5229, 0.0});
    std::string error;
    EXPECT_FALSE(CheckPpbFactors(u.s, &error));
    EXPECT_EQ(error.substr(0, 55), "The pollutant list: the microgram-to-ppb factor of O3 i");
}

// With a city type, a missing benzene background is derived from CO's with
// CO's factor: a CO factor of 0 would make it 0 in every such hour.
TEST(PpbFactors, COsZeroIsRefusedWhereTheCityTypeDerivesTheBenzeneBackgroundFromCO) {
    struct Case {
        const char *name;
        int citySize;
        double benzeneFactor;
        bool benzeneListed;
        bool refused;
    };
    for (const Case &c : {
             Case{"with a city type", 2, 0.3080, true, true},
             Case{"without a city type", 0, 0.3080, true, false},
             Case{"benzene without a factor", 2, 0.0, true, false},
             Case{"no benzene in the list", 2, 0.3080, false, false},
         }) {
        SCOPED_TRACE(c.name);
        Units u({0.5229, 0.8017, 0.5229, 0.5012, 0.0, c.benzeneFactor});
        u.s.PollutantNames = {"NOx", "NO", "NO2", "O3", "CO", c.benzeneListed ? "BNZ" : "PM10"};
        u.s.IndexCO = 4;
        u.s.IndexBNZ = c.benzeneListed ? 5 : -1;
        u.s.PollutantListFile = "/lists/Pollutants.lst";
        u.s.PollutantLines = {2, 3, 4, 5, 6, 9};
        u.s.CitySize = c.citySize;
        u.s.EmitterIndex = {0, 0, 4, 5};
        u.s.EmitterCount = 3;
        u.s.UrbEmiFileNames = {"UrbEmiNOx.dat", "", "", "", "", ""}; // none for CO
        std::string error;
        EXPECT_EQ(CheckPpbFactors(u.s, &error), !c.refused);
        if (c.refused) {
            EXPECT_EQ(error,
                      "/lists/Pollutants.lst, line 6: the microgram-to-ppb factor of CO is 0; the benzene "
                      "background that the city type derives from CO's converts with it and needs it "
                      "above 0.");
        }
    }
}

// A volume unit of a pollutant without a factor names where the list leaves it out.
TEST(PpbFactors, AVolumeUnitWithoutAFactorNamesItsLine) {
    Units u({0.5229, 0.8017, 0.5229, 0.5012, 0.0});
    u.s.PollutantListFile = "/lists/Pollutants.lst";
    u.s.PollutantLines = {2, 3, 4, 5, 9};
    u.s.OutputUnit[4] = "ppb";
    std::string error;
    EXPECT_FALSE(u.set(&error));
    EXPECT_EQ(error,
              "The units of BNZ need a microgram-to-ppb factor, which the pollutant list does not give "
              "(/lists/Pollutants.lst, line 9: 0).");
}

} // namespace
