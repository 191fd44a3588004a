// Whole images built by the coders in Create Image order, per family: the empty-database
// layout, header fields, pointers, sumcheck (checked against the transfer programs' reading),
// packet count and cut.
#include <gtest/gtest.h>

#include "common/PartNumber.h"
#include "gen/image/UnitTable.h"
#include "gen/testsupport/ImageTestUtil.h"

using namespace imgtest;

namespace {

struct Family {
    const ImageParams* params;
    uint32_t cutLength;         // file length of an empty image
    size_t transferSkip;        // sumcheck field as the transfer programs read it
    size_t transferFirstSlot;
    size_t transferSection;
    bool transferReduceFirst;
    uint32_t packetCountOffset;  // u16
    bool halvedPackets;          // packets of 256 bytes: half the 128-byte blocks, rounded up
};

const Family kFamilies[] = {
    {&ImageParams496, 0x40000, 16, 0, 0x40000, false, 57, true},
    {&ImageParamsIIIPilot, 0x10000, 25, 1, 0x10000, true, 66, false},
    {&ImageParams195, 0x20000, 16, 0, 0x20000, false, 57, false},
};

// The packet count from the format: the 128-byte blocks read up to the image end (the last one
// whole) that hold a byte other than 0xFF; halved, rounded up, in packets of 256 bytes.
uint32_t PacketCountOf(const Family& f, const std::vector<uint8_t>& file, uint32_t end) {
    uint32_t blocks = 0;
    for (size_t at = 0; at < end; at += 128) {
        bool data = false;
        for (size_t i = at; i < at + 128 && i < file.size(); ++i) data |= file[i] != 0xFF;
        blocks += data;
    }
    return f.halvedPackets ? (blocks + 1) / 2 : blocks;
}

class EmptyImage : public ::testing::TestWithParam<Family> {};

TEST_P(EmptyImage, LayoutCountsBucketsPointersAndCut) {
    const Family& f = GetParam();
    const ImageParams& p = *f.params;
    TempDir dir;
    Image image(p);
    ASSERT_TRUE(image.Create(dir.File("empty.img")).ok());
    BuiltImage built;
    const ImageResult r = BuildTestImage(image, TestDatabase{}, "Test", &built);
    ASSERT_TRUE(r.ok()) << r.text;
    image.Close();
    const std::vector<uint8_t> file = ReadAll(dir.File("empty.img"));
    ASSERT_EQ(file.size(), f.cutLength);

    // Header pointers: data start, names at the country table (no countries), info areas,
    // the fifth section, FSS/TCC and SUA all absent.
    const uint32_t ptr = p.pointerBlockOffset;
    EXPECT_EQ(GetU24(&file[ptr + kPtrDataStart]), p.dataStart);
    EXPECT_EQ(GetU24(&file[ptr + kPtrNames]), p.countryTableStart);
    for (int s = 0; s < kSectionCount; ++s) {
        EXPECT_EQ(GetU24(&file[p.sections[s].infoPointerOffset]), p.sections[s].infoStart);
    }
    for (uint32_t absent : {kPtrFifth, kPtrFssBlockA, kPtrFssBlockB, kPtrSuaBlock, kPtrSpare1, kPtrSpare2}) {
        EXPECT_EQ(GetU24(&file[ptr + absent]), kAbsent24) << absent;
    }
    // The fixed-area bytes of the FSS/TCC and SUA blocks and of the fifth section stay 0xFF.
    for (uint32_t i = p.sections[kSectionVor].infoStart + 353; i < p.countryTableStart; ++i) {
        ASSERT_EQ(file[i], 0xFF) << i;
    }
    // Data start block: no countries, table at its fixed place.
    EXPECT_EQ(GetU16(&file[p.dataStart]), 0u);
    EXPECT_EQ(GetU24(&file[p.dataStart + 2]), p.countryTableStart);

    // Every section: count 0, every bucket 0xFFFF, no grid cells.
    for (int s = 0; s < kSectionCount; ++s) {
        const uint32_t info = p.sections[s].infoStart;
        EXPECT_EQ(GetU16(&file[info]), 0u);
        for (uint32_t b = 0; b < kBucketCount; ++b) ASSERT_EQ(GetU16(&file[info + 2 + 2 * b]), 0xFFFFu);
        EXPECT_EQ(GetU16(&file[info + kInfoPointerBlock]), 0u);  // cells
        EXPECT_EQ(GetU16(&file[info + kInfoPointerBlock + 5]), 0u);  // records
    }
    // No approach IDs: count 0xFFFF, start absent, rwy/com/appr table right behind the names.
    const uint32_t airport = p.sections[kSectionApt].infoStart + kInfoAirportBlock;
    EXPECT_EQ(GetU24(&file[airport]), p.countryTableStart);
    EXPECT_EQ(GetU16(&file[airport + 3]), 0xFFFFu);
    EXPECT_EQ(GetU24(&file[airport + 5]), kAbsent24);

    // Title page blanks with the title at 112; the part number names the family.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[112]), 4), "Test");
    EXPECT_EQ(file[p.headerSize], 0x20);
    EXPECT_EQ(file[p.dataStart - 1], 0x20);
    EXPECT_EQ(DecodePartNumber(file.data(), file.size(), p.partNumberOffset), p.partNumber);
    const UnitProgramRow* row = FindUnitProgramRow(file.data(), file.size());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->kind, p.modelCode);
    EXPECT_EQ(GetU16(&file[p.cycleOffset]), 2601u);

