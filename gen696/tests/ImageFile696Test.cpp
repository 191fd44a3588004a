#include <gtest/gtest.h>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gen696/ImageFile696.h"

namespace {

std::vector<uint8_t> ReadBack(int fd) {
    std::vector<uint8_t> data(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
    EXPECT_EQ(pread(fd, data.data(), data.size(), 0), static_cast<ssize_t>(data.size()));
    return data;
}

class TempImage : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/img696-XXXXXX";
        fd = mkstemp(name);
        path = name;
        ASSERT_GE(fd, 0);
    }
    void TearDown() override {
        close(fd);
        unlink(path.c_str());
    }
    int fd = -1;
    std::string path;
};

TEST(ImageCrc696, IsTheComplementOfTheUsualCrc) {
    for (const std::string& text : std::vector<std::string>{"", "a", "123456789", std::string(1000, static_cast<char>(0xA5))}) {
        const auto* p = reinterpret_cast<const uint8_t*>(text.data());
        const uint32_t usual = static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(text.size())));
        EXPECT_EQ(ImageCrc696(kImageCrcStart696, p, text.size()), usual ^ 0xFFFFFFFFu) << text.size();
    }
}

// Lengths around the 16- and 64-byte blocks, at unaligned starts, whole and in pieces: the
// register carries over from piece to piece as the seal's chunks do.
TEST(ImageCrc696, AgreesWithTheUsualCrcAtEveryLengthAndSplit) {
    std::vector<uint8_t> data(300000);
    uint32_t x = 12345;
    for (uint8_t& b : data) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    const struct {
        size_t offset, size, split;
    } cases[] = {{0, 15, 7},    {1, 16, 16},   {3, 63, 31},    {5, 64, 0},       {7, 65, 64},
                 {9, 79, 15},   {11, 80, 33},  {13, 127, 64},  {15, 128, 100},   {2, 129, 1},
                 {4, 1000, 77}, {6, 4097, 4096}, {8, 131072, 65536}, {1, 299999, 131071}};
    for (const auto& c : cases) {
        const uint8_t* p = data.data() + c.offset;
        const uint32_t want = static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(c.size))) ^ 0xFFFFFFFFu;
        EXPECT_EQ(ImageCrc696(kImageCrcStart696, p, c.size), want) << c.size;
        const uint32_t first = ImageCrc696(kImageCrcStart696, p, c.split);
        EXPECT_EQ(ImageCrc696(first, p + c.split, c.size - c.split), want) << c.size << " split at " << c.split;
    }
}

TEST_F(TempImage, SealedImageHasTheUsualCrcOfAllOnesAndDirectoryEntriesAsWritten) {
    ImageFile696 image(fd);
    ASSERT_TRUE(image.ZeroDirectory());
    std::vector<uint8_t> header(520, 0x11);
    ASSERT_TRUE(image.Append(header.data(), header.size()));
    ASSERT_TRUE(image.MoveEnd(kSectionsStart696));
    ASSERT_TRUE(image.SetDirectoryEntry(5, image.End(), 0x123456, 26));
    // More than one append buffer, so that the seal reads back what was flushed in between.
    std::vector<uint8_t> body(200000);
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(image.Append(body.data(), body.size()));
    ASSERT_TRUE(image.SealImageCrc());
    const std::vector<uint8_t> data = ReadBack(fd);
    ASSERT_EQ(data.size(), kSectionsStart696 + body.size() + 4);
    EXPECT_EQ(image.End(), data.size());
    EXPECT_EQ(crc32(0, data.data(), static_cast<uInt>(data.size())), 0xFFFFFFFFu);
    const uint32_t bodyCrc = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size() - 4)));
    const uint8_t* seal = &data[data.size() - 4];
    EXPECT_EQ(seal[0] | (seal[1] << 8) | (seal[2] << 16) | (static_cast<uint32_t>(seal[3]) << 24),
              bodyCrc ^ 0xFFFFFFFFu);
    const uint8_t* entry = &data[512 + 8 * 5];
    const ImageDirectoryEntry e = UnpackDirectoryEntry(entry, 552);
    EXPECT_EQ(e.start, kSectionsStart696);
    EXPECT_EQ(e.count, 0x123456u);
    EXPECT_EQ(e.size, 26);
    EXPECT_EQ(image.Entry(5).start, kSectionsStart696);
    // The gap between the header and the sections reads as zeros, other entries stay zero.
    for (uint32_t i = 520; i < kSectionsStart696; ++i) {
        if (i < 552 || i >= 560) {
            EXPECT_EQ(data[i], 0) << i;
        }
    }
}

// The seal counts appended bytes by the registers taken as they were written, and reads back
// what was written at an offset since, wherever that falls: the CRC is the usual one all the same,
// with or without an early sync half-way (which writes out the buffer and the pending entry).
TEST_F(TempImage, SealAgreesWithTheFileAfterWritesOverAppendedBytes) {
    const struct {
        const char* what;
        uint32_t at;   // offset written over, 0 none
        size_t size;
        bool earlySync = false;
    } cases[] = {{"nothing written over", 0, 0},
                 {"header field", 248, 4},
                 {"inside one flushed piece", 2000, 100},
                 {"across two pieces", kSectionsStart696 + 100000 - 10, 20},
                 {"the last byte", kSectionsStart696 + 300000 - 1, 1},
                 {"early sync, nothing written over", 0, 0, true},
                 {"early sync, then a write over the synced part", kSectionsStart696 + 50000, 30, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(ftruncate(fd, 0), 0);
        ImageFile696 image(fd);
        ASSERT_TRUE(image.ZeroDirectory());
        std::vector<uint8_t> header(520, 0x22);
        ASSERT_TRUE(image.Append(header.data(), header.size()));
        ASSERT_TRUE(image.MoveEnd(kSectionsStart696));
        std::vector<uint8_t> body(300000);
        for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 13 + 5);
        // Small appends, then one larger than the append buffer.
        for (size_t at = 0; at < 100000; at += 1000) ASSERT_TRUE(image.Append(body.data() + at, 1000));
        ASSERT_TRUE(image.SetDirectoryEntry(7, kSectionsStart696, 3, 1));
        if (c.earlySync) {
            ASSERT_TRUE(image.StartEarlySync());
        }
        ASSERT_TRUE(image.Append(body.data() + 100000, 200000));
        if (c.size > 0) {
            const std::vector<uint8_t> over(c.size, 0x5A);
            ASSERT_TRUE(image.WriteAt(c.at, over.data(), over.size()));
        }
        ASSERT_TRUE(image.SealImageCrc());
        const std::vector<uint8_t> data = ReadBack(fd);
        ASSERT_EQ(data.size(), kSectionsStart696 + body.size() + 4);
        EXPECT_EQ(crc32(0, data.data(), static_cast<uInt>(data.size())), 0xFFFFFFFFu);
    }
}

TEST(ImageCrc696, ShiftJoinsTheRegistersOfTwoParts) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + 7);
    for (size_t split : {size_t{0}, size_t{1}, size_t{17}, size_t{64}, size_t{4095}, size_t{5000}}) {
        const uint32_t first = ImageCrc696(kImageCrcStart696, data.data(), split);
        const uint32_t second = ImageCrc696(0, data.data() + split, data.size() - split);
        EXPECT_EQ(ImageCrcShift696(first, data.size() - split) ^ second,
                  ImageCrc696(kImageCrcStart696, data.data(), data.size()))
            << split;
    }
}

}  // namespace
