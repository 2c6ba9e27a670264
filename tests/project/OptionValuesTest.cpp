// The rules of the options and Special Mode traffic dialogs: typed values,
// the copy put back by Cancel, the OK rule and the repair of codes read from
// an option file.

#include "project/OptionValues.h"
#include "project/OptionFile.h"
#include "project/ProjectFixtures.h"
#include "project/SpecialTraffic.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace vesk;
using namespace vesk::test;

namespace {

struct TypedCase {
    const char *text;
    bool accepted;
    double value;      // when accepted
    const char *error; // when refused
};

std::string caseName(const char *text, std::size_t index) {
    return "Case" + std::to_string(index) + "_" + testNameOf(text);
}

} // namespace

// ---- Minimum counts ----------------------------------------------------------------------------------

class MinimumCountOfRunning8 : public ::testing::TestWithParam<TypedCase> {};

TEST_P(MinimumCountOfRunning8, IsAWholeNumberFrom1To8ReadStrictly) {
    const TypedCase &c = GetParam();
    const ValueCheck check = checkMinimumCount(c.text, 8);
    EXPECT_EQ(check.accepted, c.accepted) << c.text;
    if (c.accepted) {
        EXPECT_EQ(check.value, c.value);
        EXPECT_TRUE(check.message.empty());
    } else {
        EXPECT_EQ(check.message, c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MinimumCountOfRunning8,
    ::testing::Values(TypedCase{"8", true, 8, ""}, TypedCase{"1", true, 1, ""}, TypedCase{" 6 ", true, 6, ""},
                      TypedCase{"2.5", true, 2, ""}, TypedCase{"3,5", true, 4, ""},
                      TypedCase{"9", false, 0, "The value must be between 1 and 8"},
                      TypedCase{"0", false, 0, "The value must be between 1 and 8"},
                      TypedCase{"0.4", false, 0, "The value must be between 1 and 8"},
                      TypedCase{"99999999999", false, 0, "The value must be between 1 and 8"},
                      TypedCase{"", false, 0, "The value entered is not valid"},
                      TypedCase{"abc", false, 0, "The value entered is not valid"},
                      TypedCase{"12abc", false, 0, "The value entered is not valid"},
                      TypedCase{"4 5", false, 0, "The value entered is not valid"}),
    [](const auto &info) { return caseName(info.param.text, info.index); });

TEST(MinimumCounts, TheDailyCountsGoUpTo24) {
    EXPECT_TRUE(checkMinimumCount("24", 24).accepted);
    EXPECT_EQ(checkMinimumCount("25", 24).message, "The value must be between 1 and 24");
}

// ---- NO2 tab ---------------------------------------------------------------------------------------------

struct BackgroundCase {
    int index;
    const char *text;
    double nox, no2;   // the other backgrounds at the time
    const char *error; // "" = accepted
};

class NO2TabValues : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(NO2TabValues, AreCheckedWithTheProgramsMessages) {
    const BackgroundCase &c = GetParam();
    const ValueCheck check = checkNO2TabValue(c.index, c.text, c.nox, c.no2);
    EXPECT_EQ(check.accepted, std::string(c.error).empty()) << c.text;
    EXPECT_EQ(check.message, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, NO2TabValues,
    ::testing::Values(
        BackgroundCase{1, "40", 40, 30, ""}, BackgroundCase{2, "40", 40, 30, ""},
        // A NOx background equal to the NO2 background is accepted in either box.
        BackgroundCase{1, "30", 40, 30, ""}, BackgroundCase{2, "30", 30, 20, ""},
        BackgroundCase{2, "50", 40, 30, "NO2 Background must not be larger than NOX Background"},
        BackgroundCase{1, "30", 40, 50, "NOX Background must not be smaller than NO2 Background"},
        BackgroundCase{1, "-1", 40, 0, "The value must be >=0"},
        BackgroundCase{2, "-1", 40, 0, "The value  must be >=0"},
        BackgroundCase{3, "-1", 40, 0, "The value  must be >=0"},
        BackgroundCase{5, "-0.5", 40, 0, "The value  must be >=0"}, BackgroundCase{4, "-10", 40, 0, ""},
        BackgroundCase{4, "12,5", 40, 0, ""}, BackgroundCase{4, "", 40, 0, "Value is not specified"},
        BackgroundCase{4, "abc", 40, 0, "The value entered is not valid"},
        BackgroundCase{4, "12abc", 40, 0, "The value entered is not valid"},
        BackgroundCase{5, "1,5e2", 40, 0, ""}),
    [](const auto &info) { return caseName(info.param.text, info.index); });

TEST(NO2TabValues, ACommaAndAPointAreTheSameDecimalMark) {
    EXPECT_DOUBLE_EQ(checkNO2TabValue(4, "12,5", 0, 0).value, 12.5);
    EXPECT_DOUBLE_EQ(checkNO2TabValue(4, "12.5", 0, 0).value, 12.5);
    EXPECT_DOUBLE_EQ(checkSpecialTrafficValue(1, "1,5").value, 1.5);
}

// ---- Special Mode traffic ------------------------------------------------------------------------------

TEST(SpecialTraffic, TypedValuesAreNumbersOfZeroOrMore) {
    EXPECT_TRUE(checkSpecialTrafficValue(2, "0").accepted);
    EXPECT_EQ(checkSpecialTrafficValue(1, "-1").message, "The value must be >=0");
    EXPECT_EQ(checkSpecialTrafficValue(2, "-1").message, "The value  must be >=0");
    EXPECT_EQ(checkSpecialTrafficValue(1, " ").message, "Value is not specified");
    EXPECT_EQ(checkSpecialTrafficValue(1, "abc").message, "The value entered is not valid");
    EXPECT_EQ(checkSpecialTrafficValue(1, "12abc").message, "The value entered is not valid");
}

TEST(SpecialTraffic, EmissionPerMetreIsFactorTimesTrafficOver3Point6) {
    SpecialTrafficValues v;
    v.TrafficLight = 1000;
    v.EmFactorLight = 0.36;
    v.TrafficHeavy = 0;
    v.EmFactorHeavy = 6;
    const SpecialEmission e = specialEmission(v);
    EXPECT_FLOAT_EQ(e.light, 100.0f);
    EXPECT_FLOAT_EQ(e.heavy, 0.0f);
    EXPECT_FLOAT_EQ(e.total, 100.0f);
    v.TrafficHeavy = 120;
    EXPECT_FLOAT_EQ(specialEmission(v).total, 100.0f + 200.0f);
}

TEST(SpecialTraffic, TheCopyPutsAllSixValuesBack) {
    ProjectState s;
    s.TrafficLight = 1500, s.TrafficHeavy = 120, s.EmFactorLight = 0.5, s.EmFactorHeavy = 6;
    s.SpeedLight = 50, s.SpeedHeavy = 40;
    const SpecialTrafficValues copy = takeSpecialTraffic(s);
    s.TrafficLight = s.TrafficHeavy = s.EmFactorLight = s.EmFactorHeavy = s.SpeedLight = s.SpeedHeavy = 1;
    restoreSpecialTraffic(s, copy);
    EXPECT_TRUE(takeSpecialTraffic(s) == copy);
    EXPECT_DOUBLE_EQ(s.SpeedHeavy, 40);
}

// ---- The copy, OK and the repair of codes -------------------------------------------------------------

TEST(OptionSnapshot, RestoringPutsBackEveryOptionAndTheChangedFlag) {
    ProjectState s;
    setDemolandCountry(s);
    fillSingleStreetProject(s);
    s.OptionFileChanged = false;
    const OptionSnapshot copy = takeOptionSnapshot(s);
    const std::string before = formatOptionFile(s);
    const bool turbulence = s.TrafficTurbulence;

    s.CalcNO2 = 1 - s.CalcNO2;
    s.BackgroundNOx += 1;
    s.CalcPerc = !s.CalcPerc;
    s.MinNobsDay = 3;
    s.ShowLimitValMode = (s.ShowLimitValMode + 1) % 3;
    s.PercSource.assign(s.PercSource.size(), 0);
    s.ShowPol.assign(s.ShowPol.size(), false);
    s.TrafficTurbulence = !turbulence;
    s.OptionFileChanged = true;
    restoreOptionSnapshot(s, copy);

    EXPECT_EQ(formatOptionFile(s), before);
    EXPECT_EQ(s.TrafficTurbulence, turbulence);
    EXPECT_FALSE(s.OptionFileChanged);
}

TEST(OptionsOk, SwitchedOffFamiliesLoseTheirChoicesButAnnualAveragesKeepTheirs) {
    ProjectState s;
    setDemolandCountry(s);
    fillSingleStreetProject(s);
    const auto n = static_cast<std::size_t>(s.NPol + 1);
    for (auto *v : {&s.PercSource, &s.Run8Source, &s.AvSource, &s.DailySource}) {
        v->assign(n, 3);
    }
    s.CalcPerc = false;
    s.CalcRun8 = true;
    s.CalcDaily = false;
    applyOptionsOk(s);
    EXPECT_EQ(s.PercSource, std::vector<int>(n, 0));
    EXPECT_EQ(s.Run8Source, std::vector<int>(n, 3));
    EXPECT_EQ(s.AvSource, std::vector<int>(n, 3));
    EXPECT_EQ(s.DailySource, std::vector<int>(n, 0));
}

TEST(OptionCodes, ValidCodesAreLeftAloneAndNothingIsReported) {
    ProjectState s;
    setDemolandCountry(s);
    fillSingleStreetProject(s);
    s.OptionFileChanged = false;
    const std::string before = formatOptionFile(s);
    EXPECT_TRUE(repairOptionCodes(s).empty());
    EXPECT_EQ(formatOptionFile(s), before);
    EXPECT_FALSE(s.OptionFileChanged);
}

TEST(OptionCodes, CodesNoControlCanShowAreResetToValidDefaults) {
    ProjectState s;
    setDemolandCountry(s);
    fillSingleStreetProject(s);
    s.PercMode = 2;
    s.ShowLimitValMode = 7;
    s.CalcNO2 = -1;
    s.MinNobs8 = 0;
    s.MinNobsDay = 25;
    s.Run8Source[2] = 9;
    s.NormWindScale = 5;
    s.ShowPol.resize(2);
    const auto notes = repairOptionCodes(s);
    EXPECT_EQ(notes.size(), 7u);
    EXPECT_EQ(s.PercMode, 0);
    EXPECT_EQ(s.ShowLimitValMode, 0);
    EXPECT_EQ(s.CalcNO2, 1);
    EXPECT_EQ(s.MinNobs8, 6);
    EXPECT_EQ(s.MinNobsDay, 18);
    EXPECT_EQ(s.Run8Source[2], 3);
    EXPECT_EQ(s.NormWindScale, 2);
    EXPECT_EQ(s.ShowPol.size(), static_cast<std::size_t>(s.NPol + 1));
    EXPECT_TRUE(s.OptionFileChanged) << "the repaired file can be saved";
}

// Each code the repair checks, with its bounds and the value a code outside them is set to.
struct CodeBounds {
    const char *name;
    int ProjectState::*code;
    int lo, hi, fallback;
};

void PrintTo(const CodeBounds &c, std::ostream *out) {
    *out << c.name;
}

class OptionCodeBounds : public ::testing::TestWithParam<CodeBounds> {};

TEST_P(OptionCodeBounds, KeepEachBoundAsItStandsAndSetOneBeyondToTheDefault) {
    const CodeBounds &c = GetParam();
    for (const int value : {c.lo, c.hi, c.lo - 1, c.hi + 1}) {
        SCOPED_TRACE(std::to_string(value));
        ProjectState s;
        setDemolandCountry(s);
        fillSingleStreetProject(s);
        s.OptionFileChanged = false;
        s.*c.code = value;
        const bool inside = value >= c.lo && value <= c.hi;
        const std::vector<std::string> notes = repairOptionCodes(s);
        EXPECT_EQ(notes.size(), inside ? 0u : 1u);
        EXPECT_EQ(s.*c.code, inside ? value : c.fallback);
        EXPECT_EQ(s.OptionFileChanged, !inside);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, OptionCodeBounds,
    ::testing::Values(CodeBounds{"CalcNO2", &ProjectState::CalcNO2, 0, 1, 1},
                      CodeBounds{"PercMode", &ProjectState::PercMode, 0, 1, 0},
                      CodeBounds{"Run8PercMode", &ProjectState::Run8PercMode, 0, 1, 0},
                      CodeBounds{"DailyPercMode", &ProjectState::DailyPercMode, 0, 1, 0},
                      CodeBounds{"ShowLimitValMode", &ProjectState::ShowLimitValMode, 0, 2, 0},
                      CodeBounds{"NormWindScale", &ProjectState::NormWindScale, 0, 2, 2},
                      CodeBounds{"NormLengthScale", &ProjectState::NormLengthScale, 0, 2, 1},
                      CodeBounds{"MinNobs8", &ProjectState::MinNobs8, 1, 8, 6},
                      CodeBounds{"MinDailyMax", &ProjectState::MinDailyMax, 1, 24, 18},
                      CodeBounds{"MinNobsDay", &ProjectState::MinNobsDay, 1, 24, 18}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(OptionCodes, EachSourceOfEachPollutantKeepsZeroToThreeAndIsSetToThreeBeyond) {
    ProjectState s;
    setDemolandCountry(s);
    fillSingleStreetProject(s);
    const auto n = static_cast<std::size_t>(s.NPol + 1);
    std::vector<int> *families[] = {&s.PercSource, &s.Run8Source, &s.AvSource, &s.DailySource};
    for (std::vector<int> *f : families) {
        f->assign(n, 0);
    }
    // Every family and pollutant a bound or one beyond it.
    const int values[] = {0, 3, -1, 4};
    std::size_t beyond = 0;
    for (std::size_t f = 0; f < 4; ++f) {
        for (std::size_t k = 0; k < n; ++k) {
            (*families[f])[k] = values[(f + k) % 4];
            beyond += values[(f + k) % 4] < 0 || values[(f + k) % 4] > 3 ? 1 : 0;
        }
    }
    EXPECT_EQ(repairOptionCodes(s).size(), beyond);
    for (std::size_t f = 0; f < 4; ++f) {
        for (std::size_t k = 0; k < n; ++k) {
            const int given = values[(f + k) % 4];
            EXPECT_EQ((*families[f])[k], given < 0 || given > 3 ? 3 : given)
                << "family " << f << ", pollutant " << k;
        }
    }
}

TEST(OptionCodes, AnOutOfRangeCodeInRunOptIsReportedAtLoadingAndReset) {
    ProjectFolder folder;
    ScriptedInteraction ui;
    const std::string standard = readFile(dataDir() / "Run.opt");
    // Line 11: hourly percentiles on, display mode 2 (there is no such mode).
    folder.write("Run.opt", withLine(standard, 11, "#TRUE#,2"));
    ProjectState p = folder.fresh();
    fillSingleStreetProject(p);
    ProjectState s = folder.fresh();
    ASSERT_EQ(loadFile(s, folder.write("P.vkp", savedBytes(p)), ui).outcome, LoadOutcome::Loaded);
    EXPECT_EQ(s.PercMode, 0);
    EXPECT_TRUE(s.OptionFileChanged);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().rfind("Error in Option Data", 0), 0u) << ui.messages.back();
    EXPECT_NE(ui.messages.back().find("hourly percentiles"), std::string::npos);
}
