// Record and name coding shared by the older unit families (92/190, 90/95 XL, 89): packed
// positions and their sort keys, ident buckets and ident bits, country texts, name references,
// the VOR frequency byte, the elevation code and the listings' position texts. Every operation
// takes the section descriptor of the family (SectionParams: ident length, last ident byte,
// name byte and bit positions, country byte), so one definition serves the three families.
#pragma once

#include <cstdint>
#include <string>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"
#include "gen/image/NamePointer.h"

// Bytes 0-4 and bit 0 of byte 5 of a record from a position in circle units.
void PackPosition(uint8_t* record, int32_t lat, int32_t lon);
// The position a record holds (low 11 bits 0).
void UnpackPosition(const uint8_t* record, int32_t* lat, int32_t* lon);
// The sort keys of index X2: the position read back, a negative value with its low 14 bits set.
void PositionKeys(const uint8_t* record, int32_t* lat, int32_t* lon);

// The bucket (0-163) of an ident; an ident whose first character is neither a letter nor a
// digit is the internal error "unknown icao ident char '%c'".
ImageResult OlderIdentBucket(const SectionParams& section, const std::string& ident, uint32_t* bucket);
// Writes the ident bits of characters 2 to L into the record (they end at byte E).
ImageResult PackOlderIdent(const SectionParams& section, const std::string& ident, uint8_t* record);
// The ident of record n of a section from the section's bucket table (164 entries) and the
// record's ident bits, trailing blanks removed. A record before every bucket uses bucket 0.
std::string UnpackIdent92(const SectionParams& section, const uint16_t* buckets, uint32_t n, const uint8_t* record);

// Country number n of a packed country table (9-byte records): "name-id", both without
// trailing blanks; empty when n lies outside the table.
std::string UnpackCountryName92(const uint8_t* table, uint32_t count, uint32_t n);

// Sets both name references and the country byte of a record. An absent city keeps the absent
// pointer, so that the city index holds exactly the records that have a city. An error names
// the record by its ident, quoted and trimmed.
ImageResult PackNameFields(const ImageParams& params, const SectionParams& section, const NamePosition& facility,
                           const NamePosition& city, uint32_t countryIndex, uint8_t* record,
                           const std::string& ident);
// The bit addresses of a record's facility and city names; a city at or beyond 0x1FFFF8 reads
// as the facility. Absent names give 0xFFFFFFFF.
void NameBitAddresses(const ImageParams& params, const SectionParams& section, const uint8_t* record,
                      uint32_t* facility, uint32_t* city);

// The VOR frequency byte: (MHz x 100 - 10800) / 5; false when it does not fit the byte.
bool OlderVorFrequencyByte(int32_t vfreq, uint8_t* code);
inline int32_t OlderVorFrequency(uint8_t code) { return 10800 + 5 * code; }
// The 12-bit elevation code and the elevation it reads back as.
uint32_t OlderElevationCode(int32_t feet);
inline int32_t OlderElevationFeet(uint32_t code) { return (static_cast<int32_t>(code) - 500) * 10; }

// "N 47°26.917 W122°18.533" of a record's position: the latitude in degrees and decimal minutes
// (raw with debug bit 16) in columns 0-10, a blank, the longitude in the manager's style 1.
std::string FormatRecordPosition(const uint8_t* record, uint32_t debugLevel);
// Appends "N472655 W1221832" of a position (seconds rounded) to `out`; raw with debug bit 16.
void AppendCompactPosition(std::string& out, int32_t lat, int32_t lon, uint32_t debugLevel);
