// The six sections of each point type of a 696 image, derived from the type's first section b:
// X1 = b, X5 = b + 1, X2 = b + 2, RECS = b + 3, X3 = b + 4, X4 = b + 5; INT keeps its X3 and
// X4 in sections 84 and 85.
#pragma once

#include <cstdint>

struct PointSections696 {
    const char* name;
    int x1, x2, x3, x4, x5, recs;
    uint8_t recordSize;
};

constexpr PointSections696 MakePointSections696(const char* name, int b, uint8_t recordSize, bool farIndexes = false) {
    return {name, b, b + 2, farIndexes ? b + 72 : b + 4, farIndexes ? b + 73 : b + 5, b + 1, b + 3, recordSize};
}

// APT, INT, NDB and VOR, in that order.
inline constexpr PointSections696 kPointSections696[4] = {
    MakePointSections696("APT", 4, 29),
    MakePointSections696("INT", 12, 19, true),
    MakePointSections696("NDB", 16, 20),
    MakePointSections696("VOR", 22, 23),
};
