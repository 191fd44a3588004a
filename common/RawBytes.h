// Raw byte groups of the debug listings.
#pragma once

#include <cstddef>
#include <cstdint>

// "[%02x" and " %02x" for each further byte, then "]*" when flagged or "] ", plus three blanks
// when exactly two bytes were shown (to keep the columns of three-byte groups). Cut to fit size.
void FormatRawBytes(char* text, size_t size, const uint8_t* bytes, size_t count, bool flagged);
