// The finishing rules of the families: file cut, size checks, sumcheck field, packet count.
#include <gtest/gtest.h>

#include "gen/testsupport/ImageTestUtil.h"

using namespace imgtest;

namespace {

TEST(ImageCut, FileLengthPerFamily) {
    struct Case {
        const ImageParams* params;
        uint32_t imageEnd;
        uint64_t fileLength;  // before the cut
        uint64_t expected;
    };
    const Case cases[] = {
        {&ImageParams496, 0, 0x400000, 0x40000},
        {&ImageParams496, 0x3FFFF, 0x400000, 0x40000},
        {&ImageParams496, 0x40000, 0x400000, 0x80000},   // a whole chunk of 0xFF follows
        {&ImageParams496, 0x80000, 0x400000, 0xC0000},
        {&ImageParams496, 0x3BFFFF, 0x400000, 0x3C0000},
        {&ImageParams496, 0x3C0000, 0x400000, 0x400000},  // keeps its 4 MB
        {&ImageParams496, 0x3FFFFF, 0x400000, 0x400000},
        {&ImageParamsIIIPilot, 0xFFFF, 0x170000, 0x10000},
        {&ImageParamsIIIPilot, 0x10000, 0x170000, 0x20000},
        {&ImageParamsIIIPilot, 0x15FFFF, 0x170000, 0x160000},
        {&ImageParamsIIIPilot, 0x160000, 0x170000, 0x170000},
        {&ImageParams195, 0x1FFFF, 0x200000, 0x20000},
        {&ImageParams195, 0x20000, 0x200000, 0x40000},
        {&ImageParams195, 0x1E0000, 0x200000, 0x200000},
        {&ImageParams195, 0x230000, 0x230000, 0x230000},  // a long 195 image keeps what was written
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.params->cutLength(*c.params, c.imageEnd, c.fileLength), c.expected)
            << "part " << c.params->partNumber << " end " << std::hex << c.imageEnd;
    }
}

TEST(ImageCut, AppliedToTheFile) {
    TempDir dir;
    Image image(ImageParams496);
    ASSERT_TRUE(image.Create(dir.File("c.img")).ok());
    for (uint32_t i = 0; i < image.PrefillBlockCount(); ++i) ASSERT_TRUE(image.PrefillBlock(i).ok());
    EXPECT_EQ(image.FileLength(), 0x400000u);
    ASSERT_TRUE(image.Cut(0x40000).ok());
    EXPECT_EQ(image.FileLength(), 0x80000u);
}

TEST(ImageSizeCheck, MessagesAndWhetherToSumcheck) {
    const uint32_t none[kSectionCount] = {};
    const uint32_t many[kSectionCount] = {40000, 10, 32769, 32768};
    struct Case {
        const ImageParams* params;
        uint32_t names;
        uint32_t end;
        const uint32_t* counts;
        bool sumcheck;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {&ImageParams496, 0xFFFFE, 0x400000, none, true, {}},
        {&ImageParams496, 0x100004, 0x500000, none, false,
         {"Please note the names table is 5 bytes too long - DO NOT USE"}},
        {&ImageParams496, 10, 0x400010, none, false, {"Please note image is 16 bytes too long - DO NOT USE"}},
        {&ImageParamsIIIPilot, 0x3FFFF, 10, none, false,
         {"Please note the names table is 0 bytes too long - DO NOT USE"}},
        {&ImageParamsIIIPilot, 10, 0x170001, none, false, {"Please note image is 1 bytes too long - DO NOT USE"}},
        {&ImageParams195, 10, 0x200000, many, true,
         {"Do not use this image in 195,196,295 units because there are too many APTs",
          "Do not use this image in 195,196,295 units because there are too many NDBs"}},
        {&ImageParams195, 10, 0x200001, many, true,
         {"Do not use this image in 195,196,295 units because it is too long"}},
        {&ImageParams195, 10, 0x260000, none, true,
         {"Do not use this image in 195,196,295 units because it is too long"}},
        {&ImageParams195, 10, 0x260001, none, false, {"Please note image is 393217 bytes too long - DO NOT USE"}},
        {&ImageParams496, 10, 0x100000, many, true, {}},
    };
    for (const Case& c : cases) {
        const ImageSizeCheck check = CheckImageSize(*c.params, c.names, c.end, c.counts);
        EXPECT_EQ(check.sumcheck, c.sumcheck) << "part " << c.params->partNumber << " " << std::hex << c.end;
        EXPECT_EQ(check.messages, c.messages) << "part " << c.params->partNumber << " " << std::hex << c.end;
    }
}

TEST(Sumcheck, AllFFChunksHaveCheckZero) {
    const std::vector<uint8_t> ff(0x400000, 0xFF);
    EXPECT_EQ(ChunkCheck(ff.data(), 0x40000, 0), 0);
    EXPECT_EQ(ChunkCheck(ff.data(), 0x10000, 0), 0);
    const std::vector<uint8_t> f496 = ComputeSumcheckField(ImageParams496.sumcheck, ff.data(), ff.size(), 0x40000);
    // Chunk 0 leaves out its 16 field bytes: 0x3FFF0 x 0xFF sums to 0x10, check 0xF0.
    EXPECT_EQ(f496[0], 0xF0);
    for (size_t i = 1; i < 16; ++i) EXPECT_EQ(f496[i], 0) << i;
}

