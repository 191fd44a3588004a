// Hexadecimal digits of the FLARM formats.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// Appends a byte as two hexadecimal digits.
inline void AppendHexByte(std::string& out, uint8_t byte, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}
