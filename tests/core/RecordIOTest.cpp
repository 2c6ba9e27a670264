#include "core/RecordIO.h"
#include "core/KeptSizes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(RecordReader, ReadsHeaderQuotedNumbersAndBooleans) {
    RecordReader r(
        "Country Code Default\r\n\"Demoland\",\"DL\",#TRUE#\r\n\"Other, land\" , \"OL\", #FALSE#\r\n");
    EXPECT_EQ(r.readHeaderLine(), "Country Code Default");
    EXPECT_EQ(r.readString(), "Demoland");
    EXPECT_EQ(r.readString(), "DL");
    EXPECT_TRUE(r.readBool());
    EXPECT_EQ(r.readString(), "Other, land");
    EXPECT_EQ(r.readString(), "OL");
    EXPECT_FALSE(r.readBool());
    EXPECT_TRUE(r.atEnd());
    EXPECT_THROW(r.readString(), EndOfFileError);
}

struct FlagCase {
    const char *field;
    bool value;
};

void PrintTo(const FlagCase &c, std::ostream *out) {
    *out << c.field;
}

class RecordFlags : public ::testing::TestWithParam<FlagCase> {};

TEST_P(RecordFlags, ReadTheWordsAndAnyNumberButZeroAsTrue) {
    RecordReader r(std::string(GetParam().field) + ",\"next\"\r\n");
    EXPECT_EQ(r.readBool(), GetParam().value);
    EXPECT_EQ(r.readString(), "next");
}

INSTANTIATE_TEST_SUITE_P(Fields, RecordFlags,
                         ::testing::Values(FlagCase{"#TRUE#", true}, FlagCase{"#FALSE#", false},
                                           FlagCase{"TRUE", true}, FlagCase{"false", false},
                                           FlagCase{"-1", true}, FlagCase{"1", true}, FlagCase{"0", false},
                                           FlagCase{"2", true}),
                         [](const auto &info) { return test::testNameOf(info.param.field); });

TEST(RecordReader, LetsARecordSpanLines) {
    RecordReader r("1,2\n3\n\"x\"\n");
    EXPECT_EQ(r.readLong(), 1);
    EXPECT_EQ(r.readLong(), 2);
    EXPECT_EQ(r.readLong(), 3);
    EXPECT_EQ(r.readString(), "x");
    EXPECT_TRUE(r.atEnd());
}

TEST(RecordReader, TellsTheLineOfTheNextFieldPastBlankLinesOfEveryLineEnd) {
    RecordReader r("1,2\r\n\r\n  \n\r \"x\"\n\n");
    EXPECT_EQ(r.nextFieldLine(), 1);
    EXPECT_EQ(r.readLong(), 1);
    EXPECT_EQ(r.readLong(), 2);
    EXPECT_EQ(r.line(), 2);
    EXPECT_EQ(r.nextFieldLine(), 5) << "CR LF, a blank line, LF and a lone CR each end a line";
    EXPECT_EQ(r.line(), 2) << "looking ahead reads nothing";
    EXPECT_EQ(r.readString(), "x");
    EXPECT_EQ(r.fieldLine(), 5);
    EXPECT_EQ(r.nextFieldLine(), r.line()) << "at the end of the data";
}

TEST(RecordReader, EndsAnUnquotedNumberAtABlank) {
    RecordReader r("12 34,5\n");
    EXPECT_EQ(r.readDouble(), 12.0);
    EXPECT_EQ(r.readDouble(), 34.0);
    EXPECT_EQ(r.readDouble(), 5.0);
}

TEST(RecordReader, ReadsAnEmptyNumericFieldAsZero) {
    RecordReader r("1,,3,\n");
    EXPECT_EQ(r.readDouble(), 1.0);
    EXPECT_EQ(r.readDouble(), 0.0);
    EXPECT_EQ(r.readDouble(), 3.0);
    EXPECT_EQ(r.readDouble(), 0.0);
    EXPECT_TRUE(r.atEnd());
}

TEST(RecordReader, KeepsAnUnquotedStringWithBlanksWhole) {
    RecordReader r("some words here, next\n");
    EXPECT_EQ(r.readString(), "some words here");
    EXPECT_EQ(r.readString(), "next");
}

