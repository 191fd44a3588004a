// Writes the coded records of one section in ident order: each at its place in the records
// area, entered in the section's bucket table, with the sort keys the index writer needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/IdentCoder.h"
#include "gen/image/ImageResult.h"

class Image;

// Sort keys of one written record: its position as the record holds it and the bit positions
// of its names (kNoName when absent, so that absent names sort last).
struct RecordSortKeys {
    static constexpr uint32_t kNoName = 0xFFFFFFFF;
    int32_t lat = 0;
    int32_t lon = 0;
    uint32_t facility = kNoName;
    uint32_t city = kNoName;
};

class SectionRecordWriter {
public:
    // Records, per section, are numbered by u16 values; 0xFFFF means "none".
    static constexpr uint32_t kMaxRecords = 0xFFFF;

    SectionRecordWriter(Image& image, int section);

    // Writes the coded record (of the section's record size) as the next record. More records
    // than the layout counted, or than a u16 count holds, is an error naming the limit.
    ImageResult Add(const uint8_t* record, const std::string& ident);

    int Section() const { return section_; }
    uint32_t Count() const { return static_cast<uint32_t>(keys_.size()); }
    uint32_t CityCount() const { return cityCount_; }
    const IdentBuckets& Buckets() const { return buckets_; }
    const std::vector<RecordSortKeys>& Keys() const { return keys_; }

private:
    Image* image_;
    int section_;
    IdentBuckets buckets_;
    std::vector<RecordSortKeys> keys_;
    uint32_t cityCount_ = 0;
};
