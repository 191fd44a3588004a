#include "gen/createisam/CreateIsamSource.h"

#include <algorithm>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "gen/image/CountryRecord.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/Image.h"
#include "gen/image/ImageHeader.h"
#include "gen/image/ImageSeal.h"
#include "gen/image/NameCoder.h"
#include "gen/createimage/CreateImageAirspace.h"

namespace {

constexpr uint32_t kTccBlockALength = 8;
constexpr uint32_t kTccBlockBLength = 26;
constexpr uint32_t kSuaBlockLength = 23;
constexpr uint32_t kDetailFlagByte = 8;
constexpr uint8_t kDetailIsOffset = 0x80;
constexpr uint32_t kTccGridCellSize = 23;
constexpr uint32_t kSuaGridNumberSize = 2;
constexpr uint32_t kSuaGridCellSize = 20;

// First ident character of a bucket: letters 0-25, digits 31-40; 0 for none.
char BucketFirstChar(uint32_t bucket) {
    const uint32_t k = bucket / 4;
    if (k < 26) return static_cast<char>('A' + k);
    if (k >= 31 && k <= 40) return static_cast<char>('0' + (k - 31));
    return 0;
}

}  // namespace

ImageResult DamagedImage(const std::string& what) { return ImageResult::Data("Damaged image: " + what); }

std::string ReadReversedSixBitText(const uint8_t* area, uint32_t size, uint32_t n) {
    std::string text;
    uint32_t bit = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t code = 0;
        for (int k = 0; k < 6; ++k, ++bit) {
            uint32_t value = 0;
            if (bit < 8 * size) value = (area[size - 1 - bit / 8] >> (7 - bit % 8)) & 1;
            code = code << 1 | value;
        }
        text += code == 0 ? ' ' : code < 32 ? static_cast<char>(code + 0x40) : static_cast<char>(code + 16);
    }
    return text;
}

std::string UnpackApproachId(const uint8_t packed[4]) {
    uint8_t bits[4];
    for (int i = 0; i < 4; ++i) bits[i] = packed[3 - i];
    std::string text;
    for (uint32_t i = 0; i < 5; ++i) {
        const uint32_t code = GetBits(6 * i, 6, bits);
        text += code == 0 ? ' ' : code < 32 ? static_cast<char>(code + 0x40) : static_cast<char>(code + 16);
    }
    return text;
}

IsamImageSource::IsamImageSource(const ImageParams& params) : params_(&params), layout_(params) {}

const uint8_t* IsamImageSource::At(uint64_t offset, uint64_t length) const {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return nullptr;
    return bytes_.data() + offset;
}

ImageResult IsamImageSource::CheckSeal() const {
    const std::string fault = ImageSealFault(*params_, layout_, ImageEnd(), bytes_.data(), bytes_.size());
    return fault.empty() ? ImageResult::Ok() : DamagedImage(fault);
}

uint32_t IsamImageSource::ImageEnd() const {
    uint64_t end = layout_.ImageEnd();
    if (hasTcc_) end = std::max<uint64_t>(end, uint64_t{tcc_.position} + tcc_.v[0]);
    if (hasSua_) {
        const AirspaceLayouts& layouts = AirspaceLayoutsOf(*params_);
        const uint32_t size[4] = {kSuaGridCellSize, kSuaGridNumberSize, layouts.suaA->size, layouts.suaB->size};
        end = std::max<uint64_t>(end, sua_.offset[IsamSuaSection::kTableA]);
        for (int i = 0; i < 4; ++i) end = std::max<uint64_t>(end, sua_.offset[i] + uint64_t{size[i]} * sua_.count[i]);
    }
    return static_cast<uint32_t>(std::min<uint64_t>(end, 0xFFFFFFFFu));
}

ImageResult IsamImageSource::Load(const Image& image) {
    const uint64_t fileLength = image.FileLength();
    if (fileLength > kMaxImageFile) {
        return DamagedImage(StringFormatC("%s holds %llu bytes, more than any image", image.Path().c_str(),
                                          static_cast<unsigned long long>(fileLength)));
    }
    uint32_t blockA = kAbsent24;
    uint32_t sua = kAbsent24;
    if (params_->readLayout) {
        if (ImageResult r = params_->readLayout(image, &layout_, &blockA, &sua); !r) return r;
    } else {
        if (ImageResult r = ReadImageLayout(image, &layout_); !r) return r;
        ImageHeader header;
        if (ImageResult r = ReadImageHeader(image, &header); !r) return r;
        blockA = header.Pointer(kPtrFssBlockA);
        sua = header.Pointer(kPtrSuaBlock);
    }
    bytes_.assign(static_cast<size_t>(fileLength), 0);
    if (image.Read(0, bytes_.data(), bytes_.size()) != static_cast<long>(bytes_.size())) {
        return ImageResult::Data(StringFormatC("Cannot read %s", image.Path().c_str()));
    }
    if (ImageResult r = LoadNames(); !r) return r;
    if (ImageResult r = LoadApproachIds(); !r) return r;
    if (ImageResult r = LoadBuckets(); !r) return r;
    if (ImageResult r = LoadDetailEntries(); !r) return r;
    if (blockA != kAbsent24) {
        if (ImageResult r = LoadTcc(blockA, image.ReadU24(params_->pointerBlockOffset + kPtrFssBlockB)); !r) return r;
    }
    if (sua != kAbsent24) {
        if (ImageResult r = LoadSua(sua); !r) return r;
    }
    return ImageResult::Ok();
}

