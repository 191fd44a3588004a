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
    std::vector<std::pair<int64_t, uint32_t>> keyed(n);
    for (uint32_t i = 0; i < n; ++i) keyed[i] = {static_cast<int64_t>(key(i)), i};
    std::sort(keyed.begin(), keyed.end());
    order->resize(n);
    for (uint32_t i = 0; i < n; ++i) (*order)[i] = keyed[i].second;
}
