#include "common/SixBitText.h"

#include <cctype>

char SixBitTextChar(char c) {
    const auto u = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
    return (u >= 0x20 && u <= 0x5F) ? static_cast<char>(u) : ' ';
}

std::string SixBitTextOf(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = SixBitTextChar(c);
    return out;
}
