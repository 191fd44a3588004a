#include "common/RunwayDesignator.h"

#include <cstring>

#include "common/ListingTables.h"

void FormatRunwayDesignator(char* text, unsigned word, bool reciprocal) {
    unsigned number = word & 31;
    unsigned letter = (word >> 5) & 3;
    if (reciprocal) {
        if (word & 0x80) number = (word >> 8) & 31;
        if (number != 0) number += 18;
        if (letter >= 2) letter ^= 1;  // L and R swap
    }
    if (number == 0) {
        std::memcpy(text, reciprocal ? ".." : " ..", reciprocal ? 3 : 4);
        return;
    }
    // "%02u%c": the number is at most 31 + 18.
    text[0] = static_cast<char>('0' + number / 10);
    text[1] = static_cast<char>('0' + number % 10);
    text[2] = RunwayLetter(static_cast<int>(letter));
    text[3] = '\0';
}