ImageResult IsamImageSource::LoadNames() {
    const uint8_t* table = At(layout_.namesStart, layout_.namesLength);
    if (!table) return DamagedImage("the names table lies outside the file");
    const uint32_t end = layout_.namesLength * 8;
    uint32_t bit = 0;
    std::string text;
    while (bit < end) {
        uint32_t next = 0;
        // Bits that end without an end code are the zero padding of the last byte.
        if (!DecodeNameText(table, bit, end, &text, &next)) break;
        names_.push_back(text);
        nameStarts_.push_back(bit);
        bit = next;
    }
    return ImageResult::Ok();
}

ImageResult IsamImageSource::LoadApproachIds() {
    if (layout_.approachIdCount == 0) return ImageResult::Ok();
    const uint8_t* table = At(layout_.approachIdStart, uint64_t{kApproachIdSize} * layout_.approachIdCount);
    if (!table) return DamagedImage("the approach ID table lies outside the file");
    approachIds_.reserve(layout_.approachIdCount);
    for (uint32_t i = 0; i < layout_.approachIdCount; ++i) approachIds_.push_back(UnpackApproachId(table + 4 * i));
    return ImageResult::Ok();
}

ImageResult IsamImageSource::LoadBuckets() {
    for (int s = 0; s < kSectionCount; ++s) {
        const SectionDescriptor& d = layout_.sections[s];
        const uint8_t* table = At(d.infoStart + kInfoBuckets, 2 * kBucketCount);
        if (!table) return DamagedImage(StringFormatC("the %s ident buckets lie outside the file", d.params->name));
        std::vector<std::pair<uint32_t, uint8_t>> starts;  // first record and bucket of each group
        for (uint32_t b = 0; b < kBucketCount; ++b) {
            const uint32_t first = GetU16(table + 2 * b);
            if (first == 0xFFFF) continue;
            if (first >= d.recordCount || !BucketFirstChar(b)) {
                return DamagedImage(StringFormatC("%s ident bucket %u names record %u of %u", d.params->name, b, first,
                                                  d.recordCount));
            }
            if (starts.empty() ? first != 0 : first <= starts.back().first) {
                return DamagedImage(StringFormatC("%s ident buckets out of order at bucket %u", d.params->name, b));
            }
            starts.emplace_back(first, static_cast<uint8_t>(b));
        }
        if (d.recordCount > 0 && starts.empty()) {
            return DamagedImage(StringFormatC("the %s ident buckets are all empty", d.params->name));
        }
        std::vector<uint8_t>& buckets = recordBucket_[s];
        buckets.assign(d.recordCount, 0);
        for (size_t i = 0; i < starts.size(); ++i) {
            const uint32_t end = i + 1 < starts.size() ? starts[i + 1].first : d.recordCount;
            std::fill(buckets.begin() + starts[i].first, buckets.begin() + end, starts[i].second);
        }
    }
    return ImageResult::Ok();
}

ImageResult IsamImageSource::LoadDetailEntries() {
    const SectionDescriptor& apt = layout_.sections[kSectionApt];
    if (layout_.detailLength > 0 && !At(layout_.detailStart, layout_.detailLength)) {
        return DamagedImage("the rwy/com/appr table lies outside the file");
    }
    for (uint32_t n = 0; n < apt.recordCount; ++n) {
        uint32_t offset = 0;
        if (!EntryOffset(Record(kSectionApt, n), &offset)) continue;
        if (offset >= layout_.detailLength) {
            return DamagedImage(StringFormatC("APT record %u points at %lx, beyond the rwy/com/appr table", n,
                                              static_cast<unsigned long>(offset)));
        }
        entryOffsets_.push_back(offset);
    }
    std::sort(entryOffsets_.begin(), entryOffsets_.end());
    entryOffsets_.erase(std::unique(entryOffsets_.begin(), entryOffsets_.end()), entryOffsets_.end());
    return ImageResult::Ok();
}