    // The stored sumcheck is what the transfer programs compute from the file.
    const std::vector<uint8_t> stored(file.begin(), file.begin() + static_cast<long>(f.transferSkip));
    EXPECT_EQ(stored, TransferSumcheck(file, f.transferSkip, f.transferFirstSlot, f.transferSection,
                                       f.transferReduceFirst));
    // Packet count: the stored value counts the blocks holding data.
    EXPECT_EQ(GetU16(&file[f.packetCountOffset]), PacketCountOf(f, file, built.imageEnd));
}

INSTANTIATE_TEST_SUITE_P(Families, EmptyImage, ::testing::ValuesIn(kFamilies));

TEST(EmptyImage, OnlyChunkZeroHasASumcheckByteIn496) {
    TempDir dir;
    Image image(ImageParams496);
    ASSERT_TRUE(image.Create(dir.File("e.img")).ok());
    BuiltImage built;
    ASSERT_TRUE(BuildTestImage(image, TestDatabase{}, "", &built).ok());
    ASSERT_EQ(built.sumcheck.size(), 16u);
    for (size_t i = 1; i < 16; ++i) EXPECT_EQ(built.sumcheck[i], 0) << i;
    EXPECT_NE(built.sumcheck[0], 0);
}

// A small database in every family: the records land where the layout says and the whole file
// passes the transfer programs' checks.
TEST(SmallImage, LayoutAndTransferChecksPerFamily) {
    TestDatabase db;
    db.countries = {{"FR", "France"}, {"US", "United States"}};
    db.names = {"AERO", "BOSTON", "NEW YORK"};
    db.points[kSectionApt] = {{"KBOS", 0x1E000000, -0x31000000, 1, 1, 1},
                              {"KJFK", 0x1D000000, -0x34000000, 1, 2, 2},
                              {"LFPG", 0x22000000, 0x01000000, 0, 0, -1}};
    db.points[kSectionInt] = {{"ALPHA", 0x1000000, 0x2000000, 0}};
    db.points[kSectionNdb] = {{"AB", 0x1000000, 0x2000000, 0, 0, -1, 3500}};
    db.points[kSectionVor] = {{"BOS", 0x1E000000, -0x31000000, 1, 1, 1, 11290}};
    for (const Family& f : kFamilies) {
        const ImageParams& p = *f.params;
        TempDir dir;
        Image image(p);
        ASSERT_TRUE(image.Create(dir.File("s.img")).ok());
        BuiltImage built;
        const ImageResult r = BuildTestImage(image, db, "Small", &built);
        ASSERT_TRUE(r.ok()) << r.text;
        const ImageLayout layout = image.Layout();
        image.Close();
        const std::vector<uint8_t> file = ReadAll(dir.File("s.img"));
        SCOPED_TRACE(p.partNumber);

        // Tables follow one another from the country table on.
        EXPECT_EQ(layout.namesStart, p.countryTableStart + 18);
        EXPECT_EQ(GetU24(&file[p.pointerBlockOffset + kPtrNames]), layout.namesStart);
        const SectionDescriptor& apt = layout.sections[kSectionApt];
        EXPECT_EQ(apt.facilityIndexStart, layout.NamesEnd());
        EXPECT_EQ(apt.cityIndexStart, apt.facilityIndexStart + 6);
        EXPECT_EQ(apt.recordsStart, apt.cityIndexStart + 4);
        EXPECT_EQ(layout.sections[kSectionInt].recordsStart, apt.AreaEnd());
        EXPECT_EQ(built.imageEnd, layout.sections[kSectionVor].AreaEnd());
        // Record counts and buckets: K (k = 10) group 0 starts at record 0, L (k = 11) at 2.
        const uint32_t info = p.sections[kSectionApt].infoStart;
        EXPECT_EQ(GetU16(&file[info]), 3u);
        EXPECT_EQ(GetU16(&file[info + 2 + 2 * 40]), 0u);
        EXPECT_EQ(GetU16(&file[info + 2 + 2 * 44]), 2u);
        // Facility index in name order: AERO (LFPG, record 2), BOSTON (KBOS), NEW YORK (KJFK).
        EXPECT_EQ(GetU16(&file[apt.facilityIndexStart]), 2u);
        EXPECT_EQ(GetU16(&file[apt.facilityIndexStart + 2]), 0u);
        EXPECT_EQ(GetU16(&file[apt.facilityIndexStart + 4]), 1u);
        // Name-index block of the APT area.
        EXPECT_EQ(GetU16(&file[info + kInfoNameBlock]), 2u);
        EXPECT_EQ(GetU24(&file[info + kInfoNameBlock + 2]), apt.cityIndexStart);
        EXPECT_EQ(GetU16(&file[info + kInfoNameBlock + 5]), 3u);
        EXPECT_EQ(GetU24(&file[info + kInfoNameBlock + 7]), apt.facilityIndexStart);

        const std::vector<uint8_t> stored(file.begin(), file.begin() + static_cast<long>(f.transferSkip));
        EXPECT_EQ(stored, TransferSumcheck(file, f.transferSkip, f.transferFirstSlot, f.transferSection,
                                           f.transferReduceFirst));
        EXPECT_EQ(GetU16(&file[f.packetCountOffset]), PacketCountOf(f, file, built.imageEnd));

        // The reader takes the same layout back.
        Image reread(p);
        ASSERT_TRUE(reread.Open(dir.File("s.img")).ok());
        ImageLayout back(p);
        const ImageResult rr = ReadImageLayout(reread, &back);
        ASSERT_TRUE(rr.ok()) << rr.text;
        for (int s = 0; s < kSectionCount; ++s) {
            EXPECT_EQ(back.sections[s].recordCount, layout.sections[s].recordCount);
            EXPECT_EQ(back.sections[s].recordsStart, layout.sections[s].recordsStart);
            EXPECT_EQ(back.sections[s].cellsStart, layout.sections[s].cellsStart);
            EXPECT_EQ(back.sections[s].cellCount, layout.sections[s].cellCount);
            EXPECT_EQ(back.DescribeSection(s), layout.DescribeSection(s));
        }
        EXPECT_EQ(back.namesLength, layout.namesLength);
        EXPECT_EQ(back.countryCount, 2u);
        ImageHeader header;
        ASSERT_TRUE(ReadImageHeader(reread, &header).ok());
        EXPECT_EQ(header.title, "Small");
        EXPECT_EQ(header.partNumber, p.partNumber);
        EXPECT_EQ(header.partNumberText, MakePartNumberText("Small", p.partNumber));
        EXPECT_EQ(header.created.year, 2026);
        EXPECT_EQ(header.created.day, 15);
    }
}

