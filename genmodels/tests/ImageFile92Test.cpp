// The 92/190 image parameters: label and part number, cut rule, VLR entries.
#include <gtest/gtest.h>

#include "common/PartNumber.h"
#include "gen/image/ImageCut.h"
#include "gen/image/SuaTypeNames.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/VlrTable92.h"

namespace {

TEST(ImageFile92, LabelAndPartNumber) {
    struct Case {
        const char* title;
        const char* label;
    } cases[] = {{"", "                    "},
                 {"Puget", "   PUGET            "},
                 {"A title far too long to fit", "   A TITLE FAR TOO L"},
                 {"12345678901234567", "   12345678901234567"}};
    for (const Case& c : cases) {
        const std::string label = ImageLabel92(c.title);
        EXPECT_EQ(label, c.label) << c.title;
        const std::string text = PartNumberText92(label);
        ASSERT_EQ(text.size(), 32u);
        uint8_t field[24];
        PackPartNumber(field, text);
        EXPECT_EQ(UnpackPartNumberText(field), text);
        uint8_t header[98] = {};
        std::copy(field, field + 24, header + 29);
        EXPECT_EQ(DecodePartNumber(header, sizeof header, 29), 11);
    }
}

TEST(ImageFile92, CutRule) {
    struct Case {
        uint32_t end;
        uint64_t length;
    } cases[] = {{0x60000, 0x80000}, {0x5FFFF, 0x60000}, {0x1000, 0x20000}, {0x160000, 0x180000},
                 {0x15FFFF, 0x160000}, {0x17FFFF, 0x180000}};
    for (const Case& c : cases) {
        EXPECT_EQ(ImageParams92.cutLength(ImageParams92, c.end, kImage92Size), c.length) << std::hex << c.end;
    }
}

TEST(VlrTable92, EntriesRoundTrip) {
    DetailRunway plain{5800, 150, 0x0A, 18, -1, 0, 0};
    DetailRunway pictured{3000, 75, 0x4B | 0x08, 0x1000 | 0x80 | 0x52, 0x12, 0x1801, 0x77};
    DetailFrequency tower{4, 11990, 0x3000, {}};
    DetailFrequency restricted{0x85, 12480, 0, {3, 0x01, 0x10, 0x20}};
    std::vector<uint8_t> entry;
    ASSERT_TRUE(EncodeVlrEntry92(1, {plain, pictured}, {tower, restricted}, &entry).ok());
    // Runway 1: length, rsl & 0x37 with more-follows, designator.
    EXPECT_EQ(entry[0], 58);
    EXPECT_EQ(entry[1], 0x80 | 0x02);
    EXPECT_EQ(entry[2], 18);
    // Runway 2: rsl & 0x37 with the diagram bit, long designator, diagram word.
    EXPECT_EQ(entry[3], 30);
    EXPECT_EQ(entry[4], 0x40 | 0x03);
    EXPECT_EQ(entry[5], 0xD2);
    EXPECT_EQ(entry[6], 0x10);
    const uint32_t word = RunwayDiagramWord92(pictured);
    EXPECT_EQ(word, (0x12u << 23) + (0x001u << 11) + ((0x77u * 32) & 0x7FF) + 3);
    VlrEntry92 back;
    ASSERT_TRUE(DecodeVlrEntry92(entry.data(), static_cast<uint32_t>(entry.size()), 0, true, true, &back).ok());
    ASSERT_EQ(back.runways.size(), 2u);
    EXPECT_EQ(back.runways[1].rw, 0x10D2u);
    EXPECT_EQ(back.runways[1].diagram, word);
    ASSERT_EQ(back.frequencies.size(), 2u);
    EXPECT_EQ(back.frequencies[0].freq, 11990);
    EXPECT_EQ(back.frequencies[0].flags, 0x3000);
    EXPECT_EQ(back.frequencies[1].ftype, 0x85);
    EXPECT_EQ(back.frequencies[1].restriction, restricted.restriction);
    // Cut short, the entry is refused.
    EXPECT_FALSE(DecodeVlrEntry92(entry.data(), static_cast<uint32_t>(entry.size()) - 1, 0, true, true, &back).ok());
    EXPECT_FALSE(DecodeVlrEntry92(entry.data(), 5, 0, true, false, &back).ok());
}

TEST(VlrTable92, DefaultRunwayBriefRuleAndSizeLimit) {
    std::vector<uint8_t> entry;
    ASSERT_TRUE(EncodeVlrEntry92(1, {}, {DetailFrequency{0, 12280, 0, {}}}, &entry).ok());
    EXPECT_EQ(entry[0], 0);
    EXPECT_EQ(entry[1], 5);
    EXPECT_EQ(entry[2], 0);
    EXPECT_TRUE(NeedsVlrEntry92({}, {DetailFrequency{}}));
    EXPECT_FALSE(NeedsVlrEntry92({DetailRunway{2000, 0, 1, 0, -1, 0, 0}}, {}));
    EXPECT_TRUE(NeedsVlrEntry92({DetailRunway{2000, 0, 1, 9, -1, 0, 0}}, {}));
    std::vector<DetailFrequency> many(80, DetailFrequency{0, 12280, 0, std::vector<uint8_t>(12, 0)});
    for (DetailFrequency& f : many) f.restriction[0] = 11;
    const ImageResult r = EncodeVlrEntry92(0x2a, {}, many, &entry);
    EXPECT_FALSE(r.ok());
    EXPECT_NE(r.text.find("code_rwcom"), std::string::npos);
}

}  // namespace

