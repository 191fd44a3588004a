// The unit maker's database files as this program reads them: the "KpGrd" container (a
// signature in the first 250 bytes, header strings, 15-byte section headers) or a bare
// obstacle data section; finding the data section and deciding its kind. All numbers are
// little-endian; every read is checked against the bytes there are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace obstacles {

// Data kinds.
constexpr int kKindNone = 0;
constexpr int kKindObstacles = 38;      // obstacle file with a table directory
constexpr int kKindFixedObstacles = 39; // fixed layout, part number "006-D0123"
constexpr int kKindVrp = 51;
constexpr int kKindAirSports = 55;
constexpr int kKindObstacleSection = 53;  // becomes 38, 39 or 0
constexpr int kKindAopa = 76;
constexpr int kKindVrp79 = 79;

inline constexpr const char kSignature[] = "KpGrd";  // with its terminating NUL: 6 bytes
constexpr size_t kSignatureSearch = 250;
constexpr size_t kHeaderStringLimit = 240;
constexpr size_t kSectionHeaderSize = 15;
inline constexpr const char kFixedPartNumber[] = "006-D0123";
constexpr size_t kFixedPartNumberAt = 120;

// Bounded little-endian reads of a byte range; a read outside gives 0 and clears ok().
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::span<const uint8_t> data) : data_(data) {}
    size_t size() const { return data_.size(); }
    bool Has(size_t offset, size_t length) const { return offset <= data_.size() && length <= data_.size() - offset; }
    uint8_t U8(size_t at) const {
        if (at >= data_.size()) return Fail();
        return data_[at];
    }
    uint16_t U16(size_t at) const {
        if (!Has(at, 2)) return Fail();
        return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
    }
    int16_t I16(size_t at) const { return static_cast<int16_t>(U16(at)); }
    uint32_t U32(size_t at) const {
        if (!Has(at, 4)) return Fail();
        return static_cast<uint32_t>(data_[at]) | static_cast<uint32_t>(data_[at + 1]) << 8 |
               static_cast<uint32_t>(data_[at + 2]) << 16 | static_cast<uint32_t>(data_[at + 3]) << 24;
    }
    int32_t I32(size_t at) const { return static_cast<int32_t>(U32(at)); }
    // A NUL-terminated text of at most maxLength characters (cut at the end of the bytes).
    std::string Text(size_t at, size_t maxLength) const;
    // Exactly length bytes (fewer at the end of the bytes).
    std::string Raw(size_t at, size_t length) const;
    Bytes Sub(size_t offset, size_t length) const;
    const uint8_t* Data() const { return data_.data(); }
    bool ok() const { return ok_; }
    void ResetOk() const { ok_ = true; }

private:
    uint8_t Fail() const {
        ok_ = false;
        return 0;
    }
    std::span<const uint8_t> data_;
    mutable bool ok_ = true;
};

struct DataSection {
    int kind = kKindNone;
    size_t offset = 0;
    size_t length = 0;
};

// A text taken from the file with its control bytes (which would break a line) as blanks.
std::string CleanText(std::string text);

// The first data section this program lists (types 12 and 50 passed over), or kind 0.
DataSection FindDataSection(std::span<const uint8_t> file);
// Kinds 38, 39 and 53 by their data: 38 (directory start), 39 (part number) or 0. Other
// kinds are returned as they are.
int ClassifyDataSection(std::span<const uint8_t> file, const DataSection& section);

}  // namespace obstacles
