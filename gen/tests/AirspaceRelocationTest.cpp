// FSS/TCC and SUA records relocated into an image.
#include <gtest/gtest.h>

#include "common/Bits.h"
#include "gen/AirspaceRelocation.h"
#include "gen/Image.h"
#include "gen/NamePointer.h"
#include "gen/SerialMap.h"

namespace {

class Relocation : public ::testing::Test {
protected:
    void SetUp() override {
        names.Add(12, 0x1ABCD * 8 + 2);  // offset 0x1ABCD, start value 5
        names.Add(40, 17);               // offset 2, start value 6
        airports.Add(900);
        airports.Add(901);
    }
    NameMap names;
    SerialMap airports;
};

TEST_F(Relocation, FssNamePointer) {
    uint8_t rec[10] = {1, 2, 3, 4, 5, 6, 12, 0, 0, 0};
    ASSERT_TRUE(RelocateAirspaceRecord(ImageParams496, kFssRecord496, rec, names, 0x1000, airports).ok());
    EXPECT_EQ(GetU16(rec + 6), 0xABCDu);
    EXPECT_EQ(GetBits(76, 4, rec), 1u);
    EXPECT_EQ(GetBits(67, 3, rec), 5u);
    EXPECT_EQ(rec[0], 1);
    EXPECT_EQ(rec[5], 6);
}

TEST_F(Relocation, SuaNamesOffsetAndAirport) {
    uint8_t rec[25] = {};
    PutU16(rec + 18, 40);
    PutU16(rec + 20, 65535);          // no second name
    PutU24(rec + 14, 0x800010);       // heights flag and offset 0x10
    PutU16(rec + 23, 901);
    ASSERT_TRUE(RelocateAirspaceRecord(ImageParams496, kSuaRecordA496, rec, names, 0x123400, airports).ok());
    EXPECT_EQ(GetU16(rec + 18), 2u);
    EXPECT_EQ(GetBits(176, 4, rec), 0u);
    EXPECT_EQ(GetBits(40, 3, rec), 6u);
    EXPECT_EQ(GetU16(rec + 20), 0xFFFFu);
    EXPECT_EQ(GetBits(180, 4, rec), 0xFu);
    EXPECT_EQ(GetBits(88, 3, rec), 7u);
    EXPECT_EQ(GetU24(rec + 14), 0x800000u | 0x123410u);
    EXPECT_EQ(GetU16(rec + 23), 1u);
    PutU16(rec + 18, 40);
    PutU16(rec + 20, 40);
    PutU16(rec + 23, 5);              // an airport not in the image
    ASSERT_TRUE(RelocateAirspaceRecord(ImageParams496, kSuaRecordA496, rec, names, 0, airports).ok());
    EXPECT_EQ(GetU16(rec + 23), 65535u);
}

TEST_F(Relocation, Errors) {
    uint8_t rec[19] = {};
    PutU16(rec + 10, 77);  // not in the names table
    const ImageResult missing = RelocateAirspaceRecord(ImageParams496, kTccRecord496, rec, names, 0, airports);
    EXPECT_EQ(missing.code, ImageCode::InternalError);
    EXPECT_EQ(missing.text, "Program error: cannot find name sno 77");
    PutU16(rec + 10, 12);
    PutU24(rec + 14, 0xFFFF00);
    const ImageResult far = RelocateAirspaceRecord(ImageParams496, kTccRecord496, rec, names, 0x200, airports);
    EXPECT_EQ(far.code, ImageCode::DataError);
    // A name beyond an 18-bit pointer's reach.
    NameMap wide;
    wide.Add(1, 0x40000 * 8);
    uint8_t fss[10] = {};
    PutU16(fss + 6, 1);
    EXPECT_EQ(RelocateAirspaceRecord(ImageParams195, kFssRecord496, fss, wide, 0, airports).code, ImageCode::DataError);
}

}  // namespace
