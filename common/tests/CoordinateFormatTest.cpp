#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/Angle.h"
#include "common/CoordinateFormat.h"
#include "common/CLocale.h"

namespace {

std::string Format(int32_t angle, bool isLongitude, int notation, bool raw = false) {
    char text[kCoordinateTextSize];
    FormatCoordinate(text, angle, isLongitude, notation, raw);
    return text;
}

// The printf formatting the integer formatter must match byte for byte.
std::string PrintfFormat(int32_t angle, bool isLongitude, int notation) {
    char text[kCoordinateTextSize];
    const double degrees = CircleToDegrees(angle);
    if (notation == kNotationSigned11) {
        FormatC(text, sizeof text, "%11.5f", degrees);
        return text;
    }
    if (notation == kNotationSigned10) {
        FormatC(text, sizeof text, "%10.4f", degrees);
        return text;
    }
    const double magnitude = std::fabs(degrees);
    long whole = static_cast<long>(magnitude);
    const double minutes = (magnitude - static_cast<double>(whole)) * 60.0;
    long wholeMinutes = static_cast<long>(minutes);
    const double seconds = (minutes - static_cast<double>(wholeMinutes)) * 60.0;
    auto letter = [&] {
        if (isLongitude) return (degrees < 0 || whole == 180) ? 'W' : 'E';
        return degrees < 0 ? 'S' : 'N';
    };
    switch (notation) {
    case kNotationDecimalDegrees:
        FormatC(text, sizeof text, isLongitude ? "%c%09.5lf" : "%c %08.5lf", letter(), magnitude);
        break;
    case kNotationDecimalMinutes: {
        double shown = minutes;
        if (shown + 0.0005 >= 60.0) {
            ++whole;
            shown = 0.0;
        }
        FormatC(text, sizeof text, isLongitude ? "%c%03ld\xB0%06.3lf" : "%c %02ld\xB0%06.3lf", letter(), whole, shown);
        break;
    }
    case kNotationWholeMinutes:
        FormatC(text, sizeof text, isLongitude ? "%c%03ld\xB0%02ld" : "%c %02ld\xB0%02ld", letter(), whole,
                wholeMinutes);
        break;
    case kNotationCompact: {
        long wholeSeconds = static_cast<long>(seconds);
        if (seconds - static_cast<double>(wholeSeconds) > 0.5) ++wholeSeconds;
        if (wholeSeconds >= 60) {
            wholeSeconds = 0;
            ++wholeMinutes;
        }
        if (wholeMinutes >= 60) {
            wholeMinutes = 0;
            ++whole;
        }
        FormatC(text, sizeof text, isLongitude ? "%c%03ld%02ld%02ld" : "%c%02ld%02ld%02ld", letter(), whole,
                wholeMinutes, wholeSeconds);
        break;
    }
    default:
        FormatC(text, sizeof text, isLongitude ? "%c%03ld\xB0%02ld'%05.2lf" : "%c %02ld\xB0%02ld'%05.2lf", letter(),
                whole, wholeMinutes, seconds);
        break;
    }
    return text;
}

struct FormatCase {
    double degrees;
    bool isLongitude;
    int notation;
    const char* expected;
};

const FormatCase kCases[] = {
    // 51.5 N as stored with 26 bits reads back as 51.4999956 degrees.
    {51.5, false, 0, "N 51.50000"},
    {51.5, false, 1, "N 51\xB0" "30.000"},
    {51.5, false, 2, "N 51\xB0" "29"},          // minutes truncated
    {51.5, false, 3, "N513000"},                 // seconds 59.98 round up and carry
    {51.5, false, 4, "   51.50000"},
    {51.5, false, 5, "   51.5000"},
    {51.5, false, 6, "N 51\xB0" "29'59.98"},
    {51.5, false, 99, "N 51\xB0" "29'59.98"},
    {-0.4613, true, 1, "W000\xB0" "27.678"},
    {-0.4613, true, 3, "W0002741"},
    {-0.4613, true, 0, "W000.46130"},
    {-0.4613, true, 4, "   -0.46130"},
    {-33.25, false, 1, "S 33\xB0" "15.000"},
    {-33.25, false, 3, "S331500"},
    {151.2093, true, 1, "E151\xB0" "12.558"},
    {151.2093, true, 2, "E151\xB0" "12"},
    {90.0, false, 1, "N 90\xB0" "00.000"},
    {0.0002, false, 1, "N 00\xB0" "00.000"},     // within the zero snap
    {-0.0002, true, 1, "E000\xB0" "00.000"},     // snapped to zero: no west letter
    {59.6 / 3600 + 59.0 / 60, false, 3, "N010000"},      // seconds, minutes and degrees carry
};

TEST(CoordinateFormat, Notations) {
    for (const FormatCase& c : kCases) {
        EXPECT_EQ(Format(DegreesToCircle(c.degrees, 26), c.isLongitude, c.notation), c.expected)
            << c.degrees << " notation " << c.notation;
    }
}

// Every notation of both axes against printf: random angles (about one in eight lands on an exact
// tie of some notation, such as 0.0625 minutes), then runs of neighbours around zero, the
// zero snap, whole degrees and minutes, and both ends of the circle.
TEST(CoordinateFormat, MatchesPrintfRoundingIncludingExactTies) {
    std::vector<int32_t> angles;
    std::mt19937 random(20240611);
    for (int i = 0; i < 100000; ++i) angles.push_back(static_cast<int32_t>(random()));
    const int32_t centres[] = {0,
                               DegreesToCircle(0.00027, 26),
                               DegreesToCircle(-0.00027, 26),
                               DegreesToCircle(1.0, 26),
                               DegreesToCircle(-52.0, 26),
                               DegreesToCircle(52.0 + 1.0 / 60, 26),
                               DegreesToCircle(89.0 + 59.0 / 60 + 59.0 / 3600, 26),
                               DegreesToCircle(179.5, 26),
                               INT32_MAX,
                               INT32_MIN};
    for (int32_t centre : centres) {
        for (int64_t step = -2000; step <= 2000; ++step) {
            const int64_t angle = centre + step * 64 + (step & 63);
            if (angle >= INT32_MIN && angle <= INT32_MAX) angles.push_back(static_cast<int32_t>(angle));
        }
    }
    int mismatches = 0;
    for (int32_t angle : angles) {
        for (int notation = 0; notation <= 6; ++notation) {
            for (bool isLongitude : {false, true}) {
                const std::string expected = PrintfFormat(angle, isLongitude, notation);
                const std::string actual = Format(angle, isLongitude, notation);
                if (actual != expected && ++mismatches <= 10) {
                    ADD_FAILURE() << "angle " << angle << " notation " << notation << " longitude " << isLongitude
                                  << ": \"" << actual << "\" printf \"" << expected << "\"";
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(CoordinateFormat, DecimalMinutesCarryIntoTheDegrees) {
    // 52 degrees kept to 26 bits reads back as 51 degrees 59.99981 minutes: within 0.0005 of 60.
    EXPECT_EQ(Format(DegreesToCircle(52.0, 26), false, 1), "N 52\xB0" "00.000");
    EXPECT_EQ(Format(DegreesToCircle(-52.0, 26), false, 1), "S 52\xB0" "00.000");
    // One unit of 64 less is 59.99949 minutes: no carry.
    EXPECT_EQ(Format(DegreesToCircle(52.0, 26) - 64, false, 1), "N 51\xB0" "59.999");
    // The carry that reaches 180 degrees of longitude shows west.
    EXPECT_EQ(Format(0x7FFFFFC0, true, 1), "W180\xB0" "00.000");
}

TEST(CoordinateFormat, TheHalfCircleIsWestInEveryLetteredNotation) {
    const char* const expected[] = {"W180.00000", "W180\xB0" "00.000", "W180\xB0" "00", "W1800000", " -180.00000",
                                    " -180.0000", "W180\xB0" "00'00.00"};
    for (int notation = 0; notation <= 6; ++notation) {
        EXPECT_EQ(Format(kCircleUnset, true, notation), expected[notation]) << notation;
    }
}

TEST(CoordinateFormat, RawFormReplacesEveryNotation) {
    for (int notation = 0; notation <= 6; ++notation) {
        EXPECT_EQ(Format(0x12345678, false, notation, true), "[12345678] ");
    }
    EXPECT_EQ(Format(kCircleUnset, true, 1, true), "[80000000] ");
}

TEST(CoordinateFormat, PositionPairColumns) {
    char text[kPositionPairTextSize];
    const int32_t lat = DegreesToCircle(51.5, 26);
    const int32_t lon = DegreesToCircle(-0.4613, 26);
    FormatPositionPair(text, lat, lon, false);
    EXPECT_STREQ(text, "N 51\xB0" "30.000 W000\xB0" "27.678");
    FormatPositionPair(text, lat, lon, true);
    EXPECT_STREQ(text, "   51.50000    -0.46130");
    FormatPositionPair(text, lat, lon, false, true);
    EXPECT_EQ(std::string(text), "[249f49c0]  [ffac0600] ");
    FormatPositionPair(text, DegreesToCircle(-9.0, 26), DegreesToCircle(179.0, 26), false);
    EXPECT_STREQ(text, "S 09\xB0" "00.000 E179\xB0" "00.000");
}

TEST(CoordinateFormat, AppendPositionPairKeepsTheTextAndNeverOverruns) {
    const int32_t lat = DegreesToCircle(51.5, 26);
    const int32_t lon = DegreesToCircle(-1 - 20.0 / 60, 26);
    char text[40] = "FSS  ";
    AppendPositionPair(text, sizeof text, lat, lon, false);
    EXPECT_STREQ(text, "FSS  N513000 W0012000");
    char decimal[40] = "";
    AppendPositionPair(decimal, sizeof decimal, lat, lon, true);
    EXPECT_STREQ(decimal, "   51.5000    -1.3333");
    char small[10] = "ab";
    AppendPositionPair(small, sizeof small, lat, lon, false);
    EXPECT_STREQ(small, "abN513000");
}

}  // namespace
