// FSS/TCC and SUA records relocated into an image.
#include <gtest/gtest.h>

#include "common/Bits.h"
#include "gen/image/AirspaceRelocation.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "gen/image/Image.h"
#include "gen/image/NamePointer.h"
#include "gen/image/SerialMap.h"

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
    rec[22] = 0;                      // the name numbers' high bits
    PutU16(rec + 23, 5);              // an airport not in the image
    ASSERT_TRUE(RelocateAirspaceRecord(ImageParams496, kSuaRecordA496, rec, names, 0, airports).ok());
    EXPECT_EQ(GetU16(rec + 23), 65535u);
}

// A compiled file keeps name numbers of 20 bits (18 in the 18-bit families): the high bits lie
// where the image puts the pointer's high bits. A number above 65535 must find its own name,
// not the one that shares its low 16 bits.
TEST_F(Relocation, NameNumbersAboveSixteenBits) {
    names.Add(0x12345, 0x20000 * 8 + 1);  // offset 0x20000, start value 6
    names.Add(0x2345, 8 * 8);             // shares the low 16 bits
    names.Add(0x2ABCD, 0x300 * 8 + 3);    // offset 0x300, start value 4
    names.Add(0xABCD, 0);                 // shares the low 16 bits of 0x2ABCD
    names.Add(0xFFFE, 9 * 8);
    struct Case {
        const ImageParams* params;
        const AirspaceRecordLayout* layout;
        uint32_t slot;
        uint32_t number;
        uint32_t offset;
        uint32_t start;
    };
    const Case cases[] = {
        {&ImageParams496, &kFssRecord496, 0, 0x12345, 0x20000, 6},
        {&ImageParams496, &kTccRecord496, 0, 0x12345, 0x20000, 6},
        {&ImageParams496, &kSuaRecordA496, 0, 0x12345, 0x20000, 6},
        {&ImageParams496, &kSuaRecordB496, 1, 0x12345, 0x20000, 6},
        {&ImageParams496, &kSuaRecordA496, 1, 0xFFFE, 9, 7},
        {&ImageParams195, &kFssRecord18, 0, 0x2ABCD, 0x300, 4},
        {&ImageParams195, &kTccRecord18, 0, 0x2ABCD, 0x300, 4},
        {&ImageParams195, &kSuaRecordA18, 1, 0x2ABCD, 0x300, 4},
        {&ImageParamsIIIPilot, &kSuaRecordB18, 0, 0x2ABCD, 0x300, 4},
    };
    for (const Case& c : cases) {
        const AirspaceNameSlot& slot = c.layout->names[c.slot];
        const uint32_t high = c.params->nameOffsetBits - 16;
        uint8_t rec[32] = {};
        for (uint32_t i = 0; i < c.layout->nameCount; ++i) PutU16(rec + c.layout->names[i].lowByte, 65535);
        PutU16(rec + slot.lowByte, c.number);
        PutBits(slot.highBit, high, rec, c.number >> 16);
        EXPECT_EQ(AirspaceNameNumber(*c.params, slot, rec), static_cast<int32_t>(c.number)) << c.layout->size;
        ASSERT_TRUE(RelocateAirspaceRecord(*c.params, *c.layout, rec, names, 0, airports).ok()) << c.layout->size;
        EXPECT_EQ(GetU16(rec + slot.lowByte) | GetBits(slot.highBit, high, rec) << 16, c.offset) << c.layout->size;
        EXPECT_EQ(GetBits(slot.startBit, 3, rec), c.start) << c.layout->size;
    }
    // No name: every bit set, or 65535 as older files write it.
    uint8_t rec[25] = {};
    PutU16(rec + 18, 0xFFFF);
    PutBits(176, 4, rec, 0xF);
    PutU16(rec + 20, 0xFFFF);
    EXPECT_EQ(AirspaceNameNumber(ImageParams496, kSuaRecordA496.names[0], rec), -1);
    EXPECT_EQ(AirspaceNameNumber(ImageParams496, kSuaRecordA496.names[1], rec), -1);
    PutBits(180, 4, rec, 1);
    EXPECT_EQ(AirspaceNameNumber(ImageParams496, kSuaRecordA496.names[1], rec), 0x1FFFF);
    uint8_t fss[9] = {};
    PutU16(fss + 6, 0xFFFF);
    PutBits(70, 2, fss, 3);
    EXPECT_EQ(AirspaceNameNumber(ImageParams195, kFssRecord18.names[0], fss), -1);
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
