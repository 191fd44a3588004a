// DiskMgr and the process-wide BlockCache: hits, partial-overlap drops, eviction, write-back.
#include "EngineTestSupport.h"

#include "dblib/BlockCache.h"
#include "dblib/DiskMgr.h"
#include "platform/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

using namespace enginetest;

namespace {

class BlockCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DiskMgr::InstanceCount(), 0) << "a DiskMgr outlived its test";
        std::vector<uint8_t> bytes(8192);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 1);
        original = bytes;
        WriteAll(path, bytes);
    }
    // The file's bytes as a plain (unlocked) descriptor sees them.
    std::vector<uint8_t> OnDisk(int64_t offset, int length) {
        std::vector<uint8_t> b(static_cast<size_t>(length));
        int fd = ::open(path.c_str(), O_RDONLY);
        EXPECT_EQ(pread(fd, b.data(), b.size(), offset), length);
        ::close(fd);
        return b;
    }
    void PokeDisk(int64_t offset, uint8_t value) {
        int fd = ::open(path.c_str(), O_WRONLY);
        EXPECT_EQ(pwrite(fd, &value, 1, offset), 1);
        ::close(fd);
    }
    static int Used() {
        int n = 0;
        for (int i = 0; i < BlockCache::kEntries; ++i)
            n += BlockCache::Instance()->At(i).state != BlockCache::kFree;
        return n;
    }
    static int FindEntry(int fd, int64_t offset, int length) {
        for (int i = 0; i < BlockCache::kEntries; ++i) {
            const BlockCache::Entry& e = BlockCache::Instance()->At(i);
            if (e.state != BlockCache::kFree && e.fd == fd && e.offset == offset &&
                e.length == length)
                return i;
        }
        return -1;
    }

    TempDir dir;
    std::string path = dir.File("cache.bin");
    std::vector<uint8_t> original;
};

TEST_F(BlockCacheTest, HeaderFieldReadIsServedFromContainingEntry) {
    DiskMgr disk(DiskMgr::kCached);
    int fd = disk.Open(path, O_RDWR);
    ASSERT_GE(fd, 0);
    uint8_t header[1024];
    ASSERT_EQ(disk.Read(fd, header, 0, 1024), 1024);
    PokeDisk(6, 0xEE);   // behind the cache's back
    uint8_t field[4];
    ASSERT_EQ(disk.Read(fd, field, 4, 4), 4);
    EXPECT_EQ(0, std::memcmp(field, original.data() + 4, 4));
    EXPECT_EQ(Used(), 1);
    ASSERT_EQ(disk.Close(fd), 0);
}

// An entry E, then a read of R = [100, 200): which entries survive.
TEST_F(BlockCacheTest, ReadDropsOnlyPartlyOverlappingEntries) {
    struct Case {
        int64_t start;
        int length;
        bool kept;
    } cases[] = {
        {0, 100, true},    // ends where R begins
        {0, 150, false},   // ends inside R
        {0, 200, true},    // contains R, same end
        {0, 300, true},    // contains R
        {100, 50, false},  // same start, ends inside
        {100, 100, true},  // equal to R
        {150, 10, false},  // begins inside R
        {150, 150, false}, // begins inside, ends beyond
        {200, 100, true},  // begins where R ends
    };
    for (const Case& c : cases) {
        DiskMgr disk(DiskMgr::kCached);
        int fd = disk.Open(path, O_RDWR);
        ASSERT_GE(fd, 0);
        std::vector<uint8_t> buf(400);
        ASSERT_EQ(disk.Read(fd, buf.data(), c.start, c.length), c.length);
        ASSERT_EQ(disk.Read(fd, buf.data(), 100, 100), 100);
        EXPECT_EQ(FindEntry(fd, c.start, c.length) >= 0, c.kept)
            << "entry [" << c.start << ", +" << c.length << ")";
        EXPECT_EQ(0, std::memcmp(buf.data(), original.data() + 100, 100));
        ASSERT_EQ(disk.Close(fd), 0);
    }
}

TEST_F(BlockCacheTest, PartlyOverlappingWriteWritesDirtyEntryBackFirst) {
    DiskMgr disk(DiskMgr::kCached);
    int fd = disk.Open(path, O_RDWR);
    uint8_t a[16];
    std::memset(a, 0xAA, sizeof a);
    ASSERT_EQ(disk.Write(fd, a, 0, 16), 16);
    EXPECT_EQ(OnDisk(0, 1)[0], original[0]);   // still only in the cache
    uint8_t b[16];
    std::memset(b, 0xBB, sizeof b);
    ASSERT_EQ(disk.Write(fd, b, 8, 16), 16);
    // The first entry reached the file and is gone; the new range is a dirty entry.
    std::vector<uint8_t> disk0 = OnDisk(0, 24);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(disk0[i], 0xAA) << i;
    for (int i = 16; i < 24; ++i) EXPECT_EQ(disk0[i], original[i]) << i;
    EXPECT_LT(FindEntry(fd, 0, 16), 0);
    int e = FindEntry(fd, 8, 16);
    ASSERT_GE(e, 0);
    EXPECT_EQ(BlockCache::Instance()->At(e).state, BlockCache::kDirty);
    ASSERT_EQ(disk.Close(fd), 0);
    std::vector<uint8_t> after = OnDisk(0, 24);
    for (int i = 8; i < 24; ++i) EXPECT_EQ(after[i], 0xBB) << i;
}

