// The block builder against the decoder, and the two remarks forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gen696/AirportBlock696.h"
#include "gen696/Remarks696.h"

namespace {

TEST(AirportBlock696, BuiltBlocksDecodeToWhatWentIn) {
    AirportBlockInput696 in;
    in.runwayFixedLength = 9;
    RunwaySlot696 a;
    a.length = 9426;
    a.width = 150;
    a.surface = 0x31;
    a.designator = 0x1234;
    a.flags = 0x40;
    a.pictureFlags = 0x17;
    a.picture[0] = 0x01020304;
    a.picture[1] = 0x05060708;
    for (int i = 0; i < 16; ++i) a.extra[i] = static_cast<uint8_t>(i + 1);
    RunwaySlot696 b;   // flags all ones: the top byte of the second picture word takes their place
    b.length = 3000;
    b.surface = 2;
    b.designator = 9;
    b.picture[1] = 0xAB000000;
    in.runways = {a, b};
    const std::vector<uint8_t> form = {5, 1 | 4 | 64, 10, 20, 0x10, 0x27};   // sector, BELOW
    FrequencySlot696 f;
    f.type = 0x0A;
    f.value = 11852 - 10800;
    f.flags = 0x00203300 | 0x50;
    std::string error;
    ASSERT_TRUE(RemarksBlobOfForm696(form, &f.blob, &error)) << error;
    FrequencySlot696 g;
    g.type = FrequencyTypeCode696(3, -1);   // the older form's type word 3
    g.value = 22;
    in.frequencies = {f, g};

    uint32_t value = 0;
    EXPECT_FALSE(AirportShortForm696(in, &value));
    std::vector<uint8_t> block;
    ASSERT_TRUE(BuildAirportBlock696(in, &block, &error)) << error;
    uint8_t rec[29] = {};
    rec[11] = 0x80;
    AirportInfo696 info;
    InfoLayout696 layout;
    layout.runwayFixedLength = 9;
    ASSERT_TRUE(DecodeAirportInfo696(rec, block.data(), block.size(), layout, &info, &error)) << error;
    ASSERT_EQ(info.runways.size(), 2u);
    EXPECT_EQ(info.runways[0].length, 9426u);
    EXPECT_EQ(info.runways[0].width, 150u);
    EXPECT_EQ(info.runways[0].designator, 0x1234u);
    EXPECT_EQ(info.runways[0].pictureFlags, 0x1F);
    EXPECT_EQ(info.runways[0].picture[1], 0x05060708u);
    EXPECT_EQ(std::memcmp(info.runways[0].extra, a.extra, 10), 0);
    EXPECT_EQ(info.runways[1].flags, 0xAB);
    EXPECT_EQ(info.runways[1].picture[1], 0u);
    ASSERT_EQ(info.frequencies.size(), 2u);
    EXPECT_EQ(info.frequencies[0].value, 11852u - 10800u);
    EXPECT_EQ(info.frequencies[0].flagBits, 5u);
    EXPECT_EQ(info.frequencies[0].further, 0x33);
    EXPECT_EQ(info.frequencies[0].type, 0x8A);
    std::vector<uint8_t> back;
    ASSERT_TRUE(RemarksFormOfBlob696(info.frequencies[0].remarks, &back, &error)) << error;
    // The blob's flags byte carries bit 5 of the record's flags; the form keeps bits 0-4, 64, 128.
    back[1] &= 0xDF;
    EXPECT_EQ(back, form);
    EXPECT_EQ(info.frequencies[1].type, 7);
    EXPECT_TRUE(info.frequencies[1].remarks.empty());

    // The short form: one runway of designator 0 and nothing else.
    AirportBlockInput696 plain;
    RunwaySlot696 r;
    r.length = 2350;
    r.surface = 0x23;
    plain.runways = {r};
    ASSERT_TRUE(AirportShortForm696(plain, &value));
    EXPECT_EQ(value, 23u | 3u << 8);
    plain.runways[0].length = 26000;   // longer than a byte of hundreds: a block
    EXPECT_FALSE(AirportShortForm696(plain, &value));

    // Fields that do not fit are refused.
    in.frequencies[0].value = 0x1000;
    EXPECT_FALSE(BuildAirportBlock696(in, &block, &error));
    in.frequencies[0].value = 1;
    in.runways[0].width = 2048;
    EXPECT_FALSE(BuildAirportBlock696(in, &block, &error));
}

TEST(AirportBlock696, RemarksFormsConvertBothWays) {
    std::string error;
    std::vector<uint8_t> blob;
    std::vector<uint8_t> back;
    ASSERT_TRUE(RemarksBlobOfForm696({1, 0}, &blob, &error));
    EXPECT_EQ(blob, (std::vector<uint8_t>{1, 0}));
    EXPECT_FALSE(RemarksBlobOfForm696({3, 8, 'A', 'B'}, &blob, &error));
    // An altitude above 10000 ft is kept in hundreds.
    const std::vector<uint8_t> high = {3, 4, static_cast<uint8_t>((25000 + 5000) & 0xFF), static_cast<uint8_t>((25000 + 5000) >> 8)};
    ASSERT_TRUE(RemarksBlobOfForm696(high, &blob, &error));
    EXPECT_EQ(blob[2] | blob[3] << 8, (250 + 5000) | 0x8000);
    ASSERT_TRUE(RemarksFormOfBlob696(blob, &back, &error));
    EXPECT_EQ(back, high);
    const std::vector<uint8_t> text = {6, 16 | 8, 1, 2, 3, 5, 0xAA};
    ASSERT_TRUE(RemarksBlobOfForm696(text, &blob, &error)) << error;
    EXPECT_EQ(blob, (std::vector<uint8_t>{7, 0x18, 1, 2, 3, 2, 1, 0xAA}));
    ASSERT_TRUE(RemarksFormOfBlob696(blob, &back, &error));
    EXPECT_EQ(back, text);
    EXPECT_FALSE(RemarksFormOfBlob696({4, 0x10, 0}, &back, &error));   // a text of no bytes
}

}  // namespace
