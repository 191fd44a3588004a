// Six-bit character codes of the image: ident codes and six-bit texts (part number, countries).
#pragma once

#include <cstddef>
#include <cstdint>

// Ident code to character: 0 blank, 1-31 code + 64 ('A'-'Z'), 32-47 code + 16 ('0'-'9'),
// 48 and above code - 16.
char IdentCodeChar(unsigned code);

// Character to ident code: letters character - 64 ('A'-'Z' give 1-26), digits character - 16
// (32-41), characters below '0' give 0; others character - 64 kept to 6 bits.
unsigned IdentCharCode(char c);

// Packs `length` characters of the text as ident codes into the area of `size` bytes, starting at
// the most significant bit of its last byte and going on in the byte before it each time a byte
// is filled. After the first code 0 (end of text or a character below '0') every code is 0.
// Bits of the area that no code reaches keep their values; codes beyond the area are dropped.
void PackIdent6(const char* text, uint8_t* area, size_t size, int length);

// The ident of four 6-bit codes in a 24-bit value, most significant code first: each code f
// gives the character f + 64 and a code 0 ends the ident. out must hold 5 bytes.
void SixBitIdentText(uint32_t value24, char* out);

// Appends "remoteVOR " and the ident held in three bytes in reverse order (the last byte most
// significant) to the NUL-terminated text (size bytes in all); cut to fit.
void AppendRemoteVor(char* text, size_t size, const uint8_t* bytes);

// Six-bit text: each character as (character - 0x20) in 6 bits from bit 0 of the area, then the
// `size` bytes of the area reversed in order (so the first character ends up in the most
// significant bits of the last byte). Packs the characters that fit and returns their count:
// a part-number text of 32 characters fills 24 bytes, a country record of 12 characters 9.
size_t PackSixBitText(uint8_t* bytes, size_t size, const char* text);

// Reads `count` characters (at most size * 8 / 6) of a six-bit text kept in `size` bytes.
// out must hold count + 1 bytes.
void UnpackSixBitText(const uint8_t* bytes, size_t size, size_t count, char* out);
// The ident held in three bytes, first byte most significant (see SixBitIdentText).
// out must hold 5 bytes.
void UnpackSixBitIdent(char* out, const uint8_t* bytes);
