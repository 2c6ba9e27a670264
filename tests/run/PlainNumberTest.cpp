// Items of input records are read by a short exact route for plain decimals
// and by std::from_chars otherwise; the value must not depend on the route.
// A common record line is split and its decimals read in one pass; that pass
// must find the items and values the split and the number reader find.

#include "run/RunContext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>

namespace vesk {
namespace {

// What std::from_chars makes of the whole item (a leading "+" allowed).
std::optional<double> fromChars(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

void expectSameAsFromChars(const std::string &text) {
    const std::optional<double> expected = fromChars(text);
    const std::optional<double> actual = run::plainNumber(text);
    ASSERT_EQ(actual.has_value(), expected.has_value()) << "\"" << text << "\"";
    if (expected) {
        // Bit for bit: the sign of zero and a "nan" included.
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*actual), std::bit_cast<std::uint64_t>(*expected))
            << "\"" << text << "\" gives " << *actual << ", not " << *expected;
    }
}

TEST(PlainNumber, ReadsItemsAsFromCharsDoes) {
    for (const char *text : {"12",
                             "-3.5",
                             "+0.77",
                             "0",
                             "-0",
                             "-0.0",
                             "5.",
                             ".5",
                             "-.5",
                             "+",
                             "-",
                             ".",
                             "",
                             "--5",
                             "+-5",
                             "1e3",
                             "2.5E-2",
                             "1,5",
                             " 1",
                             "1 ",
                             "0x10",
                             "nan",
                             "inf",
                             "1.2.3",
                             "00012.50",
                             "123456789012345",
                             "1234567890123456",
                             "9007199254740993",
                             "0.1234567890123456789",
                             "0.000000000000001",
                             "-999999999999999.9",
                             "2023",
                             "16.91371",
                             "1e400",
                             "#N/A"}) {
        ASSERT_NO_FATAL_FAILURE(expectSameAsFromChars(text));
    }
}

TEST(PlainNumber, ReadsRandomDecimalsBitForBitAsFromChars) {
    std::mt19937_64 random(42);
    std::uniform_int_distribution<long long> mantissa(-999999999999999LL, 999999999999999LL);
    std::uniform_int_distribution<int> decimals(0, 16);
    char text[64];
    for (int i = 0; i < 200000; ++i) {
        const long long m = mantissa(random) >> (i % 48);
        const int d = decimals(random);
        // m with d decimals: "-12.345", "0.00012", "7."
        std::string digits = std::to_string(m < 0 ? -m : m);
        if (static_cast<int>(digits.size()) <= d) {
            digits.insert(0, static_cast<std::size_t>(d + 1) - digits.size(), '0');
        }
        std::snprintf(text, sizeof text, "%s%s.%s", m < 0 ? "-" : "",
                      digits.substr(0, digits.size() - static_cast<std::size_t>(d)).c_str(),
                      digits.substr(digits.size() - static_cast<std::size_t>(d)).c_str());
        ASSERT_NO_FATAL_FAILURE(expectSameAsFromChars(text));
    }
}

// What the one-pass scan of a line must agree with: the items of
// splitRecordLine, and for each item it reads as a decimal the value of
// plainNumber, bit for bit. Lines it leaves to the general route are those
// with a quote, a carriage return or a byte beyond ASCII, and those without
// a character in any item.
void expectScanAgrees(const std::string &line, bool commaSeparates) {
    SCOPED_TRACE("\"" + line + "\" commas " + (commaSeparates ? "separate" : "are decimal marks"));
    std::vector<std::string_view> fields;
    run::splitRecordLine(line, commaSeparates, fields);
    run::ScannedItem items[8];
    std::size_t count = 0;
    const bool scanned = run::scanRecordLine(line, commaSeparates, items, std::size(items), &count);
    const bool special = line.find_first_of("\"\r") != std::string::npos ||
                         std::any_of(line.begin(), line.end(), [](char ch) { return (ch & 0x80) != 0; });
    const bool blank = std::all_of(fields.begin(), fields.end(), [](std::string_view f) { return f == " "; });
    ASSERT_EQ(scanned, !special && !blank);
    if (!scanned) {
        return;
    }
    ASSERT_EQ(count, fields.size());
    for (std::size_t j = 0; j < count && j < std::size(items); ++j) {
        const run::ScannedItem &item = items[j];
        EXPECT_EQ(item.text(), fields[j] == " " ? std::string_view() : fields[j]) << "item " << j;
        const std::optional<double> expected = run::plainNumber(item.text());
        if (item.plain) {
            ASSERT_TRUE(expected) << "item " << j;
            EXPECT_EQ(std::bit_cast<std::uint64_t>(item.value), std::bit_cast<std::uint64_t>(*expected))
                << "item " << j << " \"" << item.text() << "\"";
        }
        // A short decimal is read on the way, not left to the full reader.
        if (item.text().size() <= 12) {
            const std::string_view t = item.text();
            const bool shortDecimal = t.find_first_not_of("0123456789.-+") == std::string_view::npos &&
                                      t.find_first_of("-+", 1) == std::string_view::npos &&
                                      std::count(t.begin(), t.end(), '.') <= 1 &&
                                      t.find_first_of("0123456789") != std::string_view::npos;
            EXPECT_EQ(item.plain, shortDecimal) << "item " << j << " \"" << t << "\"";
        }
    }
}

TEST(RecordScan, FindsTheItemsAndDecimalsTheSplitAndTheReaderFind) {
    const char *lines[] = {"2023 3 6 1 4.5 200",
                           "  2023  3   6 1  ",
                           "2023,3,6,1,,200",
                           "2023, 3 ,6 ,, 1",
                           "2023;3;;6;1",
                           "2023\t3\t\t6 ; 1",
                           "a,;b ;,c",
                           "1,5 2,5",
                           "-0 +0 -.5 +.5 5. . - +",
                           "1.2.3 1e3 nan na n/a #N/A 12-3",
                           "123456789012345 1234567890123456 0.00000000000001",
                           ",,",
                           "x",
                           "",
                           "   ",
                           "\t\t",
                           " ; , ",
                           "2023 3 6 1\r",
                           "2023 \"3\" 6",
                           "2023 3 6 \xc3\xa9",
                           "1 2 3 4 5 6 7 8 9 10 11"};
    for (const bool commaSeparates : {true, false}) {
        for (const char *line : lines) {
            ASSERT_NO_FATAL_FAILURE(expectScanAgrees(line, commaSeparates));
        }
    }
}

TEST(RecordScan, AgreesOnRandomLines) {
    // Lines of the characters that matter to the split and the reader.
    const std::string alphabet = "0123456789012345678901234567890123456789.-+  \t;,eaN\"\r\x80";
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), length(0, 24);
    for (int i = 0; i < 100000; ++i) {
        std::string line(length(random), ' ');
        for (char &ch : line) {
            ch = alphabet[pick(random)];
        }
        // Most lines as the files hold them: no quote, return or byte beyond ASCII.
        if (i % 4 != 0) {
            std::erase_if(line, [](char ch) { return ch == '"' || ch == '\r' || (ch & 0x80) != 0; });
        }
        ASSERT_NO_FATAL_FAILURE(expectScanAgrees(line, i % 2 == 0));
        if (HasFatalFailure()) {
            return;
        }
    }
}

} // namespace
} // namespace vesk