// The check against a byte-by-byte sum, over lengths around the word and lane-flush sizes,
// with skips inside, at and beyond the length, from an aligned and an unaligned start.
TEST(Sumcheck, ChunkCheckIsTheNegatedByteSum) {
    std::vector<uint8_t> data(0x2010, 0xFF);  // from 0x1000 on, lanes filled to their limit
    for (size_t i = 0; i < 0x1000; ++i) data[i] = static_cast<uint8_t>(i * 167 + (i >> 8) * 13);
    for (size_t from : {0, 3}) {
        for (size_t length : {0, 1, 7, 8, 9, 1023, 1024, 1025, 1031, 0x1000, 0x2000}) {
            for (size_t skip : {size_t{0}, size_t{1}, size_t{16}, length, length + 3}) {
                uint8_t sum = 0;
                for (size_t i = skip; i < length; ++i) sum = static_cast<uint8_t>(sum + data[from + i]);
                EXPECT_EQ(ChunkCheck(data.data() + from, length, skip), static_cast<uint8_t>(-sum))
                    << from << " " << length << " " << skip;
            }
        }
    }
}

TEST(Sumcheck, IIIPilotCountAndChunkZeroRule) {
    // Data in the first two 64 KB chunks; the field counts them and chunk 0's check also
    // covers the count, as the transfer programs read it.
    std::vector<uint8_t> file(0x30000, 0xFF);
    file[100] = 0x12;
    file[0x10005] = 0x34;
    const std::vector<uint8_t> field =
        ComputeSumcheckField(ImageParamsIIIPilot.sumcheck, file.data(), file.size(), 0x10006);
    ASSERT_EQ(field.size(), 25u);
    EXPECT_EQ(field[0], 2);
    std::copy(field.begin(), field.end(), file.begin());
    EXPECT_EQ(field, TransferSumcheck(file, 25, 1, 0x10000, true));
    // The plain sum of chunk 0 from byte 25 on.
    uint8_t sum = 0;
    for (size_t i = 25; i < 0x10000; ++i) sum = static_cast<uint8_t>(sum + file[i]);
    EXPECT_EQ(static_cast<uint8_t>(field[1] + field[0]), static_cast<uint8_t>(-sum));
}

TEST(Sumcheck, StepsAndReportLine) {
    TempDir dir;
    Image image(ImageParamsIIIPilot);
    ASSERT_TRUE(image.Create(dir.File("s.img")).ok());
    for (uint32_t i = 0; i < image.PrefillBlockCount(); ++i) ASSERT_TRUE(image.PrefillBlock(i).ok());
    const uint8_t data[3] = {1, 2, 3};
    ASSERT_TRUE(image.Write(0x10000, data, 3).ok());
    Sumcheck sum(ImageParamsIIIPilot.sumcheck);
    ASSERT_EQ(sum.ChunkCount(), 23u);
    for (uint32_t i = 0; i < sum.ChunkCount(); ++i) ASSERT_TRUE(sum.SumChunk(image, i).ok());
    ASSERT_TRUE(sum.Write(image, 0x10003).ok());
    // Two chunks: the report lists bytes 0 to 2.
    EXPECT_EQ(sum.Field()[0], 2);
    EXPECT_EQ(sum.ReportLine().size(), 9u);
    ASSERT_TRUE(image.SetFileLength(0x18000).ok());
    const ImageResult r = sum.SumChunk(image, 1);
    EXPECT_EQ(r.code, ImageCode::InternalError);
    EXPECT_EQ(r.text, "read only 0 bytes");
}

TEST(PacketCount, ThreeUsedBlocksPerFamily) {
    struct Case {
        const ImageParams* params;
        uint32_t offset;
        uint32_t stored;
    };
    const Case cases[] = {{&ImageParams496, 57, 2}, {&ImageParamsIIIPilot, 66, 3}, {&ImageParams195, 57, 3}};
    for (const Case& c : cases) {
        TempDir dir;
        Image image(*c.params);
        ASSERT_TRUE(image.Create(dir.File("p.img")).ok());
        for (uint32_t i = 0; i < 64; ++i) ASSERT_TRUE(image.PrefillBlock(i).ok());
        // Blocks 0, 5 and 9 hold data; block 9 holds the last image byte in its first byte
        // and is read whole.
        const uint8_t zero = 0;
        ASSERT_TRUE(image.Write(0, &zero, 1).ok());
        ASSERT_TRUE(image.Write(5 * 128 + 127, &zero, 1).ok());
        ASSERT_TRUE(image.Write(9 * 128 + 0, &zero, 1).ok());
        ASSERT_TRUE(image.Write(12 * 128, &zero, 1).ok());  // behind the image end: not counted
        uint32_t stored = 0;
        ASSERT_TRUE(WritePacketCount(image, 9 * 128 + 1, &stored).ok());
        EXPECT_EQ(stored, c.stored) << "part " << c.params->partNumber;
        EXPECT_EQ(image.ReadU16(c.offset), c.stored) << "part " << c.params->partNumber;
    }
}

}  // namespace
