// The ident code of APT, INT, NDB and VOR records and the sections' ident bucket tables.
#pragma once

#include <cstdint>
#include <string>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

// Six-bit ident character code: 'A'-'Z' 1-26, '0'-'9' 32-41, anything else 0.
uint32_t IdentCharCode6(char c);

// A database ident (digits stored as 'p'-'y'; an 8-byte field, zero-padded, or a shorter
// NUL-terminated text) as the coders take it: digits restored, blank-padded or cut to 7.
std::string ImageIdent(const char* ident);

// The ident without its padding blanks, for messages.
std::string TrimmedIdent(const std::string& ident);

// Bucket of an ident: 4 * k + g with k = code of the first character - 1 (letters 0-25,
// digits 31-40) and g = 0 for a second character 'A'-'O' or not alphanumeric, 1 for 'P'-'Z',
// 2 for a digit. A first character that is neither letter nor digit is an error naming it.
ImageResult IdentBucket(const SectionParams& section, const std::string& ident, uint32_t* bucket);

// Writes the ident code of characters 2 to n into the record: the low 4 bits of the second
// character's code, then the 6-bit codes of the others, as an integer whose top bit is bit 7 of
// the section's last ident byte; other bits of the bytes it touches keep their values.
// A character among them that the code cannot hold (other than a blank) is an error.
ImageResult PackIdentCode(const SectionParams& section, const std::string& ident, uint8_t* record);

// The ident characters 2 to n back from a record (the reader's side): the second character's
// code is (bucket mod 4) * 16 plus its stored 4 bits; codes to characters as IdentCodeChar.
std::string UnpackIdentTail(const SectionParams& section, const uint8_t* record, uint32_t bucket);

// A section's 164-entry bucket table: the record number of the first record of each group.
class IdentBuckets {
public:
    IdentBuckets();
    // Enters the record when its bucket is still empty (records come in ident order).
    ImageResult Set(const SectionParams& section, const std::string& ident, uint32_t recordNumber);
    uint16_t Entry(uint32_t bucket) const { return entries_[bucket]; }
    const uint16_t* Entries() const { return entries_; }

private:
    uint16_t entries_[kBucketCount];
};
