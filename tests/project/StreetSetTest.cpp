// The streets file of a multi-street project as the street-set editor reads,
// checks and writes it: what it writes the runs read back.

#include "project/StreetSet.h"

#include "calc/CalcState.h"
#include "calc/RunErrors.h"
#include "calc/StreetRecords.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vesk;
using namespace vesk::test;

namespace {

StreetSet demoStreets() {
    StreetSet set;
    std::string error;
    EXPECT_TRUE(readStreetSet((dataDir() / "Working/Streets.txt").string(), &set, &error)) << error;
    return set;
}

} // namespace

TEST(StreetSet, TheDemoStreetsAreReadWithTheirSectorsAndSidesAndWrittenBackByteForByte) {
    const StreetSet set = demoStreets();
    ASSERT_EQ(set.streets.size(), 4u);
    const StreetSetEntry &market = set.streets[1];
    EXPECT_TRUE(market.active);
    EXPECT_EQ(market.street.StreetName, "Market Street");
    EXPECT_EQ(market.x, 1500);
    EXPECT_EQ(market.trafficFile, ".\\CityStreet.trf");
    EXPECT_EQ(market.dailyTraffic, 12000);
    EXPECT_EQ(market.street.StreetOrientation, 110);
    ASSERT_EQ(market.street.NumWindSectors, 1);
    EXPECT_EQ(market.street.SectorEnd[1], 90);
    EXPECT_EQ(market.street.SectorValue[1], 0.5);
    EXPECT_FALSE(set.streets[2].active);
    EXPECT_EQ(set.streets[2].street.RecHeight, 1.5);
    EXPECT_TRUE(market.street.Receptor1 && market.street.Receptor2) << "side 0 is both sides";

    EXPECT_EQ(streetSetText(set), readFile(dataDir() / "Working/Streets.txt"));
}

