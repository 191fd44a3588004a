#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "common/Angle.h"

namespace {

struct DegreesCase {
    double degrees;
    int bits;
    uint32_t expected;
};

// 51.5 degrees is 614418887.1 units: 26 bits truncate to a multiple of 64, 25 bits round to the
// nearest multiple of 128 (up here), 21 bits drop 448 below the half unit of 2048.
const DegreesCase kCases[] = {
    {-180.0, 26, 0x80000000}, {180.0, 26, 0x80000000}, {180.0, 21, 0x80000000},
    {90.0, 26, 0x40000000},   {-90.0, 26, 0xC0000000}, {51.5, 26, 0x249F49C0},
    {51.5, 25, 0x249F4A00},   {51.5, 21, 0x249F4800},  {-51.5, 21, 0xDB60B800},
    {0.0, 21, 0},             {1e-9, 26, 0},           {45.0, 1, 0},
    {0.0001, 21, 0x800},      // 1193 units: the highest dropped bit (1024) rounds up to 2048
    {-0.4613, 25, 0xFFAC0600}, {359.9999999, 26, 0xFFFFFFC0},
};

TEST(Angle, DegreesToCircle) {
    for (const DegreesCase& c : kCases) {
        EXPECT_EQ(static_cast<uint32_t>(DegreesToCircle(c.degrees, c.bits)), c.expected)
            << c.degrees << " with " << c.bits << " bits";
    }
}

TEST(Angle, RoundingCarriesIntoTheKeptBits) {
    // Just below 180 degrees with 21 bits rounds up to the half circle itself.
    EXPECT_EQ(static_cast<uint32_t>(DegreesToCircle(179.99999, 21)), 0x80000000u);
    EXPECT_EQ(static_cast<uint32_t>(DegreesToCircle(-179.99999, 21)), 0x80000000u);
}

TEST(Angle, DegreesThatAreNoNumberGiveTheUnsetValue) {
    EXPECT_EQ(DegreesToCircle(std::numeric_limits<double>::quiet_NaN(), 26), kCircleUnset);
    EXPECT_EQ(DegreesToCircle(std::numeric_limits<double>::infinity(), 26), kCircleUnset);
    EXPECT_EQ(DegreesToCircle(-1e300, 26), kCircleUnset);
}

TEST(Angle, CircleDegreesTextIsWhatPrintfWrites) {
    std::vector<int32_t> values = {0, 1, -1, 63, 50 << 6, 51 << 6, -(51 << 6), 52 << 6, INT32_MIN, INT32_MAX,
                                   0x40000000, -0x40000000, 1 << 22, 3 << 22, -(5 << 22), (1 << 22) + 64};
    // Exact ties in the seventh decimal (multiples of 2^22 with an odd factor) and a sweep.
    for (int32_t odd = 1; odd < 512; odd += 2) values.push_back(odd << 22), values.push_back(-(odd << 22));
    for (int64_t v = INT32_MIN; v <= INT32_MAX; v += 982451653 / 97) values.push_back(static_cast<int32_t>(v));
    // Either side of 10 and 100 degrees, where the whole degrees gain a digit (also by rounding).
    for (const double degrees : {10.0, 100.0})
        for (int32_t step = -200; step <= 200; step += 8) {
            const int32_t at = static_cast<int32_t>(degrees / 360.0 * 4294967296.0) + step;
            values.push_back(at), values.push_back(-at);
        }
    for (const int32_t value : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.6f", CircleToDegrees(value));
        char text[kCircleDegreesTextSize];
        const int length = FormatCircleDegrees(text, value);
        EXPECT_STREQ(text, expected) << value;
        EXPECT_EQ(length, static_cast<int>(std::strlen(expected))) << value;
    }
}

TEST(Angle, CircleToDegreesIgnoresTheLowBitsAndSnapsNearZero) {
    EXPECT_DOUBLE_EQ(CircleToDegrees(0x40000000), 90.0);
    EXPECT_DOUBLE_EQ(CircleToDegrees(kCircleUnset), -180.0);
    EXPECT_DOUBLE_EQ(CircleToDegrees(0x40000000 + 63), 90.0);
    EXPECT_EQ(CircleToDegrees(DegreesToCircle(0.00026, 32)), 0.0);
    EXPECT_EQ(CircleToDegrees(DegreesToCircle(-0.00026, 32)), 0.0);
    EXPECT_NEAR(CircleToDegrees(DegreesToCircle(0.00028, 32)), 0.00028, 1e-5);
    EXPECT_NEAR(CircleToRadians(0x40000000), M_PI / 2, 1e-12);
}

}  // namespace
