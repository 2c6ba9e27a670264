// The significant digits of a number come by two routes: one scaling in
// double precision (the common case) and std::to_chars on the exact value
// (ties and extreme scales). Both must give the same digits for every value.

#include "calc/Format.h"
#include "calc/FormatDetail.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
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

} // namespace
} // namespace vesk
