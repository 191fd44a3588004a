#include "gen/image/NameCoder.h"

#include <array>
#include <cctype>
#include <cstring>

#include "common/Bits.h"

namespace {

constexpr char kGroup4[] = "ENORI";                              // codes 3-7, 4 bits
constexpr char kGroup5[] = "L STUMCDHBGKPY??";                   // codes 16-31, 5 bits
constexpr char kGroup9[] = "VWFJZXQ1204367985-/,.&()+;':fm??";  // 1111 + codes 0-31
constexpr uint32_t kEscape = 0xF;
constexpr uint32_t kGroup5Usable = 14;                           // 11110 and 11111 are the escape

struct Code {
    uint32_t value;
    uint32_t bits;
};

Code Classify(char raw) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(raw)));
    if (c == 'A') return {0, 3};
    if (const char* p = c ? std::strchr(kGroup4, c) : nullptr) return {static_cast<uint32_t>(p - kGroup4) + 3, 4};
    for (uint32_t i = 0; i < kGroup5Usable; ++i) {
        if (kGroup5[i] == c) return {i + 16, 5};
    }
    for (uint32_t i = 0; i < 32; ++i) {
        if (kGroup9[i] == c) return {(kEscape << 5) | i, kMaxNameCharBits};
    }
    return {17, 5};  // the blank
}

// The code of every byte, looked up once.
const std::array<Code, 256>& Codes() {
    static const auto table = [] {
        std::array<Code, 256> codes{};
        for (int byte = 0; byte < 256; ++byte) codes[byte] = Classify(static_cast<char>(byte));
        return codes;
    }();
    return table;
}

}  // namespace

uint32_t NameCodeBits(const char* text) {
    const std::array<Code, 256>& codes = Codes();
    uint32_t bits = kNameEndBits;
    for (const char* p = text; *p; ++p) bits += codes[static_cast<unsigned char>(*p)].bits;
    return bits;
}

uint32_t EncodeNameText(const char* text, uint32_t bit, uint8_t* buf) {
    const std::array<Code, 256>& codes = Codes();
    // Codes gathered into up to 32 bits before each write.
    uint32_t value = 0;
    uint32_t bits = 0;
    for (const char* p = text; *p; ++p) {
        const Code code = codes[static_cast<unsigned char>(*p)];
        if (bits + code.bits > 32) {
            bit = PutBits(bit, bits, buf, value);
            value = 0;
            bits = 0;
        }
        value = (value << code.bits) | code.value;
        bits += code.bits;
    }
    if (bits + kNameEndBits > 32) {
        bit = PutBits(bit, bits, buf, value);
        value = 0;
        bits = 0;
    }
    return PutBits(bit, bits + kNameEndBits, buf, (value << kNameEndBits) | kNameEndCode);
}

bool DecodeNameText(const uint8_t* buf, uint32_t bit, uint32_t endBit, std::string* text, uint32_t* next) {
    text->clear();
    auto take = [&](uint32_t n, uint32_t* value) {
        if (bit > endBit || endBit - bit < n) return false;
        *value = GetBits(bit, n, buf);
        bit += n;
        return true;
    };
    for (;;) {
        uint32_t v = 0;
        if (!take(3, &v)) return false;
        if (v == 0) {
            *text += 'A';
            continue;
        }
        if (v == 1) {  // 001x
            uint32_t b = 0;
            if (!take(1, &b)) return false;
            if (b == 0) break;  // end
            *text += 'E';
            continue;
        }
        if (v <= 3) {  // 01xx
            uint32_t b = 0;
            if (!take(1, &b)) return false;
            *text += kGroup4[((v << 1) | b) - 3];
            continue;
        }
        uint32_t low = 0;  // 1xxxx
        if (!take(2, &low)) return false;
        const uint32_t five = (v << 2) | low;
        if (five < 30) {
            *text += kGroup5[five - 16];
            continue;
        }
        bit -= 1;  // 1111 then 5 bits
        uint32_t index = 0;
        if (!take(5, &index)) return false;
        *text += kGroup9[index];
    }
    *next = bit;
    return true;
}
