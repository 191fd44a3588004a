#include "common/RunwayDesignator.h"

#include "common/CLocale.h"
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
        FormatC(text, kRunwayDesignatorSize, "%s", reciprocal ? ".." : " ..");
        return;
    }
    FormatC(text, kRunwayDesignatorSize, "%02u%c", number, RunwayLetter(static_cast<int>(letter)));
}
