#include "calc/StreetRecords.h"
#include "calc/RunErrors.h"

#include "support/TestSupport.h"

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

// An Integer item of a street or route record was rounded without a word: a
// side of 1.5 modelled side 2, 0.9 side 1. It is a whole number now, or the
// record is refused naming the file, the line and the field.
struct FractionCase {
    const char *name;
    bool route;
    const char *tail; // the record's items from the street side on
    const char *expected;
};

void PrintTo(const FractionCase &c, std::ostream *out) {
    *out << c.name;
}

class FractionalIntegers : public ::testing::TestWithParam<FractionCase> {};

TEST_P(FractionalIntegers, AreRefusedNamingFileLineAndField) {
    const FractionCase &c = GetParam();
    const std::string first =
        c.route ? "\"seg\",\"P\",1,1,0,2,4.5,350,\"2003-01-01 07:00\",\"2003-01-01 08:00\",0,"
                  "\"s.trf\",1,1,1,1,1,1,0,1,1.5,0\r\n"
                : "#TRUE#,\"A\",0,0,\"a.trf\",1,1,1,1,1,1,0,0,1.5,0\r\n";
    const std::string second =
        c.route ? std::string("\"seg\",\"P\",2,1,0,2,4.5,350,\"2003-01-01 08:00\",\"2003-01-01 09:00\",0,"
                              "\"s.trf\",1,1,1,1,1,1,0,") +
                      c.tail
                : std::string("#TRUE#,\"X\",0,0,\"a.trf\",1,1,1,1,1,1,0,") + c.tail;
    RecordReader f(first + second + "\r\n0,90,1\r\n", c.route ? "route.txt" : "streets.txt");
    CalcState s;
    const auto read = [&] { c.route ? ReadStreetRecordDated(s, f) : ReadStreetRecord(s, f); };
    read();
    try {
        read();
        FAIL() << "read with the receptors " << s.Receptor1 << "," << s.Receptor2 << " and "
               << s.NumWindSectors << " wind sectors";
    } catch (const RunError &e) {
        EXPECT_EQ(e.number(), kErrOutOfRange);
        EXPECT_EQ(std::string(e.what()), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, FractionalIntegers,
    ::testing::Values(
        FractionCase{
            "a street side of one and a half", false, "1.5,2,1",
            "streets.txt, line 2: the street side 1.5 is not a whole number (0 both sides, 1 side 1, "
            "2 side 2, 3 none)"},
        FractionCase{
            "a street side just below one", false, "0.9,2,1",
            "streets.txt, line 2: the street side 0.9 is not a whole number (0 both sides, 1 side 1, "
            "2 side 2, 3 none)"},
        FractionCase{"a count of wind sectors that is no count", false, "0,2,0.6",
                     "streets.txt, line 2: the number of wind sectors 0.6 is not a whole number"},
        FractionCase{
            "a route's street side of one and a half", true, "1.5,2,1",
            "route.txt, line 2: the street side 1.5 is not a whole number (1 side 1, 2 side 2, 0 none)"},
        FractionCase{
            "a route's street side just above two", true, "2.1,2,1",
            "route.txt, line 2: the street side 2.1 is not a whole number (1 side 1, 2 side 2, 0 none)"}),
    [](const auto &info) { return test::testNameOf(info.param.name); });

TEST(RouteRecords, ATripSegmentNumberOrCodeThatIsNoWholeNumberIsRefusedNamingIt) {
    const char *items[] = {"2.5,1,0,2", "2,0.5,0,2", "2,1,1.5,2", "2,1,0,1.5"};
    const char *names[] = {"trip segment number 2.5", "in/out code 0.5", "stay code 1.5",
                           "transport mode 1.5"};
    for (int i = 0; i < 4; ++i) {
        RecordReader f(
            std::string("\"seg\",\"P\",") + items[i] +
                ",4.5,350,\"2003-01-01 07:00\",\"2003-01-01 08:00\",0,\"s.trf\",1,1,1,1,1,1,0,1,1.5,0\r\n",
            "route.txt");
        CalcState s;
        try {
            ReadStreetRecordDated(s, f);
            FAIL() << "no error for " << names[i];
        } catch (const RunError &e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("route.txt, line 1: the ") + names[i] + " is not a whole number");
        }
    }
}

// A street line cut short took its items from the next line, and items left
// over at the end of a line were read as the next record's, blamed on the
// next line under a field that does not apply. Each line now holds its
// record's items, or is named with its own line and street.
struct LayoutCase {
    const char *name;
    const char *file; // "streets.txt" or "route.txt"
    std::string text;
    long error;
    const char *expected;
};

void PrintTo(const LayoutCase &c, std::ostream *out) {
    *out << c.name;
}

class DamagedRecordLines : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DamagedRecordLines, AreNamedWithTheirOwnLineAndStreet) {
    const LayoutCase &c = GetParam();
    RecordReader f(c.text, c.file);
    CalcState s;
    try {
        for (int records = 0; !f.atEnd() && records < 100; ++records) {
            std::string(c.file) == "route.txt" ? ReadStreetRecordDated(s, f) : ReadStreetRecord(s, f);
        }
        FAIL() << "every record was read; the last: " << s.CurrentStreetName;
    } catch (const RunError &e) {
        EXPECT_EQ(std::string(e.what()), c.expected);
        EXPECT_EQ(e.number(), c.error);
    }
}

