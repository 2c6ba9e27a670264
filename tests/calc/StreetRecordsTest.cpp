#include "calc/StreetRecords.h"
#include "calc/RunErrors.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

const char *kStreets = "#TRUE#,\"Main Street\",1200.5,3400,\".\\Std.trf\",15000,45,20,25,100,110,30,0,2,2\r\n"
                       "0,90,0.5\r\n"
                       "180,270,1\r\n"
                       "#FALSE#,\"Side Street\",1,2,\"side.trf\",5000,30,10,12,50,50,120,2,1.5,0\r\n";

TEST(StreetRecords, ReadItemsSectorsAndReceptorsRecordByRecord) {
    CalcState s;
    s.SectorValue[5] = 9; // left from an earlier street
    RecordReader f(kStreets, "streets.txt");
    ReadStreetRecord(s, f);
    EXPECT_TRUE(s.StreetActive);
    EXPECT_EQ(s.CurrentStreetName, "Main Street");
    EXPECT_FLOAT_EQ(static_cast<float>(s.StreetX), 1200.5f);
    EXPECT_EQ(s.TrafficFile, ".\\Std.trf");
    EXPECT_EQ(s.AnnualDiurnalTraffic, 15000);
    EXPECT_EQ(s.StreetHeight, 20);
    EXPECT_EQ(s.StreetWidth, 25);
    EXPECT_EQ(s.StreetLength_2, 110);
    EXPECT_EQ(s.StreetOrientation, 30);
    EXPECT_EQ(s.RecHeight, 2);
    ASSERT_EQ(s.NumWindSectors, 2);
    EXPECT_EQ(s.SectorEnd[1], 90);
    EXPECT_EQ(s.SectorValue[1], 0.5);
    EXPECT_EQ(s.SectorStart[2], 180);
    EXPECT_EQ(s.SectorValue[5], 0);
    EXPECT_EQ(s.Receptor1, 1);
    EXPECT_EQ(s.Receptor2, 1);

    ReadStreetRecord(s, f);
    EXPECT_FALSE(s.StreetActive);
    EXPECT_EQ(s.CurrentStreetName, "Side Street");
    EXPECT_EQ(s.NumWindSectors, 0);
    EXPECT_EQ(s.SectorValue[1], 0) << "0 wind sectors leave all sector values 0";
    EXPECT_EQ(s.Receptor1, 0);
    EXPECT_EQ(s.Receptor2, 1);
    EXPECT_TRUE(f.atEnd());
}

TEST(StreetRecords, SideThreeSelectsNoReceptor) {
    CalcState s;
    RecordReader f("#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,3,1.5,0\r\n", "streets.txt");
    ReadStreetRecord(s, f);
    EXPECT_EQ(s.Receptor1, 0);
    EXPECT_EQ(s.Receptor2, 0);
}

// A street side without a meaning would switch the street's receptors off
// without a word (every modelled value -99): it is refused, naming the file,
// the line and the item; the sides that mean something keep their meaning.
TEST(StreetRecords, AStreetSideOutsideItsValuesIsRefusedNamingFileLineAndItem) {
    const std::string before = "#TRUE#,\"A\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,1.5,0\r\n";
    for (const char *side : {"1000", "4", "-1"}) {
        SCOPED_TRACE(side);
        CalcState s;
        RecordReader f(before + "#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0," + side + ",1.5,0\r\n",
                       "streets.txt");
        ReadStreetRecord(s, f);
        try {
            ReadStreetRecord(s, f);
            FAIL() << "no error for the street side " << side;
        } catch (const RunError &e) {
            EXPECT_EQ(e.number(), kErrOutOfRange);
            EXPECT_EQ(std::string(e.what()),
                      std::string("streets.txt, line 2: the street side ") + side +
                          " is out of range (0 both sides, 1 side 1, 2 side 2, 3 none)");
        }
    }
    const std::pair<int, std::pair<int, int>> meanings[] = {
        {0, {1, 1}}, {1, {1, 0}}, {2, {0, 1}}, {3, {0, 0}}};
    for (const auto &[side, receptors] : meanings) {
        CalcState s;
        RecordReader f("#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0," + std::to_string(side) + ",1.5,0\r\n",
                       "streets.txt");
        ReadStreetRecord(s, f);
        EXPECT_EQ(std::make_pair(s.Receptor1, s.Receptor2), receptors) << "side " << side;
    }
}

TEST(RouteRecords, AStreetSideOutsideItsValuesIsRefusedNamingFileLineAndItem) {
    for (const char *side : {"3", "1000", "-2"}) {
        SCOPED_TRACE(side);
        CalcState s;
        RecordReader f(
            std::string("\"seg\",\"P\",1,1,0,2,4.5,350,\"2003-01-01 07:00\",\"2003-01-01 08:00\",0,"
                        "\"s.trf\",1,1,1,1,1,1,0,") +
                side + ",1.5,0\r\n",
            "route.txt");
        try {
            ReadStreetRecordDated(s, f);
            FAIL() << "no error for the street side " << side;
        } catch (const RunError &e) {
            EXPECT_EQ(e.number(), kErrOutOfRange);
            EXPECT_EQ(std::string(e.what()), std::string("route.txt, line 1: the street side ") + side +
                                                 " is out of range (1 side 1, 2 side 2, 0 none)");
        }
    }
}

struct BadRecord {
    const char *text;
    long error;
};

class BadStreetRecords : public ::testing::TestWithParam<BadRecord> {};