ImageResult IsamImageSource::LoadTcc(uint32_t blockAt, uint32_t blockBAt) {
    const uint8_t* a = At(blockAt, kTccBlockALength);
    const uint8_t* b = At(blockBAt, kTccBlockBLength);
    if (!a || !b) return DamagedImage("the FSS/TCC blocks lie outside the file");
    const uint32_t position = GetU24(a + 5);
    // Absolute starts of tables a, z, y, m, b, r, g in the order of the header line.
    const uint32_t starts[7] = {GetU24(a + 2),  GetU24(b + 23), GetU24(b + 20), GetU24(b + 15),
                                GetU24(b + 12), GetU24(b + 7),  GetU24(b + 2)};
    const uint64_t end = uint64_t{starts[6]} + uint64_t{kTccGridCellSize} * GetU16(b);
    uint32_t previous = position;
    for (uint32_t start : starts) {
        if (start < previous) return DamagedImage("the FSS/TCC section's tables are out of order");
        previous = start;
    }
    if (!At(position, end - position)) return DamagedImage("the FSS/TCC section lies outside the file");
    tcc_.position = position;
    tcc_.v[0] = static_cast<uint32_t>(end - position);
    for (int i = 0; i < 7; ++i) tcc_.v[i + 1] = starts[i] - position;
    hasTcc_ = true;
    return ImageResult::Ok();
}

ImageResult IsamImageSource::LoadSua(uint32_t blockAt) {
    const uint8_t* block = At(blockAt, kSuaBlockLength);
    if (!block) return DamagedImage("the SUA block lies outside the file");
    for (int i = 0; i < 4; ++i) {
        sua_.count[i] = GetU16(block + 5 * i);
        sua_.offset[i] = GetU24(block + 5 * i + 2);
    }
    sua_.start = GetU24(block + 20);
    const AirspaceLayouts& layouts = AirspaceLayoutsOf(*params_);
    const uint32_t recordSize[4] = {kSuaGridCellSize, kSuaGridNumberSize, layouts.suaA->size, layouts.suaB->size};
    for (int i = 0; i < 4; ++i) {
        if (!At(sua_.offset[i], uint64_t{recordSize[i]} * sua_.count[i])) {
            return DamagedImage("the SUA section's tables lie outside the file");
        }
    }
    if (sua_.offset[IsamSuaSection::kTableA] < sua_.start || !At(sua_.start, sua_.offset[IsamSuaSection::kTableA] - sua_.start)) {
        return DamagedImage("the SUA vertex table lies outside its section");
    }
    hasSua_ = true;
    return ImageResult::Ok();
}

void IsamImageSource::Country(uint32_t i, std::string* id, std::string* name) const {
    UnpackCountryRecord(bytes_.data() + layout_.countryStart + kCountryRecordSize * i, id, name);
}

int32_t IsamImageSource::NameAt(uint32_t bit) const {
    const auto it = std::lower_bound(nameStarts_.begin(), nameStarts_.end(), bit);
    if (it == nameStarts_.end() || *it != bit) return -1;
    return static_cast<int32_t>(it - nameStarts_.begin());
}

const uint8_t* IsamImageSource::Record(int section, uint32_t n) const {
    const SectionDescriptor& d = layout_.sections[section];
    return bytes_.data() + d.recordsStart + uint64_t{d.params->recordSize} * n;
}

std::string IsamImageSource::Ident(int section, uint32_t n) const {
    const uint32_t bucket = recordBucket_[section][n];
    std::string ident(1, BucketFirstChar(bucket));
    ident += UnpackIdentTail(params_->sections[section], Record(section, n), bucket);
    while (!ident.empty() && ident.back() == ' ') ident.pop_back();
    return ident;
}

uint32_t IsamImageSource::DetailValue(const uint8_t* record) const {
    const uint32_t low = GetU16(record + params_->sections[kSectionApt].detailByte);
    return GetBits(40, 3, record) << 16 | low;
}

bool IsamImageSource::EntryOffset(const uint8_t* record, uint32_t* offset) const {
    if (params_->entryOffset) return params_->entryOffset(record, offset);
    if (!(record[kDetailFlagByte] & kDetailIsOffset)) return false;
    *offset = DetailValue(record);
    return true;
}

bool IsamImageSource::DetailEntry(uint32_t airport, const uint8_t** entry, uint32_t* length) const {
    uint32_t offset = 0;
    if (!EntryOffset(Record(kSectionApt, airport), &offset)) return false;
    const auto next = std::upper_bound(entryOffsets_.begin(), entryOffsets_.end(), offset);
    const uint32_t end = next == entryOffsets_.end() ? layout_.detailLength : *next;
    *entry = bytes_.data() + layout_.detailStart + offset;
    *length = end - offset;
    return true;
}