const char *kNorth = "#TRUE#,\"North\",100,200,\"a.trf\",20000,40,20,18,100,100,0,0,2,";
const char *kSouth = "#TRUE#,\"South\",700,800,\"a.trf\",30000,50,12,30,200,200,160,1,2,0\r\n";
const char *kSegment = "\"Walk\",\"Anna\",1,1,0,1,5,1500,\"2023-03-15 07:40\",\"2023-03-15 08:00\",1200,"
                       "\"a.trf\",22000,40,20,18,150,150,20,1"; // up to the street side

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedRecordLines,
    ::testing::Values(
        LayoutCase{
            "a street line without its count of wind sectors", "streets.txt",
            std::string("#TRUE#,\"North\",100,200,\"a.trf\",20000,40,20,18,100,100,0,0,2\r\n") + kSouth,
            kErrPastEnd,
            "streets.txt, line 1: the line of the street \"North\" holds 14 items, but a street record is "
            "one line of 15 items"},
        LayoutCase{"a street line cut after its first item", "streets.txt",
                   std::string(kSouth) + "#TRUE#\r\n" + kSouth, kErrPastEnd,
                   "streets.txt, line 2: the line holds 1 item, but a street record is one line of 15 items"},
        LayoutCase{
            "a street line wrapped onto the next", "streets.txt",
            std::string("#TRUE#,\"North\",100,200,\"a.trf\",20000,40,\r\n20,18,100,100,0,0,2,0\r\n") + kSouth,
            kErrPastEnd,
            "streets.txt, line 1: the line of the street \"North\" holds 8 items, but a street record is "
            "one line of 15 items"},
        LayoutCase{
            "a street line with items left over", "streets.txt",
            std::string(kNorth) + "0,3600,5\r\n" + kSouth, kErrOutOfRange,
            "streets.txt, line 1: the line of the street \"North\" holds 17 items, but a street record is "
            "one line of 15 items"},
        LayoutCase{
            "a wind sector line cut short", "streets.txt",
            std::string(kNorth) + "2\r\n0,90,1\r\n90,180\r\n" + kSouth, kErrPastEnd,
            "streets.txt, line 3: the line of wind sector 2 of the street \"North\" (line 1) holds 2 items, "
            "but a wind sector is one line of 3 items (its start, end and building height)"},
        LayoutCase{
            "a wind sector line with an item left over", "streets.txt",
            std::string(kNorth) + "1\r\n0,90,1,4\r\n" + kSouth, kErrOutOfRange,
            "streets.txt, line 2: the line of wind sector 1 of the street \"North\" (line 1) holds 4 items, "
            "but a wind sector is one line of 3 items (its start, end and building height)"},
        LayoutCase{"more wind sectors counted than given", "streets.txt",
                   std::string(kNorth) + "2\r\n0,90,1\r\n" + kSouth, kErrOutOfRange,
                   "streets.txt, line 3: the line of wind sector 2 of the street \"North\" (line 1) holds 15 "
                   "items, but a wind sector is one line of 3 items (its start, end and building height)"},
        LayoutCase{
            "fewer wind sectors counted than given", "streets.txt",
            std::string(kNorth) + "1\r\n0,90,1\r\n90,180,2\r\n" + kSouth, kErrPastEnd,
            "streets.txt, line 3: the line of the street \"180\" holds 3 items, but a street record is one "
            "line of 15 items"},
        LayoutCase{
            "wind sectors missing at the end of the file", "streets.txt",
            std::string(kNorth) + "2\r\n0,90,1\r\n", kErrPastEnd,
            "Input past end of file in streets.txt at line 3: the record of the street \"North\" (line 1) "
            "is incomplete"},
        LayoutCase{
            "a route line cut short", "route.txt", std::string(kSegment) + ",2\r\n" + kSegment + ",2,0\r\n",
            kErrPastEnd,
            "route.txt, line 1: the line of the route segment \"Walk\" of the person \"Anna\" holds 21 "
            "items, but a route record is one line of 22 items"},
        LayoutCase{
            "a route line with an item left over", "route.txt",
            std::string(kSegment) + ",2,0,7\r\n" + kSegment + ",2,0\r\n", kErrOutOfRange,
            "route.txt, line 1: the line of the route segment \"Walk\" of the person \"Anna\" holds 23 "
            "items, but a route record is one line of 22 items"}),
    [](const auto &info) { return test::testNameOf(info.param.name); });

