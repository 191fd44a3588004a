// Latitude/longitude texts and parser, typed frequencies, great-circle legs, letter-coded texts,
// six-bit idents and unit times.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/Angle.h"
#include "common/DateText.h"
#include "common/Frequency.h"
#include "common/GreatCircle.h"
#include "common/LatLonText.h"
#include "common/LetterText.h"
#include "common/SixBitCode.h"

namespace {

std::string LatLon(int32_t value, bool lon, int style) {
    char text[kLatLonTextSize];
    FormatLatLon(text, value, lon, style);
    return text;
}

TEST(LatLonText, Styles) {
    const int32_t lat = DegreesToCircle(51.5, 26);
    const int32_t lon = DegreesToCircle(-0.4613, 26);
    struct {
        int32_t value;
        bool lon;
        int style;
        const char* text;
    } cases[] = {
        {lat, false, 0, "N 51.50000"},
        {lat, false, 1, "N 51\xB0" "30.000"},
        {lon, true, 1, "W000\xB0" "27.678"},
        {lat, false, 2, "N 51\xB0" "29"},  // 26 bits truncate below 51.5; minutes truncated
        {lat, false, 3, "N513000"},
        {lon, true, 3, "W0002741"},
        {lat, false, 4, "N 51\xB0" "29'59.98"},
        {kCircleUnset, true, 1, "W180\xB0" "00.000"},                       // not set: -180
        {DegreesToCircle(0.0002, 26), false, 1, "N 00\xB0" "00.000"},       // snapped to 0
        {DegreesToCircle(89 + 59.9998 / 60, 26), false, 1, "N 90\xB0" "00.000"},  // minute carry
        {DegreesToCircle(-(179 + 59.9998 / 60), 26), true, 1, "W180\xB0" "00.000"},
        {DegreesToCircle(10 + 59 / 60.0 + 59.7 / 3600, 26), false, 3, "N110000"},  // second carry
    };
    for (const auto& c : cases) EXPECT_EQ(LatLon(c.value, c.lon, c.style), c.text) << c.text;
    EXPECT_EQ(DegreesToCircle(180.0, 25), kCircleUnset);
    EXPECT_EQ(DegreesToCircle(-180.0, 25), kCircleUnset);
}

TEST(LatLonText, Parse) {
    struct {
        const char* text;
        bool lon;
        bool accepted;
        double degrees;
    } cases[] = {
        {"N 51#30.5", false, true, 51 + 30.5 / 60},
        {"N51;30.5", false, true, 51 + 30.5 / 60},
        {"N 51\xB0" "30.500", false, true, 51 + 30.5 / 60},
        {"  N513000  ", false, true, 51.5},
        {"S 33#51.000", false, true, -(33 + 51 / 60.0)},
        {"W000#27.678", true, true, -(27.678 / 60)},
        {"W1800000", true, true, -180},
        {"N 51~30", false, false, 0},   // no '.'
        {"N 51~.5", false, false, 0},   // nothing between mark and '.'
        {"n 51~30.5", false, false, 0}, // lower-case letter
        {"N900000", false, false, 0},   // latitude 90
        {"N 90#00.0", false, false, 0},
        {"E1800001", true, false, 0},   // an eighth digit
        {"E1800000", true, false, 0},   // 180 only as W
        {"W180#00.1", true, false, 0},
        {"N 51#60.0", false, false, 0},
        {"N516000", false, false, 0},
        {"E0513000", false, false, 0},  // wrong letter for a latitude
        {"N51300", false, false, 0},    // too few digits
        {"", false, false, 0},
    };
    for (const auto& c : cases) {
        char text[32];
        std::strcpy(text, c.text);
        int32_t out = 12345;
        const int result = ParseLatLon(text, &out, c.lon, false);
        EXPECT_EQ(result, c.accepted ? 0 : 1) << c.text;
        if (c.accepted) {
            const int32_t expected = c.degrees == -180 ? kCircleUnset : DegreesToCircle(c.degrees, 25);
            EXPECT_EQ(out, expected) << c.text;
        } else {
            EXPECT_EQ(out, 12345) << c.text;
        }
    }
}

TEST(LatLonText, ReadsBackStylesOneAndThree) {
    for (double d : {0.0, 1.25, -33.8567, 51.5, 89.98, -0.0137}) {
        for (bool lon : {false, true}) {
            for (int style : {1, 3}) {
                const int32_t value = DegreesToCircle(lon ? d * 2 : d, 25);
                char text[kLatLonTextSize];
                FormatLatLon(text, value, lon, style);
                int32_t back = 0;
                ASSERT_EQ(ParseLatLon(text, &back, lon, false), 0) << text;
                // Within one unit of the text's precision.
                const double step = style == 1 ? 0.001 / 60 : 1.0 / 3600;
                EXPECT_NEAR(CircleToDegrees(back), CircleToDegrees(value), step) << text;
            }
        }
    }
}

TEST(Frequency, ParseAndCheck) {
    struct {
        const char* text;
        int decimals;
        int result;
        int32_t value;
        int32_t flags;
    } cases[] = {
        {"118.1", 2, 0, 11810, 0},
        {"118.123", 2, 0, 11812, 0},
        {"118.10  ", 2, 0, 11810, 0},
        {"122.8*", 2, 0, 12280, 128},
        {"345.5", 1, 0, 3455, 0},
        {"345", 1, 0, 3450, 0},
        {"118", 2, 0, 11800, 0},
        {"107.95", 2, 1, 0, 0},
        {"150.01", 2, 1, 0, 0},
        {"150.00", 2, 0, 15000, 0},
        {"1*22", 2, 1, 0, 0},
        {"", 2, 1, 0, 0},
        {"   ", 1, 1, 0, 0},
        {"118 5", 2, 0, 11800, 0},  // a blank among digits is accepted, the rest ignored
        {"x 118", 2, 1, 0, 0},      // a blank after another character is not
    };
    for (const auto& c : cases) {
        char text[32];
        std::strcpy(text, c.text);
        int32_t value = -1, flags = 0;
        EXPECT_EQ(ParseFrequency(text, c.decimals, &value, &flags), c.result) << c.text;
        if (c.result == 0) {
            EXPECT_EQ(value, c.value) << c.text;
            EXPECT_EQ(flags, c.flags) << c.text;
        }
    }
    char trailing[] = "12\xB0\xB0";
    EXPECT_EQ(CheckNumericText(trailing, '.'), 0);
    EXPECT_STREQ(trailing, "12");  // high bytes at the end are cut like blanks
}

TEST(GreatCircle, DistanceAndBearing) {
    auto at = [](double d) { return DegreesToCircle(d, 25); };
    struct {
        double lat1, lon1, lat2, lon2;
        int32_t feet, bearing;
    } cases[] = {
        {51.5, -0.4613, 48.7233, 2.3794, 1211271, 146},
        {0, 0, 1, 0, 364800, 0},   // due north: the arccosine's argument rounds past 1
        {0, 0, 0, 1, 364800, 90},
        {1, 0, 0, 0, 364800, 180},
        {0, 1, 0, 0, 364800, 270},
        {10, 20, 10, 20, 0, 0},    // equal points
    };
    for (const auto& c : cases) {
        int32_t bearing = -1;
        const int32_t feet = GreatCircleDistBearing(at(c.lat1), at(c.lon1), at(c.lat2), at(c.lon2), &bearing);
        EXPECT_NEAR(feet, c.feet, 1) << c.lat1 << "," << c.lon1;
        EXPECT_EQ(bearing, c.bearing) << c.lat1 << "," << c.lon1;
    }
    EXPECT_EQ(FeetToNm(364800), 60);
    EXPECT_EQ(FeetToNm(6080 + 3040), 1);
    EXPECT_EQ(FeetToNm(6080 + 3041), 2);
}

TEST(LetterText, PackAndUnpack) {
    uint8_t buffer[16] = {};
    EXPECT_EQ(PackLetterText("AERO", 20, 0, buffer), 19u);
    char out[32];
    EXPECT_EQ(UnpackLetterText(buffer, sizeof buffer, out, sizeof out, 0), 19u);
    EXPECT_STREQ(out, "AERO");

    struct {
        const char* in;
        const char* out;
        int max;
    } cases[] = {
        {"below 1500 ft", "BELOW 1500 FT", 40},
        {"x=y", "X Y", 40},             // outside the tables: blanks
        {"CTR (MIL) 2/3", "CTR (MIL) 2/3", 40},
        {"ABCDEFGH", "ABCD", 4},        // at most max characters
        {"", "", 40},
    };
    for (const auto& c : cases) {
        uint8_t bytes[40];
        std::memset(bytes, 0xFF, sizeof bytes);
        const uint32_t end = PackLetterText(c.in, c.max, 11, bytes + 1);  // starts at bit 3 of byte 1
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1] & 0xE0, 0xE0) << "bits before the start kept";
        UnpackLetterText(bytes, sizeof bytes, out, sizeof out, 11);
        EXPECT_STREQ(out, c.out);
        EXPECT_LE(end, 11u + 9u * std::strlen(c.in) + 4u);
    }
    // A limit inside the text stops before reading past it; an empty start gives "".
    uint8_t two[2] = {0, 0};  // "AAAAA" then the rest
    EXPECT_EQ(UnpackLetterText(two, 2, out, sizeof out, 0), 15u);
    EXPECT_STREQ(out, "AAAAA");
    EXPECT_EQ(UnpackLetterText(two, 2, out, 3, 0), 15u);
    EXPECT_STREQ(out, "AA");
    UnpackLetterText(two, 2, out, sizeof out, 0x1FFFF8);
    EXPECT_STREQ(out, "");
}

TEST(SixBitIdent, Unpack) {
    // "ABC" then a zero code: 1, 2, 3, 0.
    const uint8_t bytes[3] = {0x04, 0x20, 0xC0};
    char out[5];
    UnpackSixBitIdent(out, bytes);
    EXPECT_STREQ(out, "ABC");
    const uint8_t none[3] = {0, 0x20, 0xC0};
    UnpackSixBitIdent(out, none);
    EXPECT_STREQ(out, "");
}

TEST(UnitTime, Text) {
    struct {
        int64_t seconds;
        const char* text;
    } cases[] = {
        {0, ""},
        {-5, ""},
        {86400, " 1.JAN.1990 00:00"},
        {86400 * 365 + 3600 * 13 + 60 * 7, "31.DEC.1990 13:07"},
        {86400 * (365 + 365 + 59 + 1), "29.FEB.1992 00:00"},  // leap year
        {86400LL * (365 * 10 + 2 + 1), " 1.JAN.2000 00:00"},
    };
    for (const auto& c : cases) {
        char text[kUnitTimeTextSize];
        FormatUnitTime(text, c.seconds);
        EXPECT_STREQ(text, c.text) << c.seconds;
    }
}

}  // namespace
