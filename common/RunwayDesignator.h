// Runway designators from a runway's designator word: number in bits 0-4, letter code in bits 5-6,
// bit 7 set when bits 8-12 hold the reciprocal end's number.
#pragma once

#include <cstddef>

// Room for a designator, NUL included.
constexpr size_t kRunwayDesignatorSize = 4;

// "%02d%c" with number and letter, " .." for a forward end numbered 0, ".." for a reciprocal one.
// The reciprocal end: the number (from bits 8-12 when bit 7 is set) + 18, and L and R swap.
// text must hold kRunwayDesignatorSize bytes.
void FormatRunwayDesignator(char* text, unsigned word, bool reciprocal);
