// Records of the FSS/TCC and SUA sections as they are copied into an image behind the VOR
// area: names-file serial numbers become name pointers, table offsets are moved to the
// section's place, and an SUA airport serial becomes the airport's record number.
#pragma once

#include <cstdint>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

class NameMap;
class SerialMap;

// Where a record keeps one name: the u16 serial that the name pointer replaces (low 16 offset
// bits), the packed position of the offset's high bits and that of the 3-bit start value.
struct AirspaceNameSlot {
    uint32_t lowByte;
    uint32_t highBit;
    uint32_t startBit;
};

struct AirspaceRecordLayout {
    const char* name;
    uint32_t size;
    uint32_t nameCount;
    AirspaceNameSlot names[2];
    int32_t offsetByte;    // u24 offset moved by the relocation base (-1: none)
    uint32_t offsetBits;   // bits of that field that hold the offset; higher bits are kept
    int32_t airportByte;   // u16 airport serial replaced by its APT record number (-1: none)
};

// The 495/496 family's records.
extern const AirspaceRecordLayout kFssRecord496;    // 10 bytes
extern const AirspaceRecordLayout kTccRecord496;    // 19 bytes; offset moved by the relocated V4
extern const AirspaceRecordLayout kSuaRecordA496;   // 25 bytes; offset moved by the relocated S
extern const AirspaceRecordLayout kSuaRecordB496;   // 23 bytes

// The names-file number in a name slot of a compiled file's record: low 16 bits in the two
// bytes, the high bits (4, or 2 in the 18-bit families) where the image keeps the pointer's high
// bits. All ones, and 65535 as older files store it, are no name: -1.
int32_t AirspaceNameNumber(const ImageParams& params, const AirspaceNameSlot& slot, const uint8_t* record);

// Relocates one record in place. An absent name number (see AirspaceNameNumber) stays absent; one that is not in
// the names table is a program error; an airport not in the image gives 65535. An offset or
// name pointer that no longer fits its field is an error naming the limit.
ImageResult RelocateAirspaceRecord(const ImageParams& params, const AirspaceRecordLayout& layout, uint8_t* record,
                                   const NameMap& names, uint32_t offsetBase, const SerialMap& airports);
