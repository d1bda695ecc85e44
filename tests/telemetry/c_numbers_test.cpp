#include "toolkit/c_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
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
