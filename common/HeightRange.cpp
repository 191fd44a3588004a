#include "common/HeightRange.h"

#include "common/CLocale.h"
#include "common/ListingTables.h"

namespace {

constexpr size_t kLimitTextSize = 24;

void FormatLimit(char* out, int limit, bool aboveGround) {
    const char* named = (limit >> 8) == 3 ? NamedHeightLimit(limit & 0xFF) : nullptr;
    if (named) {
        FormatC(out, kLimitTextSize, "%s", named);
    } else {
        FormatC(out, kLimitTextSize, aboveGround ? "%d AGL" : "%d", limit * 100);
    }
}

}  // namespace

int AppendHeightRange(char* text, size_t size, uint8_t lower, uint8_t flags, uint8_t upper, int flag) {
    if (flag < 0) return 1;
    char lowerText[kLimitTextSize];
    char upperText[kLimitTextSize];
    FormatLimit(lowerText, lower + 256 * (flags & 3), (flags & 16) != 0);
    FormatLimit(upperText, upper + 256 * ((flags >> 2) & 3), (flags & 32) != 0);
    AppendFormatC(text, size, "%s to %s", lowerText, upperText);
    return (lower & 2) ? 0 : 1;
}
