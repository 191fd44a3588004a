#include "gen/image/ImageReader.h"

#include <algorithm>
#include <cstring>

#include "common/Bits.h"
#include "gen/image/Image.h"

namespace {

int32_t HalfLatitude(uint32_t shifted) { return static_cast<int32_t>(shifted) >> 1; }

}  // namespace

void ReadIdentBuckets(const Image& image, const ImageLayout& layout, int section, uint16_t out[kBucketCount]) {
    uint8_t raw[2 * kBucketCount];
    std::memset(raw, 0xFF, sizeof raw);
    image.Read(layout.sections[section].infoStart + kInfoBuckets, raw, sizeof raw);
    for (uint32_t b = 0; b < kBucketCount; ++b) out[b] = static_cast<uint16_t>(GetU16(&raw[2 * b]));
}

ImageReader::ImageReader(const Image& image, const ImageInfo& info)
    : image_(&image), info_(&info), air_(&AirspaceLayoutsOf(*info.params)) {
    for (int s = 0; s < kSectionCount; ++s) {
        uint32_t least = 0x10000;
        for (int i = static_cast<int>(kBucketCount) - 1; i >= 0; --i) {
            const uint16_t start = info.buckets[s][i];
            if (start != 0xFFFF && start < least) least = start;
            bucketFloors_[s][i] = least;
        }
    }
}

bool ImageReader::LoadIntoMemory() {
    std::vector<uint8_t> bytes(static_cast<size_t>(info_->fileLength));
    if (!bytes.empty() && image_->Read(0, bytes.data(), bytes.size()) != static_cast<long>(bytes.size())) return false;
    bytes_ = std::move(bytes);
    inMemory_ = true;
    return true;
}

bool ImageReader::Read(uint64_t offset, void* out, size_t length) const {
    if (inMemory_) {
        const uint64_t size = bytes_.size();
        const size_t n = offset < size ? static_cast<size_t>(std::min<uint64_t>(length, size - offset)) : 0;
        if (n) std::memcpy(out, bytes_.data() + offset, n);
        if (n < length) std::memset(static_cast<uint8_t*>(out) + n, 0, length - n);
        return n == length;
    }
    std::memset(out, 0, length);
    if (offset >= info_->fileLength) return length == 0;
    const long n = image_->Read(offset, out, length);
    return n == static_cast<long>(length);
}

uint32_t ImageReader::ReadU16(uint64_t offset) const {
    uint8_t b[2];
    Read(offset, b, 2);
    return GetU16(b);
}

uint32_t ImageReader::RecordCount(int section) const { return info_->layout.sections[section].recordCount; }

uint32_t ImageReader::RecordSize(int section) const { return Params().sections[section].recordSize; }

bool ImageReader::ReadTableRecord(uint32_t start, uint32_t count, uint32_t size, uint32_t n, uint8_t* out) const {
    std::memset(out, 0, kMaxImageRecord);
    if (n >= count || size > kMaxImageRecord) return false;
    return Read(uint64_t{start} + uint64_t{size} * n, out, size);
}

bool ImageReader::ReadRecord(int section, uint32_t n, uint8_t* out) const {
    const SectionDescriptor& d = info_->layout.sections[section];
    return ReadTableRecord(d.recordsStart, d.recordCount, RecordSize(section), n, out);
}

int ImageReader::BucketOf(int section, uint32_t n) const {
    // The last bucket whose start is at most n: the last whose floor is at most n.
    // Starts are below 0xFFFF (unused), so every number from 0xFFFE on finds the same bucket.
    const uint32_t* floors = bucketFloors_[section];
    return static_cast<int>(std::upper_bound(floors, floors + kBucketCount, std::min<uint32_t>(n, 0xFFFE)) - floors) -
           1;
}

uint32_t ImageReader::SuaCount() const {
    const SuaMap& u = info_->map.sua;
    return u.present ? u.aCount + u.bCount : 0;
}

uint32_t ImageReader::SuaRecordSize(uint32_t number) const {
    return IsSuaA(number) ? air_->suaA->size : air_->suaB->size;
}

bool ImageReader::ReadSua(uint32_t number, uint8_t* out) const {
    const SuaMap& u = info_->map.sua;
    if (!u.present) return ReadTableRecord(0, 0, 0, 0, out);
    if (IsSuaA(number)) return ReadTableRecord(u.aStart, u.aCount, air_->suaA->size, number, out);
    return ReadTableRecord(u.bStart, u.bCount, air_->suaB->size, number - u.aCount, out);
}

uint32_t ImageReader::FssCount() const { return info_->map.fss.present ? info_->map.fss.fssCount : 0; }

bool ImageReader::ReadFss(uint32_t n, uint8_t* out) const {
    const FssTccMap& f = info_->map.fss;
    return ReadTableRecord(f.fssStart, FssCount(), air_->fss->size, n, out);
}

uint32_t ImageReader::TccCount() const { return info_->map.fss.present ? info_->map.fss.tccCount : 0; }

