// Bit fields packed most significant bit first: bit position p is the bit of weight
// 0x80 >> (p % 8) in byte p / 8.
#pragma once

#include <cstdint>

// Writes the low n bits of value starting at bit position p; returns p + n.
// Touches only bytes p / 8 to (p + n - 1) / 8 and, in them, only the bits of the field.
// n = 0 writes nothing. For n above 32 the bits above the value's 32 are written as 0.
uint32_t PutBits(uint32_t p, uint32_t n, uint8_t* buf, uint32_t value);

// Reads n bits (0 to 32) from bit position p; 0 when n is 0.
// Reads only bytes p / 8 to (p + n - 1) / 8: the caller must own exactly those bytes, no more.
// For n above 32 the result is the last 32 bits of the field.
uint32_t GetBits(uint32_t p, uint32_t n, const uint8_t* buf);
