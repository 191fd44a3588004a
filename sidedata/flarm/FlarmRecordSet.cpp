#include "sidedata/flarm/FlarmRecordSet.h"

#include <algorithm>
#include <cstring>

namespace {

// Each given field that is not empty replaces the stored one.
template <auto... Field>
void MergeFields(FlarmRecord& s, const FlarmRecord& r) {
    ((void)((r.*Field)[0] != '\0' && std::memcpy(s.*Field, r.*Field, sizeof(s.*Field))), ...);
}

void MergeInto(FlarmRecord& s, const FlarmRecord& r, bool ogn) {
    std::memcpy(s.FlarmID, r.FlarmID, sizeof s.FlarmID);
    MergeFields<&FlarmRecord::NAME, &FlarmRecord::AIRFIELD, &FlarmRecord::REG, &FlarmRecord::TYPE,
                &FlarmRecord::COMPID, &FlarmRecord::FREQUENCY>(s, r);
    s.ogn = (s.ogn != 0 || ogn) ? 1 : 0;
}

// Sorts key << 32 | arrival index by the key's 24 bits, two passes of 12 bits; equal keys keep
// their order.
void RadixSortByKey(std::vector<uint64_t>& order) {
    constexpr unsigned kBits = 12;
    constexpr size_t kBuckets = size_t{1} << kBits;
    std::vector<uint64_t> scratch(order.size());
    std::vector<size_t> start(kBuckets + 1);
    for (unsigned shift = 32; shift < 32 + 24; shift += kBits) {
        std::fill(start.begin(), start.end(), 0);
        for (uint64_t x : order) ++start[(x >> shift & (kBuckets - 1)) + 1];
        for (size_t b = 1; b <= kBuckets; ++b) start[b] += start[b - 1];
        for (uint64_t x : order) scratch[start[x >> shift & (kBuckets - 1)]++] = x;
        order.swap(scratch);
    }
}

}  // namespace

void FlarmRecordSet::AppendNew(const FlarmRecord& record, uint32_t key, bool ogn) const {
    // Taken whole: every reader of a field stops at its terminator.
    records_.emplace_back(record).ogn = ogn ? 1 : 0;
    keys_.push_back(key);
}

void FlarmRecordSet::Merge(const FlarmRecord& record, uint32_t key, bool ogn) {
    if (pendingFrom_ == kInOrder) {
        if (cursor_ < keys_.size() && keys_[cursor_] == key) {
            MergeInto(records_[cursor_++], record, ogn);
            ++counts_.met;
            return;
        }
        if (keys_.empty() || key > keys_.back()) {
            AppendNew(record, key, ogn);
            cursor_ = keys_.size();
            ++counts_.added;
            return;
        }
        auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
        size_t index = static_cast<size_t>(at - keys_.begin());
        if (*at == key) {
            MergeInto(records_[index], record, ogn);
            cursor_ = index + 1;
            ++counts_.met;
            return;
        }
        // Out of order: this record and every one after it wait for the next walk.
        pendingFrom_ = keys_.size();
    }
    AppendNew(record, key, ogn);
}

// The records from `from` on put in key order: gathered into a new run in sorted order (reads
// scattered, writes in order), which then takes their place.
void FlarmRecordSet::SortPending(size_t from) const {
    if (std::is_sorted(keys_.begin() + static_cast<ptrdiff_t>(from), keys_.end())) return;
    const size_t count = keys_.size() - from;
    std::vector<uint64_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = static_cast<uint64_t>(keys_[from + i]) << 32 | i;
    RadixSortByKey(order);
    // order[i]: key << 32 | the index of the record that goes to place i.
    constexpr size_t kAhead = 8;
    const FlarmRecord* source = records_.data() + from;
    std::vector<FlarmRecord> sorted;
    sorted.reserve(from == 0 ? records_.capacity() : count);
    for (size_t i = 0; i < count; ++i) {
        if (i + kAhead < count) __builtin_prefetch(source + static_cast<uint32_t>(order[i + kAhead]));
        sorted.push_back(source[static_cast<uint32_t>(order[i])]);
        keys_[from + i] = static_cast<uint32_t>(order[i] >> 32);
    }
    if (from == 0) {
        records_.swap(sorted);
    } else {
        std::copy(sorted.begin(), sorted.end(), records_.begin() + static_cast<ptrdiff_t>(from));
    }
}

