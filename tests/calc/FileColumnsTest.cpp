#include "calc/FileColumns.h"
#include "calc/RunErrors.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

using Items = std::vector<std::string>;

TEST(FormatLists, PairsGiveWidthsAndPatternsAndTheLastPairServesTheRest) {
    std::vector<int> w;
    std::vector<std::string> f;
    EXPECT_EQ(readFormatList({"8", "0.00"}, 4, &w, &f), 0);
    EXPECT_EQ(w, (std::vector<int>{8, 8, 8, 8}));
    EXPECT_EQ(f, (Items{"0.00", "0.00", "0.00", "0.00"}));

    EXPECT_EQ(readFormatList({"*", "*", "-10", "0.0"}, 3, &w, &f), 0);
    EXPECT_EQ(w, (std::vector<int>{14, -10, -10}));
    EXPECT_EQ(f, (Items{"", "0.0", "0.0"}));

    EXPECT_EQ(readFormatList({"8"}, 2, &w, &f), 0) << "one item is ignored";
    EXPECT_EQ(w, (std::vector<int>{14, 14}));
    EXPECT_EQ(readFormatList({}, 2, &w, &f), 0);
    EXPECT_EQ(readFormatList({"2.5", "0"}, 1, &w, &f), 0);
    EXPECT_EQ(w[0], 2) << "halves round to even";

    EXPECT_EQ(readFormatList({"wide", "0.0"}, 2, &w, &f), kErrColumnWidth);
    for (const char *huge : {"2147483648", "-2147483648", "1001", "-1001", "1e300", "nan"}) {
        EXPECT_EQ(readFormatList({huge, "0.0"}, 1, &w, &f), kErrColumnWidth) << huge;
    }
    EXPECT_EQ(readFormatList({"-1000", "0.0"}, 1, &w, &f), 0);
    EXPECT_EQ(w[0], -1000) << "the widest column a list may ask for";
    EXPECT_EQ(readFormatList({"8", "0.0", "6"}, 2, &w, &f), kErrFormatType);
}

TEST(ScalingLists, StarsAndEmptyItemsAreOneAndCommasDecimalPoints) {
    std::vector<float> s;
    std::string bad;
    EXPECT_EQ(readScalingList({"*", "0.001", "", "0,5"}, 5, &s, &bad), 0);
    EXPECT_EQ(s, (std::vector<float>{1.0f, 0.001f, 1.0f, 0.5f, 1.0f}));
    EXPECT_EQ(readScalingList({"1", "x2"}, 2, &s, &bad), kErrScaling);
    EXPECT_EQ(bad, "x2");
}

TEST(HeaderRows, FollowTheWidthRuleWithBlanksForPlaceholders) {
    EXPECT_EQ(headerRow({"date", "?", "cNOx_mod_1"}, {0, 0, 0}, false), "date; ;cNOx_mod_1");
    EXPECT_EQ(headerRow({"a", "b"}, {14, 14}, false),
              std::string(13, ' ') + "a" + std::string(13, ' ') + "b");
    EXPECT_EQ(headerRow({"\"Street\"", "AvNO2"}, {-8, -8}, true), "  Street;   AvNO2");
    EXPECT_EQ(headerRow({"\"Street\""}, {0}, false), "\"Street\"");
}

TEST(ColumnBindings, TheLongestNameWinsAndThePrefixLetterNeverCounts) {
    std::vector<std::string> pollutants{"NOx", "NO", "NO2", "O3", "CO", "PM10", "PM2.5", "Benzene"};
    EXPECT_EQ(columnBinding("cno2_mod_1", pollutants, 0, 0, true), 2);
    EXPECT_EQ(columnBinding("cNOx_b", pollutants, 0, 0, true), 0);
    EXPECT_EQ(columnBinding("cO3_obs_2", pollutants, 0, 0, true), 3);
    EXPECT_EQ(columnBinding("co_something", pollutants, 0, 0, true), 0) << "\"c\" of the prefix is not CO's";
    EXPECT_EQ(columnBinding("no2_mod_1", pollutants, 0, 0, false), 2) << "a dailyav column matches anywhere";
    EXPECT_EQ(columnBinding("date", pollutants, 0, 0, false), 0);
    std::vector<std::string> vehicles{"light", "heavy", "lightvan"};
    EXPECT_EQ(columnBinding("nlight", vehicles, 1, 0, true), 1);
    EXPECT_EQ(columnBinding("qlightvan_nox", vehicles, 1, 0, true), 3);
    EXPECT_EQ(columnBinding("u_mast", vehicles, 1, 0, true), 0);
    std::vector<std::string> same{"AB", "BC"};
    EXPECT_EQ(columnBinding("xABC", same, 0, -1, true), 1) << "the later of equally long names";
}

} // namespace
} // namespace vesk
