#include <gtest/gtest.h>

#include <string>

#include "common/ApproachTitle.h"
#include "common/DateText.h"
#include "common/HeightRange.h"
#include "common/ListingTables.h"
#include "common/RawBytes.h"
#include "common/RunwayDesignator.h"

namespace {

TEST(ListingTables, LookupsStayInsideTheirTables) {
    EXPECT_STREQ(MonthAbbreviation(1), "JAN");
    EXPECT_STREQ(MonthAbbreviation(12), "DEC");
    EXPECT_STREQ(MonthAbbreviation(0), "???");
    EXPECT_STREQ(MonthAbbreviation(13), "???");
    EXPECT_STREQ(FrequencyTypeName(0), "ATIS");
    EXPECT_STREQ(FrequencyTypeName(15), "TRSA");
    EXPECT_STREQ(FrequencyTypeName(0x4A), "Arrivl");  // low 4 bits
    EXPECT_STREQ(RunwaySurfaceName(7), "water");
    EXPECT_STREQ(RunwaySurfaceName(9), "turf");
    EXPECT_STREQ(RunwayLightingName(2), "pc lts");
    EXPECT_STREQ(RunwayLightingName(-1), "unkn7");
    EXPECT_EQ(RunwayLetter(0), ' ');
    EXPECT_EQ(RunwayLetter(3), 'R');
    EXPECT_STREQ(NamedHeightLimit(233), "Surface");
    EXPECT_STREQ(NamedHeightLimit(238), "SeeChart");
    EXPECT_EQ(NamedHeightLimit(232), nullptr);
    EXPECT_EQ(NamedHeightLimit(239), nullptr);
}

TEST(DateText, DayMonthYear) {
    char text[32];
    const uint8_t date[] = {11, 5, 0xD6, 0x07};
    FormatDayMonYear(text, sizeof text, date);
    EXPECT_STREQ(text, "5.NOV.2006");
    const uint8_t badMonth[] = {13, 31, 0xFF, 0xFF};
    FormatDayMonYear(text, sizeof text, badMonth);
    EXPECT_STREQ(text, "31.???.65535");
}

struct RunwayCase {
    unsigned word;
    const char* forward;
    const char* reciprocal;
};

const RunwayCase kRunways[] = {
    {9, "09 ", "27 "},
    {9 | 2 << 5, "09L", "27R"},
    {9 | 3 << 5, "09R", "27L"},
    {18 | 1 << 5, "18C", "36C"},
    {0, " ..", ".."},
    {0x80 | 9 << 8 | 2 << 5, " ..", "27R"},  // the other end's number held in bits 8-12
    {0xFFFF, "31R", "49L"},
};

TEST(RunwayDesignator, BothEnds) {
    for (const RunwayCase& c : kRunways) {
        char text[kRunwayDesignatorSize];
        FormatRunwayDesignator(text, c.word, false);
        EXPECT_STREQ(text, c.forward) << std::hex << c.word;
        FormatRunwayDesignator(text, c.word, true);
        EXPECT_STREQ(text, c.reciprocal) << std::hex << c.word;
    }
}

struct HeightCase {
    uint8_t lower;
    uint8_t flags;
    uint8_t upper;
    const char* expected;
    int result;
};

const HeightCase kHeights[] = {
    {10, 0x00, 50, "1000 to 5000", 0},                // bit 1 of the lower byte set: 0
    {9, 0x00, 0xFF, "900 to 25500", 1},
    {233, 0x03, 237, "Surface to 23700", 1},          // named only with the high part 3
    {233, 0x0F, 237, "Surface to Unlimited", 1},
    {238, 0x03, 236, "SeeChart to 23600", 0},
    {20, 0x10 | 0x04, 0, "2000 AGL to 25600", 1},
    {5, 0x20, 120, "500 to 12000 AGL", 1},
    {232, 0x0F, 239, "100000 to 100700", 1},           // 3 * 256 + 232 is no named limit
};

TEST(HeightRange, LimitsNamesAndResult) {
    for (const HeightCase& c : kHeights) {
        char text[48] = "Hgt ";
        EXPECT_EQ(AppendHeightRange(text, sizeof text, c.lower, c.flags, c.upper, 0), c.result);
        EXPECT_EQ(std::string(text), std::string("Hgt ") + c.expected);
    }
    char text[16] = "x";
    EXPECT_EQ(AppendHeightRange(text, sizeof text, 10, 0, 50, -1), 1);
    EXPECT_STREQ(text, "x");
    AppendHeightRange(text, sizeof text, 233, 0x0F, 237, 0);
    EXPECT_STREQ(text, "xSurface to Unl");  // cut to the buffer
}

TEST(RawBytes, Groups) {
    char text[40];
    const uint8_t bytes[] = {0x12, 0xAB, 0x03, 0xFF};
    FormatRawBytes(text, sizeof text, bytes, 2, false);
    EXPECT_STREQ(text, "[12 ab]    ");
    FormatRawBytes(text, sizeof text, bytes, 3, true);
    EXPECT_STREQ(text, "[12 ab 03]*");
    FormatRawBytes(text, sizeof text, bytes, 4, false);
    EXPECT_STREQ(text, "[12 ab 03 ff] ");
    FormatRawBytes(text, 6, bytes, 4, false);
    EXPECT_STREQ(text, "[12 a");
}

struct TitleCase {
    const char* ident;
    const char* title;
};

const TitleCase kTitles[] = {
    {"I09R", "ILS RW09R"},     {"I09R ", "ILS RW09R"}, {"R27", "RNAV RW27"},   {"S123A", "VOR 123 A"},
    {"S123", "VOR 123  "},     {"B12L", "LOC BC RW12L"}, {"Z05", "SDF RW05"},  {"VORA", "VOR-A"},
    {"VORd", "VOR"},           {"CNDB", "NDB C-T-L"},  {"NDBb", "NDB b"},      {"NDB", "NDB "},
    {"GPSB", "GPS-B"},         {"I9", "unknown (I9)"}, {"XYZ", "unknown (XYZ)"}, {"A12", "unknown (A12)"},
    {"", "unknown ()"},
};

TEST(ApproachTitle, Titles) {
    for (const TitleCase& c : kTitles) {
        char text[64];
        ApproachTitleText(text, sizeof text, c.ident);
        EXPECT_STREQ(text, c.title) << c.ident;
    }
}

TEST(ApproachTitle, Lines) {
    char text[96];
    ApproachLineText(text, sizeof text, 6, "I09R ", false);
    EXPECT_STREQ(text, "ILS Approach: ILS RW09R");
    ApproachLineText(text, sizeof text, 7, "I09R ", true);
    EXPECT_STREQ(text, "ILS Approach: ILS RW09R (7/I09R )");
    ApproachLineText(text, sizeof text, 40, "VORA", false);
    EXPECT_STREQ(text, "TAC-A Approach: VOR-A");
    ApproachLineText(text, sizeof text, 0x29, "XYZ", false);
    EXPECT_STREQ(text, "Unknown Approach (type 29): unknown (XYZ)");
    EXPECT_STREQ(ApproachTypeName(35), "NDB/DME-A");
    EXPECT_STREQ(ApproachTypeName(41), "unknown");
    EXPECT_STREQ(ApproachTypeName(-2), "unknown");
}

}  // namespace
