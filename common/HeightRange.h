// Height range texts of airspace records: a lower byte L, a flag byte F and an upper byte U.
// Lower limit = L + 256 * (F & 3), upper limit = U + 256 * ((F >> 2) & 3), in hundreds of feet;
// a limit of 3 * 256 + 233 to 238 is a named limit ("Surface" ... "SeeChart").
#pragma once

#include <cstddef>
#include <cstdint>

// Appends "<lower> to <upper>" to the NUL-terminated text (size bytes in all), each limit named,
// or "%d" feet, or "%d AGL" when F has 16 (lower) or 32 (upper) set. Returns 0 when bit 1
// (value 2) of L is set, else 1. With a negative `flag` nothing is appended and the result is 1.
int AppendHeightRange(char* text, size_t size, uint8_t lower, uint8_t flags, uint8_t upper, int flag);
