// Date texts of the listings.
#pragma once

#include <cstddef>
#include <cstdint>

// Date bytes {month 1-12, day, year as u16 little-endian} as "%d.%s.%d" (day, month
// abbreviation, year): 5.NOV.2006. A month outside 1-12 shows as "???".
void FormatDayMonYear(char* text, size_t size, const uint8_t* date);
// Room for a FormatUnitTime text, NUL included.
constexpr size_t kUnitTimeTextSize = 24;
// A unit's time (seconds since 31 December 1989 00:00) as "%2d.%s.%d %02d:%02d": 86400 gives
// " 1.JAN.1990 00:00"; below 1 the empty text. out must hold kUnitTimeTextSize bytes.
void FormatUnitTime(char* out, int64_t seconds);
// The current time as a unit's time (seconds since 31 December 1989 00:00 UTC).
int32_t UnitTimeNow();
