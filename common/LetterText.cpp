#include "common/LetterText.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/Bits.h"
#include "common/NameCode.h"

namespace {

constexpr uint32_t kEmptyStart = 0x1FFFF8;
constexpr uint32_t kMaxBits = 384;

int IndexIn(const char* table, size_t size, char c) {
    for (size_t i = 0; i < size; ++i) {
        if (table[i] == c && c != '?') return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

uint32_t PackLetterText(const char* text, int maxChars, uint32_t bitPosition, uint8_t* buffer) {
    const uint32_t start = bitPosition % 8;
    uint32_t p = start;
    for (int i = 0; i < maxChars && text[i] != '\0'; ++i) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        const char* vowels = "ENORI";
        const char* v = c != '\0' ? std::strchr(vowels, c) : nullptr;
        int a = IndexIn(kNameCodeTableA, 16, c);
        int b = IndexIn(kNameCodeTableB, 32, c);
        if (c == 'A') {
            p = PutBits(p, 3, buffer, 0);
        } else if (v) {
            p = PutBits(p, 4, buffer, static_cast<uint32_t>(v - vowels) + 3);
        } else if (a >= 0) {
            p = PutBits(p, 5, buffer, static_cast<uint32_t>(a) + 16);
        } else if (b >= 0) {
            p = PutBits(p, 4, buffer, 15);
            p = PutBits(p, 5, buffer, static_cast<uint32_t>(b));
        } else {
            p = PutBits(p, 5, buffer, 17);
        }
    }
    p = PutBits(p, 4, buffer, 2);
    return bitPosition + (p - start);
}

uint32_t UnpackLetterText(const uint8_t* buffer, size_t limitBytes, char* out, size_t outSize,
                          uint32_t bitPosition) {
    size_t stored = 0;
    uint32_t p = bitPosition;
    if (bitPosition < kEmptyStart) {
        const uint64_t bound = std::min<uint64_t>(uint64_t{bitPosition} + kMaxBits, uint64_t{limitBytes} * 8);
        auto take = [&](uint32_t n, uint32_t& value) {
            if (uint64_t{p} + n > uint64_t{limitBytes} * 8) return false;
            value = GetBits(p, n, buffer);
            p += n;
            return true;
        };
        for (;;) {
            if (p >= bound) break;
            uint32_t g = 0, bit = 0;
            if (!take(3, g)) break;
            char c = 0;
            bool end = false;
            if (g == 0) {
                c = 'A';
            } else if (g <= 3) {
                if (!take(1, bit)) break;
                if (g == 1) {
                    if (bit) c = 'E';
                    else end = true;
                } else if (g == 2) {
                    c = bit ? 'O' : 'N';
                } else {
                    c = bit ? 'I' : 'R';
                }
            } else {
                uint32_t b = 0;
                if (!take(2, b)) break;
                const uint32_t v = 4 * g + b;
                if (v < 30) {
                    c = kNameCodeTableA[v - 16];
                } else {
                    uint32_t x = 0;
                    if (!take(4, x)) break;
                    c = kNameCodeTableB[x + 16 * (v - 30)];
                }
            }
            if (end) break;
            if (stored + 1 < outSize) out[stored++] = c;
        }
    }
    if (outSize > 0) out[stored] = '\0';
    return p;
}
