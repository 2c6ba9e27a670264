// Items of input records are read by a short exact route for plain decimals
// and by std::from_chars otherwise; the value must not depend on the route.

#include "run/RunContext.h"

#include <gtest/gtest.h>

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
        expectSameAsFromChars(text);
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
        expectSameAsFromChars(text);
    }
}

} // namespace
} // namespace vesk
