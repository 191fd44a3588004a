// Reads records of an open image whose information is loaded: point records, SUA, FSS and TCC
// records and their fields. Every read is checked against the file and the section's count:
// bytes outside the file read as 0, and a record outside its section is refused. Reads go to the
// file, or to a copy of it in memory once LoadIntoMemory has taken one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/createimage/CreateImageAirspace.h"
#include "gen/image/ImageInfo.h"

class Image;

// Room for any record of any section (SUA records are the largest).
constexpr size_t kMaxImageRecord = 32;

// Reads a section's 164 ident buckets from its info area.
void ReadIdentBuckets(const Image& image, const ImageLayout& layout, int section, uint16_t out[kBucketCount]);

// A position: latitude and longitude in circle units.
struct GeoPoint {
    int32_t lat = 0;
    int32_t lon = 0;
};

// A box: south-west and north-east corners.
struct GeoBox {
    GeoPoint sw;
    GeoPoint ne;
};

class ImageReader {
public:
    ImageReader(const Image& image, const ImageInfo& info);

    const Image& GetImage() const { return *image_; }
    const ImageInfo& Info() const { return *info_; }
    const ImageParams& Params() const { return *info_->params; }
    const AirspaceLayouts& Airspace() const { return *air_; }

    // Reads the file's first Info().fileLength bytes once; later reads are served from that copy
    // (a snapshot, as the rest of the image information is). False, and reads keep going to the
    // file, when the file cannot be read that far.
    bool LoadIntoMemory();

    // Reads bytes at an offset; bytes outside the file are 0. True when all lie inside the file.
    bool Read(uint64_t offset, void* out, size_t length) const;
    uint32_t ReadU16(uint64_t offset) const;

    // Point sections (APT, INT, NDB, VOR).
    uint32_t RecordCount(int section) const;
    uint32_t RecordSize(int section) const;
    // Record n into out (kMaxImageRecord bytes, zero-filled behind the record); false when n is
    // not below the count or the record does not lie wholly in the file.
    bool ReadRecord(int section, uint32_t n, uint8_t* out) const;
    // The ident bucket of record n: the last non-empty bucket whose first record number is at
    // most n; -1 when there is none.
    int BucketOf(int section, uint32_t n) const;

    // SUA areas: numbers below the count of table a address its records, the others table b.
    uint32_t SuaCount() const;
    bool IsSuaA(uint32_t number) const { return number < info_->map.sua.aCount; }
    uint32_t SuaRecordSize(uint32_t number) const;
    bool ReadSua(uint32_t number, uint8_t* out) const;

    // FSS and TCC records and the TCC groups (6-byte vertex entries).
    uint32_t FssCount() const;
    bool ReadFss(uint32_t n, uint8_t* out) const;
    uint32_t TccCount() const;
    bool ReadTcc(uint32_t n, uint8_t* out) const;
    bool ReadTccGroup(uint32_t n, uint8_t out[kTccGroupSize]) const;

private:
    bool ReadTableRecord(uint32_t start, uint32_t count, uint32_t size, uint32_t n, uint8_t* out) const;

    const Image* image_;
    const ImageInfo* info_;
    // Per section, the least bucket start at or after each bucket (0x10000 for unused ones):
    // ascending, so BucketOf is a binary search.
    uint32_t bucketFloors_[kSectionCount][kBucketCount];
    const AirspaceLayouts* air_;
    bool inMemory_ = false;
    std::vector<uint8_t> bytes_;  // the file's bytes when in memory
};

// Fields of airspace records.
NamePosition AirspaceName(const ImageParams& params, const AirspaceNameSlot& slot, const uint8_t* record);
// The two names of an SUA record and the names of FSS and TCC records.
const AirspaceNameSlot& SuaAgencyName(const AirspaceLayouts& air);
const AirspaceNameSlot& SuaAreaName(const AirspaceLayouts& air);
const AirspaceNameSlot& FssName(const AirspaceLayouts& air);
const AirspaceNameSlot& TccName(const AirspaceLayouts& air);
// SUA record: the bounding box, the start of its vertex data, the heights flag, the priority,
// the type code and the limits in hundreds of feet.
GeoBox SuaBox(const uint8_t* record);
GeoPoint SuaStart(const uint8_t* record);
uint32_t SuaDataPointer(const AirspaceLayouts& air, const uint8_t* record);
bool SuaHasHeights(const uint8_t* record);
uint32_t SuaPriority(const AirspaceLayouts& air, const uint8_t* record);
uint32_t SuaType(const uint8_t* record);
uint32_t SuaLower(const uint8_t* record);
uint32_t SuaUpper(const uint8_t* record);
// FSS position, TCC corners and TCC group position.
GeoPoint FssPosition(const uint8_t* record);
GeoBox TccBox(const uint8_t* record);
GeoPoint TccGroupPosition(const uint8_t group[kTccGroupSize]);
// TCC record: index of its first group (13 bits) and the offset of its byte list.
uint32_t TccFirstGroup(const uint8_t* record);
uint32_t TccByteList(const uint8_t* record);
