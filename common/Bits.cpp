#include "common/Bits.h"

uint32_t PutBits(uint32_t p, uint32_t n, uint8_t* buf, uint32_t value) {
    const uint32_t end = p + n;
    if (n > 0 && n <= 32) {
        // The field at the top of a 64-bit window that starts at byte p / 8: its bytes are
        // changed one by one under the field's mask.
        const uint32_t shift = 64 - (p & 7) - n;
        const uint64_t ones = n == 32 ? 0xFFFFFFFFull : (uint64_t{1} << n) - 1;
        const uint64_t mask = ones << shift;
        const uint64_t bits = (uint64_t{value} & ones) << shift;
        uint8_t* q = buf + (p >> 3);
        const uint32_t bytes = ((p & 7) + n + 7) / 8;
        for (uint32_t i = 0; i < bytes; ++i) {
            const uint32_t down = 56 - 8 * i;
            q[i] = static_cast<uint8_t>((q[i] & ~(mask >> down)) | (bits >> down));
        }
        return end;
    }
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
