// The information block of an airport in section 10 of a 696 image: a u16 presence mask, one
// u16 length per present part, then the parts in mask-bit order: 0 runways, 1 frequencies,
// 2 local intersections (9 bytes each), 3 local NDBs (11), 4 ILS records (15, or 22 with bit 1
// of byte 11), 6 approaches. The work tables here are shared by the builder and the readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gen696/ApproachGroup696.h"

inline constexpr size_t kMaxRunways696 = 80;
inline constexpr size_t kMaxFrequencies696 = 80;
inline constexpr size_t kMaxApproaches696 = 64;
inline constexpr size_t kMaxLocalIntersections696 = 255;
inline constexpr size_t kMaxLocalNdbs696 = 15;
inline constexpr size_t kMaxIls696 = 63;
inline constexpr size_t kIlsBytes696 = 15;
inline constexpr size_t kIlsLongBytes696 = 22;
inline constexpr size_t kRunwayExtraBytes696 = 16;
inline constexpr int32_t kFrequencyBase696 = 10800;

// Mask bits of the parts.
enum InfoPart696 : uint32_t {
    kPartRunways696 = 0,
    kPartFrequencies696 = 1,
    kPartLocalInts696 = 2,
    kPartLocalNdbs696 = 3,
    kPartIls696 = 4,
    kPartApproaches696 = 6,
};

// The extra bytes a runway starts with before its extras are read.
inline constexpr uint8_t kRunwayExtraDefaults696[kRunwayExtraBytes696] = {0, 0, 0, 0, 0, 0, 0, 0,
                                                                           0, 0xFF, 0xFF, 0, 0, 0, 0, 0};

struct RunwaySlot696 {
    uint32_t length = 0;        // feet
    uint32_t width = 0;         // feet, 11 bits
    uint8_t surface = 0;        // bits 0-3 code, 4-5 lights
    uint32_t designator = 0;    // low byte; bits 8-15 with picture flag bit 2
    int32_t flags = -1;         // the flags byte; -1: all ones (no flags)
    uint8_t pictureFlags = 0;   // bits 0-1 sides, 2 long designator, 3 picture words, 4 extra bytes
    uint32_t picture[2] = {};
    uint8_t extra[kRunwayExtraBytes696] = {};
    int32_t serial = -1;        // the builder's `rsno`
};

struct FrequencyEntry696 {
    uint32_t value = 0;         // MHz x 100 minus 10800, 12 bits
    uint32_t flagBits = 0;      // bits 12-14 of the frequency word, as 0-7
    uint8_t type = 0;           // the type code byte; bit 7: remarks follow
    uint8_t further = 0;        // the byte after the type code
    // The remarks blob with a leading byte that counts the bytes after it: the flags byte F and
    // the parts F's bits 0-4 name. Empty when the frequency has none.
    std::vector<uint8_t> remarks;
};

// The layout values of section 1 that a reader needs.
struct InfoLayout696 {
    uint32_t runwayFixedLength = 0;     // value 1 (RWDEFLEN)
    uint32_t pictureLength = 14;        // value 3 (PICSLEN)
    uint32_t approachFixedLength = 0;   // value 19
    uint32_t groupExtraBytes = 0;       // value 27
};

class SourceImage696;
// The layout values of a loaded image's section 1.
InfoLayout696 InfoLayoutOf696(const SourceImage696& source);

// The decoded block of one airport.
struct AirportInfo696 {
    bool hasBlock = false;
    uint32_t offset = 0;            // of the block in section 10
    uint32_t mask = 0;
    uint32_t partOffset[16] = {};   // from the block's start
    uint32_t partLength[16] = {};
    std::vector<RunwaySlot696> runways;
    std::vector<FrequencyEntry696> frequencies;
    // Local data and approaches (filled by DecodeAirportApproaches696).
    std::vector<uint8_t> localIntersections;   // 9-byte entries
    std::vector<uint8_t> localNdbs;            // 11-byte entries
    std::vector<std::vector<uint8_t>> ils;     // 15 or 22 bytes each
    std::vector<ApproachEntry696> approaches;
    std::vector<std::string> notes;            // listing lines the decoding gave

    size_t LocalIntersectionCount() const { return localIntersections.size() / kLocalIntersectionBytes696; }
    size_t LocalNdbCount() const { return localNdbs.size() / kLocalNdbBytes696; }
};

// The byte offset in section 10 of the block of a 29-byte APT record; false when the record
// has none (bit 7 of byte 11 clear).
bool AirportInfoOffset696(const uint8_t record[29], uint32_t* offset);

// Size of a remarks blob from its flags byte and (for the text part) the bytes that follow;
// false when it runs past `end`.
bool RemarksBlobSize696(const uint8_t* data, size_t at, size_t end, size_t* size);

// Decodes the runways and frequencies of the airport of `record` from the section-10 bytes
// `section` (an airport without a block gets its single runway from the record). False with a
// message for a part or entry that leaves the section; nothing is read outside it.
bool DecodeAirportInfo696(const uint8_t record[29], const uint8_t* section, size_t sectionSize,
                          const InfoLayout696& layout, AirportInfo696* info, std::string* error);

// Decodes the local intersections, local NDBs, ILS records and approaches of a block that
// DecodeAirportInfo696 read (only when mask bit 6 is set; nothing otherwise).
bool DecodeAirportApproaches696(const uint8_t* section, size_t sectionSize, const InfoLayout696& layout, AirportInfo696* info, std::string* error);
