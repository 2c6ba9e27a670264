#include "project/StreetConfig.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace vesk {
namespace {

StreetConfig validConfig() {
    StreetConfig c;
    c.StreetName = "Main Street";
    c.StreetHeight = 20;
    c.StreetWidth = 20;
    c.StreetLength_1 = 50;
    c.StreetLength_2 = 60;
    c.StreetOrientation = 45;
    c.NumWindSectors = 2;
    c.SectorColumns = 2;
    c.SectorStart[1] = 200;
    c.SectorEnd[1] = 250;
    c.SectorValue[1] = 30;
    c.SectorStart[2] = 20;
    c.SectorEnd[2] = 60;
    c.SectorValue[2] = 0;
    c.SectorUsed[1] = c.SectorUsed[2] = true;
    c.Receptor1 = 1;
    c.Receptor2 = 0;
    c.RecHeight = 2;
    return c;
}

struct ProblemCase {
    const char *name;
    std::function<void(StreetConfig &)> change;
    const char *expected; // "" = no problem
};
class StreetConfigProblems : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(StreetConfigProblems, EachWrongValueIsNamed) {
    StreetConfig c = validConfig();
    GetParam().change(c);
    EXPECT_EQ(streetConfigProblem(c), GetParam().expected) << GetParam().name;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Values, StreetConfigProblems,
    ::testing::Values(
        ProblemCase{"valid", [](StreetConfig &) {}, ""},
        ProblemCase{"bounds are allowed",
                    [](StreetConfig &c) {
                        c.StreetOrientation = 360;
                        c.SectorStart[1] = 0;
                        c.SectorEnd[1] = 360;
                        c.RecHeight = 0;
                        c.StreetLength_2 = 0;
                    },
                    ""},
        ProblemCase{"height 0", [](StreetConfig &c) { c.StreetHeight = 0; },
                    "The street height must be > 0."},
        ProblemCase{"negative width", [](StreetConfig &c) { c.StreetWidth = -1; },
                    "The street width -1 is out of range (0 to 100000 m)."},
        ProblemCase{"width not a number", [](StreetConfig &c) { c.StreetWidth = kNaN; },
                    "The street width must be a number."},
        ProblemCase{"negative length", [](StreetConfig &c) { c.StreetLength_1 = -5; },
                    "The street length 1 -5 is out of range (0 to 100000 m)."},
        ProblemCase{"orientation above 360", [](StreetConfig &c) { c.StreetOrientation = 361; },
                    "The street orientation 361 is out of range (0 to 360 degrees)."},
        ProblemCase{"negative orientation", [](StreetConfig &c) { c.StreetOrientation = -1; },
                    "The street orientation -1 is out of range (0 to 360 degrees)."},
        ProblemCase{"sector start", [](StreetConfig &c) { c.SectorStart[2] = 400; },
                    "The start of wind sector 2 400 is out of range (0 to 360 degrees)."},
        ProblemCase{"sector end", [](StreetConfig &c) { c.SectorEnd[1] = -10; },
                    "The end of wind sector 1 -10 is out of range (0 to 360 degrees)."},
        ProblemCase{"sector height", [](StreetConfig &c) { c.SectorValue[1] = -1; },
                    "The building height of wind sector 1 -1 is out of range (0 to 100000 m)."},
        ProblemCase{"unused sector is not checked", [](StreetConfig &c) { c.SectorStart[3] = 999; }, ""},
        ProblemCase{"too many sectors", [](StreetConfig &c) { c.NumWindSectors = 13; },
                    "There can be at most 12 wind sectors."},
        ProblemCase{"receptor height", [](StreetConfig &c) { c.RecHeight = -0.5; },
                    "The receptor height -0.5 is out of range (0 to 100000 m)."},
        ProblemCase{"width beyond any street", [](StreetConfig &c) { c.StreetWidth = 1e7; },
                    "The street width 10000000 is out of range (0 to 100000 m)."},
        ProblemCase{"sector building height beyond any street",
                    [](StreetConfig &c) { c.SectorValue[2] = 2e5; },
                    "The building height of wind sector 2 200000 is out of range (0 to 100000 m)."},
        ProblemCase{"orientation not a number", [](StreetConfig &c) { c.StreetOrientation = kNaN; },
                    "The street orientation must be a number."},
        ProblemCase{"empty name", [](StreetConfig &c) { c.StreetName.clear(); }, "The street has no name."},
        ProblemCase{"blank name", [](StreetConfig &c) { c.StreetName = "  "; }, "The street has no name."},
        ProblemCase{"quote in name", [](StreetConfig &c) { c.StreetName = "The \"Main\""; },
                    "The street name must not contain a double quote."}));

TEST(StreetConfigStore, UnchangedValuesLeaveTheProjectUnchanged) {
    ProjectFileState state;
    ASSERT_TRUE(storeStreetConfig(state, validConfig()));
    state.ProjectChanged = false;
    EXPECT_FALSE(storeStreetConfig(state, streetConfigFromState(state)));
    EXPECT_FALSE(state.ProjectChanged);
}

TEST(StreetConfigStore, ChangedValuesReachTheStateAndMarkTheProjectChanged) {
    ProjectFileState state;
    storeStreetConfig(state, validConfig());
    state.ProjectChanged = false;
    StreetConfig c = streetConfigFromState(state);
    c.StreetWidth = 24;
    c.Receptor2 = 1;
    EXPECT_TRUE(storeStreetConfig(state, c));
    EXPECT_TRUE(state.ProjectChanged);
    EXPECT_DOUBLE_EQ(state.StreetWidth, 24.0);
    EXPECT_EQ(state.Receptor2, 1);
    EXPECT_EQ(state.StreetName, "Main Street");
}

TEST(StreetConfigStore, NewSectorsReplaceTheColumnsAndMarkOnlyThemUsed) {
    ProjectFileState state;
    state.NumWindSectors = 3;
    state.SectorColumns = 4;
    for (int i = 1; i <= 4; ++i) {
        state.SectorStart[i] = 10.0 * i;
        state.SectorEnd[i] = 10.0 * i + 5;
        state.SectorValue[i] = i;
        state.SectorUsed[i] = i <= 3;
    }
    StreetConfig c = streetConfigFromState(state);
    c.NumWindSectors = 1;
    c.SectorStart[1] = 100;
    storeStreetConfig(state, c);
    EXPECT_EQ(state.NumWindSectors, 1);
    EXPECT_EQ(state.SectorColumns, 1);
    EXPECT_DOUBLE_EQ(state.SectorStart[1], 100.0);
    EXPECT_TRUE(state.SectorUsed[1]);
    for (int i = 2; i <= kMaxSectors; ++i) {
        EXPECT_FALSE(state.SectorUsed[i]) << i;
        EXPECT_DOUBLE_EQ(state.SectorStart[i], 0.0) << i;
    }
}

TEST(StreetConfigStore, UnchangedSectorsKeepTheExtraStoredColumns) {
    ProjectFileState state;
    state.NumWindSectors = 3;
    state.SectorColumns = 4;
    for (int i = 1; i <= 4; ++i) {
        state.SectorStart[i] = 10.0 * i;
        state.SectorUsed[i] = i <= 3;
    }
    StreetConfig c = streetConfigFromState(state);
    c.StreetHeight = 12;
    storeStreetConfig(state, c);
    EXPECT_EQ(state.SectorColumns, 4);
    EXPECT_DOUBLE_EQ(state.SectorStart[4], 40.0);
    EXPECT_FALSE(state.SectorUsed[4]);
}

TEST(StreetConfigSketch, SketchSeesTheSectorsInUse) {
    const SketchStreet street = sketchStreetOf(validConfig());
    EXPECT_DOUBLE_EQ(street.width_m, 20.0);
    EXPECT_DOUBLE_EQ(street.length2_m, 60.0);
    EXPECT_DOUBLE_EQ(street.orientation_deg, 45.0);
    EXPECT_TRUE(street.sectors[1].used);
    EXPECT_DOUBLE_EQ(street.sectors[1].start_deg, 20.0);
    EXPECT_FALSE(street.sectors[2].used);
    EXPECT_EQ(street.receptor2, 0);
}

} // namespace
} // namespace vesk
