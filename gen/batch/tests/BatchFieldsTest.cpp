// Decoders of single batch fields that need no database.
#include <gtest/gtest.h>

#include "common/Angle.h"
#include "gen/batch/BatchFields.h"
#include "gen/image/RunwayPicture.h"

namespace {

BatchLine Line(const std::string& text) {
    BatchLine line;
    EXPECT_TRUE(PrepareBatchLine(text, line));
    return line;
}

TEST(BatchFields, RunwayDesignator) {
    struct Case {
        const char* text;
        int result;
        int32_t code;
    };
    const Case cases[] = {
        {"09", 0, 9},
        {"09-27", 0, 9},                          // the reciprocal is implied
        {"09L", 0, 9 | 64},
        {"09L-27R", 0, (9 | 64 | 128) + (9 << 8)},  // the letter makes the code differ from 9
        {"27L", 0, 9 | 96},                       // folds to 9 with the letters swapped
        {"27R", 0, 9 | 64},
        {"18C", 0, 18 | 32},
        {"36", 0, 18},
        {"00", 0, 0},
        {"..", 0, 0},
        {"..-..", 0, 0},
        {"04-23", 0, 4 | 128 | (5 << 8)},         // an odd pair keeps its other end
        {"9", kBatchErrRwy, 0},
        {"X9", kBatchErrRwy, 0},
        {"37", kBatchErrRwy, 0},
        {"123456789", kBatchErrRwy, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int32_t code = -1;
        EXPECT_EQ(ParseRunwayDesignator(c.text, &code), c.result);
        if (c.result == 0) {
            EXPECT_EQ(code, c.code);
        }
    }
}

TEST(BatchFields, RunwaySurfaceLightingAndSize) {
    RunwayFields f;
    ASSERT_EQ(ParseRunwayFields(Line("ADD|RWY|X|XX|2500x45|09|Gravel|PT LTS|0"), 0, 0, &f), 0);
    EXPECT_EQ(f.length, 2500);
    EXPECT_EQ(f.width, 45);
    EXPECT_EQ(f.rsl, 3 + 4 * 8);
    ASSERT_EQ(ParseRunwayFields(Line("ADD|RWY|X|XX|1800|09|water|ft lts|0"), 0, 0, &f), 0);
    EXPECT_EQ(f.width, 0);
    EXPECT_EQ(f.rsl, 7 + 6 * 8);
    EXPECT_EQ(ParseRunwayFields(Line("ADD|RWY|X|XX|1800|09|tarmac|ft lts|0"), 0, 0, &f), kBatchErrSfc);
    EXPECT_EQ(ParseRunwayFields(Line("ADD|RWY|X|XX|1800|09|hard|unkn1|0"), 0, 0, &f), kBatchErrLit);
}

TEST(BatchFields, RunwayPictureForms) {
    using P = RunwayFields::Picture;
    struct Case {
        const char* field;
        int result;
        P picture;
        int32_t marker, rflags, rpicst, rpic, rnpic, rnpic2;
        bool rsl64;
    };
    const Case cases[] = {
        {"0", 0, P::Cleared, 0, -1, 0, 0, 0, 0, false},
        {"<L-R> 0", 0, P::Cleared, 1, -1, 0, 0, 0, 0, false},
        {"<R-L>", 0, P::None, 2, 0, 0, 0, 0, 0, false},
        {"1f 0123 89abcdef", 0, P::Words, 0, 0x1f, 0x123, static_cast<int32_t>(0x89abcdef), 0, 0, true},
        {"ff 0000 00000000", 0, P::Words, 0, -1, 0, 0, 0, 0, false},  // "ff": no bearing
        {"ff 1234 80000080", 0, P::Words, 0, -1, 0x1234, static_cast<int32_t>(0x80000080), 0, 0, true},
        {"<L-L> 05 00100020 ffe0fff0", 0, P::Ends, 3, 5, -1, -1, 0x00100020, static_cast<int32_t>(0xffe0fff0), true},
        {"<L-R 0", kBatchBadPicture, P::None, 0, 0, 0, 0, 0, 0, false},
        {"1f 012 89abcdef", kBatchBadPicture, P::None, 0, 0, 0, 0, 0, 0, false},
        {"1g 0123 89abcdef", kBatchBadPicture, P::None, 0, 0, 0, 0, 0, 0, false},
        {"PICTURE", kBatchBadPicture, P::None, 0, 0, 0, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        RunwayFields f;
        ASSERT_EQ(ParseRunwayFields(Line(std::string("ADD|RWY|X|XX|1800|09|hard|no lts|") + c.field), 0, 0, &f),
                  c.result);
        if (c.result != 0) continue;
        EXPECT_EQ(f.picture, c.picture);
        EXPECT_EQ(f.marker, c.marker);
        if (c.picture == P::None) continue;
        EXPECT_EQ(f.rflags, c.rflags);
        if (c.picture == P::Ends) {
            RunwayPicture p = PackRunwayPicture(c.marker, c.rnpic, c.rnpic2);
            EXPECT_EQ(f.rpicst, p.start);
            EXPECT_EQ(f.rpic, static_cast<int32_t>(p.picture));
        } else {
            EXPECT_EQ(f.rpicst, c.rpicst);
            EXPECT_EQ(f.rpic, c.rpic);
        }
        EXPECT_EQ(f.rnpic, c.rnpic);
        EXPECT_EQ(f.rnpic2, c.rnpic2);
        EXPECT_EQ((f.rsl & 64) != 0, c.rsl64);
    }
}

TEST(BatchFields, RunwayEndsFromPositions) {
    // The airport at N 50 E 8; the ends 0.01 degree south-west and north-east of it.
    const int32_t lat = DegreesToCircle(50.0, 21);
    const int32_t lon = DegreesToCircle(8.0, 21);
    const std::string line = "ADD|RWY|X|XX|9000|07|hard|ft lts|<L-R> 1|N 49~59.400|E 007~59.400|N 50~00.600|E 008~00.600";
    RunwayFields f;
    ASSERT_EQ(ParseRunwayFields(Line(line), lat, lon, &f), 0);
    EXPECT_EQ(f.picture, RunwayFields::Picture::Ends);
    EXPECT_EQ(f.rflags, 1);
    const int32_t south = DegreesToCircle(49.99, 21);
    const int32_t west = DegreesToCircle(7.99, 21);
    EXPECT_EQ(f.rnpic, static_cast<int32_t>((static_cast<uint32_t>((lat - south) >> 7) << 16) |
                                            (static_cast<uint32_t>((lon - west) >> 7) & 0xFFFF)));
    EXPECT_EQ(f.rnpic2 >> 16, (lat - DegreesToCircle(50.01, 21)) >> 7);  // negative: north of the airport
    EXPECT_NE(f.rsl & 64, 0);

    RunwayFields g;
    EXPECT_EQ(ParseRunwayFields(Line("ADD|RWY|X|XX|9000|07|hard|ft lts|1|N 99~00.000|E 007~59.400|N 1~0.0|E 1~0.0"),
                                lat, lon, &g),
              kBatchErrLat);
    EXPECT_EQ(ParseRunwayFields(Line("ADD|RWY|X|XX|9000|07|hard|ft lts|1|N 9~00.000|E 007~99.400|N 1~0.0|E 1~0.0"),
                                lat, lon, &g),
              kBatchErrLng);
    EXPECT_EQ(ParseRunwayFields(Line("ADD|RWY|X|XX|9000|07|hard|ft lts|XY|N 9~00.000|E 007~9.400|N 1~0.0|E 1~0.0"),
                                lat, lon, &g),
              kBatchBadPicture);
}

TEST(BatchFields, Positions) {
    int32_t v = 0;
    EXPECT_EQ(ParseBatchPosition("N 51~30.000", &v, false, kBatchApt), 0);
    EXPECT_EQ(v, DegreesToCircle(51.5, 21));
    EXPECT_EQ(ParseBatchPosition("W0001000", &v, true, kBatchUsr), 0);
    EXPECT_EQ(v, -DegreesToCircle(10.0 / 60, 26));
    EXPECT_EQ(ParseBatchPosition("N 51\xB0" "30.000", &v, false, kBatchApt), 0);
    EXPECT_EQ(ParseBatchPosition("E 51~30.000", &v, false, kBatchApt), kBatchErrLat);
    EXPECT_EQ(ParseBatchPosition("N 51~30.000", &v, true, kBatchApt), kBatchErrLng);
    // Wider than the type's field: refused, not read.
    EXPECT_EQ(ParseBatchPosition("N 51~30.00000000000000", &v, false, kBatchApt), kBatchErrLat);
    EXPECT_EQ(ParseBatchPosition("N 51~30.00000000000000", &v, false, kBatchUsr), 0);
    EXPECT_EQ(ParseBatchPosition(std::string(200, 'N'), &v, false, kBatchUsr), kBatchErrLat);
}

TEST(BatchFields, CountryIds) {
    struct Case {
        const char* text;
        const char* id;
        bool canAdd;
    };
    const Case cases[] = {
        {"US", "US", false},
        {"US-UNITED STATES", "US", true},
        {"US UNITED STATES", "US", true},
        {"K -USA", "K", true},  // the listing's form of a one-letter id: padded to two, '-', name
        {"K  USA", "K", true},
        {"K USA", "K", false},
        {" K-USA", "", false},
        {"  -USA", "", false},
        {"UNITED STATES-US", "US", false},  // the listing's form names an existing country only
        {"EL SALVADOR-SV", "SV", false},
        {"US-WASHINGTON-DC", "DC", false},  // would be added as US and never found again
        {"UNITEDSTATES", "UNIT", false},
        {"US-", "US", false},
        {"X", "X", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CountryIdOf(c.text), c.id);
        EXPECT_EQ(CanAddCountry(c.text), c.canAdd);
    }
}

TEST(BatchFields, IdentsAndNames) {
    EXPECT_EQ(FindBadIdentChar("KJFK", kBatchApt), 0);
    EXPECT_EQ(FindBadIdentChar("K1_[", kBatchApt), 0);
    EXPECT_EQ(FindBadIdentChar("WP-1", kBatchApt), '-');
    EXPECT_EQ(FindBadIdentChar("WP-1", kBatchUsr), 0);
    EXPECT_EQ(FindBadIdentChar("WP 1", kBatchUsr), ' ');
    EXPECT_EQ(FindBadIdentChar("AB{", kBatchInt), '{');
    EXPECT_EQ(BatchNameText(std::string(40, 'N')), std::string(31, 'N'));
    EXPECT_EQ(BatchNameText("PARIS  "), "PARIS");
    EXPECT_TRUE(IsUnsetName("<UNSET>"));
    EXPECT_TRUE(IsUnsetName("UNSET"));
    EXPECT_FALSE(IsUnsetName("UNSETTLED"));
}

TEST(BatchFields, FrequencyType) {
    struct Case {
        const char* line;
        int code;
    };
    const Case cases[] = {
        {"ADD|FRQ|A|B|ATIS|1", 0},
        {"ADD|FRQ|A|B|TRSA|1", 15},
        {"ADD|FRQ|A|B|CLS B|1", 11},
        {"ADD|FRQ|A|B|TOWER|1|M", 4 | 128},
        {"ADD|FRQ|A|B|TOWER|1|R:090-180", 4},
        {"ADD|FRQ|A|B|TOWER|1|M|R:090-180", 4 | 128},
        {"ADD|FRQ|A|B|TOWER|1|X", kBadFrequencyType},
        {"ADD|FRQ|A|B|TWR|1", kBadFrequencyType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ParseFrequencyType(Line(c.line)), c.code);
    }
}

TEST(BatchFields, Numbers) {
    int32_t v = 0;
    EXPECT_TRUE(ScaledDecimal("118.70", 100, &v));
    EXPECT_EQ(v, 11870);
    EXPECT_TRUE(ScaledDecimal("385.5", 10, &v));
    EXPECT_EQ(v, 3855);
    EXPECT_TRUE(ScaledDecimal("118.10*", 100, &v));
    EXPECT_EQ(v, 11810);
    EXPECT_FALSE(ScaledDecimal("ABC", 100, &v));
    EXPECT_FALSE(ScaledDecimal("1e30", 100, &v));
    EXPECT_EQ(LeadingInteger("2500X45"), 2500);
    EXPECT_EQ(LeadingInteger("-12'"), -12);
    EXPECT_EQ(LeadingInteger("99999999999999"), INT32_MAX);
    EXPECT_EQ(LeadingInteger("X"), 0);
}

}  // namespace