namespace {

// Entries of random bytes: every decode ends inside the table, with the items it could read.
TEST(VlrTable92, RandomTablesDecodeWithinTheirBounds) {
    uint32_t seed = 92;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<uint8_t>(seed >> 16);
    };
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> table(1 + round % 97);
        for (uint8_t& b : table) b = next();
        VlrEntry92 entry;
        const uint32_t offset = next() % (table.size() + 2);
        const ImageResult r = DecodeVlrEntry92(table.data(), static_cast<uint32_t>(table.size()), offset, true,
                                               (round & 1) != 0, &entry);
        EXPECT_LE(entry.runways.size(), 80u);
        EXPECT_LE(entry.frequencies.size(), 80u);
        if (offset > table.size()) {
            EXPECT_FALSE(r.ok());
        }
    }
}

}  // namespace

TEST(SuaTypes92, TheSecondKindHasUnknownTypeAtSevenAndNoAdiz) {
    const char* const* own = ImageParams92.suaTypesB;
    ASSERT_NE(own, nullptr);
    struct Case {
        const char* const* typesB;
        bool kindA;
        const char* name;
        int code;
    } const cases[] = {
        {own, false, "Unknown Type", 7}, {own, false, "ADIZ", -1},        {own, false, "Warning Area", 8},
        {own, false, "Unknown AreaF", 15}, {own, true, "ATZ", 7},         {own, true, "Alert Area", -1},
        {own, false, "unknown type", -1}, {nullptr, false, "ADIZ", 7},    {nullptr, false, "Unknown Type", 7},
        {nullptr, true, "Unknown Type", -1}, {nullptr, true, "Class C", 0},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(SuaTypeCode(k.typesB, k.kindA, k.name), k.code) << k.name << (k.kindA ? " (a)" : " (b)");
    }
    EXPECT_STREQ(SuaTypeName(own, false, 7), "Unknown Type");
    EXPECT_STREQ(SuaTypeName(nullptr, false, 7), "ADIZ");
    EXPECT_STREQ(SuaTypeName(own, true, 7), "ATZ");
    for (uint32_t code = 0; code < 16; ++code) {
        EXPECT_EQ(SuaTypeCode(own, false, SuaTypeName(own, false, code)), static_cast<int>(code));
    }
}
