// Position field, ident code and buckets, name pointers and the four record layouts.
#include <gtest/gtest.h>

#include <cstring>

#include "common/Bits.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/Image.h"
#include "gen/image/NamePointer.h"
#include "gen/image/PositionField.h"
#include "gen/image/RecordCoder.h"
#include "gen/image/SerialMap.h"

namespace {

constexpr int32_t kDegree = 11930465;  // 2^32 / 360, truncated

TEST(PositionField, RoundTripKeepsTopBits) {
    const int32_t cases[][2] = {
        {0, 0},
        {0x12345678, 0x12345678},
        {-0x12345678, -0x76543210},
        {0x3FFFF800, 0x7FFFF800},
        {-0x40000000, INT32_MIN},
    };
    for (const auto& c : cases) {
        uint8_t rec[6] = {0, 0, 0, 0, 0, 0xFE};
        EncodePosition(rec, c[0], c[1]);
        EXPECT_EQ(rec[5] & 0xFE, 0xFE);  // other bits of byte 5 kept
        int32_t lat = 0, lon = 0;
        DecodePosition(rec, &lat, &lon);
        EXPECT_EQ(lat, c[0] & ~0x7FF) << std::hex << c[0];
        EXPECT_EQ(lon, c[1] & ~0x7FF) << std::hex << c[1];
    }
}

TEST(PositionField, NorthPoleDoesNotWrapToTheSouthPole) {
    uint8_t rec[6] = {};
    EncodePosition(rec, 0x40000000, 0);  // +90 degrees
    int32_t lat = 0, lon = 0;
    DecodePosition(rec, &lat, &lon);
    EXPECT_EQ(lat, kMaxFieldLatitude);
    EXPECT_GT(lat, 89 * kDegree);
}

TEST(PositionField, GridBoxesTruncateTowardZero) {
    // 0 and -1.9 degrees share a row; so do +1.9 degrees.
    const int32_t row0 = GridBox(0, 0) / 180;
    EXPECT_EQ(GridBox(static_cast<int32_t>(-1.9 * kDegree), 0) / 180, row0);
    EXPECT_EQ(GridBox(static_cast<int32_t>(1.9 * kDegree), 0) / 180, row0);
    EXPECT_EQ(GridBox(0, 0), 8190);
    EXPECT_EQ(GridBox(kGridBoxSize, kGridBoxSize), 8190 + 181);
    EXPECT_EQ(GridBox(kMaxFieldLatitude, INT32_MAX & ~0x7FF), 16199);
    EXPECT_EQ(GridBox(kMinFieldLatitude, INT32_MIN), 181);
    // Corner of cell 8190 / 5 = 1638: row 45, group 18: the origin.
    uint8_t corner[5];
    EncodeCellCorner(1638, corner);
    for (uint8_t b : corner) EXPECT_EQ(b, 0);
    EncodeCellCorner(46 * 36 + 19, corner);  // one row north, one group east
    EXPECT_EQ(GetU16(corner), 0x071Du);
    EXPECT_EQ(GetU16(corner + 2), 0x02D8u);
    EXPECT_EQ(corner[4], (0x71D4000u >> 14 & 3) | (0x2D88000u >> 15 & 1) << 2);
}

TEST(IdentCoder, BucketsOfIdents) {
    const SectionParams& apt = ImageParams496.sections[kSectionApt];
    const struct {
        const char* ident;
        uint32_t bucket;
    } cases[] = {
        {"KJFK", 4 * 10 + 0}, {"KPAO", 4 * 10 + 1}, {"K1G4", 4 * 10 + 2}, {"K", 4 * 10 + 0},
        {"AA", 0},            {"ZZZZ", 4 * 25 + 1}, {"0A", 124},         {"99", 4 * 40 + 2},
    };
    for (const auto& c : cases) {
        uint32_t bucket = 0;
        ASSERT_TRUE(IdentBucket(apt, ImageIdent(c.ident), &bucket).ok()) << c.ident;
        EXPECT_EQ(bucket, c.bucket) << c.ident;
    }
    uint32_t bucket = 0;
    for (const char* bad : {" ABC", "-AB", ""}) {
        const ImageResult r = IdentBucket(apt, ImageIdent(bad), &bucket);
        EXPECT_EQ(r.code, ImageCode::DataError) << bad;
        EXPECT_EQ(r.text.rfind("unknown icao ident char", 0), 0u) << r.text;
    }
}

// Idents of images made elsewhere may use every code: 1-31 list as code + 64, 32-47 as code + 16,
// 48 and above as code - 16; the bucket's group (0-3) gives the second character's top two bits.
TEST(IdentCoder, UnpackListsEveryCodeAndBucketGroup) {
    const struct {
        uint32_t bucket;
        uint32_t low4;   // stored bits of the second character
        uint32_t third;  // code of the third character
        const char* tail;
    } cases[] = {
        {0, 1, 26, "AZ"},   {1, 11, 27, "[["}, {1, 15, 31, "__"}, {2, 10, 42, "::"},
        {2, 15, 47, "??"},  {3, 0, 48, "  "},  {3, 1, 49, "!!"},  {3, 15, 63, "//"},
        {6, 4, 4, "4D"},   {163, 3, 51, "##"},
    };
    for (const auto& c : cases) {
        uint8_t ndb[16] = {};
        PutU16(ndb + 5, static_cast<uint16_t>((c.low4 << 6 | c.third) << 6));
        EXPECT_EQ(UnpackIdentTail(ImageParams496.sections[kSectionNdb], ndb, c.bucket), c.tail) << c.bucket;
    }
}

TEST(IdentCoder, ImageIdentIsSevenCharactersWithDigitsRestored) {
    struct Case {
        const char* stored;
        const char* ident;
    } cases[] = {
        {"KJFK", "KJFK   "},
        {"", "       "},
        {"Kpy", "K09    "},                 // digits as the database stores them
        {"ABCDEFGH", "ABCDEFG"},            // a full 8-character field: cut to 7
        {"ABCDEFG\0X", "ABCDEFG"},
        {"AB\0CD", "AB     "},              // the text ends at its NUL
    };
    for (const Case& c : cases) {
        const std::string ident = ImageIdent(c.stored);
        EXPECT_EQ(ident, c.ident) << c.stored;
        EXPECT_EQ(ident.size(), 7u);
    }
}

TEST(IdentCoder, CodeBitsPerSection) {
    // KJFK: 'J' low bits 1010, 'F' 000110, 'K' 001011 in the u16 at bytes 10-11.
    uint8_t apt[19] = {};
    ASSERT_TRUE(PackIdentCode(ImageParams496.sections[kSectionApt], ImageIdent("KJFK"), apt).ok());
    EXPECT_EQ(GetU16(apt + 10), 0xA18Bu);
    EXPECT_EQ(UnpackIdentTail(ImageParams496.sections[kSectionApt], apt, 40), "JFK");
    // INT: 22 bits at the top of the u24 at bytes 5-7; bits 0-1 of byte 5 are kept.
    uint8_t in[9] = {0, 0, 0, 0, 0, 0x03, 0, 0, 0};
    ASSERT_TRUE(PackIdentCode(ImageParams496.sections[kSectionInt], ImageIdent("ABCDE"), in).ok());
    const uint32_t expectInt = ((2u & 15) << 18 | 3u << 12 | 4u << 6 | 5u) << 2 | 3;
    EXPECT_EQ(GetU24(in + 5), expectInt);
    // NDB with a digit stored as a letter ('p' is 0): 10 bits at the top of bytes 5-6.
    uint8_t ndb[16] = {};
    ndb[5] = 0x3F;
    const char stored[8] = {'A', 'p', 'Z', 0, 0, 0, 0, 0};
    ASSERT_TRUE(PackIdentCode(ImageParams496.sections[kSectionNdb], ImageIdent(stored), ndb).ok());
    EXPECT_EQ(GetU16(ndb + 5), ((32u & 15) << 6 | 26u) << 6 | 0x3F);
    EXPECT_EQ(UnpackIdentTail(ImageParams496.sections[kSectionNdb], ndb, 2), "0Z");
    // A character the code cannot hold is an error naming the record.
    const ImageResult r = PackIdentCode(ImageParams496.sections[kSectionVor], ImageIdent("A-B"), ndb);
    EXPECT_EQ(r.code, ImageCode::DataError);
    EXPECT_NE(r.text.find("VOR \"A-B\""), std::string::npos) << r.text;
}

TEST(IdentCoder, BucketTableKeepsTheFirstRecordOfEachGroup) {
    IdentBuckets buckets;
    const SectionParams& s = ImageParams496.sections[kSectionVor];
    const char* idents[] = {"ABC", "ADE", "APQ", "BAA", "B1C"};
    for (uint32_t i = 0; i < 5; ++i) ASSERT_TRUE(buckets.Set(s, ImageIdent(idents[i]), i).ok());
    EXPECT_EQ(buckets.Entry(0), 0);
    EXPECT_EQ(buckets.Entry(1), 2);
    EXPECT_EQ(buckets.Entry(4), 3);
    EXPECT_EQ(buckets.Entry(6), 4);
    EXPECT_EQ(buckets.Entry(2), 0xFFFF);
}

TEST(NamePointer, PlacesAndAbsentValuesPerFamily) {
    struct Case {
        const ImageParams* params;
        int section;
        NameField field;
        uint32_t lowByte;
        uint32_t highBit;
        uint32_t startBit;
        uint32_t absentStart;
    };
    const Case cases[] = {
        {&ImageParams496, kSectionApt, NameField::Facility, 12, 132, 66, 0},
        {&ImageParams496, kSectionApt, NameField::City, 14, 128, 69, 0},
        {&ImageParams496, kSectionNdb, NameField::City, 12, 124, 115, 7},
        {&ImageParams496, kSectionVor, NameField::Facility, 8, 128, 42, 7},
        {&ImageParamsIIIPilot, kSectionApt, NameField::Facility, 12, 58, 66, 0},
        {&ImageParams195, kSectionNdb, NameField::City, 12, 118, 115, 7},
        {&ImageParams195, kSectionVor, NameField::City, 10, 102, 99, 7},
    };
    for (const Case& c : cases) {
        const ImageParams& p = *c.params;
        const SectionParams& s = p.sections[c.section];
        const uint32_t highBits = p.nameOffsetBits - 16;
        uint8_t rec[20] = {};
        const uint32_t bit = 0x2ABCD * 8 + 5;  // offset 0x2ABCD, start value 2
        ASSERT_TRUE(PutNamePointer(p, s, c.field, NamePosition::At(bit), rec, "X").ok());
        EXPECT_EQ(GetU16(rec + c.lowByte), 0xABCDu);
        EXPECT_EQ(GetBits(c.highBit, highBits, rec), 2u);
        EXPECT_EQ(GetBits(c.startBit, 3, rec), 2u);
        NamePosition back = GetNamePointer(p, s, c.field, rec);
        EXPECT_FALSE(back.absent);
        EXPECT_EQ(back.bit, bit);

        ASSERT_TRUE(PutNamePointer(p, s, c.field, NamePosition::Absent(), rec, "X").ok());
        EXPECT_EQ(GetU16(rec + c.lowByte), 0xFFFFu);
        EXPECT_EQ(GetBits(c.highBit, highBits, rec), (1u << highBits) - 1);
        EXPECT_EQ(GetBits(c.startBit, 3, rec), c.absentStart);
        EXPECT_TRUE(GetNamePointer(p, s, c.field, rec).absent);

        // A name beyond the pointer's reach is an error naming the record and the limit.
        const ImageResult r =
            PutNamePointer(p, s, c.field, NamePosition::At(p.NameOffsetAbsent() * 8), rec, "KXYZ   ");
        EXPECT_EQ(r.code, ImageCode::DataError);
        EXPECT_NE(r.text.find(" \"KXYZ\": "), std::string::npos);
        EXPECT_NE(r.text.find("limit"), std::string::npos);
    }
}

TEST(NameMap, AbsentNumbersAndMissingNames) {
    NameMap names;
    names.Add(7, 0);
    names.Add(3, 40);
    NamePosition pos;
    ASSERT_TRUE(names.Find(3, &pos).ok());
    EXPECT_EQ(pos.bit, 40u);
    ASSERT_TRUE(names.Find(7, &pos).ok());
    EXPECT_FALSE(pos.absent);
    for (int32_t absent : {-1, -5, 65535}) {
        ASSERT_TRUE(names.Find(absent, &pos).ok());
        EXPECT_TRUE(pos.absent);
    }
    const ImageResult r = names.Find(9, &pos);
    EXPECT_EQ(r.code, ImageCode::InternalError);
    EXPECT_EQ(r.text, "Program error: cannot find name sno 9");
    names.SetFirstNameAbsent(true);
    ASSERT_TRUE(names.Find(7, &pos).ok());
    EXPECT_TRUE(pos.absent);
}

TEST(RecordCoder, VorFrequencyCodes) {
    const struct {
        int32_t vfreq;
        int code;  // -1: does not fit
    } cases[] = {{10800, 0}, {10805, 1}, {11795, 199}, {11290, 98}, {12075, 255}, {12080, -1}, {10795, -1}};
    for (const auto& c : cases) {
        uint8_t code = 0;
        const bool fits = VorFrequencyCode(c.vfreq, &code);
        EXPECT_EQ(fits, c.code >= 0) << c.vfreq;
        if (fits) {
            EXPECT_EQ(code, c.code) << c.vfreq;
        }
    }
}

TEST(RecordCoder, ElevationCodes) {
    const int32_t cases[][2] = {{0, 500}, {14, 501}, {15, 502}, {-14, 499}, {-15, 499}, {13000, 1800},
                                {40000, 4095}, {-6000, 0}};
    for (const auto& c : cases) EXPECT_EQ(ElevationCode(c[0]), static_cast<uint32_t>(c[1])) << c[0];
}

TEST(RecordCoder, AptRecordFields496And195) {
    AptRecordInput in;
    in.ident = ImageIdent("KJFK");
    in.lat = 0x1D000000;
    in.lon = -0x34000000;
    in.countryIndex = 7;
    in.facility = NamePosition::At(0x12345 * 8 + 1);  // start value 6
    in.city = NamePosition::Absent();
    in.afuel = 0x1FF;
    in.aheight = 13;
    in.detailValue = 0x5ABCD;
    in.detailIsOffset = true;

    uint8_t r[19];
    ASSERT_TRUE(EncodeAptRecord(ImageParams496, in, r).ok());
    EXPECT_EQ(r[5] & 0x1E, 0x1E);           // afuel bits 1-4
    EXPECT_EQ(r[5] >> 5, 5);                 // rwy/com/appr bits 16-18
    EXPECT_EQ(r[6], (501 & 0xFF));           // elevation code 501
    EXPECT_EQ(r[7], 501 >> 8);
    EXPECT_EQ((r[8] >> 3) & 7, 6);           // facility start value
    EXPECT_EQ(r[8] & 7, 0);                  // absent city: start 0 in APT records
    EXPECT_EQ(r[8] & 0xC0, 0xC0);            // afuel bit 8, offset flag
    EXPECT_EQ(r[9], 7);
    EXPECT_EQ(GetU16(r + 10), 0xA18Bu);
    EXPECT_EQ(GetU16(r + 12), 0x2345u);
    EXPECT_EQ(GetU16(r + 14), 0xFFFFu);
    EXPECT_EQ(r[16], 0xF1);                  // city high nibble F, facility high nibble 1
    EXPECT_EQ(GetU16(r + 17), 0xABCDu);

    uint8_t n[18];
    in.facility = NamePosition::At(0x12345 * 8 + 1);
    ASSERT_TRUE(EncodeAptRecord(ImageParams195, in, n).ok());
    EXPECT_EQ(n[7], (3 << 6) | (1 << 4) | (501 >> 8));  // city and facility high bits, elevation
    EXPECT_EQ(GetU16(n + 16), 0xABCDu);

    // A rwy/com/appr offset beyond 19 bits does not fit.
    in.detailValue = 0x80000;
    const ImageResult big = EncodeAptRecord(ImageParams496, in, r);
    EXPECT_EQ(big.code, ImageCode::DataError);
    EXPECT_NE(big.text.find("KJFK"), std::string::npos);
    // Nor does a country index beyond a byte.
    in.detailValue = 0;
    in.countryIndex = 256;
    EXPECT_EQ(EncodeAptRecord(ImageParams496, in, r).code, ImageCode::DataError);
}

TEST(RecordCoder, NavaidAndIntersectionFlags) {
    NdbRecordInput ndb;
    ndb.ident = ImageIdent("AB");
    ndb.bfreq = 3625;
    ndb.bcompat = 0xF;
    ndb.facility = NamePosition::Absent();
    ndb.city = NamePosition::At(8 * 3 + 7);  // offset 3, start value 0
    uint8_t b[16];
    ASSERT_TRUE(EncodeNdbRecord(ImageParams496, ndb, b).ok());
    EXPECT_EQ(b[5] & 0x06, 0x06);                    // bcompat bits 1 and 3
    EXPECT_EQ((b[5] >> 3) & 7, 7);                   // absent facility: start 7
    EXPECT_EQ(GetU16(b + 8), 3625u | 0x8000u);       // bcompat bit 2 in bit 15
    EXPECT_EQ(b[14] & 0x20, 0x20);                   // bcompat bit 0
    EXPECT_EQ((b[14] >> 2) & 7, 0);                  // city start value
    EXPECT_EQ(GetU16(b + 12), 3u);
    EXPECT_EQ(b[15], 0xF0);                          // facility high F, city high 0
    ndb.bfreq = 0x8000;
    EXPECT_EQ(EncodeNdbRecord(ImageParams496, ndb, b).code, ImageCode::DataError);

    VorRecordInput vor;
    vor.ident = ImageIdent("BOS");
    vor.vfreq = 11290;
    vor.vdme = 0x123407;
    uint8_t v[17];
    ASSERT_TRUE(EncodeVorRecord(ImageParams496, vor, v).ok());
    EXPECT_EQ(v[5] & 6, 6);
    EXPECT_EQ(v[12] & 0x20, 0x20);
    EXPECT_EQ(v[13], 98);
    EXPECT_EQ(v[14], 0x12);
    EXPECT_EQ(v[15], 0x34);
    vor.vfreq = 13000;
    const ImageResult r = EncodeVorRecord(ImageParams496, vor, v);
    EXPECT_EQ(r.code, ImageCode::DataError);
    EXPECT_NE(r.text.find("BOS"), std::string::npos);

    IntRecordInput in;
    in.ident = ImageIdent("ALPHA");
    in.icompat = 2;
    in.countryIndex = 200;
    uint8_t i[9];
    ASSERT_TRUE(EncodeIntRecord(ImageParams496, in, i).ok());
    EXPECT_EQ(i[5] & 2, 2);
    EXPECT_EQ(i[8], 200);
}

TEST(SerialMap, LookupsAndTheirErrors) {
    SerialMap map;
    for (int32_t s : {40, 7, 19}) map.Add(s);
    uint32_t n = 0;
    ASSERT_TRUE(FindRecordNumber(map, "VOR", 19, &n).ok());
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(FindRecordNumber(map, "VOR", 5, &n).text, "Program error: cannot find VOR sno 5");
    EXPECT_EQ(FindCountryIndex(map, 6, &n).text, "Program error: cannot find country sno 6");
    // Serials become record numbers; the markers for an unknown airport and for none stay.
    struct Case {
        int32_t asno;
        uint32_t noAirport;
        uint32_t want;
    };
    const Case cases[] = {{7, 0xFFFF, 1}, {8, 0xFFFF, 65535}, {65535, 0xFFFF, 65535}, {32768, 0xFFFF, 65535},
                          {7, 32768, 1}, {8, 32768, 65535}, {65535, 32768, 65535}, {32768, 32768, 32768}};
    for (const Case& c : cases) {
        EXPECT_EQ(SuaAirportRecordNumber(map, c.asno, c.noAirport), c.want) << c.asno << " " << c.noAirport;
    }
}

// Serials of any value, small or far apart, negative or repeated: each keeps its first position.
TEST(SerialMap, SerialsOfEveryRangeKeepTheirFirstPosition) {
    SerialMap map;
    map.Reserve(4);
    const int32_t serials[] = {3, 0, -5, 2000000000, 1 << 21, (1 << 21) - 1, 3, 5000, -5};
    for (int32_t s : serials) map.Add(s);
    EXPECT_EQ(map.Count(), 9u);
    const struct {
        int32_t serial;
        bool found;
        uint32_t position;
    } cases[] = {{3, true, 0},       {0, true, 1},   {-5, true, 2},    {2000000000, true, 3}, {1 << 21, true, 4},
                 {(1 << 21) - 1, true, 5}, {5000, true, 7}, {1, false, 0}, {4999, false, 0},    {-1, false, 0},
                 {2000000001, false, 0}};
    for (const auto& c : cases) {
        uint32_t n = 99;
        EXPECT_EQ(map.Find(c.serial, &n), c.found) << c.serial;
        if (c.found) {
            EXPECT_EQ(n, c.position) << c.serial;
        }
    }
    EXPECT_EQ(map.At(6), 3);
}

}  // namespace
