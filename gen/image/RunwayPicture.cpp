#include "gen/image/RunwayPicture.h"

namespace {

// An 11-bit field placed at bits 4-14 of a 16-bit half, sign-extended through bit 15.
uint32_t Half(uint32_t field11) {
    uint32_t half = (field11 & 0x7FF) << 4;
    if (field11 & 0x400) half |= 0x8000;
    return half;
}

}  // namespace

RunwayPicture PackRunwayPicture(uint32_t kind, int32_t a, int32_t b) {
    if (a == 0 && b == 0) return {};
    const auto ua = static_cast<uint32_t>(a);
    const auto ub = static_cast<uint32_t>(b);
    const uint32_t h = static_cast<uint32_t>(a >> 9) & 0x3FF800;
    RunwayPicture p;
    p.start = static_cast<uint16_t>(((ua >> 4) & 0x7FF) + h);
    uint32_t picture = (((h >> 15) + (ub & 0x7FF00000)) >> 1) | ((ub & 0x7FF0) * 16);
    if (kind & 1) picture += 64;
    picture |= (kind & 2) ? 0xC0000080 : 0x80000080;
    p.picture = picture;
    return p;
}

void UnpackRunwayPicture(const RunwayPicture& picture, uint32_t* kind, int32_t* a, int32_t* b) {
    const uint32_t p = picture.picture;
    *kind = ((p >> 30) & 1 ? 2 : 0) + ((p >> 6) & 1 ? 1 : 0);
    if (picture.start == 0 && p == 0) {
        *a = *b = 0;
        return;
    }
    const uint32_t aHigh = ((p & 0x3F) << 5) | (picture.start >> 11);
    const uint32_t aLow = picture.start & 0x7FF;
    const uint32_t bHigh = (p >> 19) & 0x7FF;
    const uint32_t bLow = (p >> 8) & 0x7FF;
    *a = static_cast<int32_t>(Half(aHigh) << 16 | Half(aLow));
    *b = static_cast<int32_t>(Half(bHigh) << 16 | Half(bLow));
}