// Folds each run of equal keys from `from` on into its first record; returns the new end.
size_t FlarmRecordSet::FoldPending(size_t from) const {
    size_t end = from;
    for (size_t i = from; i < keys_.size(); ++i) {
        if (end > from && keys_[end - 1] == keys_[i]) {
            MergeInto(records_[end - 1], records_[i], records_[i].ogn != 0);
            continue;
        }
        if (end != i) {
            records_[end] = records_[i];
            keys_[end] = keys_[i];
        }
        ++end;
    }
    return end;
}

// Merges the sorted distinct records [from, end) into the ordered ones before `from`: those
// whose key is there are folded into it, the others put in their places. Returns the new end.
size_t FlarmRecordSet::MergeIntoOrdered(size_t from, size_t end) const {
    size_t fresh = from;
    auto ordered = keys_.begin();
    for (size_t i = from; i < end; ++i) {
        ordered = std::lower_bound(ordered, keys_.begin() + static_cast<ptrdiff_t>(from), keys_[i]);
        if (ordered != keys_.begin() + static_cast<ptrdiff_t>(from) && *ordered == keys_[i]) {
            MergeInto(records_[static_cast<size_t>(ordered - keys_.begin())], records_[i], records_[i].ogn != 0);
            continue;
        }
        if (fresh != i) {
            records_[fresh] = records_[i];
            keys_[fresh] = keys_[i];
        }
        ++fresh;
    }
    if (fresh == from || keys_[from - 1] < keys_[from]) return fresh;
    // The two runs merged through a copy of the shorter one; upper-case ids sort as their keys.
    auto byId = [](const FlarmRecord& a, const FlarmRecord& b) { return std::memcmp(a.FlarmID, b.FlarmID, 6) < 0; };
    std::inplace_merge(records_.begin(), records_.begin() + static_cast<ptrdiff_t>(from),
                       records_.begin() + static_cast<ptrdiff_t>(fresh), byId);
    for (size_t i = 0; i < fresh; ++i) keys_[i] = FlarmIdValue(records_[i].FlarmID);
    return fresh;
}

void FlarmRecordSet::Settle() const {
    if (pendingFrom_ == kInOrder) return;
    const size_t from = pendingFrom_;
    const size_t pending = records_.size() - from;
    // Fewer ordered records than pending ones are sorted with them: one run, no merge.
    const size_t sortFrom = from < pending ? 0 : from;
    SortPending(sortFrom);
    size_t end = FoldPending(sortFrom);
    if (sortFrom > 0) end = MergeIntoOrdered(sortFrom, end);
    records_.resize(end);
    keys_.resize(end);
    const size_t added = end - from;
    counts_.added += static_cast<int>(added);
    counts_.met += static_cast<int>(pending - added);
    pendingFrom_ = kInOrder;
}

const std::vector<FlarmRecord>& FlarmRecordSet::Ordered() const {
    Settle();
    return records_;
}

FlarmMergeCounts FlarmRecordSet::Counts() const {
    Settle();
    return counts_;
}

void FlarmRecordSet::ResetCounts() {
    Settle();
    counts_ = {};
}

void FlarmRecordSet::Reserve(size_t more) {
    records_.reserve(records_.size() + more);
    keys_.reserve(keys_.size() + more);
}

void FlarmRecordSet::clear() {
    Settle();
    records_.clear();
    keys_.clear();
    cursor_ = 0;
}