bool ImageReader::ReadTcc(uint32_t n, uint8_t* out) const {
    const FssTccMap& f = info_->map.fss;
    return ReadTableRecord(f.tccStart, TccCount(), air_->tcc->size, n, out);
}

bool ImageReader::ReadTccGroup(uint32_t n, uint8_t out[kTccGroupSize]) const {
    const FssTccMap& f = info_->map.fss;
    uint8_t buf[kMaxImageRecord];
    const bool ok = ReadTableRecord(f.groupStart, f.present ? f.groupCount : 0, kTccGroupSize, n, buf);
    std::memcpy(out, buf, kTccGroupSize);
    return ok;
}

NamePosition AirspaceName(const ImageParams& params, const AirspaceNameSlot& slot, const uint8_t* record) {
    const uint32_t highBits = params.nameOffsetBits - 16;
    const uint32_t offset = GetU16(record + slot.lowByte) | GetBits(slot.highBit, highBits, record) << 16;
    if (offset == params.NameOffsetAbsent()) return NamePosition::Absent();
    return NamePosition::At(offset * 8 + 7 - GetBits(slot.startBit, 3, record));
}

const AirspaceNameSlot& SuaAgencyName(const AirspaceLayouts& air) { return air.suaA->names[0]; }
const AirspaceNameSlot& SuaAreaName(const AirspaceLayouts& air) { return air.suaA->names[1]; }
const AirspaceNameSlot& FssName(const AirspaceLayouts& air) { return air.fss->names[0]; }
const AirspaceNameSlot& TccName(const AirspaceLayouts& air) { return air.tcc->names[0]; }

GeoBox SuaBox(const uint8_t* r) {
    GeoBox box;
    box.sw.lat = HalfLatitude((GetU16(r + 2) * 32 + (r[5] & 0x10u)) << 11);
    box.sw.lon = static_cast<int32_t>((GetU16(r) * 16 + (r[5] & 0x0Cu)) << 12);
    box.ne.lat = HalfLatitude((GetU16(r + 8) * 32 + (r[11] & 0x10u)) << 11);
    box.ne.lon = static_cast<int32_t>((GetU16(r + 6) * 16 + (r[11] & 0x0Cu)) << 12);
    return box;
}

GeoPoint SuaStart(const uint8_t* r) {
    GeoPoint p = SuaBox(r).sw;
    p.lon = static_cast<int32_t>(static_cast<uint32_t>(p.lon) + (GetU16(r + 12) << 14));
    return p;
}

uint32_t SuaDataPointer(const AirspaceLayouts& air, const uint8_t* r) {
    return GetU24(r + 14) & ((1u << air.suaA->offsetBits) - 1);
}

bool SuaHasHeights(const uint8_t* r) { return (r[16] & 0x80) != 0; }

uint32_t SuaPriority(const AirspaceLayouts& air, const uint8_t* r) {
    // Beside a 23-bit vertex offset the priority has byte 17's top bits; beside a shorter one,
    // the bits above the offset.
    const uint32_t bits = air.suaA->offsetBits;
    if (bits >= 23) return r[17] >> 6;
    return (GetU24(r + 14) >> bits) & 3;
}

uint32_t SuaType(const uint8_t* r) { return r[17] & 0x0F; }

uint32_t SuaLower(const uint8_t* r) { return r[4] + 256u * (r[5] & 3u); }

uint32_t SuaUpper(const uint8_t* r) { return r[10] + 256u * (r[11] & 3u); }

GeoPoint FssPosition(const uint8_t* r) {
    GeoPoint p;
    p.lat = HalfLatitude((GetU16(r + 2) * 256 + (r[8] & 0x80u)) << 8);
    p.lon = static_cast<int32_t>((GetU16(r) * 128 + (r[8] & 0x60u)) << 9);
    return p;
}

GeoBox TccBox(const uint8_t* r) {
    GeoBox box;
    box.sw.lat = HalfLatitude((GetU16(r + 2) * 8 + (r[17] & 0x04u)) << 13);
    box.sw.lon = static_cast<int32_t>((GetU16(r) * 4 + (r[17] & 0x03u)) << 14);
    box.ne.lat = HalfLatitude((GetU16(r + 6) * 64 + (r[17] & 0x20u)) << 10);
    box.ne.lon = static_cast<int32_t>((GetU16(r + 4) * 32 + (r[17] & 0x18u)) << 11);
    return box;
}

GeoPoint TccGroupPosition(const uint8_t g[kTccGroupSize]) {
    GeoPoint p;
    p.lat = HalfLatitude(GetU16(g + 2) << 16);
    p.lon = static_cast<int32_t>(GetU16(g) << 16);
    return p;
}

uint32_t TccFirstGroup(const uint8_t* r) { return GetU16(r + 12) & 0x1FFF; }

uint32_t TccByteList(const uint8_t* r) { return GetU24(r + 14); }
