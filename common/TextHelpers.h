// Small text helpers of the readers and compilers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// True when the text begins with the keyword (compared over the keyword's length).
bool MatchKeyword(const char* text, const char* keyword);

// Turns the blanks just before `end` into NULs, walking back until a non-blank or `start`.
void StripTrailingSpaces(char* start, char* end);

// Cuts the text after its last character above a blank; returns the new length.
size_t TrimTrailingBlanks(char* text);

// How many decimal digits value has (1 for 0).
inline int DecimalDigitCount(uint64_t value) {
    int count = 1;
    for (uint64_t limit = 10; count < 20 && value >= limit; limit *= 10) ++count;
    return count;
}

// Decimal digits of value, zero-padded to at least width; returns the end.
char* PutNumber(char* out, uint64_t value, int width);

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

// True when the text ends with the tail, letters compared without case.
bool EndsWithNoCase(const std::string& text, const char* tail);
