// Cheap writers for the fixed number and text fields of the listing lines: the bytes that the
// C locale's "%*u", "%0*u", "%*x", "%0*x", "%*d" and "%-*s" give, without a printf call. Each
// writes at `at` and returns the end (no NUL is written).
#pragma once

#include <cstdint>
#include <cstring>

namespace listfmt {

// Digits of `value` in `base` (10 or 16, lower case), right-aligned in at least `width`
// characters padded with `pad`.
inline char* PutUnsigned(char* at, uint64_t value, int width = 0, char pad = ' ', unsigned base = 10) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value % base];
        value /= base;
    } while (value != 0);
    for (int i = n; i < width; ++i) *at++ = pad;
    while (n > 0) *at++ = digits[--n];
    return at;
}

inline char* PutHex(char* at, uint64_t value, int width = 0, char pad = ' ') {
    return PutUnsigned(at, value, width, pad, 16);
}

// "%*d" / "%*ld": the sign goes in front of the digits, inside the width.
inline char* PutSigned(char* at, int64_t value, int width = 0) {
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char digits[24];
    char* end = PutUnsigned(digits, magnitude);
    const int length = static_cast<int>(end - digits) + (value < 0 ? 1 : 0);
    for (int i = length; i < width; ++i) *at++ = ' ';
    if (value < 0) *at++ = '-';
    std::memcpy(at, digits, static_cast<size_t>(end - digits));
    return at + (end - digits);
}

// "%-*s": the text, then blanks up to `width` characters.
inline char* PutLeft(char* at, const char* text, int width = 0) {
    const size_t length = std::strlen(text);
    std::memcpy(at, text, length);
    at += length;
    for (int i = static_cast<int>(length); i < width; ++i) *at++ = ' ';
    return at;
}

}  // namespace listfmt