TEST_P(BadStreetRecords, RaiseTheRunTimeErrorNamingTheFile) {
    CalcState s;
    RecordReader f(GetParam().text, "streets.txt");
    try {
        ReadStreetRecord(s, f);
        FAIL() << "no error for: " << GetParam().text;
    } catch (const RunError &e) {
        EXPECT_EQ(e.number(), GetParam().error);
        EXPECT_NE(std::string(e.what()).find("streets.txt"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadStreetRecords,
    ::testing::Values(
        // A short record, a missing sector line, a bad number, a bad Boolean.
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1\r\n", kErrPastEnd},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,1.5,2\r\n0,90,1\r\n", kErrPastEnd},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,abc,1,1,1,1,0,0,1.5,0\r\n", kErrTypeMismatch},
        BadRecord{"maybe,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,1.5,0\r\n", kErrTypeMismatch},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,1.5,13\r\n", kErrSubscript},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,1.5,-1\r\n", kErrSubscript},
        // Numbers beyond a Single, and values no street can have.
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1e39,1,1,1,1,1,0,0,1.5,0\r\n", kErrOverflow},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,1.5,1\r\n1,2,-4e38\r\n", kErrOverflow},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",2e7,1,1,1,1,1,0,0,1.5,0\r\n", kErrOutOfRange},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,400,1,1,1,1,0,0,1.5,0\r\n", kErrOutOfRange},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,-20,1,1,0,0,1.5,0\r\n", kErrOutOfRange},
        BadRecord{"#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,-2,0\r\n", kErrOutOfRange}));

TEST(RouteRecords, SegmentTimesSetTheRunPeriod) {
    CalcState s;
    RecordReader f("\"seg7\",\"P12\",3,1,0,2,4.5,350,\"2003-01-01 07:30\",\"2003-01-01 08:10\",40,"
                   "\"street.trf\",12000,40,18,20,60,60,45,2,1.5,1\r\n"
                   "10,80,1\r\n",
                   "route.txt");
    ReadStreetRecordDated(s, f);
    EXPECT_EQ(s.CurrentStreetName, "seg7");
    EXPECT_EQ(s.PersonId, "P12");
    EXPECT_EQ(s.TurSegmentNo, 3);
    EXPECT_EQ(s.TranspMode, 2);
    EXPECT_FLOAT_EQ(static_cast<float>(s.SpeedPerson), 4.5f);
    EXPECT_EQ(s.SegmentLength, 350);
    EXPECT_EQ(s.TimeInSegInp, 40);
    EXPECT_EQ(s.TrafficFile, "street.trf");
    EXPECT_EQ(s.StreetOrientation, 45);
    EXPECT_EQ(s.Receptor1, 0);
    EXPECT_EQ(s.Receptor2, 1);
    EXPECT_EQ(s.SectorEnd[1], 80);
    EXPECT_EQ(s.StartDateRun, (PeriodDate{2003, 1, 1}));
    EXPECT_EQ(s.StartHourRun, 8);
    EXPECT_EQ(s.EndDateRun, (PeriodDate{2003, 1, 1}));
    EXPECT_EQ(s.EndHourRun, 9);
    EXPECT_EQ(s.SegTimeIn.minute, 30);
    EXPECT_EQ(s.SegTimeOut.hour, 8);
}

TEST(RouteRecords, ASegmentEndingBeforeItStartsIsRefusedNamingItsLine) {
    CalcState s;
    RecordReader f("\"seg\",\"P\",1,1,0,2,4.5,350,\"2003-01-01 08:00\",\"2003-01-01 08:00\",0,"
                   "\"s.trf\",1,1,1,1,1,1,0,1,1.5,0\r\n"
                   "\"seg\",\"P\",1,1,0,2,4.5,350,\"2003-01-01 08:00\",\"2003-01-01 07:59\",0,"
                   "\"s.trf\",1,1,1,1,1,1,0,1,1.5,0\r\n",
                   "route.txt");
    ReadStreetRecordDated(s, f); // a segment of no time is no damage
    try {
        ReadStreetRecordDated(s, f);
        FAIL() << "no error for a segment that ends before it starts";
    } catch (const RunError &e) {
        EXPECT_EQ(e.number(), kErrOutOfRange);
        EXPECT_STREQ(e.what(), "route.txt, line 2: the segment ends (2003-01-01 07:59) before it starts "
                               "(2003-01-01 08:00)");
    }
}

TEST(RouteRecords, ATimeThatIsNoDateIsATypeMismatchAndSideZeroSelectsNoReceptor) {
    CalcState s;
    RecordReader bad("\"seg\",\"P\",1,1,0,2,4.5,350,\"soon\",\"2003-01-01 08:10\",40,"
                     "\"s.trf\",1,1,1,1,1,1,0,1,1.5,0\r\n",
                     "route.txt");
    try {
        ReadStreetRecordDated(s, bad);
        FAIL() << "no error for a bad time";
    } catch (const RunError &e) {
        EXPECT_EQ(e.number(), kErrTypeMismatch);
        EXPECT_NE(std::string(e.what()).find("soon"), std::string::npos);
    }
    RecordReader zero("\"seg\",\"P\",1,1,0,2,4.5,350,\"01-01-2003 23:00\",\"02.01.2003 00:30\",40,"
                      "\"s.trf\",1,1,1,1,1,1,0,0,1.5,0\r\n",
                      "route.txt");
    ReadStreetRecordDated(s, zero);
    EXPECT_EQ(s.Receptor1, 0);
    EXPECT_EQ(s.Receptor2, 0);
    EXPECT_EQ(s.StartHourRun, 24);
    EXPECT_EQ(s.EndDateRun, (PeriodDate{2003, 1, 2}));
    EXPECT_EQ(s.EndHourRun, 1);
}

} // namespace
} // namespace vesk
