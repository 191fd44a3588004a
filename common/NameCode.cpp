#include "common/NameCode.h"

#include "common/Bits.h"

namespace {

// Reads bits while they lie inside both bounds.
class BoundedBits {
public:
    BoundedBits(const uint8_t* block, uint64_t end, uint32_t position)
        : block_(block), end_(end), position_(position) {}

    bool Read(uint32_t n, uint32_t* value) {
        if (position_ + static_cast<uint64_t>(n) > end_) return false;
        *value = GetBits(position_, n, block_);
        position_ += n;
        return true;
    }
    uint32_t Position() const { return position_; }

private:
    const uint8_t* block_;
    uint64_t end_;
    uint32_t position_;
};

}  // namespace

uint32_t DecodeName(const uint8_t* block, size_t blockBytes, char* text, size_t limit, uint32_t startBit) {
    const uint64_t blockEnd = static_cast<uint64_t>(blockBytes) * 8;
    const uint64_t nameEnd = static_cast<uint64_t>(startBit) + kNameCodeMaxBits;
    BoundedBits bits(block, blockEnd < nameEnd ? blockEnd : nameEnd, startBit);
    size_t stored = 0;
    char previous = '\0';
    bool ended = false;

    for (;;) {
        uint32_t group = 0;
        uint32_t extra = 0;
        if (!bits.Read(3, &group)) break;
        char c = '\0';
        if (group == 0) {
            c = 'A';
        } else if (group <= 3) {
            if (!bits.Read(1, &extra)) break;
            if (group == 1) {
                if (extra == 0) {
                    ended = true;
                    break;
                }
                c = 'E';
            } else if (group == 2) {
                c = extra ? 'O' : 'N';
            } else {
                c = extra ? 'I' : 'R';
            }
        } else {
            if (!bits.Read(2, &extra)) break;
            const uint32_t v = group * 4 + extra;
            if (v < 30) {
                c = kNameCodeTableA[v - 16];
            } else {
                uint32_t x = 0;
                if (!bits.Read(4, &x)) break;
                c = kNameCodeTableB[(v - 30) * 16 + x];
            }
        }
        const bool doubledSlash = c == '/' && previous == '/';
        previous = c;
        if (!doubledSlash && stored + 1 < limit) text[stored++] = c;
    }
    if (limit > 0) text[stored] = '\0';
    return ended ? bits.Position() : bits.Position() + 1;
}
