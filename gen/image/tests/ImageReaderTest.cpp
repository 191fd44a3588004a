// The image reader answers the same from memory as from the file: bytes, records past a
// section's end and reads across the end of the file.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "gen/testsupport/ListingExample.h"

using namespace listtest;

namespace {

TEST(ImageReaderMemory, SameAnswersAsTheFile) {
    imgtest::TempDir dir;
    const std::string path = dir.File("reader.img");
    BuildExample(path);
    Image image(ImageParams496);
    ASSERT_TRUE(image.Open(path).ok());
    ImageInfo info(ImageParams496);
    ASSERT_TRUE(LoadImageInfo(image, 0, &info, [](const std::string&) {}).ok());
    const ImageReader file(image, info);
    ImageReader memory(image, info);
    ASSERT_TRUE(memory.LoadIntoMemory());

    const uint64_t end = info.fileLength;
    const struct {
        uint64_t offset;
        size_t length;
    } reads[] = {{0, 16}, {end - 3, 2}, {end - 3, 8}, {end, 4}, {end + 100, 4}, {end, 0}, {0xFFFFFFFFFFFFFFF0u, 8}};
    for (const auto& r : reads) {
        SCOPED_TRACE(r.offset);
        uint8_t a[16];
        uint8_t b[16];
        std::memset(a, 0xAA, sizeof a);
        std::memset(b, 0x55, sizeof b);
        EXPECT_EQ(file.Read(r.offset, a, r.length), memory.Read(r.offset, b, r.length));
        EXPECT_EQ(std::memcmp(a, b, r.length), 0);
    }
    for (int section = 0; section < kSectionCount; ++section) {
        for (uint32_t n = 0; n <= file.RecordCount(section); ++n) {
            uint8_t a[kMaxImageRecord];
            uint8_t b[kMaxImageRecord];
            EXPECT_EQ(file.ReadRecord(section, n, a), memory.ReadRecord(section, n, b));
            EXPECT_EQ(std::memcmp(a, b, sizeof a), 0) << section << " " << n;
        }
    }
    for (uint32_t n = 0; n <= file.SuaCount(); ++n) {
        uint8_t a[kMaxImageRecord];
        uint8_t b[kMaxImageRecord];
        EXPECT_EQ(file.ReadSua(n, a), memory.ReadSua(n, b));
        EXPECT_EQ(std::memcmp(a, b, sizeof a), 0) << n;
    }
}

TEST(ImageReaderMemory, AFileShorterThanItsInformationStaysOnTheFile) {
    imgtest::TempDir dir;
    const std::string path = dir.File("short.img");
    BuildExample(path);
    Image image(ImageParams496);
    ASSERT_TRUE(image.Open(path).ok());
    ImageInfo info(ImageParams496);
    ASSERT_TRUE(LoadImageInfo(image, 0, &info, [](const std::string&) {}).ok());
    info.fileLength += 64;  // the file cannot be read that far
    ImageReader reader(image, info);
    EXPECT_FALSE(reader.LoadIntoMemory());
    uint8_t bytes[4];
    EXPECT_TRUE(reader.Read(0, bytes, sizeof bytes));
}

}  // namespace

// The bucket of a record is the last bucket whose start is at most the record number, also when
// a damaged table does not ascend.
TEST(ImageReaderBuckets, LastBucketStartingAtOrBeforeTheRecord) {
    Image image(ImageParams496);
    ImageInfo info(ImageParams496);
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        for (uint32_t i = 0; i < kBucketCount; ++i) {
            const uint32_t pick = random() % 4;
            info.buckets[0][i] = pick == 0 ? 0xFFFF : static_cast<uint16_t>(round < 100 ? i * 10 + pick : random() % 2000);
        }
        const ImageReader reader(image, info);
        for (uint32_t n : {0u, 1u, 5u, 10u, 11u, 500u, 1639u, 1640u, 1999u, 65534u, 65535u, 70000u}) {
            int expected = -1;
            for (int i = static_cast<int>(kBucketCount) - 1; i >= 0 && expected < 0; --i) {
                if (info.buckets[0][i] != 0xFFFF && info.buckets[0][i] <= n) expected = i;
            }
            ASSERT_EQ(reader.BucketOf(0, n), expected) << "round " << round << " record " << n;
        }
    }
}
