#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "gen696/SerialSet696.h"

namespace {

// Close numbers (flags), far-apart and negative numbers (search), none: each answers as the
// numbers it was made from.
TEST(SerialSet696, HoldsTheNumbersItWasMadeFrom) {
    const std::vector<std::vector<int32_t>> sets = {
        {}, {0}, {5, 3, 9, 3}, {2, 1000000000}, {-4, 7, 2}, {INT32_MAX}, {65536 + 10, 1},
    };
    for (const std::vector<int32_t>& numbers : sets) {
        const SerialSet696 set(numbers);
        for (int32_t n : {INT32_MIN, -5, -4, -1, 0, 1, 2, 3, 4, 5, 7, 9, 10, 65546, 65547, 1000000000, INT32_MAX}) {
            const bool in = std::find(numbers.begin(), numbers.end(), n) != numbers.end();
            EXPECT_EQ(set.Has(n), in) << ::testing::PrintToString(numbers) << " " << n;
        }
    }
}

}  // namespace
