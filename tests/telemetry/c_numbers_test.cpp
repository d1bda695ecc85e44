#include "toolkit/c_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>
#include <cstdlib>
#include <string>

using dravonix::cAtof;
using dravonix::cAtoi;

TEST(CNumbers, AtofReadsTheLeadingNumberLikeC)
{
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"22.4", 22.4},   {" \t-3.5", -3.5}, {"+7", 7.0},      {"1.5e2", 150.0}, {"12abc", 12.0},
        {"", 0.0},        {"abc", 0.0},      {"-", 0.0},       {".5", 0.5},      {"0x1A", 26.0},
        {"4807.038", 4807.038},               {"1e-400", 0.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(cAtof(c.text), c.expected) << '"' << c.text << '"';
}

TEST(CNumbers, AtofSaturatesOverflowLikeStrtod)
{
    EXPECT_TRUE(std::isinf(cAtof("1e400")));
    EXPECT_TRUE(std::isinf(cAtof(std::string(400, '9'))));
    EXPECT_EQ(cAtof("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(CNumbers, AtoiReadsDigitsAndClampsInsteadOfOverflowing)
{
    EXPECT_EQ(cAtoi("08"), 8);
    EXPECT_EQ(cAtoi(" -12x"), -12);
    EXPECT_EQ(cAtoi("x12"), 0);
    EXPECT_EQ(cAtoi("3.9"), 3);
    EXPECT_EQ(cAtoi("99999999999999999999"), 2147483647);
    EXPECT_EQ(cAtoi("-99999999999999999999"), -2147483647 - 1);
}

TEST(CNumbers, AtofGivesStrtodsExactDoubleForEveryShapeOfDecimal)
{
    // Every width of whole and fraction part up to and past the short cut's
    // 15 digits, with digit patterns whose rounding is easy to get wrong.
    const std::string patterns[] = {"9", "1", "5", "49999999999999999", "50000000000000001", "12638559212345678"};
    int compared = 0;
    for (const std::string& pattern : patterns)
        for (std::size_t whole = 0; whole <= 17; ++whole)
            for (std::size_t fraction = 0; fraction <= 17; ++fraction) {
                std::string text;
                for (std::size_t i = 0; i < whole; ++i)
                    text += pattern[i % pattern.size()];
                if (fraction > 0)
                    text += '.';
                for (std::size_t i = 0; i < fraction; ++i)
                    text += pattern[(whole + i) % pattern.size()];
                const std::string followed = text + (compared % 2 ? "," : "*7B");
                const double expected = std::strtod(text.c_str(), nullptr);
                ASSERT_EQ(cAtof(followed), expected) << followed;
                ASSERT_EQ(cAtof("-" + text), -expected) << text;
                ++compared;
            }
    EXPECT_GT(compared, 1000);
    for (const char* odd : {".5", "5.", ".", "1.2.3", "..5", "-.5e", "00000000000000000001.5", "7.5E-1,"})
        EXPECT_EQ(cAtof(odd), std::strtod(odd, nullptr)) << odd;
    EXPECT_EQ(cAtof("12.5e1"), 125.0); // an exponent is still read
    EXPECT_EQ(cAtof("0x10.8"), 16.5);  // and hexadecimal

    // One sign only, and a sign with nothing after it is no number: 0, not
    // -0. Then short texts of the characters a number is made of, at random.
    std::vector<std::string> odd{"+-1", "--1", "-+1", "0x-8", "-0x-8", "0x+8", "-", "+", " -", "-x", "-0x"};
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        std::string text(rng() % 7, ' ');
        for (char& c : text)
            c = " +-0x.eEp19af"[rng() % 13];
        odd.push_back(text);
    }
    for (const std::string& text : odd) {
        const double expected = std::strtod(text.c_str(), nullptr);
        ASSERT_EQ(std::signbit(cAtof(text)), std::signbit(expected)) << text;
        ASSERT_EQ(cAtof(text), expected) << text;
    }
}