// A street name of twenty million characters is refused as it is read,
// named with its file and line, not carried into the run's captions.
TEST(StreetRecords, ANameLongerThanTheProgramKeepsIsRefusedNamingFileAndLine) {
    RecordReader f(std::string(kSouth) + "#TRUE#,\"" + std::string(20'000'000, 'N') + "\",1,2,\"a.trf\"\r\n",
                   "streets.txt");
    CalcState s;
    ReadStreetRecord(s, f);
    try {
        ReadStreetRecord(s, f);
        FAIL() << "a name of " << s.CurrentStreetName.size() << " characters was taken";
    } catch (const RunError &e) {
        EXPECT_EQ(e.number(), kErrOverflow);
        EXPECT_EQ(std::string(e.what()),
                  "streets.txt, line 2: a field holds 20000000 characters; the program "
                  "takes texts of at most 1048576 characters.");
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

TEST(RouteRecords, ASegmentTimeWithoutADayIsATypeMismatchNamingIt) {
    // A time without a day would date the segment to 30 December 1899, where no data lie: it
    // would be passed over without a word (and its hours counted as missing).
    for (const char *in : {"07:30", "2003-01-01 07:30"}) {
        const std::string out = std::string(in) == "07:30" ? "2003-01-01 08:10" : "08:10";
        RecordReader timeOnly(std::string("\"seg\",\"P\",1,1,0,2,4.5,350,\"") + in + "\",\"" + out +
                                  "\",40,\"s.trf\",1,1,1,1,1,1,0,1,1.5,0\r\n",
                              "route.txt");
        try {
            CalcState s;
            ReadStreetRecordDated(s, timeOnly);
            FAIL() << "no error for a segment from " << in << " to " << out;
        } catch (const RunError &e) {
            EXPECT_EQ(e.number(), kErrTypeMismatch);
            const std::string alone = std::string(in) == "07:30" ? "07:30" : "08:10";
            EXPECT_EQ(std::string(e.what()), "Type mismatch in route.txt at line 1: \"" + alone +
                                                 "\" is a time without a date; a route segment begins "
                                                 "and ends at a date and time");
        }
    }
}

} // namespace
} // namespace vesk
