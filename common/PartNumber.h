// The part-number text of an image header: a label and "006-Dnnnn-XX", 32 six-bit characters
// packed into 24 bytes, and the decoder that recognises an image's family from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kPartNumberTextLength = 32;
constexpr size_t kPartNumberFieldSize = 24;
// The "006-Dnnnn-XX" tail: 12 characters in the 9 bytes at the start of the field.
constexpr size_t kPackedPartNumberSize = 9;

// The text "%s006-D%04d-XX" of the label (three blanks, the title, blanks to 20 characters) and
// the part number. The label is upper-cased, characters that the six-bit code cannot hold
// become blanks, and it is cut so that the whole text stays within 32 characters.
std::string MakePartNumberText(const std::string& title, int partNumber);

// Packs the text (at most 32 characters) into the 24-byte field: six bits per character
// (character - 0x20) from bit 0, then the bytes reversed.
void PackPartNumber(uint8_t* field, const std::string& text);

// The 32 characters of a packed 24-byte field.
std::string UnpackPartNumberText(const uint8_t* field);

// The part number of the packed "006-Dnnnn-XX" text at `offset` of a header buffer of `size`
// bytes, or -1 when the 9 bytes there (or beyond the buffer) do not hold a valid one: 'x'
// places of the template must be digits, 'X' places digits or 'X', all others match exactly.
int DecodePartNumber(const uint8_t* header, size_t size, size_t offset);
