// The street model chain of an hour: geometry, background completion,
// concentrations per side and the cross-side correction.

#include "run/StreetChain.h"

#include "calc/UnitFactors.h"
#include "platform/streetmodel/StreetModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vesk {
namespace {

constexpr int NOx = 0, NO = 1, NO2 = 2, O3 = 3, CO = 4, PM10 = 5, BNZ = 6;

// A street hour with every unit factor 1 unless a test changes it.
struct Chain : ::testing::Test {
    State s;
    std::vector<float> iuf, itmf, ppbToInput, inputToPpb;
    std::vector<int> emitters{NOx, NO2, CO, PM10, BNZ};
    ChainFactors f;

    void SetUp() override {
        s.NPol = 6;
        s.IndexCO = CO;
        s.IndexBNZ = BNZ;
        s.MicrogToPpb.assign(7, 1.0);
        s.PpbToMicrog.assign(7, 1.0);
        s.CityRadius = {0, 5000};
        s.CityBuildingHeight = {0, 10};
        iuf.assign(7, 1);
        itmf.assign(7, 1);
        ppbToInput.assign(7, 1);
        inputToPpb.assign(7, 1);
        resizeHourArrays(s);
        s.StreetHeight = 20;
        s.StreetWidth = 20;
        s.StreetLength_1 = s.StreetLength_2 = 100;
        s.Receptor1 = s.Receptor2 = 1;
        s.RecHeight = 2;
        s.CalcNO2 = 1;
        s.WindIntegration = 1;
        PassStreetGeometry(s);
        s.HourCalculable = 1;
        s.u_mast = 3;
        s.wind_dir = 90;
        s.h_mix = 500;
        s.globalrad = 300;
        s.temperature = 15;
        s.TempKelvin = 288;
        s.hour = 8;
        s.speed_light = s.speed_heavy = 50;
        s.nlight = 1500;
        s.nheavy = 0;
        for (int p = 0; p <= 6; ++p) {
            s.ModAvail[p] = s.BackAvail[p] = 1;
        }
        s.cPOL_b = {30, 20, 10, 40, 300, 20, -99};
        s.qPOL = {208, 190, 10, -99, 800, 5, 1};
        refresh();
    }

