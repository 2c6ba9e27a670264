// The microgram-to-ppb factors of the pollutant list in a batch run of the
// sample street: a factor below 0, of 0 where the run converts with it, or
// one too small or too large for the run to convert with, ends the run with
// 1, naming the list and the line, before any output is replaced; it never
// gives a year of missing or zero NO2 under exit 0.

#include "run/RunFixture.h"

#include "run/MutationSupport.h"

#include <fstream>

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr const char *kPrevious = "the previous run's results\r\n";

// The sample list with the factor of one row (the row's name in quotes, as
// it begins) replaced.
std::string withFactor(const std::string &list, const std::string &row, const std::string &factor) {
    const std::size_t at = list.find("\r\n" + row);
    EXPECT_NE(at, std::string::npos) << row;
    const std::size_t end = list.find("\r\n", at + 2);
    const std::size_t comma = list.rfind(',', end);
    return list.substr(0, comma + 1) + factor + list.substr(end);
}

class PpbFactorRun : public ::testing::Test {
protected:
    void SetUp() override {
        appDir = dir.path() / "app";
        copyTwoWeeksTree(appDir);
        list = appDir / "Lists/National/DL/Pollutants.lst";
        sample = readFile(list);
    }
    // The batch of the sample street with the list given: its exit status and messages.
    std::string run(const std::string &pollutants) {
        std::ofstream(list, std::ios::binary | std::ios::trunc) << pollutants;
        for (const char *o : {"Out2023.txt", "Stat2023.txt"}) {
            std::ofstream(appDir / "Working" / o, std::ios::binary | std::ios::trunc) << kPrevious;
        }
        const IsolatedResult r = batchInChild(appDir, appDir / "Working/DemoStreet.vkp", false);
        EXPECT_EQ(r.end, IsolatedEnd::Finished);
        return r.bytes;
    }
    TempDir dir;
    fs::path appDir, list;
    std::string sample;
};

TEST_F(PpbFactorRun, AFactorBelowZeroOrAZeroTheRunConvertsWithEndsItWithOneNamingTheLine) {
    const std::string file = list.string();
    struct Case {
        const char *row, *factor;
        std::string says;
    };
    const Case cases[] = {
        {"\"O3\"", "-1", file + ", line 5: the microgram-to-ppb factor -1 of O3 lies below 0."},
        {"\"NO2\"", "-1", file + ", line 4: the microgram-to-ppb factor -1 of NO2 lies below 0."},
        {"\"NOx\"", "-1", file + ", line 2: the microgram-to-ppb factor -1 of NOx lies below 0."},
        {"\"CO\"", "-0.8588", file + ", line 6: the microgram-to-ppb factor -0.8588 of CO lies below 0."},
        {"\"NOx\"", "0",
         file + ", line 2: the microgram-to-ppb factor of NOx is 0; the NO2 chemistry of the run converts "
                "with it and needs it above 0."},
        {"\"NO\"", "0", file + ", line 3: the microgram-to-ppb factor of NO is 0; the NO2 chemistry"},
        // Factors that single precision would make 0, or their inverses.
        {"\"NO2\"", "1e-300",
         file +
             ", line 4: the microgram-to-ppb factor 1e-300 of NO2 is too small: the run converts with it in "
             "single precision, which takes factors from 1e-20 to 1e+20."},
        {"\"O3\"", "1E-300", file + ", line 5: the microgram-to-ppb factor 1e-300 of O3 is too small:"},
        // The sample street's city type models the urban background of PM10.
        {"\"PM10\"", "0",
         file + ", line 7: the microgram-to-ppb factor of PM10 is 0; the urban background of the city type "
                "converts with it and needs it above 0."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.row) + " " + c.factor);
        const std::string said = run(withFactor(sample, c.row, c.factor));
        EXPECT_EQ(said.substr(0, 1), "1") << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        for (const char *o : {"Out2023.txt", "Stat2023.txt"}) {
            EXPECT_EQ(readFile(appDir / "Working" / o), kPrevious) << o;
        }
    }
    // The sample list itself runs, and so does a factor above 0 written otherwise.
    for (const std::string &pollutants : {sample, withFactor(sample, "\"O3\"", "5.012E-1")}) {
        const std::string said = run(pollutants);
        EXPECT_EQ(said.substr(0, 1), "0") << said;
        EXPECT_NE(readFile(appDir / "Working" / "Out2023.txt"), kPrevious);
    }
}

} // namespace
