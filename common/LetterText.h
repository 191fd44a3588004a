// The letter code of short texts (restriction texts): a prefix code, most significant bit first.
//   'A' 3 bits 0; E N O R I 4 bits 3..7; table A 5 bits index + 16;
//   table B 4 bits 15 and 5 bits index; anything else the blank (5 bits 17); end 4 bits 2.
#pragma once

#include <cstddef>
#include <cstdint>

// Packs at most maxChars characters of text (upper-cased) and the end code from bit position
// `bitPosition`; `buffer` is the byte that holds that position (bits go to bitPosition % 8
// onward in it). Returns bitPosition + the bits written.
uint32_t PackLetterText(const char* text, int maxChars, uint32_t bitPosition, uint8_t* buffer);

// Unpacks from bit position `bitPosition` of the buffer of `limitBytes` bytes until the end
// code, the limit, or 384 bits; a start of 0x1FFFF8 or more is the empty text. At most
// outSize - 1 characters are stored and out is NUL-terminated. Reads no byte at or beyond the
// limit. Returns the bit position after the last code read.
uint32_t UnpackLetterText(const uint8_t* buffer, size_t limitBytes, char* out, size_t outSize,
                          uint32_t bitPosition);
