// The merged records, one per FlarmID, walked in id order. Keys are the ids' values: for six
// upper-case hexadecimal digits numeric order is byte order. While the records come in order an
// id is found where the last one was found, by appending past the last, or by binary search.
// Once an id comes out of order the records are only appended; the next walk sorts them (radix,
// arrival order kept among equal ids), folds each id's records into one and merges them with the
// ordered ones (or, when those are fewer, sorts and folds all records as one run), so that the
// result is the same as merging each where it belongs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sidedata/flarm/FlarmRecord.h"

// What the merges met since the counts were reset.
struct FlarmMergeCounts {
    int added = 0;  // ids new to the set
    int met = 0;    // records whose id was there already
};

class FlarmRecordSet {
public:
    // Merges the record into the one of its key (the id's value, 24 bits), added when missing: an
    // empty field never erases a stored one, and the OGN flag stays set once set, else takes `ogn`.
    void Merge(const FlarmRecord& record, uint32_t key, bool ogn);
    // The records in id order.
    const std::vector<FlarmRecord>& Ordered() const;
    bool empty() const { return records_.empty(); }
    // Every record gone; the counts stay.
    void clear();
    // Room for this many more records.
    void Reserve(size_t more);

    FlarmMergeCounts Counts() const;
    void ResetCounts();

private:
    void AppendNew(const FlarmRecord& record, uint32_t key, bool ogn) const;
    void Settle() const;
    void SortPending(size_t from) const;
    size_t FoldPending(size_t from) const;
    size_t MergeIntoOrdered(size_t from, size_t end) const;

    static constexpr size_t kInOrder = SIZE_MAX;

    mutable std::vector<FlarmRecord> records_;
    mutable std::vector<uint32_t> keys_;  // key of each record
    mutable size_t pendingFrom_ = kInOrder;  // first record appended out of order
    mutable FlarmMergeCounts counts_;
    size_t cursor_ = 0;  // just past the last record found in order
};
