// The 90/95 XL image: chunk count and sumcheck bytes, cut rule, part numbers, rwy/com entries
// and the SUA type mapping.
#include <gtest/gtest.h>

#include <vector>

#include "common/PartNumber.h"
#include "genmodels/CreateImage90.h"
#include "genmodels/ImageFile90.h"
#include "genmodels/RwyComEntry90.h"

namespace {

TEST(ImageFile90, ChunkCountAndCut) {
    struct Case {
        uint32_t end;
        bool xl;
        uint32_t chunks;
        uint64_t length;
    } cases[] = {
        {0x3FFFF, true, 1, 0x40000},   {0x40000, true, 2, 0x80000},  {0x80000, true, 3, 0xC0000},
        {0x90000, false, 3, 0xC0000},  {0xC0000, true, 4, 0x100000}, {0x100000, true, 5, 0x100000},
        {0xBFFFF, false, 3, 0xC0000},  {0x2000, false, 1, 0x40000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SumcheckChunks90(c.end), c.chunks) << std::hex << c.end;
        EXPECT_EQ(CutLength90(ImageParams90, c.end, Image90Limit(c.xl)), c.length) << std::hex << c.end;
    }
}

TEST(ImageFile90, SumcheckFieldMakesEachChunkSumToZero) {
    // An XL image ending exactly at 1 MiB: five chunks, the last beyond the file counting 0.
    std::vector<uint8_t> data(0x100000, 0xFF);
    for (size_t i = 9; i < data.size(); i += 977) data[i] = static_cast<uint8_t>(i * 7);
    const std::vector<uint8_t> field = SumcheckField90(data.data(), data.size(), 0x100000);
    ASSERT_EQ(field.size(), 9u);
    EXPECT_EQ(field[0], 5);
    EXPECT_EQ(field[5], 0);
    std::copy(field.begin(), field.end(), data.begin());
    for (uint32_t k = 0; k < 4; ++k) {
        uint32_t sum = field[1 + k];
        for (size_t i = k == 0 ? 9 : size_t{k} * 0x40000; i < size_t{k + 1} * 0x40000; ++i) sum += data[i];
        EXPECT_EQ(sum % 256, 0u) << k;
    }
    EXPECT_EQ(SumcheckField90(data.data(), 0x40000, 0x3FFFF)[0], 1);
    EXPECT_EQ(SumcheckField90(data.data(), 0x40000, 0x3FFFF)[2], 0);
}

TEST(ImageFile90, PartNumbersAreKnownUnits) {
    struct Case {
        bool airspace;
        int part;
    } cases[] = {{true, 9}, {false, 4}};
    for (const Case& c : cases) {
        const std::string text = PartNumberText90(ImageLabel90("Puget sound, a long title"), c.airspace);
        ASSERT_EQ(text.size(), 32u);
        EXPECT_EQ(text.substr(0, 20), "PUGET SOUND, A LONG ");
        uint8_t header[77] = {};
        PackPartNumber(header + 26, text);
        EXPECT_EQ(DecodePartNumber(header, sizeof header, 26), c.part);
    }
}

TEST(RwyComEntry90, FrequencyTypeMapping) {
    struct Case {
        int32_t ftype;
        bool kept;
        uint32_t code;
        int32_t back;
    } cases[] = {{0, true, 0, 0},       {1, true, 1, 3},    {2, true, 1, 3},   {3, true, 1, 3},
                 {4, true, 2, 4},       {5, true, 3, 5},    {6, true, 3, 5},   {7, true, 3, 5},
                 {8, false, 0, 0},      {15, false, 0, 0},  {0x84, true, 6, 0x84}, {0x80, true, 4, 0x80}};
    for (const Case& c : cases) {
        DetailFrequency f;
        f.ftype = c.ftype;
        f.freq = 11830;
        FrequencyItem90 item;
        ASSERT_EQ(FrequencyItemOf90(f, &item), c.kept) << c.ftype;
        if (!c.kept) continue;
        EXPECT_EQ(item.code, c.code) << c.ftype;
        EXPECT_EQ(item.offset, 1030u);
        EXPECT_EQ(FrequencyTypeOf90(item.code), c.back) << c.ftype;
    }
}

TEST(RwyComEntry90, EntryRoundTripWithDuplicatesAndLimits) {
    std::vector<DetailRunway> runways(2);
    runways[0] = {9426, 150, 0x20, 16 | (34 << 8) | 0x80 | (2 << 5), 0xFF, 0x1234, 7};
    runways[1] = {3709, 100, 1, 14, -1, 0, 0};
    std::vector<DetailFrequency> frequencies;
    for (int32_t i = 0; i < 90; ++i) frequencies.push_back({i % 3 == 0 ? 4 : 0x85, 11800 + 5 * (i / 2), 0, {}});
    frequencies.push_back({9, 12000, 0, {}});
    std::vector<FrequencyItem90> items;
    ASSERT_TRUE(FrequencyItems90(1, frequencies, &items));
    EXPECT_LE(items.size(), 80u);
    for (size_t i = 0; i < items.size(); ++i) {
        for (size_t j = i + 1; j < items.size(); ++j) EXPECT_FALSE(items[i] == items[j]);
    }
    std::vector<uint8_t> entry;
    ASSERT_TRUE(EncodeRwyComEntry90(1, runways, items, &entry));
    RwyComEntry90 back;
    ASSERT_TRUE(DecodeRwyComEntry90(entry.data(), static_cast<uint32_t>(entry.size()), 0, true, &back));
    ASSERT_EQ(back.runways.size(), 2u);
    EXPECT_EQ(back.runways[0].rlen, 9400);
    EXPECT_EQ(back.runways[0].rw, runways[0].rw);
    EXPECT_NE(back.runways[0].rpic, 0);
    EXPECT_EQ(back.runways[1].rlen, 3700);
    EXPECT_EQ(back.frequencies, items);
    // Cut short: the items run past the table.
    EXPECT_FALSE(DecodeRwyComEntry90(entry.data(), static_cast<uint32_t>(entry.size() - 1), 0, true, &back));
    // A frequency below 108.00 MHz does not fit the offset.
    EXPECT_FALSE(FrequencyItems90(1, {{0, 10700, 0, {}}}, &items));
    // More runways than an entry holds: the first 80 make it.
    const std::vector<DetailRunway> many(kMaxDetailRunways + 5, runways[1]);
    ASSERT_TRUE(EncodeRwyComEntry90(1, many, {}, &entry));
    ASSERT_TRUE(DecodeRwyComEntry90(entry.data(), static_cast<uint32_t>(entry.size()), 0, false, &back));
    EXPECT_EQ(back.runways.size(), size_t{kMaxDetailRunways});
}

TEST(CreateImage90, SuaTypeMapping) {
    struct Case {
        uint8_t in, out;
    } cases[] = {{0x00, 0x00}, {0x04, 0x04}, {0x05, 0x01}, {0x06, 0x02}, {0x07, 0x01},
                 {0x0F, 0x01}, {0xC5, 0xC1}, {0x36, 0x32}};
    for (const Case& c : cases) EXPECT_EQ(SuaType90(c.in), c.out) << int{c.in};
}

}  // namespace
