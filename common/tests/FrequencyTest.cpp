#include <gtest/gtest.h>

#include <string>

#include "common/Frequency.h"

namespace {

struct FrequencyCase {
    int32_t value;
    int32_t divisor;
    const char* expected;
};

const FrequencyCase kCases[] = {
    {11730, 100, "117.30"},   // VOR, megahertz with two decimals
    {10800, 100, "108.00"},
    {11505, 100, "115.05"},
    {5, 100, "  0.05"},
    {3450, 10, "345.0"},      // NDB, kilohertz with one decimal
    {200, 10, " 20.0"},
    {9999, 10, "999.9"},
    {10000, 10, " 1000"},     // 1000 kHz and above: no decimals
    {10505, 10, " 1050"},
    {17509, 10, " 1750"},
    {10000, 100, "100.00"},   // the short form is only for divisors up to 10
    {12345678, 1000, "12345.678"},
    {-5, 10, " -0.5"},        // the sign stays with the whole part
    {-12345, 100, "-123.45"},
    {11730, 0, "11730"},      // a divisor below 1 counts as 1
    {INT32_MIN, 100, "-21474836.48"},
};

TEST(Frequency, FormatFrequency) {
    for (const FrequencyCase& c : kCases) {
        char text[kFrequencyTextSize];
        FormatFrequency(text, c.value, c.divisor);
        EXPECT_STREQ(text, c.expected) << c.value << " / " << c.divisor;
    }
}

}  // namespace
