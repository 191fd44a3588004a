// Date texts of the listings.
#pragma once

#include <cstddef>
#include <cstdint>

// Date bytes {month 1-12, day, year as u16 little-endian} as "%d.%s.%d" (day, month
// abbreviation, year): 5.NOV.2006. A month outside 1-12 shows as "???".
void FormatDayMonYear(char* text, size_t size, const uint8_t* date);