    void refresh() {
        f.InputUnitFactor = iuf;
        f.InputToModelFactor = itmf;
        f.PpbToInputFactor = ppbToInput;
        f.InputToPpbFactor = inputToPpb;
        f.EmitterIndex = emitters;
    }
};

TEST_F(Chain, geometryPassesSectorsAndHonoursNoWindAcceleration) {
    s.NumWindSectors = 1;
    s.SectorStart[1] = 100; // 1-based in the project
    s.SectorEnd[1] = 140;
    s.SectorValue[1] = 5;
    s.StreetOrientation = 10;
    PassStreetGeometry(s);
    EXPECT_FLOAT_EQ(s.SectorArrayA[0], 90);
    EXPECT_FLOAT_EQ(s.SectorArrayB[0], 130);
    EXPECT_FLOAT_EQ(s.SectorHeights[0], 5);
    EXPECT_EQ(s.WindAccelFlags, (std::array<std::int16_t, 4>{0, 1, 0, 0}));
    s.NoWindAcceleration = true;
    PassStreetGeometry(s);
    EXPECT_EQ(s.WindAccelFlags, (std::array<std::int16_t, 4>{0, 0, 0, 0}));
}

TEST_F(Chain, factorViewFollowsTheStatesFactorsAndEmitters) {
    s.EmitterIndex = {0, 5, 0, 3}; // 1-based, one more than the count
    s.EmitterCount = 2;
    s.InputToModelFactor = {1, 2, 3};
    s.Pol0ToPpbFactor = 0.5f;
    const ChainFactors v = chainFactors(s);
    EXPECT_EQ(std::vector<int>(v.EmitterIndex.begin(), v.EmitterIndex.end()), (std::vector<int>{5, 0}));
    ASSERT_EQ(v.InputToModelFactor.size(), 3u);
    EXPECT_EQ(v.InputToModelFactor[2], 3);
    EXPECT_EQ(v.Pol0ToPpbFactor, 0.5f);
    s.EmitterCount = 9; // more than the table holds
    EXPECT_EQ(chainFactors(s).EmitterIndex.size(), 3u);
}

TEST_F(Chain, benzeneContentIsTakenFromGasolineWhenTheFuelListHasIt) {
    s.BenzeneContent = 0.7f;
    TakeBenzeneContent(s); // empty fuel list: kept
    EXPECT_FLOAT_EQ(s.BenzeneContent, 0.7f);
    s.EmissionComponent.FuelList.items.push_back(Fuel{"Diesel", "", {{"Sulphur", 10}}});
    TakeBenzeneContent(s); // no gasoline: kept
    EXPECT_FLOAT_EQ(s.BenzeneContent, 0.7f);
    s.EmissionComponent.FuelList.items.push_back(Fuel{"Petrol", "", {{"BNZ", 0.8}}});
    TakeBenzeneContent(s);
    EXPECT_FLOAT_EQ(s.BenzeneContent, 0.8f);
    s.EmissionComponent.FuelList.items.push_back(Fuel{"Gasoline", "", {{"Benzene", 1.1}}});
    TakeBenzeneContent(s);
    EXPECT_FLOAT_EQ(s.BenzeneContent, 1.1f);
}

TEST_F(Chain, residenceTimeIsMissingWithoutVentilation) {
    EXPECT_FLOAT_EQ(residenceTime(20, 0.5f), 40);
    EXPECT_FLOAT_EQ(residenceTime(0, 0.5f), 0);
    EXPECT_EQ(residenceTime(20, 0), -99);
    EXPECT_EQ(residenceTime(20, NAN), -99);
    EXPECT_EQ(residenceTime(-99, 0.5f), -99);
}

TEST_F(Chain, calmHourWithTrafficTurbulenceStillRunsTheModel) {
    s.TrafficTurbulence = true;
    s.u_mast = 0;
    RunStreetModelHour(s);
    EXPECT_GT(s.s_w_tpt, 0);
    EXPECT_GT(s.c_st1, 0);
    EXPECT_GT(s.c_st2, s.c_st1); // wind from 90: side 2 leeward
    EXPECT_GT(s.ResidenceTime, 0);
    EXPECT_FLOAT_EQ(s.ShapeFactor, 3);
    EXPECT_FLOAT_EQ(s.RelWindDir, 90);
}

TEST_F(Chain, recirculationShapeFactorFallsFromThreeAsTheWindRises) {
    const std::pair<float, float> cases[] = {{0, 3}, {5, 2.5f}, {15, 2.25f}};
    for (const auto &[wind, shape] : cases) {
        s.u_mast = wind;
        RunStreetModelHour(s);
        EXPECT_FLOAT_EQ(s.ShapeFactor, shape) << "wind " << wind;
    }
}

TEST_F(Chain, hourThatIsNotCalculableLeavesTheModelResultsAlone) {
    s.HourCalculable = 0;
    RunStreetModelHour(s);
    EXPECT_EQ(s.c_st1, -99);
    EXPECT_EQ(s.ResidenceTime, -99);
}

TEST_F(Chain, relativeWindDirectionWrapsBelowZero) {
    s.StreetOrientation = 120;
    s.wind_dir = 30;
    RunStreetModelHour(s);
    EXPECT_FLOAT_EQ(s.RelWindDir, 270);
    EXPECT_GT(s.c_st1, s.c_st2);
}

TEST_F(Chain, measuredBackgroundIsNeverReplacedAndGapsAreFilledFromTheConditionsFile) {
    s.CitySize = 1;
    s.cPOL_r = {15, -99, 8, 35, -99, 10, -99};
    s.UrbEmiValue.assign(7, 2);
    for (auto &profile : s.UrbEmiProfile) {
        profile.fill(1);
    }
    s.CndBackground = {99, 99, 99, 99, 99, 99, 99};
    s.cPOL_b[PM10] = 20;
    s.cPOL_b[CO] = -99;
    CompleteBackground(s, f);
    EXPECT_FLOAT_EQ(s.cPOL_b[PM10], 20); // measured: kept
    EXPECT_FLOAT_EQ(s.cPOL_b[CO], 99);   // no regional value: the conditions file
    EXPECT_FLOAT_EQ(s.cPOL_b[NOx], 30);  // measured: kept
    EXPECT_FLOAT_EQ(s.cPOL_b[BNZ], 99);  // no CO background for the benzene rules
    EXPECT_EQ(s.BackAvail[CO], 1);
}

TEST_F(Chain, benzeneFollowsCarbonMonoxideByTheGasolineContent) {
    s.CitySize = 1;
    s.BenzeneContent = 2;
    inputToPpb[BNZ] = 0.5f;
    refresh();
    CompleteBackground(s, f);
    EXPECT_FLOAT_EQ(s.cPOL_b[BNZ], 300 * 2 * 0.001f / 0.5f);
    EXPECT_EQ(s.ModAvail[BNZ], 1);
}

TEST_F(Chain, urbanBackgroundIsModelledInTheInputUnitForEveryEmitterFoundByIndex) {
    emitters = {PM10, NOx}; // NOx not first
    ppbToInput = {2, 1, 1, 1, 1, 4, 1};
    inputToPpb = {0.5f, 1, 1, 1, 1, 0.25f, 1};
    refresh();
    s.CitySize = 1;
    s.cPOL_b[NOx] = -99;
    s.cPOL_b[PM10] = -99;
    s.cPOL_r = {10, -99, -99, -99, -99, 8, -99};
    s.UrbEmiValue = {3, -99, -99, -99, -99, 1, -99};
    s.UrbEmiProfile[NOx][8] = 0.5f;
    s.UrbEmiProfile[PM10][8] = 2;
    s.MicrogToPpb[NOx] = 0.5;
    CompleteBackground(s, f);
    ASSERT_GT(s.SpreadIntegral, 0);
    const double si = s.SpreadIntegral;
    // ppb = SI × emission × profile × µg-to-ppb + regional × input-to-ppb, then back to the input unit.
    EXPECT_NEAR(s.cPOL_b[NOx], (si * 3 * 0.5 * 0.5 + 10 * 0.5) * 2, 1e-3);
    EXPECT_NEAR(s.cPOL_b[PM10], (si * 1 * 2 * 1 + 8 * 0.25) * 4, 1e-3);

    // An hour in which the city emits nothing of PM10: the regional background alone.
    s.cPOL_b[NOx] = -99;
    s.cPOL_b[PM10] = -99;
    s.UrbEmiProfile[PM10][8] = 0;
    CompleteBackground(s, f);
    EXPECT_NEAR(s.cPOL_b[PM10], 8 * 0.25 * 4, 1e-6);
    EXPECT_EQ(s.BackAvail[PM10], 1);
}

TEST_F(Chain, calmWindGivesNoCityBackgroundInsteadOfDividingByZero) {
    s.CitySize = 1;
    s.u_mast = 0;
    s.cPOL_b[NOx] = -99;
    s.cPOL_r[NOx] = 10;
    s.UrbEmiValue.assign(7, 2);
    s.UrbEmiProfile[NOx].fill(1);
    CompleteBackground(s, f);
    EXPECT_EQ(s.SpreadIntegral, -99);
    EXPECT_EQ(s.cPOL_b[NOx], -99);
    EXPECT_EQ(s.ModAvail[NOx], 0);
    EXPECT_EQ(s.ModAvail[NO2], 0); // no NO2 without modelled NOx
}

TEST_F(Chain, no2AndO3BackgroundComeFromTheChemistryOfTheRegionalValues) {
    s.CitySize = 1;
    s.cPOL_b[NO2] = -99;
    s.cPOL_r = {15, -99, 8, 35, -99, -99, -99};
    s.u_mast = 4;
    CompleteBackground(s, f);
    float no2 = 0, o3 = 0;
    NO2NOX(15, 35, 8, 30, no2, o3, 0.05f, 300, 288, 5000 / (4.02f * 0.5f));
    EXPECT_FLOAT_EQ(s.cPOL_b[NO2], no2);
    EXPECT_FLOAT_EQ(s.cPOL_b[O3], o3);
    EXPECT_FLOAT_EQ(s.cPOL_b[NO], 30 - no2);
}

// A small town at a fresh wind: the air crosses it in 99.5 s, too short for
// the chemistry to settle, so the NO2 and O3 background are those after
// that residence time (radius / (half the wind speed + 0.01 m/s)). The
// regional values and the background NOx enter in ppb, each by its own
// factor, and the results go back to the input unit by theirs.
TEST_F(Chain, no2AndO3BackgroundOfASmallTownAreTheChemistryAfterItsResidenceTime) {
    inputToPpb = {0.5f, 0.75f, 0.625f, 0.4375f, 1, 1, 1};
    ppbToInput = {2, 1 / 0.75f, 1.6f, 1 / 0.4375f, 1, 1, 1};
    refresh();
    f.Pol0ToPpbFactor = 0.5f;
    s.CitySize = 1;
    s.CityRadius = {0, 200};
    s.cPOL_b[NO2] = -99;
    s.cPOL_r = {30, -99, 12.8f, 80, -99, -99, -99};
    s.cPOL_b[NOx] = 60;
    s.u_mast = 4;
    CompleteBackground(s, f);
    // In ppb: regional NOx 15, NO2 8 and O3 35, background NOx 30.
    const float residence_s = 200 / (4.02f * 0.5f);
    float no2 = 0, o3 = 0, settledNO2 = 0, settledO3 = 0;
    NO2NOX(15, 35, 8, 30, no2, o3, 0.05f, 300, 288, residence_s);
    NO2NOX(15, 35, 8, 30, settledNO2, settledO3, 0.05f, 300, 288, 100 * residence_s);
    ASSERT_GT(std::fabs(no2 - settledNO2), 0.05f * settledNO2) << "the residence time matters here";
    EXPECT_NEAR(s.cPOL_b[NO2], no2 * 1.6f, 2e-6f * no2);
    EXPECT_NEAR(s.cPOL_b[O3], o3 / 0.4375f, 2e-6f * o3);
    EXPECT_NEAR(s.cPOL_b[NO], (30 - no2) / 0.75f, 2e-6f * 30);
    EXPECT_EQ(s.cPOL_b[NOx], 60) << "the measured background stays";
}

// The streets of a run keep, per hour, what the background completion made
// from the hour's inputs alone. A kept hour must give the bits of a fresh
// completion, be taken only for the very inputs it was made from, and be
// made again for any other.
TEST_F(Chain, aKeptHourGivesTheBitsOfAFreshCompletionAndOtherInputsMakeItAgain) {
    s.CitySize = 1;
    s.cPOL_b[NO2] = -99;
    s.cPOL_b[PM10] = -99;
    s.cPOL_r = {15, -99, 8, 35, -99, 5, -99};
    s.UrbEmiValue.assign(7, 2);
    s.UrbEmiValue[NO2] = -99; // NO2 from the chemistry alone
    for (auto &profile : s.UrbEmiProfile) {
        profile.fill(1);
    }
    const State start = s;
    auto sameBits = [](const std::vector<float> &a, const std::vector<float> &b) {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
    };
    BackgroundMemo memo;
    for (float u : {4.0f, 4.0f, 6.5f, 6.5f, 0.0f, 4.0f}) {
        State fresh = start, kept = start;
        fresh.u_mast = kept.u_mast = u;
        CompleteBackground(fresh, f);
        CompleteBackground(kept, f, &memo);
        SCOPED_TRACE(u);
        EXPECT_TRUE(sameBits(fresh.cPOL_b, kept.cPOL_b));
        EXPECT_EQ(std::memcmp(&fresh.SpreadIntegral, &kept.SpreadIntegral, sizeof(float)), 0);
        EXPECT_EQ(fresh.ModAvail, kept.ModAvail);
        EXPECT_EQ(memo.spreadFor[0], u);
    }
    // Taken as kept for the same inputs (a marked value shows it) ...
    State again = start;
    again.u_mast = 4;
    CompleteBackground(again, f, &memo);
    ASSERT_TRUE(memo.chemistryMade);
    memo.no2 = 1000;
    State marked = again;
    marked.cPOL_b = start.cPOL_b;
    CompleteBackground(marked, f, &memo);
    EXPECT_FLOAT_EQ(marked.cPOL_b[NO2], 1000 * ppbToInput[NO2]);
    // ... and made again when an input of the chemistry differs.
    State warmer = start;
    warmer.u_mast = 4;
    warmer.TempKelvin = start.TempKelvin + 10;
    CompleteBackground(warmer, f, &memo);
    EXPECT_NE(warmer.cPOL_b[NO2], 1000 * ppbToInput[NO2]);
    EXPECT_EQ(memo.chemistryFor[5], warmer.TempKelvin);
}

TEST_F(Chain, withoutCityTypeOnlyTheSecondBenzeneRuleAndTheConditionsFileFillGaps) {
    s.CitySize = 0;
    s.BenzeneContent = 10;
    itmf[CO] = 2;
    itmf[BNZ] = 4;
    refresh();
    s.cPOL_b[NO2] = -99;
    s.cPOL_r = {15, -99, 8, 35, -99, -99, -99};
    CompleteBackground(s, f);
    EXPECT_EQ(s.cPOL_b[NO2], -99);
    EXPECT_EQ(s.ModAvail[NO2], 0);
    EXPECT_EQ(s.BackAvail[NO2], 0);
    EXPECT_NEAR(s.cPOL_b[BNZ], 300 * 10 * (2 * 0.001 / 4), 1e-4);
}

TEST_F(Chain, measuredStreetContributionIsFormedFromUnconvertedValues) {
    itmf[PM10] = 2;
    refresh();
    s.cPOL_obs_1[PM10] = 50;
    s.cPOL_obs_2[PM10] = -99;
    CompleteBackground(s, f);
    EXPECT_FLOAT_EQ(s.cPOL_str_obs_1[PM10], (50 - 20) * 2);
    EXPECT_EQ(s.cPOL_str_obs_2[PM10], -99);
}

TEST_F(Chain, eachSideGetsTheStreetContributionOfItsOwnMeasurement) {
    itmf[PM10] = 2;
    refresh();
    s.cPOL_obs_1[PM10] = 50;
    s.cPOL_obs_2[PM10] = 30;
    CompleteBackground(s, f); // background 20
    EXPECT_FLOAT_EQ(s.cPOL_str_obs_1[PM10], 30 * 2);
    EXPECT_FLOAT_EQ(s.cPOL_str_obs_2[PM10], 10 * 2);
}

TEST_F(Chain, concentrationsAreStreetPartPlusBackgroundInTheOutputUnit) {
    iuf[PM10] = 0.5f;
    itmf[PM10] = 2;
    refresh();
    s.cPOL_obs_1[PM10] = 50;
    s.cPOL_r[PM10] = -99;
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    EXPECT_FLOAT_EQ(s.cPOL_str_mod_1[PM10], s.c_st1 * 5 * 0.5f);
    EXPECT_FLOAT_EQ(s.cPOL_mod_1[PM10], 20 * 2 + s.c_st1 * 5 * 0.5f);
    EXPECT_FLOAT_EQ(s.cPOL_mod_2[PM10], 20 * 2 + s.c_st2 * 5 * 0.5f);
    EXPECT_FLOAT_EQ(s.cPOL_b[PM10], 40); // converted after use
    EXPECT_FLOAT_EQ(s.cPOL_obs_1[PM10], 100);
    EXPECT_EQ(s.cPOL_r[PM10], -99); // negatives stay
}

TEST_F(Chain, no2ChemistryUsesTheInputUnitForBackgroundNOxAndTheOutputUnitForTheSide) {
    f.Pol0ToPpbFactor = 0.5f;
    f.NOxToPpbFactor = 0.25f;
    f.NO2ToPpbFactor = 2;
    f.O3ToPpbFactor = 3;
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    const float sideNOx = s.cPOL_mod_2[NOx] * 0.25f;
    EXPECT_FLOAT_EQ(s.ChemInputs[0], 30 * 0.5f);
    EXPECT_FLOAT_EQ(s.ChemInputs[2], 10 * 2);
    EXPECT_FLOAT_EQ(s.ChemInputs[3], 40 * 3);
    float no2 = 0, o3 = 0;
    NO2NOX(15, 120, 20, sideNOx, no2, o3, 0.05f, 300, 288, s.ResidenceTime);
    EXPECT_FLOAT_EQ(s.cPOL_mod_2[NO2], no2);
    EXPECT_FLOAT_EQ(s.cPOL_mod_2[O3], o3);
    EXPECT_FLOAT_EQ(s.cPOL_mod_2[NO], sideNOx - no2);
    EXPECT_LE(s.cPOL_mod_2[NO2], sideNOx);
}

TEST_F(Chain, chemistryGetsPpbFromTheRealUnitFactorsWhateverTheUnits) {
    // Input in ppb, output in µg/m³: the background NOx must enter the
    // chemistry as the ppb it was read in, the side's NOx from µg/m³.
    s.PollutantNames = {"NOX", "NO", "NO2", "O3", "CO", "PM10", "BNZ"};
    s.MicrogToPpb = {0.532, 0.8, 0.532, 0.5, 0.86, 1, 0.31};
    s.PpbToMicrog.clear();
    for (double m : s.MicrogToPpb) {
        s.PpbToMicrog.push_back(1 / m);
    }
    s.InputUnit.assign(7, "ppb");
    s.OutputUnit.assign(7, "microg");
    s.StdInputUnits = s.StdInputUnitsCopy = s.DefOutputUnits = s.OutputUnit;
    std::string error;
    ASSERT_TRUE(SetUnitFactors(s, &error)) << error;
    f = chainFactors(s);
    f.EmitterIndex = emitters;
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    EXPECT_NEAR(s.ChemInputs[0], 30, 1e-4); // 30 ppb background NOx stays 30 ppb
    EXPECT_NEAR(s.ChemInputs[3], 40, 1e-4);
    EXPECT_NEAR(s.cPOL_b[NOx], 30 / 0.532, 1e-3); // then into µg/m³
    const float sideNOx_ppb = s.cPOL_mod_2[NOx] * 0.532f;
    EXPECT_NEAR(s.ChemInputs[1], sideNOx_ppb, 1e-3);
    float no2 = 0, o3 = 0;
    NO2NOX(30, 40, 10, sideNOx_ppb, no2, o3, 0.05f, 300, 288, s.ResidenceTime);
    EXPECT_NEAR(s.cPOL_mod_2[NO2], no2 / 0.532f, 1e-3);
    EXPECT_NEAR(s.cPOL_mod_2[O3], o3 / 0.5f, 1e-3);
}

TEST_F(Chain, anHourWithoutOzoneBackgroundHasNoModelledNO2OnEitherSide) {
    s.cPOL_b[O3] = -99;
    CompleteBackground(s, f);
    EXPECT_EQ(s.BackAvail[O3], 0);
    EXPECT_EQ(s.ModAvail[NO2], 0) << "the chemistry needs the ozone background";
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    for (const auto *side : {&s.cPOL_str_mod_1, &s.cPOL_str_mod_2, &s.cPOL_mod_1, &s.cPOL_mod_2}) {
        EXPECT_EQ((*side)[NO2], -99);
    }
    EXPECT_GT(s.cPOL_str_mod_1[NOx], 0) << "NOx is modelled as ever";
    EXPECT_GT(s.cPOL_mod_2[NOx], 30);

    // With its ozone background the same hour has its NO2 street part (the run sets the flags anew every
    // hour).
    s.cPOL_b[O3] = 40;
    for (int p = 0; p <= 6; ++p) {
        s.ModAvail[p] = s.BackAvail[p] = 1;
    }
    CompleteBackground(s, f);
    FormConcentrations(s, f);
    EXPECT_GT(s.cPOL_str_mod_1[NO2], 0);
    EXPECT_GT(s.cPOL_mod_1[NO2], 10);
}

TEST_F(Chain, ozoneIsFormedOnlyByTheChemistry) {
    // O3 is available but not emitted: without the chemistry it has no modelled value.
    s.CalcNO2 = 0;
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    EXPECT_EQ(s.cPOL_mod_1[O3], -99);
    EXPECT_EQ(s.cPOL_str_mod_1[O3], -99);
    EXPECT_EQ(s.cPOL_mod_1[NO2], -99); // no totals for NO and NO2 either
    EXPECT_EQ(s.cPOL_mod_1[NO], -99);
    EXPECT_GT(s.cPOL_str_mod_1[NO2], 0); // but their street parts
    EXPECT_GT(s.cPOL_str_mod_1[NO], 0);
}

TEST_F(Chain, unusedSideAndMissingResidenceTimeFormNothing) {
    s.Receptor2 = 0;
    RunStreetModelHour(s);
    s.ResidenceTime = -99;
    FormConcentrations(s, f);
    EXPECT_EQ(s.cPOL_mod_2[NOx], -99);
    EXPECT_EQ(s.cPOL_str_mod_2[PM10], -99);
    EXPECT_GT(s.cPOL_mod_1[NOx], 30);
    EXPECT_EQ(s.cPOL_mod_1[NO2], -99); // no chemistry without a residence time
}

TEST_F(Chain, hourStatisticsTakeModelledValuesOnlyFromCalculableHours) {
    s.cPOL_obs_1[PM10] = 50;
    s.ObsAvail_1[PM10] = 1;
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    StatHourValues v = hourStatValues(s, PM10, 1);
    EXPECT_TRUE(v.modelledAvailable);
    EXPECT_TRUE(v.measuredAvailable);
    EXPECT_FLOAT_EQ(v.modelled, s.cPOL_mod_1[PM10]);
    EXPECT_FLOAT_EQ(v.background, 20);
    s.HourCalculable = 0;
    v = hourStatValues(s, PM10, 1);
    EXPECT_FALSE(v.modelledAvailable);
    EXPECT_TRUE(v.measuredAvailable);
}

// Street parts, background, measurements and flags of one pollutant for the correction.
struct CorrectionCase {
    const char *what;
    float obs1, b, strObs1, mod1, strMod1, strMod2, mod2;
    int obsAvail1;
    float expectedCor2;
    float expectedFlag2;
};

void PrintTo(const CorrectionCase &c, std::ostream *out) {
    *out << c.what;
}

class CrossSideCorrection : public Chain, public ::testing::WithParamInterface<CorrectionCase> {};

TEST_P(CrossSideCorrection, correctsTheOtherSideFromTheMeasuringSide) {
    const CorrectionCase &c = GetParam();
    s.CalcNO2 = 0;
    s.cPOL_b[PM10] = c.b;
    // The case as written measures on side 1; its mirror image measures on side 2.
    for (int measuring : {1, 2}) {
        SCOPED_TRACE("measured on side " + std::to_string(measuring));
        const bool first = measuring == 1;
        (first ? s.cPOL_obs_1 : s.cPOL_obs_2)[PM10] = c.obs1;
        (first ? s.cPOL_str_obs_1 : s.cPOL_str_obs_2)[PM10] = c.strObs1;
        (first ? s.cPOL_mod_1 : s.cPOL_mod_2)[PM10] = c.mod1;
        (first ? s.cPOL_str_mod_1 : s.cPOL_str_mod_2)[PM10] = c.strMod1;
        (first ? s.cPOL_str_mod_2 : s.cPOL_str_mod_1)[PM10] = c.strMod2;
        (first ? s.cPOL_mod_2 : s.cPOL_mod_1)[PM10] = c.mod2;
        (first ? s.ObsAvail_1 : s.ObsAvail_2)[PM10] = c.obsAvail1;
        (first ? s.cPOL_obs_2 : s.cPOL_obs_1)[PM10] = -99;
        (first ? s.cPOL_str_obs_2 : s.cPOL_str_obs_1)[PM10] = -99;
        (first ? s.ObsAvail_2 : s.ObsAvail_1)[PM10] = 0;
        ApplyCrossSideCorrection(s, f, 0.5);
        EXPECT_FLOAT_EQ((first ? s.cPOL_cor_2 : s.cPOL_cor_1)[PM10], c.expectedCor2);
        EXPECT_EQ((first ? s.flagPOL_2 : s.flagPOL_1)[PM10], c.expectedFlag2);
        // The measuring side has no measurement on the other side to learn from: it keeps its modelled value.
        EXPECT_FLOAT_EQ((first ? s.cPOL_cor_1 : s.cPOL_cor_2)[PM10], c.mod1);
        EXPECT_EQ((first ? s.flagPOL_1 : s.flagPOL_2)[PM10], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrossSideCorrection,
    ::testing::Values(
        // 0.5 × 40 = 20 < 30: first rule.
        CorrectionCase{"first_rule", 40, 10, 30, 30, 12, 24, 34, 1, 30.0f / 12 * 24 + 10, 1},
        // 7.5 < 5 fails; 9 < 15 and 15 < 20: second rule.
        CorrectionCase{"second_rule", 15, 10, 5, 20, 4, 8, 18, 1, 5.0f / 4 * 8 + 10, 2},
        // Neither rule: modelled value, flag 0.
        CorrectionCase{"no_rule", 15, 10, 5, 12, 4, 8, 18, 1, 18, 0},
        // Measured below the background, modelled above 1.5 × 10: the second rule
        // takes a measurement above 0.9 × 10 only.
        CorrectionCase{"measured_0_85_of_the_background", 8.5f, 10, -1.5f, 20, 4, 8, 18, 1, 18, 0},
        CorrectionCase{"measured_0_9_of_the_background", 9, 10, -1, 20, 4, 8, 18, 1, 18, 0},
        CorrectionCase{"measured_0_91_of_the_background", 9.1f, 10, -0.9f, 20, 4, 8, 18, 1,
                       -0.9f / 4 * 8 + 10, 2},
        // The modelled value at 1.5 × 10 and just above it.
        CorrectionCase{"modelled_1_5_times_the_background", 15, 10, 5, 15, 4, 8, 18, 1, 18, 0},
        CorrectionCase{"modelled_just_above_1_5_times_the_background", 15, 10, 5, 15.1f, 4, 8, 18, 1,
                       5.0f / 4 * 8 + 10, 2},
        CorrectionCase{"no_measurement", 40, 10, 30, 30, 12, 24, 34, 0, 34, 0},
        CorrectionCase{"street_part_zero", 40, 10, 30, 10, 0, 24, 34, 1, 34, 0},
        // No street part on the corrected side: the background alone, first rule.
        CorrectionCase{"other_street_part_zero", 40, 10, 30, 30, 12, 0, 10, 1, 10, 1},
        // Values below 1, as of CO in mg/m³: 0.4 < 0.6, first rule, 0.6 / 2 × 1 + 0.2.
        CorrectionCase{"values_below_one", 0.8f, 0.2f, 0.6f, 1.4f, 2, 1, 1.2f, 1, 0.5f, 1},
        CorrectionCase{"street_part_missing", 40, 10, 30, 10, 12, -99, -99, 1, -99, 0},
        // Measured below the background: 4 < -2 fails and 9 < 8 fails, though 15 < 20.
        CorrectionCase{"measured_below_background", 8, 10, -2, 20, 4, 8, 18, 1, 18, 0},
        // A corrected value below 0 would be no concentration: the modelled value stays.
        CorrectionCase{"negative_result", 9.5f, 10, -0.5f, 30, 0.1f, 24, 34, 1, 34, 0}),
    [](const auto &info) { return std::string(info.param.what); });

TEST_F(Chain, bothMeasuringSidesCorrectEachOtherFromTheirOwnStreetContribution) {
    s.CalcNO2 = 0;
    s.cPOL_b[PM10] = 20;
    // Side 1: measured 50, contribution 30; side 2: measured 30, contribution 10.
    s.cPOL_obs_1[PM10] = 50;
    s.cPOL_str_obs_1[PM10] = 30;
    s.cPOL_mod_1[PM10] = 45;
    s.cPOL_str_mod_1[PM10] = 25;
    s.cPOL_obs_2[PM10] = 30;
    s.cPOL_str_obs_2[PM10] = 10;
    s.cPOL_mod_2[PM10] = 35;
    s.cPOL_str_mod_2[PM10] = 15;
    s.ObsAvail_1[PM10] = s.ObsAvail_2[PM10] = 1;
    ApplyCrossSideCorrection(s, f, 0.5);
    // Side 2 from side 1: 0.5 × 50 = 25 < 30, first rule.
    EXPECT_FLOAT_EQ(s.cPOL_cor_2[PM10], 30.0f / 25 * 15 + 20);
    EXPECT_EQ(s.flagPOL_2[PM10], 1);
    // Side 1 from side 2: 15 < 10 fails; 18 < 30 and 30 < 35: second rule.
    EXPECT_FLOAT_EQ(s.cPOL_cor_1[PM10], 10.0f / 15 * 25 + 20);
    EXPECT_EQ(s.flagPOL_1[PM10], 2);
}

TEST_F(Chain, correctionNeedsAPositiveThreshold) {
    s.cPOL_mod_1[PM10] = 30;
    s.cPOL_mod_2[PM10] = 34;
    for (double t : {0.0, -1.0}) {
        ApplyCrossSideCorrection(s, f, t);
        for (int p = 0; p <= 6; ++p) {
            EXPECT_EQ(s.cPOL_cor_1[p], -99);
            EXPECT_EQ(s.cPOL_cor_2[p], -99);
            EXPECT_EQ(s.flagPOL_1[p], 0);
            EXPECT_EQ(s.flagPOL_2[p], 0);
        }
    }
}

TEST_F(Chain, correctedNO2ComesFromMeasuredNOxOrElseFromCorrectedNOx) {
    s.ObsAvail_1[NOx] = 1;
    s.cPOL_obs_1[NOx] = 90;
    s.ObsAvail_2[NOx] = 0;
    CompleteBackground(s, f);
    RunStreetModelHour(s);
    FormConcentrations(s, f);
    ApplyCrossSideCorrection(s, f, 0.5);
    ASSERT_GT(s.cPOL_cor_2[NOx], 0);
    float no2 = 0, o3 = 0;
    NO2NOX(30, 40, 10, 90, no2, o3, 0.05f, 300, 288, s.ResidenceTime);
    EXPECT_FLOAT_EQ(s.cPOL_cor_1[NO2], no2);
    EXPECT_FLOAT_EQ(s.cPOL_cor_1[O3], o3);
    EXPECT_FLOAT_EQ(s.cPOL_cor_1[NO], 90 - no2);
    EXPECT_EQ(s.flagPOL_1[NO2], 1);
    // Side 2: no measured NOx, so its corrected NOx (here corrected from side 1).
    NO2NOX(30, 40, 10, s.cPOL_cor_2[NOx], no2, o3, 0.05f, 300, 288, s.ResidenceTime);
    EXPECT_FLOAT_EQ(s.cPOL_cor_2[NO2], no2);
    EXPECT_EQ(s.flagPOL_2[NO2], 2);
    // O3 is no emitter: it gets a value only from the chemistry, without a flag of its own.
    EXPECT_EQ(s.flagPOL_1[O3], 0);
}

// The hour's arrays are indexed directly when every one holds the run's
// pollutants, and through the checked accessors otherwise (here: one
// array a pollutant longer). Both routes must give the same bits, for
// values of every kind: missing, unit factors other than 1, a conditions
// value, measurements on one side only.
TEST_F(Chain, theDirectAndTheCheckedRouteOfAnHourGiveTheSameBits) {
    iuf = {1, 1, 1, 1, 0.001f, 0.5f, 1};
    itmf = {1.5f, 1, 1, 1, 0.001f, 2, 1};
    refresh();
    f.Pol0ToPpbFactor = 0.53f;
    f.NOxToPpbFactor = 0.53f;
    s.cPOL_b[PM10] = -99;
    s.CndBackground[PM10] = 18;
    s.cPOL_obs_1 = {80, -99, 30, -99, 700, 45, -99};
    s.cPOL_r = {15, -99, 8, 35, 250, -99, -99};
    s.ModAvail[CO] = 0;
    RunStreetModelHour(s);
    auto bits = [](const std::vector<float> &v) {
        std::vector<std::uint32_t> b(v.size());
        std::memcpy(b.data(), v.data(), v.size() * sizeof(float));
        return b;
    };
    struct Lengthen {
        const char *array;
        std::vector<float> State::*floats;
        std::vector<int> State::*flags;
    };
    for (const Lengthen &l : {Lengthen{"none", nullptr, nullptr}, Lengthen{"qPOL", &State::qPOL, nullptr},
                              Lengthen{"CndBackground", &State::CndBackground, nullptr},
                              Lengthen{"cPOL_mod_2", &State::cPOL_mod_2, nullptr},
                              Lengthen{"ModAvail", nullptr, &State::ModAvail}}) {
        SCOPED_TRACE(l.array);
        State direct = s, checked = s;
        if (l.floats != nullptr) {
            (checked.*l.floats).push_back(-99);
        }
        if (l.flags != nullptr) {
            (checked.*l.flags).push_back(1);
        }
        for (State *x : {&direct, &checked}) {
            CompleteBackground(*x, f);
            FormConcentrations(*x, f);
        }
        for (auto array : {&State::cPOL_b, &State::cPOL_r, &State::cPOL_obs_1, &State::cPOL_obs_2,
                           &State::cPOL_str_obs_1, &State::cPOL_str_obs_2, &State::cPOL_str_mod_1,
                           &State::cPOL_str_mod_2, &State::cPOL_mod_1, &State::cPOL_mod_2}) {
            std::vector<float> a = direct.*array, b = checked.*array;
            b.resize(a.size());
            EXPECT_EQ(bits(a), bits(b));
        }
        std::vector<int> avail = checked.ModAvail;
        avail.resize(direct.ModAvail.size());
        EXPECT_EQ(direct.ModAvail, avail);
        EXPECT_EQ(direct.BackAvail, checked.BackAvail);
    }
    // The route is not a no-op: values of every kind were formed.
    State x = s;
    CompleteBackground(x, f);
    FormConcentrations(x, f);
    EXPECT_FLOAT_EQ(x.cPOL_b[PM10], 18 * 2);
    EXPECT_FLOAT_EQ(x.cPOL_str_obs_1[PM10], (45 - 18) * 2);
    EXPECT_EQ(x.cPOL_str_obs_2[PM10], -99);
    EXPECT_EQ(x.cPOL_mod_1[CO], -99);
    EXPECT_GT(x.cPOL_mod_1[NO2], 0);
    EXPECT_FLOAT_EQ(x.cPOL_r[NOx], 15 * 1.5f);
}

} // namespace
} // namespace vesk
