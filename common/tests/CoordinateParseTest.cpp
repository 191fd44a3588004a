#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/Angle.h"
#include "common/CoordinateFormat.h"
#include "common/CoordinateParse.h"

namespace {

struct Parsed {
    int32_t angle = 0;
    int error = 0;
    bool farLongitude = false;
    std::string rest;  // the text after the returned position
    std::string text;  // the text as the parse left it
};

Parsed Parse(const std::string& input, bool isLongitude, int bits = 32) {
    char text[64];
    std::snprintf(text, sizeof text, "%s", input.c_str());
    CoordinateParseStatus status;
    Parsed result;
    const char* next = ParseCoordinate(text, &result.angle, bits, isLongitude, status);
    result.error = status.error;
    result.farLongitude = status.farLongitude;
    result.rest = next;
    result.text = text;
    return result;
}

struct AcceptCase {
    const char* text;
    bool isLongitude;
    double degrees;
};

const AcceptCase kAccepted[] = {
    {"N513000", false, 51.5},
    {"S513000", false, -51.5},
    {"N000001", false, 1.0 / 3600},
    {"N900000", false, 90.0},
    {"  N 51~30.5  ", false, 51 + 30.5 / 60},
    {"N 51#30.5", false, 51 + 30.5 / 60},
    {"N 51\xB0" "30.500", false, 51 + 30.5 / 60},
    {"N51~30.5", false, 51 + 30.5 / 60},
    {"N\t5~0.25", false, 5 + 0.25 / 60},
    {"N 90~00.0", false, 90.0},
    {"S 00~00.0", false, 0.0},
    {"W0012000", true, -(1 + 20.0 / 60)},
    {"E1795959", true, 179 + 59.0 / 60 + 59.0 / 3600},
    {"W1800000", true, -180.0},
    {"W 180~00.000", true, -180.0},
    {"E 5~59.999", true, 5 + 59.999 / 60},
    {"W 001\xB0" "27.678", true, -(1 + 27.678 / 60)},
};

TEST(CoordinateParse, AcceptedNotations) {
    for (const AcceptCase& c : kAccepted) {
        const Parsed p = Parse(c.text, c.isLongitude);
        EXPECT_EQ(p.error, 0) << c.text;
        EXPECT_EQ(p.angle, DegreesToCircle(c.degrees, 32)) << c.text;
    }
}

struct RejectCase {
    const char* text;
    bool isLongitude;
};

const RejectCase kRejected[] = {
    {"", false},           {"   ", false},         {"X513000", false},    {"E513000", false},
    {"N0012000", true},    {"n 51~30.5", false},   {"N5130000", false},  // seven digits for a latitude
    {"N51300", false},     {"N51300A", false},     {"N 513000", false},   {"N516000", false},
    {"N513060", false},    {"N910000", false},     {"N900100", false},    {"N 90~0.5", false},
    {"E1800000", true},    {"W1800001", true},     {"E1810000", true},    {"E 180~00.0", true},
    {"W12000000", true},   {"N 51~30", false},     {"N 51~.5", false},    {"N 51~30.", false},
    {"N 51~60.0", false},  {"N -5~30.5", false},   {"N 51~3x4.5", false}, {"N 51 ~30.5", false},
    {"N 51~ 30.5", false}, {"N 51,30.5", false},   {"N 91~00.0", false},
};

TEST(CoordinateParse, RejectedTextsSetTheErrorCode) {
    for (const RejectCase& c : kRejected) {
        EXPECT_EQ(Parse(c.text, c.isLongitude).error, kCoordinateParseError) << c.text;
    }
}

TEST(CoordinateParse, SignificantBitsRoundTheResult) {
    EXPECT_EQ(Parse("N 51~30.0", false, 26).angle, 0x249F49C0);
    EXPECT_EQ(Parse("N 51~30.0", false, 25).angle, 0x249F4A00);
    EXPECT_EQ(Parse("S 51~30.0", false, 21).angle, static_cast<int32_t>(0xDB60B800));
}

TEST(CoordinateParse, ReturnsThePositionAfterTheCoordinate) {
    char line[] = "N513000 W0012000 rest";
    CoordinateParseStatus status;
    int32_t lat = 0;
    int32_t lon = 0;
    char* next = ParseCoordinate(line, &lat, 26, false, status);
    EXPECT_STREQ(next, " W0012000 rest");
    next = ParseCoordinate(next, &lon, 26, true, status);
    EXPECT_STREQ(next, " rest");
    EXPECT_EQ(status.error, 0);
    EXPECT_EQ(lat, DegreesToCircle(51.5, 26));
    EXPECT_EQ(lon, DegreesToCircle(-(1 + 20.0 / 60), 26));

    EXPECT_EQ(Parse("N 51~30.25 x", false).rest, " x");
}

TEST(CoordinateParse, MarksOfBothCoordinatesOnOneLine) {
    char line[] = "N 51\xB0" "30.5 W 001#20.25";
    CoordinateParseStatus status;
    int32_t lat = 0;
    int32_t lon = 0;
    char* next = ParseCoordinate(line, &lat, 32, false, status);
    ParseCoordinate(next, &lon, 32, true, status);
    EXPECT_EQ(status.error, 0);
    EXPECT_EQ(lat, DegreesToCircle(51 + 30.5 / 60, 32));
    EXPECT_EQ(lon, DegreesToCircle(-(1 + 20.25 / 60), 32));
    EXPECT_STREQ(line, "N 51~30.5 W 001~20.25");  // the marks read become '~'
}

TEST(CoordinateParse, TheTextIsCutAfterItsLastCharacter) {
    EXPECT_EQ(Parse("N 51#30.5   ", false).text, "N 51~30.5");
}

TEST(CoordinateParse, FarLongitudeFlag) {
    EXPECT_TRUE(Parse("W1510000", true).farLongitude);
    EXPECT_TRUE(Parse("E 150~00.1", true).farLongitude);
    EXPECT_FALSE(Parse("W1500000", true).farLongitude);
}

TEST(CoordinateParse, SharedStatusStaysSetUntilTheCallerClearsIt) {
    CoordinateParseStatus& status = SharedCoordinateStatus();
    status.Clear();
    int32_t angle = 0;
    char bad[] = "N 99~00.0";
    ParseCoordinate(bad, &angle, 26, false);
    EXPECT_EQ(status.error, kCoordinateParseError);
    char good[] = "N 50~00.0";
    ParseCoordinate(good, &angle, 26, false);
    EXPECT_EQ(status.error, kCoordinateParseError);
    EXPECT_EQ(angle, DegreesToCircle(50.0, 26));
    status.Clear();
    EXPECT_EQ(status.error, 0);
    EXPECT_FALSE(status.farLongitude);
}

TEST(CoordinateParse, FailedParseStillWritesADefinedValue) {
    EXPECT_EQ(Parse("", false).angle, 0);
    EXPECT_EQ(Parse("Q", false).angle, 0);
    EXPECT_EQ(Parse("N 51~", false).angle, DegreesToCircle(51.0, 32));
}

// Formatting in notations 1 and 3 and parsing the text back gives the same text again.
TEST(CoordinateParse, RoundTripThroughTheNotations) {
    uint32_t seed = 12345;
    for (int i = 0; i < 2000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const bool isLongitude = (i & 1) != 0;
        const uint32_t range = isLongitude ? 0xFFFFFFFFu : 0x80000000u;
        int32_t angle = static_cast<int32_t>(seed % range);
        if (!isLongitude) angle -= 0x40000000;
        for (int notation : {kNotationDecimalMinutes, kNotationCompact}) {
            for (int bits : {25, 26}) {
                char first[kCoordinateTextSize];
                FormatCoordinate(first, angle, isLongitude, notation);
                const Parsed p = Parse(first, isLongitude, bits);
                ASSERT_EQ(p.error, 0) << first;
                char second[kCoordinateTextSize];
                FormatCoordinate(second, p.angle, isLongitude, notation);
                ASSERT_STREQ(second, first) << std::hex << angle;
            }
        }
    }
}

}  // namespace
