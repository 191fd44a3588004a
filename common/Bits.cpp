#include "common/Bits.h"

uint32_t PutBits(uint32_t p, uint32_t n, uint8_t* buf, uint32_t value) {
    const uint32_t end = p + n;
    while (n > 0) {
        const uint32_t offset = p & 7;
        const uint32_t take = (8 - offset < n) ? 8 - offset : n;
        const uint32_t rest = n - take;  // bits of the field after this chunk
        const uint32_t bits = rest >= 32 ? 0 : (value >> rest) & ((1u << take) - 1);
        const uint32_t shift = 8 - offset - take;
        const uint32_t mask = ((1u << take) - 1) << shift;
        uint8_t& byte = buf[p >> 3];
        byte = static_cast<uint8_t>((byte & ~mask) | (bits << shift));
        p += take;
        n = rest;
    }
    return end;
}

uint32_t GetBits(uint32_t p, uint32_t n, const uint8_t* buf) {
    uint64_t value = 0;
    while (n > 0) {
        const uint32_t offset = p & 7;
        const uint32_t take = (8 - offset < n) ? 8 - offset : n;
        const uint32_t bits = (buf[p >> 3] >> (8 - offset - take)) & ((1u << take) - 1);
        value = (value << take) | bits;
        p += take;
        n -= take;
    }
    return static_cast<uint32_t>(value);
}
