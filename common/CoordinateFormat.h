// Latitude and longitude texts in the listing notations. The degree sign is byte 0xB0.
#pragma once

#include <cstddef>
#include <cstdint>

// Notations of FormatCoordinate; any value not listed gives degrees, minutes and seconds.
enum CoordinateNotation : int {
    kNotationDecimalDegrees = 0,  // "N 51.50000"  "W000.46130"
    kNotationDecimalMinutes = 1,  // "N 51\xB030.000"  "W000\xB027.678"
    kNotationWholeMinutes = 2,    // "N 51\xB030"  "W000\xB027"
    kNotationCompact = 3,         // "N513000"  "W0002741"
    kNotationSigned11 = 4,        // "%11.5f" of the signed degrees
    kNotationSigned10 = 5,        // "%10.4f" of the signed degrees
    kNotationSeconds = 6,         // "N 51\xB030'00.00"  "W000\xB027'40.68"
};

// Room for the longest coordinate text, NUL included.
constexpr size_t kCoordinateTextSize = 16;

// One coordinate in a notation; text must hold kCoordinateTextSize bytes.
// With `raw` set (debug bit 16 of the generators) every notation becomes "[%08x] ".
void FormatCoordinate(char* text, int32_t angle, bool isLongitude, int notation, bool raw = false);

// Room for a position pair, NUL included.
constexpr size_t kPositionPairTextSize = 2 * kCoordinateTextSize;

// Latitude, a blank and longitude in notation 1, or 4 when `decimal` is set: latitude at
// column 0, the blank at 11, longitude from 12. text must hold kPositionPairTextSize bytes.
void FormatPositionPair(char* text, int32_t latitude, int32_t longitude, bool decimal, bool raw = false);

// Appends latitude, a blank and longitude to the NUL-terminated text in `text` (size bytes in
// all) in notation 3, or 5 when `decimal` is set; never the raw form. Cut to fit size.
void AppendPositionPair(char* text, size_t size, int32_t latitude, int32_t longitude, bool decimal);

// Degrees as whole numbers of 2^-kFixedPointBits: every angle of 26 bits is exact so.
constexpr int kFixedPointBits = 23;
// The fixed-point number times `scale`, rounded to a whole number, half to even on an exact
// tie as printf rounds.
inline uint64_t RoundFixedPoint(uint64_t fixed, uint64_t scale) {
    const uint64_t product = fixed * scale;
    const uint64_t whole = product >> kFixedPointBits;
    const uint64_t rest = product & ((uint64_t{1} << kFixedPointBits) - 1);
    const uint64_t half = uint64_t{1} << (kFixedPointBits - 1);
    return whole + (rest > half || (rest == half && (whole & 1) != 0) ? 1 : 0);
}

// Decimal digits of value, zero-padded to at least width, written at out; returns the end.
char* PutDecimalDigits(char* out, uint64_t value, int width);
// The low `digits` hex digits of value (lower case, at most 8), written at out; returns the end.
inline char* PutHexDigits(char* out, uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) *out++ = "0123456789abcdef"[(value >> shift) & 0xF];
    return out;
}
// "[xxxxxxxx] ": the value's eight hex digits, as the raw position columns show it.
char* PutRawAngle(char* out, uint32_t value);
