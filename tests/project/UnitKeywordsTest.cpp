// The concentration units as the units dialog offers and stores them.

#include "project/UnitKeywords.h"
#include "calc/UnitFactors.h"
#include "run/State.h"

#include <gtest/gtest.h>

using namespace vesk;

namespace {

// Three pollutants with their standard units.
State threePollutants() {
    State s;
    s.NPol = 2;
    s.PollutantNames = {"NOx", "NO2", "CO"};
    s.PollutantLongNames = {"Nitrogen oxides", "Nitrogen dioxide", "Carbon monoxide"};
    s.StdInputUnits = {"microg", "microg", "microg"};
    s.StdInputUnitsCopy = s.StdInputUnits;
    s.DefOutputUnits = {"microg", "microg", "milig"};
    s.MicrogToPpb = {0.5229, 0.5229, 0.8588};
    return s;
}

} // namespace

TEST(UnitKeywords, KeywordsMapToTheirPositionsExactlyAndAnythingElseToTheFreeEntry) {
    const char *keywords[] = {"nanog", "microg", "milig", "ppt", "ppb", "ppm"};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(unitPosition(keywords[k]), k);
        EXPECT_EQ(storedUnit(k, "ignored"), keywords[k]);
    }
    EXPECT_EQ(unitPosition("PPB"), kFreeUnitPosition) << "letter case counts";
    EXPECT_EQ(unitPosition("1.96"), kFreeUnitPosition);
    EXPECT_EQ(unitPosition(""), kFreeUnitPosition);
    EXPECT_EQ(unitEntryText(1), "µg/m³");
    EXPECT_EQ(unitEntryText(4), "ppb");
    EXPECT_EQ(unitEntryText(kFreeUnitPosition), "other");
}

TEST(UnitKeywords, AFreeUnitIsANumberAboveZeroStoredWithAPoint) {
    EXPECT_EQ(freeUnitText("1,96"), std::optional<std::string>("1.96"));
    EXPECT_EQ(freeUnitText(" 2.5 "), std::optional<std::string>("2.5"));
    for (const char *refused : {"abc", "0", "-1", "", "12abc", "1,5,5"}) {
        EXPECT_FALSE(freeUnitText(refused)) << refused;
    }
}

TEST(UnitKeywords, StoredUnitsThatAreNoKeywordShowInTheFreeEntryAndAreWrittenBackUnchanged) {
    State s = threePollutants();
    s.InputUnitsEditable = true;
    s.InputUnit = {"microg", "PPB", ""};
    s.OutputUnit = {"ppb", "1.96", "milig"};
    const UnitChoices c = unitChoicesFrom(s);
    EXPECT_EQ(c.input, (std::vector<int>{1, 6, 6}));
    EXPECT_EQ(c.output, (std::vector<int>{4, 6, 2}));
    EXPECT_EQ(c.inputFree[1], "PPB");
    EXPECT_EQ(c.inputFree[2], "");
    EXPECT_EQ(c.outputFree[1], "1.96");
    EXPECT_EQ(c.outputFree[0], "other");
    applyUnitChoices(s, c, true);
    EXPECT_EQ(s.InputUnit, (std::vector<std::string>{"microg", "PPB", ""}));
    EXPECT_EQ(s.OutputUnit, (std::vector<std::string>{"ppb", "1.96", "milig"}));
    EXPECT_TRUE(s.UnitsConfirmed);
    EXPECT_TRUE(s.ProjectChanged);
}

TEST(UnitKeywords, WithInputUnitsNotEditableTheProjectsOwnInputUnitsAreKept) {
    State s = threePollutants();
    s.InputUnitsEditable = false;
    s.StdInputUnits = {"microg", "2.0", "microg"};
    s.InputUnit = {"ppb", "3.5", "nanog"};
    s.OutputUnit = {"microg", "microg", "milig"};
    UnitChoices c = unitChoicesFrom(s);
    EXPECT_EQ(c.standard, (std::vector<int>{1, 6, 1}));
    EXPECT_EQ(c.inputFree[1], "2.0") << "the disabled box shows the standard unit";
    c.output[0] = 4;
    c.input[0] = 0; // cannot happen through the disabled boxes; still not written
    applyUnitChoices(s, c, false);
    EXPECT_EQ(s.InputUnit, (std::vector<std::string>{"ppb", "3.5", "nanog"}));
    EXPECT_EQ(s.OutputUnit[0], "ppb");
}

TEST(UnitKeywords, EveryUnitTheDialogStoresIsOneTheUnitFactorsAccept) {
    State s = threePollutants();
    s.InputUnitsEditable = true;
    s.InputUnit = {"microg", "microg", "microg"};
    s.OutputUnit = {"microg", "microg", "microg"};
    UnitChoices c = unitChoicesFrom(s);
    for (int position = 0; position <= kFreeUnitPosition; ++position) {
        c.output.assign(3, position);
        c.outputFree.assign(3, *freeUnitText("1,91"));
        applyUnitChoices(s, c, true);
        std::string error;
        EXPECT_TRUE(SetUnitFactors(s, &error)) << position << ": " << error;
    }
}
