#include <gtest/gtest.h>

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

}  // namespace
