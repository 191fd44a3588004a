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

// The two decimal digits of a value below 100; returns the end.
char* PutTwoDigits(char* out, unsigned value);
// The number of decimal digits of value (1 for 0).
int DecimalLength(uint64_t value);
// Decimal digits of value, zero-padded to at least width; returns the end.
char* PutNumber(char* out, uint64_t value, int width);

// True when the text ends with the tail, letters compared without case.
bool EndsWithNoCase(const std::string& text, const char* tail);
