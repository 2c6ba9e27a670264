#include "core/EmissionLibraryTools.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(SplitList, SplitsQuotedFieldsAtCommasOutsideQuotes) {
    auto fields = SplitList(R"( "Utopia" , "UT","Land, of plenty","LP")");
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0], "\"Utopia\"");
    EXPECT_EQ(fields[1], "\"UT\"");
    EXPECT_EQ(fields[2], "\"Land, of plenty\"");
    EXPECT_EQ(fields[3], "\"LP\"");
}

TEST(SplitList, GivesNoFieldForBlanksAndAnyNumberOfFieldsOtherwise) {
    EXPECT_TRUE(SplitList("   ").empty());
    EXPECT_TRUE(SplitList("").empty());
    std::string many;
    for (int i = 0; i < 30; ++i) {
        many += (i ? "," : "") + std::string("\"C") + std::to_string(i) + "\"";
    }
    EXPECT_EQ(SplitList(many).size(), 30u);
    EXPECT_EQ(SplitList("a,,b").size(), 3u);
}

TEST(MaxSkipMissing, TakesTheLargerValueAndSkipsTheMarker) {
    EXPECT_EQ(MaxSkipMissing(3.5f, 7.0f, -99.0f), 7.0f);
    EXPECT_EQ(MaxSkipMissing(-99.0f, -120.0f, -99.0f), -120.0f);
    EXPECT_EQ(MaxSkipMissing(-120.0f, -99.0f, -99.0f), -120.0f);
    EXPECT_EQ(MaxSkipMissing(-99.0f, -99.0f, -99.0f), -99.0f);
    EXPECT_EQ(MaxSkipMissing(-5.0f, -3.0f, -99.0f), -3.0f);
}
