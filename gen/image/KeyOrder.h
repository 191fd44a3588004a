// The order of a section's records by a key: record numbers 0 to n - 1, ascending by key, ties
// by record number (the order a stable sort gives). The keys are computed once, not per
// comparison.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

template <class Key>
void OrderByKey(uint32_t n, Key key, std::vector<uint32_t>* order) {
    order->resize(n);
    // Key and record number in one word, sorted as plain numbers, where both fit: a section's
    // record numbers take 16 bits, its keys far fewer than the 48 bits left.
    constexpr int64_t kBias = int64_t{1} << 47;
    std::vector<uint64_t> packed(n);
    bool fits = n <= 0x10000;
    for (uint32_t i = 0; fits && i < n; ++i) {
        const auto k = static_cast<int64_t>(key(i));
        fits = k >= -kBias && k < kBias;
        packed[i] = static_cast<uint64_t>(k + kBias) << 16 | i;
    }
    if (fits) {
        // A radix sort, a byte per pass, over the key bytes in which the words differ: the
        // words start in record-number order, which each stable pass keeps among equal keys.
        uint64_t differ = 0;
        for (uint32_t i = 1; i < n; ++i) differ |= packed[i] ^ packed[0];
        std::vector<uint64_t> other(n);
        for (uint32_t shift = 16; shift < 64; shift += 8) {
            if (((differ >> shift) & 0xFF) == 0) continue;
            uint32_t start[257] = {};
            for (uint64_t v : packed) ++start[((v >> shift) & 0xFF) + 1];
            for (uint32_t d = 1; d < 257; ++d) start[d] += start[d - 1];
            for (uint64_t v : packed) other[start[(v >> shift) & 0xFF]++] = v;
            packed.swap(other);
        }
        for (uint32_t i = 0; i < n; ++i) (*order)[i] = static_cast<uint32_t>(packed[i] & 0xFFFF);
        return;
    }
    std::vector<std::pair<int64_t, uint32_t>> keyed(n);
    for (uint32_t i = 0; i < n; ++i) keyed[i] = {static_cast<int64_t>(key(i)), i};
    std::sort(keyed.begin(), keyed.end());
    for (uint32_t i = 0; i < n; ++i) (*order)[i] = keyed[i].second;
}