TEST(ImageReader, DamagedPointersAreReportedNotFollowed) {
    TempDir dir;
    {
        Image image(ImageParams496);
        ASSERT_TRUE(image.Create(dir.File("d.img")).ok());
        BuiltImage built;
        ASSERT_TRUE(BuildTestImage(image, TestDatabase{}, "", &built).ok());
        // The VOR info pointer now points past the end of the file.
        ASSERT_TRUE(image.WriteU24(ImageParams496.sections[kSectionVor].infoPointerOffset, 0x3FFFF0).ok());
    }
    Image image(ImageParams496);
    ASSERT_TRUE(image.Open(dir.File("d.img")).ok());
    ImageLayout layout(ImageParams496);
    const ImageResult r = ReadImageLayout(image, &layout);
    EXPECT_EQ(r.code, ImageCode::DataError);
    EXPECT_NE(r.text.find("VOR"), std::string::npos) << r.text;

    Image tiny(ImageParams496);
    WriteAll(dir.File("t.img"), std::vector<uint8_t>(100, 0xFF));
    ASSERT_TRUE(tiny.Open(dir.File("t.img")).ok());
    ImageHeader header;
    EXPECT_EQ(ReadImageHeader(tiny, &header).code, ImageCode::DataError);
}

TEST(ImageHeader, AppendedSectionBlocksAreRelocated) {
    TempDir dir;
    Image image(ImageParams496);
    ASSERT_TRUE(image.Create(dir.File("a.img")).ok());
    for (uint32_t i = 0; i < image.PrefillBlockCount(); ++i) ASSERT_TRUE(image.PrefillBlock(i).ok());
    image.Layout().SetFixed(true, true);
    TccSectionHeader tcc;
    // Body length, then tables a, z, y, m, b, r, g.
    const uint32_t v[8] = {0x300, 0x10, 0x10 + 10 * 3, 0x40, 0x40 + 6 * 2, 0x100, 0x100 + 19 * 4, 0x200};
    std::copy(v, v + 8, tcc.v);
    SuaSectionHeader sua;
    const uint32_t s[11] = {2, 0x80, 3, 0x60, 1, 0x10, 1, 0x30, 0, 0x10, 0x100};
    std::copy(s, s + 11, sua.v);
    HeaderInput in;
    in.tcc = &tcc;
    in.sua = &sua;
    AppendedPositions at;
    ASSERT_TRUE(WriteImageHeader(image, in, &at).ok());
    const uint32_t end = image.Layout().PointSectionsEnd();
    EXPECT_EQ(at.tcc, end);
    EXPECT_EQ(at.sua, end + 0x300);
    EXPECT_EQ(image.Layout().ImageEnd(), end + 0x400);
    image.Close();
    const std::vector<uint8_t> file = ReadAll(dir.File("a.img"));
    EXPECT_EQ(GetU24(&file[87]), 2012u);
    EXPECT_EQ(GetU24(&file[90]), 2020u);
    EXPECT_EQ(GetU24(&file[93]), 2046u);
    // Block A: 3 FSS records at V1 + P, section at P.
    EXPECT_EQ(GetU16(&file[2012]), 3u);
    EXPECT_EQ(GetU24(&file[2014]), end + 0x10);
    EXPECT_EQ(GetU24(&file[2017]), end);
    // Block B: (V0 - V7) / 23 cells, 2-byte grid numbers, 4 TCC records, 2 vertex entries.
    EXPECT_EQ(GetU16(&file[2020]), (0x300u - 0x200) / 23);
    EXPECT_EQ(GetU24(&file[2022]), end + 0x200);
    EXPECT_EQ(GetU16(&file[2025]), (0x200u - 0x14C) / 2);
    EXPECT_EQ(GetU16(&file[2030]), 4u);
    EXPECT_EQ(GetU24(&file[2032]), end + 0x100);
    EXPECT_EQ(GetU24(&file[2035]), end + 0x4C);
    EXPECT_EQ(GetU16(&file[2038]), 2u);
    EXPECT_EQ(GetU24(&file[2040]), end + 0x40);
    EXPECT_EQ(GetU24(&file[2043]), end + 0x2E);
    // SUA block: counts as given, offsets relocated to the SUA position.
    EXPECT_EQ(GetU16(&file[2046]), 2u);
    EXPECT_EQ(GetU24(&file[2048]), end + 0x300 + 0x80);
    EXPECT_EQ(GetU16(&file[2056]), 1u);
    EXPECT_EQ(GetU16(&file[2061]), 1u);
    EXPECT_EQ(GetU24(&file[2066]), end + 0x300);
}

TEST(ImageHeader, CountThatDoesNotFitItsFieldIsAnError) {
    TempDir dir;
    Image image(ImageParams496);
    ASSERT_TRUE(image.Create(dir.File("c.img")).ok());
    image.Layout().sections[kSectionInt].recordCount = 70000;
    const ImageResult r = WriteImageHeader(image, HeaderInput{});
    EXPECT_EQ(r.code, ImageCode::DataError);
    EXPECT_NE(r.text.find("INT"), std::string::npos) << r.text;
    EXPECT_NE(r.text.find("limit ffff"), std::string::npos) << r.text;
}

}  // namespace
