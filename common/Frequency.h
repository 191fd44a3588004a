// Frequency texts: an integer frequency and a power-of-ten divisor
// (NDB: divisor 10, kilohertz with one decimal; VOR: divisor 100, megahertz with two decimals).
#pragma once

#include <cstddef>
#include <cstdint>

// Room for any frequency text, NUL included.
constexpr size_t kFrequencyTextSize = 24;

// "%5d" of value / divisor when the divisor is at most 10 and the value at least 10000,
// otherwise "%3d.%0*.*d" with as many decimals as the divisor has zeros.
// text must hold kFrequencyTextSize bytes. A divisor below 1 is taken as 1.
void FormatFrequency(char* text, int32_t value, int32_t divisor);
