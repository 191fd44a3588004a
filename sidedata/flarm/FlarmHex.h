// Hexadecimal digits of the FLARM formats.
#pragma once

#include <cstdint>
#include <string>

// The value of a hexadecimal digit; 0 for any other character.
inline unsigned HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return 0;
}

inline uint8_t HexByteValue(const char* two) {
    return static_cast<uint8_t>(HexDigitValue(two[0]) << 4 | HexDigitValue(two[1]));
}

// Appends a byte as two hexadecimal digits.
inline void AppendHexByte(std::string& out, uint8_t byte, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}
