// The picture values of a runway (`rpicst`, `rpic`) from a picture kind and the two runway-end
// words (`rnpic`, `rnpic2`: latitude offset in the high 16 bits, longitude offset in the low 16
// bits, units of 128), and back.
#pragma once

#include <cstdint>

struct RunwayPicture {
    uint16_t start = 0;    // rpicst
    uint32_t picture = 0;  // rpic
};

// Kind k (0-3): bit 0 and bit 1 are the two picture-side bits. Both words 0 give start 0 and
// picture 0. Only bits 4-14 of each half of a word are kept.
RunwayPicture PackRunwayPicture(uint32_t kind, int32_t a, int32_t b);

// The kind and the two words back: the kept 11-bit fields of each half, sign-extended within
// their halves; the other bits are 0.
void UnpackRunwayPicture(const RunwayPicture& picture, uint32_t* kind, int32_t* a, int32_t* b);
