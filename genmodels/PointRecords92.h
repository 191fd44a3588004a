// The APT and VOR records of the 92/190 image (INT and NDB records are the framework's, coded
// through the family's section descriptors).
#pragma once

#include <cstdint>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"
#include "gen/image/RecordCoder.h"

// Table flags of byte 5 of an APT record.
constexpr uint8_t kAptHasVlr92 = 0x80;
constexpr uint8_t kAptHasComms92 = 0x40;
constexpr uint32_t kVlrOffsetLimit92 = 1u << 18;

// 18 bytes: position, afuel bits 1-5, the table flags, elevation code, names, country, ident,
// and bytes 16-17 the VLR offset (bits 16-17 in byte 8) or, for a brief airport, the longest
// runway's summary. A VLR offset beyond 18 bits is an error naming the airport.
ImageResult EncodeAptRecord92(const ImageParams& params, const AptRecordInput& in, uint8_t tableFlags, uint8_t* out);
// 14 bytes: position, vdme bits 0-2, names, country, ident, the frequency byte.
ImageResult EncodeVorRecord92(const ImageParams& params, const VorRecordInput& in, uint8_t* out);

// The VLR offset of an APT record (bits 16-17 from byte 8).
uint32_t AptVlrOffset92(const uint8_t* record);
// Whether an APT record has a VLR entry (byte 5 bit 7), and its offset.
bool AptEntryOffset92(const uint8_t* record, uint32_t* offset);
