// Hexadecimal digits of the FLARM formats.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Digit values by character; 0 for any character that is not a hexadecimal digit.
inline constexpr std::array<uint8_t, 256> kHexDigitValues = [] {
    std::array<uint8_t, 256> values{};
    for (int c = '0'; c <= '9'; ++c) values[static_cast<size_t>(c)] = static_cast<uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) values[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) values[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'a' + 10);
    return values;
}();

// The value of a hexadecimal digit; 0 for any other character.
inline unsigned HexDigitValue(char c) { return kHexDigitValues[static_cast<unsigned char>(c)]; }

inline uint8_t HexByteValue(const char* two) {
    return static_cast<uint8_t>(HexDigitValue(two[0]) << 4 | HexDigitValue(two[1]));
}

// Decodes `count` bytes from twice as many hexadecimal digits (a character that is not one
// counts as 0), sixteen at a time where the processor has SSE2.
inline void DecodeHex(const char* hex, size_t count, char* out) {
    size_t i = 0;
#ifdef __SSE2__
    // Sixteen digits to eight 16-bit lanes, each holding its byte's value.
    auto lanes = [](__m128i c) {
        const __m128i letter = _mm_or_si128(c, _mm_set1_epi8(0x20));  // A-F as a-f, nothing else into a-f
        const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('0' - 1)),
                                              _mm_cmplt_epi8(c, _mm_set1_epi8('9' + 1)));
        const __m128i isLetter = _mm_and_si128(_mm_cmpgt_epi8(letter, _mm_set1_epi8('a' - 1)),
                                               _mm_cmplt_epi8(letter, _mm_set1_epi8('f' + 1)));
        const __m128i value = _mm_or_si128(_mm_and_si128(isDigit, _mm_sub_epi8(c, _mm_set1_epi8('0'))),
                                           _mm_and_si128(isLetter, _mm_sub_epi8(letter, _mm_set1_epi8('a' - 10))));
        return _mm_or_si128(_mm_slli_epi16(_mm_and_si128(value, _mm_set1_epi16(0xFF)), 4), _mm_srli_epi16(value, 8));
    };
    for (; i + 16 <= count; i += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hex + 2 * i));
        const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hex + 2 * i + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lanes(first), lanes(second)));
    }
#endif
    for (; i < count; ++i) out[i] = static_cast<char>(HexByteValue(hex + 2 * i));
}

// Encodes `count` bytes as twice as many upper-case hexadecimal digits, sixteen bytes at a time
// where the processor has SSE2.
inline void EncodeHexUpper(const uint8_t* bytes, size_t count, char* out) {
    size_t i = 0;
#ifdef __SSE2__
    // Nibbles 0-9 to '0'-'9', 10-15 to 'A'-'F'.
    auto digits = [](__m128i nibbles) {
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('A' - '0' - 10));
        return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
    };
    for (; i + 16 <= count; i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i low = _mm_set1_epi8(0x0F);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(b, 4), low);
        const __m128i first = digits(_mm_unpacklo_epi8(high, _mm_and_si128(b, low)));
        const __m128i second = digits(_mm_unpackhi_epi8(high, _mm_and_si128(b, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), first);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), second);
    }
#endif
    for (; i < count; ++i) {
        out[2 * i] = "0123456789ABCDEF"[bytes[i] >> 4];
        out[2 * i + 1] = "0123456789ABCDEF"[bytes[i] & 0xF];
    }
}

// Appends a byte as two hexadecimal digits.
inline void AppendHexByte(std::string& out, uint8_t byte, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}