TEST(StreetSet, AWrittenSetIsReadByTheRunAsTheEditorLeftIt) {
    StreetSet set = demoStreets();
    StreetSetEntry added = newStreetSetEntry("Quay Side", "Quay.trf");
    added.street.Receptor1 = 0; // side 2 only
    added.street.NumWindSectors = 2;
    added.street.SectorStart[1] = 10;
    added.street.SectorEnd[1] = 40;
    added.street.SectorValue[1] = 0.25;
    added.street.SectorStart[2] = 200;
    added.street.SectorEnd[2] = 250;
    added.street.SectorValue[2] = 1;
    added.x = 2500.5;
    added.dailyTraffic = 9000;
    set.streets.push_back(added);
    set.streets.erase(set.streets.begin()); // the first street deleted

    TempDir dir;
    const std::string path = (dir.path() / "Streets.txt").string();
    ASSERT_TRUE(writeStreetSet(path, set).ok());

    RecordReader file;
    std::string error;
    ASSERT_TRUE(RecordReader::open(path, &file, &error)) << error;
    CalcState s;
    std::vector<std::string> names;
    while (!file.atEnd() && names.size() < 10) {
        ReadStreetRecord(s, file);
        names.push_back(s.CurrentStreetName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Market Street", "Old Lane", "Ring Avenue", "Quay Side"}));
    EXPECT_EQ(s.StreetX, 2500.5);
    EXPECT_EQ(s.TrafficFile, "Quay.trf");
    EXPECT_EQ(s.AnnualDiurnalTraffic, 9000);
    EXPECT_EQ(s.Receptor1, 0);
    EXPECT_EQ(s.Receptor2, 1);
    EXPECT_EQ(s.NumWindSectors, 2);
    EXPECT_EQ(s.SectorStart[2], 200);
    EXPECT_EQ(s.SectorValue[1], 0.25);
    EXPECT_EQ(s.RecHeight, 2);
}

TEST(StreetSet, AStreetWithAProblemIsNamedAndTheFileIsNotTouched) {
    StreetSet set = demoStreets();
    TempDir dir;
    const std::string path = dir.write("Streets.txt", "old").string();
    struct Case {
        std::function<void(StreetSetEntry &)> change;
        const char *says;
    };
    const Case cases[] = {
        {[](StreetSetEntry &e) { e.street.StreetName.clear(); }, "no name"},
        {[](StreetSetEntry &e) { e.street.StreetWidth = 0; }, "width must be > 0"},
        {[](StreetSetEntry &e) { e.street.Receptor1 = e.street.Receptor2 = 0; }, "receptor"},
        {[](StreetSetEntry &e) { e.dailyTraffic = 2e7; }, "daily traffic"},
        {[](StreetSetEntry &e) { e.trafficFile = "a\"b"; }, "double quote"},
        {[](StreetSetEntry &e) { e.speed = -1; }, "travel speed"},
    };
    for (const Case &c : cases) {
        StreetSet bad = set;
        c.change(bad.streets[2]);
        const FileSaveResult saved = writeStreetSet(path, bad);
        EXPECT_FALSE(saved.ok()) << c.says;
        EXPECT_EQ(saved.message.rfind("Street 3 (", 0), 0u) << saved.message;
        EXPECT_NE(saved.message.find(c.says), std::string::npos) << saved.message;
        EXPECT_EQ(readFile(path), "old");
    }
    EXPECT_FALSE(writeStreetSet(path, StreetSet{}).ok()) << "an empty set";
}

// Street sizes of 100,000 m, the most the run reads, are saved; a metre
// more is refused, each size on its own.
TEST(StreetSet, EachStreetSizeUpToTheMostTheRunReadsIsSavedAndOneMetreMoreIsRefused) {
    TempDir dir;
    const std::string path = (dir.path() / "Streets.txt").string();
    const std::function<double &(StreetConfig &)> sizes[] = {
        [](StreetConfig &c) -> double & { return c.StreetHeight; },
        [](StreetConfig &c) -> double & { return c.StreetWidth; },
        [](StreetConfig &c) -> double & { return c.StreetLength_1; },
        [](StreetConfig &c) -> double & { return c.StreetLength_2; },
        [](StreetConfig &c) -> double & { return c.RecHeight; },
    };
    // As a run refuses the size.
    const char *names[] = {"street height", "street width", "street length 1", "street length 2",
                           "receptor height"};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        SCOPED_TRACE("size " + std::to_string(i + 1));
        StreetSet set;
        set.streets.push_back(newStreetSetEntry("Long Street", "t.trf"));
        sizes[i](set.streets[0].street) = 1e5;
        ASSERT_TRUE(writeStreetSet(path, set).ok()) << writeStreetSet(path, set).message;
        RecordReader file;
        std::string error;
        ASSERT_TRUE(RecordReader::open(path, &file, &error)) << error;
        CalcState s;
        ReadStreetRecord(s, file);
        const double read[] = {s.StreetHeight, s.StreetWidth, s.StreetLength_1, s.StreetLength_2,
                               s.RecHeight};
        EXPECT_EQ(read[i], 1e5);

        sizes[i](set.streets[0].street) = 1e5 + 1;
        const FileSaveResult refused = writeStreetSet(path, set);
        EXPECT_FALSE(refused.ok());
        EXPECT_EQ(refused.message, std::string("Street 1 (Long Street): The ") + names[i] +
                                       " 100001 is out of range (0 to 100000 m).");
    }
}

TEST(StreetSet, ADamagedFileIsRefusedWithItsLine) {
    TempDir dir;
    struct Case {
        const char *text;
        const char *says;
    };
    // A line that holds another count of items than its record is named with
    // its street, never read on into the next line; a side or a count of wind
    // sectors is a whole number (the editor would show and save another).
    const Case cases[] = {
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2\r\n#TRUE#,\"B\",1,2,\"t.trf\",100,40,20,18,"
         "150,150,20,0,2,0\r\n",
         "line 1: the line of the street \"A\" holds 14 items, but a street record is one line of 15 items"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2,0,7\r\n",
         "line 1: the line of the street \"A\" holds 16 items, but a street record is one line of 15 items"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2,2\r\n0,90,1\r\n90,180\r\n",
         "line 3: the line of wind sector 2 of the street \"A\" holds 2 items, but a wind sector is one line "
         "of "
         "3 items (its start, end and building height)"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2,1\r\n",
         "line 2: the street record is incomplete"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,1.5,2,0\r\n",
         "line 1: the street side 1.5 is not a whole number"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,7,2,0\r\n",
         "line 1: the street side 7 is out of range (0 both sides, 1 side 1, 2 side 2, 3 none)"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2,13\r\n",
         "line 1: the number of wind sectors 13 is out of range (at most 12)"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2,0.5\r\n",
         "line 1: the number of wind sectors 0.5 is not a whole number"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,-5,18,150,150,20,0,2,0\r\n", "street height"},
        {"#TRUE#,\"A\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2,1\r\n5,x,1\r\n", "line 2"},
    };
    for (const Case &c : cases) {
        const std::string path = dir.write("S.txt", c.text).string();
        StreetSet set;
        set.streets.push_back(newStreetSetEntry("kept", ""));
        std::string error;
        EXPECT_FALSE(readStreetSet(path, &set, &error)) << c.text;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        ASSERT_EQ(set.streets.size(), 1u) << "a refused file leaves the set as it was";
    }
}

TEST(StreetSet, StreetsWithAReceptorOnOneSideKeepThatSideThroughTheEditorAndTheRun) {
    // Side codes: 0 both sides, 1 side 1 only, 2 side 2 only.
    const std::string text = "#TRUE#,\"Both\",1,2,\"t.trf\",100,40,20,18,150,150,20,0,2,0\r\n"
                             "#TRUE#,\"West\",1,2,\"t.trf\",100,40,20,18,150,150,20,1,2,0\r\n"
                             "#TRUE#,\"East\",1,2,\"t.trf\",100,40,20,18,150,150,20,2,2,0\r\n";
    TempDir dir;
    const std::string path = dir.write("Streets.txt", text).string();
    StreetSet set;
    std::string error;
    ASSERT_TRUE(readStreetSet(path, &set, &error)) << error;
    ASSERT_EQ(set.streets.size(), 3u);
    const int sides[3][2] = {{1, 1}, {1, 0}, {0, 1}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(set.streets[i].street.Receptor1, sides[i][0]) << set.streets[i].street.StreetName;
        EXPECT_EQ(set.streets[i].street.Receptor2, sides[i][1]) << set.streets[i].street.StreetName;
        EXPECT_EQ(streetSetEntryProblem(set.streets[i]), "");
    }
    EXPECT_EQ(streetSetText(set), text) << "saved back as it was read";

    // The run reads the sides the editor wrote.
    ASSERT_TRUE(writeStreetSet(path, set).ok());
    RecordReader file;
    ASSERT_TRUE(RecordReader::open(path, &file, &error)) << error;
    CalcState s;
    for (std::size_t i = 0; i < 3; ++i) {
        ReadStreetRecord(s, file);
        EXPECT_EQ(s.Receptor1, sides[i][0]) << s.CurrentStreetName;
        EXPECT_EQ(s.Receptor2, sides[i][1]) << s.CurrentStreetName;
    }
}