TEST_F(BlockCacheTest, FullCacheEvictsSmallestStampAndWritesItBack) {
    DiskMgr disk(DiskMgr::kCached);
    int fd = disk.Open(path, O_RDWR);
    uint8_t buf[64];
    // Sixteen entries; entry of range 3 dirty.
    for (int i = 0; i < BlockCache::kEntries; ++i) ASSERT_EQ(disk.Read(fd, buf, i * 100, 50), 50);
    std::memset(buf, 0x5A, 50);
    ASSERT_EQ(disk.Write(fd, buf, 300, 50), 50);
    // Touch everything but ranges 3 and 5; range 3 (dirty) is then the least recently used.
    for (int i = 0; i < BlockCache::kEntries; ++i) {
        if (i == 3 || i == 5) continue;
        ASSERT_EQ(disk.Read(fd, buf, i * 100, 50), 50);
    }
    ASSERT_EQ(disk.Read(fd, buf, 500, 50), 50);
    EXPECT_EQ(Used(), BlockCache::kEntries);
    ASSERT_EQ(disk.Read(fd, buf, 5000, 20), 20);   // a miss: evicts range 3
    EXPECT_LT(FindEntry(fd, 300, 50), 0);
    EXPECT_GE(FindEntry(fd, 5000, 20), 0);
    EXPECT_EQ(OnDisk(300, 50), std::vector<uint8_t>(50, 0x5A));
    // The next miss evicts the smallest stamp then: range 0.
    ASSERT_EQ(disk.Read(fd, buf, 6000, 20), 20);
    EXPECT_LT(FindEntry(fd, 0, 50), 0);
    EXPECT_GE(FindEntry(fd, 500, 50), 0);
    ASSERT_EQ(disk.Close(fd), 0);
}

TEST_F(BlockCacheTest, CloseLeavesNoEntryOfDescriptorAndWritesBack) {
    DiskMgr disk(DiskMgr::kCached);
    int fd = disk.Open(path, O_RDWR);
    std::string other = dir.File("other.bin");
    WriteAll(other, std::vector<uint8_t>(4096, 0x11));
    int fd2 = disk.Open(other, O_RDWR);
    uint8_t buf[32];
    std::memset(buf, 0x77, sizeof buf);
    (void)disk.Write(fd, buf, 40, 32);
    (void)disk.Read(fd, buf, 1000, 32);
    (void)disk.Read(fd2, buf, 0, 32);
    ASSERT_EQ(disk.Close(fd), 0);
    for (int i = 0; i < BlockCache::kEntries; ++i) {
        const BlockCache::Entry& e = BlockCache::Instance()->At(i);
        EXPECT_TRUE(e.state == BlockCache::kFree || e.fd == fd2);
    }
    EXPECT_EQ(Used(), 1);
    EXPECT_EQ(OnDisk(40, 32), std::vector<uint8_t>(32, 0x77));
    // A file that gets the same descriptor number sees its own bytes.
    std::string third = dir.File("third.bin");
    WriteAll(third, std::vector<uint8_t>(4096, 0x33));
    int fd3 = disk.Open(third, O_RDWR);
    EXPECT_EQ(fd3, fd);
    ASSERT_EQ(disk.Read(fd3, buf, 40, 32), 32);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 32), std::vector<uint8_t>(32, 0x33));
    ASSERT_EQ(disk.Close(fd3), 0);
    ASSERT_EQ(disk.Close(fd2), 0);
}

TEST_F(BlockCacheTest, ReadBeyondEndReturnsShortCountAndCachesNothing) {
    DiskMgr disk(DiskMgr::kCached);
    int fd = disk.Open(path, O_RDWR);
    std::vector<uint8_t> buf(1024);
    EXPECT_EQ(disk.Read(fd, buf.data(), 8192 - 100, 1024), 100);
    EXPECT_EQ(disk.Read(fd, buf.data(), 20000, 1024), 0);
    EXPECT_EQ(Used(), 0);
    ASSERT_EQ(disk.Close(fd), 0);
}

TEST_F(BlockCacheTest, LastInstanceWritesBackAndUncachedWritesAtOnce) {
    int fd = -1;
    {
        DiskMgr cached(DiskMgr::kCached);
        DiskMgr direct(DiskMgr::kUncached);
        fd = cached.Open(path, O_RDWR);
        uint8_t buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        (void)cached.Write(fd, buf, 64, 8);
        EXPECT_EQ(OnDisk(64, 1)[0], original[64]);
        {
            DiskMgr another(DiskMgr::kCached);
            EXPECT_EQ(DiskMgr::InstanceCount(), 3);
        }
        EXPECT_EQ(OnDisk(64, 1)[0], original[64]);   // not the last instance yet

        std::string other = dir.File("direct.bin");
        WriteAll(other, std::vector<uint8_t>(100, 0));
        int fd2 = direct.Open(other, O_RDWR);
        uint8_t v = 9;
        EXPECT_EQ(direct.Write(fd2, &v, 10, 1), 1);
        int raw = ::open(other.c_str(), O_RDONLY);
        uint8_t r = 0;
        EXPECT_EQ(pread(raw, &r, 1, 10), 1);
        EXPECT_EQ(r, 9);
        ::close(raw);
        ASSERT_EQ(direct.Close(fd2), 0);
        EXPECT_EQ(Used(), 1);
        // fd stays open here: the cache is written back when the last DiskMgr goes.
    }
    EXPECT_EQ(BlockCache::Instance(), nullptr);
    EXPECT_EQ(OnDisk(64, 8), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    platform::CloseFile(fd);
}

}  // namespace
