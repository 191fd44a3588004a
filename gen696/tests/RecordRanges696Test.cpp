#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "gen696/RecordRanges696.h"

namespace {

struct Rec {
    int32_t key;
    int32_t n;
};

// Every key's records, as a binary search over the table finds them, for tables whose keys run
// close together, with gaps and repeats, below zero, far apart, and out of order.
TEST(RecordRanges696, SameRecordsAsABinarySearch) {
    const std::vector<std::vector<int32_t>> tables = {
        {},
        {0},
        {5},
        {0, 0, 1, 3, 3, 3, 7, 8},
        {-4, -1, -1, 0, 2, 2, 9},
        {2, 2, 2, 2},
        {1, 1000000000},             // far apart: left to the search
        {-7, -3},
        {3, 1, 2, 2, 0},             // out of order
    };
    for (const std::vector<int32_t>& keys : tables) {
        std::vector<Rec> recs;
        for (size_t i = 0; i < keys.size(); ++i) recs.push_back({keys[i], static_cast<int32_t>(i)});
        const RecordRanges696<Rec> ranges(recs.data(), recs.size(), &Rec::key);
        for (int32_t value : {-8, -4, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1000000000, INT32_MAX, INT32_MIN}) {
            const auto expected = std::equal_range(recs.begin(), recs.end(), value, [](const auto& a, const auto& b) {
                if constexpr (std::is_same_v<std::decay_t<decltype(a)>, Rec>) {
                    return a.key < b;
                } else {
                    return a < b.key;
                }
            });
            const auto [first, last] = ranges.Of(value);
            SCOPED_TRACE(::testing::PrintToString(keys) + " key " + std::to_string(value));
            // An empty range may stand anywhere.
            ASSERT_EQ(last - first, expected.second - expected.first);
            if (first != last) EXPECT_EQ(first, recs.data() + (expected.first - recs.begin()));
        }
    }
}

}  // namespace
