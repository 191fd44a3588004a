// The older families' record coding over the 92/190 descriptors: buckets, ident bits, positions,
// country texts, name references, the VOR frequency byte and the elevation code.
#include <gtest/gtest.h>

#include <cstring>

#include "gen/image/CountryRecord.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/OlderModelCoding.h"

namespace {

const SectionParams& Section(int s) { return ImageParams92.sections[s]; }

TEST(OlderModelCoding, IdentBuckets) {
    struct Case {
        const char* ident;
        uint32_t bucket;
    } cases[] = {{"EGLL", 16}, {"KP07", 41}, {"1A", 128}, {"0A", 124}, {"LON", 44}, {"Z9", 102}, {"9Z", 161}};
    for (const Case& c : cases) {
        uint32_t bucket = 999;
        ASSERT_TRUE(OlderIdentBucket(Section(kSectionApt), c.ident, &bucket).ok()) << c.ident;
        EXPECT_EQ(bucket, c.bucket) << c.ident;
    }
    uint32_t bucket = 0;
    const ImageResult bad = OlderIdentBucket(Section(kSectionApt), "-AB", &bucket);
    EXPECT_FALSE(bad.ok());
    EXPECT_NE(bad.text.find("unknown icao ident char '-'"), std::string::npos);
}

// Each section keeps its own number of characters; the first two come partly from the bucket.
TEST(OlderModelCoding, IdentsRoundTripThroughBucketsAndRecordBits) {
    struct Case {
        int section;
        const char* ident;
        const char* back;
    } cases[] = {{kSectionApt, "KSEA", "KSEA"}, {kSectionApt, "S50", "S50"},    {kSectionApt, "WA1234", "WA12"},
                 {kSectionInt, "ALKIA", "ALKIA"}, {kSectionInt, "BLAKEE", "BLAKE"}, {kSectionNdb, "LON", "LON"},
                 {kSectionVor, "SEA", "SEA"},     {kSectionVor, "P9", "P9"},       {kSectionNdb, "Q", "Q"}};
    for (const Case& c : cases) {
        const SectionParams& s = Section(c.section);
        uint8_t record[32];
        std::memset(record, 0xA5, sizeof record);
        std::string ident = c.ident;
        ident.resize(7, ' ');
        ASSERT_TRUE(PackOlderIdent(s, ident, record).ok()) << c.ident;
        uint16_t buckets[kBucketCount];
        std::fill(buckets, buckets + kBucketCount, 0xFFFF);
        uint32_t bucket = 0;
        ASSERT_TRUE(OlderIdentBucket(s, ident, &bucket).ok());
        buckets[0] = 0;      // records before this one
        buckets[bucket] = 5;  // this record is number 5
        if (bucket + 1 < kBucketCount) buckets[bucket + 1] = 9;
        EXPECT_EQ(UnpackIdent92(s, buckets, 5, record), c.back) << c.ident;
        EXPECT_EQ(UnpackIdent92(s, buckets, 8, record), c.back) << c.ident;
    }
}

TEST(OlderModelCoding, IdentBitsEndAtTheLastIdentByteAndSpareTheRest) {
    // VOR: 10 bits (4 + 6) in bytes 5-6 ending at byte 6; byte 5 keeps its low 6 bits.
    uint8_t record[14];
    std::memset(record, 0, sizeof record);
    record[5] = 0x3F;
    ASSERT_TRUE(PackOlderIdent(Section(kSectionVor), "LON    ", record).ok());
    // 'O' = 15 -> low 4 bits 1111, 'N' = 14 -> 001110: 1111001110 written from bit 7 of byte 6.
    EXPECT_EQ(record[6], 0xF3);
    EXPECT_EQ(record[5], 0xBF);
    EXPECT_EQ(record[4], 0);
}

TEST(OlderModelCoding, PositionsPackReadBackAndSortKeys) {
    struct Case {
        int32_t lat, lon;
    } cases[] = {{0x40000000, 0}, {0x21A5F3C7, static_cast<int32_t>(0xA8C31B55)}, {-0x12345678, 0x7FFFFFFF},
                 {-0x40000000, static_cast<int32_t>(0x80000000)}};
    for (const Case& c : cases) {
        uint8_t record[18] = {};
        record[5] = 0xFE;
        PackPosition(record, c.lat, c.lon);
        EXPECT_EQ(record[5] & 0xFE, 0xFE);
        int32_t lat = 0;
        int32_t lon = 0;
        UnpackPosition(record, &lat, &lon);
        // +90 degrees would read back as -90: it keeps the largest latitude the field holds.
        const int32_t want = c.lat == 0x40000000 ? 0x3FFFF800 : static_cast<int32_t>(static_cast<uint32_t>(c.lat) & ~0x7FFu);
        EXPECT_EQ(lat, want) << std::hex << c.lat;
        EXPECT_EQ(lon, static_cast<int32_t>(static_cast<uint32_t>(c.lon) & ~0x7FFu)) << std::hex << c.lon;
        int32_t klat = 0;
        int32_t klon = 0;
        PositionKeys(record, &klat, &klon);
        EXPECT_EQ(klat, lat < 0 ? static_cast<int32_t>(static_cast<uint32_t>(lat) | 0x3FFF) : lat);
        EXPECT_EQ(klon, lon < 0 ? static_cast<int32_t>(static_cast<uint32_t>(lon) | 0x3FFF) : lon);
    }
}

TEST(OlderModelCoding, CountryTexts) {
    uint8_t table[2 * kCountryRecordSize];
    PackCountryRecord(table, "K", 2, "UNITED STATES OF", 16);
    PackCountryRecord(table + kCountryRecordSize, "EG", 2, "UK  ", 4);
    EXPECT_EQ(UnpackCountryName92(table, 2, 0), "UNITED STA-K");
    EXPECT_EQ(UnpackCountryName92(table, 2, 1), "UK-EG");
    EXPECT_EQ(UnpackCountryName92(table, 2, 2), "");
}

TEST(OlderModelCoding, NameFieldsAndBitAddresses) {
    struct Case {
        int section;
        NamePosition facility, city;
        uint32_t wantFacility, wantCity;
    } cases[] = {
        {kSectionApt, NamePosition::At(8 * 0x2ABCD + 3), NamePosition::At(17), 8 * 0x2ABCD + 3, 17},
        {kSectionNdb, NamePosition::At(5), NamePosition::Absent(), 5, 5},
        {kSectionVor, NamePosition::At(0x1FFF0), NamePosition::At(8 * 0x3FFFE + 7), 0x1FFF0, 8 * 0x3FFFE + 7},
        {kSectionApt, NamePosition::Absent(), NamePosition::Absent(), 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        uint8_t record[18] = {};
        ASSERT_TRUE(PackNameFields(ImageParams92, Section(c.section), c.facility, c.city, 7, record, "X").ok());
        EXPECT_EQ(record[Section(c.section).countryByte], 7);
        uint32_t facility = 0;
        uint32_t city = 0;
        NameBitAddresses(ImageParams92, Section(c.section), record, &facility, &city);
        EXPECT_EQ(facility, c.wantFacility);
        EXPECT_EQ(city, c.wantCity);
    }
    // The absent pointer: offset 0x3FFFF with start bit 7, or 0 in APT records.
    uint8_t ndb[15] = {};
    ASSERT_TRUE(PackNameFields(ImageParams92, Section(kSectionNdb), NamePosition::Absent(), NamePosition::Absent(), 0,
                               ndb, "X")
                    .ok());
    EXPECT_EQ(ndb[10], 0xFF);
    EXPECT_EQ(ndb[11], 0xFF);
    EXPECT_EQ(ndb[14] & 0xC0, 0xC0);
    EXPECT_EQ(ndb[5] & 0x38, 0x38);
    // A name beyond 18 bits of offset, or a country index beyond its byte, is an error naming
    // the record by its trimmed ident.
    uint8_t apt[18] = {};
    const ImageResult far = PackNameFields(ImageParams92, Section(kSectionApt), NamePosition::At(8 * 0x40000),
                                           NamePosition::Absent(), 0, apt, "KSEA   ");
    EXPECT_FALSE(far.ok());
    EXPECT_NE(far.text.find(" \"KSEA\": facility name"), std::string::npos) << far.text;
    const ImageResult country = PackNameFields(ImageParams92, Section(kSectionApt), NamePosition::Absent(),
                                               NamePosition::Absent(), 256, apt, "KSEA   ");
    EXPECT_FALSE(country.ok());
    EXPECT_NE(country.text.find(" \"KSEA\": country index 256"), std::string::npos) << country.text;
}

TEST(OlderModelCoding, VorFrequencyByteAndElevationCode) {
    uint8_t code = 0;
    ASSERT_TRUE(OlderVorFrequencyByte(10800, &code));
    EXPECT_EQ(code, 0);
    ASSERT_TRUE(OlderVorFrequencyByte(11795, &code));
    EXPECT_EQ(code, 199);
    EXPECT_EQ(OlderVorFrequency(199), 11795);
    EXPECT_FALSE(OlderVorFrequencyByte(10795, &code));
    EXPECT_FALSE(OlderVorFrequencyByte(12080, &code));
    struct Case {
        int32_t feet;
        uint32_t code;
    } cases[] = {{0, 500}, {4, 500}, {5, 501}, {433, 543}, {-12, 499}, {-15, 499}, {-25, 498}, {14000, 1900}};
    for (const Case& c : cases) EXPECT_EQ(OlderElevationCode(c.feet), c.code) << c.feet;
    EXPECT_EQ(OlderElevationFeet(543), 430);
}

TEST(OlderModelCoding, PositionTexts) {
    uint8_t record[18] = {};
    // 47.5 degrees north, 122.25 degrees west.
    PackPosition(record, static_cast<int32_t>(47.5 / 360.0 * 4294967296.0), static_cast<int32_t>(-122.25 / 360.0 * 4294967296.0));
    const std::string text = FormatRecordPosition(record, 0);
    EXPECT_EQ(text.substr(0, 11), "N 47\xB0" "29.994");
    EXPECT_EQ(text[11], ' ');
    EXPECT_EQ(text[12], 'W');
    EXPECT_EQ(FormatRecordPosition(record, 16).substr(0, 11), "[21c71800] ");
    std::string compact = "TCC ";
    AppendCompactPosition(compact, static_cast<int32_t>(47.5 / 360.0 * 4294967296.0), static_cast<int32_t>(-122.25 / 360.0 * 4294967296.0), 0);
    EXPECT_EQ(compact, "TCC N473000 W1221500");
}

}  // namespace
