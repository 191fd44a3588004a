// The records of each key in a table ordered by that key: where each key's run starts, for the
// keys from 0 to the highest, so that a key's records are found at once. Keys that are few
// and far apart, negative keys and a table out of order are left to a binary search.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

template <class Rec>
class RecordRanges696 {
public:
    RecordRanges696() = default;
    RecordRanges696(const Rec* records, size_t count, int32_t Rec::*key) : records_(records), count_(count), key_(key) {
        if (count == 0) return;
        const int64_t highest = records[count - 1].*key;
        if (highest < 0 || static_cast<uint64_t>(highest) > 4 * count + kSpareKeys) return;
        for (size_t i = 1; i < count; ++i) {
            if (records[i].*key < records[i - 1].*key) return;
        }
        starts_.resize(static_cast<size_t>(highest) + 2);
        size_t at = 0;
        for (size_t k = 0; k < starts_.size(); ++k) {
            while (at < count && records[at].*key < static_cast<int64_t>(k)) ++at;
            starts_[k] = static_cast<uint32_t>(at);
        }
    }

    // The records whose key is `value`.
    std::pair<const Rec*, const Rec*> Of(int32_t value) const {
        if (value >= 0 && !starts_.empty()) {
            if (static_cast<size_t>(value) + 1 >= starts_.size()) return {records_ + count_, records_ + count_};
            return {records_ + starts_[static_cast<size_t>(value)], records_ + starts_[static_cast<size_t>(value) + 1]};
        }
        struct Less {
            int32_t Rec::*key;
            bool operator()(const Rec& a, int32_t v) const { return a.*key < v; }
            bool operator()(int32_t v, const Rec& a) const { return v < a.*key; }
        };
        const auto range = std::equal_range(records_, records_ + count_, value, Less{key_});
        return {range.first, range.second};
    }

private:
    static constexpr uint64_t kSpareKeys = 1 << 16;
    const Rec* records_ = nullptr;
    size_t count_ = 0;
    int32_t Rec::*key_ = nullptr;
    std::vector<uint32_t> starts_;
};