TEST(RecordReader, ReportsABadNumberWithFileAndLine) {
    RecordReader r("1\nabc\n", "list.lst");
    EXPECT_EQ(r.readLong(), 1);
    try {
        r.readDouble();
        FAIL() << "no error";
    } catch (const EndOfFileError &) {
        FAIL() << "wrong kind of error";
    } catch (const RecordError &e) {
        EXPECT_NE(std::string(e.what()).find("list.lst"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos);
    }
}

TEST(RecordReader, EndOfDataInsideARecordIsTheEndOfFileError) {
    RecordReader r("\"PC\",\"Passenger cars\"\n", "StVehTypes.lst");
    r.readString();
    r.readString();
    EXPECT_THROW(r.readLong(), EndOfFileError);
}

TEST(RecordReader, AcceptsADecimalCommaInANumberField) {
    RecordReader r("\"2,5\"\n");
    EXPECT_EQ(r.readDouble(), 2.5);
}

TEST(RecordReader, RoundsIntegersHalfToEven) {
    RecordReader r("2.5,3.5\n");
    EXPECT_EQ(r.readLong(), 2);
    EXPECT_EQ(r.readLong(), 4);
}

// A line of three numbers read through RecordLine: what it reads, or the
// line and the count of items it names when the line holds another number.
struct LineCase {
    const char *name;
    const char *text;
    int line;             // the line the items lie on, or the line named
    int held;             // 0: the three items are read; else the count named
    const char *nextItem; // what the reader reads next (after a line cut short: the next line's first)
};

void PrintTo(const LineCase &c, std::ostream *out) {
    *out << c.name;
}

class RecordLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(RecordLines, HoldTheirItemsOrAreNamedWithTheCountTheyHold) {
    const LineCase &c = GetParam();
    RecordReader r(c.text, "sectors.txt");
    RecordLine line(r, 3);
    try {
        const double a = line.readDouble(), b = line.readDouble(), v = line.readDouble();
        EXPECT_EQ(c.held, 0) << "the line was read as " << a << "," << b << "," << v;
        EXPECT_EQ(std::vector<double>({a, b, v}), std::vector<double>({10, 20, 30}));
        EXPECT_EQ(line.line(), c.line);
    } catch (const RecordLineError &e) {
        ASSERT_NE(c.held, 0) << e.what();
        EXPECT_EQ(e.line(), c.line);
        EXPECT_EQ(e.held(), c.held);
        EXPECT_EQ(e.expected(), 3);
        EXPECT_EQ(std::string(e.what()), "sectors.txt, line " + std::to_string(c.line) + ": the line holds " +
                                             std::to_string(c.held) + (c.held == 1 ? " item" : " items") +
                                             ", not 3");
    }
    if (c.nextItem != nullptr) {
        EXPECT_EQ(r.readString(), c.nextItem) << "no item of the next line is taken";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RecordLines,
    ::testing::Values(LineCase{"whole", "10,20,30\r\n40\r\n", 1, 0, "40"},
                      LineCase{"after blank lines", "\r\n  \n10, 20 ,30\n40", 3, 0, "40"},
                      LineCase{"without a line end at the end", "10,20,30", 1, 0, nullptr},
                      LineCase{"blank-separated", "10 20 30\r\n40\r\n", 1, 0, "40"},
                      LineCase{"cut short", "10,20\r\n30,40,50\r\n", 1, 2, "30"},
                      LineCase{"cut after its first item", "10\r\n20,30\r\n", 1, 1, "20"},
                      LineCase{"cut short at the end of the data", "\r\n10,20", 2, 2, nullptr},
                      LineCase{"one item more", "10,20,30,40\r\n50\r\n", 1, 4, "50"},
                      LineCase{"a comma after its last item", "10,20,30,\r\n50\r\n", 1, 4, "50"},
                      LineCase{"a text in place of a number, one item more", "10,\"x\",30,40\r\n50\r\n", 1, 4,
                               "50"},
                      LineCase{"a street record for a sector line",
                               "#TRUE#,\"Main\",1,2,\"a.trf\",1,1,1,1,1,1,0,0,2,0\r\n50\r\n", 1, 15, "50"}),
    [](const auto &info) { return test::testNameOf(info.param.name); });

TEST(RecordLine, LeavesATextInPlaceOfANumberOnALineOfTheRightCountToTheReadersError) {
    RecordReader r("10,abc,30\r\n", "sectors.txt");
    RecordLine line(r, 3);
    line.readDouble();
    try {
        line.readDouble();
        FAIL() << "no error";
    } catch (const RecordLineError &e) {
        FAIL() << e.what();
    } catch (const RecordError &e) {
        EXPECT_EQ(std::string(e.what()), "Expected a number but found \"abc\" in sectors.txt, line 1");
    }
}

// A field holds at most kMaxFieldText characters, whatever its kind; one
// more is refused naming the file and the line the field begins on.
struct LongField {
    const char *name;
    std::string before, after; // around the field's text
    bool header;               // read as a header line
};

void PrintTo(const LongField &c, std::ostream *out) {
    *out << c.name;
}

class LongFields : public ::testing::TestWithParam<LongField> {};

TEST_P(LongFields, AreTakenUpToTheBoundAndRefusedOnePastIt) {
    const LongField &c = GetParam();
    for (const std::size_t length : {kMaxFieldText, kMaxFieldText + 1}) {
        RecordReader r("1\r\n" + c.before + std::string(length, 'x') + c.after + "\r\n2\r\n", "names.txt");
        EXPECT_EQ(r.readLong(), 1);
        try {
            const std::string text = c.header ? r.readHeaderLine() : r.readString();
            EXPECT_EQ(length, kMaxFieldText);
            EXPECT_EQ(text.size(), kMaxFieldText);
            EXPECT_EQ(r.readLong(), 2);
        } catch (const FieldTooLongError &e) {
            EXPECT_EQ(length, kMaxFieldText + 1);
            EXPECT_EQ(std::string(e.what()),
                      "names.txt, line 2: a field holds 1048577 characters; the program "
                      "takes texts of at most 1048576 characters.");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, LongFields,
                         ::testing::Values(LongField{"quoted", "\"", "\"", false},
                                           LongField{"plain", "", "", false},
                                           LongField{"a header line", "", "", true}),
                         [](const auto &info) { return test::testNameOf(info.param.name); });

TEST(RecordLine, RefusesAFieldTooLongAsItselfNotAsALineOfAnotherCount) {
    RecordReader r("10,\"" + std::string(kMaxFieldText + 1, 'x') + "\"\r\n", "sectors.txt");
    RecordLine line(r, 3);
    line.readDouble();
    EXPECT_THROW(line.readDouble(), FieldTooLongError);
}

TEST(RecordReader, TellsWhetherAFieldEndedItsLine) {
    RecordReader r("1,2 3\r\n4,\r\n5");
    r.readDouble();
    EXPECT_FALSE(r.fieldEndedLine()) << "a comma follows";
    r.readDouble();
    EXPECT_FALSE(r.fieldEndedLine()) << "a field follows after a blank";
    r.readDouble();
    EXPECT_TRUE(r.fieldEndedLine());
    r.readDouble();
    EXPECT_FALSE(r.fieldEndedLine()) << "the comma opens an empty field";
    EXPECT_EQ(r.readDouble(), 0.0);
    EXPECT_TRUE(r.fieldEndedLine());
    r.readDouble();
    EXPECT_TRUE(r.fieldEndedLine()) << "at the end of the data";
}

TEST(RecordWriter, WritesWhatTheReaderReadsBack) {
    RecordWriter w;
    w.line("Header text")
        .string("Main Street")
        .number(0.5)
        .single(20.1f)
        .integer(-3)
        .boolean(true)
        .endRecord();
    EXPECT_EQ(w.str(), "Header text\r\n\"Main Street\",0.5,20.1,-3,#TRUE#\r\n");

    RecordReader r(w.str());
    EXPECT_EQ(r.readHeaderLine(), "Header text");
    EXPECT_EQ(r.readString(), "Main Street");
    EXPECT_EQ(r.readDouble(), 0.5);
    EXPECT_FLOAT_EQ(static_cast<float>(r.readDouble()), 20.1f);
    EXPECT_EQ(r.readLong(), -3);
    EXPECT_TRUE(r.readBool());
    EXPECT_TRUE(r.atEnd());
}

TEST(PrintLine, PlacesItemsInFourteenColumnZones) {
    PrintLine p;
    p.text("NOx").zone().text("ug/m3").zone().number(1.5);
    EXPECT_EQ(p.str(), "NOx           ug/m3          1.5 ");
}

TEST(PrintLine, KeepsABlankAfterAnItemThatFillsItsZone) {
    PrintLine p;
    p.text("ABCDEFGHIJKLMN").zone().text("next");
    EXPECT_EQ(p.str().find("ABCDEFGHIJKLMNnext"), std::string::npos);
    EXPECT_NE(p.str().find("ABCDEFGHIJKLMN "), std::string::npos);
    EXPECT_EQ(p.str().find('\n'), std::string::npos);
}

TEST(PrintLine, NumbersGetABlankBeforeUnlessNegative) {
    PrintLine p;
    p.number(2).number(-2).number(0.25);
    EXPECT_EQ(p.str(), " 2 -2  0.25 ");
}

TEST(PrintLine, TabMovesToTheColumnAndNeverWraps) {
    PrintLine p;
    p.text("ab").tab(6).text("c");
    EXPECT_EQ(p.str(), "ab   c");
    PrintLine q;
    q.text("abcdef").tab(3).text("g");
    EXPECT_EQ(q.str(), "abcdef g");
}

TEST(PrintLine, CountsCharactersNotBytes) {
    PrintLine p;
    p.text("µg/m³").zone().text("x");
    EXPECT_EQ(p.column(), 16);
}

TEST(FormatNumber, UsesThePlainShortestForm) {
    EXPECT_EQ(formatNumber(0), "0");
    EXPECT_EQ(formatNumber(-99), "-99");
    EXPECT_EQ(formatNumber(0.1), "0.1");
    EXPECT_EQ(formatSingle(0.1f), "0.1");
    EXPECT_EQ(formatSingle(1.9f), "1.9");
    EXPECT_EQ(formatNumber(1234567.5), "1234567.5");
}
