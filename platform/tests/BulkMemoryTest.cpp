#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdint>
#include <vector>

#include "platform/BulkMemory.h"

namespace {

// Blocks below, at and above the mapped size keep what is written into them; a table growing
// through them keeps its contents.
TEST(BulkMemory, BlocksOfEverySizeHoldTheirBytesAndTablesGrowThroughThem) {
    for (size_t bytes : {size_t{1}, size_t{4096}, (size_t{2} << 20) - 1, size_t{2} << 20, (size_t{3} << 20) + 5}) {
        auto* p = static_cast<uint8_t*>(platform::AllocateBulk(bytes));
        ASSERT_NE(p, nullptr);
        for (size_t i = 0; i < bytes; i += 4093) p[i] = static_cast<uint8_t>(i * 7);
        p[bytes - 1] = 0xA5;
        for (size_t i = 0; i + 1 < bytes; i += 4093) EXPECT_EQ(p[i], static_cast<uint8_t>(i * 7)) << bytes;
        EXPECT_EQ(p[bytes - 1], 0xA5) << bytes;
        platform::FreeBulk(p, bytes);
    }
    std::vector<uint32_t, platform::BulkAllocator<uint32_t>> table;
    for (uint32_t i = 0; i < 1500000; ++i) table.push_back(i * 3);
    for (uint32_t i = 0; i < 1500000; i += 997) ASSERT_EQ(table[i], i * 3);
    table.shrink_to_fit();
    EXPECT_EQ(table.back(), 1499999u * 3);
}

#if !defined(__SANITIZE_ADDRESS__)
// While work keeps its blocks, a freed block is the next one of a size it fits (its memory in
// place already) and a far smaller block takes a mapping of its own; once the work is over a
// freed block is not kept.
TEST(BulkMemory, FreedBlocksServeTheNextWhileKeptOnly) {
    const size_t mb = size_t{1} << 20;
    void* kept = nullptr;
    void* first = nullptr;
    {
        platform::BulkKeeping keeping;
        first = platform::AllocateBulk(5 * mb);
        static_cast<uint8_t*>(first)[5 * mb - 1] = 7;
        platform::FreeBulk(first, 5 * mb);
        void* next = platform::AllocateBulk(6 * mb - 5);   // the same whole huge pages
        EXPECT_EQ(next, first);
        void* small = platform::AllocateBulk(mb / 2);
        platform::FreeBulk(next, 6 * mb - 5);
        void* smaller = platform::AllocateBulk(mb / 2);
        EXPECT_NE(smaller, first);   // 6 MiB kept for a block that needs them
        EXPECT_NE(smaller, small);
        platform::FreeBulk(small, mb / 2);
        platform::FreeBulk(smaller, mb / 2);
        kept = platform::AllocateBulk(5 * mb);
        EXPECT_EQ(kept, first);
        platform::FreeBulk(kept, 5 * mb);
    }
    unsigned char resident = 0;
    EXPECT_EQ(::mincore(first, 4096, &resident), -1);   // no longer mapped
}
#endif

}  // namespace
