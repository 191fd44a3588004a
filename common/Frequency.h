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

// Checks a typed number: cut after its last character above a blank (bytes 0x80-0xFF count as
// blanks there); refused (1) when empty, when a '*' stands anywhere but last, or when a blank
// follows a character other than a digit, the separator or a blank. 0 acceptable.
int CheckNumericText(char* text, char separator);

// Reads a typed frequency with `decimals` (1 or 2) decimals into an integer (118.1 -> 11810 with
// 2, 345.5 -> 3455 with 1). A '*' at the end sets 128 in *flags (when given). Two decimals must
// give 108.00 to 150.00 MHz. The text is changed in place. 0 accepted, 1 refused.
int ParseFrequency(char* text, int decimals, int32_t* out, int32_t* flags = nullptr);
