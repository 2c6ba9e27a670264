// The significant digits of a number come by two routes: one scaling in
// double precision (the common case) and std::to_chars on the exact value
// (ties and extreme scales). Both must give the same digits for every value.

#include "calc/Format.h"
#include "calc/FormatDetail.h"
#include "calc/PlainNumber.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vesk {
namespace {

using format_detail::decimalDigits;

struct Digits {
    std::string digits;
    int point = 0;
    bool operator==(const Digits &) const = default;
};

Digits digitsOf(double v, int significant, bool exactRoute) {
    Digits d;
    d.digits = decimalDigits(v, significant, exactRoute, &d.point);
    return d;
}

void expectRoutesAgree(double v, int significant) {
    const Digits fast = digitsOf(v, significant, false);
    const Digits exact = digitsOf(v, significant, true);
    EXPECT_EQ(fast.digits, exact.digits) << v << " to " << significant << " digits";
    EXPECT_EQ(fast.point, exact.point) << v << " to " << significant << " digits";
}

TEST(DecimalDigits, BothRoutesAgreeOnEverySingleOfTheOutputRange) {
    // Random bit patterns of positive finite singles, and the values a run
    // writes most: concentrations and flows with a few decimals.
    std::mt19937 random(20231);
    std::uniform_int_distribution<std::uint32_t> bits(0, 0x7F7FFFFFu);
    for (int i = 0; i < 200000; ++i) {
        const float v = std::bit_cast<float>(bits(random));
        if (v > 0) {
            expectRoutesAgree(v, 7);
        }
    }
    std::uniform_real_distribution<float> concentration(0.0f, 2000.0f);
    for (int i = 0; i < 200000; ++i) {
        expectRoutesAgree(concentration(random), 7);
    }
    for (int i = 1; i < 100000; ++i) {
        expectRoutesAgree(static_cast<float>(i) / 100.0f, 7);
    }
}

TEST(DecimalDigits, BothRoutesAgreeOnDoubles) {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::uint64_t> bits(1, 0x7FEFFFFFFFFFFFFFull);
    std::uniform_real_distribution<double> plain(0.0, 1e6);
    for (int i = 0; i < 200000; ++i) {
        expectRoutesAgree(std::bit_cast<double>(bits(random)), 15);
        expectRoutesAgree(plain(random), 15);
    }
}

TEST(DecimalDigits, ExactTiesAndCarriesGoByTheExactValue) {
    // 16777215 and 16777205 hold eight digits ending in an exact 5; 9999999.5
    // and 0.99999995 carry into a new leading digit; powers of two below one
    // have long exact expansions.
    for (float v : {16777215.0f, 16777205.0f, 9999999.5f, 0.99999995f, 99999.995f, 0.5f, 0.125f,
                    0.0009765625f, 1e-30f, 3e38f, 1e-40f}) {
        expectRoutesAgree(v, 7);
    }
    for (double v : {0.5, 1e15 - 0.5, 999999999999999.5, 1e-300, 1e300, 5e-324, 0.1, 2.675}) {
        expectRoutesAgree(v, 15);
    }
    EXPECT_EQ(digitsOf(9999999.7, 7, false), (Digits{"1", 8}));
    EXPECT_EQ(digitsOf(0.00012345, 3, false), (Digits{"123", -3}));
    EXPECT_EQ(digitsOf(-1234.5678, 15, false), (Digits{"12345678", 4}));
}

TEST(DecimalDigits, SingleOutputCellsKeepTheirPlainForm) {
    const std::vector<std::pair<float, const char *>> cases = {
        {16.91371f, "16.91371"},       {0.0001f, "0.0001"},  {0.00012f, "0.00012"},
        {1234567.0f, "1234567"},       {1200.0f, "1200"},    {12345678.0f, "1.234568E+07"},
        {9999999.5f, "1E+07"},         {-0.5f, "-0.5"},      {-99.0f, "-99"},
        {16777215.0f, "1.677722E+07"}, {3.4e38f, "3.4E+38"}, {1e-5f, "1E-05"},
    };
    for (const auto &[value, text] : cases) {
        EXPECT_EQ(Format(value, ""), text) << value;
    }
}

// The plain form put together from the digits of the exact value, the
// slow way, to check the one a row is written with.
std::string exactPlainForm(double v, int significant) {
    if (v == 0 || !std::isfinite(v)) {
        return "0";
    }
    const Digits d = digitsOf(v, significant, true);
    const int count = static_cast<int>(d.digits.size());
    std::string s = std::signbit(v) ? "-" : "";
    const int exp = d.point - 1;
    if (exp < -4 || exp >= significant) {
        s += d.digits.substr(0, 1) + (count > 1 ? "." + d.digits.substr(1) : "");
        const std::string e = std::to_string(std::abs(exp));
        return s + (exp < 0 ? "E-" : "E+") + (e.size() < 2 ? "0" : "") + e;
    }
    if (d.point <= 0) {
        return s + "0." + std::string(static_cast<std::size_t>(-d.point), '0') + d.digits;
    }
    if (d.point >= count) {
        return s + d.digits + std::string(static_cast<std::size_t>(d.point - count), '0');
    }
    return s + d.digits.substr(0, static_cast<std::size_t>(d.point)) + "." +
           d.digits.substr(static_cast<std::size_t>(d.point));
}

void expectPlainForm(double v, int significant) {
    char text[kPlainNumberChars];
    const std::string written(text, writePlainNumber(v, significant, text));
    EXPECT_EQ(written, exactPlainForm(v, significant)) << v << " to " << significant << " digits";
    EXPECT_EQ(plainNumberText(v, significant), written) << v;
}

TEST(PlainForm, EveryValueIsWrittenAsItsExactDigitsGiveIt) {
    // Both signs of random singles and doubles, the concentrations a run
    // writes, halves at every scale, the missing marker, carries into a new
    // digit, the limits of the ranges and the values that are written as 0.
    std::mt19937 random(5);
    std::uniform_int_distribution<std::uint32_t> singleBits(0, 0xFF7FFFFFu);
    for (int i = 0; i < 100000; ++i) {
        expectPlainForm(std::bit_cast<float>(singleBits(random)), 7);
    }
    std::uniform_real_distribution<float> concentration(-100.0f, 500.0f);
    for (int i = 0; i < 100000; ++i) {
        expectPlainForm(concentration(random), 7);
    }
    std::mt19937_64 random64(11);
    std::uniform_int_distribution<std::uint64_t> doubleBits(0, 0xFFEFFFFFFFFFFFFFull);
    for (int i = 0; i < 100000; ++i) {
        expectPlainForm(std::bit_cast<double>(doubleBits(random64)), 15);
    }
    for (double scale = 1e-12; scale < 1e12; scale *= 10) {
        for (double v : {0.5, 1.5, 2.5, 9.5, 0.25, 0.125, 9.9999995, 9.999999949, 1.0, 0.99999995}) {
            for (double sign : {1.0, -1.0}) {
                expectPlainForm(static_cast<float>(sign * v * scale), 7);
                expectPlainForm(sign * v * scale, 15);
            }
        }
    }
    for (double v : {0.0, -0.0, -99.0, -99.5, 0.0001, 0.00009999999, 1e-5, 9999999.0, 9999999.5, 1e7, 16777215.0,
                     3.4028234663852886e38, 1.401298464324817e-45, 1.1754943508222875e-38, 5e-324,
                     1.7976931348623157e308, 999999999999999.0, 999999999999999.5, 1e15, 1e-4, 1e-5,
                     std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
        expectPlainForm(v, 15);
        expectPlainForm(static_cast<float>(v), 7);
    }
    EXPECT_EQ(plainNumberText(-0.0, 7), "0") << "no minus sign on zero";
    EXPECT_EQ(plainNumberText(-99.0f, 7), "-99");
    EXPECT_EQ(plainNumberText(-2.5e-5f, 7), "-2.5E-05");
    EXPECT_EQ(plainNumberText(0.999999951, 7), "1");
    EXPECT_EQ(plainNumberText(0.99999995, 7), "0.9999999") << "just below the half";
    EXPECT_EQ(plainNumberText(1234567.5, 7), "1234568");
}

} // namespace
} // namespace vesk
