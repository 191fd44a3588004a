// Small text helpers of the readers and compilers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// True when the text begins with the keyword (compared over the keyword's length).
inline bool MatchKeyword(const char* text, const char* keyword) {
    for (; *keyword; ++text, ++keyword) {
        if (*text != *keyword) return false;
    }
    return true;
}

// std::strtol and std::strtoul of the C locale: for bases 10 and 16 (a "0x" prefix taken in base
// 16 as they take it) without the library's locale work, with the same value, end and saturation.
long ParseLong(const char* text, char** end, int base);
unsigned long ParseUnsignedLong(const char* text, char** end, int base);

// Turns the blanks just before `end` into NULs, walking back until a non-blank or `start`.
void StripTrailingSpaces(char* start, char* end);

// Cuts the text after its last character above a blank; returns the new length.
size_t TrimTrailingBlanks(char* text);

// How many decimal digits value has (1 for 0).
inline int DecimalDigitCount(uint64_t value) {
    int count = 1;
    for (; value >= 10000; value /= 10000) count += 4;
    return count + (value >= 10) + (value >= 100) + (value >= 1000);
}

// "00" to "99": two digits per division.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Two digits of a value below 100; returns the end.
inline char* PutTwoDigits(char* out, unsigned value) {
    out[0] = kDigitPairs[2 * value];
    out[1] = kDigitPairs[2 * value + 1];
    return out + 2;
}

// The digits of value written backwards, ending just before `end`; returns their start.
template <typename Unsigned>
char* PutDigitsBackwards(char* end, Unsigned value) {
    while (value >= 100) {
        end -= 2;
        PutTwoDigits(end, static_cast<unsigned>(value % 100));
        value /= 100;
    }
    if (value >= 10) {
        end -= 2;
        PutTwoDigits(end, static_cast<unsigned>(value));
    } else {
        *--end = static_cast<char>('0' + value);
    }
    return end;
}

// Decimal digits of value, zero-padded to at least width; returns the end.
inline char* PutNumber(char* out, uint64_t value, int width) {
    const int count = DecimalDigitCount(value);
    for (int i = count; i < width; ++i) *out++ = '0';
    // Written backwards straight into place; most values fit 32 bits, whose divisions are cheaper.
    char* const end = out + count;
    if (value <= UINT32_MAX) {
        PutDigitsBackwards(end, static_cast<uint32_t>(value));
    } else {
        PutDigitsBackwards(end, value);
    }
    return end;
}

// True when the text ends with the tail, letters compared without case.
bool EndsWithNoCase(const std::string& text, const char* tail);
