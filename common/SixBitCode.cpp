#include "common/SixBitCode.h"

#include <algorithm>
#include <vector>

#include "common/Bits.h"
#include "common/CLocale.h"

char IdentCodeChar(unsigned code) {
    if (code == 0) return ' ';
    if (code < 32) return static_cast<char>(code + 64);
    if (code < 48) return static_cast<char>(code + 16);
    return static_cast<char>(code - 16);
}

unsigned IdentCharCode(char c) {
    if (c < '0') return 0;  // also bytes above 0x7F, as a signed character
    if (c <= '9') return static_cast<unsigned>(c - 16);
    return static_cast<unsigned>(c - 64) & 63;
}

void PackIdent6(const char* text, uint8_t* area, size_t size, int length) {
    const uint64_t bitCount = static_cast<uint64_t>(size) * 8;
    uint64_t bit = 0;  // counted from the most significant bit of the last byte, downwards
    bool ended = false;
    for (int i = 0; i < length; ++i) {
        const unsigned code = ended ? 0 : IdentCharCode(text[i]);
        if (code == 0) ended = true;
        for (int k = 5; k >= 0; --k, ++bit) {
            if (bit >= bitCount) return;
            uint8_t& byte = area[size - 1 - bit / 8];
            const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
            byte = ((code >> k) & 1) ? (byte | mask) : (byte & ~mask);
        }
    }
}

void SixBitIdentText(uint32_t value24, char* out) {
    int n = 0;
    for (int shift = 18; shift >= 0; shift -= 6) {
        const unsigned code = (value24 >> shift) & 63;
        if (code == 0) break;
        out[n++] = static_cast<char>(code + 64);
    }
    out[n] = '\0';
}

void AppendRemoteVor(char* text, size_t size, const uint8_t* bytes) {
    char ident[5];
    SixBitIdentText(static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[1]) << 8 | bytes[0], ident);
    AppendFormatC(text, size, "remoteVOR %s", ident);
}

size_t PackSixBitText(uint8_t* bytes, size_t size, const char* text) {
    const size_t fit = size * 8 / 6;
    size_t count = 0;
    uint32_t bit = 0;
    std::reverse(bytes, bytes + size);  // so that bits the text does not reach keep their place
    for (; count < fit && text[count]; ++count) {
        bit = PutBits(bit, 6, bytes, static_cast<uint32_t>(static_cast<unsigned char>(text[count]) - 0x20) & 63);
    }
    std::reverse(bytes, bytes + size);
    return count;
}

void UnpackSixBitText(const uint8_t* bytes, size_t size, size_t count, char* out) {
    std::vector<uint8_t> ordered(bytes, bytes + size);
    std::reverse(ordered.begin(), ordered.end());
    count = std::min(count, size * 8 / 6);
    for (size_t i = 0; i < count; ++i) {
        out[i] = static_cast<char>(GetBits(static_cast<uint32_t>(i * 6), 6, ordered.data()) + 0x20);
    }
    out[count] = '\0';
}

void UnpackSixBitIdent(char* out, const uint8_t* bytes) {
    SixBitIdentText((uint32_t{bytes[0]} << 16) | (uint32_t{bytes[1]} << 8) | bytes[2], out);
}
